#include "amplifier/T3EEPROM.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3ScaleFiles.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/VrnlEEPROM.h"
#include "foundation/Bytes.h"
#include "foundation/GLP.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "numerics/VectorInt.h"

namespace T3EEPROM {

namespace {

constexpr std::int32_t kVersionPage = 0;
constexpr char kMarker[] = "EEPROM_Tlv";
constexpr std::int32_t kMarkerLength = 10;
constexpr std::int32_t kVersionAt = 16;
constexpr std::int32_t kEEPROMNone = 0;
constexpr std::int32_t kEEPROMSmall = 1;
constexpr std::int32_t kEEPROMLarge = 2;

constexpr std::int32_t kIdSize = 16;
constexpr std::int32_t kChecksumAt = 16;
constexpr std::int32_t kByteOrderAt = 20;
constexpr std::int32_t kRecordAt = 32;
constexpr std::uint8_t kBigEndian = 0;
constexpr std::uint8_t kLittleEndian = 1;
constexpr std::uint8_t kErased = 255;
constexpr std::uint8_t kHostOrder = std::endian::native == std::endian::little ? kLittleEndian : kBigEndian;

constexpr double kSettleSeconds = 0.05;

static_assert(T3ScaleFiles::kCFastPayloadSize + kRecordAt <= CFastBlockSize);
static_assert(T3ScaleFiles::kScalePayloadSize + kRecordAt <= ScaleBlockSize);
static_assert(CFastBlockSize <= T3Init::kFileBufferSize);

// One kind of block: where its texts differ and how its record is walked.
struct BlockKind {
  const char* id;
  const char* name;        // in the messages: "Reading <name> from EEPROM failed: ..."
  const char* notRecord;   // "not a scale record." ...
  const char* readPrefix;  // put before a failed read's message
  const char* fileTag;     // in the backup file's name
  std::int32_t size;
  bool (*walk)();          // the record over Bytes::BasePtr; FALSE: refused
  void (*clear)();
};

bool WalkScale() { return T3ScaleFiles::ProcessScaleRecord(T3Scale::Scale, false, true); }
bool WalkCFast() { return T3ScaleFiles::ProcessCFastRecord(0, T3Auto::CFastTable); }
void ClearScale() { T3Scale::Scale = {}; }
void ClearCFast() { T3Auto::CFastTable = {}; }

const BlockKind kScale{"TlvScaleID", "Scale", "not a scale record.", "Scale: ", "Scale",
                       ScaleBlockSize, WalkScale, ClearScale};
const BlockKind kCFast{"TlvCFastID", "CFast table", "not a CFast record.", "CFast table: ", "CFast",
                       CFastBlockSize, WalkCFast, ClearCFast};

VrnlEEPROM::Chip AmplifierChip() {
  return {T3Set::EEPROMSelect, 0, T3Types::State.EEPROMReadChannel,
          T3Types::State.CommandPortChannel};
}

void Connect(bool on) {
  T3Panel::SetT3BoardLatch(T3Types::State.Board);
  T3Set::EEPROMDataPath(on);
  if (on) {
    T3Set::EEPROMSelect(false);
    VrnlBoards::Wait(kSettleSeconds);
  }
}

std::span<std::uint8_t> Block(const BlockKind& kind) {
  return std::span(T3Init::FileBuffer).first(static_cast<std::size_t>(kind.size));
}

std::int32_t RackBoard() { return T3Panel::GetBoardToSet(T3Types::State.Board); }

std::int32_t FirstPage(const BlockKind& kind) {
  if (&kind == &kCFast) return CFastPage(RackBoard());
  return ScalePage(RackBoard(), T3Types::State.VrefX2 || T3Base::ForceVrefX2);
}

bool ReadBlockPages(const BlockKind& kind, std::string& message) {
  Connect(true);
  const bool ok = VrnlEEPROM::ReadPagesFromEEPROM(FirstPage(kind), Block(kind), kind.size,
                                                  AmplifierChip(), message);
  Connect(false);
  return ok;
}

std::string ReadFailure(const BlockKind& kind, const char* reason) {
  return std::string("Reading ") + kind.name + " from EEPROM failed: " + reason;
}

std::uint32_t BlockChecksum(const BlockKind& kind) {
  return static_cast<std::uint32_t>(VectorInt::Checksum8(T3Init::FileBuffer.data(), kind.size));
}

void UseImage(std::span<std::uint8_t> image, Bytes::ByteProcessMode mode) {
  Bytes::InitProcs(std::as_writable_bytes(image), mode);
}

// The block in FileBuffer taken apart into its record. FALSE with the
// operator's message; the record changes only once the header is sound.
bool UnpackBlock(const BlockKind& kind, std::string& message) {
  const std::span<std::uint8_t> block = Block(kind);
  const std::uint8_t order = block[kByteOrderAt];
  if (order == kErased) {
    message = ReadFailure(kind, "is empty");
    return false;
  }
  std::array<char, kIdSize + 1> id{};
  std::copy_n(block.begin(), kIdSize, id.begin());
  if ((order != kBigEndian && order != kLittleEndian) || std::strcmp(id.data(), kind.id) != 0) {
    message = ReadFailure(kind, kind.notRecord);
    return false;
  }
  const Bytes::ByteProcessMode mode = order == kHostOrder ? Bytes::kCopy : Bytes::kSwap;
  std::uint32_t stored = 0;
  UseImage(block, mode);
  Bytes::ProcessCard32(kChecksumAt, stored);
  std::fill_n(block.begin() + kChecksumAt, 4, std::uint8_t{0});
  if (BlockChecksum(kind) != stored) {
    message = ReadFailure(kind, "CRC error");
    return false;
  }
  kind.clear();
  UseImage(block.subspan(kRecordAt), mode);
  const bool walked = kind.walk();
  Bytes::InitModule();
  if (!walked) {
    kind.clear();
    message = ReadFailure(kind, kind.notRecord);
    return false;
  }
  return true;
}

// The record into FileBuffer as a block in this host's byte order. FALSE
// when the walk refuses the record.
bool PackBlock(const BlockKind& kind) {
  const std::span<std::uint8_t> block = Block(kind);
  std::fill(block.begin(), block.end(), std::uint8_t{0});
  UseImage(block.subspan(kRecordAt), Bytes::kPack);
  const bool walked = kind.walk();
  std::array<char, kIdSize> id{};
  std::copy_n(kind.id, std::strlen(kind.id), id.begin());
  std::uint8_t order = kHostOrder;
  std::uint32_t checksum = 0;
  UseImage(block, Bytes::kPack);
  Bytes::ProcessPoly8(0, id.data(), kIdSize);
  Bytes::ProcessByte(kByteOrderAt, order);
  checksum = BlockChecksum(kind);
  Bytes::ProcessCard32(kChecksumAt, checksum);
  Bytes::InitModule();
  return walked;
}

// "EEPROM_<tag>_<serial>_b<board>_yyyy-mm-dd_hh-mm-ss-mmm.bak".
std::string BackupName(const BlockKind& kind) {
  std::array<char, 32> stamp{};
  RealTime::ToDate(RealTime::GetTime(), stamp, true, true);
  std::string when(stamp.data());
  std::replace_if(when.begin(), when.end(), [](char c) { return c == '/' || c == ':' || c == '.'; }, '-');
  std::replace(when.begin(), when.end(), ' ', '_');
  return std::string("EEPROM_") + kind.fileTag + "_" + T3Base::SerialNumber + "_b" +
         std::to_string(RackBoard()) + "_" + when + ".bak";
}

// The block about to be replaced, kept in a file of its own, so that a
// write that fails or is cut short loses no calibration.
bool BackUpOldBlock(const BlockKind& kind, std::string& message) {
  const std::string refused = std::string("Writing ") + kind.name + " to EEPROM refused: ";
  std::string readMessage;
  if (!ReadBlockPages(kind, readMessage)) {
    message = refused + "the old block could not be read for its backup (" + readMessage + ")";
    return false;
  }
  const std::string name = BackupName(kind);
  if (!IOBytes::SaveFile(std::span(name.c_str(), name.size() + 1), nullptr, kind.size,
                         T3Init::FileBuffer.data())) {
    message = refused + "its backup file \"" + name + "\" could not be written (error " +
              std::to_string(IOBase::Result) + ")";
    return false;
  }
  const std::string line = std::string("Old ") + kind.name + " block saved in \"" + name + "\"";
  TermIO::WriteLine(std::span(line.c_str(), line.size() + 1));
  return true;
}

bool WriteBlock(const BlockKind& kind, std::string& message) {
  message.clear();
  if (!BackUpOldBlock(kind, message)) return false;
  if (!PackBlock(kind)) {
    message = std::string("Writing ") + kind.name + " to EEPROM failed: " + kind.notRecord;
    return false;
  }
  Connect(true);
  const bool ok = VrnlEEPROM::WritePagesToEEPROM(FirstPage(kind), Block(kind), kind.size,
                                                 AmplifierChip(), message);
  Connect(false);
  return ok;
}

bool ReadBlock(const BlockKind& kind, std::string& message) {
  message.clear();
  if (!ReadBlockPages(kind, message)) {
    message.insert(0, kind.readPrefix);
    return false;
  }
  return UnpackBlock(kind, message);
}

bool IsAltDate(std::span<const char> date) {
  return Strings::Length(date) > 6 && date[2] == '-' && date[6] == '-';
}

// The scale record's date: a malformed one is cleared; an empty one is
// taken as today in memory only (a read never writes the chip), except
// under the enforced rule, where it counts as expired like an old one.
bool AcceptCalibrationDate(std::string& message) {
  const std::span<char> date(T3Scale::Scale.CalibDate);
  if (Strings::Length(date) > 0 && !IsAltDate(date)) Strings::Clear(date);
  if (GLP::Enforce) {
    double days = 0.0;
    if (Strings::Length(date) == 0 || !GLP::CheckExpiration(date, days)) {
      message = "Calibration expired";
      return false;
    }
  }
  if (Strings::Length(date) == 0) {
    RealTime::ToAltDate(RealTime::GetTime(), date, false, false);
    TermIO::WriteLine("Scale from EEPROM carries no calibration date: taken as today, EEPROM unchanged");
  }
  return true;
}

}  // namespace

std::int32_t ScalePage(std::int32_t board, bool extendedRange) {
  return extendedRange ? 16 * board + 228 : 56 * board + 4;
}

std::int32_t CFastPage(std::int32_t board) { return 56 * board + 20; }

bool ReadVersion(std::span<char> text, bool slow) {
  T3Types::State.EEPROMKind = kEEPROMLarge;
  std::array<std::uint8_t, VrnlEEPROM::PageSize> page{};
  std::string message;
  Connect(true);
  const bool read = VrnlEEPROM::ReadPagesFromEEPROM(kVersionPage, page, VrnlEEPROM::PageSize,
                                                    AmplifierChip(), message);
  Connect(false);
  if (read && std::equal(kMarker, kMarker + kMarkerLength, page.begin())) {
    const std::size_t n = std::min<std::size_t>(VrnlEEPROM::VersionLength, text.size());
    std::copy_n(page.begin() + kVersionAt, n, text.begin());
    if (n < text.size()) text[n] = 0;
    return true;
  }
  T3Types::State.EEPROMKind = kEEPROMSmall;
  Connect(true);
  const bool small = VrnlEEPROM::ReadVersionString(text, T3Base::UseSelectProc, slow, AmplifierChip());
  Connect(false);
  // Without a chip the data line reads low: an empty text is no version.
  if (small && Strings::Length(text) > 0) return true;
  T3Types::State.EEPROMKind = kEEPROMNone;
  return false;
}

bool WriteVersion(std::span<const char> text, bool large) {
  T3Types::State.EEPROMKind = large ? kEEPROMLarge : kEEPROMSmall;
  Connect(true);
  bool ok = false;
  if (large) {
    std::array<std::uint8_t, VrnlEEPROM::PageSize> page{};
    std::copy_n(kMarker, kMarkerLength, page.begin());
    const auto length = std::min<std::size_t>(VrnlEEPROM::VersionLength,
                                              static_cast<std::size_t>(Strings::Length(text)));
    std::copy_n(text.begin(), length, page.begin() + kVersionAt);
    std::string message;
    ok = VrnlEEPROM::WritePagesToEEPROM(kVersionPage, page, VrnlEEPROM::PageSize, AmplifierChip(),
                                        message);
    if (!ok) {
      const std::string line = "Writing version to large EEPROM failed: " + message;
      TermIO::WriteLine(std::span(line.c_str(), line.size() + 1));
    }
  } else {
    ok = VrnlEEPROM::WriteStringToEEPROM(text, T3Base::UseSelectProc, true, AmplifierChip());
  }
  Connect(false);
  return ok;
}

bool ReadScale(std::string& message) {
  if (!ReadBlock(kScale, message)) return false;
  if (!AcceptCalibrationDate(message)) return false;
  T3Init::ScaleFileLoaded = true;
  return true;
}

bool WriteScale(std::string& message) { return WriteBlock(kScale, message); }

bool ReadCFast(std::string& message) {
  if (!ReadBlock(kCFast, message)) return false;
  T3Init::CFastFileLoaded = true;
  return true;
}

bool WriteCFast(std::string& message) { return WriteBlock(kCFast, message); }

bool IsWriteTarget() {
  return T3Types::State.EEPROMKind == kEEPROMLarge && T3Types::State.Selector == 0;
}

bool IsReadTarget() { return IsWriteTarget() && !T3Base::ScaleFromDisk; }

}  // namespace T3EEPROM
