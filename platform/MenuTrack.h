// Choosing from menus with the mouse: the menu bar's pull-down menus and
// popup menus at a point, with their submenus.
//
// While a menu tracks, the event-loop timers keep firing, and three hooks
// tell what happens: `opening` when a menu (pull-down, popup or submenu)
// opens, `target` when the pointer comes onto another item of an open menu
// (any item, separators and disabled items included), and `closed` when a
// menu closes. Tracking ends when the button is released; the chosen item
// is the one released on, when it may be chosen (Menus::IsChoosable).
#pragma once

#include "platform/Geometry.h"
#include "platform/Menus.h"

#include <cstdint>

namespace MenuTrack {

using MenuHook = void (*)(Menus::Menu* menu);
using TargetHook = void (*)(Menus::Menu* menu, int item);

struct Hooks {
  MenuHook opening = nullptr;
  TargetHook target = nullptr;
  MenuHook closed = nullptr;
};

// Replaces all three hooks (nil: none).
void SetHooks(const Hooks& hooks);

// After a press in the menu bar at `start` (global). The result packs the
// menu ID and item (Menus); the chosen menu's title stays highlighted until
// Menus::HiliteMenu(0). 0 when nothing was chosen.
std::int32_t MenuSelect(Geometry::Point start);

// Opens the menu with item popUpItem's top-left corner at (left, top)
// (global; moved to stay on the screen) and tracks it.
std::int32_t PopUpMenuSelect(Menus::Menu* menu, int top, int left, int popUpItem);

// A menu is open.
bool Tracking();

}  // namespace MenuTrack
