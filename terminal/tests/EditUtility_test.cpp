// Editor buffers and buffer windows: switching buffers, their windows'
// life, and the operations on the edit buffer's text.
#include "terminal/EditUtility.h"

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Port.h"
#include "platform/Windows.h"
#include "shell/Shell.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"
#include "terminal/Editor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace {

using BufferText::TextBuffer;

// A C string with its NUL.
std::span<const char> Z(const char* text) { return {text, std::strlen(text) + 1}; }

class EditUtilityTest : public ConsoleSessionTest {
 protected:
  void SetUp() override {
    ConsoleSessionTest::SetUp();
    Editor::Initialize();
    text = Buffer::Create("Text", Buffer::kText);
    ASSERT_NE(text, nullptr);
  }
  void TearDown() override {
    EditState::EditBuffer = nullptr;
    ConsoleSessionTest::TearDown();
  }

  static void Fill(TextBuffer buffer, std::initializer_list<std::string> lines) {
    BufferText::Remove(buffer, 1, BufferText::RecordCount(buffer));
    for (const std::string& line : lines) BufferText::Append(buffer, Z(line.c_str()));
  }
  static std::vector<std::string> Lines(TextBuffer buffer) {
    std::vector<std::string> lines;
    char line[EditState::kLineLength + 1];
    for (std::int32_t n = 1; n <= BufferText::RecordCount(buffer); ++n) {
      BufferText::Get(buffer, n, line);
      lines.emplace_back(line);
    }
    return lines;
  }
  // The edit buffer becomes text with these lines and the cursor there.
  void Edit(std::initializer_list<std::string> lines, std::int32_t line, std::int32_t column) {
    Fill(text, lines);
    EditUtility::SetupBuffer(text, true, false, true);
    EditState::CursorLine = line;
    EditState::CursorColumn = column;
  }

  TextBuffer text = nullptr;
};

TEST_F(EditUtilityTest, ABufferNeverEditedStartsAtItsTop) {
  Fill(text, {"one", "two", "three"});
  EditState::Forward = false;
  EditState::SelectActive = true;
  EditUtility::SetupBuffer(text, true, false, true);
  EXPECT_EQ(EditState::EditBuffer, text);
  EXPECT_EQ(EditState::CursorLine, 1);
  EXPECT_EQ(EditState::CursorColumn, 1);
  EXPECT_EQ(EditState::FirstLine, 1);
  EXPECT_TRUE(EditState::Forward);
  EXPECT_FALSE(EditState::SelectActive);
  EXPECT_EQ(EditState::Console, Shell::RootTerminal);
}

TEST_F(EditUtilityTest, SwitchingBackRestoresTheStateClippedToTheText) {
  Edit({"a", "b", "c", "d", "e"}, 5, 2);
  EditState::SelectActive = true;
  EditState::SelectLine = 2;
  EditState::SelectColumn = 1;
  TextBuffer other = Buffer::Create("Other", Buffer::kText);
  EditUtility::SetupBuffer(other, true, false, true);
  EXPECT_EQ(EditState::CursorLine, 1);
  // Lines removed while the buffer was not edited.
  BufferText::Remove(text, 3, 3);
  EditUtility::SetupBuffer(text, true, false, true);
  EXPECT_EQ(EditState::CursorLine, 2);
  EXPECT_EQ(EditState::CursorColumn, 2);
  EXPECT_TRUE(EditState::SelectActive);
  EXPECT_EQ(EditState::SelectLine, 2);
}

TEST_F(EditUtilityTest, SelectionOrder) {
  struct Case {
    std::int32_t cursorLine, cursorColumn, markLine, markColumn;
    std::int32_t startLine, startColumn, endLine, endColumn;
  };
  for (const Case& c : {Case{3, 4, 3, 4, 3, 4, 3, 4}, Case{2, 9, 3, 1, 2, 9, 3, 1}, Case{3, 1, 2, 9, 2, 9, 3, 1},
                        Case{3, 2, 3, 5, 3, 2, 3, 5}}) {
    EditState::CursorLine = c.cursorLine;
    EditState::CursorColumn = c.cursorColumn;
    EditState::SelectLine = c.markLine;
    EditState::SelectColumn = c.markColumn;
    std::int32_t l1 = 0, c1 = 0, l2 = 0, c2 = 0;
    EditUtility::GetSelectRange(l1, c1, l2, c2);
    EXPECT_EQ((std::vector<std::int32_t>{l1, c1, l2, c2}),
              (std::vector<std::int32_t>{c.startLine, c.startColumn, c.endLine, c.endColumn}));
  }
}

TEST_F(EditUtilityTest, FindStringBothWays) {
  struct Case {
    const char* name;
    bool forward;
    std::int32_t line, column;
    const char* text;
    bool found;
    std::int32_t foundLine, foundColumn;
  };
  const Case cases[] = {
      {"forward skips the match at the cursor", true, 1, 1, "ab", true, 1, 4},
      {"forward within the cursor line", true, 1, 5, "ab", true, 1, 7},
      {"forward into a later line", true, 1, 7, "ab", true, 3, 2},
      {"forward finds nothing past the last", true, 3, 2, "ab", false, 3, 2},
      {"backward into an earlier line takes its last match", false, 3, 2, "ab", true, 1, 7},
      {"backward takes the last match before the cursor", false, 1, 7, "ab", true, 1, 4},
      {"backward finds nothing before the first", false, 1, 1, "ab", false, 1, 1},
  };
  for (const Case& c : cases) {
    Edit({"ab ab ab", "xyz", "xab"}, c.line, c.column);
    EditState::Forward = c.forward;
    EXPECT_EQ(EditUtility::FindString(Z(c.text)), c.found) << c.name;
    EXPECT_EQ(EditState::CursorLine, c.foundLine) << c.name;
    EXPECT_EQ(EditState::CursorColumn, c.foundColumn) << c.name;
  }
  Edit({"ab ab ab"}, 1, 4);
  EXPECT_TRUE(EditUtility::AtString("ab"));
  EXPECT_FALSE(EditUtility::AtString("b"));
  EXPECT_FALSE(EditUtility::AtString(""));
}

TEST_F(EditUtilityTest, CharacterAndWordMotion) {
  Edit({"abc", "", "de fg  hi"}, 1, 2);
  struct Case {
    const char* name;
    void (*move)(std::int32_t, std::int32_t&, std::int32_t&);
    std::int32_t count;
    std::int32_t line, column;
  };
  const Case cases[] = {
      {"forward within the line", EditUtility::CharsForward, 1, 1, 3},
      {"forward over a line end", EditUtility::CharsForward, 3, 2, 1},
      {"forward past the end stops at the last line's end", EditUtility::CharsForward, 100, 3, 10},
      {"backward to the start of the line", EditUtility::CharsBackward, 1, 1, 1},
      {"backward past the start", EditUtility::CharsBackward, 5, 1, 1},
  };
  for (const Case& c : cases) {
    std::int32_t line = 0, column = 0;
    c.move(c.count, line, column);
    EXPECT_EQ(line, c.line) << c.name;
    EXPECT_EQ(column, c.column) << c.name;
  }
  EditState::CursorLine = 3;
  EditState::CursorColumn = 1;
  std::int32_t line = 0, column = 0, edge = 0;
  EditUtility::WordsForward(2, line, column, edge);
  EXPECT_EQ((std::vector<std::int32_t>{line, column, edge}), (std::vector<std::int32_t>{3, 8, 4}));
  EditUtility::WordsForward(5, line, column, edge);
  EXPECT_EQ((std::vector<std::int32_t>{line, column}), (std::vector<std::int32_t>{3, 10}));
  EditState::CursorColumn = 8;
  EditUtility::WordsBackward(1, line, column, edge);
  EXPECT_EQ((std::vector<std::int32_t>{line, column, edge}), (std::vector<std::int32_t>{3, 4, 8}));
  EditState::CursorColumn = 1;
  EditUtility::WordsBackward(2, line, column, edge);
  EXPECT_EQ((std::vector<std::int32_t>{line, column}), (std::vector<std::int32_t>{1, 4}));
}

TEST_F(EditUtilityTest, InsertStringKeepsLinesWithin256Characters) {
  struct Case {
    const char* name;
    int lineLength;
    std::int32_t count;
    const char* text;
    int inserted;
  };
  const Case cases[] = {
      {"ten characters into 250 insert nothing", 250, 1, "0123456789", 0},
      {"three copies of two into 251 insert two", 251, 3, "xy", 4},
      {"repeated text", 10, 3, "ab", 6},
  };
  for (const Case& c : cases) {
    Edit({std::string(c.lineLength, '.')}, 1, 5);
    std::int32_t line = 0, column = 0;
    EditUtility::InsertString(c.count, Z(c.text), line, column);
    EXPECT_EQ(BufferText::RecordLength(text, 1), c.lineLength + c.inserted) << c.name;
    EXPECT_EQ(column, 5 + c.inserted) << c.name;
  }
  Edit({}, 1, 1);
  std::int32_t line = 0, column = 0;
  EditUtility::InsertString(1, "new", line, column);
  EXPECT_EQ(Lines(text), (std::vector<std::string>{"new"}));
}

TEST_F(EditUtilityTest, InsertLineSplitsOrOpensLines) {
  struct Case {
    const char* name;
    std::int32_t column, count;
    const char* text;
    std::vector<std::string> lines;
    std::int32_t line;
  };
  const Case cases[] = {
      {"two at a mid-line cursor", 3, 2, "T", {"he" "T", "T", "llo", "end"}, 3},
      {"a Return splits the line", 3, 1, "", {"he", "llo", "end"}, 2},
      {"in column 1 the lines go before the cursor line", 1, 2, "", {"", "", "hello", "end"}, 3},
  };
  for (const Case& c : cases) {
    Edit({"hello", "end"}, 1, c.column);
    std::int32_t line = 0, column = 0;
    EditUtility::InsertLine(c.count, Z(c.text), line, column);
    EXPECT_EQ(Lines(text), c.lines) << c.name;
    EXPECT_EQ(line, c.line) << c.name;
    EXPECT_EQ(column, 1) << c.name;
  }
}

TEST_F(EditUtilityTest, BufferWriteThenBufferReadGiveTheTextBack) {
  TextBuffer scratch = Buffer::Create("Scratch", Buffer::kText);
  struct Case {
    const char* name;
    std::int32_t l1, c1, l2, c2;
    std::vector<std::string> written;
  };
  const Case cases[] = {
      {"within one line", 1, 2, 1, 5, {"lph"}},
      {"over lines", 1, 3, 3, 2, {"pha", "beta", "g"}},
      {"ending at column 1", 2, 1, 3, 1, {"beta", ""}},
  };
  for (const Case& c : cases) {
    Edit({"alpha", "beta", "gamma"}, 1, 1);
    Fill(scratch, {});
    EditUtility::BufferWrite(scratch, c.l1, c.c1, c.l2, c.c2);
    EXPECT_EQ(Lines(scratch), c.written) << c.name;
    // Taken out and read in again at its place, the text is as it was.
    EditState::CursorLine = c.l1;
    EditState::CursorColumn = c.c1;
    EditDisplay::Delete(c.l2, c.c2);
    EditUtility::BufferRead(scratch);
    EXPECT_EQ(Lines(text), (std::vector<std::string>{"alpha", "beta", "gamma"})) << c.name;
  }
  Edit({"alpha"}, 2, 1);
  Fill(scratch, {"x", "y"});
  EditUtility::BufferRead(scratch);
  EXPECT_EQ(Lines(text), (std::vector<std::string>{"alpha", "x", "y"}));

  // Read into a line with too little room, the text is cut and the cursor
  // stays at the end of what was kept.
  Edit({std::string(200, 'a')}, 1, 201);
  Fill(scratch, {std::string(100, 'b')});
  EditUtility::BufferRead(scratch);
  EXPECT_EQ(BufferText::RecordLength(text, 1), EditState::kLineLength);
  EXPECT_EQ(EditState::CursorColumn, EditState::kLineLength + 1);
}

TEST_F(EditUtilityTest, BufferKinds) {
  EXPECT_EQ(EditUtility::BufferKind("Command"), 1);
  EXPECT_EQ(EditUtility::BufferKind("List"), 2);
  EXPECT_EQ(EditUtility::BufferKind("Text"), 0);
}

TEST_F(EditUtilityTest, TheConsoleWindowRedrawsTheNotebooksLastLines) {
  for (int i = 1; i <= 100; ++i) BufferText::Append(Shell::List, Z(("note " + std::to_string(i)).c_str()));
  ANSITerm::TerminalRecord* console = Shell::RootTerminal;
  Windows::InvalRect(console->window, Windows::GetWindowPort(console->window)->portRect);
  int code = 0;
  char character = 0;
  int modifiers = 0;
  for (int i = 0; i < 20; ++i) ANSITerm::NextEvent(console, code, character, modifiers);
  char last[ANSITerm::kMaxColumns + 1] = "";
  ANSITerm::ScreenLine(console, console->lines, last);
  EXPECT_STREQ(last, "note 100");
}

TEST_F(EditUtilityTest, AnOpenWindowIsReusedAndAClosedOneIsNeverTakenForLive) {
  ASSERT_TRUE(EditUtility::OpenBufferWindow(text, true));
  EXPECT_TRUE(EditUtility::BufferWindowIsOpen(text));
  EditUtility::SetupBuffer(text, true, false, true);
  ANSITerm::TerminalRecord* terminal = EditState::Console;
  EXPECT_NE(terminal, Shell::RootTerminal);
  EXPECT_EQ(EditState::Window->tag[0], 'G');

  EditState::Console = Shell::RootTerminal;
  EXPECT_FALSE(EditUtility::OpenBufferWindow(text, true));
  EXPECT_EQ(EditState::Console, terminal);

  TextBuffer found = nullptr;
  ANSITerm::TerminalRecord* foundTerminal = nullptr;
  EXPECT_TRUE(EditUtility::MacWindowToBufferHandle(terminal->window, found, foundTerminal));
  EXPECT_EQ(found, text);
  EXPECT_EQ(foundTerminal, terminal);

  const void* oldTerminal = terminal;
  EXPECT_TRUE(EditUtility::CloseBufferWindow(text));
  EXPECT_FALSE(EditUtility::BufferWindowIsOpen(text));
  EXPECT_EQ(EditState::Console, Shell::RootTerminal);

  // The next window takes the same memory: the closed one stays closed.
  TextBuffer other = Buffer::Create("Other", Buffer::kText);
  ASSERT_TRUE(EditUtility::OpenBufferWindow(other, true));
  EditUtility::SetupBuffer(other, true, false, true);
  EXPECT_EQ(static_cast<const void*>(EditState::Console), oldTerminal);
  EXPECT_FALSE(EditUtility::BufferWindowIsOpen(text));
  EXPECT_FALSE(EditUtility::CloseBufferWindow(text));
  EXPECT_TRUE(EditUtility::BufferWindowIsOpen(other));
  EXPECT_EQ(EditUtility::CloseFrontWindow(), other);
}

}  // namespace
