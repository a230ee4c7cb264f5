// The automatic C-slow compensation: an estimate from the uncompensated
// step response, then corrections from charge integrals of the residual
// transient with the compensation applied, until they are small.
#include <cmath>
#include <cstdint>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoSampling.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3CSlowFit.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "foundation/RealTime.h"
#include "shell/Mouse.h"

namespace T3Auto {

namespace {

constexpr std::int32_t kCycleHalfPeriod = 50;
// Above this C-slow the smaller injection range cannot take the cell.
constexpr double kLargestSmallRange = 8e-11;
constexpr double kShortestInterval = 5e-6;
constexpr double kLongestEstimateInterval = 0.004;
constexpr double kEstimateTau = 1.6e-4;
constexpr int kEstimateTries = 6;
constexpr int kMostRestarts = 3;
constexpr int kMostEvaluations = 10;
constexpr double kLeastGSeries = 1e-10;
constexpr double kLeastCSlow = 5e-14;

// The working values of one run.
struct Run {
  RealTime::TimeSeconds deadline = 0.0;
  double amplitude = 0.0;  // A, V
  std::int32_t cycles = 0;  // K
  double scale = 0.0;       // 1 / (K x CurrentGain)
  double dt = 0.0;
  double tau = 0.0;
  double taup = 0.0;        // tau / dt
  double delta = 0.0;       // the filter's delay, s
  std::int32_t nt = 1;
  std::int32_t latency = 1;  // L
  int restarts = 0;
  // The charge integrals of the last evaluation, F per volt of step.
  double qd = 0.0;
  double qa = 0.0;
  double qc = 0.0;
};

T3Types::AmplifierState& State() { return T3Types::State; }

// The interval for a time constant, with filter 1 wide enough for it.
void GoodSampInt(Run& run, double tau) {
  const double interval = std::max(tau / 4.0, kShortestInterval);
  const std::int32_t filter1 = interval < 1.1e-5 ? 1 : 2;
  if (filter1 != State().Filter1) T3Panel::SetFilter1(filter1);
  run.dt = ZRV::CheckSampleInterval(interval);
  run.delta = CSlowFilterDelay();
}

void SampParams(Run& run) {
  run.nt = static_cast<std::int32_t>(std::lround(run.taup));
  if (run.nt == 0) run.nt = 1;
  run.latency = static_cast<std::int32_t>(1.0 + run.delta / run.dt);
  if (run.latency == 0) run.latency = 1;
}

void AssignCSlowValues(double dC, double dG, double& tau, bool reset) {
  T3Types::AmplifierState& state = State();
  if (state.CSlowPending) {
    state.CSlow = 0.0;
    state.GSeries = 0.0;
  } else {
    if (reset) {
      state.CSlow = 0.0;
      state.GSeries = 0.0;
    }
    state.GSeries += dG;
    state.CSlow += dC;
  }
  state.GSeries = std::max(state.GSeries, kLeastGSeries);
  state.CSlow = std::max(state.CSlow, kLeastCSlow);
  T3Panel::SetGSeries(state.GSeries);
  T3Panel::SetCSlow(state.CSlow);
  tau = state.CSlow / state.GSeries;
}

// Amperes per summed code of the response.
double SumScale(const Run& run) { return run.scale / ZRVBase::AdcUnitsPerVolt[State().MuxAdc]; }

// The upward step's response less the downward one's, in the first N sums.
void DifferenceOfSteps(std::int32_t halfPeriod) {
  for (std::int32_t i = 0; i < halfPeriod; ++i) {
    SumArray[static_cast<std::size_t>(i)] -= SumArray[static_cast<std::size_t>(i + halfPeriod)];
  }
}

// Averages the last response's cycles into SumArray and AvgArray.
void AverageResponse(const Run& run, std::int32_t halfPeriod) {
  ADMeasure::AverageCycles(halfPeriod, run.cycles, StimArray, SumArray, AvgArray);
}

// Takes the fitted second component off the sums while subtraction is on;
// a subtraction that has no model switches it off.
void SubtractSecondComponent(const Run& run, double step, std::int32_t points, std::int32_t latency) {
  if (State().CSlowAutoState != 0 &&
      !T3CSlowFit::DoSubtract(SumArray, step, run.dt, SumScale(run), points, latency)) {
    State().CSlowAutoState = 0;
  }
}

// The estimate with the compensation off; FALSE only on an error, ok
// tells whether the estimate fits.
bool InitCSlow(Run& run, bool& ok) {
  T3Types::AmplifierState& state = State();
  T3Types::BoardState& board = T3Base::BoardState;
  run.tau = kEstimateTau;
  ++run.restarts;
  const std::int32_t range = state.CSlowRange;
  T3Panel::SetCSlowRange(0);
  std::int32_t start = 0;
  ok = false;
  for (int attempt = 0; attempt < kEstimateTries && !ok; ++attempt) {
    GoodSampInt(run, run.tau);
    run.dt = std::min(run.dt, kLongestEstimateInterval);
    start = static_cast<std::int32_t>(2.0 * run.delta / run.dt) + 1;
    ok = AutoSample(run.amplitude, StimArray, kCycleHalfPeriod, run.cycles, run.dt, run.deadline, true);
    if (T3Error::Error != 0) return false;
    board.CSlowRefCount = kCycleHalfPeriod;
    board.CSlowRefVHold = state.VHold;
    AverageResponse(run, kCycleHalfPeriod);
    if (!state.CSlowPending) SubtractSecondComponent(run, 2.0 * run.amplitude, kCycleHalfPeriod, start);
    double stepAmplitude = 0.0;
    double base = 0.0;
    ok = ADMeasure::GetTauFromSquareWave(start, kCycleHalfPeriod, run.cycles, run.dt, true, SumArray, run.taup,
                                         stepAmplitude, base);
    if (run.taup > 10.0) {
      ok = false;
      run.tau *= 2.0;
    } else if (run.taup < 3.0 && run.dt > kShortestInterval) {
      ok = false;
      run.tau *= 0.4;
    }
  }
  if (ok) {
    SampParams(run);
    if (run.latency + 4 * run.nt < kCycleHalfPeriod) {
      DifferenceOfSteps(kCycleHalfPeriod);
      const double c0 =
          DoDelta(state.MuxAdc, run.amplitude, SumArray, run.dt, run.latency, 2 * run.nt) * run.scale / 0.75;
      AssignCSlowValues(c0, c0 / run.taup / run.dt, run.tau, true);
    } else {
      ok = false;
    }
  }
  run.amplitude = state.AutoCSlowAmplitude;
  T3Panel::SetCSlowRange(range);
  return true;
}

// The square wave played for the run: the kept template again while a
// tracking run's measuring configuration holds with the same window and
// holding level, else a new one with the amplitude lowered until the
// response fits. FALSE on an error.
bool Acquire(Run& run, std::int32_t halfPeriod, bool& ok) {
  T3Types::AmplifierState& state = State();
  T3Types::BoardState& board = T3Base::BoardState;
  const bool external = state.UseExtStimDac && state.ExtStimPath == 1;
  if (board.TempStateSaved && board.CSlowRefCount == halfPeriod && board.CSlowRefVHold == state.VHold &&
      !state.CSlowPending) {
    const std::int32_t output = external ? state.ExtStimDac : state.StimDac;
    double interval = run.dt;
    T3AD::StimAndSample(output, state.MuxAdc, interval, DataArray, StimArray,
                        PointsFromCycles(halfPeriod, run.cycles), external, true);
    return !TimedOut(run.deadline);
  }
  ok = AutoSample(run.amplitude, StimArray, halfPeriod, run.cycles, run.dt, run.deadline, true);
  if (T3Error::Error != 0) return false;
  board.CSlowRefCount = halfPeriod;
  board.CSlowRefVHold = state.VHold;
  return true;
}

// The charge integrals of the residual transient.
void Integrals(Run& run) {
  const std::int32_t adc = State().MuxAdc;
  const std::int32_t l = run.latency;
  const std::int32_t nt = run.nt;
  run.qd = DoDelta(adc, run.amplitude, SumArray, run.dt, l, nt) * run.scale;
  run.qa = IntFromTo(adc, run.amplitude, SumArray, run.dt, l, 4 * nt) * run.scale;
  run.qc = IntFromTo(adc, run.amplitude, SumArray, run.dt, l + 2 * nt, 2 * nt) * run.scale;
}

double Relative(double correction, double value) { return value > 0.0 ? std::fabs(correction / value) : 1.0; }

// The iteration; TRUE when converged. An error ends it at once.
bool DoCSlow(Run& run) {
  T3Types::AmplifierState& state = State();
  T3Types::BoardState& board = T3Base::BoardState;
  run.amplitude = state.AutoCSlowAmplitude;
  bool ok = false;
  if (!board.CSlowDone) {
    board.CSlowDone = true;
    if (!InitCSlow(run, ok)) return false;
  } else {
    run.tau = state.CSlow / state.GSeries;
    ok = true;
  }
  run.restarts = 0;
  int evaluations = 0;
  bool converged = false;
  bool more = true;
  while (more && !converged) {
    Mouse::SetWaitOrWatchCursor();
    GoodSampInt(run, run.tau);
    run.taup = run.tau / run.dt;
    SampParams(run);
    std::int32_t halfPeriod = run.latency + 4 * run.nt;
    if (halfPeriod > kCycleHalfPeriod) {
      halfPeriod = kCycleHalfPeriod;
      more = false;
    } else if (state.CSlowPending) {
      halfPeriod = kCycleHalfPeriod;
    }
    if (!Acquire(run, halfPeriod, ok)) return false;
    if (!ok || !more) {
      more = false;
      continue;
    }
    AverageResponse(run, halfPeriod);
    DifferenceOfSteps(halfPeriod);
    const double step = 4.0 * run.amplitude;
    if (state.CSlowPending &&
        !T3CSlowFit::DoFit(SumArray, step, run.dt, SumScale(run), halfPeriod, run.latency)) {
      state.CSlowAutoState = 0;
    }
    SubtractSecondComponent(run, step, halfPeriod, run.latency);
    Integrals(run);
    const double dC = 1.235 * run.qa - 0.392 * run.qd - 0.469 * run.qc;
    const double dG = (2.995 * run.qd - 0.418 * run.qa + 1.84 * run.qc) / (run.nt * run.dt);
    const double relC = Relative(dC, state.CSlow);
    const double relG = Relative(dG, state.GSeries);
    if (relC > 1.0 || relG > 1.0) {
      if (!InitCSlow(run, ok)) return false;
    } else {
      AssignCSlowValues(dC, dG, run.tau, false);
      run.taup = run.tau / run.dt;
    }
    if (state.CSlowPending) {
      more = false;
      converged = false;
      continue;
    }
    if (run.restarts > kMostRestarts) more = false;
    const double threshold = evaluations <= 2 ? 0.02 : 0.1;
    converged = relC < threshold && relG < threshold;
    ++evaluations;
    if (evaluations > kMostEvaluations) more = false;
  }
  return converged;
}

// Into the measuring configuration: Rs off, the current monitor on the
// multiplexer, the narrow stimulus filter, a gain by the range.
void MeasuringConfiguration() {
  CopyTempState();
  T3Panel::SetRsOn(false);
  T3Panel::SetRsFraction(0.0);
  T3Panel::SetMux(kMuxCurrent);
  T3Panel::SetStimFilter(1);
  switch (State().Range) {
    case 0: T3Panel::SetGain(5); break;
    case 1: T3Panel::SetGain(2); break;
    case 2: T3Panel::SetGain(0); break;
    default: break;
  }
}

void ChooseCSlowRange() {
  const T3Types::AmplifierState& state = State();
  if (state.CSlowPending) {
    T3Panel::SetCSlowRange(0);
  } else if (state.CSlowRange == 0) {
    const bool small = state.Range == 2 || (!state.CFastHigh && state.CSlow <= kLargestSmallRange);
    T3Panel::SetCSlowRange(small ? 2 : 3);
  }
}

// The operator's C-slow, G-series and C-slow range.
void PutCSlowBack() {
  T3Types::AmplifierState& state = State();
  const T3Types::BoardState& board = T3Base::BoardState;
  state.CSlow = board.TempCSlow;
  state.GSeries = board.TempGSeries;
  T3Panel::SetCSlowRange(board.TempCSlowRange);
}

// The conductance that in series with G-series gives the measured one; 0
// where there is none.
double SeriesResult(const Run& run) {
  const double gSeries = State().GSeries;
  const double g = (1.25 * run.qd - 0.826 * run.qa + 2.65 * run.qc) / (run.nt * run.dt);
  const double result = g * gSeries / (gSeries - g);
  return std::isfinite(result) ? result : 0.0;
}

}  // namespace

bool CSlow(bool keepTempState) {
  const WaitCursor cursor;
  T3Types::AmplifierState& state = State();
  T3Types::BoardState& board = T3Base::BoardState;
  Run run;
  run.deadline = RealTime::GetTime() + state.AutoCSlowTimeout;
  T3Error::Error = 0;
  state.AutoCSlowCycles = static_cast<std::int16_t>(MaxCycles(kCycleHalfPeriod, state.AutoCSlowCycles));
  run.cycles = state.AutoCSlowCycles;
  if (!keepTempState || !board.TempStateSaved) MeasuringConfiguration();
  ChooseCSlowRange();
  run.scale = 1.0 / run.cycles / state.CurrentGain;
  bool result = DoCSlow(run);
  if (state.CSlowPending) {
    // A fit that ran out of time has not measured anything.
    result = T3Error::Error == 0;
    state.CSlowPending = false;
    PutCSlowBack();
    DoResetTempState();
  } else {
    if (result) state.CSlowSeriesResult = SeriesResult(run);
    if (T3Error::Error != 0 || !keepTempState) {
      if (!result) PutCSlowBack();
      DoResetTempState();
    } else {
      board.TempStateSaved = true;
    }
    state.CSlowStatus = result ? 1 : 2;
    if (!result && T3Error::Error == 0) T3Error::Error = kNoConvergence;
  }
  T3Panel::Flush();
  return result;
}

}  // namespace T3Auto
