// The elements of one amplifier board as its command words set them, in the
// numbering of the words' address bits: 8-bit DACs 0-13; five dual 12-bit
// DACs 14-23 (channel A the even address, B the odd one), loaded from
// nibbles; 4-bit latches 24-47, written in pairs. Element(address) reads as
// the program's switch shadow does: the DAC value or the latch's nibble.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Where a sample sits in time: from the start of its sweep, and on the
// program's clock.
struct SampleInstant {
  double sweep_seconds = 0.0;
  double clock_seconds = 0.0;
};

// A latch that took a new state, and the strobe that wrote it.
struct LatchChange {
  int address = 0;
  std::uint16_t value = 0;
  SampleInstant at;
};

class AmplifierBoardElements {
 public:
  static constexpr int kElements = 48;
  static constexpr int kFirstDac12 = 14;
  static constexpr int kFirstLatch = 24;

  // One word's address (bits 8-13) and data byte; addresses above 47 are
  // ignored. A 12-bit DAC word carries a nibble (bits 0-3), its index
  // (bits 4-5, 3 loads the channel from the nibbles) and the channel (bit
  // 6); a latch word carries the even latch of its pair in bits 0-3, the
  // odd one in bits 4-7.
  void Word(int address, std::uint8_t data, const SampleInstant& at);

  // As the board sees it: a held element's bits at their held value.
  std::uint16_t Element(int address) const {
    const auto a = static_cast<std::size_t>(address);
    return static_cast<std::uint16_t>((_elements[a] & ~_heldMask[a]) | (_heldValue[a] & _heldMask[a]));
  }
  // As the words wrote them.
  const std::array<std::uint16_t, kElements>& Elements() const { return _elements; }
  // A broken element: the bits of mask read as those of value, whatever
  // the words write, until held with another mask (0 lets it go).
  void Hold(int address, std::uint16_t mask, std::uint16_t value);
  // The instant of the strobe that last wrote the latch.
  const SampleInstant& LatchStrobe(int address) const { return _strobes[static_cast<std::size_t>(address)]; }
  bool LatchBit(int address, int bit) const { return ((Element(address) >> bit) & 1) != 0; }
  // Words taken since power-on.
  long Words() const { return _words; }
  // Every change of a latch's state since power-on, in order.
  const std::vector<LatchChange>& LatchChanges() const { return _latchChanges; }

 private:
  void SetLatch(int address, std::uint16_t value, const SampleInstant& at);

  std::array<std::uint16_t, kElements> _elements{};
  std::array<SampleInstant, kElements> _strobes{};
  std::array<std::uint16_t, kElements> _heldMask{};
  std::array<std::uint16_t, kElements> _heldValue{};
  // The nibbles waiting for a load: per DAC pair, channel A and B.
  std::array<std::array<std::uint16_t, 2>, 5> _dac12Input{};
  long _words = 0;
  std::vector<LatchChange> _latchChanges;
};
