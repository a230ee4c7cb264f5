#include "sim/amplifier/AmplifierBoardElements.h"

namespace {

constexpr int kLoadIndex = 3;

}  // namespace

void AmplifierBoardElements::Word(int address, std::uint8_t data, const SampleInstant& at) {
  if (address < 0 || address >= kElements) return;
  ++_words;
  if (address < kFirstDac12) {
    _elements[static_cast<std::size_t>(address)] = data;
    return;
  }
  if (address < kFirstLatch) {
    const int pair = (address - kFirstDac12) / 2;
    const int channel = (data >> 6) & 1;
    const int index = (data >> 4) & 3;
    std::uint16_t& input = _dac12Input[static_cast<std::size_t>(pair)][static_cast<std::size_t>(channel)];
    if (index == kLoadIndex) {
      _elements[static_cast<std::size_t>(kFirstDac12 + 2 * pair + channel)] = input;
    } else {
      const int shift = 4 * index;
      input = static_cast<std::uint16_t>((input & ~(0xF << shift)) | ((data & 0xF) << shift));
    }
    return;
  }
  const int even = address & ~1;
  SetLatch(even, data & 0xF, at);
  SetLatch(even + 1, data >> 4, at);
}

void AmplifierBoardElements::Hold(int address, std::uint16_t mask, std::uint16_t value) {
  if (address < 0 || address >= kElements) return;
  _heldMask[static_cast<std::size_t>(address)] = mask;
  _heldValue[static_cast<std::size_t>(address)] = value;
}

void AmplifierBoardElements::SetLatch(int address, std::uint16_t value, const SampleInstant& at) {
  std::uint16_t& element = _elements[static_cast<std::size_t>(address)];
  if (element != value) _latchChanges.push_back({address, value, at});
  element = value;
  _strobes[static_cast<std::size_t>(address)] = at;
}
