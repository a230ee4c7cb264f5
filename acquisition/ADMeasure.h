// Analogue measurements of the signal path between one DA output and one AD
// input: gain, phase, time constants, delays, means and noise. Every
// measurement plays a stimulus template on the DA output, samples the AD
// input synchronously (ZRV), averages the periodic response over cycles and
// evaluates it; the templates, the cycle averaging and the evaluations also
// serve callers that acquire into arrays of their own.
//
// Samples are signed 16-bit DA/AD codes. Phases and delays are corrected
// for the board's timing: the DAC-to-ADC time shift of a board is the slot
// offsets of the two channels (ZRV::GetOffsets), the board's conversion
// delay and its sampling-instant correction; the amplifier layer sets those
// from GetCorrections whenever the board changes. With them, ADC sample i
// counts as taken one interval plus the shift after DAC sample i was put
// out, which is what the chirp measurement (ChirpReal) assumes too.
//
// The module owns four working arrays and holds one measurement at a time;
// main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "acquisition/ZRVBase.h"

namespace ADMeasure {

// ==== Interface =============================================================

inline constexpr std::int32_t SampleArrayLength = 1202;  // entries 0..1201
using SampleArray = std::array<std::int16_t, SampleArrayLength>;
using SumArrayType = std::array<std::int32_t, SampleArrayLength>;

// The stimulus template of the current measurement (DAC codes), the AD codes
// acquired, the cycle sums of the acquired data and the cycle average.
extern SampleArray StimArray;
extern SampleArray DataArray;
extern SumArrayType SumArray;
extern SampleArray AvgArray;

// The board timing corrections (GetCorrections) and the state of the last
// acquisition; all 0 after InitModule.
extern double DacToAdcDelay;     // seconds
extern double SampleCorrection;  // in sampling intervals
extern double InputFilterTau;    // seconds
extern double OutputFilterTau;   // seconds
extern std::int32_t LastPoints;  // points of the last acquisition into DataArray
// Verbosity: 0 silent; exactly 2 DataArrayInfo writes its line; above 2
// every measurement writes its intermediate values to the console.
extern std::int32_t TestWriteMode;

void InitModule();

// ---- Stimulus templates ------------------------------------------------------
// amplitude A in DAC codes, half period N in points; the template is written
// from its start, never beyond its end.

// A/2 for a half period, then cycles + 1 periods of -A and +A half periods
// (each copy of the period only while it fits), then -A/2 for a half period;
// sample 0 and, when a copy was made, the last sample written are 0. A block
// that does not fit is written up to the end and ends the template. With
// N = 50 and 10 cycles: 1200 points.
void MakeSquareWave(std::int32_t amplitude, std::int32_t halfPeriod, std::int32_t cycles,
                    std::span<std::int16_t> wave);
// Zeros, and from sample N up to cycles + 1 sine periods of 2N points (the
// negative half first, each only while it fits); the last sample written is
// 0.
void MakeSineWave(std::int32_t amplitude, std::int32_t halfPeriod, std::int32_t cycles,
                  std::span<std::int16_t> wave);
// As the sine, with triangles starting at sample N/2 (a period fits when it
// would have fitted from sample N); no sample is set to 0 at the end.
void MakeRampWave(std::int32_t amplitude, std::int32_t halfPeriod, std::int32_t cycles,
                  std::span<std::int16_t> wave);

// ---- Cycle averaging ----------------------------------------------------------

// Averages the periods of 2N points of data that start at `skip`: at most
// `cycles` of them, only whole periods present in the data. sums[0 .. 2N-1]
// := the sums, average[0 .. 2N-1] := sums / the number of periods summed (0
// when none). Gives that number; 0 and nothing written when sums or average
// hold fewer than 2N entries.
std::int32_t DoAverageCycles(std::int32_t halfPeriod, std::int32_t skip, std::int32_t cycles,
                             std::span<const std::int16_t> data, std::span<std::int32_t> sums,
                             std::span<std::int16_t> average);
// DoAverageCycles after the first period, which only settles.
std::int32_t AverageCycles(std::int32_t halfPeriod, std::int32_t cycles, std::span<const std::int16_t> data,
                           std::span<std::int32_t> sums, std::span<std::int16_t> average);
// Half the difference of the means of two windows of W points, centred in
// the two halves of an averaged square period (AD codes); 0 when W is 0 or
// wider than N, or the average is shorter than 2N.
double PeakAmplitude(std::span<const std::int16_t> average, std::int32_t halfPeriod, std::int32_t window);

// ---- Board timing ---------------------------------------------------------------

// The conversion delay (s), the input and output filter time constants (s)
// and the sampling-instant correction (intervals) of a board type; all 0 for
// a type without a board.
void GetCorrections(ZRVBase::BoardType board, double& delay, double& inputTau, double& outputTau,
                    double& sampleCorrection);
// Samples the AD data lag: 0 at every interval.
std::int32_t GetAdcLatency(double interval);
// The DAC-to-ADC time shift in seconds: DAC slot offset - ADC slot offset +
// DacToAdcDelay + SampleCorrection x interval.
double GetDacToAdcPhase(std::int32_t dacChannel, std::int32_t adcChannel, double interval);

// When TestWriteMode is exactly 2: the point count, largest and smallest
// code of the last acquisition into DataArray, with the codes at the ends
// of the range marked as overflow and underflow.
void DataArrayInfo(std::span<const char> name);

// ---- Measurements -----------------------------------------------------------------
// dac: DA output, adc: AD input; amplitude in volts, rounded to what the DAC
// makes; interval in seconds as asked (evaluations use the interval the
// board ran). A square-wave measurement plays MakeSquareWave(amplitude, 50,
// 10) and evaluates ten 100-point periods after the first.

// Output amplitude / input amplitude; 1e-10 without acquiring for an
// amplitude the DAC makes as 0.
double Gain(std::int32_t dac, std::int32_t adc, double amplitude, double interval);
// The time constant (s) of the square response, its amplitude and base
// relative to the stimulus amplitude, from GetTauFromSquareWave. An
// amplitude of 0: tau 1e-6, amplitude and base 0, FALSE, without acquiring.
bool TimeConstant(std::int32_t dac, std::int32_t adc, double amplitude, double interval, std::int32_t start,
                  bool ratioMode, double& tau, double& tauAmplitude, double& base);
// The three-point exponential on the cycle sums of one averaged square
// period (half period N, `cycles` periods summed) from index `start` on:
// tau in samples, amplitude and base in codes. FALSE, with tau 1,000,000 in
// ratio mode and 0 in difference mode, when the start lies outside the
// first half period or the sums hold less than a period, when the three
// points do not describe a decay (the ratio is at most 1.01; in difference
// mode the quotient is below 0.01 or not below 1), and FALSE with the tau
// found when cycles is 0.
bool GetTauFromSquareWave(std::int32_t start, std::int32_t halfPeriod, std::int32_t cycles, double interval,
                          bool ratioMode, std::span<const std::int32_t> sums, double& tau, double& amplitude,
                          double& base);
// The gain and, for the first three samples after the upward step, the part
// of the full step not yet reached. An amplitude of 0 sets all to 0; a path
// that shows no step gives gain 0 and fractions 1.
void RiseTime(std::int32_t dac, std::int32_t adc, double amplitude, double interval, double& gain,
              std::array<double, 3>& fractions);
// The delay in seconds from the step at the start of an averaged square
// period (cycle sums) to the half-level crossing in its first half, found
// from `start` on and interpolated between samples; 0 when the crossing is
// at index 0 or not in the first half, or the sums hold less than a period.
double DelayTime(std::span<const std::int32_t> sums, std::int32_t start, std::int32_t halfPeriod,
                 std::int32_t dac, std::int32_t adc, double interval);
// Gain and phase (degrees) at the frequency of a sine of N points per
// period, averaged over K periods after two settling periods (K is reduced
// to what fits in the arrays). The phase counts from the sine the DAC put
// out, corrected for the board's timing but not for its filters. Gain and
// phase 0 without acquiring when N is below 2 or above 100, K is 0, or the
// DAC makes the amplitude as 0; with N = 2 the phase is 0 and the gain half
// the magnitude.
void GainAndPhase(std::int32_t dac, std::int32_t adc, double amplitude, double interval,
                  std::int32_t pointsPerPeriod, std::int32_t periods, double& gain, double& phase);
// Mean and RMS (V) of `points` samples without the first; fewer than 2
// points give 0 and 0 without acquiring, more than 1201 are taken as 1202.
void MeanAndRms(std::int32_t adc, double interval, std::int32_t points, double& mean, double& rms);
// Mean and RMS (V) of the codes; the data are offset in place by minus the
// mean, truncated. RMS 0 for fewer than 2 codes.
void ComputeMeanAndRms(std::int32_t adc, std::span<std::int16_t> data, double& mean, double& rms);
// AD noise over ten runs of 512 samples in 8 blocks of 64: the variance of
// the samples about their block means and the variance of the block means
// (codes squared).
void Variance(std::int32_t adc, double interval, double& variance, double& blockVariance);
// The mean (V) of 50 samples at 20 us; 0 when closed or on failure.
double SampleMean(std::int32_t adc);
// The same for two inputs sampled together; both 0 when closed or on failure.
void Sample2Means(std::int32_t adcA, std::int32_t adcB, double& meanA, double& meanB);
// From a triangle response: half the difference between the window means of
// the rising and the falling half (V), the window running from the start to
// the end fraction of the half period; 0 for an empty window.
double MeanFromRamp(std::int32_t dac, std::int32_t adc, double amplitude, double interval,
                    double startFraction, double endFraction);

}  // namespace ADMeasure
