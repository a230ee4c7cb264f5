#include "potentiostat/K5Map.h"

#include "foundation/LogUtil.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "potentiostat/PKTypes.h"

namespace K5Map {

namespace {

bool IsRegister(unsigned address) { return address < K5Set::kRegisters; }

}  // namespace

std::uint8_t Kind(const ChipTable& table, unsigned address) {
  return IsRegister(address) ? table[address].kind : K5Set::KindNone;
}

void Name(const ChipTable& table, unsigned address, std::span<char> text) {
  if (IsRegister(address)) {
    Strings::Assign(text, table[address].name);
  } else {
    Strings::Assign(text, "????  ");
  }
}

std::uint16_t Get(const K5Set::Shadow& shadow, unsigned address) {
  return IsRegister(address) ? shadow[address] : 0;
}

void Set(K5Set::Shadow& shadow, unsigned address, std::uint16_t value) {
  if (IsRegister(address)) shadow[address] = value;
}

void SwitchBit(K5Set::Shadow& shadow, unsigned latch, unsigned bit, bool on) {
  if (!IsRegister(latch)) return;
  const std::uint16_t mask = static_cast<std::uint16_t>(1u << bit);
  shadow[latch] = on ? (shadow[latch] | mask) : (shadow[latch] & ~mask);
  K5Set::SendSwitchValue(latch, shadow);
}

void SwitchNibble(K5Set::Shadow& shadow, unsigned latch, unsigned nibble) {
  if (!IsRegister(latch)) return;
  shadow[latch] = static_cast<std::uint16_t>(nibble & 0xF);
  K5Set::SendSwitchValue(latch, shadow);
}

bool Apply(const Selector& selector, unsigned value, K5Set::Shadow& shadow) {
  if (value >= selector.valueCount) {
    PKTypes::Error = PKTypes::RangeError;
    return false;
  }
  for (int n = 0; n < selector.latchCount; ++n) {
    const LatchField& field = selector.fields[n];
    const std::uint8_t bits = selector.rows[value][n];
    shadow[field.latch] = static_cast<std::uint16_t>((shadow[field.latch] & ~field.mask) |
                                                     (bits & field.mask));
  }
  for (int n = 0; n < selector.latchCount; ++n) {
    K5Set::SendSwitchValue(selector.fields[n].latch, shadow);
  }
  return true;
}

void SubtractDacValue(K5Set::Shadow& shadow, std::uint16_t code) {
  SwitchBit(shadow, RouteLatch, RouteBit, false);
  K5Set::SendDAC16(SubtractDac, code, K5Set::LowByteLatch, K5Set::HighByteLatch, shadow);
}

void InitDacValue(K5Set::Shadow& shadow, std::uint16_t code) {
  SwitchBit(shadow, RouteLatch, RouteBit, true);
  K5Set::SendDAC16(InitDac, code, K5Set::LowByteLatch, K5Set::HighByteLatch, shadow);
}

void SelectLatch(K5Set::Shadow& shadow, unsigned latch, bool select,
                 std::span<const char> logLabel, std::uint8_t board) {
  SwitchNibble(shadow, latch, select ? 0xE : 0xF);
  LogUtil::WriteToLogInt(logLabel, board);
}

void ClearFreeAddresses(K5Set::Shadow& shadow, std::span<const std::uint8_t> addresses) {
  for (const std::uint8_t address : addresses) SwitchNibble(shadow, address, 0);
}

bool SendValueToBoard(const ChipTable& table, K5Set::Shadow& shadow, unsigned address,
                      std::uint16_t value) {
  switch (Kind(table, address)) {
    case K5Set::KindDac8:
      K5Set::SendDAC8(address, value, shadow);
      return true;
    case K5Set::KindDac12:
      K5Set::SendDAC12(address, value, shadow);
      return true;
    case K5Set::KindDac16:
      K5Set::SendDAC16(address, value, K5Set::LowByteLatch, K5Set::HighByteLatch, shadow);
      return true;
    case K5Set::KindSwitch:
    case K5Set::KindFree:
      shadow[address] = value;
      K5Set::SendSwitchValue(address, shadow);
      return true;
    case K5Set::KindByteLatch:
      K5Set::SendByte(address, value);
      return true;
    default:
      return false;
  }
}

std::uint8_t Dac16Kind_to_StateIndex(std::uint8_t kind) {
  switch (kind) {
    case 0:
      return SubtractDac;
    case 1:
      return InitDac;
    default:
      return 0;
  }
}

void WriteState(const DumpLayout& layout, const K5Set::Shadow& shadow) {
  for (const auto& [dac, latch] : layout.dacSwitch) K5Set::Write_Dac_Switch(dac, latch, shadow);
  for (const auto& [first, second] : layout.switchSwitch) {
    K5Set::Write_Swi_Switch(first, second, shadow);
  }
  for (const std::uint8_t latch : layout.single) K5Set::Write_Switch____(latch, shadow);
}

}  // namespace K5Map
