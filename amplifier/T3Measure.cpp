#include "amplifier/T3Measure.h"

#include "acquisition/ADMeasure.h"
#include "amplifier/T3Panel.h"

namespace T3Measure {

namespace {

constexpr double kGainInterval = 1e-4;

void Route(bool testDacOff, bool muxToAdc) {
  T3Panel::SetQTestDac(testDacOff);
  T3Panel::SetQMuxAdc(muxToAdc);
}

}  // namespace

double Gain(std::int32_t dac, std::int32_t adc, double amplitude, bool testDacOff, bool muxToAdc) {
  Route(testDacOff, muxToAdc);
  return ADMeasure::Gain(dac, adc, amplitude, kGainInterval);
}

void MeanAndRms(std::int32_t adc, double interval, std::int32_t points, double& mean, double& rms,
                bool muxToAdc) {
  T3Panel::SetQMuxAdc(muxToAdc);
  ADMeasure::MeanAndRms(adc, interval, points, mean, rms);
}

bool TimeConstant(std::int32_t dac, std::int32_t adc, double amplitude, double interval, std::int32_t start,
                  double& tau, double& tauAmplitude, double& base, bool testDacOff, bool muxToAdc) {
  Route(testDacOff, muxToAdc);
  return ADMeasure::TimeConstant(dac, adc, amplitude, interval, start, true, tau, tauAmplitude, base);
}

void GainAndPhase(std::int32_t dac, std::int32_t adc, double amplitude, double interval,
                  std::int32_t pointsPerPeriod, std::int32_t periods, double& gain, double& phase,
                  bool testDacOff, bool muxToAdc) {
  Route(testDacOff, muxToAdc);
  ADMeasure::GainAndPhase(dac, adc, amplitude, interval, pointsPerPeriod, periods, gain, phase);
}

void RiseTime(std::int32_t dac, std::int32_t adc, double amplitude, double interval, double& gain,
              std::array<double, 3>& fractions, bool testDacOff, bool muxToAdc) {
  Route(testDacOff, muxToAdc);
  ADMeasure::RiseTime(dac, adc, amplitude, interval, gain, fractions);
}

void DataArrayInfo(std::span<const char> name) { ADMeasure::DataArrayInfo(name); }

}  // namespace T3Measure
