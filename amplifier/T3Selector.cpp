#include "amplifier/T3Selector.h"

#include <algorithm>
#include <cmath>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"

namespace T3Selector {

std::int32_t SelectorPosition = 0;
std::int32_t SelectorBoard = 0;
std::int32_t SelectorDacUnits = 0;
bool SelectorEEPROM = false;

namespace {

constexpr std::uint16_t kKeptOutputBits = 0x003F;
constexpr std::uint16_t kDacWord = 0x0080;
constexpr double kUnitsPerVolt = 10240.0;
constexpr std::int32_t kZeroUnits = 2048;

void Send(std::uint16_t word) {
  if (!T3Set::SendToHardware) return;
  word = static_cast<std::uint16_t>((word & ~kKeptOutputBits) |
                                    (ZRVBase::DigitalOutState & kKeptOutputBits));
  VrnlBoards::SendToTlv2Port(T3Types::State.SelectorPortChannel, word);
}

std::uint16_t Field(std::int32_t value, int shift, std::int32_t mask) {
  return static_cast<std::uint16_t>((value & mask) << shift);
}

// The pipette offset DAC's value as the panel last computed it; a scale
// without a usable DAC law counts as no offset.
std::int32_t PipetteOffsetUnits() {
  const T3Scale::ScaleRecord& scale = T3Scale::Scale;
  const T3Types::AmplifierState& state = T3Types::State;
  if (scale.VpOffsetScale == 0.0 || !std::isfinite(scale.VpOffsetScale)) return kZeroUnits;
  const double a = state.VpOffset + scale.VpOffsetZero / scale.VpOffsetScale +
                   scale.VpOffsetCorr[std::min<std::size_t>(state.Range, 2)];
  const double f = std::round(a * scale.VpOffsetScale);
  return std::isfinite(f) ? static_cast<std::int32_t>(std::clamp(f, 0.0, 65535.0)) : kZeroUnits;
}

}  // namespace

void ClipSelectorHold(double& volts) { volts = std::clamp(volts, -2.047, 2.048); }

void SetSelector(std::int32_t position) {
  if (position >= 1 && position <= T3Base::MaxSelectors) SetPosition(position);
}

void SetPosition(std::int32_t position) {
  const std::int32_t board = T3Types::State.Board;
  Send(Field(position - 1, 8, 0xF) | Field(board, 12, 0x3));
  SelectorPosition = position - 1;
  SelectorBoard = board;
}

void SetSelectorVHold(double volts) {
  if (T3Types::State.Selector == 0) return;
  double target = volts + (PipetteOffsetUnits() - kZeroUnits) / kUnitsPerVolt;
  ClipSelectorHold(target);
  const auto units = static_cast<std::int32_t>(std::lround(kZeroUnits - kUnitsPerVolt * target));
  SelectorDacUnits = units;
  for (int nibble = 0; nibble < 3; ++nibble) {
    Send(kDacWord | Field(units >> (4 * nibble), 8, 0xF) | Field(nibble, 12, 0x3));
  }
  Send(kDacWord | Field(3, 12, 0x3));
}

}  // namespace T3Selector
