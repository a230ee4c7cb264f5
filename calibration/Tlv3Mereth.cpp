#include "calibration/Tlv3Mereth.h"

#include "calibration/Tlv6Setup.h"
#include "dialogs/ModDialog.h"
#include "potentiostat/K5Panel.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/Shell.h"
#include "terminal/ANSITerm.h"

namespace Tlv3Mereth {

namespace {

void InstallMenus() {
  ModMenus::CreateMenu(ModMenus::FileMenu, "File");
  ModMenus::AddQuitMenu(MacEnv::Terminate, MacEnv::Terminate);
  ModMenus::AppendMenu(ModMenus::FileMenu);
}

}  // namespace

bool CallMereth() {
  ModDialog::InitModule();
  // The potentiostat's defaults, a PK 510 on the USB interface; no PK word
  // goes out until an initialisation asks for it.
  K5Panel::InitAllModules();
  // The HID layer talks through the simulated TLV 6 for the whole run.
  static Tlv6Sim::Port simulatedTlv6;
  Tlv6Setup::UseChosenPort(simulatedTlv6);
  InstallMenus();
  MacEnv::HideLogo();
  while (!MacEnv::Terminated && Shell::RootTerminal != nullptr) {
    char character = 0;
    int code = 0;
    ANSITerm::Input(Shell::RootTerminal, character, code);
  }
  return true;
}

}  // namespace Tlv3Mereth
