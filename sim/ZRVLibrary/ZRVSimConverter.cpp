#include "sim/ZRVLibrary/ZRVSimConverter.h"

#include <cmath>

namespace ZRVSimConverter {

double DacVolts(std::int16_t code) { return code / kUnitsPerVolt; }

std::int16_t AdcCode(double volts, int gain, bool& clipped) {
  const double units = std::round(volts * gain * kUnitsPerVolt);
  clipped = !(units >= -32768.0 && units <= 32767.0);
  if (units >= 32767.0) return 32767;
  if (!(units > -32768.0)) return -32768;
  return static_cast<std::int16_t>(units);
}

}  // namespace ZRVSimConverter
