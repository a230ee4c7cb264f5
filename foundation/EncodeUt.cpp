#include "foundation/EncodeUt.h"

#include <algorithm>
#include <charconv>

#include "foundation/Strings.h"
#include "foundation/platform/RealText.h"
#include "numerics/LongMath.h"

namespace EncodeUt {

namespace {

constexpr std::array<char, 17> kMagnitudes = {'y', 'z', 'a', 'f', 'p', 'n', '\xB5', 'm', ' ',
                                              'k', 'M', 'G', 'T', 'P', 'E', 'Z',    'Y'};
constexpr int kUnitIndex = 8;  // index of the blank, 10^0
constexpr char kMicro = '\xB5';

// More significant digits than a double resolves; digits beyond them are
// dropped, but integer digits still count in the magnitude.
constexpr int kMaxSignificant = 79;
// Exponent digits beyond this only push the value further out of range.
constexpr long long kExponentCap = 1'000'000'000;

bool allowComma = true;

char At(std::span<const char> s, int length, int i) {
  return (i >= 0 && i < length) ? s[static_cast<std::size_t>(i)] : '\0';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ClosesNumber(char c) { return c == '\0' || c == ',' || c == '.' || c == ';'; }

void SkipBlanks(std::span<const char> s, int length, int& pos) {
  while (At(s, length, pos) == ' ') ++pos;
}

// Index of c in the prefix table from index `from` on, or -1.
int FindMagnitude(char c, int from) {
  for (int i = from; i < static_cast<int>(Magnitudes.size()); ++i) {
    if (Magnitudes[static_cast<std::size_t>(i)] == c) return i;
  }
  return -1;
}

// The mantissa as its significant digits and a power of ten, so that leading
// fraction zeros and integer digits beyond the kept ones still count.
struct Mantissa {
  std::array<char, kMaxSignificant> digits;
  int count = 0;
  long long scale = 0;
  bool fraction = false;

  void Add(char d) {
    if (count == 0 && d == '0') {
      if (fraction) --scale;
      return;
    }
    if (count < kMaxSignificant) {
      digits[static_cast<std::size_t>(count++)] = d;
      if (fraction) --scale;
    } else if (!fraction) {
      ++scale;
    }
  }
};

void ReadDigits(std::span<const char> s, int length, int& pos, Mantissa& m, int& digitsRead) {
  for (char c = At(s, length, pos); IsDigit(c); c = At(s, length, ++pos)) {
    m.Add(c);
    ++digitsRead;
  }
}

bool MatchesWord(std::span<const char> s, int length, int pos, const char* word) {
  for (int i = 0; i < 3; ++i) {
    char c = At(s, length, pos + i);
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

// Converts sign, mantissa and exponent through the platform's conversion;
// FALSE when the value is out of range.
bool Convert(bool negative, const Mantissa& m, long long exponent, double& x) {
  std::array<char, kMaxSignificant + 32> text;
  char* out = text.data();
  if (negative) *out++ = '-';
  if (m.count == 0) *out++ = '0';
  out = std::copy_n(m.digits.data(), m.count, out);
  if (const long long power = m.scale + exponent; power != 0) {
    *out++ = 'E';
    out = std::to_chars(out, text.data() + text.size() - 1, power).ptr;
  }
  *out = '\0';
  int code = 0;
  Platform::StrToReal(text.data(), x, code);
  return code == 0;
}

bool NextSet(std::span<const char> s, std::uint32_t& set, int& pos, int bits) {
  const int length = Strings::Length(s);
  set = 0;
  SkipBlanks(s, length, pos);
  const int start = pos;
  while (At(s, length, pos) == '0' || At(s, length, pos) == '1') ++pos;
  const int used = std::min(pos - start, bits);
  for (int i = 0; i < used; ++i) {
    if (At(s, length, start + i) == '1') set |= 1u << (used - 1 - i);
  }
  if (pos == start) return false;
  const char next = At(s, length, pos);
  return next == '\0' || next == ' ' || next == ',';
}

}  // namespace

std::array<char, 17> Magnitudes = kMagnitudes;

void InitModule() {
  Magnitudes = kMagnitudes;
  allowComma = true;
}

bool AllowComma(bool flag) {
  const bool previous = allowComma;
  allowComma = flag;
  return previous;
}

char GetMagnitudeUnit(int n) {
  if (n < -kUnitIndex || n > kUnitIndex) return '\0';
  return Magnitudes[static_cast<std::size_t>(n + kUnitIndex)];
}

bool NextNumber(std::span<const char> s, std::uint32_t& value, bool& positive, bool& overflow,
                int& pos, std::uint32_t max, bool isSigned) {
  const int length = Strings::Length(s);
  value = 0;
  positive = true;
  overflow = false;
  SkipBlanks(s, length, pos);
  const char sign = At(s, length, pos);
  if (sign == '+') {
    ++pos;
  } else if (sign == '-') {
    ++pos;
    positive = false;
    if (!isSigned) {
      overflow = true;
      return false;
    }
  }
  SkipBlanks(s, length, pos);

  std::uint64_t v = 0;
  bool digits = false;
  char c = At(s, length, pos);
  while (IsDigit(c)) {
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (v > max) {
      overflow = true;
      value = max;
      return false;
    }
    value = static_cast<std::uint32_t>(v);
    digits = true;
    c = At(s, length, ++pos);
  }
  if (!digits) return false;
  if (ClosesNumber(c)) return true;

  const int found = FindMagnitude(c, kUnitIndex);
  if (found < 0) return true;
  const int power = found - kUnitIndex;
  if (power > 0) ++pos;
  for (int i = 0; i < power; ++i) {
    v *= 1000;
    if (v > max) {
      overflow = true;
      value = max;
      return false;
    }
  }
  value = static_cast<std::uint32_t>(v);
  return true;
}

bool NextReal(std::span<const char> s, int& pos, int& end, bool engineering, double& x) {
  const int length = Strings::Length(s);
  end = length;
  SkipBlanks(s, length, pos);
  bool negative = false;
  const char sign = At(s, length, pos);
  if (sign == '+' || sign == '-') {
    negative = sign == '-';
    ++pos;
  }
  SkipBlanks(s, length, pos);
  const int start = pos;

  Mantissa m;
  int digitsRead = 0;
  ReadDigits(s, length, pos, m, digitsRead);
  const char point = At(s, length, pos);
  if (point == '.' || (point == ',' && allowComma)) {
    ++pos;
    m.fraction = true;
    ReadDigits(s, length, pos, m, digitsRead);
  }

  long long exponent = 0;
  bool exponentMissing = false;
  const char mark = At(s, length, pos);
  if (mark == 'E' || mark == 'e') {
    ++pos;
    if (digitsRead == 0) m.Add('1');  // 'E5' reads as 1E5
    bool negativeExponent = false;
    const char exponentSign = At(s, length, pos);
    if (exponentSign == '+' || exponentSign == '-') {
      negativeExponent = exponentSign == '-';
      ++pos;
    }
    int exponentDigits = 0;
    for (char c = At(s, length, pos); IsDigit(c); c = At(s, length, ++pos)) {
      if (exponent < kExponentCap) exponent = exponent * 10 + (c - '0');
      ++exponentDigits;
    }
    if (negativeExponent) exponent = -exponent;
    exponentMissing = exponentDigits == 0;
    digitsRead += exponentDigits;
  }

  if (digitsRead == 0 && pos == start) {
    if (MatchesWord(s, length, pos, "NAN")) {
      x = LongMath::NaN;
      pos += 3;
      return true;
    }
    if (MatchesWord(s, length, pos, "INF")) {
      x = LongMath::Inf;
      pos += 3;
      return true;
    }
  }

  int power = 0;
  if (engineering) {
    if (At(s, length, pos) == ' ') ++pos;
    char c = At(s, length, pos);
    if (c == 'u') c = kMicro;
    if (!ClosesNumber(c)) {
      const int found = FindMagnitude(c, 0);
      if (found >= 0) {
        ++pos;
        power = found - kUnitIndex;
      }
    }
  }

  if (digitsRead == 0) {
    x = 0.0;
    return false;
  }
  SkipBlanks(s, length, pos);
  // '1E' has no exponent: the mantissa is still converted, but the text failed.
  if (!Convert(negative, m, exponentMissing ? 0 : exponent, x) || exponentMissing) return false;
  const double converted = x;
  for (int i = 0; i < power; ++i) x *= 1000.0;
  for (int i = 0; i > power; --i) x *= 0.001;
  // A prefix can carry a value that converted fine out of the range of a double.
  return LongMath::IsValidNumber(x) && (x != 0.0 || converted == 0.0);
}

bool NextSet32(std::span<const char> s, std::uint32_t& set, int& pos) {
  return NextSet(s, set, pos, 32);
}

bool NextSet16(std::span<const char> s, std::uint16_t& set, int& pos) {
  std::uint32_t wide = 0;
  const bool ok = NextSet(s, wide, pos, 16);
  set = static_cast<std::uint16_t>(wide);
  return ok;
}

}  // namespace EncodeUt
