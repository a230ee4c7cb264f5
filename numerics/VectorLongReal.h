#pragma once

// Operations on vectors of double-precision reals: the operations of
// VectorReal (see there for their contracts) on doubles, without the float/
// double conversions. A nil address or a count <= 0 does nothing, a
// destination may be one of the sources, scalars are doubles.

#include <cstdint>

namespace VectorLongReal {

void Set(double* dst, int32_t count, double value);
void Copy(const double* src, double* dst, int32_t count);
void CopySkip(const double* src, double* dst, int32_t count, int32_t srcStride, int32_t dstStride);

void Scale(const double* src, double* dst, int32_t count, double factor, double offset);
void Offset(const double* src, double* dst, int32_t count, double offset);
void Negate(const double* src, double* dst, int32_t count);

void Compress(const double* src, double* dst, int32_t count, int32_t n, double factor, double offset);
void CompressAndAdd(const double* src, double* dst, int32_t count, int32_t n, double factor, double offset);
void Accumulate(const int16_t* src, const double* acc, double* dst, int32_t count);

double Sum(const double* src, int32_t count, bool validOnly);
double Mean(const double* src, int32_t count, bool validOnly);
double Variance(const double* src, int32_t count, double& mean);
double ScalarProduct(const double* a, const double* b, int32_t count);

void ScaleAndAdd(const double* a, const double* b, double* dst, int32_t count, double factor);
void Add(const double* a, const double* b, double* dst, int32_t count);
void Subtract(const double* a, const double* b, double* dst, int32_t count);
void Multiply(const double* a, const double* b, double* dst, int32_t count);
void Divide(const double* a, const double* b, double* dst, int32_t count);

void FromInt32(const int32_t* src, double* dst, int32_t count);
// Truncates towards zero; NaN gives 0, a value beyond the 32-bit range
// (infinities too) the nearest limit.
void ToInt32(const double* src, int32_t* dst, int32_t count);

void Limits(const double* src, int32_t count, double& min, double& max, int32_t& minIndex, int32_t& maxIndex,
            bool includeZeros);
void Clip(const double* src, double* dst, int32_t count, double low, double lowValue, int32_t& lowCount,
          double high, double highValue, int32_t& highCount);
int32_t Search(const double* src, int32_t count, double lower, double upper);
void Histogram(const double* src, int32_t count, double offset, double width, double* bins, int32_t binCount,
               int32_t& below, int32_t& above);

void ln(const double* src, double* dst, int32_t count);
void exp(const double* src, double* dst, int32_t count);
void sqrt(const double* src, double* dst, int32_t count);
void Inverse(const double* src, double* dst, int32_t count, double numerator);
void Power(const double* src, double* dst, int32_t count, double exponent);
void PowerInt(const double* src, double* dst, int32_t count, int32_t exponent);

void InsertSort(double* values, int32_t count);
void Correlate(const double* a, const double* b, double* result, int32_t count, bool circular);

}  // namespace VectorLongReal
