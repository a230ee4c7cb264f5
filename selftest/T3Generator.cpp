#include "selftest/T3Generator.h"

#include <algorithm>
#include <cstdlib>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"

namespace T3Generator {

std::int32_t GeneratorDac = -1;
std::int32_t GeneratorTrigDac = -1;
std::array<std::array<std::int16_t, kGenLength>, 2> GenArray{};

namespace {

// Stimulate; the two option bits go to the board as they are.
constexpr std::uint16_t kGeneratorOptions = 7;
constexpr double kTriggerVolts = 5.0;
constexpr double kTriangleInterval = 1e-4;
constexpr std::int32_t kTriangleHalfPeriod = 50;
constexpr std::int32_t kTriangleCycles = 10;
constexpr std::int32_t kTriangleSamples = 1200;

std::int16_t Code(std::int32_t units) { return static_cast<std::int16_t>(units); }

void MakeSquarePeriods(std::span<std::int16_t> wave, std::int32_t n, std::int16_t u) {
  const std::int32_t q = n / 4;
  std::fill(wave.begin(), wave.end(), std::int16_t{0});
  for (std::int32_t i = 0; i < 4 * q; ++i) wave[static_cast<std::size_t>(i)] = (i / q) % 2 == 0 ? u : Code(-u);
}

}  // namespace

bool StimAndSample(std::int32_t dac, std::int32_t trig, std::int32_t adc, double amplitude, double interval,
                   std::int32_t n, std::span<std::int16_t> data) {
  const std::int32_t m = n + 1;
  if (n < 0 || static_cast<std::size_t>(m) > data.size() || m > kGenLength) return false;
  ZRV::Halt();
  GeneratorDac = dac;
  GeneratorTrigDac = trig;
  const std::int32_t trigDac = std::abs(trig);
  const std::int32_t q = n / 4;
  std::span<std::int16_t> main(GenArray[0].data(), static_cast<std::size_t>(m));
  std::span<std::int16_t> trigger(GenArray[1].data(), static_cast<std::size_t>(m));
  MakeSquarePeriods(main, n, Code(ZRV::VoltsToDacUnits(dac, amplitude)));
  std::fill(trigger.begin(), trigger.end(), std::int16_t{0});
  double triggerVolts = kTriggerVolts;
  if (q > 0) trigger[static_cast<std::size_t>(2 * q - (2 * q) / 16 + 1)] = Code(ZRV::VoltsToDacUnits(trigDac, triggerVolts));
  const std::int32_t dacList[2] = {dac, trigDac};
  const std::int32_t adcList[2] = {adc, adc};
  const std::int16_t* stimulus[2] = {main.data(), trigger.data()};
  std::int16_t* samples[2] = {data.data(), main.data()};
  double doubled = 2 * interval;
  return ZRV::PolyStimAndSample(2, 2, m, m, kGeneratorOptions, dacList, adcList, doubled, stimulus, samples);
}

void Stop() {
  ZRV::Halt();
  if (GeneratorDac >= 0) ZRV::SetDac(GeneratorDac, 0);
  if (GeneratorTrigDac >= 0) ZRV::SetDac(GeneratorTrigDac, 0);
}

double TriangleGain(std::int32_t dac, std::int32_t adc, double amplitude) {
  if (amplitude == 0) return 1e-10;
  const std::int32_t units = ZRV::VoltsToDacUnits(dac, amplitude);
  // An amplitude below the DAC's step plays nothing: no rate to divide by.
  if (amplitude == 0) return 1e-10;
  ADMeasure::MakeSquareWave(units, kTriangleHalfPeriod, kTriangleCycles, ADMeasure::DataArray);
  double interval = kTriangleInterval;
  ZRV::StimAndSample(dac, adc, interval, ADMeasure::DataArray, ADMeasure::DataArray, kTriangleSamples);
  ZRV::SetDacReal(dac, 0);
  ADMeasure::AverageCycles(kTriangleHalfPeriod, kTriangleCycles,
                           std::span<const std::int16_t>(ADMeasure::DataArray).first(kTriangleSamples),
                           ADMeasure::SumArray, ADMeasure::AvgArray);
  const auto& s = ADMeasure::SumArray;
  const double e = static_cast<double>(s[37]) - s[12] - s[87] + s[62];
  const double volts = ZRV::AdcRealUnitsToVolts(adc, e);
  return volts / (kTriangleCycles * amplitude * kTriangleInterval * kTriangleHalfPeriod);
}

bool SwitchTimeCourse(std::int32_t address, std::int32_t index, std::int32_t data, std::int32_t adc,
                      double interval, std::int32_t count, std::span<std::int16_t> buffer) {
  if (count < 1 || static_cast<std::size_t>(count) > buffer.size() || index < 0 || index >= count) return false;
  const auto idle = static_cast<std::uint16_t>((data | 0xC000) + address * 256);
  const auto strobe = static_cast<std::uint16_t>((data | 0x8000) + address * 256);
  std::span<std::int16_t> words = buffer.first(static_cast<std::size_t>(count));
  std::fill(words.begin(), words.end(), static_cast<std::int16_t>(idle));
  words[static_cast<std::size_t>(index)] = static_cast<std::int16_t>(strobe);
  return ZRV::StimAndSample(ZRV::TlvOut, adc, interval, words, words, count);
}

void InitModule() {
  GeneratorDac = -1;
  GeneratorTrigDac = -1;
}

}  // namespace T3Generator
