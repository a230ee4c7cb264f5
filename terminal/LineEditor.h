#pragma once

// Line input: one line of text edited in place, on the console terminal
// (ReadString, ReadClearString), in the editor's prompt line
// (ReadEditorString) or at a position of a graphics window
// (ReadGraphicsString, ReadClearGraphicsString: the dialogs' in-place text
// editing).
//
// Each call edits until a key finishes the line and then hands the text
// back in the caller's array (at most its capacity less one characters;
// the graphics forms also at most maxLength). The event that ended it is
// in LastKeyCode, LastKeyChar and LastModifiers. Keys that belong to the
// caller's loop (function keys, window events, a click outside a graphics
// field) finish the line and are pushed back (ANSITerm::ReadAgain) so that
// the caller's next read delivers them again.
//
// Keys (ANSIBase's codes): characters 32 and above type (inserting, or
// overwriting in overwrite mode; a beep when the line is full), control-A
// toggles insert and overwrite, control-D and control-F move left and
// right, control-E and control-H to the end and the start, tab and return
// finish, control-J deletes the word left of the cursor, control-U and
// escape everything left of it, control-W redraws, control-Z restores the
// text the edit began with; the arrows move (up and down through the ring
// of the last ten lines entered), the delete keys delete.
//
// The clear forms and ReadEditorString start with the whole text selected:
// the first character typed replaces it, and the delete keys clear it (not
// in ReadEditorString). Cut, copy and paste of the Edit menu reach the line
// while Editting is set: the menu calls DoCut, DoCopy or DoPaste, and the
// line carries the action out with the key event that the menu command
// returns.
//
// Main thread only; one line is edited at a time.

#include "platform/Geometry.h"
#include "shell/Graphics.h"

#include <array>
#include <span>

namespace LineEditor {

inline constexpr int kTextSize = 256;
inline constexpr int kHistorySize = 10;

// The text being edited.
extern char InputBuffer[kTextSize];
// Insert mode, else overwrite.
extern bool Inserting;
// Columns of the terminal field.
extern int DisplayLength;
// The ring of the last lines entered and its current slot.
extern std::array<std::array<char, kTextSize>, kHistorySize> Stack;
extern int StackIndex;
// The event that ended the last edit.
extern int LastKeyCode;
extern char LastKeyChar;
extern int LastModifiers;
// TRUE while a line is being edited.
extern bool Editting;

// Called after every poll for an event, also when none came (code 0); it
// may change the event (a code of 1 makes the line ignore it).
using Filter = void (*)(int& code, char& character, int& modifiers);
void DummyFilter(int& code, char& character, int& modifiers);
extern Filter FilterProc;

// Insert mode, delete-all, DisplayLength 79, an empty ring at slot 0,
// LastKeyCode 1, no pending menu action and the dummy filter.
void InitModule();

// On the editor's console terminal (EditState::Console), at its cursor.
void ReadString(std::span<char> text);
void ReadClearString(std::span<char> text);
// In the editor's prompt line, keys from EditDisplay::InputKey; any event
// with a code above 47 ends at once and leaves the text as it was.
void ReadEditorString(std::span<char> text);

// In the graphics window: the text's base line starts at the world point
// (x, y) and the field is width world units wide; drawing is clipped to
// clipRect (the window's local pixels). Events come from the console
// terminal. A double click selects the whole text, a click inside the field
// places the cursor, a click outside finishes and is pushed back.
void ReadGraphicsString(Graphics::GraphicsWindow window, double x, double y, double width, std::span<char> text,
                        int maxLength, const Geometry::Rect& clipRect);
void ReadClearGraphicsString(Graphics::GraphicsWindow window, double x, double y, double width,
                             std::span<char> text, int maxLength, const Geometry::Rect& clipRect);

// The Edit menu's actions on the line being edited. Cut and copy take the
// whole text to the paste buffer (and the clipboard) and only while it is
// selected; paste inserts the paste buffer's first line at the cursor, or
// replaces a selected text with it.
void DoCut();
void DoCopy();
void DoPaste();

}  // namespace LineEditor
