#include "foundation/Decode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "foundation/EncodeUt.h"
#include "foundation/Strings.h"
#include "foundation/platform/RealText.h"
#include "numerics/LongMath.h"

namespace Decode {

namespace {

constexpr std::string_view kDigits = "0123456789ABCDEF";

// The largest double below 1e32; beyond it fixed point is not attempted.
constexpr double kFixedBound = 9.999999999999995e31;
constexpr int kFixedFallbackWidth = 12;

// The exact decimal expansion of a double ends within 767 significant digits
// and 1074 decimals, so digits asked for beyond kExactDigits are zeros: they
// are counted instead of formatted, and no width is too large for the buffer.
constexpr int kExactDigits = 1100;
constexpr int kFloatExtra = 16;  // sign, "d.", "E-308", NUL
constexpr int kFixedExtra = 40;  // sign, 32 integer digits, ".", NUL
constexpr std::size_t kTextSize = kExactDigits + kFixedExtra + 8;

int High(std::span<const char> s) { return static_cast<int>(s.size()) - 1; }

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// width characters at start, a NUL behind; the last "*" stays before index
// H, so a field that reaches the end of s is cut there.
void OverflowField(std::span<char> s, int start, int width) {
  const int stop = start + std::min(width, High(s) - start);
  for (int i = start; i < stop; ++i) s[At(i)] = (i == start && width >= 3) ? ' ' : '*';
  s[At(stop)] = '\0';
}

void NumberField(std::span<char> s, std::uint32_t magnitude, bool negative, std::uint32_t base,
                 int width) {
  const int high = High(s);
  const int end = Strings::Length(s);
  if (end > high) return;
  std::array<char, 32> digits{};
  int count = 0;
  do {
    digits[At(count++)] = kDigits[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);
  const int length = count + (negative ? 1 : 0);
  const int room = high + 1 - end;

  if (width <= 0) {
    if (length > room) {
      // The sign stays when at least one "*" and the NUL fit behind it.
      if (negative && room >= 3) {
        s[At(end)] = '-';
        OverflowField(s, end + 1, room - 1);
      } else {
        OverflowField(s, end, room);
      }
      return;
    }
    width = length;
  } else if (width > room) {
    return;
  }
  if (length > width) {
    OverflowField(s, end, width);
    return;
  }
  int p = end + width;
  if (p <= high) s[At(p)] = '\0';
  for (int i = 0; i < count; ++i) s[At(--p)] = digits[At(i)];
  if (negative) s[At(--p)] = '-';
  while (p > end) s[At(--p)] = ' ';
}

void SetField(std::span<char> s, std::uint32_t set, int width, int bits) {
  const int high = High(s);
  const int end = Strings::Length(s);
  if (end > high) return;
  int count = bits;
  if (width <= 0) {
    while (count > 1 && ((set >> (count - 1)) & 1u) == 0) --count;
    width = count;
  }
  if (width < count || width > high + 1 - end) {
    OverflowField(s, end, width);
    return;
  }
  int p = end + width;
  if (p <= high) s[At(p)] = '\0';
  for (int i = 0; i < count; ++i) s[At(--p)] = ((set >> i) & 1u) != 0 ? '1' : '0';
  while (p > end) s[At(--p)] = ' ';
}

// A real's text: chars[0..length) with `zeros` further "0" standing at
// zerosAt (digits beyond kExactDigits).
struct RealText {
  std::array<char, kTextSize> chars;
  int length = 0;
  int zerosAt = 0;
  int zeros = 0;

  int Total() const { return length + zeros; }

  char operator[](int i) const {
    if (i < zerosAt) return chars[At(i)];
    if (i < zerosAt + zeros) return '0';
    return chars[At(i - zeros)];
  }

  void Assign(std::string_view text) {
    std::copy(text.begin(), text.end(), chars.begin());
    length = static_cast<int>(text.size());
    zerosAt = length;
    zeros = 0;
  }

  // Takes the platform's text; the buffer is always larger than any text
  // asked of it, so the NUL is there.
  void Measure() { length = static_cast<int>(std::strlen(chars.data())); }
};

bool NonNumberText(double x, RealText& t) {
  if (LongMath::IsValidNumber(x)) return false;
  t.Assign(LongMath::IsInf(x) ? "INF" : "NAN");
  return true;
}

// x with `digits` significant digits in the form "%.*E".
void FloatText(double x, int digits, RealText& t) {
  const int printed = std::min(digits, kExactDigits);
  Platform::RealToFloat(x, printed, std::span(t.chars).first(At(printed + kFloatExtra)));
  t.Measure();
  t.zerosAt = static_cast<int>(std::find(t.chars.begin(), t.chars.begin() + t.length, 'E') -
                               t.chars.begin());
  t.zeros = digits - printed;
}

// x with `decimals` decimals in the form "%.*f"; |x| <= kFixedBound.
void FixedText(double x, int decimals, RealText& t) {
  const int printed = std::min(decimals, kExactDigits);
  Platform::RealToFixed(x, printed, std::span(t.chars).first(At(printed + kFixedExtra)));
  t.Measure();
  t.zerosAt = t.length;
  t.zeros = decimals - printed;
}

void ScientificText(double x, int width, RealText& t) {
  if (width <= 6) {
    t.Assign("***");
  } else {
    FloatText(x, width - 6, t);
  }
}

// width > 5 gives at least three significant digits, so the point can move
// two places to the right.
void EngineeringText(double x, int width, RealText& t) {
  if (width <= 5) {
    t.Assign("***");
    return;
  }
  FloatText(x, width - 3, t);
  const int mark = t.zerosAt;
  const int exponent = std::atoi(t.chars.data() + mark + 1);
  const int q = exponent >= 0 ? exponent / 3 : -((2 - exponent) / 3);
  const int r = exponent - 3 * q;
  if (q < -8 || q > 8) return;
  const int point = t.chars[0] == '-' ? 2 : 1;
  for (int i = 0; i < r; ++i) std::swap(t.chars[At(point + i)], t.chars[At(point + i + 1)]);
  t.chars[At(mark)] = EncodeUt::GetMagnitudeUnit(q);
  t.length = mark + 1;
}

// Answers the width to pad to, which the fall-back to Scientific cuts.
int FixedOrScientificText(double x, int width, int decimals, RealText& t) {
  if (decimals < 0 || static_cast<long long>(width) < static_cast<long long>(decimals) + 2) {
    t.Assign("***");
  } else if (std::fabs(x) > kFixedBound) {
    ScientificText(x, width, t);
  } else {
    FixedText(x, decimals, t);
    if (t.Total() > width) {
      width = std::min(width, kFixedFallbackWidth);
      ScientificText(x, width, t);
    }
  }
  return width;
}

// Pads t to width on the left and appends it, keeping at most H characters.
void AppendReal(std::span<char> s, const RealText& t, int width) {
  const int high = High(s);
  int p = Strings::Length(s);
  if (p > high) return;
  for (int pad = width - t.Total(); pad > 0 && p < high; --pad) s[At(p++)] = ' ';
  for (int i = 0; i < t.Total() && p < high; ++i) s[At(p++)] = t[i];
  s[At(p)] = '\0';
}

}  // namespace

void Integer(std::int32_t v, std::span<char> s, int width) {
  const auto magnitude = static_cast<std::uint32_t>(v);
  NumberField(s, v < 0 ? 0u - magnitude : magnitude, v < 0, 10, width);
}

void Cardinal(std::uint32_t v, std::span<char> s, int width) {
  NumberField(s, v, false, 10, width);
}

void Hexadecimal(std::uint32_t v, std::span<char> s, int width) {
  if (width > 0) NumberField(s, v, false, 16, width);
}

void Octal(std::uint32_t v, std::span<char> s, int width) {
  if (width > 0) NumberField(s, v, false, 8, width);
}

void Set32(std::uint32_t set, std::span<char> s, int width, int bits) {
  SetField(s, set, width, (bits >= 1 && bits <= 32) ? bits : 32);
}

void Set16(std::uint16_t set, std::span<char> s, int width, int bits) {
  SetField(s, set, width, (bits >= 1 && bits <= 16) ? bits : 16);
}

void Scientific(double x, std::span<char> s, int width) {
  width = std::min(width, High(s));
  RealText t;
  if (!NonNumberText(x, t)) ScientificText(x, width, t);
  AppendReal(s, t, width);
}

void Fixed(double x, std::span<char> s, int width, int decimals) {
  width = std::min(width, High(s));
  RealText t;
  if (!NonNumberText(x, t)) width = FixedOrScientificText(x, width, decimals, t);
  AppendReal(s, t, width);
}

void Engineering(double x, std::span<char> s, int width) {
  width = std::min(width, High(s));
  RealText t;
  if (!NonNumberText(x, t)) EngineeringText(x, width, t);
  AppendReal(s, t, width);
}

}  // namespace Decode
