// The probe noise test's spectra: 150 traces (three noise ranges of 50) of
// 1024 16-bit samples, each with its mean removed, scaled, windowed with
// 128-point cosine tapers and its one-sided power spectrum added to one
// accumulator, as SpectrumReal::AccumWithMeanAndWindow does them; beside
// the same work on FFTW's single-precision r2c transform (FFTW_ESTIMATE
// plan). The ratio line at the end gives our time over FFTW's.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "numerics/SpectrumReal.h"

namespace {

constexpr int kPoints = 1024;
constexpr int kBins = kPoints / 2;
constexpr int kTraces = 150;
constexpr int kTaper = 128;
constexpr double kInterval = 1e-5;
constexpr double kGain = 1e-10 / (3200.0 * 640.0);

// The traces: noise of a few hundred codes around an offset, drawn once.
struct Traces {
  std::vector<std::array<std::int16_t, kPoints>> samples;
  std::array<float, kPoints> window{};
  double windowPower = 0.0;
  Traces() : samples(kTraces) {
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 300.0f);
    for (auto& trace : samples) {
      for (std::int16_t& s : trace) s = static_cast<std::int16_t>(1200.0f + noise(rng));
    }
    SpectrumReal::MakeWindow(kPoints, kTaper, window.data(), windowPower);
  }
};

const Traces& TheTraces() {
  static const Traces traces;
  return traces;
}

double oursSeconds = 0.0;
double fftwSeconds = 0.0;

void SpectraOurs(benchmark::State& state) {
  const Traces& t = TheTraces();
  std::array<float, kPoints> work{};
  std::array<float, kPoints> imaginary{};
  std::array<float, kBins + 1> sum{};
  for (auto _ : state) {
    SpectrumReal::Zero(sum);
    double meanSum = 0.0;
    for (const auto& trace : t.samples) {
      SpectrumReal::AccumWithMeanAndWindow(trace.data(), work.data(), imaginary.data(), kGain, kInterval, kPoints,
                                           t.window.data(), t.windowPower, meanSum, sum.data());
    }
    benchmark::DoNotOptimize(sum.data());
    benchmark::ClobberMemory();
  }
}

void SpectraFftw(benchmark::State& state) {
  const Traces& t = TheTraces();
  std::vector<float> work(kPoints);
  fftwf_complex* out = fftwf_alloc_complex(kBins + 1);
  fftwf_plan plan = fftwf_plan_dft_r2c_1d(kPoints, work.data(), out, FFTW_ESTIMATE);
  std::array<float, kBins + 1> sum{};
  const double factor = 2.0 * kInterval / kPoints / t.windowPower;
  for (auto _ : state) {
    sum.fill(0.0f);
    double meanSum = 0.0;
    for (const auto& trace : t.samples) {
      double mean = 0.0;
      for (const std::int16_t s : trace) mean += s;
      mean /= kPoints;
      for (int i = 0; i < kPoints; ++i) {
        work[static_cast<std::size_t>(i)] =
            static_cast<float>(kGain * (trace[static_cast<std::size_t>(i)] - mean)) * t.window[static_cast<std::size_t>(i)];
      }
      fftwf_execute(plan);
      for (int i = 0; i < kBins; ++i) {
        sum[static_cast<std::size_t>(i)] += static_cast<float>(factor * (double(out[i][0]) * out[i][0] + double(out[i][1]) * out[i][1]));
      }
      meanSum += mean;
    }
    benchmark::DoNotOptimize(sum.data());
    benchmark::DoNotOptimize(meanSum);
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
  fftwf_free(out);
}

BENCHMARK(SpectraOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(SpectraFftw)->Unit(benchmark::kMicrosecond);

// Keeps both runs' times per iteration and prints as usual.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      if (run.run_name.function_name == "SpectraOurs") oursSeconds = run.GetAdjustedRealTime();
      if (run.run_name.function_name == "SpectraFftw") fftwSeconds = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (oursSeconds > 0.0 && fftwSeconds > 0.0) {
    std::printf("\n150 windowed spectra, time ratio ours / FFTW r2c: %.2f (below 1 means we are faster)\n",
                oursSeconds / fftwSeconds);
  }
  benchmark::Shutdown();
  return 0;
}
