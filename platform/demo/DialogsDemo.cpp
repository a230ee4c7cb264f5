// The dialogs on either backend, and the clipboard through SDL2.
//   uiplatform_dialogs --headless FOLDER OUT.png
//   uiplatform_dialogs --sdl FOLDER COMMAND
//       an alert with the file chooser in front of it, opened on FOLDER;
//       headless the screen is saved, under SDL2 COMMAND (a screenshot
//       command) runs once the window shows, and its status is the exit
//       status
//   uiplatform_dialogs --clipboard OUT SECONDS
//       under SDL2: writes the clipboard's text, as the program reads it,
//       to OUT, puts it back on the clipboard and keeps serving it for
//       SECONDS
#include "foundation/platform/Clock.h"
#include "platform/AppleEvents.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/FileChooser.h"
#include "platform/Scrap.h"
#include "platform/Timers.h"
#include "platform/UIPlatform.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/sdl/SdlDisplay.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// Time for the window to be mapped and shown before the screenshot.
constexpr double kSettleSeconds = 1.5;

int Usage() {
  std::fprintf(stderr,
               "usage: uiplatform_dialogs --headless FOLDER OUT.png | --sdl FOLDER COMMAND |"
               " --clipboard OUT SECONDS\n");
  return 2;
}

std::string shotCommand;
int shotStatus = 0;

void SaveScreen(void* out) {
  if (!Desktop::SavePNG(std::string(static_cast<const char*>(out)))) shotStatus = 1;
  AppleEvents::PostQuit();
}

void TakeShot(void*) {
  Desktop::Flush();
  shotStatus = std::system(shotCommand.c_str());
  AppleEvents::PostQuit();
}

// The alert, and the chooser in front of it until the quit request.
void ShowScene(const char* folder) {
  Dialogs::ParamText("The notebook has changed. Save it before the program ends?", {}, {}, {});
  Dialogs::Dialog* alert = Dialogs::GetNewDialog(133);
  Dialogs::SetDefaultItem(alert, 1);
  Windows::MoveWindow(Dialogs::GetDialogWindow(alert), 20, 300, false);
  Windows::ShowWindow(Dialogs::GetDialogWindow(alert));
  FileChooser::Request r;
  r.kind = FileChooser::Kind::kSave;
  r.folder = folder;
  r.prompt = "Save the notebook as";
  r.message = "The notebook's lines as text";
  r.name = "Notebook_1.txt";
  std::string path;
  FileChooser::Choose(r, path);
  Dialogs::DisposeDialog(alert);
}

int RunHeadless(const char* folder, const char* out) {
  if (!UIPlatform::InitModule(Headless::Ops(), kWidth, kHeight)) return 1;
  Headless::Wait(kSettleSeconds);
  Headless::Call(SaveScreen, const_cast<char*>(out));
  ShowScene(folder);
  UIPlatform::Shutdown();
  return shotStatus == 0 ? 0 : 1;
}

int RunSdl(const char* folder, const char* command) {
  if (!UIPlatform::InitModule(SdlDisplay::Ops(), kWidth, kHeight)) {
    std::fprintf(stderr, "uiplatform_dialogs: cannot open the SDL2 window\n");
    return 1;
  }
  shotCommand = command;
  Timers::Install(kSettleSeconds, 0.0, TakeShot, nullptr);
  ShowScene(folder);
  UIPlatform::Shutdown();
  return shotStatus == 0 ? 0 : 1;
}

int RunClipboard(const char* out, double seconds) {
  if (!UIPlatform::InitModule(SdlDisplay::Ops(), kWidth, kHeight)) {
    std::fprintf(stderr, "uiplatform_dialogs: cannot open the SDL2 window\n");
    return 1;
  }
  std::int32_t size = 0;
  std::string text;
  if (Scrap::GetScrapFlavorSize(Scrap::kText, size) == Scrap::kNoErr) {
    text.resize(static_cast<std::size_t>(size));
    Scrap::GetScrapFlavorData(Scrap::kText, text, size);
    text.resize(static_cast<std::size_t>(size));
  }
  const int put = Scrap::PutScrapFlavor(Scrap::kText, text);
  std::ofstream(out, std::ios::binary) << text;
  const double end = Platform::ElapsedSeconds() + seconds;
  while (Platform::ElapsedSeconds() < end) Events::Idle(0.05);
  UIPlatform::Shutdown();
  return put == Scrap::kNoErr ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--headless" && argc == 4) return RunHeadless(argv[2], argv[3]);
  if (mode == "--sdl" && argc == 4) return RunSdl(argv[2], argv[3]);
  if (mode == "--clipboard" && argc == 4) return RunClipboard(argv[2], std::atof(argv[3]));
  return Usage();
}
