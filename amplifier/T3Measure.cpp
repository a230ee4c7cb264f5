#include "amplifier/T3Measure.h"

#include "acquisition/ADMeasure.h"
#include "amplifier/T3Panel.h"

namespace T3Measure {

double Gain(std::int32_t dac, std::int32_t adc, double amplitude, bool testDacOff, bool muxToAdc) {
  T3Panel::SetQTestDac(testDacOff);
  T3Panel::SetQMuxAdc(muxToAdc);
  return ADMeasure::Gain(dac, adc, amplitude, 1e-4);
}

void MeanAndRms(std::int32_t adc, double interval, std::int32_t points, double& mean, double& rms,
                bool muxToAdc) {
  T3Panel::SetQMuxAdc(muxToAdc);
  ADMeasure::MeanAndRms(adc, interval, points, mean, rms);
}

}  // namespace T3Measure
