#include "terminal/EditState.h"

namespace EditState {

ANSITerm::TerminalRecord* Console = nullptr;
ANSITerm::TerminalRecord* ListConsole = nullptr;
Windows::Window* Window = nullptr;
BufferText::TextBuffer EditBuffer = nullptr;
std::int32_t FirstLine = 1;
std::int32_t FirstColumn = 0;
std::int32_t WindowHeight = 0;
std::int32_t WindowWidth = 0;
std::int32_t WindowBandSize = 1;
bool Scrolled = false;

}  // namespace EditState
