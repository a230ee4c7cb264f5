// Controls: values within their range, hit testing by state, tracking of
// buttons and scroll-bar parts on the virtual clock, the thumb dragged to a
// value; menus from the resources and the font list; a scroll bar in each
// state and the font menu popped up against golden images.
#include "platform/Controls.h"
#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/MenuDraw.h"
#include "platform/MenuTrack.h"
#include "platform/Menus.h"
#include "platform/ResourceMenus.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using Geometry::Point;
using Geometry::Rect;
using Geometry::SetRect;

class ControlsTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    window_ = Windows::NewWindow(SetRect(100, 100, 400, 360), std::string_view("Controls"), true, 4, true, false,
                                 nullptr);
  }

  // A vertical bar 16 x 200 at (20, 20): arrows of 16, a thumb of 16, so
  // the thumb travels 152 pixels.
  Controls::Control* Bar(int value, int maximum) {
    return Controls::NewControl(window_, SetRect(20, 20, 36, 220), "", true, value, 0, maximum,
                                Controls::kScrollBarProc, nullptr);
  }

  Point Global(Point local) const {
    const Rect content = Windows::ContentRect(window_);
    return Point{content.left + local.h, content.top + local.v};
  }

  // Takes the press the script queued and tracks the control from it.
  int Track(Controls::Control* c, Controls::ActionProc action) {
    Events::EventRecord e;
    EXPECT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 0));
    const Rect content = Windows::ContentRect(window_);
    return Controls::TrackControl(c, Point{e.where.h - content.left, e.where.v - content.top}, action);
  }

  Windows::Window* window_ = nullptr;
};

int actions = 0;
int lastPart = 0;

void Count(Controls::Control*, int part) {
  ++actions;
  lastPart = part;
}

TEST_F(ControlsTest, ValuesStayWithinTheRange) {
  Controls::Control* c = Bar(150, 100);
  EXPECT_EQ(Controls::GetControlValue(c), 100);
  Controls::SetControlValue(c, -5);
  EXPECT_EQ(Controls::GetControlValue(c), 0);
  Controls::SetControlMinimum(c, 10);
  EXPECT_EQ(Controls::GetControlValue(c), 10);
  Controls::SetControlMaximum(c, 5);
  EXPECT_EQ(Controls::GetControlMaximum(c), 10);
  EXPECT_EQ(Controls::NewControl(window_, SetRect(0, 0, 9, 9), "", true, 0, 0, 1, 99, nullptr), nullptr);
  EXPECT_EQ(Controls::NewControl(nullptr, SetRect(0, 0, 9, 9), "", true, 0, 0, 1, 0, nullptr), nullptr);
}

TEST_F(ControlsTest, HitTestingFollowsThePartsAndTheState) {
  Controls::Control* c = Bar(0, 100);
  struct Case {
    Point at;
    int part;
  };
  const Case cases[] = {
      {{28, 25}, Controls::kInUpButton}, {{28, 215}, Controls::kInDownButton}, {{28, 40}, Controls::kInThumb},
      {{28, 120}, Controls::kInPageDown}, {{50, 120}, Controls::kNoPart},
  };
  for (const Case& k : cases) EXPECT_EQ(Controls::TestControl(c, k.at), k.part) << k.at.v;
  Controls::SetControlValue(c, 100);
  EXPECT_EQ(Controls::TestControl(c, Point{28, 120}), Controls::kInPageUp);
  Controls::HiliteControl(c, Controls::kInactive);
  EXPECT_EQ(Controls::TestControl(c, Point{28, 25}), Controls::kNoPart);
  Controls::HiliteControl(c, Controls::kActive);
  Controls::SetControlMaximum(c, 0);
  EXPECT_EQ(Controls::TestControl(c, Point{28, 25}), Controls::kNoPart);
  Controls::HideControl(c);
  Controls::Control* found = c;
  EXPECT_EQ(Controls::FindControl(Point{28, 25}, window_, &found), Controls::kNoPart);
  EXPECT_EQ(found, nullptr);
  Controls::Control* button =
      Controls::NewControl(window_, SetRect(100, 20, 160, 40), "OK", true, 0, 0, 1, Controls::kPushButProc, nullptr);
  EXPECT_EQ(Controls::FindControl(Point{110, 30}, window_, &found), Controls::kInButton);
  EXPECT_EQ(found, button);
}

TEST_F(ControlsTest, AnArrowHeldRepeatsItsActionAtTheSetRate) {
  for (const double held : {0.0, 0.55, 1.05, 3.02}) {
    SCOPED_TRACE(held);
    Controls::Control* c = Bar(50, 100);
    actions = 0;
    Headless::MoveTo(Global(Point{28, 215}));
    Headless::Down();
    Headless::Wait(held);
    Headless::Up();
    EXPECT_EQ(Track(c, Count), Controls::kInDownButton);
    EXPECT_EQ(actions, 1 + static_cast<int>(held / Controls::kRepeatSeconds));
    EXPECT_EQ(lastPart, Controls::kInDownButton);
    Controls::DisposeControl(c);
  }
}

TEST_F(ControlsTest, APagePartStopsRepeatingWhileThePointerIsOffIt) {
  Controls::Control* c = Bar(0, 100);
  actions = 0;
  Headless::MoveTo(Global(Point{28, 150}));
  Headless::Down();
  Headless::Wait(0.25);
  Headless::MoveTo(Global(Point{80, 150}));
  Headless::Wait(1.0);
  Headless::Up();
  EXPECT_EQ(Track(c, Count), Controls::kNoPart);
  EXPECT_EQ(actions, 3);
}

TEST_F(ControlsTest, ADraggedThumbLandsOnTheValueUnderIt) {
  struct Case {
    int dv;
    int value;
  };
  // 152 pixels of travel for 0 .. 100.
  for (const Case& k : {Case{76, 50}, Case{38, 25}, Case{500, 100}, Case{-40, 0}, Case{0, 0}}) {
    SCOPED_TRACE(k.dv);
    Controls::Control* c = Bar(0, 100);
    Headless::MoveTo(Global(Point{28, 44}));
    Headless::Down();
    Headless::MoveTo(Global(Point{28, 44 + k.dv / 2}));
    Headless::MoveTo(Global(Point{28, 44 + k.dv}));
    Headless::Up();
    actions = 0;
    EXPECT_EQ(Track(c, Count), Controls::kInThumb);
    EXPECT_EQ(Controls::GetControlValue(c), k.value);
    EXPECT_EQ(actions, 0);
    Controls::DisposeControl(c);
  }
}

TEST_F(ControlsTest, AButtonCountsOnlyWhenReleasedOnIt) {
  Controls::Control* b =
      Controls::NewControl(window_, SetRect(100, 20, 160, 40), "OK", true, 0, 0, 1, Controls::kPushButProc, nullptr);
  Headless::Click(Global(Point{130, 30}));
  EXPECT_EQ(Track(b, nullptr), Controls::kInButton);
  Headless::MoveTo(Global(Point{130, 30}));
  Headless::Down();
  Headless::MoveTo(Global(Point{200, 100}));
  Headless::Up();
  EXPECT_EQ(Track(b, nullptr), Controls::kNoPart);
  EXPECT_EQ(Controls::GetControlHilite(b), Controls::kActive);
}

TEST_F(ControlsTest, ScrollBarsInEachStateMatchTheirGolden) {
  const auto bar = [&](const Rect& r, int value, int maximum) {
    return Controls::NewControl(window_, r, "", true, value, 0, maximum, Controls::kScrollBarProc, nullptr);
  };
  bar(SetRect(10, 10, 26, 210), 0, 100);
  bar(SetRect(40, 10, 56, 210), 60, 100);
  Controls::HiliteControl(bar(SetRect(70, 10, 86, 210), 30, 100), Controls::kInUpButton);
  Controls::HiliteControl(bar(SetRect(100, 10, 116, 210), 30, 100), Controls::kInDownButton);
  Controls::HiliteControl(bar(SetRect(130, 10, 146, 210), 30, 100), Controls::kInactive);
  bar(SetRect(160, 10, 176, 210), 0, 0);
  bar(SetRect(190, 10, 290, 26), 50, 100);
  bar(SetRect(190, 40, 290, 56), 0, 0);
  Controls::NewControl(window_, SetRect(190, 80, 290, 100), "Button", true, 0, 0, 1, Controls::kPushButProc, nullptr);
  Controls::NewControl(window_, SetRect(190, 110, 290, 128), "Box", true, 1, 0, 1, Controls::kCheckBoxProc, nullptr);
  Controls::NewControl(window_, SetRect(190, 135, 290, 153), "Radio", true, 1, 0, 1, Controls::kRadioButProc, nullptr);
  Controls::HiliteControl(
      Controls::NewControl(window_, SetRect(190, 160, 290, 180), "Dimmed", true, 0, 0, 1, Controls::kPushButProc, nullptr),
      Controls::kInactive);
  EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(window_), "controls"));
}

TEST_F(ControlsTest, MenusComeFromTheResources) {
  std::vector<Menus::Menu*> bar;
  ASSERT_TRUE(ResourceMenus::GetNewMBar(129, bar));
  ASSERT_EQ(bar.size(), 1u);
  EXPECT_EQ(Menus::GetMenuID(bar[0]), 1);
  EXPECT_GE(Menus::CountItems(bar[0]), 1);
  ResourceMenus::SetMenuBar(bar);
  EXPECT_EQ(Menus::BarCount(), 1);
  EXPECT_EQ(Menus::BarMenu(0), bar[0]);
  EXPECT_FALSE(ResourceMenus::GetNewMBar(128, bar));
  EXPECT_TRUE(bar.empty());
  EXPECT_EQ(ResourceMenus::GetMenu(77), nullptr);
}

struct Capture {
  Surface::Pixels screen;
};

void CaptureScreen(void* user) { static_cast<Capture*>(user)->screen = Desktop::Compose(); }

TEST_F(ControlsTest, TheFontMenuPopsUpWithEveryFont) {
  Menus::Menu* fonts = Menus::NewMenu(32767, "Fonts");
  ResourceMenus::AppendFontList(fonts);
  ASSERT_EQ(Menus::CountItems(fonts), 5);
  char name[32];
  Menus::GetItemText(fonts, 1, name);
  EXPECT_EQ(std::string(name), "Courier");
  Menus::CheckItem(fonts, 2, true);
  Menus::InsertMenu(fonts, Menus::kHierarchical);
  const Point origin = MenuDraw::PopUpOrigin(fonts, 150, 200, 2);
  const Rect third = MenuDraw::ItemRect(fonts, origin, 3);
  Capture capture;
  Headless::MoveTo(Point{205, 155});
  Headless::Down();
  Headless::Wait(0.05);
  Headless::MoveTo(Point{(third.left + third.right) / 2, (third.top + third.bottom) / 2});
  Headless::Wait(0.05);
  Headless::Call(CaptureScreen, &capture);
  Headless::Up();
  Events::EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 0));
  EXPECT_EQ(MenuTrack::PopUpMenuSelect(fonts, 150, 200, 2) & 0xFFFF, 3);
  EXPECT_TRUE(MatchesGolden(capture.screen, "font_menu"));
  Menus::DeleteMenu(32767);
  Menus::DisposeMenu(fonts);
}

}  // namespace
