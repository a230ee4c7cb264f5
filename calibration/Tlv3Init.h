// The program-level initialisation of the amplifier and its AD/DA
// interface: the amplifier core's start-up (T3Init) with the operator's
// dialogs around it. The QRN 5+5 device serial number is checked first;
// a failure is offered for "Repeat" in a loop that only the operator ends;
// the calibration date of every board and probe position is reported in
// the notebook with the expiry rule; an outdated QRN 5+5 firmware is
// updated (after a backup of the unit's record, QRN55CalibBackup). The
// loaders of scale and C-fast files that T3Init calls back live here too.
//
// The initialisations report through two out flags, both FALSE on entry:
// failed (the amplifier or interface is not usable) and quit (the program
// has to end: the operator chose the exit button, or the QRN 5+5 has to be
// powered off and on; the caller ends the program).
//
// Alert buttons: the first is the exit text (hidden when empty), the third
// always "Repeat" (the default). Pressing 2 ("Use Last Found" takes the
// device found; "Continue" or "Cancel" after a missing scale or C-fast
// record goes on without it) or 3 are the only answers that do not end
// with quit; any other answer (0 too: no answer) sets failed and quit.
// Main thread only; the loops are modal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Types.h"

namespace Tlv3Init {

inline constexpr int kNameSize = 256;
// Codes of the amplifier core (T3Init::ErrorText).
inline constexpr std::int32_t kNoScaleFile = 3;
inline constexpr std::int32_t kNoCFastFile = 4;
inline constexpr std::int32_t kWrongFileLength = 16;
inline constexpr std::int32_t kFatalUserFunction = 29;

// The AD/DA interface alone. Without offerRetry a failure is written to the
// notebook once and sets failed. Unless failed, the firmware check follows.
void InitializeInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType board, bool allowSecondRack,
                         bool offerRetry, std::span<const char> exitText, bool& failed, bool& quit);
// The whole amplifier start-up with the calibration-date report;
// activeBoardOnly keeps the rack configuration and starts the current board
// only, loadScale loads the scale and C-fast records (LoadScaleFile,
// LoadCFastFile), offerExit shows "Exit" as the first button.
void InitializeAndCheckForLife(T3Types::AmplifierKind kind, bool activeBoardOnly, bool allowSecondRack,
                               bool loadScale, bool offerExit, bool& failed, bool& quit);
// An outdated QRN 5+5 firmware: refused under GLP::Check ("The firmware of
// the QRN 5+5 needs to be updated.", failed and quit); else, after the
// backup, updated; a unit that must be power-cycled sets failed and quit
// after the alert that says so.
void Check_QRN55_Firmware(bool& failed, bool& quit);
// The update itself: the backup (refused: failed), then the update; when
// something was updated or failed, an alert with what was done, and for a
// unit that must be power-cycled "You now have to power the <unitName>
// off,then on again!" and "Mereth will now quit.". Then failed (the
// interface is closed) and quit for the power cycle.
void UpdateQRN55Firmware(std::span<const char> unitName, bool& failed, bool& quit);

// Reads the named file into T3Init::FileBuffer: 0 and the length (0 for an
// empty file) on success, the name then made a full path name. A file that
// cannot be opened: its file error, silently. Longer than the buffer:
// kWrongFileLength, "This is not a SCALE file (file too long): ". Any other
// failure: its file error. Failures other than the open are shown in an
// I/O error alert with the step and the name.
std::int32_t LoadFile(std::span<char> name, std::byte*& buffer, std::int32_t& length);
// LoadFile; with askUser the operator first locates the file ("Find
// "<default scale name>" to load:"), cancelling gives kNoScaleFile.
std::int32_t LoadScaleFile(std::span<char> name, std::byte*& buffer, std::int32_t& length, bool askUser);
// LoadFile; the flag is not used.
std::int32_t LoadCFastFile(std::span<char> name, std::byte*& buffer, std::int32_t& length, bool flag);

// The folder "TlvScreen:" beside the current one becomes the current one,
// when there is a parent.
void SetTlvScreenPath();
// T3AD::SetTlvType.
void SetTlvType(T3Types::AmplifierKind kind, ZRVBase::BoardType board);
// T3Init::FinishInitialization.
void FinishInitialization(bool force, T3Types::BoardVersionLetter letter, std::int32_t firstRackBoards,
                          std::int32_t secondRackBoards);
// Releases everything: sound off, amplifier and interface, board storage.
void Shutdown();
// Tlv3Base, Tlv3Menus and the amplifier core, once at start.
void InitAllModules();

// The retry alert's second button (empty: hidden) and its default button
// (0: none, under GLP::Enforce), by the state of the run (GLP::Enforce,
// T3Base::TesterMode) and the failure.
struct RetryChoice {
  std::string_view second;
  int defaultButton;
};
// Of the interface start: "Use Last Found" for a device mismatch; none
// for the TLV 4 kinds and later; "Cancel" in tester mode; else "Demo"
// mode.
RetryChoice InterfaceRetry(T3Types::AmplifierKind kind, bool mismatch);
// Of the amplifier start-up: under GLP "Continue" only without an exit
// button; "Use Last Found"; "Cancel" in tester mode; "Continue" after a
// missing scale or C-fast record; else "Demo" mode.
RetryChoice StartupRetry(bool offerExit, bool mismatch, bool fileError);

// The device serial number check of a TLV 4 USB or a QRN 5+5 (other kinds
// pass): a stored number must be the connected device's; mismatch when it
// was not found but another was.
bool CheckDeviceNumber(T3Types::AmplifierKind kind, ZRVBase::BoardType board, std::span<char> message,
                       bool& mismatch);
// The operator's choice of the scale file; FALSE when cancelled.
bool LocateScaleFile(std::span<char> name);
// ": " and the date (or " unavailable - should be recalibrated.") to the
// notebook, with the expiry rule; FALSE for a missing or expired date.
bool WriteCalibrationDate(std::span<const char> date);

}  // namespace Tlv3Init
