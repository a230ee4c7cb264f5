// End to end: measurements on the simulated AD/DA board are written through
// the console output into the notebook buffer (Shell::List); a buffer window
// opened on it at its end shows the last lines, and the scroll bars' page
// parts and a search move through it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "acquisition/ADMeasure.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "foundation/BufferText.h"
#include "foundation/TermIO.h"
#include "platform/Controls.h"
#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/Port.h"
#include "platform/Session.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "shell/MacEnv.h"
#include "shell/ScrollBars.h"
#include "shell/Shell.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/LineEditor.h"

namespace {

constexpr int kMeasurements = 120;

// The board of the parameter, the screen and the console window as the
// program has them.
class ListWindowTest : public MeasurementBench {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Session::OpenHeadless()) << Session::ErrorText();
    ASSERT_NO_FATAL_FAILURE(MeasurementBench::SetUp());
    LineEditor::InitModule();
    ASSERT_NE(Shell::RootTerminal, nullptr);
  }
  void TearDown() override {
    EditUtility::CloseBufferWindow(Shell::List);
    EditState::EditBuffer = nullptr;
    Shell::Shutdown();
    MeasurementBench::TearDown();
    Headless::ClearSteps();
    Session::Close();
  }

  static std::string ListLine(std::int32_t n) {
    char line[257] = "";
    BufferText::Get(Shell::List, n, line);
    return line;
  }
  static std::string Row(int row) {
    char text[ANSITerm::kMaxColumns + 1] = "";
    ANSITerm::ScreenLine(EditState::Console, row, text);
    return text;
  }
  // A click in the vertical bar's page part above (up) or below its thumb.
  static void PressPage(bool up) {
    ANSITerm::TerminalRecord* t = EditState::Console;
    const Geometry::Rect bar = Controls::GetControlBounds(t->verticalScrollBar);
    Geometry::Point local{(bar.left + bar.right) / 2, 0};
    for (int v = bar.top; v < bar.bottom; ++v) {
      const Geometry::Point p{local.h, up ? v : bar.bottom - 1 - (v - bar.top)};
      if (Controls::TestControl(t->verticalScrollBar, p) == (up ? Controls::kInPageUp : Controls::kInPageDown)) {
        local = p;
        break;
      }
    }
    Port::SetPort(Windows::GetWindowPort(t->window));
    Port::LocalToGlobal(local);
    Headless::Click(local);
    ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, MacEnv::theEvent, 60));
    ASSERT_TRUE(ScrollBars::Track(t));
  }
};

INSTANTIATE_TEST_SUITE_P(Board, ListWindowTest, ::testing::Values(ZRVBase::BoardZRV28), BoardName);

TEST_P(ListWindowTest, MeasurementsInTheNotebookShownAtItsEndPagedAndSearched) {
  Connect(AnalogCircuit::Gain(-0.5));
  for (int i = 1; i <= kMeasurements; ++i) {
    const double gain = ADMeasure::Gain(kDac, kAdc, 0.02 * i, 10e-6);
    TermIO::WriteString("measurement ");
    TermIO::WriteInt(i, 3);
    TermIO::WriteString(": gain ");
    TermIO::WriteRealFixed(gain, 8, 3);
    TermIO::WriteLn();
  }
  TermIO::Flush();
  const std::int32_t lines = BufferText::RecordCount(Shell::List);
  ASSERT_GE(lines, kMeasurements);
  EXPECT_NE(ListLine(lines).find("measurement 120: gain   -0.500"), std::string::npos) << ListLine(lines);

  // Opened at the end: the last lines fill the window's last rows.
  ASSERT_TRUE(EditUtility::OpenBufferWindow(Shell::List, true));
  EditUtility::SetupBuffer(Shell::List, true, true, true);
  ASSERT_EQ(EditState::ListConsole, EditState::Console);
  const std::int32_t height = EditState::WindowHeight;
  ASSERT_GT(height, 3);
  EXPECT_EQ(EditState::FirstLine, lines - height + 1);
  EXPECT_EQ(EditState::CursorLine, lines);
  for (int row = 1; row <= height; ++row) EXPECT_EQ(Row(row), ListLine(EditState::FirstLine + row - 1));

  // A page up and a page down through the scroll bar.
  const std::int32_t page = height - EditState::WindowBandSize;
  const std::int32_t end = EditState::FirstLine;
  ASSERT_NO_FATAL_FAILURE(PressPage(true));
  EXPECT_EQ(EditState::FirstLine, end - page);
  EXPECT_EQ(Row(1), ListLine(end - page));
  ASSERT_NO_FATAL_FAILURE(PressPage(false));
  EXPECT_EQ(EditState::FirstLine, end);

  // A search backwards to an early measurement brings it into view.
  EditState::Forward = false;
  ASSERT_TRUE(EditUtility::FindString("measurement  40:"));
  EXPECT_NE(ListLine(EditState::CursorLine).find("measurement  40:"), std::string::npos);
  const std::int32_t row = EditState::CursorLine - EditState::FirstLine + 1;
  ASSERT_TRUE(row >= 1 && row <= height);
  EXPECT_EQ(Row(row), ListLine(EditState::CursorLine));

  // Selected to the end of the next line, with a message on the line below.
  EditState::SelectActive = true;
  EditState::SelectLine = EditState::CursorLine;
  EditState::SelectColumn = EditState::CursorColumn;
  EditDisplay::MoveCursor(EditState::CursorLine + 1, BufferText::RecordLength(Shell::List, EditState::CursorLine + 1) + 1);
  EditDisplay::Message("Found: measurement 40");
  EXPECT_EQ(ANSITerm::ScreenRendition(EditState::Console, row, 1), ANSITerm::kHighlight);
  EXPECT_TRUE(MatchesGolden(Desktop::Compose(), "list_window_measurements"));
}

}  // namespace
