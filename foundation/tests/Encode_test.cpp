#include "foundation/Encode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "foundation/EncodeNext.h"
#include "foundation/EncodeUt.h"

namespace {

constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinInt = std::numeric_limits<std::int32_t>::min();

// Texts are std::string so that a test can also read up to the array end
// (no NUL): a span over the characters alone.
std::span<const char> Chars(const std::string& text) { return {text.data(), text.size()}; }

template <typename T>
struct Case {
  std::string text;
  int result;
  T value;
};

TEST(EncodeInteger, StopsAtTheFirstNonDigitAndSaturates) {
  const std::vector<Case<std::int32_t>> cases = {
      {"  -12", -1, -12},
      {"12x", -1, 12},
      {"x", 0, 0},
      {"", 0, 0},
      {"- 5", -1, -5},
      {"+7;", -1, 7},
      {"12.5", -1, 12},
      {"12k", -1, 12000},
      {"12 k", -1, 12},
      {"12K", -1, 12},
      {"2G", -1, 2000000000},
      {"3G", 2, kMaxInt},
      {"2147483647", -1, kMaxInt},
      {"3000000000", 9, kMaxInt},
      {"-3000000000", 10, kMinInt},
      {"-2147483648", 10, kMinInt},
  };
  for (const auto& c : cases) {
    std::int32_t v = 99;
    EXPECT_EQ(Encode::Integer(Chars(c.text), v), c.result) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
}

TEST(EncodeCardinal, RefusesASign) {
  const std::vector<Case<std::uint32_t>> cases = {
      {"-1", 1, 0},        {"4294967295", -1, 4294967295u}, {"4294967296", 9, 4294967295u},
      {"4M", -1, 4000000}, {"5G", 2, 4294967295u},          {" +8 ", -1, 8},
  };
  for (const auto& c : cases) {
    std::uint32_t v = 99;
    EXPECT_EQ(Encode::Cardinal(Chars(c.text), v), c.result) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
}

TEST(EncodeHexadecimalOctal, DigitsOfTheBaseUpToTheEnd) {
  const std::vector<Case<std::uint32_t>> hexadecimal = {
      {"  1aF", -1, 0x1AF},
      {"12G", 2, 0x12},
      {"1F ", 2, 0x1F},
      {"", -1, 0},
      {"   ", -1, 0},
      {"FFFFFFFF", -1, 0xFFFFFFFF},
      {"100000000", 8, 0xFFFFFFFF},
      {"123456789", 8, 0xFFFFFFFF},
  };
  for (const auto& c : hexadecimal) {
    std::uint32_t v = 99;
    EXPECT_EQ(Encode::Hexadecimal(Chars(c.text), v), c.result) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
  const std::vector<Case<std::uint32_t>> octal = {
      {" 17", -1, 15},
      {"18", 1, 1},
      {"1a", 1, 1},
      {"37777777777", -1, 0xFFFFFFFF},
      {"40000000000", 10, 0xFFFFFFFF},
      {"20000000000 ", 11, 0x80000000},
  };
  for (const auto& c : octal) {
    std::uint32_t v = 99;
    EXPECT_EQ(Encode::Octal(Chars(c.text), v), c.result) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
}

TEST(EncodeSet, LastDigitIsElementZero) {
  const std::vector<Case<std::uint16_t>> cases = {
      {"101", -1, 0b101}, {" 101, 11", -1, 0b101},           {"1012", 3, 0b101},
      {"", 0, 0},         {"11111111111111110", -1, 0xFFFF},  // the first 16 digits count
  };
  for (const auto& c : cases) {
    std::uint16_t set = 99;
    EXPECT_EQ(Encode::Set16(Chars(c.text), set), c.result) << c.text;
    EXPECT_EQ(set, c.value) << c.text;
  }
  std::uint32_t set = 0;
  EXPECT_EQ(Encode::Set32("10000000000000000000000000000001", set), -1);
  EXPECT_EQ(set, 0x80000001u);
}

TEST(EncodeReal, WholeTextWithPointOrComma) {
  const std::vector<Case<double>> cases = {
      {"1.5 ", -1, 1.5},
      {"  -2.5e3", -1, -2500.0},
      {"+ .5", -1, 0.5},
      {"007", -1, 7.0},
      {"E5", -1, 1e5},
      {"1.5x", 3, 1.5},
      {"1E", 2, 1.0},
      {"1e400", 5, HUGE_VAL},
      {".", 1, 0.0},
      {"", 0, 0.0},
      {"-INF", -1, std::numeric_limits<double>::infinity()},
      {"inf", -1, std::numeric_limits<double>::infinity()},
      // A prefix is not a real's business.
      {"4.7k", 3, 4.7},
  };
  for (const auto& c : cases) {
    double x = 99.0;
    EXPECT_EQ(Encode::Real(Chars(c.text), x), c.result) << c.text;
    EXPECT_EQ(x, c.value) << c.text;
  }
  double x = 0.0;
  EXPECT_EQ(Encode::Real("nan", x), -1);
  EXPECT_TRUE(std::isnan(x));
}

TEST(EncodeReal, DecimalCommaFollowsTheFlag) {
  double x = 0.0;
  EXPECT_TRUE(EncodeUt::AllowComma(false));
  EXPECT_EQ(Encode::Real("1,5", x), 1);
  EXPECT_EQ(x, 1.0);
  EXPECT_FALSE(EncodeUt::AllowComma(true));
  EXPECT_EQ(Encode::Real("1,5", x), -1);
  EXPECT_EQ(x, 1.5);
}

// More digits than the reader keeps still count in the magnitude.
TEST(EncodeReal, LongDigitRunsKeepTheirMagnitude) {
  double x = 0.0;
  EXPECT_EQ(Encode::Real(Chars("1" + std::string(100, '0')), x), -1);
  EXPECT_EQ(x, 1e100);
  EXPECT_EQ(Encode::Real(Chars("0." + std::string(100, '0') + "1"), x), -1);
  EXPECT_EQ(x, 1e-101);
  EXPECT_EQ(Encode::Real(Chars("1." + std::string(100, '3') + "E-1"), x), -1);
  EXPECT_DOUBLE_EQ(x, 0.4 / 3.0);
  EXPECT_EQ(Encode::Real(Chars("0." + std::string(100, '0') + "1E101"), x), -1);
  EXPECT_EQ(x, 1.0);
}

TEST(EncodeEngineering, PrefixesAfterTheNumber) {
  const double milli = 0.001;
  const std::vector<Case<double>> cases = {
      {"4.7 k", -1, 4700.0},
      {"4.7k", -1, 4700.0},
      {"10u", -1, 10 * milli * milli},
      {"10\xB5", -1, 10 * milli * milli},
      {"2m", -1, 2 * milli},
      {"2M ", -1, 2e6},
      {"1.5 E", -1, 1.5 * 1000 * 1000 * 1000 * 1000 * 1000 * 1000},
      {"1.5E", 4, 1.5},
      {"3", -1, 3.0},
      {"4.7 x", 4, 4.7},
      {"4.7  k", 5, 4.7},
      // In range as text, but the prefix carries it beyond a double.
      {"1e300 Y", 7, std::numeric_limits<double>::infinity()},
  };
  for (const auto& c : cases) {
    double x = 99.0;
    EXPECT_EQ(Encode::Engineering(Chars(c.text), x), c.result) << c.text;
    EXPECT_EQ(x, c.value) << c.text;
  }
}

TEST(EncodeNext, ReadsSuccessiveNumbersOfALine) {
  const std::string line = "12 -7 3k 1.5m 101";
  int pos = 0;
  std::int32_t i = 0;
  ASSERT_TRUE(EncodeNext::Integer(Chars(line), pos, i));
  EXPECT_EQ(i, 12);
  ASSERT_TRUE(EncodeNext::Int32(Chars(line), pos, i));
  EXPECT_EQ(i, -7);
  std::uint32_t c = 0;
  ASSERT_TRUE(EncodeNext::Cardinal(Chars(line), pos, c));
  EXPECT_EQ(c, 3000u);
  EXPECT_EQ(pos, 8);
  double x = 0.0;
  ASSERT_TRUE(EncodeNext::Engineering(Chars(line), pos, x));
  EXPECT_DOUBLE_EQ(x, 1.5e-3);
  std::uint16_t set = 0;
  ASSERT_TRUE(EncodeNext::Set16(Chars(line), pos, set));
  EXPECT_EQ(set, 0b101);
  EXPECT_EQ(pos, static_cast<int>(line.size()));
  EXPECT_FALSE(EncodeNext::Real(Chars(line), pos, x));
}

TEST(EncodeNext, LimitsOfEachWidth) {
  int pos = 0;
  std::int32_t i32 = 0;
  EXPECT_TRUE(EncodeNext::Integer("2k", pos, i32));
  EXPECT_EQ(i32, 2000);
  pos = 0;
  EXPECT_FALSE(EncodeNext::Integer("3G", pos, i32));
  EXPECT_EQ(i32, kMaxInt);

  std::int16_t i16 = 0;
  pos = 0;
  EXPECT_TRUE(EncodeNext::Int16("-32767", pos, i16));
  EXPECT_EQ(i16, -32767);
  pos = 0;
  EXPECT_FALSE(EncodeNext::Int16("40000", pos, i16));
  EXPECT_EQ(i16, 32767);
  pos = 0;
  EXPECT_FALSE(EncodeNext::Int16("-40000", pos, i16));
  EXPECT_EQ(i16, -32768);

  std::uint32_t u32 = 5;
  pos = 0;
  EXPECT_FALSE(EncodeNext::Cardinal("-1", pos, u32));
  pos = 0;
  EXPECT_FALSE(EncodeNext::Card32("5G", pos, u32));
  EXPECT_EQ(u32, 4294967295u);

  std::uint16_t u16 = 0;
  pos = 0;
  EXPECT_TRUE(EncodeNext::Card16("65535", pos, u16));
  EXPECT_EQ(u16, 65535);
  pos = 0;
  EXPECT_FALSE(EncodeNext::Card16("65536", pos, u16));
  EXPECT_EQ(u16, 65535);
  pos = 0;
  EXPECT_FALSE(EncodeNext::Card16("-1", pos, u16));

  std::uint16_t set = 0;
  pos = 0;
  EXPECT_FALSE(EncodeNext::Set16("1012", pos, set));
  std::uint32_t set32 = 0;
  pos = 0;
  EXPECT_TRUE(EncodeNext::Set32("110,", pos, set32));
  EXPECT_EQ(set32, 6u);
}

TEST(EncodeNext, PositionsOutsideTheTextReadNothing) {
  std::int32_t v = 0;
  double x = 0.0;
  for (int start : {-5, 3, 100}) {
    int pos = start;
    EXPECT_FALSE(EncodeNext::Integer("12", pos, v));
    pos = start;
    EXPECT_FALSE(EncodeNext::Real("12", pos, x));
  }
}

TEST(EncodeUt, PrefixTable) {
  EXPECT_EQ(EncodeUt::GetMagnitudeUnit(-8), 'y');
  EXPECT_EQ(EncodeUt::GetMagnitudeUnit(-2), '\xB5');
  EXPECT_EQ(EncodeUt::GetMagnitudeUnit(0), ' ');
  EXPECT_EQ(EncodeUt::GetMagnitudeUnit(6), 'E');
  EXPECT_EQ(EncodeUt::GetMagnitudeUnit(8), 'Y');
  EXPECT_EQ(EncodeUt::GetMagnitudeUnit(9), '\0');
  EncodeUt::AllowComma(false);
  EncodeUt::InitModule();
  double x = 0.0;
  EXPECT_EQ(Encode::Real("2,5", x), -1);
}

}  // namespace
