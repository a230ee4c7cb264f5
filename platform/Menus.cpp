#include "platform/Menus.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace Menus {

struct Item {
  std::string text;
  bool separator = false;
  bool enabled = true;
  unsigned char mark = 0;
  unsigned char cmd = 0;
};

struct Menu {
  int id = 0;
  std::string title;
  bool enabled = true;
  std::vector<Item> items;
};

namespace {

std::vector<Menu*> all;
std::vector<Menu*> bar;
std::vector<Menu*> hierarchical;
int hilited = 0;
std::uint64_t changes = 0;

void Changed() { ++changes; }

std::string Text(std::span<const char> text) {
  const auto end = std::find(text.begin(), text.end(), '\0');
  std::string s(text.begin(), end);
  if (s.size() > static_cast<std::size_t>(kMaxText)) s.resize(kMaxText);
  return s;
}

void CopyOut(const std::string& s, std::span<char> out) {
  if (out.empty()) return;
  const std::size_t n = std::min(s.size(), out.size() - 1);
  std::copy_n(s.begin(), n, out.begin());
  out[n] = '\0';
}

Item* ItemOf(Menu* menu, int item) {
  if (menu == nullptr || item < 1 || item > static_cast<int>(menu->items.size())) return nullptr;
  return &menu->items[static_cast<std::size_t>(item - 1)];
}

const Item* ItemOf(const Menu* menu, int item) { return ItemOf(const_cast<Menu*>(menu), item); }

bool Remove(std::vector<Menu*>& list, const Menu* menu) {
  const auto it = std::find(list.begin(), list.end(), menu);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

std::int32_t Result(const Menu* menu, int item) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(menu->id) << 16) | static_cast<std::uint32_t>(item));
}

// Searches the menu and the submenus below it; depth guards against a
// submenu that (directly or not) contains itself.
std::int32_t FindKey(const Menu* menu, unsigned char ch, int depth) {
  if (menu == nullptr || !menu->enabled || depth > 8) return 0;
  for (int i = 1; i <= CountItems(menu); ++i) {
    const Item& it = menu->items[static_cast<std::size_t>(i - 1)];
    if (it.cmd == kHierarchicalCmd) {
      if (it.enabled) {
        if (const std::int32_t r = FindKey(GetSubmenu(menu, i), ch, depth + 1); r != 0) return r;
      }
      continue;
    }
    if (it.cmd != 0 && std::toupper(it.cmd) == std::toupper(ch) && IsChoosable(menu, i)) return Result(menu, i);
  }
  return 0;
}

}  // namespace

void InitModule() { Shutdown(); }

void Shutdown() {
  bar.clear();
  hierarchical.clear();
  for (Menu* m : all) delete m;
  all.clear();
  hilited = 0;
  Changed();
}

Menu* NewMenu(int id, std::span<const char> title) {
  if (id < 1 || id > 32767) return nullptr;
  auto* m = new Menu;
  m->id = id;
  m->title = Text(title);
  all.push_back(m);
  return m;
}

void DisposeMenu(Menu* menu) {
  if (menu == nullptr || !Remove(all, menu)) return;
  if (Remove(bar, menu)) Changed();
  Remove(hierarchical, menu);
  if (hilited == menu->id) hilited = 0;
  delete menu;
}

int GetMenuID(const Menu* menu) { return menu == nullptr ? 0 : menu->id; }

void GetMenuTitle(const Menu* menu, std::span<char> title) { CopyOut(menu == nullptr ? "" : menu->title, title); }

void SetMenuTitle(Menu* menu, std::span<const char> title) {
  if (menu == nullptr) return;
  menu->title = Text(title);
  Changed();
}

void AppendItem(Menu* menu, std::span<const char> text) {
  if (menu == nullptr) return;
  menu->items.push_back(Item{Text(text)});
}

void AppendSeparator(Menu* menu) {
  if (menu == nullptr) return;
  Item sep;
  sep.text = "-";
  sep.separator = true;
  sep.enabled = false;
  menu->items.push_back(sep);
}

void DeleteItem(Menu* menu, int item) {
  if (ItemOf(menu, item) != nullptr) menu->items.erase(menu->items.begin() + (item - 1));
}

int CountItems(const Menu* menu) { return menu == nullptr ? 0 : static_cast<int>(menu->items.size()); }

bool IsSeparator(const Menu* menu, int item) {
  const Item* it = ItemOf(menu, item);
  return it != nullptr && it->separator;
}

void SetItemText(Menu* menu, int item, std::span<const char> text) {
  if (Item* it = ItemOf(menu, item); it != nullptr) it->text = Text(text);
}

void GetItemText(const Menu* menu, int item, std::span<char> text) {
  const Item* it = ItemOf(menu, item);
  CopyOut(it == nullptr ? "" : it->text, text);
}

void SetItemEnabled(Menu* menu, int item, bool enabled) {
  if (menu != nullptr && item == 0) {
    menu->enabled = enabled;
    Changed();
    return;
  }
  if (Item* it = ItemOf(menu, item); it != nullptr && !it->separator) it->enabled = enabled;
}

bool IsItemEnabled(const Menu* menu, int item) {
  if (menu != nullptr && item == 0) return menu->enabled;
  const Item* it = ItemOf(menu, item);
  return it != nullptr && it->enabled;
}

void CheckItem(Menu* menu, int item, bool checked) { SetItemMark(menu, item, checked ? kCheckMark : 0); }

void SetItemMark(Menu* menu, int item, unsigned char mark) {
  if (Item* it = ItemOf(menu, item); it != nullptr) it->mark = mark;
}

unsigned char GetItemMark(const Menu* menu, int item) {
  const Item* it = ItemOf(menu, item);
  return it == nullptr ? 0 : it->mark;
}

void SetItemCmd(Menu* menu, int item, unsigned char cmd) {
  if (Item* it = ItemOf(menu, item); it != nullptr) it->cmd = cmd;
}

unsigned char GetItemCmd(const Menu* menu, int item) {
  const Item* it = ItemOf(menu, item);
  return it == nullptr ? 0 : it->cmd;
}

Menu* GetSubmenu(const Menu* menu, int item) {
  const Item* it = ItemOf(menu, item);
  if (it == nullptr || it->cmd != kHierarchicalCmd) return nullptr;
  for (Menu* m : hierarchical) {
    if (m->id == it->mark) return m;
  }
  return nullptr;
}

void InsertMenu(Menu* menu, int beforeID) {
  if (menu == nullptr) return;
  if (std::find(bar.begin(), bar.end(), menu) != bar.end() ||
      std::find(hierarchical.begin(), hierarchical.end(), menu) != hierarchical.end()) {
    return;
  }
  if (beforeID == kHierarchical) {
    hierarchical.push_back(menu);
    return;
  }
  const auto at = std::find_if(bar.begin(), bar.end(), [beforeID](const Menu* m) { return m->id == beforeID; });
  bar.insert(beforeID == 0 ? bar.end() : at, menu);
  Changed();
}

void DeleteMenu(int id) {
  for (std::vector<Menu*>* list : {&bar, &hierarchical}) {
    const auto it = std::find_if(list->begin(), list->end(), [id](const Menu* m) { return m->id == id; });
    if (it != list->end()) {
      list->erase(it);
      if (hilited == id) hilited = 0;
      Changed();
      return;
    }
  }
}

void ClearMenuBar() {
  bar.clear();
  hilited = 0;
  Changed();
}

Menu* GetMenuHandle(int id) {
  for (const std::vector<Menu*>* list : {&bar, &hierarchical}) {
    for (Menu* m : *list) {
      if (m->id == id) return m;
    }
  }
  return nullptr;
}

int BarCount() { return static_cast<int>(bar.size()); }

Menu* BarMenu(int index) {
  return index < 0 || index >= BarCount() ? nullptr : bar[static_cast<std::size_t>(index)];
}

void HiliteMenu(int id) {
  if (hilited == id) return;
  hilited = id;
  Changed();
}

int HilitedMenu() { return hilited; }

void DrawMenuBar() { Changed(); }

std::int32_t MenuKey(unsigned char ch) {
  if (ch == 0) return 0;
  for (const Menu* m : bar) {
    if (const std::int32_t r = FindKey(m, ch, 0); r != 0) {
      HiliteMenu(m->id);
      return r;
    }
  }
  return 0;
}

bool IsChoosable(const Menu* menu, int item) {
  const Item* it = ItemOf(menu, item);
  return it != nullptr && menu->enabled && it->enabled && !it->separator && it->cmd != kHierarchicalCmd;
}

std::uint64_t ChangeCount() { return changes; }

}  // namespace Menus
