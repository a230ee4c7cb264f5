// Line input on the console terminal with scripted keys: editing, the
// field's display, the ring of entered lines, and the keys handed back.
#include "terminal/LineEditor.h"

#include "foundation/BufferText.h"
#include "platform/EventQueue.h"
#include "platform/KeyCodes.h"
#include "platform/Scrap.h"
#include "platform/headless/Headless.h"
#include "shell/ScrapUtil.h"
#include "shell/Shell.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr int kFieldRow = 3;

class LineEditorTest : public ConsoleSessionTest {
 public:
  using Reader = void (*)(std::span<char>);

 protected:
  void SetUp() override {
    ConsoleSessionTest::SetUp();
    LineEditor::InitModule();
    ASSERT_NE(EditState::Console, nullptr);
    DrainEvents();
  }
  void TearDown() override {
    LineEditor::InitModule();
    ConsoleSessionTest::TearDown();
  }

  // The console's own first activation and update must not end the edit.
  static void DrainEvents() {
    int code = 0;
    char character = 0;
    int modifiers = 0;
    for (int i = 0; i < 20; ++i) ANSITerm::NextEvent(EditState::Console, code, character, modifiers);
  }

  // Edits `initial` at the start of the field row; the script's keys, then
  // the text handed back.
  static std::string Edit(Reader read, const char* initial, void (*keys)()) {
    ANSITerm::CUP(EditState::Console, kFieldRow, 1);
    keys();
    char text[LineEditor::kTextSize] = "";
    std::strcpy(text, initial);
    read(std::span<char>(text));
    return text;
  }

  static std::string Row(int row) {
    char text[ANSITerm::kMaxColumns + 1] = "";
    ANSITerm::ScreenLine(EditState::Console, row, text);
    return text;
  }
};

void Type(const char* text) { Headless::Type(std::span<const char>(text, std::strlen(text) + 1)); }

void Named(const char* name, int modifiers = 0) {
  KeyCodes::Key k;
  ASSERT_TRUE(KeyCodes::ForName(std::string_view(name), k)) << name;
  Headless::Key(k.virtualKey, static_cast<unsigned char>(k.character), modifiers);
}

// A control character typed with its letter.
void Control(char letter) {
  KeyCodes::Key k;
  ASSERT_TRUE(KeyCodes::ForCharacter(static_cast<unsigned char>(letter), k));
  Headless::Key(k.virtualKey, static_cast<unsigned char>(letter & 0x1F), EventQueue::kControlKey);
}

void Return() { Named("return"); }

struct EditCase {
  const char* name;
  LineEditorTest::Reader read;
  const char* initial;
  void (*keys)();
  const char* expected;
};

TEST_F(LineEditorTest, KeysEditTheLine) {
  const EditCase cases[] = {
      {"selected text replaced by the first key", LineEditor::ReadClearString, "abc",
       [] {
         Type("x");
         Return();
       },
       "x"},
      {"right arrow ends the selection", LineEditor::ReadClearString, "abc",
       [] {
         Named("right");
         Type("x");
         Return();
       },
       "abcx"},
      {"left arrow on a selection goes to the start", LineEditor::ReadClearString, "abc",
       [] {
         Named("left");
         Type("x");
         Return();
       },
       "xabc"},
      {"overwrite inside the text", LineEditor::ReadString, "abc",
       [] {
         Control('a');
         Named("left");
         Named("left");
         Type("x");
         Return();
       },
       "axc"},
      {"overwrite at the end appends", LineEditor::ReadString, "abc",
       [] {
         Control('a');
         Type("x");
         Return();
       },
       "abcx"},
      {"control-J deletes the word and the blanks after it", LineEditor::ReadString, "one two  ",
       [] {
         Control('j');
         Return();
       },
       "one "},
      {"control-U deletes left of the cursor", LineEditor::ReadString, "abcdef",
       [] {
         Named("left");
         Named("left");
         Control('u');
         Return();
       },
       "ef"},
      {"control-H and control-E go to the start and the end", LineEditor::ReadString, "bc",
       [] {
         Control('h');
         Type("a");
         Control('e');
         Type("d");
         Return();
       },
       "abcd"},
      {"control-Z restores the text the edit began with", LineEditor::ReadString, "abc",
       [] {
         Named("delete");
         Type("xyz");
         Control('z');
         Return();
       },
       "abc"},
      {"delete keys clear a selected text", LineEditor::ReadClearString, "abc",
       [] {
         Named("forwarddelete");
         Type("q");
         Return();
       },
       "q"},
      {"delete left and right of the cursor", LineEditor::ReadString, "abcd",
       [] {
         Named("left");
         Named("left");
         Named("delete");
         Named("forwarddelete");
         Return();
       },
       "ad"},
  };
  for (const EditCase& c : cases) {
    EXPECT_EQ(Edit(c.read, c.initial, c.keys), c.expected) << c.name;
    EXPECT_FALSE(LineEditor::Editting) << c.name;
  }
}

TEST_F(LineEditorTest, AFullLineBeepsAndDropsTheKey) {
  char text[5] = "abc";
  ANSITerm::CUP(EditState::Console, kFieldRow, 1);
  Type("xyz");
  Return();
  LineEditor::ReadString(text);
  EXPECT_STREQ(text, "abcx");
}

TEST_F(LineEditorTest, FunctionKeysEndTheLineAndComeAgain) {
  Named("f5");
  EXPECT_EQ(Edit(LineEditor::ReadString, "kept", [] {}), "kept");
  EXPECT_EQ(LineEditor::LastKeyCode, ANSIBase::KeyF1 + 4);
  int code = 0;
  char character = 0;
  int modifiers = 0;
  ASSERT_TRUE(ANSITerm::NextEvent(EditState::Console, code, character, modifiers));
  EXPECT_EQ(code, ANSIBase::KeyF1 + 4);

  EXPECT_EQ(Edit(LineEditor::ReadString, "typed", [] { Named("enter"); }), "typed");
  EXPECT_EQ(LineEditor::LastKeyCode, ANSIBase::KeyEnter);
  Type("z");
  ASSERT_TRUE(ANSITerm::NextEvent(EditState::Console, code, character, modifiers));
  EXPECT_EQ(code, ANSIBase::KeyCharacter);
  EXPECT_EQ(character, 'z');
}

TEST_F(LineEditorTest, ALongLineShowsItsStartAndItsLastCharacter) {
  // A console wide enough for the whole field.
  ANSITerm::TerminalRecord* wide = ANSITerm::CreateHeadless(24, 100);
  EditState::Console = wide;
  std::string typed;
  for (int i = 0; i < 100; ++i) typed += static_cast<char>('a' + i % 26);
  const std::string result = Edit(LineEditor::ReadString, "", [] {
    std::string keys;
    for (int i = 0; i < 100; ++i) keys += static_cast<char>('a' + i % 26);
    Type(keys.c_str());
    Return();
  });
  EXPECT_EQ(result, typed);
  EXPECT_EQ(Row(kFieldRow), typed.substr(0, 78) + typed.back());

  // Deleting back below the field's width blanks what it no longer shows.
  Edit(LineEditor::ReadString, result.c_str(), [] {
    Control('h');
    for (int i = 0; i < 90; ++i) Named("forwarddelete");
    Return();
  });
  EXPECT_EQ(Row(kFieldRow), typed.substr(90));
  EditState::Console = Shell::RootTerminal;
  ANSITerm::Close(wide);
}

TEST_F(LineEditorTest, TheRingKeepsTheLastTenLines) {
  for (const char* line : {"first", "second", "third"}) Edit(LineEditor::ReadString, line, [] { Return(); });
  EXPECT_EQ(Edit(LineEditor::ReadString, "", [] {
              Named("up");
              Return();
            }),
            "third");
  EXPECT_EQ(Edit(LineEditor::ReadString, "", [] {
              Named("up");
              Named("up");
              Named("up");
              Return();
            }),
            "first");
  for (int i = 0; i < 10; ++i) {
    const std::string line = "entry " + std::to_string(i);
    Edit(LineEditor::ReadString, line.c_str(), [] { Return(); });
  }
  // Ten slots: going back ten reaches the oldest that is left.
  EXPECT_EQ(Edit(LineEditor::ReadString, "", [] {
              for (int i = 0; i < 9; ++i) Named("up");
              Return();
            }),
            "entry 1");
}

TEST_F(LineEditorTest, CutCopyAndPasteOfTheEditMenu) {
  // The menu command runs inside the event source and returns the key
  // event that carries it out; a plain key stands in for it here.
  ScrapUtil::ClearScrap();
  EXPECT_EQ(Edit(LineEditor::ReadClearString, "cut me", [] {
              Headless::Call([](void*) { LineEditor::DoCut(); }, nullptr);
              Named("home");
              Type("new");
              Return();
            }),
            "new");
  BufferText::TextBuffer paste = Buffer::Lookup("Edit.Paste");
  char line[257] = "";
  BufferText::Get(paste, 1, line);
  EXPECT_STREQ(line, "cut me");

  EXPECT_EQ(Edit(LineEditor::ReadString, "ab", [] {
              Named("left");
              Headless::Call([](void*) { LineEditor::DoPaste(); }, nullptr);
              Named("home");
              Return();
            }),
            "acut meb");

  // Copy outside the selected state does nothing.
  Edit(LineEditor::ReadString, "other", [] {
    Headless::Call([](void*) { LineEditor::DoCopy(); }, nullptr);
    Named("home");
    Return();
  });
  paste = ScrapUtil::GetPasteBuffer();
  BufferText::Get(paste, 1, line);
  EXPECT_STREQ(line, "cut me");
}

}  // namespace
