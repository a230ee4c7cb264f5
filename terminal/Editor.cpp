#include "terminal/Editor.h"

#include "foundation/Strings.h"
#include "platform/Events.h"
#include "platform/Port.h"
#include "shell/ModWindow.h"
#include "shell/Mouse.h"
#include "shell/ScrapUtil.h"
#include "shell/Shell.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditState.h"
#include "terminal/EditUndo.h"
#include "terminal/EditUtility.h"

namespace Editor {

void Initialize() {
  EditState::EditBuffer = nullptr;
  EditState::Console = Shell::RootTerminal;
  EditState::Window = Shell::RootWindow;
  EditState::ListConsole = nullptr;
  EditState::WindowBandSize = 1;
  EditState::Scrolled = false;
  EditState::MessageActive = false;
  Strings::Clear(EditState::MessageText);
  EditState::ShowLineNumbers = false;
  Strings::Clear(EditState::SearchString);
  EditState::DoSearchLine = false;
  EditState::TabInterval = 3;
  EditState::FixHorizontalTab = false;
  EditState::DeletedChar = 0;
  EditState::DeletedCharCR = false;
  Strings::Clear(EditState::DeletedWord);
  EditState::DeletedWordCR = false;
  Strings::Clear(EditState::DeletedLine);
  EditState::DeletedLineCR = false;
  EditState::TraceEntry = 0;
  EditState::TraceLimit = 0;
  EditState::TraceState = EditState::kTraceOff;
  EditState::TraceUpdate = true;
  EditUndo::Initialize();
  EditUtility::Initialize();
}

void SetCursor() {
  ANSITerm::TerminalRecord* const console = EditState::Console;
  Windows::Window* const window = console == nullptr ? nullptr : console->window;
  bool overText = false;
  if (window != nullptr && window == Windows::FrontWindow()) {
    Port::GrafPort* const saved = Port::GetPort();
    Port::SetPort(Windows::GetWindowPort(window));
    Geometry::Point mouse;
    Events::GetMouse(mouse);
    Port::SetPort(saved);
    overText = Geometry::PtInRect(mouse, console->textRect);
  }
  if (overText) {
    Mouse::SetEditCursor();
  } else {
    Mouse::SetArrowCursor();
  }
}

void EditShell() {
  ANSIBase::LastKeyCode = ANSIBase::KeyNone;
  ANSIBase::LastCharacter = 0;
  ANSIBase::LastModifiers = 0;
  ScrapUtil::GetPasteBuffer();
  if (Shell::StartupProc != nullptr) Shell::StartupProc();
}

}  // namespace Editor
