#include "sim/potentiostat/PKSimBoard.h"

#include <gtest/gtest.h>

namespace {

std::uint16_t Word(unsigned address, unsigned data) {
  return static_cast<std::uint16_t>((address << 8) | data);
}

TEST(PKSimBoard, SelectLatchHearsEveryWordOthersOnlyWhenSelected) {
  PKSimBoard pk510(PKSimModel::PK510);
  EXPECT_FALSE(pk510.Selected());
  pk510.Strobe(Word(55, 0x12));  // DAC8, not selected: lost
  pk510.Strobe(Word(14, 0x3E));
  EXPECT_TRUE(pk510.Selected());
  EXPECT_EQ(pk510.Register(15), 3);
  pk510.Strobe(Word(55, 0x12));
  EXPECT_EQ(pk510.Register(55), 0x12);
  pk510.Strobe(Word(15, 0x0F));  // the odd half of the pair reaches it too
  EXPECT_FALSE(pk510.Selected());
  pk510.Strobe(Word(55, 0x34));
  EXPECT_EQ(pk510.Register(55), 0x12);

  PKSimBoard pk512(PKSimModel::PK512);
  pk512.Strobe(Word(14, 0x0E));  // the PK 510's latch is a free address here
  EXPECT_FALSE(pk512.Selected());
  pk512.Strobe(Word(12, 0x0E));
  EXPECT_TRUE(pk512.Selected());
  EXPECT_TRUE(PKSimBoard(PKSimModel::PK510, true).Selected());
}

TEST(PKSimBoard, TwelveBitDacTakesItsNibblesAtTheLoadWord) {
  PKSimBoard board(PKSimModel::PK510, true);
  for (unsigned data : {0x4Cu, 0x5Bu, 0x6Au}) board.Strobe(Word(16, data));
  for (unsigned data : {0x01u, 0x12u, 0x23u}) board.Strobe(Word(16, data));
  EXPECT_EQ(board.Register(17), 0);
  board.Strobe(Word(16, 0x70));
  EXPECT_EQ(board.Register(17), 0xABC);
  EXPECT_EQ(board.Register(16), 0);
  board.Strobe(Word(16, 0x30));
  EXPECT_EQ(board.Register(16), 0x321);
}

TEST(PKSimBoard, SixteenBitDacLoadsTheLatchesByItsStrobe) {
  PKSimBoard board(PKSimModel::PK512);
  board.Strobe(Word(12, 0x0E));
  board.Strobe(Word(44, 0x34));
  board.Strobe(Word(48, 0x12));
  board.Strobe(Word(42, 0));  // route bit clear: the subtract DAC
  EXPECT_EQ(board.Register(42), 0x1234);
  EXPECT_EQ(board.RouteMismatches(), 0);
  board.Strobe(Word(43, 0));  // routed to the subtract DAC, strobed the init DAC
  EXPECT_EQ(board.Register(43), 0x1234);
  EXPECT_EQ(board.RouteMismatches(), 1);
  board.Strobe(Word(34, 0x40));
  board.Strobe(Word(43, 0));
  EXPECT_EQ(board.RouteMismatches(), 1);
}

TEST(PKSimBoard, LatchPairsAndEightBitDacsByTheirKind) {
  PKSimBoard board(PKSimModel::PK512);
  board.Strobe(Word(12, 0x0E));
  board.Strobe(Word(30, 0xA5));
  EXPECT_EQ(board.Register(30), 0x5);
  EXPECT_EQ(board.Register(31), 0xA);
  board.Strobe(Word(28, 0x7F));  // a DAC8 on the PK 512, a free pair on the PK 510
  EXPECT_EQ(board.Register(28), 0x7F);
  EXPECT_EQ(board.Register(29), 0);
}

// Every word is recorded; the boards take those in the PK form of the port:
// bit 15 clear, or set where the PK words carry it.
TEST(PKSimBus, RecordsEveryStrobeInOrderAndHandsOnThePKWords) {
  for (const bool carry : {false, true}) {
    SCOPED_TRACE(carry);
    PKSimBus bus;
    bus.SetPKWordsCarryBit15(carry);
    PKSimBoard pk510(PKSimModel::PK510, true);
    PKSimBoard pk512(PKSimModel::PK512);
    bus.Attach(&pk510);
    bus.Attach(&pk512);
    const std::uint16_t pkForm = carry ? 0x8000 : 0;
    bus.Strobe(pkForm | Word(12, 0x0E), 1.5);
    bus.Strobe(pkForm | Word(55, 0x44), 2.0);
    bus.Strobe((pkForm ^ 0x8000) | Word(55, 0x11), 2.5);
    ASSERT_EQ(bus.Recorded().size(), 3u);
    EXPECT_EQ(bus.Recorded()[0].address, 12);
    EXPECT_EQ(bus.Recorded()[0].data, 0x0E);
    EXPECT_EQ(bus.Recorded()[0].bit15, carry);
    EXPECT_EQ(bus.Recorded()[0].instant, 1.5);
    EXPECT_EQ(bus.Recorded()[2].bit15, !carry);
    EXPECT_TRUE(pk512.Selected());
    EXPECT_EQ(pk510.Register(12), 0x0E);
    EXPECT_EQ(pk510.Register(55), 0x44);
    bus.ClearRecord();
    EXPECT_TRUE(bus.Recorded().empty());
  }
}

}  // namespace
