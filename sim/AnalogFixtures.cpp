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
  Block block;
  block.d = gain;
  return Linear(std::move(block));
}

AnalogCircuit AnalogCircuit::RC(double tau_seconds) {
  if (!(tau_seconds > 0.0)) return Wire();
  return Linear({1, {-1.0 / tau_seconds}, {1.0 / tau_seconds}, {1.0}, 0.0});
}

AnalogCircuit AnalogCircuit::TwoPoleLowPass(double corner_hz, double q) {
  if (!(corner_hz > 0.0 && q > 0.0)) return Wire();
  const double omega = 2.0 * std::numbers::pi * corner_hz;
  // States: the output and its rate.
  return Linear({2, {0.0, 1.0, -omega * omega, -omega / q}, {0.0, omega * omega}, {1.0, 0.0}, 0.0});
}

AnalogCircuit AnalogCircuit::Linear(Block block) {
  AnalogCircuit circuit;
  circuit._blocks.push_back(std::move(block));
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
  for (const std::size_t tap : next._taps) chain._taps.push_back(tap + _blocks.size());
  chain._blocks.insert(chain._blocks.end(), next._blocks.begin(), next._blocks.end());
  chain._delay += next._delay;
  if (next._noise_sigma > 0.0) {
    chain._noise_sigma = next._noise_sigma;
    chain._noise_seed = next._noise_seed;
  }
  return chain;
}

AnalogCircuit AnalogCircuit::Tapped() const {
  AnalogCircuit circuit = *this;
  circuit._taps.push_back(_blocks.size());
  return circuit;
}

// ---- Running a circuit -----------------------------------------------------

AnalogPath::AnalogPath(const AnalogCircuit& circuit)
    : _noise_sigma(circuit.noise_sigma()), _random(circuit.noise_seed()) {
  Build(circuit);
}

void AnalogPath::Retune(const AnalogCircuit& circuit) {
  const std::vector<double> state = _x;
  const std::vector<int> orders = _block_orders;
  Build(circuit);
  std::size_t kept = 0;
  for (std::size_t k = 0; k < std::min(orders.size(), _block_orders.size()) && orders[k] == _block_orders[k]; ++k) {
    kept += static_cast<std::size_t>(orders[k]);
  }
  std::copy_n(state.begin(), kept, _x.begin());
}

void AnalogPath::Build(const AnalogCircuit& circuit) {
  _delay = circuit.delay();
  int n = 0;
  for (const AnalogCircuit::Block& block : circuit.blocks()) n += block.order;
  _order = n;
  _steps.clear();
  const auto size = static_cast<std::size_t>(n);
  _a.assign(size * size, 0.0);
  _b.assign(size, 0.0);
  _x.assign(size, 0.0);
  _next_x.assign(size, 0.0);
  _taps.clear();
  _sides.clear();
  _block_orders.clear();
  for (const AnalogCircuit::Block& block : circuit.blocks()) _block_orders.push_back(block.order);
  // What drives the next block: a weighted sum of the states and the input.
  Output feed{std::vector<double>(size, 0.0), 1.0};
  std::size_t first = 0;
  std::size_t blocks = 0;
  const auto tapsAt = [&](std::size_t count) {
    for (const std::size_t tap : circuit.taps()) {
      if (tap == count) _taps.push_back(feed);
    }
  };
  tapsAt(0);
  for (const AnalogCircuit::Block& block : circuit.blocks()) {
    const auto k = static_cast<std::size_t>(block.order);
    for (std::size_t row = 0; row < k; ++row) {
      for (std::size_t col = 0; col < k; ++col) _a[(first + row) * size + first + col] += block.a[row * k + col];
      for (std::size_t col = 0; col < size; ++col) _a[(first + row) * size + col] += block.b[row] * feed.c[col];
      _b[first + row] += block.b[row] * feed.d;
    }
    for (const AnalogCircuit::SideOutput& side : block.sides) {
      Output output{feed.c, feed.d * side.d};
      for (double& weight : output.c) weight *= side.d;
      for (std::size_t row = 0; row < k; ++row) output.c[first + row] += side.c[row];
      _sides.push_back(std::move(output));
    }
    for (double& weight : feed.c) weight *= block.d;
    feed.d *= block.d;
    for (std::size_t row = 0; row < k; ++row) feed.c[first + row] += block.c[row];
    first += k;
    tapsAt(++blocks);
  }
  _output = std::move(feed);
}

void AnalogPath::Drive(double seconds, double volts) { _pending.emplace_back(seconds + _delay, volts); }

double AnalogPath::Value(const Output& output) const {
  double volts = output.d * _input;
  for (int i = 0; i < _order; ++i) volts += output.c[static_cast<std::size_t>(i)] * _x[static_cast<std::size_t>(i)];
  return volts;
}

double AnalogPath::Sample(double seconds) {
  MoveTo(seconds);
  double volts = Value(_output);
  if (_noise_sigma > 0.0) volts += _noise_sigma * _noise(_random);
  return volts;
}

double AnalogPath::Tap(int k) const { return Value(_taps[static_cast<std::size_t>(k)]); }

double AnalogPath::Side(int k) const { return Value(_sides[static_cast<std::size_t>(k)]); }

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
