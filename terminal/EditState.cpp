#include "terminal/EditState.h"

namespace EditState {

ANSITerm::TerminalRecord* Console = nullptr;
ANSITerm::TerminalRecord* ListConsole = nullptr;
PlatformWindow* Window = nullptr;

}  // namespace EditState
