#include "calibration/Tlv3Base.h"

#include "dialogs/ModDialogLoop.h"
#include "foundation/Strings.h"

namespace Tlv3Base {

ModDialogUt::DialogRecord Dialog;
char SoftwareVersion[kVersionSize] = {};
ModDialogUt::Proc ResetProc = ModDialogLoop::UpdateAll;
bool GentleCCSwitch = true;
bool BatchControlEnabled = false;
bool BackgroundEnabled = true;
bool WriteCapTrack = false;
double RmembDelay = 0.3;

void InitModule() {
  ModDialogUt::ClearRecord(&Dialog);
  Strings::Assign(SoftwareVersion, "9.8");
  ResetProc = ModDialogLoop::UpdateAll;
  GentleCCSwitch = true;
  BatchControlEnabled = false;
  BackgroundEnabled = true;
  WriteCapTrack = false;
  RmembDelay = 0.3;
}

}  // namespace Tlv3Base
