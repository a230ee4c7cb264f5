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

// Filter 1: in current clamp the index becomes 1 with CCGain 2 or 3, else
// 2. Sends filter and output filter (0/0, 1/2, 2/1, 3/2), records Filter1
// and F1Bandwidth (100 kHz, 30 kHz, 10 kHz; index 3 15 Hz on the 'Y' board,
// else 30 kHz), recomputes ImonBandwidth; outside current clamp also
// BoardState.VCFilter1. An index above 3: error 25, nothing changes.
void SetFilter1(std::int32_t index);

// The monitor multiplexer channel: sent, recorded in Mux, ImonBandwidth
// recomputed.
void SetMux(std::uint8_t channel);

// Only when bit 0 of T3Base::HardwareVersion is set the x64 switch is
// sent; MuxGain is always recorded FALSE, so a replay switches it off.
void SetMuxGain(bool on);

// Only with HasBathSense sent; else on := FALSE. Records BathSense.
void SetBathSense(bool on);

// On the 'Y' board: value clipped to 0..4095, trim switch and DAC sent.
// Elsewhere on := FALSE and value := 0, nothing sent. Records both.
void SetRefGainTrim(bool on, std::int32_t value);

// ImonBandwidth and VmonBandwidth from Mux, Filter1, F1Bandwidth,
// F2Response, F2Frequency and VmonFilter of the live record.
void UpdateBandwidths();

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
