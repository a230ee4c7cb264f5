#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "acquisition/ZRV.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_518.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKBus_fixture.h"
#include "potentiostat/tests/PKGolden_fixture.h"

namespace {

using K5Set518 = PKBusTest;

// A PK 510 that powers up selected, as after switching on: the parking
// plays its power-on set-up and leaves it deselected with the mux ADC path
// off, whether it was selected before or not.
TEST_F(K5Set518, ParkingLeavesThePK510SetUpAndDeselected) {
  for (bool selectedBefore : {true, false}) {
    AttachBoards(selectedBefore);
    K5Panel::InitAllModules();
    ZRV::SetBoardType(ZRVBase::BoardNone);
    K5Set_518::Init_PK510_and_PK518();
    std::vector<Word> expected = PK510InitHardwareWords();
    for (const Word& word : ParseWords("34:BC 14:0F")) expected.push_back(word);
    const std::vector<Word> words = Take();
    ASSERT_EQ(words.size(), expected.size());
    for (std::size_t n = 0; n < words.size(); ++n) EXPECT_EQ(words[n], expected[n]) << n;
    EXPECT_FALSE(K5Set::SendToHardware);
    EXPECT_FALSE(pk510_.Selected());
    EXPECT_NE(pk510_.Register(35) & 0b1000, 0);  // mux ADC path off
    for (unsigned a = 0; a < 64; ++a) EXPECT_EQ(pk510_.Register(a), K5Set_510::SwitchState[a]) << a;
    EXPECT_EQ(pk510_.RouteMismatches(), 0);
    for (unsigned a = 0; a < 64; ++a) {
      if (a != 12 && a != 13) EXPECT_EQ(pk512_.Register(a), 0) << a;
    }
    ZRV::Shutdown();
  }
}


// The amplifier's record as the panel would leave it; every role a value
// of its own.
void FillAmplifier() {
  T3Types::State = {};
  T3Types::AmplifierState& amplifier = T3Types::State;
  std::memcpy(amplifier.SerialNumber, "12345678", 8);
  amplifier.VHold = -0.07;
  amplifier.CCIHold = 2e-10;
  amplifier.CurrentGain = 0.5;
  amplifier.ImonBandwidth = 10000.0;
  amplifier.VmonBandwidth = 20000.0;
  amplifier.StimFilterHz = 5000.0;
  amplifier.StimDac = 3;
  amplifier.ExtStimDac = 10;
  amplifier.VmonAdc = 5;
  amplifier.ImonAdc = 6;
  amplifier.MuxAdc = 18;
  amplifier.CommandPortChannel = 12;
  amplifier.EEPROMReadChannel = 20;
}

// The ring amplifier's record is the working one while it is active, else
// the stored copy 1; the other one stays as it was.
TEST_F(K5Set518, CopyT3StateToPKStateByRole) {
  struct Row {
    std::uint8_t mode;
    bool vrefX2;
    bool bathSense;
    bool clipping;
    std::uint8_t cellModeBefore;
    std::uint8_t amplMode;
    std::uint8_t stimInScale;
    std::uint8_t electrodeMode;
    std::uint8_t cellMode;
  };
  const Row rows[] = {
      {2, false, false, true, PKTypes::CellStandby, 1, 1, 0, PKTypes::CellOn},
      {1, true, true, false, PKTypes::CellOpenCircuit, 0, 0, 1, PKTypes::CellOpenCircuit},
      {0, false, true, false, PKTypes::CellOn, 0, 1, 1, PKTypes::CellOn},
  };
  for (const bool ringActive : {false, true}) {
    for (const Row& row : rows) {
      K5Panel::InitAllModules();
      FillAmplifier();
      T3Types::State.Mode = row.mode;
      T3Types::State.VrefX2 = row.vrefX2;
      T3Types::State.BathSense = row.bathSense;
      T3Types::State.Clipping = row.clipping;
      PKTypes::State.IsRingAmplifier = ringActive;
      PKTypes::PKState& ring = ringActive ? PKTypes::State : PKTypes::States[1];
      const PKTypes::PKState disk = ringActive ? PKTypes::States[1] : PKTypes::State;
      ring.CellMode = row.cellModeBefore;
      K5Set::CopyT3StateToPKState();
      EXPECT_EQ(ring.AmplMode, row.amplMode) << int{row.mode};
      EXPECT_EQ(ring.StimInScale, row.stimInScale);
      EXPECT_EQ(ring.ElectrodeMode, row.electrodeMode);
      EXPECT_EQ(ring.CellMode, row.cellMode);
      EXPECT_EQ(ring.Overload, row.clipping);
      EXPECT_EQ(ring.InitVoltage, -0.07);
      EXPECT_EQ(ring.InitCurrent, 2e-10);
      EXPECT_EQ(ring.CurrentGain, 0.5);
      EXPECT_EQ(ring.CurrentBandwidth, 10000.0);
      EXPECT_EQ(ring.VoltageBandwidth, 20000.0);
      EXPECT_EQ(ring.StimulusBandwidth, 5000.0);
      EXPECT_FALSE(ring.VoltageSubtractOn);
      EXPECT_FALSE(ring.CurrentSubtractOn);
      EXPECT_FALSE(ring.SubtractionActive);
      const PKTypes::PKState& other = ringActive ? PKTypes::States[1] : PKTypes::State;
      EXPECT_EQ(std::memcmp(&other, &disk, sizeof disk), 0);
    }
  }
}

TEST_F(K5Set518, InitializePKStateTakesTheAmplifiersChannelsAndPorts) {
  K5Panel::InitAllModules();
  FillAmplifier();
  PKTypes::PKState& ring = PKTypes::States[1];
  ring.CellMode = PKTypes::CellStandby;
  ring.IRCompValue = 5.0;
  ring.BoosterPresent = 2;
  ring.BoosterActive = true;
  ring.UseFixedStimDac = true;
  ring.FixedStimDac = 7;
  ring.IRCompOn = true;
  ring.ManualStandby = true;
  ring.SharedReal1 = 3.0;
  ring.AuxChannel = 4;
  K5Set_518::InitializePKState();
  EXPECT_EQ(std::string(ring.SerialNumber, 8), "12345678");
  EXPECT_EQ(ring.CellMode, PKTypes::CellOn);
  EXPECT_EQ(ring.SharedReal1, 0.0);
  EXPECT_EQ(ring.IRCompValue, 0.0);
  EXPECT_EQ(ring.StimDacChannel, 3);
  EXPECT_EQ(ring.TestDacChannel, 10);
  EXPECT_EQ(ring.VoltageAdcChannel, 5);
  EXPECT_EQ(ring.CurrentAdcChannel, 6);
  EXPECT_EQ(ring.MuxAdcChannel, 18);
  EXPECT_EQ(ring.CommandPort, 12);
  EXPECT_EQ(ring.StatusPort, 20);
  EXPECT_EQ(ring.AuxChannel, 1);
  EXPECT_TRUE(ring.HasRingAmplifier);
  EXPECT_TRUE(ring.Remote);
  EXPECT_EQ(ring.FixedStimDac, 0);
  EXPECT_FALSE(ring.UseFixedStimDac);
  EXPECT_EQ(ring.BoosterPresent, 0);
  EXPECT_FALSE(ring.BoosterActive);
  EXPECT_FALSE(ring.IRCompOn);
  EXPECT_FALSE(ring.ManualStandby);
  // A shorter serial number keeps its end.
  std::memcpy(T3Types::State.SerialNumber, "1234\0\0\0\0", 8);
  K5Set_518::InitializePKState();
  EXPECT_STREQ(ring.SerialNumber, "1234");
}

// In TLV mode the second amplifier's dump is the amplifier board's shadow.
TEST_F(K5Set518, WriteStateInTlvMode) {
  K5Panel::InitAllModules();
  T3Base::InitModule();
  T3Set::InitModule();
  T3Set::SwitchState.Element[16] = 2047;
  T3Set::SwitchState.Element[40] = 0b0101;
  PKTypes::State.HasRingAmplifier = true;
  PKTypes::State.Tlv4Present = true;
  K5Set_510::InitHardware();
  K5Set::SelectedBoard = K5Set::SecondBoard;
  K5Set::WriteState();
  EXPECT_EQ(K5Set::SelectedBoard, K5Set::SecondBoard);
  const std::vector<std::string> records = Records();
  ASSERT_EQ(records.size(), 2u + 16u + 1u + 24u);
  EXPECT_EQ(records[1], "Ampl-1: ");
  EXPECT_EQ(records[2], "ic129a[42]32768        ic46  [31] --C-");
  EXPECT_EQ(records[18], "Tlv4:  ");
  EXPECT_EQ(records[19], "IC7A [ 0]    0        IC75 [24] ----");
  EXPECT_EQ(records[19 + 16], "IC4A [16] 2047        L3   [40] A-C-");
  EXPECT_EQ(records.back(), "IC41B[23]    0        free [47] ----");
}

}  // namespace
