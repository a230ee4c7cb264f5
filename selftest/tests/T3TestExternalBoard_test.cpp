// A board test of a simulated TLV 4 ('S' on the QRN 2400), headless on the
// virtual clock, in the order the full test runs it: the multiplexer, the
// connection tests with the cables the operator plugs as the "External
// Test" dialog and the sample-and-hold request list them, each judged by
// its own error count, the cables pulled, then the multiplexer again, the
// current-clamp tracking with its 0.5 GOhm request, the 10 MOhm request and
// the current-clamp test. The requests are this test's own (the
// calibration menu asks them in the program); the operator answers them
// at the bench.

#include <cstdio>
#include <string>
#include <string_view>

#include "CurrentClampRack_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Types.h"
#include "dialogs/Alert.h"
#include "selftest/Protocol.h"
#include "selftest/T3CCTest.h"
#include "selftest/T3Protocol.h"
#include "selftest/T3TestExternal.h"
#include "selftest/T3TestProbe.h"
#include "selftest/T3Tester.h"

namespace {

using namespace TestResultsBlock;

bool Has(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

// The "External Test" dialog's lines of a single TLV 4 in the first rack.
constexpr const char* kExternalLines[] = {"Dac-0 to Ext. Stim. Input CC", "Dac-1 to Ext. Stim. Input VC",
                                          "Adc-0 to V-Monitor", "Adc-1 to FILTER-1", "Adc-2 to FILTER-2"};

struct Counts {
  int external = 0;
  int sampleHold = 0;
  int blocks = 0;
};

class Tlv4BoardTest : public GenerationRack<'S', 16382> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(GenerationRack::SetUp());
    T3Base::AmplKind = T3Types::State.ModelKind;
    T3Protocol::FillInfo(results_);
    ASSERT_TRUE(ReadRange("Selftest_external.TLV"));
    answer_ = [this](std::string_view m) { return AtTheBench(m); };
  }

  // Plugs what a "Connect:" message lists (but the forgotten cable), pulls
  // every cable when asked to, and moves the model circuit as asked.
  int AtTheBench(std::string_view message) {
    AmplifierConnections& cables = Rack().Connections();
    if (Has(message, "remove now all BNC-cables")) cables.PullAll();
    int n = 0;
    int m = 0;
    for (std::size_t at = message.find("Dac-"); at != std::string_view::npos; at = message.find("Dac-", at + 1)) {
      const std::string line(message.substr(at, message.find('\r', at) - at));
      if (!forgotten_.empty() && Has(line, forgotten_)) continue;
      char what[32] = "";
      if (std::sscanf(line.c_str(), "Dac-%d to Adc-%d", &n, &m) == 2) cables.PlugSampleHold(m);
      if (std::sscanf(line.c_str(), "Dac-%d to Ext. Stim. Input %2s", &n, what) == 2) {
        cables.PlugInput(0, std::string_view(what) == "CC" ? FrontInput::kTest : FrontInput::kStimulus, n);
      }
    }
    for (std::size_t at = message.find("Adc-"); at != std::string_view::npos; at = message.find("Adc-", at + 1)) {
      const std::string line(message.substr(at, message.find('\r', at) - at));
      if (!forgotten_.empty() && Has(line, forgotten_)) continue;
      char what[32] = "";
      if (std::sscanf(line.c_str(), "Adc-%d to %31s", &m, what) != 2) continue;
      const std::string_view output(what);
      cables.PlugOutput(0,
                        output == "V-Monitor"   ? FrontOutput::kVoltageMonitor
                        : output == "FILTER-1" ? FrontOutput::kFilter1
                                               : FrontOutput::kFilter2,
                        m);
    }
    return Dutiful(message);
  }

  static bool Ask(const std::string& message) {
    return Alert::Choice(message, "Cancel", "", "Done", 3) == 3;
  }

  // The board test up to the current clamp; the error count of each part.
  Counts RunBoardTest(BlockRun& run) {
    Counts counts;
    run = Run([&] {
      std::string connect = "Connect:";
      for (const char* line : kExternalLines) connect += std::string("\r") + line;
      Protocol::TestErrors = 0;
      if (!T3Tester::Mux(mux_.Transfer, true)) return false;
      Protocol::TestErrors = 0;
      if (!Ask(connect) || !T3TestExternal::External(results_)) return false;
      counts.external = Protocol::TestErrors;
      Protocol::TestErrors = 0;
      if (!Ask("Connect: Dac-0 to Adc-0") || !T3TestExternal::TestDacSH(results_)) return false;
      counts.sampleHold = Protocol::TestErrors;
      Alert::OK("Please, remove now all BNC-cables.");
      Protocol::TestErrors = 0;
      CurrentClampResults& cc = results_.StimulusPath.CurrentClamp;
      const bool ran = T3Tester::Mux(mux_.Transfer, true) && T3CCTest::CCTrack(cc) &&
                       T3TestProbe::Request10MOhmResistor() && T3Tester::CCTest(cc);
      counts.blocks = Protocol::TestErrors;
      return ran;
    });
    return counts;
  }

  std::string forgotten_;
};

INSTANTIATE_TEST_SUITE_P(Boards, Tlv4BoardTest, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(Tlv4BoardTest, ConnectionsAndCurrentClampInTheBoardTestsOrder) {
  BlockRun run;
  const Counts counts = RunBoardTest(run);
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(counts.external, 0) << run.report;
  EXPECT_EQ(counts.sampleHold, 0) << run.report;
  EXPECT_EQ(counts.blocks, 0) << run.report;
  EXPECT_EQ(Rack().Connections().OnLine(0), std::nullopt) << "the cables pulled";
  const char* lines[] = {"MuxTransfer",    "Dac-0 to Test Input", "Dac-1 to Stim Input", "VMon to Adc-0",
                         "IMon1 to Adc-1", "IMon2 to Adc-2",      "ExtCCStim",           "TestDac-S&H",
                         "CCTracking",     "CC FeedThru",         "CCStepResponse",      "CCGains"};
  for (const char* line : lines) {
    EXPECT_TRUE(Has(run.notebook, line)) << line;
    EXPECT_TRUE(Has(run.report, line)) << line;
  }
  // The result file holds the connection values (the blocks not run fail
  // there).
  ASSERT_TRUE(T3Protocol::WriteProtocol("Selftest1_1.txt", mux_, results_, false, true, false, false, false, 1));
  const std::string result = FileContent("Selftest1_1.txt");
  for (const char* line : {"Dac-0 to Test Input", "IMon2 to Adc-2", "TestDac-S&H", "ExtCCStim", "CCTracking"}) {
    EXPECT_TRUE(Has(result, line)) << line << "\n" << result;
  }
}

TEST_P(Tlv4BoardTest, AForgottenCableCountsInTheConnectionTestAlone) {
  BlockRun run;
  forgotten_ = "FILTER-2";
  Counts counts = RunBoardTest(run);
  EXPECT_TRUE(run.passed);
  EXPECT_GT(counts.external, 0) << run.report;
  EXPECT_EQ(counts.sampleHold, 0);
  EXPECT_EQ(counts.blocks, 0);
  // Plugged back, with the bench as the board test found it.
  forgotten_.clear();
  bench_ = BenchPosition{};
  ApplyBench();
  counts = RunBoardTest(run);
  EXPECT_EQ(counts.external, 0) << run.report;
}

}  // namespace
