// The automatic C-fast compensation: the lookup's arithmetic by table, and
// both methods on the simulated rack's seal.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoCFast.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AutoRack_fixture.h"

namespace {

TEST(CFastLookupArithmetic, RowOfTheTimeConstant) {
  struct Case {
    double tau;
    std::int32_t row;
  };
  for (const Case c : {Case{5e-7, 0}, Case{8e-6, 15}, Case{0.0, 0}, Case{9e-6, 15}, Case{2.6e-6, 4}, Case{1.0, 15}}) {
    EXPECT_EQ(T3Auto::CFastRow(c.tau), c.row) << c.tau;
  }
}

TEST(CFastLookupArithmetic, TimeConstantCorrection) {
  // Ratio 4 is taken as 2.5: 0.75 us less.
  EXPECT_DOUBLE_EQ(T3Auto::CorrectedCFastTau(4e-6, 4.0 * 2e-13, 0.0), 4e-6 - 7.5e-7);
  EXPECT_DOUBLE_EQ(T3Auto::CorrectedCFastTau(4e-6, -4.0 * 3e-13, -1e-13), 4e-6 + 7.5e-7);
  EXPECT_DOUBLE_EQ(T3Auto::CorrectedCFastTau(1.6e-6, 2e-13, 0.0), 1.5e-6);
}

TEST(CFastLookupArithmetic, DeficitMovesToTheOtherComponent) {
  struct Case {
    double c1, c2, c1After, c2After;
  };
  for (const Case c : {Case{-1e-12, 3e-12, 0.0, 2e-12}, Case{2e-12, -0.5e-12, 1.5e-12, 0.0},
                       Case{-3e-12, 1e-12, 0.0, 0.0}, Case{1e-12, -2e-12, 0.0, 0.0}, Case{1e-12, 1e-12, 1e-12, 1e-12}}) {
    double c1 = c.c1;
    double c2 = c.c2;
    T3Auto::MoveCFastDeficit(c1, c2);
    EXPECT_DOUBLE_EQ(c1, c.c1After) << c.c1 << "/" << c.c2;
    EXPECT_DOUBLE_EQ(c2, c.c2After) << c.c1 << "/" << c.c2;
  }
}

constexpr std::uint16_t kCFastHigh = 1 << 12;

class CFastRack : public AutoRackTest {
 protected:
  void StartSeal(std::uint16_t options = 0) {
    letter_ = LetterOfInterface(Board());
    Start(AmplifierCell::Seal(), options);
    UseTruthScale();
    T3Panel::SetCFast1(0.0);
    T3Panel::SetCFast2(0.0);
    T3Panel::SetCFastTau(1e-6);
  }
  void TearDown() override {
    T3Init::CFastFileLoaded = false;
    AutoRackTest::TearDown();
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, CFastRack, ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN55), BoardName);

TEST_P(CFastRack, HighRangeComputesEvenWithATable) {
  StartSeal(kCFastHigh);
  T3Panel::SetCFastHigh(true);
  ASSERT_TRUE(T3Types::State.CFastHigh);
  T3Init::CFastFileLoaded = true;
  // The lookup with an all-zero table would change nothing.
  T3Auto::CFastTable = {};
  T3Auto::CFast();
  EXPECT_GT(T3Types::State.CFast2, 0.0);
}

TEST_P(CFastRack, TableValueThatIsNoNumberCorrectsNothing) {
  StartSeal();
  T3Panel::SetCFast1(2e-12);
  T3Panel::SetCFast2(1e-12);
  const double c1 = T3Types::State.CFast1;
  const double c2 = T3Types::State.CFast2;
  T3Init::CFastFileLoaded = true;
  T3Auto::CFastTable = {};
  for (auto& table : T3Auto::CFastTable.Tables) table.SampleInterval = 1e-5f;
  const std::int32_t row = T3Auto::CFastRow(T3Types::State.CFastTau);
  for (auto& table : T3Auto::CFastTable.Tables) {
    table.CFast1[static_cast<std::size_t>(row)][3] = std::numeric_limits<float>::quiet_NaN();
  }
  EXPECT_FALSE(T3Auto::CFast());
  EXPECT_EQ(T3Error::Error, 19);
  EXPECT_EQ(T3Types::State.CFastStatus, 2);
  EXPECT_EQ(T3Types::State.CFast1, c1);
  EXPECT_EQ(T3Types::State.CFast2, c2);
}

}  // namespace
