// Writing a board's results as a report in the range file's layout.

#include "Golden_fixture.h"
#include "Selftest_fixture.h"
#include <algorithm>

#include "acquisition/ADMeasure.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "foundation/Strings.h"
#include "foundation/tests/FileSizeLimit_fixture.h"
#include "selftest/Protocol.h"
#include "selftest/T3Protocol.h"

namespace {

using namespace TestResultsBlock;
using Protocol::MeasuredValue;

void Centre(MeasuredValue& v) { v.Value = (v.Lower + v.Upper) / 2; }
void Centre(TransferValues& v) {
  Centre(v.Gain);
  Centre(v.Offset);
  Centre(v.Noise);
}
void Centre(FrequencyResponseValues& v) {
  Centre(v.Fo);
  Centre(v.Q);
}

class ReportFileTest : public SelftestTest {
 protected:
  void SetUp() override {
    SelftestTest::SetUp();
    Protocol::ShowLimits = false;
    HFRangeResult hf[kHFRanges]{};
    ASSERT_TRUE(T3Protocol::ReadProtocol(Text(DataFile("Selftest_plain.TLV")), mux_, results_, hf));
    Strings::Assign(T3Base::Title, "TLV4_USB");
    Strings::Assign(T3Base::SerialNumber, "510123");
    T3Base::AmplKind = T3Types::KindTlv4USB;
    T3Protocol::FillInfo(results_);
    for (TransferValues& t : mux_.Transfer) Centre(t);
    for (int i = 0; i < 4; ++i) {
      Centre(results_.CurrentMonitor.Filter1Transfer[i]);
      Centre(results_.CurrentMonitor.Filter1Response[i]);
    }
    Centre(results_.StimulusPath.CurrentClamp.CCStepResponse[0]);
    Centre(results_.StimulusPath.GLeakFeedThru);
    for (MeasuredValue& v : results_.Probe.Offsets) Centre(v);
    results_.Probe.ProbeOut[1].Value = 5.0;
    results_.DacTests[0] = {0, true, true};
    results_.DacTests[17] = {0, true, false};
    T3MakeAuto::Nominal.Med10kHz.Value = 4.5e-12;
  }

  // The report as written to a file, and the result.
  std::string Write(bool created, bool trigger = false, int testNumber = 0) {
    written_ = T3Protocol::WriteProtocol("Selftest.txt", mux_, results_, false, created, trigger,
                                         false, false, testNumber);
    return FileContent("Selftest.txt");
  }

  static bool Has(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos;
  }

  MuxTestResults mux_{};
  SelfTestResults results_{};
  bool written_ = false;
};

TEST_F(ReportFileTest, OneBoard) {
  const std::string text = Write(true, false, 12);
  EXPECT_TRUE(written_);
  EXPECT_TRUE(MatchesGolden(text, "result_one_board.txt"));
  EXPECT_NE(Notebook().find("Failed parameters: "), std::string::npos);
}

TEST_F(ReportFileTest, Template) {
  EXPECT_TRUE(MatchesGolden(Write(false), "result_template.txt"));
}

TEST_F(ReportFileTest, ConnectionLabelsByLayoutAndKind) {
  struct Case {
    bool multiBoard;
    bool tetral;
    T3Types::AmplifierKind kind;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {false, false, T3Types::KindTlv4USB,
       {"Dac-0 to Test Input", "Dac-1 to Stim Input", "VMon to Adc-0", "IMon1 to Adc-1",
        "IMon2 to Adc-2"},
       {"TestDac-S&H", "ExtCCStim", "VMon to VMonAdc"}},
      {true, false, T3Types::KindTlv3,
       {"Dac1/2 to Test Input", "Dac-3 to Stim Input", "VMon to ADC-0/2/4", "IMon1 to Adc-6",
        "IMon2 to Adc-1/3/5", "TLV4_USB Serial # 510123 - R,      1. board"},
       {"TestDac-S&H"}},
      {true, false, T3Types::KindTlv4Plus,
       {"VMon to ADC-1/3/5", "IMon1 to Adc-0", "IMon2 to Adc-2/4/6", "TestDac-S&H", "ExtCCStim"},
       {}},
      {false, false, T3Types::KindTlv4, {"TestDac-S&H", "ExtCCStim"}, {}},
      {true, true, T3Types::KindTlv4,
       {"CSlow to 10 pF"},
       {"Dac1/2 to Test Input", "Dac-3 to Stim Input", "TestDac-S&H"}},
  };
  for (const Case& c : cases) {
    results_.Info.MultiBoard = c.multiBoard;
    results_.Info.TetralRack = c.tetral;
    results_.Info.AmplKind = c.kind;
    const std::string text = Write(true);
    for (const std::string& line : c.present) {
      EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    for (const std::string& line : c.absent) {
      EXPECT_EQ(text.find(line), std::string::npos) << line;
    }
  }
}

TEST_F(ReportFileTest, HardwareConditions) {
  T3Base::HardwareVersion = 0x4000 | 0x100 | 0x40 | 0x200;
  T3Types::State.HasCFastHigh = true;
  std::string text = Write(true);
  for (const char* line : {"VmonFilter", "V-ref_x2", "CCGains", "CFastAmp1_100pF",
                           "CFastAmp2_100pF", "VMon to VMonAdc", "IMon2 to IMonAdc"}) {
    EXPECT_TRUE(Has(text, line)) << line;
  }
  EXPECT_FALSE(Has(text, "CCVmon")) << "0x100 writes the tracking instead";
  EXPECT_NE(text.find("\nCCTracking   0.000E+00\n                 0.000E+00\n"), std::string::npos);
  T3Base::HardwareVersion = 0;
  T3Types::State.HasCFastHigh = false;
  text = Write(true);
  EXPECT_NE(text.find("\nCCStim GAIN    0.000  FAILED\n       GAIN    0.000  FAILED\n"), std::string::npos)
      << text;
  EXPECT_FALSE(Has(text, "VmonFilter"));
  EXPECT_FALSE(Has(text, "CFastAmp1_100pF"));
}

TEST_F(ReportFileTest, ABoardWithAReferenceGainTrim) {
  T3Base::BoardVersion = 'Y';
  results_.Info.BoardVersion = 'Y';
  const std::string text = Write(true);
  EXPECT_FALSE(Has(text, "R Series"));
  EXPECT_FALSE(Has(text, "Rs comp tau"));
  EXPECT_NE(text.find("\nRefGainTrimDac    0.000E+00   0.000E+00\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nRefGainTrimSpan    0.000E+00   0.000E+00\n"), std::string::npos);
  EXPECT_NE(text.find(" Serial # 510123 - Y\n"), std::string::npos);
}

TEST_F(ReportFileTest, ATlv1Probe) {
  results_.Probe.IsTlv1Probe = true;
  const std::string text = Write(true);
  EXPECT_TRUE(Has(text, "TLV1: Input10M") || text.find("TLV1: Input10M\n") != std::string::npos);
  EXPECT_EQ(text.find("- low :"), std::string::npos);
  EXPECT_NE(text.find("\nOffsets - med :"), std::string::npos);
  EXPECT_NE(text.find("\nNoise   - med :"), std::string::npos);
  const std::size_t test1 = text.find("Test1pF\n");
  const std::size_t test10 = text.find("Test10pF\n");
  ASSERT_NE(test1, std::string::npos);
  const std::string block = text.substr(test1, test10 - test1);
  EXPECT_EQ(std::count(block.begin(), block.end(), '\n'), 4) << block;
}

TEST_F(ReportFileTest, ASelectorPositionAndATestNumber) {
  results_.Info.Selector = 2;
  const std::string text = Write(true, false, 3);
  EXPECT_NE(text.find("\nTest # 3\nTLV4_USB Serial # 510123 - R, Selector = 2\n"),
            std::string::npos)
      << text;
  results_.Info.BoardNumber = 2;
  results_.Info.SerialNumber[0] = 0;
  EXPECT_EQ(Write(true, false, 3).find("\nTLV4_USB Serial # ............ - R, Selector = 2\n"), 0u)
      << "no test number after the first board";
}

TEST_F(ReportFileTest, ATriggerTestNotPerformedCountsOneError) {
  Write(true, false);
  const int without = Protocol::TestErrors;
  const std::string text = Write(true, true);
  EXPECT_EQ(Protocol::TestErrors, without + 1);
  EXPECT_NE(text.find("\n\nTrigger test FAILED: NOT PERFORMED\n"), std::string::npos);
  results_.TriggerCheck = {true, true};
  EXPECT_NE(Write(true, true).find("\n\nTrigger test is OK\n"), std::string::npos);
  EXPECT_EQ(Protocol::TestErrors, without);
}

TEST_F(ReportFileTest, ALongerOldFileKeepsNoTail) {
  PutFile("Selftest.txt", std::string(100000, '~'));
  const std::string text = Write(true);
  EXPECT_EQ(text.find('~'), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 30), Write(true).substr(text.size() - 30));
}

TEST_F(ReportFileTest, AFullDiskKeepsTheOldFile) {
  PutFile("Selftest.txt", "old results\n");
  ADMeasure::TestWriteMode = 1;
  {
    FileSizeLimit limit(2000);
    EXPECT_FALSE(T3Protocol::WriteProtocol("Selftest.txt", mux_, results_, false, true, false,
                                           false, false, 0));
  }
  EXPECT_EQ(FileContent("Selftest.txt"), "old results\n");
  EXPECT_EQ(Listing(), "Selftest.txt");
  const std::string notebook = Notebook();
  const std::string whole = Write(true);
  EXPECT_NE(notebook.find("CSlow to 10 pF"), std::string::npos);
  EXPECT_NE(notebook.find("Failed parameters: "), std::string::npos);
  EXPECT_GT(whole.size(), 2000u);
}

}  // namespace
