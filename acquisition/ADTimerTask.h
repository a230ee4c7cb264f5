// The acquisition timer task: keeps a ZRV-24/ZRV-28 stimulate-and-sample run
// going when the stimulus or the acquisition is longer than the board FIFO.
// A thread of its own wakes every Period, moves every whole frame of AD
// samples waiting in the board FIFO into a ring in memory, and refills the
// DA FIFO with as many samples from the stimulus buffer (the board layer's
// FIFO cache). The board layer starts it, polls and reads the ring through
// it, appends stimulus in continuous runs, and stops it.
//
// Counts are in samples unless they say frames. A frame is the samples of
// one sampling instant of all channels times the compression factor.
//
// Threads: the pump step, ReadData and AppendData run under the task's one
// mutex, on the polling thread or the caller's. Start, Stop, Shutdown,
// SetDebug and InitModule belong to the main thread. Stop never takes the
// mutex: it requests the end and waits for the thread, which finishes its
// pump step and releases the mutex itself; a later Start takes the mutex
// before it touches the ring, so it never meets a half-done step.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "foundation/platform/Threads.h"

namespace ADTimerTask {

// ---- Interface ------------------------------------------------------------

// Task states.
inline constexpr std::uint8_t StateIdle = 0;
inline constexpr std::uint8_t StateStarting = 1;
inline constexpr std::uint8_t StateStopRequested = 2;
inline constexpr std::uint8_t StateRunning = 3;
// The ring overflowed, a continuous stimulus ran out before its last
// append (an underrun), or the board layer is in its error state: the
// thread no longer pumps (a caller's GetAvailableData still does) until
// Stop.
inline constexpr std::uint8_t StateOverflow = 4;

// Start's results; the board layer turns them into its messages.
inline constexpr std::int32_t kStarted = 0;
inline constexpr std::int32_t kMutexError = -1;
inline constexpr std::int32_t kThreadError = -2;
// No stimulus buffer, a frame size below 1 or a cache smaller than one
// frame, or no memory for the ring.
inline constexpr std::int32_t kAllocationError = -3;

// The ring never holds less than this many samples.
inline constexpr std::int32_t kLeastRingSamples = 1048576;

// Starts a run (stopping a running one first). dacSource is the interleaved
// stimulus buffer of cacheSize samples (the board layer's FIFO cache), of
// which dacWritten were already written to the DA FIFO; dacTotal samples the
// stimulus has (0: none), adcTotal the acquisition. frameSize samples make a
// frame on both sides. The pump period is (FIFO length + 1) x interval / 8,
// at most 0.05 s. slots is not used. continuous: no end counts, and the
// stimulus grows by AppendData until its last append; a pump that needs
// more stimulus than is pending before that is an underrun. Otherwise, once
// adcTotal samples are in, the pump leaves the board alone (it converts on
// until it is halted).
// Gives kStarted or a negative result.
std::int32_t Start(std::int16_t* dacSource, std::int32_t adcTotal, std::int32_t dacTotal,
                   std::int32_t dacWritten, std::int32_t cacheSize, std::int32_t frameSize,
                   double interval, std::int32_t slots, bool continuous);

// Ends a run and joins the thread (within about a second); harmless when
// none runs. The ring keeps its unread samples for ReadData.
void Stop();

// TRUE in the running and the overflow state.
bool IsRunning();

// The run is in the overflow state because its continuous stimulus ran out
// before the last append.
bool IsUnderrun();

// Pumps once on the caller's thread while a run is going, then gives the
// unread samples of the ring; overflow := the task is in the overflow state.
std::int32_t GetAvailableData(bool& overflow);

// Hands out the oldest unread frames: frames in, the frames wanted per
// channel; out, the frames handed out (no more than the ring holds, none
// when adcChannels x compression is not the run's frame size). For each of
// the first channelsToRead entries of destinations (channel ch of the
// adcChannels in a frame) one value per frame: the group's first value, or
// with compression and averaging both 2 or more the mean of its first
// min(averaging, compression) values. The frames leave the ring, also after
// Stop.
void ReadData(std::int32_t& frames, std::int32_t compression, std::int32_t averaging,
              std::int32_t adcChannels, std::int32_t channelsToRead,
              std::span<std::int16_t* const> destinations);

// Interleaves frames of per-channel stimulus (the first dacChannels entries
// of sources, each value repeated compression times) behind the stimulus
// not yet sent, wrapping at the end of the stimulus buffer; `last`: the
// stimulus ends with them, and the pump flags its final block. FALSE with
// nothing written when the run is not continuous or has no stimulus, when
// the frames do not fit the room that the unsent stimulus leaves, or when
// they do not match the run's frame size.
bool AppendData(std::int32_t frames, std::int32_t compression, std::int32_t dacChannels,
                std::span<const std::int16_t* const> sources, bool last);

// The task writes its lines to the acquisition debug log, or not.
void SetDebug(bool on);

// Stops, deletes the ring, forgets the run and its stimulus buffer, and
// destroys the mutex.
void Shutdown();

// Clears the record, the handles and the poll count, debugging off, the
// board FIFO of the board layer; installs SetDebug in the debug log.
void InitModule();

// ---- Module state ---------------------------------------------------------

// The pump counts and the ring are read and written under Mutex only.
struct TaskRecord {
  double Period = 0.0;  // seconds between the thread's pump steps
  Platform::ThreadHandle Thread;
  Platform::MutexHandle Mutex = nullptr;  // made by the first Start
  std::int16_t* DacSource = nullptr;
  std::int32_t DacCycleLength = 0;  // the caller's cache in whole frames
  std::int32_t DacPosition = 0;     // next sample to send
  std::int32_t DacPending = 0;      // in DacSource, not yet sent
  std::int32_t DacTotal = 0;
  std::int32_t DacWritten = 0;      // sent so far, before the start too
  std::int32_t DacFrame = 0;
  bool DacComplete = false;         // a continuous stimulus had its last append
  std::int16_t* AdcRing = nullptr;  // block of the named buffer "TimerTaskAdcFifo"
  std::int32_t AdcCapacity = 0;     // samples the block holds
  std::int32_t AdcRingLength = 0;   // samples in use, whole frames
  std::int32_t AdcWritePos = 0;
  std::int32_t AdcUnread = 0;
  std::int32_t AdcTotal = 0;
  std::int32_t AdcAcquired = 0;     // taken from the board so far
  std::int32_t AdcFrame = 0;
  std::atomic<std::uint8_t> State{StateIdle};
  std::atomic<bool> Underrun{false};
  bool Continuous = false;
  std::atomic<bool> Debug{false};
};
extern TaskRecord ADTask;

// Wake-ups of the polling thread.
extern std::atomic<std::int32_t> PollCount;

// ---- The board FIFO the pump serves ---------------------------------------
// The program's is the board layer's FIFO access (ZRV); tests put a FIFO of
// their own in its place. Change it only while no run is going.
struct BoardFifo {
  std::int32_t (*GetReadAvailable)();  // AD samples waiting; may be negative
  bool (*InError)();                   // the board layer is in its error state
  void (*ReadFromAdcFIFO)(std::int16_t* buffer, std::int32_t count);
  void (*WriteToDacFIFO)(const std::int16_t* buffer, std::int32_t count, bool last);
};
extern const BoardFifo ZRVFifo;
extern BoardFifo Board;

}  // namespace ADTimerTask
