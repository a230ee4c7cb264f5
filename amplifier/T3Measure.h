// The measurements of the self-tests and the calibration runs, with the
// amplifier's test-DAC output and multiplexer routing put as the caller
// asks first (T3Panel::SetQTestDac where a wrapper has testDacOff, then
// SetQMuxAdc); the measurement itself is ADMeasure's of the same name, its
// results passed through. dac: DA output, adc: AD input, amplitude in
// volts, interval in seconds. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace T3Measure {

// The gain from DA output dac to AD input adc for a step of amplitude
// volts, sampled at 0.1 ms.
double Gain(std::int32_t dac, std::int32_t adc, double amplitude, bool testDacOff, bool muxToAdc);

// Mean and RMS (volts) of points samples of adc at interval seconds.
void MeanAndRms(std::int32_t adc, double interval, std::int32_t points, double& mean, double& rms,
                bool muxToAdc);

// The time constant (s) of the square response from index start on, its
// amplitude and base relative to the stimulus (ratio mode).
bool TimeConstant(std::int32_t dac, std::int32_t adc, double amplitude, double interval, std::int32_t start,
                  double& tau, double& tauAmplitude, double& base, bool testDacOff, bool muxToAdc);

// Gain and phase (degrees) at the frequency of a sine of pointsPerPeriod
// points, over periods periods.
void GainAndPhase(std::int32_t dac, std::int32_t adc, double amplitude, double interval,
                  std::int32_t pointsPerPeriod, std::int32_t periods, double& gain, double& phase,
                  bool testDacOff, bool muxToAdc);

// The gain and the part of the step not yet reached in the first three
// samples after it.
void RiseTime(std::int32_t dac, std::int32_t adc, double amplitude, double interval, double& gain,
              std::array<double, 3>& fractions, bool testDacOff, bool muxToAdc);

// The last acquisition's point count and extreme codes, under the name.
void DataArrayInfo(std::span<const char> name);

}  // namespace T3Measure
