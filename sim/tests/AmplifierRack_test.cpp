#include "sim/amplifier/AmplifierRack.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim/amplifier/AmplifierRackWiring.h"
#include "sim/tests/AmplifierRack_fixture.h"

using namespace RackSamples;

namespace {

AmplifierRackConfig Config(RackInterface interface, int boards = 1) {
  AmplifierRackConfig config;
  config.interface = interface;
  config.boards_per_rack = boards;
  return config;
}

std::vector<std::uint16_t> Join(std::vector<std::vector<std::uint16_t>> parts) {
  std::vector<std::uint16_t> samples;
  for (const auto& part : parts) samples.insert(samples.end(), part.begin(), part.end());
  return samples;
}

// ---- Decoding ------------------------------------------------------------------

struct DecodingCase {
  const char* name;
  RackInterface interface;
  RackPort port;
  std::vector<std::uint16_t> samples;  // after board 0 has been selected
  std::vector<std::pair<int, int>> elements;  // board 0's elements afterwards
  long words;  // words board 0 took after the selection
};

TEST(AmplifierRackDecoding, SampleStreams) {
  const std::vector<DecodingCase> cases = {
      {"cached triples", RackInterface::kQRN55, RackPort::kCommand,
       Cached({Word(5, 0xA7), Word(0, 1), Word(13, 0xFF)}), {{5, 0xA7}, {0, 1}, {13, 0xFF}}, 3},
      {"12-bit DAC, channel B", RackInterface::kQRN55, RackPort::kCommand, Cached(Dac12Words(21, 0x0ABC)),
       {{21, 0xABC}, {20, 0}}, 4},
      {"12-bit DAC, channel A", RackInterface::kZRV28, RackPort::kCommand, Cached(Dac12Words(20, 4080)),
       {{20, 4080}, {21, 0}}, 4},
      {"nibbles without load", RackInterface::kQRN55, RackPort::kCommand,
       Cached({Dac12Words(16, 0x123)[0], Dac12Words(16, 0x123)[1], Dac12Words(16, 0x123)[2]}), {{16, 0}}, 3},
      {"latch pair", RackInterface::kQRN55, RackPort::kCommand, Cached({Word(29, 0xA5)}), {{28, 0x5}, {29, 0xA}},
       1},
      {"ZRV-24 word, bit 10 masked", RackInterface::kZRV24, RackPort::kSingle,
       ZRV24Word(LatchWord(30, 0xC, 0x3), 0x0400, true), {{30, 0xC}, {31, 0x3}}, 1},
      {"ZRV-24 word, bit 10 kept", RackInterface::kZRV24, RackPort::kSingle,
       Join({ZRV24Word(Word(2, 0x55), 0x0400, false), ZRV24Word(Word(3, 0x66), 0x0000, false)}),
       {{2, 0x55}, {3, 0x66}}, 2},
      {"older-port word on the ZRV-24", RackInterface::kZRV24, RackPort::kSingle,
       OlderPortWord(Word(5, 0x11)), {{5, 0}}, 0},
      {"bit 15 clear on the command port", RackInterface::kQRN55, RackPort::kCommand,
       OlderPortWord(Word(5, 0x11)), {{5, 0}}, 0},
      {"unstrobed samples", RackInterface::kQRN55, RackPort::kCommand, {Word(5, 9), Word(5, 9), kRest, Word(5, 9)},
       {{5, 0}}, 0},
      {"address above 47", RackInterface::kQRN55, RackPort::kCommand, Cached({Word(48, 0xFF), Word(63, 0xFF)}),
       {{0, 0}}, 0},
      {"latch 47 rewrites the bus", RackInterface::kQRN55, RackPort::kCommand, Cached({LatchWord(47, 1, 7)}),
       {{46, 1}, {47, 7}}, 1},
  };
  for (const DecodingCase& c : cases) {
    SCOPED_TRACE(c.name);
    AmplifierRackConfig config = Config(c.interface);
    AmplifierRack rack(config, 0);
    RackPlayer player(rack, c.port);
    if (c.interface == RackInterface::kZRV24) {
      player.Play(ZRV24Word(LatchWord(46, 1, 0), 0, true));
    } else {
      player.Select(0);
    }
    const long before = rack.Board(0).Words();
    player.Play(c.samples);
    EXPECT_EQ(rack.Board(0).Words() - before, c.words);
    for (const auto& [address, value] : c.elements) EXPECT_EQ(rack.Board(0).Element(address), value) << address;
  }
}

TEST(AmplifierRackDecoding, WordsReachOnlyTheSelectedBoard) {
  AmplifierRackConfig config = Config(RackInterface::kQRN2400, 4);
  AmplifierRack rack(config, 0);
  RackPlayer player(rack);
  player.Select(2);
  EXPECT_EQ(rack.SelectedBoard(), 2);
  player.Play(Cached({Word(7, 0x42), LatchWord(41, 0, 10)}));
  EXPECT_EQ(rack.Board(2).Element(7), 0x42);
  EXPECT_EQ(rack.Board(2).Element(41), 10);
  for (const int other : {0, 1, 3}) EXPECT_EQ(rack.Board(other).Element(7), 0) << other;
  // The bus pair reaches every board.
  EXPECT_EQ(rack.Board(0).Element(46), 4);

  // No board: only address 45 reaches the extension board.
  player.Select(8);
  EXPECT_EQ(rack.SelectedBoard(), -1);
  player.Play(Cached({Word(7, 0x99), Word(45, 0x80), Word(44, 0x0F)}));
  EXPECT_EQ(rack.Board(2).Element(7), 0x42);
  EXPECT_EQ(rack.ExtensionBoard().Element(45), 8);
  EXPECT_EQ(rack.ExtensionBoard().Element(44), 0);
}

TEST(AmplifierRackDecoding, PotentiostatsHearTheCommandPort) {
  AmplifierRackConfig config = Config(RackInterface::kZRV28);
  config.potentiostat.pk510.present = true;
  AmplifierRack rack(config, 0);
  const PKSimBus& bus = rack.Potentiostats();
  const PKSimBoard& pk510 = *rack.Potentiostat(PKSimModel::PK510);
  RackPlayer player(rack);
  player.Play(Cached({Word(14, 0x0E)}));  // an amplifier word passes the PK boards by
  EXPECT_FALSE(pk510.Selected());
  player.Play(OlderPortWord(Word(14, 0x0E)));  // bit 15 clear: a potentiostat word
  EXPECT_TRUE(pk510.Selected());
  RackPlayer(rack, RackPort::kOlder).Play(OlderPortWord(Word(5, 1)));
  ASSERT_EQ(bus.Recorded().size(), 2u);
  EXPECT_EQ(bus.Recorded()[0].address, 14);
  EXPECT_TRUE(bus.Recorded()[0].bit15);
  EXPECT_EQ(bus.Recorded()[1].address, 14);
  EXPECT_FALSE(bus.Recorded()[1].bit15);
}

// The PK boards the configuration names, on the first rack only: a fresh
// chip holds the PK marker and the version, a board may have no chip, the
// PK 510 may power up selected, and the booster's voltage and the status
// lines are the configuration's.
TEST(AmplifierRackPotentiostats, BuiltFromTheConfiguration) {
  AmplifierRackConfig config = Config(RackInterface::kQRN55);
  EXPECT_EQ(AmplifierRack(config, 0).Potentiostat(PKSimModel::PK510), nullptr);
  config.potentiostat.pk510.present = true;
  config.potentiostat.pk510.powered_up_selected = true;
  config.potentiostat.pk510.version = "123456B";
  config.potentiostat.pk510.booster_volts = 3.5;
  config.potentiostat.pk512.present = true;
  config.potentiostat.pk512.powered_up_selected = true;
  config.potentiostat.pk512.eeprom = false;
  config.potentiostat.ring_overload = true;
  config.potentiostat.manual_standby = true;
  AmplifierRack rack(config, 0);
  EXPECT_EQ(AmplifierRack(config, 1).Potentiostat(PKSimModel::PK510), nullptr);

  PKSimBoard& pk510 = *rack.Potentiostat(PKSimModel::PK510);
  PKSimBoard& pk512 = *rack.Potentiostat(PKSimModel::PK512);
  EXPECT_TRUE(pk510.Selected());
  EXPECT_FALSE(pk512.Selected());
  ASSERT_NE(pk510.EEPROM(), nullptr);
  const std::vector<std::uint8_t>& image = pk510.EEPROM()->Image();
  EXPECT_EQ(std::string(image.begin(), image.begin() + 16), std::string("EEPROM_PK500\0\0\0\0", 16));
  EXPECT_EQ(std::string(image.begin() + 16, image.begin() + 25), std::string("123456B\0\0", 9));
  EXPECT_EQ(image[256], 0xFF);
  EXPECT_EQ(pk512.EEPROM(), nullptr);
  EXPECT_EQ(rack.PotentiostatStatus(), 1u << 9 | 1u << 10);
  pk510.Strobe(40 << 8 | 14 << 4);  // multiplexer 14
  EXPECT_EQ(pk510.MuxAdcVolts(), 3.5);
}

TEST(AmplifierRackDecoding, LatchesCarryTheirStrobeInstant) {
  AmplifierRackConfig config = Config(RackInterface::kQRN55);
  AmplifierRack rack(config, 0);
  RackPlayer player(rack);
  player.Select(0);
  // A timed template: rest words, a switch triple at sample 1010.
  std::vector<std::uint16_t> sweep(2020, 0xC000);
  const std::uint16_t w = LatchWord(40, 0, 0xC);
  sweep[1010] = w;
  sweep[1011] = static_cast<std::uint16_t>((w & 0x3FFF) | 0x8000);
  sweep[1012] = w;
  sweep[2019] = kRest;
  const double start = player.Now();
  player.Play(sweep);
  EXPECT_EQ(rack.Board(0).Element(41), 0xC);
  // The strobe is the 1012th sample played, 10 us apart.
  EXPECT_NEAR(rack.Board(0).LatchStrobe(41).clock_seconds - start, 1012 * 1e-5, 1e-9);
}

// ---- Chips ---------------------------------------------------------------------

TEST(PageEEPROMChip, Commands) {
  PageEEPROM chip(FreshPageImage("123456R"));
  ChipBanger bang(chip);
  const std::vector<std::uint8_t> page0 = bang.PageRead(0, 25);
  EXPECT_EQ(std::string(page0.begin(), page0.begin() + 10), "EEPROM_Tlv");
  EXPECT_EQ(std::string(page0.begin() + 16, page0.begin() + 23), "123456R");

  // Without the write enable a program does nothing.
  bang.PageProgram(0x200, {1, 2, 3});
  bang.Wait(0.006);
  EXPECT_EQ(bang.PageRead(0x200, 1)[0], 0xFF);

  // Page wrap: 32 bytes from 0x1F0 end at 0x10F.
  std::vector<std::uint8_t> data(32);
  for (int i = 0; i < 32; ++i) data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x40 + i);
  bang.PageCommand(0x06);
  EXPECT_TRUE(chip.WriteEnabled());
  bang.PageProgram(0x1F0, data);
  EXPECT_FALSE(chip.WriteEnabled());  // reset by the write
  // Busy: the chip ignores a read until its cycle is over.
  EXPECT_EQ(bang.PageRead(0x1F0, 1)[0], 0x00);
  bang.Wait(0.005);
  const std::vector<std::uint8_t> wrapped = bang.PageRead(0x100, 256);
  EXPECT_EQ(wrapped[0xF0], 0x40);
  EXPECT_EQ(wrapped[0xFF], 0x4F);
  EXPECT_EQ(wrapped[0x00], 0x50);
  EXPECT_EQ(wrapped[0x0F], 0x5F);
  EXPECT_EQ(wrapped[0x10], 0xFF);

  // A second program needs a new write enable; disable cancels one.
  bang.PageProgram(0x300, {7});
  bang.PageCommand(0x06);
  bang.PageCommand(0x04);
  bang.PageProgram(0x300, {7});
  bang.Wait(0.006);
  EXPECT_EQ(bang.PageRead(0x300, 1)[0], 0xFF);

  // Sequential reads run on across pages (0x200 is still erased).
  const std::vector<std::uint8_t> across = bang.PageRead(0x1FE, 4);
  EXPECT_EQ(across, (std::vector<std::uint8_t>{0x4E, 0x4F, 0xFF, 0xFF}));

  // Erase: busy for 8 ms, then all 0xFF.
  bang.PageCommand(0x06);
  bang.PageCommand(0xC7);
  bang.Wait(0.0075);
  bang.PageCommand(0x06);
  EXPECT_FALSE(chip.WriteEnabled());
  bang.Wait(0.001);
  EXPECT_EQ(bang.PageRead(0, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
  EXPECT_EQ(chip.WriteCycles(), 2);
}

TEST(MicrowireEEPROMChip, Commands) {
  MicrowireEEPROM chip(FreshSmallImage("901234A"));
  ChipBanger bang(chip);
  // Leading zeros before the start bit are not commands; the dummy bit is 0.
  bang.Select(true);
  bang.Bits(0, 3);
  EXPECT_EQ(bang.Taken(), 0);
  bang.Bits(0b110, 3);
  bang.Bits(0, 7);
  EXPECT_FALSE(bang.DataOut());
  std::string text;
  for (int n = 0; n < 9; ++n) text += static_cast<char>(bang.ReadByte());
  bang.Select(false);
  EXPECT_EQ(text, std::string("901234A\0\0", 9));
  EXPECT_EQ(bang.Taken(), 10 + 72);

  // Sequential reads wrap at the chip's end.
  EXPECT_EQ(bang.SmallRead(127, 2), (std::vector<std::uint8_t>{0, '9'}));

  // Writing needs the enable; the cycle runs once deselected.
  bang.SmallWrite(3, 0x77);
  EXPECT_EQ(chip.Image()[3], '2');
  bang.SmallEnable(true);
  bang.SmallWrite(3, 0x77);
  bang.Select(true);
  EXPECT_FALSE(bang.DataOut());  // busy
  bang.Wait(0.002);
  EXPECT_FALSE(bang.DataOut());
  bang.Wait(0.0015);
  EXPECT_TRUE(bang.DataOut());  // ready
  bang.Select(false);
  EXPECT_FALSE(bang.DataOut());  // undriven
  bang.SmallEnable(false);
  bang.SmallWrite(4, 0x11);
  bang.Wait(0.01);
  EXPECT_EQ(bang.SmallRead(3, 2), (std::vector<std::uint8_t>{0x77, '3'}));
}

TEST(SerialEEPROMImage, SavedAndLoadedBitExact) {
  const std::string path = ::testing::TempDir() + "/AmplifierRack_image.bin";
  std::vector<std::uint8_t> image(PageEEPROM::kSize);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
  PageEEPROM chip(image);
  ASSERT_TRUE(chip.Save(path));
  PageEEPROM other(FreshPageImage("x"));
  ASSERT_TRUE(other.Load(path));
  EXPECT_EQ(other.Image(), image);
  // A named image file follows every write cycle.
  PageEEPROM kept(image, path);
  ChipBanger bang(kept);
  bang.PageCommand(0x06);
  bang.PageProgram(0x10, {0xAB});
  PageEEPROM reloaded({}, path);
  EXPECT_EQ(reloaded.Image()[0x10], 0xAB);
  EXPECT_FALSE(other.Load(path + ".missing"));
}

// ---- The chips through the rack ------------------------------------------------------

TEST(AmplifierRackEEPROM, PageChipOnTheSelectedBoardsLines) {
  AmplifierRackConfig config = Config(RackInterface::kQRN55, 2);
  AmplifierRack rack(config, 0);
  RackPlayer player(rack);
  player.Connect(1, false);
  // The read command and address 0, then data cells: the data line holds
  // each bit over its whole cell.
  auto cells = [&](int byte, std::vector<std::uint16_t>& samples) {
    for (int bit = 7; bit >= 0; --bit) {
      const std::uint16_t d = ((byte >> bit) & 1) != 0 ? kDataIn : 0;
      samples.insert(samples.end(), {static_cast<std::uint16_t>(kRest | d), static_cast<std::uint16_t>(kRest | d),
                                     static_cast<std::uint16_t>(kRest | d | kClock),
                                     static_cast<std::uint16_t>(kRest | d | kClock)});
    }
  };
  std::vector<std::uint16_t> command;
  for (const int byte : {0x03, 0, 0, 16}) cells(byte, command);
  player.Play(command);
  std::string version;
  for (int n = 0; n < 8; ++n) {
    int value = 0;
    for (int bit = 0; bit < 8; ++bit) {
      player.Play({kRest, kRest});
      value = value << 1 | (player.DataOut() ? 1 : 0);
      player.Play({kRest | kClock, kRest | kClock});
    }
    version += static_cast<char>(value);
  }
  EXPECT_EQ(version, "123456R2");
  EXPECT_EQ(rack.StrictBits(), 0);

  // Deselected (latch 24 bit 2 high) or with the data path off, the lines
  // reach no chip.
  player.Play(Cached({LatchWord(24, 4, 0)}));
  EXPECT_FALSE(player.DataOut());
}

TEST(AmplifierRackEEPROM, RackInterfaceStringOnTheExtensionBoard) {
  AmplifierRackConfig config = Config(RackInterface::kQRN2400);
  config.racks = 2;
  config.boards[4].eeprom = AmplifierEEPROMKind::kNone;  // its clock edges would count
  AmplifierRack rack(config, 1);
  RackPlayer player(rack);
  // With a board selected, its own latch 45 takes the word.
  player.Select(0);
  player.Play(Cached({LatchWord(45, 0, 8)}));
  EXPECT_EQ(rack.ExtensionBoard().Element(45), 0);
  player.Select(8);
  player.Play(Cached({Word(45, 0x10), Word(45, 0x20), Word(45, 0x40), Word(45, 0x80)}));
  EXPECT_EQ(player.MicrowireRead(8, kSelectLine), std::string("901235A\0", 8));
  EXPECT_EQ(rack.StrictBits(), 0);
  player.Play(Cached({LatchWord(45, 0, 2)}));
  EXPECT_FALSE(player.DataOut());
}

TEST(AmplifierRackEEPROM, StrictModeCountsBitsFromCommandWords) {
  AmplifierRackConfig config = Config(RackInterface::kQRN55);
  AmplifierRack rack(config, 0);
  RackPlayer player(rack);
  player.Connect(0, false);
  EXPECT_EQ(rack.StrictBits(), 0);
  // Address 46 drives the clock line while the page chip listens: one bit
  // per burst, as the clock stays high between cached words.
  player.Play(Cached({LatchWord(46, 1, 0), LatchWord(46, 1, 0)}));
  EXPECT_EQ(rack.StrictBits(), 1);
  player.Play(Cached({LatchWord(46, 1, 0)}));
  EXPECT_EQ(rack.StrictBits(), 2);
  // A line pattern is no command word.
  player.Play({kRest, kRest | kClock, kRest});
  EXPECT_EQ(rack.StrictBits(), 2);
}

TEST(AmplifierRackEEPROM, OldBoardsSelectTheirChipByBit10) {
  AmplifierRackConfig config = Config(RackInterface::kZRV24);
  config.boards[0].letter = 'D';
  config.boards[0].eeprom = AmplifierEEPROMKind::kSmall;
  AmplifierRack rack(config, 0);
  RackPlayer player(rack, RackPort::kSingle);
  for (const auto& word : {LatchWord(46, 1, 0), LatchWord(45, 0, 8)}) player.Play(ZRV24Word(word, 0, true));
  // Samples without bit 15 belong to the older port.
  player.Play({kRest | kSelectLine | kDataIn, kRest | kSelectLine | kDataIn | kClock});
  EXPECT_EQ(rack.StrictBits(), 0);
  player.SetExtra(0x8000);
  EXPECT_EQ(player.MicrowireRead(7, kSelectLine), "123456D");
  player.Play(kRest);
  EXPECT_FALSE(player.DataOut());
}

// ---- Probe selector ---------------------------------------------------------------------

TEST(AmplifierRackSelector, WordsAndEEPROM) {
  AmplifierRackConfig config = Config(RackInterface::kQRN55, 2);
  config.selectors.emplace_back();
  config.selectors.back().rack = 0;
  config.selectors.back().boards = 2;
  AmplifierRack rack(config, 0);
  RackPlayer player(rack, RackPort::kOlder);
  ProbeSelector& selector = rack.Selectors().at(0);
  // Position 5 of board 1, then 9 (beyond 8 probes) is ignored.
  player.Play(OlderPortWord(0x1000 | (4 << 8)));
  player.Play(OlderPortWord(0x1000 | (8 << 8)));
  EXPECT_EQ(selector.Probe(1), 5);
  EXPECT_EQ(selector.Probe(0), 0);
  // Board 2 is not served.
  player.Play(OlderPortWord(0x2000 | (1 << 8)));
  EXPECT_EQ(selector.Probe(2), 0);
  // Holding potential: units 2048 - 10240 x 0.1 = 1024 in nibbles, then the load.
  for (const int nibble : {0, 1, 2}) player.Play(OlderPortWord(0x80 | nibble << 12 | ((1024 >> 4 * nibble) & 0xF) << 8));
  EXPECT_EQ(selector.DacUnits(), 2048);
  player.Play(OlderPortWord(0x80 | 3 << 12));
  EXPECT_EQ(selector.DacUnits(), 1024);
  EXPECT_DOUBLE_EQ(selector.HoldingVolts(), 0.1);
  // The chip: selected by the EEPROM word's bit 11 for a served board.
  player.Play(OlderPortWord(0x40 | 0x800 | 0x1000));
  EXPECT_TRUE(selector.EEPROMLine());
  const std::string text = player.MicrowireRead(12, 0, true);
  EXPECT_EQ(text, "123456F02x08");
  player.Play(OlderPortWord(0x40 | 0x1000));
  EXPECT_FALSE(rack.SelectorDataOut(player.Now()));
}

// ---- Signals and lines by board --------------------------------------------------------------

TEST(AmplifierRackSignals, Multiplexer) {
  const double dacs[5] = {0.1, 0.2, 0.3, 0.4, 0.5};
  struct Case {
    const char* name;
    int boards;
    int board;
    char letter;
    int channel;
    double volts;
  };
  const Case cases[] = {
      {"stimulus of a single board", 1, 0, 'R', 10, -0.4}, {"stimulus of board 1 of two", 2, 1, 'S', 10, -0.3},
      {"old board 2 of three", 3, 2, 'C', 10, -0.3},       {"old single board", 1, 0, 'D', 10, -0.4},
      {"reference with chip select", 1, 0, 'T', 1, 5.0},    {"no reference on old boards", 1, 0, 'B', 1, 0.0},
      {"channel 5", 1, 0, 'R', 5, 0.0},                     {"other channels", 1, 0, 'R', 12, 0.0},
      {"test DAC of a USB board", 1, 0, 'R', 13, 0.5},      {"test DAC of board 3 of four", 4, 3, 'Y', 13, 0.5},
      {"test DAC of a rack board", 2, 1, 'S', 13, 0.1},     {"test DAC of old board 1 of two", 2, 1, 'B', 13, 0.4},
      {"test DAC of old board 3 of four", 4, 3, 'A', 13, 0.1}, {"test DAC of a single old board", 1, 0, 'D', 13, 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AmplifierRackConfig config = Config(RackInterface::kQRN55, c.boards);
    for (auto& board : config.boards) board.letter = c.letter;
    AmplifierRack rack(config, 0);
    RackPlayer player(rack);
    EXPECT_EQ(rack.MuxVolts(dacs), 0.0);  // nothing selected
    player.Select(c.board);
    player.Play(Cached({LatchWord(41, 0, c.channel)}));
    EXPECT_NEAR(rack.MuxVolts(dacs), c.volts, 1e-12);
    EXPECT_NEAR(rack.AdVolts(7, dacs), c.volts, 1e-12);
    EXPECT_EQ(rack.AdVolts(6, dacs), 0.0);
  }
}

TEST(AmplifierRackSignals, TetralRackSharesAd7WithBoard3) {
  const double dacs[4] = {0.0, 0.0, 0.0, 0.5};
  AmplifierRackConfig config = Config(RackInterface::kQRN2400, 4);
  AmplifierRack rack(config, 0);
  RackPlayer player(rack);
  player.Select(0);
  player.Play(Cached({LatchWord(41, 0, 10)}));
  EXPECT_NEAR(rack.AdVolts(7, dacs), -0.5, 1e-12);
  player.Play(Cached({LatchWord(45, 0, 4)}));
  EXPECT_EQ(rack.AdVolts(7, dacs), 0.0);
  EXPECT_NEAR(rack.MuxVolts(dacs), -0.5, 1e-12);
}

// The lines of each board type, through the wiring.
TEST(AmplifierRackWiringLines, ReadBackAndClippingByBoard) {
  struct Case {
    RackInterface interface;
    int rack;
    std::uint16_t tlv_bit;   // the amplifier chip's read-back on the TLV input
    std::uint16_t user_bit;  // on the user input
    std::uint16_t clipping;  // the data line as a clipping line
  };
  const Case cases[] = {
      {RackInterface::kQRN2400, 1, 0x0002, 0, 0},
      {RackInterface::kZRV28, 0, 0x8000, 0x8000, 0},
      {RackInterface::kZRV24, 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.interface));
    AmplifierRackConfig config = Config(c.interface);
    config.racks = 2;
    config.boards[static_cast<std::size_t>(4 * c.rack)].eeprom = AmplifierEEPROMKind::kSmall;
    config.boards[static_cast<std::size_t>(4 * c.rack)].stuck_clipping = true;
    AmplifierRackWiring wiring(config);
    ZRVSimOutputs outputs;
    ZRVSimInputs inputs;
    double now = 10.0;
    auto play = [&](const std::vector<std::uint16_t>& samples) {
      for (std::uint16_t sample : samples) {
        if (c.interface == RackInterface::kZRV24 && (sample & 0x4000) != 0) sample |= 0x8000;
        outputs.tlv_digital[c.rack] = sample;
        outputs.clock_seconds = now += 1e-5;
        wiring.Sample(outputs, inputs);
      }
    };
    // Board 0 of the rack, its 128-byte chip selected, shows the status of
    // a write cycle: ready (high) once it is over.
    play(Cached({LatchWord(46, 1, 0), LatchWord(45, 0, 8), LatchWord(24, 4, 0)}));
    for (const int bits : {0b10011, 0b00000}) {
      for (int bit = 4; bit >= 0; --bit) {
        const std::uint16_t d = ((bits >> bit) & 1) != 0 ? kDataIn : 0;
        play({static_cast<std::uint16_t>(kRest | d), static_cast<std::uint16_t>(kRest | d | kClock)});
      }
    }
    play(Cached({LatchWord(24, 0, 0), LatchWord(24, 4, 0)}));
    for (const int bits : {0b101, 0b0000001, 0b01010101}) {
      const int count = bits == 0b101 ? 3 : bits == 1 ? 7 : 8;
      for (int bit = count - 1; bit >= 0; --bit) {
        const std::uint16_t d = ((bits >> bit) & 1) != 0 ? kDataIn : 0;
        play({static_cast<std::uint16_t>(kRest | d), static_cast<std::uint16_t>(kRest | d | kClock)});
      }
    }
    play(Cached({LatchWord(24, 0, 0), LatchWord(24, 4, 0)}));
    EXPECT_EQ(wiring.Rack(c.rack).BoardChip(0)->Image()[1], 0x55);
    now += 0.01;
    play({kRest});
    EXPECT_EQ(inputs.tlv_digital[c.rack] & c.tlv_bit, c.tlv_bit);
    EXPECT_EQ(inputs.user_digital[c.rack] & c.user_bit, c.user_bit);
    const std::uint16_t stuck = c.interface == RackInterface::kZRV24 ? 1 : static_cast<std::uint16_t>(1 << 8 * c.rack);
    EXPECT_EQ(wiring.ClippingLines(now), stuck | c.clipping);
  }
}

TEST(AmplifierRackWiringLines, ZRV24ReadsTheSelectorThroughItsClippingFlag) {
  AmplifierRackConfig config = Config(RackInterface::kZRV24);
  config.selectors.emplace_back();
  AmplifierRackWiring wiring(config);
  ZRVSimOutputs outputs;
  ZRVSimInputs inputs;
  double now = 10.0;
  auto play = [&](const std::vector<std::uint16_t>& samples) {
    for (const std::uint16_t sample : samples) {
      outputs.tlv_digital[0] = outputs.user_digital[0] = sample;
      outputs.clock_seconds = now += 1e-5;
      wiring.Sample(outputs, inputs);
    }
  };
  // The EEPROM word (board 0, line high) on the single port, then a read
  // command whose cells carry bit 15 as the ZRV-24's patterns do.
  play(OlderPortWord(0x40 | 0x800));
  auto cell = [&](bool bit) {
    const auto low = static_cast<std::uint16_t>(0xC000 | (bit ? kDataIn : 0));
    play({low, static_cast<std::uint16_t>(low | kClock)});
  };
  for (const bool bit : {true, true, false, false, false, false, false, false, false, false}) cell(bit);
  int value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    cell(false);
    value = value << 1 | (wiring.ClippingLines(now) & 1);
  }
  EXPECT_EQ(value, '1');
  EXPECT_EQ(inputs.user_digital[0] & 0x4000, 0);  // no digital read-back on the ZRV-24
}

TEST(AmplifierRackWiringLines, TriggerBoardEchoesOutputBit15) {
  for (const bool trigger : {false, true}) {
    AmplifierRackConfig config = Config(RackInterface::kQRN55);
    config.trigger_board = trigger;
    AmplifierRackWiring wiring(config);
    QRN55SimOutputs outputs;
    QRN55SimInputs inputs;
    outputs.user_digital = 0x8000;
    wiring.Unit(0)->Frame(outputs, inputs);
    EXPECT_EQ(inputs.user_digital, trigger ? 0x4000 : 0);
    outputs.user_digital = 0;
    wiring.Unit(0)->Frame(outputs, inputs);
    EXPECT_EQ(inputs.user_digital, 0);
  }
}

TEST(AmplifierRackWiringLines, RemappedAdLines) {
  AmplifierRackConfig config = Config(RackInterface::kQRN2400);
  config.racks = 2;
  config.remap_ad_lines = {true, false};
  AmplifierRackWiring wiring(config);
  ZRVSimOutputs outputs;
  ZRVSimInputs inputs;
  outputs.dac_volts[3] = 1.0;
  outputs.dac_volts[7] = 2.0;
  for (const int rack : {0, 1}) {
    for (const std::uint16_t sample : Cached({LatchWord(46, 1, 0), LatchWord(41, 0, 10)})) {
      outputs.tlv_digital[rack] = sample;
      wiring.Sample(outputs, inputs);
    }
  }
  // Logical line 7 of a remapped rack sits on converter 3 + 4.
  EXPECT_DOUBLE_EQ(inputs.adc_volts[7], -1.0);
  EXPECT_DOUBLE_EQ(inputs.adc_volts[15], -2.0);
}

// ---- Faults ------------------------------------------------------------------------------------------

struct FaultRow {
  const char* name;
  void (*configure)(AmplifierRackConfig&);
  void (*check)(AmplifierRack&, RackPlayer&);
};

void ProgramPage(AmplifierRack& rack, std::uint8_t fill) {
  ChipBanger bang(*rack.BoardChip(0));
  bang.PageCommand(0x06);
  bang.PageProgram(0x1000, std::vector<std::uint8_t>(256, fill));
}

TEST(AmplifierRackFaults, EachFaultHasItsEffect) {
  const double dacs[4] = {0.0, 0.0, 0.0, 1.0};
  static const double* sDacs = dacs;
  const FaultRow rows[] = {
      {"absent board", [](AmplifierRackConfig& c) { c.boards[0].present = false; },
       [](AmplifierRack& rack, RackPlayer& player) {
         player.Select(0);
         player.Play(Cached({Word(5, 1)}));
         EXPECT_EQ(rack.SelectedBoard(), -1);
         EXPECT_EQ(rack.Board(0).Words(), 0);
         EXPECT_EQ(rack.BoardChip(0), nullptr);
       }},
      {"stuck clipping", [](AmplifierRackConfig& c) { c.boards[1].stuck_clipping = true; },
       [](AmplifierRack& rack, RackPlayer&) { EXPECT_EQ(rack.ClippingLines(), 2); }},
      {"mux gain 0.7", [](AmplifierRackConfig& c) { c.boards[0].mux_gain = 0.7; },
       [](AmplifierRack& rack, RackPlayer& player) {
         player.Select(0);
         player.Play(Cached({LatchWord(41, 0, 10)}));
         EXPECT_NEAR(rack.MuxVolts(std::span<const double, 4>(sDacs, 4)), -0.7, 1e-12);
       }},
      {"dead stimulus path to mux 10", [](AmplifierRackConfig& c) { c.boards[0].mux_channels[10].gain = 0.0; },
       [](AmplifierRack& rack, RackPlayer& player) {
         player.Select(0);
         player.Play(Cached({LatchWord(41, 0, 10)}));
         EXPECT_EQ(rack.MuxVolts(std::span<const double, 4>(sDacs, 4)), 0.0);
         player.Play(Cached({LatchWord(41, 0, 1)}));
         EXPECT_NEAR(rack.MuxVolts(std::span<const double, 4>(sDacs, 4)), 5.0, 1e-12);
       }},
      {"mux 13 at 0.6 with an offset, the whole mux at 0.8",
       [](AmplifierRackConfig& c) {
         c.boards[0].letter = 'S';
         c.boards[0].mux_channels[13] = {0.6, 0.01};
         c.boards[0].mux_gain = 0.8;
       },
       [](AmplifierRack& rack, RackPlayer& player) {
         const double test[4] = {2.0, 0.0, 0.0, 1.0};
         player.Select(0);
         player.Play(Cached({LatchWord(41, 0, 13)}));
         EXPECT_NEAR(rack.MuxVolts(test), (2.0 * 0.6 + 0.01) * 0.8, 1e-12);
         player.Play(Cached({LatchWord(41, 0, 10)}));
         EXPECT_NEAR(rack.MuxVolts(test), -0.8, 1e-12);
       }},
      {"dead mux", [](AmplifierRackConfig& c) { c.boards[0].mux_gain = 0.0; },
       [](AmplifierRack& rack, RackPlayer& player) {
         player.Select(0);
         player.Play(Cached({LatchWord(41, 0, 1)}));
         EXPECT_EQ(rack.MuxVolts(std::span<const double, 4>(sDacs, 4)), 0.0);
       }},
      {"EEPROM absent", [](AmplifierRackConfig& c) { c.boards[0].eeprom = AmplifierEEPROMKind::kNone; },
       [](AmplifierRack& rack, RackPlayer& player) {
         player.Connect(0, false);
         EXPECT_EQ(rack.BoardChip(0), nullptr);
         EXPECT_FALSE(player.DataOut());
       }},
      {"EEPROM erased", [](AmplifierRackConfig& c) { c.boards[0].image.assign(PageEEPROM::kSize, 0xFF); },
       [](AmplifierRack& rack, RackPlayer&) {
         ChipBanger bang(*rack.BoardChip(0));
         EXPECT_EQ(bang.PageRead(0, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
       }},
      {"stuck bit",
       [](AmplifierRackConfig& c) {
         c.boards[0].eeprom_faults.stuck_address = 16;
         c.boards[0].eeprom_faults.stuck_bit = 7;
         c.boards[0].eeprom_faults.stuck_high = true;
       },
       [](AmplifierRack& rack, RackPlayer&) {
         ChipBanger bang(*rack.BoardChip(0));
         EXPECT_EQ(bang.PageRead(16, 2), (std::vector<std::uint8_t>{'1' | 0x80, '2'}));
       }},
      {"write not performed", [](AmplifierRackConfig& c) { c.boards[0].eeprom_faults.writes_lost = true; },
       [](AmplifierRack& rack, RackPlayer&) {
         ProgramPage(rack, 0x12);
         EXPECT_EQ(rack.BoardChip(0)->WriteCycles(), 1);
         EXPECT_EQ(rack.BoardChip(0)->Image()[0x1000], 0xFF);
       }},
      {"page write busy past the waits", [](AmplifierRackConfig& c) { c.boards[0].eeprom_faults.busy_seconds = 0.012; },
       [](AmplifierRack& rack, RackPlayer&) {
         ChipBanger bang(*rack.BoardChip(0));
         bang.PageCommand(0x06);
         bang.PageProgram(0x1000, {1});
         bang.Wait(0.006);
         bang.PageCommand(0x06);  // ignored: still busy
         EXPECT_FALSE(static_cast<PageEEPROM*>(rack.BoardChip(0))->WriteEnabled());
         EXPECT_EQ(bang.PageRead(0x1000, 1)[0], 0x00);
         bang.Wait(0.006);
         EXPECT_EQ(bang.PageRead(0x1000, 1)[0], 0x01);
       }},
      {"small write busy past the ready poll",
       [](AmplifierRackConfig& c) {
         c.boards[0].eeprom = AmplifierEEPROMKind::kSmall;
         c.boards[0].eeprom_faults.busy_seconds = 0.2;
       },
       [](AmplifierRack& rack, RackPlayer&) {
         ChipBanger bang(*rack.BoardChip(0));
         bang.SmallEnable(true);
         bang.SmallWrite(9, 1);
         bang.Select(true);
         bang.Wait(0.11);
         EXPECT_FALSE(bang.DataOut());
         bang.Wait(0.1);
         EXPECT_TRUE(bang.DataOut());
       }},
      {"power lost mid program", [](AmplifierRackConfig& c) { c.boards[0].eeprom_faults.power_lost_mid_program = true; },
       [](AmplifierRack& rack, RackPlayer&) {
         ProgramPage(rack, 0x34);
         const auto& image = rack.BoardChip(0)->Image();
         EXPECT_EQ(image[0x1000 + 127], 0x34);
         EXPECT_EQ(image[0x1000 + 128], 0xFF);
       }},
  };
  for (const FaultRow& row : rows) {
    SCOPED_TRACE(row.name);
    AmplifierRackConfig config = Config(RackInterface::kQRN55, 2);
    row.configure(config);
    AmplifierRack rack(config, 0);
    RackPlayer player(rack);
    row.check(rack, player);
  }
}

// The board's broken elements follow its configuration from the next
// conversion on: held elements read as broken while the words stay as
// written, and the model takes the broken truths; mended, all is as before.
TEST(AmplifierRackFaults, BrokenElementsComeAndGoBetweenConversions) {
  AmplifierRackConfig config = Config(RackInterface::kQRN55, 1);
  config.analog = true;
  AmplifierRack rack(config, 0);
  RackPlayer player(rack);
  player.Select(0);
  player.Play(Cached({LatchWord(36, 0xF, 0)}));
  player.Play(Cached(Dac12Words(17, 4000)));
  const double dacs[5] = {};
  const auto convert = [&] { rack.Convert({0.0, player.Now()}, dacs); };
  convert();
  const AmplifierBoardElements& board = rack.Board(0);
  const auto sound = [&] {
    EXPECT_EQ(board.Element(36), 0xF);
    EXPECT_EQ(board.Element(17), 4000);
    EXPECT_EQ(rack.Model(0)->Truths().output_gains[5], 40.0);
  };
  sound();
  AmplifierBoardFaults& faults = config.boards[0].faults;
  faults.c_fast_tau2_open = 4;
  faults.probe_offset_dac_dead = true;
  faults.output_gain[5] = 0.9;
  convert();
  EXPECT_EQ(board.Element(36), 0xB);
  EXPECT_EQ(board.Elements()[36], 0xF);
  EXPECT_EQ(board.Element(17), 2048);
  EXPECT_DOUBLE_EQ(rack.Model(0)->Truths().output_gains[5], 36.0);
  faults = {};
  convert();
  sound();
}

TEST(AmplifierRackFaults, SeedRepeatsItsBitFlips) {
  auto read = [](unsigned seed) {
    SerialEEPROMFaults faults;
    faults.flip_probability = 0.05;
    faults.flip_seed = seed;
    PageEEPROM chip(FreshPageImage("123456R"), {}, faults);
    ChipBanger bang(chip);
    return bang.PageRead(0, 64);
  };
  const std::vector<std::uint8_t> first = read(7);
  EXPECT_EQ(read(7), first);
  EXPECT_NE(read(8), first);
  std::vector<std::uint8_t> clean(64, 0);
  const std::string marker = "EEPROM_Tlv";
  std::copy(marker.begin(), marker.end(), clean.begin());
  std::copy_n("123456R", 7, clean.begin() + 16);
  EXPECT_NE(first, clean);
}

}  // namespace
