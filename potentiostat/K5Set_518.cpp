#include "potentiostat/K5Set_518.h"

#include <algorithm>
#include <cstdint>

#include "acquisition/ZRV.h"
#include "foundation/Strings.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/PKTypes.h"

namespace K5Set_518 {

namespace {

// The amplifier board number that deselects every board.
constexpr std::int32_t kNoAmplifierBoard = 8;

// The amplifier's values the PK record takes, named by their role.
struct AmplifierValues {
  bool currentClamp;
  bool vrefX2;
  bool bathSense;
  double holdingPotential;
  double holdingCurrent;
  double currentGain;
  double currentBandwidth;
  double voltageBandwidth;
  double stimulusFilterHz;
  bool clipping;
  std::int16_t stimulusDac;
  std::int16_t testDac;
  std::int16_t voltageMonitorAdc;
  std::int16_t currentMonitorAdc;
  std::int16_t muxAdc;
  std::int16_t commandPort;
  std::int16_t digitalInputPort;
};

// Which field of the amplifier's record holds each role.
AmplifierValues ReadAmplifier(const T3Types::AmplifierState& amplifier) {
  return {
      .currentClamp = amplifier.Mode == 2,
      .vrefX2 = amplifier.VrefX2,
      .bathSense = amplifier.BathSense,
      .holdingPotential = amplifier.VHold,
      .holdingCurrent = amplifier.CCIHold,
      .currentGain = amplifier.CurrentGain,
      .currentBandwidth = amplifier.ImonBandwidth,
      .voltageBandwidth = amplifier.VmonBandwidth,
      .stimulusFilterHz = amplifier.StimFilterHz,
      .clipping = amplifier.Clipping,
      .stimulusDac = amplifier.StimDac,
      .testDac = amplifier.ExtStimDac,
      .voltageMonitorAdc = amplifier.VmonAdc,
      .currentMonitorAdc = amplifier.ImonAdc,
      .muxAdc = amplifier.MuxAdc,
      .commandPort = amplifier.CommandPortChannel,
      .digitalInputPort = amplifier.EEPROMReadChannel,
  };
}

// The paired start-up takes no record from a file: the loaders report the
// scale file (3) and the C-fast file (4) as missing.
std::int32_t NoScaleFile(std::span<char>, std::byte*&, std::int32_t&, bool) { return 3; }
std::int32_t NoCFastFile(std::span<char>, std::byte*&, std::int32_t&, bool) { return 4; }

// The amplifier start-up writes its messages with the model word "TLV3".
void NamePairedAmplifier(std::span<char> text) {
  const int at = Strings::Search(text, "TLV3", 0);
  if (at < 0) return;
  Strings::DelString(text, at, 4);
  Strings::Insert(text, "PK518", at);
}

}  // namespace

void Init_PK510_and_PK518() {
  if (ZRV::Status() == ZRV::StateClosed) ZRV::InitInterface(ZRV::GetBoardType());
  // Where both families share the port's words (the ZRV-24), the amplifier
  // board must not hear the PK 510's: it is deselected around them.
  T3Set::SendToHardware = true;
  InactivateTlvBoard();
  T3Set::SendToHardware = false;
  // The PK 510 takes these words whether it was selected or not: its power-on
  // set-up selects it first and the last word deselects it again.
  K5Set::SendToHardware = true;
  K5Set_510::InitHardware();
  K5Set_510::Board.EnableMuxAdc(false);
  K5Set_510::ActiveBoard(K5Set::NoBoard);
  K5Set::SendToHardware = false;
  T3Set::SendToHardware = true;
  ActivateTlvBoard();
}

std::int32_t InitializeAndCheckForLife(std::span<char> versionText, std::int32_t& firstError,
                                       std::int32_t& lastError) {
  T3Base::MapActiveBoard = true;
  const std::int32_t result = T3Init::DoInitializeAndCheckForLife(
      versionText, firstError, lastError, T3Types::KindTlv4USB, /*activeBoardOnly=*/true,
      /*allowSecondRack=*/false, /*detectKESP7=*/false, /*loadScale=*/true, &NoScaleFile, &NoCFastFile);
  NamePairedAmplifier(versionText);
  T3Init::FinishInitialization(false, T3Base::BoardVersion, T3Base::FirstRackBoards, T3Base::SecondRackBoards);
  T3Panel::SetCCGain(1);
  T3Panel::SetMux(5);
  InitializePKState();
  CopyT3StateToPKState();
  return result;
}

void ActivateTlvBoard() { T3Panel::SetT3Board(T3Types::State.Board); }
void InactivateTlvBoard() { T3Panel::SetT3Board(kNoAmplifierBoard); }

void InitializePKState() {
  const AmplifierValues amplifier = ReadAmplifier(T3Types::State);
  PKTypes::PKState& record = K5Panel::GetRingStatePtr();
  // Both fields hold eight characters, a shorter text ended by a NUL.
  static_assert(sizeof record.SerialNumber == sizeof T3Types::State.SerialNumber);
  std::ranges::copy(T3Types::State.SerialNumber, record.SerialNumber);
  record.CellMode = PKTypes::CellOn;
  record.SharedReal1 = 0.0;
  record.IRCompValue = 0.0;
  record.StimDacChannel = amplifier.stimulusDac;
  record.TestDacChannel = amplifier.testDac;
  record.VoltageAdcChannel = amplifier.voltageMonitorAdc;
  record.CurrentAdcChannel = amplifier.currentMonitorAdc;
  record.MuxAdcChannel = amplifier.muxAdc;
  record.CommandPort = amplifier.commandPort;
  record.StatusPort = amplifier.digitalInputPort;
  record.AuxChannel = 1;
  record.HasRingAmplifier = true;
  record.Remote = true;
  record.FixedStimDac = 0;
  record.UseFixedStimDac = false;
  record.BoosterPresent = 0;
  record.BoosterActive = false;
  record.IRCompOn = false;
  record.ManualStandby = false;
}

void CopyT3StateToPKState() {
  const AmplifierValues amplifier = ReadAmplifier(T3Types::State);
  PKTypes::PKState& record = K5Panel::GetRingStatePtr();
  if (record.CellMode != PKTypes::CellOpenCircuit) record.CellMode = PKTypes::CellOn;
  record.AmplMode = amplifier.currentClamp ? 1 : 0;
  record.StimInScale = amplifier.vrefX2 ? 0 : 1;
  record.ElectrodeMode = amplifier.bathSense ? 1 : 0;
  record.InitVoltage = amplifier.holdingPotential;
  record.InitCurrent = amplifier.holdingCurrent;
  record.CurrentGain = amplifier.currentGain;
  record.CurrentBandwidth = amplifier.currentBandwidth;
  record.VoltageBandwidth = amplifier.voltageBandwidth;
  record.StimulusBandwidth = amplifier.stimulusFilterHz;
  record.Overload = amplifier.clipping;
  record.VoltageSubtractOn = false;
  record.CurrentSubtractOn = false;
  record.SubtractionActive = false;
}

bool Clipping() { return T3Panel::IsClipping(); }

void WriteState() { T3Set::WriteState(); }

void Shutdown() { T3Init::Shutdown(); }

void InitModule() { T3Init::InitAllModules(); }

}  // namespace K5Set_518
