// Single-block files: a 282-byte header in front of the one data block of
// the program's binary data files (scale, C-fast and firmware files). The
// caller assembles header and data in one image, lets MakeHeader fill the
// header and saves the image whole; to read, it loads the whole file and
// lets CheckHeader accept it before converting the data.
//
// Header (offsets from the start of the file; numbers in the writer's byte
// order, little-endian here; CheckHeader reads both orders):
//    0  18  file ID, zero-filled, no terminator at 18 characters
//   18   2  format number, 203
//   20   2  version of the data, the caller's
//   22   4  header size, 282 (the data start here)
//   26   4  data size
//   30  12  date of writing, dd-Mon-yyyy and a zero byte
//   42 234  zero
//  276   4  checksum: the byte sum of the whole file with this field zero
//  280   2  zero
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace SingleBlockFile {

inline constexpr std::int32_t kHeaderSize = 282;
inline constexpr std::uint16_t kFormatNumber = 203;

// Results of CheckHeader, tested in this order.
inline constexpr int kAccepted = 0;
inline constexpr int kSizesWrong = 2;
inline constexpr int kWrongId = 3;
inline constexpr int kChecksumWrong = 4;
inline constexpr int kExpired = 5;

// The scratch area in which file images are assembled (firmware images
// among them, which must fit it whole).
inline constexpr std::int32_t kTempBufferSize = 51200;
extern std::array<std::byte, kTempBufferSize> TempBuffer;

// Fills the first 282 bytes of the image (the data already in place) with
// the header for the ID, data size and version, dated today, and last the
// checksum over the first checksumLength bytes of the image. An image too
// small for the header is left alone; the checksum never runs past its end.
void MakeHeader(std::span<const char> id, std::span<std::byte> image, std::uint32_t dataSize,
                std::int32_t checksumLength, std::uint16_t version);

// Checks the image of a whole file (image.size() = bytes loaded) against
// the expected ID. Hands out the header's sizes and version in host order,
// its date (empty unless dd-Mon-yyyy) and whether the file's numbers are in
// the other byte order. The checksum counts only while GLP::Check or
// GLP::Enforce is set (and then the image's checksum field is left zero);
// the date only while GLP::Enforce is set.
int CheckHeader(std::span<std::byte> image, std::span<const char> id, std::span<char> date,
                std::uint32_t& headerSize, std::uint32_t& dataSize, std::uint16_t& version,
                bool& swapped);

}  // namespace SingleBlockFile
