#include "foundation/TextFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "foundation/Decode.h"
#include "foundation/EncodeNext.h"
#include "foundation/IOBase.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "numerics/VectorInt.h"

namespace TextFile {

char Line[kLineSize] = {};
bool ToDisk = false;
IOBytes::FileHandle* FileHandlePtr = nullptr;
int ErrorNumber = 0;
char ErrorDescr[kDescrSize] = {};
std::int32_t ID_NotFound = 0;
std::int32_t IndexBase = 0;

namespace {

constexpr std::int16_t kEndOfFile = -39;
constexpr int kKeySize = 128;
constexpr std::size_t kChunkBytes = 32;
// The longest line a writer may make: the reader's 10,239 less a margin of
// one.
constexpr std::size_t kLongestLine = 10238;
constexpr int kRealWidth = 16;

// Before InitVariables every file operation meets a handle that is not
// open (-38) and fails like any file error.
const IOBytes::FileHandle kUnbound{};

const IOBytes::FileHandle& Handle() { return FileHandlePtr != nullptr ? *FileHandlePtr : kUnbound; }

void SetError(std::span<const char> key, std::span<const char> suffix) {
  ErrorNumber = -1;
  Strings::Assign(ErrorDescr, "\"");
  Strings::Concat(ErrorDescr, key);
  Strings::Concat(ErrorDescr, suffix);
}

void FileError(std::int16_t code) {
  ErrorNumber = code;
  IOFiles::Message(code, ErrorDescr);
}

void KeyMissing(std::span<const char> key) {
  ++ID_NotFound;
  Strings::Assign(ErrorDescr, "\"");
  Strings::Concat(ErrorDescr, key);
  Strings::Concat(ErrorDescr, "\" not found.");
  TermIO::WriteLine(ErrorDescr);
}

// The next line into Line; FALSE at the end of the file (IOBase::Result
// -39) or on a file error.
bool ReadLineIntoLine(const IOBytes::FileHandle& file, std::int32_t& length) {
  length = kLineSize - 1;
  Line[kLineSize - 1] = 0;
  return IOBytes::ReadLine(file, length, Line);
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// Where the key stands in Line as the line's first word, or -1.
int KeyPosition(std::span<const char> key) {
  const int keyLength = Strings::Length(key);
  if (keyLength == 0) return -1;
  int at = 0;
  while (IsBlankOrTab(Line[at])) ++at;
  // Line ends with a NUL, which no key character matches, so the
  // comparison stops there at the latest.
  for (int k = 0; k < keyLength; ++k) {
    if (Line[at + k] != key[static_cast<std::size_t>(k)]) return -1;
  }
  const char after = Line[at + keyLength];
  return after == 0 || IsBlankOrTab(after) ? at : -1;
}

void KeyWithNumber(std::span<const char> name, std::int64_t number, char (&key)[kKeySize]) {
  Strings::Assign(key, name);
  char digits[24] = "";
  Decode::Integer(static_cast<std::int32_t>(number), digits, 0);
  Strings::Concat(key, digits);
}

template <typename T>
void Indexed(void (*process)(std::span<const char>, T), std::span<const char> name, T value,
             std::int32_t index) {
  char key[kKeySize];
  KeyWithNumber(name, std::int64_t{index} + IndexBase, key);
  process(std::span<const char>(key), value);
}

// The shape of every Process procedure: nothing after an error; writing
// builds "key" + value text in Line and writes it; reading finds the key's
// line and parses from the value's position.
template <typename Write, typename Read>
void Process(std::span<const char> key, Write write, Read read) {
  if (ErrorNumber != 0) return;
  if (ToDisk) {
    Strings::Assign(Line, key);
    write();
    WriteLine();
    return;
  }
  int position = 0;
  if (FindLine(key, position)) read(position);
}

void Append(std::span<const char> text) { Strings::Concat(Line, text); }

// Signed values are read as a sign and an unsigned magnitude, so that the
// most negative value of each type, which the writers produce, reads back.
bool ReadSigned(int position, std::int64_t min, std::int64_t max, std::int64_t& value) {
  while (Line[position] == ' ') ++position;
  const bool negative = Line[position] == '-';
  if (negative || Line[position] == '+') ++position;
  std::uint32_t magnitude = 0;
  if (!EncodeNext::Card32(Line, position, magnitude)) return false;
  const std::int64_t v = negative ? -std::int64_t{magnitude} : std::int64_t{magnitude};
  if (v < min || v > max) return false;
  value = v;
  return true;
}

template <typename T>
void ProcessSigned(std::span<const char> key, T& value) {
  Process(
      key,
      [&] {
        Append(" ");
        Decode::Integer(value, Line, 0);
      },
      [&](int position) {
        std::int64_t v = 0;
        if (ReadSigned(position, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), v)) {
          value = static_cast<T>(v);
        } else {
          EncodingError(key);
        }
      });
}

template <typename T>
void ProcessUnsigned(std::span<const char> key, T& value,
                     bool (*reader)(std::span<const char>, int&, T&)) {
  Process(
      key,
      [&] {
        Append(" ");
        Decode::Cardinal(value, Line, 0);
      },
      [&](int position) {
        T v = 0;
        if (reader(std::span<const char>(Line), position, v)) {
          value = v;
        } else {
          EncodingError(key);
        }
      });
}

// The low 8 bits of a number line.
template <typename T>
void ProcessAsInt32(std::span<const char> key, T& value, std::int32_t written) {
  std::int32_t number = written;
  ProcessInt32(key, number);
  if (!ToDisk) value = static_cast<T>(number & 0xFF);
}

using ChunkWriter = std::size_t (*)(std::span<const std::uint8_t> bytes, bool append);
using ChunkReader = void (*)(std::span<const char> key, int position,
                             std::span<std::uint8_t> bytes);

// Binhex and byte arrays: one line per chunk of 32 bytes. The writer
// measures its value text (append FALSE) before it appends it.
void ProcessChunks(std::span<const char> key, std::span<std::uint8_t> data, ChunkWriter write,
                   ChunkReader read) {
  const std::size_t chunks =
      std::max<std::size_t>(1, (data.size() + kChunkBytes - 1) / kChunkBytes);
  for (std::size_t chunk = 0; chunk < chunks && ErrorNumber == 0; ++chunk) {
    char chunkKey[kKeySize];
    std::span<const char> lineKey = key;
    if (data.size() > kChunkBytes) {
      KeyWithNumber(key, static_cast<std::int64_t>(chunk) + 1, chunkKey);
      lineKey = chunkKey;
    }
    const std::span<std::uint8_t> bytes =
        data.subspan(chunk * kChunkBytes, std::min(kChunkBytes, data.size() - chunk * kChunkBytes));
    if (ToDisk) {
      if (static_cast<std::size_t>(Strings::Length(lineKey)) + write(bytes, false) > kLongestLine) {
        OutputOverflow(key);
        return;
      }
      Strings::Assign(Line, lineKey);
      write(bytes, true);
      WriteLine();
    } else {
      int position = 0;
      if (FindLine(lineKey, position)) read(key, position, bytes);
    }
  }
}

std::size_t WriteBinhex(std::span<const std::uint8_t> bytes, bool append) {
  if (append) {
    std::size_t at = static_cast<std::size_t>(Strings::Length(Line));
    Line[at++] = ' ';
    Line[at++] = '"';
    for (std::uint8_t b : bytes) {
      Line[at++] = static_cast<char>((b & 0x0F) + 32);
      Line[at++] = static_cast<char>((b >> 4) + 32);
    }
    Line[at++] = '"';
    Line[at] = 0;
  }
  return 2 * bytes.size() + 3;
}

void ReadBinhex(std::span<const char> key, int position, std::span<std::uint8_t> bytes) {
  if (Line[position] != '"') {
    QuoteNotFound(key);
    return;
  }
  ++position;
  for (std::uint8_t& b : bytes) {
    // A character below the blank (the line's end among them) is no nibble;
    // testing the first before reading the second keeps within the line.
    const auto low = static_cast<unsigned char>(Line[position]);
    if (low < ' ') return EncodingError(key);
    const auto high = static_cast<unsigned char>(Line[position + 1]);
    if (high < ' ') return EncodingError(key);
    b = static_cast<std::uint8_t>((low - 32) + 16 * (high - 32));
    position += 2;
  }
}

std::size_t WriteByteArray(std::span<const std::uint8_t> bytes, bool append) {
  std::size_t length = 1;
  if (append) Append(" ");
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char number[8] = "";
    if (i > 0) Strings::Assign(number, ",");
    Decode::Cardinal(bytes[i], number, 0);
    length += static_cast<std::size_t>(Strings::Length(number));
    if (append) Append(number);
  }
  return length;
}

void ReadByteArray(std::span<const char> key, int position, std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) {
    std::int32_t v = 0;
    if (!EncodeNext::Integer(Line, position, v)) return EncodingError(key);
    b = static_cast<std::uint8_t>(v & 0xFF);
    ++position;
  }
}

}  // namespace

void InitVariables(IOBytes::FileHandle& file, bool toDisk) {
  FileHandlePtr = &file;
  ToDisk = toDisk;
  ErrorNumber = 0;
  Strings::Clear(ErrorDescr);
  ID_NotFound = 0;
  IndexBase = 0;
}

void ProcessBool(std::span<const char> key, bool& value) {
  Process(
      key,
      [&] { Append(value ? std::span<const char>("  TRUE") : std::span<const char>("  FALSE")); },
      [&](int position) {
        switch (Line[position]) {
          case 'T':
          case 't':
            value = true;
            break;
          case 'F':
          case 'f':
            value = false;
            break;
          default:
            EncodingError(key);
        }
      });
}

void ProcessCard(std::span<const char> key, std::uint32_t& value) {
  ProcessUnsigned(key, value, EncodeNext::Cardinal);
}

void ProcessCard32(std::span<const char> key, std::uint32_t& value) {
  ProcessUnsigned(key, value, EncodeNext::Card32);
}

void ProcessCard16(std::span<const char> key, std::uint16_t& value) {
  ProcessUnsigned(key, value, EncodeNext::Card16);
}

void ProcessInt(std::span<const char> key, std::int32_t& value) { ProcessSigned(key, value); }

void ProcessInt32(std::span<const char> key, std::int32_t& value) { ProcessSigned(key, value); }

void ProcessInt16(std::span<const char> key, std::int16_t& value) { ProcessSigned(key, value); }

void ProcessSet16(std::span<const char> key, std::uint16_t& value) {
  auto number = static_cast<std::int16_t>(value);
  ProcessInt16(key, number);
  value = static_cast<std::uint16_t>(number);
}

void ProcessOrdOfChar(std::span<const char> key, char& value) {
  ProcessAsInt32(key, value, static_cast<unsigned char>(value));
}

void ProcessByte(std::span<const char> key, std::uint8_t& value) {
  ProcessAsInt32(key, value, static_cast<std::int8_t>(value));
}

void ProcessChar(std::span<const char> key, char& value) {
  Process(
      key,
      [&] {
        const char text[3] = {' ', value, 0};
        Append(value == 0 ? std::span<const char>(" \"\"") : std::span<const char>(text));
      },
      [&](int position) {
        value = Line[position] == '"' && Line[position + 1] == '"' ? 0 : Line[position];
      });
}

void ProcessLongReal(std::span<const char> key, double& value) {
  Process(
      key,
      [&] {
        Append(" ");
        Decode::Scientific(value, Line, kRealWidth);
      },
      [&](int position) {
        double v = 0.0;
        if (EncodeNext::Real(Line, position, v)) {
          value = v;
        } else {
          EncodingError(key);
        }
      });
}

void ProcessString(std::span<const char> key, std::span<char> value) {
  Process(
      key,
      [&] {
        Append(" \"");
        Append(value);
        Append("\"");
      },
      [&](int position) {
        if (Line[position] != '"') return QuoteNotFound(key);
        if (value.empty()) return;
        const char* text = Line + position + 1;
        std::size_t count = std::min(std::strlen(text), value.size() - 1);
        if (count > 0 && text[count - 1] == '"') --count;
        std::memcpy(value.data(), text, count);
        value[count] = 0;
      });
}

void ProcessColor(std::span<const char> key, RGBColor& value) {
  Process(
      key,
      [&] {
        Append(" ");
        Decode::Cardinal(value.red, Line, 0);
        Append(", ");
        Decode::Cardinal(value.green, Line, 0);
        Append(", ");
        Decode::Cardinal(value.blue, Line, 0);
      },
      [&](int position) {
        RGBColor v;
        for (std::uint16_t* component : {&v.red, &v.green, &v.blue}) {
          // One character (the comma) stands between two components.
          if (component != &v.red) ++position;
          if (!EncodeNext::Card16(Line, position, *component)) return EncodingError(key);
        }
        value = v;
      });
}

void ProcessBinhex(std::span<const char> key, std::span<std::uint8_t> data) {
  ProcessChunks(key, data, WriteBinhex, ReadBinhex);
}

void ProcessByteArray(std::span<const char> key, std::span<std::uint8_t> data) {
  ProcessChunks(key, data, WriteByteArray, ReadByteArray);
}

void ProcessIndexedBool(std::span<const char> name, bool& value, std::int32_t index) {
  Indexed<bool&>(ProcessBool, name, value, index);
}

void ProcessIndexedInt(std::span<const char> name, std::int32_t& value, std::int32_t index) {
  Indexed<std::int32_t&>(ProcessInt, name, value, index);
}

void ProcessIndexedInt32(std::span<const char> name, std::int32_t& value, std::int32_t index) {
  Indexed<std::int32_t&>(ProcessInt32, name, value, index);
}

void ProcessIndexedInt16(std::span<const char> name, std::int16_t& value, std::int32_t index) {
  Indexed<std::int16_t&>(ProcessInt16, name, value, index);
}

void ProcessIndexedSet16(std::span<const char> name, std::uint16_t& value, std::int32_t index) {
  Indexed<std::uint16_t&>(ProcessSet16, name, value, index);
}

void ProcessIndexedByte(std::span<const char> name, std::uint8_t& value, std::int32_t index) {
  Indexed<std::uint8_t&>(ProcessByte, name, value, index);
}

void ProcessIndexedLongReal(std::span<const char> name, double& value, std::int32_t index) {
  Indexed<double&>(ProcessLongReal, name, value, index);
}

void ProcessIndexedString(std::span<const char> name, std::span<char> value, std::int32_t index) {
  Indexed<std::span<char>>(ProcessString, name, value, index);
}

void ProcessIndexedColor(std::span<const char> name, RGBColor& value, std::int32_t index) {
  Indexed<RGBColor&>(ProcessColor, name, value, index);
}

bool ProcessCRC(std::uint32_t& stored, std::uint32_t& computed) {
  if (ErrorNumber != 0) return false;
  computed = ComputeCRC(Handle());
  if (ToDisk) stored = computed;
  const std::int32_t notFound = ID_NotFound;
  ID_NotFound = 0;
  ProcessCard32("CRC", stored);
  const bool handled = ErrorNumber == 0 && ID_NotFound == 0;
  ID_NotFound = notFound;
  return handled;
}

std::uint32_t ComputeCRC(const IOBytes::FileHandle& file) {
  std::int32_t saved = 0;
  if (!IOBytes::GetPosition(file, saved) || !IOBytes::SetPosition(file, 0, 0)) {
    FileError(IOBase::Result);
    return 0;
  }
  std::uint32_t sum = 0;
  std::int32_t length = 0;
  while (ReadLineIntoLine(file, length)) {
    if (length >= 1 && std::strncmp(Line, "CRC", 3) != 0) {
      sum += static_cast<std::uint32_t>(VectorInt::Checksum32(Line, length));
    }
  }
  if (IOBase::Result != kEndOfFile) FileError(IOBase::Result);
  if (!IOBytes::SetPosition(file, 0, saved)) FileError(IOBase::Result);
  return sum;
}

bool FindLine(std::span<const char> key, int& position) {
  position = 0;
  bool fromStart = false;
  for (;;) {
    std::int32_t length = 0;
    if (!ReadLineIntoLine(Handle(), length)) {
      if (IOBase::Result != kEndOfFile) {
        FileError(IOBase::Result);
        return false;
      }
      if (fromStart) {
        KeyMissing(key);
        return false;
      }
      fromStart = true;
      if (!IOBytes::SetPosition(Handle(), 0, 0)) {
        FileError(IOBase::Result);
        return false;
      }
      continue;
    }
    const int at = KeyPosition(key);
    if (at < 0) continue;
    // The rest of the key's word, then the blanks before the value.
    int p = at + Strings::Length(key);
    while (Line[p] != 0 && Line[p] != ' ') ++p;
    while (Line[p] == ' ') ++p;
    if (Line[p] == 0) {
      NumberNotFound(key);
      return false;
    }
    position = p;
    return true;
  }
}

void WriteLine() {
  std::int32_t count = Strings::Length(Line);
  if (!IOBytes::WriteLine(Handle(), count, Line)) FileError(IOBase::Result);
}

void NumberNotFound(std::span<const char> key) { SetError(key, "\": number not found."); }
void QuoteNotFound(std::span<const char> key) { SetError(key, "\": starting quotes not found."); }
void OutputOverflow(std::span<const char> key) { SetError(key, "\": output buffer overflow."); }
void InputOverflow(std::span<const char> key) { SetError(key, "\": input buffer overflow."); }
void EncodingError(std::span<const char> key) { SetError(key, "\": encoding error."); }

}  // namespace TextFile
