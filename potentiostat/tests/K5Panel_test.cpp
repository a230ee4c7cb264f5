#include <gtest/gtest.h>

#include <cstring>

#include "foundation/tests/TempDirectory_fixture.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/PKTypes.h"

namespace {

using PKTypes::State;
using PKTypes::States;

class K5PanelStart : public TempDirectoryTest {};

TEST_F(K5PanelStart, DefaultsOfAPK510OnTheUsbInterface) {
  K5Set::SelectedBoard = 2;
  K5Set::SendToHardware = true;
  States[0].CellMode = 0;
  State.Subtraction = 3.0;
  K5Panel::InitAllModules();
  EXPECT_TRUE(K5Panel::Initialized);
  EXPECT_STREQ(K5Panel::KnownVersions, "A,B,C");
  EXPECT_EQ(K5Set::SelectedBoard, 0);
  EXPECT_FALSE(K5Set::SendToHardware);
  EXPECT_STREQ(State.Tag, "K5STATE");
  EXPECT_STREQ(State.Name, "PK510_USB");
  EXPECT_EQ(State.Version, 'A');
  EXPECT_EQ(State.InterfaceKind, 7);
  EXPECT_EQ(State.ConfigCode, 3);
  EXPECT_EQ(State.RecordVersion, 900);
  EXPECT_EQ(State.CommandPort, 9);
  EXPECT_EQ(State.StatusPort, 17);
  EXPECT_EQ(State.StimDacChannel, 3);
  EXPECT_EQ(State.VoltageAdcChannel, 5);
  EXPECT_EQ(State.CurrentAdcChannel, 6);
  EXPECT_EQ(State.TestDacChannel, 10);
  EXPECT_EQ(State.MuxAdcChannel, 7);
  EXPECT_EQ(State.AuxChannel, 1);
  EXPECT_EQ(State.CurrentGain, 0.1);
  EXPECT_EQ(State.CurrentBandwidth, 200000.0);
  EXPECT_EQ(State.StimulusBandwidth, 200000.0);
  EXPECT_EQ(State.SpareReal1, 1.0);
  EXPECT_EQ(State.SharedReal2, 7.0);
  EXPECT_TRUE(State.SharedFlag1);
  EXPECT_EQ(State.CellMode, PKTypes::CellStandby);
  EXPECT_EQ(State.Subtraction, 0.0);
  EXPECT_EQ(State.ControlBandwidth, 5);
  EXPECT_EQ(State.CurrentFilter, 4);
  EXPECT_EQ(State.CurrentRange, 2);
  EXPECT_EQ(State.ScaleRange, 2);
  EXPECT_EQ(State.MuxChannel, 9);
  EXPECT_TRUE(State.VoltageSubtractOn);
  EXPECT_TRUE(State.CurrentSubtractOn);
  EXPECT_EQ(State.IRCompOffsetDac, 2047);
  EXPECT_EQ(State.BoosterPresent, 0);
  EXPECT_FALSE(State.HasRingAmplifier);
  EXPECT_FALSE(State.IsRingAmplifier);
  // Both stored records are the working one; the ring mark of copy 1 comes
  // with the first switch of amplifier.
  EXPECT_EQ(std::memcmp(&States[0], &State, sizeof State), 0);
  EXPECT_EQ(std::memcmp(&States[1], &State, sizeof State), 0);
  EXPECT_EQ(&K5Panel::GetDiskStatePtr(), &State);
  EXPECT_EQ(&K5Panel::GetRingStatePtr(), &States[1]);
  EXPECT_FALSE(K5Panel::Tlv4_is_Present());
  EXPECT_FALSE(K5Panel::Tlv4_is_Active());
}

TEST_F(K5PanelStart, BoosterSwitchFile) {
  struct Row {
    const char* content;
    std::uint8_t booster;
  };
  const Row rows[] = {{"20\n", 1}, {"50\n", 2}, {"49.6\n", 2}, {"30\n", 3}, {"none\n", 3}};
  for (const Row& row : rows) {
    PutFile("PKBooster.On", row.content);
    State.BoosterPresent = 3;
    EXPECT_EQ(K5Panel::ForceBoosterPresent(), row.booster) << row.content;
  }
}

TEST_F(K5PanelStart, VersionGivesRingAndChannels) {
  struct Row {
    char version;
    std::uint8_t amplifier;
    bool tlvBefore;
    bool ring;
    bool tlv;
    std::int16_t stim, voltage, current;
  };
  const Row rows[] = {
      {'A', 0, false, false, false, 3, 5, 6}, {'A', 1, true, false, true, 2, 3, 4},
      {'B', 0, true, true, false, 3, 5, 6},   {'C', 1, false, true, true, 2, 3, 4},
      {'X', 0, false, false, false, 3, 5, 6},
  };
  for (const Row& row : rows) {
    PKTypes::PKState record{};
    record.InterfaceKind = 7;
    record.Version = row.version;
    record.ActiveAmplifier = row.amplifier;
    record.Tlv4Present = row.tlvBefore;
    record.Options = 0xFFFF;
    record.HasRingAmplifier = true;
    K5Panel::VersionToStateFields(record);
    EXPECT_EQ(record.HasRingAmplifier, row.ring) << row.version;
    EXPECT_EQ(record.Tlv4Present, row.tlv) << row.version;
    EXPECT_EQ(record.Options, 0);
    EXPECT_EQ(record.StimDacChannel, row.stim);
    EXPECT_EQ(record.VoltageAdcChannel, row.voltage);
    EXPECT_EQ(record.CurrentAdcChannel, row.current);
    EXPECT_EQ(record.CommandPort, 9);
    EXPECT_EQ(record.StatusPort, 17);
  }
  PKTypes::PKState other{};
  other.InterfaceKind = 3;
  other.Version = 'C';
  K5Panel::VersionToStateFields(other);
  EXPECT_FALSE(other.HasRingAmplifier);
  EXPECT_EQ(other.CommandPort, 0);
}

TEST_F(K5PanelStart, TlvRingKeepsItsRecordOutOfTheDefaults) {
  K5Panel::InitAllModules();
  State.Version = 'C';
  K5Panel::VersionToStateFields(State);
  State.IsRingAmplifier = true;
  State.MuxChannel = 3;
  States[1].MuxChannel = 4;
  States[0].MuxChannel = 5;
  EXPECT_TRUE(K5Panel::Tlv4_is_Active());
  EXPECT_EQ(&K5Panel::GetDiskStatePtr(), &States[0]);
  EXPECT_EQ(&K5Panel::GetRingStatePtr(), &State);
  K5Panel::GetDefaultState();
  EXPECT_EQ(States[0].MuxChannel, 9);
  EXPECT_EQ(State.MuxChannel, 3);
  EXPECT_EQ(States[1].MuxChannel, 4);
  State.IsRingAmplifier = false;
  K5Panel::GetDefaultState();
  EXPECT_EQ(State.MuxChannel, 9);
  EXPECT_EQ(States[1].MuxChannel, 4);
}

}  // namespace
