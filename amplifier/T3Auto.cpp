#include "amplifier/T3Auto.h"

#include <algorithm>
#include <cmath>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3AutoSampling.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "numerics/VectorInt.h"

namespace T3Auto {

T3Scale::CFastTable CFastTable;
bool CheckTimeout = true;

void InitModule() {
  CheckTimeout = true;
  InitTempState();
  CFastTable = T3Scale::CFastTable{};
}

namespace {

// The first samples settle after the multiplexer's switch; the last two
// may still carry the end of the sweep.
constexpr std::int32_t kSettlingSamples = 10;
constexpr std::int32_t kTrailingSamples = 2;
constexpr std::int32_t kMinSamples = 16;
constexpr std::int32_t kMaxSamples = 400;
constexpr double kSampleInterval = 1e-4;

constexpr std::uint8_t kMuxStimulus = 10;
constexpr std::int32_t kGentlePoints = 500;
// A potential outside this window is no resting cell: hold at 0 instead.
constexpr double kLowestRest = -0.2;
constexpr double kHighestRest = 0.1;
constexpr double kHoldGrid = 0.002;

constexpr std::int32_t kModeCurrentClamp = 2;

// Into a gain range the current clamp has, through the gain that keeps the
// monitor in range on the way.
void CurrentClampRange() {
  const T3Types::AmplifierState& state = T3Types::State;
  const std::int32_t target = state.Range == 0 && state.HasHighCCGains ? 0 : 1;
  if (state.Range < target) {
    T3Panel::SetGain(0);
    T3Panel::SetRange(target);
  } else if (state.Range > target) {
    T3Panel::SetRange(target);
    T3Panel::SetGain(5);
  }
}

}  // namespace

void CopyTempState() {
  const T3Types::AmplifierState& state = T3Types::State;
  T3Types::BoardState& board = T3Base::BoardState;
  board.TempCSlowRange = state.CSlowRange;
  board.TempMux = state.Mux;
  board.TempFilter1 = state.Filter1;
  board.TempF2Frequency = state.F2Frequency;
  board.TempGain = state.Gain;
  board.TempRsOn = state.RsOn;
  board.TempRsFraction = state.RsFraction;
  board.TempStimFilter = state.StimFilter != 0;
  board.TempCSlow = state.CSlow;
  board.TempGSeries = state.GSeries;
}

void DoResetTempState() {
  T3Types::BoardState& board = T3Base::BoardState;
  T3Panel::SetMux(board.TempMux);
  T3Panel::SetFilter1(board.TempFilter1);
  T3Panel::SetF2Frequency(board.TempF2Frequency);
  T3Panel::SetGain(board.TempGain);
  T3Panel::SetRsOn(board.TempRsOn);
  T3Panel::SetRsFraction(board.TempRsFraction);
  T3Panel::SetStimFilter(board.TempStimFilter ? 1 : 0);
  if (T3Types::State.RsOn) T3Panel::SetRsComp(T3Types::State.RsFraction);
  board.TempStateSaved = false;
}

void InitTempState() {
  T3Types::BoardState& board = T3Base::BoardState;
  board.TempStateSaved = false;
  board.CSlowRefCount = 50;
  board.CSlowRefVHold = 0.0;
  board.VpOffsetStep = 0.001;
  board.VpOffsetTime = 0.0;
  CopyTempState();
}

void ResetTempState() {
  if (T3Base::BoardState.TempStateSaved) DoResetTempState();
}

double Sample(std::int32_t input, std::int32_t points, bool addMuxOffset) {
  const std::int32_t count =
      std::clamp(points + kSettlingSamples + kTrailingSamples, kMinSamples, kMaxSamples);
  double interval = kSampleInterval;
  // Into the response array: a tracking C-slow run plays its template in
  // DataArray again.
  T3AD::Sample(input, interval, StimArray, count, addMuxOffset);
  double mean = VectorInt::Mean(StimArray.data() + kSettlingSamples,
                                count - kSettlingSamples - kTrailingSamples);
  if (addMuxOffset) mean += T3Panel::GetMuxAdcOffset();
  return ZRV::AdcRealUnitsToVolts(input, mean);
}

double ReadVmon(std::int32_t points) {
  const T3Types::AmplifierState& state = T3Types::State;
  if (T3Base::IsTlv3N || state.HasInternalVmon) {
    return Sample(state.VmonAdc, points, false) * state.VmonFactor - state.VmonOffset;
  }
  const std::uint8_t mux = state.Mux;
  if (mux != kMuxStimulus) T3Panel::SetMux(kMuxStimulus);
  const double volts = Sample(state.MuxAdc, points, true) / -state.StimDacScale;
  if (mux != kMuxStimulus) T3Panel::SetMux(mux);
  return volts;
}

double ReadImon(std::int32_t points) {
  return Sample(T3Types::State.ImonAdc, points, false) / T3Types::State.CurrentGain;
}

bool SetModeGently(std::int32_t mode) {
  ResetTempState();
  T3Types::AmplifierState& state = T3Types::State;
  if (mode == kModeCurrentClamp) {
    CurrentClampRange();
    state.CCIHold = ReadImon(kGentlePoints);
  } else {
    double volts = ReadVmon(kGentlePoints);
    if (volts < kLowestRest || volts > kHighestRest) volts = 0.0;
    state.VHold = kHoldGrid * std::round(volts / kHoldGrid);
  }
  T3Panel::SetMode(mode);
  return true;
}

void MeasureVariance(std::int32_t input, double interval, double& variance, double& blockVariance,
                     bool muxToAdc) {
  ResetTempState();
  T3Panel::SetQMuxAdc(muxToAdc);
  ADMeasure::Variance(input, interval, variance, blockVariance);
}

namespace {

struct Variances {
  double samples = 0.0;
  double blockMeans = 0.0;
};

Variances CurrentMonitorVariances() {
  Variances variances;
  MeasureVariance(T3Types::State.ImonAdc, kSampleInterval, variances.samples, variances.blockMeans, false);
  return variances;
}

// The RMS current of a variance of the current monitor's codes.
double NoiseAmperes(double variance) {
  const T3Types::AmplifierState& state = T3Types::State;
  return ZRV::AdcRealUnitsToVolts(state.ImonAdc, std::sqrt(variance)) / state.CurrentGain;
}

}  // namespace

double MeasureNoise() { return NoiseAmperes(CurrentMonitorVariances().samples); }

double Measure50HzNoise() { return NoiseAmperes(CurrentMonitorVariances().blockMeans); }

double CSlowFilterDelay() { return T3Types::State.Filter1 == 1 ? 3.2e-5 : 5.9e-5; }

}  // namespace T3Auto
