// The probe selector in front of the amplifier boards: its position, its
// own holding-potential DAC and its EEPROM, driven through the older
// amplifier port (VrnlBoards::SendToTlv2Port on the record's
// SelectorPortChannel). A position change also swaps the per-position
// records (T3Select).
//
// Selector words: bits 0-5 the digital output's present bits (kept), bit
// 6 the EEPROM word, bit 7 the DAC words, bits 8-11 the position - 1, a
// DAC nibble or (EEPROM word, bit 11) the EEPROM select line, bits 12-13
// the board's low two bits or the nibble number (3: load). Words go out
// only while T3Set::SendToHardware is on.
//
// The selector's EEPROM holds a text of exactly 12 characters: the
// selector's number (6), its version (1), the boards one selector serves
// (2 digits), "x", the probes (2 digits, at most 16).
//
// Debug output: while the switch file "TlvSelector.On" exists (read with
// the EEPROM), SetPosition writes " ProbeSelector: board = ..., position =
// ..." and the EEPROM reading its blocks and probes; with the T3Set echo
// on every selector word is written with its meaning ("selector_...").
//
// Ownership: the selector control sets these four when it moves the
// selector; T3Panel::InitModule clears them; the state dump
// (T3Set::WriteState) and the self-tests read them. Main thread only.
#pragma once

#include <cstdint>
#include <span>

namespace T3Selector {

extern std::int32_t SelectorPosition;  // position, counted from 0
extern std::int32_t SelectorBoard;     // board the selector serves, from 0
extern std::int32_t SelectorDacUnits;  // the selector's holding DAC, units
extern bool SelectorEEPROM;            // the selector's EEPROM is connected

// Clips a holding potential to -2.047 V .. 2.048 V.
void ClipSelectorHold(double& volts);
// Positions 1 to T3Base::MaxSelectors: T3Select::ActivateSelector, then
// SetPosition; others nothing (TRUE). FALSE, error 28, when the
// position's records could not be stored: the selector is not moved.
bool SetSelector(std::int32_t position);
// Sends the position word for the live record's Board; records
// SelectorPosition (position - 1) and SelectorBoard.
void SetPosition(std::int32_t position);
// Records SelectorEEPROM and sends the EEPROM word for the live board:
// the chip-select procedure of the selector EEPROM's reading.
void SetSelectorEEPROM(bool high);
// While the live record has a selector position: the selector DAC gets
// the holding potential with the pipette offset DAC's share, in units of
// 2048 - 10240 x volts (SelectorDacUnits), three nibbles and a load word.
// A scale record without a pipette-offset law counts as no share.
void SetSelectorVHold(double volts);

// Reads the live board's selector EEPROM (unless GLP::Enforce, the first
// line of "TlvSelector.On" stands in for it): blocks := the boards one
// selector serves, probes := its probe count, the selector's number and
// version into T3Base::SelectorNumber and SelectorVersion. With the
// interface closed and no switch file: TRUE, blocks T3Base::T3Boards and
// probes T3Base::MaxSelectors. FALSE with the message: "Selector EEPROM
// Read Error"; "Empty Selector" (with "-" and the board number + 1 on a
// multi-board TLV 3) " EEPROM" for a text not 12 long; "Faulty Selector
// EEPROM string (1)" no "x" at character 10, "(2)" a board count that is
// no number or 0, "(3)" a probe count that is no number, "(4)" above 16.
bool ReadSelectorEEPROM(std::int32_t& blocks, std::int32_t& probes, std::span<char> message);

// Reads every selector's EEPROM, board by board from board 0: the first
// reading lowers T3Base::MaxSelectors to its probe count, a later one (on
// each board that starts a selector's group of boards) may raise it; with
// selector positions the digital lines are limited (in 13, out 5), and
// each board goes to position 1. The live board is selected again at the
// end. The result is that of the last reading, its message in message.
bool ActivateSelector(std::span<char> message);

}  // namespace T3Selector
