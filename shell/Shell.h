// The application shell: the notebook's text buffer that every finished
// console line is appended to, the console window with its terminal, and
// the run of the program's start procedure. Main thread only.
#pragma once

#include "foundation/BufferText.h"
#include "shell/Graphics.h"
#include "terminal/ANSITerm.h"

namespace Shell {

using StartProcedure = bool (*)();

// The text buffer "List" in the buffer directory "Shell", kept to its last
// 20,000 lines; nil until Initialize has made it.
extern BufferText::TextBuffer List;

// The notebook's title, "List" after Initialize.
extern char ListTitle[32];

// The console's root graphics window and its terminal; nil until the
// console window is made.
extern Graphics::GraphicsWindow RootWindow;
extern ANSITerm::TerminalRecord* RootTerminal;

// The start procedure handed to Run; the editor shell calls it.
extern StartProcedure StartupProc;

// Creates the buffer directory "Shell" with the text buffer "List" in it,
// then the directory "User", which becomes the default buffer directory:
// relative buffer names resolve there from then on. Then the console: the
// graphics windows, the terminal layer and the console window (window
// resource 143, Courier 12) for "List" when the UI layer runs, and the
// editor. A failure ends the program through MacEnv::AlertAndExit.
void Initialize();

// Arrow cursor; the procedure becomes StartupProc and the editor shell runs
// it; returns when it returns.
void Run(StartProcedure startProcedure);

// Closes the console's terminal and window (before the buffer heap they
// live in is given back).
void Shutdown();

}  // namespace Shell
