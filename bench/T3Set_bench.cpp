// The amplifier's control words against the command port's own rate. With
// caching on, a word joins the cache as three samples of the port's
// shortest interval (5 us), so the port takes 66,667 words a second; the
// setters should queue them at least ten times as fast. The power-on
// sequence (some 240 words with the replay of the default state) and a
// replay of the whole panel state (LoadTheState) are shown beside their
// time on the wire, what the simulated board's clock advanced while it
// played their stimuli; a replay should cost at most a tenth of it (the
// simulated board's work included).
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
#include "foundation/platform/Clock.h"

namespace {

constexpr double kPortInterval = 5e-6;
constexpr double kWireWordsPerSecond = 1.0 / (3 * kPortInterval);
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

// Runs body once per iteration; wire_us := the mean time the board's
// clock advanced meanwhile.
template <typename Body>
void TimeOnTheWire(benchmark::State& state, Body body) {
  double wireSeconds = 0.0;
  for (auto _ : state) {
    const double start = Platform::ElapsedSeconds();
    body();
    wireSeconds += Platform::ElapsedSeconds() - start;
  }
  state.counters["wire_us"] = wireSeconds / static_cast<double>(state.iterations()) * 1e6;
}

void BM_PowerOn(benchmark::State& state) {
  if (!OpenBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  T3Scale::LoadDefaults();
  TimeOnTheWire(state, [] {
    T3Set::InitHardware();
    VrnlBoards::FlushCache();
  });
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
  TimeOnTheWire(state, [] { T3Panel::LoadTheState(); });
  CloseStandInBoard();
}
BENCHMARK(BM_LoadTheState)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
