#include "dialogs/ModDialogConfig.h"

namespace ModDialogConfig {

void ConfigureDialog(ModDialogUt::DialogRecord*, int, ModDialogUt::BackgroundUpdate) {}
void InitModule() {}
void Shutdown() {}

}  // namespace ModDialogConfig
