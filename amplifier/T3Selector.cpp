#include "amplifier/T3Selector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/VrnlEEPROM.h"
#include "foundation/Decode.h"
#include "foundation/Encode.h"
#include "foundation/GLP.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"

namespace T3Selector {

std::int32_t SelectorPosition = 0;
std::int32_t SelectorBoard = 0;
std::int32_t SelectorDacUnits = 0;
bool SelectorEEPROM = false;

namespace {

constexpr std::uint16_t kKeptOutputBits = 0x003F;
constexpr std::uint16_t kEEPROMWord = 0x0040;
constexpr std::uint16_t kDacWord = 0x0080;
constexpr std::uint16_t kEEPROMLineHigh = 0x0800;
constexpr double kUnitsPerVolt = 10240.0;
constexpr std::int32_t kZeroUnits = 2048;
constexpr std::int32_t kMaxProbes = 16;
constexpr std::int32_t kSelectorError = 28;

// The selector EEPROM: a 128-byte chip on the first rack's user lines.
constexpr std::int32_t kChipType = 3;
constexpr std::int32_t kReadChannel = 16;
constexpr std::int32_t kWriteChannel = 8;
constexpr std::int32_t kStringLength = 12;

constexpr char kSwitchFile[] = "TlvSelector.On";

bool DebugOutput = false;

using Text = std::span<const char>;

// The echo of a selector word: its bits without the kept output bits,
// then what it does.
void Echo(std::uint16_t word, std::int32_t dacValue) {
  if (!T3Set::DebugWrite || T3Base::MaxSelectors == 0) return;
  TermIO::WriteSet16(static_cast<std::uint16_t>(word & ~kKeptOutputBits), 16);
  if ((word & kEEPROMWord) != 0) {
    TermIO::WriteString("   selector_EEPROM: ");
    TermIO::WriteString((word & kEEPROMLineHigh) != 0 ? Text("high") : Text("low"));
    if ((word & kDacWord) != 0) TermIO::WriteString(", ERROR: set_dac is set!");
  } else if ((word & kDacWord) != 0) {
    TermIO::WriteString("   selector_dac= ");
    TermIO::WriteInt(dacValue, 5);
  } else {
    TermIO::WriteString("   selector_pos=");
    TermIO::WriteInt(((word >> 8) & 0xF) + 1, 2);
    TermIO::WriteString(", board=");
    TermIO::WriteInt(((word >> 12) & 0x3) + 1, 2);
  }
  TermIO::WriteLn();
}

void Send(std::uint16_t word, std::int32_t dacValue = 0) {
  if (!T3Set::SendToHardware) return;
  word = static_cast<std::uint16_t>((word & ~kKeptOutputBits) |
                                    (ZRV::GetDigitalOutState() & kKeptOutputBits));
  Echo(word, dacValue);
  VrnlBoards::SendToTlv2Port(T3Types::State.SelectorPortChannel, word);
}

std::uint16_t Field(std::int32_t value, int shift, std::int32_t mask) {
  return static_cast<std::uint16_t>((value & mask) << shift);
}

// The pipette offset DAC's value as the panel last computed it; a scale
// without a usable DAC law counts as no offset.
std::int32_t PipetteOffsetUnits() {
  const T3Scale::ScaleRecord& scale = T3Scale::Scale;
  const T3Types::AmplifierState& state = T3Types::State;
  if (scale.VpOffsetScale == 0.0 || !std::isfinite(scale.VpOffsetScale)) return kZeroUnits;
  const double a = state.VpOffset + scale.VpOffsetZero / scale.VpOffsetScale +
                   scale.VpOffsetCorr[std::min<std::size_t>(state.Range, 2)];
  const double f = std::round(a * scale.VpOffsetScale);
  return std::isfinite(f) ? static_cast<std::int32_t>(std::clamp(f, 0.0, 65535.0)) : kZeroUnits;
}

void Fail(std::span<char> message, Text text) { Strings::Assign(message, text); }

// A two-digit count of the text at index; FALSE when it is no number.
bool Count(const char* text, std::size_t index, std::int32_t& count) {
  const std::array<char, 3> digits = {text[index], text[index + 1], '\0'};
  return Encode::Integer(digits, count) == -1;
}

void CopyField(std::span<char> field, const char* text, std::size_t length) {
  std::array<char, kStringLength + 1> part{};
  std::copy_n(text, length, part.begin());
  Strings::Assign(field, part);
}

// The selector text from the switch file, unless GLP rules it out.
bool TextFromSwitchFile(std::span<char> text) {
  if (GLP::Enforce) return false;
  DebugOutput = TellTaleFile::FirstLine(kSwitchFile, text);
  return DebugOutput && Strings::Length(text) > 0;
}

}  // namespace

void ClipSelectorHold(double& volts) { volts = std::clamp(volts, -2.047, 2.048); }

bool SetSelector(std::int32_t position) {
  if (position < 1 || position > T3Base::MaxSelectors) return true;
  if (!T3Select::ActivateSelector(position)) {
    T3Error::Error = kSelectorError;
    return false;
  }
  SetPosition(position);
  return true;
}

void SetPosition(std::int32_t position) {
  const std::int32_t board = T3Types::State.Board;
  if (DebugOutput) {
    TermIO::WriteString(" ProbeSelector: board = ");
    TermIO::WriteInt(board, 0);
    TermIO::WriteString(", position = ");
    TermIO::WriteInt(position - 1, 0);
    TermIO::WriteLn();
  }
  Send(Field(position - 1, 8, 0xF) | Field(board, 12, 0x3));
  SelectorPosition = position - 1;
  SelectorBoard = board;
}

void SetSelectorEEPROM(bool high) {
  SelectorEEPROM = high;
  Send(static_cast<std::uint16_t>(kEEPROMWord | (high ? kEEPROMLineHigh : 0) |
                                  Field(T3Types::State.Board, 12, 0x3)));
}

void SetSelectorVHold(double volts) {
  if (T3Types::State.Selector == 0) return;
  const std::int32_t pipetteOffset = PipetteOffsetUnits();
  double target = volts + (pipetteOffset - kZeroUnits) / kUnitsPerVolt;
  ClipSelectorHold(target);
  const auto units = static_cast<std::int32_t>(std::lround(kZeroUnits - kUnitsPerVolt * target));
  SelectorDacUnits = units;
  for (int nibble = 0; nibble < 3; ++nibble) {
    Send(kDacWord | Field(units >> (4 * nibble), 8, 0xF) | Field(nibble, 12, 0x3), units);
  }
  Send(kDacWord | Field(3, 12, 0x3), pipetteOffset);
}

bool ReadSelectorEEPROM(std::int32_t& blocks, std::int32_t& probes, std::span<char> message) {
  blocks = T3Base::T3Boards;
  probes = T3Base::MaxSelectors;
  Strings::Clear(message);
  std::array<char, VrnlEEPROM::MaxTextLength + 1> text{};
  if (!TextFromSwitchFile(text)) {
    if (ZRV::Status() == 0) return true;
    text = {};
    const VrnlEEPROM::Chip chip{SetSelectorEEPROM, kChipType, kReadChannel, kWriteChannel};
    if (!VrnlEEPROM::ReadStringFromEEPROM(text, true, true, chip)) {
      Fail(message, "Selector EEPROM Read Error");
      return false;
    }
  }
  if (Strings::Length(text) != kStringLength) {
    Fail(message, "Empty Selector");
    if (T3Base::IsTlv3N) {
      Strings::Concat(message, "-");
      Decode::Integer(T3Types::State.Board + 1, message, 0);
    }
    Strings::Concat(message, " EEPROM");
    return false;
  }
  if (text[9] != 'x') {
    Fail(message, "Faulty Selector EEPROM string (1)");
    return false;
  }
  CopyField(T3Base::SelectorNumber, text.data(), 6);
  CopyField(T3Base::SelectorVersion, text.data() + 6, 1);
  std::int32_t boards = 0;
  if (!Count(text.data(), 7, boards) || boards < 1) {
    Fail(message, "Faulty Selector EEPROM string (2)");
    return false;
  }
  std::int32_t count = 0;
  if (!Count(text.data(), 10, count) || count < 0) {
    Fail(message, "Faulty Selector EEPROM string (3)");
    return false;
  }
  if (count > kMaxProbes) {
    Fail(message, "Faulty Selector EEPROM string (4)");
    return false;
  }
  blocks = boards;
  probes = count;
  if (DebugOutput) {
    TermIO::WriteString(" ProbeSelector: blocks = ");
    TermIO::WriteInt(blocks, 0);
    TermIO::WriteString(", probes = ");
    TermIO::WriteInt(probes, 0);
    TermIO::WriteLn();
  }
  return true;
}

bool ActivateSelector(std::span<char> message) {
  const std::int32_t remembered = T3Types::State.Board;
  T3Panel::SetT3Board(0);
  std::int32_t blocks = 0;
  std::int32_t probes = 0;
  bool ok = ReadSelectorEEPROM(blocks, probes, message);
  if (ok) {
    T3Base::MaxSelectors = std::min(T3Base::MaxSelectors, probes);
    if (T3Base::MaxSelectors > 0) {
      T3Base::MaxDigBitIn = std::min(T3Base::MaxDigBitIn, 13);
      T3Base::MaxDigBitOut = std::min(T3Base::MaxDigBitOut, 5);
    }
    T3Panel::SetSelector(1);
    for (std::int32_t board = 1; board < T3Base::T3Boards; ++board) {
      T3Panel::SetT3Board(board);
      if (ok && board % blocks == 0) {
        std::int32_t moreProbes = 0;
        ok = ReadSelectorEEPROM(blocks, moreProbes, message);
        if (ok) T3Base::MaxSelectors = std::max(T3Base::MaxSelectors, moreProbes);
      }
      T3Panel::SetSelector(1);
    }
  }
  if (T3Types::State.Board != remembered) T3Panel::SetT3Board(remembered);
  return ok;
}

}  // namespace T3Selector
