#include "sim/amplifier/AmplifierCell.h"

#include <algorithm>
#include <array>
#include <utility>
#include <numbers>

namespace {

enum State { kCommand, kWall, kMembrane, kSecond, kCFast1, kCFast2, kCSlow, kStates };

constexpr double kStrayFarads = 1.5e-12;
constexpr double kWallFarads = 2.5e-12;
constexpr double kWallOhms = 1e6;
constexpr double kPipetteOhms = 5e6;
constexpr double kBathVolts = 0.0125;
constexpr double kSealOhms = 1e9;
constexpr double kOneComponentFarads = 4e-12;
constexpr double kOneComponentSeconds = 2.5e-6;
// The shortest C-fast time constant the block takes.
constexpr double kShortestTau = 1e-8;
// The least capacitance of the pipette node in current clamp.
constexpr double kLeastNodeFarads = 1e-13;
// Where the Rs correction and the prediction stop: the pipette potential
// grows as 1 / (1 - alpha).
constexpr double kMostAlpha = 0.99;
constexpr double kMostFraction = 0.99;

}  // namespace

AmplifierCell AmplifierCell::Open() { return {.stray_farads = kStrayFarads}; }

AmplifierCell AmplifierCell::Resistor(double ohms) { return {.series_ohms = ohms}; }

AmplifierCell AmplifierCell::Capacitor(double farads) { return {.stray_farads = farads}; }

AmplifierCell AmplifierCell::Bath() {
  return {.stray_farads = kStrayFarads,
          .wall_farads = kWallFarads,
          .wall_ohms = kWallOhms,
          .series_ohms = kPipetteOhms,
          .bath_volts = kBathVolts};
}

AmplifierCell AmplifierCell::Seal() {
  AmplifierCell cell = Bath();
  cell.series_ohms += kSealOhms;
  return cell;
}

AmplifierCell AmplifierCell::SealedPipette() {
  AmplifierCell cell = Seal();
  cell.stray_farads = 0.0;
  cell.wall_farads = kOneComponentFarads;
  cell.wall_ohms = kOneComponentSeconds / kOneComponentFarads;
  return cell;
}

AmplifierCell AmplifierCell::WholeCell() {
  AmplifierCell cell = Bath();
  cell.series_ohms = 10e6;
  cell.membrane_farads = 22e-12;
  cell.membrane_ohms = 500e6;
  return cell;
}

AmplifierCell AmplifierCell::WholeCell2() {
  AmplifierCell cell = WholeCell();
  cell.second_farads = 8e-12;
  cell.second_ohms = 150e6;
  return cell;
}

AnalogCircuit CellCurrent(const AmplifierCell& cell, const AmplifierCompensation& compensation,
                          double stimulus_filter_hz, double rs_alpha) {
  constexpr int n = kStates;
  AnalogCircuit::Block block{n, std::vector<double>(n * n, 0.0), std::vector<double>(n, 0.0),
                             std::vector<double>(n, 0.0), 0.0};
  const auto a = [&](int row, int col) -> double& { return block.a[static_cast<std::size_t>(row * n + col)]; };
  const auto c = [&](int state) -> double& { return block.c[static_cast<std::size_t>(state)]; };
  const double rate = 2.0 * std::numbers::pi * stimulus_filter_hz;
  // A state a circuit leaves unused rests where it is driven from nothing.
  const auto rest = [&](int state) { a(state, state) = -rate; };

  const bool series = cell.series_ohms > 0.0;
  const bool membrane = series && cell.membrane_farads > 0.0;
  const bool second = membrane && cell.second_farads > 0.0 && cell.second_ohms > 0.0;
  const bool cSlow = compensation.c_slow_farads > 0.0 && compensation.g_series_siemens > 0.0;
  const double alpha = series ? std::clamp(rs_alpha, 0.0, kMostAlpha) : 0.0;
  const double fraction = std::clamp(compensation.rs_fraction, 0.0, kMostFraction);

  a(kCommand, kCommand) = -rate;
  block.b[kCommand] = rate;
  // The C-slow network follows the command with its time constant C / G
  // shortened by the fraction and injects C x its slope.
  const double injection = cSlow ? compensation.g_series_siemens / (1.0 - fraction) : 0.0;
  if (cSlow) {
    const double k = injection / compensation.c_slow_farads;
    a(kCSlow, kCommand) = k;
    a(kCSlow, kCSlow) = -k;
  } else {
    rest(kCSlow);
  }

  // The pipette potential V (a weighted sum of the states) is the command,
  // the prediction (the fraction x 1 / G x the injected current) and the
  // correction R_comp x the current the probe measures through the series
  // path, less the injection: V = P + (f / G - R_comp) I_inj + alpha (V - V_m)
  // with alpha = R_comp / Rs. The pipette's own capacitances and C-fast see
  // the predicted part alone, as if C-fast cancelled them within the
  // correction's loop: the loop's stability is the caller's.
  std::array<double, n> v{};
  std::array<double, n> predicted{};
  const double prediction = cSlow ? fraction / compensation.g_series_siemens * injection : 0.0;
  const double boost = prediction - (cSlow ? alpha * cell.series_ohms * injection : 0.0);
  v[kCommand] = (1.0 + boost) / (1.0 - alpha);
  v[kCSlow] = -boost / (1.0 - alpha);
  if (membrane) v[kMembrane] = -alpha / (1.0 - alpha);
  predicted[kCommand] = 1.0 + prediction;
  predicted[kCSlow] = -prediction;
  // Adds `siemens` x the potential to the current.
  const auto from = [&](const std::array<double, n>& potential, double siemens) {
    for (int state = 0; state < n; ++state) c(state) += siemens * potential[static_cast<std::size_t>(state)];
  };
  // A first-order follower of the predicted potential at `k` per second
  // that carries `siemens` x (potential - state).
  const auto follower = [&](int state, double k, double siemens) {
    for (int col = 0; col < n; ++col) a(state, col) += k * predicted[static_cast<std::size_t>(col)];
    a(state, state) -= k;
    from(predicted, siemens);
    c(state) -= siemens;
  };

  if (cell.wall_farads > 0.0 && cell.wall_ohms > 0.0) {
    follower(kWall, 1.0 / (cell.wall_ohms * cell.wall_farads), 1.0 / cell.wall_ohms);
  } else {
    rest(kWall);
  }

  if (membrane) {
    const double gs = 1.0 / cell.series_ohms;
    const double gm = cell.membrane_ohms > 0.0 ? 1.0 / cell.membrane_ohms : 0.0;
    const double g2 = second ? 1.0 / cell.second_ohms : 0.0;
    from(v, gs);
    c(kMembrane) -= gs;
    for (int col = 0; col < n; ++col) a(kMembrane, col) += gs / cell.membrane_farads * v[static_cast<std::size_t>(col)];
    a(kMembrane, kMembrane) -= (gs + gm + g2) / cell.membrane_farads;
    a(kMembrane, kSecond) = g2 / cell.membrane_farads;
    if (second) {
      a(kSecond, kMembrane) = g2 / cell.second_farads;
      a(kSecond, kSecond) = -g2 / cell.second_farads;
    }
  } else {
    if (series) from(v, 1.0 / cell.series_ohms);
    rest(kMembrane);
  }
  if (!second) rest(kSecond);

  // The compensations inject against the cell: their currents count negative.
  follower(kCFast1, 1.0 / kCFast1LagSeconds, -compensation.c_fast1_farads / kCFast1LagSeconds);
  const double tau = std::max(compensation.c_fast_tau_seconds, kShortestTau);
  follower(kCFast2, 1.0 / tau, -compensation.c_fast2_farads / tau);
  c(kCommand) -= injection;
  c(kCSlow) += injection;
  from(v, -compensation.g_leak_siemens);

  // The stray capacitance carries C dV/dt, the slope of the predicted
  // potential from the rows of the states it weighs.
  for (int state = 0; state < n; ++state) {
    const double weight = cell.stray_farads * predicted[static_cast<std::size_t>(state)];
    if (weight == 0.0) continue;
    for (int col = 0; col < n; ++col) c(col) += weight * a(state, col);
    block.d += weight * block.b[static_cast<std::size_t>(state)];
  }
  block.sides.push_back({std::vector<double>(v.begin(), v.end()), 0.0});
  return AnalogCircuit::Linear(std::move(block));
}

AnalogCircuit CellVoltage(const AmplifierCell& cell, double node_farads, double input_ohms, double amperes_per_volt) {
  enum Node { kNode, kWallNode, kMembraneNode, kSecondNode, kNodes };
  constexpr int n = kNodes;
  AnalogCircuit::Block block{n, std::vector<double>(n * n, 0.0), std::vector<double>(n, 0.0),
                             std::vector<double>(n, 0.0), 0.0};
  const auto a = [&](int row, int col) -> double& { return block.a[static_cast<std::size_t>(row * n + col)]; };
  // A conductance g between nodes i and j (j < 0: the bath) with the
  // capacitance of each node.
  std::array<double, n> farads = {std::max(node_farads, kLeastNodeFarads), cell.wall_farads, cell.membrane_farads,
                                  cell.second_farads};
  const auto join = [&](int i, int j, double g) {
    a(i, i) -= g / farads[static_cast<std::size_t>(i)];
    if (j < 0) return;
    a(i, j) += g / farads[static_cast<std::size_t>(i)];
    a(j, j) -= g / farads[static_cast<std::size_t>(j)];
    a(j, i) += g / farads[static_cast<std::size_t>(j)];
  };
  block.b[kNode] = amperes_per_volt / farads[kNode];
  block.c[kNode] = 1.0;
  if (input_ohms > 0.0) join(kNode, -1, 1.0 / input_ohms);
  const bool wall = cell.wall_farads > 0.0 && cell.wall_ohms > 0.0;
  const bool series = cell.series_ohms > 0.0;
  const bool membrane = series && cell.membrane_farads > 0.0;
  const bool second = membrane && cell.second_farads > 0.0 && cell.second_ohms > 0.0;
  if (wall) join(kNode, kWallNode, 1.0 / cell.wall_ohms);
  if (membrane) {
    join(kNode, kMembraneNode, 1.0 / cell.series_ohms);
    if (cell.membrane_ohms > 0.0) join(kMembraneNode, -1, 1.0 / cell.membrane_ohms);
  } else if (series) {
    join(kNode, -1, 1.0 / cell.series_ohms);
  }
  if (second) join(kMembraneNode, kSecondNode, 1.0 / cell.second_ohms);
  // Unused nodes rest where nothing drives them.
  const std::pair<int, bool> nodes[] = {{kWallNode, wall}, {kMembraneNode, membrane}, {kSecondNode, second}};
  for (const auto& [node, used] : nodes) {
    if (!used) a(node, node) = -1.0;
  }
  return AnalogCircuit::Linear(std::move(block));
}
