// The runs of a benchmark on the virtual clock with the simulated time they
// took on the lines: the counter hw_s (seconds per run, waits included)
// beside the CPU time the benchmark measures. A run that gives FALSE stops
// the benchmark with "the test stopped".
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "foundation/platform/Clock.h"

template <typename Run>
void RunOnTheLines(benchmark::State& state, Run run) {
  double hardwareSeconds = 0.0;
  for (auto _ : state) {
    const double start = Platform::ElapsedSeconds();
    if (!run()) {
      state.SkipWithError("the test stopped");
      break;
    }
    hardwareSeconds += Platform::ElapsedSeconds() - start;
  }
  state.counters["hw_s"] = hardwareSeconds / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
}
