#include "shell/MacroNames.h"

#include "foundation/Strings.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"

namespace MacroNames {

std::span<const char> OfDialog(const ModDialogUt::DialogRecord& dialog) {
  return MacEnv::CombinedNames ? std::span<const char>(dialog.IDName) : std::span<const char>(dialog.MacroName);
}

int FindMenu(std::span<const char> name) {
  if (Strings::Length(name) == 0) return 0;
  for (int menu = kFirstMenu; menu <= kLastMenu; ++menu) {
    char menuName[ModMenus::kTextSize] = "";
    ModMenus::GetMenuName(menu, menuName);
    if (Strings::EqualCap(menuName, name)) return menu;
  }
  return 0;
}

int FindMenuItem(int menu, std::span<const char> name) {
  if (Strings::Length(name) == 0) return 0;
  for (int item = 1; item <= kMenuItems; ++item) {
    char itemName[ModMenus::kTextSize] = "";
    ModMenus::GetItemName(menu, item, itemName);
    if (Strings::EqualCap(itemName, name)) return item;
  }
  return 0;
}

bool HasSecondInteger(const ModDialogUt::DialogItem& item) {
  const bool list = item.Type == ModDialogUt::kList || item.Type == ModDialogUt::kFramedList;
  return list && item.Area.List.MarkBlock > 0 && item.Area.List.MarkSet != nullptr;
}

}  // namespace MacroNames
