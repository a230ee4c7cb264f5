// The shell and dialog services that the foundation calls upward, in their
// headless form: alerts as text with scripted answers, the program end, the
// cursor code and the notebook buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/Alert.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/tests/Heap_fixture.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"
#include "shell/Shell.h"

namespace {

class Alerts : public ::testing::Test {
 protected:
  void SetUp() override {
    Alert::ClearAnswers();
    Mouse::SetCursorShape(Mouse::kArrow);
  }
  void TearDown() override { Alert::ClearAnswers(); }
};

TEST_F(Alerts, ChoiceTakesScriptedAnswersThenTheDefault) {
  struct {
    std::string_view b1;
    std::string_view b2;
    std::string_view b3;
    int defaultButton;
    std::vector<int> script;
    int pressed;
  } const cases[] = {
      {"", "Continue", "Abort", 2, {}, 2},
      {"", "Continue", "Abort", 2, {3}, 3},
      {"", "Continue", "BREAK", 3, {}, 3},
      {"", "Continue", "Abort", 2, {1, 7, 3}, 3},  // answers naming no shown button are skipped
      {"Abort", "", "Repeat", 3, {2}, 3},
      {"Abort", "", "Repeat", 3, {1}, 1},
      {"Abort", "", "Repeat", 2, {}, 0},           // no shown default and nothing scripted
  };
  for (const auto& c : cases) {
    for (int answer : c.script) Alert::PushAnswer(answer);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Alert::Choice("Message", c.b1, c.b2, c.b3, c.defaultButton), c.pressed)
        << c.b1 << "|" << c.b2 << "|" << c.b3;
    testing::internal::GetCapturedStderr();
    Alert::ClearAnswers();
  }
}

TEST_F(Alerts, TheTextShowsTheMessageLinesButtonsAndTheAnswer) {
  char message[64] = "First line";
  std::strcat(message, Alert::LF);
  std::strcat(message, "second line");
  testing::internal::CaptureStderr();
  Alert::Choice(message, "", "Continue", "Abort", 2);
  Alert::OK("Done.");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "First line\nsecond line\n  [[Continue]] [Abort] -> Continue\n"
            "Done.\n  [[OK]] -> OK\n");
}

TEST_F(Alerts, YesNoDefaultsByLayoutAndTakesScriptedAnswers) {
  testing::internal::CaptureStderr();
  EXPECT_TRUE(Alert::YesNo("Go on?", true));
  EXPECT_FALSE(Alert::YesNo("Go on?", false));
  Alert::PushAnswer(1);
  EXPECT_TRUE(Alert::YesNo("Go on?", false));
  Alert::PushAnswer(2);
  EXPECT_FALSE(Alert::YesNo("Go on?", true));
  testing::internal::GetCapturedStderr();
}

TEST_F(Alerts, TheCursorShapeComesBackAfterAnAlert) {
  Mouse::SetCursorShape(Mouse::kWatch);
  testing::internal::CaptureStderr();
  Alert::OK("x");
  Alert::Choice("y", "a", "", "", 1);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kWatch);
}

TEST(Cursor, ShapeCodesAndTheWaitOrWatchAnimation) {
  Mouse::SetCursorShape(Mouse::kArrow);
  Mouse::SetWaitOrWatchCursor();
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kWait);
  Mouse::SetCursorShape(Mouse::kWatch);
  Mouse::SetWaitOrWatchCursor();
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kWatch);
  for (int shape : {Mouse::kWait, Mouse::kEdit, Mouse::kCross}) {
    Mouse::SetCursorShape(shape);
    EXPECT_EQ(Mouse::GetCursorShape(), shape);
  }
  Mouse::SetCursorShape(7);
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kArrow);
  Mouse::SetCursorShape(-1);
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kArrow);
}

TEST_F(FreshHeap, AlertAndExitShowsTheMessageAndAsksTheProgramToEnd) {
  testing::internal::CaptureStderr();
  MacEnv::AlertAndExit("Bye.");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Bye.\n  [[OK]] -> OK\n");
  EXPECT_TRUE(MacEnv::Terminated);
  MacEnv::Terminated = false;
  testing::internal::CaptureStderr();
  MacEnv::AlertAndExit("");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(MacEnv::Terminated);
}

TEST_F(FreshHeap, AFailedHeapIsReportedOnceAndLeavesBuffersNil) {
  Buffer::Shutdown();
  Buffer::SetSystemMemory(Buffer::SystemMemory{[](std::size_t) -> void* { return nullptr; },
                                               [](void*) {}});
  Buffer::InitModule();
  testing::internal::CaptureStderr();
  EXPECT_EQ(Buffer::Create("/a", Buffer::kHeap), nullptr);
  EXPECT_EQ(Buffer::Create("/b", Buffer::kHeap), nullptr);
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_EQ(shown, "Heap allocation failed.\n  [[OK]] -> OK\n");
  EXPECT_TRUE(MacEnv::Terminated);
}

TEST_F(FreshHeap, TheShellMakesTheNotebookBufferAndTheUserDirectory) {
  Shell::Initialize();
  ASSERT_NE(Shell::List, nullptr);
  EXPECT_EQ(Buffer::Lookup("/Shell/List"), Shell::List);
  EXPECT_EQ(Buffer::GetOrganization(Shell::List), Buffer::kText);
  EXPECT_EQ(BufferText::GetMaxRecords(Shell::List), 20000);
  EXPECT_STREQ(Shell::ListTitle, "List");
  char path[64];
  Buffer::GetSpec(Buffer::GetDefaultDirectory(), path);
  EXPECT_STREQ(path, "/User");
  BufferText::Append(Shell::List, "a finished console line");
  EXPECT_EQ(BufferText::RecordCount(Shell::List), 1);
  Shell::List = nullptr;  // the heap goes with the test
}

}  // namespace
