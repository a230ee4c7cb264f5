// Device and unit sessions over the device manager: the session buffer's
// layout, arm and start over several units, pulses and the pieces of
// continuous transfers.
#include "Common/QRN55/Driver/QRN55DeviceSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "Common/QRN55/Driver/QRN55UnitBufferClient.h"
#include "Common/QRN55/Driver/tests/QRN55Bench_fixture.h"

namespace {

struct SessionBench {
  // A device of `units` joined units, scanned and given a session.
  explicit SessionBench(int units, QRN55SimUnitConfig base = UnitConfig("D1")) {
    for (int index = 0; index < units; ++index) {
      QRN55SimUnitConfig config = base;
      config.record.unit_count = units;
      config.record.unit_index = index;
      sims.push_back(bench.Plug(config, " " + std::to_string(index)));
    }
    manager.ScanForDevices();
    EXPECT_EQ(manager.GetDeviceCount(), 1);
    EXPECT_EQ(manager.SessionOpen(0), QRN55_STATUS_SUCCESS);
  }

  QRN55DeviceSession& Session() { return *manager.GetSession(0); }

  QRN55UnitBufferClient Client(int unit) {
    QRN55UnitBufferClient client;
    client.Setup(reinterpret_cast<QRN55UnitDescriptor*>(Session().GetBuffer() +
                                                        unit * sizeof(QRN55UnitDescriptor)),
                 Session().GetBuffer());
    return client;
  }

  QRN55Status Setup(int unit, std::vector<int> input_1, std::vector<int> input_2,
                    std::vector<int> output_1, std::vector<int> output_2) {
    return Session().GetUnitSession(unit).SetupAcquisition(static_cast<int>(input_1.size()),
                                                           input_1, input_2, output_1, output_2,
                                                           static_cast<int>(input_1.size()), 0);
  }

  QRN55Bench bench{QRN55Bench::Kind::kInProcess};
  std::vector<QRN55SimUnit*> sims;
  QRN55DeviceManager manager{bench.Port()};
};

int Transfers(const std::vector<QRN55SimTransfer>& trace, std::uint64_t address) {
  return static_cast<int>(std::count_if(trace.begin(), trace.end(), [&](const auto& transfer) {
    return transfer.write && transfer.address == address;
  }));
}

TEST(DeviceSession, BufferLayoutFollowsTheLargestOfRequestAndFIFOs) {
  struct Case {
    int buffer_samples;
    int ring_samples;
  };
  // The simulated units' records give FIFOs of 262136 samples.
  for (const Case c : {Case{0, 262136}, Case{300000, 300000}}) {
    SCOPED_TRACE(c.buffer_samples);
    SessionBench two(2);
    ASSERT_EQ(two.Session().Open(c.buffer_samples), QRN55_STATUS_SUCCESS);
    const int descriptors = 2 * static_cast<int>(sizeof(QRN55UnitDescriptor));
    const int area = 4 * c.ring_samples + 8704;
    EXPECT_EQ(two.Session().GetBufferSize(), descriptors + 2 * area);
    for (int unit = 0; unit < 2; ++unit) {
      const QRN55UnitDescriptor& d = *reinterpret_cast<const QRN55UnitDescriptor*>(
          two.Session().GetBuffer() + unit * sizeof(QRN55UnitDescriptor));
      const int start = descriptors + unit * area;
      EXPECT_EQ(d.input_buffer_data_offset, start);
      EXPECT_EQ(d.input_buffer_data_samples, c.ring_samples);
      EXPECT_EQ(d.input_buffer_padding_samples, 2048);
      EXPECT_EQ(d.output_buffer_command_offset, start + 2 * c.ring_samples + 4096);
      EXPECT_EQ(d.output_buffer_command_size, 512);
      EXPECT_EQ(d.output_buffer_data_offset, start + 2 * c.ring_samples + 4608);
      EXPECT_EQ(d.output_buffer_data_samples, c.ring_samples);
    }
  }
}

TEST(DeviceSession, LayoutsBeyondIntOffsetsAreRefused) {
  QRN55SimUnitConfig config = UnitConfig("D1");
  config.record.input_fifo_size = INT_MAX;  // what an EEPROM may claim
  SessionBench one(1, config);
  EXPECT_EQ(one.Session().Open(0), QRN55_STATUS_BUFFER_ALLOCATION);
  SessionBench requested(1);
  EXPECT_EQ(requested.Session().Open(INT_MAX / 4), QRN55_STATUS_BUFFER_ALLOCATION);
}

TEST(DeviceSession, StartFailureStopsTheUnitsAlreadyStarted) {
  SessionBench two(2);
  ASSERT_EQ(two.Session().Open(0), QRN55_STATUS_SUCCESS);
  for (int unit = 0; unit < 2; ++unit) ASSERT_EQ(two.Setup(unit, {1}, {0}, {0}, {0}), 0);
  ASSERT_EQ(two.Session().ContinuousArm(), QRN55_STATUS_SUCCESS);
  two.sims[0]->InjectFault(QRN55SimFault::kWriteError, 0xA00000);
  two.sims[1]->SetTracing(true);
  EXPECT_EQ(two.Session().ContinuousStart(), QRN55_STATUS_FILE_IO);
  // Unit 1 went first and was stopped again.
  const std::vector<QRN55SimTransfer> trace = two.sims[1]->TakeTrace();
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[0].bytes[0], 1);
  EXPECT_EQ(trace[1].bytes[0], 2);
  EXPECT_FALSE(two.sims[1]->IsRunning());
}

TEST(DeviceSession, ArmFailureLeavesLaterUnitsUnarmed) {
  SessionBench two(2);
  ASSERT_EQ(two.Session().Open(0), QRN55_STATUS_SUCCESS);
  for (int unit = 0; unit < 2; ++unit) ASSERT_EQ(two.Setup(unit, {1}, {0}, {0}, {0}), 0);
  two.sims[0]->InjectFault(QRN55SimFault::kShortWrite, 0xC00000);
  two.sims[1]->SetTracing(true);
  EXPECT_EQ(two.Session().ContinuousArm(), QRN55_STATUS_SHORT_WRITE);
  EXPECT_EQ(Transfers(two.sims[1]->TakeTrace(), 0xC00000), 0);
}

TEST(DeviceSession, SequenceWithoutChannelsIsRefused) {
  SessionBench one(1);
  ASSERT_EQ(one.Session().Open(0), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(one.Setup(0, {0}, {0}, {0}, {0}), QRN55_STATUS_INVALID_SEQUENCE);
}

TEST(UnitSession, PulseReadsTheSequenceCounterDelayToo) {
  QRN55SimUnitConfig config = UnitConfig("D1");
  config.record.input_fifo_size = 1000;  // rings of 1000 samples
  config.record.output_fifo_size = 1000;
  config.record.sequence_counter_delay = 2;
  SessionBench one(1, config);
  ASSERT_EQ(one.Session().Open(0), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(one.Setup(0, {1}, {0}, {1}, {0}), QRN55_STATUS_SUCCESS);
  QRN55UnitSession& unit = one.Session().GetUnitSession(0);
  QRN55UnitBufferClient client = one.Client(0);
  ASSERT_EQ(client.GetInputBufferFrames(), 1000);

  one.sims[0]->SetTracing(true);
  ASSERT_EQ(unit.Pulse(100, 100), QRN55_STATUS_SUCCESS);
  const std::vector<QRN55SimTransfer> trace = one.sims[0]->TakeTrace();
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[0].address, 0x200000u);
  EXPECT_EQ(trace[0].bytes[0] | trace[0].bytes[1] << 8, 204);  // 102 frames of input
  EXPECT_FALSE(trace[1].write);
  EXPECT_EQ(trace[1].address, 0x400000u);
  EXPECT_EQ(client.DataInputGetReadAvailable(), 102);

  // The delay must fit as well.
  ASSERT_EQ(one.Setup(0, {1}, {0}, {1}, {0}), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(unit.Pulse(0, 999), QRN55_STATUS_PULSE_READ_COUNT);
  EXPECT_EQ(unit.Pulse(0, 998), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(client.DataInputGetReadAvailable(), 0);  // the ring is full: 1000 frames
}

TEST(UnitSession, ContinuousTransfersArePiecesOfAtMost16384Bytes) {
  SessionBench one(1);
  ASSERT_EQ(one.Session().Open(0), QRN55_STATUS_SUCCESS);
  // Three output samples a frame: pieces of 16368 bytes, 2728 frames.
  ASSERT_EQ(one.Setup(0, {0, 0}, {0, 0}, {1, 3}, {2, 0}), QRN55_STATUS_SUCCESS);
  QRN55UnitBufferClient client = one.Client(0);
  std::vector<std::vector<std::int16_t>> slots(3, std::vector<std::int16_t>(6002, 5));
  const std::int16_t* data[] = {slots[0].data(), slots[1].data(), slots[2].data()};
  client.DataOutputWrite(6002, data);

  QRN55UnitSession& unit = one.Session().GetUnitSession(0);
  ASSERT_EQ(unit.ContinuousArm(), QRN55_STATUS_SUCCESS);
  one.sims[0]->SetTracing(true);
  ASSERT_EQ(unit.ContinuousStart(), QRN55_STATUS_SUCCESS);
  const std::vector<QRN55SimTransfer> trace = one.sims[0]->TakeTrace();
  // 6000 of the 6002 frames (whole groups of 4), then the start.
  const std::vector<std::pair<int, std::size_t>> pieces = {
      {16368, 16384}, {16368, 16384}, {3264, 4096}};
  ASSERT_EQ(trace.size(), 2 * pieces.size() + 1);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    SCOPED_TRACE(i);
    const QRN55SimTransfer& size = trace[2 * i];
    const QRN55SimTransfer& fifo = trace[2 * i + 1];
    EXPECT_EQ(size.address, 0x1200000u);
    EXPECT_EQ(size.bytes[0] | size.bytes[1] << 8 | size.bytes[2] << 16, pieces[i].first);
    EXPECT_EQ(fifo.address, 0x400000u);
    EXPECT_EQ(fifo.bytes.size(), pieces[i].second);
  }
  EXPECT_EQ(trace.back().address, 0xA00000u);
  EXPECT_EQ(trace.back().bytes[0], 1);
  // The last 2 frames wait for the group that completes them.
  EXPECT_EQ(client.DataOutputGetWriteAvailable(), client.GetOutputBufferFrames() - 3);
}

}  // namespace
