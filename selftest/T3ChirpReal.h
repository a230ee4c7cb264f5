// The chirp measurement of the self-tests: the amplifier's test-DAC output
// and multiplexer routing put as the caller asks, then ChirpReal's averaged
// acquisition. Main thread only.
#pragma once

#include <cstdint>
#include <span>

namespace T3ChirpReal {

// T3Panel::SetQTestDac(testDacOff), T3Panel::SetQMuxAdc(muxToAdc), then
// ChirpReal::AcquireAverage with the other arguments: FALSE on saturation.
bool AcquireAverage(std::int32_t dac, std::int32_t adc, double amplitude, double& interval, std::int32_t n,
                    std::int32_t repeats, std::int32_t acquisitions, std::span<float> chirp,
                    std::span<std::int16_t> work, std::int32_t& amplitudeCodes, bool testDacOff, bool muxToAdc);

}  // namespace T3ChirpReal
