// The replay of a whole PK state (K5Panel::LoadTheState) against the time
// it takes on the instrument: its words on the wire, the settling waits and
// the booster measurement, all on the virtual clock. A PK 512 pair is
// replayed, both amplifiers; goal: the CPU time at most 1 % of the
// simulated time.
//
// The board is the stand-in library's ZRV-28 (bench/StandInBoard.h).
// Columns:
//   simulated_ms        one replay's time on the virtual clock
//   cpu_per_simulated   the CPU time of a replay over its simulated time, %
#include <benchmark/benchmark.h>

#include <ctime>

#include "acquisition/VrnlBoards.h"
#include "bench/StandInBoard.h"
#include "foundation/platform/Clock.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Set.h"

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void BM_LoadTheState(benchmark::State& state) {
  if (!OpenStandInBoard(ZRVBase::BoardZRV28, &K5Panel::InitAllModules)) {
    state.SkipWithError("no simulated board");
    return;
  }
  VrnlBoards::SetProperties(true, false);
  K5Set::SendToHardware = true;
  K5Panel::AssignVersion('B');
  K5Panel::SetActiveAmpl(0);
  double simulated = 0.0;
  double cpu = 0.0;
  for (auto _ : state) {
    const double cpuStart = CpuSeconds();
    const double start = Platform::ElapsedSeconds();
    K5Panel::LoadTheState();
    simulated += Platform::ElapsedSeconds() - start;
    cpu += CpuSeconds() - cpuStart;
  }
  const auto replays = static_cast<double>(state.iterations());
  state.counters["simulated_ms"] = simulated / replays * 1e3;
  state.counters["cpu_per_simulated"] = simulated > 0.0 ? cpu / simulated * 100.0 : 0.0;
  CloseStandInBoard();
}
BENCHMARK(BM_LoadTheState)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
