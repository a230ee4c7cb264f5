// The configuration dialog: where the operator changes an item's text,
// font, key and value settings while the program runs.
//
// Least form: the configure gesture reaches ConfigureDialog, which does
// nothing yet. Main thread only.
#pragma once

#include "dialogs/ModDialogUt.h"

namespace ModDialogConfig {

// Opens the configuration of the dialog's item.
void ConfigureDialog(ModDialogUt::DialogRecord* dialog, int item, ModDialogUt::BackgroundUpdate redraw);
void InitModule();
void Shutdown();

}  // namespace ModDialogConfig
