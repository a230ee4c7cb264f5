#include "sim/ZRVLibrary/ZRVSimRack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "sim/ZRVLibrary/ZRVSimClock.h"
#include "sim/ZRVLibrary/ZRVSimConverter.h"
#include "sim/ZRVLibrary/ZRVSimStatus.h"

using namespace ZRVSimStatus;
using namespace ZRVLibraryCalls;

namespace {

constexpr std::int32_t kDefaultFifoSamples = 0x100000;
constexpr std::uint32_t kDefaultMasterSerial = (840u << 16) | 1234u;
constexpr std::uint32_t kNoSerial = 0xFFFFFFFF;

constexpr std::uint32_t kInputOverflow = 0x10000;
constexpr std::uint32_t kOutputUnderflow = 0x100000;
constexpr std::uint32_t kOutputDone = 0x1;

// What a single read charges to the clock: one conversion.
constexpr double kSingleConversionSeconds = 10e-6;
constexpr int kDacsPerRack = 4;
constexpr int kAdcsPerRack = 8;

bool BoardAnswers(std::int32_t board) { return board >= 0 && board <= 5; }

bool ValidDirection(std::int32_t direction) { return direction == 0 || direction == 1; }

std::int64_t Nanoseconds(double seconds) { return std::llround(seconds * 1e9); }

}  // namespace

ZRVSimRack::ZRVSimRack(ZRVSimWiring* wiring) : _wiring(wiring) {
  _settings.fifo_samples = kDefaultFifoSamples;
  _settings.racks = 1;
  _settings.master_serial = kDefaultMasterSerial;
  _settings.slave_serial = kNoSerial;
}

void ZRVSimRack::Reset(ZRVSimWiring* wiring) { *this = ZRVSimRack(wiring); }

void ZRVSimRack::SetWiring(ZRVSimWiring* wiring) { _wiring = wiring; }

void ZRVSimRack::Configure(const ZRVSimSettings& settings) {
  _settings = settings;
  _linkFailuresLeft = settings.optical_link_failures;
}

std::int32_t ZRVSimRack::Check(const void* handle) const {
  return _open && handle == this ? kOk : kInvalidDevice;
}

bool ZRVSimRack::Resolve(bool output, std::int32_t channel, Line& line) const {
  struct Port {
    std::int32_t channel;
    Line::Kind kind;
    int rack;
  };
  static constexpr Port kOutputPorts[] = {
      {8, Line::kFast, 0}, {9, Line::kTlv, 0}, {10, Line::kUser, 0}, {12, Line::kTlv, 1}, {13, Line::kUser, 1}};
  static constexpr Port kInputPorts[] = {
      {26, Line::kFast, 0}, {27, Line::kUser, 0}, {28, Line::kTlv, 0}, {30, Line::kUser, 1}, {31, Line::kTlv, 1}};
  const int perRack = output ? kDacsPerRack : kAdcsPerRack;
  if (channel >= 0 && channel < 2 * perRack) {
    line = {Line::kAnalog, channel, channel / perRack};
  } else {
    const auto& ports = output ? kOutputPorts : kInputPorts;
    const auto port = std::ranges::find(ports, channel, &Port::channel);
    if (port == std::end(ports)) return false;
    line = {port->kind, 0, port->rack};
  }
  return line.rack < _racks;
}

bool ZRVSimRack::Stalled(const Line& line) const {
  return (_settings.stalled_units & (1u << line.rack)) != 0;
}

void ZRVSimRack::Drive(const Line& line, std::int32_t value) {
  const auto word = static_cast<std::uint16_t>(value);
  switch (line.kind) {
    case Line::kAnalog:
      _outputs.dac_volts[line.index] = ZRVSimConverter::DacVolts(static_cast<std::int16_t>(word));
      break;
    case Line::kUser: _outputs.user_digital[line.rack] = word; break;
    case Line::kTlv: _outputs.tlv_digital[line.rack] = word; break;
    case Line::kFast: _outputs.fast_digital = word; break;
  }
  if (line.kind != Line::kAnalog) See();
  else _lookStands = false;
}

void ZRVSimRack::See() {
  _lookStands = true;
  _lookInstant = _outputs.clock_seconds;
  _inputs.clipping_lines = 0;
  _wiring->Sample(_outputs, _inputs);
  LatchClippingLines(_inputs.clipping_lines);
}

void ZRVSimRack::LatchClippingLines(std::uint16_t lines) {
  // Rack boards 0-3 light the clipping pairs 0, 2, 3, 1 of their rack.
  static constexpr int kPairOfBoard[] = {0, 2, 3, 1};
  for (int rack = 0; rack < 2; ++rack) {
    for (int board = 0; board < 4; ++board) {
      if ((lines >> (8 * rack + board) & 1) != 0) _clipping |= 1u << (16 * rack + kPairOfBoard[board]);
    }
  }
}

std::int32_t ZRVSimRack::Read(const Line& line) {
  // A single analog read converts its own input alone.
  _outputs.adcs_read = line.kind == Line::kAnalog ? static_cast<std::uint16_t>(1u << line.index) : 0xFFFF;
  See();
  _outputs.adcs_read = 0xFFFF;
  return LineValue(line);
}

std::int32_t ZRVSimRack::LineValue(const Line& line) {
  switch (line.kind) {
    case Line::kAnalog: {
      bool clipped = false;
      const std::int16_t code = ZRVSimConverter::AdcCode(_inputs.adc_volts[line.index], 1, clipped);
      if (clipped) InjectClipping(line.index);
      return code;
    }
    case Line::kUser: return _inputs.user_digital[line.rack];
    case Line::kTlv: return _inputs.tlv_digital[line.rack];
    case Line::kFast: return _inputs.fast_digital;
  }
  return 0;
}

void ZRVSimRack::InjectClipping(std::int32_t input) {
  if (input < 0 || input >= 2 * kAdcsPerRack) return;
  _clipping |= 1u << (16 * (input / kAdcsPerRack) + (input % kAdcsPerRack) / 2);
}

std::int32_t ZRVSimRack::GlobalConfig(const GlobalConfigRecord* config) {
  if (config == nullptr || config->fifo_bytes < 2) return kBadArgument;
  _lastConfig = *config;
  _configuredFifoBytes = config->fifo_bytes;
  return kOk;
}

std::int32_t ZRVSimRack::OpenDevice(std::int32_t deviceType, std::int32_t board,
                                    std::int32_t flags, void** handle) {
  if (handle == nullptr || deviceType != kDeviceTypeRack || flags != kOpenFlags) return kBadArgument;
  if (!BoardAnswers(board)) return kNoBoardAnswer;
  if (_open) return kBusy;
  *handle = this;
  _open = true;
  _board = board;
  _racks = std::clamp(_settings.racks, 1, 2);
  const std::int64_t bytes =
      _configuredFifoBytes > 0 ? _configuredFifoBytes : 2 * std::int64_t{_settings.fifo_samples};
  _fifoBytes = static_cast<std::int32_t>(std::clamp<std::int64_t>(bytes, 2, std::numeric_limits<std::int32_t>::max()));
  _initialised = false;
  return kOk;
}

std::int32_t ZRVSimRack::InitDevice(void* handle, const InitRecord* init) {
  if (const std::int32_t status = Check(handle)) return status;
  if (init == nullptr) return kBadArgument;
  ++_initialisations;
  _lastInit = *init;
  if (_linkFailuresLeft > 0) {
    --_linkFailuresLeft;
    return kOpticalLink;
  }
  if (init->clock_mode < 0 || init->clock_mode > 2) return kBadArgument;
  _clockMode = init->clock_mode;
  _running = false;
  _setUp.clear();
  _channels.clear();
  _armed = false;
  _outputs = ZRVSimOutputs{};
  _initialised = true;
  return kOk;
}

std::int32_t ZRVSimRack::GetSerialNumbers(void* handle, std::int32_t which, std::uint32_t* master,
                                          std::uint32_t* slave) {
  if (const std::int32_t status = Check(handle)) return status;
  if (!_initialised) return kNotInitialised;
  if (which != 0 || master == nullptr || slave == nullptr) return kBadArgument;
  *master = _settings.master_serial;
  *slave = _settings.slave_serial;
  return kOk;
}

std::int32_t ZRVSimRack::GetDeviceInfo(void* handle, DeviceInfoRecord* info) {
  if (const std::int32_t status = Check(handle)) return status;
  if (!_initialised) return kNotInitialised;
  if (info == nullptr) return kBadArgument;
  *info = DeviceInfoRecord{};
  info->fifo_bytes = _fifoBytes;
  info->dac_count = kDacsPerRack * _racks;
  info->adc_count = kAdcsPerRack * _racks;
  return kOk;
}

std::int32_t ZRVSimRack::CloseDevice(void* handle) {
  if (const std::int32_t status = Check(handle)) return status;
  _open = false;
  _initialised = false;
  _running = false;
  _setUp.clear();
  _channels.clear();
  _armed = false;
  return kOk;
}

std::int32_t ZRVSimRack::AsyncIO(void* handle, std::int32_t count, DataRecord* records) {
  if (const std::int32_t status = Check(handle)) return status;
  if (!_initialised) return kNotInitialised;
  if (_running) return kRunning;
  if (records == nullptr || count < 1 || count > kZRVSimMaxRecords) return kBadArgument;
  _lastIo.assign(records, records + count);
  std::array<Line, kZRVSimMaxRecords> lines{};
  for (std::int32_t n = 0; n < count; ++n) {
    if (!ValidDirection(records[n].channel_type)) return kBadArgument;
    if (!Resolve(records[n].channel_type == 1, records[n].channel, lines[n])) return kBadChannel;
  }
  const auto reads = std::count_if(records, records + count, [](const DataRecord& r) { return r.channel_type != 1; });
  ZRVSimClock::Advance(static_cast<double>(reads) * kSingleConversionSeconds);
  _outputs.clock_seconds = ZRVSimClock::Now();
  for (std::int32_t n = 0; n < count; ++n) {
    if (records[n].channel_type == 1) {
      Drive(lines[n], records[n].value);
    } else {
      records[n].value = Read(lines[n]);
    }
  }
  return kOk;
}

std::int32_t ZRVSimRack::SingleScan(void* handle, std::int32_t count, SingleScanRecord* records) {
  if (const std::int32_t status = Check(handle)) return status;
  if (!_initialised) return kNotInitialised;
  if (_running) return kRunning;
  if (records == nullptr || count < 1 || count > kZRVSimMaxRecords) return kBadArgument;
  _lastScan.assign(records, records + count);
  std::vector<Line> lines(static_cast<std::size_t>(count));
  for (std::int32_t n = 0; n < count; ++n) {
    const SingleScanRecord& record = records[n];
    if (!ValidDirection(record.direction) || record.count < 1 || record.interval < 1 ||
        record.data == nullptr) {
      return kBadArgument;
    }
    if (!Resolve(record.direction == 1, record.channel, lines[n])) return kBadChannel;
  }
  // Conversions in time order; at the same instant outputs go first.
  const double scanStart = ZRVSimClock::Now();
  std::vector<std::int32_t> done(static_cast<std::size_t>(count), 0);
  for (;;) {
    int chosen = -1;
    std::int64_t chosenTime = 0;
    for (int n = 0; n < count; ++n) {
      if (done[n] == records[n].count) continue;
      const std::int64_t time = std::int64_t{done[n]} * records[n].interval;
      const bool earlier = chosen < 0 || time < chosenTime ||
                           (time == chosenTime && records[n].direction > records[chosen].direction);
      if (earlier) {
        chosen = n;
        chosenTime = time;
      }
    }
    if (chosen < 0) break;
    SingleScanRecord& record = records[chosen];
    _outputs.sweep_seconds = static_cast<double>(chosenTime) * 5e-6;  // the records count 5 us ticks
    _outputs.clock_seconds = scanStart + _outputs.sweep_seconds;
    if (record.direction == 1) {
      Drive(lines[chosen], record.data[done[chosen]]);
    } else {
      record.data[done[chosen]] = static_cast<std::int16_t>(Read(lines[chosen]));
    }
    ++done[chosen];
  }
  return kOk;
}

std::int32_t ZRVSimRack::ResetChannels(void* handle) {
  if (const std::int32_t status = Check(handle)) return status;
  if (_running) return kRunning;
  _setUp.clear();
  _channels.clear();
  _armed = false;
  return kOk;
}

std::int32_t ZRVSimRack::SetChannels(void* handle, std::int32_t count, const ChannelRecord* records) {
  if (const std::int32_t status = Check(handle)) return status;
  if (!_initialised) return kNotInitialised;
  if (_running) return kRunning;
  if (records == nullptr || count < 1 || count > kZRVSimMaxRecords) return kBadArgument;
  for (std::int32_t n = 0; n < count; ++n) {
    const ChannelRecord& record = records[n];
    Line line;
    if (!ValidDirection(record.direction)) return kBadArgument;
    if (!Resolve(record.direction == 1, record.channel, line)) return kBadChannel;
    if (!std::isfinite(record.clock_interval) || Nanoseconds(record.clock_interval) < 1 ||
        !std::isfinite(record.delay) || record.delay < 0.0 || record.divider < 1) {
      return kBadArgument;
    }
    for (std::int32_t m = 0; m < n; ++m) {
      if (records[m].direction == record.direction && records[m].channel == record.channel) {
        return kBadArgument;
      }
    }
  }
  _setUp.assign(records, records + count);
  return kOk;
}

std::int32_t ZRVSimRack::UpdateChannels(void* handle) {
  if (const std::int32_t status = Check(handle)) return status;
  if (_running) return kRunning;
  if (_setUp.empty()) return kNoSetUp;
  _channels.clear();
  // Outputs first, so that an output and an input due at the same instant
  // run in that order.
  for (const bool output : {true, false}) {
    for (const ChannelRecord& record : _setUp) {
      if ((record.direction == 1) != output) continue;
      Channel channel{output, {}, record.channel, Nanoseconds(record.delay),
                      Nanoseconds(record.clock_interval) * record.divider, 0, {}};
      Resolve(output, record.channel, channel.line);
      _channels.push_back(std::move(channel));
    }
  }
  // The inputs share the FIFO evenly.
  const auto inputs = std::ranges::count_if(_channels, [](const Channel& channel) { return !channel.output; });
  _inputCapacity = static_cast<std::size_t>(_fifoBytes / 2 / std::max<std::ptrdiff_t>(inputs, 1));
  _overflowWord = 0;
  _armed = true;
  return kOk;
}

ZRVSimRack::Channel* ZRVSimRack::Find(bool output, std::int32_t channel) {
  const auto found = std::ranges::find_if(_channels, [&](const Channel& candidate) {
    return candidate.output == output && candidate.number == channel;
  });
  return found == _channels.end() ? nullptr : &*found;
}

bool ZRVSimRack::NothingCanChange() const {
  return std::ranges::all_of(_channels, [&](const Channel& channel) {
    if (Stalled(channel.line)) return true;
    if (channel.output) return !_outputEnabled || channel.queue.empty();
    return channel.queue.size() >= _inputCapacity;
  });
}

void ZRVSimRack::SkipTo(std::int64_t now) {
  for (Channel& channel : _channels) {
    const std::int64_t due = now >= channel.delay ? (now - channel.delay) / channel.period + 1 : 0;
    if (due <= channel.next) continue;
    if (!Stalled(channel.line)) {
      if (!channel.output) {
        _overflowWord |= kInputOverflow;
      } else if (_outputEnabled && !channel.last) {
        _overflowWord |= kOutputUnderflow;
      }
    }
    channel.next = due;
  }
}

bool ZRVSimRack::Convert(Channel& channel) {
  const bool looked = channel.line.kind != Line::kAnalog && _lookStands && _lookInstant == _outputs.clock_seconds;
  const auto code = static_cast<std::int16_t>(looked ? LineValue(channel.line) : Read(channel.line));
  if (channel.queue.size() >= _inputCapacity) {
    _overflowWord |= kInputOverflow;
    return false;
  }
  channel.queue.push_back(code);
  return true;
}

bool ZRVSimRack::RunDue(std::int64_t now) {
  // Between two calls the wiring's state may have changed.
  _lookStands = false;
  for (;;) {
    Channel* next = nullptr;
    for (Channel& channel : _channels) {
      if (next == nullptr || channel.NextTime() < next->NextTime()) next = &channel;
    }
    if (next == nullptr || next->NextTime() > now) return false;
    ++next->next;
    if (Stalled(next->line)) continue;
    _outputs.sweep_seconds = static_cast<double>(next->NextTime() - next->period) * 1e-9;
    _outputs.clock_seconds = _startTime + _outputs.sweep_seconds;
    if (!next->output) {
      if (!Convert(*next)) return true;
    } else if (_outputEnabled) {
      if (!next->queue.empty()) {
        Drive(next->line, next->queue.front());
        next->queue.pop_front();
      } else if (!next->last) {
        _overflowWord |= kOutputUnderflow;
      }
    }
  }
}

void ZRVSimRack::Advance() {
  if (!_running || _waitingForTrigger) return;
  const std::int64_t now = ZRVSimClock::NanosecondsSince(_startTime);
  // A conversion that found its queue full may have left nothing that can
  // change; the rest of the time is then skipped at once.
  while (!NothingCanChange()) {
    if (!RunDue(now)) return;
  }
  SkipTo(now);
}

std::int32_t ZRVSimRack::ReadWriteFIFO(void* handle, std::int32_t count, DataRecord* records) {
  if (const std::int32_t status = Check(handle)) return status;
  if (count < 0 || count > kZRVSimMaxRecords || (count > 0 && records == nullptr)) return kBadArgument;
  if (_channels.empty()) return kNoSetUp;
  _lastFifo.assign(records, records + count);
  Advance();
  for (std::int32_t n = 0; n < count; ++n) {
    const DataRecord& record = records[n];
    if (!ValidDirection(record.channel_type) || record.value < 0 ||
        (record.value > 0 && record.data == nullptr)) {
      return kBadArgument;
    }
    const Channel* channel = Find(record.channel_type == 1, record.channel);
    if (channel == nullptr) return kBadChannel;
    if (!channel->output && channel->queue.size() < static_cast<std::size_t>(record.value)) {
      return kInputUnderrun;
    }
  }
  for (std::int32_t n = 0; n < count; ++n) {
    const DataRecord& record = records[n];
    Channel& channel = *Find(record.channel_type == 1, record.channel);
    if (channel.output) {
      channel.queue.insert(channel.queue.end(), record.data, record.data + record.value);
      channel.last = (record.command & kCommandLastData) != 0;
    } else {
      std::copy_n(channel.queue.begin(), record.value, record.data);
      channel.queue.erase(channel.queue.begin(), channel.queue.begin() + record.value);
    }
  }
  return kOk;
}

std::int32_t ZRVSimRack::Start(void* handle, const StartRecord* start) {
  if (const std::int32_t status = Check(handle)) return status;
  if (start == nullptr) return kBadArgument;
  if (_running) return kRunning;
  if (!_armed) return kNoSetUp;
  if (start->trigger != kTriggerNone && start->trigger != kTrigger &&
      start->trigger != kTriggerExternalMode) {
    return kBadArgument;
  }
  _lastStart = *start;
  _armed = false;
  _outputEnabled = start->output_enable != 0;
  _waitingForTrigger = start->trigger != kTriggerNone;
  _startTime = ZRVSimClock::Now();
  _running = true;
  return kOk;
}

void ZRVSimRack::Trigger() {
  if (!_running || !_waitingForTrigger) return;
  _waitingForTrigger = false;
  _startTime = ZRVSimClock::Now();
}

std::int32_t ZRVSimRack::UpdateNow(void* handle) {
  if (const std::int32_t status = Check(handle)) return status;
  Advance();
  return kOk;
}

std::int32_t ZRVSimRack::GetState(void* handle, StateRecord* state) {
  if (const std::int32_t status = Check(handle)) return status;
  if (state == nullptr) return kBadArgument;
  _lastStateRequest = *state;
  Advance();
  if (state->request == kRequestOverflow) {
    const bool hasOutput = std::ranges::any_of(_channels, &Channel::output);
    const bool allSent = std::ranges::all_of(_channels, [](const Channel& channel) {
      return !channel.output || (channel.last && channel.queue.empty());
    });
    state->overflow = _overflowWord | (_outputEnabled && hasOutput && allSent ? kOutputDone : 0) |
                      (_injectedOverflow ? kInputOverflow : 0);
    _injectedOverflow = false;
    return kOk;
  }
  if (state->request == kRequestClipping) {
    LatchClippingLines(_wiring->ClippingLines(ZRVSimClock::Now()));
    state->clipping = _clipping;
    _clipping = 0;
    return kOk;
  }
  return kBadArgument;
}

std::int32_t ZRVSimRack::GetDataAvailable(void* handle, std::int32_t count, DataRecord* records) {
  if (const std::int32_t status = Check(handle)) return status;
  if (records == nullptr || count < 1 || count > kZRVSimMaxRecords) return kBadArgument;
  _lastAvailableRequest = records[0];
  Advance();
  for (std::int32_t n = 0; n < count; ++n) {
    const Channel* channel = Find(false, records[n].channel);
    if (records[n].channel_type != 0 || channel == nullptr) return kBadChannel;
    records[n].value = static_cast<std::int32_t>(channel->queue.size());
  }
  return kOk;
}

std::int32_t ZRVSimRack::Stop(void* handle) {
  if (const std::int32_t status = Check(handle)) return status;
  Advance();
  _running = false;
  _waitingForTrigger = false;
  return kOk;
}

void ZRVSimRack::Look(ZRVSimBoardState& state) {
  Advance();
  state.open = _open;
  state.board_number = _board;
  state.initialised = _initialised;
  state.initialisations = _initialisations;
  state.mode = _clockMode;
  state.running = _running;
  state.waiting_for_trigger = _waitingForTrigger;
  state.outputs = _outputs;
  state.config = _lastConfig;
  state.init = _lastInit;
  state.start = _lastStart;
  state.state_request = _lastStateRequest;
  state.available_request = _lastAvailableRequest;
  state.channel_count = static_cast<std::int32_t>(_setUp.size());
  std::ranges::copy(_setUp, state.channels);
  state.fifo_count = static_cast<std::int32_t>(_lastFifo.size());
  std::ranges::copy(_lastFifo, state.fifo);
  state.io_count = static_cast<std::int32_t>(_lastIo.size());
  std::ranges::copy(_lastIo, state.io);
  state.scan_count = static_cast<std::int32_t>(_lastScan.size());
  std::ranges::copy(_lastScan, state.scan);
}
