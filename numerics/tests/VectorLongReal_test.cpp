// The operations VectorLongReal shares with VectorReal are tested on both in
// VectorReal_test.cpp; here: that doubles keep double precision throughout,
// and the statistics against GSL.

#include "numerics/VectorLongReal.h"

#include <gsl/gsl_statistics_double.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr double eps = std::numeric_limits<double>::epsilon();

TEST(VectorLongReal, KeepsDoublePrecision) {
  const double tiny = std::ldexp(1.0, -40);
  const double src[3] = {1.0 + tiny, -3.0, 0.1};
  double dst[3];
  VectorLongReal::Scale(src, dst, 3, 1.0 + tiny, tiny);
  for (int i = 0; i < 3; ++i) EXPECT_EQ((1.0 + tiny) * src[i] + tiny, dst[i]) << i;
  VectorLongReal::Offset(src, dst, 3, tiny);
  EXPECT_EQ(1.0 + 2 * tiny, dst[0]);
}

TEST(VectorLongReal, StatisticsAgreeWithGsl) {
  std::mt19937_64 random(7);
  for (double offset : {0.0, 1e3, -1e5}) {
    for (int32_t count : {2, 3, 8, 9, 17, 1000}) {
      std::normal_distribution<double> noise(offset, 2.5);
      std::vector<double> x(count);
      for (double& v : x) v = noise(random);
      double mean = 0.0;
      const double variance = VectorLongReal::Variance(x.data(), count, mean);
      const double gslMean = gsl_stats_mean(x.data(), 1, count);
      const double gslVariance = gsl_stats_variance(x.data(), 1, count);
      // The one-pass formula cancels mean^2: its error grows with it.
      const double scale = gslVariance + gslMean * gslMean;
      EXPECT_NEAR(gslMean, mean, count * eps * (std::fabs(gslMean) + 10.0)) << offset << " " << count;
      EXPECT_NEAR(gslVariance, variance, 8 * count * eps * scale) << offset << " " << count;
      EXPECT_NEAR(gslMean, VectorLongReal::Mean(x.data(), count, true),
                  count * eps * (std::fabs(gslMean) + 10.0));
    }
  }
}

TEST(VectorLongReal, VarianceOfConstantDataIsZeroNotNegative) {
  const double x[3] = {0.1, 0.1, 0.1};
  double mean = 0.0;
  const double variance = VectorLongReal::Variance(x, 3, mean);
  EXPECT_EQ(0.0, variance);
  EXPECT_FALSE(std::isnan(std::sqrt(variance)));
  EXPECT_DOUBLE_EQ(0.1, mean);
}

}  // namespace
