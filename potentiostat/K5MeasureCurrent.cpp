// The current output amplifier and the current ranges.
#include <cmath>
#include <string>

#include "acquisition/VrnlBoards.h"
#include "potentiostat/K5Measure.h"
#include "potentiostat/K5MeasureHarness.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Protocol.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"
#include "selftest/Protocol.h"

namespace K5Measure {

namespace {

constexpr std::int32_t kPoints = 512;
constexpr double kInterval = 0.0002;
constexpr double kRangeInterval = 0.0005;
constexpr std::uint8_t kMuxZero = 9;

// The model cell of a current range: 100 ohm up to range 4, 10 kohm up to
// range 7, 1 Mohm beyond.
std::uint8_t ModelCellOfRange(int range) { return range <= 4 ? 1 : range <= 7 ? 2 : 3; }

// Pass 0: the current offset DAC nulls the current monitor.
void NullCurrentOffset(int range, double mean, double rms) {
  Protocol::OffsetDacValues& record = Results().CurrentOffsetDac[range];
  record.Offset.Value = mean;
  record.Noise.Value = rms;
  FindDacValue(State().CurrentAdcChannel, 0.0, K5Set::CurrentOffsetDac, kDac12, record.Dac.Value, record.Flag, false,
               0.1);
  Protocol::WriteOffsetDac(record);
  WritePausingIndex(range);
  if (record.Flag) Loc.CurrentOffsetDac[range] = static_cast<std::uint16_t>(std::lround(record.Dac.Value));
}

// Pass 1: the range's gain through its model cell over the nominal one; the
// highest output gain is driven through stimulus scale 2.
void MeasureCurrentGain(int range, std::uint8_t outputGain, std::uint8_t cell, double mean, double rms) {
  const auto r = static_cast<std::uint8_t>(range);
  const std::uint8_t scale = K5Panel::CurrOutAmplGainToFactor(outputGain) > 90.0 ? 2 : 0;
  SetStimDacScaleAndOffset(scale);
  const double expected = K5Panel::RealCurrentGain(r) / K5Panel::ModelCellToOhm(cell);
  const double gain =
      CorrectedGain(State().StimDacChannel, State().CurrentAdcChannel, 2.5 / expected, kRangeInterval, scale) /
      expected;
  Protocol::TransferValues& record = Results().CurrentOutFactor[range];
  Store(record, gain, mean, rms);
  Protocol::WriteTransfer(record);
  WritePausingIndex(range);
  SetInverse(Loc.CurrentOutFactor[r], 1.0, gain, "LocCurrentOutFactor[" + std::to_string(range) + "]");
  Loc.CurrentOutOffset[r] = -mean;
  SetStimDacScaleAndOffset(0);
}

}  // namespace

void CurrentOutputAmplifier() {
  if (!OpenTest("CurrentOutputAmplifier")) return;
  InitHardware(kMuxZero, 0, Loc.WorkElectrOffsetDac[0], Loc.CoAmpOffsetDac[1], Loc.CurrentOffsetDac[2],
               Loc.VoltageOffsetDac[0]);
  K5Set::Feedback(1);
  K5Set::TestDacPath(2);
  RunSteps(4, [](int g) {
    const auto gain = static_cast<std::uint8_t>(g);
    const double k = K5Panel::CurrOutAmplGainToFactor(gain);
    K5Set::CurrentOutputAmplifierGain(gain);
    VrnlBoards::Wait(0.1);
    const std::int32_t adc = State().CurrentAdcChannel;
    double mean = 0.0;
    double rms = 0.0;
    CorrectedMeanAndRms(adc, kInterval, kPoints, mean, rms);
    const double measured = CorrectedGain(State().TestDacChannel, adc, 5.0 / k, kInterval, 0);
    Protocol::TransferValues& record = Results().CurrentOutputAmplifier[g];
    Store(record, measured / k, mean / k, rms / k);
    Protocol::WriteTransfer(record);
    WritePausingIndex(g);
    return true;
  });
}

void CurrentRange() {
  const int first = K5Panel::MaxCurrentRange(State().Version);
  const int last = K5Panel::MinCurrentRange(State().Version);
  for (int pass = 0; pass < 2; ++pass) {
    if (!OpenTest(pass == 0 ? "CurrentOffsetDac" : "CurrentOutFactor")) return;
    if (pass == 0) {
      Loc.CurrentOffsetDac.fill(2047);
      Loc.CurrentOutFactor.fill(1.0);
      Loc.CurrentOutOffset.fill(0.0);
      InitHardware(kMuxZero, 0, Loc.WorkElectrOffsetDac[0], Loc.CoAmpOffsetDac[0], 2047, 2047);
      K5Set::CurrentFilter(1);
    }
    const bool completed = RunSteps(last - first + 1, [pass, first](int step) {
      const int range = first + step;
      if (range >= K5Protocol::kCurrentRanges) {
        RangeError();
        return false;
      }
      std::uint8_t feedback = 0;
      std::uint8_t outputGain = 0;
      K5Panel::CurrentRangeToFactors(static_cast<std::uint8_t>(range), feedback, outputGain);
      const std::uint8_t cell = ModelCellOfRange(range);
      K5Set::WorkElectrOffsetDac(Loc.WorkElectrOffsetDac[feedback]);
      K5Set::CoAmpOffsetDac(Loc.CoAmpOffsetDac[feedback]);
      K5Set::CurrentOffsetDac(pass == 0 ? 2047 : Loc.CurrentOffsetDac[static_cast<std::size_t>(range)]);
      K5Set::ControlBandwidth(4);
      K5Set::StimulusFilter(3);
      K5Set::ModelCell(cell);
      K5Set::Feedback(feedback);
      VrnlBoards::Wait(0.1);
      K5Set::CurrentOutputAmplifierGain(outputGain);
      VrnlBoards::Wait(0.1);
      double mean = 0.0;
      double rms = 0.0;
      CorrectedMeanAndRms(State().CurrentAdcChannel, kRangeInterval, kPoints, mean, rms);
      if (pass == 0) {
        NullCurrentOffset(range, mean, rms);
      } else {
        MeasureCurrentGain(range, outputGain, cell, mean, rms);
      }
      return true;
    });
    if (!completed) return;
  }
}

}  // namespace K5Measure
