// The Calibrate menu's service items: where the scale record is read and
// stored, the QRN 5+5 units' joining, splitting and controller firmware,
// the FPGA item, the identification of the active amplifier unit, and the
// upgraded version record of the amplifier boards. QRN55_WriteFirmware and
// UpgradeBoardVersion are declared with the menu (T3CalibMenu.h); the main
// program's items call them.
//
// Every refusal is one OK alert and changes no hardware. Main thread only.
#pragma once

namespace T3CalibMenu {

// The scale record's source and target for the next load and store: the
// amplifier EEPROM, or a scale file on disk. The menu's check mark follows;
// nothing is loaded or stored now.
void ScaleFromEEPROM();
void ScaleFromDisk();

// The interactive joining of two QRN 5+5 units into one device, and its
// splitting; the amplifier is released afterwards and must be initialised
// again.
void JoinUnits();
void SplitUnits();

// The FPGA upload is not available here: its alert only.
void WriteFPGA();

// TRUE for exactly one connected QRN 5+5 device with exactly one unit;
// otherwise an alert says why.
bool CheckDeviceAndUnitCount();
// The unit's record backed up as text before its firmware changes
// (QRN55CalibBackup); FALSE when there is no current backup, and then
// nothing may be written to the unit.
bool Save_QRN55_Calibration();

}  // namespace T3CalibMenu
