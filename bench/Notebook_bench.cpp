// The notebook window on the headless screen, as the calibration program
// installs it, each beside a plain peer doing the same work:
//   - 1,000,000 console lines written into the shown notebook at its limit
//     of 20,000 lines, beside a std::deque<std::string> pushed at the back
//     and popped at the front at the same limit: the cost per line
//     (counter "ns_per_line") and the last 100,000 lines against the first
//     100,000 ("last_vs_first", 1 when flat);
//   - a full TermWindow::Update of the notebook at its limit, as a share of
//     the 1/60 s tick (counter "tick_share");
//   - Replace All of 10,000 occurrences in 100,000 lines through the Edit
//     menu, beside a std::string find-and-replace loop over a vector of the
//     same lines.
#include <benchmark/benchmark.h>

#include <time.h>

#include <deque>
#include <string>
#include <vector>

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "platform/Fonts.h"
#include "platform/Session.h"
#include "shell/ModMenus.h"
#include "shell/ModWindow.h"
#include "shell/ScrapUtil.h"
#include "shell/Shell.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditMenus.h"
#include "terminal/EditState.h"
#include "terminal/LineEditor.h"
#include "terminal/TermWindow.h"

namespace {

constexpr int kConsoleLines = 1000000;
constexpr int kStretch = 100000;
constexpr int kReplaceLines = 100000;
constexpr int kOccurrenceEvery = 10;
constexpr double kTickSeconds = 1.0 / 60.0;

// CPU time of the thread: eight helpers share the machine, and the stretches
// compared must not be told apart by the load of the moment.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
};

std::span<const char> Z(const std::string& text) { return {text.c_str(), text.size() + 1}; }

std::string ConsoleLine(int i) { return "Square wave on DAC 0, ADC 0: " + std::to_string(i) + " mV"; }

std::string ReplaceLine(int i) {
  return i % kOccurrenceEvery == 0 ? "gain " + std::to_string(i) + " needle end" : "gain " + std::to_string(i);
}

double Seconds(Clock::time_point start) { return Clock::now() - start; }

// The notebook installed once, shown, with its menus.
void Notebook() {
  static const bool installed = [] {
    Platform::UseVirtualClock(1000.0);
    Session::OpenHeadless();
    Buffer::InitModule();
    Shell::Initialize();
    TermIO::InitModule();
    ModMenus::InitModule();
    LineEditor::InitModule();
    TermWindow::InitModule();
    ModWindow::WindowParameters parameters;
    parameters.fontNumber = Fonts::kCourier;
    parameters.fontSize = 10;
    TermWindow::ClipWindow(parameters, 15, 82, 100, 507, 80, 280);
    TermWindow::Install(parameters, true);
    TermWindow::InstallMenu(true, true);
    TermWindow::CreateMenu();
    return true;
  }();
  (void)installed;
  TermWindow::SetMaxLength(TermWindow::kDefaultLength);
  TermWindow::ClearNotebook();
}

// Per line over the whole run, and the last stretch against the first.
void LineCounters(benchmark::State& state, double first, double last, double total) {
  state.counters["ns_per_line"] = total * 1e9 / kConsoleLines;
  state.counters["last_vs_first"] = last / first;
}

void BM_NotebookConsoleLines(benchmark::State& state) {
  Notebook();
  for (auto _ : state) {
    double first = 0, last = 0;
    const Clock::time_point start = Clock::now();
    Clock::time_point stretch = start;
    for (int i = 0; i < kConsoleLines; ++i) {
      TermIO::WriteLine(Z(ConsoleLine(i)));
      if (i + 1 == kStretch) first = Seconds(stretch);
      if (i + 1 == kConsoleLines - kStretch) stretch = Clock::now();
    }
    last = Seconds(stretch);
    LineCounters(state, first, last, Seconds(start));
  }
  if (TermWindow::GetLength() != TermWindow::kDefaultLength) state.SkipWithError("limit not kept");
}
BENCHMARK(BM_NotebookConsoleLines)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_DequeConsoleLines(benchmark::State& state) {
  for (auto _ : state) {
    std::deque<std::string> lines;
    double first = 0, last = 0;
    const Clock::time_point start = Clock::now();
    Clock::time_point stretch = start;
    for (int i = 0; i < kConsoleLines; ++i) {
      lines.push_back(ConsoleLine(i));
      if (lines.size() > static_cast<std::size_t>(TermWindow::kDefaultLength)) lines.pop_front();
      if (i + 1 == kStretch) first = Seconds(stretch);
      if (i + 1 == kConsoleLines - kStretch) stretch = Clock::now();
    }
    last = Seconds(stretch);
    benchmark::DoNotOptimize(lines);
    LineCounters(state, first, last, Seconds(start));
  }
}
BENCHMARK(BM_DequeConsoleLines)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_NotebookUpdate(benchmark::State& state) {
  Notebook();
  for (int i = 0; i < TermWindow::kDefaultLength; ++i) TermIO::WriteLine(Z(ConsoleLine(i)));
  double seconds = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    TermWindow::Update();
    seconds += Seconds(start);
  }
  state.counters["tick_share"] = seconds / static_cast<double>(state.iterations()) / kTickSeconds;
}
BENCHMARK(BM_NotebookUpdate)->Unit(benchmark::kMicrosecond);

void FillForReplace() {
  TermWindow::SetMaxLength(TermWindow::kMaxLength);
  BufferText::Remove(Shell::List, 1, BufferText::RecordCount(Shell::List));
  for (int i = 0; i < kReplaceLines; ++i) BufferText::Append(Shell::List, Z(ReplaceLine(i)));
  EditState::CursorLine = 1;
  EditState::CursorColumn = 1;
  EditState::FirstLine = 1;
  EditState::SelectActive = false;
  EditDisplay::NewDisplay();
}

void BM_NotebookReplaceAll(benchmark::State& state) {
  Notebook();
  BufferText::TextBuffer paste = Buffer::Create("Edit.Paste", Buffer::kText);
  BufferText::Append(paste, "pin");
  ScrapUtil::PutPasteBuffer();
  Strings::Assign(EditState::SearchString, "needle");
  EditState::Forward = true;
  for (auto _ : state) {
    state.PauseTiming();
    FillForReplace();
    state.ResumeTiming();
    EditMenus::ReplaceSame(true);
  }
  EditState::LineText last = "";
  BufferText::Get(Shell::List, kReplaceLines - kOccurrenceEvery + 1, last);
  if (std::string(last).find("pin") == std::string::npos) state.SkipWithError("not replaced");
}
BENCHMARK(BM_NotebookReplaceAll)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_StringReplaceAll(benchmark::State& state) {
  const std::string search = "needle";
  const std::string replacement = "pin";
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> lines;
    lines.reserve(kReplaceLines);
    for (int i = 0; i < kReplaceLines; ++i) lines.push_back(ReplaceLine(i));
    state.ResumeTiming();
    for (std::string& line : lines) {
      for (std::size_t at = line.find(search); at != std::string::npos; at = line.find(search, at + replacement.size())) {
        line.replace(at, search.size(), replacement);
      }
    }
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_StringReplaceAll)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
