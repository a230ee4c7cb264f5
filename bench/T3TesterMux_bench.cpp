// The multiplexer test and the silent multiplexer check on a simulated
// rack behind the stand-in ZRV-28: one K board with its analog model, on
// the virtual clock. Each run measures four transfers (a gain from ten
// 100-point square periods at 0.1 ms, 0.1 s of settling, 512 samples at
// 50 us for offset and noise). Columns:
//   hw_s        simulated time on the lines per run, waits included
// and the CPU time per run; the goal is at most 1 % of hw_s.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "acquisition/ADMeasure.h"
#include "bench/StandInBoard.h"
#include "selftest/T3Tester.h"
#include "selftest/TestResultsBlock.h"
#include "selftest/tests/RackBoard.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

bool StartRack(AmplifierRackWiring& rack) {
  if (!OpenStandInBoard()) return false;
  ZRVSim_SetWiring(&rack);
  StartRackBoard('K', ZRVBase::BoardZRV28, 0);
  ADMeasure::TestWriteMode = 0;
  return true;
}

template <typename Run>
void MuxBench(benchmark::State& state, Run run) {
  AmplifierRackConfig config;
  config.interface = RackInterface::kZRV28;
  config.boards[0].letter = 'K';
  config.analog = true;
  config.noise = true;
  AmplifierRackWiring rack(config);
  if (!StartRack(rack)) {
    state.SkipWithError("no simulated board");
    return;
  }
  double hardwareSeconds = 0.0;
  for (auto _ : state) {
    const double start = Platform::ElapsedSeconds();
    if (!run()) {
      state.SkipWithError("the multiplexer test failed");
      break;
    }
    hardwareSeconds += Platform::ElapsedSeconds() - start;
  }
  state.counters["hw_s"] = hardwareSeconds / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
  ZRVSim_SetWiring(nullptr);
  CloseStandInBoard();
}

void BM_Mux(benchmark::State& state) {
  TestResultsBlock::MuxTestResults mux{};
  MuxBench(state, [&] { return T3Tester::Mux(mux.Transfer, false); });
}
BENCHMARK(BM_Mux)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_CheckMux(benchmark::State& state) { MuxBench(state, [] { return T3Tester::CheckMux(); }); }
BENCHMARK(BM_CheckMux)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
