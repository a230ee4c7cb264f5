#include "potentiostat/PKMeasure.h"

#include <array>
#include <cmath>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "foundation/RealTime.h"
#include "numerics/LinSearch.h"
#include "numerics/VectorInt.h"
#include "potentiostat/PKTypes.h"
#include "shell/Mouse.h"

namespace PKMeasure {

namespace {

constexpr std::int32_t kOffsetPoints = 1200;
constexpr std::int32_t kSettledFrom = 600;
constexpr double kOffsetInterval = 0.0001;
constexpr double kOffsetStep = 20.0;
constexpr double kOffsetMaxStep = 200.0;

constexpr std::int32_t kCmrHalfPeriod = 50;
constexpr std::int32_t kCmrCycles = 10;
constexpr std::int32_t kCmrPoints = 1200;
constexpr double kCmrInterval = 0.001;

double UnitsPerVolt(std::int32_t adcChannel) {
  if (adcChannel < 0 || adcChannel >= ZRVBase::AdcInputCount) return 0.0;
  return ZRVBase::AdcUnitsPerVolt[adcChannel];
}

double NoResponse() {
  if (PKTypes::Error == PKTypes::NoError) PKTypes::Error = PKTypes::MeasureError;
  return kNoResponse;
}

}  // namespace

bool AdjustOffset(std::uint16_t& dacValue, std::int32_t adcChannel, void (*apply)(), std::int32_t upperBound,
                  bool invert) {
  const int shape = Mouse::GetCursorShape();
  bool converged = false;
  PKTypes::Error = PKTypes::NoError;
  double value = dacValue == 0 ? 1.0 : dacValue;
  const std::int32_t maxRounds = upperBound / 20;
  const double deadline = RealTime::GetTime() + PKTypes::OffsetTimeout;
  LinSearch::LinSearchState search{};
  LinSearch::Init(0.0, upperBound, kOffsetStep, 1.0, kOffsetMaxStep, search);
  for (std::int32_t round = 1;; ++round) {
    Mouse::SetWaitOrWatchCursor();
    double interval = kOffsetInterval;
    ZRV::Sample(adcChannel, interval, ADMeasure::DataArray, kOffsetPoints);
    double reading = VectorInt::Mean(ADMeasure::DataArray.data() + kSettledFrom, kOffsetPoints - kSettledFrom);
    if (invert) reading = -reading;
    LinSearch::Next(value, reading, search);
    dacValue = static_cast<std::uint16_t>(std::lround(value));
    apply();
    if (search.Done) {
      converged = !search.AtLimit;
      break;
    }
    if (RealTime::GetTime() > deadline) {
      PKTypes::Error = PKTypes::Timeout;
      break;
    }
    if (round > maxRounds) {
      PKTypes::Error = PKTypes::MeasureError;
      break;
    }
  }
  Mouse::SetCursorShape(shape);
  return converged;
}

double Gain(std::int32_t dacChannel, std::int32_t adcChannel, double amplitude) {
  return ADMeasure::Gain(dacChannel, adcChannel, amplitude, kOffsetInterval);
}

double CMR(std::int32_t first, std::int32_t dacChannel1, std::int32_t dacChannel2, std::int32_t adcChannel,
           double amplitude) {
  if (amplitude == 0.0) return NoResponse();
  const std::int32_t units = ZRV::VoltsToDacUnits(dacChannel1, amplitude);
  ADMeasure::MakeSineWave(units, kCmrHalfPeriod, kCmrCycles, ADMeasure::DataArray);
  ADMeasure::DataArray[kCmrPoints - 1] = 0;
  // The ADC is listed twice; the second copy is the same samples again.
  std::array<std::int16_t, ADMeasure::SampleArrayLength> second{};
  const std::array<std::int32_t, 2> dacs{dacChannel1, dacChannel2};
  const std::array<std::int32_t, 2> adcs{adcChannel, adcChannel};
  const std::array<const std::int16_t*, 2> stimulus{ADMeasure::DataArray.data(), ADMeasure::DataArray.data()};
  const std::array<std::int16_t*, 2> acquired{ADMeasure::DataArray.data(), second.data()};
  double interval = kCmrInterval;
  if (!ZRV::PolyStimAndSample(2, 2, kCmrPoints, kCmrPoints, static_cast<std::uint16_t>(first), dacs, adcs,
                              interval, stimulus, acquired)) {
    return NoResponse();
  }
  ADMeasure::AverageCycles(kCmrHalfPeriod, kCmrCycles, ADMeasure::DataArray, ADMeasure::SumArray,
                           ADMeasure::AvgArray);
  const double sum = VectorInt::ScalarProduct(ADMeasure::AvgArray.data(), ADMeasure::AvgArray.data(),
                                              2 * kCmrHalfPeriod);
  return std::sqrt(sum / (UnitsPerVolt(adcChannel) * amplitude));
}

double Noise() {
  const std::int32_t adc = PKTypes::State.CurrentAdcChannel;
  double variance = 0.0;
  double blockVariance = 0.0;
  ADMeasure::Variance(adc, kOffsetInterval, variance, blockVariance);
  return std::sqrt(variance) / (UnitsPerVolt(adc) * PKTypes::State.CurrentGain);
}

}  // namespace PKMeasure
