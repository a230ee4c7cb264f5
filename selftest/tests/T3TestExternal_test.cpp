// The connection tests with cables: the layout table of the boards'
// channels, and the tests on simulated racks of TLV 4 boards ('S' on the
// QRN 2400) with the cables plugged as the "External Test" dialog lists
// them, judged by the hand-written range file of the board's variant; the
// rack's broken connections fail their own lines.

#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CurrentClampRack_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "selftest/Protocol.h"
#include "selftest/T3TestExternal.h"
#include "selftest/TestBase.h"

namespace {

using namespace TestResultsBlock;
using T3TestExternal::Layout;

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// The report's FAILED values as "label#k", k counting the label's value
// lines from 0 (the limits line after a failed value is no value line).
std::set<std::string> FailedValues(const std::string& report) {
  std::set<std::string> failed;
  std::istringstream lines(report);
  std::string line;
  std::string label;
  int k = 0;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line[0] != ' ') {
      label = line;
      k = 0;
      continue;
    }
    if (Has(line, "/")) continue;
    if (Has(line, "FAILED")) failed.insert(label + "#" + std::to_string(k));
    ++k;
  }
  return failed;
}

// ---- The layout table --------------------------------------------------------------

// The amplifier globals the layout reads, put back after each case.
class LayoutTable : public ::testing::Test {
 protected:
  void SetUp() override { T3Base::InitModule(); }
  void TearDown() override {
    T3Types::State = state_;
    T3Base::InitModule();
  }

  T3Types::AmplifierState state_ = T3Types::State;
};

struct LayoutCase {
  const char* name;
  bool multiBoard;
  T3Types::AmplifierKind kind;
  int board;  // global
  int firstRackBoards;
  int secondRackBoards;
  std::optional<Layout> expected;
};

constexpr T3Types::AmplifierKind kTlv3 = T3Types::KindTlv3;
constexpr T3Types::AmplifierKind kTlv4 = T3Types::KindTlv4;

// The board's own ADCs in the cases below: VMon 3, multiplexer 7, IMon 4
// (in a second rack 11, 15, 12).
TEST_F(LayoutTable, EachRowOfTheTableAndTheSecondRack) {
  const LayoutCase cases[] = {
      {"single TLV 4", false, kTlv4, 0, 1, 0, Layout{0, 1, 0, 1, 2, 0}},
      {"single TLV 3", false, kTlv3, 0, 1, 0, Layout{0, 1, 0, 1, 2, 0}},
      {"TLV 3/N board 0", true, kTlv3, 0, 2, 0, Layout{0, 3, 0, 6, 1, -1}},
      {"TLV 3/N board 1", true, kTlv3, 1, 2, 0, Layout{1, 3, 2, 6, 3, -1}},
      {"TLV 3/N board 2 of three", true, kTlv3, 2, 3, 0, Layout{2, 3, 4, 6, 5, -1}},
      {"TLV 3/N board 2 of four", true, kTlv3, 2, 4, 0, std::nullopt},
      {"four TLV 4, board 2", true, kTlv4, 2, 4, 0, Layout{1, 0, 3, 7, 4, -1}},
      {"two TLV 4, board 0", true, kTlv4, 0, 2, 0, Layout{1, 0, 5, 0, 6, 1}},
      {"three TLV 4, board 0", true, kTlv4, 0, 3, 0, Layout{1, 0, 5, 0, 6, -1}},
      {"two TLV 4, board 1", true, kTlv4, 1, 2, 0, Layout{1, 0, 3, 0, 4, 1}},
      {"three TLV 4, board 1", true, kTlv4, 1, 3, 0, Layout{1, 0, 3, 0, 4, -1}},
      {"three TLV 4, board 2", true, kTlv4, 2, 3, 0, Layout{1, 0, 1, 0, 2, -1}},
      {"single TLV 4 in the second rack", false, kTlv4, 1, 1, 1, Layout{4, 5, 8, 9, 10, 4}},
      {"two TLV 4 in the second rack, board 1", true, kTlv4, 3, 2, 2, Layout{5, 4, 11, 8, 12, 5}},
      {"four TLV 4 in the second rack, board 3", true, kTlv4, 7, 4, 4, Layout{5, 4, 11, 15, 12, -1}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    T3Base::IsTlv3N = c.multiBoard;
    T3Base::AmplKind = c.kind;
    T3Base::FirstRackBoards = c.firstRackBoards;
    T3Base::SecondRackBoards = c.secondRackBoards;
    T3Base::IsSecondRack = c.board >= c.firstRackBoards;
    T3Types::State.Board = static_cast<std::uint8_t>(c.board);
    const std::int16_t rackAdcs = T3Base::IsSecondRack ? 8 : 0;
    T3Types::State.VmonAdc = static_cast<std::int16_t>(3 + rackAdcs);
    T3Types::State.MuxAdc = static_cast<std::int16_t>(7 + rackAdcs);
    T3Types::State.ImonAdc = static_cast<std::int16_t>(4 + rackAdcs);
    const std::optional<Layout> layout = T3TestExternal::BoardLayout();
    ASSERT_EQ(layout.has_value(), c.expected.has_value());
    if (!layout) continue;
    const Layout& e = *c.expected;
    EXPECT_EQ(std::vector<int>({layout->testDac, layout->stimDac, layout->vmonAdc, layout->imon1Adc,
                                layout->imon2Adc, layout->ccDac}),
              std::vector<int>({e.testDac, e.stimDac, e.vmonAdc, e.imon1Adc, e.imon2Adc, e.ccDac}));
  }
}

// A channel already in the second rack stays where it is: the sample-and-
// hold's ADC 8 and the QRN 2400's multiplexer ADC 15 are read there, not on
// 16 and 23.
TEST_F(LayoutTable, OnlyFirstRackChannelsMoveToTheSecondRack) {
  T3Base::FirstRackBoards = 1;
  T3Base::SecondRackBoards = 1;
  T3Base::IsSecondRack = true;
  T3Types::State.Board = 1;
  EXPECT_EQ(T3TestExternal::RackAdc(0), 8);
  EXPECT_EQ(T3TestExternal::RackAdc(7), 15);
  EXPECT_EQ(T3TestExternal::RackAdc(8), 8);
  EXPECT_EQ(T3TestExternal::RackAdc(15), 15);
  EXPECT_EQ(T3TestExternal::RackDac(0), 4);
  EXPECT_EQ(T3TestExternal::RackDac(4), 4);
  T3Base::IsSecondRack = false;
  T3Types::State.Board = 0;
  EXPECT_EQ(T3TestExternal::RackAdc(0), 0);
  EXPECT_EQ(T3TestExternal::RackDac(1), 1);
}

TEST(LadderBit, ReadingsGiveTheirBitAndNothingElse) {
  struct Case {
    double volts;
    double noBit;
    int bit;
  };
  const Case cases[] = {
      {9.0, 10.0, 0},   {5.5, 10.0, 7},   {9.02, 10.0, 0},  {10.0, 10.0, -1},
      {1.5, 10.0, 15},  {1.0, 10.0, -1},  {2.0, 0.0, -1},   {0.0, 0.0, -1},
      {-2.0, 0.0, -1},  {4.0, -0.0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(T3TestExternal::LadderBit(c.volts, c.noBit), c.bit) << c.volts << " V of " << c.noBit << " V";
  }
}

// ---- One TLV 4 on the QRN 2400 ---------------------------------------------------------

// Board 'S' with every option but V-ref x2; the cables the "External Test"
// dialog lists for a single TLV 4 plugged.
class SingleTlv4 : public GenerationRack<'S', 16382> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(GenerationRack::SetUp());
    T3Base::AmplKind = T3Types::State.ModelKind;
    ASSERT_TRUE(ReadRange("Selftest_external.TLV"));
    PlugExternal();
  }
  AmplifierConnections& Cables() { return Rack().Connections(); }
  void PlugExternal() {
    Cables().PullAll();
    Cables().PlugInput(0, FrontInput::kTest, 0);
    Cables().PlugInput(0, FrontInput::kStimulus, 1);
    Cables().PlugOutput(0, FrontOutput::kVoltageMonitor, 0);
    Cables().PlugOutput(0, FrontOutput::kFilter1, 1);
    Cables().PlugOutput(0, FrontOutput::kFilter2, 2);
  }
  // The external test, then the sample-and-hold with its cable, DAC-0 to
  // ADC-0.
  BlockRun RunBoth() {
    return Run([&] {
      const bool external = T3TestExternal::External(results_);
      Cables().PullAll();
      Cables().PlugSampleHold(0);
      return T3TestExternal::TestDacSH(results_) && external;
    });
  }
  ExternalResults& Ext() { return results_.External; }
};

INSTANTIATE_TEST_SUITE_P(Boards, SingleTlv4, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(SingleTlv4, NominalBoardWritesEveryConnectionAndFailsNone) {
  const BlockRun run = RunBoth();
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedValues(run.report), std::set<std::string>{}) << run.report;
  for (const char* label : {"Dac-0 to Test Input", "Dac-1 to Stim Input", "VMon to Adc-0", "IMon1 to Adc-1",
                            "IMon2 to Adc-2", "VMon to VMonAdc", "IMon2 to IMonAdc", "ExtCCStim", "TestDac-S&H"}) {
    EXPECT_EQ(Count(run.report, label), 1u) << label;
  }
  EXPECT_NEAR(Ext().Connection[kExtCCStim].Gain.Value, 0.1, 0.005);
  EXPECT_NEAR(Ext().SampleAndHoldStep[0].Offset.Value, 5.0, 0.01);
  // The known state the tests leave.
  EXPECT_EQ(T3Types::State.Mux, 5);
}

TEST_P(SingleTlv4, BrokenConnectionsFailTheirLines) {
  struct Knob {
    const char* name;
    std::function<void()> set;
    std::set<std::string> failing;
  };
  AmplifierBoardConfig& board = Config();
  const Knob knobs[] = {
      {"stimulus-input cable pulled", [&] { Cables().PlugInput(0, FrontInput::kStimulus, -1); },
       {"Dac-1 to Stim Input#0"}},
      {"FILTER-2 cable pulled", [&] { Cables().PlugOutput(0, FrontOutput::kFilter2, -1); }, {"IMon2 to Adc-2#0"}},
      // On the TLV 4 the test input is the external CC stimulus input too.
      {"test-input cable pulled", [&] { Cables().PlugInput(0, FrontInput::kTest, -1); },
       {"Dac-0 to Test Input#0", "ExtCCStim#0"}},
      {"external CC stimulus input dead", [&] { board.current_clamp_faults.external_cc_dead = true; },
       {"ExtCCStim#0"}},
      {"sample-and-hold droop x100", [&] { board.connection_faults.sample_hold_droop = 100; }, {"TestDac-S&H#0"}},
      {"VMon x100 switch dead", [&] { board.connection_faults.vmon_x100_dead = true; }, {"VMon to VMonAdc#1"}},
  };
  for (const Knob& knob : knobs) {
    SCOPED_TRACE(knob.name);
    board.current_clamp_faults = {};
    board.connection_faults = {};
    PlugExternal();
    knob.set();
    Protocol::TestErrors = 0;
    const BlockRun run = Run([&] {
      const bool external = T3TestExternal::External(results_);
      Cables().PullAll();
      Cables().PlugSampleHold(0);
      return T3TestExternal::TestDacSH(results_) && external;
    });
    EXPECT_TRUE(run.passed);
    EXPECT_EQ(FailedValues(run.report), knob.failing) << run.report;
  }
}

// An abort at a step point stops the test at once: the groups after it
// keep what they held.
TEST_P(SingleTlv4, AnAbortStopsAtTheNextStepPoint) {
  TestBase::Aborted = true;
  Ext().Connection[kStimInput].Gain.Value = -7;
  Ext().SampleAndHoldStep[1].Gain.Value = -7;
  const BlockRun run = Run([&] {
    return T3TestExternal::ExternalDacTest(0, 1, Ext()) || T3TestExternal::TestDacSH(results_);
  });
  TestBase::Aborted = false;
  EXPECT_FALSE(run.passed);
  EXPECT_TRUE(Has(run.report, "Dac-0 to Test Input"));
  EXPECT_FALSE(Has(run.report, "Stim Input"));
  EXPECT_EQ(Count(run.report, "TestDac-S&H"), 1u);
  EXPECT_EQ(Ext().Connection[kStimInput].Gain.Value, -7);
  EXPECT_EQ(Ext().SampleAndHoldStep[1].Gain.Value, -7);
}

// Another kind than the TLV 4 and TLV 4 Plus has no sample-and-hold.
TEST_P(SingleTlv4, WithoutTheSampleAndHoldItsNominalValuesWithoutLines) {
  T3Base::AmplKind = T3Types::KindTlv3;
  Ext().SampleAndHoldStep[0] = {};
  const BlockRun run = Run([&] { return T3TestExternal::TestDacSH(results_); });
  EXPECT_TRUE(run.passed);
  EXPECT_FALSE(Has(run.report, "TestDac-S&H"));
  const auto& step = Ext().SampleAndHoldStep;
  EXPECT_EQ(std::vector<double>({step[0].Gain.Value, step[0].Offset.Value, step[1].Gain.Value, step[1].Offset.Value}),
            std::vector<double>({0, 5, 1, 0}));
  for (const SpanValues& span : Ext().SampleAndHoldFeedThru) {
    EXPECT_EQ(std::vector<double>({span.Maximum.Value, span.Minimum.Value, span.Offset.Value, span.Noise.Value}),
              std::vector<double>({10, -10, 0, 0}));
  }
}

// ---- Four TLV 4 in a tetral rack ----------------------------------------------------------

// Board 0 of four 'S' boards: its own lines, no cables.
class FourTlv4 : public GenerationRack<'S', 16382> {
 protected:
  void Configure(AmplifierRackConfig& config) override {
    GenerationRack::Configure(config);
    config.boards_per_rack = 4;
    for (int b = 0; b < 4; ++b) config.boards[static_cast<std::size_t>(b)].letter = 'S';
  }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(GenerationRack::SetUp());
    T3Base::AmplKind = T3Types::State.ModelKind;
    T3Base::IsTlv3N = true;
    T3Base::T3Boards = 4;
    T3Base::FirstRackBoards = 4;
    T3Base::TetralRack1 = true;
    T3Types::State.IsTlv3N = true;
    T3Types::State.T3Boards = 4;
    T3Panel::FillAdcAndDac(T3Types::State);
    ASSERT_TRUE(ReadRange("Selftest_external.TLV"));
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, FourTlv4, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(FourTlv4, NominalInputsAndVMonAndMeasuredCurrentMonitors) {
  ExternalResults& ext = results_.External;
  for (TransferValues& group : ext.Connection) group.Gain.Value = -1;
  const BlockRun run = Run([&] { return T3TestExternal::External(results_); });
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(FailedValues(run.report), std::set<std::string>{}) << run.report;
  for (const char* label : {"Dac-1 to Test Input", "Dac-0 to Stim Input", "IMon1 to Adc-7", "IMon2 to Adc-6"}) {
    EXPECT_EQ(Count(run.report, label), 1u) << label << "\n" << run.report;
  }
  EXPECT_FALSE(Has(run.report, "VMon to Adc-"));
  EXPECT_FALSE(Has(run.report, "ExtCCStim"));
  for (const int nominal : {kTestInput, kStimInput, kVMonToAdc}) {
    const TransferValues& g = ext.Connection[nominal];
    EXPECT_EQ(std::vector<double>({g.Gain.Value, g.Offset.Value, g.Noise.Value}), std::vector<double>({1, 0, 0}))
        << nominal;
  }
  EXPECT_EQ(ext.Connection[kExtCCStim].Gain.Value, 0.1);
  for (const int measured : {kIMon1ToAdc, kIMon2ToAdc}) {
    EXPECT_NEAR(ext.Connection[measured].Gain.Value, 1.0, 0.03) << measured;
  }
}

}  // namespace
