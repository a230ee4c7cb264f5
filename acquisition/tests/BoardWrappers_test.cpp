// The ZRV-24 and ZRV-28 wrappers against the stand-in library: every call
// reaches the board with its arguments, and a sweep within the FIFO loops
// back channel for channel after the pipeline values.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "acquisition/QRN24.h"
#include "acquisition/QRN28.h"
#include "acquisition/tests/ZRVStandIn_fixture.h"
#include "foundation/platform/Clock.h"

namespace {

// One family's wrappers behind one set of names.
struct Wrappers {
  const char* name;
  std::int32_t family;
  double tick;
  int pipeline;                       // of the two-step sequence below
  std::array<std::uint16_t, 2> sequence;  // DAC 0 -> ADC 0, DAC 1 -> ADC 1
  std::int32_t (*GetStructureSize)();
  std::int32_t (*Open)(void*, std::int32_t);
  std::int32_t (*Initialize)(void*, std::int32_t);
  std::int32_t (*Close)(void*);
  std::int32_t (*GetStatusText)(void*, std::int32_t, std::span<char>);
  std::int32_t (*SetSamplingInterval)(void*, std::int32_t);
  std::int32_t (*SetSequence)(void*, std::int32_t, const std::uint16_t*);
  std::int32_t (*InitializeAcquisition)(void*);
  std::int32_t (*Start)(void*, std::int32_t, std::int32_t, std::int32_t, std::int32_t);
  std::int32_t (*WriteFIFO)(void*, std::int32_t, const std::int16_t*);
  std::int32_t (*GetFIFOReadAvailable)(void*, std::int32_t&);
  std::int32_t (*ReadFIFO)(void*, std::int32_t, std::int16_t*);
  std::int32_t (*IsClipping)(void*, std::int32_t&);
  std::int32_t (*GetFIFOOverflow)(void*, std::int32_t&);
  std::int32_t (*Stop)(void*);
};

const Wrappers kQRN24{
    "ZRV-24", kZRVSimZRV24, 1e-6, 5, {0x1F, 0x16},
    &QRN24_GetStructureSize, &QRN24_Open,
    [](void* device, std::int32_t) { return QRN24_Initialize(device); },
    &QRN24_Close, &QRN24_GetStatusText, &QRN24_SetSamplingInterval, &QRN24_SetSequence,
    &QRN24_InitializeAcquisition, &QRN24_Start, &QRN24_WriteFIFO, &QRN24_GetFIFOReadAvailable,
    &QRN24_ReadFIFO, &QRN24_IsClipping, &QRN24_GetFIFOOverflow, &QRN24_Stop,
};

const Wrappers kQRN28{
    "ZRV-28", kZRVSimZRV28, 1.25e-6, 7, {0x0000, 0xC880},
    &QRN28_GetStructureSize, &QRN28_Open, &QRN28_Initialize, &QRN28_Close, &QRN28_GetStatusText,
    [](void* device, std::int32_t ticks) { return QRN28_SetSamplingInterval(device, ticks, 0); },
    &QRN28_SetSequence, &QRN28_InitializeAcquisition, &QRN28_Start, &QRN28_WriteFIFO,
    &QRN28_GetFIFOReadAvailable, &QRN28_ReadFIFO, &QRN28_IsClipping, &QRN28_GetFIFOOverflow,
    &QRN28_Stop,
};

using BoardWrappers = ZRVStandIn;

TEST_F(BoardWrappers, SweepWithinTheFifoLoopsBack) {
  for (const Wrappers* board : {&kQRN24, &kQRN28}) {
    SCOPED_TRACE(board->name);
    const std::int32_t size = board->GetStructureSize();
    ASSERT_GT(size, 0);
    std::vector<std::uint8_t> record(static_cast<std::size_t>(size));
    void* device = record.data();
    ASSERT_EQ(board->Open(device, 0x10001), 0);
    EXPECT_EQ(Board(board->family).board_number, 0x10001);
    ASSERT_EQ(board->Initialize(device, 1), 0);

    constexpr int kFrames = 300;
    constexpr std::int32_t kTicks = 8;
    std::vector<std::int16_t> output;
    for (int frame = 0; frame < kFrames; ++frame) {
      output.push_back(static_cast<std::int16_t>(10 * frame));
      output.push_back(static_cast<std::int16_t>(-10 * frame));
    }
    output.push_back(0);  // the ZRV-24 sends a value only when one follows
    ASSERT_EQ(board->InitializeAcquisition(device), 0);
    ASSERT_EQ(board->SetSequence(device, 2, board->sequence.data()), 0);
    ASSERT_EQ(board->WriteFIFO(device, static_cast<std::int32_t>(output.size()), output.data()), 0);
    ASSERT_EQ(board->SetSamplingInterval(device, kTicks), 0);
    ASSERT_EQ(board->Start(device, 0, 1, 1, 0), 0);
    ZRVSimBoardState state = Board(board->family);
    EXPECT_EQ(state.ticks, kTicks);
    EXPECT_EQ(std::vector<std::int32_t>(state.start_arguments, state.start_arguments + 4),
              (std::vector<std::int32_t>{0, 1, 1, 0}));
    EXPECT_EQ(std::vector<std::uint16_t>(state.sequence, state.sequence + 2),
              std::vector<std::uint16_t>(board->sequence.begin(), board->sequence.end()));

    std::int32_t count = 0;
    ASSERT_EQ(board->GetFIFOReadAvailable(device, count), 0);
    EXPECT_EQ(count, -board->pipeline);
    Platform::Advance((board->pipeline + 2 * kFrames + 0.5) * kTicks * board->tick);
    ASSERT_EQ(board->GetFIFOReadAvailable(device, count), 0);
    EXPECT_EQ(count, 2 * kFrames);
    std::vector<std::int16_t> pipeline(static_cast<std::size_t>(board->pipeline));
    ASSERT_EQ(board->ReadFIFO(device, board->pipeline, pipeline.data()), 0);
    std::vector<std::int16_t> input(2 * kFrames);
    ASSERT_EQ(board->ReadFIFO(device, 2 * kFrames, input.data()), 0);
    EXPECT_EQ(input, std::vector<std::int16_t>(output.begin(), output.end() - 1));

    std::int32_t flag = -1;
    ASSERT_EQ(board->GetFIFOOverflow(device, flag), 0);
    EXPECT_EQ(flag, 0);
    ZRVSim_InjectOverflow(board->family);
    ASSERT_EQ(board->GetFIFOOverflow(device, flag), 0);
    EXPECT_EQ(flag, 1);
    ASSERT_EQ(board->IsClipping(device, flag), 0);
    EXPECT_EQ(flag, 0);
    ZRVSim_InjectClipping(board->family, 0);
    ASSERT_EQ(board->IsClipping(device, flag), 0);
    EXPECT_EQ(flag, 1);

    ASSERT_EQ(board->Stop(device), 0);
    EXPECT_FALSE(Board(board->family).running);
    std::array<char, 12> text{};
    ASSERT_EQ(board->GetStatusText(device, 9, text), 0);
    EXPECT_STREQ(text.data(), "Output FIFO");
    ASSERT_EQ(board->Close(device), 0);
    EXPECT_FALSE(Board(board->family).open);
    EXPECT_EQ(board->Initialize(device, 0), 2) << "closed";
  }
}

TEST_F(BoardWrappers, ZRV28SettingsReachTheBoard) {
  ZRVSimSettings settings = Settings(kZRVSimZRV28);
  settings.fifo_samples = 0x80000;
  Configure(kZRVSimZRV28, settings);
  std::vector<std::uint8_t> record(static_cast<std::size_t>(QRN28_GetStructureSize()));
  void* device = record.data();
  EXPECT_EQ(QRN28_GetFIFOSize(device), 0) << "not open";
  ASSERT_EQ(QRN28_Open(device, 2), 0);
  ASSERT_EQ(QRN28_Initialize(device, 1), 0);
  EXPECT_EQ(QRN28_GetFIFOSize(device), 0x80000);

  std::array<std::int32_t, ZRVLibraryCalls::kRangeCount> ranges{};
  ranges[3] = 2;
  ranges[21] = 3;
  ASSERT_EQ(QRN28_SetRange(device, ranges), 0);
  const ZRVSimBoardState state = Board(kZRVSimZRV28);
  EXPECT_EQ(std::vector<std::int32_t>(state.ranges, state.ranges + ranges.size()),
            std::vector<std::int32_t>(ranges.begin(), ranges.end()));

  const std::array<std::int32_t, ZRVLibraryCalls::kDacShiftCount> shifts{3, 1, 4, 1};
  EXPECT_EQ(QRN28_SetDACShift(device, shifts), 11) << "only in logic configuration 2";
  ASSERT_EQ(QRN28_Initialize(device, 2), 0);
  ASSERT_EQ(QRN28_SetDACShift(device, shifts), 0);
  EXPECT_EQ(Board(kZRVSimZRV28).dac_shifts[2], 4);
  ASSERT_EQ(QRN28_SetExternalTriggerMode(device, 1, 1), 0);
  EXPECT_EQ(Board(kZRVSimZRV28).external_trigger_mode[0], 1);
  EXPECT_EQ(Board(kZRVSimZRV28).external_trigger_mode[1], 1);
  EXPECT_EQ(Board(kZRVSimZRV28).mode, 2);
}

}  // namespace
