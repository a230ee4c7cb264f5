// Opening a unit, its decode states, delays, the control output and the
// service functions, against a simulated unit.
#include "Common/QRN55/Driver/QRN55Unit.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "Common/QRN55/Driver/tests/QRN55Bench_fixture.h"
#include "foundation/platform/Clock.h"

namespace {

// Host waits run on the virtual clock: they take no time, yet show how long
// they waited.
class VirtualClock {
 public:
  VirtualClock() { Platform::UseVirtualClock(Platform::ElapsedSeconds()); }
  ~VirtualClock() { Platform::UseRealClock(); }
};

struct UnitFixture {
  explicit UnitFixture(QRN55SimUnitConfig config = UnitConfig("S1")) : sim(std::move(config)) {}

  QRN55Status Open() {
    const std::string path = sim.DataFile();
    return unit.Open(std::span<const char>(path.c_str(), path.size() + 1));
  }

  QRN55SimulatedUnit sim;
  QRN55GlobalContext context{sim.volumes};
  QRN55Unit unit{context};
};

int EEPROMTransfers(const std::vector<QRN55SimTransfer>& trace) {
  return static_cast<int>(std::count_if(trace.begin(), trace.end(), [](const auto& transfer) {
    return transfer.address == 0x600000;
  }));
}

TEST(UnitOpen, DecodeStates) {
  struct Case {
    const char* name;
    std::function<void(QRN55SimUnitConfig&)> configure;
    int state;
    int eeprom_transfers;
  };
  const std::vector<Case> cases = {
      {"sound", [](QRN55SimUnitConfig&) {}, QRN55UnitStatus::kSound, 8},
      // A wrong magic keeps its state; no record is read from an untrusted location.
      {"bad magic",
       [](QRN55SimUnitConfig& c) {
         c.signature.magic = {'L', 'N', 'R', 'V'};
       },
       QRN55UnitStatus::kBadMagic, 0},
      {"record length 0", [](QRN55SimUnitConfig& c) { c.signature.information_length = 0; },
       QRN55UnitStatus::kEEPROMUnreadable, 0},
      {"record length 63", [](QRN55SimUnitConfig& c) { c.signature.information_length = 63; },
       QRN55UnitStatus::kEEPROMUnreadable, 0},
      // 64 bytes read; the rest of the record is decoded as zeros.
      {"record length 100", [](QRN55SimUnitConfig& c) { c.signature.information_length = 100; },
       QRN55UnitStatus::kUnitCount, 1},
      {"record length above 512",
       [](QRN55SimUnitConfig& c) { c.signature.information_length = 4000; },
       QRN55UnitStatus::kSound, 8},
      {"unaligned location", [](QRN55SimUnitConfig& c) { c.signature.information_location += 17; },
       QRN55UnitStatus::kSound, 8},
      {"bad model", [](QRN55SimUnitConfig& c) { c.record.model = 2; },
       QRN55UnitStatus::kModelUnknown, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QRN55SimUnitConfig config = UnitConfig("S1");
    c.configure(config);
    UnitFixture fixture(config);
    fixture.sim.unit.SetTracing(true);
    ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
    EXPECT_EQ(fixture.unit.GetStatus(), c.state);
    EXPECT_EQ(EEPROMTransfers(fixture.sim.unit.TakeTrace()), c.eeprom_transfers);
  }
}

TEST(UnitOpen, FailedTransfersCloseTheUnit) {
  struct Case {
    QRN55SimFault fault;
    std::int64_t address;
    QRN55Status result;
  };
  for (const Case& c : {Case{QRN55SimFault::kShortRead, 0x800000, QRN55_STATUS_SHORT_READ},
                        Case{QRN55SimFault::kReadError, 0x600000, QRN55_STATUS_FILE_IO},
                        Case{QRN55SimFault::kWriteError, 0x1200000, QRN55_STATUS_FILE_IO},
                        Case{QRN55SimFault::kShortWrite, 0xA00000, QRN55_STATUS_SHORT_WRITE}}) {
    SCOPED_TRACE(c.address);
    UnitFixture fixture;
    fixture.sim.unit.InjectFault(c.fault, c.address);
    EXPECT_EQ(fixture.Open(), c.result);
    EXPECT_EQ(fixture.sim.volumes.OpenCount(), 0);
  }
  UnitFixture locked;
  locked.sim.unit.SetLockHeldElsewhere(true);
  EXPECT_EQ(locked.Open(), QRN55_STATUS_UNIT_ACCESS);
}

TEST(UnitOpen, ReopenForgetsTheOldRecord) {
  UnitFixture fixture;
  ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(fixture.unit.GetUnitCount(), 1);
  QRN55SimSignature signature;
  signature.information_length = 0;
  fixture.sim.unit.SetSignature(signature);
  ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(fixture.unit.GetStatus(), QRN55UnitStatus::kEEPROMUnreadable);
  EXPECT_EQ(fixture.unit.GetUnitCount(), 0);
  char serial[16];
  fixture.unit.GetDeviceSerialNumber(serial);
  EXPECT_STREQ(serial, "");
}

TEST(UnitDelay, TickCounts) {
  struct Case {
    double seconds;
    int timer_unit;
    std::int64_t ticks;
  };
  for (const Case& c : {Case{0.001, 5, 200}, Case{0.002, 10, 200}, Case{0.00255, 10, 255},
                        Case{0.0010001, 5, 201}, Case{1e-6, 5, 1}, Case{0.000123, 1, 123}}) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(QRN55Unit::DelayTicks(c.seconds, c.timer_unit), c.ticks);
  }
}

TEST(UnitDelay, OnTheUnitBelow255TicksElseOnTheHost) {
  struct Case {
    int timer_unit;
    double seconds;
    int unit_ticks;  // 0: the host waited
    double host_wait;
  };
  VirtualClock clock;
  for (const Case& c :
       {Case{5, 0.001, 200, 0.0}, Case{5, 0.002, 0, 0.002}, Case{10, 0.002, 200, 0.0},
        Case{10, 0.003, 0, 0.003}, Case{0, 0.0005, 0, 0.001}}) {
    SCOPED_TRACE(testing::Message() << c.timer_unit << " us, " << c.seconds << " s");
    QRN55SimUnitConfig config = UnitConfig("S1");
    config.signature.timer_unit = static_cast<std::uint16_t>(c.timer_unit);
    UnitFixture fixture(config);
    ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
    const double before = Platform::ElapsedSeconds();
    EXPECT_EQ(fixture.unit.Delay(c.seconds), QRN55_STATUS_SUCCESS);
    const double waited = Platform::ElapsedSeconds() - before;
    EXPECT_EQ(fixture.sim.unit.LastDelayTicks(), c.unit_ticks);
    if (c.unit_ticks == 0) {
      EXPECT_NEAR(waited, c.host_wait, 1e-9);
    } else {
      // The unit's own wait, on the same clock.
      EXPECT_NEAR(waited, c.unit_ticks * c.timer_unit * 1e-6, 1e-9);
    }
  }
}

TEST(UnitControlWrite, VoltsToCodes) {
  struct Case {
    int channel;
    double volts;
    QRN55Status result;
    double sent_volts;  // what the unit's output shows
  };
  UnitFixture fixture;
  ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
  for (const Case& c :
       {Case{0, 5.0, QRN55_STATUS_SUCCESS, 4095 / 819.2},
        Case{0, 2.5, QRN55_STATUS_SUCCESS, 2048 / 819.2}, Case{1, -1.0, QRN55_STATUS_SUCCESS, 0.0},
        Case{1, 6.0, QRN55_STATUS_SUCCESS, 4095 / 819.2},
        Case{1, 1.0, QRN55_STATUS_SUCCESS, 819 / 819.2},
        Case{0, std::numeric_limits<double>::quiet_NaN(), QRN55_STATUS_SUCCESS, 0.0},
        Case{2, 1.0, QRN55_STATUS_INVALID_CHANNEL, -1}}) {
    SCOPED_TRACE(testing::Message() << c.channel << ": " << c.volts);
    EXPECT_EQ(fixture.unit.ControlWrite(c.channel, c.volts), c.result);
    if (c.result == QRN55_STATUS_SUCCESS) {
      EXPECT_DOUBLE_EQ(fixture.sim.unit.ControlOutputVolts(c.channel), c.sent_volts);
    }
  }
}

TEST(UnitScaling, Channels) {
  QRN55SimUnitConfig config = UnitConfig("S1");
  for (int i = 0; i < 9; ++i) config.record.input_offset[i] = i;
  for (int i = 0; i < 5; ++i) config.record.output_offset[i] = 10 + i;
  UnitFixture fixture(config);
  ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
  double scale = 0;
  double offset = -1;
  EXPECT_EQ(fixture.unit.GetInputScaling(0, scale, offset), QRN55_STATUS_INVALID_CHANNEL);
  EXPECT_EQ(fixture.unit.GetInputScaling(10, scale, offset), QRN55_STATUS_INVALID_CHANNEL);
  EXPECT_EQ(fixture.unit.GetInputScaling(9, scale, offset), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(offset, 8);
  EXPECT_EQ(fixture.unit.GetInputScaling(1, scale, offset), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(fixture.unit.GetOutputScaling(6, scale, offset), QRN55_STATUS_INVALID_CHANNEL);
  EXPECT_EQ(fixture.unit.GetOutputScaling(5, scale, offset), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(offset, 14);
  EXPECT_EQ(scale, 0.0003125);
  int input = 0;
  int output = 0;
  fixture.unit.GetFIFODepth(input, output);
  EXPECT_EQ(input, 262136);
  EXPECT_EQ(output, 262136);
  int firmware = 0;
  int logic = 0;
  fixture.unit.ServiceGetHardware(firmware, logic);
  EXPECT_EQ(firmware, 7);
  EXPECT_EQ(logic, 0);
}

TEST(UnitService, EEPROMAccessInBlocksWithUnlock) {
  UnitFixture fixture;
  ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
  std::vector<std::uint8_t> data(128, 0x5A);
  EXPECT_EQ(fixture.unit.ServiceEEPROMRead(32, data), QRN55_STATUS_EEPROM_OFFSET);
  EXPECT_EQ(fixture.unit.ServiceEEPROMWrite(64, std::span(data).first(100)),
            QRN55_STATUS_EEPROM_SIZE);

  // Locked, the unit ignores the write.
  const std::vector<std::uint8_t> before = fixture.sim.unit.ReadEEPROM(0x1000, 128);
  EXPECT_EQ(fixture.unit.ServiceEEPROMWrite(0x1000, data), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(fixture.sim.unit.ReadEEPROM(0x1000, 128), before);

  fixture.unit.ServiceUnlock(true);
  EXPECT_EQ(fixture.unit.ServiceEEPROMWrite(0x1000, data), QRN55_STATUS_SUCCESS);
  fixture.unit.ServiceUnlock(false);
  std::vector<std::uint8_t> read(128);
  EXPECT_EQ(fixture.unit.ServiceEEPROMRead(0x1000, read), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(read, data);
}

TEST(UnitService, PortE) {
  UnitFixture fixture;
  ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
  fixture.sim.unit.SetTracing(true);
  ASSERT_EQ(fixture.unit.ServicePortEEnable(true), QRN55_STATUS_SUCCESS);
  const std::vector<QRN55SimTransfer> trace = fixture.sim.unit.TakeTrace();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].address, 0x1200000u);
  EXPECT_EQ(trace[0].bytes[7], 1);
  std::vector<std::uint8_t> written(20);
  for (int i = 0; i < 20; ++i) written[i] = static_cast<std::uint8_t>(i * 7);
  EXPECT_EQ(fixture.unit.ServicePortEWrite(written), QRN55_STATUS_SUCCESS);
  std::vector<std::uint8_t> read(20);
  EXPECT_EQ(fixture.unit.ServicePortERead(read), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(read, written);
}

TEST(UnitService, ClippingComesFromTheRecordingStatus) {
  VirtualClock clock;
  UnitFixture fixture;
  ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
  // DAC0 at full scale looped back with a gain of 2 saturates ADC0 on board 1.
  fixture.sim.unit.Loopback().SetError(0, 2.0, 0.0);
  QRN55UnitStatus& status = fixture.unit.GetUnitStatus();
  const int input[] = {1};
  const int none[] = {0};
  const int output[] = {1};
  ASSERT_EQ(status.SetupAcquisition(1, input, none, output, none, 1, 0), QRN55_STATUS_SUCCESS);
  QRN55UnitCommand& command = fixture.unit.GetUnitCommand();
  ASSERT_EQ(command.ContinuousInitialize(status), QRN55_STATUS_SUCCESS);
  std::vector<std::uint8_t> samples(4096);
  for (std::size_t i = 0; i < samples.size(); i += 2) {
    samples[i] = 0xFF;
    samples[i + 1] = 0x7F;
  }
  ASSERT_EQ(command.SetDataTransferSize(status, 4096, 0), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(command.FIFOWrite(status, 4096, 4096, samples), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(command.ContinuousStart(status), QRN55_STATUS_SUCCESS);
  Platform::Advance(0.001);
  int clipping = -1;
  EXPECT_EQ(fixture.unit.GetClipping(clipping), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(clipping, 1);

  fixture.sim.unit.InjectFault(QRN55SimFault::kReadError, 0xA00000, 1);
  clipping = -1;
  EXPECT_EQ(fixture.unit.GetClipping(clipping), QRN55_STATUS_FILE_IO);
  EXPECT_EQ(clipping, -1);
}

TEST(UnitText, CopiesAreCutAndEnded) {
  UnitFixture fixture;
  ASSERT_EQ(fixture.Open(), QRN55_STATUS_SUCCESS);
  char four[4] = {'x', 'x', 'x', 'x'};
  fixture.unit.GetUnitSerialNumber(four);
  EXPECT_STREQ(four, "123");
  char one[1] = {'x'};
  fixture.unit.GetDeviceSerialNumber(one);
  EXPECT_EQ(one[0], '\0');
  EXPECT_TRUE(fixture.unit.IsDeviceSerialNumber("S1"));
  EXPECT_FALSE(fixture.unit.IsDeviceSerialNumber("S"));
}

}  // namespace
