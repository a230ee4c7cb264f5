// Menus and the menu bar: menu records with their items, the bar along the
// top of the screen, the list of menus used as submenus and popups, and the
// lookup of command keys. Tracking a menu with the mouse is MenuTrack's;
// drawing is MenuDraw's.
//
// Items are numbered from 1; item 0 stands for the menu as a whole in the
// enable calls (a disabled menu shows a grey title and lets no item be
// chosen). Texts are 8-bit and taken literally: no character of an item's
// text has a special meaning. An item whose command character is
// kHierarchical carries a submenu: its mark holds the submenu's menu ID, and
// the submenu must be in the hierarchical list (InsertMenu with
// kHierarchical). A menu result packs the menu ID in the high 16 bits and
// the item in the low 16 bits; 0 means nothing was chosen.
#pragma once

#include <cstdint>
#include <span>

namespace Menus {

struct Menu;

inline constexpr int kHierarchical = -1;          // InsertMenu: into the submenu list
inline constexpr unsigned char kHierarchicalCmd = 0x1B;
inline constexpr unsigned char kCheckMark = 0x12;  // the mark CheckItem sets
inline constexpr int kMaxText = 255;

void InitModule();
// Disposes of every menu.
void Shutdown();

// Menu IDs are 1 .. 32767; nil for another ID. IDs need not be unique, but
// GetMenuHandle and results only find the first menu with an ID.
Menu* NewMenu(int id, std::span<const char> title);
// Takes the menu out of the bar or list first; nothing for nil.
void DisposeMenu(Menu* menu);
int GetMenuID(const Menu* menu);
void GetMenuTitle(const Menu* menu, std::span<char> title);
void SetMenuTitle(Menu* menu, std::span<const char> title);

void AppendItem(Menu* menu, std::span<const char> text);
// A separator line: never enabled, never chosen.
void AppendSeparator(Menu* menu);
void DeleteItem(Menu* menu, int item);
int CountItems(const Menu* menu);
bool IsSeparator(const Menu* menu, int item);

void SetItemText(Menu* menu, int item, std::span<const char> text);
void GetItemText(const Menu* menu, int item, std::span<char> text);
// Item 0: the whole menu.
void SetItemEnabled(Menu* menu, int item, bool enabled);
bool IsItemEnabled(const Menu* menu, int item);
// Sets or clears kCheckMark.
void CheckItem(Menu* menu, int item, bool checked);
void SetItemMark(Menu* menu, int item, unsigned char mark);
unsigned char GetItemMark(const Menu* menu, int item);
void SetItemCmd(Menu* menu, int item, unsigned char cmd);
unsigned char GetItemCmd(const Menu* menu, int item);
// The submenu an item carries, or nil.
Menu* GetSubmenu(const Menu* menu, int item);

// Into the bar before the menu with beforeID (0, or an ID not in the bar:
// at the end), or into the hierarchical list with kHierarchical. A menu
// already in the bar or list stays where it is.
void InsertMenu(Menu* menu, int beforeID);
// Takes the menu with the ID out of the bar or the list (it is not
// disposed).
void DeleteMenu(int id);
void ClearMenuBar();
// The menu with the ID in the bar or the list; nil when there is none.
Menu* GetMenuHandle(int id);
int BarCount();
// Menus of the bar from the left, index 0 .. BarCount() - 1.
Menu* BarMenu(int index);

// The bar menu whose title shows highlighted; 0 for none.
void HiliteMenu(int id);
int HilitedMenu();
// Marks the bar for redrawing (changes to titles and enabling show at the
// next redraw of the screen anyway).
void DrawMenuBar();

// The enabled item of an enabled bar menu (or of a submenu reachable from
// one) whose command character is ch, letter case ignored; highlights that
// menu's title. 0 for ch 0 or when none is found.
std::int32_t MenuKey(unsigned char ch);

// An item that may be chosen: it exists, is no separator and no submenu
// carrier, and it and its menu are enabled.
bool IsChoosable(const Menu* menu, int item);

// Counts every change that alters what the menu bar shows.
std::uint64_t ChangeCount();

}  // namespace Menus
