#pragma once

// The register map of the PK 510, the main potentiostat board (board 1):
// which chip sits at each of its 64 addresses, which latch bits carry each
// hardware function, and its power-on set-up. Every setter changes its
// shadow bits first and then sends each latch (or DAC) it changed, in a
// fixed order, through K5Set's word senders; whether words reach the
// hardware is K5Set::SendToHardware's decision. A selector outside its
// table sets PKTypes::Error to 17 and changes and sends nothing.
//
// Address 14 is this board's select latch (0xE selects, 0xF deselects); the
// PK 510 takes words to it whether selected or not. Address 12, the PK 512's
// select latch, is a free address here, set to 0xF at power-on.
//
// Main thread only.

#include <cstdint>
#include <span>

#include "potentiostat/K5Set.h"

namespace K5Set_510 {

extern K5Set::Shadow SwitchState;

inline constexpr unsigned SelectLatch = 14;

// Chip kind and six-character name of an address (6 and "????  " above 63).
std::uint8_t IC_Kind(unsigned address);
void IC_Name(unsigned address, std::span<char> text);

std::uint16_t GetSwitchState(unsigned address);
void SetSwitchState(unsigned address, std::uint16_t value);
bool SendValueToBoard(unsigned address, std::uint16_t value);

// Select latch: 0xE for board 1, 0xF for any other; logged.
void ActiveBoard(std::uint8_t board);
// Latch 35 bit 3 := NOT on.
void EnableMuxAdc(bool on);

void WorkElectrOffsetDac(std::uint16_t code);  // DAC12 17
void CoAmpOffsetDac(std::uint16_t code);       // DAC12 18
void VoltageOffsetDac(std::uint16_t code);     // DAC12 19
void IRCompGainDac(std::uint16_t code);        // DAC12 20
void IRCompOffsetDac(std::uint16_t code);      // DAC12 22
void CurrentOffsetDac(std::uint16_t code);     // DAC12 23
void ClampGainDac(std::uint16_t code);         // DAC8 55
void SubtractDacValue(std::uint16_t code);     // route 0, DAC16 42
void InitDacValue(std::uint16_t code);         // route 1, DAC16 43

void Feedback(std::uint8_t selector);                    // 0-2
void CurrentOutputAmplifierGain(std::uint8_t selector);  // 0-3
void VoltageOutputAmplifierGain(std::uint8_t selector);  // 0-3
void MuxOutPath(std::uint8_t selector);                  // 0-2
void TestDacPath(std::uint8_t selector);                 // 0-2
void ModelCell(std::uint8_t selector);                   // 0-3
void ControlBandwidth(std::uint8_t selector);            // 0-7
void CurrentFilter(std::uint8_t selector);               // 0-6
void VoltageFilter(std::uint8_t selector);               // 0-6
void StimulusFilter(std::uint8_t selector);              // 0-7
void StimInScale(std::uint8_t selector);                 // 0-3

void WorkingElectrode(bool on);
void EEPROMSelect(bool on);
void IRCompensationOn(bool on);
void ElectrodeMode(std::uint8_t mode);  // 1 sets the switch
void Remote(bool on);
void Cell(bool on);
void Standby(bool on);
void OpenCellPotential(bool on);
void OCP_RingOn(bool on);
void VoltageSubtractOn(bool on);
void CurrentSubtractOn(bool on);
void ClampGainOn(bool on);
void StimToCE(bool on);
void RefToWE(bool on);      // inverted
void MuxX100(bool on);
void RefToGround(bool on);  // inverted
void BoosterActive(bool on);  // inverted
void AmplMode(std::uint8_t mode);  // 1 sets latch 33 bit 3 and 27 bit 1
void MuxChannel(std::uint8_t channel);  // latch 41 := channel AND 0xF

// Power-on set-up: DACs of the AD/DA board zeroed, the board selected, free
// addresses cleared, every function to its default, the cache played.
void InitHardware();
// Shadow zeroed.
void InitModule();
// The shadow as DAC/switch lines on the console (names of the selected
// board: K5Set::WriteState selects this one first).
void WriteState();

}  // namespace K5Set_510
