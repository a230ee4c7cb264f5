#pragma once

// The key events that the terminal's event source hands to every loop of
// the program, and the last one it delivered.

#include <cstdint>

namespace ANSIBase {

// Key codes (the character of a key event is 0 unless said otherwise).
inline constexpr int KeyNone = 0;
inline constexpr int KeyConsumed = 1;  // the event source or the terminal took it
inline constexpr int KeyCharacter = 2;  // the character typed
inline constexpr int KeyCursorUp = 3;
inline constexpr int KeyCursorDown = 4;
inline constexpr int KeyCursorLeft = 5;
inline constexpr int KeyCursorRight = 6;
inline constexpr int KeyNumeric0 = 7;  // 7 .. 16: keypad digits in application mode
inline constexpr int KeyNumeric9 = 16;
inline constexpr int KeyEnter = 17;
inline constexpr int KeyNumericMinus = 18;
inline constexpr int KeyNumericPlus = 19;
inline constexpr int KeyNumericPoint = 20;
inline constexpr int KeyNumericClear = 21;
inline constexpr int KeyNumericEquals = 22;
inline constexpr int KeyNumericDivide = 23;
inline constexpr int KeyNumericMultiply = 24;
inline constexpr int KeyF1 = 25;  // 25 .. 39: F1 .. F15
inline constexpr int KeyF10 = 34;
inline constexpr int KeyF15 = 39;
inline constexpr int KeyHome = 40;
inline constexpr int KeyEnd = 41;
inline constexpr int KeyPageUp = 42;
inline constexpr int KeyPageDown = 43;
inline constexpr int KeyHelp = 44;
inline constexpr int KeyInsert = 45;  // named for macros; the event source makes none
inline constexpr int KeyDeleteLeft = 46;
inline constexpr int KeyDeleteRight = 47;
inline constexpr int KeyMouse = 48;  // a click in the text of the front terminal window
inline constexpr int KeyDoubleMouse = 49;
inline constexpr int KeyTripleMouse = 50;
inline constexpr int KeyMouseStillDown = 51;  // dragged to another cell, or held at the top or bottom
inline constexpr int KeyDeactivate = 52;
inline constexpr int KeyActivate = 53;
inline constexpr int KeyUpdate = 54;  // character 1: the calling terminal's window
inline constexpr int KeyWindow = 55;  // a click in a window not in front
inline constexpr int KeyMoved = 56;
inline constexpr int KeyIconize = 57;  // handled like KeyResized when pushed back
inline constexpr int KeyResized = 58;
inline constexpr int KeyWindowClose = 60;
inline constexpr int KeyMenu = 61;  // the menu command has already run
inline constexpr int KeyOSEvent = 62;  // suspended or resumed

// Modifier bits.
inline constexpr int kCommand = 1;
inline constexpr int kShift = 2;
inline constexpr int kCapsLock = 4;
inline constexpr int kOption = 8;
inline constexpr int kControl = 16;
inline constexpr int kRightShift = 32;
inline constexpr int kRightOption = 64;
inline constexpr int kRightControl = 128;

// The last event delivered.
extern int LastKeyCode;
extern char LastCharacter;
extern int LastModifiers;

}  // namespace ANSIBase
