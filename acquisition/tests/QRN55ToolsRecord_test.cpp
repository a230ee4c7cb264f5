// The device information record without a unit: its image (checked against
// the simulated unit's own encoder), the serial digits, validation, CRC
// rules, and the calibration text file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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
#include "sim/QRN55SimDeviceRecord.h"

namespace {

using QRN55Tools::DeviceInformation;
using QRN55Tools::QRN55DeviceInfo;

QRN55SimDeviceRecord SampleRecord() {
  QRN55SimDeviceRecord record;
  record.unit_serial = "314159020300422";
  record.device_serial = "314159020300421";
  record.unit_count = 2;
  record.unit_index = 1;
  record.input_fifo_size = 131064;
  record.output_fifo_size = 65528;
  record.sequence_counter_delay = 3;
  for (int i = 0; i < 9; ++i) {
    record.input_scale[i] = 0.0003125 * (1.0 + i / 1000.0);
    record.input_offset[i] = -0.001 * i;
  }
  for (int i = 0; i < 5; ++i) {
    record.output_scale[i] = 0.0003125 * (1.0 - i / 2000.0);
    record.output_offset[i] = 0.0005 * i;
  }
  record.revision = 2;
  record.firmware = 3;
  record.production = 42;
  record.write_date = "07-Mar-2024 10:11:12";
  return record;
}

std::vector<std::uint8_t> Encoded(const QRN55SimDeviceRecord& record) {
  const auto image = record.Encode();
  return {image.begin(), image.end()};
}

QRN55DeviceInfo Decoded(const std::vector<std::uint8_t>& image) {
  QRN55DeviceInfo record;
  QRN55Tools::ImageToRecord(std::span<const std::uint8_t, 512>(image.data(), 512), record);
  return record;
}

std::string SerialText(const QRN55DeviceInfo& record) {
  char serial[16];
  QRN55Tools::UnicodeToAscii(record.unitSerialNumber, serial);
  return Str(serial);
}

std::string WorkingSerial() {
  char serial[16];
  QRN55Tools::GetUnitSerialNumber(serial);
  return Str(serial);
}

std::string Message() { return Str(QRN55Tools::ErrorMessage); }

bool SameRecord(const QRN55DeviceInfo& a, const QRN55DeviceInfo& b) {
  std::uint8_t imageA[512];
  std::uint8_t imageB[512];
  QRN55Tools::RecordToImage(a, imageA);
  QRN55Tools::RecordToImage(b, imageB);
  return std::memcmp(imageA, imageB, 512) == 0;
}

std::string ReadFile(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

using RecordTest = QRN55ToolsTest;

TEST_F(RecordTest, TheImageHasTheUnitsLayoutBothWays) {
  const std::vector<std::uint8_t> image = Encoded(SampleRecord());
  const QRN55DeviceInfo record = Decoded(image);
  EXPECT_EQ(SerialText(record), "314159020300422");
  EXPECT_EQ(Str(record.deviceSerialNumber), "314159020300421");
  EXPECT_EQ(Str(record.description), "VRNL QRN55");
  EXPECT_EQ(record.model, 1);
  EXPECT_EQ(record.unitCount, 2);
  EXPECT_EQ(record.unitIndex, 1);
  EXPECT_EQ(record.inputFifoSize, 131064);
  EXPECT_EQ(record.outputFifoSize, 65528);
  EXPECT_EQ(record.sequenceCounterDelay, 3);
  EXPECT_EQ(record.inputCalibrationScale[8], 0.0003125 * 1.008);
  EXPECT_EQ(record.inputCalibrationOffset[5], -0.005);
  EXPECT_EQ(record.outputCalibrationScale[4], 0.0003125 * (1.0 - 4 / 2000.0));
  EXPECT_EQ(record.outputCalibrationOffset[4], 0.002);
  EXPECT_EQ(record.revision, 2);
  EXPECT_EQ(record.firmware, 3);
  EXPECT_EQ(record.production, 42);
  EXPECT_EQ(Str(std::span<const char>(record.eepromVersion, 4)), "v03");
  EXPECT_EQ(record.crc, RecordSum(image));
  EXPECT_EQ(Str(record.writeDate), "07-Mar-2024 10:11:12");

  std::vector<std::uint8_t> again(512);
  QRN55Tools::RecordToImage(record, std::span<std::uint8_t, 512>(again.data(), 512));
  EXPECT_EQ(again, image);
  QRN55Tools::SwapDeviceInformation(std::span<std::uint8_t, 512>(again.data(), 512));
  EXPECT_EQ(again, image) << "a little-endian host transfers the record as stored";
}

TEST_F(RecordTest, SerialDigitsFollowTheNumericFields) {
  QRN55Tools::InitDeviceAndVrnlInformation(1, 2, 7, 12, 2310, "123");
  // "123" padded with twelve '0', then revision, firmware, production, type.
  EXPECT_EQ(WorkingSerial(), "123000071223102");
  EXPECT_EQ(Str(DeviceInformation.deviceSerialNumber), "") << "a slave keeps its device serial";

  QRN55Tools::InitDeviceAndVrnlInformation(0, 2, 345, 6789, 123456789, "98765432109876543");
  // Digits above the field are dropped; the serial text is cut at 15.
  EXPECT_EQ(WorkingSerial(), "987654458967891");
  EXPECT_EQ(Str(DeviceInformation.deviceSerialNumber), "987654458967891");

  QRN55Tools::InitDeviceInformation(0, 1, "");
  EXPECT_EQ(WorkingSerial(), "000000000000000");
  EXPECT_EQ(DeviceInformation.inputFifoSize, 262136);
  EXPECT_EQ(DeviceInformation.sequenceCounterDelay, 2);
  EXPECT_EQ(DeviceInformation.outputCalibrationScale[4], 0.0003125);
  double scale = 0;
  double offset = 1;
  QRN55Interface::GetAdcScale(1, 8, scale, offset);
  EXPECT_EQ(scale, 0.0003125) << "both units' scaling goes to the backend";
  EXPECT_EQ(offset, 0.0);
}

TEST_F(RecordTest, ValidationNamesTheFirstFieldThatFails) {
  struct Case {
    const char* name;
    void (*edit)(std::vector<std::uint8_t>&);
    const char* field;  // nullptr: valid
  };
  const Case cases[] = {
      {"sound", [](std::vector<std::uint8_t>&) {}, nullptr},
      {"fourteen characters", [](std::vector<std::uint8_t>& r) { r[0] = 30, r[30] = 0; },
       "unit_serial_number_2"},
      {"high byte set", [](std::vector<std::uint8_t>& r) { r[5] = 1; }, "unit_serial_number_1"},
      {"descriptor type", [](std::vector<std::uint8_t>& r) { r[1] = 4; }, "unit_serial_number_1"},
      {"bytes behind the descriptor", [](std::vector<std::uint8_t>& r) { r[0] = 30; },
       "unit_serial_number_1"},
      {"a letter", [](std::vector<std::uint8_t>& r) { r[2] = 'A'; }, "unit_serial_number_2"},
      {"device serial of 14", [](std::vector<std::uint8_t>& r) { r[32 + 14] = 0; },
       "device_serial_number"},
      {"device serial of 16", [](std::vector<std::uint8_t>& r) { r[32 + 15] = '5'; },
       "device_serial_number"},
      {"device serial letter", [](std::vector<std::uint8_t>& r) { r[32] = 'x'; },
       "device_serial_number"},
      {"description", [](std::vector<std::uint8_t>& r) { r[64 + 9] = '6'; }, "description"},
      {"version v04", [](std::vector<std::uint8_t>& r) { r[398] = '4'; }, "EEPROM_version"},
      {"version without NUL", [](std::vector<std::uint8_t>& r) { r[399] = 'x'; }, "EEPROM_version"},
      {"serial before description", [](std::vector<std::uint8_t>& r) { r[2] = 'A', r[64] = 'X'; },
       "unit_serial_number_2"},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> image = Encoded(SampleRecord());
    c.edit(image);
    Strings::Clear(QRN55Tools::CompareError);
    EXPECT_EQ(QRN55Tools::ValidateDeviceInformation(Decoded(image)), c.field == nullptr) << c.name;
    EXPECT_EQ(Str(QRN55Tools::CompareError), c.field == nullptr ? "" : c.field) << c.name;
  }
}

TEST_F(RecordTest, OnlyVersionThreeCarriesACRC) {
  struct Case {
    const char* version;
    std::uint32_t storedCRC;  // 1: the right one
    bool passes;
    bool getsTheSum;
  };
  const Case cases[] = {
      {"v03", 1, true, false},    {"v03", 0, true, false}, {"v03", 12345, false, false},
      {"v02", 12345, true, true}, {"v01", 0, true, true},
  };
  for (const Case& c : cases) {
    QRN55SimDeviceRecord sim = SampleRecord();
    sim.eeprom_version = c.version;
    std::vector<std::uint8_t> image = Encoded(sim);
    const std::uint32_t sum = RecordSum(image);
    if (c.storedCRC != 1) PutInt32(image, 400, static_cast<std::int32_t>(c.storedCRC));
    QRN55DeviceInfo record = Decoded(image);
    Strings::Clear(QRN55Tools::CompareError);
    EXPECT_EQ(QRN55Tools::ValidateCRC(record), c.passes) << c.version << " " << c.storedCRC;
    EXPECT_EQ(Str(QRN55Tools::CompareError), c.passes ? "" : "EEPROM_CRC");
    EXPECT_EQ(record.crc, c.getsTheSum ? sum : static_cast<std::uint32_t>(Int32At(image, 400)));
  }
}

TEST_F(RecordTest, OldFifoSizesAreRepairedOnlyInVersionOne) {
  for (const char* version : {"v01", "v02", "v03"}) {
    DeviceInformation = Decoded(Encoded(SampleRecord()));
    std::memcpy(DeviceInformation.eepromVersion, version, 4);
    const bool old = std::string(version) == "v01";
    EXPECT_EQ(QRN55Tools::FixOldFifoSize(), old) << version;
    EXPECT_EQ(DeviceInformation.inputFifoSize, old ? 262136 : 131064) << version;
    EXPECT_EQ(DeviceInformation.outputFifoSize, old ? 262136 : 65528) << version;
    EXPECT_EQ(Str(std::span<const char>(DeviceInformation.eepromVersion, 4)),
              old ? "v03" : version);
  }
}

TEST_F(RecordTest, DescriptorConversionKeepsToItsBounds) {
  std::uint8_t descriptor[32] = {2, 3, 'x', 0};
  char text[16] = "junk";
  QRN55Tools::UnicodeToAscii(descriptor, text);
  EXPECT_EQ(Str(text), "") << "a length byte below 3 is no text";
  descriptor[0] = 0xFF;
  for (int i = 0; i < 15; ++i) descriptor[2 + 2 * i] = static_cast<std::uint8_t>('a' + i);
  QRN55Tools::UnicodeToAscii(descriptor, text);
  EXPECT_EQ(Str(text), "abcdefghijklmno") << "at most 15 characters";
  QRN55Tools::AsciiToUnicode("0123456789012345678", descriptor);
  EXPECT_EQ(descriptor[0], 32);
  EXPECT_EQ(descriptor[1], 3);
  EXPECT_EQ(descriptor[30], '4');
}

TEST_F(RecordTest, NonFiniteCalibrationIsFoundByItsKey) {
  QRN55DeviceInfo record = Decoded(Encoded(SampleRecord()));
  char key[40];
  EXPECT_FALSE(QRN55Tools::FindNonFiniteCalibration(record, key));
  record.outputCalibrationOffset[3] = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(QRN55Tools::FindNonFiniteCalibration(record, key));
  EXPECT_EQ(Str(key), "output_calibration_offset3");
  record.inputCalibrationScale[7] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(QRN55Tools::FindNonFiniteCalibration(record, key));
  EXPECT_EQ(Str(key), "input_calibration_scale7");
}

TEST_F(RecordTest, TheNotebookListsTheWholeRecord) {
  DeviceInformation = Decoded(Encoded(SampleRecord()));
  QRN55Tools::DeviceInformationToNotebook();
  const std::vector<std::string> lines = ConsoleLines();
  ASSERT_GE(lines.size(), 14u);
  const std::vector<std::string> tail(lines.end() - 14, lines.end());
  EXPECT_EQ(tail[0], "");
  EXPECT_EQ(tail[1], "                      nnnnnnrrffddddt");
  EXPECT_EQ(tail[2], "unit serial number:   314159020300422");
  EXPECT_EQ(tail[3], "device serial number: 314159020300421");
  EXPECT_EQ(tail[4], "index: 1, count: 2, model: 1, counter_delay: 3, pipeline_length: 0");
  EXPECT_EQ(tail[5], "write_date: 07-Mar-2024 10:11:12");
  EXPECT_EQ(tail[6], "input_fifo_size:  131064");
  EXPECT_EQ(tail[7], "output_fifo_size: 65528");
  EXPECT_EQ(tail[8], "EEPROM_version: \"v03\", revision: 2, firmware: 3, production: 42");
  // Three pairs a line, continued under the first.
  EXPECT_EQ(tail[9].substr(0, 15), "input scaling: ");
  EXPECT_EQ(tail[10].substr(0, 15), std::string(15, ' '));
  EXPECT_EQ(tail[11].substr(0, 15), std::string(15, ' '));
  EXPECT_EQ(tail[12].substr(0, 15), "output scaling:");
  EXPECT_EQ(tail[13].substr(0, 15), std::string(15, ' '));
}

// ---- The calibration text file ---------------------------------------------------

TEST_F(RecordTest, CalibrationFileRoundTripKeepsTenDigits) {
  DeviceInformation = Decoded(Encoded(SampleRecord()));
  DeviceInformation.inputCalibrationScale[2] = 3.141592653589793e-4;
  DeviceInformation.outputCalibrationOffset[1] = -2.718281828459045e-3;
  const QRN55DeviceInfo saved = DeviceInformation;
  ASSERT_TRUE(QRN55Tools::SaveCalibInfoAsASCII("calib.txt", true)) << Message();
  const std::string text = ReadFile(Directory() + "calib.txt");
  EXPECT_NE(text.find("unit_serial_number \"314159020300422\""), std::string::npos) << text;
  EXPECT_NE(text.find("input_calibration_offset8"), std::string::npos);
  EXPECT_NE(text.find("\nCRC "), std::string::npos);

  QRN55Tools::InitDeviceInformation(0, 1, "");
  std::int32_t notFound = -1;
  ASSERT_TRUE(QRN55Tools::LoadCalibInfoAsASCII("calib.txt", true, notFound)) << Message();
  EXPECT_EQ(notFound, 0);
  EXPECT_EQ(WorkingSerial(), "314159020300422");
  EXPECT_EQ(Str(DeviceInformation.deviceSerialNumber), "314159020300421");
  EXPECT_EQ(DeviceInformation.unitCount, 2);
  EXPECT_EQ(DeviceInformation.production, 42);
  EXPECT_EQ(Str(DeviceInformation.writeDate), "") << "the write date is never read";
  for (int i = 0; i < 9; ++i) {
    EXPECT_NEAR(DeviceInformation.inputCalibrationScale[i], saved.inputCalibrationScale[i],
                5e-10 * std::fabs(saved.inputCalibrationScale[i]));
    EXPECT_NEAR(DeviceInformation.inputCalibrationOffset[i], saved.inputCalibrationOffset[i],
                5e-10 * std::fabs(saved.inputCalibrationOffset[i]));
  }
  EXPECT_NEAR(DeviceInformation.outputCalibrationOffset[1], -2.718281828e-3, 1e-13);
}

TEST_F(RecordTest, SavingWithoutOverwriteKeepsTheFirstFile) {
  DeviceInformation = Decoded(Encoded(SampleRecord()));
  ASSERT_TRUE(QRN55Tools::SaveCalibInfoAsASCII("keep.txt", false)) << Message();
  const std::string first = ReadFile(Directory() + "keep.txt");
  DeviceInformation.model = 0;
  EXPECT_TRUE(QRN55Tools::SaveCalibInfoAsASCII("keep.txt", false));
  EXPECT_EQ(ReadFile(Directory() + "keep.txt"), first);
  EXPECT_TRUE(QRN55Tools::SaveCalibInfoAsASCII("keep.txt", true));
  EXPECT_NE(ReadFile(Directory() + "keep.txt"), first);
}

TEST_F(RecordTest, ADirectoryAloneGetsTheDefaultName) {
  ASSERT_EQ(QRN55Interface::Open(0, 0), QRN55Interface::kNoDevice);  // nothing plugged
  DeviceInformation = Decoded(Encoded(SampleRecord()));
  std::filesystem::create_directory(Directory() + "sub");
  ASSERT_TRUE(QRN55Tools::SaveCalibInfoAsASCII(Text(Directory() + "sub/"), true)) << Message();
  // Without an open device the backend knows no serial.
  EXPECT_TRUE(std::filesystem::exists(Directory() + "sub/QRN55Calib_.txt"));
}

// A saved file with one line changed by hand; the CRC no longer matches
// unless it is set to 0.
std::string Edited(const std::string& text, const std::string& from, const std::string& to) {
  std::string edited = text;
  const std::size_t at = edited.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) edited.replace(at, from.size(), to);
  return edited;
}

std::string WithCRCZero(const std::string& text) {
  const std::size_t at = text.find("\nCRC ");
  return text.substr(0, at) + "\nCRC 0\n";
}

TEST_F(RecordTest, AFailedLoadLeavesTheWorkingCopyUntouched) {
  DeviceInformation = Decoded(Encoded(SampleRecord()));
  ASSERT_TRUE(QRN55Tools::SaveCalibInfoAsASCII("good.txt", true)) << Message();
  const std::string good = ReadFile(Directory() + "good.txt");
  QRN55Tools::InitDeviceAndVrnlInformation(0, 1, 5, 6, 7, "271828");
  const QRN55DeviceInfo before = DeviceInformation;

  struct Case {
    const char* name;
    std::string text;
    bool withIdentification;
    std::string message;  // as ErrorMessage reads afterwards
  };
  const std::string scaleLine = "input_calibration_scale4 ";
  const std::size_t scaleAt = good.find(scaleLine);
  const std::string scaleValue = good.substr(scaleAt + scaleLine.size(),
                                             good.find('\n', scaleAt) - scaleAt - scaleLine.size());
  const Case cases[] = {
      {"changed without its CRC",
       Edited(good, "input_calibration_scale4 " + scaleValue, "input_calibration_scale4 1.0E-3"),
       true, "CRC error."},
      {"description", WithCRCZero(Edited(good, "\"VRNL QRN55\"", "\"VRNL QRN56\"")), true,
       "Compare failed (description)."},
      {"a value that is no number",
       WithCRCZero(Edited(good, "output_calibration_scale2 ", "output_calibration_scale2 x")),
       false, "\"output_calibration_scale2\": encoding error."},
      {"an infinite value",
       WithCRCZero(Edited(good, "output_calibration_scale2 ", "output_calibration_scale2 1E999")),
       false, "\"output_calibration_scale2\" is no finite number."},
      {"identification missing", WithCRCZero(Edited(good, "unit_count", "unit_number")), true, ""},
      {"calibration missing",
       WithCRCZero(Edited(good, "output_calibration_offset4", "output_calibration_offsetX")), false,
       ""},
  };
  for (const Case& c : cases) {
    std::ofstream(Directory() + "bad.txt", std::ios::binary | std::ios::trunc) << c.text;
    std::int32_t notFound = 0;
    EXPECT_FALSE(QRN55Tools::LoadCalibInfoAsASCII("bad.txt", c.withIdentification, notFound))
        << c.name;
    const std::string message = Message();
    if (c.name == std::string("an infinite value")) {
      // The text layer may refuse the number itself; either way it is refused.
      EXPECT_TRUE(message == c.message ||
                  message == "\"output_calibration_scale2\": encoding error.")
          << message;
    } else {
      EXPECT_EQ(message, c.message) << c.name;
    }
    EXPECT_TRUE(SameRecord(DeviceInformation, before)) << c.name;
  }
}

TEST_F(RecordTest, IdentificationIsReadOnlyWhenAsked) {
  DeviceInformation = Decoded(Encoded(SampleRecord()));
  ASSERT_TRUE(QRN55Tools::SaveCalibInfoAsASCII("full.txt", true)) << Message();
  // A file of calibration lines alone, its CRC off.
  const std::string full = ReadFile(Directory() + "full.txt");
  const std::size_t calibration = full.find("input_calibration_scale0");
  std::ofstream(Directory() + "calib-only.txt") << WithCRCZero(full.substr(calibration));

  QRN55Tools::InitDeviceAndVrnlInformation(0, 1, 5, 6, 7, "271828");
  std::int32_t notFound = -1;
  EXPECT_TRUE(QRN55Tools::LoadCalibInfoAsASCII("calib-only.txt", false, notFound)) << Message();
  EXPECT_EQ(notFound, 0);
  EXPECT_EQ(WorkingSerial(), "271828050600070") << "identification stays";
  EXPECT_NEAR(DeviceInformation.inputCalibrationOffset[5], -0.005, 1e-15);

  EXPECT_FALSE(QRN55Tools::LoadCalibInfoAsASCII("calib-only.txt", true, notFound));
  EXPECT_EQ(notFound, 14) << "each identification key is missing";
}

TEST_F(RecordTest, AMissingSerialKeepsTheOneTheRecordHas) {
  DeviceInformation = Decoded(Encoded(SampleRecord()));
  ASSERT_TRUE(QRN55Tools::SaveCalibInfoAsASCII("full.txt", true)) << Message();
  std::ofstream(Directory() + "noserial.txt") << WithCRCZero(
      Edited(ReadFile(Directory() + "full.txt"), "unit_serial_number", "unit_serial"));
  QRN55Tools::InitDeviceAndVrnlInformation(0, 1, 5, 6, 7, "271828");
  QRN55DeviceInfo scratch = DeviceInformation;
  IOBytes::FileHandle file;
  ASSERT_TRUE(IOBytes::Open("noserial.txt", nullptr, IOBytes::ModeRead, file));
  EXPECT_TRUE(QRN55Tools::ProcessDeviceInfoAsASCII(file, scratch, false, true));
  IOBytes::Close(file);
  EXPECT_EQ(SerialText(scratch), "271828050600070");
  EXPECT_EQ(Str(scratch.deviceSerialNumber), "314159020300421");
}

}  // namespace
