#include "platform/ResourceMenus.h"

#include "platform/Fonts.h"
#include "platform/Resources.h"

#include <algorithm>
#include <string>

namespace ResourceMenus {

Menus::Menu* GetMenu(int id) {
  const Resources::MenuTemplate* t = Resources::GetMenu(id);
  if (t == nullptr) return nullptr;
  Menus::Menu* menu = Menus::NewMenu(id, t->title);
  for (const Resources::MenuItem& item : t->items) {
    if (item.separator) {
      Menus::AppendSeparator(menu);
      continue;
    }
    Menus::AppendItem(menu, item.text);
    Menus::SetItemCmd(menu, Menus::CountItems(menu), item.key);
  }
  return menu;
}

bool GetNewMBar(int id, std::vector<Menus::Menu*>& menus) {
  menus.clear();
  const std::vector<int>* bar = Resources::GetMenuBar(id);
  if (bar == nullptr) return false;
  for (const int menu : *bar) menus.push_back(GetMenu(menu));
  return true;
}

void SetMenuBar(const std::vector<Menus::Menu*>& menus) {
  Menus::ClearMenuBar();
  for (Menus::Menu* menu : menus) Menus::InsertMenu(menu, 0);
  Menus::DrawMenuBar();
}

void AppendFontList(Menus::Menu* menu) {
  std::vector<std::string> names;
  for (int i = 0; i < Fonts::CountFonts(); ++i) {
    char name[256];
    Fonts::GetFontName(Fonts::FontNumberAt(i), name);
    names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) Menus::AppendItem(menu, name);
}

}  // namespace ResourceMenus
