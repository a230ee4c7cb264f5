#include "sim/AnalogFixtures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Stretches are told apart to the attosecond; longer ones than the key can
// hold are not kept.
constexpr double kKeysPerSecond = 1e18;
constexpr double kLongestKept = 9.0;
// Stretches seen by one path are few (a sweep has two or three); a path that
// meets many forgets them now and then.
constexpr std::size_t kMostSteps = 256;

// e^(m), m square of size n, row major: scaling and squaring around a Taylor
// series, which for the small, well-damped matrices of these circuits is
// accurate to rounding.
std::vector<double> Exponential(std::vector<double> m, int n) {
  double norm = 0.0;
  for (int row = 0; row < n; ++row) {
    double sum = 0.0;
    for (int col = 0; col < n; ++col) sum += std::fabs(m[row * n + col]);
    norm = std::max(norm, sum);
  }
  int squarings = 0;
  while (norm > 0.5) {
    norm /= 2.0;
    ++squarings;
  }
  const double scale = std::ldexp(1.0, -squarings);
  for (double& value : m) value *= scale;

  const auto multiply = [n](const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> product(a.size(), 0.0);
    for (int row = 0; row < n; ++row)
      for (int k = 0; k < n; ++k)
        for (int col = 0; col < n; ++col) product[row * n + col] += a[row * n + k] * b[k * n + col];
    return product;
  };

  std::vector<double> result(m.size(), 0.0);
  std::vector<double> term(m.size(), 0.0);
  for (int i = 0; i < n; ++i) result[i * n + i] = term[i * n + i] = 1.0;
  for (int k = 1; k <= 30; ++k) {
    term = multiply(term, m);
    double largest = 0.0;
    for (int i = 0; i < n * n; ++i) {
      term[i] /= k;
      result[i] += term[i];
      largest = std::max(largest, std::fabs(term[i]));
    }
    if (largest < 1e-20) break;
  }
  for (int i = 0; i < squarings; ++i) result = multiply(result, result);
  return result;
}

}  // namespace

// ---- Circuits --------------------------------------------------------------

AnalogCircuit AnalogCircuit::Wire() { return {}; }

AnalogCircuit AnalogCircuit::Gain(double gain) {
  AnalogCircuit circuit;
  circuit._gain = gain;
  return circuit;
}

AnalogCircuit AnalogCircuit::RC(double tau_seconds) {
  AnalogCircuit circuit;
  if (tau_seconds > 0.0) circuit._rc_taus.push_back(tau_seconds);
  return circuit;
}

AnalogCircuit AnalogCircuit::TwoPoleLowPass(double corner_hz, double q) {
  AnalogCircuit circuit;
  if (corner_hz > 0.0 && q > 0.0) circuit._low_passes.push_back({corner_hz, q});
  return circuit;
}

AnalogCircuit AnalogCircuit::Delay(double seconds) {
  AnalogCircuit circuit;
  circuit._delay = std::max(seconds, 0.0);
  return circuit;
}

AnalogCircuit AnalogCircuit::Noise(double sigma_volts, unsigned seed) {
  AnalogCircuit circuit;
  circuit._noise_sigma = std::max(sigma_volts, 0.0);
  circuit._noise_seed = seed;
  return circuit;
}

AnalogCircuit AnalogCircuit::Then(const AnalogCircuit& next) const {
  AnalogCircuit chain = *this;
  chain._gain *= next._gain;
  chain._delay += next._delay;
  chain._rc_taus.insert(chain._rc_taus.end(), next._rc_taus.begin(), next._rc_taus.end());
  chain._low_passes.insert(chain._low_passes.end(), next._low_passes.begin(), next._low_passes.end());
  if (next._noise_sigma > 0.0) {
    chain._noise_sigma = next._noise_sigma;
    chain._noise_seed = next._noise_seed;
  }
  return chain;
}

// ---- Running a circuit -----------------------------------------------------

AnalogPath::AnalogPath(const AnalogCircuit& circuit)
    : _noise_sigma(circuit.noise_sigma()), _random(circuit.noise_seed()) {
  Build(circuit);
}

void AnalogPath::Retune(const AnalogCircuit& circuit) {
  const std::vector<double> state = _x;
  Build(circuit);
  if (state.size() == _x.size()) _x = state;
}

void AnalogPath::Build(const AnalogCircuit& circuit) {
  _gain = circuit.gain();
  _delay = circuit.delay();
  _order = static_cast<int>(circuit.rc_taus().size() + 2 * circuit.low_passes().size());
  _steps.clear();
  const int n = _order;
  _a.assign(static_cast<std::size_t>(n * n), 0.0);
  _b.assign(static_cast<std::size_t>(n), 0.0);
  _c.assign(static_cast<std::size_t>(n), 0.0);
  _x.assign(static_cast<std::size_t>(n), 0.0);
  _next_x.assign(static_cast<std::size_t>(n), 0.0);
  // Each section is driven by the output of the one before it (the first by
  // the input) and keeps its output in its first state.
  int state = 0;
  int feeding = -1;  // the state that drives the next section; -1 the input
  const auto drive = [&](int row, double weight) {
    if (feeding < 0) {
      _b[row] += weight;
    } else {
      _a[row * n + feeding] += weight;
    }
  };
  for (double tau : circuit.rc_taus()) {
    _a[state * n + state] = -1.0 / tau;
    drive(state, 1.0 / tau);
    feeding = state;
    state += 1;
  }
  for (const AnalogCircuit::LowPass2& section : circuit.low_passes()) {
    const double omega = 2.0 * std::numbers::pi * section.corner_hz;
    const int out = state;
    const int rate = state + 1;
    _a[out * n + rate] = 1.0;
    _a[rate * n + out] = -omega * omega;
    _a[rate * n + rate] = -omega / section.q;
    drive(rate, omega * omega);
    feeding = out;
    state += 2;
  }
  if (n > 0) _c[feeding] = 1.0;
}

void AnalogPath::Drive(double seconds, double volts) { _pending.emplace_back(seconds + _delay, volts); }

double AnalogPath::Sample(double seconds) {
  MoveTo(seconds);
  double volts = _input;
  if (_order > 0) {
    volts = 0.0;
    for (int i = 0; i < _order; ++i) volts += _c[i] * _x[i];
  }
  volts *= _gain;
  if (_noise_sigma > 0.0) volts += _noise_sigma * _noise(_random);
  return volts;
}

void AnalogPath::MoveTo(double seconds) {
  const auto hold = [this](double until) {
    if (until <= _time) return;
    if (_order > 0) {
      const Step& step = StepOf(until - _time);
      for (int row = 0; row < _order; ++row) {
        double value = step.gamma[row] * _input;
        for (int col = 0; col < _order; ++col) value += step.phi[row * _order + col] * _x[col];
        _next_x[row] = value;
      }
      _x.swap(_next_x);
    }
    _time = until;
  };
  while (!_pending.empty() && _pending.front().first <= seconds) {
    hold(_pending.front().first);
    _input = _pending.front().second;
    _pending.pop_front();
  }
  hold(seconds);
}

const AnalogPath::Step& AnalogPath::StepOf(double seconds) {
  const bool kept = seconds <= kLongestKept;
  const std::int64_t key = kept ? std::llround(seconds * kKeysPerSecond) : -1;
  if (const auto found = _steps.find(key); kept && found != _steps.end()) return found->second;
  if (_steps.size() >= kMostSteps) _steps.clear();
  // The input joins the state as a constant: e^([[A, B], [0, 0]] h) holds
  // Phi in its upper left and Gamma in its last column.
  const int n = _order + 1;
  std::vector<double> m(static_cast<std::size_t>(n * n), 0.0);
  for (int row = 0; row < _order; ++row) {
    for (int col = 0; col < _order; ++col) m[row * n + col] = _a[row * _order + col] * seconds;
    m[row * n + _order] = _b[row] * seconds;
  }
  const std::vector<double> e = Exponential(std::move(m), n);
  Step step;
  step.phi.resize(static_cast<std::size_t>(_order * _order));
  step.gamma.resize(static_cast<std::size_t>(_order));
  for (int row = 0; row < _order; ++row) {
    for (int col = 0; col < _order; ++col) step.phi[row * _order + col] = e[row * n + col];
    step.gamma[row] = e[row * n + _order];
  }
  return _steps.insert_or_assign(key, std::move(step)).first->second;
}

// ---- What the boards add -----------------------------------------------------

AnalogCircuit OnBoard(const AnalogCircuit& circuit, const AnalogBoardTiming& timing) {
  AnalogCircuit input_stage = AnalogCircuit::Wire();
  for (int pole = 0; pole < timing.input_poles; ++pole)
    input_stage = input_stage.Then(AnalogCircuit::RC(timing.input_tau_seconds));
  return AnalogCircuit::RC(timing.output_tau_seconds)
      .Then(AnalogCircuit::Delay(timing.dac_delay_seconds))
      .Then(circuit)
      .Then(input_stage);
}

AnalogConnection::AnalogConnection(int dac, const AnalogCircuit& circuit, const AnalogBoardTiming& timing)
    : _dac(dac), _path(OnBoard(circuit, timing)), _adc_delay(timing.adc_delay_seconds) {}

double AnalogConnection::Convert(double sweep_seconds, double dac_volts) {
  if (sweep_seconds < _last_sweep_seconds) _origin += _last_sweep_seconds;
  _last_sweep_seconds = sweep_seconds;
  const double now = _origin + sweep_seconds;
  if (dac_volts != _last_dac_volts) {
    _path.Drive(now, dac_volts);
    _last_dac_volts = dac_volts;
  }
  return _path.Sample(now + _adc_delay);
}
