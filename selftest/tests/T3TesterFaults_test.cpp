// The board test's blocks on a simulated 'R' board whose elements break
// and mend between runs: the limits come from a run of the sound board;
// each fault fails at least the lines of its element, and a block that does
// not use the element fails no more lines than it did on the sound board.

#include <cmath>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "BoardBlocks_fixture.h"
#include "amplifier/T3Scale.h"
#include "selftest/T3Tester.h"

namespace {

using namespace TestResultsBlock;

enum Block { kCurrentMonitor, kFilter2, kIntegrator, kStimulusPath, kCFastAndSlow, kBlocks };
constexpr const char* kBlockNames[] = {"CurrentMonitor", "Filter2", "Integrator", "StimulusPath", "CFastAndSlow"};

struct Knob {
  const char* name;
  std::function<void(AmplifierBoardConfig&)> set;
  // The values the fault must fail.
  std::vector<std::function<MeasuredValue&(SelfTestResults&)>> failing;
  // The blocks that use the element, each bit 1 << Block: they may fail
  // more lines than the element's.
  unsigned users;
  // What else the fault shows.
  std::function<void(const SelfTestResults&)> more = nullptr;
  // The filter-2 kind the scale record gets.
  int filter2Law = 2;
};

bool Fails(const MeasuredValue& v) { return !(v.Value >= v.Lower && v.Value <= v.Upper); }

class BoardFaults : public BoardBlocks {
 protected:
  // The block's run on the results.
  BlockRun RunBlock(Block block) {
    switch (block) {
      case kCurrentMonitor: return Run([&] { return T3Tester::CurrentMonitor(results_.CurrentMonitor); });
      case kFilter2: return Run([&] { return T3Tester::Filter2(results_.Filter2); });
      case kIntegrator: return Run([&] { return T3Tester::Integrator(results_.Integrator); });
      case kStimulusPath: return Run([&] { return T3Tester::StimulusPath(results_.StimulusPath); });
      default: return Run([&] { return T3Tester::CFastAndSlow(results_.CFastCSlow); });
    }
  }
  // Limits around the block's last run.
  void LimitsAroundLastRun(Block block) {
    switch (block) {
      case kCurrentMonitor:
        Around(results_.CurrentMonitor);
        // The sound probe's span reaches past 0.6 V: the wide-range limits apply.
        results_.CurrentMonitor.ProbeOffsetDacWide = results_.CurrentMonitor.ProbeOffsetDac;
        break;
      case kFilter2: Around(results_.Filter2); break;
      case kIntegrator: Around(results_.Integrator); break;
      case kStimulusPath: Around(results_.StimulusPath); break;
      default: Around(results_.CFastCSlow); break;
    }
  }
  template <class Group>
  static void Around(Group& group) {
    LimitsAround(group, std::vector<Group>{group});
  }

  AmplifierBoardConfig& TheBoard() { return rack_->BoardConfig(0, 0); }

  // The sound board's runs set the limits; each knob then breaks its
  // element for one run of every block and mends it again.
  void CheckKnobs(std::span<const Knob> knobs) {
    std::size_t nominalFailures[kBlocks];
    for (int b = 0; b < kBlocks; ++b) {
      const BlockRun run = RunBlock(static_cast<Block>(b));
      ASSERT_TRUE(run.passed) << kBlockNames[b];
      nominalFailures[b] = Count(run.report, "FAILED");
      LimitsAroundLastRun(static_cast<Block>(b));
    }
    const AmplifierBoardConfig sound = TheBoard();
    for (const Knob& knob : knobs) {
      SCOPED_TRACE(knob.name);
      knob.set(TheBoard());
      for (int b = 0; b < kBlocks; ++b) {
        SCOPED_TRACE(kBlockNames[b]);
        const BlockRun run = RunBlock(static_cast<Block>(b));
        EXPECT_TRUE(run.passed);
        if ((knob.users & (1u << b)) == 0) {
          EXPECT_EQ(Count(run.report, "FAILED"), nominalFailures[b]) << run.report;
        }
      }
      EXPECT_EQ(T3Scale::Scale.Filter2Law, knob.filter2Law);
      if (knob.more) knob.more(results_);
      for (std::size_t k = 0; k < knob.failing.size(); ++k) {
        const MeasuredValue& v = knob.failing[k](results_);
        EXPECT_TRUE(Fails(v)) << "value " << k << ": " << v.Value << " within " << v.Lower << " .. " << v.Upper;
      }
      TheBoard().faults = sound.faults;
      TheBoard().mux_channels = sound.mux_channels;
    }
  }
};

constexpr unsigned Users(std::initializer_list<Block> blocks) {
  unsigned users = 0;
  for (Block b : blocks) users |= 1u << b;
  return users;
}

const Knob kFilter1SlowTauAndOutputKnobs[] = {
    {"Filter1Setting2Corner", [](AmplifierBoardConfig& c) { c.faults.filter1_corner[2] = 1.2; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.Filter1Response[2].Fo; }},
     Users({kCurrentMonitor}),
     [](const SelfTestResults& r) {
       for (int f : {0, 1, 3}) EXPECT_FALSE(Fails(r.CurrentMonitor.Filter1Response[f].Fo)) << f;
     }},
    {"TSlowNetworkOpen", [](AmplifierBoardConfig& c) { c.faults.t_slow_open = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.SlowTau[2].Tau; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.SlowTau[3].Tau; }},
     Users({kCurrentMonitor}),
     // The fast network's steps keep their time constants.
     [](const SelfTestResults& r) {
       for (int k : {0, 1}) EXPECT_FALSE(Fails(r.CurrentMonitor.SlowTau[k].Tau)) << k;
     }},
    {"OutputGain40Low", [](AmplifierBoardConfig& c) { c.faults.output_gain[5] = 0.9; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.OutputAmp[5].Gain; }},
     Users({kCurrentMonitor}),
     [](const SelfTestResults& r) {
       for (int g = 0; g < 5; ++g) EXPECT_FALSE(Fails(r.CurrentMonitor.OutputAmp[g].Gain)) << g;
     }},
};

const Knob kProbeOffsetMuxAndClippingKnobs[] = {
    {"ProbeOffsetDacDead", [](AmplifierBoardConfig& c) { c.faults.probe_offset_dac_dead = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.ProbeOffsetDac.Maximum; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.ProbeOffsetDac.Minimum; }},
     Users({kCurrentMonitor})},
    {"MuxChannel14Dead", [](AmplifierBoardConfig& c) { c.mux_channels[14].gain = 0.0; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.ProbeToIMon1.Gain; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.StimulusPath.GLeak[0].Gain; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.StimulusPath.GLeak[1].Gain; }},
     Users({kCurrentMonitor, kStimulusPath})},
    {"ClippingNeverSet", [](AmplifierBoardConfig& c) { c.faults.clipping_never_set = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.Clipping.Maximum; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.CurrentMonitor.Clipping.Minimum; }},
     Users({kCurrentMonitor}),
     // The ramps run to their ends, and the rail test finds no clipping.
     [](const SelfTestResults& r) {
       EXPECT_NEAR(r.CurrentMonitor.Clipping.Maximum.Value, 15.2, 0.15);
       EXPECT_NEAR(r.CurrentMonitor.Clipping.Minimum.Value, -15.2, 0.15);
       EXPECT_EQ(r.CurrentMonitor.Clipping.Offset.Value, 0.0);
     }},
};

const Knob kFilter2AndIntegratorKnobs[] = {
    {"Filter2HighQDead", [](AmplifierBoardConfig& c) { c.faults.filter2_high_q_dead = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.Filter2.F2Response[2].Q; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.Filter2.F2Response[5].Q; }},
     Users({kCurrentMonitor, kFilter2}),
     nullptr,
     1},
    {"Filter2MultiplexerSourceDead", [](AmplifierBoardConfig& c) { c.faults.filter2_mux_source_dead = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.Filter2.MuxSource.Gain; }},
     Users({kFilter2})},
    {"Filter2VoltageMonitorSourceDead", [](AmplifierBoardConfig& c) { c.faults.filter2_vmon_source_dead = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.Filter2.VmonFilter.Gain; }},
     Users({kFilter2})},
    {"Filter2OffsetDacDead", [](AmplifierBoardConfig& c) { c.faults.filter2_offset_dac_dead = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.Filter2.OffsetDac.Maximum; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.Filter2.OffsetDac.Minimum; }},
     Users({kFilter2})},
    {"TenPicofaradTestCapacitorOpen", [](AmplifierBoardConfig& c) { c.faults.test_10pF_open = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.Integrator.Out10pF.Gain; }},
     Users({kIntegrator})},
    {"AutoZeroDead", [](AmplifierBoardConfig& c) { c.faults.auto_zero_dead = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.Integrator.AutoZero.Fo; }},
     Users({kIntegrator})},
};

const Knob kStimulusAndCompensationKnobs[] = {
    {"StimulusSourceDead", [](AmplifierBoardConfig& c) { c.faults.stimulus_source_dead = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.StimulusPath.StimBuffer.Gain; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.StimulusPath.StimScaling[1].Gain; }},
     Users({kStimulusPath, kCFastAndSlow})},
    {"GLeakSwitchStuckOff", [](AmplifierBoardConfig& c) { c.faults.g_leak_switch_stuck_off = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.StimulusPath.GLeak[1].Gain; }},
     Users({kStimulusPath})},
    {"RsCompensationDacDead", [](AmplifierBoardConfig& c) { c.faults.rs_dac_dead = true; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.StimulusPath.RSeries[2].Gain; },
      [](SelfTestResults& r) -> MeasuredValue& { return r.StimulusPath.RSeries[3].Gain; }},
     Users({kStimulusPath})},
    {"CFastTau2Switch4Dead", [](AmplifierBoardConfig& c) { c.faults.c_fast_tau2_open = 4; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.CFastCSlow.CFastTaus[4].Tau; }},
     Users({kCFastAndSlow}),
     [](const SelfTestResults& r) {
       for (int i : {0, 1, 2, 3, 5}) EXPECT_FALSE(Fails(r.CFastCSlow.CFastTaus[i].Tau)) << i;
     }},
    {"CSlowLatchBitStuck", [](AmplifierBoardConfig& c) { c.faults.c_slow_open = 4; },
     {[](SelfTestResults& r) -> MeasuredValue& { return r.CFastCSlow.CSlow[3].Offset; }},
     Users({kCFastAndSlow}),
     // Only the line of the switch that stays open.
     [](const SelfTestResults& r) {
       for (int i : {0, 1, 2, 4, 5}) {
         const TransferValues& t = r.CFastCSlow.CSlow[i];
         EXPECT_FALSE(Fails(t.Gain) || Fails(t.Offset) || Fails(t.Noise)) << i;
       }
     }},
};

INSTANTIATE_TEST_SUITE_P(Boards, BoardFaults, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(BoardFaults, OfFilter1TheSlowNetworkAndTheOutputAmplifier) { CheckKnobs(kFilter1SlowTauAndOutputKnobs); }
TEST_P(BoardFaults, OfTheProbeOffsetTheMultiplexerAndClipping) { CheckKnobs(kProbeOffsetMuxAndClippingKnobs); }
TEST_P(BoardFaults, OfFilter2AndTheTestIntegrator) { CheckKnobs(kFilter2AndIntegratorKnobs); }
TEST_P(BoardFaults, OfTheStimulusPathAndTheCompensations) { CheckKnobs(kStimulusAndCompensationKnobs); }

}  // namespace

namespace {

// The multiplexer's test-DAC channel at half gain: every block stops at its
// multiplexer check, which says why, and measures nothing of its group.
TEST_P(BoardFaults, AHalfGainTestDacChannelStopsEveryBlock) {
  TheBoard().mux_channels[13].gain = 0.5;
  results_.CurrentMonitor.Filter1Transfer[0].Gain.Value = 7.0;
  results_.CFastCSlow.CSlow[0].Gain.Value = 7.0;
  for (int b = 0; b < kBlocks; ++b) {
    SCOPED_TRACE(kBlockNames[b]);
    const BlockRun run = RunBlock(static_cast<Block>(b));
    EXPECT_FALSE(run.passed);
    EXPECT_NE(run.notebook.find("StimDac to Mux: Gain should be 1.0; is "), std::string::npos) << run.notebook;
  }
  EXPECT_EQ(results_.CurrentMonitor.Filter1Transfer[0].Gain.Value, 7.0);
  EXPECT_EQ(results_.CFastCSlow.CSlow[0].Gain.Value, 7.0);
}

}  // namespace
