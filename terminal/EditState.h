#pragma once

// The editor's shared state that console output draws on. Globals owned by
// the terminal and editor; no procedures.

#include "foundation/BufferText.h"
#include "terminal/ANSITerm.h"

#include <cstdint>

namespace Windows {
struct Window;
}

namespace EditState {

// The terminal that console output's highlight and the editor draw on.
extern ANSITerm::TerminalRecord* Console;

// The notebook window's terminal, where console text appears; nil while that
// window is closed (console text then reaches only the notebook buffer).
extern ANSITerm::TerminalRecord* ListConsole;

// The window of the current edit terminal.
extern Windows::Window* Window;

// The editor's view of the buffer it edits.
extern BufferText::TextBuffer EditBuffer;
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

}  // namespace EditState
