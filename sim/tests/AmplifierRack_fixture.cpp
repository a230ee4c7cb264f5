#include "sim/tests/AmplifierRack_fixture.h"

namespace RackSamples {

std::uint16_t Word(int address, int data) {
  return static_cast<std::uint16_t>(0xC000 | ((address << 8) & 0x3F00) | (data & 0xFF));
}

std::uint16_t LatchWord(int address, int even, int odd) { return Word(address, (odd & 0xF) << 4 | (even & 0xF)); }

std::vector<std::uint16_t> Dac12Words(int address, int value) {
  const int channel = (address & 1) != 0 ? 0x40 : 0;
  std::vector<std::uint16_t> words;
  for (int nibble = 0; nibble < 3; ++nibble) {
    words.push_back(Word(address & ~1, ((value >> 4 * nibble) & 0xF) + channel + 16 * nibble));
  }
  words.push_back(Word(address & ~1, channel + 0x30));
  return words;
}

std::vector<std::uint16_t> Cached(const std::vector<std::uint16_t>& words) {
  std::vector<std::uint16_t> samples;
  for (const std::uint16_t word : words) {
    samples.push_back(word);
    samples.push_back(static_cast<std::uint16_t>(word & ~kStrobe));
    samples.push_back(word);
  }
  samples.push_back(kRest);
  return samples;
}

std::vector<std::uint16_t> ZRV24Word(std::uint16_t word, std::uint16_t digital_out, bool mask) {
  auto rest = static_cast<std::uint16_t>((digital_out & 0x7FFF) | 0x4000);
  if (mask) rest &= static_cast<std::uint16_t>(~kSelectLine);
  const auto high = static_cast<std::uint16_t>(rest | 0x8000);
  return {high, word, static_cast<std::uint16_t>(word & ~kStrobe), word,
          static_cast<std::uint16_t>(high & ~kSelectLine), rest};
}

std::vector<std::uint16_t> OlderPortWord(std::uint16_t word) {
  const auto w = static_cast<std::uint16_t>((word & 0x7FFF) | 0x4000);
  return {w, static_cast<std::uint16_t>(w & ~kStrobe), w, kRest};
}

}  // namespace RackSamples

using namespace RackSamples;

void RackPlayer::Play(const std::vector<std::uint16_t>& samples) {
  for (const std::uint16_t sample : samples) {
    _now += 1e-5;
    _sweep += 1e-5;
    _rack.PortSample(_port, static_cast<std::uint16_t>(sample | ((sample & kStrobe) != 0 ? _extra : 0)),
                     {_sweep, _now});
  }
}

void RackPlayer::Select(int board) { Play(Cached({LatchWord(46, board < 4 ? 1 << board : 0, 0)})); }

void RackPlayer::Connect(int board, bool select_high) {
  Select(board);
  Play(Cached({LatchWord(45, 0, 8), LatchWord(24, 0, 0), LatchWord(24, select_high ? 4 : 0, 0)}));
}

std::string RackPlayer::MicrowireRead(int count, std::uint16_t lines, bool selector) {
  auto cell = [&](bool bit) {
    const auto low = static_cast<std::uint16_t>(kRest | lines | (bit ? kDataIn : 0));
    Play({low, static_cast<std::uint16_t>(low | kClock)});
  };
  for (const bool bit : {true, true, false}) cell(bit);
  for (int n = 0; n < 7; ++n) cell(false);
  std::string text;
  for (int n = 0; n < count; ++n) {
    int value = 0;
    for (int bit = 0; bit < 8; ++bit) {
      cell(false);
      value = value << 1 | ((selector ? SelectorDataOut() : DataOut()) ? 1 : 0);
    }
    text += static_cast<char>(value);
  }
  return text;
}

void ChipBanger::Select(bool on) {
  _selected = on;
  Step(false, false);
}

bool ChipBanger::Step(bool clock, bool data_in) {
  _now += 1e-5;
  _taken += _chip.Step(_selected, {data_in, clock}, _now) ? 1 : 0;
  return _chip.DataOut(_now);
}

std::uint8_t ChipBanger::Spi(std::uint8_t out) {
  int in = 0;
  for (int bit = 7; bit >= 0; --bit) {
    const bool value = ((out >> bit) & 1) != 0;
    in = (in << 1) | (Step(false, value) ? 1 : 0);
    Step(true, value);
  }
  return static_cast<std::uint8_t>(in);
}

bool ChipBanger::Cell(bool bit) {
  Step(false, bit);
  return Step(true, bit);
}

void ChipBanger::Bits(int value, int count) {
  for (int bit = count - 1; bit >= 0; --bit) Cell(((value >> bit) & 1) != 0);
}

std::uint8_t ChipBanger::ReadByte() {
  int value = 0;
  for (int bit = 0; bit < 8; ++bit) value = (value << 1) | (Cell(false) ? 1 : 0);
  return static_cast<std::uint8_t>(value);
}

void ChipBanger::PageCommand(std::uint8_t command) {
  Select(true);
  Spi(command);
  Step(false, false);
  Select(false);
}

void ChipBanger::PageProgram(int address, const std::vector<std::uint8_t>& bytes) {
  Select(true);
  for (const int byte : {0x02, address >> 16, address >> 8, address}) Spi(static_cast<std::uint8_t>(byte));
  for (const std::uint8_t byte : bytes) Spi(byte);
  Step(false, false);
  Select(false);
}

std::vector<std::uint8_t> ChipBanger::PageRead(int address, int count) {
  Select(true);
  for (const int byte : {0x03, address >> 16, address >> 8, address}) Spi(static_cast<std::uint8_t>(byte));
  std::vector<std::uint8_t> bytes;
  for (int n = 0; n < count; ++n) bytes.push_back(Spi(0));
  Step(false, false);
  Select(false);
  return bytes;
}

void ChipBanger::SmallEnable(bool on) {
  Select(true);
  Bits(on ? 0b10011 : 0b10000, 5);
  Bits(0, 5);
  Select(false);
}

void ChipBanger::SmallWrite(int address, std::uint8_t value) {
  Select(true);
  Bits(0b101, 3);
  Bits(address, 7);
  Bits(value, 8);
  Select(false);
}

std::vector<std::uint8_t> ChipBanger::SmallRead(int address, int count) {
  Select(true);
  Bits(0b110, 3);
  Bits(address, 7);
  std::vector<std::uint8_t> bytes;
  for (int n = 0; n < count; ++n) bytes.push_back(ReadByte());
  Select(false);
  return bytes;
}
