#pragma once

// Editor buffers and buffer windows. The editor edits one text buffer at a
// time (EditState::EditBuffer) and shows it in a buffer window: a platform
// window with a terminal and two scroll bars. Every buffer that has been
// edited keeps its own copy of the editor's state (cursor, selection,
// scroll position, window) in its tag field, so that switching to another
// buffer and back restores it; this module switches buffers, makes, closes,
// zooms and redraws their windows, maps a platform window to its buffer,
// and does the editor's work on the text: the selection range, copying
// ranges in and out, searching, character and word motion and insertion.
//
// Positions and ranges as in EditState; a range includes its start and
// excludes its end, and one that ends at column 1 ends with the line end
// before it. The motion, search and insert operations change only the
// buffer and their out arguments: the caller brings the cursor and the
// screen up to date through EditDisplay (MoveCursor, Insert, Delete).
// FindString is the exception: it moves the cursor itself.
//
// A buffer's stored window counts as open only while it lives: the state
// names the window and terminal by LiveHandles, which resolve to nil once
// the window is closed, so a later window at the same address is never
// taken for it. A state never written (all zeros) reads as never saved.
//
// A nil buffer is ignored everywhere (FALSE or nil where a result is due).
// Lines longer than 256 characters are cut without a message. Main thread
// only.

#include "foundation/BufferText.h"
#include "platform/Geometry.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"
#include "terminal/ANSITerm.h"

#include <cstdint>
#include <span>

namespace EditUtility {

// Windows opened so far, for staggering new ones (starts at 1), and where
// the first one goes: top 46, left 20, bottom 472, right 536, Courier 10.
extern std::int32_t OpenWindows;
extern ModWindow::WindowParameters DefaultWindowDescr;
inline constexpr int kStagger = 16;
// The window kind of buffer windows.
inline constexpr int kBufferWindowKind = 8;

// The defaults above; called by Editor::Initialize.
void Initialize();

// ---- Buffers and their windows ----------------------------------------------

// Makes buffer the edit buffer: the old one's state saved and its message
// line cleared, the new one's state loaded (its own window when that is
// open, else the console), the window brought in front when toFront,
// titled and measured; toEnd shows the buffer's last lines with the cursor
// there, else redraw draws the window anew. The scroll bars are shown with
// toFront.
void SetupBuffer(BufferText::TextBuffer buffer, bool redraw, bool toEnd, bool toFront);
// Redraws the window of buffer (at its end with toEnd), whichever buffer is
// being edited; the edit buffer stays.
void UpdateBuffer(BufferText::TextBuffer buffer, bool toEnd);
// The editor's state goes into the edit buffer's tag field.
void SaveEditState();
// A text buffer whose window is open.
bool BufferWindowIsOpen(BufferText::TextBuffer buffer);

// Opens the buffer's window: staggered from the default rectangle (or
// where it last was), or on the caller's rectangle and font. A buffer
// whose window is open gets nothing new (FALSE) and its terminal becomes
// the console. FALSE when the window or its terminal cannot be made.
bool CreateBufferWindow(BufferText::TextBuffer buffer, const ModWindow::WindowParameters& rectangle,
                        int windowKind, bool staggered, bool toFront, bool visible);
// CreateBufferWindow staggered, of the buffer window kind, visible.
bool OpenBufferWindow(BufferText::TextBuffer buffer, bool toFront);
// Closes the buffer's open window (the console's terminal and window stay);
// FALSE when none is open.
bool CloseBufferWindow(BufferText::TextBuffer buffer);
// Closes the front window when it is a buffer window; that buffer, or nil.
BufferText::TextBuffer CloseFrontWindow();

// A window with an editor terminal for buffer, given to the caller and not
// recorded in the buffer's state (the shell's console window): made through
// ModWindow::Create with these arguments, titled after the buffer, with
// both scroll bars (shown when the window comes in front); the window's
// reference value becomes the terminal, whose user data is the buffer, and
// an update redraws the buffer's last lines in it. FALSE (nothing left
// made, window and terminal nil) when the window or the terminal cannot be
// made.
bool CreateEditTerminal(BufferText::TextBuffer buffer, int resourceID, ModWindow::WindowParameters& parameters,
                        int definition, bool front, bool closeBox, bool visible, Graphics::GraphicsWindow& window,
                        ANSITerm::TerminalRecord*& terminal);

// Stores a content rectangle (global) as where the buffer's window goes.
void SaveWindowSize(BufferText::TextBuffer buffer, const Geometry::Rect& rectangle);
// For an open window: its place and font, and for the edit buffer the
// editor's state, go into the buffer's state. FALSE when none is open.
bool SaveBufferState(BufferText::TextBuffer buffer);
// The buffer and terminal of a platform window that is an open buffer
// window; FALSE for any other window.
bool MacWindowToBufferHandle(Windows::Window* window, BufferText::TextBuffer& buffer,
                             ANSITerm::TerminalRecord*& terminal);

// Window events of buffer windows (others are left alone): activation
// (message and scroll bars shown again, or the arrow cursor), bringing to
// front (the buffer becomes the edit buffer), update (redrawn). TRUE when
// the window was a buffer window.
void ActivateWindow(Windows::Window* window, bool active);
bool BringToFront(Windows::Window* window);
bool UpdateMacWindow(Windows::Window* window);
// Zoom out (to the standard state) or in, with the horizontal scroll reset.
void ZoomBufferWindow(BufferText::TextBuffer buffer, bool zoomOut);

// ---- The edit buffer's text -------------------------------------------------

// The selection between the select mark and the cursor, in text order (the
// mark first when both are equal).
void GetSelectRange(std::int32_t& startLine, std::int32_t& startColumn, std::int32_t& endLine,
                    std::int32_t& endColumn);
// Inserts the lines of source at the cursor (the screen follows through
// EditDisplay::Insert). Stops where the buffer refuses more lines.
void BufferRead(BufferText::TextBuffer source);
// Appends the range of the edit buffer to target, a line per line touched.
void BufferWrite(BufferText::TextBuffer target, std::int32_t startLine, std::int32_t startColumn,
                 std::int32_t endLine, std::int32_t endColumn);
// The next occurrence (case-sensitive) in EditState::Forward's direction,
// not the one at the cursor; the cursor moves to it. FALSE when none.
bool FindString(std::span<const char> text);
// The text starts at the cursor (FALSE for an empty text).
bool AtString(std::span<const char> text);
// count characters on or back from the cursor (a line end counts as one),
// stopping at the end of the last line or at (1, 1).
void CharsForward(std::int32_t count, std::int32_t& line, std::int32_t& column);
void CharsBackward(std::int32_t count, std::int32_t& line, std::int32_t& column);
// count words on or back (words are runs of non-blanks); also the start
// column of the last word passed forward, or the end column (exclusive) of
// the last passed backward.
void WordsForward(std::int32_t count, std::int32_t& line, std::int32_t& column, std::int32_t& lastWordStart);
void WordsBackward(std::int32_t count, std::int32_t& line, std::int32_t& column, std::int32_t& lastWordEnd);
// The text count times at the cursor, as many times as the line has room
// for; (line, column) after it.
void InsertString(std::int32_t count, std::span<const char> text, std::int32_t& line, std::int32_t& column);
// count line ends at the cursor, each new line holding text: a mid-line
// cursor splits its line (head + text, then the tail); (line, column) is
// the start of the line that holds the tail, or the old cursor line.
void InsertLine(std::int32_t count, std::span<const char> text, std::int32_t& line, std::int32_t& column);
// 1 for "Command", 2 for "List", else 0.
int BufferKind(std::span<const char> name);

}  // namespace EditUtility
