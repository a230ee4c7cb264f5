// The probe selector in front of the amplifier boards: its position and
// its own holding-potential DAC, driven through the older amplifier port
// (VrnlBoards::SendToTlv2Port on the record's SelectorPortChannel). So
// far the per-position records are not exchanged and the selector's
// EEPROM is not read: a position is sent as it is asked for.
//
// Selector words: bits 0-5 the digital output's present bits (kept), bit
// 6 the EEPROM word, bit 7 the DAC words, bits 8-11 the position - 1 or a
// DAC nibble, bits 12-13 the board's low two bits or the nibble number
// (3: load). Words go out only while T3Set::SendToHardware is on.
//
// Ownership: the selector control sets these four when it moves the
// selector; T3Panel::InitModule clears them; the state dump
// (T3Set::WriteState) and the self-tests read them. Main thread only.
#pragma once

#include <cstdint>

namespace T3Selector {

extern std::int32_t SelectorPosition;  // position, counted from 0
extern std::int32_t SelectorBoard;     // board the selector serves, from 0
extern std::int32_t SelectorDacUnits;  // the selector's holding DAC, units
extern bool SelectorEEPROM;            // the selector's EEPROM is connected

// Clips a holding potential to -2.047 V .. 2.048 V.
void ClipSelectorHold(double& volts);
// Positions 1 to T3Base::MaxSelectors: SetPosition; others nothing.
void SetSelector(std::int32_t position);
// Sends the position word for the live record's Board; records
// SelectorPosition (position - 1) and SelectorBoard.
void SetPosition(std::int32_t position);
// While the live record has a selector position: the selector DAC gets
// the holding potential with the pipette offset DAC's share, in units of
// 2048 - 10240 x volts (SelectorDacUnits), three nibbles and a load word.
void SetSelectorVHold(double volts);

}  // namespace T3Selector
