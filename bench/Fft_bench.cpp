// FFTReal and SpectrumReal against FFTW in single precision (FFTW_ESTIMATE
// plans on split real/imaginary arrays, the layout our transform works on),
// n = 256 .. 65536, in one process; the table at the end gives the ratios
// of our time to FFTW's.
//
// An in-place transform grows its data by about sqrt(n) on every pass, so
// each iteration first restores the input from a clean copy, the same copy
// on both sides; the restore is timed on its own and taken out of the ratios.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "numerics/FFTReal.h"
#include "numerics/SpectrumReal.h"

namespace {

constexpr int kMinN = 256;
constexpr int kMaxN = 65536;
constexpr double kScale = 1e-4;  // sample interval of the spectra

struct Buffers {
  std::vector<float> cleanRe, cleanIm, re, im, out;
  explicit Buffers(int n) : cleanRe(n), cleanIm(n), re(n), im(n), out(n / 2 + 1) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int i = 0; i < n; ++i) {
      cleanRe[i] = u(rng);
      cleanIm[i] = u(rng);
    }
  }
  void Restore() {
    std::copy(cleanRe.begin(), cleanRe.end(), re.begin());
    std::copy(cleanIm.begin(), cleanIm.end(), im.begin());
  }
  void RestoreReal() { std::copy(cleanRe.begin(), cleanRe.end(), re.begin()); }
};

fftwf_plan SplitPlan(int n, Buffers& b) {
  fftwf_iodim dim{n, 1, 1};
  return fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, b.re.data(), b.im.data(), b.re.data(), b.im.data(),
                                   FFTW_ESTIMATE);
}

void PowerOf(const float* re, const float* im, int n, float* out) {
  const double factor = 2.0 * kScale / n;
  for (int i = 0; i <= n / 2; ++i)
    out[i] = static_cast<float>(factor * (double(re[i]) * re[i] + double(im[i]) * im[i]));
}

void Restore(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Buffers b(n);
  for (auto _ : state) {
    b.Restore();
    benchmark::DoNotOptimize(b.re.data());
    benchmark::ClobberMemory();
  }
}

void RestoreReal(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Buffers b(n);
  for (auto _ : state) {
    b.RestoreReal();
    benchmark::DoNotOptimize(b.re.data());
    benchmark::ClobberMemory();
  }
}

void FftOurs(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Buffers b(n);
  for (auto _ : state) {
    b.Restore();
    FFTReal::Forward(n, b.re.data(), b.im.data());
    benchmark::ClobberMemory();
  }
}

void FftFftw(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Buffers b(n);
  fftwf_plan plan = SplitPlan(n, b);
  for (auto _ : state) {
    b.Restore();
    fftwf_execute_split_dft(plan, b.re.data(), b.im.data(), b.re.data(), b.im.data());
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
}

void SpectrumOurs(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Buffers b(n);
  for (auto _ : state) {
    b.RestoreReal();
    SpectrumReal::ComputeSpectrum(b.re.data(), b.im.data(), kScale, n, b.out.data());
    benchmark::ClobberMemory();
  }
}

// The same work with FFTW: a complex transform of the real data.
void SpectrumFftwComplex(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Buffers b(n);
  fftwf_plan plan = SplitPlan(n, b);
  for (auto _ : state) {
    b.RestoreReal();
    std::fill(b.im.begin(), b.im.end(), 0.0f);
    fftwf_execute_split_dft(plan, b.re.data(), b.im.data(), b.re.data(), b.im.data());
    PowerOf(b.re.data(), b.im.data(), n, b.out.data());
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
}

// What an FFTW user would write: a real-to-complex transform (half the work).
void SpectrumFftwReal(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Buffers b(n);
  std::vector<float> re(n / 2 + 1), im(n / 2 + 1);
  fftwf_iodim dim{n, 1, 1};
  fftwf_plan plan =
      fftwf_plan_guru_split_dft_r2c(1, &dim, 0, nullptr, b.re.data(), re.data(), im.data(), FFTW_ESTIMATE);
  for (auto _ : state) {
    b.RestoreReal();
    fftwf_execute_split_dft_r2c(plan, b.re.data(), re.data(), im.data());
    PowerOf(re.data(), im.data(), n, b.out.data());
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
}

#define SIZES ->RangeMultiplier(2)->Range(kMinN, kMaxN)->Unit(benchmark::kMicrosecond)
BENCHMARK(Restore) SIZES;
BENCHMARK(RestoreReal) SIZES;
BENCHMARK(FftOurs) SIZES;
BENCHMARK(FftFftw) SIZES;
BENCHMARK(SpectrumOurs) SIZES;
BENCHMARK(SpectrumFftwComplex) SIZES;
BENCHMARK(SpectrumFftwReal) SIZES;

// Keeps each run's time per iteration by function name and n, and prints as usual.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, std::map<long, double>> times;

  // With repetitions the median stands for the run; without, the one run.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type != Run::RT_Iteration && !median) continue;
      double& time = times[run.run_name.function_name][std::stol(run.run_name.args)];
      if (median || run.repetitions <= 1) time = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  double Net(const std::string& name, const std::string& restore, long n) { return Value(name, n) - Value(restore, n); }

  void PrintRatios() {
    std::printf("\nTime ratio ours / FFTW (restore of the input taken out; below 1 means we are faster)\n");
    std::printf("%8s  %10s  %18s  %18s\n", "n", "FFT", "spectrum/complex", "spectrum/r2c");
    for (long n = kMinN; n <= kMaxN; n *= 2) {
      std::printf("%8ld  %10.2f  %18.2f  %18.2f\n", n, Net("FftOurs", "Restore", n) / Net("FftFftw", "Restore", n),
                  Net("SpectrumOurs", "RestoreReal", n) / Net("SpectrumFftwComplex", "RestoreReal", n),
                  Net("SpectrumOurs", "RestoreReal", n) / Net("SpectrumFftwReal", "RestoreReal", n));
    }
  }

 private:
  double Value(const std::string& name, long n) {
    const auto f = times.find(name);
    if (f == times.end()) return 0.0;
    const auto t = f->second.find(n);
    return t == f->second.end() ? 0.0 : t->second;
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
