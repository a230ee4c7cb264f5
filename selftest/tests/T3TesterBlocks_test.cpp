// The board test's blocks on nominal simulated racks: each runs to its
// end, writes every line under its heading and, judged by limits around
// earlier runs of the same board, fails none.

#include <cmath>
#include <string>
#include <vector>

#include "BoardBlocks_fixture.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Scale.h"
#include "foundation/platform/Clock.h"
#include "platform/headless/Headless.h"
#include "selftest/T3Tester.h"
#include "selftest/TestBase.h"

namespace {

using namespace TestResultsBlock;

class NominalR : public BoardBlocks {
 protected:
  // Earlier runs of the block (three unless asked) set the limits of the
  // last. The wide-range probe's limits are those of the nominal one.
  static void AfterLimits(CurrentMonitorResults& group) { group.ProbeOffsetDacWide = group.ProbeOffsetDac; }
  template <class Group>
  static void AfterLimits(Group&) {}

  template <class Group>
  BlockRun JudgedRun(Group& group, bool (*block)(Group&), int limitRuns = 3) {
    std::vector<Group> runs;
    for (int k = 0; k < limitRuns; ++k) {
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

TEST_P(NominalR, Filter2WritesItsKindAndEveryLine) {
  T3Scale::Scale.Filter2Law = 0;
  Filter2Results& group = results_.Filter2;
  const BlockRun run = JudgedRun(group, T3Tester::Filter2);
  EXPECT_TRUE(run.passed);
  EXPECT_NE(T3Scale::Scale.Filter2Law, 0);
  EXPECT_NE(run.notebook.find(" F2 filter: "), std::string::npos) << run.notebook;
  for (const std::string& text : {run.report, run.notebook}) {
    for (const char* heading : {"Mux Source", "VmonFilter", "F2 Response", "Offset Dac"})
      EXPECT_NE(text.find(heading), std::string::npos) << heading;
    EXPECT_EQ(Count(text, " Fo "), 6u);
    EXPECT_EQ(Count(text, "FAILED"), 0u) << text;
  }
  for (Protocol::MeasuredValue* v : Values(group)) EXPECT_TRUE(std::isfinite(v->Value));
}

TEST_P(NominalR, TheIntegratorWritesEveryLine) {
  IntegratorResults& group = results_.Integrator;
  const double start = Platform::ElapsedSeconds();
  const BlockRun run = JudgedRun(group, T3Tester::Integrator);
  EXPECT_TRUE(run.passed);
  EXPECT_NE(run.notebook.find("Waiting for the test integrator to settle..."), std::string::npos);
  EXPECT_NE(run.notebook.find("  This will take 100 seconds..."), std::string::npos) << run.notebook;
  EXPECT_NE(run.notebook.find(" done.  "), std::string::npos) << run.notebook;
  for (const std::string& text : {run.report, run.notebook}) {
    for (const char* heading : {"Out 1 pF", "Out 10 pF", "Auto Zero:"})
      EXPECT_NE(text.find(heading), std::string::npos) << heading;
    EXPECT_EQ(Count(text, "FAILED"), 0u) << text;
  }
  for (Protocol::MeasuredValue* v : Values(group)) EXPECT_TRUE(std::isfinite(v->Value));
  EXPECT_GT(Platform::ElapsedSeconds() - start, 3 * 110.0);
  EXPECT_FALSE(ZRVBase::SpinCursor);
}

TEST_P(NominalR, TheStimulusPathWritesEveryLine) {
  StimulusPathResults& group = results_.StimulusPath;
  const BlockRun run = JudgedRun(group, T3Tester::StimulusPath);
  EXPECT_TRUE(run.passed);
  for (const std::string& text : {run.report, run.notebook}) {
    for (const char* heading : {"Stim Buffer", "Stim Scaling", "Stim Dac And Filter", "Stim Filter", "G-Leak",
                                "G-Leak FeedThru", "V-ref", "V-ref_x2", "Vp Offset Dac", "Stim to 10pF",
                                "R Series", "Rs comp tau"})
      EXPECT_NE(text.find(heading), std::string::npos) << heading;
    EXPECT_EQ(Count(text, "FAILED"), 0u) << text;
  }
  for (Protocol::MeasuredValue* v : Values(group)) EXPECT_TRUE(std::isfinite(v->Value));
  // The narrow stimulus filter's corner, and the wide one's with the
  // multiplexer's buffer.
  EXPECT_NEAR(group.StimFilter[1].Fo.Value, 9.85e3, 500);
  EXPECT_LT(group.StimFilter[0].Fo.Value, 80e3);
}

TEST_P(NominalR, CFastAndSlowWritesEveryLine) {
  CFastCSlowResults& group = results_.CFastCSlow;
  const BlockRun run = JudgedRun(group, T3Tester::CFastAndSlow);
  EXPECT_TRUE(run.passed);
  for (const std::string& text : {run.report, run.notebook}) {
    for (const char* heading : {"CFastAmp1_10pF", "CFastAmp2_10pF", 
                                "CFastTaus", "CSlow", "GSeries", "Rs factor", "CSlow to 1 pF", "CSlow to 10 pF"})
      EXPECT_NE(text.find(heading), std::string::npos) << heading;
    EXPECT_EQ(Count(text, "FAILED"), 0u) << text;
  }
  for (Protocol::MeasuredValue* v : Values(group)) EXPECT_TRUE(std::isfinite(v->Value));
}

// A "q" on the console while the output amplifier is measured: the block
// stops at the next step point with the measured values a leading part of
// its group, the rest untouched.
TEST_P(NominalR, AnAbortAtAStepPointEndsTheBlockThere) {
  ASSERT_NO_FATAL_FAILURE(StartUi());
  constexpr double kUnmeasured = -7.0;
  CurrentMonitorResults& group = results_.CurrentMonitor;
  std::vector<Protocol::MeasuredValue*> values;
  for (Protocol::MeasuredValue* v : Values(group)) {
    const bool neverMeasured = v == &group.Unused || (v >= &group.ProbeOffsetDacWide.Maximum &&
                                                      v <= &group.ProbeOffsetDacWide.Noise);
    v->Value = kUnmeasured;
    if (!neverMeasured) values.push_back(v);
  }
  ASSERT_TRUE(Headless::RunScript("wait 2\nkey q\n"));
  const BlockRun run = Run([&] { return T3Tester::CurrentMonitor(group); });
  EXPECT_FALSE(run.passed);
  EXPECT_TRUE(TestBase::Aborted);
  std::size_t measured = 0;
  while (measured < values.size() && values[measured]->Value != kUnmeasured) ++measured;
  EXPECT_GT(measured, 0u);
  EXPECT_LT(measured, values.size());
  for (std::size_t k = measured; k < values.size(); ++k) EXPECT_EQ(values[k]->Value, kUnmeasured) << k;
  EXPECT_EQ(Count(run.report, "Clipping"), 0u) << run.report;
}

// Every block of a board, each judged by limits around one earlier run:
// TRUE, every line under its heading, none FAILED; the report of the five.
class NominalEvery : public NominalR {
 protected:
  std::string RunEveryBlock() {
    std::string report;
    const auto judge = [&](auto& group, auto block) {
      const BlockRun run = JudgedRun(group, block, 1);
      EXPECT_TRUE(run.passed);
      EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
      EXPECT_NE(run.report.find("No error conditions found."), std::string::npos) << run.report;
      report += run.report;
    };
    judge(results_.CurrentMonitor, T3Tester::CurrentMonitor);
    judge(results_.Filter2, T3Tester::Filter2);
    judge(results_.Integrator, T3Tester::Integrator);
    judge(results_.StimulusPath, T3Tester::StimulusPath);
    judge(results_.CFastCSlow, T3Tester::CFastAndSlow);
    return report;
  }
  static constexpr double kUnmeasured = -7.0;
};

// A 'Y' board: its probe's reference-gain trim stops the filter-1 loops at
// setting 2 and leaves out the series resistance.
class NominalY : public NominalEvery {
 protected:
  char BoardLetter() const override { return 'Y'; }
};

INSTANTIATE_TEST_SUITE_P(Boards, NominalY, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(NominalY, EveryBlockPassesWithFilter1ToSetting2AndNoSeriesResistance) {
  CurrentMonitorResults& monitor = results_.CurrentMonitor;
  for (TransferValues* t : {&monitor.Filter1Transfer[3], &monitor.OutputAmpFilter[3], &results_.StimulusPath.RSeries[0]})
    t->Gain.Value = kUnmeasured;
  const std::string report = RunEveryBlock();
  EXPECT_EQ(Count(report, " Fo "), 3u + 6 + 1 + 2);
  EXPECT_EQ(report.find("R Series"), std::string::npos);
  EXPECT_EQ(report.find("Rs comp tau"), std::string::npos);
  EXPECT_EQ(monitor.Filter1Transfer[3].Gain.Value, kUnmeasured);
  EXPECT_EQ(monitor.OutputAmpFilter[3].Gain.Value, kUnmeasured);
  EXPECT_EQ(results_.StimulusPath.RSeries[0].Gain.Value, kUnmeasured);
}

// The original filter 2: its second section's quality at high Q below 1.
class Filter2Kinds : public BoardBlocks {
 protected:
  void Configure(AmplifierRackConfig& config) override {
    BoardBlocks::Configure(config);
    config.boards[0].analog.filter2_high_q = highQ_;
  }
  double highQ_ = 0.8;
};

INSTANTIATE_TEST_SUITE_P(Boards, Filter2Kinds, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(Filter2Kinds, TheOriginalFilterIsKindOne) {
  double q = 0.0;
  EXPECT_TRUE(T3Tester::IsF2Orig(q));
  EXPECT_NEAR(q, highQ_, 0.05);
  T3Scale::Scale.Filter2Law = 0;
  const BlockRun run = Run([&] { return T3Tester::Filter2(results_.Filter2); });
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(T3Scale::Scale.Filter2Law, 1);
  EXPECT_NE(run.notebook.find("Is original F2 filter:   8.00E-01"), std::string::npos) << run.notebook;
}

TEST_P(NominalR, TheNewFilterIsKindTwo) {
  double q = 0.0;
  EXPECT_FALSE(T3Tester::IsF2Orig(q));
  EXPECT_NEAR(q, 1.3066, 0.05);
  T3Scale::Scale.Filter2Law = 0;
  const BlockRun run = Run([&] { return T3Tester::Filter2(results_.Filter2); });
  EXPECT_EQ(T3Scale::Scale.Filter2Law, 2);
  EXPECT_NE(run.notebook.find("Is new F2 filter:   1.3"), std::string::npos) << run.notebook;
}

}  // namespace
