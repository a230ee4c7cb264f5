#include "amplifier/T3Panel.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "foundation/Strings.h"

namespace T3Panel {

namespace {

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
  const std::int32_t mapped = rackBoard == 0 ? (T3Base::MapActiveBoard ? 1 : 0) : rackBoard;
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

// The multiplexer channel that shows filter 2's own output.
constexpr std::uint8_t kMuxFilter2 = 11;

bool IsYBoardSlowFilter(std::int32_t filter1) { return filter1 == 3 && HasRefGainTrim(); }

double F1BandwidthOf(std::int32_t index) {
  constexpr double kBandwidths[] = {100000.0, 30000.0, 10000.0, 30000.0};
  return IsYBoardSlowFilter(index) ? 15.0 : kBandwidths[index];
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

void SetFilter1(std::int32_t index) {
  T3Types::AmplifierState& state = T3Types::State;
  if (index < 0 || index > 3) {
    T3Error::Error = 25;
    return;
  }
  const bool currentClamp = state.Mode == 2;
  if (currentClamp) index = state.CCGain == 2 || state.CCGain == 3 ? 1 : 2;
  constexpr std::int32_t kOutputFilter[] = {0, 2, 1, 2};
  T3Set::Filter1(index);
  T3Set::OutputFilter(kOutputFilter[index]);
  state.Filter1 = static_cast<std::uint8_t>(index);
  state.F1Bandwidth = F1BandwidthOf(index);
  if (!currentClamp) T3Base::BoardState.VCFilter1 = state.Filter1;
  UpdateBandwidths();
}

void SetMux(std::uint8_t channel) {
  T3Set::MuxChannel(channel);
  T3Types::State.Mux = channel;
  UpdateBandwidths();
}

void SetMuxGain(bool on) {
  if ((T3Base::HardwareVersion & 1) != 0) T3Set::MuxGainx64(on);
  T3Types::State.MuxGain = false;
}

void SetBathSense(bool on) {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.HasBathSense) {
    T3Set::BathSense(on);
  } else {
    on = false;
  }
  state.BathSense = on;
}

void SetRefGainTrim(bool on, std::int32_t value) {
  if (HasRefGainTrim()) {
    value = std::clamp(value, 0, 4095);
    T3Set::RefGainTrimOn(on);
    T3Set::RefGainTrimDac(value);
  } else {
    on = false;
    value = 0;
  }
  T3Types::State.RefGainTrimOn = on;
  T3Types::State.RefGainTrimDac = static_cast<std::int16_t>(value);
}

void UpdateBandwidths() {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.Mux == kMuxFilter2) {
    state.ImonBandwidth = state.F2Frequency;
  } else if (IsYBoardSlowFilter(state.Filter1)) {
    state.ImonBandwidth = 15.0;
  } else if (state.F2Response != 0 && state.F2Response != 1) {
    state.ImonBandwidth = state.F1Bandwidth;
  } else {
    const double f1 = state.F1Bandwidth;
    const double f2 = state.F2Frequency;
    state.ImonBandwidth = 1.0 / std::sqrt(1.0 / (f1 * f1) + 1.0 / (f2 * f2));
  }
  state.VmonBandwidth =
      state.F2Response == 3 || state.F2Response == 4 ? state.VmonFilter : 100000.0;
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

void GetDefaultState() {}

void LoadTheState() { Flush(); }

}  // namespace T3Panel
