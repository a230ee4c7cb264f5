// The keypad commands on a buffer of 100,000 lines in an 80 x 50 window on
// the headless screen, each beside a std::vector<std::string> doing the
// same edit to the same lines, and as a share of a keystroke's 50 ms
// (counter "budget"):
//   - Delete line and Undelete line at the top and in the middle;
//   - Top, Select and Bottom, the cut of the whole text (GOLD "@") and its
//     Undo, and the Undo of that Undo;
//   - Paste of a paste buffer of 10,000 lines in the middle;
//   - Replace with count 1000 at a line of adjacent occurrences. A line
//     holds at most 256 characters, so the run stops after the 256
//     occurrences of a one-character search string that one line holds.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Scrap.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditKeys.h"
#include "terminal/EditState.h"
#include "terminal/EditUndo.h"
#include "terminal/EditUtility.h"
#include "terminal/tests/HeadlessEditor.h"

namespace {

constexpr int kLines = 100000;
constexpr int kPasteLines = 10000;
constexpr int kRows = 50;
constexpr int kColumns = 80;
constexpr int kFontSize = 10;
constexpr double kBudgetSeconds = 0.050;

std::string LineText(int i) {
  std::string line = "line " + std::to_string(i) + ": ";
  line.resize(70, static_cast<char>('a' + i % 26));
  return line;
}

std::span<const char> Z(const std::string& text) { return {text.c_str(), text.size() + 1}; }

// The window and the buffer, made once; the buffer is refilled whenever a
// benchmark starts.
struct Setup {
  Graphics::GraphicsWindow window = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
  BufferText::TextBuffer buffer = nullptr;
};

Setup& Editor() {
  static Setup setup = [] {
    Setup s;
    StartHeadlessEditor(1400, 1000);
    s.buffer = Buffer::Create("Keys", Buffer::kText);
    OpenEditWindow(kRows, kColumns, kFontSize, s.buffer, s.window, s.terminal);
    return s;
  }();
  return setup;
}

// The buffer of kLines lines (the last one given), the window at its top.
void Start(const std::string& lastLine = LineText(kLines - 1)) {
  Setup& s = Editor();
  BufferText::Remove(s.buffer, 1, BufferText::RecordCount(s.buffer));
  for (int i = 0; i < kLines - 1; ++i) BufferText::Append(s.buffer, Z(LineText(i)));
  BufferText::Append(s.buffer, Z(lastLine));
  EditState::Console = s.terminal;
  EditState::Window = s.window;
  EditState::EditBuffer = s.buffer;
  ANSITerm::SetSize(s.terminal);
  EditState::WindowBandSize = 1;
  EditState::FirstLine = 1;
  EditState::FirstColumn = 0;
  EditState::CursorLine = 1;
  EditState::CursorColumn = 1;
  EditState::SelectActive = false;
  EditUndo::ClearUndo();
  EditDisplay::NewDisplay();
}

std::vector<std::string> Lines(const std::string& lastLine = LineText(kLines - 1)) {
  std::vector<std::string> lines;
  lines.reserve(kLines + kPasteLines);
  for (int i = 0; i < kLines - 1; ++i) lines.push_back(LineText(i));
  lines.push_back(lastLine);
  return lines;
}

// Times one step per iteration, the work between steps untimed.
template <typename Step, typename Between>
void Timed(benchmark::State& state, Step step, Between between) {
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    step();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    between();
    state.ResumeTiming();
  }
  state.counters["budget"] = seconds / static_cast<double>(state.iterations()) / kBudgetSeconds;
}

void MoveTo(std::int32_t line) { EditDisplay::MoveCursor(line, 1); }

// ---- Delete line and Undelete line ------------------------------------------

void BM_DeleteAndUndeleteLine(benchmark::State& state) {
  const auto line = static_cast<std::int32_t>(state.range(0));
  Start();
  MoveTo(line);
  Timed(state, [] {
    EditKeys::DeleteLine(1);
    EditKeys::UndeleteLine(1);
  }, [line] { MoveTo(line); });
}

void BM_DeleteAndUndeleteLineVector(benchmark::State& state) {
  const auto line = static_cast<std::size_t>(state.range(0) - 1);
  std::vector<std::string> lines = Lines();
  std::string deleted;
  Timed(state, [&] {
    deleted = std::move(lines[line]);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(line));
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(line), deleted);
  }, [] {});
}

// ---- The whole text selected, cut and given back ------------------------------

void BM_SelectAllAndCut(benchmark::State& state) {
  Start();
  Timed(state, [] {
    EditKeys::Top();
    EditKeys::Select();
    EditKeys::Bottom();
    EditKeys::CutToPaste();
  }, [] { EditKeys::Undo(); EditKeys::Reset(); });
}

void BM_UndoOfTheCut(benchmark::State& state) {
  Start();
  const auto cut = [] {
    EditKeys::Reset();
    EditKeys::Top();
    EditKeys::Select();
    EditKeys::Bottom();
    EditKeys::CutToPaste();
  };
  cut();
  Timed(state, [] { EditKeys::Undo(); }, cut);
  EditKeys::Undo();
}

// Undo of an Undo: the whole text, selected after the first, comes out and
// goes back by turns.
void BM_UndoOfUndo(benchmark::State& state) {
  Start();
  EditKeys::Top();
  EditKeys::Select();
  EditKeys::Bottom();
  EditUndo::DeleteSelection();
  EditKeys::Undo();
  Timed(state, [] { EditKeys::Undo(); }, [] {});
}

void BM_CutAndGiveBackVector(benchmark::State& state) {
  std::vector<std::string> lines = Lines();
  std::vector<std::string> paste;
  Timed(state, [&] {
    paste.assign(lines.begin(), lines.end());
    lines.clear();
    lines.assign(paste.begin(), paste.end());
  }, [] {});
}

// ---- Paste of 10,000 lines ------------------------------------------------------

void BM_PasteTenThousandLines(benchmark::State& state) {
  std::string clipboard;
  for (int i = 0; i < kPasteLines; ++i) clipboard += LineText(i) + "\r";
  Scrap::ClearCurrentScrap();
  Scrap::PutScrapFlavor(Scrap::kText, std::span<const char>(clipboard.data(), clipboard.size()));
  Start();
  const std::int32_t middle = kLines / 2;
  MoveTo(middle);
  Timed(state, [] { EditKeys::Paste(1); }, [middle] {
    BufferText::Remove(EditState::EditBuffer, middle, kPasteLines);
    MoveTo(middle);
    EditDisplay::NewDisplay();
  });
}

void BM_PasteTenThousandLinesVector(benchmark::State& state) {
  std::vector<std::string> lines = Lines();
  std::vector<std::string> paste;
  for (int i = 0; i < kPasteLines; ++i) paste.push_back(LineText(i));
  const auto middle = static_cast<std::ptrdiff_t>(kLines / 2);
  Timed(state, [&] { lines.insert(lines.begin() + middle, paste.begin(), paste.end()); },
        [&] { lines.erase(lines.begin() + middle, lines.begin() + middle + kPasteLines); });
}

// ---- Replace ----------------------------------------------------------------------------

const std::string kAdjacent(EditState::kLineLength, 'x');

void BM_ReplaceAdjacent(benchmark::State& state) {
  Scrap::ClearCurrentScrap();
  Scrap::PutScrapFlavor(Scrap::kText, std::span<const char>("y", 1));
  std::strcpy(EditState::SearchString, "x");
  Start(kAdjacent);
  const auto reset = [] {
    BufferText::Replace(EditState::EditBuffer, kLines, Z(kAdjacent));
    EditDisplay::MoveCursor(kLines, 1);
  };
  reset();
  Timed(state, [] { EditKeys::Replace(1000); }, reset);
}

void BM_ReplaceAdjacentVector(benchmark::State& state) {
  std::vector<std::string> lines = Lines(kAdjacent);
  Timed(state, [&] {
    std::string& line = lines.back();
    for (std::size_t at = 0; at < line.size() && line.compare(at, 1, "x") == 0; ++at) line.replace(at, 1, "y");
  }, [&] { lines.back() = kAdjacent; });
}

}  // namespace

BENCHMARK(BM_DeleteAndUndeleteLine)->Arg(1)->Arg(kLines / 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteAndUndeleteLineVector)->Arg(1)->Arg(kLines / 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectAllAndCut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoOfTheCut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoOfUndo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutAndGiveBackVector)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteTenThousandLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteTenThousandLinesVector)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAdjacent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAdjacentVector)->Unit(benchmark::kMillisecond);
