#include "dialogs/IODialog.h"

namespace IODialog {

char DiaFilesPath[kPathSize] = "";

bool Load(ModDialogUt::DialogRecord*, std::span<const char>) { return false; }

bool Store(ModDialogUt::DialogRecord*, std::span<const char>) { return false; }

}  // namespace IODialog
