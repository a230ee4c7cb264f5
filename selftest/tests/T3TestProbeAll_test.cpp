// The probe test sequence on a simulated board with an operator at the
// bench: nominal probes within the range file's limits, and each fault of
// the bench in the lines it belongs to.

#include <algorithm>
#include <cmath>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ProbeRack_fixture.h"
#include "platform/Geometry.h"
#include "platform/Png.h"
#include "platform/Port.h"
#include "platform/Surface.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3Tester.h"
#include "amplifier/T3Types.h"
#include "selftest/T3TestProbe.h"
#include "selftest/TestBase.h"

namespace {

using Names = std::set<std::string>;
using Texts = std::vector<std::string>;

bool Has(const std::string& text, std::string_view what) { return text.find(what) != std::string::npos; }

// The report's lines from the one starting with the label to the next blank
// line.
std::string Section(const std::string& report, const std::string& label) {
  std::size_t at = report.find("\n" + label);
  if (at == std::string::npos) return "";
  ++at;
  return report.substr(at, report.find("\n\n", at) - at);
}

const std::string kTenMOhm = "Please connect the RV4 Model Circuit and set the switch to the 10 MOhm position";
const std::string kShield = "Please remove anything from the probe and shield the probe input";
const std::string kTrim =
    "Please connect: \r- The RV4 model circuit to the external probe.\r- The special BNC cable from DA-0 to the red "
    "probe input.\r- The cable of the model cell to the red probe input.\r\rSet the probe switch to the 10 MOhm "
    "position.";
const std::string kAllRanges = "High range.  gain =      40      80     160     320     640\nGo" +
                               std::string(50, '.') + "done.";

// The sequence with the input test and the 10 MOhm request, the limits of a
// range file, the probe's noise on.
class ProbeSequence : public ProbeRack {
 protected:
  BlockRun RunAll(const std::string& rangeFile, bool tlv1Expected) {
    EXPECT_NO_FATAL_FAILURE(ReadRanges(rangeFile));
    return Run([&] { return T3TestProbe::All(results_.Probe, tlv1Expected, true, true, false); });
  }
  void SetUp() override {
    bench_.probe.noise = true;
    ASSERT_NO_FATAL_FAILURE(ProbeRack::SetUp());
  }
};

class ProbeSequenceOnR : public ProbeSequence {
 public:
  ProbeSequenceOnR() { letter_ = 'R'; }
};

class Tlv1BehindASelector : public ProbeSequence {
 public:
  Tlv1BehindASelector() {
    letter_ = 'R';
    position_ = 2;
    bench_.probe = ProbeHead::Tlv1();
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, ProbeSequence, ::testing::Values(ZRVBase::BoardQRN55), BoardName);
INSTANTIATE_TEST_SUITE_P(Boards, ProbeSequenceOnR, ::testing::Values(ZRVBase::BoardQRN55), BoardName);
INSTANTIATE_TEST_SUITE_P(Boards, Tlv1BehindASelector, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(ProbeSequence, ANominalProbeOnAYBoardPassesWithTheTrim) {
  const BlockRun run = RunAll("Selftest_probe.TLV", false);
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedProbeValues(), Names{});
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  EXPECT_EQ(messages_, Texts({kTenMOhm + ".", kShield + ":", kTrim, kShield + "."}));
  EXPECT_TRUE(Has(run.notebook, kAllRanges)) << run.notebook;
  EXPECT_TRUE(Has(run.notebook, "Low range.  ")) << run.notebook;
  EXPECT_TRUE(Has(run.report, "RefGainTrimDac")) << run.report;
  EXPECT_FALSE(results_.Probe.IsTlv1Probe);
}

TEST_P(ProbeSequenceOnR, ANominalProbeOnAnRBoardPassesWithoutTheTrim) {
  const BlockRun run = RunAll("Selftest_probe.TLV", false);
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedProbeValues(), Names{});
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  EXPECT_EQ(messages_, Texts({kTenMOhm + ".", kShield + ":"}));
  EXPECT_FALSE(Has(run.report, "RefGainTrim"));
}

TEST_P(Tlv1BehindASelector, AnExpectedTlv1ProbeStartsAtTheMediumRange) {
  const BlockRun run = RunAll("Selftest_tlv1.TLV", true);
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedProbeValues(), Names{});
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  EXPECT_EQ(messages_, Texts({kTenMOhm + " (2. probe).", kShield + " (2. probe):"}));
  const T3TestProbe::ProbeTestResults& p = results_.Probe;
  EXPECT_TRUE(p.IsTlv1Probe);
  EXPECT_NEAR(p.Input10M.Gain.Value, 50.0, 1.0);
  EXPECT_EQ(p.Offsets[0].Value, 0.0);
  EXPECT_TRUE(Has(run.notebook, "Medium range.  ")) << run.notebook;
  EXPECT_FALSE(Has(run.notebook, "Low range.")) << run.notebook;
  EXPECT_FALSE(Has(run.notebook, "Error in VpOffset adjustment")) << run.notebook;
}

// Faults apart from one another, in one run: each shows in its own line.
TEST_P(ProbeSequence, FaultsAtTheBenchFailTheirLines) {
  bench_.probe.input_gain = 0.75;
  bench_.probe.common_mode *= 10;
  bench_.probe.range_offset_volts[1] = 0.05;
  bench_.probe.excess = {2, 8e3, 12.5e3, 10.0};
  ApplyBench();
  Rack().PlugCable(0, AmplifierRack::BoardInput::kReference, -1);
  const BlockRun run = RunAll("Selftest_probe.TLV", false);
  EXPECT_FALSE(run.passed);
  // The common-mode figure is taken in the medium range: its offset shows
  // that range's.
  EXPECT_EQ(FailedProbeValues(), Names({"Input10M.Gain", "CMR.Gain", "CMR.Offset", "Offsets[1]", "Noise[2][2]",
                                   "RefGainTrimSpan[0]", "RefGainTrimSpan[1]"}));
  ASSERT_EQ(messages_.size(), 5u);
  EXPECT_EQ(messages_[1], "TLV-Probe gain wrong:");
  for (const char* label : {"Input10M", "CMR", "Offsets", "Noise", "RefGainTrimSpan"}) {
    EXPECT_TRUE(Has(Section(run.report, label), "FAILED")) << label << "\n" << run.report;
  }
}

// The 1 pF capacitor open, noise off: the reference factor is reported and
// taken as 1, and no band can be referred to the input.
TEST_P(ProbeSequence, AnOpenTestCapacitorLeavesTheBandsWithoutTransfer) {
  bench_.probe.noise = false;
  bench_.probe.one_pf_share = 0.0;
  bench_.probe.input_gain = 0.45;
  ApplyBench();
  const BlockRun run = RunAll("Selftest_probe.TLV", false);
  EXPECT_TRUE(run.passed);
  // The panel keeps the high range's 10 pF test on the 1 pF capacitor.
  Names expected = {"Test1pF[0].Gain", "Test1pF[1].Gain", "Test1pF[2].Gain", "Test10pF[2].Gain"};
  for (int r = 0; r < 3; ++r) {
    for (int b = 0; b < 4; ++b) expected.insert("Noise[" + std::to_string(r) + "][" + std::to_string(b) + "]");
  }
  EXPECT_EQ(FailedProbeValues(), expected);
  EXPECT_TRUE(Has(run.notebook, " Reference gain is off by a factor of         0.00\n Assuming a factor of 1.0 for "
                                "computing spectra.\n"))
      << run.notebook;
  EXPECT_EQ(messages_.size(), 4u);
  EXPECT_TRUE(std::isnan(results_.Probe.Noise[0][0].Value));
}

// Only the high range's chirp saturates: its bands are NaN, the others are
// measured.
TEST_P(ProbeSequence, AMonitorSaturatingInTheNoiseSetUp) {
  bench_.probe.monitor_offset_volts = 10.4;
  bench_.probe.monitor_offset_range = 2;
  ApplyBench();
  const BlockRun run = RunAll("Selftest_probe.TLV", false);
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedProbeValues(), Names({"Noise[2][0]", "Noise[2][1]", "Noise[2][2]", "Noise[2][3]"}));
  EXPECT_EQ(Count(run.notebook, "Signal too large in Chirp.Acquire"), 1u) << run.notebook;
}

// The gain alert comes after the pipette-offset search and the gain at
// 0.3 V; Continue goes on from the medium range.
TEST_P(ProbeSequence, ATlv1ProbeWhereATlvProbeIsExpectedFailsAndStartsAtTheMediumRange) {
  bench_.probe = ProbeHead::Tlv1();
  ApplyBench();
  // The square wave of the last gain measurement before the alert: the
  // stimulus's extremes since it last went beyond 0.5 V.
  double low = 0.0;
  double high = 0.0;
  answer_ = [&](std::string_view message) {
    if (Has(std::string(message), "gain wrong")) {
      const auto dac = static_cast<std::size_t>(T3Types::State.StimDac);
      for (const DacConversion& c : record_->Conversions()) {
        const double v = c.volts[dac];
        if (std::fabs(v) > 0.5) {
          low = high = 0.0;
          continue;
        }
        low = std::min(low, v);
        high = std::max(high, v);
      }
    }
    return Dutiful(message);
  };
  const BlockRun run = RunAll("Selftest_probe.TLV", false);
  EXPECT_FALSE(run.passed);
  EXPECT_FALSE(TestBase::Aborted);
  EXPECT_EQ(messages_, Texts({kTenMOhm + ".", "TLV-Probe gain wrong:", kShield + ":", kTrim, kShield + "."}));
  const T3TestProbe::ProbeTestResults& p = results_.Probe;
  EXPECT_TRUE(p.IsTlv1Probe);
  // Before the search the probe stood beyond 2 V.
  EXPECT_LT(p.Input10M.Offset.Value, -2.0);
  EXPECT_NEAR(p.Input10M.Gain.Value, 50.0, 1.0);
  EXPECT_NEAR(high, 0.3, 0.01);
  EXPECT_NEAR(low, -0.3, 0.01);
  EXPECT_FALSE(Has(run.notebook, "Error in VpOffset adjustment")) << run.notebook;
  EXPECT_EQ(p.Offsets[0].Value, 0.0);
  EXPECT_EQ(Count(Section(run.report, "Offsets"), "E"), 2u) << run.report;
  EXPECT_EQ(Count(Section(run.report, "Test1pF"), "OFFSET") + Count(Section(run.report, "Test1pF"), "Offset    "), 2u)
      << run.report;
  EXPECT_TRUE(Has(run.notebook, "Medium range.  ")) << run.notebook;
  EXPECT_FALSE(Has(run.notebook, "Low range.")) << run.notebook;
}

// Each way out of the requests and the gain alert ends the sequence there.
TEST_P(ProbeSequence, AnAbortOrNoAnswerEndsTheSequence) {
  struct Case {
    const char* name;
    double inputGain;
    std::vector<int> buttons;  // for the boxes in turn, then Continue
    std::size_t showings;
  };
  const std::vector<Case> cases = {
      {"Abort at the 10 MOhm request", 0.5, {1}, 1},
      {"no answer at the 10 MOhm request", 0.5, {0}, 1},
      {"Abort in the gain alert", 0.75, {3, 1}, 2},
      {"no answer in the gain alert", 0.75, {3, 0}, 2},
      {"Try again, then Abort", 0.75, {3, 2, 1}, 3},
      {"Abort at the shield request", 0.5, {3, 1}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestBase::Aborted = false;
    messages_.clear();
    bench_.probe.input_gain = c.inputGain;
    Put(ModelCircuit::kShielded);
    std::size_t next = 0;
    answer_ = [&](std::string_view message) {
      Dutiful(message);
      return next < c.buttons.size() ? c.buttons[next++] : 3;
    };
    EXPECT_FALSE(T3TestProbe::All(results_.Probe, false, true, true, false));
    EXPECT_TRUE(TestBase::Aborted);
    EXPECT_EQ(messages_.size(), c.showings);
  }
  TestBase::Aborted = false;
}

// The board test's blocks, then the probe sequence, headless with the test
// plot window open and data plotting on, as a full test runs a board: the
// notebook follows the noise loop, the result file holds the probe lines,
// and the spectrum pane goes to a PNG file.
TEST_P(ProbeSequence, AfterTheBoardBlocksWithThePlotWindow) {
  ASSERT_NO_FATAL_FAILURE(StartUi());
  T3TestGraphics::Initialize(true, true, true, true);
  ASSERT_NE(T3TestGraphics::DataWindow, nullptr);
  ASSERT_NO_FATAL_FAILURE(ReadRanges("Selftest_probe.TLV"));
  OpenLimits();
  TestBase::DataPlotting = true;
  const BlockRun run = Run([&] {
    return T3Tester::CurrentMonitor(results_.CurrentMonitor) && T3Tester::Filter2(results_.Filter2) &&
           T3Tester::Integrator(results_.Integrator) && T3Tester::StimulusPath(results_.StimulusPath) &&
           T3Tester::CFastAndSlow(results_.CFastCSlow) && T3TestProbe::All(results_.Probe, false, true, true, false);
  });
  TestBase::DataPlotting = false;
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedProbeValues(), Names{});
  EXPECT_TRUE(Has(run.notebook, kAllRanges)) << run.notebook;
  EXPECT_EQ(Count(run.notebook, "Go" + std::string(50, '.') + "done."), 3u) << run.notebook;

  TestResultsBlock::MuxTestResults mux{};
  ASSERT_TRUE(T3Protocol::WriteProtocol("Result.TLV", mux, results_, false, true, false, false, false, 0));
  const std::string result = FileContent("Result.TLV");
  for (const char* line : {"TLV3: Input10M", "\nCMR\n", "Offsets - low :", "ProbeOut -   0V:", "\nTest1pF\n",
                           "\nTest10pF\n", "Noise   - low :", "        - high:", "RefGainTrimDac"}) {
    EXPECT_TRUE(Has(result, line)) << line << "\n" << result;
  }

  const Graphics::GraphicsWindow pane = T3TestGraphics::DataWindow;
  const Port::GrafPort& port = *pane->port;
  const Geometry::Rect area = Geometry::SetRect(pane->left + port.origin.h, pane->top + port.origin.v,
                                                pane->right + port.origin.h, pane->bottom + port.origin.v);
  const std::string png = Path("Spectrum.png");
  const std::span<const char> name(png.c_str(), png.size() + 1);
  ASSERT_TRUE(Png::Save(*port.pixels, area, name)) << Png::ErrorText();
  Surface::Pixels image;
  ASSERT_TRUE(Png::Load(name, image));
  EXPECT_EQ(image.Width(), area.right - area.left);
  EXPECT_EQ(image.Height(), area.bottom - area.top);
  int inked = 0;
  for (int v = 1; v < image.Height() - 1; ++v) {
    for (int h = 1; h < image.Width() - 1; ++h) inked += image.At(h, v) != Surface::kRgbMask ? 1 : 0;
  }
  EXPECT_GT(inked, 200);
}

}  // namespace
