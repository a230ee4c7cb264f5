// Stimuli and acquisitions longer than the board FIFO on the ZRV-24 and
// ZRV-28 of the stand-in library: the AD/DA layer hands them to the timer
// task, whose thread pumps the FIFOs while the layer polls and reads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/ADTimerTask.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/ZRVDebug.h"
#include "acquisition/tests/ZRVBoard_fixture.h"
#include "foundation/platform/Clock.h"

namespace {

constexpr std::int32_t kFifo = 0x800;

class LongRuns : public ZRVBoard, public ::testing::WithParamInterface<ZRVBase::BoardType> {
 protected:
  void Open() {
    ZRV::SetFIFOLength(kFifo);
    ASSERT_TRUE(ZRV::InitInterface(GetParam())) << ErrorText();
    ASSERT_EQ(ZRVBase::FIFOLength, kFifo);
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, LongRuns, ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28),
                         [](const ::testing::TestParamInfo<ZRVBase::BoardType>& info) {
                           return std::string(info.param == ZRVBase::BoardZRV24 ? "ZRV24" : "ZRV28");
                         });

TEST_P(LongRuns, TenFIFOsComeBackCompleteAndInOrder) {
  Open();
  // Two channels of ten FIFOs' worth.
  constexpr std::int32_t kSamples = 10 * kFifo / 2;
  const std::vector<std::int16_t> a = Ramp(kSamples, -20000, 3);
  const std::vector<std::int16_t> b = Ramp(kSamples, 20000, -2);
  std::vector<std::int16_t> dataA(kSamples, 0);
  std::vector<std::int16_t> dataB(kSamples, 0);
  const std::int16_t* dacBuffers[2] = {a.data(), b.data()};
  std::int16_t* adcBuffers[2] = {dataA.data(), dataB.data()};
  const std::int32_t channels[2] = {0, 1};
  double interval = 10e-6;
  ASSERT_TRUE(ZRV::PolyStimAndSample(2, 2, kSamples, kSamples, ZRV::FlagStimulate, channels,
                                     channels, interval, dacBuffers, adcBuffers))
      << ErrorText();
  // Every value passed through the timer task's ring.
  EXPECT_EQ(ADTimerTask::ADTask.AdcAcquired, 2 * kSamples);
  EXPECT_FALSE(ADTimerTask::IsRunning());
  EXPECT_EQ(dataA, a);
  EXPECT_EQ(dataB, b);
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
}

TEST_P(LongRuns, ALongStimulusGrowsByAppends) {
  // On the virtual clock the pumping thread would move time on while the
  // appends are still being made: the board would run dry. Appends have to
  // keep ahead of the board in real time.
  Platform::UseRealClock();
  Open();
  constexpr std::int32_t kChunk = kFifo / 2;  // frames of two channels
  constexpr std::int32_t kChunks = 6;
  std::vector<std::vector<std::int16_t>> a;
  std::vector<std::vector<std::int16_t>> b;
  for (std::int32_t chunk = 0; chunk < kChunks; ++chunk) {
    a.push_back(Ramp(kChunk, -9000 + chunk * kChunk * 3, 3));
    b.push_back(Ramp(kChunk, 9000 - chunk * kChunk * 2, -2));
  }
  const std::int32_t channels[2] = {0, 1};
  double interval = 100e-6;
  bool immediate = false;
  const std::int16_t* first[2] = {a[0].data(), b[0].data()};
  ASSERT_TRUE(ZRV::StartStimAndSample(2, 2, kChunk, kChunk * kChunks, ZRV::FlagStimulate, channels,
                                      channels, interval, first, {}, immediate, false, true))
      << ErrorText();
  for (std::int32_t chunk = 1; chunk < kChunks; ++chunk) {
    const std::int16_t* next[2] = {a[chunk].data(), b[chunk].data()};
    ASSERT_TRUE(ZRV::AppendToFIFO(0, kChunk, chunk == kChunks - 1, next)) << ErrorText();
  }
  std::vector<std::int16_t> dataA(kChunk * kChunks, 0);
  std::vector<std::int16_t> dataB(kChunk * kChunks, 0);
  std::int32_t read = 0;
  while (read < kChunk * kChunks) {
    bool running = false;
    bool stalled = false;
    std::int32_t frames = 0;
    ASSERT_TRUE(ZRV::AvailableStimAndSample(frames, running, stalled)) << ErrorText();
    ASSERT_TRUE(running && !stalled);
    frames = std::min(frames, kChunk * kChunks - read);
    std::int16_t* into[2] = {dataA.data() + read, dataB.data() + read};
    ASSERT_TRUE(ZRV::ReadStimAndSample(2, frames, false, into));
    read += frames;
    Platform::SleepSeconds(1e-3);
  }
  ZRV::Halt();
  for (std::int32_t chunk = 0; chunk < kChunks; ++chunk) {
    EXPECT_EQ(std::vector<std::int16_t>(dataA.begin() + chunk * kChunk, dataA.begin() + (chunk + 1) * kChunk),
              a[chunk])
        << chunk;
    EXPECT_EQ(std::vector<std::int16_t>(dataB.begin() + chunk * kChunk, dataB.begin() + (chunk + 1) * kChunk),
              b[chunk])
        << chunk;
  }
}

TEST_P(LongRuns, ASecondOverflowEndsTheRun) {
  // On the virtual clock the pumping thread could run the whole acquisition
  // before the overflows are injected.
  Platform::UseRealClock();
  Open();
  const std::int32_t adc[1] = {0};
  double interval = 20e-6;
  bool immediate = false;
  ASSERT_TRUE(ZRV::StartStimAndSample(0, 1, 0, 20 * kFifo, 0, adc, adc, interval, {}, {}, immediate,
                                      true, false));
  ASSERT_TRUE(ADTimerTask::IsRunning());
  bool running = false;
  bool stalled = false;
  std::int32_t frames = 0;
  Platform::SleepSeconds(1e-3);
  ZRVSim_InjectOverflow(GetParam());
  Platform::SleepSeconds(1e-3);
  ASSERT_TRUE(ZRV::AvailableStimAndSample(frames, running, stalled));
  EXPECT_TRUE(running);
  ZRVSim_InjectOverflow(GetParam());
  ASSERT_TRUE(ZRV::AvailableStimAndSample(frames, running, stalled));
  ASSERT_TRUE(ZRV::AvailableStimAndSample(frames, running, stalled));
  EXPECT_FALSE(running);
  EXPECT_EQ(ZRV::Status(), ZRV::StateError);
  EXPECT_EQ(ADTimerTask::ADTask.State.load(), ADTimerTask::StateOverflow);
  // What arrived before is still there to read.
  EXPECT_GT(frames, 0);
  std::vector<std::int16_t> data(static_cast<std::size_t>(frames));
  std::int16_t* buffers[1] = {data.data()};
  EXPECT_TRUE(ZRV::ReadStimAndSample(1, frames, true, buffers));
  EXPECT_FALSE(ADTimerTask::IsRunning());
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
}

// A read of more frames than the task's ring holds would leave the rest of
// the caller's buffers as they were: it fails and says so.
TEST_P(LongRuns, AReadBeyondWhatTheRingHoldsFails) {
  Platform::UseRealClock();
  Open();
  constexpr std::int32_t kFrames = 20 * kFifo;
  const std::int32_t adc[1] = {0};
  double interval = 20e-6;
  bool immediate = false;
  ASSERT_TRUE(ZRV::StartStimAndSample(0, 1, 0, kFrames, 0, adc, adc, interval, {}, {}, immediate,
                                      true, false));
  ASSERT_TRUE(ADTimerTask::IsRunning());
  // The whole run and one frame more: never all in the ring.
  std::vector<std::int16_t> data(kFrames + 1, 0);
  std::int16_t* buffers[1] = {data.data()};
  EXPECT_FALSE(ZRV::ReadStimAndSample(1, kFrames + 1, true, buffers));
  EXPECT_EQ(ZRV::GetLastError(), -1);
  EXPECT_NE(ErrorText().find("ReadStimAndSample: requested data not available."),
            std::string::npos)
      << ErrorText();
  EXPECT_FALSE(ADTimerTask::IsRunning());
}

// A continuous run ends its stimulus only with the last append; when the
// appends stop coming before it, the run fails as an underrun instead of
// ending quietly.
TEST_P(LongRuns, AContinuousRunWhoseAppendsStopFailsAsAnUnderrun) {
  Platform::UseRealClock();
  Open();
  constexpr std::int32_t kChunk = kFifo / 2;
  const std::vector<std::int16_t> stimulus = Ramp(kChunk, -5000, 3);
  const std::int32_t channel[1] = {0};
  const std::int16_t* first[1] = {stimulus.data()};
  double interval = 50e-6;
  bool immediate = false;
  ASSERT_TRUE(ZRV::StartStimAndSample(1, 1, kChunk, 20 * kChunk, ZRV::FlagStimulate, channel,
                                      channel, interval, first, {}, immediate, false, true))
      << ErrorText();
  ASSERT_TRUE(ADTimerTask::IsRunning());
  bool ok = true;
  bool running = true;
  bool stalled = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (ok && running && !stalled && std::chrono::steady_clock::now() < deadline) {
    std::int32_t frames = 0;
    ok = ZRV::AvailableStimAndSample(frames, running, stalled);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_FALSE(ok);
  EXPECT_FALSE(running);
  EXPECT_EQ(ZRV::Status(), ZRV::StateError);
  EXPECT_NE(ErrorText().find("AD-timer task: stimulus underrun."), std::string::npos)
      << ErrorText();
  ZRV::Halt();
  EXPECT_FALSE(ADTimerTask::IsRunning());
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
}

TEST_P(LongRuns, AnOverflowingOneShotFails) {
  Platform::UseRealClock();
  Open();
  std::atomic<bool> done{false};
  // Every overflow query of the run finds one.
  std::thread injector([&done, this] {
    while (!done) {
      ZRVSim_InjectOverflow(GetParam());
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  });
  std::vector<std::int16_t> data(10 * kFifo);
  double interval = 20e-6;
  const bool ok = ZRV::Sample(0, interval, data, 10 * kFifo);
  done = true;
  injector.join();
  EXPECT_FALSE(ok);
  EXPECT_NE(ErrorText().find(" error: Acquisition Failed."), std::string::npos) << ErrorText();
  EXPECT_FALSE(ADTimerTask::IsRunning());
  EXPECT_EQ(ZRV::Status(), ZRV::StateOpen);
}

TEST_P(LongRuns, TheDebugLogShowsTheFIFOTrafficOfATimerTaskRun) {
  PutSwitch("ZRVDebug.On");
  PutSwitch("ADTaskDebug.On");
  Open();
  const std::string name = ZRVDebug::DebugFile;
  constexpr std::int32_t kSamples = 4 * kFifo;
  const std::vector<std::int16_t> stimulus = Ramp(kSamples, 0, 1);
  std::vector<std::int16_t> data(kSamples, 0);
  double interval = 10e-6;
  ASSERT_TRUE(ZRV::StimAndSample(0, 0, interval, stimulus, data, kSamples)) << ErrorText();
  EXPECT_EQ(data, stimulus);
  ZRV::Shutdown();
  std::ifstream file(name);
  std::ostringstream text;
  text << file.rdbuf();
  const std::string log = text.str();
  EXPECT_NE(log.find("GetReadAvailable "), std::string::npos);
  EXPECT_NE(log.find("WriteToDacFIFO   "), std::string::npos);
  // The first read after the sequence drops the pipeline's values.
  EXPECT_NE(log.find(", FIFOReset"), std::string::npos);
  EXPECT_NE(log.find("ReadFromAdcFIFO  "), std::string::npos);
}

}  // namespace
