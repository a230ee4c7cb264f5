// The probe test sequence on a simulated rack behind the stand-in ZRV-28:
// one K board with its analog model and noise, a quiet TLV probe with its
// noise on, an operator who moves the bench as the boxes ask, on the
// virtual clock: the input gain through 10 MOhm, the shielded steps, the
// 1 pF and 10 pF transfers, the noise of all three ranges (chirps, gain
// setting, 50 traces each). Columns:
//   hw_s        simulated time on the lines per run, waits included
// and the CPU time per run; the goal is at most 1 % of hw_s.
#include <benchmark/benchmark.h>

#include <string_view>

#include "acquisition/ADMeasure.h"
#include "bench/SimulatedTime.h"
#include "bench/StandInBoard.h"
#include "dialogs/Alert.h"
#include "selftest/T3TestProbe.h"
#include "selftest/TestResultsBlock.h"
#include "selftest/tests/RackBoard.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

void BM_ProbeSequence(benchmark::State& state) {
  AmplifierRackConfig config;
  config.interface = RackInterface::kZRV28;
  config.boards[0].letter = 'K';
  config.analog = true;
  config.noise = true;
  AmplifierRackWiring wiring(config);
  if (!OpenStandInBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  ZRVSim_SetWiring(&wiring);
  StartRackBoard('K', ZRVBase::BoardZRV28, 0);
  ADMeasure::TestWriteMode = 0;
  AmplifierRack& rack = wiring.Rack(0);
  BenchPosition bench;
  bench.probe.noise = true;
  rack.SetBench(0, 0, bench);
  Alert::SetAnswerProc([&](std::string_view message) {
    const bool tenMOhm = message.find("10 MOhm position") != std::string_view::npos;
    bench.circuit = tenMOhm ? ModelCircuit::k10MOhm : ModelCircuit::kShielded;
    rack.SetBench(0, 0, bench);
    return 3;
  });
  TestResultsBlock::ProbeTestResults results{};
  RunOnTheLines(state, [&] { return T3TestProbe::All(results, false, true, true, false); });
  Alert::SetAnswerProc(nullptr);
  ZRVSim_SetWiring(nullptr);
  CloseStandInBoard();
}
BENCHMARK(BM_ProbeSequence)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
