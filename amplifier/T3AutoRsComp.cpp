// The automatic Rs compensation: the fraction rises until the response to a
// voltage step starts to undershoot, the sign of incipient ringing, homes
// in on that point with halving steps and backs off by the caller's margin.
#include "amplifier/T3AutoRsComp.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "acquisition/ADMeasure.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoSampling.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "foundation/RealTime.h"
#include "numerics/VectorInt.h"

namespace T3Auto {

namespace {

constexpr std::int32_t kHalfPeriod = 200;
constexpr double kInterval = 5e-6;
// The base line: 40 points before the end of the upward half.
constexpr std::int32_t kBaseFrom = 159;
constexpr std::int32_t kBasePoints = 40;
constexpr double kPrediction = 0.4;
constexpr double kLastStep = 0.011;
constexpr int kMostMeasurements = 26;
constexpr std::uint8_t kModeCurrentClamp = 2;
constexpr std::int32_t kRsModeOff = 0;
constexpr std::int32_t kRsModeSearch = 2;

// The response to a voltage step with the present fraction; FALSE without a
// usable one (clipped, no peak after the first point, no return to the base
// line). undershoot: it falls below the base line by more than the limit's
// share of its peak, beyond the noise.
bool MeasureRsComp(double overshootLimit, RealTime::TimeSeconds deadline, bool& undershoot) {
  T3Types::AmplifierState& state = T3Types::State;
  const std::int32_t cycles = MaxCycles(kHalfPeriod, state.AutoCSlowCycles);
  double amplitude = state.AutoCSlowAmplitude;
  if (!AutoSample(amplitude, StimArray, kHalfPeriod, cycles, kInterval, deadline, false) || T3Error::Error != 0) {
    return false;
  }
  ADMeasure::AverageCycles(kHalfPeriod, cycles, StimArray, SumArray, AvgArray);
  std::int16_t* const average = AvgArray.data();
  const double base = VectorInt::Mean(average + kBaseFrom, kBasePoints);
  VectorInt::Offset(average, average, kHalfPeriod, static_cast<std::int16_t>(-std::trunc(base)), true);
  double noise = 0.0;
  for (std::int32_t i = kBaseFrom; i < kBaseFrom + kBasePoints; ++i) {
    const double value = average[i];
    noise += value * value;
  }
  noise /= kBasePoints;
  const std::int16_t* const first = average;
  const std::int16_t* const end = first + kHalfPeriod;
  const std::int16_t* const peak = std::max_element(first, end);
  if (peak == first) return false;
  // The return to the base line is looked for up to the last but one point.
  const std::int16_t* const crossing = std::find_if(peak, end - 1, [](std::int16_t value) { return value <= 0; });
  if (crossing == end - 1) return false;
  const double lowest = *std::min_element(crossing, end);
  undershoot = -lowest - 4.0 * std::sqrt(noise) > overshootLimit * *peak;
  return true;
}

}  // namespace

double NextRsFraction(RsSearch& search, bool undershoot, double fraction, double backOff) {
  search.step = undershoot ? -std::fabs(search.step) : std::fabs(search.step);
  if (search.measured && undershoot != search.previous) {
    if (std::fabs(search.step) > kLastStep) {
      search.step /= 2.0;
    } else {
      search.done = true;
    }
  }
  search.measured = true;
  search.previous = undershoot;
  return search.done ? fraction - backOff : fraction + search.step;
}

bool RsComp(double overshootLimit, double backOff) {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.Mode == kModeCurrentClamp) return false;
  ResetTempState();
  const std::uint8_t cSlowRange = state.CSlowRange;
  const std::uint8_t stimFilter = state.StimFilter;
  const std::uint8_t mux = state.Mux;
  const double fraction = state.RsFraction;
  const bool correctionMode = state.RsCorrectionMode;
  const std::int32_t mode = T3Panel::GetRsMode(state.RsTau);
  T3Panel::SetCSlowRange(0);
  T3Panel::SetStimFilter(0);
  T3Panel::SetMux(kMuxCurrent);
  if (mode == kRsModeOff) T3Panel::SetRsMode(kRsModeSearch);
  T3Panel::SetRsCorrection(kPrediction, kPrediction, false);
  RsSearch search;
  bool failed = false;
  bool undershoot = false;
  T3Error::Error = 0;
  const RealTime::TimeSeconds deadline = RealTime::GetTime() + T3Base::TimeoutRsComp;
  for (int measurements = 1; !search.done && !failed && measurements <= kMostMeasurements; ++measurements) {
    failed = !MeasureRsComp(overshootLimit, deadline, undershoot) || T3Error::Error != 0;
    if (failed) break;
    state.RsFraction = NextRsFraction(search, undershoot, state.RsFraction, backOff);
    T3Panel::SetRsComp(state.RsFraction);
  }
  const bool done = search.done;
  // Running out of measurements is no result either.
  failed = failed || !done;
  if (failed) {
    if (T3Error::Error == 0) T3Error::Error = kNoConvergence;
    T3Panel::SetRsMode(mode);
    T3Panel::SetRsComp(fraction);
  } else if (mode != kRsModeOff && T3Panel::GetRsMode(state.RsTau) != mode) {
    T3Panel::SetRsMode(mode);
  }
  if (correctionMode) T3Panel::SetRsCorrection(state.RsFraction, state.RsFraction, true);
  T3Panel::SetMux(mux);
  T3Panel::SetStimFilter(stimFilter);
  T3Panel::SetCSlowRange(cSlowRange);
  T3Panel::Flush();
  return done;
}

}  // namespace T3Auto
