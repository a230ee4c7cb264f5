#include "sim/amplifier/AmplifierConnections.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTestOutputLatch = 45;  // bit 0 the test-DAC output

double DacOf(std::span<const double> dac_volts, int dac) {
  return dac >= 0 && static_cast<std::size_t>(dac) < dac_volts.size() ? dac_volts[static_cast<std::size_t>(dac)]
                                                                       : 0.0;
}

}  // namespace

AmplifierConnections::AmplifierConnections() { PullAll(); }

void AmplifierConnections::PlugInput(int board, FrontInput input, int dac) {
  _inputs[static_cast<std::size_t>(board)][static_cast<std::size_t>(input)] = dac;
}

void AmplifierConnections::PlugOutput(int board, FrontOutput output, int line) {
  _outputs[static_cast<std::size_t>(board)][static_cast<std::size_t>(output)] = line;
}

void AmplifierConnections::PlugSampleHold(int line) { _sampleHoldLine = line; }

void AmplifierConnections::PullAll() {
  for (auto& inputs : _inputs) inputs.fill(-1);
  for (auto& outputs : _outputs) outputs.fill(-1);
  _sampleHoldLine = -1;
}

double AmplifierConnections::Input(int board, FrontInput input, std::span<const double> dac_volts,
                                   double test) const {
  const int dac = _inputs[static_cast<std::size_t>(board)][static_cast<std::size_t>(input)];
  if (dac >= 0) return DacOf(dac_volts, dac);
  return input == FrontInput::kStimulus ? test : 0.0;
}

void AmplifierConnections::Convert(const AmplifierBoardElements* selected, double first_dac, double seconds,
                                   const SampleHoldTruths& truths, const ConnectionFaults& faults) {
  const double dt = _started ? std::max(seconds - _lastClock, 0.0) : 0.0;
  _lastClock = seconds;
  _started = true;
  if (selected != nullptr && selected->LatchBit(kTestOutputLatch, 0)) {
    _held = _heldOutput = first_dac;
    return;
  }
  const double droop = truths.droop * faults.sample_hold_droop * dt;
  _held = std::fabs(_held) <= droop ? 0.0 : _held - std::copysign(droop, _held);
  _heldOutput = _held + truths.feed_through * first_dac;
}

std::optional<AmplifierConnections::Source> AmplifierConnections::OnLine(int line) const {
  if (line < 0) return std::nullopt;
  if (line == _sampleHoldLine) return Source{-1, FrontOutput::kVoltageMonitor};
  for (int board = 0; board < kBoards; ++board) {
    for (int output = 0; output < 3; ++output) {
      if (_outputs[static_cast<std::size_t>(board)][static_cast<std::size_t>(output)] == line) {
        return Source{board, static_cast<FrontOutput>(output)};
      }
    }
  }
  return std::nullopt;
}
