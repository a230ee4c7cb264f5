#include "sim/amplifier/AmplifierBoardModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kFilter2Part1Dac = 10;
constexpr int kFilter2Part2Dac = 12;
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

AnalogCircuit Sections(const FourPole& shape, std::array<double, 2> corner_hz) {
  AnalogCircuit circuit = AnalogCircuit::Wire();
  for (int k = 0; k < 2; ++k) {
    circuit = circuit.Then(AnalogCircuit::TwoPoleLowPass(corner_hz[k] * shape.ratio[k], shape.q[k]));
  }
  return circuit;
}

double Limit(double volts) {
  return std::clamp(volts, -AmplifierBoardModel::kLimitVolts, AmplifierBoardModel::kLimitVolts);
}

}  // namespace

enum Tap { kProbeTap, kFilter1Tap };

AmplifierBoardModel::AmplifierBoardModel(const AmplifierAnalogTruths& truths)
    : _truths(truths), _current(AnalogCircuit::Wire()), _pipette(AnalogCircuit::Wire()) {}

int AmplifierBoardModel::Range(const AmplifierBoardElements& elements) const {
  constexpr int kRangeOfResistor[] = {0, 0, 1, 2};
  return kRangeOfResistor[(elements.Element(kProbeLatch) >> 2) & 3];
}

double AmplifierBoardModel::OutputGain(const AmplifierBoardElements& elements) const {
  const double base = elements.LatchBit(kGainLatchLow, 2) ? 1.0 : 10.0;
  if (!elements.LatchBit(kGainLatchHigh, 0)) return base;
  return base * (elements.LatchBit(kGainLatchHigh, 1) ? 4.0 : 2.0);
}

double AmplifierBoardModel::Filter1Hz(const AmplifierBoardElements& elements) const {
  const int latch = elements.Element(kFilter1Latch);
  for (int index = 0; index < 4; ++index) {
    if (((latch >> index) & 1) != 0) return _truths.filter1_hz[static_cast<std::size_t>(index)];
  }
  return _truths.filter1_hz[0];
}

std::array<double, 2> AmplifierBoardModel::Filter2Hz(const AmplifierBoardElements& elements) const {
  if (elements.LatchBit(kSwitchLatch29, 1)) return {0.0, 0.0};
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
  return {Range(elements),           OutputGain(elements),         Filter1Hz(elements),
          Filter2Hz(elements),       elements.LatchBit(kFilter2QLatch, 0), StimulusFilterHz(elements),
          Compensation(elements)};
}

void AmplifierBoardModel::Retune(const Setting& setting) {
  AnalogCircuit current = CellCurrent(_truths.cell, setting.compensation, setting.stimulus_filter_hz)
                              .Then(AnalogCircuit::Gain(_truths.range_gain[static_cast<std::size_t>(setting.range)]))
                              .Tapped()
                              .Then(Sections(kBessel, {setting.filter1_hz, setting.filter1_hz}))
                              .Tapped()
                              .Then(AnalogCircuit::Gain(setting.output_gain));
  if (setting.filter2_hz[0] > 0.0) {
    current = current.Then(Sections(setting.high_q ? kButterworth : kBessel, setting.filter2_hz));
  }
  _current.Retune(current);
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
  if (const Setting setting = SettingOf(elements); !(setting == _setting)) Retune(setting);

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
  const double standing = _truths.probe_offset_volts[static_cast<std::size_t>(_setting.range)];
  const double probe = _current.Tap(kProbeTap) + standing;
  const double filter1 = _current.Tap(kFilter1Tap) + standing;
  const double monitor = current + standing * _setting.output_gain;
  _monitors.probe = Limit(probe);
  _monitors.filter1 = Limit(filter1);
  _monitors.current = Limit(monitor);
  _monitors.voltage = Limit(pipette * (elements.LatchBit(kVmonLatch, 0) ? 100.0 : 10.0) / (vrefX2 ? 5.0 : 1.0));
  _monitors.clipping = std::fabs(probe) > kClippingVolts || std::fabs(monitor) > kClippingVolts ||
                       std::fabs(filter1) > kClippingVolts;
  return _monitors;
}
