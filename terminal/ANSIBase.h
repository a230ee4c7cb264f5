#pragma once

// The key events that the terminal's event source hands to every loop of
// the program, and the last one it delivered.

#include <cstdint>

namespace ANSIBase {

// Key codes.
inline constexpr int KeyNone = 0;
inline constexpr int KeyConsumed = 1;  // the event source or the terminal took it
inline constexpr int KeyCharacter = 2;
inline constexpr int KeyCursorUp = 3;
inline constexpr int KeyCursorDown = 4;
inline constexpr int KeyCursorLeft = 5;
inline constexpr int KeyCursorRight = 6;
inline constexpr int KeyPageUp = 42;
inline constexpr int KeyPageDown = 43;
inline constexpr int KeyDeleteLeft = 46;
inline constexpr int KeyDeleteRight = 47;
inline constexpr int KeyMouse = 48;
inline constexpr int KeyDoubleMouse = 49;
inline constexpr int KeyTripleMouse = 50;
inline constexpr int KeyMouseStillDown = 51;
inline constexpr int KeyDeactivate = 52;
inline constexpr int KeyActivate = 53;
inline constexpr int KeyUpdate = 54;  // character 1: the calling terminal's window
inline constexpr int KeyWindow = 55;  // a click in a window not in front
inline constexpr int KeyMoved = 56;
inline constexpr int KeyIconize = 57;
inline constexpr int KeyResized = 58;
inline constexpr int KeyWindowClose = 60;
inline constexpr int KeyMenu = 61;  // the menu command has already run
inline constexpr int KeyOSEvent = 62;

// Modifier bits.
inline constexpr int kCommand = 1;
inline constexpr int kShift = 2;
inline constexpr int kCapsLock = 4;
inline constexpr int kOption = 8;
inline constexpr int kControl = 16;

// The last event delivered.
extern int LastKeyCode;
extern char LastCharacter;
extern int LastModifiers;

}  // namespace ANSIBase
