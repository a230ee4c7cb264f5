// ChirpReal on arrays of its own and with no board open: the chirp, the
// transform of a known response, the ratio, the searches over known
// transfer functions, and the bounds of every array.
#include "acquisition/ChirpReal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "acquisition/ADMeasure.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "numerics/FFTReal.h"

namespace {

using Reals = std::vector<float>;
constexpr double kPi = std::numbers::pi;
constexpr float kUntouched = -12345.0f;

TEST(ChirpRealChirp, EveryBinHasMagnitudeOneAndTheChirpPhase) {
  constexpr std::int32_t n = 8;
  Reals work(4 * n, kUntouched);
  ASSERT_TRUE(ChirpReal::MakeChirp(n, work));
  // Forward again: n x sqrt(0.5 / n) = 2 times the bins.
  Reals re(work.begin() + 2 * n, work.begin() + 3 * n);
  Reals im(n, 0.0f);
  ASSERT_TRUE(FFTReal::Forward(n, re.data(), im.data()));
  EXPECT_NEAR(re[0], 0.0, 1e-6);
  EXPECT_NEAR(im[0], 0.0, 1e-6);
  EXPECT_NEAR(re[4], 2.0, 1e-6);
  EXPECT_NEAR(im[4], 0.0, 1e-6);
  for (int j = 1; j < 4; ++j) {
    const std::complex<double> bin(re[j], im[j]);
    EXPECT_NEAR(std::abs(bin), 2.0, 1e-5) << j;
    const std::complex<double> expected = std::polar(2.0, -2 * kPi * ((j * j) % n) / n);
    EXPECT_NEAR(std::abs(bin - expected), 0.0, 1e-5) << j;
    EXPECT_NEAR(std::abs(std::complex<double>(re[n - j], im[n - j]) - std::conj(expected)), 0.0, 1e-5) << j;
  }
}

TEST(ChirpRealChirp, InvalidLengthsAndShortBuffersDoNothing) {
  for (auto [n, size] :
       std::vector<std::pair<std::int32_t, std::size_t>>{{6, 24}, {2, 8}, {0, 8}, {-8, 32}, {8, 31}}) {
    Reals work(size, kUntouched);
    EXPECT_FALSE(ChirpReal::MakeChirp(n, work)) << n << " " << size;
    EXPECT_EQ(work, Reals(size, kUntouched)) << n << " " << size;
    EXPECT_TRUE(ChirpReal::SetPointers(n, work).Real1.empty());
  }
}

TEST(ChirpRealPolar, PhasesLieIn360DegreesBelowZero) {
  struct Case {
    double re, im, magnitude, phase;
  };
  const std::vector<Case> cases = {
      {1, 0, 1, 0},
      {0, 1, 1, -270},
      {-1, 0, 1, -180},
      {0, -1, 1, -90},
      {1, 1, std::sqrt(2.0), -315},
      {1, -1, std::sqrt(2.0), -45},
      {-1, -1, std::sqrt(2.0), -135},
  };
  for (const Case& c : cases) {
    double magnitude = 0, phase = 0;
    ChirpReal::ConvertToPolar(c.re, c.im, magnitude, phase);
    EXPECT_NEAR(magnitude, c.magnitude, 1e-12) << c.re << " " << c.im;
    EXPECT_NEAR(phase, c.phase, 1e-9) << c.re << " " << c.im;
  }
  double magnitude = 1, phase = 12.5;
  ChirpReal::ConvertToPolar(0, 0, magnitude, phase);
  EXPECT_EQ(magnitude, 0.0);
  EXPECT_EQ(phase, 12.5);
  EXPECT_NEAR(ChirpReal::TimeConstant(1e-3, 1000.0), std::sqrt(0.5), 1e-15);
}

// ---- Searches over known transfer functions --------------------------------------

constexpr std::int32_t kN = 256;
constexpr double kInterval = 1e-5;  // bins of 390.625 Hz

// gain and phase (degrees) per bin of h(f); bins 0 and n/2 .. n-1 hold a
// value no search may use.
Reals TransferOf(const std::function<std::complex<double>(double)>& h) {
  Reals transfer(2 * kN, std::numeric_limits<float>::quiet_NaN());
  for (int j = 1; j < kN / 2; ++j) {
    const std::complex<double> value = h(j / (kN * kInterval));
    transfer[j] = static_cast<float>(std::abs(value));
    transfer[kN + j] = static_cast<float>(std::arg(value) * 180.0 / kPi);
  }
  return transfer;
}

std::complex<double> TwoPole(double f, double corner, double q) {
  const std::complex<double> s(0.0, f / corner);
  return 1.0 / (s * s + s / q + 1.0);
}

TEST(ChirpRealSearches, TheCornerOfATwoPoleLowPass) {
  for (double q : {0.5, 0.7, 2.0}) {
    const Reals transfer = TransferOf([q](double f) { return TwoPole(f, 8000.0, q); });
    double frequency = 0, foundQ = 0;
    ASSERT_TRUE(ChirpReal::FindCornerFrequencyAndQ(kInterval, kN, transfer, -90.0, 500.0, frequency, foundQ))
        << q;
    EXPECT_NEAR(frequency, 8000.0, 8000.0 * 0.005) << q;
    EXPECT_NEAR(foundQ, q / std::abs(TwoPole(1 / (kN * kInterval), 8000.0, q)), q * 0.02) << q;
  }
}

TEST(ChirpRealSearches, LevelMaximumAndSingleBins) {
  const Reals pole = TransferOf([](double f) { return 1.0 / std::complex<double>(1.0, f / 5000.0); });
  double frequency = 0;
  ASSERT_TRUE(ChirpReal::FindMinus3db(kInterval, kN, pole, 100.0, frequency));
  // The level is 0.707 of bin 1, which is a little below 1.
  EXPECT_NEAR(frequency, 5000.0, 5000.0 * 0.01);

  const Reals peak = TransferOf([](double f) { return TwoPole(f, 10000.0, 3.0); });
  ChirpReal::FindFrequencyAtMaximum(kInterval, kN, peak, 100.0, 1, frequency);
  EXPECT_NEAR(frequency, 10000.0 * std::sqrt(1 - 1 / (2 * 3.0 * 3.0)), 390.625 / 2);

  struct Case {
    double frequency;
    bool measured;
    int bin;
  };
  const std::vector<Case> cases = {
      {390.625 * 3, true, 3},     {390.625 * 3.4, true, 3},
      {390.625 * 127, true, 127}, {390.625 * 128, false, 0},
      {390.625 * 255, false, 0},  {390.625 * 0.4, false, 0},
      {-1000.0, false, 0},        {std::numeric_limits<double>::quiet_NaN(), false, 0},
  };
  for (const Case& c : cases) {
    double gain = -1;
    EXPECT_EQ(ChirpReal::FindGainFromFreq(kInterval, kN, pole, c.frequency, gain), c.measured) << c.frequency;
    EXPECT_EQ(gain, c.measured ? pole[c.bin] : 0.0f) << c.frequency;
  }
}

TEST(ChirpRealSearches, SearchesStayInTheMeasuredBins) {
  // The phase never reaches -90 degrees: the search runs into the top bin.
  const Reals flat = TransferOf([](double) { return std::complex<double>(1.0, 0.0); });
  double frequency = 0, q = 0;
  EXPECT_FALSE(ChirpReal::FindCornerFrequencyAndQ(kInterval, kN, flat, -90.0, 500.0, frequency, q));
  EXPECT_DOUBLE_EQ(frequency, (kN / 2 - 1) / (kN * kInterval));
  EXPECT_TRUE(std::isfinite(q));
  EXPECT_FALSE(ChirpReal::FindMinus3db(kInterval, kN, flat, 500.0, frequency));
  EXPECT_DOUBLE_EQ(frequency, (kN / 2 - 1) / (kN * kInterval));

  // Rising gains: the best full window ends at the top bin.
  Reals rising = flat;
  for (int j = 1; j < kN / 2; ++j) rising[j] = static_cast<float>(j);
  ChirpReal::FindFrequencyAtMaximum(kInterval, kN, rising, 100.0, 8, frequency);
  EXPECT_DOUBLE_EQ(frequency, (kN / 2 - 8) / (kN * kInterval));
  ChirpReal::FindFrequencyAtMaximum(kInterval, kN, rising, 1e9, 500, frequency);
  EXPECT_DOUBLE_EQ(frequency, (kN / 4) / (kN * kInterval));

  // A transfer function shorter than 2n, or an n that is no power of two.
  EXPECT_FALSE(ChirpReal::FindCornerFrequencyAndQ(kInterval, kN, std::span(flat).first(2 * kN - 1), -90.0,
                                                  500.0, frequency, q));
  EXPECT_EQ(frequency, 0.0);
  EXPECT_FALSE(ChirpReal::FindFrequency(0.5, kInterval, 100, flat, 500.0, frequency));
  double gain = 0;
  EXPECT_FALSE(ChirpReal::FindGainFromFreq(kInterval, 100, flat, 1000.0, gain));
}

TEST(ChirpRealRatio, DividesOnlyTheMeasuredBins) {
  Reals a = TransferOf([](double f) { return TwoPole(f, 8000.0, 0.7); });
  const Reals b = a;
  a[0] = 3.0f;
  a[kN / 2] = 4.0f;
  Reals zeroEnds = b;
  zeroEnds[0] = zeroEnds[kN / 2] = 0.0f;
  EXPECT_EQ(ChirpReal::TransferFunctionRatio(kN, a, zeroEnds, -180.0), kN / 2 - 1);
  for (int j = 1; j < kN / 2; ++j) {
    EXPECT_NEAR(a[j], 1.0, 1e-6) << j;
    EXPECT_NEAR(a[kN + j], 0.0, 1e-4) << j;
  }
  EXPECT_EQ(a[0], 3.0f);
  EXPECT_EQ(a[kN / 2], 4.0f);
  EXPECT_EQ(ChirpReal::TransferFunctionRatio(kN, std::span(a).first(2 * kN - 1), b, 0.0), 0);
}

// ---- With no board open -------------------------------------------------------

using ChirpRealClosed = ClosedLayerTest;

// The response is the stimulus itself (no delay, no filter, no correction):
// what remains is half a sample of the hold, in gain and phase. Only the
// measured bins are written.
TEST_F(ChirpRealClosed, TheTransformOfTheStimulusShowsOnlyTheHold) {
  constexpr std::int32_t n = 64;
  constexpr std::int32_t code = 3200;
  Reals work(4 * n);
  ASSERT_TRUE(ChirpReal::MakeChirp(n, work));
  Reals re(n);
  Reals im(n, kUntouched);
  for (int i = 0; i < n; ++i) re[i] = work[2 * n + i] * code;
  Reals gain(n, kUntouched);
  Reals phase(n, kUntouched);
  ASSERT_TRUE(ChirpReal::TransformResponseExt(n, code, -180.0, 0, 0, 1e-5, re, im, gain, phase, 2));
  for (int j = 1; j < n / 2; ++j) {
    const double r = static_cast<double>(n) / j;
    EXPECT_NEAR(gain[j], (kPi / r) / std::sin(kPi / r), 1e-4) << j;
    EXPECT_NEAR(phase[j], 180.0 / r, 1e-3) << j;
  }
  for (int j : {0, n / 2, n - 1}) {
    EXPECT_EQ(gain[j], kUntouched) << j;
    EXPECT_EQ(phase[j], kUntouched) << j;
  }

  // The same in place, through the work buffer.
  for (int i = 0; i < n; ++i) work[i] = work[2 * n + i] * code;
  ASSERT_TRUE(ChirpReal::TransformResponse(n, code, -180.0, 0, 0, 1e-5, work));
  for (int j = 1; j < n / 2; ++j) {
    EXPECT_NEAR(work[j], gain[j], 1e-6) << j;
    EXPECT_NEAR(work[n + j], phase[j], 1e-4) << j;
  }
  EXPECT_FALSE(ChirpReal::TransformResponse(n, 0, -180.0, 0, 0, 1e-5, work));
  EXPECT_FALSE(ChirpReal::TransformResponse(48, code, -180.0, 0, 0, 1e-5, work));
  EXPECT_FALSE(ChirpReal::TransformResponseExt(n, code, -180.0, 0, 0, 1e-5, re, std::span(im).first(n - 1),
                                               gain, phase, 2));
  EXPECT_FALSE(ChirpReal::TransformResponseExt(n, code, -180.0, 0, 0, 1e-5, re, im, gain, phase, 1));
}

// With no board open the stimulus comes back as it went out; the average is
// it, moved one place later (the last point of the chirp before the first).
TEST_F(ChirpRealClosed, AcquireAverageAveragesTheRepeatsAfterTheFirst) {
  constexpr std::int32_t n = 64;
  Reals work(4 * n);
  ASSERT_TRUE(ChirpReal::MakeChirp(n, work));
  std::vector<std::int16_t> data(n * 4);
  double interval = 1e-5;
  std::int32_t code = 0;
  EXPECT_TRUE(ChirpReal::AcquireAverage(0, 0, 1.0, interval, n, 3, 2, work, data, code));
  EXPECT_EQ(code, 3200);
  for (int i = 0; i < n; ++i) {
    const float sent = static_cast<float>(std::lround(work[2 * n + (i + n - 1) % n] * code));
    EXPECT_EQ(work[i], sent) << i;
  }
}

TEST_F(ChirpRealClosed, AcquireAverageChecksItsArrays) {
  constexpr std::int32_t n = 64;
  Reals work(4 * n);
  ASSERT_TRUE(ChirpReal::MakeChirp(n, work));
  const Reals chirp = work;
  struct Case {
    std::string name;
    std::int32_t n, repeats, acquisitions;
    std::size_t workSize, dataSize;
  };
  const std::vector<Case> cases = {
      {"data for one repeat less", n, 3, 1, 4 * n, 4 * n - 1},
      {"no power of two", 60, 1, 1, 4 * n, 4 * n},
      {"short work buffer", n, 1, 1, 4 * n - 1, 4 * n},
      {"no repeats", n, 0, 1, 4 * n, 4 * n},
      {"no acquisitions", n, 1, 0, 4 * n, 4 * n},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    work = chirp;
    std::vector<std::int16_t> data(c.dataSize, 99);
    double interval = 1e-5;
    std::int32_t code = -7;
    EXPECT_FALSE(ChirpReal::AcquireAverage(0, 0, 1.0, interval, c.n, c.repeats, c.acquisitions,
                                           std::span(work).first(c.workSize), data, code));
    EXPECT_EQ(code, -7);
    EXPECT_EQ(data, std::vector<std::int16_t>(c.dataSize, 99));
    EXPECT_EQ(work, chirp);
  }
}

TEST_F(ChirpRealClosed, AnAverageBeyond32000CodesFails) {
  constexpr std::int32_t n = 64;
  Reals work(4 * n);
  ASSERT_TRUE(ChirpReal::MakeChirp(n, work));
  double peak = 0;
  for (int i = 0; i < n; ++i) peak = std::max(peak, std::fabs(double{work[2 * n + i]}));
  std::vector<std::int16_t> data(n * 2);
  for (auto [codes, fits] : std::vector<std::pair<double, bool>>{{31900.0, true}, {32100.0, false}}) {
    double interval = 1e-5;
    std::int32_t code = 0;
    EXPECT_EQ(ChirpReal::AcquireAverage(0, 0, codes / peak / 3200.0, interval, n, 1, 1, work, data, code),
              fits)
        << codes;
  }
}

TEST_F(ChirpRealClosed, TestWriteModesShowTheSearches) {
  const Reals flat = TransferOf([](double) { return std::complex<double>(1.0, 0.0); });
  double frequency = 0, q = 0, gain = 0;
  ADMeasure::TestWriteMode = 1;
  ChirpReal::FindCornerFrequencyAndQ(kInterval, kN, flat, -90.0, 500.0, frequency, q);
  EXPECT_EQ(ConsoleLines(),
            (std::vector<std::string>{"FindCornerFrequencyAndQ: seeking=  -90.00, found=    0.00"}));

  ADMeasure::TestWriteMode = 3;
  const Reals pole = TransferOf([](double f) { return 1.0 / std::complex<double>(1.0, f / 5000.0); });
  ChirpReal::FindCornerFrequencyAndQ(kInterval, kN, pole, -45.0, 500.0, frequency, q);
  ChirpReal::FindMinus3db(kInterval, kN, pole, 500.0, frequency);
  ChirpReal::FindFrequencyAtMaximum(kInterval, kN, pole, 500.0, 4, frequency);
  ChirpReal::FindGainFromFreq(kInterval, kN, pole, 5000.0, gain);
  constexpr std::int32_t n = 16;
  Reals work(4 * n);
  std::vector<std::int16_t> data(2 * n);
  ASSERT_TRUE(ChirpReal::MakeChirp(n, work));
  double interval = 1e-5;
  std::int32_t code = 0;
  ChirpReal::AcquireAverage(0, 0, 1.0, interval, n, 1, 1, work, data, code);
  std::vector<std::string> heads;
  for (const std::string& line : ConsoleLines()) heads.push_back(line.substr(0, line.find_first_of(":= ")));
  for (const char* expected :
       {"FindCornerFrequencyAndQ", "SeekPhase,", "Gain", "Phase", "FindFrequency", "FindFrequencyAtMaximum",
        "FindGainFromFreq", "TargetHz", "AcquireAverage", "index", "seeking"}) {
    EXPECT_NE(std::find(heads.begin(), heads.end(), expected), heads.end()) << expected;
  }
}

}  // namespace
