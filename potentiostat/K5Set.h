#pragma once

// The setting layer of the PK potentiostat boards. One or two boards listen
// on the amplifier command port of the AD/DA board: the PK 510 main board
// (board 1, map K5Set_510) and a second amplifier (board 2): a PK 512 board
// (map K5Set_512) or, in the PK 518, a TLV amplifier board driven through the
// amplifier modules (K5Set_518). This module keeps which board receives
// settings, turns register writes into 16-bit command words, keeps each
// board's shadow of what was last written, and offers one procedure per
// hardware function that forwards to the selected board's map.
//
// Command word: bits 8-13 the register address, bits 0-7 the data, bits 14
// and 15 zero (the port layer adds bit 15 where the board type needs it).
// Every board has 64 register addresses; an address above 63 is no register:
// no sender sends a word for it and no shadow access reads or writes it.
//
// Shadows: K5Set_510::SwitchState and K5Set_512::SwitchState, one 16-bit
// entry per address holding the last value written there (a DAC value, a
// latch nibble in bits 0-3, a byte). A setter changes the shadow first and
// then sends, so the shadow changes also while SendToHardware is FALSE.
//
// Modes: with board 2 selected and PKTypes::State.Tlv4Present set ("TLV
// mode") the second amplifier is a TLV board: no PK setter sends anything
// then, and under DebugMode each says so on the console. A function the
// selected board lacks does nothing; with no board selected nothing is sent.
//
// DebugMode echoes every word on the console, tagged by the kind of write
// (upper-case tags while SendToHardware is TRUE, lower-case otherwise).
//
// Main thread only; the shadows, SelectedBoard and both flags are
// process-wide.

#include <array>
#include <cstdint>
#include <span>

namespace K5Set {

inline constexpr unsigned kRegisters = 64;
using Shadow = std::array<std::uint16_t, kRegisters>;

// Chip kinds of a register address.
inline constexpr std::uint8_t KindDac8 = 0;
inline constexpr std::uint8_t KindDac12 = 1;   // A even, B odd; words to even
inline constexpr std::uint8_t KindDac16 = 2;   // strobe; bytes at 44 and 48
inline constexpr std::uint8_t KindSwitch = 3;  // 4-bit latch, pairs share a word
inline constexpr std::uint8_t KindByteLatch = 4;
inline constexpr std::uint8_t KindFree = 5;    // no chip, written like a latch
inline constexpr std::uint8_t KindNone = 6;    // not an address of the board

// The byte latches of the 16-bit DACs.
inline constexpr unsigned LowByteLatch = 44;
inline constexpr unsigned HighByteLatch = 48;

// Boards.
inline constexpr std::uint8_t NoBoard = 0;
inline constexpr std::uint8_t MainBoard = 1;
inline constexpr std::uint8_t SecondBoard = 2;

extern bool DebugMode;       // FALSE at start
extern bool SendToHardware;  // FALSE at start: words computed, not sent
extern std::uint8_t SelectedBoard;

// ---- Conversions: round to the nearest integer, halves away from zero,
// and clip to the range; infinities clip to the ends, NaN gives 0.
std::uint16_t ClipToDac8Range(double x);
std::uint16_t ClipToDac12Range(double x);
std::uint16_t ClipToDac16Range(double x);
// 32768 is 0 V, 3200 codes per volt; NaN volts count as 0 V.
std::uint16_t VoltToDac16(double volts);
double Dac16ToVolt(std::uint16_t code);

// ---- Word senders.
// The command word; the address keeps only its six bits (64 gives 0's).
std::uint16_t CommandWord(unsigned address, unsigned data);
// Echoes the word under DebugMode and sends it to PKTypes::State.CommandPort
// while SendToHardware is TRUE. Nothing for an address above 63.
void SendByte(unsigned address, unsigned data);
// shadow[address] := value; one word.
void SendDAC8(unsigned address, std::uint16_t value, Shadow& shadow);
// shadow[address] := value; to the even address of the pair, three nibble
// words (low nibble first, channel B with 0x40) and the load word.
void SendDAC12(unsigned address, std::uint16_t value, Shadow& shadow);
// shadow[strobe] := value and the two byte latches their bytes; sends the
// low byte, the high byte and the strobe word.
void SendDAC16(unsigned strobe, std::uint16_t value, unsigned lowLatch, unsigned highLatch,
               Shadow& shadow);
// Sends the latch pair holding the address: to its even address, the odd
// latch's nibble in bits 4-7 and the even latch's in bits 0-3.
void SendSwitchValue(unsigned address, Shadow& shadow);

// ---- Board selection and queries.
// Selects the board (0 none, 1 the PK 510, 2 the second amplifier) and tells
// its map; selecting one board does not deselect the other.
void ActiveBoard(std::uint8_t board);
// Deselects the board (1 or 2) on the hardware; SelectedBoard stays.
void DisableBoard(std::uint8_t board);
void EnableMuxAdc(bool on);
void ActivateTlvBoard();
void InactivateTlvBoard();
void CopyT3StateToPKState();
// Chip kind and six-character name of the selected board's address; kind 6
// and "????  " in TLV mode, with no board and above 63.
std::uint8_t IC_Kind(unsigned address);
void IC_Name(unsigned address, std::span<char> text);
// 42 (subtract DAC) for kind 0, 43 (init DAC) for kind 1, else 0.
std::uint8_t Dac16Kind_to_StateIndex(std::uint8_t kind);
// The selected board's shadow entry; 0 in TLV mode, with no board, above 63.
std::uint16_t GetSwitchState(unsigned address);
// Stores into the selected board's shadow without sending.
void SetSwitchState(unsigned address, std::uint16_t value);
// Writes one raw value by the address's kind; FALSE when nothing could be
// written (kind 6, TLV mode, no board). A byte latch leaves its shadow.
bool SendValueToBoard(unsigned address, std::uint16_t value);
// Zeroes the AD/DA DACs, sets the selected PK board up, plays the cache.
void InitHardware();
// Nothing selected, nothing sent, no echo, both shadows zero.
void InitModule();
// Both boards' shadows on the console.
void WriteState();

// ---- Console dumps (the chip names of the selected board).
// "name[aa]vvvvv" and "name[aa] ABCD" (a dash for a clear bit), no line end.
void WriteDac(unsigned address, const Shadow& shadow);
void WriteSwitch(unsigned address, const Shadow& shadow);
// Two items eight blanks apart, or one, each ending its line.
void Write_Dac_Switch(unsigned dacAddress, unsigned switchAddress, const Shadow& shadow);
void Write_Swi_Switch(unsigned switchAddress1, unsigned switchAddress2, const Shadow& shadow);
void Write_Switch____(unsigned address, const Shadow& shadow);
void Write_Dac_______(unsigned address, const Shadow& shadow);

// ---- Hardware functions, forwarded to the selected board's map. DAC
// arguments are codes; selectors outside a map's table set PKTypes::Error
// to 17 and change nothing.
void WorkElectrOffsetDac(std::uint16_t code);
void CoAmpOffsetDac(std::uint16_t code);
void VoltageOffsetDac(std::uint16_t code);  // above 4095 sent as 4095
void IRCompGainDac(std::uint16_t code);
void IRCompOffsetDac(std::uint16_t code);
void CurrentOffsetDac(std::uint16_t code);
void ClampGainDac(std::uint16_t code);
void Feedback(std::uint8_t selector);
void CurrentOutputAmplifierGain(std::uint8_t selector);
void VoltageOutputAmplifierGain(std::uint8_t selector);
void MuxOutPath(std::uint8_t selector);
void TestDacPath(std::uint8_t selector);
void ModelCell(std::uint8_t selector);
void ControlBandwidth(std::uint8_t selector);
void CurrentFilter(std::uint8_t selector);
void VoltageFilter(std::uint8_t selector);
void StimulusFilter(std::uint8_t selector);
void WorkingElectrode(bool on);
void StimInScale(std::uint8_t selector);
void EEPROMSelect(bool on);
void IRCompensationOn(bool on);
void ElectrodeMode(std::uint8_t mode);  // 1 sets the switch
void Remote(bool on);
void Cell(bool on);
void Standby(bool on);
void OpenCellPotential(bool on);
void OCP_GalMode(bool on);
void OCP_RingOn(bool on);
void AmplMode(std::uint8_t mode);  // 1 sets the switches
void VoltageSubtractOn(bool on);
void CurrentSubtractOn(bool on);
void ClampGainOn(bool on);
void StimToCE(bool on);
void RefToWE(bool on);
void SubtractDacValue(std::uint16_t code);
void InitDacValue(std::uint16_t code);
void MuxX100(bool on);
void RefToGround(bool on);
void BoosterActive(bool on);
void MuxChannel(std::uint8_t channel);
void CMR1Dac(std::uint16_t code);
void CMR2Dac(std::uint16_t code);
void MeasuredVoltageOffsetDac(std::uint16_t code);
void OCP_Offset(std::uint16_t code);

}  // namespace K5Set
