#pragma once

// What a terminal's screen does, in its grid and (for a window terminal) in
// its window's pixels at once: runs of text, moving lines and cells, and
// erasing. ANSITerm decides what to do; this module only does it.
//
// Every line and column given here is inside the grid (0 <= line <
// scroll region bottom, 0 <= column <= columns) and every count is at most
// the region's or the line's size: callers clip first. While a message is
// shown in the scroll-bar band, line 0 is the band and the grid stays as it
// was (the band's text is kept apart).

#include "platform/PortState.h"
#include "terminal/ANSITerm.h"

#include <optional>
#include <span>

namespace TermScreen {

// The window's port set up for the terminal's drawing (font, rendition,
// clip) for one scope; the current port and the port's state are as they
// were afterwards, so the window's graphics drawing is not disturbed.
// Nothing for a terminal without a window.
class Drawing {
 public:
  explicit Drawing(const ANSITerm::TerminalRecord& terminal);
  bool On() const { return scope_.has_value(); }

 private:
  std::optional<PortState::Scope> scope_;
};

// The grid resized to the terminal's lines and columns; what fits stays.
void FitGrid(ANSITerm::TerminalRecord& t);

// The characters at line, column onward (cut at the last column).
void Run(ANSITerm::TerminalRecord& t, int line, int column, std::span<const char> chars);
// Lines from `line` to the region's end move down (n > 0) or up (n < 0) by
// |n| lines; what they uncover is erased.
void ScrollLines(ANSITerm::TerminalRecord& t, int line, int n);
// The cells of the line from `column` to the right edge move right (n > 0)
// or left by |n| cells; what they uncover is erased.
void ShiftCells(ANSITerm::TerminalRecord& t, int line, int column, int n);
// Cells from..to - 1 of the line; to = columns reaches the right edge of
// the text area, from = 0 its left edge.
void EraseCells(ANSITerm::TerminalRecord& t, int line, int from, int to);
// Lines from..to - 1 of the region, whole.
void EraseLines(ANSITerm::TerminalRecord& t, int from, int to);
// Inverts the cursor on the screen (the grid has no cursor).
void InvertCursor(const ANSITerm::TerminalRecord& t, int shape);

}  // namespace TermScreen
