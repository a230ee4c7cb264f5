#pragma once

// What the PK 510 and PK 512 register maps have in common: the chip table
// of a board as data, selector tables (a setter's value picks the bits of
// one or more latches, which are then sent in a fixed order), and a Board
// that runs latch changes and the functions both boards wire alike on its
// own table and shadow. Everything here writes through K5Set's word
// senders. Main thread only.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "potentiostat/K5Set.h"

namespace K5Map {

// One register address: its six-character chip name and kind.
struct Chip {
  char name[7];
  std::uint8_t kind;
};
using ChipTable = std::array<Chip, K5Set::kRegisters>;

struct ChipAt {
  unsigned address;
  const char* name;
  std::uint8_t kind;
};

// A board's table: the listed chips, every other address a free one.
constexpr ChipTable MakeChipTable(std::initializer_list<ChipAt> chips) {
  ChipTable table{};
  auto setName = [](Chip& chip, const char* name) {
    int n = 0;
    for (; name[n] != '\0' && n < 6; ++n) chip.name[n] = name[n];
    for (; n < 6; ++n) chip.name[n] = ' ';
    chip.name[6] = '\0';
  };
  for (Chip& chip : table) {
    setName(chip, "free");
    chip.kind = K5Set::KindFree;
  }
  for (const ChipAt& at : chips) {
    setName(table[at.address], at.name);
    table[at.address].kind = at.kind;
  }
  return table;
}

// A selector: for each value one row of bits for the listed latch fields;
// every field of the row is written, then the latches are sent in the
// order listed.
struct LatchField {
  std::uint8_t latch;
  std::uint8_t mask;
};
struct Selector {
  std::uint8_t latchCount;
  LatchField fields[3];
  std::uint8_t valueCount;
  std::uint8_t rows[8][3];
};

// 43 for kind 1 (init DAC), 42 for kind 0 (subtract DAC), else 0.
std::uint8_t Dac16Kind_to_StateIndex(std::uint8_t kind);

// The console dump of one board: DAC/switch lines, switch/switch lines and
// single switch lines, in the order given.
struct DumpLayout {
  std::span<const std::array<std::uint8_t, 2>> dacSwitch;
  std::span<const std::array<std::uint8_t, 2>> switchSwitch;
  std::span<const std::uint8_t> single;
};

// One board: its chip table and its shadow, with the hardware functions
// both boards wire alike and the latch changes their maps are made of.
// Addresses above 63 are ignored (reads give 0, kinds KindNone).
class Board {
 public:
  constexpr Board(const ChipTable& chips, K5Set::Shadow& shadow) : chips_(chips), shadow_(shadow) {}

  K5Set::Shadow& Shadow() const { return shadow_; }
  std::uint8_t IC_Kind(unsigned address) const;
  // "????  " above 63.
  void IC_Name(unsigned address, std::span<char> text) const;
  std::uint16_t GetSwitchState(unsigned address) const;
  void SetSwitchState(unsigned address, std::uint16_t value) const;
  // One raw value by the address's kind; FALSE for kind 6. A byte latch
  // leaves its shadow entry.
  bool SendValueToBoard(unsigned address, std::uint16_t value) const;

  // Bit `bit` of the latch := on, or its whole nibble; then the pair is sent.
  void Bit(unsigned latch, unsigned bit, bool on) const;
  void Nibble(unsigned latch, unsigned nibble) const;
  // A value outside the selector's table sets PKTypes::Error to 17, changes
  // and sends nothing, and gives FALSE.
  bool Apply(const Selector& selector, unsigned value) const;
  // The select latch := 0xE when select, else 0xF, sent; then the log line
  // with the label and board.
  void Select(unsigned latch, bool select, std::span<const char> logLabel,
              std::uint8_t board) const;
  // Each address: nibble 0 and its pair sent, in the given order.
  void ClearFreeAddresses(std::span<const std::uint8_t> addresses) const;
  void WriteState(const DumpLayout& layout) const;

  // The functions both boards have at the same place.
  void WorkElectrOffsetDac(std::uint16_t code) const;  // DAC12 17
  void VoltageOffsetDac(std::uint16_t code) const;     // DAC12 19
  void CurrentOffsetDac(std::uint16_t code) const;     // DAC12 23
  // Route bit cleared (set), the route latch sent, then the 16-bit value
  // to the subtract (init) DAC.
  void SubtractDacValue(std::uint16_t code) const;
  void InitDacValue(std::uint16_t code) const;
  void Feedback(std::uint8_t selector) const;        // 0-2
  void MuxOutPath(std::uint8_t selector) const;      // 0-2
  void TestDacPath(std::uint8_t selector) const;     // 0-2
  void CurrentFilter(std::uint8_t selector) const;   // 0-6
  void VoltageFilter(std::uint8_t selector) const;   // 0-6
  void StimulusFilter(std::uint8_t selector) const;  // 0-7
  void StimInScale(std::uint8_t selector) const;     // 0-3
  void WorkingElectrode(bool on) const;
  void EEPROMSelect(bool on) const;
  void Remote(bool on) const;
  void VoltageSubtractOn(bool on) const;
  void CurrentSubtractOn(bool on) const;
  void MuxX100(bool on) const;
  void EnableMuxAdc(bool on) const;  // latch 35 bit 3 := NOT on
  void MuxChannel(std::uint8_t channel) const;  // latch 41 := channel AND 0xF

 private:
  const ChipTable& chips_;
  K5Set::Shadow& shadow_;
};

}  // namespace K5Map
