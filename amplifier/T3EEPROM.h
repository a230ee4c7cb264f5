// What lies where in the amplifier's EEPROM: the version string, and per
// board of a rack its scale block (T3Scale::Scale) and C-fast block
// (T3Auto::CFastTable). Older amplifiers have only the 128-byte chip, which
// holds the version string alone.
//
// Large chip (256-byte pages, reached through VrnlEEPROM with chip type 0,
// T3Set::EEPROMSelect and the live record's EEPROMReadChannel and
// CommandPortChannel), for board b of its rack (T3Panel::GetBoardToSet):
//   page 0                  "EEPROM_Tlv" padded to 16 bytes, the version
//                           (at most 9 characters) at 16, the rest zero
//   pages 56b+4 .. 56b+19   scale block, 4096 bytes
//   pages 56b+20 .. 56b+59  C-fast block, 10240 bytes
//   pages 16b+228 .. +243   scale block of the extended stimulus range,
//                           used while the live record's VrefX2 or
//                           T3Base::ForceVrefX2 is set
// Block: bytes 0-15 the ID ("TlvScaleID" or "TlvCFastID", zero padded),
// 16-19 the checksum (VectorInt::Checksum8 of the whole block with this
// field zero) and 20 the byte order of the writer (1 little-endian, 0
// big-endian; 255 erased), both in the writer's order; 21-31 zero; from 32
// the record field by field in the writer's order (T3ScaleFiles' walks;
// the C-fast table as 2307 32-bit words); the rest zero. Blocks are
// assembled in T3Init::FileBuffer.
//
// Every access latches the live record's Board (T3Panel::SetT3BoardLatch)
// and switches the EEPROM data path on, then off again.
//
// Block writes first save the block they replace to a backup file in the
// current directory, "EEPROM_<block>_<serial>_b<board>_<date>_<time>.bak"
// named on the console, and program nothing when it cannot be saved.
//
// State set here: the live record's EEPROMKind, T3Scale::Scale,
// T3Auto::CFastTable, T3Init::ScaleFileLoaded and CFastFileLoaded. The
// EEPROM error stays in VrnlEEPROM::Error for the caller to classify. A
// read that fails before its record is taken apart leaves the record as it
// was; a record the walk refuses is left cleared. Main thread only.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace T3EEPROM {

// ==== Interface =============================================================

inline constexpr std::int32_t ScaleBlockSize = 4096;
inline constexpr std::int32_t CFastBlockSize = 10240;

// The first page of board b's blocks.
std::int32_t ScalePage(std::int32_t board, bool extendedRange);
std::int32_t CFastPage(std::int32_t board);

// The version string: the large chip's page 0 first (EEPROMKind 2), else
// the 128-byte chip (EEPROMKind 1, slow: slow sampling); FALSE and
// EEPROMKind 0 when neither answers (an empty text counts as none).
bool ReadVersion(std::span<char> text, bool slow);
// Writes the version string to the large chip's page 0 (verified; a
// failure writes "Writing version to large EEPROM failed: " and the reason
// on the console) or to the 128-byte chip; EEPROMKind 2 or 1 first.
bool WriteVersion(std::span<const char> text, bool large);

// The selected board's blocks to and from the records. FALSE with the
// reason in message for the operator.
bool ReadScale(std::string& message);
bool WriteScale(std::string& message);
bool ReadCFast(std::string& message);
bool WriteCFast(std::string& message);

// EEPROMKind is 2 and the board itself (Selector 0) is selected.
bool IsWriteTarget();
// IsWriteTarget, and the scale is not to come from a file
// (T3Base::ScaleFromDisk).
bool IsReadTarget();

}  // namespace T3EEPROM
