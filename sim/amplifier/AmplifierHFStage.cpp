#include "sim/amplifier/AmplifierHFStage.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

constexpr int kFastTauDac = 0;
constexpr int kFastShareDac = 1;
constexpr int kSlowTauDac = 2;
constexpr int kSlowShareDac = 3;
constexpr int kHFCompDac = 18;
constexpr int kGainTrimDac = 19;
constexpr int kScaleLatch = 26;   // bit 2: the fast correction's long scale, bit 3: the slow one's
constexpr int kSwitchLatch = 27;  // bits 0-1: the derivative's switch
constexpr double kNoCorrection = 128.0;
// The scale defaults' codes (HF DAC, gain trim DAC) of each range.
constexpr std::array<std::array<double, 2>, 3> kDefaultCodes = {{{4095.0, 3055.0}, {475.0, 619.0}, {1024.0, 1480.0}}};
// The stage's own gain without feedback, which drives any input to the rail.
constexpr double kOpenLoopGain = 1e4;
// The shortest pole the derivative works on.
constexpr double kLeastPoleSeconds = 1e-7;

}  // namespace

AmplifierHFStage DecodeHFStage(const AmplifierHFTruths& truths, const AmplifierBoardElements& elements, int range) {
  AmplifierHFStage stage;
  if (!truths.on) return stage;
  const auto r = static_cast<std::size_t>(range);
  const double trim = elements.Element(kGainTrimDac);
  // The transresistance is the range's gain / the gain of the default codes.
  stage.transresistance = kDefaultCodes[r][1] / kDefaultCodes[r][0];
  stage.gain = trim > 0.0 ? elements.Element(kHFCompDac) / trim : kOpenLoopGain;
  stage.pole_seconds = truths.pole_seconds[r];
  const int selection = elements.Element(kSwitchLatch) & 3;
  if (selection == 1 || selection == 2) {
    stage.derivative_seconds =
        truths.derivative_seconds[static_cast<std::size_t>(selection - 1)] / std::max(trim, 1.0 / kOpenLoopGain);
  }
  const auto correction = [&](int share_dac, int tau_dac, double scale, double& share, double& seconds) {
    const double code = elements.Element(share_dac);
    if (code == kNoCorrection) return;
    const double t = std::max<double>(elements.Element(tau_dac), 1.0);
    share = (kNoCorrection - code) / (3.0 * t);
    seconds = scale * 255.0 / t;
  };
  correction(kFastShareDac, kFastTauDac, truths.fast_scale_seconds[elements.LatchBit(kScaleLatch, 2) ? 1 : 0],
             stage.fast_share, stage.fast_seconds);
  correction(kSlowShareDac, kSlowTauDac, truths.slow_scale_seconds[elements.LatchBit(kScaleLatch, 3) ? 1 : 0],
             stage.slow_share, stage.slow_seconds);
  return stage;
}

namespace {

// M = gain x + derivative dx/dt, x the input x the factor through a pole:
// with x' = (v - x) / tau, M = (gain - derivative / tau) x + derivative /
// tau v. The derivative works on no pole shorter than the stage's own.
AnalogCircuit Stage(const AmplifierHFStage& stage, double factor, double pole_seconds) {
  const double gain = factor * stage.gain;
  const double derivative = factor * stage.derivative_seconds;
  if (derivative != 0.0) pole_seconds = std::max(pole_seconds, kLeastPoleSeconds);
  AnalogCircuit main = AnalogCircuit::Gain(gain);
  if (pole_seconds > 0.0) {
    const double w = 1.0 / pole_seconds;
    main = AnalogCircuit::Linear({1, {-w}, {w}, {gain - derivative * w}, derivative * w});
  }
  std::vector<std::pair<double, double>> corrections;
  if (stage.fast_share != 0.0) corrections.emplace_back(stage.fast_share, stage.fast_seconds);
  if (stage.slow_share != 0.0) corrections.emplace_back(stage.slow_share, stage.slow_seconds);
  if (corrections.empty()) return main;
  const int n = static_cast<int>(corrections.size());
  AnalogCircuit::Block block{n, std::vector<double>(static_cast<std::size_t>(n * n), 0.0),
                             std::vector<double>(static_cast<std::size_t>(n), 0.0),
                             std::vector<double>(static_cast<std::size_t>(n), 0.0), 1.0};
  for (int k = 0; k < n; ++k) {
    const auto [share, seconds] = corrections[static_cast<std::size_t>(k)];
    block.a[static_cast<std::size_t>(k * n + k)] = -1.0 / seconds;
    block.b[static_cast<std::size_t>(k)] = 1.0 / seconds;
    block.c[static_cast<std::size_t>(k)] = share;
  }
  return main.Then(AnalogCircuit::Linear(std::move(block)));
}

}  // namespace

AnalogCircuit HFStageCircuit(const AmplifierHFStage& stage) {
  return Stage(stage, stage.transresistance, stage.pole_seconds);
}

AnalogCircuit HFStageBehindProbe(const AmplifierHFStage& stage) { return Stage(stage, 1.0, 0.0); }
