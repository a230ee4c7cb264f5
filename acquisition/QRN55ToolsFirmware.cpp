// The controller firmware: checking every unit against the program's image,
// writing the image (or a firmware file) to the start of a unit's EEPROM,
// the FIFO-size repair of old records, and the FPGA upload hooks.
#include <algorithm>

#include "acquisition/QRN55Firmware.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/QRN55Tools.h"
#include "acquisition/ZRV.h"
#include "foundation/Decode.h"
#include "foundation/GLP.h"
#include "foundation/IOBase.h"
#include "foundation/IOFiles.h"
#include "foundation/SingleBlockFile.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "numerics/VectorInt.h"

namespace QRN55Tools {

FPGAParams FPGA_Params;

namespace {

constexpr std::int32_t kChunk = 64;
constexpr std::int16_t kEndOfFile = -39;

void SetMessage(std::span<char> message, std::span<const char> text) {
  Strings::Assign(message, text);
}

// The units of the device, as the record read last says (at least one).
std::int32_t UnitsOfDevice() { return std::max(DeviceInformation.unitCount, 1); }

// The first outcome of a series of writes decides the message; after a
// failure later successes leave it.
class Outcome {
 public:
  Outcome(std::span<char> message, std::span<const char> success)
      : _message(message), _success(success) {}
  void Add(bool ok) {
    if (!_decided) SetMessage(_message, ok ? _success : std::span<const char>(ErrorMessage));
    _decided = true;
    _failed = _failed || !ok;
  }
  bool Failed() const { return _failed; }

 private:
  std::span<char> _message;
  std::span<const char> _success;
  bool _decided = false;
  bool _failed = false;
};

}  // namespace

void CheckFirmware(std::span<char> message, const std::uint8_t*& image, std::int32_t& length,
                   std::int32_t& checksum, std::int32_t& version, std::int32_t& minFirmware,
                   bool& needsFirmware, bool& needsFifoFix) {
  Strings::Clear(message);
  needsFirmware = false;
  needsFifoFix = false;
  image = nullptr;
  length = 0;
  checksum = 0;
  version = 0;
  minFirmware = 0;
  if (ZRV::GetBoardType() != ZRVBase::BoardQRN55 || ZRV::Status() == ZRV::StateClosed ||
      TellTaleFile::Exists("QRN55AutoFirmware.Off")) {
    return;
  }
  QRN55Firmware::Get(image, length, checksum, version);
  std::int32_t unit = 0;
  do {
    if (!ReadDeviceInformation(unit)) {
      SetMessage(message, ErrorMessage);
      return;
    }
    const std::int32_t firmware = DeviceInformation.firmware;
    if (minFirmware == 0 || firmware < minFirmware) minFirmware = firmware;
    if (firmware < version) needsFirmware = true;
    if (Strings::Equal(DeviceInformation.eepromVersion, "v01")) needsFifoFix = true;
    ++unit;
  } while (unit < DeviceInformation.unitCount);
}

bool FirmwareNeedsUpdating() {
  char message[128];
  const std::uint8_t* image;
  std::int32_t length, checksum, version, minFirmware;
  bool needsFirmware, needsFifoFix;
  CheckFirmware(message, image, length, checksum, version, minFirmware, needsFirmware,
                needsFifoFix);
  return needsFirmware || needsFifoFix;
}

bool UpdateFirmware(std::span<char> message, bool& powerCycle) {
  powerCycle = false;
  const std::uint8_t* image;
  std::int32_t length, checksum, version, minFirmware;
  bool needsFirmware, needsFifoFix;
  CheckFirmware(message, image, length, checksum, version, minFirmware, needsFirmware,
                needsFifoFix);
  if (!needsFirmware && !needsFifoFix) return true;
  bool done = false;
  if (needsFirmware) {
    done = DoUpdateFirmware(message, powerCycle, image, length, checksum, version, minFirmware);
  }
  if (needsFifoFix && !done) DoUpdateFifoSize(message, powerCycle);
  ZRV::Shutdown();
  QRN55Interface::Close();
  return false;
}

bool DoUpdateFirmware(std::span<char> message, bool& powerCycle, const std::uint8_t* image,
                      std::int32_t length, std::int32_t checksum, std::int32_t version,
                      std::int32_t minFirmware) {
  std::span<std::uint8_t> work;
  std::int32_t rounded = 0;
  if (image == nullptr || !GetWorkSpace(length, work, rounded)) {
    SetMessage(message, "QRN5+5 update: allocation error.");
    return false;
  }
  std::copy_n(image, length, work.begin());
  if (VectorInt::Checksum8(work.data(), length) != checksum) {
    SetMessage(message, "QRN5+5 firmware version v");
    Decode::Integer(minFirmware, message, 0);
    Strings::Concat(message, " < current version v");
    Decode::Integer(version, message, 0);
    Strings::Concat(message, ": CRC of stored firmware incorrect!");
    return false;
  }
  powerCycle = true;
  Outcome outcome(message, "QRN5+5 Firmware has been updated.");
  const std::int32_t units = UnitsOfDevice();
  for (std::int32_t unit = 0; unit < units; ++unit) {
    if (!ReadDeviceInformation(unit) || DeviceInformation.firmware >= version) continue;
    outcome.Add(UploadFirmware(work.first(static_cast<std::size_t>(length)), version, unit));
  }
  return !outcome.Failed();
}

bool DoUpdateFifoSize(std::span<char> message, bool& powerCycle) {
  Outcome outcome(message, "QRN5+5 EEPROM has been updated.");
  const std::int32_t units = UnitsOfDevice();
  for (std::int32_t unit = 0; unit < units; ++unit) {
    if (!ReadDeviceInformation(unit) || !FixOldFifoSize()) continue;
    powerCycle = true;
    outcome.Add(DoWriteDeviceInformation("UpdateFifoSize", unit));
  }
  return !outcome.Failed();
}

bool UploadFirmware(std::span<const std::uint8_t> image, std::int32_t version, std::int32_t unit) {
  if (unit != -1) return DoUploadFirmware(image, version, unit);
  if (!DoUploadFirmware(image, version, 0)) return false;
  // The record just written is unit 0's.
  if (DeviceInformation.unitCount >= 2) return DoUploadFirmware(image, version, 1);
  return true;
}

bool DoUploadFirmware(std::span<const std::uint8_t> image, std::int32_t version,
                      std::int32_t unit) {
  // A longer image would run into the device information record at 0x3E00
  // and destroy the unit's identification and calibration.
  if (image.empty() || image.size() > static_cast<std::size_t>(MaxFirmwareLength)) {
    Strings::Assign(ErrorMessage, "Firmware image of ");
    Decode::Integer(static_cast<std::int32_t>(image.size()), ErrorMessage, 0);
    Strings::Concat(ErrorMessage, " bytes refused: it must have 1 to ");
    Decode::Integer(MaxFirmwareLength, ErrorMessage, 0);
    Strings::Concat(ErrorMessage, " bytes.");
    return false;
  }
  if (!QRN55Interface::DriverIsOpen()) {
    const std::int32_t status = QRN55Interface::OpenDriver();
    if (status != 0) {
      QRN55Interface::GetErrorText(status, ErrorMessage);
      return false;
    }
  }
  if (!ReadDeviceInformation(unit)) return false;
  bool wroteAny = false;
  const std::int32_t status = WriteToEEPROM(unit, image, 0, wroteAny);
  if (status != 0) {
    GetErrorText(status, false);
    if (wroteAny) {
      // A unit must never boot a partial image: without its marker byte the
      // controller does not load anything.
      const std::uint8_t zeros[kChunk] = {};
      bool wrote = false;
      WriteToEEPROM(unit, zeros, 0, wrote);
    }
    return false;
  }
  DeviceInformation.firmware = version;
  UpdateVrnlFields();
  FixOldFifoSize();
  return DoWriteDeviceInformation("UploadFirmware", unit);
}

bool GetWorkSpace(std::int32_t size, std::span<std::uint8_t>& buffer, std::int32_t& roundedSize) {
  // The area is a multiple of 64 bytes: whatever fits it fits rounded up.
  static_assert(SingleBlockFile::kTempBufferSize % kChunk == 0);
  if (size < 0 || size > SingleBlockFile::kTempBufferSize) {
    Strings::Assign(ErrorMessage, "Temp. Buffer too small.");
    roundedSize = 0;
    buffer = {};
    return false;
  }
  roundedSize = (size + kChunk - 1) / kChunk * kChunk;
  buffer =
      std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(SingleBlockFile::TempBuffer.data()),
                              static_cast<std::size_t>(roundedSize));
  std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
  return true;
}

bool LoadFile(std::span<const char> name, std::int32_t size, std::span<std::uint8_t> buffer) {
  if (size < 0 || static_cast<std::size_t>(size) > buffer.size()) {
    Strings::Assign(ErrorMessage, "Temp. Buffer too small.");
    return false;
  }
  IOBytes::FileHandle file;
  if (!IOBytes::Open(name, nullptr, IOBytes::ModeRead, file)) {
    IOFiles::Message(IOBase::Result, ErrorMessage);
    return false;
  }
  std::int32_t length = 0;
  bool ok = false;
  if (!IOBytes::GetLength(file, length)) {
    Strings::Assign(ErrorMessage, "Error getting file length.");
  } else if (length != size) {
    Strings::Assign(ErrorMessage, "Error: BytesToRead <> FileSize.");
  } else {
    std::int32_t count = size;
    const bool read = IOBytes::Read(file, count, buffer.data());
    if (!read && IOBase::Result != kEndOfFile) {
      Strings::Assign(ErrorMessage, "Error reading file.");
    } else if (count != size) {
      Strings::Assign(ErrorMessage, "Error reading all bytes.");
    } else {
      ok = true;
    }
  }
  IOBytes::Close(file);
  return ok;
}

bool WriteFirmware(std::span<const char> fileName, std::int32_t unit) {
  std::int32_t size = 0;
  if (!IOFiles::Lookup(fileName, size)) {
    IOFiles::Message(IOBase::Result, ErrorMessage);
    return false;
  }
  std::span<std::uint8_t> work;
  std::int32_t rounded = 0;
  if (!GetWorkSpace(size, work, rounded) || !LoadFile(fileName, size, work)) return false;

  // The header's checksum is always verified here, whatever the laboratory
  // practice setting, and no expiry applies to firmware.
  const bool check = GLP::Check;
  const bool enforce = GLP::Enforce;
  const double expiry = GLP::CalibExpiry;
  GLP::Check = true;
  GLP::Enforce = false;
  GLP::CalibExpiry = 0;
  char date[16] = "";
  std::uint32_t headerSize = 0;
  std::uint32_t dataSize = 0;
  std::uint16_t version = 0;
  bool swapped = false;
  const int result = SingleBlockFile::CheckHeader(
      std::as_writable_bytes(work.first(static_cast<std::size_t>(size))), "QRN55-Firmware", date,
      headerSize, dataSize, version, swapped);
  GLP::Check = check;
  GLP::Enforce = enforce;
  GLP::CalibExpiry = expiry;

  if (result == SingleBlockFile::kChecksumWrong) {
    Strings::Assign(ErrorMessage, "CRC error in firmware header.");
    return false;
  }
  if (result == SingleBlockFile::kWrongId) {
    Strings::Assign(ErrorMessage, "Not a firmware file.");
    return false;
  }
  if (result != SingleBlockFile::kAccepted ||
      static_cast<std::uint64_t>(headerSize) + dataSize > static_cast<std::uint64_t>(size)) {
    Strings::Assign(ErrorMessage, "Error in firmware header.");
    return false;
  }
  return UploadFirmware(work.subspan(headerSize, dataSize), version, unit);
}

// ---- FPGA upload hooks ------------------------------------------------------------

bool FPGA_Upload_Prepare(std::span<const char>) {
  Strings::Assign(ErrorMessage, "Function requires \"Windows\".");
  return false;
}

void FPGA_Upload_Start() {}

bool FPGA_Upload_Running() { return FPGA_Params.state >= 2; }

bool FPGA_Upload_Done() { return FPGA_Params.state >= 3; }

bool FPGA_Upload_Shutdown() {
  if (FPGA_Params.state >= 1) FPGA_Params.state = 0;
  return false;
}

void FPGA_Upload_Abort() { FPGA_Params.state = 0; }

void FPGA_Upload_Cleanup() { FPGA_Params.state = 0; }

}  // namespace QRN55Tools
