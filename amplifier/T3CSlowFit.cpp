#include "amplifier/T3CSlowFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "amplifier/T3Auto.h"
#include "amplifier/T3Types.h"
#include "foundation/TermIO.h"
#include "numerics/LongMath.h"
#include "numerics/SimplexD.h"

namespace T3CSlowFit {

std::uint8_t TestMode = 0;
std::array<double, 600> FitArray{};

void InitModule() { TestMode = 0; }

namespace {

constexpr std::int32_t kFitPoints = 200;
constexpr int kParameters = 5;
constexpr double kSimplexStep = 0.05;
constexpr int kMostIterations = 1000;
constexpr double kConvergence = 1e-6;
// Sums are taken off at this share of their size.
constexpr double kSubtractShare = 0.6;

// amp1 (A), tau1 (s), amp2 (A), tau2 (s), offset (A).
using Parameters = std::array<double, kParameters>;
enum { kAmp1, kTau1, kAmp2, kTau2, kOffset };

std::span<double> X() { return std::span<double>(FitArray).first(kFitPoints); }
std::span<double> Y() { return std::span<double>(FitArray).subspan(kFitPoints, kFitPoints); }

double OneExponent(double x, double amplitude, double tau) { return amplitude * std::exp(-x / tau); }

double TwoExponents(const Parameters& p, double x) {
  return p[kOffset] + OneExponent(x, p[kAmp1], p[kTau1]) + OneExponent(x, p[kAmp2], p[kTau2]);
}

// The RMS deviation of the points first .. end - 1; +inf when they are too
// few to tell one.
double CalcResidual(const Parameters& p, std::span<const double> x, std::span<const double> y, std::int32_t first,
                    std::int32_t end) {
  if (end - first - 1 <= 0) return std::numeric_limits<double>::infinity();
  double sum = 0.0;
  for (std::int32_t i = first; i < end; ++i) {
    const double deviation = y[static_cast<std::size_t>(i)] - TwoExponents(p, x[static_cast<std::size_t>(i)]);
    sum += deviation * deviation;
  }
  return std::sqrt(sum / static_cast<double>(end - first - 1));
}

// No more points than the sums hold and the working space takes.
std::int32_t UsablePoints(std::int32_t points, std::span<const std::int32_t> sums) {
  return std::clamp<std::int32_t>(points, 0, std::min<std::int32_t>(kFitPoints, static_cast<std::int32_t>(sums.size())));
}

// The two components as resistances and capacitances.
struct Components {
  double r1, c1, r2, c2;
};

Components ComponentsOf(const Parameters& p, double step) {
  Components c{};
  c.r1 = step / p[kAmp1];
  c.c1 = p[kTau1] / c.r1;
  c.r2 = step / p[kAmp2];
  c.c2 = p[kTau2] / c.r2;
  return c;
}

void WriteValues(std::span<const double> values) {
  for (const double value : values) TermIO::WriteEngineering(value, 9, 7);
  TermIO::WriteLn();
}

void WriteComponents(std::span<const char> title, const Components& c) {
  TermIO::WriteString(title);
  WriteValues(std::array{c.r1, c.c1, c.r2, c.c2});
}

void WritePoint(std::int32_t i, std::span<const double> values) {
  TermIO::WriteInt(i, 3);
  for (const double value : values) TermIO::WriteEngineering(value, 10, 7);
  TermIO::WriteLn();
}

// The start from the live state's C-slow and the kept model, or the test
// mode's fixed one.
Parameters StartVector(double step, Components& start) {
  const T3Types::AmplifierState& state = T3Types::State;
  start.r1 = 1.0 / state.GSeries;
  start.c1 = state.CSlow;
  if (state.CSlowFitB > start.r1) {
    start.r2 = state.CSlowFitB;
    start.c2 = state.CSlowFitA;
  } else {
    start.r2 = 10.0 * start.r1;
    start.c2 = start.c1;
  }
  if (TestMode >= 3) return {1.0, 4.0, 1.0, 40.0, 0.0};
  return {step / start.r1, start.c1 * start.r1, step / start.r2, start.c2 * start.r2, 0.0};
}

// The test modes' own curve is fitted from here.
Parameters Disturbed(const Parameters& p) {
  return {0.5 * p[kAmp1], 0.5 * p[kTau1], p[kAmp1], 2.0 * p[kTau2], 0.5 * p[kOffset]};
}

}  // namespace

bool DoFit(std::span<const std::int32_t> sums, double step, double dt, double scale, std::int32_t points,
           std::int32_t latency) {
  if (TestMode >= 1) T3Auto::CheckTimeout = false;
  double delta = T3Auto::CSlowFilterDelay();
  Components start{};
  Parameters p = StartVector(step, start);
  const Parameters startVector = p;
  Parameters best = p;
  std::int32_t first = 2 * latency;
  double bestResidual = std::numeric_limits<double>::max();
  bool fitted = false;
  SimplexD::Stepsize = kSimplexStep;
  if (TestMode >= 2) {
    delta = 0.0;
    first = 0;
    if (TestMode >= 3) dt = 1.0;
  }
  if (TestMode >= 2) {
    points = kFitPoints;
  } else {
    points = UsablePoints(points, sums);
  }
  const std::span<double> x = X();
  const std::span<double> y = Y();
  for (std::int32_t j = 0; j < points; ++j) {
    const auto k = static_cast<std::size_t>(j);
    x[k] = delta + dt * j;
    y[k] = TestMode >= 2 ? TwoExponents(p, x[k]) : sums[k] * scale;
  }
  if (TestMode >= 2) p = Disturbed(p);
  if (TestMode >= 1) {
    TermIO::WriteString("Input: ");
    WriteValues(startVector);
    for (std::int32_t j = 0; j < points; ++j) {
      WritePoint(j, std::array{x[static_cast<std::size_t>(j)], y[static_cast<std::size_t>(j)]});
    }
  }
  SimplexD::Init(kParameters);
  for (int iteration = 1; iteration <= kMostIterations; ++iteration) {
    const double residual = CalcResidual(p, x, y, first, points);
    const Parameters evaluated = p;
    SimplexD::Next(p, residual);
    if (TestMode >= 1) {
      TermIO::WriteInt(iteration, 3);
      TermIO::WriteEngineering(residual, 9, 7);
      WriteValues(evaluated);
    }
    // A start without a finite residual cannot be improved on.
    if (iteration == 1 && !std::isfinite(residual)) break;
    if (residual < bestResidual) {
      bestResidual = residual;
      best = evaluated;
      fitted = true;
    }
    if (SimplexD::RelConv(kConvergence)) break;
  }
  if (TestMode >= 1) {
    TermIO::WriteString("Fit:   ");
    WriteValues(best);
    if (TestMode >= 3) {
      TermIO::WriteString("     in");
      WriteValues(startVector);
    } else {
      WriteComponents("     in", start);
    }
  }
  if (TestMode >= 3) return true;
  const Components result = ComponentsOf(best, step);
  if (TestMode >= 1) WriteComponents("    out", result);
  if (TestMode >= 2) return true;
  if (!fitted) return false;
  T3Types::State.CSlowFitB = result.r2;
  T3Types::State.CSlowFitA = result.c2;
  return LongMath::IsValidNumber(result.r2) && LongMath::IsValidNumber(result.c2);
}

bool DoSubtract(std::span<std::int32_t> sums, double step, double dt, double scale, std::int32_t points,
                std::int32_t latency) {
  if (TestMode >= 1) T3Auto::CheckTimeout = false;
  const T3Types::AmplifierState& state = T3Types::State;
  const double c2 = state.CSlowFitA;
  const double r2 = state.CSlowFitB;
  if (!LongMath::IsValidNumber(c2) || !LongMath::IsValidNumber(r2) || c2 <= 0.0 || r2 <= 0.0) return false;
  const double tau = c2 * r2;
  const double amplitude = step / r2;
  const double delta = T3Auto::CSlowFilterDelay();
  points = UsablePoints(points, sums);
  const std::span<double> x = X();
  const std::span<double> y = Y();
  for (std::int32_t i = 0; i < points; ++i) {
    const auto k = static_cast<std::size_t>(i);
    x[k] = delta + dt * i;
    y[k] = OneExponent(x[k], amplitude, tau);
  }
  const double perCode = kSubtractShare * scale;
  if (!state.CSlowPending) {
    for (std::int32_t i = std::max<std::int32_t>(latency, 0); i < points; ++i) {
      const auto k = static_cast<std::size_t>(i);
      sums[k] -= static_cast<std::int32_t>(std::lround(y[k] / perCode));
    }
  }
  if (TestMode >= 1) {
    TermIO::WriteString("DoSubtract: tau=");
    TermIO::WriteEngineering(tau, 8, 7);
    TermIO::WriteString(", ampl0=");
    TermIO::WriteEngineering(amplitude, 8, 7);
    TermIO::WriteLn();
    TermIO::WriteString("         CSlow2=");
    TermIO::WriteEngineering(c2, 7, 7);
    TermIO::WriteString(", RSeries2=");
    TermIO::WriteEngineering(r2, 7, 7);
    TermIO::WriteLn();
    TermIO::WriteString("       Interval=");
    TermIO::WriteEngineering(dt, 8, 7);
    TermIO::WriteString(", Latency= ");
    TermIO::WriteInt(latency, 0);
    TermIO::WriteLn();
    TermIO::WriteLine("           x         y         i       y/i ");
    for (std::int32_t i = 0; i < points; ++i) {
      const auto k = static_cast<std::size_t>(i);
      const double current = sums[k] * perCode;
      WritePoint(i, std::array{x[k], y[k], current, y[k] / current});
    }
  }
  return true;
}

}  // namespace T3CSlowFit
