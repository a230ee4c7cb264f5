// The window manager: order and activation, hit-testing, update regions,
// coordinates, zooming, the mouse tracking of its parts, and two
// overlapping windows on the desktop against a golden image.
#include "foundation/platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/Lines.h"
#include "platform/Menus.h"
#include "platform/Port.h"
#include "platform/Screen.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/WindowTrack.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>
#include <vector>

namespace {

using Geometry::Point;
using Geometry::Rect;
using Geometry::SetRect;
using Windows::Window;

class WindowsTest : public UiTest {
 protected:
  Window* Make(const Rect& r, const char* title, int procID = WindowFrame::kZoomDocProc, bool goAway = true) {
    return Windows::NewWindow(r, std::string_view(title), true, procID, true, goAway, nullptr);
  }

  // The activation events waiting, as (window, active) pairs.
  std::vector<std::pair<Window*, bool>> Activations() {
    std::vector<std::pair<Window*, bool>> out;
    Events::EventRecord e;
    while (Events::WaitNextEvent(EventQueue::kActivMask, e, 0)) {
      out.emplace_back(Events::EventWindow(e), (e.modifiers & EventQueue::kActiveFlag) != 0);
    }
    return out;
  }
};

TEST_F(WindowsTest, TheFrontmostVisibleWindowIsTheActiveOne) {
  Window* a = Make(SetRect(20, 50, 220, 200), "A");
  Window* b = Make(SetRect(100, 100, 300, 250), "B");
  using Pairs = std::vector<std::pair<Window*, bool>>;
  EXPECT_EQ(Activations(), (Pairs{{a, true}, {a, false}, {b, true}}));
  EXPECT_EQ(Windows::FrontWindow(), b);
  Windows::SelectWindow(a);
  EXPECT_EQ(Activations(), (Pairs{{b, false}, {a, true}}));
  Windows::HideWindow(a);
  EXPECT_EQ(Activations(), (Pairs{{a, false}, {b, true}}));
  EXPECT_FALSE(Windows::IsHilited(a));
  // A window made behind the others or hidden changes nothing.
  Window* c = Windows::NewWindow(SetRect(0, 30, 50, 60), "C", true, 0, false, false, nullptr);
  Windows::NewWindow(SetRect(0, 30, 50, 60), "D", false, 0, true, false, nullptr);
  EXPECT_TRUE(Activations().empty());
  Windows::SendBehind(b, nullptr);
  EXPECT_EQ(Windows::FrontWindow(), c);
  EXPECT_EQ(Activations(), (Pairs{{b, false}, {c, true}}));
  // Disposing of the active window activates the next without
  // deactivating the dead one.
  Windows::DisposeWindow(c);
  EXPECT_EQ(Activations(), (Pairs{{b, true}}));
  std::vector<Window*> order;
  for (Window* w = Windows::FirstWindow(); w != nullptr; w = Windows::NextWindow(w)) order.push_back(w);
  EXPECT_EQ(order.size(), 3u);
  EXPECT_EQ(order.back(), b);
}

TEST_F(WindowsTest, FindWindowTellsTheParts) {
  Window* back = Make(SetRect(300, 100, 500, 300), "Back", WindowFrame::kZoomDocProc);
  Window* front = Make(SetRect(100, 100, 350, 250), "Front", WindowFrame::kZoomDocProc);
  Window* dialog = Make(SetRect(400, 350, 500, 400), "", WindowFrame::kDBoxProc, false);
  Windows::SelectWindow(front);
  const Rect c = Windows::ContentRect(front);
  struct Case {
    Point p;
    int part;
    Window* w;
  };
  const std::vector<Case> cases{
      {Point{5, 5}, Windows::kInMenuBar, nullptr},
      {Point{5, 300}, Windows::kInDesk, nullptr},
      {Point{150, 150}, Windows::kInContent, front},
      {Point{c.right - 3, c.bottom - 3}, Windows::kInGrow, front},
      {Point{c.left + 12, c.top - 10}, Windows::kInGoAway, front},
      {Point{c.right - 12, c.top - 10}, Windows::kInZoomOut, front},
      {Point{200, c.top - 10}, Windows::kInDrag, front},
      {Point{c.left - 1, 150}, Windows::kInDrag, front},  // the border
      {Point{450, 200}, Windows::kInContent, back},
      // The boxes of an inactive window are title bar.
      {Point{500 - 12, 100 - 10}, Windows::kInDrag, back},
      {Point{500 - 3, 300 - 3}, Windows::kInContent, back},
      {Point{398, 360}, Windows::kInContent, dialog},
  };
  for (const Case& k : cases) {
    Window* hit = nullptr;
    EXPECT_EQ(Windows::FindWindow(k.p, &hit), k.part) << k.p.h << "," << k.p.v;
    EXPECT_EQ(hit, k.w) << k.p.h << "," << k.p.v;
  }
  Windows::ZoomWindow(front, Windows::kInZoomOut, false);
  const Rect z = Windows::ContentRect(front);
  Window* hit = nullptr;
  EXPECT_EQ(Windows::FindWindow(Point{z.right - 12, z.top - 10}, &hit), Windows::kInZoomIn);
}

TEST_F(WindowsTest, UpdateRegionsLimitDrawingAndAreNotTouchedByScrolling) {
  Window* w = Make(SetRect(50, 50, 150, 130), "U");
  Events::EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kUpdateMask, e, 0));
  EXPECT_EQ(Events::EventWindow(e), w);
  Windows::BeginUpdate(w);
  Windows::EndUpdate(w);
  EXPECT_FALSE(Events::WaitNextEvent(EventQueue::kUpdateMask, e, 0));
  Windows::InvalRect(w, SetRect(10, 10, 20, 20));
  Windows::InvalRect(w, SetRect(90, 70, 200, 200));  // cut to the content
  Windows::ValidRect(w, SetRect(10, 10, 15, 20));
  Region::Rgn expected(SetRect(15, 10, 20, 20));
  expected.Union(SetRect(90, 70, 100, 80));
  EXPECT_TRUE(Region::EqualRgn(Windows::GetUpdateRgn(w), expected));
  Port::SetPort(Windows::GetWindowPort(w));
  Windows::BeginUpdate(w);
  Shapes::PaintRect(SetRect(0, 0, 100, 80));
  Windows::EndUpdate(w);
  EXPECT_EQ(Windows::PixelsOf(w).At(16, 12), 0u);
  EXPECT_EQ(Windows::PixelsOf(w).At(12, 12), 0xFFFFFFu);
  EXPECT_TRUE(Windows::GetUpdateRgn(w).Empty());
  // Hidden windows get no update events.
  Windows::InvalRect(w, SetRect(0, 0, 5, 5));
  Windows::HideWindow(w);
  EXPECT_FALSE(Events::WaitNextEvent(EventQueue::kUpdateMask, e, 0));
  Windows::ShowWindow(w);
  EXPECT_TRUE(Events::WaitNextEvent(EventQueue::kUpdateMask, e, 0));
}

TEST_F(WindowsTest, PortsConvertBetweenLocalAndGlobal) {
  Window* w = Make(SetRect(120, 80, 220, 180), "G");
  Port::SetPort(Windows::GetWindowPort(w));
  Point p{5, 7};
  Port::LocalToGlobal(p);
  EXPECT_EQ(p, (Point{125, 87}));
  Windows::MoveWindow(w, 200, 300, false);
  Port::GlobalToLocal(p);
  EXPECT_EQ(p, (Point{-75, -213}));
  EXPECT_EQ(Windows::GetWindowFromPort(Port::GetPort()), w);
  Windows::DisposeWindow(w);
  EXPECT_EQ(Port::GetPort(), nullptr);
}

TEST_F(WindowsTest, SizingKeepsPixelsAndUpdatesTheNewPart) {
  Window* w = Make(SetRect(100, 100, 200, 150), "S");
  Windows::ValidRect(w, SetRect(0, 0, 1000, 1000));
  Port::SetPort(Windows::GetWindowPort(w));
  Shapes::PaintRect(SetRect(0, 0, 10, 10));
  Windows::SizeWindow(w, 150, 40, true);
  EXPECT_EQ(Windows::ContentRect(w), SetRect(100, 100, 250, 140));
  EXPECT_EQ(Windows::PixelsOf(w).At(5, 5), 0u);
  EXPECT_TRUE(Region::EqualRgn(Windows::GetUpdateRgn(w), Region::Rgn(SetRect(100, 0, 150, 40))));
  EXPECT_EQ(Port::GetPortBounds(), SetRect(0, 0, 150, 40));
  // Zooming out and in restores the rectangle; the standard state can be
  // set.
  Windows::SetStandardState(w, SetRect(10, 50, 400, 300));
  Windows::ZoomWindow(w, Windows::kInZoomOut, false);
  EXPECT_EQ(Windows::ContentRect(w), SetRect(10, 50, 400, 300));
  EXPECT_EQ(Windows::GetUserState(w), SetRect(100, 100, 250, 140));
  Windows::ZoomWindow(w, Windows::kInZoomIn, false);
  EXPECT_EQ(Windows::ContentRect(w), SetRect(100, 100, 250, 140));
  EXPECT_TRUE(Region::EqualRgn(Windows::GetUpdateRgn(w), Region::Rgn(SetRect(0, 0, 150, 40))));
  Windows::SizeWindow(w, -5, 100000, false);
  EXPECT_EQ(Geometry::Width(Windows::ContentRect(w)), 0);
  EXPECT_EQ(Geometry::Height(Windows::ContentRect(w)), Surface::kMaxSide);
}

TEST_F(WindowsTest, TitlesKindsAndReferencesAreKept) {
  int owner = 0;
  Window* w = Windows::NewWindow(SetRect(0, 40, 10, 50), "Notebook", false, 4, false, false, &owner);
  std::array<char, 6> title{};
  Windows::GetTitle(w, title);
  EXPECT_STREQ(title.data(), "Noteb");
  EXPECT_EQ(Windows::GetRefCon(w), &owner);
  EXPECT_EQ(Windows::GetKind(w), Windows::kUserKind);
  Windows::SetKind(w, Windows::kDialogKind);
  EXPECT_EQ(Windows::GetKind(w), Windows::kDialogKind);
  EXPECT_EQ(Windows::GetProcID(w), 4);
  // A reversed rectangle gives an empty window.
  Window* r = Windows::NewWindow(SetRect(100, 100, 50, 50), "R", true, 0, true, false, nullptr);
  EXPECT_EQ(Windows::ContentRect(r), SetRect(100, 100, 100, 100));
}

TEST_F(WindowsTest, DraggingMovesByThePointersTravel) {
  Window* back = Make(SetRect(300, 200, 400, 300), "Back");
  Window* w = Make(SetRect(100, 100, 200, 200), "Drag");
  Windows::SelectWindow(back);
  Headless::MoveTo(Point{150, 90});
  Headless::Down();
  Headless::Wait(0.1);
  Headless::MoveTo(Point{170, 95});
  Headless::Wait(0.1);
  Headless::MoveTo(Point{190, 120});
  Headless::Up();
  Events::EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 10));
  Window* hit = nullptr;
  ASSERT_EQ(Windows::FindWindow(e.where, &hit), Windows::kInDrag);
  WindowTrack::DragWindow(hit, e.where, Screen::AvailableBounds());
  EXPECT_EQ(Windows::ContentRect(w), SetRect(140, 130, 240, 230));
  EXPECT_EQ(Windows::FrontWindow(), w);
  // Released outside the bounds: no move.
  Headless::MoveTo(Point{180, 120});
  Headless::Down();
  Headless::MoveTo(Point{180, 5});
  Headless::Up();
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 10));
  WindowTrack::DragWindow(w, e.where, Screen::AvailableBounds());
  EXPECT_EQ(Windows::ContentRect(w), SetRect(140, 130, 240, 230));
}

TEST_F(WindowsTest, GrowingKeepsWithinTheSizeLimits) {
  Window* w = Make(SetRect(100, 100, 300, 200), "Grow");
  struct Case {
    Point release;
    std::int32_t result;
  };
  const std::vector<Case> cases{
      {Point{350, 230}, (133 << 16) | 253},
      {Point{100, 100}, (32 << 16) | 84},  // the minimum
      {Point{297, 197}, 0},                // unchanged
  };
  for (const Case& c : cases) {
    Headless::MoveTo(Point{297, 197});
    Headless::Down();
    Headless::Wait(0.05);
    Headless::MoveTo(c.release);
    Headless::Up();
    Events::EventRecord e;
    ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 10));
    EXPECT_EQ(WindowTrack::GrowWindow(w, e.where, SetRect(84, 32, 32767, 32767)), c.result);
  }
}

TEST_F(WindowsTest, BoxesCountOnlyWhenReleasedInside) {
  Window* w = Make(SetRect(100, 100, 300, 200), "Boxes");
  const Rect close = WindowFrame::CloseBox(Windows::ContentRect(w));
  const Point inside{close.left + 3, close.top + 3};
  struct Case {
    Point release;
    bool inside;
  };
  for (const Case& c : {Case{inside, true}, Case{Point{inside.h + 40, inside.v}, false}}) {
    Headless::MoveTo(inside);
    Headless::Down();
    Headless::Wait(0.05);
    Headless::MoveTo(c.release);
    Headless::Up();
    Events::EventRecord e;
    ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 10));
    EXPECT_EQ(WindowTrack::TrackGoAway(w, e.where), c.inside);
  }
  const Rect zoom = WindowFrame::ZoomBox(Windows::ContentRect(w));
  Headless::Click(Point{zoom.left + 2, zoom.top + 2});
  Events::EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 10));
  EXPECT_TRUE(WindowTrack::TrackBox(w, e.where, Windows::kInZoomOut));
  EXPECT_FALSE(WindowTrack::TrackBox(w, e.where, Windows::kInContent));
}

// Two overlapping windows with their frames: an inactive notebook behind an
// active plot window with close, zoom and grow boxes; a dialog frame; the
// menu bar.
TEST_F(WindowsTest, GoldenDesktop) {
  Menus::InsertMenu(Menus::NewMenu(2, "File"), 0);
  Menus::InsertMenu(Menus::NewMenu(3, "Edit"), 0);
  Menus::InsertMenu(Menus::NewMenu(4, "Calibrate"), 0);
  Window* notebook = Make(SetRect(30, 60, 330, 260), "Notebook", WindowFrame::kZoomDocProc);
  Port::SetPort(Windows::GetWindowPort(notebook));
  Port::TextFont(Fonts::kCourier);
  Port::TextSize(12);
  for (int line = 0; line < 8; ++line) {
    Port::MoveTo(5, 15 + line * 15);
    Text::DrawString("Board 1: offset 0.12 mV, gain 1.000");
  }
  Window* plot = Make(SetRect(200, 150, 520, 380), "Test Plot", WindowFrame::kZoomDocProc);
  Port::SetPort(Windows::GetWindowPort(plot));
  Shapes::FrameRect(SetRect(10, 10, 310, 200));
  Port::RGBForeColor(Color::kBlue);
  Port::MoveTo(10, 105);
  for (int x = 10; x < 310; x += 6) Lines::LineTo(x, 105 - ((x * 7) % 60) + 30);
  Port::RGBForeColor(Color::kBlack);
  Port::TextFont(Fonts::kHelvetica);
  Port::MoveTo(12, 220);
  Text::DrawString("Gain and phase");
  Windows::DrawGrowIcon(plot);
  Window* dialog = Windows::NewWindow(SetRect(450, 60, 600, 120), "", true, WindowFrame::kDBoxProc, false, false, nullptr);
  Port::SetPort(Windows::GetWindowPort(dialog));
  Port::TextFont(Fonts::kHelvetica);
  Port::MoveTo(10, 30);
  Text::DrawString("Initialize");
  EXPECT_TRUE(MatchesGolden(Desktop::Compose(), "desktop_windows"));
}

}  // namespace
