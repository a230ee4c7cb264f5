// The automatic pipette offset and leak compensation: the offset is line
// searched until the mean current is zero, the leak measured with steps of
// 10 mV around the holding potential.
#include <algorithm>
#include <cmath>

#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoSampling.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Types.h"
#include "foundation/RealTime.h"
#include "numerics/LinSearch.h"
#include "numerics/VectorInt.h"

namespace T3Auto {

namespace {

constexpr std::int32_t kOffsetFilter1 = 2;
constexpr double kOffsetInterval = 2e-5;
constexpr std::int32_t kOffsetPoints = 4800;
// The first half lets the current settle after the last change.
constexpr std::int32_t kSettledFrom = 2400;
constexpr double kLargestDacCode = 4095.0;
constexpr double kLeakStep = 0.01;
constexpr double kLeakInterval = 6e-5;
constexpr std::int32_t kLeakHalf = 2400;
// The last 1200 points of each step.
constexpr std::int32_t kLeakSettled = 1200;
constexpr double kLeakLeft = 1e-8;

T3Types::AmplifierState& State() { return T3Types::State; }

// The monitor settings the offset and leak procedures change and put back.
struct MonitorSettings {
  std::uint8_t filter1;
  double f2Frequency;
  std::uint8_t mux;

  static MonitorSettings Now() { return {State().Filter1, State().F2Frequency, State().Mux}; }
  void Restore() const {
    T3Panel::SetMux(mux);
    T3Panel::SetFilter1(filter1);
    T3Panel::SetF2Frequency(f2Frequency);
  }
};

// The current monitor on the multiplexer, filter 1 at 10 kHz, no leak
// compensation, the holding potential where the liquid junction is nulled.
void OffsetConfiguration() {
  T3Panel::SetGLeak(0.0);
  T3Panel::SetFilter1(kOffsetFilter1);
  T3Panel::SetMux(kMuxCurrent);
  T3Panel::SetVHold(-State().VLiquidJunction);
}

double OffsetStepForGain() { return 2e7 / State().CurrentGain; }

// Line-searches VpOffset for a zero mean current within the pipette-offset
// DAC's reach.
bool AdjustVpOffset(RealTime::TimeSeconds deadline) {
  T3Types::AmplifierState& state = State();
  T3Types::BoardState& board = T3Base::BoardState;
  const double smallest = 3.125e-4 / state.StimDacScale;
  board.VpOffsetStep = std::clamp(board.VpOffsetStep, smallest, 20.0 * smallest);
  const T3Scale::ScaleRecord& scale = T3Scale::Scale;
  const double lower = -scale.VpOffsetZero / scale.VpOffsetScale;
  const double upper = (kLargestDacCode - scale.VpOffsetZero) / scale.VpOffsetScale;
  T3Error::Error = 0;
  const auto mostSteps = static_cast<std::int32_t>((upper - lower) / board.VpOffsetStep);
  LinSearch::LinSearchState search{};
  LinSearch::Init(lower, upper, board.VpOffsetStep, smallest, 200.0 * smallest, search);
  for (std::int32_t steps = 1;; ++steps) {
    Mouse::SetWaitOrWatchCursor();
    double interval = kOffsetInterval;
    T3AD::Sample(state.ImonAdc, interval, DataArray, kOffsetPoints, false);
    const double mean = VectorInt::Mean(DataArray.data() + kSettledFrom, kOffsetPoints - kSettledFrom);
    LinSearch::Next(state.VpOffset, mean, search);
    T3Panel::SetVpOffset(state.VpOffset);
    if (search.Done) return !search.AtLimit;
    if (TimedOut(deadline) || steps > mostSteps) return false;
  }
}

bool DoVpOffset(RealTime::TimeSeconds deadline) {
  ResetTempState();
  T3Types::AmplifierState& state = State();
  const MonitorSettings monitor = MonitorSettings::Now();
  const std::uint8_t gain = state.Gain;
  const double vpOffset = state.VpOffset;
  const double gLeak = state.GLeak;
  T3Panel::SetGLeak(0.0);
  T3Panel::SetGain(0);
  OffsetConfiguration();
  T3Base::BoardState.VpOffsetStep = OffsetStepForGain();
  bool found = AdjustVpOffset(deadline);
  if (gain != state.Gain) {
    T3Panel::SetGain(gain);
    if (found) {
      T3Base::BoardState.VpOffsetStep = OffsetStepForGain();
      found = AdjustVpOffset(deadline);
    }
  }
  monitor.Restore();
  T3Panel::SetGLeak(gLeak);
  if (!found) {
    T3Panel::SetVpOffset(vpOffset);
    if (T3Error::Error == 0) T3Error::Error = kNoConvergence;
  }
  return found;
}

// The conductance between the two halves of a ±10 mV step pair (S).
double StepConductance(double lowVolts, double highVolts, double perVolt) {
  T3Types::AmplifierState& state = State();
  double interval = kLeakInterval;
  T3AD::StimAndSample(state.StimDac, state.ImonAdc, interval, StimArray, DataArray, 2 * kLeakHalf, false, false);
  T3Panel::SetVHold(state.VHold);
  const auto settledMean = [&](std::int32_t end) {
    return ZRV::AdcRealUnitsToVolts(state.ImonAdc,
                                    VectorInt::Mean(DataArray.data() + end - kLeakSettled, kLeakSettled));
  };
  const double low = settledMean(kLeakHalf);
  const double high = settledMean(2 * kLeakHalf);
  return (high - low) / ((highVolts - lowVolts) * perVolt) / state.CurrentGain;
}

}  // namespace

bool VpOffset() {
  const WaitCursor cursor;
  const bool found = DoVpOffset(RealTime::GetTime() + T3Base::TimeoutOffset);
  T3Base::BoardState.VpOffsetTime = RealTime::GetTime();
  return found;
}

bool Search() {
  T3Types::AmplifierState& state = State();
  T3Types::BoardState& board = T3Base::BoardState;
  const RealTime::TimeSeconds now = RealTime::GetTime();
  if (board.VpOffsetTime + state.SearchDelay > now) return false;
  ResetTempState();
  const RealTime::TimeSeconds deadline = now + T3Base::TimeoutOffset;
  T3Error::Error = 0;
  const WaitCursor cursor;
  const MonitorSettings monitor = MonitorSettings::Now();
  const double vpOffset = state.VpOffset;
  const double gLeak = state.GLeak;
  OffsetConfiguration();
  board.VpOffsetStep *= 8.0;
  const bool found = AdjustVpOffset(deadline);
  monitor.Restore();
  T3Panel::SetGLeak(gLeak);
  if (!found) {
    T3Panel::SetVpOffset(vpOffset);
    DoVpOffset(deadline);
  }
  board.VpOffsetTime = RealTime::GetTime();
  return found;
}

bool GLeak() {
  ResetTempState();
  const WaitCursor cursor;
  T3Types::AmplifierState& state = State();
  const RealTime::TimeSeconds deadline = RealTime::GetTime() + T3Base::TimeoutGLeak;
  T3Error::Error = 0;
  const double perVolt = 1.0 / state.StimDacScale;
  const double gLeak = state.GLeak;
  const MonitorSettings monitor = MonitorSettings::Now();
  T3Panel::SetMux(kMuxCurrent);
  T3Panel::SetFilter1(kOffsetFilter1);
  double low = (state.VHold - kLeakStep) / perVolt;
  double high = (state.VHold + kLeakStep) / perVolt;
  const auto lowCode = static_cast<std::int16_t>(ZRV::VoltsToDacUnits(state.StimDac, low));
  const auto highCode = static_cast<std::int16_t>(ZRV::VoltsToDacUnits(state.StimDac, high));
  std::fill_n(StimArray.begin(), kLeakHalf, lowCode);
  std::fill_n(StimArray.begin() + kLeakHalf, kLeakHalf, highCode);
  bool ok = false;
  for (int pass = 0; pass < 2; ++pass) {
    Mouse::SetWaitOrWatchCursor();
    if (TimedOut(deadline)) continue;
    const double g = StepConductance(low, high, perVolt);
    ok = std::fabs(g) < kLeakLeft;
    T3Panel::SetGLeak(state.GLeak + g);
  }
  monitor.Restore();
  // A pass that ran out of time has not confirmed the compensation.
  ok = ok && T3Error::Error == 0;
  if (!ok) {
    if (T3Error::Error == 0) T3Error::Error = kNoConvergence;
    T3Panel::SetGLeak(gLeak);
  }
  return ok;
}

}  // namespace T3Auto
