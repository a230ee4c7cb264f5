// The selected board's calibration records, the scale record
// (T3Scale::Scale) and the C-fast table (T3Auto::CFastTable), loaded from
// and stored to where they live: the amplifier EEPROM or a scale or C-fast
// file, and the operator's questions and file dialogs in front of that.
//
// Where a record lives is the amplifier core's decision. Loads and the
// questions' wording follow T3EEPROM::IsReadTarget (the EEPROM, unless the
// scale is to come from a file, T3Base::ScaleFromDisk). Stores follow
// T3EEPROM::IsWriteTarget: the EEPROM (T3EEPROM::WriteScale/WriteCFast,
// which back up the old block and verify every page), and a file as well
// when ScaleFromDisk is set; a board without EEPROM always gets its file.
// Both targets are always attempted, and a store is TRUE only when every
// target took the record. Files are written whole through IOBytes::SaveFile:
// a failed write leaves the old file as it was.
//
// The file names are T3Init::ScaleFileName and T3Init::CFastFileName (the
// loaders make them full path names); the plain loads set them to the
// defaults first, the questions let the operator choose from the default
// on.
//
// Every failure is shown once: the file layer's read errors by
// Tlv3Init::LoadFile, a refused file by the conflict alert, a failed store
// by the question procedures' alerts (the EEPROM's message with "Error
// saving SCALE record!", a file's error through Alert::IOError). A missing
// scale file is no failure to show. Main thread only.
#pragma once

namespace Tlv3Files {

// The default scale file name, then the scale record: TRUE when loaded.
// The state's reference-gain trim DAC value follows the record. The reload
// procedure of T3Panel::ToggleVrefX2 and the probe tests.
bool LoadScaleFile();
// Stores the scale record.
bool SaveScaleFile();
// The default C-fast file name, then the C-fast table.
bool LoadCFastFile();
// Stores the C-fast table.
bool SaveCFastFile();

// "Load the " ["Extended "] "SCALE record?" (EEPROM) or "SCALE file from
// disk?" then the file chooser ("Find "<name>" to load:"); "Extended "
// while the extended stimulus range is on or forced. TRUE when the
// operator agreed and the record was loaded; "Error loading SCALE record!"
// or "Error loading SCALE file:" on failure.
bool AskAndLoadScaleFile();
// "Save the modified " ["Extended "] "SCALE record?" or "SCALE file to
// disk?" with the chooser ("SCALE File to write:"); "SCALE record saved."
// on success.
bool AskAndSaveScaleFile();
// "Load the C-FAST table?" or "Load the C-FAST table from disk?".
bool AskAndLoadCFastFile();
// "Save the modified C-FAST table?" or "... to disk?" ("C-Fast Table to
// write:"); "Modified C-Fast table saved." on success.
bool AskAndSaveCFastFile();

}  // namespace Tlv3Files
