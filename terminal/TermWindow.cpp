#include "terminal/TermWindow.h"

namespace TermWindow {

ANSITerm::TerminalRecord* Terminal = nullptr;

void InitModule() { Terminal = nullptr; }
void Shutdown() {}
void ProcessEvent(int&, char&, int&) {}
void Update() {}
void Deactivate() {}
void Close() {}

}  // namespace TermWindow
