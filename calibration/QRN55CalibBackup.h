// The backup of a QRN 5+5 unit's device information and calibration record
// that every firmware write to the unit needs first: should the write go
// wrong, the record can be written back from the text file.
//
// The file is "QRN55Calib_<serial6>.txt" (the first six characters of
// the unit serial) in the current folder. A file kept there counts only
// when it reads back as the unit's current record; otherwise the record
// goes beside it to "QRN55Calib_<serial6>_<dd-Mon-yyyy>.txt" ("_2", "_3"
// ... when that is taken). The notebook names the file that holds the
// backup, "QRN55-Calibration saved to: "<full path>"", or the failure,
// "Error saving QRN55-Calibration: "<full path>"" or "QRN55 device
// information could not be read.", which an alert repeats. Main thread
// only.
#pragma once

namespace QRN55CalibBackup {

// Reads unit 0's record and makes sure a current backup of it exists.
// FALSE when there is none afterwards: the operator was told in an alert,
// and nothing may be written to the unit.
bool Save();

}  // namespace QRN55CalibBackup
