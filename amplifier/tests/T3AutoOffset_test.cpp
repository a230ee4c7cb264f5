// The automatic pipette offset, leak and Rs compensations on the simulated
// rack, judged on what the rack's board really applies.
#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "acquisition/VrnlBoards.h"
#include "amplifier/tests/AutoRack_fixture.h"
#include "foundation/RealTime.h"

namespace {

class OffsetRack : public AutoRackTest {
 protected:
  void StartCell(const AmplifierCell& cell) {
    letter_ = LetterOfInterface(Board());
    Start(cell);
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, OffsetRack, ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN55), BoardName);

TEST_P(OffsetRack, PipetteOffsetNullsTheBathCurrent) {
  StartCell(AmplifierCell::Bath());
  T3Panel::SetGain(3);
  const double before = T3Auto::ReadImon(500);
  ASSERT_GT(std::fabs(before), 1e-9);
  EXPECT_TRUE(T3Auto::VpOffset());
  EXPECT_EQ(T3Error::Error, 0);
  EXPECT_LT(std::fabs(T3Auto::ReadImon(500)), 0.01 * std::fabs(before));
  EXPECT_EQ(T3Types::State.Gain, 3);
  EXPECT_EQ(T3Types::State.VHold, -T3Types::State.VLiquidJunction);
}

TEST_P(OffsetRack, OffsetBeyondTheDacPutsTheOffsetBack) {
  AmplifierCell cell = AmplifierCell::Bath();
  cell.bath_volts = 0.5;
  StartCell(cell);
  T3Panel::SetVpOffset(0.01);
  const double vpOffset = T3Types::State.VpOffset;
  const AmplifierCompensation applied = Applied();
  EXPECT_FALSE(T3Auto::VpOffset());
  EXPECT_EQ(T3Error::Error, 19);
  EXPECT_EQ(T3Types::State.VpOffset, vpOffset);
  EXPECT_EQ(Applied(), applied);
}

TEST_P(OffsetRack, OffsetTimeOut) {
  StartCell(AmplifierCell::Bath());
  T3Panel::SetVpOffset(0.01);
  const double vpOffset = T3Types::State.VpOffset;
  T3Base::TimeoutOffset = -1.0;
  EXPECT_FALSE(T3Auto::VpOffset());
  T3Base::TimeoutOffset = 8.0;
  EXPECT_EQ(T3Error::Error, 18);
  EXPECT_EQ(T3Types::State.VpOffset, vpOffset);
}

TEST_P(OffsetRack, SearchKeepsItsDistance) {
  StartCell(AmplifierCell::Bath());
  T3Base::BoardState.VpOffsetTime = RealTime::GetTime();
  const BoardElements before = Elements();
  const double offset = T3Types::State.VpOffset;
  EXPECT_FALSE(T3Auto::Search());
  EXPECT_EQ(Elements(), before);
  EXPECT_EQ(T3Types::State.VpOffset, offset);
}

TEST_P(OffsetRack, SearchStepWithinItsBounds) {
  struct Case {
    double step;
    double smallestSteps;
  };
  for (const Case c : {Case{1e-9, 1.0}, Case{1.0, 20.0}}) {
    SCOPED_TRACE(c.step);
    StartCell(AmplifierCell::Bath());
    T3Base::BoardState.VpOffsetStep = c.step;
    T3Base::BoardState.VpOffsetTime = RealTime::GetTime() - 10.0;
    EXPECT_TRUE(T3Auto::Search());
    EXPECT_DOUBLE_EQ(T3Base::BoardState.VpOffsetStep, c.smallestSteps * 3.125e-4 / T3Types::State.StimDacScale);
    EXPECT_DOUBLE_EQ(T3Base::BoardState.VpOffsetTime, RealTime::GetTime());
  }
}

TEST_P(OffsetRack, LeakOfTheSeal) {
  const AmplifierCell cell = AmplifierCell::Seal();
  StartCell(cell);
  UseTruthScale();
  T3Panel::SetGain(5);
  EXPECT_TRUE(T3Auto::GLeak());
  EXPECT_EQ(T3Error::Error, 0);
  EXPECT_NEAR(Applied().g_leak_siemens, 1.0 / cell.series_ohms, 0.1 / cell.series_ohms);
}

TEST_P(OffsetRack, LeakTimeOutPutsTheLeakBack) {
  StartCell(AmplifierCell::Seal());
  T3Panel::SetGLeak(2e-10);
  const double gLeak = T3Types::State.GLeak;
  T3Base::TimeoutGLeak = 0.0;
  EXPECT_FALSE(T3Auto::GLeak());
  T3Base::TimeoutGLeak = 8.0;
  EXPECT_EQ(T3Error::Error, 18);
  EXPECT_EQ(T3Types::State.GLeak, gLeak);
}

class RsRack : public OffsetRack {
 protected:
  RsRack() { noise_ = false; }
  void StartWholeCell() {
    StartCell(AmplifierCell::WholeCell());
    UseTruthScale();
    T3Panel::SetCSlowRange(2);
    T3Panel::SetCSlow(22e-12);
    T3Panel::SetGSeries(100e-9);
    T3Panel::SetRsOn(true);
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, RsRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(RsRack, NothingInCurrentClamp) {
  StartWholeCell();
  T3Panel::SetMode(2);
  const double fraction = T3Types::State.RsFraction;
  EXPECT_FALSE(T3Auto::RsComp(0.05, 0.05));
  EXPECT_EQ(T3Types::State.RsFraction, fraction);
}

TEST_P(RsRack, FailurePutsFractionAndModeBack) {
  StartWholeCell();
  T3Panel::SetRsComp(0.3);
  T3Panel::SetRsMode(0);
  const double fraction = T3Types::State.RsFraction;
  const std::int32_t mode = T3Panel::GetRsMode(T3Types::State.RsTau);
  ASSERT_EQ(mode, 0);
  T3Base::TimeoutRsComp = -1.0;
  EXPECT_FALSE(T3Auto::RsComp(0.05, 0.05));
  T3Base::TimeoutRsComp = 8.0;
  EXPECT_EQ(T3Error::Error, 18);
  EXPECT_EQ(T3Types::State.RsFraction, fraction);
  EXPECT_EQ(T3Panel::GetRsMode(T3Types::State.RsTau), mode);
}

// The least alpha at which the rack's response undershoots by more than
// `share` of its peak: the undershoot grows smoothly over the alphas below
// the critical one.
double UndershootAlpha(double critical, double share) {
  const double width = AmplifierBoardModel::kUndershootAlphas;
  double low = 0.0;
  double high = 1.0;
  for (int i = 0; i < 60; ++i) {
    const double s = 0.5 * (low + high);
    (AmplifierBoardModel::kMostUndershoot * s * s * (3.0 - 2.0 * s) < share ? low : high) = s;
  }
  return critical - width + width * high;
}

TEST_P(RsRack, FractionBacksOffFromTheFirstUndershoot) {
  for (const bool noise : {false, true}) {
    SCOPED_TRACE(noise);
    noise_ = noise;
    StartWholeCell();
    T3Panel::SetRsMode(0);
    EXPECT_TRUE(T3Auto::RsComp(0.05, 0.05));
    EXPECT_EQ(T3Error::Error, 0);
    EXPECT_EQ(Model().RsViolations(), 0);
    // The search's Rs mode stays after a success.
    EXPECT_EQ(T3Panel::GetRsMode(T3Types::State.RsTau), 2);
    const double alpha = Applied().rs_ohms / AmplifierCell::WholeCell().series_ohms;
    EXPECT_NEAR(alpha, T3Types::State.RsFraction, 0.01);
    if (!noise) {
      VrnlBoards::FlushCache();
      const double critical = Model().RsCriticalAlpha(Rack().Board(0));
      EXPECT_NEAR(alpha, UndershootAlpha(critical, 0.05) - 0.05, 0.02);
    }
  }
}

TEST_P(RsRack, LoopThatNeverRingsFindsNoEnd) {
  analog_.rs_rings = false;
  StartWholeCell();
  T3Panel::SetRsComp(0.1);
  T3Panel::SetRsMode(0);
  const double fraction = T3Types::State.RsFraction;
  EXPECT_FALSE(T3Auto::RsComp(0.05, 0.05));
  EXPECT_EQ(T3Error::Error, 19);
  EXPECT_EQ(T3Types::State.RsFraction, fraction);
  EXPECT_EQ(T3Panel::GetRsMode(T3Types::State.RsTau), 0);
}

}  // namespace
