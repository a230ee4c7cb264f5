// What the backends feed in: pointer movement, the mouse button, keys and
// the application's focus. Input keeps the state the program reads
// (pointer, button, modifiers, key map) and posts the matching events.
//
// Keys use the platform's virtual key codes (KeyCodes). Modifier keys
// (command 55, shift 56, caps lock 57, option 58, control 59, right shift
// 60, right option 61, right control 62) only change the modifier state and
// the key map; they post no event.
#pragma once

#include "platform/Geometry.h"

#include <array>
#include <cstdint>

namespace Input {

// Key k is bit (k & 7) (value 1 << (k & 7)) of byte k >> 3.
using KeyMap = std::array<std::uint8_t, 16>;

// Pointer at (0, 0), button up, no key down, application in front.
void InitModule();

void MouseMoved(Geometry::Point global);
// Posts a mouse-down or mouse-up at the pointer (nothing when the button
// is already in that state).
void MouseButton(bool down);
// Posts key-down (auto-key for a repeat) or key-up with the character.
void Key(int virtualKey, unsigned char character, bool down, bool repeat);
// Posts the operating-system event: resume when active, else suspend.
void Focus(bool active);

Geometry::Point Pointer();
bool ButtonDown();
// The modifier bits of the keys held (without kBtnState).
int Modifiers();
const KeyMap& Keys();

// Moves the pointer for the program: the state at once, the real pointer
// through the backend. The layer registers it as the platform's pointer
// warp.
void WarpPointer(Geometry::Point global);

}  // namespace Input
