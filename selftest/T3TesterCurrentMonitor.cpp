// The current-monitor block: the test signal from the probe through filter
// 1, the probe offset DAC, the slow time constants of the test circuit,
// the HF compensation, the probe-to-monitor gain, the output amplifier at
// every gain, the output filter, filter 2 and the clipping detector.
#include <array>
#include <limits>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "selftest/Protocol.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3Tester.h"
#include "selftest/T3TesterSteps.h"
#include "selftest/TestBase.h"

namespace T3Tester {

namespace {

using namespace Steps;
using TestResultsBlock::CurrentMonitorResults;

constexpr double kFastInterval = 5e-6;
constexpr double kChirpAmplitude = 3.0;
constexpr double kSettle = 0.02;

// Filter 1's reference curves for settings 1-3 (corner, Q).
constexpr std::array<std::array<double, 2>, 3> kFilter1References = {{{42000, 0.8}, {14000, 0.7}, {30000, 3.0}}};

void PlotAxes() {
  if (!TestBase::DataPlotting) return;
  T3TestGraphics::AxesForGainAndPhase(kChirpPoints, kFastInterval, 1, -3, -90, T3TestGraphics::TopWindow,
                                      T3TestGraphics::BottomWindow);
}

void PlotFilter1(const Chirp& chirp, int setting) {
  if (!TestBase::DataPlotting) return;
  if (setting > 0) {
    const auto& reference = kFilter1References[static_cast<std::size_t>(setting - 1)];
    T3TestGraphics::PlotReferenceGainAndPhase(1, reference[0], reference[1], T3TestGraphics::TopWindow,
                                              T3TestGraphics::BottomWindow);
  }
  T3TestGraphics::PlotGainAndPhase(chirp.n, Transfer(chirp), chirp.interval, T3TestGraphics::TopWindow,
                                   T3TestGraphics::BottomWindow);
}

// The 256-point chirp of the block at 3 V; FALSE when it saturated.
bool ChirpOf(Chirp& chirp, const Channels& c, double interval) {
  return Acquire(chirp, {c.testDac, c.muxAdc, kChirpAmplitude, interval, true, true, -270});
}

bool Filter1Response(CurrentMonitorResults& group, const Channels& c, Chirp& chirp) {
  T3Panel::SetMux(7);
  Protocol::PutString("Filter1 Response");
  T3Panel::SetFilter1(0);
  RiseTime(c.testDac, c.muxAdc, 5, kFastInterval, true, true, group.Filter1RiseTime);
  Protocol::WriteRisetime(group.Filter1RiseTime);
  for (int f = 0; f <= LastF1Filter(); ++f) {
    T3Panel::SetFilter1(f);
    GetAndWrite(c.testDac, c.muxAdc, group.Filter1Transfer[f], true, true);
    FrequencyResponseValues& response = group.Filter1Response[f];
    if (ChirpOf(chirp, c, kFastInterval)) {
      if (f > 0) {
        Corner(chirp, -270, 2000, response);
      } else {
        response.Q.Value = 0.5;
      }
      Minus3db(chirp, 5000, response.Fo.Value);
      PlotFilter1(chirp, f);
    } else {
      Unmeasured(response);
    }
    Protocol::WriteFQ(response);
    if (!TestSignal(c.testDac, c.muxAdc, 3, kFastInterval, 1)) return false;
  }
  return true;
}

void ProbeOffsetDac(CurrentMonitorResults& group, const Channels& c) {
  T3Panel::SetFilter1(2);
  Protocol::PutString("Probe Offset Dac");
  T3AD::SetDac(c.testDac, 0, true);
  SpanValues& span = group.ProbeOffsetDac;
  T3Set::ProbeOffsetDac(4095);
  Wait(kSettle);
  MeanAndNoise(c.muxAdc, span.Maximum.Value, span.Noise.Value, true);
  T3Set::ProbeOffsetDac(0);
  Wait(kSettle);
  MeanKeepingNoise(c.muxAdc, span.Minimum.Value, span.Noise.Value, true);
  T3Set::ProbeOffsetDac(2048);
  Wait(kSettle);
  MeanKeepingNoise(c.muxAdc, span.Offset.Value, span.Noise.Value, true);
  if (WideProbeOffset(span)) {
    const SpanValues& wide = group.ProbeOffsetDacWide;
    for (auto member : {&SpanValues::Maximum, &SpanValues::Minimum}) {
      (span.*member).Lower = (wide.*member).Lower;
      (span.*member).Upper = (wide.*member).Upper;
    }
  }
  Protocol::WriteSpan(span);
}

// One slow time constant of the test circuit into values.
void GetTau(const Channels& c, double interval, ExponentialValues& values) {
  const std::int32_t start = T3Types::State.ADBoard == ZRVBase::BoardQRN55 ? 3 : 2;
  Wait(0.01);
  TimeConstant(c.testDac, c.muxAdc, 3, interval, start, true, true, values);
  Protocol::WriteExponential(values);
}

bool SlowTau(CurrentMonitorResults& group, const Channels& c) {
  Protocol::PutString("Slow Tau");
  T3Panel::SetFilter1(0);
  T3Set::TRangeSwitches(0);
  T3Set::TFastDacs(160, 64);
  GetTau(c, kFastInterval, group.SlowTau[0]);
  if (!TestSignal(c.testDac, c.muxAdc, 3, kFastInterval, 1)) return false;
  T3Set::TRangeSwitches(1);
  T3Set::TFastDacs(0, 255);
  GetTau(c, kFastInterval, group.SlowTau[1]);
  if (!TestSignal(c.testDac, c.muxAdc, 3, kFastInterval, 1)) return false;
  T3Set::TFastDacs(128, 255);
  T3Set::TRangeSwitches(0);
  T3Set::TSlowDacs(160, 64);
  GetTau(c, 4e-5, group.SlowTau[2]);
  if (!TestSignal(c.testDac, c.muxAdc, 3, 1e-5, 1)) return false;
  T3Set::TRangeSwitches(2);
  T3Set::TSlowDacs(0, 255);
  GetTau(c, 1e-4, group.SlowTau[3]);
  if (!TestSignal(c.testDac, c.muxAdc, 3, 2e-5, 1)) return false;
  T3Set::TSlowDacs(128, 255);
  return true;
}

struct HFStep {
  double amplitude;
  double scale;
};
constexpr std::array<HFStep, 3> kHFSteps = {{{10, 1}, {4, 5}, {0.4, 100}}};

bool HFComp(CurrentMonitorResults& group, const Channels& c) {
  Protocol::PutString("HF Comp");
  T3Panel::SetMux(15);
  T3Panel::SetFilter1(2);
  T3Set::HFCompDac(0);
  T3Set::GainTrimDac(1024);
  for (int s = 0; s < 3; ++s) {
    const HFStep& step = kHFSteps[static_cast<std::size_t>(s)];
    TransferValues& values = group.HFComp[s];
    T3Set::HFCompSwitches(s);
    Wait(0.2);
    MeanAndNoise(c.muxAdc, values.Offset.Value, values.Noise.Value, true);
    values.Gain.Value = SineGain(c.testDac, c.muxAdc, step.amplitude, kFastInterval, 100, 10, true, true);
    CorrectACGainAndOffset(values);
    Protocol::WriteTransfer(values);
    if (s > 0 && !TestSignal(c.testDac, c.muxAdc, 0.2 * step.amplitude, 1e-5, step.scale)) return false;
  }
  return true;
}

void HFGain(CurrentMonitorResults& group, const Channels& c, Chirp& chirp) {
  Protocol::PutString("HF ");
  T3Set::GainTrimDac(4095);
  T3Panel::SetFilter1(0);
  double& gain = group.HFGain.Value;
  if (Acquire(chirp, {c.testDac, c.muxAdc, 0.03, kFastInterval, true, true, -270})) {
    GainAt(chirp, 50000, gain);
    gain = ScaledHFGain(gain, group.HFComp[2].Gain.Value);
  } else {
    gain = std::numeric_limits<double>::quiet_NaN();
  }
  Protocol::WriteGain(group.HFGain);
  T3Panel::SetFilter1(2);
  T3Set::GainTrimDac(1024);
  T3Set::HFCompDac(1024);
  T3Set::HFCompSwitches(0);
}

bool OutputAmp(CurrentMonitorResults& group, const Channels& c) {
  T3Panel::SetTestDacPath(2);
  T3Panel::SetFilter1(0);
  Protocol::PutString("Output Amp");
  double amplitude = 5;
  for (int g = 0; g < 6; ++g) {
    TransferValues& values = group.OutputAmp[g];
    T3Panel::SetGain(g);
    values.Gain.Value = T3Measure::Gain(c.testDac, c.muxAdc, amplitude, true, true);
    Wait(0.1);
    MeanAndNoise(c.muxAdc, values.Offset.Value, values.Noise.Value, true);
    CorrectGainAndOffset(values);
    Protocol::WriteTransfer(values);
    if (!TestSignal(c.testDac, c.muxAdc, amplitude, 1e-5, 5 / amplitude)) return false;
    amplitude *= g == 2 ? 0.4 : 0.5;
  }
  return true;
}

bool OutputFilter(CurrentMonitorResults& group, const Channels& c, Chirp& chirp) {
  Protocol::PutString("Output Amp Filter");
  T3Panel::SetGain(0);
  for (int f = 0; f <= LastF1Filter(); ++f) {
    TransferValues& values = group.OutputAmpFilter[f];
    T3Panel::SetFilter1(f);
    Wait(kSettle);
    MeanAndNoise(c.muxAdc, values.Offset.Value, values.Noise.Value, true);
    const bool narrow = f == 2;
    if (ChirpOf(chirp, c, narrow ? 1e-5 : kFastInterval)) {
      GainAt(chirp, narrow ? 16666.7 : 66666.6, values.Gain.Value);
    } else {
      values.Gain.Value = std::numeric_limits<double>::quiet_NaN();
    }
    CorrectGainAndOffset(values);
    Protocol::WriteTransfer(values);
    if (!TestSignal(c.testDac, c.muxAdc, 3, kFastInterval, 1)) return false;
  }
  return true;
}

bool Filter2Path(CurrentMonitorResults& group, const Channels& c) {
  Protocol::PutString("Filter 2");
  T3Panel::SetFilter1(0);
  for (int j = 0; j < 3; ++j) {
    const bool throughMux = j == 0;
    const std::int32_t adc = throughMux ? c.muxAdc : c.imonAdc;
    if (j == 0) {
      T3Panel::SetMux(8);
      T3Set::Filter2HighQ(false);
    } else if (j == 1) {
      T3Panel::SetMux(14);
    } else {
      T3Set::Filter2HighQ(true);
    }
    Wait(kSettle);
    GetAndWrite(c.testDac, adc, group.Filter2[j], true, throughMux);
    if (!TestSignal(c.testDac, adc, 3, 1e-5, 1)) return false;
  }
  T3Set::Filter2HighQ(false);
  return true;
}

// Two readings in a row, the first only clearing the indicator.
bool ClipsAfterSettling() {
  T3Panel::IsClipping();
  Wait(kSettle);
  return T3Panel::IsClipping();
}

// From start, stepping by step, until the detector clips or the level
// passes the limit; the level reached.
double ClippingLevel(const Channels& c, double start, double step, double limit) {
  double volts = start;
  do {
    volts += step;
    T3AD::SetDacReal(c.testDac, volts, true);
    Wait(kSettle);
  } while (!ClipsAfterSettling() && (step > 0 ? volts <= limit : volts >= limit));
  return volts;
}

bool ClipsAtFullScale(const Channels& c, std::int32_t code) {
  T3AD::SetDac(c.testDac, code, true);
  Wait(kSettle);
  return T3Panel::IsClipping() && T3Panel::IsClipping();
}

void Clipping(CurrentMonitorResults& group, const Channels& c) {
  Protocol::PutString("Clipping");
  SpanValues& span = group.Clipping;
  T3Panel::SetGain(1);
  span.Maximum.Value = 2 * ClippingLevel(c, 4.9, 0.1, 7.5);
  span.Minimum.Value = 2 * ClippingLevel(c, -5, -0.1, -7.5);
  T3AD::SetDac(c.testDac, 0, true);
  T3Panel::SetGain(0);
  T3Set::HFCompDac(0);
  T3Panel::SetTestDacPath(1);
  span.Offset.Value = 0;
  if (ClipsAtFullScale(c, kFullScaleCode)) span.Offset.Value = 10;
  if (ClipsAtFullScale(c, -kFullScaleCode)) span.Offset.Value = -10;
  span.Noise.Value = 0;
  Protocol::WriteSpan(span);
  T3Panel::SetMux(5);
  T3Panel::SetTestDacPath(0);
}

}  // namespace

bool CurrentMonitor(CurrentMonitorResults& group) {
  T3Set::InitHardware();
  if (!CheckMux()) return false;
  const Channels c = Board();
  Chirp chirp{ChirpArray};
  MakeChirp(chirp);
  T3Panel::SetTestDacPath(1);
  PlotAxes();
  if (!Filter1Response(group, c, chirp)) return false;
  ProbeOffsetDac(group, c);
  if (!SlowTau(group, c) || !HFComp(group, c)) return false;
  HFGain(group, c, chirp);
  Protocol::PutString("Probe To IMon1");
  T3Panel::SetGain(0);
  T3Panel::SetMux(14);
  GetAndWrite(c.testDac, c.muxAdc, group.ProbeToIMon1, true, true);
  if (!TestSignal(c.testDac, c.muxAdc, 3, 1e-5, 1)) return false;
  if (!OutputAmp(group, c) || !OutputFilter(group, c, chirp) || !Filter2Path(group, c)) return false;
  Clipping(group, c);
  return true;
}

}  // namespace T3Tester
