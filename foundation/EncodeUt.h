#pragma once

// The number scanners behind Encode and EncodeNext: integers with an SI
// suffix, reals with NAN/INF, exponent and SI prefix, and bit strings; and the
// prefix table that Decode writes with.
//
// Positions are 0-based indices into s; the text ends at its first NUL or at
// the end of the span. A position outside the text reads as the text's end.

#include <array>
#include <cstdint>
#include <span>

namespace EncodeUt {

// Prefix characters by power of 1000 from -8 to +8 ("yzafpn\xB5m kMGTPEZY"):
// index = power + 8, the blank stands for 10^0 and the byte 0xB5 for micro.
// Set before any InitModule, so that number texts work from the start.
extern std::array<char, 17> Magnitudes;

// Restores the prefix table and accepts the decimal comma again.
void InitModule();

// flag TRUE lets "," stand for the decimal point of a real as well as ".";
// answers the previous setting.
bool AllowComma(bool flag);

// The prefix character for the power of 1000 n (-8..8); '\0' outside.
char GetMagnitudeUnit(int n);

// Reads an integer from pos: blanks, an optional sign, blanks, digits, then
// one optional suffix (blank or k M G T P E Z Y, powers 0..8 of 1000).
// "," "." ";" and the end close the number without a suffix; any other
// character ends it where it stands. TRUE when digits were read and the
// value, suffix included, stays within max. On overflow: overflow := TRUE,
// value := max, FALSE, pos at the digit or behind the suffix that overflowed.
// A "-" into an unsigned reader sets overflow and fails at once, pos behind it.
bool NextNumber(std::span<const char> s, std::uint32_t& value, bool& positive, bool& overflow,
                int& pos, std::uint32_t max, bool isSigned);

// Reads a real from pos: blanks, sign, blanks, digits with a point (or comma,
// see AllowComma) and an exponent, or NAN / INF (any case, the sign ignored).
// With engineering one blank and then one prefix character may follow ("u"
// also means micro). Trailing blanks are skipped. TRUE when digits were read
// and the value is within the range of a double; end := Length(s).
bool NextReal(std::span<const char> s, int& pos, int& end, bool engineering, double& x);

// Reads a run of "0"/"1" from pos (after blanks); the last of its first 32
// (16) characters is element 0. TRUE when the run is not empty and is
// followed by the end, a blank or ",".
bool NextSet32(std::span<const char> s, std::uint32_t& set, int& pos);
bool NextSet16(std::span<const char> s, std::uint16_t& set, int& pos);

}  // namespace EncodeUt
