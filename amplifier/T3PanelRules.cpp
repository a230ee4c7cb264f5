#include "amplifier/T3PanelRules.h"

#include <cmath>

#include "acquisition/ZRV.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Types.h"

namespace T3Panel {

void RangeError() { T3Error::Error = 25; }

bool InCurrentClamp() { return T3Types::State.Mode == kModeCurrentClamp; }

std::int32_t DacValue(int bits, double& value, double factor) {
  const double maximum = bits == 12 ? 4095.0 : 255.0;
  const double y = value * factor;
  if (!std::isfinite(y) || !std::isfinite(factor) || y < 0.0) {
    value = 0.0;
    return 0;
  }
  if (y > maximum) {
    value = maximum / factor;
    return static_cast<std::int32_t>(maximum);
  }
  return static_cast<std::int32_t>(std::lround(y));
}

double StimDacScaleRule(bool vrefX2) {
  const double scale = T3Scale::Scale.StimDacScale;
  if (ZRV::Status() != ZRV::StateClosed && scale != 0.0 && std::isfinite(1.0 / scale)) {
    return 1.0 / scale;
  }
  return vrefX2 ? 2.0 : 10.0;
}

}  // namespace T3Panel
