#pragma once

// What every PK calibration test shares (K5Measure's own procedures, in a
// header of their own so that the tests of every group use one harness):
// the step frame, the board set-up, the mux- and stimulus-corrected
// measurements, the DAC search, and the filter dynamics measurements.
//
// Corrections: a reading on the mux ADC is corrected with the x1 pair of
// K5Measure::Loc (MuxGain, MuxOffset) or, while Loc.MuxX100Active, the x100
// pair: (v + offset) x gain. A gain from the stimulus DAC with a stimulus
// scale s (not kNoStimScale) is multiplied by Loc.StimFilterFactor x
// Loc.StimScaleFactor[s]. Means and RMS take 512 samples.
//
// Main thread only.

#include <cstdint>
#include <span>
#include <string_view>

#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/PKTypes.h"
#include "selftest/ProtocolTypes.h"

namespace K5Measure {

// ---- Shared state --------------------------------------------------------------

inline const PKTypes::PKState& State() { return PKTypes::State; }
inline std::span<const char> Text(std::string_view text) { return {text.data(), text.size()}; }
inline std::int32_t MuxAdc() { return State().MuxAdcChannel; }
inline K5Protocol::ResultsRecord& Results() { return K5Protocol::Results; }
inline void Store(Protocol::TransferValues& record, double gain, double offset, double noise) {
  record.Gain.Value = gain;
  record.Offset.Value = offset;
  record.Noise.Value = noise;
}

// ---- Frame -------------------------------------------------------------------

// FALSE when DoAbortProc answers TRUE (nothing written); else the keyword
// opens the test's section of the report.
bool OpenTest(std::string_view keyword);
// Steps 0 .. count - 1: each repeats until DoContinueProc answers TRUE,
// calling step(i) in the passes where ExecuteTestProc answers TRUE (the
// cursor kept spinning); FALSE when DoAbortProc ended the test after a
// step. step returns FALSE to end the test at once ("Range Error").
template <typename Step>
bool RunSteps(int count, Step step);
// The alert "Range Error" (a step past its table).
void RangeError();

// ---- Board set-up ------------------------------------------------------------

// Loc.MuxX100Active FALSE; the board's registers initialised; the mux
// channel; the subtract paths as in State; the four offset DACs; the
// stimulus scale with its DAC offset; the init and subtract DACs at Loc's
// offsets; the CMR trims at Loc's; then 1 s.
void InitHardware(std::uint8_t mux, std::uint8_t stimScale, std::uint16_t weOffset, std::uint16_t coAmpOffset,
                  std::uint16_t currentOffset, std::uint16_t voltageOffset);
// The potentiostatic set-up's offset DACs: Loc's working electrode and
// control amplifier of feedback 0, current of range 2, voltage of gain 0.
void InitHardware(std::uint8_t mux);
// The current range's set-up: InitHardware with the offset DACs of its
// feedback resistor and of the range, then its feedback resistor and output
// gain.
void InitHardwareForRange(std::uint8_t mux, std::uint8_t range);
// K5Set::StimInScale and the stimulus DAC offset of the scale.
void SetStimDacScaleAndOffset(std::uint8_t scale);
// The stimulus DAC at the corrected zero of the scale; nothing for
// kNoStimScale.
void SetStimDacOffset(std::uint8_t scale);
// Stimulus filter and control bandwidth, both min(index, 7).
void SetStimAndControlBandwidth(std::uint8_t index);

// ---- Measurements ------------------------------------------------------------

void CorrectedMeanAndRms(std::int32_t adc, double interval, std::int32_t points, double& mean, double& rms);
// ADMeasure::Gain, then the stimulus DAC offset of stimScale restored, then
// the corrections.
double CorrectedGain(std::int32_t dac, std::int32_t adc, double amplitude, double interval, std::uint8_t stimScale);
// The mux's corrected mean and RMS and the corrected gain of 5 V from the
// DAC (stimulus scale 0) at the interval into the record, written, with
// the pausing index.
void MeasureMuxTransfer(Protocol::TransferValues& record, std::int32_t dac, double interval, std::int32_t pausingIndex);
// Mux channel 9 (zero), uncorrected mean and RMS at 0.2 ms.
void MuxZeroV(double& mean, double& rms);
// MuxZeroV, then channel 8 (the 10 V reference) into mean10 and rms.
void MuxZeroAnd10V(double& mean10, double& mean0, double& rms);

// factor := sign / gain when that is a finite number; else factor stays and
// the test terminal names it. FALSE when kept.
bool SetInverse(double& factor, double sign, double gain, std::string_view name);

// ---- DAC search --------------------------------------------------------------

inline constexpr std::uint8_t kDac8 = 0;
inline constexpr std::uint8_t kDac12 = 1;
inline constexpr std::uint8_t kDac16 = 2;
inline constexpr int kMaxSearchRounds = 100;

using DacSetter = void (*)(std::uint16_t code);

// The search proper: from `value`, over the DAC's range by kind (8, 12,
// 16 bits; any other kind: FALSE at once, nothing touched), setting the DAC,
// waiting `settle` and feeding (corrected mean - target), negated unless
// rising, to a LinSearch; the fine pass starts with an eighth of the step.
// Stops when the search is done or after 101 rounds; found when done within
// 100 and not at an end of the range without the target bracketed.
// count := the rounds.
bool DoFindDacValue(std::int32_t adc, double target, DacSetter setDac, std::uint8_t kind, double& value,
                    bool rising, double settle, std::int32_t& count, bool fine);
// The start value by kind (16-bit: the target's code, its sign inverted when
// rising; 12-bit 2047; 8-bit 127), DoFindDacValue, and for a target within
// 1 mV of 0 on the mux ADC (UseMuxX100forOffsets) a fine pass through the
// x100 path aimed at MuxTransfer record 1's offset; a failed fine pass
// keeps the coarse value and success.
void FindDacValue(std::int32_t adc, double target, DacSetter setDac, std::uint8_t kind, double& value, bool& found,
                  bool rising, double settle);

// ---- Filter dynamics -----------------------------------------------------------

struct FilterParameters {
  double tauInterval;
  double gainInterval;
  double corner;  // Hz
  double settle;  // s
};
// The table by filter 0..7 (variant: the control amplifier's corners);
// another filter: the alert "Range Error" and FALSE.
bool GetFilterParameters(std::int32_t filter, FilterParameters& parameters, bool variant);
// The square-wave time constant into the record (amplitude negated when
// asked), the stimulus DAC offset restored, the record written.
void GetTau(Protocol::ExponentialValues& record, std::int32_t dac, std::int32_t adc, double amplitude,
            double interval, std::uint8_t stimScale, std::int32_t pausingIndex, bool negate);
// The -3 dB corner of the chirp response into the record (Q preset to 1),
// "Error in Chirp Acquire" / "Error in FindMinus3db" on the test terminal on
// failure, the record written either way.
void GetMinus3db(Protocol::FrequencyResponseValues& record, std::int32_t dac, std::int32_t adc, double amplitude,
                 double interval, double corner, std::uint8_t stimScale, std::int32_t pausingIndex);
// The chirp of the frequency-response tests.
void MakeChirp();

}  // namespace K5Measure

#include "shell/Mouse.h"

template <typename Step>
bool K5Measure::RunSteps(int count, Step step) {
  for (int i = 0; i < count; ++i) {
    do {
      if (ExecuteTestProc()) {
        Mouse::SetWaitOrWatchCursor();
        if (!step(i)) return false;
      }
    } while (!DoContinueProc());
    if (DoAbortProc()) return false;
  }
  return true;
}
