// The editor's display, checked through what it asks of its terminal: the
// control functions called and the rows drawn.
#include "terminal/EditDisplay.h"

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Port.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/Shell.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/Editor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace {

using ANSITerm::Operation;

constexpr int kRows = 10;
constexpr int kColumns = 40;

std::span<const char> Z(const char* text) { return {text, std::strlen(text) + 1}; }

// What the display asked of the terminal.
class Recorder : public ANSITerm::Observer {
 public:
  void Called(const ANSITerm::TerminalRecord&, Operation operation, std::int32_t a, std::int32_t) override {
    calls.push_back({operation, a});
  }
  void Drew(const ANSITerm::TerminalRecord&, int line, int, std::span<const char>) override { rows.insert(line + 1); }
  int Count(Operation operation) const {
    int n = 0;
    for (const Call& c : calls) n += c.operation == operation ? 1 : 0;
    return n;
  }
  struct Call {
    Operation operation;
    std::int32_t a;
  };
  std::vector<Call> calls;
  std::set<int> rows;  // 1-based rows drawn into
};

class EditDisplayTest : public ConsoleSessionTest {
 protected:
  void SetUp() override {
    ConsoleSessionTest::SetUp();
    Editor::Initialize();
    buffer = Buffer::Create("Text", Buffer::kText);
    screen = ANSITerm::CreateHeadless(kRows, kColumns);
    EditState::Console = screen;
    EditState::EditBuffer = buffer;
    ANSITerm::SetSize(screen);
    ASSERT_EQ(EditState::WindowHeight, kRows);
    ASSERT_EQ(EditState::WindowWidth, kColumns);
    EditState::WindowBandSize = 1;
  }
  void TearDown() override {
    ANSITerm::SetObserver(nullptr);
    EditState::Console = nullptr;
    EditState::EditBuffer = nullptr;
    EditState::TraceState = EditState::kTraceOff;
    ANSITerm::Close(screen);
    ConsoleSessionTest::TearDown();
  }

  // Lines "line 1" .. "line n", the view at its top.
  void Lines(int n) {
    BufferText::Remove(buffer, 1, BufferText::RecordCount(buffer));
    for (int i = 1; i <= n; ++i) BufferText::Append(buffer, Z(("line " + std::to_string(i)).c_str()));
    EditState::FirstLine = 1;
    EditState::FirstColumn = 0;
    EditState::CursorLine = 1;
    EditState::CursorColumn = 1;
    EditDisplay::NewDisplay();
  }
  void Observe() {
    recorder = Recorder{};
    ANSITerm::SetObserver(&recorder);
  }
  std::string Row(int row) const {
    char text[ANSITerm::kMaxColumns + 1] = "";
    ANSITerm::ScreenLine(screen, row, text);
    return text;
  }
  // Every row shows its buffer line (empty past the end).
  void ExpectRowsShowTheirLines() const {
    char text[EditState::kLineLength + 1];
    for (int row = 1; row <= kRows; ++row) {
      BufferText::Get(buffer, EditState::FirstLine + row - 1, text);
      EXPECT_EQ(Row(row), text) << "row " << row;
    }
  }

  BufferText::TextBuffer buffer = nullptr;
  ANSITerm::TerminalRecord* screen = nullptr;
  Recorder recorder;
};

TEST_F(EditDisplayTest, OneLinePastTheBandScrollsByOneRow) {
  Lines(100);
  EditDisplay::MoveCursor(9, 1);
  Observe();
  EditDisplay::MoveCursor(10, 1);
  EXPECT_EQ(EditState::FirstLine, 2);
  EXPECT_EQ(recorder.Count(Operation::kDL), 1);
  EXPECT_EQ(recorder.Count(Operation::kEDc), 0);
  EXPECT_EQ(recorder.rows, (std::set<int>{kRows}));
  ExpectRowsShowTheirLines();

  Observe();
  EditDisplay::MoveCursor(2, 1);
  EXPECT_EQ(EditState::FirstLine, 1);
  EXPECT_EQ(recorder.Count(Operation::kIL), 1);
  EXPECT_EQ(recorder.rows, (std::set<int>{1}));
  ExpectRowsShowTheirLines();

  Observe();
  EditDisplay::MoveCursor(100, 1);
  EXPECT_EQ(EditState::FirstLine, 91);
  EXPECT_EQ(recorder.Count(Operation::kIL) + recorder.Count(Operation::kDL), 0);
  EXPECT_EQ(recorder.rows.size(), static_cast<std::size_t>(kRows));
  ExpectRowsShowTheirLines();
}

TEST_F(EditDisplayTest, TheBandKeepsTheCursorOffTheEdges) {
  Lines(40);
  const auto check = [](std::int32_t line) {
    const std::int32_t row = line - EditState::FirstLine + 1;
    const bool showsFirst = EditState::FirstLine == 1;
    const bool showsLast = EditState::FirstLine + kRows - 1 >= 40;
    EXPECT_TRUE((row > 1 || showsFirst) && (row < kRows || showsLast)) << "line " << line;
    EXPECT_TRUE(row >= 1 && row <= kRows) << "line " << line;
  };
  for (std::int32_t line = 1; line <= 40; ++line) {
    EditDisplay::MoveCursor(line, 1);
    check(line);
  }
  for (std::int32_t line = 40; line >= 1; line -= 3) {
    EditDisplay::MoveCursor(line, 1);
    check(line);
  }
  ExpectRowsShowTheirLines();
}

TEST_F(EditDisplayTest, LongLinesEndInABarAndTypingRightOfTheWindowScrollsIt) {
  Lines(3);
  const std::string wide(kColumns + 5, 'w');
  BufferText::Replace(buffer, 2, Z(wide.c_str()));
  EditDisplay::NewDisplay();
  EXPECT_EQ(Row(2), std::string(kColumns - 1, 'w') + "|");

  const std::string full(kColumns - 2, 'x');
  BufferText::Replace(buffer, 3, Z(full.c_str()));
  EditState::CursorLine = 3;
  EditState::CursorColumn = kColumns - 1;
  std::int32_t line = 0, column = 0;
  EditUtility::InsertString(1, Z("abc"), line, column);
  EditDisplay::Insert(line, column);
  EXPECT_EQ(EditState::CursorColumn, kColumns + 2);
  EXPECT_EQ(EditState::FirstColumn, 2);
  // The cursor stands in the last column.
  std::int32_t cursorLine = 0, cursorColumn = 0;
  ANSITerm::GetCUP(screen, cursorLine, cursorColumn);
  EXPECT_EQ(cursorColumn, kColumns);
  EXPECT_EQ(Row(3), std::string(kColumns - 4, 'x') + "abc");
}

TEST_F(EditDisplayTest, InsertedLinesMoveOnlyTheRowsBelow) {
  Lines(30);
  EditDisplay::MoveCursor(3, 7);
  Observe();
  std::int32_t line = 0, column = 0;
  EditUtility::InsertLine(2, Z(""), line, column);
  EditDisplay::Insert(line, column);
  EXPECT_EQ(EditState::FirstLine, 1);
  EXPECT_EQ(recorder.Count(Operation::kIL), 1);
  EXPECT_EQ(recorder.Count(Operation::kEDc), 0);
  ExpectRowsShowTheirLines();
}

TEST_F(EditDisplayTest, DeletingNearTheEndPullsLinesFromAbove) {
  Lines(30);
  EditDisplay::MoveCursor(30, 1);
  ASSERT_EQ(EditState::FirstLine, 21);
  EditDisplay::MoveCursor(24, 1);
  Observe();
  EditDisplay::Delete(29, 1);
  EXPECT_EQ(BufferText::RecordCount(buffer), 25);
  EXPECT_EQ(EditState::FirstLine, 16);
  EXPECT_EQ(recorder.Count(Operation::kEDc), 0);
  EXPECT_EQ(recorder.Count(Operation::kIL), 1);
  ExpectRowsShowTheirLines();
  EXPECT_EQ(Row(kRows), "line 30");
}

TEST_F(EditDisplayTest, DeletingInTheMiddlePullsLinesFromBelow) {
  Lines(60);
  EditDisplay::MoveCursor(8, 3);
  Observe();
  EditDisplay::Delete(10, 3);
  EXPECT_EQ(EditState::FirstLine, 1);
  EXPECT_EQ(recorder.Count(Operation::kDL), 1);
  EXPECT_EQ(recorder.Count(Operation::kEDc), 0);
  ExpectRowsShowTheirLines();
  EXPECT_EQ(Row(8), "line 10");
}

TEST_F(EditDisplayTest, MessagesAndTheLineIndicator) {
  Lines(20);
  const std::string longMessage(60, 'm');
  EditDisplay::Message(Z(longMessage.c_str()));
  EXPECT_TRUE(EditState::MessageActive);
  EXPECT_EQ(Row(kRows), std::string(kColumns - 2, 'm') + "|");
  EXPECT_EQ(ANSITerm::ScreenRendition(screen, kRows, 1), ANSITerm::kHighlight);
  EditDisplay::MessageClear();
  EXPECT_FALSE(EditState::MessageActive);
  EXPECT_EQ(Row(kRows), "line 10");

  EditState::ShowLineNumbers = true;
  EditDisplay::MoveCursor(4, 3);
  EXPECT_EQ(Row(kRows), "line: 4;  column: 3");
  EditState::ShowLineNumbers = false;
}

TEST_F(EditDisplayTest, SetPositionClipsAndScrollsWithoutMovingTheCursor) {
  Lines(50);
  struct Case {
    std::int32_t asked, first;
  };
  for (const Case& c : {Case{0, 1}, Case{7, 7}, Case{8, 8}, Case{1000, 41}, Case{-5, 1}}) {
    EditDisplay::SetPosition(c.asked);
    EXPECT_EQ(EditState::FirstLine, c.first) << c.asked;
    EXPECT_TRUE(EditState::Scrolled);
    EXPECT_EQ(EditState::CursorLine, 1);
    ExpectRowsShowTheirLines();
  }
  EditDisplay::SetPosition(7);
  Observe();
  EditDisplay::SetPosition(8);
  EXPECT_EQ(recorder.Count(Operation::kDL), 1);
  EXPECT_EQ(recorder.rows, (std::set<int>{kRows}));
}

TEST_F(EditDisplayTest, QuietPlaybackDrawsNothingAndPlaysTheRecordedKeys) {
  Lines(20);
  EditState::TraceData[0] = EditState::TraceEntryRecord{0, ANSIBase::KeyCharacter, 'q'};
  EditState::TraceData[1] = EditState::TraceEntryRecord{0, ANSIBase::KeyCursorDown, 0};
  EditState::TraceEntry = 0;
  EditState::TraceLimit = 2;
  EditState::TraceState = EditState::kTracePlaying;
  EditState::TraceUpdate = false;
  Observe();
  std::int32_t line = 0, column = 0;
  EditUtility::InsertString(1, Z("typed "), line, column);
  EditDisplay::Insert(line, column);
  EditDisplay::MoveCursor(15, 2);
  EditDisplay::Delete(15, 4);
  EditDisplay::Message(Z("quiet"));
  EXPECT_TRUE(recorder.calls.empty());
  EXPECT_TRUE(recorder.rows.empty());
  char text[64];
  BufferText::Get(buffer, 1, text);
  EXPECT_STREQ(text, "typed line 1");
  BufferText::Get(buffer, 15, text);
  EXPECT_STREQ(text, "le 15");
  EXPECT_EQ(EditState::CursorLine, 15);

  int code = 0;
  char character = 0;
  int modifiers = 0;
  EditDisplay::InputKey(code, character, modifiers);
  EXPECT_EQ(code, ANSIBase::KeyCharacter);
  EXPECT_EQ(character, 'q');
  EditDisplay::InputKey(code, character, modifiers);
  EXPECT_EQ(code, ANSIBase::KeyCursorDown);
  EditDisplay::InputKey(code, character, modifiers);
  EXPECT_EQ(code, ANSIBase::KeyCursorDown);
  EXPECT_EQ(EditState::TraceState, EditState::kTraceOff);
}

TEST_F(EditDisplayTest, LearningRecordsKeysOnly) {
  EditState::TraceEntry = 0;
  EditState::TraceState = EditState::kTraceLearning;
  Headless::RunScript("key a\nkey left\nclick 200 200\nkey b\n");
  int code = 0;
  char character = 0;
  int modifiers = 0;
  for (int i = 0; i < 40; ++i) EditDisplay::InputKey(code, character, modifiers);
  ASSERT_EQ(EditState::TraceEntry, 3);
  EXPECT_EQ(EditState::TraceData[0].character, 'a');
  EXPECT_EQ(EditState::TraceData[1].keyCode, ANSIBase::KeyCursorLeft);
  EXPECT_EQ(EditState::TraceData[2].character, 'b');
}

TEST_F(EditDisplayTest, InquireTextEndedByAClickGivesFalseAndTheClickComesAgain) {
  Lines(20);
  EditState::Console = Shell::RootTerminal;
  ANSITerm::SetSize(EditState::Console);
  int code = 0;
  char character = 0;
  int modifiers = 0;
  for (int i = 0; i < 20; ++i) ANSITerm::NextEvent(EditState::Console, code, character, modifiers);

  char answer[40] = "old";
  Headless::RunScript("type new\nkey return\n");
  EXPECT_TRUE(EditDisplay::InquireText(Z("Find: "), answer, code, character, modifiers));
  EXPECT_STREQ(answer, "new");

  // A click in the console's text.
  const Geometry::Rect text = Shell::RootTerminal->textRect;
  Geometry::Point where{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
  Port::SetPort(Windows::GetWindowPort(Shell::RootTerminal->window));
  Port::LocalToGlobal(where);
  Headless::Click(where);
  EXPECT_FALSE(EditDisplay::InquireText(Z("Find: "), answer, code, character, modifiers));
  EXPECT_EQ(code, ANSIBase::KeyMouse);
  EXPECT_STREQ(answer, "new");
  ASSERT_TRUE(ANSITerm::NextEvent(EditState::Console, code, character, modifiers));
  EXPECT_EQ(code, ANSIBase::KeyMouse);
}

}  // namespace
