#include "sim/amplifier/AmplifierBoardModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kFilter2Part1Dac = 10;
constexpr int kFilter2Part2Dac = 12;
constexpr int kProbeOffsetDac = 17;
constexpr double kProbeOffsetMidScale = 2048.0;
constexpr double kHumHz = 50.0;
// The noise densities are given in this bandwidth.
constexpr double kNoiseHz = 1e4;
constexpr double kLeastCriticalAlpha = 0.3;
constexpr double kMostCriticalAlpha = 0.95;
constexpr int kFilter1Latch = 28;
constexpr int kSwitchLatch29 = 29;  // bit 1 filter 2 bypass, bit 3 V-ref x2
constexpr int kGainLatchLow = 30;   // bit 2: x 1 instead of x 10
constexpr int kGainLatchHigh = 31;  // bits 0-1: x 2, x 4
constexpr int kVmonLatch = 33;      // bit 0: x 100, bit 2: the narrow stimulus filter
constexpr int kFilter2QLatch = 39;  // bit 0: high Q
constexpr int kProbeLatch = 40;     // bits 2-3: the feedback resistor

// A 4-pole low-pass as two 2-pole sections, their corners relative to the
// filter's -3 dB corner.
struct FourPole {
  std::array<double, 2> ratio;
  std::array<double, 2> q;
};
constexpr FourPole kBessel{{1.4192, 1.5912}, {0.5219, 0.8055}};
constexpr FourPole kButterworth{{1.0, 1.0}, {0.5412, 1.3066}};

// The lowest corner a DAC of 0 leaves.
constexpr double kLowestHz = 1.0;

AnalogCircuit Section(const FourPole& shape, int k, double corner_hz) {
  return AnalogCircuit::TwoPoleLowPass(corner_hz * shape.ratio[static_cast<std::size_t>(k)],
                                       shape.q[static_cast<std::size_t>(k)]);
}

double Limit(double volts) {
  return std::clamp(volts, -AmplifierBoardModel::kLimitVolts, AmplifierBoardModel::kLimitVolts);
}

}  // namespace

enum Tap { kProbeTap, kFilter1Tap, kOutputAmplifierTap, kFilter2FirstTap };

AmplifierBoardModel::AmplifierBoardModel(const AmplifierAnalogTruths& truths, bool noise, unsigned seed)
    : _truths(truths), _noise(noise), _random(seed), _current(AnalogCircuit::Wire()), _pipette(AnalogCircuit::Wire()) {}

void AmplifierBoardModel::UseTruths(const AmplifierAnalogTruths& truths) {
  _truths = truths;
  _tuned = false;
  _setting = Setting{};
}

double AmplifierBoardModel::Gaussian() { return _noise ? _normal(_random) : 0.0; }

int AmplifierBoardModel::Range(const AmplifierBoardElements& elements) const {
  constexpr int kRangeOfResistor[] = {0, 0, 1, 2};
  return kRangeOfResistor[(elements.Element(kProbeLatch) >> 2) & 3];
}

double AmplifierBoardModel::OutputGain(const AmplifierBoardElements& elements) const {
  const double base = elements.LatchBit(kGainLatchLow, 2) ? 1.0 : 10.0;
  if (!elements.LatchBit(kGainLatchHigh, 0)) return base;
  return base * (elements.LatchBit(kGainLatchHigh, 1) ? 4.0 : 2.0);
}

namespace {

int Filter1Index(const AmplifierBoardElements& elements) {
  const int latch = elements.Element(kFilter1Latch);
  for (int index = 0; index < 4; ++index) {
    if (((latch >> index) & 1) != 0) return index;
  }
  return 0;
}

double RsLag(const AmplifierCompensation& compensation, const AmplifierBoardElements& elements) {
  constexpr double kLagOfFilter1[] = {1e-6, 5e-6, 10e-6, 2e-6};
  constexpr double kSlowLag = 100e-6;
  return compensation.rs_slow ? kSlowLag : kLagOfFilter1[Filter1Index(elements)];
}

}  // namespace

double AmplifierBoardModel::Filter1Hz(const AmplifierBoardElements& elements) const {
  return _truths.filter1_hz[static_cast<std::size_t>(Filter1Index(elements))];
}

double AmplifierBoardModel::RsAlpha(const AmplifierCompensation& compensation) const {
  return _truths.cell.series_ohms > 0.0 ? compensation.rs_ohms / _truths.cell.series_ohms : 0.0;
}

double AmplifierBoardModel::RsCriticalAlpha(double lag_seconds) const {
  const AmplifierCell& cell = _truths.cell;
  const double charging = cell.series_ohms * std::max(cell.membrane_farads, cell.stray_farads);
  if (!(charging > 0.0)) return kMostCriticalAlpha;
  return std::clamp(1.0 - 3.0 * lag_seconds / charging, kLeastCriticalAlpha, kMostCriticalAlpha);
}

double AmplifierBoardModel::RsAlpha(const AmplifierBoardElements& elements) const {
  return RsAlpha(Compensation(elements));
}

double AmplifierBoardModel::RsCriticalAlpha(const AmplifierBoardElements& elements) const {
  return RsCriticalAlpha(RsLag(Compensation(elements), elements));
}

std::array<double, 2> AmplifierBoardModel::Filter2Hz(const AmplifierBoardElements& elements) const {
  const auto corner = [&](int dac, double factor) {
    return std::max(static_cast<double>(elements.Element(dac)) / factor, kLowestHz);
  };
  return {corner(kFilter2Part1Dac, _truths.filter2_factors[0]), corner(kFilter2Part2Dac, _truths.filter2_factors[1])};
}

double AmplifierBoardModel::StimulusFilterHz(const AmplifierBoardElements& elements) const {
  return _truths.stimulus_filter_hz[elements.LatchBit(kVmonLatch, 2) ? 1 : 0];
}

AmplifierCompensation AmplifierBoardModel::Compensation(const AmplifierBoardElements& elements) const {
  return DecodeCompensation(_truths.scale, elements, _truths.range_gain[static_cast<std::size_t>(Range(elements))]);
}

AmplifierBoardModel::Setting AmplifierBoardModel::SettingOf(const AmplifierBoardElements& elements) const {
  const AmplifierCompensation compensation = Compensation(elements);
  const double lag = RsLag(compensation, elements);
  return {Range(elements),
          OutputGain(elements),
          Filter1Hz(elements),
          Filter2Hz(elements),
          elements.LatchBit(kFilter2QLatch, 0),
          elements.LatchBit(kSwitchLatch29, 1),
          StimulusFilterHz(elements),
          compensation,
          RsAlpha(compensation),
          RsAlpha(compensation) > RsCriticalAlpha(lag),
          lag};
}

void AmplifierBoardModel::Retune(const Setting& setting) {
  // Filter 2 stays in the chain when bypassed: the monitor then takes the
  // output amplifier's tap, and the sections keep following.
  const FourPole& filter2 = setting.high_q ? kButterworth : kBessel;
  // The Rs compensation takes its share of the series resistance off.
  AmplifierCell cell = _truths.cell;
  if (!setting.rs_ringing) cell.series_ohms *= 1.0 - std::clamp(setting.rs_alpha, 0.0, 1.0);
  if (setting.rs_ringing && !_setting.rs_ringing) ++_rsViolations;
  _current.Retune(CellCurrent(cell, setting.compensation, setting.stimulus_filter_hz)
                      .Then(AnalogCircuit::Gain(_truths.range_gain[static_cast<std::size_t>(setting.range)]))
                      .Tapped()
                      .Then(Section(kBessel, 0, setting.filter1_hz))
                      .Then(Section(kBessel, 1, setting.filter1_hz))
                      .Tapped()
                      .Then(AnalogCircuit::Gain(setting.output_gain))
                      .Tapped()
                      .Then(Section(filter2, 0, setting.filter2_hz[0]))
                      .Tapped()
                      .Then(Section(filter2, 1, setting.filter2_hz[1])));
  // The bandwidth the probe's noise reaches the current monitor in.
  const double filter2_hz = std::min(setting.filter2_hz[0], setting.filter2_hz[1]);
  _noiseHz = setting.bypass_filter2
                 ? setting.filter1_hz
                 : 1.0 / std::sqrt(1.0 / (setting.filter1_hz * setting.filter1_hz) + 1.0 / (filter2_hz * filter2_hz));
  _pipette.Retune(AnalogCircuit::RC(1.0 / (2.0 * std::numbers::pi * setting.stimulus_filter_hz)));
  _setting = setting;
}

void AmplifierBoardModel::MoveTo(double clock_seconds) {
  // A sweep that the boards run ahead of the program's clock leaves the next
  // one starting before it ended: the board lives on from where it was.
  if (_clockSeen) _seconds += std::max(clock_seconds - _lastClock, 0.0);
  else _seconds = clock_seconds;
  _clockSeen = true;
  _lastClock = clock_seconds;
}

const AmplifierMonitors& AmplifierBoardModel::Convert(const AmplifierBoardElements& elements,
                                                      double stimulus_dac_volts, double seconds) {
  MoveTo(seconds);
  // The elements change only by words.
  if (elements.Words() != _wordsSeen || !_tuned) {
    _wordsSeen = elements.Words();
    _tuned = true;
    if (const Setting setting = SettingOf(elements); !(setting == _setting)) Retune(setting);
  }

  const bool vrefX2 = elements.LatchBit(kSwitchLatch29, 3);
  const AmplifierCell& cell = _truths.cell;
  const double command = stimulus_dac_volts * (vrefX2 ? 0.5 : 0.1) * _truths.stimulus_gain +
                         _truths.stimulus_offset_volts + _setting.compensation.pipette_offset_volts;
  if (command != _command) {
    _current.Drive(_seconds, command - cell.bath_volts);
    _pipette.Drive(_seconds, command);
    _command = command;
  }
  const double current = _current.Sample(_seconds);
  const double pipette = _pipette.Sample(_seconds);
  const auto range = static_cast<std::size_t>(_setting.range);
  const double standing =
      _truths.probe_offset_volts[range] +
      (elements.Element(kProbeOffsetDac) - kProbeOffsetMidScale) / kProbeOffsetMidScale * _truths.probe_offset_span_volts;
  // The probe's noise, in the bandwidth of each tap, and the mains' hum.
  const double density = _truths.noise_amperes[range] / std::sqrt(kNoiseHz) * _truths.range_gain[range];
  const double hum = _noise ? _truths.hum_amperes * _truths.range_gain[range] *
                                  std::sin(2.0 * std::numbers::pi * kHumHz * _seconds)
                            : 0.0;
  const double noise = Gaussian();
  const auto noisy = [&](double volts, double hz) { return volts + standing + hum + noise * density * std::sqrt(hz); };
  const double probe = noisy(_current.Tap(kProbeTap), _setting.filter1_hz);
  const double filter1 = noisy(_current.Tap(kFilter1Tap), _setting.filter1_hz);
  const double monitor =
      _setting.output_gain * noisy((_setting.bypass_filter2 ? _current.Tap(kOutputAmplifierTap) : current) /
                                       _setting.output_gain,
                                   _noiseHz);
  _monitors.filter2_first = Limit(noisy(_current.Tap(kFilter2FirstTap) / _setting.output_gain, _noiseHz) *
                                  _setting.output_gain);
  _monitors.command = command;
  _monitors.mux_noise = Gaussian() * _truths.mux_noise_volts;
  _monitors.probe = Limit(probe);
  _monitors.filter1 = Limit(filter1);
  _monitors.current = Limit(monitor);
  if (_setting.rs_ringing) {
    // The loop rings at the rate its lag allows, from rail to rail.
    const double rail = std::sin(_seconds / _setting.rs_lag_seconds) >= 0.0 ? kLimitVolts : -kLimitVolts;
    _monitors.probe = _monitors.filter1 = _monitors.current = rail;
  }
  _monitors.voltage = Limit(pipette * (elements.LatchBit(kVmonLatch, 0) ? 100.0 : 10.0) / (vrefX2 ? 5.0 : 1.0));
  _monitors.clipping = _setting.rs_ringing || std::fabs(probe) > kClippingVolts ||
                       std::fabs(monitor) > kClippingVolts || std::fabs(filter1) > kClippingVolts;
  return _monitors;
}
