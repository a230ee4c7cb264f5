// TLV 6 firmware files (".TLV"): an FPGA image behind the program's
// 282-byte single-block header (foundation/SingleBlockFile.h) with the
// identification "TLV6-Firmware" and the firmware version 1..99 as the
// header's version. The file's length is exactly header plus data size.
//
// The firmware block record: the file loaded last, held in the named buffer
// "Tlv6FirmwareBuffer" as one block (the record, one CRC entry per 32-byte
// block, the file image). The image is padded with zeros to whole blocks,
// so the last block's report and its CRC both carry zeros past the data.
// A later file that fits the block's capacity reuses it; a larger one makes
// the buffer anew. Owned by this module; the upload (Tlv6Firmware) advances
// currentBlock and fills the CRC table. Main thread only.
//
// Every operator question, file choice and alert goes through dialogs/.
#pragma once

#include <cstdint>
#include <span>

namespace Tlv6FirmwareFile {

inline constexpr char kFileId[] = "TLV6-Firmware";
inline constexpr int kBlockBytes = 32;

struct CrcEntry {
  std::uint32_t computed;  // CRC-16 of the block as sent
  std::uint32_t received;  // the number the amplifier replied
};

struct FirmwareBlocks {
  std::uint64_t totalSize;   // bytes of the whole block: record, CRC table, image
  std::uint64_t fileSize;    // bytes of the file image held
  std::uint64_t capacity;    // file size the block was made for
  std::uint32_t blockCount;  // 32-byte blocks of the data
  std::int32_t currentBlock; // index of the block being sent; -1 before the first
  CrcEntry* crcTable;
  std::uint8_t* image;       // the file image, header first
  std::uint8_t* data;        // image + 282: the FPGA data, padded to whole blocks

  std::span<const std::uint8_t, kBlockBytes> Block(std::uint32_t index) const {
    return std::span<const std::uint8_t, kBlockBytes>(data + std::size_t{index} * kBlockBytes,
                                                      kBlockBytes);
  }
};

// The record of the file loaded last; nil until a file is loaded.
extern FirmwareBlocks* FirmwareBufferPtr;

// Prepares the record for a file image of fileSize bytes: blockCount from
// the size, currentBlock -1. FALSE, with the console alert line
// "  ## CreateFirmwareBuffer failed. ##  ", when memory is short.
bool CreateFirmwareBuffer(std::uint64_t fileSize);

// Lets the operator choose a "*.TLV" file, loads it into the record and
// checks it (HeldFileError); TRUE when a valid firmware file is now held.
// Alerts name every failure: "Error loading firmware file", "Error loading
// file:", "CRC error in firmware file header.", "Not an Tlv6 firmware
// file.", "Error in firmware file header." (sizes, format or an empty
// image).
bool LoadFirmwareFile();

// Checks the file image held in the record (header, identification,
// checksum, sizes and format): nil when it is a valid firmware file, whose
// blockCount then comes from the header's data size; else the alert text.
// The GLP switches are the same afterwards.
const char* HeldFileError();

// Lets the operator choose a raw image ("*.bin") and a version and writes
// the firmware file beside it (MakeOutFileName). An empty image, or a
// Cancel of the version, makes no file.
void MakeFirmwareFile();

// outPath := the directory of sourcePath + prefix + today as yyyy-mm-dd +
// "_" + the version's two digits + ".TLV".
void MakeOutFileName(std::span<const char> prefix, int version, std::span<const char> sourcePath,
                     std::span<char> outPath);

// Back to no record (the buffer stays in the heap for the next file).
void InitModule();

}  // namespace Tlv6FirmwareFile
