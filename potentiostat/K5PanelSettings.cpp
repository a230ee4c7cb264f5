// K5Panel's settings: the setters, the range and factor tables, the read
// and stimulus scaling and the recomputation of the calibrated DACs.

#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "foundation/LogUtil.h"
#include "foundation/Strings.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5PanelCores.h"
#include "potentiostat/K5Set.h"

namespace K5Panel {

namespace {

using K5Scale::PKScaleRecord;
using K5Scale::Scale;
using K5Scale::Scales;
using PKTypes::PKState;
using PKTypes::State;
using PKTypes::States;

constexpr std::uint8_t kBoosterRange20A = 12;
constexpr std::uint8_t kBoosterRange50A = 13;
constexpr std::uint8_t kGalvanostatic = 1;
constexpr std::uint16_t kDac16PowerOn = 0x8000;
constexpr std::uint16_t kOffsetDacPowerOn = 2047;
constexpr std::uint16_t kGainDacPowerOn = 0;

struct CurrentRange {
  const char* text;
  std::uint8_t feedback;
  std::uint8_t outputGain;
};

constexpr CurrentRange kRanges[] = {
    {"2A", 0, 0},   {"1A", 0, 0},   {"100mA", 0, 0}, {"20mA", 0, 1},  {"2mA", 0, 2},
    {"1mA", 1, 0},  {"200uA", 1, 1}, {"20uA", 1, 2},  {"10uA", 2, 0},  {"2uA", 2, 1},
    {"200nA", 2, 2}, {"20nA", 2, 3}, {"20A", 0, 0},   {"50A", 0, 0},
};
constexpr std::size_t kRangeOutsideTable = 1;
constexpr std::uint8_t kFeedbackIndex[] = {0, 1, 2};

// A table's entry, the one given for any index beyond it.
template <typename T, std::size_t N>
T Lookup(const T (&table)[N], unsigned index, T beyond) {
  return index < N ? table[index] : beyond;
}

// A calibration table's entry for a setting index; an index the record has
// no entry for (a value the register map refused) reads entry 0.
template <typename T, std::size_t N>
T Entry(const T (&table)[N], unsigned index) {
  return table[index < N ? index : 0];
}

bool Galvanostatic(const PKState& record) { return record.AmplMode == kGalvanostatic; }

// The DAC code of a computed value; a value that is no finite number (a
// calibration step of 0, a damaged record) gives the DAC's power-on code.
std::uint16_t Code(double value, std::uint16_t (*convert)(double), std::uint16_t powerOn, const char* dac) {
  if (std::isfinite(value)) return convert(value);
  const std::string line = std::string("K5Panel: the ") + dac + " has no finite value, power-on code " +
                           std::to_string(powerOn) + " sent";
  LogUtil::WriteToLog(std::span(line.c_str(), line.size() + 1));
  return powerOn;
}

double InitDacVolts(const PKState& record, const PKScaleRecord& scale, bool galvanostatic) {
  if (galvanostatic) {
    return scale.InitDacOffset + record.InitCurrent * scale.InitDacFactor[1] * RealFeedback(record.Feedback);
  }
  return scale.InitDacOffset + record.InitVoltage * scale.InitDacFactor[0];
}

std::uint16_t InitDacCode(const PKState& record, const PKScaleRecord& scale) {
  return Code(InitDacVolts(record, scale, Galvanostatic(record)), K5Set::VoltToDac16, kDac16PowerOn,
              "initial-value DAC");
}

// The AD/DA stimulus DAC of the amplifier at the zero of its stimulus path
// (scaled as the mode says), or at the record's fixed code.
void SendStimDac(std::uint8_t amplifier, bool galvanostatic) {
  double factor = 0.0;
  double offset = 0.0;
  if (galvanostatic) {
    GetCurrentStimScale(amplifier, factor, offset);
  } else {
    GetVoltageStimScale(amplifier, factor, offset);
  }
  const PKState& record = AmplKindToState(amplifier);
  const std::int32_t code =
      record.UseFixedStimDac ? record.FixedStimDac : ZRV::VoltsToDacUnits(record.StimDacChannel, offset);
  ZRV::SetDac(record.StimDacChannel, code);
}

// The amplifier the "other amplifier" updates reach: none without a ring
// amplifier or where it would be a TLV 4 ring.
bool OtherPK(std::uint8_t& other) {
  other = InactiveAmplifier();
  return State.HasRingAmplifier && !(other == 1 && Tlv4_is_Present());
}

// A setting shared by both amplifiers: the working record's board, then the
// other amplifier's board and stored record.
void SetShared(void (*send)(std::uint8_t), std::uint8_t PKState::* field, double PKState::* bandwidth,
               std::uint8_t value) {
  const auto record = [&](PKState& into) {
    into.*field = value;
    if (bandwidth != nullptr) into.*bandwidth = FilterToBandwidth(value);
  };
  if (!Tlv4_is_Active()) {
    send(value);
    record(State);
  }
  if (SetOtherAmplifier()) {
    RegistersTo(InactiveAmplifierBoard());
    send(value);
    RegistersTo(State.ActiveBoard);
    record(States[InactiveAmplifier()]);
  }
}

}  // namespace

// ---- Ranges and factors --------------------------------------------------------

void DecodeCurrentGain(std::uint8_t range, std::span<char> text) {
  const std::string_view name = range < std::size(kRanges) ? kRanges[range].text : "???";
  Strings::Assign(text, std::span(name.data(), name.size()));
}

void CurrentRangeToFactors(std::uint8_t range, std::uint8_t& feedback, std::uint8_t& outputGain) {
  const CurrentRange& row = kRanges[range < std::size(kRanges) ? range : kRangeOutsideTable];
  feedback = row.feedback;
  outputGain = row.outputGain;
}

double RealCurrentGain(std::uint8_t range) {
  if (range == kBoosterRange20A) return 0.5;
  if (range == kBoosterRange50A) return 0.2;
  std::uint8_t feedback = 0;
  std::uint8_t outputGain = 0;
  CurrentRangeToFactors(range, feedback, outputGain);
  return RealFeedback(feedback) * CurrOutAmplGainToFactor(outputGain);
}

std::uint8_t MinCurrentRange(char) { return 11; }
std::uint8_t MaxCurrentRange(char) { return 2; }

double RealFeedback(std::uint8_t feedback) {
  constexpr double kOhm[] = {50.0, 5000.0, 500000.0, 1.0};
  return Lookup(kOhm, feedback, 1.0);
}

double CurrOutAmplGainToFactor(std::uint8_t gain) {
  constexpr double kFactor[] = {1.0, 5.0, 50.0, 500.0};
  return Lookup(kFactor, gain, 0.0);
}

double VoltOutAmplGainToFactor(std::uint8_t gain) {
  constexpr double kFactor[] = {1.0, 0.2, 0.02, 0.002};
  return Lookup(kFactor, gain, 1.0);
}

double StimInScaleToFactor(std::uint8_t scale) {
  constexpr double kFactor[] = {1.0, 5.0, 50.0, 500.0};
  return Lookup(kFactor, scale, 1.0);
}

double ModelCellToOhm(std::uint8_t cell) {
  constexpr double kOhm[] = {0.0, 100.0, 10000.0, 1000000.0};
  return Lookup(kOhm, cell, 0.0);
}

double FilterToBandwidth(std::uint8_t filter) {
  constexpr double kHz[] = {20.0, 600.0, 2000.0, 6000.0, 20000.0, 60000.0, 200000.0};
  return Lookup(kHz, filter, 500000.0);
}

double MinCurrentBandwidth() { return FilterToBandwidth(0); }
bool Has90V() { return false; }

double MaxOutput() {
  return Galvanostatic(State) ? ZRVBase::MaxOutVolts / State.CurrentGain : ZRVBase::MaxOutVolts;
}

// ---- Setters ---------------------------------------------------------------------

void SetRemote(bool on) {
  K5Set::Remote(on);
  State.Remote = on;
}

void SetCurrentOutputAmplifierGain(std::uint8_t gain) {
  K5Set::CurrentOutputAmplifierGain(gain);
  State.CurrentOutputAmplifierGain = gain;
}

void SetMuxChannel(std::uint8_t channel) {
  K5Set::MuxChannel(channel);
  State.MuxChannel = channel;
}

void SetModelCell(std::uint8_t cell) {
  K5Set::ModelCell(cell);
  State.ModelCell = cell;
}

void SetMuxX100(bool on) {
  K5Set::MuxX100(on);
  State.MuxX100 = on;
}

void SetMuxOutPath(std::uint8_t path) {
  K5Set::MuxOutPath(path);
  State.MuxOutPath = path;
}

void SetTestDacPath(std::uint8_t path) {
  K5Set::TestDacPath(path);
  State.TestDacPath = path;
}

void SetElectrodeMode(std::uint8_t mode) {
  if (State.IsRingAmplifier) {
    State.ElectrodeMode = 0;
    return;
  }
  K5Set::ElectrodeMode(mode);
  State.ElectrodeMode = mode;
}

void SetRefToGround(bool on) {
  if (!State.IsRingAmplifier) K5Set::RefToGround(on);
  State.RefToGround = on && !State.IsRingAmplifier;
}

void SetStimToCE(bool on) {
  if (!State.IsRingAmplifier) K5Set::StimToCE(on);
  State.StimToCE = on && !State.IsRingAmplifier;
}

void SetRefToWE(bool on) {
  if (!State.IsRingAmplifier) K5Set::RefToWE(on);
  State.RefToWE = on && !State.IsRingAmplifier;
}

void DoSetVoltageSubtractOn(bool on) {
  K5Set::VoltageSubtractOn(on);
  State.VoltageSubtractOn = on;
}

void DoSetCurrentSubtractOn(bool on) {
  K5Set::CurrentSubtractOn(on);
  State.CurrentSubtractOn = on;
}

void SetVoltageSubtractOn(bool on) {
  DoSetVoltageSubtractOn(on);
  UpdateSubtractionDac();
}

void SetCurrentSubtractOn(bool on) {
  DoSetCurrentSubtractOn(on);
  UpdateSubtractionDac();
}

void DoSetVoltageOutputAmplifierGain(std::uint8_t gain) {
  K5Set::VoltageOutputAmplifierGain(gain);
  State.VoltageOutputAmplifierGain = gain;
  UpdateVoltageOffsetDac();
}

void SetVoltageOutputAmplifierGain(std::uint8_t gain) { DoSetVoltageOutputAmplifierGain(gain); }

void DoSetStimInScale(std::uint8_t scale) {
  K5Set::StimInScale(scale);
  State.StimInScale = scale;
  if (Galvanostatic(State)) {
    State.StimInScaleGalvanostatic = scale;
  } else {
    State.StimInScalePotentiostatic = scale;
  }
}

void SetStimInScale(std::uint8_t scale) {
  DoSetStimInScale(scale);
  UpdateInitDac();
  UpdateStimDac();
}

void SetCurrentBooster(bool on) {
  if (State.IsRingAmplifier) {
    State.BoosterActive = false;
    return;
  }
  on = on && State.BoosterPresent != 0;
  K5Set::BoosterActive(on);
  State.BoosterActive = on;
}

void DoSetAmplMode(std::uint8_t mode) {
  K5Set::AmplMode(mode);
  State.AmplMode = mode;
}

void SetAmplMode(std::uint8_t) {}
void UpdateSoftwareCorrections() {}

void SetControlBandwidth(std::uint8_t bandwidth) {
  SetShared(K5Set::ControlBandwidth, &PKState::ControlBandwidth, nullptr, bandwidth);
}
void SetStimulusFilter(std::uint8_t filter) {
  SetShared(K5Set::StimulusFilter, &PKState::StimulusFilter, &PKState::StimulusBandwidth, filter);
}
void SetCurrentFilter(std::uint8_t filter) {
  SetShared(K5Set::CurrentFilter, &PKState::CurrentFilter, &PKState::CurrentBandwidth, filter);
}
void SetVoltageFilter(std::uint8_t filter) {
  SetShared(K5Set::VoltageFilter, &PKState::VoltageFilter, &PKState::VoltageBandwidth, filter);
}

void DoSetCurrentRange(std::uint8_t range) {
  bool booster = false;
  std::uint8_t scaleRange = 2;
  if (range == kBoosterRange20A || range == kBoosterRange50A) {
    if (State.BoosterPresent == 2) {
      range = kBoosterRange50A;
      booster = true;
    } else if (State.BoosterPresent == 1) {
      range = kBoosterRange20A;
      booster = true;
    } else {
      range = 2;
    }
  } else {
    if (range > MinCurrentRange(State.Version)) range = MinCurrentRange(State.Version);
    if (range < MaxCurrentRange(State.Version)) range = MaxCurrentRange(State.Version);
    scaleRange = range;
  }
  std::uint8_t outputGain = 0;
  CurrentRangeToFactors(scaleRange, State.Feedback, outputGain);
  State.CurrentRange = range;
  State.ScaleRange = scaleRange;
  State.CurrentGain = RealCurrentGain(range);
  // The output gain drops to its lowest while the feedback resistor changes.
  K5Set::CurrentOutputAmplifierGain(0);
  K5Set::Feedback(State.Feedback);
  SetCurrentOutputAmplifierGain(outputGain);
  SetCurrentBooster(booster);
  SetIRCompensation(State.IRCompOn, State.IRCompValue);
  K5Set::CurrentOffsetDac(K5Set::ClipToDac12Range(Scale.CurrentOffsetDac[scaleRange]));
  UpdateCoAmpOffsetDac();
  UpdateWorkElectrOffsetDac();
}

void SetCurrentRange(std::uint8_t range) {
  DoSetCurrentRange(range);
  UpdateSubtractionDac();
}

void SetSubtractionValue(double value) {
  if (Galvanostatic(State)) {
    State.VoltageSubtraction = value;
  } else {
    State.CurrentSubtraction = value;
  }
  UpdateSubtractionDac();
}

void SetSubtractionActive(bool on) {
  State.SubtractionActive = on;
  if (!on) {
    State.VoltageSubtraction = 0.0;
    State.CurrentSubtraction = 0.0;
  }
  UpdateSubtractionDac();
}

void SetIRCompensation(bool on, double resistance) {
  if (State.IsRingAmplifier) {
    State.IRCompOn = false;
    State.IRCompValue = 0.0;
    return;
  }
  std::uint16_t gain = 0;
  std::uint16_t offset = 0;
  double realised = resistance;
  if (on) {
    const double feedback = RealFeedback(State.Feedback);
    gain = Code((resistance / feedback - Scale.IRCompGainOffset) / Scale.IRCompGainSlope, K5Set::ClipToDac12Range,
                kGainDacPowerOn, "IR compensation gain DAC");
    realised = (gain * Scale.IRCompGainSlope + Scale.IRCompGainOffset) * feedback;
    if (!std::isfinite(realised)) realised = 0.0;
    offset = Code(Scale.IRCompFixOffset, K5Set::ClipToDac12Range, kOffsetDacPowerOn, "IR compensation offset DAC");
  }
  K5Set::IRCompensationOn(on && gain > 0);
  K5Set::IRCompGainDac(gain);
  K5Set::IRCompOffsetDac(offset);
  State.IRCompOn = on;
  State.IRCompValue = realised;
  State.IRCompGainDac = static_cast<std::int16_t>(gain);
  State.IRCompOffsetDac = static_cast<std::int16_t>(offset);
}

void SetClampGain(double gain) {
  if (State.IsRingAmplifier) {
    State.ClampGain = 0.0;
    return;
  }
  const std::uint16_t code =
      gain > 0.0 ? Code(gain / Scale.ClampGainPerUnit, K5Set::ClipToDac8Range, kGainDacPowerOn, "clamp gain DAC")
                 : 0;
  K5Set::ClampGainOn(gain > 0.0);
  K5Set::ClampGainDac(code);
  State.ClampGain = gain;
  UpdateCoAmpOffsetDac();
}

// ---- Scaling ---------------------------------------------------------------------

void GetVoltageStimScale(std::uint8_t amplifier, double& factor, double& offset) {
  const PKState& record = AmplKindToState(amplifier);
  const PKScaleRecord& scale = AmplKindToScale(amplifier);
  const std::uint8_t s = record.StimInScale;
  const double f = StimInScaleToFactor(s) * Entry(scale.StimScaleFactor, s);
  factor = f * scale.StimFilterFactor;
  offset = f * (scale.StimFilterOffset + Entry(scale.StimScaleOffset, s));
}

void GetCurrentStimScale(std::uint8_t amplifier, double& factor, double& offset) {
  GetVoltageStimScale(amplifier, factor, offset);
  factor *= RealFeedback(AmplKindToState(amplifier).Feedback);
}

void GetVoltageReadScale(std::uint8_t amplifier, double& gain, double& offset) {
  if (amplifier == 1 && Tlv4_is_Present()) return;
  const PKState& record = AmplKindToState(amplifier);
  const PKScaleRecord& scale = AmplKindToScale(amplifier);
  const std::uint8_t g = record.VoltageOutputAmplifierGain;
  gain = Entry(scale.VoltageOutFactor, g) * VoltOutAmplGainToFactor(g);
  offset = Entry(scale.VoltageOutOffset, g) * gain + GetEdcCorrection(amplifier);
  if (!Galvanostatic(record)) offset += scale.InitSubtrDacFactor[0] * record.InitVoltage;
}

void GetCurrentReadScale(std::uint8_t amplifier, double& gain, double& offset) {
  if (amplifier == 1 && Tlv4_is_Present()) return;
  const PKState& record = AmplKindToState(amplifier);
  const PKScaleRecord& scale = AmplKindToScale(amplifier);
  const std::uint8_t r = record.ScaleRange;
  gain = Entry(scale.CurrentOutFactor, r) / record.CurrentGain;
  offset = Entry(scale.CurrentOutOffset, r) * gain + GetIdcCorrection(amplifier);
  if (Galvanostatic(record)) offset += scale.InitSubtrDacFactor[1] * record.InitCurrent;
}

double GetEdcCorrection(std::uint8_t amplifier) {
  const PKState& record = AmplKindToState(amplifier);
  if (!record.VoltageSubtractOn) return 0.0;
  if (!Galvanostatic(record)) return record.InitVoltage;
  return record.SubtractionActive ? record.Subtraction : 0.0;
}

double GetIdcCorrection(std::uint8_t amplifier) {
  const PKState& record = AmplKindToState(amplifier);
  if (!record.CurrentSubtractOn) return 0.0;
  if (Galvanostatic(record)) return record.InitCurrent;
  return record.SubtractionActive ? record.Subtraction : 0.0;
}

// ---- DAC updates -----------------------------------------------------------------

void UpdateInitDac() {
  if (Tlv4_is_Active()) return;
  K5Set::InitDacValue(InitDacCode(State, Scale));
  UpdateVoltageOffsetDac();
}

void UpdateVoltageOffsetDac() {
  if (Tlv4_is_Active()) return;
  K5Set::VoltageOffsetDac(K5Set::ClipToDac12Range(Entry(Scale.VoltageOffsetDac, State.VoltageOutputAmplifierGain)));
}

void UpdateInitDacOfOtherAmplifier() {
  std::uint8_t other = 0;
  if (!OtherPK(other)) return;
  const std::uint16_t code = InitDacCode(States[other], Scales[other]);
  const std::uint8_t previous = State.ActiveBoard;
  SetActiveBoard(AmplifierToBoard(other));
  K5Set::InitDacValue(code);
  SetActiveBoard(previous);
}

void UpdateStimDac() {
  if (Tlv4_is_Active()) return;
  SendStimDac(State.ActiveAmplifier, Galvanostatic(State));
}

void UpdateStimDacOfOtherAmplifier() {
  std::uint8_t other = 0;
  if (OtherPK(other)) SendStimDac(other, Galvanostatic(State));
}

void UpdateSubtractionDac() {
  const bool galvanostatic = Galvanostatic(State);
  const double voltageGain = Entry(Scale.VoltageOutFactor, State.VoltageOutputAmplifierGain);
  const double currentGain = Entry(Scale.CurrentOutFactor, State.ScaleRange);
  State.Subtraction = 0.0;
  double a = 0.0;
  double b = 0.0;
  bool applied = false;
  if (State.SubtractionActive) {
    if (galvanostatic && State.VoltageSubtractOn) {
      b = State.VoltageSubtraction;
      a = b / voltageGain - Entry(Scale.VoltageOutOffset, State.VoltageOutputAmplifierGain);
      applied = true;
    } else if (!galvanostatic && State.CurrentSubtractOn) {
      b = State.CurrentSubtraction;
      a = b / currentGain;
      applied = true;
    }
  }
  const double factor =
      Scale.SubtrDacFactor[galvanostatic ? 1 : 0][Entry(kFeedbackIndex, State.Feedback)] *
      (galvanostatic ? voltageGain : currentGain);
  K5Set::SubtractDacValue(Code(a * factor + Scale.SubtrDacOffset, K5Set::VoltToDac16, kDac16PowerOn, "subtraction DAC"));
  if (applied) State.Subtraction = b;
}

void UpdateCoAmpOffsetDac() {
  if (State.IsRingAmplifier) return;
  double code = Entry(Galvanostatic(State) ? Scale.CoAmpOffsetDacGal : Scale.CoAmpOffsetDacPot, State.Feedback);
  if (State.ClampGain > 0.0) {
    code += (State.ClampGain / Scale.ClampGainPerUnit * Scale.ClampOffsetPerUnit + Scale.ClampIntercept) /
            Scale.CoAmpOffsetPerUnit;
  }
  K5Set::CoAmpOffsetDac(Code(code, K5Set::ClipToDac12Range, kOffsetDacPowerOn, "counter-amplifier offset DAC"));
}

void UpdateWorkElectrOffsetDac() {
  const bool parked = State.IsRingAmplifier && State.CellMode != PKTypes::CellOn;
  K5Set::WorkElectrOffsetDac(parked ? kOffsetDacPowerOn
                                    : K5Set::ClipToDac12Range(Entry(Scale.WorkElectrOffsetDac, State.Feedback)));
}

}  // namespace K5Panel
