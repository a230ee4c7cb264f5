#include "acquisition/ChirpReal.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "foundation/TermIO.h"
#include "numerics/BinSearch.h"
#include "numerics/FFTReal.h"
#include "numerics/VectorInt.h"
#include "numerics/VectorReal.h"

namespace ChirpReal {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegreesPerRadian = 57.29577951308233;
constexpr double kSaturation = 32000.0;

std::size_t Size(std::int32_t n) { return static_cast<std::size_t>(n); }

// The phase brought into [reference, reference + 360).
double KeepInBounds(double phase, double reference) {
  double offset = std::fmod(phase - reference, 360.0);
  if (offset < 0.0) offset += 360.0;
  return reference + offset;
}

// A transfer function's gains and phases; empty for an invalid n or a short
// array.
struct Transfer {
  std::span<const float> gain;
  std::span<const float> phase;
};

Transfer Split(std::int32_t n, std::span<const float> transfer) {
  if (!IsValidLength(n) || transfer.size() < 2 * Size(n)) return {};
  return {transfer.first(Size(n)), transfer.subspan(Size(n), Size(n))};
}

// The first bin of a search.
std::int32_t StartIndex(double startFrequency, double interval, std::int32_t n) {
  const double x = startFrequency * interval;
  const double index = x < 0.25 ? x * n : n / 4.0;
  return std::clamp(static_cast<std::int32_t>(std::max(index, 0.0)), 1, n / 2 - 1);
}

double Frequency(double index, double interval, std::int32_t n) { return index / (interval * n); }

void WriteTables(std::int32_t n, const Transfer& t) {
  TermIO::WriteLine("Gain");
  for (std::int32_t i = 1; i < n / 2; ++i) {
    TermIO::WriteInt(i, 5);
    TermIO::WriteEngineering(t.gain[Size(i)], 12, 11);
    TermIO::WriteLn();
  }
  TermIO::WriteLine("Phase");
  for (std::int32_t i = 1; i < n / 2; ++i) {
    TermIO::WriteInt(i, 5);
    TermIO::WriteRealFixed(t.phase[Size(i)], 8, 2);
    TermIO::WriteLn();
  }
}

void WriteFound(std::int32_t n, double index, double gain, double frequency) {
  TermIO::WriteString("index=");
  TermIO::WriteRealFixed(index, 10, 3);
  TermIO::WriteString(", max.index=");
  TermIO::WriteInt(n / 2, 6);
  TermIO::WriteLn();
  TermIO::WriteString("Gain:");
  TermIO::WriteEngineering(gain, 12, 11);
  TermIO::WriteString(", Frequency: ");
  TermIO::WriteEngineering(frequency, 12, 11);
  TermIO::WriteLn();
}

// The bisection over bins 1 .. n/2 - 1 from the start bin: ends on the last
// bin whose `below` is FALSE; FALSE when it ran into a bound.
template <typename Below>
bool Bisect(std::int32_t n, std::int32_t start, std::int32_t& index, Below below) {
  BinSearch::BinSearchState state{};
  BinSearch::Init(1, n / 2 - 1, std::max(start / 2, 1), 1, state);
  index = start;
  while (!state.Done) BinSearch::Next(index, below(index), state);
  return !state.AtLimit;
}

}  // namespace

bool IsValidLength(std::int32_t n) { return n >= 4 && (n & (n - 1)) == 0; }

WorkArrays SetPointers(std::int32_t n, std::span<float> work) {
  if (!IsValidLength(n) || work.size() < 4 * Size(n)) return {};
  const std::size_t size = Size(n);
  return {work.subspan(0, size), work.subspan(size, size), work.subspan(2 * size, size),
          work.subspan(3 * size, size)};
}

bool MakeChirp(std::int32_t n, std::span<float> work) {
  const WorkArrays w = SetPointers(n, work);
  if (w.Real1.empty()) return false;
  std::fill(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(4 * Size(n)), 0.0f);
  // The unit circle e^(-2 pi i k / n), the transform of a unit pulse at 1.
  w.Real1[1] = 1.0f;
  FFTReal::Forward(n, w.Real1.data(), w.Imag1.data());
  std::int32_t q = 1;
  for (std::int32_t j = 1; j < n / 2; ++j) {
    w.Real2[Size(j)] = w.Real2[Size(n - j)] = w.Real1[Size(q)];
    w.Imag2[Size(j)] = w.Imag1[Size(q)];
    w.Imag2[Size(n - j)] = -w.Imag1[Size(q)];
    q += 2 * j + 1;
    while (q >= n) q -= n;
  }
  w.Real2[Size(n / 2)] = 1.0f;
  w.Imag2[Size(n / 2)] = 0.0f;
  FFTReal::Reverse(n, w.Real2.data(), w.Imag2.data());
  VectorReal::Scale(w.Real2.data(), w.Real2.data(), n, std::sqrt(0.5 / n), 0.0);
  return true;
}

bool AcquireAverage(std::int32_t dac, std::int32_t adc, double amplitude, double& interval, std::int32_t n,
                    std::int32_t repeats, std::int32_t acquisitions, std::span<float> work,
                    std::span<std::int16_t> data, std::int32_t& amplitudeCodes) {
  const WorkArrays w = SetPointers(n, work);
  if (w.Real1.empty() || repeats < 1 || acquisitions < 1) return false;
  const std::int64_t points = std::int64_t{n} * (repeats + 1);
  if (static_cast<std::int64_t>(data.size()) < points || points > std::numeric_limits<std::int32_t>::max())
    return false;
  const auto count = static_cast<std::int32_t>(points);
  const std::span<std::int16_t> samples = data.first(Size(count));

  VectorReal::Set(w.Real1.data(), n, 0.0);
  amplitudeCodes = ZRV::VoltsToDacUnits(dac, amplitude);
  VectorReal::Scale(w.Real2.data(), w.Imag2.data(), n, amplitudeCodes, 0.0);
  const std::int32_t latency = ADMeasure::GetAdcLatency(interval);
  for (std::int32_t acquisition = 0; acquisition < acquisitions; ++acquisition) {
    VectorInt::ScaleAndRound(w.Imag2.data(), samples.data(), n, 1.0, 0.0, true);
    for (std::int32_t block = 1; block <= repeats; ++block)
      std::copy_n(samples.begin(), n, samples.begin() + static_cast<std::ptrdiff_t>(block) * n);
    ZRV::StimAndSample(dac, adc, interval, samples, samples, count);
    ZRV::SetDacReal(dac, 0.0);
    // Align the data to the latency: one place later without any, L - 1
    // places earlier with L.
    if (latency == 0) {
      std::copy_backward(samples.begin(), samples.end() - 1, samples.end());
    } else if (latency >= 2) {
      std::copy(samples.begin() + (latency - 1), samples.end(), samples.begin());
    }
    for (std::int32_t block = 1; block <= repeats; ++block)
      VectorReal::Accumulate(samples.data() + static_cast<std::ptrdiff_t>(block) * n, w.Real1.data(),
                             w.Real1.data(), n);
    if (acquisition == 0 && ADMeasure::TestWriteMode > 2) {
      TermIO::WriteString("AcquireAverage:  sample interval=");
      TermIO::WriteEngineering(interval, 12, 11);
      TermIO::WriteLn();
      TermIO::WriteString("  out: ");
      for (std::int32_t i = 0; i < n; ++i)
        TermIO::WriteRealFixed(w.Imag2[Size(i)] / ZRVBase::DacUnitsPerVolt[dac] / amplitude, 7, 3);
      TermIO::WriteLn();
      TermIO::WriteString("   in: ");
      for (std::int32_t i = 0; i < n; ++i)
        TermIO::WriteRealFixed(ZRV::AdcUnitsToVolts(adc, samples[Size(n + i)]) / amplitude, 7, 3);
      TermIO::WriteLn();
    }
  }
  VectorReal::Scale(w.Real1.data(), w.Real1.data(), n, 1.0 / (double{1.0} * repeats * acquisitions), 0.0);
  double lowest = 0.0;
  double highest = 0.0;
  std::int32_t lowIndex = 0;
  std::int32_t highIndex = 0;
  VectorReal::Limits(w.Real1.data(), n, lowest, highest, lowIndex, highIndex, true);
  return lowest >= -kSaturation && highest <= kSaturation;
}

bool TransformResponse(std::int32_t n, std::int32_t amplitudeCodes, double referencePhase, std::int32_t dac,
                       std::int32_t adc, double interval, std::span<float> work) {
  const WorkArrays w = SetPointers(n, work);
  if (w.Real1.empty()) return false;
  return TransformResponseExt(n, amplitudeCodes, referencePhase, dac, adc, interval, w.Real1, w.Imag1,
                              w.Real1, w.Imag1, 2);
}

bool TransformResponseExt(std::int32_t n, std::int32_t amplitudeCodes, double referencePhase,
                          std::int32_t dac, std::int32_t adc, double interval, std::span<float> re,
                          std::span<float> im, std::span<float> gainOut, std::span<float> phaseOut,
                          std::int32_t k) {
  if (!IsValidLength(n) || k < 2 || amplitudeCodes == 0) return false;
  const std::size_t size = Size(n);
  if (re.size() < size || im.size() < size || gainOut.size() < size || phaseOut.size() < size) return false;
  VectorReal::Scale(re.data(), re.data(), n, std::sqrt(2.0) / (amplitudeCodes * std::sqrt(double{1.0} * n)),
                    0.0);
  VectorReal::Set(im.data(), n, 0.0);
  FFTReal::Forward(n, re.data(), im.data());

  const double shift = ADMeasure::GetDacToAdcPhase(dac, adc, interval);
  const std::int32_t h = k / 2;
  const std::int32_t m = n / h;
  const double period = interval * m;
  const double inputTau = ADMeasure::InputFilterTau;
  const double outputTau = ADMeasure::OutputFilterTau;
  const bool squaredInput = ZRV::GetBoardType() == ZRVBase::BoardQRN55;
  double q = 1.0;
  for (std::int32_t j = 1; j < m / 2; ++j) {
    double magnitude = 0.0;
    double phase = 0.0;
    ConvertToPolar(re[Size(j)], im[Size(j)], magnitude, phase);
    const double r = static_cast<double>(n) / j;
    const double omega = 2.0 * kPi / period * j;
    double inputGain = TimeConstant(inputTau, omega);
    if (squaredInput) inputGain *= inputGain;
    const double outputGain = TimeConstant(outputTau, omega);
    // The chirp's own phase, half a sample of the DAC's hold, the time
    // shift, and the lag of the two filters.
    phase += q * 360.0 / m + 180.0 / r - omega * (shift / h) * kDegreesPerRadian +
             kDegreesPerRadian * std::atan(omega * inputTau) +
             kDegreesPerRadian * std::atan(omega * outputTau);
    // The middle factor undoes the gain of the DAC's hold.
    const double gain =
        magnitude * (1.0 / std::sqrt(h)) * ((kPi / r) / std::sin(kPi / r)) / inputGain / outputGain;
    q += 2.0 * j + 1.0;
    gainOut[Size(j)] = static_cast<float>(gain);
    phaseOut[Size(j)] = static_cast<float>(KeepInBounds(phase, referencePhase));
  }
  return true;
}

std::int32_t TransferFunctionRatio(std::int32_t n, std::span<float> a, std::span<const float> b,
                                   double referencePhase) {
  if (!IsValidLength(n) || a.size() < 2 * Size(n) || b.size() < 2 * Size(n)) return 0;
  const std::size_t size = Size(n);
  return TransferFunctionRatioExt(n, a.first(size), a.subspan(size, size), b.first(size),
                                  b.subspan(size, size), referencePhase);
}

std::int32_t TransferFunctionRatioExt(std::int32_t n, std::span<float> gainA, std::span<float> phaseA,
                                      std::span<const float> gainB, std::span<const float> phaseB,
                                      double referencePhase) {
  const std::size_t size = Size(n);
  if (!IsValidLength(n) || gainA.size() < size || phaseA.size() < size || gainB.size() < size ||
      phaseB.size() < size) {
    return 0;
  }
  for (std::size_t i = 1; i < size / 2; ++i) {
    phaseA[i] = static_cast<float>(KeepInBounds(double{phaseA[i]} - phaseB[i], referencePhase));
    gainA[i] = gainA[i] / gainB[i];
  }
  return n / 2 - 1;
}

bool FindCornerFrequencyAndQ(double interval, std::int32_t n, std::span<const float> transfer,
                             double seekPhase, double startFrequency, double& frequency, double& q) {
  frequency = 0.0;
  q = 0.0;
  const Transfer t = Split(n, transfer);
  if (t.gain.empty()) return false;
  const std::int32_t top = n / 2 - 1;
  const auto phaseAt = [&](std::int32_t i) { return KeepInBounds(t.phase[Size(i)], seekPhase - 180.0); };
  if (ADMeasure::TestWriteMode > 2) {
    TermIO::WriteLine("FindCornerFrequencyAndQ");
    TermIO::WriteString("SeekPhase, MinDegrees, MaxDegrees: ");
    TermIO::WriteRealFixed(seekPhase, 8, 2);
    TermIO::WriteRealFixed(seekPhase - 180.0, 8, 2);
    TermIO::WriteRealFixed(seekPhase + 180.0, 8, 2);
    TermIO::WriteLn();
    WriteTables(n, t);
  }
  std::int32_t i = 0;
  const bool found = Bisect(n, StartIndex(startFrequency, interval, n), i,
                            [&](std::int32_t bin) { return seekPhase > phaseAt(bin); });
  double index = i;
  double gain = t.gain[Size(i)];
  if (i < top) {
    const double p0 = t.phase[Size(i)];
    const double p1 = t.phase[Size(i + 1)];
    if (std::fabs(p1 - p0) > 0.01) {
      const double along = (seekPhase - p0) / (p1 - p0);
      if (along > 0.0 && along < 1.0) {
        index = i + along;
        gain = (1.0 - along) * t.gain[Size(i)] + along * t.gain[Size(i + 1)];
      }
    }
  }
  frequency = Frequency(index, interval, n);
  const double reference = t.gain[1];
  q = std::fabs(reference) > 1e-6 * gain ? gain / reference : 0.0;
  if (!found && ADMeasure::TestWriteMode != 0) {
    TermIO::WriteString("FindCornerFrequencyAndQ: seeking=");
    TermIO::WriteRealFixed(seekPhase, 8, 2);
    TermIO::WriteString(", found=");
    TermIO::WriteRealFixed(phaseAt(i), 8, 2);
    TermIO::WriteLn();
  }
  if (ADMeasure::TestWriteMode > 2) {
    WriteFound(n, index, gain, frequency);
    TermIO::WriteString("seeking=");
    TermIO::WriteRealFixed(seekPhase, 8, 2);
    TermIO::WriteString(", found=");
    TermIO::WriteRealFixed(phaseAt(i), 8, 2);
    TermIO::WriteString(", Q: ");
    TermIO::WriteEngineering(q, 12, 11);
    TermIO::WriteLn();
  }
  return found;
}

bool FindFrequency(double level, double interval, std::int32_t n, std::span<const float> transfer,
                   double startFrequency, double& frequency) {
  frequency = 0.0;
  const Transfer t = Split(n, transfer);
  if (t.gain.empty()) return false;
  const double target = level * t.gain[1];
  std::int32_t i = 0;
  const bool found = Bisect(n, StartIndex(startFrequency, interval, n), i,
                            [&](std::int32_t bin) { return target > t.gain[Size(bin)]; });
  double index = i;
  if (i < n / 2 - 1) {
    const double step = t.gain[Size(i + 1)] - t.gain[Size(i)];
    if (std::fabs(step) > 0.01 * std::fabs(t.gain[1])) {
      const double along = (target - t.gain[Size(i)]) / step;
      if (along > 0.0 && along < 1.0) index = i + along;
    }
  }
  frequency = Frequency(index, interval, n);
  if (ADMeasure::TestWriteMode > 2) {
    TermIO::WriteLine("FindFrequency");
    TermIO::WriteString("StartHz: ");
    TermIO::WriteEngineering(startFrequency, 12, 11);
    TermIO::WriteLn();
    WriteTables(n, t);
    WriteFound(n, index, t.gain[Size(i)], frequency);
  }
  return found;
}

bool FindMinus3db(double interval, std::int32_t n, std::span<const float> transfer, double startFrequency,
                  double& frequency) {
  return FindFrequency(0.707, interval, n, transfer, startFrequency, frequency);
}

void FindFrequencyAtMaximum(double interval, std::int32_t n, std::span<const float> transfer,
                            double startFrequency, std::int32_t window, double& frequency) {
  frequency = 0.0;
  const Transfer t = Split(n, transfer);
  if (t.gain.empty()) return;
  const std::int32_t first = StartIndex(startFrequency, interval, n);
  const std::int32_t top = n / 2 - 1;
  const std::int32_t w = std::clamp(window, 1, top - first + 1);
  std::int32_t index = first;
  double best = -std::numeric_limits<double>::max();
  for (std::int32_t i = first; i + w - 1 <= top; ++i) {
    const double mean = VectorReal::Mean(t.gain.data() + i, w, false);
    if (mean > best) {
      best = mean;
      index = i;
    }
  }
  frequency = Frequency(index, interval, n);
  if (ADMeasure::TestWriteMode > 2) {
    TermIO::WriteLine("FindFrequencyAtMaximum");
    TermIO::WriteString("StartHz: ");
    TermIO::WriteEngineering(startFrequency, 12, 11);
    TermIO::WriteLn();
    WriteTables(n, t);
    WriteFound(n, index, t.gain[Size(index)], frequency);
  }
}

bool FindGainFromFreq(double interval, std::int32_t n, std::span<const float> transfer, double frequency,
                      double& gain) {
  gain = 0.0;
  const Transfer t = Split(n, transfer);
  if (t.gain.empty()) return false;
  const double bin = std::round(frequency * interval * n);
  const bool measured = bin >= 1.0 && bin <= n / 2 - 1;
  if (measured) gain = t.gain[static_cast<std::size_t>(bin)];
  if (ADMeasure::TestWriteMode > 2) {
    TermIO::WriteLine("FindGainFromFreq");
    TermIO::WriteString("TargetHz: ");
    TermIO::WriteEngineering(frequency, 12, 11);
    TermIO::WriteString(" => index = ");
    TermIO::WriteRealFixed(bin, 10, 0);
    TermIO::WriteString(", Gain = ");
    TermIO::WriteEngineering(gain, 12, 11);
    TermIO::WriteLn();
    WriteTables(n, t);
  }
  return measured;
}

void ConvertToPolar(double re, double im, double& magnitude, double& phase) {
  magnitude = std::sqrt(re * re + im * im);
  if (magnitude == 0.0) return;
  double radians = 0.0;
  if (std::fabs(re) > 0.001 * std::fabs(im)) {
    const double angle = std::atan(im / re);
    if (re <= 0.0) {
      radians = kPi + angle;
    } else if (im > 0.0) {
      radians = angle;
    } else {
      radians = 2.0 * kPi + angle;
    }
  } else if (im > 0.0) {
    radians = kPi / 2.0 - re / im;
  } else {
    radians = 3.0 * kPi / 2.0 - re / im;
  }
  phase = radians * 180.0 / kPi - 360.0;
}

double TimeConstant(double tau, double omega) { return 1.0 / std::sqrt(1.0 + (omega * tau) * (omega * tau)); }

}  // namespace ChirpReal
