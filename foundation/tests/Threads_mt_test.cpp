#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include <pthread.h>
#include <unistd.h>

#include "foundation/platform/Clock.h"
#include "foundation/platform/Threads.h"

namespace {

using namespace Platform;

// Bounds a test waits for a thread; none of them is a timing requirement.
constexpr double kGenerous = 10.0;

TEST(ThreadKill, WakesAThreadInEachOfThePlatformWaits) {
  for (void (*wait)(double) : {SleepSeconds, Mach_Sleep, WaitSeconds}) {
    std::atomic<bool> looping{false};
    std::atomic<bool> sawStop{false};
    ThreadHandle thread = ThreadStart(
        [&] {
          looping = true;
          while (!ThreadStopRequested()) wait(10.0);
          sawStop = true;
        },
        0);
    ASSERT_NE(thread, nullptr);
    while (!looping) SleepSeconds(0.001);
    const double start = ElapsedSeconds();
    EXPECT_TRUE(ThreadKill(thread, kGenerous));
    EXPECT_LT(ElapsedSeconds() - start, kGenerous);
    EXPECT_TRUE(sawStop);
  }
}

TEST(ThreadKill, LeavesAThreadBlockedElsewhereAndReturns) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::atomic<bool> reading{false};
  std::atomic<bool> finished{false};
  ThreadHandle thread = ThreadStart(
      [&] {
        reading = true;
        char byte = 0;
        EXPECT_EQ(read(pipeEnds[0], &byte, 1), 1);  // no platform wait can wake this
        finished = true;
      },
      0);
  ASSERT_NE(thread, nullptr);
  while (!reading) SleepSeconds(0.001);

  EXPECT_FALSE(ThreadKill(thread, 0.1));
  EXPECT_FALSE(finished);

  // The handle stays usable after the thread was left to itself, and the
  // thread still ends cleanly once its device call returns.
  const char byte = 'x';
  ASSERT_EQ(write(pipeEnds[1], &byte, 1), 1);
  EXPECT_TRUE(ThreadEnd(thread, kGenerous));
  EXPECT_TRUE(finished);
  close(pipeEnds[0]);
  close(pipeEnds[1]);
}

TEST(ThreadKill, LeavesTheMainThreadsCancellationAlone) {
  int typeBefore = -1;
  int stateBefore = -1;
  ASSERT_EQ(pthread_setcanceltype(PTHREAD_CANCEL_DEFERRED, &typeBefore), 0);
  ASSERT_EQ(pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &stateBefore), 0);

  ThreadHandle thread = ThreadStart([] { SleepSeconds(10.0); }, 0);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(ThreadKill(thread, kGenerous));

  int typeAfter = -1;
  int stateAfter = -1;
  ASSERT_EQ(pthread_setcanceltype(typeBefore, &typeAfter), 0);
  ASSERT_EQ(pthread_setcancelstate(stateBefore, &stateAfter), 0);
  EXPECT_EQ(typeBefore, PTHREAD_CANCEL_DEFERRED);
  EXPECT_EQ(typeAfter, PTHREAD_CANCEL_DEFERRED);
  EXPECT_EQ(stateAfter, PTHREAD_CANCEL_ENABLE);
}

TEST(ThreadEnd, TimesOutWhileTheThreadRunsThenJoins) {
  std::atomic<bool> release{false};
  ThreadHandle thread = ThreadStart(
      [&] {
        while (!release) SleepSeconds(0.001);
        EXPECT_FALSE(ThreadStopRequested());
      },
      0);
  ASSERT_NE(thread, nullptr);
  EXPECT_FALSE(ThreadEnd(thread, 0.02));
  release = true;
  EXPECT_TRUE(ThreadEnd(thread, kGenerous));
  EXPECT_TRUE(ThreadEnd(thread, 0.0));
  EXPECT_TRUE(ThreadKill(thread, 0.0));
}

TEST(ThreadStart, ADroppedHandleLetsTheThreadFinish) {
  std::atomic<bool> release{false};
  std::atomic<bool> finished{false};
  ThreadHandle thread = ThreadStart(
      [&] {
        while (!release) SleepSeconds(0.001);
        finished = true;
      },
      0);
  ASSERT_NE(thread, nullptr);
  thread.reset();  // the thread now holds the last reference
  release = true;
  while (!finished) SleepSeconds(0.001);
}

TEST(Mutex, GuardsACounterAcrossThreads) {
  MutexHandle mutex = Mutex_Create();
  ASSERT_NE(mutex, nullptr);
  constexpr int kThreads = 4;
  constexpr int kIncrements = 10000;
  long counter = 0;
  std::vector<ThreadHandle> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.push_back(ThreadStart(
        [&] {
          for (int i = 0; i < kIncrements; ++i) {
            Mutex_Lock(mutex);
            ++counter;
            Mutex_Release(mutex);
          }
        },
        0));
    ASSERT_NE(threads.back(), nullptr);
  }
  for (const ThreadHandle& thread : threads) EXPECT_TRUE(ThreadEnd(thread, kGenerous));
  EXPECT_EQ(counter, long{kThreads} * kIncrements);
  Mutex_Destroy(mutex);
}

TEST(VirtualClockThreads, AdvancesFromManyThreadsAddUp) {
  UseVirtualClock(0.0);
  constexpr int kThreads = 4;
  constexpr int kSteps = 1000;
  std::vector<ThreadHandle> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.push_back(ThreadStart(
        [] {
          for (int i = 0; i < kSteps; ++i) {
            Advance(0.5);
            (void)ElapsedSeconds();
          }
        },
        0));
    ASSERT_NE(threads.back(), nullptr);
  }
  for (const ThreadHandle& thread : threads) EXPECT_TRUE(ThreadEnd(thread, kGenerous));
  EXPECT_EQ(ElapsedSeconds(), 0.5 * kThreads * kSteps);
  UseRealClock();
}

TEST(VirtualClockThreads, KillStopsAThreadSleepingOnVirtualTime) {
  UseVirtualClock(0.0);
  ThreadHandle thread = ThreadStart(
      [] {
        while (!ThreadStopRequested()) SleepSeconds(0.05);
      },
      0);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(ThreadKill(thread, kGenerous));
  EXPECT_GE(ElapsedSeconds(), 0.0);
  UseRealClock();
}

}  // namespace
