#pragma once

// The keypad editor's command interpreter: turns each key event of the
// edit buffer's terminal into an editor command. It keeps the GOLD prefix
// (keypad clear or F11) with the repeat count typed after it, records and
// plays keyboard macros, handles the mouse and window events of buffer
// windows and the cursor keys with their modifiers, and hands every other
// key to the keypad commands (EditKeys) by the plain or the GOLD layer.
// It also holds the editor's defaults and the editor shell of the start-up.
//
// GOLD is pending from the GOLD key to the next key that is neither a digit,
// ESC nor GOLD; digits after GOLD make the count of the next command
// (at most 1,000,000), which then runs its plain command unless GOLD is
// pressed again. Keys without a command, and every problem, show a message
// on the message line; nothing beeps. Undo information is dropped whenever
// an event arrives for another buffer than the one it belongs to.
// Main thread only.

#include <cstdint>
#include <span>

namespace Editor {

// The GOLD prefix is pending; the count of the next command (1 unless one
// was typed); its digits are being typed; runs of the playing macro still
// due.
extern bool GoldSet;
extern std::int32_t Count;
extern bool DoRepeatCount;
extern std::int32_t MacroRepeatCount;

// The largest repeat count; further digits leave it there.
inline constexpr std::int32_t kMaxCount = 1000000;

// Handles one event (key code, character and modifiers of ANSIBase). FALSE
// only for the activate and key-window events, which the caller's loop
// hands on; TRUE otherwise.
bool ProcessCommand(int keyCode, char character, int modifiers);

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
// Edits the edit buffer in its window until no input comes any more.
void EditLoop();
// Reads and handles events until ProcessCommand gives FALSE, or no input
// comes any more (code 0); that event in the arguments. Always FALSE.
bool Edit(int& keyCode, char& character, int& modifiers);
bool IsGold();

// GOLD L, GOLD S and GOLD X: learning a macro, its end (or the end of one
// run of it), and count runs of it.
void MacroLearn();
void MacroStop();
void MacroExecute(std::int32_t count);

// The current file directory in directory, the clipboard's text in the
// paste buffer, the other results 0.
void StartupMessage(std::span<char> directory, char& first, char& second, char& third, std::int32_t& number);

}  // namespace Editor
