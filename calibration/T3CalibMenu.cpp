#include "calibration/T3CalibMenu.h"

#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "calibration/Tlv3Menus.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3Tester.h"
#include "shell/ModMenus.h"

namespace T3CalibMenu {

int Menu = 0;
int iWriteInfo = 0;
T3TestUt::MuxTestResults* MuxTest = nullptr;
T3TestUt::SelfTestResults* Results = nullptr;
T3TestUt::HFRangeResults* HFResults = nullptr;
ModDialogUt::Proc Sync_GUI_ToAmplProc = ModDialogUt::NoProc;

namespace {

constexpr char kVersionInformation[] = "Version Information";
// The largest peak deviations the HF calibration accepts in the medium and
// the high gain range.
constexpr double kMaxDeviationMedium = 0.02;
constexpr double kMaxDeviationHigh = 0.025;

}  // namespace

void InitModule() {
  Menu = 0;
  iWriteInfo = 0;
  Sync_GUI_ToAmplProc = ModDialogUt::NoProc;
}

void Shutdown() {
  if (Menu != 0) ModMenus::DeleteMenu(Menu);
  InitModule();
}

void InitTesterModules() {
  InitModule();
  T3Tester::InitAllModules();
  QRN55Tools::InitModule();
}

void ShutdownTesterModules() {
  Shutdown();
  T3TestGraphics::Shutdown();
  T3TestUt::Shutdown();
}

void Install(bool asSubmenu, ModDialogUt::Proc syncProc, ModDialogUt::Proc firmwareProc,
             ModDialogUt::Proc boardVersionProc) {
  T3TestGraphics::Shutdown();
  T3TestUt::InitAllResults(kMaxDeviationMedium, kMaxDeviationHigh, MuxTest, Results, HFResults);
  Sync_GUI_ToAmplProc = syncProc;
  ModMenus::CreateMenu(Menu, "Calibrate");
  ModMenus::AppendItem(Menu, kVersionInformation);
  iWriteInfo = 1;
  ModMenus::SetItemProc(Menu, iWriteInfo, Tlv3Menus::ShowHardwareOptions);
  if (asSubmenu) {
    ModMenus::AttachMenu(Menu, Tlv3Menus::Tlv3Menu, Tlv3Menus::iCalibMenu);
  } else {
    ModMenus::AppendMenu(Menu);
  }
  UpdateVersionMenu();
}

void UpdateVersionMenu() {
  if (Menu == 0) return;
  const bool open = ZRV::Status() > 0;
  if (iWriteInfo > 0) {
    char text[80] = {};
    if (open) {
      Tlv3Menus::GetVersionInfo(text);
    }
    ModMenus::SetItemText(Menu, iWriteInfo, open ? std::span<const char>(text) : kVersionInformation);
    ModMenus::EnableItem(Menu, iWriteInfo, open);
  }
  ModMenus::AdjustMenus(true);
}

bool EnableQRN55Functions() { return T3AD::GetBoardType() == ZRVBase::BoardQRN55; }

void UpgradeBoardVersion() {}

}  // namespace T3CalibMenu
