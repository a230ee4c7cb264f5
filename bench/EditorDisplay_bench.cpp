// The editor's cost per keystroke in an 80 x 50 text window on the headless
// screen, for buffers of 1,000 and 100,000 lines, each beside the least
// that the same work must cost:
//   - a character typed mid-line (InsertString and EditDisplay::Insert)
//     against drawing one 80-character row;
//   - the cursor moved one line past the band (one row scrolled, one
//     drawn) against Blit::ScrollRect of the text rectangle and one row;
//   - FindString of a string the buffer lacks against memmem over the same
//     lines joined.
// The ratios are what matter; the buffer's size should not change the first
// two.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Blit.h"
#include "platform/Port.h"
#include "platform/Region.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/Editor.h"
#include "terminal/tests/HeadlessEditor.h"

namespace {

constexpr int kRows = 50;
constexpr int kColumns = 80;
constexpr int kFontSize = 10;

struct Editor80x50 {
  Graphics::GraphicsWindow window = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
  std::map<int, BufferText::TextBuffer> buffers;
};

// The window, made once; its terminal is the editor's console.
Editor80x50& Screen() {
  static Editor80x50 screen = [] {
    Editor80x50 s;
    StartHeadlessEditor(1400, 1000);
    OpenEditWindow(kRows, kColumns, kFontSize, Buffer::Create("Bench", Buffer::kText), s.window, s.terminal);
    return s;
  }();
  return screen;
}

// A buffer of n lines of 70 characters, edited in the window from its top.
bool Edit(benchmark::State& state, int n) {
  Editor80x50& s = Screen();
  BufferText::TextBuffer& buffer = s.buffers[n];
  if (buffer == nullptr) {
    const std::string name = "Lines" + std::to_string(n);
    buffer = Buffer::Create(std::span<const char>(name.c_str(), name.size() + 1), Buffer::kText);
    BufferText::SetMaxRecords(buffer, n + 10);
    for (int i = 0; i < n; ++i) {
      std::string line = "line " + std::to_string(i) + ": ";
      line.resize(70, static_cast<char>('a' + i % 26));
      BufferText::Append(buffer, std::span<const char>(line.c_str(), line.size() + 1));
    }
  }
  EditState::Console = s.terminal;
  EditState::Window = s.window;
  EditState::EditBuffer = buffer;
  ANSITerm::SetSize(s.terminal);
  EditState::WindowBandSize = 1;
  EditState::FirstLine = 1;
  EditState::FirstColumn = 0;
  EditState::CursorLine = 1;
  EditState::CursorColumn = 1;
  EditDisplay::NewDisplay();
  if (EditState::WindowHeight != kRows || EditState::WindowWidth != kColumns) {
    state.SkipWithError("the window is not 80 x 50");
    return false;
  }
  return true;
}

void Keystroke(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  if (!Edit(state, n)) return;
  const std::int32_t line = 25;
  char original[EditState::kLineLength + 1];
  BufferText::Get(EditState::EditBuffer, line, original);
  EditDisplay::MoveCursor(line, 35);
  std::int32_t newLine = 0;
  std::int32_t newColumn = 0;
  for (auto _ : state) {
    EditUtility::InsertString(1, "x", newLine, newColumn);
    EditDisplay::Insert(newLine, newColumn);
    // Keep the line as long as it was: the next keystroke draws as much.
    if (newColumn > 60) {
      BufferText::Replace(EditState::EditBuffer, line, original);
      EditState::CursorColumn = 35;
    }
  }
}

void DrawRow(benchmark::State& state) {
  Editor80x50& s = Screen();
  const std::string row(kColumns, 'r');
  for (auto _ : state) {
    ANSITerm::CUP(s.terminal, 25, 1);
    ANSITerm::Write(s.terminal, std::span<const char>(row.data(), row.size()));
    ANSITerm::Update(s.terminal);
  }
}

void CursorPastBand(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  if (!Edit(state, n)) return;
  EditDisplay::MoveCursor(kRows - 1, 1);
  for (auto _ : state) {
    EditDisplay::MoveCursor(EditState::CursorLine + 1, 1);
    // At the end, back to the top without drawing: the next move costs the
    // same again.
    if (EditState::CursorLine >= n - 1) {
      EditState::FirstLine = 1;
      EditState::CursorLine = kRows - 1;
    }
  }
}

void ScrollRectAndRow(benchmark::State& state) {
  Editor80x50& s = Screen();
  const std::string row(kColumns, 's');
  Region::Rgn update;
  for (auto _ : state) {
    Port::GrafPort* saved = Port::GetPort();
    Port::SetPort(Windows::GetWindowPort(s.terminal->window));
    Blit::ScrollRect(s.terminal->textRect, 0, -s.terminal->lineHeight, update);
    Port::SetPort(saved);
    ANSITerm::CUP(s.terminal, kRows, 1);
    ANSITerm::Write(s.terminal, std::span<const char>(row.data(), row.size()));
    ANSITerm::Update(s.terminal);
  }
}

void FindAbsent(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  if (!Edit(state, n)) return;
  EditState::Forward = true;
  for (auto _ : state) benchmark::DoNotOptimize(EditUtility::FindString("absent!"));
}

void MemmemJoined(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  if (!Edit(state, n)) return;
  std::string joined;
  char line[EditState::kLineLength + 1];
  for (std::int32_t i = 1; i <= n; ++i) {
    BufferText::Get(EditState::EditBuffer, i, line);
    joined += line;
    joined += '\r';
  }
  const char needle[] = "absent!";
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(joined.data(), joined.size(), needle, sizeof needle - 1));
  }
}

BENCHMARK(Keystroke)->Name("Editor/keystroke")->Arg(1000)->Arg(100000);
BENCHMARK(DrawRow)->Name("Terminal/one row/peer");
BENCHMARK(CursorPastBand)->Name("Editor/cursor past the band")->Arg(1000)->Arg(100000);
BENCHMARK(ScrollRectAndRow)->Name("ScrollRect and one row/peer");
BENCHMARK(FindAbsent)->Name("Editor/FindString absent")->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(MemmemJoined)->Name("memmem joined/peer")->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
