#include "sim/QRN55SimUnit.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <utility>

#include "foundation/platform/Clock.h"

namespace {

// The unit decodes its address space in regions of 2 MiB.
constexpr std::uint64_t kRegionSize = 0x200000;
constexpr std::uint64_t kPulse = 0x200000;
constexpr std::uint64_t kFIFO = 0x400000;
constexpr std::uint64_t kEEPROMWindow = 0x600000;
constexpr std::uint64_t kSignature = 0x800000;
constexpr std::uint64_t kRecording = 0xA00000;
constexpr std::uint64_t kSettings = 0xC00000;
constexpr std::uint64_t kControlWrite = 0xE00000;
constexpr std::uint64_t kDelay = 0x1000000;
constexpr std::uint64_t kDataTransferSize = 0x1200000;
constexpr std::uint64_t kPortE = 0x1400000;

constexpr int kPulseHeaderSize = 512;
constexpr int kSettingsSize = 35;
constexpr int kEEPROMWindowSize = 64;
constexpr int kStatusSize = 10;
constexpr int kSequenceCounterDelayOffset = 116;
constexpr int kMaximumSequenceCounterDelay = 100;

constexpr double kVoltsPerCode = 10.24 / 32768.0;
constexpr double kControlCodesPerVolt = 4096.0 / 5.0;

// Control register bits.
constexpr int kExternalTriggerStart = 0x04;
constexpr int kMultiplexedADC7 = 0x20;

std::uint32_t UInt32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) |
         static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::uint16_t UInt16At(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

// The controller's boot loader.
constexpr std::uint8_t kErased = 0xFF;
constexpr std::uint8_t kLoadImageMarker = 0xC2;
constexpr std::size_t kLoadImageHeaderSize = 8;
constexpr std::size_t kReleaseOffset = 5;
constexpr std::size_t kRecordHeaderSize = 4;
constexpr int kLastRecord = 0x8000;
constexpr int kRecordCountMask = 0x3FF;
constexpr int kCPUControlRegister = 0xE600;
constexpr std::uint8_t kCPUReset = 0x01;

std::uint64_t RegionOf(std::uint64_t address) { return address / kRegionSize * kRegionSize; }

std::uint16_t BigEndian16At(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

// The release number of the load image at the start of `eeprom`, or nothing
// when the boot loader would not run it.
std::optional<std::uint8_t> LoadImageRelease(std::span<const std::uint8_t> eeprom) {
  if (eeprom.size() < kLoadImageHeaderSize || eeprom[0] != kLoadImageMarker) return std::nullopt;
  std::size_t offset = kLoadImageHeaderSize;
  while (offset + kRecordHeaderSize <= eeprom.size()) {
    const int length = BigEndian16At(eeprom, offset);
    const int count = length & kRecordCountMask;
    if (count == 0 || (length & ~(kLastRecord | kRecordCountMask)) != 0) return std::nullopt;
    const std::size_t data = offset + kRecordHeaderSize;
    if (static_cast<std::size_t>(count) > eeprom.size() - data) return std::nullopt;
    if (length & kLastRecord) {
      // Only this write releases the controller from reset.
      const bool runs = count == 1 && BigEndian16At(eeprom, offset + 2) == kCPUControlRegister &&
                        (eeprom[data] & kCPUReset) == 0;
      if (!runs) return std::nullopt;
      return static_cast<std::uint8_t>(UInt16At(eeprom, kReleaseOffset));
    }
    offset = data + static_cast<std::size_t>(count);
  }
  return std::nullopt;
}

// Copies the part of a block that [offset, offset + size) covers; the rest
// of the request reads as zeros.
void CopyBlock(std::span<const std::uint8_t> block, std::uint64_t offset, std::uint8_t* data,
               std::size_t size) {
  std::fill_n(data, size, std::uint8_t{0});
  if (offset >= block.size()) return;
  const std::size_t count = std::min<std::size_t>(size, block.size() - offset);
  std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), count, data);
}

}  // namespace

QRN55SimUnit::QRN55SimUnit(QRN55SimUnitConfig config) : _config(std::move(config)) {
  _config.fifo_samples = std::max(_config.fifo_samples, 0);
  LoadEEPROM();
  Boot();
  ResetVolatile();
}

// ---------------------------------------------------------------------------
// Public side.

ssize_t QRN55SimUnit::Read(std::uint64_t address, void* data, std::size_t size) {
  std::lock_guard lock(_mutex);
  if (!SeenByHost()) return -ENODEV;
  if (TakeFault(QRN55SimFault::kReadError, address)) return -EIO;
  if (TakeFault(QRN55SimFault::kShortRead, address)) size /= 2;
  auto* bytes = static_cast<std::uint8_t*>(data);
  const std::size_t moved = ReadLocked(address, bytes, size);
  Trace(false, address, bytes, moved);
  return static_cast<ssize_t>(moved);
}

ssize_t QRN55SimUnit::Write(std::uint64_t address, const void* data, std::size_t size) {
  double sleep;
  {
    std::lock_guard lock(_mutex);
    if (!SeenByHost()) return -ENODEV;
    if (TakeFault(QRN55SimFault::kWriteError, address)) return -EIO;
    if (TakeFault(QRN55SimFault::kShortWrite, address)) return static_cast<ssize_t>(size / 2);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    Trace(true, address, bytes, size);
    WriteLocked(address, bytes, size);
    sleep = std::exchange(_pending_sleep, 0.0);
  }
  // The unit's own delay holds up the write that asked for it, not the unit.
  if (sleep > 0.0) Platform::SleepSeconds(sleep);
  return static_cast<ssize_t>(size);
}

int QRN55SimUnit::Sync() {
  std::lock_guard lock(_mutex);
  if (!SeenByHost()) return -ENODEV;
  if (TakeFault(QRN55SimFault::kSyncError, kAnyAddress)) return -EIO;
  return 0;
}

void QRN55SimUnit::PowerCycle() {
  std::lock_guard lock(_mutex);
  LoadEEPROM();
  Boot();
  ResetVolatile();
}

void QRN55SimUnit::Unplug() {
  std::lock_guard lock(_mutex);
  _plugged = false;
}

void QRN55SimUnit::Plug() {
  std::lock_guard lock(_mutex);
  _plugged = true;
}

bool QRN55SimUnit::IsPlugged() const {
  std::lock_guard lock(_mutex);
  return SeenByHost();
}

void QRN55SimUnit::SetWiring(QRN55SimWiring* wiring) {
  std::lock_guard lock(_mutex);
  _wiring = wiring != nullptr ? wiring : &_loopback;
}

void QRN55SimUnit::SetSignature(const QRN55SimSignature& signature) {
  std::lock_guard lock(_mutex);
  _config.signature = signature;
  _firmware = signature.firmware;
}

void QRN55SimUnit::InjectFault(QRN55SimFault fault, std::int64_t address, int times) {
  std::lock_guard lock(_mutex);
  _faults.push_back({fault, address, times});
}

void QRN55SimUnit::InjectStuckEEPROMByte(int address, std::uint8_t value) {
  std::lock_guard lock(_mutex);
  _stuck_eeprom_bytes.emplace_back((address % kEEPROMSize + kEEPROMSize) % kEEPROMSize, value);
  HoldStuckEEPROMBytes();
  SaveEEPROM();
}

void QRN55SimUnit::ClearFaults() {
  std::lock_guard lock(_mutex);
  _faults.clear();
  _stuck_eeprom_bytes.clear();
}

void QRN55SimUnit::SetLockHeldElsewhere(bool held) {
  std::lock_guard lock(_mutex);
  _lock_held_elsewhere = held;
}

bool QRN55SimUnit::IsLockHeldElsewhere() const {
  std::lock_guard lock(_mutex);
  return _lock_held_elsewhere;
}

void QRN55SimUnit::ForceOverflow(bool on) {
  std::lock_guard lock(_mutex);
  _forced_overflow = on;
}

void QRN55SimUnit::ForceUnderflow(bool on) {
  std::lock_guard lock(_mutex);
  _forced_underflow = on;
}

void QRN55SimUnit::FreezeSequenceCount(bool on) {
  std::lock_guard lock(_mutex);
  if (on) Advance();
  _frozen = on;
  // Thawed, the count goes on from where it stood.
  if (!on) _start_time = Platform::ElapsedSeconds() - _sequence_count * FramePeriod();
}

void QRN55SimUnit::ExternalTrigger() {
  std::lock_guard lock(_mutex);
  _triggered = true;
  if (_waiting_for_trigger) Start();
}

std::vector<std::uint8_t> QRN55SimUnit::ReadEEPROM(int address, int size) const {
  std::lock_guard lock(_mutex);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(size, 0)));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = _eeprom[(static_cast<std::size_t>(address) + i) % kEEPROMSize];
  }
  return bytes;
}

void QRN55SimUnit::WriteEEPROM(int address, std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(_mutex);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    _eeprom[(static_cast<std::size_t>(address) + i) % kEEPROMSize] = bytes[i];
  }
  HoldStuckEEPROMBytes();
  SaveEEPROM();
}

double QRN55SimUnit::ControlOutputVolts(int channel) const {
  std::lock_guard lock(_mutex);
  return channel == 0 || channel == 1 ? _control_volts[channel] : 0.0;
}

int QRN55SimUnit::LastDelayTicks() const {
  std::lock_guard lock(_mutex);
  return _last_delay_ticks;
}

std::uint64_t QRN55SimUnit::SequenceCount() {
  std::lock_guard lock(_mutex);
  Advance();
  return _sequence_count;
}

bool QRN55SimUnit::IsRunning() const {
  std::lock_guard lock(_mutex);
  return _running;
}

void QRN55SimUnit::SetTracing(bool on) {
  std::lock_guard lock(_mutex);
  _tracing = on;
}

std::vector<QRN55SimTransfer> QRN55SimUnit::TakeTrace() {
  std::lock_guard lock(_mutex);
  return std::exchange(_trace, {});
}

std::vector<std::string> QRN55SimUnit::RefusedTransfers() const {
  std::lock_guard lock(_mutex);
  return _refused_transfers;
}

// ---------------------------------------------------------------------------
// State.

bool QRN55SimUnit::TakeFault(QRN55SimFault fault, std::uint64_t address) {
  for (auto rule = _faults.begin(); rule != _faults.end(); ++rule) {
    if (rule->fault != fault) continue;
    if (rule->address != kAnyAddress &&
        RegionOf(static_cast<std::uint64_t>(rule->address)) != RegionOf(address)) {
      continue;
    }
    if (rule->remaining > 0 && --rule->remaining == 0) _faults.erase(rule);
    return true;
  }
  return false;
}

void QRN55SimUnit::Trace(bool write, std::uint64_t address, const void* data, std::size_t size) {
  if (!_tracing) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  _trace.push_back({write, address, std::vector<std::uint8_t>(bytes, bytes + size)});
}

void QRN55SimUnit::LoadEEPROM() {
  if (!_config.eeprom_file.empty()) {
    std::ifstream file(_config.eeprom_file, std::ios::binary);
    std::vector<std::uint8_t> stored(kEEPROMSize);
    if (file.read(reinterpret_cast<char*>(stored.data()), kEEPROMSize)) {
      _eeprom = std::move(stored);
      return;
    }
  }
  if (!_eeprom.empty()) return;  // kept in memory across power cycles
  _eeprom.assign(kEEPROMSize, 0xFF);
  const auto record = _config.record.Encode();
  std::copy(record.begin(), record.end(), _eeprom.begin() + QRN55SimDeviceRecord::kEEPROMAddress);
  SaveEEPROM();
}

void QRN55SimUnit::Boot() {
  if (_eeprom[0] == kErased) {
    _booted = true;
    _firmware = _config.signature.firmware;
    return;
  }
  const std::optional<std::uint8_t> release = LoadImageRelease(_eeprom);
  _booted = release.has_value();
  _firmware = release.value_or(0);
}

void QRN55SimUnit::HoldStuckEEPROMBytes() {
  for (const auto& [address, value] : _stuck_eeprom_bytes) _eeprom[address] = value;
}

void QRN55SimUnit::SaveEEPROM() const {
  if (_config.eeprom_file.empty()) return;
  std::ofstream file(_config.eeprom_file, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(_eeprom.data()), kEEPROMSize);
}

void QRN55SimUnit::ResetVolatile() {
  _transfer_bytes = 0;
  _transfer_announced = false;
  _transfer_refused = false;
  _refused_transfers.clear();
  _eeprom_address = 0;
  _unlocked = false;
  _port_e = false;
  _assembly = Assembly();
  _settings = Settings();
  _driven = QRN55SimOutputs();
  _seen = QRN55SimInputs();
  _control_volts[0] = _control_volts[1] = 0.0;
  _last_delay_ticks = 0;
  _port_e_memory.clear();
  const auto delay = static_cast<std::int32_t>(
      UInt32At(_eeprom, QRN55SimDeviceRecord::kEEPROMAddress + kSequenceCounterDelayOffset));
  _delay_frames = std::clamp(delay, 0, kMaximumSequenceCounterDelay);
  ApplySettings(_settings);
  ResetAcquisition();
}

void QRN55SimUnit::ResetAcquisition() {
  _output_fifo.clear();
  _input_fifo.clear();
  _pipeline.clear();
  _running = false;
  _waiting_for_trigger = false;
  _triggered = false;
  _sequence_count = 0;
  _underflow = false;
  _overflow = false;
  _clipping = 0;
  _continuous = true;
  _input_samples_left = 0;
}

// ---------------------------------------------------------------------------
// Transfers.

std::size_t QRN55SimUnit::ReadLocked(std::uint64_t address, std::uint8_t* data, std::size_t size) {
  const std::uint64_t region = RegionOf(address);
  const std::uint64_t offset = address - region;
  switch (region) {
    case kSignature: {
      const QRN55SimSignature& signature = _config.signature;
      std::array<std::uint8_t, 12> block{};
      std::memcpy(block.data(), signature.magic.data(), 4);
      block[4] = static_cast<std::uint8_t>(signature.information_location);
      block[5] = static_cast<std::uint8_t>(signature.information_location >> 8);
      block[6] = static_cast<std::uint8_t>(signature.information_length);
      block[7] = static_cast<std::uint8_t>(signature.information_length >> 8);
      block[8] = static_cast<std::uint8_t>(signature.timer_unit);
      block[9] = static_cast<std::uint8_t>(signature.timer_unit >> 8);
      block[10] = _firmware;
      block[11] = signature.logic;
      CopyBlock(block, offset, data, size);
      return size;
    }
    case kRecording: {
      std::array<std::uint8_t, kStatusSize> block{};
      if (offset == 0) {  // the pieces after the first carry nothing
        Advance();
        for (int i = 0; i < 8; ++i) block[i] = static_cast<std::uint8_t>(_sequence_count >> 8 * i);
        block[8] = static_cast<std::uint8_t>((_underflow || _forced_underflow ? 0x01 : 0) |
                                             (_overflow || _forced_overflow ? 0x02 : 0) |
                                             (_running ? 0x04 : 0) | (_triggered ? 0x08 : 0));
        _clipping |= _wiring->ClippingLines(Platform::ElapsedSeconds());
        block[9] = static_cast<std::uint8_t>(_clipping);
        _clipping = 0;
      }
      CopyBlock(block, offset, data, size);
      return size;
    }
    case kEEPROMWindow: {
      std::array<std::uint8_t, kEEPROMWindowSize> window;
      for (int i = 0; i < kEEPROMWindowSize; ++i)
        window[i] = _eeprom[(_eeprom_address + i) % kEEPROMSize];
      CopyBlock(window, offset, data, size);
      return size;
    }
    case kFIFO: {
      Advance();
      std::fill_n(data, size, std::uint8_t{0});
      if (FIFOTransferRefused(false)) return size;
      std::size_t wanted = size;
      if (_transfer_bytes > 0) {
        wanted = std::min<std::size_t>(wanted, _transfer_bytes);
        _transfer_bytes -= static_cast<std::uint32_t>(wanted);
      }
      const std::size_t count = std::min(wanted, _input_fifo.size());
      std::copy_n(_input_fifo.begin(), count, data);
      _input_fifo.erase(_input_fifo.begin(),
                        _input_fifo.begin() + static_cast<std::ptrdiff_t>(count));
      return size;
    }
    case kPortE:
      if (_port_e) {
        CopyBlock(_port_e_memory, offset, data, size);
      } else {
        std::fill_n(data, size, std::uint8_t{0});
      }
      return size;
    default:
      std::fill_n(data, size, std::uint8_t{0});
      return size;
  }
}

void QRN55SimUnit::WriteLocked(std::uint64_t address, const std::uint8_t* data, std::size_t size) {
  const std::uint64_t region = RegionOf(address);
  const std::uint64_t offset = address - region;
  if (region == kFIFO) {
    if (FIFOTransferRefused(true)) return;
    std::size_t taken = size;
    if (_transfer_bytes > 0) {
      taken = std::min<std::size_t>(taken, _transfer_bytes);
      _transfer_bytes -= static_cast<std::uint32_t>(taken);
    }
    const std::size_t room =
        2 * static_cast<std::size_t>(_config.fifo_samples) - _output_fifo.size();
    _output_fifo.insert(_output_fifo.end(), data, data + std::min(taken, room));
    return;
  }
  if (region == kPortE) {
    if (!_port_e) return;
    const std::size_t end = std::min<std::size_t>(offset + size, kRegionSize);
    if (offset >= end) return;
    if (_port_e_memory.size() < end) _port_e_memory.resize(end);
    std::copy_n(data, end - offset, _port_e_memory.begin() + static_cast<std::ptrdiff_t>(offset));
    return;
  }
  // A block starts at its address; later pieces continue where the last
  // one ended. Anything else is not a block the unit knows.
  if (offset == 0) {
    _assembly = Assembly{region, {}, false};
  } else if (_assembly.region != region || offset != _assembly.bytes.size()) {
    return;
  }
  if (_assembly.acted) return;
  _assembly.bytes.insert(_assembly.bytes.end(), data, data + size);
  if (_assembly.bytes.size() >= NeededBytes(region, _assembly.bytes)) {
    _assembly.acted = true;
    ActOnBlock(region, _assembly.bytes);
  }
}

bool QRN55SimUnit::FIFOTransferRefused(bool write) {
  if (!std::exchange(_transfer_announced, false)) return _transfer_refused;
  const std::size_t frame_bytes =
      2 * (write ? _outputs_per_frame.size() : _inputs_per_frame.size());
  _transfer_refused =
      _continuous && frame_bytes > 0 && _transfer_bytes % (4 * frame_bytes) != 0;
  if (_transfer_refused) {
    _refused_transfers.push_back(std::string(write ? "FIFO write" : "FIFO read") + " of " +
                                 std::to_string(_transfer_bytes) + " bytes: frames of " +
                                 std::to_string(frame_bytes) +
                                 " bytes move in whole groups of 4");
  }
  return _transfer_refused;
}

std::size_t QRN55SimUnit::NeededBytes(std::uint64_t region,
                                      const std::vector<std::uint8_t>& bytes) const {
  switch (region) {
    case kPulse:
      if (bytes.size() < kPulseHeaderSize) return kPulseHeaderSize;
      return kPulseHeaderSize + UInt32At(bytes, 4);
    case kSettings:
      return kSettingsSize;
    case kEEPROMWindow:
      return kEEPROMWindowSize;
    case kRecording:
    case kControlWrite:
      return 2;
    case kDelay:
      return 4;
    case kDataTransferSize:
      return 8;
    default:
      return 0;  // ignored
  }
}

void QRN55SimUnit::ActOnBlock(std::uint64_t region, const std::vector<std::uint8_t>& bytes) {
  switch (region) {
    case kPulse:
      RunPulse(bytes);
      break;
    case kSettings:
      ResetAcquisition();
      ApplySettings(ParseSettings(bytes));
      break;
    case kRecording:
      RecordingControl(bytes[0], bytes[1]);
      break;
    case kEEPROMWindow:
      if (_unlocked) {
        for (int i = 0; i < kEEPROMWindowSize; ++i)
          _eeprom[(_eeprom_address + i) % kEEPROMSize] = bytes[i];
        HoldStuckEEPROMBytes();
        SaveEEPROM();
      }
      break;
    case kControlWrite: {
      const int value = bytes[0] << 8 | bytes[1];
      _control_volts[value >> 12 & 1] = (value & 0xFFF) / kControlCodesPerVolt;
      break;
    }
    case kDelay:
      _last_delay_ticks = static_cast<int>(UInt32At(bytes, 0));
      _pending_sleep = _last_delay_ticks * _config.signature.timer_unit * 1e-6;
      break;
    case kDataTransferSize:
      _transfer_bytes = UInt32At(bytes, 0);
      _transfer_announced = _transfer_bytes > 0;
      _transfer_refused = false;
      _eeprom_address = UInt16At(bytes, 4);
      _unlocked = bytes[6] != 0;
      _port_e = bytes[7] != 0;
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Acquisition.

QRN55SimUnit::Settings QRN55SimUnit::ParseSettings(std::span<const std::uint8_t> block) {
  Settings settings;
  settings.input_bytes = UInt32At(block, 0);
  settings.output_bytes = UInt32At(block, 4);
  settings.frame_interval = UInt16At(block, 8);
  for (int entry = 0; entry < 8; ++entry) settings.entries[entry] = UInt16At(block, 24 - 2 * entry);
  settings.frames = UInt32At(block, 26);
  settings.control_register = block[34];
  return settings;
}

void QRN55SimUnit::ApplySettings(const Settings& settings) {
  _settings = settings;
  _outputs_per_frame.clear();
  _inputs_per_frame.clear();
  for (std::uint16_t entry : settings.entries) {
    if (entry == 0xFFFF) break;
    for (int output : {entry >> 8 & 7, entry >> 12 & 7}) {
      if (output < 7) _outputs_per_frame.push_back(static_cast<Output>(output));
    }
    const int first = entry & 7;
    const int second = entry >> 3 & 7;
    if (first >= 4) _inputs_per_frame.push_back(static_cast<Input>(2 * (first - 4)));
    if (entry & 0x40) _inputs_per_frame.push_back(Input::kUser);
    if (entry & 0x80) _inputs_per_frame.push_back(Input::kTLV);
    if (second >= 4) {
      const bool multiplexed = second == 7 && (settings.control_register & kMultiplexedADC7) != 0;
      _inputs_per_frame.push_back(multiplexed ? Input::kMultiplexer
                                              : static_cast<Input>(2 * (second - 4) + 1));
    }
  }
}

void QRN55SimUnit::RunPulse(const std::vector<std::uint8_t>& block) {
  ResetAcquisition();
  _start_time = Platform::ElapsedSeconds();
  ApplySettings(ParseSettings(block));
  _continuous = false;
  const std::size_t output_bytes = std::min<std::size_t>(
      _settings.output_bytes, 2 * static_cast<std::size_t>(_config.fifo_samples));
  _output_fifo.assign(block.begin() + kPulseHeaderSize,
                      block.begin() + kPulseHeaderSize + static_cast<std::ptrdiff_t>(output_bytes));
  _input_samples_left = _settings.input_bytes / 2;
  RunFrames(_settings.frames);
  // The write returns once the pulse has run: waits on the program's clock
  // (a deadline over several sweeps) see its length go by.
  _pending_sleep += _settings.frames * FramePeriod();
  // The pulse ends only when its last samples have left the converters.
  const std::size_t room = 2 * static_cast<std::size_t>(_config.fifo_samples) - _input_fifo.size();
  if (_pipeline.size() > room) _overflow = true;
  _input_fifo.insert(
      _input_fifo.end(), _pipeline.begin(),
      _pipeline.begin() + static_cast<std::ptrdiff_t>(std::min(_pipeline.size(), room)));
  _pipeline.clear();
}

void QRN55SimUnit::RecordingControl(int operation, int control_register) {
  switch (operation) {
    case 1:
      if (_running || _waiting_for_trigger) break;
      _continuous = true;
      if (control_register & kExternalTriggerStart) {
        _waiting_for_trigger = true;
        if (_triggered) Start();
      } else {
        Start();
      }
      break;
    case 2:
      Advance();
      _running = false;
      _waiting_for_trigger = false;
      break;
    case 3:
      ResetAcquisition();
      break;
    default:
      break;
  }
}

void QRN55SimUnit::Start() {
  _waiting_for_trigger = false;
  _running = true;
  _start_time = Platform::ElapsedSeconds() - _sequence_count * FramePeriod();
}

double QRN55SimUnit::FramePeriod() const {
  int steps = 0;
  while (steps < 8 && _settings.entries[steps] != 0xFFFF) ++steps;
  const int ticks = std::max(steps + std::max(_settings.frame_interval - 1, 0), 1);
  return ticks * kTickSeconds;
}

void QRN55SimUnit::Advance() {
  if (!_running || _frozen) return;
  const double elapsed = Platform::ElapsedSeconds() - _start_time;
  if (!(elapsed > 0.0)) return;
  // A frame that ends within rounding error of now has run.
  const auto due = static_cast<std::uint64_t>(elapsed / FramePeriod() + 1e-6);
  if (due > _sequence_count) RunFrames(due - _sequence_count);
}

bool QRN55SimUnit::FrameCanMove() const {
  const std::size_t output_frame = 2 * _outputs_per_frame.size();
  const std::size_t input_frame = 2 * _inputs_per_frame.size();
  const bool can_output = output_frame > 0 && _output_fifo.size() >= output_frame;
  const bool input_wanted = _continuous || _input_samples_left > 0;
  const bool can_input =
      input_frame > 0 && input_wanted &&
      (_input_fifo.size() + input_frame <= 2 * static_cast<std::size_t>(_config.fifo_samples) ||
       static_cast<int>(_pipeline.size() / input_frame) < _delay_frames);
  return can_output || can_input;
}

void QRN55SimUnit::RunFrames(std::uint64_t frames) {
  std::uint64_t run = 0;
  // Once nothing can move any more, the remaining frames only count.
  while (run < frames && FrameCanMove()) {
    _driven.sweep_seconds = static_cast<double>(_sequence_count + run) * FramePeriod();
    _driven.clock_seconds = _start_time + _driven.sweep_seconds;
    RunFrame();
    ++run;
  }
  if (run < frames && _continuous) {
    if (!_outputs_per_frame.empty()) _underflow = true;
    if (!_inputs_per_frame.empty()) _overflow = true;
  }
  _sequence_count += frames;
}

void QRN55SimUnit::RunFrame() {
  const std::size_t output_frame = 2 * _outputs_per_frame.size();
  if (output_frame > 0) {
    if (_output_fifo.size() >= output_frame) {
      for (Output output : _outputs_per_frame) {
        const auto code = static_cast<std::int16_t>(_output_fifo[0] | _output_fifo[1] << 8);
        _output_fifo.erase(_output_fifo.begin(), _output_fifo.begin() + 2);
        switch (output) {
          case Output::kUser:
            _driven.user_digital = static_cast<std::uint16_t>(code);
            break;
          case Output::kTLV:
            _driven.tlv_digital = static_cast<std::uint16_t>(code);
            break;
          default:
            _driven.dac_volts[static_cast<int>(output)] = code * kVoltsPerCode;
        }
      }
    } else if (_continuous) {
      _underflow = true;
    }
  }
  _seen.clipping_lines = 0;
  _wiring->Frame(_driven, _seen);
  _clipping |= _seen.clipping_lines;

  if (_inputs_per_frame.empty() || (!_continuous && _input_samples_left == 0)) return;
  for (Input input : _inputs_per_frame) {
    const auto code = static_cast<std::uint16_t>(Convert(input, _seen));
    _pipeline.push_back(static_cast<std::uint8_t>(code));
    _pipeline.push_back(static_cast<std::uint8_t>(code >> 8));
  }
  if (!_continuous) {
    _input_samples_left -= std::min<std::uint64_t>(_input_samples_left, _inputs_per_frame.size());
  }
  const std::size_t input_frame = 2 * _inputs_per_frame.size();
  if (_pipeline.size() / input_frame <= static_cast<std::size_t>(_delay_frames)) return;
  if (_input_fifo.size() + input_frame <= 2 * static_cast<std::size_t>(_config.fifo_samples)) {
    _input_fifo.insert(_input_fifo.end(), _pipeline.begin(),
                       _pipeline.begin() + static_cast<std::ptrdiff_t>(input_frame));
  } else {
    _overflow = true;
  }
  _pipeline.erase(_pipeline.begin(), _pipeline.begin() + static_cast<std::ptrdiff_t>(input_frame));
}

std::int16_t QRN55SimUnit::Convert(Input input, const QRN55SimInputs& seen) {
  switch (input) {
    case Input::kUser:
      return static_cast<std::int16_t>(seen.user_digital);
    case Input::kTLV:
      return static_cast<std::int16_t>(seen.tlv_digital);
    default:
      break;
  }
  const int adc = input == Input::kMultiplexer ? 7 : static_cast<int>(input);
  const double volts = input == Input::kMultiplexer ? seen.multiplexer_volts : seen.adc_volts[adc];
  const double code = std::isnan(volts) ? 0.0 : std::round(volts / kVoltsPerCode);
  if (code > 32767.0 || code < -32768.0) {
    _clipping |= 1 << (adc / 2);
    return code > 0 ? std::int16_t{32767} : std::int16_t{-32768};
  }
  return static_cast<std::int16_t>(code);
}
