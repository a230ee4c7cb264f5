// The C-slow transient fit against what it must at least compute: its
// 1,000 simplex steps each evaluate two exponentials at up to 200 points,
// so a plain loop of 1,000 x 200 x 2 exponentials is its floor. The fit
// runs on a 50-point response of 22 pF behind 10 MOhm and 8 pF behind
// 150 MOhm; the column acquired_s is how long the rack takes to acquire
// that response (46 cycles of 2 x 50 points at 10 us), for comparison.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "amplifier/T3CSlowFit.h"
#include "amplifier/T3Types.h"

namespace {

constexpr double kStep = 0.02;
constexpr double kInterval = 1e-5;
constexpr double kScale = 1e-12;
constexpr std::int32_t kPoints = 50;
constexpr int kCycles = 46;

std::array<std::int32_t, 200> Response() {
  std::array<std::int32_t, 200> sums{};
  for (std::int32_t i = 0; i < kPoints; ++i) {
    const double x = 5.9e-5 + kInterval * i;
    const double amperes = kStep / 10e6 * std::exp(-x / 220e-6) + kStep / 150e6 * std::exp(-x / 1.2e-3);
    sums[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(std::lround(amperes / kScale));
  }
  return sums;
}

void BM_DoFit(benchmark::State& state) {
  const auto sums = Response();
  for (auto _ : state) {
    T3Types::State = T3Types::AmplifierState{};
    T3Types::State.CSlow = 20e-12;
    T3Types::State.GSeries = 1.0 / 12e6;
    T3Types::State.Filter1 = 2;
    benchmark::DoNotOptimize(T3CSlowFit::DoFit(sums, kStep, kInterval, kScale, kPoints, 1));
  }
  state.counters["acquired_s"] = 2.0 * kPoints * (kCycles + 2) * kInterval;
}
BENCHMARK(BM_DoFit)->Unit(benchmark::kMillisecond);

void BM_PlainExponentials(benchmark::State& state) {
  volatile double tau = 220e-6;
  for (auto _ : state) {
    double sum = 0.0;
    for (int step = 0; step < 1000; ++step) {
      for (int i = 0; i < 200; ++i) {
        const double x = kInterval * i;
        sum += std::exp(-x / tau) + std::exp(-x / (5.0 * tau));
      }
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_PlainExponentials)->Unit(benchmark::kMillisecond);

}  // namespace
