// The event queue and the Event Manager calls: waiting, peeking, flushing,
// key and mouse events with their modifiers, the key map, update and
// activate events, suspend and resume, high-level events, timers, the
// pointer warp and the headless scripts that drive them.
#include "foundation/platform/Clock.h"
#include "foundation/platform/Host.h"
#include "platform/AppleEvents.h"
#include "platform/Cursor.h"
#include "platform/Events.h"
#include "platform/KeyCodes.h"
#include "platform/Timers.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Events::EventRecord;
using Geometry::Point;
using Geometry::SetRect;

class EventsTest : public UiTest {};

TEST_F(EventsTest, WaitingWithoutEventsTakesTheSleepAndGivesANullEvent) {
  const double start = Platform::ElapsedSeconds();
  EventRecord e;
  EXPECT_FALSE(Events::WaitNextEvent(EventQueue::kEveryEvent, e, 60));
  EXPECT_NEAR(Platform::ElapsedSeconds() - start, 60 / Platform::kTicksPerSecond, 1e-6);
  EXPECT_EQ(e.what, EventQueue::kNullEvent);
  EXPECT_EQ(e.modifiers, EventQueue::kBtnState);
  EXPECT_FALSE(Events::WaitNextEvent(EventQueue::kEveryEvent, e, 0));
}

TEST_F(EventsTest, ScriptedStepsArriveWhenTheirTimeComes) {
  Headless::Wait(2.0);
  Headless::Click(Point{100, 120});
  const double start = Platform::ElapsedSeconds();
  EventRecord e;
  EXPECT_FALSE(Events::WaitNextEvent(EventQueue::kEveryEvent, e, 60));  // one second: too early
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kEveryEvent, e, 120));
  EXPECT_NEAR(Platform::ElapsedSeconds() - start, 2.0, 1e-6);
  EXPECT_EQ(e.what, EventQueue::kMouseDown);
  EXPECT_EQ(e.where, (Point{100, 120}));
  EXPECT_EQ(e.modifiers & EventQueue::kBtnState, 0);
  EXPECT_EQ(e.when, Platform::Tick_Count());
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kEveryEvent, e, 0));
  EXPECT_EQ(e.what, EventQueue::kMouseUp);
  EXPECT_EQ(e.modifiers & EventQueue::kBtnState, EventQueue::kBtnState);
}

TEST_F(EventsTest, PeekingLeavesTheEventAndFlushingStopsAtTheStopMask) {
  Headless::Key(KeyCodes::kUpArrow, 30, 0);
  Headless::Click(Point{5, 300});
  Headless::Key(0, 'a', 0);
  EventRecord e;
  ASSERT_TRUE(Events::EventAvail(EventQueue::kKeyDownMask, e));
  EXPECT_EQ(e.message, (static_cast<std::uintptr_t>(KeyCodes::kUpArrow) << 8) | 30u);
  ASSERT_TRUE(Events::EventAvail(EventQueue::kKeyDownMask, e));
  EXPECT_EQ(e.message & 0xFF, 30u);
  // Let every step arrive, then flush keys up to the first mouse-down.
  while (Headless::PendingSteps() > 0) Events::Idle(0.0);
  Events::FlushEvents(EventQueue::kKeyDownMask | EventQueue::kKeyUpMask, EventQueue::kMouseDownMask);
  std::vector<int> left;
  while (Events::WaitNextEvent(EventQueue::kEveryEvent, e, 0)) left.push_back(e.what);
  EXPECT_EQ(left, (std::vector<int>{EventQueue::kMouseDown, EventQueue::kMouseUp, EventQueue::kKeyDown,
                                    EventQueue::kKeyUp}));
}

TEST_F(EventsTest, KeysCarryVirtualCodesModifiersAndTheKeyMap) {
  ASSERT_TRUE(Headless::RunScript("hold shift\nkey q cmd option\nkey F5\nrelease shift\n"));
  EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kKeyDownMask, e, 0));
  EXPECT_EQ((e.message >> 8) & 0xFF, 12u);  // the Q key
  EXPECT_EQ(e.message & 0xFF, static_cast<unsigned>('q'));
  EXPECT_EQ(e.modifiers & 0xFF00, EventQueue::kCmdKey | EventQueue::kOptionKey | EventQueue::kShiftKey);
  Input::KeyMap keys;
  Events::GetKeys(keys);
  EXPECT_EQ(keys[KeyCodes::kShift >> 3], 1 << (KeyCodes::kShift & 7));  // shift (56) held: byte 7, bit 0
  EXPECT_EQ(keys[KeyCodes::kCommand >> 3], 0);
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kKeyDownMask, e, 0));
  EXPECT_EQ((e.message >> 8) & 0xFF, static_cast<unsigned>(KeyCodes::kF5));
  EXPECT_EQ(e.message & 0xFF, 16u);
  EXPECT_EQ(e.modifiers & 0xFF00, EventQueue::kShiftKey);
  while (Headless::PendingSteps() > 0) Events::Idle(0.0);
  Events::GetKeys(keys);
  EXPECT_EQ(keys, Input::KeyMap{});
  EXPECT_EQ(Events::GetDblTime(), 30u);
  EXPECT_EQ(Events::GetCaretTime(), 32u);
}

TEST_F(EventsTest, ButtonStateFollowsTheScript) {
  Headless::MoveTo(Point{50, 60});
  Headless::Down();
  Headless::Wait(0.5);
  Headless::MoveTo(Point{70, 80});
  Headless::Up();
  EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 0));
  EXPECT_TRUE(Events::StillDown());
  // Polling the button lets the release come.
  const double start = Platform::ElapsedSeconds();
  while (Events::Button()) {
  }
  EXPECT_NEAR(Platform::ElapsedSeconds() - start, 0.5, 0.01);
  EXPECT_FALSE(Events::StillDown());
  EXPECT_FALSE(Events::WaitMouseUp());
  EXPECT_FALSE(Events::WaitNextEvent(EventQueue::kMouseUpMask, e, 0));  // WaitMouseUp took it
  Windows::Window* w = Windows::NewWindow(SetRect(20, 30, 100, 100), "W", true, 0, true, false, nullptr);
  Port::SetPort(Windows::GetWindowPort(w));
  Point local;
  Events::GetMouse(local);
  EXPECT_EQ(local, (Point{50, 50}));
}

TEST_F(EventsTest, AScriptThatEndsWithTheButtonHeldLetsItGo) {
  Headless::MoveTo(Point{10, 300});
  Headless::Down();
  EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseDownMask, e, 0));
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kMouseUpMask, e, 1));
  EXPECT_FALSE(Input::ButtonDown());
}

TEST_F(EventsTest, ActivateComesFirstThenInputThenUpdates) {
  Headless::Key(0, 'a', 0);
  while (Headless::PendingSteps() > 0) Events::Idle(0.0);
  Windows::Window* w = Windows::NewWindow(SetRect(20, 30, 100, 100), "W", true, 0, true, false, nullptr);
  std::vector<int> order;
  EventRecord e;
  while (Events::WaitNextEvent(EventQueue::kEveryEvent & ~EventQueue::kKeyUpMask, e, 0)) {
    order.push_back(e.what);
    if (e.what == EventQueue::kUpdateEvt) {
      EXPECT_EQ(Events::EventWindow(e), w);
      Windows::BeginUpdate(w);
      Windows::EndUpdate(w);
    }
  }
  EXPECT_EQ(order, (std::vector<int>{EventQueue::kActivateEvt, EventQueue::kKeyDown, EventQueue::kUpdateEvt}));
  EXPECT_EQ(Events::EventWindow(EventRecord{}), nullptr);
}

TEST_F(EventsTest, SuspendResumeAndHighLevelEvents) {
  static std::string opened;
  static int quits = 0;
  opened.clear();
  quits = 0;
  AppleEvents::SetOpenHandler([](std::span<const char> path) { opened.assign(path.begin(), path.end()); });
  AppleEvents::SetQuitHandler([] { ++quits; });
  ASSERT_TRUE(Headless::RunScript("focus out\nfocus in\nopen /tmp/Selftest_1.TLV\nquit\n"));
  EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kEveryEvent, e, 0));
  EXPECT_EQ(e.what, EventQueue::kOsEvt);
  EXPECT_EQ(e.message, 0x01000000u);
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kEveryEvent, e, 0));
  EXPECT_EQ(e.message, 0x01000001u);
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kHighLevelEventMask, e, 0));
  EXPECT_TRUE(AppleEvents::Process(e));
  EXPECT_EQ(opened, "/tmp/Selftest_1.TLV");
  EXPECT_FALSE(AppleEvents::Process(e));  // the document was handed out once
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kHighLevelEventMask, e, 0));
  EXPECT_EQ(e.message, AppleEvents::kQuitApplication);
  EXPECT_TRUE(AppleEvents::Process(e));
  EXPECT_EQ(quits, 1);
  AppleEvents::SetQuitHandler(nullptr);
  EXPECT_FALSE(AppleEvents::Process(e));
}

TEST_F(EventsTest, TheQueueDropsItsOldestEventWhenFull) {
  for (int i = 0; i < static_cast<int>(EventQueue::kCapacity) + 3; ++i) {
    EventRecord e;
    e.what = EventQueue::kKeyDown;
    e.message = static_cast<std::uintptr_t>(i);
    EventQueue::Post(e);
  }
  EventRecord e;
  ASSERT_TRUE(Events::WaitNextEvent(EventQueue::kKeyDownMask, e, 0));
  EXPECT_EQ(e.message, 3u);
}

TEST_F(EventsTest, TimersFireWhileTheLoopWaits) {
  static std::vector<double> fired;
  fired.clear();
  const double start = Platform::ElapsedSeconds();
  const int id = Timers::Install(0.1, 0.05, [](void*) { fired.push_back(Platform::ElapsedSeconds()); }, nullptr);
  ASSERT_GT(id, 0);
  EventRecord e;
  Events::WaitNextEvent(EventQueue::kEveryEvent, e, 17);  // 0.283 s
  ASSERT_EQ(fired.size(), 4u);
  for (std::size_t i = 0; i < fired.size(); ++i) EXPECT_NEAR(fired[i] - start, 0.1 + 0.05 * i, 1e-6);
  Timers::Remove(id);
  Events::WaitNextEvent(EventQueue::kEveryEvent, e, 30);
  EXPECT_EQ(fired.size(), 4u);
  for (int i = 0; i < Timers::kMaxTimers; ++i) EXPECT_GT(Timers::Install(1.0, 0.0, [](void*) {}, nullptr), 0);
  EXPECT_EQ(Timers::Install(1.0, 0.0, [](void*) {}, nullptr), 0);
}

TEST_F(EventsTest, ThePlatformWarpMovesThePointer) {
  Platform::WarpTo(123, 45);
  EXPECT_EQ(Input::Pointer(), (Point{123, 45}));
}

TEST_F(EventsTest, ScriptsReportTheLineTheyCannotRead) {
  EXPECT_FALSE(Headless::RunScript("move 1 2\n# fine\nkey\n"));
  EXPECT_EQ(Headless::ErrorLine(), 3);
  EXPECT_EQ(Headless::PendingSteps(), 1u);
  for (const char* bad : {"move 1", "click a b", "wait -1", "key q meta", "hold q", "focus sideways", "jump",
                          "down now", "open"}) {
    EXPECT_FALSE(Headless::RunScript(std::string(bad))) << bad;
  }
  const std::string path = ::testing::TempDir() + "snapshot.png";
  ASSERT_TRUE(Headless::RunScript("snapshot " + path));
  while (Headless::PendingSteps() > 0) Events::Idle(0.0);
  std::ifstream png(path, std::ios::binary);
  EXPECT_TRUE(png.good());
  std::remove(path.c_str());
}

TEST_F(EventsTest, CursorHidingCounts) {
  EXPECT_TRUE(Cursor::IsVisible());
  Cursor::HideCursor();
  Cursor::HideCursor();
  Cursor::ShowCursor();
  EXPECT_FALSE(Cursor::IsVisible());
  Cursor::ShowCursor();
  Cursor::ShowCursor();
  EXPECT_TRUE(Cursor::IsVisible());
  Cursor::SetCursor(Cursor::Watch());
  EXPECT_EQ(Cursor::Current(), Cursor::Watch());
  Cursor::InitCursor();
  EXPECT_EQ(Cursor::Current(), Cursor::Arrow());
}

}  // namespace
