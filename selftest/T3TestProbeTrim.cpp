// The reference-gain trim of the 'Y' boards' probe: the trim DAC value at
// which a step on the reference (bath) input no longer shows at the current
// monitor, for the normal and the doubled reference voltage, and the span of
// the trim.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "dialogs/Alert.h"
#include "foundation/TermIO.h"
#include "numerics/LinSearch.h"
#include "selftest/CText.h"
#include "selftest/Protocol.h"
#include "selftest/T3TestProbe.h"
#include "selftest/TestIO.h"

namespace T3TestProbe {

namespace {

using Protocol::MeasuredValue;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::int32_t kReferenceDac = 0;  // the cable from DA-0 to the red probe input
constexpr double kStepVolts = 0.1;
constexpr double kStepInterval = 1e-4;
constexpr std::int32_t kStepPoints = 1200;
constexpr std::int32_t kStepAt = 600;
constexpr std::int32_t kMeanPoints = 300;
constexpr int kPasses = 100;
constexpr double kSettle = 0.01;
constexpr std::int32_t kSpanHigh = 3995;
constexpr std::int32_t kSpanLow = 100;
constexpr std::uint16_t kTrimPresentBit = 0x4000;
constexpr int kSpanHighValue = 0;
constexpr int kSpanLowValue = 1;
constexpr int kFirstAdjusted = 2;

ScaleFileProcs scaleFileProcs;

// The board's trim as the hardware-version bits have it.
bool TrimPresent() { return (T3Base::HardwareVersion & kTrimPresentBit) != 0; }

std::int32_t Rounded(double value) { return static_cast<std::int32_t>(std::lround(value)); }

void ConsoleLine(const std::string& text) {
  TermIO::WriteString(text);
  TermIO::WriteLn();
}

double MeanVolts(std::int32_t adc, std::int32_t first) {
  double sum = 0.0;
  for (std::int32_t k = first; k < first + kMeanPoints; ++k) sum += ADMeasure::DataArray[static_cast<std::size_t>(k)];
  return ZRV::AdcRealUnitsToVolts(adc, sum / kMeanPoints);
}

// One step from 0 V to the amplitude halfway through the sweep; before and
// after are the means of the settled ends of its two halves, NaN when the
// sweep failed.
void RefGainTrimResponse(std::int32_t dac, std::int32_t adc, double amplitude, double& before, double& after) {
  before = kNaN;
  after = kNaN;
  double zero = 0.0;
  const auto low = static_cast<std::int16_t>(ZRV::VoltsToDacUnits(dac, zero));
  const auto high = static_cast<std::int16_t>(ZRV::VoltsToDacUnits(dac, amplitude));
  ADMeasure::SampleArray& data = ADMeasure::DataArray;
  for (std::int32_t k = 0; k < kStepPoints; ++k) data[static_cast<std::size_t>(k)] = k < kStepAt ? low : high;
  data[kStepPoints - 1] = 0;
  double interval = kStepInterval;
  if (!ZRV::StimAndSample(dac, adc, interval, data, data, kStepPoints)) return;
  before = MeanVolts(adc, kStepAt - kMeanPoints);
  after = MeanVolts(adc, kStepPoints - kMeanPoints);
}

void RestoreTrim() {
  const T3Types::AmplifierState& state = T3Types::State;
  T3Panel::SetBathSense(state.BathSense);
  T3Panel::SetRefGainTrim(state.RefGainTrimOn, state.RefGainTrimDac);
  VrnlBoards::Wait(kSettle);
}

void WritePass(int pass, double value, double before, double after) {
  TestIO::WriteInt(pass, 3);
  TestIO::WriteString(": dac-units =");
  TestIO::WriteInt(Rounded(value), 5);
  TestIO::WriteString(" => left =");
  TestIO::WriteEngineering(before, 9, 8);
  TestIO::WriteString(", right =");
  TestIO::WriteEngineering(after, 9, 8);
  TestIO::WriteLn();
}

// Puts the V-ref x2 setting in place; a change reloads the scale record of
// the other range. FALSE when that reload failed (the operator is told):
// the board then still runs the setting it had.
bool SetVrefX2(bool on) {
  if (on == T3Types::State.VrefX2) {
    T3Panel::SetVrefX2(on);
    return true;
  }
  if (T3Panel::ToggleVrefX2(LoadScaleFile)) return true;
  Alert::OK("Changing Stimulus Range: scale file failed to load!");
  return false;
}

// Stores the trim value in the scale record of the setting; FALSE when the
// store failed.
bool StoreTrim(bool vrefX2, std::int32_t trim) {
  T3Scale::Scale.RefGainTrimDac = static_cast<std::int16_t>(trim);
  T3Init::DefaultScaleName(T3Init::ScaleFileName, false);
  const std::string label = vrefX2 ? "Ext.Stim.Range" : "Stim.Range";
  if (!SaveScaleFile()) {
    ConsoleLine(label + " scale file failed to store.");
    return false;
  }
  if (T3Base::ScaleFromDisk) {
    ConsoleLine("Scale file '" + std::string(T3Init::ScaleFileName) + "' saved.");
  } else {
    ConsoleLine(label + " scale record saved.");
  }
  return true;
}

// One adjustment for the setting: a failed search, or a setting that could
// not be put in place, records -1 and sets failed; so does a failed store,
// keeping the value found.
void AdjustOneRefGainTrimDac(bool vrefX2, bool save, bool settingInPlace, bool& failed,
                             RefGainTrimValues& values) {
  MeasuredValue& result = values.Value[kFirstAdjusted + (vrefX2 ? 1 : 0)];
  double value = kNaN;
  const bool found = settingInPlace && AdjustRefGainTrimDac(ADMeasure::TestWriteMode > 1, value);
  if (found) {
    // A value the scale record did not keep is lost at the next start.
    if (save && !StoreTrim(vrefX2, Rounded(value))) failed = true;
    T3Types::State.RefGainTrimDac = static_cast<std::int16_t>(Rounded(value));
    result.Value = value;
  } else {
    result.Value = -1.0;
    failed = true;
  }
  Protocol::WriteRealValue(result);
}

}  // namespace

void SetScaleFileProcs(const ScaleFileProcs& procs) { scaleFileProcs = procs; }

bool LoadScaleFile() { return scaleFileProcs.load != nullptr && scaleFileProcs.load(); }

bool SaveScaleFile() { return scaleFileProcs.save != nullptr && scaleFileProcs.save(); }

bool RequestRefGainTrimDac() {
  std::string text = "Please connect: ";
  text += Alert::LF;
  text += "- The RV4 model circuit to the external probe.";
  text += Alert::LF;
  text += "- The special BNC cable from DA-0 to the red probe input.";
  text += Alert::LF;
  text += "- The cable of the model cell to the red probe input.";
  text += Alert::LF;
  text += Alert::LF;
  text += "Set the probe switch to the 10 MOhm position.";
  return Alert::Choice(CText(text.c_str()), "Abort", "", "Continue", 3) == 3;
}

bool AdjustRefGainTrimDac(bool verbose, double& value) {
  value = kNaN;
  if (!TrimPresent()) return false;
  LinSearch::LinSearchState search{};
  LinSearch::Init(0.0, 4095.000000000001, 128.0, 1.0, 128.0, search);
  double x = T3Types::State.RefGainTrimDac > 0 ? T3Types::State.RefGainTrimDac : 1.0;
  T3Set::BathSense(true);
  T3Set::RefGainTrimOn(true);
  T3Set::RefGainTrimDac(Rounded(x));
  const std::int32_t adc = T3Types::State.ImonAdc;
  for (int pass = 1; pass <= kPasses && !search.Done; ++pass) {
    VrnlBoards::Wait(kSettle);
    double before = kNaN;
    double after = kNaN;
    RefGainTrimResponse(kReferenceDac, adc, kStepVolts, before, after);
    LinSearch::Next(x, before - after, search);
    T3Set::RefGainTrimDac(Rounded(x));
    if (verbose) WritePass(pass, x, before, after);
  }
  RestoreTrim();
  // A search that ran into a bound without a change of sign found no null.
  if (!search.Done || search.AtLimit) return false;
  value = x;
  return true;
}

void RefGainTrimDacMinMax(double& at3995, double& at100) {
  if (!TrimPresent()) return;
  const std::int32_t adc = T3Types::State.ImonAdc;
  const auto response = [&](std::int32_t trim, double& span) {
    T3Set::RefGainTrimDac(trim);
    VrnlBoards::Wait(kSettle);
    double before = kNaN;
    double after = kNaN;
    RefGainTrimResponse(kReferenceDac, adc, kStepVolts, before, after);
    span = after - before;
  };
  T3Set::VrefX2(false);
  T3Set::BathSense(true);
  T3Set::RefGainTrimOn(true);
  response(kSpanLow, at100);
  response(kSpanHigh, at3995);
  const T3Types::AmplifierState& state = T3Types::State;
  T3Set::RefGainTrimDac(state.RefGainTrimDac);
  T3Set::RefGainTrimOn(state.RefGainTrimOn);
  T3Set::BathSense(state.BathSense);
  T3Set::VrefX2(state.VrefX2);
  VrnlBoards::Wait(kSettle);
}

bool DoAdjustRefGainTrimDac(bool calibrate, RefGainTrimValues& values) {
  bool failed = false;
  Protocol::PutString("RefGainTrimDac");
  if (calibrate) {
    T3Panel::Reset();
    for (const bool vrefX2 : {true, false}) {
      const bool inPlace = SetVrefX2(vrefX2);
      AdjustOneRefGainTrimDac(vrefX2, true, inPlace, failed, values);
    }
  } else {
    AdjustOneRefGainTrimDac(T3Types::State.VrefX2, false, true, failed, values);
  }
  Protocol::PutString("RefGainTrimSpan");
  RefGainTrimDacMinMax(values.Value[kSpanHighValue].Value, values.Value[kSpanLowValue].Value);
  Protocol::WriteRealValue(values.Value[kSpanHighValue]);
  Protocol::WriteRealValue(values.Value[kSpanLowValue]);
  return !failed;
}

bool CalibrateRefGainTrimDac(RefGainTrimValues& values) { return DoAdjustRefGainTrimDac(true, values); }

}  // namespace T3TestProbe
