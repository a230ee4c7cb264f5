// The automatic procedures' shared sampling on the simulated rack: the
// array limits, the square wave kept inside the DAC around the holding
// level, the amplitude halving, the mean readings and the temporary state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoSampling.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
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
