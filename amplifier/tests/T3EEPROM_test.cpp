// The amplifier EEPROM's layout on the simulated rack's chips, through the
// AD/DA layer of the boards that read the data line back digitally. The
// blocks the tests make by hand follow the layout as the amplifier's
// makers describe it, not the program's packer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3EEPROM.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Types.h"
#include "amplifier/VrnlEEPROM.h"
#include "amplifier/tests/EEPROMRack_fixture.h"
#include "amplifier/T3ScaleFiles.h"
#include "foundation/Bytes.h"
#include "foundation/GLP.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "sim/amplifier/AmplifierRackConfig.h"

namespace {

using Image = std::vector<std::uint8_t>;

constexpr int kPage = 256;

class T3EEPROMTest : public EEPROMRackTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(EEPROMRackTest::SetUp());
    GLP::InitModule();
    Use(OneBoardRack(AmplifierEEPROMKind::kPage));
  }
  void TearDown() override {
    EXPECT_EQ(Rack().StrictBits(), 0);
    GLP::InitModule();
    Strings::Clear(T3Base::SerialNumber);
    EEPROMRackTest::TearDown();
  }
  void Use(const AmplifierRackConfig& config) {
    Rewire(config);
    ConnectAmplifier(true);
    T3Base::FirstRackBoards = config.boards_per_rack;
    T3Types::State.Board = 0;
    Strings::Assign(T3Base::SerialNumber, "123456");
  }
  // A rack whose board 0 chip starts with the image.
  void UseImage(const Image& image) {
    AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
    config.boards[0].image = image;
    Use(config);
  }
  Image ChipBytes(int board, int page, int count) {
    const auto& image = BoardChip(board).Image();
    return {image.begin() + page * kPage, image.begin() + page * kPage + count};
  }
  void WriteBlocks(int board) {
    T3Types::State.Board = static_cast<std::uint8_t>(board);
    T3Scale::Scale = SampleScale(board);
    T3Auto::CFastTable = SampleCFast(board);
    std::string message;
    ASSERT_TRUE(T3EEPROM::WriteScale(message)) << message;
    ASSERT_TRUE(T3EEPROM::WriteCFast(message)) << message;
  }
  // Both records read back into cleared ones.
  void ExpectBlocks(int board) {
    T3Types::State.Board = static_cast<std::uint8_t>(board);
    T3Scale::Scale = {};
    T3Auto::CFastTable = {};
    std::string message;
    ASSERT_TRUE(T3EEPROM::ReadScale(message)) << message;
    EXPECT_TRUE(T3Scale::Scale == Stored(SampleScale(board))) << "board " << board;
    ASSERT_TRUE(T3EEPROM::ReadCFast(message)) << message;
    EXPECT_TRUE(T3Auto::CFastTable == SampleCFast(board)) << "board " << board;
  }
  static std::vector<std::string> BackupFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with("EEPROM_")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

INSTANTIATE_TEST_SUITE_P(DigitalReadBack, T3EEPROMTest,
                         ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN2400,
                                           ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(T3EEPROMTest, TheVersionComesFromTheChipThereIs) {
  std::array<char, 16> text{};
  ASSERT_TRUE(T3EEPROM::ReadVersion(text, false));
  EXPECT_STREQ(text.data(), "123456R");
  EXPECT_EQ(T3Types::State.EEPROMKind, 2);
  ASSERT_TRUE(T3EEPROM::WriteVersion("654321T12", true));
  text.fill('#');
  ASSERT_TRUE(T3EEPROM::ReadVersion(text, false));
  EXPECT_STREQ(text.data(), "654321T12");
  EXPECT_EQ(ChipBytes(0, 0, 11), Image({'E', 'E', 'P', 'R', 'O', 'M', '_', 'T', 'l', 'v', 0}));

  Use(OneBoardRack(AmplifierEEPROMKind::kSmall));
  ASSERT_TRUE(T3EEPROM::ReadVersion(text, false));
  EXPECT_STREQ(text.data(), "123456R");
  EXPECT_EQ(T3Types::State.EEPROMKind, 1);
  ASSERT_TRUE(T3EEPROM::WriteVersion("777777S", false));
  ASSERT_TRUE(T3EEPROM::ReadVersion(text, true));
  EXPECT_STREQ(text.data(), "777777S");
  EXPECT_EQ(T3Types::State.EEPROMKind, 1);

  Use(OneBoardRack(AmplifierEEPROMKind::kNone));
  EXPECT_FALSE(T3EEPROM::ReadVersion(text, false));
  EXPECT_EQ(T3Types::State.EEPROMKind, 0);
}

TEST_P(T3EEPROMTest, ErasedBlocksAreEmptyAndLeaveTheRecords) {
  UseImage(Image(128 * 1024, 0xFF));
  T3Scale::Scale = SampleScale(2);
  T3Auto::CFastTable = SampleCFast(2);
  std::string message;
  EXPECT_FALSE(T3EEPROM::ReadScale(message));
  EXPECT_EQ(message, "Reading Scale from EEPROM failed: is empty");
  EXPECT_FALSE(T3EEPROM::ReadCFast(message));
  EXPECT_EQ(message, "Reading CFast table from EEPROM failed: is empty");
  EXPECT_TRUE(T3Scale::Scale == SampleScale(2));
  EXPECT_TRUE(T3Auto::CFastTable == SampleCFast(2));
}

TEST_P(T3EEPROMTest, DamagedBlocksAreRefusedWithTheirMessages) {
  WriteBlocks(0);
  const Image good = BoardChip().Image();
  struct Case {
    const char* name;
    int offset;  // in the scale block
    std::uint8_t flip;
    const char* message;
  };
  const int scale = 4 * kPage;
  // The flag of this little-endian host is 1: 1 ^ 6 = 7.
  for (const Case& c : {Case{"wrong ID", 3, 0x20, "Reading Scale from EEPROM failed: not a scale record."},
                        Case{"one flipped byte", 700, 0x10, "Reading Scale from EEPROM failed: CRC error"},
                        Case{"byte-order flag 7", 20, 6, "Reading Scale from EEPROM failed: not a scale record."}}) {
    SCOPED_TRACE(c.name);
    Image damaged = good;
    damaged[static_cast<std::size_t>(scale + c.offset)] ^= c.flip;
    UseImage(damaged);
    T3Scale::Scale = SampleScale(3);
    std::string message;
    EXPECT_FALSE(T3EEPROM::ReadScale(message));
    EXPECT_EQ(message, c.message);
    EXPECT_TRUE(T3Scale::Scale == SampleScale(3)) << "refused before the record";
  }
}

// A calibration's store on a four-board QRN 2400 rack: the version and
// every board's blocks, each block backed up before it is programmed.
class FourBoardRack : public T3EEPROMTest {};

INSTANTIATE_TEST_SUITE_P(QRN2400, FourBoardRack, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(FourBoardRack, EveryBoardsBlocksLandAtTheirPagesAndReadBackEqual) {
  AmplifierRackConfig rack = OneBoardRack(AmplifierEEPROMKind::kPage);
  rack.boards_per_rack = 4;
  Use(rack);
  ASSERT_TRUE(T3EEPROM::WriteVersion("123456R4", true));
  for (int board = 0; board < 4; ++board) WriteBlocks(board);
  EXPECT_EQ(BackupFiles().size(), 8U);
  std::array<char, 16> version{};
  ASSERT_TRUE(T3EEPROM::ReadVersion(version, false));
  EXPECT_STREQ(version.data(), "123456R4");
  for (int board = 0; board < 4; ++board) {
    SCOPED_TRACE(board);
    EXPECT_EQ(ChipBytes(board, 56 * board + 4, 11), Image({'T', 'l', 'v', 'S', 'c', 'a', 'l', 'e', 'I', 'D', 0}));
    EXPECT_EQ(ChipBytes(board, 56 * board + 20, 11), Image({'T', 'l', 'v', 'C', 'F', 'a', 's', 't', 'I', 'D', 0}));
    ExpectBlocks(board);
  }
  EXPECT_TRUE(T3Init::ScaleFileLoaded);
  EXPECT_TRUE(T3Init::CFastFileLoaded);

  T3Types::State.VrefX2 = true;
  WriteBlocks(1);
  EXPECT_EQ(ChipBytes(1, 244, 10), Image({'T', 'l', 'v', 'S', 'c', 'a', 'l', 'e', 'I', 'D'}));
  ExpectBlocks(1);
  T3Types::State.VrefX2 = false;
  T3Base::ForceVrefX2 = true;
  EXPECT_EQ(T3EEPROM::ScalePage(1, true), 244);
  ExpectBlocks(1);
  T3Base::ForceVrefX2 = false;
}

// ---- Hand-made blocks of a big-endian writer ---------------------------------

void PutBig(Image& block, int at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    block[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
  }
}

// Header, flag 0 and the checksum of the bytes; the record at 32 is the
// caller's.
void SealBigEndianBlock(Image& block, const char* id) {
  std::copy_n(id, std::strlen(id), block.begin());
  block[20] = 0;
  std::uint32_t sum = 0;
  for (std::uint8_t b : block) sum += b;
  PutBig(block, 16, sum, 4);
}

TEST_P(T3EEPROMTest, BigEndianBlocksReadToTheirValues) {
  Image chip(128 * 1024, 0xFF);
  Image scale(4096, 0);
  PutBig(scale, 32 + 196, std::bit_cast<std::uint32_t>(2.5f), 4);            // CFastFactor
  PutBig(scale, 32 + 1324, static_cast<std::uint16_t>(-1234), 2);           // CCStimDacOffset[0]
  std::copy_n("09-Oct-2026", 11, scale.begin() + 32 + 1398);                 // CalibDate
  SealBigEndianBlock(scale, "TlvScaleID");
  Image cfast(10240, 0);
  for (int word = 0; word < 2307; ++word) {
    PutBig(cfast, 32 + 4 * word, std::bit_cast<std::uint32_t>(0.25f * static_cast<float>(word)), 4);
  }
  SealBigEndianBlock(cfast, "TlvCFastID");
  std::copy(scale.begin(), scale.end(), chip.begin() + 4 * kPage);
  std::copy(cfast.begin(), cfast.end(), chip.begin() + 20 * kPage);
  UseImage(chip);

  std::string message;
  ASSERT_TRUE(T3EEPROM::ReadScale(message)) << message;
  EXPECT_EQ(T3Scale::Scale.CFastFactor, 2.5);
  EXPECT_EQ(T3Scale::Scale.CCStimDacOffset[0], -1234);
  EXPECT_STREQ(T3Scale::Scale.CalibDate.data(), "09-Oct-2026");
  ASSERT_TRUE(T3EEPROM::ReadCFast(message)) << message;
  EXPECT_EQ(T3Auto::CFastTable.Tables[0].SampleInterval, 0.0f);
  EXPECT_EQ(T3Auto::CFastTable.Tables[0].CFast1[0][1], 0.5f);
  EXPECT_EQ(T3Auto::CFastTable.Tables[2].Tau[15][15], 0.25f * 2306);
}

TEST_P(T3EEPROMTest, AnUndatedScaleIsTakenAsTodayWithoutAWrite) {
  for (const char* date : {"", "11/03/2026"}) {
    SCOPED_TRACE(date);
    T3Scale::Scale = SampleScale(0);
    Strings::Assign(T3Scale::Scale.CalibDate, std::span(date, std::strlen(date) + 1));
    std::string message;
    ASSERT_TRUE(T3EEPROM::WriteScale(message)) << message;
    const int cycles = BoardChip().WriteCycles();
    const Image block = ChipBytes(0, 4, 4096);
    ASSERT_TRUE(T3EEPROM::ReadScale(message)) << message;
    char today[32];
    RealTime::ToAltDate(RealTime::GetTime(), today, false, false);
    EXPECT_STREQ(T3Scale::Scale.CalibDate.data(), today);
    EXPECT_EQ(BoardChip().WriteCycles(), cycles) << "a read programs no page";
    EXPECT_EQ(ChipBytes(0, 4, 4096), block);

    GLP::Enforce = true;
    EXPECT_FALSE(T3EEPROM::ReadScale(message));
    EXPECT_EQ(message, "Calibration expired");
    GLP::InitModule();
  }
}

TEST_P(T3EEPROMTest, AWriteKeepsTheOldBlockAndPowerLostLeavesACRCError) {
  WriteBlocks(0);
  const Image oldScale = ChipBytes(0, 4, 4096);
  const std::size_t backups = BackupFiles().size();

  AmplifierRackConfig config = OneBoardRack(AmplifierEEPROMKind::kPage);
  config.boards[0].image = BoardChip().Image();
  config.boards[0].eeprom_faults.power_lost_mid_program = true;
  Use(config);
  T3Scale::Scale = SampleScale(0);
  T3Scale::Scale.CFastFactor = 4.0;
  std::string message;
  EXPECT_FALSE(T3EEPROM::WriteScale(message));
  EXPECT_EQ(message, "Content read back is NOT equal to the written one.");
  const std::vector<std::string> files = BackupFiles();
  ASSERT_EQ(files.size(), backups + 1);
  const std::string name = files.back();
  EXPECT_TRUE(name.starts_with("EEPROM_Scale_123456_b0_")) << name;
  std::ifstream backup(name, std::ios::binary);
  const Image saved((std::istreambuf_iterator<char>(backup)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved, oldScale);

  UseImage(BoardChip().Image());
  EXPECT_FALSE(T3EEPROM::ReadScale(message));
  EXPECT_EQ(message, "Reading Scale from EEPROM failed: CRC error");
}

TEST_P(T3EEPROMTest, NoBackupNoWrite) {
  Strings::Assign(T3Base::SerialNumber, "no/such");
  T3Scale::Scale = SampleScale(0);
  const Image before = BoardChip().Image();
  std::string message;
  EXPECT_FALSE(T3EEPROM::WriteScale(message));
  EXPECT_TRUE(message.starts_with("Writing Scale to EEPROM refused: its backup file \"EEPROM_Scale_no/such_b0_"))
      << message;
  EXPECT_EQ(BoardChip().WriteCycles(), 0);
  EXPECT_EQ(BoardChip().Image(), before);
}

TEST_P(T3EEPROMTest, TargetsNeedTheLargeChipOnTheBoardItself) {
  T3Types::State.EEPROMKind = 2;
  T3Types::State.Selector = 0;
  EXPECT_TRUE(T3EEPROM::IsWriteTarget());
  EXPECT_TRUE(T3EEPROM::IsReadTarget());
  T3Base::ScaleFromDisk = true;
  EXPECT_FALSE(T3EEPROM::IsReadTarget());
  T3Base::ScaleFromDisk = false;
  T3Types::State.Selector = 2;
  EXPECT_FALSE(T3EEPROM::IsWriteTarget());
  T3Types::State.Selector = 0;
  T3Types::State.EEPROMKind = 1;
  EXPECT_FALSE(T3EEPROM::IsWriteTarget());
}

}  // namespace
