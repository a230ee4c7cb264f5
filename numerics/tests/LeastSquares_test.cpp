#include "numerics/LeastSquares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "RandomMatrix_fixture.h"
#include "foundation/tests/Console_fixture.h"

namespace {

constexpr double unitRoundoff = 0x1p-24;  // float

TEST(LeastSquares, FitsALineAndKeepsItsWork) {
  constexpr int32_t n = 24;
  std::vector<float> one(n, 1.0f), t(n), y(n);
  for (int32_t k = 0; k < n; ++k) {
    t[k] = static_cast<float>(k) / (n - 1);
    y[k] = 2.0f - 3.0f * t[k];
  }
  const float* basis[2] = {one.data(), t.data()};
  float c[2] = {};
  LeastSquares::Fit(2, basis, y.data(), n, c);
  EXPECT_NEAR(2.0, c[0], 64 * unitRoundoff);
  EXPECT_NEAR(-3.0, c[1], 64 * unitRoundoff);

  // The normal matrix is [[n, St], [St, Stt]]; M holds its inverse now.
  double st = 0, stt = 0, sy = 0, sty = 0;
  for (int32_t k = 0; k < n; ++k) {
    st += t[k];
    stt += static_cast<double>(t[k]) * t[k];
    sy += y[k];
    sty += static_cast<double>(t[k]) * y[k];
  }
  const double det = n * stt - st * st;
  EXPECT_NEAR(det, LeastSquares::Determinant, 1e-5 * det);
  EXPECT_NEAR(stt / det, LeastSquares::M[0][0], 1e-5 * stt / det);
  EXPECT_NEAR(-st / det, LeastSquares::M[0][1], 1e-5 * st / det);
  EXPECT_NEAR(n / det, LeastSquares::M[1][1], 1e-5 * n / det);
  EXPECT_FLOAT_EQ(static_cast<float>(sy), LeastSquares::Y[0]);
  EXPECT_FLOAT_EQ(static_cast<float>(sty), LeastSquares::Y[1]);
}

TEST(LeastSquares, IdenticalBasisFunctionsGiveDeterminantZero) {
  const float b[4] = {1, 2, 3, 4};
  const float y[4] = {1, 1, 1, 1};
  const float* basis[2] = {b, b};
  float c[2];
  LeastSquares::Fit(2, basis, y, 4, c);
  EXPECT_EQ(0.0, LeastSquares::Determinant);
}

using LeastSquaresConsole = ConsoleTest;

TEST_F(LeastSquaresConsole, OrderOutsideTheMatrixDoesNothing) {
  std::vector<float> b(4, 1.0f);
  std::vector<const float*> basis(26, b.data());
  float c[26];
  std::fill(std::begin(c), std::end(c), 5.0f);
  LeastSquares::Determinant = 7.0;
  LeastSquares::Fit(26, basis.data(), b.data(), 4, c);
  EXPECT_EQ(std::vector<std::string>{" Matrix- Index out of range!"}, Records());
  LeastSquares::Fit(0, basis.data(), b.data(), 4, c);
  LeastSquares::Fit(2, nullptr, b.data(), 4, c);
  EXPECT_EQ(7.0, LeastSquares::Determinant);
  EXPECT_EQ(5.0f, c[0]);
}

TEST(LeastSquares, FittedFunctionSumsTheBasis) {
  // Longer than one block of the summation.
  constexpr int32_t n = 600;
  std::vector<float> b0(n), b1(n), b2(n), out(n);
  for (int32_t k = 0; k < n; ++k) {
    b0[k] = 1.0f;
    b1[k] = std::sin(0.01f * k);
    b2[k] = 1e-3f * k;
  }
  const float* basis[3] = {b0.data(), b1.data(), b2.data()};
  const float c[3] = {0.5f, -2.0f, 3.0f};
  LeastSquares::ComputeFittedFunction(3, basis, n, c, out.data());
  for (int32_t k = 0; k < n; ++k) {
    const double expected = 0.5 * b0[k] - 2.0 * b1[k] + 3.0 * static_cast<double>(b2[k]);
    ASSERT_EQ(static_cast<float>(expected), out[k]) << k;
  }
}

// The normal equations square the condition of the basis, so in single
// precision the error grows with condition^2 x unit roundoff, where a QR
// solver (sgels) stays near condition x unit roundoff. Both are measured
// against the double-precision QR solution of the same float data.
TEST(LeastSquares, AccuracyFollowsTheSquaredCondition) {
  std::mt19937_64 random(31);
  for (double condition : {1e1, 1e2, 1e3}) {
    for (int m : {1, 2, 3, 5, 10, 25}) {
      for (int samples : {24, 100, 1000}) {
        if (samples < m) continue;
        for (int trial = 0; trial < 5; ++trial) {
          const Eigen::MatrixXf b = RandomMatrix::WithCondition(samples, m, condition, random).cast<float>();
          const Eigen::VectorXf y = (b.cast<double>() * RandomMatrix::Uniform(m, random) +
                                     0.01 * RandomMatrix::Uniform(samples, random))
                                        .cast<float>();

          const int one = 1;
          const int lwork = 64 * (samples + m);
          int info = 0;
          Eigen::MatrixXd bd = b.cast<double>();
          Eigen::VectorXd exact = y.cast<double>();
          std::vector<double> workd(lwork);
          dgels_("N", &samples, &m, &one, bd.data(), &samples, exact.data(), &samples, workd.data(), &lwork,
                 &info);
          ASSERT_EQ(0, info);
          Eigen::MatrixXf bs = b;
          Eigen::VectorXf qr = y;
          std::vector<float> works(lwork);
          sgels_("N", &samples, &m, &one, bs.data(), &samples, qr.data(), &samples, works.data(), &lwork,
                 &info);
          ASSERT_EQ(0, info);

          std::vector<const float*> basis(m);
          for (int i = 0; i < m; ++i) basis[i] = b.col(i).data();
          std::vector<float> c(m);
          LeastSquares::Fit(m, basis.data(), y.data(), samples, c.data());

          const double norm = exact.head(m).lpNorm<Eigen::Infinity>();
          const double ours = (Eigen::Map<Eigen::VectorXf>(c.data(), m).cast<double>() - exact.head(m))
                                  .lpNorm<Eigen::Infinity>() /
                              norm;
          const double lapack = (qr.head(m).cast<double>() - exact.head(m)).lpNorm<Eigen::Infinity>() / norm;
          const std::string where = "m " + std::to_string(m) + " samples " + std::to_string(samples);
          EXPECT_LE(ours, 8 * condition * condition * unitRoundoff) << where;
          EXPECT_LE(ours, 8 * condition * std::max(lapack, condition * unitRoundoff)) << where;
        }
      }
    }
  }
}

}  // namespace
