// The progress dialog on screen (the headless layer): scripted Start, Stop
// and Escape, the blinking lines, its end by done, abort, refused start and
// termination.
#include "dialogs/LoopDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "platform/Beep.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/MacEnv.h"

namespace {

char message1[40] = "";
int passes = 0;
int donePass = 0;
bool startResult = true;
bool abortResult = true;
int terminateAt = 0;
std::vector<std::string> firstLines;  // the first line at each change
void (*duringPass)() = nullptr;

bool Start() { return startResult; }
void Stop() { std::strcpy(message1, "stopped once"); }
bool Abort() { return abortResult; }
bool Done() { return donePass > 0 && passes >= donePass; }
void Loop() {
  ++passes;
  if (firstLines.empty() || firstLines.back() != LoopDialog::Text1Buffer) firstLines.emplace_back(LoopDialog::Text1Buffer);
  if (terminateAt > 0 && passes == terminateAt) ModDialogLoop::Terminate();
  if (duringPass != nullptr) duringPass();
}

class LoopDialogTest : public ModDialogTest {
 protected:
  void SetUp() override {
    ModDialogTest::SetUp();
    ModDialogLoop::InitAllModules();
    std::strcpy(message1, "waiting");
    passes = 0;
    donePass = 0;
    startResult = true;
    abortResult = true;
    terminateAt = 0;
    firstLines.clear();
    duringPass = nullptr;
    Beep::ResetCount();
  }
  void TearDown() override {
    MacEnv::Terminated = false;
    ModDialogLoop::ShutAllModules();
    ModDialogTest::TearDown();
  }

  static bool Run(bool& aborted, const char* startText = "Start", bool beep = false) {
    return LoopDialog::Show("Identify", Start, Stop, Abort, Done, Loop, "running", "idle", std::string_view(startText), "Abort",
                            message1, "measuring", aborted, beep);
  }
};

TEST_F(LoopDialogTest, StopAndStartAgainShowTheTextsTheStopProcedureRewrote) {
  Script("wait 0.3\nkey return\nwait 0.3\nkey return\nwait 0.3\nkey return\nwait 0.3\nkey escape\n");
  bool aborted = false;
  ASSERT_TRUE(Run(aborted));
  EXPECT_TRUE(aborted);
  EXPECT_EQ(firstLines, (std::vector<std::string>{"waiting", "measuring", "stopped once", "measuring"}));
}

TEST_F(LoopDialogTest, WithoutAStartTextItRunsAtOnceUntilDone) {
  donePass = 5;
  bool aborted = true;
  ASSERT_TRUE(Run(aborted, ""));
  EXPECT_FALSE(aborted);
  EXPECT_EQ(passes, 6);
  EXPECT_EQ(firstLines, (std::vector<std::string>{"measuring"}));
}

TEST_F(LoopDialogTest, ARefusedStartEndsItAsAborted) {
  startResult = false;
  bool aborted = false;
  ASSERT_TRUE(Run(aborted, ""));
  EXPECT_TRUE(aborted);
  EXPECT_LE(passes, 1);
}

TEST_F(LoopDialogTest, AnAbortTheProcedureRefusesChangesNothing) {
  abortResult = false;
  donePass = 60;
  Script("key escape\n");
  bool aborted = true;
  ASSERT_TRUE(Run(aborted, ""));
  EXPECT_FALSE(aborted);
  EXPECT_EQ(passes, 61);
}

TEST_F(LoopDialogTest, PushAbortPressesAbortThroughTheDialog) {
  donePass = 1000;
  duringPass = [] {
    if (passes == 3) LoopDialog::PushAbort();
  };
  bool aborted = false;
  ASSERT_TRUE(Run(aborted, ""));
  EXPECT_TRUE(aborted);
  EXPECT_EQ(passes, 4);
}

TEST_F(LoopDialogTest, IdleItBeepsEveryTwoSecondsWhenAsked) {
  Script("wait 4.5\nkey escape\n");
  bool aborted = false;
  ASSERT_TRUE(Run(aborted, "Start", true));
  EXPECT_EQ(Beep::Count(), 3);  // at 0, 2 and 4 s
}

// The second line's first pixel column: inverted or not.
int inversions = 0;
Surface::Pixel lastPixel;

TEST_F(LoopDialogTest, RunningTheSecondLineBlinksEveryThirdOfASecond) {
  inversions = 0;
  lastPixel = Surface::Pixel{};
  donePass = 60;  // a second of passes
  duringPass = [] {
    const Surface::Pixel p = Windows::PixelsOf(Windows::FrontWindow()).At(16, 40);
    if (passes > 1 && !(p == lastPixel)) ++inversions;
    lastPixel = p;
  };
  bool aborted = true;
  ASSERT_TRUE(Run(aborted, ""));
  EXPECT_GE(inversions, 2);
  EXPECT_LE(inversions, 4);
}

TEST_F(LoopDialogTest, NewMessagesWithAnEmptyFirstChangesOnlyTheSecondLine) {
  donePass = 5;
  duringPass = [] {
    if (passes == 2) LoopDialog::NewMessages("", "half way");
  };
  bool aborted = true;
  ASSERT_TRUE(Run(aborted, ""));
  EXPECT_STREQ(LoopDialog::Text1Buffer, "measuring");
  EXPECT_STREQ(LoopDialog::Text2Buffer, "half way");
}

TEST_F(LoopDialogTest, ASecondShowIsRefusedAndTheRunningOneGoesOn) {
  donePass = 5;
  static bool nested = true;
  nested = true;
  duringPass = [] {
    if (passes != 2) return;
    bool inner = false;
    nested = LoopDialog::Show("Nested", Start, Stop, Abort, Done, Loop, "", "", "", "", "", "", inner, false);
  };
  bool aborted = true;
  ASSERT_TRUE(Run(aborted, ""));
  EXPECT_FALSE(nested);
  EXPECT_FALSE(aborted);
  EXPECT_EQ(passes, 6);
}

TEST_F(LoopDialogTest, TheProgramsEndEndsItAsAborted) {
  donePass = 1000;
  terminateAt = 3;
  bool aborted = false;
  ASSERT_TRUE(Run(aborted, ""));
  EXPECT_TRUE(aborted);
}

TEST_F(LoopDialogTest, TheIdleDialog) {
  Headless::Call([](void*) { EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(Windows::FrontWindow()), "loop_dialog")); },
                 nullptr);
  Script("key escape\n");
  bool aborted = false;
  ASSERT_TRUE(Run(aborted));
  EXPECT_TRUE(aborted);
}

}  // namespace
