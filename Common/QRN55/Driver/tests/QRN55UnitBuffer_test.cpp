// The unit rings: capacities, the room each side is offered, and the copies
// between the caller's arrays and the interleaved frames.
#include "Common/QRN55/Driver/QRN55UnitBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "Common/QRN55/Driver/QRN55UnitBufferClient.h"

namespace {

// One unit's areas laid out as a device session lays them out.
struct Rings {
  Rings(int samples, int input_slots, int output_slots) {
    const int input_offset = sizeof(QRN55UnitDescriptor);
    const int command_offset =
        input_offset + 2 * samples + 2 * QRN55UnitBuffer::kInputPaddingSamples;
    const int output_offset = command_offset + 512;
    bytes.resize(output_offset + 2 * samples + QRN55UnitBuffer::kOutputTailBytes);
    server.SetupOffsets(0, input_offset, samples, QRN55UnitBuffer::kInputPaddingSamples,
                        command_offset, 512, output_offset, samples);
    server.SetupPointers(bytes.data());
    server.SetupAcquisition(input_slots, output_slots);
    client.Setup(&Descriptor(), bytes.data());
  }

  QRN55UnitDescriptor& Descriptor() {
    return *reinterpret_cast<QRN55UnitDescriptor*>(bytes.data());
  }
  void SetInput(int read, int write) {
    Descriptor().input_read_frame = read;
    Descriptor().input_write_frame = write;
  }
  void SetOutput(int read, int write) {
    Descriptor().output_read_frame = read;
    Descriptor().output_write_frame = write;
  }

  std::vector<std::uint8_t> bytes;
  QRN55UnitBuffer server;
  QRN55UnitBufferClient client;
};

TEST(UnitRings, CapacitiesFollowTheSlots) {
  Rings three(10000, 3, 3);
  EXPECT_EQ(three.server.DataInputGetFramesCapacity(), 3332);
  EXPECT_EQ(three.server.DataOutputGetFramesCapacity(), 3332);
  EXPECT_EQ(three.Descriptor().input_padding_frames, 683);
  EXPECT_EQ(three.Descriptor().input_frame_bytes, 6);

  Rings outputs_only(10000, 0, 16);
  EXPECT_EQ(outputs_only.server.DataInputGetFramesCapacity(), 0);
  EXPECT_EQ(outputs_only.Descriptor().input_padding_frames, 0);
  EXPECT_EQ(outputs_only.server.DataOutputGetFramesCapacity(), 624);
  EXPECT_EQ(outputs_only.client.DataInputGetReadAvailable(), 0);
}

TEST(UnitRings, InputRoomOffered) {
  struct Case {
    const char* name;
    int read, write, maximum;
    int frames;
    bool wrap;
  };
  // 3 slots: 3332 frames, 683 padding frames.
  const std::vector<Case> cases = {
      {"empty ring keeps one frame free", 0, 0, 1 << 30, 3328, false},
      {"behind the read frame, short of the padding", 3000, 50, 1 << 30, 2264, false},
      {"padding leaves no room", 100, 50, 1 << 30, 0, false},
      {"to the end, more at the start", 100, 3000, 1 << 30, 332, true},
      {"to the end, read frame at the start", 0, 3000, 1 << 30, 328, false},
      {"maximum smaller", 100, 3000, 11, 8, false},
      {"maximum equal keeps the wrap", 100, 3000, 332, 332, true},
      {"negative maximum", 0, 0, -5, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rings rings(10000, 3, 3);
    rings.SetInput(c.read, c.write);
    std::int16_t* data = nullptr;
    bool wrap = !c.wrap;
    EXPECT_EQ(rings.server.DataInputGetAvailable(c.maximum, data, wrap), c.frames);
    EXPECT_EQ(wrap, c.wrap);
    EXPECT_EQ(data,
              reinterpret_cast<std::int16_t*>(rings.bytes.data() + sizeof(QRN55UnitDescriptor)) +
                  3 * c.write);
  }
}

TEST(UnitRings, OutputFramesReadyAndRoom) {
  struct Case {
    int read, write;
    int ready;
    bool wrap;
    int room;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, false, 3331},       {0, 10, 8, false, 3321},       {3000, 0, 332, true, 2999},
      {3000, 100, 332, true, 2899}, {100, 3000, 2900, false, 431},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "read " << c.read << " write " << c.write);
    Rings rings(10000, 3, 3);
    rings.SetOutput(c.read, c.write);
    std::int16_t* data = nullptr;
    bool wrap = !c.wrap;
    EXPECT_EQ(rings.server.DataOutputGetFramesAvailable(data, wrap), c.ready);
    EXPECT_EQ(wrap, c.wrap);
    EXPECT_EQ(rings.client.DataOutputGetWriteAvailable(), c.room);
  }
}

TEST(UnitRings, WritesAndReadsCrossTheEndInTwoBlocks) {
  Rings rings(200, 0, 2);  // 100 frames
  ASSERT_EQ(rings.server.DataOutputGetFramesCapacity(), 100);
  rings.SetOutput(50, 96);
  std::vector<std::int16_t> first(10);
  std::vector<std::int16_t> second(10);
  for (int i = 0; i < 10; ++i) {
    first[i] = static_cast<std::int16_t>(100 + i);
    second[i] = static_cast<std::int16_t>(-100 - i);
  }
  const std::int16_t* data[] = {first.data(), second.data()};
  rings.client.DataOutputWrite(10, data);
  EXPECT_EQ(rings.Descriptor().output_write_frame, 6);

  // The unit session sends the 4 frames at the end, then 4 of the 6 from
  // the start once it has moved on (2 stay until more come).
  rings.SetOutput(96, 6);
  std::int16_t* ready;
  bool wrap;
  ASSERT_EQ(rings.server.DataOutputGetFramesAvailable(ready, wrap), 4);
  EXPECT_TRUE(wrap);
  EXPECT_EQ(std::vector<std::int16_t>(ready, ready + 8),
            (std::vector<std::int16_t>{100, -100, 101, -101, 102, -102, 103, -103}));
  rings.server.DataOutputRead(4);
  EXPECT_EQ(rings.Descriptor().output_read_frame, 0);
  ASSERT_EQ(rings.server.DataOutputGetFramesAvailable(ready, wrap), 4);
  EXPECT_FALSE(wrap);
  EXPECT_EQ(ready[0], 104);
  EXPECT_EQ(ready[11], -109);

  // Input the other way round: frames 96..99 and 0..3 wait.
  Rings input(200, 2, 0);
  auto* frames = reinterpret_cast<std::int16_t*>(input.bytes.data() +
                                                 input.Descriptor().input_buffer_data_offset);
  for (int i = 0; i < 8; ++i) {
    frames[2 * 96 + i] = static_cast<std::int16_t>(i);
    frames[i] = static_cast<std::int16_t>(8 + i);
  }
  input.SetInput(96, 4);
  EXPECT_EQ(input.client.DataInputGetReadAvailable(), 8);
  std::vector<std::int16_t> even(8);
  std::vector<std::int16_t> odd(8);
  std::int16_t* targets[] = {even.data(), odd.data()};
  input.client.DataInputRead(8, targets);
  EXPECT_EQ(even, (std::vector<std::int16_t>{0, 2, 4, 6, 8, 10, 12, 14}));
  EXPECT_EQ(odd, (std::vector<std::int16_t>{1, 3, 5, 7, 9, 11, 13, 15}));
  EXPECT_EQ(input.Descriptor().input_read_frame, 4);
}

TEST(UnitRings, AsynchronousSlotsMoveOnTheirOwn) {
  Rings rings(200, 2, 2);  // 100 frames a ring
  rings.client.AsynchronousOutputSet(1, true, 7);
  rings.SetOutput(10, 10);
  EXPECT_EQ(rings.client.AsynchronousOutputGetAvailable(1), 9);  // from frame 0 to the read frame
  const std::vector<std::int16_t> values = {1, 2, 3};
  rings.Descriptor().output_slots[1].position = 98;
  EXPECT_EQ(rings.client.AsynchronousOutputGetAvailable(1), 11);
  rings.client.AsynchronousOutputWrite(1, 3, values.data());
  EXPECT_EQ(rings.Descriptor().output_slots[1].position, 1);
  const auto* ring = reinterpret_cast<const std::int16_t*>(
      rings.bytes.data() + rings.Descriptor().output_buffer_data_offset);
  EXPECT_EQ(ring[2 * 98 + 1], 1);
  EXPECT_EQ(ring[2 * 99 + 1], 2);
  EXPECT_EQ(ring[2 * 0 + 1], 3);

  rings.client.AsynchronousInputSet(0, true);
  rings.SetInput(0, 6);
  rings.Descriptor().input_slots[0].position = 2;
  EXPECT_EQ(rings.client.AsynchronousInputGetAvailable(0), 4);
}

// The unit buffer keeps an asynchronous slot's constant ahead of the read
// frame; other slots' columns stay as they are.
TEST(UnitRings, AsynchronousSlotsAreFilledWithTheirValue) {
  struct Case {
    const char* name;
    int read, position, maximum;
    std::vector<int> filled;  // frames of slot 1 that get the value
    int position_after;
  };
  const std::vector<Case> cases = {
      {"from the read frame", 10, 10, 8, {10, 11, 12, 13, 14, 15, 16, 17}, 18},
      {"up to the maximum", 10, 15, 8, {15, 16, 17}, 18},
      {"far enough ahead", 10, 18, 8, {}, 18},
      {"across the end of the ring", 96, 98, 8, {98, 99, 0, 1, 2, 3}, 4},
      {"ahead across the end", 90, 5, 8, {}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rings rings(200, 0, 2);  // 100 frames
    rings.client.AsynchronousOutputSet(1, true, 7);
    rings.SetOutput(c.read, c.read);
    rings.Descriptor().output_slots[1].position = c.position;
    rings.server.AsynchronousOutputFill(c.maximum);
    const auto* ring = reinterpret_cast<const std::int16_t*>(
        rings.bytes.data() + rings.Descriptor().output_buffer_data_offset);
    std::vector<int> filled;
    for (int frame = 0; frame < 100; ++frame) {
      EXPECT_EQ(ring[2 * frame], 0) << "slot 0, frame " << frame;
      if (ring[2 * frame + 1] == 7) filled.push_back(frame);
    }
    std::vector<int> expected = c.filled;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filled, expected);
    EXPECT_EQ(rings.Descriptor().output_slots[1].position, c.position_after);
  }

  // One slot by itself, wrapping at the end of the ring.
  Rings rings(200, 0, 2);
  rings.client.AsynchronousOutputSet(0, true, -3);
  rings.Descriptor().output_slots[0].position = 97;
  rings.server.AsynchronousOutputFillSlot(0, 5);
  const auto* ring = reinterpret_cast<const std::int16_t*>(
      rings.bytes.data() + rings.Descriptor().output_buffer_data_offset);
  for (const int frame : {97, 98, 99, 0, 1}) EXPECT_EQ(ring[2 * frame], -3) << frame;
  EXPECT_EQ(ring[2 * 2], 0);
  EXPECT_EQ(rings.Descriptor().output_slots[0].position, 2);
}

TEST(UnitRingsDeathTest, ArraysMatchTheSlotKinds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Rings rings(200, 2, 2);
  std::vector<std::int16_t> samples(4);
  rings.client.AsynchronousOutputSet(1, true, 0);
  const std::int16_t* for_asynchronous[] = {samples.data(), samples.data()};
  EXPECT_DEATH(rings.client.DataOutputWrite(4, for_asynchronous), "data\\[slot\\] == nullptr");
  const std::int16_t* missing[] = {nullptr, nullptr};
  EXPECT_DEATH(rings.client.DataOutputWrite(4, missing), "data\\[slot\\] != nullptr");
  EXPECT_DEATH(rings.server.SetupAcquisition(0, 0), "input_slots > 0 \\|\\| output_slots > 0");
  EXPECT_DEATH(rings.server.SetupAcquisition(17, 1), "input_slots <= QRN55_MAXIMUM_FRAME_SAMPLES");
}

}  // namespace
