#include "numerics/BinSearch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using BinSearch::BinSearchState;

struct Trace {
  std::vector<std::int32_t> proposals;
  BinSearchState state;
};

// Outcome TRUE above the switching point, FALSE at or below it.
Trace Drive(std::int32_t min, std::int32_t max, std::int32_t step, std::int32_t minStep, std::int32_t x0,
            std::int32_t switchAt, int limit = 100) {
  Trace t{};
  BinSearch::Init(min, max, step, minStep, t.state);
  std::int32_t x = x0;
  for (int call = 0; call < limit && !t.state.Done; ++call) {
    BinSearch::Next(x, x > switchAt, t.state);
    t.proposals.push_back(x);
  }
  return t;
}

TEST(BinSearch, BracketedStepsHalveAndEndOnTheHighestFalse) {
  // From 0 the search climbs by 128 until 1024 gives TRUE, then halves:
  // Low + 64, + 32, ... and ends on 1000 once the bracket is 1 wide.
  const Trace t = Drive(-3200, 3200, 128, 1, 0, 1000);
  const std::vector<std::int32_t> expected = {128, 256, 384,  512,  640,  768,  896,  1024,
                                              960, 992, 1008, 1000, 1004, 1002, 1001, 1000};
  EXPECT_EQ(t.proposals, expected);
  EXPECT_TRUE(t.state.Done);
  EXPECT_FALSE(t.state.AtLimit);
  EXPECT_EQ(t.state.Low, 1000);
  EXPECT_EQ(t.state.High, 1001);
}

TEST(BinSearch, EndsAtTheSwitchFromEitherSideAndAnyResolution) {
  struct Case {
    std::int32_t x0, switchAt, step, minStep, result;
  };
  const std::vector<Case> cases = {
      {0, 1000, 128, 1, 1000}, {3000, 1000, 128, 1, 1000}, {-3000, -1234, 100, 1, -1234}, {0, 1000, 128, 16, 992},
      {0, 0, 7, 1, 0},         {500, 499, 128, 1, 499},
  };
  for (const Case& c : cases) {
    const Trace t = Drive(-3200, 3200, c.step, c.minStep, c.x0, c.switchAt);
    EXPECT_TRUE(t.state.Done) << c.x0 << " " << c.switchAt;
    EXPECT_FALSE(t.state.AtLimit) << c.x0 << " " << c.switchAt;
    EXPECT_EQ(t.proposals.back(), c.result) << c.x0 << " " << c.switchAt;
    EXPECT_LE(t.state.High - t.state.Low, c.minStep);
  }
}

TEST(BinSearch, NoSwitchInRangeEndsAtTheBound) {
  const Trace up = Drive(-3200, 3200, 1000, 1, 0, 5000);  // always FALSE
  EXPECT_EQ(up.proposals, (std::vector<std::int32_t>{1000, 2000, 3000, 3200, 3200}));
  EXPECT_TRUE(up.state.Done);
  EXPECT_TRUE(up.state.AtLimit);

  const Trace down = Drive(-3200, 3200, 1000, 1, 0, -5000);  // always TRUE
  EXPECT_EQ(down.proposals.back(), -3200);
  EXPECT_TRUE(down.state.AtLimit);
}

// A bracket cut short at Max is narrower than the halved step; the proposals
// must stay inside it instead of going past Max.
TEST(BinSearch, ProposalsStayInsideABracketCutShortByTheBound) {
  const Trace t = Drive(0, 3200, 128, 1, 3190, 3195);
  for (std::int32_t x : t.proposals) {
    EXPECT_GE(x, 0);
    EXPECT_LE(x, 3200);
  }
  EXPECT_EQ(t.proposals[0], 3200);
  EXPECT_EQ(t.proposals[1], 3198);  // Low + 8: 64, 32 and 16 would reach High
  EXPECT_EQ(t.proposals.back(), 3195);
  EXPECT_TRUE(t.state.Done);
  EXPECT_FALSE(t.state.AtLimit);
}

TEST(BinSearch, StepsNearTheIntegerRangeClampInsteadOfWrapping) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  BinSearchState s;
  BinSearch::Init(kMin, kMax, 1 << 30, 1, s);
  std::int32_t x = kMax - 5;
  BinSearch::Next(x, false, s);
  EXPECT_EQ(x, kMax);
  BinSearch::Init(kMin, kMax, 1 << 30, 1, s);
  x = kMin + 5;
  BinSearch::Next(x, true, s);
  EXPECT_EQ(x, kMin);
}

}  // namespace
