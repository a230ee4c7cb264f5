#include "sim/SimRackFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "sim/amplifier/AmplifierRackKeys.h"

namespace {

struct KeyCase {
  const char* key;
  const char* value;
  bool taken;
};

// Every kind of field, nested records, arrays and lists, and what each
// refuses.
const KeyCase kKeys[] = {
    {"interface", "qrn2400", true},
    {"interface", "qrn 2400", false},
    {"racks", "2", true},
    {"racks", "2.5", false},
    {"boards_per_rack", "", false},
    {"serial", "654321", true},
    {"trigger_board", "true", true},
    {"trigger_board", "yes", false},
    {"seed", "7", true},
    {"seed", "-7", false},
    {"boards.5.letter", "S", true},
    {"boards.5.letter", "SS", false},
    {"boards.8.letter", "S", false},
    {"boards.x.letter", "S", false},
    {"boards.0.eeprom", "small", true},
    {"boards.0.eeprom", "big", false},
    {"boards.0.image", "45 45 50 52", true},
    {"boards.0.image", "4", false},
    {"boards.0.image", "zz", false},
    {"boards.0.mux_gain", "0.7", true},
    {"boards.0.mux_gain", "nan", false},
    {"boards.0.mux_gain", "1e400", false},
    {"boards.0.mux_channels.13.gain", "0.6", true},
    {"boards.0.mux_channels.16.gain", "0.6", false},
    {"boards.0.eeprom_faults.stuck_address", "-1", true},
    {"boards.0.analog.cell.series_ohms", "5e6", true},
    {"boards.0.analog.scale.c_fast_tau_seconds.15", "8e-6", true},
    {"boards.0.analog.range_gain.1", "4.9e8", true},
    {"boards.0.analog.range_gain.3", "4.9e8", false},
    {"boards.0.analog.hf.on", "true", true},
    {"boards.0.analog.hf.pole_seconds.2", "1.3e-3", true},
    {"boards.0.analog.hf.derivative_seconds.2", "0.1", false},
    {"boards.0.analog.hf.slow_scale_seconds.1", "1e-3", true},
    {"boards.0.analog.filter2_high_q", "1.2", true},
    {"boards.0.probes.2.cc_input_ohms", "1e10", true},
    {"boards.0.current_clamp.tracking_tau.4", "3.0", true},
    {"boards.0.current_clamp.tracking_tau.6", "3.0", false},
    {"boards.0.current_clamp_faults.fast_stimulus_dead.1", "true", true},
    {"boards.0.current_clamp_faults.external_cc_dead", "2", false},
    {"boards.0.sample_hold.droop", "0.5", true},
    {"boards.0.connection_faults.vmon_x100_dead", "true", true},
    {"selectors.0.probes", "4", true},
    {"selectors.0.eeprom_text", "123456F01x04", true},
    {"rack_interface.1", "901299A", true},
    {"remap_ad_lines.0", "true", true},
    {"boards.0.analog", "1", false},
    {"boards.0", "1", false},
    {"boards", "1", false},
    {"board.0.letter", "S", false},
    {"boards.0.letters", "S", false},
    {"boards.0.analog.cell.series_ohms.0", "1", false},
    {"potentiostat.pk510.present", "true", true},
    {"potentiostat.pk512.version", "654321B", true},
    {"potentiostat.pk510.eeprom_faults.power_lost_mid_program", "true", true},
    {"potentiostat.pk510.booster_volts", "inf", false},
    {"potentiostat.pk518.present", "true", false},
    {"potentiostat.manual_standby", "true", true},
    {"potentiostat", "true", false},
    {"tlv6.serial", "805555", true},
    {"qrn55.units", "0", true},
    {"qrn55.units", "3", false},
    {"qrn55.firmware", "6", true},
    {"qrn55.firmware", "0", false},
    {"qrn55.fifo", "1", false},
    {"tlv6.serial", "80555", false},
};

TEST(AmplifierRackKeys, EachKeyIsTakenOrRefusedWithTheConfigUnchanged) {
  for (const KeyCase& c : kKeys) {
    SCOPED_TRACE(std::string(c.key) + " = " + c.value);
    const std::string path = testing::TempDir() + "rack_key.txt";
    std::ofstream(path) << "# one key\n\n  " << c.key << " =  " << c.value << "  \n";
    SimRackFile::Config config;
    std::string error;
    EXPECT_EQ(SimRackFile::Load(path, config, error), c.taken) << error;
    if (!c.taken) {
      std::string line = std::string(c.key) + " =  " + c.value;
      while (line.back() == ' ') line.pop_back();
      EXPECT_EQ(error, "line 3: " + line);
      EXPECT_EQ(config.rack.boards[0].image, std::vector<std::uint8_t>{});
      EXPECT_EQ(config.rack.selectors.size(), 0u);
    }
  }
}

TEST(AmplifierRackKeys, ValuesLandInTheirFieldsAndListsGrowToTheIndex) {
  AmplifierRackConfig config;
  ASSERT_TRUE(SetRackKey(config, "boards.5.letter", "S"));
  ASSERT_TRUE(SetRackKey(config, "boards.0.image", "4545 5052"));
  ASSERT_TRUE(SetRackKey(config, "boards.1.mux_channels.13.gain", "0.6"));
  ASSERT_TRUE(SetRackKey(config, "boards.0.probes.2.range_gain.1", "4.9e8"));
  ASSERT_TRUE(SetRackKey(config, "selectors.1.first_board", "2"));
  ASSERT_TRUE(SetRackKey(config, "interface", "zrv28"));
  ASSERT_TRUE(SetRackKey(config, "potentiostat.pk512.image", "AD"));
  ASSERT_TRUE(SetRackKey(config, "potentiostat.pk510.booster_volts", "5"));
  ASSERT_TRUE(SetRackKey(config, "boards.2.analog.hf.fast_scale_seconds.0", "9e-6"));
  EXPECT_EQ(config.boards[5].letter, 'S');
  EXPECT_EQ(config.boards[0].image, (std::vector<std::uint8_t>{0x45, 0x45, 0x50, 0x52}));
  EXPECT_EQ(config.boards[1].mux_channels[13].gain, 0.6);
  ASSERT_EQ(config.boards[0].probes.size(), 3u);
  EXPECT_EQ(config.boards[0].probes[2].range_gain[1], 4.9e8);
  EXPECT_EQ(config.boards[0].probes[0].range_gain[1], AmplifierAnalogTruths().range_gain[1]);
  ASSERT_EQ(config.selectors.size(), 2u);
  EXPECT_EQ(config.selectors[1].first_board, 2);
  EXPECT_EQ(config.selectors[0].probes, ProbeSelectorConfig().probes);
  EXPECT_EQ(config.interface, RackInterface::kZRV28);
  EXPECT_EQ(config.potentiostat.pk512.image, std::vector<std::uint8_t>{0xAD});
  EXPECT_EQ(config.potentiostat.pk510.booster_volts, 5.0);
  EXPECT_EQ(config.boards[2].analog.hf.fast_scale_seconds[0], 9e-6);
  ASSERT_TRUE(SetRackKey(config, "boards.1.current_clamp_faults.gain.2", "0.8"));
  ASSERT_TRUE(SetRackKey(config, "boards.1.connection_faults.sample_hold_droop", "100"));
  EXPECT_EQ(config.boards[1].current_clamp_faults.gain[2], 0.8);
  EXPECT_EQ(config.boards[1].connection_faults.sample_hold_droop, 100.0);
  EXPECT_EQ(config.boards[1].current_clamp.step_tau, CurrentClampTruths().step_tau);
}

TEST(SimRackFile, ABadLineLeavesTheWholeConfigAsItWas) {
  const std::string path = testing::TempDir() + "rack_bad.txt";
  std::ofstream(path) << "racks = 2\ntlv6.serial = 805555\nboards_per_rack 4\n";
  SimRackFile::Config config;
  std::string error;
  EXPECT_FALSE(SimRackFile::Load(path, config, error));
  EXPECT_EQ(error, "line 3: boards_per_rack 4");
  EXPECT_EQ(config.rack.racks, 1);
  EXPECT_EQ(config.tlv6.serial, Tlv6Sim::Config().serial);
}

TEST(SimRackFile, Tlv6LinesShapeTheSimulatedTlv6AndTheRestTheRack) {
  const std::string path = testing::TempDir() + "rack_tlv6.txt";
  std::ofstream(path) << "# rack\nboards.0.letter = S\ntlv6.serial = 805555\n\ntlv6.letter=G\n";
  SimRackFile::Config config;
  std::string error;
  ASSERT_TRUE(SimRackFile::Load(path, config, error)) << error;
  EXPECT_EQ(config.tlv6.serial, "805555");
  EXPECT_EQ(config.tlv6.letter, 'G');
  EXPECT_EQ(config.rack.boards[0].letter, 'S');
}

TEST(SimRackFile, AMissingFileIsNamed) {
  SimRackFile::Config config;
  std::string error;
  EXPECT_FALSE(SimRackFile::Load("/nonexistent/rack.txt", config, error));
  EXPECT_EQ(error, "cannot read /nonexistent/rack.txt");
}

TEST(SimRackFile, TheDefaultIsOneTlv4UsbBoardWithoutRecords) {
  const SimRackFile::Config config;
  EXPECT_EQ(config.rack.interface, RackInterface::kQRN55);
  EXPECT_EQ(config.rack.racks, 1);
  EXPECT_EQ(config.rack.boards_per_rack, 1);
  EXPECT_EQ(config.rack.boards[0].letter, 'R');
  EXPECT_EQ(AmplifierVersionString(config.rack, 0, 0), "123456R");
}

}  // namespace
