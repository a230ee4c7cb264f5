// Stimulus, holding potentials and test paths.
#include <algorithm>
#include <cmath>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3PanelRules.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"

namespace T3Panel {

namespace {

bool Usable(double x) { return x != 0.0 && std::isfinite(x); }

T3Scale::ScaleRecord& Scale() { return T3Scale::Scale; }

// The test integrator at range r; FALSE (error 25, nothing sent) for a
// range it does not have.
bool ApplyTestRange(std::int32_t r) {
  T3Types::AmplifierState& state = T3Types::State;
  std::int32_t source = state.TestDacPath == 4 ? 1 : 2;
  std::int32_t code = 0;
  switch (r) {
    case 3:
      code = 2;
      if (state.Range == 2) {
        r = 2;
        code = 1;
      }
      break;
    case 2:
      code = 1;
      break;
    case 0:
      source = 0;
      break;
    default:
      RangeError();
      return false;
  }
  T3Set::TestIntegratorSource(source);
  T3Set::TestIntInjCaps(code);
  state.TestRange = static_cast<std::uint8_t>(r);
  return true;
}

// The pipette offset DAC for volts; records VpOffset. FALSE (error 25,
// nothing sent) without a usable DAC scale.
bool SendVpOffset(double volts) {
  T3Types::AmplifierState& state = T3Types::State;
  const double unitsPerVolt = Scale().VpOffsetScale;
  if (!Usable(unitsPerVolt) || !std::isfinite(volts)) {
    RangeError();
    return false;
  }
  const double shift = Scale().VpOffsetZero / unitsPerVolt +
                       Scale().VpOffsetCorr[std::min<std::size_t>(state.Range, 2)];
  double x = volts + shift;
  T3Set::VpOffsetDac(DacValue(12, x, unitsPerVolt));
  state.VpOffset = x - shift;
  T3Selector::SetSelectorVHold(state.VHold);
  return true;
}

}  // namespace

bool HoldingRule(double& value) {
  T3Types::AmplifierState& state = T3Types::State;
  const double unitsPerVolt = ZRVBase::DacUnitsPerVolt[std::clamp<std::int32_t>(
      state.StimDac, 0, ZRVBase::DacOutputCount - 1)];
  const double k = InCurrentClamp() ? 10.0 : state.StimDacScale;
  if (!Usable(k) || !Usable(unitsPerVolt) || !std::isfinite(value)) {
    RangeError();
    return false;
  }
  const bool testDacOff = state.TestDacOff;
  const double a = state.StimDacOffset / unitsPerVolt;
  double u = k * value + a;
  const std::int32_t units = ZRV::VoltsToDacUnits(state.StimDac, u);
  value = (u - a) / k;
  T3AD::SetDac(state.StimDac, units, false);
  SetQTestDac(testDacOff);
  T3Selector::SetSelectorVHold(value);
  return true;
}

bool ApplyStimScale(double& scale) {
  const T3Types::AmplifierState& state = T3Types::State;
  scale = std::clamp(scale, -10.0, 10.0);
  const double slope = Scale().StimScaleSlope * scale;
  const double offset = Scale().StimScaleOffset;
  double d0 = slope * 255.0 + offset;
  double d1 = 255.0;
  if (d0 > 255.5 || d0 < 0.0) {
    if (!Usable(slope)) {
      RangeError();
      return false;
    }
    d1 = d0 > 255.5 ? (255.0 - offset) / slope : -(offset / slope);
    d0 = d0 > 255.5 ? 255.0 : 0.0;
  }
  const bool on = scale != 0.0;
  T3Set::ExtCCStim(on && state.Mode != kModeTest);
  T3Set::StimSource(!on ? 0 : state.TestDacPath == 3 ? 2 : 1);
  const std::int32_t first = DacValue(8, d0, 1.0);
  T3Set::StimScaleDacs(first, DacValue(8, d1, 1.0));
  return true;
}

void SetVHold(double volts) {
  if (!InCurrentClamp()) {
    if (T3Types::State.Selector != 0) T3Selector::ClipSelectorHold(volts);
    if (!HoldingRule(volts)) return;
  }
  T3Types::State.VHold = volts;
}

void SetVpOffset(double volts) { SendVpOffset(volts); }

void SetVLiquidJunction(double volts) {
  T3Types::AmplifierState& state = T3Types::State;
  if (SendVpOffset(state.VpOffset + volts - state.VLiquidJunction)) state.VLiquidJunction = volts;
}

std::int32_t SetStimScale(double scale) {
  T3Types::AmplifierState& state = T3Types::State;
  if (!InCurrentClamp() && !ApplyStimScale(scale)) return state.ExtStimPath;
  state.StimScale = scale;
  state.ExtStimPath = static_cast<std::uint8_t>(GetExtStimPath());
  return state.ExtStimPath;
}

void SetStimFilter(std::int32_t index) {
  if (index < 0 || index > 1) {
    RangeError();
    return;
  }
  T3Types::AmplifierState& state = T3Types::State;
  if (!InCurrentClamp()) T3Set::StimFilter(index != 0);
  state.StimFilter = static_cast<std::uint8_t>(index);
  state.StimFilterHz = index == 0 ? 100000.0 : 10000.0;
}

double Get_VrefX2_Factor(bool on) { return on ? 5.0 : 1.0; }

void SetVrefX2(bool on) {
  T3Types::AmplifierState& state = T3Types::State;
  if (!state.HasVrefX2) on = false;
  state.VrefX2 = on;
  state.StimDacScale = StimDacScaleRule(on);
  UpdateVmonFactor();
  // The Rs DAC's range follows the reference: the larger reference comes
  // after the value that suits it, the smaller one before.
  if (on || T3Base::ForceVrefX2) {
    SetRsValue(state.RsValue);
    T3Set::VrefX2(true);
  } else {
    T3Set::VrefX2(false);
    SetRsValue(state.RsValue);
  }
  SetGLeak(state.GLeak);
}

bool ToggleVrefX2(ReloadProc reload) {
  T3Types::AmplifierState& state = T3Types::State;
  if (!state.HasVrefX2) return true;
  const T3Types::AmplifierState record = state;
  const T3Scale::ScaleRecord scale = T3Scale::Scale;
  const T3Scale::CFastTable cFastTable = T3Auto::CFastTable;
  const bool on = !state.VrefX2;
  if (on != state.CFastHigh) ToggleCFastRange();
  SetVrefX2(on);
  if (ZRV::Status() != ZRV::StateClosed && !reload()) {
    // The new range with the old calibration would be wrong everywhere:
    // everything goes back as it was, and the hardware follows.
    T3Scale::Scale = scale;
    T3Auto::CFastTable = cFastTable;
    state = record;
    LoadTheState();
    return false;
  }
  LoadTheState();
  return true;
}

std::int32_t GetExtStimPath() {
  const T3Types::AmplifierState& state = T3Types::State;
  if (state.TestDacPath == 3) return 1;
  const double scale = InCurrentClamp() ? state.CCStimScale : state.StimScale;
  return scale != 0.0 ? 2 : 0;
}

std::int32_t SetExtStimPath(double scale, std::int32_t path) {
  T3Types::AmplifierState& state = T3Types::State;
  if (path > 2 || path < 0 || (path == 1 && !T3Base::IsTlv3N)) path = 0;
  if (path == 0) {
    SetTestDacPath(0);
    SetStimScale(0.0);
    SetCCStimScale(0.0);
  } else {
    SetTestDacPath(path == 1 ? 3 : 0);
    if (InCurrentClamp()) {
      SetCCStimScale(scale * GetCCStimScale());
    } else {
      SetStimScale(scale);
    }
  }
  state.ExtStimPath = static_cast<std::uint8_t>(GetExtStimPath());
  return state.ExtStimPath;
}

void SetTestRange(std::int32_t range) {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.Mode == kModeTest) {
    ApplyTestRange(range);
    return;
  }
  // RealTestGain indexes the injection capacitances with the request.
  if (range < 0 || range > 3) {
    RangeError();
    return;
  }
  ApplyTestRange(0);
  state.TestRange = static_cast<std::uint8_t>(range);
}

void SetTestDacPath(std::int32_t path) {
  if (path < 0 || path > 4) {
    RangeError();
    return;
  }
  T3Types::AmplifierState& state = T3Types::State;
  T3Set::StimSource(state.StimScale != 0.0 ? 1 : 0);
  T3Set::TestDacToProbeOut(false);
  T3Set::TestDacToOutputAmp(false);
  SetTestRange(state.TestRange);
  switch (path) {
    case 1:
      T3Set::TestDacToProbeOut(true);
      break;
    case 2:
      T3Set::TestDacToOutputAmp(true);
      break;
    case 3:
      T3Set::StimSource(2);
      break;
    case 4:
      state.TestDacPath = 4;
      SetTestRange(state.TestRange);
      break;
    default:
      break;
  }
  state.TestDacPath = static_cast<std::uint8_t>(path);
  state.ExtStimPath = static_cast<std::uint8_t>(GetExtStimPath());
}

std::int32_t GetStimDacOffset() {
  const T3Types::AmplifierState& state = T3Types::State;
  if (InCurrentClamp()) return Scale().CCStimDacOffset[std::min<std::size_t>(state.CCGain, 3)];
  return Scale().VCStimDacOffset;
}

double GetCCStimScale() {
  const T3Types::AmplifierState& state = T3Types::State;
  const double scale = Scale().CCStimScale[std::min<std::size_t>(state.CCRange, 1)];
  return state.Range == 0 ? 100.0 * scale : scale;
}

}  // namespace T3Panel
