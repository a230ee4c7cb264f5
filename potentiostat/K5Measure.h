#pragma once

// The calibration tests of the PK potentiostat boards. Each test puts the
// board into a defined state through K5Set (registers, not the panel),
// stimulates through a DAC, samples through the AD/DA board, stores what it
// measured in K5Protocol::Results under its keyword, writes it to the test
// report (selftest/Protocol) and keeps the calibration values that later
// tests and the scale record need in Loc. The channels are those of
// PKTypes::State (stimulus DAC, test DAC, voltage, current and mux ADC).
//
// Frame of every test: when DoAbortProc answers TRUE at its start it
// returns with nothing written; else it writes its keyword, prepares the
// board (InitHardware, 1 s) and runs its steps. A step repeats until
// DoContinueProc answers TRUE and measures only in passes where
// ExecuteTestProc answers TRUE; after each step DoAbortProc ends the test,
// leaving the values of the steps not run as they were. A DAC search that
// fails keeps the last value tried in its result group with the found flag
// FALSE, and leaves Loc's value of a 12-bit DAC unchanged (a 16-bit DAC's
// offset becomes 0 V).
//
// A gain that cannot be inverted (zero or not finite) leaves the factor in
// Loc that would be its inverse as it was; the result record keeps the
// measured gain and the test terminal names the factor.
//
// The tests run synchronously on the main thread; no procedure of this
// module sequences them. The data dependencies: MuxTransfer first (its
// corrections and targets), then the others in the order declared here.

#include <array>
#include <cstdint>

namespace K5Measure {

using Hook = bool (*)();

bool ReturnFalse();
bool ReturnTrue();

// After InitModule: DoAbortProc and PausingProc ReturnFalse, ExecuteTestProc
// and DoContinueProc ReturnTrue.
extern Hook DoAbortProc;
extern Hook DoContinueProc;
extern Hook ExecuteTestProc;
extern Hook PausingProc;
// The DAC search may refine a zero target on the mux ADC through the x100
// path [TRUE after InitModule].
extern bool UseMuxX100forOffsets;

// The calibration values the tests find and use ("DAC value": a code of a
// 12-bit DAC, 2047 mid-scale). Written by the tests only.
struct CalibrationValues {
  double MuxGain;
  double MuxOffset;
  double MuxX100Gain;
  double MuxX100Offset;
  bool MuxX100Active;  // the x100 mux path is in (only inside the DAC search)
  std::array<double, 4> StimScaleFactor;
  std::array<double, 4> StimScaleOffset;
  double StimFilterFactor;
  double StimFilterOffset;
  std::array<double, 2> InitDacFactor;  // potentiostatic, galvanostatic
  std::array<double, 2> InitSubtrDacFactor;
  double InitDacOffset;  // V
  double SubtrDacOffset;  // V
  double InternalGround;
  std::array<std::uint16_t, 3> WorkElectrOffsetDac;  // per feedback resistor
  std::array<std::uint16_t, 6> CoAmpOffsetDac;       // 0-2 potentiostatic, 3-5 galvanostatic
  std::array<std::uint16_t, 12> CurrentOffsetDac;    // per current range
  std::array<double, 12> CurrentOutFactor;
  std::array<double, 12> CurrentOutOffset;
  std::array<std::uint16_t, 4> VoltageOffsetDac;  // per voltage-output gain
  std::array<double, 4> VoltageOutFactor;
  std::int32_t CMR1;
  std::int32_t CMR2;
  // The last search of these offsets failed: their results hold 0, which is
  // no DAC code to keep (the extraction leaves the scale record's).
  bool IRCompFixOffsetFailed;
  bool MeasuredVoltOffDacFailed;
  bool OCPOffsetDacFailed;
};

extern CalibrationValues Loc;

// The stimulus-scale index that selects no stimulus scale.
inline constexpr std::uint8_t kNoStimScale = 173;

// Every value of Loc to its default.
void SetDefaults();
// UseMuxX100forOffsets TRUE, the hooks to their defaults, SetDefaults.
void InitModule();

// When PausingProc answers TRUE and index >= 0: "  --", the index, "-- "
// on the test terminal.
void WritePausingIndex(std::int32_t index);
// ADMeasure::TestWriteMode above 1: the tests write intermediate lines.
bool WriteResults();

// Sets the subtraction of the working amplifier to what its monitor reads
// now (plus extra), after clearing an active one.
void ComputeAutoSubtraction(double extra);

// The calibration parameters of the tests into K5Scale::Scale (it is not
// stored: the caller saves it through K5EEPROM), then, with
// ADMeasure::TestWriteMode above 1, their print-out. The current-range
// entries only for the ranges of State's version, the CMR trims and the
// ring's offset DACs only with State.HasRingAmplifier. A factor from a zero
// or non-finite gain, and any value that is not a finite number, leaves its
// field as it was with a test-terminal line naming it (TestIO::ErrorText
// takes the first) and the result FALSE: such a record must not be stored.
// Fields that a failed search left without a code keep theirs with a line
// (the result stays TRUE), so does the ring amplifier's galvanostatic
// SubtrDacFactor row, which its test does not measure.
bool ExtractCalibrationParameters();
// The scale record's calibration parameters into the report (Protocol),
// read back from the record; the current ranges of State's version at the
// time, the ring's trims with State.HasRingAmplifier.
void WriteCalibrationParameters();

// ---- Tests -------------------------------------------------------------------
// In the order of their data dependencies: each uses what the ones above it
// left in Loc.
// "MuxTransfer" (four transfer groups and "10VRef "), "StimScaleCorrection".
void MuxTransfer();
// "InitDacFactor": per amplifier mode.
void InitDac();
// "InitSubtrDacFactor": per amplifier mode.
void InitSubtrDac();
// "InitDacOffset", "SubtrDacOffset".
void InitDacAndSubtrDacOffsets();
// "StimScale": input scales 0-3.
void StimScale();
// "StimFilter": filters 0-7; Loc's factor 8 / the sum of their gains.
void StimFilter();
// "StimFilterFreq": filters 0-7, time constants and corners.
void StimFilterTau();
// "InternalGround": its one step runs even when an abort is already asked
// for.
void InternalGround();
// "WorkingElectrodeOffsetDac": per feedback resistor.
void WorkingElectrode();
// Disk amplifier only: "CoAmpOffsetPerUnit", "ControlAmpOffsetDac_Pot",
// "ControlAmpOffsetDac_Gal".
void ControlAmpOffsetDac();
// "CurrentOutputAmplifier": gains 0-3, records divided by the gain.
void CurrentOutputAmplifier();
// "CurrentOffsetDac", then "CurrentOutFactor": the version's ranges (2-11).
void CurrentRange();
// "CurrentFilter", "CurrentFilterFreq": filters 0-6.
void CurrentFilter();
void CurrentFilterTau();
// "OffsetVoltageAmplifierDac", then "VoltageOutputAmplifier": gains 0-3.
void VoltageOutputAmplifier();
// "VoltageFilter", "VoltageFilterFreq": filters 0-6.
void VoltageFilter();
void VoltageFilterTau();
// Disk amplifier only: "ControlAmplifierFreq", bandwidths 0-7.
void ControlAmplifierTau();
// Disk amplifier only: "ClampGain", off, then clamp-gain codes 16 .. 240.
void ClampGain();
// Disk amplifier only: "IRCompFixOffset", then "IRCompGain" (codes 0 ..
// 3584, gains over 0.5).
void IRCompGain();
// "SubtrDacFactor": the potentiostatic row per feedback resistor; the disk
// amplifier's galvanostatic factor, copied to all three resistors.
void SubtrDac();
// Ring amplifier only: "CMR1" (the disk's stimulus DAC), "CMR2" (its own).
void CMR1();
void CMR2();
// Ring amplifier only: "MeasuredVoltOffDac", "OCPOffsetDac"; with the cell
// not switchable to its open-cell potential, an alert and nothing stored.
void MeasuredVoltOffDac();
void OCP_OffsetDac();

}  // namespace K5Measure
