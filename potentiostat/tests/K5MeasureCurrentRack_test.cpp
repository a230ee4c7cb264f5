// The stimulus scales, the internal ground, the working electrode's offset
// DACs, the current output amplifier and the current ranges on both
// amplifiers of the simulated PK 512 pair, against the boards' truths by
// the tests' own formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "acquisition/ZRVBase.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKCalibration_fixture.h"

namespace {

using K5Measure::Loc;
using K5Protocol::Results;

constexpr double kGainTolerance = 0.005;

void ExpectRelative(double measured, double truth, const std::string& what, double tolerance = kGainTolerance) {
  EXPECT_NEAR(measured, truth, std::fabs(truth) * tolerance) << what;
}

class K5MeasureCurrentRack : public PKCalibrationRack {
 protected:
  // Both amplifiers in turn, each from its mux transfer.
  template <typename Check>
  void OnBothAmplifiers(Check check) {
    for (int amplifier = 0; amplifier < 2; ++amplifier) {
      SCOPED_TRACE(amplifier == 0 ? "disk" : "ring");
      UseAmplifier(amplifier);
      K5Measure::InitModule();
      K5Protocol::InitModule();
      K5Measure::MuxTransfer();
      check(amplifier == 1, Active().Truths());
    }
  }
};

INSTANTIATE_TEST_SUITE_P(QRN55, K5MeasureCurrentRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(K5MeasureCurrentRack, StimulusScalesGroundAndWorkingElectrode) {
  OnBothAmplifiers([this](bool ring, const PKSimTruths& t) {
    const double toMux = 10.0 / t.reference_volts;
    K5Measure::StimScale();
    for (std::uint8_t s = 0; s < 4; ++s) {
      SCOPED_TRACE(static_cast<int>(s));
      // Scale 3 leaves 10 mV of the 5 V on the mux ADC, 32 of its codes:
      // the gain resolves to 2 %.
      const double tolerance = s == 3 ? 0.02 : kGainTolerance;
      ExpectRelative(Results.StimScale[s].Gain.Value, t.stim_scale_gain[s] * toMux, "StimScale", tolerance);
      ExpectRelative(Loc.StimScaleFactor[s], K5Panel::StimInScaleToFactor(s) / (t.stim_scale_gain[s] * toMux),
                     "LocStimScaleFactor", tolerance);
      EXPECT_EQ(Loc.StimScaleOffset[s], -Results.StimScale[s].Offset.Value);
    }
    // The ring reads the mux's zero in place of the ground.
    K5Measure::InternalGround();
    EXPECT_NEAR(Results.InternalGround.Value, ring ? 0.0 : t.internal_ground_volts * toMux, 0.0001);
    EXPECT_EQ(Loc.InternalGround, Results.InternalGround.Value);

    K5Measure::WorkingElectrode();
    EXPECT_EQ(Loc.InternalGround, 0.0);
    for (int r = 0; r < 3; ++r) {
      SCOPED_TRACE(r);
      const Protocol::OffsetDacValues& record = Results.WorkingElectrodeOffsetDac[r];
      EXPECT_TRUE(record.Flag);
      EXPECT_NEAR(record.Dac.Value,
                  OffsetDacZero(t.work_electrode_zero[r], t.work_electrode_step_volts, !ring, 0.0,
                                Results.MuxTransfer[0].Offset.Value),
                  2.0);
      EXPECT_EQ(Loc.WorkElectrOffsetDac[r], std::lround(record.Dac.Value));
    }
  });
}

TEST_P(K5MeasureCurrentRack, InternalGroundMeasuresThoughAnAbortIsAsked) {
  K5Measure::InitModule();
  K5Measure::DoAbortProc = K5Measure::ReturnTrue;
  Loc.InternalGround = 1.0;
  K5Measure::InternalGround();
  EXPECT_NE(Results.InternalGround.Value, 0.0);
  EXPECT_EQ(Loc.InternalGround, Results.InternalGround.Value);
  EXPECT_NE(Notebook().find("InternalGround"), std::string::npos);
}

TEST_P(K5MeasureCurrentRack, OutputAmplifierAndRanges) {
  OnBothAmplifiers([this](bool ring, const PKSimTruths& t) {
    K5Measure::StimScale();
    K5Measure::StimFilter();
    K5Measure::CurrentOutputAmplifier();
    for (std::uint8_t g = 0; g < 4; ++g) {
      SCOPED_TRACE(static_cast<int>(g));
      ExpectRelative(Results.CurrentOutputAmplifier[g].Gain.Value,
                     t.test_current_gain * t.current_output_gain[g] / K5Panel::CurrOutAmplGainToFactor(g),
                     "output amplifier");
    }

    // Ranges 0 and 1 are no ranges of the board: their records stay.
    Results.CurrentOffsetDac[1].Dac.Value = 111.0;
    Results.CurrentOutFactor[0].Gain.Value = 222.0;
    K5Measure::CurrentRange();
    EXPECT_EQ(Results.CurrentOffsetDac[1].Dac.Value, 111.0);
    EXPECT_EQ(Results.CurrentOutFactor[0].Gain.Value, 222.0);
    for (std::uint8_t range = 2; range <= 11; ++range) {
      SCOPED_TRACE(static_cast<int>(range));
      std::uint8_t feedback = 0;
      std::uint8_t outputGain = 0;
      K5Panel::CurrentRangeToFactors(range, feedback, outputGain);
      const int cell = range <= 4 ? 1 : range <= 7 ? 2 : 3;
      // The offset DAC nulls what the monitor read at mid-code (falling).
      const Protocol::OffsetDacValues& offset = Results.CurrentOffsetDac[range];
      EXPECT_TRUE(offset.Flag);
      EXPECT_NEAR(offset.Dac.Value, 2047.0 + offset.Offset.Value / t.current_offset_step_volts, 2.0);
      EXPECT_EQ(Loc.CurrentOffsetDac[range], std::lround(offset.Dac.Value));
      // The range's gain over its nominal one, in the mux's volts, plus,
      // on the ring, the common-mode response of its untrimmed CMR2 per
      // volt of the stimulus behind its scale.
      const double nominal = K5Panel::RealCurrentGain(range) / K5Panel::ModelCellToOhm(static_cast<std::uint8_t>(cell));
      const int scale = K5Panel::CurrOutAmplGainToFactor(outputGain) > 90.0 ? 2 : 0;
      const double common = ring ? (t.cmr_floor + t.cmr_slope * std::fabs(2047.0 - t.cmr2_minimum)) *
                                       K5Panel::StimInScaleToFactor(static_cast<std::uint8_t>(scale)) /
                                       (t.stim_scale_gain[scale] * t.stim_filter_gain) / nominal
                                 : 0.0;
      const double gain = (t.model_cell_gain[cell] * t.feedback_gain[feedback] * t.current_output_gain[outputGain] /
                               K5Panel::CurrOutAmplGainToFactor(outputGain) +
                           common) *
                          t.reference_volts / 10.0;
      ExpectRelative(Results.CurrentOutFactor[range].Gain.Value, gain, "range");
      ExpectRelative(Loc.CurrentOutFactor[range], 1.0 / gain, "LocCurrentOutFactor");
      EXPECT_EQ(Loc.CurrentOutOffset[range], -Results.CurrentOutFactor[range].Offset.Value);
    }
  });
}

}  // namespace
