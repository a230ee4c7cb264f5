// The "Calibrate" menu: the calibration program's work on one menu, and
// the start and end of the test modules.
//
// This form holds the menu with its last item, "Version Information"
// (the hardware information box), whose text becomes the amplifier's
// identification line while the interface is open, and the external gain
// and zero corrections; the calibration and test runs and the service
// items join it as they are built. Main thread only.
#pragma once

#include <cstdint>

#include "calibration/T3TestUt.h"
#include "dialogs/ModDialogUt.h"

namespace T3CalibMenu {

// The menu; 0 when not installed.
extern int Menu;
// Item number of "Version Information"; 0 when not in the menu.
extern int iWriteInfo;
// Run at the end of every run, to bring the user interface in line with the
// amplifier; Install sets it.
extern ModDialogUt::Proc Sync_GUI_ToAmplProc;

// The results block the runs work on (board 0's slot 0 after Install).
extern T3TestUt::MuxTestResults* MuxTest;
extern T3TestUt::SelfTestResults* Results;
extern T3TestUt::HFRangeResults* HFResults;

// Menu and item numbers 0, Sync_GUI_ToAmplProc the empty procedure.
void InitModule();
// Deletes the menu when it exists, then InitModule.
void Shutdown();
// Once at start: InitModule, the test modules (T3Tester::InitAllModules),
// QRN55Tools::InitModule.
void InitTesterModules();
// At the end: Shutdown, the test plot window, the results blocks.
void ShutdownTesterModules();

// The results blocks with the HF limits 0.02 and 0.025 and board 0's slot
// 0 as the current one, then the menu: a submenu of the amplifier menu's
// calibration item (asSubmenu), else a menu of its own at the end of the
// menu bar; syncProc
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

// ---- External gain and zero corrections ------------------------------------
//
// The operator enters one value per gain range (low, medium, high) measured
// with external equipment; the selected board's scale record keeps them.
// A value out of its window is refused ("New Value" asks again with the
// values as entered, "Cancel" ends with the record unchanged), as is Cancel
// in the dialog. Accepted values are applied, the current range is sent
// again, the record is saved (SaveScaleFile) and the user interface
// brought in line (Sync_GUI_ToAmplProc).

// "External Gain Correction Factors:" per range; each factor also rescales
// the range's gain trim DAC word (FixGain). A range whose word would leave
// its span keeps word and factor: the operator is told which (alert and
// notebook line).
void ExternalGainCalibration();
// "External Zero Offsets:" per range, in volts, stored as entered.
void ExternalZeroCalibration();
// 0.8 <= factor <= 1.2 (not a number: refused); refused: the alert
// "Correction factors must be > 0.8 and < 1.2 !" with "Cancel" and "New
// Value", cancel := not "New Value".
bool CheckFactor(double factor, bool& cancel);
// |offset| <= 0.2 V, else "Offsets must be <= 0.2V and >= -0.2V !" as
// CheckFactor.
bool CheckOffset(double offset, bool& cancel);
// The range's gain trim word := word x stored factor / factor, rounded
// (halves away from zero), and the stored factor := factor, when the new
// word lies within 1 to 4093.999999999999; else neither changes: FALSE. A
// stored factor of 0 or one that is not finite counts as 1.0.
bool FixGain(int range, double factor);
// Tlv3Files::AskAndSaveScaleFile; when saved, an empty notebook line and
// "Scale file '<name>' saved." for a file, else "Scale record saved.".
void SaveScaleFile();

// The Calibrate menu's firmware and board-version items of the QRN 5+5 and
// the amplifier boards (T3CalibMenuService.cpp).
// The unit's firmware from a chosen "*.TLV" file: only on one device of
// one unit, and only after its record was backed up; then the interface is
// released and the operator asked to power the unit off and on.
void QRN55_WriteFirmware();
void UpgradeBoardVersion();

}  // namespace T3CalibMenu
