// The control amplifier, clamp, IR, subtract-DAC, common-mode and
// open-cell-potential tests on the simulated PK 512 pair: which amplifier
// runs which, every result against the boards' truths by the tests' own
// formulas, and the faults they meet.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRVBase.h"
#include "dialogs/Alert.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKCalibration_fixture.h"

namespace {

using K5Measure::Loc;
using K5Protocol::Results;

constexpr double kGainTolerance = 0.005;
constexpr std::uint16_t kManualStandby = 1u << 10;

void ExpectRelative(double measured, double truth, const std::string& what) {
  EXPECT_NEAR(measured, truth, std::fabs(truth) * kGainTolerance) << what;
}

class K5MeasureControlRack : public PKCalibrationRack {
 protected:
  // The amplifier's record, its mux transfer measured.
  const PKSimTruths& Start(int amplifier) {
    UseAmplifier(amplifier);
    K5Measure::InitModule();
    K5Protocol::InitModule();
    K5Measure::MuxTransfer();
    return Active().Truths();
  }
  double MuxTarget() const { return Results.MuxTransfer[0].Offset.Value; }
};

INSTANTIATE_TEST_SUITE_P(QRN55, K5MeasureControlRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(K5MeasureControlRack, WhichAmplifierRunsWhichTest) {
  struct Row {
    const char* keyword;
    void (*test)();
    bool disk;
    bool ring;
  };
  const Row rows[] = {
      {"CoAmpOffsetPerUnit", K5Measure::ControlAmpOffsetDac, true, false},
      {"ControlAmplifierFreq", K5Measure::ControlAmplifierTau, true, false},
      {"ClampGain", K5Measure::ClampGain, true, false},
      {"IRCompFixOffset", K5Measure::IRCompGain, true, false},
      {"SubtrDacFactor", K5Measure::SubtrDac, true, true},
      {"CMR1", K5Measure::CMR1, false, true},
      {"CMR2", K5Measure::CMR2, false, true},
      {"MeasuredVoltOffDac", K5Measure::MeasuredVoltOffDac, false, true},
      {"OCPOffsetDac", K5Measure::OCP_OffsetDac, false, true},
  };
  for (int amplifier = 0; amplifier < 2; ++amplifier) {
    UseAmplifier(amplifier);
    K5Measure::InitModule();
    // The set-up and the keyword alone: no step measures.
    K5Measure::ExecuteTestProc = K5Measure::ReturnFalse;
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.keyword) + (amplifier == 0 ? " on the disk" : " on the ring"));
      const std::size_t before = Notebook().size();
      row.test();
      const bool runs = amplifier == 0 ? row.disk : row.ring;
      EXPECT_EQ(Notebook().find(row.keyword, before) != std::string::npos, runs);
    }
  }
}

TEST_P(K5MeasureControlRack, ControlAmplifierOffsetsClampAndIR) {
  const PKSimTruths& t = Start(0);
  K5Measure::ControlAmpOffsetDac();
  ExpectRelative(Results.CoAmpOffsetPerUnit.Value, t.control_offset_step_volts * 10.0 / t.reference_volts,
                 "CoAmpOffsetPerUnit");
  // All six searches run in the potentiostatic state with feedback 0; the
  // rest of the node is the control amplifier's potential of init and
  // stimulus as they stand.
  const double rest = -(Active().Node(11) + Active().Node(0)) * t.control_gain;
  const double zero = OffsetDacZero(t.control_offset_zero[0], t.control_offset_step_volts, true, rest, MuxTarget());
  for (int pass = 0; pass < 2; ++pass) {
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE(3 * pass + k);
      const Protocol::OffsetDacValues& record = Results.ControlAmpOffsetDac[pass][k];
      EXPECT_TRUE(record.Flag);
      EXPECT_NEAR(record.Dac.Value, zero, 2.0);
      EXPECT_EQ(Loc.CoAmpOffsetDac[3 * pass + k], std::lround(record.Dac.Value));
    }
  }

  // The clamp gain raises the control gain by its code; group 0 is taken
  // with it off and code 0.
  K5Measure::ClampGain();
  ExpectRelative(Results.ClampGain[0].Gain.Value, -t.control_gain, "clamp off");
  for (int i = 1; i < 9; ++i) {
    SCOPED_TRACE(i);
    ExpectRelative(Results.ClampGain[i].Gain.Value, -(t.control_gain + t.clamp_slope * (32 * i - 16)), "clamp");
  }

  // The IR path: the current of 100 ohm into 50 ohm times the IR gain of
  // the code, over 0.5.
  K5Measure::IRCompGain();
  EXPECT_FALSE(Loc.IRCompFixOffsetFailed);
  EXPECT_NEAR(Results.IRCompFixOffset.Value,
              OffsetDacZero(t.ir_offset_zero, t.ir_offset_step_volts, true, 0.0, 0.0), 2.0);
  const double converter = t.model_cell_gain[1] * t.feedback_gain[0];
  const double full = converter * (t.ir_intercept + t.ir_slope * 3584);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(Results.IRCompGain[i].Gain.Value, converter * (t.ir_intercept + t.ir_slope * 512 * i),
                full * kGainTolerance);
  }
}

// The -3 dB frequency of the stimulus filter's pole behind the control
// bandwidth's.
double TwoPoleCorner(double first, double second) {
  const double a = 1.0 / (first * first) + 1.0 / (second * second);
  const double b = 1.0 / (first * first * second * second);
  return std::sqrt((-a + std::sqrt(a * a + 4.0 * b)) / (2.0 * b));
}

TEST_P(K5MeasureControlRack, ControlAmplifierBandwidths) {
  const PKSimTruths& t = Start(0);
  K5Measure::ControlAmplifierTau();
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    K5Measure::FilterParameters parameters{};
    ASSERT_TRUE(K5Measure::GetFilterParameters(i, parameters, true));
    const double control = t.control_hz[static_cast<std::size_t>(i)];
    const double stimulus = t.stim_filter_hz[static_cast<std::size_t>(std::min(i + 2, 7))];
    const double corner = TwoPoleCorner(control, stimulus);
    const double step = 1.0 / (256.0 * parameters.tauInterval);
    if (corner <= 0.1 / parameters.tauInterval) {
      EXPECT_NEAR(Results.ControlAmplifierFreq[i].Fo.Value, corner, 0.05 * corner + step);
    }
    // A single time constant where the stimulus filter's is under 2 % of it.
    const double tau = 1.0 / (2.0 * std::numbers::pi * control);
    if (tau >= 1.5 * parameters.tauInterval && control < 0.02 * stimulus) {
      EXPECT_NEAR(Results.ControlAmplifierTau[i].Tau.Value, tau, 0.05 * tau);
    }
  }
}

TEST_P(K5MeasureControlRack, SubtractDacFactors) {
  for (int amplifier = 0; amplifier < 2; ++amplifier) {
    SCOPED_TRACE(amplifier == 0 ? "disk" : "ring");
    const PKSimTruths& t = Start(amplifier);
    for (Protocol::MeasuredValue& factor : Results.SubtrDacFactor[1]) factor.Value = 9.0;
    K5Measure::SubtrDac();
    constexpr std::uint8_t kRanges[3] = {2, 5, 8};
    for (int q = 0; q < 3; ++q) {
      SCOPED_TRACE(q);
      std::uint8_t feedback = 0;
      std::uint8_t outputGain = 0;
      K5Panel::CurrentRangeToFactors(kRanges[q], feedback, outputGain);
      // Monitor volts per subtract volt, falling.
      const double gain = t.subtract_gain * t.current_subtract_gain * t.current_output_gain[outputGain];
      ExpectRelative(Results.SubtrDacFactor[0][q].Value,
                     K5Panel::RealCurrentGain(kRanges[q]) / gain / Loc.CurrentOutFactor[kRanges[q]], "current");
    }
    // The disk's galvanostatic factor holds for every feedback resistor;
    // the ring's row is not measured and stays.
    const double galvanostatic =
        1.0 / (t.subtract_gain * t.voltage_subtract_gain * t.voltage_monitor_gain[0]) / Loc.VoltageOutFactor[0];
    for (int q = 0; q < 3; ++q) {
      if (amplifier == 0) {
        ExpectRelative(Results.SubtrDacFactor[1][q].Value, galvanostatic, "voltage");
        EXPECT_EQ(Results.SubtrDacFactor[1][q].Value, Results.SubtrDacFactor[1][0].Value);
      } else {
        EXPECT_EQ(Results.SubtrDacFactor[1][q].Value, 9.0);
      }
    }
  }
}

TEST_P(K5MeasureControlRack, TheRingsTrimsAndOffsets) {
  const PKSimTruths& t = Start(1);
  K5Measure::CMR1();
  EXPECT_NEAR(Results.CMR1.Value, t.cmr1_minimum, 8.0);
  EXPECT_EQ(Loc.CMR1, std::lround(Results.CMR1.Value));
  K5Measure::CMR2();
  EXPECT_NEAR(Results.CMR2.Value, t.cmr2_minimum, 8.0);
  EXPECT_EQ(Loc.CMR2, std::lround(Results.CMR2.Value));

  K5Measure::MeasuredVoltOffDac();
  EXPECT_FALSE(Loc.MeasuredVoltOffDacFailed);
  EXPECT_NEAR(Results.MeasuredVoltOffDac.Value,
              OffsetDacZero(t.measured_volt_zero, t.measured_volt_step_volts, false, 0.0, 0.0), 2.0);
  K5Measure::OCP_OffsetDac();
  EXPECT_FALSE(Loc.OCPOffsetDacFailed);
  EXPECT_NEAR(Results.OCPOffsetDac.Value, OffsetDacZero(t.ocp_offset_zero, t.ocp_offset_step_volts, false, 0.0, 0.0),
              2.0);
}

TEST_P(K5MeasureControlRack, ACommonModeResponseWithoutMinimum) {
  PKSimTruths truths = Start(1);
  truths.no_cmr_minimum = true;
  Active().SetTruths(truths);
  Results.CMR2.Value = 5.0;
  ADMeasure::TestWriteMode = 2;
  const std::size_t before = Notebook().size();
  K5Measure::CMR2();
  const std::string trace = Notebook().substr(before);
  EXPECT_NE(trace.find("100: measured CMR ="), std::string::npos);
  EXPECT_EQ(trace.find("101: measured CMR ="), std::string::npos);
  EXPECT_NE(trace.find("AutoCMR failed: too many iterations."), std::string::npos);
  EXPECT_EQ(Results.CMR2.Value, 5.0);
  EXPECT_EQ(Loc.CMR2, 2047);
}

TEST_P(K5MeasureControlRack, TheManualStandbySwitchKeepsTheOpenCellPotential) {
  Start(1);
  Bus().SetStatus(kManualStandby);
  Results.MeasuredVoltOffDac.Value = 5.0;
  Results.OCPOffsetDac.Value = 6.0;
  ::testing::internal::CaptureStderr();
  K5Measure::MeasuredVoltOffDac();
  K5Measure::OCP_OffsetDac();
  const std::string alerts = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(alerts.find("OCP could not be set."), std::string::npos) << alerts;
  EXPECT_EQ(Results.MeasuredVoltOffDac.Value, 5.0);
  EXPECT_EQ(Results.OCPOffsetDac.Value, 6.0);
  Bus().SetStatus(0);
}

TEST_P(K5MeasureControlRack, AStuckMeasuredVoltageOffsetDac) {
  PKSimTruths truths = Start(1);
  truths.stuck_offset_dacs = true;
  Active().SetTruths(truths);
  K5Measure::MeasuredVoltOffDac();
  EXPECT_TRUE(Loc.MeasuredVoltOffDacFailed);
  EXPECT_EQ(Results.MeasuredVoltOffDac.Value, 0.0);
  const std::string report = Notebook();
  EXPECT_NE(report.find("MeasuredVoltOffDac   0.000E+00"), std::string::npos) << report;
  // The extraction keeps the record's code.
  K5Scale::Scale.MeasuredVoltOffDac = 1999;
  K5Measure::ExtractCalibrationParameters();
  EXPECT_EQ(K5Scale::Scale.MeasuredVoltOffDac, 1999);
  EXPECT_NE(Notebook().find("MeasuredVoltOffDac kept: its search failed"), std::string::npos);
}

}  // namespace
