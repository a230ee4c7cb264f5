// The current-clamp tests on simulated boards of the three generations:
// the true current clamp ('R'), the fast option ('D') and the old
// amplifier ('A'), judged by the hand-written range files of their
// hardware variants; the tracking against the rack's drift, the stimulus
// offsets against the rack's nulls, and the rack's broken elements.

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CurrentClampRack_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "selftest/T3CCTest.h"
#include "selftest/T3Tester.h"

namespace {

using namespace TestResultsBlock;
using Protocol::MeasuredValue;

bool Fails(const MeasuredValue& v) { return !(v.Value >= v.Lower && v.Value <= v.Upper); }
bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// The lines of the report from the heading's line on, up to the next blank
// line.
std::vector<std::string> Section(const std::string& report, const std::string& heading) {
  std::vector<std::string> lines;
  std::size_t at = report.find(heading);
  if (at == std::string::npos) return lines;
  at = report.rfind('\n', at) + 1;
  while (at < report.size()) {
    const std::size_t end = report.find('\n', at);
    const std::string line = report.substr(at, end - at);
    if (line.empty()) break;
    lines.push_back(line);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

// The numbers the listing shows after each " iterations" label.
std::vector<int> Iterations(const std::string& listing, const std::string& label) {
  std::vector<int> counts;
  for (std::size_t at = listing.find(label); at != std::string::npos; at = listing.find(label, at + 1)) {
    if (label.front() == ' ' && label.back() == ':') {
      counts.push_back(std::stoi(listing.substr(at + label.size())));
    } else {
      const std::size_t start = listing.rfind('\n', at) + 1;
      counts.push_back(std::stoi(listing.substr(start, at - start)));
    }
  }
  return counts;
}

// The measured values of a generation; each fails exactly when it is the
// value the fault breaks.
using Pick = std::function<MeasuredValue&(CurrentClampResults&)>;
void ExpectOnlyFailing(CurrentClampResults& group, const std::vector<Pick>& measured, const MeasuredValue* failing) {
  for (std::size_t k = 0; k < measured.size(); ++k) {
    const MeasuredValue& v = measured[k](group);
    EXPECT_EQ(Fails(v), &v == failing) << "value " << k << ": " << v.Value << " in " << v.Lower << " .. " << v.Upper;
  }
}

std::vector<Pick> TransferPicks(TransferValues CurrentClampResults::*member, int index = -1) {
  const auto of = [member, index](CurrentClampResults& g) -> TransferValues& {
    return index < 0 ? g.*member : (&(g.*member))[index];
  };
  return {[of](CurrentClampResults& g) -> MeasuredValue& { return of(g).Gain; },
          [of](CurrentClampResults& g) -> MeasuredValue& { return of(g).Offset; }};
}

std::vector<Pick> CommonPicks() {
  std::vector<Pick> picks = TransferPicks(&CurrentClampResults::CCFeedThru);
  picks.push_back([](CurrentClampResults& g) -> MeasuredValue& { return g.CCStepResponse[0]; });
  picks.push_back([](CurrentClampResults& g) -> MeasuredValue& { return g.CCStepResponse[1]; });
  return picks;
}

std::vector<Pick> StimulusPicks() {
  std::vector<Pick> picks = CommonPicks();
  picks.push_back([](CurrentClampResults& g) -> MeasuredValue& { return g.CCVmon; });
  for (int i = 0; i < 3; ++i) picks.push_back([i](CurrentClampResults& g) -> MeasuredValue& { return g.CCStim[i]; });
  return picks;
}

std::vector<Pick> TrueCCPicks(int lastTracking) {
  std::vector<Pick> picks = CommonPicks();
  for (int g = 0; g < 4; ++g) {
    picks.push_back([g](CurrentClampResults& r) -> MeasuredValue& { return r.CCGains[g].Gain; });
    picks.push_back([g](CurrentClampResults& r) -> MeasuredValue& { return r.CCGains[g].Offset; });
  }
  for (int i = 0; i <= lastTracking; ++i) {
    picks.push_back([i](CurrentClampResults& r) -> MeasuredValue& { return r.CCTracking[i]; });
  }
  return picks;
}

// ---- The true current clamp ------------------------------------------------------

class TrueCC : public TrueCCRack {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(TrueCCRack::SetUp());
    ASSERT_TRUE(ReadRange("Selftest_cc_true.TLV"));
  }
  BlockRun RunTrackingAndCC() {
    return Run([&] { return T3CCTest::CCTrack(Group()) && T3Tester::CCTest(Group()); });
  }

  // The rack's drift after the hold steps to 0.1 V at the index's time
  // constant, as the loop's limits cut it (V/s).
  double RackDrift(int index, double seconds, double volts) {
    const double tau = Truths().tracking_tau[static_cast<std::size_t>(index)] *
                       Faults().tracking_tau[static_cast<std::size_t>(index)];
    const double s0 = Truths().tracking_gain * 0.1 * std::exp(-0.01 / tau);
    double t = seconds;
    if (s0 > volts) t = std::min(t, -tau * std::log(1 - volts / s0));
    return s0 * (1 - std::exp(-t / tau)) / t;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, TrueCC, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(TrueCC, NominalBoardWritesEveryLineAndFailsNone) {
  Group().CCTrackMax = 0;
  const BlockRun run = RunTrackingAndCC();
  EXPECT_TRUE(run.passed);
  for (const std::string& text : {run.report, run.notebook}) {
    EXPECT_EQ(Count(text, "FAILED"), 0u) << text;
    for (const char* heading : {"CC FeedThru", "CCStepResponse", "CCGains", "CCTracking", "   TauOff: "}) {
      EXPECT_TRUE(Has(text, heading)) << heading;
    }
    EXPECT_FALSE(Has(text, "Tau1:"));
    EXPECT_FALSE(Has(text, "CCVmon"));
    EXPECT_EQ(Section(text, "CCGains").size(), 5u) << text;
  }
  ExpectOnlyFailing(Group(), TrueCCPicks(0), nullptr);
}

TEST_P(TrueCC, TrackingFollowsTheRacksDriftForEveryTimeConstantUpToFive) {
  // A maximum beyond the six values tests the six.
  Group().CCTrackMax = 9;
  const BlockRun run = Run([&] { return T3CCTest::CCTrack(Group()); });
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  struct Limit {
    const char* label;
    double seconds;
    double volts;
  };
  const Limit limits[] = {{"TauOff:", 2, 0.5}, {"Tau1:", 5, 0.5},   {"Tau3:", 10, 0.2},
                          {"Tau10:", 10, 0.2}, {"Tau30:", 20, 0.2}, {"Tau100:", 40, 0.2}};
  for (int i = 0; i < kCCTrackingValues; ++i) {
    SCOPED_TRACE(limits[i].label);
    EXPECT_EQ(Count(run.report, limits[i].label), 1u);
    const double drift = RackDrift(i, limits[i].seconds, limits[i].volts);
    EXPECT_NEAR(Group().CCTracking[i].Value, drift, 0.02 * drift);
  }
  // Voltage clamp again, the tracking off.
  EXPECT_EQ(T3Types::State.Mode, 1);
  EXPECT_EQ(T3Types::State.CCTrackTau, 0);
}

TEST_P(TrueCC, AbortAtTheModelCircuitRequestMeasuresNothing) {
  answer_ = [](std::string_view) { return 1; };
  const BlockRun run = Run([&] { return T3CCTest::CCTrack(Group()); });
  EXPECT_FALSE(run.passed);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(Has(messages_.front(), "0.5 GOhm position"));
  EXPECT_FALSE(Has(run.report, "CCTracking"));
}

TEST_P(TrueCC, WithoutTheGainBitsOnlyTheHeadingOfTheGains) {
  T3Base::HardwareVersion &= static_cast<std::uint16_t>(~0xB0);
  const BlockRun run = Run([&] { return T3Tester::CCTest(Group()); });
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(Section(run.report, "CCGains"), std::vector<std::string>{"CCGains"}) << run.report;
}

TEST_P(TrueCC, BrokenElementsFailTheirLines) {
  struct Knob {
    const char* name;
    std::function<void(CurrentClampFaults&)> set;
    int lastTracking;
    Pick failing;
  };
  const Knob knobs[] = {
      {"step time constant x3", [](CurrentClampFaults& f) { f.step_tau = 3; }, 0,
       [](CurrentClampResults& g) -> MeasuredValue& { return g.CCStepResponse[0]; }},
      {"CC gain 2 off by 20 %", [](CurrentClampFaults& f) { f.gain[2] = 0.8; }, 0,
       [](CurrentClampResults& g) -> MeasuredValue& { return g.CCGains[2].Gain; }},
      {"Tau30 ten times slower", [](CurrentClampFaults& f) { f.tracking_tau[4] = 10; }, 4,
       [](CurrentClampResults& g) -> MeasuredValue& { return g.CCTracking[4]; }},
  };
  for (const Knob& knob : knobs) {
    SCOPED_TRACE(knob.name);
    Faults() = {};
    knob.set(Faults());
    Group().CCTrackMax = static_cast<std::uint8_t>(knob.lastTracking);
    const BlockRun run = RunTrackingAndCC();
    EXPECT_TRUE(run.passed);
    EXPECT_EQ(Count(run.report, "FAILED"), 1u) << run.report;
    ExpectOnlyFailing(Group(), TrueCCPicks(knob.lastTracking), &knob.failing(Group()));
  }
}

TEST_P(TrueCC, OffsetCalibrationFindsTheRacksNullOfEveryGain) {
  // The rack's nulls, by reading multiplexer 14 at both ends of the offset
  // DAC: the current monitor is a straight line of the word.
  T3Set::InitHardware();
  T3Panel::SetMode(2);
  T3Panel::SetMux(14);
  const std::int32_t adc = T3Types::State.MuxAdc;
  std::vector<double> nulls;
  for (int gain = 0; gain < 4; ++gain) {
    T3Panel::SetCCGain(gain);
    T3Set::HFCompSwitches(0);
    double low = 0;
    double high = 0;
    double rms = 0;
    T3Set::CCOffsetDac(0);
    T3Measure::MeanAndRms(adc, 1e-4, 1000, low, rms, true);
    T3Set::CCOffsetDac(4095);
    T3Measure::MeanAndRms(adc, 1e-4, 1000, high, rms, true);
    nulls.push_back(4095 * (T3CCTest::kCCOffsetTargetVolts - low) / (high - low));
  }
  const BlockRun run = Run([] { return T3CCTest::CCStimOffsets(); });
  EXPECT_TRUE(run.passed);
  const std::vector<int> counts = Iterations(run.notebook, " iterations:");
  ASSERT_EQ(counts.size(), 4u) << run.notebook;
  for (int gain = 0; gain < 4; ++gain) {
    SCOPED_TRACE(gain);
    EXPECT_GT(nulls[gain], 0);
    EXPECT_LT(nulls[gain], 4095);
    EXPECT_NEAR(T3Scale::Scale.CCOffsetDac[gain], nulls[gain], 16);
    EXPECT_LE(counts[gain], 26);
  }
  for (const char* label : {" CC1pA", " CC10pA", " CC100pA", " CC1000pA", " mV"}) {
    EXPECT_TRUE(Has(run.notebook, label)) << label;
  }
  EXPECT_EQ(T3Types::State.Mode, 1);
}

// A CC offset DAC too weak for the probe's offsets: gains 0 and 2 have no
// null within the DAC's words.
class WeakOffsetDac : public TrueCCRack {
 protected:
  void Configure(AmplifierRackConfig& config) override {
    TrueCCRack::Configure(config);
    config.boards[0].analog.cc_offset_span_volts = 0.005;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, WeakOffsetDac, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(WeakOffsetDac, ANullOutOfReachStopsAtTheBoundWithTheWordStored) {
  T3Scale::Scale.CCOffsetDac = {1111, 1111, 1111, 1111};
  const BlockRun run = Run([] { return T3CCTest::CCStimOffsets(); });
  const std::vector<int> counts = Iterations(run.notebook, " iterations:");
  ASSERT_EQ(counts.size(), 4u) << run.notebook;
  for (int gain : {0, 2}) {
    SCOPED_TRACE(gain);
    EXPECT_EQ(T3Scale::Scale.CCOffsetDac[gain], 0);
    EXPECT_LE(counts[gain], 26);
  }
}

// ---- The fast option -------------------------------------------------------------

class FastCC : public FastCCRack {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FastCCRack::SetUp());
    ASSERT_TRUE(ReadRange("Selftest_cc_fast.TLV"));
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, FastCC, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(FastCC, NominalBoardWritesTheVoltageMonitorAndThreeStimulusGains) {
  const BlockRun run = Run([&] { return T3Tester::CCTest(Group()); });
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  EXPECT_TRUE(Has(run.report, "CCVmon"));
  EXPECT_EQ(Section(run.report, "CCStimGain").size(), 3u) << run.report;
  EXPECT_EQ(Count(Section(run.report, "CCStimGain").front(), " Gain "), 1u);
  EXPECT_FALSE(Has(run.report, "CCGains"));
  ExpectOnlyFailing(Group(), StimulusPicks(), nullptr);
}

TEST_P(FastCC, ADeadStimulusPathFailsItsGain) {
  Faults().fast_stimulus_dead[1] = true;
  const BlockRun run = Run([&] { return T3Tester::CCTest(Group()); });
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(Count(run.report, "FAILED"), 1u) << run.report;
  ExpectOnlyFailing(Group(), StimulusPicks(), &Group().CCStim[1]);
}

// ---- The old amplifier -------------------------------------------------------------

class OldCC : public OldCCRack {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(OldCCRack::SetUp());
    ASSERT_TRUE(ReadRange("Selftest_cc_old.TLV"));
  }
  // The stimulus DAC word at which the stage's voltage monitor reads 3
  // codes through the multiplexer (its own offset included), by the CC
  // scale's gain.
  double RackNull(double gain) const {
    const CurrentClampTruths& t = rack_->Config().boards[0].current_clamp;
    const double muxOffset = rack_->Config().boards[0].analog.mux_offset_volts;
    const double stimulus = ((muxOffset - 3 / 3200.0) / t.old_vmon_current_gain - t.old_offset_volts) / gain;
    return stimulus * 3200;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, OldCC, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(OldCC, NominalBoardWritesTheStepValuesTheVoltageMonitorAndThreeStimulusGains) {
  const BlockRun run = Run([&] { return T3Tester::CCTest(Group()); });
  EXPECT_TRUE(run.passed);
  EXPECT_EQ(Count(run.report, "FAILED"), 0u) << run.report;
  EXPECT_EQ(Section(run.report, "CCStepResponse").size(), 3u) << run.report;
  EXPECT_TRUE(Has(run.report, "CCVmon"));
  EXPECT_EQ(Section(run.report, "CCStim ").size(), 3u) << run.report;
  EXPECT_FALSE(Has(run.report, "Short CC"));
  ExpectOnlyFailing(Group(), StimulusPicks(), nullptr);
}

TEST_P(OldCC, ShortTimeConstantsTakeTheRatiosFromTheFirstSample) {
  Faults().old_tau = 0.02;
  const BlockRun run = Run([&] { return T3Tester::CCTest(Group()); });
  EXPECT_TRUE(run.passed);
  EXPECT_TRUE(Has(run.report, "### Short CC time constants? ###")) << run.report;
  // Settled by sample 12: the second step value is the first, limits and
  // all, and the ratios are those of the settled stage.
  EXPECT_EQ(Group().CCStepResponse[1].Value, Group().CCStepResponse[0].Value);
  EXPECT_EQ(Group().CCStepResponse[1].Lower, Group().CCStepResponse[0].Lower);
  const CurrentClampTruths& t = Truths();
  const double vmon = (t.old_vmon_gain + t.old_vmon_current_gain * t.old_offset_volts) /
                      (t.old_step_gain + t.old_offset_volts);
  EXPECT_NEAR(Group().CCVmon.Value, vmon, 0.01 * vmon);
  EXPECT_NEAR(Group().CCStim[0].Value, (t.old_stimulus_gains[0] + t.old_offset_volts) /
                                           (t.old_step_gain + t.old_offset_volts), 0.01);
}

TEST_P(OldCC, StimulusOffsetsOfBothScalesLandOnTheRacksNulls) {
  const BlockRun run = Run([] { return T3CCTest::CCStimOffsets(); });
  EXPECT_TRUE(run.passed);
  const std::vector<int> counts = Iterations(run.notebook, " iterations");
  ASSERT_EQ(counts.size(), 2u) << run.notebook;
  const CurrentClampTruths& t = Truths();
  // x1 is scale 1, x10 scale 3.
  EXPECT_NEAR(T3Scale::Scale.CCStimDacOffset[0], RackNull(t.old_stimulus_gains[1]), 1);
  EXPECT_NEAR(T3Scale::Scale.CCStimDacOffset[1], RackNull(t.old_stimulus_gains[3]), 1);
  for (int count : counts) EXPECT_LE(count, 21);
  EXPECT_EQ(Count(run.notebook, " CCStimDacOffset = "), 2u);
  for (const char* label : {" CCx1", " CCx10", " mV)"}) EXPECT_TRUE(Has(run.notebook, label)) << label;
}

// An offset current the stimulus DAC cannot null at scale x1.
class FarOffset : public OldCCRack {
 protected:
  void Configure(AmplifierRackConfig& config) override {
    OldCCRack::Configure(config);
    config.boards[0].current_clamp.old_offset_volts = 0.5;
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, FarOffset, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(FarOffset, ANullOutOfReachStopsAfterTwentyOneTrialsWithTheWordStored) {
  T3Scale::Scale.CCStimDacOffset[0] = 1234;
  const BlockRun run = Run([] { return T3CCTest::CCStimOffsets(); });
  const std::vector<int> counts = Iterations(run.notebook, " iterations");
  ASSERT_EQ(counts.size(), 2u) << run.notebook;
  EXPECT_EQ(counts[0], 21);
  EXPECT_NE(T3Scale::Scale.CCStimDacOffset[0], 1234);
  EXPECT_LT(T3Scale::Scale.CCStimDacOffset[0], -2000);
}

}  // namespace
