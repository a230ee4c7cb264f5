// The platform's virtual key codes (positions on the keyboard, not
// characters), the characters its special keys give, and the lookups the
// backends use to make key events.
#pragma once

#include <span>

namespace KeyCodes {

inline constexpr int kReturn = 36;
inline constexpr int kTab = 48;
inline constexpr int kSpace = 49;
inline constexpr int kDelete = 51;  // backspace
inline constexpr int kEnter = 52;   // the enter key beside the space bar
inline constexpr int kEscape = 53;
inline constexpr int kCommand = 55;
inline constexpr int kShift = 56;
inline constexpr int kCapsLock = 57;
inline constexpr int kOption = 58;
inline constexpr int kControl = 59;
inline constexpr int kRightShift = 60;
inline constexpr int kRightOption = 61;
inline constexpr int kRightControl = 62;
inline constexpr int kKeypadDecimal = 65;
inline constexpr int kKeypadMultiply = 67;
inline constexpr int kKeypadPlus = 69;
inline constexpr int kKeypadClear = 71;
inline constexpr int kKeypadDivide = 75;
inline constexpr int kKeypadEnter = 76;
inline constexpr int kKeypadMinus = 78;
inline constexpr int kKeypadEquals = 81;
inline constexpr int kKeypad0 = 82;  // 82 .. 89 are keypad 0 .. 7
inline constexpr int kKeypad8 = 91;
inline constexpr int kKeypad9 = 92;
inline constexpr int kF5 = 96;
inline constexpr int kF6 = 97;
inline constexpr int kF7 = 98;
inline constexpr int kF3 = 99;
inline constexpr int kF8 = 100;
inline constexpr int kF9 = 101;
inline constexpr int kF11 = 103;
inline constexpr int kF13 = 105;
inline constexpr int kF14 = 107;
inline constexpr int kF10 = 109;
inline constexpr int kF12 = 111;
inline constexpr int kF15 = 113;
inline constexpr int kHelp = 114;
inline constexpr int kHome = 115;
inline constexpr int kPageUp = 116;
inline constexpr int kForwardDelete = 117;
inline constexpr int kF4 = 118;
inline constexpr int kEnd = 119;
inline constexpr int kF2 = 120;
inline constexpr int kPageDown = 121;
inline constexpr int kF1 = 122;
inline constexpr int kLeftArrow = 123;
inline constexpr int kRightArrow = 124;
inline constexpr int kDownArrow = 125;
inline constexpr int kUpArrow = 126;

// The event modifier bit a modifier key holds (EventQueue's kCmdKey ...);
// 0 for any other key.
int ModifierBit(int virtualKey);

struct Key {
  int virtualKey = 0;
  unsigned char character = 0;
};

// The key of the US layout that types the character (letters in either
// case, digits, punctuation, space, return, tab); false for others.
bool ForCharacter(unsigned char c, Key& key);

// Special and modifier keys by name, letter case ignored: "return",
// "enter", "tab", "space", "delete", "forwarddelete", "escape", "left",
// "right", "up", "down", "home", "end", "pageup", "pagedown", "help",
// "f1" .. "f15", "keypad0" .. "keypad9", "keypad." "keypad*" "keypad+"
// "keypadclear" "keypad/" "keypad-" "keypad=", and the modifier keys "cmd",
// "shift", "capslock", "option", "control", "rightshift"; with the
// character the key gives (0 for modifier keys).
bool ForName(std::span<const char> name, Key& key);

// The character a key without a character of its own gives (return 13,
// arrows 28 .. 31, function keys 16 ...); 0 for keys that type text.
unsigned char SpecialCharacter(int virtualKey);

}  // namespace KeyCodes
