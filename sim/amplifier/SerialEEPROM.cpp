#include "sim/amplifier/SerialEEPROM.h"

#include <fstream>
#include <iterator>
#include <utility>

namespace {

constexpr std::uint8_t kWriteEnable = 0x06;
constexpr std::uint8_t kWriteDisable = 0x04;
constexpr std::uint8_t kPageProgram = 0x02;
constexpr std::uint8_t kRead = 0x03;
constexpr std::uint8_t kChipErase = 0xC7;

constexpr int kMicrowireRead = 2;
constexpr int kMicrowireWrite = 1;
constexpr int kMicrowireSpecial = 0;  // the address's top two bits tell which
constexpr int kSpecialEnable = 3;
constexpr int kSpecialDisable = 0;

}  // namespace

// ---- The memory --------------------------------------------------------------

SerialEEPROM::SerialEEPROM(int size, std::vector<std::uint8_t> image, std::string image_file,
                           const SerialEEPROMFaults& faults)
    : _image(std::move(image)), _file(std::move(image_file)), _faults(faults), _flips(faults.flip_seed) {
  _image.resize(static_cast<std::size_t>(size), 0xFF);
  if (!_file.empty()) Load(_file);
}

bool SerialEEPROM::Save(const std::string& path) const {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(_image.data()), static_cast<std::streamsize>(_image.size()));
  return static_cast<bool>(file);
}

bool SerialEEPROM::Load(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  bytes.resize(_image.size(), 0xFF);
  _image = std::move(bytes);
  return true;
}

std::uint8_t SerialEEPROM::ReadByte(int address) {
  auto value = _image[static_cast<std::size_t>(address)];
  if (address == _faults.stuck_address) {
    const auto mask = static_cast<std::uint8_t>(1u << _faults.stuck_bit);
    value = _faults.stuck_high ? (value | mask) : (value & ~mask);
  }
  if (_faults.flip_probability > 0.0) {
    for (int bit = 0; bit < 8; ++bit) {
      if (_uniform(_flips) < _faults.flip_probability) value ^= static_cast<std::uint8_t>(1u << bit);
    }
  }
  return value;
}

void SerialEEPROM::WriteCycle(const std::vector<std::pair<int, std::uint8_t>>& bytes, double clock_seconds,
                              double nominal_seconds) {
  ++_writeCycles;
  _busyUntil = clock_seconds + (_faults.busy_seconds > 0.0 ? _faults.busy_seconds : nominal_seconds);
  if (_faults.writes_lost) return;
  for (const auto& [address, value] : bytes) _image[static_cast<std::size_t>(address)] = value;
  if (!_file.empty()) Save(_file);
}

// ---- The page chip -------------------------------------------------------------

PageEEPROM::PageEEPROM(std::vector<std::uint8_t> image, std::string image_file, const SerialEEPROMFaults& faults)
    : SerialEEPROM(kSize, std::move(image), std::move(image_file), faults) {}

bool PageEEPROM::Step(bool selected, SerialLines lines, double clock_seconds) {
  if (selected && !_selected) {
    _selected = true;
    Begin(clock_seconds);
  } else if (!selected && _selected) {
    End(clock_seconds);
    _selected = false;
    _dataOut = false;
  }
  bool took = false;
  if (_selected && lines.clock != _clock) {
    if (lines.clock) {
      TakeBit(lines.data_in);
      took = true;
    } else {
      ShiftOut();
    }
  }
  _clock = lines.clock;
  return took;
}

void PageEEPROM::Begin(double clock_seconds) {
  _phase = Busy(clock_seconds) ? Phase::kIgnore : Phase::kCommand;
  _command = 0;
  _commandComplete = false;
  _shift = 0;
  _bits = 0;
  _addressBytes = 0;
  _address = 0;
  _program.clear();
  _outBit = -1;
  _dataOut = false;
}

void PageEEPROM::TakeBit(bool bit) {
  if (_phase == Phase::kIgnore) return;
  _shift = (_shift << 1) | (bit ? 1 : 0);
  if (++_bits < 8) return;
  TakeByte(static_cast<std::uint8_t>(_shift));
  _shift = 0;
  _bits = 0;
}

void PageEEPROM::TakeByte(std::uint8_t byte) {
  switch (_phase) {
    case Phase::kCommand:
      _command = byte;
      _commandComplete = true;
      _phase = byte == kPageProgram || byte == kRead ? Phase::kAddress : Phase::kIgnore;
      break;
    case Phase::kAddress:
      _address = (_address << 8) | byte;
      if (++_addressBytes < 3) break;
      _address &= kSize - 1;
      if (_command == kPageProgram) {
        _phase = Phase::kDataIn;
      } else {
        _phase = Phase::kDataOut;
        _outByte = ReadByte(_address);
        _outBit = 7;
      }
      break;
    case Phase::kDataIn: {
      // Past the end of its page the data wrap to the page's start.
      const int page = _address & ~(kPageSize - 1);
      const int offset = (_address + static_cast<int>(_program.size())) & (kPageSize - 1);
      _program.emplace_back(page | offset, byte);
      break;
    }
    case Phase::kDataOut:
    case Phase::kIgnore:
      break;
  }
}

void PageEEPROM::ShiftOut() {
  if (_phase != Phase::kDataOut || _outBit < 0) return;
  _dataOut = ((_outByte >> _outBit) & 1) != 0;
  if (--_outBit >= 0) return;
  _address = (_address + 1) & (kSize - 1);
  _outByte = ReadByte(_address);
  _outBit = 7;
}

void PageEEPROM::End(double clock_seconds) {
  // A command cut inside a byte does nothing.
  if (!_commandComplete || _bits != 0) return;
  switch (_command) {
    case kWriteEnable:
      _writeEnabled = true;
      break;
    case kWriteDisable:
      _writeEnabled = false;
      break;
    case kPageProgram: {
      if (!_writeEnabled || _program.empty()) break;
      auto bytes = _program;
      if (Faults().power_lost_mid_program) bytes.resize(bytes.size() / 2);
      WriteCycle(bytes, clock_seconds, kProgramSeconds);
      _writeEnabled = false;
      break;
    }
    case kChipErase: {
      if (!_writeEnabled) break;
      std::vector<std::pair<int, std::uint8_t>> bytes;
      bytes.reserve(kSize);
      for (int address = 0; address < kSize; ++address) bytes.emplace_back(address, 0xFF);
      WriteCycle(bytes, clock_seconds, kEraseSeconds);
      _writeEnabled = false;
      break;
    }
    default:
      break;
  }
}

// ---- The 128-byte chip ------------------------------------------------------------

MicrowireEEPROM::MicrowireEEPROM(std::vector<std::uint8_t> image, std::string image_file,
                                 const SerialEEPROMFaults& faults)
    : SerialEEPROM(kSize, std::move(image), std::move(image_file), faults) {}

bool MicrowireEEPROM::Step(bool selected, SerialLines lines, double clock_seconds) {
  if (selected && !_selected) {
    _selected = true;
    _phase = Phase::kStart;
    _dataOut = false;
  } else if (!selected && _selected) {
    _selected = false;
    _dataOut = false;
    _phase = Phase::kStart;
    if (_writePending) {
      _writePending = false;
      WriteCycle({{_address, static_cast<std::uint8_t>(_data)}}, clock_seconds, kWriteSeconds);
      _showStatus = true;
    }
  }
  bool took = false;
  if (_selected && lines.clock && !_clock && (_phase != Phase::kStart || lines.data_in)) {
    TakeBit(lines.data_in, clock_seconds);
    took = true;
  }
  _clock = lines.clock;
  return took;
}

bool MicrowireEEPROM::DataOut(double clock_seconds) const {
  if (!_selected) return false;
  if (_phase == Phase::kDataOut) return _dataOut;
  return _showStatus && !Busy(clock_seconds);
}

void MicrowireEEPROM::TakeBit(bool bit, double clock_seconds) {
  switch (_phase) {
    case Phase::kStart:
      _showStatus = false;
      // A busy chip ignores the command.
      _phase = Busy(clock_seconds) ? Phase::kDone : Phase::kOpcode;
      _opcode = 0;
      _bits = 0;
      break;
    case Phase::kOpcode:
      _opcode = (_opcode << 1) | (bit ? 1 : 0);
      if (++_bits < 2) break;
      _phase = Phase::kAddress;
      _address = 0;
      _bits = 0;
      break;
    case Phase::kAddress:
      _address = (_address << 1) | (bit ? 1 : 0);
      if (++_bits < 7) break;
      _bits = 0;
      _phase = Phase::kDone;
      if (_opcode == kMicrowireRead) {
        _phase = Phase::kDataOut;
        _dataOut = false;  // the dummy bit
        _outByte = ReadByte(_address);
        _outBit = 7;
      } else if (_opcode == kMicrowireWrite) {
        _phase = Phase::kDataIn;
        _data = 0;
      } else if (_opcode == kMicrowireSpecial) {
        const int which = _address >> 5;
        if (which == kSpecialEnable) _writeEnabled = true;
        if (which == kSpecialDisable) _writeEnabled = false;
      }
      break;
    case Phase::kDataIn:
      _data = (_data << 1) | (bit ? 1 : 0);
      if (++_bits < 8) break;
      _writePending = _writeEnabled;
      _phase = Phase::kDone;
      break;
    case Phase::kDataOut:
      ShiftOut();
      break;
    case Phase::kDone:
      break;
  }
}

void MicrowireEEPROM::ShiftOut() {
  _dataOut = ((_outByte >> _outBit) & 1) != 0;
  if (--_outBit >= 0) return;
  _address = (_address + 1) & (kSize - 1);
  _outByte = ReadByte(_address);
  _outBit = 7;
}
