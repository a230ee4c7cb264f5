// The timer task without a run: what it refuses before any thread starts.
#include "acquisition/ADTimerTask.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "acquisition/ZRVDebug.h"
#include "foundation/Buffer.h"

namespace {

using ADTimerTask::ADTask;

class TimerTaskIdle : public ::testing::Test {
 protected:
  void SetUp() override {
    Buffer::InitModule();
    ADTimerTask::InitModule();
  }
  void TearDown() override {
    ADTimerTask::Shutdown();
    ZRVDebug::TimerTaskSetDebug = ZRVDebug::NoSetDebug;
    Buffer::Shutdown();
  }
};

TEST_F(TimerTaskIdle, StartRefusesWhatCannotMakeARun) {
  struct Case {
    bool source;
    std::int32_t cacheSize;
    std::int32_t frameSize;
  };
  const std::vector<Case> cases = {
      {false, 4096, 2},  // no stimulus buffer
      {true, 4096, 0},   // no frame
      {true, 3, 4},      // not one frame in the cache
  };
  std::vector<std::int16_t> cache(4096);
  for (const Case& c : cases) {
    EXPECT_EQ(ADTimerTask::Start(c.source ? cache.data() : nullptr, 100, 100, 0, c.cacheSize,
                                 c.frameSize, 1e-5, 1, true),
              ADTimerTask::kAllocationError);
    EXPECT_EQ(ADTask.Thread, nullptr);
    EXPECT_FALSE(ADTimerTask::IsRunning());
    EXPECT_EQ(ADTask.AdcRing, nullptr);
  }
}

TEST_F(TimerTaskIdle, NothingToPumpReadOrAppendWithoutARun) {
  bool overflow = true;
  EXPECT_EQ(ADTimerTask::GetAvailableData(overflow), 0);
  EXPECT_FALSE(overflow);

  std::vector<std::int16_t> out(4, -1);
  std::int16_t* const destinations[1] = {out.data()};
  std::int32_t frames = 4;
  ADTimerTask::ReadData(frames, 1, 1, 1, 1, destinations);
  EXPECT_EQ(frames, 0);
  EXPECT_EQ(out, std::vector<std::int16_t>(4, -1));

  const std::int16_t* const sources[1] = {out.data()};
  EXPECT_FALSE(ADTimerTask::AppendData(4, 1, 1, sources, false));
}

TEST_F(TimerTaskIdle, DebugLogSwitchesTheTaskLines) {
  EXPECT_FALSE(ADTask.Debug);
  ZRVDebug::TimerTaskSetDebug(true);
  EXPECT_TRUE(ADTask.Debug);
  ADTimerTask::InitModule();
  EXPECT_FALSE(ADTask.Debug);
}

}  // namespace
