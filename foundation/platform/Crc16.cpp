#include "foundation/platform/Crc16.h"

#include <array>

namespace Platform {

namespace {

constexpr std::uint16_t kReflectedPolynomial = 0xA001;

// Built by the compiler, so there is no first-use initialisation to race on.
constexpr std::array<std::uint16_t, 256> crc_tab16 = [] {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    unsigned c = 0;
    unsigned a = i;
    for (int bit = 0; bit < 8; ++bit) {
      c = ((c ^ a) & 1U) != 0 ? (c >> 1) ^ kReflectedPolynomial : c >> 1;
      a >>= 1;
    }
    table[i] = static_cast<std::uint16_t>(c);
  }
  return table;
}();

}  // namespace

std::uint16_t CRC16_Compute(std::uint16_t crc, std::uint8_t byte) {
  return static_cast<std::uint16_t>(((crc >> 8) & 0xFF) ^ crc_tab16[(crc ^ byte) & 0xFF]);
}

}  // namespace Platform
