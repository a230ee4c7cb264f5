// The controller firmware against simulated units: the check, the update
// from the program's image, firmware files, the FIFO-size repair, and what
// must never be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/QRN55Firmware.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRV.h"
#include "acquisition/tests/QRN55Tools_fixture.h"
#include "foundation/GLP.h"
#include "foundation/SingleBlockFile.h"
#include "foundation/TellTaleFile.h"

namespace {

constexpr std::uint64_t kEEPROMWindow = 0x600000;

std::string Message() { return Str(QRN55Tools::ErrorMessage); }

std::vector<std::uint8_t> ProgramImage() {
  const std::uint8_t* image = nullptr;
  std::int32_t length = 0;
  std::int32_t checksum = 0;
  std::int32_t version = 0;
  QRN55Firmware::Get(image, length, checksum, version);
  return {image, image + length};
}

std::vector<std::uint8_t> BootArea(const QRN55SimUnit& unit, int size) {
  return unit.ReadEEPROM(0, size);
}

int WindowWrites(QRN55SimUnit& unit) {
  int count = 0;
  for (const QRN55SimTransfer& transfer : unit.TakeTrace()) {
    if (transfer.write && transfer.address / 0x200000 * 0x200000 == kEEPROMWindow) ++count;
  }
  return count;
}

// A firmware file: the single-block header, then the image.
void WriteFirmwareFile(const std::string& name, const std::vector<std::uint8_t>& image,
                       std::uint16_t version, const char* id = "QRN55-Firmware") {
  std::vector<std::byte> file(SingleBlockFile::kHeaderSize + image.size());
  std::transform(image.begin(), image.end(), file.begin() + SingleBlockFile::kHeaderSize,
                 [](std::uint8_t b) { return std::byte{b}; });
  SingleBlockFile::MakeHeader(Text(id), file, static_cast<std::uint32_t>(image.size()),
                              static_cast<std::int32_t>(file.size()), version);
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

class FirmwareTest : public QRN55ToolsTest {
 protected:
  // The AD/DA layer opens the QRN 5+5, as the program does before it asks.
  bool OpenInterface() { return ZRV::InitInterface(ZRVBase::BoardQRN55); }
};

TEST_F(FirmwareTest, AnOldUnitIsUpdatedFromTheProgramsImage) {
  QRN55SimUnit* unit = Plug(SingleUnit("111111", 5), " A");
  ASSERT_TRUE(OpenInterface());
  EXPECT_TRUE(QRN55Tools::FirmwareNeedsUpdating());

  char message[128] = "";
  bool powerCycle = false;
  EXPECT_FALSE(QRN55Tools::UpdateFirmware(message, powerCycle));
  EXPECT_EQ(Str(message), "QRN5+5 Firmware has been updated.");
  EXPECT_TRUE(powerCycle);
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed) << "the AD/DA layer is shut down";
  EXPECT_FALSE(QRN55Interface::DriverIsOpen());

  const std::vector<std::uint8_t> image = ProgramImage();
  std::vector<std::uint8_t> boot = BootArea(*unit, 6528);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), boot.begin()));
  EXPECT_TRUE(std::all_of(boot.begin() + 6494, boot.end(), [](std::uint8_t b) { return b == 0; }))
      << "the last chunk is padded with zeros";
  const std::vector<std::uint8_t> record = StoredRecord(*unit);
  EXPECT_EQ(Int32At(record, 388), 7);
  EXPECT_EQ(SerialOf(record), Serial("111111", 7, 0)) << "firmware digits follow";

  unit->PowerCycle();
  ASSERT_TRUE(OpenInterface());
  EXPECT_FALSE(QRN55Tools::FirmwareNeedsUpdating());
  EXPECT_TRUE(QRN55Tools::UpdateFirmware(message, powerCycle));
  EXPECT_FALSE(powerCycle);
}

TEST_F(FirmwareTest, AfterThePowerCycleTheUnitRunsTheUploadedImage) {
  QRN55SimUnit* unit = Plug(SingleUnit("111111", 5), " A");
  ASSERT_TRUE(QRN55Tools::OpenIfNotOpen()) << Message();
  ASSERT_TRUE(QRN55Tools::UploadFirmware(ProgramImage(), 7, -1)) << Message();
  QRN55Interface::Close();
  unit->PowerCycle();
  ASSERT_TRUE(QRN55Tools::OpenIfNotOpen()) << Message();
  int driverVersion = 0;
  int firmware = 0;
  int logic = 0;
  ASSERT_EQ(QRN55Interface::GetVersions(0, driverVersion, firmware, logic), 0);
  EXPECT_EQ(firmware, 7) << "the signature reports the booted image";
}

TEST_F(FirmwareTest, OnlyTheOlderUnitOfAJoinedDeviceIsUpdated) {
  QRN55SimUnitConfig master = SingleUnit("111111", 7);
  QRN55SimUnitConfig slave = SingleUnit("222222", 5);
  master.record.unit_serial = Serial("111111", 7, 1);
  slave.record.unit_serial = Serial("222222", 5, 2);
  for (QRN55SimUnitConfig* config : {&master, &slave}) {
    config->record.device_serial = master.record.unit_serial;
    config->record.unit_count = 2;
  }
  slave.record.unit_index = 1;
  QRN55SimUnit* masterUnit = Plug(master, " M");
  QRN55SimUnit* slaveUnit = Plug(slave, " S");
  ASSERT_TRUE(OpenInterface());

  char message[128];
  const std::uint8_t* image;
  std::int32_t length, checksum, version, minFirmware;
  bool needsFirmware, needsFifoFix;
  QRN55Tools::CheckFirmware(message, image, length, checksum, version, minFirmware, needsFirmware,
                            needsFifoFix);
  EXPECT_EQ(Str(message), "");
  EXPECT_EQ(minFirmware, 5);
  EXPECT_EQ(version, 7);
  EXPECT_TRUE(needsFirmware);
  EXPECT_FALSE(needsFifoFix);

  bool powerCycle = false;
  EXPECT_FALSE(QRN55Tools::UpdateFirmware(message, powerCycle));
  EXPECT_EQ(Str(message), "QRN5+5 Firmware has been updated.");
  const std::vector<std::uint8_t> erased(64, 0xFF);
  EXPECT_EQ(BootArea(*masterUnit, 64), erased) << "the master is current";
  EXPECT_EQ(BootArea(*slaveUnit, 1)[0], 0xC2);
  EXPECT_EQ(Int32At(StoredRecord(*slaveUnit), 388), 7);
  EXPECT_EQ(SerialOf(StoredRecord(*slaveUnit)), Serial("222222", 7, 2));
}

TEST_F(FirmwareTest, AnOldRecordGetsOnlyItsFifoSizes) {
  QRN55SimUnitConfig config = SingleUnit("111111", 7);
  config.record.eeprom_version = "v01";
  config.record.input_fifo_size = 65528;
  config.record.output_fifo_size = 65528;
  QRN55SimUnit* unit = Plug(config, " A");
  ASSERT_TRUE(OpenInterface());
  char message[128];
  bool powerCycle = false;
  EXPECT_FALSE(QRN55Tools::UpdateFirmware(message, powerCycle));
  EXPECT_EQ(Str(message), "QRN5+5 EEPROM has been updated.");
  EXPECT_TRUE(powerCycle);
  const std::vector<std::uint8_t> record = StoredRecord(*unit);
  EXPECT_EQ(TextAt(record, 396, 4), "v03");
  EXPECT_EQ(Int32At(record, 108), 262136);
  EXPECT_EQ(Int32At(record, 112), 262136);
  EXPECT_EQ(BootArea(*unit, 64), std::vector<std::uint8_t>(64, 0xFF));
}

TEST_F(FirmwareTest, NothingIsCheckedOffTheQRN55OrWithTheSwitch) {
  Plug(SingleUnit("111111", 5), " A");
  EXPECT_FALSE(QRN55Tools::FirmwareNeedsUpdating()) << "the AD/DA layer is closed";
  ASSERT_TRUE(OpenInterface());
  PutSwitch("QRN55AutoFirmware.Off");
  EXPECT_FALSE(QRN55Tools::FirmwareNeedsUpdating());
}

TEST_F(FirmwareTest, AFirmwareFileIsWrittenToTheOnlyUnit) {
  QRN55SimUnit* unit = Plug(SingleUnit("111111", 7), " A");
  std::vector<std::uint8_t> image = ProgramImage();
  image[100] ^= 0x5A;  // any image in the format serves
  WriteFirmwareFile(Directory() + "fw.TLV", image, 9);
  const bool check = GLP::Check;
  ASSERT_TRUE(QRN55Tools::WriteFirmware("fw.TLV", 0)) << Message();
  EXPECT_EQ(GLP::Check, check) << "the checksum setting is restored";
  const std::vector<std::uint8_t> boot = BootArea(*unit, static_cast<int>(image.size()));
  EXPECT_EQ(boot, image);
  EXPECT_EQ(Int32At(StoredRecord(*unit), 388), 9);
}

TEST_F(FirmwareTest, BadFirmwareFilesAreRefusedBeforeAnyWrite) {
  QRN55SimUnit* unit = Plug(SingleUnit("111111", 7), " A");
  ASSERT_TRUE(QRN55Tools::OpenIfNotOpen()) << Message();
  const std::vector<std::uint8_t> image = ProgramImage();

  WriteFirmwareFile(Directory() + "crc.TLV", image, 9);
  {
    std::fstream file(Directory() + "crc.TLV", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(SingleBlockFile::kHeaderSize + 10);
    file.put('\x33');
  }
  WriteFirmwareFile(Directory() + "other.TLV", image, 9, "TLV-Scale");
  WriteFirmwareFile(Directory() + "long.TLV", std::vector<std::uint8_t>(15873, 0x11), 9);
  WriteFirmwareFile(Directory() + "large.TLV", std::vector<std::uint8_t>(51201 - 282, 0x11), 9);
  std::ofstream(Directory() + "short.TLV") << "QRN55-Firmware";

  struct Case {
    const char* file;
    const char* message;
  };
  const Case cases[] = {
      {"crc.TLV", "CRC error in firmware header."},
      {"other.TLV", "Not a firmware file."},
      {"short.TLV", "Error in firmware header."},
      {"long.TLV", "Firmware image of 15873 bytes refused: it must have 1 to 15872 bytes."},
      {"large.TLV", "Temp. Buffer too small."},
  };
  const std::vector<std::uint8_t> before = unit->ReadEEPROM(0, QRN55SimUnit::kEEPROMSize);
  unit->SetTracing(true);
  for (const Case& c : cases) {
    EXPECT_FALSE(QRN55Tools::WriteFirmware(Text(c.file), 0)) << c.file;
    EXPECT_EQ(Message(), c.message) << c.file;
  }
  EXPECT_EQ(WindowWrites(*unit), 0);
  EXPECT_EQ(unit->ReadEEPROM(0, QRN55SimUnit::kEEPROMSize), before);

  EXPECT_FALSE(QRN55Tools::WriteFirmware("missing.TLV", 0));
  EXPECT_EQ(Message(), "file not found");
}

TEST_F(FirmwareTest, AnUploadThatKeepsFailingLeavesNoBootableImage) {
  QRN55SimUnit* unit = Plug(SingleUnit("111111", 5), " A");
  const std::vector<std::uint8_t> image = ProgramImage();
  unit->WriteEEPROM(0, image);  // an older image to be replaced
  // A worn cell in the middle of the image: every attempt writes all
  // chunks and fails in the read-back.
  unit->InjectStuckEEPROMByte(0x1000, static_cast<std::uint8_t>(image[0x1000] ^ 0xFF));
  ASSERT_TRUE(QRN55Tools::OpenIfNotOpen()) << Message();
  unit->SetTracing(true);
  EXPECT_FALSE(QRN55Tools::UploadFirmware(image, 7, -1));
  EXPECT_EQ(Message(), "Compare failed (EEPROM_compare).");
  EXPECT_EQ(WindowWrites(*unit), 6 * 102 + 1) << "six attempts, then the zero chunk";
  EXPECT_EQ(BootArea(*unit, 64), std::vector<std::uint8_t>(64, 0));
  EXPECT_EQ(Int32At(StoredRecord(*unit), 388), 5) << "the record is not touched";
}

TEST_F(FirmwareTest, AnImageWhoseSumIsWrongIsNeverWritten) {
  QRN55SimUnit* unit = Plug(SingleUnit("111111", 5), " A");
  ASSERT_TRUE(QRN55Tools::OpenIfNotOpen()) << Message();
  std::vector<std::uint8_t> image = ProgramImage();
  image[3000] ^= 1;
  char message[128];
  bool powerCycle = false;
  unit->SetTracing(true);
  EXPECT_FALSE(QRN55Tools::DoUpdateFirmware(message, powerCycle, image.data(),
                                            static_cast<std::int32_t>(image.size()), 653233, 7, 5));
  EXPECT_EQ(Str(message),
            "QRN5+5 firmware version v5 < current version v7: CRC of stored firmware incorrect!");
  EXPECT_FALSE(powerCycle);
  EXPECT_EQ(WindowWrites(*unit), 0);
}

TEST_F(QRN55ToolsTest, TheWorkSpaceIsTheTemporaryBuffer) {
  std::span<std::uint8_t> buffer;
  std::int32_t rounded = 0;
  ASSERT_TRUE(QRN55Tools::GetWorkSpace(6494, buffer, rounded));
  EXPECT_EQ(rounded, 6528);
  EXPECT_EQ(buffer.size(), 6528u);
  EXPECT_EQ(static_cast<void*>(buffer.data()),
            static_cast<void*>(SingleBlockFile::TempBuffer.data()));
  EXPECT_TRUE(QRN55Tools::GetWorkSpace(51200, buffer, rounded));
  EXPECT_FALSE(QRN55Tools::GetWorkSpace(51201, buffer, rounded));
  EXPECT_EQ(Message(), "Temp. Buffer too small.");
  EXPECT_FALSE(QRN55Tools::GetWorkSpace(-1, buffer, rounded));
}

TEST_F(QRN55ToolsTest, TheFPGAHooksRefuseHere) {
  EXPECT_FALSE(QRN55Tools::FPGA_Upload_Prepare("config.TLV"));
  EXPECT_EQ(Message(), "Function requires \"Windows\".");
  EXPECT_FALSE(QRN55Tools::FPGA_Upload_Running());
  EXPECT_FALSE(QRN55Tools::FPGA_Upload_Done());
  QRN55Tools::FPGA_Params.state = 3;
  EXPECT_TRUE(QRN55Tools::FPGA_Upload_Running());
  EXPECT_TRUE(QRN55Tools::FPGA_Upload_Done());
  EXPECT_FALSE(QRN55Tools::FPGA_Upload_Shutdown());
  EXPECT_EQ(QRN55Tools::FPGA_Params.state, 0);
  QRN55Tools::FPGA_Params.state = 2;
  QRN55Tools::FPGA_Upload_Abort();
  EXPECT_FALSE(QRN55Tools::FPGA_Upload_Running());
}

}  // namespace
