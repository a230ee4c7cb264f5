// The calibration records of an amplifier board and probe-selector
// position: the scale record (per-range DAC settings and gains, the scale
// factors and linearisation tables of the compensations, the stimulus and
// monitor corrections, the identification of the board it was made for) and
// the C-fast table of the automatic C-fast compensation; the defaults of
// the scale record and the two linearisations that turn a wanted
// compensation value into a switch code and a DAC value.
//
// State. T3Scale::Scale is the one scale record of the selected board. This
// module owns it and gives it its defaults; the scale-file and EEPROM
// readers fill it, the per-board storage swaps it with its stored copies
// when the board or the selector position changes, the calibration runs
// write their factors into it, and the panel setters and self-tests read
// it. The linearisations change only the table they are given (its Index,
// OutValue and OutCode). The C-fast table's global is T3Auto::CFastTable.
// Main thread only.
//
// Errors. A linearisation that cannot produce a DAC value (a factor of 0, a
// step factor of 0, a value or table entry that is not a finite number)
// sets T3Error::Error to 25, the DAC value and the value to 0.
//
// Every record here lives in memory only: files and EEPROMs hold their
// images, converted field by field by T3ScaleFiles.
#pragma once

#include <array>
#include <cstdint>

namespace T3Scale {

// ==== Interface =============================================================

using Set16 = std::uint16_t;  // switch bits

// Gain ranges 0 (low), 1 (medium) and 2 (high).
inline constexpr int kGainRanges = 3;

// Settings of one gain range.
struct RangeVars {
  Set16 RangeSwitches = 0;
  Set16 ProbeResistor = 0;  // probe feedback-resistor switch bits
  std::uint16_t ProbeOffsetDac = 0;
  std::uint16_t TFastDacB = 0;  // the fast time-constant DAC pair, sent as A, B
  std::uint16_t TFastDacA = 0;
  std::uint16_t TSlowDacB = 0;  // the slow pair, sent as A, B
  std::uint16_t TSlowDacA = 0;
  Set16 HFCompSwitches = 0;
  std::uint16_t HFCompDac = 0;
  std::uint16_t GainTrimDac = 0;
  double Gain = 0.0;  // current-monitor gain, volt per ampere
  bool operator==(const RangeVars&) const = default;
};

// Filter-2 calibration of one filter response.
struct F2VarType {
  bool HighQ = false;    // sent with T3Set::Filter2HighQ
  double Factor1 = 0.0;  // DAC factors of the two filter-2 parts
  double Factor2 = 0.0;
  bool operator==(const F2VarType&) const = default;
};

// Additive linearisation: a coarse step chosen by a switch code plus a fine
// DAC value. Steps 0..Size are in use.
inline constexpr int kAddLinSteps = 32;
struct AddLinType {
  std::uint16_t Size = 0;   // highest step in use, at most kAddLinSteps - 1
  std::uint16_t Index = 0;  // current step, kept between calls
  std::array<Set16, kAddLinSteps> Codes{};
  double Max = 0.0;                            // largest fine DAC value
  double Min = 0.0;                            // smallest fine value before a lower step is taken
  std::array<double, kAddLinSteps> Offsets{};  // coarse value of each step, DAC units
  std::uint16_t OutValue = 0;                  // fine DAC value of the last linearisation
  Set16 OutCode = 0;                           // switch code of the last linearisation
  bool operator==(const AddLinType&) const = default;
};

// Multiplicative linearisation: a range factor chosen by a switch code times
// a DAC value.
inline constexpr int kMulLinSteps = 16;
struct MulLinType {
  std::uint16_t Size = 0;  // at most kMulLinSteps - 1
  std::uint16_t Index = 0;
  std::array<Set16, kMulLinSteps> Codes{};
  double Max = 0.0;
  double Min = 0.0;
  std::array<double, kMulLinSteps> Factors{};  // range factor of each step
  std::uint16_t OutValue = 0;
  Set16 OutCode = 0;
  bool operator==(const MulLinType&) const = default;
};

// Texts end at their first NUL or fill their array.
inline constexpr int kTagLength = 16;
inline constexpr int kDateLength = 16;
inline constexpr int kSerialLength = 8;  // files and EEPROMs keep the first six

struct ScaleRecord {
  // Amplifier title, "/", board, "/", selector position, "/Ext" for the
  // extended stimulus range, optionally "_" and a note.
  std::array<char, kTagLength> Tag{};
  // dd-Mon-yyyy; a file carries it in its header, an EEPROM block here.
  std::array<char, kDateLength> CalibDate{};
  std::array<RangeVars, kGainRanges> Range{};
  std::array<double, 4> InjectionCap{};   // test capacitance per range index, farad
  std::array<double, 4> CSlowRangeMax{};  // capacitance of each C-slow range, farad
  std::array<double, 2> CCStimScale{};    // per current-clamp range
  std::array<F2VarType, 2> F2Var{};       // per filter-2 response
  std::array<double, 16> CFastTau{};      // the C-fast time-constant steps, seconds
  double CFastFactor = 0.0;
  double CSlowFactor = 0.0;
  double GSeriesFactor = 0.0;
  double RsFactor = 0.0;
  double RsFractionFactor = 0.0;
  double GLeakFactor = 0.0;
  // Stimulus scale DAC value = slope x scale x 255 + offset.
  double StimScaleSlope = 0.0;
  double StimScaleOffset = 0.0;
  double VpOffsetScale = 0.0;  // pipette-offset DAC units per volt
  double VpOffsetZero = 0.0;   // pipette-offset DAC units at 0 V
  double StimDacScale = 0.0;   // stimulus DAC volts per stimulus volt
  // Filter-2 offset DAC: [0] for filter-2 sources 0 and 1, [1] for source 2.
  std::array<std::uint16_t, 2> F2OffsetDac{};
  double StimDacOffset = 0.0;  // volt
  double StimDacGain = 0.0;
  AddLinType CSlowTable;
  MulLinType GSeriesTable;
  AddLinType CFast1Table;
  AddLinType CFast2Table;
  MulLinType RsTable;
  MulLinType GLeakTable;
  MulLinType SpareTable;                          // stored and read with the record, used nowhere
  std::int16_t VCStimDacOffset = 0;               // outside current-clamp mode
  std::array<std::int16_t, 4> CCStimDacOffset{};  // per current-clamp gain
  std::int16_t MuxAdcOffset = 0;
  char BoardLetter = 0;           // revision of the board the record was made for
  std::uint8_t CalibADBoard = 0;  // AD/DA board type used for the calibration
  std::array<char, kSerialLength> SerialNumber{};
  std::array<double, 3> ExtGain{};
  std::array<std::uint16_t, 4> CCOffsetDac{};  // per current-clamp gain
  std::array<double, 3> VpOffsetCorr{};        // per gain range, volt
  std::array<double, 4> F1Bandwidth{};
  std::uint8_t Filter2Law = 0;  // 1 the older law, 2 the newer, 0 not determined
  bool ExtStimRange = false;    // made with the extended stimulus range
  double VmonFactor = 0.0;
  double VmonOffset = 0.0;
  std::int16_t RefGainTrimDac = 0;
  bool operator==(const ScaleRecord&) const = default;
};

// The C-fast table: per amplifier configuration a sampling interval and
// three blocks of estimator kernels, one row of 16 coefficients per C-fast
// time-constant step of 0.5 us. The dot product of a row with a measured
// 16-point response gives the correction of C-fast 1, of C-fast 2 and of
// the time constant. Every field is a single, so files and EEPROMs hold it
// as consecutive 32-bit words.
inline constexpr int kCFastSteps = 16;
inline constexpr int kCFastPoints = 16;
inline constexpr int kCFastConfigurations = 3;
using CFastKernels = std::array<std::array<float, kCFastPoints>, kCFastSteps>;
struct CFastLookup {
  float SampleInterval = 0.0f;  // seconds
  CFastKernels CFast1{};
  CFastKernels CFast2{};
  CFastKernels Tau{};
  bool operator==(const CFastLookup&) const = default;
};
struct CFastTable {
  // 0: medium range at 10 kHz, 1: medium range at 30 kHz, 2: high range at 30 kHz.
  std::array<CFastLookup, kCFastConfigurations> Tables{};
  bool operator==(const CFastTable&) const = default;
};
// Singles in the table, as its images count them.
inline constexpr int kCFastWords = kCFastConfigurations * (1 + 3 * kCFastSteps * kCFastPoints);
static_assert(kCFastWords == 2307);

// The scale record of the selected board.
extern ScaleRecord Scale;

// Gives Scale its defaults and clears T3Init::ScaleFileLoaded, Tag,
// CalibDate and SerialNumber. SpareTable, every OutValue and OutCode and the
// steps of the multiplicative tables beyond those with defaults keep what
// they held.
void LoadDefaults();

// value := the value actually set when value x factor DAC units are made
// of the step Offsets[Index] and a fine DAC value OutValue (0..Max), the
// step changing only where the fine value would leave Max (upwards) or Min
// (downwards). Index starts from min(Index, Size).
void AddLinearize(double& value, double factor, AddLinType& table);

// value := OutValue x Factors[Index] / factor, the step changing upwards
// only where OutValue would exceed Max and downwards only where the next
// lower step would still need at least Min; a DAC value below 0.5 is 0.
// Index starts from min(Index, Size).
void MulLinearize(double& value, double factor, MulLinType& table);

}  // namespace T3Scale
