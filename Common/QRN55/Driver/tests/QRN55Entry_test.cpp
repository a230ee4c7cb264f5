// The driver through its entry layer only, against simulated units: status
// texts, the calling order of the program, pulses, the rules of opening and
// refreshing, the service family and the data log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Common/QRN55/Driver/QRN55.h"
#include "Common/QRN55/Driver/tests/QRN55Entry_fixture.h"
#include "foundation/platform/Clock.h"

namespace {

std::string Description(QRN55Status status, int length = 200) {
  std::vector<char> text(length, 'x');
  QRN55_GetStatusDescription(status, text.data(), length);
  return text.data();
}

TEST(StatusDescription, EveryCode) {
  const std::string overflow = "The input FIFO has overflowed";
  const std::string unknown = "Unknown status";
  const std::vector<std::string> texts = {
      "No error",
      "The device driver version is incompatible",
      "The channel sequence contains conflicting AD7 channels",
      "The device driver is missing. Please install the device driver",
      "The device is busy performing a different operation",
      "Unable to open the device. Make sure the device is on and plugged into the computer",
      "The requested device is in use by another session",
      "The device is not available or ready to be opened",
      "Unabled to access the requested unit",
      "The driver has not been initialized",
      "The driver is already in use",
      unknown,
      "EEPROM offset must be a multiple of QRN55_SERVICE_EEPROM_BLOCK_SIZE",
      "EEPROM size must be a multiple of QRN55_SERVICE_EEPROM_BLOCK_SIZE",
      "Error allocating acquisition memory buffers",
      overflow,
      "The output FIFO has underflowed",
      overflow,
      "An error occured communicating with the device. Make sure the device is plugged into the "
      "computer and turned on",
      "Device error. Read not completed",
      "Device error. Write not completed",
      "The required allocation size is too large",
      "Invalid channel specified",
      "Unknown connection. The unit may have been unplugged",
      "Invalid schedule decimation",
      "Invalid device specified",
      "The device handle is invalid",
      "Invalid sequence interval",
      "Invalid unit acquisition sequence. All units must acquire on the same number of channels",
      "Unknown session. The unit may have been unplugged",
      "Invalid character string",
      "Invalid trigger mode",
      "Invalid device unit specified",
      unknown,
      "Out of memory",
      "Error creating a MUTEX for internal use",
      "The continuous acquisition resources have not been allocated",
      "The device is not armed. It must be armed before starting acquisition and writing data",
      "The operation can be performed only by the master application",
      "The operation can be performed only by a slave application",
      "Input buffer must be supplied when an input channel is enabled",
      "Output data must be supplied when an output channel is enabled",
      "Unable to perform OpenProcess",
      "Invalid read count in pulse mode. The hardware FIFO is not large enough to store the "
      "requested amount of data",
      "Invalid write count in pulse mode. The hardware FIFO is not large enough to hold the "
      "supplied amount of data",
      "Invalid read count. The requested amount of data is not available",
      "The device is recording, parameters cannot be modified",
      "An error occured communicating to the service",
      "Error creating a thread",
      "The requested unit is missing",
      "Invalid write count. There is not space available to receive the amount of data supplied",
  };
  ASSERT_EQ(texts.size(), 51u);
  for (int code = 0; code < 51; ++code) EXPECT_EQ(Description(code), texts[code]) << code;
  for (QRN55Status code : {51, -1, 1000}) EXPECT_EQ(Description(code), unknown) << code;

  // Cut to the capacity, the rest filled with NULs.
  EXPECT_EQ(Description(0, 1), "");
  char text[10];
  std::fill(std::begin(text), std::end(text), 'x');
  QRN55_GetStatusDescription(0, text, 10);
  EXPECT_EQ(std::string(text, 10), std::string("No error\0\0", 10));
  EXPECT_EQ(Description(4, 8), "The dev");

  EXPECT_EQ(QRN55_ERROR_ServiceNotConnected(), 3);
  EXPECT_EQ(QRN55_ERROR_DeviceNotAvailable(), 7);
  EXPECT_EQ(QRN55_ERROR_FifoOverflow(), 15);
  EXPECT_EQ(QRN55_ERROR_FileIO(), 18);
}

class Entry : public testing::TestWithParam<QRN55Bench::Kind> {
 protected:
  void SetUp() override {
    std::string reason;
    if (!entry.Usable(reason)) GTEST_SKIP() << reason;
  }

  QRN55EntryBench entry{GetParam()};
};

TEST_P(Entry, CallingOrderOfTheProgram) {
  QRN55SimUnitConfig config = UnitConfig("D7");
  config.record.input_scale[8] = 0.5;
  config.record.input_offset[8] = -1.0;
  config.record.output_scale[4] = 0.25;
  ASSERT_NE(entry.Plug(config), nullptr);

  int driver_version = 0;
  int service_version = 1;
  char message[32] = "x";
  EXPECT_EQ(QRN55_DriverGetVersion(nullptr, &driver_version, &service_version, message, 32),
            QRN55_STATUS_SERVICE_NOT_CONNECTED);
  EXPECT_EQ(driver_version, 7);
  EXPECT_EQ(service_version, 0);
  EXPECT_STREQ(message, "Service not open");

  ASSERT_EQ(QRN55_DriverOpen(&entry.driver, 1), QRN55_STATUS_SUCCESS);
  ASSERT_NE(entry.driver, nullptr);
  EXPECT_EQ(QRN55_DriverGetVersion(entry.driver, &driver_version, &service_version, message, 32),
            QRN55_STATUS_SUCCESS);
  EXPECT_EQ(driver_version, 7);
  EXPECT_EQ(service_version, 8);
  EXPECT_STREQ(message, "");

  int count = -1;
  EXPECT_EQ(QRN55_DriverGetDeviceCount(entry.driver, &count), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(count, 0);  // nothing before the first refresh
  ASSERT_EQ(QRN55_DriverRefreshConfiguration(entry.driver), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(QRN55_DriverGetDeviceCount(entry.driver, &count), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(count, 1);

  int status = -1;
  char serial[32];
  EXPECT_EQ(QRN55_DeviceGetConfiguration(entry.driver, 0, &status, serial, 32), 0);
  EXPECT_EQ(status, 0);
  EXPECT_STREQ(serial, "D7");
  status = -1;
  EXPECT_EQ(QRN55_DeviceGetConfiguration(entry.driver, 1, &status, serial, 32),
            QRN55_STATUS_INVALID_DEVICE);
  EXPECT_EQ(status, -1);

  ASSERT_EQ(QRN55_DeviceOpen(entry.driver, 0, 1024 + 8, &entry.device), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(QRN55_DeviceGetConfiguration(entry.driver, 0, &status, serial, 32), 0);
  EXPECT_EQ(status, 1);  // open
  EXPECT_EQ(QRN55_DeviceGetUnitCount(entry.device, &count), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(count, 1);

  int input_samples = 0;
  int output_samples = 0;
  char unit_serial[8];
  EXPECT_EQ(
      QRN55_UnitGetConfiguration(entry.device, 0, unit_serial, 8, &input_samples, &output_samples),
      QRN55_STATUS_SUCCESS);
  EXPECT_STREQ(unit_serial, "1234500");
  EXPECT_EQ(input_samples, 262136);
  EXPECT_EQ(output_samples, 262136);

  double scale = 0;
  double offset = 0;
  EXPECT_EQ(QRN55_UnitGetInputScaling(entry.device, 0, 9, &scale, &offset), 0);
  EXPECT_EQ(scale, 0.5);
  EXPECT_EQ(offset, -1.0);
  EXPECT_EQ(QRN55_UnitGetInputScaling(entry.device, 0, 10, &scale, &offset),
            QRN55_STATUS_INVALID_CHANNEL);
  EXPECT_EQ(QRN55_UnitGetOutputScaling(entry.device, 0, 5, &scale, &offset), 0);
  EXPECT_EQ(scale, 0.25);
  EXPECT_EQ(QRN55_UnitGetOutputScaling(entry.device, 0, 6, &scale, &offset),
            QRN55_STATUS_INVALID_CHANNEL);

  QRN55SimUnit& unit = *entry.units[0];
  EXPECT_EQ(QRN55_ControlOutputWrite(entry.device, 0, 1, 2.5), QRN55_STATUS_SUCCESS);
  EXPECT_DOUBLE_EQ(unit.ControlOutputVolts(1), 2.5);
  EXPECT_EQ(QRN55_ControlOutputWrite(entry.device, 0, 0, 6.0), QRN55_STATUS_SUCCESS);
  EXPECT_DOUBLE_EQ(unit.ControlOutputVolts(0), 4095 / 819.2);
  EXPECT_EQ(QRN55_ControlOutputWrite(entry.device, 0, 0, -1.0), QRN55_STATUS_SUCCESS);
  EXPECT_DOUBLE_EQ(unit.ControlOutputVolts(0), 0.0);
  for (int channel : {2, -1}) {
    EXPECT_EQ(QRN55_ControlOutputWrite(entry.device, 0, channel, 1.0),
              QRN55_STATUS_INVALID_CHANNEL);
  }
  int clipping = -1;
  EXPECT_EQ(QRN55_UnitGetClipping(entry.device, 0, &clipping), QRN55_STATUS_SUCCESS);
  EXPECT_EQ(clipping, 0);
  unit.InjectFault(QRN55SimFault::kReadError, 0xA00000, 1);
  clipping = -1;
  EXPECT_EQ(QRN55_UnitGetClipping(entry.device, 0, &clipping), QRN55_STATUS_FILE_IO);
  EXPECT_EQ(clipping, -1);

  QRN55_DeviceClose(entry.device);
  entry.device = nullptr;
  EXPECT_EQ(QRN55_DeviceGetConfiguration(entry.driver, 0, &status, serial, 32), 0);
  EXPECT_EQ(status, 0);
  QRN55_DriverClose(entry.driver);
  entry.driver = nullptr;
}

TEST_P(Entry, PulseGivesBackTheLoopbackOfItsOutput) {
  ASSERT_TRUE(entry.OpenDevice());
  for (int steps : {1, 2}) {
    SCOPED_TRACE(steps);
    const QRN55Sequence sequence = QRN55Sequence::Loopback(steps);
    const int frames = 1000;
    std::vector<std::vector<std::int16_t>> output(2 * steps, std::vector<std::int16_t>(frames));
    for (int slot = 0; slot < 2 * steps; ++slot) {
      for (int i = 0; i < frames; ++i) {
        output[slot][i] = static_cast<std::int16_t>((i * 37 + slot * 1000) % 60000 - 30000);
      }
    }
    std::vector<std::vector<std::int16_t>> input(2 * steps, std::vector<std::int16_t>(frames));
    ASSERT_EQ(entry.Pulse(0, sequence, steps, output, input, frames), QRN55_STATUS_SUCCESS);
    for (int slot = 0; slot < 2 * steps; ++slot) EXPECT_EQ(input[slot], output[slot]) << slot;
  }
}

TEST_P(Entry, PulseCounts) {
  QRN55SimUnitConfig config = UnitConfig("D1");
  config.record.input_fifo_size = 1000;
  config.record.output_fifo_size = 1000;
  config.record.sequence_counter_delay = 2;
  ASSERT_NE(entry.Plug(config), nullptr);
  ASSERT_EQ(QRN55_DriverOpen(&entry.driver, 0), 0);
  ASSERT_EQ(QRN55_DriverRefreshConfiguration(entry.driver), 0);
  ASSERT_EQ(QRN55_DeviceOpen(entry.driver, 0, 0, &entry.device), 0);

  struct Case {
    const char* name;
    QRN55Sequence sequence;
    int output_count;
    int input_count;
    QRN55Status result;
  };
  QRN55Sequence no_steps = QRN55Sequence::Loopback();
  no_steps.count = 0;
  // Rings of 1000 samples: 500 frames of two samples.
  const std::vector<Case> cases = {
      {"no sequence steps", no_steps, 10, 10, QRN55_STATUS_INVALID_SEQUENCE},
      {"inputs without an input count", QRN55Sequence::Loopback(), 10, 0,
       QRN55_STATUS_PULSE_INPUT_MISSING},
      {"outputs without an output count", QRN55Sequence::Loopback(), 0, 10,
       QRN55_STATUS_PULSE_OUTPUT_MISSING},
      {"input above the ring", QRN55Sequence::Loopback(), 10, 501, QRN55_STATUS_PULSE_READ_COUNT},
      {"input and delay above the ring", QRN55Sequence::Loopback(), 10, 499,
       QRN55_STATUS_PULSE_READ_COUNT},
      {"input and delay fill the ring", QRN55Sequence::Loopback(), 10, 498, QRN55_STATUS_SUCCESS},
      {"output above the ring", QRN55Sequence::Loopback(), 501, 10, QRN55_STATUS_PULSE_WRITE_COUNT},
      {"output fills the ring", QRN55Sequence::Loopback(), 500, 10, QRN55_STATUS_SUCCESS},
      {"count of a direction without slots", QRN55Sequence::InputsOnly(), 100000, 10,
       QRN55_STATUS_SUCCESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::int16_t> samples(std::max(c.output_count, c.input_count), 1);
    std::vector<std::vector<std::int16_t>> input(2, samples);
    const std::int16_t* sources[] = {samples.data(), samples.data()};
    std::int16_t* targets[] = {input[0].data(), input[1].data()};
    const QRN55Sequence& s = c.sequence;
    EXPECT_EQ(
        QRN55_Pulse(entry.device, 0, s.count, s.input_1.data(), s.input_2.data(), s.output_1.data(),
                    s.output_2.data(), 1, c.output_count, sources, c.input_count, targets),
        c.result);
  }
}

TEST_P(Entry, OpeningAndRefreshing) {
  // Device 0: the master of a two-unit device alone; device 1: complete.
  ASSERT_NE(entry.Plug(UnitConfig("C1"), " 1"), nullptr);
  ASSERT_NE(entry.Plug(UnitConfig("M1", 2, 0), " 2"), nullptr);
  ASSERT_EQ(QRN55_DriverOpen(&entry.driver, 0), 0);
  ASSERT_EQ(QRN55_DriverRefreshConfiguration(entry.driver), 0);
  int status;
  char serial[32];
  ASSERT_EQ(QRN55_DeviceGetConfiguration(entry.driver, 0, &status, serial, 32), 0);
  ASSERT_STREQ(serial, "M1");
  EXPECT_EQ(status, 4);
  QRN55DeviceHandle incomplete = nullptr;
  EXPECT_EQ(QRN55_DeviceOpen(entry.driver, 0, 0, &incomplete), QRN55_STATUS_DEVICE_NOT_AVAILABLE);
  EXPECT_EQ(incomplete, nullptr);
  // Its service functions still answer.
  int count = 0;
  EXPECT_EQ(QRN55_ServiceGetUnitCount(entry.driver, 0, &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(QRN55_ServiceGetUnitStatus(entry.driver, 0, 1, &status), 0);
  EXPECT_EQ(status, QRN55_UNIT_STATUS_MISSING);
  std::uint8_t block[64];
  EXPECT_EQ(QRN55_ServiceReadEEPROM(entry.driver, 0, 1, 0, 64, block), QRN55_STATUS_UNIT_MISSING);
  EXPECT_EQ(QRN55_ServiceReadEEPROM(entry.driver, 0, 2, 0, 64, block), QRN55_STATUS_INVALID_UNIT);
  EXPECT_EQ(QRN55_ServiceGetUnitCount(entry.driver, 2, &count), QRN55_STATUS_INVALID_DEVICE);

  ASSERT_EQ(QRN55_DeviceOpen(entry.driver, 1, 0, &entry.device), 0);
  QRN55DeviceHandle second = reinterpret_cast<QRN55DeviceHandle>(1);
  EXPECT_EQ(QRN55_DeviceOpen(entry.driver, 1, 0, &second), QRN55_STATUS_IN_USE);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(QRN55_UnitGetClipping(entry.device, 0, &status), 0);  // the first is intact
  // A rescan would take the session from under its handle.
  EXPECT_EQ(QRN55_DriverRefreshConfiguration(entry.driver), QRN55_STATUS_BUSY);
  EXPECT_EQ(QRN55_UnitGetClipping(entry.device, 0, &status), 0);
  QRN55_DeviceClose(entry.device);
  entry.device = nullptr;

  // A connected handle closes what it opened.
  ASSERT_EQ(QRN55_DeviceConnect(entry.driver, 1, &entry.device), 0);
  QRN55_DeviceClose(entry.device);
  entry.device = nullptr;
  EXPECT_EQ(QRN55_DriverRefreshConfiguration(entry.driver), 0);
  ASSERT_EQ(QRN55_DeviceOpen(entry.driver, 1, 0, &entry.device), 0);
}

TEST_P(Entry, SessionBufferBeyondIntOffsetsLeavesNoSession) {
  QRN55SimUnitConfig config = UnitConfig("D1");
  config.record.output_fifo_size = 0x7FFFFFFF;
  ASSERT_NE(entry.Plug(config), nullptr);
  ASSERT_EQ(QRN55_DriverOpen(&entry.driver, 0), 0);
  ASSERT_EQ(QRN55_DriverRefreshConfiguration(entry.driver), 0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(QRN55_DeviceOpen(entry.driver, 0, 0, &entry.device), QRN55_STATUS_BUFFER_ALLOCATION);
    EXPECT_EQ(entry.device, nullptr);
  }
}

TEST_P(Entry, ServiceFamily) {
  ASSERT_NE(entry.Plug(UnitConfig("S1")), nullptr);
  ASSERT_EQ(QRN55_DriverOpen(&entry.driver, 0), 0);
  ASSERT_EQ(QRN55_DriverRefreshConfiguration(entry.driver), 0);
  int firmware = 0;
  int logic = 0;
  EXPECT_EQ(QRN55_ServiceGetUnitHardware(entry.driver, 0, 0, &firmware, &logic), 0);
  EXPECT_EQ(firmware, 7);
  EXPECT_EQ(logic, 0);
  int status = -1;
  EXPECT_EQ(QRN55_ServiceGetUnitStatus(entry.driver, 0, 0, &status), 0);
  EXPECT_EQ(status, 0);

  std::vector<std::uint8_t> written(128);
  for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(i * 3);
  std::vector<std::uint8_t> read(128);
  EXPECT_EQ(QRN55_ServiceWriteEEPROM(entry.driver, 0, 0, 0x100, 128, written.data()), 0);
  EXPECT_EQ(QRN55_ServiceReadEEPROM(entry.driver, 0, 0, 0x100, 128, read.data()), 0);
  EXPECT_NE(read, written);  // locked: the unit kept its bytes
  EXPECT_EQ(QRN55_ServiceUnlock(entry.driver, 0, 0, 1), 0);
  EXPECT_EQ(QRN55_ServiceWriteEEPROM(entry.driver, 0, 0, 0x100, 128, written.data()), 0);
  EXPECT_EQ(QRN55_ServiceUnlock(entry.driver, 0, 0, 0), 0);
  EXPECT_EQ(QRN55_ServiceReadEEPROM(entry.driver, 0, 0, 0x100, 128, read.data()), 0);
  EXPECT_EQ(read, written);
  EXPECT_EQ(QRN55_ServiceReadEEPROM(entry.driver, 0, 0, 0x101, 64, read.data()),
            QRN55_STATUS_EEPROM_OFFSET);
  EXPECT_EQ(QRN55_ServiceReadEEPROM(entry.driver, 0, 0, 0x100, 65, read.data()),
            QRN55_STATUS_EEPROM_SIZE);

  const std::vector<std::uint8_t> port = {9, 8, 7};
  std::vector<std::uint8_t> back(3);
  EXPECT_EQ(QRN55_ServiceEnablePortE(entry.driver, 0, 0, 1), 0);
  EXPECT_EQ(QRN55_ServiceWritePortE(entry.driver, 0, 0, 3, port.data()), 0);
  EXPECT_EQ(QRN55_ServiceReadPortE(entry.driver, 0, 0, 3, back.data()), 0);
  EXPECT_EQ(back, port);
}

// An asynchronous slot asked for more frames than it has, or given more
// than it has room for, moves nothing and says so, as the ring transfers do.
TEST_P(Entry, AsynchronousTransfersBeyondWhatIsThereMoveNothing) {
  ASSERT_TRUE(entry.OpenDevice());
  QRN55DeviceHandle device = entry.device;
  ASSERT_EQ(entry.Initialize(QRN55Sequence::Loopback(), 10), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_AsynchronousInputSet(device, 0, 1, 1), QRN55_STATUS_SUCCESS);
  ASSERT_EQ(QRN55_AsynchronousOutputSet(device, 0, 1, 1, 7), QRN55_STATUS_SUCCESS);
  auto input_available = [&] {
    int frames = -1;
    EXPECT_EQ(QRN55_AsynchronousInputGetAvailable(device, 0, 1, &frames), QRN55_STATUS_SUCCESS);
    return frames;
  };
  auto output_available = [&] {
    int frames = -1;
    EXPECT_EQ(QRN55_AsynchronousOutputGetAvailable(device, 0, 1, &frames), QRN55_STATUS_SUCCESS);
    return frames;
  };
  const int room = output_available();
  ASSERT_GT(room, 0);
  ASSERT_EQ(input_available(), 0);
  std::vector<std::int16_t> samples(static_cast<std::size_t>(room) + 1, 5);
  struct Case {
    const char* name;
    std::function<QRN55Status()> call;
    QRN55Status status;
    int input_left, output_left;
  };
  const std::vector<Case> cases = {
      {"read from an empty slot",
       [&] { return QRN55_AsynchronousInputRead(device, 0, 1, 1, samples.data()); },
       QRN55_STATUS_READ_COUNT, 0, room},
      {"write beyond the room",
       [&] { return QRN55_AsynchronousOutputWrite(device, 0, 1, room + 1, samples.data()); },
       QRN55_STATUS_WRITE_COUNT, 0, room},
      {"write the room",
       [&] { return QRN55_AsynchronousOutputWrite(device, 0, 1, room, samples.data()); },
       QRN55_STATUS_SUCCESS, 0, 0},
      {"write to a full slot",
       [&] { return QRN55_AsynchronousOutputWrite(device, 0, 1, 1, samples.data()); },
       QRN55_STATUS_WRITE_COUNT, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.call(), c.status);
    EXPECT_EQ(input_available(), c.input_left);
    EXPECT_EQ(output_available(), c.output_left);
  }
}

TEST_P(Entry, DataLogRecordsOnlyWhileEnabledAndOpen) {
  ASSERT_TRUE(entry.OpenDevice());
  char pattern[] = "/tmp/qrn55-log-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  const std::string path = folder + "/log.html";
  auto log_text = [&] {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  };

  // Enabled before the open: the open switches logging off again.
  EXPECT_EQ(QRN55_ServiceLogEnable(entry.driver, -1), 0);
  ASSERT_EQ(QRN55_ServiceLogOpen(entry.driver, path.c_str()), 0);
  EXPECT_EQ(QRN55_ControlOutputWrite(entry.device, 0, 0, 1.0), 0);
  EXPECT_EQ(log_text().find("Control write"), std::string::npos);
  EXPECT_EQ(QRN55_ServiceLogEnable(entry.driver, -1), 0);
  EXPECT_EQ(QRN55_ControlOutputWrite(entry.device, 0, 0, 1.0), 0);
  EXPECT_NE(log_text().find("Control write"), std::string::npos);
  EXPECT_EQ(QRN55_ServiceLogDisable(entry.driver), 0);
  EXPECT_EQ(QRN55_ServiceLogClose(entry.driver), 0);
  EXPECT_EQ(log_text().substr(log_text().size() - 14), "</body></html>");

  // Paths of up to 255 characters.
  std::string longest = folder + "/";
  longest += std::string(255 - longest.size(), 'p');
  EXPECT_EQ(QRN55_ServiceLogOpen(entry.driver, longest.c_str()), 0);
  EXPECT_EQ(QRN55_ServiceLogClose(entry.driver), 0);
  EXPECT_EQ(QRN55_ServiceLogOpen(entry.driver, (longest + "p").c_str()),
            QRN55_STATUS_INVALID_STRING);
  EXPECT_EQ(QRN55_ServiceLogOpen(entry.driver, (folder + "/none/log.html").c_str()),
            QRN55_STATUS_LOG_CREATE);
  std::remove(longest.c_str());
  std::remove(path.c_str());
  rmdir(folder.c_str());
}

INSTANTIATE_TEST_SUITE_P(Benches, Entry,
                         testing::Values(QRN55Bench::Kind::kInProcess, QRN55Bench::Kind::kFuse),
                         [](const auto& info) { return BenchName(info.param); });

// Host waits run on the virtual clock: they take no time, yet show how long
// they waited.
TEST(EntryDelay, UnitDelayOnTheUnitOrTheHost) {
  QRN55EntryBench entry(QRN55Bench::Kind::kInProcess);
  ASSERT_TRUE(entry.OpenDevice());
  Platform::UseVirtualClock(100.0);
  struct Case {
    double seconds;
    int unit_ticks;  // 0: the host waited
  };
  // The simulated unit's timer counts 5 us: 255 ticks are 1.275 ms.
  for (const Case c : {Case{0.001, 200}, Case{0.002, 0}, Case{0.02, 0}, Case{0.000004, 1}}) {
    SCOPED_TRACE(c.seconds);
    QRN55SimUnit& unit = *entry.units[0];
    const int ticks_before = unit.LastDelayTicks();
    const double before = Platform::ElapsedSeconds();
    EXPECT_EQ(QRN55_UnitDelay(entry.device, 0, c.seconds), QRN55_STATUS_SUCCESS);
    if (c.unit_ticks > 0) {
      EXPECT_EQ(unit.LastDelayTicks(), c.unit_ticks);
    } else {
      EXPECT_EQ(unit.LastDelayTicks(), ticks_before);
      EXPECT_NEAR(Platform::ElapsedSeconds() - before, c.seconds, 1e-9);
    }
  }
  Platform::UseRealClock();
}

}  // namespace
