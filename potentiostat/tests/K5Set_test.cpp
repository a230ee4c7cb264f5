#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "foundation/TermIO.h"
#include "potentiostat/K5Set.h"
#include "potentiostat/K5Set_510.h"
#include "potentiostat/K5Set_512.h"
#include "potentiostat/PKTypes.h"
#include "potentiostat/tests/PKBus_fixture.h"
#include "potentiostat/tests/PKSetters_fixture.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(K5SetConversions, RoundHalvesAwayFromZeroAndClip) {
  struct Row {
    std::uint16_t (*convert)(double);
    double in;
    std::uint16_t out;
  };
  const Row rows[] = {
      {K5Set::ClipToDac8Range, 127.5, 128},    {K5Set::ClipToDac8Range, 127.49, 127},
      {K5Set::ClipToDac8Range, 255.4, 255},    {K5Set::ClipToDac8Range, 255.5, 255},
      {K5Set::ClipToDac8Range, -0.5, 0},       {K5Set::ClipToDac8Range, kInf, 255},
      {K5Set::ClipToDac8Range, -kInf, 0},      {K5Set::ClipToDac8Range, kNaN, 0},
      {K5Set::ClipToDac12Range, 4095.4, 4095}, {K5Set::ClipToDac12Range, -3, 0},
      {K5Set::ClipToDac12Range, 2047.5, 2048}, {K5Set::ClipToDac12Range, 1e300, 4095},
      {K5Set::ClipToDac12Range, kNaN, 0},      {K5Set::ClipToDac16Range, 65535.49, 65535},
      {K5Set::ClipToDac16Range, 65536, 65535}, {K5Set::ClipToDac16Range, -1e-9, 0},
      {K5Set::ClipToDac16Range, kInf, 65535},  {K5Set::VoltToDac16, 0.0, 32768},
      {K5Set::VoltToDac16, 10.24, 65535},      {K5Set::VoltToDac16, -10.24, 0},
      {K5Set::VoltToDac16, 1.0, 35968},        {K5Set::VoltToDac16, -kInf, 0},
      {K5Set::VoltToDac16, kInf, 65535},       {K5Set::VoltToDac16, kNaN, 32768},
  };
  for (const Row& row : rows) EXPECT_EQ(row.convert(row.in), row.out) << row.in;
  EXPECT_DOUBLE_EQ(K5Set::Dac16ToVolt(0), -10.24);
  EXPECT_DOUBLE_EQ(K5Set::Dac16ToVolt(32768), 0.0);
  EXPECT_DOUBLE_EQ(K5Set::Dac16ToVolt(35968), 1.0);
}

TEST(K5SetWords, AddressSixBitsAndDataByte) {
  EXPECT_EQ(K5Set::CommandWord(63, 0xFF), 0x3FFF);
  EXPECT_EQ(K5Set::CommandWord(64, 0x12), K5Set::CommandWord(0, 0x12));
  EXPECT_EQ(K5Set::CommandWord(17, 0x1AB), 0x11AB);
}

using K5SetSenders = PKBusTest;

TEST_F(K5SetSenders, TwelveBitDacSendsNibblesLowFirstThenLoadWord) {
  K5Set::SendToHardware = true;
  K5Set::Shadow shadow{};
  K5Set::SendDAC12(17, 0xABC, shadow);
  EXPECT_EQ(Take(), ParseWords("16:4C 16:5B 16:6A 16:70"));
  K5Set::SendDAC12(16, 0xABC, shadow);
  EXPECT_EQ(Take(), ParseWords("16:0C 16:1B 16:2A 16:30"));
  EXPECT_EQ(shadow[16], 0xABC);
  EXPECT_EQ(shadow[17], 0xABC);
}

TEST_F(K5SetSenders, SixteenBitDacLatchesBothBytesThenStrobes) {
  K5Set::SendToHardware = true;
  K5Set::Shadow shadow{};
  K5Set::SendDAC16(42, 0x8000, 44, 48, shadow);
  EXPECT_EQ(Take(), ParseWords("44:00 48:80 42:00"));
  EXPECT_EQ(shadow[42], 0x8000);
  EXPECT_EQ(shadow[44], 0);
  EXPECT_EQ(shadow[48], 0x80);
}

TEST_F(K5SetSenders, SwitchPairGoesToItsEvenAddress) {
  K5Set::SendToHardware = true;
  K5Set::Shadow shadow{};
  shadow[30] = 0x5;
  shadow[31] = 0xA;
  K5Set::SendSwitchValue(31, shadow);
  K5Set::SendSwitchValue(30, shadow);
  EXPECT_EQ(Take(), ParseWords("30:A5 30:A5"));
}

TEST_F(K5SetSenders, WithoutSendingShadowsStillChange) {
  K5Set::Shadow shadow{};
  K5Set::SendDAC8(55, 0x12, shadow);
  K5Set::SendDAC12(19, 2047, shadow);
  K5Set::SendDAC16(43, 0x1234, 44, 48, shadow);
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(shadow[55], 0x12);
  EXPECT_EQ(shadow[19], 2047);
  EXPECT_EQ(shadow[43], 0x1234);
  EXPECT_EQ(shadow[44], 0x34);
  EXPECT_EQ(shadow[48], 0x12);
}

// Every address 0-255 through every sender and shadow access: addresses
// above 63 send nothing and touch no shadow entry (the shadows are exactly
// 64 entries, so AddressSanitizer sees any stray access).
TEST_F(K5SetSenders, AddressesAbove63AreNoRegisters) {
  K5Set::SendToHardware = true;
  for (std::uint8_t board : {K5Set::MainBoard, K5Set::SecondBoard}) {
    K5Set::SelectedBoard = board;
    for (unsigned address = 0; address < 256; ++address) {
      auto shadow = std::make_unique<K5Set::Shadow>();
      const bool reg = address < 64;
      K5Set::SendByte(address, 0x5A);
      K5Set::SendDAC8(address, 0x5A, *shadow);
      K5Set::SendDAC12(address, 0x5A, *shadow);
      K5Set::SendDAC16(address, 0x5A, 44, 48, *shadow);
      K5Set::SendDAC16(42, 0x5A, address, 48, *shadow);
      K5Set::SendSwitchValue(address, *shadow);
      K5Set::SetSwitchState(address, 7);
      K5Set::SendValueToBoard(address, 3);
      const std::uint16_t read = K5Set::GetSwitchState(address);
      char name[8];
      K5Set::IC_Name(address, name);
      const std::vector<Word> words = Take();
      if (reg) {
        EXPECT_FALSE(words.empty()) << address;
        EXPECT_EQ(read, K5Set::IC_Kind(address) == K5Set::KindByteLatch ? 7 : 3) << address;
      } else {
        EXPECT_TRUE(words.empty()) << address;
        EXPECT_EQ(read, 0) << address;
        EXPECT_EQ(K5Set::IC_Kind(address), K5Set::KindNone);
        EXPECT_STREQ(name, "????  ");
        EXPECT_FALSE(K5Set::SendValueToBoard(address, 1));
      }
    }
  }
}

TEST_F(K5SetSenders, SendValueToBoardByKind) {
  K5Set::SendToHardware = true;
  K5Set::SelectedBoard = K5Set::MainBoard;
  struct Row {
    unsigned address;
    std::uint16_t value;
    const char* words;
  };
  const Row rows[] = {
      {55, 0x3C, "55:3C"},                    // DAC8
      {20, 0x123, "20:03 20:12 20:21 20:30"},  // DAC12
      {43, 0x1234, "44:34 48:12 43:00"},      // DAC16
      {25, 0x6, "24:60"},                     // latch
      {13, 0x9, "12:90"},                     // free
      {48, 0x77, "48:77"},                    // byte latch
  };
  for (const Row& row : rows) {
    EXPECT_TRUE(K5Set::SendValueToBoard(row.address, row.value));
    EXPECT_EQ(Take(), ParseWords(row.words)) << row.address;
  }
  // The byte latch keeps the shadow the 16-bit DAC left.
  EXPECT_EQ(K5Set_510::SwitchState[48], 0x12);
  K5Set::SelectedBoard = K5Set::NoBoard;
  EXPECT_FALSE(K5Set::SendValueToBoard(55, 1));
  PKTypes::State.Tlv4Present = true;
  K5Set::SelectedBoard = K5Set::SecondBoard;
  EXPECT_FALSE(K5Set::SendValueToBoard(55, 1));
  EXPECT_TRUE(Take().empty());
}

TEST_F(K5SetSenders, QueriesFollowTheSelectedBoard) {
  char name[8];
  K5Set::SelectedBoard = K5Set::MainBoard;
  K5Set::IC_Name(42, name);
  EXPECT_STREQ(name, "ic129a");
  K5Set::IC_Name(14, name);
  EXPECT_STREQ(name, "ic11  ");
  K5Set::IC_Name(12, name);
  EXPECT_STREQ(name, "free  ");
  EXPECT_EQ(K5Set::IC_Kind(44), K5Set::KindByteLatch);
  EXPECT_EQ(K5Set::Dac16Kind_to_StateIndex(0), 42);
  EXPECT_EQ(K5Set::Dac16Kind_to_StateIndex(1), 43);
  EXPECT_EQ(K5Set::Dac16Kind_to_StateIndex(2), 0);
  K5Set::SelectedBoard = K5Set::SecondBoard;
  K5Set::IC_Name(42, name);
  EXPECT_STREQ(name, "ic133a");
  EXPECT_EQ(K5Set::IC_Kind(28), K5Set::KindDac8);
  PKTypes::State.Tlv4Present = true;
  EXPECT_EQ(K5Set::IC_Kind(28), K5Set::KindNone);
  K5Set::IC_Name(42, name);
  EXPECT_STREQ(name, "????  ");
  EXPECT_EQ(K5Set::Dac16Kind_to_StateIndex(1), 0);
  K5Set::SelectedBoard = K5Set::NoBoard;
  EXPECT_EQ(K5Set::IC_Kind(28), K5Set::KindNone);
}

TEST_F(K5SetSenders, TraceTagsFollowSendToHardware) {
  K5Set::DebugMode = true;
  K5Set::SelectedBoard = K5Set::MainBoard;
  K5Set_510::ClampGainDac(0x12);
  K5Set_510::Board.WorkElectrOffsetDac(0xABC);
  K5Set_510::Board.SubtractDacValue(0x8000);
  K5Set::SendToHardware = true;
  K5Set_510::ClampGainDac(0x12);
  K5Set::SendByte(44, 0xFF);
  TermIO::WriteLn();
  K5Set::SelectedBoard = K5Set::SecondBoard;
  PKTypes::State.Tlv4Present = true;
  K5Set::Feedback(1);
  const std::vector<std::string> expected = {
      "1-dac8     0011011100010010   ic91b [55]   18",
      "1-dac12    0001000001001100   ic95b [17] 2748",
      "0001000001011011   ",
      "0001000001101010   ",
      "0001000001110000   ",
      "1-switch   0010001000000000   ic123 [35] ----",
      "1-dac16    0010110000000000   0011000010000000   0010101000000000   ic129a[42]32768",
      "1-DAC8     0011011100010010   ic91b [55]   18",
      "0010110011111111   ",
      "K5Set: illegal function - Tlv4 is active ",
  };
  EXPECT_EQ(Records(), expected);
}

using K5SetForwarding = PKBusTest;

TEST_F(K5SetForwarding, EachSetterReachesOnlyTheSelectedBoardThatHasIt) {
  K5Set::SendToHardware = true;
  struct Mode {
    const char* name;
    std::uint8_t board;
    bool tlv;
  };
  const Mode modes[] = {{"board 1", 1, false}, {"board 2", 2, false}, {"none", 0, false},
                        {"TLV mode", 2, true}, {"board 1 beside a TLV board", 1, true}};
  for (const Mode& mode : modes) {
    PKTypes::State.Tlv4Present = mode.tlv;
    K5Set::SelectedBoard = mode.board;
    for (const Setter& setter : Setters()) {
      const K5Set::Shadow pk510 = K5Set_510::SwitchState;
      const K5Set::Shadow pk512 = K5Set_512::SwitchState;
      setter.set(1);
      const bool sends = (mode.board == 1 && setter.pk510Values > 0) ||
                         (mode.board == 2 && !mode.tlv && setter.pk512Values > 0);
      EXPECT_EQ(!Take().empty(), sends) << mode.name << " " << setter.name;
      if (mode.board != 1) EXPECT_EQ(K5Set_510::SwitchState, pk510) << mode.name << " " << setter.name;
      if (mode.board != 2 || mode.tlv) {
        EXPECT_EQ(K5Set_512::SwitchState, pk512) << mode.name << " " << setter.name;
      }
    }
  }
}

TEST_F(K5SetForwarding, VoltageOffsetAbove4095IsSentAs4095) {
  K5Set::SendToHardware = true;
  K5Set::SelectedBoard = K5Set::MainBoard;
  K5Set::VoltageOffsetDac(5000);
  EXPECT_EQ(Take(), ParseWords("18:4F 18:5F 18:6F 18:70"));
  EXPECT_EQ(K5Set_510::SwitchState[19], 4095);
}

TEST_F(K5SetForwarding, SelectingOneBoardLeavesTheOtherSelected) {
  K5Set::SendToHardware = true;
  K5Set::ActiveBoard(1);
  EXPECT_EQ(Take(), ParseWords("14:0E 34:00"));
  K5Set::ActiveBoard(2);
  EXPECT_EQ(Take(), ParseWords("12:0E 34:00"));
  K5Set::DisableBoard(1);
  EXPECT_EQ(Take(), ParseWords("34:80 14:0F"));
  K5Set::ActiveBoard(0);
  EXPECT_EQ(Take(), ParseWords("14:0F 12:0F"));
  EXPECT_EQ(K5Set::SelectedBoard, 0);
  K5Set::DisableBoard(0);
  EXPECT_TRUE(Take().empty());
}

// Random setter runs on both simulated boards: after them each board's
// registers equal its shadow, except its select-latch pair, which the other
// board's map writes too.
TEST_F(K5SetForwarding, RandomRunsLeaveRegistersEqualToShadows) {
  AttachBoards();
  for (unsigned seed : {1u, 2u, 3u}) {
    K5Set::InitModule();
    RandomSetterRun(seed, 2000, pk510_, pk512_, [] {});
  }
}

}  // namespace
