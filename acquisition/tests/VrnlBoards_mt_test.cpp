// The command cache belongs to the main thread: while the acquisition
// timer task pumps a long run, the FIFO calls it makes never play or touch
// the words the main thread queues.
#include <gtest/gtest.h>

#include <cstdint>

#include "acquisition/ADTimerTask.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/CommandPort_fixture.h"
#include "acquisition/tests/ZRVBoard_fixture.h"
#include "foundation/platform/Clock.h"
#include "foundation/platform/Threads.h"

namespace {

constexpr std::int32_t kFifo = 0x800;

class CacheDuringLongRuns : public ZRVBoard {};

std::int32_t Acquired() {
  Platform::Mutex_Lock(ADTimerTask::ADTask.Mutex);
  const std::int32_t acquired = ADTimerTask::ADTask.AdcAcquired;
  Platform::Mutex_Release(ADTimerTask::ADTask.Mutex);
  return acquired;
}

TEST_F(CacheDuringLongRuns, WordsQueuedWhileTheTaskPumpsStayQueued) {
  // The pumping thread has to run beside the main thread, as it does on the
  // real clock (0.16 s of board time).
  Platform::UseRealClock();
  ZRV::SetFIFOLength(kFifo);
  ASSERT_TRUE(ZRV::InitInterface(ZRVBase::BoardZRV24)) << ErrorText();
  VrnlBoards::SetProperties(true, false);
  constexpr std::int32_t kSamples = 8 * kFifo;
  const std::int32_t adc[1] = {0};
  double interval = 10e-6;
  bool immediate = false;
  ASSERT_TRUE(ZRV::StartStimAndSample(0, 1, 0, kSamples, 0, adc, adc, interval, {}, {}, immediate,
                                      true, false))
      << ErrorText();
  ASSERT_TRUE(ADTimerTask::IsRunning());

  // Fewer words than fill the cache, which would play itself.
  constexpr std::uint16_t kMostWords = 500;
  std::uint16_t word = 0;
  while (Acquired() < kSamples && word < kMostWords) {
    VrnlBoards::SendToTlv3Port(ZRV::TlvOut, word++ & 0x3FFF, false);
    Platform::SleepSeconds(1e-3);
  }
  ASSERT_GE(word, 2);
  // Each word after the first adds three samples to the six of the first.
  EXPECT_EQ(QueuedSamples().size(), 6u + 3u * (word - 1u));
  EXPECT_EQ(Acquired(), kSamples);
  ZRV::Halt();
  VrnlBoards::FlushCache();
  EXPECT_TRUE(QueuedSamples().empty());
  EXPECT_EQ(ZRV::GetLastError(), 0) << ErrorText();
}

}  // namespace
