// Reading limit texts, numbers and the board's correction factors.

#include <cmath>
#include <limits>

#include "Selftest_fixture.h"
#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "foundation/Strings.h"
#include "selftest/Protocol.h"

namespace {

using Protocol::kNoLower;
using Protocol::kNoUpper;

class LimitsTest : public SelftestTest {
 protected:
  // Opens a file of the given lines and reads its first line.
  void Open(const std::string& content) {
    PutFile("limits.txt", content);
    ASSERT_TRUE(Protocol::OpenInFile("limits.txt"));
    ASSERT_TRUE(Protocol::ReadLine());
  }
};

struct LimitCase {
  const char* line;
  double factor;
  bool read;
  double lower;
  double upper;
};

class LimitTextTest : public LimitsTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(LimitTextTest, ReadsTheLimitsOrKeepsTheAdmitAllPair) {
  const LimitCase& c = GetParam();
  Open(std::string(c.line) + "\n");
  Protocol::MeasuredValue value{7, 0, 0};
  EXPECT_EQ(Protocol::ReadRealValue(value, c.factor), c.read);
  EXPECT_DOUBLE_EQ(value.Lower, c.lower);
  EXPECT_DOUBLE_EQ(value.Upper, c.upper);
  EXPECT_EQ(value.Value, 7);
  EXPECT_TRUE(std::isfinite(value.Lower) && std::isfinite(value.Upper));
}

INSTANTIATE_TEST_SUITE_P(
    LimitTexts, LimitTextTest,
    ::testing::Values(
        LimitCase{"< 0.5", 1, true, -0.5, 0.5}, LimitCase{"<-0.5", 1, true, -0.5, 0.5},
        LimitCase{"> 2", 1, true, 2, kNoUpper}, LimitCase{"10 # 1", 1, true, 9, 11},
        LimitCase{"10 \xB1 5%", 1, true, 9.5, 10.5}, LimitCase{"10 \xF1 5%", 1, true, 9.5, 10.5},
        LimitCase{"10 \xC2\xB1 5%", 1, true, 9.5, 10.5}, LimitCase{"3 / 1", 1, true, 1, 3},
        LimitCase{"<2", 0.001, true, -0.002, 0.002}, LimitCase{"10 # 1", 0.001, true, 0.009, 0.011},
        LimitCase{"10 # 5%", 0.001, true, 0.0095, 0.0105},
        LimitCase{"1.5- / 2", 1, true, -1.5, 2}, LimitCase{"2E-3 / 1", 1, true, 0.002, 1},
        LimitCase{"2e-3/1", 1, true, 0.002, 1}, LimitCase{"-4 # 10%", 1, true, -4.4, -3.6},
        LimitCase{"? / 3", 1, true, kNoLower, 3}, LimitCase{"10 # ?%", 1, true, 10, kNoUpper},
        LimitCase{"5", 1, false, kNoLower, kNoUpper}, LimitCase{"5 5", 1, false, kNoLower, kNoUpper},
        LimitCase{"", 1, false, kNoLower, kNoUpper}, LimitCase{"nan / 1", 1, false, kNoLower, kNoUpper},
        LimitCase{"1e999 / 2", 1, false, kNoLower, kNoUpper},
        LimitCase{"1e308 # 1e308", 1, false, kNoLower, kNoUpper},
        LimitCase{"-1e308 # 1e308", 1, false, kNoLower, kNoUpper},
        LimitCase{"1e308 # 1e308%", 1, false, kNoLower, kNoUpper},
        LimitCase{"1 / 1e999", 1, false, kNoLower, kNoUpper},
        LimitCase{"\t5 / 6", 1, false, kNoLower, kNoUpper},
        LimitCase{"5 \t/ 6", 1, false, kNoLower, kNoUpper},
        LimitCase{"?%", 1, false, kNoLower, kNoUpper}, LimitCase{"x 5", 1, false, kNoLower, kNoUpper}));

TEST_F(LimitsTest, RefusedLimitsAreNamedByLabelAndKey) {
  Open("Output Amp\n Gain 1 # 2%   Offset 5 5   Noise < 1\n");
  Strings::Assign(Protocol::CurrentLabel, "Output Amp");
  Protocol::TransferValues values{};
  EXPECT_FALSE(Protocol::ReadTransfer(values));
  EXPECT_DOUBLE_EQ(values.Gain.Lower, 0.98);
  EXPECT_DOUBLE_EQ(values.Offset.Lower, kNoLower);
  EXPECT_DOUBLE_EQ(values.Noise.Upper, kNoUpper);
  EXPECT_NE(Notebook().find("WARNING: limits under \"Output Amp\" at \"Offset\" not readable; "
                            "any value passes."),
            std::string::npos)
      << Notebook();
}

TEST_F(LimitsTest, GroupReadersTakeTheirKeysInOrderAndStopAtTheFirstMissing) {
  Open("first line\n Gain 1 # 2%   Offset < 2   Noise 0 / 0.5\n"
       " Min -10 / -9  Max 9 / 10  Offset < 1  Noise < 1\n"
       " Fo 1000 # 10%   Q  0.5 / 0.9\n"
       " Tau 100 # 10%   Amp 1 / 2   Base < 0.5\n"
       " Amp 1 / 2  y1  1 / 2  y2  3 / 4  y3 5 / 6\n"
       " Dac 2000 / 2100  Offset < 3  Noise < 2\n"
       " Gain 1 # 1%  Noise < 2\n");
  Protocol::TransferValues t{};
  ASSERT_TRUE(Protocol::ReadTransfer(t));
  EXPECT_DOUBLE_EQ(t.Gain.Lower, 0.98);
  EXPECT_DOUBLE_EQ(t.Offset.Upper, 0.002);
  EXPECT_DOUBLE_EQ(t.Noise.Upper, 0.0005);
  Protocol::SpanValues s{};
  ASSERT_TRUE(Protocol::ReadSpan(s));
  EXPECT_DOUBLE_EQ(s.Minimum.Lower, -0.010);
  EXPECT_DOUBLE_EQ(s.Maximum.Upper, 0.010);
  Protocol::FrequencyResponseValues f{};
  ASSERT_TRUE(Protocol::ReadFQ(f));
  EXPECT_DOUBLE_EQ(f.Fo.Lower, 900);
  EXPECT_DOUBLE_EQ(f.Q.Upper, 0.9);
  Protocol::ExponentialValues e{};
  ASSERT_TRUE(Protocol::ReadExponential(e));
  EXPECT_DOUBLE_EQ(e.Tau.Lower, 90e-6);
  EXPECT_DOUBLE_EQ(e.Base.Upper, 0.5);
  Protocol::RiseTimeValues r{};
  ASSERT_TRUE(Protocol::ReadRisetime(r));
  EXPECT_DOUBLE_EQ(r.Y3.Lower, 5);
  Protocol::OffsetDacValues d{};
  d.Flag = true;
  ASSERT_TRUE(Protocol::ReadOffsetDac(d));
  EXPECT_FALSE(d.Flag);
  EXPECT_DOUBLE_EQ(d.Dac.Upper, 2100);
  Protocol::TransferValues missingOffset{};
  EXPECT_FALSE(Protocol::ReadTransfer(missingOffset));
  EXPECT_DOUBLE_EQ(missingOffset.Gain.Lower, 0.99);
  EXPECT_DOUBLE_EQ(missingOffset.Noise.Upper, kNoUpper);
  EXPECT_EQ(Protocol::InPosition, -1);
  EXPECT_FALSE(Protocol::ReadTransfer(t)) << "the file has ended";
}

TEST_F(LimitsTest, NothingIsReadFromANegativePosition) {
  Open("Gain < 1   5 / 6\n");
  EXPECT_FALSE(Protocol::FindString("Absent"));
  EXPECT_EQ(Protocol::InPosition, -1);
  Protocol::MeasuredValue value{};
  EXPECT_FALSE(Protocol::ReadRealValue(value, 1));
  EXPECT_FALSE(Protocol::ReadGain(value, false));
  double x = 3;
  EXPECT_FALSE(Protocol::ExtractValue(x, 1));
  EXPECT_EQ(x, 3);
  EXPECT_DOUBLE_EQ(value.Lower, kNoLower);
  EXPECT_EQ(Notebook().find("WARNING"), std::string::npos);
}

TEST_F(LimitsTest, NumbersTakeTheirSignBehindAndKeepOnAQuestionMark) {
  Open("1.5-  2E-3  -2e-2  ???  12x  ?\n");
  double x = 0;
  ASSERT_TRUE(Protocol::ExtractValue(x, 1));
  EXPECT_DOUBLE_EQ(x, -1.5);
  ASSERT_TRUE(Protocol::ExtractValue(x, 1));
  EXPECT_DOUBLE_EQ(x, 0.002);
  ASSERT_TRUE(Protocol::ExtractValue(x, 10));
  EXPECT_DOUBLE_EQ(x, -0.2);
  ASSERT_TRUE(Protocol::ExtractValue(x, 1));
  EXPECT_DOUBLE_EQ(x, -0.2) << "question marks keep the number";
  ASSERT_TRUE(Protocol::ExtractValue(x, 1));
  EXPECT_DOUBLE_EQ(x, 12);
  EXPECT_FALSE(Protocol::ExtractValue(x, 1)) << "x is no number";
}

TEST_F(LimitsTest, LongLinesGoOnAsTheNextLine) {
  std::string longLine(126, 'a');
  longLine += "Gain < 1";
  Open(longLine + "\nnext\n");
  EXPECT_EQ(Strings::Length(Protocol::InputBuffer), 127);
  EXPECT_TRUE(Protocol::ReadLine());
  EXPECT_STREQ(Protocol::InputBuffer, "ain < 1");
  EXPECT_TRUE(Protocol::ReadLine());
  EXPECT_STREQ(Protocol::InputBuffer, "next");
  EXPECT_FALSE(Protocol::ReadLine());
  EXPECT_TRUE(Protocol::FileError);
  EXPECT_FALSE(Protocol::ReadLine()) << "every read after the end fails";
}

TEST_F(LimitsTest, FindBeginningReportsAMissingSectionAndClosesTheFile) {
  Open("one\ntwo\n");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Protocol::FindBeginning("Three:", "ERROR (9) no third."));
  const std::string alert = testing::internal::GetCapturedStderr();
  EXPECT_NE(alert.find("ERROR (9) no third."), std::string::npos);
  EXPECT_NE(Notebook().find("ERROR (9) no third.\n"), std::string::npos);
  EXPECT_TRUE(Protocol::FileError);
  EXPECT_FALSE(Protocol::ReadLine());
}

struct FactorsCase {
  ZRVBase::BoardType board;
  const char* section;
};

TEST_F(LimitsTest, CalibFactorsComeFromTheBoardsSectionAndThePositionStays) {
  const char* content =
      "Modifications:\nrest of the file\n"
      "ZRV24-Calib\n DA-AD_Delay 1E-6\n InFilterTau 2E-6\n OutFilterTau 3E-6\n SampleCorr -1\n"
      "QRN55-Calib\n DA-AD_Delay 5E-6\n InFilterTau ?\n OutFilterTau 7E-6\n SampleCorr 0\n";
  for (const FactorsCase c : {FactorsCase{ZRVBase::BoardZRV24, "ZRV24"},
                              FactorsCase{ZRVBase::BoardQRN55, "QRN55"}}) {
    SCOPED_TRACE(c.section);
    ZRV::SetBoardType(c.board);
    ADMeasure::InputFilterTau = 42;
    Open(content);
    ASSERT_TRUE(Protocol::FindString("Modifications:"));
    Protocol::ReadCalibFactors();
    EXPECT_FALSE(Protocol::FileError);
    ASSERT_TRUE(Protocol::ReadLine());
    EXPECT_STREQ(Protocol::InputBuffer, "rest of the file");
    if (c.board == ZRVBase::BoardZRV24) {
      EXPECT_DOUBLE_EQ(ADMeasure::DacToAdcDelay, 1e-6);
      EXPECT_DOUBLE_EQ(ADMeasure::InputFilterTau, 2e-6);
      EXPECT_DOUBLE_EQ(ADMeasure::SampleCorrection, -1);
    } else {
      EXPECT_DOUBLE_EQ(ADMeasure::DacToAdcDelay, 5e-6);
      EXPECT_DOUBLE_EQ(ADMeasure::InputFilterTau, 42) << "? keeps the factor";
      EXPECT_DOUBLE_EQ(ADMeasure::OutputFilterTau, 7e-6);
      EXPECT_DOUBLE_EQ(ADMeasure::SampleCorrection, 0);
    }
    Protocol::CloseInFile();
  }
}

TEST_F(LimitsTest, AFactorThatIsNoFiniteNumberKeepsTheOldValueWithAWarning) {
  ADMeasure::DacToAdcDelay = 1;
  ADMeasure::InputFilterTau = 2;
  ADMeasure::OutputFilterTau = 3;
  Open("start\nQRN55-Calib\n DA-AD_Delay 4\n InFilterTau 1e999\n OutFilterTau 6\n");
  Protocol::ReadCalibFactors();
  EXPECT_DOUBLE_EQ(ADMeasure::DacToAdcDelay, 4);
  EXPECT_DOUBLE_EQ(ADMeasure::InputFilterTau, 2);
  EXPECT_DOUBLE_EQ(ADMeasure::OutputFilterTau, 3) << "reading stops at the refused one";
  EXPECT_NE(Notebook().find("WARNING: \"InFilterTau\""), std::string::npos) << Notebook();
}

}  // namespace
