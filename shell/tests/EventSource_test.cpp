// The least event source of the console terminal: what it does itself and
// what it hands back.
#include "platform/AppleEvents.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/MacEnv.h"
#include "shell/Shell.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

#include <gtest/gtest.h>

namespace {

struct Delivered {
  int code = 0;
  char character = 0;
};

class EventSourceTest : public ConsoleSessionTest {
 protected:
  static Delivered Next() {
    Delivered d;
    ANSITerm::Input(Shell::RootTerminal, d.character, d.code);
    return d;
  }
};

void InvalidateConsole(void*) { Windows::InvalRect(MacEnv::theWindowPtr, Geometry::SetRect(0, 0, 20, 20)); }

TEST_F(EventSourceTest, SuspendResumeKeysAndUpdates) {
  ASSERT_NE(Shell::RootTerminal, nullptr);
  Headless::Focus(false);
  // The console's activation and first update come first.
  Delivered d = Next();
  for (int n = 0; n < 3 && d.code != ANSIBase::KeyOSEvent; ++n) d = Next();
  EXPECT_EQ(d.code, ANSIBase::KeyOSEvent);
  EXPECT_TRUE(MacEnv::gInBackground);
  Headless::Focus(true);
  EXPECT_EQ(Next().code, ANSIBase::KeyOSEvent);
  EXPECT_FALSE(MacEnv::gInBackground);

  Headless::RunScript("key x\nkey left\nkey w cmd\n");
  const Delivered x = Next();
  EXPECT_EQ(x.code, ANSIBase::KeyCharacter);
  EXPECT_EQ(x.character, 'x');
  EXPECT_EQ(Next().code, ANSIBase::KeyCursorLeft);
  const Delivered command = Next();
  EXPECT_EQ(command.code, ANSIBase::KeyMenu);
  EXPECT_EQ(command.character, 0);
  EXPECT_EQ(ANSITerm::ActiveWindow(), nullptr);

  // Without its owner's procedure the console's update comes back.
  ANSITerm::SetEventProcs(Shell::RootTerminal, nullptr, nullptr, Shell::List);
  Headless::Call(InvalidateConsole, nullptr);
  const Delivered update = Next();
  EXPECT_EQ(update.code, ANSIBase::KeyUpdate);
  EXPECT_EQ(update.character, 1);
  EXPECT_EQ(ANSITerm::ActiveWindow(), MacEnv::theWindowPtr);
  ANSITerm::Flush();
  EXPECT_EQ(ANSIBase::LastKeyCode, ANSIBase::KeyUpdate);
}

TEST_F(EventSourceTest, NothingOnceTheProgramIsToEnd) {
  AppleEvents::SetQuitHandler(MacEnv::Terminate);
  Headless::RunScript("wait 1\nquit\nwait 1\nkey a\n");
  Delivered d;
  do {
    d = Next();
  } while (d.code != ANSIBase::KeyNone);
  EXPECT_TRUE(MacEnv::Terminated);
  EXPECT_EQ(Headless::PendingSteps(), 1u);
  d = Next();
  EXPECT_EQ(d.code, ANSIBase::KeyNone);
  EXPECT_EQ(Headless::PendingSteps(), 1u);
  ANSITerm::TerminalRecord* none = nullptr;
  ANSITerm::Input(none, d.character, d.code);
  EXPECT_EQ(d.code, ANSIBase::KeyNone);
}

}  // namespace
