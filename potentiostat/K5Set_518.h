#pragma once

// The PK 518: a PK 510 potentiostat board (board 1) sharing the amplifier
// command port with a TLV amplifier board that acts as the second
// amplifier. Before the amplifier board is used, an attached PK 510 is put
// into its power-on state and deselected, so that amplifier words cannot
// reach it; K5Set forwards the second board's selection here in TLV mode.
//
// The amplifier board's side (its select latch, its state record, its
// start-up) goes through the amplifier modules; until they are linked in,
// the procedures that only drive the amplifier board do nothing.
//
// Main thread only.

namespace K5Set_518 {

// Parks the PK 510: opens the AD/DA interface for the current board type
// when it is closed, then sends the PK 510's power-on set-up with its mux
// ADC path off and its select latch at 0xF. Leaves K5Set::SendToHardware
// FALSE. Reports nothing: a failing open shows in the amplifier start-up
// that follows.
void Init_PK510_and_PK518();

// Selects / deselects the amplifier board.
void ActivateTlvBoard();
void InactivateTlvBoard();
// Copies the amplifier's settings into the ring amplifier's PK record.
void CopyT3StateToPKState();
// The amplifier's shadow dump.
void WriteState();
void InitModule();

}  // namespace K5Set_518
