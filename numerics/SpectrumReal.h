#pragma once

// Averaged power spectra of 16-bit sample records: one-sided spectra from the
// radix-2 FFT (FFTReal), a cosine-tapered window, accumulation of windowed
// segments with their means removed, compression of the spectrum onto a
// roughly logarithmic frequency axis of at most 63 points, each spanning about
// 1 / BinConstant of its starting frequency index, and its log-log plot in a
// graphics window.
//
// Arrays follow the numerical library's convention (address of the first
// element and a count; a nil address or n <= 0 does nothing). n must be a
// power of two where an FFT is taken; the operations that take one return
// FALSE, adding nothing, otherwise.

#include <array>
#include <cstdint>
#include <span>

namespace Graphics {
struct GraphicsWindowRecord;
}

namespace SpectrumReal {

inline constexpr int MaxComprPoints = 63;

// A compressed spectrum, filled by Compress.
struct SpectrumRecord {
  double Mean;               // accumulated segment means / number of spectra
  double FreqStep;           // 1 / (n x sample interval), or 1 when that is not positive
  std::int32_t FFTLength;    // n
  std::int32_t Count;        // number of spectra accumulated
  std::int32_t BinConstant;  // compression constant used
  std::int32_t NPoints;      // compressed points in Values
  std::array<float, 64> Values;
};

// The compression constant K that Compress uses; 10 after InitModule.
extern std::int32_t BinConstant;
// Width in raw spectrum points of each compressed point, from ComputeCompression.
extern std::array<std::int32_t, 64> ComprFactors;
extern std::int32_t NComprPoints;

void InitModule();

void Zero(std::span<float> spectrum);

// window[0 .. n - 1] = 1 with cosine tapers 0.5 x (1 - cos(pi i / m)) over
// the first and last m points (a taper longer than the window is cut to it);
// power = sum of squared window values / n.
void MakeWindow(std::int32_t n, std::int32_t m, float* window, double& power);

// Clears im, transforms re and im forwards, and writes the one-sided power
// out[i] = 2 s / n x (re[i]^2 + im[i]^2) for i = 0 .. n / 2; out may be re.
bool ComputeSpectrum(float* re, float* im, double s, std::int32_t n, float* out);

// work = g x samples; its spectrum with scale s is added to sum[0 .. n/2 - 1].
bool Accumulate(const std::int16_t* samples, float* work, float* im, double g, double s, std::int32_t n, float* sum);

// One segment of an averaged spectrum: the samples' mean is removed, the rest
// is scaled by g and windowed, and its spectrum with scale s, divided by the
// window power, is added to sum[0 .. n/2 - 1]; the mean (before scaling) is
// added to meanSum.
bool AccumWithMeanAndWindow(const std::int16_t* samples, float* work, float* im, double g, double s, std::int32_t n,
                            const float* window, double windowPower, double& meanSum, float* sum);

// Fills ComprFactors and NComprPoints for an n-point FFT (n / 2 raw points):
// width = start div K + 1 until the widths cover n / 2 points or 63 points
// are made; K below 1 is taken as 10 and becomes BinConstant.
void ComputeCompression(std::int32_t n, std::int32_t K);

// Compresses the raw spectrum[0 .. n/2 - 1] (a sum of count spectra) into
// record, each value the mean over its width divided by count. A count of 0
// or less divides neither the values nor the mean.
void Compress(const float* spectrum, double meanSum, double sampleInterval, std::int32_t n, std::int32_t count,
              SpectrumRecord& record);

// Frequency of each of the first points compressed points (at most 64):
// 0 for the first, then df x (start of the point + its width div 2).
void GetFrequencies(double df, std::int32_t n, std::int32_t K, std::int32_t points, std::array<float, 64>& freq);

// Clears the window and draws the log-log grid of the record with labels:
// six decades of power up to the decade above the largest value (point 0,
// the DC point, left out), frequencies from half a decade below FreqStep to
// FFTLength / 2 steps beyond; dotted lines at the power decades, solid ones
// at the frequency decades.
void MakePlotCoords(Graphics::GraphicsWindowRecord* window, const SpectrumRecord& record);
// A square marker at (log10 frequency, log10 value) for each point but the
// DC point; a value that is not positive goes to -100, off the plot.
void PlotSpectrum(Graphics::GraphicsWindowRecord* window, const SpectrumRecord& record);

}  // namespace SpectrumReal
