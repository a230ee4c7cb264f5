#include "numerics/Matrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "RandomMatrix_fixture.h"
#include "foundation/tests/Console_fixture.h"

namespace {

using Matrix::Mat;
using Matrix::Size;

constexpr double unitRoundoff = 0x1p-24;  // float

// A matrix whose unused part is filled with a marker, so that writes outside
// the rows x columns in use show.
struct Filled {
  Mat m;
  explicit Filled(std::initializer_list<std::initializer_list<double>> rows, float marker = 99.0f) {
    for (auto& row : m) std::fill(std::begin(row), std::end(row), marker);
    int i = 0;
    for (const auto& row : rows) {
      int j = 0;
      for (double x : row) m[i][j++] = static_cast<float>(x);
      ++i;
    }
  }
};

void ExpectRows(const Mat& m, std::initializer_list<std::initializer_list<double>> rows,
                double tolerance = 0.0) {
  int i = 0;
  for (const auto& row : rows) {
    int j = 0;
    for (double x : row) {
      EXPECT_NEAR(x, m[i][j], tolerance) << "[" << i << "][" << j << "]";
      ++j;
    }
    ++i;
  }
}

bool SameMatrix(const Mat& a, const Mat& b) { return std::memcmp(a, b, sizeof(Mat)) == 0; }

// Matrix reports on the program's console; the notebook records show what
// it wrote, line by line.
using MatrixConsole = ConsoleTest;

using Lines = std::vector<std::string>;

const std::string outOfRange = " Matrix- Index out of range!";

TEST_F(MatrixConsole, CheckAcceptsDimensionsBelow26) {
  EXPECT_TRUE(Matrix::Check(0));
  EXPECT_TRUE(Matrix::Check(25));
  EXPECT_EQ(Lines{}, Records());
  EXPECT_FALSE(Matrix::Check(26));
  EXPECT_FALSE(Matrix::Check(-1));
  EXPECT_EQ(Lines({outOfRange, outOfRange}), Records());
  EXPECT_EQ(Lines({outOfRange, outOfRange}), Bottom(2));
}

TEST_F(MatrixConsole, BadDimensionsChangeNothing) {
  Filled a({{1, 2}, {3, 4}});
  const Filled original({{1, 2}, {3, 4}});
  Filled z({});
  float b[2] = {1, 2};
  float x[2] = {7, 7};
  const Matrix::BoolMat flags = {};
  const Matrix::IntMat numbers = {};
  EXPECT_FALSE(Matrix::SolveLinearSystem(a.m, b, x, 26));
  EXPECT_EQ(0.0, Matrix::InvertMat(a.m, 26));
  Matrix::AddMat(z.m, a.m, a.m, 2, 26);
  Matrix::SubMat(z.m, a.m, a.m, -1, 2);
  Matrix::ScaleMat(a.m, 30, 2, 2.0, 1.0);
  Matrix::MulMat(z.m, a.m, a.m, 2, 2, 26);
  Matrix::MulSquareMat(z.m, a.m, a.m, 27);
  Matrix::TransposeMat(a.m, 26, 2);
  Matrix::WriteMat(a.m, 2, 26, 8, 2, true);
  Matrix::WriteBoolMat(flags, 26, 2);
  Matrix::WriteIntMat(numbers, 2, -1, 4);
  EXPECT_TRUE(SameMatrix(original.m, a.m));
  EXPECT_TRUE(SameMatrix(Filled({}).m, z.m));
  EXPECT_EQ(7.0f, x[0]);
  EXPECT_EQ(Lines(11, outOfRange), Records());
}

TEST_F(MatrixConsole, SolveReportsSingularMatrices) {
  const Lines failed = {"", " Error detected in procedure SolveLinearSystem "};
  Filled zeroRow({{1, 2, 3}, {0, 0, 0}, {4, 5, 6}});
  float b[3] = {1, 1, 1};
  float x[3];
  EXPECT_FALSE(Matrix::SolveLinearSystem(zeroRow.m, b, x, 3));
  Lines expected = {"pause in LUDCMP - singular matrix"};
  expected.insert(expected.end(), failed.begin(), failed.end());
  EXPECT_EQ(expected, Records());

  // No zero row, but a zero pivot: only the caller's message.
  Filled dependent({{1, 2}, {2, 4}});
  EXPECT_FALSE(Matrix::SolveLinearSystem(dependent.m, b, x, 2));
  expected.insert(expected.end(), failed.begin(), failed.end());
  EXPECT_EQ(expected, Records());
  EXPECT_EQ(1, Matrix::lpoint[0]);
}

// One line per row, of the rows x columns in use only (the marker 99 of the
// rest never shows).
TEST_F(MatrixConsole, WriteMatPrintsTheRowsInUse) {
  const Filled a({{1.5, -2, 0.25}, {1000, 0, -0.126}});
  struct Case {
    int width;
    int decimals;
    bool fixed;
    Lines lines;
  };
  const std::vector<Case> cases = {
      {8, 2, true, {"    1.50   -2.00    0.25", " 1000.00    0.00   -0.13"}},
      {12, 3, false,
       {"   1.500E+00  -2.000E+00   2.500E-01", "   1.000E+03   0.000E+00  -1.260E-01"}},
      // Too narrow for the scientific form.
      {5, 3, false, {"***************", "***************"}},
  };
  for (const Case& c : cases) {
    Matrix::WriteMat(a.m, 2, 3, c.width, c.decimals, c.fixed);
    const Lines records = Records();
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(c.lines, Lines(records.end() - 2, records.end()))
        << c.width << " " << c.decimals << " " << c.fixed;
  }
  // No rows, no lines.
  Matrix::WriteMat(a.m, 0, 3, 8, 2, true);
  EXPECT_EQ(2 * cases.size(), Records().size());
}

TEST_F(MatrixConsole, WriteBoolAndIntMatPrintTheRowsInUse) {
  Matrix::BoolMat flags;
  Matrix::IntMat numbers;
  for (auto& row : flags) std::fill(std::begin(row), std::end(row), true);
  for (auto& row : numbers) std::fill(std::begin(row), std::end(row), int16_t{99});
  flags[0][1] = false;
  flags[1][0] = false;
  numbers[0][0] = -32768;
  numbers[0][1] = 7;
  numbers[1][0] = 12345;
  numbers[1][1] = -1;
  Matrix::WriteBoolMat(flags, 2, 3);
  Matrix::WriteIntMat(numbers, 2, 2, 7);
  EXPECT_EQ(Lines({" 1 0 1", " 0 1 1", " -32768      7", "  12345     -1"}), Records());
}

TEST(Matrix, SolveSmallSystems) {
  struct Case {
    std::vector<std::vector<double>> a;
    std::vector<double> b;
    std::vector<double> x;
    std::vector<int16_t> pivots;
  };
  const std::vector<Case> cases = {
      {{{2}}, {3}, {1.5}, {0}},
      {{{2, 1, -1}, {-3, -1, 2}, {-2, 1, 2}}, {8, -11, -3}, {2, 3, -1}, {2, 2, 2}},
      // Equal scaled magnitudes: the later row is the pivot.
      {{{1, 0}, {1, 1}}, {2, 5}, {2, 3}, {1, 1}},
      // Leading zeros in the right-hand side after the exchanges.
      {{{4, 1, 0}, {1, 4, 1}, {0, 1, 4}}, {0, 0, 4}, {1.0 / 14, -4.0 / 14, 15.0 / 14}, {0, 1, 2}},
  };
  for (const Case& c : cases) {
    const int32_t n = static_cast<int32_t>(c.b.size());
    Mat a;
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t j = 0; j < n; ++j) a[i][j] = static_cast<float>(c.a[i][j]);
    }
    std::vector<float> b(c.b.begin(), c.b.end());
    std::vector<float> x(n);
    ASSERT_TRUE(Matrix::SolveLinearSystem(a, b.data(), x.data(), n));
    for (int32_t i = 0; i < n; ++i) {
      EXPECT_NEAR(c.x[i], x[i], 4 * unitRoundoff * std::fabs(c.x[i])) << "n " << n << " x" << i;
      EXPECT_EQ(c.pivots[i], Matrix::lpoint[i]) << "n " << n << " pivot " << i;
    }
    // x may be b.
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t j = 0; j < n; ++j) a[i][j] = static_cast<float>(c.a[i][j]);
    }
    ASSERT_TRUE(Matrix::SolveLinearSystem(a, b.data(), b.data(), n));
    EXPECT_TRUE(std::equal(x.begin(), x.end(), b.begin()));
  }
}

TEST(Matrix, InvertSmallMatrices) {
  Filled swap({{0, 1}, {1, 0}});
  EXPECT_EQ(-1.0, Matrix::InvertMat(swap.m, 2));
  ExpectRows(swap.m, {{0, 1}, {1, 0}});

  Filled a({{2, 1, -1}, {-3, -1, 2}, {-2, 1, 2}});
  EXPECT_NEAR(-1.0, Matrix::InvertMat(a.m, 3), 8 * unitRoundoff);
  ExpectRows(a.m, {{4, 3, -1}, {-2, -2, 1}, {5, 4, -1}}, 5 * 64 * unitRoundoff);
  EXPECT_EQ(99.0f, a.m[0][3]);
  EXPECT_EQ(99.0f, a.m[3][0]);

  // Full pivoting: the first of equal magnitudes in column order is taken.
  Filled tie({{1, 3}, {-3, 2}});
  EXPECT_NEAR(11.0, Matrix::InvertMat(tie.m, 2), 8 * unitRoundoff * 11);
  EXPECT_EQ(1, Matrix::lpoint[0]);
  EXPECT_EQ(0, Matrix::mpoint[0]);
  ExpectRows(tie.m, {{2.0 / 11, -3.0 / 11}, {3.0 / 11, 1.0 / 11}}, 4 * unitRoundoff);

  Filled singular({{1, 2}, {2, 4}});
  EXPECT_EQ(0.0, Matrix::InvertMat(singular.m, 2));

  Filled empty({});
  EXPECT_EQ(1.0, Matrix::InvertMat(empty.m, 0));
}

TEST(Matrix, ProductsSumInDouble) {
  // In float, 1e8 + 1 - 1e8 is 0.
  Filled a({{1e8, 1, -1e8}, {1, 2, 3}});
  Filled b({{1, 2}, {1, 0}, {1, -1}});
  Filled z({});
  Matrix::MulMat(z.m, a.m, b.m, 2, 3, 2);
  ExpectRows(z.m, {{1, 3e8}, {6, -1}});
  EXPECT_EQ(99.0f, z.m[0][2]);
  EXPECT_EQ(99.0f, z.m[2][0]);

  Filled s({{1, 2}, {3, 4}});
  Matrix::MulSquareMat(z.m, s.m, s.m, 2);
  ExpectRows(z.m, {{7, 10}, {15, 22}});
}

TEST(Matrix, ElementWiseOperations) {
  Filled a({{1, 2, 3}, {4, 5, 6}});
  Filled b({{0.5, -2, 1}, {1, 1, 1}});
  Matrix::AddMat(a.m, a.m, b.m, 2, 3);
  ExpectRows(a.m, {{1.5, 0, 4}, {5, 6, 7}});
  Matrix::SubMat(a.m, a.m, b.m, 2, 2);
  ExpectRows(a.m, {{1, 2, 4}, {4, 5, 7}});
  Matrix::ScaleMat(a.m, 1, 3, -2.0, 0.5);
  ExpectRows(a.m, {{-1.5, -3.5, -7.5}, {4, 5, 7}});
  EXPECT_EQ(99.0f, a.m[0][3]);
  EXPECT_EQ(99.0f, a.m[2][0]);
}

TEST(Matrix, TransposeWorksOnTheEnclosingSquare) {
  Filled column({{1}, {2}, {3}}, 0.0f);
  Matrix::TransposeMat(column.m, 3, 1);
  EXPECT_TRUE(SameMatrix(Filled({{1}, {2}, {3}}, 0.0f).m, column.m));

  Filled wide({{1, 2, 3}, {4, 5, 6}}, 0.0f);
  Matrix::TransposeMat(wide.m, 2, 3);
  EXPECT_TRUE(SameMatrix(Filled({{1, 4, 0}, {2, 5, 0}, {3, 6, 0}}, 0.0f).m, wide.m));
}

// Random systems of chosen condition, in single precision like ours: the
// error of a backward-stable solver grows with condition x unit roundoff.
// The reference is the double-precision solution of the same float system.
struct Accuracy {
  double ours = 0.0;
  double lapack = 0.0;
};

double RelativeError(const Eigen::MatrixXd& approx, const Eigen::MatrixXd& exact) {
  return (approx - exact).lpNorm<Eigen::Infinity>() / exact.lpNorm<Eigen::Infinity>();
}

TEST(Matrix, SolveIsAsAccurateAsLapack) {
  std::mt19937_64 random(2024);
  for (double condition : {1e1, 1e3, 1e5}) {
    for (int n : {2, 3, 5, 8, 13, 20, 25}) {
      for (int trial = 0; trial < 10; ++trial) {
        const Eigen::MatrixXf af = RandomMatrix::WithCondition(n, n, condition, random).cast<float>();
        const Eigen::VectorXf bf = RandomMatrix::Uniform(n, random).cast<float>();
        const Eigen::VectorXd exact = af.cast<double>().fullPivLu().solve(bf.cast<double>());

        Mat a;
        for (int i = 0; i < n; ++i) {
          for (int j = 0; j < n; ++j) a[i][j] = af(i, j);
        }
        std::vector<float> x(n);
        ASSERT_TRUE(Matrix::SolveLinearSystem(a, bf.data(), x.data(), n));

        Eigen::MatrixXf lu = af;
        Eigen::VectorXf lapackX = bf;
        std::vector<int> pivots(n);
        const int one = 1;
        int info = 0;
        sgesv_(&n, &one, lu.data(), &n, pivots.data(), lapackX.data(), &n, &info);
        ASSERT_EQ(0, info);

        const double ours = RelativeError(Eigen::Map<Eigen::VectorXf>(x.data(), n).cast<double>(), exact);
        const double lapack = RelativeError(lapackX.cast<double>(), exact);
        EXPECT_LE(ours, n * condition * unitRoundoff) << "n " << n << " condition " << condition;
        EXPECT_LE(ours, 4 * std::max(lapack, condition * unitRoundoff))
            << "n " << n << " condition " << condition;
      }
    }
  }
}

TEST(Matrix, InverseIsAsAccurateAsLapack) {
  std::mt19937_64 random(99);
  for (double condition : {1e1, 1e3, 1e5}) {
    for (int n : {1, 2, 3, 5, 8, 13, 20, 25}) {
      for (int trial = 0; trial < 10; ++trial) {
        const Eigen::MatrixXf af = RandomMatrix::WithCondition(n, n, condition, random).cast<float>();
        const Eigen::MatrixXd exact = af.cast<double>().inverse();
        int info = 0;
        Eigen::MatrixXd lud = af.cast<double>();
        std::vector<int> pivots(n);
        dgetrf_(&n, &n, lud.data(), &n, pivots.data(), &info);
        double exactDet = 1.0;
        for (int i = 0; i < n; ++i) exactDet *= pivots[i] != i + 1 ? -lud(i, i) : lud(i, i);

        Mat a;
        for (int i = 0; i < n; ++i) {
          for (int j = 0; j < n; ++j) a[i][j] = af(i, j);
        }
        const double det = Matrix::InvertMat(a, n);
        Eigen::MatrixXd ours(n, n);
        for (int i = 0; i < n; ++i) {
          for (int j = 0; j < n; ++j) ours(i, j) = a[i][j];
        }

        Eigen::MatrixXf lapack = af;
        const int lwork = 64 * n;
        std::vector<float> work(lwork);
        sgetrf_(&n, &n, lapack.data(), &n, pivots.data(), &info);
        ASSERT_EQ(0, info);
        sgetri_(&n, lapack.data(), &n, pivots.data(), work.data(), &lwork, &info);
        ASSERT_EQ(0, info);

        const double oursError = RelativeError(ours, exact);
        const double lapackError = RelativeError(lapack.cast<double>(), exact);
        EXPECT_LE(oursError, n * condition * unitRoundoff) << "n " << n << " condition " << condition;
        EXPECT_LE(oursError, 4 * std::max(lapackError, condition * unitRoundoff))
            << "n " << n << " condition " << condition;
        EXPECT_NEAR(exactDet, det, n * condition * unitRoundoff * std::fabs(exactDet))
            << "n " << n << " condition " << condition;
      }
    }
  }
}

}  // namespace
