#include "terminal/Editor.h"

#include "shell/ScrapUtil.h"
#include "shell/Shell.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditState.h"

namespace Editor {

void Initialize() { EditState::Console = Shell::RootTerminal; }

void EditShell() {
  ANSIBase::LastKeyCode = ANSIBase::KeyNone;
  ANSIBase::LastCharacter = 0;
  ANSIBase::LastModifiers = 0;
  ScrapUtil::GetPasteBuffer();
  if (Shell::StartupProc != nullptr) Shell::StartupProc();
}

}  // namespace Editor
