// The multiplexer test, the transfer measurement and the corrections for
// the multiplexer's own transfer.
#include <cstdio>

#include "acquisition/VrnlBoards.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "selftest/Protocol.h"
#include "selftest/T3Tester.h"
#include "selftest/TestBase.h"
#include "selftest/TestIO.h"

namespace T3Tester {

namespace {

constexpr double kSettleSeconds = 0.1;
constexpr double kMeanInterval = 5e-5;
constexpr std::int32_t kMeanPoints = 512;
constexpr double kTransferAmplitude = 5.0;
constexpr double kLiveViewInterval = 5e-6;
constexpr std::uint16_t kMuxX64Option = 0x1;

// The channel-13 gain a sound multiplexer shows.
constexpr double kLowestMuxGain = 0.7;
constexpr double kHighestMuxGain = 1.4;

struct MuxStep {
  std::uint8_t channel;
  bool x64;
  double amplitude;
};

constexpr MuxStep kMuxSteps[4] = {{5, false, 8.0}, {5, true, 8.0}, {13, false, 8.0}, {13, true, 0.1}};

// Offset and noise of the ADC with the DAC at 0.
void MeasureOffsetAndNoise(std::int32_t dac, std::int32_t adc, TransferValues& values, bool testDacOff,
                           bool muxToAdc) {
  T3AD::SetDac(dac, 0, testDacOff);
  VrnlBoards::Wait(kSettleSeconds);
  T3Measure::MeanAndRms(adc, kMeanInterval, kMeanPoints, values.Offset.Value, values.Noise.Value, muxToAdc);
}

void WriteBoardHeading() {
  Protocol::PutString("MuxTransfer");
  if (!T3Base::IsTlv3N) return;
  char line[32];
  std::snprintf(line, sizeof line, "   board %d", T3Types::State.Board + 1);
  Protocol::PutString(line);
}

}  // namespace

bool Mux(std::span<TransferValues, 4> values, bool write) {
  if (write) WriteBoardHeading();
  T3Set::InitHardware();
  const std::int32_t testDac = T3Types::State.ExtStimDac;
  const std::int32_t muxAdc = T3Types::State.MuxAdc;
  for (std::size_t k = 0; k < values.size(); ++k) {
    const MuxStep& step = kMuxSteps[k];
    T3Panel::SetMux(step.channel);
    T3Panel::SetMuxGain(step.x64);
    const double scale = k == 3 && (T3Base::HardwareVersion & kMuxX64Option) != 0 ? 64 : 1;
    values[k].Gain.Value = T3Measure::Gain(testDac, muxAdc, step.amplitude, true, true);
    MeasureOffsetAndNoise(testDac, muxAdc, values[k], true, true);
    if (write) Protocol::WriteTransfer(values[k]);
    if (!TestSignal(testDac, muxAdc, step.amplitude, kLiveViewInterval, scale)) return false;
  }
  T3Panel::SetMux(5);
  const double gain13 = values[2].Gain.Value;
  if (gain13 >= kLowestMuxGain && gain13 <= kHighestMuxGain) return true;
  TestIO::WriteLn();
  TestIO::WriteString("StimDac to Mux: Gain should be 1.0; is ");
  TestIO::WriteReal(gain13, 10, 2);
  return false;
}

bool CheckMux() {
  const bool pausing = TestBase::Pausing;
  TestBase::Pausing = false;
  const bool passed = Mux(MuxTransfer, false);
  TestBase::Pausing = pausing;
  return passed;
}

void GetAndWrite(std::int32_t dac, std::int32_t adc, TransferValues& values, bool testDacOff, bool muxToAdc) {
  MeasureOffsetAndNoise(dac, adc, values, testDacOff, muxToAdc);
  values.Gain.Value = T3Measure::Gain(dac, adc, kTransferAmplitude, testDacOff, muxToAdc);
  if (muxToAdc) CorrectGainAndOffset(values);
  Protocol::WriteTransfer(values);
}

void CorrectGainAndOffset(TransferValues& values) {
  const double o5 = MuxTransfer[0].Offset.Value;
  const double o13 = MuxTransfer[2].Offset.Value;
  values.Gain.Value /= MuxTransfer[2].Gain.Value;
  values.Offset.Value -= o5 + values.Gain.Value * (o13 - o5);
}

void CorrectACGainAndOffset(TransferValues& values) {
  values.Gain.Value /= MuxTransfer[2].Gain.Value;
  CorrectMuxOffset(values.Offset.Value);
}

void CorrectMuxOffset(double& value) { value -= MuxTransfer[0].Offset.Value; }

}  // namespace T3Tester
