// The PK words end to end: played through the AD/DA layer of every
// simulated board type onto the command port of the simulated amplifier
// rack, whose PK boards decode them from the port's samples alone. Caching
// on and off.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_518.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKGolden_fixture.h"
#include "potentiostat/tests/PKSetters_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"
#include "sim/potentiostat/PKSimBoard.h"

namespace {

class PKRack : public SimulatedBoardTest {
 protected:
  void UseWiring() override { Rewire(false); }

  // A rack of the board type with a PK 510 and a PK 512 on its command
  // port, fresh.
  void Rewire(bool pk510PowersUpSelected) {
    AmplifierRackConfig config;
    config.interface = static_cast<RackInterface>(Board());
    config.potentiostat.pk510.present = true;
    config.potentiostat.pk510.powered_up_selected = pk510PowersUpSelected;
    config.potentiostat.pk512.present = true;
    auto rack = std::make_unique<AmplifierRackWiring>(config);
    SetWiring(rack.get(), rack->Unit(0));
    rack_ = std::move(rack);
  }

  PKSimBus& Bus() { return rack_->Rack(0).Potentiostats(); }
  PKSimBoard& PK510() { return *rack_->Rack(0).Potentiostat(PKSimModel::PK510); }
  PKSimBoard& PK512() { return *rack_->Rack(0).Potentiostat(PKSimModel::PK512); }

  std::unique_ptr<AmplifierRackWiring> rack_;
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
    ASSERT_TRUE(StartModulesOnOpenBoard(Board())) << ZRVBase::ErrorText;
    // The interface's own start clears its port.
    Bus().ClearRecord();
    VrnlBoards::SetProperties(caching, false);
    RandomSetterRun(caching ? 1u : 2u, 400, PK510(), PK512(), [] { VrnlBoards::FlushCache(); });
    ASSERT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
    ASSERT_FALSE(Bus().Recorded().empty());
    for (const PKSimWord& word : Bus().Recorded()) {
      ASSERT_EQ(word.bit15, Board() == ZRVBase::BoardZRV24);
    }
  }
}

// A PK 518 that was switched on: the PK 510 powers up selected, the
// amplifier board 0 holds its power-on set-up and stays selected. The
// parking deselects the amplifier board, sets the PK 510 up and deselects
// it, and selects the amplifier board again; the words of the amplifier's
// own port (bit 15) frame the PK 510's. Where the PK words carry bit 15 too
// (the ZRV-24) they reach the rack, and must leave the amplifier board's
// elements as they were. A word queued before the parking still goes out:
// the open interface is not opened again, which would drop it.
TEST_P(PKRack, ParkingBetweenTheAmplifierBoardsSelectWords) {
  for (const bool caching : {true, false}) {
    SCOPED_TRACE(caching);
    Rewire(true);
    ASSERT_TRUE(StartModulesOnOpenBoard(Board())) << ZRVBase::ErrorText;
    T3Error::InitModule();
    T3Set::SendToHardware = true;
    VrnlBoards::SetProperties(caching, false);
    T3Panel::SetT3Board(0);
    T3Set::InitHardware();
    VrnlBoards::FlushCache();
    const AmplifierRack& rack = rack_->Rack(0);
    ASSERT_EQ(rack.SelectedBoard(), 0);
    const auto elements = rack.Board(0).Elements();
    Bus().ClearRecord();

    VrnlBoards::SetProperties(true, false);
    VrnlBoards::SendToPK200Port(ZRV::TlvOut, 0x3C05);
    VrnlBoards::SetProperties(caching, false);
    K5Set_518::Init_PK510_and_PK518();
    VrnlBoards::FlushCache();
    ASSERT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;

    EXPECT_EQ(rack.SelectedBoard(), 0);
    EXPECT_EQ(rack.Board(0).Elements(), elements);
    struct Expected {
      Word word;
      bool amplifierPort;
    };
    const bool zrv24 = Board() == ZRVBase::BoardZRV24;
    std::vector<Expected> expected = {{{60, 0x05}, zrv24}, {{46, 0x00}, true}};
    for (const Word& word : PK510InitHardwareWords()) expected.push_back({word, zrv24});
    for (const Word& word : ParseWords("34:BC 14:0F")) expected.push_back({word, zrv24});
    // The board selection latches the board before and after taking its
    // records.
    expected.push_back({{46, 0x01}, true});
    expected.push_back({{46, 0x01}, true});
    const std::vector<PKSimWord>& words = Bus().Recorded();
    ASSERT_EQ(words.size(), expected.size());
    for (std::size_t n = 0; n < words.size(); ++n) {
      EXPECT_EQ(Word(words[n].address, words[n].data), expected[n].word) << n;
      EXPECT_EQ(words[n].bit15, expected[n].amplifierPort) << n;
    }

    EXPECT_FALSE(K5Set::SendToHardware);
    EXPECT_TRUE(T3Set::SendToHardware);
    EXPECT_FALSE(PK510().Selected());
    EXPECT_NE(PK510().Register(35) & 0b1000, 0);  // mux ADC path off
    for (unsigned a = 0; a < 64; ++a) EXPECT_EQ(PK510().Register(a), K5Set_510::SwitchState[a]) << a;
    EXPECT_EQ(PK510().RouteMismatches(), 0);
  }
}

}  // namespace
