// The board test's blocks on nominal simulated racks: each runs to its
// end, writes every line under its heading and, judged by limits around
// earlier runs of the same board, fails none.

#include <cmath>
#include <string>
#include <vector>

#include "BoardBlocks_fixture.h"
#include "selftest/T3Tester.h"

namespace {

using namespace TestResultsBlock;

class NominalR : public BoardBlocks {
 protected:
  // Two runs of the block set the limits of a third.
  // The wide-range probe's limits are those of the nominal one.
  static void AfterLimits(CurrentMonitorResults& group) { group.ProbeOffsetDacWide = group.ProbeOffsetDac; }
  template <class Group>
  static void AfterLimits(Group&) {}

  template <class Group>
  BlockRun JudgedRun(Group& group, bool (*block)(Group&)) {
    std::vector<Group> runs;
    for (int k = 0; k < 2; ++k) {
      Group run = group;
      EXPECT_TRUE(block(run));
      runs.push_back(run);
    }
    LimitsAround(group, runs);
    AfterLimits(group);
    return Run([&] { return block(group); });
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, NominalR, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(NominalR, TheCurrentMonitorWritesEveryLineAndFailsNone) {
  CurrentMonitorResults& group = results_.CurrentMonitor;
  const BlockRun run = JudgedRun(group, T3Tester::CurrentMonitor);
  EXPECT_TRUE(run.passed);
  for (const std::string& text : {run.report, run.notebook}) {
    for (const char* heading : {"Filter1 Response", "Probe Offset Dac", "Slow Tau", "HF Comp", "HF  Gain",
                                "Probe To IMon1", "Output Amp", "Output Amp Filter", "Filter 2", "Clipping"}) {
      EXPECT_NE(text.find(heading), std::string::npos) << heading;
    }
    EXPECT_EQ(Count(text, " Fo "), 4u);
    EXPECT_EQ(Count(text, " Tau "), 4u);
    EXPECT_EQ(Count(text, " Gain "), 4u + 3 + 1 + 1 + 6 + 4 + 3);
    EXPECT_EQ(Count(text, "FAILED"), 0u) << text;
    EXPECT_NE(text.find("No error conditions found."), std::string::npos) << text;
  }
  for (Protocol::MeasuredValue* v : Values(group)) EXPECT_TRUE(std::isfinite(v->Value));
  EXPECT_EQ(group.Filter1Response[0].Q.Value, 0.5);
  // The clipping detector trips just past 10 V behind the output gain of 2.
  EXPECT_NEAR(group.Clipping.Maximum.Value, 10.2, 0.25);
  EXPECT_NEAR(group.Clipping.Minimum.Value, -10.2, 0.25);
}

}  // namespace
