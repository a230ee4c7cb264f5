#pragma once

// In-place radix-2 complex FFT on two separate single-precision arrays (real
// parts and imaginary parts), without scaling: a forward and then a reverse
// transform give n times the input. The twiddle factors come from a
// double-precision recurrence (two sine calls per stage); each product of a
// twiddle factor and a data point is formed in double precision and rounded
// to single. No tables, no allocation.

#include <cstdint>

namespace FFTReal {

// X[k] = sum over j of x[j] e^(-2 pi i jk / n) over re[0 .. n - 1] and
// im[0 .. n - 1]. FALSE, with the arrays untouched, for a nil array, arrays
// that overlap, or an n that is not a power of two (1, 2, 4, ...).
bool Forward(std::int32_t n, float* re, float* im);

// The same with e^(+2 pi i jk / n).
bool Reverse(std::int32_t n, float* re, float* im);

}  // namespace FFTReal
