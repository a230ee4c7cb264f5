#pragma once

#include <cstdint>
#include <span>

// The PK 518: a PK 510 potentiostat board (board 1) sharing the amplifier
// command port with a TLV amplifier board that acts as the second
// amplifier. Before the amplifier board is used, an attached PK 510 is put
// into its power-on state and deselected, so that amplifier words cannot
// reach it; K5Set forwards the second board's selection here in TLV mode.
//
// The amplifier board itself is driven through the amplifier modules (its
// elements by T3Set, its selection by T3Panel, its record T3Types::State);
// the ring amplifier's PK record (K5Panel::GetRingStatePtr) mirrors what the
// PK side needs of it.
//
// Main thread only.

namespace K5Set_518 {

// Parks the PK 510: opens the AD/DA interface for the current board type
// when it is closed; deselects the amplifier board; sends the PK 510's
// power-on set-up with its mux ADC path off and its select latch at 0xF;
// selects the amplifier board again. Leaves K5Set::SendToHardware FALSE and
// T3Set::SendToHardware TRUE. Reports nothing: a failing open shows in the
// amplifier start-up that follows.
void Init_PK510_and_PK518();

// The start-up of the paired amplifier board (the TLV 4 USB) as the ring
// amplifier: T3Base::MapActiveBoard set (and left set); the amplifier
// start-up on the selected board alone, without a second rack or trigger
// probe, its records not taken from files (the file loaders report the
// scale and C-fast files missing, 3 and 4, so the EEPROM or the defaults
// serve); the first "TLV3" of versionText becomes "PK518" within the text's
// capacity; the boards finished with the start-up's letter and rack counts;
// current-clamp gain 1 and multiplexer 5; then InitializePKState and
// CopyT3StateToPKState. Returns the start-up's result code (0 no error);
// firstError and lastError as T3Init::DoInitializeAndCheckForLife leaves
// them.
std::int32_t InitializeAndCheckForLife(std::span<char> versionText, std::int32_t& firstError,
                                       std::int32_t& lastError);

// Selects the amplifier record's board / deselects every amplifier board.
void ActivateTlvBoard();
void InactivateTlvBoard();

// The ring amplifier's PK record for the paired configuration: the
// amplifier's serial number (8 characters), its AD/DA channels and its
// command and digital input ports; cell on, remote, a ring amplifier, no
// booster, no fixed stimulus DAC, IR compensation and manual standby off,
// SharedReal1 and IRCompValue 0.
void InitializePKState();
// Copies the amplifier's settings into the ring amplifier's PK record:
// cell mode (open-cell potential kept, anything else cell on), amplifier
// mode, stimulus scale, electrode mode, holding potential and current,
// current gain, the three bandwidths and the clipping flag; subtraction off.
void CopyT3StateToPKState();

// The amplifier board's clipping indicator, read (and cleared) now
// (T3Panel::IsClipping).
bool Clipping();

// The amplifier's shadow dump (T3Set::WriteState).
void WriteState();
// The amplifier's shut-down (T3Init::Shutdown): its boards to voltage
// clamp, then the AD/DA layer down.
void Shutdown();
// At program start, with the interface closed: the amplifier modules'
// start (T3Init::InitAllModules).
void InitModule();

}  // namespace K5Set_518
