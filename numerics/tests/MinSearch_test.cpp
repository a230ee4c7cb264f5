#include "numerics/MinSearch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

using MinSearch::MinSearchState;

TEST(MinSearch, FirstCallStartsFromJustBelowTheLargestDouble) {
  MinSearchState s;
  MinSearch::Init(-100, 100, 4, 0.5, s);
  double x = 10;
  // A value no finite number beats: only the sentinel is below it.
  MinSearch::Next(x, 1.7976931348623157e308, s);
  EXPECT_TRUE(s.Started);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(s.BestValue), 0x7FEFFFFFFFFFFFF6u);
  EXPECT_EQ(s.BestX, 10);
  EXPECT_EQ(x, 8);  // worse: step -4 / 2 from the best point
}

TEST(MinSearch, WorseValuesTurnRoundAndHalveTheStep) {
  // Step 32, tolerance 1: after the first improvement every value is worse,
  // so the step runs -16, 8, -4, 2, -1, 0.5 and the search ends at 0.5.
  MinSearchState s;
  MinSearch::Init(-1000, 1000, 32, 1, s);
  double x = 0;
  MinSearch::Next(x, 5.0, s);
  EXPECT_EQ(x, 32);
  std::vector<double> steps;
  std::vector<double> proposals;
  while (!s.Done) {
    MinSearch::Next(x, 10.0, s);
    steps.push_back(s.Step);
    proposals.push_back(x);
  }
  EXPECT_EQ(steps, (std::vector<double>{-16, 8, -4, 2, -1, 0.5}));
  EXPECT_EQ(proposals, (std::vector<double>{-16, 8, -4, 2, -1, -1}));
  EXPECT_EQ(s.BestX, 0);
  EXPECT_EQ(s.BestValue, 5.0);
  EXPECT_FALSE(s.OutOfRange);
}

TEST(MinSearch, FindsTheMinimumOfAParabola) {
  struct Case {
    double x0, step, minimum;
  };
  for (const Case& c : std::vector<Case>{{0, 8, 13.3}, {50, 8, 13.3}, {50, -3, -7.7}, {-20, 1, -7.7}}) {
    MinSearchState s;
    MinSearch::Init(-100, 100, c.step, 1e-3, s);
    double x = c.x0;
    for (int call = 0; call < 200 && !s.Done; ++call) MinSearch::Next(x, (x - c.minimum) * (x - c.minimum), s);
    EXPECT_TRUE(s.Done) << c.x0;
    EXPECT_NEAR(s.BestX, c.minimum, 2e-3) << c.x0;
    EXPECT_FALSE(s.OutOfRange) << c.x0;
  }
}

TEST(MinSearch, LeavingTheRangeIsFlaggedNotClipped) {
  MinSearchState s;
  MinSearch::Init(0, 10, 4, 0.5, s);
  double x = 8;
  MinSearch::Next(x, 3.0, s);  // better: 8 + 4
  EXPECT_EQ(x, 12);
  EXPECT_TRUE(s.OutOfRange);
  MinSearch::Next(x, 4.0, s);  // worse: back to 8 - 2, inside again
  EXPECT_EQ(x, 6);
  EXPECT_TRUE(s.OutOfRange);  // stays set
}

}  // namespace
