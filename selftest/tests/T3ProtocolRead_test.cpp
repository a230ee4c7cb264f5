// Reading range files into a board's results: every hardware variant, and
// the files that cannot be read whole.

#include <cmath>
#include <functional>

#include "Selftest_fixture.h"
#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "dialogs/Alert.h"
#include "selftest/Protocol.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3Tester.h"

namespace {

using namespace TestResultsBlock;
using Protocol::kNoLower;
using Protocol::kNoUpper;

class RangeFileTest : public SelftestTest {
 protected:
  void SetUp() override {
    SelftestTest::SetUp();
    for (HFRangeResult& range : hf_) range.MaxDeviation = 0.5;
  }

  bool Read(const std::string& path) {
    return T3Protocol::ReadProtocol(Text(path), mux_, results_, hf_);
  }

  // A copy of a fixture in the test's directory, changed by edit.
  std::string Edited(const std::string& fixture, const std::function<void(std::string&)>& edit) {
    std::string content = ReadWhole(DataFile(fixture));
    edit(content);
    PutFile("Selftest_2x3.TLV", content);
    return Path("Selftest_2x3.TLV");
  }

  MuxTestResults mux_{};
  SelfTestResults results_{};
  HFRangeResult hf_[kHFRanges]{};
};

void Replace(std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

TEST_F(RangeFileTest, APlainBoardsFile) {
  ADMeasure::SampleCorrection = 7;
  ASSERT_TRUE(Read(DataFile("Selftest_plain.TLV")));
  EXPECT_TRUE(results_.RangeFileRead);
  EXPECT_NE(Notebook().find("Reading '" + DataFile("Selftest_plain.TLV") + "'... successful."),
            std::string::npos)
      << Notebook();
  EXPECT_DOUBLE_EQ(T3MakeAuto::Nominal.Med10kHz.Upper, 4.5e-12);
  EXPECT_DOUBLE_EQ(T3MakeAuto::Nominal.High30kHz.Lower, 0.26e-12);
  EXPECT_DOUBLE_EQ(hf_[0].MaxDeviation, 0.5);
  EXPECT_DOUBLE_EQ(hf_[1].MaxDeviation, 0.02);
  EXPECT_DOUBLE_EQ(hf_[2].MaxDeviation, 0.025);
  EXPECT_DOUBLE_EQ(mux_.Transfer[3].Gain.Lower, 60.8);
  const CurrentMonitorResults& cm = results_.CurrentMonitor;
  EXPECT_DOUBLE_EQ(cm.Filter1Response[3].Fo.Upper, 110e3);
  EXPECT_DOUBLE_EQ(cm.ProbeOffsetDac.Minimum.Lower, -10.5);
  EXPECT_DOUBLE_EQ(cm.SlowTau[3].Tau.Lower, 80e-6);
  EXPECT_DOUBLE_EQ(cm.HFGain.Upper, 1.1);
  EXPECT_DOUBLE_EQ(cm.OutputAmp[5].Gain.Upper, 40.8);
  EXPECT_DOUBLE_EQ(cm.Filter1RiseTime.Y3.Upper, 0.95);
  EXPECT_DOUBLE_EQ(results_.Filter2.F2Response[5].Fo.Lower, 90e3);
  EXPECT_DOUBLE_EQ(results_.Filter2.VmonFilter.Gain.Lower, 0) << "no 0x4000: not read";
  EXPECT_DOUBLE_EQ(results_.Integrator.AutoZero.Fo.Upper, 1760);
  const StimulusPathResults& sp = results_.StimulusPath;
  EXPECT_DOUBLE_EQ(sp.CurrentClamp.CCStepResponse[1].Lower, 0.9);
  EXPECT_DOUBLE_EQ(sp.CurrentClamp.CCStim[2].Upper, 1.02);
  EXPECT_DOUBLE_EQ(sp.GLeakFeedThru.Upper, 0.01);
  EXPECT_DOUBLE_EQ(sp.StimTo10pF.Lower, 0.95);
  EXPECT_DOUBLE_EQ(sp.RsCompTau[1].Amp.Upper, 1.5);
  EXPECT_DOUBLE_EQ(results_.CFastCSlow.CSlowToTest[5].Noise.Upper, 0.0005);
  EXPECT_DOUBLE_EQ(results_.CFastCSlow.CFastAmp1_100pF[0].Gain.Lower, 0) << "not read";
  EXPECT_DOUBLE_EQ(results_.External.Connection[kVMonToAdc].Gain.Lower, 0.98);
  EXPECT_DOUBLE_EQ(results_.External.Connection[kVMonX100ToVMonAdc].Gain.Lower, 98);
  for (int i = 0; i < kDacTests; ++i) {
    EXPECT_EQ(results_.DacTests[i].Value, 100 + i);
    EXPECT_FALSE(results_.DacTests[i].Passed);
    EXPECT_FALSE(results_.DacTests[i].Done);
  }
  const ProbeTestResults& pr = results_.Probe;
  EXPECT_DOUBLE_EQ(pr.Offsets[2].Upper, 5);
  EXPECT_DOUBLE_EQ(pr.ProbeOut[1].Lower, 4.99);
  EXPECT_DOUBLE_EQ(pr.Noise[2][3].Upper, 2e-3);
  EXPECT_DOUBLE_EQ(results_.NoiseTest.Noise100.Upper, 60e-15);
  EXPECT_DOUBLE_EQ(ADMeasure::DacToAdcDelay, 4.5e-6) << "the QRN 5+5 section";
  EXPECT_DOUBLE_EQ(ADMeasure::SampleCorrection, -3);
}

struct Variant {
  const char* file;
  std::uint16_t hardware;
  char boardVersion;
  bool cfastHigh;
  std::function<void(const SelfTestResults&)> check;
};

class VariantTest : public RangeFileTest, public ::testing::WithParamInterface<Variant> {};

TEST_P(VariantTest, ReadsWhole) {
  const Variant& v = GetParam();
  T3Base::HardwareVersion = v.hardware;
  T3Base::BoardVersion = v.boardVersion;
  T3Types::State.HasCFastHigh = v.cfastHigh;
  ASSERT_TRUE(Read(DataFile(v.file))) << Notebook();
  EXPECT_EQ(Notebook().find("WARNING"), std::string::npos) << Notebook();
  v.check(results_);
}

INSTANTIATE_TEST_SUITE_P(
    HardwareVariants, VariantTest,
    ::testing::Values(
        Variant{"Selftest_fastcc.TLV", 0x8, 'R', false,
                [](const SelfTestResults& r) {
                  EXPECT_DOUBLE_EQ(r.StimulusPath.CurrentClamp.CCStepResponse[1].Upper, 1.2);
                  EXPECT_DOUBLE_EQ(r.StimulusPath.CurrentClamp.CCStim[2].Lower, 0.97);
                }},
        Variant{"Selftest_truecc.TLV", 0x100, 'R', false,
                [](const SelfTestResults& r) {
                  const CurrentClampResults& cc = r.StimulusPath.CurrentClamp;
                  EXPECT_DOUBLE_EQ(r.CurrentMonitor.HFGain.Lower, 0.8);
                  EXPECT_DOUBLE_EQ(cc.CCStepResponse[1].Upper, 1.3);
                  EXPECT_DOUBLE_EQ(cc.CCGains[3].Gain.Lower, 0.98);
                  EXPECT_EQ(cc.CCTrackMax, 3);
                  EXPECT_DOUBLE_EQ(cc.CCTracking[0].Upper, 0.01);
                  EXPECT_DOUBLE_EQ(cc.CCTracking[3].Upper, 0.02);
                  EXPECT_DOUBLE_EQ(cc.CCTracking[4].Upper, 0);
                  EXPECT_DOUBLE_EQ(cc.CCTracking[5].Lower, 0);
                  EXPECT_DOUBLE_EQ(r.External.SampleAndHoldStep[0].Gain.Upper, 0.01);
                  EXPECT_DOUBLE_EQ(r.External.SampleAndHoldFeedThru[1].Maximum.Lower, 9.5);
                  EXPECT_DOUBLE_EQ(r.External.Connection[kExtCCStim].Gain.Lower, 0.095);
                }},
        Variant{"Selftest_vrefx2.TLV", 0x4000, 'R', false,
                [](const SelfTestResults& r) {
                  EXPECT_DOUBLE_EQ(r.StimulusPath.VrefX2.Gain.Lower, 1.96);
                  EXPECT_DOUBLE_EQ(r.Filter2.VmonFilter.Gain.Lower, 0.98);
                }},
        Variant{"Selftest_trim.TLV", 0, 'Y', false,
                [](const SelfTestResults& r) {
                  EXPECT_DOUBLE_EQ(r.CurrentMonitor.Filter1Response[2].Fo.Lower, 27e3);
                  EXPECT_DOUBLE_EQ(r.CurrentMonitor.Filter1Response[3].Fo.Lower, 0);
                  EXPECT_DOUBLE_EQ(r.CurrentMonitor.OutputAmpFilter[3].Gain.Lower, 0);
                  const auto& trim = r.Probe.RefGainTrim.Value;
                  EXPECT_DOUBLE_EQ(trim[2].Lower, 1000);
                  EXPECT_DOUBLE_EQ(trim[3].Upper, 3100);
                  EXPECT_DOUBLE_EQ(trim[0].Upper, 1);
                  EXPECT_DOUBLE_EQ(trim[1].Upper, 2);
                }},
        Variant{"Selftest_cfasthigh.TLV", 0, 'R', true,
                [](const SelfTestResults& r) {
                  EXPECT_DOUBLE_EQ(r.CFastCSlow.CFastAmp1_100pF[4].Gain.Lower, 0.98);
                  EXPECT_DOUBLE_EQ(r.CFastCSlow.CFastAmp2_100pF[5].Noise.Upper, 0.0005);
                }},
        Variant{"Selftest_plain.TLV", 0, 'R', false, [](const SelfTestResults&) {}}));

TEST_F(RangeFileTest, TheBoardSectionFollowsTheInterface) {
  struct Case {
    ZRVBase::BoardType board;
    double delay;
  };
  for (const Case c : {Case{ZRVBase::BoardZRV24, 1.5e-6}, Case{ZRVBase::BoardZRV28, 2.5e-6},
                       Case{ZRVBase::BoardQRN2400, 3.5e-6}, Case{ZRVBase::BoardQRN55, 4.5e-6}}) {
    ZRV::SetBoardType(c.board);
    T3Base::ADBoard = c.board;
    ASSERT_TRUE(Read(DataFile("Selftest_plain.TLV")));
    EXPECT_DOUBLE_EQ(ADMeasure::DacToAdcDelay, c.delay);
  }
}

TEST_F(RangeFileTest, LineEndsOfEveryKind) {
  const std::string lf = ReadWhole(DataFile("Selftest_truecc.TLV"));
  T3Base::HardwareVersion = 0x100;
  for (const std::string end : {std::string("\r"), std::string("\r\n"), std::string(1, '\0')}) {
    std::string content;
    for (const char c : lf) {
      if (c == '\n') {
        content += end;
      } else {
        content += c;
      }
    }
    PutFile("ends.TLV", content);
    results_ = {};
    ASSERT_TRUE(Read(Path("ends.TLV"))) << Notebook();
    EXPECT_DOUBLE_EQ(results_.StimulusPath.CurrentClamp.CCTracking[3].Upper, 0.02);
    EXPECT_DOUBLE_EQ(results_.Probe.Noise[2][3].Upper, 2e-3);
  }
}

struct BadFile {
  const char* name;
  const char* fixture;
  std::function<void(std::string&)> edit;
  int answer;  // to the version question, 0 none
  bool result;
  std::vector<std::string> alerts;    // in this order on stderr
  std::vector<std::string> notebook;  // each somewhere in the notebook
};

class BadFileTest : public RangeFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, ResultAlertsAndNotebook) {
  const BadFile& b = GetParam();
  T3Base::HardwareVersion = std::string(b.fixture) == "Selftest_truecc.TLV" ? 0x100 : 0;
  const std::string path = Edited(b.fixture, b.edit);
  if (b.answer != 0) Alert::PushAnswer(b.answer);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Read(path), b.result);
  const std::string alerts = testing::internal::GetCapturedStderr();
  EXPECT_EQ(results_.RangeFileRead, b.result);
  std::size_t from = 0;
  for (const std::string& alert : b.alerts) {
    const std::size_t at = alerts.find(alert, from);
    EXPECT_NE(at, std::string::npos) << alert << "\nin\n" << alerts;
    if (at != std::string::npos) from = at + alert.size();
  }
  if (b.alerts.empty()) {
    EXPECT_EQ(alerts.find("ERROR"), std::string::npos) << alerts;
  }
  for (const std::string& line : b.notebook) {
    EXPECT_NE(Notebook().find(line), std::string::npos) << line << "\nin\n" << Notebook();
  }
}

const std::string kReading = "Reading '";

INSTANTIATE_TEST_SUITE_P(
    RangeFiles, BadFileTest,
    ::testing::Values(
        BadFile{"NoCFastTable", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "CFast Table:", "CFast Tables"); }, 0, false,
                {"ERROR (1) reading range file."},
                {"...\nERROR (1) reading range file.\n failed.\n"}},
        BadFile{"NoHFCal", "Selftest_plain.TLV", [](std::string& t) { Replace(t, "HFCal:", "HF:"); },
                0, false, {"ERROR (2) reading range file."}, {"ERROR (2) reading range file.\n"}},
        BadFile{"NoTestResults", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "Test Results:", "Results:"); }, 0, false,
                {"ERROR (3) reading range file."}, {"ERROR (3) reading range file.\n"}},
        BadFile{"NoModifications", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "Modifications:", "Changes:"); }, 0, false,
                {"ERROR (6) reading range file: Modifications not found.",
                 "ERROR (4) reading range file: end string not found!"},
                {"ERROR (6) reading range file: Modifications not found.\n"
                 "ERROR (4) reading range file: end string not found!\n"}},
        BadFile{"NoEnd", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "END of SELFTEST", "END"); }, 0, false,
                {"ERROR (4) reading range file: end string not found!"},
                {"ERROR (4) reading range file: end string not found!\n"}},
        BadFile{"OtherVersionLoaded", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "Version 2.3", "Version 2.2"); }, 1, true,
                {"ERROR (5): Invalid Version in \"", "Selftest_2x3.TLV\".", "Load anyway?"},
                {"failed.\nERROR (5): invalid range file version!\n"
                 "   file: \"Selftest_2x3.TLV\"   Tester Version 2.3\n",
                 " successful."}},
        BadFile{"OtherVersionRefused", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "Version 2.3", "Version 2.2"); }, 2, false,
                {"ERROR (5): Invalid Version in \""}, {"ERROR (5): invalid range file version!\n"}},
        BadFile{"MissingLabel", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "Rs factor", "Rs fraction"); }, 0, false,
                {"ERROR (6)", "ERROR (4)"}, {"ERROR (4) reading range file: end string not found!\n"}},
        BadFile{"TabBeforeALimit", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "G-Leak FeedThru  < 0.01", "G-Leak FeedThru\t< 0.01"); },
                0, true, {},
                {"WARNING: TABs are not allowed here! Please uses SPACEs instead.\n", " successful."}},
        BadFile{"RefusedLimits", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "CCVmon  Gain 0.98 / 1.02", "CCVmon  Gain 1e308 # 1e308"); },
                0, true, {},
                {"WARNING: limits under \"CCVmon\" at \"Gain\" not readable; any value passes.\n"}},
        BadFile{"LongLineCutsAKey", "Selftest_plain.TLV",
                [](std::string& t) {
                  Replace(t, "Probe To IMon1\n Gain", "Probe To IMon1\n" + std::string(124, ' ') + "Gain");
                },
                0, true, {}, {" successful."}},
        BadFile{"CCTrackMaxAbove", "Selftest_truecc.TLV",
                [](std::string& t) { Replace(t, "CCTrackMax 3", "CCTrackMax 9"); }, 0, true, {},
                {"WARNING: \"CCTrackMax\" lies beyond 0 to 5; 5 is taken.\n"}},
        BadFile{"CCTrackMaxBelow", "Selftest_truecc.TLV",
                [](std::string& t) { Replace(t, "CCTrackMax 3", "CCTrackMax -2"); }, 0, true, {},
                {"WARNING: \"CCTrackMax\" lies beyond 0 to 5; 0 is taken.\n"}},
        BadFile{"CCTrackMaxAbsent", "Selftest_truecc.TLV",
                [](std::string& t) { Replace(t, "CCTrackMax 3", "CCTrackMax"); }, 0, true, {},
                {" successful."}},
        BadFile{"FactorBeyondADouble", "Selftest_plain.TLV",
                [](std::string& t) { Replace(t, "InFilterTau   4.25E-6", "InFilterTau   1e999"); }, 0,
                true, {}, {"WARNING: \"InFilterTau\" of the board section", " successful."}}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(RangeFileTest, CCTrackMaxDecidesHowManyTrackingValuesAreRead) {
  T3Base::HardwareVersion = 0x100;
  struct Case {
    const char* line;
    int last;
  };
  for (const Case c : {Case{"CCTrackMax 9", 5}, Case{"CCTrackMax -2", 0}, Case{"CCTrackMax", 5},
                       Case{"CCTrackMax 1.4", 1}}) {
    const std::string path = Edited("Selftest_truecc.TLV", [&](std::string& t) {
      Replace(t, "CCTrackMax 3", c.line);
    });
    ASSERT_TRUE(Read(path));
    const CurrentClampResults& cc = results_.StimulusPath.CurrentClamp;
    EXPECT_EQ(cc.CCTrackMax, c.last) << c.line;
    for (int i = 0; i < kCCTrackingValues; ++i) {
      EXPECT_EQ(cc.CCTracking[i].Upper != 0, i <= c.last) << c.line << " " << i;
    }
  }
}

TEST_F(RangeFileTest, AMissingLabelLeavesItsLimitsAndTheRestAdmitAll) {
  const std::string path = Edited("Selftest_plain.TLV", [](std::string& t) {
    Replace(t, "G-Leak FeedThru", "G-Leak FeedThrough");
  });
  EXPECT_FALSE(Read(path));
  EXPECT_DOUBLE_EQ(results_.StimulusPath.GLeakFeedThru.Upper, kNoUpper);
  EXPECT_DOUBLE_EQ(results_.StimulusPath.Vref.Gain.Upper, kNoUpper);
  EXPECT_DOUBLE_EQ(results_.Probe.Noise[0][0].Upper, kNoUpper);
  EXPECT_DOUBLE_EQ(results_.StimulusPath.GLeak[1].Gain.Upper, 1.02) << "read before";
}

TEST_F(RangeFileTest, TheRangeFilesName) {
  char name[256] = "";
  T3Tester::MakeRangesName("Selftest_", name);
  EXPECT_STREQ(name, "Selftest_2x3.TLV");
  T3Tester::MakeRangesName("Self.test_", name);
  EXPECT_STREQ(name, "Selfxtest_2x3.TLV");
  EXPECT_STREQ(T3Tester::RangeVersion, "Version 2.3");
  EXPECT_EQ(T3Tester::LastF1Filter(), 3);
  T3Base::BoardVersion = 'Y';
  EXPECT_EQ(T3Tester::LastF1Filter(), 2);
}

}  // namespace
