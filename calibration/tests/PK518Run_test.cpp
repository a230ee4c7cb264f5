// "PK 518" in the running program: a TLV 4 USB board (answering as rack
// board 1, where the pairing maps the amplifier's board 0) and a PK 510
// that powers up selected on the simulated QRN 5+5.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "amplifier/T3Base.h"
#include "calibration/SimulatedHardware.h"
#include "calibration/tests/Mereth_fixture.h"
#include "dialogs/Alert.h"
#include "potentiostat/K5Set_510.h"
#include "sim/amplifier/AmplifierRackWiring.h"

namespace {

constexpr int kType = 1;
constexpr int kPK518 = 7;
constexpr int kCancel = 2;

// Initialize parks the PK 510 before the amplifier board is used: the
// amplifier board deselected, the PK 510's set-up, then only amplifier
// words; the PK 510 ends set up, its mux ADC path off, deselected.
TEST_F(MerethTest, PK518ParksThePK510BeforeTheAmplifierStarts) {
  UseRack("boards_per_rack = 2\nboards.0.present = false\n"
          "potentiostat.pk510.present = true\npotentiostat.pk510.powered_up_selected = true\n");
  Run([] {
    Choose(kType, kPK518);
    AmplifierRack& rack = SimulatedHardware::Rack()->Rack(0);
    rack.Potentiostats().ClearRecord();
    Alert::PushAnswer(kCancel);
    Initialize();
    EXPECT_EQ(ItemValue(kType), kPK518);
    EXPECT_TRUE(T3Base::MapActiveBoard);

    const std::vector<PKSimWord>& words = rack.Potentiostats().Recorded();
    ASSERT_FALSE(words.empty());
    EXPECT_TRUE(words[0].bit15);
    EXPECT_EQ(words[0].address, 46);
    EXPECT_EQ(words[0].data, 0);
    const auto firstPK = std::find_if(words.begin(), words.end(), [](const PKSimWord& w) { return !w.bit15; });
    const auto lastPK = std::find_if(words.rbegin(), words.rend(), [](const PKSimWord& w) { return !w.bit15; });
    ASSERT_NE(firstPK, words.end());
    EXPECT_EQ(firstPK->address, 14);
    EXPECT_EQ(firstPK->data, 0x0E);
    EXPECT_EQ(lastPK->address, 14);
    EXPECT_EQ(lastPK->data, 0x0F);
    const auto afterParking = lastPK.base();
    ASSERT_NE(afterParking, words.end());
    EXPECT_TRUE(std::all_of(afterParking, words.end(), [](const PKSimWord& w) { return w.bit15; }));
    EXPECT_EQ(afterParking->address, 46);

    const PKSimBoard& pk510 = *rack.Potentiostat(PKSimModel::PK510);
    EXPECT_FALSE(pk510.Selected());
    EXPECT_NE(pk510.Register(35) & 0b1000, 0);
    for (unsigned a = 0; a < 64; ++a) EXPECT_EQ(pk510.Register(a), K5Set_510::SwitchState[a]) << a;
  });
}

// A PK board's EEPROM lives in the state folder, as the amplifier boards' do,
// so what one run wrote is there at the next.
TEST_F(MerethTest, PK510EEPROMImageComesFromTheStateFolder) {
  UseRack("boards_per_rack = 2\nboards.0.present = false\npotentiostat.pk510.present = true\n");
  std::vector<std::uint8_t> image(PageEEPROM::kSize, 0xFF);
  image[700] = 0x5A;
  std::filesystem::create_directories(Path("state"));
  std::ofstream(Path("state") + "/pk510.eeprom", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  Run([] {
    const PageEEPROM* chip = SimulatedHardware::Rack()->Rack(0).Potentiostat(PKSimModel::PK510)->EEPROM();
    ASSERT_NE(chip, nullptr);
    EXPECT_EQ(chip->Image()[700], 0x5A);
  });
}

}  // namespace
