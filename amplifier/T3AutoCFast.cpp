// The automatic C-fast compensation: the lookup turns a 16-point response
// into corrections with the board's table; the computed method nulls a
// charge difference with C-fast 2 and scans the time-constant steps.
#include "amplifier/T3AutoCFast.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoSampling.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Types.h"
#include "foundation/RealTime.h"

namespace T3Auto {

namespace {

constexpr std::int32_t kResponsePoints = T3Scale::kCFastPoints;
constexpr double kLookupAmplitude = 0.01;
// A response that needed a lower amplitude than this clipped.
constexpr double kLeastLookupAmplitude = 0.009;
constexpr double kMostTauRatio = 2.5;
constexpr double kTauPerRatio = 3e-7;
constexpr double kShortestTau = 1.5e-6;
constexpr double kTauFloorCapacitance = 2e-13;
constexpr double kConvergedCapacitance = 1e-13;
constexpr double kConvergedTau = 1e-6;
constexpr std::int32_t kWideFilter1 = 1;
constexpr std::int32_t kNarrowFilter1 = 2;
constexpr double kComputedInterval = 5e-6;
constexpr std::int32_t kComputedCycles = 10;
constexpr int kAmplitudeSteps = 6;


T3Types::AmplifierState& State() { return T3Types::State; }

double DotProduct(const std::array<float, kResponsePoints>& row, const CFastResponse& q) {
  double sum = 0.0;
  for (std::size_t i = 0; i < row.size(); ++i) sum += double{row[i]} * double{q[i]};
  return sum;
}

std::int32_t TableOf(std::int32_t filter1) {
  if (filter1 == kNarrowFilter1) return 0;
  return State().Range == 2 ? 2 : 1;
}

struct PassResult {
  bool ok = false;
  bool converged = false;
};

// One lookup pass; the corrections applied unless a table value is no
// number.
PassResult SetAmpsAndTau(RealTime::TimeSeconds deadline, std::int32_t cycles, std::int32_t table,
                         std::int32_t filter, bool adjustTau) {
  T3Types::AmplifierState& state = State();
  PassResult pass;
  double amplitude = kLookupAmplitude;
  const std::int32_t row = CFastRow(state.CFastTau);
  CFastResponse q{};
  pass.ok = GetFunction(CFastTable.Tables[static_cast<std::size_t>(table)].SampleInterval, amplitude, cycles, q,
                        deadline);
  if (T3Error::Error != 0) return pass;
  const double oldTau = state.CFastTau;
  const double oldC1 = state.CFast1;
  const double oldC2 = state.CFast2;
  if (!pass.ok || amplitude < kLeastLookupAmplitude) {
    pass.converged = false;
    if (filter == kWideFilter1) {
      T3Panel::SetFilter1(kNarrowFilter1);
      table = 0;
      pass.ok = GetFunction(CFastTable.Tables[0].SampleInterval, amplitude, cycles, q, deadline);
      if (T3Error::Error != 0) return pass;
    }
  } else {
    pass.converged = true;
    pass.ok = true;
  }
  const T3Scale::CFastLookup& lookup = CFastTable.Tables[static_cast<std::size_t>(table)];
  const auto k = static_cast<std::size_t>(row);
  const double d1 = DotProduct(lookup.CFast1[k], q);
  const double d2 = DotProduct(lookup.CFast2[k], q);
  const double d3 = adjustTau && pass.ok ? DotProduct(lookup.Tau[k], q) : 0.0;
  if (!std::isfinite(d1) || !std::isfinite(d2) || !std::isfinite(d3)) {
    // A table value that is no number corrects nothing.
    pass = PassResult{};
  } else {
    if (adjustTau && pass.ok) {
      state.CFastTau = CorrectedCFastTau(state.CFastTau, d3, state.CFast2);
      T3Panel::SetCFastTau(state.CFastTau);
    }
    state.CFast1 -= d1;
    state.CFast2 -= d2;
    MoveCFastDeficit(state.CFast1, state.CFast2);
    T3Panel::SetCFast1(state.CFast1);
    T3Panel::SetCFast2(state.CFast2);
    if (pass.converged) {
      pass.converged = std::fabs((oldC1 - state.CFast1) + (oldC2 - state.CFast2)) < kConvergedCapacitance &&
                       std::fabs(oldTau - state.CFastTau) < kConvergedTau;
    }
  }
  if (state.Filter1 != filter) T3Panel::SetFilter1(filter);
  return pass;
}

bool CFastLookup() {
  ResetTempState();
  T3Types::AmplifierState& state = State();
  T3Types::BoardState& board = T3Base::BoardState;
  const RealTime::TimeSeconds deadline = RealTime::GetTime() + T3Base::TimeoutCFast;
  T3Error::Error = 0;
  const T3Types::AmplifierState before = state;
  T3Panel::SetRsOn(false);
  T3Panel::SetRsFraction(0.0);
  T3Panel::SetMux(kMuxCurrent);
  T3Panel::SetStimFilter(0);
  T3Panel::SetGain(0);
  if (state.Filter1 != kWideFilter1 && state.Filter1 != kNarrowFilter1) T3Panel::SetFilter1(kWideFilter1);
  const std::int32_t filter = state.Filter1;
  const std::int32_t table = TableOf(filter);
  const std::int32_t cycles = MaxCycles(kResponsePoints, 40);
  int passes = 0;
  int good = 0;
  int mostPasses = 20;
  if (board.CFastLookupDone) {
    good = 1;
    mostPasses = 10;
  } else {
    board.CFastLookupDone = true;
  }
  PassResult pass;
  do {
    pass = SetAmpsAndTau(deadline, cycles, table, filter, true);
    if (T3Error::Error != 0) break;
    ++passes;
    if (pass.converged) ++good;
  } while (good <= 2 && passes <= mostPasses);
  if (T3Error::Error == 0) pass.ok = SetAmpsAndTau(deadline, cycles, table, filter, false).ok;
  if (T3Error::Error != 0) {
    pass.ok = false;
    T3Panel::SetCFast1(before.CFast1);
    T3Panel::SetCFast2(before.CFast2);
  }
  T3Panel::SetFilter1(before.Filter1);
  T3Panel::SetF2Frequency(before.F2Frequency);
  T3Panel::SetRsOn(before.RsOn);
  T3Panel::SetRsFraction(before.RsFraction);
  T3Panel::SetMux(before.Mux);
  T3Panel::SetGain(before.Gain);
  T3Panel::SetStimFilter(before.StimFilter);
  const bool success = pass.ok && good > 2 && T3Error::Error == 0;
  if (!success && T3Error::Error == 0) T3Error::Error = kNoConvergence;
  state.CFastStatus = success ? 1 : 2;
  return success;
}

// The charge of the monitor over points first .. first + n - 1 less that
// of the next n, per volt of step and per cycle (volt-seconds per volt); 0
// on an error.
double DeltaIntegral(double amplitude, double dt, RealTime::TimeSeconds deadline, std::int32_t cycles,
                     std::int32_t first, std::int32_t n) {
  const std::int32_t halfPeriod = first + 2 * n;
  AutoSample(amplitude, StimArray, halfPeriod, cycles, dt, deadline, false);
  if (T3Error::Error != 0) return 0.0;
  ADMeasure::AverageCycles(halfPeriod, cycles, StimArray, SumArray, AvgArray);
  for (std::int32_t i = 0; i < halfPeriod; ++i) {
    SumArray[static_cast<std::size_t>(i)] -= SumArray[static_cast<std::size_t>(i + halfPeriod)];
  }
  return DoDelta(State().MuxAdc, amplitude, SumArray, dt, first, n) / cycles;
}

struct ComputedSettings {
  std::int32_t gain;
  double tolerance;  // F
  std::int32_t nAmp;
  std::int32_t nTau;
};

ComputedSettings ComputedSettingsOf(bool cFastHigh, std::int32_t range) {
  static constexpr std::array<std::array<ComputedSettings, 3>, 2> kSettings{{
      {{{5, 1e-13, 7, 2}, {3, 2e-14, 7, 2}, {0, 1e-14, 7, 2}}},
      {{{4, 1e-12, 9, 3}, {1, 2e-13, 9, 3}, {0, 1e-13, 9, 3}}},
  }};
  return kSettings[cFastHigh ? 1 : 0][static_cast<std::size_t>(std::clamp(range, 0, 2))];
}

bool DoCFastOnce(const ComputedSettings& settings, RealTime::TimeSeconds deadline) {
  T3Types::AmplifierState& state = State();
  for (int step = 0; step < kAmplitudeSteps; ++step) {
    Mouse::SetWaitOrWatchCursor();
    const double x = DeltaIntegral(kLookupAmplitude, kComputedInterval, deadline, kComputedCycles, 1, settings.nAmp) /
                     state.CurrentGain;
    if (T3Error::Error != 0) return false;
    double c2 = state.CFast2 + x;
    if (c2 < 0.0) {
      T3Panel::SetCFast1(state.CFast1 + c2);
      c2 = 0.0;
    }
    T3Panel::SetCFast2(c2);
    if (std::fabs(x) < settings.tolerance) break;
  }
  double best = state.CFastTau;
  double smallest = 1e20;
  bool found = false;
  for (const double tau : T3Scale::Scale.CFastTau) {
    T3Panel::SetCFastTau(tau);
    const double residual = std::fabs(
        DeltaIntegral(kLookupAmplitude, kComputedInterval, deadline, kComputedCycles, 1, settings.nTau));
    if (T3Error::Error != 0) return false;
    if (residual < smallest) {
      smallest = residual;
      best = state.CFastTau;
      found = true;
    }
  }
  T3Panel::SetCFastTau(best);
  return found;
}

bool CFastComputed() {
  const WaitCursor cursor;
  ResetTempState();
  T3Types::AmplifierState& state = State();
  const RealTime::TimeSeconds deadline = RealTime::GetTime() + T3Base::TimeoutCFast;
  T3Error::Error = 0;
  const T3Types::AmplifierState before = state;
  const ComputedSettings settings = ComputedSettingsOf(state.CFastHigh, state.Range);
  T3Panel::SetGain(settings.gain);
  T3Panel::SetFilter1(kWideFilter1);
  T3Panel::SetMux(kMuxCurrent);
  T3Panel::SetStimFilter(0);
  T3Panel::SetRsOn(false);
  bool result = DoCFastOnce(settings, deadline);
  if (T3Error::Error == 0) result = DoCFastOnce(settings, deadline);
  if (T3Error::Error != 0) {
    result = false;
    T3Panel::SetCFast1(before.CFast1);
    T3Panel::SetCFast2(before.CFast2);
  }
  T3Panel::SetFilter1(before.Filter1);
  T3Panel::SetF2Frequency(before.F2Frequency);
  T3Panel::SetGain(before.Gain);
  T3Panel::SetMux(before.Mux);
  T3Panel::SetStimFilter(before.StimFilter);
  T3Panel::SetRsOn(before.RsOn);
  state.CFastStatus = result ? 1 : 2;
  if (!result && T3Error::Error != kTimeoutError) T3Error::Error = kNoConvergence;
  return result;
}

}  // namespace

bool GetFunction(double interval, double& amplitude, std::int32_t cycles, CFastResponse& q,
                 RealTime::TimeSeconds deadline) {
  const bool ok = AutoSample(amplitude, StimArray, kResponsePoints, cycles, interval, deadline, false);
  if (T3Error::Error != 0) return false;
  ADMeasure::AverageCycles(kResponsePoints, cycles, StimArray, SumArray, AvgArray);
  const T3Types::AmplifierState& state = State();
  const double perCode = ZRVBase::AdcUnitsPerVolt[state.MuxAdc] * amplitude * state.CurrentGain * 2.0 * cycles;
  for (std::int32_t i = 0; i < kResponsePoints; ++i) {
    const auto k = static_cast<std::size_t>(i);
    q[k] = static_cast<float>((SumArray[k + kResponsePoints] - SumArray[k]) / perCode);
  }
  return ok;
}

std::int32_t CFastRow(double tau) {
  auto row = static_cast<std::int32_t>(std::lround(std::clamp(tau * 2e6, 0.0, 1e6)));
  if (row > 0) --row;
  return std::min(row, T3Scale::kCFastSteps - 1);
}

double CorrectedCFastTau(double tau, double d3, double c2) {
  const double ratio = std::clamp(d3 / (std::fabs(c2) + kTauFloorCapacitance), -kMostTauRatio, kMostTauRatio);
  return std::max(tau - kTauPerRatio * ratio, kShortestTau);
}

void MoveCFastDeficit(double& c1, double& c2) {
  if (c1 < 0.0) {
    c2 = std::max(c2 + c1, 0.0);
    c1 = 0.0;
  } else if (c2 < 0.0) {
    c1 = std::max(c1 + c2, 0.0);
    c2 = 0.0;
  }
}

bool CFast() {
  const bool computed = State().CFastHigh || T3Base::ComputedCFast || !T3Init::CFastFileLoaded;
  const bool result = computed ? CFastComputed() : CFastLookup();
  T3Panel::Flush();
  return result;
}

}  // namespace T3Auto
