// Keyed settings text files: lines of a key, blanks and a value, closed by
// a CRC line ("CRC " and the unsigned 32-bit sum of the lines before it).
//
// One Process procedure per value type serves both directions: bound for
// writing it appends the key's line, bound for reading it finds the key's
// line anywhere in the file and parses the value into the caller's
// variable. A caller describes a record once, as a sequence of Process
// calls, and runs it to save and to load. After the first error every
// further Process call does nothing, so the caller inspects ErrorNumber,
// ErrorDescr and ID_NotFound once at the end.
//
// Written lines (the key, then):
//   Bool            "  TRUE" / "  FALSE"
//   Card, Card32, Card16, Int, Int32, Int16, Set16 (as the signed 16-bit
//   number), OrdOfChar (0..255), Byte (-128..127)   " " and the decimal
//   Char            " " and the character; NUL as ' ""'
//   LongReal        " " and the value in 16 characters, ten digits
//   String          ' "' the text '"'
//   Color           " r, g, b"
//   Binhex          ' "' two characters per byte (low nibble + 32, then
//                   high nibble + 32) '"'
//   ByteArray       " " the bytes in decimal joined by ","
// Binhex and ByteArray go in chunks of 32 bytes, one line each; with more
// than 32 bytes the chunks' keys are the key followed by 1, 2, ...
//
// A key is found only as the first word of its line (after blanks or
// tabs), followed by a blank, a tab or the line's end, so that "gain1"
// never reads the line of "gain10". Lines read end at CR, LF, CR LF or NUL.
// One binding at a time, main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/IOBytes.h"

namespace TextFile {

inline constexpr int kLineSize = 10240;  // 10,239 characters and a NUL
inline constexpr int kDescrSize = 128;

extern char Line[kLineSize];
// Bound for writing.
extern bool ToDisk;
// The bound file; the caller opens and closes it (for writing with read
// access too: the CRC is taken by reading the lines back).
extern IOBytes::FileHandle* FileHandlePtr;
// 0, -1 for a format error, else the file code.
extern int ErrorNumber;
extern char ErrorDescr[kDescrSize];
// Keys not found since binding; a missing key is no error.
extern std::int32_t ID_NotFound;
// Added to the index of every indexed key.
extern std::int32_t IndexBase;

// Red, green and blue, 0 to 65535.
struct RGBColor {
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
};

// Binds the open file for writing (toDisk) or reading; clears ErrorNumber,
// ErrorDescr, ID_NotFound and IndexBase.
void InitVariables(IOBytes::FileHandle& file, bool toDisk);

// Reading leaves a variable whose key is missing as it was.
void ProcessBool(std::span<const char> key, bool& value);
void ProcessCard(std::span<const char> key, std::uint32_t& value);
void ProcessCard32(std::span<const char> key, std::uint32_t& value);
void ProcessCard16(std::span<const char> key, std::uint16_t& value);
void ProcessInt(std::span<const char> key, std::int32_t& value);
void ProcessInt32(std::span<const char> key, std::int32_t& value);
void ProcessInt16(std::span<const char> key, std::int16_t& value);
void ProcessSet16(std::span<const char> key, std::uint16_t& value);
void ProcessOrdOfChar(std::span<const char> key, char& value);
void ProcessChar(std::span<const char> key, char& value);
void ProcessByte(std::span<const char> key, std::uint8_t& value);
void ProcessLongReal(std::span<const char> key, double& value);
// Reads at most the text's capacity - 1 characters.
void ProcessString(std::span<const char> key, std::span<char> value);
void ProcessColor(std::span<const char> key, RGBColor& value);
void ProcessBinhex(std::span<const char> key, std::span<std::uint8_t> data);
void ProcessByteArray(std::span<const char> key, std::span<std::uint8_t> data);

// The key is the name followed by index + IndexBase in decimal.
void ProcessIndexedBool(std::span<const char> name, bool& value, std::int32_t index);
void ProcessIndexedInt(std::span<const char> name, std::int32_t& value, std::int32_t index);
void ProcessIndexedInt32(std::span<const char> name, std::int32_t& value, std::int32_t index);
void ProcessIndexedInt16(std::span<const char> name, std::int16_t& value, std::int32_t index);
void ProcessIndexedSet16(std::span<const char> name, std::uint16_t& value, std::int32_t index);
void ProcessIndexedByte(std::span<const char> name, std::uint8_t& value, std::int32_t index);
void ProcessIndexedLongReal(std::span<const char> name, double& value, std::int32_t index);
void ProcessIndexedString(std::span<const char> name, std::span<char> value, std::int32_t index);
void ProcessIndexedColor(std::span<const char> name, RGBColor& value, std::int32_t index);

// Last in a sequence (only while ErrorNumber is 0): computed := the sum of
// the file's lines; writing stores it as the CRC line, reading reads the
// stored one. TRUE when the CRC line was written or found and read.
// Comparing stored and computed is the caller's decision.
bool ProcessCRC(std::uint32_t& stored, std::uint32_t& computed);

// The sum (wrapping at 2^32) of the little-endian 32-bit word checksums of
// every non-empty line that does not begin with "CRC"; the file position is
// kept. A file error other than the end sets ErrorNumber.
std::uint32_t ComputeCRC(const IOBytes::FileHandle& file);

// Reads on from the file position (once round to the start) to the key's
// line; position := where its value starts in Line. A missing key is
// counted in ID_NotFound and reported on the console as '"key" not found.';
// a key line without a value gives NumberNotFound.
bool FindLine(std::span<const char> key, int& position);

// Writes Line and a line end.
void WriteLine();

// ErrorNumber := -1, ErrorDescr := '"' key and the error's text.
void NumberNotFound(std::span<const char> key);
void QuoteNotFound(std::span<const char> key);
void OutputOverflow(std::span<const char> key);
void InputOverflow(std::span<const char> key);
void EncodingError(std::span<const char> key);

}  // namespace TextFile
