#include "sim/amplifier/AmplifierScaleTruths.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kStimScaleDac = 4;
constexpr int kStimDividerDac = 5;
constexpr int kRsFractionDac = 7;
constexpr int kCFast2Dac = 8;
constexpr int kCFast1Dac = 9;
constexpr int kVpOffsetDac = 16;
constexpr int kCSlowDac = 20;
constexpr int kGSeriesDac = 21;
constexpr int kGLeakDac = 22;
constexpr int kRsDac = 23;
constexpr int kSwitchLatch29 = 29;  // bit 2 C-fast high, bit 3 V-ref x2
constexpr int kCSlowStepLatch = 34;
constexpr int kCSlowStepHighLatch = 35;  // bit 0 step bit 4, bits 1-3 G-series code
constexpr int kCFastTauLatch = 36;
constexpr int kCFast2StepLatch = 37;
constexpr int kCompensationLatch = 38;  // bit 0 G-leak x10, bit 1 Rs on, bit 2 Rs x10, bit 3 Rs slow
constexpr int kCapsLatch42 = 42;        // bits 0-1 C-slow capacitors
constexpr int kCapsLatch43 = 43;        // bit 3 C-slow capacitors, bits 0-2 C-fast 1 step

constexpr double kHighShare = 2.0 / 3.0;
constexpr double kMostStimulusScale = 10.0;
// A network DAC at 0 leaves the network at these bounds.
constexpr double kShortestNetworkTau = 1e-7;
constexpr double kLongestNetworkTau = 10.0;
constexpr double kMostNetworkGain = 1e3;

double CSlowSteps(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements) {
  const double step = (elements.Element(kCSlowStepLatch) & 15) + (elements.LatchBit(kCSlowStepHighLatch, 0) ? 16 : 0);
  return step * truths.c_slow_step + elements.Element(kCSlowDac);
}

double GSeriesCodeFactor(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements) {
  const int code = (elements.Element(kCSlowStepHighLatch) >> 1) & 7;
  return truths.g_series_code_factor[static_cast<std::size_t>(code)];
}

// The C-slow network's share taken off its time constant, with Rs on or off.
double PredictionFraction(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements) {
  return std::clamp(elements.Element(kRsFractionDac) / truths.rs_fraction_factor, 0.0, 1.0);
}

}  // namespace

int CSlowRange(const AmplifierBoardElements& elements) {
  const int code = (elements.Element(kCapsLatch42) & 3) | (elements.LatchBit(kCapsLatch43, 3) ? 4 : 0);
  switch (code) {
    case 4: return 1;
    case 1: return 2;
    case 2: return 3;
    default: return 0;
  }
}

AmplifierCompensation DecodeCompensation(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements,
                                         double range_gain) {
  AmplifierCompensation applied;
  const auto dac = [&](int address) { return static_cast<double>(elements.Element(address)); };

  const double injection =
      truths.injection_farads[2] + (elements.LatchBit(kSwitchLatch29, 2) ? kHighShare * truths.injection_farads[3] : 0.0);
  const AmplifierNetworks networks = DecodeNetworks(truths, elements);
  applied.c_fast1_farads = networks.c_fast1_gain * injection;
  applied.c_fast2_farads = networks.c_fast2_gain * injection;
  applied.c_fast_tau_seconds = networks.c_fast_tau_seconds;

  const int range = CSlowRange(elements);
  const double k = elements.LatchBit(kSwitchLatch29, 3) ? 5.0 : 1.0;
  if (range > 0) {
    const double capacitors = truths.injection_farads[static_cast<std::size_t>(range)];
    const double inverse = CSlowSteps(truths, elements) / (truths.c_slow_factor * capacitors * k);
    if (inverse > 0.0) applied.c_slow_farads = 1.0 / inverse;
    applied.g_series_siemens =
        dac(kGSeriesDac) * GSeriesCodeFactor(truths, elements) * capacitors * k / truths.g_series_factor;
  }

  applied.g_leak_siemens = dac(kGLeakDac) * truths.g_leak_code_factor[elements.LatchBit(kCompensationLatch, 0) ? 1 : 0] /
                           (truths.g_leak_factor * range_gain);
  if (elements.LatchBit(kCompensationLatch, 1)) {
    applied.rs_ohms = dac(kRsDac) * truths.rs_code_factor[elements.LatchBit(kCompensationLatch, 2) ? 1 : 0] *
                      range_gain / truths.rs_factor;
    applied.rs_slow = elements.LatchBit(kCompensationLatch, 3);
  }
  applied.rs_fraction = PredictionFraction(truths, elements);
  applied.pipette_offset_volts = (dac(kVpOffsetDac) - truths.vp_offset_zero) / truths.vp_offset_scale;
  return applied;
}

AmplifierNetworks DecodeNetworks(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements) {
  AmplifierNetworks networks;
  const double k = elements.LatchBit(kSwitchLatch29, 3) ? 5.0 : 1.0;
  const double steps = CSlowSteps(truths, elements);
  networks.c_slow_gain = steps > 0.0 ? std::min(truths.c_slow_factor * k / steps, kMostNetworkGain) : kMostNetworkGain;
  const double fraction = PredictionFraction(truths, elements);
  const double conductance = steps * elements.Element(kGSeriesDac) * GSeriesCodeFactor(truths, elements);
  const double tau = conductance > 0.0 ? truths.c_slow_factor * truths.g_series_factor / conductance : kLongestNetworkTau;
  networks.c_slow_tau_seconds = std::clamp(tau * (1.0 - fraction), kShortestNetworkTau, kLongestNetworkTau);
  const double cFastStep1 = elements.Element(kCapsLatch43) & 7;
  const double cFastStep2 = elements.Element(kCFast2StepLatch);
  networks.c_fast1_gain = (cFastStep1 * truths.c_fast_step + elements.Element(kCFast1Dac)) / truths.c_fast_factor;
  networks.c_fast2_gain = (cFastStep2 * truths.c_fast_step + elements.Element(kCFast2Dac)) / truths.c_fast_factor;
  networks.c_fast_tau_seconds = truths.c_fast_tau_seconds[elements.Element(kCFastTauLatch) & 15];
  return networks;
}

double DecodeStimulusScale(const AmplifierScaleTruths& truths, const AmplifierBoardElements& elements) {
  const double share = elements.Element(kStimScaleDac) - truths.stim_scale_offset;
  const double divider = truths.stim_scale_slope * elements.Element(kStimDividerDac);
  if (divider == 0.0) return share == 0.0 ? 0.0 : std::copysign(kMostStimulusScale, share * truths.stim_scale_slope);
  return std::clamp(share / divider, -kMostStimulusScale, kMostStimulusScale);
}
