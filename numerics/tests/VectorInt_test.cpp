#include "numerics/VectorInt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

using Codes = std::vector<std::int16_t>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- Checksums --------------------------------------------------------------

TEST(VectorIntChecksums, SumBlocksWithoutReduction) {
  const std::uint8_t ffff01[] = {0xFF, 0xFF, 0x01};
  EXPECT_EQ(VectorInt::Checksum8(ffff01, 3), 511);
  const std::uint8_t b123[] = {0x01, 0x02, 0x03};
  EXPECT_EQ(VectorInt::Checksum16(b123, 3), 0x0201 + 3);
  const std::uint8_t seven[] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(VectorInt::Checksum32(seven, 7), 0x04030201 + 0x0605 + 7);
  EXPECT_EQ(VectorInt::Checksum32(seven, 6), 0x04030201 + 0x0605);
  EXPECT_EQ(VectorInt::Checksum32(seven, 5), 0x04030201 + 5);
  const std::uint8_t ones[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(VectorInt::Checksum32(ones, 8), -2);  // 32-bit wrap-around
  EXPECT_EQ(VectorInt::Checksum16(ones, 8), 4 * 0xFFFF);
  for (auto checksum : {VectorInt::Checksum8, VectorInt::Checksum16, VectorInt::Checksum32}) {
    EXPECT_EQ(checksum(ffff01, 0), 0);
    EXPECT_EQ(checksum(ffff01, -4), 0);
    EXPECT_EQ(checksum(nullptr, 4), 0);
  }
}

// ---- Reals to codes ---------------------------------------------------------

struct ConversionCase {
  double value;
  std::int16_t wrapped;
  std::int16_t saturated;
};

// NaN is 0; beyond the 32-bit range the 32-bit limit of the sign (whose low
// 16 bits are -1 and 0); then saturation or the low 16 bits.
const ConversionCase kRounded[] = {
    {2.5, 3, 3},          {-2.5, -3, -3},       {0.49, 0, 0},          {40000.0, -25536, 32767},
    {-40000.0, 25536, -32768}, {32767.4, 32767, 32767}, {-32768.0, -32768, -32768},
    {kNaN, 0, 0},         {kInf, -1, 32767},    {-kInf, 0, -32768},   {1e10, -1, 32767},
    {-1e10, 0, -32768},   {2147483647.6, -1, 32767},
};

TEST(VectorIntConversions, RealsBecomeCodesByOneDefinedRule) {
  for (const auto& c : kRounded) {
    const float asFloat = static_cast<float>(c.value);
    // A float can hold less than a double; the cases agree for both but
    // 32767.4 and 2147483647.6, which the float rounds elsewhere.
    const bool floatAgrees = c.value != 32767.4 && c.value != 2147483647.6;
    std::int16_t out = 99;
    VectorInt::LRound(&c.value, &out, 1);
    EXPECT_EQ(out, c.wrapped) << c.value;
    if (floatAgrees) {
      VectorInt::Round(&asFloat, &out, 1);
      EXPECT_EQ(out, c.wrapped) << c.value;
      VectorInt::ScaleAndRound(&asFloat, &out, 1, 1.0, 0.0, false);
      EXPECT_EQ(out, c.wrapped) << c.value;
      VectorInt::ScaleAndRound(&asFloat, &out, 1, 1.0, 0.0, true);
      EXPECT_EQ(out, c.saturated) << c.value;
    }
    const float one = 1.0F;
    VectorInt::ScaleAndRound(&one, &out, 1, c.value, 0.0, false);
    EXPECT_EQ(out, c.wrapped) << "factor " << c.value;
    VectorInt::ScaleAndRound(&one, &out, 1, 0.0, c.value, false);
    EXPECT_EQ(out, c.wrapped) << "offset alone " << c.value;
    VectorInt::ScaleAndRound(&one, &out, 1, 0.0, c.value, true);
    EXPECT_EQ(out, c.saturated) << "offset alone " << c.value;
  }
}

TEST(VectorIntConversions, ScaleTruncatesAndAddsTheRoundedOffsetOnUnitFactors) {
  struct {
    std::int16_t x;
    double factor, offset;
    bool saturate;
    std::int16_t expected;
  } const cases[] = {
      {10, 1.0, 0.4, false, 10},         // offset rounds to 0
      {10, 1.0, 2.5, false, 13},
      {10, -1.0, 2.5, false, -7},
      {10, -1.0, 0.0, false, -10},
      {-32768, -1.0, 0.0, false, -32768},
      {10, 2.5, 0.0, false, 25},
      {-3, 2.5, 0.0, false, -7},         // towards zero
      {10, 2.5, -0.4, false, 25},        // an offset that rounds to 0 is dropped
      {10, 2.5, 1.4, false, 26},
      {20000, 2.0, 0.0, false, -25536},
      {20000, 2.0, 0.0, true, 32767},
      {-20000, 2.0, 0.0, true, -32768},
      {10, 0.0, 40000.0, false, -25536},
      {10, 0.0, 40000.0, true, 32767},
      {10, 1.0, 1e20, false, 9},         // 10 + (2^31 - 1), low 16 bits
      {10, kNaN, 0.0, false, 0},
      {10, kNaN, 5.0, true, 0},
      {10, 2.0, kNaN, false, 20},
      {10, kInf, 0.0, false, -1},
      {10, -kInf, 0.0, true, -32768},
  };
  for (const auto& c : cases) {
    std::int16_t out = 99;
    VectorInt::Scale(&c.x, &out, 1, c.factor, c.offset, c.saturate);
    EXPECT_EQ(out, c.expected) << c.x << " x " << c.factor << " + " << c.offset << " sat " << c.saturate;
  }
}

TEST(VectorIntConversions, ScaleAndAddAddsTheTruncatedProductWrapping) {
  const Codes a = {3, -3, 1, 1, 1, 20000};
  const Codes b = {1, 1, 5, 5, 5, 20000};
  const double factors[] = {2.5, 2.5, kNaN, kInf, -kInf, 1.0};
  const Codes expected = {8, -6, 5, 4, 5, -25536};
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::int16_t out = 99;
    VectorInt::ScaleAndAdd(&a[i], &b[i], &out, 1, factors[i]);
    EXPECT_EQ(out, expected[i]) << i;
  }
  Codes same = a;
  VectorInt::ScaleAndAdd(a.data(), b.data(), same.data(), 6, -1.0);
  EXPECT_EQ(same, (Codes{-2, 4, 4, 4, 4, 0}));
}

TEST(VectorIntConversions, FloatAndScaleKeepsFullScaleCodesAsLimits) {
  const Codes x = {-32768, -32767, -32766, 0, 100, 32757, 32767};
  std::vector<float> out(x.size());
  VectorInt::FloatAndScale(x.data(), out.data(), 7, 2.0, 0);
  EXPECT_EQ(out, (std::vector<float>{-65534, -65534, -65532, 0, 200, 65514, 65534}));
  VectorInt::FloatAndScale(x.data(), out.data(), 7, 2.0, 10);
  EXPECT_EQ(out, (std::vector<float>{-65534, -65534, -65512, 20, 220, 65534, 65534}));
  VectorInt::FloatAndScale(x.data(), out.data(), 7, 1.0, -10);
  EXPECT_EQ(out, (std::vector<float>{-32767, -32767, -32767, -10, 90, 32747, 32767}));
  VectorInt::FloatAndScale(x.data(), out.data(), 7, 0.0, 5);
  EXPECT_EQ(out, std::vector<float>(7, 0.0F));
}

// ---- Integer arithmetic -----------------------------------------------------

TEST(VectorIntArithmetic, SixteenBitResultsWrapOrSaturate) {
  std::int16_t out = 0;
  const std::int16_t big = 32000;
  const std::int16_t low = -32000;
  VectorInt::Offset(&big, &out, 1, 1000, true);
  EXPECT_EQ(out, 32767);
  VectorInt::Offset(&big, &out, 1, 1000, false);
  EXPECT_EQ(out, -32536);
  VectorInt::Offset(&low, &out, 1, -1000, true);
  EXPECT_EQ(out, -32768);

  const std::int16_t minus2 = -2;
  const std::int16_t one = 1;
  struct {
    const std::int16_t* x;
    std::int32_t n;
    std::int16_t expected;
  } const shifts[] = {{&minus2, -1, 32767}, {&one, 15, -32768}, {&one, 16, 0}, {&one, 40, 0},
                      {&minus2, -40, 0},    {&minus2, 0, -2},   {&minus2, std::numeric_limits<std::int32_t>::min(), 0}};
  for (const auto& s : shifts) {
    VectorInt::Shift(s.x, &out, 1, s.n);
    EXPECT_EQ(out, s.expected) << *s.x << " by " << s.n;
  }

  const std::int16_t m = -32768;
  VectorInt::Negate(&m, &out, 1);
  EXPECT_EQ(out, -32768);

  const std::int16_t a300 = 300;
  struct {
    std::int32_t n;
    std::int16_t expected;
  } const products[] = {{0, 24464}, {2, 22500}, {-1, static_cast<std::int16_t>(180000 & 0xFFFF)},
                        {100, 0}, {std::numeric_limits<std::int32_t>::min(), 0}};
  for (const auto& p : products) {
    VectorInt::Multiply(&a300, &a300, &out, 1, p.n);
    EXPECT_EQ(out, p.expected) << p.n;
  }
  const std::int16_t minus1 = -1;
  VectorInt::Multiply(&minus1, &one, &out, 1, 1);  // zeros enter from the left
  EXPECT_EQ(out, -1);                              // 0x7FFFFFFF keeps 0xFFFF
}

TEST(VectorIntArithmetic, DivideTruncatesAndSaturatesOnAZeroDivisor) {
  const Codes a = {7, -7, 7, 0, 1, -32768, 5, -5};
  const Codes b = {2, 2, 0, 0, 2, -1, 0, 0};
  const std::int32_t n[] = {0, 0, 0, 0, 16, 16, 0, 0};
  const Codes expected = {3, -3, 32767, 0, -32768, 0, 32767, -32768};
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::int16_t out = 99;
    VectorInt::Divide(&a[i], &b[i], &out, 1, n[i]);
    EXPECT_EQ(out, expected[i]) << i;
  }
  const std::int16_t eight = 8;
  const std::int16_t two = 2;
  std::int16_t out = 0;
  VectorInt::Divide(&eight, &two, &out, 1, -2);
  EXPECT_EQ(out, 1);
}

TEST(VectorIntArithmetic, ThirtyTwoBitAccumulationAndDivision) {
  const std::vector<std::int32_t> src = {100, -100, 7, std::numeric_limits<std::int32_t>::min()};
  Codes out(4, 99);
  VectorInt::DivArray32(src.data(), out.data(), 4, 0);
  EXPECT_EQ(out, Codes(4, 32767));
  VectorInt::DivArray32(src.data(), out.data(), 4, 40000);
  EXPECT_EQ(out, Codes(4, 0));
  VectorInt::DivArray32(src.data(), out.data(), 4, -32768);
  EXPECT_EQ(out, Codes(4, 0));
  VectorInt::DivArray32(src.data(), out.data(), 4, std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(out, Codes(4, 0));
  VectorInt::DivArray32(src.data(), out.data(), 4, -1);
  EXPECT_EQ(out, (Codes{-100, 100, -7, 0}));
  VectorInt::DivArray32(src.data(), out.data(), 3, 3);
  EXPECT_EQ(out, (Codes{33, -33, 2, 0}));

  const Codes x = {1, -1, 5};
  const std::vector<std::int32_t> acc = {std::numeric_limits<std::int32_t>::max(), 0, 10};
  std::vector<std::int32_t> sum(3);
  VectorInt::AccumArray32(x.data(), acc.data(), sum.data(), 3);
  EXPECT_EQ(sum, (std::vector<std::int32_t>{std::numeric_limits<std::int32_t>::min(), -1, 15}));
}

TEST(VectorIntArithmetic, ElementwiseOperationsWorkInPlace) {
  Codes a = {1, 2, 32767, -32768};
  const Codes b = {10, 20, 1, -1};
  VectorInt::Add(a.data(), b.data(), a.data(), 4);
  EXPECT_EQ(a, (Codes{11, 22, -32768, 32767}));
  VectorInt::Subtract(a.data(), b.data(), a.data(), 4);
  EXPECT_EQ(a, (Codes{1, 2, 32767, -32768}));
  VectorInt::And(a.data(), b.data(), a.data(), 4);
  EXPECT_EQ(a, (Codes{0, 0, 1, -32768}));
  VectorInt::Or(a.data(), b.data(), a.data(), 4);
  EXPECT_EQ(a, (Codes{10, 20, 1, -1}));
  VectorInt::Mask(a.data(), a.data(), 4, 0x00FF, 0x0100, 0x0001);
  EXPECT_EQ(a, (Codes{0x010B, 0x0115, 0x0100, 0x01FE}));
}

TEST(VectorIntArithmetic, NothingIsWrittenForNilOrEmptyVectors) {
  Codes out = {42};
  const Codes in = {1};
  VectorInt::Copy(nullptr, out.data(), 1);
  VectorInt::Copy(in.data(), out.data(), 0);
  VectorInt::Set(out.data(), -1, 7);
  VectorInt::Add(in.data(), nullptr, out.data(), 1);
  VectorInt::Scale(in.data(), out.data(), 0, 2.0, 0.0, false);
  VectorInt::CompressInt(in.data(), out.data(), 1, 0);
  EXPECT_EQ(out, Codes{42});
  EXPECT_EQ(VectorInt::Sum(nullptr, 5), 0.0);
  EXPECT_EQ(VectorInt::Mean(in.data(), 0), 0.0);
  EXPECT_EQ(VectorInt::Search(nullptr, 3, 1), -1);
}

// ---- Copies and compression ------------------------------------------------

TEST(VectorIntCopies, SkipsAndCompression) {
  Codes dst(9, 0);
  const Codes src = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  VectorInt::CopySkip(src.data(), dst.data(), 3, 3, 2);
  EXPECT_EQ(dst, (Codes{1, 0, 4, 0, 7, 0, 0, 0, 0}));
  VectorInt::SetSkip(dst.data(), 3, 4, -1);
  EXPECT_EQ(dst, (Codes{-1, 0, 4, 0, -1, 0, 0, 0, -1}));

  std::vector<float> out(4, -99.0F);
  VectorInt::Compress(src.data(), out.data(), 10, 3, 3.0, 0.5);
  EXPECT_EQ(out, (std::vector<float>{6.5F, 15.5F, 24.5F, -99.0F}));
  VectorInt::CompressAndAdd(src.data(), out.data(), 10, 3, 1.5, 1.0);
  EXPECT_EQ(out, (std::vector<float>{10.5F, 24.0F, 37.5F, -99.0F}));
  VectorInt::Compress(src.data(), out.data(), 2, 3, 1.0, 0.0);
  EXPECT_EQ(out[0], 10.5F);

  const Codes mixed = {1, 2, 4, -1, -2, -4, 9};
  Codes means(3, 99);
  VectorInt::CompressInt(mixed.data(), means.data(), 7, 3);
  EXPECT_EQ(means, (Codes{2, -2, 99}));
  const Codes extremes(5, 32767);
  VectorInt::CompressInt(extremes.data(), means.data(), 5, 5);
  EXPECT_EQ(means[0], 32767);
  VectorInt::CompressInt(mixed.data(), means.data(), 3, 1);
  EXPECT_EQ(means, (Codes{1, 2, 4}));

  std::vector<double> wide(2);
  VectorInt::LFloat(mixed.data(), wide.data(), 2);
  EXPECT_EQ(wide, (std::vector<double>{1.0, 2.0}));
}

// ---- Statistics -------------------------------------------------------------

Codes RandomCodes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> dist(-32768, 32767);
  Codes codes(n);
  for (auto& c : codes) c = static_cast<std::int16_t>(dist(gen));
  return codes;
}

TEST(VectorIntStatistics, SumMeanAndVarianceAgreeWithAnExactReference) {
  for (std::size_t n : {1u, 2u, 32766u, 32767u, 100003u}) {
    Codes codes = RandomCodes(n, static_cast<unsigned>(n));
    codes[0] = 32767;  // blocks of extremes may not overflow
    long double sum = 0;
    long double squares = 0;
    for (std::int16_t c : codes) {
      sum += c;
      squares += static_cast<long double>(c) * c;
    }
    const auto count = static_cast<std::int32_t>(n);
    EXPECT_EQ(VectorInt::Sum(codes.data(), count), static_cast<double>(sum)) << n;
    EXPECT_DOUBLE_EQ(VectorInt::Mean(codes.data(), count), static_cast<double>(sum / n)) << n;
    double mean = -1234.0;
    const double variance = VectorInt::Variance(codes.data(), count, mean);
    if (n == 1) {
      EXPECT_EQ(variance, 0.0);
      EXPECT_EQ(mean, -1234.0);
      continue;
    }
    const long double reference = (squares - sum * sum / n) / (n - 1);
    EXPECT_NEAR(variance, static_cast<double>(reference), 4 * 1.1e-16 * static_cast<double>(reference)) << n;
    EXPECT_DOUBLE_EQ(mean, static_cast<double>(sum / n));
  }
  const Codes full(70000, 32767);
  EXPECT_EQ(VectorInt::Sum(full.data(), 70000), 70000.0 * 32767);
  double mean = 0;
  EXPECT_EQ(VectorInt::Variance(full.data(), 70000, mean), 0.0);

  const Codes a = {32767, -32768, 3};
  const Codes b = {32767, -32768, -2};
  EXPECT_EQ(VectorInt::ScalarProduct(a.data(), b.data(), 3), 32767.0 * 32767 + 32768.0 * 32768 - 6);
}

TEST(VectorIntStatistics, LimitsTakeTheFirstExtremes) {
  struct {
    Codes values;
    bool includeZeros;
    std::int16_t min, max;
    std::int32_t minIndex, maxIndex;
  } const cases[] = {
      {{0, 0, 5, -3, 5}, false, -3, 5, 3, 2},
      {{0, 0, 5, -3, 5}, true, -3, 5, 3, 2},
      {{0, 0, 0}, false, 0, 0, 0, 0},
      {{4, 0, 4, 9, 9}, true, 0, 9, 1, 3},
      {{-1, 0, -1}, false, -1, -1, 0, 0},
  };
  for (const auto& c : cases) {
    std::int16_t min = 99;
    std::int16_t max = 99;
    std::int32_t minIndex = 99;
    std::int32_t maxIndex = 99;
    VectorInt::Limits(c.values.data(), static_cast<std::int32_t>(c.values.size()), min, max, minIndex,
                      maxIndex, c.includeZeros);
    EXPECT_EQ(min, c.min);
    EXPECT_EQ(max, c.max);
    EXPECT_EQ(minIndex, c.minIndex);
    EXPECT_EQ(maxIndex, c.maxIndex);
  }
  std::int16_t min = 99;
  std::int16_t max = 99;
  std::int32_t minIndex = 99;
  std::int32_t maxIndex = 99;
  const Codes one = {5};
  VectorInt::Limits(one.data(), 0, min, max, minIndex, maxIndex, true);
  EXPECT_EQ(min, 99);
  EXPECT_EQ(minIndex, 0);
  VectorInt::Limits(nullptr, 3, min, max, minIndex, maxIndex, true);
  EXPECT_EQ(max, 99);
  EXPECT_EQ(maxIndex, 0);
}

TEST(VectorIntStatistics, ClipCountsOnTopOfTheCallersCounters) {
  const Codes x = {-10, -5, 0, 5, 10};
  Codes out(5);
  std::int32_t lows = 1;
  std::int32_t highs = 2;
  VectorInt::Clip(x.data(), out.data(), 5, -5, -100, lows, 5, 100, highs);
  EXPECT_EQ(out, (Codes{-100, -100, 0, 100, 100}));
  EXPECT_EQ(lows, 3);
  EXPECT_EQ(highs, 4);
  VectorInt::Clip(x.data(), out.data(), 5, 5, -7, lows, 5, 100, highs);
  EXPECT_EQ(out, Codes(5, -7));
  EXPECT_EQ(lows, 3);
  EXPECT_EQ(highs, 4);
}

TEST(VectorIntStatistics, HistogramBinsTruncateTowardsZero) {
  const Codes x = {-5, -10, 0, 9, 10, 95, 100, 32767};
  std::vector<float> bins(10, -1.0F);
  std::int32_t below = 77;
  std::int32_t above = 77;
  VectorInt::Histogram(x.data(), 8, 0, 10, bins.data(), 10, below, above);
  EXPECT_EQ(bins, (std::vector<float>{3, 1, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(below, 1);
  EXPECT_EQ(above, 2);
  VectorInt::Histogram(x.data(), 8, std::numeric_limits<std::int32_t>::max(), 1, bins.data(), 10,
                       below, above);
  EXPECT_EQ(above, 8);
  EXPECT_EQ(below, 0);
  // Counts beyond a float's 24 bits stay exact.
  const Codes many(20000001, 0);
  std::vector<float> one(1);
  VectorInt::Histogram(many.data(), 20000001, 0, 1, one.data(), 1, below, above);
  EXPECT_EQ(one[0], 20000001.0F);
}

TEST(VectorIntStatistics, SearchAndInsertSort) {
  Codes x = {5, -1, 5, 32767, -32768, 0};
  EXPECT_EQ(VectorInt::Search(x.data(), 6, 5), 0);
  EXPECT_EQ(VectorInt::Search(x.data(), 6, 0), 5);
  EXPECT_EQ(VectorInt::Search(x.data(), 6, 7), -1);
  VectorInt::InsertSort(x.data(), 6);
  EXPECT_EQ(x, (Codes{-32768, -1, 0, 5, 5, 32767}));
  Codes random = RandomCodes(500, 7);
  Codes sorted = random;
  std::sort(sorted.begin(), sorted.end());
  VectorInt::InsertSort(random.data(), 500);
  EXPECT_EQ(random, sorted);
}

}  // namespace
