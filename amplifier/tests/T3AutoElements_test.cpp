// What the automatic compensations leave on the board: the element map
// after a run is the one before it, but for the elements of what the
// procedure adjusts.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AutoRack_fixture.h"
#include "amplifier/tests/CFastTable_fixture.h"
#include "foundation/RealTime.h"

namespace {

// Element addresses of the compensations.
constexpr int kRsPredictionDac = 7;
constexpr int kCFast2Dac = 8;
constexpr int kCFast1Dac = 9;
constexpr int kPipetteOffsetDac = 16;
constexpr int kGLeakDac = 22;
constexpr int kRsDac = 23;
constexpr int kCFastTauLatch = 36;
constexpr int kCFast2StepLatch = 37;
constexpr int kCompensationLatch = 38;  // G-leak x10, Rs on, x10, slow
constexpr int kCFast1StepLatch = 43;

class ElementsRack : public AutoRackTest {
 protected:
  void TearDown() override {
    T3Init::CFastFileLoaded = false;
    AutoRackTest::TearDown();
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, ElementsRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(ElementsRack, OnlyWhatTheProcedureAdjustsChanges) {
  struct Case {
    std::string name;
    AmplifierCell cell;
    std::function<void()> prepare;
    std::function<bool()> run;
    std::set<int> adjusted;
  };
  const std::set<int> cFast = {kCFast2Dac, kCFast1Dac, kCFastTauLatch, kCFast2StepLatch, kCFast1StepLatch};
  const std::vector<Case> cases = {
      {"pipette offset", AmplifierCell::Bath(), [] {}, [] { return T3Auto::VpOffset(); }, {kPipetteOffsetDac}},
      {"quick offset search", AmplifierCell::Bath(),
       [] { T3Base::BoardState.VpOffsetTime = RealTime::GetTime() - 10.0; }, [] { return T3Auto::Search(); },
       {kPipetteOffsetDac}},
      {"leak", AmplifierCell::Seal(), [] {}, [] { return T3Auto::GLeak(); }, {kGLeakDac, kCompensationLatch}},
      {"computed C-fast", AmplifierCell::Seal(), [] {}, [] { return T3Auto::CFast(); }, cFast},
      {"C-fast lookup", AmplifierCell::Seal(), [] { InstallCFastTable(MeasuredCFastTable({0})); },
       [] { return T3Auto::CFast(); }, cFast},
      {"Rs compensation", AmplifierCell::WholeCell(),
       [] {
         CompensateWholeCell();
         T3Panel::SetRsMode(0);
       },
       [] { return T3Auto::RsComp(0.05, 0.05); },
       // The prediction stays at the search's 0.4, the Rs mode at 2.
       {kRsDac, kCompensationLatch, kRsPredictionDac}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.cell);
    UseTruthScale();
    // The offset procedures hold at -VLiquidJunction, where the run starts;
    // the others keep whatever holding level they find.
    T3Panel::SetVLiquidJunction(0.004);
    T3Panel::SetVHold(-T3Types::State.VLiquidJunction);
    c.prepare();
    const BoardElements before = Elements();
    ASSERT_TRUE(c.run());
    const BoardElements after = Elements();
    for (std::size_t address = 0; address < before.size(); ++address) {
      if (c.adjusted.count(static_cast<int>(address)) != 0) continue;
      EXPECT_EQ(after[address], before[address]) << "element " << address;
    }
    T3Init::CFastFileLoaded = false;
  }
}

}  // namespace
