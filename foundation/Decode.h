#pragma once

// Numbers as text. Each procedure appends the text of one number at the end
// of s (its first NUL); a full s (no NUL) is left unchanged.
//
// With a width > 0 the text stands right-aligned in a field of width
// characters, padded with blanks. A number whose digits do not fit is shown
// as an overflow field instead: a blank and width - 1 "*" (width >= 3), else
// width "*"; its last "*" stays before the last character of s, and a NUL
// follows.
//
// Reals: a width above H (s.size() - 1) is cut to H; the text is padded to
// the width and appended whole, cut only by the capacity of s (at most H
// characters and a NUL). NaN is written "NAN", either infinity "INF".

#include <cstdint>
#include <span>

namespace Decode {

// Width <= 0: the shortest text; when it does not fit the rest of s, the rest
// (behind a "-" if there is room for one) becomes an overflow field.
// Width > 0: a field that ends past the end of s appends nothing; a field
// that ends exactly at the end of s fills it without NUL.
void Integer(std::int32_t v, std::span<char> s, int width);
void Cardinal(std::uint32_t v, std::span<char> s, int width);

// Upper-case digits, no prefix; width <= 0 appends nothing, otherwise as
// Integer with a width > 0.
void Hexadecimal(std::uint32_t v, std::span<char> s, int width);
void Octal(std::uint32_t v, std::span<char> s, int width);

// "0"/"1" per element, element 0 rightmost. Width <= 0: from the highest
// element present below bits ("0" for the empty set); width > 0: all bits elements, an
// overflow field when width < bits. A field that ends exactly at the end of
// s fills it without NUL; one that ends beyond it becomes an overflow field
// cut at the end of s. bits outside 1..32 (1..16) mean 32 (16).
void Set32(std::uint32_t set, std::span<char> s, int width, int bits);
void Set16(std::uint16_t set, std::span<char> s, int width, int bits);

// width - 6 significant digits as "d.dddE+xx"; width <= 6 gives "***".
void Scientific(double x, std::span<char> s, int width);

// decimals after the point; "***" when decimals < 0 or width < decimals + 2.
// Beyond 9.999999999999995e31, and when the text does not fit the width, the
// value is written as Scientific (with the width cut to 12 in the latter
// case).
void Fixed(double x, std::span<char> s, int width, int decimals);

// width - 3 significant digits with the point placed for a power of 1000 and
// its SI prefix character in place of the exponent ("12.345k", " 1.5000 " for
// 10^0). Beyond the prefixes y..Y the exponent form stays. width <= 5 gives
// "***".
void Engineering(double x, std::span<char> s, int width);

}  // namespace Decode
