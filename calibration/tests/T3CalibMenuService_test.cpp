// The Calibrate menu's QRN 5+5 service items in the running program on the
// simulated units: the firmware item's refusals and its one path that
// writes, behind the record's backup; joining and splitting.
#include "calibration/T3CalibMenuService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/QRN55Firmware.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRV.h"
#include "calibration/T3CalibMenu.h"
#include "calibration/Tlv3Menus.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "foundation/SingleBlockFile.h"

namespace {

constexpr int kOK = 3;  // the join and split alerts' "OK" stands third
constexpr int kCancel = 1;
constexpr char kPowerCycle[] = "Power now the unit off and on again.";
// The release the test's image reports, above the program's own.
constexpr std::uint16_t kNewRelease = 9;

// A firmware file of the program's image under the release given: the
// single-block header, then the image with the release in its bytes 5-6.
std::string FirmwareFile(std::uint16_t release, std::size_t imageLength = 0) {
  const std::uint8_t* image = nullptr;
  std::int32_t length = 0;
  std::int32_t checksum = 0;
  std::int32_t version = 0;
  QRN55Firmware::InitModule();
  QRN55Firmware::Get(image, length, checksum, version);
  std::vector<std::byte> file(SingleBlockFile::kHeaderSize + std::max<std::size_t>(imageLength, length));
  std::transform(image, image + length, file.begin() + SingleBlockFile::kHeaderSize,
                 [](std::uint8_t b) { return std::byte{b}; });
  file[SingleBlockFile::kHeaderSize + 5] = std::byte(release & 0xFF);
  file[SingleBlockFile::kHeaderSize + 6] = std::byte(release >> 8);
  SingleBlockFile::MakeHeader(Text("QRN55-Firmware"), file,
                              static_cast<std::uint32_t>(file.size() - SingleBlockFile::kHeaderSize),
                              static_cast<std::int32_t>(file.size()), release);
  return {reinterpret_cast<const char*>(file.data()), file.size()};
}

// A single-block file of another kind.
std::string ScaleFile() {
  std::vector<std::byte> file(SingleBlockFile::kHeaderSize + 1024);
  SingleBlockFile::MakeHeader(Text("TLV-Scale"), file, 1024, static_cast<std::int32_t>(file.size()), 1);
  return {reinterpret_cast<const char*>(file.data()), file.size()};
}

// The unit's whole EEPROM as the driver reads it.
std::vector<std::uint8_t> UnitEEPROM() {
  std::vector<std::uint8_t> bytes(QRN55Tools::DeviceInfoAddress + QRN55Tools::DeviceInfoSize);
  EXPECT_TRUE(QRN55Tools::OpenIfNotOpen()) << QRN55Tools::ErrorMessage;
  EXPECT_EQ(QRN55Tools::ReadFromEEPROM(0, bytes, 0), 0);
  return bytes;
}

class ServiceItems : public MerethTest {
 protected:
  bool Has(const std::string& part) const { return Alerts().find(part) != std::string::npos; }
  // Chooses the file and runs the Calibrate menu's firmware item.
  static void WriteFirmwareFrom(const std::string& path) {
    FileSelect::PushChoice(Text(path));
    T3CalibMenu::QRN55_WriteFirmware();
  }
  static std::string InterfaceInfo() {
    char text[128] = {};
    Tlv3Menus::AppendInterfaceInfo(text);
    return text;
  }
  // The AD/DA interface alone: the main dialog's type "QRN 5+5".
  static void InitializeInterface() {
    Choose(1, 5);
    Initialize();
  }
};

TEST_F(ServiceItems, OneUnitGetsTheChosenFirmwareAfterItsRecordIsBackedUp) {
  PutFile("new.TLV", FirmwareFile(kNewRelease));
  // A kept backup of another calibration is no backup of this one.
  PutFile("QRN55Calib_123450.txt", "an older record\n");
  const std::string dir = Dir();
  Run([dir] {
    WriteFirmwareFrom(dir + "new.TLV");
    const std::string line = LineWith(Notebook(), "QRN55-Calibration saved to: ");
    EXPECT_EQ(line.rfind("QRN55-Calibration saved to: \"" + dir + "QRN55Calib_123450_", 0), 0u) << line;
  });
  EXPECT_TRUE(Has(kPowerCycle)) << Alerts();
  EXPECT_EQ(FileContent("QRN55Calib_123450.txt"), "an older record\n");
  // Powered off and on, the unit runs the new image.
  Run([] {
    ASSERT_TRUE(QRN55Tools::OpenIfNotOpen()) << QRN55Tools::ErrorMessage;
    EXPECT_NE(InterfaceInfo().find("Firmware: " + std::to_string(kNewRelease)), std::string::npos)
        << InterfaceInfo();
  });
}

struct BadFile {
  const char* name;
  std::string content;
  const char* message;
};

TEST_F(ServiceItems, ABadFirmwareFileIsRefusedAndTheUnitKeepsItsEEPROM) {
  std::string flipped = FirmwareFile(kNewRelease);
  flipped[SingleBlockFile::kHeaderSize + 100] ^= 0x10;
  const std::string good = FirmwareFile(kNewRelease);
  const BadFile files[] = {
      {"a scale file", ScaleFile(), "Not a firmware file."},
      {"a flipped byte", flipped, "CRC error in firmware header."},
      {"a truncated file", good.substr(0, good.size() - 200), "Error in firmware header."},
      {"an image too long", FirmwareFile(kNewRelease, QRN55Tools::MaxFirmwareLength + 64), " bytes refused"},
  };
  for (const BadFile& file : files) PutFile(file.name, file.content);
  const std::string dir = Dir();
  Run([&files, dir] {
    const std::vector<std::uint8_t> before = UnitEEPROM();
    for (const BadFile& file : files) {
      std::string shown;
      Alert::SetAnswerProc([&shown](std::string_view message) {
        if (shown.empty()) shown = message;
        return 1;
      });
      WriteFirmwareFrom(dir + file.name);
      Alert::SetAnswerProc(nullptr);
      EXPECT_NE(shown.find(file.message), std::string::npos) << file.name << ": " << shown;
      EXPECT_EQ(UnitEEPROM(), before) << file.name;
    }
  });
}

TEST_F(ServiceItems, WithoutABackupOrWithTheWrongDeviceNothingIsWritten) {
  UseRack("qrn55.units = 2\n");
  const std::string dir = Dir();
  PutFile("new.TLV", FirmwareFile(kNewRelease));
  Run([dir] {
    // A joined device, then the two devices it splits into.
    std::vector<std::uint8_t> before = UnitEEPROM();
    WriteFirmwareFrom(dir + "new.TLV");
    EXPECT_EQ(UnitEEPROM(), before);
    for (int answer : {kOK, kOK}) Alert::PushAnswer(answer);
    T3CalibMenu::SplitUnits();
    before = UnitEEPROM();
    WriteFirmwareFrom(dir + "new.TLV");
    // No choice of a file ends at once.
    FileSelect::ClearChoices();
    T3CalibMenu::QRN55_WriteFirmware();
    EXPECT_EQ(UnitEEPROM(), before);
  });
  EXPECT_TRUE(Has("Error: this device has more than one unit. Split it first!")) << Alerts();
  EXPECT_TRUE(Has("Error: multiple QRN5+5 device connected - only one allowed!")) << Alerts();
  EXPECT_FALSE(Has(kPowerCycle)) << Alerts();

  UseRack("qrn55.units = 0\n");
  Run([dir] { WriteFirmwareFrom(dir + "new.TLV"); });
  // The driver finds no device to open.
  EXPECT_TRUE(Has("No Device. Please, check power and connections.")) << Alerts();
  EXPECT_FALSE(Has(kPowerCycle)) << Alerts();

  // An unreadable record: its CRC no longer holds.
  UseRack("qrn55.units = 1\n");
  std::string eeprom = FileContent("state/qrn55-0.eeprom");
  ASSERT_GT(eeprom.size(), static_cast<std::size_t>(QRN55Tools::DeviceInfoAddress + 40));
  eeprom[QRN55Tools::DeviceInfoAddress + 40] ^= 0x01;
  PutFile("state/qrn55-0.eeprom", eeprom);
  Run([dir] { WriteFirmwareFrom(dir + "new.TLV"); });
  EXPECT_EQ(FileContent("state/qrn55-0.eeprom"), eeprom);
  EXPECT_TRUE(Has("QRN55 device information could not be read.")) << Alerts();
  EXPECT_FALSE(Has(kPowerCycle)) << Alerts();
}

TEST_F(ServiceItems, JoiningAsksTheOperatorAndReleasesTheAmplifier) {
  Run([] {
    InitializeInterface();
    ASSERT_GT(ZRV::Status(), 0);
    Alert::PushAnswer(kCancel);
    T3CalibMenu::JoinUnits();
    EXPECT_LT(ZRV::Status(), 1);
    T3CalibMenu::WriteFPGA();
  });
  EXPECT_TRUE(Has("Function requires \"Windows\".")) << Alerts();
}

}  // namespace
