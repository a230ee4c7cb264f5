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
#include <span>

#include "potentiostat/K5Set.h"

namespace K5Set_512 {

extern K5Set::Shadow SwitchState;

inline constexpr unsigned SelectLatch = 12;

std::uint8_t IC_Kind(unsigned address);
void IC_Name(unsigned address, std::span<char> text);

std::uint16_t GetSwitchState(unsigned address);
void SetSwitchState(unsigned address, std::uint16_t value);
bool SendValueToBoard(unsigned address, std::uint16_t value);

// Select latch: 0xE for board 2, 0xF for any other; logged.
void ActiveBoard(std::uint8_t board);
// Latch 35 bit 3 := NOT on.
void EnableMuxAdc(bool on);

void CMR1Dac(std::uint16_t code);                   // DAC12 16
void WorkElectrOffsetDac(std::uint16_t code);       // DAC12 17
void MeasuredVoltageOffsetDac(std::uint16_t code);  // DAC12 18
void VoltageOffsetDac(std::uint16_t code);          // DAC12 19
void CMR2Dac(std::uint16_t code);                   // DAC12 22
void CurrentOffsetDac(std::uint16_t code);          // DAC12 23
void OCP_Offset(std::uint16_t code);                // DAC8 28
void SubtractDacValue(std::uint16_t code);          // route 0, DAC16 42
void InitDacValue(std::uint16_t code);              // route 1, DAC16 43

void Feedback(std::uint8_t selector);                    // 0-2
void CurrentOutputAmplifierGain(std::uint8_t selector);  // 0-3
void VoltageOutputAmplifierGain(std::uint8_t selector);  // 0-3
void MuxOutPath(std::uint8_t selector);                  // 0-2
void TestDacPath(std::uint8_t selector);                 // 0-2
void ModelCell(std::uint8_t selector);                   // 0-4
void CurrentFilter(std::uint8_t selector);               // 0-6
void VoltageFilter(std::uint8_t selector);               // 0-6
void StimulusFilter(std::uint8_t selector);              // 0-7
void StimInScale(std::uint8_t selector);                 // 0-3

void WorkingElectrode(bool on);
void EEPROMSelect(bool on);
void Remote(bool on);
// Both drive latch 27 bit 3 (bit 0 of that latch has no setter).
void OpenCellPotential(bool on);
void OCP_GalMode(bool on);
void VoltageSubtractOn(bool on);
void CurrentSubtractOn(bool on);
void MuxX100(bool on);
void AmplMode(std::uint8_t mode);  // 1 sets latch 34 bit 0, 25 bit 3, 27 bit 1
void MuxChannel(std::uint8_t channel);

// Power-on set-up: DACs of the AD/DA board zeroed, the board selected, free
// addresses cleared, every function to its default, the cache played.
void InitHardware();
void InitModule();
void WriteState();

}  // namespace K5Set_512
