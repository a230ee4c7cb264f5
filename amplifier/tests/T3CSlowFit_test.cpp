// The C-slow transient fit and subtraction on synthetic responses, with the
// console captured for the test modes' lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3CSlowFit.h"
#include "amplifier/T3Types.h"

namespace {

constexpr double kStep = 0.02;
constexpr double kInterval = 1e-5;
constexpr double kScale = 1e-12;

class CSlowFitTest : public ClosedLayerTest {
 protected:
  void SetUp() override {
    ClosedLayerTest::SetUp();
    T3Types::State = T3Types::AmplifierState{};
    T3Types::State.CSlow = 22e-12;
    T3Types::State.GSeries = 1e-7;
    T3Types::State.Filter1 = 2;
    T3CSlowFit::InitModule();
    T3Auto::CheckTimeout = true;
  }
  void TearDown() override {
    T3CSlowFit::TestMode = 0;
    T3Auto::CheckTimeout = true;
    ClosedLayerTest::TearDown();
  }

  static long LinesStarting(const std::string& start) {
    const auto lines = ConsoleLines();
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  }

  std::array<std::int32_t, 200> sums_{};
};

TEST_F(CSlowFitTest, SubtractionWithoutAModelChangesNothing) {
  sums_.fill(1000);
  for (const auto [a, b] : {std::pair{0.0, 0.0}, std::pair{8e-12, 0.0}, std::pair{0.0, 150e6}, std::pair{std::nan(""), 150e6}}) {
    T3Types::State.CSlowFitA = a;
    T3Types::State.CSlowFitB = b;
    EXPECT_FALSE(T3CSlowFit::DoSubtract(sums_, kStep, kInterval, kScale, 50, 3));
    EXPECT_TRUE(std::all_of(sums_.begin(), sums_.end(), [](std::int32_t s) { return s == 1000; }));
  }
}

TEST_F(CSlowFitTest, SubtractionStartsAtTheLatency) {
  sums_.fill(0);
  T3Types::State.CSlowFitA = 8e-12;
  T3Types::State.CSlowFitB = 150e6;
  constexpr std::int32_t kLatency = 4;
  ASSERT_TRUE(T3CSlowFit::DoSubtract(sums_, kStep, kInterval, kScale, 50, kLatency));
  for (std::int32_t i = 0; i < kLatency; ++i) EXPECT_EQ(sums_[static_cast<std::size_t>(i)], 0) << i;
  // I2 = 0.02 V / 150 MOhm, taken off at 0.6 pA per code.
  const double first = 0.02 / 150e6 * std::exp(-(5.9e-5 + kLatency * kInterval) / 1.2e-3) / (0.6 * kScale);
  EXPECT_NEAR(sums_[kLatency], -first, 1.0);
  EXPECT_EQ(sums_[60], 0);
  T3Types::State.CSlowPending = true;
  const auto kept = sums_;
  EXPECT_TRUE(T3CSlowFit::DoSubtract(sums_, kStep, kInterval, kScale, 50, kLatency));
  EXPECT_EQ(sums_, kept);
}

TEST_F(CSlowFitTest, FitWithoutAResidualKeepsTheModel) {
  T3Types::State.CSlowFitA = 3e-12;
  T3Types::State.CSlowFitB = 40e6;
  // 2L = 50 of 50 points: nothing to fit.
  EXPECT_FALSE(T3CSlowFit::DoFit(sums_, kStep, kInterval, kScale, 50, 25));
  EXPECT_EQ(T3Types::State.CSlowFitA, 3e-12);
  EXPECT_EQ(T3Types::State.CSlowFitB, 40e6);
}

TEST_F(CSlowFitTest, FitsTwoExponentialsBackIntoTheModel) {
  // A response of 22 pF behind 10 MOhm and 8 pF behind 150 MOhm.
  const double delay = T3Auto::CSlowFilterDelay();
  for (std::size_t i = 0; i < 50; ++i) {
    const double x = delay + kInterval * static_cast<double>(i);
    const double amperes = kStep / 10e6 * std::exp(-x / 220e-6) + kStep / 150e6 * std::exp(-x / 1.2e-3);
    sums_[i] = static_cast<std::int32_t>(std::lround(amperes / kScale));
  }
  T3Types::State.GSeries = 1.0 / 12e6;
  T3Types::State.CSlow = 20e-12;
  T3Types::State.CSlowFitA = 10e-12;
  T3Types::State.CSlowFitB = 120e6;
  ASSERT_TRUE(T3CSlowFit::DoFit(sums_, kStep, kInterval, kScale, 50, 1));
  EXPECT_NEAR(T3Types::State.CSlowFitB, 150e6, 0.1 * 150e6);
  EXPECT_NEAR(T3Types::State.CSlowFitA, 8e-12, 0.1 * 8e-12);
  EXPECT_TRUE(T3Auto::CheckTimeout);
}

TEST_F(CSlowFitTest, TestModesStoreNothing) {
  for (const std::uint8_t mode : {2, 3}) {
    SCOPED_TRACE(static_cast<int>(mode));
    T3CSlowFit::TestMode = mode;
    T3Types::State.CSlowFitA = 3e-12;
    T3Types::State.CSlowFitB = 40e6;
    EXPECT_TRUE(T3CSlowFit::DoFit(sums_, kStep, kInterval, kScale, 50, 2));
    EXPECT_EQ(T3Types::State.CSlowFitA, 3e-12);
    EXPECT_EQ(T3Types::State.CSlowFitB, 40e6);
    EXPECT_FALSE(T3Auto::CheckTimeout);
    EXPECT_EQ(LinesStarting("Input: "), mode - 1);
    EXPECT_EQ(LinesStarting("Fit:   "), mode - 1);
    EXPECT_EQ(LinesStarting("     in"), mode - 1);
    // Test mode 3 ends before the fitted components.
    EXPECT_EQ(LinesStarting("    out"), 1);
  }
}

}  // namespace
