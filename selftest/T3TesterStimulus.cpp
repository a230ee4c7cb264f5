// The stimulus path: the buffer, the scaling, the stimulus DAC with its
// filter, the G-leak, V-ref, the Vp offset DAC, the 10 pF coupling, the
// series resistance and the Rs compensation. The current-clamp results
// between the stimulus filter and the G-leak belong to the current-clamp
// tests.
#include "amplifier/T3Base.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "selftest/Protocol.h"
#include "selftest/T3Tester.h"
#include "selftest/T3TesterSteps.h"

namespace T3Tester {

namespace {

using namespace Steps;
using TestResultsBlock::StimulusPathResults;

constexpr std::uint16_t kVrefX2Option = 0x4000;
constexpr double kFast = 5e-6;
constexpr int kTestDacAsStimulus = 3;
constexpr int kTestLatch = 27;

bool StimBufferAndScaling(StimulusPathResults& group, const Channels& c) {
  Protocol::PutString("Stim Buffer");
  T3Panel::SetMux(11);
  GetAndWrite(c.testDac, c.muxAdc, group.StimBuffer, true, true);
  if (!TestSignal(c.testDac, c.muxAdc, 3, kFast, 1)) return false;
  Protocol::PutString("Stim Scaling");
  T3Panel::SetTestDacPath(kTestDacAsStimulus);
  T3Panel::SetMux(10);
  T3Panel::SetStimFilter(0);
  for (int r = 0; r < 2; ++r) {
    T3Set::StimScaleDacs(255 * r, 128);
    GetAndWrite(c.testDac, c.muxAdc, group.StimScaling[r], true, true);
    if (!TestSignal(c.testDac, c.muxAdc, 3, kFast, 1)) return false;
  }
  return true;
}

bool StimDacAndFilter(StimulusPathResults& group, const Channels& c) {
  Protocol::PutString("Stim Dac And Filter");
  T3Panel::SetStimScale(0);
  for (int s = 0; s < 2; ++s) {
    T3Panel::SetStimFilter(s);
    GetAndWrite(c.stimDac, c.muxAdc, group.StimDacAndFilter[s], false, true);
    if (!TestSignal(c.stimDac, c.muxAdc, 3, kFast, 1)) return false;
  }
  Protocol::PutString("Stim Filter");
  Chirp chirp{ChirpArray};
  MakeChirp(chirp);
  for (int s = 0; s < 2; ++s) {
    FrequencyResponseValues& response = group.StimFilter[s];
    T3Set::StimFilter(s == 1);
    if (Acquire(chirp, {c.stimDac, c.muxAdc, 5, kFast, false, true, -270, true, "Saturation in Chirp.Acquire"})) {
      Corner(chirp, -90, 1000, response);
      Minus3db(chirp, 1000, response.Fo.Value);
    } else {
      Unmeasured(response);
    }
    Protocol::WriteFQ(response);
    if (!TestSignal(c.stimDac, c.muxAdc, 5, kFast, 1)) return false;
  }
  return true;
}

bool GLeak(StimulusPathResults& group, const Channels& c) {
  Protocol::PutString("G-Leak");
  T3Set::InitHardware();
  T3Panel::SetTestDacPath(2);
  T3Set::TestDacOutAmpShunt(true);
  T3Set::CCMode(false);
  T3Set::CCFastSpeed(false);
  T3Set::StimFilter(true);
  T3Panel::SetMux(14);
  for (int r = 0; r < 2; ++r) {
    const double amplitude = r == 0 ? 5 : 0.5;
    TransferValues& values = group.GLeak[r];
    T3Panel::SetGain(0);
    T3Set::GLeakDac(4095);
    T3Set::GLeakSwitch(r == 1);
    Wait(0.1);
    values.Gain.Value = T3Measure::Gain(c.stimDac, c.muxAdc, amplitude, false, true);
    MeanAndNoise(c.muxAdc, values.Offset.Value, values.Noise.Value, true);
    CorrectGainAndOffset(values);
    Protocol::WriteTransfer(values);
    if (!TestSignal(c.stimDac, c.muxAdc, amplitude, kFast, 5 / amplitude)) return false;
  }
  Protocol::PutString("G-Leak FeedThru");
  T3Panel::SetTestDacPath(1);
  T3Set::TestDacOutAmpShunt(false);
  T3Set::Set1Switch(kTestLatch, 2, false);
  T3Set::Set1Switch(kTestLatch, 3, false);
  T3Set::SendSwitchValue(kTestLatch);
  T3Panel::SetMux(14);
  T3Set::GLeakDac(0);
  T3Set::GLeakSwitch(true);
  group.GLeakFeedThru.Value = T3Measure::Gain(c.stimDac, c.muxAdc, 8, false, true);
  Protocol::WriteRealValue(group.GLeakFeedThru);
  return TestSignal(c.stimDac, c.muxAdc, 5, kFast, 0.1);
}

bool VrefAndOffset(StimulusPathResults& group, const Channels& c) {
  Protocol::PutString("V-ref");
  T3Panel::SetMux(0);
  GetAndWrite(c.stimDac, c.muxAdc, group.Vref, false, true);
  if (!TestSignal(c.stimDac, c.muxAdc, 5, kFast, 0.1)) return false;
  if ((T3Base::HardwareVersion & kVrefX2Option) != 0) {
    Protocol::PutString("V-ref_x2");
    T3Panel::SetMux(0);
    T3Set::VrefX2(true);
    GetAndWrite(c.stimDac, c.muxAdc, group.VrefX2, false, true);
    if (!TestSignal(c.stimDac, c.muxAdc, 5, kFast, 0.1)) return false;
    T3Set::VrefX2(false);
  }
  Protocol::PutString("Vp Offset Dac");
  SpanValues& span = group.VpOffsetDac;
  T3Set::VpOffsetDac(4095);
  Wait(0.1);
  MeanAndNoise(c.muxAdc, span.Maximum.Value, span.Noise.Value, true);
  T3Set::VpOffsetDac(0);
  Wait(0.1);
  MeanKeepingNoise(c.muxAdc, span.Minimum.Value, span.Noise.Value, true);
  T3Set::VpOffsetDac(2048);
  Wait(0.1);
  MeanKeepingNoise(c.muxAdc, span.Offset.Value, span.Noise.Value, true);
  Protocol::WriteSpan(span);
  Protocol::PutString("Stim to 10pF");
  T3Panel::SetMux(2);
  group.StimTo10pF.Value = T3Measure::Gain(c.stimDac, c.muxAdc, 8, false, true);
  Protocol::WriteGain(group.StimTo10pF);
  return TestSignal(c.stimDac, c.muxAdc, 5, kFast, 0.1);
}

bool SeriesResistance(StimulusPathResults& group, const Channels& c) {
  Protocol::PutString("R Series");
  T3Set::GainTrimDac(2048);
  T3Panel::SetMux(0);
  T3Panel::SetTestDacPath(1);
  T3Set::RsCompOn(true);
  T3Set::RsCompSlow(false);
  T3Set::RsCompSwitch(false);
  T3Set::RsCompDac(0);
  GetAndWrite(c.testDac, c.muxAdc, group.RSeries[0], true, true);
  if (!TestSignal(c.testDac, c.muxAdc, 5, kFast, 0.1)) return false;
  T3Set::RsCompDac(4095);
  T3Set::RsCompOn(false);
  GetAndWrite(c.testDac, c.muxAdc, group.RSeries[1], true, true);
  if (!TestSignal(c.testDac, c.muxAdc, 5, kFast, 0.1)) return false;
  T3Set::RsCompOn(true);
  GetAndWrite(c.testDac, c.muxAdc, group.RSeries[2], true, true);
  if (!TestSignal(c.testDac, c.muxAdc, 3, kFast, 0.1)) return false;
  TransferValues& switched = group.RSeries[3];
  T3Set::RsCompSwitch(true);
  Wait(0.02);
  MeanAndNoise(c.muxAdc, switched.Offset.Value, switched.Noise.Value, true);
  switched.Gain.Value = T3Measure::Gain(c.testDac, c.muxAdc, 0.5, true, true);
  CorrectGainAndOffset(switched);
  Protocol::WriteTransfer(switched);
  return TestSignal(c.testDac, c.muxAdc, 0.3, kFast, 0.5);
}

bool RsCompTau(StimulusPathResults& group, const Channels& c) {
  Protocol::PutString("Rs comp tau");
  for (int r = 0; r < 2; ++r) {
    ExponentialValues& values = group.RsCompTau[r];
    T3Set::RsCompSlow(r == 1);
    if (!TimeConstant(c.testDac, c.muxAdc, 0.5, r == 0 ? kFast : 1e-5, 1, true, true, values)) values.Tau.Value = 0;
    Protocol::WriteExponential(values);
    if (!TestSignal(c.testDac, c.muxAdc, 0.3, kFast, 20)) return false;
  }
  return true;
}

}  // namespace

bool StimulusPath(StimulusPathResults& group) {
  T3Set::InitHardware();
  if (!CheckMux()) return false;
  const Channels c = Board();
  T3Panel::SetTestDacPath(kTestDacAsStimulus);
  if (!StimBufferAndScaling(group, c) || !StimDacAndFilter(group, c) || !GLeak(group, c) ||
      !VrefAndOffset(group, c))
    return false;
  if (T3Panel::HasRefGainTrim()) return true;
  return SeriesResistance(group, c) && RsCompTau(group, c);
}

}  // namespace T3Tester
