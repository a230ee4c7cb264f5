// The automatic procedures' shared sampling on the simulated rack: the
// array limits, the square wave kept inside the DAC around the holding
// level, the amplitude halving, the mean readings and the temporary state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoSampling.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Measure.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AutoRack_fixture.h"
#include "foundation/RealTime.h"

namespace {

TEST(AutoSamplingLimits, CyclesThatFitTheArrays) {
  struct Case {
    std::int32_t halfPeriod, cycles, most;
  };
  for (const Case c : {Case{50, 100, 46}, Case{200, 100, 10}, Case{16, 40, 40}}) {
    EXPECT_EQ(T3Auto::MaxCycles(c.halfPeriod, c.cycles), c.most) << c.halfPeriod << "/" << c.cycles;
  }
  EXPECT_EQ(T3Auto::PointsFromCycles(50, 46), 4800);
}

class AutoSampling : public AutoRackTest {};

INSTANTIATE_TEST_SUITE_P(Boards, AutoSampling, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(AutoSampling, SampleWindowLeavesOutTheEnds) {
  Start(AmplifierCell::WholeCell());
  struct Case {
    std::int32_t points, sampled;
  };
  for (const Case c : {Case{2, 16}, Case{1000, 400}}) {
    SCOPED_TRACE(c.points);
    T3Auto::StimArray.fill(12345);
    const std::int32_t adc = T3Types::State.ImonAdc;
    const double mean = T3Auto::Sample(adc, c.points, false);
    const auto taken = std::find(T3Auto::StimArray.begin(), T3Auto::StimArray.end(), 12345) - T3Auto::StimArray.begin();
    EXPECT_EQ(taken, c.sampled);
    double sum = 0.0;
    for (std::int32_t i = 10; i < c.sampled - 2; ++i) sum += T3Auto::StimArray[static_cast<std::size_t>(i)];
    EXPECT_DOUBLE_EQ(mean, ZRV::AdcRealUnitsToVolts(adc, sum / (c.sampled - 12)));
  }
}

TEST_P(AutoSampling, SquareWaveStaysInsideTheDacAroundTheHold) {
  Start(AmplifierCell::Open());
  T3Panel::SetMux(14);
  for (const double side : {1.0, -1.0}) {
    SCOPED_TRACE(side);
    T3Error::Error = 0;
    T3Types::State.VHold = side * 0.98 * ZRVBase::MaxOutVolts / T3Types::State.StimDacScale;
    double amplitude = 0.5 * ZRVBase::MaxOutVolts / T3Types::State.StimDacScale;
    const double asked = amplitude;
    T3Auto::AutoSample(amplitude, T3Auto::StimArray, 50, 2, 1e-4, RealTime::GetTime() + 10.0, false);
    const auto points = static_cast<std::ptrdiff_t>(T3Auto::PointsFromCycles(50, 2));
    const auto [low, high] = std::minmax_element(T3Auto::DataArray.begin(), T3Auto::DataArray.begin() + points);
    if (side > 0) {
      EXPECT_GT(*low, 0);
    } else {
      EXPECT_LT(*high, 0);
    }
    EXPECT_LT(std::abs(amplitude), 0.1 * asked);
  }
}

TEST_P(AutoSampling, AmplitudeHalvedUntilTheResponseFits) {
  Start(AmplifierCell::Resistor(10e6));
  T3Panel::SetMux(14);
  T3Panel::SetRange(1);
  T3Panel::SetGain(5);
  double amplitude = 0.5;
  EXPECT_TRUE(T3Auto::AutoSample(amplitude, T3Auto::StimArray, 50, 2, 1e-4, RealTime::GetTime() + 10.0, false));
  EXPECT_LT(amplitude, 0.5 / 2);
  EXPECT_LT(T3Auto::FindMax(T3Types::State.MuxAdc, T3Auto::StimArray, 150), 8.0);
}

TEST_P(AutoSampling, GivesUpBelowFourCodes) {
  Start(AmplifierCell::Resistor(100e3));
  T3Panel::SetMux(14);
  T3Panel::SetRange(2);
  T3Panel::SetGain(5);
  double amplitude = 0.5;
  EXPECT_FALSE(T3Auto::AutoSample(amplitude, T3Auto::StimArray, 50, 2, 1e-4, RealTime::GetTime() + 10.0, false));
  double next = amplitude * T3Types::State.StimDacScale / 2.0;
  EXPECT_LT(std::abs(ZRV::VoltsToDacUnits(T3Types::State.StimDac, next)), 4);
  EXPECT_EQ(T3Error::Error, 0);
}

TEST_P(AutoSampling, ResetWithNothingSavedChangesNothing) {
  Start(AmplifierCell::WholeCell());
  T3Auto::InitTempState();
  T3Panel::SetMux(14);
  T3Panel::SetGain(4);
  const BoardElements before = Elements();
  T3Auto::ResetTempState();
  EXPECT_EQ(Elements(), before);
  EXPECT_EQ(T3Types::State.Mux, 14);
}

}  // namespace

namespace {

TEST_P(AutoSampling, ReadVmonThroughTheMultiplexer) {
  Start(AmplifierCell::WholeCell());
  for (const std::uint8_t mux : {5, 10}) {
    SCOPED_TRACE(static_cast<int>(mux));
    T3Panel::SetMux(mux);
    T3Panel::SetVHold(0.04);
    EXPECT_NEAR(T3Auto::ReadVmon(100), T3Types::State.VHold, 0.004);
    EXPECT_EQ(T3Types::State.Mux, mux);
  }
}

TEST_P(AutoSampling, GentleModeSwitchHoldsWhatTheCellSees) {
  struct Case {
    double hold;
    double expected;
  };
  Start(AmplifierCell::WholeCell());
  for (const Case c : {Case{-0.25, 0.0}, Case{0.0437, 0.044}, Case{-0.0601, -0.06}}) {
    SCOPED_TRACE(c.hold);
    T3Panel::SetMode(0);
    T3Panel::SetVHold(c.hold);
    EXPECT_TRUE(T3Auto::SetModeGently(1));
    // The reading carries the multiplexer's own offset of a few mV.
    EXPECT_NEAR(T3Types::State.VHold, c.expected, 0.0041);
    EXPECT_NEAR(std::remainder(T3Types::State.VHold, 0.002), 0.0, 1e-4);
    EXPECT_EQ(T3Types::State.Mode, 1);
  }
}

TEST_P(AutoSampling, GentleSwitchIntoCurrentClamp) {
  constexpr std::uint16_t kHighCCGains = 1 << 7;
  constexpr std::uint16_t kCCRanges = (1 << 4) | (1 << 5);
  struct Case {
    std::uint16_t options;
    std::uint8_t range, gain;
    std::uint8_t range_after, gain_after;
  };
  for (const Case c : {Case{kCCRanges, 2, 0, 1, 5}, Case{kCCRanges | kHighCCGains, 0, 3, 0, 3},
                       Case{kCCRanges, 0, 3, 1, 0}}) {
    SCOPED_TRACE(std::to_string(c.options) + "/" + std::to_string(c.range));
    Start(AmplifierCell::WholeCell(), c.options);
    T3Panel::SetRange(c.range);
    T3Panel::SetGain(c.gain);
    EXPECT_TRUE(T3Auto::SetModeGently(2));
    EXPECT_EQ(T3Types::State.Range, c.range_after);
    EXPECT_EQ(T3Types::State.Gain, c.gain_after);
    EXPECT_EQ(T3Types::State.Mode, 2);
  }
}

TEST_P(AutoSampling, NoiseOfTheCurrentMonitor) {
  Start(AmplifierCell::Open());
  T3Panel::SetRange(1);
  const double noise = T3Auto::MeasureNoise();
  const double slow = T3Auto::Measure50HzNoise();
  EXPECT_GT(noise, 0.0);
  EXPECT_GT(slow, 0.0);
  EXPECT_NE(noise, slow);
  noise_ = false;
  Start(AmplifierCell::Open());
  T3Panel::SetRange(1);
  EXPECT_LT(T3Auto::MeasureNoise(), 0.2 * noise);
}

class FourBoardMeasure : public AutoRackTest {};

INSTANTIATE_TEST_SUITE_P(QRN2400, FourBoardMeasure, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(FourBoardMeasure, AD7ReadsTheMultiplexerOrBoard3ByTheFlag) {
  boards_ = 4;
  Start(AmplifierCell::Open());
  T3Panel::SetMux(1);
  double mean = 0.0;
  double rms = 0.0;
  T3Measure::MeanAndRms(7, 1e-4, 100, mean, rms, true);
  EXPECT_NEAR(mean, 5.0, 0.1);
  T3Measure::MeanAndRms(7, 1e-4, 100, mean, rms, false);
  EXPECT_NEAR(mean, Model(3).Monitors().current, 0.05);
  EXPECT_GT(std::abs(mean - 5.0), 0.5);
}

}  // namespace
