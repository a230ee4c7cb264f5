// Golden screen of two terminal windows: the three renditions, a region
// that has scrolled, block and bar cursors, and a message in the scroll-bar
// band and (font above 14 points) in the last line.
#include "platform/Desktop.h"
#include "platform/tests/Golden_fixture.h"
#include "terminal/ANSITerm.h"
#include "terminal/tests/Terminal_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ANSITerm::TerminalRecord;

class TerminalGoldenTest : public TerminalTest {};

void WriteLine(TerminalRecord* t, const std::string& text) {
  ANSITerm::Write(t, text);
  ANSITerm::CUP(t, 32767, 1);
  ANSITerm::NEL(t);
}

TEST_F(TerminalGoldenTest, RenditionsScrollingCursorsAndMessages) {
  TerminalRecord* console = OpenTerminal(Geometry::SetRect(20, 40, 380, 220), 12, true);
  for (int n = 1; n <= 14; ++n) WriteLine(console, "Line " + std::to_string(n) + " scrolls up");
  ANSITerm::SGR(console, ANSITerm::kNormal);
  ANSITerm::Write(console, "Normal ");
  ANSITerm::SGR(console, ANSITerm::kHighlight);
  ANSITerm::Write(console, "Highlight");
  ANSITerm::SGR(console, ANSITerm::kInverse);
  ANSITerm::Write(console, " Inverse ");
  ANSITerm::SGR(console, ANSITerm::kNormal);
  ANSITerm::Write(console, "\tand\rcodes");
  ANSITerm::StartMessage(console);
  ANSITerm::Write(console, "Message in the band");
  ANSITerm::EndMessage(console);
  ANSITerm::CursorOn(console);

  TerminalRecord* large = OpenTerminal(Geometry::SetRect(200, 250, 620, 460), 18, true);
  ANSITerm::Write(large, "Courier 18");
  ANSITerm::StartMessage(large);
  ANSITerm::SGR(large, ANSITerm::kInverse);
  ANSITerm::Write(large, "Message on the last line");
  ANSITerm::EndMessage(large);
  ANSITerm::CursorShape = ANSITerm::kBarCursor;
  ANSITerm::CUP(large, 2, 4);
  ANSITerm::CursorOn(large);
  ANSITerm::CursorShape = ANSITerm::kBlockCursor;

  EXPECT_TRUE(MatchesGolden(Desktop::Compose(), "terminal_windows"));
}

}  // namespace
