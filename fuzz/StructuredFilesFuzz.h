// Fuzz entry points of the structured-file parsers: the single-block
// header, the keyed text file, the enciphered file reader and the text
// loader. The libFuzzer targets (fuzz/<name>_fuzz.cpp) and the test that
// replays their corpora call the same functions.
//
// Every entry point takes any bytes. Beyond not crashing and staying inside
// its memory (the sanitizers watch that), each checks what must hold for
// every input and aborts when it does not.
//
// Environment: the keyed text file and the enciphered file take the name
// of a scratch file that they may overwrite; the text loader needs the
// buffer heap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "foundation/BlowFish.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/GLP.h"
#include "foundation/IOBlowFish.h"
#include "foundation/IOBytes.h"
#include "foundation/Load.h"
#include "foundation/SingleBlockFile.h"
#include "foundation/TextFile.h"

namespace StructuredFilesFuzz {

inline void Require(bool condition) {
  if (!condition) std::abort();
}

inline std::uint32_t Number16(std::span<const std::uint8_t> data, std::size_t at) {
  return at + 1 < data.size() ? data[at] | data[at + 1] << 8 : 0;
}

// The bytes as the whole content of the file (no key).
inline void PutFile(std::span<const char> name, std::span<const std::uint8_t> bytes) {
  IOBytes::FileHandle file;
  Require(IOBytes::Open(name, nullptr, IOBytes::ModeWrite | IOBytes::ModeCreate, file));
  auto count = static_cast<std::int32_t>(bytes.size());
  Require(bytes.empty() || IOBytes::Write(file, count, bytes.data()));
  Require(IOBytes::Close(file));
}

// The file's content, expected to be at most `capacity` bytes.
inline std::vector<std::uint8_t> FileBytes(std::span<const char> name, std::size_t capacity) {
  std::vector<std::uint8_t> bytes(capacity + 1);
  auto count = static_cast<std::int32_t>(bytes.size());
  Require(IOBytes::LoadFile(name, nullptr, count, bytes.data()));
  bytes.resize(static_cast<std::size_t>(count));
  return bytes;
}

// The whole input as a loaded file, checked under each of the laboratory
// rules.
inline void SingleBlockHeader(std::span<const std::uint8_t> data) {
  const double expiry = GLP::CalibExpiry;
  const bool check = GLP::Check;
  const bool enforce = GLP::Enforce;
  for (int rules = 0; rules < 3; ++rules) {
    GLP::Check = rules == 1;
    GLP::Enforce = rules == 2;
    GLP::CalibExpiry = 366.0;
    std::vector<std::byte> image(data.size());
    std::transform(data.begin(), data.end(), image.begin(),
                   [](std::uint8_t b) { return std::byte{b}; });
    char date[16];
    std::uint32_t headerSize = 0;
    std::uint32_t dataSize = 0;
    std::uint16_t version = 0;
    bool swapped = false;
    const int code = SingleBlockFile::CheckHeader(image, "TLV3-Scale", date, headerSize, dataSize,
                                                  version, swapped);
    Require(code == 0 || (code >= 2 && code <= 5));
    Require(std::memchr(date, 0, sizeof date) != nullptr);
    if (code != SingleBlockFile::kSizesWrong) {
      Require(headerSize >= 282 && std::uint64_t{headerSize} + dataSize <= image.size());
    }
  }
  GLP::CalibExpiry = expiry;
  GLP::Check = check;
  GLP::Enforce = enforce;
}

// The input as a keyed text file, read with a record of every value type.
inline void KeyedTextFile(std::span<const std::uint8_t> data, std::span<const char> fileName) {
  PutFile(fileName, data);
  IOBytes::FileHandle file;
  Require(IOBytes::Open(fileName, nullptr, IOBytes::ModeRead, file));
  TextFile::InitVariables(file, false);
  bool flag = false;
  std::uint32_t card = 0;
  std::uint16_t card16 = 0;
  std::int32_t int32 = 0;
  std::int16_t int16 = 0;
  std::uint16_t set = 0;
  char ord = 0;
  char character = 0;
  std::uint8_t byte = 0;
  double real = 0.0;
  char text[24] = "";
  TextFile::RGBColor color;
  std::uint8_t binhex[40] = {};
  std::uint8_t bytes[40] = {};
  std::int32_t gains[3] = {};
  double offsets[2] = {};
  TextFile::ProcessBool("flag", flag);
  TextFile::ProcessCard("card", card);
  TextFile::ProcessCard16("card16", card16);
  TextFile::ProcessInt32("int32", int32);
  TextFile::ProcessInt16("int16", int16);
  TextFile::ProcessSet16("set", set);
  TextFile::ProcessOrdOfChar("ord", ord);
  TextFile::ProcessChar("char", character);
  TextFile::ProcessByte("byte", byte);
  TextFile::ProcessLongReal("real", real);
  TextFile::ProcessString("text", text);
  TextFile::ProcessColor("color", color);
  TextFile::ProcessBinhex("binhex", binhex);
  TextFile::ProcessByteArray("bytes", bytes);
  for (std::int32_t i = 0; i < 3; ++i) TextFile::ProcessIndexedInt("gain", gains[i], i);
  for (std::int32_t i = 0; i < 2; ++i) TextFile::ProcessIndexedLongReal("offset", offsets[i], i);
  std::uint32_t stored = 0;
  std::uint32_t computed = 0;
  const bool crc = TextFile::ProcessCRC(stored, computed);
  Require(IOBytes::Close(file));
  Require(TextFile::ErrorNumber <= 0);
  Require(!crc || TextFile::ErrorNumber == 0);
  Require(std::memchr(text, 0, sizeof text) != nullptr);
  Require(std::memchr(TextFile::ErrorDescr, 0, sizeof TextFile::ErrorDescr) != nullptr);
}

// Input: read position and count, write position and count (16 bits each,
// taken modulo the limits below), then the raw content of the enciphered
// file. The read and the write must agree with a plain model of the file,
// and afterwards the disk must hold every complete block enciphered and a
// partial last block plain.
inline void EncipheredFile(std::span<const std::uint8_t> data, std::span<const char> fileName) {
  static BlowFish::KeyRecord key;
  static const bool keyMade =
      BlowFish::CreateKey(&key, std::vector<std::uint8_t>{'f', 'u', 'z', 'z'}, 2);
  Require(keyMade);
  // Counts up to a little more than one chunk keep runs fast and still
  // cross a chunk's end.
  constexpr std::uint32_t kMostBytes = IOBlowFish::kChunkSize + 4096;
  const auto readPosition = static_cast<std::int32_t>(Number16(data, 0));
  const auto readCount = static_cast<std::int32_t>(Number16(data, 2) % kMostBytes);
  const auto writePosition = static_cast<std::int32_t>(Number16(data, 4) % 4096);
  const auto writeCount = static_cast<std::int32_t>(Number16(data, 6) % kMostBytes);
  const std::span<const std::uint8_t> content = data.subspan(std::min<std::size_t>(8, data.size()));
  PutFile(fileName, content);

  std::vector<std::uint8_t> model(content.begin(), content.end());
  Require(BlowFish::Decipher(&key, model));
  const auto length = static_cast<std::int32_t>(model.size());

  IOBytes::FileHandle file;
  Require(IOBytes::Open(fileName, &key, IOBytes::ModeRead | IOBytes::ModeWrite, file));
  Require(IOBytes::SetPosition(file, 0, readPosition));
  // One byte more than asked, so that even an empty request has an address.
  std::vector<std::uint8_t> read(static_cast<std::size_t>(readCount) + 1);
  std::int32_t count = readCount;
  const std::int16_t readCode = IOBlowFish::Read(file, count, read.data());
  const std::int32_t expected = std::clamp(length - readPosition, 0, readCount);
  Require(count == expected);
  Require(readCode == (count == readCount ? 0 : -39));
  Require(std::equal(read.begin(), read.begin() + count,
                     model.begin() + std::min(readPosition, length)));

  std::vector<std::uint8_t> written(static_cast<std::size_t>(writeCount) + 1);
  for (std::size_t i = 0; i < written.size(); ++i)
    written[i] = static_cast<std::uint8_t>(i * 13 + 1);
  Require(IOBytes::SetPosition(file, 0, writePosition));
  count = writeCount;
  Require(IOBlowFish::Write(file, count, written.data()) == 0 && count == writeCount);
  Require(IOBytes::Close(file));
  const auto end = static_cast<std::size_t>(writePosition + writeCount);
  if (model.size() < end) model.resize(end, 0);
  std::copy_n(written.begin(), writeCount, model.begin() + writePosition);
  Require(BlowFish::Encipher(&key, model));
  Require(FileBytes(fileName, model.size()) == model);
}

// Input: the maximum line length (16 bits), the wrap flag (bit 0 of the
// third byte), then the characters (at most 8,192, so that the records
// always fit the heap). Every record must respect the limit, hold no line
// end or NUL, and together they hold every other character.
inline void TextLoader(std::span<const std::uint8_t> data) {
  const auto maxLength = static_cast<std::int32_t>(Number16(data, 0));
  const bool wrap = data.size() > 2 && (data[2] & 1) != 0;
  const std::span<const std::uint8_t> text = data.subspan(std::min<std::size_t>(3, data.size()));
  // Never a nil address: that is refused, and not what a loaded file gives.
  const std::span<const char> characters(
      text.empty() ? "" : reinterpret_cast<const char*>(text.data()),
      std::min<std::size_t>(8192, text.size()));
  BufferText::TextBuffer lines = Buffer::Create("FuzzLines", Buffer::kText);
  Require(lines != nullptr);
  Require(Load::BlockToText(characters, lines, maxLength, wrap));
  const std::int32_t limit = std::max(1, wrap ? maxLength / 2 - 1 : maxLength - 1);
  std::size_t kept = 0;
  std::string record;
  for (std::int32_t n = 1; n <= BufferText::RecordCount(lines); ++n) {
    const std::int32_t length = BufferText::RecordLength(lines, n);
    Require(length <= limit);
    record.assign(static_cast<std::size_t>(length), '\0');
    BufferText::Get(lines, n, record);
    Require(record.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    kept += record.size();
  }
  Require(kept ==
          static_cast<std::size_t>(std::count_if(characters.begin(), characters.end(), [](char c) {
            return c != '\r' && c != '\n' && c != 0;
          })));
  Buffer::Delete(lines);
}

}  // namespace StructuredFilesFuzz
