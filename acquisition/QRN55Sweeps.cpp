// The sweeps of the QRN 5+5 backend: channel completion, slots, pulsed and
// continuous acquisition, FIFO transfers with scaling, the slave unit's ADC
// delay, and the FIFO counter lines. Device access is in QRN55Interface.cpp.
#include <algorithm>
#include <cmath>

#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55InterfaceState.h"
#include "foundation/Buffer.h"
#include "foundation/Decode.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "numerics/VectorInt.h"

namespace QRN55Interface {

namespace {

namespace Plan = QRN55SweepPlan;

constexpr char kCacheName[] = "QRN55Cache";
constexpr std::int64_t kMinimumCacheSamples = 0x10000;
// The driver's sampling clock.
constexpr double kSecondsPerTick = 5e-6;
// A slave unit whose samples are not counted may be waited for this long:
// the AD/DA layer's stall time.
constexpr double kStallTimeout = 5.0;
constexpr double kStallPollPeriod = 0.01;
// Samples per frame a unit can move in each direction.
constexpr int kUnitVectors = 2 * Plan::kSlots;
// The units' FIFOs are fed in whole groups of this many frames.
constexpr int kFramesPerGroup = 4;

enum SweepState : int {
  kIdle = 0,  // nothing set up, or a pulsed sweep done
  kSetUp = 1,
  kPolled = 2,
  kStopped = 3,
};

// How far the slave's first samples, which its ADCs give before the master's
// first, are dropped.
enum DelayMode : int {
  kNoDelay = 0,
  kDelayDropped = 1,
  kDelayPending = 2,
};

// The cache: scaled output data, then room for input that nobody wants.
Buffer::NamedBuffer Cache = nullptr;
std::int16_t* CacheData = nullptr;
std::int64_t CacheSamples = 0;

// The sweep.
std::int32_t ActiveDacChannels[Plan::kMaxChannels];
int ActiveDacChannelNumber = 0;
Plan::ChannelPlan Channels;
Plan::SlotPlan Slots;
int OutputCount[Plan::kUnits];
int InputCount[Plan::kUnits];
// Per list position: where the driver reads each output, where it writes
// each input, and where input goes in the end (nil: nowhere).
const std::int16_t* DacTargets[Plan::kMaxChannels];
// Frames of the continuous sweep's output handed to the driver, and the
// last of them (per list position).
std::int64_t DacFramesWritten = 0;
std::int16_t LastDacFrame[Plan::kMaxChannels];
std::int16_t* AdcTargets[Plan::kMaxActiveAdc];
std::int16_t* AdcDestinations[Plan::kMaxActiveAdc];

int AqStatus = kIdle;
std::int32_t ActiveAvailable = 0;
int FixAdcDelayMode = kNoDelay;
std::int32_t FixAdcDelaySamples = 0;

// The FIFO counter lines.
RealTime::TimeSeconds AqStartTime = 0.0;
double AqInterval = 0.0;
double AqLastDiff = 0.0;
std::int64_t AqTotalSamples = 0;
std::int32_t AqCounter = 0;

// The cache holds at least samples (and 65536); a smaller one is replaced.
bool EnsureCache(std::int64_t samples) {
  samples = std::max(samples, kMinimumCacheSamples);
  if (CacheData != nullptr && CacheSamples >= samples) return true;
  FreeCache();
  if (samples > INT32_MAX / 2) return false;
  Cache = Buffer::Create(kCacheName, Buffer::kSingleBlock);
  void* block = nullptr;
  Buffer::AllocateBlock(Cache, static_cast<std::int32_t>(2 * samples), block);
  if (block == nullptr) {
    Buffer::Delete(Cache);
    return false;
  }
  CacheData = static_cast<std::int16_t*>(block);
  CacheSamples = samples;
  return true;
}

int Ticks(double interval) {
  const double ticks = std::round(interval / kSecondsPerTick);
  if (!(ticks >= 1.0)) return 1;
  return ticks >= INT32_MAX ? INT32_MAX : static_cast<int>(ticks);
}

int AdcUnit(int position) {
  return Plan::AdcChannel(Channels.adcCodes[position], MappedMuxAdc).unit;
}

// The unit's vectors in the order of its frames; kInternal when one is
// missing.
template <typename Sample, std::size_t N>
int UnitVectors(const Plan::OrderEntry (&order)[N], int entries, int unit,
                Sample* const* byPosition, Sample* (&list)[kUnitVectors], int& count) {
  std::fill(std::begin(list), std::end(list), nullptr);
  count = 0;
  for (int i = 0; i < entries; ++i) {
    if (order[i].unit != unit) continue;
    Sample* vector = byPosition[order[i].position];
    if (vector == nullptr || count == kUnitVectors) return kInternal;
    list[count++] = vector;
  }
  return QRN55_STATUS_SUCCESS;
}

// Per output the caller's vector, or its samples scaled into the cache.
int ScaleOutputData(std::int32_t count, const std::int16_t* const* vectors) {
  std::int64_t region = 0;
  for (int i = 0; i < ActiveDacChannelNumber; ++i) {
    const std::int16_t* vector = vectors != nullptr ? vectors[i] : nullptr;
    if (vector == nullptr) return kInternal;
    const std::int32_t code = ActiveDacChannels[i];
    if (!ScaleDacData || Plan::IsPortOutput(code)) {
      DacTargets[i] = vector;
      continue;
    }
    std::int16_t* scaled = CacheData + region;
    region += count;
    const Plan::UnitChannel output = Plan::DacChannel(code);
    const UnitDescr& unit = Units[output.unit];
    Plan::ScaleOutput(vector, scaled, count, unit.outputScale[output.channel - 1],
                      unit.outputOffset[output.channel - 1], InternalScaling);
    DacTargets[i] = scaled;
  }
  return QRN55_STATUS_SUCCESS;
}

// Per input the caller's vector, or the spare room of the cache.
void MakeInDataVector(std::int16_t* const* vectors, std::int16_t* spare) {
  for (int i = 0; i < Channels.adcCount; ++i) {
    const std::int32_t index = Channels.adcIndex[i];
    std::int16_t* vector = index >= 0 && vectors != nullptr ? vectors[index] : nullptr;
    AdcDestinations[i] = vector;
    AdcTargets[i] = vector != nullptr ? vector : spare;
  }
}

void ScaleInputData(std::int32_t count) {
  if (!ScaleAdcData) return;
  for (int i = 0; i < Channels.adcCount; ++i) {
    const std::int32_t code = Channels.adcCodes[i];
    if (AdcDestinations[i] == nullptr || Plan::IsPortInput(code)) continue;
    const Plan::UnitChannel input = Plan::AdcChannel(code, MappedMuxAdc);
    const UnitDescr& unit = Units[input.unit];
    Plan::ScaleInput(AdcDestinations[i], count, unit.inputScale[input.channel - 1],
                     unit.inputOffset[input.channel - 1], InternalScaling);
  }
}

bool TakesPart(int unit) { return OutputCount[unit] + InputCount[unit] > 0; }

// No input of the unit is wanted by the caller.
bool InputOnlyToCache(int unit) {
  for (int i = 0; i < Channels.adcCount; ++i) {
    if (AdcUnit(i) == unit && AdcDestinations[i] != nullptr) return false;
  }
  return true;
}

// count frames of every output into the units' rings, from one vector per
// position of the DAC list.
int WriteFrames(std::int32_t count, const std::int16_t* const* byPosition) {
  for (int unit = 0; unit < ActiveUnits; ++unit) {
    const std::int16_t* list[kUnitVectors];
    int outputs = 0;
    int status =
        UnitVectors(Slots.dacOrder, ActiveDacChannelNumber, unit, byPosition, list, outputs);
    if (status == QRN55_STATUS_SUCCESS && outputs > 0) {
      status = Checked(QRN55_ContinuousOutputWrite(Device, unit, count, list));
    }
    if (status != QRN55_STATUS_SUCCESS) return status;
  }
  return QRN55_STATUS_SUCCESS;
}

// The units' FIFOs take whole groups of 4 frames, so the last 1-3 frames of
// a stimulus would never be played: its end is completed by repeating its
// last frame, which the DACs hold afterwards anyway.
int CompleteLastGroup() {
  const auto part = static_cast<std::int32_t>(DacFramesWritten % kFramesPerGroup);
  const std::int32_t fill = part == 0 ? 0 : kFramesPerGroup - part;
  if (fill == 0) return QRN55_STATUS_SUCCESS;
  std::int16_t repeats[Plan::kMaxChannels][kFramesPerGroup];
  const std::int16_t* byPosition[Plan::kMaxChannels];
  for (int i = 0; i < ActiveDacChannelNumber; ++i) {
    std::fill(std::begin(repeats[i]), std::end(repeats[i]), LastDacFrame[i]);
    byPosition[i] = repeats[i];
  }
  const int status = WriteFrames(fill, byPosition);
  if (status == QRN55_STATUS_SUCCESS) DacFramesWritten += fill;
  return status;
}

// count frames of the scaled output; `last`: the stimulus ends with them.
int WriteToFifo(std::int32_t count, bool last) {
  if (Device == nullptr) return kNotOpen;
  if (count > 0) {
    const int status = WriteFrames(count, DacTargets);
    if (status != QRN55_STATUS_SUCCESS) return status;
    DacFramesWritten += count;
    for (int i = 0; i < ActiveDacChannelNumber; ++i) LastDacFrame[i] = DacTargets[i][count - 1];
  }
  return last ? CompleteLastGroup() : QRN55_STATUS_SUCCESS;
}

// One status poll of the unit; raw := the input frames in its ring. An input
// overflow marks the unit; any other unit status is the result.
int PollUnit(int unit, std::int32_t& raw) {
  int status = 0;
  int clipping = 0;
  int input = 0;
  int output = 0;
  const int result =
      Checked(QRN55_ContinuousGetUnitStatus(Device, unit, -1, &status, &clipping, &input, &output));
  if (result != QRN55_STATUS_SUCCESS) return result;
  UnitDescr& record = Units[unit];
  record.status = status;
  record.outputAvailable = output;
  record.clipping |= static_cast<std::uint32_t>(clipping);
  raw = input;
  if (status == QRN55_ERROR_FifoOverflow()) {
    record.overflow = true;
    return QRN55_STATUS_SUCCESS;
  }
  return Checked(status);
}

int ReadUnit(int unit, std::int32_t count, std::int16_t* const* list) {
  return Checked(QRN55_ContinuousInputRead(Device, unit, count, list));
}

// The unit's inputs all into the spare room (count of them at most there).
void SpareList(int unit, std::int16_t* (&list)[kUnitVectors]) {
  std::fill(std::begin(list), std::end(list), nullptr);
  for (int i = 0; i < InputCount[unit]; ++i) list[i] = CacheData;
}

// A unit outside the available count is polled until it has `needed` frames,
// for as long as the AD/DA layer waits for data.
int AwaitUnit(int unit, std::int32_t needed) {
  const RealTime::TimeSeconds start = RealTime::GetTime();
  for (;;) {
    std::int32_t raw = 0;
    const int status = PollUnit(unit, raw);
    if (status != QRN55_STATUS_SUCCESS) return status;
    if (raw >= needed) return QRN55_STATUS_SUCCESS;
    if (RealTime::GetTime() - start > kStallTimeout) return kAcquisitionTimeout;
    Platform::SleepSeconds(kStallPollPeriod);
  }
}

// A unit outside the available count whose input nobody wants: what it has,
// up to `most` frames, is taken out of its ring.
int DrainUnit(int unit, std::int32_t most) {
  std::int32_t raw = 0;
  int status = PollUnit(unit, raw);
  const std::int32_t frames = std::min(raw, most);
  if (status != QRN55_STATUS_SUCCESS || frames <= 0) return status;
  std::int16_t* list[kUnitVectors];
  SpareList(unit, list);
  return ReadUnit(unit, frames, list);
}

// ---- FIFO counter lines -------------------------------------------------------

char OutputLetter(int channel) {
  switch (channel) {
    case 5:
      return 'T';
    case 6:
      return 'D';
    case 7:
      return 'A';
    default:
      return static_cast<char>('0' + channel - 1);
  }
}

char InputLetter(int channel) {
  switch (channel) {
    case 9:
      return 'M';
    case 10:
      return 'D';
    case 11:
      return 'A';
    default:
      return static_cast<char>('0' + channel - 1);
  }
}

void AppendChannel(std::span<char> line, int unit, char letter) {
  const char text[4] = {' ', unit == 0 ? 'm' : 's', letter, '\0'};
  Strings::Concat(line, text);
}

void LogChannelPlan() {
  TermIO::WriteLn();
  char line[256] = "DA:";
  if (ActiveDacChannelNumber == 0) Strings::Concat(line, " none");
  for (int i = 0; i < ActiveDacChannelNumber; ++i) {
    const Plan::UnitChannel output = Plan::DacChannel(ActiveDacChannels[i]);
    AppendChannel(line, output.unit, OutputLetter(output.channel));
  }
  TermIO::WriteLine(line);
  Strings::Assign(line, "AD:");
  if (Channels.adcCount == 0) Strings::Concat(line, " none");
  for (int i = 0; i < Channels.adcCount; ++i) {
    const Plan::UnitChannel input = Plan::AdcChannel(Channels.adcCodes[i], MappedMuxAdc);
    AppendChannel(line, input.unit, InputLetter(input.channel));
  }
  TermIO::WriteLine(line);
  Strings::Assign(line, "FIFO:  ");
  for (int unit = 0; unit < ActiveUnits; ++unit) {
    Strings::Concat(line, Channels.read[unit] ? "read" : "skip");
    Strings::Concat(line, "                ");
  }
  TermIO::WriteLine(line);
}

void LogPoll(std::int32_t available) {
  char line[256] = "";
  Decode::Integer(AqCounter, line, 6);
  Strings::Concat(line, " ");
  for (int unit = 0; unit < ActiveUnits; ++unit) {
    const bool outputs = OutputCount[unit] > 0;
    const bool inputs = InputCount[unit] > 0;
    Strings::Concat(line, outputs ? (inputs ? "       DA_AD:" : "       DA___:")
                                  : (inputs ? "       ___AD:" : "       _____:"));
    Decode::Integer(Units[unit].inputAvailable, line, 7);
  }
  const std::int64_t total = AqTotalSamples + available;
  const double elapsed = RealTime::GetTime() - AqStartTime;
  const double expected = static_cast<double>(total) * AqInterval;
  const double difference = elapsed - expected;
  Strings::Concat(line, " =>");
  Decode::Fixed(static_cast<double>(total), line, 12, 0);
  Strings::Concat(line, ", ");
  Decode::Fixed(elapsed, line, 9, 3);
  Strings::Concat(line, ", ");
  Decode::Fixed(expected, line, 9, 3);
  Strings::Concat(line, ",");
  Decode::Fixed(difference, line, 7, 3);
  if (std::fabs(difference - AqLastDiff) > 0.01 && AqTotalSamples > 0) {
    Strings::Concat(line, "  JUMP");
  }
  AqLastDiff = difference;
  for (int unit = 0; unit < ActiveUnits; ++unit) {
    if (!Units[unit].overflow) continue;
    Strings::Concat(line, "  OVERFLOW-");
    Decode::Integer(unit + 1, line, 0);
  }
  TermIO::WriteLine(line);
}

void LogRead(std::int32_t count) {
  char line[128] = "";
  Decode::Integer(AqCounter, line, 6);
  Strings::Concat(line, " ReadFromFifo: ");
  Decode::Integer(count, line, 6);
  Strings::Concat(line, ", ");
  Decode::Integer(ActiveAvailable, line, 6);
  if (count > ActiveAvailable) Strings::Concat(line, "   READ OVERFLOW");
  TermIO::WriteLine(line);
}

// Samples per channel of a sweep: output, input acquired, input the caller
// wants, and the slave's first samples that are dropped.
struct Sizes {
  std::int32_t dac = 0;
  std::int32_t adc = 0;
  std::int32_t wanted = 0;
  std::int32_t delay = 0;
};

// The slave's ADCs lag the master's (a trigger adds a sample): a sweep with
// slave inputs samples that many more, and drops the slave's first ones.
void SetSlaveDelay(std::span<const std::int32_t> adcCodes, bool trigger) {
  FixAdcDelaySamples = FixAdcDelayOfSlave + (trigger ? 1 : 0);
  const bool slaveInput = std::any_of(adcCodes.begin(), adcCodes.end(), [](std::int32_t code) {
    return Plan::AdcChannel(code, MappedMuxAdc).unit == 1;
  });
  if (FixAdcDelaySamples > 0 && ActiveUnits == 2 && slaveInput) FixAdcDelayMode = kDelayPending;
}

// The cache holds the scaled output, the spare room for unwanted input and,
// in a pulsed sweep with the slave's delay, the slave's whole input (the
// caller's vectors hold only what is wanted).
int PrepareVectors(const Sizes& sizes, bool pulsed, const std::int16_t* const* dacVectors,
                   std::int16_t* const* adcVectors) {
  const bool slaveAside = pulsed && sizes.delay > 0;
  const std::int64_t outputArea =
      ScaleDacData ? std::int64_t{ActiveDacChannelNumber} * sizes.dac : 0;
  const std::int64_t slaveArea = slaveAside ? std::int64_t{InputCount[1]} * sizes.adc : 0;
  if (!EnsureCache(outputArea + sizes.adc + slaveArea)) return kAllocation;
  MakeInDataVector(adcVectors, CacheData + outputArea);
  if (slaveAside) {
    std::int16_t* next = CacheData + outputArea + sizes.adc;
    for (int i = 0; i < Channels.adcCount; ++i) {
      if (AdcUnit(i) != 1) continue;
      AdcTargets[i] = next;
      next += sizes.adc;
    }
  }
  return ScaleOutputData(sizes.dac, dacVectors);
}

// Each unit that takes part runs its pulse, or is set up for the continuous
// sweep.
int SetUpUnits(const Sizes& sizes, bool pulsed, bool trigger, int ticks) {
  if (!pulsed && WriteFifoCounter) LogChannelPlan();
  for (int unit = 0; unit < ActiveUnits; ++unit) {
    if (!TakesPart(unit)) continue;
    const std::int16_t* outputs[kUnitVectors];
    std::int16_t* inputs[kUnitVectors];
    int count = 0;
    int status =
        UnitVectors(Slots.dacOrder, ActiveDacChannelNumber, unit, DacTargets, outputs, count);
    if (status == QRN55_STATUS_SUCCESS) {
      status = UnitVectors(Slots.adcOrder, Channels.adcCount, unit, AdcTargets, inputs, count);
    }
    if (status != QRN55_STATUS_SUCCESS) return status;
    Plan::UnitSlots& slots = Slots.units[unit];
    if (pulsed) {
      // The master needs none of the samples that only the slave lags by.
      const std::int32_t inputCount =
          InputCount[unit] == 0 ? 0 : (unit == 1 ? sizes.adc : sizes.wanted);
      status = QRN55_Pulse(Device, unit, Slots.slotCount, slots.input_slot_1, slots.input_slot_2,
                           slots.output_slot_1, slots.output_slot_2, ticks,
                           OutputCount[unit] > 0 ? sizes.dac : 0, outputs, inputCount, inputs);
    } else {
      status = QRN55_ContinuousInitialize(Device, unit, Slots.slotCount, slots.input_slot_1,
                                          slots.input_slot_2, slots.output_slot_1,
                                          slots.output_slot_2, ticks, trigger && unit == 0, 0);
      AqStatus = kSetUp;
    }
    if (status != QRN55_STATUS_SUCCESS) return Checked(status);
  }
  return QRN55_STATUS_SUCCESS;
}

// The pulsed input into the caller's vectors: the slave's without its first
// samples, everything scaled.
void TakePulsedInput(const Sizes& sizes) {
  if (sizes.delay > 0) {
    for (int i = 0; i < Channels.adcCount; ++i) {
      if (AdcUnit(i) != 1 || AdcDestinations[i] == nullptr) continue;
      VectorInt::Copy(AdcTargets[i] + sizes.delay, AdcDestinations[i], sizes.wanted);
    }
  }
  ScaleInputData(sizes.wanted);
  FixAdcDelayMode = kNoDelay;
}

}  // namespace

void InitSweeps() {
  Cache = nullptr;
  CacheData = nullptr;
  CacheSamples = 0;
  ResetSweep();
}

void ResetSweep() {
  ActiveDacChannelNumber = 0;
  Channels = {};
  Plan::ComputeSlots({}, {}, MappedMuxAdc, 0, Slots);
  std::fill(std::begin(OutputCount), std::end(OutputCount), 0);
  std::fill(std::begin(InputCount), std::end(InputCount), 0);
  AqStatus = kIdle;
  ActiveAvailable = 0;
  DacFramesWritten = 0;
  FixAdcDelayMode = kNoDelay;
  FixAdcDelaySamples = 0;
  AqStartTime = 0.0;
  AqInterval = 0.0;
  AqLastDiff = 0.0;
  AqTotalSamples = 0;
  AqCounter = 0;
}

void FreeCache() {
  Buffer::Delete(Cache);
  CacheData = nullptr;
  CacheSamples = 0;
}

int StartStimAndSample(std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
                       std::int32_t adcSamples, const std::int32_t* dacCodes,
                       const std::int32_t* adcCodes, double interval,
                       const std::int16_t* const* dacVectors, std::int16_t* const* adcVectors,
                       bool& pulsed, bool trigger, bool stimulate, bool oneShot) {
  if (Device == nullptr) return kNotOpen;
  if (FileIOFailed) {
    const int status = Open(0, 3);
    if (status != QRN55_STATUS_SUCCESS) return status;
  }
  ResetSweep();
  if (dacCount < 0 || adcCount < 0 || dacCount > Plan::kMaxChannels ||
      adcCount > Plan::kMaxChannels) {
    return kSlotConfiguration;
  }
  Sizes sizes;
  sizes.wanted = std::max(adcSamples, 0);
  SetSlaveDelay({adcCodes, static_cast<std::size_t>(adcCount)}, trigger);
  sizes.delay = FixAdcDelayMode == kDelayPending ? FixAdcDelaySamples : 0;
  sizes.adc = sizes.wanted + sizes.delay;
  if (stimulate) {
    ActiveDacChannelNumber = dacCount;
    std::copy_n(dacCodes, dacCount, ActiveDacChannels);
  }
  sizes.dac = stimulate ? std::max(dacSamples, 0) : 0;
  const std::int32_t total = std::max(sizes.adc, sizes.dac);
  if (total > RequestFifoLength) return kFIFOOverflow;

  Plan::SweepRequest request;
  request.dacCodes = {ActiveDacChannels, static_cast<std::size_t>(ActiveDacChannelNumber)};
  request.adcCodes = {adcCodes, static_cast<std::size_t>(adcCount)};
  request.onlyAdcVectorMissing =
      adcCount == 1 && (adcVectors == nullptr || adcVectors[0] == nullptr);
  request.pulsed = pulsed;
  request.trigger = trigger;
  request.dacSamples = sizes.dac;
  request.adcSamples = sizes.adc;
  request.total = total;
  request.interval = interval;
  request.maxPulseDacSamples = MaxPulseDacSamples;
  request.maxPulseAdcSamples = MaxPulseAdcSamples;
  request.allowPulsedSlave = AllowPulsedSlave;
  request.mux = MappedMuxAdc;
  Plan::CompleteChannels(request, Channels);
  pulsed = Channels.pulsed;
  if (!Plan::ComputeSlots(request.dacCodes,
                          {Channels.adcCodes, static_cast<std::size_t>(Channels.adcCount)},
                          MappedMuxAdc, ActiveUnits, Slots)) {
    return kSlotConfiguration;
  }
  for (int i = 0; i < ActiveDacChannelNumber; ++i) ++OutputCount[Slots.dacOrder[i].unit];
  for (int i = 0; i < Channels.adcCount; ++i) ++InputCount[Slots.adcOrder[i].unit];

  int status = PrepareVectors(sizes, pulsed, dacVectors, adcVectors);
  if (status == QRN55_STATUS_SUCCESS) status = SetUpUnits(sizes, pulsed, trigger, Ticks(interval));
  if (status == QRN55_STATUS_SUCCESS) {
    if (pulsed) {
      TakePulsedInput(sizes);
    } else {
      status = Checked(QRN55_ContinuousArm(Device));
      if (status == QRN55_STATUS_SUCCESS && stimulate) status = WriteToFifo(sizes.dac, oneShot);
      if (status == QRN55_STATUS_SUCCESS) status = Checked(QRN55_ContinuousStart(Device));
    }
  }
  AqStartTime = RealTime::GetTime();
  AqInterval = interval;
  return status;
}

int GetReadAvailable(std::int32_t& available, bool& overflow) {
  available = 0;
  overflow = false;
  if (Device == nullptr) return kNotOpen;
  if (AqStatus == kIdle) return QRN55_STATUS_SUCCESS;
  AqStatus = kPolled;
  bool counted = false;
  std::int32_t least = 0;
  for (int unit = 0; unit < ActiveUnits; ++unit) {
    if (!TakesPart(unit)) continue;
    std::int32_t raw = 0;
    const int status = PollUnit(unit, raw);
    if (status != QRN55_STATUS_SUCCESS) return status;
    const bool delayed =
        FixAdcDelayMode == kDelayPending || (FixAdcDelayMode == kDelayDropped && unit == 0);
    Units[unit].inputAvailable = delayed ? std::max(raw - FixAdcDelaySamples, 0) : raw;
    if (!Channels.read[unit]) continue;
    if (Units[unit].status == QRN55_ERROR_FifoOverflow()) overflow = true;
    least = counted ? std::min(least, Units[unit].inputAvailable) : Units[unit].inputAvailable;
    counted = true;
  }
  available = least;
  ActiveAvailable = available;
  ++AqCounter;
  if (WriteFifoCounter) LogPoll(available);
  return QRN55_STATUS_SUCCESS;
}

int ReadFromFifo(std::int32_t count, std::int16_t* const* adcVectors) {
  if (count <= 0) return QRN55_STATUS_SUCCESS;
  if (Device == nullptr) return kNotOpen;
  if (WriteFifoCounter) LogRead(count);
  // More than the counted units had would hand out whatever the rings hold.
  if (count > ActiveAvailable) return QRN55_STATUS_READ_COUNT;
  const std::int32_t delay = FixAdcDelayMode == kDelayPending ? FixAdcDelaySamples : 0;
  if (!EnsureCache(std::int64_t{count} + delay)) return kAllocation;
  MakeInDataVector(adcVectors, CacheData);

  for (int unit = 0; unit < ActiveUnits; ++unit) {
    if (InputCount[unit] == 0) continue;
    std::int16_t* list[kUnitVectors];
    int entries = 0;
    int status = UnitVectors(Slots.adcOrder, Channels.adcCount, unit, AdcTargets, list, entries);
    if (status != QRN55_STATUS_SUCCESS) return status;
    const std::int32_t dropped = unit > 0 ? delay : 0;
    if (!Channels.read[unit]) {
      if (InputOnlyToCache(unit)) {
        status = DrainUnit(unit, count + dropped);
        if (status != QRN55_STATUS_SUCCESS) return status;
        continue;
      }
      status = AwaitUnit(unit, count + dropped);
      if (status != QRN55_STATUS_SUCCESS) return status;
    }
    if (dropped > 0) {
      std::int16_t* spare[kUnitVectors];
      SpareList(unit, spare);
      status = ReadUnit(unit, dropped, spare);
      if (status != QRN55_STATUS_SUCCESS) return status;
    }
    status = ReadUnit(unit, count, list);
    if (status != QRN55_STATUS_SUCCESS) return status;
    Units[unit].inputAvailable = std::max(Units[unit].inputAvailable - count, 0);
  }
  if (FixAdcDelayMode == kDelayPending) FixAdcDelayMode = kDelayDropped;
  ScaleInputData(count);
  ActiveAvailable -= count;
  AqTotalSamples += count;
  return QRN55_STATUS_SUCCESS;
}

int AppendToFifo(std::int32_t count, const std::int16_t* const* dacVectors, bool last) {
  if (Device == nullptr) return kNotOpen;
  if (count <= 0) return last ? WriteToFifo(0, true) : QRN55_STATUS_SUCCESS;
  if (!EnsureCache(std::int64_t{ActiveDacChannelNumber} * count)) return kAllocation;
  const int status = ScaleOutputData(count, dacVectors);
  if (status != QRN55_STATUS_SUCCESS) return status;
  return WriteToFifo(count, last);
}

int Stop() {
  int status = QRN55_STATUS_SUCCESS;
  if (Device != nullptr) status = Checked(QRN55_ContinuousStop(Device));
  if (AqStatus != kIdle) AqStatus = kStopped;
  return status;
}

int ReadClippingAndClear(std::uint32_t& bits) {
  bits = 0;
  if (Device == nullptr) return kNotOpen;
  for (int unit = 0; unit < ActiveUnits; ++unit) {
    int mask = 0;
    const int status = Checked(QRN55_UnitGetClipping(Device, unit, &mask));
    if (status != QRN55_STATUS_SUCCESS) return status;
    UnitDescr& record = Units[unit];
    record.clipping |= static_cast<std::uint32_t>(mask);
    bits |= (record.clipping & 0xF) << (4 * unit);
    record.clipping = 0;
  }
  return QRN55_STATUS_SUCCESS;
}

bool UnitHasActiveDac(int unit, std::int32_t dacCount, const std::int32_t* dacCodes) {
  for (std::int32_t i = 0; i < dacCount; ++i) {
    if (Plan::DacChannel(dacCodes[i]).unit == unit) return true;
  }
  return false;
}

bool GetSlots(std::int32_t dacCount, std::int32_t adcCount, const std::int32_t* dacCodes,
              const std::int32_t* adcCodes, std::int32_t* dacSlots, std::int32_t* adcSlots,
              std::int32_t& slotCount) {
  if (dacCount < 0 || adcCount < 0 || dacCount > Plan::kMaxChannels ||
      adcCount > Plan::kMaxChannels) {
    return false;
  }
  const auto dacSize = static_cast<std::size_t>(dacCount);
  const auto adcSize = static_cast<std::size_t>(adcCount);
  Plan::SlotPlan plan;
  if (!Plan::ComputeSlots({dacCodes, dacSize}, {adcCodes, adcSize}, MappedMuxAdc, ActiveUnits,
                          plan)) {
    return false;
  }
  Plan::ChannelSlots(plan, {dacSlots, dacSize}, {adcSlots, adcSize});
  slotCount = plan.slotCount;
  return true;
}

}  // namespace QRN55Interface
