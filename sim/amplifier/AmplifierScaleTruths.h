// The true factors of one simulated amplifier board's compensations and
// pipette offset, in the shape of the program's scale record, and the laws
// by which the board's elements realise them: each element is decoded by the
// inverse of the law that computes it from a value, with these factors. A
// scale record that holds these truths therefore sets exactly the value
// asked for; the program's defaults miss by the few per cent the defaults
// below lie off them.
//
// Elements (the numbering of AmplifierBoardElements):
//   C-fast     1: DAC 9 + step (latch 43 bits 0-2) x 200; 2: DAC 8 + step
//              (latch 37) x 200; both x the injection capacitance (range 2's,
//              + 2/3 of range 3's with latch 29 bit 2) / CFastFactor; tau
//              the step of latch 36;
//   C-slow     range by the injection capacitors (latch 42 bits 0-1, latch
//              43 bit 3: 0 off, 4 range 1, 1 range 2, 2 range 3); 1 / C =
//              (DAC 20 + step x 2048) / (CSlowFactor x InjectionCap x k),
//              the step latch 34 + latch 35 bit 0 x 16, k 5 with V-ref x2
//              (latch 29 bit 3);
//   G-series   DAC 21 x the factor of its code (latch 35 bits 1-3: 7 0.3,
//              3 1, 1 10, 0 100) x InjectionCap x k / GSeriesFactor;
//   G-leak     DAC 22 x (10 with latch 38 bit 0) / (GLeakFactor x the
//              range's gain);
//   Rs         with latch 38 bit 1: DAC 23 x (10 with latch 38 bit 2) x the
//              range's gain / RsFactor; fraction DAC 7 / RsFractionFactor;
//              slow with latch 38 bit 3;
//   pipette    (DAC 16 - VpOffsetZero) / VpOffsetScale volts;
//   stimulus   the external stimulus scale (DAC 4 - StimScaleOffset) /
//              (StimScaleSlope x DAC 5), within -10 to 10.
// The networks ahead of the injection capacitors, which the multiplexer
// shows, per volt of pipette potential:
//   C-slow     CSlowFactor x k / (DAC 20 + step x 2048), inverted, through
//              the time constant C / G = CSlowFactor x GSeriesFactor /
//              ((DAC 20 + step x 2048) x DAC 21 x the code's factor),
//              shortened by the fraction DAC 7 / RsFractionFactor (the Rs
//              prediction) whether Rs is on or not;
//   C-fast     (DAC 9 + step x 200) / CFastFactor through 0.3 us and (DAC 8
//              + step x 200) / CFastFactor through the tau step.
#pragma once

#include <array>

#include "sim/amplifier/AmplifierBoardElements.h"
#include "sim/amplifier/AmplifierCell.h"

struct AmplifierScaleTruths {
  std::array<double, 4> injection_farads = {0.0, 3e-13, 1e-12, 1e-11};
  std::array<double, 16> c_fast_tau_seconds = [] {
    std::array<double, 16> steps{};
    for (std::size_t i = 0; i < steps.size(); ++i) steps[i] = 5e-7 * static_cast<double>(i + 1);
    return steps;
  }();
  double c_fast_factor = 175.0;
  double c_slow_factor = 10300.0;
  double g_series_factor = 0.398;
  double rs_factor = 20280.0;
  double rs_fraction_factor = 174.2;
  double g_leak_factor = 417.8;
  double vp_offset_scale = 10180.0;
  double vp_offset_zero = 2061.0;
  double stim_scale_slope = -9.81;
  double stim_scale_offset = 130.3;
  // The step sizes of the additive tables and the factors of the
  // multiplicative ones by switch code.
  double c_fast_step = 200.0;
  double c_slow_step = 2048.0;
  std::array<double, 8> g_series_code_factor = {100.0, 10.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.3};
  std::array<double, 2> rs_code_factor = {1.0, 10.0};
  std::array<double, 2> g_leak_code_factor = {1.0, 10.0};
};

struct AmplifierNetworks {
  double c_slow_gain = 0.0;
  double c_slow_tau_seconds = 0.0;
  double c_fast1_gain = 0.0;
  double c_fast2_gain = 0.0;
  double c_fast_tau_seconds = 0.0;
  bool operator==(const AmplifierNetworks&) const = default;
};

// The C-slow range (0 off, 1-3) the injection capacitors select.
int CSlowRange(const AmplifierBoardElements& elements);

// The compensations the elements set, with the gain (volts per ampere) of
// the present range.
AmplifierCompensation DecodeCompensation(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements,
                                         double range_gain);
AmplifierNetworks DecodeNetworks(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements);
// The external stimulus scale of DACs 4 and 5.
double DecodeStimulusScale(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements);
