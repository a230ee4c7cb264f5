#include "foundation/Decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Encode.h"
#include "foundation/Strings.h"

namespace {

// Destinations of exactly their capacity on the heap, so the address
// sanitizer catches a write one past the end. Bytes behind the text hold '#',
// so a missing NUL shows up as stray characters in the result.
std::vector<char> Holding(std::string_view text, std::size_t capacity) {
  std::vector<char> array(capacity, '#');
  const std::size_t n = std::min(text.size(), capacity);
  std::copy_n(text.begin(), n, array.begin());
  if (n < capacity) array[n] = '\0';
  return array;
}

// The text of an array; as long as the capacity exactly when it holds no NUL.
std::string Text(std::span<const char> s) {
  return {s.data(), static_cast<std::size_t>(Strings::Length(s))};
}

struct Case {
  const char* what;
  std::string_view before;
  std::size_t capacity;
  std::function<void(std::span<char>)> decode;
  std::string expected;
};

void Check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::vector<char> s = Holding(c.before, c.capacity);
    c.decode(s);
    EXPECT_EQ(Text(s), c.expected) << c.what;
  }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(DecodeInteger, FieldsOverflowAndTheEndOfTheString) {
  Check({
      {"negative in a field", "", 20, [](auto s) { Decode::Integer(-42, s, 6); }, "   -42"},
      {"too wide for its field", "", 20, [](auto s) { Decode::Integer(123456, s, 4); }, " ***"},
      {"minimal text", "", 20, [](auto s) { Decode::Integer(7, s, 0); }, "7"},
      {"no room for the sign", "", 20, [](auto s) { Decode::Integer(-5, s, 1); }, "*"},
      {"two-character overflow", "", 20, [](auto s) { Decode::Integer(100, s, 2); }, "**"},
      {"magnitude taken as unsigned", "", 20,
       [](auto s) { Decode::Integer(std::numeric_limits<std::int32_t>::min(), s, 0); },
       "-2147483648"},
      {"largest cardinal", "", 20, [](auto s) { Decode::Cardinal(4294967295u, s, 0); },
       "4294967295"},
      {"appends behind the text", "n=", 20, [](auto s) { Decode::Integer(12, s, 4); }, "n=  12"},
      {"field ends at the array end: no NUL", "ab", 5, [](auto s) { Decode::Integer(12, s, 3); },
       "ab 12"},
      {"field past the array end: nothing", "abc", 5, [](auto s) { Decode::Integer(12, s, 3); },
       "abc"},
      {"overflow field keeps its NUL at the array end", "", 4,
       [](auto s) { Decode::Integer(123456, s, 4); }, " **"},
      {"minimal text fills the array", "a", 3, [](auto s) { Decode::Cardinal(42, s, 0); }, "a42"},
      {"minimal text too long: the rest overflows", "a", 4,
       [](auto s) { Decode::Cardinal(12345, s, 0); }, "a *"},
      {"overflow behind the sign", "", 5, [](auto s) { Decode::Integer(-12345, s, 0); }, "- **"},
      {"no room for sign and star", "ab", 4, [](auto s) { Decode::Integer(-12, s, 0); }, "ab*"},
      {"full destination unchanged", "abcd", 4, [](auto s) { Decode::Integer(1, s, 0); }, "abcd"},
      {"empty destination", "", 0, [](auto s) { Decode::Cardinal(1, s, 1); }, ""},
  });
}

TEST(DecodeHexadecimalOctal, DigitsOfTheBase) {
  Check({
      {"hexadecimal in a field", "x=", 20, [](auto s) { Decode::Hexadecimal(255, s, 4); },
       "x=  FF"},
      {"width 0 appends nothing", "", 20, [](auto s) { Decode::Hexadecimal(255, s, 0); }, ""},
      {"hexadecimal overflow", "", 20, [](auto s) { Decode::Hexadecimal(0x12345, s, 2); }, "**"},
      {"upper case, all 32 bits", "", 20, [](auto s) { Decode::Hexadecimal(0xDEADBEEF, s, 8); },
       "DEADBEEF"},
      {"zero", "", 20, [](auto s) { Decode::Hexadecimal(0, s, 3); }, "  0"},
      {"octal", "", 20, [](auto s) { Decode::Octal(8, s, 3); }, " 10"},
      {"octal, all 32 bits", "", 20, [](auto s) { Decode::Octal(0xFFFFFFFF, s, 11); },
       "37777777777"},
      {"octal width 0 appends nothing", "", 20, [](auto s) { Decode::Octal(8, s, -1); }, ""},
  });
}

TEST(DecodeSet, HighestElementFirst) {
  Check({
      {"minimal", "", 40, [](auto s) { Decode::Set16(5, s, 0, 16); }, "101"},
      {"all bits in a wider field", "", 40, [](auto s) { Decode::Set16(5, s, 20, 16); },
       "    0000000000000101"},
      {"field narrower than bits", "", 40, [](auto s) { Decode::Set16(5, s, 8, 16); }, " *******"},
      {"empty set", "", 40, [](auto s) { Decode::Set32(0, s, 0, 32); }, "0"},
      {"bits outside 1..32 mean 32", "", 40, [](auto s) { Decode::Set32(0x80000001u, s, 0, 0); },
       "10000000000000000000000000000001"},
      {"bits outside 1..16 mean 16", "", 40, [](auto s) { Decode::Set16(1, s, 17, 20); },
       " 0000000000000001"},
      {"a few bits", "", 40, [](auto s) { Decode::Set32(5, s, 4, 4); }, "0101"},
      {"text fills the array: no NUL", "", 3, [](auto s) { Decode::Set16(5, s, 0, 16); }, "101"},
      {"field past the array end: overflow cut there", "", 3,
       [](auto s) { Decode::Set16(5, s, 8, 8); }, " *"},
      {"minimal text past the array end", "ab", 6, [](auto s) { Decode::Set32(0xFFFFu, s, 0, 32); },
       "ab **"},
  });
}

TEST(DecodeScientific, MantissaAndExponent) {
  Check({
      {"positive: one leading blank", "", 40, [](auto s) { Decode::Scientific(1234.5, s, 12); },
       " 1.23450E+03"},
      {"negative fills the width", "", 40, [](auto s) { Decode::Scientific(-1234.5, s, 12); },
       "-1.23450E+03"},
      {"width 6 is too small", "", 40, [](auto s) { Decode::Scientific(1.0, s, 6); }, "   ***"},
      {"three-digit exponent passes the width", "", 40,
       [](auto s) { Decode::Scientific(-1.5e-300, s, 10); }, "-1.500E-300"},
      {"NaN padded", "", 40, [](auto s) { Decode::Scientific(kNaN, s, 6); }, "   NAN"},
      {"infinity has no sign", "", 40, [](auto s) { Decode::Scientific(-kInf, s, 2); }, "INF"},
      {"width cut to H", "", 8, [](auto s) { Decode::Scientific(1234.5, s, 12); }, "  1E+03"},
      {"text cut by the capacity", "abc", 8, [](auto s) { Decode::Scientific(1234.5, s, 7); },
       "abc  1E"},
      {"full destination unchanged", "abcd", 4, [](auto s) { Decode::Scientific(1, s, 8); },
       "abcd"},
  });
}

TEST(DecodeFixed, FixedPointOrScientific) {
  Check({
      {"decimals", "", 80, [](auto s) { Decode::Fixed(3.14159, s, 8, 2); }, "    3.14"},
      {"does not fit: Scientific at the width", "", 80,
       [](auto s) { Decode::Fixed(1.2e20, s, 8, 2); }, " 1.2E+20"},
      {"does not fit: width cut to 12", "", 80, [](auto s) { Decode::Fixed(1.5e20, s, 30, 10); },
       " 1.50000E+20"},
      {"width below decimals + 2", "", 80, [](auto s) { Decode::Fixed(1, s, 3, 2); }, "***"},
      {"negative decimals", "", 80, [](auto s) { Decode::Fixed(1, s, 8, -1); }, "     ***"},
      {"negative fills the width", "", 80, [](auto s) { Decode::Fixed(-1, s, 5, 2); }, "-1.00"},
      {"no decimals", "", 80, [](auto s) { Decode::Fixed(2.5e3, s, 6, 0); }, "  2500"},
      {"1e32 is beyond the bound", "", 80, [](auto s) { Decode::Fixed(1e32, s, 22, 2); },
       " 1.000000000000000E+32"},
      {"the bound itself is fixed", "", 80,
       [](auto s) { Decode::Fixed(9.999999999999995e31, s, 34, 0); },
       "  99999999999999951322966675947520"},
      {"long fixed text is not cut", "", 80, [](auto s) { Decode::Fixed(1e30, s, 60, 20); },
       "        1000000000000000019884624838656.00000000000000000000"},
      {"infinity", "", 80, [](auto s) { Decode::Fixed(kInf, s, 5, 2); }, "  INF"},
      {"full destination unchanged", "abcd", 4, [](auto s) { Decode::Fixed(1, s, 8, 2); }, "abcd"},
  });
}

TEST(DecodeEngineering, SIPrefixes) {
  Check({
      {"milli", "", 40, [](auto s) { Decode::Engineering(0.0012345, s, 8); }, " 1.2345m"},
      {"kilo, point moved once", "", 40, [](auto s) { Decode::Engineering(12345, s, 8); },
       " 12.345k"},
      {"10^0 ends in a blank", "", 40, [](auto s) { Decode::Engineering(1.5, s, 8); }, " 1.5000 "},
      {"point moved twice", "", 40, [](auto s) { Decode::Engineering(123000, s, 6); }, " 123.k"},
      {"beyond Y: exponent form, longer than the width", "", 40,
       [](auto s) { Decode::Engineering(1e30, s, 8); }, "1.0000E+30"},
      {"below y: exponent form", "", 40, [](auto s) { Decode::Engineering(1e-25, s, 8); },
       "1.0000E-25"},
      {"micro sign", "", 40, [](auto s) { Decode::Engineering(4.7e-6, s, 8); }, " 4.7000\xB5"},
      {"negative", "", 40, [](auto s) { Decode::Engineering(-0.0012345, s, 8); }, "-1.2345m"},
      {"yotta", "", 40, [](auto s) { Decode::Engineering(1e24, s, 8); }, " 1.0000Y"},
      {"yocto", "", 40, [](auto s) { Decode::Engineering(1e-24, s, 8); }, " 1.0000y"},
      {"exa", "", 40, [](auto s) { Decode::Engineering(1.5e18, s, 8); }, " 1.5000E"},
      {"rounding carries into the next power", "", 40,
       [](auto s) { Decode::Engineering(999.99, s, 6); }, " 1.00k"},
      {"width 5 is too small", "", 40, [](auto s) { Decode::Engineering(1.5, s, 5); }, "  ***"},
      {"NaN", "", 40, [](auto s) { Decode::Engineering(kNaN, s, 4); }, " NAN"},
      {"full destination unchanged", "abcd", 4, [](auto s) { Decode::Engineering(1, s, 8); },
       "abcd"},
  });
}

std::string Printf(const char* format, int precision, double x) {
  std::vector<char> text(static_cast<std::size_t>(precision) + 400);
  std::snprintf(text.data(), text.size(), format, precision, x);
  return text.data();
}

std::string PadTo(std::string text, int width) {
  if (static_cast<int>(text.size()) < width)
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  return text;
}

// Texts wider than a short work buffer keep their exponent and all digits.
TEST(DecodeWide, TextsAreNeverCutShortOfTheDestination) {
  for (const double x : {-1.234e-300, -9.87e250, 1.5e-200, -7.0}) {
    for (int width = 40; width <= 60; ++width) {
      std::vector<char> s = Holding("", 100);
      Decode::Scientific(x, s, width);
      EXPECT_EQ(Text(s), PadTo(Printf("%.*E", width - 7, x), width)) << x << " " << width;

      s = Holding("", 100);
      Decode::Engineering(x, s, width);
      const std::string text = Text(s);
      if (std::fabs(x) > 1e30 || std::fabs(x) < 1e-30) {
        EXPECT_EQ(text, PadTo(Printf("%.*E", width - 4, x), width)) << x << " " << width;
      }
      double back = 0.0;
      EXPECT_EQ(Encode::Engineering(text, back), -1) << text;
      EXPECT_NEAR(back, x, std::fabs(x) * 1e-15) << text;
    }
  }
}

// Widths beyond what any double has digits for: the exact expansion
// continues with zeros, as the C library writes it.
TEST(DecodeWide, ExactExpansionAtAnyWidth) {
  std::vector<char> s = Holding("", 1500);
  Decode::Scientific(-0.1, s, 1400);
  EXPECT_EQ(Text(s), Printf("%.*E", 1393, -0.1));

  s = Holding("", 1500);
  Decode::Fixed(0.1, s, 1300, 1200);
  EXPECT_EQ(Text(s), PadTo(Printf("%.*f", 1200, 0.1), 1300));

  s = Holding("", 1500);
  Decode::Engineering(4.7e-9, s, 1300);
  const std::string text = Text(s);
  ASSERT_EQ(text.size(), 1300u);
  EXPECT_EQ(text.substr(0, 3), " 4.");
  EXPECT_EQ(text.back(), 'n');
  EXPECT_EQ(text.substr(1, 1299), Printf("%.*E", 1296, 4.7e-9).substr(0, 1298) + "n");
}

// What Decode writes, Encode reads back to the printed precision.
TEST(DecodeRoundTrip, ScientificReadsBackThroughEncodeReal) {
  const double values[] = {0.0,
                           1.0,
                           -1.0,
                           1234.5,
                           -0.0012345,
                           3.141592653589793,
                           6.02214076e23,
                           -1.602176634e-19,
                           1e-300,
                           1.2345e308,
                           4.9e-324 * 1e16,
                           123456789.0};
  for (const double x : values) {
    for (const int width : {10, 15, 23}) {
      std::vector<char> s = Holding("", 40);
      Decode::Scientific(x, s, width);
      double back = 0.0;
      ASSERT_EQ(Encode::Real(s, back), -1) << Text(s);
      const int digits = width - 6;
      EXPECT_LE(std::fabs(back - x), std::fabs(x) * 0.5000001 * std::pow(10.0, 1 - digits))
          << Text(s);
      if (digits >= 17) {
        EXPECT_EQ(back, x) << Text(s);
      }
    }
  }
}

TEST(DecodeRoundTrip, EngineeringReadsBackExceptExa) {
  for (int power = -24; power <= 24; power += 3) {
    const double x = 4.7 * std::pow(10.0, power);
    std::vector<char> s = Holding("", 40);
    Decode::Engineering(x, s, 10);
    double back = 0.0;
    if (power == 18) {
      // "4.70000E" reads as an exponent mark without digits.
      EXPECT_NE(Encode::Engineering(s, back), -1) << Text(s);
      continue;
    }
    ASSERT_EQ(Encode::Engineering(s, back), -1) << Text(s);
    EXPECT_NEAR(back, x, std::fabs(x) * 1e-12) << Text(s);
  }
}

}  // namespace
