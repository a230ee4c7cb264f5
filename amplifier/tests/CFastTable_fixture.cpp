#include "amplifier/tests/CFastTable_fixture.h"

#include <array>
#include <cmath>
#include <cstddef>

#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoCFast.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "foundation/RealTime.h"

namespace {

constexpr std::size_t kPoints = T3Scale::kCFastPoints;
constexpr int kCycles = 40;
constexpr double kAmplitude = 0.01;
// Where the derivatives are taken, and the change of each component.
constexpr double kCFast1 = 1e-12;
constexpr double kCFast2 = 2e-12;
constexpr double kStep = 1e-12;
// The lookup's scale of the time-constant row.
constexpr double kTauFloorCapacitance = 2e-13;
constexpr double kTauPerRatio = 3e-7;
// The rows below it are copies of it, as the calibration makes them.
constexpr int kFirstMeasuredRow = 2;

struct Configuration {
  int range;
  int filter1;
  float interval;
};
constexpr std::array<Configuration, T3Scale::kCFastConfigurations> kConfigurations = {
    {{1, 2, 1.5e-5f}, {1, 1, 5e-6f}, {2, 1, 5e-6f}}};

using Vector = std::array<double, kPoints>;

Vector Response(double interval) {
  double amplitude = kAmplitude;
  T3Auto::CFastResponse q{};
  T3Auto::GetFunction(interval, amplitude, kCycles, q, RealTime::GetTime() + 1e6);
  Vector v{};
  for (std::size_t i = 0; i < kPoints; ++i) v[i] = q[i];
  return v;
}

Vector Slope(const Vector& high, const Vector& low, double change) {
  Vector v{};
  for (std::size_t i = 0; i < kPoints; ++i) v[i] = (high[i] - low[i]) / change;
  return v;
}

double Dot(const Vector& a, const Vector& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < kPoints; ++i) sum += a[i] * b[i];
  return sum;
}

// The rows of (J^T J)^-1 J^T for the three columns of J.
std::array<Vector, 3> LeastSquaresRows(const std::array<Vector, 3>& columns) {
  std::array<std::array<double, 3>, 3> m{};
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) m[i][j] = Dot(columns[i], columns[j]);
  }
  const auto cofactor = [&](std::size_t i, std::size_t j) {
    const std::size_t r0 = (i + 1) % 3, r1 = (i + 2) % 3, c0 = (j + 1) % 3, c1 = (j + 2) % 3;
    return m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0];
  };
  const double determinant = m[0][0] * cofactor(0, 0) + m[0][1] * cofactor(0, 1) + m[0][2] * cofactor(0, 2);
  std::array<Vector, 3> rows{};
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) {
      // The inverse of the symmetric matrix: cofactor (j, i) / determinant.
      const double inverse = cofactor(j, i) / determinant;
      for (std::size_t k = 0; k < kPoints; ++k) rows[i][k] += inverse * columns[j][k];
    }
  }
  return rows;
}

void Store(std::array<float, kPoints>& row, const Vector& values, double scale) {
  for (std::size_t i = 0; i < kPoints; ++i) row[i] = static_cast<float>(values[i] * scale);
}

void MeasureTable(T3Scale::CFastLookup& lookup, const Configuration& configuration) {
  T3Panel::SetRange(configuration.range);
  T3Panel::SetFilter1(configuration.filter1);
  lookup.SampleInterval = configuration.interval;
  const auto& steps = T3Scale::Scale.CFastTau;
  for (int k = kFirstMeasuredRow; k < T3Scale::kCFastSteps; ++k) {
    const auto row = static_cast<std::size_t>(k);
    const std::size_t below = row - 1;
    const std::size_t above = std::min<std::size_t>(row + 1, steps.size() - 1);
    T3Panel::SetCFast1(kCFast1);
    T3Panel::SetCFast2(kCFast2);
    T3Panel::SetCFastTau(steps[row]);
    const Vector base = Response(configuration.interval);
    T3Panel::SetCFast1(kCFast1 + kStep);
    const Vector c1 = Slope(Response(configuration.interval), base, kStep);
    T3Panel::SetCFast1(kCFast1);
    T3Panel::SetCFast2(kCFast2 + kStep);
    const Vector c2 = Slope(Response(configuration.interval), base, kStep);
    T3Panel::SetCFast2(kCFast2);
    T3Panel::SetCFastTau(steps[above]);
    const Vector longer = Response(configuration.interval);
    T3Panel::SetCFastTau(steps[below]);
    const Vector tau = Slope(longer, Response(configuration.interval), steps[above] - steps[below]);
    const std::array<Vector, 3> rows = LeastSquaresRows({c1, c2, tau});
    Store(lookup.CFast1[row], rows[0], 1.0);
    Store(lookup.CFast2[row], rows[1], 1.0);
    Store(lookup.Tau[row], rows[2], (kCFast2 + kTauFloorCapacitance) / kTauPerRatio);
  }
  for (int k = 0; k < kFirstMeasuredRow; ++k) {
    const auto row = static_cast<std::size_t>(k);
    lookup.CFast1[row] = lookup.CFast1[kFirstMeasuredRow];
    lookup.CFast2[row] = lookup.CFast2[kFirstMeasuredRow];
    lookup.Tau[row] = lookup.Tau[kFirstMeasuredRow];
  }
}

}  // namespace

T3Scale::CFastTable MeasuredCFastTable(std::initializer_list<int> tables) {
  const T3Types::AmplifierState before = T3Types::State;
  T3Panel::SetRsOn(false);
  T3Panel::SetRsFraction(0.0);
  T3Panel::SetMux(14);
  T3Panel::SetStimFilter(0);
  T3Panel::SetGain(0);
  T3Scale::CFastTable table{};
  for (const int t : tables) {
    MeasureTable(table.Tables[static_cast<std::size_t>(t)], kConfigurations[static_cast<std::size_t>(t)]);
  }
  T3Panel::SetRange(before.Range);
  T3Panel::SetFilter1(before.Filter1);
  T3Panel::SetGain(before.Gain);
  T3Panel::SetMux(before.Mux);
  T3Panel::SetStimFilter(before.StimFilter);
  T3Panel::SetRsFraction(before.RsFraction);
  T3Panel::SetRsOn(before.RsOn);
  T3Panel::SetCFast1(before.CFast1);
  T3Panel::SetCFast2(before.CFast2);
  T3Panel::SetCFastTau(before.CFastTau);
  return table;
}

void InstallCFastTable(const T3Scale::CFastTable& table) {
  T3Auto::CFastTable = table;
  T3Init::CFastFileLoaded = true;
}
