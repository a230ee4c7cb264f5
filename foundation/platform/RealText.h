// Text to real and real to text through the C library's conversions.
#pragma once

#include <span>

namespace Platform {

// value := strtod(text). code: 0 ok; 1 out of range (value is then the
// library's HUGE_VAL or underflow result); 2 characters left after the
// number; 3 nil or empty text (value unchanged).
void StrToReal(const char* text, double& value, int& code);

// x as printf "%.*E" with precision digits - 1, and as "%.*f" with
// precision decimals. The whole text is formed whatever its length; at most
// text.size() characters of it are stored and the rest of the destination
// is filled with NULs (no NUL when the text fills the destination).
void RealToFloat(double x, int digits, std::span<char> text);
void RealToFixed(double x, int decimals, std::span<char> text);

}  // namespace Platform
