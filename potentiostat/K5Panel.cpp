#include "potentiostat/K5Panel.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "foundation/LogUtil.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Host.h"
#include "potentiostat/K5EEPROM.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_518.h"
#include "potentiostat/K5PanelCores.h"

namespace K5Panel {

bool Initialized = false;
char KnownVersions[80] = "";

namespace {

using K5Scale::Scale;
using K5Scale::Scales;
using PKTypes::PKState;
using PKTypes::State;
using PKTypes::States;

constexpr std::uint8_t kUsbInterface = 7;
constexpr std::uint8_t kBoosterChannel = 14;
constexpr std::uint16_t kDiskOverloadBit = 1u << 8;
constexpr std::uint16_t kRingOverloadBit = 1u << 9;
constexpr std::uint16_t kManualStandbyBit = 1u << 10;
constexpr std::size_t kVersionTextLength = 7;

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

// Amplifier numbers index the two stored records: anything but 1 is the
// disk amplifier.
std::uint8_t Amplifier(std::uint8_t amplifier) { return amplifier == 1 ? 1 : 0; }
bool RingIsActive() { return State.ActiveAmplifier == 1; }
bool HasPK512Ring() { return State.HasRingAmplifier && !Tlv4_is_Present(); }

void AssignSerialNumber(std::span<const char> serial) {
  for (auto* record : {&State, &States[0], &States[1]}) Strings::Assign(record->SerialNumber, serial);
  for (auto* scale : {&Scale, &Scales[0], &Scales[1]}) Strings::Assign(scale->SerialNumber, serial);
}

// The replay of the working record to its board, in the order the
// hardware needs: mode and cell first, the DACs computed from everything
// else last.
void DoLoadTheState() {
  SetActiveAmpl(State.ActiveAmplifier);
  K5Set::EEPROMSelect(false);
  State.BoosterPresent = GetBoosterPresent();
  DoSetAmplMode(State.AmplMode);
  DoSetCellMode(State.ActiveAmplifier, State.CellMode);
  DoSetCurrentRange(State.CurrentRange);
  SetControlBandwidth(State.ControlBandwidth);
  SetStimulusFilter(State.StimulusFilter);
  SetCurrentFilter(State.CurrentFilter);
  SetVoltageFilter(State.VoltageFilter);
  SetElectrodeMode(State.ElectrodeMode);
  DoSetVoltageOutputAmplifierGain(State.VoltageOutputAmplifierGain);
  DoSetStimInScale(State.StimInScale);
  SetMuxChannel(State.MuxChannel);
  SetModelCell(State.ModelCell);
  SetRefToGround(State.RefToGround);
  SetMuxX100(State.MuxX100);
  SetMuxOutPath(State.MuxOutPath);
  SetTestDacPath(State.TestDacPath);
  SetClampGain(State.ClampGain);
  SetStimToCE(State.StimToCE);
  SetRefToWE(State.RefToWE);
  DoSetVoltageSubtractOn(State.VoltageSubtractOn);
  DoSetCurrentSubtractOn(State.CurrentSubtractOn);
  SetCurrentBooster(State.BoosterActive);
  SetIRCompensation(State.IRCompOn, State.IRCompValue);
  if (State.IsRingAmplifier) {
    K5Set::CMR1Dac(K5Set::ClipToDac12Range(Scale.CMR1Dac));
    K5Set::CMR2Dac(K5Set::ClipToDac12Range(Scale.CMR2Dac));
    K5Set::MeasuredVoltageOffsetDac(K5Set::ClipToDac12Range(Scale.MeasuredVoltOffDac));
    // An 8-bit DAC: the record's mid-scale default of 2047 gives its top.
    K5Set::OCP_Offset(K5Set::ClipToDac8Range(Scale.OCPOffsetDac));
  }
  UpdateInitDac();
  UpdateStimDac();
  UpdateSubtractionDac();
  SetRemote(true);
  VrnlBoards::FlushCache();
}

}  // namespace

// ---- Start and state ------------------------------------------------------

void InitAllModules() {
  PKTypes::InitModule();
  InitModule();
  K5Set::InitModule();
  K5Scale::InitModule();
  K5Measure::InitModule();
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

void LoadTheState() {
  ZRV::SetDac(State.TestDacChannel, 0);
  if (Tlv4_is_Present()) {
    if (RingIsActive()) {
      SetActiveAmpl(0);
      DoLoadTheState();
      SetActiveAmpl(1);
    } else {
      DoLoadTheState();
    }
    return;
  }
  DoLoadTheState();
  if (State.HasRingAmplifier) {
    const std::uint8_t previous = Amplifier(State.ActiveAmplifier);
    SetActiveAmpl(previous == 1 ? 0 : 1);
    DoLoadTheState();
    SetActiveAmpl(previous);
  }
}

void Shutdown() {
  if (State.InterfaceKind == kUsbInterface && ZRV::Status() != ZRV::StateClosed) {
    ZRV::ForceHalt();
    const PKState kept = State;
    GetDefaultState();
    LoadTheState();
    ZRV::Shutdown();
    State = kept;
  }
  Initialized = false;
}

// ---- Versions ---------------------------------------------------------------

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

bool KnownVersion(char letter) {
  if (letter == ',' || letter == ' ' || letter == '\0') return false;
  return std::memchr(KnownVersions, letter, static_cast<std::size_t>(Strings::Length(KnownVersions))) != nullptr;
}

void VersionToName(char letter, std::span<char> text) {
  switch (letter) {
    case 'A': Strings::Assign(text, "PK510_USB"); break;
    case 'B': Strings::Assign(text, "PK512_USB"); break;
    case 'C': Strings::Assign(text, "PK518_USB"); break;
    default: Strings::Assign(text, "PK500_USB"); break;
  }
}

void AssignVersion(char letter) {
  State.Version = letter;
  VersionToStateFields(State);
  States[0].ActiveAmplifier = 0;
  States[1].ActiveAmplifier = 1;
  for (PKState& stored : States) {
    stored.Version = State.Version;
    std::memcpy(stored.SerialNumber, State.SerialNumber, sizeof stored.SerialNumber);
    stored.InterfaceKind = State.InterfaceKind;
    stored.ConfigCode = State.ConfigCode;
  }
  // The booster belongs to the disk amplifier.
  States[0].BoosterPresent = State.BoosterPresent;
  States[0].BoosterActive = State.BoosterActive;
  States[1].BoosterPresent = 0;
  States[1].BoosterActive = false;
  VersionToStateFields(States[0]);
  VersionToStateFields(States[1]);
  for (auto* scale : {&Scale, &Scales[0], &Scales[1]}) scale->Version = letter;
}

bool ReadFileVersion(std::span<char> text) {
  if (!TellTaleFile::FirstLine("PK500Version.On", text)) return false;
  std::string line = "FileVersion: \"";
  line.append(text.data(), static_cast<std::size_t>(Strings::Length(text)));
  line += '"';
  TermIO::WriteLine(std::span(line.c_str(), line.size() + 1));
  return true;
}

bool ReadSerialString() {
  const bool ringWasActive = RingIsActive() && State.HasRingAmplifier;
  if (ringWasActive) SetActiveAmpl(0);
  char version[16] = "";
  bool found = ReadFileVersion(version);
  if (!found) {
    std::string message;
    found = K5EEPROM::ReadVersion(version, message);
  }
  bool known = false;
  if (found) {
    if (static_cast<std::size_t>(Strings::Length(version)) != kVersionTextLength) {
      PKTypes::Error = PKTypes::EEPROMStringFaulty;
    } else if (KnownVersion(version[kVersionTextLength - 1])) {
      known = true;
    } else {
      PKTypes::Error = PKTypes::UnknownVersion;
    }
  }
  char serial[8] = "";
  char letter = 'B';
  if (known) {
    std::memcpy(serial, version, kVersionTextLength - 1);
    letter = version[kVersionTextLength - 1];
  }
  AssignSerialNumber(serial);
  AssignVersion(letter);
  if (ringWasActive) SetActiveAmpl(1);
  return known;
}

// ---- Amplifiers and boards ---------------------------------------------------

void RegistersTo(std::uint8_t board) {
  K5Set::DisableBoard(board == K5Set::MainBoard ? K5Set::SecondBoard : K5Set::MainBoard);
  K5Set::ActiveBoard(board);
}

std::uint8_t AmplifierToBoard(std::uint8_t amplifier) {
  return amplifier == 1 ? K5Set::SecondBoard : K5Set::MainBoard;
}

void SetActiveBoard(std::uint8_t board) {
  if (board == State.ActiveBoard) return;
  LogUtil::WriteToLogInt("K5Panel.SetActiveBoard", board);
  if (board == K5Set::SecondBoard) {
    K5Set::DisableBoard(K5Set::MainBoard);
    // With a TLV 4 ring this activates the amplifier board, and records the
    // selection so that the setting layer knows no PK board is meant.
    K5Set::ActiveBoard(K5Set::SecondBoard);
    if (!Tlv4_is_Present()) K5Set::EnableMuxAdc(true);
  } else if (board == K5Set::MainBoard) {
    if (Tlv4_is_Present()) {
      K5Set::InactivateTlvBoard();
    } else {
      K5Set::DisableBoard(K5Set::SecondBoard);
    }
    K5Set::ActiveBoard(K5Set::MainBoard);
    K5Set::EnableMuxAdc(true);
  }
  State.ActiveBoard = board;
}

void SetActiveAmpl(std::uint8_t amplifier) {
  amplifier = State.HasRingAmplifier ? Amplifier(amplifier) : 0;
  SetActiveBoard(AmplifierToBoard(amplifier));
  if (!State.HasRingAmplifier) return;
  State.ManualStandby = false;
  const std::uint8_t old = Amplifier(State.ActiveAmplifier);
  States[old] = State;
  for (std::uint8_t copy = 0; copy <= 1; ++copy) {
    PKTypes::SyncState(copy, amplifier);
    States[copy].ActiveBoard = State.ActiveBoard;
  }
  State = States[amplifier];
  VersionToStateFields(State);
  Scales[old] = Scale;
  Scale = Scales[amplifier];
}

PKState& GetDiskStatePtr() { return State.IsRingAmplifier ? States[0] : State; }
PKState& GetRingStatePtr() { return State.IsRingAmplifier ? State : States[1]; }

PKState& AmplKindToState(std::uint8_t amplifier) {
  amplifier = Amplifier(amplifier);
  return amplifier == State.ActiveAmplifier ? State : States[amplifier];
}

K5Scale::PKScaleRecord& AmplKindToScale(std::uint8_t amplifier) {
  amplifier = Amplifier(amplifier);
  return amplifier == State.ActiveAmplifier ? Scale : Scales[amplifier];
}

std::uint8_t InactiveAmplifier() { return State.IsRingAmplifier ? 0 : 1; }
std::uint8_t InactiveAmplifierBoard() { return AmplifierToBoard(InactiveAmplifier()); }

bool Tlv4_is_Present() { return State.Tlv4Present; }
bool Tlv4_is_Active() { return Tlv4_is_Active_State(State); }
bool Tlv4_is_Active_State(const PKState& record) { return record.IsRingAmplifier && Tlv4_is_Present(); }
bool SetOtherAmplifier() { return State.HasRingAmplifier && (!Tlv4_is_Present() || Tlv4_is_Active()); }

// ---- Status and cell mode --------------------------------------------------

void GetStatus(std::uint16_t flags) {
  States[0].Overload = (flags & kDiskOverloadBit) != 0;
  States[1].Overload = Tlv4_is_Present() ? K5Set_518::Clipping()
                                          : (flags & kRingOverloadBit) != 0 && State.HasRingAmplifier;
  State.Overload = States[Amplifier(State.ActiveAmplifier)].Overload;
  State.ManualStandby = (flags & kManualStandbyBit) != 0;
}

bool SetCellMode(std::uint8_t mode) {
  if (mode != PKTypes::CellStandby) {
    GetStatus(ZRV::ReadDigital(State.StatusPort));
    if (State.ManualStandby) {
      DoSetCellMode(State.ActiveAmplifier, PKTypes::CellStandby);
      return false;
    }
  }
  DoSetCellMode(State.ActiveAmplifier, mode);
  return true;
}

bool SetCellModes(std::uint8_t mode) {
  States[0].CellMode = mode;
  if (!Tlv4_is_Present()) States[1].CellMode = mode;
  return SetCellMode(mode);
}

void DoSetCellMode(std::uint8_t amplifier, std::uint8_t mode) {
  using PKTypes::CellOn;
  using PKTypes::CellOpenCircuit;
  using PKTypes::CellStandby;
  const bool ringActive = RingIsActive();
  States[Amplifier(State.ActiveAmplifier)].CellMode = State.CellMode;
  std::uint8_t disk = amplifier == 1 ? States[0].CellMode : mode;
  std::uint8_t ring = amplifier == 1 ? mode : States[1].CellMode;
  if (State.ManualStandby) {
    disk = CellStandby;
    if (!Tlv4_is_Present()) ring = CellStandby;
    State.ManualStandby = false;
  }
  // A PK 512 pair: one amplifier alone measures the open-cell potential
  // while the other works.
  if (HasPK512Ring()) {
    if (ringActive) {
      if (ring == CellOpenCircuit || (ring == CellOn && disk == CellOpenCircuit)) disk = CellStandby;
    } else if (disk == CellOpenCircuit || (disk == CellOn && ring == CellOpenCircuit)) {
      ring = CellStandby;
    }
    if (GetDiskStatePtr().AmplMode == 1 && ring == CellOpenCircuit) ring = CellStandby;
  }
  States[0].CellMode = disk;
  States[1].CellMode = ring;
  State.CellMode = States[Amplifier(State.ActiveAmplifier)].CellMode;
  if (State.HasRingAmplifier && ringActive) RegistersTo(K5Set::MainBoard);
  if (disk == CellStandby) K5Set::Standby(true);
  K5Set::Cell(disk == CellOn);
  K5Set::OpenCellPotential(disk == CellOpenCircuit);
  K5Set::OCP_GalMode(GetDiskStatePtr().AmplMode == 1);
  K5Set::OCP_RingOn(ring == CellOpenCircuit);
  if (disk != CellStandby) K5Set::Standby(false);
  if (HasPK512Ring()) {
    RegistersTo(K5Set::SecondBoard);
    K5Set::OpenCellPotential(ring == CellOpenCircuit);
    K5Set::OCP_GalMode(GetRingStatePtr().AmplMode == 1);
    K5Set::OCP_RingOn(ring == CellOpenCircuit);
    K5Set::WorkingElectrode(ring != CellStandby);
    RegistersTo(K5Set::MainBoard);
  }
  if (mode == CellOn && PKTypes::CellActivateDelay > 0.0) VrnlBoards::Wait(PKTypes::CellActivateDelay);
  // The disk working electrode is connected only after the cell has settled.
  K5Set::WorkingElectrode(disk != CellStandby);
  VrnlBoards::FlushCache();
  UpdateWorkElectrOffsetDac();
  // Registers go to the active amplifier's board again (the TLV 4 ring too:
  // the PK 510 must not stay selected beside it).
  if (State.HasRingAmplifier && ringActive) RegistersTo(K5Set::SecondBoard);
}

// ---- Booster -----------------------------------------------------------------

bool CanHaveBooster() { return State.Version == 'A'; }

std::uint8_t ForceBoosterPresent() {
  const double number = std::round(TellTaleFile::Number("PKBooster.On"));
  if (number == 50.0) return 2;
  if (number == 20.0) return 1;
  return State.BoosterPresent;
}

std::uint8_t GetBoosterPresent() {
  State.BoosterPresent = 0;
  double volts = 0.0;
  if (MuxChannelIsHigh(kBoosterChannel, 2.5, 5.5, volts)) State.BoosterPresent = volts < 4.0 ? 2 : 1;
  State.BoosterPresent = ForceBoosterPresent();
  return State.BoosterPresent;
}

bool MuxChannelIsHigh(std::uint8_t channel, double low, double high, double& value) {
  const bool switched = channel != State.MuxChannel;
  if (switched) {
    K5Set::MuxChannel(channel);
    VrnlBoards::Wait(0.01);
  }
  value = (ADMeasure::SampleMean(State.MuxAdcChannel) + Scale.MuxOffset) * Scale.MuxGain;
  if (switched) K5Set::MuxChannel(State.MuxChannel);
  return value > low && value < high;
}

}  // namespace K5Panel
