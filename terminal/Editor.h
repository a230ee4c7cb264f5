#pragma once

// The text editor; here, the least the shell needs to hand control to the
// program: its defaults and the editor shell that runs the start
// procedure.

namespace Editor {

// The editor's defaults; its console is the shell's root terminal. Called
// once the console exists.
void Initialize();

// Clears the editor's key state, takes the clipboard's text into the paste
// buffer and calls Shell::StartupProc; returns when it returns.
void EditShell();

}  // namespace Editor
