#include "terminal/EditKeys.h"

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/Encode.h"
#include "foundation/Strings.h"
#include "shell/ScrapUtil.h"
#include "shell/ScrollBars.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditHelp.h"
#include "terminal/EditState.h"
#include "terminal/EditUndo.h"
#include "terminal/EditUtility.h"

#include <algorithm>
#include <cstdint>

namespace EditKeys {

namespace {

using BufferText::TextBuffer;
using EditState::CursorColumn;
using EditState::CursorLine;
using EditState::LineText;

using Place = EditState::Position;

Place Cursor() { return {CursorLine, CursorColumn}; }

std::int32_t LineCount() { return BufferText::RecordCount(EditState::EditBuffer); }

// The last line the cursor may stand on (1 in an empty buffer).
std::int32_t LastLine() { return std::max<std::int32_t>(1, LineCount()); }

std::int32_t LineLength(std::int32_t line) { return BufferText::RecordLength(EditState::EditBuffer, line); }

Place EndOf(std::int32_t line) { return {line, LineLength(line) + 1}; }

int GetLine(std::int32_t line, LineText& text) { return BufferText::Get(EditState::EditBuffer, line, text); }

void Say(std::span<const char> text) { EditDisplay::Message(text); }

// The message and a name or number after it.
void SayWith(std::span<const char> text, std::span<const char> more) {
  LineText message = "";
  Strings::Assign(message, text);
  Strings::Concat(message, more);
  Say(message);
}

void MoveTo(Place to) { EditDisplay::MoveCursor(to.line, to.column); }

// Deletes [start, end) from the buffer and the screen, the cursor at start.
void DeleteRange(Place start, Place end) {
  if (!(start < end)) return;
  if (!(Cursor() == start)) {
    CursorLine = start.line;
    CursorColumn = start.column;
  }
  EditDisplay::Delete(end.line, end.column);
}

// The text of [start, end) on one line.
void TextBetween(Place start, Place end, LineText& text) {
  LineText line = "";
  GetLine(start.line, line);
  const std::int32_t to = start.line == end.line ? end.column : LineLength(start.line) + 1;
  Strings::Substring(text, line, start.column - 1, std::max<std::int32_t>(0, to - start.column));
}

// What a deletion of [start, end) leaves in a delete buffer: the deleted
// part of its last line, or, when it ends with a line end, of the line
// before that end.
void LastLinePart(Place start, Place end, LineText& text, bool& lineEnd) {
  lineEnd = end.column == 1 && end.line > start.line;
  const std::int32_t line = lineEnd ? end.line - 1 : end.line;
  const Place from = line == start.line ? start : Place{line, 1};
  TextBetween(from, lineEnd ? EndOf(line) : end, text);
}

void ResetSelection() {
  if (!EditState::SelectActive) return;
  EditState::SelectActive = false;
  std::int32_t l1 = 0, c1 = 0, l2 = 0, c2 = 0;
  EditUtility::GetSelectRange(l1, c1, l2, c2);
  if (l1 != l2 || c1 != c2) EditDisplay::Redraw(l1, c1, l2, c2);
}

bool QuietPlayback() { return EditState::TraceState == EditState::kTracePlaying && !EditState::TraceUpdate; }

// Stops a playing macro; the screen is drawn again after quiet playback.
void StopPlayback() {
  if (EditState::TraceState != EditState::kTracePlaying) return;
  const bool quiet = QuietPlayback();
  EditState::TraceState = EditState::kTraceOff;
  if (quiet) EditDisplay::NewDisplay();
}

// ---- The buffer's maximum record count ------------------------------------------

// No more new lines than the buffer may hold beside the cursor line.
std::int64_t LinesAllowed(std::int64_t lines) {
  const std::int32_t maximum = BufferText::GetMaxRecords(EditState::EditBuffer);
  return maximum > 0 ? std::min<std::int64_t>(lines, maximum - 1) : lines;
}

void ShiftUp(std::int32_t& line, std::int32_t& column, std::int32_t removed) {
  if (line > removed) {
    line -= removed;
  } else {
    line = 1;
    column = 1;
  }
}

// When the new lines would fill the buffer to its maximum, as many lines
// leave its top and every position moves up with the text; the lines that
// left.
std::int32_t MakeRoom(std::int64_t lines) {
  const std::int32_t maximum = BufferText::GetMaxRecords(EditState::EditBuffer);
  if (maximum <= 0 || lines <= 0 || LineCount() + lines < maximum) return 0;
  const auto removed = static_cast<std::int32_t>(std::min<std::int64_t>(lines, LineCount()));
  BufferText::Remove(EditState::EditBuffer, 1, removed);
  ShiftUp(CursorLine, CursorColumn, removed);
  ShiftUp(EditState::SelectLine, EditState::SelectColumn, removed);
  ShiftUp(EditUndo::UndoStartLine, EditUndo::UndoStartColumn, removed);
  EditState::FirstLine = std::max(1, EditState::FirstLine - removed);
  return removed;
}

// ---- Insertion --------------------------------------------------------------------

void InsertText(std::span<const char> text, std::int32_t count) {
  std::int32_t line = 0, column = 0;
  EditUtility::InsertString(count, text, line, column);
  EditDisplay::Insert(line, column);
  EditDisplay::InsertionPoint();
}

// count line ends, each new line holding text; the new lines make room
// first. The position where the cursor stood, moved with the text.
Place InsertLines(std::int32_t count, std::span<const char> text) {
  count = static_cast<std::int32_t>(LinesAllowed(count));
  const std::int32_t removed = MakeRoom(count);
  const Place before = Cursor();
  std::int32_t line = 0, column = 0;
  EditUtility::InsertLine(count, text, line, column);
  EditDisplay::Insert(line, column);
  if (removed > 0) {
    EditDisplay::NewDisplay();
  } else {
    EditDisplay::InsertionPoint();
  }
  return before;
}

// The lines of source inserted count times at the cursor.
void InsertBuffer(TextBuffer source, std::int32_t count) {
  const std::int32_t n = BufferText::RecordCount(source);
  if (count <= 0 || n == 0) return;
  const std::int64_t perCopy = n - 1;
  if (perCopy > 0) count = static_cast<std::int32_t>(std::min<std::int64_t>(count, LinesAllowed(perCopy * count) / perCopy));
  const std::int32_t removed = MakeRoom(perCopy * count);
  for (std::int32_t i = 0; i < count; ++i) EditUtility::BufferRead(source);
  if (removed > 0) {
    EditDisplay::NewDisplay();
  } else {
    EditDisplay::InsertionPoint();
    ScrollBars::Update(EditState::Console);
  }
}

void Undelete(std::span<const char> text, bool lineEnd, std::int32_t count) {
  if (count <= 0 || (!lineEnd && Strings::Length(text) == 0)) return;
  EditUndo::Store(EditUndo::kTyping);
  if (lineEnd) {
    InsertLines(count, text);
  } else {
    InsertText(text, count);
  }
}

// ---- The paste buffer and named buffers -----------------------------------------

TextBuffer PasteBuffer() { return Buffer::Lookup(EditUndo::kPasteBuffer); }

// The selection's range; FALSE with none active.
bool SelectRange(Place& start, Place& end) {
  if (!EditState::SelectActive) return false;
  EditUtility::GetSelectRange(start.line, start.column, end.line, end.column);
  return true;
}

void WriteSelection(TextBuffer target) {
  Place start, end;
  if (SelectRange(start, end)) EditUtility::BufferWrite(target, start.line, start.column, end.line, end.column);
}

void DeleteSelectionText() {
  Place start, end;
  if (!SelectRange(start, end)) return;
  EditState::SelectActive = false;
  DeleteRange(start, end);
}

// A buffer name typed at the prompt; FALSE (with the message) unless
// RETURN or ENTER ended it, and FALSE for an empty name.
bool AskName(std::span<const char> prompt, LineText& name) {
  Strings::Clear(name);
  int keyCode = 0;
  char character = 0;
  int modifiers = 0;
  EditDisplay::InquireText(prompt, name, keyCode, character, modifiers);
  const bool terminated =
      keyCode == ANSIBase::KeyEnter || (keyCode == ANSIBase::KeyCharacter && character == '\r');
  if (!terminated) {
    Say("Name must be terminated with RETURN or ENTER");
    return false;
  }
  return Strings::Length(name) > 0;
}

// ---- Searching ----------------------------------------------------------------------

bool AtSearchString() { return EditUtility::AtString(EditState::SearchString); }

// The search string deleted at the cursor and the paste buffer pasted.
void ReplaceOnce(TextBuffer paste) {
  Place end = Cursor();
  end.column += Strings::Length(EditState::SearchString);
  DeleteRange(Cursor(), end);
  InsertBuffer(paste, 1);
}

// ---- Case ----------------------------------------------------------------------------

char Flipped(char c, bool toLower) {
  if (toLower && c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  if (!toLower && c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c;
}

// The first character of the range decides the direction.
void FlipCase(Place start, Place end) {
  LineText text = "";
  GetLine(start.line, text);
  const char first = start.column <= Strings::Length(text) ? text[start.column - 1] : 0;
  const bool toLower = first >= 'A' && first <= 'Z';
  if (!toLower && !(first >= 'a' && first <= 'z')) return;
  for (std::int32_t line = start.line; line <= end.line; ++line) {
    const int length = GetLine(line, text);
    const int from = line == start.line ? start.column - 1 : 0;
    const int to = line == end.line ? std::min(end.column - 1, length) : length;
    for (int i = from; i < to; ++i) text[i] = Flipped(text[i], toLower);
    BufferText::Replace(EditState::EditBuffer, line, text);
  }
}

// The deletion of [start, end) recorded for undo, forward (at the cursor)
// or backward: one step's piece as text, a longer one as its range.
void DeleteRecorded(bool forward, std::int32_t count, std::span<const char> piece, bool lineEnd, Place start,
                    Place end) {
  const int kind = forward ? EditUndo::kDeleteForward : EditUndo::kDeleteBackward;
  if (count == 1) {
    EditUndo::StoreString(kind, piece, lineEnd, false);
  } else {
    EditUndo::StoreRange(kind, start.line, start.column, end.line, end.column);
  }
  DeleteRange(start, end);
}

}  // namespace

// ---- Motion ---------------------------------------------------------------------------

void Char(std::int32_t count) {
  EditUndo::ClearUndo();
  Place to;
  if (EditState::Forward) {
    EditUtility::CharsForward(count, to.line, to.column);
  } else {
    EditUtility::CharsBackward(count, to.line, to.column);
  }
  MoveTo(to);
}

void Word(std::int32_t count) {
  EditUndo::ClearUndo();
  Place to;
  std::int32_t edge = 0;
  if (EditState::Forward) {
    EditUtility::WordsForward(count, to.line, to.column, edge);
  } else {
    EditUtility::WordsBackward(count, to.line, to.column, edge);
  }
  MoveTo(to);
}

void EOL(std::int32_t count) {
  EditUndo::ClearUndo();
  if (EditState::Forward) {
    const bool atEnd = CursorColumn > LineLength(CursorLine);
    const std::int64_t target = static_cast<std::int64_t>(CursorLine) + count - (atEnd ? 0 : 1);
    MoveTo(EndOf(static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 1, LastLine()))));
  } else {
    const std::int64_t target = static_cast<std::int64_t>(CursorLine) - count;
    MoveTo(target < 1 ? Place{1, 1} : EndOf(static_cast<std::int32_t>(std::min<std::int64_t>(target, LastLine()))));
  }
}

void ToNextLine(std::int32_t count) {
  EditUndo::ClearUndo();
  if (EditState::Forward) {
    const std::int64_t target = static_cast<std::int64_t>(CursorLine) + count;
    MoveTo(target > LineCount() ? EndOf(LastLine()) : Place{static_cast<std::int32_t>(std::max<std::int64_t>(1, target)), 1});
  } else {
    if (CursorColumn > 1) --count;
    const std::int64_t target = static_cast<std::int64_t>(CursorLine) - count;
    MoveTo({static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 1, LastLine())), 1});
  }
}

void Section(std::int32_t count) {
  EditUndo::ClearUndo();
  const std::int64_t distance =
      static_cast<std::int64_t>(count) * std::max(1, EditState::WindowHeight - EditState::WindowBandSize);
  const std::int64_t target = CursorLine + (EditState::Forward ? distance : -distance);
  const auto line = static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 1, LastLine()));
  const std::int32_t desired = EditState::DesiredColumn;
  EditDisplay::MoveCursor(line, std::min(desired, LineLength(line) + 1));
  EditState::DesiredColumn = desired;
}

void Top() {
  EditUndo::ClearUndo();
  MoveTo({1, 1});
}

void Bottom() {
  EditUndo::ClearUndo();
  MoveTo(EndOf(LastLine()));
}

void BeginningOfLine() {
  EditUndo::ClearUndo();
  MoveTo({CursorLine, 1});
}

void ArrowLeft(std::int32_t count) {
  EditUndo::ClearUndo();
  Place to;
  EditUtility::CharsBackward(count, to.line, to.column);
  MoveTo(to);
}

void ArrowRight(std::int32_t count) {
  EditUndo::ClearUndo();
  Place to;
  EditUtility::CharsForward(count, to.line, to.column);
  MoveTo(to);
}

void ArrowUp(std::int32_t count) {
  EditUndo::ClearUndo();
  MoveUpOrDown(static_cast<std::int32_t>(std::clamp<std::int64_t>(static_cast<std::int64_t>(CursorLine) - count, 1, LastLine())));
}

void ArrowDown(std::int32_t count) {
  EditUndo::ClearUndo();
  MoveUpOrDown(static_cast<std::int32_t>(std::clamp<std::int64_t>(static_cast<std::int64_t>(CursorLine) + count, 1, LastLine())));
}

void MoveLeft(std::int32_t count) {
  Place start, end;
  if (SelectRange(start, end)) {
    Reset();
    MoveTo(start);
    --count;
  }
  ArrowLeft(count);
}

void MoveRight(std::int32_t count) {
  Place start, end;
  if (SelectRange(start, end)) {
    Reset();
    MoveTo(end);
    --count;
  }
  ArrowRight(count);
}

void MoveUp(std::int32_t count) {
  Reset();
  ArrowUp(count);
}

void MoveDown(std::int32_t count) {
  Reset();
  ArrowDown(count);
}

void MoveUpOrDown(std::int32_t line) {
  const std::int32_t desired = EditState::DesiredColumn;
  const std::int32_t lineEnd = LineLength(line) + 1;
  const std::int32_t rightEdge = EditState::FirstColumn + EditState::WindowWidth;
  EditDisplay::MoveCursor(line, std::min({desired, lineEnd, rightEdge}));
  EditState::DesiredColumn = desired;
}

void Position(std::int32_t row, std::int32_t column) {
  EditUndo::ClearUndo();
  row = std::clamp(row, 0, EditState::WindowHeight + 1);
  const std::int32_t line = std::clamp(EditState::FirstLine + row - 1, 1, LastLine());
  column = std::clamp(column + EditState::FirstColumn, 1, LineLength(line) + 1);
  EditDisplay::DoMoveCursor(line, column, 0);
}

void Advance() { EditState::Forward = true; }

void Backup() { EditState::Forward = false; }

// ---- Selection -------------------------------------------------------------------------

void Select() {
  EditUndo::ClearUndo();
  if (EditState::SelectActive) {
    Say("Select range already active.");
    return;
  }
  EditState::SelectLine = CursorLine;
  EditState::SelectColumn = CursorColumn;
  EditState::SelectActive = true;
}

void Reset() {
  EditUndo::ClearUndo();
  ResetSelection();
}

// ---- Searching ---------------------------------------------------------------------------

void Find(std::int32_t count) {
  int keyCode = 0;
  char character = 0;
  int modifiers = 0;
  if (!EditDisplay::InquireText("Find: ", EditState::SearchString, keyCode, character, modifiers)) return;
  if (Strings::Length(EditState::SearchString) == 0) return;
  if (keyCode == ANSIBase::KeyNumeric0 + 5) EditState::Forward = false;
  if (keyCode == ANSIBase::KeyNumeric0 + 4) EditState::Forward = true;
  FindNext(count);
}

void FindNext(std::int32_t count) {
  EditUndo::ClearUndo();
  if (Strings::Length(EditState::SearchString) == 0) {
    Say("No search string");
    return;
  }
  if (EditState::DoSearchLine) {
    std::int32_t line = 0;
    if (Encode::Integer(EditState::SearchString, line) >= 0 || line <= 0) {
      Say("False line number");
      return;
    }
    MoveTo({std::min(line, LastLine()), 1});
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    if (!EditUtility::FindString(EditState::SearchString)) {
      Say("Search string not found");
      StopPlayback();
      return;
    }
  }
}

void FindSelection(std::int32_t count) {
  Place start, end;
  if (EditState::EditBuffer == nullptr || !SelectRange(start, end)) {
    Say("No select active ");
    return;
  }
  LineText text = "";
  TextBetween(start, end, text);
  if (Strings::Length(text) == 0) {
    Say("Selection is empty");
    return;
  }
  Strings::Assign(EditState::SearchString, text);
  Reset();
  MoveTo(EditState::Forward ? end : start);
  const bool searchLine = EditState::DoSearchLine;
  EditState::DoSearchLine = false;
  FindNext(count);
  EditState::DoSearchLine = searchLine;
}

void Replace(std::int32_t count) {
  EditUndo::ClearUndo();
  if (count <= 0) return;
  if (EditState::SelectActive) {
    DeleteSelectionText();
    Paste(count);
    return;
  }
  TextBuffer paste = ScrapUtil::GetPasteBuffer();
  for (std::int32_t i = 0; i < count && AtSearchString(); ++i) ReplaceOnce(paste);
}

void Substitute(std::int32_t count) {
  EditUndo::ClearUndo();
  if (!AtSearchString()) return;
  TextBuffer paste = ScrapUtil::GetPasteBuffer();
  for (std::int32_t i = 0; i < count; ++i) {
    ReplaceOnce(paste);
    if (!AtSearchString() && !EditUtility::FindString(EditState::SearchString)) return;
  }
}

// ---- Deletion ---------------------------------------------------------------------------

void DeleteChar(std::int32_t count) {
  const Place start = Cursor();
  Place end;
  EditUtility::CharsForward(count, end.line, end.column);
  if (!(start < end)) return;
  const bool lineEnd = end.column == 1;
  LineText last = "";
  if (!lineEnd) TextBetween({end.line, end.column - 1}, end, last);
  EditState::DeletedChar = last[0];
  EditState::DeletedCharCR = lineEnd;
  DeleteRecorded(true, count, last, lineEnd, start, end);
}

void Rubout(std::int32_t count) {
  const Place end = Cursor();
  Place start;
  EditUtility::CharsBackward(count, start.line, start.column);
  if (!(start < end)) return;
  const bool lineEnd = start.column > LineLength(start.line);
  LineText first = "";
  if (!lineEnd) TextBetween(start, {start.line, start.column + 1}, first);
  EditState::DeletedChar = first[0];
  EditState::DeletedCharCR = lineEnd;
  DeleteRecorded(false, count, first, lineEnd, start, end);
}

void DeleteWord(std::int32_t count) {
  const Place start = Cursor();
  Place end;
  std::int32_t lastWordStart = 0;
  EditUtility::WordsForward(count, end.line, end.column, lastWordStart);
  if (!(start < end)) return;
  const bool lineEnd = end.column == 1;
  Strings::Clear(EditState::DeletedWord);
  if (!lineEnd) TextBetween({end.line, lastWordStart}, end, EditState::DeletedWord);
  EditState::DeletedWordCR = lineEnd;
  DeleteRecorded(true, count, EditState::DeletedWord, lineEnd, start, end);
}

void DeletePreviousWord(std::int32_t count) {
  const Place end = Cursor();
  Place start;
  std::int32_t lastWordEnd = 0;
  EditUtility::WordsBackward(count, start.line, start.column, lastWordEnd);
  if (!(start < end)) return;
  const bool lineEnd = lastWordEnd == start.column && start.line < end.line;
  Strings::Clear(EditState::DeletedWord);
  if (!lineEnd) TextBetween(start, {start.line, lastWordEnd}, EditState::DeletedWord);
  EditState::DeletedWordCR = lineEnd;
  DeleteRecorded(false, count, EditState::DeletedWord, lineEnd, start, end);
}

void DeleteLine(std::int32_t count) {
  if (count <= 0) return;
  const Place start = Cursor();
  const std::int64_t next = static_cast<std::int64_t>(CursorLine) + count;
  const Place end = next > LineCount() ? EndOf(LastLine()) : Place{static_cast<std::int32_t>(next), 1};
  if (!(start < end)) return;
  LastLinePart(start, end, EditState::DeletedLine, EditState::DeletedLineCR);
  EditUndo::StoreRange(EditUndo::kDeleteForward, start.line, start.column, end.line, end.column);
  DeleteRange(start, end);
}

void DeleteToEndOfLine(std::int32_t count) {
  const Place start = Cursor();
  Place end = start;
  for (std::int32_t i = 0; i < count; ++i) {
    if (end.column <= LineLength(end.line)) {
      end = EndOf(end.line);
    } else if (end.line < LineCount()) {
      end = {end.line + 1, 1};
    } else {
      break;
    }
  }
  if (!(start < end)) return;
  LastLinePart(start, end, EditState::DeletedLine, EditState::DeletedLineCR);
  EditUndo::StoreRange(EditUndo::kDeleteForward, start.line, start.column, end.line, end.column);
  DeleteRange(start, end);
}

void DeleteToBeginningOfLine(std::int32_t count) {
  if (count <= 0) return;
  const Place end = Cursor();
  const std::int32_t last = CursorColumn == 1 && CursorLine > 1 ? CursorLine - 1 : CursorLine;
  const Place start{static_cast<std::int32_t>(std::max<std::int64_t>(1, static_cast<std::int64_t>(last) - count + 1)), 1};
  if (!(start < end)) return;
  EditState::DeletedLineCR = start.line < end.line;
  TextBetween(start, EditState::DeletedLineCR ? EndOf(start.line) : end, EditState::DeletedLine);
  EditUndo::StoreRange(EditUndo::kDeleteBackward, start.line, start.column, end.line, end.column);
  DeleteRange(start, end);
}

// ---- Insertion -------------------------------------------------------------------------

void InsertCharacter(char character, std::int32_t count) {
  if (count <= 0) return;
  EditUndo::Store(EditUndo::kTyping);
  const char text[2] = {character, 0};
  InsertText(text, count);
}

void SpecialInsert(std::int32_t count) {
  const auto code = static_cast<unsigned char>(static_cast<std::uint32_t>(count) % 256);
  if (code == 0) {
    Say("Illegal character value for Special Insert.");
    return;
  }
  InsertCharacter(static_cast<char>(code), 1);
}

void HorizontalTab(std::int32_t count, bool otherMode) {
  EditUndo::Store(EditUndo::kTyping);
  const std::int32_t interval = std::max(1, EditState::TabInterval);
  const std::int32_t length = LineLength(CursorLine);
  std::int32_t width = interval - (CursorColumn - 1) % interval;
  if (EditState::FixHorizontalTab != otherMode) {
    if (width + length > EditState::kLineLength) return;
    const std::int32_t whole = (EditState::kLineLength - width - length) / interval;
    width += interval * std::clamp(count - 1, 0, whole);
  } else {
    LineText above = "";
    const int aboveLength = CursorLine > 1 ? GetLine(CursorLine - 1, above) : 0;
    if (aboveLength > 1) {
      int at = CursorColumn - 1;
      while (at < aboveLength && above[at] != ' ') ++at;
      while (at < aboveLength && above[at] == ' ') ++at;
      if (at < aboveLength) width = at - CursorColumn + 1;
    }
    width = std::min(width, EditState::kLineLength - length);
  }
  if (width <= 0) return;
  LineText blanks = "";
  std::fill_n(blanks, width, ' ');
  blanks[width] = 0;
  InsertText(blanks, 1);
}

void Return(std::int32_t count) {
  if (count <= 0) return;
  EditUndo::Store(EditUndo::kTyping);
  InsertLines(count, "");
}

void OpenLine(std::int32_t count) {
  if (count <= 0) return;
  EditUndo::Store(EditUndo::kTyping);
  MoveTo(InsertLines(count, ""));
}

void UndeleteChar(std::int32_t count) {
  const char text[2] = {EditState::DeletedChar, 0};
  Undelete(text, EditState::DeletedCharCR, count);
}

void UndeleteWord(std::int32_t count) { Undelete(EditState::DeletedWord, EditState::DeletedWordCR, count); }

void UndeleteLine(std::int32_t count) { Undelete(EditState::DeletedLine, EditState::DeletedLineCR, count); }

// ---- The paste buffer ----------------------------------------------------------------

void Cut() {
  if (!EditState::SelectActive) {
    Say("No select active");
    return;
  }
  EditUndo::ClearUndo();
  TextBuffer paste = PasteBuffer();
  Buffer::Delete(paste);
  Append();
}

void Append() {
  if (!EditState::SelectActive) {
    Say("No select range");
    return;
  }
  EditUndo::ClearUndo();
  const TextBuffer paste = Buffer::Enter(EditUndo::kPasteBuffer, Buffer::kText);
  if (paste == nullptr) return;
  WriteSelection(paste);
  ScrapUtil::PutPasteBuffer();
  DeleteSelectionText();
}

void Paste(std::int32_t count) {
  EditUndo::ClearUndo();
  InsertBuffer(ScrapUtil::GetPasteBuffer(), count);
}

void CutToPaste() {
  if (!EditState::SelectActive) {
    Say("No select active");
    return;
  }
  ScrapUtil::GetPasteBuffer();
  EditUndo::Store(EditUndo::kCut);
  const TextBuffer paste = Buffer::Create(EditUndo::kPasteBuffer, Buffer::kText);
  if (paste == nullptr) return;
  WriteSelection(paste);
  DeleteSelectionText();
  ScrapUtil::PutPasteBuffer();
}

void CopyToPaste() {
  if (!EditState::SelectActive) {
    Say("No select active");
    return;
  }
  ScrapUtil::GetPasteBuffer();
  EditUndo::Store(EditUndo::kCopy);
  const TextBuffer paste = Buffer::Create(EditUndo::kPasteBuffer, Buffer::kText);
  if (paste == nullptr) return;
  WriteSelection(paste);
  ScrapUtil::PutPasteBuffer();
}

void CutThenPaste(std::int32_t count) {
  if (count <= 0) return;
  EditUndo::Store(EditUndo::kPaste);
  InsertBuffer(ScrapUtil::GetPasteBuffer(), count);
}

void ClearPasteBuffer() {
  ScrapUtil::GetPasteBuffer();
  EditUndo::Store(EditUndo::kClear);
  TextBuffer paste = PasteBuffer();
  Buffer::Delete(paste);
  ScrapUtil::ClearScrap();
  Say("Paste buffer cleared.");
}

void Undo() { EditUndo::DoUndo(); }

// ---- Named buffers ------------------------------------------------------------------

void ReadBuffer(std::int32_t count) {
  if (count <= 0) return;
  LineText name = "";
  if (!AskName("Read from buffer: ", name)) return;
  TextBuffer source = Buffer::Lookup(name);
  if (source == nullptr || Buffer::GetOrganization(source) != Buffer::kText) {
    SayWith("Could not open buffer: ", name);
    return;
  }
  // The undo record and the insertion itself would change a source that is
  // the edit buffer or an undo buffer while it is read: read a copy of it as
  // it stood before the command.
  TextBuffer copy = nullptr;
  if (source == EditState::EditBuffer || source == Buffer::Lookup(EditUndo::kUndo1)) {
    copy = Buffer::Create(EditUndo::kUndo2, Buffer::kText);
    if (copy == nullptr) return;
    for (std::int32_t i = 1; i <= BufferText::RecordCount(source); ++i) {
      LineText line = "";
      BufferText::Get(source, i, line);
      BufferText::Append(copy, line);
    }
    source = copy;
  }
  EditUndo::Store(EditUndo::kTyping);
  InsertBuffer(source, count);
  Buffer::Delete(copy);
}

void WriteBuffer(std::int32_t count) {
  EditUndo::ClearUndo();
  if (count <= 0) return;
  Place start, end;
  if (!SelectRange(start, end) || start == end) {
    Say("No select range");
    return;
  }
  LineText name = "";
  if (!AskName("Write to buffer: ", name)) return;
  const TextBuffer target = Buffer::Enter(name, Buffer::kText);
  if (target == nullptr) {
    SayWith("Could not create buffer: ", name);
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) WriteSelection(target);
  EditState::SelectActive = false;
  EditDisplay::NewDisplay();
}

// ---- Other -----------------------------------------------------------------------------

void ChangeCase(std::int32_t count) {
  Place start, end;
  int kind = EditUndo::kCaseForward;
  Place cursorAfter = Cursor();
  if (SelectRange(start, end)) {
    kind = Cursor() == start && !(Cursor() == end) ? EditUndo::kCaseAtStart : EditUndo::kCaseForward;
    ResetSelection();
  } else if (AtSearchString()) {
    kind = EditUndo::kCaseAtStart;
    start = Cursor();
    end = {CursorLine, CursorColumn + Strings::Length(EditState::SearchString)};
  } else if (EditState::Forward) {
    start = Cursor();
    EditUtility::CharsForward(count, end.line, end.column);
    cursorAfter = end;
  } else {
    kind = EditUndo::kCaseBackward;
    EditUtility::CharsForward(1, end.line, end.column);
    EditUtility::CharsBackward(count, cursorAfter.line, cursorAfter.column);
    EditUtility::CharsBackward(count - 1, start.line, start.column);
    if (count <= 0) start = end;
    // At the buffer's start no character stands before the range.
    if (cursorAfter == start) kind = EditUndo::kCaseAtStart;
  }
  if (!(start < end)) return;
  EditUndo::StoreRange(kind, start.line, start.column, end.line, end.column);
  FlipCase(start, end);
  EditDisplay::Redraw(start.line, start.column, end.line, end.column);
  MoveTo(cursorAfter);
}

void Help() { EditHelp::Show(); }

void Rewrite() { EditDisplay::NewDisplay(); }

}  // namespace EditKeys
