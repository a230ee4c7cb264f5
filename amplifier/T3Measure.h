// The measurements of the self-tests and the calibration runs, with the
// amplifier's test-DAC output and multiplexer routing put as the caller
// asks first (T3Panel::SetQTestDac, SetQMuxAdc); the measurement itself is
// ADMeasure's of the same name, its results passed through. Main thread
// only.
#pragma once

#include <cstdint>

namespace T3Measure {

// The gain from DA output dac to AD input adc for a step of amplitude
// volts, sampled at 0.1 ms.
double Gain(std::int32_t dac, std::int32_t adc, double amplitude, bool testDacOff, bool muxToAdc);

// Mean and RMS (volts) of points samples of adc at interval seconds.
void MeanAndRms(std::int32_t adc, double interval, std::int32_t points, double& mean, double& rms,
                bool muxToAdc);

}  // namespace T3Measure
