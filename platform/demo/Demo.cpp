// The layer's demo: one screen shown on either backend.
//   uiplatform_demo --headless OUT.png   composes the screen and saves it
//   uiplatform_demo --sdl [--shot CMD]   shows it in an SDL2 window; with
//       --shot, runs CMD (a screenshot command) once the window shows, and
//       exits with CMD's status; without, lets the windows be dragged,
//       grown, zoomed and closed and the menus pulled down, until the
//       window is closed
#include "foundation/platform/Clock.h"
#include "platform/AppleEvents.h"
#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/Fonts.h"
#include "platform/MenuTrack.h"
#include "platform/Menus.h"
#include "platform/Screen.h"
#include "platform/UIPlatform.h"
#include "platform/WindowTrack.h"
#include "platform/Windows.h"
#include "platform/demo/DemoScene.h"
#include "platform/headless/Headless.h"
#include "platform/sdl/SdlDisplay.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

bool quit = false;

int Usage() {
  std::fprintf(stderr, "usage: uiplatform_demo --headless OUT.png | --sdl [--shot COMMAND]\n");
  return 2;
}

// Runs the event loop for the given time, so that the window is mapped,
// exposed and drawn. The windows' contents are drawn already: updates only
// need taking.
void Settle(double seconds) {
  const double end = Platform::ElapsedSeconds() + seconds;
  Events::EventRecord e;
  while (Platform::ElapsedSeconds() < end) {
    if (!Events::WaitNextEvent(EventQueue::kEveryEvent, e, 3)) continue;
    if (Windows::Window* w = Events::EventWindow(e); w != nullptr && e.what == EventQueue::kUpdateEvt) {
      Windows::BeginUpdate(w);
      Windows::EndUpdate(w);
    }
  }
}

// What a press does on each part of the screen.
void MouseDown(const Events::EventRecord& e) {
  Windows::Window* w = nullptr;
  const int part = Windows::FindWindow(e.where, &w);
  switch (part) {
    case Windows::kInMenuBar:
      MenuTrack::MenuSelect(e.where);
      Menus::HiliteMenu(0);
      break;
    case Windows::kInContent:
      Windows::SelectWindow(w);
      break;
    case Windows::kInDrag:
      WindowTrack::DragWindow(w, e.where, Screen::AvailableBounds());
      break;
    case Windows::kInGrow:
      if (const std::int32_t size = WindowTrack::GrowWindow(w, e.where, Geometry::SetRect(84, 32, 32767, 32767));
          size != 0) {
        Windows::SizeWindow(w, size & 0xFFFF, size >> 16, true);
      }
      break;
    case Windows::kInGoAway:
      if (WindowTrack::TrackGoAway(w, e.where)) Windows::HideWindow(w);
      break;
    case Windows::kInZoomIn:
    case Windows::kInZoomOut:
      if (WindowTrack::TrackBox(w, e.where, part)) Windows::ZoomWindow(w, part, true);
      break;
    default:
      break;
  }
}

int RunHeadless(const char* out) {
  if (!UIPlatform::InitModule(Headless::Ops(), kWidth, kHeight)) {
    std::fprintf(stderr, "uiplatform_demo: cannot start the layer: %s\n", Fonts::ErrorText());
    return 1;
  }
  DemoScene::Build();
  const bool saved = Desktop::SavePNG(std::string(out));
  UIPlatform::Shutdown();
  if (!saved) std::fprintf(stderr, "uiplatform_demo: cannot write %s\n", out);
  return saved ? 0 : 1;
}

int RunSdl(const char* shot) {
  if (!UIPlatform::InitModule(SdlDisplay::Ops(), kWidth, kHeight)) {
    std::fprintf(stderr, "uiplatform_demo: cannot open the SDL2 window\n");
    return 1;
  }
  DemoScene::Build();
  AppleEvents::SetQuitHandler([] { quit = true; });
  int status = 0;
  if (shot != nullptr) {
    Settle(1.0);
    status = std::system(shot);
  } else {
    Events::EventRecord e;
    while (!quit) {
      if (!Events::WaitNextEvent(EventQueue::kEveryEvent, e, 30)) continue;
      if (e.what == EventQueue::kHighLevelEvent) AppleEvents::Process(e);
      if (e.what == EventQueue::kMouseDown) MouseDown(e);
      if (Windows::Window* w = Events::EventWindow(e); w != nullptr && e.what == EventQueue::kUpdateEvt) {
        Windows::BeginUpdate(w);
        Windows::EndUpdate(w);
      }
    }
  }
  UIPlatform::Shutdown();
  return status == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--headless" && argc == 3) return RunHeadless(argv[2]);
  if (mode == "--sdl" && argc == 2) return RunSdl(nullptr);
  if (mode == "--sdl" && argc == 4 && std::string(argv[2]) == "--shot") return RunSdl(argv[3]);
  return Usage();
}
