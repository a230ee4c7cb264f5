// The program's menus and the dispatch of menu commands.
//
// Every menu except the application menu (menu 1 of the menu bar, whose
// items open the about box) lives in a table of 41 records indexed by its
// handle; the platform menu ID of a menu is its handle. Handles 1 to 40 are
// valid arguments; new menus get 2 to 40. Each of up to 31 items is bound to
// a parameterless procedure and carries a macro name by which the macro
// recorder and the dialog framework find it.
//
// Every operation ignores an invalid handle (outside 1 to 40), a free record
// or an invalid item (outside 1 to 31) unless said otherwise. Getters leave
// their result untouched for an invalid handle and give an empty text (or 0,
// FALSE) for a free record or an invalid item.
//
// The event pump hands every menu selection and command key to
// ProcessMenuCommand and ProcessMenuKey; an item's procedure runs to its end
// inside them (a calibration started from a menu runs inside its item). Main
// thread only.
#pragma once

#include <cstdint>
#include <span>

namespace Menus {
struct Menu;
}

namespace ModMenus {

using Procedure = void (*)();
using BeforeProcedure = bool (*)(int handle, int item);

inline constexpr int kMenus = 41;      // records 0 .. 40
inline constexpr int kMaxItems = 31;   // items 1 .. 31
inline constexpr int kTextSize = 80;   // 79 characters and a NUL

struct MenuRecord {
  Menus::Menu* menu = nullptr;  // nil: the record is free
  std::int32_t itemCount = 0;
  // Index 0: the menu's macro name and title; 1 to 31: the items'.
  char names[kMaxItems + 1][kTextSize] = {};
  char texts[kMaxItems + 1][kTextSize] = {};
  Procedure procedures[kMaxItems + 1] = {};
  bool enabled[kMaxItems + 1] = {};  // the owner's enable flag of each item
  std::int32_t submenu[kMaxItems + 1] = {};
  char commandKey[kMaxItems + 1] = {};
  std::uint8_t accessLevel[kMaxItems + 1] = {};
  bool checkMark[kMaxItems + 1] = {};
  // Index 0: the menu as a whole; items: FALSE for separators.
  bool selectable[kMaxItems + 1] = {};
};

extern MenuRecord Info[kMenus];

// Handles of the File, Edit and help menus (0: none); the modules that
// create the first two set them.
extern int FileMenu;
extern int EditMenu;
extern int HelpMenu;
// The command being executed: set before its procedure runs, kept after it,
// cleared by the next ProcessMenuCommand.
extern int SelectedMenu;
extern int SelectedItem;
// An item whose access level is above it is disabled.
extern int MinAccessLevel;
// Asked with (menu, item) before every item procedure; FALSE vetoes.
extern BeforeProcedure BeforeProc;
// 0 normal; 1 menus disabled but the help menu and Quit kept; 2 everything
// disabled but the help menu's title. Changed only by DisableAll and
// ReEnableAll.
extern int EnableState;
// The Quit item of the File menu; -1 when Quit lives in the application
// menu (the platform's quit command).
extern int QuitItem;
extern bool QuitItemEnabled;
// The platform's quit command, when Quit lives in the application menu.
extern bool QuitCommandEnabled;
extern bool InMenuProc;
// Platform menu ID of the help menu when the platform gave one, and the
// first item of it that is ours.
extern int HelpMenuID;
extern int FirstHelpItem;

// All variables to their initial values, all records cleared.
void InitModule();

// CreateNamedMenu with the title as name.
void CreateMenu(int& handle, std::span<const char> title);
// A menu in the lowest free handle 2 .. 40, its macro name made from name,
// the title kept (79 characters). A title equal (letter case ignored) to the
// macro name of another menu gives the console line "<title> is already
// used as menu[<handle>]." and the menu all the same. handle 0 when no
// handle is free or the platform refuses.
void CreateNamedMenu(int& handle, std::span<const char> name, std::span<const char> title);
// Into the menu bar, at its end but before the help menu.
void AppendMenu(int handle);
// A text beginning with "-" appends a separator. Otherwise the item gets a
// macro name (unless it has one) and the text (79 characters), no character
// of which has a special meaning. A 32nd item is ignored.
void AppendItem(int handle, std::span<const char> text);
// Binds the procedure; the enabled flag becomes TRUE for one, FALSE for nil.
void SetItemProc(int handle, int item, Procedure procedure);
// Refused for an item that carries a submenu.
void SetCommandKey(int handle, int item, char character);
void GetCommandKey(int handle, int item, char& character);
// Sets the enabled flag and shows it at once: on shows the item enabled when
// it is selectable and its access level allows; off disables.
void EnableItem(int handle, int item, bool on);
// The item may be executed: enabled, selectable, a procedure bound, access
// level allowed and the menu selectable; the File menu's last item (Quit)
// counts even while the File menu is not selectable.
bool GetItemEnabled(int handle, int item);
// The menu's own selectable flag; shows at the next AdjustMenus.
void EnableMenu(int handle, bool on);
void CheckItem(int handle, int item, bool on);
bool GetItemChecked(int handle, int item);
// The shown text (79 characters); the macro name stays.
void SetItemText(int handle, int item, std::span<const char> text);
void GetItemText(int handle, int item, std::span<char> text);
void GetMenuText(int handle, std::span<char> text);
void GetItemName(int handle, int item, std::span<char> name);
void GetMenuName(int handle, std::span<char> name);
int CountItems(int handle);

// A macro name from a text: leading blanks and tabs skipped; plain: up to
// the first tab, "(" or ":", trailing blanks removed; combined: up to the
// first tab, ":" or "(", leaving out blanks, quotes, apostrophes, "+", ".",
// "=", "[", "]" and "_". At most 79 characters.
void MakeMenuName(std::span<char> name, std::span<const char> text, bool combined);

// Attaches an existing menu as the submenu of an item of another.
void AttachMenu(int submenu, int parent, int item);
bool IsHiarchical(int handle, int item);
// Deletes the menu and, first, the submenus of its items; handle 0.
void DeleteMenu(int& handle);
// Removes the item; later items move up with all their properties.
void DeleteItem(int handle, int item);
// Clears every record (menu reference, count, items); disposes nothing.
void ClearMenuProcs();

// Installs Quit: in the File menu (its last item when that is already a
// Quit item, else "-" and "Quit" appended), bound to itemProcedure with the
// command key Q; nothing when the platform keeps Quit in the application
// menu. In every case MacEnv::QuitProc := quitProcedure.
void AddQuitMenu(Procedure itemProcedure, Procedure quitProcedure);
void EnableQuitMenu(bool on);
bool IsQuitMenu(int handle, int item);

// There is no system help menu here: a menu "Help" is created (0 when that
// fails). Its items are all ours.
int CreateHelpMenu();
// Does nothing here; gives 0.
int CreateHelpMenuWithAboutAsOnlyItem();
// Appends "About " + name bound to MacEnv::AboutLogo.
void AppendAbout(int handle, std::span<const char> name);

// Recomputes what every menu shows enabled; redraws the bar when asked.
void AdjustMenus(bool redraw);
// previous := EnableState; EnableState := 1 with keepHelp, else 2; adjusts.
void DisableAll(int& previous, bool keepHelp, bool redraw);
// EnableState := previous when 1 or 2, else 0; adjusts.
void ReEnableAll(int& previous, bool redraw);

// Dispatches a platform menu result (menu ID in the high 16 bits, item in
// the low 16): menu 1 opens the about box, others run their item.
void ProcessMenuCommand(std::int32_t result);
// For a character other than 0: the command key's item, dispatched.
void ProcessMenuKey(char character);
// Runs an item's procedure when it may be executed and BeforeProc agrees.
void ExecuteMenuProc(int handle, int item);
bool ExecutingMenuProc();
bool DefBeforeProc(int handle, int item);

}  // namespace ModMenus
