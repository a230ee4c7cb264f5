#pragma once

// The editor's display: keeps the edit terminal (EditState::Console) in step
// with the edit buffer through the terminal's cursor addressing, erasing and
// line insertion and deletion, so that an edit redraws only the rows it
// changed. It owns the rules of scrolling (the cursor band), horizontal
// scrolling, the highlighted selection, the message line with its prompts
// and the line and column indicator, and the reading of keys for the
// editor with the recording and playback of keyboard macros. Deleting a
// range of the buffer is done here too, because deleting and redrawing are
// one step.
//
// Screen row r shows buffer line FirstLine + r - 1; screen column k shows
// buffer column FirstColumn + k, so the right edge of the visible text is
// column R = FirstColumn + WindowWidth. A line longer than that shows "|"
// in its last visible column. Normal text is drawn in rendition 0, the
// selection and the message line in rendition 1.
//
// While a macro plays quietly (EditState::TraceState playing and
// TraceUpdate FALSE) nothing is drawn; the buffer and the cursor variables
// change all the same. No operation fails: a column below 1 becomes 1, and
// drawing outside the window is clipped to its rows and columns. Main
// thread only.

#include <cstdint>
#include <span>

namespace EditDisplay {

// Draws the range from (startLine, startColumn) to (endLine, endColumn),
// the end excluded.
void Redraw(std::int32_t startLine, std::int32_t startColumn, std::int32_t endLine, std::int32_t endColumn);
// Erases and redraws the whole window and the message line.
void NewDisplay();
// Redraws every row, places the terminal cursor, brings the scroll bars in
// step.
void DrawDisplay();

// Moves the edit cursor (and the desired column) there, keeping `band` rows
// between it and the window's top and bottom edges (MoveCursor: the
// editor's band): a move of less than a window height scrolls by inserting
// or deleting rows at the top, a longer one redraws the window, a column
// outside the visible ones scrolls horizontally.
void MoveCursor(std::int32_t line, std::int32_t column);
void DoMoveCursor(std::int32_t line, std::int32_t column, std::int32_t band);
// The cursor placed again where it is, with the band.
void InsertionPoint();

// Text was inserted at the cursor and ends before (newLine, newColumn): the
// screen, the select mark and the cursor follow.
void Insert(std::int32_t newLine, std::int32_t newColumn);
// Deletes the text between the cursor and (line, column) from the buffer
// and the screen; the cursor goes to the start of the range. The window
// fills again with lines from below or, near the buffer's end, from above.
void Delete(std::int32_t line, std::int32_t column);

// The scroll bars' moves: the first line shown becomes first (kept within
// 1 .. line count + 1 - window height), the cursor stays; the view counts
// as scrolled.
void SetPosition(std::int32_t first);
// By key code: 3 one line back, 4 one line on, 42 a page back, 43 a page
// on (a page: the window height less the band); other codes nothing.
void Scroll(int keyCode);
// After a resize: the cursor brought inside the band again.
void ResetCursorPosition();

// The message line: a text shown until cleared (cut to the window's width
// with "|" at its end), its removal, and the last row drawn again where
// the terminal shows messages in it.
void Message(std::span<const char> text);
void MessageClear();
void RestoreLastLine();

// Prompts on the message line and edits text there (LineEditor). TRUE when
// a key ended the input (keyCode, character and modifiers give it); a
// click or window event ends it with FALSE and comes again to the caller's
// next read.
bool InquireText(std::span<const char> prompt, std::span<char> text, int& keyCode, char& character,
                 int& modifiers);

// The editor's source of keys: the console's next event (code 0 when none
// came), recorded while a macro is learnt (keys only, up to 512); while one
// plays, its next entry, and when it has run out the playback stops and
// the outputs are left as they were.
void InputKey(int& keyCode, char& character, int& modifiers);

}  // namespace EditDisplay
