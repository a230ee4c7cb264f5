// The rules the board test's blocks judge by, at their edges.

#include <gtest/gtest.h>

#include <limits>

#include "selftest/T3TesterSteps.h"

namespace {

using namespace T3Tester::Steps;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(T3TesterRules, OnlyASpanBeyondBothEdgesIsAWideRangeProbe) {
  struct Case {
    double minimum;
    double maximum;
    bool wide;
  } const cases[] = {
      {-0.6, 0.6, false},   // exactly the edges: the maximum must exceed 0.6 V
      {-0.6, 0.6001, true}, // the minimum may sit on its edge
      {-0.5999, 0.7, false}, {-0.7, 0.7, true},
      {kNaN, 0.7, false}, // a span not measured keeps the normal limits
  };
  for (const Case &c : cases) {
    SpanValues span{};
    span.Minimum.Value = c.minimum;
    span.Maximum.Value = c.maximum;
    EXPECT_EQ(WideProbeOffset(span), c.wide)
        << c.minimum << " .. " << c.maximum;
  }
}

TEST(T3TesterRules, TheHFGainIsScaledOnlyPastAnHFCompGainOfOneTenth) {
  struct Case {
    double hfCompGain;
    double scaled;
  } const cases[] = {
      {0.1, 0.5}, // at 0.1 unscaled
      {0.05, 0.5}, {0.2, 0.5 / (6.25 * 0.2)}, {8.0, 0.5 / 50.0},
      {kNaN, 0.5}, // a transfer not measured leaves it as found
  };
  for (const Case &c : cases)
    EXPECT_DOUBLE_EQ(ScaledHFGain(0.5, c.hfCompGain), c.scaled) << c.hfCompGain;
}

TEST(T3TesterRules, AFilter2QualityOfOneIsTheNewKind) {
  struct Case {
    double q;
    std::uint8_t kind;
  } const cases[] = {{0.8, kFilter2Original},
                     {0.9999, kFilter2Original},
                     {1.0, kFilter2New},
                     {1.31, kFilter2New},
                     {kNaN, kFilter2New}};
  for (const Case &c : cases)
    EXPECT_EQ(Filter2Kind(c.q), c.kind) << c.q;
}

} // namespace
