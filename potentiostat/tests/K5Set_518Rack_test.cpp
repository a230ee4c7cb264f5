// The PK 518 on a simulated QRN 5+5: a TLV 4 USB amplifier board on the
// rack as the ring amplifier and a PK 510 on the same command port. The
// program starts its modules with the interface closed, parks the PK 510
// and brings the amplifier board up as the PK side's ring amplifier.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Types.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_518.h"
#include "potentiostat/PKTypes.h"
#include "sim/amplifier/AmplifierRackWiring.h"
#include "sim/potentiostat/PKSimBoard.h"

namespace {

struct Start {
  std::int32_t result = -1;
  std::int32_t first = -1;
  std::int32_t last = -1;
  std::string message;
};

class PK518Rack : public SimulatedBoardTest {
 protected:
  void UseWiring() override { Rewire(PairedRack()); }

  // The paired amplifier board answers as board 1 of its rack (the
  // amplifier modules map board 0 there in the PK 518).
  static AmplifierRackConfig PairedRack() {
    AmplifierRackConfig config;
    config.boards_per_rack = 2;
    config.boards[0].present = false;
    config.boards[1].image = FreshPageImage("123456R");
    config.potentiostat.pk510.present = true;
    config.potentiostat.pk510.powered_up_selected = true;
    return config;
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
    ZRV::Shutdown();
    K5Panel::InitAllModules();
  }

  void Rewire(const AmplifierRackConfig& config) {
    auto rack = std::make_unique<AmplifierRackWiring>(config);
    SetWiring(rack.get(), rack->Unit(0));
    rack_ = std::move(rack);
  }

  // What the program's initialisation does with the "PK 518": the parking,
  // then the paired start-up.
  Start StartPK518(const char* before = "") {
    K5Set_518::Init_PK510_and_PK518();
    Start start;
    char text[256] = {};
    std::copy_n(before, std::char_traits<char>::length(before), text);
    start.result = K5Set_518::InitializeAndCheckForLife(text, start.first, start.last);
    start.message = text;
    return start;
  }

  AmplifierRack& Rack() { return rack_->Rack(0); }
  PKSimBoard& PK510() { return *Rack().Potentiostat(PKSimModel::PK510); }

  std::unique_ptr<AmplifierRackWiring> rack_;
};

INSTANTIATE_TEST_SUITE_P(QRN55, PK518Rack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

// A fresh amplifier chip holds no calibration blocks and no file is read:
// the start-up reports the missing records, in its own words (no model
// name to replace). The ring record takes the amplifier's serial number,
// channels, ports and settings; the PK 510 stays parked.
TEST_P(PK518Rack, StartsTheAmplifierBoardAsTheRingAmplifier) {
  const Start start = StartPK518();
  EXPECT_EQ(start.result, 3);
  EXPECT_EQ(start.first, 3);
  EXPECT_EQ(start.last, 3);
  EXPECT_EQ(start.message.find("TLV3"), std::string::npos) << start.message;
  EXPECT_EQ(start.message.find("PK518"), std::string::npos) << start.message;
  EXPECT_TRUE(T3Base::MapActiveBoard);
  EXPECT_STREQ(T3Base::Title, "PK518/2");

  const T3Types::AmplifierState& amplifier = T3Types::State;
  EXPECT_EQ(amplifier.CCGain, 1);
  EXPECT_EQ(amplifier.Mux, 5);
  const PKTypes::PKState& ring = PKTypes::States[1];
  EXPECT_EQ(std::string(ring.SerialNumber), "123456");
  EXPECT_EQ(ring.CellMode, PKTypes::CellOn);
  EXPECT_EQ(ring.StimDacChannel, amplifier.StimDac);
  EXPECT_EQ(ring.TestDacChannel, amplifier.ExtStimDac);
  EXPECT_EQ(ring.VoltageAdcChannel, amplifier.VmonAdc);
  EXPECT_EQ(ring.CurrentAdcChannel, amplifier.ImonAdc);
  EXPECT_EQ(ring.MuxAdcChannel, amplifier.MuxAdc);
  EXPECT_EQ(ring.CommandPort, amplifier.CommandPortChannel);
  EXPECT_EQ(ring.StatusPort, amplifier.EEPROMReadChannel);
  EXPECT_TRUE(ring.HasRingAmplifier);
  EXPECT_TRUE(ring.Remote);
  EXPECT_EQ(ring.AmplMode, 0);
  EXPECT_EQ(ring.InitVoltage, amplifier.VHold);
  EXPECT_EQ(ring.CurrentGain, amplifier.CurrentGain);
  EXPECT_EQ(ring.CurrentBandwidth, amplifier.ImonBandwidth);
  EXPECT_FALSE(ring.Overload);

  EXPECT_FALSE(PK510().Selected());
  // The amplifier's words (bit 15) pass the PK boards by on the QRN 5+5.
  for (unsigned a = 0; a < 64; ++a) EXPECT_EQ(PK510().Register(a), K5Set_510::SwitchState[a]) << a;
  EXPECT_EQ(Rack().SelectedBoard(), 1);
}

// A clipping indicator that cannot be cleared fails the start-up; the
// message names the pairing, once, whatever the text held before.
TEST_P(PK518Rack, StuckClippingNamesThePK518) {
  AmplifierRackConfig config = PairedRack();
  config.boards[1].stuck_clipping = true;
  Rewire(config);
  const Start start = StartPK518("TLV3 from before");
  EXPECT_EQ(start.result, 26);
  EXPECT_EQ(start.first, 26);
  EXPECT_EQ(start.message, "PK518 clipping indicator cannot be cleared.");
}

// The ring's overload of a PK 518 is its amplifier board's clipping
// indicator as read now; bit 9 of the status word is the PK 512's.
TEST_P(PK518Rack, RingOverloadIsTheAmplifiersClipping) {
  StartPK518();
  PKTypes::PKState& state = PKTypes::State;
  state.Tlv4Present = true;
  state.HasRingAmplifier = true;
  struct Row {
    bool clipping;
    std::uint16_t flags;
    bool diskOverload;
  };
  const Row rows[] = {{false, 1u << 9, false}, {true, 0, false}, {true, 1u << 8, true}, {false, 1u << 8, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.flags);
    Rack().HoldClipping(1, row.clipping);
    // The first read after a board switch gives the set read before it.
    K5Set_518::Clipping();
    K5Panel::GetStatus(row.flags);
    EXPECT_EQ(PKTypes::States[1].Overload, row.clipping);
    EXPECT_EQ(PKTypes::States[0].Overload, row.diskOverload);
    EXPECT_EQ(state.Overload, row.diskOverload);
  }
}

// The amplifier's shut-down: a board brought up (as a loaded record leaves
// it) goes to voltage clamp, then the interface closes.
TEST_P(PK518Rack, ShutdownClosesTheInterface) {
  StartPK518();
  ASSERT_EQ(ZRV::Status(), ZRV::StateOpen);
  T3Base::Initialized = true;
  T3Panel::SetMode(2);
  K5Set_518::Shutdown();
  EXPECT_FALSE(T3Base::Initialized);
  EXPECT_EQ(T3Types::State.Mode, 1);
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
}

}  // namespace
