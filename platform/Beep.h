// The alert beep. The layer counts every beep (tests read the count) and
// has the backend sound it; it registers SysBeep with the platform
// (Platform::SetBeep), so that Platform::Sys_Beep beeps on the screen's
// backend once the layer runs.
#pragma once

namespace Beep {

void SysBeep();
// Beeps since the layer started.
int Count();
void ResetCount();

}  // namespace Beep
