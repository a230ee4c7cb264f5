// How the menu bar and open menus look and where their parts are. Menus
// draw in the sans face at 12 pixels; an item is kItemHeight pixels high
// with a column for its mark on the left and, on the right, its command key
// (shown as "Ctrl+" and the key, the key that gives command on this
// platform) or the arrow of its submenu. All coordinates are global.
#pragma once

#include "platform/Geometry.h"
#include "platform/Menus.h"
#include "platform/Port.h"

namespace MenuDraw {

inline constexpr int kItemHeight = 16;

// The title of bar menu `index` in the menu bar; empty for no such menu.
Geometry::Rect TitleRect(int index);
// The index of the bar menu whose title is at p; -1 for none.
int TitleAt(Geometry::Point p);

// The rectangle an open menu's items fill when its top-left corner is
// `topLeft` (its border and shadow lie just outside).
Geometry::Rect MenuRect(const Menus::Menu* menu, Geometry::Point topLeft);
// Where a menu opens: below its bar title, or beside the item of its parent
// menu; moved left or up as far as needed to stay on the screen.
Geometry::Point PullDownOrigin(const Menus::Menu* menu, int barIndex);
Geometry::Point SubmenuOrigin(const Menus::Menu* menu, const Geometry::Rect& parentItem);
// A popup with item's top-left corner at (left, top), where it fits.
Geometry::Point PopUpOrigin(const Menus::Menu* menu, int top, int left, int item);
// The rectangle of an item; the item under a point (0 for none).
Geometry::Rect ItemRect(const Menus::Menu* menu, Geometry::Point topLeft, int item);
int ItemAt(const Menus::Menu* menu, Geometry::Point topLeft, Geometry::Point p);

// Into a port whose local coordinates are global ones; the current port is
// kept.
void DrawBar(Port::GrafPort& screen);
void DrawMenu(Port::GrafPort& screen, const Menus::Menu* menu, Geometry::Point topLeft, int hilitedItem);

}  // namespace MenuDraw
