// The automatic compensations on a simulated rack behind the stand-in
// ZRV-28: one Q board with its analog model and noise, on the virtual
// clock. Columns:
//   hw_s   simulated time per run (acquisitions and waits)
// beside the CPU time per run; the goal is at most 1 % of hw_s.
//   CSlow    a cold run (the board's first) on the whole cell, its pipette
//            capacitance compensated, filter 2 out of the current monitor;
//   VpOffset the pipette offset on the bath;
//   GLeak    the leak compensation on the seal;
//   CFastComputed  the computed C-fast method on the seal;
//   CFastLookup    the lookup on the seal, a board's first, from half the
//            seal's capacitance, with a table made on it beforehand;
//   RsComp   the Rs compensation on the whole cell from fraction 0.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "acquisition/ADMeasure.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/CFastTable_fixture.h"
#include "bench/StandInBoard.h"
#include "selftest/tests/RackBoard.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

// setUp runs once on the started board, prepare before every run.
void AutoBench(benchmark::State& state, const AmplifierCell& cell, const std::function<void()>& prepare,
               const std::function<bool()>& run, const std::function<void()>& setUp = [] {}) {
  AmplifierRackConfig config;
  config.interface = RackInterface::kZRV28;
  config.boards[0].letter = 'Q';
  config.analog = true;
  config.noise = true;
  AmplifierRackWiring rack(config);
  if (!OpenStandInBoard()) {
    state.SkipWithError("no simulated board");
    return;
  }
  ZRVSim_SetWiring(&rack);
  StartRackBoard('Q', ZRVBase::BoardZRV28, 0);
  ADMeasure::TestWriteMode = 0;
  rack.Rack(0).SwitchModelCircuit(0, cell);
  setUp();
  const T3Types::AmplifierState start = T3Types::State;
  double hardwareSeconds = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    T3Types::State = start;
    T3Panel::LoadTheState();
    prepare();
    state.ResumeTiming();
    const double begin = Platform::ElapsedSeconds();
    if (!run()) {
      state.SkipWithError("the procedure failed");
      break;
    }
    hardwareSeconds += Platform::ElapsedSeconds() - begin;
  }
  state.counters["hw_s"] = hardwareSeconds / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
  ZRVSim_SetWiring(nullptr);
  CloseStandInBoard();
}

// C-fast set to the share of the cell's pipette capacitance, its time
// constant the pipette wall's.
void SetCFastOf(const AmplifierCell& cell, double share) {
  T3Panel::SetCFast1(share * cell.stray_farads);
  T3Panel::SetCFast2(share * cell.wall_farads);
  T3Panel::SetCFastTau(cell.wall_farads * cell.wall_ohms);
}

void BM_CSlowCold(benchmark::State& state) {
  const AmplifierCell cell = AmplifierCell::WholeCell();
  AutoBench(
      state, cell,
      [&] {
        T3Base::BoardState.CSlowDone = false;
        T3Panel::SetF2Response(2);
        SetCFastOf(cell, 1.0);
      },
      [] { return T3Auto::CSlow(false); });
}
BENCHMARK(BM_CSlowCold)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_VpOffset(benchmark::State& state) {
  AutoBench(state, AmplifierCell::Bath(), [] { T3Panel::SetGain(3); }, [] { return T3Auto::VpOffset(); });
}
BENCHMARK(BM_VpOffset)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_GLeak(benchmark::State& state) {
  AutoBench(state, AmplifierCell::Seal(), [] { T3Panel::SetGain(5); }, [] { return T3Auto::GLeak(); });
}
BENCHMARK(BM_GLeak)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_CFastComputed(benchmark::State& state) {
  AutoBench(
      state, AmplifierCell::Seal(),
      [] {
        T3Init::CFastFileLoaded = false;
        T3Panel::SetCFast1(0.0);
        T3Panel::SetCFast2(0.0);
      },
      [] { return T3Auto::CFast(); });
}
BENCHMARK(BM_CFastComputed)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_CFastLookup(benchmark::State& state) {
  const AmplifierCell cell = AmplifierCell::Seal();
  AutoBench(
      state, cell,
      [&] {
        T3Base::BoardState.CFastLookupDone = false;
        SetCFastOf(cell, 0.5);
      },
      [] { return T3Auto::CFast(); }, [] { InstallCFastTable(MeasuredCFastTable({0})); });
  T3Init::CFastFileLoaded = false;
}
BENCHMARK(BM_CFastLookup)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_RsComp(benchmark::State& state) {
  const AmplifierCell cell = AmplifierCell::WholeCell();
  AutoBench(
      state, cell,
      [&] {
        T3Panel::SetCSlowRange(2);
        T3Panel::SetCSlow(cell.membrane_farads);
        T3Panel::SetGSeries(1.0 / cell.series_ohms);
        T3Panel::SetRsOn(true);
        T3Panel::SetRsComp(0.0);
      },
      [] { return T3Auto::RsComp(0.05, 0.05); });
}
BENCHMARK(BM_RsComp)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
