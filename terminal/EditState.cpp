#include "terminal/EditState.h"

namespace EditState {

ANSITerm::TerminalRecord* Console = nullptr;
ANSITerm::TerminalRecord* ListConsole = nullptr;
Windows::Window* Window = nullptr;

}  // namespace EditState
