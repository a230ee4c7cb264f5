// The device information record: its set-up, its conversion, validation and
// transfer to and from a unit's EEPROM, the debug dumps and the notebook
// listing. The calibration text file, joining and splitting, the firmware
// and the AD/DA calibration live in the QRN55Tools*.cpp files beside this.
#include "acquisition/QRN55Tools.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "Common/QRN55/Driver/QRN55.h"
#include "acquisition/QRN55Firmware.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/ZRV.h"
#include "foundation/Bytes.h"
#include "foundation/Decode.h"
#include "foundation/FileReplace.h"
#include "foundation/IOFiles.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"
#include "foundation/TextFile.h"
#include "numerics/VectorInt.h"

namespace QRN55Tools {

QRN55DeviceInfo DeviceInformation = {};
char ErrorMessage[128] = "";
char CompareError[80] = "";
bool DebugWrite = false;
std::int32_t DebugIndex = 0;

namespace {

// Field offsets in the record's image.
constexpr std::int32_t kUnitSerialOffset = 0;
constexpr std::int32_t kDeviceSerialOffset = 32;
constexpr std::int32_t kDescriptionOffset = 64;
constexpr std::int32_t kNumbersOffset = 96;  // eight int32, model first
constexpr std::int32_t kNumbersCount = 8;
constexpr std::int32_t kCalibrationOffset = 128;  // 28 doubles
constexpr std::int32_t kCalibrationCount = 2 * InputChannels + 2 * OutputChannels;
constexpr std::int32_t kReserved2Offset = 352;
constexpr std::int32_t kVersionNumbersOffset = 384;  // revision, firmware, production
constexpr std::int32_t kVersionNumbersCount = 3;
constexpr std::int32_t kEEPROMVersionOffset = 396;
constexpr std::int32_t kCRCOffset = 400;
constexpr std::int32_t kWriteDateOffset = 404;
constexpr std::int32_t kReserved3Offset = 436;
static_assert(kCalibrationOffset + 8 * kCalibrationCount == kReserved2Offset);
static_assert(kReserved2Offset + 32 == kVersionNumbersOffset);
static_assert(kVersionNumbersOffset + 4 * kVersionNumbersCount == kEEPROMVersionOffset);
static_assert(kReserved3Offset + 76 == DeviceInfoSize);

constexpr std::int32_t kChunk = QRN55_SERVICE_EEPROM_BLOCK_SIZE;
constexpr int kWriteAttempts = 6;
// QRN55Interface's code for "Driver not opened.".
constexpr std::int32_t kDriverNotOpen = -6;

constexpr char kDescription[] = "VRNL QRN55";
constexpr char kVersion3[4] = {'v', '0', '3', '\0'};

// Serial digit positions.
constexpr int kRevisionDigits = 6;
constexpr int kFirmwareDigits = 8;
constexpr int kProductionDigits = 10;
constexpr int kTypeDigit = 14;

void WalkDeviceInfo(QRN55DeviceInfo& r) {
  Bytes::ProcessPoly8(kUnitSerialOffset, r.unitSerialNumber, 32);
  Bytes::ProcessPoly8(kDeviceSerialOffset, r.deviceSerialNumber, 32);
  Bytes::ProcessPoly8(kDescriptionOffset, r.description, 32);
  std::int32_t* numbers[kNumbersCount] = {&r.model,          &r.unitCount,
                                          &r.unitIndex,      &r.inputFifoSize,
                                          &r.outputFifoSize, &r.sequenceCounterDelay,
                                          &r.pipelineLength, &r.reserved1};
  for (int i = 0; i < kNumbersCount; ++i) Bytes::ProcessInt32(kNumbersOffset + 4 * i, *numbers[i]);
  std::int32_t offset = kCalibrationOffset;
  Bytes::ProcessPoly64(offset, r.inputCalibrationScale, InputChannels);
  offset += 8 * InputChannels;
  Bytes::ProcessPoly64(offset, r.inputCalibrationOffset, InputChannels);
  offset += 8 * InputChannels;
  Bytes::ProcessPoly64(offset, r.outputCalibrationScale, OutputChannels);
  offset += 8 * OutputChannels;
  Bytes::ProcessPoly64(offset, r.outputCalibrationOffset, OutputChannels);
  Bytes::ProcessPoly8(kReserved2Offset, r.reserved2, 32);
  Bytes::ProcessInt32(kVersionNumbersOffset, r.revision);
  Bytes::ProcessInt32(kVersionNumbersOffset + 4, r.firmware);
  Bytes::ProcessInt32(kVersionNumbersOffset + 8, r.production);
  Bytes::ProcessPoly8(kEEPROMVersionOffset, r.eepromVersion, 4);
  Bytes::ProcessCard32(kCRCOffset, r.crc);
  Bytes::ProcessPoly8(kWriteDateOffset, r.writeDate, 32);
  Bytes::ProcessPoly8(kReserved3Offset, r.reserved3, 76);
}

std::uint32_t ByteSum(const QRN55DeviceInfo& record) {
  std::uint8_t image[DeviceInfoSize];
  RecordToImage(record, image);
  return static_cast<std::uint32_t>(VectorInt::Checksum8(image, DeviceInfoSize));
}

// Positions first .. first + count - 1 get the digits of value, the units
// digit last; digits above those are dropped.
void SetSerialDigits(int first, int count, std::int32_t value) {
  char serial[SerialLength + 1];
  GetUnitSerialNumber(serial);
  SetUnitSerialNumber(serial);  // a short serial is padded first
  GetUnitSerialNumber(serial);
  std::int32_t rest = std::max(value, 0);
  for (int position = first + count - 1; position >= first; --position) {
    serial[position] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  AsciiToUnicode(serial, DeviceInformation.unitSerialNumber);
}

void SetCompareError(std::span<const char> field) { Strings::Assign(CompareError, field); }

bool IsVersion(const QRN55DeviceInfo& record, std::span<const char> version) {
  return Strings::Equal(record.eepromVersion, version);
}

// Puts a calibration value that is no finite number back to its default and
// tells the operator which one it was.
void RepairCalibration(QRN55DeviceInfo& record, std::int32_t unit) {
  const auto mend = [unit](std::span<double> values, std::span<const char> name,
                           double defaultValue) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (std::isfinite(values[i])) continue;
      char message[128] = "QRN5+5 unit ";
      Decode::Integer(unit + 1, message, 0);
      Strings::Concat(message, ": ");
      Strings::Concat(message, name);
      Decode::Integer(static_cast<std::int32_t>(i), message, 0);
      Strings::Concat(message, " was no number, set to its default.");
      TermIO::WriteAlertLine(message);
      values[i] = defaultValue;
    }
  };
  mend(record.inputCalibrationScale, "input_calibration_scale", DefaultScale);
  mend(record.inputCalibrationOffset, "input_calibration_offset", 0.0);
  mend(record.outputCalibrationScale, "output_calibration_scale", DefaultScale);
  mend(record.outputCalibrationOffset, "output_calibration_offset", 0.0);
}

// With "QRN55EEPROMDebug.On": the record as a calibration text file named by
// its serial and the dump number, followed by a line naming the operation
// and, when there is one, the failure.
void WriteDebugDeviceInformation(std::span<const char> name, const QRN55DeviceInfo& record,
                                 std::span<const char> message) {
  if (!DebugWrite) return;
  char serial[SerialLength + 1];
  UnicodeToAscii(record.unitSerialNumber, serial);
  char fileName[64] = "QRN55Calib_";
  char six[7] = "";
  Strings::Substring(six, serial, 0, std::min(Strings::Length(serial), 6));
  Strings::Concat(fileName, six);
  Strings::Concat(fileName, "_");
  char number[4] = "";
  Decode::Integer(DebugIndex, number, 3);
  for (char& c : number) {
    if (c == ' ') c = '0';
  }
  Strings::Concat(fileName, number);
  Strings::Concat(fileName, ".txt");
  DebugIndex = (DebugIndex + 1) % 1000;

  FileReplace::Replacement replacement;
  if (!FileReplace::Begin(fileName, nullptr, replacement)) return;
  // The text file reads its lines back for the CRC: the temporary is open for
  // reading and writing.
  replacement.handle.mode |= IOBytes::ModeRead;
  QRN55DeviceInfo dumped = record;
  ProcessDeviceInfoAsASCII(replacement.handle, dumped, true, true);
  char function[256] = "";
  Strings::Assign(function, name);
  if (Strings::Length(message) > 0) {
    Strings::Concat(function, ": ");
    Strings::Concat(function, message);
  }
  TextFile::ProcessString("Function", function);
  FileReplace::Commit(replacement);
}

}  // namespace

// ---- Record set-up ------------------------------------------------------------

void InitDeviceAndVrnlInformation(std::int32_t unitIndex, std::int32_t unitCount,
                                  std::int32_t revision, std::int32_t firmware,
                                  std::int32_t production, std::span<const char> serial) {
  QRN55DeviceInfo& r = DeviceInformation;
  r = QRN55DeviceInfo{};
  Strings::Assign(r.description, kDescription);
  r.model = 1;
  r.unitCount = unitCount;
  r.unitIndex = unitIndex;
  r.inputFifoSize = DefaultFifoSize;
  r.outputFifoSize = DefaultFifoSize;
  r.sequenceCounterDelay = 2;
  std::copy_n(kVersion3, 4, r.eepromVersion);
  r.revision = revision;
  r.firmware = firmware;
  r.production = production;
  InitCalibInformation();
  SetUnitSerialNumber(serial);
  UpdateDeviceType();
  UpdateVrnlFields();
  UpdateDeviceSerialNumbers();
  SyncDacScaling(0);
  SyncAdcScaling(0);
  SyncDacScaling(1);
  SyncAdcScaling(1);
}

void InitDeviceInformation(std::int32_t unitIndex, std::int32_t unitCount,
                           std::span<const char> serial) {
  InitDeviceAndVrnlInformation(unitIndex, unitCount, 0, 0, 0, serial);
}

void InitCalibInformation() {
  QRN55DeviceInfo& r = DeviceInformation;
  std::fill_n(r.inputCalibrationScale, InputChannels, DefaultScale);
  std::fill_n(r.inputCalibrationOffset, InputChannels, 0.0);
  std::fill_n(r.outputCalibrationScale, OutputChannels, DefaultScale);
  std::fill_n(r.outputCalibrationOffset, OutputChannels, 0.0);
}

void SetUnitSerialNumber(std::span<const char> text) {
  SetUnitSerialNumber(DeviceInformation, text);
}

void SetUnitSerialNumber(QRN55DeviceInfo& record, std::span<const char> text) {
  char serial[SerialLength + 1] = "";
  Strings::Substring(serial, text, 0, std::min(Strings::Length(text), SerialLength));
  for (int i = Strings::Length(serial); i < SerialLength; ++i) serial[i] = '0';
  serial[SerialLength] = '\0';
  AsciiToUnicode(serial, record.unitSerialNumber);
}

void GetUnitSerialNumber(std::span<char> text) {
  UnicodeToAscii(DeviceInformation.unitSerialNumber, text);
}

void UnicodeToAscii(std::span<const std::uint8_t, 32> descriptor, std::span<char> text) {
  char ascii[SerialLength + 1] = "";
  if (descriptor[0] >= 3) {
    const int n = std::min((descriptor[0] - 2) / 2, SerialLength);
    for (int i = 0; i < n; ++i) ascii[i] = static_cast<char>(descriptor[2 + 2 * i]);
    ascii[n] = '\0';
  }
  Strings::Assign(text, ascii);
}

void AsciiToUnicode(std::span<const char> text, std::span<std::uint8_t, 32> descriptor) {
  std::fill(descriptor.begin(), descriptor.end(), std::uint8_t{0});
  const int n = std::min(Strings::Length(text), SerialLength);
  descriptor[0] = static_cast<std::uint8_t>(2 + 2 * n);
  descriptor[1] = 3;
  for (int i = 0; i < n; ++i) descriptor[2 + 2 * i] = static_cast<std::uint8_t>(text[i]);
}

void UpdateDeviceType() {
  const QRN55DeviceInfo& r = DeviceInformation;
  const std::int32_t type = r.unitCount <= 1 ? 0 : (r.unitIndex == 0 ? 1 : 2);
  SetSerialDigits(kTypeDigit, 1, type);
}

void UpdateVrnlFields() {
  SetSerialDigits(kRevisionDigits, 2, DeviceInformation.revision);
  SetSerialDigits(kFirmwareDigits, 2, DeviceInformation.firmware);
  SetSerialDigits(kProductionDigits, 4, DeviceInformation.production);
  DeviceInformation.pipelineLength = 0;
}

void UpdateDeviceSerialNumbers() {
  if (DeviceInformation.unitIndex != 0) return;
  char serial[SerialLength + 1];
  GetUnitSerialNumber(serial);
  std::fill_n(DeviceInformation.deviceSerialNumber, 32, '\0');
  Strings::Assign(DeviceInformation.deviceSerialNumber, serial);
}

void UpdateDeviceDate() {
  std::fill_n(DeviceInformation.writeDate, 32, '\0');
  RealTime::ToAltDate(RealTime::GetTime(), DeviceInformation.writeDate, true, false);
}

void UpdateCRC() {
  DeviceInformation.crc = 0;
  DeviceInformation.crc = ByteSum(DeviceInformation);
}

namespace {

// Unless the interface scales by itself, the AD/DA layer converts volts with
// factors it took from the interface's scaling when it opened: they are taken
// again, so that a new calibration counts from the next conversion on (the
// second pass of a calibration measures through the first one's result).
void RenewConversionFactors() {
  if (ZRV::GetBoardType() == ZRVBase::BoardQRN55 && ZRV::Status() != ZRV::StateClosed) {
    ZRV::EnableScaling(ZRV::ScalingIsEnabled());
  }
}

}  // namespace

void SyncDacScaling(std::int32_t unit) {
  for (int channel = 0; channel < OutputChannels; ++channel) {
    QRN55Interface::SetDacScale(unit, channel, DeviceInformation.outputCalibrationScale[channel],
                                DeviceInformation.outputCalibrationOffset[channel]);
  }
  RenewConversionFactors();
}

void SyncAdcScaling(std::int32_t unit) {
  for (int channel = 0; channel < InputChannels; ++channel) {
    QRN55Interface::SetAdcScale(unit, channel, DeviceInformation.inputCalibrationScale[channel],
                                DeviceInformation.inputCalibrationOffset[channel]);
  }
  RenewConversionFactors();
}

// ---- Conversion and validation ------------------------------------------------------

void SwapDeviceInformation(DeviceInfoImage image) {
  if constexpr (std::endian::native == std::endian::little) return;
  std::uint8_t* bytes = image.data();
  Bytes::SwapByte4Array(bytes + kNumbersOffset, bytes + kNumbersOffset, kNumbersCount);
  Bytes::SwapByte8Array(bytes + kCalibrationOffset, bytes + kCalibrationOffset, kCalibrationCount);
  Bytes::SwapByte4Array(bytes + kVersionNumbersOffset, bytes + kVersionNumbersOffset,
                        kVersionNumbersCount);
  Bytes::SwapByte4Array(bytes + kCRCOffset, bytes + kCRCOffset, 1);
}

void RecordToImage(const QRN55DeviceInfo& record, DeviceInfoImage image) {
  QRN55DeviceInfo walked = record;
  Bytes::InitProcs(std::as_writable_bytes(std::span<std::uint8_t>(image)), Bytes::kPack);
  WalkDeviceInfo(walked);
  Bytes::InitModule();
}

void ImageToRecord(std::span<const std::uint8_t, DeviceInfoSize> image, QRN55DeviceInfo& record) {
  std::uint8_t copy[DeviceInfoSize];
  std::copy(image.begin(), image.end(), copy);
  Bytes::InitProcs(std::as_writable_bytes(std::span<std::uint8_t>(copy)), Bytes::kCopy);
  WalkDeviceInfo(record);
  Bytes::InitModule();
}

bool ValidateDeviceInformation(const QRN55DeviceInfo& record) {
  char serial[SerialLength + 1];
  UnicodeToAscii(record.unitSerialNumber, serial);
  std::uint8_t again[32];
  AsciiToUnicode(serial, again);
  if (!Bytes::Equal(again, record.unitSerialNumber, 32)) {
    SetCompareError("unit_serial_number_1");
    return false;
  }
  if (!ValidateAllDigits(serial)) {
    SetCompareError("unit_serial_number_2");
    return false;
  }
  if (!ValidateAllDigits(record.deviceSerialNumber)) {
    SetCompareError("device_serial_number");
    return false;
  }
  if (!Strings::Equal(record.description, kDescription)) {
    SetCompareError("description");
    return false;
  }
  if (!IsVersion(record, "v03") && !IsVersion(record, "v02") && !IsVersion(record, "v01")) {
    SetCompareError("EEPROM_version");
    return false;
  }
  return true;
}

bool ValidateAllDigits(std::span<const char> text) {
  if (Strings::Length(text) != SerialLength) return false;
  return std::all_of(text.begin(), text.begin() + SerialLength,
                     [](char c) { return c >= '0' && c <= '9'; });
}

bool ValidateCRC(QRN55DeviceInfo& record) {
  const std::uint32_t stored = record.crc;
  record.crc = 0;
  const std::uint32_t sum = ByteSum(record);
  if (!IsVersion(record, "v03")) {
    record.crc = sum;
    return true;
  }
  record.crc = stored;
  if (stored != 0 && stored != sum) {
    SetCompareError("EEPROM_CRC");
    return false;
  }
  return true;
}

bool FindNonFiniteCalibration(const QRN55DeviceInfo& record, std::span<char> key) {
  const struct {
    std::span<const double> values;
    std::span<const char> name;
  } arrays[] = {{record.inputCalibrationScale, "input_calibration_scale"},
                {record.inputCalibrationOffset, "input_calibration_offset"},
                {record.outputCalibrationScale, "output_calibration_scale"},
                {record.outputCalibrationOffset, "output_calibration_offset"}};
  for (const auto& array : arrays) {
    for (std::size_t i = 0; i < array.values.size(); ++i) {
      if (std::isfinite(array.values[i])) continue;
      Strings::Assign(key, array.name);
      Decode::Integer(static_cast<std::int32_t>(i), key, 0);
      return true;
    }
  }
  return false;
}

bool FixOldFifoSize() {
  if (!IsVersion(DeviceInformation, "v01")) return false;
  std::copy_n(kVersion3, 4, DeviceInformation.eepromVersion);
  DeviceInformation.inputFifoSize = DefaultFifoSize;
  DeviceInformation.outputFifoSize = DefaultFifoSize;
  return true;
}

void GetErrorText(std::int32_t code, bool isFileError) {
  if (isFileError) {
    IOFiles::Message(code, ErrorMessage);
  } else if (code == CompareFailed) {
    Strings::Assign(ErrorMessage, "Compare failed (");
    Strings::Concat(ErrorMessage, CompareError);
    Strings::Concat(ErrorMessage, ").");
  } else {
    QRN55Interface::GetErrorText(code, ErrorMessage);
  }
}

// ---- EEPROM transfer ------------------------------------------------------------

std::int32_t ReadFromEEPROM(std::int32_t unit, std::span<std::uint8_t> buffer,
                            std::int32_t address) {
  std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
  if (QRN55Interface::Driver == nullptr) return kDriverNotOpen;
  if (unit < 0) return QRN55_STATUS_INVALID_UNIT;
  const auto size = static_cast<std::int32_t>(buffer.size());
  for (std::int32_t at = 0; at < size; at += kChunk) {
    std::uint8_t chunk[kChunk] = {};
    const QRN55Status status = QRN55_ServiceReadEEPROM(
        QRN55Interface::Driver, QRN55Interface::DeviceIndex, unit, address + at, kChunk, chunk);
    if (status != 0) return status;
    std::copy_n(chunk, std::min(kChunk, size - at), buffer.begin() + at);
  }
  return 0;
}

std::int32_t DoWriteToEEPROM(std::int32_t unit, std::span<const std::uint8_t> data,
                             std::int32_t address, bool& wroteAny) {
  wroteAny = false;
  if (QRN55Interface::Driver == nullptr) return kDriverNotOpen;
  if (unit < 0) return QRN55_STATUS_INVALID_UNIT;
  QRN55DriverHandle driver = QRN55Interface::Driver;
  const std::int32_t device = QRN55Interface::DeviceIndex;
  QRN55Status status = QRN55_ServiceUnlock(driver, device, unit, 1);
  if (status != 0) return status;
  const auto size = static_cast<std::int32_t>(data.size());
  // The chunk of data at `at`, zero beyond its end.
  const auto chunkOf = [&](std::int32_t at, std::uint8_t(&chunk)[kChunk]) {
    std::fill_n(chunk, kChunk, std::uint8_t{0});
    std::copy_n(data.begin() + at, std::min(kChunk, size - at), chunk);
  };
  for (std::int32_t at = 0; status == 0 && at < size; at += kChunk) {
    std::uint8_t chunk[kChunk];
    chunkOf(at, chunk);
    status = QRN55_ServiceWriteEEPROM(driver, device, unit, address + at, kChunk, chunk);
    if (status == 0) wroteAny = true;
  }
  for (std::int32_t at = 0; status == 0 && at < size; at += kChunk) {
    std::uint8_t expected[kChunk];
    chunkOf(at, expected);
    std::uint8_t readBack[kChunk] = {};
    status = QRN55_ServiceReadEEPROM(driver, device, unit, address + at, kChunk, readBack);
    if (status == 0 && !Bytes::Equal(expected, readBack, kChunk)) {
      SetCompareError("EEPROM_compare");
      status = CompareFailed;
    }
  }
  QRN55_ServiceUnlock(driver, device, unit, 0);
  return status;
}

std::int32_t WriteToEEPROM(std::int32_t unit, std::span<const std::uint8_t> data,
                           std::int32_t address, bool& wroteAny) {
  wroteAny = false;
  std::int32_t status = 0;
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    bool wrote = false;
    status = DoWriteToEEPROM(unit, data, address, wrote);
    wroteAny = wroteAny || wrote;
    // An attempt that wrote nothing failed at the start and would again.
    if (status == 0 || !wrote) break;
  }
  return status;
}

bool ReadDeviceInformation(std::int32_t unit) {
  return DoReadDeviceInformation("ReadDeviceInformation", unit);
}

bool WriteDeviceInformation(std::int32_t unit) {
  return DoWriteDeviceInformation("WriteDeviceInformation", unit);
}

bool DoReadDeviceInformation(std::span<const char> name, std::int32_t unit) {
  std::uint8_t image[DeviceInfoSize];
  const std::int32_t status = ReadFromEEPROM(unit, image, DeviceInfoAddress);
  if (status != 0) {
    GetErrorText(status, false);
    return false;
  }
  SwapDeviceInformation(image);
  QRN55DeviceInfo record;
  ImageToRecord(image, record);
  if (!ValidateDeviceInformation(record) || !ValidateCRC(record)) {
    GetErrorText(CompareFailed, false);
    WriteDebugDeviceInformation(name, record, ErrorMessage);
    return false;
  }
  WriteDebugDeviceInformation(name, record, "");
  RepairCalibration(record, unit);
  DeviceInformation = record;
  SyncDacScaling(unit);
  SyncAdcScaling(unit);
  return true;
}

bool DoWriteDeviceInformation(std::span<const char> name, std::int32_t unit) {
  std::copy_n(kVersion3, 4, DeviceInformation.eepromVersion);
  UpdateDeviceSerialNumbers();
  UpdateDeviceDate();
  UpdateCRC();
  WriteDebugDeviceInformation(name, DeviceInformation, "");
  std::uint8_t image[DeviceInfoSize] = {};
  RecordToImage(DeviceInformation, image);
  SwapDeviceInformation(image);
  bool wroteAny = false;
  const std::int32_t status = WriteToEEPROM(unit, image, DeviceInfoAddress, wroteAny);
  if (status != 0) {
    GetErrorText(status, false);
    return false;
  }
  return true;
}

// ---- Other operations -------------------------------------------------------------

bool InitializeEEPROM(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
  Strings::Assign(ErrorMessage, "Function requires \"Windows\".");
  return false;
}

void SerialNumbersToNotebook() {
  char serial[SerialLength + 1];
  GetUnitSerialNumber(serial);
  TermIO::WriteLn();
  TermIO::WriteLine("                      nnnnnnrrffddddt");
  TermIO::WriteString("unit serial number:   ");
  TermIO::WriteLine(serial);
  TermIO::WriteString("device serial number: ");
  TermIO::WriteLine(DeviceInformation.deviceSerialNumber);
}

namespace {

// Three (scale, offset) pairs a line after the 15-character label;
// continuation lines indented to the same column.
void WriteScaling(std::span<const char> label, std::span<const double> scales,
                  std::span<const double> offsets) {
  TermIO::WriteString(label);
  for (std::size_t i = 0; i < scales.size(); ++i) {
    if (i > 0 && i % 3 == 0) {
      TermIO::WriteLn();
      TermIO::WriteString("               ");
    }
    TermIO::WriteEngineering(scales[i], 9, 7);
    TermIO::WriteEngineering(offsets[i], 8, 7);
  }
  TermIO::WriteLn();
}

}  // namespace

void DeviceInformationToNotebook() {
  const QRN55DeviceInfo& r = DeviceInformation;
  SerialNumbersToNotebook();
  TermIO::WriteString("index: ");
  TermIO::WriteInt(r.unitIndex, 0);
  TermIO::WriteString(", count: ");
  TermIO::WriteInt(r.unitCount, 0);
  TermIO::WriteString(", model: ");
  TermIO::WriteInt(r.model, 0);
  TermIO::WriteString(", counter_delay: ");
  TermIO::WriteInt(r.sequenceCounterDelay, 0);
  TermIO::WriteString(", pipeline_length: ");
  TermIO::WriteInt(r.pipelineLength, 0);
  TermIO::WriteLn();
  TermIO::WriteString("write_date: ");
  TermIO::WriteLine(Strings::Length(r.writeDate) > 0 ? std::span<const char>(r.writeDate)
                                                     : std::span<const char>("n.a."));
  TermIO::WriteString("input_fifo_size:  ");
  TermIO::WriteInt(r.inputFifoSize, 0);
  TermIO::WriteLn();
  TermIO::WriteString("output_fifo_size: ");
  TermIO::WriteInt(r.outputFifoSize, 0);
  TermIO::WriteLn();
  char version[5] = "";
  Strings::Substring(version, r.eepromVersion, 0, Strings::Length(r.eepromVersion));
  TermIO::WriteString("EEPROM_version: \"");
  TermIO::WriteString(version);
  TermIO::WriteString("\", revision: ");
  TermIO::WriteInt(r.revision, 0);
  TermIO::WriteString(", firmware: ");
  TermIO::WriteInt(r.firmware, 0);
  TermIO::WriteString(", production: ");
  TermIO::WriteInt(r.production, 0);
  TermIO::WriteLn();
  WriteScaling("input scaling: ", r.inputCalibrationScale, r.inputCalibrationOffset);
  WriteScaling("output scaling:", r.outputCalibrationScale, r.outputCalibrationOffset);
}

void InitModule() {
  Strings::Clear(ErrorMessage);
  Strings::Clear(CompareError);
  FPGA_Params.state = 0;
  DebugWrite = TellTaleFile::Exists("QRN55EEPROMDebug.On");
  DebugIndex = 0;
  InitDeviceInformation(0, 1, "");
  std::fill_n(DacValues, 5, 0.0);
  QRN55Firmware::InitModule();
}

}  // namespace QRN55Tools
