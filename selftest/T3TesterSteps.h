// What the board test's blocks share beyond T3Tester.h: the channels of the
// selected board, the mean and noise of a monitor, the chirp responses and
// their evaluations, and the amplifier layer's measurements into the
// result groups.
//
// A value the blocks cannot compute (a chirp that saturated, a corner, a
// -3 dB point or a gain not found) becomes NaN, so that the report marks
// and counts it instead of judging an earlier run's value; the message line
// names what failed. Main thread only; used by the block sources of
// T3Tester only.
#pragma once

#include <cstdint>
#include <span>

#include "selftest/ProtocolTypes.h"

namespace T3Tester::Steps {

using Protocol::ExponentialValues;
using Protocol::FrequencyResponseValues;
using Protocol::RiseTimeValues;
using Protocol::SpanValues;
using Protocol::TransferValues;

inline constexpr std::int32_t kChirpPoints = 256;
inline constexpr std::int32_t kChirpRepeats = 15;

// The AD/DA channels of the selected board.
struct Channels {
  std::int32_t testDac;
  std::int32_t stimDac;
  std::int32_t muxAdc;
  std::int32_t imonAdc;
};
Channels Board();

void Wait(double seconds);
// 512 samples at 50 us: the mean and the RMS.
void MeanAndNoise(std::int32_t adc, double& mean, double& noise, bool muxToAdc);
// The mean into value, the larger RMS into noise.
void MeanKeepingNoise(std::int32_t adc, double& value, double& noise, bool muxToAdc);
// A new line and the text on the test terminal.
void Message(std::span<const char> text);

// A chirp response (256 points unless set) in a work buffer of the chirp length's four
// arrays: the transfer function (gains, then phases) at its start.
struct Chirp {
  std::span<float> work;
  std::int32_t n = kChirpPoints;
  double interval = 0.0;
};
// Makes the chirp of n points in the work buffer; FALSE for a short buffer.
bool MakeChirp(Chirp& chirp);
// Acquires (15 repeats unless set, one acquisition; T3Tester::IntArray the data) and,
// unless saturated, transforms it with the reference phase (the response
// negated first when asked). A saturated acquisition writes failureText
// when it is not empty and gives FALSE; with reportFailure FALSE it is
// evaluated like any other.
struct ChirpRun {
  std::int32_t dac;
  std::int32_t adc;
  double amplitude;
  double interval;
  bool testDacOff;
  bool muxToAdc;
  double referencePhase;
  bool negate = false;
  std::span<const char> failureText = "Error in Chirp Acquire";
  bool reportFailure = true;
  std::int32_t repeats = kChirpRepeats;
};
bool Acquire(Chirp& chirp, const ChirpRun& run);
// a := a / b, the phases brought into [referencePhase, referencePhase +
// 360).
void Ratio(Chirp& a, const Chirp& b, double referencePhase);

// The chirp's transfer function (gains and phases).
std::span<float> Transfer(const Chirp& chirp);
// Corner and Q where the phase falls through seekPhase, from startHz on;
// NaN and "Error in FindCornerFrequencyAndQ" when not found.
void Corner(const Chirp& chirp, double seekPhase, double startHz, FrequencyResponseValues& values);
// The -3 dB frequency from startHz on into fo; NaN and "Error in
// FindMinus3db" when not found.
void Minus3db(const Chirp& chirp, double startHz, double& fo);
// The gain at hz; NaN and "Error in FindGainFromFreq" when out of range.
void GainAt(const Chirp& chirp, double hz, double& gain);
// Every value a chirp would have given, NaN.
void Unmeasured(FrequencyResponseValues& values);

// The time constant of the square response (ratio mode) into values; FALSE
// when no decay was found (tau as the fit left it).
bool TimeConstant(std::int32_t dac, std::int32_t adc, double amplitude, double interval, std::int32_t start,
                  bool testDacOff, bool muxToAdc, ExponentialValues& values);
// The step's gain and the parts of it not reached at the first three
// samples.
void RiseTime(std::int32_t dac, std::int32_t adc, double amplitude, double interval, bool testDacOff,
              bool muxToAdc, RiseTimeValues& values);
// The gain of a sine of pointsPerPeriod points, `periods` periods.
double SineGain(std::int32_t dac, std::int32_t adc, double amplitude, double interval,
                std::int32_t pointsPerPeriod, std::int32_t periods, bool testDacOff, bool muxToAdc);

// The DAC code for full scale, in either direction, on the test DAC.
inline constexpr std::int32_t kFullScaleCode = 0x7FFF;

// ---- The rules the blocks judge by ----------------------------------------------

// A wide-range probe: its offset DAC moves it to -0.6 V or below and above
// 0.6 V, and its span is judged by the wide-range limits.
bool WideProbeOffset(const SpanValues& span);
// The gain at 50 kHz, divided by 6.25 x the gain of HF-compensation
// transfer 2 when that exceeds 0.1.
double ScaledHFGain(double gain, double hfCompGain);
// Filter 2's kind by its quality at high Q: original below 1, else new (a
// q not found as well).
inline constexpr std::uint8_t kFilter2Original = 1;
inline constexpr std::uint8_t kFilter2New = 2;
std::uint8_t Filter2Kind(double q);

}  // namespace T3Tester::Steps
