#include "acquisition/QRN2400.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "acquisition/ZRVLibrary.h"

using ZRVLibrary::Call;
using ZRVLibrary::Table;
using namespace ZRVLibraryCalls;

namespace {

constexpr std::int16_t kInput = 0;
constexpr std::int16_t kOutput = 1;
constexpr std::int32_t kDigitalInputPort = 26;
constexpr std::int32_t kDigitalOutputPort = 8;

// A single scan must not take more than this many 5 us ticks per direction,
// nor use more channels.
constexpr double kSingleScanTicks = 1024.0;
constexpr std::int32_t kSingleScanChannels = 15;
constexpr double kScanTick = 5e-6;
constexpr double kSlotDelay = 5e-6;

// The lists of the current sweep, for the FIFO calls that follow its start.
struct Sweep {
  std::array<std::int32_t, kQRN2400MaxRecords> dac{};
  std::array<std::int32_t, kQRN2400MaxRecords> adc{};
  std::int32_t lastAdc = 0;
};
Sweep sweep;

using DataRecords = std::array<DataRecord, kQRN2400MaxRecords>;

bool CountFits(std::int32_t count) { return count >= 0 && count <= kQRN2400MaxRecords; }

DataRecord Data(std::int16_t type, std::int32_t channel, std::int32_t value) {
  DataRecord record{};
  record.channel_type = type;
  record.channel = static_cast<std::int16_t>(channel);
  record.value = value;
  return record;
}

// Interval fields are whole ticks; anything the field cannot hold is
// pinned to its ends.
std::int32_t TicksField(double ticks) {
  if (!(ticks > 0.0)) return 0;
  return static_cast<std::int32_t>(std::min(ticks, double{std::numeric_limits<std::int32_t>::max()}));
}

struct ScanIntervals {
  double dac;
  double adc;
};

ScanIntervals IntervalsInTicks(double clockInterval, std::int32_t adcDivider,
                               std::int32_t dacDivider) {
  const double ticks = std::trunc(clockInterval / kScanTick + 0.4999);
  return {dacDivider * ticks, adcDivider * ticks};
}

// Whether the sweep may run as one library call. The products are taken in
// floating point: long sweeps would overflow 32-bit (and even 64-bit)
// integers and turn a long sweep into a short one.
bool FitsSingleScan(std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
                    std::int32_t adcSamples, bool trigger, bool wholeOutput,
                    const std::int32_t dacChannels[], const std::int32_t adcChannels[],
                    ScanIntervals intervals) {
  if (trigger || !wholeOutput) return false;
  if (intervals.dac * dacCount * dacSamples > kSingleScanTicks) return false;
  if (intervals.adc * adcCount * adcSamples > kSingleScanTicks) return false;
  if (dacCount + adcCount > kSingleScanChannels) return false;
  if (dacSamples <= 1 && adcSamples <= 1) return true;
  // The digital ports are converted only once per scan.
  const auto dac = std::span(dacChannels, dacCount);
  const auto adc = std::span(adcChannels, adcCount);
  return std::ranges::find(dac, kDigitalOutputPort) == dac.end() &&
         std::ranges::find(adc, kDigitalInputPort) == adc.end();
}

std::int32_t StartSingleScan(void* handle, std::int32_t dacCount, std::int32_t adcCount,
                             std::int32_t dacSamples, std::int32_t adcSamples,
                             const std::int32_t dacChannels[], const std::int32_t adcChannels[],
                             ScanIntervals intervals, std::int16_t* const vectors[]) {
  std::array<SingleScanRecord, kQRN2400MaxRecords> records{};
  std::int32_t count = 0;
  for (std::int32_t n = 0; n < dacCount; ++n) {
    SingleScanRecord& record = records[count++];
    record.direction = kOutput;
    record.channel = dacChannels[n];
    record.count = dacSamples;
    record.interval = TicksField(intervals.dac);
    record.data = vectors[n];
    sweep.dac[n] = dacChannels[n];
  }
  // An input without a vector is not sampled. Skipping it (rather than
  // dropping the last input) keeps a nil vector from reaching the library.
  std::int32_t sampled = 0;
  for (std::int32_t i = 0; i < adcCount; ++i) {
    std::int16_t* const vector = vectors[dacCount + i];
    if (vector == nullptr) continue;
    SingleScanRecord& record = records[count++];
    record.direction = kInput;
    record.channel = adcChannels[i];
    record.count = adcSamples;
    record.interval = TicksField(intervals.adc);
    record.data = vector;
    sweep.adc[sampled++] = adcChannels[i];
  }
  return Call(&Table::ZRV_SingleScan, handle, count, records.data());
}

ChannelRecord Channel(std::int32_t direction, std::int32_t channel, double clockInterval,
                      std::int32_t slot, std::int32_t divider) {
  ChannelRecord record{};
  record.direction = direction;
  record.channel = channel;
  record.kind = direction == kOutput ? 2 : 1;
  record.constant33 = 33;
  record.clock_interval = clockInterval;
  record.delay = slot >= 1 ? kSlotDelay * (slot - 1) : 0.0;
  record.divider = divider;
  return record;
}

std::int32_t StartContinuous(void* handle, std::int32_t dacCount, std::int32_t adcCount,
                             std::int32_t dacSamples, bool trigger, bool triggerMode,
                             bool stimulate, bool wholeOutput, const std::int32_t dacChannels[],
                             const std::int32_t adcChannels[], const std::int32_t dacSlots[],
                             const std::int32_t adcSlots[], double clockInterval,
                             std::int32_t adcDivider, std::int32_t dacDivider,
                             std::int16_t* const vectors[]) {
  std::array<ChannelRecord, kQRN2400MaxRecords> channels{};
  DataRecords firstLoad{};
  StartRecord start{};
  Call(&Table::ZRV_ResetChannels, handle);
  const std::uint16_t command = wholeOutput ? kCommandFirstLoad | kCommandLastData : kCommandFirstLoad;
  for (std::int32_t n = 0; n < dacCount; ++n) {
    sweep.dac[n] = dacChannels[n];
    channels[n] = Channel(kOutput, dacChannels[n], clockInterval, dacSlots[n], dacDivider);
    firstLoad[n] = Data(kOutput, dacChannels[n], dacSamples);
    firstLoad[n].command = command;
    firstLoad[n].data = vectors[n];
  }
  for (std::int32_t i = 0; i < adcCount; ++i) {
    sweep.adc[i] = adcChannels[i];
    channels[dacCount + i] = Channel(kInput, adcChannels[i], clockInterval, adcSlots[i], adcDivider);
    sweep.lastAdc = adcChannels[i];
  }
  if (trigger) start.trigger = triggerMode ? kTriggerExternalMode : kTrigger;
  start.output_enable = stimulate ? 1 : 0;
  start.flags = kStartFlags;

  std::int32_t status = Call(&Table::ZRV_SetChannels, handle, dacCount + adcCount, channels.data());
  if (status == 0) status = Call(&Table::ZRV_UpdateChannels, handle);
  if (status == 0 && stimulate) status = Call(&Table::ZRV_ReadWriteFIFO, handle, dacCount, firstLoad.data());
  if (status == 0) status = Call(&Table::ZRV_Start, handle, &start);
  return status;
}

// FIFO records of one direction for the sweep's channels.
std::int32_t TransferFIFO(void* handle, std::int16_t type, std::int32_t count,
                          const std::array<std::int32_t, kQRN2400MaxRecords>& channels,
                          std::int32_t samples, std::uint16_t command,
                          std::int16_t* const vectors[]) {
  if (!CountFits(count)) return kQRN2400BadCount;
  DataRecords records{};
  for (std::int32_t n = 0; n < count; ++n) {
    records[n] = Data(type, channels[n], samples);
    records[n].command = command;
    records[n].data = vectors[n];
  }
  return Call(&Table::ZRV_ReadWriteFIFO, handle, count, records.data());
}

std::int32_t GetState(void* handle, std::int32_t request, StateRecord& state) {
  state = StateRecord{};
  state.request = request;
  return Call(&Table::ZRV_GetState, handle, &state);
}

}  // namespace

std::int32_t QRN2400_LoadLibrary() {
  if (!ZRVLibrary::Load() || ZRVLibrary::Functions().ZRV_InitDevice == nullptr) {
    return ZRVLibrary::kLibraryNotFound;
  }
  return 0;
}

std::int32_t QRN2400_GetStatusText(void* handle, std::int32_t status, std::span<char> text) {
  return Call(&Table::ZRV_GetStatusText, handle, status, text.data(),
              static_cast<std::int32_t>(text.size()));
}

std::int32_t QRN2400_SetFifoSize(std::int32_t samples) {
  GlobalConfigRecord config{};
  config.fifo_bytes = static_cast<std::int32_t>((std::int64_t{samples} + 1023) / 1024 * 4096);
  return Call(&Table::ZRV_GlobalConfig, static_cast<const GlobalConfigRecord*>(&config));
}

std::int32_t QRN2400_OpenDevice(void*& handle, std::int32_t boardNumber) {
  return Call(&Table::ZRV_OpenDevice, kDeviceTypeRack, boardNumber, kOpenFlags, &handle);
}

std::int32_t QRN2400_Initialize(void* handle, std::int32_t syncMode, std::uint32_t& masterSerial,
                                std::uint32_t& slaveSerial) {
  InitRecord init{};
  init.clock_mode = syncMode == 1 ? 2 : syncMode == 2 ? 1 : 0;
  std::int32_t status = Call(&Table::ZRV_InitDevice, handle, static_cast<const InitRecord*>(&init));
  if (status != 0) return status;
  std::uint32_t master = 0;
  std::uint32_t slave = 0;
  status = Call(&Table::ZRV_GetSerialNumbers, handle, 0, &master, &slave);
  if (status != 0) return status;
  masterSerial = master;
  slaveSerial = slave;
  return 0;
}

std::int32_t QRN2400_GetInfo(void* handle, std::int32_t& fifoSamples, std::int32_t& dacCount,
                             std::int32_t& adcCount, std::int32_t& racks) {
  DeviceInfoRecord info{};
  const std::int32_t status = Call(&Table::ZRV_GetDeviceInfo, handle, &info);
  if (status != 0) return status;
  fifoSamples = info.fifo_bytes / 2;
  dacCount = info.dac_count;
  adcCount = info.adc_count;
  racks = info.adc_count / 8;
  return 0;
}

std::int32_t QRN2400_GetDriverVersion(void* handle, std::int32_t& first, std::int32_t& second) {
  VersionRecord versions{};
  const std::int32_t status = Call(&Table::ZRV_GetVersions, handle, &versions, 0, 0);
  first = status == 0 ? versions.first : 0;
  second = status == 0 ? versions.second : 0;
  return status;
}

std::int32_t QRN2400_CloseDevice(void* handle) { return Call(&Table::ZRV_CloseDevice, handle); }

std::int32_t QRN2400_SetDac(void* handle, std::int32_t channel, std::int32_t value) {
  DataRecord record = Data(kOutput, channel, value);
  return Call(&Table::ZRV_AsyncIO, handle, 1, &record);
}

std::int32_t QRN2400_ReadAdc(void* handle, std::int32_t channel, std::int32_t& value) {
  DataRecord record = Data(kInput, channel, 0);
  const std::int32_t status = Call(&Table::ZRV_AsyncIO, handle, 1, &record);
  value = record.value;
  return status;
}

std::int32_t QRN2400_ReadAll(void* handle, std::int32_t count, const std::int32_t channels[],
                             double values[], std::uint16_t digital[2]) {
  if (count < 2 || !CountFits(count)) return kQRN2400BadCount;
  DataRecords records{};
  for (std::int32_t n = 0; n < count; ++n) records[n] = Data(kInput, channels[n], 0);
  const std::int32_t status = Call(&Table::ZRV_AsyncIO, handle, count, records.data());
  if (status != 0) return status;
  for (std::int32_t n = 0; n < count - 2; ++n) values[n] = records[n].value;
  digital[0] = static_cast<std::uint16_t>(records[count - 2].value);
  digital[1] = static_cast<std::uint16_t>(records[count - 1].value);
  return 0;
}

std::int32_t QRN2400_StartStimAndSample(
    void* handle, std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
    std::int32_t adcSamples, bool trigger, bool triggerMode, bool stimulate, bool wholeOutput,
    const std::int32_t dacChannels[], const std::int32_t adcChannels[],
    const std::int32_t dacSlots[], const std::int32_t adcSlots[], double clockInterval,
    std::int32_t adcDivider, std::int32_t dacDivider, std::int16_t* const vectors[],
    std::int32_t& singleScan) {
  if (!CountFits(dacCount) || !CountFits(adcCount) || !CountFits(dacCount + adcCount)) {
    return kQRN2400BadCount;
  }
  if (singleScan != 0) {
    const ScanIntervals intervals = IntervalsInTicks(clockInterval, adcDivider, dacDivider);
    singleScan = FitsSingleScan(dacCount, adcCount, dacSamples, adcSamples, trigger, wholeOutput,
                                dacChannels, adcChannels, intervals)
                     ? 1
                     : 0;
    if (singleScan != 0) {
      return StartSingleScan(handle, dacCount, adcCount, dacSamples, adcSamples, dacChannels,
                             adcChannels, intervals, vectors);
    }
  }
  return StartContinuous(handle, dacCount, adcCount, dacSamples, trigger, triggerMode, stimulate,
                         wholeOutput, dacChannels, adcChannels, dacSlots, adcSlots, clockInterval,
                         adcDivider, dacDivider, vectors);
}

std::int32_t QRN2400_TransferToFIFO(void* handle) { return Call(&Table::ZRV_UpdateNow, handle, 0); }

std::int32_t QRN2400_GetFIFOOverflow(void* handle, std::uint32_t& bits) {
  StateRecord state;
  const std::int32_t status = GetState(handle, kRequestOverflow, state);
  bits = state.overflow & kOverflowBits;
  return status;
}

std::int32_t QRN2400_GetClipping(void* handle, std::uint32_t& bits) {
  StateRecord state;
  const std::int32_t status = GetState(handle, kRequestClipping, state);
  bits = state.clipping;
  return status;
}

std::int32_t QRN2400_GetFIFOReadAvailable(void* handle, std::int32_t& samples) {
  DataRecord record = Data(kInput, sweep.lastAdc, 0);
  const std::int32_t status = Call(&Table::ZRV_GetDataAvailable, handle, 1, &record, 1);
  samples = record.value;
  return status;
}

std::int32_t QRN2400_ReadStimAndSample(void* handle, std::int32_t adcCount, std::int32_t samples,
                                       bool ignored, std::int16_t* const vectors[]) {
  return TransferFIFO(handle, kInput, adcCount, sweep.adc, samples, 0, vectors);
}

std::int32_t QRN2400_AppendToFIFO(void* handle, std::int32_t dacCount, std::int32_t samples,
                                  bool last, std::int16_t* const vectors[]) {
  return TransferFIFO(handle, kOutput, dacCount, sweep.dac, samples, last ? kCommandLastData : 0,
                      vectors);
}

std::int32_t QRN2400_Stop(void* handle) { return Call(&Table::ZRV_Stop, handle, 0); }

void QRN2400_GetDigChanOffsets(std::int32_t& adcCode, std::int32_t& dacCode) {
  adcCode = kDigitalInputPort;
  dacCode = kDigitalOutputPort;
}

void QRN2400_InitModule() { sweep = Sweep{}; }
