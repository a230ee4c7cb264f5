// The cursor shapes and their animations on the virtual clock, the mouse
// readings in world coordinates, and the sound switchboard.
#include "shell/Mouse.h"

#include "foundation/platform/Clock.h"
#include "platform/Cursor.h"
#include "platform/EventQueue.h"
#include "platform/Events.h"
#include "platform/Input.h"
#include "platform/KeyCodes.h"
#include "platform/Port.h"
#include "platform/Resources.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/ModSound.h"
#include "shell/tests/Graphics_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Every image the backend was asked to show.
std::vector<Cursor::Image> shown;

class MouseTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    Mouse::Initialize();
    shown.clear();
  }
  void TearDown() override {
    Events::SetWaitHook(nullptr);
    for (int vk : {KeyCodes::kCommand, KeyCodes::kShift, KeyCodes::kRightShift, KeyCodes::kOption}) {
      Input::Key(vk, 0, false, false);
    }
    GraphicsTest::TearDown();
  }
  const Backend::Ops& BackendOps() override {
    static Backend::Ops ops = [] {
      Backend::Ops o = Headless::Ops();
      o.setCursor = [](const Cursor::Image& image, bool visible) {
        shown.push_back(image);
        Headless::Ops().setCursor(image, visible);
      };
      return o;
    }();
    return ops;
  }

  static const Cursor::Image& Resource(int id) { return *Resources::GetCursor(id); }
  static bool Showing(int id) { return Cursor::Current() == Resource(id); }
};

TEST_F(MouseTest, AThousandWaitCallsWithinASecondShowTheFirstFrameOnceThenOneAdvance) {
  for (int i = 0; i < 1000; ++i) {
    Mouse::SetWaitCursor();
    Platform::Advance(0.00099);
  }
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], Resource(3000));
  Platform::Advance(0.01);  // a second after the first frame
  Mouse::SetWaitCursor();
  Mouse::SetWaitCursor();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1], Resource(3001));
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kWait);
}

TEST_F(MouseTest, WatchToWaitRestartsWaitToWatchGoesOnWhereItStopped) {
  Mouse::SetWatchCursor();  // time 0 has passed: the watch advances to 4001
  EXPECT_TRUE(Showing(4001));
  Platform::Advance(1.0);
  Mouse::SetWatchCursor();
  EXPECT_TRUE(Showing(4002));
  Platform::Advance(1.0);
  Mouse::SetWaitCursor();
  EXPECT_TRUE(Showing(3000));
  Platform::Advance(1.0);
  Mouse::SetWaitOrWatchCursor();
  EXPECT_TRUE(Showing(3001));
  // Less than a second since the wait's frame: the watch shows its frame
  // again without advancing.
  Mouse::SetWatchCursor();
  EXPECT_TRUE(Showing(4002));
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kWatch);
  Platform::Advance(1.0);
  Mouse::SetWaitOrWatchCursor();
  EXPECT_TRUE(Showing(4003));
}

TEST_F(MouseTest, TheWatchWrapsAfterItsLastFrame) {
  for (int i = 0; i < 8; ++i) {
    Mouse::SetWatchCursor();
    Platform::Advance(1.0);
  }
  EXPECT_TRUE(Showing(4000));
}

TEST_F(MouseTest, ShapesByCode) {
  Mouse::SetCursorShape(Mouse::kWait);
  Platform::Advance(5.0);
  const std::size_t before = shown.size();
  Mouse::SetCursorShape(Mouse::kWait);  // the same shape: no frame advance
  EXPECT_EQ(shown.size(), before);
  EXPECT_TRUE(Showing(3000));

  Mouse::SetCursorShape(7);
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kArrow);
  EXPECT_EQ(Cursor::Current(), Cursor::Arrow());

  Mouse::SetCursorShape(Mouse::kEdit);
  EXPECT_TRUE(Showing(5002));
  Mouse::SetCursorShape(Mouse::kCross);
  EXPECT_TRUE(Showing(5003));
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kCross);
}

TEST_F(MouseTest, HelpModeShowsTheHelpCursorInPlaceOfTheArrow) {
  Mouse::SetHelpCursor(true);
  EXPECT_TRUE(Showing(5010));
  Mouse::SetArrowCursor();
  EXPECT_TRUE(Showing(5010));
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kArrow);
  Mouse::SetHelpCursor(false);
  EXPECT_EQ(Cursor::Current(), Cursor::Arrow());
  // Help mode changes nothing while another shape is shown.
  Mouse::SetEditCursor();
  Mouse::SetHelpCursor(true);
  EXPECT_TRUE(Showing(5002));
}

TEST_F(MouseTest, CrossCursorsFallBackToTheFirst) {
  Mouse::SelectCrossCursor(2, false);
  EXPECT_TRUE(Showing(5005));
  Mouse::SelectCrossCursor(3, false);  // 5006 does not exist
  EXPECT_TRUE(Showing(5003));
  // Animated: a step at most every half second.
  Mouse::SelectCrossCursor(0, true);
  EXPECT_TRUE(Showing(5004));
  Mouse::SelectCrossCursor(0, true);
  EXPECT_TRUE(Showing(5004));
  Platform::Advance(0.6);
  Mouse::SelectCrossCursor(0, true);
  EXPECT_TRUE(Showing(5005));
}

TEST_F(MouseTest, AWithoutItsResourceTheLayersImagesStandIn) {
  ASSERT_TRUE(Resources::Load("menu 1 \"M\"\n  1 item \"About\"\n"));
  Mouse::SetEditCursor();
  EXPECT_EQ(Cursor::Current(), Cursor::IBeam());
  Mouse::SetCrossCursor();
  EXPECT_EQ(Cursor::Current(), Cursor::Cross());
  Mouse::SetHelpCursor(true);
  Mouse::SetArrowCursor();
  EXPECT_EQ(Cursor::Current(), Cursor::Arrow());
  Resources::Load(Resources::ShippedText());
}

TEST_F(MouseTest, WaitButtonUpReturnsAtAScriptedRelease) {
  Headless::Down();
  Headless::Wait(3.0);
  Headless::Up();
  EXPECT_FALSE(Input::ButtonDown());
  ASSERT_TRUE(Mouse::ButtonDown());
  const double start = Platform::ElapsedSeconds();
  Mouse::WaitButtonUp();
  EXPECT_FALSE(Input::ButtonDown());
  EXPECT_GE(Platform::ElapsedSeconds() - start, 2.9);
}

// A window at (100, 50) with a child on pixels 10..110 x 20..70 whose world
// is 0..100 x 0..50 (y up).
class MouseReadingTest : public MouseTest {
 protected:
  void SetUp() override {
    MouseTest::SetUp();
    root = MakeWindow(100, 50, 400, 300);
    child = Graphics::CreateWindowInt(root, 10, 20, 110, 70);
    ASSERT_NE(child, nullptr);
    Graphics::SetScaling(child, 0, 0, 98, 48);
  }
  Graphics::GraphicsWindow root = nullptr;
  Graphics::GraphicsWindow child = nullptr;
};

struct Reading {
  Geometry::Point global;
  std::vector<int> keys;  // held
  bool button;
  bool inside;
  double x;
  double y;
  int modifiers;
};

TEST_F(MouseReadingTest, ReadTakesThePointerAndTheHeldKeys) {
  const Reading cases[] = {
      {{111, 119}, {}, true, true, 0, 0, 1},
      {{160, 95}, {KeyCodes::kShift}, true, true, 49, 24, 2},
      {{160, 95}, {KeyCodes::kRightShift, KeyCodes::kCommand}, true, true, 49, 24, 34},
      {{160, 95}, {KeyCodes::kOption}, false, true, 49, 24, 0},
      {{110, 95}, {}, true, false, -1, 24, 1},  // on the left edge: not strictly inside
      {{300, 95}, {}, true, false, 189, 24, 1},
  };
  Port::GrafPort* const port = Port::GetPort();
  for (const Reading& c : cases) {
    Input::MouseMoved(c.global);
    for (int vk : c.keys) Input::Key(vk, 0, true, false);
    Input::MouseButton(c.button);
    double x = 0;
    double y = 0;
    int modifiers = -1;
    EXPECT_EQ(Mouse::Read(root, child, x, y, modifiers), c.inside) << c.global.h;
    EXPECT_DOUBLE_EQ(x, c.x) << c.global.h;
    EXPECT_DOUBLE_EQ(y, c.y) << c.global.h;
    EXPECT_EQ(modifiers, c.modifiers) << c.global.h;
    for (int vk : c.keys) Input::Key(vk, 0, false, false);
  }
  Input::MouseButton(false);
  EXPECT_EQ(Port::GetPort(), port);
  double x = 0;
  double y = 0;
  int modifiers = 0;
  EXPECT_FALSE(Mouse::Read(nullptr, child, x, y, modifiers));
  EXPECT_FALSE(Mouse::Read(root, nullptr, x, y, modifiers));
}

TEST_F(MouseReadingTest, ReadEventTakesTheMouseDownAndItsModifiers) {
  struct Case {
    int what;
    int bits;
    bool inside;
    int modifiers;
  };
  const Case cases[] = {
      {EventQueue::kMouseDown, 0, true, 1},
      {EventQueue::kMouseDown, EventQueue::kCmdKey, true, 32},
      {EventQueue::kMouseDown, EventQueue::kShiftKey | EventQueue::kAlphaLock, true, 6},
      {EventQueue::kMouseDown, EventQueue::kOptionKey | EventQueue::kControlKey, true, 24},
      {EventQueue::kKeyDown, EventQueue::kCmdKey, false, 0},
  };
  for (const Case& c : cases) {
    MacEnv::theEvent = EventQueue::EventRecord{};
    MacEnv::theEvent.what = c.what;
    MacEnv::theEvent.where = Geometry::Point{160, 95};
    MacEnv::theEvent.modifiers = c.bits;
    double x = 0;
    double y = 0;
    int modifiers = -1;
    EXPECT_EQ(Mouse::ReadEvent(root, child, x, y, modifiers), c.inside) << c.bits;
    EXPECT_EQ(modifiers, c.modifiers) << c.bits;
    if (c.inside) {
      EXPECT_DOUBLE_EQ(x, 49);
      EXPECT_DOUBLE_EQ(y, 24);
    }
  }
  MacEnv::theEvent = EventQueue::EventRecord{};
}

TEST(ModSound, StartsOnlyAToneAndThePlatformPlaysNone) {
  ModSound::InitModule();
  EXPECT_EQ(ModSound::Frequency, 1000.0);
  static int started = 0;
  static int stopped = 0;
  ModSound::Redirect([](double, double) { return ++started > 0; }, [] { ++stopped; }, [] { return started > 0; });
  EXPECT_TRUE(ModSound::Start(0, 1));
  EXPECT_EQ(started, 0);
  EXPECT_TRUE(ModSound::Start(440, 0.5));
  EXPECT_EQ(started, 1);
  EXPECT_EQ(ModSound::Volume, 0.5);
  EXPECT_TRUE(ModSound::IsOn());
  ModSound::Reset();
  EXPECT_EQ(stopped, 1);
  EXPECT_FALSE(ModSound::Start(440, 1));
  EXPECT_FALSE(ModSound::IsOn());
  EXPECT_TRUE(ModSound::Start(0, 1));
}

}  // namespace
