// Scale files and C-fast files: the scale record and the C-fast table
// (T3Scale) as the data block of a single-block file, and the field walks
// that also lay out the scale and C-fast blocks of the amplifier EEPROM.
//
// Files. A scale file is the 282-byte single-block header (ID "TLV3-Scale",
// format 203, writer version 0) and a payload of 2048 bytes; older files
// carry only the first 1370 or 1322 bytes of it. A C-fast file has the ID
// "TLV3-CFast" and a payload of up to 9228 bytes: the table's 2307 singles
// one after the other. Numbers are in the writer's byte order (a file whose
// format number reads above 511 is byte-swapped); reals are singles; texts
// and single bytes are never swapped. Writing always gives the current
// layout in this machine's order. The readers take a whole file already in
// memory and the writers leave theirs in SingleBlockFile::TempBuffer: the
// caller loads with IOBytes::LoadFile and saves with IOBytes::SaveFile.
//
// The readers see the payload only: a field or word that does not lie
// wholly inside it keeps the cleared record's zero, and bytes after it are
// never read. What they refuse leaves the record cleared (a scale record
// keeps the header's date in CalibDate), except where a size check of
// the call itself fails first: that leaves the record untouched.
//
// Errors. Every operation that gives FALSE leaves its reason in
// T3Error::Error: 9 serial number conflict, 10 board version conflict, 15
// record too small for the caller's record size, 16 wrong file length (also
// a linearisation table with more steps than it holds), 17 wrong file ID,
// 30 checksum wrong (only under GLP::Check or GLP::Enforce), 31 calibration
// date expired (only under GLP::Enforce), 33 a real that is not a finite
// number. Success leaves T3Error::Error as it was.
//
// The walks work on the image and in the direction that Bytes::InitProcs
// chose last. One walk at a time, main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "amplifier/T3Scale.h"

namespace T3ScaleFiles {

// ==== Interface =============================================================

inline constexpr std::int32_t kScalePayloadSize = 2048;
inline constexpr std::int32_t kScaleFileSize = 2330;
// The payloads of older scale files.
inline constexpr std::int32_t kScalePayloadWithoutVmon = 1370;
inline constexpr std::int32_t kScalePayloadWithoutSerial = 1322;
inline constexpr std::int32_t kCFastPayloadSize = 9228;
inline constexpr std::int32_t kCFastFileSize = 9510;

// File-choice filters of the two kinds; a probe selector widens them to
// "SC*.TL*" and "CF*.TL*".
inline constexpr int kSearchSize = 16;
extern char ScaleSearch[kSearchSize];  // "SC*.TL?"
extern char CFastSearch[kSearchSize];  // "CF*.TL?"

// Reads a scale file into record, whose size the caller gives (at least
// sizeof(ScaleRecord), else 15). A file of 281 bytes or less is refused
// with 16 before anything is looked at. The record is cleared and takes the
// header's date as CalibDate; the data size must be 2048, 1370 or 1322
// (else 16). fileSerial and fileLetter give the file's serial number (six
// characters at most) and board letter. With a non-empty expectedSerial, a
// file with a serial number must carry exactly that one (else 9) and a
// file without one must carry expectedLetter (else 10). After the walk,
// which completes the fields older files lack, an ExtGain of 0 becomes 1.
bool FileToScale(std::span<std::byte> file, T3Scale::ScaleRecord& record, std::int32_t recordSize,
                 std::span<const char> expectedSerial, char expectedLetter,
                 std::span<char> fileSerial, char& fileLetter);

// Writes record as a scale file of kScaleFileSize bytes into
// SingleBlockFile::TempBuffer, dated today, and points file at it. The
// record's SerialNumber becomes T3Base::SerialNumber first. A record that
// could not be read back (see ProcessScaleRecord) gives FALSE and an empty
// file.
bool ScaleToFile(T3Scale::ScaleRecord& record, std::span<std::byte>& file);

// Reads a C-fast file into table, whose size the caller gives (at least
// sizeof(CFastTable), else 15). A file of 281 bytes or less gives 16; then
// the table is cleared; a data size above 9228 gives 16.
bool FileToCFast(std::span<std::byte> file, T3Scale::CFastTable& table, std::int32_t tableSize);

// Writes table as a C-fast file of kCFastFileSize bytes into
// SingleBlockFile::TempBuffer and points file at it; FALSE (and an empty
// file) for a table with a single that is not a finite number.
bool CFastToFile(T3Scale::CFastTable& table, std::span<std::byte>& file);

// The scale record's fields at their offsets from the start of the image.
// eepromFields adds CalibDate at 1398, which only the EEPROM block carries;
// complete then gives fields that older files lack their values (a
// VmonFactor of 0 or 1 becomes 0.01, CCOffsetDac 1 and 2 both 0 become
// 2048, a CCOffsetDac 3 of 0 becomes 2048). Every table's Index is clamped
// to its Size. FALSE when a table's Size exceeds its steps (16) or a real is
// not a finite number (33); the record then holds what was walked.
bool ProcessScaleRecord(T3Scale::ScaleRecord& record, bool complete, bool eepromFields);

// The table's 2307 singles from payloadOffset on. FALSE when one is not a
// finite number (33).
bool ProcessCFastRecord(std::int32_t payloadOffset, T3Scale::CFastTable& table);

}  // namespace T3ScaleFiles
