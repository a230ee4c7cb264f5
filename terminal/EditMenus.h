#pragma once

// The editor's Edit menu; here, the least that undo needs before the menu
// itself exists: the undo item's text, kept for the menu to show.

#include <span>

namespace EditMenus {

// The text of the Edit menu's undo item, cut to 32 characters.
void SetUndoText(std::span<const char> text);
// The text last set ("Undo" before any).
void GetUndoText(std::span<char> text);

}  // namespace EditMenus
