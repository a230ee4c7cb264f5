// Tester mode, the multiplexer corrections, the trigger DAC of the live
// view and its step point without the test window.

#include "Selftest_fixture.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "selftest/Protocol.h"
#include "selftest/T3Generator.h"
#include "selftest/T3Tester.h"
#include "selftest/TestBase.h"

namespace {

using T3Tester::TransferValues;

class TesterTest : public SelftestTest {};

TEST_F(TesterTest, SetEndRestoresWhatSetStartSaved) {
  for (const bool before : {false, true}) {
    SCOPED_TRACE(before);
    T3Base::TesterMode = before;
    T3Base::TimedRangeSwitch = before;
    ZRV::EnableScaling(before);
    Protocol::WriteStateProc = Protocol::DummyWriteState;
    T3Tester::TesterModeSave save;
    T3Tester::SetStart(save);
    EXPECT_TRUE(T3Base::TesterMode);
    EXPECT_FALSE(T3Base::TimedRangeSwitch);
    EXPECT_TRUE(ZRV::ScalingIsEnabled());
    EXPECT_EQ(Protocol::WriteStateProc, T3Set::WriteState);
    T3Tester::SetEnd(save);
    EXPECT_EQ(T3Base::TesterMode, before);
    EXPECT_EQ(T3Base::TimedRangeSwitch, before);
    EXPECT_EQ(ZRV::ScalingIsEnabled(), before);
  }
}

TEST_F(TesterTest, CorrectionsRemoveTheMultiplexersGainAndOffsets) {
  T3Tester::MuxTransfer[0].Offset.Value = 0.002;   // O5
  T3Tester::MuxTransfer[2].Gain.Value = 0.8;       // G13
  T3Tester::MuxTransfer[2].Offset.Value = 0.005;   // O13
  TransferValues v;
  v.Gain.Value = 1.6;
  v.Offset.Value = 0.01;
  T3Tester::CorrectGainAndOffset(v);
  EXPECT_DOUBLE_EQ(v.Gain.Value, 2.0);
  EXPECT_DOUBLE_EQ(v.Offset.Value, 0.01 - 0.002 - 2.0 * 0.003);
  TransferValues ac;
  ac.Gain.Value = 1.6;
  ac.Offset.Value = 0.01;
  T3Tester::CorrectACGainAndOffset(ac);
  EXPECT_DOUBLE_EQ(ac.Gain.Value, 2.0);
  EXPECT_DOUBLE_EQ(ac.Offset.Value, 0.008);
  double offset = 0.01;
  T3Tester::CorrectMuxOffset(offset);
  EXPECT_DOUBLE_EQ(offset, 0.008);
}

TEST_F(TesterTest, TheTriggerDacAvoidsTheLiveViewsTestAndStimulusDacs) {
  const struct {
    std::int32_t dacs, testDac, stimDac, dac, trigger;
  } cases[] = {
      {4, 0, 3, 0, 1}, {4, 0, 3, 1, 2}, {4, -2, 0, 1, 3}, {3, 0, 2, 1, 0}, {2, 1, 0, 0, 0},
  };
  const std::int32_t saved = ZRVBase::NumberDacChannels;
  for (const auto& c : cases) {
    ZRVBase::NumberDacChannels = c.dacs;
    T3Types::State.ExtStimDac = static_cast<std::int16_t>(c.testDac);
    T3Types::State.StimDac = static_cast<std::int16_t>(c.stimDac);
    EXPECT_EQ(T3Tester::TriggerDac(c.dac), c.trigger) << c.dacs << " DACs, live view on " << c.dac;
  }
  ZRVBase::NumberDacChannels = saved;
}

// Without the window nothing could press Continue: pausing or not, the
// step point is one abort poll, and the generator never starts.
TEST_F(TesterTest, WithoutTheWindowTheStepPointIsOneAbortPoll) {
  for (const bool pausing : {false, true}) {
    SCOPED_TRACE(pausing);
    TestBase::InitModule();
    TestBase::Pausing = pausing;
    EXPECT_TRUE(T3Tester::TestSignal(0, 7, 1.0, 5e-6, 1));
    EXPECT_EQ(T3Generator::GeneratorDac, -1);
    TestBase::Aborted = true;
    EXPECT_FALSE(T3Tester::TestSignal(0, 7, 1.0, 5e-6, 1));
  }
}

}  // namespace
