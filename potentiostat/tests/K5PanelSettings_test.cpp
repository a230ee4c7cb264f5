// The panel's rules on the simulated PK boards, their words taken straight
// from the setting layer: ranges, booster, shared filters, the TLV 4 ring,
// IR compensation, subtraction, clamp gain, cell modes and the amplifier
// switch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"
#include "foundation/LogUtil.h"
#include "foundation/platform/Clock.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_512.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKBus_fixture.h"

namespace {

using K5Scale::Scale;
using PKTypes::State;
using PKTypes::States;

class K5PanelBus : public PKBusTest {
 protected:
  void SetUp() override {
    PKBusTest::SetUp();
    Platform::UseVirtualClock(1000.0);
    AttachBoards();
    K5Panel::InitAllModules();
    LogUtil::OpenLog();
  }
  void TearDown() override {
    LogUtil::CloseLog();
    Platform::UseRealClock();
    PKBusTest::TearDown();
  }

  // The instrument of the version with the disk amplifier active, its
  // boards holding the default state.
  void Bring(char version) {
    K5Panel::InitAllModules();
    T3Base::InitModule();
    T3Error::InitModule();
    T3Panel::InitModule();
    T3Set::InitModule();
    K5Set::SendToHardware = true;
    K5Panel::AssignVersion(version);
    K5Panel::LoadTheState();
    Take();
  }

  std::string Log() const { return FileContent("QV_Log.txt"); }

  // Each board also hears the other board's select latch (a free pair of
  // its own), which its shadow does not follow.
  // The PK 512 only where it is part of the instrument.
  void ExpectRegistersEqualShadows() const {
    for (unsigned a = 0; a < 64; ++a) {
      if (a / 2 != 6) EXPECT_EQ(pk510_.Register(a), K5Set_510::SwitchState[a]) << "PK 510 " << a;
      if (a / 2 != 7 && State.Version == 'B') {
        EXPECT_EQ(pk512_.Register(a), K5Set_512::SwitchState[a]) << "PK 512 " << a;
      }
    }
  }

  static bool Bit(const PKSimBoard& board, unsigned latch, unsigned bit) {
    return (board.Register(latch) >> bit & 1) != 0;
  }
};

TEST_F(K5PanelBus, EdgeCases) {
  struct Row {
    const char* name;
    char version;
    std::function<void()> act;
    std::function<void(const PKSimBoard& pk510, const PKSimBoard& pk512)> expect;
  };
  const Row rows[] = {
      {"range 0 selects range 2", 'A', [] { K5Panel::SetCurrentRange(0); },
       [](const PKSimBoard&, const PKSimBoard&) {
         EXPECT_EQ(State.CurrentRange, 2);
         EXPECT_EQ(State.ScaleRange, 2);
         EXPECT_EQ(State.CurrentGain, 50.0);
       }},
      {"range 1 selects range 2", 'A', [] { K5Panel::SetCurrentRange(1); },
       [](const PKSimBoard&, const PKSimBoard&) { EXPECT_EQ(State.CurrentRange, 2); }},
      {"range 15 selects range 11", 'A', [] { K5Panel::SetCurrentRange(15); },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_EQ(State.CurrentRange, 11);
         EXPECT_EQ(State.Feedback, 2);
         EXPECT_EQ(State.CurrentOutputAmplifierGain, 3);
         EXPECT_EQ(State.CurrentGain, 2.5e8);
         EXPECT_EQ(pk510.Register(37) & 0b0111, 0b110);
       }},
      {"range 12 without a booster", 'A', [] { K5Panel::SetCurrentRange(12); },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_EQ(State.CurrentRange, 2);
         EXPECT_FALSE(State.BoosterActive);
         EXPECT_TRUE(Bit(pk510, 34, 3));  // booster off (inverted)
       }},
      {"range 13 with the 20 A booster", 'A',
       [] {
         State.BoosterPresent = 1;
         State.IRCompOn = true;
         K5Panel::SetCurrentRange(13);
       },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_EQ(State.CurrentRange, 12);
         EXPECT_EQ(State.ScaleRange, 2);
         EXPECT_EQ(State.Feedback, 0);
         EXPECT_EQ(State.CurrentOutputAmplifierGain, 0);
         EXPECT_EQ(State.CurrentGain, 0.5);
         EXPECT_TRUE(State.BoosterActive);
         EXPECT_FALSE(Bit(pk510, 34, 3));
       }},
      {"range 12 with the 50 A booster", 'A',
       [] {
         State.BoosterPresent = 2;
         K5Panel::SetCurrentRange(12);
       },
       [](const PKSimBoard&, const PKSimBoard&) {
         EXPECT_EQ(State.CurrentRange, 13);
         EXPECT_EQ(State.CurrentGain, 0.2);
       }},
      {"booster on without a booster", 'A', [] { K5Panel::SetCurrentBooster(true); },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_FALSE(State.BoosterActive);
         EXPECT_TRUE(Bit(pk510, 34, 3));
       }},
      {"PK 512 disk filter reaches the ring", 'B', [] { K5Panel::SetCurrentFilter(1); },
       [](const PKSimBoard& pk510, const PKSimBoard& pk512) {
         EXPECT_EQ(State.CurrentFilter, 1);
         EXPECT_EQ(State.CurrentBandwidth, 600.0);
         EXPECT_EQ(States[1].CurrentFilter, 1);
         EXPECT_EQ(States[1].CurrentBandwidth, 600.0);
         for (unsigned latch : {39u, 53u, 60u}) EXPECT_EQ(pk510.Register(latch), pk512.Register(latch)) << latch;
         EXPECT_EQ(K5Set::SelectedBoard, 1);
         EXPECT_TRUE(pk510.Selected());
       }},
      {"PK 518 with the TLV 4 ring active: the PK 510 alone", 'C',
       [] {
         K5Panel::SetActiveAmpl(1);
         K5Panel::SetVoltageFilter(2);
       },
       [](const PKSimBoard&, const PKSimBoard&) {
         EXPECT_TRUE(K5Panel::Tlv4_is_Active());
         EXPECT_EQ(States[0].VoltageFilter, 2);
         EXPECT_EQ(States[0].VoltageBandwidth, 2000.0);
         EXPECT_EQ(State.VoltageFilter, 4);
         EXPECT_EQ(K5Set::SelectedBoard, 2);
       }},
      {"IR compensation of 0 ohm stays switched off", 'A', [] { K5Panel::SetIRCompensation(true, 0.0); },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_TRUE(State.IRCompOn);
         EXPECT_EQ(State.IRCompGainDac, 0);
         EXPECT_FALSE(Bit(pk510, 32, 1));
         EXPECT_EQ(pk510.Register(20), 0);
       }},
      {"IR compensation of 1 kohm at 50 ohm feedback", 'A', [] { K5Panel::SetIRCompensation(true, 1000.0); },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_EQ(State.IRCompGainDac, 20);
         EXPECT_EQ(State.IRCompValue, 1000.0);
         EXPECT_TRUE(Bit(pk510, 32, 1));
         EXPECT_EQ(pk510.Register(20), 20);
       }},
      {"subtraction off sends its calibrated zero", 'A',
       [] {
         State.SubtractionActive = true;
         State.CurrentSubtraction = 1e-3;
         K5Panel::SetSubtractionActive(false);
       },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_EQ(State.CurrentSubtraction, 0.0);
         EXPECT_EQ(State.Subtraction, 0.0);
         EXPECT_EQ(pk510.Register(42), 0x8000);
       }},
      {"subtraction of 1 mA at 50 V/A", 'A',
       [] {
         K5Panel::SetSubtractionActive(true);
         K5Panel::SetSubtractionValue(1e-3);
       },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_EQ(State.Subtraction, 1e-3);
         // (1 mA / 1) x 50 ohm x 1 = 0.05 V: 160 codes above 0 V.
         EXPECT_EQ(pk510.Register(42), 0x8000 + 160);
       }},
      {"clamp gain on a default record", 'A', [] { K5Panel::SetClampGain(1.0); },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_EQ(State.ClampGain, 1.0);
         EXPECT_TRUE(Bit(pk510, 52, 0));
         EXPECT_EQ(pk510.Register(55), 16);
         EXPECT_EQ(pk510.Register(18), 2047);
       }},
      {"PK 512 open-cell potential on the disk parks the ring", 'B', [] { K5Panel::SetCellModes(2); },
       [](const PKSimBoard& pk510, const PKSimBoard& pk512) {
         EXPECT_EQ(States[0].CellMode, 2);
         EXPECT_EQ(States[1].CellMode, 1);
         EXPECT_EQ(State.CellMode, 2);
         EXPECT_TRUE(Bit(pk510, 33, 2));
         EXPECT_FALSE(Bit(pk510, 33, 1));
         EXPECT_FALSE(Bit(pk512, 30, 0));
       }},
      {"PK 512 ring refuses open-cell potential beside a galvanostatic disk", 'B',
       [] {
         K5Panel::SetActiveAmpl(1);
         States[0].AmplMode = 1;
         K5Panel::SetCellMode(2);
       },
       [](const PKSimBoard&, const PKSimBoard& pk512) {
         EXPECT_EQ(State.CellMode, 1);
         EXPECT_EQ(States[1].CellMode, 1);
         EXPECT_FALSE(Bit(pk512, 30, 0));
         EXPECT_EQ(K5Set::SelectedBoard, 2);
       }},
      {"PK 512 ring cell on", 'B',
       [] {
         K5Panel::SetActiveAmpl(1);
         K5Panel::SetCellMode(0);
       },
       [](const PKSimBoard& pk510, const PKSimBoard& pk512) {
         EXPECT_EQ(States[1].CellMode, 0);
         EXPECT_EQ(States[0].CellMode, 1);
         EXPECT_TRUE(Bit(pk512, 30, 0));
         EXPECT_FALSE(Bit(pk510, 30, 0));
         EXPECT_EQ(K5Set::SelectedBoard, 2);
       }},
      {"amplifier 1 on a PK 510", 'A',
       [] {
         States[1].MuxChannel = 3;
         K5Panel::SetActiveAmpl(1);
       },
       [](const PKSimBoard& pk510, const PKSimBoard&) {
         EXPECT_EQ(State.ActiveAmplifier, 0);
         EXPECT_EQ(State.ActiveBoard, 1);
         EXPECT_EQ(State.MuxChannel, 9);
         EXPECT_EQ(States[1].MuxChannel, 3);
         EXPECT_TRUE(pk510.Selected());
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bring(row.version);
    row.act();
    row.expect(pk510_, pk512_);
    ExpectRegistersEqualShadows();
  }
  EXPECT_NE(Log().find("K5Panel: the counter-amplifier offset DAC has no finite value, power-on code 2047 sent"),
            std::string::npos);
}

// Cell on: the relay, then CellActivateDelay, then the working electrode;
// the other modes connect it at once.
TEST_F(K5PanelBus, CellOnWaitsBeforeTheWorkingElectrode) {
  struct Row {
    std::uint8_t mode;
    double delay;
  };
  for (const Row row : {Row{0, 2.0}, Row{2, 0.0}}) {
    Bring('A');
    bus_.ClearRecord();
    K5Panel::SetCellMode(row.mode);
    double relay = -1.0;
    double electrode = -1.0;
    for (const PKSimWord& word : bus_.Recorded()) {
      if (word.address == 32 && relay < 0.0) relay = word.instant;
      if (word.address == 30 && (word.data & 1) != 0) electrode = word.instant;
    }
    ASSERT_GE(relay, 0.0) << int{row.mode};
    ASSERT_GE(electrode, 0.0) << int{row.mode};
    EXPECT_NEAR(electrode - relay, row.delay, 0.01) << int{row.mode};
    EXPECT_EQ(Bit(pk510_, 33, 0), row.mode == 0);
  }
}

// Calibration values that give no number: the DAC gets its power-on code
// and the log says which.
TEST_F(K5PanelBus, NonFiniteCalibrationSendsPowerOnCodes) {
  struct Row {
    const char* dac;
    std::function<void()> act;
    unsigned address;
    std::uint16_t code;
  };
  const Row rows[] = {
      {"subtraction DAC",
       [] {
         Scale.CurrentOutFactor[2] = 0.0;
         K5Panel::SetSubtractionActive(true);
         K5Panel::SetSubtractionValue(1e-3);
       },
       42, 0x8000},
      {"IR compensation gain DAC",
       [] {
         Scale.IRCompGainSlope = 0.0;
         K5Panel::SetIRCompensation(true, 100.0);
       },
       20, 0},
      {"IR compensation offset DAC",
       [] {
         Scale.IRCompFixOffset = std::nan("");
         K5Panel::SetIRCompensation(true, 100.0);
       },
       22, 2047},
      {"clamp gain DAC",
       [] {
         Scale.ClampGainPerUnit = 0.0;
         Scale.CoAmpOffsetPerUnit = 1.0;
         K5Panel::SetClampGain(1.0);
       },
       55, 0},
      {"initial-value DAC",
       [] {
         Scale.InitDacFactor[0] = HUGE_VAL;
         State.InitVoltage = 0.5;
         K5Panel::UpdateInitDac();
       },
       43, 0x8000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dac);
    Bring('A');
    row.act();
    EXPECT_EQ(pk510_.Register(row.address), row.code);
    EXPECT_NE(Log().find(std::string("K5Panel: the ") + row.dac + " has no finite value"), std::string::npos);
    EXPECT_TRUE(std::isfinite(State.IRCompValue));
  }
}

// The same amplifier again: the working record goes out to its copy and
// comes back, the ring's copy takes the shared fields; the scale record
// makes the same round.
TEST_F(K5PanelBus, SameAmplifierAgainSyncsBothCopies) {
  Bring('B');
  State.SharedReal1 = 3.5;
  State.CurrentFilter = 1;
  Scale.MuxGain = 1.25;
  const PKTypes::PKState before = State;
  K5Panel::SetActiveAmpl(0);
  EXPECT_EQ(std::memcmp(&State, &before, sizeof State), 0);
  EXPECT_EQ(States[1].SharedReal1, 3.5);
  EXPECT_EQ(States[1].CurrentFilter, 4);
  EXPECT_TRUE(States[1].IsRingAmplifier);
  EXPECT_EQ(Scale.MuxGain, 1.25);
  EXPECT_EQ(K5Scale::Scales[0].MuxGain, 1.25);
  K5Panel::SetActiveAmpl(1);
  EXPECT_EQ(State.SharedReal1, 3.5);
  EXPECT_EQ(State.ActiveBoard, 2);
  EXPECT_EQ(Scale.MuxGain, 1.0);
  EXPECT_TRUE(pk512_.Selected());
}

TEST_F(K5PanelBus, VersionsFromTheSwitchFile) {
  struct Row {
    const char* line;
    bool known;
    std::uint8_t error;
    char version;
    const char* serial;
  };
  const Row rows[] = {
      {"123456B", true, 0, 'B', "123456"},
      {"654321C", true, 0, 'C', "654321"},
      {"1234567", false, PKTypes::UnknownVersion, 'B', ""},
      {"123456", false, PKTypes::EEPROMStringFaulty, 'B', ""},
      {"123456,", false, PKTypes::UnknownVersion, 'B', ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Bring('A');
    PutFile("PK500Version.On", std::string(row.line) + "\n");
    PKTypes::Error = 0;
    EXPECT_EQ(K5Panel::ReadSerialString(), row.known);
    EXPECT_EQ(PKTypes::Error, row.error);
    EXPECT_EQ(State.Version, row.version);
    EXPECT_EQ(States[1].Version, row.version);
    EXPECT_STREQ(State.SerialNumber, row.serial);
    EXPECT_STREQ(States[0].SerialNumber, row.serial);
    EXPECT_STREQ(Scale.SerialNumber, row.serial);
    EXPECT_STREQ(K5Scale::Scales[1].SerialNumber, row.serial);
    EXPECT_EQ(K5Scale::Scales[0].Version, row.version);
    EXPECT_EQ(States[1].ActiveAmplifier, 1);
    EXPECT_EQ(States[1].BoosterPresent, 0);
    EXPECT_EQ(State.HasRingAmplifier, row.version != 'A');
    EXPECT_EQ(Bottom(1)[0], std::string("FileVersion: \"") + row.line + "\"");
  }
}

TEST_F(K5PanelBus, Tables) {
  char text[8];
  K5Panel::DecodeCurrentGain(14, text);
  EXPECT_STREQ(text, "???");
  K5Panel::DecodeCurrentGain(7, text);
  EXPECT_STREQ(text, "20uA");
  EXPECT_FALSE(K5Panel::KnownVersion(','));
  EXPECT_FALSE(K5Panel::KnownVersion(' '));
  EXPECT_TRUE(K5Panel::KnownVersion('C'));
  EXPECT_FALSE(K5Panel::KnownVersion('D'));
  const double gains[] = {50, 50, 50, 250, 2500, 5000, 25000, 250000, 500000, 2.5e6, 2.5e7, 2.5e8, 0.5, 0.2, 50};
  for (std::uint8_t range = 0; range < std::size(gains); ++range) {
    EXPECT_DOUBLE_EQ(K5Panel::RealCurrentGain(range), gains[range]) << int{range};
  }
  EXPECT_EQ(K5Panel::FilterToBandwidth(7), 500000.0);
  EXPECT_EQ(K5Panel::MinCurrentBandwidth(), 20.0);
  char name[16];
  K5Panel::VersionToName('Q', name);
  EXPECT_STREQ(name, "PK500_USB");
}

}  // namespace
