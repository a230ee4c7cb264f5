// The reference-gain trim on a simulated 'Y' board: the search for the
// null of the reference input, its span, and the calibration of both V-ref
// x2 settings into the scale records of the board's EEPROM.

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "ProbeRack_fixture.h"
#include "acquisition/ADMeasure.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Types.h"
#include "selftest/T3TestProbe.h"

namespace {

using TestResultsBlock::RefGainTrimValues;

// One ADC code of the step is about seven trim codes.
constexpr double kTrimCodes = 8.0;

class TrimRack : public ProbeRack {
 protected:
  const AmplifierAnalogTruths& Truths() { return Rack().Model(0)->Truths(); }
  std::string Notebook() {
    std::string text;
    for (const std::string& line : NotebookLines()) text += line + "\n";
    return text;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, TrimRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(TrimRack, TheSearchFindsTheNullOfEitherVrefSettingAndPutsTheStateBack) {
  T3Types::AmplifierState& state = T3Types::State;
  for (const bool vrefX2 : {false, true}) {
    SCOPED_TRACE(vrefX2);
    T3Panel::SetVrefX2(vrefX2);
    T3Panel::SetBathSense(false);
    T3Panel::SetRefGainTrim(false, 1000);
    double value = 0.0;
    ASSERT_TRUE(T3TestProbe::AdjustRefGainTrimDac(false, value));
    EXPECT_NEAR(value, Truths().ref_trim_balance[vrefX2 ? 1 : 0], kTrimCodes);
    EXPECT_FALSE(state.BathSense);
    EXPECT_FALSE(state.RefGainTrimOn);
    EXPECT_EQ(state.RefGainTrimDac, 1000);
  }
}

TEST_P(TrimRack, WithoutTheCableTheSearchStopsAtItsStartOneForAStateOfZero) {
  Rack().PlugCable(0, AmplifierRack::BoardInput::kReference, -1);
  T3Types::State.RefGainTrimDac = 0;
  double value = 0.0;
  EXPECT_TRUE(T3TestProbe::AdjustRefGainTrimDac(false, value));
  EXPECT_EQ(value, 1.0);
}

TEST_P(TrimRack, VerboseOutputIsOneLinePerPass) {
  T3Types::State.RefGainTrimDac = 2400;
  double value = 0.0;
  ASSERT_TRUE(T3TestProbe::AdjustRefGainTrimDac(true, value));
  EXPECT_EQ(Notebook(),
            "  1: dac-units = 2528 => left =  14.063m, right =  23.095m\n"
            "  2: dac-units = 2656 => left =  14.063m, right =  17.489m\n"
            "  3: dac-units = 2606 => left =  14.063m, right =  11.882m\n"
            "  4: dac-units = 2612 => left =  14.063m, right =  14.374m\n"
            "  5: dac-units = 2612 => left =  14.063m, right =  14.063m\n");
}

TEST_P(TrimRack, ABoardWithoutTheTrimFailsWithNaNAndRecordsMinusOne) {
  T3Base::HardwareVersion = 0x0001;
  double value = 0.0;
  EXPECT_FALSE(T3TestProbe::AdjustRefGainTrimDac(false, value));
  EXPECT_TRUE(std::isnan(value));
  RefGainTrimValues values{};
  const BlockRun run = Run([&] { return T3TestProbe::DoAdjustRefGainTrimDac(false, values); });
  EXPECT_FALSE(run.passed);
  EXPECT_EQ(values.Value[T3Types::State.VrefX2 ? 3 : 2].Value, -1.0);
}

TEST_P(TrimRack, TheSpanIsTheStepAtBothEndsOfTheTrim) {
  double at3995 = 0.0;
  double at100 = 0.0;
  T3TestProbe::RefGainTrimDacMinMax(at3995, at100);
  // 0.1 V on the reference input, through the output gain.
  const double perCode = 0.1 * Truths().ref_trim_span / 4095.0 * Rack().Model(0)->OutputGain(Rack().Board(0));
  EXPECT_NEAR(at100, (Truths().ref_trim_balance[0] - 100) * perCode, 2e-3);
  EXPECT_NEAR(at3995, (Truths().ref_trim_balance[0] - 3995) * perCode, 2e-3);
  Rack().PlugCable(0, AmplifierRack::BoardInput::kReference, -1);
  T3TestProbe::RefGainTrimDacMinMax(at3995, at100);
  EXPECT_NEAR(at100, 0.0, 1e-3);
  EXPECT_NEAR(at3995, 0.0, 1e-3);
}

// The scale records of both V-ref x2 settings in the board's page EEPROM,
// through the calibration application's procedures as the tests register
// them: a store backs the record up, writes it, reads it back and compares.
class TrimCalibration : public TrimRack {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(TrimRack::SetUp());
    records_.fill(T3Scale::Scale);
    T3TestProbe::SetScaleFileProcs({MemoryLoad, MemoryStore});
  }
  // The records in the board's EEPROM instead.
  void UseEEPROM() {
    T3Types::State.EEPROMKind = 2;
    ASSERT_TRUE(T3EEPROM::IsWriteTarget());
    T3TestProbe::SetScaleFileProcs({Load, Store});
    for (const bool vrefX2 : {true, false}) {
      T3Types::State.VrefX2 = vrefX2;
      ASSERT_TRUE(Store());
    }
  }
  static inline std::array<T3Scale::ScaleRecord, 2> records_{};
  static bool MemoryLoad() {
    T3Scale::Scale = records_[T3Types::State.VrefX2 ? 1 : 0];
    return true;
  }
  static bool MemoryStore() {
    records_[T3Types::State.VrefX2 ? 1 : 0] = T3Scale::Scale;
    return true;
  }
  void TearDown() override {
    T3TestProbe::SetScaleFileProcs({});
    TrimRack::TearDown();
  }
  static bool Load() {
    std::string message;
    return T3EEPROM::ReadScale(message);
  }
  static bool Store() {
    std::string message;
    const T3Scale::ScaleRecord backup = T3Scale::Scale;
    if (!T3EEPROM::WriteScale(message) || !T3EEPROM::ReadScale(message)) return false;
    const bool same = T3Scale::Scale.RefGainTrimDac == backup.RefGainTrimDac;
    T3Scale::Scale = backup;
    return same;
  }
  static bool FailingStore() { return false; }
  // The trim field of the record of the setting, read from the chip.
  static int StoredTrim(bool vrefX2) {
    T3Types::State.VrefX2 = vrefX2;
    std::string message;
    EXPECT_TRUE(T3EEPROM::ReadScale(message)) << message;
    return T3Scale::Scale.RefGainTrimDac;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, TrimCalibration, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(TrimCalibration, BothSettingsAreAdjustedAndTheirRecordsHoldTheValuesFound) {
  ASSERT_NO_FATAL_FAILURE(UseEEPROM());
  RefGainTrimValues values{};
  const BlockRun run = Run([&] { return T3TestProbe::CalibrateRefGainTrimDac(values); });
  ASSERT_TRUE(run.passed) << run.notebook;
  EXPECT_FALSE(T3Types::State.VrefX2);
  EXPECT_NE(run.notebook.find("Ext.Stim.Range scale record saved."), std::string::npos) << run.notebook;
  EXPECT_NE(run.notebook.find("Stim.Range scale record saved."), std::string::npos);
  EXPECT_NEAR(values.Value[2].Value, Truths().ref_trim_balance[0], kTrimCodes);
  EXPECT_NEAR(values.Value[3].Value, Truths().ref_trim_balance[1], kTrimCodes);
  EXPECT_EQ(StoredTrim(false), std::lround(values.Value[2].Value));
  EXPECT_EQ(StoredTrim(true), std::lround(values.Value[3].Value));
  EXPECT_NE(run.report.find("RefGainTrimSpan"), std::string::npos);
}

TEST_P(TrimCalibration, AFailedStoreFailsTheCalibration) {
  T3TestProbe::SetScaleFileProcs({MemoryLoad, FailingStore});
  RefGainTrimValues values{};
  const BlockRun run = Run([&] { return T3TestProbe::CalibrateRefGainTrimDac(values); });
  EXPECT_FALSE(run.passed);
  EXPECT_NE(run.notebook.find("Stim.Range scale file failed to store."), std::string::npos) << run.notebook;
}

TEST_P(TrimCalibration, ASettingWithoutNullIsMinusOneAndTheOtherIsStillAdjusted) {
  AmplifierAnalogTruths truths = Truths();
  truths.ref_trim_balance[1] = 6000.0;
  const_cast<AmplifierBoardModel*>(Rack().Model(0))->UseTruths(truths);
  RefGainTrimValues values{};
  const BlockRun run = Run([&] { return T3TestProbe::CalibrateRefGainTrimDac(values); });
  EXPECT_FALSE(run.passed);
  EXPECT_EQ(values.Value[3].Value, -1.0);
  EXPECT_NEAR(values.Value[2].Value, Truths().ref_trim_balance[0], kTrimCodes);
}

TEST_P(TrimCalibration, AReloadThatFailsOnTheToggleRecordsMinusOne) {
  T3TestProbe::SetScaleFileProcs({nullptr, MemoryStore});
  RefGainTrimValues values{};
  const BlockRun run = Run([&] { return T3TestProbe::CalibrateRefGainTrimDac(values); });
  EXPECT_FALSE(run.passed);
  EXPECT_EQ(values.Value[3].Value, -1.0);
  EXPECT_NE(std::find_if(messages_.begin(), messages_.end(),
                         [](const std::string& m) { return m == "Changing Stimulus Range: scale file failed to load!"; }),
            messages_.end());
}

}  // namespace
