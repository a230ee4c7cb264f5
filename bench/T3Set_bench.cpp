// The amplifier's control words against the command port's own rate. With
// caching on, a word joins the cache as three samples of the port's
// shortest interval (5 us), so the port takes 66,667 words a second; the
// setters should queue them at least ten times as fast. The power-on
// sequence is 50 words in two stimuli of 73 and 79 samples: 760 us on the
// wire, shown beside its CPU time (the simulated board's work included).
//
// The board is the stand-in library's ZRV-28 on the virtual clock, so the
// waits for played stimuli take no real time. Columns:
//   words_per_s       setter words queued per second of CPU time
//   wire_words_per_s  what the port plays (66,667)
//   wire_us           the power-on sequence's time on the wire
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/ZRVLibrary.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "foundation/Buffer.h"
#include "foundation/RealTime.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "shell/Shell.h"
#include "sim/ZRVLibrary/ZRVSim.h"

namespace {

constexpr double kPortInterval = 5e-6;
constexpr double kWireWordsPerSecond = 1.0 / (3 * kPortInterval);
constexpr int kPowerOnSamples = 73 + 79;
// Fewer words than fill the cache, which would play itself.
constexpr int kWordsPerPass = 600;

bool OpenBoard() {
  Platform::UseVirtualClock(1000.0);
  setenv(ZRVLibrary::kPathVariable, MERETH_ZRV_STANDIN, 1);
  Buffer::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  RealTime::InitModule();
  ZRVLibrary::InitModule();
  if (!ZRVLibrary::Load()) return false;
  ZRVSim_Reset();
  ZRVBase::InitModule();
  VrnlBoards::InitModule();
  ZRV::InitModule();
  if (!ZRV::InitInterface(ZRVBase::BoardZRV28)) return false;
  T3Base::InitModule();
  T3Error::InitModule();
  T3Panel::InitModule();
  T3Set::InitModule();
  T3Set::SendToHardware = true;
  VrnlBoards::SetProperties(true, false);
  return true;
}

void CloseBoard() {
  ZRV::Shutdown();
  Buffer::Shutdown();
  Platform::UseRealClock();
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
  CloseBoard();
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
  CloseBoard();
}
BENCHMARK(BM_PowerOn)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
