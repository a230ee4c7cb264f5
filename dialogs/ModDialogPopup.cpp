#include "dialogs/ModDialogPopup.h"

namespace ModDialogPopup {

void InitModule() {}

}  // namespace ModDialogPopup
