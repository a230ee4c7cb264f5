#include "foundation/SingleBlockFile.h"

#include <algorithm>

#include "foundation/Bytes.h"
#include "foundation/GLP.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "numerics/VectorInt.h"

namespace SingleBlockFile {

std::array<std::byte, kTempBufferSize> TempBuffer{};

namespace {

constexpr int kIdSize = 18;
constexpr int kDateSize = 12;
constexpr std::int32_t kIdOffset = 0;
constexpr std::int32_t kFormatOffset = 18;
constexpr std::int32_t kVersionOffset = 20;
constexpr std::int32_t kHeaderSizeOffset = 22;
constexpr std::int32_t kDataSizeOffset = 26;
constexpr std::int32_t kDateOffset = 30;
constexpr std::int32_t kChecksumOffset = 276;
// Files of older formats carry a checksum that was never kept right.
constexpr std::uint16_t kFirstCheckedFormat = 203;
// A format number read in the wrong byte order is at least 256 x 1.
constexpr std::uint16_t kSwappedFormat = 512;

struct Header {
  char id[kIdSize] = {};
  std::uint16_t format = 0;
  std::uint16_t version = 0;
  std::uint32_t headerSize = 0;
  std::uint32_t dataSize = 0;
  char date[kDateSize] = {};
  std::uint32_t checksum = 0;
};

// The header's fields in the file; the checksum is walked apart because it
// is computed over the packed image.
void WalkFields(Header& header) {
  Bytes::ProcessPoly8(kIdOffset, header.id, kIdSize);
  Bytes::ProcessCard16(kFormatOffset, header.format);
  Bytes::ProcessCard16(kVersionOffset, header.version);
  Bytes::ProcessCard32(kHeaderSizeOffset, header.headerSize);
  Bytes::ProcessCard32(kDataSizeOffset, header.dataSize);
  Bytes::ProcessPoly8(kDateOffset, header.date, kDateSize);
}

std::uint32_t ByteSum(std::span<const std::byte> bytes) {
  return static_cast<std::uint32_t>(
      VectorInt::Checksum8(bytes.data(), static_cast<std::int32_t>(bytes.size())));
}

// Text of a fixed field that may fill it without a terminator.
template <std::size_t N>
void FieldText(const char (&field)[N], std::span<char> text) {
  Strings::Assign(text, std::span<const char>(field, N));
}

}  // namespace

void MakeHeader(std::span<const char> id, std::span<std::byte> image, std::uint32_t dataSize,
                std::int32_t checksumLength, std::uint16_t version) {
  if (image.size() < static_cast<std::size_t>(kHeaderSize)) return;
  char today[32];
  RealTime::ToAltDate(RealTime::GetTime(), today, false, false);
  Header header;
  std::copy_n(id.begin(), std::min(Strings::Length(id), kIdSize), header.id);
  std::copy_n(today, std::min(Strings::Length(today), kDateSize), header.date);
  header.format = kFormatNumber;
  header.version = version;
  header.headerSize = kHeaderSize;
  header.dataSize = dataSize;
  const std::span<std::byte> headerImage = image.first(kHeaderSize);
  std::fill(headerImage.begin(), headerImage.end(), std::byte{0});
  Bytes::InitProcs(headerImage, Bytes::kPack);
  WalkFields(header);
  const std::size_t summed = std::clamp<std::size_t>(
      static_cast<std::size_t>(std::max(checksumLength, 0)), 0, image.size());
  header.checksum = ByteSum(image.first(summed));
  Bytes::ProcessCard32(kChecksumOffset, header.checksum);
}

int CheckHeader(std::span<std::byte> image, std::span<const char> id, std::span<char> date,
                std::uint32_t& headerSize, std::uint32_t& dataSize, std::uint16_t& version,
                bool& swapped) {
  version = 0;
  headerSize = 0;
  dataSize = 0;
  swapped = false;
  Strings::Clear(date);
  // Every field lies in the first 282 bytes: a shorter file has no header.
  if (image.size() < static_cast<std::size_t>(kHeaderSize)) return kSizesWrong;

  const std::span<std::byte> headerImage = image.first(kHeaderSize);
  std::uint16_t hostFormat = 0;
  Bytes::InitProcs(headerImage, Bytes::kCopy);
  Bytes::ProcessCard16(kFormatOffset, hostFormat);
  swapped = hostFormat >= kSwappedFormat;
  Header header;
  Bytes::InitProcs(headerImage, swapped ? Bytes::kSwap : Bytes::kCopy);
  WalkFields(header);
  Bytes::ProcessCard32(kChecksumOffset, header.checksum);

  char fileId[kIdSize + 1] = {};
  FieldText(header.id, fileId);
  char fileDate[kDateSize + 1] = {};
  FieldText(header.date, fileDate);
  if (fileDate[0] == 0 || fileDate[2] != '-' || fileDate[6] != '-') Strings::Clear(fileDate);
  Strings::Assign(date, fileDate);
  version = header.version;
  headerSize = header.headerSize;
  dataSize = header.dataSize;

  // Summed in 64 bits: a hostile data size must not wrap past the length.
  if (header.headerSize < static_cast<std::uint32_t>(kHeaderSize) ||
      image.size() < std::uint64_t{header.headerSize} + header.dataSize) {
    return kSizesWrong;
  }
  if (!Strings::Equal(fileId, id)) return kWrongId;
  if (!GLP::Check && !GLP::Enforce) return kAccepted;

  const std::span<std::byte> checksumField = image.subspan(kChecksumOffset, 4);
  std::fill(checksumField.begin(), checksumField.end(), std::byte{0});
  if (ByteSum(image) != header.checksum && header.format >= kFirstCheckedFormat) {
    return kChecksumWrong;
  }
  double days = 0.0;
  if (GLP::Enforce && !GLP::CheckExpiration(fileDate, days)) return kExpired;
  return kAccepted;
}

}  // namespace SingleBlockFile
