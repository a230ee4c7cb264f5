// ADMeasure on arrays of its own and with no board open: the templates, the
// cycle averaging, the peak evaluation, the corrections, the evaluations of
// square responses and the degenerate inputs of every measurement.
#include "acquisition/ADMeasure.h"
#include "acquisition/ZRVBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "acquisition/ZRV.h"
#include "acquisition/tests/Measurement_fixture.h"

namespace {

using Codes = std::vector<std::int16_t>;
using Sums = std::vector<std::int32_t>;

constexpr double kPi = std::numbers::pi;

// ---- Templates ----------------------------------------------------------------

TEST(ADMeasureTemplates, TheSquareWaveOfTheWorkedExample) {
  Codes t(1201, 7);
  ADMeasure::MakeSquareWave(1000, 50, 10, t);
  EXPECT_EQ(t[0], 0);
  for (int i = 1; i < 50; ++i) ASSERT_EQ(t[i], 500) << i;
  for (int i = 50; i < 1150; ++i) ASSERT_EQ(t[i], (i / 50) % 2 == 1 ? -1000 : 1000) << i;
  for (int i = 1150; i < 1199; ++i) ASSERT_EQ(t[i], -500) << i;
  EXPECT_EQ(t[1199], 0);
  EXPECT_EQ(t[1200], 7);  // not written
}

TEST(ADMeasureTemplates, SquareWavesThatDoNotFit) {
  struct Case {
    std::string name;
    std::int32_t amplitude, cycles;
    std::size_t capacity;
    Codes expected;  // of the whole template
  };
  const auto blocks = [](std::vector<std::pair<int, std::int16_t>> runs) {
    Codes codes;
    for (auto [count, value] : runs) codes.insert(codes.end(), static_cast<std::size_t>(count), value);
    return codes;
  };
  const std::vector<Case> cases = {
      {"first half period cut", 1000, 10, 30, blocks({{1, 0}, {29, 500}})},
      {"pattern cut, no copy", 1000, 10, 120, blocks({{1, 0}, {49, 500}, {50, -1000}, {20, 1000}})},
      {"no cycles: no copy, last sample kept", 999, 0, 200,
       blocks({{1, 0}, {49, 499}, {50, -999}, {50, 999}, {50, -499}})},
      {"last half period cut", 1000, 1, 280,
       blocks({{1, 0}, {49, 500}, {50, -1000}, {50, 1000}, {50, -1000}, {50, 1000}, {29, -500}, {1, 0}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Codes t(c.capacity, 7);
    ADMeasure::MakeSquareWave(c.amplitude, 50, c.cycles, t);
    EXPECT_EQ(t, c.expected);
  }
}

TEST(ADMeasureTemplates, SineAndTriangleWaves) {
  struct Case {
    std::string name;
    bool sine;
    std::int32_t cycles;
    std::size_t capacity;
    Codes expected;
  };
  const std::vector<Case> cases = {
      {"sine, two periods", true, 1, 20, {0,    0,   0, 0,    0,     -707, -1000, -707, 0,    707,
                                          1000, 707, 0, -707, -1000, -707, 0,     707,  1000, 0}},
      {"sine, more cycles than fit", true, 5, 20, {0,    0,   0, 0,    0,     -707, -1000, -707, 0,    707,
                                                   1000, 707, 0, -707, -1000, -707, 0,     707,  1000, 0}},
      {"sine, no room for a period after the first half", true, 3, 11, Codes(11, 0)},
      {"triangle from a quarter period", false, 1, 20, {0,   0,    0,    -500, -1000, -500,  0,
                                                        500, 1000, 500,  0,    -500,  -1000, -500,
                                                        0,   500,  1000, 500,  0,     0}},
      {"triangle, fitted as if from the half period",
       false,
       1,
       19,
       {0, 0, 0, -500, -1000, -500, 0, 500, 1000, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Codes t(c.capacity, 7);
    if (c.sine) {
      ADMeasure::MakeSineWave(1000, 4, c.cycles, t);
    } else {
      ADMeasure::MakeRampWave(1000, 4, c.cycles, t);
    }
    EXPECT_EQ(t, c.expected);
  }
}

// ---- Averaging and peaks ------------------------------------------------------

TEST(ADMeasureAveraging, OnlyWholePeriodsPresentAreAveraged) {
  struct Case {
    std::string name;
    std::int32_t skip, cycles;
    std::size_t dataLength, sumsLength;
    std::int32_t summed;
    Sums sums;
    Codes average;
  };
  // data[i] = i; periods of 4 points.
  const std::vector<Case> cases = {
      {"three of four", 4, 3, 20, 4, 3, {24, 27, 30, 33}, {8, 9, 10, 11}},
      {"data for two", 4, 10, 14, 4, 2, {12, 14, 16, 18}, {6, 7, 8, 9}},
      {"a negative skip starts at 0", -3, 5, 8, 4, 2, {4, 6, 8, 10}, {2, 3, 4, 5}},
      {"no whole period", 20, 3, 23, 4, 0, {0, 0, 0, 0}, {0, 0, 0, 0}},
      {"no cycles", 0, 0, 20, 4, 0, {0, 0, 0, 0}, {0, 0, 0, 0}},
      {"sums too short: nothing written", 0, 3, 20, 3, 0, {-1, -1, -1}, {-1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Codes data(c.dataLength);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::int16_t>(i);
    Sums sums(c.sumsLength, -1);
    Codes average(4, -1);
    EXPECT_EQ(ADMeasure::DoAverageCycles(2, c.skip, c.cycles, data, sums, average), c.summed);
    EXPECT_EQ(sums, c.sums);
    EXPECT_EQ(average, c.average);
  }
}

TEST(ADMeasureAveraging, TheAverageOfTheSquareTemplateStartsWithItsUpperHalf) {
  Codes t(1201);
  ADMeasure::MakeSquareWave(1000, 50, 10, t);
  Sums sums(100);
  Codes average(100);
  EXPECT_EQ(ADMeasure::AverageCycles(50, 10, std::span(t).first(1200), sums, average), 10);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(average[i], i < 50 ? 1000 : -1000) << i;
  EXPECT_EQ(sums[0], 10000);
  EXPECT_DOUBLE_EQ(ADMeasure::PeakAmplitude(average, 50, 40), 1000.0);
}

TEST(ADMeasureAveraging, PeakAmplitudeTakesTheCentredWindows) {
  Codes average(100);
  for (int i = 0; i < 100; ++i) {
    const bool inWindow = (i >= 5 && i < 45) || (i >= 55 && i < 95);
    average[i] = static_cast<std::int16_t>(i < 50 ? (inWindow ? 1000 : 9999) : (inWindow ? -1000 : -9999));
  }
  struct Case {
    std::int32_t halfPeriod, window;
    std::size_t length;
    double peak;
  };
  const std::vector<Case> cases = {
      {50, 40, 100, 1000.0}, {50, 50, 100, (40 * 1000.0 + 10 * 9999.0) / 50},  // windows 0-49 and 50-99
      {50, 0, 100, 0.0},     {50, 51, 100, 0.0},
      {50, 40, 99, 0.0},     {0, 0, 100, 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ADMeasure::PeakAmplitude(std::span(average).first(c.length), c.halfPeriod, c.window),
                     c.peak)
        << c.halfPeriod << " " << c.window << " " << c.length;
  }
}

TEST(ADMeasureCorrections, EachBoardHasItsTimingAndNoBoardNone) {
  struct Case {
    ZRVBase::BoardType board;
    double delay, inputTau, outputTau, sampleCorrection;
  };
  const std::vector<Case> cases = {
      {ZRVBase::BoardZRV24, -1.1e-6, 0.0, 4.5e-7, -1},
      {ZRVBase::BoardZRV28, -1.5e-6, 1.1e-6, 4.5e-7, -1},
      {ZRVBase::BoardQRN2400, 3.2e-6, 1.1e-6, 4.5e-7, -1},
      {ZRVBase::BoardQRN55, -4.65e-6, 1.5e-7, 4.0e-7, -1},
      {ZRVBase::BoardNone, 0, 0, 0, 0},
      {7, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    double delay = 9, inputTau = 9, outputTau = 9, sampleCorrection = 9;
    ADMeasure::GetCorrections(c.board, delay, inputTau, outputTau, sampleCorrection);
    EXPECT_EQ(delay, c.delay) << int{c.board};
    EXPECT_EQ(inputTau, c.inputTau) << int{c.board};
    EXPECT_EQ(outputTau, c.outputTau) << int{c.board};
    EXPECT_EQ(sampleCorrection, c.sampleCorrection) << int{c.board};
  }
  EXPECT_EQ(ADMeasure::GetAdcLatency(1e-5), 0);
}

// The simulated boards have the timing the corrections undo: the ADC samples
// the conversion delay after the DAC settles (the QRN 5+5 one input time
// constant later still, for its second input pole), behind the filters.
TEST(ADMeasureCorrections, TheSimulatedBoardsHaveTheTimingTheCorrectionsUndo) {
  for (ZRVBase::BoardType board :
       {ZRVBase::BoardZRV24, ZRVBase::BoardZRV28, ZRVBase::BoardQRN2400, ZRVBase::BoardQRN55}) {
    double delay = 0, inputTau = 0, outputTau = 0, sampleCorrection = 0;
    ADMeasure::GetCorrections(board, delay, inputTau, outputTau, sampleCorrection);
    const AnalogBoardTiming& timing = TimingOf(board);
    const double lateByPoles = (timing.input_poles - 1) * timing.input_tau_seconds;
    EXPECT_NEAR(timing.adc_delay_seconds - timing.dac_delay_seconds - lateByPoles, delay, 1e-15)
        << int{board};
    EXPECT_EQ(timing.input_tau_seconds, inputTau) << int{board};
    EXPECT_EQ(timing.output_tau_seconds, outputTau) << int{board};
    EXPECT_EQ(sampleCorrection, -1.0) << int{board};
  }
}

// ---- Evaluations of square responses --------------------------------------------

// Cycle sums of an averaged square period: B + M e^(-i/tau) in the first
// half, its negative in the second, cycles periods summed.
Sums ExponentialSums(double tau, double base, double step, std::int32_t cycles) {
  Sums sums(100);
  for (int i = 0; i < 50; ++i) {
    const double level = cycles * (base + step * std::exp(-i / tau));
    sums[i] = static_cast<std::int32_t>(std::lround(level));
    sums[i + 50] = -sums[i];
  }
  return sums;
}

TEST(ADMeasureSquareResponses, TheThreePointExponentialFindsTauAmplitudeAndBase) {
  const Sums sums = ExponentialSums(7.3, 3000.0, -6000.0, 10);
  double tau = 0, amplitude = 0, base = 0;
  ASSERT_TRUE(ADMeasure::GetTauFromSquareWave(2, 50, 10, 1e-5, true, sums, tau, amplitude, base));
  EXPECT_NEAR(tau, 7.3, 0.01);
  EXPECT_NEAR(amplitude, -3000.0, 3.0);  // extrapolated back to the step
  EXPECT_NEAR(base, 3000.0, 3.0);
  EXPECT_FALSE(ADMeasure::GetTauFromSquareWave(2, 50, 0, 1e-5, true, sums, tau, amplitude, base));
  EXPECT_NEAR(tau, 7.3, 0.01);
}

TEST(ADMeasureSquareResponses, DegenerateSquareResponsesGiveTheirFixedResults) {
  // Sums of 100 points, zero but where given.
  const auto sums = [](std::vector<std::pair<int, std::int32_t>> points) {
    Sums s(100, 0);
    for (auto [index, value] : points) s[index] = value;
    return s;
  };
  const Sums decay = sums({{0, 1000}, {1, 700}, {2, 495}, {4, -5}});
  Sums slow(100, 0);
  for (int i = 0; i < 50; ++i) slow[i] = 1000 - i;
  slow[49] = 0;
  struct Case {
    std::string name;
    Sums sums;
    std::int32_t start;
    bool ratioMode;
    bool result;
    double tau;
  };
  const std::vector<Case> cases = {
      {"flat, ratio mode", Sums(100, 0), 0, true, false, 1e6},
      {"flat, difference mode", Sums(100, 0), 0, false, false, 0.0},
      {"ratio of exactly 1.01", decay, 0, true, false, 1e6},
      {"the same in difference mode", decay, 0, false, true, -2.0 / std::log(500.0 / 1005.0)},
      {"start at the second half", decay, 50, true, false, 1e6},
      {"start at the second half, difference mode", decay, 50, false, false, 0.0},
      {"negative start", decay, -1, true, false, 1e6},
      {"sums shorter than a period", Sums(99, 0), 0, true, false, 1e6},
      {"no crossing in the first quarter", slow, 0, true, false, 1e6},
      {"difference mode, h = f", sums({{0, 1000}, {1, 700}, {2, 495}, {4, 1000}}), 0, false, false, 0.0},
      {"difference mode, quotient above 1", sums({{0, 1000}, {1, 700}, {2, 495}, {4, 2000}}), 0, false, false,
       0.0},
      {"difference mode, ratio of 1", sums({{0, 1000}, {1, 700}, {2, 495}, {4, -10}}), 0, false, false,
       -2.0 / std::log(0.5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    double tau = -1, amplitude = -1, base = -1;
    EXPECT_EQ(
        ADMeasure::GetTauFromSquareWave(c.start, 50, 10, 1e-5, c.ratioMode, c.sums, tau, amplitude, base),
        c.result);
    EXPECT_NEAR(tau, c.tau, 1e-9);
    EXPECT_TRUE(std::isfinite(amplitude) && std::isfinite(base));
  }
}

using ADMeasureClosed = ClosedLayerTest;

TEST_F(ADMeasureClosed, DelayTimeInterpolatesTheHalfLevelCrossing) {
  constexpr double dt = 1e-5;
  // Rising through 0 between samples 2 and 3 of the first half.
  Sums rising(100, 1000);
  for (int i = 50; i < 100; ++i) rising[i] = -1000;
  rising[0] = rising[1] = rising[2] = -1000;
  rising[3] = 500;
  Sums late = rising;
  late[2] = 0;
  late[3] = 0;
  Sums high(100, 1000);
  for (int i = 50; i < 100; ++i) high[i] = -1000;
  Sums flat(100, 0);
  for (int i = 0; i < 50; ++i) flat[i] = 1;
  struct Case {
    std::string name;
    Sums sums;
    std::int32_t start;
    double delay;
  };
  const std::vector<Case> cases = {
      // Sample 3 was taken one interval after the DAC put out sample 3.
      {"interpolated", rising, 0, dt * (4.0 - 1.0 / 3.0)},
      {"no slope before the crossing", late, 3, dt * 4.0},
      {"crossing at index 0", high, 0, 0.0},
      {"no crossing in the first half", flat, 0, 0.0},
      {"negative start", rising, -1, 0.0},
      {"sums shorter than a period", Sums(99, 0), 0, 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(ADMeasure::DelayTime(c.sums, c.start, 50, 0, 0, dt), c.delay, 1e-15) << c.name;
  }
}

TEST(ADMeasureMeanAndRms, NeedsTwoCodesForAnRms) {
  ZRVBase::InitModule();  // 3,200 codes per volt on every input
  struct Case {
    std::string name;
    Codes data;
    double meanCodes, rmsCodes;
    Codes offset;
  };
  const std::vector<Case> cases = {
      {"four", {1, 2, 3, 4}, 2.5, std::sqrt(2.0), {-1, 0, 1, 2}},
      {"one", {7}, 7.0, 0.0, {0}},
      {"none", {}, 0.0, 0.0, {}},
      {"offsets beyond 16 bits",
       {32767, 32767, -32768},
       10922.0,
       std::sqrt((2.0 * 21845 * 21845 + 43690.0 * 43690) / 2),
       {21845, 21845, -32768}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Codes data = c.data;
    double mean = -1, rms = -1;
    ADMeasure::ComputeMeanAndRms(0, data, mean, rms);
    EXPECT_DOUBLE_EQ(mean, c.meanCodes / 3200.0);
    EXPECT_DOUBLE_EQ(rms, c.rmsCodes / 3200.0);
    EXPECT_EQ(data, c.offset);
  }
}

// ---- Degenerate measurements, no board open -----------------------------------

TEST_F(ADMeasureClosed, DegenerateArgumentsAcquireNothing) {
  ADMeasure::LastPoints = 77;
  EXPECT_EQ(ADMeasure::Gain(0, 0, 0.0, 1e-5), 1e-10);
  EXPECT_EQ(ADMeasure::Gain(0, 0, 1e-5, 1e-5), 1e-10);  // below half a DAC code
  double tau = 0, amplitude = 1, base = 1;
  EXPECT_FALSE(ADMeasure::TimeConstant(0, 0, 0.0, 1e-5, 2, true, tau, amplitude, base));
  EXPECT_EQ(tau, 1e-6);
  EXPECT_EQ(amplitude, 0.0);
  EXPECT_EQ(base, 0.0);
  double gain = 1;
  std::array<double, 3> fractions{1, 1, 1};
  ADMeasure::RiseTime(0, 0, 0.0, 1e-5, gain, fractions);
  EXPECT_EQ(gain, 0.0);
  EXPECT_EQ(fractions, (std::array<double, 3>{0, 0, 0}));
  struct GainAndPhaseCase {
    std::int32_t points, periods;
    double amplitude;
  };
  for (const GainAndPhaseCase& c :
       std::vector<GainAndPhaseCase>{{101, 10, 1.0}, {1, 10, 1.0}, {50, 0, 1.0}, {50, 10, 0.0}}) {
    double phase = 1;
    gain = 1;
    ADMeasure::GainAndPhase(0, 0, c.amplitude, 1e-5, c.points, c.periods, gain, phase);
    EXPECT_EQ(gain, 0.0) << c.points << " " << c.periods;
    EXPECT_EQ(phase, 0.0) << c.points << " " << c.periods;
  }
  double mean = 1, rms = 1;
  ADMeasure::MeanAndRms(0, 1e-5, 1, mean, rms);
  EXPECT_EQ(mean, 0.0);
  EXPECT_EQ(rms, 0.0);
  EXPECT_EQ(ADMeasure::LastPoints, 77);
  EXPECT_EQ(ADMeasure::SampleMean(0), 0.0);
  double a = 1, b = 1;
  ADMeasure::Sample2Means(0, 1, a, b);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
}

// With no board open the AD/DA layer hands the stimulus straight back: a
// response that ran one interval early.
TEST_F(ADMeasureClosed, GainAndPhaseOfTheStimulusItself) {
  double gain = 0, phase = 0;
  ADMeasure::GainAndPhase(0, 0, 1.0, 1e-5, 50, 30, gain, phase);
  EXPECT_EQ(ADMeasure::LastPoints, 50 * 24);  // 1201 / 50 periods fit; 22 averaged
  EXPECT_NEAR(phase, -180.0 / 50, 1e-3);
  EXPECT_NEAR(gain, (kPi / 50) / std::sin(kPi / 50), 1e-3);
  ADMeasure::GainAndPhase(0, 0, 1.0, 1e-5, 2, 5, gain, phase);
  EXPECT_EQ(phase, 0.0);
  EXPECT_NEAR(gain, 1.0, 1e-12);
}

TEST_F(ADMeasureClosed, MeanAndRmsTakesAtMost1202Points) {
  double mean = 1, rms = 1;
  ADMeasure::MeanAndRms(0, 1e-5, 5000, mean, rms);
  EXPECT_EQ(ADMeasure::LastPoints, 1202);
  EXPECT_EQ(mean, 0.0);
  EXPECT_EQ(rms, 0.0);
}

TEST_F(ADMeasureClosed, MeanFromRampKeepsItsWindowInTheHalfPeriod) {
  Codes ramp(1201);
  ADMeasure::MakeRampWave(3200, 50, 10, ramp);
  // The average of the stimulus handed back, periods from sample 50 on.
  const auto expected = [&](int w0, int w1) {
    double rising = 0, falling = 0;
    for (int i = w0; i < w1; ++i) {
      rising += ramp[50 + i];
      falling += ramp[100 + i];
    }
    return (rising - falling) / (w1 - w0) / 2 / 3200.0;
  };
  EXPECT_NEAR(ADMeasure::MeanFromRamp(0, 0, 1.0, 1e-5, 0.2, 0.8), expected(10, 40), 1e-12);
  EXPECT_NEAR(ADMeasure::MeanFromRamp(0, 0, 1.0, 1e-5, -1.0, 2.0), expected(0, 50), 1e-12);
  EXPECT_EQ(ADMeasure::MeanFromRamp(0, 0, 1.0, 1e-5, 0.5, 0.5), 0.0);
  EXPECT_EQ(ADMeasure::LastPoints, 1200);
}

TEST_F(ADMeasureClosed, DataArrayInfoWritesOnlyInTestWriteModeTwo) {
  ADMeasure::LastPoints = 5;
  const std::int16_t codes[] = {0, 32767, -5, 12, -32768};
  std::copy(std::begin(codes), std::end(codes), ADMeasure::DataArray.begin());
  for (std::int32_t mode : {0, 1, 3}) {
    ADMeasure::TestWriteMode = mode;
    ADMeasure::DataArrayInfo("quiet");
  }
  ADMeasure::TestWriteMode = 2;
  ADMeasure::DataArrayInfo("Data");
  ADMeasure::LastPoints = 0;
  ADMeasure::DataArrayInfo("None");
  const std::vector<std::string> lines = ConsoleLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(
      lines[0].rfind(
          "         DataArrayInfo - Data:  points=     5,  max=  32767,  min= -32768 overflow  underflow", 0),
      0u)
      << lines[0];
  EXPECT_EQ(lines[1].rfind("         DataArrayInfo - None:  points=     0", 0), 0u) << lines[1];
  EXPECT_EQ(lines[1].find("max"), std::string::npos);
}

// Above test-write mode 2 the measurements show their intermediate values.
TEST_F(ADMeasureClosed, TestWriteModeThreeShowsTheIntermediateValues) {
  ADMeasure::TestWriteMode = 3;
  double gain = 0, phase = 0, tau = 0, amplitude = 0, base = 0, variance = 0, blockVariance = 0;
  ADMeasure::GainAndPhase(0, 0, 1.0, 1e-5, 20, 5, gain, phase);
  ADMeasure::TimeConstant(0, 0, 1.0, 1e-5, 2, true, tau, amplitude, base);
  ADMeasure::Variance(0, 1e-5, variance, blockVariance);
  ADMeasure::MeanFromRamp(0, 0, 1.0, 1e-5, 0.2, 0.8);
  std::vector<std::string> starts;
  for (const std::string& line : ConsoleLines()) starts.push_back(line.substr(0, line.find_first_of(":= ")));
  for (const char* expected : {"GainAndPhase", "Phase", "Tau", "Variance-1", "Variance-3", "MeanAndSlope"}) {
    EXPECT_NE(std::find(starts.begin(), starts.end(), expected), starts.end()) << expected;
  }
  EXPECT_EQ(std::find(starts.begin(), starts.end(), "Variance-4"), starts.end());
}

}  // namespace
