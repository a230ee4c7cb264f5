#include "usb_amplifier/Tlv6FirmwareFile.h"

#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "foundation/Buffer.h"
#include "foundation/GLP.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/RealTime.h"
#include "foundation/SingleBlockFile.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace Tlv6FirmwareFile {

FirmwareBlocks* FirmwareBufferPtr = nullptr;

namespace {

constexpr char kBufferName[] = "Tlv6FirmwareBuffer";
constexpr std::uint64_t kHeaderSize = SingleBlockFile::kHeaderSize;
constexpr std::size_t kFormatOffset = 18;
constexpr int kPathSize = 256;
constexpr int kMinVersion = 1;
constexpr int kMaxVersion = 99;

std::uint64_t AlignedTo16(std::uint64_t size) { return (size + 15) / 16 * 16; }

std::uint32_t BlocksFor(std::uint64_t dataSize) {
  return static_cast<std::uint32_t>((dataSize + kBlockBytes - 1) / kBlockBytes);
}

// The header's format number, in whichever byte order the file was written.
std::uint16_t FormatNumber(const std::uint8_t* image, bool swapped) {
  const std::uint16_t low = image[kFormatOffset];
  const std::uint16_t high = image[kFormatOffset + 1];
  return swapped ? static_cast<std::uint16_t>(low << 8 | high) : static_cast<std::uint16_t>(high << 8 | low);
}

// The header check with the date rules switched so that the checksum always
// counts and the date never expires; the rules are restored afterwards.
int CheckHeaderAlways(std::span<std::byte> image, std::uint32_t& headerSize,
                      std::uint32_t& dataSize, bool& swapped) {
  const bool check = GLP::Check;
  const bool enforce = GLP::Enforce;
  const double expiry = GLP::CalibExpiry;
  GLP::Check = true;
  GLP::Enforce = false;
  GLP::CalibExpiry = 0.0;
  char date[16] = "";
  std::uint16_t version = 0;
  const int result =
      SingleBlockFile::CheckHeader(image, kFileId, date, headerSize, dataSize, version, swapped);
  GLP::Check = check;
  GLP::Enforce = enforce;
  GLP::CalibExpiry = expiry;
  return result;
}

// The firmware file's own shape beyond what the header check looks at: a
// format whose checksum counts, an image that is not empty, and a length of
// exactly header plus data.
bool ShapeIsSound(const FirmwareBlocks& blocks, std::uint32_t headerSize, std::uint32_t dataSize,
                  bool swapped) {
  return FormatNumber(blocks.image, swapped) == SingleBlockFile::kFormatNumber &&
         headerSize == kHeaderSize && dataSize > 0 && blocks.fileSize == kHeaderSize + dataSize;
}

// Reads the whole file into the record; FALSE after its alert.
bool ReadIntoRecord(std::span<const char> name, std::int32_t length) {
  if (!CreateFirmwareBuffer(static_cast<std::uint64_t>(length))) return false;
  std::int32_t count = length;
  if (!IOBytes::LoadFile(name, nullptr, count, FirmwareBufferPtr->image) || count != length) {
    Alert::IOError("Error loading file:");
    return false;
  }
  return true;
}

}  // namespace

void InitModule() { FirmwareBufferPtr = nullptr; }

bool CreateFirmwareBuffer(std::uint64_t fileSize) {
  const std::uint64_t dataSize = fileSize < kHeaderSize ? 0 : fileSize - kHeaderSize;
  const std::uint32_t blockCount = BlocksFor(dataSize);
  const std::uint64_t imageRoom = std::max(fileSize, kHeaderSize + std::uint64_t{blockCount} * kBlockBytes);
  if (FirmwareBufferPtr != nullptr && FirmwareBufferPtr->capacity < fileSize) FirmwareBufferPtr = nullptr;
  if (FirmwareBufferPtr == nullptr) {
    const std::uint64_t recordBytes = AlignedTo16(sizeof(FirmwareBlocks));
    const std::uint64_t tableBytes = AlignedTo16(std::uint64_t{blockCount} * sizeof(CrcEntry));
    const std::uint64_t total = recordBytes + tableBytes + imageRoom;
    void* block = nullptr;
    if (total <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
      Buffer::NamedBuffer buffer = Buffer::Create(kBufferName, Buffer::kSingleBlock);
      Buffer::AllocateBlock(buffer, static_cast<std::int32_t>(total), block);
    }
    if (block == nullptr) {
      TermIO::WriteAlertLine("  ## CreateFirmwareBuffer failed. ##  ");
      return false;
    }
    auto* bytes = static_cast<std::uint8_t*>(block);
    FirmwareBufferPtr = static_cast<FirmwareBlocks*>(block);
    FirmwareBufferPtr->totalSize = total;
    FirmwareBufferPtr->capacity = fileSize;
    FirmwareBufferPtr->crcTable = reinterpret_cast<CrcEntry*>(bytes + recordBytes);
    FirmwareBufferPtr->image = bytes + recordBytes + tableBytes;
  }
  FirmwareBlocks& blocks = *FirmwareBufferPtr;
  blocks.fileSize = fileSize;
  blocks.blockCount = blockCount;
  blocks.currentBlock = -1;
  blocks.data = blocks.image + kHeaderSize;
  std::fill_n(blocks.image, imageRoom, std::uint8_t{0});
  std::fill_n(blocks.crcTable, blockCount, CrcEntry{0, 0});
  return true;
}

const char* HeldFileError() {
  if (FirmwareBufferPtr == nullptr) return "Error in firmware file header.";
  FirmwareBlocks& blocks = *FirmwareBufferPtr;
  std::uint32_t headerSize = 0;
  std::uint32_t dataSize = 0;
  bool swapped = false;
  const std::span<std::byte> image(reinterpret_cast<std::byte*>(blocks.image), blocks.fileSize);
  const int result = CheckHeaderAlways(image, headerSize, dataSize, swapped);
  if (result == SingleBlockFile::kWrongId) return "Not an Tlv6 firmware file.";
  if (result == SingleBlockFile::kSizesWrong || !ShapeIsSound(blocks, headerSize, dataSize, swapped)) {
    return "Error in firmware file header.";
  }
  if (result == SingleBlockFile::kChecksumWrong) return "CRC error in firmware file header.";
  if (result != SingleBlockFile::kAccepted) return "Error in firmware file header.";
  blocks.blockCount = BlocksFor(dataSize);
  return nullptr;
}

bool LoadFirmwareFile() {
  char name[kPathSize] = "";
  if (!FileSelect::Select(name, "*.TLV", FileSelect::ModeOpen, "Select Tlv6 Firmware File:")) {
    return false;
  }
  std::int32_t length = 0;
  if (!IOFiles::Lookup(name, length)) {
    Alert::IOError("Error loading firmware file");
    return false;
  }
  if (!ReadIntoRecord(name, length)) return false;
  if (const char* error = HeldFileError(); error != nullptr) {
    Alert::OK({error, std::strlen(error) + 1});
    return false;
  }
  return true;
}

void MakeOutFileName(std::span<const char> prefix, int version, std::span<const char> sourcePath,
                     std::span<char> outPath) {
  char date[16] = "";
  RealTime::ToDate(RealTime::GetTime(), date, false, false);
  char dashed[16] = "";
  Strings::Replace(dashed, date, '/', '-');
  IOBase::ExtractPath(sourcePath, outPath);
  Strings::Concat(outPath, prefix);
  Strings::Concat(outPath, dashed);
  const char digits[4] = {'_', static_cast<char>('0' + version / 10 % 10),
                          static_cast<char>('0' + version % 10), '\0'};
  Strings::Concat(outPath, digits);
  Strings::Concat(outPath, ".TLV");
}

void MakeFirmwareFile() {
  char source[kPathSize] = "";
  if (!FileSelect::Select(source, "*.bin", FileSelect::ModeOpen, "Select Tlv6 Firmware File:")) {
    return;
  }
  std::int32_t length = 0;
  if (!IOFiles::Lookup(source, length)) {
    Alert::IOError("Error getting file length:");
    return;
  }
  if (length <= 0) {
    Alert::OK("The firmware image is empty: no firmware file made.");
    return;
  }
  int version = 0;
  for (;;) {
    version = Alert::Number("Firmware Version:", 0);
    // Asking again after a Cancel would leave the operator no way out.
    if (Alert::Cancelled) return;
    if (version >= kMinVersion && version <= kMaxVersion) break;
    Alert::OK("Tlv6 Firmware Version must be > 0 and < 100!");
  }
  const std::uint64_t size = kHeaderSize + static_cast<std::uint64_t>(length);
  if (size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) ||
      !CreateFirmwareBuffer(size)) {
    return;
  }
  FirmwareBlocks& blocks = *FirmwareBufferPtr;
  std::int32_t count = length;
  if (!IOBytes::LoadFile(source, nullptr, count, blocks.data) || count != length) {
    Alert::IOError("Error loading file:");
    return;
  }
  char out[kPathSize] = "";
  MakeOutFileName("Tlv6Firmware_", version, source, out);
  const std::span<std::byte> image(reinterpret_cast<std::byte*>(blocks.image), size);
  SingleBlockFile::MakeHeader(kFileId, image, static_cast<std::uint32_t>(length),
                              static_cast<std::int32_t>(size), static_cast<std::uint16_t>(version));
  if (!IOBytes::SaveFile(out, nullptr, static_cast<std::int32_t>(size), blocks.image)) {
    Alert::IOError("Error storing file:");
    return;
  }
  TermIO::WriteString("FPGA files stored to \"");
  TermIO::WriteString(out);
  TermIO::WriteString("\"");
  TermIO::WriteLn();
}

}  // namespace Tlv6FirmwareFile
