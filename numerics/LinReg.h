#pragma once

// Straight-line regressions y = intercept + slope x by least squares, with
// the standard errors of slope and intercept and the coefficient of
// determination r2, on real or 16-bit data, with the abscissa given or
// implied (x = 0, 1, 2, ...), and on ln |y|. Fewer than two points give 0
// for every result; with exactly two the line is exact and the errors,
// divided by n - 2 = 0, mean nothing. Sums are taken in double.

#include <cstdint>

namespace LinReg {

// Regression over the points first .. first + count - 1 of x and y, but not
// beyond last. A negative first (or a nil array) returns at once, leaving
// every output untouched. When last < first + 2, count becomes 0; when
// the range runs past last, count becomes last - first + 1.
void RealXY(const float* x, const float* y, int32_t first, int32_t& count, int32_t last, double& slope,
            double& intercept, double& slopeError, double& interceptError, double& r2);
void IntXY(const int16_t* x, const int16_t* y, int32_t first, int32_t& count, int32_t last, double& slope,
           double& intercept, double& slopeError, double& interceptError, double& r2);
// Regression of ln |y| on x, points selected as in RealXY; points whose
// logarithm is not a valid number (y = 0, NaN, infinite) are left out.
void RealLnXY(const float* x, const float* y, int32_t first, int32_t& count, int32_t last, double& slope,
              double& intercept, double& slopeError, double& interceptError, double& r2);

// Regression of y[i] on x = i over i = 0 .. count - 1, count first cut to
// maxCount. RealY leaves out invalid ordinates.
void RealY(const float* y, int32_t& count, int32_t maxCount, double& slope, double& intercept,
           double& slopeError, double& interceptError, double& r2);
void IntY(const int16_t* y, int32_t& count, int32_t maxCount, double& slope, double& intercept,
          double& slopeError, double& interceptError, double& r2);
// Regression of ln |y[i]| on x = x0 + i, leaving out invalid logarithms.
void RealLnY(const float* y, int32_t& count, int32_t maxCount, double x0, double& slope, double& intercept,
             double& slopeError, double& interceptError, double& r2);

}  // namespace LinReg
