// The control words end to end: played through the AD/DA layer of every
// simulated board type into the simulated amplifier rack, which decodes
// them from its lines alone. The selected board's elements must equal the
// switch shadow, caching on and off, and no word may clock a chip.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/AmplifierCore_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

class RackEndToEnd : public SimulatedBoardTest {
 protected:
  void UseWiring() override {
    AmplifierRackConfig config;
    config.interface = static_cast<RackInterface>(Board());
    rack_ = std::make_unique<AmplifierRackWiring>(config);
    SetWiring(rack_.get(), rack_->Unit(0));
  }

  std::unique_ptr<AmplifierRackWiring> rack_;
};

INSTANTIATE_TEST_SUITE_P(Boards, RackEndToEnd,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28,
                                           ZRVBase::BoardQRN2400, ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(RackEndToEnd, PowerOnAndSettersReachTheSelectedBoard) {
  for (const bool caching : {true, false}) {
    SCOPED_TRACE(caching);
    StartAmplifierCore('R');
    T3Set::SendToHardware = true;
    VrnlBoards::SetProperties(caching, false);
    T3Set::T3BoardLatch(0);
    T3Set::InitHardware();
    T3Set::CCMode(true);
    T3Set::OutputAmpGain(20);
    T3Set::CSlowSwitches(0x13);
    T3Set::RsCompDac(3000);
    T3Set::MuxChannel(9);
    VrnlBoards::FlushCache();
    ASSERT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;

    const AmplifierRack& rack = rack_->Rack(0);
    EXPECT_EQ(rack.SelectedBoard(), 0);
    EXPECT_EQ(BoardPart(rack.Board(0).Elements().data()), BoardPart(T3Set::SwitchState.Element));
    EXPECT_EQ(rack.StrictBits(), 0);
  }
}

}  // namespace
