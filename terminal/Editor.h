#pragma once

// The text editor; here, what the shell and the editor's own modules need
// before the command interpreter exists: the editor's defaults, the mouse
// cursor over the edit window, and the editor shell that runs the start
// procedure.

namespace Editor {

// The editor's defaults (its console is the shell's root terminal, the
// window state and message line cleared, no macro, tabs every 3 columns)
// and those of EditUndo and EditUtility. Called once the console exists.
void Initialize();

// The edit cursor while the mouse lies over the text of the edit window in
// front, else the arrow.
void SetCursor();

// Clears the editor's key state, takes the clipboard's text into the paste
// buffer and calls Shell::StartupProc; returns when it returns.
void EditShell();

}  // namespace Editor
