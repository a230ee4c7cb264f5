#include "sim/amplifier/AmplifierBoardModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
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
constexpr int kTestProbeLatch = 26;   // bit 1: the test DAC to the probe output
constexpr int kTestOutputLatch = 27;  // bit 3: the test DAC to the output amplifier
constexpr int kStimSourceLatch = 32;  // bit 0: the test DAC, bit 1: the external input
constexpr int kMuxLatch = 41;
constexpr int kCCScaleLatch = 24;   // bit 0: the current-clamp range on the newer boards, bit 1 the external CC stimulus
constexpr int kCCModeBit = 3;       // of latch 33
constexpr int kCCOffsetDac = 15;
constexpr char kTrimLetter = 'Y';
constexpr int kTrimDac = 23;
constexpr int kCompensationLatch = 38;  // bit 1: the reference gain trim on the Y boards
constexpr int kIntegratorLatch = 39;      // bits 2-3: the test integrator's source
constexpr int kTestCapacitorLatch = 42;   // bits 2-3: the test capacitors
constexpr int kIntegratorFromTestDac = 1;
constexpr int kTestDacRoute = 3;
constexpr int kOneCapacitorChannel = 4;
constexpr int kTenCapacitorChannel = 2;
constexpr int kCSlowNetworkChannel = 3;
constexpr int kCFastNetworkChannel = 4;

// A 4-pole low-pass as two 2-pole sections, their corners relative to the
// filter's -3 dB corner.
struct FourPole {
  std::array<double, 2> ratio;
  std::array<double, 2> q;
};
constexpr FourPole kBessel{{1.4192, 1.5912}, {0.5219, 0.8055}};
constexpr FourPole kButterworth{{1.0, 1.0}, {0.5412, 1.3066}};

// Filter 2's sections: Bessel, or Butterworth whose second section has the
// board's own quality.
FourPole Filter2Shape(bool highQ, double quality) {
  return highQ ? FourPole{kButterworth.ratio, {kButterworth.q[0], quality}} : kBessel;
}

// The lowest corner a DAC of 0 leaves.
constexpr double kLowestHz = 1.0;
// The original filter 2's older law: the DACs / the factors give h +
// kOlderLaw h^2 for a corner h.
constexpr double kOlderLaw = 5e-5;

AnalogCircuit Section(const FourPole& shape, int k, double corner_hz) {
  return AnalogCircuit::TwoPoleLowPass(corner_hz * shape.ratio[static_cast<std::size_t>(k)],
                                       shape.q[static_cast<std::size_t>(k)]);
}

// Filter 1, the output amplifier and filter 2, tapped after each but the
// last.
// Filter 1 and the output amplifier: up to current monitor 1.
AnalogCircuit MonitorOneStages(double filter1_hz, double output_gain) {
  return Section(kBessel, 0, filter1_hz)
      .Then(Section(kBessel, 1, filter1_hz))
      .Tapped()
      .Then(AnalogCircuit::Gain(output_gain));
}

AnalogCircuit MonitorStages(double filter1_hz, double output_gain, const FourPole& filter2,
                            const std::array<double, 2>& filter2_hz) {
  return MonitorOneStages(filter1_hz, output_gain)
      .Tapped()
      .Then(Section(filter2, 0, filter2_hz[0]))
      .Tapped()
      .Then(Section(filter2, 1, filter2_hz[1]));
}

// Two first-order lags side by side, weighted.
AnalogCircuit TwoLags(double gain1, double tau1, double gain2, double tau2) {
  return AnalogCircuit::Linear(
      {2, {-1.0 / tau1, 0.0, 0.0, -1.0 / tau2}, {1.0 / tau1, 1.0 / tau2}, {gain1, gain2}, 0.0});
}

// The auto-zeroed integrator's denominator s^2 + s w0 / Q + w0^2 with the
// numerator `gain` x s (its output) or `gain` x s^2 (its output's slope).
AnalogCircuit AutoZeroed(double gain, double hz, double q, bool slope) {
  const double w0 = 2.0 * std::numbers::pi * hz;
  std::vector<double> a = {0.0, 1.0, -w0 * w0, -w0 / q};
  if (slope) return AnalogCircuit::Linear({2, a, {0.0, 1.0}, {-gain * w0 * w0, -gain * w0 / q}, gain});
  return AnalogCircuit::Linear({2, a, {0.0, 1.0}, {0.0, gain}, 0.0});
}

// The Rs loop's undershoot 1 - c s tau / (1 + s tau)^2 on the probe's
// output: on a transient e^(-t / tau) it leaves e^(-x) (1 - c x + c x^2 /
// 2), x = t / tau, whose least value, -share at its first minimum, sets c
// (from 2 on, where the undershoot begins). Two equal lags x1, x2 give
// s tau / (1 + s tau)^2 = x1 - x2 with entries of the size 1 / tau.
AnalogCircuit Undershoot(double share, double tau) {
  const auto least = [](double c) {
    const double x = 2.0 - std::sqrt(2.0 - 2.0 / c);
    return std::exp(-x) * (1.0 - c * x + c * x * x / 2.0);
  };
  double low = 2.0;
  double high = 100.0;
  for (int i = 0; i < 60; ++i) {
    const double middle = 0.5 * (low + high);
    (least(middle) > -share ? low : high) = middle;
  }
  const double c = 0.5 * (low + high);
  const double w = 1.0 / tau;
  return AnalogCircuit::Linear({2, {-w, 0.0, w, -w}, {w, 0.0}, {-c, c}, 1.0});
}

double Limit(double volts) {
  return std::clamp(volts, -AmplifierBoardModel::kLimitVolts, AmplifierBoardModel::kLimitVolts);
}

}  // namespace

enum Tap { kProbeTap, kFilter1Tap, kOutputAmplifierTap, kFilter2FirstTap };

AmplifierBoardModel::AmplifierBoardModel(const AmplifierAnalogTruths& truths, bool noise, unsigned seed, char letter)
    : _truths(truths),
      _noise(noise),
      _letter(letter),
      _oldLetter(std::strchr("ABCDPZ", letter) != nullptr),
      _random(seed),
      _current(AnalogCircuit::Wire()),
      _pipette(AnalogCircuit::Wire()),
      _testRoute(AnalogCircuit::Wire()),
      _integrator(AnalogCircuit::Wire()),
      _network(AnalogCircuit::Wire()) {}

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
  // x 1, 2, 4 (indices 0-2), or x 10, 20, 40 (3-5).
  const int decade = elements.LatchBit(kGainLatchLow, 2) ? 0 : 3;
  const int step = !elements.LatchBit(kGainLatchHigh, 0) ? 0 : elements.LatchBit(kGainLatchHigh, 1) ? 2 : 1;
  return _truths.output_gains[static_cast<std::size_t>(decade + step)];
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

double AmplifierBoardModel::RsLagSeconds(const AmplifierBoardElements& elements) const {
  return RsLag(Compensation(elements), elements);
}

double AmplifierBoardModel::RsCriticalAlpha(const AmplifierBoardElements& elements) const {
  return RsCriticalAlpha(RsLag(Compensation(elements), elements));
}

std::array<double, 2> Filter2Factors(const AmplifierAnalogTruths& truths, bool high_q) {
  const FourPole shape = Filter2Shape(high_q, truths.filter2_high_q);
  std::array<double, 2> factors{};
  for (std::size_t k = 0; k < factors.size(); ++k) {
    factors[k] = truths.filter2_factors[k] * shape.ratio[k] / kBessel.ratio[k];
  }
  return factors;
}

bool IsOriginalFilter2(const AmplifierAnalogTruths& truths) { return truths.filter2_high_q < 1.0; }

std::array<double, 2> AmplifierBoardModel::Filter2Hz(const AmplifierBoardElements& elements) const {
  const std::array<double, 2> factors = Filter2Factors(_truths, elements.LatchBit(kFilter2QLatch, 0));
  const bool older = IsOriginalFilter2(_truths);
  const auto corner = [&](int dac, double factor) {
    const double x = elements.Element(dac) / factor;
    const double hz = older ? (std::sqrt(1.0 + 4.0 * kOlderLaw * x) - 1.0) / (2.0 * kOlderLaw) : x;
    return std::max(hz, kLowestHz);
  };
  return {corner(kFilter2Part1Dac, factors[0]), corner(kFilter2Part2Dac, factors[1])};
}

double AmplifierBoardModel::StimulusFilterHz(const AmplifierBoardElements& elements) const {
  return _truths.stimulus_filter_hz[elements.LatchBit(kVmonLatch, 2) ? 1 : 0];
}

int AmplifierBoardModel::CurrentClampGain(const AmplifierBoardElements& elements) const {
  if (!elements.LatchBit(kVmonLatch, kCCModeBit)) return -1;
  bool high = true;
  if (_letter == 'A' || _letter == 'B' || _letter == 'P') {
    high = elements.LatchBit(kVmonLatch, 0);
  } else if (_letter == 'D') {
    high = elements.LatchBit(kCCScaleLatch, 0);
  } else if (_letter != 'C' && _letter != 'Z') {
    high = !elements.LatchBit(kCCScaleLatch, 0);
  }
  // Gain range 0 gives the high gains 10 and 100 pA/mV.
  return Range(elements) == 0 ? (high ? 3 : 2) : (high ? 1 : 0);
}

AmplifierCompensation AmplifierBoardModel::Compensation(const AmplifierBoardElements& elements) const {
  AmplifierCompensation applied =
      DecodeCompensation(_truths.scale, elements, _truths.range_gain[static_cast<std::size_t>(Range(elements))]);
  // The Y boards' DAC 23 and latch 38 bit 1 trim the reference gain instead.
  if (_letter == kTrimLetter) {
    applied.rs_ohms = applied.rs_fraction = 0.0;
    applied.rs_slow = false;
  }
  return applied;
}

double AmplifierBoardModel::ReferenceGain(const AmplifierBoardElements& elements) const {
  if (_letter != kTrimLetter || elements.LatchBit(kSwitchLatch29, 0)) return 0.0;
  if (!elements.LatchBit(kCompensationLatch, 1)) return _truths.ref_untrimmed_gain;
  const double balance = _truths.ref_trim_balance[elements.LatchBit(kSwitchLatch29, 3) ? 1 : 0];
  // Above the balance the step falls at the monitor: the trim's search
  // moves down on a rising step.
  return (balance - elements.Element(kTrimDac)) * _truths.ref_trim_span / 4095.0;
}

AmplifierBoardModel::Setting AmplifierBoardModel::SettingOf(const AmplifierBoardElements& elements) const {
  const AmplifierCompensation compensation = Compensation(elements);
  const double lag = RsLag(compensation, elements);
  const int channel = elements.Element(kMuxLatch);
  const int integratorSource = (elements.Element(kIntegratorLatch) >> 2) & 3;
  const int caps = (elements.Element(kTestCapacitorLatch) >> 2) & 3;
  Setting setting{Range(elements),
                  OutputGain(elements),
                  Filter1Hz(elements),
                  Filter2Hz(elements),
                  elements.LatchBit(kFilter2QLatch, 0),
                  elements.LatchBit(kSwitchLatch29, 1),
                  StimulusFilterHz(elements),
                  compensation,
                  RsAlpha(compensation),
                  _truths.rs_rings && RsAlpha(compensation) > RsCriticalAlpha(lag) && CurrentClampGain(elements) < 0,
                  lag,
                  elements.LatchBit(kTestProbeLatch, 1)                     ? 1
                  : elements.LatchBit(kTestOutputLatch, 3)                  ? 2
                  : integratorSource == kIntegratorFromTestDac && caps != 0 ? kTestDacRoute
                                                                            : 0,
                  integratorSource,
                  caps,
                  ExternalStimulusOn(elements),
                  DecodeStimulusScale(_truths.scale, elements),
                  channel == kCSlowNetworkChannel || channel == kCFastNetworkChannel ? channel : 0,
                  DecodeNetworks(_truths.scale, elements),
                  CurrentClampGain(elements),
                  ReferenceGain(elements),
                  DecodeHFStage(_truths.hf, elements, Range(elements))};
  // Short of ringing, the loop's first undershoot grows with a smooth step.
  const double v = (setting.rs_alpha - RsCriticalAlpha(lag)) / kUndershootAlphas + 1.0;
  if (_truths.rs_rings && !setting.rs_ringing && setting.cc_gain < 0 && v > 0.0) {
    const double share = std::min(v, 1.0);
    setting.rs_undershoot = kMostUndershoot * share * share * (3.0 - 2.0 * share);
  }
  return setting;
}

AnalogCircuit AmplifierBoardModel::Filter2(const AmplifierBoardElements& elements) const {
  const FourPole shape = Filter2Shape(elements.LatchBit(kFilter2QLatch, 0), _truths.filter2_high_q);
  const std::array<double, 2> hz = Filter2Hz(elements);
  return Section(shape, 0, hz[0]).Then(Section(shape, 1, hz[1]));
}

bool AmplifierBoardModel::ExternalStimulusOn(const AmplifierBoardElements& elements) const {
  return elements.LatchBit(kStimSourceLatch, 0) || elements.LatchBit(kStimSourceLatch, 1);
}

AnalogCircuit AmplifierBoardModel::Stages(const Setting& setting) const {
  return MonitorStages(setting.filter1_hz, setting.output_gain, Filter2Shape(setting.high_q, _truths.filter2_high_q),
                       setting.filter2_hz);
}

AnalogCircuit AmplifierBoardModel::RangeStage(const Setting& setting) const {
  // The probe: the range's gain, its pole and the HF stage.
  return AnalogCircuit::Gain(_truths.range_gain[static_cast<std::size_t>(setting.range)])
      .Then(HFStageCircuit(setting.hf));
}

AnalogCircuit AmplifierBoardModel::CurrentChain(const AmplifierBoardElements& elements) const {
  const Setting setting = SettingOf(elements);
  return RangeStage(setting).Then(Stages(setting));
}

AnalogCircuit AmplifierBoardModel::CurrentChainToMonitorOne(const AmplifierBoardElements& elements) const {
  const Setting setting = SettingOf(elements);
  return RangeStage(setting).Then(MonitorOneStages(setting.filter1_hz, setting.output_gain));
}

void AmplifierBoardModel::Retune(const Setting& setting) {
  // Filter 2 stays in the chain when bypassed: the monitor then takes the
  // output amplifier's tap, and the sections keep following.
  const FourPole filter2 = Filter2Shape(setting.high_q, _truths.filter2_high_q);
  // A ringing loop leaves the cell as it is under the rails.
  const AmplifierCell& cell = _truths.cell;
  const double alpha = setting.rs_ringing ? 0.0 : std::clamp(setting.rs_alpha, 0.0, kMostCriticalAlpha);
  if (setting.rs_ringing && !_setting.rs_ringing) ++_rsViolations;
  const AnalogCircuit stages = Stages(setting);
  const AnalogCircuit range = RangeStage(setting);
  const AnalogCircuit pipette = AnalogCircuit::RC(1.0 / (2.0 * std::numbers::pi * setting.stimulus_filter_hz));
  if (setting.cc_gain >= 0) {
    // The probe drives the current and measures it; the cell answers with
    // its potential.
    const double amperes = _truths.cc_amperes_per_volt[static_cast<std::size_t>(setting.cc_gain)];
    const AmplifierCompensation& applied = setting.compensation;
    const double node = cell.stray_farads + _truths.cc_input_farads - applied.c_fast1_farads - applied.c_fast2_farads;
    _current.Retune(AnalogCircuit::Gain(amperes).Then(range).Tapped().Then(stages));
    _pipette.Retune(CellVoltage(cell, node, _truths.cc_input_ohms, amperes));
  } else {
    AnalogCircuit probe = CellCurrent(cell, setting.compensation, setting.stimulus_filter_hz, alpha).Then(range);
    if (setting.rs_undershoot > 0.0) {
      probe = probe.Then(Undershoot(setting.rs_undershoot, (1.0 - alpha) * cell.series_ohms *
                                                               std::max(cell.membrane_farads, cell.stray_farads)));
    }
    _current.Retune(probe.Tapped().Then(stages));
  }
  const AnalogCircuit testLag = AnalogCircuit::RC(_truths.test_lag_seconds);
  if (setting.test_route == 1) {
    _testRoute.Retune(testLag.Then(AnalogCircuit::Gain(_truths.test_probe_gain))
                          .Then(HFStageBehindProbe(setting.hf))
                          .Tapped()
                          .Then(stages));
  } else if (setting.test_route == 2) {
    _testRoute.Retune(testLag.Then(AnalogCircuit::Gain(_truths.test_output_gain * setting.output_gain))
                          .Tapped()
                          .Then(Section(filter2, 0, setting.filter2_hz[0]))
                          .Tapped()
                          .Then(Section(filter2, 1, setting.filter2_hz[1])));
  }
  const double rate = _truths.integrator_rate[setting.integrator_caps == 2 ? 1 : 0];
  if (setting.test_route == kTestDacRoute) {
    double farads = 0.0;
    if ((setting.integrator_caps & 1) != 0) farads += _truths.scale.injection_farads[2];
    if ((setting.integrator_caps & 2) != 0) farads += _truths.scale.injection_farads[3];
    _testRoute.Retune(AutoZeroed(_truths.integrator_drive * farads * rate, _truths.auto_zero_hz, _truths.auto_zero_q, true)
                          .Then(range)
                          .Tapped()
                          .Then(stages));
  }
  if (setting.integrator_source != 0) {
    _integrator.Retune(AutoZeroed(rate, _truths.auto_zero_hz, _truths.auto_zero_q, false));
  }
  const AmplifierNetworks& networks = setting.networks;
  if (setting.network == kCSlowNetworkChannel) {
    _network.Retune(pipette.Then(AnalogCircuit::RC(networks.c_slow_tau_seconds))
                        .Then(AnalogCircuit::Gain(-networks.c_slow_gain)));
  } else if (setting.network == kCFastNetworkChannel) {
    _network.Retune(pipette.Then(TwoLags(networks.c_fast1_gain, kCFast1LagSeconds, networks.c_fast2_gain,
                                         networks.c_fast_tau_seconds)));
  }
  // The bandwidth the probe's noise reaches the current monitor in.
  const double filter2_hz = std::min(setting.filter2_hz[0], setting.filter2_hz[1]);
  _noiseHz = setting.bypass_filter2
                 ? setting.filter1_hz
                 : 1.0 / std::sqrt(1.0 / (setting.filter1_hz * setting.filter1_hz) + 1.0 / (filter2_hz * filter2_hz));
  _setting = setting;
  // The paths just put in use take their inputs from the next conversion.
  _command = std::numeric_limits<double>::quiet_NaN();
  _test = std::numeric_limits<double>::quiet_NaN();
  _frontTest = std::numeric_limits<double>::quiet_NaN();
  _clamp = std::numeric_limits<double>::quiet_NaN();
}

void AmplifierBoardModel::MoveTo(double clock_seconds) {
  // A sweep that the boards run ahead of the program's clock leaves the next
  // one starting before it ended: the board lives on from where it was.
  if (_clockSeen) _seconds += std::max(clock_seconds - _lastClock, 0.0);
  else _seconds = clock_seconds;
  _clockSeen = true;
  _lastClock = clock_seconds;
}

double AmplifierBoardModel::RouteTap(int tap) const {
  switch (_setting.test_route) {
    case 1:
    case kTestDacRoute: return _testRoute.Tap(tap);
    case 2: return tap >= kOutputAmplifierTap ? _testRoute.Tap(tap - kOutputAmplifierTap) : 0.0;
    default: return 0.0;
  }
}

const AmplifierMonitors& AmplifierBoardModel::Convert(const AmplifierBoardElements& elements,
                                                      const AmplifierDrive& drive, double seconds) {
  MoveTo(seconds);
  // The elements change only by words.
  if (elements.Words() != _wordsSeen || !_tuned) {
    _wordsSeen = elements.Words();
    _tuned = true;
    if (const Setting setting = SettingOf(elements); !(setting == _setting)) Retune(setting);
  }

  const bool vrefX2 = elements.LatchBit(kSwitchLatch29, 3);
  const AmplifierCell& cell = _truths.cell;
  const double commandFactor = vrefX2 ? 0.5 : 0.1;
  const double external = _setting.stimulus_source ? drive.external * _setting.stimulus_scale : 0.0;
  const double command = (drive.stimulus * _truths.stimulus_gain + external) * commandFactor +
                         _truths.stimulus_offset_volts + _setting.compensation.pipette_offset_volts;
  const bool networkShown = _setting.network != 0;
  const bool currentClamp = _setting.cc_gain >= 0;
  if (command != _command) {
    if (!currentClamp) _current.Drive(_seconds, command - cell.bath_volts);
    if (networkShown) _network.Drive(_seconds, command - cell.bath_volts);
    _command = command;
  }
  if (currentClamp) {
    const double offset =
        (elements.Element(kCCOffsetDac) - kProbeOffsetMidScale) / kProbeOffsetMidScale * _truths.cc_offset_span_volts;
    const double externalCC = elements.LatchBit(kCCScaleLatch, 1) ? drive.external_cc : 0.0;
    if (const double clamp = drive.stimulus * _truths.stimulus_gain + external + externalCC + offset;
        clamp != _clamp) {
      _current.Drive(_seconds, clamp);
      _pipette.Drive(_seconds, clamp);
      _clamp = clamp;
    }
  }
  if (drive.test != _test || drive.front_test != _frontTest) {
    if (_setting.test_route != 0) _testRoute.Drive(_seconds, drive.test);
    if (_setting.integrator_source != 0) {
      _integrator.Drive(_seconds, _setting.integrator_source == kIntegratorFromTestDac ? drive.test : drive.front_test);
    }
    _test = drive.test;
    _frontTest = drive.front_test;
  }
  _monitors.integrator = _setting.integrator_source != 0 ? Limit(_integrator.Sample(_seconds)) : 0.0;
  _monitors.integrator_channel = (_setting.integrator_caps & 1) != 0   ? kOneCapacitorChannel
                                 : (_setting.integrator_caps & 2) != 0 ? kTenCapacitorChannel
                                                                       : 0;
  double current = _current.Sample(_seconds);
  // The pipette potential: in voltage clamp the cell's side output.
  const double pipette = (currentClamp ? _pipette.Sample(_seconds) : _current.Side(0)) + cell.bath_volts;
  _monitors.test_at_probe = 0.0;
  if (_setting.test_route != 0) {
    current += _testRoute.Sample(_seconds);
    if (_setting.test_route == 1) _monitors.test_at_probe = _testRoute.Tap(kProbeTap);
  }
  const double network = networkShown ? Limit(_network.Sample(_seconds)) : 0.0;
  _monitors.c_slow_network = _setting.network == kCSlowNetworkChannel ? network : 0.0;
  _monitors.c_fast_network = _setting.network == kCFastNetworkChannel ? network : 0.0;
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
  const double reference = drive.reference * _setting.reference_gain;
  current += reference * _setting.output_gain;
  const auto tap = [&](int k) {
    return _current.Tap(k) + RouteTap(k) + (k < kOutputAmplifierTap ? reference : reference * _setting.output_gain);
  };
  const double probe = noisy(tap(kProbeTap), _setting.filter1_hz);
  const double filter1 = noisy(tap(kFilter1Tap), _setting.filter1_hz);
  const double monitor =
      _setting.output_gain *
      noisy((_setting.bypass_filter2 ? tap(kOutputAmplifierTap) : current) / _setting.output_gain, _noiseHz);
  const double monitor1 =
      _setting.output_gain * noisy(tap(kOutputAmplifierTap) / _setting.output_gain, _setting.filter1_hz);
  _monitors.filter2_first =
      -Limit(noisy(tap(kFilter2FirstTap) / _setting.output_gain, _noiseHz) * _setting.output_gain);
  _monitors.command = command;
  _monitors.mux_noise = Gaussian() * _truths.mux_noise_volts;
  _monitors.probe = Limit(probe);
  _monitors.filter1 = Limit(filter1);
  _monitors.current1 = Limit(monitor1);
  _monitors.current = Limit(monitor);
  if (_setting.rs_ringing) {
    // The loop rings at the rate its lag allows, from rail to rail.
    const double rail = std::sin(_seconds / _setting.rs_lag_seconds) >= 0.0 ? kLimitVolts : -kLimitVolts;
    _monitors.probe = _monitors.filter1 = _monitors.current1 = _monitors.current = rail;
  }
  // The old boards use latch 33 bit 0 for their current clamp.
  const bool vmonX100 = elements.LatchBit(kVmonLatch, 0) && !_oldLetter;
  _monitors.voltage = Limit(pipette * (vmonX100 ? 100.0 : 10.0) / (vrefX2 ? 5.0 : 1.0));
  _monitors.clipping = _setting.rs_ringing || std::fabs(probe) > kClippingVolts ||
                       std::fabs(monitor) > kClippingVolts || std::fabs(filter1) > kClippingVolts;
  return _monitors;
}
