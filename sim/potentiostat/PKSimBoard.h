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
// A board may carry a page EEPROM (sim/amplifier/SerialEEPROM.h): it is
// selected while the board is selected and latch 32 bit 0 is set, and sees
// the EEPROM lines of the port's resting samples (data in bit 8, clock bit
// 9). Its multiplexer (latch 41) reaches the mux ADC line while the board is
// selected and latch 35 bit 3 is clear: channel 14 carries the booster's
// sense voltage (0 V without a booster), every other channel 0 V.
//
// PKSimBus is what the command port's decoder hands the strobed words to:
// it keeps them all in order (address, data, bit 15, instant) and passes
// those in PK form to every board on the bus: words with bit 15 clear, or,
// on a port where the PK words carry bit 15 as the amplifier's do (the
// ZRV-24's single port), words with it set, so there both families hear
// each other. It also drives the boards' shared lines: the
// EEPROMs' read-back, the mux ADC line and the status bits of the status
// port (bit 8 the disk amplifier's overload, bit 9 the ring amplifier's,
// bit 10 the manual standby switch).
//
// With the analog model (UseAnalogModel, sim/potentiostat/PKSimAnalog.h)
// each board's multiplexer shows its analog nodes (channel 14 stays the
// booster's) and its voltage and current monitors drive their AD lines.
//
// Built from the boards' register tables alone. Not thread-safe: one thread
// drives a bus.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/amplifier/SerialEEPROM.h"
#include "sim/potentiostat/PKSimAnalog.h"

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

  // Fits the board with a page EEPROM holding the image (padded with 0xFF;
  // image_file as SerialEEPROM takes it).
  void FitEEPROM(std::vector<std::uint8_t> image, std::string image_file = {}, const SerialEEPROMFaults& faults = {});
  // Nil without one.
  PageEEPROM* EEPROM() { return eeprom_.get(); }
  bool EEPROMSelected() const;
  // Steps the chip with the lines; TRUE when it took a bit.
  bool EEPROMLines(SerialLines lines, double clock_seconds);
  bool EEPROMDataOut(double clock_seconds) const;

  // The booster's sense voltage on multiplexer channel 14.
  void SetBoosterVolts(double volts) { booster_volts_ = volts; }
  // What the board puts on the mux ADC line; nothing while it is off it.
  std::optional<double> MuxAdcVolts() const;

 private:
  void Latch(unsigned even, std::uint8_t data);
  void Dac12(unsigned even, std::uint8_t data);
  void Dac16(unsigned strobe);

  PKSimModel model_;
  std::array<std::uint16_t, 64> registers_{};
  // Nibbles of each 12-bit DAC pair waiting for their load word, per channel.
  std::array<std::array<std::array<std::uint8_t, 3>, 2>, 64> nibbles_{};
  int route_mismatches_ = 0;
  std::unique_ptr<PageEEPROM> eeprom_;
  double booster_volts_ = 0.0;
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
  void Attach(PKSimBoard* board) {
    boards_.push_back(board);
    analog_.emplace_back();
  }
  bool HasBoards() const { return !boards_.empty(); }
  void SetPKWordsCarryBit15(bool carry) { pk_words_carry_bit15_ = carry; }

  void Strobe(std::uint16_t word, double instant);

  const std::vector<PKSimWord>& Recorded() const { return recorded_; }
  void ClearRecord() { recorded_.clear(); }

  // The EEPROM lines of a resting sample to every board's chip; the bits
  // taken.
  int EEPROMLines(SerialLines lines, double clock_seconds);
  bool EEPROMDataOut(double clock_seconds) const;
  // The first board on the mux ADC line.
  std::optional<double> MuxAdcVolts() const;

  // Gives every board on the bus its analog model with the seeded truths.
  void UseAnalogModel(unsigned seed);
  // Nil without the model or the board.
  PKSimAnalog* Analog(PKSimModel model);
  // Moves the analog models to the sweep's instant with the DAC voltages; a
  // sweep that starts again (an instant before the last) continues where
  // the last one ended.
  void Convert(double sweep_seconds, std::span<const double> dac_volts);
  // A monitor's AD line of a board with the model; nothing for the others.
  std::optional<double> AdVolts(int line) const;
  void SetStatus(std::uint16_t bits) { status_ = bits; }
  std::uint16_t Status() const { return status_; }

 private:
  std::vector<PKSimBoard*> boards_;
  std::vector<std::unique_ptr<PKSimAnalog>> analog_;  // by board, nil without the model
  std::vector<PKSimWord> recorded_;
  std::uint16_t status_ = 0;
  bool pk_words_carry_bit15_ = false;
  double origin_ = 0.0;
  double last_sweep_seconds_ = 0.0;
};
