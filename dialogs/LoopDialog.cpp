#include "dialogs/LoopDialog.h"

#include <cstdio>

#include "dialogs/Alert.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"

namespace LoopDialog {

char Text1Buffer[128] = "";
char Text2Buffer[80] = "";

namespace {

struct Dialog {
  StartProc start = nullptr;
  AbortProc abort = nullptr;
  DoneProc done = nullptr;
  LoopProc loop = nullptr;
  std::span<const char> runningText;
  std::span<const char> message2;
  bool withAbort = false;
  bool shown = false;
  bool waitingForEvent = false;  // the operation runs
  bool stop = false;
  bool interrupted = false;
  bool startVisible = false;
};

Dialog dialog;
// A scripted press of Abort, kept until the next pass of a dialog.
bool abortPressed = false;

void WriteText(std::span<const char> text) {
  const int length = Strings::Length(text);
  for (int i = 0; i < length; ++i) std::fputc(text[i] == Alert::LF[0] ? '\n' : text[i], stderr);
}

// Ends the dialog as aborted.
void DoExit() {
  dialog.stop = true;
  dialog.interrupted = true;
  dialog.waitingForEvent = false;
}

void DoStart() {
  dialog.waitingForEvent = true;
  Mouse::SetCursorShape(Mouse::kWatch);
  if (!dialog.start()) DoExit();
  Strings::Assign(Text1Buffer, dialog.message2);
  Strings::Assign(Text2Buffer, dialog.runningText);
}

void DoAbort() {
  if (dialog.abort()) DoExit();
}

}  // namespace

bool Show(std::span<const char> title, StartProc start, StopProc stop, AbortProc abort,
          DoneProc done, LoopProc loop, std::span<const char> runningText,
          std::span<const char> idleText, std::span<const char> startText,
          std::span<const char> abortText, std::span<const char> message1,
          std::span<const char> message2, bool& aborted, bool beep) {
  aborted = false;
  if (dialog.shown || start == nullptr || stop == nullptr || abort == nullptr || done == nullptr ||
      loop == nullptr) {
    Alert::OK("Cannot setup Loop Dialog");
    return false;
  }
  const int cursor = Mouse::GetCursorShape();
  dialog = Dialog{start, abort, done, loop, runningText, message2};
  dialog.withAbort = Strings::Length(abortText) > 0;
  dialog.startVisible = Strings::Length(startText) > 0;
  dialog.shown = true;
  Strings::Assign(Text1Buffer, message1);
  Strings::Assign(Text2Buffer, idleText);
  WriteText(title);
  std::fputs(": ", stderr);
  WriteText(message1);
  std::fputc('\n', stderr);

  // Nobody waits at a headless Start button: the operation starts at once.
  DoStart();
  while (!dialog.stop && !MacEnv::Terminated.load()) {
    if (abortPressed && dialog.withAbort) {
      abortPressed = false;
      DoAbort();
    }
    if (!dialog.stop && dialog.waitingForEvent && dialog.done()) dialog.stop = true;
    loop();
    // The dialog waits up to a tick for its next event: timers fire and
    // the clock moves on meanwhile.
    Events::Idle(1.0 / Platform::kTicksPerSecond);
  }
  aborted = dialog.interrupted || !dialog.stop;
  Shutdown();
  Mouse::SetCursorShape(cursor);
  return true;
}

void NewMessages(std::span<const char> first, std::span<const char> second) {
  if (Strings::Length(first) > 0) Strings::Assign(Text1Buffer, first);
  if (Strings::Length(second) > 0) Strings::Assign(Text2Buffer, second);
}

void HideStartItem() { dialog.startVisible = false; }

void InitModule() {
  dialog = Dialog{};
  abortPressed = false;
  Strings::Clear(Text1Buffer);
  Strings::Clear(Text2Buffer);
}

void Shutdown() { dialog.shown = false; }

void PushAbort() { abortPressed = true; }

}  // namespace LoopDialog
