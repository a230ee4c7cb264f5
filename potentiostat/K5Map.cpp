#include "potentiostat/K5Map.h"

#include "foundation/LogUtil.h"
#include "foundation/Strings.h"
#include "potentiostat/PKTypes.h"

namespace K5Map {

namespace {

bool IsRegister(unsigned address) { return address < K5Set::kRegisters; }

// Selectors both boards wire alike.
constexpr Selector kFeedback{1, {{24, 0b1100}}, 3, {{0b1000}, {0b0100}, {0b0000}}};
constexpr Selector kMuxOutPath{
    2, {{34, 0b0110}, {31, 0b1100}}, 3, {{0b0100, 0b0100}, {0b0100, 0b1000}, {0b0010, 0b0100}}};
constexpr Selector kTestDacPath{1, {{31, 0b0011}}, 3, {{0b00}, {0b10}, {0b01}}};
constexpr Selector kStimInScale{1, {{30, 0b1110}}, 4, {{0b1010}, {0b1000}, {0b0010}, {0b1110}}};
constexpr Selector kCurrentFilter{3,
                                  {{53, 0b0011}, {60, 0xF}, {39, 0xF}},
                                  7,
                                  {{0b00, 0, 15},
                                   {0b00, 8, 15},
                                   {0b10, 0, 15},
                                   {0b00, 4, 0},
                                   {0b00, 2, 0},
                                   {0b00, 1, 0},
                                   {0b01, 0, 0}}};
constexpr Selector kVoltageFilter{3,
                                  {{53, 0b1100}, {61, 0xF}, {38, 0xF}},
                                  7,
                                  {{0b0000, 0, 15},
                                   {0b0000, 8, 15},
                                   {0b1000, 0, 15},
                                   {0b0000, 4, 0},
                                   {0b0000, 2, 0},
                                   {0b0000, 1, 0},
                                   {0b0100, 0, 0}}};
constexpr Selector kStimulusFilter{
    2, {{62, 0xF}, {63, 0xF}}, 8, {{0, 4}, {0, 2}, {0, 1}, {8, 0}, {4, 0}, {2, 0}, {1, 0}, {0, 8}}};

// Latch 35: the subtraction paths, the route of the 16-bit DAC bytes
// (clear: subtract DAC, set: init DAC) and the mux ADC path (inverted).
constexpr unsigned kRouteLatch = 35;
constexpr unsigned kRouteBit = 2;
constexpr unsigned kMuxAdcOffBit = 3;
constexpr unsigned kSubtractDac = 42;
constexpr unsigned kInitDac = 43;

}  // namespace

std::uint8_t Board::IC_Kind(unsigned address) const {
  return IsRegister(address) ? chips_[address].kind : K5Set::KindNone;
}

void Board::IC_Name(unsigned address, std::span<char> text) const {
  if (IsRegister(address)) {
    Strings::Assign(text, chips_[address].name);
  } else {
    Strings::Assign(text, "????  ");
  }
}

std::uint16_t Board::GetSwitchState(unsigned address) const {
  return IsRegister(address) ? shadow_[address] : 0;
}

void Board::SetSwitchState(unsigned address, std::uint16_t value) const {
  if (IsRegister(address)) shadow_[address] = value;
}

bool Board::SendValueToBoard(unsigned address, std::uint16_t value) const {
  switch (IC_Kind(address)) {
    case K5Set::KindDac8:
      K5Set::SendDAC8(address, value, shadow_);
      return true;
    case K5Set::KindDac12:
      K5Set::SendDAC12(address, value, shadow_);
      return true;
    case K5Set::KindDac16:
      K5Set::SendDAC16(address, value, K5Set::LowByteLatch, K5Set::HighByteLatch, shadow_);
      return true;
    case K5Set::KindSwitch:
    case K5Set::KindFree:
      shadow_[address] = value;
      K5Set::SendSwitchValue(address, shadow_);
      return true;
    case K5Set::KindByteLatch:
      K5Set::SendByte(address, value);
      return true;
    default:
      return false;
  }
}

void Board::Bit(unsigned latch, unsigned bit, bool on) const {
  if (!IsRegister(latch)) return;
  const std::uint16_t mask = static_cast<std::uint16_t>(1u << bit);
  shadow_[latch] = on ? (shadow_[latch] | mask) : (shadow_[latch] & ~mask);
  K5Set::SendSwitchValue(latch, shadow_);
}

void Board::Nibble(unsigned latch, unsigned nibble) const {
  if (!IsRegister(latch)) return;
  shadow_[latch] = static_cast<std::uint16_t>(nibble & 0xF);
  K5Set::SendSwitchValue(latch, shadow_);
}

bool Board::Apply(const Selector& selector, unsigned value) const {
  if (value >= selector.valueCount) {
    PKTypes::Error = PKTypes::RangeError;
    return false;
  }
  for (int n = 0; n < selector.latchCount; ++n) {
    const LatchField& field = selector.fields[n];
    const std::uint8_t bits = selector.rows[value][n];
    shadow_[field.latch] =
        static_cast<std::uint16_t>((shadow_[field.latch] & ~field.mask) | (bits & field.mask));
  }
  for (int n = 0; n < selector.latchCount; ++n) {
    K5Set::SendSwitchValue(selector.fields[n].latch, shadow_);
  }
  return true;
}

void Board::Select(unsigned latch, bool select, std::span<const char> logLabel,
                   std::uint8_t board) const {
  Nibble(latch, select ? 0xE : 0xF);
  LogUtil::WriteToLogInt(logLabel, board);
}

void Board::ClearFreeAddresses(std::span<const std::uint8_t> addresses) const {
  for (const std::uint8_t address : addresses) Nibble(address, 0);
}

void Board::WriteState(const DumpLayout& layout) const {
  for (const auto& [dac, latch] : layout.dacSwitch) K5Set::Write_Dac_Switch(dac, latch, shadow_);
  for (const auto& [first, second] : layout.switchSwitch) {
    K5Set::Write_Swi_Switch(first, second, shadow_);
  }
  for (const std::uint8_t latch : layout.single) K5Set::Write_Switch____(latch, shadow_);
}

void Board::WorkElectrOffsetDac(std::uint16_t code) const { K5Set::SendDAC12(17, code, shadow_); }
void Board::VoltageOffsetDac(std::uint16_t code) const { K5Set::SendDAC12(19, code, shadow_); }
void Board::CurrentOffsetDac(std::uint16_t code) const { K5Set::SendDAC12(23, code, shadow_); }

void Board::SubtractDacValue(std::uint16_t code) const {
  Bit(kRouteLatch, kRouteBit, false);
  K5Set::SendDAC16(kSubtractDac, code, K5Set::LowByteLatch, K5Set::HighByteLatch, shadow_);
}

void Board::InitDacValue(std::uint16_t code) const {
  Bit(kRouteLatch, kRouteBit, true);
  K5Set::SendDAC16(kInitDac, code, K5Set::LowByteLatch, K5Set::HighByteLatch, shadow_);
}

void Board::Feedback(std::uint8_t selector) const { Apply(kFeedback, selector); }
void Board::MuxOutPath(std::uint8_t selector) const { Apply(kMuxOutPath, selector); }
void Board::TestDacPath(std::uint8_t selector) const { Apply(kTestDacPath, selector); }
void Board::CurrentFilter(std::uint8_t selector) const { Apply(kCurrentFilter, selector); }
void Board::VoltageFilter(std::uint8_t selector) const { Apply(kVoltageFilter, selector); }
void Board::StimulusFilter(std::uint8_t selector) const { Apply(kStimulusFilter, selector); }
void Board::StimInScale(std::uint8_t selector) const { Apply(kStimInScale, selector); }
void Board::WorkingElectrode(bool on) const { Bit(30, 0, on); }
void Board::EEPROMSelect(bool on) const { Bit(32, 0, on); }
void Board::Remote(bool on) const { Bit(32, 3, on); }
void Board::VoltageSubtractOn(bool on) const { Bit(kRouteLatch, 0, on); }
void Board::CurrentSubtractOn(bool on) const { Bit(kRouteLatch, 1, on); }
void Board::MuxX100(bool on) const { Bit(27, 2, on); }
void Board::EnableMuxAdc(bool on) const { Bit(kRouteLatch, kMuxAdcOffBit, !on); }
void Board::MuxChannel(std::uint8_t channel) const { Nibble(41, channel); }

std::uint8_t Dac16Kind_to_StateIndex(std::uint8_t kind) {
  switch (kind) {
    case 0:
      return kSubtractDac;
    case 1:
      return kInitDac;
    default:
      return 0;
  }
}

}  // namespace K5Map
