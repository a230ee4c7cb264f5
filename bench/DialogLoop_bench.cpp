// The main loop while the program is idle, headless.
//
// DoPoll on the virtual clock with 20 open dialogs: none changed, and one
// item changed before every pass (the dialog redrawn). Columns:
//   cpu_us_per_pass   CPU time of one pass
//   tick_share_pct    that time as a share of the 1/60 s tick a pass waits
//
// Execute on the real clock for a second, the filter being the program's
// background work (here none). Columns:
//   cpu_pct           CPU time as a share of one core (goal: under 2 %)
//   passes_per_s      the passes, about 60 a second
#include <benchmark/benchmark.h>

#include <array>
#include <ctime>
#include <string>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/Buffer.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "platform/Fonts.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/Shell.h"
#include "terminal/ANSITerm.h"

namespace {

using namespace ModDialogUt;

constexpr int kDialogs = 20;
constexpr int kItems = 5;
constexpr double kTick = 1.0 / 60.0;

struct Dialog {
  DialogRecord record;
  std::array<DialogItem*, kItems + 1> items{};
  double volts = 1.5;
};
std::array<Dialog, kDialogs> dialogs;
Dialog* filling = nullptr;

void Fill() {
  DialogRecord* d = &filling->record;
  FillTextField(d, 1, kText, "title", false, "Channel", 10, 30, 120, 18);
  FillTextField(d, 2, kFramedNumber, "volts", false, "U = ", 10, 60, 160, 20);
  FillDragField(d, 2, " V", kEngineering, kDouble, 12, 3, 0, 0, 0, 1, false, 0);
  FillTextField(d, 3, kButton, "go", false, "Go", 10, 90, 80, 20);
  FillTextField(d, 4, kCheckBox, "on", false, "On", 100, 90, 80, 16);
  FillTextField(d, 5, kDrag, "gain", false, "", 10, 120, 120, 20);
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void OpenDialogs() {
  static const bool opened = [] {
    Platform::UseVirtualClock(1000.0);
    UIPlatform::InitModule(Headless::Ops(), 1280, 1024);
    Buffer::InitModule();
    Shell::Initialize();
    TermIO::InitModule();
    Graphics::InitModule();
    Graphics::Initialize();
    ANSITerm::Initialize();
    ModDialogLoop::InitAllModules();
    for (int k = 0; k < kDialogs; ++k) {
      filling = &dialogs[static_cast<std::size_t>(k)];
      const std::string name = "Dialog" + std::to_string(k);
      ClearRecord(&filling->record);
      InitializeRecord(&filling->record, filling->items, true, false, name, name, Fonts::kGeneva, 12, kItems,
                       20 + 30 * k, 300 + 20 * k, 300, 200, 0);
      ModDialog::Initialize(&filling->record, 0, Fill, NoProc, false, true, true, true, false, name);
      FillProcField(&filling->record, 2, &filling->volts, nullptr, nullptr);
      ModDialog::Update(&filling->record);
    }
    ModDialogLoop::ActiveTerminal = dialogs[0].record.Terminal;
    ModDialogLoop::ActiveDialogPtr = &dialogs[0].record;
    // The window events of the openings.
    for (int i = 0; i < 200; ++i) ModDialogLoop::DoPoll(true);
    return true;
  }();
  static_cast<void>(opened);
}

void Report(benchmark::State& state, double cpu) {
  const double perPass = cpu / static_cast<double>(state.iterations());
  state.counters["cpu_us_per_pass"] = perPass * 1e6;
  state.counters["tick_share_pct"] = 100.0 * perPass / kTick;
}

void IdlePassUnchanged(benchmark::State& state) {
  OpenDialogs();
  Platform::UseVirtualClock(Platform::ElapsedSeconds());
  const double start = CpuSeconds();
  for (auto _ : state) ModDialogLoop::DoPoll(true);
  Report(state, CpuSeconds() - start);
}
BENCHMARK(IdlePassUnchanged);

void IdlePassOneItemChanged(benchmark::State& state) {
  OpenDialogs();
  Platform::UseVirtualClock(Platform::ElapsedSeconds());
  Dialog& changed = dialogs[static_cast<std::size_t>(kDialogs / 2)];
  const double start = CpuSeconds();
  for (auto _ : state) {
    changed.volts += 0.001;
    changed.record.Items[2]->NeedsDraw = true;
    changed.record.Changed = true;
    ModDialogLoop::DoPoll(true);
  }
  Report(state, CpuSeconds() - start);
}
BENCHMARK(IdlePassOneItemChanged);

bool stop = false;
double stopAt = 0;
int passes = 0;
void CountPasses(ANSITerm::TerminalRecord*, DialogRecord*, int&, char&, int&, bool) {
  ++passes;
  stop = Platform::ElapsedSeconds() >= stopAt;
}

void IdleExecuteRealClock(benchmark::State& state) {
  OpenDialogs();
  Platform::UseRealClock();
  for (auto _ : state) {
    passes = 0;
    stop = false;
    const double wall = Platform::ElapsedSeconds();
    stopAt = wall + 1.0;
    const double cpu = CpuSeconds();
    ModDialogLoop::Execute(dialogs[0].record.Terminal, &dialogs[0].record, CountPasses, stop);
    const double elapsed = Platform::ElapsedSeconds() - wall;
    state.counters["cpu_pct"] = 100.0 * (CpuSeconds() - cpu) / elapsed;
    state.counters["passes_per_s"] = passes / elapsed;
  }
}
BENCHMARK(IdleExecuteRealClock)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
