#include "numerics/LongMath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

namespace {

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

class LongMathTest : public ::testing::Test {
 protected:
  void SetUp() override { LongMath::InitModule(); }
};

TEST_F(LongMathTest, SpecialValuePatterns) {
  EXPECT_EQ(Bits(LongMath::NaN), 0x7FFF000000000000ULL);
  EXPECT_EQ(Bits(LongMath::Inf), 0x7FF0000000000000ULL);
  EXPECT_EQ(LongMath::NaN_Short, 0x7FF80000U);
  EXPECT_TRUE(std::isnan(std::bit_cast<float>(LongMath::NaN_Short)));
}

TEST_F(LongMathTest, InitModuleRestoresTheValues) {
  LongMath::NaN = 1.0;
  LongMath::Inf = 2.0;
  LongMath::NaN_Short = 3;
  LongMath::InitModule();
  EXPECT_EQ(Bits(LongMath::NaN), 0x7FFF000000000000ULL);
  EXPECT_EQ(Bits(LongMath::Inf), 0x7FF0000000000000ULL);
  EXPECT_EQ(LongMath::NaN_Short, 0x7FF80000U);
}

TEST_F(LongMathTest, Classification) {
  const double inf = std::numeric_limits<double>::infinity();
  const double quiet = std::numeric_limits<double>::quiet_NaN();
  const double denormal = std::numeric_limits<double>::denorm_min();
  const double largest = std::numeric_limits<double>::max();
  struct Case {
    double x;
    bool valid, nan, infinite;
  };
  const std::vector<Case> cases = {
      {0.0, true, false, false},         {-0.0, true, false, false},
      {1.5, true, false, false},         {-largest, true, false, false},
      {denormal, true, false, false},    {inf, false, false, true},
      {-inf, false, false, true},        {LongMath::Inf, false, false, true},
      {LongMath::NaN, false, true, false}, {quiet, false, true, false},
      {-quiet, false, true, false},
      {std::bit_cast<double>(0x7FF0000000000001ULL), false, true, false},  // signalling
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << Bits(c.x));
    EXPECT_EQ(LongMath::IsValidNumber(c.x), c.valid);
    EXPECT_EQ(LongMath::IsNaN(c.x), c.nan);
    EXPECT_EQ(LongMath::IsInf(c.x), c.infinite);
  }
}

TEST_F(LongMathTest, PowerI) {
  struct Case {
    double base;
    int n;
    double result;
  };
  const std::vector<Case> cases = {
      {-2.0, 3, -8.0},  {-2.0, 2, 4.0},      {-2.0, -1, -0.5}, {-2.0, -2, 0.25},
      {0.0, -1, 0.0},   {0.0, 3, 0.0},       {-0.0, -1, 0.0},  {LongMath::NaN, 2, 0.0},
      {3.0, 4, 81.0},   {2.0, -2, 0.25},     {0.0, 0, 1.0},    {LongMath::NaN, 0, 1.0},
      {LongMath::Inf, 0, 1.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LongMath::powerI(c.base, c.n), c.result) << c.base << "^" << c.n;
  }
}

TEST_F(LongMathTest, Power) {
  EXPECT_EQ(LongMath::power(0.0, 0.0), 1.0);
  EXPECT_EQ(LongMath::power(LongMath::NaN, 0.0), 1.0);
  EXPECT_EQ(LongMath::power(2.0, 10.0), 1024.0);
  EXPECT_EQ(LongMath::power(4.0, 0.5), 2.0);
  EXPECT_TRUE(LongMath::IsNaN(LongMath::power(-8.0, 1.0 / 3.0)));
}

TEST_F(LongMathTest, AngleConversion) {
  EXPECT_EQ(Bits(LongMath::DegToRad(1.0)), 0x3F91DF46A2529D37ULL);
  // Two ulps below the double nearest to pi/180.
  EXPECT_EQ(Bits(LongMath::DegToRad(1.0)) + 2, Bits(std::numbers::pi / 180.0));
  const double back = LongMath::RadToDeg(LongMath::DegToRad(180.0));
  EXPECT_LE(std::fabs(back - 180.0), std::nextafter(180.0, 200.0) - 180.0);
  EXPECT_EQ(LongMath::RadToDeg(0.0), 0.0);
}

TEST_F(LongMathTest, IsEven) {
  for (const int n : {0, 2, -2, 100, -1000000}) EXPECT_TRUE(LongMath::IsEven(n)) << n;
  for (const int n : {1, -1, 3, -7, std::numeric_limits<int>::max()}) EXPECT_FALSE(LongMath::IsEven(n)) << n;
  EXPECT_TRUE(LongMath::IsEven(std::numeric_limits<int>::min()));
}

}  // namespace
