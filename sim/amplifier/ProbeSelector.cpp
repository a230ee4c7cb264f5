#include "sim/amplifier/ProbeSelector.h"

namespace {

constexpr std::uint16_t kDacWord = 0x80;
constexpr std::uint16_t kEEPROMWord = 0x40;
constexpr std::uint16_t kEEPROMLine = 0x800;
constexpr int kLoad = 3;

}  // namespace

ProbeSelector::ProbeSelector(const ProbeSelectorConfig& config)
    : _config(config), _chip(FreshSmallImage(config.eeprom_text), {}, config.eeprom_faults) {}

bool ProbeSelector::Serves(int rack_board) const {
  return rack_board >= _config.first_board && rack_board < _config.first_board + _config.boards;
}

double ProbeSelector::HoldingVolts() const { return (2048.0 - _dacUnits) / 10240.0; }

void ProbeSelector::Word(std::uint16_t word, const SampleInstant& at) {
  const int high = (word >> 12) & 3;
  const int nibble = (word >> 8) & 0xF;
  if ((word & kDacWord) != 0) {
    if (high == kLoad) {
      _dacUnits = _dacInput;
    } else {
      const int shift = 4 * high;
      _dacInput = (_dacInput & ~(0xF << shift)) | (nibble << shift);
    }
    return;
  }
  if (!Serves(high)) return;
  if ((word & kEEPROMWord) != 0) {
    _eepromLine = (word & kEEPROMLine) != 0;
    _chip.Step(_eepromLine, _lines, at.clock_seconds);
    return;
  }
  if (nibble < _config.probes) _probe[static_cast<std::size_t>(high)] = nibble + 1;
}

bool ProbeSelector::Lines(SerialLines lines, const SampleInstant& at) {
  _lines = lines;
  return _chip.Step(_eepromLine, lines, at.clock_seconds);
}
