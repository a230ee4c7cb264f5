// The amplifier's control words against the command port's own rate. With
// caching on, a word joins the cache as three samples of the port's
// shortest interval (5 us), so the port takes 66,667 words a second; the
// setters should queue them at least ten times as fast. The power-on
// sequence is 50 words in two stimuli of 73 and 79 samples: 760 us on the
// wire, shown beside its CPU time (the simulated board's work included).
//
// A replay of the whole panel state (LoadTheState, some 240 words in the
// stimuli its flushes play) should cost at most a tenth of its time on the
// wire; the wire time is what the simulated board's clock advanced while
// it played them.
//
// The board is the stand-in library's ZRV-28 on the virtual clock, so the
// waits for played stimuli take no real time. Columns:
//   words_per_s       setter words queued per second of CPU time
//   wire_words_per_s  what the port plays (66,667)
//   wire_us           the power-on sequence's or the replay's time on the
//                     wire
#include <benchmark/benchmark.h>

#include <cstdint>

#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "bench/StandInBoard.h"

namespace {

constexpr double kPortInterval = 5e-6;
constexpr double kWireWordsPerSecond = 1.0 / (3 * kPortInterval);
constexpr int kPowerOnSamples = 73 + 79;
// Fewer words than fill the cache, which would play itself.
constexpr int kWordsPerPass = 600;

bool OpenBoard() {
  if (!OpenStandInBoard()) return false;
  T3Base::InitModule();
  T3Error::InitModule();
  T3Panel::InitModule();
  T3Set::InitModule();
  T3Set::SendToHardware = true;
  VrnlBoards::SetProperties(true, false);
  return true;
}

void BM_SettersThroughTheCache(benchmark::State& state) {
  if (!OpenBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  for (auto _ : state) {
    for (int word = 0; word < kWordsPerPass; ++word) T3Set::MuxChannel(word);
    VrnlBoards::ClearCache();
  }
  const double words = static_cast<double>(state.iterations()) * kWordsPerPass;
  state.counters["words_per_s"] = benchmark::Counter(words, benchmark::Counter::kIsRate);
  state.counters["wire_words_per_s"] = kWireWordsPerSecond;
  CloseStandInBoard();
}
BENCHMARK(BM_SettersThroughTheCache)->MeasureProcessCPUTime();

void BM_PowerOn(benchmark::State& state) {
  if (!OpenBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  for (auto _ : state) {
    T3Set::InitHardware();
    VrnlBoards::FlushCache();
  }
  state.counters["wire_us"] = kPowerOnSamples * kPortInterval * 1e6;
  CloseStandInBoard();
}
BENCHMARK(BM_PowerOn)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_LoadTheState(benchmark::State& state) {
  if (!OpenBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  T3Scale::LoadDefaults();
  T3Set::InitHardware();
  double wireSeconds = 0.0;
  for (auto _ : state) {
    const double start = Platform::ElapsedSeconds();
    T3Panel::LoadTheState();
    wireSeconds += Platform::ElapsedSeconds() - start;
  }
  state.counters["wire_us"] = wireSeconds / static_cast<double>(state.iterations()) * 1e6;
  CloseBoard();
}
BENCHMARK(BM_LoadTheState)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
