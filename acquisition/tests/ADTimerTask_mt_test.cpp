// The timer task against a board FIFO of the test's own: the test feeds AD
// samples (numbered, so that their order shows) and collects what the task
// writes to the DA side, while the polling thread and the test's own calls
// pump. Outcomes do not depend on which of the two moved a sample.
#include "acquisition/ADTimerTask.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/ZRVDebug.h"
#include "acquisition/tests/ZRVStandIn_fixture.h"
#include "foundation/Buffer.h"
#include "foundation/IOBase.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"

namespace {

using ADTimerTask::ADTask;
using Samples = std::vector<std::int16_t>;
using Clock = std::chrono::steady_clock;

constexpr std::int32_t kRing = ADTimerTask::kLeastRingSamples;
// Keeps a test from hanging when the task stops moving data.
constexpr auto kPatience = std::chrono::seconds(20);

struct ScriptedFifo {
  std::mutex lock;
  std::condition_variable changed;
  Samples adc;                    // fed by the test
  std::size_t adcTaken = 0;       // samples the task has read
  Samples dac;                    // written by the task
  std::vector<std::size_t> ends;  // dac sizes after writes flagged last
  bool error = false;
  double hold = 0.0;  // the next availability query keeps the pump this long
  bool holding = false;
};
ScriptedFifo fifo;

std::int32_t Available() {
  std::unique_lock guard(fifo.lock);
  if (fifo.hold > 0.0) {
    const auto hold = std::chrono::duration<double>(fifo.hold);
    fifo.hold = 0.0;
    fifo.holding = true;
    fifo.changed.notify_all();
    guard.unlock();
    std::this_thread::sleep_for(hold);
    guard.lock();
    fifo.holding = false;
  }
  return static_cast<std::int32_t>(fifo.adc.size() - fifo.adcTaken);
}

bool InError() {
  const std::lock_guard guard(fifo.lock);
  return fifo.error;
}

void ReadAdc(std::int16_t* buffer, std::int32_t count) {
  const std::lock_guard guard(fifo.lock);
  ASSERT_LE(static_cast<std::size_t>(count), fifo.adc.size() - fifo.adcTaken);
  std::copy_n(fifo.adc.begin() + static_cast<std::ptrdiff_t>(fifo.adcTaken), count, buffer);
  fifo.adcTaken += static_cast<std::size_t>(count);
}

void WriteDac(const std::int16_t* buffer, std::int32_t count, bool last) {
  const std::lock_guard guard(fifo.lock);
  fifo.dac.insert(fifo.dac.end(), buffer, buffer + count);
  if (last) fifo.ends.push_back(fifo.dac.size());
}

// Sample k of everything the test feeds.
std::int16_t Value(std::size_t k) { return static_cast<std::int16_t>(k * 7 + 3); }

class TimerTask : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::UseRealClock();
    Buffer::InitModule();
    ZRVBase::InitModule();
    ADTimerTask::InitModule();
    ADTimerTask::Board = {Available, InError, ReadAdc, WriteDac};
    const std::lock_guard guard(fifo.lock);
    fifo.adc.clear();
    fifo.adcTaken = 0;
    fifo.dac.clear();
    fifo.ends.clear();
    fifo.error = false;
    fifo.hold = 0.0;
    fifo.holding = false;
  }

  void TearDown() override {
    ADTimerTask::Shutdown();
    ADTimerTask::Board = ADTimerTask::ZRVFifo;
    ZRVDebug::TimerTaskSetDebug = ZRVDebug::NoSetDebug;
    Buffer::Shutdown();
  }

  // Starts a run whose pump period is 2 ms.
  static void StartRun(Samples& cache, std::int32_t adcTotal, std::int32_t dacTotal,
                       std::int32_t written, std::int32_t frame, bool continuous) {
    ASSERT_EQ(ADTimerTask::Start(cache.data(), adcTotal, dacTotal, written,
                                 static_cast<std::int32_t>(cache.size()), frame, 1e-6, 1, continuous),
              ADTimerTask::kStarted);
  }

  static void Feed(std::size_t count) {
    const std::lock_guard guard(fifo.lock);
    for (std::size_t n = 0; n < count; ++n) fifo.adc.push_back(Value(fifo.adc.size()));
  }
  static std::size_t Waiting() {
    const std::lock_guard guard(fifo.lock);
    return fifo.adc.size() - fifo.adcTaken;
  }
  static Samples Sent() {
    const std::lock_guard guard(fifo.lock);
    return fifo.dac;
  }
  static std::vector<std::size_t> Ends() {
    const std::lock_guard guard(fifo.lock);
    return fifo.ends;
  }
  // One pump step from the test's side; gives the unread samples.
  static std::int32_t Pump(bool* overflow = nullptr) {
    bool flag = false;
    const std::int32_t unread = ADTimerTask::GetAvailableData(flag);
    if (overflow != nullptr) *overflow = flag;
    return unread;
  }
  static std::int32_t Unread() { return Pump(); }
  // A count the polling thread writes, read under the task's mutex.
  static std::int32_t Count(const std::int32_t& field) {
    const std::lock_guard guard(*ADTask.Mutex);
    return field;
  }
};

// ---- The ring ---------------------------------------------------------------

TEST_F(TimerTask, RingIsAtLeastAMillionSamplesAndIsReused) {
  Samples small(1000);
  StartRun(small, 0, 0, 0, 3, false);
  EXPECT_EQ(ADTask.AdcCapacity, 2097152 / 2);
  EXPECT_EQ(ADTask.AdcRingLength, kRing / 3 * 3);
  EXPECT_EQ(ADTask.DacCycleLength, 999);
  const std::int16_t* const first = ADTask.AdcRing;

  Samples smaller(500);
  StartRun(smaller, 0, 0, 0, 1, false);
  EXPECT_EQ(ADTask.AdcRing, first);
  EXPECT_EQ(ADTask.AdcRingLength, kRing);
  EXPECT_EQ(ADTask.DacCycleLength, 500);

  // A cache beyond the least ring gets a ring of its size, in whole KB.
  Samples large(1100000);
  StartRun(large, 0, 0, 0, 4, false);
  EXPECT_EQ(ADTask.AdcCapacity, (2 * 1100000 + 1023) / 1024 * 1024 / 2);
  EXPECT_EQ(ADTask.AdcRingLength, 1100000);
  EXPECT_EQ(ADTask.DacCycleLength, 1100000);
}

TEST_F(TimerTask, PeriodVisitsTheFifoEightTimesPerFillingAtMostEvery50ms) {
  struct Case {
    std::int32_t fifoLength;
    double interval;
    double period;
  };
  const std::vector<Case> cases = {
      {16384, 1e-6, 16385 * 1e-6 / 8},
      {0x40000, 1.25e-6, 0.04096015625},
      {0x40000, 5e-6, 0.05},
      {16384, 1e-3, 0.05},
  };
  Samples cache(1000);
  for (const Case& c : cases) {
    ZRVBase::FIFOLength = c.fifoLength;
    ASSERT_EQ(ADTimerTask::Start(cache.data(), 0, 0, 0, 1000, 1, c.interval, 1, false),
              ADTimerTask::kStarted);
    EXPECT_DOUBLE_EQ(ADTask.Period, c.period) << c.fifoLength << " " << c.interval;
  }
}

// ---- Pumping ----------------------------------------------------------------

// Far more samples than the FIFO, fed in odd pieces while the thread pumps
// and the test reads: every sample arrives once and in order on both sides,
// and the stimulus ends with one final block.
TEST_F(TimerTask, LongRunArrivesCompleteAndInOrder) {
  constexpr std::int32_t kFrame = 2;
  constexpr std::int32_t kFrames = 100000;
  constexpr std::int32_t kTotal = kFrame * kFrames;
  constexpr std::int32_t kWritten = 16384;
  Samples cache(kTotal);
  for (std::size_t k = 0; k < cache.size(); ++k) cache[k] = static_cast<std::int16_t>(-static_cast<int>(k));
  StartRun(cache, kTotal, kTotal, kWritten, kFrame, false);

  Samples channel0(kFrames);
  Samples channel1(kFrames);
  std::int32_t got = 0;
  std::size_t fed = 0;
  const auto deadline = Clock::now() + kPatience;
  while (got < kFrames && Clock::now() < deadline) {
    if (fed < kTotal + 1000) {
      const std::size_t piece = 997 + fed % 13;
      Feed(piece);
      fed += piece;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::int32_t frames = 333;
    std::int16_t* const destinations[2] = {channel0.data() + got, channel1.data() + got};
    frames = std::min(frames, kFrames - got);
    ADTimerTask::ReadData(frames, 1, 1, 2, 2, destinations);
    got += frames;
  }
  ASSERT_EQ(got, kFrames);
  for (std::int32_t k = 0; k < kFrames; ++k) {
    ASSERT_EQ(channel0[k], Value(2 * k)) << k;
    ASSERT_EQ(channel1[k], Value(2 * k + 1)) << k;
  }
  // The acquisition ends at its total: the rest stays in the board FIFO.
  EXPECT_EQ(Count(ADTask.AdcAcquired), kTotal);
  EXPECT_EQ(Waiting(), fed - kTotal);
  EXPECT_EQ(ADTask.State, ADTimerTask::StateRunning);
  EXPECT_GT(ADTimerTask::PollCount.load(), 0);

  const Samples sent = Sent();
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(kTotal - kWritten));
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), cache.begin() + kWritten));
  EXPECT_EQ(Ends(), std::vector<std::size_t>{sent.size()});
  EXPECT_EQ(Count(ADTask.DacPending), 0);
  EXPECT_EQ(Count(ADTask.DacWritten), kTotal);
}

TEST_F(TimerTask, FullRingTakesWhatFitsAndOverflows) {
  Samples cache(kRing);
  StartRun(cache, 0, 0, 0, 1, true);
  Feed(kRing - 100);
  ASSERT_EQ(Unread(), kRing - 100);

  Feed(300);
  bool overflow = false;
  EXPECT_EQ(Pump(&overflow), kRing);
  EXPECT_TRUE(overflow);
  EXPECT_EQ(ADTask.State, ADTimerTask::StateOverflow);
  EXPECT_TRUE(ADTimerTask::IsRunning());
  EXPECT_EQ(Waiting(), 200u);

  // The thread pumps no more, but a caller's pump still moves what fits.
  std::int32_t frames = 500;
  Samples out(500);
  std::int16_t* const destinations[1] = {out.data()};
  ADTimerTask::ReadData(frames, 1, 1, 1, 1, destinations);
  ASSERT_EQ(frames, 500);
  EXPECT_EQ(out[0], Value(0));
  const std::int32_t polls = ADTimerTask::PollCount;
  while (ADTimerTask::PollCount < polls + 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(Waiting(), 200u);
  EXPECT_EQ(Pump(&overflow), kRing - 300);
  EXPECT_TRUE(overflow);
  EXPECT_EQ(Waiting(), 0u);

  ADTimerTask::Stop();
  EXPECT_FALSE(ADTimerTask::IsRunning());
}

// In its error state the board layer reports a full FIFO that holds no
// samples: the task takes nothing and reports the failure.
TEST_F(TimerTask, BoardErrorIsReportedAndNothingIsTaken) {
  Samples cache(4096);
  StartRun(cache, 4096, 4096, 1024, 1, false);
  Feed(100);
  {
    const std::lock_guard guard(fifo.lock);
    fifo.error = true;
  }
  bool overflow = false;
  EXPECT_EQ(Pump(&overflow), 0);
  EXPECT_TRUE(overflow);
  EXPECT_EQ(ADTask.State, ADTimerTask::StateOverflow);
  EXPECT_EQ(Waiting(), 100u);
  EXPECT_TRUE(Sent().empty());
}

// The board converts on after the last wanted sample until it is halted;
// its state then no longer concerns the finished run.
TEST_F(TimerTask, FinishedAcquisitionLeavesTheBoardAlone) {
  Samples cache(4096);
  StartRun(cache, 1000, 1000, 1000, 1, false);
  Feed(1200);
  ASSERT_EQ(Unread(), 1000);
  {
    const std::lock_guard guard(fifo.lock);
    fifo.error = true;
  }
  bool overflow = true;
  EXPECT_EQ(Pump(&overflow), 1000);
  EXPECT_FALSE(overflow);
  EXPECT_EQ(ADTask.State, ADTimerTask::StateRunning);
  EXPECT_EQ(Waiting(), 200u);
}

// ---- Reading the ring ---------------------------------------------------------

// The unread frames wrap: 1,000 lie before the ring's end, 10 behind its
// start. A read of 10 takes exactly 10; the next takes the rest in order.
TEST_F(TimerTask, ReadsAcrossTheRingEnd) {
  constexpr std::int32_t kFrame = 2;
  Samples cache(kRing);
  StartRun(cache, 0, 0, 0, kFrame, true);
  Samples channel0(kRing / 2);
  Samples channel1(kRing / 2);
  std::int16_t* const destinations[2] = {channel0.data(), channel1.data()};

  Feed(kRing - 2000);
  ASSERT_EQ(Unread(), kRing - 2000);
  std::int32_t frames = kRing;
  ADTimerTask::ReadData(frames, 1, 1, 2, 2, destinations);
  ASSERT_EQ(frames, (kRing - 2000) / 2);

  Feed(2020);
  ASSERT_EQ(Unread(), 2020);
  ASSERT_EQ(Count(ADTask.AdcWritePos), 20);
  const std::size_t base = kRing - 2000;
  frames = 10;
  ADTimerTask::ReadData(frames, 1, 1, 2, 2, destinations);
  ASSERT_EQ(frames, 10);
  EXPECT_EQ(Count(ADTask.AdcUnread), 2000);
  for (std::size_t k = 0; k < 10; ++k) {
    EXPECT_EQ(channel0[k], Value(base + 2 * k));
    EXPECT_EQ(channel1[k], Value(base + 2 * k + 1));
  }

  frames = 5000;
  ADTimerTask::ReadData(frames, 1, 1, 2, 2, destinations);
  ASSERT_EQ(frames, 1000);
  for (std::size_t k = 0; k < 1000; ++k) {
    ASSERT_EQ(channel0[k], Value(base + 20 + 2 * k)) << k;
    ASSERT_EQ(channel1[k], Value(base + 21 + 2 * k)) << k;
  }
  EXPECT_EQ(Count(ADTask.AdcUnread), 0);
}

// Three channels compressed by 4: one value per group of four frames.
TEST_F(TimerTask, ReadReducesCompressedFrames) {
  struct Case {
    std::int32_t averaging;
    std::int32_t channelsToRead;
    int averaged;  // values averaged per group (1: the first)
  };
  const std::vector<Case> cases = {{1, 3, 1}, {2, 3, 2}, {8, 3, 4}, {8, 2, 4}};
  constexpr std::int32_t kChannels = 3;
  constexpr std::int32_t kCompression = 4;
  constexpr std::int32_t kFrame = kChannels * kCompression;
  constexpr std::int32_t kFrames = 5;
  Samples cache(4096);
  for (const Case& c : cases) {
    StartRun(cache, 0, 0, 0, kFrame, true);
    const std::size_t base = fifo.adc.size();
    Feed(kFrame * kFrames);
    ASSERT_EQ(Unread(), kFrame * kFrames);
    std::vector<Samples> out(kChannels, Samples(kFrames, -1));
    std::int16_t* const destinations[kChannels] = {out[0].data(), out[1].data(), out[2].data()};
    std::int32_t frames = kFrames;
    ADTimerTask::ReadData(frames, kCompression, c.averaging, kChannels, c.channelsToRead,
                          destinations);
    ASSERT_EQ(frames, kFrames);
    for (std::int32_t ch = 0; ch < kChannels; ++ch) {
      for (std::int32_t f = 0; f < kFrames; ++f) {
        int sum = 0;
        for (int g = 0; g < c.averaged; ++g) sum += Value(base + f * kFrame + g * kChannels + ch);
        const std::int16_t want = ch < c.channelsToRead ? static_cast<std::int16_t>(sum / c.averaged) : -1;
        EXPECT_EQ(out[ch][f], want) << "averaging " << c.averaging << " channel " << ch << " frame " << f;
      }
    }
  }
  // Frames of another size than the run's are not handed out.
  Feed(kFrame);
  ASSERT_EQ(Unread(), kFrame);
  Samples out(kFrames);
  std::int16_t* const destinations[2] = {out.data(), out.data()};
  for (const std::int32_t channels : {2, 4}) {
    std::int32_t frames = 1;
    ADTimerTask::ReadData(frames, kCompression, 1, channels, channels, destinations);
    EXPECT_EQ(frames, 0);
  }
  EXPECT_EQ(Unread(), kFrame);
}

// ---- Stimulus -----------------------------------------------------------------

// A continuous stimulus cycles through the caller's cache, however small,
// and appends wrap at its end. The cache is exactly the caller's size, so a
// task that cycled through more would be caught by the address sanitizer.
TEST_F(TimerTask, AppendedStimulusCyclesThroughTheCallersCache) {
  constexpr std::int32_t kFrame = 2;  // two DA channels
  constexpr std::int32_t kCache = 32;
  Samples cache(kCache);
  for (std::int32_t k = 0; k < kCache; ++k) cache[k] = static_cast<std::int16_t>(1000 + k);
  StartRun(cache, 0, kCache, 8, kFrame, true);  // 24 samples still to send
  EXPECT_EQ(ADTask.DacCycleLength, kCache);

  Samples a(14);
  Samples b(14);
  for (int k = 0; k < 14; ++k) {
    a[k] = static_cast<std::int16_t>(2000 + k);
    b[k] = static_cast<std::int16_t>(3000 + k);
  }
  const std::int16_t* const sources[2] = {a.data(), b.data()};

  // Room for 4 frames behind the unsent 24 samples: 5 are refused whole.
  const Samples before = cache;
  EXPECT_FALSE(ADTimerTask::AppendData(5, 1, 2, sources, false));
  EXPECT_EQ(cache, before);
  EXPECT_EQ(Count(ADTask.DacPending), 24);
  ASSERT_TRUE(ADTimerTask::AppendData(4, 1, 2, sources, false));
  EXPECT_EQ(Count(ADTask.DacPending), kCache);
  EXPECT_EQ((Samples{cache.begin(), cache.begin() + 8}),
            (Samples{2000, 3000, 2001, 3001, 2002, 3002, 2003, 3003}));

  // 32 AD samples take the whole pending stimulus out.
  Feed(32);
  ASSERT_EQ(Unread(), 32);
  Samples expected(cache.begin() + 8, cache.end());
  expected.insert(expected.end(), cache.begin(), cache.begin() + 8);
  EXPECT_EQ(Sent(), expected);
  EXPECT_EQ(Count(ADTask.DacPending), 0);
  EXPECT_EQ(Count(ADTask.DacPosition), 8);

  // 14 frames from position 8: 12 up to the end, 2 from the start.
  ASSERT_TRUE(ADTimerTask::AppendData(14, 1, 2, sources, false));
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(cache[8 + 2 * k], a[k]);
    EXPECT_EQ(cache[9 + 2 * k], b[k]);
  }
  EXPECT_EQ((Samples{cache.begin(), cache.begin() + 4}), (Samples{2012, 3012, 2013, 3013}));
  Feed(28);
  ASSERT_EQ(Unread(), 60);
  const Samples sent = Sent();
  ASSERT_EQ(sent.size(), 60u);
  for (int k = 0; k < 14; ++k) {
    EXPECT_EQ(sent[32 + 2 * k], a[k]);
    EXPECT_EQ(sent[33 + 2 * k], b[k]);
  }
}

// A continuous stimulus ends only with its last append: a pump that needs
// more stimulus than is pending before that is an underrun (the overflow
// state, no final block); after it, catching up is the end.
TEST_F(TimerTask, ContinuousStimulusRunningOutBeforeItsLastAppendIsAnUnderrun) {
  Samples a(4, 5);
  const std::int16_t* const sources[2] = {a.data(), a.data()};
  Samples cache(32);
  StartRun(cache, 0, 32, 8, 2, true);  // 24 samples still to send
  Feed(24);
  ASSERT_EQ(Unread(), 24);
  EXPECT_EQ(Count(ADTask.DacPending), 0);
  EXPECT_TRUE(Ends().empty());
  EXPECT_FALSE(ADTimerTask::IsUnderrun());
  bool overflow = true;
  Pump(&overflow);
  EXPECT_FALSE(overflow);

  Feed(2);
  EXPECT_EQ(Pump(&overflow), 26);
  EXPECT_TRUE(overflow);
  EXPECT_TRUE(ADTimerTask::IsUnderrun());
  EXPECT_EQ(ADTask.State, ADTimerTask::StateOverflow);
  EXPECT_EQ(Sent().size(), 24u);
  EXPECT_TRUE(Ends().empty());

  StartRun(cache, 0, 32, 8, 2, true);
  EXPECT_FALSE(ADTimerTask::IsUnderrun());
  ASSERT_TRUE(ADTimerTask::AppendData(4, 1, 2, sources, true));
  Feed(40);
  EXPECT_EQ(Pump(&overflow), 40);
  EXPECT_FALSE(overflow);
  EXPECT_FALSE(ADTimerTask::IsUnderrun());
  EXPECT_EQ(Sent().size(), 24u + 32u);
  EXPECT_EQ(Ends(), std::vector<std::size_t>{24u + 32u});
}

TEST_F(TimerTask, AppendNeedsAContinuousRunWithStimulusOfItsFrames) {
  Samples a(8, 1);
  const std::int16_t* const sources[2] = {a.data(), a.data()};
  Samples cache(64, 7);
  const Samples before = cache;

  StartRun(cache, 0, 64, 16, 2, false);
  EXPECT_FALSE(ADTimerTask::AppendData(4, 1, 2, sources, false));
  StartRun(cache, 64, 0, 0, 2, true);
  EXPECT_FALSE(ADTimerTask::AppendData(4, 1, 2, sources, false));
  StartRun(cache, 0, 48, 16, 2, true);
  EXPECT_FALSE(ADTimerTask::AppendData(4, 1, 1, sources, false));  // 1 channel: half a frame
  EXPECT_FALSE(ADTimerTask::AppendData(4, 2, 2, sources, false));  // compressed: twice a frame
  EXPECT_FALSE(ADTimerTask::AppendData(4, 1, 3, sources, false));  // more channels than sources
  EXPECT_EQ(cache, before);
  EXPECT_EQ(Count(ADTask.DacPending), 32);
  EXPECT_TRUE(ADTimerTask::AppendData(4, 1, 2, sources, false));
  EXPECT_EQ(Count(ADTask.DacPending), 40);
}

// ---- Stopping -----------------------------------------------------------------

// Waits until the thread is held in its availability query.
void AwaitHold(double seconds) {
  std::unique_lock guard(fifo.lock);
  fifo.hold = seconds;
  ASSERT_TRUE(fifo.changed.wait_for(guard, kPatience, [] { return fifo.holding; }));
}

// Stop caught in a pump step waits for the step, joins the thread and
// leaves the mutex free.
TEST_F(TimerTask, StopWaitsForThePumpStepAndJoins) {
  Samples cache(4096);
  StartRun(cache, 0, 0, 0, 1, true);
  AwaitHold(0.2);
  const auto begin = Clock::now();
  ADTimerTask::Stop();
  EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(900));
  EXPECT_EQ(ADTask.Thread, nullptr);
  EXPECT_EQ(ADTask.State, ADTimerTask::StateIdle);
  EXPECT_FALSE(ADTimerTask::IsRunning());
  ASSERT_TRUE(ADTask.Mutex->try_lock());
  ADTask.Mutex->unlock();

  // The data taken before the stop stay readable.
  Feed(10);
  EXPECT_EQ(Unread(), 0);  // no run: no pump
  EXPECT_EQ(Waiting(), 10u);
}

// A thread held beyond Stop's time-out is left to finish its step; Stop
// returns after about a second, and the next run waits for that step and
// then pumps on its own, the old thread no more.
TEST_F(TimerTask, ThreadHeldBeyondTheTimeOutCannotBlockTheNextRun) {
  Samples cache(4096);
  StartRun(cache, 0, 0, 0, 1, true);
  AwaitHold(2.5);
  const auto begin = Clock::now();
  ADTimerTask::Stop();
  const auto stopped = Clock::now() - begin;
  EXPECT_GE(stopped, std::chrono::milliseconds(900));
  EXPECT_LT(stopped, std::chrono::milliseconds(2000));
  EXPECT_FALSE(ADTimerTask::IsRunning());

  StartRun(cache, 0, 0, 0, 1, true);
  {
    const std::lock_guard guard(fifo.lock);
    EXPECT_FALSE(fifo.holding);
  }
  Feed(50);
  const auto deadline = Clock::now() + kPatience;
  while (Waiting() > 0 && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(Count(ADTask.AdcUnread), 50);
}

TEST_F(TimerTask, StopAndShutdownWithoutRunAreHarmless) {
  ADTimerTask::Stop();
  ADTimerTask::Shutdown();
  Samples cache(100);
  StartRun(cache, 0, 0, 0, 1, true);
  ADTimerTask::Shutdown();
  EXPECT_EQ(ADTask.Mutex, nullptr);
  EXPECT_EQ(ADTask.AdcRing, nullptr);
  EXPECT_EQ(Buffer::Lookup("TimerTaskAdcFifo"), nullptr);
  ADTimerTask::Shutdown();
}

// ---- Debug log ----------------------------------------------------------------

std::span<const char> Text(const std::string& s) { return {s.c_str(), s.size() + 1}; }

// With "ZRVDebug.On" and "ADTaskDebug.On" the task writes its steps into
// the debug log, pauses the log at its stop and resumes it at its start.
TEST_F(TimerTask, DebugLogShowsTheSteps) {
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::string savedDefaultDir = IOBase::DefaultDir;
  char pattern[] = "/tmp/mereth-adtimertask-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  ASSERT_EQ(IOBase::SetDirectory(Text(dir)), 0);
  std::ofstream(dir + "/ZRVDebug.On") << "1\n";
  std::ofstream(dir + "/ADTaskDebug.On") << "1\n";
  ZRVDebug::InitModule();
  ZRVDebug::Activate(ZRVBase::BoardZRV24);
  ASSERT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusWriting);
  EXPECT_TRUE(ADTask.Debug);

  Samples cache(64);
  StartRun(cache, 0, 64, 16, 2, true);
  Feed(6);
  ASSERT_EQ(Unread(), 6);
  std::int32_t frames = 2;
  Samples out0(2);
  Samples out1(2);
  std::int16_t* const destinations[2] = {out0.data(), out1.data()};
  ADTimerTask::ReadData(frames, 1, 1, 2, 2, destinations);
  const std::int16_t* const sources[2] = {out0.data(), out1.data()};
  ASSERT_TRUE(ADTimerTask::AppendData(2, 1, 2, sources, false));
  ADTimerTask::Stop();
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusPaused);
  StartRun(cache, 0, 0, 0, 1, true);
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusWriting);
  ADTimerTask::Stop();
  const std::string log = ZRVDebug::DebugFile;
  ZRVDebug::Shutdown();

  std::ifstream in(log);
  std::ostringstream content;
  content << in.rdbuf();
  std::vector<std::string> lines;
  std::istringstream split(content.str());
  for (std::string line; std::getline(split, line);) lines.push_back(line);
  auto find = [&](const std::string& title, const std::string& values) {
    for (const std::string& line : lines) {
      // title, blank, hh:mm:ss.mmm, two blanks, the values
      if (line.rfind(title + " ", 0) == 0 && line.size() >= title.size() + 15 &&
          line.substr(title.size() + 15) == values) {
        return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(find("Start            ", " 2.04813ms")) << content.str();
  EXPECT_TRUE(find("ReadWrite        ", "      6 -       6 -       6,       6 -      42 -      22") ||
              find("ReadWrite TASK   ", "      6 -       6 -       6,       6 -      42 -      22"))
      << content.str();
  EXPECT_TRUE(find("ReadData         ", "      4 -       0")) << content.str();
  EXPECT_TRUE(find("AppendData       ", "      2 -       0")) << content.str();
  EXPECT_TRUE(find("Stop             ", "")) << content.str();

  ZRVDebug::InitModule();
  ASSERT_EQ(chdir(cwd), 0);
  Strings::Assign(IOBase::DefaultDir, Text(savedDefaultDir));
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

// ---- Through the board layer, on the stand-in boards ----------------------------

class TimerTaskOnBoards : public ZRVStandIn {
 protected:
  void SetUp() override {
    ZRVStandIn::SetUp();
    Buffer::InitModule();
    ZRV::InitModule();
  }
  void TearDown() override {
    ZRV::Shutdown();
    ZRVDebug::TimerTaskSetDebug = ZRVDebug::NoSetDebug;
    Buffer::Shutdown();
    ZRVStandIn::TearDown();
  }

  // A stimulus whose neighbouring samples all differ, within the DAC codes.
  static Samples Ramp(std::int32_t count) {
    Samples ramp(static_cast<std::size_t>(count));
    for (std::int32_t k = 0; k < count; ++k) ramp[k] = static_cast<std::int16_t>(k % 60001 - 30000);
    return ramp;
  }
};

constexpr std::int32_t kDac0[1] = {0};
constexpr std::int32_t kAdc0[1] = {0};

// A looped-back stimulus ten times the FIFO comes back whole and in order,
// pumped by the timer task.
TEST_F(TimerTaskOnBoards, TenFifosOfStimulusAndAcquisitionComeBackInOrder) {
  for (const ZRVBase::BoardType type : {ZRVBase::BoardZRV24, ZRVBase::BoardZRV28}) {
    SCOPED_TRACE(static_cast<int>(type));
    ASSERT_TRUE(ZRV::InitInterface(type)) << ZRVBase::ErrorText;
    const std::int32_t n = 10 * ZRVBase::FIFOLength;
    const Samples stimulus = Ramp(n);
    Samples response(static_cast<std::size_t>(n), 0);
    const std::int16_t* const dac[1] = {stimulus.data()};
    std::int16_t* const adc[1] = {response.data()};
    double interval = 10e-6;
    const std::int32_t polls = ADTimerTask::PollCount;
    ASSERT_TRUE(ZRV::PolyStimAndSample(1, 1, n, n, ZRV::FlagStimulate, kDac0, kAdc0, interval, dac, adc))
        << ZRVBase::ErrorText;
    EXPECT_GT(ADTimerTask::PollCount, polls);
    EXPECT_FALSE(ADTimerTask::IsRunning());
    const auto mismatch = std::mismatch(response.begin(), response.end(), stimulus.begin());
    EXPECT_EQ(mismatch.first, response.end()) << "first wrong sample " << (mismatch.first - response.begin());
    ZRV::Shutdown();
  }
}

// A second overflow indication in a pumped run puts the board layer and
// the task into their error states; the poll reports the run as ended. On
// the real clock: on the virtual one the thread's sleeps would run the
// whole sweep through (and past its end) before the test injects anything.
TEST_F(TimerTaskOnBoards, SecondOverflowEndsThePumpedRun) {
  Platform::UseRealClock();
  for (const ZRVBase::BoardType type : {ZRVBase::BoardZRV24, ZRVBase::BoardZRV28}) {
    SCOPED_TRACE(static_cast<int>(type));
    ASSERT_TRUE(ZRV::InitInterface(type)) << ZRVBase::ErrorText;
    const std::int32_t n = 4 * ZRVBase::FIFOLength;
    const Samples stimulus = Ramp(n);
    Samples response(static_cast<std::size_t>(n), 0);
    const std::int16_t* const dac[1] = {stimulus.data()};
    std::int16_t* const adc[1] = {response.data()};
    double interval = 10e-6;
    bool immediate = false;
    ASSERT_TRUE(ZRV::StartStimAndSample(1, 1, n, n, ZRV::FlagStimulate, kDac0, kAdc0, interval, dac,
                                        adc, immediate, true, false))
        << ZRVBase::ErrorText;
    ASSERT_TRUE(ADTimerTask::IsRunning());
    std::int32_t frames = 0;
    bool running = false;
    bool stalled = false;
    ZRVSim_InjectOverflow(type);
    ASSERT_TRUE(ZRV::AvailableStimAndSample(frames, running, stalled));
    EXPECT_TRUE(running);  // the first one is tolerated
    ZRVSim_InjectOverflow(type);
    ZRV::AvailableStimAndSample(frames, running, stalled);
    EXPECT_FALSE(running);
    EXPECT_EQ(ZRV::Status(), ZRV::StateError);
    EXPECT_EQ(ADTask.State, ADTimerTask::StateOverflow);
    ZRV::Halt();
    EXPECT_EQ(ADTask.State, ADTimerTask::StateIdle);
    ZRV::Shutdown();
  }
}

// Halting a pumped run stops the task within a second and joins its thread.
TEST_F(TimerTaskOnBoards, HaltStopsThePumpWithinASecond) {
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV28)) << ZRVBase::ErrorText;
  const std::int32_t n = 4 * ZRVBase::FIFOLength;
  const Samples stimulus = Ramp(n);
  Samples response(static_cast<std::size_t>(n), 0);
  const std::int16_t* const dac[1] = {stimulus.data()};
  std::int16_t* const adc[1] = {response.data()};
  double interval = 10e-6;
  bool immediate = false;
  ASSERT_TRUE(ZRV::StartStimAndSample(1, 1, n, n, ZRV::FlagStimulate, kDac0, kAdc0, interval, dac, adc,
                                      immediate, true, true))
      << ZRVBase::ErrorText;
  ASSERT_TRUE(ADTimerTask::IsRunning());
  const std::int32_t polls = ADTimerTask::PollCount;
  while (ADTimerTask::PollCount < polls + 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto begin = Clock::now();
  ZRV::Halt();
  EXPECT_LT(Clock::now() - begin, std::chrono::seconds(1));
  EXPECT_EQ(ADTask.Thread, nullptr);
  EXPECT_FALSE(ADTimerTask::IsRunning());
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
}

}  // namespace
