#include "sim/amplifier/AmplifierCurrentClamp.h"

#include <algorithm>

namespace {

constexpr int kScaleLatch = 24;     // bit 0 the CC scale, bit 3 current clamp (true CC)
constexpr int kTrackTauLatch = 25;
constexpr int kTestRouteLatch = 26;  // bit 1 the test DAC at the probe
constexpr int kStageLatch = 32;      // bit 2 the stimulus DAC as source, bit 3 the stage on / the old scale's bit 1
constexpr int kModeLatch = 33;       // bits 0-1 fast paths, bit 0 old scale bit 0, bit 1 voltage clamp, bit 3 current clamp
constexpr int kLowGainLatch = 44;    // bit 0 the low-gain current clamp
constexpr int kHoldDac = 14;
constexpr int kHoldMidScale = 2047;
constexpr double kHoldVoltsPerUnit = 1e-4;
constexpr int kFastSpeedFactor = 10;
// The nibbles of latch 25 for tracking indices 1-5.
constexpr std::array<int, 5> kTrackTauNibble = {14, 12, 8, 13, 9};

constexpr int kMuxOldPath = 9;
constexpr int kMuxStimulus = 10;
constexpr int kMuxTestAtProbe = 15;

}  // namespace

CurrentClampKind CurrentClampKindOf(char letter) {
  if (letter == 'A' || letter == 'B' || letter == 'P') return CurrentClampKind::kOld;
  if (letter == 'C' || letter == 'D' || letter == 'Z') return CurrentClampKind::kFast;
  return CurrentClampKind::kTrue;
}

double AmplifierCurrentClamp::TrackingTau(const AmplifierBoardElements& elements, const CurrentClampTruths& truths,
                                          const CurrentClampFaults& faults) {
  const auto* nibble = std::find(kTrackTauNibble.begin(), kTrackTauNibble.end(), elements.Element(kTrackTauLatch));
  const auto index = nibble == kTrackTauNibble.end() ? 0 : static_cast<std::size_t>(nibble - kTrackTauNibble.begin()) + 1;
  return truths.tracking_tau[index] * faults.tracking_tau[index];
}

double AmplifierCurrentClamp::HoldVolts(const AmplifierBoardElements& elements) {
  return (kHoldMidScale - elements.Element(kHoldDac)) * kHoldVoltsPerUnit;
}

void AmplifierCurrentClamp::Convert(const AmplifierBoardElements& elements, double stimulus, double test,
                                    double seconds, const CurrentClampTruths& truths,
                                    const CurrentClampFaults& faults) {
  const double dt = _started ? std::max(seconds - _lastClock, 0.0) : 0.0;
  _lastClock = seconds;
  _started = true;
  _mux.fill(std::nullopt);
  switch (_kind) {
    case CurrentClampKind::kTrue: ConvertTrue(elements, stimulus, test, dt, truths, faults); break;
    case CurrentClampKind::kFast: ConvertFast(elements, stimulus, test, dt, truths, faults); break;
    case CurrentClampKind::kOld: ConvertOld(elements, stimulus, test, dt, truths, faults); break;
  }
}

std::optional<double> AmplifierCurrentClamp::Mux(int channel) const {
  return channel >= 0 && channel < static_cast<int>(_mux.size()) ? _mux[static_cast<std::size_t>(channel)]
                                                                  : std::nullopt;
}

void AmplifierCurrentClamp::ConvertTrue(const AmplifierBoardElements& elements, double stimulus, double test,
                                        double dt, const CurrentClampTruths& truths,
                                        const CurrentClampFaults& faults) {
  // Outside current clamp the tracking sits at the hold.
  const bool currentClamp = elements.LatchBit(kScaleLatch, 3);
  _tracking.Run(dt, currentClamp ? TrackingTau(elements, truths, faults) : 0.0);
  _tracking.input = HoldVolts(elements);
  if (!currentClamp) _tracking.output = _tracking.input;
  _stage.Run(dt, truths.step_tau * faults.step_tau);
  _stage.input = elements.LatchBit(kTestRouteLatch, 1) ? truths.step_gain * test : 0.0;
  if (currentClamp) {
    _mux[kMuxStimulus] = truths.feed_through * stimulus + truths.tracking_gain * (_tracking.input - _tracking.output);
  }
  if (elements.LatchBit(kTestRouteLatch, 1) && !elements.LatchBit(kLowGainLatch, 0) &&
      elements.LatchBit(kModeLatch, 1) && !elements.LatchBit(kModeLatch, 3)) {
    _mux[kMuxTestAtProbe] = _stage.output;
  }
  _mux[kMuxOldPath] = stimulus * truths.scale_gains[elements.LatchBit(kScaleLatch, 0) ? 1 : 0];
}

void AmplifierCurrentClamp::ConvertFast(const AmplifierBoardElements& elements, double stimulus, double test,
                                        double dt, const CurrentClampTruths& truths,
                                        const CurrentClampFaults& faults) {
  const bool on = elements.LatchBit(kStageLatch, 3);
  const bool slow = elements.LatchBit(kModeLatch, 0);
  const double tau = truths.fast_step_tau / (slow ? 1 : kFastSpeedFactor);
  _stage.Run(dt, tau);
  _stage.input = on ? -truths.fast_step_gain * test : 0.0;
  _vmon.Run(dt, tau);
  const bool vmon = on && elements.LatchBit(kModeLatch, 3);
  _vmon.input = vmon ? -truths.fast_vmon_gain * test : 0.0;
  const auto path = static_cast<std::size_t>(elements.Element(kModeLatch) & 3);
  const double gain = faults.fast_stimulus_dead[path] ? 0.0 : truths.fast_stimulus_gains[path];
  _mux[kMuxOldPath] = -stimulus * gain + _stage.output + (on ? 0.0 : truths.fast_feed_through * test);
  if (vmon) _mux[kMuxStimulus] = _vmon.output;
}

void AmplifierCurrentClamp::ConvertOld(const AmplifierBoardElements& elements, double stimulus, double test,
                                       double dt, const CurrentClampTruths& truths,
                                       const CurrentClampFaults& faults) {
  // The stimulus DAC as the stimulus source drives the stage while the
  // voltage clamp's switch is open.
  const bool drive = elements.LatchBit(kStageLatch, 2) && !elements.LatchBit(kModeLatch, 1);
  const auto scale = static_cast<std::size_t>((elements.LatchBit(kStageLatch, 3) ? 2 : 0) |
                                              (elements.LatchBit(kModeLatch, 0) ? 1 : 0));
  const double tau = truths.old_tau * faults.old_tau;
  // The stage's current, and its voltage as the monitor shows it.
  const double current = truths.old_stimulus_gains[scale] * stimulus + truths.old_offset_volts;
  _stage.Run(dt, tau);
  _stage.input = drive ? -(truths.old_step_gain * test + current) : 0.0;
  _vmon.Run(dt, tau);
  _vmon.input = drive ? -(truths.old_vmon_gain * test + truths.old_vmon_current_gain * current) : 0.0;
  // The voltage clamp holds the stage at rest.
  if (!drive) _stage = _vmon = Lag{};
  _mux[kMuxOldPath] = _stage.output;
  if (drive) _mux[kMuxStimulus] = _vmon.output;
}
