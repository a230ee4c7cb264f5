#include "numerics/SpectrumReal.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr float kUntouched = -12345.0f;

std::vector<std::int16_t> RandomSamples(int n, unsigned seed, int offset) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> u(-3000, 3000);
  std::vector<std::int16_t> samples(n);
  for (auto& s : samples) s = static_cast<std::int16_t>(offset + u(rng));
  return samples;
}

// One-sided power 2 s / n |X[i]|^2 of real data, in double through FFTW.
std::vector<double> ReferencePower(const std::vector<double>& x, double s) {
  const int n = static_cast<int>(x.size());
  std::vector<double> in = x;
  std::vector<std::complex<double>> out(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), reinterpret_cast<fftw_complex*>(out.data()), FFTW_ESTIMATE);
  fftw_execute(plan);
  fftw_destroy_plan(plan);
  std::vector<double> power(n / 2 + 1);
  for (int i = 0; i <= n / 2; ++i) power[i] = 2 * s / n * std::norm(out[i]);
  return power;
}

double RelativeRms(const float* x, const std::vector<double>& reference, int count) {
  double error = 0, norm = 0;
  for (int i = 0; i < count; ++i) {
    error += (x[i] - reference[i]) * (x[i] - reference[i]);
    norm += reference[i] * reference[i];
  }
  return std::sqrt(error / norm);
}

TEST(SpectrumReal, InitModuleSetsTheBinConstant) {
  SpectrumReal::BinConstant = 3;
  SpectrumReal::InitModule();
  EXPECT_EQ(SpectrumReal::BinConstant, 10);
}

TEST(SpectrumReal, CompressionWidthsGrowWithTheStartIndex) {
  struct Case {
    std::int32_t n, K;
    std::int32_t points, covered, binConstant;
    std::vector<std::int32_t> leading;
  };
  const std::vector<Case> cases = {
      // 10 single points (starts 0 .. 9), width 2 from start 10 to 20, then 3 ...
      {1024, 10, 47, 512, 10, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 5}},
      {1024, 0, 47, 512, 10, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2}},  // K below 1 is 10
      {65536, 10, 63, 2504, 10, {1, 1, 1}},                       // ends after 63 points
      {16, 10, 8, 8, 10, {1, 1, 1, 1, 1, 1, 1, 1}},
      {32, 2, 6, 16, 2, {1, 1, 2, 3, 4, 5, 0}},  // the last width (6) cut to what is left
      // Widths beyond 16 bits: 1, 2, 4 .. 262144, and 1 to finish.
      {1 << 20, 1, 20, 1 << 19, 1, {1,    2,    4,    8,    16,    32,    64,    128,    256,    512,
                                    1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072, 262144, 1}},
      {1, 10, 0, 0, 10, {0}},
  };
  for (const Case& c : cases) {
    SpectrumReal::ComputeCompression(c.n, c.K);
    EXPECT_EQ(SpectrumReal::NComprPoints, c.points) << c.n;
    EXPECT_EQ(SpectrumReal::BinConstant, c.binConstant) << c.n;
    EXPECT_EQ(std::accumulate(SpectrumReal::ComprFactors.begin(), SpectrumReal::ComprFactors.end(), 0), c.covered)
        << c.n;
    for (std::size_t i = 0; i < c.leading.size(); ++i)
      EXPECT_EQ(SpectrumReal::ComprFactors[i], c.leading[i]) << c.n << " point " << i;
    for (int i = c.points; i < 64; ++i) EXPECT_EQ(SpectrumReal::ComprFactors[i], 0) << c.n << " point " << i;
  }
  SpectrumReal::ComputeCompression(1024, 10);
  EXPECT_EQ(SpectrumReal::ComprFactors[46], 22);  // 490 + 45 would pass 512
}

TEST(SpectrumReal, WindowHasCosineTapersAndItsPower) {
  std::vector<float> w(1024 + 1, kUntouched);
  double power = 0;
  SpectrumReal::MakeWindow(1024, 128, w.data(), power);
  EXPECT_EQ(w[0], 0.0f);
  EXPECT_EQ(w[1023], 0.0f);
  EXPECT_FLOAT_EQ(w[64], 0.5f);
  EXPECT_FLOAT_EQ(w[1023 - 64], 0.5f);
  for (int i = 128; i <= 895; ++i) ASSERT_EQ(w[i], 1.0f) << i;
  for (int i = 1; i < 128; ++i) {
    EXPECT_GT(w[i], w[i - 1]) << i;
    EXPECT_EQ(w[i], w[1023 - i]) << i;
  }
  EXPECT_EQ(w[1024], kUntouched);
  double squares = 0;
  for (int i = 0; i < 1024; ++i) squares += double(w[i]) * w[i];
  EXPECT_NEAR(power, squares / 1024, 1e-12);

  SpectrumReal::MakeWindow(16, 0, w.data(), power);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(w[i], 1.0f);
  EXPECT_EQ(power, 1.0);

  // A taper longer than the window stays inside it.
  std::vector<float> small(8 + 1, kUntouched);
  SpectrumReal::MakeWindow(8, 20, small.data(), power);
  EXPECT_EQ(small[8], kUntouched);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(small[i], small[7 - i]) << i;
    EXPECT_GE(small[i], 0.0f) << i;
    EXPECT_LT(small[i], 1.0f) << i;
  }
}

TEST(SpectrumReal, ZeroClearsTheWholeArray) {
  std::vector<float> spectrum(513, 3.0f);
  SpectrumReal::Zero(spectrum);
  for (float v : spectrum) EXPECT_EQ(v, 0.0f);
}

TEST(SpectrumReal, ComputeSpectrumMatchesADoubleReferenceAndParseval) {
  const int n = 1024;
  const double s = 1e-4;
  std::mt19937 rng(5);
  std::normal_distribution<float> g(0.0f, 1.0f);
  std::vector<float> x(n);
  for (float& v : x) v = g(rng);

  std::vector<float> re = x, im(n, 99.0f), out(n / 2 + 2, kUntouched);
  ASSERT_TRUE(SpectrumReal::ComputeSpectrum(re.data(), im.data(), s, n, out.data()));
  EXPECT_EQ(out[n / 2 + 1], kUntouched);
  const std::vector<double> reference = ReferencePower(std::vector<double>(x.begin(), x.end()), s);
  EXPECT_LT(RelativeRms(out.data(), reference, n / 2 + 1), 1e-6);

  double oneSided = (out[0] + out[n / 2]) / 2.0;
  for (int i = 1; i < n / 2; ++i) oneSided += out[i];
  double energy = 0;
  for (float v : x) energy += double(v) * v;
  EXPECT_NEAR(oneSided, s * energy, 1e-5 * s * energy);

  // The output may be the real array; the imaginary array is cleared first.
  std::vector<float> inPlace = x, im2(n, -7.0f);
  ASSERT_TRUE(SpectrumReal::ComputeSpectrum(inPlace.data(), im2.data(), s, n, inPlace.data()));
  for (int i = 0; i <= n / 2; ++i) ASSERT_EQ(inPlace[i], out[i]) << i;

  // A sine of amplitude A in bin 37 has power s A^2 n / 2 there.
  for (int j = 0; j < n; ++j) re[j] = static_cast<float>(3.0 * std::sin(2 * std::numbers::pi * 37 * j / n));
  ASSERT_TRUE(SpectrumReal::ComputeSpectrum(re.data(), im.data(), s, n, out.data()));
  EXPECT_NEAR(out[37], s * 9 * n / 2, 1e-5 * s * 9 * n / 2);
  EXPECT_LT(out[36], 1e-9);
  EXPECT_LT(out[38], 1e-9);
}

TEST(SpectrumReal, SpectraOfNonPowerOfTwoLengthsAddNothing) {
  const int n = 1000;
  const auto samples = RandomSamples(n, 3, 0);
  std::vector<float> work(n), im(n), window(n, 1.0f), sum(n, kUntouched), out(n, kUntouched);
  double meanSum = 5;
  EXPECT_FALSE(SpectrumReal::ComputeSpectrum(work.data(), im.data(), 1, n, out.data()));
  EXPECT_FALSE(SpectrumReal::Accumulate(samples.data(), work.data(), im.data(), 1, 1, n, sum.data()));
  EXPECT_FALSE(SpectrumReal::AccumWithMeanAndWindow(samples.data(), work.data(), im.data(), 1, 1, n, window.data(), 1,
                                                    meanSum, sum.data()));
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(sum[i], kUntouched);
    ASSERT_EQ(out[i], kUntouched);
  }
  EXPECT_EQ(meanSum, 5);
}

TEST(SpectrumReal, AccumulateAddsTheFirstHalfOfTheScaledSpectrum) {
  const int n = 2048;
  const double gain = 0.25, s = 2e-5;
  const auto samples = RandomSamples(n, 11, 100);
  std::vector<float> work(n), im(n), sum(n / 2 + 1, 0.0f);
  sum[n / 2] = kUntouched;
  ASSERT_TRUE(SpectrumReal::Accumulate(samples.data(), work.data(), im.data(), gain, s, n, sum.data()));
  ASSERT_TRUE(SpectrumReal::Accumulate(samples.data(), work.data(), im.data(), gain, s, n, sum.data()));
  EXPECT_EQ(sum[n / 2], kUntouched);

  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = gain * samples[i];
  std::vector<double> twice = ReferencePower(x, s);
  for (double& v : twice) v *= 2;
  EXPECT_LT(RelativeRms(sum.data(), twice, n / 2), 1e-6);
}

TEST(SpectrumReal, WindowedSegmentsHaveTheirMeanRemoved) {
  const int n = 1024, taper = 128;
  const double gain = 2.0, s = 1e-4;
  std::vector<float> window(n);
  double power = 0;
  SpectrumReal::MakeWindow(n, taper, window.data(), power);

  const auto samples = RandomSamples(n, 21, 1500);
  std::vector<float> work(n), im(n), sum(n / 2 + 1, 0.0f);
  sum[n / 2] = kUntouched;
  double meanSum = 10;
  ASSERT_TRUE(SpectrumReal::AccumWithMeanAndWindow(samples.data(), work.data(), im.data(), gain, s, n, window.data(),
                                                   power, meanSum, sum.data()));
  EXPECT_EQ(sum[n / 2], kUntouched);

  const double mean = std::accumulate(samples.begin(), samples.end(), 0.0) / n;
  EXPECT_NEAR(meanSum, 10 + mean, 1e-9);
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = gain * (samples[i] - mean) * window[i];
  std::vector<double> expected = ReferencePower(x, s);
  for (double& v : expected) v /= power;
  EXPECT_LT(RelativeRms(sum.data(), expected, n / 2), 1e-5);

  // A constant record has nothing left once its mean is gone.
  const std::vector<std::int16_t> constant(n, 777);
  std::vector<float> zero(n / 2, 0.0f);
  meanSum = 0;
  ASSERT_TRUE(SpectrumReal::AccumWithMeanAndWindow(constant.data(), work.data(), im.data(), gain, s, n, window.data(),
                                                   power, meanSum, zero.data()));
  for (float v : zero) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(meanSum, 777);
}

TEST(SpectrumReal, CompressAveragesEachPointOverItsWidthAndTheCount) {
  const int n = 1024;
  std::vector<float> spectrum(n / 2);
  for (int i = 0; i < n / 2; ++i) spectrum[i] = static_cast<float>(i);
  SpectrumReal::InitModule();

  struct Case {
    std::int32_t count;
    double dt;
    double mean, freqStep, divisor;
  };
  for (const Case& c : {Case{4, 1e-4, 2.0, 1.0 / (1024 * 1e-4), 4}, Case{0, 1e-4, 8.0, 1.0 / (1024 * 1e-4), 1},
                        Case{-2, 0.0, 8.0, 1.0, 1}}) {
    SpectrumReal::SpectrumRecord record{};
    record.Values.fill(kUntouched);
    SpectrumReal::Compress(spectrum.data(), 8.0, c.dt, n, c.count, record);
    EXPECT_EQ(record.Mean, c.mean) << c.count;
    EXPECT_DOUBLE_EQ(record.FreqStep, c.freqStep) << c.count;
    EXPECT_EQ(record.FFTLength, n);
    EXPECT_EQ(record.Count, c.count);
    EXPECT_EQ(record.BinConstant, 10);
    ASSERT_EQ(record.NPoints, 47);
    int start = 0;
    for (int i = 0; i < record.NPoints; ++i) {
      const int width = SpectrumReal::ComprFactors[i];
      // The mean of start .. start + width - 1 is start + (width - 1) / 2.
      EXPECT_FLOAT_EQ(record.Values[i], static_cast<float>((start + (width - 1) / 2.0) / c.divisor))
          << c.count << " point " << i;
      start += width;
    }
    EXPECT_EQ(start, n / 2);
  }
}

TEST(SpectrumReal, FrequenciesAreTheMiddlesOfThePoints) {
  std::array<float, 64> freq;
  freq.fill(kUntouched);
  SpectrumReal::GetFrequencies(2.0, 1024, 10, 47, freq);
  EXPECT_EQ(freq[0], 0.0f);
  int start = SpectrumReal::ComprFactors[0];
  for (int i = 1; i < 47; ++i) {
    const int width = SpectrumReal::ComprFactors[i];
    EXPECT_EQ(freq[i], 2.0f * (start + width / 2)) << i;
    start += width;
  }
  EXPECT_EQ(freq[47], kUntouched);
  EXPECT_EQ(freq[10], 2.0f * 11);   // width 2 from raw index 10
  EXPECT_EQ(freq[46], 2.0f * 501);  // the last point, 490 .. 511

  // More points than the array holds stop at its end.
  SpectrumReal::GetFrequencies(1.0, 1 << 16, 10, 200, freq);
  EXPECT_GT(freq[62], freq[61]);
}

}  // namespace
