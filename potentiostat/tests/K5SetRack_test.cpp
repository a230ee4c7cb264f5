// The PK words end to end: played through the AD/DA layer of every
// simulated board type onto the command port of the simulated amplifier
// rack, whose PK boards decode them from the port's samples alone. Caching
// on and off.
#include <gtest/gtest.h>

#include <memory>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKSetters_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"
#include "sim/potentiostat/PKSimBoard.h"

namespace {

class PKRack : public SimulatedBoardTest {
 protected:
  void UseWiring() override {
    AmplifierRackConfig config;
    config.interface = static_cast<RackInterface>(Board());
    rack_ = std::make_unique<AmplifierRackWiring>(config);
    rack_->Rack(0).AttachPotentiostatBus(&bus_);
    bus_.Attach(&pk510_);
    bus_.Attach(&pk512_);
    SetWiring(rack_.get(), rack_->Unit(0));
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
    K5Panel::InitAllModules();
  }

  std::unique_ptr<AmplifierRackWiring> rack_;
  PKSimBus bus_;
  PKSimBoard pk510_{PKSimModel::PK510};
  PKSimBoard pk512_{PKSimModel::PK512};
};

INSTANTIATE_TEST_SUITE_P(Boards, PKRack,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28,
                                           ZRVBase::BoardQRN2400, ZRVBase::BoardQRN55),
                         BoardName);

// Bit 15 of the words tells the families apart on the ZRV-24's single port
// only: there the PK words carry it, elsewhere they leave it clear.
TEST_P(PKRack, RandomRunsLeaveRegistersEqualToShadows) {
  for (const bool caching : {true, false}) {
    SCOPED_TRACE(caching);
    VrnlBoards::SetProperties(caching, false);
    RandomSetterRun(caching ? 1u : 2u, 400, pk510_, pk512_, [] { VrnlBoards::FlushCache(); });
    ASSERT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
    ASSERT_FALSE(bus_.Recorded().empty());
    for (const PKSimWord& word : bus_.Recorded()) {
      ASSERT_EQ(word.bit15, Board() == ZRVBase::BoardZRV24);
    }
    bus_.ClearRecord();
  }
}

}  // namespace
