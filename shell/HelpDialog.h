// The help window: tool tips for dialog items, read from help files.
//
// Least form: no help is loaded and no window is made; the dialog loop
// starts and shuts the module. Main thread only.
#pragma once

namespace HelpDialog {

// Resets the help state.
void InitModule();
// Frees the help window and its buffer.
void Shutdown();

}  // namespace HelpDialog
