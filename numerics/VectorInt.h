// Operations on arrays of signed 16-bit AD/DA codes: copies, affine maps,
// arithmetic, statistics, histograms, compression and block checksums.
//
// A vector is the address of its first element and a count. A nil address or
// a count of 0 or less makes an operation do nothing (Limits and the
// checksums say their own rule). Element i of every source is read before
// element i of the destination is written, so a destination may be a source.
// 16-bit results keep their low 16 bits unless a saturate flag is given.
// Rounding is to nearest with halves away from zero, "trunc" towards zero.
//
// Reals become integers by one rule everywhere: NaN is 0, and a value beyond
// the 32-bit range (the infinities too) is the 32-bit limit of its sign;
// then the operation saturates or keeps the low 16 bits as it says.
#pragma once

#include <cstdint>

namespace VectorInt {

void Copy(const std::int16_t* src, std::int16_t* dst, std::int32_t count);
void Set(std::int16_t* dst, std::int32_t count, std::int16_t value);
// count elements, stride elements apart.
void SetSkip(std::int16_t* dst, std::int32_t count, std::int32_t stride, std::int16_t value);
// dst[k x dstStride] = src[k x srcStride], k = 0 .. count-1.
void CopySkip(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int32_t srcStride,
              std::int32_t dstStride);

// count div n outputs; output k = factor / n x (sum of inputs kn .. kn+n-1)
// + offset; a remainder of fewer than n inputs is ignored.
void Compress(const std::int16_t* src, float* dst, std::int32_t count, std::int32_t n, double factor,
              double offset);
// As Compress, adding to the outputs.
void CompressAndAdd(const std::int16_t* src, float* dst, std::int32_t count, std::int32_t n,
                    double factor, double offset);
// count div n outputs, each the mean of n inputs truncated; n = 1 copies.
void CompressInt(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int32_t n);

void Float(const std::int16_t* src, float* dst, std::int32_t count);
void LFloat(const std::int16_t* src, double* dst, std::int32_t count);
// dst = factor x (src + offset); codes at or beyond full scale (+-32767 after
// the offset) give exactly +-32767 x factor.
void FloatAndScale(const std::int16_t* src, float* dst, std::int32_t count, double factor,
                   std::int16_t offset);
// dst = round(factor x src + offset).
void ScaleAndRound(const float* src, std::int16_t* dst, std::int32_t count, double factor,
                   double offset, bool saturate);
void Round(const float* src, std::int16_t* dst, std::int32_t count);
void LRound(const double* src, std::int16_t* dst, std::int32_t count);
// 16-bit to 16-bit affine map: trunc(factor x src + offset); factor 1 and -1
// add round(offset) instead.
void Scale(const std::int16_t* src, std::int16_t* dst, std::int32_t count, double factor,
           double offset, bool saturate);
void Offset(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int16_t offset,
            bool saturate);
void Negate(const std::int16_t* src, std::int16_t* dst, std::int32_t count);
// dst = b + trunc(factor x a).
void ScaleAndAdd(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count,
                 double factor);
void Add(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count);
void Subtract(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count);
void And(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count);
void Or(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count);
// dst = ((src AND andMask) OR orMask) XOR xorMask.
void Mask(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::uint16_t andMask,
          std::uint16_t orMask, std::uint16_t xorMask);
// The 16-bit pattern shifted left by n, or right by -n with zeros entering.
void Shift(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int32_t n);
// The 32-bit product shifted right by n (zeros entering; negative n shifts left).
void Multiply(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count,
              std::int32_t n);
// (a as a 32-bit pattern shifted left by n; negative n shifts right with zeros
// entering) div b, truncated. A zero divisor gives the 16-bit limit of the
// dividend's sign (0 for a zero dividend).
void Divide(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count,
            std::int32_t n);
// dst = acc + src, 32-bit wrapping.
void AccumArray32(const std::int16_t* src, const std::int32_t* acc, std::int32_t* dst,
                  std::int32_t count);
// dst = src div divisor; divisor 0 gives 32767, |divisor| >= 32768 gives 0.
void DivArray32(const std::int32_t* src, std::int16_t* dst, std::int32_t count, std::int32_t divisor);

double Sum(const std::int16_t* src, std::int32_t count);
double Mean(const std::int16_t* src, std::int32_t count);
// Sample variance (divisor count - 1) with the mean stored; 0 and mean
// untouched for count <= 1.
double Variance(const std::int16_t* src, std::int32_t count, double& mean);
double ScalarProduct(const std::int16_t* a, const std::int16_t* b, std::int32_t count);
// Smallest and largest element with the index of their first occurrence;
// with includeZeros FALSE, elements equal to 0 are skipped. The indices are 0
// first; a nil or empty vector leaves min and max alone.
void Limits(const std::int16_t* src, std::int32_t count, std::int16_t& min, std::int16_t& max,
            std::int32_t& minIndex, std::int32_t& maxIndex, bool includeZeros);
// x <= low gives lowValue (lowCount + 1), x >= high gives highValue
// (highCount + 1), others are copied; low >= high gives lowValue everywhere
// and leaves the counters alone. The counters are not cleared first.
void Clip(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int16_t low,
          std::int16_t lowValue, std::int32_t& lowCount, std::int16_t high, std::int16_t highValue,
          std::int32_t& highCount);
// Index of the first element equal to key; -1 if none.
std::int32_t Search(const std::int16_t* src, std::int32_t count, std::int16_t key);
// bin k = (offset + x) div width, truncated towards zero; k < 0 counts below,
// k >= binCount above. Bins, below and above are cleared first.
void Histogram(const std::int16_t* src, std::int32_t count, std::int32_t offset, std::int32_t width,
               float* bins, std::int32_t binCount, std::int32_t& below, std::int32_t& above);
// Ascending and stable, in place.
void InsertSort(std::int16_t* values, std::int32_t count);

// Block checksums, 32-bit with wrap-around, nothing reduced or complemented;
// 0 for a byte count of 0 or less. Checksum8 sums the bytes as unsigned;
// Checksum16 the little-endian 16-bit words plus an odd last byte;
// Checksum32 the little-endian 32-bit words plus the 1 to 3 bytes left (as a
// byte, a 16-bit word, or a 16-bit word and a byte).
std::int32_t Checksum8(const void* address, std::int32_t byteCount);
std::int32_t Checksum16(const void* address, std::int32_t byteCount);
std::int32_t Checksum32(const void* address, std::int32_t byteCount);

}  // namespace VectorInt
