// The operator's choice of a file to read, a name to write, or a folder.
//
// Select opens the layer's file chooser (platform/FileChooser.h) where the
// caller's name points: its directory part is the starting folder, its
// file part the proposed name of a save. Opening shows the files that the
// wildcard filter lets through (case ignored; "*" and "*.*" show all);
// saving and choosing a folder show the free space of the starting
// folder's volume. Afterwards the current file directory is the chosen one
// (ModeSetDirectory) or the one from before; IOBase::Result holds that
// step's code.
//
// A path queued with PushChoice is the chooser's answer instead, and goes
// through the same conversion into the caller's name. With nothing queued
// the chooser runs on screen (headless: its scripted steps answer it, and
// without any it ends cancelled); off screen (no UI layer, or another
// thread) the choice is cancelled. Whenever nobody sees the chooser, the
// prompt and the answer go to stderr. Main thread only.
#pragma once

#include <span>

namespace FileSelect {

// Mode bits: open an existing file, else choose a name to save, else a
// folder; SetDirectory in addition makes the chosen folder the current one.
inline constexpr int ModeOpen = 1;
inline constexpr int ModeSave = 2;
inline constexpr int ModeFolder = 4;
inline constexpr int ModeSetDirectory = 8;

// Sets the module state once at start; the chooser is part of the program,
// so there is nothing to load or to find missing. Shutdown has nothing to
// release and keeps the start-up order's place.
void Initialize();
void Shutdown();

// TRUE with the full path chosen in name (a folder's ending with '/');
// FALSE, name unchanged, when cancelled or when the choice cannot be
// returned: a path over 254 characters, or one that does not fit name,
// shows "FileSelector error: -37".
bool Select(std::span<char> name, std::span<const char> filter, int mode,
            std::span<const char> prompt);

// The wildcard match of the file dialogs: '*' any run of characters, '?'
// one character, other characters equal after capitalisation; either text
// empty: no match. The texts end at their span or at a NUL. After a '*'
// the name is skipped to the next pattern character or to a '.', so "*.txt"
// matches "A.TXT" but not "a.b.txt".
bool FindMatch(std::span<const char> name, std::span<const char> pattern);

// text := the free bytes as the chooser's message: "512 B free",
// " 1.20 GB free" (engineering form, the prefix letter before "B").
void DecodeFreeSpace(double bytes, std::span<char> text);

// Test seam: the path the next Select chooses.
void PushChoice(std::span<const char> path);
void ClearChoices();

}  // namespace FileSelect
