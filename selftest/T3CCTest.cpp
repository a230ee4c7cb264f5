#include "selftest/T3CCTest.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <span>
#include <string_view>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "foundation/RealTime.h"
#include "numerics/BinSearch.h"
#include "numerics/LinSearch.h"
#include "selftest/Protocol.h"
#include "selftest/T3Generator.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3TestProbe.h"
#include "selftest/T3Tester.h"
#include "selftest/T3TesterSteps.h"
#include "selftest/TestBase.h"
#include "selftest/TestIO.h"
#include "shell/Mouse.h"

namespace T3CCTest {

namespace {

using namespace T3Tester::Steps;
using Protocol::MeasuredValue;

constexpr std::uint16_t kCCGain0 = 0x10;
constexpr std::uint16_t kCCGain1 = 0x20;
constexpr std::uint16_t kHighCCGains = 0x80;

constexpr double kFast = 5e-6;
constexpr int kScaleLatch = 24;
constexpr int kStageLatch = 32;
constexpr int kModeLatch = 33;

// The switch time courses: 32 samples, the strobe at sample 10.
constexpr std::int32_t kCourseSamples = 32;
constexpr std::int32_t kCourseStrobe = 10;
using Course = std::array<std::int16_t, kCourseSamples>;

ProbeOffsetProc probeOffset = nullptr;

bool Has(std::uint16_t bits) { return (T3Base::HardwareVersion & bits) != 0; }

double UnitsPerVolt(std::int32_t adc) { return ZRVBase::AdcUnitsPerVolt[adc]; }

void SendLatch(std::int32_t address, std::int32_t value) {
  T3Set::Set4Switches(address, value);
  T3Set::SendSwitchValue(address);
}

void SetLatchBit(std::int32_t address, std::int32_t bit, bool on) {
  T3Set::Set1Switch(address, bit, on);
  T3Set::SendSwitchValue(address);
}

// The data byte strobed into latch pair 32/33 at `strobe` while the adc is
// sampled; without reset the amplifier stays as the byte left it.
bool TimeCourse(std::int32_t data, std::int32_t adc, double interval, Course& course, bool reset = true,
                std::int32_t strobe = kCourseStrobe) {
  const bool played = T3Generator::SwitchTimeCourse(kStageLatch, strobe, data, adc, interval, kCourseSamples, course);
  if (reset) ResetCCMode();
  return played;
}

// A further value of a group of gains on the report's line: a new line and
// the blanks that put it under the first.
void NextGainLine(int blanks) {
  Protocol::WriteLn();
  for (int k = 0; k < blanks; ++k) Protocol::WriteString(" ");
}

// The step response's time constant into step value 1 and its base (as a
// share of the amplitude) into `base`.
void StepResponse(CurrentClampResults& group, std::int32_t dac, std::int32_t adc, double interval, double& base) {
  double tau = 0.0;
  double amplitude = 0.0;
  T3Measure::TimeConstant(dac, adc, 0.1, interval, 1, tau, amplitude, base, true, true);
  group.CCStepResponse[0].Value = tau;
}

void WriteStepResponse(const CurrentClampResults& group) {
  Protocol::WriteRealValue(group.CCStepResponse[0]);
  Protocol::WriteLn();
  Protocol::WriteGain(group.CCStepResponse[1]);
}

bool GetCCTransferGain(CurrentClampResults& group, int gain) {
  const Channels c = Board();
  const bool high = Has(kHighCCGains);
  if (high) {
    T3Panel::SetMux(14);
    T3Panel::SetCCGain(gain);
    T3Set::CCOffsetDac(2047);
    T3Set::HFCompSwitches(0);
  } else {
    T3Panel::SetMux(9);
    ResetCCMode();
    if (gain > 1) return false;
    T3Set::CCScale(gain);
  }
  return GetTransfer(c.stimDac, c.muxAdc, group.CCGains[gain], 1, !high, false, true);
}

// The tracking test's time constants: label, time limit (s) and voltage
// limit (V).
struct TrackingStep {
  std::string_view label;
  double seconds;
  double volts;
};
constexpr std::array<TrackingStep, TestResultsBlock::kCCTrackingValues> kTrackingSteps = {{
    {"   TauOff: ", 2, 0.5},
    {"   Tau1:   ", 5, 0.5},
    {"   Tau3:   ", 10, 0.2},
    {"   Tau10:  ", 10, 0.2},
    {"   Tau30:  ", 20, 0.2},
    {"   Tau100: ", 40, 0.2},
}};

// The drift of multiplexer 10 after the hold steps to 0.1 V, in V/s.
double TrackingDrift(const TrackingStep& step, std::int32_t adc) {
  const double s0 = T3AD::ReadAdcReal(adc, true);
  const RealTime::TimeSeconds t0 = RealTime::GetTime();
  double v = s0;
  double elapsed = 0.0;
  do {
    Mouse::SetWaitCursor();
    v = T3AD::ReadAdcReal(adc, true);
    elapsed = RealTime::GetTime() - t0;
  } while (std::fabs(s0 - v) < step.volts && elapsed < step.seconds);
  return (s0 - v) / elapsed;
}

void WriteWord(std::string_view text, std::int32_t value, int width) {
  TestIO::WriteString(text);
  TestIO::WriteInt(value, width);
}

constexpr std::array<std::string_view, 4> kGainLabels = {" CC1pA", " CC10pA", " CC100pA", " CC1000pA"};

void GainHeading(int gain) {
  T3Panel::SetCCGain(gain);
  T3Set::HFCompSwitches(0);
  TestIO::WriteLn();
  TestIO::WriteString(kGainLabels[static_cast<std::size_t>(gain)]);
  TestIO::WriteLn();
}

double MeanOffTarget(std::int32_t adc, double target) {
  double mean = 0.0;
  double rms = 0.0;
  T3Measure::MeanAndRms(adc, 1e-4, 1000, mean, rms, true);
  return mean - target;
}

// The old boards' stimulus DAC offsets of CC scale x1 and x10: the words at
// which the stage's voltage monitor settles through 0.
void OldCCStimOffsets() {
  const Channels c = Board();
  T3Panel::SetTestDacPath(1);
  T3AD::SetDacReal(c.testDac, 0, true);
  if (probeOffset != nullptr) probeOffset();
  T3Panel::SetMux(10);
  std::int32_t w = 0;
  struct OldScale {
    std::string_view label;
    std::int32_t switches;
  };
  constexpr std::array<OldScale, 2> kScales = {{{" CCx1", 1}, {" CCx10", 3}}};
  for (std::size_t s = 0; s < kScales.size(); ++s) {
    TestIO::WriteString(kScales[s].label);
    TestIO::WriteLn();
    T3Set::CCScale(kScales[s].switches);
    // The stage driven from the stimulus DAC (latch 32 bit 2) with the
    // voltage clamp's switch open (latch 33 bit 1), the scale as just set
    // (latch 32 bit 3, latch 33 bit 0).
    const std::int32_t control = (T3Set::SwitchValueToSend(kStageLatch) & 0xD8) | 0x04;
    BinSearch::BinSearchState search{};
    BinSearch::Init(-3200, 3200, 128, 1, search);
    w /= 10;
    Course course{};
    int tried = 0;
    do {
      T3AD::SetDac(c.stimDac, w, false);
      TimeCourse(control, c.muxAdc, 0.02, course, true, 11);
      const bool saturated = std::abs(course[30] / 2) > 14999;
      const bool below = saturated ? course[12] < 3 : course[30] < 3;
      ++tried;
      BinSearch::Next(w, below, search);
    } while (!search.Done && tried < 21);
    TestIO::WriteInt(tried, 4);
    TestIO::WriteString(" iterations");
    TestIO::WriteLn();
    T3Scale::Scale.CCStimDacOffset[s] = static_cast<std::int16_t>(w);
    WriteWord(" CCStimDacOffset = ", w, 6);
    TestIO::WriteString("   (");
    TestIO::WriteRealFixed(1000.0 * w / ZRVBase::DacUnitsPerVolt[c.stimDac], 6, 1);
    TestIO::WriteString(" mV)");
    TestIO::WriteLn();
  }
}

}  // namespace

void SetProbeOffsetProc(ProbeOffsetProc proc) { probeOffset = proc; }

void ResetCCMode() {
  T3Set::CCMode(false);
  T3Set::LowGainCClamp(false);
  T3Set::ProbeSpeed(false);
}

bool PauseAborted(std::int32_t adc, const std::int16_t* buffer) {
  if (TestBase::WriteState && Protocol::WriteStateProc != nullptr) Protocol::WriteStateProc();
  if (!TestBase::Pausing) return false;
  if (TestBase::DataPlotting) {
    const double range = 5 * UnitsPerVolt(adc);
    T3TestGraphics::PlotData(-range, range, kCourseSamples, std::span<const std::int16_t>(buffer, kCourseSamples),
                             true);
  }
  return T3TestGraphics::Abort(true);
}

bool GetTransfer(std::int32_t dac, std::int32_t adc, TransferValues& values, double x, bool dc, bool testDacOff,
                 bool muxToAdc) {
  if (dc) {
    T3AD::SetDacReal(dac, 0, testDacOff);
    Wait(0.1);
    MeanAndNoise(adc, values.Offset.Value, values.Noise.Value, muxToAdc);
    T3AD::SetDacReal(dac, x, testDacOff);
    Wait(0.1);
    double mean = 0.0;
    MeanAndNoise(adc, mean, values.Noise.Value, muxToAdc);
    values.Gain.Value = (mean - values.Offset.Value) / x;
  } else {
    MeanAndNoise(adc, values.Offset.Value, values.Noise.Value, muxToAdc);
    values.Gain.Value = T3Measure::Gain(dac, adc, x, testDacOff, muxToAdc);
  }
  if (muxToAdc) T3Tester::CorrectGainAndOffset(values);
  Protocol::WriteTransfer(values);
  return T3Tester::TestSignal(dac, adc, 1, kFast, 1);
}

bool GetCCTransfer(CurrentClampResults& group) {
  Protocol::PutString("CCGains");
  T3Panel::SetMode(2);
  struct Present {
    int gain;
    std::uint16_t bit;
  };
  constexpr std::array<Present, 4> kGains = {{{0, kCCGain0}, {1, kCCGain1}, {2, kHighCCGains}, {3, kHighCCGains}}};
  for (const Present& p : kGains) {
    if (Has(p.bit) && !GetCCTransferGain(group, p.gain)) return false;
  }
  return true;
}

bool TrueCCOption(CurrentClampResults& group) {
  const Channels c = Board();
  T3Set::InitHardware();
  Protocol::PutString("CC FeedThru");
  T3Panel::SetMux(10);
  T3Set::Set1Switch(kScaleLatch, 1, false);
  T3Set::Set1Switch(kScaleLatch, 3, true);
  T3Set::SendSwitchValue(kScaleLatch);
  SetLatchBit(kStageLatch, 3, true);
  T3Tester::GetAndWrite(c.stimDac, c.muxAdc, group.CCFeedThru, false, true);
  if (!T3Tester::TestSignal(c.stimDac, c.muxAdc, 5, kFast, 1)) return false;

  ResetCCMode();
  Protocol::PutString("CCStepResponse ");
  T3Panel::SetMux(15);
  T3Panel::SetTestDacPath(1);
  double base = 0.0;
  StepResponse(group, c.testDac, c.muxAdc, kFast, base);
  group.CCStepResponse[1].Value = 0.5 * base;
  WriteStepResponse(group);
  if (!T3Tester::TestSignal(c.testDac, c.muxAdc, 0.1, 5e-4, 20)) return false;

  T3Panel::SetTestDacPath(0);
  return GetCCTransfer(group);
}

bool FastCCOption(CurrentClampResults& group) {
  const Channels c = Board();
  T3Set::InitHardware();
  Protocol::PutString("CC FeedThru");
  T3Panel::SetTestDacPath(1);
  T3Panel::SetMux(9);
  T3Set::CCFastSpeed(true);
  T3Tester::GetAndWrite(c.testDac, c.muxAdc, group.CCFeedThru, true, true);
  if (!T3Tester::TestSignal(c.testDac, c.muxAdc, 5, kFast, 1)) return false;

  T3AD::SetDacReal(c.testDac, 0, true);
  Protocol::PutString("CCStepResponse ");
  T3Set::CCFastSpeed(false);
  SetLatchBit(kStageLatch, 3, true);
  T3Panel::SetMux(9);
  Wait(0.1);
  constexpr double kSlow = 0.002;
  double base = 0.0;
  StepResponse(group, c.testDac, c.muxAdc, kSlow, base);
  group.CCStepResponse[1].Value = -(0.5 * base);
  WriteStepResponse(group);
  if (!T3Tester::TestSignal(c.testDac, c.muxAdc, 0.1, 5e-4, 20)) return false;

  Protocol::PutString("CCVmon");
  T3Panel::SetMux(10);
  SendLatch(kModeLatch, 11);
  double vmonBase = 0.0;
  double tau = 0.0;
  double amplitude = 0.0;
  T3Measure::TimeConstant(c.testDac, c.muxAdc, 0.1, kSlow, 1, tau, amplitude, vmonBase, true, true);
  group.CCVmon.Value = -(0.5 * vmonBase / group.CCStepResponse[1].Value);
  Protocol::WriteGain(group.CCVmon);
  if (!T3Tester::TestSignal(c.testDac, c.muxAdc, 0.1, 5e-4, 20)) return false;

  Protocol::PutString("CCStimGain");
  T3Panel::SetMux(9);
  SetLatchBit(kStageLatch, 3, false);
  Wait(0.1);
  struct StimulusStep {
    double volts;
    std::int32_t data;
  };
  constexpr std::array<StimulusStep, 3> kSteps = {{{1.0, 48}, {1.0, 16}, {0.4, 0}}};
  group.CCStim[0].Value = 0;
  Course course{};
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    SendLatch(kModeLatch, 3);
    Wait(0.1);
    if (i > 0) NextGainLine(6);
    T3AD::SetDacReal(c.stimDac, kSteps[i].volts, false);
    TimeCourse(kSteps[i].data, c.muxAdc, kSlow, course);
    group.CCStim[i].Value = course[20] / (UnitsPerVolt(c.muxAdc) * kSteps[i].volts) - group.CCStim[0].Value;
    Protocol::WriteGain(group.CCStim[i]);
    if (PauseAborted(c.muxAdc, course.data())) return false;
  }
  return true;
}

bool OldCCAmplifier(CurrentClampResults& group) {
  const Channels c = Board();
  const double units = UnitsPerVolt(c.muxAdc);
  Protocol::PutString("CC FeedThru");
  T3Panel::SetTestDacPath(1);
  T3Tester::GetAndWrite(c.testDac, c.muxAdc, group.CCFeedThru, true, true);
  if (!T3Tester::TestSignal(c.testDac, c.muxAdc, 5, kFast, 0.1)) return false;

  Protocol::PutString("CCStepResponse ");
  T3Panel::SetTestDacPath(1);
  T3Panel::SetMux(9);
  constexpr std::size_t kBaseline = 5;
  std::array<std::size_t, 2> k = {12, 16};
  T3AD::SetDacReal(c.testDac, 1, true);
  T3Set::CCScale(0);
  constexpr double kInterval = 1e-4;
  constexpr std::int32_t kStepData = 4;
  Course course{};
  TimeCourse(kStepData, c.muxAdc, kInterval, course);
  for (std::size_t j = 0; j < 2; ++j) {
    group.CCStepResponse[j].Value = (course[k[j]] - course[kBaseline]) / units;
    Protocol::WriteLn();
    if (j == 1) TestIO::WriteString("                 ");
    Protocol::WriteRealValue(group.CCStepResponse[j]);
  }

  if (TestBase::Pausing && T3TestGraphics::DialogOpen()) {
    T3TestGraphics::Activate(true, false, true, false, false);
    for (;;) {
      TimeCourse(kStepData, c.muxAdc, kInterval, course);
      if (TestBase::DataPlotting) T3TestGraphics::PlotData(-5 * units, 5 * units, kCourseSamples, course, true);
      T3TestGraphics::WaitForInput();
      if (T3TestGraphics::DoAbort()) return false;
      if (T3TestGraphics::DoContinue()) break;
    }
    T3TestGraphics::Activate(false, false, false, false, false);
  }

  if (std::fabs(group.CCStepResponse[0].Value) > 2) {
    Protocol::PutString("### Short CC time constants? ###");
    k[1] = k[0];
    group.CCStepResponse[1] = group.CCStepResponse[0];
  }
  const double step2 = group.CCStepResponse[1].Value;
  const auto normalised = [&](double value) { return std::fabs(step2) > 0.1 ? value / step2 : value; };

  Protocol::PutString("CCVmon");
  T3AD::SetDacReal(c.testDac, 1, true);
  T3Panel::SetMux(10);
  SendLatch(kModeLatch, 10);
  TimeCourse(132, c.muxAdc, kInterval, course, false);
  SendLatch(kModeLatch, 2);
  group.CCVmon.Value = normalised((course[k[1]] - course[kBaseline]) / units);
  Protocol::WriteGain(group.CCVmon);
  if (PauseAborted(c.muxAdc, course.data())) return false;

  Protocol::PutString("CCStim");
  T3Panel::SetMux(9);
  T3AD::SetDacReal(c.testDac, 0, true);
  struct StimulusStep {
    std::int32_t scale;
    double volts;
    std::int32_t data;
  };
  constexpr std::array<StimulusStep, 3> kSteps = {{{0, 1.0, 4}, {1, 10.0, 12}, {3, 2.0, 28}}};
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    if (i > 0) NextGainLine(6);
    T3Set::CCScale(kSteps[i].scale);
    T3AD::SetDacReal(c.stimDac, kSteps[i].volts, false);
    TimeCourse(kSteps[i].data, c.muxAdc, kInterval, course);
    group.CCStim[i].Value = normalised((course[k[1]] - course[kBaseline]) / (units * kSteps[i].volts));
    Protocol::WriteGain(group.CCStim[i]);
    if (PauseAborted(c.muxAdc, course.data())) return false;
  }
  return true;
}

bool CCTrack(CurrentClampResults& group) {
  if (!Has(kTrueCCOption)) return true;
  if (!T3TestProbe::Request500MOhmResistor()) return false;
  const Channels c = Board();
  T3Set::InitHardware();
  T3Panel::SetCCTrackTau(0);
  T3Panel::SetCCTrackHold(0);
  T3Panel::SetCCGain(0);
  T3Panel::SetMode(2);
  T3Panel::SetMux(10);
  T3Set::HFCompSwitches(0);
  Protocol::PutString("CCTracking");
  const int last = std::min<int>(group.CCTrackMax, TestResultsBlock::kCCTrackingValues - 1);
  for (int i = 0; i <= last; ++i) {
    const TrackingStep& step = kTrackingSteps[static_cast<std::size_t>(i)];
    Protocol::WriteLn();
    Protocol::WriteString(step.label);
    T3Panel::SetCCTrackHold(0);
    T3Set::CCTrackTau(i == 0 ? 0 : 1);
    Wait(2);
    T3Set::CCTrackTau(i);
    T3Panel::SetCCTrackHold(0.1);
    Wait(0.01);
    MeasuredValue& drift = group.CCTracking[static_cast<std::size_t>(i)];
    drift.Value = TrackingDrift(step, c.muxAdc);
    Protocol::WriteRealValue(drift);
    if (!T3Tester::TestSignal(c.stimDac, c.muxAdc, 1, kFast, 1)) return false;
  }
  T3Set::CCTrackTau(0);
  T3Panel::SetCCTrackHold(0);
  T3Panel::SetMux(5);
  T3Panel::SetMode(1);
  T3Panel::SetCCTrackTau(0);
  return true;
}

bool CCStimOffsets() {
  if (Has(kTrueCCOption)) {
    NewCCStimOffsets(kCCOffsetTargetVolts);
  } else {
    OldCCStimOffsets();
  }
  return true;
}

void NewCCStimOffsets(double target) {
  const Channels c = Board();
  T3Set::InitHardware();
  T3Panel::SetMode(2);
  T3Panel::SetMux(14);
  for (int gain = 0; gain < 4; ++gain) {
    GainHeading(gain);
    LinSearch::LinSearchState search{};
    LinSearch::Init(0, 4095.000000000001, 256, 16, 256, search);
    double w = 2047;
    int tried = 0;
    do {
      const auto word = static_cast<std::int32_t>(w);
      T3Set::CCOffsetDac(word);
      Wait(0.1);
      const double error = MeanOffTarget(c.muxAdc, target);
      ++tried;
      LinSearch::Next(w, error, search);
      WriteWord("   ", word, 6);
      TestIO::WriteLn();
    } while (!search.Done && tried < 26);
    T3Measure::DataArrayInfo("Mean");
    const auto word = static_cast<std::int32_t>(w);
    T3Set::CCOffsetDac(word);
    WriteWord(" iterations:", tried, 3);
    TestIO::WriteLn();
    TestIO::WriteInt(word, 6);
    TestIO::WriteString("   ");
    TestIO::WriteRealFixed((w - 2048) * 0.15, 10, 1);
    TestIO::WriteString(" mV");
    TestIO::WriteLn();
    T3Scale::Scale.CCOffsetDac[static_cast<std::size_t>(gain)] = static_cast<std::uint16_t>(word);
  }
  T3Panel::SetMode(1);
}

void GetCCOffsetRange(double target) {
  const Channels c = Board();
  T3Panel::SetMode(2);
  T3Panel::SetMux(14);
  for (int gain = 0; gain < 4; ++gain) {
    GainHeading(gain);
    Wait(0.1);
    const double m0 = MeanOffTarget(c.muxAdc, target);
    T3Set::CCOffsetDac(0);
    Wait(0.1);
    const double low = MeanOffTarget(c.muxAdc, target);
    T3Set::CCOffsetDac(4095);
    Wait(0.1);
    const double high = MeanOffTarget(c.muxAdc, target);
    TestIO::WriteRealFixed(1000 * m0, 7, 1);
    TestIO::WriteString(" mV, range =");
    TestIO::WriteRealFixed(1000 * (high - low), 7, 1);
    TestIO::WriteString(" mV :");
    TestIO::WriteRealFixed(1000 * low, 7, 1);
    TestIO::WriteString(" -> ");
    TestIO::WriteRealFixed(1000 * high, 7, 1);
  }
  T3Panel::SetMode(1);
}

}  // namespace T3CCTest

namespace T3Tester {

bool CCTest(TestResultsBlock::CurrentClampResults& group) {
  T3Set::InitHardware();
  if (!CheckMux()) return false;
  if ((T3Base::HardwareVersion & T3CCTest::kTrueCCOption) != 0) return T3CCTest::TrueCCOption(group);
  if ((T3Base::HardwareVersion & T3CCTest::kFastCCOption) != 0) return T3CCTest::FastCCOption(group);
  const Steps::Channels c = Steps::Board();
  T3Set::InitHardware();
  T3Panel::SetTestDacPath(3);
  T3Panel::SetMux(10);
  T3Set::StimScaleDacs(255, 128);
  T3Panel::SetStimScale(0);
  T3Panel::SetStimFilter(1);
  T3AD::SetDac(c.stimDac, 0, false);
  return T3CCTest::OldCCAmplifier(group);
}

}  // namespace T3Tester
