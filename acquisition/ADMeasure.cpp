#include "acquisition/ADMeasure.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "acquisition/ZRV.h"
#include "foundation/TermIO.h"
#include "numerics/VectorInt.h"

namespace ADMeasure {

SampleArray StimArray{};
SampleArray DataArray{};
SumArrayType SumArray{};
SampleArray AvgArray{};

double DacToAdcDelay = 0.0;
double SampleCorrection = 0.0;
double InputFilterTau = 0.0;
double OutputFilterTau = 0.0;
std::int32_t LastPoints = 0;
std::int32_t TestWriteMode = 0;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegreesPerRadian = 57.29578;

// The square-wave acquisition: half periods of 50 points, ten periods
// averaged after the settling one.
constexpr std::int32_t kSquareHalfPeriod = 50;
constexpr std::int32_t kSquareCycles = 10;
constexpr std::int32_t kSquarePoints = 1200;
constexpr std::int32_t kPeakWindow = 40;

// GetTauFromSquareWave's results when the three points are no decay.
constexpr double kNoRatioTau = 1000000.0;

// The array's first `count` entries (at most all of them).
std::span<std::int16_t> Head(SampleArray& array, std::int32_t count) {
  return std::span<std::int16_t>(array).first(
      static_cast<std::size_t>(std::clamp(count, 0, SampleArrayLength)));
}

double Volts(std::int32_t adc, double codes) { return ZRV::AdcRealUnitsToVolts(adc, codes); }

// Plays the square template of `code` codes and averages the response into
// SumArray and AvgArray; the interval becomes the one the board ran.
void AcquireSquareWave(std::int32_t dac, std::int32_t adc, std::int32_t code, double& interval) {
  LastPoints = kSquarePoints;
  MakeSquareWave(code, kSquareHalfPeriod, kSquareCycles, Head(StimArray, kSquarePoints + 1));
  StimArray[kSquarePoints] = 0;
  ZRV::StimAndSample(dac, adc, interval, StimArray, DataArray, kSquarePoints);
  AverageCycles(kSquareHalfPeriod, kSquareCycles, Head(DataArray, kSquarePoints), SumArray, AvgArray);
}

// The square template's building: blocks written from the start, each only
// as far as the template reaches.
struct TemplateWriter {
  std::span<std::int16_t> wave;
  std::size_t position = 0;

  bool Fits(std::size_t length) const { return position + length <= wave.size(); }
  // A block of one value; when it does not fit, what fits is written and
  // FALSE given.
  bool Block(std::size_t length, std::int16_t value) {
    const std::size_t end = std::min(position + length, wave.size());
    std::fill(wave.begin() + static_cast<std::ptrdiff_t>(position),
              wave.begin() + static_cast<std::ptrdiff_t>(end), value);
    const bool whole = end == position + length;
    position = end;
    return whole;
  }
};

// The symmetric pattern of the sine and the triangle, a negative half
// period then a positive one with the level d(i) at the points i and N - i
// of each half, written at `start` and copied behind itself; a period fits
// when it would from sample N on, wherever it starts.
template <typename Level>
void MakePeriodicWave(std::int32_t halfPeriod, std::int32_t cycles, std::int32_t start, bool zeroLast,
                      std::span<std::int16_t> wave, Level level) {
  std::fill(wave.begin(), wave.end(), std::int16_t{0});
  if (halfPeriod < 1) return;
  const auto n = static_cast<std::size_t>(halfPeriod);
  const auto fits = [&](std::size_t copy) { return n + copy * 2 * n + 2 * n <= wave.size(); };
  if (!fits(0)) return;
  const std::span<std::int16_t> pattern = wave.subspan(static_cast<std::size_t>(start), 2 * n);
  for (std::size_t i = 1; i <= n / 2; ++i) {
    const std::int16_t d = level(static_cast<std::int32_t>(i));
    pattern[i] = pattern[n - i] = static_cast<std::int16_t>(-d);
    pattern[n + i] = pattern[2 * n - i] = d;
  }
  std::size_t end = static_cast<std::size_t>(start) + 2 * n;
  for (std::size_t copy = 1; copy <= static_cast<std::size_t>(std::max(cycles, 0)) && fits(copy); ++copy) {
    std::copy(pattern.begin(), pattern.end(), wave.begin() + static_cast<std::ptrdiff_t>(end));
    end += 2 * n;
  }
  if (zeroLast) wave[end - 1] = 0;
}

// Magnitude and phase (radians) of the in-phase and quadrature sums, the
// phase from -pi on.
void ConvertToPolar(double ys, double yc, double& magnitude, double& phase) {
  magnitude = std::sqrt(ys * ys + yc * yc);
  phase = 0.0;
  if (magnitude == 0.0) return;
  if (ys < 0.0) {
    phase = -kPi;
    ys = -ys;
    yc = -yc;
  }
  if (ys > 0.001 * std::fabs(yc)) {
    phase += std::atan(yc / ys);
  } else if (yc > 0.0) {
    phase = kPi / 2.0 + phase - ys / yc;
  } else if (yc < 0.0) {
    phase = phase - kPi / 2.0 + ys / yc;
  }
}

double GetPhaseShift(std::int32_t dac, std::int32_t adc, double interval) {
  return GetDacToAdcPhase(dac, adc, interval) + GetAdcLatency(interval) * interval;
}

// The means (V) of 50 samples of each input taken together at 20 us; 0
// when closed, for an input outside the board's range or on failure.
void SampleMeans(std::span<const std::int32_t> inputs, std::span<double> means) {
  constexpr std::int32_t kPoints = 50;
  std::fill(means.begin(), means.end(), 0.0);
  const bool valid = std::all_of(inputs.begin(), inputs.end(),
                                 [](std::int32_t adc) { return adc >= 0 && adc < ZRVBase::AdcInputCount; });
  if (!valid || ZRV::Status() == ZRV::StateClosed) return;
  std::array<std::array<std::int16_t, kPoints>, 2> samples{};
  std::int16_t* const buffers[] = {samples[0].data(), samples[1].data()};
  const auto count = static_cast<std::int32_t>(inputs.size());
  double interval = 2e-5;
  if (!ZRV::PolyStimAndSample(0, count, 0, kPoints, 0, {}, inputs, interval, {},
                              std::span(buffers).first(inputs.size()))) {
    return;
  }
  for (std::size_t k = 0; k < inputs.size(); ++k)
    means[k] = VectorInt::Mean(samples[k].data(), kPoints) / ZRVBase::AdcUnitsPerVolt[inputs[k]];
}

void WriteTauResult(double tau, double amplitude, double base) {
  TermIO::WriteString("Tau:");
  TermIO::WriteEngineering(tau, 8, 7);
  TermIO::WriteString(",  Amp:");
  TermIO::WriteEngineering(amplitude, 8, 7);
  TermIO::WriteString(",  Base:");
  TermIO::WriteEngineering(base, 8, 7);
  TermIO::WriteLn();
}

}  // namespace

void InitModule() {
  DacToAdcDelay = 0.0;
  SampleCorrection = 0.0;
  InputFilterTau = 0.0;
  OutputFilterTau = 0.0;
  LastPoints = 0;
  TestWriteMode = 0;
}

// ---- Stimulus templates ------------------------------------------------------

void MakeSquareWave(std::int32_t amplitude, std::int32_t halfPeriod, std::int32_t cycles,
                    std::span<std::int16_t> wave) {
  if (halfPeriod < 1 || wave.empty()) return;
  const auto n = static_cast<std::size_t>(halfPeriod);
  const auto a = static_cast<std::int16_t>(amplitude);
  TemplateWriter writer{wave};
  bool copied = false;
  const bool whole = writer.Block(n, static_cast<std::int16_t>(amplitude / 2)) &&
                     writer.Block(n, static_cast<std::int16_t>(-a)) && writer.Block(n, a);
  if (whole) {
    const std::size_t patternStart = n;
    for (std::int32_t copy = 0; copy < cycles && writer.Fits(2 * n); ++copy) {
      std::copy_n(wave.begin() + static_cast<std::ptrdiff_t>(patternStart), 2 * n,
                  wave.begin() + static_cast<std::ptrdiff_t>(writer.position));
      writer.position += 2 * n;
      copied = true;
    }
    writer.Block(n, static_cast<std::int16_t>(-(amplitude / 2)));
  }
  wave[0] = 0;
  if (copied) wave[writer.position - 1] = 0;
}

void MakeSineWave(std::int32_t amplitude, std::int32_t halfPeriod, std::int32_t cycles,
                  std::span<std::int16_t> wave) {
  MakePeriodicWave(halfPeriod, cycles, halfPeriod, true, wave, [&](std::int32_t i) {
    return static_cast<std::int16_t>(std::trunc(amplitude * std::sin(kPi * i / halfPeriod)));
  });
}

void MakeRampWave(std::int32_t amplitude, std::int32_t halfPeriod, std::int32_t cycles,
                  std::span<std::int16_t> wave) {
  MakePeriodicWave(halfPeriod, cycles, halfPeriod / 2, false, wave, [&](std::int32_t i) {
    return static_cast<std::int16_t>(std::trunc(amplitude * 2.0 / halfPeriod * i));
  });
}

// ---- Cycle averaging ----------------------------------------------------------

std::int32_t DoAverageCycles(std::int32_t halfPeriod, std::int32_t skip, std::int32_t cycles,
                             std::span<const std::int16_t> data, std::span<std::int32_t> sums,
                             std::span<std::int16_t> average) {
  if (halfPeriod < 1) return 0;
  const std::int64_t period = 2 * std::int64_t{halfPeriod};
  if (static_cast<std::int64_t>(sums.size()) < period || static_cast<std::int64_t>(average.size()) < period)
    return 0;
  const auto length = static_cast<std::int32_t>(period);
  std::fill_n(sums.begin(), length, 0);
  const std::int64_t from = std::max(skip, 0);
  const std::int64_t present = static_cast<std::int64_t>(data.size()) > from
                                   ? (static_cast<std::int64_t>(data.size()) - from) / period
                                   : 0;
  const auto summed = static_cast<std::int32_t>(std::clamp<std::int64_t>(cycles, 0, present));
  for (std::int32_t cycle = 0; cycle < summed; ++cycle) {
    VectorInt::AccumArray32(data.data() + from + cycle * period, sums.data(), sums.data(), length);
  }
  if (summed > 0) {
    VectorInt::DivArray32(sums.data(), average.data(), length, summed);
  } else {
    std::fill_n(average.begin(), length, std::int16_t{0});
  }
  return summed;
}

std::int32_t AverageCycles(std::int32_t halfPeriod, std::int32_t cycles, std::span<const std::int16_t> data,
                           std::span<std::int32_t> sums, std::span<std::int16_t> average) {
  return DoAverageCycles(halfPeriod, 2 * halfPeriod, cycles, data, sums, average);
}

double PeakAmplitude(std::span<const std::int16_t> average, std::int32_t halfPeriod, std::int32_t window) {
  if (window < 1 || halfPeriod < window) return 0.0;
  if (static_cast<std::int64_t>(average.size()) < 2 * std::int64_t{halfPeriod}) return 0.0;
  const std::int32_t start = (halfPeriod - window + 1) / 2;
  const double first = VectorInt::Sum(average.data() + start, window);
  const double second = VectorInt::Sum(average.data() + start + halfPeriod, window);
  return (first - second) / window / 2.0;
}

// ---- Board timing ---------------------------------------------------------------

void GetCorrections(ZRVBase::BoardType board, double& delay, double& inputTau, double& outputTau,
                    double& sampleCorrection) {
  struct Corrections {
    double delay, inputTau, outputTau, sampleCorrection;
  };
  static constexpr Corrections kByBoard[] = {
      {-1.1e-6, 0.0, 4.5e-7, -1.0},      // ZRV-24
      {-1.5e-6, 1.1e-6, 4.5e-7, -1.0},   // ZRV-28
      {3.2e-6, 1.1e-6, 4.5e-7, -1.0},    // QRN 2400
      {-4.65e-6, 1.5e-7, 4.0e-7, -1.0},  // QRN 5+5
  };
  delay = inputTau = outputTau = sampleCorrection = 0.0;
  if (board >= std::size(kByBoard)) return;
  const Corrections& c = kByBoard[board];
  delay = c.delay;
  inputTau = c.inputTau;
  outputTau = c.outputTau;
  sampleCorrection = c.sampleCorrection;
}

std::int32_t GetAdcLatency(double) { return 0; }

double GetDacToAdcPhase(std::int32_t dacChannel, std::int32_t adcChannel, double interval) {
  const std::int32_t dacList[] = {dacChannel};
  const std::int32_t adcList[] = {adcChannel};
  double dacOffset[1] = {};
  double adcOffset[1] = {};
  double run = interval;
  ZRV::GetOffsets(0, 1, 1, dacList, adcList, run, dacOffset, adcOffset);
  return dacOffset[0] - adcOffset[0] + DacToAdcDelay + SampleCorrection * interval;
}

void DataArrayInfo(std::span<const char> name) {
  if (TestWriteMode != 2) return;
  const std::int32_t points = std::clamp(LastPoints, 0, SampleArrayLength);
  TermIO::WriteString("         DataArrayInfo - ");
  TermIO::WriteString(name);
  TermIO::WriteString(":  points= ");
  TermIO::WriteInt(points, 5);
  if (points > 0) {
    const auto [low, high] = std::minmax_element(DataArray.begin(), DataArray.begin() + points);
    TermIO::WriteString(",  max= ");
    TermIO::WriteInt(*high, 6);
    TermIO::WriteString(",  min= ");
    TermIO::WriteInt(*low, 6);
    if (*high > 32766) TermIO::WriteString(" overflow ");
    if (*low < -32767) TermIO::WriteString(" underflow ");
  }
  TermIO::WriteLn();
}

// ---- Measurements -----------------------------------------------------------------

double Gain(std::int32_t dac, std::int32_t adc, double amplitude, double interval) {
  const std::int32_t code = ZRV::VoltsToDacUnits(dac, amplitude);
  if (amplitude == 0.0) return 1e-10;
  AcquireSquareWave(dac, adc, code, interval);
  return Volts(adc, PeakAmplitude(AvgArray, kSquareHalfPeriod, kPeakWindow)) / amplitude;
}

bool TimeConstant(std::int32_t dac, std::int32_t adc, double amplitude, double interval, std::int32_t start,
                  bool ratioMode, double& tau, double& tauAmplitude, double& base) {
  const std::int32_t code = ZRV::VoltsToDacUnits(dac, amplitude);
  if (amplitude == 0.0) {
    tau = 1e-6;
    tauAmplitude = 0.0;
    base = 0.0;
    return false;
  }
  AcquireSquareWave(dac, adc, code, interval);
  double samples = 0.0;
  double amplitudeCodes = 0.0;
  double baseCodes = 0.0;
  const bool found = GetTauFromSquareWave(start, kSquareHalfPeriod, kSquareCycles, interval, ratioMode,
                                          SumArray, samples, amplitudeCodes, baseCodes);
  tau = samples * interval;
  tauAmplitude = Volts(adc, amplitudeCodes) / amplitude;
  base = Volts(adc, baseCodes) / amplitude;
  if (TestWriteMode > 2) WriteTauResult(tau, tauAmplitude, base);
  return found;
}

bool GetTauFromSquareWave(std::int32_t start, std::int32_t halfPeriod, std::int32_t cycles, double interval,
                          bool ratioMode, std::span<const std::int32_t> sums, double& tau, double& amplitude,
                          double& base) {
  const double failedTau = ratioMode ? kNoRatioTau : 0.0;
  tau = failedTau;
  amplitude = 0.0;
  base = 0.0;
  const std::int32_t latency = GetAdcLatency(interval);
  const std::int64_t n = halfPeriod;
  const std::int64_t i0 = std::int64_t{start} + latency;
  // Every point read lies in the one averaged period: i0 and i0 + N, and
  // the crossing found in the first half with its mirror.
  if (n < 1 || static_cast<std::int64_t>(sums.size()) < 2 * n || i0 < 0 || i0 >= n) return false;
  const auto v = [&](std::int64_t i) { return std::int64_t{sums[static_cast<std::size_t>(i)]}; };

  const std::int64_t y1 = v(i0);
  const std::int64_t y3 = v(latency + n - 1);
  const std::int64_t mid = (y1 + y3) / 2;
  const bool falling = y3 < y1;
  const std::int64_t limit = (n + latency) / 2;
  std::int64_t i = i0;
  while (i < limit && (falling ? v(i) > mid : v(i) < mid)) ++i;
  const std::int64_t delta = i - i0;
  if (i + delta + n > 2 * n - 1) return false;

  const double f = static_cast<double>(v(i0) - v(i0 + n));
  const double g = static_cast<double>(v(i) - v(i + n));
  const double h = static_cast<double>(v(i + delta) - v(i + delta + n));
  if (TestWriteMode > 2) {
    TermIO::WriteLine("GetTauFromSquareWave");
    TermIO::WriteString("  start: ");
    TermIO::WriteInt(static_cast<std::int32_t>(i0), 4);
    if (falling) {
      TermIO::WriteString(", down: ");
    } else {
      TermIO::WriteString(", up: ");
    }
    TermIO::WriteInt(static_cast<std::int32_t>(i), 4);
    TermIO::WriteString(" -> ");
    for (std::int64_t k = 0; k < std::min<std::int64_t>(10, 2 * n); ++k)
      TermIO::WriteInt(static_cast<std::int32_t>(v(k)), 8);
    TermIO::WriteLn();
    TermIO::WriteString("   y1:");
    TermIO::WriteInt(static_cast<std::int32_t>(v(i0)), 8);
    TermIO::WriteString(",  y2:");
    TermIO::WriteInt(static_cast<std::int32_t>(v(i)), 8);
    TermIO::WriteString(",  y3:");
    TermIO::WriteInt(static_cast<std::int32_t>(v(i + delta)), 8);
    TermIO::WriteString(",  y1:");
    TermIO::WriteReal(f, 12, 4);
    TermIO::WriteString(",  y2:");
    TermIO::WriteReal(g, 12, 4);
    TermIO::WriteString(",  y3:");
    TermIO::WriteReal(h, 12, 4);
    TermIO::WriteLn();
  }
  base = static_cast<double>(static_cast<std::int64_t>(f - h) / 4);
  if (g == h) return false;

  const double ratio = (f - g) / (g - h);
  if (ratioMode) {
    if (!(ratio > 1.01)) return false;
    tau = static_cast<double>(delta) / std::log(ratio);
  } else {
    // A quotient of 1 or more (h = f among them) is no decay: its logarithm
    // would give an infinite or negative time constant.
    if (h == f) return false;
    const double q = std::fabs(h - g) / std::fabs(h - f);
    if (q < 0.01 || q >= 1.0) return false;
    tau = -static_cast<double>(delta) / std::log(q);
  }
  if (cycles == 0 || ratio == 1.0) return false;

  const double m = (f - g) * ratio / (ratio - 1.0);
  amplitude = m * 0.25 / cycles;
  if (ratioMode && start > 0) amplitude = m * std::exp(start / tau) * 0.25 / cycles;
  base = (f - m) * 0.5 / cycles;
  if (TestWriteMode > 2) {
    TermIO::WriteString("amp1:");
    TermIO::WriteReal(m, 12, 4);
    TermIO::WriteString(", ratio:");
    TermIO::WriteReal(ratio, 12, 4);
    TermIO::WriteLn();
    WriteTauResult(tau, amplitude, base);
  }
  return true;
}

void RiseTime(std::int32_t dac, std::int32_t adc, double amplitude, double interval, double& gain,
              std::array<double, 3>& fractions) {
  const std::int32_t code = ZRV::VoltsToDacUnits(dac, amplitude);
  gain = 0.0;
  fractions = {0.0, 0.0, 0.0};
  if (amplitude == 0.0) return;
  AcquireSquareWave(dac, adc, code, interval);
  const double peak = Volts(adc, PeakAmplitude(AvgArray, kSquareHalfPeriod, kPeakWindow));
  gain = std::fabs(peak / amplitude);
  // The step runs from -|P| to +|P| whichever way the path turns it.
  const double sign = peak * amplitude < 0.0 ? -1.0 : 1.0;
  const double full = std::fabs(peak);
  for (std::size_t k = 0; k < fractions.size(); ++k) {
    fractions[k] = full == 0.0 ? 1.0 : (full - sign * Volts(adc, AvgArray[k])) / (2.0 * full);
  }
}

double DelayTime(std::span<const std::int32_t> sums, std::int32_t start, std::int32_t halfPeriod,
                 std::int32_t dac, std::int32_t adc, double interval) {
  const std::int64_t n = halfPeriod;
  if (n < 1 || static_cast<std::int64_t>(sums.size()) < 2 * n || start < 0) return 0.0;
  const auto s = [&](std::int64_t i) { return std::int64_t{sums[static_cast<std::size_t>(i)]}; };
  const std::int64_t mid = (s(n - 1) + s(2 * n - 1)) / 2;
  std::int64_t a = std::int64_t{start} + GetAdcLatency(interval);
  if (s(2 * n - 1) < mid) {
    while (a < n && s(a) < mid) ++a;
  } else {
    while (a < n && s(a) > mid) ++a;
  }
  if (a >= n || a == 0) return 0.0;
  // Sample a was taken one interval plus the board's shift after the DAC
  // put out sample a.
  const double r = interval * static_cast<double>(a + 1) + GetPhaseShift(dac, adc, interval);
  const std::int64_t slope = s(a) - s(a - 1);
  if (slope == 0) return r;
  const double o = static_cast<double>(mid - s(a)) / static_cast<double>(slope);
  return std::fabs(o) <= 1.0 ? r + interval * o : r;
}

void GainAndPhase(std::int32_t dac, std::int32_t adc, double amplitude, double interval,
                  std::int32_t pointsPerPeriod, std::int32_t periods, double& gain, double& phase) {
  gain = 0.0;
  phase = 0.0;
  const std::int32_t n = pointsPerPeriod;
  if (n <= 1 || n > 100 || periods <= 0) return;
  // At most 100 points per period: at least 12 periods fit.
  const std::int32_t k = std::min(periods, (SampleArrayLength - 1) / n - 2);
  const std::int32_t code = ZRV::VoltsToDacUnits(dac, amplitude);
  if (amplitude == 0.0) return;

  for (std::int32_t i = 0; i < n; ++i) {
    StimArray[i] = static_cast<std::int16_t>(std::lround(code * std::sin(2.0 * kPi / n * (i + 0.5))));
  }
  const std::int32_t points = n * (k + 2);
  for (std::int32_t i = n; i < points; ++i) StimArray[i] = StimArray[i - n];
  LastPoints = points;
  ZRV::StimAndSample(dac, adc, interval, StimArray, DataArray, points);
  ZRV::SetDacReal(dac, 0.0);

  std::fill_n(SumArray.begin(), n, 0);
  for (std::int32_t period = 2; period < k + 2; ++period) {
    for (std::int32_t i = 0; i < n; ++i) SumArray[i] += DataArray[period * n + i];
  }
  // The stimulus puts out the sine at i + 1/2 during sample i (which undoes
  // the DAC's hold); the ADC takes sample i one interval plus the board's
  // shift after that.
  const double x = 1.0 + GetPhaseShift(dac, adc, interval) / interval;
  double ys = 0.0;
  double yc = 0.0;
  for (std::int32_t i = 0; i < n; ++i) {
    const double angle = 2.0 * kPi / n * (i + x);
    ys += SumArray[i] * std::sin(angle);
    yc += SumArray[i] * std::cos(angle);
  }
  const double scale = n * k * amplitude / 2.0;
  ys = Volts(adc, ys) / scale;
  yc = Volts(adc, yc) / scale;
  double magnitude = 0.0;
  double radians = 0.0;
  ConvertToPolar(ys, yc, magnitude, radians);
  if (n < 3) {
    gain = magnitude / 2.0;
  } else {
    if (radians < -3.0 * kPi / 2.0) radians += 2.0 * kPi;
    phase = radians * kDegreesPerRadian;
    gain = magnitude * (kPi / n) / std::sin(kPi / n);
  }
  if (TestWriteMode > 2) {
    TermIO::WriteLine("GainAndPhase");
    const std::int32_t shown = std::min(n, 4) + 1;
    TermIO::WriteString("  out: ");
    for (std::int32_t i = 0; i < shown; ++i)
      TermIO::WriteRealFixed(StimArray[i] / ZRVBase::DacUnitsPerVolt[dac] / amplitude, 8, 3);
    TermIO::WriteString("   in: ");
    for (std::int32_t i = 0; i < shown; ++i)
      TermIO::WriteRealFixed(Volts(adc, SumArray[i]) / k / amplitude, 8, 3);
    TermIO::WriteLn();
    TermIO::WriteString("Phase: ");
    TermIO::WriteReal(radians, 12, 4);
    TermIO::WriteString(" => Phase: ");
    TermIO::WriteReal(phase, 12, 4);
    TermIO::WriteString(", Gain: ");
    TermIO::WriteEngineering(gain, 12, 11);
    TermIO::WriteLn();
  }
}

void MeanAndRms(std::int32_t adc, double interval, std::int32_t points, double& mean, double& rms) {
  mean = 0.0;
  rms = 0.0;
  if (points < 2) return;
  if (points > SampleArrayLength - 1) points = SampleArrayLength;
  LastPoints = points;
  ZRV::Sample(adc, interval, DataArray, points);
  const std::int32_t latency = GetAdcLatency(interval);
  const std::int32_t first = std::min(1 + latency, points);
  ComputeMeanAndRms(adc, std::span<std::int16_t>(DataArray).subspan(first, points - first), mean, rms);
}

void ComputeMeanAndRms(std::int32_t adc, std::span<std::int16_t> data, double& mean, double& rms) {
  const auto count = static_cast<std::int32_t>(data.size());
  const double codes = VectorInt::Mean(data.data(), count);
  const double offset = -std::trunc(codes);
  mean = ZRV::AdcRealUnitsToVolts(adc, codes);
  // The squares are taken before the offset codes can saturate.
  double squares = 0.0;
  for (const std::int16_t code : data) squares += (code + offset) * (code + offset);
  VectorInt::Offset(data.data(), data.data(), count,
                    static_cast<std::int16_t>(std::clamp(offset, -32768.0, 32767.0)), true);
  rms = count < 2 ? 0.0 : ZRV::AdcRealUnitsToVolts(adc, std::sqrt(squares / (count - 1)));
}

void Variance(std::int32_t adc, double interval, double& variance, double& blockVariance) {
  constexpr std::int32_t kRuns = 10;
  constexpr std::int32_t kPoints = 512;
  constexpr std::int32_t kBlocks = 8;
  constexpr std::int32_t kBlock = kPoints / kBlocks;
  LastPoints = kPoints;
  double squares = 0.0;
  double blockSquares = 0.0;
  for (std::int32_t run = 1; run <= kRuns; ++run) {
    ZRV::Sample(adc, interval, DataArray, kPoints);
    std::int16_t means[kBlocks] = {};
    VectorInt::CompressInt(DataArray.data(), means, kPoints, kBlock);
    double meanOfMeans = 0.0;
    for (std::int32_t block = 0; block < kBlocks; ++block) {
      for (std::int32_t i = 0; i < kBlock; ++i) {
        const double residual = DataArray[block * kBlock + i] - means[block];
        squares += residual * residual;
      }
      meanOfMeans += means[block];
    }
    meanOfMeans /= kBlocks;
    for (const std::int16_t m : means) blockSquares += (m - meanOfMeans) * (m - meanOfMeans);
    if (TestWriteMode > 2 && run <= 3) {
      TermIO::WriteString("Variance-");
      TermIO::WriteInt(run, 1);
      TermIO::WriteString(":");
      for (std::int32_t i = 0; i < 16; ++i) TermIO::WriteInt(DataArray[i], 7);
      TermIO::WriteLn();
    }
  }
  variance = squares / (kRuns * (kPoints - kBlocks));
  blockVariance = blockSquares / (kRuns * (kBlocks - 1));
}

double SampleMean(std::int32_t adc) {
  const std::int32_t inputs[] = {adc};
  double mean[1] = {};
  SampleMeans(inputs, mean);
  return mean[0];
}

void Sample2Means(std::int32_t adcA, std::int32_t adcB, double& meanA, double& meanB) {
  const std::int32_t inputs[] = {adcA, adcB};
  double means[2] = {};
  SampleMeans(inputs, means);
  meanA = means[0];
  meanB = means[1];
}

double MeanFromRamp(std::int32_t dac, std::int32_t adc, double amplitude, double interval,
                    double startFraction, double endFraction) {
  constexpr std::int32_t n = kSquareHalfPeriod;
  const std::int32_t code = ZRV::VoltsToDacUnits(dac, amplitude);
  LastPoints = kSquarePoints;
  MakeRampWave(code, n, kSquareCycles, Head(StimArray, kSquarePoints + 1));
  StimArray[kSquarePoints] = 0;
  ZRV::StimAndSample(dac, adc, interval, StimArray, DataArray, kSquarePoints);
  DoAverageCycles(n, n, kSquareCycles, Head(DataArray, kSquarePoints), SumArray, AvgArray);
  // The window stays within the half period.
  const std::int32_t w0 = std::clamp(static_cast<std::int32_t>(std::trunc(n * startFraction)), 0, n);
  const std::int32_t w1 = std::clamp(static_cast<std::int32_t>(std::trunc(n * endFraction + 0.9999)), w0, n);
  const std::int32_t length = w1 - w0;
  const double result = length == 0 ? 0.0
                                    : Volts(adc, (VectorInt::Sum(AvgArray.data() + w0, length) -
                                                  VectorInt::Sum(AvgArray.data() + w0 + n, length)) /
                                                     length / 2.0);
  if (TestWriteMode > 2) {
    TermIO::WriteString("MeanAndSlope");
    TermIO::WriteString("  AvgLength:");
    TermIO::WriteInt(40, 8);
    TermIO::WriteString("  HalfPeriod:");
    TermIO::WriteInt(n, 8);
    TermIO::WriteString("  StartIndex:");
    TermIO::WriteInt(w0, 8);
    TermIO::WriteString("  EndIndex:");
    TermIO::WriteInt(w1, 8);
    TermIO::WriteLn();
    for (std::int32_t i = 0; i < n; ++i) {
      TermIO::WriteInt(i, 3);
      TermIO::WriteInt(StimArray[n + i], 7);
      TermIO::WriteInt(DataArray[n + i], 7);
      TermIO::WriteInt(AvgArray[i], 7);
      TermIO::WriteLn();
    }
    TermIO::WriteString(" => Mean: ");
    TermIO::WriteEngineering(result, 12, 11);
    TermIO::WriteLn();
  }
  return result;
}

}  // namespace ADMeasure
