// The probe test sequence with its operator requests: the input gain through
// the model circuit's 10 MOhm, then with the input shielded the common-mode
// rejection, the offsets, the probe output, the test capacitors, the noise
// spectra and the reference-gain trim.
#include "selftest/T3TestProbe.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "acquisition/ADMeasure.h"
#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "dialogs/Alert.h"
#include "foundation/TermIO.h"
#include "numerics/LinSearch.h"
#include "numerics/VectorInt.h"
#include "selftest/CText.h"
#include "selftest/Protocol.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3Tester.h"
#include "selftest/TestBase.h"
#include "selftest/TestIO.h"

namespace T3TestProbe {

namespace {

using Protocol::TransferValues;

constexpr double kMeanInterval = 5e-5;
constexpr std::int32_t kMeanPoints = 512;
constexpr int kAbort = 1;
constexpr int kMiddle = 2;
constexpr int kContinue = 3;
// Gain from the stimulus DAC to the current monitor.
constexpr double k10MOhmGain = 3.0;
constexpr double k500MOhmLeast = 0.05;
constexpr double kNothingConnected = 0.24;
// The probe output's share of the probe's input on the multiplexer.
constexpr double kProbeShare = 0.75;
constexpr double kTlvGain = 0.5;
constexpr double kTlv1Gain = 50.0;
constexpr int kMuxCommand = 0;
constexpr int kMuxProbe = 6;
constexpr int kMuxCurrentMonitor = 14;
constexpr int kTestIntoIntegrator = 4;
constexpr int kOnePicofarad = 2;
constexpr int kTenPicofarad = 3;
constexpr int kModeTest = 0;
constexpr int kVpSearchPasses = 16;
constexpr std::int32_t kVpSearchPoints = 1024;
constexpr std::int32_t kVpSearchSummed = 512;

struct Channels {
  std::int32_t stimDac;
  std::int32_t testDac;
  std::int32_t muxAdc;
  std::int32_t imonAdc;
};

Channels Board() {
  const T3Types::AmplifierState& s = T3Types::State;
  return {s.StimDac, s.ExtStimDac, s.MuxAdc, s.ImonAdc};
}

void Wait(double seconds) { VrnlBoards::Wait(seconds); }

double Mean(std::int32_t adc, double* noise = nullptr) {
  double mean = 0.0;
  double rms = 0.0;
  T3Measure::MeanAndRms(adc, kMeanInterval, kMeanPoints, mean, rms, true);
  if (noise != nullptr) *noise = rms;
  return mean;
}

std::string ModelCircuitName() { return T3Base::AmplKind > 2 ? "RV4" : "RV3"; }

// The amplifier and the selector position the request is for.
std::string AppendID(std::string text) {
  bool appended = false;
  if (T3Base::IsTlv3N) {
    text += " (" + std::to_string(T3Types::State.Board + 1) + ". amplifier";
    appended = true;
  }
  if (T3Base::MaxSelectors > 0) {
    text += (appended ? ", " : " (") + std::to_string(T3Types::State.Selector) + ". probe";
    appended = true;
  }
  if (appended) text += ")";
  return text;
}

std::string Paragraphs(const std::string& first, const std::string& second) {
  return first + Alert::LF + Alert::LF + second;
}

// One showing of a request; a box without an answer counts as Abort.
int Ask(const std::string& text, const std::string& middle) {
  Alert::Beep();
  const int button = Alert::Choice(CText(text.c_str()), "Abort", CText(middle.c_str()), "Continue", kContinue);
  return button == 0 ? kAbort : button;
}

bool Accepted() {
  ZRVBase::SpinCursor = true;
  Wait(0.05);
  return true;
}

// The square-wave gain: 10 cycles of 50-point half-periods at the
// interval, averaged, over the stimulus as the DAC makes it.
double MeasureGain(std::int32_t dac, std::int32_t adc, double interval, double amplitude, bool testDacOff,
                   bool muxToAdc) {
  constexpr std::int32_t kHalfPeriod = 50;
  constexpr std::int32_t kCycles = 10;
  constexpr std::int32_t kPoints = 1200;
  constexpr std::int32_t kWindow = 25;
  const std::int32_t units = ZRV::VoltsToDacUnits(dac, amplitude);
  ADMeasure::MakeSquareWave(units, kHalfPeriod, kCycles, ADMeasure::DataArray);
  T3AD::StimAndSample(dac, adc, interval, ADMeasure::DataArray, ADMeasure::DataArray, kPoints, testDacOff, muxToAdc);
  ADMeasure::AverageCycles(kHalfPeriod, kCycles, ADMeasure::DataArray, ADMeasure::SumArray, ADMeasure::AvgArray);
  const double peak = ADMeasure::PeakAmplitude(ADMeasure::AvgArray, kHalfPeriod, kWindow);
  return ZRV::AdcRealUnitsToVolts(adc, peak) / amplitude;
}

bool NothingConnected() { return RV3_SwitchGain() < kNothingConnected; }

void SetDefaultHFComp() {
  T3Set::HFCompDac(1024);
  T3Set::GainTrimDac(1024);
  T3Set::ProbeOffsetDac(2048);
  T3Set::TFastDacs(128, 255);
  T3Set::TSlowDacs(128, 255);
  T3Set::HFCompSwitches(0);
  T3Set::TRangeSwitches(0);
}

// Nulls the TLV 1 probe's input on the multiplexer with the pipette-offset
// DAC.
void DoAutoVpOffset(std::int32_t muxAdc) {
  LinSearch::LinSearchState search{};
  LinSearch::Init(0.0, 4095.000000000001, 10240.0 * 256, 1.0, 256.0, search);
  double value = 2048.0;
  T3Set::VpOffsetDac(static_cast<std::int32_t>(value));
  int passes = 0;
  while (!search.Done && passes < kVpSearchPasses) {
    double interval = 2e-5;
    T3AD::Sample(muxAdc, interval, IntArray, kVpSearchPoints, true);
    // The second half has settled after the last setting.
    const double error = -VectorInt::Sum(IntArray.data() + (kVpSearchPoints - kVpSearchSummed), kVpSearchSummed);
    LinSearch::Next(value, error, search);
    T3Set::VpOffsetDac(static_cast<std::int32_t>(std::trunc(value)));
    ++passes;
  }
  if (passes == kVpSearchPasses) {
    TermIO::WriteString("Error in VpOffset adjustment");
    TermIO::WriteLn();
  }
}

bool Abort() {
  TestBase::Aborted = true;
  return false;
}

// The input gain through the model circuit's 10 MOhm (repeated on "Try
// again"); FALSE in passed when it failed and the operator went on, FALSE
// as the result on abort.
bool InputTest(ProbeTestResults& p, bool tlv1Expected, bool& passed) {
  const Channels c = Board();
  T3Set::InitHardware();
  T3Panel::SetRange(0);
  Protocol::PutString("Input10M");
  TransferValues& input = p.Input10M;
  while (true) {
    p.IsTlv1Probe = false;
    T3Panel::SetMux(kMuxCommand);
    const double r0 = T3Measure::Gain(c.stimDac, c.muxAdc, 2.0, false, true);
    T3Panel::SetMux(kMuxProbe);
    Wait(0.2);
    const double m = Mean(c.muxAdc, &input.Noise.Value);
    T3AD::SetDacReal(c.stimDac, 0.0, false);
    double gain = -T3Measure::Gain(c.stimDac, c.muxAdc, 2.0, false, true) / (kProbeShare * r0);
    if (std::fabs(m) > 2.0) {
      p.IsTlv1Probe = true;
      DoAutoVpOffset(c.muxAdc);
    } else if (std::fabs(gain) > 10.0) {
      p.IsTlv1Probe = true;
    }
    if (p.IsTlv1Probe) {
      input.Offset.Value = -m;
      gain = -T3Measure::Gain(c.stimDac, c.muxAdc, 0.3, false, true) / (kProbeShare * r0);
      passed = tlv1Expected && std::fabs(gain - kTlv1Gain) < 10.0;
    } else {
      input.Offset.Value = -m / ((gain + 1.0) * kProbeShare);
      passed = !tlv1Expected && std::fabs(gain - kTlvGain) < 0.2;
    }
    input.Gain.Value = gain;
    Protocol::WriteTransfer(input);
    if (passed) return true;
    Alert::Beep();
    const int button = Alert::Choice(CText(tlv1Expected ? "Tlv1-Probe gain wrong:" : "TLV-Probe gain wrong:"), "Abort",
                                     "Try again", "Continue", kMiddle);
    if (button == kContinue) return true;
    if (button != kMiddle) return false;
  }
}

void CommonModeRejection(ProbeTestResults& p) {
  const Channels c = Board();
  T3Set::InitHardware();
  T3Panel::SetRange(0);
  T3Panel::SetMux(kMuxCurrentMonitor);
  T3Set::ProbeResistor(2);
  T3Set::LowGainCClamp(false);
  T3Set::ProbeSpeed(false);
  T3Panel::SetGain(3);
  Protocol::PutString("CMR");
  Wait(0.1);
  p.CMR.Offset.Value = Mean(c.muxAdc, &p.CMR.Noise.Value);
  T3AD::SetDacReal(c.stimDac, 2.0, false);
  Wait(0.1);
  const double m = Mean(c.muxAdc);
  p.CMR.Gain.Value = 133.3 * (m - p.CMR.Offset.Value) / 2.0;
  T3AD::SetDacReal(c.stimDac, 0.0, false);
  Protocol::WriteTransfer(p.CMR);
}

void Offsets(ProbeTestResults& p, int firstRange) {
  const Channels c = Board();
  Protocol::PutString("Offsets [mV]");
  T3Panel::SetMux(kMuxProbe);
  // Ranges 1 and 2 count from range 0's offset, which a TLV 1 probe leaves
  // unmeasured.
  if (firstRange > 0) p.Offsets[0].Value = 0.0;
  for (int r = firstRange; r <= 2; ++r) {
    T3Panel::SetRange(r);
    SetDefaultHFComp();
    Wait(0.1);
    double& offset = p.Offsets[r].Value;
    offset = -Mean(c.muxAdc) * 1000.0 / kProbeShare;
    if (r > 0) offset -= p.Offsets[0].Value;
    Protocol::WriteLn();
    Protocol::WriteRealValue(p.Offsets[r]);
  }
}

// How a test capacitor's transfer is measured in a gain range.
struct CapacitorDrive {
  double amplitude;
  std::int32_t gain;
  double scale;
  double nominal;
};
CapacitorDrive DriveOf(int range, double nominalLow) {
  return range == 2 ? CapacitorDrive{0.5, 0, 1.0, nominalLow * 1000.0} : CapacitorDrive{10.0, 3, 0.1, nominalLow};
}

void CapacitorOffset(int range, int testRange, const CapacitorDrive& d, TransferValues& values) {
  T3Panel::SetGain(d.gain);
  T3Panel::SetRange(range);
  if (testRange != 0) T3Panel::SetTestRange(testRange);
  SetDefaultHFComp();
  Wait(0.1);
  values.Offset.Value = Mean(Board().muxAdc, &values.Noise.Value) * d.scale;
  values.Noise.Value *= d.scale;
}

double CapacitorGain(int range, int averaged, const CapacitorDrive& d) {
  const Channels c = Board();
  if (range == 2) return MeasureGain(c.testDac, c.muxAdc, 1e-3, d.amplitude, true, true);
  double sum = 0.0;
  for (int k = 0; k < averaged; ++k) sum += T3Measure::Gain(c.testDac, c.muxAdc, d.amplitude, true, true);
  return sum / averaged;
}

constexpr double k1pFNominal = 7.5e-5;
constexpr double k10pFNominal = 7.5e-4;

bool Test1pF(ProbeTestResults& p, int firstRange) {
  Protocol::PutString("Test1pF");
  T3Panel::SetMux(kMuxProbe);
  T3Panel::SetTestRange(kOnePicofarad);
  T3Panel::SetTestDacPath(kTestIntoIntegrator);
  T3Panel::SetMode(kModeTest);
  double lastAmplitude = 0.0;
  for (int r = firstRange; r <= 2; ++r) {
    const CapacitorDrive d = DriveOf(r, k1pFNominal);
    CapacitorOffset(r, 0, d, p.Test1pF[r]);
    p.Test1pF[r].Gain.Value = CapacitorGain(r, r == 0 ? 16 : 1, d) / d.nominal;
    lastAmplitude = d.amplitude;
  }
  const Channels c = Board();
  for (int r = firstRange; r <= 2; ++r) {
    T3Panel::SetRange(r);
    SetDefaultHFComp();
    Protocol::WriteTransfer(p.Test1pF[r]);
    if (!T3Tester::TestSignal(c.testDac, c.muxAdc, lastAmplitude, 1e-4, r == 2 ? 5.0 : 0.05)) return false;
  }
  return true;
}

void Test10pF(ProbeTestResults& p) {
  Protocol::PutString("Test10pF");
  for (int r = 0; r <= 2; ++r) {
    const CapacitorDrive d = DriveOf(r, k10pFNominal);
    CapacitorOffset(r, kTenPicofarad, d, p.Test10pF[r]);
    p.Test10pF[r].Gain.Value = CapacitorGain(r, 1, d) / d.nominal;
    Protocol::WriteTransfer(p.Test10pF[r]);
  }
}

// The reference factor of the spectra: the 1 pF transfer against the
// input gain's. One outside 0.6 .. 1.5 (or none) is reported and taken as 1.
double ReferenceFactor(const ProbeTestResults& p) {
  double h = p.IsTlv1Probe ? p.Test1pF[1].Gain.Value / (10.0 * p.Input10M.Gain.Value) : p.Test1pF[0].Gain.Value / 5.05;
  if (!(h >= 0.6 && h <= 1.5)) {
    TestIO::WriteString(" Reference gain is off by a factor of ");
    TestIO::WriteRealFixed(h, 12, 2);
    TestIO::WriteLn();
    TestIO::WriteString(" Assuming a factor of 1.0 for computing spectra.");
    TestIO::WriteLn();
    h = 1.0;
  }
  return h;
}

// From the high range down to the first tested one, each repeated on
// Repeat while pausing; TRUE when the first tested range was reached.
bool NoiseLoop(ProbeTestResults& p, int firstRange) {
  Protocol::PutString("Noise");
  TestIO::WriteLn();
  T3Set::CFastAmp1Dac(0);
  T3Set::CFastAmp2Dac(0);
  T3Set::CFastAmp1Switches(1);
  T3Set::CFastAmp2Switches(0);
  const double h = ReferenceFactor(p);
  int n = 2;
  while (!T3TestGraphics::DoAbort()) {
    MeasureNoise(n, 1e-10 * h, TestBase::Pausing && n == 2, p);
    if (TestBase::Pausing) {
      T3TestGraphics::Activate(true, false, true, false, false);
      T3TestGraphics::WaitForInput();
      if (T3TestGraphics::DoAbort()) return false;
    }
    if (!TestBase::Pausing || T3TestGraphics::DoContinue()) {
      if (n == firstRange) return true;
      --n;
    }
  }
  return false;
}

void RefGainTrimStep(ProbeTestResults& p) {
  if (!T3Panel::HasRefGainTrim() || !RequestRefGainTrimDac()) return;
  DoAdjustRefGainTrimDac(false, p.RefGainTrim);
  Alert::OK("Please remove anything from the probe and shield the probe input.");
}

}  // namespace

double RV3_SwitchGain() {
  T3Set::InitHardware();
  Wait(0.01);
  const Channels c = Board();
  const double gain = MeasureGain(c.stimDac, c.imonAdc, 5e-4, 1.0, false, false);
  if (ADMeasure::TestWriteMode > 2) {
    TermIO::WriteLn();
    TermIO::WriteString("RV3_SwitchGain: ");
    TermIO::WriteRealFixed(gain, 8, 3);
  }
  return gain;
}

bool DoRequest10MOhmResistor(bool allowCancel) {
  std::string text = AppendID("Please connect the " + ModelCircuitName() +
                              " Model Circuit and set the switch to the 10 MOhm position") +
                     ".";
  std::string middle;
  while (true) {
    const int button = Ask(text, middle);
    if (button == kMiddle) return Accepted();
    if (button != kContinue) return false;
    if (RV3_SwitchGain() >= k10MOhmGain) return Accepted();
    text = Paragraphs("The switch does not seem to be in the 10 MOhm position.",
                      "Please set the switch to the 10 MOhm position:");
    if (allowCancel) middle = "Cancel";
  }
}

bool Request10MOhmResistor() { return DoRequest10MOhmResistor(false); }

bool Request500MOhmResistor() {
  std::string text = AppendID("Please connect the " + ModelCircuitName() +
                              " Model Circuit and set the switch to the 0.5 GOhm position") +
                     ".";
  while (Ask(text, "") == kContinue) {
    const double gain = RV3_SwitchGain();
    if (gain >= k500MOhmLeast && gain < k10MOhmGain) return Accepted();
    text = Paragraphs("The switch does not seem to be in the 0.5 GOhm position.",
                      "Please set the switch to the 0.5 GOhm position:");
  }
  return false;
}

bool RequestRemoveAndShield(bool announce, bool allProbes) {
  const std::string request = allProbes ? "Please remove anything from ALL probes and shield ALL probe inputs"
                                        : "Please remove anything from the probe and shield the probe input";
  std::string text = AppendID(request) + ":";
  if (announce) text = Paragraphs(text, "You will need the " + ModelCircuitName() + " Model Circuit shortly.");
  while (Ask(text, "") == kContinue) {
    if (NothingConnected()) return Accepted();
    text = Paragraphs(AppendID("Something seems to be connected to the probe input") + ". ", request);
  }
  return false;
}

void ProbeOut(ProbeTestResults& results) {
  static constexpr const char* kLabels[2] = {"-   0V:", "-   5V:"};
  const Channels c = Board();
  Protocol::PutString("ProbeOut");
  T3Set::InitHardware();
  T3Panel::SetRange(0);
  T3Panel::SetMux(kMuxProbe);
  for (int k = 0; k < 2; ++k) {
    ZRV::SetDacReal(c.stimDac, k == 0 ? 0.0 : 5.0);
    Wait(0.1);
    double& value = results.ProbeOut[k].Value;
    value = Mean(c.muxAdc);
    T3Tester::CorrectMuxOffset(value);
    Protocol::WriteLn();
    Protocol::WriteRealScaled(CText(kLabels[k]), results.ProbeOut[k], 1000, 9, 2);
  }
  results.ProbeOut[2].Value = results.ProbeOut[1].Value - results.ProbeOut[0].Value;
  Protocol::WriteLn();
  Protocol::WriteRealScaled("- diff:", results.ProbeOut[2], 1000, 9, 2);
  ZRV::SetDacReal(c.stimDac, 0.0);
}

bool All(ProbeTestResults& results, bool tlv1Expected, bool inputTest, bool request10M, bool allowCancel) {
  bool inputPassed = true;
  if (inputTest) {
    if (request10M && !DoRequest10MOhmResistor(allowCancel)) return Abort();
    if (!InputTest(results, tlv1Expected, inputPassed)) return Abort();
    if (!RequestRemoveAndShield(false, false)) return Abort();
  }
  CommonModeRejection(results);
  const int firstRange = results.IsTlv1Probe ? 1 : 0;
  Offsets(results, firstRange);
  ProbeOut(results);
  if (!Test1pF(results, firstRange)) return Abort();
  Test10pF(results);
  const bool noiseDone = NoiseLoop(results, firstRange);
  RefGainTrimStep(results);
  T3TestGraphics::Activate(false, false, false, false, false);
  return noiseDone && !TestBase::Aborted && inputPassed;
}

}  // namespace T3TestProbe
