#include "numerics/VectorReal.h"

#include <cstring>

#include "numerics/RealVectorKernels.h"

namespace K = RealVectorKernels;

namespace VectorReal {

void Set(float* dst, int32_t count, double value) { K::Set(dst, count, value); }
void Copy(const float* src, float* dst, int32_t count) { K::Copy(src, dst, count); }
void CopySkip(const float* src, float* dst, int32_t count, int32_t srcStride, int32_t dstStride) {
  K::CopySkip(src, dst, count, srcStride, dstStride);
}
void Scale(const float* src, float* dst, int32_t count, double factor, double offset) {
  K::Scale(src, dst, count, factor, offset);
}
void Offset(const float* src, float* dst, int32_t count, double offset) {
  K::Offset(src, dst, count, offset);
}
void Negate(const float* src, float* dst, int32_t count) { K::Negate(src, dst, count); }
void Compress(const float* src, float* dst, int32_t count, int32_t n, double factor, double offset) {
  K::Compress(src, dst, count, n, factor, offset);
}
void CompressAndAdd(const float* src, float* dst, int32_t count, int32_t n, double factor, double offset) {
  K::CompressAndAdd(src, dst, count, n, factor, offset);
}
void Accumulate(const int16_t* src, const float* acc, float* dst, int32_t count) {
  K::Accumulate(src, acc, dst, count);
}
double Sum(const float* src, int32_t count, bool validOnly) { return K::Sum(src, count, validOnly); }
double Mean(const float* src, int32_t count, bool validOnly) { return K::Mean(src, count, validOnly); }
double Variance(const float* src, int32_t count, double& mean) { return K::Variance(src, count, mean); }
double ScalarProduct(const float* a, const float* b, int32_t count) { return K::ScalarProduct(a, b, count); }
void ScaleAndAdd(const float* a, const float* b, float* dst, int32_t count, double factor) {
  K::ScaleAndAdd(a, b, dst, count, factor);
}
void Add(const float* a, const float* b, float* dst, int32_t count) { K::Add(a, b, dst, count); }
void Subtract(const float* a, const float* b, float* dst, int32_t count) { K::Subtract(a, b, dst, count); }
void Multiply(const float* a, const float* b, float* dst, int32_t count) { K::Multiply(a, b, dst, count); }
void Divide(const float* a, const float* b, float* dst, int32_t count) { K::Divide(a, b, dst, count); }
void FromInt32(const int32_t* src, float* dst, int32_t count) { K::FromInt32(src, dst, count); }
void ToInt32(const float* src, int32_t* dst, int32_t count) { K::ToInt32(src, dst, count); }

// The overlaid storage is read and written through memcpy, whose byte
// accesses may alias anything, so the compiler keeps the order of the loop.
void ShortToLong(const float* src, double* dst, int32_t count) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  const auto* from = reinterpret_cast<const unsigned char*>(src);
  auto* to = reinterpret_cast<unsigned char*>(dst);
  for (int32_t i = count - 1; i >= 0; --i) {
    float x;
    std::memcpy(&x, from + i * sizeof(float), sizeof x);
    const double wide = x;
    std::memcpy(to + i * sizeof(double), &wide, sizeof wide);
  }
}

void LongToShort(const double* src, float* dst, int32_t count) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  const auto* from = reinterpret_cast<const unsigned char*>(src);
  auto* to = reinterpret_cast<unsigned char*>(dst);
  for (int32_t i = 0; i < count; ++i) {
    double x;
    std::memcpy(&x, from + i * sizeof(double), sizeof x);
    const float narrow = static_cast<float>(x);
    std::memcpy(to + i * sizeof(float), &narrow, sizeof narrow);
  }
}

void Limits(const float* src, int32_t count, double& min, double& max, int32_t& minIndex, int32_t& maxIndex,
            bool includeZeros) {
  K::Limits(src, count, min, max, minIndex, maxIndex, includeZeros);
}
void Clip(const float* src, float* dst, int32_t count, double low, double lowValue, int32_t& lowCount,
          double high, double highValue, int32_t& highCount) {
  K::Clip(src, dst, count, low, lowValue, lowCount, high, highValue, highCount);
}
int32_t Search(const float* src, int32_t count, double lower, double upper) {
  return K::Search(src, count, lower, upper);
}
void Histogram(const float* src, int32_t count, double offset, double width, float* bins, int32_t binCount,
               int32_t& below, int32_t& above) {
  K::Histogram(src, count, offset, width, bins, binCount, below, above);
}
void ln(const float* src, float* dst, int32_t count) { K::Ln(src, dst, count); }
void exp(const float* src, float* dst, int32_t count) { K::Exp(src, dst, count); }
void sqrt(const float* src, float* dst, int32_t count) { K::Sqrt(src, dst, count); }
void Inverse(const float* src, float* dst, int32_t count, double numerator) {
  K::Inverse(src, dst, count, numerator);
}
void Power(const float* src, float* dst, int32_t count, double exponent) {
  K::Power(src, dst, count, exponent);
}
void PowerInt(const float* src, float* dst, int32_t count, int32_t exponent) {
  K::PowerInt(src, dst, count, exponent);
}
void InsertSort(float* values, int32_t count) { K::InsertSort(values, count); }
void Correlate(const float* a, const float* b, float* result, int32_t count, bool circular) {
  K::Correlate(a, b, result, count, circular);
}

}  // namespace VectorReal
