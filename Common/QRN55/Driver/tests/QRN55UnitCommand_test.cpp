// Every command block at its address, byte for byte, and the file statuses
// of failed transfers.
#include "Common/QRN55/Driver/QRN55UnitCommand.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "Common/QRN55/Driver/tests/QRN55Bench_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct CommandFixture : testing::Test {
  void SetUp() override {
    ASSERT_EQ(command.Open(path), QRN55_STATUS_SUCCESS);
    sim.unit.SetTracing(true);
  }

  // A set-up of two steps, used by the settings and pulse blocks:
  // entries 0x703C and 0x1528, 3 input and 3 output samples per frame.
  void SetUpTwoSteps() {
    const int input_1[] = {1, 0};
    const int input_2[] = {8, 4};
    const int output_1[] = {1, 6};
    const int output_2[] = {0, 2};
    ASSERT_EQ(status.SetupAcquisition(2, input_1, input_2, output_1, output_2, 5, 0),
              QRN55_STATUS_SUCCESS);
  }

  QRN55SimulatedUnit sim;
  std::string path = sim.DataFile();
  QRN55GlobalContext context{sim.volumes};
  QRN55UnitCommand command{context};
  QRN55UnitStatus status;
};

// A whole transfer: its leading bytes as given, zeros after them.
Bytes Block(Bytes head, std::size_t size = 4096) {
  head.resize(size, 0);
  return head;
}

// first, first + 1, ...
Bytes Ramp(int first, int count) {
  Bytes bytes(count);
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

void ExpectTransfers(const std::vector<QRN55SimTransfer>& trace,
                     const std::vector<QRN55SimTransfer>& expected) {
  ASSERT_EQ(trace.size(), expected.size());
  for (std::size_t i = 0; i < trace.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(trace[i].write, expected[i].write);
    EXPECT_EQ(trace[i].address, expected[i].address);
    // Of a read, only its length is the driver's doing.
    if (expected[i].write) {
      EXPECT_EQ(trace[i].bytes, expected[i].bytes);
    } else {
      EXPECT_EQ(trace[i].bytes.size(), expected[i].bytes.size());
    }
  }
}

TEST_F(CommandFixture, CommandBlocksByteForByte) {
  SetUpTwoSteps();
  status.unlock = true;
  status.port_e = true;
  struct Case {
    const char* name;
    std::function<QRN55Status()> send;
    std::vector<QRN55SimTransfer> transfers;
  };
  const Bytes settings = {
      0,    0,    0,    0,    0,    0,    0,    0,    4,    0,     // sizes, frame interval
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // entries 7 .. 3
      0xFF, 0xFF, 0x28, 0x15, 0x3C, 0x70,                          // entries 2, 1, 0
      0,    0,    0,    0,    0,    0,    0,    0,    0x32};       // frames, zero, control
  const std::vector<Case> cases = {
      {"start",
       [&] { return command.ContinuousStart(status); },
       {{true, 0xA00000, Block({1, 0x32})}}},
      {"stop",
       [&] { return command.ContinuousStop(status); },
       {{true, 0xA00000, Block({2, 0x32})}}},
      {"reset",
       [&] { return command.AcquisitionReset(status); },
       {{true, 0xA00000, Block({3, 0})}}},
      {"settings",
       [&] { return command.ContinuousInitialize(status); },
       {{true, 0xC00000, Block(settings)}}},
      {"control channel 1",
       [&] { return command.ControlWrite(status, 1, 4095); },
       {{true, 0xE00000, Block({0x1F, 0xFF, 0, 0})}}},
      {"control channel 0",
       [&] { return command.ControlWrite(status, 0, 2048); },
       {{true, 0xE00000, Block({0x08, 0x00})}}},
      {"delay", [&] { return command.Delay(200); }, {{true, 0x1000000, Block({200, 0, 0, 0})}}},
      {"data transfer size",
       [&] { return command.SetDataTransferSize(status, 0x12345, 0x3E40); },
       {{true, 0x1200000, Block({0x45, 0x23, 0x01, 0x00, 0x40, 0x3E, 1, 1})}}},
      {"EEPROM write",
       [&] { return command.EEPROMWrite(status, 0x40, Ramp(0, 128)); },
       {{true, 0x1200000, Block({0, 0, 0, 0, 0x40, 0, 1, 1})},
        {true, 0x600000, Block(Ramp(0, 64))},
        {true, 0x1200000, Block({0, 0, 0, 0, 0x80, 0, 1, 1})},
        {true, 0x600000, Block(Ramp(64, 64))}}},
      {"EEPROM read",
       [&] {
         std::array<std::uint8_t, 64> data;
         return command.EEPROMRead(status, 0x3E00, data);
       },
       {{true, 0x1200000, Block({0, 0, 0, 0, 0x00, 0x3E, 1, 1})}, {false, 0x600000, Block({})}}},
      {"port E write",
       [&] {
         const Bytes data(20, 0xA5);
         return command.PortEWrite(status, data);
       },
       {{true, 0x1400000, Bytes(20, 0xA5)}}},
      {"FIFO read of 100 bytes",
       [&] {
         std::array<std::uint8_t, 4096> data;
         return command.FIFORead(status, 100, 4096, data);
       },
       {{false, 0x400000, Block({})}}},
      {"pulse without frames",
       [&] {
         std::array<std::uint8_t, 512> block;
         return command.Pulse(status, 0, block, 0, {});
       },
       {{true, 0x200000, Block(settings, 512)}}},
      {"pulse",
       [&] {
         std::array<std::uint8_t, 4096> block{};
         for (int i = 0; i < 12; ++i) block[512 + i] = static_cast<std::uint8_t>(0x10 + i);
         std::array<std::uint8_t, 4096> input;
         return command.Pulse(status, 2, block, 1, input);
       },
       {{true, 0x200000,
         [&] {
           Bytes b = Block(settings);
           b[0] = 6;   // 1 read frame of 3 samples
           b[4] = 12;  // 2 write frames of 3 samples
           b[26] = 2;  // the larger frame count
           for (int i = 0; i < 12; ++i) b[512 + i] = static_cast<std::uint8_t>(0x10 + i);
           return b;
         }()},
        {false, 0x400000, Block({})}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.send(), QRN55_STATUS_SUCCESS);
    ExpectTransfers(sim.unit.TakeTrace(), c.transfers);
  }
}

TEST_F(CommandFixture, BadControlChannelWritesNothing) {
  EXPECT_EQ(command.ControlWrite(status, 2, 100), QRN55_STATUS_INVALID_CHANNEL);
  EXPECT_TRUE(sim.unit.TakeTrace().empty());
}

TEST_F(CommandFixture, FailedTransfersGiveFileStatusesAndKeepTheFileOpen) {
  struct Case {
    QRN55SimFault fault;
    bool unplug;
    QRN55Status expected;
  };
  for (const Case& c : {Case{QRN55SimFault::kShortRead, false, QRN55_STATUS_SHORT_READ},
                        Case{QRN55SimFault::kShortWrite, false, QRN55_STATUS_SHORT_WRITE},
                        Case{QRN55SimFault::kReadError, false, QRN55_STATUS_FILE_IO},
                        Case{QRN55SimFault::kWriteError, false, QRN55_STATUS_FILE_IO},
                        Case{QRN55SimFault::kSyncError, false, QRN55_STATUS_FILE_IO},
                        Case{QRN55SimFault::kReadError, true, QRN55_STATUS_FILE_IO}}) {
    SCOPED_TRACE(static_cast<int>(c.fault));
    if (c.unplug) {
      sim.unit.Unplug();
    } else {
      sim.unit.InjectFault(c.fault, QRN55SimUnit::kAnyAddress, 1);
    }
    const bool reading =
        c.fault == QRN55SimFault::kShortRead || c.fault == QRN55SimFault::kReadError;
    std::uint64_t count;
    int bits;
    int clipping;
    const QRN55Status failed = reading ? command.ContinuousStatus(status, count, bits, clipping)
                                       : command.AcquisitionReset(status);
    EXPECT_EQ(failed, c.expected);
    sim.unit.Plug();
    EXPECT_EQ(command.AcquisitionReset(status), QRN55_STATUS_SUCCESS);
  }
}

TEST_F(CommandFixture, EEPROMStepsStopAtTheFirstFailure) {
  sim.unit.InjectFault(QRN55SimFault::kReadError, 0x600000, 1);
  std::array<std::uint8_t, 128> data{};
  EXPECT_EQ(command.EEPROMRead(status, 0, data), QRN55_STATUS_FILE_IO);
  // One address block and the failed window read; the second pair never went out.
  EXPECT_EQ(sim.unit.TakeTrace().size(), 1u);
}

TEST_F(CommandFixture, EEPROMWindowMovesTheUnitsBytes) {
  std::array<std::uint8_t, 64> written;
  for (int i = 0; i < 64; ++i) written[i] = static_cast<std::uint8_t>(255 - i);
  status.unlock = true;
  ASSERT_EQ(command.EEPROMWrite(status, 0x100, written), QRN55_STATUS_SUCCESS);
  std::array<std::uint8_t, 64> read{};
  ASSERT_EQ(command.EEPROMRead(status, 0x100, read), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(read, written);
  EXPECT_EQ(sim.unit.ReadEEPROM(0x100, 64), Bytes(written.begin(), written.end()));
}

TEST(CommandDecoding, RecordingStatusBytesAreWidenedAsSignedBytes) {
  QRN55ScriptedPort port;
  port.Answer(0xA00000, {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81, 0x86, 0x0F});
  QRN55GlobalContext context(port);
  QRN55UnitCommand command(context);
  ASSERT_EQ(command.Open("scripted"), QRN55_STATUS_SUCCESS);
  QRN55UnitStatus status;
  std::uint64_t count = 0;
  int bits = 0;
  int clipping = 0;
  ASSERT_EQ(command.ContinuousStatus(status, count, bits, clipping), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(count, 0x8102030405060708u);
  EXPECT_EQ(bits, -122);  // 0x86 as a signed byte
  EXPECT_EQ(clipping, 15);
}

}  // namespace
