#pragma once

// Operations on vectors of single-precision reals: scaling, block averaging,
// statistics, element-wise arithmetic, limits, clipping, histograms,
// elementary functions and sorting. VectorLongReal has the same operations on
// doubles.
//
// A vector is the address of its first element and a count. A nil address or
// a count <= 0 makes an operation do nothing (functions then return 0, Search
// -1). Element i of every source is read before element i of the destination
// is written, so a destination may be one of the sources. Sums, means,
// variances and scalar products accumulate in double; scalars are doubles.
// An element is valid when it is neither NaN nor infinite.

#include <cstdint>

namespace VectorReal {

void Set(float* dst, int32_t count, double value);
// Overlapping vectors are allowed.
void Copy(const float* src, float* dst, int32_t count);
// dst[k x dstStride] = src[k x srcStride], k = 0 .. count - 1.
void CopySkip(const float* src, float* dst, int32_t count, int32_t srcStride, int32_t dstStride);

// dst = factor x src + offset (factor 0 sets every element to offset).
void Scale(const float* src, float* dst, int32_t count, double factor, double offset);
void Offset(const float* src, float* dst, int32_t count, double offset);
// Flips the sign bit: 0.0 becomes -0.0.
void Negate(const float* src, float* dst, int32_t count);

// Block averages: output k = factor / n x (sum of inputs k n .. k n + n - 1)
// + offset. Only when n > 0 and count is a non-zero multiple of n.
void Compress(const float* src, float* dst, int32_t count, int32_t n, double factor, double offset);
// As Compress, adding each result to the output.
void CompressAndAdd(const float* src, float* dst, int32_t count, int32_t n, double factor, double offset);
// dst = acc + src: adds 16-bit codes into reals.
void Accumulate(const int16_t* src, const float* acc, float* dst, int32_t count);

// validOnly skips invalid elements.
double Sum(const float* src, int32_t count, bool validOnly);
// Sum over the number of elements counted; when validOnly finds no valid
// element the mean is LongMath::NaN.
double Mean(const float* src, int32_t count, bool validOnly);
// Sample variance (divisor count - 1), never negative (NaN stays NaN); the
// mean goes to mean. For count <= 1: 0, and mean is left untouched.
double Variance(const float* src, int32_t count, double& mean);
double ScalarProduct(const float* a, const float* b, int32_t count);

// dst = b + factor x a.
void ScaleAndAdd(const float* a, const float* b, float* dst, int32_t count, double factor);
void Add(const float* a, const float* b, float* dst, int32_t count);
void Subtract(const float* a, const float* b, float* dst, int32_t count);
void Multiply(const float* a, const float* b, float* dst, int32_t count);
void Divide(const float* a, const float* b, float* dst, int32_t count);

void FromInt32(const int32_t* src, float* dst, int32_t count);
// Truncates towards zero; NaN gives 0, a value beyond the 32-bit range
// (infinities too) the nearest limit.
void ToInt32(const float* src, int32_t* dst, int32_t count);
// Widens from the last element to the first, so the doubles may overlay the
// floats' storage from its start.
void ShortToLong(const float* src, double* dst, int32_t count);
// Narrows from the first element on; in place is allowed.
void LongToShort(const double* src, float* dst, int32_t count);

// Smallest and largest valid element (without includeZeros: valid and not 0)
// with their indices; the first occurrence wins. The indices are always set
// (0 when nothing counts); min and max become element 0 when no element
// counts, and stay untouched for a nil or empty vector.
void Limits(const float* src, int32_t count, double& min, double& max, int32_t& minIndex, int32_t& maxIndex,
            bool includeZeros);
// x <= low gives lowValue and counts in lowCount, x >= high gives highValue
// and counts in highCount, else x; the counters are not cleared first. With
// low >= high every output is lowValue and nothing is counted.
void Clip(const float* src, float* dst, int32_t count, double low, double lowValue, int32_t& lowCount,
          double high, double highValue, int32_t& highCount);
// Index of the first element with lower <= x <= upper; -1 if none.
int32_t Search(const float* src, int32_t count, double lower, double upper);
// Clears below, above and the bins, then counts each element into bin
// trunc((offset + x) / width), or into below (bin < 0) or above (bin >=
// binCount); -width < offset + x < 0 lands in bin 0 and NaN nowhere. Nothing
// for a nil bins, binCount <= 0 or width <= 0.
void Histogram(const float* src, int32_t count, double offset, double width, float* bins, int32_t binCount,
               int32_t& below, int32_t& above);

// Element-wise natural logarithm, exponential and square root, in double.
void ln(const float* src, float* dst, int32_t count);
void exp(const float* src, float* dst, int32_t count);
void sqrt(const float* src, float* dst, int32_t count);
// dst = numerator / src.
void Inverse(const float* src, float* dst, int32_t count, double numerator);
// dst = pow(src, exponent); exponent 0 gives 1 everywhere.
void Power(const float* src, float* dst, int32_t count, double exponent);
void PowerInt(const float* src, float* dst, int32_t count, int32_t exponent);

// Ascending and stable, in place.
void InsertSort(float* values, int32_t count);
// result[i] = sum over j of a[j] x b[j + i] for j + i < count, or over every
// j with b's index taken mod count when circular. result must not overlay a
// or b.
void Correlate(const float* a, const float* b, float* result, int32_t count, bool circular);

}  // namespace VectorReal
