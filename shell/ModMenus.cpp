#include "shell/ModMenus.h"

#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "platform/Gestalt.h"
#include "platform/Menus.h"
#include "platform/Port.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"

#include <cstdio>

namespace ModMenus {

MenuRecord Info[kMenus];
int FileMenu = 0;
int EditMenu = 0;
int HelpMenu = 0;
int SelectedMenu = 0;
int SelectedItem = 0;
int MinAccessLevel = 0;
BeforeProcedure BeforeProc = DefBeforeProc;
int EnableState = 0;
int QuitItem = 0;
bool QuitItemEnabled = true;
bool QuitCommandEnabled = true;
bool InMenuProc = false;
int HelpMenuID = 0;
int FirstHelpItem = 0;

namespace {

constexpr int kApplicationMenu = 1;
constexpr int kFirstHandle = 2;
// Gestalt's menu-layout bit: Quit lives in the application menu.
constexpr std::uint32_t kGestaltMenuMgrAttr = 0x6D656E75;  // 'menu'
constexpr std::int32_t kQuitInApplicationMenu = 2;

bool ValidHandle(int handle) { return handle >= 1 && handle < kMenus; }
bool ValidItem(int item) { return item >= 1 && item <= kMaxItems; }
// A record that holds a menu.
MenuRecord* Used(int handle) {
  if (!ValidHandle(handle) || Info[handle].menu == nullptr) return nullptr;
  return &Info[handle];
}
MenuRecord* UsedItem(int handle, int item) { return ValidItem(item) ? Used(handle) : nullptr; }

// Every property of an item but its text.
void ClearItem(MenuRecord& r, int item) {
  r.procedures[item] = nullptr;
  r.submenu[item] = 0;
  Strings::Clear(r.names[item]);
  r.enabled[item] = false;
  r.commandKey[item] = 0;
  r.accessLevel[item] = 0;
  r.checkMark[item] = false;
  r.selectable[item] = false;
}

void ClearRecord(MenuRecord& r) {
  r.menu = nullptr;
  r.itemCount = 0;
  for (int i = 0; i <= kMaxItems; ++i) ClearItem(r, i);
}

// The platform state of an item (or of the title, item 0) to be switched on
// or off.
void ShowEnabled(MenuRecord& r, int item, bool on) {
  const bool allowed = r.selectable[item] && (item == 0 || r.accessLevel[item] <= MinAccessLevel);
  Menus::SetItemEnabled(r.menu, item, on && allowed);
}

bool HasProcedure(const MenuRecord& r, int item) {
  return r.enabled[item] && r.selectable[item] && r.procedures[item] != nullptr;
}

void AdjustItems(MenuRecord& r) {
  for (int i = 1; i <= r.itemCount; ++i) ShowEnabled(r, i, HasProcedure(r, i));
}

// The part of an item's macro name after the menu's name and "_".
std::span<const char> OwnItemName(const MenuRecord& r, int item) {
  const std::span<const char> name = r.names[item];
  if (!MacEnv::CombinedNames) return name;
  const int prefix = Strings::Length(r.names[0]) + 1;
  if (Strings::Length(name) < prefix || name[prefix - 1] != '_') return name;
  return name.subspan(static_cast<std::size_t>(prefix));
}

void NoItemProc() {}

// Plain: the text's name; combined: the menu's name, "_" and the text's
// combined name.
void DeriveItemName(MenuRecord& r, int item, std::span<const char> text) {
  if (!MacEnv::CombinedNames) {
    MakeMenuName(r.names[item], text, false);
    return;
  }
  char own[kTextSize];
  MakeMenuName(own, text, true);
  Strings::Assign(r.names[item], r.names[0]);
  Strings::Concat(r.names[item], "_");
  Strings::Concat(r.names[item], own);
}

void ApplyQuitCommand() {
  if (QuitItem == -1) QuitCommandEnabled = EnableState != 2 && QuitItemEnabled;
}

}  // namespace

void InitModule() {
  for (MenuRecord& r : Info) ClearRecord(r);
  FileMenu = EditMenu = HelpMenu = 0;
  SelectedMenu = SelectedItem = 0;
  MinAccessLevel = 0;
  BeforeProc = DefBeforeProc;
  EnableState = 0;
  QuitItem = 0;
  QuitItemEnabled = true;
  QuitCommandEnabled = true;
  InMenuProc = false;
  HelpMenuID = FirstHelpItem = 0;
}

void CreateMenu(int& handle, std::span<const char> title) { CreateNamedMenu(handle, title, title); }

void CreateNamedMenu(int& handle, std::span<const char> name, std::span<const char> title) {
  handle = 0;
  for (int h = kFirstHandle; h < kMenus && handle == 0; ++h) {
    if (Info[h].menu == nullptr) handle = h;
  }
  if (handle == 0) return;
  MenuRecord& r = Info[handle];
  MakeMenuName(r.names[0], name, MacEnv::CombinedNames);
  Strings::Assign(r.texts[0], title);
  if (Strings::Length(r.texts[0]) > 0) {
    for (int other = 1; other < kMenus; ++other) {
      if (other == handle || Info[other].menu == nullptr) continue;
      if (!Strings::EqualCap(r.texts[0], Info[other].names[0])) continue;
      char line[160];
      std::snprintf(line, sizeof line, "%s is already used as menu[%d].", r.texts[0], other);
      TermIO::WriteLine(line);
      break;
    }
  }
  r.menu = Menus::NewMenu(handle, r.texts[0]);
  if (r.menu == nullptr) {
    ClearRecord(r);
    Strings::Clear(r.texts[0]);
    handle = 0;
    return;
  }
  r.itemCount = 0;
  r.selectable[0] = true;
}

void AppendMenu(int handle) {
  const MenuRecord* r = Used(handle);
  if (r == nullptr) return;
  const int beforeHelp = handle != HelpMenu && Used(HelpMenu) != nullptr ? HelpMenu : 0;
  Menus::InsertMenu(r->menu, beforeHelp);
  Menus::DrawMenuBar();
}

void AppendItem(int handle, std::span<const char> text) {
  MenuRecord* r = Used(handle);
  if (r == nullptr || r->itemCount >= kMaxItems) return;
  const int n = r->itemCount + 1;
  const bool separator = Strings::Length(text) > 0 && text[0] == '-';
  if (separator) {
    ClearItem(*r, n);
    Strings::Assign(r->texts[n], "-");
    Menus::AppendSeparator(r->menu);
  } else {
    if (Strings::Length(r->names[n]) == 0) DeriveItemName(*r, n, text);
    Strings::Assign(r->texts[n], text);
    Menus::AppendItem(r->menu, " ");
    Menus::SetItemText(r->menu, n, r->texts[n]);
  }
  r->itemCount = n;
  r->selectable[n] = !separator;
  EnableItem(handle, n, !separator);
}

void SetItemProc(int handle, int item, Procedure procedure) {
  MenuRecord* r = UsedItem(handle, item);
  if (r == nullptr) return;
  r->procedures[item] = procedure;
  r->enabled[item] = procedure != nullptr;
}

void SetCommandKey(int handle, int item, char character) {
  MenuRecord* r = UsedItem(handle, item);
  if (r == nullptr || r->submenu[item] != 0) return;
  r->commandKey[item] = character;
  Menus::SetItemCmd(r->menu, item, static_cast<unsigned char>(character));
}

void GetCommandKey(int handle, int item, char& character) {
  if (!ValidHandle(handle)) return;
  const MenuRecord* r = UsedItem(handle, item);
  character = r == nullptr ? '\0' : r->commandKey[item];
}

void EnableItem(int handle, int item, bool on) {
  MenuRecord* r = UsedItem(handle, item);
  if (r == nullptr) return;
  r->enabled[item] = on;
  ShowEnabled(*r, item, on);
}

bool GetItemEnabled(int handle, int item) {
  const MenuRecord* r = UsedItem(handle, item);
  if (r == nullptr || !HasProcedure(*r, item) || r->accessLevel[item] > MinAccessLevel) return false;
  return r->selectable[0] || (handle == FileMenu && item == r->itemCount);
}

void EnableMenu(int handle, bool on) {
  if (MenuRecord* r = Used(handle); r != nullptr) r->selectable[0] = on;
}

void CheckItem(int handle, int item, bool on) {
  MenuRecord* r = UsedItem(handle, item);
  if (r == nullptr) return;
  r->checkMark[item] = on;
  Menus::CheckItem(r->menu, item, on);
}

bool GetItemChecked(int handle, int item) {
  const MenuRecord* r = UsedItem(handle, item);
  return r != nullptr && r->checkMark[item];
}

void SetItemText(int handle, int item, std::span<const char> text) {
  MenuRecord* r = UsedItem(handle, item);
  if (r == nullptr) return;
  Strings::Assign(r->texts[item], text);
  Menus::SetItemText(r->menu, item, r->texts[item]);
}

namespace {

// A getter's text: untouched for an invalid handle, empty for a free record
// or an invalid item.
void GetField(int handle, int item, bool names, std::span<char> out) {
  if (!ValidHandle(handle)) return;
  const MenuRecord* r = item == 0 ? Used(handle) : UsedItem(handle, item);
  if (r == nullptr) {
    Strings::Clear(out);
    return;
  }
  Strings::Assign(out, names ? r->names[item] : r->texts[item]);
}

}  // namespace

void GetItemText(int handle, int item, std::span<char> text) { GetField(handle, item, false, text); }
void GetMenuText(int handle, std::span<char> text) { GetField(handle, 0, false, text); }
void GetItemName(int handle, int item, std::span<char> name) { GetField(handle, item, true, name); }
void GetMenuName(int handle, std::span<char> name) { GetField(handle, 0, true, name); }

int CountItems(int handle) {
  const MenuRecord* r = Used(handle);
  return r == nullptr ? 0 : r->itemCount;
}

void MakeMenuName(std::span<char> name, std::span<const char> text, bool combined) {
  char out[kTextSize] = {};
  int n = 0;
  const int length = Strings::Length(text);
  int i = 0;
  while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
  for (; i < length && n < kTextSize - 1; ++i) {
    const char c = text[i];
    if (c == '\t' || c == '(' || c == ':') break;
    if (combined && (c == ' ' || c == '"' || c == '\'' || c == '+' || c == '.' || c == '=' || c == '[' ||
                     c == ']' || c == '_')) {
      continue;
    }
    out[n++] = c;
  }
  if (!combined) {
    while (n > 0 && out[n - 1] == ' ') --n;
  }
  out[n] = '\0';
  Strings::Assign(name, out);
}

void AttachMenu(int submenu, int parent, int item) {
  MenuRecord* sub = Used(submenu);
  MenuRecord* r = UsedItem(parent, item);
  if (sub == nullptr || r == nullptr) return;
  r->submenu[item] = submenu;
  Menus::InsertMenu(sub->menu, Menus::kHierarchical);
  Menus::SetItemCmd(r->menu, item, Menus::kHierarchicalCmd);
  Menus::SetItemMark(r->menu, item, static_cast<unsigned char>(submenu));
  SetItemProc(parent, item, NoItemProc);
}

bool IsHiarchical(int handle, int item) {
  const MenuRecord* r = UsedItem(handle, item);
  return r != nullptr && r->submenu[item] != 0;
}

void DeleteMenu(int& handle) {
  if (!ValidHandle(handle)) {
    handle = 0;
    return;
  }
  MenuRecord& r = Info[handle];
  for (int i = kMaxItems; i >= 1; --i) {
    if (r.submenu[i] != 0) {
      int sub = r.submenu[i];
      r.submenu[i] = 0;
      DeleteMenu(sub);
    }
  }
  if (r.menu != nullptr) {
    // There is no system help menu here: ours is disposed like any other.
    if (handle == HelpMenu) HelpMenu = FirstHelpItem = HelpMenuID = 0;
    Menus::DisposeMenu(r.menu);
    Menus::DrawMenuBar();
    ClearRecord(r);
  }
  handle = 0;
}

void DeleteItem(int handle, int item) {
  MenuRecord* r = UsedItem(handle, item);
  if (r == nullptr || item > r->itemCount) return;
  Menus::DeleteItem(r->menu, item);
  --r->itemCount;
  for (int i = item; i < kMaxItems; ++i) {
    Strings::Assign(r->names[i], r->names[i + 1]);
    Strings::Assign(r->texts[i], r->texts[i + 1]);
    r->procedures[i] = r->procedures[i + 1];
    r->enabled[i] = r->enabled[i + 1];
    r->submenu[i] = r->submenu[i + 1];
    r->commandKey[i] = r->commandKey[i + 1];
    r->accessLevel[i] = r->accessLevel[i + 1];
    r->checkMark[i] = r->checkMark[i + 1];
    r->selectable[i] = r->selectable[i + 1];
  }
  ClearItem(*r, kMaxItems);
  Strings::Clear(r->texts[kMaxItems]);
}

void ClearMenuProcs() {
  for (MenuRecord& r : Info) ClearRecord(r);
}

void AddQuitMenu(Procedure itemProcedure, Procedure quitProcedure) {
  QuitItem = 0;
  std::int32_t layout = 0;
  if (Gestalt::Gestalt(kGestaltMenuMgrAttr, layout) && (layout & kQuitInApplicationMenu) != 0) {
    QuitItem = -1;
  } else if (MenuRecord* r = Used(FileMenu); r != nullptr) {
    QuitItem = r->itemCount;
    const bool lastIsQuit = QuitItem > 0 && Strings::SearchCap(OwnItemName(*r, QuitItem), "QUIT", 0) == 0;
    if (!lastIsQuit) {
      if (r->itemCount > 0) {
        AppendItem(FileMenu, "-");
        QuitItem = r->itemCount;
      }
      AppendItem(FileMenu, "Quit");
      QuitItem = r->itemCount;
    }
    SetItemProc(FileMenu, QuitItem, itemProcedure);
    SetCommandKey(FileMenu, QuitItem, 'Q');
  }
  MacEnv::QuitProc = quitProcedure;
}

void EnableQuitMenu(bool on) {
  QuitItemEnabled = on;
  if (QuitItem > 0) EnableItem(FileMenu, QuitItem, on);
  ApplyQuitCommand();
}

bool IsQuitMenu(int handle, int item) { return handle != 0 && handle == FileMenu && item > 0 && item == QuitItem; }

int CreateHelpMenu() {
  int handle = 0;
  CreateMenu(handle, "Help");
  HelpMenu = handle;
  FirstHelpItem = handle == 0 ? 0 : 1;
  return handle;
}

int CreateHelpMenuWithAboutAsOnlyItem() { return 0; }

void AppendAbout(int handle, std::span<const char> name) {
  MenuRecord* r = Used(handle);
  if (r == nullptr || r->itemCount >= kMaxItems) return;
  const int n = r->itemCount + 1;
  DeriveItemName(*r, n, "About");
  char text[kTextSize] = "About ";
  Strings::Concat(text, name);
  AppendItem(handle, text);
  SetItemProc(handle, n, MacEnv::AboutLogo);
}

void AdjustMenus(bool redraw) {
  for (int h = kFirstHandle; h < kMenus; ++h) {
    MenuRecord& r = Info[h];
    if (r.menu == nullptr) continue;
    if (h == HelpMenu) {
      const bool active = EnableState == 0 && r.selectable[0];
      for (int i = FirstHelpItem; i >= 1 && i <= r.itemCount; ++i) {
        if (EnableState == 2 || !r.selectable[0]) {
          ShowEnabled(r, i, false);
        } else if (active) {
          ShowEnabled(r, i, HasProcedure(r, i));
        }
      }
      ShowEnabled(r, 0, true);
      continue;
    }
    const bool active = EnableState == 0 && r.selectable[0];
    if (active) AdjustItems(r);
    ShowEnabled(r, 0, active);
  }
  ApplyQuitCommand();
  if (redraw) Menus::DrawMenuBar();
}

void DisableAll(int& previous, bool keepHelp, bool redraw) {
  previous = EnableState;
  EnableState = keepHelp ? 1 : 2;
  AdjustMenus(redraw);
}

void ReEnableAll(int& previous, bool redraw) {
  EnableState = previous == 1 || previous == 2 ? previous : 0;
  AdjustMenus(redraw);
}

void ProcessMenuCommand(std::int32_t result) {
  Port::GrafPort* const port = Port::GetPort();
  SelectedMenu = SelectedItem = 0;
  const int menu = static_cast<int>(static_cast<std::uint32_t>(result) >> 16);
  const int item = static_cast<int>(static_cast<std::uint32_t>(result) & 0xFFFF);
  if (menu == kApplicationMenu) {
    AdjustMenus(false);
    MacEnv::AboutLogo();
  } else if (HelpMenuID != 0 && menu == HelpMenuID && Used(HelpMenu) != nullptr) {
    ExecuteMenuProc(HelpMenu, item);
  } else {
    ExecuteMenuProc(menu, item);
  }
  Menus::HiliteMenu(0);
  Port::SetPort(port);
}

void ProcessMenuKey(char character) {
  if (character == 0) return;
  ProcessMenuCommand(Menus::MenuKey(static_cast<unsigned char>(character)));
}

void ExecuteMenuProc(int handle, int item) {
  AdjustMenus(false);
  if (!GetItemEnabled(handle, item) || !BeforeProc(handle, item)) return;
  SelectedMenu = handle;
  SelectedItem = item;
  const int cursor = Mouse::GetCursorShape();
  InMenuProc = true;
  Mouse::SetCursorShape(Mouse::kArrow);
  Info[handle].procedures[item]();
  Mouse::SetCursorShape(cursor);
  InMenuProc = false;
}

bool ExecutingMenuProc() { return InMenuProc; }

bool DefBeforeProc(int, int) { return true; }

}  // namespace ModMenus
