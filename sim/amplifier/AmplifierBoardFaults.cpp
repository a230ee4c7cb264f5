#include "sim/amplifier/AmplifierBoardFaults.h"

namespace {

constexpr int kTSlowAmplitudeDac = 3;
constexpr std::uint16_t kTSlowSilent = 128;
constexpr int kProbeOffsetDac = 17;
constexpr std::uint16_t kMidScale = 2048;
constexpr int kRsDac = 23;
constexpr std::uint16_t kDac8 = 0xFF;
constexpr std::uint16_t kDac12 = 0xFFF;
constexpr int kCSlowStepLatch = 34;
constexpr int kCSlowStepHighLatch = 35;
constexpr int kCFastTauLatch = 36;
constexpr int kCompensationLatch = 38;  // bit 0: the G-leak switch
constexpr int kFilter2QLatch = 39;      // bit 0: high Q
constexpr int kTestCapacitorLatch = 42; // bit 3: the 10 pF test capacitor
constexpr std::uint16_t kNibble = 0xF;
constexpr int kFilter2OffsetDac = 6;
constexpr std::uint16_t kDac8MidScale = 128;
constexpr int kFilter2SourceLatch = 31;      // bit 3: the multiplexer
constexpr int kFilter2VmonSourceLatch = 44;  // bit 2: the voltage monitor
constexpr int kStimSourceLatch = 32;         // bits 0-1: the test DAC, the external input
// What is left of the auto-zero loop when it does not act.
constexpr double kDeadAutoZeroHz = 1e-4;

} // namespace

std::vector<HeldElement> HeldElements(const AmplifierBoardFaults &faults) {
  std::vector<HeldElement> held;
  if (faults.probe_offset_dac_dead)
    held.push_back({kProbeOffsetDac, kDac12, kMidScale});
  if (faults.t_slow_open)
    held.push_back({kTSlowAmplitudeDac, kDac8, kTSlowSilent});
  if (faults.rs_dac_dead)
    held.push_back({kRsDac, kDac12, 0});
  if (faults.filter2_mux_source_dead)
    held.push_back({kFilter2SourceLatch, 1u << 3, 0});
  if (faults.filter2_vmon_source_dead)
    held.push_back({kFilter2VmonSourceLatch, 1u << 2, 0});
  if (faults.filter2_offset_dac_dead)
    held.push_back({kFilter2OffsetDac, kDac8, kDac8MidScale});
  if (faults.stimulus_source_dead)
    held.push_back({kStimSourceLatch, 3u, 0});
  if (faults.g_leak_switch_stuck_off)
    held.push_back({kCompensationLatch, 1u << 0, 0});
  if (faults.filter2_high_q_dead)
    held.push_back({kFilter2QLatch, 1u << 0, 0});
  if (faults.test_10pF_open)
    held.push_back({kTestCapacitorLatch, 1u << 3, 0});
  if (const std::uint16_t open = faults.c_fast_tau2_open & kNibble)
    held.push_back({kCFastTauLatch, open, 0});
  if (const std::uint16_t open = faults.c_slow_open & kNibble)
    held.push_back({kCSlowStepLatch, open, 0});
  if ((faults.c_slow_open & 0x10) != 0)
    held.push_back({kCSlowStepHighLatch, 1u << 0, 0});
  return held;
}

AmplifierAnalogTruths FaultyTruths(AmplifierAnalogTruths truths,
                                   const AmplifierBoardFaults &faults) {
  for (std::size_t k = 0; k < truths.filter1_hz.size(); ++k)
    truths.filter1_hz[k] *= faults.filter1_corner[k];
  for (std::size_t k = 0; k < truths.output_gains.size(); ++k)
    truths.output_gains[k] *= faults.output_gain[k];
  if (faults.auto_zero_dead)
    truths.auto_zero_hz = kDeadAutoZeroHz;
  return truths;
}
