#include "amplifier/T3Panel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "acquisition/ADMeasure.h"
#include "acquisition/QRN55Interface.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3PanelRules.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "foundation/Strings.h"

namespace T3Panel {

namespace {

// Board number 8 stands for no board on the bus.
constexpr std::int32_t kNoBoard = 8;

// The AD inputs that read the multiplexed monitor of each rack's unit.
constexpr std::int32_t kMuxAdcRack1 = 7;
constexpr std::int32_t kMuxAdcRack2 = 15;

// The PK518/2 wires its active board as board 1 of the rack.
std::int32_t MappedBoard(std::int32_t rackBoard) {
  return rackBoard == 0 && T3Base::MapActiveBoard ? 1 : rackBoard;
}

bool LetterIn(T3Types::BoardVersionLetter letter, std::string_view letters) {
  return letter != 0 && letters.find(letter) != std::string_view::npos;
}

// Boards older than the multiplexed monitor: their channels follow the
// first TLV 3 wiring.
bool IsOldLetter(T3Types::BoardVersionLetter letter) {
  return letter == 0 || LetterIn(letter, "ABCDPZ");
}

// The letters of the USB generation, whose multiplexer and external
// stimulus sit on channels of their own.
bool HasOwnMuxChannels(T3Types::BoardVersionLetter letter) { return LetterIn(letter, "HNRTY"); }

struct MonitorChannels {
  std::int16_t imon;
  std::int16_t vmon;
  std::int16_t stim;
};

void SetMonitorChannels(T3Types::AmplifierState& state, MonitorChannels channels) {
  state.ImonAdc = channels.imon;
  state.VmonAdc = channels.vmon;
  state.StimDac = channels.stim;
}

// Boards wired one to a rack, or a multi-board TLV 3 run as one board.
void SetSingleBoardChannels(T3Types::AmplifierState& state, std::int32_t rackBoard) {
  if (IsOldLetter(state.BoardVersion)) {
    SetMonitorChannels(state, {6, 5, 3});
    state.ExtStimDac = 2;
    return;
  }
  const std::int32_t mapped = MappedBoard(rackBoard);
  if (mapped == 2) SetMonitorChannels(state, {2, 1, 1});
  if (mapped == 1) SetMonitorChannels(state, {4, 3, 2});
}

// The boards of a multi-board TLV 3 share the AD/DA channels by position.
void SetMultiBoardChannels(T3Types::AmplifierState& state, std::int32_t rackBoard) {
  const bool old = IsOldLetter(state.BoardVersion);
  switch (rackBoard) {
    case 0:
      if (old) {
        SetMonitorChannels(state, {1, 0, 0});
        state.ExtStimDac = 3;
      }
      break;
    case 1:
      SetMonitorChannels(state, old ? MonitorChannels{3, 2, 1} : MonitorChannels{4, 3, 2});
      if (old) state.ExtStimDac = 3;
      break;
    case 2:
      SetMonitorChannels(state, old ? MonitorChannels{5, 4, 2} : MonitorChannels{2, 1, 1});
      if (old) state.ExtStimDac = 3;
      break;
    case 3:
      SetMonitorChannels(state, {7, 0, 0});
      break;
    default:
      break;
  }
}

void MoveToSecondRack(T3Types::AmplifierState& state) {
  state.ImonAdc += 8;
  state.VmonAdc += 8;
  state.StimDac += 4;
  state.EEPROMReadChannel = 20;
  state.CommandPortChannel = 12;
  state.SelectorPortChannel = 11;
  if (HasOwnMuxChannels(state.BoardVersion)) {
    state.ExtStimDac = 13;
    state.MuxAdc = T3Base::MuxAdcMappedToAD7 ? static_cast<std::int16_t>(state.MuxAdc + 8) : 21;
  } else {
    state.ExtStimDac += 4;
    state.MuxAdc += 8;
  }
}

void CopyText(std::span<char> field, std::span<const char> text) {
  const auto length = std::min<std::size_t>(Strings::Length(text), field.size());
  std::fill(std::copy_n(text.begin(), length, field.begin()), field.end(), '\0');
}

void ClearSelector() {
  T3Selector::SelectorPosition = 0;
  T3Selector::SelectorBoard = 0;
  T3Selector::SelectorDacUnits = 0;
  T3Selector::SelectorEEPROM = false;
}

}  // namespace

void InitModule() {
  T3Types::AmplifierState& state = T3Types::State;
  state = T3Types::AmplifierState{};
  state.ModelKind = T3Types::KindTlv4USB;
  state.Board = 0;
  state.ADBoard = ZRVBase::BoardQRN55;
  state.BoardVersion = 'R';
  state.EEPROMKind = 0;
  state.RefGainTrimOn = false;
  ClearSelector();
  FillAdcAndDac(state);
}

T3Types::AmplifierKind KindOfLetter(T3Types::BoardVersionLetter letter) {
  if (LetterIn(letter, "EFIJOSU")) return T3Types::KindTlv4;
  if (LetterIn(letter, "GKLMQ")) return T3Types::KindTlv4Plus;
  if (HasOwnMuxChannels(letter)) return T3Types::KindTlv4USB;
  return T3Types::KindTlv3;
}

std::int32_t GetBoardToSet(std::int32_t board) {
  if (T3Base::SecondRackBoards > 0 && board >= T3Base::FirstRackBoards) {
    return board - T3Base::FirstRackBoards;
  }
  return board;
}

// Start values on the first rack's channels; then the board's position
// among the boards sharing the rack's AD/DA channels; then, in the second
// rack, everything moves to that rack's channels.
void FillAdcAndDac(T3Types::AmplifierState& state) {
  state.ModelKind = KindOfLetter(state.BoardVersion);
  SetMonitorChannels(state, {6, 5, 3});
  state.EEPROMReadChannel = 17;
  state.CommandPortChannel = 9;
  state.SelectorPortChannel = 8;
  if (HasOwnMuxChannels(state.BoardVersion)) {
    state.ExtStimDac = 10;
    state.MuxAdc = T3Base::MuxAdcMappedToAD7 ? 7 : 18;
  } else {
    state.ExtStimDac = 0;
    state.MuxAdc = 7;
  }
  const std::int32_t rackBoard = GetBoardToSet(state.Board);
  if (!state.IsTlv3N || T3Base::EmulateTlv3N) {
    SetSingleBoardChannels(state, rackBoard);
  } else {
    SetMultiBoardChannels(state, rackBoard);
  }
  if (T3Base::IsSecondRack) MoveToSecondRack(state);
}

void CopyT3BaseFields() {
  T3Types::AmplifierState& state = T3Types::State;
  CopyText(state.SerialNumber, T3Base::SerialNumber);
  CopyText(state.ScaleDate, T3Scale::Scale.CalibDate);
  state.IsTlv3N = T3Base::IsTlv3N;
  state.ADBoard = T3Base::ADBoard;
  state.T3Boards = static_cast<std::int16_t>(T3Base::T3Boards);
  state.BoardVersion = T3Base::BoardVersion;
  state.MaxDigBitOut = static_cast<std::int16_t>(T3Base::MaxDigBitOut);
  const auto option = [](int bit) { return (T3Base::HardwareVersion >> bit & 1) != 0; };
  state.HasCCFast = option(3);
  state.HasCCRange0 = option(4);
  state.HasCCRange1 = option(5);
  state.HasInternalVmon = option(6);
  state.HasHighCCGains = option(7);
  state.HasCCTracking = option(8);
  state.HasVmonX100 = option(9);
  state.HasBathSense = option(10);
  state.HasF2Source = option(11);
  state.HasCFastHigh = option(12);
  state.HasVrefX2 = option(14);
  state.BaseFieldsCopied = true;
}

void SetTestDacOut(bool on) {
  T3Set::TestDacOut(on);
  T3Types::State.TestDacOff = !on;
}

void SetQTestDac(bool off) {
  if (T3Types::State.TestDacOff != off) SetTestDacOut(!off);
}

void SetQMuxAdc(bool on) {
  T3Types::AmplifierState& state = T3Types::State;
  if (!state.IsTetral || state.QMuxAdc == on) return;
  T3Set::QMuxAdc(on);
  state.QMuxAdc = on;
}

void Flush() {
  SetQTestDac(false);
  SetQMuxAdc(false);
  VrnlBoards::FlushCache();
}

bool HasRefGainTrim() { return T3Base::BoardVersion == 'Y'; }

void InitializeState(T3Types::AmplifierState& state, std::uint8_t board,
                     std::uint8_t eepromKind, std::uint8_t selector, bool vrefX2,
                     bool cFastHigh, bool refGainTrimOn) {
  state = T3Types::AmplifierState{};
  state.ImonBandwidth = 2300.0;
  state.F2Frequency = 3000.0;
  state.VmonBandwidth = 100000.0;
  state.VmonFilter = 100000.0;
  state.CSlow = 1e-12;
  state.GSeries = 1e-6;
  state.StimDacScale = StimDacScaleRule(vrefX2);
  state.CCStimDacScale = state.StimDacScale;
  state.VmonFactor = 0.1;
  state.AutoCSlowAmplitude = 0.005;
  state.AutoCSlowTimeout = 8.0;
  state.SearchDelay = 2.0;
  state.T3Boards = static_cast<std::int16_t>(T3Base::T3Boards);
  state.AutoCSlowCycles = 10;
  state.MaxDigBitOut = 7;
  state.EEPROMKind = eepromKind;
  state.HasCFastHigh = cFastHigh;
  state.CFastHigh = cFastHigh;
  state.Filter2Law = T3Scale::Scale.Filter2Law;
  state.IsTlv3N = T3Base::IsTlv3N;
  state.ADBoard = T3Base::ADBoard;
  state.BoardVersion = T3Base::BoardVersion;
  state.Board = board;
  state.Mode = kModeVoltageClamp;
  state.Range = 1;
  state.CCGain = 1;
  state.VrefX2 = vrefX2;
  state.HasVrefX2 = vrefX2;
  state.HasInternalVmon = true;
  state.Selector = selector;
  state.Gain = 1;
  state.Filter1 = 2;
  state.StimFilter = 1;
  state.RsSlow = T3Base::AmplKind == T3Types::KindTlv3;
  state.CCCFast = true;
  state.CCSpeed = 1;
  state.TestRange = 2;
  state.Mux = 5;
  state.RefGainTrimDac = 2550;
  state.RefGainTrimOn = refGainTrimOn;
  FillDerivedFields(state);
  FillAdcAndDac(state);
}

void FillDerivedFields(T3Types::AmplifierState& state) {
  CopyText(state.Tag, std::span<const char>("TLV_v3"));
  state.CurrentGain = GetCurrentGain(state.Range, state.Gain);
  state.F1Bandwidth = F1BandwidthOf(state.Filter1);
  state.StimFilterHz = state.StimFilter == 0 ? 100000.0 : 10000.0;
  state.RsTau = RsTauOf(state);
}

void GetDefaultState() {
  T3Types::AmplifierState& state = T3Types::State;
  InitializeState(state, state.Board, state.EEPROMKind, state.Selector, state.VrefX2,
                  state.CFastHigh, state.RefGainTrimOn);
  T3Base::BoardState.VCFilter1 = state.Filter1;
  T3Base::BoardState.VCRsFraction = state.RsFraction;
  T3Base::BoardState.CCRsFraction = 0.0;
}

namespace {

// The controls in the order that leaves every element as they set it: the
// stimulus path first, the range before everything that depends on it,
// the routing last. Each gets its field as the record held it when the
// replay began: a control early in the order may reset a field that a
// later one replays (test mode starts the integrator at range 2).
void ReplayControls() {
  const T3Types::AmplifierState state = T3Types::State;
  SetVrefX2(state.VrefX2);
  SetStimScale(state.StimScale);
  SetVHold(state.VHold);
  SetVpOffset(state.VpOffset);
  SetVLiquidJunction(state.VLiquidJunction);
  SetRange(state.Range);
  SetMode(state.Mode);
  SetGain(state.Gain);
  SetFilter1(state.Filter1);
  SetF2Source(state.F2Source);
  SetRsValue(state.RsValue);
  SetRsFraction(state.RsFraction);
  SetCFastHigh(state.CFastHigh);
  SetCFastTau(state.CFastTau);
  // Range 0 alone would leave the injection switches of an earlier range
  // closed: range 2 first opens them into a known state.
  if (state.CSlowRange == 0) {
    SetCSlowRange(2);
    SetCSlowRange(0);
  } else {
    SetCSlowRange(state.CSlowRange);
  }
  SetGLeak(state.GLeak);
  SetStimFilter(state.StimFilter);
  SetVmonX100(state.VmonX100);
  SetTestRange(state.TestRange);
  SetTestDacPath(state.TestDacPath);
  SetCCRange(state.CCRange, true);
  SetCCStimScale(state.CCStimScale);
  SetCCIHold(state.CCIHold);
  SetCCCFast(state.CCCFast);
  SetCCSpeed(state.CCSpeed);
  SetCCTrackHold(state.CCTrackHold);
  SetCCTrackTau(state.CCTrackTau);
  SetBathSense(state.BathSense);
  SetF2Response(state.F2Response);
  SetMux(state.Mux);
  SetMuxGain(state.MuxGain);
  SetRefGainTrim(state.RefGainTrimOn, T3Scale::Scale.RefGainTrimDac);
}

void Replay(bool withBoardSelection) {
  T3Types::AmplifierState& state = T3Types::State;
  const bool firstReplay = !state.BaseFieldsCopied;
  if (firstReplay) CopyT3BaseFields();
  if (withBoardSelection) SetT3Board(state.Board);
  if (firstReplay) {
    T3Set::InitFree();
    T3Set::EEPROMSelect(false);
    T3Set::EEPROMDataPath(false);
    T3Set::ExtensionEEPROMSelect(false);
  }
  T3Selector::SetSelector(state.Selector);
  SetTestDacOut(true);
  T3Set::QMuxAdc(true);
  state.QMuxAdc = true;
  state.Filter2Law = T3Scale::Scale.Filter2Law;
  ReplayControls();
  T3AD::GetCorrections(T3Base::ADBoard, ADMeasure::DacToAdcDelay, ADMeasure::InputFilterTau,
                       ADMeasure::OutputFilterTau, ADMeasure::SampleCorrection);
  state.DacToAdcDelay = ADMeasure::DacToAdcDelay;
  state.InputFilterTau = ADMeasure::InputFilterTau;
  state.OutputFilterTau = ADMeasure::OutputFilterTau;
  state.SavedCSlowRange = state.CSlowRange;
}

}  // namespace

void LoadTheState() {
  Replay(true);
  Flush();
}

void ReplayState() { Replay(false); }

void Reset() {
  const T3Types::AmplifierState kept = T3Types::State;
  GetDefaultState();
  T3Types::AmplifierState& state = T3Types::State;
  state.VHold = kept.VHold;
  state.CCIHold = kept.CCIHold;
  state.VpOffset = kept.VpOffset;
  state.VLiquidJunction = kept.VLiquidJunction;
  state.UseExtStimDac = kept.UseExtStimDac;
  state.CSlow = kept.CSlow;
  state.GSeries = kept.GSeries;
  state.CCTrackHold = kept.CCTrackHold;
  state.CCSpeed = kept.CCSpeed;
  state.AutoCSlowCycles = kept.AutoCSlowCycles;
  state.AutoCSlowAmplitude = kept.AutoCSlowAmplitude;
  state.SearchDelay = kept.SearchDelay;
  state.AutoCSlowTimeout = kept.AutoCSlowTimeout;
  state.Selector = kept.Selector;
  state.CFastHigh = kept.CFastHigh;
  state.BathSense = kept.BathSense;
  state.VrefX2 = kept.VrefX2;
  if (!T3Base::TesterMode) state.CCGain = kept.CCGain;
  LoadTheState();
}

void StartClippingSkipCount(std::int32_t board) {
  if (board == T3Base::ActiveBoard || T3Base::MapActiveBoard) return;
  T3Base::BoardLatchSwitched = T3Base::ClippingSkipCount;
  T3Base::ActiveBoard = static_cast<std::uint8_t>(board);
}

void SetT3BoardLatch(std::int32_t board) {
  StartClippingSkipCount(board);
  VrnlBoards::FlushCache();
  std::int32_t rackBoard = kNoBoard;
  if (board == kNoBoard) {
    T3Base::IsSecondRack = false;
  } else {
    rackBoard = GetBoardToSet(board);
    T3Base::IsSecondRack = rackBoard < board;
    if (T3Base::EmulateTlv3N) rackBoard = 0;
  }
  T3Set::T3BoardLatch(MappedBoard(rackBoard));
}

namespace {

constexpr T3Types::AmplifierError kBoardSelectError = 27;

// The records of a board seen for the first time.
void NewBoard() {
  T3Scale::LoadDefaults();
  GetDefaultState();
  T3Base::InitBoardState();
  T3Auto::InitTempState();
}

void TakeRackSerialNumber() {
  const char* serial = T3Base::IsSecondRack ? T3Base::SerialNumber2 : T3Base::SerialNumber1;
  if (serial[0] != '\0') CopyText(T3Base::SerialNumber, {serial, T3Base::kTextSize});
}

// The flag bit of a board in the interface's clipping mask.
std::int32_t ClippingFlag(std::int32_t board) {
  const std::int32_t rackBoard = GetBoardToSet(board);
  const bool secondRack = rackBoard < board;
  if (T3Base::ADBoard == ZRVBase::BoardQRN2400) {
    constexpr std::array<std::int32_t, 4> kRackFlags = {0, 2, 3, 1};
    const std::int32_t mapped = MappedBoard(rackBoard);
    const std::int32_t flag = mapped >= 0 && mapped < 4 ? kRackFlags[static_cast<std::size_t>(mapped)] : 0;
    return flag + (secondRack ? 4 : 0);
  }
  return secondRack ? rackBoard + 4 : MappedBoard(rackBoard);
}

}  // namespace

void SetT3Board(std::int32_t board) {
  if (board == kNoBoard) {
    SetT3BoardLatch(kNoBoard);
    return;
  }
  if (board < 0 || board >= T3Base::T3Boards) return;
  T3Types::AmplifierState& state = T3Types::State;
  if (board != state.Board) {
    SetQTestDac(false);
    SetQMuxAdc(false);
  }
  std::array<char, T3Base::kTextSize> serial{};
  std::copy_n(T3Base::SerialNumber, T3Base::kTextSize, serial.begin());
  SetT3BoardLatch(board);
  TakeRackSerialNumber();
  if (!T3Select::ActivateBoard(board, NewBoard)) {
    std::copy(serial.begin(), serial.end(), T3Base::SerialNumber);
    SetT3BoardLatch(state.Board);
    T3Error::Error = kBoardSelectError;
    return;
  }
  SetT3BoardLatch(board);
  if (ZRV::Status() != 0) state.IsTetral = IsTetral();
  MapMuxAdc(!IsTetral());
  if (T3Base::EmulateTlv3N) ReplayState();
}

std::int32_t GetActiveT3Boards() {
  return T3Base::IsSecondRack ? T3Base::SecondRackBoards : T3Base::FirstRackBoards;
}

bool IsTetral() { return T3Base::IsSecondRack ? T3Base::TetralRack2 : T3Base::TetralRack1; }

void MapMuxAdc(bool on) {
  T3Base::MuxAdcMappedToAD7 = on && T3Base::AmplKind == T3Types::KindTlv4USB;
  if (T3Base::MuxAdcMappedToAD7) {
    QRN55Interface::MapMuxAdc(kMuxAdcRack1, T3Base::SecondRackBoards > 0 ? kMuxAdcRack2 : -1);
  } else {
    QRN55Interface::MapMuxAdc(-1, -1);
  }
  FillAdcAndDac(T3Types::State);
}

void InitEEPROMReadPort() {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.Board > 7) state.Board = 0;
  SetT3BoardLatch(state.Board);
}

void SetSelector(std::int32_t position) {
  T3Types::AmplifierState& state = T3Types::State;
  const std::int32_t old = state.Selector;
  const std::uint8_t mux = state.Mux;
  bool changed = false;
  if (position >= 1 && position <= T3Base::MaxSelectors) {
    changed = position != old;
  } else {
    if (old != 0) {
      if (!T3Selector::SetSelector(1)) return;
      changed = true;
    }
    position = 0;
  }
  if (!T3Selector::SetSelector(position)) return;
  state.Selector = static_cast<std::uint8_t>(position);
  if (!changed) return;
  FillAdcAndDac(state);
  ReplayState();
  if (state.Mux != mux) SetMux(mux);
}

std::uint16_t ReadClipping() {
  const std::uint8_t mask = ZRV::ReadClippingAndClear();
  if (T3Base::BoardLatchSwitched > 0) {
    --T3Base::BoardLatchSwitched;
    return T3Base::ClippingSet;
  }
  T3Base::ClippingSet = 0;
  if (T3Base::ADBoard == ZRVBase::BoardQRN2400 || T3Base::ADBoard == ZRVBase::BoardQRN55) {
    for (std::int32_t board = 0; board < T3Base::T3Boards; ++board) {
      T3Types::AmplifierState* state = T3Select::GetStateAdr(board);
      if (state == nullptr) continue;
      state->Clipping = (mask >> ClippingFlag(board) & 1) != 0;
      if (state->Clipping) T3Base::ClippingSet |= static_cast<std::uint16_t>(1u << board);
    }
  } else {
    T3Types::AmplifierState& state = T3Types::State;
    state.Clipping = (mask & 1) != 0;
    if (state.Clipping) T3Base::ClippingSet = static_cast<std::uint16_t>(1u << state.Board);
  }
  return T3Base::ClippingSet;
}

bool IsClipping() {
  ReadClipping();
  return T3Types::State.Clipping;
}

}  // namespace T3Panel
