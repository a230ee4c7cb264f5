// The main loop and the progress dialog from the operator's side, on either
// backend: a main dialog runs under ModDialogLoop::Execute; a click on its
// button opens the progress dialog, whose screen is captured while it waits
// for Start; a click on Abort ends it, and the main dialog's quit flag ends
// the loop. The clicks go in through the layer's input as a backend's
// would, half a second apart.
//   dialogs_loop_run --headless OUT.png   the screen with the progress dialog
//   dialogs_loop_run --sdl COMMAND        COMMAND (a screenshot) runs then
// The status is 0 when every click was taken, the screen was captured and
// the progress dialog ended as aborted.
#include "dialogs/LoopDialog.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/Buffer.h"
#include "foundation/TermIO.h"
#include "platform/Desktop.h"
#include "platform/Fonts.h"
#include "platform/Input.h"
#include "platform/Timers.h"
#include "platform/UIPlatform.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/sdl/SdlDisplay.h"
#include "shell/Graphics.h"
#include "shell/Shell.h"
#include "terminal/ANSITerm.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace ModDialogUt;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kStepSeconds = 0.5;
constexpr int kIdentifyItem = 1;
// The progress dialog's Abort button, in its window. The main dialog has
// no grow mark: when its deactivation is seen depends on timing.
constexpr Geometry::Point kAbortButton{323, 91};

// Steps after the last with the run still going: it has gone wrong.
constexpr int kGiveUpSteps = 20;

std::string capture;  // the PNG to save, or the screenshot command
bool headless = false;
int stepsDone = 0;
int idleSteps = 0;
bool captured = false;
bool quit = false;
bool aborted = false;

DialogRecord mainDialog;
std::array<DialogItem*, 2> mainItems{};

void ClickAt(Windows::Window* window, Geometry::Point local) {
  const Geometry::Rect content = Windows::ContentRect(window);
  Input::WarpPointer(Geometry::Point{content.left + local.h, content.top + local.v});
  Input::MouseButton(true);
  Input::MouseButton(false);
}

void Step(void*) {
  switch (stepsDone) {
    case 0: {
      const Geometry::Rect& r = mainDialog.Items[kIdentifyItem]->Rect;
      ClickAt(mainDialog.MacWindow, Geometry::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
      break;
    }
    case 1:
      Desktop::Flush();
      captured = headless ? Desktop::SavePNG(std::span<const char>(capture.c_str(), capture.size() + 1))
                          : std::system(capture.c_str()) == 0;
      break;
    case 2:
      ClickAt(Windows::FrontWindow(), kAbortButton);
      break;
    default:
      // A click that went astray must not leave the run waiting for ever.
      if (++idleSteps == kGiveUpSteps) ModDialogLoop::Terminate();
      return;
  }
  ++stepsDone;
}

bool Start() { return true; }
void Stop() {}
bool Abort() { return true; }
bool Done() { return false; }
void Loop() {}

void Identify() {
  LoopDialog::Show("Identification", Start, Stop, Abort, Done, Loop, "Identifying ...", "Press Start", "Start",
                   "Abort", "Looking for amplifiers", "Asking every unit", aborted, false);
  quit = true;
}

void FillMain() {
  FillTextField(&mainDialog, kIdentifyItem, kButton, "identify", false, "Identify", 20, 50, 100, 20);
}

int Run() {
  Buffer::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  Graphics::InitModule();
  if (!Graphics::Initialize() || !ANSITerm::Initialize()) return 1;
  ModDialogLoop::InitAllModules();
  ClearRecord(&mainDialog);
  if (!InitializeRecord(&mainDialog, mainItems, false, false, "Main", "Main", Fonts::kGeneva, 12, 1, 20, 140, 200,
                        80, 0) ||
      !ModDialog::Initialize(&mainDialog, 2, FillMain, NoProc, false, false, true, true, false, "Main")) {
    return 1;
  }
  FillProcField(&mainDialog, kIdentifyItem, nullptr, Identify, nullptr);
  if (headless) {
    for (int i = 0; i < 3; ++i) {
      Headless::Wait(kStepSeconds);
      Headless::Call(Step, nullptr);
    }
  } else {
    Timers::Install(kStepSeconds * 2, kStepSeconds, Step, nullptr);
  }
  ModDialogLoop::Execute(mainDialog.Terminal, &mainDialog, NoFilterProc, quit);
  ModDialogLoop::ShutAllModules();
  Shell::Shutdown();
  UIPlatform::Shutdown();
  Buffer::Shutdown();
  return stepsDone == 3 && captured && aborted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "--headless" && mode != "--sdl") {
    std::fprintf(stderr, "usage: dialogs_loop_run --headless OUT.png | --sdl COMMAND\n");
    return 2;
  }
  headless = mode == "--headless";
  capture = argv[2];
  if (!UIPlatform::InitModule(headless ? Headless::Ops() : SdlDisplay::Ops(), kWidth, kHeight)) {
    std::fprintf(stderr, "dialogs_loop_run: cannot start the screen\n");
    return 1;
  }
  return Run();
}
