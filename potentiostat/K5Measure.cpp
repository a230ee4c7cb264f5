#include "potentiostat/K5Measure.h"

#include <cmath>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "dialogs/Alert.h"
#include "numerics/LinSearch.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"
#include "selftest/TestIO.h"

namespace K5Measure {

Hook DoAbortProc = ReturnFalse;
Hook DoContinueProc = ReturnTrue;
Hook ExecuteTestProc = ReturnTrue;
Hook PausingProc = ReturnFalse;
bool UseMuxX100forOffsets = true;
CalibrationValues Loc;

namespace {

constexpr std::int32_t kPoints = 512;
constexpr double kInterval = 0.0002;
constexpr std::uint8_t kMuxZero = 9;
constexpr std::uint8_t kMuxReference = 8;
constexpr double kFineTargetVolts = 0.001;

bool IsMuxAdc(std::int32_t adc) { return adc == State().MuxAdcChannel; }

double CorrectOffsetForMux(double v) {
  return Loc.MuxX100Active ? (v + Loc.MuxX100Offset) * Loc.MuxX100Gain : (v + Loc.MuxOffset) * Loc.MuxGain;
}

double CorrectGainForMux(double gain) { return gain * (Loc.MuxX100Active ? Loc.MuxX100Gain : Loc.MuxGain); }

double CorrectGainForStimDac(double gain, std::uint8_t scale) {
  return gain * Loc.StimFilterFactor * Loc.StimScaleFactor[scale];
}

double FullScale(std::uint8_t kind) {
  switch (kind) {
    case kDac16: return 65535.0;
    case kDac12: return 4095.0;
    case kDac8: return 255.0;
    default: return 0.0;
  }
}

void WriteSearchRound(std::int32_t count, double target, double diff, double value) {
  TestIO::WriteInt(count, 3);
  TestIO::WriteString(",   target = ");
  TestIO::WriteRealFixed(1000.0 * target, 9, 3);
  TestIO::WriteString("mV, difference = ");
  TestIO::WriteRealFixed(diff * (Loc.MuxX100Active ? 10.0 : 1000.0), 9, 3);
  TestIO::WriteString("mV =>  dac-units = ");
  TestIO::WriteRealFixed(value, 9, 1);
  TestIO::WriteLn();
}

void WriteSearchEnd(std::int32_t count, double value, bool found) {
  TestIO::WriteString("   iterations =");
  TestIO::WriteInt(count, 3);
  TestIO::WriteString(", DacUnits = ");
  TestIO::WriteRealFixed(value, 9, 1);
  if (!found) TestIO::WriteString(" FAILED");
  TestIO::WriteLn();
}

}  // namespace

bool ReturnFalse() { return false; }
bool ReturnTrue() { return true; }

void SetDefaults() {
  Loc = CalibrationValues{};
  Loc.MuxGain = 1.0;
  Loc.MuxX100Gain = 100.0;
  Loc.StimScaleFactor.fill(1.0);
  Loc.StimFilterFactor = 1.0;
  Loc.InitDacFactor.fill(0.9765625);
  Loc.InitSubtrDacFactor.fill(0.9765625);
  Loc.WorkElectrOffsetDac.fill(2047);
  Loc.CoAmpOffsetDac.fill(2047);
  Loc.CurrentOffsetDac.fill(2047);
  Loc.CurrentOutFactor.fill(1.0);
  Loc.VoltageOffsetDac.fill(2047);
  Loc.VoltageOutFactor.fill(1.0);
  Loc.CMR1 = 2047;
  Loc.CMR2 = 2047;
}

void InitModule() {
  UseMuxX100forOffsets = true;
  DoAbortProc = ReturnFalse;
  PausingProc = ReturnFalse;
  ExecuteTestProc = ReturnTrue;
  DoContinueProc = ReturnTrue;
  SetDefaults();
}

void WritePausingIndex(std::int32_t index) {
  if (!PausingProc() || index < 0) return;
  TestIO::WriteString("  --");
  TestIO::WriteInt(index, 1);
  TestIO::WriteString("-- ");
}

bool WriteResults() { return ADMeasure::TestWriteMode > 1; }

// ---- Frame -------------------------------------------------------------------

bool OpenTest(std::string_view keyword) {
  if (DoAbortProc()) return false;
  Protocol::PutString(Text(keyword));
  return true;
}

void RangeError() { Alert::OK("Range Error"); }

// ---- Board set-up ------------------------------------------------------------

void InitHardware(std::uint8_t mux, std::uint8_t stimScale, std::uint16_t weOffset, std::uint16_t coAmpOffset,
                  std::uint16_t currentOffset, std::uint16_t voltageOffset) {
  Loc.MuxX100Active = false;
  K5Set::InitHardware();
  K5Set::MuxChannel(mux);
  K5Set::VoltageSubtractOn(State().VoltageSubtractOn);
  K5Set::CurrentSubtractOn(State().CurrentSubtractOn);
  K5Set::WorkElectrOffsetDac(weOffset);
  K5Set::CoAmpOffsetDac(coAmpOffset);
  K5Set::CurrentOffsetDac(currentOffset);
  K5Set::VoltageOffsetDac(voltageOffset);
  SetStimDacScaleAndOffset(stimScale);
  K5Set::InitDacValue(K5Set::VoltToDac16(Loc.InitDacOffset));
  K5Set::SubtractDacValue(K5Set::VoltToDac16(Loc.SubtrDacOffset));
  K5Set::CMR2Dac(static_cast<std::uint16_t>(Loc.CMR2));
  K5Set::CMR1Dac(static_cast<std::uint16_t>(Loc.CMR1));
  VrnlBoards::Wait(1.0);
}

void InitHardware(std::uint8_t mux) {
  InitHardware(mux, 0, Loc.WorkElectrOffsetDac[0], Loc.CoAmpOffsetDac[0], Loc.CurrentOffsetDac[2],
               Loc.VoltageOffsetDac[0]);
}

void InitHardwareForRange(std::uint8_t mux, std::uint8_t range) {
  std::uint8_t feedback = 0;
  std::uint8_t outputGain = 0;
  K5Panel::CurrentRangeToFactors(range, feedback, outputGain);
  InitHardware(mux, 0, Loc.WorkElectrOffsetDac[feedback], Loc.CoAmpOffsetDac[feedback], Loc.CurrentOffsetDac[range],
               Loc.VoltageOffsetDac[0]);
  K5Set::Feedback(feedback);
  K5Set::CurrentOutputAmplifierGain(outputGain);
}

void SetStimDacScaleAndOffset(std::uint8_t scale) {
  K5Set::StimInScale(scale);
  SetStimDacOffset(scale);
}

void SetStimDacOffset(std::uint8_t scale) {
  if (scale >= Loc.StimScaleFactor.size()) return;
  ZRV::SetDacReal(State().StimDacChannel, (Loc.StimScaleOffset[scale] + Loc.StimFilterOffset) *
                                              Loc.StimScaleFactor[scale] * K5Panel::StimInScaleToFactor(scale));
}

void SetStimAndControlBandwidth(std::uint8_t index) {
  const std::uint8_t bandwidth = index > 7 ? 7 : index;
  K5Set::StimulusFilter(bandwidth);
  K5Set::ControlBandwidth(bandwidth);
}

// ---- Measurements ------------------------------------------------------------

void CorrectedMeanAndRms(std::int32_t adc, double interval, std::int32_t points, double& mean, double& rms) {
  ADMeasure::MeanAndRms(adc, interval, points, mean, rms);
  if (IsMuxAdc(adc)) mean = CorrectOffsetForMux(mean);
}

double CorrectedGain(std::int32_t dac, std::int32_t adc, double amplitude, double interval, std::uint8_t stimScale) {
  double gain = ADMeasure::Gain(dac, adc, amplitude, interval);
  SetStimDacOffset(stimScale);
  if (IsMuxAdc(adc)) gain = CorrectGainForMux(gain);
  if (dac == State().StimDacChannel && stimScale < Loc.StimScaleFactor.size()) {
    gain = CorrectGainForStimDac(gain, stimScale);
  }
  return gain;
}

void MeasureMuxTransfer(Protocol::TransferValues& record, std::int32_t dac, double interval, std::int32_t pausingIndex) {
  double mean = 0.0;
  double rms = 0.0;
  CorrectedMeanAndRms(MuxAdc(), interval, kPoints, mean, rms);
  Store(record, CorrectedGain(dac, MuxAdc(), 5.0, interval, 0), mean, rms);
  Protocol::WriteTransfer(record);
  WritePausingIndex(pausingIndex);
}

void MuxZeroV(double& mean, double& rms) {
  K5Set::MuxChannel(kMuxZero);
  ADMeasure::MeanAndRms(State().MuxAdcChannel, kInterval, kPoints, mean, rms);
}

void MuxZeroAnd10V(double& mean10, double& mean0, double& rms) {
  MuxZeroV(mean0, rms);
  K5Set::MuxChannel(kMuxReference);
  ADMeasure::MeanAndRms(State().MuxAdcChannel, kInterval, kPoints, mean10, rms);
}

bool SetInverse(double& factor, double sign, double gain, std::string_view name) {
  const double inverse = sign / gain;
  if (gain != 0.0 && std::isfinite(inverse)) {
    factor = inverse;
    return true;
  }
  TestIO::WriteString("   ");
  TestIO::WriteString(Text(name));
  TestIO::WriteString(" kept: the gain ");
  TestIO::WriteReal(gain, 12, 3);
  TestIO::WriteString(" has no inverse");
  TestIO::WriteLn();
  return false;
}

// ---- DAC search --------------------------------------------------------------

bool DoFindDacValue(std::int32_t adc, double target, DacSetter setDac, std::uint8_t kind, double& value,
                    bool rising, double settle, std::int32_t& count, bool fine) {
  count = 0;
  const double fullScale = FullScale(kind);
  if (fullScale == 0.0) return false;
  const double sign = rising ? 1.0 : -1.0;
  const double maxStep = fullScale / 32.0;
  LinSearch::LinSearchState search{};
  LinSearch::Init(0.0, fullScale, fine ? maxStep / 8.0 : maxStep, 1.0, maxStep, search);
  do {
    Mouse::SetWaitOrWatchCursor();
    setDac(static_cast<std::uint16_t>(std::lround(value)));
    VrnlBoards::Wait(settle);
    double mean = 0.0;
    double rms = 0.0;
    CorrectedMeanAndRms(adc, kInterval, kPoints, mean, rms);
    const double diff = mean - target;
    LinSearch::Next(value, sign * diff, search);
    ++count;
    if (WriteResults()) WriteSearchRound(count, target, diff, value);
  } while (!search.Done && count <= kMaxSearchRounds);
  // A search that ran into the end of the DAC's range never bracketed the
  // target: no code of this DAC reaches it.
  const bool found = search.Done && !search.AtLimit && count <= kMaxSearchRounds;
  if (WriteResults()) WriteSearchEnd(count, value, found);
  return found;
}

void FindDacValue(std::int32_t adc, double target, DacSetter setDac, std::uint8_t kind, double& value, bool& found,
                  bool rising, double settle) {
  switch (kind) {
    case kDac16: value = K5Set::VoltToDac16(rising ? -target : target); break;
    case kDac12: value = 2047.0; break;
    case kDac8: value = 127.0; break;
    default: return;
  }
  std::int32_t count = 0;
  found = DoFindDacValue(adc, target, setDac, kind, value, rising, settle, count, false);
  if (!found || !UseMuxX100forOffsets || !IsMuxAdc(adc) || std::fabs(target) >= kFineTargetVolts) return;
  const double coarse = value;
  Loc.MuxX100Active = true;
  K5Set::MuxX100(true);
  const double fineTarget = K5Protocol::Results.MuxTransfer[1].Offset.Value;
  if (!DoFindDacValue(adc, fineTarget, setDac, kind, value, rising, settle, count, true)) value = coarse;
  K5Set::MuxX100(false);
  Loc.MuxX100Active = false;
}

// ---- Automatic subtraction ------------------------------------------------------

void ComputeAutoSubtraction(double extra) {
  const PKTypes::PKState& state = State();
  if (state.SubtractionActive && state.Subtraction != 0.0) {
    K5Panel::SetSubtractionValue(0.0);
    VrnlBoards::Wait(0.01);
  }
  double scale = 0.0;
  double offset = 0.0;
  std::int32_t adc = 0;
  if (state.AmplMode == 1) {
    adc = state.VoltageAdcChannel;
    K5Panel::GetVoltageReadScale(state.ActiveAmplifier, scale, offset);
  } else {
    adc = state.CurrentAdcChannel;
    K5Panel::GetCurrentReadScale(state.ActiveAmplifier, scale, offset);
  }
  double mean = 0.0;
  double rms = 0.0;
  ADMeasure::MeanAndRms(adc, kInterval, kPoints, mean, rms);
  K5Panel::SetSubtractionValue(mean * scale + offset + extra);
}

}  // namespace K5Measure
