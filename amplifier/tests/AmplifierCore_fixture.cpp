#include "amplifier/tests/AmplifierCore_fixture.h"

#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Set.h"

void StartAmplifierCore(char letter) {
  T3Base::InitModule();
  T3Error::InitModule();
  T3Scale::LoadDefaults();
  T3Panel::InitModule();
  T3Select::InitModule();
  T3Set::InitModule();
  T3Base::BoardVersion = letter;
}

BoardElements BoardPart(const std::uint16_t* values) {
  BoardElements elements{};
  for (int address = 0; address < 46; ++address) {
    const std::uint16_t mask = address < 14 ? 0xFF : address < 24 ? 0xFFF : 0xF;
    elements[address] = values[address] & mask;
  }
  return elements;
}
