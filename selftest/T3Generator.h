// The test signals of the self-tests beyond the AD/DA layer's measurements:
// the square wave of the live test-signal view with its trigger pulse on a
// second DAC, the integrator's rate from a square wave (which the
// integrator turns into a triangle), and the time course of one amplifier
// switch, played as command words while a monitor is sampled.
//
// Buffers carry their capacity: a count beyond it gives FALSE and plays
// nothing. Every sweep waits for its samples. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace T3Generator {

inline constexpr std::int32_t kGenLength = 8000;

// The DAC and trigger DAC of the last sweep, as given; -1 before any.
// Stop leaves them.
extern std::int32_t GeneratorDac;
extern std::int32_t GeneratorTrigDac;
// The main waveform and the trigger waveform of the last sweep; the main
// one also receives the second (repeated) ADC's samples.
extern std::array<std::array<std::int16_t, kGenLength>, 2> GenArray;

// One sweep of n + 1 samples per channel at twice the interval: two square
// periods of +-amplitude on dac (quarters of n div 4 samples, the last
// sample 0), a 5 V pulse on |trig| at sample 2q - (2q div 16) + 1, adc
// sampled into data. The AD/DA layer's result; FALSE with nothing played
// when n + 1 samples do not fit data or the generator's buffers.
bool StimAndSample(std::int32_t dac, std::int32_t trig, std::int32_t adc, double amplitude, double interval,
                   std::int32_t n, std::span<std::int16_t> data);
// Halts the board and puts the last sweep's DACs to 0 (a negative number is
// left alone).
void Stop();
// The path's integration rate in 1/s from a square wave of the amplitude
// (half period 50 samples at 0.1 ms, ten cycles averaged); 1e-10 for 0 V.
double TriangleGain(std::int32_t dac, std::int32_t adc, double amplitude);
// Plays count idle words of the element with the strobe word at `index` on
// the amplifier port (output 9) while sampling adc into the same buffer.
// The AD/DA layer's result; FALSE with nothing played when count does not
// fit the buffer or index lies outside 0 .. count - 1.
bool SwitchTimeCourse(std::int32_t address, std::int32_t index, std::int32_t data, std::int32_t adc,
                      double interval, std::int32_t count, std::span<std::int16_t> buffer);

void InitModule();

}  // namespace T3Generator
