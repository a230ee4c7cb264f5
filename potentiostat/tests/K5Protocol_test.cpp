// The PK test-results file: both written forms against golden texts, and
// range files written by hand read back into the limits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialogs/Alert.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"
#include "selftest/tests/Golden_fixture.h"
#include "selftest/tests/Selftest_fixture.h"

namespace {

using K5Protocol::Results;
using Protocol::kNoLower;
using Protocol::kNoUpper;

class K5ProtocolFile : public SelftestTest {
 protected:
  void SetUp() override {
    SelftestTest::SetUp();
    PKTypes::InitModule();
    K5Scale::InitModule();
    K5Protocol::InitModule();
    std::strcpy(PKTypes::State.Name, "PK512_USB");
    std::memcpy(PKTypes::State.SerialNumber, "654321", 6);
    PKTypes::State.Version = 'B';
  }

  // A few measured values, two of them outside their limits (the cleared
  // record's limits are 0..0).
  static void Measured() {
    Results.MuxTransfer[0] = {{1.002, 0.99, 1.01}, {0.0012, -0.005, 0.005}, {0.0002, 0, 0.001}};
    Results.TenVRef = {10.01, 9.9, 10.1};
    Results.InternalGround = {0.002, -0.001, 0.001};
    Results.CurrentOffsetDac[2] = {{2100, 1800, 2300}, {0.0001, -0.01, 0.01}, {0.0003, 0, 0.002}, true};
    Results.CurrentOffsetDac[11].Dac.Value = 1999;
    Results.SubtrDacFactor[1][2] = {0.97, 0.9, 1.1};
    Results.VoltageFilterTau[3] = {{5.3e-5, 4e-5, 6e-5}, {1.01, 0.9, 1.1}, {0.001, -0.1, 0.1}};
    Results.VoltageFilterFreq[3] = {{3010, 2800, 3200}, {1, 0, 2}};
  }

  std::string Written(bool reportMode) {
    K5Protocol::FillInfo();
    EXPECT_TRUE(K5Protocol::Write(Path("results.txt"), false, reportMode, 0));
    return ReadWhole(Path("results.txt"));
  }

  bool ReadFile(const std::string& text) {
    PutFile("range.txt", text);
    return K5Protocol::Read(Path("range.txt"));
  }
};

TEST_F(K5ProtocolFile, WritesBothFormsInTheFileOrder) {
  Measured();
  EXPECT_TRUE(MatchesGolden(Written(false), "results_range.txt"));
  EXPECT_EQ(Protocol::TestErrors, 2);
  std::memset(PKTypes::State.SerialNumber, 0, sizeof PKTypes::State.SerialNumber);
  EXPECT_TRUE(MatchesGolden(Written(true), "results_report.txt"));
  EXPECT_FALSE(Protocol::Buffering);
  EXPECT_FALSE(Protocol::WriteToPrinter);
}

TEST_F(K5ProtocolFile, AnEmptyFileNameWritesNoFile) {
  EXPECT_TRUE(K5Protocol::Write("", false, false, 0));
  EXPECT_FALSE(FileExists("results.txt"));
  EXPECT_NE(Notebook().find("END of SELFTEST"), std::string::npos);
}

TEST_F(K5ProtocolFile, HandWrittenRangeFileFillsTheLimits) {
  ASSERT_TRUE(K5Protocol::Read(DataFile("PKRange_hand.txt")));
  EXPECT_EQ(Results.MuxTransfer[0].Gain.Lower, 0.99);
  EXPECT_EQ(Results.MuxTransfer[0].Gain.Upper, 1.01);
  EXPECT_DOUBLE_EQ(Results.MuxTransfer[0].Offset.Upper, 0.005);
  EXPECT_EQ(Results.TenVRef.Lower, 9.9);
  EXPECT_EQ(Results.InternalGround.Upper, 0.003);
  EXPECT_EQ(Results.CurrentOffsetDac[2].Dac.Lower, 1500);
  EXPECT_EQ(Results.CurrentOffsetDac[11].Dac.Upper, 2600);
  EXPECT_DOUBLE_EQ(Results.VoltageFilterTau[0].Tau.Upper, 2e-2);
  EXPECT_EQ(Results.VoltageFilterFreq[0].Fo.Lower, 9);
  EXPECT_EQ(Results.SubtrDacFactor[0][0].Lower, 0.95);
  EXPECT_EQ(Results.SubtrDacFactor[1][2].Upper, 1.2);
  EXPECT_EQ(Results.OCPOffsetDac.Lower, 100);
  // Sections the file leaves out admit everything.
  EXPECT_EQ(Results.ClampGain[0].Gain.Lower, kNoLower);
  EXPECT_EQ(Results.ClampGain[0].Gain.Upper, kNoUpper);
}

TEST_F(K5ProtocolFile, WrittenValueLinesGiveNoLimits) {
  Measured();
  Written(false);
  K5Protocol::InitModule();
  ASSERT_TRUE(K5Protocol::Read(Path("results.txt")));
  EXPECT_EQ(Results.MuxTransfer[0].Gain.Lower, kNoLower);
  EXPECT_EQ(Results.TenVRef.Upper, kNoUpper);
}

TEST_F(K5ProtocolFile, ReadFailuresAndTheVersionQuestion) {
  const std::string hand = ReadWhole(DataFile("PKRange_hand.txt"));
  const std::string otherVersion = [&] {
    std::string text = hand;
    text.replace(text.find("Version 1.0"), 11, "Version 0.9");
    return text;
  }();
  struct Row {
    const char* name;
    std::string text;
    int answer;  // to the version question, 0: none asked
    bool read;
    const char* console;
  };
  const Row rows[] = {
      {"report form", ReadWhole(DataFile("PKRange_hand.txt")).replace(hand.find("Test Results:"), 13, "Results"), 0,
       false, "ERROR (1) reading range file."},
      {"no end marker", hand.substr(0, hand.find("END of SELFTEST")), 0, false,
       "ERROR (2) reading range file: end string not found!"},
      {"other version, No", otherVersion, 2, false, "ERROR (5): invalid range file version!"},
      {"other version, Yes", otherVersion, 1, true, "ERROR (5): invalid range file version!"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    K5Protocol::InitModule();
    Alert::ClearAnswers();
    if (row.answer != 0) Alert::PushAnswer(row.answer);
    EXPECT_EQ(ReadFile(row.text), row.read);
    EXPECT_EQ(Protocol::FileError, !row.read);
    EXPECT_NE(Notebook().find(row.console), std::string::npos);
    if (row.read) EXPECT_EQ(Results.TenVRef.Lower, 9.9);
  }
  EXPECT_NE(Notebook().find("       Tester Version 1.0"), std::string::npos);
}

}  // namespace
