// The PK setting layer's own cost against the wire. A command word takes
// three samples of 5 us on the command port, so the wire carries at most
// 66,667 words a second; the program should build and hand over words at
// least ten times as fast, so that the wire, not the CPU, sets the pace.
// Columns:
//   words_per_cpu_s   words the setters produce per CPU second
//   wire_words_per_s  what the command port can carry
//   speedup           the two divided (goal: at least 10)
// and for the parking of a PK 510 before a PK 518's amplifier board is used:
//   words             words of one parking
//   wire_us           their time on the wire
//   speedup           wire time / CPU time (goal: at least 10)
// The words go to a simulated PK 510 as the command port's decoder would
// hand them over.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>

#include "acquisition/ZRV.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Port.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_518.h"
#include "sim/potentiostat/PKSimBoard.h"

namespace {

constexpr double kWireSecondsPerWord = 3 * 5e-6;
constexpr double kWireWordsPerSecond = 1.0 / kWireSecondsPerWord;

PKSimBoard* board = nullptr;
std::int64_t words = 0;

void ToBoard(std::int16_t, std::uint16_t word) {
  board->Strobe(word);
  ++words;
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

struct Receiver {
  PKSimBoard pk510{PKSimModel::PK510, true};
  Receiver() {
    board = &pk510;
    words = 0;
    K5Port::SetReceiver(&ToBoard);
  }
  ~Receiver() { K5Port::SetReceiver(nullptr); }
};

void BM_SetterWords(benchmark::State& state) {
  K5Panel::InitAllModules();
  Receiver receiver;
  K5Set::SendToHardware = true;
  K5Set::ActiveBoard(1);
  std::uint16_t code = 0;
  const double start = CpuSeconds();
  for (auto _ : state) {
    K5Set::CurrentOffsetDac(code & 0xFFF);
    K5Set::SubtractDacValue(code);
    K5Set::CurrentFilter(code % 7);
    K5Set::MuxChannel(code & 0xF);
    K5Set::ClampGainDac(code & 0xFF);
    ++code;
  }
  const double perCpuSecond = static_cast<double>(words) / (CpuSeconds() - start);
  state.counters["words_per_cpu_s"] = perCpuSecond;
  state.counters["wire_words_per_s"] = kWireWordsPerSecond;
  state.counters["speedup"] = perCpuSecond / kWireWordsPerSecond;
}
BENCHMARK(BM_SetterWords);

void BM_Parking(benchmark::State& state) {
  K5Panel::InitAllModules();
  ZRV::SetBoardType(ZRVBase::BoardNone);
  Receiver receiver;
  const double start = CpuSeconds();
  for (auto _ : state) K5Set_518::Init_PK510_and_PK518();
  const double cpuPerParking = (CpuSeconds() - start) / static_cast<double>(state.iterations());
  const double perParking = static_cast<double>(words) / static_cast<double>(state.iterations());
  const double wireSeconds = perParking * kWireSecondsPerWord;
  state.counters["words"] = perParking;
  state.counters["wire_us"] = wireSeconds * 1e6;
  state.counters["speedup"] = wireSeconds / cpuPerParking;
  ZRV::Shutdown();
}
BENCHMARK(BM_Parking);

}  // namespace
