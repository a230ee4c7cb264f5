// The amplifier panel: every change of T3Types::State that reaches the
// hardware goes through here, and LoadTheState replays the whole record.
//
// Each control checks and adjusts its argument against the mode and the
// board's options, sends the elements through the T3Set setters and
// records in State the value the hardware really gets (after clipping, DAC
// rounding and linearisation): callers read it back from the record.
//
// Errors. An index outside a control's table, and a calibration that would
// divide by zero (a zeroed scale record), leave T3Error::Error at 25. A bad
// index changes nothing and sends nothing. A compensation whose scale
// entries are zero is switched off (its DACs at 0, its switches open, the
// C-slow DAC at 4080) and records 0; a stimulus or holding control whose
// scale entries are zero sends nothing and keeps its fields. No NaN or
// infinity reaches a DAC or the record.
//
// Tester mode (T3Base::TesterMode, set by the self-tests): the controls
// skip their adjustments to the mode and the board's options.
//
// Ownership: T3Panel owns T3Types::State (see T3Types.h for the few others
// that set single fields) and the per-mode memories of T3Base::BoardState
// (VCFilter1, VCRsFraction, CCRsFraction, F2ResponseSet). It reads and,
// where a control says so, writes the calibration of the selected board in
// T3Scale::Scale. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "amplifier/T3Types.h"

namespace T3Panel {

// ==== Interface =============================================================

// ---- The record ---------------------------------------------------------------

// Zeroes the live record, then: ModelKind 5 (TLV 4 USB), Board 0, ADBoard 3
// (QRN 5+5), BoardVersion 'R', EEPROMKind 0, RefGainTrimOn FALSE; clears
// the probe-selector globals (T3Selector) and applies FillAdcAndDac.
void InitModule();

// Zeroes any record and gives it its defaults (Tag "TLV_v3", voltage clamp,
// gain range 1, gain 1, filter 1 index 2, C-slow 1 pF with 1 uS, Mux 5, the
// stimulus DAC scale rule...), the arguments' fields (VrefX2 and
// HasVrefX2, CFastHigh and HasCFastHigh from the same argument), the board
// facts of T3Base and the scale record's Filter2Law; then FillDerivedFields
// and FillAdcAndDac.
void InitializeState(T3Types::AmplifierState& state, std::uint8_t board,
                     std::uint8_t eepromKind, std::uint8_t selector, bool vrefX2,
                     bool cFastHigh, bool refGainTrimOn);

// Tag, CurrentGain (of Range and Gain), F1Bandwidth (of Filter1),
// StimFilterHz (of StimFilter) and RsTau (of RsOn, RsSlow, Filter1).
void FillDerivedFields(T3Types::AmplifierState& state);

// The amplifier kind a board letter implies: E F I J O S U 3 (TLV 4),
// G K L M Q 4 (TLV 4 Plus), H N R T Y 5 (TLV 4 USB), any other letter and
// no letter 2 (TLV 3).
T3Types::AmplifierKind KindOfLetter(T3Types::BoardVersionLetter letter);

// Gives a record (any, not only the live one) its ModelKind by KindOfLetter
// and its AD/DA channels by its letter, IsTlv3N and Board, within the rack
// T3Base::IsSecondRack names (see FillAdcAndDac in T3Panel.cpp for the
// table). Reads T3Base::MuxAdcMappedToAD7, EmulateTlv3N, MapActiveBoard.
void FillAdcAndDac(T3Types::AmplifierState& state);

// Copies the board facts into the live record: SerialNumber (cut to the
// field), ScaleDate (the scale record's CalibDate), IsTlv3N, ADBoard,
// T3Boards, BoardVersion, MaxDigBitOut from the T3Base globals, the option
// flags from the bits of T3Base::HardwareVersion (3 HasCCFast, 4
// HasCCRange0, 5 HasCCRange1, 6 HasInternalVmon, 7 HasHighCCGains, 8
// HasCCTracking, 9 HasVmonX100, 10 HasBathSense, 11 HasF2Source, 12
// HasCFastHigh, 14 HasVrefX2), and sets BaseFieldsCopied.
void CopyT3BaseFields();

// The live record back to its defaults with InitializeState, keeping its
// Board, EEPROMKind, Selector, VrefX2, CFastHigh and RefGainTrimOn; the
// per-mode memories: VCFilter1 := Filter1, VCRsFraction := RsFraction,
// CCRsFraction := 0.
void GetDefaultState();

// Replays the live record with board selection (SetT3Board(Board)), then
// Flush. The first replay of a record (BaseFieldsCopied FALSE) copies the
// board facts and resets the free, EEPROM and extension lines. Every
// control runs with its own field, in a fixed order; a C-slow range 0 goes
// out as range 2 and then 0. Then the AD board's corrections are refreshed
// and SavedCSlowRange := CSlowRange.
void LoadTheState();

// The same replay without board selection and without the flush: the
// selector control replays with it for a new position.
void ReplayState();

// GetDefaultState keeping the user's settings (holding and offset
// potentials, the C-slow pair, the automatic C-slow's parameters, the
// selector, the ranges chosen, bath sense, and CCGain outside tester
// mode), then LoadTheState.
void Reset();

// Test DAC output back on, multiplexer routing to the AD input off, then
// the queued control words go out (VrnlBoards::FlushCache).
void Flush();

// Sends T3Set::TestDacOut(on) and records TestDacOff := not on.
void SetTestDacOut(bool on);

// Makes TestDacOff equal to off, through SetTestDacOut; sends nothing when
// it already is.
void SetQTestDac(bool off);

// On a tetral rack (IsTetral) and only when on differs from QMuxAdc: sends
// T3Set::QMuxAdc(on) and records it. Elsewhere nothing.
void SetQMuxAdc(bool on);

// ---- Boards ------------------------------------------------------------------

// The board within its rack of a global board number 0-7: the number less
// T3Base::FirstRackBoards when a second rack exists and the number lies in
// it, else the number itself.
std::int32_t GetBoardToSet(std::int32_t board);

// Unless board is T3Base::ActiveBoard or MapActiveBoard is set: the next
// ClippingSkipCount clipping reads are ignored, ActiveBoard := board.
void StartClippingSkipCount(std::int32_t board);

// Latches a board on the amplifier bus without exchanging records: the
// queued words of the old board go out first; IsSecondRack follows the
// board (8, no board: FALSE); EmulateTlv3N latches rack board 0.
void SetT3BoardLatch(std::int32_t board);

// Selects a board: 8 latches none and changes nothing else; a board at or
// above T3Base::T3Boards is ignored. Leaving another board restores its
// test-DAC and multiplexer routing first; the board is latched, the
// rack's serial number (when known) becomes T3Base::SerialNumber, and the
// board's records come in through T3Select::ActivateBoard (a new board:
// default scale, state, board state and automatic functions' state). Then
// the board is latched again, IsTetral follows the rack while the
// interface is open, and the multiplexer input is mapped (MapMuxAdc, off
// on a tetral rack). With T3Base::EmulateTlv3N the state is replayed
// without board selection. When the old board's records could not be
// stored (no memory): error 27, the old board is latched again and stays
// the live one. The hardware follows the records only with a replay
// (LoadTheState).
void SetT3Board(std::int32_t board);

// The boards of the present rack: SecondRackBoards in the second rack,
// else FirstRackBoards.
std::int32_t GetActiveT3Boards();
// The present rack is a four-board tetral rack: TetralRack2 in the second
// rack, else TetralRack1.
bool IsTetral();
// On (only with T3Base::AmplKind 5, TLV 4 USB; else off) the interface's
// multiplexed monitor input reads on AD 7 (and 15 in a second rack):
// T3Base::MuxAdcMappedToAD7 and QRN55Interface::MapMuxAdc follow; then
// FillAdcAndDac(State).
void MapMuxAdc(bool on);
// Before the amplifier EEPROM is read: a Board above 7 becomes 0, and
// that board is latched.
void InitEEPROMReadPort();

// Moves the live board's probe selector to position 1 to
// T3Base::MaxSelectors (with its own records, T3Selector::SetSelector);
// any other position: from a position back to 1 on the hardware, and
// Selector := 0. When the position changed the channels are filled again,
// the state replayed without board selection and the multiplexer channel
// kept. When the position's records could not be stored: error 28,
// Selector and the selector stay.
void SetSelector(std::int32_t position);

// Reads and clears the interface's clipping flags (ZRV::ReadClippingAndClear)
// and gives T3Base::ClippingSet, bit i for board i. For the
// T3Base::ClippingSkipCount reads after a real board switch the flags are
// dropped and the previous set is given. On the QRN 2400 and the QRN 5+5
// each board with a state record gets its Clipping from its rack's flag
// (QRN 2400: mapped rack board 3 flag 1, 2 flag 3, 1 flag 2, 0 flag 0,
// second rack + 4; QRN 5+5: the mapped rack board, second rack + 4); on the
// ZRV boards the one flag is the live board's.
std::uint16_t ReadClipping();
// ReadClipping, then the live board's Clipping.
bool IsClipping();

// The board has a reference gain trim: T3Base::BoardVersion is 'Y'. It
// shares the Rs DAC and the Rs switch.
bool HasRefGainTrim();

// ---- Gain range, gain, filters and monitors ------------------------------------

// Gain range 0-2 with its scale entry's DACs and switches, the probe
// resistor sent with the Rs compensation off around it, and the
// compensations, the current-clamp offset and (outside current clamp) the
// holding potential sent again. Outside tester mode: 2 becomes 1 in current
// clamp, and is refused (the present range kept, a present 2 becoming 1)
// with the high C-fast range on a board without the trim; 0 becomes 1 in
// current clamp without HasHighCCGains. Any other value: 25.
void SetRange(std::int32_t range);
// Sends the probe offset DAC and stores the value in the present range's
// scale entry.
void SetProbeOffset(std::int32_t value);
// Output gain index 0-5 (factor 1, 2, 4, 10, 20, 40); CurrentGain follows.
void SetGain(std::int32_t index);
// The gain factor of the index times the range's scale Gain; bad indexes:
// 25 and 0.
double GetCurrentGain(std::int32_t range, std::int32_t gain);

// Filter 1: in current clamp the index becomes 1 with CCGain 2 or 3, else
// 2. Sends filter and output filter (0/0, 1/2, 2/1, 3/2), records Filter1
// and F1Bandwidth (100 kHz, 30 kHz, 10 kHz; index 3 15 Hz on the 'Y' board,
// else 30 kHz), recomputes ImonBandwidth; outside current clamp also
// BoardState.VCFilter1. An index above 3: error 25, nothing changes.
void SetFilter1(std::int32_t index);

// Filter 2 source 0-2 with its offset DAC (F2OffsetDac[1] for 2, else [0]).
void SetF2Source(std::int32_t source);
// Filter 2 corner in Hz: the DAC law runs while filter 2 feeds the current
// monitor; F2Frequency records what the DACs give.
void SetF2Frequency(double hz);
// Filter 2 response 0-4 (3 and 4 filter the voltage monitor where the
// board has the source selection and the extended range).
void SetF2Response(std::int32_t response);
// The voltage monitor's filter corner, through filter 2 when it filters
// the voltage monitor.
void SetVmonFilter(double hz);
// Filter 2's corner for a wanted current-monitor bandwidth behind filter 1:
// at or above F1Bandwidth filter 2 opens (1 MHz; 100 Hz behind the 'Y'
// board's 15 Hz filter), below 100 Hz it is 100 Hz, response 2 gives 0.
void SetF2Bandwidth(double hz);
// The filter 2 DAC law: hz raised to 100, turned into the two DAC parts of
// the response's F2Var entry (responses 0 and 3 entry 0, 1 and 4 entry 1,
// any other: nothing sent, hz unchanged); hz := the corner they give.
void SetFilter2Dacs(double& hz, std::int32_t response);

// Only with HasVmonX100 sent, else on := FALSE; records VmonX100 and the
// voltage-monitor factor and offset.
void SetVmonX100(bool on);

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

// On: the stimulus goes through filter 2 to the multiplexer's channel 11
// (the filter tests); off: stimulus scale and filter, filter 2 source and
// Mux 5 from the record. Then filter 1 and the wanted bandwidth again.
void SetExternalFilterPath(bool on);

// The scale record's MuxAdcOffset, negated.
std::int32_t GetMuxAdcOffset();

// ImonBandwidth and VmonBandwidth from Mux, Filter1, F1Bandwidth,
// F2Response, F2Frequency and VmonFilter of the live record.
void UpdateBandwidths();

// ---- Compensations ------------------------------------------------------------

// Only with HasCFastHigh sent (forced on by T3Base::ForceCFastHigh), else
// on := FALSE. Records CFastHigh.
void SetCFastHigh(bool on);
// Only with HasCFastHigh: the other C-fast range, the total C-fast and the
// C-slow range re-applied.
void ToggleCFastRange();
// The C-fast components, linearised; record the quantised value.
void SetCFast1(double farad);
void SetCFast2(double farad);
// The first of the 16 tau steps not below tau (the last above all).
void SetCFastTau(double seconds);
// tau x c2 / (c1 + c2); 0 when c1 + c2 is 0 or less.
double GetCFastTauReal(double c1, double c2, double tau);
// Splits the total C-fast and picks the tau step for an effective tau.
void SetCFastTauReal(double seconds);
// The total C-fast (at most 200 pF in the high range, 15.9 pF without),
// split as the components are; a quantisation shortfall is made up once.
void SetCFastTot(double farad);

// C-slow range 0-3 (0 off). Outside tester mode 1 and 2 become 3 with the
// high C-fast range or the extended stimulus range on, 3 becomes 2 in gain
// range 2. C-slow and G-series follow.
void SetCSlowRange(std::int32_t range);
void SetCSlow(double farad);
// At most CSlow / 5 us.
void SetGSeries(double siemens);
// The smallest C-slow of a range and the largest G-series that goes with
// it; outside 1-3 (and for a range without calibration) 0 and the largest
// single.
void MinimumCSlow(std::int32_t range, double& cMin, double& gMax);
double RealCSlowRange();
// 1000 x the test injection capacitance of TestRange.
double RealTestGain();

// Rs compensation: never on the 'Y' board or in gain range 2.
void SetRsOn(bool on);
void SetRsValue(double ohm);
void SetRsFraction(double fraction);
// SetRsCorrection(fraction, RsComp, RsCorrectionMode).
void SetRsComp(double fraction);
void SetRsCorrection(double fraction, double a, bool mode);
void SetRsSlow(bool on);
// 0 below 1 us, 3 below 3 us, 4 below 6 us, 2 below 11 us, else 1.
std::int32_t GetRsMode(double tau);
// Rs mode 0-4: Rs on, speed, filter 1 and fraction limit by the table;
// above 4: 25, nothing changes.
void SetRsMode(std::int32_t mode);
void SetGLeak(double siemens);

// ---- Stimulus, holding and test paths -------------------------------------------

// Holding potential on the stimulus DAC (through T3AD::SetDac), passed on to
// the probe selector; outside current clamp clipped for a selector position
// and recorded as the DAC quantises it, in current clamp only recorded.
void SetVHold(double volts);
void SetVpOffset(double volts);
void SetVLiquidJunction(double volts);
// External stimulus scale, -10..10 (applied outside current clamp);
// returns ExtStimPath.
std::int32_t SetStimScale(double scale);
// 0 or 1; sent outside current clamp; records StimFilter and StimFilterHz.
void SetStimFilter(std::int32_t index);
double Get_VrefX2_Factor(bool on);
// The extended stimulus range (only with HasVrefX2); the Rs value is sent
// before switching it on and after switching it off.
void SetVrefX2(bool on);
// Flips the extended range (the C-fast range following it) and, with the
// interface open, reloads the calibration for it with reload. A failed
// reload puts the scale record, the C-fast table and the record back and
// replays them: FALSE. Else the new state is replayed: TRUE. Without
// HasVrefX2: TRUE, nothing changes.
using ReloadProc = bool (*)();
bool ToggleVrefX2(ReloadProc reload);
std::int32_t GetExtStimPath();
// Path 0 none, 1 the test DAC (TLV 3N only), 2 the scaled external
// stimulus; other paths count as 0. Returns ExtStimPath.
std::int32_t SetExtStimPath(double scale, std::int32_t path);
// Test integrator range 0, 2 or 3 (applied in test mode only; elsewhere the
// integrator is off and the request, at most 3, recorded).
void SetTestRange(std::int32_t range);
// Route of the test DAC 0-4; above 4: 25, nothing sent.
void SetTestDacPath(std::int32_t path);
std::int32_t GetStimDacOffset();
// The scale record's CCStimScale[CCRange], x 100 in gain range 0.
double GetCCStimScale();

// ---- Modes and current clamp ----------------------------------------------------

// 0 test, 1 voltage clamp, 2 current clamp, each mode with its own Rs
// fraction and (voltage clamp) filter 1. Modes 1 and 2 end with Flush and
// return 0; mode 0 returns ExtStimPath unflushed. Above 2: 25, nothing
// changes, 0.
std::int32_t SetMode(std::int32_t mode);
void SetCCRange(std::int32_t range, bool withHold);
void SetCCGain(std::int32_t gain);
std::int32_t SetCCStimScale(double scale);
void SetCCIHold(double ampere);
void SetCCCFast(bool on);
void SetCCSpeed(std::int32_t speed);
// Clipped to +-0.2047 V, in steps of 0.1 mV (only with HasCCTracking).
void SetCCTrackHold(double volts);
void SetCCTrackTau(std::int32_t index);
// Sends the current-clamp offset DAC and stores the value for CCGain.
void SetCCOffset(std::int32_t value);

// The words of a switch from current to voltage clamp (VC) or back (CC),
// placed into buffer[0, length) so that the switch happens at sample
// offset; the rest of the buffer holds the command port's rest word. The
// words are never sent; the record and the switch shadow say what the
// switch will set, Mode the mode before it. FALSE with a message (and
// nothing sent, nothing changed) when a precondition fails or the words do
// not fit: "Switch offset too small.", "Stimulus too long." (also for a
// length beyond the buffer).
bool MakeVCModeSwitchTemplate(std::span<std::uint16_t> buffer, std::int32_t offset,
                              std::int32_t length, std::span<char> message);
bool MakeCCModeSwitchTemplate(std::span<std::uint16_t> buffer, std::int32_t offset,
                              std::int32_t length, std::span<char> message);

}  // namespace T3Panel
