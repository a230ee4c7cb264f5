#pragma once

// What lies in a PK board's EEPROM, and the stored form of the PK state.
//
// The EEPROM (256-byte pages, reached through VrnlEEPROM as chip type 1 with
// K5Set::EEPROMSelect, State.StatusPort as the read-back input and
// State.CommandPort as the line output) of the board K5Set has selected:
//   page 0     "EEPROM_PK500" NUL-padded to 16 bytes, at 16 the version
//              string (at most 9 characters, unterminated at 9), the rest 0
//   pages 4-7  the scale record's 1,024-byte image: every field at its fixed
//              offset in the writer's byte order (flag at 36: 0xAD marks an
//              empty chip), unused bytes 0, at 32 the unsigned byte sum of
//              the image taken with those four bytes 0 (VectorInt::Checksum8)
//
// The state record "K5STATE": 200 bytes per amplifier at fixed offsets in
// the writer's byte order, the ring amplifier's record at offset 200 when
// the first one's offset field (160) says so. Index fields read out of
// range take the default state's value and are named on the console.
//
// Messages name the board "PK510" whichever board answers. A failed read
// leaves the caller's record as it was. Main thread only.

#include <cstdint>
#include <span>
#include <string>

#include "potentiostat/K5Scale.h"
#include "potentiostat/PKTypes.h"

namespace K5EEPROM {

inline constexpr std::int32_t ScaleImageSize = 1024;
inline constexpr std::int32_t ScaleFirstPage = 4;
inline constexpr std::int32_t StateRecordSize = 200;
inline constexpr std::uint8_t EmptyMark = 0xAD;

// ---- Identification page --------------------------------------------------
// Both first deselect the chip and wait 0.05 s.

// The version string of page 0 (the smaller of 9 characters and the
// capacity, terminated where there is room); FALSE when the page cannot be
// read or lacks the marker ("PK510: EEPROM_ID does not match").
bool ReadVersion(std::span<char> version, std::string& message);
// Page 0 with the marker and the version; a version of more than 9
// characters is refused before anything is sent ("PK510: Version string
// too long").
bool WriteVersion(std::span<const char> version, std::string& message);

// ---- Scale record ------------------------------------------------------------

// Reads and checks the image (empty, check value, "K5SCALE", every real
// finite, and under GLP::Enforce the calibration date) and on success
// copies it into the record.
bool ReadScale(K5Scale::PKScaleRecord& record, std::string& message);
// Saves the image the chip holds now into a backup file in the current
// directory ("EEPROM_K5Scale_<serial>_a<amplifier>_<date>_<time>.bak",
// named on the console) and programs nothing when that fails; then writes
// the record's image (its LittleEndian and CheckValue set on the way) to
// pages 4-7, read back and compared.
bool WriteScale(K5Scale::PKScaleRecord& record, std::string& message);
// The image as it is on the chip, saved as the whole file.
bool DumpScale(std::span<const char> fileName, std::string& message);

// The image of a record in the running machine's byte order (the record's
// LittleEndian and CheckValue set).
void PackScale(K5Scale::PKScaleRecord& record, std::span<std::uint8_t, ScaleImageSize> image);
// The image's checks and fields, as ReadScale after its transfer.
bool UnpackScale(std::span<const std::uint8_t, ScaleImageSize> image, K5Scale::PKScaleRecord& record,
                 std::string& message);

// ---- State record ------------------------------------------------------------

// The buffer starts with "K5STATE".
bool IsPK500StateFile(std::span<const std::uint8_t> buffer);
// states[0] at the buffer's start and, with both, states[1] at 200; each
// record's area zeroed first (within the buffer).
void StateToFile(std::span<const PKTypes::PKState, 2> states, std::span<std::uint8_t> buffer, bool both);
// The first record into states[0] (nothing under 200 bytes), bytes
// reversed with swap; with both, states[1] from the second record when the
// first one places it at 200 and the buffer holds it.
void FileToState(std::span<const std::uint8_t> buffer, std::span<PKTypes::PKState, 2> states, bool swap,
                 bool both);

}  // namespace K5EEPROM
