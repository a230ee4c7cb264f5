// Simulated PK 510 and PK 512 potentiostat boards as they sit on the
// amplifier command port. A board decodes each strobed 16-bit word (bits
// 8-13 the register address, bits 0-7 the data) into its 64 registers by
// the chip at that address:
//   8-bit DAC      the data byte;
//   12-bit DAC     words to the even address of the pair: data bits 0-3 a
//                  nibble, bits 4-5 its index (0 low .. 2 high, 3 load),
//                  bit 6 the channel (B, the odd address); the value is
//                  taken from the nibbles at the load word;
//   byte latch     44 (low) and 48 (high): the data byte;
//   16-bit DAC     a word to its strobe address (42 subtract, 43 init)
//                  loads the two byte latches into it; latch 35 bit 2 routes
//                  the bytes (clear: subtract, set: init) and must agree, a
//                  disagreement is counted;
//   4-bit latches  (and addresses without a chip) in pairs: a word to the
//                  pair loads the even latch from bits 0-3 and the odd one
//                  from bits 4-7.
// The select latch (PK 510: 14, PK 512: 12) hears every word to its pair;
// nibble 0xE selects the board. Every other word reaches a selected board
// only. Registers start at 0, the board deselected; the PK 510 can be
// powered up selected.
//
// PKSimBus is what the command port's decoder hands the strobed words to:
// it keeps them in order (address, data, bit 15, instant) and passes each to
// every board on the bus.
//
// Built from the boards' register tables alone. Not thread-safe: one thread
// drives a bus.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

enum class PKSimModel { PK510, PK512 };

class PKSimBoard {
 public:
  explicit PKSimBoard(PKSimModel model, bool powerUpSelected = false);

  // One strobed command word.
  void Strobe(std::uint16_t word);

  PKSimModel Model() const { return model_; }
  std::uint16_t Register(unsigned address) const { return registers_.at(address); }
  bool Selected() const;
  unsigned SelectLatch() const;
  // Strobes of a 16-bit DAC whose route bit named the other DAC.
  int RouteMismatches() const { return route_mismatches_; }

 private:
  void Latch(unsigned even, std::uint8_t data);
  void Dac12(unsigned even, std::uint8_t data);
  void Dac16(unsigned strobe);

  PKSimModel model_;
  std::array<std::uint16_t, 64> registers_{};
  // Nibbles of each 12-bit DAC pair waiting for their load word, per channel.
  std::array<std::array<std::array<std::uint8_t, 3>, 2>, 64> nibbles_{};
  int route_mismatches_ = 0;
};

struct PKSimWord {
  std::uint8_t address;
  std::uint8_t data;
  bool bit15;
  double instant;
};

class PKSimBus {
 public:
  // The board stays the caller's and must outlive its place on the bus.
  void Attach(PKSimBoard* board) { boards_.push_back(board); }

  void Strobe(std::uint16_t word, double instant);

  const std::vector<PKSimWord>& Recorded() const { return recorded_; }
  void ClearRecord() { recorded_.clear(); }

 private:
  std::vector<PKSimBoard*> boards_;
  std::vector<PKSimWord> recorded_;
};
