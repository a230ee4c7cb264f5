#include "numerics/LinSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <vector>

namespace {

using LinSearch::LinSearchState;

struct Trace {
  std::vector<double> proposals;  // x after each Next
  LinSearchState state;
};

// Drives a search from x0 on error(x) until Done or the call limit.
Trace Drive(double min, double max, double step, double minStep, double maxStep, double x0,
            const std::function<double(double)>& error, int limit = 100) {
  Trace run{};
  LinSearch::Init(min, max, step, minStep, maxStep, run.state);
  double x = x0;
  for (int call = 0; call < limit && !run.state.Done; ++call) {
    LinSearch::Next(x, error(x), run.state);
    run.proposals.push_back(x);
  }
  return run;
}

TEST(LinSearch, InitArmsGrowthAndClearsFlags) {
  LinSearchState s;
  s.Done = s.AtLimit = s.Started = true;
  s.Grow = false;
  LinSearch::Init(0, 255, 16, 8, 16, s);
  EXPECT_FALSE(s.Done);
  EXPECT_FALSE(s.AtLimit);
  EXPECT_FALSE(s.Started);
  EXPECT_TRUE(s.Grow);
  EXPECT_EQ(s.Min, 0);
  EXPECT_EQ(s.Max, 255);
  EXPECT_EQ(s.Step, 16);
  EXPECT_EQ(s.MinStep, 8);
  EXPECT_EQ(s.MaxStep, 16);
}

TEST(LinSearch, DoneAndAtLimitAreTheRecordsFirstTwoBytes) {
  LinSearchState s{};
  s.Done = true;
  s.AtLimit = true;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&s);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 1);
  EXPECT_EQ(offsetof(LinSearchState, Done), 0u);
  EXPECT_EQ(offsetof(LinSearchState, AtLimit), 1u);
}

TEST(LinSearch, UnbracketedStepsDoubleUpToMaxStepAndStayInRange) {
  // Errors stay positive: the search walks down 16 at a time (84 is the first
  // proposal), never with a larger step, and ends at Min.
  const Trace run = Drive(0, 255, 16, 8, 16, 100, [](double) { return 1.0; });
  ASSERT_FALSE(run.proposals.empty());
  EXPECT_EQ(run.proposals.front(), 84);
  double previous = 100;
  for (double x : run.proposals) {
    EXPECT_LE(previous - x, 16);
    EXPECT_GE(x, 0);
    previous = x;
  }
  EXPECT_EQ(run.proposals.back(), 0);
  EXPECT_TRUE(run.state.Done);
  EXPECT_TRUE(run.state.AtLimit);

  // Negative errors from 10 with step 1 and max step 64: 1 is doubled to 2
  // on the first call, then 4, 8 ... 64, and the search ends at Max.
  const Trace up = Drive(-1000, 300, 1, 0.5, 64, 10, [](double) { return -1.0; });
  const std::vector<double> expected = {12, 16, 24, 40, 72, 136, 200, 264, 300, 300};
  EXPECT_EQ(up.proposals, expected);
  EXPECT_TRUE(up.state.AtLimit);
  EXPECT_TRUE(up.state.Done);
}

TEST(LinSearch, BracketProposesTheSecantPoint) {
  // x = 10 gives -2 (too low); step 5 doubles to 10, so 20 is proposed, where
  // the error is +3: the zero of the line through both lies at 14.
  LinSearchState s;
  LinSearch::Init(0, 100, 5, 1, 10, s);
  double x = 10;
  LinSearch::Next(x, -2, s);
  ASSERT_EQ(x, 20);
  LinSearch::Next(x, 3, s);
  EXPECT_DOUBLE_EQ(x, 14);
  EXPECT_FALSE(s.Done);
  EXPECT_FALSE(s.Grow);
  EXPECT_EQ(s.LowX, 10);
  EXPECT_EQ(s.HighX, 20);
  EXPECT_EQ(s.Step, 10);  // max(0.5 x 10, bracket width 10, min step 1)
}

TEST(LinSearch, ExactZeroEndsTheSearchWhereItIs) {
  LinSearchState s;
  LinSearch::Init(0, 100, 5, 1, 10, s);
  double x = 42;
  LinSearch::Next(x, 0.0, s);
  EXPECT_TRUE(s.Done);
  EXPECT_FALSE(s.AtLimit);
  EXPECT_EQ(x, 42);
}

TEST(LinSearch, ConvergesOnTheZeroOfMonotoneErrors) {
  struct Case {
    const char* name;
    std::function<double(double)> error;
    double x0, root, tolerance;
  };
  const std::vector<Case> cases = {
      {"line from below", [](double x) { return 0.5 * (x - 37.25); }, 0, 37.25, 1e-9},
      {"line from above", [](double x) { return 2.0 * (x - 37.25); }, 250, 37.25, 1e-9},
      {"gentle curve", [](double x) { return (x - 3.0) * (1.0 + 0.002 * x); }, 100, 3.0, 0.05},
      {"tanh", [](double x) { return std::tanh((x - 120.0) / 30.0); }, 10, 120.0, 0.05},
  };
  for (const Case& c : cases) {
    const Trace run = Drive(0, 255, 4, 0.01, 64, c.x0, c.error, 200);
    EXPECT_TRUE(run.state.Done) << c.name;
    EXPECT_FALSE(run.state.AtLimit) << c.name;
    EXPECT_NEAR(run.proposals.back(), c.root, c.tolerance) << c.name;
    for (double x : run.proposals) {
      EXPECT_GE(x, 0) << c.name;
      EXPECT_LE(x, 255) << c.name;
    }
  }
}

}  // namespace
