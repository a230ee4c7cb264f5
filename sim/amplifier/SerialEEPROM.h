// The serial EEPROM chips of an amplifier rack, seen from their pins: chip
// select, clock, data in and data out. A chip is stepped with the state of
// its input lines at every sample the rack sees (repeated states change
// nothing) and answers with its data line; times are seconds on the
// program's clock, on which the chip's write cycles run.
//
// PageEEPROM: 128 KiB, SPI style, 256-byte pages, 24-bit addresses. It takes
// data in on the rising clock edge and shifts data out on the falling edge,
// most significant bit first. Commands: 0x06 write enable, 0x04 write
// disable, 0x02 page program (address, then data that wrap within the page),
// 0x03 read (address, then bytes in sequence), 0xC7 chip erase (to 0xFF).
// A program or erase needs the write enable, which it resets, and runs when
// the chip is deselected: the chip is then busy (about 5 ms after a program,
// 8 ms after an erase) and ignores commands.
//
// MicrowireEEPROM: 128 bytes; leading zeros, a start bit, a 2-bit opcode and
// a 7-bit address, taken on the rising clock edge. 10 read: a dummy 0, then
// the bytes from the address in sequence, each bit shifted out on a rising
// edge; 01 write of the eight data bits that follow; 00 11xxxxx write
// enable, 00 00xxxxx write disable. A write runs its 2-4 ms cycle once the
// chip is deselected; while it is selected again, the data line shows busy
// (low), then ready (high), until the next start bit.
//
// Undriven, the data line reads low. The data line holds each bit until the
// chip shifts the next one out, a whole bit cell of the program's patterns.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// What can go wrong with a chip; the defaults are a sound chip.
struct SerialEEPROMFaults {
  // A bit of one byte that always reads as stuck_high (-1: none).
  int stuck_address = -1;
  int stuck_bit = 0;
  bool stuck_high = false;
  // Each bit read flips with this probability, repeatably by the seed.
  double flip_probability = 0.0;
  unsigned flip_seed = 0;
  // Writes are accepted and run their cycle, but nothing changes.
  bool writes_lost = false;
  // A write cycle lasts this long instead (0: the chip's own).
  double busy_seconds = 0.0;
  // Power fails during a page program: only the first half of the bytes
  // given reach the page.
  bool power_lost_mid_program = false;
};

struct SerialLines {
  bool data_in = false;
  bool clock = false;
};

class SerialEEPROM {
 public:
  // image_file: when named, the image is loaded from it (when it exists)
  // and saved to it after every write cycle; the image is padded with 0xFF
  // or cut to the chip's size.
  SerialEEPROM(int size, std::vector<std::uint8_t> image, std::string image_file,
               const SerialEEPROMFaults& faults);
  virtual ~SerialEEPROM() = default;

  // The lines at one sample. Returns TRUE when the chip took a bit in (the
  // rising clock edge of a selected chip, leading zeros before a start bit
  // not counted).
  virtual bool Step(bool selected, SerialLines lines, double clock_seconds) = 0;
  virtual bool DataOut(double clock_seconds) const = 0;

  const std::vector<std::uint8_t>& Image() const { return _image; }
  bool Save(const std::string& path) const;
  // FALSE when the file cannot be read; the image keeps its size.
  bool Load(const std::string& path);
  // Write cycles run so far (lost ones too).
  int WriteCycles() const { return _writeCycles; }

 protected:
  int Size() const { return static_cast<int>(_image.size()); }
  bool Busy(double clock_seconds) const { return clock_seconds < _busyUntil; }
  // A read through the faults.
  std::uint8_t ReadByte(int address);
  // Stores the bytes at their addresses (or loses them), starts the write
  // cycle and saves the image file.
  void WriteCycle(const std::vector<std::pair<int, std::uint8_t>>& bytes, double clock_seconds,
                  double nominal_seconds);
  const SerialEEPROMFaults& Faults() const { return _faults; }

 private:
  std::vector<std::uint8_t> _image;
  std::string _file;
  SerialEEPROMFaults _faults;
  std::mt19937 _flips;
  std::uniform_real_distribution<double> _uniform{0.0, 1.0};
  double _busyUntil = -1e300;
  int _writeCycles = 0;
};

class PageEEPROM final : public SerialEEPROM {
 public:
  static constexpr int kSize = 128 * 1024;
  static constexpr int kPageSize = 256;
  static constexpr double kProgramSeconds = 0.005;
  static constexpr double kEraseSeconds = 0.008;

  PageEEPROM(std::vector<std::uint8_t> image, std::string image_file = {},
             const SerialEEPROMFaults& faults = {});

  bool Step(bool selected, SerialLines lines, double clock_seconds) override;
  bool DataOut(double clock_seconds) const override { return _selected && _dataOut; }
  bool WriteEnabled() const { return _writeEnabled; }

 private:
  enum class Phase { kCommand, kAddress, kDataIn, kDataOut, kIgnore };

  void Begin(double clock_seconds);
  void TakeBit(bool bit);
  void TakeByte(std::uint8_t byte);
  void ShiftOut();
  void End(double clock_seconds);

  bool _selected = false;
  bool _clock = false;
  bool _dataOut = false;
  bool _writeEnabled = false;
  Phase _phase = Phase::kIgnore;
  std::uint8_t _command = 0;
  bool _commandComplete = false;
  int _shift = 0;
  int _bits = 0;
  int _addressBytes = 0;
  int _address = 0;
  std::vector<std::pair<int, std::uint8_t>> _program;
  std::uint8_t _outByte = 0;
  int _outBit = -1;
};

class MicrowireEEPROM final : public SerialEEPROM {
 public:
  static constexpr int kSize = 128;
  static constexpr double kWriteSeconds = 0.003;

  MicrowireEEPROM(std::vector<std::uint8_t> image, std::string image_file = {},
                  const SerialEEPROMFaults& faults = {});

  bool Step(bool selected, SerialLines lines, double clock_seconds) override;
  bool DataOut(double clock_seconds) const override;
  bool WriteEnabled() const { return _writeEnabled; }

 private:
  enum class Phase { kStart, kOpcode, kAddress, kDataIn, kDataOut, kDone };

  void TakeBit(bool bit, double clock_seconds);
  void ShiftOut();

  bool _selected = false;
  bool _clock = false;
  bool _dataOut = false;
  bool _writeEnabled = false;
  bool _showStatus = false;
  Phase _phase = Phase::kStart;
  int _opcode = 0;
  int _address = 0;
  int _data = 0;
  int _bits = 0;
  bool _writePending = false;
  std::uint8_t _outByte = 0;
  int _outBit = -1;
};
