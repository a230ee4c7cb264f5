#include "dialogs/ModDialogLoop.h"

#include "dialogs/InputDialog.h"
#include "dialogs/LoopDialog.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogConfig.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Bytes.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"
#include "platform/Windows.h"
#include "shell/HelpDialog.h"
#include "shell/MacEnv.h"
#include "shell/MacrosTools.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditUtility.h"
#include "terminal/TermWindow.h"

#include <cstring>

namespace ModDialogLoop {

using namespace ANSIBase;

ANSITerm::TerminalRecord* ActiveTerminal = nullptr;
DialogRecord* ActiveDialogPtr = &ModDialogTools::RootDialog;
double PollIncrement = 0.1;
RealTime::TimeSeconds PollTime = 0;
bool DoProtocol = false;
bool AllowAsyncUpdates = true;

namespace {

bool IsNotebook(const ANSITerm::TerminalRecord* terminal) {
  return terminal != nullptr && terminal == TermWindow::Terminal;
}

Windows::Window* NotebookWindow() { return TermWindow::Terminal != nullptr ? TermWindow::Terminal->window : nullptr; }

// The terminal and dialog of the window of the event just delivered: a
// dialog's own, the notebook's, or (any other window) no dialog and the
// terminal as it was.
void FindEventWindow(ANSITerm::TerminalRecord*& terminal, DialogRecord*& dialog) {
  Windows::Window* window = ANSITerm::ActiveWindow();
  dialog = nullptr;
  if (window == nullptr) return;
  if (DialogRecord* owner = ModDialogTools::MacWindowToDialogPtr(window)) {
    dialog = owner;
    terminal = owner->Terminal;
  } else if (window == NotebookWindow()) {
    terminal = TermWindow::Terminal;
  }
}

void DeactivateWindow(ANSITerm::TerminalRecord* terminal, DialogRecord* dialog) {
  if (IsNotebook(terminal)) {
    TermWindow::Deactivate();
    return;
  }
  if (dialog == nullptr || !dialog->Active) return;
  if (!MacEnv::gInBackground) {
    dialog->DeactivateProc();
    dialog->Active = false;
    dialog->InFront = false;
  }
  if (dialog->Shown) ModDialogTools::ResizeIcon(dialog, 0, false);
}

// The bookkeeping of the active window; a click in a back window while a
// front-only dialog keeps the front becomes code 1 (dropped).
void FollowActiveWindow(int& code, ANSITerm::TerminalRecord*& terminal, DialogRecord*& dialog) {
  switch (code) {
    case KeyDeactivate:
    case KeyWindowClose:
      FindEventWindow(terminal, dialog);
      DeactivateWindow(terminal, dialog);
      break;
    case KeyActivate:
      FindEventWindow(terminal, dialog);
      if (terminal != ActiveTerminal) DeactivateWindow(ActiveTerminal, ActiveDialogPtr);
      ActiveTerminal = terminal;
      ActiveDialogPtr = dialog;
      if (dialog != nullptr && dialog->Open && dialog->Iconized) {
        ModDialogUt::UpdateWindowPosition(dialog);
        ModDialog::Unpack(dialog);
      }
      break;
    case KeyUpdate:
    case KeyMoved:
    case KeyIconize:
    case KeyResized:
      FindEventWindow(terminal, dialog);
      break;
    case KeyWindow:
      if (ActiveDialogPtr != nullptr && ActiveDialogPtr->WindowVisible && ActiveDialogPtr->FrontOnly &&
          ActiveDialogPtr->InFront) {
        code = KeyConsumed;
        break;
      }
      FindEventWindow(terminal, dialog);
      DeactivateWindow(ActiveTerminal, ActiveDialogPtr);
      ActiveTerminal = terminal;
      ActiveDialogPtr = dialog;
      break;
    default:
      break;
  }
}

void Route(ANSITerm::TerminalRecord* terminal, DialogRecord* dialog, int& code, char& character, int& modifiers) {
  if (IsNotebook(terminal)) {
    TermWindow::ProcessEvent(code, character, modifiers);
    return;
  }
  if (dialog == nullptr) return;
  dialog->KeyProc1(character, code, modifiers);
  if (code >= KeyCharacter &&
      !ModDialog::Process(dialog, code, character, modifiers, UpdateBackground)) {
    dialog->KeyProc2(character, code, modifiers);
  }
  dialog->KeyProc3(character, code, modifiers);
}

void Protocol(std::span<const char> line) {
  if (!DoProtocol) return;
  TermIO::WriteString("ProcUpdate: ");
  TermIO::WriteLine(line);
}

bool DoUpdateKnownWindow(Windows::Window* window) {
  void* reference = window != nullptr ? Windows::GetRefCon(window) : nullptr;
  if (window != nullptr && window == MacEnv::LogoWindowPtr) {
    Windows::BeginUpdate(window);
    MacEnv::UpdateLogo();
    Protocol("Logo");
    Windows::EndUpdate(window);
    return true;
  }
  if (reference == nullptr) return false;
  if (std::memcmp(reference, "DIAL", 4) == 0) {
    auto* dialog = static_cast<DialogRecord*>(reference);
    Windows::BeginUpdate(window);
    ModDialog::Update(dialog);
    Windows::EndUpdate(window);
    Protocol(dialog->IDName);
    return true;
  }
  if (std::memcmp(reference, "ANSI", 4) != 0) return false;
  Windows::BeginUpdate(window);
  if (window == NotebookWindow()) {
    TermWindow::Update();
    Windows::EndUpdate(window);
    Protocol("Notebook");
    return false;
  }
  const bool updated = EditUtility::UpdateMacWindow(window);
  Windows::EndUpdate(window);
  if (DoProtocol) {
    TermIO::WriteString("ProcUpdate (ANSI)    wind:");
    TermIO::WriteAddress(window, 0);
    TermIO::WriteLine("");
  }
  return updated;
}

void FlagShutdown(DialogRecord* dialog) {
  dialog->Stop = true;
  dialog->Interrupted = true;
}

void ShutDialog(DialogRecord* dialog) { ModDialog::Shutdown(dialog); }

void UpdateDialog(DialogRecord* dialog) { ModDialog::Update(dialog); }

void EmptyFilterPass(ANSITerm::TerminalRecord* terminal, DialogRecord* dialog) {
  int code = KeyNone;
  char character = 0;
  int modifiers = 0;
  ModDialog::GlobalEventFilter(terminal, dialog, code, character, modifiers, false);
}

}  // namespace

void InitModule() {
  ActiveTerminal = nullptr;
  ActiveDialogPtr = &ModDialogTools::RootDialog;
  PollIncrement = 0.1;
  PollTime = 0;
  DoProtocol = false;
  AllowAsyncUpdates = true;
  ModDialogTools::DefaultLoopProc = CallGlobalFilter;
}

void InitAllModules() {
  InitModule();
  Bytes::InitModule();
  ModDialog::InitModule();
  ModDialogConfig::InitModule();
  TermWindow::InitModule();
  MacrosTools::InitModule();
  InputDialog::InitModule();
  LoopDialog::InitModule();
  HelpDialog::InitModule();
}

void ShutAllModules() {
  if (ModDialog::RecordingActive) {
    MacrosTools::SetRecordMode(false, MacrosTools::NoNotify, ModDialogUt::NoProc, ModDialogUt::NoProc, "", -1);
  }
  ForAllDo(ShutDialog);
  HelpDialog::Shutdown();
  LoopDialog::Shutdown();
  InputDialog::Shutdown();
  TermWindow::Shutdown();
  ModDialogConfig::Shutdown();
}

void Execute(ANSITerm::TerminalRecord* terminal, DialogRecord* dialog, ModDialogUt::FilterProc filter,
             const bool& stop) {
  ModDialogTools::UserEventFilter = filter;
  ActiveTerminal = terminal;
  ActiveDialogPtr = dialog;
  DoProtocol = TellTaleFile::Exists("WriteKey.On");
  MacEnv::HideLogo();
  if (ActiveDialogPtr != nullptr) ModDialog::BringToFront(ActiveDialogPtr);
  do {
    DoPoll(true);
  } while (!stop && !MacEnv::Terminated);
}

bool DoPoll(bool mainLoop) {
  ANSITerm::TerminalRecord* terminal = ActiveTerminal;
  DialogRecord* dialog = ActiveDialogPtr;
  PollTime = RealTime::GetTime() + PollIncrement;
  int code = KeyNone;
  char character = 0;
  int modifiers = 0;
  const bool taken = ANSITerm::NextEvent(ActiveTerminal, code, character, modifiers);
  if (taken) {
    if (DoProtocol && mainLoop) ModDialogTools::WriteKey(code, character, modifiers);
    FollowActiveWindow(code, terminal, dialog);
  }
  if (MacEnv::Terminated) return false;
  ModDialog::GlobalEventFilter(ActiveTerminal, ActiveDialogPtr, code, character, modifiers, mainLoop);
  Route(terminal, dialog, code, character, modifiers);
  if (taken && code == KeyWindowClose && dialog == ActiveDialogPtr && dialog != nullptr && !dialog->Open) {
    ActiveDialogPtr = nullptr;
  }
  ModDialogTools::ForAllDo(ModDialogTools::ConditionalUpdate);
  return taken;
}

bool Poll() {
  if (RealTime::GetTime() < PollTime) return false;
  if (ANSITerm::Poll(ActiveTerminal)) return DoPoll(false);
  EmptyFilterPass(ActiveTerminal, ActiveDialogPtr);
  return false;
}

void SetPollIncrement(double seconds) {
  PollIncrement = seconds;
  PollTime = RealTime::GetTime() + seconds;
}

void CallGlobalFilter(int) { EmptyFilterPass(ActiveTerminal, ActiveDialogPtr); }

void ModalDialog(DialogRecord* dialog, const bool& stop) {
  if (!dialog->Open) return;
  ANSITerm::TerminalRecord* const terminal = ActiveTerminal;
  DialogRecord* const active = ActiveDialogPtr;
  ActiveTerminal = dialog->Terminal;
  ActiveDialogPtr = dialog;
  MacEnv::HideLogo();
  ModDialog::BringToFront(dialog);
  while (!dialog->Stop && !stop && !MacEnv::Terminated) DoPoll(true);
  ActiveTerminal = terminal;
  ActiveDialogPtr = active;
}

void ModalPoll(DialogRecord* dialog, ModDialogUt::Proc loop, bool callFilter) {
  dialog->Stop = false;
  dialog->Interrupted = false;
  ModDialog::Update(dialog);
  for (;;) {
    int code = KeyNone;
    char character = 0;
    int modifiers = 0;
    if (ANSITerm::NextEvent(dialog->Terminal, code, character, modifiers)) {
      ModDialog::Process(dialog, code, character, modifiers, UpdateBackground);
    }
    if (MacEnv::Terminated) return;
    loop();
    if (dialog->Stop) return;
    if (callFilter) ModDialog::GlobalEventFilter(dialog->Terminal, dialog, code, character, modifiers, true);
  }
}

void Terminate() {
  ForAllDo(FlagShutdown);
  MacEnv::Terminate();
}

void ForAllDo(void (*procedure)(DialogRecord* dialog)) { ModDialogTools::ForAllDo(procedure); }

void UpdateAll() {
  ForAllDo(UpdateDialog);
  ModDialogTools::DialogContext context;
  if (ModDialogTools::GetState(context, ModDialog::DialogPtr)) {
    TermWindow::Update();
    ModDialogTools::ResetState(context);
  }
}

bool UpdateKnownWindow(Windows::Window* window) { return AllowAsyncUpdates && DoUpdateKnownWindow(window); }

bool UpdateBackground() { return DoUpdateKnownWindow(ANSITerm::ActiveWindow()); }

bool ForceActive(DialogRecord* dialog) {
  if (!ModDialog::BringToFront(dialog)) return false;
  if (ActiveDialogPtr != nullptr) DeactivateWindow(ActiveTerminal, ActiveDialogPtr);
  ActiveTerminal = dialog->Terminal;
  ActiveDialogPtr = dialog;
  if (dialog->Iconized) ModDialog::Unpack(dialog);
  ModDialogTools::ResizeIcon(dialog, 0, true);
  if (!dialog->Active) dialog->ActivateProc();
  dialog->Active = true;
  dialog->InFront = true;
  return true;
}

bool WindowNameToDialogPtr(std::span<const char> name, DialogRecord*& dialog) {
  for (dialog = ModDialogTools::RootDialog.NextDialog; dialog != nullptr; dialog = dialog->NextDialog) {
    if (Strings::EqualCap(dialog->IDName, name)) return true;
  }
  return false;
}

void CloseFrontWindow() {
  DialogRecord* dialog = nullptr;
  if (ModDialog::FrontDialog(dialog)) {
    ModDialog::Close(dialog);
  } else if (NotebookWindow() != nullptr && Windows::FrontWindow() == NotebookWindow()) {
    TermWindow::Close();
  }
}

}  // namespace ModDialogLoop
