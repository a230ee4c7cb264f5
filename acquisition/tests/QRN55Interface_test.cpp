// Opening, choosing and checking QRN 5+5 devices, unit records, texts,
// the tone and the driver's log, against simulated units and, for what a
// real driver never reports, against stand-ins for its configuration calls.
#include "acquisition/QRN55Interface.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/QRN55InterfaceState.h"
#include "acquisition/ZRVDebug.h"
#include "acquisition/tests/QRN55Backend_fixture.h"
#include "dialogs/Alert.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"

namespace {

namespace QI = QRN55Interface;

std::span<const char> Text(const std::string& s) { return {s.c_str(), s.size() + 1}; }

std::string ErrorText(int code) {
  char text[256];
  QI::GetErrorText(code, text);
  return text;
}

std::string UnitSerial(int unit) {
  char text[80];
  QI::GetUnitSerialNumber(unit, text);
  return text;
}

using QRN55Interface = QRN55BackendTest;

TEST_F(QRN55Interface, OpensOneUnitWithItsCalibration) {
  QRN55SimUnitConfig config = SimUnitConfig("100000010700010");
  config.record.output_scale[1] = 0.0004;
  config.record.input_offset[3] = 0.01;
  Plug(config, " A");

  ASSERT_EQ(QI::Open(0, 3), 0);
  EXPECT_TRUE(QI::DriverIsOpen());
  EXPECT_TRUE(QI::DeviceIsOpen());
  std::int32_t fifo = 0, dacs = 0, adcs = 0, units = 0;
  EXPECT_EQ(QI::GetInfo(fifo, dacs, adcs, units), 0);
  EXPECT_EQ(fifo, 65536);
  EXPECT_EQ(dacs, 4);
  EXPECT_EQ(adcs, 8);
  EXPECT_EQ(units, 1);
  EXPECT_EQ(UnitSerial(0), "123450010700010");
  EXPECT_EQ(UnitSerial(1), "123450010700010");
  EXPECT_EQ(UnitSerial(2), "");
  double scale = 0, offset = 0;
  QI::GetDacScale(0, 1, scale, offset);
  EXPECT_DOUBLE_EQ(scale, 0.0004);
  QI::GetAdcScale(0, 3, scale, offset);
  EXPECT_DOUBLE_EQ(offset, 0.01);
  int driverVersion = 0, firmware = 0, logic = 0;
  EXPECT_EQ(QI::GetVersions(0, driverVersion, firmware, logic), 0);
  EXPECT_EQ(driverVersion, 7);
  EXPECT_EQ(firmware, 7);
  EXPECT_EQ(logic, 0);

  QI::Close();
  EXPECT_FALSE(QI::DriverIsOpen());
  EXPECT_FALSE(QI::DeviceIsOpen());
  EXPECT_EQ(UnitSerial(0), "123450010700010");  // the text stays until the next open
  QI::GetDacScale(0, 1, scale, offset);
  EXPECT_DOUBLE_EQ(scale, 0.0003125);
}

TEST_F(QRN55Interface, OpensTwoJoinedUnits) {
  PlugDevice("200000010700010", 2);
  ASSERT_EQ(QI::Open(0, 3), 0);
  std::int32_t fifo = 0, dacs = 0, adcs = 0, units = 0;
  QI::GetInfo(fifo, dacs, adcs, units);
  EXPECT_EQ(dacs, 8);
  EXPECT_EQ(adcs, 16);
  EXPECT_EQ(units, 2);
  EXPECT_EQ(UnitSerial(1), "123450010700010");
  EXPECT_EQ(UnitSerial(2), "123451010700010");
  EXPECT_EQ(QI::ResetUSB(), 0);
  EXPECT_TRUE(QI::DeviceIsOpen());
  EXPECT_EQ(QI::DriverRefresh(), 0);
  EXPECT_TRUE(QI::DeviceIsOpen());
}

TEST_F(QRN55Interface, NoDevice) {
  EXPECT_EQ(QI::Open(0, 3), QI::kNoDevice);
  EXPECT_EQ(ErrorText(QI::kNoDevice), "No Device. Please, check power and connections.");
  EXPECT_FALSE(QI::DriverIsOpen());
  EXPECT_EQ(QI::ResetUSB(), 0);
  EXPECT_EQ(QI::DriverRefresh(), QI::kNotOpen);
}

// A device that cannot be opened names the unit that is missing, and only
// when the other one is there.
TEST_F(QRN55Interface, MissingUnitOfAJoinedDevice) {
  struct Case {
    std::string serial;
    int plugged;  // the one unit of a device of two that is there
    std::string text;
  };
  const std::vector<Case> cases = {
      {"300000010700010", 0, "Master unit found, Slave unit not available"},
      {"310000010700010", 1, "Slave unit found, Master unit not available"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.serial);
    Plug(SimUnitConfig(c.serial, 2, c.plugged), " " + c.serial);
    QI::SetDeviceSerialNumber(Text(c.serial));
    EXPECT_EQ(QI::Open(0, 3), QRN55_STATUS_DEVICE_NOT_AVAILABLE);
    EXPECT_EQ(ErrorText(QRN55_STATUS_DEVICE_NOT_AVAILABLE), c.text);
    EXPECT_FALSE(QI::DriverIsOpen());
  }
}

TEST_F(QRN55Interface, FaultySingleUnitKeepsTheDriversText) {
  QRN55SimUnitConfig config = SimUnitConfig("400000010700010");
  config.record.input_fifo_size = -1;  // fails the EEPROM checks
  Plug(config, " faulty");
  EXPECT_EQ(QI::Open(0, 3), QRN55_STATUS_DEVICE_NOT_AVAILABLE);
  EXPECT_EQ(ErrorText(QRN55_STATUS_DEVICE_NOT_AVAILABLE),
            "The device is not available or ready to be opened");
}

TEST_F(QRN55Interface, ChoosesTheDeviceBySerialNumber) {
  for (const char* serial : {"100000010700010", "200000010700010"}) {
    QRN55SimUnitConfig config = SimUnitConfig(serial);
    config.record.unit_serial = serial;
    Plug(config, std::string(" ") + serial);
  }
  struct Case {
    const char* requested;
    int mode;
    int result;
    std::string opened;  // the unit serial of the device opened
  };
  // Characters 8, 9 and 14 tell the units of one device apart.
  const std::vector<Case> cases = {
      {"200000010700010", 3, 0, "200000010700010"},
      {"100000011X00019", 3, 0, "100000010700010"},
      {"200000011X00019", 1, 0, "200000010700010"},
      {"200000011X00019", 2, QI::kDeviceNotFound, ""},
      {"200000110700010", 3, QI::kDeviceNotFound, ""},
      {"", 3, 0, ""},  // any device
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.requested) + " mode " + std::to_string(c.mode));
    QI::SetDeviceSerialNumber(Text(c.requested));
    EXPECT_EQ(QI::Open(0, c.mode), c.result);
    EXPECT_EQ(QI::DeviceIsOpen(), c.result == 0);
    if (!c.opened.empty()) {
      EXPECT_EQ(UnitSerial(0), c.opened);
    }
  }
}

TEST_F(QRN55Interface, EqualDeviceNumbers) {
  const std::vector<std::tuple<const char*, const char*, bool>> cases = {
      {"123456789ABCDEF", "123456789ABCDEF", true},
      {"12345678XYBCDEF", "1234567800BCDEZ", true},
      {"123456789ABCDEF", "023456789ABCDEF", false},
      {"123456789ABCDEF", "123456789ABCDE", false},
      // A text that ends before position 8 is not lengthened by the rule.
      {"12345678", "123456780", false},
      {"", "", true},
  };
  for (const auto& [a, b, equal] : cases) {
    EXPECT_EQ(QI::EqualDeviceNumbers(Text(a), Text(b)), equal) << a << " / " << b;
    EXPECT_EQ(QI::EqualDeviceNumbers(Text(b), Text(a)), equal) << b << " / " << a;
  }
}

TEST_F(QRN55Interface, FifoLengthAsked) {
  const std::vector<std::pair<std::int32_t, std::int32_t>> cases = {
      {1000, 65536},  {65536, 65536}, {65537, 65537},
      {70000, 70000}, {-5, 65536},    {INT32_MAX, INT32_MAX - 8}};
  for (const auto& [asked, taken] : cases) EXPECT_EQ(QI::SetFIFOLength(asked), taken) << asked;
}

TEST_F(QRN55Interface, ErrorTexts) {
  const std::vector<std::pair<int, std::string>> cases = {
      {QI::kDriverNotFound, "QRN55Driver.dll not found."},
      {QI::kFunctionNotFound, "Function not found in QRN55Driver.dll."},
      {QI::kDriverNotLoaded, "QRN55Driver.dll not loaded."},
      {QI::kDriverTooOld, "QRN55Driver.dll too old."},
      {QI::kNotSupported, "Function not supported."},
      {QI::kNotOpen, "Driver not opened."},
      {QI::kDeviceNotAvailable, "Device is not available. Please, check power and connections."},
      {QI::kDeviceNotFound, "Device not found."},
      {QI::kDriverVersion, "QRN5+5 driver (v0/0) must be at least v7/8."},
      {QI::kSlotConfiguration, "Slot configuration error."},
      {QI::kFIFOOverflow, "FIFO overflow."},
      {QI::kAllocation, "Allocation error."},
      {QI::kInternal, "Internal error."},
      {QI::kAcquisitionTimeout, "Acquisition Timeout."},
      {QRN55_STATUS_IN_USE, "The requested device is in use by another session"},
      {QRN55_STATUS_READ_COUNT,
       "Invalid read count. The requested amount of data is not available"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(ErrorText(code), text) << code;
  char small[8];
  QI::GetErrorText(QI::kAllocation, small);
  EXPECT_EQ(std::string(small), "Allocat");
}

// ---- What a real driver never reports ----------------------------------------

struct StagedDevice {
  int state;
  std::string serial;
};

struct StagedDriver {
  int driverVersion = 7;
  int serviceVersion = 8;
  std::vector<StagedDevice> devices;
  std::vector<StagedDevice> afterRefresh;  // replaces devices at a refresh, when set
  int refreshes = 0;
};

StagedDriver staged;

QRN55Status StagedGetVersion(QRN55DriverHandle, int* driverVersion, int* serviceVersion,
                             char* message, int) {
  *driverVersion = staged.driverVersion;
  *serviceVersion = staged.serviceVersion;
  message[0] = '\0';
  return QRN55_STATUS_SUCCESS;
}

QRN55Status StagedRefresh(QRN55DriverHandle driver) {
  QI::kRealConfiguration.DriverRefreshConfiguration(driver);
  if (++staged.refreshes > 1 && !staged.afterRefresh.empty()) staged.devices = staged.afterRefresh;
  return QRN55_STATUS_SUCCESS;
}

QRN55Status StagedCount(QRN55DriverHandle, int* count) {
  *count = static_cast<int>(staged.devices.size());
  return QRN55_STATUS_SUCCESS;
}

QRN55Status StagedConfiguration(QRN55DriverHandle, int index, int* state, char* serial,
                                int length) {
  if (index >= static_cast<int>(staged.devices.size())) return QRN55_STATUS_INVALID_DEVICE;
  *state = staged.devices[static_cast<std::size_t>(index)].state;
  Strings::Assign(std::span<char>(serial, static_cast<std::size_t>(length)),
                  Text(staged.devices[static_cast<std::size_t>(index)].serial));
  return QRN55_STATUS_SUCCESS;
}

class StagedQRN55Interface : public QRN55BackendTest {
 protected:
  void SetUp() override {
    QRN55BackendTest::SetUp();
    // The search waits a second before it is repeated.
    Platform::UseVirtualClock(Platform::ElapsedSeconds());
    staged = {};
    QI::Configuration = {StagedGetVersion, StagedRefresh, StagedCount, StagedConfiguration};
  }
  void TearDown() override {
    QRN55BackendTest::TearDown();
    Platform::UseRealClock();
  }
};

TEST_F(StagedQRN55Interface, DriverTooOld) {
  staged.devices = {{0, "S1"}};
  const std::vector<std::tuple<int, int, std::string>> cases = {
      {6, 8, "QRN5+5 driver (v6/8) must be at least v7/8."},
      {7, 7, "QRN5+5 driver (v7/7) must be at least v7/8."},
  };
  for (const auto& [driverVersion, serviceVersion, text] : cases) {
    staged.driverVersion = driverVersion;
    staged.serviceVersion = serviceVersion;
    EXPECT_EQ(QI::Open(0, 3), QI::kDriverVersion);
    EXPECT_EQ(ErrorText(QI::kDriverVersion), text);
    EXPECT_FALSE(QI::DriverIsOpen());
  }
}

// The driver reports a device with an open session as state 1.
TEST_F(StagedQRN55Interface, DeviceInUse) {
  PlugDevice("100000010700010", 1);
  PlugDevice("200000010700010", 1);
  staged.devices = {{1, "100000010700010"}, {0, "100000010700010"}};
  QI::SetDeviceSerialNumber("100000010700010");
  EXPECT_EQ(QI::Open(0, 3), QI::kDeviceNotAvailable);
  EXPECT_FALSE(QI::DriverIsOpen());
  // Mode 1 passes over a device in use.
  EXPECT_EQ(QI::Open(0, 1), 0);
  EXPECT_EQ(QI::DeviceIndex, 1);
  // So does nothing else: a device of any other state is a candidate.
  staged.devices = {{4, "100000010700010"}, {0, "100000010700010"}};
  EXPECT_EQ(QI::Open(0, 1), 0);
  EXPECT_EQ(QI::DeviceIndex, 0);
}

TEST_F(StagedQRN55Interface, SeveralDevicesAbortOrRepeat) {
  const std::vector<StagedDevice> two = {{0, "S1"}, {0, "S2"}};
  char serial[80] = "";
  char message[128] = "";

  staged.devices = two;
  Alert::PushAnswer(1);  // Abort
  EXPECT_EQ(QI::CheckDeviceNumber(serial, message), QI::kNotSupported);
  EXPECT_EQ(std::string(message), "Multiple Devices found.");
  EXPECT_FALSE(QI::DriverIsOpen());

  // Repeat: the search starts over on a fresh scan, where S2 is gone.
  staged = {};
  staged.devices = two;
  staged.afterRefresh = {{0, "S1"}};
  Alert::PushAnswer(3);
  Strings::Clear(message);
  EXPECT_EQ(QI::CheckDeviceNumber(serial, message), 0);
  EXPECT_EQ(std::string(serial), "S1");
  EXPECT_EQ(staged.refreshes, 2);
  EXPECT_FALSE(QI::DriverIsOpen());

  // Repeat, still two, then Abort.
  staged = {};
  staged.devices = two;
  Alert::PushAnswer(3);
  Alert::PushAnswer(1);
  Strings::Clear(serial);
  EXPECT_EQ(QI::CheckDeviceNumber(serial, message), QI::kNotSupported);
  EXPECT_EQ(staged.refreshes, 2);
}

TEST_F(StagedQRN55Interface, CheckDeviceNumberWithASerial) {
  staged.devices = {{0, "100000010700010"}, {0, "200000010700010"}};
  char serial[80] = "200000011700019";
  char message[128] = "";
  EXPECT_EQ(QI::CheckDeviceNumber(serial, message), 0);
  EXPECT_EQ(std::string(serial), "200000010700010");

  Strings::Assign(serial, "300000010700010");
  EXPECT_EQ(QI::CheckDeviceNumber(serial, message), QI::kDeviceNotFound);
  EXPECT_EQ(std::string(message),
            "Device \"300000010700010\" not found, last was \"200000010700010\".");

  staged.devices = {};
  EXPECT_EQ(QI::CheckDeviceNumber(serial, message), QI::kNoDevice);
  EXPECT_EQ(std::string(message), "No Device. Please, check power and connections.");
  Strings::Clear(serial);
  EXPECT_EQ(QI::CheckDeviceNumber(serial, message), QI::kNoDevice);
}

// ---- Tone, versions, scaling, log ----------------------------------------------

TEST_F(QRN55Interface, Tone) {
  EXPECT_EQ(QI::SoundOn(1000, 0.5), QI::kNotOpen);
  QRN55SimUnit* unit = PlugDevice("100000010700010", 1)[0];
  ASSERT_EQ(QI::Open(0, 3), 0);
  // The open turns the tone off: 0 V pitch, 5 V (no) volume.
  EXPECT_NEAR(unit->ControlOutputVolts(0), 0.0, 0.002);
  EXPECT_NEAR(unit->ControlOutputVolts(1), 5.0, 0.002);
  const std::vector<std::tuple<double, double, double, double>> cases = {
      {100, 0, 0.0, 5.0}, {5000, 1, 5.0, 0.0}, {2100, 0.5, 2.5, 2.5}, {NAN, NAN, 0.0, 0.0}};
  for (const auto& [frequency, volume, pitchVolts, volumeVolts] : cases) {
    EXPECT_EQ(QI::SoundOn(frequency, volume), 0);
    EXPECT_TRUE(QI::SoundIsOn());
    EXPECT_NEAR(unit->ControlOutputVolts(0), pitchVolts, 0.002) << frequency;
    EXPECT_NEAR(unit->ControlOutputVolts(1), volumeVolts, 0.002) << volume;
  }
  EXPECT_EQ(QI::SoundOff(), 0);
  EXPECT_FALSE(QI::SoundIsOn());
  EXPECT_NEAR(unit->ControlOutputVolts(0), 0.0, 0.002);
  EXPECT_NEAR(unit->ControlOutputVolts(1), 5.0, 0.002);
}

TEST_F(QRN55Interface, FpgaVersion) {
  struct Case {
    int firmware;
    int logic;
    bool valid;
    std::string message;
  };
  const std::vector<Case> cases = {
      {7, 0, true, ""},
      {7, 255, true, ""},  // no FPGA loaded
      {8, 16, true, ""},
      {7, 16, false, "Firmware (7) incompatible with FPGA16)"},
      {9, 1, false, "QRN5+5: incorrect FPGA version (1)"},
  };
  QRN55SimUnit* unit = PlugDevice("100000010700010", 1)[0];
  for (const Case& c : cases) {
    QRN55SimSignature signature;
    signature.firmware = static_cast<std::uint8_t>(c.firmware);
    signature.logic = static_cast<std::uint8_t>(c.logic);
    unit->SetSignature(signature);
    ASSERT_EQ(QI::Open(0, 3), 0);
    char message[128] = "";
    EXPECT_EQ(QI::ValidateFpgaVersion(message), c.valid) << c.firmware << "/" << c.logic;
    EXPECT_EQ(std::string(message), c.message);
  }
  QI::Close();
  char message[128] = "";
  EXPECT_TRUE(QI::ValidateFpgaVersion(message));  // no device, nothing to check
}

TEST_F(QRN55Interface, ScalingByTheCaller) {
  QRN55SimUnitConfig config = SimUnitConfig("100000010700010");
  config.record.output_scale[2] = 2 * 0.0003125;
  config.record.output_scale[4] = NAN;
  config.record.input_scale[1] = 0.0003125 / 2;
  config.record.input_scale[8] = 0.0;
  Plug(config, " A");
  ASSERT_EQ(QI::Open(0, 3), 0);
  QI::MapMuxAdc(5, -1);
  double dac[14];
  double adc[22];
  std::fill(std::begin(dac), std::end(dac), -1.0);
  std::fill(std::begin(adc), std::end(adc), -1.0);
  bool internal = false;
  QI::SetScaling(internal, dac, adc);
  EXPECT_FALSE(internal);
  EXPECT_DOUBLE_EQ(dac[0], 3200.0);
  EXPECT_DOUBLE_EQ(dac[2], 6400.0);
  EXPECT_DOUBLE_EQ(dac[10], 3200.0);  // a scale that is no number counts as none
  EXPECT_DOUBLE_EQ(dac[8], -1.0);     // ports stay unscaled
  EXPECT_DOUBLE_EQ(dac[4], -1.0);     // no slave
  EXPECT_DOUBLE_EQ(adc[1], 6400.0);
  EXPECT_DOUBLE_EQ(adc[5], 3200.0);  // mapped to the multiplexer, scale 0 counts as none
  EXPECT_DOUBLE_EQ(adc[18], 3200.0);
  EXPECT_DOUBLE_EQ(adc[16], -1.0);

  Switch("QRN55_Scale.Off");
  std::fill(std::begin(dac), std::end(dac), -1.0);
  internal = false;
  QI::SetScaling(internal, dac, adc);
  EXPECT_TRUE(internal);
  EXPECT_DOUBLE_EQ(dac[0], -1.0);
}

TEST_F(QRN55Interface, DriverLogFollowsTheDebugLog) {
  PlugDevice("100000010700010", 1);
  const std::string log = Directory() + "QRN55_log.html";
  ZRVDebug::DebugOn = true;
  Strings::Assign(ZRVDebug::DebugFile, Text(log));

  // Asked for before the driver is open: it opens with the driver.
  ZRVDebug::InterfaceActivateLogging();
  EXPECT_TRUE(QI::IsLogging());
  ASSERT_EQ(QI::Open(0, 3), 0);
  EXPECT_TRUE(QI::IsLogging());
  EXPECT_TRUE(std::filesystem::exists(log));
  EXPECT_EQ(QI::SoundOn(440, 1), 0);  // a command to log
  QI::Close();
  EXPECT_FALSE(QI::IsLogging());
  EXPECT_EQ(std::string(ZRVDebug::DebugFile), "");
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("<"), std::string::npos);

  // Asked for while the driver is open: it opens at once, and SetLogging
  // switches it off and on.
  const std::string second = Directory() + "QRN55_second.html";
  Strings::Assign(ZRVDebug::DebugFile, Text(second));
  ASSERT_EQ(QI::Open(0, 3), 0);
  QI::ActivateLogging();
  EXPECT_TRUE(QI::IsLogging());
  EXPECT_TRUE(std::filesystem::exists(second));
  EXPECT_FALSE(QI::SetLogging(false));
  // The name went with the log: nothing to open again.
  EXPECT_FALSE(QI::SetLogging(true));
}

TEST_F(QRN55Interface, NoLogWithoutTheDebugSwitch) {
  PlugDevice("100000010700010", 1);
  ASSERT_EQ(QI::Open(0, 3), 0);
  EXPECT_FALSE(QI::SetLogging(true));
  EXPECT_FALSE(QI::IsLogging());
}

}  // namespace
