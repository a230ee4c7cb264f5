// The FPGA upload from the operator's side, on either backend: the file
// chooser opens on FOLDER with the filter "*.TLV", a click picks its first
// entry and another clicks "Open"; the upload then refuses in an alert,
// which is captured and answered with a click on OK. The clicks go in
// through the layer's input as a backend's would, half a second apart.
//   dialogs_fpga_run --headless FOLDER OUT.png   the screen at the alert
//   dialogs_fpga_run --sdl FOLDER COMMAND        COMMAND (a screenshot) runs
//                                                at the alert
// The status is 0 when every click was taken and the alert was in front to
// be captured.
#include "acquisition/QrnLattice.h"
#include "dialogs/DialogUtils.h"
#include "foundation/Buffer.h"
#include "foundation/IOBase.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/FileChooser.h"
#include "platform/Input.h"
#include "platform/Timers.h"
#include "platform/UIPlatform.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/sdl/SdlDisplay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kStepSeconds = 0.5;
constexpr int kAlertOkItem = 1;

std::string capture;  // the PNG to save, or the screenshot command
bool headless = false;
int stepsDone = 0;
bool captured = false;

void ClickAt(Geometry::Point local) {
  const Geometry::Rect content = Windows::ContentRect(Dialogs::GetDialogWindow(Dialogs::FrontDialog()));
  Input::WarpPointer(Geometry::Point{content.left + local.h, content.top + local.v});
  Input::MouseButton(true);
  Input::MouseButton(false);
}

Geometry::Point Centre(const Geometry::Rect& r) { return Geometry::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void Capture() {
  // The refusal is a plain alert: it has no list.
  Dialogs::Dialog* front = Dialogs::FrontDialog();
  if (front == nullptr || Dialogs::GetItemControl(front, FileChooser::kScrollItem) != nullptr) return;
  Desktop::Flush();
  captured = headless ? Desktop::SavePNG(std::span<const char>(capture.c_str(), capture.size() + 1))
                      : std::system(capture.c_str()) == 0;
}

void Step(void*) {
  if (Dialogs::FrontDialog() == nullptr) return;
  switch (stepsDone) {
    case 0: {
      const Geometry::Rect list = Dialogs::GetItemRect(Dialogs::FrontDialog(), FileChooser::kListItem);
      ClickAt(Geometry::Point{list.left + 20, list.top + 1 + FileChooser::kRowHeight / 2});
      break;
    }
    case 1:
      ClickAt(Centre(Dialogs::GetItemRect(Dialogs::FrontDialog(), FileChooser::kChooseItem)));
      break;
    case 2:
      Capture();
      break;
    case 3:
      ClickAt(Centre(Dialogs::GetItemRect(Dialogs::FrontDialog(), kAlertOkItem)));
      break;
    default:
      return;
  }
  ++stepsDone;
}

int Run(const char* folder) {
  Buffer::InitModule();
  DialogUtils::InitModule();
  if (IOBase::SetDirectory(std::span<const char>(folder, std::strlen(folder) + 1)) != 0) {
    std::fprintf(stderr, "dialogs_fpga_run: no folder %s\n", folder);
    return 1;
  }
  if (headless) {
    for (int i = 0; i < 4; ++i) {
      Headless::Wait(kStepSeconds);
      Headless::Call(Step, nullptr);
    }
  } else {
    Timers::Install(kStepSeconds * 2, kStepSeconds, Step, nullptr);
  }
  QrnLattice::GetAndUploadFPGA();
  UIPlatform::Shutdown();
  Buffer::Shutdown();
  return stepsDone == 4 && captured ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 4 ? argv[1] : "";
  if (mode != "--headless" && mode != "--sdl") {
    std::fprintf(stderr, "usage: dialogs_fpga_run --headless FOLDER OUT.png | --sdl FOLDER COMMAND\n");
    return 2;
  }
  headless = mode == "--headless";
  capture = argv[3];
  if (!UIPlatform::InitModule(headless ? Headless::Ops() : SdlDisplay::Ops(), kWidth, kHeight)) {
    std::fprintf(stderr, "dialogs_fpga_run: cannot start the screen\n");
    return 1;
  }
  return Run(argv[2]);
}
