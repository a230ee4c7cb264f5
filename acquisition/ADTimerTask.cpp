#include "acquisition/ADTimerTask.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/ZRVDebug.h"
#include "foundation/Buffer.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "numerics/VectorInt.h"

namespace ADTimerTask {

TaskRecord ADTask;
std::atomic<std::int32_t> PollCount{0};

namespace {

constexpr double kLongestPeriod = 0.05;
// Stop waits this long for the thread to finish its pump step.
constexpr double kStopTimeout = 1.0;
constexpr int kCountWidth = 7;

bool ZRVInError() { return ZRV::Status() == ZRV::StateError; }
void ZRVWriteDac(const std::int16_t* buffer, std::int32_t count, bool last) {
  ZRV::WriteToDacFIFO(buffer, count, true, last);
}

Buffer::NamedBuffer RingBuffer = nullptr;

class PumpLock {
 public:
  PumpLock() : _mutex(ADTask.Mutex) { Platform::Mutex_Lock(_mutex); }
  ~PumpLock() { Platform::Mutex_Release(_mutex); }
  PumpLock(const PumpLock&) = delete;
  PumpLock& operator=(const PumpLock&) = delete;

 private:
  const Platform::MutexHandle _mutex;
};

// Only a running task overflows: a pump step that ends after Stop must not
// bring a stopped task back to life.
void EnterOverflow() {
  std::uint8_t running = StateRunning;
  ADTask.State.compare_exchange_strong(running, StateOverflow);
}

// The counts of a run and its stimulus buffer; the ring's block stays.
void ClearRun() {
  ADTask.Period = 0.0;
  ADTask.DacSource = nullptr;
  ADTask.DacCycleLength = 0;
  ADTask.DacPosition = 0;
  ADTask.DacPending = 0;
  ADTask.DacTotal = 0;
  ADTask.DacWritten = 0;
  ADTask.DacFrame = 0;
  ADTask.DacComplete = false;
  ADTask.Underrun = false;
  ADTask.AdcRingLength = 0;
  ADTask.AdcWritePos = 0;
  ADTask.AdcUnread = 0;
  ADTask.AdcTotal = 0;
  ADTask.AdcAcquired = 0;
  ADTask.AdcFrame = 0;
  ADTask.Continuous = false;
}

bool DebugLines() { return ADTask.Debug.load(); }

// "<title> <time>  " followed by the counts, each in a field of 7, joined
// by " - ".
void WriteCounts(std::span<const char> title, std::initializer_list<std::int32_t> counts) {
  char line[160];
  ZRVDebug::DebugTitleAndTime(title, line);
  bool first = true;
  for (const std::int32_t count : counts) {
    if (!first) Strings::Concat(line, " - ");
    Decode::Integer(count, line, kCountWidth);
    first = false;
  }
  ZRVDebug::DebugWrite(line);
}

// The block of the ring holds at least size samples afterwards (a larger
// block from an earlier run is kept); FALSE when memory is short.
bool PrepareRing(std::int32_t size) {
  if (ADTask.AdcRing != nullptr && ADTask.AdcCapacity >= size) return true;
  Buffer::Delete(RingBuffer);
  ADTask.AdcRing = nullptr;
  ADTask.AdcCapacity = 0;
  const std::int64_t bytes = (2 * static_cast<std::int64_t>(size) + 1023) / 1024 * 1024;
  if (bytes > INT32_MAX) return false;
  RingBuffer = Buffer::Create("TimerTaskAdcFifo", Buffer::kSingleBlock);
  void* block = nullptr;
  Buffer::AllocateBlock(RingBuffer, static_cast<std::int32_t>(bytes), block);
  if (block == nullptr) {
    Buffer::Delete(RingBuffer);
    return false;
  }
  ADTask.AdcRing = static_cast<std::int16_t*>(block);
  ADTask.AdcCapacity = static_cast<std::int32_t>(bytes / 2);
  return true;
}

// Reads count samples from the board into the ring at the write position.
void ReadIntoRing(std::int32_t count) {
  Board.ReadFromAdcFIFO(ADTask.AdcRing + ADTask.AdcWritePos, count);
  ADTask.AdcWritePos += count;
  if (ADTask.AdcWritePos == ADTask.AdcRingLength) ADTask.AdcWritePos = 0;
  ADTask.AdcUnread += count;
  ADTask.AdcAcquired += count;
}

// Writes count stimulus samples from the send position to the board.
void WriteFromCycle(std::int32_t count, bool last) {
  Board.WriteToDacFIFO(ADTask.DacSource + ADTask.DacPosition, count, last);
  ADTask.DacPosition = (ADTask.DacPosition + count) % ADTask.DacCycleLength;
  ADTask.DacPending -= count;
  ADTask.DacWritten += count;
}

// One pump step, under the mutex: the AD samples waiting in whole frames go
// into the ring as far as it has room, and as many stimulus samples go out.
void PumpStep(bool fromThread) {
  std::int32_t n = 0;
  std::int32_t m = 0;
  bool end = false;
  // Once the acquisition is complete the board is left alone: it converts
  // on until it is halted, and an overflow of samples that nobody wants
  // must not fail a finished run.
  if (ADTask.Continuous || ADTask.AdcAcquired < ADTask.AdcTotal) {
    n = Board.GetReadAvailable() / ADTask.AdcFrame * ADTask.AdcFrame;
    // In its error state the board layer reports a whole FIFO as available,
    // which holds no samples: take nothing from it.
    if (Board.InError()) {
      EnterOverflow();
      n = 0;
    }
  }
  if (n > 0) {
    if (!ADTask.Continuous) n = std::min(n, ADTask.AdcTotal - ADTask.AdcAcquired);
    const std::int32_t room = ADTask.AdcRingLength - ADTask.AdcUnread;
    if (room < n) {
      n = room;
      EnterOverflow();
    }
    if (ADTask.DacTotal > 0 && n > 0) {
      m = n;
      if (!ADTask.Continuous) m = std::min(m, ADTask.DacTotal - ADTask.DacWritten);
      const bool ends = !ADTask.Continuous || ADTask.DacComplete;
      if (m > ADTask.DacPending && !ends) {
        // The caller's appends did not keep up: the DA FIFO runs short of
        // stimulus, and the run must not pass for one that ended.
        m = ADTask.DacPending;
        ADTask.Underrun = true;
        EnterOverflow();
      } else if (m >= ADTask.DacPending && ends) {
        m = ADTask.DacPending;
        end = true;
      }
    }
  }
  if (n > 0) {
    const std::int32_t toEnd = ADTask.AdcRingLength - ADTask.AdcWritePos;
    const std::int32_t first = std::min(n, toEnd);
    ReadIntoRing(first);
    if (n > first) ReadIntoRing(n - first);
  }
  if (m > 0) {
    const std::int32_t toEnd = ADTask.DacCycleLength - ADTask.DacPosition;
    std::int32_t rest = m;
    if (m > toEnd) {
      WriteFromCycle(toEnd, false);
      rest -= toEnd;
    }
    WriteFromCycle(rest, end);
  }
  if (!DebugLines()) return;
  char line[200];
  ZRVDebug::DebugTitleAndTime(fromThread ? "ReadWrite TASK   " : "ReadWrite        ", line);
  Decode::Integer(n, line, kCountWidth);
  Strings::Concat(line, " - ");
  Decode::Integer(ADTask.AdcUnread, line, kCountWidth);
  Strings::Concat(line, " - ");
  Decode::Integer(ADTask.AdcAcquired, line, kCountWidth);
  Strings::Concat(line, ", ");
  Decode::Integer(m, line, kCountWidth);
  Strings::Concat(line, " - ");
  Decode::Integer(ADTask.DacPending, line, kCountWidth);
  Strings::Concat(line, " - ");
  Decode::Integer(ADTask.DacWritten, line, kCountWidth);
  if (end) Strings::Concat(line, " => end");
  if (ADTask.State == StateOverflow) Strings::Concat(line, " => overflow");
  ZRVDebug::DebugWrite(line);
}

// The polling thread of one run. A thread that outlived its Stop (held up
// in a board call) sees its own stop request and pumps no more, even while
// a later run is going.
void Poll(double period) {
  while (!Platform::ThreadStopRequested() && ADTask.State != StateStopRequested) {
    Platform::SleepSeconds(period);
    ++PollCount;
    if (ADTask.State != StateRunning) continue;
    const PumpLock lock;
    if (ADTask.State == StateRunning && !Platform::ThreadStopRequested()) PumpStep(true);
  }
}

// Hands out k frames from ring position p to destination offset o.
void HandOut(std::int32_t k, std::int32_t p, std::int32_t o, std::int32_t compression,
             std::int32_t averaging, std::int32_t adcChannels, std::int32_t channels,
             std::span<std::int16_t* const> destinations) {
  const std::int16_t* const source = ADTask.AdcRing + p;
  if (ADTask.AdcFrame == 1) {
    if (destinations[0] != nullptr) VectorInt::Copy(source, destinations[0] + o, k);
  } else {
    for (std::int32_t ch = 0; ch < channels; ++ch) {
      std::int16_t* const destination = destinations[ch];
      if (destination == nullptr) continue;
      if (compression < 2 || averaging < 2) {
        VectorInt::CopySkip(source + ch, destination + o, k, ADTask.AdcFrame, 1);
      } else {
        ZRV::CompressData(source + ch, destination + o, k, compression, averaging, adcChannels);
      }
    }
  }
  ADTask.AdcUnread -= k * ADTask.AdcFrame;
  if (DebugLines()) WriteCounts("ReadData         ", {k * ADTask.AdcFrame, p});
}

}  // namespace

constexpr BoardFifo ZRVFifo = {ZRV::GetReadAvailable, ZRVInError, ZRV::ReadFromAdcFIFO, ZRVWriteDac};
BoardFifo Board = ZRVFifo;

std::int32_t Start(std::int16_t* dacSource, std::int32_t adcTotal, std::int32_t dacTotal,
                   std::int32_t dacWritten, std::int32_t cacheSize, std::int32_t frameSize,
                   double interval, std::int32_t, bool continuous) {
  Stop();
  if (DebugLines()) ZRVDebug::ResumeLines();
  if (dacSource == nullptr || frameSize < 1 || cacheSize < frameSize) return kAllocationError;
  if (ADTask.Mutex == nullptr) {
    ADTask.Mutex = Platform::Mutex_Create();
    if (ADTask.Mutex == nullptr) return kMutexError;
  }
  {
    // A thread that outlived its Stop may still be inside a pump step.
    const PumpLock lock;
    const std::int32_t ringSize = std::max(cacheSize, kLeastRingSamples);
    if (!PrepareRing(ringSize)) return kAllocationError;
    ADTask.Continuous = continuous;
    ADTask.DacSource = dacSource;
    // The stimulus cycles through the caller's cache only; the ring may be
    // larger.
    ADTask.DacCycleLength = cacheSize / frameSize * frameSize;
    ADTask.AdcRingLength = ringSize / frameSize * frameSize;
    ADTask.DacPosition = dacWritten % ADTask.DacCycleLength;
    ADTask.DacPending = std::max(dacTotal - dacWritten, 0);
    ADTask.DacTotal = dacTotal;
    ADTask.DacWritten = dacWritten;
    ADTask.DacFrame = frameSize;
    ADTask.DacComplete = false;
    ADTask.Underrun = false;
    ADTask.AdcFrame = frameSize;
    ADTask.AdcWritePos = 0;
    ADTask.AdcUnread = 0;
    ADTask.AdcAcquired = 0;
    ADTask.AdcTotal = adcTotal;
  }
  const double period =
      std::min(kLongestPeriod, (static_cast<double>(ZRVBase::FIFOLength) + 1.0) * interval / 8.0);
  ADTask.Period = period;
  if (DebugLines()) {
    char line[100];
    ZRVDebug::DebugTitleAndTime("Start            ", line);
    Decode::Engineering(period, line, 9);
    Strings::Concat(line, "s");
    ZRVDebug::DebugWrite(line);
  }
  ADTask.State = StateStarting;
  ADTask.Thread = Platform::ThreadStart([period] { Poll(period); }, 0);
  if (ADTask.Thread == nullptr) {
    ADTask.State = StateIdle;
    return kThreadError;
  }
  ADTask.State = StateRunning;
  return kStarted;
}

void Stop() {
  if (IsRunning()) {
    ADTask.State = StateStopRequested;
    if (DebugLines()) {
      char line[64];
      ZRVDebug::DebugTitleAndTime("Stop             ", line);
      ZRVDebug::DebugWrite(line);
    }
  }
  if (ADTask.Thread != nullptr) {
    ADTask.State = StateStopRequested;
    Platform::ThreadKill(ADTask.Thread, kStopTimeout);
    ADTask.Thread = nullptr;
  }
  ADTask.State = StateIdle;
  if (DebugLines()) ZRVDebug::PauseLines();
}

bool IsRunning() {
  const std::uint8_t state = ADTask.State;
  return state == StateRunning || state == StateOverflow;
}

bool IsUnderrun() { return ADTask.Underrun.load(); }

std::int32_t GetAvailableData(bool& overflow) {
  std::int32_t unread = 0;
  {
    const PumpLock lock;
    if (IsRunning()) PumpStep(false);
    unread = ADTask.AdcUnread;
  }
  overflow = ADTask.State == StateOverflow;
  return unread;
}

void ReadData(std::int32_t& frames, std::int32_t compression, std::int32_t averaging,
              std::int32_t adcChannels, std::int32_t channelsToRead,
              std::span<std::int16_t* const> destinations) {
  const PumpLock lock;
  const std::int32_t frame = ADTask.AdcFrame;
  // Frames that do not match the run's are not handed out.
  if (frames <= 0 || frame < 1 || ADTask.AdcRingLength < frame || destinations.empty() ||
      adcChannels < 1 || adcChannels * std::max(compression, 1) != frame) {
    frames = 0;
    return;
  }
  if (ADTask.AdcUnread / frame < frames) frames = ADTask.AdcUnread / frame;
  const std::int32_t channels = std::clamp(
      channelsToRead, 0, std::min(adcChannels, static_cast<std::int32_t>(destinations.size())));
  std::int32_t p = (ADTask.AdcWritePos + ADTask.AdcRingLength - ADTask.AdcUnread) % ADTask.AdcRingLength;
  std::int32_t offset = 0;
  std::int32_t remaining = frames;
  if (ADTask.AdcWritePos < ADTask.AdcUnread) {
    const std::int32_t k = std::min((ADTask.AdcUnread - ADTask.AdcWritePos) / frame, remaining);
    HandOut(k, p, offset, compression, averaging, adcChannels, channels, destinations);
    offset += k;
    remaining -= k;
    p = 0;
  }
  if (remaining > 0) {
    HandOut(remaining, p, offset, compression, averaging, adcChannels, channels, destinations);
  }
}

bool AppendData(std::int32_t frames, std::int32_t compression, std::int32_t dacChannels,
                std::span<const std::int16_t* const> sources, bool last) {
  const PumpLock lock;
  if (!ADTask.Continuous || ADTask.DacTotal <= 0) return false;
  const std::int32_t cycle = ADTask.DacCycleLength;
  const std::int32_t frame = ADTask.DacFrame;
  // Frames that do not match the run's, and appends that would overwrite
  // stimulus not yet sent, are refused whole.
  if (frames < 0 || dacChannels < 1 || dacChannels > static_cast<std::int32_t>(sources.size()) ||
      dacChannels * std::max(compression, 1) != frame) {
    return false;
  }
  std::int32_t w = (ADTask.DacPosition + ADTask.DacPending) % cycle;
  // A stimulus of partial frames leaves no whole frame at the cycle's end.
  if (w % frame != 0) return false;
  if (static_cast<std::int64_t>(frames) * frame > cycle - ADTask.DacPending) return false;
  std::int32_t e = (cycle - w) / frame;
  if (frames >= e) {
    ZRV::FillDacCache(dacChannels, e, compression, sources, 0, ADTask.DacSource + w);
    ADTask.DacPending += e * frame;
    frames -= e;
    if (DebugLines()) WriteCounts("AppendData       ", {e, w});
  } else {
    e = 0;
  }
  if (frames > 0) {
    w = (ADTask.DacPosition + ADTask.DacPending) % cycle;
    ZRV::FillDacCache(dacChannels, frames, compression, sources, e, ADTask.DacSource + w);
    ADTask.DacPending += frames * frame;
    if (DebugLines()) WriteCounts("AppendData       ", {frames, w});
  }
  if (last) ADTask.DacComplete = true;
  return true;
}

void SetDebug(bool on) { ADTask.Debug = on; }

void Shutdown() {
  Stop();
  {
    // A thread that outlived its Stop may still be inside a pump step.
    const PumpLock lock;
    Buffer::Delete(RingBuffer);
    ADTask.AdcRing = nullptr;
    ADTask.AdcCapacity = 0;
    ClearRun();
  }
  Platform::Mutex_Destroy(ADTask.Mutex);
  ADTask.Mutex = nullptr;
}

void InitModule() {
  ClearRun();
  ADTask.Thread = nullptr;
  ADTask.Mutex = nullptr;
  ADTask.AdcRing = nullptr;
  ADTask.AdcCapacity = 0;
  ADTask.State = StateIdle;
  ADTask.Debug = false;
  PollCount = 0;
  RingBuffer = nullptr;
  Board = ZRVFifo;
  ZRVDebug::TimerTaskSetDebug = SetDebug;
}

}  // namespace ADTimerTask
