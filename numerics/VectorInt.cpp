#include "numerics/VectorInt.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

namespace VectorInt {

namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kMax16 = 32767.0;
constexpr double kMin16 = -32768.0;

// Sum and Variance add at most this many codes in 32-bit integers before the
// block is carried into the double total: 32,766 x 32,768 cannot overflow.
constexpr std::int32_t kSumBlock = 32766;

bool Empty(const void* p, std::int32_t count) { return p == nullptr || count <= 0; }

// Real to 32-bit integer towards zero, defined for every input.
std::int32_t Trunc32(double v) {
  if (std::isnan(v)) return 0;
  if (!(v < 2147483648.0)) return kInt32Max;
  if (!(v > -2147483649.0)) return kInt32Min;
  return static_cast<std::int32_t>(v);
}

// Real to nearest 32-bit integer, halves away from zero.
std::int32_t Round32(double v) { return Trunc32(std::round(v)); }

std::int16_t Low16(std::int64_t v) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(v)));
}

std::int16_t Clamp16(std::int64_t v) {
  if (v <= -32768) return -32768;
  if (v >= 32767) return 32767;
  return static_cast<std::int16_t>(v);
}

// The real-to-code rule shared by ScaleAndRound and Scale: with saturate,
// values at or beyond full scale are the full-scale code and the rest are
// converted; without it the converted value keeps its low 16 bits.
template <std::int32_t (*Convert)(double)>
std::int16_t ToCode(double v, bool saturate) {
  if (saturate) {
    if (v <= kMin16) return -32768;
    if (v >= kMax16) return 32767;
  }
  return Low16(Convert(v));
}

// The 32-bit pattern shifted left by n, or right by -n with zeros entering;
// a shift of 32 or more moves every bit out.
std::uint32_t ShiftBy(std::uint32_t v, std::int64_t n) {
  if (n >= 32 || n <= -32) return 0;
  return n >= 0 ? v << n : v >> -n;
}

std::int64_t BlockSum(const std::int16_t* src, std::int32_t count) {
  std::int64_t total = 0;
  for (std::int32_t start = 0; start < count; start += kSumBlock) {
    const std::int32_t end = count - start > kSumBlock ? start + kSumBlock : count;
    std::int32_t block = 0;
    for (std::int32_t i = start; i < end; ++i) block += src[i];
    total += block;
  }
  return total;
}

template <typename Op>
void EachOf(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count, Op op) {
  if (Empty(a, count) || b == nullptr || dst == nullptr) return;
  for (std::int32_t i = 0; i < count; ++i) dst[i] = op(a[i], b[i]);
}

template <typename Src, typename Op>
void Each(const Src* src, std::int16_t* dst, std::int32_t count, Op op) {
  if (Empty(src, count) || dst == nullptr) return;
  for (std::int32_t i = 0; i < count; ++i) dst[i] = op(src[i]);
}

void CompressInto(const std::int16_t* src, float* dst, std::int32_t count, std::int32_t n,
                  double factor, double offset, bool add) {
  if (Empty(src, count) || dst == nullptr || n <= 0 || count < n) return;
  const double perInput = factor / n;
  const std::int32_t outputs = count / n;
  for (std::int32_t k = 0; k < outputs; ++k) {
    std::int64_t sum = 0;
    const std::int16_t* group = src + static_cast<std::ptrdiff_t>(k) * n;
    for (std::int32_t i = 0; i < n; ++i) sum += group[i];
    const double value = perInput * static_cast<double>(sum) + offset;
    dst[k] = add ? static_cast<float>(dst[k] + value) : static_cast<float>(value);
  }
}

}  // namespace

void Copy(const std::int16_t* src, std::int16_t* dst, std::int32_t count) {
  if (Empty(src, count) || dst == nullptr || src == dst) return;
  std::memmove(dst, src, static_cast<std::size_t>(count) * sizeof(std::int16_t));
}

void Set(std::int16_t* dst, std::int32_t count, std::int16_t value) {
  if (Empty(dst, count)) return;
  for (std::int32_t i = 0; i < count; ++i) dst[i] = value;
}

void SetSkip(std::int16_t* dst, std::int32_t count, std::int32_t stride, std::int16_t value) {
  if (Empty(dst, count)) return;
  for (std::int32_t k = 0; k < count; ++k) dst[static_cast<std::ptrdiff_t>(k) * stride] = value;
}

void CopySkip(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int32_t srcStride,
              std::int32_t dstStride) {
  if (Empty(src, count) || dst == nullptr) return;
  for (std::int32_t k = 0; k < count; ++k) {
    dst[static_cast<std::ptrdiff_t>(k) * dstStride] = src[static_cast<std::ptrdiff_t>(k) * srcStride];
  }
}

void Compress(const std::int16_t* src, float* dst, std::int32_t count, std::int32_t n, double factor,
              double offset) {
  CompressInto(src, dst, count, n, factor, offset, false);
}

void CompressAndAdd(const std::int16_t* src, float* dst, std::int32_t count, std::int32_t n,
                    double factor, double offset) {
  CompressInto(src, dst, count, n, factor, offset, true);
}

void CompressInt(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int32_t n) {
  if (Empty(src, count) || dst == nullptr || n <= 0) return;
  if (n == 1) {
    Copy(src, dst, count);
    return;
  }
  const std::int32_t outputs = count / n;
  for (std::int32_t k = 0; k < outputs; ++k) {
    // The sum is wide enough for any n, so the mean is exact and in range.
    std::int64_t sum = 0;
    const std::int16_t* group = src + static_cast<std::ptrdiff_t>(k) * n;
    for (std::int32_t i = 0; i < n; ++i) sum += group[i];
    dst[k] = static_cast<std::int16_t>(sum / n);
  }
}

void Float(const std::int16_t* src, float* dst, std::int32_t count) {
  if (Empty(src, count) || dst == nullptr) return;
  for (std::int32_t i = 0; i < count; ++i) dst[i] = src[i];
}

void LFloat(const std::int16_t* src, double* dst, std::int32_t count) {
  if (Empty(src, count) || dst == nullptr) return;
  for (std::int32_t i = 0; i < count; ++i) dst[i] = src[i];
}

void FloatAndScale(const std::int16_t* src, float* dst, std::int32_t count, double factor,
                   std::int16_t offset) {
  if (Empty(src, count) || dst == nullptr) return;
  if (factor == 0.0) {
    for (std::int32_t i = 0; i < count; ++i) dst[i] = 0.0F;
    return;
  }
  const std::int32_t low = offset <= 0 ? -32767 - offset : -32767;
  const std::int32_t high = offset <= 0 ? 32767 : 32767 - offset;
  const auto lowValue = static_cast<float>(-32767.0 * factor);
  const auto highValue = static_cast<float>(32767.0 * factor);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t x = src[i];
    if (x <= low) {
      dst[i] = lowValue;
    } else if (x >= high) {
      dst[i] = highValue;
    } else {
      dst[i] = static_cast<float>(factor * (x + offset));
    }
  }
}

void ScaleAndRound(const float* src, std::int16_t* dst, std::int32_t count, double factor,
                   double offset, bool saturate) {
  if (factor == 0.0) {
    const std::int16_t code = ToCode<Round32>(offset, saturate);
    Each(src, dst, count, [code](float) { return code; });
    return;
  }
  Each(src, dst, count,
       [=](float x) { return ToCode<Round32>(factor * x + offset, saturate); });
}

void Round(const float* src, std::int16_t* dst, std::int32_t count) {
  Each(src, dst, count, [](float x) { return Low16(Round32(x)); });
}

void LRound(const double* src, std::int16_t* dst, std::int32_t count) {
  Each(src, dst, count, [](double x) { return Low16(Round32(x)); });
}

void Scale(const std::int16_t* src, std::int16_t* dst, std::int32_t count, double factor,
           double offset, bool saturate) {
  const std::int64_t o = Round32(offset);
  if (factor == 0.0) {
    const std::int16_t code = saturate ? Clamp16(o) : Low16(o);
    Each(src, dst, count, [code](std::int16_t) { return code; });
  } else if (saturate) {
    Each(src, dst, count,
         [=](std::int16_t x) { return ToCode<Trunc32>(factor * x + offset, true); });
  } else if (factor == 1.0) {
    Each(src, dst, count, [o](std::int16_t x) { return Low16(x + o); });
  } else if (factor == -1.0) {
    Each(src, dst, count, [o](std::int16_t x) { return Low16(o - x); });
  } else {
    // A fraction of an offset that rounds to 0 is dropped, as the unscaled
    // path adds only the rounded offset.
    const double added = o == 0 ? 0.0 : offset;
    Each(src, dst, count, [=](std::int16_t x) { return Low16(Trunc32(factor * x + added)); });
  }
}

void Offset(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int16_t offset,
            bool saturate) {
  if (offset == 0) {
    Copy(src, dst, count);
    return;
  }
  if (saturate) {
    Each(src, dst, count, [offset](std::int16_t x) { return Clamp16(x + offset); });
  } else {
    Each(src, dst, count, [offset](std::int16_t x) { return Low16(x + offset); });
  }
}

void Negate(const std::int16_t* src, std::int16_t* dst, std::int32_t count) {
  Each(src, dst, count, [](std::int16_t x) { return Low16(-static_cast<std::int32_t>(x)); });
}

void ScaleAndAdd(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count,
                 double factor) {
  EachOf(a, b, dst, count, [factor](std::int16_t x, std::int16_t y) {
    return Low16(static_cast<std::int64_t>(y) + Trunc32(factor * x));
  });
}

void Add(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count) {
  EachOf(a, b, dst, count, [](std::int16_t x, std::int16_t y) { return Low16(x + y); });
}

void Subtract(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count) {
  EachOf(a, b, dst, count, [](std::int16_t x, std::int16_t y) { return Low16(x - y); });
}

void And(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count) {
  EachOf(a, b, dst, count,
         [](std::int16_t x, std::int16_t y) { return static_cast<std::int16_t>(x & y); });
}

void Or(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count) {
  EachOf(a, b, dst, count,
         [](std::int16_t x, std::int16_t y) { return static_cast<std::int16_t>(x | y); });
}

void Mask(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::uint16_t andMask,
          std::uint16_t orMask, std::uint16_t xorMask) {
  Each(src, dst, count, [=](std::int16_t x) {
    return Low16(((static_cast<std::uint16_t>(x) & andMask) | orMask) ^ xorMask);
  });
}

void Shift(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int32_t n) {
  if (n == 0) {
    Copy(src, dst, count);
    return;
  }
  Each(src, dst, count, [n](std::int16_t x) {
    return Low16(ShiftBy(static_cast<std::uint16_t>(x), n));
  });
}

void Multiply(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count,
              std::int32_t n) {
  EachOf(a, b, dst, count, [n](std::int16_t x, std::int16_t y) {
    const auto product = static_cast<std::uint32_t>(static_cast<std::int32_t>(x) * y);
    return Low16(ShiftBy(product, -static_cast<std::int64_t>(n)));
  });
}

void Divide(const std::int16_t* a, const std::int16_t* b, std::int16_t* dst, std::int32_t count,
            std::int32_t n) {
  EachOf(a, b, dst, count, [n](std::int16_t x, std::int16_t y) -> std::int16_t {
    const auto dividend = static_cast<std::int32_t>(ShiftBy(static_cast<std::uint32_t>(x), n));
    if (y == 0) return dividend > 0 ? 32767 : (dividend < 0 ? -32768 : 0);
    return Low16(static_cast<std::int64_t>(dividend) / y);
  });
}

void AccumArray32(const std::int16_t* src, const std::int32_t* acc, std::int32_t* dst,
                  std::int32_t count) {
  if (Empty(src, count) || acc == nullptr || dst == nullptr) return;
  for (std::int32_t i = 0; i < count; ++i) {
    dst[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(acc[i]) +
                                       static_cast<std::uint32_t>(static_cast<std::int32_t>(src[i])));
  }
}

void DivArray32(const std::int32_t* src, std::int16_t* dst, std::int32_t count, std::int32_t divisor) {
  if (Empty(src, count) || dst == nullptr) return;
  const std::int64_t d = divisor;
  if (d == 0 || d >= 32768 || d <= -32768) {
    const std::int16_t fill = d == 0 ? 32767 : 0;
    for (std::int32_t i = 0; i < count; ++i) dst[i] = fill;
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) dst[i] = Low16(src[i] / d);
}

double Sum(const std::int16_t* src, std::int32_t count) {
  if (Empty(src, count)) return 0.0;
  return static_cast<double>(BlockSum(src, count));
}

double Mean(const std::int16_t* src, std::int32_t count) {
  if (Empty(src, count)) return 0.0;
  return Sum(src, count) / count;
}

double Variance(const std::int16_t* src, std::int32_t count, double& mean) {
  if (Empty(src, count) || count <= 1) return 0.0;
  std::int64_t s1 = 0;
  double s2 = 0.0;
  for (std::int32_t start = 0; start < count; start += kSumBlock) {
    const std::int32_t end = count - start > kSumBlock ? start + kSumBlock : count;
    std::int32_t block = 0;
    std::int64_t squares = 0;
    for (std::int32_t i = start; i < end; ++i) {
      const std::int32_t x = src[i];
      block += x;
      squares += x * x;
    }
    s1 += block;
    s2 += static_cast<double>(squares);
  }
  const auto sum = static_cast<double>(s1);
  mean = sum / count;
  return (s2 - sum * (sum / count)) / (count - 1);
}

double ScalarProduct(const std::int16_t* a, const std::int16_t* b, std::int32_t count) {
  if (Empty(a, count) || b == nullptr) return 0.0;
  std::int64_t sum = 0;
  for (std::int32_t i = 0; i < count; ++i) sum += static_cast<std::int32_t>(a[i]) * b[i];
  return static_cast<double>(sum);
}

void Limits(const std::int16_t* src, std::int32_t count, std::int16_t& min, std::int16_t& max,
            std::int32_t& minIndex, std::int32_t& maxIndex, bool includeZeros) {
  minIndex = 0;
  maxIndex = 0;
  if (Empty(src, count)) return;
  min = src[0];
  max = src[0];
  std::int32_t first = 0;
  if (!includeZeros) {
    while (first < count && src[first] == 0) ++first;
    if (first == count) return;
    min = src[first];
    max = src[first];
    minIndex = first;
    maxIndex = first;
  }
  for (std::int32_t i = first + 1; i < count; ++i) {
    const std::int16_t x = src[i];
    if (!includeZeros && x == 0) continue;
    if (x < min) {
      min = x;
      minIndex = i;
    } else if (x > max) {
      max = x;
      maxIndex = i;
    }
  }
}

void Clip(const std::int16_t* src, std::int16_t* dst, std::int32_t count, std::int16_t low,
          std::int16_t lowValue, std::int32_t& lowCount, std::int16_t high, std::int16_t highValue,
          std::int32_t& highCount) {
  if (Empty(src, count) || dst == nullptr) return;
  if (low >= high) {
    Set(dst, count, lowValue);
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int16_t x = src[i];
    if (x <= low) {
      dst[i] = lowValue;
      ++lowCount;
    } else if (x < high) {
      dst[i] = x;
    } else {
      dst[i] = highValue;
      ++highCount;
    }
  }
}

std::int32_t Search(const std::int16_t* src, std::int32_t count, std::int16_t key) {
  if (Empty(src, count)) return -1;
  for (std::int32_t i = 0; i < count; ++i) {
    if (src[i] == key) return i;
  }
  return -1;
}

void Histogram(const std::int16_t* src, std::int32_t count, std::int32_t offset, std::int32_t width,
               float* bins, std::int32_t binCount, std::int32_t& below, std::int32_t& above) {
  if (Empty(src, count) || bins == nullptr || binCount <= 0 || width <= 0) return;
  below = 0;
  above = 0;
  // The bins hold 32-bit counts while the scan runs, so that counts beyond
  // 2^24 stay exact; they become reals at the end.
  const std::int32_t zero = 0;
  for (std::int32_t k = 0; k < binCount; ++k) std::memcpy(&bins[k], &zero, sizeof zero);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int64_t k = (static_cast<std::int64_t>(offset) + src[i]) / width;
    if (k < 0) {
      ++below;
    } else if (k >= binCount) {
      ++above;
    } else {
      std::int32_t n;
      std::memcpy(&n, &bins[k], sizeof n);
      ++n;
      std::memcpy(&bins[k], &n, sizeof n);
    }
  }
  for (std::int32_t k = 0; k < binCount; ++k) {
    std::int32_t n;
    std::memcpy(&n, &bins[k], sizeof n);
    bins[k] = static_cast<float>(n);
  }
}

void InsertSort(std::int16_t* values, std::int32_t count) {
  if (Empty(values, count) || count <= 1) return;
  for (std::int32_t i = 1; i < count; ++i) {
    const std::int16_t x = values[i];
    std::int32_t j = i;
    while (j > 0 && values[j - 1] > x) {
      values[j] = values[j - 1];
      --j;
    }
    values[j] = x;
  }
}

std::int32_t Checksum8(const void* address, std::int32_t byteCount) {
  if (address == nullptr || byteCount <= 0) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(address);
  std::uint32_t sum = 0;
  for (std::int32_t i = 0; i < byteCount; ++i) sum += bytes[i];
  return static_cast<std::int32_t>(sum);
}

namespace {

std::uint32_t Word16At(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t Word32At(const std::uint8_t* p) {
  return Word16At(p) | Word16At(p + 2) << 16;
}

}  // namespace

std::int32_t Checksum16(const void* address, std::int32_t byteCount) {
  if (address == nullptr || byteCount <= 0) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(address);
  std::uint32_t sum = 0;
  const std::int32_t words = byteCount / 2;
  for (std::int32_t i = 0; i < words; ++i) sum += Word16At(bytes + 2 * static_cast<std::ptrdiff_t>(i));
  if (byteCount % 2 != 0) sum += bytes[byteCount - 1];
  return static_cast<std::int32_t>(sum);
}

std::int32_t Checksum32(const void* address, std::int32_t byteCount) {
  if (address == nullptr || byteCount <= 0) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(address);
  std::uint32_t sum = 0;
  const std::int32_t words = byteCount / 4;
  for (std::int32_t i = 0; i < words; ++i) sum += Word32At(bytes + 4 * static_cast<std::ptrdiff_t>(i));
  const std::uint8_t* tail = bytes + 4 * static_cast<std::ptrdiff_t>(words);
  switch (byteCount % 4) {
    case 1: sum += tail[0]; break;
    case 2: sum += Word16At(tail); break;
    case 3: sum += Word16At(tail) + tail[2]; break;
    default: break;
  }
  return static_cast<std::int32_t>(sum);
}

}  // namespace VectorInt
