// Sample streams for the simulated amplifier rack, built from the command
// port's description: words, the strobed triples of one word and the
// sequences that carry them on each board, and a line-level bit-banger for
// the serial EEPROMs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/amplifier/AmplifierRack.h"
#include "sim/amplifier/SerialEEPROM.h"

namespace RackSamples {

constexpr std::uint16_t kRest = 0x4000;
constexpr std::uint16_t kStrobe = 0x4000;
constexpr std::uint16_t kDataIn = 0x100;
constexpr std::uint16_t kClock = 0x200;
constexpr std::uint16_t kSelectLine = 0x400;

// An amplifier word at rest: bit 15 and bit 14 set.
std::uint16_t Word(int address, int data);
// A latch pair's word: the even latch in bits 0-3, the odd one in 4-7.
std::uint16_t LatchWord(int address, int even, int odd);
// The four words of a 12-bit DAC value (three nibbles, then the load).
std::vector<std::uint16_t> Dac12Words(int address, int value);
// Cached words on the boards other than the ZRV-24: w, w without the
// strobe, w for each, then the rest word.
std::vector<std::uint16_t> Cached(const std::vector<std::uint16_t>& words);
// One word on the ZRV-24's single port, around the user's digital output
// word; mask clears bit 10 of the rest samples.
std::vector<std::uint16_t> ZRV24Word(std::uint16_t word, std::uint16_t digital_out, bool mask);
// A word on the older port, strobed with bit 15 clear, then the rest word.
std::vector<std::uint16_t> OlderPortWord(std::uint16_t word);

}  // namespace RackSamples

// Plays samples on a rack's port, one sample every 10 us of the program's
// clock from 100 s on, and reads the amplifier's data line.
class RackPlayer {
 public:
  explicit RackPlayer(AmplifierRack& rack, RackPort port = RackPort::kCommand) : _rack(rack), _port(port) {}

  void Play(const std::vector<std::uint16_t>& samples);
  void Play(std::uint16_t sample) { Play(std::vector<std::uint16_t>{sample}); }
  void Select(int board);
  // Board b selected, data path on, the chip select of a page chip (low)
  // or of a 128-byte chip (high) as asked.
  void Connect(int board, bool select_high);
  void Wait(double seconds) { _now += seconds; }
  double Now() const { return _now; }
  bool DataOut() const { return _rack.AmplifierDataOut(_now); }
  bool SelectorDataOut() const { return _rack.SelectorDataOut(_now); }
  // A 128-byte chip's read from address 0 in cells of two samples, with
  // the lines given held high: count bytes from the chip's data line, or
  // the selectors' one.
  std::string MicrowireRead(int count, std::uint16_t lines, bool selector = false);
  std::uint16_t Extra() const { return _extra; }
  // Bits added to every line sample (bit 15 on the ZRV-24, bit 10 for the
  // old boards' select line).
  void SetExtra(std::uint16_t extra) { _extra = extra; }

 private:
  AmplifierRack& _rack;
  RackPort _port;
  double _now = 100.0;
  double _sweep = 0.0;
  std::uint16_t _extra = 0;
};

// Drives a serial chip's pins directly, 10 us per state.
class ChipBanger {
 public:
  explicit ChipBanger(SerialEEPROM& chip) : _chip(chip) {}

  void Select(bool on);
  // SPI: one byte out, most significant bit first; the byte the chip
  // shifted out meanwhile.
  std::uint8_t Spi(std::uint8_t out);
  // Microwire: one clock cell; the data line after its rising edge.
  bool Cell(bool bit);
  void Bits(int value, int count);
  std::uint8_t ReadByte();
  void Wait(double seconds) { _now += seconds; }
  bool DataOut() const { return _chip.DataOut(_now); }
  int Taken() const { return _taken; }

  // Whole page-chip commands, each framed by the select.
  void PageCommand(std::uint8_t command);
  void PageProgram(int address, const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> PageRead(int address, int count);
  // 128-byte chip commands.
  void SmallEnable(bool on);
  void SmallWrite(int address, std::uint8_t value);
  std::vector<std::uint8_t> SmallRead(int address, int count);

 private:
  bool Step(bool clock, bool data_in);

  SerialEEPROM& _chip;
  bool _selected = false;
  double _now = 100.0;
  int _taken = 0;
};
