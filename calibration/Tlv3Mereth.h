// The main program module. Until the calibration application stands, its
// start procedure shows the console and the File menu and waits for the
// operator to quit.
#pragma once

namespace Tlv3Mereth {

// The start procedure: the dialog framework's module set-up, the PK
// modules' defaults (K5Panel::InitAllModules), the TLV 6's
// port (Tlv6Setup), a "File" menu with Quit (command-Q, and the quit
// request: MacEnv::Terminate), the logo hidden, then console input until
// the program is to end. TRUE.
bool CallMereth();

}  // namespace Tlv3Mereth
