#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "acquisition/ZRVLibraryCalls.h"
#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/ZRVLibrary/tests/ZRVSim_fixture.h"

namespace {

using namespace ZRVSimTest;
using namespace ZRVLibraryCalls;

class Rack : public Library {
 protected:
  // Opens and initialises a rack with the given racks and FIFO bytes.
  void Ready(std::int32_t racks = 1, std::int32_t fifoBytes = 0) {
    ZRVSimSettings settings;
    ZRVSim_GetSettings(kZRVSimQRN2400, &settings);
    settings.racks = racks;
    ZRVSim_SetSettings(kZRVSimQRN2400, &settings);
    if (fifoBytes > 0) {
      GlobalConfigRecord config{};
      config.fifo_bytes = fifoBytes;
      ASSERT_EQ(ZRV_GlobalConfig(&config), 0);
    }
    ASSERT_EQ(ZRV_OpenDevice(kDeviceTypeRack, 0, kOpenFlags, &handle), 0);
    const InitRecord init{};
    ASSERT_EQ(ZRV_InitDevice(handle, &init), 0);
  }

  static DataRecord Data(std::int16_t type, std::int32_t channel, std::int32_t value,
                         std::int16_t* data = nullptr) {
    DataRecord record{};
    record.channel_type = type;
    record.channel = static_cast<std::int16_t>(channel);
    record.value = value;
    record.data = data;
    return record;
  }

  void SetDac(std::int32_t channel, std::int32_t value) {
    DataRecord record = Data(1, channel, value);
    ASSERT_EQ(ZRV_AsyncIO(handle, 1, &record), 0);
  }

  std::int32_t ReadAdc(std::int32_t channel) {
    DataRecord record = Data(0, channel, 0);
    EXPECT_EQ(ZRV_AsyncIO(handle, 1, &record), 0);
    return record.value;
  }

  static ChannelRecord Channel(std::int32_t direction, std::int32_t channel, double delay) {
    ChannelRecord record{};
    record.direction = direction;
    record.channel = channel;
    record.kind = direction == 1 ? 2 : 1;
    record.constant33 = 33;
    record.clock_interval = 10e-6;
    record.delay = delay;
    record.divider = 1;
    return record;
  }

  std::int32_t Available(std::int32_t channel) {
    DataRecord record = Data(0, channel, 0);
    EXPECT_EQ(ZRV_GetDataAvailable(handle, 1, &record, 1), 0);
    return record.value;
  }

  std::uint32_t State(std::int32_t request) {
    StateRecord state{};
    state.request = request;
    EXPECT_EQ(ZRV_GetState(handle, &state), 0);
    return request == kRequestOverflow ? state.overflow : state.clipping;
  }

  // Sets up the channels, queues the outputs (last data when `last`) and
  // starts.
  void Sweep(const std::vector<ChannelRecord>& channels, std::vector<DataRecord> firstLoad,
             std::int32_t trigger = kTriggerNone) {
    ASSERT_EQ(ZRV_ResetChannels(handle), 0);
    ASSERT_EQ(ZRV_SetChannels(handle, static_cast<std::int32_t>(channels.size()), channels.data()), 0);
    ASSERT_EQ(ZRV_UpdateChannels(handle), 0);
    if (!firstLoad.empty()) {
      ASSERT_EQ(ZRV_ReadWriteFIFO(handle, static_cast<std::int32_t>(firstLoad.size()), firstLoad.data()), 0);
    }
    StartRecord start{};
    start.trigger = trigger;
    start.output_enable = firstLoad.empty() ? 0 : 1;
    start.flags = kStartFlags;
    ASSERT_EQ(ZRV_Start(handle, &start), 0);
  }

  void* handle = nullptr;
};

TEST_F(Rack, OpenInitialiseAndDescribe) {
  void* other = nullptr;
  EXPECT_EQ(ZRV_OpenDevice(1, 0, kOpenFlags, &other), 5);
  EXPECT_EQ(ZRV_OpenDevice(kDeviceTypeRack, 0, 0, &other), 5);
  EXPECT_EQ(ZRV_OpenDevice(kDeviceTypeRack, 6, kOpenFlags, &other), kStatusNoBoardAnswer);
  Ready();
  EXPECT_EQ(ZRV_OpenDevice(kDeviceTypeRack, 1, kOpenFlags, &other), 3);
  DeviceInfoRecord info{};
  ASSERT_EQ(ZRV_GetDeviceInfo(handle, &info), 0);
  EXPECT_EQ(info.fifo_bytes, 0x200000);
  EXPECT_EQ(info.dac_count, 4);
  EXPECT_EQ(info.adc_count, 8);
  std::uint32_t master = 0;
  std::uint32_t slave = 0;
  ASSERT_EQ(ZRV_GetSerialNumbers(handle, 0, &master, &slave), 0);
  EXPECT_EQ(master >> 16, 840u);
  EXPECT_EQ(slave, 0xFFFFFFFFu);
  EXPECT_EQ(ZRV_GetDeviceInfo(&info, &info), 2) << "not the rack's handle";
  ASSERT_EQ(ZRV_CloseDevice(handle), 0);
  EXPECT_EQ(ZRV_GetDeviceInfo(handle, &info), 2);

  Ready(2, 8192);
  ASSERT_EQ(ZRV_GetDeviceInfo(handle, &info), 0);
  EXPECT_EQ(info.fifo_bytes, 8192);
  EXPECT_EQ(info.dac_count, 8);
  EXPECT_EQ(info.adc_count, 16);
  ZRVSimBoardState state;
  ZRVSim_GetBoardState(kZRVSimQRN2400, &state);
  EXPECT_EQ(state.config.fifo_bytes, 8192);
}

TEST_F(Rack, OpticalLinkFailsTheFirstInitialisations) {
  ZRVSimSettings settings;
  ZRVSim_GetSettings(kZRVSimQRN2400, &settings);
  settings.optical_link_failures = 3;
  ZRVSim_SetSettings(kZRVSimQRN2400, &settings);
  ASSERT_EQ(ZRV_OpenDevice(kDeviceTypeRack, 0, kOpenFlags, &handle), 0);
  InitRecord init{};
  init.clock_mode = 2;
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_EQ(ZRV_InitDevice(handle, &init), kStatusOpticalLinkNotWorking);
  }
  DeviceInfoRecord info{};
  EXPECT_EQ(ZRV_GetDeviceInfo(handle, &info), 4);
  EXPECT_EQ(ZRV_InitDevice(handle, &init), 0);
  ZRVSimBoardState state;
  ZRVSim_GetBoardState(kZRVSimQRN2400, &state);
  EXPECT_EQ(state.initialisations, 4);
  EXPECT_EQ(state.mode, 2);
}

TEST_F(Rack, SingleValuesLoopBackPerRack) {
  Ready(2);
  SetDac(1, 1600);
  SetDac(6, -3200);
  EXPECT_EQ(ReadAdc(1), 1600);
  EXPECT_EQ(ReadAdc(5), 1600) << "ADC k sees DAC k mod 4";
  EXPECT_EQ(ReadAdc(10), -3200);
  EXPECT_EQ(ReadAdc(0), 0);
  struct Port {
    std::int32_t output;
    std::int32_t input;
  };
  for (const Port port : {Port{8, 26}, Port{9, 28}, Port{10, 27}, Port{12, 31}, Port{13, 30}}) {
    SetDac(port.output, 0x8000 | port.output);
    EXPECT_EQ(ReadAdc(port.input), 0x8000 | port.output) << port.output;
  }
  DataRecord unknown = Data(0, 29, 0);
  EXPECT_EQ(ZRV_AsyncIO(handle, 1, &unknown), 6);
  ASSERT_EQ(ZRV_CloseDevice(handle), 0);

  Ready(1);
  for (const std::int32_t channel : {4, 12, 13}) {
    DataRecord record = Data(1, channel, 0);
    EXPECT_EQ(ZRV_AsyncIO(handle, 1, &record), 6) << "rack 2 output " << channel;
  }
  DataRecord rack2 = Data(0, 8, 0);
  EXPECT_EQ(ZRV_AsyncIO(handle, 1, &rack2), 6);
}

// Outputs every 2 ticks, inputs every tick: each input sees the output set
// at or before its instant.
// A clock that stands until moved: each single read charges one
// conversion to it, a write nothing, so that a loop polling an input sees
// time pass.
TEST_F(Rack, SingleReadsChargeTheirConversionsToAStandingClock) {
  ZRVSim_UseClockAdvance([](double seconds) { Wait(static_cast<std::int64_t>(seconds * 1e9 + 0.5)); });
  Ready();
  const std::int64_t start = now.load();
  SetDac(0, 1000);
  EXPECT_EQ(now.load(), start);
  ReadAdc(0);
  EXPECT_EQ(now.load() - start, 10000);
  DataRecord reads[] = {Data(0, 0, 0), Data(0, 1, 0), Data(1, 1, 0)};
  ASSERT_EQ(ZRV_AsyncIO(handle, 3, reads), 0);
  EXPECT_EQ(now.load() - start, 30000);
  ZRVSim_UseClockAdvance(nullptr);
  ReadAdc(0);
  EXPECT_EQ(now.load() - start, 30000);
}

TEST_F(Rack, SingleScanRunsInTimeOrder) {
  Ready();
  std::vector<std::int16_t> dac = {100, 200, 300, 400};
  std::vector<std::int16_t> adc(8, -1);
  SingleScanRecord records[2] = {};
  records[0] = {1, 0, {}, 4, 2, 0, dac.data()};
  records[1] = {0, 0, {}, 8, 1, 0, adc.data()};
  ASSERT_EQ(ZRV_SingleScan(handle, 2, records), 0);
  EXPECT_EQ(adc, (std::vector<std::int16_t>{100, 100, 200, 200, 300, 300, 400, 400}));
  records[1].data = nullptr;
  EXPECT_EQ(ZRV_SingleScan(handle, 2, records), 5);
}

// Channels convert at their delays within each frame, and inputs see the
// outputs of the same frame: the data come back channel for channel.
TEST_F(Rack, ContinuousSweepConvertsAtChannelDelays) {
  Ready();
  std::vector<std::int16_t> dac0 = {10, 20, 30, 40, 50, 60};
  std::vector<std::int16_t> dac1 = {-1, -2, -3, -4, -5, -6};
  std::vector<DataRecord> load = {Data(1, 0, 6, dac0.data()), Data(1, 1, 6, dac1.data())};
  for (DataRecord& record : load) record.command = kCommandFirstLoad | kCommandLastData;
  Sweep({Channel(1, 0, 0.0), Channel(1, 1, 0.0), Channel(0, 0, 0.0), Channel(0, 1, 5e-6)}, load);
  Wait(24'000);
  EXPECT_EQ(Available(0), 3);  // at 0, 10 and 20 us
  EXPECT_EQ(Available(1), 2);  // at 5 and 15 us
  Wait(41'000);
  EXPECT_EQ(State(kRequestOverflow), 0x1u) << "all output sent, nothing lost";
  std::vector<std::int16_t> adc0(6);
  std::vector<std::int16_t> adc1(6);
  std::vector<DataRecord> read = {Data(0, 0, 6, adc0.data()), Data(0, 1, 6, adc1.data())};
  ASSERT_EQ(ZRV_ReadWriteFIFO(handle, 2, read.data()), 0);
  EXPECT_EQ(adc0, dac0);
  EXPECT_EQ(adc1, dac1);
  EXPECT_EQ(ZRV_ReadWriteFIFO(handle, 2, read.data()), 10) << "nothing more yet";
  ASSERT_EQ(ZRV_Stop(handle, 0), 0);
  ZRVSimBoardState state;
  ZRVSim_GetBoardState(kZRVSimQRN2400, &state);
  EXPECT_EQ(state.channel_count, 4);
  EXPECT_EQ(state.fifo_count, 2);
  EXPECT_EQ(state.fifo[1].data, adc1.data());
}

TEST_F(Rack, OverflowWordAndSharedFifo) {
  // 64 bytes: 16 samples for each of two inputs.
  Ready(1, 64);
  std::vector<std::int16_t> dac(4, 7);
  std::vector<DataRecord> load = {Data(1, 0, 4, dac.data())};
  load[0].command = kCommandFirstLoad;
  Sweep({Channel(1, 0, 0.0), Channel(0, 0, 0.0), Channel(0, 4, 0.0)}, load);
  Wait(35'000);
  EXPECT_EQ(State(kRequestOverflow), 0u);
  Wait(20'000);
  EXPECT_EQ(State(kRequestOverflow), 0x100000u) << "the output ran dry before its last data";
  Wait(1'000'000);
  EXPECT_EQ(Available(0), 16);
  EXPECT_EQ(Available(4), 16);
  EXPECT_EQ(State(kRequestOverflow), 0x110000u);
  ASSERT_EQ(ZRV_Stop(handle, 0), 0);

  Sweep({Channel(0, 0, 0.0)}, {});
  ZRVSim_InjectOverflow(kZRVSimQRN2400);
  EXPECT_EQ(State(kRequestOverflow), 0x10000u);
  EXPECT_EQ(State(kRequestOverflow), 0u);
}

TEST_F(Rack, ClippingBitsPerInputPair) {
  FixedVolts wiring;
  wiring.volts[3] = 10.5;
  ZRVSim_SetWiring(&wiring);
  Ready(2);
  EXPECT_EQ(ReadAdc(3), 32767);
  ZRVSim_InjectClipping(kZRVSimQRN2400, 10);
  EXPECT_EQ(State(kRequestClipping), (1u << 1) | (1u << 17));
  EXPECT_EQ(State(kRequestClipping), 0u);
  ZRVSim_SetWiring(nullptr);
}

TEST_F(Rack, StalledRackAndTrigger) {
  Ready(2);
  ZRVSimSettings settings;
  ZRVSim_GetSettings(kZRVSimQRN2400, &settings);
  settings.stalled_units = 2;
  ZRVSim_SetSettings(kZRVSimQRN2400, &settings);
  Sweep({Channel(0, 0, 0.0), Channel(0, 8, 0.0)}, {}, kTriggerExternalMode);
  Wait(100'000);
  EXPECT_EQ(Available(0), 0) << "waits for the trigger";
  ZRVSim_Trigger(kZRVSimQRN2400);
  Wait(95'000);
  EXPECT_EQ(Available(0), 10);
  EXPECT_EQ(Available(8), 0) << "rack 2 stands still";
}

}  // namespace
