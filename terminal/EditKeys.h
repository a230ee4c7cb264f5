#pragma once

// The keypad editor's commands. The command interpreter (Editor) decodes
// the keys, the GOLD prefix and the repeat count and calls these with the
// count; the Edit menu and the notebook window call some of them directly.
// Every command works on the edit buffer (EditState::EditBuffer) with its
// cursor, select mark and direction (EditState::Forward), keeps the screen
// in step through EditDisplay, and records its undo information (EditUndo)
// before it changes the text: motion and searches drop it, insertions are
// typing, deletions record what they delete.
//
// Shared by every buffer edited: the delete buffers (EditState::Deleted*,
// each with a flag set when the deletion took a line end), the search
// string, and the paste buffer "Edit.Paste", which mirrors the system
// clipboard: read before every paste and before every change that an undo
// gives back (so that the undo gives back what the clipboard held), written
// after every change.
//
// A count of 0 or less repeats nothing: the repeating commands do nothing
// and the ranges counted from the cursor are empty. Problems are reported
// on the message line (EditDisplay::Message) and leave the text as it was.
// Main thread only.

#include <cstdint>

namespace EditKeys {

// ---- Motion (all drop the undo information) --------------------------------

// count characters, words, line ends or line starts in the direction; a
// section is count window heights less the band, to the desired column.
void Char(std::int32_t count);
void Word(std::int32_t count);
void EOL(std::int32_t count);
void ToNextLine(std::int32_t count);
void Section(std::int32_t count);
void Top();
void Bottom();
void BeginningOfLine();
// The cursor keys: count characters back or on, or count lines up or down
// keeping the desired column.
void ArrowLeft(std::int32_t count);
void ArrowRight(std::int32_t count);
void ArrowUp(std::int32_t count);
void ArrowDown(std::int32_t count);
// The plain cursor keys: an active selection is cancelled first (left and
// right then stand at its start or end, which takes one step of the count).
void MoveLeft(std::int32_t count);
void MoveRight(std::int32_t count);
void MoveUp(std::int32_t count);
void MoveDown(std::int32_t count);
// The cursor to the line (which must exist, or be 1 of an empty buffer) at
// the desired column, cut to the line's end and to the window's right edge;
// the desired column survives the move.
void MoveUpOrDown(std::int32_t line);
// The cursor to a cell of the window (a click): rows 0 and window height +
// 1 lie just outside the text and scroll the window by one line.
void Position(std::int32_t row, std::int32_t column);
// Direction forward (keypad 4) or backward (keypad 5).
void Advance();
void Backup();

// ---- Selection ---------------------------------------------------------------

// The select mark at the cursor ("Select range already active." when one is).
void Select();
// Cancels the selection, redrawing what it highlighted.
void Reset();

// ---- Searching ---------------------------------------------------------------

// Prompts for the search string, then FindNext; the key that ends the
// prompt may set the direction (keypad 4 forward, keypad 5 backward).
void Find(std::int32_t count);
// The count-th occurrence in the direction, or with EditState::DoSearchLine
// the line whose number the search string holds. A failed search stops a
// playing macro.
void FindNext(std::int32_t count);
// Searches for the selected text (of the selection's first line).
void FindSelection(std::int32_t count);
// The selection, or each of count occurrences of the search string that
// stand at the cursor one after the other, replaced by the paste buffer.
void Replace(std::int32_t count);
// From an occurrence at the cursor on: count times replace it and find the
// next, stopping when none is found.
void Substitute(std::int32_t count);

// ---- Deletion ------------------------------------------------------------------

// Characters at (DeleteChar) or before (Rubout) the cursor, words at or
// before it, lines from the cursor, to the end or from the beginning of the
// line; each fills its delete buffer.
void DeleteChar(std::int32_t count);
void Rubout(std::int32_t count);
void DeleteWord(std::int32_t count);
void DeletePreviousWord(std::int32_t count);
void DeleteLine(std::int32_t count);
void DeleteToEndOfLine(std::int32_t count);
void DeleteToBeginningOfLine(std::int32_t count);

// ---- Insertion (all undone as typing) -------------------------------------------

// The character count times.
void InsertCharacter(char character, std::int32_t count);
// The character whose code is count modulo 256 (0 is refused).
void SpecialInsert(std::int32_t count);
// Blanks to the next tab stop (fixed mode: count stops), or under the next
// word of the line above (aligned mode); otherMode uses the other mode for
// this one tab.
void HorizontalTab(std::int32_t count, bool otherMode);
// count line ends; Return leaves the cursor at the start of the new line,
// OpenLine where it was.
void Return(std::int32_t count);
void OpenLine(std::int32_t count);
// The delete buffers' texts inserted count times, each with a line end when
// its deletion took one.
void UndeleteChar(std::int32_t count);
void UndeleteWord(std::int32_t count);
void UndeleteLine(std::int32_t count);

// ---- The paste buffer ----------------------------------------------------------

// The selection moved into the paste buffer, replacing it (Cut) or added
// to it (Append), without undo.
void Cut();
void Append();
// The clipboard's text inserted count times at the cursor, without undo.
void Paste(std::int32_t count);
// The Edit menu's Cut, Copy and Paste (replacing the selection), undoable;
// Clear paste buffer empties the paste buffer and the clipboard, undoably.
void CutToPaste();
void CopyToPaste();
void CutThenPaste(std::int32_t count);
void ClearPasteBuffer();
// The Edit menu's Undo.
void Undo();

// ---- Named buffers ---------------------------------------------------------------

// Prompts for a buffer's name (ended by RETURN or ENTER) and inserts its
// text count times, or appends the selection to it count times.
void ReadBuffer(std::int32_t count);
void WriteBuffer(std::int32_t count);

// ---- Other -------------------------------------------------------------------------

// The selection, the search string at the cursor, or count characters on
// (or back) change case: to lower case when the first is an upper-case
// letter, to upper case when it is a lower-case letter.
void ChangeCase(std::int32_t count);
// The window "Editor Key Assignment" with the key chart, until a key or a
// click.
void Help();
// The window drawn anew.
void Rewrite();

}  // namespace EditKeys
