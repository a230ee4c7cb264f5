#include "dialogs/LoopDialog.h"

#include <cstdio>

#include "dialogs/Alert.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModalAnswer.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"
#include "terminal/ANSITerm.h"

namespace LoopDialog {

char Text1Buffer[128] = "";
char Text2Buffer[80] = "";

namespace {

using namespace ModDialogUt;

constexpr int kStartItem = 1;
constexpr int kAbortItem = 2;
constexpr int kSecondLine = 3;
constexpr int kFirstLine = 4;
constexpr int kItemCount = 4;
// Blinks: the second line while running, the first while idle.
constexpr double kRunningBlink = 0.333;
constexpr double kIdleBlink = 2.0;
constexpr char kEscape = 27;

// The caller's procedures and texts, read when shown: a procedure may
// rewrite a text for the next time it is shown.
struct Caller {
  StartProc start = nullptr;
  StopProc stop = nullptr;
  AbortProc abort = nullptr;
  DoneProc done = nullptr;
  LoopProc loop = nullptr;
  std::span<const char> runningText;
  std::span<const char> idleText;
  std::span<const char> startText;
  std::span<const char> abortText;
  std::span<const char> message1;
  std::span<const char> message2;
  bool beep = false;
};

Caller caller;
DialogRecord Dialog;
DialogItem* ItemVector[kItemCount + 1] = {};
bool WaitingForEvent = false;  // the operation runs
bool UpdatePending = false;    // the blinking line changed: redrawn at its next blink
RealTime::TimeSeconds InvertTime = 0;
// Show runs; a second Show is refused.
bool running = false;
// The done procedure said done: anything else that ends the run is an abort.
bool finished = false;
// A scripted press of Abort, kept until the next pass of a dialog.
bool abortPressed = false;

bool OnScreen() { return Dialog.Open; }

void Redraw(int item) {
  if (OnScreen()) ModDialog::UpdateItem(&Dialog, item);
}

void SetItemText(int item, std::span<const char> text) {
  if (OnScreen() && ItemOf(&Dialog, item) != nullptr) Strings::Assign(Dialog.Items[item]->Text, text);
}

// Ends the dialog as aborted.
void DoExit() {
  Dialog.Stop = true;
  Dialog.Interrupted = true;
  WaitingForEvent = false;
}

// The Start/Stop switch has toggled WaitingForEvent already.
void DoStart() {
  if (WaitingForEvent) {
    Mouse::SetWatchCursor();
    InvertTime = 0;
    if (!caller.start()) DoExit();
    Strings::Assign(Text1Buffer, caller.message2);
    Strings::Assign(Text2Buffer, caller.runningText);
    SetItemText(kStartItem, "Stop");
  } else {
    caller.stop();
    Strings::Assign(Text1Buffer, caller.message1);
    Strings::Assign(Text2Buffer, caller.idleText);
    SetItemText(kStartItem, "Start");
    Mouse::SetArrowCursor();
  }
  Redraw(kStartItem);
  Redraw(kFirstLine);
  Redraw(kSecondLine);
}

void DoAbort() {
  if (caller.abort()) DoExit();
}

void Blink(int item, double interval) {
  if (OnScreen()) {
    if (UpdatePending) ModDialog::UpdateItem(&Dialog, item);
    ModDialog::InvertItem(&Dialog, item);
  }
  InvertTime = RealTime::GetTime() + interval;
  UpdatePending = false;
}

void ProcessEvents() {
  if (abortPressed && Strings::Length(caller.abortText) > 0) {
    abortPressed = false;
    if (OnScreen()) {
      ModDialog::Execute(&Dialog, kAbortItem);
    } else {
      DoAbort();
    }
  }
  const RealTime::TimeSeconds t = RealTime::GetTime();
  if (WaitingForEvent) {
    Mouse::SetWatchCursor();
    if (t > InvertTime) Blink(kSecondLine, kRunningBlink);
    if (!Dialog.Stop && caller.done()) {
      finished = true;
      Dialog.Stop = true;
    }
  } else if (t > InvertTime) {
    Blink(kFirstLine, kIdleBlink);
    if (caller.beep) Alert::Beep();
  }
  caller.loop();
}

void FillItem(DialogRecord* d, int n, int type, const char* name, std::span<const char> text, int left, int bottom,
              int width, int justification) {
  if (Strings::Length(text) == 0) return;
  FillItemField(d, n, type, std::string_view(name), false, text, left, bottom, width, 18, 3, 13, 12, 1,
                justification, false, 65535, 65535, 65535);
}

void Fill() {
  DialogRecord* d = &Dialog;
  FillItem(d, kStartItem, kSwitch, "Start", caller.startText, 173, 100, 80, 1);
  FillItem(d, kAbortItem, kButton, "Abort", caller.abortText, 283, 100, 80, 1);
  FillItem(d, kSecondLine, kText, "Select", caller.idleText, 14, 54, 508, 1);
  FillItem(d, kFirstLine, kText, "Message", caller.message1, 14, 34, 508, 1);
  SetCommandKey(d, kStartItem, kCharacterKey, '\r', 0, true, true);
  SetCommandKey(d, kAbortItem, kCharacterKey, kEscape, 0, true, true);
}

void Bind() {
  DialogRecord* d = &Dialog;
  FillProcField(d, kStartItem, &WaitingForEvent, DoStart, nullptr);
  FillProcField(d, kAbortItem, nullptr, DoAbort, nullptr);
  FillEdittextField(d, kSecondLine, Text2Buffer, static_cast<int>(sizeof Text2Buffer) - 1);
  FillEdittextField(d, kFirstLine, Text1Buffer, static_cast<int>(sizeof Text1Buffer) - 1);
}

bool OpenDialog(std::span<const char> title) {
  ClearRecord(&Dialog);
  if (!InitializeRecord(&Dialog, ItemVector, true, false, title, "LoopDialog", Graphics::Helvetica, 12, kItemCount,
                        100, 278, 536, 118, 0) ||
      !ModDialog::Initialize(&Dialog, 2, Fill, NoProc, false, false, true, true, true, "")) {
    return false;
  }
  Bind();
  return true;
}

void WriteText(std::span<const char> text) {
  const int length = Strings::Length(text);
  for (int i = 0; i < length; ++i) std::fputc(text[i] == Alert::LF[0] ? '\n' : text[i], stderr);
}

// Off screen nobody sees the dialog or waits at its Start button: the title
// and first message go to stderr and the operation starts at once; the
// passes wait up to a tick each, as the dialog's wait for an event would.
void RunUnseen(std::span<const char> title) {
  WriteText(title);
  std::fputs(": ", stderr);
  WriteText(caller.message1);
  std::fputc('\n', stderr);
  if (!WaitingForEvent) {
    WaitingForEvent = true;
    DoStart();
  }
  while (!Dialog.Stop && !MacEnv::Terminated.load()) {
    ProcessEvents();
    Events::Idle(1.0 / Platform::kTicksPerSecond);
  }
}

}  // namespace

bool Show(std::span<const char> title, StartProc start, StopProc stop, AbortProc abort,
          DoneProc done, LoopProc loop, std::span<const char> runningText,
          std::span<const char> idleText, std::span<const char> startText,
          std::span<const char> abortText, std::span<const char> message1,
          std::span<const char> message2, bool& aborted, bool beep) {
  aborted = false;
  if (running || start == nullptr || stop == nullptr || abort == nullptr || done == nullptr || loop == nullptr) {
    Alert::OK("Cannot setup Loop Dialog");
    return false;
  }
  const int cursor = Mouse::GetCursorShape();
  caller = Caller{start, stop, abort, done, loop, runningText, idleText, startText, abortText, message1, message2,
                  beep};
  WaitingForEvent = false;
  UpdatePending = false;
  InvertTime = 0;
  finished = false;
  // Dialog windows need the terminal layer started, as the program's
  // start-up does; a tool run on the bare UI layer shows nothing.
  const bool onScreen = ModalAnswer::OnScreen() && ANSITerm::TerminalHeap != nullptr;
  if (onScreen && !OpenDialog(title)) {
    Alert::OK("Cannot setup Loop Dialog");
    return false;
  }
  if (onScreen && !ModDialog::BringToFront(&Dialog)) {
    Alert::OK("BringToFront failed.");
    Shutdown();
    return false;
  }
  running = true;
  Dialog.Stop = false;
  Dialog.Interrupted = false;
  Strings::Assign(Text1Buffer, message1);
  Strings::Assign(Text2Buffer, idleText);
  if (Strings::Length(startText) == 0) {
    WaitingForEvent = true;
    DoStart();
  }
  if (!onScreen) {
    RunUnseen(title);
  } else if (!Dialog.Stop) {
    ModDialogLoop::ModalPoll(&Dialog, ProcessEvents, true);
  }
  aborted = Dialog.Interrupted || !finished;
  Shutdown();
  running = false;
  Mouse::SetCursorShape(cursor);
  return true;
}

void NewMessages(std::span<const char> first, std::span<const char> second) {
  if (Strings::Length(first) > 0) {
    Strings::Assign(Text1Buffer, first);
    if (WaitingForEvent) {
      Redraw(kFirstLine);
    } else {
      UpdatePending = true;
    }
  }
  if (Strings::Length(second) > 0) {
    Strings::Assign(Text2Buffer, second);
    if (WaitingForEvent) {
      UpdatePending = true;
    } else {
      Redraw(kSecondLine);
    }
  }
}

void HideStartItem() {
  if (!OnScreen() || ItemOf(&Dialog, kStartItem) == nullptr) return;
  ModDialog::HideItem(&Dialog, kStartItem);
  Dialog.Items[kStartItem]->Visible = false;
}

void InitModule() {
  ClearRecord(&Dialog);
  caller = Caller{};
  WaitingForEvent = false;
  UpdatePending = false;
  InvertTime = 0;
  running = false;
  finished = false;
  abortPressed = false;
  Strings::Clear(Text1Buffer);
  Strings::Clear(Text2Buffer);
}

void Shutdown() { ModDialog::Shutdown(&Dialog); }

void PushAbort() { abortPressed = true; }

}  // namespace LoopDialog
