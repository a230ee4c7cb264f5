// Scalar real functions: powers with defined corner cases, degree/radian
// conversion, and NaN/infinity tests made on the bit pattern so that they
// hold whatever the floating-point environment does.
#pragma once

#include <cstdint>

namespace LongMath {

// Special values; InitModule sets them (they also start out set).
extern double NaN;                  // bit pattern 0x7FFF000000000000
extern double Inf;                  // bit pattern 0x7FF0000000000000
extern std::uint32_t NaN_Short;     // single-precision NaN 0x7FF80000

void InitModule();

// 1 when exponent is 0 (even for a zero or NaN base); else pow(base, exponent).
double power(double base, double exponent);
// 1 when n is 0; 0 for a zero or NaN base; a negative base gives
// pow(|base|, n) negated for odd n.
double powerI(double base, int n);

double DegToRad(double degrees);
double RadToDeg(double radians);

// FALSE for NaN and both infinities.
bool IsValidNumber(double x);
bool IsNaN(double x);
// TRUE for either infinity.
bool IsInf(double x);
bool IsEven(int n);

}  // namespace LongMath
