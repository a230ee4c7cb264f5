// The calibration program's own globals: the main dialog's record, the
// software version the range files carry, what an amplifier reset redraws,
// and the switches the amplifier menu and the runs share.
//
// Owner: Tlv3Mereth builds and runs Dialog; the amplifier menu sets the
// switches; the runs read them. InitModule sets the defaults, once, from
// Tlv3Init::InitAllModules. Main thread only.
#pragma once

#include "dialogs/ModDialogUt.h"

namespace Tlv3Base {

inline constexpr int kVersionSize = 8;

// The main dialog "Mereth".
extern ModDialogUt::DialogRecord Dialog;
// The calibration software's version ["9.8"].
extern char SoftwareVersion[kVersionSize];
// Redraws every dialog and the notebook after an amplifier reset.
extern ModDialogUt::Proc ResetProc;
extern bool GentleCCSwitch;         // [TRUE]
extern bool BatchControlEnabled;    // [FALSE]
extern bool BackgroundEnabled;      // [TRUE]
extern bool WriteCapTrack;          // [FALSE]
extern double RmembDelay;           // s [0.3]

// The defaults above; Dialog cleared.
void InitModule();

}  // namespace Tlv3Base
