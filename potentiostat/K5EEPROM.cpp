#include "potentiostat/K5EEPROM.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "acquisition/VrnlBoards.h"
#include "amplifier/VrnlEEPROM.h"
#include "foundation/Bytes.h"
#include "foundation/GLP.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Host.h"
#include "numerics/VectorInt.h"
#include "potentiostat/K5Set.h"

namespace K5EEPROM {

namespace {

using K5Scale::PKScaleRecord;

constexpr char kMarker[] = "EEPROM_PK500";
constexpr std::size_t kMarkerField = 16;
constexpr std::size_t kVersionAt = 16;
constexpr std::size_t kVersionLength = 9;
constexpr std::int32_t kCheckAt = 32;
constexpr std::int32_t kByteOrderAt = 36;
constexpr std::int32_t kChipType = 1;
constexpr double kConnectSeconds = 0.05;

// Shared by the transfers of the scale image.
std::array<std::uint8_t, ScaleImageSize> transfer;

VrnlEEPROM::Chip BoardChip() {
  return {K5Set::EEPROMSelect, kChipType, PKTypes::State.StatusPort, PKTypes::State.CommandPort};
}

// The identification page is read and written with the chip deselected
// first and given time to settle.
void Connect() {
  K5Set::EEPROMSelect(false);
  VrnlBoards::Wait(kConnectSeconds);
}

std::uint8_t HostOrder() { return Platform::IsLittleEndian() ? 1 : 0; }

// Every stored field of the scale record with its image offset.
template <typename Visitor>
void EachScaleField(PKScaleRecord& r, Visitor& v) {
  v.Text(0, r.Id, sizeof r.Id);
  v.Text(8, r.CalibrationDate, sizeof r.CalibrationDate);
  v.Text(24, r.SerialNumber, sizeof r.SerialNumber);
  v.Flag(kByteOrderAt, r.LittleEndian);
  v.Byte(37, r.ConfigCode);
  v.Character(38, r.Version);
  v.Reals(40, &r.MuxGain, 1);
  v.Reals(48, &r.MuxOffset, 1);
  v.Reals(56, &r.MuxX100Gain, 1);
  v.Reals(64, &r.MuxX100Offset, 1);
  v.Reals(520, r.InitDacFactor, 2);
  v.Reals(536, &r.InitDacOffset, 1);
  v.Reals(600, r.InitSubtrDacFactor, 2);
  v.Reals(72, &r.StimFilterFactor, 1);
  v.Reals(80, &r.StimFilterOffset, 1);
  v.Reals(88, r.StimScaleFactor, 4);
  v.Reals(120, r.StimScaleOffset, 4);
  v.Reals(152, &r.IRCompGainSlope, 1);
  v.Reals(160, &r.IRCompGainOffset, 1);
  v.Reals(168, &r.IRCompFixOffset, 1);
  v.Reals(176, &r.ClampGainPerUnit, 1);
  v.Reals(184, &r.ClampOffsetPerUnit, 1);
  v.Reals(192, &r.ClampIntercept, 1);
  v.Reals(200, &r.CoAmpOffsetPerUnit, 1);
  v.Codes(464, r.CoAmpOffsetDacPot, 3);
  v.Codes(470, r.CoAmpOffsetDacGal, 3);
  v.Codes(476, r.WorkElectrOffsetDac, 3);
  v.Reals(208, r.CurrentOutFactor, 12);
  v.Reals(304, r.CurrentOutOffset, 12);
  v.Codes(482, r.CurrentOffsetDac, 12);
  v.Reals(400, r.VoltageOutFactor, 4);
  v.Reals(432, r.VoltageOutOffset, 4);
  v.Codes(506, r.VoltageOffsetDac, 4);
  v.Reals(544, &r.SubtrDacFactor[0][0], 6);
  v.Reals(592, &r.SubtrDacOffset, 1);
  v.Codes(514, &r.CMR1Dac, 1);
  v.Codes(516, &r.CMR2Dac, 1);
  v.Codes(518, &r.MeasuredVoltOffDac, 1);
  v.Codes(616, &r.OCPOffsetDac, 1);
}

// Converts the fields through the Bytes procedures of the walk's mode.
struct ImageWalk {
  void Text(std::int32_t at, char* text, std::int32_t count) { Bytes::ProcessPoly8(at, text, count); }
  void Flag(std::int32_t at, bool& flag) { Bytes::ProcessBool(at, flag); }
  void Byte(std::int32_t at, std::uint8_t& byte) { Bytes::ProcessByte(at, byte); }
  void Character(std::int32_t at, char& character) { Bytes::ProcessChar(at, character); }
  void Reals(std::int32_t at, double* reals, std::int32_t count) { Bytes::ProcessPoly64(at, reals, count); }
  void Codes(std::int32_t at, std::int16_t* codes, std::int32_t count) { Bytes::ProcessPoly16(at, codes, count); }
};

// Whether every real is a finite number: a record with another would later
// give the DACs codes from no number.
struct FiniteCheck {
  bool finite = true;
  void Text(std::int32_t, char*, std::int32_t) {}
  void Flag(std::int32_t, bool&) {}
  void Byte(std::int32_t, std::uint8_t&) {}
  void Character(std::int32_t, char&) {}
  void Reals(std::int32_t, double* reals, std::int32_t count) {
    finite = finite && std::all_of(reals, reals + count, [](double x) { return std::isfinite(x); });
  }
  void Codes(std::int32_t, std::int16_t*, std::int32_t) {}
};

std::span<std::byte> AsImage(std::span<std::uint8_t> image) { return std::as_writable_bytes(image); }

std::uint32_t Checksum(std::span<const std::uint8_t> image) {
  return static_cast<std::uint32_t>(VectorInt::Checksum8(image.data(), static_cast<std::int32_t>(image.size())));
}

bool ReadImage(std::string& message) {
  if (VrnlEEPROM::ReadPagesFromEEPROM(ScaleFirstPage, transfer, ScaleImageSize, BoardChip(), message)) return true;
  message.insert(0, "Scale: ");
  return false;
}

// "EEPROM_K5Scale_<serial>_a<amplifier>_yyyy-mm-dd_hh-mm-ss-mmm.bak".
std::string BackupName(const PKScaleRecord& record) {
  std::array<char, 32> stamp{};
  RealTime::ToDate(RealTime::GetTime(), stamp, true, true);
  std::string when(stamp.data());
  std::replace_if(when.begin(), when.end(), [](char c) { return c == '/' || c == ':' || c == '.'; }, '-');
  std::replace(when.begin(), when.end(), ' ', '_');
  const std::string serial(record.SerialNumber, static_cast<std::size_t>(Strings::Length(record.SerialNumber)));
  return "EEPROM_K5Scale_" + serial + "_a" + std::to_string(PKTypes::State.ActiveAmplifier) + "_" + when + ".bak";
}

// The image about to be replaced, kept in a file of its own, so that a
// write that fails or is cut short loses no calibration.
bool BackUpOldImage(const PKScaleRecord& record, std::string& message) {
  const std::string refused = "PK510: Writing Scale to EEPROM refused, ";
  std::string readMessage;
  if (!ReadImage(readMessage)) {
    message = refused + "the old scale could not be read for its backup (" + readMessage + ")";
    return false;
  }
  const std::string name = BackupName(record);
  if (!IOBytes::SaveFile(std::span(name.c_str(), name.size() + 1), nullptr, ScaleImageSize, transfer.data())) {
    message = refused + "its backup file \"" + name + "\" could not be written (error " +
              std::to_string(IOBase::Result) + ")";
    return false;
  }
  const std::string line = "Old PK scale saved in \"" + name + "\"";
  TermIO::WriteLine(std::span(line.c_str(), line.size() + 1));
  return true;
}

}  // namespace

// ---- Identification page --------------------------------------------------

bool ReadVersion(std::span<char> version, std::string& message) {
  message.clear();
  std::array<std::uint8_t, VrnlEEPROM::PageSize> page{};
  Connect();
  if (!VrnlEEPROM::ReadPagesFromEEPROM(0, page, VrnlEEPROM::PageSize, BoardChip(), message)) return false;
  if (std::memcmp(page.data(), kMarker, std::strlen(kMarker)) != 0) {
    message = "PK510: EEPROM_ID does not match";
    return false;
  }
  const std::size_t count = std::min(kVersionLength, version.size());
  std::copy_n(page.begin() + kVersionAt, count, version.begin());
  if (count < version.size()) version[count] = '\0';
  return true;
}

bool WriteVersion(std::span<const char> version, std::string& message) {
  message.clear();
  const auto length = static_cast<std::size_t>(Strings::Length(version));
  if (length > kVersionLength) {
    message = "PK510: Version string too long";
    return false;
  }
  std::array<std::uint8_t, VrnlEEPROM::PageSize> page{};
  std::copy_n(kMarker, std::strlen(kMarker), page.begin());
  static_assert(sizeof kMarker <= kMarkerField);
  std::copy_n(version.begin(), length, page.begin() + kVersionAt);
  Connect();
  return VrnlEEPROM::WritePagesToEEPROM(0, page, VrnlEEPROM::PageSize, BoardChip(), message);
}

// ---- Scale record ------------------------------------------------------------

void PackScale(PKScaleRecord& record, std::span<std::uint8_t, ScaleImageSize> image) {
  std::fill(image.begin(), image.end(), std::uint8_t{0});
  record.LittleEndian = Platform::IsLittleEndian();
  Bytes::InitProcs(AsImage(image), Bytes::kPack);
  ImageWalk walk;
  EachScaleField(record, walk);
  record.CheckValue = Checksum(image);
  Bytes::ProcessCard32(kCheckAt, record.CheckValue);
  Bytes::InitModule();
}

bool UnpackScale(std::span<const std::uint8_t, ScaleImageSize> image, PKScaleRecord& record, std::string& message) {
  message.clear();
  if (image[kByteOrderAt] == EmptyMark) {
    message = "PK510: Reading Scale from EEPROM failed, is empty";
    return false;
  }
  std::array<std::uint8_t, ScaleImageSize> work;
  std::copy(image.begin(), image.end(), work.begin());
  const Bytes::ByteProcessMode mode = image[kByteOrderAt] == HostOrder() ? Bytes::kCopy : Bytes::kSwap;
  PKScaleRecord read{};
  Bytes::InitProcs(AsImage(work), mode);
  Bytes::ProcessCard32(kCheckAt, read.CheckValue);
  std::fill_n(work.begin() + kCheckAt, 4, std::uint8_t{0});
  ImageWalk walk;
  EachScaleField(read, walk);
  Bytes::InitModule();
  if (Checksum(work) != read.CheckValue) {
    message = "PK510: Reading Scale from EEPROM failed, CRC error";
    return false;
  }
  FiniteCheck check;
  EachScaleField(read, check);
  if (std::memcmp(read.Id, "K5SCALE", sizeof read.Id) != 0 || !check.finite) {
    message = "PK510: Reading Scale from EEPROM failed, not a scale record.";
    return false;
  }
  char date[sizeof read.CalibrationDate + 1] = "";
  std::memcpy(date, read.CalibrationDate, sizeof read.CalibrationDate);
  double days = 0.0;
  if (GLP::Enforce && !GLP::CheckExpiration(date, days)) {
    message = "PK510: Calibration expired";
    return false;
  }
  record = read;
  return true;
}

bool ReadScale(PKScaleRecord& record, std::string& message) {
  message.clear();
  if (!ReadImage(message)) return false;
  return UnpackScale(transfer, record, message);
}

bool WriteScale(PKScaleRecord& record, std::string& message) {
  message.clear();
  if (!BackUpOldImage(record, message)) return false;
  PackScale(record, transfer);
  return VrnlEEPROM::WritePagesToEEPROM(ScaleFirstPage, transfer, ScaleImageSize, BoardChip(), message);
}

bool DumpScale(std::span<const char> fileName, std::string& message) {
  message.clear();
  if (!ReadImage(message)) return false;
  if (!IOBytes::SaveFile(fileName, nullptr, ScaleImageSize, transfer.data())) {
    char text[128] = "";
    IOFiles::Message(IOBase::Result, text);
    message = std::string("Scale: ") + text;
    return false;
  }
  return true;
}

}  // namespace K5EEPROM
