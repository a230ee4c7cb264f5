// The "Calibrate" menu: the calibration program's work on one menu, and
// the start and end of the test modules.
//
// This form holds the menu with its last item, "Version Information"
// (the hardware information box), whose text becomes the amplifier's
// identification line while the interface is open; the calibration and
// test runs and the service items join it as they are built. Main thread
// only.
#pragma once

#include "dialogs/ModDialogUt.h"

namespace T3CalibMenu {

// The menu; 0 when not installed.
extern int Menu;
// Item number of "Version Information"; 0 when not in the menu.
extern int iWriteInfo;
// Run at the end of every run, to bring the user interface in line with the
// amplifier; Install sets it.
extern ModDialogUt::Proc Sync_GUI_ToAmplProc;

// Menu and item numbers 0, Sync_GUI_ToAmplProc the empty procedure.
void InitModule();
// Deletes the menu when it exists, then InitModule.
void Shutdown();
// Once at start: InitModule, the test modules (T3Tester::InitAllModules),
// QRN55Tools::InitModule.
void InitTesterModules();
// At the end: Shutdown, then the test plot window.
void ShutdownTesterModules();

// Builds the menu: a submenu of the amplifier menu's calibration item
// (asSubmenu), else a menu of its own at the end of the menu bar; syncProc
// becomes Sync_GUI_ToAmplProc; firmwareProc and boardVersionProc are the
// service items' procedures. Ends with UpdateVersionMenu.
void Install(bool asSubmenu, ModDialogUt::Proc syncProc, ModDialogUt::Proc firmwareProc,
             ModDialogUt::Proc boardVersionProc);
// Enables and names the items from the state of the amplifier and the
// interface: "Version Information" reads the identification line
// (Tlv3Menus::GetVersionInfo) and is enabled while the interface is open.
// Nothing while the menu is not installed.
void UpdateVersionMenu();
// The amplifier's AD/DA board is the QRN 5+5.
bool EnableQRN55Functions();

// The Calibrate menu's firmware and board-version items of the QRN 5+5 and
// the amplifier boards; they do nothing yet.
void QRN55_WriteFirmware();
void UpgradeBoardVersion();

}  // namespace T3CalibMenu
