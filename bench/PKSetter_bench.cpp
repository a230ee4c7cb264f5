// The PK setting layer's own cost against the wire. With caching on, a
// command word joins the cache as three samples of the port's shortest
// interval (5 us), so the port takes 66,667 words a second; the setters
// should queue them at least ten times as fast, so that the wire, not the
// CPU, sets the pace. The parking of a PK 510 before a PK 518's amplifier
// board is used is shown beside its time on the wire (the simulated board's
// work included); goal: at least ten times faster.
//
// The board is the stand-in library's ZRV-28 on the virtual clock
// (bench/StandInBoard.h), so the waits for played stimuli take no real time.
// Columns:
//   words_per_s       setter words queued per second of CPU time
//   wire_words_per_s  what the port plays (66,667)
//   words             words of one parking
//   wire_us           their time on the wire
#include <benchmark/benchmark.h>

#include <cstdint>

#include "acquisition/VrnlBoards.h"
#include "bench/StandInBoard.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Port.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_518.h"

namespace {

constexpr double kWireSecondsPerWord = 3 * 5e-6;
constexpr double kWireWordsPerSecond = 1.0 / kWireSecondsPerWord;
// Fewer words a pass than fill the cache, which would play itself.
constexpr int kSetterRounds = 40;

std::int64_t counted = 0;
void Count(std::int16_t, std::uint16_t) { ++counted; }

// The words the procedure sends, counted in front of the port layer.
std::int64_t WordsOf(void (*procedure)()) {
  counted = 0;
  K5Port::SetReceiver(&Count);
  procedure();
  K5Port::SetReceiver(nullptr);
  return counted;
}

bool OpenBoard() {
  if (!OpenStandInBoard(ZRVBase::BoardZRV28, &K5Panel::InitAllModules)) return false;
  VrnlBoards::SetProperties(true, false);
  return true;
}

void SetterPass() {
  for (std::uint16_t code = 0; code < kSetterRounds; ++code) {
    K5Set::CurrentOffsetDac(code * 97 & 0xFFF);
    K5Set::SubtractDacValue(code * 1543);
    K5Set::CurrentFilter(code % 7);
    K5Set::MuxChannel(code & 0xF);
    K5Set::ClampGainDac(code * 7 & 0xFF);
  }
}

void BM_SettersThroughTheCache(benchmark::State& state) {
  if (!OpenBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  K5Set::SendToHardware = true;
  K5Set::ActiveBoard(K5Set::MainBoard);
  const std::int64_t wordsPerPass = WordsOf(&SetterPass);
  for (auto _ : state) {
    SetterPass();
    VrnlBoards::ClearCache();
  }
  const double words = static_cast<double>(state.iterations() * wordsPerPass);
  state.counters["words_per_s"] = benchmark::Counter(words, benchmark::Counter::kIsRate);
  state.counters["wire_words_per_s"] = kWireWordsPerSecond;
  CloseStandInBoard();
}
BENCHMARK(BM_SettersThroughTheCache)->MeasureProcessCPUTime();

void BM_Parking(benchmark::State& state) {
  if (!OpenBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  const std::int64_t words = WordsOf(&K5Set_518::Init_PK510_and_PK518);
  for (auto _ : state) K5Set_518::Init_PK510_and_PK518();
  state.counters["words"] = static_cast<double>(words);
  state.counters["wire_us"] = static_cast<double>(words) * kWireSecondsPerWord * 1e6;
  CloseStandInBoard();
}
BENCHMARK(BM_Parking)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
