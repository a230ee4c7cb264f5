#include "numerics/SpectrumReal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/Decode.h"
#include "numerics/FFTReal.h"
#include "numerics/VectorInt.h"
#include "numerics/VectorReal.h"
#include "shell/Graphics.h"

namespace SpectrumReal {

std::int32_t BinConstant = 10;
std::array<std::int32_t, 64> ComprFactors = {};
std::int32_t NComprPoints = 0;

namespace {

constexpr std::int32_t kDefaultBinConstant = 10;

constexpr int kPlotDecades = 6;
constexpr int kSquareMarker = 5;
// Where a value that is not positive is plotted: far below any grid.
constexpr double kNoPower = -100;

// An axis label: the integer in a field of 3.
void Label(Graphics::GraphicsWindow window, double x, double y, int value) {
  char text[21] = {};
  Decode::Integer(value, text, 3);
  Graphics::Text(window, x, y, text);
}

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

void MakePlotCoords(Graphics::GraphicsWindow window, const SpectrumRecord& record) {
  const std::int32_t points =
      std::clamp<std::int32_t>(record.NPoints, 0, static_cast<std::int32_t>(record.Values.size()));
  double largest = 0.0;
  for (std::int32_t i = 1; i < points; ++i) largest = std::max(largest, static_cast<double>(record.Values[i]));
  const double ymax = largest > 0.0 ? std::trunc(std::log10(largest)) + 1 : 0.0;
  const double ymin = ymax - kPlotDecades;
  const double xmin = std::log10(record.FreqStep) - 0.5;
  const double xmax = xmin + 1 + std::log10(record.FFTLength / 2);
  Graphics::ClearWindow(window);
  // A record without a frequency axis (no step, no FFT length) gets no grid.
  if (!std::isfinite(ymax) || !std::isfinite(xmin) || !std::isfinite(xmax)) return;
  Graphics::SetScaling(window, xmin, ymin, xmax, ymax);
  Graphics::SetLineType(window, 2);
  for (int y = static_cast<int>(ymin); y <= static_cast<int>(ymax); ++y) {
    Graphics::Line(window, xmin, y, xmax, y);
    Label(window, xmin, y, y);
  }
  Graphics::SetLineType(window, 0);
  for (int x = static_cast<int>(std::trunc(xmin)); x <= static_cast<int>(std::trunc(xmax)); ++x) {
    Graphics::Line(window, x, ymin, x, ymax);
    Label(window, x, ymin, x);
  }
}

void PlotSpectrum(Graphics::GraphicsWindow window, const SpectrumRecord& record) {
  std::array<float, 64> freq{};
  GetFrequencies(record.FreqStep, record.FFTLength, record.BinConstant, record.NPoints, freq);
  const std::int32_t points = std::clamp<std::int32_t>(record.NPoints, 0, static_cast<std::int32_t>(freq.size()));
  Graphics::SetMarker(window, kSquareMarker);
  for (std::int32_t i = 1; i < points; ++i) {
    const double value = record.Values[static_cast<std::size_t>(i)];
    const double power = value > 0.0 ? std::log10(value) : kNoPower;
    Graphics::Marker(window, std::log10(freq[static_cast<std::size_t>(i)]), power);
  }
}

}  // namespace SpectrumReal
