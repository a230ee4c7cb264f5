#include "potentiostat/K5Panel.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/platform/Host.h"
#include "potentiostat/K5Set.h"

namespace K5Panel {

bool Initialized = false;
char KnownVersions[80] = "";

namespace {

using PKTypes::PKState;
using PKTypes::State;
using PKTypes::States;

constexpr std::uint8_t kUsbInterface = 7;

void InitModule() {
  Initialized = false;
  Strings::Assign(KnownVersions, "A,B,C");
  InitState();
}

// The settings part of the record, Subtraction to the end, to zero.
void ClearSettings(PKState& record) {
  static_assert(std::is_standard_layout_v<PKState> && std::is_trivially_copyable_v<PKState>);
  constexpr std::size_t from = offsetof(PKState, Subtraction);
  std::memset(reinterpret_cast<unsigned char*>(&record) + from, 0, sizeof(PKState) - from);
}

}  // namespace

void InitAllModules() {
  PKTypes::InitModule();
  InitModule();
  K5Set::InitModule();
}

void InitState() {
  ClearSettings(State);
  Strings::Assign(State.Name, "PK510_USB");
  State.Version = 'A';
  State.InterfaceKind = kUsbInterface;
  State.ConfigCode = 3;
  State.ActiveAmplifier = 0;
  State.HasRingAmplifier = false;
  State.Remote = false;
  State.Tlv4Present = false;
  State.Options = 0;
  GetDefaultState();
  States[0] = State;
  States[1] = State;
  Initialized = true;
}

void GetDefaultState() {
  if (Tlv4_is_Active()) {
    DoGetDefaultState(States[0]);
    return;
  }
  DoGetDefaultState(State);
  if (!Tlv4_is_Present()) {
    States[0] = State;
    States[1] = State;
    States[1].IsRingAmplifier = true;
  }
}

void DoGetDefaultState(PKState& record) {
  Strings::Assign(record.Tag, "K5STATE");
  record.InitVoltage = 0.0;
  record.InitCurrent = 0.0;
  record.SharedReal1 = 0.0;
  record.CurrentGain = 0.1;
  record.CurrentBandwidth = 200000.0;
  record.VoltageBandwidth = 200000.0;
  record.StimulusBandwidth = 200000.0;
  record.IRCompValue = 0.0;
  record.SpareReal2 = 0.0;
  record.SpareReal3 = 0.0;
  record.RecordVersion = 900;
  record.FixedStimDac = 0;
  record.UseFixedStimDac = false;
  record.Spare1 = 0;
  record.LittleEndian = Platform::IsLittleEndian();
  record.Spare2 = false;
  record.Overload = false;
  record.SharedFlag2 = false;
  record.ActiveAmplifier = 0;
  record.AmplMode = 0;
  record.HasRingAmplifier = false;
  record.IsRingAmplifier = false;
  record.BoosterPresent = ForceBoosterPresent();
  record.BoosterActive = false;
  record.CellMode = PKTypes::CellStandby;
  record.IRCompOn = false;
  record.ElectrodeMode = 0;
  record.ManualStandby = false;
  record.Subtraction = 0.0;
  record.ClampGain = 0.0;
  record.VoltageSubtraction = 0.0;
  record.CurrentSubtraction = 0.0;
  record.ActiveBoard = 0;
  record.CurrentOutputAmplifierGain = 0;
  record.VoltageOutputAmplifierGain = 0;
  record.StimInScale = 0;
  record.MuxOutPath = 0;
  record.TestDacPath = 0;
  record.ModelCell = 0;
  record.ControlBandwidth = 5;
  record.CurrentFilter = 4;
  record.VoltageFilter = 4;
  record.StimulusFilter = 4;
  record.CurrentRange = 2;
  record.ScaleRange = 2;
  record.Feedback = 0;
  record.MuxChannel = 9;
  record.VoltageSubtractOn = true;
  record.CurrentSubtractOn = true;
  record.RefToGround = false;
  record.MuxX100 = false;
  record.StimToCE = false;
  record.RefToWE = false;
  record.SubtractionActive = false;
  record.IRCompGainDac = 0;
  record.IRCompOffsetDac = 2047;
  record.StimInScalePotentiostatic = 0;
  record.StimInScaleGalvanostatic = 0;
  VersionToStateFields(record);
}

void VersionToStateFields(PKState& record) {
  if (record.InterfaceKind != kUsbInterface) return;
  record.HasRingAmplifier = false;
  record.Options = 0;
  if (record.Version == 'C') {
    record.HasRingAmplifier = true;
    record.Tlv4Present = true;
  } else if (record.Version == 'B') {
    record.HasRingAmplifier = true;
    record.Tlv4Present = false;
  }
  const bool ring = record.ActiveAmplifier == 1;
  record.StimDacChannel = ring ? 2 : 3;
  record.VoltageAdcChannel = ring ? 3 : 5;
  record.CurrentAdcChannel = ring ? 4 : 6;
  record.TestDacChannel = 10;
  record.MuxAdcChannel = 7;
  record.CommandPort = 9;
  record.StatusPort = 17;
  record.AuxChannel = 1;
}

std::uint8_t ForceBoosterPresent() {
  const double number = std::round(TellTaleFile::Number("PKBooster.On"));
  if (number == 50.0) return 2;
  if (number == 20.0) return 1;
  return State.BoosterPresent;
}

PKState& GetDiskStatePtr() { return State.IsRingAmplifier ? States[0] : State; }
PKState& GetRingStatePtr() { return State.IsRingAmplifier ? State : States[1]; }

bool Tlv4_is_Present() { return State.Tlv4Present; }
bool Tlv4_is_Active() { return State.IsRingAmplifier && Tlv4_is_Present(); }

}  // namespace K5Panel
