// Gain range, gain, filters and monitors.
#include <algorithm>
#include <cmath>

#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3PanelRules.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"

namespace T3Panel {

namespace {

constexpr std::int32_t kGainFactors[] = {1, 2, 4, 10, 20, 40};

bool IsYBoardSlowFilter(std::int32_t filter1) { return filter1 == 3 && HasRefGainTrim(); }

// The range asked for, as the mode and the board allow it; -1 for none.
std::int32_t AdjustedRange(std::int32_t range) {
  const T3Types::AmplifierState& state = T3Types::State;
  if (T3Base::TesterMode) return range >= 0 && range <= 2 ? range : -1;
  switch (range) {
    case 2:
      if (InCurrentClamp()) return 1;
      if (state.CFastHigh && !HasRefGainTrim()) return state.Range == 2 ? 1 : state.Range;
      return 2;
    case 1:
      return 1;
    case 0:
      return InCurrentClamp() && !state.HasHighCCGains ? 1 : 0;
    default:
      return -1;
  }
}

void SendRangeEntry(const T3Scale::RangeVars& entry) {
  T3Set::HFCompDac(entry.HFCompDac);
  T3Set::GainTrimDac(entry.GainTrimDac);
  SetProbeOffset(entry.ProbeOffsetDac);
  T3Set::TFastDacs(entry.TFastDacA, entry.TFastDacB);
  T3Set::TSlowDacs(entry.TSlowDacA, entry.TSlowDacB);
  T3Set::TRangeSwitches(entry.RangeSwitches);
  T3Set::HFCompSwitches(entry.HFCompSwitches);
}

struct F2Modes {
  std::int32_t imon;
  std::int32_t vmon;
};

bool FiltersImon(const F2Modes& modes) { return modes.imon == 0 || modes.imon == 1; }
bool FiltersVmon(const F2Modes& modes) { return modes.vmon == 3 || modes.vmon == 4; }

// Where filter 2 sits for a response: the current monitor's and the
// voltage monitor's filter modes. Boards with the source selection switch
// it (responses 3 and 4 filter the voltage monitor); the others keep
// responses 2 and above as last set.
F2Modes F2Connections(std::int32_t& response) {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.HasF2Source) {
    F2Modes modes{response, response};
    std::int32_t source = 0;
    if (!state.HasVrefX2 || state.Mux == kMuxFilter2) {
      if (response == 3 || response == 4) response = 0;
      modes = {response, response};
    } else if (response == 3 || response == 4) {
      modes = {2, response};
      source = 2;
    } else {
      modes = {response, 2};
    }
    SetF2Source(source);
    T3Set::F2ImonBypass(modes.imon == 2);
    return modes;
  }
  if (response == 2) response = state.F2Response;
  if (response >= 2) {
    const std::int32_t set = T3Base::BoardState.F2ResponseSet;
    response = set >= 2 ? set : 0;
  }
  return {response, response};
}

}  // namespace

double F1BandwidthOf(std::int32_t index) {
  constexpr double kBandwidths[] = {100000.0, 30000.0, 10000.0, 30000.0};
  if (index < 0 || index > 3) {
    RangeError();
    return 0.0;
  }
  return IsYBoardSlowFilter(index) ? 15.0 : kBandwidths[index];
}

void UpdateVmonFactor() {
  T3Types::AmplifierState& state = T3Types::State;
  const double k = Get_VrefX2_Factor(state.VrefX2 || T3Base::ForceVrefX2);
  if (state.VmonX100) {
    state.VmonFactor = T3Scale::Scale.VmonFactor;
    state.VmonOffset = T3Scale::Scale.VmonOffset * state.VmonFactor;
  } else {
    state.VmonFactor = 0.1;
    state.VmonOffset = 0.0;
  }
  state.VmonFactor *= k;
  state.VmonOffset *= k;
}

void ProbeSpeedRule(std::int32_t range, std::int32_t mode) {
  T3Set::LowGainCClamp(mode != kModeCurrentClamp || range == 0);
  T3Set::ProbeSpeed(mode == kModeCurrentClamp || range == 0);
}

void SetRange(std::int32_t range) {
  range = AdjustedRange(range);
  if (range < 0) {
    RangeError();
    return;
  }
  T3Types::AmplifierState& state = T3Types::State;
  state.Range = static_cast<std::uint8_t>(range);
  const T3Scale::RangeVars& entry = T3Scale::Scale.Range[static_cast<std::size_t>(range)];
  SendRangeEntry(entry);
  if (range == 0) ProbeSpeedRule(0, state.Mode);
  const bool rsOn = state.RsOn;
  SetRsOn(false);
  T3Set::ProbeResistor(entry.ProbeResistor);
  SetRsOn(rsOn);
  if (range != 0) ProbeSpeedRule(range, state.Mode);
  state.StimDacOffset = static_cast<std::int16_t>(GetStimDacOffset());
  state.CurrentGain = GetCurrentGain(state.Range, state.Gain);
  SetVpOffset(state.VpOffset);
  SetGLeak(state.GLeak);
  if (T3Base::TesterMode) {
    SetRsValue(state.RsValue);
  } else {
    SetRsComp(state.RsFraction);
  }
  SetRsOn(state.RsOn);
  CCGainRule();
  SendCCOffset();
  if (!InCurrentClamp()) {
    double vHold = state.VHold;
    HoldingRule(vHold);
  }
}

void SetProbeOffset(std::int32_t value) {
  T3Set::ProbeOffsetDac(value);
  const std::size_t range = std::min<std::size_t>(T3Types::State.Range, T3Scale::kGainRanges - 1);
  T3Scale::Scale.Range[range].ProbeOffsetDac = static_cast<std::uint16_t>(value);
}

void SetGain(std::int32_t index) {
  if (index < 0 || index > 5) {
    RangeError();
    return;
  }
  T3Types::AmplifierState& state = T3Types::State;
  T3Set::OutputAmpGain(kGainFactors[index]);
  state.Gain = static_cast<std::uint8_t>(index);
  state.CurrentGain = GetCurrentGain(state.Range, state.Gain);
}

double GetCurrentGain(std::int32_t range, std::int32_t gain) {
  if (range < 0 || range > 2 || gain < 0 || gain > 5) {
    RangeError();
    return 0.0;
  }
  return kGainFactors[gain] * T3Scale::Scale.Range[static_cast<std::size_t>(range)].Gain;
}

void SetFilter1(std::int32_t index) {
  T3Types::AmplifierState& state = T3Types::State;
  if (index < 0 || index > 3) {
    RangeError();
    return;
  }
  const bool currentClamp = InCurrentClamp();
  if (currentClamp) index = state.CCGain == 2 || state.CCGain == 3 ? 1 : 2;
  constexpr std::int32_t kOutputFilter[] = {0, 2, 1, 2};
  T3Set::Filter1(index);
  T3Set::OutputFilter(kOutputFilter[index]);
  state.Filter1 = static_cast<std::uint8_t>(index);
  state.F1Bandwidth = F1BandwidthOf(index);
  if (!currentClamp) T3Base::BoardState.VCFilter1 = state.Filter1;
  UpdateBandwidths();
}

void SetF2Source(std::int32_t source) {
  if (source < 0 || source > 2) {
    RangeError();
    return;
  }
  T3Set::Filter2Source(source == 0, source == 1, source == 2);
  T3Set::F2OffsetDac(T3Scale::Scale.F2OffsetDac[source == 2 ? 1 : 0]);
  T3Types::State.F2Source = static_cast<std::uint8_t>(source);
}

void SetFilter2Dacs(double& hz, std::int32_t response) {
  hz = std::max(hz, 100.0);
  std::size_t entry = 0;
  if (response == 0 || response == 3) {
    entry = 0;
  } else if (response == 1 || response == 4) {
    entry = 1;
  } else {
    return;
  }
  const T3Scale::F2VarType& f2 = T3Scale::Scale.F2Var[entry];
  const bool newerLaw = T3Types::State.Filter2Law > 1;
  double x = newerLaw ? hz : hz + 5e-5 * hz * hz;
  std::int32_t part1 = DacValue(8, x, f2.Factor1);
  const std::int32_t part2 = DacValue(8, x, f2.Factor2);
  if (part2 == 255) part1 = DacValue(8, x, f2.Factor1);
  hz = newerLaw ? x : (std::sqrt(2e-4 * x + 1.0) - 1.0) / 1e-4;
  T3Set::Filter2HighQ(f2.HighQ);
  T3Set::F2Part1Dacs(part1);
  T3Set::F2Part2Dacs(part2);
}

void SetF2Frequency(double hz) {
  T3Types::AmplifierState& state = T3Types::State;
  std::int32_t response = state.F2Response;
  const F2Modes modes = F2Connections(response);
  state.F2Response = static_cast<std::uint8_t>(response);
  if (FiltersImon(modes)) {
    SetFilter2Dacs(hz, state.F2Response);
    T3Base::BoardState.F2ResponseSet = state.F2Response;
  }
  state.F2Frequency = hz;
  UpdateBandwidths();
}

void SetF2Response(std::int32_t response) {
  if (response < 0 || response > 4) {
    RangeError();
    return;
  }
  T3Types::AmplifierState& state = T3Types::State;
  const F2Modes modes = F2Connections(response);
  if (FiltersImon(modes)) {
    SetFilter2Dacs(state.F2Frequency, response);
  } else if (FiltersVmon(modes)) {
    SetFilter2Dacs(state.VmonFilter, response);
  }
  state.F2Response = static_cast<std::uint8_t>(response);
  UpdateBandwidths();
}

void SetVmonFilter(double hz) {
  T3Types::AmplifierState& state = T3Types::State;
  std::int32_t response = state.F2Response;
  const F2Modes modes = F2Connections(response);
  state.F2Response = static_cast<std::uint8_t>(response);
  if (FiltersVmon(modes)) SetFilter2Dacs(hz, state.F2Response);
  state.VmonFilter = hz;
  UpdateBandwidths();
}

// The cases exclude each other in this order; where rounding leaves the
// last one without a positive radicand, filter 2 opens as in the first.
void SetF2Bandwidth(double hz) {
  const T3Types::AmplifierState& state = T3Types::State;
  if (state.Mux != kMuxFilter2) {
    const double open = IsYBoardSlowFilter(state.Filter1) ? 100.0 : 1000000.0;
    const double f1 = state.F1Bandwidth;
    if (hz >= f1) {
      hz = open;
    } else if (hz < 100.0) {
      hz = 100.0;
    } else if (state.F2Response == 2) {
      hz = 0.0;
    } else {
      const double radicand = 1.0 / (hz * hz) - 1.0 / (f1 * f1);
      hz = radicand > 0.0 ? 1.0 / std::sqrt(radicand) : open;
    }
  }
  SetF2Frequency(hz);
}

void SetVmonX100(bool on) {
  if (T3Types::State.HasVmonX100) {
    T3Set::VmonX100(on);
  } else {
    on = false;
  }
  T3Types::State.VmonX100 = on;
  UpdateVmonFactor();
}

void SetMux(std::uint8_t channel) {
  T3Set::MuxChannel(channel);
  T3Types::State.Mux = channel;
  UpdateBandwidths();
}

void SetMuxGain(bool on) {
  if ((T3Base::HardwareVersion & 1) != 0) T3Set::MuxGainx64(on);
  T3Types::State.MuxGain = false;
}

void SetBathSense(bool on) {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.HasBathSense) {
    T3Set::BathSense(on);
  } else {
    on = false;
  }
  state.BathSense = on;
}

void SetRefGainTrim(bool on, std::int32_t value) {
  if (HasRefGainTrim()) {
    value = std::clamp(value, 0, 4095);
    T3Set::RefGainTrimOn(on);
    T3Set::RefGainTrimDac(value);
  } else {
    on = false;
    value = 0;
  }
  T3Types::State.RefGainTrimOn = on;
  T3Types::State.RefGainTrimDac = static_cast<std::int16_t>(value);
}

void SetExternalFilterPath(bool on) {
  T3Types::AmplifierState& state = T3Types::State;
  if (on) {
    T3Set::StimScaleDacs(static_cast<std::int32_t>(std::lround(
                             std::clamp(T3Scale::Scale.StimScaleOffset, 0.0, 255.0))),
                         255);
    T3Set::StimFilter(false);
    T3Set::Filter2Source(false, true, false);
    T3Set::StimSource(1);
    SetMux(kMuxFilter2);
  } else {
    SetStimScale(state.StimScale);
    SetStimFilter(state.StimFilter);
    SetF2Source(state.F2Source);
    SetMux(5);
  }
  SetFilter1(state.Filter1);
  SetF2Bandwidth(state.ImonBandwidth);
}

std::int32_t GetMuxAdcOffset() { return -T3Scale::Scale.MuxAdcOffset; }

void UpdateBandwidths() {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.Mux == kMuxFilter2) {
    state.ImonBandwidth = state.F2Frequency;
  } else if (IsYBoardSlowFilter(state.Filter1)) {
    state.ImonBandwidth = 15.0;
  } else if (state.F2Response != 0 && state.F2Response != 1) {
    state.ImonBandwidth = state.F1Bandwidth;
  } else {
    const double f1 = state.F1Bandwidth;
    const double f2 = state.F2Frequency;
    state.ImonBandwidth = 1.0 / std::sqrt(1.0 / (f1 * f1) + 1.0 / (f2 * f2));
  }
  state.VmonBandwidth =
      state.F2Response == 3 || state.F2Response == 4 ? state.VmonFilter : 100000.0;
}

}  // namespace T3Panel
