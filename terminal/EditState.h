#pragma once

// The editor's shared state that console output draws on. Globals owned by
// the terminal and editor; no procedures.

#include "terminal/ANSITerm.h"

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

}  // namespace EditState
