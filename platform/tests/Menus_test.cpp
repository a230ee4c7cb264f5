// Menus: the records, command keys, choosing from the bar, submenus and
// popups with the mouse, the tracking hooks and the timer that fires while
// a menu is open, and the look of an open menu and a popup.
#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/MenuDraw.h"
#include "platform/MenuTrack.h"
#include "platform/Menus.h"
#include "platform/Timers.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Geometry::Point;
using Geometry::Rect;

constexpr std::int32_t Result(int menu, int item) { return (menu << 16) | item; }

class MenusTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    file_ = Menus::NewMenu(2, "File");
    for (const char* item : {"Open...", "Save", "Save As..."}) Menus::AppendItem(file_, std::string(item));
    Menus::AppendSeparator(file_);
    Menus::AppendItem(file_, "Quit");
    Menus::SetItemCmd(file_, 2, 'S');
    Menus::SetItemCmd(file_, 5, 'Q');
    calibrate_ = Menus::NewMenu(3, "Calibrate");
    for (const char* item : {"Calibrate", "Full Test", "Scale Source"}) Menus::AppendItem(calibrate_, std::string(item));
    Menus::CheckItem(calibrate_, 2, true);
    source_ = Menus::NewMenu(4, "Source");
    Menus::AppendItem(source_, "EEPROM");
    Menus::AppendItem(source_, "Files");
    Menus::SetItemCmd(source_, 2, 'F');
    Menus::SetItemCmd(calibrate_, 3, Menus::kHierarchicalCmd);
    Menus::SetItemMark(calibrate_, 3, 4);
    Menus::InsertMenu(file_, 0);
    Menus::InsertMenu(calibrate_, 0);
    Menus::InsertMenu(source_, Menus::kHierarchical);
  }

  // A press on a bar title, moves to the points, release at the last.
  std::int32_t Select(const std::vector<Point>& path) {
    Headless::MoveTo(path.front());
    Headless::Down();
    for (std::size_t i = 1; i < path.size(); ++i) {
      Headless::Wait(0.05);
      Headless::MoveTo(path[i]);
    }
    Headless::Up();
    Events::EventRecord e;
    EXPECT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 10));
    return MenuTrack::MenuSelect(e.where);
  }

  Point TitleCentre(int index) {
    const Rect r = MenuDraw::TitleRect(index);
    return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  Point ItemCentre(const Menus::Menu* menu, Point origin, int item) {
    const Rect r = MenuDraw::ItemRect(menu, origin, item);
    return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  Menus::Menu* file_ = nullptr;
  Menus::Menu* calibrate_ = nullptr;
  Menus::Menu* source_ = nullptr;
};

TEST_F(MenusTest, ItemsKeepTheirTextsMarksAndKeys) {
  EXPECT_EQ(Menus::CountItems(file_), 5);
  EXPECT_TRUE(Menus::IsSeparator(file_, 4));
  EXPECT_FALSE(Menus::IsItemEnabled(file_, 4));
  Menus::SetItemEnabled(file_, 4, true);  // a separator stays disabled
  EXPECT_FALSE(Menus::IsItemEnabled(file_, 4));
  std::array<char, 8> text{};
  Menus::GetItemText(file_, 3, text);
  EXPECT_STREQ(text.data(), "Save As");
  // Texts are literal: no character has a meaning.
  Menus::SetItemText(file_, 1, "(-;^!</");
  std::array<char, 16> literal{};
  Menus::GetItemText(file_, 1, literal);
  EXPECT_STREQ(literal.data(), "(-;^!</");
  Menus::DeleteItem(file_, 2);
  EXPECT_EQ(Menus::CountItems(file_), 4);
  Menus::GetItemText(file_, 2, text);
  EXPECT_STREQ(text.data(), "Save As");
  EXPECT_EQ(Menus::GetItemCmd(file_, 4), 'Q');
  EXPECT_EQ(Menus::GetItemMark(calibrate_, 2), Menus::kCheckMark);
  EXPECT_EQ(Menus::GetSubmenu(calibrate_, 3), source_);
  EXPECT_EQ(Menus::GetSubmenu(calibrate_, 2), nullptr);
  EXPECT_EQ(Menus::GetMenuHandle(4), source_);
  EXPECT_EQ(Menus::NewMenu(0, "bad"), nullptr);
  Menus::DeleteMenu(4);
  EXPECT_EQ(Menus::GetMenuHandle(4), nullptr);
  EXPECT_EQ(Menus::GetSubmenu(calibrate_, 3), nullptr);
}

TEST_F(MenusTest, CommandKeysFindEnabledItemsAndHighlightTheirMenu) {
  EXPECT_EQ(Menus::MenuKey('q'), Result(2, 5));
  EXPECT_EQ(Menus::HilitedMenu(), 2);
  Menus::HiliteMenu(0);
  EXPECT_EQ(Menus::MenuKey('f'), Result(4, 2));  // through the submenu
  EXPECT_EQ(Menus::HilitedMenu(), 3);
  EXPECT_EQ(Menus::MenuKey(0), 0);
  EXPECT_EQ(Menus::MenuKey('x'), 0);
  Menus::SetItemEnabled(file_, 5, false);
  EXPECT_EQ(Menus::MenuKey('Q'), 0);
  Menus::SetItemEnabled(file_, 5, true);
  Menus::SetItemEnabled(file_, 0, false);
  EXPECT_EQ(Menus::MenuKey('Q'), 0);
}

TEST_F(MenusTest, ChoosingFromTheBarAndASubmenu) {
  const Point save = ItemCentre(file_, MenuDraw::PullDownOrigin(file_, 0), 2);
  EXPECT_EQ(Select({TitleCentre(0), save}), Result(2, 2));
  EXPECT_EQ(Menus::HilitedMenu(), 2);
  Menus::HiliteMenu(0);
  // Sliding from one title to the next opens the other menu.
  const Point origin = MenuDraw::PullDownOrigin(calibrate_, 1);
  EXPECT_EQ(Select({TitleCentre(0), TitleCentre(1), ItemCentre(calibrate_, origin, 1)}), Result(3, 1));
  Menus::HiliteMenu(0);
  // Into the submenu of "Scale Source".
  const Point parent = ItemCentre(calibrate_, origin, 3);
  const Rect parentItem = MenuDraw::ItemRect(calibrate_, origin, 3);
  const Point files = ItemCentre(source_, MenuDraw::SubmenuOrigin(source_, parentItem), 2);
  EXPECT_EQ(Select({TitleCentre(1), parent, files}), Result(4, 2));
  Menus::HiliteMenu(0);
  // Nothing: released on the title, on a separator, on the parent item, or
  // in a disabled menu.
  EXPECT_EQ(Select({TitleCentre(0)}), 0);
  EXPECT_EQ(Menus::HilitedMenu(), 0);
  EXPECT_EQ(Select({TitleCentre(0), ItemCentre(file_, MenuDraw::PullDownOrigin(file_, 0), 4)}), 0);
  EXPECT_EQ(Select({TitleCentre(1), parent}), 0);
  Menus::SetItemEnabled(file_, 0, false);
  EXPECT_EQ(Select({TitleCentre(0), save}), 0);
}

// What the hooks saw, in order.
std::vector<std::string> seen;

void Opening(Menus::Menu* m) { seen.push_back("open " + std::to_string(Menus::GetMenuID(m))); }
void Target(Menus::Menu* m, int item) {
  seen.push_back("target " + std::to_string(Menus::GetMenuID(m)) + "." + std::to_string(item));
}
void Closed(Menus::Menu* m) { seen.push_back("closed " + std::to_string(Menus::GetMenuID(m))); }

TEST_F(MenusTest, PopupsReportOpeningTargetsAndClosingWhileTheTimerRuns) {
  seen.clear();
  MenuTrack::SetHooks(MenuTrack::Hooks{Opening, Target, Closed});
  static int ticks = 0;
  ticks = 0;
  // The dialog framework's timer: installed when a menu opens, removed when
  // it closes, it must fire while the popup tracks.
  const int timer = Timers::Install(0.1, 0.05, [](void*) { ++ticks; }, nullptr);
  Menus::Menu* popup = Menus::NewMenu(20, "Gain");
  for (const char* item : {"0.5 mV/pA", "1 mV/pA", "2 mV/pA", "5 mV/pA"}) Menus::AppendItem(popup, std::string(item));
  Menus::SetItemEnabled(popup, 3, false);
  const Point origin = MenuDraw::PopUpOrigin(popup, 200, 300, 2);
  EXPECT_EQ(MenuDraw::ItemRect(popup, origin, 2).top, 200);
  Headless::MoveTo(Point{305, 205});
  Headless::Down();
  Headless::Wait(0.3);
  Headless::MoveTo(ItemCentre(popup, origin, 3));
  Headless::Wait(0.1);
  Headless::MoveTo(ItemCentre(popup, origin, 4));
  Headless::Up();
  Events::EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 0));
  EXPECT_EQ(MenuTrack::PopUpMenuSelect(popup, 200, 300, 2), Result(20, 4));
  Timers::Remove(timer);
  EXPECT_EQ(seen, (std::vector<std::string>{"open 20", "target 20.2", "target 20.3", "target 20.4", "closed 20"}));
  EXPECT_GE(ticks, 5);
  EXPECT_FALSE(MenuTrack::Tracking());
  // Released outside: nothing.
  Headless::MoveTo(Point{305, 205});
  Headless::Down();
  Headless::MoveTo(Point{10, 400});
  Headless::Up();
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 0));
  EXPECT_EQ(MenuTrack::PopUpMenuSelect(popup, 200, 300, 2), 0);
  MenuTrack::SetHooks(MenuTrack::Hooks{});
  Menus::DisposeMenu(popup);
}

struct Capture {
  Surface::Pixels screen;
};

void CaptureScreen(void* user) { static_cast<Capture*>(user)->screen = Desktop::Compose(); }

TEST_F(MenusTest, GoldenPulledDownMenuWithSubmenu) {
  Capture capture;
  const Point origin = MenuDraw::PullDownOrigin(calibrate_, 1);
  Headless::MoveTo(TitleCentre(1));
  Headless::Down();
  Headless::Wait(0.05);
  Headless::MoveTo(ItemCentre(calibrate_, origin, 3));
  Headless::Wait(0.05);
  Headless::Call(CaptureScreen, &capture);
  Headless::MoveTo(Point{10, 400});
  Headless::Up();
  Events::EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 0));
  EXPECT_EQ(MenuTrack::MenuSelect(e.where), 0);
  EXPECT_TRUE(MatchesGolden(capture.screen, "menu_pulled_down"));
}

TEST_F(MenusTest, GoldenPopup) {
  Capture capture;
  Menus::Menu* popup = Menus::NewMenu(21, "Filter");
  for (const char* item : {"Bessel 10 kHz", "Bessel 3 kHz", "Butterworth 1 kHz"}) {
    Menus::AppendItem(popup, std::string(item));
  }
  Menus::AppendSeparator(popup);
  Menus::AppendItem(popup, "Off");
  Menus::CheckItem(popup, 2, true);
  Menus::SetItemEnabled(popup, 5, false);
  const Point origin = MenuDraw::PopUpOrigin(popup, 150, 200, 2);
  Headless::MoveTo(Point{205, 155});
  Headless::Down();
  Headless::Wait(0.05);
  Headless::MoveTo(ItemCentre(popup, origin, 3));
  Headless::Wait(0.05);
  Headless::Call(CaptureScreen, &capture);
  Headless::Up();
  Events::EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 0));
  EXPECT_EQ(MenuTrack::PopUpMenuSelect(popup, 150, 200, 2), Result(21, 3));
  EXPECT_TRUE(MatchesGolden(capture.screen, "menu_popup"));
}

}  // namespace
