// The state of module ZRV and the procedures its source files share. Not for
// callers: the module's interface is acquisition/ZRV.h.
#pragma once

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "acquisition/ZRV.h"
#include "foundation/Buffer.h"

namespace ZRV::Internal {

// A ZRV-24/28 frame never has more slots than there are ADC entries.
inline constexpr int kMaxSlots = AdcChannels;
// Rows of the single-value reads: one per channel, 17 samples and a spare.
inline constexpr int kInputRows = AdcChannels;
inline constexpr int kRowSamples = 18;

inline constexpr std::int32_t kStatusOpticalLink = static_cast<std::int32_t>(0x8A513000u);

// Rounding to the nearest integer, halves away from zero.
inline std::int32_t Round(double value) { return static_cast<std::int32_t>(std::lround(value)); }

struct ModuleState {
  BoardType boardType = ZRVBase::BoardQRN55;
  std::int32_t boardNumber = 0;
  std::int32_t activeUnits = 1;
  // ZRV-24/28: the device record the library fills, and handle points to;
  // QRN 2400: the library's own handle.
  std::unique_ptr<std::byte[]> record;
  void* handle = nullptr;
  bool libraryLoaded = false;
  std::int32_t requestedFifoLength = 0;

  // QRN 2400.
  std::int32_t syncMode = 0;
  bool externalTrigger = false;
  std::uint32_t masterSerial = 0;
  std::uint32_t slaveSerial = 0;
  bool rackIsQRN2400[2] = {};
  std::int32_t fastOutPort = 0, tlvOutPort = 0, userOutPort = 0;
  std::int32_t fastInPort = 0, userInPort = 0, tlvInPort = 0;

  // ZRV-28.
  std::int32_t zrv28Mode = 0;
  std::int32_t adcRange[AdcChannels] = {};

  bool secondTlvPort = false;
  std::int32_t remap1 = 0, remap2 = 0;
  std::int32_t dacMap[DacChannels] = {};
  std::int32_t adcMap[AdcChannels] = {};

  bool internalScaling = false;
  GuardProc guard = nullptr;

  // Feature switches.
  bool allowImmediateRead = true;
  bool allowTimerTask = false;
  bool writeReadCounter = false;
  std::int32_t maxAveraging = 1;

  // The acquisition as started.
  std::int32_t activeDacCount = 1, activeAdcCount = 1;
  std::int32_t requestedDacCount = 0, requestedAdcCount = 0;
  std::int32_t compression = 1;
  bool transfer = false;  // QRN 2400: the poll does not drive the transfer
  bool waitingForTrigger = false;
  double lastDataTime = 0.0;

  // ZRV-24/28 sequence memory as last loaded.
  std::int32_t sequenceLength = -1;
  std::uint16_t sequenceImage[kMaxSlots] = {};

  bool flush = true;  // FALSE: skip the next flush of the command cache

  // The FIFO cache, in the named buffer "FifoCache".
  Buffer::NamedBuffer cacheBuffer = nullptr;
  std::int16_t* cache = nullptr;
  std::int32_t cacheCapacity = 0;

  // Shared with the timer task's thread.
  std::atomic<std::int32_t> state{StateClosed};
  std::atomic<std::int32_t> result{0};
  std::atomic<std::int32_t> pipelineLength{0};
  std::atomic<bool> overflowed{false};
  std::atomic<bool> fifoReset{false};

  std::int16_t inputRows[kInputRows][kRowSamples] = {};
};

extern ModuleState Z;

// ---- Errors (ZRV.cpp) -------------------------------------------------------

// Reports the backend status in result with the backend's own text.
void ReportError();
// ZRVBase::ErrorText := board prefix + message, then WriteError.
void ReportErrorString(std::span<const char> message);
// result := status; a non-zero status is reported. TRUE for 0.
bool Check(std::int32_t status);
// result := -1 and the message reported; FALSE.
bool Fail(std::span<const char> message);

// Plays the amplifier command cache unless one flush was inhibited.
void FlushCache();
// Advances the wait cursor when it is shown.
void SpinCursorIfShown();

// ---- Channels (ZRV.cpp) -------------------------------------------------------

// QRN 2400 hardware numbers of output and input channels.
std::int32_t ConvertToZRV2400DacValue(std::int32_t channel);
std::int32_t ConvertToZRV2400AdcValue(std::int32_t channel);
// Identity maps, then the interleaved ADC blocks that SetRemap asks for.
void RemapAdc();

// ---- Scaling (ZRVValues.cpp) --------------------------------------------------

void SetScalingFactors();

// ---- Slots and sequences (ZRVSequences.cpp) ----------------------------------

struct Timing {
  std::int32_t slots = 0;
  std::int32_t dacSlots[DacChannels] = {};
  std::int32_t adcSlots[AdcChannels] = {};
  double frameInterval = 0.0;
  double sampleInterval = 0.0;
  std::uint32_t ticks = 0;
  std::int32_t compression = 1;
};
bool DoGetIntervalAndCompression(std::int32_t dacCount, std::int32_t adcCount,
                                 ChannelList dacList, ChannelList adcList, double& interval,
                                 Timing& timing);
void SetSequence(std::int32_t slots, std::int32_t dacCount, std::int32_t adcCount,
                 ChannelList dacList, ChannelList adcList, bool stimulate);
void SetPipelineLength(std::int32_t dacCount, std::int32_t adcCount);

// ---- FIFO and cache (ZRVFifo.cpp) ----------------------------------------------

// The cache holds at least max(samples, 0x4000) samples afterwards (and
// ZRVBase::NumberDacChannels beyond them); FALSE with an alert line when
// memory is short.
bool CreateFifoBuffer(std::int64_t samples);
void DeleteFifoBuffer();
// Writes each of count source values repeat times, step values apart.
void ExpandToCache(const std::int16_t* source, std::int16_t* destination, std::int32_t count,
                   std::int32_t repeat, std::int32_t step);
// ReadFromAdcFIFO that tells whether the board read succeeded.
bool ReadAdcFifo(std::int16_t* buffer, std::int32_t count);

}  // namespace ZRV::Internal
