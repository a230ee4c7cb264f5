#include "platform/MenuBar.h"

#include "platform/Menus.h"
#include "platform/Resources.h"

namespace MenuBar {

Bar* GetNewMBar(int id) {
  const std::vector<int>* ids = Resources::GetMenuBar(id);
  if (ids == nullptr) return nullptr;
  Bar* bar = new Bar;
  for (const int menuID : *ids) {
    const Resources::MenuTemplate* t = Resources::GetMenu(menuID);
    Menus::Menu* menu =
        t == nullptr ? nullptr : Menus::NewMenu(menuID, std::span<const char>(t->title.c_str(), t->title.size() + 1));
    if (menu == nullptr) {
      DisposeMenuBar(bar);
      return nullptr;
    }
    bar->menus.push_back(menu);
    int item = 0;
    for (const Resources::MenuItem& it : t->items) {
      ++item;
      if (it.separator) {
        Menus::AppendSeparator(menu);
        continue;
      }
      Menus::AppendItem(menu, std::span<const char>(it.text.c_str(), it.text.size() + 1));
      Menus::SetItemCmd(menu, item, it.key);
    }
  }
  return bar;
}

void SetMenuBar(const Bar* bar) {
  Menus::ClearMenuBar();
  if (bar == nullptr) return;
  for (Menus::Menu* menu : bar->menus) Menus::InsertMenu(menu, 0);
  Menus::DrawMenuBar();
}

void DisposeMenuBar(Bar*& bar) {
  if (bar == nullptr) return;
  for (Menus::Menu* menu : bar->menus) Menus::DisposeMenu(menu);
  delete bar;
  bar = nullptr;
}

}  // namespace MenuBar
