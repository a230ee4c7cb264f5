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

#include "potentiostat/K5Map.h"
#include "potentiostat/K5Set.h"

namespace K5Set_510 {

extern K5Set::Shadow SwitchState;
// The chip table and shadow of this board, with the functions the PK 512
// has at the same place (K5Map::Board).
extern const K5Map::Board Board;

inline constexpr unsigned SelectLatch = 14;

// Select latch: 0xE for board 1, 0xF for any other; logged.
void ActiveBoard(std::uint8_t board);

void CoAmpOffsetDac(std::uint16_t code);   // DAC12 18
void IRCompGainDac(std::uint16_t code);    // DAC12 20
void IRCompOffsetDac(std::uint16_t code);  // DAC12 22
void ClampGainDac(std::uint16_t code);     // DAC8 55

void CurrentOutputAmplifierGain(std::uint8_t selector);  // 0-3
void VoltageOutputAmplifierGain(std::uint8_t selector);  // 0-3
void ModelCell(std::uint8_t selector);                   // 0-3
void ControlBandwidth(std::uint8_t selector);            // 0-7

void IRCompensationOn(bool on);
void ElectrodeMode(std::uint8_t mode);  // 1 sets the switch
void Cell(bool on);
void Standby(bool on);
void OpenCellPotential(bool on);
void OCP_RingOn(bool on);
void ClampGainOn(bool on);
void StimToCE(bool on);
void RefToWE(bool on);        // inverted
void RefToGround(bool on);    // inverted
void BoosterActive(bool on);  // inverted
void AmplMode(std::uint8_t mode);  // 1 sets latch 33 bit 3 and 27 bit 1

// Power-on set-up: DACs of the AD/DA board zeroed, the board selected, free
// addresses cleared, every function to its default, the cache played.
void InitHardware();
// Shadow zeroed.
void InitModule();
// The shadow as DAC/switch lines on the console (names of the selected
// board: K5Set::WriteState selects this one first).
void WriteState();

}  // namespace K5Set_510
