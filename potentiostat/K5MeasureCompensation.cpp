// The subtract DAC's factors, the ring amplifier's common-mode rejection
// trims and its measured-voltage and open-cell-potential offset DACs.
#include <array>
#include <cmath>

#include "acquisition/VrnlBoards.h"
#include "dialogs/Alert.h"
#include "numerics/MinSearch.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKMeasure.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"
#include "selftest/TestIO.h"
#include "shell/Mouse.h"

namespace K5Measure {

namespace {

constexpr std::uint8_t kMuxZero = 9;
constexpr std::uint8_t kMuxCurrentOut = 15;
constexpr std::uint8_t kMuxMeasuredVoltage = 1;
constexpr std::uint8_t kMuxOCP = 3;
constexpr std::uint8_t kCellStandby = 1;
constexpr std::uint8_t kCellOCP = 2;
constexpr int kMaxCMRRounds = 100;

// By feedback resistor: the label and the current range measured with it.
struct SubtractStep {
  const char* label;
  std::uint8_t range;
};
constexpr std::array<SubtractStep, 3> kSubtractSteps{{
    {"   Feedback = 50Ohm   ", 2},
    {"   Feedback = 5kOhm   ", 5},
    {"   Feedback = 500kOhm ", 8},
}};

void WriteUnits(std::string_view label, double units) {
  TestIO::WriteString(Text(label));
  TestIO::WriteRealFixed(units, 8, 1);
}

// The subtract DAC's codes for +5 V and -5 V on the monitor; FALSE when a
// search failed (the trace says which).
bool FindSubtractSpan(std::int32_t adc, double& plus, double& minus) {
  bool plusFound = false;
  bool found = false;
  FindDacValue(adc, 5.0, K5Set::SubtractDacValue, kDac16, plus, plusFound, false, 0.05);
  if (plusFound) FindDacValue(adc, -5.0, K5Set::SubtractDacValue, kDac16, minus, found, false, 0.05);
  if (!WriteResults()) return found;
  WriteUnits("   units(+5V)=", plus);
  if (!found) {
    if (plusFound) WriteUnits(", units(-5V)=", minus);
    TestIO::WriteString(" FAILED");
    TestIO::WriteLn();
    return false;
  }
  const double units = (minus - plus) / 10.0;
  WriteUnits(", units(-5V)=", minus);
  WriteUnits(", units_per_volt=", units);
  TestIO::WriteString(", gain=");
  TestIO::WriteRealFixed(3200.0 / units, 7, 3);
  TestIO::WriteLn();
  return true;
}

void SubtractStepOf(int mode, int q) {
  const SubtractStep& step = kSubtractSteps[static_cast<std::size_t>(q)];
  Protocol::WriteLn();
  Protocol::WriteString(Text(step.label));
  std::uint8_t feedback = 0;
  std::uint8_t outputGain = 0;
  K5Panel::CurrentRangeToFactors(step.range, feedback, outputGain);
  K5Set::Feedback(feedback);
  K5Set::CurrentOutputAmplifierGain(outputGain);
  K5Set::WorkElectrOffsetDac(Loc.WorkElectrOffsetDac[feedback]);
  K5Set::CoAmpOffsetDac(Loc.CoAmpOffsetDac[feedback]);
  K5Set::CurrentOffsetDac(Loc.CurrentOffsetDac[step.range]);
  VrnlBoards::Wait(0.05);
  const std::int32_t adc = mode == 0 ? State().CurrentAdcChannel : State().VoltageAdcChannel;
  double plus = 0.0;
  double minus = 0.0;
  if (!FindSubtractSpan(adc, plus, minus)) return;
  const double gain = 3200.0 / ((minus - plus) / 10.0);
  Protocol::MeasuredValue& factor = Results().SubtrDacFactor[mode][q];
  factor.Value = mode == 1 ? 1.0 / gain / Loc.VoltageOutFactor[0]
                           : K5Panel::RealCurrentGain(step.range) / gain / Loc.CurrentOutFactor[step.range];
  Protocol::WriteRealValue(factor);
}

// A trim's step and the response it leaves.
void WriteCMRRound(int count, double response, double x) {
  TestIO::WriteInt(count, 3);
  TestIO::WriteString(": measured CMR =");
  TestIO::WriteRealFixed(1000.0 * response, 9, 3);
  TestIO::WriteString("mV =>  dac-units =");
  TestIO::WriteInt(static_cast<std::int32_t>(std::lround(x)), 5);
  TestIO::WriteLn();
}

// The trim's value that gives the least common-mode response of a sine on
// the DAC channel; FALSE when the search does not settle in 100 rounds.
bool AutoCMR(std::int32_t dac, std::int32_t adc, DacSetter setDac, double& x) {
  x = 2047.0;
  MinSearch::MinSearchState search{};
  MinSearch::Init(0.0, 4095.0, 32.0, 1.0, search);
  setDac(K5Set::ClipToDac12Range(x));
  for (int count = 1; count <= kMaxCMRRounds; ++count) {
    Mouse::SetWaitCursor();
    const double response = PKMeasure::CMR(1, dac, 0, adc, 1.0);
    MinSearch::Next(x, response, search);
    setDac(K5Set::ClipToDac12Range(x));
    if (WriteResults()) WriteCMRRound(count, response, x);
    if (search.Done) return true;
  }
  TestIO::WriteLine("AutoCMR failed: too many iterations.");
  return false;
}

// The trim found into the result and the module's trim code.
void TrimCMR(std::int32_t dac, DacSetter setDac, Protocol::MeasuredValue& result, std::int32_t& trim) {
  RunSteps(1, [&](int) {
    double x = 0.0;
    if (AutoCMR(dac, MuxAdc(), setDac, x)) {
      result.Value = x;
      trim = static_cast<std::int32_t>(std::lround(x));
      Protocol::WriteRealValue(result);
    }
    WritePausingIndex(-1);
    return true;
  });
}

// An offset DAC of the ring's open-cell potential nulled on the mux: its
// code, or 0 with the failure noted.
void NullOCPOffset(DacSetter setDac, std::uint8_t kind, Protocol::MeasuredValue& result, bool& failed) {
  RunSteps(1, [&](int) {
    double value = 0.0;
    bool found = false;
    FindDacValue(MuxAdc(), 0.0, setDac, kind, value, found, false, 0.05);
    result.Value = found ? value : 0.0;
    failed = !found;
    Protocol::WriteRealValue(result);
    WritePausingIndex(-1);
    return true;
  });
}

bool SetOpenCellPotential() {
  if (K5Panel::SetCellMode(kCellOCP)) return true;
  Alert::OK("OCP could not be set.");
  return false;
}

}  // namespace

void SubtrDac() {
  if (!OpenTest("SubtrDacFactor")) return;
  InitHardware(kMuxZero);
  const bool ring = State().IsRingAmplifier;
  for (int mode = 0; mode < 2; ++mode) {
    K5Set::AmplMode(static_cast<std::uint8_t>(mode));
    K5Set::CoAmpOffsetDac(Loc.CoAmpOffsetDac[static_cast<std::size_t>(3 * mode)]);
    // The ring amplifier's galvanostatic row is not measured; its stored
    // row stays (see ExtractCalibrationParameters).
    if (mode == 1 && ring) return;
    const bool completed = RunSteps(mode == 0 ? 3 : 1, [mode](int q) {
      if (q > 2) {
        RangeError();
        return false;
      }
      SubtractStepOf(mode, q);
      WritePausingIndex(q);
      return true;
    });
    if (!completed) return;
  }
  Protocol::MeasuredValue (&galvanostatic)[3] = Results().SubtrDacFactor[1];
  galvanostatic[1].Value = galvanostatic[0].Value;
  galvanostatic[2].Value = galvanostatic[0].Value;
}

void CMR1() {
  if (!State().IsRingAmplifier || !OpenTest("CMR1")) return;
  Loc.CMR1 = 2047;
  InitHardwareForRange(kMuxCurrentOut, 11);
  if (!K5Panel::SetCellMode(kCellStandby)) {
    Alert::OK("Standby could not be set.");
    return;
  }
  K5Set::ModelCell(4);
  TrimCMR(PKTypes::States[0].StimDacChannel, K5Set::CMR1Dac, Results().CMR1, Loc.CMR1);
}

void CMR2() {
  if (!State().IsRingAmplifier || !OpenTest("CMR2")) return;
  Loc.CMR2 = 2047;
  InitHardware(kMuxCurrentOut);
  TrimCMR(State().StimDacChannel, K5Set::CMR2Dac, Results().CMR2, Loc.CMR2);
}

void MeasuredVoltOffDac() {
  if (!State().IsRingAmplifier || !OpenTest("MeasuredVoltOffDac")) return;
  InitHardware(kMuxMeasuredVoltage, 0, 2047, 2047, 2047, 2047);
  if (!SetOpenCellPotential()) return;
  K5Set::OCP_GalMode(true);
  // The disk's board alone hears its switches, and is off the mux ADC's
  // line again before the ring's offset is read there: selecting a board
  // leaves the other one selected.
  const std::uint8_t disk = K5Panel::AmplifierToBoard(0);
  const std::uint8_t ring = K5Panel::AmplifierToBoard(1);
  K5Set::DisableBoard(ring);
  K5Set::ActiveBoard(disk);
  K5Set::RefToGround(true);
  K5Set::OCP_RingOn(false);
  K5Set::DisableBoard(disk);
  K5Set::ActiveBoard(ring);
  NullOCPOffset(K5Set::MeasuredVoltageOffsetDac, kDac12, Results().MeasuredVoltOffDac, Loc.MeasuredVoltOffDacFailed);
}

void OCP_OffsetDac() {
  if (!State().IsRingAmplifier || !OpenTest("OCPOffsetDac")) return;
  InitHardware(kMuxOCP, 0, 2047, 2047, 2047, 2047);
  if (!SetOpenCellPotential()) return;
  K5Set::OCP_GalMode(true);
  NullOCPOffset(K5Set::OCP_Offset, kDac8, Results().OCPOffsetDac, Loc.OCPOffsetDacFailed);
}

}  // namespace K5Measure
