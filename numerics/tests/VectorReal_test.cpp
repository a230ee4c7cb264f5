// VectorReal and VectorLongReal are one family over float and double; the
// typed tests below run against both, the rest covers what only VectorReal has.

#include "numerics/VectorReal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "numerics/LongMath.h"
#include "numerics/VectorLongReal.h"

namespace {

#define VECTOR_FAMILY(Name, Module, Element)                        \
  struct Name {                                                     \
    using T = Element;                                              \
    static constexpr auto Set = &Module::Set;                       \
    static constexpr auto Copy = &Module::Copy;                     \
    static constexpr auto CopySkip = &Module::CopySkip;             \
    static constexpr auto Scale = &Module::Scale;                   \
    static constexpr auto Offset = &Module::Offset;                 \
    static constexpr auto Negate = &Module::Negate;                 \
    static constexpr auto Compress = &Module::Compress;             \
    static constexpr auto CompressAndAdd = &Module::CompressAndAdd; \
    static constexpr auto Accumulate = &Module::Accumulate;         \
    static constexpr auto Sum = &Module::Sum;                       \
    static constexpr auto Mean = &Module::Mean;                     \
    static constexpr auto Variance = &Module::Variance;             \
    static constexpr auto ScalarProduct = &Module::ScalarProduct;   \
    static constexpr auto ScaleAndAdd = &Module::ScaleAndAdd;       \
    static constexpr auto Add = &Module::Add;                       \
    static constexpr auto Subtract = &Module::Subtract;             \
    static constexpr auto Multiply = &Module::Multiply;             \
    static constexpr auto Divide = &Module::Divide;                 \
    static constexpr auto FromInt32 = &Module::FromInt32;           \
    static constexpr auto ToInt32 = &Module::ToInt32;               \
    static constexpr auto Limits = &Module::Limits;                 \
    static constexpr auto Clip = &Module::Clip;                     \
    static constexpr auto Search = &Module::Search;                 \
    static constexpr auto Histogram = &Module::Histogram;           \
    static constexpr auto ln = &Module::ln;                         \
    static constexpr auto exp = &Module::exp;                       \
    static constexpr auto sqrt = &Module::sqrt;                     \
    static constexpr auto Inverse = &Module::Inverse;               \
    static constexpr auto Power = &Module::Power;                   \
    static constexpr auto PowerInt = &Module::PowerInt;             \
    static constexpr auto InsertSort = &Module::InsertSort;         \
    static constexpr auto Correlate = &Module::Correlate;           \
  }

VECTOR_FAMILY(Singles, VectorReal, float);
VECTOR_FAMILY(Doubles, VectorLongReal, double);

template <typename F>
class RealVectors : public ::testing::Test {
 protected:
  using T = typename F::T;
  static constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  static constexpr double inf = std::numeric_limits<double>::infinity();

  static std::vector<T> V(std::initializer_list<double> values) {
    std::vector<T> v;
    for (double x : values) v.push_back(static_cast<T>(x));
    return v;
  }
};

using Families = ::testing::Types<Singles, Doubles>;
TYPED_TEST_SUITE(RealVectors, Families);

// Bit-exact comparison, so that 0.0 and -0.0 and NaNs are told apart.
template <typename T>
::testing::AssertionResult SameBits(const std::vector<T>& expected, const std::vector<T>& actual) {
  if (expected.size() == actual.size() &&
      std::memcmp(expected.data(), actual.data(), expected.size() * sizeof(T)) == 0) {
    return ::testing::AssertionSuccess();
  }
  auto r = ::testing::AssertionFailure();
  for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
    r << "\n  [" << i << "] expected " << (i < expected.size() ? expected[i] : T{}) << " got "
      << (i < actual.size() ? actual[i] : T{});
  }
  return r;
}

TYPED_TEST(RealVectors, NilOrEmptyVectorsAreLeftAlone) {
  using F = TypeParam;
  using T = typename F::T;
  const std::vector<std::function<void(const T*, T*, int32_t)>> operations = {
      [](const T*, T* d, int32_t n) { F::Set(d, n, 7.0); },
      [](const T* s, T* d, int32_t n) { F::Copy(s, d, n); },
      [](const T* s, T* d, int32_t n) { F::Scale(s, d, n, 2.0, 1.0); },
      [](const T* s, T* d, int32_t n) { F::Scale(s, d, n, 0.0, 1.0); },
      [](const T* s, T* d, int32_t n) { F::Offset(s, d, n, 1.0); },
      [](const T* s, T* d, int32_t n) { F::Negate(s, d, n); },
      [](const T* s, T* d, int32_t n) { F::Add(s, s, d, n); },
      [](const T* s, T* d, int32_t n) { F::ScaleAndAdd(s, s, d, n, 3.0); },
      [](const T* s, T* d, int32_t n) { F::Power(s, d, n, 0.0); },
      [](const T* s, T* d, int32_t n) { F::PowerInt(s, d, n, 2); },
      [](const T* s, T* d, int32_t n) { F::exp(s, d, n); },
      [](const T* s, T* d, int32_t n) { F::Correlate(s, s, d, n, true); },
      [](const T* s, T* d, int32_t n) {
        int32_t below = -1, above = -1;
        F::Histogram(s, n, 0.0, 1.0, d, 2, below, above);
      },
  };
  const std::vector<T> source = this->V({1, 2, 3});
  for (size_t k = 0; k < operations.size(); ++k) {
    for (int32_t count : {0, -1}) {
      std::vector<T> dst = this->V({9, 9, 9});
      operations[k](source.data(), dst.data(), count);
      EXPECT_TRUE(SameBits(this->V({9, 9, 9}), dst)) << "operation " << k << " count " << count;
    }
    std::vector<T> dst = this->V({9, 9, 9});
    if (k > 0) {
      operations[k](nullptr, dst.data(), 3);
      EXPECT_TRUE(SameBits(this->V({9, 9, 9}), dst)) << "operation " << k << " with nil source";
    }
  }
  double mean = 5.0;
  EXPECT_EQ(0.0, F::Sum(nullptr, 3, false));
  EXPECT_EQ(0.0, F::Mean(source.data(), 0, true));
  EXPECT_EQ(0.0, F::Variance(source.data(), 1, mean));
  EXPECT_EQ(5.0, mean);
  EXPECT_EQ(0.0, F::ScalarProduct(source.data(), nullptr, 3));
  EXPECT_EQ(-1, F::Search(nullptr, 3, 0.0, 10.0));
}

// The shortcuts for factor 0, 1, -1 and offset 0 must give what the general
// formula gives, apart from the documented sign of Negate.
TYPED_TEST(RealVectors, ScaleShortcutsMatchTheFormula) {
  using F = TypeParam;
  using T = typename F::T;
  const std::vector<T> src = this->V({0.0, -0.0, 1.5, -2.25, 1e30, 3.0e-7});
  struct Case {
    double factor;
    double offset;
  };
  for (const Case& c : std::vector<Case>{{0, 0}, {0, 2.5}, {1, 0}, {1, -0.75}, {-1, 0.5}, {2.5, 0.25}}) {
    std::vector<T> dst(src.size());
    F::Scale(src.data(), dst.data(), static_cast<int32_t>(src.size()), c.factor, c.offset);
    for (size_t i = 0; i < src.size(); ++i) {
      EXPECT_EQ(static_cast<T>(c.factor * src[i] + c.offset), dst[i])
          << "factor " << c.factor << " offset " << c.offset << " element " << i;
    }
  }
  std::vector<T> negated(src.size());
  F::Scale(src.data(), negated.data(), static_cast<int32_t>(src.size()), -1.0, 0.0);
  EXPECT_TRUE(SameBits(this->V({-0.0, 0.0, -1.5, 2.25, -1e30, -3.0e-7}), negated));

  std::vector<T> inPlace = src;
  F::Scale(inPlace.data(), inPlace.data(), 3, 2.0, 1.0);
  EXPECT_TRUE(SameBits(this->V({1.0, 1.0, 4.0, -2.25, 1e30, 3.0e-7}), inPlace));
}

TYPED_TEST(RealVectors, CompressNeedsWholeBlocks) {
  using F = TypeParam;
  using T = typename F::T;
  std::vector<T> src;
  for (int i = 1; i <= 10; ++i) src.push_back(static_cast<T>(i));
  std::vector<T> dst(4, T(-1));

  F::Compress(src.data(), dst.data(), 10, 3, 1.0, 0.0);
  EXPECT_TRUE(SameBits(this->V({-1, -1, -1, -1}), dst)) << "10 is no multiple of 3";

  F::Compress(src.data(), dst.data(), 9, 3, 6.0, 0.5);
  EXPECT_TRUE(SameBits(this->V({12.5, 30.5, 48.5, -1}), dst));

  F::CompressAndAdd(src.data(), dst.data(), 9, 3, 3.0, 1.0);
  EXPECT_TRUE(SameBits(this->V({19.5, 46.5, 73.5, -1}), dst));

  F::CompressAndAdd(src.data(), dst.data(), 2, 3, 1.0, 0.0);
  EXPECT_TRUE(SameBits(this->V({19.5, 46.5, 73.5, -1}), dst)) << "count below n";

  F::Compress(src.data(), dst.data(), 3, 1, 2.0, 1.0);
  EXPECT_TRUE(SameBits(this->V({3, 5, 7, -1}), dst)) << "n = 1 is Scale";

  std::vector<T> inPlace = src;
  F::Compress(inPlace.data(), inPlace.data(), 10, 2, 1.0, 0.0);
  EXPECT_TRUE(SameBits(this->V({1.5, 3.5, 5.5, 7.5, 9.5, 6, 7, 8, 9, 10}), inPlace));
}

TYPED_TEST(RealVectors, SumMeanAndValidity) {
  using F = TypeParam;
  const double nan = this->nan;
  const double inf = this->inf;
  const auto allNaN = this->V({nan, nan, nan});
  EXPECT_TRUE(std::isnan(F::Mean(allNaN.data(), 3, true)));
  EXPECT_TRUE(std::isnan(F::Mean(allNaN.data(), 3, false)));

  const auto mixed = this->V({1.0, nan, 2.0, inf, -inf, 6.0});
  EXPECT_EQ(9.0, F::Sum(mixed.data(), 6, true));
  EXPECT_EQ(3.0, F::Mean(mixed.data(), 6, true));
  EXPECT_TRUE(std::isnan(F::Sum(mixed.data(), 6, false)));

  // Enough elements for every partial sum to take part.
  std::vector<typename F::T> ramp;
  for (int i = 1; i <= 37; ++i) ramp.push_back(static_cast<typename F::T>(i));
  EXPECT_EQ(703.0, F::Sum(ramp.data(), 37, false));
  EXPECT_EQ(19.0, F::Mean(ramp.data(), 37, false));
  double sumOfSquares = 0.0;
  for (int i = 1; i <= 37; ++i) sumOfSquares += i * i;
  EXPECT_EQ(sumOfSquares, F::ScalarProduct(ramp.data(), ramp.data(), 37));
}

TYPED_TEST(RealVectors, VarianceIsNeverNegative) {
  using F = TypeParam;
  double mean = 0.0;
  const auto data = this->V({2, 4, 4, 4, 5, 5, 7, 9});
  EXPECT_DOUBLE_EQ(32.0 / 7.0, F::Variance(data.data(), 8, mean));
  EXPECT_EQ(5.0, mean);

  // Constant data: the one-pass formula cancels to a few units in the last
  // place of mean^2, on either side of 0 (0.1 three times falls below).
  for (double value : {0.1, 0.2, 0.3, 0.7, 3.3, 1e4 + 0.1}) {
    for (int32_t count = 2; count <= 12; ++count) {
      std::vector<typename F::T> constant(count, static_cast<typename F::T>(value));
      const double variance = F::Variance(constant.data(), count, mean);
      EXPECT_GE(variance, 0.0) << value << " x " << count;
      EXPECT_LE(variance, 1e-14 * value * value) << value << " x " << count;
    }
  }

  const auto withNaN = this->V({1, this->nan, 3});
  EXPECT_TRUE(std::isnan(F::Variance(withNaN.data(), 3, mean)));
  const auto withInf = this->V({1, this->inf, 3});
  EXPECT_TRUE(std::isnan(F::Variance(withInf.data(), 3, mean)));
}

TYPED_TEST(RealVectors, ElementWiseArithmetic) {
  using F = TypeParam;
  using T = typename F::T;
  const auto a = this->V({1, -2, 3, 8});
  const auto b = this->V({4, 5, -6, 2});
  std::vector<T> dst(4);
  F::Add(a.data(), b.data(), dst.data(), 4);
  EXPECT_TRUE(SameBits(this->V({5, 3, -3, 10}), dst));
  F::Subtract(a.data(), b.data(), dst.data(), 4);
  EXPECT_TRUE(SameBits(this->V({-3, -7, 9, 6}), dst));
  F::Multiply(a.data(), b.data(), dst.data(), 4);
  EXPECT_TRUE(SameBits(this->V({4, -10, -18, 16}), dst));
  F::Divide(a.data(), b.data(), dst.data(), 4);
  EXPECT_TRUE(SameBits(this->V({0.25, -0.4, -0.5, 4}), dst));
  for (double factor : {0.0, 1.0, -1.0, 0.5}) {
    F::ScaleAndAdd(a.data(), b.data(), dst.data(), 4, factor);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(static_cast<T>(b[i] + factor * a[i]), dst[i]) << factor;
  }
  const int16_t codes[4] = {-32768, 0, 1, 32767};
  F::Accumulate(codes, b.data(), dst.data(), 4);
  EXPECT_TRUE(SameBits(this->V({-32764, 5, -5, 32769}), dst));

  std::vector<T> strided(7, T(0));
  F::CopySkip(a.data(), strided.data(), 3, 1, 3);
  EXPECT_TRUE(SameBits(this->V({1, 0, 0, -2, 0, 0, 3}), strided));
  std::vector<T> gathered(2);
  F::CopySkip(a.data(), gathered.data(), 2, 2, 1);
  EXPECT_TRUE(SameBits(this->V({1, 3}), gathered));

  std::vector<T> overlapping = this->V({1, 2, 3, 4});
  F::Copy(overlapping.data(), overlapping.data() + 1, 3);
  EXPECT_TRUE(SameBits(this->V({1, 1, 2, 3}), overlapping));
}

TYPED_TEST(RealVectors, ToInt32SaturatesAndZeroesNaN) {
  using F = TypeParam;
  constexpr int32_t top = std::numeric_limits<int32_t>::max();
  constexpr int32_t bottom = std::numeric_limits<int32_t>::min();
  struct Case {
    double x;
    int32_t expected;
  };
  const std::vector<Case> cases = {
      {1.9, 1},
      {-1.9, -1},
      {0.5, 0},
      {-0.0, 0},
      {2147483520.0, 2147483520},
      {3e9, top},
      {-3e9, bottom},
      {1e30, top},
      {-1e30, bottom},
      {this->inf, top},
      {-this->inf, bottom},
      {this->nan, 0},
      {-2147483648.0, bottom},
      {2147483648.0, top},
  };
  for (const Case& c : cases) {
    const auto x = this->V({c.x});
    int32_t out = 12345;
    F::ToInt32(x.data(), &out, 1);
    EXPECT_EQ(c.expected, out) << c.x;
  }
  const int32_t ints[3] = {bottom, -7, top};
  std::vector<typename F::T> reals(3);
  F::FromInt32(ints, reals.data(), 3);
  EXPECT_TRUE(SameBits(this->V({-2147483648.0, -7.0, 2147483647.0}), reals));
}

TYPED_TEST(RealVectors, LimitsTakeOnlyValidElements) {
  using F = TypeParam;
  const double nan = this->nan;
  struct Case {
    std::vector<double> data;
    bool includeZeros;
    double min, max;
    int32_t minIndex, maxIndex;
  };
  const std::vector<Case> cases = {
      {{0, nan, 2, -1}, false, -1, 2, 3, 2},
      {{0, nan, 2, -1}, true, -1, 2, 3, 2},
      {{0, 5, 0, -3, 5, -3}, false, -3, 5, 3, 1},
      {{0, 5, 0, -3, 5, -3}, true, -3, 5, 3, 1},
      {{0, 0, 0}, false, 0, 0, 0, 0},
      {{3, 1, 4, 1, 5}, true, 1, 5, 1, 4},
      {{this->inf, 2, -this->inf}, true, 2, 2, 1, 1},
  };
  for (const Case& c : cases) {
    std::vector<typename F::T> v;
    for (double x : c.data) v.push_back(static_cast<typename F::T>(x));
    double min = 99, max = 99;
    int32_t minIndex = 99, maxIndex = 99;
    F::Limits(v.data(), static_cast<int32_t>(v.size()), min, max, minIndex, maxIndex, c.includeZeros);
    EXPECT_EQ(c.min, min);
    EXPECT_EQ(c.max, max);
    EXPECT_EQ(c.minIndex, minIndex);
    EXPECT_EQ(c.maxIndex, maxIndex);
  }
  // Nothing valid: both extremes are element 0, whatever it holds.
  const auto invalid = this->V({nan, this->inf});
  double min = 0, max = 0;
  int32_t minIndex = 9, maxIndex = 9;
  F::Limits(invalid.data(), 2, min, max, minIndex, maxIndex, true);
  EXPECT_TRUE(std::isnan(min) && std::isnan(max));
  EXPECT_EQ(0, minIndex);
  EXPECT_EQ(0, maxIndex);

  min = max = 42;
  minIndex = maxIndex = 9;
  F::Limits(nullptr, 5, min, max, minIndex, maxIndex, true);
  F::Limits(invalid.data(), 0, min, max, minIndex, maxIndex, true);
  EXPECT_EQ(42, min);
  EXPECT_EQ(0, minIndex);
}

TYPED_TEST(RealVectors, ClipCountsOnTopOfTheCallersCounters) {
  using F = TypeParam;
  using T = typename F::T;
  const auto src = this->V({-5, -1, 0, 1, 5, this->nan});
  std::vector<T> dst(6);
  int32_t lowCount = 10;
  int32_t highCount = 20;
  F::Clip(src.data(), dst.data(), 6, -1.0, -9.0, lowCount, 1.0, 9.0, highCount);
  ASSERT_EQ(-9, dst[0]);
  ASSERT_EQ(-9, dst[1]);
  ASSERT_EQ(0, dst[2]);
  ASSERT_EQ(9, dst[3]);
  ASSERT_EQ(9, dst[4]);
  ASSERT_TRUE(std::isnan(dst[5]));
  EXPECT_EQ(12, lowCount);
  EXPECT_EQ(22, highCount);

  F::Clip(src.data(), dst.data(), 6, 1.0, -7.0, lowCount, 1.0, 9.0, highCount);
  EXPECT_TRUE(SameBits(std::vector<T>(6, T(-7)), dst));
  EXPECT_EQ(12, lowCount);
  EXPECT_EQ(22, highCount);

  EXPECT_EQ(3, F::Search(src.data(), 6, 0.5, 2.0));
  EXPECT_EQ(2, F::Search(src.data(), 6, 0.0, 0.0));
  EXPECT_EQ(-1, F::Search(src.data(), 6, 6.0, 7.0));
}

TYPED_TEST(RealVectors, HistogramBins) {
  using F = TypeParam;
  using T = typename F::T;
  const double nan = this->nan;
  const double inf = this->inf;
  const auto src = this->V({-5, -10, 0, 9.99, 10, 29, 30, nan, inf, -inf, 1e30, -1e30, 15});
  std::vector<T> bins(3, T(77));
  int32_t below = 55;
  int32_t above = 66;
  F::Histogram(src.data(), static_cast<int32_t>(src.size()), 0.0, 10.0, bins.data(), 3, below, above);
  EXPECT_TRUE(SameBits(this->V({3, 2, 1}), bins));
  EXPECT_EQ(3, below);
  EXPECT_EQ(3, above);

  F::Histogram(src.data(), 4, 25.0, 10.0, bins.data(), 3, below, above);
  EXPECT_TRUE(SameBits(this->V({0, 1, 2}), bins)) << "offset moves the bins";
  EXPECT_EQ(0, below);
  EXPECT_EQ(1, above);

  for (double width : {0.0, -1.0, nan}) {
    F::Histogram(src.data(), 3, 0.0, width, bins.data(), 3, below, above);
    EXPECT_TRUE(SameBits(this->V({0, 1, 2}), bins)) << "width " << width << " does nothing";
  }
}

TYPED_TEST(RealVectors, PowersAndFunctions) {
  using F = TypeParam;
  using T = typename F::T;
  const auto src = this->V({0.0, 0.5, 2.0, 3.0, -1.5});
  std::vector<T> dst(5);
  auto each = [&](auto expected) {
    for (int i = 0; i < 5; ++i) EXPECT_EQ(static_cast<T>(expected(static_cast<double>(src[i]))), dst[i]) << i;
  };
  F::PowerInt(src.data(), dst.data(), 5, 4);
  each([](double x) { return std::pow(x, 4.0); });
  F::PowerInt(src.data(), dst.data(), 5, 3);
  each([](double x) { return x * x * x; });
  F::PowerInt(src.data(), dst.data(), 5, -1);
  each([](double x) { return 1.0 / x; });
  EXPECT_EQ(std::numeric_limits<T>::infinity(), dst[0]);
  F::Power(src.data(), dst.data(), 5, -1.0);
  EXPECT_EQ(std::numeric_limits<T>::infinity(), dst[0]);
  each([](double x) { return 1.0 / x; });
  F::Power(src.data(), dst.data(), 5, 0.0);
  each([](double) { return 1.0; });
  F::Power(src.data(), dst.data(), 4, 2.5);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(static_cast<T>(std::pow(static_cast<double>(src[i]), 2.5)), dst[i]);
  F::Inverse(src.data(), dst.data(), 5, 3.0);
  each([](double x) { return 3.0 / x; });
  F::exp(src.data(), dst.data(), 5);
  each([](double x) { return std::exp(x); });
  F::sqrt(src.data() + 1, dst.data(), 3);
  EXPECT_EQ(static_cast<T>(std::sqrt(0.5)), dst[0]);
  F::ln(src.data(), dst.data(), 3);
  EXPECT_EQ(-std::numeric_limits<T>::infinity(), dst[0]);
  EXPECT_EQ(static_cast<T>(std::log(2.0)), dst[2]);
}

TYPED_TEST(RealVectors, InsertSortIsStable) {
  using F = TypeParam;
  // 0.0 and -0.0 compare equal, so only a stable sort keeps their order.
  auto v = this->V({3, 0.0, -1, -0.0, 2, 0.0, -7});
  F::InsertSort(v.data(), 7);
  EXPECT_TRUE(SameBits(this->V({-7, -1, 0.0, -0.0, 0.0, 2, 3}), v));
}

TYPED_TEST(RealVectors, CorrelateStraightAndCircular) {
  using F = TypeParam;
  using T = typename F::T;
  const auto a = this->V({1, 2, 3});
  const auto b = this->V({4, 5, 6});
  std::vector<T> r(3);
  F::Correlate(a.data(), b.data(), r.data(), 3, false);
  EXPECT_TRUE(SameBits(this->V({32, 17, 6}), r));
  F::Correlate(a.data(), b.data(), r.data(), 3, true);
  EXPECT_TRUE(SameBits(this->V({32, 29, 29}), r));
}

TEST(VectorReal, ShortToLongOverlaysTheFloats) {
  constexpr int32_t n = 9;
  alignas(double) unsigned char storage[n * sizeof(double)];
  float floats[n];
  for (int32_t i = 0; i < n; ++i) floats[i] = 0.1f * static_cast<float>(i + 1);
  std::memcpy(storage, floats, sizeof floats);
  VectorReal::ShortToLong(reinterpret_cast<const float*>(storage), reinterpret_cast<double*>(storage), n);
  for (int32_t i = 0; i < n; ++i) {
    double d;
    std::memcpy(&d, storage + i * sizeof(double), sizeof d);
    EXPECT_EQ(static_cast<double>(floats[i]), d) << i;
  }
  VectorReal::LongToShort(reinterpret_cast<const double*>(storage), reinterpret_cast<float*>(storage), n);
  EXPECT_EQ(0, std::memcmp(storage, floats, sizeof floats));
}

TEST(VectorReal, SumsAccumulateInDouble) {
  // A float sum would lose both ones against 2^24.
  const float ones[4] = {16777216.0f, 1.0f, 1.0f, -16777216.0f};
  EXPECT_EQ(2.0, VectorReal::Sum(ones, 4, false));
}

}  // namespace
