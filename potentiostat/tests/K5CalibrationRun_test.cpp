// A whole calibration of a simulated PK 512 pair, headless on the virtual
// clock: a test stands in for the program's missing caller and runs every
// test of both amplifiers in the module's order, then writes the results as
// range file and as report, as an operator's run would leave them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "dialogs/Alert.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKCalibrationOrder.h"
#include "potentiostat/tests/PKCalibration_fixture.h"
#include "selftest/Protocol.h"
#include "selftest/tests/Golden_fixture.h"

namespace {

using K5Protocol::Results;

class K5CalibrationRun : public PKCalibrationRack {
 protected:
  // The limits of the hand-written range file, every test of the amplifier
  // in order, then both files.
  void Calibrate(int amplifier, const std::string& name) {
    UseAmplifier(amplifier);
    K5Measure::InitModule();
    K5Protocol::InitModule();
    std::ifstream hand(std::string(SELFTEST_TEST_DATA_DIR) + "/PKRange_hand.txt", std::ios::binary);
    PutFile("range.txt", std::string(std::istreambuf_iterator<char>(hand), {}));
    ASSERT_TRUE(K5Protocol::Read(Text(Path("range.txt"))));
    K5Protocol::FillInfo();
    for (const PKCalibrationStep& step : kPKCalibrationOrder) {
      SCOPED_TRACE(step.name);
      step.run();
    }
    EXPECT_TRUE(K5Protocol::Write(Text(Path(name + "_range.txt")), false, false, 0));
    EXPECT_TRUE(K5Protocol::Write(Text(Path(name + "_report.txt")), false, true, 0));
  }
};

INSTANTIATE_TEST_SUITE_P(QRN55, K5CalibrationRun, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(K5CalibrationRun, BothAmplifiersInTheModulesOrder) {
  for (int amplifier = 0; amplifier < 2; ++amplifier) {
    const std::string name = amplifier == 0 ? "disk" : "ring";
    SCOPED_TRACE(name);
    ASSERT_NO_FATAL_FAILURE(Calibrate(amplifier, name));
    // What a run leaves: its measurements, the range file for the next run,
    // the report that cannot serve as one.
    const K5Protocol::ResultsRecord measured = Results;
    EXPECT_TRUE(K5Protocol::Read(Text(Path(name + "_range.txt"))));
    EXPECT_EQ(Results.VoltageFilterTau[3].Tau.Value, measured.VoltageFilterTau[3].Tau.Value);
    EXPECT_FALSE(K5Protocol::Read(Text(Path(name + "_report.txt"))));
    EXPECT_TRUE(Protocol::FileError);
  }
  // The headers' dates and the test's folder are the machine's.
  std::string terminal = std::regex_replace(Notebook(), std::regex("Date - .*"), "Date - (the run's)");
  for (std::size_t at = terminal.find(Dir()); at != std::string::npos; at = terminal.find(Dir(), at)) {
    terminal.replace(at, Dir().size(), "./");
  }
  EXPECT_TRUE(MatchesGolden(terminal, "calibration_run.txt"));
}

// The PK 510 alone (version 'A', no ring amplifier): the disk's tests need
// nothing of the PK 512.
class K5CalibrationPK510 : public K5CalibrationRun {
 protected:
  K5CalibrationPK510() { withPK512_ = false; }
};

INSTANTIATE_TEST_SUITE_P(QRN55, K5CalibrationPK510, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

void ExpectRelative(double measured, double truth, const char* what) {
  EXPECT_NEAR(measured, truth, std::fabs(truth) * 0.005) << what;
}

TEST_P(K5CalibrationPK510, TheDiskAloneMatchesItsTruths) {
  ASSERT_NO_FATAL_FAILURE(Calibrate(0, "disk"));
  EXPECT_FALSE(PKTypes::State.HasRingAmplifier);
  const PKSimTruths& t = Active().Truths();
  const double toMux = 10.0 / t.reference_volts;
  ExpectRelative(Results.MuxTransfer[0].Gain.Value, t.mux_gain / toMux, "mux");
  ExpectRelative(Results.InitDacFactor[0].Gain.Value, -t.init_gain * t.control_gain * toMux, "InitDac 0");
  ExpectRelative(Results.InitDacFactor[1].Gain.Value, t.init_gain * t.galvanostatic_gain * toMux, "InitDac 1");
  for (int g = 0; g < 4; ++g) {
    SCOPED_TRACE(g);
    EXPECT_NEAR(Results.OffsetVoltageAmplifierDac[g].Dac.Value, t.voltage_offset_zero[g], 2.0);
    ExpectRelative(Results.VoltageOutputAmplifier[g].Gain.Value,
                   t.stim_filter_gain * t.voltage_monitor_gain[g] * K5Panel::VoltOutAmplGainToFactor(
                                                                        static_cast<std::uint8_t>(g)) / toMux,
                   "monitor");
  }
  for (int f = 0; f < 7; ++f) {
    SCOPED_TRACE(f);
    ExpectRelative(Results.CurrentFilter[f].Gain.Value, t.current_filter_gain * toMux, "current filter");
    ExpectRelative(Results.VoltageFilter[f].Gain.Value, t.voltage_filter_gain * toMux, "voltage filter");
  }
}

}  // namespace
