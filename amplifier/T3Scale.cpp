#include "amplifier/T3Scale.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <span>

#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "numerics/LongMath.h"

namespace T3Scale {

ScaleRecord Scale;

namespace {

constexpr std::uint8_t kRangeError = 25;

// Two units in the last place above 4095: a DAC value computed as exactly
// 4095 must not switch to the next step through rounding.
const double kDacMax = std::bit_cast<double>(std::uint64_t{0x40AFFE0000000002});

struct RangeDefaults {
  Set16 rangeSwitches;
  Set16 probeResistor;
  Set16 hfCompSwitches;
  std::uint16_t hfCompDac;
  std::uint16_t gainTrimDac;
  double gain;
};
constexpr std::array<RangeDefaults, kGainRanges> kRangeDefaults{{
    {0, 0, 0, 4095, 3055, 5e+6},
    {0, 2, 1, 475, 619, 5e+8},
    {2, 3, 2, 1024, 1480, 5e+10},
}};

void SetRangeDefaults(RangeVars& range, const RangeDefaults& defaults) {
  range.RangeSwitches = defaults.rangeSwitches;
  range.ProbeResistor = defaults.probeResistor;
  range.ProbeOffsetDac = 2048;
  range.TFastDacB = 255;
  range.TFastDacA = 128;
  range.TSlowDacB = 255;
  range.TSlowDacA = 128;
  range.HFCompSwitches = defaults.hfCompSwitches;
  range.HFCompDac = defaults.hfCompDac;
  range.GainTrimDac = defaults.gainTrimDac;
  range.Gain = defaults.gain;
}

// Every step i: code i and the coarse value i x stepSize.
void SetAddLinDefaults(AddLinType& table, std::uint16_t size, double stepSize, double max) {
  table.Size = size;
  table.Index = 0;
  for (int i = 0; i < kAddLinSteps; ++i) {
    table.Codes[i] = static_cast<Set16>(i);
    table.Offsets[i] = i * stepSize;
  }
  table.Max = max;
  table.Min = 0.0;
}

// Only the steps listed; the others keep what they held.
struct MulLinStep {
  Set16 code;
  double factor;
};
void SetMulLinDefaults(MulLinType& table, std::span<const MulLinStep> steps) {
  table.Size = static_cast<std::uint16_t>(steps.size() - 1);
  table.Index = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    table.Codes[i] = steps[i].code;
    table.Factors[i] = steps[i].factor;
  }
  table.Max = kDacMax;
  table.Min = 3000.0;
}

constexpr MulLinStep kGSeriesSteps[] = {{7, 0.3}, {3, 1.0}, {1, 10.0}, {0, 100.0}};
constexpr MulLinStep kDecadeSteps[] = {{0, 1.0}, {1, 10.0}};

bool Finite(double x) { return LongMath::IsValidNumber(x); }
bool UsableFactor(double x) { return x != 0.0 && Finite(x); }

// Clamps Index into the table's steps. FALSE, with the range error reported
// and the DAC value and the value 0, when the table or the numbers cannot
// give a DAC value; every step value in use must pass usableStep.
template <typename Table, typename StepValues>
bool Prepare(double& value, double factor, Table& table, const StepValues& steps,
             bool (*usableStep)(double)) {
  const int last = static_cast<int>(steps.size()) - 1;
  table.Index =
      static_cast<std::uint16_t>(std::min<int>(table.Index, std::min<int>(table.Size, last)));
  const bool usable = table.Size <= last &&
                      std::all_of(steps.begin(), steps.begin() + table.Size + 1, usableStep) &&
                      UsableFactor(factor) && Finite(value) && Finite(value * factor) &&
                      Finite(table.Max) && Finite(table.Min);
  if (!usable) {
    table.OutValue = 0;
    table.OutCode = table.Codes[table.Index];
    value = 0.0;
    T3Error::Error = kRangeError;
  }
  return usable;
}

// Moves up while the fine DAC value of the step (the caller's rule) lies
// above Max and a higher step is in use.
template <typename Table>
void RaiseWhileAboveMax(Table& table, auto fineAt) {
  while (table.Max < fineAt(table.Index) && table.Index < table.Size) ++table.Index;
}

// A DAC value, kept inside what the 16-bit field can hold.
std::uint16_t DacValue(double v) { return static_cast<std::uint16_t>(std::clamp(v, 0.0, 65535.0)); }

}  // namespace

void LoadDefaults() {
  T3Init::ScaleFileLoaded = false;
  ScaleRecord& s = Scale;
  s.Tag = {};
  s.CalibDate = {};
  s.SerialNumber = {};
  for (int r = 0; r < kGainRanges; ++r) SetRangeDefaults(s.Range[r], kRangeDefaults[r]);
  s.InjectionCap = {0.0, 3e-13, 1e-12, 1e-11};
  s.CSlowRangeMax = {0.0, 3e-12, 1e-11, 1e-10};
  s.CCStimScale = {1.000000000000001e-9, 1e-8};
  s.F2Var[0] = {false, 0.01417, 0.01589};
  s.F2Var[1] = {true, 0.01, 0.01};
  for (int i = 0; i < 16; ++i) s.CFastTau[i] = (i + 1) * 5.000000000000001e-7;
  s.CFastFactor = 170.667;
  s.CSlowFactor = 10000.0;
  s.GSeriesFactor = 0.41;
  s.RsFactor = 20500.0;
  s.RsFractionFactor = 171.85;
  s.GLeakFactor = 409.6;
  s.StimScaleSlope = -10.0;
  s.StimScaleOffset = 128.0;
  s.VpOffsetScale = 10240.0;
  s.VpOffsetZero = 2048.0;
  s.StimDacScale = 0.1;
  s.F2OffsetDac = {26, 26};
  s.StimDacOffset = 0.0;
  s.StimDacGain = 1.0;
  SetAddLinDefaults(s.CSlowTable, 31, 2048.0, kDacMax);
  SetMulLinDefaults(s.GSeriesTable, kGSeriesSteps);
  SetAddLinDefaults(s.CFast1Table, 7, 200.0, 255.0);
  SetAddLinDefaults(s.CFast2Table, 15, 200.0, 255.0);
  SetMulLinDefaults(s.RsTable, kDecadeSteps);
  SetMulLinDefaults(s.GLeakTable, kDecadeSteps);
  s.VCStimDacOffset = 0;
  s.CCStimDacOffset = {0, 0, 0, 0};
  s.MuxAdcOffset = 0;
  s.BoardLetter = 0;
  s.CalibADBoard = 0;
  s.ExtGain = {1.0, 1.0, 1.0};
  s.CCOffsetDac = {2048, 2048, 2048, 2048};
  s.VpOffsetCorr = {0.0, 0.0, 0.0};
  s.F1Bandwidth = {0.0, 0.0, 0.0, 0.0};
  s.Filter2Law = 0;
  s.ExtStimRange = false;
  s.VmonFactor = 0.01;
  s.VmonOffset = 0.0;
  s.RefGainTrimDac = 2550;
}

void AddLinearize(double& value, double factor, AddLinType& table) {
  if (!Prepare(value, factor, table, table.Offsets, Finite)) return;
  const double a = value * factor;
  auto fineAt = [&](int step) { return a - table.Offsets[step]; };
  if (table.Max >= fineAt(table.Index)) {
    while (table.Min > fineAt(table.Index) && table.Index > 0) --table.Index;
  }
  RaiseWhileAboveMax(table, fineAt);
  const double fine = std::max(std::min(fineAt(table.Index), table.Max), 0.0);
  table.OutValue = DacValue(std::round(fine));
  table.OutCode = table.Codes[table.Index];
  value = (table.Offsets[table.Index] + table.OutValue) / factor;
}

void MulLinearize(double& value, double factor, MulLinType& table) {
  if (!Prepare(value, factor, table, table.Factors, UsableFactor)) return;
  const double a = value * factor;
  auto fineAt = [&](int step) { return a / table.Factors[step]; };
  if (table.Max >= fineAt(table.Index)) {
    // Down only while the next lower step would still stay below Min.
    while (table.Index > 0 && table.Min > fineAt(table.Index - 1)) --table.Index;
  }
  RaiseWhileAboveMax(table, fineAt);
  double fine = std::min(fineAt(table.Index), table.Max);
  if (fine < 0.5) fine = 0.0;
  table.OutValue = DacValue(std::trunc(fine + 0.5));
  table.OutCode = table.Codes[table.Index];
  value = table.OutValue * table.Factors[table.Index] / factor;
}

}  // namespace T3Scale
