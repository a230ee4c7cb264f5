// A cursor chosen on another thread reaches the platform only on the main
// thread, at its next event wait.
#include "shell/Mouse.h"

#include "platform/Cursor.h"
#include "platform/EventQueue.h"
#include "platform/Events.h"
#include "platform/Resources.h"
#include "shell/tests/Graphics_fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class MouseThreadTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    Mouse::Initialize();
  }
  void TearDown() override {
    Events::SetWaitHook(nullptr);
    GraphicsTest::TearDown();
  }
};

TEST_F(MouseThreadTest, AShapeSetOnAnotherThreadIsShownAtTheNextEventWait) {
  std::thread([] {
    for (int i = 0; i < 100; ++i) Mouse::SetWaitOrWatchCursor();
  }).join();
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kWait);
  EXPECT_EQ(Cursor::Current(), Cursor::Arrow());
  EventQueue::EventRecord e;
  Events::WaitNextEvent(EventQueue::kEveryEvent, e, 1);
  EXPECT_EQ(Cursor::Current(), *Resources::GetCursor(Mouse::kFirstWaitCursor));
}

}  // namespace
