// The current-clamp stages of one simulated amplifier board beside the
// analog model's current clamp (sim/amplifier/AmplifierBoardModel.h, whose
// CC gains show on multiplexer channel 14), by the board's generation:
//   true CC     every letter but the old ones (A, B, C, D, P, Z):
//               multiplexer 10 in current clamp (latch 24 bit 3) shows the
//               stimulus DAC's feed-through and the tracking node: x 10 the
//               hold (12-bit DAC 14, (2047 - value) x 0.1 mV) less what the
//               tracking has followed of it, at the time constant latch 25
//               selects (nibble 14, 12, 8, 13, 9: indices 1-5; anything
//               else the slow leak of index 0); multiplexer 15, with the
//               test DAC at the probe (latch 26 bit 1) and the low-gain
//               current clamp off (latch 44 bit 0) outside current clamp,
//               shows the CC stage's step response (the voltage clamp's
//               switch, latch 33 bit 1, closed); multiplexer 9 the
//               stimulus DAC by the CC scale (latch 24 bit 0 clear: x1,
//               set: the low scale);
//   fast option C, D, Z: multiplexer 9 shows minus the stimulus DAC by the
//               stimulus path latch 33 bits 0-1 select, and the test DAC:
//               through the CC stage (slow with latch 33 bit 0, fast
//               without) while the stage is on (latch 32 bit 3), else by a
//               small feed-through; multiplexer 10 shows the stage's
//               voltage monitor while on with latch 33 bit 3;
//   old         A, B, P: with the stimulus DAC as the stimulus source
//               (latch 32 bit 2) and the voltage clamp's switch open (latch
//               33 bit 1 clear) the stage charges with the test DAC, its own
//               offset current and the stimulus DAC by the CC scale (latch
//               32 bit 3 the scale's bit 1, latch 33 bit 0 its bit 0);
//               multiplexer 9
//               shows it and multiplexer 10 its voltage monitor meanwhile;
//               the voltage clamp holds the stage at rest.
// Outside current clamp the tracking sits at the hold. The stages move on
// by the clock's steps forward; a step back (a sweep run ahead of the
// clock) continues from where they were.
#pragma once

#include <array>
#include <cmath>
#include <optional>

#include "sim/amplifier/AmplifierBoardElements.h"

enum class CurrentClampKind { kTrue, kFast, kOld };
CurrentClampKind CurrentClampKindOf(char letter);

struct CurrentClampTruths {
  // True CC: the stimulus DAC's feed-through onto multiplexer 10, the
  // tracking node's gain and its time constants by index 0-5 (0: the leak
  // with tracking off), the step response's gain and time constant, and
  // multiplexer 9's gains by the CC scale (x1, low).
  double feed_through = 0.0021;
  double tracking_gain = 10.0;
  std::array<double, 6> tracking_tau = {20.0, 0.1, 0.3, 1.0, 3.0, 10.0};
  double step_gain = -1.96;
  double step_tau = 20e-6;
  std::array<double, 2> scale_gains = {1.003, 0.1012};
  // The fast option: the test DAC's feed-through onto multiplexer 9, the
  // stage's gain and time constant (slow; the fast speed ten times
  // quicker), its voltage monitor's gain, and the stimulus paths by latch
  // 33 bits 0-1.
  double fast_feed_through = 0.0032;
  double fast_step_gain = 1.92;
  double fast_step_tau = 8e-3;
  double fast_vmon_gain = 1.89;
  std::array<double, 4> fast_stimulus_gains = {1.0, 0.497, 1.0, 1.0985};
  // The old boards: the stage's gain from the test DAC, its voltage
  // monitor's from the test DAC and from the stage's current, its time
  // constant, the stimulus gains by the CC scale 0-3, and its offset
  // current as stimulus volts at gain 1 (the null of scale s is minus it /
  // its gain).
  double old_step_gain = 2.47;
  double old_vmon_gain = 2.39;
  double old_vmon_current_gain = 10.0;
  double old_tau = 1e-3;
  std::array<double, 4> old_stimulus_gains = {1.0, 0.1003, 0.0998, 1.0};
  double old_offset_volts = 0.0187;
};

// Broken current-clamp elements; settable at any time (the rack reads them
// at every conversion).
struct CurrentClampFaults {
  // Factors on the analog side's CC gains 0-3 (its amperes per volt).
  std::array<double, 4> gain = {1.0, 1.0, 1.0, 1.0};
  // Factors on the true CC step response's time constant, on the tracking
  // time constants by index, and on the old stage's time constant.
  double step_tau = 1.0;
  std::array<double, 6> tracking_tau = {1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
  double old_tau = 1.0;
  // The external current-clamp stimulus input does not reach the clamp.
  bool external_cc_dead = false;
  // The fast option's stimulus paths by latch 33 bits 0-1 that are dead.
  std::array<bool, 4> fast_stimulus_dead{};
  bool operator==(const CurrentClampFaults&) const = default;
};

class AmplifierCurrentClamp {
 public:
  explicit AmplifierCurrentClamp(char letter) : _kind(CurrentClampKindOf(letter)) {}

  // Moves the stages to `seconds` with the board's elements and its
  // stimulus and test DAC volts from then on.
  void Convert(const AmplifierBoardElements& elements, double stimulus, double test, double seconds,
               const CurrentClampTruths& truths, const CurrentClampFaults& faults);
  // The multiplexer channel's volts when a stage shows on it; nothing when
  // the channel is the analog model's.
  std::optional<double> Mux(int channel) const;

  // The tracking time constant the elements select.
  static double TrackingTau(const AmplifierBoardElements& elements, const CurrentClampTruths& truths,
                            const CurrentClampFaults& faults);
  // The hold's volts the tracking follows.
  static double HoldVolts(const AmplifierBoardElements& elements);

 private:
  // A first-order lag whose input steps at conversions.
  struct Lag {
    double output = 0.0;
    double input = 0.0;
    void Run(double seconds, double tau) {
      output = input + (output - input) * (tau > 0.0 ? std::exp(-seconds / tau) : 0.0);
    }
  };

  void ConvertTrue(const AmplifierBoardElements& elements, double stimulus, double test, double dt,
                   const CurrentClampTruths& truths, const CurrentClampFaults& faults);
  void ConvertFast(const AmplifierBoardElements& elements, double stimulus, double test, double dt,
                   const CurrentClampTruths& truths, const CurrentClampFaults& faults);
  void ConvertOld(const AmplifierBoardElements& elements, double stimulus, double test, double dt,
                  const CurrentClampTruths& truths, const CurrentClampFaults& faults);

  CurrentClampKind _kind;
  double _lastClock = 0.0;
  bool _started = false;
  // The tracking's follower, the step or drive stage, the voltage monitor.
  Lag _tracking;
  Lag _stage;
  Lag _vmon;
  std::array<std::optional<double>, 16> _mux{};
};
