#include "selftest/T3ChirpReal.h"

#include "acquisition/ChirpReal.h"
#include "amplifier/T3Panel.h"

namespace T3ChirpReal {

bool AcquireAverage(std::int32_t dac, std::int32_t adc, double amplitude, double& interval, std::int32_t n,
                    std::int32_t repeats, std::int32_t acquisitions, std::span<float> chirp,
                    std::span<std::int16_t> work, std::int32_t& amplitudeCodes, bool testDacOff, bool muxToAdc) {
  T3Panel::SetQTestDac(testDacOff);
  T3Panel::SetQMuxAdc(muxToAdc);
  return ChirpReal::AcquireAverage(dac, adc, amplitude, interval, n, repeats, acquisitions, chirp, work,
                                   amplitudeCodes);
}

}  // namespace T3ChirpReal
