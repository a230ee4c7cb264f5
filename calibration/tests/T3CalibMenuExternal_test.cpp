// The windows of the external corrections and the rescaling of a range's
// gain trim word.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "amplifier/T3Scale.h"
#include "calibration/T3CalibMenu.h"
#include "dialogs/Alert.h"
#include "shell/tests/Session_fixture.h"

namespace {

constexpr int kCancel = 1;
constexpr int kNewValue = 3;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class ExternalCorrections : public ConsoleSessionTest {
 protected:
  void SetUp() override {
    ConsoleSessionTest::SetUp();
    T3Scale::LoadDefaults();
  }
};

TEST_F(ExternalCorrections, ValuesOutsideTheirWindowAreRefusedAndTheAnswerSaysWhetherToGoOn) {
  const struct {
    bool (*check)(double, bool&);
    double value;
    bool accepted;
  } cases[] = {
      {T3CalibMenu::CheckFactor, 0.8, true},   {T3CalibMenu::CheckFactor, 1.2, true},
      {T3CalibMenu::CheckFactor, 0.79, false}, {T3CalibMenu::CheckFactor, 1.21, false},
      {T3CalibMenu::CheckFactor, kNaN, false}, {T3CalibMenu::CheckOffset, -0.2, true},
      {T3CalibMenu::CheckOffset, 0.2, true},   {T3CalibMenu::CheckOffset, 0.21, false},
      {T3CalibMenu::CheckOffset, kNaN, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    for (const int answer : {kNewValue, kCancel}) {
      Alert::PushAnswer(answer);
      bool cancel = true;
      testing::internal::CaptureStderr();
      EXPECT_EQ(c.check(c.value, cancel), c.accepted);
      const std::string alerts = testing::internal::GetCapturedStderr();
      EXPECT_EQ(cancel, !c.accepted && answer == kCancel);
      const bool factor = c.check == T3CalibMenu::CheckFactor;
      const std::string text = factor ? "Correction factors must be > 0.8 and < 1.2 !"
                                      : "Offsets must be <= 0.2V and >= -0.2V !";
      EXPECT_EQ(alerts.find(text) != std::string::npos, !c.accepted) << alerts;
      Alert::ClearAnswers();
    }
  }
}

TEST_F(ExternalCorrections, AFactorRescalesTheTrimWordWithinItsSpanOnly) {
  const struct {
    int word;
    double stored;
    double factor;
    int newWord;  // the word left, applied or not
    bool applied;
  } cases[] = {
      {3000, 1.0, 1.1, 2727, true}, {2727, 1.1, 1.0, 3000, true}, {619, 1.0, 1.1, 563, true},
      {3300, 1.0, 0.8, 3300, false}, {1, 1.0, 1.2, 1, false},     {3, 1.0, 1.2, 3, true},
      {3000, 0.0, 1.1, 2727, true}, {3000, kNaN, 1.1, 2727, true}, {4093, 1.0, 1.0, 4093, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.word << " x " << c.stored << " / " << c.factor);
    for (int range = 0; range < 3; ++range) {
      T3Scale::Scale.Range[range].GainTrimDac = static_cast<std::uint16_t>(c.word);
      T3Scale::Scale.ExtGain[range] = c.stored;
      EXPECT_EQ(T3CalibMenu::FixGain(range, c.factor), c.applied);
      EXPECT_EQ(T3Scale::Scale.Range[range].GainTrimDac, c.newWord);
      if (c.applied) {
        EXPECT_EQ(T3Scale::Scale.ExtGain[range], c.factor);
      } else {
        EXPECT_EQ(T3Scale::Scale.ExtGain[range], c.stored);
      }
    }
  }
}

}  // namespace
