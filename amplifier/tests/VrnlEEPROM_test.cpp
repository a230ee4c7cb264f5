// The serial EEPROM protocol through the AD/DA layer into the simulated
// rack's chips, once per read-back path: the QRN 5+5, QRN 2400 and ZRV-28
// read the data line from a digital input bit, the ZRV-24 from its
// clipping flag (and so reaches only the 128-byte chip). No command word
// may ever clock a chip: the rack's strict count stays 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/ADMeasure.h"
#include "acquisition/ZRV.h"
#include "amplifier/T3Types.h"
#include "amplifier/VrnlEEPROM.h"
#include "amplifier/tests/EEPROMRack_fixture.h"
#include "sim/ZRVLibrary/ZRVSim.h"
#include "sim/amplifier/AmplifierRackConfig.h"

namespace {

using VrnlEEPROM::Error;

class PageChip : public EEPROMRackTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(EEPROMRackTest::SetUp());
    ConnectAmplifier(true);
  }
  void TearDown() override {
    EXPECT_EQ(Rack().StrictBits(), 0);
    EEPROMRackTest::TearDown();
  }
  void WithFaults(const SerialEEPROMFaults& faults) {
    AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
    config.boards[0].eeprom_faults = faults;
    Rewire(config);
    ConnectAmplifier(true);
  }
  std::vector<std::uint8_t> ChipBytes(int address, int count) {
    const auto& image = BoardChip().Image();
    return {image.begin() + address, image.begin() + address + count};
  }
};

INSTANTIATE_TEST_SUITE_P(DigitalReadBack, PageChip,
                         ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN2400,
                                           ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(PageChip, RefusesBadPagesAndLongPatternsBeforeSending) {
  const std::vector<std::uint8_t> page(257, 0x55);
  const std::vector<std::uint8_t> before = ChipBytes(0x1000, 512);
  EXPECT_FALSE(VrnlEEPROM::WritePageToEEPROM(0x1080, page, 16, AmplifierChip()));
  EXPECT_EQ(Error, 7);
  EXPECT_FALSE(VrnlEEPROM::WritePageToEEPROM(0x1000, page, 257, AmplifierChip()));
  EXPECT_EQ(Error, 8);
  std::vector<std::uint8_t> read(257);
  EXPECT_FALSE(VrnlEEPROM::ReadPageFromEEPROM(0x1000, read, 257, AmplifierChip()));
  EXPECT_EQ(Error, 8);
  EXPECT_EQ(BoardChip().WriteCycles(), 0);
  EXPECT_EQ(ChipBytes(0x1000, 512), before);

  // A page read of 256 bytes is 2 + 128 + 8192 + 2 = 8324 samples.
  EXPECT_TRUE(VrnlEEPROM::ReadPageFromEEPROM(0, read, 256, AmplifierChip()));
  EXPECT_EQ(std::vector<std::uint8_t>(read.begin(), read.begin() + 256), ChipBytes(0, 256));

  VrnlEEPROM::Error = 0;
  VrnlEEPROM::SetAcqInterval(AmplifierChip(), true, false);
  VrnlEEPROM::SendToEEPROM();
  EXPECT_EQ(Error, 2) << "a closed pattern played";
  VrnlEEPROM::Error = 0;
  VrnlEEPROM::RestartPattern();
  VrnlEEPROM::SendToEEPROM();
  EXPECT_EQ(Error, 2) << "an empty pattern played";
  VrnlEEPROM::Error = 0;
  VrnlEEPROM::RestartPattern();
  while (VrnlEEPROM::PatternLength() < VrnlEEPROM::PatternLimit) VrnlEEPROM::SetEEPROMLines(0);
  EXPECT_EQ(Error, 0);
  VrnlEEPROM::SetEEPROMLines(0);
  EXPECT_EQ(Error, 2);
  EXPECT_EQ(VrnlEEPROM::PatternLength(), VrnlEEPROM::PatternLimit);
}

TEST_P(PageChip, ABlockOfSixteenPagesReadsBackBitExact) {
  const std::vector<std::uint8_t> block = Pattern(4096, 3);
  std::string message = "old";
  ASSERT_TRUE(VrnlEEPROM::WritePagesToEEPROM(20, block, 4096, AmplifierChip(), message)) << message;
  EXPECT_EQ(message, "");
  EXPECT_EQ(BoardChip().WriteCycles(), 16);
  EXPECT_EQ(ChipBytes(20 * 256, 4096), block);
  std::vector<std::uint8_t> read(4096, 0xEE);
  ASSERT_TRUE(VrnlEEPROM::ReadPagesFromEEPROM(20, read, 4096, AmplifierChip(), message)) << message;
  EXPECT_EQ(read, block);
}

TEST_P(PageChip, AShortBlockIsZeroTailedAndNeverOverrunsTheCallersBuffer) {
  // Exactly 300 bytes each: AddressSanitizer sees any access past them.
  const std::vector<std::uint8_t> block = Pattern(300, 9);
  std::string message;
  ASSERT_TRUE(VrnlEEPROM::WritePagesToEEPROM(4, block, 300, AmplifierChip(), message)) << message;
  EXPECT_EQ(BoardChip().WriteCycles(), 2);
  EXPECT_EQ(ChipBytes(4 * 256, 300), block);
  EXPECT_EQ(ChipBytes(4 * 256 + 300, 212), std::vector<std::uint8_t>(212, 0));
  std::vector<std::uint8_t> read(300);
  ASSERT_TRUE(VrnlEEPROM::ReadPagesFromEEPROM(4, read, 300, AmplifierChip(), message)) << message;
  EXPECT_EQ(read, block);
}

TEST_P(PageChip, AOnePageBlockAtPageZeroReadsPageOneFirst) {
  std::string message;
  ASSERT_TRUE(VrnlEEPROM::WritePagesToEEPROM(1, std::vector<std::uint8_t>(256, 0xAB), 256,
                                             AmplifierChip(), message));
  ADMeasure::TestWriteMode = 3;
  const std::size_t before = NotebookLines().size();
  ASSERT_TRUE(VrnlEEPROM::WritePagesToEEPROM(0, Pattern(256, 1), 256, AmplifierChip(), message))
      << message;
  const std::vector<std::string> all = NotebookLines();
  const std::vector<std::string> lines(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  // Two traced reads: page 1 (0xAB at the read offset), then page 0.
  std::vector<std::string> traces;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(traces),
               [](const std::string& line) { return line.starts_with("EEPROM page:"); });
  ASSERT_EQ(traces.size(), 2U);
  EXPECT_NE(traces[0].find("    0: 171"), std::string::npos) << traces[0];
  EXPECT_NE(traces[1].find("    0:   1"), std::string::npos) << traces[1];
}

TEST_P(PageChip, ChipEraseLeavesEveryByteErased) {
  std::string message;
  ASSERT_TRUE(VrnlEEPROM::WritePagesToEEPROM(3, Pattern(512, 5), 512, AmplifierChip(), message));
  ASSERT_TRUE(VrnlEEPROM::ChipErase(AmplifierChip()));
  const auto& image = BoardChip().Image();
  EXPECT_TRUE(std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0xFF; }));
  std::vector<std::uint8_t> read(512);
  ASSERT_TRUE(VrnlEEPROM::ReadPagesFromEEPROM(3, read, 512, AmplifierChip(), message));
  EXPECT_EQ(read, std::vector<std::uint8_t>(512, 0xFF));
}

TEST_P(PageChip, ABlockThatDoesNotComeBackFailsWithItsMessage) {
  struct Case {
    const char* name;
    SerialEEPROMFaults faults;
  };
  SerialEEPROMFaults lost;
  lost.writes_lost = true;
  SerialEEPROMFaults slow;
  slow.busy_seconds = 0.012;
  SerialEEPROMFaults stuck;
  stuck.stuck_address = 256 * 8 + 17;
  stuck.stuck_bit = 3;
  stuck.stuck_high = true;
  for (const Case& c : {Case{"writes lost", lost}, Case{"12 ms write cycle", slow},
                        Case{"stuck bit", stuck}}) {
    SCOPED_TRACE(c.name);
    WithFaults(c.faults);
    std::string message;
    EXPECT_FALSE(VrnlEEPROM::WritePagesToEEPROM(8, std::vector<std::uint8_t>(512, 0x00), 512,
                                                AmplifierChip(), message));
    EXPECT_EQ(Error, 5);
    EXPECT_EQ(message, "Content read back is NOT equal to the written one.");
  }
}

TEST_P(PageChip, AClosedInterfaceAndAStalledBoardAreReported) {
  if (Board() != ZRVBase::BoardQRN55) {
    ZRVSimSettings settings{};
    ZRVSim_GetSettings(Board(), &settings);
    settings.stalled_units = 1;
    ZRVSim_SetSettings(Board(), &settings);
    std::string message;
    std::vector<std::uint8_t> read(256);
    EXPECT_FALSE(VrnlEEPROM::ReadPagesFromEEPROM(0, read, 256, AmplifierChip(), message));
    EXPECT_EQ(Error, 4);
    EXPECT_EQ(message, "Reading from EEPROM failed, error: 4");
    EXPECT_FALSE(VrnlEEPROM::WritePagesToEEPROM(0, read, 256, AmplifierChip(), message));
    EXPECT_EQ(message, "Writing to EEPROM.failed, error: 4");
    settings.stalled_units = 0;
    ZRVSim_SetSettings(Board(), &settings);
  }
  ZRV::Shutdown();
  std::vector<std::uint8_t> page(256);
  EXPECT_FALSE(VrnlEEPROM::ReadPageFromEEPROM(0, page, 256, AmplifierChip()));
  EXPECT_EQ(Error, 3);
}

// ---- The 128-byte chip on every path ------------------------------------------

struct SmallPath {
  ZRVBase::BoardType board;
  char letter;     // an old letter selects its chip by line bit 10 alone
  bool useSelect;
};

class SmallChip : public EEPROMRackTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(EEPROMRackTest::SetUp());
    Use({});
  }
  void TearDown() override {
    EXPECT_EQ(Rack().StrictBits(), 0);
    EEPROMRackTest::TearDown();
  }
  void Use(const SerialEEPROMFaults& faults, char letter = 'R') {
    AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kSmall, letter);
    config.boards[0].eeprom_faults = faults;
    Rewire(config);
    ConnectAmplifier(false);
  }
  std::string ChipText(int count) {
    const auto& image = BoardChip().Image();
    return {image.begin(), image.begin() + count};
  }
};

INSTANTIATE_TEST_SUITE_P(EveryPath, SmallChip,
                         ::testing::Values(ZRVBase::BoardZRV24, ZRVBase::BoardZRV28,
                                           ZRVBase::BoardQRN2400, ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(SmallChip, TextsGoOutAndComeBackWithAndWithoutTheSelectProcedure) {
  for (const auto& [letter, useSelect] : {std::pair{'R', true}, std::pair{'C', false}}) {
    SCOPED_TRACE(useSelect);
    // With digital read-back the chip sits behind the select procedure.
    Use({}, HasDigitalReadBack() ? 'R' : letter);
    const char several[] = "12345\0B06\0\0zz";
    ASSERT_TRUE(VrnlEEPROM::WriteStringToEEPROM(several, useSelect, false, AmplifierChip()))
        << int(Error);
    EXPECT_EQ(ChipText(11), std::string("12345\0B06\0\0", 11));
    std::array<char, 128> text{};
    text.fill('#');
    ASSERT_TRUE(VrnlEEPROM::ReadStringFromEEPROM(text, useSelect, true, AmplifierChip()));
    EXPECT_STREQ(text.data(), "12345");

    const int cycles = BoardChip().WriteCycles();
    ASSERT_TRUE(VrnlEEPROM::WriteStringToEEPROM(std::array<char, 8>{}, useSelect, true,
                                                AmplifierChip()));
    EXPECT_EQ(BoardChip().WriteCycles(), cycles + 1) << "one 0 byte at address 0";
    EXPECT_EQ(ChipText(2), std::string("\0" "2", 2));

    std::array<char, 4> shortText{};
    ASSERT_TRUE(VrnlEEPROM::ReadStringFromEEPROM(shortText, useSelect, false, AmplifierChip()));
    EXPECT_EQ(shortText[0], 0);
  }
}

TEST_P(SmallChip, AVersionStringIsReadOnceOrAsTwoEqualReads) {
  ASSERT_TRUE(VrnlEEPROM::WriteStringToEEPROM("123456R", true, true, AmplifierChip()));
  std::array<char, 16> text{};
  ASSERT_TRUE(VrnlEEPROM::ReadVersionString(text, true, false, AmplifierChip()));
  EXPECT_STREQ(text.data(), "123456R");
  ASSERT_TRUE(VrnlEEPROM::ReadVersionString(text, true, true, AmplifierChip()));
  EXPECT_STREQ(text.data(), "123456R");

  if (!HasDigitalReadBack()) {
    SerialEEPROMFaults noisy;
    noisy.flip_probability = 0.2;
    noisy.flip_seed = 5;
    Use(noisy);
    EXPECT_FALSE(VrnlEEPROM::ReadVersionString(text, true, false, AmplifierChip()));
    EXPECT_EQ(Error, 0) << "no read failed, no pair agreed";
  }
}

TEST_P(SmallChip, AChipThatStaysBusyTimesOut) {
  SerialEEPROMFaults busy;
  busy.busy_seconds = 1.0;
  Use(busy);
  EXPECT_FALSE(VrnlEEPROM::WriteStringToEEPROM("AB", true, true, AmplifierChip()));
  EXPECT_EQ(Error, 1);
}

TEST_P(SmallChip, TheSelfTestLeavesTheContentsAsFound) {
  ASSERT_TRUE(VrnlEEPROM::WriteStringToEEPROM("901234F02x08", true, true, AmplifierChip()));
  const std::vector<std::uint8_t> before = BoardChip().Image();
  EXPECT_TRUE(VrnlEEPROM::TestEEPROM(true, AmplifierChip()));
  EXPECT_EQ(BoardChip().Image(), before);

  SerialEEPROMFaults stuck;
  stuck.stuck_address = 100;
  stuck.stuck_bit = 0;
  Use(stuck);
  ASSERT_TRUE(VrnlEEPROM::WriteStringToEEPROM("901234F02x08", true, true, AmplifierChip()));
  const std::vector<std::uint8_t> found = BoardChip().Image();
  EXPECT_FALSE(VrnlEEPROM::TestEEPROM(true, AmplifierChip()));
  EXPECT_EQ(Error, 5);
  EXPECT_EQ(ChipText(13), std::string("901234F02x08\0", 13));
  EXPECT_EQ(BoardChip().Image(), found);
}

}  // namespace
