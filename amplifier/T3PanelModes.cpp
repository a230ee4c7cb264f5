// Mode switching and current clamp, and the mode-switch templates.
#include <algorithm>
#include <cmath>
#include <span>
#include <string>

#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3PanelRules.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "foundation/Strings.h"

namespace T3Panel {

namespace {

constexpr std::int32_t kCCRange0Code = 2;
constexpr std::int32_t kCCRange1Code = 3;

bool Usable(double x) { return x != 0.0 && std::isfinite(x); }

// Step 4 of the mode switch: what test mode and voltage clamp share.
void EnterVoltageClampOrTest(std::uint8_t old) {
  T3Types::AmplifierState& state = T3Types::State;
  T3Types::BoardState& board = T3Base::BoardState;
  if (!T3Base::TesterMode) state.RsFraction = board.VCRsFraction;
  if (state.HasCCTracking) T3Set::CCTrackTau(0);
  double scale = state.StimScale;
  ApplyStimScale(scale);
  double vHold = state.VHold;
  if (state.HasCCFast) HoldingRule(vHold);
  CCCircuitSwitch(false);
  SetStimFilter(state.StimFilter);
  vHold = state.VHold;
  HoldingRule(vHold);
  SetFilter1(T3Base::TesterMode ? state.Filter1 : board.VCFilter1);
  SetGLeak(state.GLeak);
  if (old == kModeCurrentClamp) SetCSlowRange(state.SavedCSlowRange);
  T3Set::GentleSwitch(true);
}

// Step 5: into current clamp.
void EnterCurrentClamp() {
  T3Types::AmplifierState& state = T3Types::State;
  const std::int32_t range = state.HasHighCCGains && state.Range != 2 ? state.Range : 1;
  if (state.HasHighCCGains) state.RsOn = true;
  if (!T3Base::TesterMode) state.RsFraction = T3Base::BoardState.CCRsFraction;
  state.SavedCSlowRange = state.CSlowRange;
  T3Set::RsCompOn(false);
  T3Set::StimFilter(false);
  SetRange(range);
  SetCSlowRange(0);
  SetFilter1(2);
  SendGLeak(0.0);
  SetCCCFast(state.CCCFast);
  CCCircuitSwitch(true);
  T3Set::GentleSwitch(false);
  SetCCRange(state.CCRange, true);
  SetCCStimScale(state.CCStimScale);
  SetCCTrackHold(state.CCTrackHold);
}

// ---- Templates ----

// The fields a template changes and puts back.
struct Remembered {
  bool rsOn;
  double rsFraction;
  std::uint8_t filter1;
  std::uint8_t cSlowRange;
};

Remembered Remember() {
  const T3Types::AmplifierState& state = T3Types::State;
  return {state.RsOn, state.RsFraction, state.Filter1, state.CSlowRange};
}

void PutBack(const Remembered& remembered, std::uint8_t mode) {
  T3Types::AmplifierState& state = T3Types::State;
  state.Mode = mode;
  state.RsOn = remembered.rsOn;
  state.RsFraction = remembered.rsFraction;
  state.Filter1 = remembered.filter1;
  state.CSlowRange = remembered.cSlowRange;
  state.F1Bandwidth = F1BandwidthOf(state.Filter1);
  state.RsTau = RsTauOf(state);
}

std::int32_t CachedSamples() {
  std::int32_t samples = 0;
  std::span<const std::uint16_t> cache;
  std::uint16_t rest = 0;
  VrnlBoards::GetCache(samples, cache, rest);
  return samples;
}

// Voltage clamp from current clamp; the mark.
std::int32_t VoltageClampWords() {
  T3Types::AmplifierState& state = T3Types::State;
  const Remembered remembered = Remember();
  state.RsFraction = T3Base::BoardState.VCRsFraction;
  state.Mode = kModeVoltageClamp;
  T3Set::RsCompOn(false);
  T3Set::CCScale(0);
  double scale = state.StimScale;
  ApplyStimScale(scale);
  const std::int32_t mark = CachedSamples() - 3;
  CCCircuitSwitch(false);
  if (state.StimFilter != 0) SetStimFilter(state.StimFilter);
  if (T3Base::BoardState.VCFilter1 != state.Filter1) SetFilter1(T3Base::BoardState.VCFilter1);
  if (state.SavedCSlowRange != 0) SetCSlowRange(state.SavedCSlowRange);
  T3Set::GentleSwitch(true);
  SetCFastPair(state.CFast1, state.CFast2);
  T3Set::CSlowFractionDac(0);
  T3Set::RsCompDac(0);
  PutBack(remembered, kModeCurrentClamp);
  return mark;
}

// Current clamp from voltage clamp; the mark.
std::int32_t CurrentClampWords() {
  T3Types::AmplifierState& state = T3Types::State;
  const Remembered remembered = Remember();
  state.RsFraction = T3Base::BoardState.CCRsFraction;
  state.Mode = kModeCurrentClamp;
  if (state.HasHighCCGains) state.RsOn = true;
  T3Set::RsCompOn(false);
  if (state.StimFilter != 0) T3Set::StimFilter(false);
  if (state.CSlowRange != 0) SetCSlowRange(0);
  if (state.Filter1 != 2) SetFilter1(2);
  SetCCCFast(state.CCCFast);
  CCCircuitSwitch(true);
  T3Set::GentleSwitch(false);
  SetCCRange(state.CCRange, false);
  SetCFastPair(state.CFast1, state.CFast2);
  SetRsComp(state.RsFraction);
  const std::int32_t mark = CachedSamples() - 3;
  PutBack(remembered, kModeVoltageClamp);
  return mark;
}

// The first failed precondition's text, or nil.
const char* FailedPrecondition(std::uint8_t startingMode) {
  const T3Types::AmplifierState& state = T3Types::State;
  if (state.Mode != startingMode) {
    return startingMode == kModeCurrentClamp ? "Starting mode must be CC-mode."
                                             : "Starting mode must be VC-mode.";
  }
  if (state.Range != 1) return "Gain range must be medium.";
  if (state.CCGain > 1) return "CC-gain must be 0.1pA/mV or 1.0pA/mV.";
  if (state.GLeak != 0.0) return "Leak Comp. must be off.";
  if (state.CCTrackTau != 0) return "LFVC must be off.";
  return nullptr;
}

// The cached words into buffer so that the mark's sample lands at offset.
const char* Place(std::span<std::uint16_t> buffer, std::int32_t offset, std::int32_t length,
                  std::int32_t mark) {
  std::int32_t samples = 0;
  std::span<const std::uint16_t> cache;
  std::uint16_t rest = 0;
  VrnlBoards::GetCache(samples, cache, rest);
  const std::int32_t d = offset - mark;
  if (d < 0) return "Switch offset too small.";
  if (length < d + samples || static_cast<std::size_t>(length) > buffer.size()) {
    return "Stimulus too long.";
  }
  const auto first = buffer.begin();
  std::fill(first, first + length, rest);
  std::copy_n(cache.begin(), samples, first + d);
  return nullptr;
}

// Everything a template's words change, as of its opening flush.
struct Snapshot {
  T3Types::AmplifierState state = T3Types::State;
  T3Types::SwitchShadow shadow = T3Set::SwitchState;
  T3Types::BoardState board = T3Base::BoardState;
  T3Scale::ScaleRecord scale = T3Scale::Scale;

  void Restore() const {
    T3Types::State = state;
    T3Set::SwitchState = shadow;
    T3Base::BoardState = board;
    T3Scale::Scale = scale;
  }
};

// The words of a mode switch are computed as if sent, but only collected:
// they queue in the cache even with caching off, and never leave it.
bool MakeTemplate(std::uint8_t startingMode, std::int32_t (*words)(),
                  std::span<std::uint16_t> buffer, std::int32_t offset, std::int32_t length,
                  std::span<char> message) {
  Strings::Clear(message);
  if (const char* failed = FailedPrecondition(startingMode)) {
    Strings::Assign(message, std::span<const char>(failed, std::char_traits<char>::length(failed)));
    return false;
  }
  VrnlBoards::FlushCache();
  const Snapshot snapshot;
  bool cacheOn = false;
  bool protocolOn = false;
  VrnlBoards::GetProperties(cacheOn, protocolOn);
  VrnlBoards::SetProperties(true, protocolOn);
  const std::int32_t mark = words();
  const char* failed = Place(buffer, offset, length, mark);
  VrnlBoards::ClearCache();
  VrnlBoards::SetProperties(cacheOn, protocolOn);
  if (failed) {
    // A queued half of a switch would move the amplifier behind the
    // record at the next flush: nothing of it stays.
    snapshot.Restore();
    Strings::Assign(message, std::span<const char>(failed, std::char_traits<char>::length(failed)));
    return false;
  }
  return true;
}

}  // namespace

void CCGainRule() {
  T3Types::AmplifierState& state = T3Types::State;
  if (!InCurrentClamp()) return;
  if (state.Range != 0) {
    state.CCGain = state.CCRange == 1 ? 1 : 0;
  } else {
    state.CCGain = state.CCRange == 1 ? 3 : 2;
  }
}

void SendCCOffset() {
  T3Set::CCOffsetDac(T3Scale::Scale.CCOffsetDac[std::min<std::size_t>(T3Types::State.CCGain, 3)]);
}

void CCCircuitSwitch(bool on) {
  const std::int32_t range = T3Types::State.Range;
  if (on) ProbeSpeedRule(range, kModeCurrentClamp);
  T3Set::CCMode(on);
  if (!on) ProbeSpeedRule(range, kModeVoltageClamp);
}

std::int32_t SetMode(std::int32_t mode) {
  if (mode < 0 || mode > 2) {
    RangeError();
    return 0;
  }
  T3Types::AmplifierState& state = T3Types::State;
  T3Types::BoardState& board = T3Base::BoardState;
  const std::uint8_t old = state.Mode;
  if (old == kModeCurrentClamp) {
    board.CCRsFraction = state.RsFraction;
  } else {
    board.VCRsFraction = state.RsFraction;
  }
  if (mode != old) {
    SetRsOn(false);
    if (old == kModeCurrentClamp) T3Set::CCScale(0);
  }
  if (mode == kModeTest) state.TestRange = 2;
  state.Mode = static_cast<std::uint8_t>(mode);
  state.StimDacOffset = static_cast<std::int16_t>(GetStimDacOffset());
  SetTestRange(state.TestRange);
  if (mode == kModeCurrentClamp) {
    EnterCurrentClamp();
  } else {
    EnterVoltageClampOrTest(old);
  }
  SetCCTrackTau(state.CCTrackTau);
  SetCFastPair(state.CFast1, state.CFast2);
  SetRsSlow(state.RsSlow);
  SetRsComp(state.RsFraction);
  SetRsOn(state.RsOn);
  state.ExtStimPath = static_cast<std::uint8_t>(GetExtStimPath());
  if (mode == kModeTest) return state.ExtStimPath;
  Flush();
  return 0;
}

void SetCCRange(std::int32_t range, bool withHold) {
  T3Types::AmplifierState& state = T3Types::State;
  if (range == 0 && !state.HasCCRange0) range = 1;
  if (range == 1 && !state.HasCCRange1) range = 0;
  if (range < 0 || range > 1) {
    RangeError();
    return;
  }
  const std::int32_t code = range == 1 ? kCCRange1Code : kCCRange0Code;
  // The stimulus and holding follow the range from the side that keeps the
  // injected current small: after a switch up, before a switch down.
  if (!InCurrentClamp()) {
    T3Set::CCScale(code);
  } else if (range == 1) {
    state.CCRange = 1;
    SetCCStimScale(state.CCStimScale);
    if (withHold) SetCCIHold(state.CCIHold);
    T3Set::CCScale(code);
  } else {
    T3Set::CCScale(code);
    state.CCRange = 0;
    SetCCStimScale(state.CCStimScale);
    if (withHold) SetCCIHold(state.CCIHold);
  }
  state.CCRange = static_cast<std::uint8_t>(range);
  state.StimDacOffset = static_cast<std::int16_t>(GetStimDacOffset());
  CCGainRule();
  SendCCOffset();
}

void SetCCGain(std::int32_t gain) {
  T3Types::AmplifierState& state = T3Types::State;
  if ((gain == 3 || gain == 2) && !state.HasHighCCGains) gain = 1;
  if (gain == 1 && !state.HasCCRange1) gain = 0;
  if (gain == 0 && !state.HasCCRange0) gain = 1;
  const std::int32_t ccRange = gain == 1 || gain == 3 ? 1 : 0;
  const std::int32_t range = gain == 2 || gain == 3 ? 0 : 1;
  if (!InCurrentClamp()) {
    state.CCRange = static_cast<std::uint8_t>(ccRange);
    state.CCGain = static_cast<std::uint8_t>(gain >= 1 && gain <= 3 ? gain : 0);
    return;
  }
  // Gain 1 moves the gain range first, the others the current-clamp range.
  if (gain == 1 && state.Range != range) SetRange(range);
  if (state.CCRange != ccRange) SetCCRange(ccRange, true);
  if (gain != 1 && state.Range != range) SetRange(range);
  CCGainRule();
  SendCCOffset();
}

std::int32_t SetCCStimScale(double scale) {
  T3Types::AmplifierState& state = T3Types::State;
  const double f = GetCCStimScale();
  const double k = state.CCStimDacScale;
  if (!Usable(f * k) || !std::isfinite(scale)) {
    RangeError();
    return state.ExtStimPath;
  }
  double x = scale / (f * k);
  if (state.HasHighCCGains) x = std::fabs(x) < 1e-4 ? 0.0 : 1.0 / k;
  if (InCurrentClamp() && !ApplyStimScale(x)) return state.ExtStimPath;
  state.CCStimScale = x * f * k;
  state.ExtStimPath = static_cast<std::uint8_t>(GetExtStimPath());
  return state.ExtStimPath;
}

void SetCCIHold(double ampere) {
  T3Types::AmplifierState& state = T3Types::State;
  const double f = GetCCStimScale();
  if (!Usable(f) || !std::isfinite(ampere)) {
    RangeError();
    return;
  }
  double v = ampere / f;
  if (InCurrentClamp() && !HoldingRule(v)) return;
  state.CCIHold = v * f;
}

void SetCCCFast(bool on) {
  T3Types::AmplifierState& state = T3Types::State;
  if (InCurrentClamp()) {
    if (on) {
      SetCFastPair(state.CFast1, state.CFast2);
    } else {
      const double c1 = state.CFast1;
      const double c2 = state.CFast2;
      SetCFastPair(0.0, 0.0);
      state.CFast1 = c1;
      state.CFast2 = c2;
    }
  }
  state.CCCFast = on;
}

void SetCCSpeed(std::int32_t speed) {
  T3Types::AmplifierState& state = T3Types::State;
  if (!state.HasCCFast) {
    speed = 0;
  } else if (state.HasHighCCGains) {
    speed = 1;
  } else {
    T3Set::CCFastSpeed(speed != 0);
  }
  state.CCSpeed = static_cast<std::uint8_t>(speed);
}

void SetCCTrackHold(double volts) {
  T3Types::AmplifierState& state = T3Types::State;
  if (!state.HasCCTracking) {
    state.CCTrackHold = 0.0;
    return;
  }
  const double clipped = std::isfinite(volts) ? std::clamp(volts, -0.2047, 0.2047) : 0.0;
  const auto n = static_cast<std::int32_t>(std::lround(clipped * 10000.0));
  T3Set::CCTrackDac(2047 - n);
  state.CCTrackHold = n / 10000.0;
}

void SetCCTrackTau(std::int32_t index) {
  T3Types::AmplifierState& state = T3Types::State;
  if (state.HasCCTracking) {
    T3Set::CCTrackTau(InCurrentClamp() ? index : 0);
  } else {
    index = 0;
  }
  state.CCTrackTau = static_cast<std::uint8_t>(index);
}

void SetCCOffset(std::int32_t value) {
  T3Set::CCOffsetDac(value);
  T3Scale::Scale.CCOffsetDac[std::min<std::size_t>(T3Types::State.CCGain, 3)] =
      static_cast<std::uint16_t>(value);
}

bool MakeVCModeSwitchTemplate(std::span<std::uint16_t> buffer, std::int32_t offset,
                              std::int32_t length, std::span<char> message) {
  return MakeTemplate(kModeCurrentClamp, VoltageClampWords, buffer, offset, length, message);
}

bool MakeCCModeSwitchTemplate(std::span<std::uint16_t> buffer, std::int32_t offset,
                              std::int32_t length, std::span<char> message) {
  return MakeTemplate(kModeVoltageClamp, CurrentClampWords, buffer, offset, length, message);
}

}  // namespace T3Panel
