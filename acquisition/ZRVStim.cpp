// Stimulate and sample: the continuous form (start, poll, read, append) and
// the one-shot forms that do all of it and wait.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "acquisition/ADTimerTask.h"
#include "acquisition/QRN2400.h"
#include "acquisition/QRN24.h"
#include "acquisition/QRN28.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVState.h"
#include "foundation/RealTime.h"
#include "foundation/platform/Clock.h"
#include "numerics/VectorInt.h"

namespace ZRV {

using namespace Internal;

namespace {

// Without data for this long (not waiting for a trigger) a run has stalled.
constexpr double kStallTime = 5.0;
// The one-shot form yields this long between polls; a virtual clock moves
// on by it, so that simulated boards deliver.
constexpr double kPollPause = 0.0005;
// The DAC pointer list of a start: DAC vectors, then the ADC vectors of a
// QRN 2400 single scan.
constexpr int kPointers = 36;

bool IsZRV(BoardType type) { return type == ZRVBase::BoardZRV24 || type == ZRVBase::BoardZRV28; }
bool IsQRN(BoardType type) { return type == ZRVBase::BoardQRN2400 || type == ZRVBase::BoardQRN55; }

std::int32_t Clamp(std::int32_t count, std::size_t size, std::int32_t most) {
  return std::clamp(count, 0, std::min(static_cast<std::int32_t>(size), most));
}

// Drops trailing entries equal to the first (never below one).
void DropTrailing(const std::int32_t* list, std::int32_t& count) {
  while (count > 1 && list[count - 1] == list[0]) --count;
}

void SetStartConditions(std::int32_t dacCount, std::int32_t adcCount) {
  Z.activeDacCount = dacCount;
  Z.activeAdcCount = adcCount;
  SetPipelineLength(dacCount, adcCount);
  if (Z.state == StateClosed) return;
  if (Z.result != 0) {
    Z.state = StateError;
  } else {
    Z.state = StateRunning;
    Z.overflowed = false;
  }
}

// Starts the ZRV-24/28 sweep whose sequence and first data are loaded.
void Start_ZRV24and28_Acquisition(std::uint32_t ticks, std::uint16_t flags) {
  if (Z.state != StateRunning) return;
  const std::int32_t trigger = (flags & FlagTrigger) != 0 ? 1 : 0;
  const std::int32_t output = (flags & FlagStimulate) != 0 ? 1 : 0;
  const std::int32_t option3 = (flags & FlagOption3) == 0 ? 1 : 0;
  const std::int32_t option4 = (flags & FlagOption4) == 0 ? 1 : 0;
  const auto interval = static_cast<std::int32_t>(ticks);
  bool ok = false;
  switch (Z.boardType) {
    case ZRVBase::BoardZRV28:
      ok = Check(QRN28_SetSamplingInterval(Z.handle, interval, 0)) &&
           Check(QRN28_Start(Z.handle, trigger, output, option3, option4));
      break;
    case ZRVBase::BoardZRV24:
      ok = Check(QRN24_SetSamplingInterval(Z.handle, interval)) &&
           Check(QRN24_Start(Z.handle, trigger, output, option3, option4));
      break;
    default:
      Fail("\"Start_ZRV24and28_Acquisition\" not allowed.");
      break;
  }
  if (!ok) Z.state = StateError;
}

// Pointers to the DAC data of a QRN board: the caller's buffers, or with
// compression the cache regions where each sample is repeated that often.
// The backends take DAC and ADC vectors in one list of writable pointers;
// they only read the DAC vectors.
void QRNDacPointers(std::int32_t dacCount, std::int32_t samples, const std::int16_t* const buffers[],
                    std::int16_t* pointers[]) {
  for (std::int32_t i = 0; i < dacCount; ++i) {
    if (Z.compression < 2) {
      pointers[i] = const_cast<std::int16_t*>(buffers[i]);
    } else {
      std::int16_t* const region = Z.cache + static_cast<std::ptrdiff_t>(i) * Z.compression * samples;
      ExpandToCache(buffers[i], region, samples, Z.compression, 1);
      pointers[i] = region;
    }
  }
}

const char* TimerTaskMessage(std::int32_t result) {
  switch (result) {
    case ADTimerTask::kMutexError:
      return "Timer thread: mutex error.";
    case ADTimerTask::kThreadError:
      return "Timer thread failed to start.";
    case ADTimerTask::kAllocationError:
      return "Timer thread: allocation error.";
    default:
      return "Timer thread error.";
  }
}

// Frames of input that pace an output-only sweep of that many samples. On
// the QRN 2400 the pacing input converts in the first slot of a frame,
// before the outputs of the later slots: it runs one frame longer, so that
// the last outputs are out before the one-shot form halts.
std::int32_t PacingFrames(std::int32_t dacSamples) {
  return Z.boardType == ZRVBase::BoardQRN2400 ? dacSamples + 1 : dacSamples;
}

bool FailWith(const char* message) { return Fail({message, std::strlen(message) + 1}); }

bool DoStimAndSample(std::int32_t dacChannel, std::int32_t adcChannel, double& interval,
                     std::span<const std::int16_t> stimulus, std::span<std::int16_t> destination,
                     std::int32_t samples, bool stimulate, bool sample) {
  const std::int32_t adcSamples = sample ? Clamp(samples, destination.size(), samples) : 0;
  const std::int32_t dacSamples = stimulate ? Clamp(samples, stimulus.size(), samples) : 0;
  if (Z.state == StateClosed) {
    if (stimulate) {
      const std::int32_t n = std::min(adcSamples, dacSamples);
      if (n > 0) std::memmove(destination.data(), stimulus.data(), static_cast<std::size_t>(n) * 2);
    } else {
      std::fill_n(destination.begin(), adcSamples, std::int16_t{0});
    }
    return true;
  }
  const std::int32_t dacList[1] = {dacChannel};
  const std::int32_t adcList[1] = {adcChannel};
  const std::int16_t* dacBuffers[1] = {stimulus.data()};
  std::int16_t* adcBuffers[1] = {destination.data()};
  return PolyStimAndSample(1, sample ? 1 : 0, dacSamples, adcSamples, stimulate ? FlagStimulate : 0,
                           dacList, adcList, interval, dacBuffers, adcBuffers);
}

}  // namespace

bool StartStimAndSample(std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
                        std::int32_t adcSamples, std::uint16_t flags, ChannelList dacList,
                        ChannelList adcList, double& interval, DacBuffers dacBuffers,
                        AdcBuffers adcBuffers, bool& immediate, bool oneShot, bool append) {
  if (Z.state == StateClosed) return false;
  ForceHalt();
  if (Z.guard != nullptr) Z.guard();
  FlushCache();
  const BoardType type = Z.boardType;
  bool doImmediate = immediate && Z.allowImmediateRead;
  immediate = false;
  dacCount = Clamp(dacCount, dacList.size(), DacChannels);
  adcCount = Clamp(adcCount, adcList.size(), AdcChannels);
  dacSamples = std::max(dacSamples, 0);
  adcSamples = std::max(adcSamples, 0);
  Z.requestedAdcCount = adcCount;
  Z.requestedDacCount = dacCount;

  // Working lists, long enough for the padding of a ZRV-24/28 frame.
  std::int32_t dac[kMaxSlots] = {};
  std::int32_t adc[kMaxSlots] = {};
  const std::int16_t* dacBuffer[kMaxSlots] = {};
  std::int16_t* adcBuffer[kMaxSlots] = {};
  std::copy_n(dacList.begin(), dacCount, dac);
  std::copy_n(adcList.begin(), adcCount, adc);
  std::copy_n(dacBuffers.begin(), Clamp(dacCount, dacBuffers.size(), dacCount), dacBuffer);
  std::copy_n(adcBuffers.begin(), Clamp(adcCount, adcBuffers.size(), adcCount), adcBuffer);

  bool rack1Out = false, rack2Out = false, rack1In = false, rack2In = false;
  for (std::int32_t i = 0; i < dacCount; ++i) {
    const std::int32_t c = dac[i];
    const bool rack1 = (c >= 0 && c <= 3) || c == DigitalOut || c == 10 || (c == TlvOut && !Z.secondTlvPort);
    (rack1 ? rack1Out : rack2Out) = true;
  }
  for (std::int32_t i = 0; i < adcCount; ++i) {
    const std::int32_t c = adc[i];
    const bool rack1 = (c >= 0 && c <= 7) || c == DigitalIn || c == 18 || (c == TlvIn && !Z.secondTlvPort);
    (rack1 ? rack1In : rack2In) = true;
  }

  if (IsQRN(type)) {
    if (static_cast<std::int64_t>(dacCount) * dacSamples < 1) {
      dacCount = 0;
      dac[0] = type == ZRVBase::BoardQRN2400 && rack2In && !rack1In ? 4 : 0;
    }
    DropTrailing(dac, dacCount);
    DropTrailing(adc, adcCount);
    if (static_cast<std::int64_t>(adcCount) * adcSamples < 1) {
      // Output only: one input is sampled along to pace the run.
      adcCount = 1;
      adcSamples = PacingFrames(dacSamples);
      adc[0] = 0;
      adcBuffer[0] = nullptr;
      if (type == ZRVBase::BoardQRN2400 && rack2Out && !rack1Out) adc[0] = 8;
      if (type == ZRVBase::BoardQRN55) {
        for (int unit = 0; unit < 2; ++unit) {
          if (QRN55Interface::UnitHasActiveDac(unit, dacCount, dac)) {
            adc[0] = ZRVBase::NumberAdcChannels / std::max(Z.activeUnits, 1) * unit;
            break;
          }
        }
      }
    }
  }

  Timing timing;
  if (!DoGetIntervalAndCompression(dacCount, adcCount, dac, adc, interval, timing)) return false;
  Z.compression = timing.compression;
  const std::int32_t slots = timing.slots;

  if (IsZRV(type)) {
    for (std::int32_t i = dacCount; i < slots; ++i) {
      dac[i] = dac[0];
      dacBuffer[i] = dacBuffer[0];
    }
    for (std::int32_t i = adcCount; i < slots; ++i) adc[i] = adc[0];
    dacCount = slots;
    adcCount = slots;
  }

  const std::int64_t k = Z.compression;
  std::int64_t dacBoardSamples = k * dacSamples;
  std::int64_t adcBoardSamples = k * adcSamples;
  std::int64_t dacTotal = dacBoardSamples * dacCount;
  const std::int64_t adcTotal = adcBoardSamples * adcCount;
  if (dacTotal < 1) flags &= static_cast<std::uint16_t>(~FlagStimulate);
  const bool stimulate = (flags & FlagStimulate) != 0;
  if (!stimulate) {
    dacCount = 0;
    dacTotal = 0;
    oneShot = false;
  }
  // The QRN 5+5 takes the whole stimulus at the start, however long; it
  // completes the stimulus's end when the buffers hold all of it.
  const bool wholeStimulus = oneShot;
  std::int64_t toWrite = dacTotal;
  const std::int64_t larger = std::max(dacTotal, adcTotal);
  bool useTimerTask = false;
  if (larger > ZRVBase::FIFOLength) {
    useTimerTask = IsZRV(type) && Z.allowTimerTask;
    if (toWrite > ZRVBase::FIFOLength) {
      oneShot = false;
      toWrite = ZRVBase::FIFOLength / dacCount * dacCount;
    }
  }
  if (!(IsQRN(type) && Z.compression < 2) && !CreateFifoBuffer(larger)) return false;

  switch (type) {
    case ZRVBase::BoardQRN55: {
      std::int16_t* pointers[kPointers] = {};
      QRNDacPointers(dacCount, dacSamples, dacBuffer, pointers);
      if (Z.secondTlvPort) {
        std::replace(dac, dac + dacCount, TlvOut, TlvOut2);
        std::replace(adc, adc + adcCount, TlvIn, TlvIn2);
      }
      // A pulsed sweep fills the ADC buffers with every board sample, which
      // with compression are more than the buffers hold.
      bool pulsed = doImmediate && Z.compression < 2;
      Z.transfer = false;
      if (!Check(QRN55Interface::StartStimAndSample(
              dacCount, adcCount, static_cast<std::int32_t>(dacBoardSamples),
              static_cast<std::int32_t>(adcBoardSamples), dac, adc, timing.frameInterval, pointers,
              adcBuffer, pulsed, (flags & FlagTrigger) != 0, stimulate, wholeStimulus))) {
        return false;
      }
      immediate = pulsed;
      SetStartConditions(dacCount, adcCount);
      if (pulsed && Z.state > StateOpen) Z.state = StateOpen;
      break;
    }
    case ZRVBase::BoardQRN2400: {
      std::int16_t* pointers[kPointers] = {};
      QRNDacPointers(dacCount, dacSamples, dacBuffer, pointers);
      std::int32_t dacSequence[kMaxSlots];
      std::int32_t adcSequence[kMaxSlots];
      for (std::int32_t i = 0; i < dacCount; ++i) dacSequence[i] = ConvertToZRV2400DacValue(dac[i]);
      if (rack1Out && rack2Out) doImmediate = false;
      // A single scan would put the longer output's count into each ADC
      // buffer, which holds only the samples asked for.
      if (adcBoardSamples < dacBoardSamples) {
        adcBoardSamples = dacBoardSamples;
        doImmediate = false;
      }
      for (std::int32_t i = 0; i < adcCount; ++i) {
        adcSequence[i] = ConvertToZRV2400AdcValue(adc[i]);
        if (doImmediate) pointers[dacCount + i] = adcBuffer[i];
      }
      std::int32_t singleScan = doImmediate ? 1 : 0;
      const auto ticks = static_cast<std::int32_t>(timing.ticks);
      if (!Check(QRN2400_StartStimAndSample(
              Z.handle, dacCount, adcCount, static_cast<std::int32_t>(dacBoardSamples),
              static_cast<std::int32_t>(adcBoardSamples), (flags & FlagTrigger) != 0,
              Z.externalTrigger, stimulate, oneShot, dacSequence, adcSequence, timing.dacSlots,
              timing.adcSlots, timing.sampleInterval, ticks, ticks, pointers, singleScan))) {
        return false;
      }
      if (singleScan != 0) {
        immediate = true;
        Z.transfer = false;
      } else {
        Z.transfer = !oneShot || interval * static_cast<double>(larger) >= 1.0;
      }
      SetStartConditions(dacCount, adcCount);
      break;
    }
    case ZRVBase::BoardZRV24:
    case ZRVBase::BoardZRV28: {
      SetSequence(slots, dacCount, adcCount, dac, adc, stimulate);
      if (toWrite > 0) {
        FillDacCache(dacCount, dacSamples, Z.compression, DacBuffers(dacBuffer, kMaxSlots), 0, Z.cache);
        // The ZRV-28 starts to send only once three values wait.
        if (type == ZRVBase::BoardZRV28 && oneShot && toWrite < 3) {
          const std::int64_t n = toWrite;
          Z.cache[n] = Z.cache[dacCount == 1 ? n - 1 : n - 2];
          Z.cache[n + 1] = Z.cache[n - 1];
          toWrite += 2;
        }
        WriteToDacFIFO(Z.cache, static_cast<std::int32_t>(toWrite), true, oneShot);
      }
      SetStartConditions(dacCount, adcCount);
      if (!useTimerTask) Start_ZRV24and28_Acquisition(timing.ticks, flags);
      break;
    }
    default:
      return false;
  }

  if (useTimerTask) {
    // The board converts a frame per stimulus frame whether or not it is
    // read: the task must take them all, or it stops feeding the stimulus.
    const std::int64_t converted = std::max(adcTotal, dacTotal);
    const std::int32_t result = ADTimerTask::Start(
        Z.cache, static_cast<std::int32_t>(converted), static_cast<std::int32_t>(dacTotal),
        static_cast<std::int32_t>(toWrite), Z.cacheCapacity, Z.compression * adcCount,
        timing.sampleInterval, slots, append);
    if (result != ADTimerTask::kStarted) {
      FailWith(TimerTaskMessage(result));
      Z.state = StateError;
      return false;
    }
    Start_ZRV24and28_Acquisition(timing.ticks, flags);
  }
  Z.lastDataTime = RealTime::GetTime();
  Z.waitingForTrigger = (flags & FlagTrigger) != 0;
  return immediate || Z.state == StateRunning;
}

bool AvailableStimAndSample(std::int32_t& frames, bool& running, bool& stalled) {
  std::int32_t count = 0;
  if (ADTimerTask::IsRunning()) {
    bool overflow = false;
    count = ADTimerTask::GetAvailableData(overflow);
    if (overflow && Z.state == StateRunning && ADTimerTask::IsUnderrun()) {
      FailWith("AD-timer task: stimulus underrun.");
    }
    if (overflow) Z.state = StateError;
  } else {
    count = GetReadAvailable();
  }
  std::int32_t divisor = 1;
  if (IsQRN(Z.boardType)) {
    divisor = Z.compression;
    count = std::max(count, 0);
  } else if (IsZRV(Z.boardType)) {
    divisor = Z.compression * Z.activeAdcCount;
  }
  frames = count / std::max(divisor, 1);
  running = Z.state == StateRunning;
  stalled = false;
  if (running) {
    const double now = RealTime::GetTime();
    if (frames > 0) {
      Z.lastDataTime = now;
      Z.waitingForTrigger = false;
    } else if (!Z.waitingForTrigger) {
      if (now < Z.lastDataTime) {
        Z.lastDataTime = now;
      } else if (now - Z.lastDataTime > kStallTime) {
        stalled = true;
      }
    }
  }
  return Z.result == 0;
}

bool DoneStimAndSample(std::int32_t wanted, bool& running, bool& stalled) {
  std::int32_t frames = 0;
  return AvailableStimAndSample(frames, running, stalled) && frames >= wanted;
}

bool ReadStimAndSample(std::int32_t adcCount, std::int32_t frames, bool halt, AdcBuffers adcBuffers) {
  if (Z.state == StateClosed || frames <= 0) return true;
  if (adcCount != 0 && adcCount != Z.requestedAdcCount) {
    return Fail("ReadStimAndSample: conflicting numbers of ADC.");
  }
  const std::int32_t requested = Z.requestedAdcCount;
  const std::int32_t active = Z.activeAdcCount;
  std::int16_t* buffer[kMaxSlots] = {};
  std::copy_n(adcBuffers.begin(), Clamp(requested, adcBuffers.size(), requested), buffer);
  const std::int64_t k = Z.compression;

  if (IsQRN(Z.boardType)) {
    if (halt) Halt();
    const bool viaCache = k >= 2 || active > requested;
    if (viaCache && !CreateFifoBuffer(std::max(active, requested) * k * frames)) return false;
    std::int16_t* pointers[kMaxSlots] = {};
    for (std::int32_t i = 0; i < active; ++i) {
      if (i >= requested) {
        pointers[i] = Z.cache;
      } else {
        pointers[i] = k < 2 ? buffer[i] : Z.cache + i * k * frames;
      }
    }
    const auto boardFrames = static_cast<std::int32_t>(k * frames);
    const std::int32_t status =
        Z.boardType == ZRVBase::BoardQRN55
            ? QRN55Interface::ReadFromFifo(boardFrames, pointers)
            : QRN2400_ReadStimAndSample(Z.handle, active, boardFrames, halt, pointers);
    if (!Check(status)) return false;
    const std::int32_t filled = std::min(requested, active);
    if (k > 1) {
      for (std::int32_t i = 0; i < filled; ++i) {
        CompressData(pointers[i], buffer[i], frames, Z.compression, Z.maxAveraging, 1);
      }
    }
    // Entries the start dropped as repeats of the first channel share its
    // data.
    for (std::int32_t i = filled; i < requested; ++i) {
      if (buffer[i] != nullptr && buffer[0] != nullptr) VectorInt::Copy(buffer[0], buffer[i], frames);
    }
    return true;
  }

  if (!IsZRV(Z.boardType)) return true;
  const bool timerTask = ADTimerTask::IsRunning();
  if (halt) Halt();
  if (timerTask) {
    std::int32_t handedOut = frames;
    ADTimerTask::ReadData(handedOut, Z.compression, Z.maxAveraging, active, requested,
                          AdcBuffers(buffer, kMaxSlots));
    // The rest of the caller's buffers would be left as they were.
    if (handedOut < frames) return FailWith("ReadStimAndSample: requested data not available.");
    return true;
  }
  if (active == 1 && k == 1 && buffer[0] != nullptr) return ReadAdcFifo(buffer[0], frames);
  const std::int64_t values = k * active * frames;
  if (!CreateFifoBuffer(values)) return false;
  if (!ReadAdcFifo(Z.cache, static_cast<std::int32_t>(values))) return false;
  const std::int32_t averaging = k < 2 ? 1 : Z.maxAveraging;
  for (std::int32_t i = 0; i < requested; ++i) {
    CompressData(Z.cache + i, buffer[i], frames, Z.compression, averaging, active);
  }
  return true;
}

bool AppendToFIFO(std::int32_t dacCount, std::int32_t frames, bool last, DacBuffers dacBuffers) {
  if (Z.state == StateClosed) return false;
  if (Z.activeDacCount == 0) return Fail("No active DAC.");
  if (dacCount != 0 && dacCount != Z.requestedDacCount) {
    return Fail("AppendToFIFO: conflicting numbers of DAC.");
  }
  const std::int32_t active = Z.activeDacCount;
  const std::int32_t requested = Z.requestedDacCount;
  const std::int16_t* buffer[kMaxSlots] = {};
  std::copy_n(dacBuffers.begin(), Clamp(requested, dacBuffers.size(), requested), buffer);
  const std::int64_t k = Z.compression;

  if (IsQRN(Z.boardType)) {
    if (k >= 2 && !CreateFifoBuffer(active * k * frames)) return false;
    std::int16_t* pointers[kMaxSlots] = {};
    QRNDacPointers(active, frames, buffer, pointers);
    const auto boardFrames = static_cast<std::int32_t>(k * frames);
    return Check(Z.boardType == ZRVBase::BoardQRN55
                     ? QRN55Interface::AppendToFifo(boardFrames, pointers, last)
                     : QRN2400_AppendToFIFO(Z.handle, active, boardFrames, last, pointers));
  }

  if (!IsZRV(Z.boardType)) return true;
  const std::int64_t values = k * active * frames;
  if (values <= 0) return Fail("No DAC data to append.");
  // The channels the start added to fill a frame repeat the first one.
  for (std::int32_t i = requested; i < active; ++i) buffer[i] = buffer[0];
  if (ADTimerTask::IsRunning()) {
    if (!ADTimerTask::AppendData(frames, Z.compression, active, DacBuffers(buffer, kMaxSlots),
                                 last)) {
      return Fail("AD-timer task error.");
    }
    return true;
  }
  if (!CreateFifoBuffer(values)) return false;
  FillDacCache(active, frames, Z.compression, DacBuffers(buffer, kMaxSlots), 0, Z.cache);
  WriteToDacFIFO(Z.cache, static_cast<std::int32_t>(values), true, last);
  return true;
}

bool PolyStimAndSample(std::int32_t dacCount, std::int32_t adcCount, std::int32_t dacSamples,
                       std::int32_t adcSamples, std::uint16_t flags, ChannelList dacList,
                       ChannelList adcList, double& interval, DacBuffers dacBuffers,
                       AdcBuffers adcBuffers) {
  bool immediate = true;
  if (!StartStimAndSample(dacCount, adcCount, dacSamples, adcSamples, flags, dacList, adcList,
                          interval, dacBuffers, adcBuffers, immediate, true, false)) {
    return false;
  }
  if (immediate) {
    Halt();
    return true;
  }
  const bool nothingToRead = static_cast<std::int64_t>(adcCount) * adcSamples < 1;
  const std::int32_t target = nothingToRead ? PacingFrames(dacSamples) : adcSamples;
  for (;;) {
    std::int32_t frames = 0;
    bool running = false;
    bool stalled = false;
    if (!AvailableStimAndSample(frames, running, stalled)) break;
    if (frames >= target) {
      if (nothingToRead) {
        Halt();
        return true;
      }
      return ReadStimAndSample(0, adcSamples, true, adcBuffers);
    }
    // The halt sets the result: halt first, then report.
    if (!running) {
      Halt();
      return Fail("Acquisition Failed.");
    }
    if (ZRVBase::SpinCursor) SpinCursorIfShown();
    if (stalled) {
      Halt();
      return Fail("Acquisition Timeout.");
    }
    Platform::SleepSeconds(kPollPause);
  }
  Halt();
  return false;
}

bool StimAndSample(std::int32_t dacChannel, std::int32_t adcChannel, double& interval,
                   std::span<const std::int16_t> stimulus, std::span<std::int16_t> destination,
                   std::int32_t samples) {
  return DoStimAndSample(dacChannel, adcChannel, interval, stimulus, destination, samples, true, true);
}

bool Sample(std::int32_t adcChannel, double& interval, std::span<std::int16_t> destination,
            std::int32_t samples) {
  return DoStimAndSample(0, adcChannel, interval, {}, destination, samples, false, true);
}

bool Stim(std::int32_t dacChannel, double& interval, std::span<const std::int16_t> stimulus,
          std::int32_t samples) {
  return DoStimAndSample(dacChannel, 0, interval, stimulus, {}, samples, true, false);
}

}  // namespace ZRV
