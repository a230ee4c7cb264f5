#include "numerics/VectorLongReal.h"

#include "numerics/RealVectorKernels.h"

namespace K = RealVectorKernels;

namespace VectorLongReal {

void Set(double* dst, int32_t count, double value) { K::Set(dst, count, value); }
void Copy(const double* src, double* dst, int32_t count) { K::Copy(src, dst, count); }
void CopySkip(const double* src, double* dst, int32_t count, int32_t srcStride, int32_t dstStride) {
  K::CopySkip(src, dst, count, srcStride, dstStride);
}
void Scale(const double* src, double* dst, int32_t count, double factor, double offset) {
  K::Scale(src, dst, count, factor, offset);
}
void Offset(const double* src, double* dst, int32_t count, double offset) {
  K::Offset(src, dst, count, offset);
}
void Negate(const double* src, double* dst, int32_t count) { K::Negate(src, dst, count); }
void Compress(const double* src, double* dst, int32_t count, int32_t n, double factor, double offset) {
  K::Compress(src, dst, count, n, factor, offset);
}
void CompressAndAdd(const double* src, double* dst, int32_t count, int32_t n, double factor, double offset) {
  K::CompressAndAdd(src, dst, count, n, factor, offset);
}
void Accumulate(const int16_t* src, const double* acc, double* dst, int32_t count) {
  K::Accumulate(src, acc, dst, count);
}
double Sum(const double* src, int32_t count, bool validOnly) { return K::Sum(src, count, validOnly); }
double Mean(const double* src, int32_t count, bool validOnly) { return K::Mean(src, count, validOnly); }
double Variance(const double* src, int32_t count, double& mean) { return K::Variance(src, count, mean); }
double ScalarProduct(const double* a, const double* b, int32_t count) {
  return K::ScalarProduct(a, b, count);
}
void ScaleAndAdd(const double* a, const double* b, double* dst, int32_t count, double factor) {
  K::ScaleAndAdd(a, b, dst, count, factor);
}
void Add(const double* a, const double* b, double* dst, int32_t count) { K::Add(a, b, dst, count); }
void Subtract(const double* a, const double* b, double* dst, int32_t count) { K::Subtract(a, b, dst, count); }
void Multiply(const double* a, const double* b, double* dst, int32_t count) { K::Multiply(a, b, dst, count); }
void Divide(const double* a, const double* b, double* dst, int32_t count) { K::Divide(a, b, dst, count); }
void FromInt32(const int32_t* src, double* dst, int32_t count) { K::FromInt32(src, dst, count); }
void ToInt32(const double* src, int32_t* dst, int32_t count) { K::ToInt32(src, dst, count); }
void Limits(const double* src, int32_t count, double& min, double& max, int32_t& minIndex, int32_t& maxIndex,
            bool includeZeros) {
  K::Limits(src, count, min, max, minIndex, maxIndex, includeZeros);
}
void Clip(const double* src, double* dst, int32_t count, double low, double lowValue, int32_t& lowCount,
          double high, double highValue, int32_t& highCount) {
  K::Clip(src, dst, count, low, lowValue, lowCount, high, highValue, highCount);
}
int32_t Search(const double* src, int32_t count, double lower, double upper) {
  return K::Search(src, count, lower, upper);
}
void Histogram(const double* src, int32_t count, double offset, double width, double* bins, int32_t binCount,
               int32_t& below, int32_t& above) {
  K::Histogram(src, count, offset, width, bins, binCount, below, above);
}
void ln(const double* src, double* dst, int32_t count) { K::Ln(src, dst, count); }
void exp(const double* src, double* dst, int32_t count) { K::Exp(src, dst, count); }
void sqrt(const double* src, double* dst, int32_t count) { K::Sqrt(src, dst, count); }
void Inverse(const double* src, double* dst, int32_t count, double numerator) {
  K::Inverse(src, dst, count, numerator);
}
void Power(const double* src, double* dst, int32_t count, double exponent) {
  K::Power(src, dst, count, exponent);
}
void PowerInt(const double* src, double* dst, int32_t count, int32_t exponent) {
  K::PowerInt(src, dst, count, exponent);
}
void InsertSort(double* values, int32_t count) { K::InsertSort(values, count); }
void Correlate(const double* a, const double* b, double* result, int32_t count, bool circular) {
  K::Correlate(a, b, result, count, circular);
}

}  // namespace VectorLongReal
