// The frequency response of the path from one DA output through a device to
// one AD input, in one sweep: a periodic chirp whose spectrum is flat over
// every frequency bin is played back to back several times while sampling;
// the periodic response is averaged, Fourier-transformed into gain and
// phase per bin with the board's timing and filter corrections removed
// (ADMeasure), and then evaluated: the frequency where the phase reaches a
// given value with the gain there relative to the lowest bin (corner
// frequency and Q), the frequency where the gain falls to a level (-3 dB),
// the frequency of the gain maximum, the gain at a frequency, the ratio of
// two transfer functions.
//
// n, the chirp length, is a power of two of at least 4 and the number of
// frequency bins; bin j stands for j / (n x interval). Only bins 1 to
// n/2 - 1 are measured: the evaluations look at no other.
//
// The caller owns every array:
//   - the work buffer, 4n singles seen as four arrays of n (WorkArrays):
//     MakeChirp leaves the chirp in Real2; AcquireAverage the averaged
//     response (AD codes) in Real1; TransformResponse the gain in Real1 and
//     the phase (degrees) in Imag1;
//   - a transfer function, 2n singles: the gains at 0..n-1, the phases
//     (degrees) at n..2n-1 (a transformed work buffer's first half is one);
//   - the data buffer of AcquireAverage, n x (repeats + 1) 16-bit samples,
//     stimulus and acquired samples at once.
// Main thread only.
#pragma once

#include <cstdint>
#include <span>

namespace ChirpReal {

// ==== Interface =============================================================

struct WorkArrays {
  std::span<float> Real1;
  std::span<float> Imag1;
  std::span<float> Real2;
  std::span<float> Imag2;
};

// TRUE for a power of two of at least 4.
bool IsValidLength(std::int32_t n);
// The four arrays of a work buffer of at least 4n singles; empty arrays for
// a shorter buffer.
WorkArrays SetPointers(std::int32_t n, std::span<float> work);

// The chirp into Real2: bin j (1 .. n/2 - 1) has magnitude 1 and phase
// -2 pi (j^2 mod n) / n, bin n/2 is 1, bin 0 is 0; scaled by sqrt(0.5 / n).
// The other arrays are cleared or used as scratch. FALSE, with nothing
// done, for an invalid n or a short work buffer.
bool MakeChirp(std::int32_t n, std::span<float> work);

// Plays the chirp of MakeChirp (amplitude in volts, rounded to what the DAC
// makes; amplitudeCodes := its DAC codes) repeats + 1 times back to back
// while sampling, `acquisitions` times, and averages every chirp period but
// the first of each acquisition into Real1 (AD codes). interval as asked
// and (out) as run. FALSE when the average saturates (beyond +-32000 codes;
// the average stays in Real1), and FALSE with nothing done for an invalid
// n, fewer than 1 repeat or acquisition, or a buffer too short.
bool AcquireAverage(std::int32_t dac, std::int32_t adc, double amplitude, double& interval, std::int32_t n,
                    std::int32_t repeats, std::int32_t acquisitions, std::span<float> work,
                    std::span<std::int16_t> data, std::int32_t& amplitudeCodes);

// Gain and phase (degrees, brought into [referencePhase, referencePhase +
// 360)) per bin of the averaged response in Real1, into Real1 and Imag1:
// TransformResponseExt with the outputs on the inputs and k = 2.
bool TransformResponse(std::int32_t n, std::int32_t amplitudeCodes, double referencePhase, std::int32_t dac,
                       std::int32_t adc, double interval, std::span<float> work);
// re (overwritten) holds the averaged response of a chirp of amplitudeCodes
// codes; im is scratch. With h = k/2 and m = n/h, bins 1 .. m/2 - 1 of the
// outputs get the gain and phase with the chirp's own phase, the DAC's hold,
// the board's DAC-to-ADC time shift and its input and output filters (the
// input filter's gain squared on the QRN 5+5) removed. The outputs may be
// the inputs. FALSE, with nothing done, for an invalid n, k below 2, an
// amplitude of 0 or arrays shorter than n.
bool TransformResponseExt(std::int32_t n, std::int32_t amplitudeCodes, double referencePhase,
                          std::int32_t dac, std::int32_t adc, double interval, std::span<float> re,
                          std::span<float> im, std::span<float> gainOut, std::span<float> phaseOut,
                          std::int32_t k);

// a := a / b for the measured bins: gains divided, phases subtracted and
// brought into [referencePhase, referencePhase + 360). Gives the number of
// bins divided (n/2 - 1; 0 for an invalid n or short arrays).
std::int32_t TransferFunctionRatio(std::int32_t n, std::span<float> a, std::span<const float> b,
                                   double referencePhase);
std::int32_t TransferFunctionRatioExt(std::int32_t n, std::span<float> gainA, std::span<float> phaseA,
                                      std::span<const float> gainB, std::span<const float> phaseB,
                                      double referencePhase);

// The searches over a transfer function of n bins start at the bin of
// startFrequency (n/4 when that lies at or above a quarter of the sampling
// rate; at least bin 1) and never leave bins 1 .. n/2 - 1. A search that
// runs into a bound gives FALSE with the frequency of that bound; so does an
// invalid n or a short transfer function (frequency 0).

// The frequency where the phase falls through seekPhase (the last bin whose
// phase, taken within seekPhase +- 180, is not below it, interpolated
// towards the next bin) and q := the gain there / the gain of bin 1 (0 when
// bin 1 has no gain).
bool FindCornerFrequencyAndQ(double interval, std::int32_t n, std::span<const float> transfer,
                             double seekPhase, double startFrequency, double& frequency, double& q);
// The frequency where the gain falls below level x the gain of bin 1.
bool FindFrequency(double level, double interval, std::int32_t n, std::span<const float> transfer,
                   double startFrequency, double& frequency);
// FindFrequency at level 0.707.
bool FindMinus3db(double interval, std::int32_t n, std::span<const float> transfer, double startFrequency,
                  double& frequency);
// The frequency of the first bin whose window of `window` gains (at least
// 1, no more than the measured bins from the start hold) has the largest
// mean.
void FindFrequencyAtMaximum(double interval, std::int32_t n, std::span<const float> transfer,
                            double startFrequency, std::int32_t window, double& frequency);
// The gain of the bin nearest the frequency; FALSE with gain 0 when that
// bin is not measured.
bool FindGainFromFreq(double interval, std::int32_t n, std::span<const float> transfer, double frequency,
                      double& gain);

// Magnitude and phase in degrees in (-360, 0]; phase unchanged when the
// magnitude is 0.
void ConvertToPolar(double re, double im, double& magnitude, double& phase);
// The first-order low-pass magnitude 1 / sqrt(1 + (omega tau)^2).
double TimeConstant(double tau, double omega);

}  // namespace ChirpReal
