// The input dialog answered by scripted keys: kinds, ranges, the field that
// does not read, Cancel giving back exactly what each variable held.
#include "dialogs/InputDialog.h"
#include "dialogs/Alert.h"
#include "dialogs/tests/DialogsUi_fixture.h"
#include "platform/Beep.h"
#include "platform/Dialogs.h"
#include "platform/TextEdit.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

class InputDialogTest : public DialogsUiTest {
 protected:
  void SetUp() override {
    DialogsUiTest::SetUp();
    InputDialog::InitModule();
  }
};

TEST_F(InputDialogTest, ANilAddressShowsNothing) {
  std::int32_t a = 1;
  std::int32_t b = 2;
  EXPECT_FALSE(InputDialog::Three("T", "a", &a, InputDialog::kInt32, "b", &b, InputDialog::kInt32, "c", nullptr,
                                  InputDialog::kInt32));
  EXPECT_EQ(Windows::FrontWindow(), nullptr);
}

struct KindCase {
  int kind;
  const char* typed;
  bool accepted;
  double expected;
};

const KindCase kKindCases[] = {
    {InputDialog::kInt16, "32767", true, 32767},   {InputDialog::kInt16, "-32768", true, -32768},
    {InputDialog::kInt16, "40000", false, 0},      {InputDialog::kInt16, "12a", false, 0},
    {InputDialog::kInt32, "-2000000", true, -2e6}, {InputDialog::kSingle, "3.4e38", true, 3.4e38},
    {InputDialog::kSingle, "3.5e38", false, 0},    {InputDialog::kSingle, "2.5m", true, 0.0025},
    {InputDialog::kDouble, "2.5m", true, 0.0025},  {InputDialog::kDouble, "INF", false, 0},
    {InputDialog::kDouble, "NAN", false, 0},       {InputDialog::kSingle, "NAN", false, 0},
    {7, "1", false, 0},
};

double Value(const void* variable, int kind) {
  switch (kind) {
    case InputDialog::kInt16:
      return *static_cast<const std::int16_t*>(variable);
    case InputDialog::kInt32:
      return *static_cast<const std::int32_t*>(variable);
    case InputDialog::kSingle:
      return *static_cast<const float*>(variable);
    default:
      return *static_cast<const double*>(variable);
  }
}

TEST_F(InputDialogTest, EachKindReadsItsNumbersWithinItsRange) {
  for (const KindCase& c : kKindCases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " " << c.typed);
    alignas(8) unsigned char variable[8] = {};
    Beep::ResetCount();
    // A field that does not read beeps and stays; Escape then cancels.
    Script(std::string("type ") + c.typed + "\nkey return\nkey escape\n");
    EXPECT_EQ(InputDialog::One("Value", "x", variable, c.kind), c.accepted);
    EXPECT_EQ(Beep::Count(), c.accepted ? 0 : 1);
    if (c.accepted) {
      EXPECT_FLOAT_EQ(static_cast<float>(Value(variable, c.kind)), static_cast<float>(c.expected));
    } else {
      EXPECT_EQ(Value(variable, c.kind), 0.0);
    }
    Headless::ClearSteps();
  }
}

TEST_F(InputDialogTest, AFieldThatDoesNotReadIsSelectedAndCancelRestoresEverything) {
  std::int32_t first = 5;
  std::int16_t second[2] = {7, 0};  // [1] lies beside the variable: Cancel must not touch it
  std::int16_t* const neighbour = &second[1];
  int focus = 0;
  int selectionEnd = 0;
  struct Seen {
    int* focus;
    int* selectionEnd;
    std::int16_t* neighbour;
  } seen{&focus, &selectionEnd, neighbour};
  Script("type 99\nkey tab\ntype 40000\nkey return\n");
  Headless::Call(
      [](void* user) {
        auto* s = static_cast<Seen*>(user);
        Dialogs::Dialog* d = Dialogs::FrontDialog();
        *s->focus = Dialogs::GetKeyboardFocus(d);
        *s->selectionEnd = TextEdit::SelEnd(Dialogs::GetItemField(d, *s->focus));
        *s->neighbour = 1234;
      },
      &seen);
  Script("key escape\n");
  EXPECT_FALSE(InputDialog::Two("Limits", "first", &first, InputDialog::kInt32, "second", second,
                                InputDialog::kInt16));
  EXPECT_EQ(focus, 8);
  EXPECT_EQ(selectionEnd, 5);
  EXPECT_EQ(first, 5);
  EXPECT_EQ(second[0], 7);
  EXPECT_EQ(second[1], 1234);

  // Corrected, OK takes both.
  Script("type 99\nkey tab\ntype 40000\nkey return\ntype 400\nkey return\n");
  EXPECT_TRUE(InputDialog::Two("Limits", "first", &first, InputDialog::kInt32, "second", second,
                               InputDialog::kInt16));
  EXPECT_EQ(first, 99);
  EXPECT_EQ(second[0], 400);
}

TEST_F(InputDialogTest, TheDialogIsMadeOnceHiddenAndReused) {
  double value = 1.0;
  Dialogs::Dialog* seen[2] = {};
  for (Dialogs::Dialog*& d : seen) {
    Headless::Call([](void* user) { *static_cast<Dialogs::Dialog**>(user) = Dialogs::FrontDialog(); }, &d);
    Script("key return\n");
    EXPECT_TRUE(InputDialog::One("Value", "x", &value, InputDialog::kDouble));
    EXPECT_FALSE(Windows::IsVisible(Dialogs::GetDialogWindow(d)));
  }
  EXPECT_NE(seen[0], nullptr);
  EXPECT_EQ(seen[0], seen[1]);
  // Queued answers: 2 cancels, 1 is OK; untouched, the values read back.
  value = 0.125;
  Alert::PushAnswer(2);
  EXPECT_FALSE(InputDialog::One("Value", "x", &value, InputDialog::kDouble));
  Alert::PushAnswer(1);
  EXPECT_TRUE(InputDialog::One("Value", "x", &value, InputDialog::kDouble));
  EXPECT_DOUBLE_EQ(value, 0.125);
}

TEST_F(InputDialogTest, WithoutItsTemplateTwoGivesFalse) {
  const WithoutTemplate missing(2011);
  std::int32_t a = 1;
  std::int32_t b = 2;
  EXPECT_FALSE(InputDialog::Two("T", "a", &a, InputDialog::kInt32, "b", &b, InputDialog::kInt32));
  EXPECT_EQ(a, 1);
}

TEST_F(InputDialogTest, FourNumbersAsDrawn) {
  std::int16_t count = 12;
  std::int32_t samples = 40000;
  float gain = 2.5f;
  double offset = -0.0015;
  QueueGoldenCheck("input_2013");
  Script("key return\n");
  EXPECT_TRUE(InputDialog::Four("Slow capacitance", "Count:", &count, InputDialog::kInt16, "Samples:", &samples,
                                InputDialog::kInt32, "Gain:", &gain, InputDialog::kSingle, "Offset:", &offset,
                                InputDialog::kDouble));
  EXPECT_EQ(samples, 40000);
  EXPECT_DOUBLE_EQ(offset, -0.0015);
}

}  // namespace
