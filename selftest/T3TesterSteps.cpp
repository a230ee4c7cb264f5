#include "selftest/T3TesterSteps.h"

#include <algorithm>
#include <array>
#include <limits>

#include "acquisition/ChirpReal.h"
#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Types.h"
#include "selftest/T3ChirpReal.h"
#include "selftest/T3Tester.h"
#include "selftest/TestIO.h"

namespace T3Tester::Steps {

namespace {

constexpr double kMeanInterval = 5e-5;
constexpr std::int32_t kMeanPoints = 512;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

Channels Board() {
  const T3Types::AmplifierState& state = T3Types::State;
  return {state.ExtStimDac, state.StimDac, state.MuxAdc, state.ImonAdc};
}

void Wait(double seconds) { VrnlBoards::Wait(seconds); }

void MeanAndNoise(std::int32_t adc, double& mean, double& noise, bool muxToAdc) {
  T3Measure::MeanAndRms(adc, kMeanInterval, kMeanPoints, mean, noise, muxToAdc);
}

void MeanKeepingNoise(std::int32_t adc, double& value, double& noise, bool muxToAdc) {
  double rms = 0.0;
  MeanAndNoise(adc, value, rms, muxToAdc);
  noise = std::max(noise, rms);
}

void Message(std::span<const char> text) {
  TestIO::WriteLn();
  TestIO::WriteString(text);
}

bool MakeChirp(Chirp& chirp) { return ChirpReal::MakeChirp(chirp.n, chirp.work); }

bool Acquire(Chirp& chirp, const ChirpRun& run) {
  chirp.interval = run.interval;
  std::int32_t codes = 0;
  const bool clean = T3ChirpReal::AcquireAverage(run.dac, run.adc, run.amplitude, chirp.interval, chirp.n,
                                                 run.repeats, 1, chirp.work, IntArray, codes, run.testDacOff,
                                                 run.muxToAdc);
  if (!clean && run.reportFailure) {
    if (!run.failureText.empty()) Message(run.failureText);
    return false;
  }
  const ChirpReal::WorkArrays arrays = ChirpReal::SetPointers(chirp.n, chirp.work);
  if (run.negate) {
    for (float& sample : arrays.Real1) sample = -sample;
  }
  return ChirpReal::TransformResponse(chirp.n, codes, run.referencePhase, run.dac, run.adc, chirp.interval,
                                      chirp.work);
}

void Ratio(Chirp& a, const Chirp& b, double referencePhase) {
  ChirpReal::TransferFunctionRatio(a.n, Transfer(a), Transfer(b), referencePhase);
}

std::span<float> Transfer(const Chirp& chirp) { return chirp.work.first(static_cast<std::size_t>(2 * chirp.n)); }

void Corner(const Chirp& chirp, double seekPhase, double startHz, FrequencyResponseValues& values) {
  if (ChirpReal::FindCornerFrequencyAndQ(chirp.interval, chirp.n, Transfer(chirp), seekPhase, startHz,
                                         values.Fo.Value, values.Q.Value))
    return;
  Message("Error in FindCornerFrequencyAndQ");
  Unmeasured(values);
}

void Minus3db(const Chirp& chirp, double startHz, double& fo) {
  if (ChirpReal::FindMinus3db(chirp.interval, chirp.n, Transfer(chirp), startHz, fo)) return;
  Message("Error in FindMinus3db");
  fo = kNaN;
}

void GainAt(const Chirp& chirp, double hz, double& gain) {
  if (ChirpReal::FindGainFromFreq(chirp.interval, chirp.n, Transfer(chirp), hz, gain)) return;
  Message("Error in FindGainFromFreq");
  gain = kNaN;
}

void Unmeasured(FrequencyResponseValues& values) {
  values.Fo.Value = kNaN;
  values.Q.Value = kNaN;
}

bool TimeConstant(std::int32_t dac, std::int32_t adc, double amplitude, double interval, std::int32_t start,
                  bool testDacOff, bool muxToAdc, ExponentialValues& values) {
  return T3Measure::TimeConstant(dac, adc, amplitude, interval, start, values.Tau.Value, values.Amp.Value,
                                 values.Base.Value, testDacOff, muxToAdc);
}

void RiseTime(std::int32_t dac, std::int32_t adc, double amplitude, double interval, bool testDacOff,
              bool muxToAdc, RiseTimeValues& values) {
  std::array<double, 3> fractions{};
  T3Measure::RiseTime(dac, adc, amplitude, interval, values.Amp.Value, fractions, testDacOff, muxToAdc);
  values.Y1.Value = fractions[0];
  values.Y2.Value = fractions[1];
  values.Y3.Value = fractions[2];
}

double SineGain(std::int32_t dac, std::int32_t adc, double amplitude, double interval,
                std::int32_t pointsPerPeriod, std::int32_t periods, bool testDacOff, bool muxToAdc) {
  double gain = 0.0;
  double phase = 0.0;
  T3Measure::GainAndPhase(dac, adc, amplitude, interval, pointsPerPeriod, periods, gain, phase, testDacOff,
                          muxToAdc);
  return gain;
}

bool WideProbeOffset(const SpanValues& span) {
  constexpr double kWideOffsetVolts = 0.6;
  return span.Minimum.Value <= -kWideOffsetVolts && span.Maximum.Value > kWideOffsetVolts;
}

double ScaledHFGain(double gain, double hfCompGain) {
  constexpr double kLeastHFCompGain = 0.1;
  constexpr double kHFCompShare = 6.25;
  return hfCompGain > kLeastHFCompGain ? gain / (kHFCompShare * hfCompGain) : gain;
}

std::uint8_t Filter2Kind(double q) { return q < 1 ? kFilter2Original : kFilter2New; }

}  // namespace T3Tester::Steps
