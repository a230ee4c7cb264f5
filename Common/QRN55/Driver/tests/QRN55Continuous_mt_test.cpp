// Continuous acquisition through the entry layer, with the driver's polling
// thread running: the busy rule, the status word (overflow, underflow, I/O
// errors) under the virtual clock, stopping (also while a poll is stuck),
// and real-time runs whose every input sample is checked against the
// loopback of the stimulus.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/QRN55Service.h"
#include "Common/QRN55/Driver/tests/QRN55Entry_fixture.h"
#include "foundation/platform/Clock.h"

namespace {

using Clock = std::chrono::steady_clock;
using Slots = std::vector<std::vector<std::int16_t>>;

constexpr int kUnitFifoFrames = 262136 / 2;  // two samples a frame

struct UnitStatus {
  QRN55Status result = -1;
  int status = -1;
  int clipping = 0;
  int input = 0;   // frames readable
  int output = 0;  // frames writable
};

UnitStatus Poll(QRN55DeviceHandle device, int unit) {
  UnitStatus s;
  s.result =
      QRN55_ContinuousGetUnitStatus(device, unit, -1, &s.status, &s.clipping, &s.input, &s.output);
  return s;
}

// The stimulus of output frame f, and so what the loopback gives back as
// input frame f: one value per slot.
std::int16_t Stimulus(int unit, int slot, std::int64_t frame) {
  return static_cast<std::int16_t>((frame * (3 + 2 * slot) + 1000 * unit) % 40000 - 20000);
}

QRN55Status WriteStimulus(QRN55DeviceHandle device, int unit, std::int64_t first, int frames) {
  Slots slots(2, std::vector<std::int16_t>(frames));
  for (int slot = 0; slot < 2; ++slot) {
    for (int i = 0; i < frames; ++i) slots[slot][i] = Stimulus(unit, slot, first + i);
  }
  return QRN55_ContinuousOutputWrite(device, unit, frames, Sources(slots).data());
}

class VirtualClock {
 public:
  VirtualClock() { Platform::UseVirtualClock(1000.0); }
  ~VirtualClock() { Platform::UseRealClock(); }
};

class Continuous : public testing::TestWithParam<QRN55Bench::Kind> {
 protected:
  void SetUp() override {
    std::string reason;
    if (!entry.Usable(reason)) GTEST_SKIP() << reason;
  }

  QRN55EntryBench entry{GetParam()};
};

// For tests that make a bench per case.
class ContinuousCases : public testing::TestWithParam<QRN55Bench::Kind> {
 protected:
  void SetUp() override {
    std::string reason;
    if (!QRN55Bench(GetParam()).Usable(reason)) GTEST_SKIP() << reason;
  }
};

// Frames of 50 us: 20,000 a second.
constexpr int kInterval = 10;
constexpr double kFrameSeconds = kInterval * 5e-6;

TEST_P(Continuous, BusyBetweenArmAndStop) {
  ASSERT_TRUE(entry.OpenDevice());
  QRN55DeviceHandle device = entry.device;
  const QRN55Sequence loopback = QRN55Sequence::Loopback();
  const QRN55Sequence& s = loopback;
  std::vector<std::int16_t> samples(8, 0);
  const std::int16_t* sources[] = {samples.data(), samples.data()};
  std::int16_t* targets[] = {samples.data(), samples.data()};
  struct Call {
    const char* name;
    bool busy;
    std::function<QRN55Status()> call;
  };
  const std::vector<Call> calls = {
      {"UnitGetConfiguration", true,
       [&] {
         char serial[16];
         int in, out;
         return QRN55_UnitGetConfiguration(device, 0, serial, 16, &in, &out);
       }},
      {"UnitGetClipping", true,
       [&] {
         int clipping;
         return QRN55_UnitGetClipping(device, 0, &clipping);
       }},
      {"UnitDelay", true, [&] { return QRN55_UnitDelay(device, 0, 0.0001); }},
      {"ControlOutputWrite", true, [&] { return QRN55_ControlOutputWrite(device, 0, 0, 1.0); }},
      {"UnitGetInputScaling", true,
       [&] {
         double scale, offset;
         return QRN55_UnitGetInputScaling(device, 0, 1, &scale, &offset);
       }},
      {"UnitGetOutputScaling", true,
       [&] {
         double scale, offset;
         return QRN55_UnitGetOutputScaling(device, 0, 1, &scale, &offset);
       }},
      {"ContinuousInitialize", true,
       [&] {
         return QRN55_ContinuousInitialize(device, 0, s.count, s.input_1.data(), s.input_2.data(),
                                           s.output_1.data(), s.output_2.data(), kInterval, 0, 0);
       }},
      {"ContinuousArm", true, [&] { return QRN55_ContinuousArm(device); }},
      {"Pulse", true,
       [&] {
         return QRN55_Pulse(device, 0, s.count, s.input_1.data(), s.input_2.data(),
                            s.output_1.data(), s.output_2.data(), 1, 8, sources, 8, targets);
       }},
      {"DeviceGetUnitCount", false,
       [&] {
         int count;
         return QRN55_DeviceGetUnitCount(device, &count);
       }},
      {"ContinuousGetUnitStatus", false, [&] { return Poll(device, 0).result; }},
      {"ContinuousOutputWrite", false,
       [&] { return QRN55_ContinuousOutputWrite(device, 0, 8, sources); }},
      {"ContinuousInputRead", false,
       [&] {
         // Nothing has come in: 45, not 4.
         const QRN55Status result = QRN55_ContinuousInputRead(device, 0, 8, targets);
         return result == QRN55_STATUS_READ_COUNT ? QRN55_STATUS_SUCCESS : result;
       }},
      {"AsynchronousOutputSet", false,
       [&] { return QRN55_AsynchronousOutputSet(device, 0, 1, 0, 0); }},
      {"AsynchronousInputSet", false, [&] { return QRN55_AsynchronousInputSet(device, 0, 1, 0); }},
  };

  ASSERT_EQ(entry.Initialize(loopback, kInterval), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_ContinuousArm(device), QRN55_STATUS_SUCCESS);
  for (const Call& c : calls) {
    EXPECT_EQ(c.call(), c.busy ? QRN55_STATUS_BUSY : QRN55_STATUS_SUCCESS) << c.name << " armed";
  }
  ASSERT_EQ(QRN55_ContinuousStart(device), QRN55_STATUS_SUCCESS);
  for (const Call& c : calls) {
    EXPECT_EQ(c.call(), c.busy ? QRN55_STATUS_BUSY : QRN55_STATUS_SUCCESS) << c.name << " started";
  }
  ASSERT_EQ(QRN55_ContinuousStop(device), QRN55_STATUS_SUCCESS);
  for (const Call& c : calls) {
    if (std::string(c.name) == "ContinuousArm") continue;  // would start the thread again
    EXPECT_EQ(c.call(), QRN55_STATUS_SUCCESS) << c.name << " stopped";
  }
}

TEST_P(Continuous, StoppingWhenIdleOrRightAfterArm) {
  ASSERT_TRUE(entry.OpenDevice());
  EXPECT_EQ(QRN55_ContinuousStop(entry.device), QRN55_STATUS_SUCCESS);  // never armed

  ASSERT_EQ(entry.Initialize(QRN55Sequence::Loopback(), kInterval), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_ContinuousArm(entry.device), QRN55_STATUS_SUCCESS);
  entry.units[0]->SetTracing(true);
  const auto start = Clock::now();
  EXPECT_EQ(QRN55_ContinuousStop(entry.device), QRN55_STATUS_SUCCESS);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  // Armed, never started: the thread ended without a poll; only the stop
  // command went out.
  const std::vector<QRN55SimTransfer> trace = entry.units[0]->TakeTrace();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].address, 0xA00000u);
  EXPECT_TRUE(trace[0].write);
}

// The status word under the virtual clock: the unit runs exactly as far as
// the test moves time.
TEST_P(ContinuousCases, StatusWord) {
  struct Case {
    const char* name;
    QRN55Sequence sequence;
    std::function<void(QRN55EntryBench&)> run;
    int status;
  };
  const int stimulus = 2000;
  const double stimulus_seconds = stimulus * kFrameSeconds;
  auto read_all = [](QRN55EntryBench& e) {
    const UnitStatus s = Poll(e.device, 0);
    ASSERT_EQ(s.result, QRN55_STATUS_SUCCESS);
    if (s.input == 0) return;
    Slots slots(2, std::vector<std::int16_t>(s.input));
    ASSERT_EQ(QRN55_ContinuousInputRead(e.device, 0, s.input, Targets(slots).data()), 0);
  };
  const std::vector<Case> cases = {
      {"loopback kept up with", QRN55Sequence::Loopback(),
       [&](QRN55EntryBench& e) {
         for (int step = 0; step < 20; ++step) {
           ASSERT_EQ(WriteStimulus(e.device, 0, stimulus + step * 400, 400), 0);
           Platform::Advance(400 * kFrameSeconds);
           read_all(e);
         }
       },
       0},
      {"input only", QRN55Sequence::InputsOnly(),
       [&](QRN55EntryBench& e) {
         for (int step = 0; step < 10; ++step) {
           Platform::Advance(0.5);
           read_all(e);
         }
       },
       0},
      {"stimulus sent completely", QRN55Sequence::OutputsOnly(),
       [&](QRN55EntryBench& e) {
         Platform::Advance(2 * stimulus_seconds);
         EXPECT_EQ(Poll(e.device, 0).status, 0);
       },
       0},
      {"output queued after the unit ran dry", QRN55Sequence::OutputsOnly(),
       [&](QRN55EntryBench& e) {
         Platform::Advance(2 * stimulus_seconds);
         EXPECT_EQ(Poll(e.device, 0).status, 0);
         ASSERT_EQ(WriteStimulus(e.device, 0, stimulus, 400), 0);
       },
       QRN55_STATUS_FIFO_UNDERFLOW},
      {"underflow reported by the unit", QRN55Sequence::Loopback(),
       [&](QRN55EntryBench& e) {
         e.units[0]->ForceUnderflow(true);
         Platform::Advance(stimulus_seconds / 2);
         read_all(e);
         ASSERT_EQ(WriteStimulus(e.device, 0, stimulus, 400), 0);
       },
       QRN55_STATUS_FIFO_UNDERFLOW},
      {"overflow reported by the unit", QRN55Sequence::Loopback(),
       [&](QRN55EntryBench& e) {
         e.units[0]->ForceOverflow(true);
         Platform::Advance(stimulus_seconds / 2);
       },
       QRN55_STATUS_FIFO_OVERFLOW},
      {"nobody reads the input", QRN55Sequence::InputsOnly(),
       [&](QRN55EntryBench& e) {
         // The ring takes one FIFO's worth, the FIFO another.
         Platform::Advance(3 * kUnitFifoFrames * kFrameSeconds);
         Poll(e.device, 0);
       },
       QRN55_STATUS_FIFO_OVERFLOW},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QRN55EntryBench e(GetParam());
    ASSERT_TRUE(e.OpenDevice());
    VirtualClock clock;
    ASSERT_EQ(e.Initialize(c.sequence, kInterval), QRN55_STATUS_SUCCESS);
    ASSERT_EQ(QRN55_ContinuousArm(e.device), QRN55_STATUS_SUCCESS);
    if (c.sequence.output_1[0] != 0) {
      ASSERT_EQ(WriteStimulus(e.device, 0, 0, stimulus), 0);
    }
    ASSERT_EQ(QRN55_ContinuousStart(e.device), QRN55_STATUS_SUCCESS);
    c.run(e);
    const UnitStatus s = Poll(e.device, 0);
    EXPECT_EQ(s.result, QRN55_STATUS_SUCCESS);
    EXPECT_EQ(s.status, c.status);
    EXPECT_EQ(QRN55_ContinuousStop(e.device), QRN55_STATUS_SUCCESS);
  }
}

// The caller writes its stimulus in uneven pieces. The units get whole
// groups of 4 frames only (the bench fails the test for any transfer a unit
// refused), and every frame written comes back through the loopback in
// order, but for the frames after the last whole group, which are never
// sent: the unit holds the last frame of the last group.
TEST_P(ContinuousCases, UnevenWritesReachTheUnitsInWholeGroups) {
  const int pieces[] = {1, 3, 5, 7, 13};
  for (const int units : {1, 2}) {
    SCOPED_TRACE(testing::Message() << units << " units");
    QRN55EntryBench e(GetParam());
    ASSERT_TRUE(e.OpenDevice(units));
    VirtualClock clock;
    ASSERT_EQ(e.Initialize(QRN55Sequence::Loopback(), kInterval), QRN55_STATUS_SUCCESS);
    ASSERT_EQ(QRN55_ContinuousArm(e.device), QRN55_STATUS_SUCCESS);
    std::vector<std::int64_t> written(units, 0);
    std::vector<std::vector<std::int16_t>> received(units);
    int piece = 0;
    auto write_pieces = [&](int count) {
      for (int i = 0; i < count; ++i, ++piece) {
        for (int unit = 0; unit < units; ++unit) {
          const int frames = pieces[piece % 5];
          ASSERT_EQ(WriteStimulus(e.device, unit, written[unit], frames), QRN55_STATUS_SUCCESS);
          written[unit] += frames;
        }
      }
    };
    auto read_all = [&] {
      for (int unit = 0; unit < units; ++unit) {
        const UnitStatus s = Poll(e.device, unit);
        ASSERT_EQ(s.result, QRN55_STATUS_SUCCESS);
        ASSERT_EQ(s.status, QRN55_STATUS_SUCCESS);
        if (s.input == 0) continue;
        Slots slots(2, std::vector<std::int16_t>(s.input));
        ASSERT_EQ(QRN55_ContinuousInputRead(e.device, unit, s.input, Targets(slots).data()), 0);
        received[unit].insert(received[unit].end(), slots[0].begin(), slots[0].end());
      }
    };
    write_pieces(40);  // 232 frames ahead
    ASSERT_EQ(QRN55_ContinuousStart(e.device), QRN55_STATUS_SUCCESS);
    // 5.8 frames written for every 5 played.
    for (int step = 0; step < 301; ++step) {
      write_pieces(1);
      Platform::Advance(5 * kFrameSeconds);
      read_all();
    }
    Platform::Advance(1000 * kFrameSeconds);
    read_all();
    for (int unit = 0; unit < units; ++unit) {
      SCOPED_TRACE(testing::Message() << "unit " << unit);
      ASSERT_EQ(written[unit] % 4, 1);
      const std::int64_t sent = written[unit] - 1;
      ASSERT_GT(static_cast<std::int64_t>(received[unit].size()), sent);
      for (std::int64_t frame = 0; frame < sent; ++frame) {
        ASSERT_EQ(received[unit][frame], Stimulus(unit, 0, frame)) << "frame " << frame;
      }
      EXPECT_EQ(received[unit][sent], Stimulus(unit, 0, sent - 1));
    }
    EXPECT_EQ(QRN55_ContinuousStop(e.device), QRN55_STATUS_SUCCESS);
  }
}

TEST_P(Continuous, FileErrorsComeBackFromTheUnitPoll) {
  ASSERT_TRUE(entry.OpenDevice());
  VirtualClock clock;
  ASSERT_EQ(entry.Initialize(QRN55Sequence::InputsOnly(), kInterval), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_ContinuousArm(entry.device), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_ContinuousStart(entry.device), QRN55_STATUS_SUCCESS);
  Platform::Advance(0.1);
  entry.units[0]->InjectFault(QRN55SimFault::kReadError, 0x400000);
  EXPECT_EQ(Poll(entry.device, 0).result, QRN55_ERROR_FileIO());
  entry.units[0]->ClearFaults();
  const UnitStatus after = Poll(entry.device, 0);
  EXPECT_EQ(after.result, QRN55_STATUS_SUCCESS);
  EXPECT_EQ(after.status, QRN55_STATUS_FILE_IO);  // kept for the caller
  EXPECT_EQ(QRN55_ContinuousStop(entry.device), QRN55_STATUS_SUCCESS);
}

// Runs the loopback on every unit for `seconds` of real time: the stimulus
// is kept ahead in the output rings, every input frame is compared with the
// stimulus frame it samples, and the status words stay 0.
void RunInRealTime(QRN55EntryBench& entry, int units, double seconds) {
  ASSERT_TRUE(entry.OpenDevice(units));
  QRN55DeviceHandle device = entry.device;
  ASSERT_EQ(entry.Initialize(QRN55Sequence::Loopback(), kInterval), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_ContinuousArm(device), QRN55_STATUS_SUCCESS);
  std::vector<std::int64_t> written(units, 0);
  std::vector<std::int64_t> received(units, 0);
  // Half a second of stimulus before the start.
  for (int unit = 0; unit < units; ++unit) {
    ASSERT_EQ(WriteStimulus(device, unit, 0, 10000), 0);
    written[unit] = 10000;
  }
  ASSERT_EQ(QRN55_ContinuousStart(device), QRN55_STATUS_SUCCESS);
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (int unit = 0; unit < units; ++unit) {
      const UnitStatus s = Poll(device, unit);
      ASSERT_EQ(s.result, QRN55_STATUS_SUCCESS);
      ASSERT_EQ(s.status, QRN55_STATUS_SUCCESS) << "unit " << unit;
      if (s.input > 0) {
        Slots slots(2, std::vector<std::int16_t>(s.input));
        ASSERT_EQ(QRN55_ContinuousInputRead(device, unit, s.input, Targets(slots).data()), 0);
        for (int i = 0; i < s.input; ++i) {
          for (int slot = 0; slot < 2; ++slot) {
            ASSERT_EQ(slots[slot][i], Stimulus(unit, slot, received[unit] + i))
                << "unit " << unit << " slot " << slot << " frame " << received[unit] + i;
          }
        }
        received[unit] += s.input;
      }
      // Keep about a second of stimulus queued.
      const int frames = std::min(s.output, 20000);
      if (frames > 0) {
        ASSERT_EQ(WriteStimulus(device, unit, written[unit], frames), 0);
        written[unit] += frames;
      }
    }
  }
  const auto stop = Clock::now();
  EXPECT_EQ(QRN55_ContinuousStop(device), QRN55_STATUS_SUCCESS);
  EXPECT_LT(Clock::now() - stop, std::chrono::seconds(1));
  const double frames_expected = seconds / kFrameSeconds;
  for (int unit = 0; unit < units; ++unit) {
    // All but what came after the last poll; a loaded machine may poll late.
    EXPECT_GT(received[unit], 0.5 * frames_expected) << "unit " << unit;
  }
}

TEST_P(Continuous, OneSecondOfRealTimeWithTwoUnits) { RunInRealTime(entry, 2, 1.0); }

TEST(ContinuousLong, TwoUnitsForTenSecondsOfRealTime) {
  QRN55EntryBench entry(QRN55Bench::Kind::kFuse);
  std::string reason;
  if (!entry.Usable(reason)) GTEST_SKIP() << reason;
  RunInRealTime(entry, 2, 10.0);
}

// Holds every recording status read of the units while held, so that a
// poll gets stuck in the middle of its work.
class GatedPort final : public QRN55FilePort {
 public:
  void Wrap(QRN55FilePort& port) { _port = &port; }
  void Hold() {
    std::lock_guard lock(_mutex);
    _holding = true;
  }
  void Release() {
    {
      std::lock_guard lock(_mutex);
      _holding = false;
    }
    _changed.notify_all();
  }
  void AwaitHeldRead() {
    std::unique_lock lock(_mutex);
    _changed.wait(lock, [&] { return _held > 0; });
  }

  bool ListMounts(std::vector<std::string>& paths) override { return _port->ListMounts(paths); }
  int Open(const char* path) override { return _port->Open(path); }
  int LockExclusive(int descriptor) override { return _port->LockExclusive(descriptor); }
  void AdviseUncached(int descriptor) override { _port->AdviseUncached(descriptor); }
  ssize_t ReadAt(int descriptor, std::uint64_t address, void* data, std::size_t size) override {
    if (address == 0xA00000) {
      std::unique_lock lock(_mutex);
      ++_held;
      _changed.notify_all();
      _changed.wait(lock, [&] { return !_holding; });
      --_held;
    }
    return _port->ReadAt(descriptor, address, data, size);
  }
  ssize_t WriteAt(int descriptor, std::uint64_t address, const void* data,
                  std::size_t size) override {
    return _port->WriteAt(descriptor, address, data, size);
  }
  int Sync(int descriptor) override { return _port->Sync(descriptor); }
  void Close(int descriptor) override { _port->Close(descriptor); }

 private:
  QRN55FilePort* _port = nullptr;
  std::mutex _mutex;
  std::condition_variable _changed;
  bool _holding = false;
  int _held = 0;
};

TEST(ContinuousStop, StuckPollIsLeftToFinishAndNothingGoesAwayUnderIt) {
  GatedPort gate;  // outlives the driver that uses it
  QRN55EntryBench entry(QRN55Bench::Kind::kInProcess);
  gate.Wrap(entry.bench.Port());
  QRN55Service::UseFilePort(&gate);
  ASSERT_TRUE(entry.OpenDevice());
  ASSERT_EQ(entry.Initialize(QRN55Sequence::InputsOnly(), kInterval), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_ContinuousArm(entry.device), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_ContinuousStart(entry.device), QRN55_STATUS_SUCCESS);
  gate.Hold();
  gate.AwaitHeldRead();  // the polling thread's next poll

  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    gate.Release();
  });
  // The stop gives up on the thread after a second; the close of the
  // session then waits until the stuck poll has let go of the unit.
  const auto start = Clock::now();
  QRN55_DeviceClose(entry.device);
  entry.device = nullptr;
  const auto closed = Clock::now() - start;
  releaser.join();
  EXPECT_GE(closed, std::chrono::milliseconds(1400));

  int status = -1;
  char serial[8];
  EXPECT_EQ(QRN55_DeviceGetConfiguration(entry.driver, 0, &status, serial, 8), 0);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(QRN55_DeviceOpen(entry.driver, 0, 0, &entry.device), QRN55_STATUS_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(Benches, Continuous,
                         testing::Values(QRN55Bench::Kind::kInProcess, QRN55Bench::Kind::kFuse),
                         [](const auto& info) { return BenchName(info.param); });
INSTANTIATE_TEST_SUITE_P(Benches, ContinuousCases,
                         testing::Values(QRN55Bench::Kind::kInProcess, QRN55Bench::Kind::kFuse),
                         [](const auto& info) { return BenchName(info.param); });

}  // namespace
