// A whole calibration of a simulated PK 512 pair, headless on the virtual
// clock: a test stands in for the program's missing caller. Per amplifier
// it reads the board's serial number and loads the state, runs every test
// in the module's order, turns the results into the scale record and
// stores it on the board (with the backup of what was there), then writes
// the results as range file and as report, as an operator's run would
// leave them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "dialogs/Alert.h"
#include "foundation/Strings.h"
#include "potentiostat/K5EEPROM.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKCalibrationOrder.h"
#include "potentiostat/tests/PKCalibration_fixture.h"
#include "selftest/Protocol.h"
#include "selftest/TestIO.h"
#include "selftest/tests/Golden_fixture.h"
#include "shell/MacEnv.h"

namespace {

using K5Protocol::Results;

class K5CalibrationRun : public PKCalibrationRack {
 protected:
  void SetUp() override {
    PKCalibrationRack::SetUp();
    Strings::Assign(MacEnv::Version, "Mereth of the calibration run");
  }

  // The limits of the hand-written range file, every test of the amplifier
  // in order, the scale record stored and read back, then both files.
  void Calibrate(int amplifier, const std::string& name) {
    ASSERT_TRUE(K5Panel::ReadSerialString());
    UseAmplifier(amplifier);
    K5Panel::LoadTheState();
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
    ASSERT_TRUE(K5Measure::ExtractCalibrationParameters()) << TestIO::ErrorText;
    std::string message;
    K5Scale::PKScaleRecord stored = K5Scale::Scale;
    ASSERT_TRUE(K5EEPROM::WriteScale(stored, message)) << message;
    K5Scale::PKScaleRecord read{};
    ASSERT_TRUE(K5EEPROM::ReadScale(read, message)) << message;
    std::array<std::uint8_t, K5EEPROM::ScaleImageSize> storedImage{};
    std::array<std::uint8_t, K5EEPROM::ScaleImageSize> readImage{};
    K5EEPROM::PackScale(stored, storedImage);
    K5EEPROM::PackScale(read, readImage);
    EXPECT_EQ(readImage, storedImage);
    EXPECT_NE(Listing().find("EEPROM_K5Scale_"), std::string::npos) << Listing();
    EXPECT_TRUE(K5Protocol::Write(Text(Path(name + "_range.txt")), false, false, 0));
    EXPECT_TRUE(K5Protocol::Write(Text(Path(name + "_report.txt")), false, true, 0));
  }
  void RunAndCompare(int amplifier);
};

INSTANTIATE_TEST_SUITE_P(QRN55, K5CalibrationRun, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

void ExpectRelative(double measured, double truth, const char* what) {
  EXPECT_NEAR(measured, truth, std::fabs(truth) * 0.005) << what;
}

// The scale record's fields that the truths give directly.
void ExpectScaleOfTheTruths(bool ring, const PKSimTruths& t) {
  const K5Scale::PKScaleRecord& s = K5Scale::Scale;
  const double toMux = 10.0 / t.reference_volts;
  ExpectRelative(s.MuxGain, 1.0 / (t.mux_gain / toMux), "MuxGain");
  ExpectRelative(s.StimScaleFactor[0], 1.0 / (t.stim_scale_gain[0] * toMux), "StimScaleFactor");
  ExpectRelative(s.StimFilterFactor, 1.0 / t.stim_filter_gain, "StimFilterFactor");
  for (int g = 0; g < 4; ++g) EXPECT_NEAR(s.VoltageOffsetDac[g], t.voltage_offset_zero[g], 2.0) << g;
  if (ring) {
    EXPECT_NEAR(s.CMR1Dac, t.cmr1_minimum, 8.0);
    EXPECT_NEAR(s.CMR2Dac, t.cmr2_minimum, 8.0);
    return;
  }
  EXPECT_NEAR(s.ClampGainPerUnit, -t.clamp_slope, 0.005 * t.clamp_slope);
  ExpectRelative(s.IRCompGainSlope, t.model_cell_gain[1] * t.feedback_gain[0] * t.ir_slope, "IRCompGainSlope");
}

// One amplifier's whole run (one test each, so that neither waits for the
// other's), what it leaves, and its test terminal against its golden text.
void K5CalibrationRun::RunAndCompare(int amplifier) {
  const std::string name = amplifier == 0 ? "disk" : "ring";
  ASSERT_NO_FATAL_FAILURE(Calibrate(amplifier, name));
  // What a run leaves: its measurements, the range file for the next run,
  // the report that cannot serve as one.
  const K5Protocol::ResultsRecord measured = Results;
  EXPECT_TRUE(K5Protocol::Read(Text(Path(name + "_range.txt"))));
  EXPECT_EQ(Results.VoltageFilterTau[3].Tau.Value, measured.VoltageFilterTau[3].Tau.Value);
  ExpectScaleOfTheTruths(amplifier == 1, Active().Truths());
  EXPECT_FALSE(K5Protocol::Read(Text(Path(name + "_report.txt"))));
  EXPECT_TRUE(Protocol::FileError);
  // The headers' dates, the backups' and the test's folder are the
  // machine's.
  std::string terminal = std::regex_replace(Notebook(), std::regex("Date - .*"), "Date - (the run's)");
  terminal = std::regex_replace(terminal, std::regex("_[0-9-]+_[0-9-]+\\.bak"), "_(date)_(time).bak");
  for (std::size_t at = terminal.find(Dir()); at != std::string::npos; at = terminal.find(Dir(), at)) {
    terminal.replace(at, Dir().size(), "./");
  }
  EXPECT_TRUE(MatchesGolden(terminal, "calibration_run_" + name + ".txt"));
}

TEST_P(K5CalibrationRun, TheDiskAmplifierInTheModulesOrder) { RunAndCompare(0); }

TEST_P(K5CalibrationRun, TheRingAmplifierInTheModulesOrder) { RunAndCompare(1); }

// The PK 510 alone (version 'A', no ring amplifier): the disk's tests need
// nothing of the PK 512.
class K5CalibrationPK510 : public K5CalibrationRun {
 protected:
  K5CalibrationPK510() { withPK512_ = false; }
};

INSTANTIATE_TEST_SUITE_P(QRN55, K5CalibrationPK510, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(K5CalibrationPK510, TheDiskAloneMatchesItsTruths) {
  ASSERT_NO_FATAL_FAILURE(Calibrate(0, "disk"));
  EXPECT_FALSE(PKTypes::State.HasRingAmplifier);
  const PKSimTruths& t = Active().Truths();
  ExpectScaleOfTheTruths(false, t);
  const double toMux = 10.0 / t.reference_volts;
  ExpectRelative(Results.MuxTransfer[0].Gain.Value, t.mux_gain / toMux, "mux");
  ExpectRelative(Results.InitDacFactor[0].Gain.Value, -t.init_gain * t.control_gain * toMux, "InitDac 0");
  ExpectRelative(Results.InitDacFactor[1].Gain.Value, t.init_gain * t.galvanostatic_gain * toMux, "InitDac 1");
  // The stimulus filters' factor calibrated ahead of the monitor.
  for (int g = 0; g < 4; ++g) {
    SCOPED_TRACE(g);
    ExpectRelative(Results.VoltageOutputAmplifier[g].Gain.Value,
                   t.voltage_monitor_gain[g] * K5Panel::VoltOutAmplGainToFactor(static_cast<std::uint8_t>(g)) /
                       toMux,
                   "monitor");
  }
  for (int f = 0; f < 7; ++f) {
    SCOPED_TRACE(f);
    ExpectRelative(Results.CurrentFilter[f].Gain.Value, t.current_filter_gain * toMux, "current filter");
    ExpectRelative(Results.VoltageFilter[f].Gain.Value, t.voltage_filter_gain * toMux, "voltage filter");
  }
}

// The caller stores no scale record the extraction refuses.
TEST_P(K5CalibrationRun, ADeadStimulusPathStoresNothing) {
  std::string message;
  ASSERT_TRUE(K5EEPROM::DumpScale(Text(Path("before.bin")), message)) << message;
  PKSimTruths truths = Active().Truths();
  truths.dead_mux_channels = 1u << 5;
  Active().SetTruths(truths);
  K5Measure::InitModule();
  K5Measure::MuxTransfer();
  K5Measure::StimScale();
  EXPECT_FALSE(K5Measure::ExtractCalibrationParameters());
  EXPECT_STREQ(TestIO::ErrorText, "StimScaleFactor[0] is not a finite number");
  ASSERT_TRUE(K5EEPROM::DumpScale(Text(Path("after.bin")), message)) << message;
  EXPECT_EQ(FileContent("after.bin"), FileContent("before.bin"));
  EXPECT_EQ(Listing().find("EEPROM_K5Scale_"), std::string::npos);
}

}  // namespace
