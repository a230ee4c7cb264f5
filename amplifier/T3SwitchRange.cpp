#include "amplifier/T3SwitchRange.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"

namespace T3SwitchRange {

namespace {

constexpr T3Types::AmplifierError kRangeError = 25;
constexpr T3Types::AmplifierError kAcquisitionError = 23;

constexpr std::uint16_t kPortRest = 0xC000;   // port select and strobe high
constexpr std::uint16_t kStrobe = 0x4000;
constexpr std::uint16_t kPortSelect = 0x8000;
constexpr std::uint16_t kChipSelectBit = 0x0400;
constexpr double kSweepInterval = 1e-5;
constexpr double kHoldVolts = -6.0;
constexpr double kCorrectionLimit = 0.001;
constexpr std::uint8_t kTestDacMux = 13;
constexpr std::uint8_t kCommandMux = 6;
constexpr std::int32_t kSamplePoints = 16;

// The latches the sweep switches.
constexpr std::int32_t kTestIntegrator = 39;
constexpr std::int32_t kProbeResistor = 40;
constexpr std::int32_t kTestInjection = 42;

std::array<std::int16_t, kSamples> DigitalTemplate{};
std::array<std::int16_t, kSamples> DacTemplate{};

// The three samples that latch the pair of the latch as the shadow holds it.
void PlaceTriple(std::int32_t index, std::int32_t latch) {
  const std::uint16_t word = T3Set::SwitchValueToSend(latch);
  const auto at = [](std::int32_t i) -> std::int16_t& { return DigitalTemplate[static_cast<std::size_t>(i)]; };
  at(index) = static_cast<std::int16_t>(word | kPortRest);
  at(index + 1) = static_cast<std::int16_t>((word & 0x3FFF) | kPortSelect);
  at(index + 2) = static_cast<std::int16_t>(word | kPortRest);
}

void FillDac(std::int32_t first, std::int32_t last, std::int16_t units) {
  std::fill(DacTemplate.begin() + first, DacTemplate.begin() + last + 1, units);
}

// The words the command port rests at before and after the sweep.
void RestWords(std::uint16_t& first, std::uint16_t& last) {
  if (T3AD::GetBoardType() != ZRVBase::BoardZRV24) {
    first = kPortRest;
    last = kStrobe;
    return;
  }
  auto d = static_cast<std::uint16_t>((ZRVBase::DigitalOutState & 0x7FFF) | kStrobe);
  if (T3Base::MaskChipSelectBit) d = static_cast<std::uint16_t>(d & ~kChipSelectBit);
  ZRVBase::DigitalOutState = d;
  first = static_cast<std::uint16_t>(d | kPortSelect);
  last = d;
}

void BuildTemplates(std::uint16_t probeResistorBits, std::int16_t holdUnits) {
  std::uint16_t first = 0;
  std::uint16_t last = 0;
  RestWords(first, last);
  DigitalTemplate.fill(static_cast<std::int16_t>(kPortRest));
  DacTemplate.fill(0);
  DigitalTemplate[0] = static_cast<std::int16_t>(first);
  T3Set::Set1Switch(kTestInjection, 2, true);
  PlaceTriple(5, kTestInjection);
  T3Set::Set1Switch(kTestIntegrator, 2, true);
  T3Set::Set1Switch(kTestIntegrator, 3, false);
  PlaceTriple(8, kTestIntegrator);
  T3Set::Set4Switches(kProbeResistor,
                      (T3Set::SwitchState.Element[kProbeResistor] & 0x3) | probeResistorBits);
  PlaceTriple(1010, kProbeResistor);
  T3Set::Set1Switch(kTestInjection, 2, false);
  PlaceTriple(1013, kTestInjection);
  T3Set::Set1Switch(kTestIntegrator, 2, false);
  PlaceTriple(2015, kTestIntegrator);
  FillDac(9, 1008, holdUnits);
  FillDac(1014, 2018, holdUnits);
  DigitalTemplate[kSamples - 1] = static_cast<std::int16_t>(last);
  DacTemplate[kSamples - 1] = 0;
}

void SetMuxOnce(std::uint8_t channel) {
  if (T3Types::State.Mux != channel) T3Panel::SetMux(channel);
}

// The test DAC paths the sweep opens, to put back afterwards: the live
// board's and, on a multi-board amplifier, every other board's.
struct OpenedPaths {
  std::uint8_t own = 0;
  std::array<std::uint8_t, T3Select::kBoards> others{};
};

// Where another board drives its stimulus with the external DAC, that
// board's holding level is what the DAC must give back.
void OpenOtherBoards(OpenedPaths& paths, double& level, bool& measure) {
  const std::int32_t active = T3Types::State.Board;
  const double stimDacScale = T3Types::State.StimDacScale;
  for (std::int32_t board = 0; board < T3Base::T3Boards && board < T3Select::kBoards; ++board) {
    const T3Types::AmplifierState* state = T3Select::GetStateAdr(board);
    if (state == nullptr) continue;
    if (state->StimDac == state->ExtStimDac) {
      level = state->VHold * stimDacScale;
      measure = false;
    }
    if (board == active) continue;
    const std::uint8_t path = state->TestDacPath;
    paths.others[static_cast<std::size_t>(board)] = path;
    if (path == 0) continue;
    T3Panel::SetT3Board(board);
    T3Panel::SetTestDacPath(0);
    T3Panel::SetT3Board(active);
  }
}

void RestoreOtherBoards(const OpenedPaths& paths) {
  const std::int32_t active = T3Types::State.Board;
  for (std::int32_t board = 0; board < T3Select::kBoards; ++board) {
    const std::uint8_t path = paths.others[static_cast<std::size_t>(board)];
    if (board == active || path == 0) continue;
    T3Panel::SetT3Board(board);
    T3Panel::SetTestDacPath(path);
    T3Panel::SetT3Board(active);
  }
}

double ReadTestDac() {
  SetMuxOnce(kTestDacMux);
  return T3Auto::Sample(T3Types::State.MuxAdc, kSamplePoints, true);
}

bool Sweep() {
  const T3Types::AmplifierState& state = T3Types::State;
  const std::array<std::int32_t, 2> outputs = {state.CommandPortChannel, state.ExtStimDac};
  const std::array<std::int32_t, 2> inputs = {state.MuxAdc, state.ImonAdc};
  const std::array<const std::int16_t*, 2> outBuffers = {DigitalTemplate.data(),
                                                         DacTemplate.data()};
  const std::array<std::int16_t*, 2> inBuffers = {DigitalTemplate.data(), DacTemplate.data()};
  double interval = kSweepInterval;
  VrnlBoards::FlushCache();
  return T3AD::PolyStimAndSample(2, kSamples, ZRV::FlagStimulate, outputs, inputs, interval,
                                 outBuffers, inBuffers);
}

}  // namespace

bool NewRange(std::int32_t range) {
  if (range < 0 || range >= T3Scale::kGainRanges) {
    T3Error::Error = kRangeError;
    return false;
  }
  const T3Scale::Set16 p = T3Scale::Scale.Range[static_cast<std::size_t>(range)].ProbeResistor;
  const auto probeResistorBits = static_cast<std::uint16_t>(((p & 1) != 0 ? 4 : 0) |
                                                            ((p & 2) != 0 ? 8 : 0));
  T3Types::AmplifierState& state = T3Types::State;
  const std::uint8_t mux = state.Mux;
  const bool testDacOff = state.TestDacOff;
  const bool qMuxAdc = state.QMuxAdc;
  OpenedPaths paths;
  paths.own = state.TestDacPath;
  double level = 0.0;
  bool measure = true;
  if (paths.own != 0) T3Panel::SetTestDacPath(0);
  if (T3Base::IsTlv3N) OpenOtherBoards(paths, level, measure);
  if (measure) level = ReadTestDac();

  double holdVolts = kHoldVolts;
  const auto holdUnits = static_cast<std::int16_t>(ZRV::VoltsToDacUnits(state.ExtStimDac, holdVolts));
  SetMuxOnce(kCommandMux);
  T3Panel::SetTestDacOut(false);
  T3Panel::SetQTestDac(true);
  BuildTemplates(probeResistorBits, holdUnits);
  const bool swept = Sweep();

  T3Set::TestIntegratorSource(0);
  VrnlBoards::FlushCache();
  T3AD::SetDacReal(state.ExtStimDac, level, true);
  T3Panel::SetTestDacOut(true);
  T3Panel::SetQTestDac(testDacOff);
  T3Panel::SetQMuxAdc(qMuxAdc);
  VrnlBoards::FlushCache();
  if (measure) {
    const double measured = ReadTestDac();
    if (std::abs(measured - level) >= kCorrectionLimit) {
      T3AD::SetDacReal(state.ExtStimDac, level - (measured - level), true);
    }
  }
  SetMuxOnce(mux);
  if (paths.own != 0) T3Panel::SetTestDacPath(paths.own);
  if (T3Base::IsTlv3N) RestoreOtherBoards(paths);
  if (!swept) {
    T3Error::Error = kAcquisitionError;
    return false;
  }
  return true;
}

}  // namespace T3SwitchRange
