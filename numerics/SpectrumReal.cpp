#include "numerics/SpectrumReal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "numerics/FFTReal.h"
#include "numerics/VectorInt.h"
#include "numerics/VectorReal.h"

namespace SpectrumReal {

std::int32_t BinConstant = 10;
std::array<std::int32_t, 64> ComprFactors = {};
std::int32_t NComprPoints = 0;

namespace {

constexpr std::int32_t kDefaultBinConstant = 10;

void DivideBy(float* values, std::int32_t count, double divisor) {
  for (std::int32_t i = 0; i < count; ++i) values[i] = static_cast<float>(values[i] / divisor);
}

}  // namespace

void InitModule() {
  BinConstant = kDefaultBinConstant;
  ComprFactors = {};
  NComprPoints = 0;
}

void Zero(std::span<float> spectrum) { std::fill(spectrum.begin(), spectrum.end(), 0.0f); }

void MakeWindow(std::int32_t n, std::int32_t m, float* window, double& power) {
  if (window == nullptr || n <= 0) return;
  std::fill(window, window + n, 1.0f);
  const std::int32_t taper = std::min(m, n);
  for (std::int32_t i = 0; i < taper; ++i) {
    const float w = static_cast<float>(0.5 * (1.0 - std::cos(std::numbers::pi * i / m)));
    window[i] = w;
    window[n - 1 - i] = w;
  }
  power = VectorReal::ScalarProduct(window, window, n) / n;
}

bool ComputeSpectrum(float* re, float* im, double s, std::int32_t n, float* out) {
  if (re == nullptr || im == nullptr || out == nullptr || n <= 0) return false;
  std::fill(im, im + n, 0.0f);
  if (!FFTReal::Forward(n, re, im)) return false;
  const double factor = 2.0 * s / n;
  for (std::int32_t i = 0; i <= n / 2; ++i) {
    const double r = re[i];
    const double j = im[i];
    out[i] = static_cast<float>(factor * (r * r + j * j));
  }
  return true;
}

bool Accumulate(const std::int16_t* samples, float* work, float* im, double g, double s, std::int32_t n, float* sum) {
  if (samples == nullptr || work == nullptr || sum == nullptr || n <= 0) return false;
  VectorInt::Float(samples, work, n);
  VectorReal::Scale(work, work, n, g, 0.0);
  if (!ComputeSpectrum(work, im, s, n, work)) return false;
  VectorReal::Add(sum, work, sum, n / 2);
  return true;
}

bool AccumWithMeanAndWindow(const std::int16_t* samples, float* work, float* im, double g, double s, std::int32_t n,
                            const float* window, double windowPower, double& meanSum, float* sum) {
  if (samples == nullptr || work == nullptr || window == nullptr || sum == nullptr || n <= 0) return false;
  VectorInt::Float(samples, work, n);
  const double mean = VectorReal::Mean(work, n, false);
  VectorReal::Scale(work, work, n, g, -g * mean);
  VectorReal::Multiply(window, work, work, n);
  if (!ComputeSpectrum(work, im, s, n, work)) return false;
  DivideBy(work, n / 2, windowPower);
  VectorReal::Add(sum, work, sum, n / 2);
  meanSum += mean;
  return true;
}

void ComputeCompression(std::int32_t n, std::int32_t K) {
  if (K < 1) K = kDefaultBinConstant;
  const std::int32_t half = n / 2;
  ComprFactors = {};
  std::int32_t start = 0;
  std::int32_t i = 0;
  while (start < half && i < MaxComprPoints) {
    const std::int32_t width = std::min(start / K + 1, half - start);
    ComprFactors[i] = width;
    start += width;
    ++i;
  }
  NComprPoints = i;
  BinConstant = K;
}

void Compress(const float* spectrum, double meanSum, double sampleInterval, std::int32_t n, std::int32_t count,
              SpectrumRecord& record) {
  if (spectrum == nullptr) return;
  ComputeCompression(n, BinConstant);
  const double perSpectrum = count > 0 ? 1.0 / count : 1.0;
  const double span = n * sampleInterval;
  record.Mean = count > 0 ? meanSum / count : meanSum;
  record.FreqStep = span > 0.0 ? 1.0 / span : 1.0;
  record.NPoints = NComprPoints;
  record.FFTLength = n;
  record.Count = count;
  record.BinConstant = BinConstant;
  record.Values = {};
  std::int32_t start = 0;
  for (std::int32_t i = 0; i < NComprPoints; ++i) {
    const std::int32_t width = ComprFactors[i];
    double total = 0.0;
    for (std::int32_t k = start; k < start + width; ++k) total += spectrum[k];
    record.Values[i] = static_cast<float>(total * perSpectrum / width);
    start += width;
  }
}

void GetFrequencies(double df, std::int32_t n, std::int32_t K, std::int32_t points, std::array<float, 64>& freq) {
  ComputeCompression(n, K);
  freq[0] = 0.0f;
  const std::int32_t last = std::min<std::int32_t>(points, static_cast<std::int32_t>(freq.size()));
  std::int32_t c = 0;
  for (std::int32_t i = 1; i < last; ++i) {
    const std::int32_t d = c + ComprFactors[i];
    freq[i] = static_cast<float>(df * ((c + d) / 2 + 1));
    c = d;
  }
}

}  // namespace SpectrumReal
