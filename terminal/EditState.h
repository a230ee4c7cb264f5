#pragma once

// The editor's working state: the buffer being edited, its cursor and
// selection, the part of it the window shows, the message line, the delete
// buffers and the keyboard macro. Globals owned by the editor (EditUtility,
// EditDisplay and the keypad commands change them; console output and the
// scroll bars read them); no procedures. Main thread only.
//
// Positions are (line, column), both from 1: line n is record n of the
// buffer, column c stands before the c-th character and column = length + 1
// is the line's end. A line holds at most kLineLength characters.

#include "foundation/BufferText.h"
#include "shell/Graphics.h"
#include "terminal/ANSITerm.h"

#include <array>
#include <cstdint>

namespace EditState {

inline constexpr int kLineLength = 256;

// A position, ordered as in the text.
struct Position {
  std::int32_t line = 1;
  std::int32_t column = 1;
  friend bool operator<(const Position& a, const Position& b) {
    return a.line < b.line || (a.line == b.line && a.column < b.column);
  }
  friend bool operator==(const Position& a, const Position& b) = default;
};
// One text of up to kLineLength characters and its NUL.
using LineText = char[kLineLength + 1];

// The buffer being edited; nil for none.
extern BufferText::TextBuffer EditBuffer;
// The terminal the editor (and console output's highlight) draws on, and
// the window record of that terminal's window.
extern ANSITerm::TerminalRecord* Console;
extern Graphics::GraphicsWindow Window;
// The notebook window's terminal, where console text appears; nil while that
// window is closed (console text then reaches only the notebook buffer).
extern ANSITerm::TerminalRecord* ListConsole;

// The edit cursor and the column that vertical moves try to keep.
extern std::int32_t CursorLine;
extern std::int32_t CursorColumn;
extern std::int32_t DesiredColumn;
// The selection runs between the select mark and the cursor.
extern bool SelectActive;
extern std::int32_t SelectLine;
extern std::int32_t SelectColumn;
// Direction of the keypad commands and of searches.
extern bool Forward;

// Buffer line shown in the first row (from 1), columns hidden at the left.
extern std::int32_t FirstLine;
extern std::int32_t FirstColumn;
// Text rows and columns of the edit terminal.
extern std::int32_t WindowHeight;
extern std::int32_t WindowWidth;
// Rows that cursor moves keep between the cursor and the top or bottom.
extern std::int32_t WindowBandSize;
// The operator scrolled the view with the scroll bars.
extern bool Scrolled;

// The message line.
extern bool MessageActive;
extern LineText MessageText;
// The message line shows "line: " and ";  column: " while no message is.
extern bool ShowLineNumbers;

// Searching: the text (a line number when DoSearchLine).
extern LineText SearchString;
extern bool DoSearchLine;

// Tabs: the distance of the stops; fixed stops or aligned with the line
// above.
extern std::int32_t TabInterval;
extern bool FixHorizontalTab;

// The last character, word and line (part) deleted, each with whether it
// was, or ended with, a line end.
extern char DeletedChar;
extern bool DeletedCharCR;
extern LineText DeletedWord;
extern bool DeletedWordCR;
extern LineText DeletedLine;
extern bool DeletedLineCR;

// The keyboard macro: one entry per key, played back in order.
struct TraceEntryRecord {
  std::uint8_t modifiers = 0;
  std::uint8_t keyCode = 0;
  char character = 0;
};
inline constexpr int kTraceSize = 512;
extern std::array<TraceEntryRecord, kTraceSize> TraceData;
// Next entry; entries recorded (0: no macro).
extern std::int32_t TraceEntry;
extern std::int32_t TraceLimit;
inline constexpr std::uint8_t kTraceOff = 0;
inline constexpr std::uint8_t kTracePlaying = 1;
inline constexpr std::uint8_t kTraceLearning = 2;
extern std::uint8_t TraceState;
// Playback draws; FALSE plays quietly and the screen is redrawn after it.
extern bool TraceUpdate;

}  // namespace EditState
