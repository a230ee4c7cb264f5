// The command interpreter: GOLD and its counts, keys without a command,
// keyboard macros, the mouse and the help window, driven by keys and
// clicks through the event source.
#include "terminal/Editor.h"

#include "foundation/Buffer.h"
#include "platform/Desktop.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditHelp.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/tests/Editor_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

class EditorInterpreterTest : public EditorTest {};

TEST_F(EditorInterpreterTest, KeysWithoutACommand) {
  struct Case {
    const char* name;
    int keyCode;
    char character;
    int modifiers;
    bool gold;
    const char* message;
  } cases[] = {
      {"an iconise event", 57, 0, 0, false, "Invalid key: 57, 0"},
      {"insert with modifiers", ANSIBase::KeyInsert, 0, ANSIBase::kShift | ANSIBase::kOption | ANSIBase::kControl,
       false, "Invalid key: 45, 0, shift, option, control"},
      {"a control character", ANSIBase::KeyCharacter, 1, ANSIBase::kControl, false, "Invalid key: 2, 1, control"},
      {"GOLD D", ANSIBase::KeyCharacter, 'D', 0, true, "Invalid key following GOLD"},
      {"GOLD E", ANSIBase::KeyCharacter, 'e', 0, true, "Invalid key following GOLD"},
      {"GOLD M", ANSIBase::KeyCharacter, 'M', 0, true, "Invalid key following GOLD"},
      {"GOLD keypad 8", ANSIBase::KeyNumeric0 + 8, 0, 0, true, "Invalid key following GOLD"},
      {"GOLD home", ANSIBase::KeyHome, 0, 0, true, "Invalid key following GOLD"},
      {"GOLD F1", ANSIBase::KeyF1, 0, 0, true, "Undefined function key with GOLD."},
      {"GOLD and an iconise event", 57, 0, 0, true, "Invalid key following GOLD"},
  };
  for (const auto& c : cases) {
    SetText("text", 1, 1);
    if (c.gold) Editor::ProcessCommand(ANSIBase::KeyNumericClear, 0, 0);
    EXPECT_TRUE(Editor::ProcessCommand(c.keyCode, c.character, c.modifiers)) << c.name;
    EXPECT_EQ(Message(), c.message) << c.name;
    EXPECT_FALSE(Editor::IsGold()) << c.name;
    EXPECT_EQ(Text(), "text") << c.name;
  }
}

TEST_F(EditorInterpreterTest, GoldCountsAndTheirCommands) {
  struct Case {
    const char* name;
    const char* text;
    const char* keys;
    const char* after;
    const char* message;
  } cases[] = {
      {"a count runs the plain command", "a b c d e", "key keypadclear\nkey 3\nkey keypad-\n", "d e", ""},
      {"GOLD again makes it a GOLD key", "", "key f11\nkey 6\nkey 5\nkey f11\nkey keypad3\n", "A", ""},
      {"ESC cancels, the next key runs plainly once", "", "key keypadclear\nkey 4\nkey escape\nkey z\n", "z", ""},
      {"the count is shown as it grows", "", "key keypadclear\nkey 1\nkey 2\n", "", "Repeat count: 12"},
      {"the count stays for the key after it only", "", "key keypadclear\nkey 2\nkey x\nkey y\n", "xxy", ""},
  };
  for (const auto& c : cases) {
    SetText(c.text, 1, 1);
    Keys(c.keys);
    EXPECT_EQ(Text(), c.after) << c.name;
    EXPECT_EQ(Message(), c.message) << c.name;
  }
}

TEST_F(EditorInterpreterTest, AMacroLearntAndRunThreeTimes) {
  SetText("", 1, 1);
  Keys("key keypadclear\nkey l\n");
  EXPECT_EQ(Message(), "Learning a macro ...");
  Keys("key x\nkey y\nkey keypadclear\nkey s\n");
  EXPECT_EQ(Message(), "Stop learning a macro.");
  EXPECT_EQ(EditState::TraceLimit, 4);
  Keys("key keypadclear\nkey 3\nkey keypadclear\nkey x\n");
  EXPECT_EQ(Text(), "xyxyxyxy");
  EXPECT_EQ(EditState::TraceState, EditState::kTraceOff);
}

TEST_F(EditorInterpreterTest, QuietPlaybackDrawsOnceAtItsEnd) {
  SetText("", 1, 1);
  Keys("key keypadclear\nkey l\nkey a\nkey return\nkey keypadclear\nkey s\n");
  SetText("", 1, 1);
  EditState::TraceUpdate = false;
  Keys("key keypadclear\nkey 2\nkey keypadclear\nkey x\n");
  EditState::TraceUpdate = true;
  EXPECT_EQ(Text(), "a\na\n");
  EXPECT_EQ(Row(1), "a");
  EXPECT_EQ(Row(2), "a");
  EXPECT_EQ(CursorAt(), std::make_pair(3, 1));
}

TEST_F(EditorInterpreterTest, MacroCommandsOutOfPlace) {
  SetText("", 1, 1);
  Keys("key keypadclear\nkey x\n");
  EXPECT_EQ(Message(), "No macro defined.");
  Keys("key keypadclear\nkey s\n");
  EXPECT_EQ(Message(), "No macro definition in progress.");
  // GOLD X while learning is left out of the macro, its GOLD prefix too.
  Keys("key keypadclear\nkey l\nkey a\nkey keypadclear\nkey 2\nkey keypadclear\nkey x\n");
  EXPECT_EQ(Message(), "Macro execution not allowed in macro definition.  Ignored.");
  Keys("key b\nkey keypadclear\nkey s\n");
  SetText("", 1, 1);
  Keys("key keypadclear\nkey x\n");
  EXPECT_EQ(Text(), "ab");
  // A failed search ends the playback.
  Keys("key keypadclear\nkey l\nkey keypadclear\nkey f\ntype zz\nkey return\nkey q\nkey keypadclear\nkey s\n");
  SetText("", 1, 1);
  Keys("key keypadclear\nkey x\n");
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(Message(), "Search string not found");
}

TEST_F(EditorInterpreterTest, ClicksPlaceTheCursorAndSelectWordsAndLines) {
  SetText("alpha beta\ngamma", 1, 1);
  Keys(ClickAt(2, 3).c_str());
  EXPECT_EQ(CursorAt(), std::make_pair(2, 3));
  EXPECT_FALSE(EditState::SelectActive);
  const std::string triple = ClickAt(1, 8) + ClickAt(1, 8) + ClickAt(1, 8);
  Keys(triple.c_str());
  EXPECT_EQ(Selected(), "alpha beta\n");
  EXPECT_EQ(CursorAt(), std::make_pair(2, 1));
  // A plain click cancels the selection; shift extends a new one.
  Keys((ClickAt(1, 3) + "hold shift\n" + ClickAt(2, 2) + "release shift\n").c_str());
  EXPECT_EQ(Selected(), "pha beta\ng");
}

TEST_F(EditorInterpreterTest, DoubleClickSelectsByCharacterClass) {
  struct Case {
    const char* line;
    int column;
    const char* word;
  } cases[] = {
      {"one two three", 6, "two"},
      {"x = 3.14159;", 7, "3.14159"},
      {"ab.cd", 2, "ab"},
      {"ab.cd", 4, "cd"},
      {"it's", 1, "it"},
      {"1'000 units", 1, "1'000"},
      {"1'000 units", 3, "000"},
      {"x_1 y", 2, "x_1"},
      {"(word)", 3, "word"},
      {"a  b", 2, ""},
  };
  for (const Case& c : cases) {
    SetText(c.line, 1, 1);
    // Apart from the last case's clicks, which would make these a third.
    const std::string twice = "wait 2\n" + ClickAt(1, c.column) + ClickAt(1, c.column);
    Keys(twice.c_str());
    EXPECT_EQ(Selected(), c.word) << c.line << " at " << c.column;
  }
}

TEST_F(EditorInterpreterTest, ShiftLeftSelectsAndPlainRightEndsThere) {
  SetText("abcd", 1, 3);
  Keys("key left shift\n");
  EXPECT_EQ(Selected(), "b");
  EXPECT_EQ(CursorAt(), std::make_pair(1, 2));
  Keys("key right\n");
  EXPECT_FALSE(EditState::SelectActive);
  EXPECT_EQ(CursorAt(), std::make_pair(1, 3));
  // Control right goes to the line's end, option left a word back.
  SetText("one two", 1, 1);
  Keys("key right control\n");
  EXPECT_EQ(CursorAt(), std::make_pair(1, 8));
  Keys("key left option\n");
  EXPECT_EQ(CursorAt(), std::make_pair(1, 5));
}

TEST_F(EditorInterpreterTest, UndoIsDroppedForAnotherBuffer) {
  SetText("ab", 1, 3);
  Keys("key c\n");
  EXPECT_EQ(UndoText(), "Undo Typing");
  BufferText::TextBuffer other = Buffer::Create("Other", Buffer::kText);
  EditUtility::SetupBuffer(other, true, false, false);
  Keys("key keypadclear\nkey !\n");
  EXPECT_EQ(UndoText(), "Can't Undo");
  EditUtility::SetupBuffer(buffer, true, false, false);
  Keys("key keypadclear\nkey !\n");
  EXPECT_EQ(Text(), "abc");
}

// What the help window showed while it waited.
struct HelpSeen {
  bool golden = false;
  std::string title;
  std::vector<std::string> rows;
  std::string message;
};

void SeeHelp(void* user) {
  auto* seen = static_cast<HelpSeen*>(user);
  seen->golden = MatchesGolden(Desktop::Compose(), "editor_help");
  for (int row = 1; row <= EditHelp::kChartRows; ++row) {
    char text[ANSITerm::kMaxColumns + 1] = "";
    ANSITerm::ScreenLine(EditState::Console, row, text);
    seen->rows.emplace_back(text);
  }
  seen->message = EditState::MessageText;
}

TEST_F(EditorInterpreterTest, TheHelpWindowShowsTheChartUntilAKey) {
  SetText("text", 1, 1);
  HelpSeen seen;
  Headless::RunScript("key keypad=\n");
  Headless::Call(SeeHelp, &seen);
  Keys("key q\n");
  EXPECT_TRUE(seen.golden);
  ASSERT_EQ(seen.rows.size(), static_cast<std::size_t>(EditHelp::kChartRows));
  for (int row = 0; row < EditHelp::kChartRows; ++row) {
    std::string line = EditHelp::kChart[row];
    line.erase(line.find_last_not_of(' ') + 1);
    // The tab mode in force stands highlighted in capitals over its word.
    if (row + 1 == 16) line.replace(line.find("align"), 5, "ALIGN");
    EXPECT_EQ(seen.rows[row], line.empty() ? "" : " " + line) << "row " << row + 1;
  }
  EXPECT_EQ(seen.message, " Strike any key or click the mouse to continue... ");
  // The key that closed it did nothing more, and the edit window is back.
  EXPECT_EQ(Text(), "text");
  EXPECT_EQ(Row(1), "text");
  EXPECT_EQ(Message(), "");
}

}  // namespace
