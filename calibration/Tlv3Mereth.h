// The main program: the start procedure and the main dialog "Mereth",
// where the operator chooses the amplifier type, the amplifier number and
// the interface and initialises the hardware ("Initialize").
//
// Tester mode is entered once at start and stays on for the whole run.
// Every change of the amplifier type releases the amplifier and the
// interface (Tlv3Init::Shutdown), so a type change always needs a new
// "Initialize"; the amplifier number can be chosen only after an
// initialisation succeeded.
//
// Main dialog items (each list's value a 0-based entry in its own value
// area): 1 the amplifier type ("TLV 3", "TLV 4", "TLV 4 Plus", "TLV 4
// USB", "-", "QRN 5+5", "TLV 6", "PK 518"), 2 the amplifier number ("1.
// amplifier" ... "8. amplifier"), 3 the interface ("Use PCI", "Use USB"),
// 4 the button "Initialize". Main thread only.
#pragma once

namespace Tlv3Mereth {

// Protocol mode: "TlvProtocol.On" existed at start. The initialisation
// then writes its header and identification lines and saves the notebook
// as that day's protocol file.
extern bool DoDebug;

// The start procedure (MacEnv::StartupProc): the program's modules, the
// menus, the exit procedure, the main dialog and its loop until the
// program is to end. Before the test modules start, the self-tests learn
// the calibration program's parts they call: the software version, the
// results blocks' start (T3TestUt::InitModule) and the scale record's load
// and store (Tlv3Files). TRUE after the loop ended; FALSE when the main dialog
// could not be prepared or opened (the alerts of the dialog layer said
// why).
bool CallMereth();

// "Initialize": the chosen amplifier or interface brought into service
// (Tlv3Init), the amplifier number's entries enabled up to the boards
// found, the Calibrate menu updated. A required power cycle or the
// operator's choice to exit ends the program (Quit).
void InitializeTlv();

// The File menu's Quit and the application's quit request: refused with a
// notebook alert line while an FPGA upload to the QRN 5+5 or a TLV 6
// operation runs ("Cannot quit while uploading to the QRN 5+5", "... to
// the TLV 6"), else the program ends.
void Quit();

// The Calibrate menu's firmware and board-version items: the TLV 6's
// firmware upload and serial number, else the QRN 5+5's and the boards'.
void WriteFirmware();
void UpgradeBoardVersion();

}  // namespace Tlv3Mereth
