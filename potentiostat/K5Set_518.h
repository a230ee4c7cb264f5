#pragma once

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

// The amplifier's shadow dump (T3Set::WriteState).
void WriteState();
void InitModule();

}  // namespace K5Set_518
