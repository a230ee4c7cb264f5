// The operator's choice of a file to read, a name to write, or a folder.
//
// Headless form (until the dialog framework stands): the prompt goes to
// stderr and the choice is taken from a queue of scripted paths that tests
// fill with PushChoice; an empty queue cancels. Main thread only.
#pragma once

#include <span>

namespace FileSelect {

// Mode bits: open an existing file, else choose a name to save, else a
// folder; SetDirectory in addition makes the chosen folder the current one.
inline constexpr int ModeOpen = 1;
inline constexpr int ModeSave = 2;
inline constexpr int ModeFolder = 4;
inline constexpr int ModeSetDirectory = 8;

// The file dialogs need nothing loaded here: both only keep the start-up
// order's places.
void Initialize();
void Shutdown();

// TRUE with the full path chosen in name; FALSE when cancelled (name
// unchanged). filter is a wildcard such as "*.txt".
bool Select(std::span<char> name, std::span<const char> filter, int mode,
            std::span<const char> prompt);

// Test seam: the path the next Select chooses.
void PushChoice(std::span<const char> path);
void ClearChoices();

}  // namespace FileSelect
