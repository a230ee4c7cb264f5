#include "amplifier/T3AD.h"

#include <algorithm>
#include <array>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "foundation/Strings.h"

namespace T3AD {

namespace {

// What an amplifier kind fixes when it is set.
struct KindFacts {
  bool ownBoard;  // the kind has an AD/DA board of its own
  ZRVBase::BoardType board;
  T3Types::BoardVersionLetter letter;
  bool remapRack1;
  bool remapRack2;
};

constexpr std::array<KindFacts, 7> kKinds = {{
    {false, ZRVBase::BoardZRV24, 0, false, false},
    {false, ZRVBase::BoardZRV24, 0, false, false},
    {true, ZRVBase::BoardZRV24, 'D', false, false},
    {true, ZRVBase::BoardQRN2400, 'S', true, true},
    {true, ZRVBase::BoardZRV28, 'Q', true, false},
    {true, ZRVBase::BoardQRN55, 'R', false, false},
    {true, ZRVBase::BoardQRN55, 'I', false, false},
}};

// The ZRV-28's logic configuration with the DAC shift.
constexpr std::int32_t kDacShiftMode = 2;

ZRVBase::BoardType ValidBoard(ZRVBase::BoardType board) {
  return board >= ZRVBase::BoardZRV28 && board <= ZRVBase::BoardNone ? board
                                                                      : ZRVBase::BoardZRV24;
}

}  // namespace

void SendByte(std::uint16_t word) {
  VrnlBoards::SendToTlv3Port(T3Types::State.CommandPortChannel, word, T3Base::MaskChipSelectBit);
}

bool Sample(std::int32_t channel, double& interval, std::span<std::int16_t> buffer,
            std::int32_t count, bool muxToAdc) {
  T3Panel::SetQMuxAdc(muxToAdc);
  return ZRV::Sample(channel, interval, buffer, count);
}

bool StimAndSample(std::int32_t dac, std::int32_t adc, double& interval,
                   std::span<const std::int16_t> stimulus, std::span<std::int16_t> data,
                   std::int32_t count, bool testDacOff, bool muxToAdc) {
  T3Panel::SetQTestDac(testDacOff);
  T3Panel::SetQMuxAdc(muxToAdc);
  return ZRV::StimAndSample(dac, adc, interval, stimulus, data, count);
}

std::int32_t SetDacReal(std::int32_t channel, double volts, bool testDacOff) {
  T3Panel::SetQTestDac(testDacOff);
  return ZRV::SetDacReal(channel, volts);
}

void SetDac(std::int32_t channel, std::int32_t units, bool testDacOff) {
  T3Panel::SetQTestDac(testDacOff);
  ZRV::SetDac(channel, units);
}

double ReadAdcReal(std::int32_t channel, bool muxToAdc) {
  T3Panel::SetQMuxAdc(muxToAdc);
  return ZRV::ReadAdcReal(channel);
}

std::int32_t ReadAdc(std::int32_t channel, bool muxToAdc) {
  T3Panel::SetQMuxAdc(muxToAdc);
  return ZRV::ReadAdc(channel);
}

bool PolyStimAndSample(std::int32_t channels, std::int32_t samples, std::uint16_t flags,
                       ZRV::ChannelList outChannels, ZRV::ChannelList inChannels,
                       double& interval, ZRV::DacBuffers outBuffers, ZRV::AdcBuffers inBuffers) {
  return ZRV::PolyStimAndSample(channels, channels, samples, samples, flags, outChannels,
                                inChannels, interval, outBuffers, inBuffers);
}

void Shutdown() { ZRV::Shutdown(); }

ZRVBase::BoardType GetBoardType() { return ValidBoard(ZRV::GetBoardType()); }

void SetBoardType(ZRVBase::BoardType board) {
  ZRV::Shutdown();
  ZRV::SetBoardType(ValidBoard(board));
}

void GetCorrections(ZRVBase::BoardType board, double& delay, double& inputTau, double& outputTau,
                    double& sampleCorrection) {
  ADMeasure::GetCorrections(ValidBoard(board), delay, inputTau, outputTau, sampleCorrection);
}

void SetInitParameters() {
  T3Base::ADBoard = GetBoardType();
  switch (T3Base::ADBoard) {
    case ZRVBase::BoardZRV24:
      T3Base::MaxDigBitIn = 14;
      T3Base::MaxDigBitOut = 13;
      break;
    case ZRVBase::BoardZRV28:
      T3Base::MaxDigBitIn = 14;
      T3Base::MaxDigBitOut = 15;
      break;
    default:
      T3Base::MaxDigBitIn = 15;
      T3Base::MaxDigBitOut = 15;
      break;
  }
  if (T3Base::MaxSelectors > 0) {
    T3Base::MaxDigBitIn = std::min(T3Base::MaxDigBitIn, 13);
    T3Base::MaxDigBitOut = std::min(T3Base::MaxDigBitOut, 5);
  }
  if (T3Base::KESP7Active) {
    T3Base::MaxDigBitIn = std::min(T3Base::MaxDigBitIn, 13);
    T3Base::MaxDigBitOut = std::min(T3Base::MaxDigBitOut, 13);
  }
  T3Base::GetName(T3Base::AmplKind, T3Base::Title);
  T3Types::AmplifierState& state = T3Types::State;
  state.ModelKind = T3Base::AmplKind;
  state.ADBoard = T3Base::ADBoard;
  state.MaxDigBitOut = static_cast<std::int16_t>(T3Base::MaxDigBitOut);
}

void SetTlvType(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard) {
  const T3Types::AmplifierKind oldKind = T3Base::AmplKind;
  const ZRVBase::BoardType oldBoard = T3Base::ADBoard;
  ZRV::Shutdown();
  if (kind >= kKinds.size()) kind = T3Types::KindTlv1;
  const KindFacts& facts = kKinds[kind];
  T3Base::AmplKind = kind;
  T3Base::ADBoard = facts.ownBoard ? facts.board : adBoard;
  T3Base::BoardVersion = facts.letter;
  T3Base::UseSelectProc = kind >= T3Types::KindTlv4;
  T3Base::RemapRack1 = facts.remapRack1;
  T3Base::RemapRack2 = facts.remapRack2;
  T3Base::MaskChipSelectBit = kind == T3Types::KindTlv3;
  T3Base::MuxAdcMappedToAD7 = kind == T3Types::KindTlv4USB;
  if (kind != oldKind || T3Base::ADBoard != oldBoard) {
    GetCorrections(T3Base::ADBoard, ADMeasure::DacToAdcDelay, ADMeasure::InputFilterTau,
                   ADMeasure::OutputFilterTau, ADMeasure::SampleCorrection);
  }
  SetBoardType(T3Base::ADBoard);
  SetInitParameters();
  ZRV::SetRemap(T3Base::RemapRack1 ? 1 : 0, T3Base::RemapRack2 ? 1 : 0);
}

bool InitInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard,
                   bool probeTriggerBoard) {
  SetTlvType(kind, adBoard);
  if (T3Base::ADBoard != ZRVBase::BoardZRV28 || !T3Base::DacShiftEnabled) {
    T3Base::DacShiftEnabled = false;
  } else if (!ZRV::SetBoardMode(kDacShiftMode)) {
    Strings::Assign(ZRVBase::ErrorText, "LCA mode not set");
    ZRV::WriteError();
  }
  const bool ok = ZRV::InitInterface(ZRV::GetBoardType());
  if (probeTriggerBoard) {
    T3Base::KESP7Active = VrnlBoards::KESP7Present();
    if (ok && T3Base::KESP7Active) T3Base::KESP7Active = VrnlBoards::KESP7Initialize();
  }
  VrnlBoards::FlushCache();
  SetInitParameters();
  return ok;
}

}  // namespace T3AD
