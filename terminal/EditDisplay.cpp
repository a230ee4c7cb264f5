#include "terminal/EditDisplay.h"

#include "foundation/Strings.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"
#include "shell/ScrollBars.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditKeys.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/Editor.h"
#include "terminal/LineEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace EditDisplay {

namespace {

using EditState::Console;
using EditState::CursorColumn;
using EditState::CursorLine;
using EditState::FirstColumn;
using EditState::FirstLine;
using EditState::WindowBandSize;
using EditState::WindowHeight;
using EditState::WindowWidth;

using EditState::Position;

bool Quiet() { return EditState::TraceState == EditState::kTracePlaying && !EditState::TraceUpdate; }

std::int32_t LineCount() { return BufferText::RecordCount(EditState::EditBuffer); }

std::int32_t RightEdge() { return FirstColumn + WindowWidth; }

std::int32_t LastRowLine() { return FirstLine + WindowHeight - 1; }

// The line indicator: "line: " and ";  column: " with the cursor's numbers.
void ShowLineNumbers() {
  char text[41];
  std::snprintf(text, sizeof text, "line: %d;  column: %d", static_cast<int>(CursorLine),
                static_cast<int>(CursorColumn));
  ANSITerm::StartMessage(Console);
  ANSITerm::SGR(Console, ANSITerm::kHighlight);
  ANSITerm::Write(Console, text);
  ANSITerm::EndMessage(Console);
  ANSITerm::SGR(Console, ANSITerm::kNormal);
}

// The terminal cursor to the edit cursor's cell (past the right edge when
// the cursor column lies beyond it).
void PlaceCursor() {
  if (Quiet()) return;
  if (EditState::ShowLineNumbers && !EditState::MessageActive) ShowLineNumbers();
  const std::int32_t column = CursorColumn > RightEdge() ? WindowWidth + 1 : CursorColumn - FirstColumn;
  ANSITerm::CUP(Console, CursorLine - FirstLine + 1, column);
}

void WriteColumns(const char* text, std::int32_t from, std::int32_t to) {
  if (to > from) ANSITerm::Write(Console, std::span<const char>(text + from - 1, to - from));
}

// The selection clipped to [start, end); FALSE when it does not overlap.
bool HighlightWithin(Position start, Position end, Position& from, Position& to) {
  if (!EditState::SelectActive) return false;
  EditUtility::GetSelectRange(from.line, from.column, to.line, to.column);
  from = std::max(from, start);
  to = std::min(to, end);
  if (!(from < to)) return false;
  from.column = std::min(from.column, RightEdge());
  to.column = std::min(to.column, RightEdge());
  return true;
}

// Rows scroll within the window: lines inserted (count > 0) or deleted at
// screen row `row`.
void ScrollRows(std::int32_t row, std::int32_t count) {
  ANSITerm::CUP(Console, row, 1);
  if (count > 0) {
    ANSITerm::IL(Console, count);
  } else {
    ANSITerm::DL(Console, -count);
  }
}

// The same within the temporary scroll region of rows 1 to bottom.
void ScrollRowsAbove(std::int32_t bottom, std::int32_t count) {
  ANSITerm::DECSTBM(Console, 1, bottom);
  ScrollRows(1, count);
  ANSITerm::DECSTBM(Console, 1, WindowHeight);
}

void RedrawLines(std::int32_t from, std::int32_t to) { Redraw(from, 1, to, 1); }

// One line on (forward) or back, by moving the rows and drawing the one
// that comes in.
void ScrollOneLine(bool forward) {
  if (forward) {
    ScrollRows(1, -1);
    RedrawLines(LastRowLine(), LastRowLine() + 1);
  } else {
    ScrollRows(1, 1);
    RedrawLines(FirstLine, FirstLine + 1);
  }
  ScrollBars::Update(Console);
}

// The first line that keeps the cursor line `band` rows inside the window.
std::int32_t FirstLineFor(std::int32_t line, std::int32_t band) {
  const std::int32_t n = LineCount();
  const std::int32_t h = WindowHeight;
  if (h >= n || band >= line) return 1;
  if (line > n - band) return n - h + 1;
  if (line < FirstLine + band) return line - band;
  if (line >= FirstLine + h - band) return line + band - h + 1;
  return FirstLine;
}

// The select mark follows an insertion of text from `at` up to `end`.
void MoveMarkForInsert(Position at, Position end) {
  if (EditState::SelectLine > at.line) {
    EditState::SelectLine += end.line - at.line;
  } else if (EditState::SelectLine == at.line && EditState::SelectColumn > at.column) {
    EditState::SelectLine = end.line;
    EditState::SelectColumn += end.column - at.column;
  }
}

// The select mark follows the removal of [start, end).
void MoveMarkForDelete(Position start, Position end) {
  const Position mark{EditState::SelectLine, EditState::SelectColumn};
  if (!(mark < end)) {
    if (mark.line == end.line) EditState::SelectColumn = start.column + mark.column - end.column;
    EditState::SelectLine -= end.line - start.line;
  } else if (start < mark) {
    EditState::SelectLine = start.line;
    EditState::SelectColumn = start.column;
  }
}

// [start, end) leaves the buffer: the start line keeps its head and takes
// the end line's tail.
void RemoveText(Position start, Position end) {
  BufferText::TextBuffer buffer = EditState::EditBuffer;
  EditState::LineText head = "";
  EditState::LineText tail = "";
  BufferText::Get(buffer, start.line, head);
  head[std::min<std::int32_t>(start.column - 1, EditState::kLineLength)] = 0;
  BufferText::Get(buffer, end.line, tail);
  BufferText::Remove(buffer, start.line, end.line - start.line);
  if (start.line > LineCount()) {
    BufferText::Append(buffer, head);
    return;
  }
  const std::int32_t tailStart = std::min(end.column - 1, Strings::Length(tail));
  Strings::Concat(head, std::span<const char>(tail).subspan(tailStart));
  BufferText::Replace(buffer, start.line, head);
}

// After `removed` lines went, the window fills again: from below while
// lines remain there and the deletion lay in the window's lower half, else
// from above.
void RefillWindow(Position start, Position end, std::int32_t linesBefore) {
  const std::int32_t removed = end.line - start.line;
  const std::int32_t oldFirst = FirstLine;
  const std::int32_t last = LastRowLine();
  const std::int32_t above = FirstLine - 1;
  const std::int32_t below = std::max(0, linesBefore - last);
  const std::int32_t middle = FirstLine + WindowHeight / 2 - 1;
  std::int32_t fromBelow = end.line > middle ? std::min({end.line - middle, removed, below}) : 0;
  std::int32_t fromAbove = removed - fromBelow;
  if (fromAbove > above) {
    fromAbove = above;
    fromBelow = removed - above;
  }
  if (fromAbove > 0) {
    FirstLine -= fromAbove;
    if (start.line > oldFirst) {
      ScrollRowsAbove(start.line - FirstLine + 1, fromAbove);
      RedrawLines(FirstLine, FirstLine + fromAbove);
    } else {
      RedrawLines(FirstLine, start.line);
    }
  }
  if (fromBelow > 0) {
    if (end.line <= last) {
      ScrollRows(start.line - FirstLine + 2, -fromBelow);
      RedrawLines(FirstLine + WindowHeight - fromBelow, FirstLine + WindowHeight);
    } else {
      RedrawLines(start.line + 1, FirstLine + WindowHeight);
    }
  }
}

// The terminal shows its message in its last text row rather than in the
// band beside the horizontal scroll bar: without a window or scroll bars,
// or in a font too large for the band.
constexpr int kLargestBandFont = 14;
bool MessageInLastRow() {
  const Graphics::GraphicsWindow g = Console->graphicsWindow;
  return Console->window == nullptr || !Console->hasScrollBars || (g != nullptr && g->fontSize > kLargestBandFont);
}

}  // namespace

void Redraw(std::int32_t l1, std::int32_t c1, std::int32_t l2, std::int32_t c2) {
  if (Quiet() || Console == nullptr) return;
  c1 = std::max(c1, 1);
  const std::int32_t right = RightEdge();
  if (c2 > right) c2 = right + 1;
  if (c1 > right) {
    ++l1;
    c1 = 1;
  }
  if (l1 < FirstLine) {
    l1 = FirstLine;
    c1 = 1;
  }
  if (l2 > LastRowLine()) {
    l2 = FirstLine + WindowHeight;
    c2 = 1;
  }
  const Position start{l1, c1};
  const Position end{l2, c2};
  if (l1 > LastRowLine() || l2 < FirstLine || !(start < end)) {
    PlaceCursor();
    return;
  }
  Position from;
  Position to;
  const bool highlight = HighlightWithin(start, end, from, to);
  for (std::int32_t i = l1; i <= l2; ++i) {
    const std::int32_t first = i == l1 ? c1 : 1;
    if (i == l2 && c2 <= first) break;
    EditState::LineText text = "";
    std::int32_t length = std::min(BufferText::Get(EditState::EditBuffer, i, text), EditState::kLineLength);
    if (length > right) {
      text[right - 1] = '|';
      length = right;
    }
    const std::int32_t stop = i == l2 ? std::min(c2, length + 1) : length + 1;
    ANSITerm::CUP(Console, i - FirstLine + 1, first - FirstColumn);
    std::int32_t column = first;
    if (highlight && i == from.line) {
      WriteColumns(text, column, std::min(from.column, stop));
      column = std::max(column, std::min(from.column, stop));
      ANSITerm::SGR(Console, ANSITerm::kHighlight);
    }
    if (highlight && i == to.line) {
      WriteColumns(text, column, std::min(to.column, stop));
      column = std::max(column, std::min(to.column, stop));
      ANSITerm::SGR(Console, ANSITerm::kNormal);
    }
    WriteColumns(text, column, stop);
    ANSITerm::Update(Console);
    if (i < l2 && length < right) ANSITerm::ELe(Console);
  }
  ANSITerm::SGR(Console, ANSITerm::kNormal);
  PlaceCursor();
}

void DrawDisplay() {
  RedrawLines(FirstLine, FirstLine + WindowHeight);
  PlaceCursor();
  ScrollBars::Update(Console);
}

void NewDisplay() {
  if (Quiet()) return;
  ANSITerm::SGR(Console, ANSITerm::kNormal);
  ANSITerm::EDc(Console);
  DrawDisplay();
  if (EditState::MessageActive) Message(EditState::MessageText);
  ModWindow::Validate(EditState::Window);
}

void MoveCursor(std::int32_t line, std::int32_t column) { DoMoveCursor(line, column, WindowBandSize); }

void DoMoveCursor(std::int32_t line, std::int32_t column, std::int32_t band) {
  column = std::max(column, 1);
  const std::int32_t first = FirstLineFor(line, band);
  const Position old{CursorLine, CursorColumn};
  CursorLine = line;
  CursorColumn = column;
  EditState::DesiredColumn = column;
  EditState::Scrolled = false;
  const std::int32_t h = WindowHeight;
  const std::int32_t d = std::abs(FirstLine - first);
  if (column <= FirstColumn || column > RightEdge()) {
    FirstColumn = column > RightEdge() ? column - WindowWidth : column - 1;
    FirstLine = first;
    NewDisplay();
    return;
  }
  if (d >= h || old.line < first || old.line > first + h - 1) {
    FirstLine = first;
    DrawDisplay();
    return;
  }
  if (EditState::SelectActive) {
    const Position now{line, column};
    const Position from = std::min(old, now);
    const Position to = std::max(old, now);
    Redraw(from.line, from.column, to.line, to.column);
  }
  const bool quiet = Quiet();
  if (first < FirstLine) {
    if (!quiet) ScrollRows(1, d);
    FirstLine = first;
    RedrawLines(first, first + d);
  } else if (first > FirstLine) {
    if (!quiet) ScrollRows(1, -d);
    FirstLine = first;
    RedrawLines(first + h - d, first + h);
  }
  PlaceCursor();
  ScrollBars::Update(Console);
}

void InsertionPoint() {
  DoMoveCursor(CursorLine, CursorColumn, WindowBandSize);
  ScrollBars::Update(Console);
}

void Insert(std::int32_t newLine, std::int32_t newColumn) {
  const Position at{CursorLine, CursorColumn};
  CursorLine = newLine;
  CursorColumn = newColumn;
  EditState::DesiredColumn = newColumn;
  MoveMarkForInsert(at, Position{newLine, newColumn});
  std::int32_t k = newLine - at.line;
  if (k > 0) {
    const bool quiet = Quiet();
    const std::int32_t h = WindowHeight;
    const std::int32_t row = at.line - FirstLine + 1;
    const std::int32_t last = LastRowLine();
    const std::int32_t oldCount = LineCount() - k;
    // Rows that can take the new lines without the window moving: empty
    // rows at the bottom, or those down to the middle for a cursor in the
    // upper half.
    std::int32_t free = 0;
    if (oldCount < last) {
      free = last - oldCount;
    } else if (at.line < FirstLine + h / 2) {
      free = FirstLine + h / 2 - at.line;
    }
    if (free > 0) {
      free = std::min(free, k);
      if (free < h - row && !quiet) ScrollRows(row + 1, free);
      k -= free;
    }
    if (k > 0 && k < row && !quiet) ScrollRowsAbove(row, -k);
    FirstLine += k;
  }
  Redraw(at.line, at.column, newLine + 1, 1);
  InsertionPoint();
}

void Delete(std::int32_t line, std::int32_t column) {
  if (!Quiet()) InsertionPoint();
  Position start{CursorLine, CursorColumn};
  Position end{line, column};
  if (start == end) return;
  if (end < start) {
    std::swap(start, end);
    CursorLine = start.line;
    CursorColumn = start.column;
  }
  EditState::DesiredColumn = CursorColumn;
  MoveMarkForDelete(start, end);
  const std::int32_t linesBefore = LineCount();
  RemoveText(start, end);
  if (Quiet()) return;
  if (end.line > start.line) RefillWindow(start, end, linesBefore);
  Redraw(CursorLine, CursorColumn, CursorLine + 1, 1);
  InsertionPoint();
}

void SetPosition(std::int32_t first) {
  first = std::max<std::int32_t>(1, std::min(first, LineCount() + 1 - WindowHeight));
  const std::int32_t old = FirstLine;
  FirstLine = first;
  EditState::Scrolled = true;
  if (Quiet() || first == old) return;
  if (std::abs(first - old) == 1) {
    ScrollOneLine(first > old);
  } else {
    NewDisplay();
  }
}

void Scroll(int keyCode) {
  const std::int32_t page = WindowHeight - WindowBandSize;
  switch (keyCode) {
    case ANSIBase::KeyCursorUp: SetPosition(FirstLine - 1); break;
    case ANSIBase::KeyCursorDown: SetPosition(FirstLine + 1); break;
    case ANSIBase::KeyPageUp: SetPosition(FirstLine - page); break;
    case ANSIBase::KeyPageDown: SetPosition(FirstLine + page); break;
    default: break;
  }
}

void ResetCursorPosition() {
  const std::int32_t count = std::max<std::int32_t>(1, LineCount());
  const auto move = [count](std::int32_t line) { EditKeys::MoveUpOrDown(std::clamp<std::int32_t>(line, 1, count)); };
  if (CursorLine > WindowBandSize) {
    move(CursorLine - 1);
    move(CursorLine + 1);
  } else {
    move(CursorLine + 1);
    move(CursorLine - 1);
  }
  ScrollBars::Update(Console);
}

void Message(std::span<const char> text) {
  EditState::MessageActive = true;
  Strings::Assign(EditState::MessageText, text);
  if (Quiet()) return;
  if (WindowWidth > 0 && Strings::Length(EditState::MessageText) > WindowWidth) {
    EditState::MessageText[std::max(0, WindowWidth - 2)] = 0;
    Strings::Concat(EditState::MessageText, "|");
  }
  ANSITerm::StartMessage(Console);
  ANSITerm::SGR(Console, ANSITerm::kHighlight);
  ANSITerm::Write(Console, EditState::MessageText);
  ANSITerm::EndMessage(Console);
  ANSITerm::SGR(Console, ANSITerm::kNormal);
}

void MessageClear() {
  if (!EditState::MessageActive) return;
  EditState::MessageActive = false;
  RestoreLastLine();
}

void RestoreLastLine() {
  if (Quiet() || Console == nullptr) return;
  const bool inLastRow = MessageInLastRow();
  ANSITerm::ClearMessage(Console);
  if (inLastRow) {
    if (LastRowLine() <= LineCount()) {
      RedrawLines(LastRowLine(), LastRowLine() + 1);
    } else {
      ANSITerm::CUP(Console, WindowHeight, 1);
      ANSITerm::ELe(Console);
    }
  }
  PlaceCursor();
}

bool InquireText(std::span<const char> prompt, std::span<char> text, int& keyCode, char& character,
                 int& modifiers) {
  const int promptLength = Strings::Length(prompt);
  ANSITerm::StartMessage(Console);
  ANSITerm::SGR(Console, ANSITerm::kHighlight);
  ANSITerm::Write(Console, prompt);
  ANSITerm::Update(Console);
  const int displayLength = LineEditor::DisplayLength;
  LineEditor::DisplayLength = WindowWidth < promptLength + 2 ? 2 : WindowWidth - promptLength;
  LineEditor::ReadEditorString(text);
  LineEditor::DisplayLength = displayLength;
  keyCode = LineEditor::LastKeyCode;
  character = LineEditor::LastKeyChar;
  modifiers = LineEditor::LastModifiers;
  ANSITerm::SGR(Console, ANSITerm::kNormal);
  ANSITerm::EndMessage(Console);
  RestoreLastLine();
  PlaceCursor();
  if (keyCode < ANSIBase::KeyMouse) return true;
  ANSITerm::ReadAgain(Console);
  return false;
}

void InputKey(int& keyCode, char& character, int& modifiers) {
  Editor::SetCursor();
  switch (EditState::TraceState) {
    case EditState::kTracePlaying:
      if (EditState::TraceEntry < EditState::TraceLimit) {
        const EditState::TraceEntryRecord& entry = EditState::TraceData[EditState::TraceEntry++];
        keyCode = entry.keyCode;
        character = entry.character;
        modifiers = entry.modifiers;
      } else {
        EditState::TraceState = EditState::kTraceOff;
      }
      return;
    case EditState::kTraceLearning:
      // Events that the event source consumed itself are no keys to replay.
      if (ANSITerm::NextEvent(Console, keyCode, character, modifiers) && keyCode > ANSIBase::KeyConsumed &&
          keyCode < ANSIBase::KeyMouse && EditState::TraceEntry < EditState::kTraceSize) {
        EditState::TraceData[EditState::TraceEntry++] = EditState::TraceEntryRecord{
            static_cast<std::uint8_t>(modifiers), static_cast<std::uint8_t>(keyCode), character};
      }
      return;
    default: ANSITerm::NextEvent(Console, keyCode, character, modifiers); return;
  }
}

}  // namespace EditDisplay
