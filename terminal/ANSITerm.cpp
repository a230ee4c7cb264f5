#include "terminal/ANSITerm.h"

#include <algorithm>

#include "foundation/Strings.h"
#include "platform/Fonts.h"
#include "platform/Windows.h"

namespace ANSITerm {

namespace {

constexpr char kTabGlyph = '_';
constexpr char kControlGlyph = 8;

// Row of the grid that holds the cursor line, or -1 when it is outside.
int CursorRow(const TerminalRecord& t) {
  if (t.cursorLine < 0 || t.cursorLine >= t.scrollRegionBottom) return -1;
  const int row = t.scrollRegionTop - 1 + t.cursorLine;
  return row < t.lines ? row : -1;
}

void EraseRow(TerminalRecord& t, int row) {
  std::fill_n(t.cells.begin() + row * t.columns, t.columns, ' ');
  std::fill_n(t.cellRenditions.begin() + row * t.columns, t.columns,
              static_cast<std::uint8_t>(t.rendition));
}

// Draws the pending characters as one run at the cursor; the column
// advances by all of them, also those that fall outside the grid.
void DrawPending(TerminalRecord& t) {
  const int row = CursorRow(t);
  for (int k = 0; row >= 0 && k < t.pendingCount; ++k) {
    const long column = static_cast<long>(t.cursorColumn) + k;
    if (column < 0 || column >= t.columns) continue;
    const int cell = row * t.columns + static_cast<int>(column);
    t.cells[cell] = t.pending[k];
    t.cellRenditions[cell] = static_cast<std::uint8_t>(t.rendition);
  }
  t.cursorColumn += t.pendingCount;
  t.pendingCount = 0;
}

// Down one line, or the region scrolls up by one when the cursor is on its
// last line.
void IND(TerminalRecord& t) {
  DrawPending(t);
  if (t.cursorLine + 1 < t.scrollRegionBottom) {
    ++t.cursorLine;
    return;
  }
  const int first = t.scrollRegionTop - 1;
  const int last = std::min(first + t.scrollRegionBottom, t.lines) - 1;
  if (last < first) return;
  std::copy(t.cells.begin() + (first + 1) * t.columns, t.cells.begin() + (last + 1) * t.columns,
            t.cells.begin() + first * t.columns);
  std::copy(t.cellRenditions.begin() + (first + 1) * t.columns,
            t.cellRenditions.begin() + (last + 1) * t.columns,
            t.cellRenditions.begin() + first * t.columns);
  EraseRow(t, last);
}

}  // namespace

TerminalRecord* CreateHeadless(int lines, int columns) {
  if (lines < 1 || columns < 1) return nullptr;
  auto* terminal = new TerminalRecord;
  terminal->lines = lines;
  terminal->columns = std::min(columns, kMaxColumns);
  terminal->scrollRegionBottom = lines;
  terminal->cells.assign(static_cast<std::size_t>(lines) * terminal->columns, ' ');
  terminal->cellRenditions.assign(terminal->cells.size(), kNormal);
  return terminal;
}

TerminalRecord* Open(Windows::Window* window, int fontNumber, int fontSize) {
  if (window == nullptr) return nullptr;
  const Fonts::FontInfo info = Fonts::GetFontInfo(fontNumber, fontSize, 0);
  const Geometry::Rect content = Windows::ContentRect(window);
  const int lineHeight = std::max(1, info.ascent + info.descent + info.leading);
  const int cellWidth = std::max(1, info.widMax);
  TerminalRecord* terminal = CreateHeadless(std::max(1, Geometry::Height(content) / lineHeight),
                                            std::max(1, Geometry::Width(content) / cellWidth));
  terminal->window = window;
  return terminal;
}

void SetEventProcs(TerminalRecord* terminal, EventProc update, EventProc resize, void* userData) {
  if (terminal == nullptr) return;
  terminal->updateProc = update;
  terminal->resizeProc = resize;
  terminal->userData = userData;
}

void SetSize(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  DrawPending(*terminal);
  terminal->resized = true;
}

void Close(TerminalRecord*& terminal) {
  if (terminal == nullptr) return;
  std::fill(std::begin(terminal->tag), std::end(terminal->tag), 0);
  delete terminal;
  terminal = nullptr;
}

int Write(TerminalRecord* terminal, std::span<const char> text) {
  if (terminal == nullptr) return 0;
  const int length = Strings::Length(text);
  for (int i = 0; i < length; ++i) {
    if (terminal->pendingCount == kPendingSize) DrawPending(*terminal);
    char c = text[i];
    if (c == '\t') {
      c = kTabGlyph;
    } else if (static_cast<unsigned char>(c) < 32) {
      c = kControlGlyph;
    }
    terminal->pending[terminal->pendingCount++] = c;
  }
  return length;
}

void Update(TerminalRecord* terminal) {
  if (terminal != nullptr) DrawPending(*terminal);
}

void CUP(TerminalRecord* terminal, std::int32_t line, std::int32_t column) {
  if (terminal == nullptr) return;
  DrawPending(*terminal);
  terminal->cursorLine = line > terminal->scrollRegionBottom
                             ? terminal->scrollRegionBottom - 1
                             : static_cast<int>(static_cast<long>(line) - 1);
  terminal->cursorColumn = static_cast<int>(std::min<long>(column, terminal->columns) - 1);
}

void NEL(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  IND(*terminal);
  terminal->cursorColumn = 0;
}

void EDc(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  DrawPending(*terminal);
  for (int row = 0; row < terminal->lines; ++row) EraseRow(*terminal, row);
  terminal->cursorLine = 0;
  terminal->cursorColumn = 0;
}

void SGR(TerminalRecord* terminal, int rendition) {
  if (terminal == nullptr) return;
  DrawPending(*terminal);
  terminal->rendition = rendition == kHighlight || rendition == kInverse ? rendition : kNormal;
}

void ScreenLine(const TerminalRecord* terminal, int line, std::span<char> text) {
  Strings::Clear(text);
  if (terminal == nullptr || line < 1 || line > terminal->lines) return;
  const char* row = terminal->cells.data() + (line - 1) * terminal->columns;
  int length = terminal->columns;
  while (length > 0 && row[length - 1] == ' ') --length;
  Strings::Substring(text, std::span<const char>(row, terminal->columns), 0, length);
}

int ScreenRendition(const TerminalRecord* terminal, int line, int column) {
  if (terminal == nullptr || line < 1 || line > terminal->lines || column < 1 ||
      column > terminal->columns) {
    return -1;
  }
  return terminal->cellRenditions[(line - 1) * terminal->columns + column - 1];
}

}  // namespace ANSITerm
