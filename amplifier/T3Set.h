// The amplifier board's elements and the control words that set them.
//
// The board has no bus of its own: every setting is a 16-bit control word
// (bits 0-7 data, 8-13 element address, 14 strobe, 15 port select) played
// on the AD/DA board's command port through T3AD::SendByte and the command
// cache of VrnlBoards. Elements by address: 0-13 8-bit DACs, 14-23 five
// dual 12-bit DACs (channel A even, B odd) loaded in nibbles, 24-46 4-bit
// switch latches sent in pairs, 47 the free latch.
//
// Every setter first changes SwitchState and then sends what it changed;
// the value given is recorded whole, the word carries the element's bits.
// Setters whose wiring depends on the board revision read the letter
// T3Base::BoardVersion; the reference-gain-trim board (T3Panel::
// HasRefGainTrim, letter 'Y') shares the Rs DAC and the Rs switch.
//
// Ownership: T3Set owns SwitchState, SendToHardware and DebugWrite. Only
// the setters change SwitchState, except the board storage, which saves and
// restores it whole per board and selector position. The interface
// initialisation sets SendToHardware when it opens the AD/DA board. With
// SendToHardware off (or the interface closed) the settings are computed
// and recorded but nothing reaches the board. Main thread only.
//
// Echo: while DebugWrite is on (the switch "T3Debug.On" exists and its
// first line holds no number of 1 or more), each word sent writes a console
// line: a label of 11 characters ("  DAC8     ", "  DAC12    ",
// "  SWITCH   ", in lower case while SendToHardware is off), the word's 16
// bits and three blanks, then the element's text (DacToString or
// SwitchToString). A 12-bit DAC's four words are four lines, the label and
// the element's text on the first only.
#pragma once

#include <cstdint>
#include <span>

#include "amplifier/T3Types.h"

namespace T3Set {

// ==== Interface =============================================================

extern T3Types::SwitchShadow SwitchState;
extern bool SendToHardware;  // FALSE until the interface is open
extern bool DebugWrite;

// Both flags FALSE, DebugWrite from "T3Debug.On", the shadow zeroed.
void InitModule();

// ---- Encoding ----------------------------------------------------------------

// Word bits 0-13: ((address x 256) and 0x3FFF) or (data and 0xFF).
std::uint16_t ByteToSend(std::int32_t address, std::int32_t data);
// 0 the 8-bit DACs (0-13), 1 the 12-bit DACs (14-23), 2 the latches (24-46),
// 3 the free latch (47), 4 any other address.
std::int32_t IC_Kind(std::int32_t address);
// name := the element's name on the board (five characters, "???? " for an
// address outside 0-47).
void IC_Name(std::int32_t address, std::span<char> name);

// Setting and sending single elements. Addresses outside 0-47 are ignored
// (no element, nothing sent).
// One word (address, value); the shadow keeps value.
void SendDAC8(std::int32_t address, std::int32_t value);
// address 14-23: the four words of the 12-bit protocol to the even address
// of the pair: three nibbles, low first, as data nibble + 0x40 for channel
// B + 16 x nibble index, then the load word 0x30 (0x70 for channel B).
void SendDAC12(std::int32_t address, std::int32_t value);
// The word for the latch pair of the address: address bits the even
// address, data the odd latch's state x 16 + the even latch's state.
std::uint16_t SwitchValueToSend(std::int32_t address);
// Sends the pair's data byte with the address bits of the address itself.
void SendSwitchValue(std::int32_t address);
// Bit 0-3 of the latch's shadow; sends nothing.
void Set1Switch(std::int32_t address, std::int32_t bit, bool on);
// The latch's shadow := value and 0xF; sends nothing.
void Set4Switches(std::int32_t address, std::int32_t value);

// Texts of the state dump and the echo.
// text := name, "[", address in 2, "]", shadow value in 5.
void DacToString(std::int32_t address, std::span<char> text);
// text := name, "[", address in 2, "]", " ----" with the dashes of the set
// bits 0-3 replaced by "A", "B", "C", "D".
void SwitchToString(std::int32_t address, std::span<char> text);
// Those texts on the console, the line left open.
void WriteDac(std::int32_t address);
void WriteSwitch(std::int32_t address);

// ---- Element setters ---------------------------------------------------------
// Each sends its latch (or latches, in the order given) after changing it.

// 8-bit DACs.
void TFastDacs(std::int32_t a, std::int32_t b);      // 1 := a, then 0 := b
void TSlowDacs(std::int32_t a, std::int32_t b);      // 3 := a, then 2 := b
void StimScaleDacs(std::int32_t a, std::int32_t b);  // 4 := a, then 5 := b
void F2OffsetDac(std::int32_t value);                // 6
void CSlowFractionDac(std::int32_t value);           // 7
void CFastAmp2Dac(std::int32_t value);               // 8
void CFastAmp1Dac(std::int32_t value);               // 9
void F2Part1Dacs(std::int32_t value);                // 10 and 11
void F2Part2Dacs(std::int32_t value);                // 12 and 13

// 12-bit DACs.
void CCTrackDac(std::int32_t value);      // 14
void CCOffsetDac(std::int32_t value);     // 15
void VpOffsetDac(std::int32_t value);     // 16
void ProbeOffsetDac(std::int32_t value);  // 17
void HFCompDac(std::int32_t value);       // 18
void GainTrimDac(std::int32_t value);     // 19
void CSlowDac(std::int32_t value);        // 20
void GSeriesDac(std::int32_t value);      // 21
void GLeakDac(std::int32_t value);        // 22
void RsCompDac(std::int32_t value);       // 23; nothing on the trim board
void RefGainTrimDac(std::int32_t value);  // 23; on the trim board only

// Latch 24. CCScale: letter 'A', 'B', 'P': latch 32 bit 3 := f bit 1 (sent),
// latch 33 bit 0 := f bit 0 (sent); 'C', 'Z' and no letter: nothing; 'D':
// latch 24 bit 0 := f bit 0; any other letter: latch 24 bit 0 := not f bit 0.
void CCScale(std::int32_t f);
void ExtCCStim(bool on);     // bit 1
// Bit 2, written inverted when State.EEPROMKind is 2 (the large EEPROM's
// select is active low).
void EEPROMSelect(bool on);
// Current clamp on or off: latch 33 bits 1 := not on, 3 := on; on letters
// other than 'A', 'B', 'C', 'D', 'P', 'Z' latch 24 bit 3 := on; latch 40
// bit 1 := not on. The circuit's activation (latch 32 bit 3 := on, inverted
// on 'A', 'B', 'P') comes after latch 33 when entering and before it when
// leaving.
void CCMode(bool on);

void CCTrackTau(std::int32_t n);  // latch 25 := 14, 12, 8, 13, 9 for n 1-5, else 0
void TestDacToProbeOut(bool on);  // latch 26 bit 0 := not on, bit 1 := on
void TRangeSwitches(std::int32_t f);  // latch 26 bits 2, 3 := f bits 0, 1
void HFCompSwitches(std::int32_t f);  // latch 27 bits 0, 1 := f bits 0, 1
void TestDacToOutputAmp(bool on);     // latch 27 bit 2 := not on, bit 3 := on
void Filter1(std::int32_t n);         // latch 28 := bit n (none for n outside 0-3)
void BathSense(bool on);              // latch 29 bit 0 := not on
void F2ImonBypass(bool on);           // latch 29 bit 1
void CFastHigh(bool on);              // latch 29 bit 2
void VrefX2(bool on);                 // latch 29 bit 3
void OutputFilter(std::int32_t f);    // latch 30 bits 0, 1 := f bits 0, 1
void TestDacOutAmpShunt(bool on);     // latch 30 bit 3
// gain 1, 2, 4, 10, 20, 40: latch 31 bits 0-1 and latch 30 bit 2 (sent 30,
// then 31); any other gain: T3Error::Error := 25 and nothing changes.
void OutputAmpGain(std::int32_t gain);
// Latch 31 bits 2, 3 := first, second; latch 44 bit 2 := third; sent 31,
// then 44.
void Filter2Source(bool first, bool second, bool third);
// Latch 32 bit 0 := (n = 2), bit 1 := (n = 1), bit 2 := (n = 0).
void StimSource(std::int32_t n);
void VmonX100(bool on);     // latch 33 bit 0
void CCFastSpeed(bool on);  // latch 33 bit 0 := not on; letters 'C', 'D' only
void StimFilter(bool on);   // latch 33 bit 2
// Latch 34 := n and 0xF, latch 35 bit 0 := n bit 4; sent 34, then 35.
void CSlowSwitches(std::int32_t n);
void GSeriesSwitches(std::int32_t f);    // latch 35 bits 1-3 := f bits 0-2
void CFastTau2Switches(std::int32_t n);  // latch 36 := n
void CFastAmp2Switches(std::int32_t n);  // latch 37 := n
void GLeakSwitch(bool on);               // latch 38 bit 0
void RsCompOn(bool on);                  // latch 38 bit 1; nothing on the trim board
void RefGainTrimOn(bool on);             // latch 38 bit 1; on the trim board only
void RsCompSwitch(bool on);              // latch 38 bit 2
void RsCompSlow(bool on);                // latch 38 bit 3
void Filter2HighQ(bool on);              // latch 39 bit 0
void MuxGainx64(bool on);                // latch 39 bit 1
void TestIntegratorSource(std::int32_t f);  // latch 39 bits 2, 3 := f bits 0, 1
void ProbeSpeed(bool on);                   // latch 40 bit 0
void ProbeResistor(std::int32_t f);         // latch 40 bits 2, 3 := f bits 0, 1
void MuxChannel(std::int32_t n);            // latch 41 := n
// Latch 42 bits 0, 1 := f bits 0, 1, latch 43 bit 3 := f bit 2; sent 42,
// then 43.
void CSlowInjCaps(std::int32_t f);
void TestIntInjCaps(std::int32_t f);     // latch 42 bits 2, 3 := f bits 0, 1
void CFastAmp1Switches(std::int32_t f);  // latch 43 bits 0-2 := f bits 0-2
void LowGainCClamp(bool on);             // latch 44 bit 0
void GentleSwitch(bool on);              // latch 44 bit 1
void TestDacOut(bool on);                // latch 45 bit 0
// Latch 45 bit 1 := not on, bit 3 := on. Bit 3 is also EEPROMDataPath's:
// the board latch decides which device the EEPROM lines reach.
void ExtensionEEPROMSelect(bool on);
void QMuxAdc(bool on);         // latch 45 bit 2 := not on
void EEPROMDataPath(bool on);  // latch 45 bit 3
// Latch 46 := bit b for boards 0-3, 0 (no board) for any other b; then the
// log line "T3Set: T3BoardLatch: " with b.
void T3BoardLatch(std::int32_t b);
void InitFree();  // latch 47 := 0

// ---- Power-on and dump ---------------------------------------------------------

// The power-on sequence: the DACs zeroed; the EEPROM deselected and its
// data path off; the current-clamp circuit off; the default panel state
// replayed and played; then the trims, time constants and filter 2 at
// their start values, VrefX2 as T3Base::ForceVrefX2 and the high C-fast
// range when T3Base::ForceCFastHigh is set.
void InitHardware();
// An empty line; per address i of 0-23 the DAC text of i, eight blanks and
// the switch text of i + 24; with a probe selector (T3Base::MaxSelectors >
// 0) the line "Selector_pos= " ... from the T3Selector globals.
void WriteState();

}  // namespace T3Set
