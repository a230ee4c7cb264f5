// Menu bars from the resource file: a menu bar resource names its menus
// from the left; GetNewMBar makes those menus and SetMenuBar puts them into
// the bar. Main thread only.
#pragma once

#include <vector>

namespace Menus {
struct Menu;
}

namespace MenuBar {

// The menus of one bar, from the left; the bar owns them.
struct Bar {
  std::vector<Menus::Menu*> menus;
};

// The menus of menu bar resource id, made with their items and command
// keys; nil when the resource file has no such bar or a menu it names.
Bar* GetNewMBar(int id);
// Empties the menu bar and puts the bar's menus into it; nil empties it.
void SetMenuBar(const Bar* bar);
// Disposes of the bar and its menus; nothing for nil.
void DisposeMenuBar(Bar*& bar);

}  // namespace MenuBar
