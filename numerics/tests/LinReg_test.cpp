#include "numerics/LinReg.h"

#include <gsl/gsl_fit.h>
#include <gsl/gsl_statistics_double.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

struct Line {
  double slope = -99, intercept = -99, slopeError = -99, interceptError = -99, r2 = -99;
};

Line XY(const std::vector<float>& x, const std::vector<float>& y, int32_t first, int32_t& count,
        int32_t last) {
  Line l;
  LinReg::RealXY(x.data(), y.data(), first, count, last, l.slope, l.intercept, l.slopeError, l.interceptError,
                 l.r2);
  return l;
}

Line Y(const std::vector<float>& y, int32_t& count, int32_t maxCount) {
  Line l;
  LinReg::RealY(y.data(), count, maxCount, l.slope, l.intercept, l.slopeError, l.interceptError, l.r2);
  return l;
}

void ExpectZero(const Line& l) {
  EXPECT_EQ(0.0, l.slope);
  EXPECT_EQ(0.0, l.intercept);
  EXPECT_EQ(0.0, l.slopeError);
  EXPECT_EQ(0.0, l.interceptError);
  EXPECT_EQ(0.0, l.r2);
}

// The reference: GSL's fit of the same points in double.
Line Gsl(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = x.size();
  double c0, c1, cov00, cov01, cov11, sumsq;
  gsl_fit_linear(x.data(), 1, y.data(), 1, n, &c0, &c1, &cov00, &cov01, &cov11, &sumsq);
  const double r = gsl_stats_correlation(x.data(), 1, y.data(), 1, n);
  return {c1, c0, std::sqrt(cov11), std::sqrt(cov00), r * r};
}

void ExpectNear(const Line& expected, const Line& actual, double relative) {
  EXPECT_NEAR(expected.slope, actual.slope, relative * std::fabs(expected.slope));
  EXPECT_NEAR(expected.intercept, actual.intercept, relative * std::fabs(expected.intercept));
  EXPECT_NEAR(expected.slopeError, actual.slopeError, relative * expected.slopeError);
  EXPECT_NEAR(expected.interceptError, actual.interceptError, relative * expected.interceptError);
  EXPECT_NEAR(expected.r2, actual.r2, relative);
}

TEST(LinReg, TwoPointsGiveTheExactLineAndNoErrors) {
  int32_t count = 2;
  const Line l = Y({1, 3}, count, 10);
  EXPECT_EQ(2.0, l.slope);
  EXPECT_EQ(1.0, l.intercept);
  EXPECT_FALSE(std::isfinite(l.slopeError));
  EXPECT_FALSE(std::isfinite(l.interceptError));
  EXPECT_EQ(1.0, l.r2);
}

TEST(LinReg, LogarithmOfAnExponential) {
  const float e = static_cast<float>(std::exp(1.0));
  int32_t count = 3;
  Line l;
  LinReg::RealLnY(std::vector<float>{1, e, e * e}.data(), count, 3, 0.0, l.slope, l.intercept, l.slopeError,
                  l.interceptError, l.r2);
  EXPECT_NEAR(1.0, l.slope, 1e-6);
  EXPECT_NEAR(0.0, l.intercept, 1e-6);
  EXPECT_NEAR(1.0, l.r2, 1e-12);

  // Negative ordinates are taken by magnitude, zeros left out; x0 shifts x.
  count = 4;
  LinReg::RealLnY(std::vector<float>{-1, 0, e * e, -e * e * e}.data(), count, 4, 10.0, l.slope, l.intercept,
                  l.slopeError, l.interceptError, l.r2);
  EXPECT_NEAR(1.0, l.slope, 1e-6);
  EXPECT_NEAR(-10.0, l.intercept, 1e-5);
  EXPECT_EQ(4, count);
}

TEST(LinReg, PointSelection) {
  // y = x up to index 7; index 8 lies far off the line.
  std::vector<float> x, y;
  for (int i = 0; i < 12; ++i) {
    x.push_back(static_cast<float>(i));
    y.push_back(i == 8 ? 100.0f : static_cast<float>(i));
  }
  int32_t count = 8;
  Line l = XY(x, y, 0, count, 8);
  EXPECT_EQ(8, count);
  EXPECT_EQ(1.0, l.slope);
  EXPECT_EQ(0.0, l.intercept);

  count = 20;
  l = XY(x, y, 0, count, 8);
  EXPECT_EQ(9, count);
  std::vector<double> xd(x.begin(), x.begin() + 9), yd(y.begin(), y.begin() + 9);
  ExpectNear(Gsl(xd, yd), l, 1e-12);

  count = 5;
  l = XY(x, y, 2, count, 11);
  EXPECT_EQ(5, count);
  EXPECT_EQ(1.0, l.slope);

  count = 5;
  l = XY(x, y, -1, count, 11);
  EXPECT_EQ(-99, l.slope) << "a negative first index leaves the outputs alone";
  EXPECT_EQ(5, count);

  count = 5;
  l = XY(x, y, 3, count, 4);
  EXPECT_EQ(0, count) << "last below first + 2";
  ExpectZero(l);

  count = 1;
  l = XY(x, y, 0, count, 11);
  EXPECT_EQ(1, count);
  ExpectZero(l);

  count = 30;
  l = Y(y, count, 8);
  EXPECT_EQ(8, count);
  EXPECT_EQ(1.0, l.slope);
}

TEST(LinReg, InvalidOrdinatesAreLeftOut) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<float> y = {1, static_cast<float>(nan), 5, static_cast<float>(inf), 9};
  int32_t count = 5;
  const Line l = Y(y, count, 5);
  EXPECT_EQ(5, count);
  EXPECT_EQ(2.0, l.slope);
  EXPECT_EQ(1.0, l.intercept);

  Line ln;
  const float e = static_cast<float>(std::exp(1.0));
  std::vector<float> x = {0, 1, 2, 3, 4};
  std::vector<float> ys = {1, 0, e * e, static_cast<float>(nan), e * e * e * e};
  count = 5;
  LinReg::RealLnXY(x.data(), ys.data(), 0, count, 4, ln.slope, ln.intercept, ln.slopeError, ln.interceptError,
                   ln.r2);
  EXPECT_NEAR(1.0, ln.slope, 1e-6);
  EXPECT_NEAR(0.0, ln.intercept, 1e-6);
}

TEST(LinReg, AgreesWithGsl) {
  std::mt19937_64 random(17);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (int n : {3, 10, 100, 1000}) {
    std::vector<int16_t> xi(n), yi(n);
    std::vector<float> x(n), y(n);
    std::vector<double> xd(n), yd(n);
    for (int i = 0; i < n; ++i) {
      xi[i] = static_cast<int16_t>(3 * i - 700);
      yi[i] = static_cast<int16_t>(std::lround(0.7 * xi[i] + 40.0 + 25.0 * noise(random)));
      x[i] = xd[i] = xi[i];
      y[i] = yd[i] = yi[i];
    }
    const Line expected = Gsl(xd, yd);
    int32_t count = n;
    ExpectNear(expected, XY(x, y, 0, count, n - 1), 1e-9);

    Line l;
    count = n;
    LinReg::IntXY(xi.data(), yi.data(), 0, count, n - 1, l.slope, l.intercept, l.slopeError, l.interceptError,
                  l.r2);
    ExpectNear(expected, l, 1e-9);

    std::vector<double> index(n);
    for (int i = 0; i < n; ++i) index[i] = i;
    count = n;
    LinReg::IntY(yi.data(), count, n, l.slope, l.intercept, l.slopeError, l.interceptError, l.r2);
    ExpectNear(Gsl(index, yd), l, 1e-9);
  }
}

}  // namespace
