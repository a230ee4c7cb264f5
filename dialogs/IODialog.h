// Dialog layout files (".dia"): here, the least the dialog object needs.
// No layout is read or written yet: Load fails, so that a dialog opens with
// its built-in layout, and Store fails.
#pragma once

#include <span>

#include "dialogs/ModDialogUt.h"

namespace IODialog {

inline constexpr int kPathSize = 256;

// Where StoreAndAlert puts the layout files of all dialogs.
extern char DiaFilesPath[kPathSize];

bool Load(ModDialogUt::DialogRecord* dialog, std::span<const char> path);
bool Store(ModDialogUt::DialogRecord* dialog, std::span<const char> path);

}  // namespace IODialog
