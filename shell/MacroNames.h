// The names by which macro lines know dialogs and menus, shared by the
// parts of MacrosTools (reading, writing, listings, conversion). Main
// thread only.
#pragma once

#include <span>

#include "dialogs/ModDialogUt.h"

namespace MacroNames {

inline constexpr int kFirstMenu = 2;
inline constexpr int kLastMenu = 40;
inline constexpr int kMenuItems = 31;

// The dialog's name in macro lines: its compacted IDName with combined
// names, else its macro ID name.
std::span<const char> OfDialog(const ModDialogUt::DialogRecord& dialog);
// The menu 2..40 whose macro name equals the name, case ignored; 0 none.
int FindMenu(std::span<const char> name);
// The item 1..31 of the menu whose macro name equals the name, case
// ignored; 0 none.
int FindMenuItem(int menu, std::span<const char> name);

// A list item whose value carries a second integer: the set of its marked
// entries.
bool HasSecondInteger(const ModDialogUt::DialogItem& item);

}  // namespace MacroNames
