#include "shell/MacEnv.h"

#include "dialogs/Alert.h"
#include "dialogs/DialogUtils.h"
#include "dialogs/FileSelect.h"
#include "foundation/Buffer.h"
#include "foundation/EncodeUt.h"
#include "foundation/IOBase.h"
#include "foundation/LogUtil.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "numerics/LongMath.h"
#include "platform/AppleEvents.h"
#include "platform/Events.h"
#include "platform/Gestalt.h"
#include "platform/MenuBar.h"
#include "shell/Graphics.h"
#include "shell/ModMenus.h"
#include "shell/ModSound.h"
#include "shell/Mouse.h"
#include "shell/Printer.h"
#include "shell/ScrollBars.h"
#include "shell/Shell.h"
#include "shell/UserQueue.h"
#include "terminal/LineEditor.h"

#include <cstdio>

namespace MacEnv {

StartProcedure StartupProc = nullptr;
Procedure QuitProc = Terminate;
std::atomic<bool> Terminated{false};
bool gInBackground = false;
EventQueue::EventRecord theEvent;
char LongName[kNameSize] = "";
char ShortName[kNameSize] = "";
VrnlTypes::FourCharCode Creator = 0;
char Version[80] = "";
double WinToMacScaling = 1.0;
double ScreenFactor = 1.0;
double FontFactor = 1.0;
std::int32_t AdrNegOne = -1;
bool CombinedNames = false;
MenuBar::Bar* theMenuBar = nullptr;
Windows::Window* theWindowPtr = nullptr;

namespace {

Procedure programDefinition = nullptr;

constexpr int kMenuBarResource = 129;
constexpr char kVersionNumber[] = "v0.9.1";
constexpr char kVersionDate[] = "10-Dec-2026";

constexpr std::uint32_t kGestaltCarbonVersion = 0x63626F6E;  // 'cbon'
constexpr std::int32_t kLeastCarbonVersion = 0x160;
// How long start-up waits for each high-level event the launch left.
constexpr std::uint32_t kPendingEventTicks = 60;

void Defaults() {
  CombinedNames = false;
  WinToMacScaling = 1.0;
  theWindowPtr = nullptr;
  LogoWindowPtr = nullptr;
  QuitProc = Terminate;
  Terminated = false;
  gInBackground = false;
  LogoSuppressed = false;
  LogoShown = false;
  ScreenFactor = WinToMacScaling;
  FontFactor = 1.0;
  AdrNegOne = -1;
}

void BaseModules() {
  Mouse::Initialize();
  VrnlTypes::InitModule();
  UserQueue::InitModule();
  Buffer::InitModule();
  Graphics::InitModule();
  IOBase::Initialize();
  EncodeUt::InitModule();
  RealTime::InitModule();
  ModMenus::InitModule();
  TermIO::InitModule();
  LogUtil::InitModule();
}

void QuitRequested() {
  if (QuitProc != nullptr) QuitProc();
}

void LoadMenuBar() {
  theMenuBar = MenuBar::GetNewMBar(kMenuBarResource);
  if (theMenuBar == nullptr) AlertAndExit("Menu resource could not be loaded!");
  MenuBar::SetMenuBar(theMenuBar);
}

void CheckPlatformVersion() {
  std::int32_t version = 0;
  if (Gestalt::Gestalt(kGestaltCarbonVersion, version) && version > 0 && version < kLeastCarbonVersion) {
    AlertAndExit("CarbonLib version 1.6 or later required!");
  }
}

// Documents given at launch join the command line before the logo test.
void ProcessPendingHighLevelEvents() {
  EventQueue::EventRecord event;
  while (Events::WaitNextEvent(EventQueue::kHighLevelEventMask, event, kPendingEventTicks)) {
    if (event.what == EventQueue::kHighLevelEvent) AppleEvents::Process(event);
  }
}

void SetVersion() {
  Strings::Assign(Version, LongName);
  Strings::Concat(Version, " ");
  Strings::Concat(Version, kVersionNumber);
  Strings::Concat(Version, ", ");
  Strings::Concat(Version, kVersionDate);
}

}  // namespace

void RegisterProgram(Procedure define) { programDefinition = define; }

void Initialize() {
  Defaults();
  BaseModules();
  if (programDefinition != nullptr) programDefinition();
  Mouse::SetWaitOrWatchCursor();
  AppleEvents::SetQuitHandler(QuitRequested);
  AppleEvents::SetOpenHandler(AppendDocument);
  LoadMenuBar();
  CheckPlatformVersion();
  ProcessPendingHighLevelEvents();
  LogoSuppressed = Strings::SearchCap(CommandLine, "-NOLOGO", 0) >= 0;
  SetVersion();
  char message[80] = "Initializing ";
  Strings::Concat(message, LongName);
  Strings::Concat(message, "...");
  ShowLogo(message);
  MarkLogo('1');
  LongMath::InitModule();
  ModSound::InitModule();
  DialogUtils::InitModule();
  ScrollBars::InitModule();
  LineEditor::InitModule();
  Printer::Initialize();
  MarkLogo('2');
  FileSelect::Initialize();
  MarkLogo('3');
  Shell::Initialize();
  MarkLogo('4');
  MarkLogo('5');
  ReportCommandLine();
  // Floating-point exceptions are masked by default here.
  MarkLogo('6');
}

void Shutdown() {
  UserQueue::ExecuteAfterStack();
  ModSound::Off();
  Printer::Shutdown();
  Shell::Shutdown();
  Buffer::Shutdown();
  DisposeLogo();
  FileSelect::Shutdown();
  MenuBar::SetMenuBar(nullptr);
  MenuBar::DisposeMenuBar(theMenuBar);
}

void Terminate() { Terminated.store(true); }

void AlertAndExit(std::span<const char> message) {
  if (Strings::Length(message) > 0) {
    Alert::Beep();
    Alert::OK(message);
  }
  Terminate();
}

void SetFrameWindow(Windows::Window*) {}

}  // namespace MacEnv
