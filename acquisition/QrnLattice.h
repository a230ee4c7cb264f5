// The operator's steps for loading a new FPGA configuration file into a
// QRN 5+5 unit: a firmware pre-check, the file choice, and a progress
// dialog that runs the upload through QRN55Tools' FPGA hooks, shows the
// elapsed time and lets the operator abort. On this platform the hooks
// refuse at their preparation ("Function requires "Windows"."), so the
// refusal is shown and no upload starts. Main thread only.
#pragma once

#include <span>

#include "foundation/RealTime.h"

namespace QrnLattice {

// When the upload started, and when the elapsed time is shown next.
extern RealTime::TimeSeconds StartTime;
extern RealTime::TimeSeconds BlinkTime;
// The progress dialog's texts.
extern char StartText[128];
extern char AbortText[128];
extern char MessageText[128];
extern char Select_start[128];

// The open device's firmware must be version 8 or later; otherwise an alert
// says what is wrong, and FALSE.
bool CheckFirmware();
// The upload with its progress dialog; FALSE (QRN55Tools::ErrorMessage
// says why, and an alert has shown it unless the operator aborted) when it
// did not complete.
bool UploadFPGA(std::span<const char> fileName);
// The operator chooses a ".TLV" file; after an upload the unit must be
// powered off.
void GetAndUploadFPGA();

// The progress dialog's procedures.
bool StartUpload();
bool AbortUpload();
bool UploadDone();
// While the upload runs, at most once a second: the elapsed time as the
// dialog's second line.
void ShowElapsedTime();

}  // namespace QrnLattice
