// The automatic C-fast compensation: the lookup's arithmetic by table, and
// both methods on the simulated rack's seal.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3AutoCFast.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AutoRack_fixture.h"
#include "amplifier/tests/CFastTable_fixture.h"

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
// The seal's pipette: 1.5 pF straight and 2.5 pF behind 2.5 us.
constexpr double kPipetteFarads = 4e-12;
constexpr double kTauStep = 5e-7;

class CFastRack : public AutoRackTest {
 protected:
  void StartSeal(std::uint16_t options = 0, const AmplifierCell& cell = AmplifierCell::Seal()) {
    letter_ = LetterOfInterface(Board());
    Start(cell, options);
    UseTruthScale();
    T3Panel::SetCFast1(0.0);
    T3Panel::SetCFast2(0.0);
    T3Panel::SetCFastTau(1e-6);
  }
  double AppliedTotal() {
    const AmplifierCompensation applied = Applied();
    return applied.c_fast1_farads + applied.c_fast2_farads;
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

TEST_P(CFastRack, ComputedMethodMeetsTheSealInEveryRange) {
  for (const int range : {0, 1, 2}) {
    SCOPED_TRACE(range);
    StartSeal();
    T3Panel::SetRange(range);
    const T3Types::AmplifierState before = T3Types::State;
    EXPECT_TRUE(T3Auto::CFast());
    EXPECT_EQ(T3Error::Error, 0);
    EXPECT_EQ(T3Types::State.CFastStatus, 1);
    EXPECT_NEAR(AppliedTotal(), kPipetteFarads, 0.1 * kPipetteFarads);
    EXPECT_EQ(T3Types::State.Gain, before.Gain);
    EXPECT_EQ(T3Types::State.Filter1, before.Filter1);
    EXPECT_EQ(T3Types::State.Mux, before.Mux);
  }
}

TEST_P(CFastRack, ComputedMethodFindsTheStepOfAOneComponentPipette) {
  StartSeal(0, AmplifierCell::SealedPipette());
  EXPECT_TRUE(T3Auto::CFast());
  EXPECT_NEAR(AppliedTotal(), kPipetteFarads, 0.1 * kPipetteFarads);
  // 2.5 us is step 4.
  EXPECT_NEAR(Applied().c_fast_tau_seconds / kTauStep - 1.0, 4.0, 1.0 + 1e-6);
}

// The lookup with a table made on the rack's seal.
class CFastLookupRack : public CFastRack {
 protected:
  void StartWithTable() {
    StartSeal();
    static std::map<ZRVBase::BoardType, T3Scale::CFastTable> tables;
    auto made = tables.find(Board());
    if (made == tables.end()) made = tables.emplace(Board(), MeasuredCFastTable({0, 1})).first;
    InstallCFastTable(made->second);
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, CFastLookupRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(CFastLookupRack, ConvergesFromHalfOff) {
  struct Case {
    std::int32_t filter1;  // 2: the 10 kHz table, 1: the 30 kHz one
    double factor;
    double tau;
  };
  for (const Case c : {Case{2, 1.5, 2.5e-6}, Case{2, 0.5, 4e-6}, Case{1, 1.5, 1.5e-6}, Case{1, 0.5, 2.5e-6}}) {
    SCOPED_TRACE(testing::Message() << "filter " << c.filter1 << " x" << c.factor << " tau " << c.tau);
    StartWithTable();
    T3Panel::SetFilter1(c.filter1);
    T3Panel::SetCFast1(1.5e-12 * c.factor);
    T3Panel::SetCFast2(2.5e-12 * c.factor);
    T3Panel::SetCFastTau(c.tau);
    T3Base::BoardState.CFastLookupDone = false;
    EXPECT_TRUE(T3Auto::CFast());
    EXPECT_EQ(T3Error::Error, 0);
    EXPECT_EQ(T3Types::State.CFastStatus, 1);
    EXPECT_TRUE(T3Base::BoardState.CFastLookupDone);
    EXPECT_NEAR(AppliedTotal(), kPipetteFarads, 0.1 * kPipetteFarads);
    EXPECT_EQ(T3Types::State.Filter1, c.filter1);
    // Later lookups start from one converged pass.
    EXPECT_TRUE(T3Auto::CFast());
    EXPECT_NEAR(AppliedTotal(), kPipetteFarads, 0.1 * kPipetteFarads);
  }
}

TEST_P(CFastLookupRack, TableValueThatIsNoNumberCorrectsNothing) {
  StartWithTable();
  T3Panel::SetCFast1(2e-12);
  T3Panel::SetCFast2(1e-12);
  const AmplifierCompensation applied = Applied();
  const std::int32_t row = T3Auto::CFastRow(T3Types::State.CFastTau);
  T3Auto::CFastTable.Tables[0].CFast1[static_cast<std::size_t>(row)][5] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(T3Auto::CFast());
  EXPECT_EQ(T3Error::Error, 19);
  EXPECT_EQ(T3Types::State.CFastStatus, 2);
  EXPECT_EQ(Applied(), applied);
}

}  // namespace
