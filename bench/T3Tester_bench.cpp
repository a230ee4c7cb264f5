// The board test on a simulated rack behind the stand-in ZRV-28: one K
// board with its analog model and noise, on the virtual clock. The
// multiplexer test and the silent multiplexer check measure four transfers
// each (a gain from ten 100-point square periods at 0.1 ms, 0.1 s of
// settling, 512 samples at 50 us for offset and noise); the blocks of a
// board test run whole (the test integrator's about 110 s). Columns:
//   hw_s        simulated time on the lines per run, waits included
// and the CPU time per run; the goal is at most 1 % of hw_s.
#include <benchmark/benchmark.h>


#include "acquisition/ADMeasure.h"
#include "bench/SimulatedTime.h"
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
void RackBench(benchmark::State& state, Run run) {
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
  RunOnTheLines(state, run);
  ZRVSim_SetWiring(nullptr);
  CloseStandInBoard();
}

void BM_Mux(benchmark::State& state) {
  TestResultsBlock::MuxTestResults mux{};
  RackBench(state, [&] { return T3Tester::Mux(mux.Transfer, false); });
}
BENCHMARK(BM_Mux)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_CheckMux(benchmark::State& state) { RackBench(state, [] { return T3Tester::CheckMux(); }); }
BENCHMARK(BM_CheckMux)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// One block of the board test into its group.
template <class Group>
void BlockBench(benchmark::State& state, bool (*block)(Group&)) {
  Group group{};
  RackBench(state, [&] { return block(group); });
}

void BM_CurrentMonitor(benchmark::State& state) { BlockBench(state, T3Tester::CurrentMonitor); }
void BM_Filter2(benchmark::State& state) { BlockBench(state, T3Tester::Filter2); }
void BM_Integrator(benchmark::State& state) { BlockBench(state, T3Tester::Integrator); }
void BM_StimulusPath(benchmark::State& state) { BlockBench(state, T3Tester::StimulusPath); }
void BM_CFastAndSlow(benchmark::State& state) { BlockBench(state, T3Tester::CFastAndSlow); }
BENCHMARK(BM_CurrentMonitor)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Filter2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Integrator)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_StimulusPath)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CFastAndSlow)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
