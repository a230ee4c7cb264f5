#pragma once

// Reads one number that makes up a whole text (dialog fields, configuration
// values). Every reader starts at position 0 and answers -1 on success,
// otherwise the position where reading stopped; callers test for a negative
// result.
//
// Integer, Cardinal and the sets succeed as soon as digits were read,
// whatever follows (see EncodeNext); Real and Engineering need the whole text
// (trailing blanks allowed); Hexadecimal and Octal stop at the first
// character that is not a digit of their base.

#include <cstdint>
#include <span>

namespace Encode {

// On overflow v is 2,147,483,647 or -2,147,483,648 by the sign; the magnitude
// is limited to 2,147,483,647, so '-2147483648' fails.
int Integer(std::span<const char> s, std::int32_t& v);
// A "-" fails at the position behind it.
int Cardinal(std::span<const char> s, std::uint32_t& v);
// Leading blanks, then digits up to the end; an empty or blank text gives
// v = 0 and -1. Hexadecimal digits may be of either case; once v is above
// 0x0FFFFFFF any further character gives v = 0xFFFFFFFF and its position.
int Hexadecimal(std::span<const char> s, std::uint32_t& v);
// An octal digit that would carry v beyond 32 bits gives v = 0xFFFFFFFF and
// its position.
int Octal(std::span<const char> s, std::uint32_t& v);
int Set16(std::span<const char> s, std::uint16_t& set);
int Set32(std::span<const char> s, std::uint32_t& set);
// Without prefixes.
int Real(std::span<const char> s, double& x);
// With an SI prefix, "1.5 k" or "1.5k"; 'E' right behind the digits is an
// exponent mark, so exa needs the blank: "1.5 E".
int Engineering(std::span<const char> s, double& x);

}  // namespace Encode
