// The amplifier panel: every change of T3Types::State that reaches the
// hardware goes through here, and LoadTheState replays the whole record.
//
// So far the panel holds what the control words and the power-on sequence
// need; the state record's own defaults, derived fields and replay grow
// behind these same procedures.
//
// Ownership: T3Panel owns T3Types::State (see T3Types.h for the few others
// that set single fields). Main thread only.
#pragma once

#include <cstdint>

#include "amplifier/T3Types.h"

namespace T3Panel {

// Zeroes the live record, then: ModelKind 5 (TLV 4 USB), Board 0, ADBoard 3
// (QRN 5+5), BoardVersion 'R', EEPROMKind 0, RefGainTrimOn FALSE; clears
// the probe-selector globals (T3Selector) and applies FillAdcAndDac.
void InitModule();

// The amplifier kind a board letter implies: E F I J O S U 3 (TLV 4),
// G K L M Q 4 (TLV 4 Plus), H N R T Y 5 (TLV 4 USB), any other letter and
// no letter 2 (TLV 3).
T3Types::AmplifierKind KindOfLetter(T3Types::BoardVersionLetter letter);

// The board within its rack of a global board number 0-7: the number less
// T3Base::FirstRackBoards when a second rack exists and the number lies in
// it, else the number itself.
std::int32_t GetBoardToSet(std::int32_t board);

// Gives a record (any, not only the live one) its ModelKind by KindOfLetter
// and its AD/DA channels by its letter, IsTlv3N and Board, within the rack
// T3Base::IsSecondRack names (see FillAdcAndDac in T3Panel.cpp for the
// table). Reads T3Base::MuxAdcMappedToAD7, EmulateTlv3N, MapActiveBoard.
void FillAdcAndDac(T3Types::AmplifierState& state);

// Copies the board facts into the live record: SerialNumber (cut to the
// field), IsTlv3N, ADBoard, T3Boards, BoardVersion, MaxDigBitOut from the
// T3Base globals, the option flags from the bits of
// T3Base::HardwareVersion (3 HasCCFast, 4 HasCCRange0, 5 HasCCRange1,
// 6 HasInternalVmon, 7 HasHighCCGains, 8 HasCCTracking, 9 HasVmonX100,
// 10 HasBathSense, 11 HasF2Source, 12 HasCFastHigh, 14 HasVrefX2), and
// sets BaseFieldsCopied.
void CopyT3BaseFields();

// Sends T3Set::TestDacOut(on) and records TestDacOff := not on.
void SetTestDacOut(bool on);

// Makes TestDacOff equal to off, through SetTestDacOut; sends nothing when
// it already is.
void SetQTestDac(bool off);

// On a tetral rack (IsTetral) and only when on differs from QMuxAdc: sends
// T3Set::QMuxAdc(on) and records it. Elsewhere nothing.
void SetQMuxAdc(bool on);

// Test DAC output back on, multiplexer routing to the AD input off, then
// the queued control words go out (VrnlBoards::FlushCache).
void Flush();

// The board has a reference gain trim: T3Base::BoardVersion is 'Y'. It
// shares the Rs DAC and the Rs switch.
bool HasRefGainTrim();

// The live record back to its defaults, keeping its board, EEPROM kind,
// selector and options. As yet the record is left as it is.
void GetDefaultState();

// Replays the live record to the hardware, then Flush. As yet it flushes
// only.
void LoadTheState();

}  // namespace T3Panel
