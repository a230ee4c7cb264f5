// The panel and the board EEPROM end to end on a simulated QRN 5+5 with the
// PK boards on its amplifier command port: the words played through the
// AD/DA layer, the EEPROMs bit-banged through the port's lines and read back
// on its input, the status bits and the booster's sense voltage on the
// boards' lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRV.h"
#include "acquisition/ZRVBase.h"
#include "acquisition/tests/Measurement_fixture.h"
#include "amplifier/T3Error.h"
#include "foundation/LogUtil.h"
#include "foundation/Strings.h"
#include "potentiostat/K5EEPROM.h"
#include "potentiostat/K5Panel.h"
#include "potentiostat/K5Scale.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_512.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKBus_fixture.h"
#include "potentiostat/tests/PKRecords_fixture.h"
#include "sim/amplifier/AmplifierRackWiring.h"
#include "sim/potentiostat/PKSimBoard.h"

namespace {

using PKTypes::State;
using PKTypes::States;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kScaleAt = 4 * 256;

// Page 0 with the marker and the version, the rest erased.
Bytes IdentifiedImage(const std::string& version, const std::string& marker = "EEPROM_PK500") {
  Bytes image(PageEEPROM::kSize, 0xFF);
  std::fill_n(image.begin(), 256, 0);
  std::copy(marker.begin(), marker.end(), image.begin());
  std::copy(version.begin(), version.end(), image.begin() + 16);
  return image;
}

Bytes WithScale(Bytes image, const ScaleImage& scale) {
  std::copy(scale.begin(), scale.end(), image.begin() + kScaleAt);
  return image;
}

class K5PanelRack : public SimulatedBoardTest {
 protected:
  void UseWiring() override {
    AmplifierRackConfig config;
    config.potentiostat.pk510.present = true;
    config.potentiostat.pk510.version = "123456B";
    config.potentiostat.pk512.present = true;
    config.potentiostat.pk512.version = "654321B";
    rack_ = std::make_unique<AmplifierRackWiring>(config);
    SetWiring(rack_.get(), rack_->Unit(0));
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SimulatedBoardTest::SetUp());
    ASSERT_NO_FATAL_FAILURE(Bring('A'));
  }

  // The modules' start, the version, the disk amplifier's board selected.
  void Bring(char version) {
    ASSERT_TRUE(StartModulesOnOpenBoard(Board())) << ZRVBase::ErrorText;
    T3Error::InitModule();
    K5Set::SendToHardware = true;
    K5Panel::AssignVersion(version);
    K5Panel::SetActiveAmpl(0);
    VrnlBoards::FlushCache();
  }

  Bytes ChipScale(PKSimBoard& board) {
    const auto& image = board.EEPROM()->Image();
    return Bytes(image.begin() + kScaleAt, image.begin() + kScaleAt + K5EEPROM::ScaleImageSize);
  }

  static std::vector<std::string> Backups() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with("EEPROM_K5Scale_")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  static Bytes FileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  void ExpectRegistersEqualShadows() {
    for (unsigned a = 0; a < 64; ++a) {
      if (a / 2 != 6) EXPECT_EQ(PK510().Register(a), K5Set_510::SwitchState[a]) << "PK 510 " << a;
      if (a / 2 != 7 && State.Version == 'B') {
        EXPECT_EQ(PK512().Register(a), K5Set_512::SwitchState[a]) << "PK 512 " << a;
      }
    }
  }

  PKSimBus& Bus() { return rack_->Rack(0).Potentiostats(); }
  PKSimBoard& PK510() { return *rack_->Rack(0).Potentiostat(PKSimModel::PK510); }
  PKSimBoard& PK512() { return *rack_->Rack(0).Potentiostat(PKSimModel::PK512); }

  std::unique_ptr<AmplifierRackWiring> rack_;
};

INSTANTIATE_TEST_SUITE_P(QRN55, K5PanelRack, ::testing::Values(ZRVBase::BoardQRN55), BoardName);

TEST_P(K5PanelRack, VersionFromTheBoardEEPROM) {
  struct Row {
    const char* name;
    Bytes image;
    bool known;
    std::uint8_t error;
    char version;
    const char* serial;
  };
  const Row rows[] = {
      {"PK 512", IdentifiedImage("123456B"), true, 0, 'B', "123456"},
      {"PK 518", IdentifiedImage("123456C"), true, 0, 'C', "123456"},
      {"unknown letter", IdentifiedImage("1234567"), false, PKTypes::UnknownVersion, 'B', ""},
      {"six characters", IdentifiedImage("123456"), false, PKTypes::EEPROMStringFaulty, 'B', ""},
      {"another marker", IdentifiedImage("123456B", "EEPROM_Tlv"), false, 0, 'B', ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PK510().FitEEPROM(row.image);
    ASSERT_NO_FATAL_FAILURE(Bring('A'));
    PKTypes::Error = 0;
    EXPECT_EQ(K5Panel::ReadSerialString(), row.known);
    EXPECT_EQ(PKTypes::Error, row.error);
    EXPECT_EQ(State.Version, row.version);
    EXPECT_STREQ(State.SerialNumber, row.serial);
    EXPECT_STREQ(K5Scale::Scale.SerialNumber, row.serial);
  }
}

TEST_P(K5PanelRack, IdentificationPage) {
  std::string message;
  ASSERT_TRUE(K5EEPROM::WriteVersion("123456789", message)) << message;
  const auto& image = PK510().EEPROM()->Image();
  EXPECT_EQ(std::string(image.begin(), image.begin() + 16), std::string("EEPROM_PK500\0\0\0\0", 16));
  EXPECT_EQ(std::string(image.begin() + 16, image.begin() + 26), std::string("123456789\0", 10));
  char version[16] = "xxxxxxxxxxxxxxx";
  ASSERT_TRUE(K5EEPROM::ReadVersion(version, message)) << message;
  EXPECT_STREQ(version, "123456789");
  char five[5];
  ASSERT_TRUE(K5EEPROM::ReadVersion(five, message)) << message;
  EXPECT_EQ(std::string(five, 5), "12345");

  const int cycles = PK510().EEPROM()->WriteCycles();
  Bus().ClearRecord();
  EXPECT_FALSE(K5EEPROM::WriteVersion("1234567890", message));
  EXPECT_EQ(message, "PK510: Version string too long");
  EXPECT_EQ(PK510().EEPROM()->WriteCycles(), cycles);
  EXPECT_TRUE(Bus().Recorded().empty());

  // The ring amplifier's board answers while it is the one selected.
  ASSERT_NO_FATAL_FAILURE(Bring('B'));
  K5Panel::SetActiveAmpl(1);
  ASSERT_TRUE(K5EEPROM::ReadVersion(version, message)) << message;
  EXPECT_STREQ(version, "654321B");
}

// WriteScale leaves on the chip what the offset listing says, after a
// backup of what was there; both read back.
TEST_P(K5PanelRack, ScaleWriteLeavesTheGoldenImage) {
  K5Scale::InitModule();
  std::string message;
  ASSERT_TRUE(K5EEPROM::WriteScale(K5Scale::Scale, message)) << message;
  const ScaleImage golden = GoldenDefaultScaleImage();
  EXPECT_EQ(ChipScale(PK510()), Bytes(golden.begin(), golden.end()));
  const std::vector<std::string> backups = Backups();
  ASSERT_EQ(backups.size(), 1U);
  EXPECT_TRUE(backups[0].starts_with("EEPROM_K5Scale__a0_")) << backups[0];
  EXPECT_EQ(FileBytes(backups[0]), Bytes(K5EEPROM::ScaleImageSize, 0xFF));
  ASSERT_FALSE(NotebookLines().empty());
  EXPECT_EQ(NotebookLines().back(), "Old PK scale saved in \"" + backups[0] + "\"");

  K5Scale::PKScaleRecord read{};
  ASSERT_TRUE(K5EEPROM::ReadScale(read, message)) << message;
  EXPECT_EQ(Packed(read), golden);
  ASSERT_TRUE(K5EEPROM::DumpScale("dump.bin", message)) << message;
  EXPECT_EQ(FileBytes("dump.bin"), Bytes(golden.begin(), golden.end()));

  PK510().FitEEPROM(WithScale(IdentifiedImage("123456A"), OtherOrder(golden)));
  read = {};
  ASSERT_TRUE(K5EEPROM::ReadScale(read, message)) << message;
  EXPECT_EQ(Packed(read), golden);
}

TEST_P(K5PanelRack, ScaleRefusalsOnTheChip) {
  struct Row {
    const char* name;
    Bytes image;
    const char* message;
  };
  ScaleImage empty = GoldenDefaultScaleImage();
  empty[36] = 0xAD;
  const Row rows[] = {
      {"empty", WithScale(IdentifiedImage("123456A"), empty), "PK510: Reading Scale from EEPROM failed, is empty"},
      {"erased", IdentifiedImage("123456A"), "PK510: Reading Scale from EEPROM failed, CRC error"},
      {"zeros", Bytes(PageEEPROM::kSize, 0), "PK510: Reading Scale from EEPROM failed, not a scale record."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PK510().FitEEPROM(row.image);
    K5Scale::PKScaleRecord record{};
    record.MuxGain = 7.0;
    std::string message;
    EXPECT_FALSE(K5EEPROM::ReadScale(record, message));
    EXPECT_EQ(message, row.message);
    EXPECT_EQ(record.MuxGain, 7.0);
  }
}

// A page program cut short by a power loss: the chip holds a damaged image,
// the backup the whole old one.
TEST_P(K5PanelRack, BackupKeepsTheOldImageWhenPowerFails) {
  K5Scale::InitModule();
  K5Scale::PKScaleRecord old = K5Scale::Scale;
  old.IRCompGainSlope = 1.5;  // in the second half of its page
  const ScaleImage oldImage = Packed(old);
  SerialEEPROMFaults faults;
  faults.power_lost_mid_program = true;
  PK510().FitEEPROM(WithScale(IdentifiedImage("123456A"), oldImage), {}, faults);
  std::string message;
  EXPECT_FALSE(K5EEPROM::WriteScale(K5Scale::Scale, message));
  EXPECT_EQ(message, "Content read back is NOT equal to the written one.");
  K5Scale::PKScaleRecord read{};
  EXPECT_FALSE(K5EEPROM::ReadScale(read, message));
  EXPECT_EQ(message, "PK510: Reading Scale from EEPROM failed, CRC error");
  const std::vector<std::string> backups = Backups();
  ASSERT_EQ(backups.size(), 1U);
  EXPECT_EQ(FileBytes(backups[0]), Bytes(oldImage.begin(), oldImage.end()));
}

TEST_P(K5PanelRack, NoBackupNoWrite) {
  K5Scale::InitModule();
  Strings::Assign(K5Scale::Scale.SerialNumber, "no/such");
  const auto before = PK510().EEPROM()->Image();
  std::string message;
  EXPECT_FALSE(K5EEPROM::WriteScale(K5Scale::Scale, message));
  EXPECT_TRUE(message.starts_with(
      "PK510: Writing Scale to EEPROM refused, its backup file \"EEPROM_K5Scale_no/such_a0_"))
      << message;
  EXPECT_EQ(PK510().EEPROM()->WriteCycles(), 0);
  EXPECT_EQ(PK510().EEPROM()->Image(), before);

  SerialEEPROMFaults lost;
  lost.writes_lost = true;
  PK510().FitEEPROM(IdentifiedImage("123456A"), {}, lost);
  Strings::Assign(K5Scale::Scale.SerialNumber, "123456");
  EXPECT_FALSE(K5EEPROM::WriteScale(K5Scale::Scale, message));
  EXPECT_EQ(message, "Content read back is NOT equal to the written one.");
}

TEST_P(K5PanelRack, StatusBitsAndManualStandby) {
  ASSERT_NO_FATAL_FAILURE(Bring('B'));
  Bus().SetStatus(1u << 8 | 1u << 9);
  EXPECT_TRUE(K5Panel::SetCellMode(0));
  EXPECT_TRUE(State.Overload);
  EXPECT_TRUE(States[0].Overload);
  EXPECT_TRUE(States[1].Overload);
  EXPECT_EQ(State.CellMode, 0);
  EXPECT_NE(PK510().Register(33) & 1, 0);

  Bus().SetStatus(1u << 10);
  EXPECT_FALSE(K5Panel::SetCellMode(0));
  EXPECT_EQ(State.CellMode, 1);
  EXPECT_EQ(States[1].CellMode, 1);
  EXPECT_FALSE(State.ManualStandby);
  EXPECT_FALSE(State.Overload);
  EXPECT_EQ(PK510().Register(33) & 0b11, 0b10);  // standby, cell off
  EXPECT_EQ(PK510().Register(30) & 1, 0);        // working electrode off
  EXPECT_TRUE(K5Panel::SetCellMode(1));
}

TEST_P(K5PanelRack, BoosterBySenseVoltageAndSwitchFile) {
  struct Row {
    double volts;
    const char* file;
    std::uint8_t booster;
  };
  const Row rows[] = {{3.5, nullptr, 2}, {5.0, nullptr, 1}, {6.0, nullptr, 0}, {0.0, nullptr, 0},
                      {6.0, "20\n", 1},  {3.5, "30\n", 2},  {5.0, "50\n", 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.volts);
    std::filesystem::remove("PKBooster.On");
    if (row.file != nullptr) PutFile("PKBooster.On", row.file);
    PK510().SetBoosterVolts(row.volts);
    EXPECT_EQ(K5Panel::GetBoosterPresent(), row.booster);
    EXPECT_EQ(State.BoosterPresent, row.booster);
    VrnlBoards::FlushCache();
    EXPECT_EQ(PK510().Register(41), 9) << "the mux channel is set back";
  }
}

// The default state replayed: every register a setter wrote equals its
// shadow, and the words that matter are the default ones.
TEST_P(K5PanelRack, LoadTheStatePerVersion) {
  for (const char version : {'A', 'B', 'C'}) {
    SCOPED_TRACE(version);
    ASSERT_NO_FATAL_FAILURE(Bring(version));
    K5Panel::LoadTheState();
    ASSERT_EQ(ZRV::GetLastError(), 0) << ZRVBase::ErrorText;
    ExpectRegistersEqualShadows();
    EXPECT_TRUE(PK510().Selected());
    EXPECT_EQ(PK510().Register(33) & 0b111, 0b010);  // standby, cell and OCP off
    EXPECT_EQ(PK510().Register(30) & 1, 0);
    EXPECT_EQ(PK510().Register(42), 0x8000);
    EXPECT_EQ(PK510().Register(43), 0x8000);
    for (unsigned dac : {17u, 18u, 19u, 23u}) EXPECT_EQ(PK510().Register(dac), 2047) << dac;
    EXPECT_EQ(PK510().Register(41), 9);
    EXPECT_NE(PK510().Register(32) & 0b1000, 0);  // remote
    EXPECT_EQ(PK510().RouteMismatches(), 0);
    EXPECT_EQ(State.ActiveAmplifier, 0);
    if (version == 'B') {
      EXPECT_FALSE(PK512().Selected());
      EXPECT_EQ(PK512().Register(30) & 1, 0);
      EXPECT_EQ(PK512().Register(28), 255);
      EXPECT_EQ(PK512().Register(16), 2047);
      EXPECT_EQ(PK512().RouteMismatches(), 0);
    }
  }
}

TEST_P(K5PanelRack, ShutdownLeavesTheDefaultWords) {
  K5Panel::SetCurrentRange(7);
  K5Panel::SetCellMode(0);
  ASSERT_NE(PK510().Register(33) & 1, 0);
  const PKTypes::PKState before = State;
  K5Panel::Shutdown();
  EXPECT_EQ(std::memcmp(&State, &before, sizeof State), 0);
  EXPECT_FALSE(K5Panel::Initialized);
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
  EXPECT_EQ(PK510().Register(33) & 0b111, 0b010);
  EXPECT_EQ(PK510().Register(24) >> 1 & 0b11, 0);  // feedback 50 ohm again
}

}  // namespace

namespace {

// What the program's initialisation will do with a PK 512, standing in for
// its caller: the version from the main board's EEPROM, each amplifier's
// scale record from its own board, the state replayed, a range, cell on,
// shut-down. The log tells the board switches.
TEST_P(K5PanelRack, BringUpAPK512) {
  K5Scale::PKScaleRecord ring = K5Scale::Scale;
  ring.MuxGain = 1.25;
  ring.CurrentOffsetDac[5] = 2000;
  PK510().FitEEPROM(WithScale(IdentifiedImage("123456B"), GoldenDefaultScaleImage()));
  PK512().FitEEPROM(WithScale(IdentifiedImage("123456B"), Packed(ring)));
  ASSERT_TRUE(StartModulesOnOpenBoard(Board())) << ZRVBase::ErrorText;
  K5Set::SendToHardware = true;
  LogUtil::OpenLog();
  const std::size_t consoleBefore = NotebookLines().size();
  K5Panel::SetActiveAmpl(0);
  ASSERT_TRUE(K5Panel::ReadSerialString());
  std::string message;
  ASSERT_TRUE(K5EEPROM::ReadScale(K5Scale::Scale, message)) << message;
  K5Panel::SetActiveAmpl(1);
  ASSERT_TRUE(K5EEPROM::ReadScale(K5Scale::Scale, message)) << message;
  K5Panel::SetActiveAmpl(0);
  EXPECT_EQ(K5Scale::Scales[1].MuxGain, 1.25);
  K5Panel::LoadTheState();
  K5Panel::SetActiveAmpl(1);
  K5Panel::SetCurrentRange(5);
  EXPECT_TRUE(K5Panel::SetCellMode(0));
  VrnlBoards::FlushCache();
  EXPECT_EQ(PK512().Register(23), 2000);
  EXPECT_NE(PK512().Register(30) & 1, 0);
  K5Panel::Shutdown();
  EXPECT_EQ(ZRV::Status(), ZRV::StateClosed);
  EXPECT_EQ(PK510().Register(33) & 0b111, 0b010);
  LogUtil::CloseLog();
  std::ifstream log("QV_Log.txt");
  std::vector<std::string> panelLines;
  for (std::string line; std::getline(log, line);) {
    if (line.find(" - K5Panel") != std::string::npos) panelLines.push_back(line.substr(line.find(" - ") + 3));
  }
  // Read-out, both scales, the replay of both amplifiers, the ring's range
  // and cell, and the shut-down's replay of the defaults.
  std::vector<std::string> expected;
  for (const char* board : {"1", "2", "1", "2", "1", "2", "1", "2", "1"}) {
    expected.push_back(std::string("K5Panel.SetActiveBoard:        ") + board);
  }
  EXPECT_EQ(panelLines, expected);
  EXPECT_EQ(NotebookLines().size(), consoleBefore);
}

}  // namespace
