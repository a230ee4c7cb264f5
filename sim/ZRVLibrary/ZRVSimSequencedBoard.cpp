#include "sim/ZRVLibrary/ZRVSimSequencedBoard.h"

#include <algorithm>
#include <cstring>

#include "sim/ZRVLibrary/ZRVSimClock.h"
#include "sim/ZRVLibrary/ZRVSimConverter.h"
#include "sim/ZRVLibrary/ZRVSimStatus.h"

using namespace ZRVSimStatus;

namespace {

// What tells the two boards apart, as data.
struct Model {
  std::int32_t structureSize;  // bytes of the device record
  std::int64_t tickNanoseconds;
  std::int32_t fifoSamples;    // default depth
  std::int32_t maxMode;        // logic configurations 0..maxMode
};
constexpr Model kZRV24{384, 1000, 0x4000, 0};
constexpr Model kZRV28{512, 1250, 0x40000, 2};

const Model& ModelOf(std::int32_t family) { return family == kZRVSimZRV28 ? kZRV28 : kZRV24; }

// What Open writes at the start of the caller's device record.
struct DeviceHeader {
  std::uint32_t magic;
  std::int32_t family;
  std::int32_t board;
};
constexpr std::uint32_t kMagic = 0x5A525653;  // "ZRVS"

bool BoardAnswers(std::int32_t board) {
  return (board >= 0 && board <= 2) || (board >= 0x10000 && board <= 0x10002);
}

constexpr int kGain[] = {1, 2, 5, 10};

// The clipping lines of the amplifier boards on the board's one rack.
constexpr std::uint16_t kRackOneLines = 0xFF;

constexpr std::uint16_t kZRV28Last = 0x4000;
constexpr int kZRV28DigitalInput = 8;
constexpr int kZRV28Tlv = 4;
constexpr int kZRV28DigitalWord = 5;
// A ZRV-28 sends nothing until this many values wait in its output FIFO; a
// ZRV-24 sends a value only while another one follows it.
constexpr std::size_t kZRV28OutputStart = 3;
constexpr std::size_t kZRV24OutputLookAhead = 2;

}  // namespace

ZRVSimSequencedBoard::ZRVSimSequencedBoard(std::int32_t family, ZRVSimWiring* wiring)
    : _family(family), _wiring(wiring) {
  _settings.fifo_samples = ModelOf(family).fifoSamples;
  _settings.racks = 1;
}

void ZRVSimSequencedBoard::Reset(ZRVSimWiring* wiring) { *this = ZRVSimSequencedBoard(_family, wiring); }

void ZRVSimSequencedBoard::SetWiring(ZRVSimWiring* wiring) { _wiring = wiring; }

void ZRVSimSequencedBoard::Configure(const ZRVSimSettings& settings) { _settings = settings; }

std::int32_t ZRVSimSequencedBoard::StructureSize() const { return ModelOf(_family).structureSize; }

std::int32_t ZRVSimSequencedBoard::Check(const void* device) const {
  if (!_open || device == nullptr || device != _device) return kInvalidDevice;
  DeviceHeader header;
  std::memcpy(&header, device, sizeof header);
  return header.magic == kMagic && header.family == _family ? kOk : kInvalidDevice;
}

std::int32_t ZRVSimSequencedBoard::Open(void* device, std::int32_t board) {
  if (device == nullptr) return kBadArgument;
  if (!BoardAnswers(board)) return kNoBoardAnswer;
  if (_open) return kBusy;
  const DeviceHeader header{kMagic, _family, board};
  std::memcpy(device, &header, sizeof header);
  _open = true;
  _device = device;
  _board = board;
  _capacity = std::max(_settings.fifo_samples, 1);
  _initialised = false;
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::Initialize(void* device, std::int32_t mode) {
  if (const std::int32_t status = Check(device)) return status;
  ++_initialisations;
  if (mode < 0 || mode > ModelOf(_family).maxMode) return kBadArgument;
  _running = false;
  ClearSweep();
  _outputs = ZRVSimOutputs{};
  _sequenceLength = 0;
  _mode = mode;
  _initialised = true;
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::FIFOSize(void* device) const {
  return Check(device) == kOk ? _capacity : 0;
}

std::int32_t ZRVSimSequencedBoard::Close(void* device) {
  if (const std::int32_t status = Check(device)) return status;
  std::memset(device, 0, sizeof(DeviceHeader));
  _open = false;
  _device = nullptr;
  _running = false;
  _initialised = false;
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::SetSamplingInterval(void* device, std::int32_t ticks) {
  if (const std::int32_t status = Check(device)) return status;
  if (_running) return kRunning;
  if (ticks < 1) return kBadArgument;
  _ticks = ticks;
  return kOk;
}

void ZRVSimSequencedBoard::ClearSweep() {
  _outputFifo.clear();
  _inputFifo.clear();
  _pipeline.clear();
  _fillUnread = 0;
  _outputStarted = false;
  _overflow = false;
  _injectedOverflow = false;
  _armed = false;
}

std::int32_t ZRVSimSequencedBoard::InitializeAcquisition(void* device) {
  if (const std::int32_t status = Check(device)) return status;
  if (!_initialised) return kNotInitialised;
  if (_running) return kRunning;
  ClearSweep();
  _armed = true;
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::SetSequence(void* device, std::int32_t length,
                                               const std::uint16_t* words) {
  if (const std::int32_t status = Check(device)) return status;
  if (!_initialised) return kNotInitialised;
  if (_running) return kRunning;
  if (words == nullptr || length < 1 || length > kZRVSimMaxSequence) return kBadArgument;
  // The ZRV-28 wraps at the word that carries the last-step bit, so a
  // sequence must carry it on its last word and on no other.
  if (IsZRV28()) {
    for (std::int32_t i = 0; i < length; ++i) {
      if (((words[i] & kZRV28Last) != 0) != (i == length - 1)) return kBadArgument;
    }
  }
  std::copy(words, words + length, _sequence.begin());
  std::transform(words, words + length, _steps.begin(), [this](std::uint16_t word) { return Decode(word); });
  _sequenceLength = length;
  _sequenceSends = std::any_of(_steps.begin(), _steps.begin() + length,
                               [](const Step& step) { return step.output != Output::kNone; });
  ++_sequenceLoads;
  return kOk;
}

int ZRVSimSequencedBoard::PipelineLength() const {
  if (!IsZRV28()) return 5;
  return _sequenceLength > 1 ? 2 * _sequenceLength + 3 : 5;
}

std::int32_t ZRVSimSequencedBoard::Start(void* device, std::int32_t trigger,
                                         std::int32_t outputEnable, std::int32_t option3,
                                         std::int32_t option4) {
  if (const std::int32_t status = Check(device)) return status;
  if (!_initialised) return kNotInitialised;
  if (_running) return kRunning;
  if (!_armed || _sequenceLength < 1 || _ticks < 1) return kNoSetUp;
  _armed = false;
  _startArguments = {trigger, outputEnable, option3, option4};
  _pipeline.assign(static_cast<std::size_t>(PipelineLength()), kPipelineFill);
  _fillUnread = PipelineLength();
  _stepsDone = 0;
  _startTime = ZRVSimClock::Now();
  _waitingForTrigger = trigger != 0;
  _running = true;
  return kOk;
}

void ZRVSimSequencedBoard::Trigger() {
  if (!_running || !_waitingForTrigger) return;
  _waitingForTrigger = false;
  _startTime = ZRVSimClock::Now();
}

ZRVSimSequencedBoard::Step ZRVSimSequencedBoard::Decode(std::uint16_t word) const {
  Step step{Output::kNone, 0, false, 0};
  if (!IsZRV28()) {
    step.digitalInput = (word & 0x20) != 0;
    step.adc = 7 - (word & 7);
    step.output = (word & 0x40) != 0 ? Output::kBothPorts : Output::kDac;
    step.dac = 3 - ((word >> 3) & 3);
    return step;
  }
  const int adc = (word >> 7) & 0xF;
  step.digitalInput = adc == kZRV28DigitalInput;
  step.adc = adc;
  const int output = (word >> 11) & 7;
  if (output < 4) {
    step.output = Output::kDac;
    step.dac = output;
  } else if (output == kZRV28Tlv) {
    step.output = Output::kTlv;
  } else if (output == kZRV28DigitalWord) {
    step.output = Output::kUser;
  }
  return step;
}

bool ZRVSimSequencedBoard::OutputCanMove() const {
  if (_startArguments[1] == 0 || !_sequenceSends) return false;
  if (IsZRV28()) return _outputStarted ? !_outputFifo.empty() : _outputFifo.size() >= kZRV28OutputStart;
  return _outputFifo.size() >= kZRV24OutputLookAhead;
}

void ZRVSimSequencedBoard::SendOutput(const Step& step) {
  if (_startArguments[1] == 0 || step.output == Output::kNone) return;
  if (IsZRV28()) {
    if (!_outputStarted && _outputFifo.size() >= kZRV28OutputStart) _outputStarted = true;
    if (!_outputStarted || _outputFifo.empty()) return;
  } else if (_outputFifo.size() < kZRV24OutputLookAhead) {
    return;
  }
  const std::int16_t value = _outputFifo.front();
  _outputFifo.pop_front();
  const auto word = static_cast<std::uint16_t>(value);
  switch (step.output) {
    case Output::kDac: _outputs.dac_volts[step.dac] = ZRVSimConverter::DacVolts(value); break;
    case Output::kUser: _outputs.user_digital[0] = word; break;
    case Output::kTlv: _outputs.tlv_digital[0] = word; break;
    case Output::kBothPorts:
      _outputs.user_digital[0] = word;
      _outputs.tlv_digital[0] = word;
      break;
    case Output::kNone: break;
  }
}

std::int16_t ZRVSimSequencedBoard::Convert(const Step& step) {
  _inputs.clipping_lines = 0;
  _wiring->Sample(_outputs, _inputs);
  _clipped = _clipped || (_inputs.clipping_lines & kRackOneLines) != 0;
  if (step.digitalInput) return static_cast<std::int16_t>(_inputs.user_digital[0]);
  const int gain = IsZRV28() ? kGain[_ranges[static_cast<std::size_t>(step.adc)]] : 1;
  bool clipped = false;
  const std::int16_t code = ZRVSimConverter::AdcCode(_inputs.adc_volts[step.adc], gain, clipped);
  _clipped = _clipped || clipped;
  return code;
}

void ZRVSimSequencedBoard::RunStep(const Step& step) {
  SendOutput(step);
  _pipeline.push_back(Convert(step));
  const std::int16_t converted = _pipeline.front();
  _pipeline.pop_front();
  if (static_cast<std::int32_t>(_inputFifo.size()) >= _capacity) {
    _overflow = true;
  } else {
    _inputFifo.push_back(converted);
  }
}

void ZRVSimSequencedBoard::Advance() {
  if (!_running || _waitingForTrigger) return;
  const std::int64_t stepNanoseconds = _ticks * ModelOf(_family).tickNanoseconds;
  const std::int64_t due = ZRVSimClock::NanosecondsSince(_startTime) / stepNanoseconds;
  if ((_settings.stalled_units & 1) != 0) {
    _stepsDone = due;
    return;
  }
  while (_stepsDone < due) {
    // Once the input FIFO is full and no output can move, further steps
    // change nothing but the overflow flag.
    if (static_cast<std::int32_t>(_inputFifo.size()) >= _capacity && !OutputCanMove()) {
      _overflow = true;
      _stepsDone = due;
      return;
    }
    _outputs.sweep_seconds = static_cast<double>(_stepsDone * stepNanoseconds) * 1e-9;
    _outputs.clock_seconds = _startTime + _outputs.sweep_seconds;
    RunStep(_steps[static_cast<std::size_t>(_stepsDone % _sequenceLength)]);
    ++_stepsDone;
  }
}

std::int32_t ZRVSimSequencedBoard::WriteFIFO(void* device, std::int32_t count,
                                             const std::int16_t* samples) {
  if (const std::int32_t status = Check(device)) return status;
  if (count < 0 || (count > 0 && samples == nullptr)) return kBadArgument;
  Advance();
  if (count > _capacity - static_cast<std::int32_t>(_outputFifo.size())) return kOutputFull;
  _outputFifo.insert(_outputFifo.end(), samples, samples + count);
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::GetFIFOReadAvailable(void* device, std::int32_t* count) {
  if (const std::int32_t status = Check(device)) return status;
  if (count == nullptr) return kBadArgument;
  Advance();
  *count = _settings.garbage_counter != 0
               ? 0x7FFFFFFF
               : static_cast<std::int32_t>(_inputFifo.size()) - _fillUnread;
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::ReadFIFO(void* device, std::int32_t count,
                                            std::int16_t* samples) {
  if (const std::int32_t status = Check(device)) return status;
  if (count < 0 || (count > 0 && samples == nullptr)) return kBadArgument;
  Advance();
  if (count > static_cast<std::int32_t>(_inputFifo.size())) return kInputUnderrun;
  std::copy_n(_inputFifo.begin(), count, samples);
  _inputFifo.erase(_inputFifo.begin(), _inputFifo.begin() + count);
  _fillUnread = std::max(0, _fillUnread - count);
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::IsClipping(void* device, std::int32_t* flag) {
  if (const std::int32_t status = Check(device)) return status;
  if (flag == nullptr) return kBadArgument;
  Advance();
  _clipped = _clipped || (_wiring->ClippingLines(ZRVSimClock::Now()) & kRackOneLines) != 0;
  *flag = _clipped ? 1 : 0;
  _clipped = false;
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::GetFIFOOverflow(void* device, std::int32_t* flag) {
  if (const std::int32_t status = Check(device)) return status;
  if (flag == nullptr) return kBadArgument;
  Advance();
  *flag = _overflow || _injectedOverflow ? 1 : 0;
  _injectedOverflow = false;
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::Stop(void* device) {
  if (const std::int32_t status = Check(device)) return status;
  Advance();
  _running = false;
  _waitingForTrigger = false;
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::SetDACShift(void* device, const std::int32_t* shifts) {
  if (const std::int32_t status = Check(device)) return status;
  if (shifts == nullptr) return kBadArgument;
  if (!_initialised || _mode != 2) return kWrongMode;
  std::copy_n(shifts, _dacShifts.size(), _dacShifts.begin());
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::SetRange(void* device, const std::int32_t* ranges) {
  if (const std::int32_t status = Check(device)) return status;
  if (ranges == nullptr) return kBadArgument;
  if (std::any_of(ranges, ranges + _ranges.size(), [](std::int32_t range) { return range < 0 || range > 3; })) {
    return kBadArgument;
  }
  Advance();
  std::copy_n(ranges, _ranges.size(), _ranges.begin());
  return kOk;
}

std::int32_t ZRVSimSequencedBoard::SetExternalTriggerMode(void* device, std::int32_t first,
                                                          std::int32_t second) {
  if (const std::int32_t status = Check(device)) return status;
  if (!_initialised) return kNotInitialised;
  _externalTriggerMode = {first, second};
  return kOk;
}

void ZRVSimSequencedBoard::Look(ZRVSimBoardState& state) {
  Advance();
  state.open = _open;
  state.board_number = _board;
  state.initialised = _initialised;
  state.initialisations = _initialisations;
  state.mode = _mode;
  state.running = _running;
  state.waiting_for_trigger = _waitingForTrigger;
  state.outputs = _outputs;
  state.ticks = _ticks;
  std::copy(_startArguments.begin(), _startArguments.end(), state.start_arguments);
  state.sequence_length = _sequenceLength;
  std::copy(_sequence.begin(), _sequence.end(), state.sequence);
  state.sequence_loads = _sequenceLoads;
  std::copy(_ranges.begin(), _ranges.end(), state.ranges);
  std::copy(_dacShifts.begin(), _dacShifts.end(), state.dac_shifts);
  std::copy(_externalTriggerMode.begin(), _externalTriggerMode.end(), state.external_trigger_mode);
  state.output_fifo = static_cast<std::int32_t>(_outputFifo.size());
}
