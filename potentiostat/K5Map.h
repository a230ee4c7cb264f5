#pragma once

// What the PK 510 and PK 512 register maps have in common: the chip table
// of a board as data, latch changes that are sent at once, selector tables
// (a setter's value picks the bits of one or more latches, which are then
// sent in a fixed order), and the procedures both maps run the same way on
// their own table and shadow. Everything here writes through K5Set's word
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

// KindNone and "????  " above 63.
std::uint8_t Kind(const ChipTable& table, unsigned address);
void Name(const ChipTable& table, unsigned address, std::span<char> text);

// Shadow access that ignores addresses above 63 (reads give 0).
std::uint16_t Get(const K5Set::Shadow& shadow, unsigned address);
void Set(K5Set::Shadow& shadow, unsigned address, std::uint16_t value);

// Bit `bit` of latch `latch` := on, or the whole nibble; then the pair is
// sent.
void SwitchBit(K5Set::Shadow& shadow, unsigned latch, unsigned bit, bool on);
void SwitchNibble(K5Set::Shadow& shadow, unsigned latch, unsigned nibble);

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
// A value outside the table sets PKTypes::Error to 17, changes and sends
// nothing, and gives FALSE.
bool Apply(const Selector& selector, unsigned value, K5Set::Shadow& shadow);

// Selectors both boards wire alike.
inline constexpr Selector Feedback{1, {{24, 0b1100}}, 3, {{0b1000}, {0b0100}, {0b0000}}};
inline constexpr Selector MuxOutPath{
    2, {{34, 0b0110}, {31, 0b1100}}, 3, {{0b0100, 0b0100}, {0b0100, 0b1000}, {0b0010, 0b0100}}};
inline constexpr Selector TestDacPath{1, {{31, 0b0011}}, 3, {{0b00}, {0b10}, {0b01}}};
inline constexpr Selector StimInScale{
    1, {{30, 0b1110}}, 4, {{0b1010}, {0b1000}, {0b0010}, {0b1110}}};
inline constexpr Selector CurrentFilter{3,
                                        {{53, 0b0011}, {60, 0xF}, {39, 0xF}},
                                        7,
                                        {{0b00, 0, 15},
                                         {0b00, 8, 15},
                                         {0b10, 0, 15},
                                         {0b00, 4, 0},
                                         {0b00, 2, 0},
                                         {0b00, 1, 0},
                                         {0b01, 0, 0}}};
inline constexpr Selector VoltageFilter{3,
                                        {{53, 0b1100}, {61, 0xF}, {38, 0xF}},
                                        7,
                                        {{0b0000, 0, 15},
                                         {0b0000, 8, 15},
                                         {0b1000, 0, 15},
                                         {0b0000, 4, 0},
                                         {0b0000, 2, 0},
                                         {0b0000, 1, 0},
                                         {0b0100, 0, 0}}};
inline constexpr Selector StimulusFilter{
    2,
    {{62, 0xF}, {63, 0xF}},
    8,
    {{0, 4}, {0, 2}, {0, 1}, {8, 0}, {4, 0}, {2, 0}, {1, 0}, {0, 8}}};

// Latch 35: the subtraction paths, the route of the 16-bit DAC bytes
// (clear: subtract DAC, set: init DAC) and the mux ADC path (inverted).
inline constexpr unsigned RouteLatch = 35;
inline constexpr unsigned RouteBit = 2;
inline constexpr unsigned MuxAdcOffBit = 3;
inline constexpr unsigned SubtractDac = 42;
inline constexpr unsigned InitDac = 43;

// Routes the bytes to the subtract (init) DAC, sends the route latch, then
// the 16-bit value.
void SubtractDacValue(K5Set::Shadow& shadow, std::uint16_t code);
void InitDacValue(K5Set::Shadow& shadow, std::uint16_t code);

// The board's select latch := 0xE when select, else 0xF, sent; then the log
// line label and board.
void SelectLatch(K5Set::Shadow& shadow, unsigned latch, bool select,
                 std::span<const char> logLabel, std::uint8_t board);

// Each address: nibble 0 and its pair sent, in the given order.
void ClearFreeAddresses(K5Set::Shadow& shadow, std::span<const std::uint8_t> addresses);

// One raw value by the address's kind; FALSE for kind 6.
bool SendValueToBoard(const ChipTable& table, K5Set::Shadow& shadow, unsigned address,
                      std::uint16_t value);

// 43 for kind 1 (init DAC), 42 for kind 0 (subtract DAC), else 0.
std::uint8_t Dac16Kind_to_StateIndex(std::uint8_t kind);

// The console dump of one board: DAC/switch lines, switch/switch lines and
// single switch lines, in the order given.
struct DumpLayout {
  std::span<const std::array<std::uint8_t, 2>> dacSwitch;
  std::span<const std::array<std::uint8_t, 2>> switchSwitch;
  std::span<const std::uint8_t> single;
};
void WriteState(const DumpLayout& layout, const K5Set::Shadow& shadow);

}  // namespace K5Map
