#include "sim/amplifier/ProbeBench.h"

#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>

#include "numerics/FFTReal.h"

namespace {

constexpr int kMuxLatch = 41;
constexpr int kMuxProbe = 6;
constexpr int kMuxCurrentMonitor = 14;
constexpr double kProbeShare = 0.75;
constexpr double kLoadOhms = 1e8;
// The analog side's densities are given in this bandwidth.
constexpr double kDensityHz = 1e4;
// The noise's sampling grid and the length of one drawn stretch.
constexpr double kNoiseStep = 1e-5;
constexpr std::size_t kNoisePoints = 8192;

// The gain of one linear block at angular frequency w: c (jw - A)^-1 b + d.
std::complex<double> BlockResponse(const AnalogCircuit::Block& block, double w) {
  const auto n = static_cast<std::size_t>(block.order);
  if (n == 0) return block.d;
  std::vector<std::complex<double>> m(n * (n + 1));
  for (std::size_t r = 0; r < n; ++r) {
    for (std::size_t c = 0; c < n; ++c) m[r * (n + 1) + c] = -block.a[r * n + c];
    m[r * (n + 1) + r] += std::complex<double>(0.0, w);
    m[r * (n + 1) + n] = block.b[r];
  }
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t pivot = k;
    for (std::size_t r = k + 1; r < n; ++r) {
      if (std::abs(m[r * (n + 1) + k]) > std::abs(m[pivot * (n + 1) + k])) pivot = r;
    }
    for (std::size_t c = 0; c <= n; ++c) std::swap(m[k * (n + 1) + c], m[pivot * (n + 1) + c]);
    for (std::size_t r = 0; r < n; ++r) {
      if (r == k) continue;
      const std::complex<double> f = m[r * (n + 1) + k] / m[k * (n + 1) + k];
      for (std::size_t c = k; c <= n; ++c) m[r * (n + 1) + c] -= f * m[k * (n + 1) + c];
    }
  }
  std::complex<double> h = block.d;
  for (std::size_t k = 0; k < n; ++k) h += block.c[k] * m[k * (n + 1) + n] / m[k * (n + 1) + k];
  return h;
}

double Magnitude(const AnalogCircuit& circuit, double hz) {
  const double w = 2.0 * std::numbers::pi * hz;
  std::complex<double> h = 1.0;
  for (const AnalogCircuit::Block& block : circuit.blocks()) h *= BlockResponse(block, w);
  return std::abs(h);
}

// The probe's input current density (A^2/Hz) in the range.
double InputDensity(const AmplifierAnalogTruths& truths, const ProbeHead& head, int range, double hz) {
  const double flat = truths.noise_amperes[static_cast<std::size_t>(range)] * head.noise_factor;
  const double rising = hz / head.noise_rise_hz;
  double density = flat * flat / kDensityHz * (1.0 + rising * rising);
  const ProbeHead::Excess& e = head.excess;
  if (e.range == range && hz >= e.from_hz && hz <= e.to_hz) density *= e.factor * e.factor;
  return density;
}

}  // namespace

ProbeHead ProbeHead::Tlv1() {
  ProbeHead head;
  head.input_gain = 50.0;
  head.input_offset_volts = -0.08;
  return head;
}

AmplifierCell CellOf(ModelCircuit circuit) {
  switch (circuit) {
    case ModelCircuit::k10MOhm: return AmplifierCell::Resistor(1e7);
    case ModelCircuit::k500MOhm: return AmplifierCell::Resistor(5e8);
    case ModelCircuit::kLoad: return AmplifierCell::Resistor(kLoadOhms);
    default: return AmplifierCell::Open();
  }
}

const BenchPosition* ProbeBench::At(int board, int position) const {
  const auto found = _positions.find({board, position});
  return found == _positions.end() ? nullptr : &found->second;
}

void ProbeBench::Apply(int board, int position, AmplifierAnalogTruths& truths) const {
  const BenchPosition* bench = At(board, position);
  if (bench == nullptr) return;
  truths.cell = CellOf(bench->circuit);
  truths.scale.injection_farads[2] *= bench->probe.one_pf_share;
  truths.scale.injection_farads[3] *= bench->probe.ten_pf_share;
  for (std::size_t r = 0; r < truths.probe_offset_volts.size(); ++r) {
    truths.probe_offset_volts[r] += bench->probe.range_offset_volts[r];
  }
}

double ProbeBench::Density(const AmplifierBoardModel& model, const AmplifierBoardElements& elements,
                           const ProbeHead& head, double hz) {
  const double chain = Magnitude(model.CurrentChainToMonitorOne(elements), hz);
  return InputDensity(model.Truths(), head, model.Range(elements), hz) * chain * chain;
}

namespace {

// The density at the grid's frequencies, the chain built once.
std::vector<double> Densities(const AmplifierBoardModel& model, const AmplifierBoardElements& elements,
                              const ProbeHead& head, double df, std::size_t count) {
  const AnalogCircuit chain = model.CurrentChainToMonitorOne(elements);
  const int range = model.Range(elements);
  std::vector<double> densities(count);
  for (std::size_t k = 0; k < count; ++k) {
    const double hz = static_cast<double>(k) * df;
    const double gain = Magnitude(chain, hz);
    densities[k] = InputDensity(model.Truths(), head, range, hz) * gain * gain;
  }
  return densities;
}

}  // namespace

void ProbeBench::Draw(NoiseStretch& stretch, const AmplifierBoardModel& model, const AmplifierBoardElements& elements,
                      const ProbeHead& head, double seconds) {
  // Random phases over the density: X_k = sqrt(S N / (4 dt)) (a + ib), a and
  // b standard normal, mirrored, so that the samples' variance is the
  // density's integral.
  std::vector<float> re(kNoisePoints, 0.0f);
  std::vector<float> im(kNoisePoints, 0.0f);
  std::normal_distribution<double> normal;
  const std::vector<double> densities =
      Densities(model, elements, head, 1.0 / (kNoisePoints * kNoiseStep), kNoisePoints / 2);
  for (std::size_t k = 1; k < kNoisePoints / 2; ++k) {
    const double a = std::sqrt(densities[k] * kNoisePoints / (4.0 * kNoiseStep));
    const double x = a * normal(_random);
    const double y = a * normal(_random);
    re[k] = static_cast<float>(x);
    im[k] = static_cast<float>(y);
    re[kNoisePoints - k] = static_cast<float>(x);
    im[kNoisePoints - k] = static_cast<float>(-y);
  }
  FFTReal::Reverse(static_cast<std::int32_t>(kNoisePoints), re.data(), im.data());
  for (float& v : re) v /= static_cast<float>(kNoisePoints);
  stretch.samples = std::move(re);
  stretch.start = seconds;
  stretch.words = elements.Words();
}

void ProbeBench::Convert(int board, int position, const AmplifierBoardModel& model,
                         const AmplifierBoardElements& elements, double seconds) {
  NoiseStretch& stretch = _noise[static_cast<std::size_t>(board)];
  stretch.value = 0.0;
  const BenchPosition* bench = At(board, position);
  if (bench == nullptr || !bench->probe.noise || elements.Element(kMuxLatch) != kMuxCurrentMonitor) return;
  double index = std::floor((seconds - stretch.start) / kNoiseStep + 0.5);
  if (stretch.words != elements.Words() || index < 0 || index >= static_cast<double>(kNoisePoints)) {
    Draw(stretch, model, elements, bench->probe, seconds);
    index = 0;
  }
  stretch.value = stretch.samples[static_cast<std::size_t>(index)];
}

double ProbeBench::Mux(int board, int position, int channel, double volts, const AmplifierBoardModel& model,
                       const AmplifierBoardElements& elements) const {
  const BenchPosition* bench = At(board, position);
  if (bench == nullptr) return volts;
  const ProbeHead& head = bench->probe;
  const AmplifierMonitors& monitors = model.Monitors();
  const int range = model.Range(elements);
  if (channel == kMuxProbe && bench->circuit == ModelCircuit::k10MOhm) {
    const double standing = model.Truths().probe_offset_volts[static_cast<std::size_t>(range)];
    return standing - kProbeShare * head.input_gain * (monitors.command + head.input_offset_volts);
  }
  if (channel == kMuxProbe) return volts + head.output_share * monitors.command;
  if (channel == kMuxCurrentMonitor) {
    const bool offset = head.monitor_offset_range < 0 || head.monitor_offset_range == range;
    return volts + head.common_mode * monitors.command * model.OutputGain(elements) +
           (offset ? head.monitor_offset_volts : 0.0) + _noise[static_cast<std::size_t>(board)].value;
  }
  return volts;
}
