// The capacitance compensations: the two C-fast amplitude stages in the
// 10 pF and (where fitted) the 100 pF range, the C-fast time constants,
// the C-slow stages, the G-series time constants, the Rs fraction and the
// C-slow injection capacitors. Every stimulus comes from the stimulus DAC
// and is read on the multiplexer.
#include <array>
#include <span>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "selftest/Protocol.h"
#include "selftest/T3Tester.h"
#include "selftest/T3TesterSteps.h"

namespace T3Tester {

namespace {

using namespace Steps;
using TestResultsBlock::CFastCSlowResults;

constexpr double kFast = 5e-6;
constexpr int kTestDacAsStimulus = 3;

// One transfer from the stimulus DAC through the multiplexer, then the
// step point.
bool Transfer(const Channels& c, TransferValues& values, double interval, double scale) {
  GetAndWrite(c.stimDac, c.muxAdc, values, false, true);
  return TestSignal(c.stimDac, c.muxAdc, 5, interval, scale);
}

bool CFastAmp1Test(const Channels& c, std::span<TransferValues, 5> values) {
  T3Set::CFastAmp1Switches(0);
  T3Set::CFastAmp2Switches(0);
  T3Set::CFastAmp1Dac(0);
  T3Set::CFastAmp2Dac(0);
  if (!Transfer(c, values[0], kFast, 1)) return false;
  T3Set::CFastAmp1Dac(255);
  if (!Transfer(c, values[1], kFast, 1)) return false;
  T3Set::CFastAmp1Dac(0);
  T3Set::CFastAmp1Switches(1);
  if (!Transfer(c, values[2], kFast, 1)) return false;
  T3Set::CFastAmp1Switches(2);
  if (!Transfer(c, values[3], kFast, 1)) return false;
  T3Set::CFastAmp1Switches(4);
  GetAndWrite(c.stimDac, c.muxAdc, values[4], false, true);
  T3Set::CFastAmp1Switches(0);
  return TestSignal(c.stimDac, c.muxAdc, 5, kFast, 1);
}

bool CFastAmp2Test(const Channels& c, std::span<TransferValues, 6> values) {
  if (!Transfer(c, values[0], kFast, 1)) return false;
  T3Set::CFastAmp2Dac(255);
  if (!Transfer(c, values[1], kFast, 1)) return false;
  T3Set::CFastAmp2Dac(0);
  for (int k = 0; k < 4; ++k) {
    T3Set::CFastAmp2Switches(1 << k);
    if (!Transfer(c, values[static_cast<std::size_t>(k + 2)], kFast, 1)) return false;
  }
  T3Set::CFastAmp2Switches(0);
  return true;
}

// The delay of a square wave's edge through the path and the step's
// amplitude and base, from ten averaged periods.
ExponentialValues MeasureDelay(const Channels& c, double volts) {
  constexpr std::int32_t kHalfPeriod = 40;
  constexpr std::int32_t kSamples = 1200;
  double amplitude = volts;
  ADMeasure::MakeSquareWave(ZRV::VoltsToDacUnits(c.stimDac, amplitude), kHalfPeriod, 14, ADMeasure::DataArray);
  double interval = kFast;
  T3AD::StimAndSample(c.stimDac, c.muxAdc, interval, ADMeasure::DataArray, ADMeasure::DataArray, kSamples, false,
                      true);
  ADMeasure::AverageCycles(kHalfPeriod, 10, ADMeasure::DataArray, ADMeasure::SumArray, ADMeasure::AvgArray);
  const std::array<std::int32_t, ADMeasure::SampleArrayLength>& sums = ADMeasure::SumArray;
  const double unitsPerVolt = ZRVBase::DacUnitsPerVolt[c.stimDac] * volts;
  ExponentialValues delay{};
  delay.Tau.Value = ADMeasure::DelayTime(sums, 0, kHalfPeriod, c.stimDac, c.muxAdc, interval);
  delay.Amp.Value = (sums[10] - sums[0]) / (unitsPerVolt * 10);
  delay.Base.Value = (sums[10] + sums[0]) / (unitsPerVolt * 20);
  return delay;
}

// The measured members into values, whose limits stay.
void Store(const ExponentialValues& measured, ExponentialValues& values) {
  values.Tau.Value = measured.Tau.Value;
  values.Amp.Value = measured.Amp.Value;
  values.Base.Value = measured.Base.Value;
}

bool CFastTaus(const Channels& c, std::span<ExponentialValues, 6> taus) {
  Protocol::PutString("CFastTaus");
  T3Panel::SetStimFilter(1);
  T3Panel::SetMux(0);
  Store(MeasureDelay(c, 10), taus[0]);
  Protocol::WriteExponential(taus[0]);
  if (!TestSignal(c.stimDac, c.muxAdc, 5, kFast, 0.1)) return false;
  T3Panel::SetMux(4);
  T3Set::CFastAmp2Switches(2);
  T3Set::CFastTau2Switches(0);
  const ExponentialValues reference = MeasureDelay(c, 5);
  for (std::size_t i = 1; i < taus.size(); ++i) {
    if (i == 1) {
      Store(reference, taus[i]);
      taus[i].Tau.Value -= taus[0].Tau.Value;
    } else {
      T3Set::CFastTau2Switches(1 << (i - 2));
      Store(MeasureDelay(c, 5), taus[i]);
      taus[i].Tau.Value -= reference.Tau.Value;
    }
    Protocol::WriteExponential(taus[i]);
    if (!TestSignal(c.stimDac, c.muxAdc, 5, kFast, 0.2)) return false;
  }
  T3Set::CFastAmp2Switches(0);
  return true;
}

bool CSlowStages(const Channels& c, std::span<TransferValues, 6> stages) {
  Protocol::PutString("CSlow");
  T3Panel::SetStimFilter(0);
  T3Panel::SetMux(3);
  T3Set::GSeriesDac(4095);
  T3Set::GSeriesSwitches(5);
  T3Set::CSlowDac(4095);
  T3Set::CSlowSwitches(0);
  for (std::size_t i = 0; i < stages.size(); ++i) {
    if (i > 0) {
      T3Set::CSlowSwitches(1 << (i - 1));
      T3Set::CSlowDac(0);
    }
    if (!Transfer(c, stages[i], 1e-5, 1)) return false;
  }
  return true;
}

// The time constant of the step response, tau 0 when no decay was found.
void Decay(const Channels& c, double volts, double interval, ExponentialValues& values) {
  if (!TimeConstant(c.stimDac, c.muxAdc, volts, interval, 1, false, true, values)) values.Tau.Value = 0;
  Protocol::WriteExponential(values);
}

bool GSeriesAndRsFactor(const Channels& c, CFastCSlowResults& group) {
  struct Step {
    double interval;
    int switches;
  };
  constexpr std::array<Step, 4> kSteps = {{{5e-6, 0}, {1.5e-5, 4}, {5e-5, 1}, {5e-4, 2}}};
  Protocol::PutString("GSeries");
  T3Set::GSeriesDac(410);
  T3Set::CSlowSwitches(1);
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    T3Set::GSeriesSwitches(kSteps[i].switches);
    Decay(c, 8, kSteps[i].interval, group.GSeries[i]);
    if (!TestSignal(c.stimDac, c.muxAdc, 5, 2e-5, 0.5)) return false;
  }
  Protocol::PutString("Rs factor");
  T3Set::CSlowFractionDac(85);
  Decay(c, 3, 1e-4, group.RsFactor);
  if (!TestSignal(c.stimDac, c.muxAdc, 5, kFast, 1)) return false;
  T3Set::CSlowFractionDac(0);
  return true;
}

bool InjectionCapacitors(const Channels& c, std::span<TransferValues, 6> values) {
  constexpr std::array<int, 6> kCapacitors = {1, 2, 4, 0, 5, 2};
  T3Panel::SetMux(4);
  T3Set::GSeriesSwitches(0);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i == 0) Protocol::PutString("CSlow to 1 pF");
    if (i == 3) {
      Protocol::PutString("CSlow to 10 pF");
      T3Panel::SetMux(2);
    }
    T3Set::CSlowInjCaps(kCapacitors[i]);
    if (!Transfer(c, values[i], kFast, 0.5)) return false;
  }
  T3Set::CSlowInjCaps(1);
  return true;
}

}  // namespace

bool CFastAndSlow(CFastCSlowResults& group) {
  T3Set::InitHardware();
  if (!CheckMux()) return false;
  const Channels c = Board();
  T3Panel::SetTestDacPath(kTestDacAsStimulus);
  Protocol::PutString("CFastAmp1_10pF");
  T3Panel::SetMux(4);
  if (!CFastAmp1Test(c, group.CFastAmp1_10pF)) return false;
  Protocol::PutString("CFastAmp2_10pF");
  if (!CFastAmp2Test(c, group.CFastAmp2_10pF)) return false;
  if (T3Types::State.HasCFastHigh) {
    T3Panel::SetCFastHigh(true);
    T3Panel::SetMux(2);
    Protocol::PutString("CFastAmp1_100pF");
    if (!CFastAmp1Test(c, group.CFastAmp1_100pF)) return false;
    Protocol::PutString("CFastAmp2_100pF");
    if (!CFastAmp2Test(c, group.CFastAmp2_100pF)) return false;
    T3Panel::SetCFastHigh(false);
  }
  return CFastTaus(c, group.CFastTaus) && CSlowStages(c, group.CSlow) && GSeriesAndRsFactor(c, group) &&
         InjectionCapacitors(c, group.CSlowToTest);
}

}  // namespace T3Tester
