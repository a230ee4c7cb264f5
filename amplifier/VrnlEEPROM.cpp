#include "amplifier/VrnlEEPROM.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "shell/Mouse.h"

namespace VrnlEEPROM {

std::uint8_t Error = 0;

namespace {

constexpr std::uint8_t kNoError = 0;
constexpr std::uint8_t kNotReady = 1;
constexpr std::uint8_t kPatternMisuse = 2;
constexpr std::uint8_t kInterfaceClosed = 3;
constexpr std::uint8_t kAcquisitionFailed = 4;
constexpr std::uint8_t kReadBackDiffers = 5;
constexpr std::uint8_t kTextDiffers = 6;
constexpr std::uint8_t kNotAPageAddress = 7;
constexpr std::uint8_t kPageTooLong = 8;

constexpr std::uint16_t kStrobeRest = 0x4000;
constexpr std::uint16_t kNoReadBackMark = 0x8000;
constexpr std::uint16_t kSelectLine = 0x400;
constexpr std::int32_t kSamplesPerState = 2;
constexpr std::int32_t kSamplesPerBit = 4;

constexpr double kSelectWait = 0.001;
constexpr double kCommandWait = 0.001;
constexpr double kWriteCycleWait = 0.006;
constexpr double kEraseWait = 0.010;
constexpr double kDataLineWait = 0.010;
constexpr double kReadyTimeout = 0.1;
constexpr double kClippingInterval = 10e-6;
constexpr double kSlowInterval = 0.2e-3;

// The page chip's commands and the trigger bits that mark them.
struct PageCommand {
  std::uint8_t code;
  int triggerBit;
};
constexpr PageCommand kWriteEnable{0x06, 2};
constexpr PageCommand kWriteDisable{0x04, 3};
constexpr PageCommand kPageProgram{0x02, 4};
constexpr PageCommand kRead{0x03, 5};
constexpr PageCommand kChipErase{0xC7, 6};

// The 128-byte chip's commands: start bit, opcode and address cells.
constexpr int kSmallWriteEnable = 0b1001100000;
constexpr int kSmallWriteDisable = 0b1000000000;
constexpr int kSmallCommandBits = 10;
constexpr int kSmallWrite = 0b101;
constexpr int kSmallRead = 0b110;
constexpr int kSmallOpcodeBits = 3;
constexpr int kSmallAddressBits = 7;

// The set-up of the running operation.
struct Setup {
  double interval = kClippingInterval;
  int readBit = 0;
  std::int32_t readChannel = 0;
  std::int32_t writeChannel = 0;
  bool digitalReadBack = false;
  std::uint16_t clock = 0x200;
  std::uint16_t dataIn = 0x100;
  std::int32_t readOffset = 0;
};

Setup setup;
std::array<std::int16_t, PatternBufferSize> output{};
std::array<std::int16_t, PatternBufferSize> input{};
std::int32_t patternLength = 0;
bool patternOpen = false;

bool Ok() { return Error == kNoError; }

bool Tracing() { return ADMeasure::TestWriteMode > 2; }

}  // namespace

void SetAcqInterval(const Chip& chip, bool pageOperation, bool slow) {
  const ZRVBase::BoardType board = ZRV::GetBoardType();
  setup.readChannel = chip.readChannel;
  setup.writeChannel = chip.writeChannel;
  setup.digitalReadBack = board != ZRVBase::BoardZRV24;
  setup.clock = chip.chipType == 2 ? 0x2 : 0x200;
  setup.dataIn = chip.chipType == 2 ? 0x1 : 0x100;
  if (!setup.digitalReadBack) {
    setup.readBit = 0;
    setup.interval = kClippingInterval;
  } else {
    setup.readBit = board == ZRVBase::BoardZRV28     ? 15
                    : board == ZRVBase::BoardQRN2400 ? 1
                    : board == ZRVBase::BoardQRN55   ? 12
                                                     : 0;
    if (chip.chipType == 3) setup.readBit = 14;
    setup.interval = slow ? kSlowInterval : ZRVBase::MinSamplingTime;
  }
  setup.readOffset = !pageOperation ? 0 : board == ZRVBase::BoardZRV28 ? 2 : 1;
}

void RestartPattern() {
  patternLength = 0;
  patternOpen = true;
}

void SetEEPROMLines(std::uint16_t lines) {
  if (!Ok()) return;
  if (!patternOpen || patternLength + kSamplesPerState > PatternLimit) {
    Error = kPatternMisuse;
    return;
  }
  std::uint16_t word = lines | kStrobeRest;
  if (!setup.digitalReadBack) word |= kNoReadBackMark;
  for (int i = 0; i < kSamplesPerState; ++i) {
    output[static_cast<std::size_t>(patternLength++)] = static_cast<std::int16_t>(word);
  }
}

void SendToEEPROM() {
  if (!Ok()) return;
  if (!patternOpen || patternLength == 0) {
    Error = kPatternMisuse;
  } else if (ZRV::Status() == ZRV::StateClosed) {
    Error = kInterfaceClosed;
  } else {
    const std::int32_t dacList[] = {setup.writeChannel};
    const std::int32_t adcList[] = {setup.readChannel};
    const std::int16_t* const dacBuffers[] = {output.data()};
    std::int16_t* const adcBuffers[] = {input.data()};
    double interval = setup.interval;
    if (!ZRV::PolyStimAndSample(1, 1, patternLength, patternLength, ZRV::FlagStimulate, dacList,
                                adcList, interval, dacBuffers, adcBuffers)) {
      Error = kAcquisitionFailed;
    }
  }
  patternOpen = false;
}

std::int32_t PatternLength() { return patternLength; }

namespace {

void Wait(double seconds) { VrnlBoards::Wait(seconds); }

bool SampleBit(std::int32_t sample) {
  return ((static_cast<std::uint16_t>(input[static_cast<std::size_t>(sample)]) >> setup.readBit) &
          1) != 0;
}

// The byte whose first bit lies at sample first + offset, each further bit
// one clocked bit later, most significant first.
std::uint8_t DecodeByte(std::int32_t first, std::int32_t offset) {
  int value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    const std::int32_t sample = first + offset + bit * kSamplesPerBit;
    const bool high = sample >= 0 && sample < patternLength && SampleBit(sample);
    value = value << 1 | (high ? 1 : 0);
  }
  return static_cast<std::uint8_t>(value);
}

void Decode(std::int32_t first, std::span<std::uint8_t> data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = DecodeByte(first + static_cast<std::int32_t>(i) * 8 * kSamplesPerBit, setup.readOffset);
  }
}

// ---- Page chip ----------------------------------------------------------------

// Set8Bits: most significant bit first, data sampled on the rising clock.
void PageByte(std::uint8_t byte) {
  for (int bit = 7; bit >= 0; --bit) {
    if ((byte >> bit & 1) != 0) {
      SetEEPROMLines(setup.dataIn);
      SetEEPROMLines(setup.dataIn | setup.clock);
    } else {
      SetEEPROMLines(0);
      SetEEPROMLines(setup.clock);
    }
  }
}

void AddressBytes(std::int32_t address) {
  PageByte(static_cast<std::uint8_t>(address >> 16));
  PageByte(static_cast<std::uint8_t>(address >> 8));
  PageByte(static_cast<std::uint8_t>(address));
}

// Opens a page-chip command: selected, a rest state (with the trigger
// mark), the command byte.
void BeginPageCommand(const Chip& chip, PageCommand command) {
  chip.select(true);
  Wait(kSelectWait);
  RestartPattern();
  SetEEPROMLines(0);
  if (Tracing() && Ok() && patternLength > 0) output[0] |= static_cast<std::int16_t>(1 << command.triggerBit);
  PageByte(command.code);
}

void EndPageCommand(const Chip& chip, double wait) {
  SetEEPROMLines(0);
  SendToEEPROM();
  chip.select(false);
  Wait(wait);
}

void SimplePageCommand(const Chip& chip, PageCommand command, double wait) {
  if (!Ok()) return;
  BeginPageCommand(chip, command);
  EndPageCommand(chip, wait);
}

bool CheckPage(std::int32_t address, std::int32_t length) {
  if ((address & 0xFF) != 0) {
    Error = kNotAPageAddress;
  } else if (length > PageSize || length < 0) {
    Error = kPageTooLong;
  } else {
    Error = kNoError;
  }
  return Ok();
}

void TracePageRead(std::int32_t dataStart) {
  TermIO::WriteString("EEPROM page:");
  for (std::int32_t offset = -4; offset <= 4; ++offset) {
    TermIO::WriteInt(offset, 5);
    TermIO::Write(':');
    TermIO::WriteInt(DecodeByte(dataStart, setup.readOffset + offset), 4);
  }
  TermIO::WriteLn();
}

// ---- 128-byte chip ---------------------------------------------------------------

// A Microwire cell on the digital path: data set, then clocked, the select
// line high throughout.
void DigitalCell(bool one) {
  const std::uint16_t data = one ? setup.dataIn : 0;
  SetEEPROMLines(kSelectLine | data);
  SetEEPROMLines(kSelectLine | data | setup.clock);
}

// A Microwire cell on the clipping path, which keeps data in low whenever
// the clock changes.
void ClippingCell(bool one) {
  SetEEPROMLines(kSelectLine);
  if (one) {
    SetEEPROMLines(kSelectLine | setup.dataIn);
    SetEEPROMLines(kSelectLine | setup.dataIn | setup.clock);
  }
  SetEEPROMLines(kSelectLine | setup.clock);
  SetEEPROMLines(kSelectLine);
}

void Cells(int value, int count, void (*cell)(bool)) {
  for (int bit = count - 1; bit >= 0; --bit) cell((value >> bit & 1) != 0);
}

int WriteCommand(std::int32_t address, std::uint8_t value) {
  return ((kSmallWrite << kSmallAddressBits | (address & 0x7F)) << 8) | value;
}
constexpr int kWriteCommandBits = kSmallOpcodeBits + kSmallAddressBits + 8;

// The chip's data line, read outside a pattern after a settling wait.
bool DataHigh() {
  Wait(kDataLineWait);
  if (setup.digitalReadBack) {
    return ((ZRV::ReadDigital(setup.readChannel) >> setup.readBit) & 1) != 0;
  }
  if ((ZRV::ReadClippingAndClear() & 1) == 0) return false;
  Wait(kDataLineWait);
  return (ZRV::ReadClippingAndClear() & 1) != 0;
}

// The chip shows busy (low) during its write cycle, then ready (high).
void WaitUntilReady() {
  if (!Ok()) return;
  const double start = Platform::ElapsedSeconds();
  while (!DataHigh()) {
    if (Platform::ElapsedSeconds() - start >= kReadyTimeout) {
      Error = kNotReady;
      return;
    }
  }
}

void DigitalWriteByte(const Chip& chip, std::int32_t address, std::uint8_t value) {
  if (!Ok()) return;
  chip.select(true);
  Wait(kSelectWait);
  RestartPattern();
  SetEEPROMLines(kSelectLine);
  Cells(kSmallWriteEnable, kSmallCommandBits, DigitalCell);
  SetEEPROMLines(kSelectLine);
  SendToEEPROM();
  chip.select(false);
  Wait(kSelectWait);

  chip.select(true);
  Wait(kSelectWait);
  RestartPattern();
  SetEEPROMLines(kSelectLine);
  Cells(WriteCommand(address, value), kWriteCommandBits, DigitalCell);
  SetEEPROMLines(kSelectLine);
  SetEEPROMLines(0);
  SendToEEPROM();
  chip.select(false);
  Wait(kSelectWait);

  chip.select(true);
  Wait(kSelectWait);
  WaitUntilReady();
  if (Ok()) {
    RestartPattern();
    SetEEPROMLines(kSelectLine);
    Cells(kSmallWriteDisable, kSmallCommandBits, DigitalCell);
    SetEEPROMLines(kSelectLine);
    SendToEEPROM();
  }
  chip.select(false);
  Wait(kSelectWait);
}

// Reads data.size() bytes from an address in one pattern; the caller
// frames it with the select.
void DigitalReadBytes(std::int32_t address, std::span<std::uint8_t> data) {
  if (!Ok()) return;
  RestartPattern();
  Cells(kSmallRead << kSmallAddressBits | (address & 0x7F), kSmallCommandBits, DigitalCell);
  DigitalCell(false);  // the chip's dummy 0
  const std::int32_t dataStart = patternLength;
  for (std::size_t i = 0; i < data.size() * 8; ++i) DigitalCell(false);
  SetEEPROMLines(0);
  SetEEPROMLines(setup.clock);
  SetEEPROMLines(0);
  SendToEEPROM();
  if (Ok()) Decode(dataStart, data);
}

void DigitalRead(const Chip& chip, std::int32_t address, std::span<std::uint8_t> data) {
  if (!Ok()) return;
  chip.select(true);
  Wait(kSelectWait);
  DigitalReadBytes(address, data);
  chip.select(false);
  Wait(kSelectWait);
}

bool ClippingReadBit() {
  RestartPattern();
  SetEEPROMLines(kSelectLine);
  SetEEPROMLines(kSelectLine | setup.clock);
  SendToEEPROM();
  const bool high = Ok() && DataHigh();
  RestartPattern();
  SetEEPROMLines(kSelectLine | setup.clock);
  SetEEPROMLines(kSelectLine);
  SendToEEPROM();
  return high;
}

// Leaves the select line low at the end of a command without useSelect.
void DropSelectLine() {
  RestartPattern();
  SetEEPROMLines(0);
  SendToEEPROM();
}

void ClippingWriteByte(const Chip& chip, bool useSelect, std::int32_t address, std::uint8_t value) {
  if (!Ok()) return;
  auto reselect = [&] {
    SendToEEPROM();
    chip.select(false);
    Wait(kSelectWait);
    chip.select(true);
    Wait(kSelectWait);
  };
  if (useSelect) {
    chip.select(true);
    Wait(kSelectWait);
  }
  RestartPattern();
  SetEEPROMLines(0);
  Cells(kSmallWriteEnable, kSmallCommandBits, ClippingCell);
  SetEEPROMLines(0);
  if (useSelect) {
    reselect();
    RestartPattern();
  }
  Cells(WriteCommand(address, value), kWriteCommandBits, ClippingCell);
  if (useSelect) {
    reselect();
  } else {
    SetEEPROMLines(0);
    SetEEPROMLines(kSelectLine);
    SendToEEPROM();
  }
  WaitUntilReady();
  if (Ok()) {
    RestartPattern();
    SetEEPROMLines(0);
    Cells(kSmallWriteDisable, kSmallCommandBits, ClippingCell);
    SetEEPROMLines(0);
    SendToEEPROM();
  }
  if (useSelect) {
    chip.select(false);
    Wait(kSelectWait);
  }
}

std::uint8_t ClippingReadByte(const Chip& chip, bool useSelect, std::int32_t address) {
  if (!Ok()) return 0;
  if (useSelect) {
    chip.select(true);
    Wait(kSelectWait);
  }
  RestartPattern();
  SetEEPROMLines(0);
  Cells(kSmallRead << kSmallAddressBits | (address & 0x7F), kSmallCommandBits, ClippingCell);
  SendToEEPROM();
  int value = 0;
  for (int bit = 0; bit < 8 && Ok(); ++bit) value = value << 1 | (ClippingReadBit() ? 1 : 0);
  if (useSelect) {
    chip.select(false);
    Wait(kSelectWait);
  } else {
    DropSelectLine();
  }
  return static_cast<std::uint8_t>(value);
}

void WriteSmallByte(const Chip& chip, bool useSelect, std::int32_t address, std::uint8_t value) {
  if (setup.digitalReadBack) {
    DigitalWriteByte(chip, address, value);
  } else {
    ClippingWriteByte(chip, useSelect, address, value);
  }
}

std::uint8_t ReadSmallByte(const Chip& chip, bool useSelect, std::int32_t address) {
  if (!setup.digitalReadBack) return ClippingReadByte(chip, useSelect, address);
  std::uint8_t value = 0;
  DigitalRead(chip, address, std::span(&value, 1));
  return value;
}

// The chip's bytes from address 0 into data (at most 128); on the clipping
// path byte by byte, the wait cursor advancing after each.
void ReadSmallBytes(const Chip& chip, bool useSelect, std::span<std::uint8_t> data) {
  if (setup.digitalReadBack) {
    DigitalRead(chip, 0, data);
    return;
  }
  for (std::size_t i = 0; i < data.size() && Ok(); ++i) {
    data[i] = ClippingReadByte(chip, useSelect, static_cast<std::int32_t>(i));
    Mouse::SetWaitCursor();
  }
}

// The text read shared by ReadStringFromEEPROM and the version reads.
bool ReadText(std::span<char> text, std::int32_t limit, bool useSelect, bool stopAtFirstNul,
              bool slow, const Chip& chip) {
  Error = kNoError;
  const int shape = Mouse::GetCursorShape();
  Mouse::SetWaitCursor();
  SetAcqInterval(chip, false, slow);
  const std::int32_t count =
      std::min({limit, static_cast<std::int32_t>(text.size()), MaxTextLength});
  std::int32_t stored = 0;
  if (setup.digitalReadBack) {
    std::array<std::uint8_t, MaxTextLength> bytes{};
    DigitalRead(chip, 0, std::span(bytes).first(static_cast<std::size_t>(std::max(count, 0))));
    for (; stored < count; ++stored) text[static_cast<std::size_t>(stored)] = static_cast<char>(bytes[static_cast<std::size_t>(stored)]);
  } else {
    while (stored < count && Ok()) {
      const char byte = static_cast<char>(ClippingReadByte(chip, useSelect, stored));
      Mouse::SetWaitCursor();
      if (!Ok()) break;
      text[static_cast<std::size_t>(stored)] = byte;
      ++stored;
      if (byte == 0 && (stopAtFirstNul || stored == 1 || text[static_cast<std::size_t>(stored - 2)] == 0)) break;
    }
    if (!useSelect) DropSelectLine();
  }
  if (stored < static_cast<std::int32_t>(text.size())) text[static_cast<std::size_t>(stored)] = 0;
  Mouse::SetCursorShape(shape);
  return Ok();
}

// The bytes a text write puts on the chip, its closing 0 included.
std::int32_t TextBytesToWrite(std::span<const char> text, bool stopAtFirstNul) {
  const auto at = [&](std::int32_t i) { return i < static_cast<std::int32_t>(text.size()) ? text[static_cast<std::size_t>(i)] : '\0'; };
  std::int32_t n = static_cast<std::int32_t>(std::find(text.begin(), text.end(), '\0') - text.begin());
  if (n >= MaxTextLength) return MaxTextLength + 1;
  const std::int32_t highest = static_cast<std::int32_t>(text.size()) - 1;
  while (n < highest && !(at(n) == 0 && (stopAtFirstNul || n == 0 || at(n - 1) == 0))) ++n;
  return n + 1;
}

}  // namespace

void InitModule() {
  Error = kNoError;
  setup = Setup{};
  patternLength = 0;
  patternOpen = false;
}

bool WritePageToEEPROM(std::int32_t address, std::span<const std::uint8_t> data,
                       std::int32_t length, const Chip& chip) {
  if (!CheckPage(address, length)) return false;
  SetAcqInterval(chip, true, false);
  SimplePageCommand(chip, kWriteEnable, kCommandWait);
  if (Ok()) {
    BeginPageCommand(chip, kPageProgram);
    AddressBytes(address);
    for (std::int32_t i = 0; i < length; ++i) PageByte(data[static_cast<std::size_t>(i)]);
    EndPageCommand(chip, kWriteCycleWait);
  }
  SimplePageCommand(chip, kWriteDisable, kCommandWait);
  return Ok();
}

bool ReadPageFromEEPROM(std::int32_t address, std::span<std::uint8_t> data, std::int32_t length,
                        const Chip& chip) {
  if (!CheckPage(address, length)) return false;
  SetAcqInterval(chip, true, false);
  BeginPageCommand(chip, kRead);
  AddressBytes(address);
  const std::int32_t dataStart = patternLength;
  for (std::int32_t i = 0; i < length; ++i) PageByte(0);
  EndPageCommand(chip, kCommandWait);
  if (!Ok()) return false;
  if (Tracing()) TracePageRead(dataStart);
  Decode(dataStart, data.first(static_cast<std::size_t>(length)));
  return true;
}

namespace {

std::string ErrorMessage(const char* prefix) { return prefix + std::to_string(Error); }

// Compares a page read back with what was written; traces the first ten
// differences.
bool PageMatches(std::span<const std::uint8_t> written, std::span<const std::uint8_t> read,
                 std::int32_t blockOffset) {
  int differences = 0;
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (written[i] == read[i]) continue;
    ++differences;
    if (!Tracing() || differences > 11) continue;
    if (differences == 11) {
      TermIO::WriteLine("          and more... ");
      continue;
    }
    TermIO::WriteString("compare error: ");
    TermIO::WriteInt(static_cast<std::int32_t>(i), 4);
    TermIO::WriteString(" -> ");
    TermIO::WriteInt(blockOffset + static_cast<std::int32_t>(i), 6);
    TermIO::WriteString(" - ");
    TermIO::WriteInt(written[i], 4);
    TermIO::WriteString(" / ");
    TermIO::WriteInt(read[i], 4);
    TermIO::WriteLn();
  }
  return differences == 0;
}

// The page at offset of the block as it goes to the chip: a last partial
// page is zero-filled, so nothing past the caller's data is read.
std::array<std::uint8_t, PageSize> BlockPage(std::span<const std::uint8_t> data,
                                             std::int32_t length, std::int32_t offset) {
  std::array<std::uint8_t, PageSize> page{};
  const std::int32_t count = std::min(PageSize, length - offset);
  std::copy_n(data.begin() + offset, count, page.begin());
  return page;
}

}  // namespace

bool WritePagesToEEPROM(std::int32_t page, std::span<const std::uint8_t> data,
                        std::int32_t length, const Chip& chip, std::string& message) {
  message.clear();
  length = std::clamp(length, 0, static_cast<std::int32_t>(data.size()));
  const std::int32_t base = page * PageSize;
  for (std::int32_t offset = 0; offset < length; offset += PageSize) {
    const auto bytes = BlockPage(data, length, offset);
    if (!WritePageToEEPROM(base + offset, bytes, PageSize, chip)) {
      message = ErrorMessage("Writing to EEPROM.failed, error: ");
      return false;
    }
  }
  std::array<std::uint8_t, PageSize> scratch{};
  // A read of another page first, so that a one-page block is not checked
  // against what the chip's read pipeline still holds from the write.
  if (length <= PageSize) {
    const std::int32_t other = page == 0 ? 1 : 0;
    if (!ReadPageFromEEPROM(other * PageSize, scratch, PageSize, chip)) {
      message = ErrorMessage("Reading from EEPROM.failed, error: ");
      return false;
    }
  }
  for (std::int32_t offset = 0; offset < length; offset += PageSize) {
    const auto written = BlockPage(data, length, offset);
    if (!ReadPageFromEEPROM(base + offset, scratch, PageSize, chip)) {
      message = ErrorMessage("Reading from EEPROM.failed, error: ");
      return false;
    }
    if (!PageMatches(written, scratch, offset)) {
      Error = kReadBackDiffers;
      message = "Content read back is NOT equal to the written one.";
      return false;
    }
  }
  return true;
}

bool ReadPagesFromEEPROM(std::int32_t page, std::span<std::uint8_t> data, std::int32_t length,
                         const Chip& chip, std::string& message) {
  message.clear();
  length = std::clamp(length, 0, static_cast<std::int32_t>(data.size()));
  std::fill_n(data.begin(), length, std::uint8_t{0});
  const std::int32_t base = (page & 0xFFFFFF) * PageSize;
  std::array<std::uint8_t, PageSize> scratch{};
  for (std::int32_t offset = 0; offset < length; offset += PageSize) {
    if (!ReadPageFromEEPROM(base + offset, scratch, PageSize, chip)) {
      message = ErrorMessage("Reading from EEPROM failed, error: ");
      return false;
    }
    std::copy_n(scratch.begin(), std::min(PageSize, length - offset), data.begin() + offset);
  }
  return true;
}

bool ChipErase(const Chip& chip) {
  Error = kNoError;
  SetAcqInterval(chip, true, false);
  SimplePageCommand(chip, kWriteEnable, kCommandWait);
  SimplePageCommand(chip, kChipErase, kEraseWait);
  return Ok();
}

bool ReadStringFromEEPROM(std::span<char> text, bool useSelect, bool stopAtFirstNul,
                          const Chip& chip) {
  return ReadText(text, MaxTextLength, useSelect, stopAtFirstNul, false, chip);
}

bool WriteStringToEEPROM(std::span<const char> text, bool useSelect, bool stopAtFirstNul,
                         const Chip& chip) {
  Error = kNoError;
  SetAcqInterval(chip, false, false);
  const std::int32_t count = TextBytesToWrite(text, stopAtFirstNul);
  std::array<char, SmallChipSize> written{};
  std::copy_n(text.begin(), std::min(count, static_cast<std::int32_t>(text.size())), written.begin());
  for (std::int32_t address = 0; address < count && Ok(); ++address) {
    WriteSmallByte(chip, useSelect, address, static_cast<std::uint8_t>(written[static_cast<std::size_t>(address)]));
  }
  if (!Ok()) return false;
  std::array<char, SmallChipSize> read{};
  if (!ReadText(read, count - 1, useSelect, stopAtFirstNul, false, chip)) return false;
  if (!std::equal(written.begin(), written.begin() + (count - 1), read.begin())) Error = kTextDiffers;
  return Ok();
}

bool ReadVersionString(std::span<char> text, bool useSelect, bool slow, const Chip& chip) {
  std::array<char, VersionLength + 1> first{};
  std::array<char, VersionLength + 1> second{};
  const auto copyOut = [&] {
    const std::size_t n = std::min(text.size(), first.size());
    std::copy_n(first.begin(), n, text.begin());
  };
  for (int reads = 0; reads < VersionReads;) {
    first.fill(0);
    if (!ReadText(first, VersionLength, useSelect, true, slow, chip)) return false;
    ++reads;
    copyOut();
    if (setup.digitalReadBack) return true;
    if (reads == VersionReads) break;
    second.fill(0);
    if (!ReadText(second, VersionLength, useSelect, true, slow, chip)) return false;
    ++reads;
    if (first == second) return true;
  }
  return false;
}

bool TestEEPROM(bool useSelect, const Chip& chip) {
  Error = kNoError;
  SetAcqInterval(chip, false, false);
  std::array<std::uint8_t, SmallChipSize> found{};
  ReadSmallBytes(chip, useSelect, found);
  if (!Ok()) return false;
  const auto check = [&](std::int32_t address, std::uint8_t value) {
    WriteSmallByte(chip, useSelect, address, value);
    if (Ok() && ReadSmallByte(chip, useSelect, address) != value && Ok()) Error = kReadBackDiffers;
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (std::int32_t address = 0; address < SmallChipSize && Ok(); ++address) {
      check(address, static_cast<std::uint8_t>(pass == 0 ? SmallChipSize - 1 - address : address));
    }
  }
  const std::uint8_t testError = Error;
  Error = kNoError;
  for (std::int32_t address = 0; address < SmallChipSize && Ok(); ++address) {
    check(address, found[static_cast<std::size_t>(address)]);
  }
  if (testError != kNoError) Error = testError;
  return Ok();
}

}  // namespace VrnlEEPROM
