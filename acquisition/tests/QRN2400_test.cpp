#include "acquisition/QRN2400.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/ZRVLibraryCalls.h"
#include "acquisition/tests/ZRVStandIn_fixture.h"
#include "foundation/platform/Clock.h"

namespace {

using ZRVLibraryCalls::kStatusOpticalLinkNotWorking;

class QRN2400 : public ZRVStandIn {
 protected:
  void Ready(std::int32_t racks = 1) {
    ZRVSimSettings settings = Settings(kZRVSimQRN2400);
    settings.racks = racks;
    Configure(kZRVSimQRN2400, settings);
    ASSERT_EQ(QRN2400_LoadLibrary(), 0);
    ASSERT_EQ(QRN2400_OpenDevice(handle, 0), 0);
    std::uint32_t master = 0;
    std::uint32_t slave = 0;
    ASSERT_EQ(QRN2400_Initialize(handle, 0, master, slave), 0);
  }

  void* handle = nullptr;
};

// A sweep as the AD/DA layer hands it to the backend.
struct Sweep {
  std::vector<std::int32_t> dacChannels;
  std::vector<std::int32_t> adcChannels;
  std::vector<std::int32_t> dacSlots;
  std::vector<std::int32_t> adcSlots;
  std::int32_t dacSamples = 1;
  std::int32_t adcSamples = 1;
  bool trigger = false;
  bool triggerMode = false;
  bool stimulate = true;
  bool wholeOutput = true;
  double clockInterval = 10e-6;
  std::int32_t adcDivider = 1;
  std::int32_t dacDivider = 1;
  std::vector<std::vector<std::int16_t>> data;  // DAC vectors, then ADC vectors

  // Fills the DAC vectors with distinct ramps and sizes the ADC vectors.
  void MakeData() {
    data.clear();
    for (std::size_t n = 0; n < dacChannels.size(); ++n) {
      std::vector<std::int16_t> ramp(static_cast<std::size_t>(dacSamples));
      for (std::size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<std::int16_t>(1000 * (n + 1) + k);
      data.push_back(ramp);
    }
    for (std::size_t i = 0; i < adcChannels.size(); ++i) {
      data.emplace_back(static_cast<std::size_t>(adcSamples), -1);
    }
  }

  std::vector<std::int16_t*> Vectors() {
    std::vector<std::int16_t*> vectors;
    for (auto& vector : data) vectors.push_back(vector.data());
    return vectors;
  }

  std::int32_t Start(void* handle, std::int32_t& singleScan, std::vector<std::int16_t*> vectors) {
    return QRN2400_StartStimAndSample(
        handle, static_cast<std::int32_t>(dacChannels.size()),
        static_cast<std::int32_t>(adcChannels.size()), dacSamples, adcSamples, trigger, triggerMode,
        stimulate, wholeOutput, dacChannels.data(), adcChannels.data(), dacSlots.data(),
        adcSlots.data(), clockInterval, adcDivider, dacDivider, vectors.data(), singleScan);
  }
};

TEST_F(QRN2400, OpenInitialiseInfoAndVersions) {
  ASSERT_EQ(QRN2400_LoadLibrary(), 0);
  struct FifoCase {
    std::int32_t samples;
    std::int32_t bytes;
  };
  for (const FifoCase test : {FifoCase{1, 4096}, FifoCase{1024, 4096}, FifoCase{1025, 8192}}) {
    ASSERT_EQ(QRN2400_SetFifoSize(test.samples), 0);
    EXPECT_EQ(BytesOf(Board(kZRVSimQRN2400).config), Layout(32).Int32(0, test.bytes).bytes());
  }
  ASSERT_EQ(QRN2400_OpenDevice(handle, 4), 0);
  EXPECT_NE(handle, nullptr);
  EXPECT_EQ(Board(kZRVSimQRN2400).board_number, 4);

  // Sync mode 1 is the clock master (2), sync mode 2 the slave (1).
  std::uint32_t master = 7;
  std::uint32_t slave = 7;
  for (const auto& [syncMode, clockMode] : {std::pair{0, 0}, std::pair{1, 2}, std::pair{2, 1}, std::pair{3, 0}}) {
    ASSERT_EQ(QRN2400_Initialize(handle, syncMode, master, slave), 0);
    EXPECT_EQ(BytesOf(Board(kZRVSimQRN2400).init), Layout(24).Int32(0, clockMode).bytes());
  }
  EXPECT_EQ(master, (840u << 16) | 1234u);
  EXPECT_EQ(slave, 0xFFFFFFFFu);

  std::int32_t fifo = -1;
  std::int32_t dacs = -1;
  std::int32_t adcs = -1;
  std::int32_t racks = -1;
  ASSERT_EQ(QRN2400_GetInfo(handle, fifo, dacs, adcs, racks), 0);
  EXPECT_EQ(fifo, 4096);  // the configured 8192 bytes
  EXPECT_EQ(dacs, 4);
  EXPECT_EQ(adcs, 8);
  EXPECT_EQ(racks, 1);

  struct VersionCase {
    std::int32_t first;
    std::int32_t second;
  };
  for (const VersionCase test : {VersionCase{19, 1}, VersionCase{-1, 0}, VersionCase{10001, 3}}) {
    ZRVSim_SetDriverVersion(test.first, test.second);
    std::int32_t first = 0;
    std::int32_t second = 0;
    ASSERT_EQ(QRN2400_GetDriverVersion(handle, first, second), 0);
    EXPECT_EQ(first, test.first);
    EXPECT_EQ(second, test.second);
  }
  std::int32_t digitalIn = 0;
  std::int32_t digitalOut = 0;
  QRN2400_GetDigChanOffsets(digitalIn, digitalOut);
  EXPECT_EQ(digitalIn, 26);
  EXPECT_EQ(digitalOut, 8);

  ASSERT_EQ(QRN2400_CloseDevice(handle), 0);
  // A failing library leaves the outputs alone.
  EXPECT_NE(QRN2400_GetInfo(handle, fifo, dacs, adcs, racks), 0);
  EXPECT_EQ(fifo, 4096);
  EXPECT_EQ(racks, 1);
  char text[64];
  ASSERT_EQ(QRN2400_GetStatusText(handle, kStatusOpticalLinkNotWorking, text), 0);
  EXPECT_STREQ(text, "Optical link not working.");
}

TEST_F(QRN2400, OpticalLinkFailuresKeepTheSerialNumbers) {
  ZRVSimSettings settings = Settings(kZRVSimQRN2400);
  settings.optical_link_failures = 2;
  settings.racks = 2;
  settings.slave_serial = 123456;
  Configure(kZRVSimQRN2400, settings);
  ASSERT_EQ(QRN2400_LoadLibrary(), 0);
  ASSERT_EQ(QRN2400_OpenDevice(handle, 0), 0);
  std::uint32_t master = 7;
  std::uint32_t slave = 7;
  EXPECT_EQ(QRN2400_Initialize(handle, 0, master, slave), kStatusOpticalLinkNotWorking);
  EXPECT_EQ(QRN2400_Initialize(handle, 0, master, slave), kStatusOpticalLinkNotWorking);
  EXPECT_EQ(master, 7u);
  EXPECT_EQ(slave, 7u);
  ASSERT_EQ(QRN2400_Initialize(handle, 0, master, slave), 0);
  EXPECT_EQ(slave, 123456u);
  std::int32_t fifo = 0;
  std::int32_t dacs = 0;
  std::int32_t adcs = 0;
  std::int32_t racks = 0;
  ASSERT_EQ(QRN2400_GetInfo(handle, fifo, dacs, adcs, racks), 0);
  EXPECT_EQ(fifo, 0x100000);
  EXPECT_EQ(dacs, 8);
  EXPECT_EQ(adcs, 16);
  EXPECT_EQ(racks, 2);
}

TEST_F(QRN2400, SingleValuesAndTheirRecords) {
  Ready(2);
  ASSERT_EQ(QRN2400_SetDac(handle, 5, -1600), 0);
  EXPECT_EQ(BytesOf(Board(kZRVSimQRN2400).io[0]),
            Layout(24).Int16(0, 1).Int16(4, 5).Int32(8, -1600).bytes());
  std::int32_t value = 0;
  ASSERT_EQ(QRN2400_ReadAdc(handle, 9, value), 0);
  EXPECT_EQ(value, -1600) << "rack 2: ADC 9 sees DAC 5";
  EXPECT_EQ(BytesOf(Board(kZRVSimQRN2400).io[0]), Layout(24).Int16(4, 9).bytes());

  ASSERT_EQ(QRN2400_SetDac(handle, 0, 320), 0);
  ASSERT_EQ(QRN2400_SetDac(handle, 2, 640), 0);
  ASSERT_EQ(QRN2400_SetDac(handle, 10, 0x1234), 0);  // user port
  ASSERT_EQ(QRN2400_SetDac(handle, 9, 0xC000), 0);   // TLV port
  const std::int32_t channels[] = {0, 2, 6, 27, 28};
  double values[3] = {};
  std::uint16_t digital[2] = {};
  ASSERT_EQ(QRN2400_ReadAll(handle, 5, channels, values, digital), 0);
  EXPECT_EQ(values[0], 320.0);
  EXPECT_EQ(values[1], 640.0);
  EXPECT_EQ(values[2], 640.0);
  EXPECT_EQ(digital[0], 0x1234);
  EXPECT_EQ(digital[1], 0xC000);
  EXPECT_EQ(Board(kZRVSimQRN2400).io_count, 5);

  // The value of a failing read is what the library left: the record's 0.
  value = 99;
  EXPECT_EQ(QRN2400_ReadAdc(handle, 29, value), 6);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(QRN2400_ReadAll(handle, 1, channels, values, digital), kQRN2400BadCount);
  EXPECT_EQ(QRN2400_ReadAll(handle, kQRN2400MaxRecords + 1, channels, values, digital), kQRN2400BadCount);
}

// When a sweep runs in one library call, and when it runs continuously.
TEST_F(QRN2400, SingleScanDecision) {
  struct Case {
    const char* name;
    int dacs;
    int adcs;
    std::int32_t dacSamples;
    std::int32_t adcSamples;
    bool trigger;
    bool wholeOutput;
    std::int32_t firstDac;
    std::int32_t firstAdc;
    std::int32_t askSingleScan;
    std::int32_t single;
  };
  // 10 us clock and divider 1: 2 ticks of 5 us per sample.
  const Case cases[] = {
      {"fits", 1, 1, 100, 100, false, true, 0, 0, 1, 1},
      {"not asked", 1, 1, 100, 100, false, true, 0, 0, 0, 0},
      {"triggered", 1, 1, 100, 100, true, true, 0, 0, 1, 0},
      {"output continues", 1, 1, 100, 100, false, false, 0, 0, 1, 0},
      {"DAC ticks 1024", 1, 1, 512, 1, false, true, 0, 0, 1, 1},
      {"DAC ticks 1026", 1, 1, 513, 1, false, true, 0, 0, 1, 0},
      {"ADC ticks 1028", 1, 2, 1, 257, false, true, 0, 0, 1, 0},
      {"15 channels", 7, 8, 1, 1, false, true, 0, 0, 1, 1},
      {"16 channels", 8, 8, 1, 1, false, true, 0, 0, 1, 0},
      {"digital out, one sample", 1, 1, 1, 1, false, true, 8, 0, 1, 1},
      {"digital out, two samples", 1, 1, 2, 2, false, true, 8, 0, 1, 0},
      {"digital in, one sample", 1, 1, 1, 1, false, true, 0, 26, 1, 1},
      {"digital in, two samples", 1, 1, 1, 2, false, true, 0, 26, 1, 0},
      // 2 ticks x 1 x (2^31 - 1) samples is -2 in 32-bit arithmetic.
      {"huge", 1, 1, 1, 0x7FFFFFFF, false, true, 0, 0, 1, 0},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    ZRVSim_Reset();
    Ready(2);
    Sweep sweep;
    for (int n = 0; n < test.dacs; ++n) sweep.dacChannels.push_back(n == 0 ? test.firstDac : n);
    for (int i = 0; i < test.adcs; ++i) sweep.adcChannels.push_back(i == 0 ? test.firstAdc : i);
    sweep.dacSlots.assign(sweep.dacChannels.size(), 1);
    sweep.adcSlots.assign(sweep.adcChannels.size(), 1);
    sweep.dacSamples = test.dacSamples;
    sweep.adcSamples = test.adcSamples;
    sweep.trigger = test.trigger;
    sweep.wholeOutput = test.wholeOutput;
    // Vectors large enough for what a single scan would touch.
    std::vector<std::int16_t> scratch(1024, 0);
    std::vector<std::int16_t*> vectors(sweep.dacChannels.size() + sweep.adcChannels.size(), scratch.data());
    std::int32_t singleScan = test.askSingleScan;
    ASSERT_EQ(sweep.Start(handle, singleScan, vectors), 0);
    EXPECT_EQ(singleScan, test.single);
    const ZRVSimBoardState state = Board(kZRVSimQRN2400);
    EXPECT_EQ(state.scan_count, test.single ? test.dacs + test.adcs : 0);
    EXPECT_EQ(state.channel_count, test.single ? 0 : test.dacs + test.adcs);
  }
}

// A one-shot sweep within the FIFO in one call: the data come back channel
// for channel, and the records are as laid out.
TEST_F(QRN2400, SingleScanLoopsBackChannelForChannel) {
  Ready();
  Sweep sweep;
  sweep.dacChannels = {0, 1, 2};
  sweep.adcChannels = {2, 0, 5};
  sweep.dacSlots = {1, 1, 2};
  sweep.adcSlots = {1, 2, 1};
  sweep.dacSamples = 40;
  sweep.adcSamples = 40;
  sweep.clockInterval = 15e-6;  // 3 ticks
  sweep.MakeData();
  std::int32_t singleScan = 1;
  ASSERT_EQ(sweep.Start(handle, singleScan, sweep.Vectors()), 0);
  ASSERT_EQ(singleScan, 1);
  EXPECT_EQ(sweep.data[3], sweep.data[2]);
  EXPECT_EQ(sweep.data[4], sweep.data[0]);
  EXPECT_EQ(sweep.data[5], sweep.data[1]) << "ADC 5 sees DAC 1";
  const ZRVSimBoardState state = Board(kZRVSimQRN2400);
  ASSERT_EQ(state.scan_count, 6);
  EXPECT_EQ(BytesOf(state.scan[1]),
            Layout(40).Int32(0, 1).Int32(4, 1).Int32(20, 40).Int32(24, 3).Pointer(32, sweep.data[1].data()).bytes());
  EXPECT_EQ(BytesOf(state.scan[5]),
            Layout(40).Int32(4, 5).Int32(20, 40).Int32(24, 3).Pointer(32, sweep.data[5].data()).bytes());
}

// An input without a vector gets no record, wherever it stands in the list.
TEST_F(QRN2400, SingleScanSkipsInputsWithoutVector) {
  Ready();
  Sweep sweep;
  sweep.dacChannels = {0};
  sweep.adcChannels = {1, 0};
  sweep.dacSlots = {1};
  sweep.adcSlots = {1, 2};
  sweep.dacSamples = 4;
  sweep.adcSamples = 4;
  sweep.MakeData();
  std::vector<std::int16_t*> vectors = sweep.Vectors();
  vectors[1] = nullptr;
  std::int32_t singleScan = 1;
  ASSERT_EQ(sweep.Start(handle, singleScan, vectors), 0);
  const ZRVSimBoardState state = Board(kZRVSimQRN2400);
  ASSERT_EQ(state.scan_count, 2);
  EXPECT_EQ(state.scan[1].channel, 0);
  EXPECT_EQ(sweep.data[2], sweep.data[0]);
}

TEST_F(QRN2400, ContinuousSweepRecordsByteForByte) {
  Ready();
  Sweep sweep;
  sweep.dacChannels = {0, 9};
  sweep.adcChannels = {26, 0, 1};
  sweep.dacSlots = {1, 2};
  sweep.adcSlots = {0, 1, 3};
  sweep.dacSamples = 50;
  sweep.adcSamples = 50;
  sweep.clockInterval = 15e-6;
  sweep.adcDivider = 4;
  sweep.dacDivider = 3;
  sweep.wholeOutput = false;
  sweep.trigger = true;
  sweep.MakeData();
  std::int32_t singleScan = 0;
  ASSERT_EQ(sweep.Start(handle, singleScan, sweep.Vectors()), 0);
  ZRVSimBoardState state = Board(kZRVSimQRN2400);
  ASSERT_EQ(state.channel_count, 5);
  const auto channel = [&](std::int32_t direction, std::int32_t number, std::int32_t kind,
                           double delay, std::int32_t divider) {
    return Layout(96).Int32(4, direction).Int32(8, number).Int32(16, kind).Int32(44, 33)
        .Double(48, 15e-6).Double(56, delay).Int32(80, divider).bytes();
  };
  EXPECT_EQ(BytesOf(state.channels[0]), channel(1, 0, 2, 0.0, 3));
  EXPECT_EQ(BytesOf(state.channels[1]), channel(1, 9, 2, 5e-6, 3));
  EXPECT_EQ(BytesOf(state.channels[2]), channel(0, 26, 1, 0.0, 4));
  EXPECT_EQ(BytesOf(state.channels[3]), channel(0, 0, 1, 0.0, 4));
  EXPECT_EQ(BytesOf(state.channels[4]), channel(0, 1, 1, 10e-6, 4));
  ASSERT_EQ(state.fifo_count, 2);
  EXPECT_EQ(BytesOf(state.fifo[1]),
            Layout(24).Int16(0, 1).Int16(2, 2).Int16(4, 9).Int32(8, 50).Pointer(16, sweep.data[1].data()).bytes());
  EXPECT_EQ(BytesOf(state.start), Layout(48).Int32(0, 1).Int32(4, 1).Int32(16, 0xA0002).bytes());
  EXPECT_TRUE(state.waiting_for_trigger);

  // Whole output: command bits 6; external trigger mode: trigger word 256.
  ASSERT_EQ(QRN2400_Stop(handle), 0);
  sweep.wholeOutput = true;
  sweep.triggerMode = true;
  ASSERT_EQ(sweep.Start(handle, singleScan, sweep.Vectors()), 0);
  state = Board(kZRVSimQRN2400);
  EXPECT_EQ(state.fifo[0].command, 6);
  EXPECT_EQ(BytesOf(state.start), Layout(48).Int32(0, 256).Int32(4, 1).Int32(16, 0xA0002).bytes());

  // Without stimulation nothing is loaded and the output stays off.
  ASSERT_EQ(QRN2400_Stop(handle), 0);
  sweep.trigger = false;
  sweep.stimulate = false;
  sweep.dacChannels.clear();
  sweep.dacSlots.clear();
  sweep.MakeData();
  ZRVSim_Reset();
  Ready();
  ASSERT_EQ(sweep.Start(handle, singleScan, sweep.Vectors()), 0);
  state = Board(kZRVSimQRN2400);
  EXPECT_EQ(state.fifo_count, 0);
  EXPECT_EQ(BytesOf(state.start), Layout(48).Int32(16, 0xA0002).bytes());
}

// A continuous sweep longer than its first load: the AD/DA layer's poll,
// read and append, with the data back channel for channel.
TEST_F(QRN2400, ContinuousSweepPollReadAppend) {
  Ready();
  Sweep sweep;
  sweep.dacChannels = {0, 1};
  sweep.adcChannels = {0, 1};
  sweep.dacSlots = {1, 1};
  sweep.adcSlots = {1, 2};
  sweep.dacSamples = 200;
  sweep.adcSamples = 200;
  sweep.wholeOutput = false;
  sweep.MakeData();
  const std::vector<std::int16_t> dac0 = sweep.data[0];
  const std::vector<std::int16_t> dac1 = sweep.data[1];
  // The first load holds half of the stimulus, the append the rest.
  sweep.dacSamples = 100;
  std::int32_t singleScan = 0;
  ASSERT_EQ(sweep.Start(handle, singleScan, sweep.Vectors()), 0);

  std::vector<std::int16_t> adc0;
  std::vector<std::int16_t> adc1;
  bool appended = false;
  while (adc0.size() < 200) {
    Platform::Advance(37e-6);
    std::uint32_t overflow = 1;
    ASSERT_EQ(QRN2400_GetFIFOOverflow(handle, overflow), 0);
    ASSERT_EQ(overflow, 0u);
    ASSERT_EQ(QRN2400_TransferToFIFO(handle), 0);
    std::int32_t ready = 0;
    ASSERT_EQ(QRN2400_GetFIFOReadAvailable(handle, ready), 0);
    EXPECT_EQ(Board(kZRVSimQRN2400).available_request.channel, 1) << "the sweep's last input";
    ready = std::min<std::int32_t>(ready, 200 - static_cast<std::int32_t>(adc0.size()));
    if (ready > 0) {
      std::vector<std::int16_t> chunk0(static_cast<std::size_t>(ready));
      std::vector<std::int16_t> chunk1(static_cast<std::size_t>(ready));
      std::int16_t* const into[] = {chunk0.data(), chunk1.data()};
      ASSERT_EQ(QRN2400_ReadStimAndSample(handle, 2, ready, false, into), 0);
      adc0.insert(adc0.end(), chunk0.begin(), chunk0.end());
      adc1.insert(adc1.end(), chunk1.begin(), chunk1.end());
    }
    if (!appended && adc0.size() >= 50) {
      std::int16_t* const rest[] = {sweep.data[0].data() + 100, sweep.data[1].data() + 100};
      ASSERT_EQ(QRN2400_AppendToFIFO(handle, 2, 100, true, rest), 0);
      const ZRVSimBoardState state = Board(kZRVSimQRN2400);
      EXPECT_EQ(BytesOf(state.fifo[1]),
                Layout(24).Int16(0, 1).Int16(2, 4).Int16(4, 1).Int32(8, 100).Pointer(16, rest[1]).bytes());
      appended = true;
    }
  }
  EXPECT_EQ(adc0, dac0);
  EXPECT_EQ(adc1, dac1);
  ASSERT_EQ(QRN2400_Stop(handle), 0);
  EXPECT_FALSE(Board(kZRVSimQRN2400).running);
}

TEST_F(QRN2400, OverflowAndClippingBits) {
  Ready(2);
  Sweep sweep;
  sweep.dacChannels = {0};
  sweep.adcChannels = {0};
  sweep.dacSlots = {1};
  sweep.adcSlots = {1};
  sweep.dacSamples = 10;
  sweep.adcSamples = 10;
  sweep.MakeData();
  std::int32_t singleScan = 0;
  ASSERT_EQ(sweep.Start(handle, singleScan, sweep.Vectors()), 0);
  Platform::Advance(1e-3);
  std::uint32_t bits = 1;
  ASSERT_EQ(QRN2400_GetFIFOOverflow(handle, bits), 0);
  EXPECT_EQ(bits, 0u) << "the library's own 'output done' bit is not ours";
  ZRVSim_InjectOverflow(kZRVSimQRN2400);
  ASSERT_EQ(QRN2400_GetFIFOOverflow(handle, bits), 0);
  EXPECT_EQ(bits, 0x10000u);
  EXPECT_EQ(Board(kZRVSimQRN2400).state_request.request, 16);

  ZRVSim_InjectClipping(kZRVSimQRN2400, 10);
  ASSERT_EQ(QRN2400_GetClipping(handle, bits), 0);
  EXPECT_EQ(bits, 0x20000u);
  EXPECT_EQ(BytesOf(Board(kZRVSimQRN2400).state_request), Layout(48).Int32(0, 32).bytes());
  ASSERT_EQ(QRN2400_GetClipping(handle, bits), 0);
  EXPECT_EQ(bits, 0u);
}

TEST_F(QRN2400, CountsBeyondTheRecordArraysCallNothing) {
  Ready();
  std::int16_t* vectors[kQRN2400MaxRecords + 1] = {};
  EXPECT_EQ(QRN2400_ReadStimAndSample(handle, kQRN2400MaxRecords + 1, 1, false, vectors), kQRN2400BadCount);
  EXPECT_EQ(QRN2400_AppendToFIFO(handle, -1, 1, false, vectors), kQRN2400BadCount);
  std::vector<std::int32_t> channels(40, 0);
  std::int32_t singleScan = 0;
  EXPECT_EQ(QRN2400_StartStimAndSample(handle, 20, 28, 1, 1, false, false, true, true, channels.data(),
                                       channels.data(), channels.data(), channels.data(), 10e-6, 1, 1,
                                       vectors, singleScan),
            kQRN2400BadCount);
  EXPECT_EQ(Board(kZRVSimQRN2400).fifo_count, 0);
  EXPECT_EQ(Board(kZRVSimQRN2400).channel_count, 0);
}

}  // namespace
