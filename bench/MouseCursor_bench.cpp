// The wait cursor between its frames, as long measurement loops call it on
// every pass, beside the one clock reading it is allowed: the goal is less
// than twice the clock reading.
#include "foundation/RealTime.h"
#include "shell/Mouse.h"

#include <benchmark/benchmark.h>

namespace {

void ClockReading(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RealTime::GetTime());
}
BENCHMARK(ClockReading);

void WaitOrWatchCursorBetweenFrames(benchmark::State& state) {
  // The first call shows a frame; the rest come within its second.
  Mouse::SetWaitOrWatchCursor();
  for (auto _ : state) Mouse::SetWaitOrWatchCursor();
  Mouse::SetCursorShape(Mouse::kArrow);
}
BENCHMARK(WaitOrWatchCursorBetweenFrames);

}  // namespace
