// Capacitance, series-resistance and leak compensations. Every control
// linearises through the scale record's tables and records the value the
// DACs really give.
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

constexpr double kProbeCFast = 6e-13;
constexpr double kMinCSlowTau = 5e-6;
constexpr std::uint16_t kCSlowOff = 4080;
constexpr int kLastTauStep = 15;
// No limit: the largest single.
constexpr double kNoGSeriesLimit = 3.402823466385288e38;

bool Positive(double x) { return x > 0.0 && std::isfinite(x); }

T3Scale::ScaleRecord& Scale() { return T3Scale::Scale; }

double RangeGain() {
  return Scale().Range[std::min<std::size_t>(T3Types::State.Range, T3Scale::kGainRanges - 1)].Gain;
}

// The extended stimulus range scales the C-slow injection by 5.
double CSlowK() { return T3Types::State.VrefX2 ? 5.0 : 1.0; }

double CFastInjectionCap() {
  const auto& cap = Scale().InjectionCap;
  return cap[2] + (T3Types::State.CFastHigh ? 0.66666666667 * cap[3] : 0.0);
}

// The C-slow range's calibration, or none (0) when it cannot divide.
double CSlowInjectionCap(std::int32_t range) {
  if (range < 1 || range > 3) return 0.0;
  const double cap = Scale().InjectionCap[static_cast<std::size_t>(range)];
  const double maximum = Scale().CSlowRangeMax[static_cast<std::size_t>(range)];
  return Positive(cap) && Positive(maximum) ? cap : 0.0;
}

// The two components differ in their table and in the order of their
// elements: component 1 sends its DAC before its switches, 2 after.
struct CFastComponent {
  T3Scale::AddLinType T3Scale::ScaleRecord::*table;
  void (*dac)(std::int32_t);
  void (*switches)(std::int32_t);
  bool dacFirst;
};
constexpr CFastComponent kCFast1{&T3Scale::ScaleRecord::CFast1Table, T3Set::CFastAmp1Dac,
                                 T3Set::CFastAmp1Switches, true};
constexpr CFastComponent kCFast2{&T3Scale::ScaleRecord::CFast2Table, T3Set::CFastAmp2Dac,
                                 T3Set::CFastAmp2Switches, false};

double SendCFast(double v, const CFastComponent& component) {
  const double cap = CFastInjectionCap();
  T3Scale::AddLinType& table = Scale().*component.table;
  std::int32_t dac = 0;
  std::int32_t switches = 0;
  if (Positive(cap)) {
    T3Scale::AddLinearize(v, Scale().CFastFactor / cap, table);
    dac = table.OutValue;
    switches = table.OutCode;
  } else {
    RangeError();
    v = 0.0;
  }
  if (component.dacFirst) component.dac(dac);
  component.switches(switches);
  if (!component.dacFirst) component.dac(dac);
  return v;
}

// The step SetCFastTau takes for tau.
std::int32_t TauStepOf(double tau) {
  std::int32_t i = 0;
  while (i <= 14 && tau > 1.000001 * Scale().CFastTau[static_cast<std::size_t>(i)]) ++i;
  return i;
}

// Sends G-series for g in the present C-slow range; the quantised g.
double SendGSeries(double g) {
  const T3Types::AmplifierState& state = T3Types::State;
  double factor = 0.0;
  if (state.CSlowRange != 0) {
    const double cap = CSlowInjectionCap(state.CSlowRange);
    if (cap == 0.0) {
      RangeError();
      T3Set::GSeriesSwitches(0);
      T3Set::GSeriesDac(0);
      return 0.0;
    }
    factor = Scale().GSeriesFactor / cap / CSlowK();
  } else if (state.VrefX2) {
    return g;
  } else {
    factor = 1e12 * Scale().GSeriesFactor;
  }
  T3Scale::MulLinType& table = Scale().GSeriesTable;
  T3Scale::MulLinearize(g, factor, table);
  T3Set::GSeriesSwitches(table.OutCode);
  T3Set::GSeriesDac(table.OutValue);
  return g;
}

// The Rs compensation off in the elements: DAC 0, switch open.
void RsOff() {
  T3Set::RsCompOn(false);
  T3Set::RsCompDac(0);
  T3Set::RsCompSwitch(false);
}

}  // namespace

void SetCFastPair(double c1, double c2) {
  T3Types::AmplifierState& state = T3Types::State;
  double k1 = 0.0;
  double k2 = 0.0;
  if (InCurrentClamp() && c1 + c2 > 0.0) {
    k1 = kProbeCFast * c1 / (c1 + c2);
    k2 = kProbeCFast - k1;
  }
  state.CFast1 = SendCFast(c1 - k1, kCFast1) + k1;
  state.CFast2 = SendCFast(c2 - k2, kCFast2) + k2;
}

double SendGLeak(double g) {
  const double factor = Scale().GLeakFactor * RangeGain();
  if (!Positive(factor)) {
    RangeError();
    T3Set::GLeakDac(0);
    T3Set::GLeakSwitch(false);
    return 0.0;
  }
  const bool positive = g > 0.0;
  T3Scale::MulLinType& table = Scale().GLeakTable;
  T3Scale::MulLinearize(g, factor, table);
  T3Set::GLeakDac(table.OutValue);
  T3Set::GLeakSwitch(table.OutCode != 0);
  return positive ? g : 0.0;
}

void SetCFastHigh(bool on) {
  if (T3Types::State.HasCFastHigh) {
    if (T3Base::ForceCFastHigh) on = true;
    T3Set::CFastHigh(on);
  } else {
    on = false;
  }
  T3Types::State.CFastHigh = on;
}

void ToggleCFastRange() {
  T3Types::AmplifierState& state = T3Types::State;
  if (!state.HasCFastHigh) return;
  SetCFastHigh(!state.CFastHigh);
  SetCFastTot(state.CFast1 + state.CFast2);
  SetCSlowRange(state.CSlowRange);
}

void SetCFast1(double farad) { T3Types::State.CFast1 = SendCFast(farad, kCFast1); }

void SetCFast2(double farad) { T3Types::State.CFast2 = SendCFast(farad, kCFast2); }

void SetCFastTau(double seconds) {
  const std::int32_t i = TauStepOf(seconds);
  const double step = Scale().CFastTau[static_cast<std::size_t>(i)];
  if (!Positive(step)) {
    RangeError();
    T3Set::CFastTau2Switches(0);
    T3Types::State.CFastTau = 0.0;
    return;
  }
  T3Set::CFastTau2Switches(i);
  T3Types::State.CFastTau = 1.000001 * step;
}

double GetCFastTauReal(double c1, double c2, double tau) {
  return c1 + c2 > 0.0 ? tau * c2 / (c1 + c2) : 0.0;
}

void SetCFastTauReal(double seconds) {
  T3Types::AmplifierState& state = T3Types::State;
  const double total = state.CFast1 + state.CFast2;
  const double t2 = seconds * total;
  if (total <= 0.0) {
    SetCFastTau(0.0);
  } else if (state.CFast2 > 0.0) {
    SetCFastTau(t2 / state.CFast2);
  } else {
    // No second component to divide by: the longest step carries a
    // positive product, the shortest none.
    SetCFastTau(t2 > 0.0 ? Scale().CFastTau[kLastTauStep] : 0.0);
  }
  if (state.CFastTau <= 0.0) {
    SetCFastPair(0.0, 0.0);
    return;
  }
  SetCFastPair(total - t2 / state.CFastTau, t2 / state.CFastTau);
}

void SetCFastTot(double farad) {
  T3Types::AmplifierState& state = T3Types::State;
  const double limit = state.CFastHigh ? 2e-10 : 1.59e-11;
  const double v = std::min(farad, limit);
  const double sum = state.CFast1 + state.CFast2;
  const double share = state.CFast1 > 0.0 && sum > 0.0 ? state.CFast2 / sum : 0.5;
  state.CFast2 = share * v;
  state.CFast1 = v - state.CFast2;
  const double t = GetCFastTauReal(state.CFast1, state.CFast2, state.CFastTau);
  SetCFastTauReal(t);
  const double set = state.CFast1 + state.CFast2;
  if (v > 1.005 * set && v < 0.9 * limit) {
    const double half = 0.5 * (v - set);
    state.CFast1 += half;
    state.CFast2 += half;
    SetCFastTauReal(TauStepOf(state.CFastTau) > 14 ? t - 5.5e-7 : t + 5.5e-7);
  }
}

void SetCSlowRange(std::int32_t range) {
  const T3Types::AmplifierState& state = T3Types::State;
  if (!T3Base::TesterMode) {
    if ((range == 1 || range == 2) && (state.CFastHigh || state.VrefX2)) range = 3;
    if (range == 3 && state.Range == 2) range = 2;
  }
  constexpr std::int32_t kInjectionCodes[] = {0, 4, 1, 2};
  if (range < 0 || range > 3) {
    RangeError();
    return;
  }
  T3Set::CSlowInjCaps(kInjectionCodes[range]);
  T3Types::State.CSlowRange = static_cast<std::uint8_t>(range);
  SetCSlow(state.CSlow);
  SetGSeries(state.GSeries);
}

void SetCSlow(double farad) {
  T3Types::AmplifierState& state = T3Types::State;
  const std::int32_t range = state.CSlowRange;
  if (range == 0) {
    T3Set::CSlowDac(kCSlowOff);
    return;
  }
  const double cap = CSlowInjectionCap(range);
  if (cap == 0.0) {
    RangeError();
    T3Set::CSlowSwitches(0);
    T3Set::CSlowDac(kCSlowOff);
    state.CSlow = 0.0;
    return;
  }
  const double v = std::max(farad, 0.01 * Scale().CSlowRangeMax[static_cast<std::size_t>(range)]);
  double x = 1.0 / v;
  T3Scale::AddLinType& table = Scale().CSlowTable;
  T3Scale::AddLinearize(x, Scale().CSlowFactor * cap * CSlowK(), table);
  T3Set::CSlowSwitches(table.OutCode);
  T3Set::CSlowDac(table.OutValue);
  if (x > 1e-18) {
    state.CSlow = 1.0 / x;
    SendGSeries(std::min(state.CSlow / kMinCSlowTau, state.GSeries));
  } else {
    state.CSlow = 1e-6;
  }
}

void SetGSeries(double siemens) {
  T3Types::AmplifierState& state = T3Types::State;
  T3Types::State.GSeries = SendGSeries(std::min(siemens, state.CSlow / kMinCSlowTau));
}

void MinimumCSlow(std::int32_t range, double& cMin, double& gMax) {
  cMin = 0.0;
  gMax = kNoGSeriesLimit;
  if (range < 1 || range > 3) return;
  const double cap = CSlowInjectionCap(range);
  if (cap == 0.0) {
    RangeError();
    return;
  }
  double x = 100.0 / Scale().CSlowRangeMax[static_cast<std::size_t>(range)];
  // A copy: asking must not move the table's step for the next setting.
  T3Scale::AddLinType table = Scale().CSlowTable;
  T3Scale::AddLinearize(x, Scale().CSlowFactor * cap, table);
  if (!Positive(x)) return;
  cMin = 2.0 / x;
  gMax = cMin / kMinCSlowTau;
}

double RealCSlowRange() {
  return Scale().CSlowRangeMax[std::min<std::size_t>(T3Types::State.CSlowRange, 3)];
}

double RealTestGain() {
  const std::uint8_t range = T3Types::State.TestRange;
  if (range > 3) {
    RangeError();
    return 0.0;
  }
  return 1000.0 * Scale().InjectionCap[range];
}

double RsTauOf(const T3Types::AmplifierState& state) {
  if (!state.RsOn) return 0.0;
  if (state.RsSlow) return 1e-4;
  constexpr double kTaus[] = {1e-6, 5e-6, 1e-5, 2e-6};
  return state.Filter1 <= 3 ? kTaus[state.Filter1] : 0.0;
}

void SetRsOn(bool on) {
  T3Types::AmplifierState& state = T3Types::State;
  if (HasRefGainTrim() || state.Range == 2) on = false;
  state.RsOn = on;
  if (T3Base::TesterMode) {
    if (on) {
      SetRsFraction(state.RsFraction);
    } else {
      T3Set::CSlowFractionDac(0);
    }
    T3Set::RsCompOn(on);
    state.RsTau = RsTauOf(state);
  } else {
    SetRsFraction(state.RsFraction);
    SetRsValue(state.RsValue);
  }
}

void SetRsValue(double ohm) {
  T3Types::AmplifierState& state = T3Types::State;
  const double factor = Scale().RsFactor / RangeGain();
  if (!Positive(factor)) {
    RangeError();
    RsOff();
    state.RsValue = 0.0;
    state.RsTau = RsTauOf(state);
    return;
  }
  T3Set::RsCompOn(false);
  T3Scale::MulLinType& table = Scale().RsTable;
  T3Scale::MulLinearize(ohm, factor, table);
  if (T3Base::TesterMode) {
    T3Set::RsCompDac(table.OutValue);
    T3Set::RsCompSwitch(table.OutCode != 0);
    SetRsOn(state.RsOn);
  } else if (state.RsOn) {
    T3Set::RsCompDac(table.OutValue);
    T3Set::RsCompSwitch(table.OutCode != 0);
    T3Set::RsCompOn(true);
  } else {
    T3Set::RsCompDac(0);
  }
  state.RsValue = ohm;
  state.RsTau = RsTauOf(state);
}

void SetRsFraction(double fraction) {
  T3Types::AmplifierState& state = T3Types::State;
  const bool highGainCC = InCurrentClamp() && state.HasHighCCGains;
  const bool send = !highGainCC && (T3Base::TesterMode || (state.RsOn && fraction > 0.001));
  if (send) {
    T3Set::CSlowFractionDac(DacValue(8, fraction, Scale().RsFractionFactor));
  } else {
    T3Set::CSlowFractionDac(0);
  }
  state.RsFraction = fraction;
}

void SetRsComp(double fraction) {
  const T3Types::AmplifierState& state = T3Types::State;
  SetRsCorrection(fraction, state.RsComp, state.RsCorrectionMode);
}

void SetRsCorrection(double fraction, double a, bool mode) {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.CSlow < 1e-15 || state.GSeries < 1.000000000000001e-9) {
    SetRsFraction(0.0);
    SetRsValue(0.0);
    return;
  }
  if (!InCurrentClamp()) {
    const double e = 2e-6 * state.GSeries / state.CSlow;
    const double limit = std::min(1.0 - 0.5 * std::sqrt(std::min(e, 1.0)), 0.95);
    fraction = std::min(fraction, limit);
  }
  SetRsFraction(fraction);
  if (T3Base::TesterMode) {
    SetRsValue(fraction / state.GSeries);
    return;
  }
  if (InCurrentClamp()) mode = false;
  state.RsCorrectionMode = mode;
  if (!mode || state.RsFraction <= 0.0) a = state.RsFraction;
  if (state.Range == 0) state.GSeries = std::min(state.GSeries, 5000000.0);
  if (state.Range == 1) state.GSeries = std::min(state.GSeries, 500000000.0);
  SetRsValue(a / state.GSeries);
  state.RsComp = state.RsValue * state.GSeries;
  if (!mode) state.RsFraction = state.RsComp;
}

void SetRsSlow(bool on) {
  T3Set::RsCompSlow(on);
  T3Types::State.RsSlow = on;
}

std::int32_t GetRsMode(double tau) {
  if (tau < 1e-6) return 0;
  if (tau < 3e-6) return 3;
  if (tau < 6e-6) return 4;
  if (tau < 1.1e-5) return 2;
  return 1;
}

void SetRsMode(std::int32_t mode) {
  if (mode < 0 || mode > 4) {
    RangeError();
    return;
  }
  T3Types::AmplifierState& state = T3Types::State;
  // The 'Y' board shares the Rs DAC with its trim: its Rs stays off.
  if (HasRefGainTrim() || state.Range == 2) mode = 0;
  const std::int32_t old = GetRsMode(state.RsTau);
  SetRsOn(false);
  state.RsOn = mode != 0;
  std::int32_t target = state.Filter1;
  double limit = 1.0;
  switch (mode) {
    case 1:
      state.RsSlow = true;
      target = 2;
      break;
    case 2:
      state.RsSlow = false;
      target = 2;
      if (!InCurrentClamp() && old != 2 && old != 3 && old != 4) limit = 0.4;
      break;
    case 3:
      state.RsSlow = false;
      target = 3;
      if (old != 3 && old != 4) limit = 0.2;
      break;
    case 4:
      state.RsSlow = false;
      target = 1;
      if (old == 0 || old == 1) limit = 0.3;
      break;
    default:
      break;
  }
  if (!InCurrentClamp() && state.RsFraction > limit) SetRsComp(limit);
  if (target != state.Filter1) {
    SetFilter1(target);
    SetF2Bandwidth(state.ImonBandwidth);
  }
  SetRsSlow(state.RsSlow);
  SetRsOn(state.RsOn);
}

void SetGLeak(double siemens) { T3Types::State.GLeak = SendGLeak(siemens); }

}  // namespace T3Panel
