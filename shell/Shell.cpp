#include "shell/Shell.h"

#include "foundation/Buffer.h"
#include "foundation/Strings.h"
#include "platform/Backend.h"
#include "platform/Fonts.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"
#include "shell/Mouse.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/Editor.h"

namespace Shell {

BufferText::TextBuffer List = nullptr;
char ListTitle[32] = "";
Graphics::GraphicsWindow RootWindow = nullptr;
ANSITerm::TerminalRecord* RootTerminal = nullptr;
StartProcedure StartupProc = nullptr;

namespace {

constexpr std::int32_t kListLines = 20000;
constexpr int kConsoleFontSize = 12;

// The buffers; FALSE when one of them cannot be made.
bool CreateBuffers() {
  const Buffer::NamedBuffer shell = Buffer::Create("/Shell", Buffer::kDirectory);
  const Buffer::NamedBuffer previous = Buffer::GetDefaultDirectory();
  Buffer::SetDefaultDirectory(shell);
  List = shell == nullptr ? nullptr : Buffer::Create("List", Buffer::kText);
  Strings::Assign(ListTitle, "List");
  BufferText::SetMaxRecords(List, kListLines);
  Buffer::SetDefaultDirectory(previous);
  const Buffer::NamedBuffer user = Buffer::Create("/User", Buffer::kDirectory);
  Buffer::SetDefaultDirectory(user);
  return shell != nullptr && List != nullptr && user != nullptr;
}

void CreateConsole() {
  if (!Graphics::Initialize()) {
    MacEnv::AlertAndExit("Graphics not initialized!");
  } else if (!ANSITerm::Initialize()) {
    MacEnv::AlertAndExit("ANSITerm not initialized!");
  }
  ModWindow::WindowParameters parameters;
  parameters.fontNumber = Fonts::kCourier;
  parameters.fontSize = kConsoleFontSize;
  if (!EditUtility::CreateEditTerminal(List, ModWindow::kConsoleWindowResource, parameters, 0, true, false, true,
                                       RootWindow, RootTerminal)) {
    MacEnv::AlertAndExit("Shell window could not be created!");
    return;
  }
  EditState::Console = RootTerminal;
  EditState::Window = RootWindow;
  MacEnv::theWindowPtr = ModWindow::GetMacWindow(RootWindow);
}

}  // namespace

void Initialize() {
  RootWindow = nullptr;
  RootTerminal = nullptr;
  const bool buffers = CreateBuffers();
  EditState::Console = nullptr;
  EditState::ListConsole = nullptr;
  EditState::Window = nullptr;
  MacEnv::theWindowPtr = nullptr;
  if (!buffers) {
    MacEnv::AlertAndExit("Shell buffers could not be created!");
    return;
  }
  // Tools and tests of the lower layers run without the UI layer: they keep
  // the notebook buffer but get no console window.
  if (Backend::Current() == nullptr) return;
  CreateConsole();
  Editor::Initialize();
  BufferText::Append(List, "");
}

void Run(StartProcedure startProcedure) {
  Mouse::SetArrowCursor();
  StartupProc = startProcedure;
  Editor::EditShell();
}

void Shutdown() {
  ANSITerm::Close(RootTerminal);
  ModWindow::Remove(RootWindow);
  List = nullptr;
  EditState::Console = nullptr;
  EditState::Window = nullptr;
  MacEnv::theWindowPtr = nullptr;
}

}  // namespace Shell
