// Volts and codes of every simulated converter: 3200 units per volt, 16-bit
// codes, rounding half away from zero.
#pragma once

#include <cstdint>

namespace ZRVSimConverter {

constexpr double kUnitsPerVolt = 3200.0;

double DacVolts(std::int16_t code);
// The code of volts x gain; clipped := whether it lay beyond the codes.
std::int16_t AdcCode(double volts, int gain, bool& clipped);

}  // namespace ZRVSimConverter
