// The automatic pipette offset, leak and Rs compensations on the simulated
// rack, judged on what the rack's board really applies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoRsComp.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
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

TEST_P(OffsetRack, OnePassAtGainZeroTwoAtAnother) {
  for (const std::int32_t gain : {0, 3}) {
    SCOPED_TRACE(gain);
    StartCell(AmplifierCell::Seal());
    T3Panel::SetRange(2);
    T3Panel::SetGain(gain);
    const double smallest = 3.125e-4 / T3Types::State.StimDacScale;
    const auto stepAt = [&](std::int32_t g) {
      return std::clamp(2e7 / T3Panel::GetCurrentGain(2, g), smallest, 20.0 * smallest);
    };
    ASSERT_NE(stepAt(0), stepAt(3));
    EXPECT_TRUE(T3Auto::VpOffset());
    // The last pass leaves its step: the coarse one's at gain 0, the fine
    // one's at the operator's gain.
    EXPECT_DOUBLE_EQ(T3Base::BoardState.VpOffsetStep, stepAt(gain));
    EXPECT_EQ(T3Types::State.Gain, gain);
  }
}

TEST_P(OffsetRack, SearchFallsBackToTheFullSearch) {
  struct Case {
    double bathVolts;
    bool found;
    double stepsAfter;  // smallest steps: 8 after the quick search alone
  };
  for (const Case c : {Case{0.0125, true, 8.0}, Case{0.5, false, 20.0}}) {
    SCOPED_TRACE(c.bathVolts);
    AmplifierCell cell = AmplifierCell::Bath();
    cell.bath_volts = c.bathVolts;
    StartCell(cell);
    const double smallest = 3.125e-4 / T3Types::State.StimDacScale;
    T3Panel::SetVpOffset(0.01);
    const double vpOffset = T3Types::State.VpOffset;
    T3Base::BoardState.VpOffsetStep = smallest;
    T3Base::BoardState.VpOffsetTime = RealTime::GetTime() - 10.0;
    EXPECT_EQ(T3Auto::Search(), c.found);
    // The full search's coarse pass starts from gain 0's step, above the
    // largest.
    EXPECT_DOUBLE_EQ(T3Base::BoardState.VpOffsetStep, c.stepsAfter * smallest);
    if (!c.found) {
      EXPECT_EQ(T3Error::Error, 19);
      EXPECT_EQ(T3Types::State.VpOffset, vpOffset);
    }
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

// A rack whose leak compensation is twice what the scale says.
class DoubleLeakRack : public OffsetRack {
 protected:
  DoubleLeakRack() { analog_.scale.g_leak_factor /= 2.0; }
};

INSTANTIATE_TEST_SUITE_P(Boards, DoubleLeakRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(DoubleLeakRack, OvercompensationIsNoSuccess) {
  StartCell(AmplifierCell::Resistor(50e6));
  UseTruthScale();
  T3Scale::Scale.GLeakFactor = AmplifierAnalogTruths{}.scale.g_leak_factor;
  T3Panel::SetGLeak(1e-10);
  const double gLeak = T3Types::State.GLeak;
  const AmplifierCompensation applied = Applied();
  EXPECT_FALSE(T3Auto::GLeak());
  EXPECT_EQ(T3Error::Error, 19);
  EXPECT_EQ(T3Types::State.GLeak, gLeak);
  EXPECT_EQ(Applied(), applied);
}

TEST_P(OffsetRack, LeakTimeOutPutsTheLeakBack) {
  // A deadline already past stops both passes; one that passes while the
  // first pass measures (a pass takes 0.29 s) is found by the second,
  // after a first pass that would have counted as success.
  for (const double timeout : {-1.0, 0.1}) {
    SCOPED_TRACE(timeout);
    StartCell(AmplifierCell::Seal());
    T3Panel::SetGLeak(2e-10);
    const double gLeak = T3Types::State.GLeak;
    const AmplifierCompensation applied = Applied();
    T3Base::TimeoutGLeak = timeout;
    EXPECT_FALSE(T3Auto::GLeak());
    T3Base::TimeoutGLeak = 8.0;
    EXPECT_EQ(T3Error::Error, 18);
    EXPECT_EQ(T3Types::State.GLeak, gLeak);
    EXPECT_EQ(Applied(), applied);
  }
}

TEST(RsSearchRule, StepsHalveAtEachReversalAndEndAtTheHundredth) {
  struct Case {
    std::string name;
    double start;
    std::vector<bool> undershoots;
    std::vector<double> fractions;
  };
  const std::vector<Case> cases = {
      {"undershoot at once", 0.3, {true}, {0.26}},
      {"up by 0.04, back by 0.02, up by 0.01",
       0.0,
       {false, false, false, false, true, true, false, true},
       {0.04, 0.08, 0.12, 0.16, 0.14, 0.12, 0.13, 0.08}},
      {"reversal after every measurement", 0.5, {true, false, true, false}, {0.46, 0.48, 0.47, 0.42}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    T3Auto::RsSearch search;
    double fraction = c.start;
    for (std::size_t i = 0; i < c.undershoots.size(); ++i) {
      EXPECT_FALSE(search.done);
      fraction = T3Auto::NextRsFraction(search, c.undershoots[i], fraction, 0.05);
      EXPECT_NEAR(fraction, c.fractions[i], 1e-12) << i;
    }
    EXPECT_EQ(search.done, c.name != "undershoot at once");
  }
}

class RsRack : public OffsetRack {
 protected:
  RsRack() { noise_ = false; }
  void StartWholeCell() {
    StartCell(AmplifierCell::WholeCell());
    UseTruthScale();
    CompensateWholeCell();
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
