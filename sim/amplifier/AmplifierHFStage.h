// The probe's high-frequency stage on a simulated amplifier board: the
// probe's feedback resistor has a pole, which the stage's derivative
// cancels, and two exponential corrections trim the response.
//
// From the probe's output x (the current x the transresistance, through the
// pole), the stage gives
//   M = x HFCompDac / GainTrimDac + (B x 4096 / GainTrimDac) dx/dt
// the derivative only with the HF switch (latch 27 bits 0-1) at 1 (B
// 2.2e-5 s) or 2 (B 3.3e-4 s); then each correction adds a / (1 + s tau) of
// M, a = (128 - A) / (3 T), tau = S x 255 / T, with A, T the fast DACs 1, 0
// (S 8.2 us, or 58 us with latch 26 bit 2) and the slow DACs 3, 2 (S 0.1
// ms, or 1 ms with latch 26 bit 3); A = 128 adds nothing. The gain trim DAC
// at 0 leaves the stage without feedback, at the rail.
//
// The transresistance of each range is its monitor gain divided by the
// stage's gain at the scale defaults' codes, and the pole of ranges 1 and 2
// is the one their default codes cancel: with those codes the monitor has
// the range's gain, flat. The test DAC joins at the probe's output, behind
// the pole: it sees the stage alone.
#pragma once

#include <array>

#include "sim/AnalogFixtures.h"
#include "sim/amplifier/AmplifierBoardElements.h"

struct AmplifierHFTruths {
  // Off: an ideal probe, the range's gain at any codes, no pole. Tests
  // that set a range by its latch alone, without the codes the program
  // sends with it, switch it off.
  bool on = true;
  // The probe's pole by range.
  std::array<double, 3> pole_seconds = {0.0, 2.2e-5 * 4096 / 475, 3.3e-4 * 4096 / 1024};
  // B x 4096 of the HF switch 1 and 2.
  std::array<double, 2> derivative_seconds = {2.2e-5 * 4096, 3.3e-4 * 4096};
  // S of the fast and the slow correction, by their scale bit.
  std::array<double, 2> fast_scale_seconds = {8.2e-6, 5.8e-5};
  std::array<double, 2> slow_scale_seconds = {1e-4, 1e-3};
};

// The stage as the elements set it.
struct AmplifierHFStage {
  // The probe's output per volt of its input (the current x the range's
  // gain), at DC.
  double transresistance = 1.0;
  // Volts of M per volt of the probe's output, at DC.
  double gain = 1.0;
  double pole_seconds = 0.0;
  // B x 4096 / GainTrimDac.
  double derivative_seconds = 0.0;
  double fast_share = 0.0;
  double fast_seconds = 0.0;
  double slow_share = 0.0;
  double slow_seconds = 0.0;
  bool operator==(const AmplifierHFStage&) const = default;
};

// The stage of `range` (0-2) with the elements.
AmplifierHFStage DecodeHFStage(const AmplifierHFTruths& truths, const AmplifierBoardElements& elements, int range);

// From the current x the range's gain to the stage's output: the
// transresistance, the pole and the stage.
AnalogCircuit HFStageCircuit(const AmplifierHFStage& stage);
// From the probe's output to the stage's output: what joins behind the
// pole.
AnalogCircuit HFStageBehindProbe(const AmplifierHFStage& stage);
