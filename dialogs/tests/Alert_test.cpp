// Alerts, choices and the editing dialogs drawn on the headless layer and
// answered by scripted keys and clicks and by queued answers.
#include "dialogs/Alert.h"
#include "dialogs/tests/DialogsUi_fixture.h"
#include "platform/Beep.h"
#include "platform/TextEdit.h"
#include "platform/headless/Headless.h"
#include "shell/Mouse.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

class AlertTest : public DialogsUiTest {};

struct ChoiceCase {
  const char* what;
  const char* b2;
  int defaultButton;
  const char* script;
  std::initializer_list<int> answers;
  int expected;
};

const ChoiceCase kChoiceCases[] = {
    {"Return presses the default", "", 3, "key return\n", {}, 3},
    {"Escape presses button 1", "", 3, "key escape\n", {}, 1},
    {"Command-period presses button 1", "Retry", 3, "key . cmd\n", {}, 1},
    {"a click on a shown button", "Retry", 1, "item 3\n", {}, 2},
    {"a click on a hidden button does nothing", "", 1, "item 3\nitem 4\n", {}, 3},
    {"a queued answer is a click", "Retry", 1, "", {2}, 2},
    {"a queued answer for a hidden button is skipped", "", 1, "", {2, 3}, 3},
    {"nothing left: the default", "", 3, "", {}, 3},
    {"a default naming a hidden button: Return does nothing", "", 2, "key return\n", {1}, 1},
    {"a default naming a hidden button and nothing left: no answer", "", 2, "", {}, 0},
    {"a quit request is no answer", "Retry", 1, "quit\n", {}, 0},
};

TEST_F(AlertTest, ChoiceAnswersByItsButtons) {
  for (const ChoiceCase& c : kChoiceCases) {
    SCOPED_TRACE(c.what);
    Script(c.script);
    for (const int a : c.answers) Alert::PushAnswer(a);
    EXPECT_EQ(Alert::Choice("Go on?", "Abort", std::span<const char>(c.b2, std::strlen(c.b2) + 1), "OK", c.defaultButton), c.expected);
    Headless::ClearSteps();
    Alert::ClearAnswers();
  }
}

TEST_F(AlertTest, ChoiceWithoutItsTemplateGivesNoAnswer) {
  const WithoutTemplate missing(137);
  Alert::PushAnswer(1);
  EXPECT_EQ(Alert::Choice("Go on?", "Abort", "", "OK", 3), 0);
}

struct YesNoCancelCase {
  int defaultAnswer;
  int item;
  int expected;
};

// Templates 134 (default 1), 135 (default 3), 136 (any other).
const YesNoCancelCase kYesNoCancelCases[] = {
    {1, 1, 1}, {1, 2, 2}, {1, 3, 3}, {3, 1, 3}, {3, 2, 2}, {3, 3, 1},
    {2, 1, 2}, {2, 2, 3}, {2, 3, 1}, {7, 1, 2},
};

TEST_F(AlertTest, YesNoCancelMapsTheItemsOfEachTemplate) {
  for (const YesNoCancelCase& c : kYesNoCancelCases) {
    SCOPED_TRACE(testing::Message() << "default " << c.defaultAnswer << " item " << c.item);
    Script("item " + std::to_string(c.item) + "\n");
    EXPECT_EQ(Alert::YesNoCancel("Save?", c.defaultAnswer), c.expected);
  }
  // Queued answers find their items in every template; a quit cancels.
  for (const int defaultAnswer : {1, 2, 3}) {
    for (const int answer : {1, 2, 3}) {
      Alert::PushAnswer(answer);
      EXPECT_EQ(Alert::YesNoCancel("Save?", defaultAnswer), answer);
    }
    Script("quit\n");
    EXPECT_EQ(Alert::YesNoCancel("Save?", defaultAnswer), 3);
  }
}

TEST_F(AlertTest, YesNoAndOK) {
  Alert::PushAnswer(1);
  EXPECT_TRUE(Alert::YesNo("Sure?", false));
  Alert::PushAnswer(2);
  EXPECT_FALSE(Alert::YesNo("Sure?", true));
  EXPECT_TRUE(Alert::YesNo("Sure?", true));
  EXPECT_FALSE(Alert::YesNo("Sure?", false));
  Script("key return\n");
  EXPECT_TRUE(Alert::YesNo("Sure?", true));
  Script("quit\n");
  EXPECT_FALSE(Alert::YesNo("Sure?", true));
  // OK leaves the queued answers to the question after it.
  Alert::PushAnswer(2);
  Alert::OK("Done.");
  EXPECT_FALSE(Alert::YesNo("Sure?", true));
}

TEST_F(AlertTest, TheArrowShowsWhileAnAlertWaits) {
  Mouse::SetCursorShape(Mouse::kWatch);
  int during = -1;
  Headless::Call([](void* user) { *static_cast<int*>(user) = Mouse::GetCursorShape(); }, &during);
  Script("key return\n");
  Alert::OK("Done.");
  EXPECT_EQ(during, Mouse::kArrow);
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kWatch);
}

TEST_F(AlertTest, BeepAndBellStopTheSoundAndBeep) {
  Beep::ResetCount();
  Alert::Beep();
  EXPECT_EQ(Beep::Count(), 1);
  Alert::Bell(0);
  EXPECT_EQ(Beep::Count(), 2);
  Alert::Bell(3);
  EXPECT_EQ(Beep::Count(), 5);
}

TEST_F(AlertTest, ATooLongTextComesBackTruncatedUntilItFits) {
  char text[80] = "old";
  std::string promptSecondTime;
  Script("type " + std::string(85, 'a') + "\nkey return\n");
  QueueItemRead(3, &promptSecondTime);
  Script("key return\n");
  EXPECT_TRUE(Alert::EditString("Name:", text));
  EXPECT_EQ(promptSecondTime, "Truncated: Name:");
  EXPECT_EQ(std::string(text), std::string(79, 'a'));
  EXPECT_FALSE(Alert::Cancelled);
}

TEST_F(AlertTest, Edit2StringsWritesNeitherUntilBothFit) {
  char first[80] = "one";
  char second[10] = "two";
  std::string prompt1;
  std::string prompt2;
  Script("type short\nkey tab\ntype " + std::string(20, 'b') + "\nkey return\n");
  QueueItemRead(3, &prompt1);
  Script("key escape\n");
  EXPECT_FALSE(Alert::Edit2Strings("First:", first, "Second:", second));
  EXPECT_TRUE(Alert::Cancelled);
  EXPECT_STREQ(first, "one");
  EXPECT_STREQ(second, "two");
  EXPECT_EQ(prompt1, "First:");

  QueueItemRead(6, &prompt2);
  Script("key return\n");
  std::strcpy(second, "123456789");
  std::strcat(first, "");
  EXPECT_TRUE(Alert::Edit2Strings("First:", first, "Second:", second));
  EXPECT_EQ(prompt2, "Second:");
}

TEST_F(AlertTest, CancelAndQuitLeaveTheTextAlone) {
  for (const char* script : {"type new\nkey escape\n", "type new\nitem 2\n", "type new\nquit\n"}) {
    SCOPED_TRACE(script);
    char text[40] = "kept";
    Script(script);
    EXPECT_FALSE(Alert::EditString("Name:", text));
    EXPECT_STREQ(text, "kept");
    EXPECT_TRUE(Alert::Cancelled);
  }
}

TEST_F(AlertTest, NumbersReadWholeAndFiniteOrKeepTheGivenValue) {
  const struct {
    const char* typed;
    std::int32_t expected;
  } integers[] = {{"42", 42}, {" -7 ", -7}, {"12a", 5}, {"", 5}, {"x", 5}};
  for (const auto& c : integers) {
    SCOPED_TRACE(c.typed);
    Script(std::string("key delete\n") + (*c.typed != '\0' ? std::string("type ") + c.typed + "\n" : "") + "key return\n");
    EXPECT_EQ(Alert::Number("Count:", 5), c.expected);
  }
  const struct {
    const char* typed;
    double expected;
  } reals[] = {{"3.3m", 0.0033}, {"2.5", 2.5}, {"INF", 1.5}, {"NAN", 1.5}, {"-INF", 1.5}, {"1e999", 1.5}, {"abc", 1.5}};
  for (const auto& c : reals) {
    SCOPED_TRACE(c.typed);
    Script(std::string("key delete\n") + (*c.typed != '\0' ? std::string("type ") + c.typed + "\n" : "") + "key return\n");
    EXPECT_DOUBLE_EQ(Alert::Real("Value:", 1.5), c.expected);
    Script(std::string("key delete\n") + (*c.typed != '\0' ? std::string("type ") + c.typed + "\n" : "") + "key return\n");
    EXPECT_DOUBLE_EQ(Alert::Fixed("Value:", 1.5, 3), c.expected);
  }
  Script("key delete\ntype 9\nkey escape\n");
  EXPECT_EQ(Alert::Number("Count:", 5), 5);
  // Untouched, the shown value reads back as given.
  EXPECT_DOUBLE_EQ(Alert::Real("Value:", 0.000123), 0.000123);
  EXPECT_DOUBLE_EQ(Alert::Fixed("Value:", 2.25, 2), 2.25);
}

TEST_F(AlertTest, ABigTextOfAThousandCharactersComesBackWhole) {
  std::string given;
  for (int i = 0; i < 1000; ++i) given.push_back(static_cast<char>('a' + i % 26));
  char text[1024];
  std::strcpy(text, given.c_str());
  Script("key right\ntype +\nkey enter\n");
  EXPECT_TRUE(Alert::EditBigString("Notes:", text, false));
  EXPECT_EQ(std::string(text), given + "+");
}

TEST_F(AlertTest, BigTextReturnRevertAndItsLimit) {
  char text[100] = "start";
  // Return is a new line unless it means OK; Revert brings the caller's text.
  Script("type x\nkey return\ntype y\nkey enter\n");
  EXPECT_TRUE(Alert::EditBigString("Notes:", text, false));
  EXPECT_STREQ(text, "x\ry");
  Script("type gone\nitem 3\nkey return\n");
  EXPECT_TRUE(Alert::EditBigString("Notes:", text, true));
  EXPECT_STREQ(text, "x\ry");
  // A variable of 100 takes 99: the text comes back with the prompt marked.
  std::string prompt;
  Script("type " + std::string(120, 'z') + "\nkey enter\n");
  QueueItemRead(5, &prompt);
  Script("key enter\n");
  EXPECT_TRUE(Alert::EditBigString("Notes:", text, false));
  EXPECT_EQ(prompt, "Truncated: Notes:");
  EXPECT_EQ(std::string(text), std::string(99, 'z'));
}

TEST_F(AlertTest, ShowingATextReadsNothingBack) {
  Script("type changed\nkey return\n");
  EXPECT_TRUE(Alert::ShowString("Path:", "/a/b"));
  Script("key escape\n");
  EXPECT_FALSE(Alert::Show2Strings("One:", "1", "Two:", "2"));
  Script("type more\nkey enter\n");
  Alert::ShowBigString("Log:", "line 1\rline 2");
}

TEST_F(AlertTest, AMultiLineClipboardSurvivesDialogsThatDoNotCutOrCopy) {
  PutClipboard("one\rtwo");
  Script("key return\n");
  EXPECT_TRUE(Alert::ShowString("Path:", "/a/b"));
  EXPECT_EQ(Clipboard(), "one\rtwo");
  char text[40] = "abc";
  Script("key delete\nkey v cmd\nkey return\n");
  EXPECT_TRUE(Alert::EditString("Name:", text));
  EXPECT_STREQ(text, "one");
  EXPECT_EQ(Clipboard(), "one\rtwo");
  EXPECT_EQ(Alert::Number("Count:", 3), 3);
  EXPECT_EQ(Clipboard(), "one\rtwo");
  // A copy in the field is what the clipboard then holds.
  Script("key c cmd\nkey return\n");
  EXPECT_TRUE(Alert::EditString("Name:", text));
  EXPECT_EQ(Clipboard(), "one");
}

TEST_F(AlertTest, OffTheMainThreadTheTextFormAnswers) {
  Alert::PushAnswer(2);
  bool answer = true;
  char text[20] = "kept";
  bool edited = false;
  std::thread worker([&] {
    answer = Alert::YesNo("From a thread?", true);
    edited = Alert::EditString("Name:", text);
  });
  worker.join();
  EXPECT_FALSE(answer);
  EXPECT_TRUE(edited);
  EXPECT_STREQ(text, "kept");
}

TEST_F(AlertTest, TheBoxesAsDrawn) {
  QueueGoldenCheck("alert_131");
  Script("key return\n");
  Alert::OK("The measurement is complete." "\r" "Results are in the notebook.");
  QueueGoldenCheck("alert_137_two");
  Script("key return\n");
  Alert::Choice("Unit 2 does not answer.", "Abort", "", "Retry", 3);
  QueueGoldenCheck("alert_137_three");
  Script("key return\n");
  Alert::Choice("Unit 2 does not answer.", "Abort", "Ignore", "Retry", 1);
  char text[80] = "Run 1";
  QueueGoldenCheck("alert_150");
  Script("key return\n");
  Alert::EditString("Name of the run:", text);
  char text2[80] = "10 mV";
  QueueGoldenCheck("alert_153");
  Script("key return\n");
  Alert::Edit2Strings("Name of the run:", text, "Step:", text2);
  QueueGoldenCheck("alert_160");
  Script("key return\n");
  Alert::Big("Board 1: passed", "Board 2: passed", "Board 3: failed", "Board 4: not found");
  char big[1024] = "First line\rSecond line\rThird line";
  QueueGoldenCheck("alert_2000");
  Script("key enter\n");
  Alert::EditBigString("Comment:", big, false);
}

}  // namespace
