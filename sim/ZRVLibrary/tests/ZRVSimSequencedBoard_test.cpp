#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/ZRVLibrary/tests/ZRVSim_fixture.h"

namespace {

using namespace ZRVSimTest;
using ZRVLibraryCalls::kRangeCount;

class SequencedBoard : public Library {};

// Sequence of n steps, step i converting input i without output.
std::vector<std::uint16_t> InputsOnly(const Family& family, int steps) {
  std::vector<std::uint16_t> sequence;
  for (int i = 0; i < steps; ++i) {
    sequence.push_back(family.family == kZRVSimZRV24 ? ZRV24Word(0, i)
                                                     : ZRV28Word(7, i, i == steps - 1, false));
  }
  return sequence;
}

TEST_F(SequencedBoard, BoardNumbersRecordsAndBusyBoards) {
  for (const Family* family : {&kZRV24, &kZRV28}) {
    SCOPED_TRACE(family->family);
    for (const std::int32_t number : {0, 1, 2, 0x10000, 0x10001, 0x10002}) {
      Board board(*family);
      EXPECT_EQ(board.Open(number), 0);
      EXPECT_EQ(board.State().board_number, number);
      EXPECT_EQ(family->Close(board.device()), 0);
    }
    for (const std::int32_t number : {-1, 3, 0x10003, 0x20000}) {
      Board board(*family);
      EXPECT_EQ(board.Open(number), ZRVLibraryCalls::kStatusNoBoardAnswer);
    }
    Board first(*family);
    Board second(*family);
    ASSERT_EQ(first.Open(), 0);
    EXPECT_EQ(second.Open(), 3);
    EXPECT_EQ(family->Initialize(second.device()), 2) << "a record the board did not open";
    EXPECT_EQ(family->Initialize(nullptr), 2);
    EXPECT_EQ(family->Close(first.device()), 0);
    EXPECT_EQ(family->Initialize(first.device()), 2) << "closed";
  }
  EXPECT_EQ(kZRV24.GetStructureSize(), 384);
  EXPECT_EQ(kZRV28.GetStructureSize(), 512);
}

// The counter starts at minus the pipeline, which holds 5 values on the
// ZRV-24 and 2L + 3 on a ZRV-28 sequence of L > 1 steps (else 5); the
// first values read are the pipeline fill, then the conversions.
TEST_F(SequencedBoard, CounterFollowsTheClockBehindThePipeline) {
  struct Case {
    const Family* family;
    int steps;
    int pipeline;
  };
  const Case cases[] = {{&kZRV24, 1, 5}, {&kZRV24, 4, 5},  {&kZRV28, 1, 5},
                        {&kZRV28, 2, 7}, {&kZRV28, 4, 11}, {&kZRV28, 8, 19}};
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::Message() << test.family->family << " steps " << test.steps);
    ZRVSim_Reset();
    FixedVolts wiring;
    for (int adc = 0; adc < 8; ++adc) wiring.volts[adc] = 0.5 * (adc + 1);
    ZRVSim_SetWiring(&wiring);
    Board board(*test.family);
    board.Ready();
    ASSERT_EQ(board.Sweep(InputsOnly(*test.family, test.steps), 10, {}), 0);
    EXPECT_EQ(board.Available(), -test.pipeline);
    board.Steps(test.pipeline - 1);
    EXPECT_EQ(board.Available(), -1);
    board.Steps(test.steps + 2);
    EXPECT_EQ(board.Available(), test.steps + 1);
    const std::vector<std::int16_t> values = board.Read(test.pipeline + test.steps + 1);
    for (int n = 0; n < test.pipeline; ++n) EXPECT_EQ(values[n], kPipelineFill) << n;
    for (int k = 0; k <= test.steps; ++k) {
      EXPECT_EQ(values[test.pipeline + k], 1600 * (k % test.steps + 1)) << k;
    }
    EXPECT_EQ(board.Available(), 0);
    ZRVSim_SetWiring(nullptr);
  }
}

// Output and input of each step in loopback: the ADC of a step sees the
// DAC that the same step has just set, digital words included.
TEST_F(SequencedBoard, SequenceWordsRouteOutputsAndInputs) {
  struct Case {
    const Family* family;
    std::vector<std::uint16_t> sequence;
    int pipeline;
  };
  // ZRV-24: DAC i to ADC i + 4 (which the loopback wires to DAC i), then
  // the digital word out and in. ZRV-28: DAC i to ADC i, the digital word
  // (select 5) out and the digital input (select 8) in.
  const Case cases[] = {
      {&kZRV24,
       {ZRV24Word(0, 4), ZRV24Word(1, 5), ZRV24Word(2, 6), ZRV24Word(3, 7), 0x60},
       5},
      {&kZRV28,
       {ZRV28Word(0, 0, false, true), ZRV28Word(1, 1, false, true), ZRV28Word(2, 2, false, true),
        ZRV28Word(3, 3, false, true), ZRV28Word(5, 8, true, true)},
       13},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.family->family);
    ZRVSim_Reset();
    Board board(*test.family);
    board.Ready();
    const int steps = static_cast<int>(test.sequence.size());
    const int frames = 6;
    std::vector<std::int16_t> output;
    for (int frame = 0; frame < frames; ++frame) {
      for (int step = 0; step < steps; ++step) {
        output.push_back(static_cast<std::int16_t>(step == 4 ? 0x1230 + frame : 1000 * step - 100 * frame));
      }
    }
    output.push_back(0);  // the ZRV-24 sends a value only when one follows
    ASSERT_EQ(board.Sweep(test.sequence, 8, output), 0);
    board.Steps(test.pipeline + frames * steps);
    const std::vector<std::int16_t> values = board.Read(test.pipeline + frames * steps);
    for (int n = 0; n < frames * steps; ++n) EXPECT_EQ(values[test.pipeline + n], output[n]) << n;
    const ZRVSimBoardState state = board.State();
    EXPECT_EQ(state.outputs.user_digital[0], 0x1230 + frames - 1);
    EXPECT_DOUBLE_EQ(state.outputs.dac_volts[3], (3000 - 100 * (frames - 1)) / 3200.0);
  }
}

TEST_F(SequencedBoard, ZRV24PortsAndZRV28TlvPort) {
  Board zrv24(kZRV24);
  zrv24.Ready();
  ASSERT_EQ(zrv24.Sweep({0x40}, 10, {0x4321, 0}), 0);
  zrv24.Steps(3);
  EXPECT_EQ(zrv24.State().outputs.user_digital[0], 0x4321);
  EXPECT_EQ(zrv24.State().outputs.tlv_digital[0], 0x4321);

  Board zrv28(kZRV28);
  zrv28.Ready();
  ASSERT_EQ(zrv28.Sweep({ZRV28Word(4, 8, true, true)}, 10, {0x4000, 0x4000, 0x4000}), 0);
  zrv28.Steps(3);
  EXPECT_EQ(zrv28.State().outputs.tlv_digital[0], 0x4000);
  EXPECT_EQ(zrv28.State().outputs.user_digital[0], 0);
}

// The ZRV-24 keeps its last queued value back; the ZRV-28 waits for three
// values before it sends the first.
TEST_F(SequencedBoard, OutputFifoLookAhead) {
  Board zrv24(kZRV24);
  zrv24.Ready();
  ASSERT_EQ(zrv24.Sweep({ZRV24Word(0, 0)}, 10, {3200}), 0);
  zrv24.Steps(10);
  EXPECT_EQ(zrv24.State().outputs.dac_volts[0], 0.0);
  const std::int16_t next = 6400;
  ASSERT_EQ(ZRV24_WriteFIFO(zrv24.device(), 1, &next), 0);
  zrv24.Steps(10);
  EXPECT_EQ(zrv24.State().outputs.dac_volts[0], 1.0);
  EXPECT_EQ(zrv24.State().output_fifo, 1);

  Board zrv28(kZRV28);
  zrv28.Ready();
  ASSERT_EQ(zrv28.Sweep({ZRV28Word(0, 0, true, true)}, 10, {3200, 6400}), 0);
  zrv28.Steps(10);
  EXPECT_EQ(zrv28.State().outputs.dac_volts[0], 0.0);
  const std::int16_t third = 9600;
  ASSERT_EQ(ZRV28_WriteFIFO(zrv28.device(), 1, &third), 0);
  zrv28.Steps(10);
  EXPECT_EQ(zrv28.State().outputs.dac_volts[0], 3.0);
  EXPECT_EQ(zrv28.State().output_fifo, 0);
}

// A full input FIFO drops conversions and latches the overflow; an injected
// overflow shows once; a new sweep clears both. Long idle spans end at once.
TEST_F(SequencedBoard, OverflowLatchesAndInjectedOverflowShowsOnce) {
  ZRVSimSettings settings;
  ZRVSim_GetSettings(kZRVSimZRV24, &settings);
  settings.fifo_samples = 64;
  ZRVSim_SetSettings(kZRVSimZRV24, &settings);
  Board board(kZRV24);
  board.Ready();
  std::int32_t flag = -1;
  ASSERT_EQ(board.Sweep({ZRV24Word(0, 0)}, 5, {}), 0);
  board.Steps(64);
  ASSERT_EQ(ZRV24_GetFIFOOverflow(board.device(), &flag), 0);
  EXPECT_EQ(flag, 0);
  board.Steps(1);
  for (int ask = 0; ask < 2; ++ask) {
    ASSERT_EQ(ZRV24_GetFIFOOverflow(board.device(), &flag), 0);
    EXPECT_EQ(flag, 1);
  }
  EXPECT_EQ(board.Available(), 64 - 5);
  Wait(10'000'000'000'000);  // hours of 5 us steps
  EXPECT_EQ(board.Available(), 64 - 5);

  ASSERT_EQ(ZRV24_Stop(board.device()), 0);
  ASSERT_EQ(board.Sweep({ZRV24Word(0, 0)}, 5, {}), 0);
  ZRVSim_InjectOverflow(kZRVSimZRV24);
  ASSERT_EQ(ZRV24_GetFIFOOverflow(board.device(), &flag), 0);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(ZRV24_GetFIFOOverflow(board.device(), &flag), 0);
  EXPECT_EQ(flag, 0);
}

TEST_F(SequencedBoard, ZRV28RangesScaleInputsAndClippingIsReadOnce) {
  FixedVolts wiring;
  for (double& volts : wiring.volts) volts = 2.0;
  ZRVSim_SetWiring(&wiring);
  Board board(kZRV28);
  board.Ready();
  std::int32_t ranges[kRangeCount] = {0, 1, 2, 3};
  ASSERT_EQ(ZRV28_SetRange(board.device(), ranges), 0);
  std::int32_t flag = -1;
  ASSERT_EQ(ZRV28_IsClipping(board.device(), &flag), 0);
  EXPECT_EQ(flag, 0);
  ASSERT_EQ(board.Sweep(InputsOnly(kZRV28, 4), 10, {}), 0);
  board.Steps(11 + 4);
  const std::vector<std::int16_t> values = board.Read(11 + 4);
  EXPECT_EQ(std::vector<std::int16_t>(values.begin() + 11, values.end()),
            (std::vector<std::int16_t>{6400, 12800, 32000, 32767}));
  ASSERT_EQ(ZRV28_IsClipping(board.device(), &flag), 0);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(ZRV28_IsClipping(board.device(), &flag), 0);
  EXPECT_EQ(flag, 0);
  ZRVSim_InjectClipping(kZRVSimZRV28, 0);
  ASSERT_EQ(ZRV28_IsClipping(board.device(), &flag), 0);
  EXPECT_EQ(flag, 1);

  ranges[5] = 4;
  EXPECT_EQ(ZRV28_SetRange(board.device(), ranges), 5);
  EXPECT_EQ(board.State().ranges[5], 0);
  ZRVSim_SetWiring(nullptr);
}

TEST_F(SequencedBoard, StalledBoardAndGarbageCounter) {
  ZRVSimSettings settings;
  ZRVSim_GetSettings(kZRVSimZRV28, &settings);
  settings.stalled_units = 1;
  ZRVSim_SetSettings(kZRVSimZRV28, &settings);
  Board board(kZRV28);
  board.Ready();
  ASSERT_EQ(board.Sweep(InputsOnly(kZRV28, 1), 80, {}), 0);
  board.Steps(1000);
  EXPECT_EQ(board.Available(), -5);
  settings.stalled_units = 0;
  settings.garbage_counter = 1;
  ZRVSim_SetSettings(kZRVSimZRV28, &settings);
  EXPECT_EQ(board.Available(), 0x7FFFFFFF);
}

TEST_F(SequencedBoard, ZRV28ModesSequencesAndFifoSize) {
  ZRVSimSettings settings;
  ZRVSim_GetSettings(kZRVSimZRV28, &settings);
  EXPECT_EQ(settings.fifo_samples, 0x40000);
  settings.fifo_samples = 0x80000;
  ZRVSim_SetSettings(kZRVSimZRV28, &settings);
  Board board(kZRV28);
  ASSERT_EQ(board.Open(), 0);
  EXPECT_EQ(ZRV28_GetFIFOSize(board.device()), 0x80000);
  EXPECT_EQ(ZRV28_Initialize(board.device(), 3), 5);
  ASSERT_EQ(ZRV28_Initialize(board.device(), 0), 0);
  const std::int32_t shifts[ZRVLibraryCalls::kDacShiftCount] = {1, 2, 3, 4};
  EXPECT_EQ(ZRV28_SetDACShift(board.device(), shifts), 11);
  ASSERT_EQ(ZRV28_Initialize(board.device(), 2), 0);
  EXPECT_EQ(ZRV28_SetDACShift(board.device(), shifts), 0);
  EXPECT_EQ(board.State().dac_shifts[3], 4);
  EXPECT_EQ(board.State().mode, 2);
  ASSERT_EQ(ZRV28_SetExternalTriggerMode(board.device(), 1, 1), 0);
  EXPECT_EQ(board.State().external_trigger_mode[1], 1);

  // The last-step bit belongs on the last word and on it only.
  ASSERT_EQ(ZRV28_InitializeAcquisition(board.device()), 0);
  const std::uint16_t noLast[] = {ZRV28Word(0, 0, false, true), ZRV28Word(1, 1, false, true)};
  const std::uint16_t earlyLast[] = {ZRV28Word(0, 0, true, true), ZRV28Word(1, 1, true, true)};
  const std::uint16_t good[] = {ZRV28Word(0, 0, false, true), ZRV28Word(1, 1, true, true)};
  EXPECT_EQ(ZRV28_SetSequence(board.device(), 2, noLast), 5);
  EXPECT_EQ(ZRV28_SetSequence(board.device(), 2, earlyLast), 5);
  EXPECT_EQ(ZRV28_SetSequence(board.device(), 2, good), 0);
  EXPECT_EQ(board.State().sequence_loads, 1);
}

TEST_F(SequencedBoard, TriggeredStartWaitsForTheTrigger) {
  Board board(kZRV24);
  board.Ready();
  ASSERT_EQ(board.Sweep({ZRV24Word(0, 0)}, 10, {}, 1), 0);
  board.Steps(100);
  EXPECT_EQ(board.Available(), -5);
  EXPECT_TRUE(board.State().waiting_for_trigger);
  ZRVSim_Trigger(kZRVSimZRV24);
  board.Steps(8);
  EXPECT_EQ(board.Available(), 3);
}

TEST_F(SequencedBoard, RefusedCalls) {
  Board board(kZRV24);
  board.Ready();
  std::int16_t values[8] = {};
  EXPECT_EQ(ZRV24_Start(board.device(), 0, 0, 1, 1), 8) << "no sweep prepared";
  ASSERT_EQ(board.Sweep({ZRV24Word(0, 0)}, 10, {}), 0);
  EXPECT_EQ(ZRV24_Start(board.device(), 0, 0, 1, 1), 7);
  EXPECT_EQ(ZRV24_InitializeAcquisition(board.device()), 7);
  board.Steps(5 + 2);
  EXPECT_EQ(ZRV24_ReadFIFO(board.device(), 8, values), 10);
  EXPECT_EQ(ZRV24_ReadFIFO(board.device(), 7, values), 0);
  std::vector<std::int16_t> full(0x4000);
  EXPECT_EQ(ZRV24_WriteFIFO(board.device(), 0x4000, full.data()), 0);
  EXPECT_EQ(ZRV24_WriteFIFO(board.device(), 1, full.data()), 9);
  EXPECT_EQ(ZRV24_SetSamplingInterval(board.device(), 5), 7);
  ASSERT_EQ(ZRV24_Stop(board.device()), 0);
  EXPECT_EQ(ZRV24_SetSamplingInterval(board.device(), 0), 5);

  char text[16];
  EXPECT_EQ(ZRV24_GetStatusText(nullptr, 9, text, sizeof text), 0);
  EXPECT_STREQ(text, "Output FIFO ful");
  EXPECT_EQ(ZRV28_GetStatusText(nullptr, 12345, text, sizeof text), 0);
  EXPECT_STREQ(text, "Unknown status ");
  EXPECT_EQ(ZRV24_GetStatusText(nullptr, 0, text, 0), 5);
}

}  // namespace
