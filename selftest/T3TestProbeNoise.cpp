// The probe's noise spectra: the signal path's transfer by a chirp, then
// averaged power spectra of the shielded probe referred to its input and
// averaged in four bands. The buffers are fixed: no allocation per trace.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "acquisition/ChirpReal.h"
#include "acquisition/VrnlBoards.h"
#include "amplifier/T3AD.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "foundation/TermIO.h"
#include "numerics/SpectrumReal.h"
#include "numerics/VectorReal.h"
#include "selftest/CText.h"
#include "selftest/Protocol.h"
#include "selftest/T3ChirpReal.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/T3TestProbe.h"
#include "selftest/TestBase.h"
#include "selftest/TestIO.h"

namespace T3TestProbe {

std::array<float, 4096> ChirpArray{};
std::array<std::int16_t, 4096> IntArray{};
SpectrumReal::SpectrumRecord Spectrum{};

namespace {

constexpr std::int32_t kPoints = 1024;
constexpr std::int32_t kBins = kPoints / 2;
constexpr double kInterval = 1e-5;
constexpr std::int32_t kChirpRepeats = 3;
constexpr std::int32_t kChirpAcquisitions = 10;
constexpr double kFirstChirpVolts = 8.0;
constexpr double kLastChirpVolts = 0.5;
constexpr double kReferencePhase = -270.0;
constexpr std::int32_t kTaper = 128;
constexpr int kTraces = 50;
constexpr double kFirstGainFactor = 40.0;
constexpr std::int32_t kFullTrim = 4096;
constexpr std::int32_t kLeastTrim = 256;
constexpr std::int32_t kTraceMargin = 2000;
constexpr int kPassesWithoutPause = 5;
constexpr double kCodesPerVolt = 3200.0;
constexpr std::int32_t kBinConstant = 10;
constexpr int kTestCapacitor = 2;
constexpr int kMuxCurrentMonitor = 14;
constexpr int kNoiseFilter1 = 2;
constexpr int kGainForNoise = 5;
constexpr std::int32_t kWideDac = 4095;

struct NoiseRange {
  const char* name;
  std::int32_t hfSwitches;
  std::int32_t probeResistor;
  bool probeSpeed;
  std::int32_t gain;
  double factor;
  double plotTop;  // decades
};
constexpr std::array<NoiseRange, kNoiseRanges> kRanges = {{
    {"Low range.  ", 0, 0, true, 4, 20.0, -2.0},
    {"Medium range.  ", 1, 2, false, 2, 4.0, 1.0},
    {"High range.  ", 2, 3, false, 0, 1.0, 1.0},
}};

struct Band {
  int first;
  int count;
};
constexpr std::array<Band, kNoiseBands> kBands = {{{9, 2}, {17, 3}, {28, 4}, {39, 4}}};

// The averaging's work buffers.
std::array<float, kPoints> work{};
std::array<float, kPoints> imaginary{};
std::array<float, kPoints> window{};
std::array<float, kBins + 1> accumulator{};

void Wait(double seconds) { VrnlBoards::Wait(seconds); }

void SetUpRange(const NoiseRange& r) {
  T3Set::HFCompDac(kWideDac);
  T3Set::GainTrimDac(kWideDac);
  T3Set::HFCompSwitches(r.hfSwitches);
  T3Set::ProbeResistor(r.probeResistor);
  T3Set::LowGainCClamp(false);
  T3Set::ProbeSpeed(r.probeSpeed);
  T3Panel::SetGain(r.gain);
  TestIO::WriteString(CText(r.name));
  T3Panel::SetTestRange(kTestCapacitor);
  T3Panel::SetMux(kMuxCurrentMonitor);
  T3Panel::SetFilter1(kNoiseFilter1);
}

// The transfer function into ChirpArray, halving the chirp from 8 V while
// it saturates; FALSE when it saturated down to 0.5 V (the last try's data
// is transformed all the same).
bool MeasureTransfer(const NoiseRange& r) {
  const T3Types::AmplifierState& state = T3Types::State;
  ChirpReal::MakeChirp(kPoints, ChirpArray);
  double amplitude = kFirstChirpVolts;
  std::int32_t codes = 0;
  bool clean = false;
  double interval = kInterval;
  while (true) {
    interval = kInterval;
    clean = T3ChirpReal::AcquireAverage(state.ExtStimDac, state.MuxAdc, amplitude, interval, kPoints, kChirpRepeats,
                                        kChirpAcquisitions, ChirpArray, IntArray, codes, true, true);
    if (clean || amplitude / 2 < kLastChirpVolts) break;
    amplitude /= 2;
  }
  if (!clean) {
    TermIO::WriteString("Signal too large in Chirp.Acquire");
    TermIO::WriteLn();
  }
  ChirpReal::TransformResponse(kPoints, static_cast<std::int32_t>(codes * r.factor), kReferencePhase,
                               state.ExtStimDac, state.MuxAdc, interval, ChirpArray);
  if (TestBase::DataPlotting) {
    T3TestGraphics::AxesForGainAndPhase(kPoints, kInterval, r.plotTop, r.plotTop - 4, -90, T3TestGraphics::TopWindow,
                                        T3TestGraphics::BottomWindow);
    T3TestGraphics::PlotGainAndPhase(kPoints, ChirpArray, kInterval, T3TestGraphics::TopWindow,
                                     T3TestGraphics::BottomWindow);
  }
  return clean;
}

bool SampleTrace() {
  double interval = kInterval;
  return T3AD::Sample(T3Types::State.MuxAdc, interval, IntArray, kPoints, true);
}

// Doubles the gain factor while the traces stay within the margin, at most
// four times; FALSE when aborted.
bool SetGainFactor(bool pause, double& factor) {
  std::int32_t trim = kFullTrim;
  for (int pass = 1;; ++pass) {
    SampleTrace();
    if (InBounds(IntArray, kPoints, kTraceMargin) && trim > kLeastTrim) {
      trim /= 2;
      factor *= 2;
      T3Set::GainTrimDac(trim);
      Wait(0.1);
      TestIO::WriteRealFixed(factor, 8, 0);
    }
    if (TestBase::DataPlotting) T3TestGraphics::PlotData(-32000, 32000, kPoints, IntArray, true);
    if (T3TestGraphics::Abort(false)) {
      TestIO::WriteLn();
      return false;
    }
    if (pause ? T3TestGraphics::DoContinue() : pass >= kPassesWithoutPause) return true;
  }
}

// The averaged spectrum of the traces into the accumulator; FALSE when
// aborted.
bool Average(double gain, double& windowPower, double& meanSum) {
  SpectrumReal::MakeWindow(kPoints, kTaper, window.data(), windowPower);
  SpectrumReal::Zero(accumulator);
  meanSum = 0.0;
  TestIO::WriteLn();
  TestIO::WriteString("Go");
  for (int k = 0; k < kTraces; ++k) {
    SampleTrace();
    SpectrumReal::AccumWithMeanAndWindow(IntArray.data(), work.data(), imaginary.data(), gain, kInterval, kPoints,
                                         window.data(), windowPower, meanSum, accumulator.data());
    TestIO::Write('.');
    if (T3TestGraphics::Abort(false)) return false;
  }
  return true;
}

}  // namespace

bool InBounds(std::span<const std::int16_t> samples, std::int32_t count, std::int32_t margin) {
  constexpr std::int32_t kBound = 8192;
  double sum = 0.0;
  for (std::int32_t k = 0; k < count; ++k) sum += samples[static_cast<std::size_t>(k)];
  const auto mean = count > 0 ? static_cast<std::int32_t>(sum / count) : 0;
  const std::int32_t lower = mean < margin - kBound ? -kBound : mean - margin;
  const std::int32_t upper = mean > kBound - margin ? kBound : mean + margin;
  for (std::int32_t k = 0; k < count; ++k) {
    const std::int32_t v = samples[static_cast<std::size_t>(k)];
    if (v < lower || v > upper) return false;
  }
  return true;
}

double AvgSpectrum(const SpectrumReal::SpectrumRecord& record, int first, int count) {
  double sum = 0.0;
  for (int k = first; k < first + count; ++k) sum += record.Values[static_cast<std::size_t>(k)];
  return sum / count;
}

void MeasureNoise(int range, double scale, bool pause, ProbeTestResults& results) {
  const NoiseRange& r = kRanges[static_cast<std::size_t>(range)];
  SetUpRange(r);
  const bool clean = MeasureTransfer(r);
  T3Panel::SetTestRange(0);
  T3Panel::SetGain(kGainForNoise);
  Wait(0.5);
  double factor = kFirstGainFactor;
  SpectrumReal::BinConstant = kBinConstant;
  TestIO::WriteString("gain =");
  TestIO::WriteRealFixed(factor, 8, 0);
  if (!SetGainFactor(pause, factor)) return;
  double windowPower = 0.0;
  double meanSum = 0.0;
  if (!Average(scale / (kCodesPerVolt * factor), windowPower, meanSum)) return;
  TestIO::WriteString("done.");
  // Referred to the input: divided by the squared gain.
  VectorReal::Divide(accumulator.data(), ChirpArray.data(), accumulator.data(), kBins);
  VectorReal::Divide(accumulator.data(), ChirpArray.data(), accumulator.data(), kBins);
  SpectrumReal::Compress(accumulator.data(), meanSum / kTraces, kInterval, kPoints, kTraces, Spectrum);
  SpectrumReal::MakePlotCoords(T3TestGraphics::DataWindow, Spectrum);
  SpectrumReal::PlotSpectrum(T3TestGraphics::DataWindow, Spectrum);
  for (int b = 0; b < kNoiseBands; ++b) {
    const Band& band = kBands[static_cast<std::size_t>(b)];
    const double value = AvgSpectrum(Spectrum, band.first, band.count);
    // A gain of 0 on the way, or a transfer that could not be measured,
    // leaves nothing to judge.
    Protocol::MeasuredValue& result = results.Noise[range][b];
    result.Value = clean && std::isfinite(value) ? value : std::numeric_limits<double>::quiet_NaN();
    Protocol::WriteLn();
    Protocol::WriteRealValue(result);
  }
  TestIO::WriteLn();
}

}  // namespace T3TestProbe
