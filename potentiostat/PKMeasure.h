#pragma once

// Measurement primitives of the PK calibration tests on the AD/DA board:
// nulling an offset by driving a DAC until an ADC reading crosses zero, a
// DAC-to-ADC gain, the common-mode response of one sine on two DACs, and
// the current monitor's noise.
//
// Failures are reported through PKTypes::Error only: 13 when AdjustOffset
// runs out of time, 16 when it runs out of rounds and when CMR cannot
// measure. AdjustOffset clears the error at its start; CMR keeps an earlier
// one. Main thread only; the samples go through ADMeasure's arrays.

#include <cstdint>

namespace PKMeasure {

// What CMR gives when it cannot measure: the largest single-precision
// value, so that every limit check fails.
inline constexpr double kNoResponse = 3.402823466385288e38;

// Searches the DAC value (0 .. upperBound) at which the mean of the second
// half of 1,200 samples of adcChannel at 0.1 ms (negated when invert)
// crosses zero. dacValue is the start (1 when it is 0) and, on return, the
// last value tried; apply sends dacValue to the hardware after each step.
// At most trunc(upperBound / 20) rounds, and no longer than
// PKTypes::OffsetTimeout seconds on the program's clock. TRUE when the
// search converged inside its bounds; a zero found only at a bound gives
// FALSE with no error code.
bool AdjustOffset(std::uint16_t& dacValue, std::int32_t adcChannel, void (*apply)(), std::int32_t upperBound,
                  bool invert);

// A square-wave gain at 0.1 ms sampling: output over input.
double Gain(std::int32_t dacChannel, std::int32_t adcChannel, double amplitude);

// The RMS response (V per V of amplitude, as sqrt(sum of squares of one
// averaged period / (units per volt x amplitude))) of adcChannel to one sine
// of `amplitude` volts (half-period 50 points at 1 ms, 10 cycles) played on
// both DAC channels at once. `first` is handed to the acquisition as its
// flags. Amplitude 0 touches no hardware; it and a failed acquisition give
// kNoResponse and error 16 unless an error stands.
double CMR(std::int32_t first, std::int32_t dacChannel1, std::int32_t dacChannel2, std::int32_t adcChannel,
           double amplitude);

// RMS noise of the current monitor (PKTypes::State's current ADC) in
// amperes, by its current gain.
double Noise();

}  // namespace PKMeasure
