#include "shell/HelpDialog.h"

namespace HelpDialog {

void InitModule() {}
void Shutdown() {}

}  // namespace HelpDialog
