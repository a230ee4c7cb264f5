// The device information record against a simulated unit with a persistent
// EEPROM: read, validation, repair, write with read-back compare and its
// retries, and the debug dumps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/tests/QRN55Tools_fixture.h"
#include "foundation/Strings.h"

namespace {

using QRN55Tools::DeviceInformation;

constexpr std::uint64_t kEEPROMWindow = 0x600000;
constexpr std::uint64_t kDataTransferSize = 0x1200000;

std::string Message() { return Str(QRN55Tools::ErrorMessage); }

std::string WorkingSerial() {
  char serial[16];
  QRN55Tools::GetUnitSerialNumber(serial);
  return Str(serial);
}

std::vector<std::uint8_t> WorkingImage() {
  std::vector<std::uint8_t> image(512);
  QRN55Tools::RecordToImage(DeviceInformation, std::span<std::uint8_t, 512>(image.data(), 512));
  return image;
}

int Writes(const std::vector<QRN55SimTransfer>& trace, std::uint64_t region) {
  int count = 0;
  for (const QRN55SimTransfer& transfer : trace) {
    if (transfer.write && transfer.address / 0x200000 * 0x200000 == region) ++count;
  }
  return count;
}

std::string ReadFile(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class DeviceRecordTest : public QRN55ToolsTest {
 protected:
  void SetUp() override {
    QRN55ToolsTest::SetUp();
    unit_ = Plug(SingleUnit("111111"), " A");
    ASSERT_TRUE(QRN55Tools::OpenIfNotOpen()) << Message();
  }
  QRN55SimUnit* unit_ = nullptr;
};

TEST_F(DeviceRecordTest, ARecordIsReadWrittenAndReadBackAfterAPowerCycle) {
  ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  EXPECT_EQ(WorkingSerial(), Serial("111111", 7, 0));
  EXPECT_EQ(DeviceInformation.firmware, 7);

  DeviceInformation.inputCalibrationScale[3] = 0.00031;
  DeviceInformation.outputCalibrationOffset[4] = 0.0123;
  Strings::Clear(DeviceInformation.deviceSerialNumber);
  ASSERT_TRUE(QRN55Tools::WriteDeviceInformation(0)) << Message();
  const std::vector<std::uint8_t> stored = StoredRecord(*unit_);
  EXPECT_EQ(stored, WorkingImage()) << "the unit holds the working copy";
  EXPECT_EQ(DoubleAt(stored, 128 + 3 * 8), 0.00031);
  EXPECT_EQ(DoubleAt(stored, 312 + 4 * 8), 0.0123);
  EXPECT_EQ(TextAt(stored, 32, 32), Serial("111111", 7, 0)) << "a master's device serial";
  EXPECT_EQ(TextAt(stored, 396, 4), "v03");
  EXPECT_EQ(static_cast<std::uint32_t>(Int32At(stored, 400)), RecordSum(stored));
  EXPECT_EQ(TextAt(stored, 404, 32).size(), 20u) << "dd-Mon-yyyy hh:mm:ss";
  const std::vector<std::uint8_t> below = unit_->ReadEEPROM(0, QRN55Tools::DeviceInfoAddress);
  EXPECT_EQ(std::count(below.begin(), below.end(), 0xFF), QRN55Tools::DeviceInfoAddress)
      << "nothing below the record is touched";

  unit_->PowerCycle();
  QRN55Tools::InitDeviceInformation(0, 1, "");
  ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  EXPECT_EQ(WorkingImage(), stored);
  double scale = 0;
  double offset = 0;
  QRN55Interface::GetAdcScale(0, 3, scale, offset);
  EXPECT_EQ(scale, 0.00031) << "a read hands the scaling to the backend";
  QRN55Interface::GetDacScale(0, 4, scale, offset);
  EXPECT_EQ(offset, 0.0123);
}

TEST_F(DeviceRecordTest, EveryValidationFailureLeavesTheWorkingCopy) {
  struct Case {
    const char* field;
    void (*edit)(std::vector<std::uint8_t>&);
    bool fixCRC;
  };
  const Case cases[] = {
      {"unit_serial_number_1", [](std::vector<std::uint8_t>& r) { r[7] = 0x30; }, true},
      {"unit_serial_number_2", [](std::vector<std::uint8_t>& r) { r[0] = 30, r[30] = 0; }, true},
      {"device_serial_number", [](std::vector<std::uint8_t>& r) { r[40] = 'D'; }, true},
      {"description", [](std::vector<std::uint8_t>& r) { r[64] = 'W'; }, true},
      {"EEPROM_version", [](std::vector<std::uint8_t>& r) { r[397] = '9'; }, true},
      {"EEPROM_CRC", [](std::vector<std::uint8_t>& r) { r[400] ^= 0x10; }, false},
  };
  QRN55Tools::InitDeviceAndVrnlInformation(0, 1, 3, 4, 5, "999999");
  const std::vector<std::uint8_t> before = WorkingImage();
  const std::vector<std::uint8_t> sound = StoredRecord(*unit_);
  for (const Case& c : cases) {
    std::vector<std::uint8_t> record = sound;
    c.edit(record);
    StoreRecord(*unit_, record, c.fixCRC);
    EXPECT_FALSE(QRN55Tools::ReadDeviceInformation(0)) << c.field;
    EXPECT_EQ(Message(), "Compare failed (" + std::string(c.field) + ").");
    EXPECT_EQ(WorkingImage(), before) << c.field;
  }
}

TEST_F(DeviceRecordTest, OldRecordsReadWhateverTheirCRC) {
  std::vector<std::uint8_t> record = StoredRecord(*unit_);
  record[398] = '1';
  PutInt32(record, 400, 4711);
  StoreRecord(*unit_, record, false);
  ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  EXPECT_EQ(DeviceInformation.crc, RecordSum(record));

  record[398] = '3';
  PutInt32(record, 400, 0);
  StoreRecord(*unit_, record, false);
  EXPECT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << "a CRC of 0 is not checked";
}

TEST_F(DeviceRecordTest, ACalibrationValueThatIsNoNumberIsPutBackAndNamed) {
  std::vector<std::uint8_t> record = StoredRecord(*unit_);
  PutDouble(record, 128 + 3 * 8, std::numeric_limits<double>::quiet_NaN());
  PutDouble(record, 312 + 1 * 8, -std::numeric_limits<double>::infinity());
  StoreRecord(*unit_, record);
  ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  EXPECT_EQ(DeviceInformation.inputCalibrationScale[3], 0.0003125);
  EXPECT_EQ(DeviceInformation.outputCalibrationOffset[1], 0.0);
  double scale = 0;
  double offset = 0;
  QRN55Interface::GetAdcScale(0, 3, scale, offset);
  EXPECT_EQ(scale, 0.0003125);
  const std::vector<std::string> lines = ConsoleLines();
  const auto said = [&](const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  };
  EXPECT_TRUE(said("QRN5+5 unit 1: input_calibration_scale3 was no number, set to its default."));
  EXPECT_TRUE(said("QRN5+5 unit 1: output_calibration_offset1 was no number, set to its default."));
  // The repaired record can be written back.
  ASSERT_TRUE(QRN55Tools::WriteDeviceInformation(0)) << Message();
  EXPECT_EQ(DoubleAt(StoredRecord(*unit_), 128 + 3 * 8), 0.0003125);
}

TEST_F(DeviceRecordTest, AReadBackThatDiffersIsRetriedSixTimes) {
  ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  DeviceInformation.inputCalibrationScale[0] = 0.0003;
  unit_->InjectStuckEEPROMByte(QRN55Tools::DeviceInfoAddress + 130, 0x5A);
  unit_->SetTracing(true);
  EXPECT_FALSE(QRN55Tools::WriteDeviceInformation(0));
  EXPECT_EQ(Message(), "Compare failed (EEPROM_compare).");
  EXPECT_EQ(Str(QRN55Tools::CompareError), "EEPROM_compare");
  EXPECT_EQ(Writes(unit_->TakeTrace(), kEEPROMWindow), 6 * 8) << "six attempts of 8 chunks";
  EXPECT_NE(DeviceInformation.crc, 0u) << "the working copy keeps its date and CRC";
  EXPECT_GT(Strings::Length(DeviceInformation.writeDate), 0);
}

TEST_F(DeviceRecordTest, AWriteThatFailsAtItsFirstChunkIsNotRetried) {
  ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  unit_->InjectFault(QRN55SimFault::kWriteError, kEEPROMWindow);
  unit_->SetTracing(true);
  EXPECT_FALSE(QRN55Tools::WriteDeviceInformation(0));
  char expected[128];
  QRN55Interface::GetErrorText(QRN55_ERROR_FileIO(), expected);
  EXPECT_EQ(Message(), Str(expected));
  EXPECT_EQ(Writes(unit_->TakeTrace(), kDataTransferSize), 1) << "one attempt, one chunk";
}

TEST_F(DeviceRecordTest, WritesUnlockTheEEPROMAndLockItAgain) {
  ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  unit_->SetTracing(true);
  ASSERT_TRUE(QRN55Tools::WriteDeviceInformation(0)) << Message();
  const std::vector<QRN55SimTransfer> trace = unit_->TakeTrace();
  int unlocked = 0;
  for (const QRN55SimTransfer& transfer : trace) {
    if (transfer.write && transfer.address == kDataTransferSize) unlocked += transfer.bytes[6];
  }
  EXPECT_EQ(unlocked, 16) << "eight chunks written and read back, unlocked";
  // The next transfer goes out locked: a write now is ignored by the unit.
  const std::vector<std::uint8_t> stored = StoredRecord(*unit_);
  std::uint8_t chunk[64] = {1, 2, 3};
  EXPECT_EQ(QRN55_ServiceWriteEEPROM(QRN55Interface::Driver, QRN55Interface::DeviceIndex, 0,
                                     QRN55Tools::DeviceInfoAddress, 64, chunk),
            0);
  EXPECT_EQ(StoredRecord(*unit_), stored);
}

TEST_F(DeviceRecordTest, EveryReadAndWriteIsDumpedWhenAskedFor) {
  QRN55Tools::DebugWrite = true;
  ASSERT_TRUE(QRN55Tools::ReadDeviceInformation(0)) << Message();
  std::vector<std::uint8_t> record = StoredRecord(*unit_);
  record[64] = 'W';
  StoreRecord(*unit_, record);
  EXPECT_FALSE(QRN55Tools::DoReadDeviceInformation("JoinUnits-Read-1", 0));
  ASSERT_TRUE(QRN55Tools::WriteDeviceInformation(0)) << Message();

  const std::string first = ReadFile(Directory() + "QRN55Calib_111111_000.txt");
  EXPECT_NE(first.find("unit_serial_number \"" + Serial("111111", 7, 0) + "\""), std::string::npos)
      << first;
  EXPECT_NE(first.find("\nCRC "), std::string::npos);
  EXPECT_NE(first.find("Function \"ReadDeviceInformation\""), std::string::npos);
  const std::string second = ReadFile(Directory() + "QRN55Calib_111111_001.txt");
  EXPECT_NE(second.find("description \"WRNL QRN55\""), std::string::npos) << second;
  EXPECT_NE(second.find("Function \"JoinUnits-Read-1: Compare failed (description).\""),
            std::string::npos)
      << second;
  const std::string third = ReadFile(Directory() + "QRN55Calib_111111_002.txt");
  EXPECT_NE(third.find("Function \"WriteDeviceInformation\""), std::string::npos) << third;
  EXPECT_EQ(QRN55Tools::DebugIndex, 3);
}

TEST_F(QRN55ToolsTest, WithoutTheDriverNothingIsTransferred) {
  EXPECT_FALSE(QRN55Tools::ReadDeviceInformation(0));
  EXPECT_EQ(Message(), "Driver not opened.");
  bool wroteAny = true;
  const std::uint8_t data[64] = {};
  EXPECT_EQ(QRN55Tools::WriteToEEPROM(0, data, 0, wroteAny), QRN55Interface::kNotOpen);
  EXPECT_FALSE(wroteAny);
}

TEST_F(QRN55ToolsTest, WindowsOnlyOperationsRefuse) {
  EXPECT_FALSE(QRN55Tools::InitializeEEPROM(0, 0, 0, 0));
  EXPECT_EQ(Message(), "Function requires \"Windows\".");
}

}  // namespace
