#pragma once

// The register map of the PK 512, the second-amplifier board (board 2 when
// the second amplifier is not a TLV board). Same scheme as the PK 510
// (K5Set_510.h): shadow bits first, then each changed latch or DAC sent in a
// fixed order; a selector outside its table sets PKTypes::Error to 17 and
// changes and sends nothing. It lacks the PK 510's counter-amplifier,
// IR-compensation, clamp-gain, bandwidth, cell and booster functions and adds
// two common-mode-rejection DACs, a measured-voltage offset DAC, an
// open-cell-potential offset DAC and a galvanostatic open-cell mode.
//
// Address 12 is this board's select latch (0xE selects, 0xF deselects);
// address 14, the PK 510's select latch, is a free address here, set to 0xF
// at power-on.
//
// Main thread only.

#include <cstdint>

#include "potentiostat/K5Map.h"
#include "potentiostat/K5Set.h"

namespace K5Set_512 {

extern K5Set::Shadow SwitchState;
// The chip table and shadow of this board, with the functions the PK 510
// has at the same place (K5Map::Board).
extern const K5Map::Board Board;

inline constexpr unsigned SelectLatch = 12;

// Select latch: 0xE for board 2, 0xF for any other; logged.
void ActiveBoard(std::uint8_t board);

void CMR1Dac(std::uint16_t code);                   // DAC12 16
void MeasuredVoltageOffsetDac(std::uint16_t code);  // DAC12 18
void CMR2Dac(std::uint16_t code);                   // DAC12 22
void OCP_Offset(std::uint16_t code);                // DAC8 28

void CurrentOutputAmplifierGain(std::uint8_t selector);  // 0-3
void VoltageOutputAmplifierGain(std::uint8_t selector);  // 0-3
void ModelCell(std::uint8_t selector);                   // 0-4

// Both drive latch 27 bit 3 (bit 0 of that latch has no setter).
void OpenCellPotential(bool on);
void OCP_GalMode(bool on);
void AmplMode(std::uint8_t mode);  // 1 sets latch 34 bit 0, 25 bit 3, 27 bit 1

// Power-on set-up: DACs of the AD/DA board zeroed, the board selected, free
// addresses cleared, every function to its default, the cache played.
void InitHardware();
void InitModule();
void WriteState();

}  // namespace K5Set_512
