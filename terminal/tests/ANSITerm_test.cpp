// The character terminal on window terminals of the headless layer: what
// its grid holds after each control function, the pixels it moves and
// draws, the cursor, the message line, and arguments over the whole 32-bit
// range.
#include "terminal/ANSITerm.h"

#include "foundation/platform/Clock.h"
#include "platform/Surface.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "terminal/EditState.h"
#include "terminal/tests/Terminal_fixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

using ANSITerm::TerminalRecord;
using Geometry::SetRect;

constexpr int kRegion = 6;

class ANSITermTest : public TerminalTest {
 protected:
  // A 400 x 200 window in Courier 12, its region cut to six lines "L1" to
  // "L6", rendition 0.
  TerminalRecord* SixLines() {
    TerminalRecord* t = OpenTerminal(SetRect(40, 60, 440, 260), 12, false);
    ANSITerm::DECSTBM(t, 1, kRegion);
    for (int line = 1; line <= kRegion; ++line) {
      ANSITerm::CUP(t, line, 1);
      ANSITerm::Write(t, "L" + std::to_string(line));
    }
    ANSITerm::Update(t);
    return t;
  }
  static std::vector<std::string> Region(const TerminalRecord* t) {
    std::vector<std::string> lines;
    for (int line = 1; line <= kRegion; ++line) lines.push_back(Line(t, line));
    return lines;
  }
};

struct Case {
  const char* what;
  std::function<void(TerminalRecord*)> act;
  std::vector<std::string> lines;
  std::pair<int, int> cursor;  // 1-based, as GetCUP gives it
};

TEST_F(ANSITermTest, ControlFunctionsOnTheGridOfAWindowTerminal) {
  const std::vector<std::string> start{"L1", "L2", "L3", "L4", "L5", "L6"};
  const std::vector<Case> cases{
      {"a tab shows as _, a carriage return takes one column as code 8",
       [](TerminalRecord* t) {
         ANSITerm::CUP(t, 1, 1);
         ANSITerm::Write(t, "a\tb\rc");
       },
       {"a_b\bc", "L2", "L3", "L4", "L5", "L6"},
       {1, 6}},
      {"characters left of column 0 are skipped, the column still advances",
       [](TerminalRecord* t) {
         ANSITerm::CUP(t, 2, 1);
         t->cursorColumn = -3;
         ANSITerm::Write(t, "abcdef");
         ANSITerm::Update(t);
       },
       {"L1", "def", "L3", "L4", "L5", "L6"},
       {2, 4}},
      {"CUU past the top stops at line 0", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 2, 3);
         ANSITerm::CUU(t, 5);
       },
       start, {1, 3}},
      {"CUB past the left edge stops at column 0", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 2, 3);
         ANSITerm::CUB(t, 5);
       },
       start, {2, 1}},
      {"IND on the last line scrolls the region and keeps the line",
       [](TerminalRecord* t) {
         ANSITerm::CUP(t, kRegion, 2);
         ANSITerm::IND(t);
       },
       {"L2", "L3", "L4", "L5", "L6", ""},
       {kRegion, 2}},
      {"NEL moves down and to column 0", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 2, 2);
         ANSITerm::NEL(t);
       },
       start, {3, 1}},
      {"RI on line 0 scrolls the region down", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 1, 3);
         ANSITerm::RI(t);
       },
       {"", "L1", "L2", "L3", "L4", "L5"}, {1, 3}},
      {"DL homes the column", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 2, 2);
         ANSITerm::DL(t, 1);
       },
       {"L1", "L3", "L4", "L5", "L6", ""}, {2, 1}},
      {"IL keeps the column", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 2, 2);
         ANSITerm::IL(t, 2);
       },
       {"L1", "", "", "L2", "L3", "L4"}, {2, 2}},
      {"IL and DL below the region do nothing", [](TerminalRecord* t) {
         ANSITerm::CUD(t, 100);
         ANSITerm::IL(t, 1);
         ANSITerm::DL(t, 1);
       },
       start, {kRegion + 100, 3}},
      {"ICH moves the rest of the line right", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 3, 1);
         ANSITerm::ICH(t, 2);
       },
       {"L1", "L2", "  L3", "L4", "L5", "L6"}, {3, 1}},
      {"DCH moves the rest of the line left", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 3, 1);
         ANSITerm::DCH(t, 1);
       },
       {"L1", "L2", "3", "L4", "L5", "L6"}, {3, 1}},
      {"ECH erases from the cursor and leaves it", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 4, 2);
         ANSITerm::ECH(t, 1);
       },
       {"L1", "L2", "L3", "L", "L5", "L6"}, {4, 2}},
      {"ELb erases through the cursor cell", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 4, 1);
         ANSITerm::ELb(t);
       },
       {"L1", "L2", "L3", " 4", "L5", "L6"}, {4, 1}},
      {"ELc erases the line and homes the column", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 4, 2);
         ANSITerm::ELc(t);
       },
       {"L1", "L2", "L3", "", "L5", "L6"}, {4, 1}},
      {"EDe on the second-to-last line erases the rest of it and the last line",
       [](TerminalRecord* t) {
         ANSITerm::CUP(t, kRegion - 1, 2);
         ANSITerm::EDe(t);
       },
       {"L1", "L2", "L3", "L4", "L", ""}, {kRegion - 1, 2}},
      {"EDb erases the lines above and the line through the cursor", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 3, 1);
         ANSITerm::EDb(t);
       },
       {"", "", " 3", "L4", "L5", "L6"}, {3, 1}},
      {"EDc erases all and homes the cursor", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 3, 2);
         ANSITerm::EDc(t);
       },
       {"", "", "", "", "", ""}, {1, 1}},
      {"CUP(0, x) gives line -1, where output is not shown", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 0, 5);
         ANSITerm::Write(t, "xyz");
         ANSITerm::EDe(t);
       },
       {"", "", "", "", "", ""}, {0, 8}},
      {"positions saturate instead of wrapping", [](TerminalRecord* t) {
         ANSITerm::CUP(t, INT32_MIN, INT32_MIN);
         ANSITerm::CUF(t, INT32_MAX);
         ANSITerm::CUF(t, INT32_MAX);
         ANSITerm::CUD(t, INT32_MAX);
         ANSITerm::CUD(t, INT32_MAX);
         ANSITerm::Write(t, "x");
         ANSITerm::Update(t);
       },
       start, {INT32_MAX, INT32_MAX}},
      {"huge counts are cut to the region and the line", [](TerminalRecord* t) {
         ANSITerm::CUP(t, 2, 2);
         ANSITerm::ICH(t, INT32_MAX);
         ANSITerm::CUP(t, 3, 2);
         ANSITerm::ECH(t, INT32_MAX);
         ANSITerm::CUP(t, 5, 1);
         ANSITerm::IL(t, INT32_MAX);
         ANSITerm::CUU(t, INT32_MIN);
         ANSITerm::DL(t, INT32_MAX);
         ANSITerm::CUB(t, INT32_MIN);
       },
       {"L1", "L", "L", "L4", "", ""}, {INT32_MAX, INT32_MAX}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TerminalRecord* t = SixLines();
    c.act(t);
    EXPECT_EQ(Cursor(t), c.cursor) << "GetCUP draws what is pending";
    EXPECT_EQ(Region(t), c.lines);
  }
}

TEST_F(ANSITermTest, CupFarOutTakesTheLastColumn) {
  TerminalRecord* t = SixLines();
  ANSITerm::CUP(t, 1000, 1000);
  EXPECT_EQ(Cursor(t), std::make_pair(kRegion, t->columns));
}

// Records what the terminal was asked and what it drew.
class Recorder : public ANSITerm::Observer {
 public:
  void Called(const TerminalRecord&, ANSITerm::Operation operation, std::int32_t a, std::int32_t) override {
    calls.push_back({operation, a});
  }
  void Drew(const TerminalRecord&, int line, int column, std::span<const char> run) override {
    runs.push_back({line, column, std::string(run.begin(), run.end())});
  }
  struct Call {
    ANSITerm::Operation operation;
    std::int32_t a;
    bool operator==(const Call&) const = default;
  };
  struct Run {
    int line;
    int column;
    std::string text;
    bool operator==(const Run&) const = default;
  };
  std::vector<Call> calls;
  std::vector<Run> runs;
};

TEST_F(ANSITermTest, OutputIsDrawnInRunsOfUpTo256Characters) {
  TerminalRecord* t = OpenTerminal(SetRect(40, 60, 640 - 40, 260), 9, false);
  ASSERT_GT(t->columns, 0);
  Recorder recorder;
  ANSITerm::SetObserver(&recorder);
  const std::string text(300, 'a');
  ANSITerm::Write(t, text);
  ASSERT_EQ(recorder.runs.size(), 1u) << "the 257th character draws the first 256";
  EXPECT_EQ(recorder.runs[0].text, std::string(static_cast<std::size_t>(std::min(256, t->columns)), 'a'));
  EXPECT_EQ(t->cursorColumn, 256);
  ANSITerm::Update(t);
  EXPECT_EQ(t->cursorColumn, 300);
  EXPECT_EQ(recorder.runs.size(), 1u) << "nothing of the rest lies in the grid";

  ANSITerm::CUP(t, 2, 3);
  ANSITerm::Write(t, "xy");
  ANSITerm::SGR(t, ANSITerm::kHighlight);
  EXPECT_EQ(recorder.calls, (std::vector<Recorder::Call>{{ANSITerm::Operation::kCUP, 2},
                                                         {ANSITerm::Operation::kSGR, 1}}));
  EXPECT_EQ(recorder.runs.back(), (Recorder::Run{1, 2, "xy"}));
}

TEST_F(ANSITermTest, RenditionsAreKeptPerCell) {
  TerminalRecord* t = SixLines();
  ANSITerm::CUP(t, 1, 1);
  ANSITerm::SGR(t, ANSITerm::kHighlight);
  ANSITerm::Write(t, "h");
  ANSITerm::SGR(t, ANSITerm::kInverse);
  ANSITerm::Write(t, "i");
  ANSITerm::SGR(t, 7);
  ANSITerm::Write(t, "n");
  ANSITerm::Update(t);
  EXPECT_EQ(ANSITerm::ScreenRendition(t, 1, 1), ANSITerm::kHighlight);
  EXPECT_EQ(ANSITerm::ScreenRendition(t, 1, 2), ANSITerm::kInverse);
  EXPECT_EQ(ANSITerm::ScreenRendition(t, 1, 3), ANSITerm::kNormal);
  ANSITerm::SGR(t, ANSITerm::kInverse);
  ANSITerm::EndMessage(t);
  EXPECT_EQ(t->rendition, ANSITerm::kNormal) << "EndMessage without a message only resets the rendition";
  EXPECT_EQ(Region(t), (std::vector<std::string>{"hin", "L2", "L3", "L4", "L5", "L6"}));
}

TEST_F(ANSITermTest, AWindowTooWideStillGives255Columns) {
  TerminalRecord* t = OpenTerminal(SetRect(0, 40, 2400, 200), 9, false);
  int lines = 0;
  int columns = 0;
  ANSITerm::GetSize(t, lines, columns);
  EXPECT_EQ(columns, ANSITerm::kMaxColumns);
  EXPECT_GT(lines, 0);
}

TEST_F(ANSITermTest, ScrollingMovesPixelsAndErasesWhatItUncovers) {
  TerminalRecord* t = SixLines();
  const Surface::Pixels& pixels = Windows::PixelsOf(t->window);
  const auto rowOf = [&](int line) {
    std::vector<Surface::Pixel> row;
    for (int y = t->top + line * t->lineHeight; y < t->top + (line + 1) * t->lineHeight; ++y) {
      for (int x = t->left; x < t->left + 3 * t->characterWidth; ++x) row.push_back(pixels.At(x, y));
    }
    return row;
  };
  const auto second = rowOf(1);
  ANSITerm::CUP(t, kRegion, 1);
  ANSITerm::ELc(t);
  const auto blankRow = rowOf(kRegion - 1);
  ANSITerm::CUP(t, kRegion, 1);
  ANSITerm::IND(t);
  EXPECT_EQ(rowOf(0), second);
  EXPECT_EQ(rowOf(kRegion - 1), blankRow);
  EXPECT_NE(second, blankRow);
}

TEST_F(ANSITermTest, TheBlockCursorInvertsItsCellAndTheBarDrawsBesideIt) {
  TerminalRecord* t = SixLines();
  const Surface::Pixels& pixels = Windows::PixelsOf(t->window);
  const Surface::Pixels before = pixels;
  ANSITerm::CUP(t, 2, 4);
  ANSITerm::CursorOn(t);
  EXPECT_TRUE(t->cursorDrawn);
  const int x = t->left + 3 * t->characterWidth;
  const int y = t->top + t->lineHeight + 1;
  EXPECT_NE(pixels.At(x + 1, y), before.At(x + 1, y));
  ANSITerm::CursorHide(t);
  EXPECT_FALSE(t->cursorDrawn);
  EXPECT_TRUE(pixels == before) << "hiding restores every pixel";

  ANSITerm::CursorShape = ANSITerm::kBarCursor;
  ANSITerm::CursorShow(t);
  EXPECT_NE(pixels.At(x - 1, y), before.At(x - 1, y));
  EXPECT_EQ(pixels.At(x + 1, y), before.At(x + 1, y));
  ANSITerm::CursorOff(t);
  EXPECT_TRUE(pixels == before);
  ANSITerm::CursorShow(t);
  EXPECT_FALSE(t->cursorDrawn) << "a disabled cursor is not shown";

  ANSITerm::CursorOn(t);
  ANSITerm::CUF(t, 1000);
  ANSITerm::CursorShow(t);
  EXPECT_FALSE(t->cursorDrawn) << "a cursor outside the grid is never drawn";
  ANSITerm::CursorShape = ANSITerm::kBlockCursor;
}

TEST_F(ANSITermTest, TheCursorBlinksOnTheCaretTime) {
  TerminalRecord* t = SixLines();
  ANSITerm::CursorOn(t);
  ASSERT_TRUE(t->cursorDrawn);
  ANSITerm::BlinkCursor(t);
  EXPECT_TRUE(t->cursorDrawn) << "not yet";
  Platform::Advance(1.0);
  ANSITerm::DoBlinkCursor(t);
  EXPECT_FALSE(t->cursorDrawn);
  Platform::Advance(1.0);
  ANSITerm::CursorOff(t);
  ANSITerm::DoBlinkCursor(t);
  EXPECT_FALSE(t->cursorDrawn) << "a cursor switched off does not blink";
}

TEST_F(ANSITermTest, AMessageGoesToTheScrollBarBandOrTheLastLine) {
  TerminalRecord* t = OpenTerminal(SetRect(40, 60, 440, 300), 12, true);
  EditState::Console = t;
  ANSITerm::SetSize(t);
  ANSITerm::EDc(t);
  ANSITerm::Write(t, "text");
  ANSITerm::CUP(t, 2, 3);
  ANSITerm::StartMessage(t);
  EXPECT_LT(EditState::WindowWidth, t->columns) << "the band is narrower than the text";
  ANSITerm::SGR(t, ANSITerm::kInverse);
  ANSITerm::Write(t, "Saved.");
  ANSITerm::EndMessage(t);
  char message[256];
  ANSITerm::ScreenMessage(t, message);
  EXPECT_STREQ(message, "Saved.");
  EXPECT_EQ(Line(t, 1), "text");
  EXPECT_EQ(Cursor(t), std::make_pair(2, 3));
  EXPECT_EQ(EditState::WindowWidth, t->columns);
  EXPECT_EQ(t->rendition, ANSITerm::kNormal);
  ANSITerm::ClearMessage(t);
  ANSITerm::ScreenMessage(t, message);
  EXPECT_STREQ(message, "");

  TerminalRecord* large = OpenTerminal(SetRect(40, 320, 600, 460), 18, true);
  ANSITerm::StartMessage(large);
  ANSITerm::Write(large, "Large");
  ANSITerm::EndMessage(large);
  EXPECT_EQ(Line(large, large->lines), "Large") << "above 14 points the last line takes the message";
  EXPECT_EQ(Cursor(large), std::make_pair(1, 1));
}

TEST_F(ANSITermTest, TinyWindowsAndEmptyFontsAreHarmless) {
  TerminalRecord* tiny = OpenTerminal(SetRect(40, 60, 44, 63), 12, false);
  int lines = -1;
  int columns = -1;
  ANSITerm::GetSize(tiny, lines, columns);
  EXPECT_EQ(lines, 0);
  EXPECT_EQ(columns, 0);
  TerminalRecord* noFont = OpenTerminal(SetRect(100, 60, 300, 200), 12, true);
  noFont->graphicsWindow->fontSize = 0;
  ANSITerm::SetSize(noFont);
  EXPECT_GE(noFont->lineHeight, 1);
  EXPECT_GE(noFont->characterWidth, 1);
  for (TerminalRecord* t : {tiny, noFont}) {
    ANSITerm::CursorOn(t);
    ANSITerm::Write(t, "some text\tthat does not fit");
    ANSITerm::IND(t);
    ANSITerm::RI(t);
    ANSITerm::IL(t, 3);
    ANSITerm::DL(t, 3);
    ANSITerm::ICH(t, 3);
    ANSITerm::DCH(t, 3);
    ANSITerm::ECH(t, 3);
    ANSITerm::EDb(t);
    ANSITerm::EDe(t);
    ANSITerm::StartMessage(t);
    ANSITerm::Write(t, "message");
    ANSITerm::ClearMessage(t);
    ANSITerm::EDc(t);
  }
  ANSITerm::TerminalRecord* none = nullptr;
  ANSITerm::CUP(none, 1, 1);
  ANSITerm::EDc(none);
  EXPECT_EQ(ANSITerm::Write(none, "x"), 0);
  EXPECT_EQ(ANSITerm::Create(false, nullptr), nullptr);
}

}  // namespace
