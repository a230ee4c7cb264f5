// The serial EEPROMs of amplifiers, probe selectors and potentiostat boards,
// reached without a bus of their own: their lines share the AD/DA board's
// command-port output, and their data line comes back on a digital input
// bit, or on the ZRV-24 through the clipping flag of an AD input.
//
// A sequence of line states is built in a pattern buffer (at most
// PatternLimit samples, two per state, four per clocked bit) and played as
// one ZRV::PolyStimAndSample on the write channel while the read channel is
// sampled at the same rate. Two chip families:
//   page chip   SPI style, 256-byte pages, 24-bit addresses; selected only
//               by the caller's select procedure;
//   128 bytes   Microwire style (start bit, 2-bit opcode, 7-bit address);
//               selected by the select procedure (useSelect) or by line
//               bit 10 alone.
// Line words: bit 14 always (the strobe rests), bit 15 on the ZRV-24 (no
// digital read-back), bit 10 the 128-byte chip's select line, clock and
// data in on bits 9 and 8 (bits 1 and 0 for chip type 2).
//
// Every operation sets up the read-back from the board type and chip type
// first: the read-back bit is 12 on the QRN 5+5, 1 on the QRN 2400, 15 on
// the ZRV-28 and 14 for chip type 3 (the probe selector); samples every
// ZRVBase::MinSamplingTime (0.2 ms when slow sampling is asked for), and
// every 10 us on the ZRV-24.
//
// Select procedures send command words; every wait here is a
// VrnlBoards::Wait, so a select word is on the hardware before the next
// pattern plays.
//
// Results. Every operation returns TRUE when Error is 0 afterwards. Error:
//   0 none; 1 the chip did not report ready within 0.1 s; 2 pattern misuse
//   (a state added to a closed pattern, an empty pattern played, more than
//   PatternLimit samples); 3 the AD/DA interface is closed; 4 the
//   acquisition failed; 5 read-back differs from what was written; 6 a text
//   read back differs from the text written; 7 a page address off a
//   256-byte boundary; 8 more than 256 bytes for one page.
// A step after an error does nothing: an operation stops at its first fault
// and keeps its code.
//
// Tracing: while ADMeasure::TestWriteMode is above 2 the first sample of a
// page-chip pattern carries a trigger bit for an oscilloscope (2 write
// enable, 3 write disable, 4 page program, 5 read, 6 chip erase), page
// reads write "EEPROM page:" with the bytes seen at read offsets -4 to 4,
// and block verification writes its first ten "compare error: " lines.
//
// Chip types: 0 the amplifier, 1 the potentiostat board (as 0), 2 the
// clock and data lines on bits 1 and 0, 3 the probe selector.
//
// Main thread only; the pattern buffer is module state and operations do
// not nest.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace VrnlEEPROM {

// ==== Interface =============================================================

using SelectProc = void (*)(bool on);

inline constexpr std::int32_t PageSize = 256;
inline constexpr std::int32_t SmallChipSize = 128;
inline constexpr std::int32_t PatternBufferSize = 8354;
inline constexpr std::int32_t PatternLimit = 8352;
// The longest text the 128-byte chip holds, with room for its closing 0.
inline constexpr std::int32_t MaxTextLength = 127;
// The version-string reads: at most this many characters, this many reads.
inline constexpr std::int32_t VersionLength = 9;
inline constexpr std::int32_t VersionReads = 10;

extern std::uint8_t Error;

// Where the chip is: its type and the AD/DA channels its lines use.
struct Chip {
  SelectProc select;
  std::int32_t chipType;
  std::int32_t readChannel;
  std::int32_t writeChannel;
};

// Error 0, interval 10 us, the pattern closed and empty, read-back bit 0,
// channels 0, digital read-back off.
void InitModule();

// ---- The pattern -----------------------------------------------------------
// The steps every operation is made of.

// The read-back and the sample interval for the chip on the present board;
// pageOperation: the page chip's read offset (1, 2 on the ZRV-28), else 0.
void SetAcqInterval(const Chip& chip, bool pageOperation, bool slow);
// An open, empty pattern.
void RestartPattern();
// Appends one line state (two samples); error 2 on a closed pattern or past
// PatternLimit samples.
void SetEEPROMLines(std::uint16_t lines);
// Plays the pattern and samples the read channel; error 2 for a closed or
// empty pattern, 3 with the interface closed, 4 when the acquisition
// fails. The pattern is closed afterwards.
void SendToEEPROM();
std::int32_t PatternLength();

// ---- Page chip -------------------------------------------------------------

// Programs length (at most 256) bytes of data at a page address: write
// enable, page program (then 6 ms for the write cycle), write disable.
bool WritePageToEEPROM(std::int32_t address, std::span<const std::uint8_t> data,
                       std::int32_t length, const Chip& chip);
// Reads length (at most 256) bytes from the page address into data.
bool ReadPageFromEEPROM(std::int32_t address, std::span<std::uint8_t> data, std::int32_t length,
                        const Chip& chip);
// Writes data[0 .. length-1] as whole pages from page on (a last partial
// page zero-filled), then reads every page back and compares; a block of
// one page first reads another page (page 1, or page 0 when writing page
// 1 or above). FALSE with message "Writing to EEPROM.failed, error: ",
// "Reading from EEPROM.failed, error: " and the code, or (error 5)
// "Content read back is NOT equal to the written one."; else message empty.
bool WritePagesToEEPROM(std::int32_t page, std::span<const std::uint8_t> data,
                        std::int32_t length, const Chip& chip, std::string& message);
// data[0 .. length-1] from page (modulo 2^24) on, zeroed first; FALSE with
// message "Reading from EEPROM failed, error: " and the code.
bool ReadPagesFromEEPROM(std::int32_t page, std::span<std::uint8_t> data, std::int32_t length,
                         const Chip& chip, std::string& message);
// Erases the whole chip to 0xFF (then waits 10 ms).
bool ChipErase(const Chip& chip);

// ---- 128-byte chip ---------------------------------------------------------

// Reads the text from address 0: at most as many characters as text holds,
// and 127. On the clipping path the read stops after a 0 that is
// the first byte, follows another 0, or any 0 with stopAtFirstNul. The
// text ends with a 0 where it has room.
bool ReadStringFromEEPROM(std::span<char> text, bool useSelect, bool stopAtFirstNul,
                          const Chip& chip);
// Writes the text with its closing 0 (a text of several strings up to its
// double 0; only the first string with stopAtFirstNul; at most 128 bytes)
// from address 0 and reads it back: error 6 when it differs.
bool WriteStringToEEPROM(std::span<const char> text, bool useSelect, bool stopAtFirstNul,
                         const Chip& chip);
// The version string, at most 9 characters up to the first 0: the first
// read with digital read-back; on the clipping path the first of two equal
// reads in a row, FALSE after 10 reads without. slow: slow sampling.
bool ReadVersionString(std::span<char> text, bool useSelect, bool slow, const Chip& chip);
// Writes and reads back 127 - i, then i, at every address i, and puts the
// contents found before back (verified), failed or not. Error 5 when a
// value does not come back; a failed first read writes nothing.
bool TestEEPROM(bool useSelect, const Chip& chip);

}  // namespace VrnlEEPROM
