#include "dialogs/ModDialog.h"

#include "foundation/TellTaleFile.h"
#include "shell/MacEnv.h"

namespace ModDialog {

void InitModule() {
  if (TellTaleFile::Exists("CombinedNames.On")) MacEnv::CombinedNames = true;
}

}  // namespace ModDialog
