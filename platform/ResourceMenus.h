// Menus made from the resources (Resources): a menu template, the menu bar
// of a menu-bar template, and the font list as menu items.
//
// Made menus belong to the caller (Menus::DisposeMenu); none is in the bar
// until it is inserted. Main thread only.
#pragma once

#include "platform/Menus.h"

#include <vector>

namespace ResourceMenus {

// A new menu from menu template `id`; nil when there is none.
Menus::Menu* GetMenu(int id);

// New menus for each menu of menu-bar template `id`, from the left; false
// (menus empty) when there is no such template.
bool GetNewMBar(int id, std::vector<Menus::Menu*>& menus);
// Empties the menu bar and puts the menus into it, in order.
void SetMenuBar(const std::vector<Menus::Menu*>& menus);

// Appends the name of every installed font (Fonts), in alphabetical order.
void AppendFontList(Menus::Menu* menu);

}  // namespace ResourceMenus
