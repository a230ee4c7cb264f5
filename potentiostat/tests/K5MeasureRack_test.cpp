// The PK calibration tests on both amplifiers of the simulated PK 512: every
// stored group against the value the boards' truths give by the tests' own
// formulas.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <cstdint>
#include <span>
#include <string>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRVBase.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKCalibration_fixture.h"

namespace {

using K5Measure::Loc;
using K5Protocol::Results;

constexpr double kGainTolerance = 0.005;
constexpr double kVoltsPerCode16 = 1.0 / 3200.0;

void ExpectRelative(double measured, double truth, double tolerance, const std::string& what) {
  EXPECT_NEAR(measured, truth, std::fabs(truth) * tolerance) << what;
}

class K5MeasureRack : public PKCalibrationRack {
 protected:
  // What a corrected mux reading shows of a node: node x 10 / reference.
  double MuxCorrected(const PKSimTruths& t) const { return 10.0 / t.reference_volts; }
};

INSTANTIATE_TEST_SUITE_P(QRN55, K5MeasureRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(K5MeasureRack, MuxTransferAndTheDacFactors) {
  for (int amplifier = 0; amplifier < 2; ++amplifier) {
    SCOPED_TRACE(amplifier == 0 ? "disk" : "ring");
    UseAmplifier(amplifier);
    K5Measure::InitModule();
    const PKSimTruths& t = Active().Truths();
    K5Measure::MuxTransfer();
    ExpectRelative(Results.MuxTransfer[0].Gain.Value, t.reference_volts * t.mux_gain / 10.0, kGainTolerance, "mux");
    EXPECT_NEAR(Results.MuxTransfer[0].Offset.Value, t.mux_offset_volts * t.mux_gain, 0.0002);
    ExpectRelative(Results.TenVRef.Value, t.reference_volts * t.mux_gain, kGainTolerance, "10VRef");
    ExpectRelative(Results.MuxTransfer[1].Gain.Value, t.stim_scale_gain[0] * t.mux_gain, kGainTolerance, "x1");
    ExpectRelative(Results.MuxTransfer[2].Gain.Value, t.stim_scale_gain[0] * t.mux_x100_gain, kGainTolerance, "x100");
    ExpectRelative(Results.StimScale[0].Gain.Value, t.stim_scale_gain[0] * MuxCorrected(t), kGainTolerance, "scale");
    ExpectRelative(Loc.MuxGain, 1.0 / Results.MuxTransfer[0].Gain.Value, 1e-12, "LocMuxGain");
    ExpectRelative(Loc.MuxX100Gain, 1.0 / Results.MuxTransfer[2].Gain.Value, 1e-12, "LocMuxX100Gain");

    K5Measure::InitDac();
    K5Measure::InitSubtrDac();
    const double toMux = MuxCorrected(t);
    const bool ring = amplifier == 1;
    const double initDac0 = -t.init_gain * t.control_gain * toMux;
    const double initDac1 = t.init_gain * (ring ? t.output_gain : t.galvanostatic_gain * toMux);
    const double subtr0 = -t.init_gain * t.ocp_gain * toMux;
    const double subtr1 = t.init_gain * t.output_gain * (ring ? 1.0 : toMux);
    ExpectRelative(Results.InitDacFactor[0].Gain.Value, initDac0, kGainTolerance, "InitDac 0");
    ExpectRelative(Results.InitDacFactor[1].Gain.Value, initDac1, kGainTolerance, "InitDac 1");
    ExpectRelative(Loc.InitDacFactor[0], -1.0 / initDac0, kGainTolerance, "LocInitDacFactor 0");
    ExpectRelative(Loc.InitDacFactor[1], 1.0 / initDac1, kGainTolerance, "LocInitDacFactor 1");
    ExpectRelative(Loc.InitSubtrDacFactor[0], -subtr0, kGainTolerance, "LocInitSubtrDacFactor 0");
    ExpectRelative(Loc.InitSubtrDacFactor[1], subtr1, kGainTolerance, "LocInitSubtrDacFactor 1");
  }
}

TEST_P(K5MeasureRack, OffsetsOfTheInitAndSubtractDacs) {
  for (int amplifier = 0; amplifier < 2; ++amplifier) {
    SCOPED_TRACE(amplifier == 0 ? "disk" : "ring");
    UseAmplifier(amplifier);
    K5Measure::InitModule();
    const PKSimTruths& t = Active().Truths();
    K5Measure::MuxTransfer();
    K5Measure::InitDacAndSubtrDacOffsets();
    const double node = MuxTargetNode(Results.MuxTransfer[0].Offset.Value);
    // The disk reads the init DAC itself, the ring the control amplifier's
    // potential, -(init + stimulus) x gain.
    const double init = amplifier == 0 ? node : -node / t.control_gain - Active().Node(0);
    EXPECT_NEAR(Results.InitDacOffset.Value, (init - t.init_offset_volts) / t.init_gain, 2 * kVoltsPerCode16);
    EXPECT_NEAR(Results.SubtrDacOffset.Value, (node - t.subtract_offset_volts) / t.subtract_gain,
                2 * kVoltsPerCode16);
    EXPECT_EQ(Loc.InitDacOffset, Results.InitDacOffset.Value);
    EXPECT_EQ(Loc.SubtrDacOffset, Results.SubtrDacOffset.Value);
  }
}

TEST_P(K5MeasureRack, VoltageOutputAmplifier) {
  for (int amplifier = 0; amplifier < 2; ++amplifier) {
    SCOPED_TRACE(amplifier == 0 ? "disk" : "ring");
    UseAmplifier(amplifier);
    K5Measure::InitModule();
    const PKSimTruths& t = Active().Truths();
    K5Measure::MuxTransfer();
    K5Measure::VoltageOutputAmplifier();
    for (std::uint8_t g = 0; g < 4; ++g) {
      SCOPED_TRACE(g);
      const Protocol::OffsetDacValues& offset = Results.OffsetVoltageAmplifierDac[g];
      EXPECT_TRUE(offset.Flag);
      EXPECT_NEAR(offset.Dac.Value, t.voltage_offset_zero[g], 2.0);
      EXPECT_EQ(Loc.VoltageOffsetDac[g], std::lround(offset.Dac.Value));
      // Stimulus volts through the stimulus path and the monitor, per the
      // stimulus scale's corrected gain (x 10 / reference on the mux).
      const double gain = t.stim_filter_gain * t.voltage_monitor_gain[g] * K5Panel::VoltOutAmplGainToFactor(g) *
                          t.reference_volts / 10.0;
      ExpectRelative(Results.VoltageOutputAmplifier[g].Gain.Value, gain, kGainTolerance, "monitor");
      ExpectRelative(Loc.VoltageOutFactor[g], 1.0 / gain, kGainTolerance, "LocVoltageOutFactor");
    }
  }
}

TEST_P(K5MeasureRack, StimulusCurrentAndVoltageFilters) {
  for (int amplifier = 0; amplifier < 2; ++amplifier) {
    SCOPED_TRACE(amplifier == 0 ? "disk" : "ring");
    UseAmplifier(amplifier);
    K5Measure::InitModule();
    const PKSimTruths& t = Active().Truths();
    K5Measure::MuxTransfer();
    K5Measure::StimFilter();
    K5Measure::StimFilterTau();
    K5Measure::CurrentFilter();
    K5Measure::CurrentFilterTau();
    K5Measure::VoltageFilter();
    K5Measure::VoltageFilterTau();
    struct Path {
      const char* name;
      const Protocol::TransferValues* gains;
      const Protocol::ExponentialValues* taus;
      const Protocol::FrequencyResponseValues* corners;
      double gain;  // as corrected: the test DAC's x 10 / reference; the stimulus's over the stimulus scale's
      std::span<const double> hz;
    };
    const Path paths[] = {
        {"stimulus", Results.StimFilter, Results.StimFilterTau, Results.StimFilterFreq, t.stim_filter_gain,
         t.stim_filter_hz},
        {"current", Results.CurrentFilter, Results.CurrentFilterTau, Results.CurrentFilterFreq,
         t.current_filter_gain * 10.0 / t.reference_volts, t.current_filter_hz},
        {"voltage", Results.VoltageFilter, Results.VoltageFilterTau, Results.VoltageFilterFreq,
         t.voltage_filter_gain * 10.0 / t.reference_volts, t.voltage_filter_hz},
    };
    // The stimulus filters' factor and offset: their mean gain and offset
    // (the stimulus path's offset behind the corrected stimulus zero).
    ExpectRelative(Loc.StimFilterFactor, 1.0 / t.stim_filter_gain, kGainTolerance, "LocStimFilterFactor");
    EXPECT_NEAR(Loc.StimFilterOffset, -t.stim_filter_offset_volts * 10.0 / t.reference_volts, 0.0003);
    for (const Path& path : paths) {
      for (std::size_t f = 0; f < path.hz.size(); ++f) {
        SCOPED_TRACE(std::string(path.name) + " filter " + std::to_string(f));
        K5Measure::FilterParameters parameters{};
        ASSERT_TRUE(K5Measure::GetFilterParameters(static_cast<std::int32_t>(f), parameters, false));
        const double hz = path.hz[f];
        const double tau = 1.0 / (2.0 * std::numbers::pi * hz);
        ExpectRelative(path.gains[f].Gain.Value, path.gain, kGainTolerance, "gain");
        // The chirp resolves corners up to a tenth of its sampling rate, to
        // its frequency step (256 points), the square wave time constants
        // down to one and a half intervals.
        const double step = 1.0 / (256.0 * parameters.tauInterval);
        if (hz <= 0.1 / parameters.tauInterval) {
          EXPECT_NEAR(path.corners[f].Fo.Value, hz, 0.05 * hz + step) << "corner";
        }
        if (tau >= 1.5 * parameters.tauInterval) ExpectRelative(path.taus[f].Tau.Value, tau, 0.05, "tau");
      }
    }
  }
}

// ---- The frame's hooks ---------------------------------------------------------

int hookCalls = 0;
bool AbortAfterFirstStep() { return ++hookCalls >= 2; }
bool ContinueEverySecondPass() { return ++hookCalls % 2 == 0; }
int executed = 0;
bool CountExecution() {
  ++executed;
  return true;
}

TEST_P(K5MeasureRack, HooksSkipRepeatAbortAndPause) {
  struct Row {
    const char* name;
    K5Measure::Hook abort;
    K5Measure::Hook proceed;
    K5Measure::Hook execute;
    K5Measure::Hook pausing;
    int measuredSteps;  // records 0 .. n-1 written
    int executions;
    bool x100Written;
    const char* notebook;  // what the notebook shows, or nullptr
  };
  const Row rows[] = {
      {"defaults", K5Measure::ReturnFalse, K5Measure::ReturnTrue, CountExecution, K5Measure::ReturnFalse, 4, 4, true,
       "10VRef"},
      {"abort before", K5Measure::ReturnTrue, K5Measure::ReturnTrue, CountExecution, K5Measure::ReturnFalse, 0, 0,
       false, nullptr},
      {"abort after the first step", AbortAfterFirstStep, K5Measure::ReturnTrue, CountExecution,
       K5Measure::ReturnFalse, 1, 1, false, nullptr},
      {"skip", K5Measure::ReturnFalse, K5Measure::ReturnTrue, K5Measure::ReturnFalse, K5Measure::ReturnFalse, 0, 0,
       false, "LocMuxX100Gain kept"},
      {"repeat", K5Measure::ReturnFalse, ContinueEverySecondPass, CountExecution, K5Measure::ReturnFalse, 4, 8, true,
       nullptr},
      {"pausing", K5Measure::ReturnFalse, K5Measure::ReturnTrue, CountExecution, K5Measure::ReturnTrue, 4, 4, true,
       "  --3-- "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    K5Measure::InitModule();
    K5Protocol::InitModule();
    hookCalls = 0;
    executed = 0;
    K5Measure::DoAbortProc = row.abort;
    K5Measure::DoContinueProc = row.proceed;
    K5Measure::ExecuteTestProc = row.execute;
    K5Measure::PausingProc = row.pausing;
    const std::size_t before = Notebook().size();
    K5Measure::MuxTransfer();
    for (int step = 0; step < 4; ++step) {
      EXPECT_EQ(Results.MuxTransfer[step].Gain.Value != 0.0, step < row.measuredSteps) << step;
    }
    EXPECT_EQ(executed, row.executions);
    EXPECT_EQ(Loc.MuxX100Gain != 100.0, row.x100Written);
    const std::string written = Notebook().substr(before);
    if (row.notebook != nullptr) EXPECT_NE(written.find(row.notebook), std::string::npos) << written;
    if (row.measuredSteps == 0 && row.executions == 0 && row.abort == K5Measure::ReturnTrue) {
      EXPECT_EQ(written.find("MuxTransfer"), std::string::npos);
    }
  }
}

// ---- The DAC search ------------------------------------------------------------

double zeroCode = 0.0;
double coarseCode = 0.0;
int setterCalls = 0;

// Far below the zero for codes under 2000, just above it at and over: the
// secant keeps landing next to the upper end and the bracket never closes.
void StagnatingVoltageOffset(std::uint16_t code) {
  ++setterCalls;
  K5Set::VoltageOffsetDac(static_cast<std::uint16_t>(code < 2000 ? 0 : zeroCode + 1));
}

// The init DAC as asked in the coarse pass; the stagnating pattern around
// the coarse result in the fine pass.
void InitDacFailingFinePass(std::uint16_t code) {
  ++setterCalls;
  if (!Loc.MuxX100Active) {
    coarseCode = code;
    K5Set::InitDacValue(code);
    return;
  }
  K5Set::InitDacValue(static_cast<std::uint16_t>(code + 50 < coarseCode ? 0 : coarseCode + 3));
}

TEST_P(K5MeasureRack, DacSearchLimits) {
  K5Measure::InitModule();
  K5Set::InitHardware();
  zeroCode = Active().Truths().voltage_offset_zero[0];
  setterCalls = 0;

  double value = 1234;
  bool found = true;
  K5Measure::FindDacValue(PKTypes::State.VoltageAdcChannel, 0.0, StagnatingVoltageOffset, 3, value, found, true, 0.0);
  EXPECT_EQ(value, 1234);
  EXPECT_EQ(setterCalls, 0);

  std::int32_t count = 0;
  value = 2047;
  EXPECT_FALSE(K5Measure::DoFindDacValue(PKTypes::State.VoltageAdcChannel, 0.0, StagnatingVoltageOffset,
                                         K5Measure::kDac12, value, true, 0.0, count, false));
  EXPECT_EQ(count, K5Measure::kMaxSearchRounds + 1);

  ADMeasure::TestWriteMode = 2;
  K5Set::MuxChannel(11);
  K5Measure::FindDacValue(PKTypes::State.MuxAdcChannel, 0.0, InitDacFailingFinePass, K5Measure::kDac16, value, found,
                          true, 0.0);
  EXPECT_TRUE(found);
  EXPECT_FALSE(Loc.MuxX100Active);
  // The trace: the coarse pass's end, then the fine pass's failure after
  // 101 rounds; the value is the coarse one again.
  const std::string notebook = Notebook();
  const std::size_t coarseEnd = notebook.find(", DacUnits = ");
  ASSERT_NE(coarseEnd, std::string::npos);
  EXPECT_NEAR(value, std::stod(notebook.substr(coarseEnd + 13)), 0.05);
  EXPECT_NE(notebook.find("iterations =101, DacUnits = ", coarseEnd), std::string::npos);
  EXPECT_NE(notebook.find(" FAILED", coarseEnd), std::string::npos);
}

TEST_P(K5MeasureRack, ADeadPathKeepsItsFactors) {
  K5Measure::InitModule();
  PKSimTruths truths = Active().Truths();
  truths.dead_mux_channels = 1u << 5;
  Active().SetTruths(truths);
  K5Measure::MuxTransfer();
  EXPECT_EQ(Results.MuxTransfer[1].Gain.Value, 0.0);
  EXPECT_EQ(Loc.StimScaleFactor[0], 1.0);
  EXPECT_NE(Loc.MuxGain, 1.0);
  const std::string notebook = Notebook();
  EXPECT_NE(notebook.find("LocStimScaleFactor[0] kept"), std::string::npos) << notebook;
}

}  // namespace
