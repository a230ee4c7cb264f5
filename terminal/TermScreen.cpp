#include "terminal/TermScreen.h"

#include "foundation/Strings.h"
#include "platform/Blit.h"
#include "platform/Color.h"
#include "platform/Lines.h"
#include "platform/Pattern.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"

#include <algorithm>

namespace TermScreen {

namespace {

using ANSITerm::TerminalRecord;
using Geometry::Rect;

std::size_t CellIndex(const TerminalRecord& t, int line, int column) {
  return static_cast<std::size_t>(line) * static_cast<std::size_t>(t.columns) + static_cast<std::size_t>(column);
}

bool InGrid(const TerminalRecord& t) { return !t.messageInBand; }

Color::RGB WindowBackground(const TerminalRecord& t) {
  const Graphics::GraphicsWindow g = t.graphicsWindow;
  return g != nullptr && g->platform != nullptr ? g->platform->background : Color::kWhite;
}

Rect Clip(const TerminalRecord& t) { return t.messageInBand ? t.band : t.textRect; }

int X(const TerminalRecord& t, int column) { return t.left + column * t.characterWidth; }
int Y(const TerminalRecord& t, int line) { return t.top + line * t.lineHeight; }

// The pixels of cells from..to - 1 of a line; the grid's ends reach the
// edges of the clip.
Rect CellsRect(const TerminalRecord& t, int line, int from, int to) {
  const Rect clip = Clip(t);
  return Geometry::SetRect(from == 0 ? clip.left : X(t, from), Y(t, line), to >= t.columns ? clip.right : X(t, to),
                           Y(t, line + 1));
}

Rect LinesRect(const TerminalRecord& t, int from, int to) {
  if (t.messageInBand) return t.band;
  const Rect clip = Clip(t);
  return Geometry::SetRect(clip.left, Y(t, from), clip.right, to >= t.scrollRegionBottom ? clip.bottom : Y(t, to));
}

void FillGrid(TerminalRecord& t, std::size_t from, std::size_t count) {
  std::fill_n(t.cells.begin() + static_cast<std::ptrdiff_t>(from), count, ' ');
  std::fill_n(t.cellRenditions.begin() + static_cast<std::ptrdiff_t>(from), count,
              static_cast<std::uint8_t>(t.rendition));
}

void ScrollPixels(const TerminalRecord& t, const Rect& r, int dh, int dv) {
  Drawing drawing(t);
  if (!drawing.On()) return;
  Region::Rgn uncovered;
  Blit::ScrollRect(r, dh, dv, uncovered);
}

void ErasePixels(const TerminalRecord& t, const Rect& r) {
  Drawing drawing(t);
  if (drawing.On()) Shapes::EraseRect(r);
}

}  // namespace

Drawing::Drawing(const TerminalRecord& terminal) {
  if (terminal.window == nullptr) return;
  scope_.emplace(Windows::GetWindowPort(terminal.window));
  const bool highlight = terminal.rendition == ANSITerm::kHighlight;
  const Color::RGB back = highlight ? Graphics::HiliteColor : WindowBackground(terminal);
  Port::TextFont(terminal.fontNumber);
  Port::TextSize(terminal.fontSize);
  Port::TextFace(0);
  Port::TextMode(terminal.textMode);
  Port::RGBBackColor(back);
  Port::RGBForeColor(Graphics::ColorLessThanThreshold(back) ? Color::kWhite : Color::kBlack);
  Port::BackPat(terminal.rendition == ANSITerm::kInverse ? Pattern::kBlack : Pattern::kWhite);
  Port::PenNormal();
  Port::ClipRect(Clip(terminal));
}

void FitGrid(TerminalRecord& t) {
  const int oldColumns = t.gridColumns;
  const int oldLines = oldColumns > 0 ? static_cast<int>(t.cells.size()) / oldColumns : 0;
  const std::size_t size = static_cast<std::size_t>(std::max(0, t.lines)) * static_cast<std::size_t>(t.columns);
  std::vector<char> cells(size, ' ');
  std::vector<std::uint8_t> renditions(size, ANSITerm::kNormal);
  const int keptColumns = std::min(oldColumns, t.columns);
  for (int line = 0; line < std::min(oldLines, t.lines); ++line) {
    const std::size_t from = static_cast<std::size_t>(line) * static_cast<std::size_t>(oldColumns);
    std::copy_n(t.cells.begin() + static_cast<std::ptrdiff_t>(from), keptColumns,
                cells.begin() + static_cast<std::ptrdiff_t>(CellIndex(t, line, 0)));
    std::copy_n(t.cellRenditions.begin() + static_cast<std::ptrdiff_t>(from), keptColumns,
                renditions.begin() + static_cast<std::ptrdiff_t>(CellIndex(t, line, 0)));
  }
  t.cells = std::move(cells);
  t.cellRenditions = std::move(renditions);
  t.gridColumns = t.columns;
}

void Run(TerminalRecord& t, int line, int column, std::span<const char> chars) {
  const int count = std::min(static_cast<int>(chars.size()), t.columns - column);
  if (count <= 0) return;
  if (InGrid(t)) {
    const std::size_t at = CellIndex(t, line, column);
    std::copy_n(chars.begin(), count, t.cells.begin() + static_cast<std::ptrdiff_t>(at));
    std::fill_n(t.cellRenditions.begin() + static_cast<std::ptrdiff_t>(at), count,
                static_cast<std::uint8_t>(t.rendition));
  } else {
    const int length = Strings::Length(t.messageText);
    if (length < column) std::fill(t.messageText + length, t.messageText + column, ' ');
    std::copy_n(chars.begin(), count, t.messageText + column);
    if (column + count > length) t.messageText[column + count] = '\0';
  }
  Drawing drawing(t);
  if (!drawing.On()) return;
  Port::MoveTo(X(t, column), Y(t, line) + t.ascent);
  Text::DrawText(chars.first(static_cast<std::size_t>(count)));
}

void ScrollLines(TerminalRecord& t, int line, int n) {
  const int last = t.scrollRegionBottom;
  if (InGrid(t)) {
    const auto cells = t.cells.begin();
    const auto renditions = t.cellRenditions.begin();
    const std::size_t width = static_cast<std::size_t>(t.columns);
    const int moved = last - line - std::abs(n);
    if (n > 0) {
      std::copy_backward(cells + CellIndex(t, line, 0), cells + CellIndex(t, line + moved, 0), cells + CellIndex(t, last, 0));
      std::copy_backward(renditions + CellIndex(t, line, 0), renditions + CellIndex(t, line + moved, 0),
                         renditions + CellIndex(t, last, 0));
      FillGrid(t, CellIndex(t, line, 0), width * static_cast<std::size_t>(n));
    } else {
      std::copy(cells + CellIndex(t, line - n, 0), cells + CellIndex(t, last, 0), cells + CellIndex(t, line, 0));
      std::copy(renditions + CellIndex(t, line - n, 0), renditions + CellIndex(t, last, 0),
                renditions + CellIndex(t, line, 0));
      FillGrid(t, CellIndex(t, line + moved, 0), width * static_cast<std::size_t>(-n));
    }
  }
  ScrollPixels(t, LinesRect(t, line, last), 0, n * t.lineHeight);
}

void ShiftCells(TerminalRecord& t, int line, int column, int n) {
  if (InGrid(t)) {
    const auto cells = t.cells.begin();
    const auto renditions = t.cellRenditions.begin();
    const std::size_t start = CellIndex(t, line, column);
    const std::size_t end = CellIndex(t, line, t.columns);
    const std::size_t shift = static_cast<std::size_t>(std::abs(n));
    if (n > 0) {
      std::copy_backward(cells + start, cells + (end - shift), cells + end);
      std::copy_backward(renditions + start, renditions + (end - shift), renditions + end);
      FillGrid(t, start, shift);
    } else {
      std::copy(cells + (start + shift), cells + end, cells + start);
      std::copy(renditions + (start + shift), renditions + end, renditions + start);
      FillGrid(t, end - shift, shift);
    }
  } else {
    Strings::Clear(t.messageText);
  }
  ScrollPixels(t, CellsRect(t, line, column, t.columns), n * t.characterWidth, 0);
}

void EraseCells(TerminalRecord& t, int line, int from, int to) {
  if (from >= to) return;
  if (InGrid(t)) {
    FillGrid(t, CellIndex(t, line, from), static_cast<std::size_t>(to - from));
  } else if (from < Strings::Length(t.messageText)) {
    std::fill(t.messageText + from, t.messageText + std::min(to, Strings::Length(t.messageText)), ' ');
    int length = Strings::Length(t.messageText);
    while (length > 0 && t.messageText[length - 1] == ' ') --length;
    t.messageText[length] = '\0';
  }
  ErasePixels(t, CellsRect(t, line, from, to));
}

void EraseLines(TerminalRecord& t, int from, int to) {
  if (from >= to) return;
  if (InGrid(t)) {
    FillGrid(t, CellIndex(t, from, 0), CellIndex(t, to, 0) - CellIndex(t, from, 0));
  } else {
    Strings::Clear(t.messageText);
  }
  ErasePixels(t, LinesRect(t, from, to));
}

void InvertCursor(const TerminalRecord& t, int shape) {
  Drawing drawing(t);
  if (!drawing.On()) return;
  const int x = X(t, t.cursorColumn);
  const int y = Y(t, t.cursorLine);
  if (shape == ANSITerm::kBlockCursor) {
    Port::TextMode(Port::kNotSrcXor);
    Port::MoveTo(x, y + t.ascent);
    Text::DrawChar(' ');
  } else {
    Port::PenMode(Port::kPatXor);
    Port::MoveTo(x - 1, y);
    Lines::LineTo(x - 1, y + t.lineHeight - 2);
  }
}

}  // namespace TermScreen
