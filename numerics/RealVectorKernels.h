// The loops behind VectorReal (float) and VectorLongReal (double): one
// template per operation, so the two modules cannot drift apart. Only the two
// module sources include this; callers use the modules' headers.
//
// Every operation returns at once for a nil address or a count <= 0, and
// reads element i of each source before writing element i of the
// destination, so a destination may be one of its sources. Scalars arrive as
// doubles and the arithmetic on them is done in double.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "numerics/LongMath.h"

namespace RealVectorKernels {

// Double sums run in this many independent partial sums: it breaks the
// add-latency chain and lets the compiler keep them in vector registers.
inline constexpr int32_t Lanes = 8;

// Sum of term(i) for i in [0, count), in double, in Lanes partial sums.
template <typename Term>
double LaneSum(int32_t count, Term term) {
  double part[Lanes] = {};
  int32_t i = 0;
  for (; i + Lanes <= count; i += Lanes) {
    for (int32_t l = 0; l < Lanes; ++l) part[l] += term(i + l);
  }
  for (; i < count; ++i) part[0] += term(i);
  double sum = 0.0;
  for (double p : part) sum += p;
  return sum;
}

template <typename T>
bool Valid(T x) {
  return LongMath::IsValidNumber(static_cast<double>(x));
}

template <typename T>
void Set(T* dst, int32_t count, double value) {
  if (dst == nullptr || count <= 0) return;
  std::fill(dst, dst + count, static_cast<T>(value));
}

template <typename T>
void Copy(const T* src, T* dst, int32_t count) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  std::memmove(dst, src, static_cast<std::size_t>(count) * sizeof(T));
}

template <typename T>
void CopySkip(const T* src, T* dst, int32_t count, int32_t srcStride, int32_t dstStride) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t k = 0; k < count; ++k) {
    dst[static_cast<std::ptrdiff_t>(k) * dstStride] = src[static_cast<std::ptrdiff_t>(k) * srcStride];
  }
}

template <typename T>
void Negate(const T* src, T* dst, int32_t count) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = -src[i];
}

template <typename T>
void Offset(const T* src, T* dst, int32_t count, double offset) {
  if (offset == 0.0) return Copy(src, dst, count);
  if (src == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = static_cast<T>(src[i] + offset);
}

template <typename T>
void Scale(const T* src, T* dst, int32_t count, double factor, double offset) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  if (factor == 0.0) return Set(dst, count, offset);
  if (factor == 1.0) return Offset(src, dst, count, offset);
  if (factor == -1.0) {
    if (offset == 0.0) return Negate(src, dst, count);
    for (int32_t i = 0; i < count; ++i) dst[i] = static_cast<T>(offset - src[i]);
    return;
  }
  for (int32_t i = 0; i < count; ++i) dst[i] = static_cast<T>(factor * src[i] + offset);
}

// Block k of n inputs (the caller has checked count) into output k; output k
// is written after its block is read and k <= k x n, so in place is safe.
template <typename T, bool Add>
void CompressBlocks(const T* src, T* dst, int32_t count, int32_t n, double factor, double offset) {
  const double perInput = factor / n;
  const int32_t blocks = count / n;
  for (int32_t k = 0; k < blocks; ++k) {
    const T* block = src + static_cast<std::ptrdiff_t>(k) * n;
    double sum = 0.0;
    for (int32_t j = 0; j < n; ++j) sum += block[j];
    const double value = perInput * sum + offset;
    dst[k] = Add ? static_cast<T>(dst[k] + value) : static_cast<T>(value);
  }
}

template <typename T>
void Compress(const T* src, T* dst, int32_t count, int32_t n, double factor, double offset) {
  if (src == nullptr || dst == nullptr || n <= 0 || count < n || count % n != 0) return;
  if (n == 1) return Scale(src, dst, count, factor, offset);
  CompressBlocks<T, false>(src, dst, count, n, factor, offset);
}

template <typename T>
void CompressAndAdd(const T* src, T* dst, int32_t count, int32_t n, double factor, double offset) {
  if (src == nullptr || dst == nullptr || count <= 0 || n <= 0 || count % n != 0) return;
  CompressBlocks<T, true>(src, dst, count, n, factor, offset);
}

template <typename T>
void Accumulate(const int16_t* src, const T* acc, T* dst, int32_t count) {
  if (src == nullptr || acc == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = acc[i] + static_cast<T>(src[i]);
}

template <typename T>
double Sum(const T* src, int32_t count, bool validOnly) {
  if (src == nullptr || count <= 0) return 0.0;
  if (!validOnly) return LaneSum(count, [src](int32_t i) { return static_cast<double>(src[i]); });
  double sum = 0.0;
  for (int32_t i = 0; i < count; ++i) {
    if (Valid(src[i])) sum += src[i];
  }
  return sum;
}

template <typename T>
double Mean(const T* src, int32_t count, bool validOnly) {
  if (src == nullptr || count <= 0) return 0.0;
  if (!validOnly) return Sum(src, count, false) / count;
  double sum = 0.0;
  int32_t counted = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (Valid(src[i])) {
      sum += src[i];
      ++counted;
    }
  }
  return counted > 0 ? sum / counted : LongMath::NaN;
}

// The one-pass formula cancels: for nearly constant data the difference of
// the two sums can fall below 0 by a few units in the last place, and a
// negative variance would turn the standard deviation into NaN. It is
// clamped to 0; a NaN (from a NaN or infinite element) stays NaN.
template <typename T>
double Variance(const T* src, int32_t count, double& mean) {
  if (src == nullptr || count <= 1) return 0.0;
  const double s1 = LaneSum(count, [src](int32_t i) { return static_cast<double>(src[i]); });
  const double s2 = LaneSum(count, [src](int32_t i) {
    const double x = src[i];
    return x * x;
  });
  mean = s1 / count;
  const double variance = (s2 - s1 * (s1 / count)) / (count - 1);
  return variance < 0.0 ? 0.0 : variance;
}

template <typename T>
double ScalarProduct(const T* a, const T* b, int32_t count) {
  if (a == nullptr || b == nullptr || count <= 0) return 0.0;
  return LaneSum(count, [a, b](int32_t i) { return static_cast<double>(a[i]) * b[i]; });
}

template <typename T>
void Add(const T* a, const T* b, T* dst, int32_t count) {
  if (a == nullptr || b == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = a[i] + b[i];
}

template <typename T>
void Subtract(const T* a, const T* b, T* dst, int32_t count) {
  if (a == nullptr || b == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = a[i] - b[i];
}

template <typename T>
void Multiply(const T* a, const T* b, T* dst, int32_t count) {
  if (a == nullptr || b == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = a[i] * b[i];
}

template <typename T>
void Divide(const T* a, const T* b, T* dst, int32_t count) {
  if (a == nullptr || b == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = a[i] / b[i];
}

template <typename T>
void ScaleAndAdd(const T* a, const T* b, T* dst, int32_t count, double factor) {
  if (a == nullptr || b == nullptr || dst == nullptr || count <= 0) return;
  if (factor == 0.0) return Copy(b, dst, count);
  if (factor == 1.0) return Add(a, b, dst, count);
  if (factor == -1.0) return Subtract(b, a, dst, count);
  for (int32_t i = 0; i < count; ++i) dst[i] = static_cast<T>(b[i] + factor * a[i]);
}

template <typename T>
void FromInt32(const int32_t* src, T* dst, int32_t count) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = static_cast<T>(src[i]);
}

// A plain cast of NaN or of a value outside the 32-bit range is undefined;
// here NaN gives 0 and anything beyond the range (infinities too) its limit.
template <typename T>
void ToInt32(const T* src, int32_t* dst, int32_t count) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  constexpr double top = std::numeric_limits<int32_t>::max();
  constexpr double bottom = std::numeric_limits<int32_t>::min();
  for (int32_t i = 0; i < count; ++i) {
    const double x = src[i];
    int32_t value = 0;
    if (x >= top) {
      value = std::numeric_limits<int32_t>::max();
    } else if (x <= bottom) {
      value = std::numeric_limits<int32_t>::min();
    } else if (x == x) {
      value = static_cast<int32_t>(x);
    }
    dst[i] = value;
  }
}

template <typename T>
void Limits(const T* src, int32_t count, double& min, double& max, int32_t& minIndex, int32_t& maxIndex,
            bool includeZeros) {
  minIndex = 0;
  maxIndex = 0;
  if (src == nullptr || count <= 0) return;
  min = src[0];
  max = src[0];
  auto counts = [includeZeros](T x) { return Valid(x) && (includeZeros || x != 0); };
  int32_t i = 0;
  while (i < count && !counts(src[i])) ++i;
  if (i == count) return;
  min = max = src[i];
  minIndex = maxIndex = i;
  for (++i; i < count; ++i) {
    const T x = src[i];
    if (!counts(x)) continue;
    if (x < min) {
      min = x;
      minIndex = i;
    } else if (x > max) {
      max = x;
      maxIndex = i;
    }
  }
}

template <typename T>
void Clip(const T* src, T* dst, int32_t count, double low, double lowValue, int32_t& lowCount, double high,
          double highValue, int32_t& highCount) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  if (low >= high) return Set(dst, count, lowValue);
  for (int32_t i = 0; i < count; ++i) {
    const double x = src[i];
    if (x <= low) {
      dst[i] = static_cast<T>(lowValue);
      ++lowCount;
    } else if (x >= high) {
      dst[i] = static_cast<T>(highValue);
      ++highCount;
    } else {
      dst[i] = src[i];
    }
  }
}

template <typename T>
int32_t Search(const T* src, int32_t count, double lower, double upper) {
  if (src == nullptr) return -1;
  for (int32_t i = 0; i < count; ++i) {
    if (lower <= src[i] && src[i] <= upper) return i;
  }
  return -1;
}

// The counts are kept as 32-bit integers in the bins' own storage while the
// data is scanned (a float would stop counting at 2^24) and turned into reals
// at the end. The bin number is decided on the quotient before it becomes an
// integer: a NaN element counts nowhere, and infinities and values far out of
// range land in below or above instead of in an undefined conversion.
template <typename T>
void Histogram(const T* src, int32_t count, double offset, double width, T* bins, int32_t binCount,
               int32_t& below, int32_t& above) {
  static_assert(sizeof(T) >= sizeof(int32_t));
  if (src == nullptr || bins == nullptr || count <= 0 || binCount <= 0 || !(width > 0.0)) return;
  below = 0;
  above = 0;
  const int32_t zero = 0;
  for (int32_t k = 0; k < binCount; ++k) std::memcpy(bins + k, &zero, sizeof zero);
  for (int32_t i = 0; i < count; ++i) {
    const double q = (offset + src[i]) / width;
    if (q <= -1.0) {
      ++below;
    } else if (q >= binCount) {
      ++above;
    } else if (q == q) {
      T* bin = bins + static_cast<int32_t>(q);
      int32_t n;
      std::memcpy(&n, bin, sizeof n);
      ++n;
      std::memcpy(bin, &n, sizeof n);
    }
  }
  for (int32_t k = 0; k < binCount; ++k) {
    int32_t n;
    std::memcpy(&n, bins + k, sizeof n);
    bins[k] = static_cast<T>(n);
  }
}

template <typename T, typename F>
void Map(const T* src, T* dst, int32_t count, F f) {
  if (src == nullptr || dst == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) dst[i] = static_cast<T>(f(static_cast<double>(src[i])));
}

template <typename T>
void Ln(const T* src, T* dst, int32_t count) {
  Map(src, dst, count, [](double x) { return std::log(x); });
}

template <typename T>
void Exp(const T* src, T* dst, int32_t count) {
  Map(src, dst, count, [](double x) { return std::exp(x); });
}

template <typename T>
void Sqrt(const T* src, T* dst, int32_t count) {
  Map(src, dst, count, [](double x) { return std::sqrt(x); });
}

template <typename T>
void Inverse(const T* src, T* dst, int32_t count, double numerator) {
  Map(src, dst, count, [numerator](double x) { return numerator / x; });
}

template <typename T>
void Power(const T* src, T* dst, int32_t count, double exponent) {
  if (exponent == 0.0) {
    if (src != nullptr) Set(dst, count, 1.0);
    return;
  }
  if (exponent == 1.0) return Copy(src, dst, count);
  if (exponent == -1.0) return Inverse(src, dst, count, 1.0);
  Map(src, dst, count, [exponent](double x) { return std::pow(x, exponent); });
}

template <typename T>
void PowerInt(const T* src, T* dst, int32_t count, int32_t exponent) {
  switch (exponent) {
    case 2:
      return Map(src, dst, count, [](double x) { return x * x; });
    case 3:
      return Map(src, dst, count, [](double x) { return x * x * x; });
    default:
      return Power(src, dst, count, exponent);
  }
}

template <typename T>
void InsertSort(T* values, int32_t count) {
  if (values == nullptr || count <= 1) return;
  for (int32_t i = 1; i < count; ++i) {
    const T v = values[i];
    int32_t j = i;
    for (; j > 0 && values[j - 1] > v; --j) values[j] = values[j - 1];
    values[j] = v;
  }
}

// result[i] is the double sum of the products at lag i. Every lag reads all
// of a and b, so result must not overlay them.
template <typename T>
void Correlate(const T* a, const T* b, T* result, int32_t count, bool circular) {
  if (a == nullptr || b == nullptr || result == nullptr || count <= 0) return;
  for (int32_t lag = 0; lag < count; ++lag) {
    const int32_t straight = count - lag;
    double sum = LaneSum(straight, [a, b, lag](int32_t j) { return static_cast<double>(a[j]) * b[j + lag]; });
    if (circular) {
      sum +=
          LaneSum(lag, [a, b, straight](int32_t j) { return static_cast<double>(a[straight + j]) * b[j]; });
    }
    result[lag] = static_cast<T>(sum);
  }
}

}  // namespace RealVectorKernels
