// A probe selector on the rack's older port: strobed words with bit 15
// clear. Bit 7 marks a DAC word (bits 12-13 the nibble number 0-2 with the
// nibble in bits 8-11, 3 the load), else bit 6 an EEPROM word (bit 11 the
// chip's select line), else a position word (bits 8-11 the position - 1);
// position and EEPROM words name the board in bits 12-13 and reach only the
// selector that serves it. Its 128-byte chip takes DI (bit 8) and CLK (bit
// 9) from the port's resting samples.
#pragma once

#include <array>
#include <cstdint>

#include "sim/amplifier/AmplifierBoardElements.h"
#include "sim/amplifier/AmplifierRackConfig.h"
#include "sim/amplifier/SerialEEPROM.h"

class ProbeSelector {
 public:
  explicit ProbeSelector(const ProbeSelectorConfig& config);

  const ProbeSelectorConfig& Config() const { return _config; }
  bool Serves(int rack_board) const;
  void Word(std::uint16_t word, const SampleInstant& at);
  // Returns TRUE when the chip took a bit.
  bool Lines(SerialLines lines, const SampleInstant& at);
  bool DataOut(double clock_seconds) const { return _chip.DataOut(clock_seconds); }

  // Probe 1-16 of the rack board (0: never set).
  int Probe(int rack_board) const { return _probe[static_cast<std::size_t>(rack_board & 3)]; }
  int DacUnits() const { return _dacUnits; }
  // (2048 - units) / 10240 V.
  double HoldingVolts() const;
  bool EEPROMLine() const { return _eepromLine; }
  MicrowireEEPROM& Chip() { return _chip; }

 private:
  ProbeSelectorConfig _config;
  std::array<int, 4> _probe{};
  int _dacInput = 0;
  int _dacUnits = 2048;
  bool _eepromLine = false;
  SerialLines _lines;
  MicrowireEEPROM _chip;
};
