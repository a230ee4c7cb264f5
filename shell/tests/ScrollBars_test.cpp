// The scroll bars of a text window: their geometry, their values against
// the editor's view, scripted clicks on arrows, pages and the thumb, and
// the terminal steps of moving, sizing and zooming its window.
#include "shell/ScrollBars.h"

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Controls.h"
#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"
#include "platform/tests/Golden_fixture.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Geometry::Point;
using Geometry::SetRect;

// A text window of 400 x 300 pixels whose content starts at (20, 50), on a
// buffer of the given number of lines, shown 20 rows at a time.
class ScrollBarsTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Buffer::InitModule();
    ScrollBars::InitModule();
    ASSERT_TRUE(ANSITerm::Initialize());
    buffer = Buffer::Create("/Text", Buffer::kText);
    ModWindow::WindowParameters p{50, 20, 350, 420, 22, 12};
    ASSERT_TRUE(EditUtility::CreateEditTerminal(buffer, 0, p, WindowFrame::kZoomDocProc, true, true, true, window,
                                                terminal));
    EditState::Console = terminal;
    EditState::EditBuffer = buffer;
    EditState::WindowHeight = 20;
    EditState::WindowBandSize = 1;
    EditState::FirstLine = 1;
    EditState::FirstColumn = 0;
    EditState::Scrolled = false;
  }
  void TearDown() override {
    EditState::Console = nullptr;
    EditState::EditBuffer = nullptr;
    ANSITerm::Close(terminal);
    ModWindow::Remove(window);
    Buffer::Shutdown();
    Buffer::InitModule();
    MacEnv::gInBackground = false;
    SessionTest::TearDown();
  }

  void Lines(int count) {
    BufferText::Remove(buffer, 1, BufferText::RecordCount(buffer));
    for (int i = 1; i <= count; ++i) BufferText::Append(buffer, std::to_string(i));
  }
  Controls::Control* Vertical() const { return terminal->verticalScrollBar; }
  Controls::Control* Horizontal() const { return terminal->horizontalScrollBar; }

  // Presses the button at a point of the window's port, holds it for the
  // seconds and lets go there; the press goes to Track. Its answer.
  bool Press(Point local, double hold = 0.0) {
    Headless::MoveTo(Point{local.h + 20, local.v + 50});
    Headless::Down();
    Headless::Wait(hold);
    Headless::Up();
    EXPECT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, MacEnv::theEvent, 60));
    return ScrollBars::Track(terminal);
  }
  // The point of the bar's thumb nearest to its start.
  static Point Thumb(Controls::Control* bar) {
    const Geometry::Rect r = Controls::GetControlBounds(bar);
    const bool vertical = Geometry::Height(r) > Geometry::Width(r);
    for (int d = 0; d < (vertical ? Geometry::Height(r) : Geometry::Width(r)); ++d) {
      const Point p = vertical ? Point{(r.left + r.right) / 2, r.top + d} : Point{r.left + d, (r.top + r.bottom) / 2};
      if (Controls::TestControl(bar, p) == Controls::kInThumb) return p;
    }
    ADD_FAILURE() << "no thumb";
    return Point{};
  }

  BufferText::TextBuffer buffer = nullptr;
  Graphics::GraphicsWindow window = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
};

TEST(ScrollBarsGeometry, TheHorizontalBarTakesAQuarterOfTheWidthAtLeast60Pixels) {
  ScrollBars::InitModule();
  EXPECT_EQ(ScrollBars::LeftPosition(SetRect(0, 0, 400, 300)), 290);
  EXPECT_EQ(ScrollBars::LeftPosition(SetRect(0, 0, 200, 300)), 126);
  EXPECT_EQ(ScrollBars::LeftPosition(SetRect(10, 0, 60, 300)), 10);  // all of it
}

TEST_F(ScrollBarsTest, BothBarsSitAlongTheEdgesUpToTheGrowBox) {
  EXPECT_EQ(Controls::GetControlBounds(Vertical()), SetRect(385, -1, 401, 286));
  EXPECT_EQ(Controls::GetControlBounds(Horizontal()), SetRect(290, 285, 386, 301));
  EXPECT_TRUE(Controls::IsControlVisible(Vertical()));
  EXPECT_EQ(Windows::GetRefCon(ModWindow::GetMacWindow(window)), terminal);
}

TEST_F(ScrollBarsTest, ValuesFollowTheViewScaledWithinAByte) {
  Lines(15);
  ScrollBars::Update(terminal);
  EXPECT_EQ(Controls::GetControlHilite(Vertical()), Controls::kInactive);

  Lines(10255);
  EditState::FirstLine = 1;
  ScrollBars::Update(terminal);
  EXPECT_EQ(Controls::GetControlMaximum(Vertical()), 255);
  EXPECT_DOUBLE_EQ(terminal->scale, 256.0 / 10235);
  EXPECT_EQ(Controls::GetControlHilite(Vertical()), Controls::kActive);
  // The thumb let go at 127 shows line trunc(128 / scale).
  Controls::SetControlValue(Vertical(), 127);
  EXPECT_TRUE(Press(Thumb(Vertical())));
  EXPECT_EQ(EditState::FirstLine, 5117);
  EXPECT_TRUE(EditState::Scrolled);

  // The thumb's move redrew the view, which measured the window anew.
  Lines(120);
  EditState::FirstLine = 31;
  ScrollBars::Update(terminal);
  EXPECT_DOUBLE_EQ(terminal->scale, 1.0);
  EXPECT_EQ(Controls::GetControlMaximum(Vertical()), 120 - EditState::WindowHeight);
  EXPECT_EQ(Controls::GetControlValue(Vertical()), 30);

  EXPECT_EQ(Controls::GetControlMaximum(Horizontal()), terminal->columns);
  terminal->columns = 254;
  ScrollBars::Update(terminal);
  EXPECT_EQ(Controls::GetControlHilite(Horizontal()), Controls::kInactive);

  // Nothing changes while the application is in the background.
  terminal->columns = 40;
  MacEnv::gInBackground = true;
  ScrollBars::Update(terminal);
  EXPECT_EQ(Controls::GetControlHilite(Horizontal()), Controls::kInactive);
}

TEST_F(ScrollBarsTest, ATextWindowWithBothBarsAtAScaledPosition) {
  Lines(10255);
  EditState::FirstLine = 5117;
  EditState::FirstColumn = 12;
  ScrollBars::Update(terminal);
  EXPECT_TRUE(MatchesGolden(Desktop::Compose(), "text_window_bars"));
}

TEST_F(ScrollBarsTest, ArrowsAndPagesScrollTheView) {
  Lines(200);
  ScrollBars::Update(terminal);
  const Point up{393, 5};
  const Point down{393, 278};
  const Point pageDown{393, 200};
  const Point left{297, 293};
  const Point right{378, 293};
  const Point pageRight{360, 293};

  EXPECT_TRUE(Press(down));
  EXPECT_EQ(EditState::FirstLine, 2);
  EXPECT_TRUE(Press(pageDown));
  EXPECT_EQ(EditState::FirstLine, 2 + 19);
  EXPECT_EQ(Controls::GetControlValue(Vertical()), 20);
  EXPECT_TRUE(Press(up));
  EXPECT_EQ(EditState::FirstLine, 20);
  // A held arrow repeats.
  EXPECT_TRUE(Press(down, 0.55));
  EXPECT_GE(EditState::FirstLine, 24);

  EXPECT_TRUE(Press(left));  // at column 0: nothing
  EXPECT_EQ(EditState::FirstColumn, 0);
  EXPECT_TRUE(Press(right));
  EXPECT_EQ(EditState::FirstColumn, 1);
  EXPECT_TRUE(Press(pageRight));
  EXPECT_EQ(EditState::FirstColumn, 1 + terminal->columns / 2);
  EXPECT_EQ(Controls::GetControlValue(Horizontal()), EditState::FirstColumn);
  EXPECT_TRUE(Press(left));
  EXPECT_EQ(EditState::FirstColumn, terminal->columns / 2);

  EditState::Scrolled = false;
  EXPECT_FALSE(Press(Point{100, 100}));  // in the text
  EXPECT_FALSE(EditState::Scrolled);
}

// What the terminal's resize procedure finds when it is called.
std::vector<std::string> calls;
void RecordResize(ANSITerm::TerminalRecord* t) {
  const Geometry::Rect port = Windows::GetWindowPort(t->window)->portRect;
  const Geometry::Rect bar = Controls::GetControlBounds(t->verticalScrollBar);
  std::string call = bar.right == port.right + 1 && bar.bottom == port.bottom - 14 ? "bars fit" : "bars old";
  call += Windows::IsVisible(t->window) ? ", shown" : ", hidden";
  char line[256];
  ANSITerm::ScreenLine(t, 1, line);
  call += line[0] == '\0' ? ", erased" : ", text";
  if (t->resized) call += ", resized";
  calls.push_back(call);
}

TEST_F(ScrollBarsTest, MovingSizingAndZoomingATextWindowFitBarsAndOwner) {
  ANSITerm::SetEventProcs(terminal, nullptr, RecordResize, buffer);
  ANSITerm::Write(terminal, "text");
  ANSITerm::Update(terminal);
  terminal->resized = false;
  calls.clear();
  ModWindow::WindowParameters p{60, 30, 260, 330, 22, 12};
  ModWindow::SetWindowParameters(window, p);
  ASSERT_EQ(calls, (std::vector<std::string>{"bars fit, hidden, text"}));
  EXPECT_TRUE(Windows::IsVisible(ModWindow::GetMacWindow(window)));

  calls.clear();
  ModWindow::ZoomOut(window);
  ModWindow::ZoomIn(window);
  EXPECT_EQ(calls, (std::vector<std::string>{"bars fit, shown, erased", "bars fit, shown, erased"}))
      << "the full erase has consumed the resize";

  MacEnv::gInBackground = true;
  EXPECT_FALSE(ModWindow::IsInFront(window));
  MacEnv::gInBackground = false;
  EXPECT_TRUE(ModWindow::IsInFront(window));
}

}  // namespace
