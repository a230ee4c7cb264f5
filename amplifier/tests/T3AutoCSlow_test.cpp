// The automatic C-slow compensation on the simulated rack's whole-cell
// circuit, judged on the compensation the rack's board really applies. The
// pipette's own capacitance is compensated first (C-fast), as at the bench,
// and filter 2 is left out of the current monitor.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AutoRack_fixture.h"

namespace {

// The elements of the C-slow compensation: its DACs, steps and injection
// capacitors.
constexpr std::initializer_list<int> kCSlowElements = {20, 21, 34, 35, 42, 43};

class CSlowRack : public AutoRackTest {
 protected:
  void StartCell(const AmplifierCell& cell = AmplifierCell::WholeCell(), bool truthScale = false) {
    letter_ = LetterOfInterface(Board());
    Start(cell);
    if (truthScale) UseTruthScale();
    T3Panel::SetF2Response(2);
    T3Panel::SetStimFilter(0);
    T3Panel::SetCFast1(cell.stray_farads);
    T3Panel::SetCFast2(cell.wall_farads);
    T3Panel::SetCFastTau(cell.wall_farads * cell.wall_ohms);
  }

  static std::string Differences(const BoardElements& a, const BoardElements& b) {
    std::string text;
    for (std::size_t address = 0; address < a.size(); ++address) {
      if (a[address] != b[address]) {
        text += " [" + std::to_string(address) + "] " + std::to_string(a[address]) + "/" + std::to_string(b[address]);
      }
    }
    return text;
  }

  static BoardElements WithoutCSlow(BoardElements elements) {
    for (const int address : kCSlowElements) elements[static_cast<std::size_t>(address)] = 0;
    return elements;
  }

  void ExpectCompensates(const AmplifierCell& cell) {
    const AmplifierCompensation applied = Applied();
    EXPECT_NEAR(applied.c_slow_farads, cell.membrane_farads, 0.03 * cell.membrane_farads);
    EXPECT_NEAR(applied.g_series_siemens, 1.0 / cell.series_ohms, 0.05 / cell.series_ohms);
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, CSlowRack,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28, ZRVBase::BoardQRN2400,
                                           ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(CSlowRack, WholeCellFromAFirstRun) {
  StartCell();
  const BoardElements before = Elements();
  ASSERT_FALSE(T3Base::BoardState.CSlowDone);

  EXPECT_TRUE(T3Auto::CSlow(false));
  EXPECT_EQ(T3Error::Error, 0);
  EXPECT_EQ(T3Types::State.CSlowStatus, 1);
  ExpectCompensates(AmplifierCell::WholeCell());
  EXPECT_EQ(Differences(WithoutCSlow(Elements()), WithoutCSlow(before)), "");
  EXPECT_FALSE(T3Base::BoardState.TempStateSaved);
}

TEST_P(CSlowRack, RecordedValuesByATruthScale) {
  StartCell(AmplifierCell::WholeCell(), true);
  ASSERT_TRUE(T3Auto::CSlow(false));
  const AmplifierCell cell = AmplifierCell::WholeCell();
  EXPECT_NEAR(T3Types::State.CSlow, cell.membrane_farads, 0.03 * cell.membrane_farads);
  EXPECT_NEAR(T3Types::State.GSeries, 1.0 / cell.series_ohms, 0.05 / cell.series_ohms);
}

TEST_P(CSlowRack, CyclesKeptToWhatTheArraysHold) {
  StartCell();
  T3Types::State.AutoCSlowCycles = 60;
  T3Auto::CSlow(false);
  EXPECT_EQ(T3Types::State.AutoCSlowCycles, 46);
}

TEST_P(CSlowRack, RangeByTheStartingCSlow) {
  struct Case {
    double cSlow;
    int range;
  };
  for (const Case c : {Case{8e-11, 2}, Case{8.1e-11, 3}}) {
    SCOPED_TRACE(c.cSlow);
    StartCell();
    T3Panel::SetRange(1);
    T3Panel::SetCFastHigh(false);
    T3Panel::SetCSlowRange(0);
    T3Types::State.CSlow = c.cSlow;
    EXPECT_TRUE(T3Auto::CSlow(false));
    EXPECT_EQ(T3Types::State.CSlowRange, c.range);
  }
}

TEST_P(CSlowRack, TimeOutPutsTheOperatorsValuesBack) {
  StartCell();
  T3Panel::SetCSlowRange(2);
  T3Panel::SetCSlow(10e-12);
  T3Panel::SetGSeries(3e-7);
  const T3Types::AmplifierState before = T3Types::State;
  const BoardElements elements = Elements();
  T3Types::State.AutoCSlowTimeout = 1e-3;
  EXPECT_FALSE(T3Auto::CSlow(false));
  EXPECT_EQ(T3Error::Error, 18);
  EXPECT_EQ(T3Types::State.CSlowStatus, 2);
  EXPECT_EQ(T3Types::State.CSlow, before.CSlow);
  EXPECT_EQ(T3Types::State.GSeries, before.GSeries);
  EXPECT_EQ(T3Types::State.CSlowRange, before.CSlowRange);
  EXPECT_EQ(T3Types::State.Mux, before.Mux);
  EXPECT_EQ(T3Types::State.Gain, before.Gain);
  EXPECT_EQ(T3Types::State.Filter1, before.Filter1);
  EXPECT_EQ(T3Types::State.StimFilter, before.StimFilter);
  EXPECT_EQ(Differences(Elements(), elements), "");
}

TEST_P(CSlowRack, KeptConfigurationUntilTheNextProcedure) {
  StartCell();
  const T3Types::AmplifierState before = T3Types::State;
  ASSERT_TRUE(T3Auto::CSlow(true));
  EXPECT_EQ(T3Types::State.Mux, 14);
  EXPECT_EQ(T3Types::State.StimFilter, 1);
  EXPECT_EQ(T3Types::State.Gain, 2);
  EXPECT_TRUE(T3Base::BoardState.TempStateSaved);
  // A tracking call plays the kept template again and stays converged.
  EXPECT_TRUE(T3Auto::CSlow(true));
  ExpectCompensates(AmplifierCell::WholeCell());
  T3Auto::MeasureNoise();
  EXPECT_FALSE(T3Base::BoardState.TempStateSaved);
  EXPECT_EQ(T3Types::State.Mux, before.Mux);
  EXPECT_EQ(T3Types::State.Gain, before.Gain);
  EXPECT_EQ(T3Types::State.StimFilter, before.StimFilter);
}

TEST_P(CSlowRack, TrackingCallWithoutConvergenceKeepsItsValues) {
  StartCell();
  ASSERT_TRUE(T3Auto::CSlow(true));
  Rack().SwitchModelCircuit(0, AmplifierCell::Open());
  EXPECT_FALSE(T3Auto::CSlow(true));
  EXPECT_EQ(T3Error::Error, 19);
  EXPECT_EQ(T3Types::State.CSlowStatus, 2);
  EXPECT_TRUE(T3Base::BoardState.TempStateSaved);
  EXPECT_EQ(T3Types::State.Mux, 14);
  const AmplifierCompensation applied = Applied();
  EXPECT_GT(applied.c_slow_farads, 0.0);
}

}  // namespace

namespace {

TEST_P(CSlowRack, PendingFitLeavesTheCompensationAsItWas) {
  noise_ = false;
  AmplifierCell cell = AmplifierCell::WholeCell2();
  cell.membrane_ohms = 0.0;
  StartCell(cell);
  ASSERT_TRUE(T3Auto::CSlow(false));
  const double cSlow = T3Types::State.CSlow;
  const double gSeries = T3Types::State.GSeries;
  const std::uint8_t range = T3Types::State.CSlowRange;
  T3Types::State.CSlowPending = true;
  EXPECT_TRUE(T3Auto::CSlow(false));
  EXPECT_FALSE(T3Types::State.CSlowPending);
  EXPECT_EQ(T3Types::State.CSlow, cSlow);
  EXPECT_EQ(T3Types::State.GSeries, gSeries);
  EXPECT_EQ(T3Types::State.CSlowRange, range);
  EXPECT_GT(T3Types::State.CSlowFitA, 0.0);
  EXPECT_GT(T3Types::State.CSlowFitB, 0.0);
  EXPECT_TRUE(std::isfinite(T3Types::State.CSlowFitA * T3Types::State.CSlowFitB));
  EXPECT_FALSE(T3Base::BoardState.TempStateSaved);
}

}  // namespace
