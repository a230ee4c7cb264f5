// The probe (head stage) tests of one amplifier board or probe-selector
// position: the operator's requests for the model circuit and the shielded
// input, the input gain through 10 MOhm, the common-mode rejection, the
// offsets of the three gain ranges, the probe output, the transfer through
// the 1 pF and 10 pF test capacitors, the noise spectra and, on boards that
// have one, the reference-gain trim DAC.
//
// The model circuit is "RV4" on TLV 4 and later, "RV3" before. Two probes
// are told apart by their input gain: the TLV probe (0.5) and the TLV 1
// probe (50).
//
// Storing and reloading the scale record belongs to the calibration
// application, which sits above this layer: it registers its procedures
// with SetScaleFileProcs at start-up; unset, they fail.
//
// Test output: operator lines through TestIO, values with limits through
// Protocol, where a value outside its limits counts in Protocol::TestErrors.
// An abort sets TestBase::Aborted and makes the procedures FALSE; the
// results measured so far stay. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "numerics/SpectrumReal.h"
#include "selftest/TestResultsBlock.h"

namespace T3TestProbe {

using TestResultsBlock::ProbeTestResults;
using TestResultsBlock::RefGainTrimValues;

// ---- Registration -------------------------------------------------------------

// Loads the scale record for the present settings (from the EEPROM or the
// default scale file), and stores it (to the EEPROM or the scale file):
// FALSE on failure.
using ScaleFileProc = bool (*)();
struct ScaleFileProcs {
  ScaleFileProc load = nullptr;
  ScaleFileProc save = nullptr;
};
void SetScaleFileProcs(const ScaleFileProcs& procs);
// The registered procedures; FALSE while unset.
bool LoadScaleFile();
bool SaveScaleFile();

// ---- The sequence ---------------------------------------------------------------

// The probe test sequence of the full test. Without inputTest the input
// test counts as passed and results.IsTlv1Probe keeps its value. TRUE when
// it ran to its end without abort, the noise loop reached the first tested
// range (1 with a TLV 1 probe, else 0) and the input test passed. The
// reference-gain trim's result does not enter it.
bool All(ProbeTestResults& results, bool tlv1Expected, bool inputTest, bool request10M, bool allowCancel);

// The probe output with the stimulus at 0 V and 5 V, and their difference.
void ProbeOut(ProbeTestResults& results);
// The gain from the stimulus DAC to the current monitor after the power-on
// state: at least 3 with the model circuit at 10 MOhm, 0.05 to 3 at
// 0.5 GOhm, below 0.24 with nothing connected.
double RV3_SwitchGain();

// ---- Operator requests ------------------------------------------------------------
// Each is an Alert::Choice of "Abort", a middle button and "Continue",
// shown (with a beep) until the check of "Continue" passes. FALSE on
// Abort, or when the box gives no answer.

bool Request10MOhmResistor();
// With allowCancel, after a failed check the middle button "Cancel"
// accepts without a further check.
bool DoRequest10MOhmResistor(bool allowCancel);
bool Request500MOhmResistor();
// announce: the model circuit is needed next; allProbes: every probe of
// the rack.
bool RequestRemoveAndShield(bool announce, bool allProbes);

// ---- Noise spectra ------------------------------------------------------------------

// The chirp work buffer: after a noise measurement the gain of each bin
// from index 0 and the phases from index 1024. The sampled trace.
extern std::array<float, 4096> ChirpArray;
extern std::array<std::int16_t, 4096> IntArray;
// The compressed spectrum of the last noise measurement.
extern SpectrumReal::SpectrumRecord Spectrum;

inline constexpr int kNoiseRanges = 3;
inline constexpr int kNoiseBands = 4;

// The noise of range 0 (low), 1 (medium) or 2 (high) in four bands
// (results.Noise[range]): the signal path's transfer by a chirp through the
// test DAC, then 50 traces' averaged power spectrum, scaled by scale / (3200
// x the gain factor), referred to the input and compressed. With pause the
// gain factor keeps being set until Continue. An abort leaves the range's
// bands as they were.
void MeasureNoise(int range, double scale, bool pause, ProbeTestResults& results);
// TRUE when every sample lies within margin of the samples' mean (truncated
// to an integer), the bounds clipped to -8192 and +8192.
bool InBounds(std::span<const std::int16_t> samples, std::int32_t count, std::int32_t margin);
// The mean of the record's values first .. first + count - 1.
double AvgSpectrum(const SpectrumReal::SpectrumRecord& record, int first, int count);

// ---- Reference-gain trim ---------------------------------------------------------------

// Asks for the trim's set-up: TRUE on "Continue".
bool RequestRefGainTrimDac();
// Both V-ref x2 settings, each stored in its scale record: TRUE when no
// adjustment (nor the store of its record) failed.
bool CalibrateRefGainTrimDac(RefGainTrimValues& values);
// Searches the trim DAC value at which a step on the reference input does
// not show at the current monitor (verbose: a line per pass). TRUE with the
// value when the search converged within 100 passes; FALSE with NaN
// otherwise (a search that ends at a bound has found no null), and at once on a board without the trim. The bath sense and
// the trim are the state's again afterwards.
bool AdjustRefGainTrimDac(bool verbose, double& value);
// The response to the step with the trim DAC at 3995 and at 100; nothing on
// a board without the trim.
void RefGainTrimDacMinMax(double& at3995, double& at100);
// The report block "RefGainTrimDac" and "RefGainTrimSpan": with calibrate
// both settings, stored; without, the present one.
bool DoAdjustRefGainTrimDac(bool calibrate, RefGainTrimValues& values);

}  // namespace T3TestProbe
