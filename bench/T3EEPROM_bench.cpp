// Writing and verifying one C-fast block (10,240 bytes, 40 pages) on the
// amplifier's page EEPROM of a simulated rack behind the stand-in ZRV-28.
// The chip itself needs at least 40 page programs of 5 ms: 0.2 s. Each
// page also costs a write-enable, a program and a write-disable pattern
// with their waits (8 ms), and one read-back pattern of 8,324 samples.
// Columns:
//   air_s       simulated time on the lines per block, waits included
//   chip_min_s  the chip's own minimum (0.2 s)
// and the CPU time per block (the simulated board's and chip's work
// included).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/VrnlEEPROM.h"
#include "bench/StandInBoard.h"
#include "foundation/platform/Clock.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

constexpr int kCFastBlockSize = 10240;
constexpr int kCFastFirstPage = 20;
constexpr double kChipMinimumSeconds = 40 * 0.005;

void BM_WriteAndVerifyCFastBlock(benchmark::State& state) {
  if (!OpenStandInBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  AmplifierRackConfig config;
  config.interface = RackInterface::kZRV28;
  AmplifierRackWiring rack(config);
  ZRVSim_SetWiring(&rack);
  T3Base::InitModule();
  T3Error::InitModule();
  T3Panel::InitModule();
  T3Set::InitModule();
  T3Base::ADBoard = ZRVBase::BoardZRV28;
  T3Types::State.EEPROMKind = 2;
  T3Set::SendToHardware = true;
  VrnlEEPROM::InitModule();
  T3Set::T3BoardLatch(0);
  T3Set::EEPROMDataPath(true);
  T3Set::EEPROMSelect(false);
  VrnlBoards::Wait(0.05);
  const VrnlEEPROM::Chip chip{T3Set::EEPROMSelect, 0, T3Types::State.EEPROMReadChannel,
                              T3Types::State.CommandPortChannel};

  std::vector<std::uint8_t> block(kCFastBlockSize);
  double airSeconds = 0.0;
  std::string message;
  for (auto _ : state) {
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 13 + state.iterations());
    const double start = Platform::ElapsedSeconds();
    if (!VrnlEEPROM::WritePagesToEEPROM(kCFastFirstPage, block, kCFastBlockSize, chip, message)) {
      state.SkipWithError(message.c_str());
      break;
    }
    airSeconds += Platform::ElapsedSeconds() - start;
  }
  state.counters["air_s"] = airSeconds / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
  state.counters["chip_min_s"] = kChipMinimumSeconds;
  ZRVSim_SetWiring(nullptr);
  CloseStandInBoard();
}
BENCHMARK(BM_WriteAndVerifyCFastBlock)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
