// The calibration parameters from results and module variables a test sets
// (no hardware): the scale record field by field, the fields kept, and the
// print-out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "acquisition/ADMeasure.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"
#include "selftest/TestIO.h"
#include "selftest/tests/Golden_fixture.h"
#include "selftest/tests/Selftest_fixture.h"

namespace {

using K5Measure::Loc;
using K5Protocol::Results;
using K5Scale::Scale;

int ClampCode(int i) { return 32 * i + 16; }

class K5Extraction : public SelftestTest {
 protected:
  void SetUp() override {
    SelftestTest::SetUp();
    PKTypes::InitModule();
    K5Scale::InitModule();
    K5Protocol::InitModule();
    K5Measure::InitModule();
    PKTypes::State.Version = 'B';
    PKTypes::State.HasRingAmplifier = true;
    PKTypes::State.ConfigCode = 3;
    std::memcpy(PKTypes::State.SerialNumber, "654321AB", 8);
    Measured();
  }
  void TearDown() override {
    std::memset(TestIO::ErrorText, 0, sizeof TestIO::ErrorText);
    SelftestTest::TearDown();
  }

  // What a calibration of the disk amplifier leaves, every value its own.
  static void Measured() {
    Loc.MuxGain = 1.01;
    Loc.MuxOffset = 0.002;
    Loc.MuxX100Gain = 0.0101;
    Loc.MuxX100Offset = -0.03;
    Loc.InitDacFactor = {-0.98, 1.02};
    Loc.InitSubtrDacFactor = {-1.03, 0.97};
    Loc.InitDacOffset = 0.0031;
    Loc.StimFilterFactor = 0.995;
    Loc.StimFilterOffset = -0.0012;
    Loc.SubtrDacOffset = 0.0007;
    for (int k = 0; k < 6; ++k) Loc.CoAmpOffsetDac[k] = static_cast<std::uint16_t>(2001 + k);
    for (int k = 0; k < 3; ++k) Loc.WorkElectrOffsetDac[k] = static_cast<std::uint16_t>(1901 + k);
    for (int r = 0; r < 12; ++r) {
      Loc.CurrentOffsetDac[r] = static_cast<std::uint16_t>(2100 + r);
      Loc.CurrentOutFactor[r] = 1.0 + 0.001 * r;
      Loc.CurrentOutOffset[r] = -0.0001 * r;
    }
    Loc.VoltageOffsetDac = {1800, 1801, 1802, 1803};
    Loc.VoltageOutFactor = {1.001, 0.2002, 0.02003, 0.002004};
    Loc.CMR1 = 1500;
    Loc.CMR2 = 2500;
    for (int i = 0; i < 4; ++i) {
      Results.StimScale[i].Gain.Value = 1.0 + 0.01 * i;
      Results.StimScale[i].Offset.Value = 0.001 * i;
      Results.VoltageOutputAmplifier[i].Offset.Value = 0.0002 * i;
    }
    // Group 0 (clamp gain off) lies off the line on purpose.
    Results.ClampGain[0].Gain.Value = 99.0;
    for (int i = 0; i < 8; ++i) {
      Results.ClampGain[i + 1].Gain.Value = -(1.02 + 0.004 * ClampCode(i));
      Results.IRCompGain[i].Gain.Value = 0.02 + 512.0 * i / 4096.0;
    }
    Results.IRCompFixOffset.Value = 2040;
    Results.CoAmpOffsetPerUnit.Value = 0.00098;
    for (int p = 0; p < 2; ++p) {
      for (int q = 0; q < 3; ++q) Results.SubtrDacFactor[p][q].Value = 1.0 + 0.1 * p + 0.01 * q;
    }
    Results.MeasuredVoltOffDac.Value = 1999.6;
    Results.OCPOffsetDac.Value = 130.4;
  }
};

TEST_F(K5Extraction, EveryFieldFromItsSource) {
  Scale.RecordVersion = 910;
  Scale.CheckValue = 1234;
  Scale.ClampOffsetPerUnit = 5.0;
  Scale.ClampIntercept = 6.0;
  Scale.LittleEndian = !Scale.LittleEndian;
  const bool littleEndian = Scale.LittleEndian;
  ASSERT_TRUE(K5Measure::ExtractCalibrationParameters());

  EXPECT_STREQ(Scale.Id, "K5SCALE");
  EXPECT_STREQ(Scale.CalibrationDate, "04-Mar-2026");
  EXPECT_EQ(std::string(Scale.SerialNumber, 8), "654321AB");
  EXPECT_EQ(Scale.RecordVersion, 0);
  EXPECT_EQ(Scale.CheckValue, 0u);
  EXPECT_EQ(Scale.LittleEndian, littleEndian);
  EXPECT_EQ(Scale.ConfigCode, 3);
  EXPECT_EQ(Scale.Version, 'B');
  EXPECT_EQ(Scale.MuxGain, 1.01);
  EXPECT_EQ(Scale.MuxOffset, 0.002);
  EXPECT_EQ(Scale.MuxX100Gain, 0.0101);
  EXPECT_EQ(Scale.MuxX100Offset, -0.03);
  EXPECT_EQ(Scale.InitDacFactor[0], -0.98);
  EXPECT_EQ(Scale.InitDacFactor[1], 1.02);
  EXPECT_EQ(Scale.InitDacOffset, 0.0031);
  EXPECT_EQ(Scale.InitSubtrDacFactor[0], -1.03);
  EXPECT_EQ(Scale.InitSubtrDacFactor[1], 0.97);
  EXPECT_EQ(Scale.StimFilterFactor, 0.995);
  EXPECT_EQ(Scale.StimFilterOffset, -0.0012);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_DOUBLE_EQ(Scale.StimScaleFactor[i], 1.0 / (1.0 + 0.01 * i));
    EXPECT_EQ(Scale.StimScaleOffset[i], -0.001 * i);
    EXPECT_EQ(Scale.VoltageOutFactor[i], Loc.VoltageOutFactor[i]);
    EXPECT_EQ(Scale.VoltageOutOffset[i], -0.0002 * i);
    EXPECT_EQ(Scale.VoltageOffsetDac[i], 1800 + i);
  }
  // The clamp line leaves group 0 out; the IR line takes all eight.
  EXPECT_NEAR(Scale.ClampGainPerUnit, -0.004, 1e-7);
  EXPECT_EQ(Scale.ClampOffsetPerUnit, 0.0);
  EXPECT_EQ(Scale.ClampIntercept, 0.0);
  EXPECT_NEAR(Scale.IRCompGainSlope, 1.0 / 4096.0, 1e-9);
  EXPECT_NEAR(Scale.IRCompGainOffset, 0.02, 1e-6);
  EXPECT_EQ(Scale.IRCompFixOffset, 2040);
  EXPECT_EQ(Scale.CoAmpOffsetPerUnit, 0.00098);
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(Scale.CoAmpOffsetDacPot[k], 2001 + k);
    EXPECT_EQ(Scale.CoAmpOffsetDacGal[k], 2004 + k);
    EXPECT_EQ(Scale.WorkElectrOffsetDac[k], 1901 + k);
  }
  for (int p = 0; p < 2; ++p) {
    for (int q = 0; q < 3; ++q) EXPECT_EQ(Scale.SubtrDacFactor[p][q], 1.0 + 0.1 * p + 0.01 * q) << p << q;
  }
  EXPECT_EQ(Scale.SubtrDacOffset, 0.0007);
  EXPECT_EQ(Scale.CMR1Dac, 1500);
  EXPECT_EQ(Scale.CMR2Dac, 2500);
  EXPECT_EQ(Scale.MeasuredVoltOffDac, 2000);
  EXPECT_EQ(Scale.OCPOffsetDac, 130);
}

TEST_F(K5Extraction, TheCurrentRangesOfTheVersionsWindowOnly) {
  const K5Scale::PKScaleRecord before = Scale;
  ASSERT_TRUE(K5Measure::ExtractCalibrationParameters());
  for (int r = 0; r < 12; ++r) {
    SCOPED_TRACE(r);
    const bool inWindow = r >= 2;
    EXPECT_EQ(Scale.CurrentOutFactor[r], inWindow ? Loc.CurrentOutFactor[r] : before.CurrentOutFactor[r]);
    EXPECT_EQ(Scale.CurrentOutOffset[r], inWindow ? Loc.CurrentOutOffset[r] : before.CurrentOutOffset[r]);
    EXPECT_EQ(Scale.CurrentOffsetDac[r], inWindow ? Loc.CurrentOffsetDac[r] : before.CurrentOffsetDac[r]);
  }
}

TEST_F(K5Extraction, WithoutARingAmplifierItsFieldsStay) {
  PKTypes::State.HasRingAmplifier = false;
  Scale.CMR1Dac = 11;
  Scale.CMR2Dac = 12;
  Scale.MeasuredVoltOffDac = 13;
  Scale.OCPOffsetDac = 14;
  ASSERT_TRUE(K5Measure::ExtractCalibrationParameters());
  EXPECT_EQ(Scale.CMR1Dac, 11);
  EXPECT_EQ(Scale.CMR2Dac, 12);
  EXPECT_EQ(Scale.MeasuredVoltOffDac, 13);
  EXPECT_EQ(Scale.OCPOffsetDac, 14);
}

// What the extraction must not store (the result FALSE, the first name in
// TestIO::ErrorText), and what it keeps for a search that failed or a row
// the ring amplifier does not measure (the result TRUE).
TEST_F(K5Extraction, KeptFields) {
  using K5Scale::PKScaleRecord;
  struct Row {
    const char* name;
    void (*spoil)();
    bool (*kept)(const PKScaleRecord& before);
    bool result;
    const char* line;  // on the test terminal, nullptr: none
  };
  const Row rows[] = {
      {"zero StimScale gain", [] { Results.StimScale[0].Gain.Value = 0.0; },
       [](const PKScaleRecord& before) {
         return Scale.StimScaleFactor[0] == before.StimScaleFactor[0] && Scale.StimScaleFactor[1] == 1.0 / 1.01;
       },
       false, "StimScaleFactor[0] kept: not a finite number"},
      {"NaN clamp gain", [] { Results.ClampGain[3].Gain.Value = NAN; },
       [](const PKScaleRecord& before) { return Scale.ClampGainPerUnit == before.ClampGainPerUnit; }, false,
       "ClampGainPerUnit kept: not a finite number"},
      {"failed IR offset search", [] { Loc.IRCompFixOffsetFailed = true; },
       [](const PKScaleRecord& before) { return Scale.IRCompFixOffset == before.IRCompFixOffset; }, true,
       "IRCompFixOffset kept: its search failed"},
      {"failed OCP offset search", [] { Loc.OCPOffsetDacFailed = true; },
       [](const PKScaleRecord& before) { return Scale.OCPOffsetDac == before.OCPOffsetDac; }, true,
       "OCPOffsetDac kept: its search failed"},
      {"ring calibration", [] { PKTypes::State.IsRingAmplifier = true; },
       [](const PKScaleRecord& before) {
         for (int q = 0; q < 3; ++q) {
           if (Scale.SubtrDacFactor[1][q] != before.SubtrDacFactor[1][q]) return false;
           if (Scale.SubtrDacFactor[0][q] != 1.0 + 0.01 * q) return false;
         }
         return true;
       },
       true, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    K5Scale::InitModule();
    K5Measure::InitModule();
    K5Protocol::InitModule();
    PKTypes::State.IsRingAmplifier = false;
    std::memset(TestIO::ErrorText, 0, sizeof TestIO::ErrorText);
    Measured();
    row.spoil();
    const PKScaleRecord before = Scale;
    const std::size_t written = Notebook().size();
    EXPECT_EQ(K5Measure::ExtractCalibrationParameters(), row.result);
    EXPECT_TRUE(row.kept(before));
    EXPECT_EQ(Scale.MuxGain, 1.01);
    const std::string lines = Notebook().substr(written);
    if (row.line != nullptr) EXPECT_NE(lines.find(row.line), std::string::npos) << lines;
    EXPECT_EQ(std::string(TestIO::ErrorText).empty(), row.result) << TestIO::ErrorText;
  }
  EXPECT_STREQ(TestIO::ErrorText, "") << "ring calibration";
}

TEST_F(K5Extraction, TheFirstFieldNotStoredNamesTheError) {
  Results.StimScale[2].Gain.Value = 0.0;
  Results.ClampGain[3].Gain.Value = NAN;
  EXPECT_FALSE(K5Measure::ExtractCalibrationParameters());
  EXPECT_STREQ(TestIO::ErrorText, "StimScaleFactor[2] is not a finite number");
}

TEST_F(K5Extraction, PrintOutWithAndWithoutTheRingsTrims) {
  ASSERT_TRUE(K5Measure::ExtractCalibrationParameters());
  Scale.VoltageOutFactor[3] = 1e300;  // stars, or what Decode makes of it
  K5Measure::WriteCalibrationParameters();
  const std::string ring = Notebook();
  EXPECT_TRUE(MatchesGolden(ring, "calibration_parameters_ring.txt"));
  // The extraction prints them itself with extended test output.
  PKTypes::State.HasRingAmplifier = false;
  ADMeasure::TestWriteMode = 2;
  ASSERT_TRUE(K5Measure::ExtractCalibrationParameters());
  EXPECT_TRUE(MatchesGolden(Notebook().substr(ring.size()), "calibration_parameters_disk.txt"));
}

}  // namespace
