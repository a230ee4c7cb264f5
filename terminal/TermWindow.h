// The notebook window: the console's text buffer shown in an editor window
// that takes keys and clicks while it is in front.
//
// Least form: no notebook window is made yet. Terminal stays nil, so the
// dialog loop routes nothing here, and every procedure does nothing. Main
// thread only.
#pragma once

namespace ANSITerm {
struct TerminalRecord;
}

namespace TermWindow {

// The notebook's terminal; nil while there is no notebook window.
extern ANSITerm::TerminalRecord* Terminal;

void InitModule();
void Shutdown();
// One event that the dialog loop routes to the notebook.
void ProcessEvent(int& code, char& character, int& modifiers);
// Redraws the notebook when it is shown.
void Update();
// Leaves the active state.
void Deactivate();
// Hides the notebook.
void Close();

}  // namespace TermWindow
