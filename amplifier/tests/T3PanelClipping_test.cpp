// The clipping flags of the interface spread over the boards: each
// board's clipping line held high on the simulated racks shows as its own
// bit, and a real board switch drops the next reads.
#include <gtest/gtest.h>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/BoardRack_fixture.h"

namespace {

class Clipping : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override {
    switch (Board()) {
      case ZRVBase::BoardQRN2400: return Racks(2, 4);
      case ZRVBase::BoardQRN55: return Racks(1, 4, 'R');
      default: return Racks(1, 1, 'Q');
    }
  }

  // Every board with its records, board 0 selected, the reads after the
  // switches done.
  void VisitEveryBoard() {
    for (int board = T3Base::T3Boards - 1; board >= 0; --board) T3Panel::SetT3Board(board);
    for (int read = 0; read < T3Base::ClippingSkipCount; ++read) T3Panel::ReadClipping();
  }
};

INSTANTIATE_TEST_SUITE_P(Boards, Clipping,
                         ::testing::Values(ZRVBase::BoardZRV28, ZRVBase::BoardQRN2400,
                                           ZRVBase::BoardQRN55),
                         BoardName);

TEST_P(Clipping, EachBoardsLineShowsAsItsOwnBit) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  VisitEveryBoard();
  EXPECT_EQ(T3Panel::ReadClipping(), 0);
  for (int board = 0; board < T3Base::T3Boards; ++board) {
    SCOPED_TRACE(board);
    Rack(board / 4).HoldClipping(board % 4, true);
    EXPECT_EQ(T3Panel::ReadClipping(), 1 << board);
    EXPECT_TRUE(T3Select::GetStateAdr(board)->Clipping);
    EXPECT_EQ(T3Panel::IsClipping(), board == 0);
    Rack(board / 4).HoldClipping(board % 4, false);
    EXPECT_EQ(T3Panel::ReadClipping(), 0);
    EXPECT_FALSE(T3Select::GetStateAdr(board)->Clipping);
  }
}

TEST_P(Clipping, OnlyARealSwitchDropsTheNextReads) {
  if (Board() == ZRVBase::BoardZRV28) GTEST_SKIP() << "one board";
  ASSERT_NO_FATAL_FAILURE(StartCore());
  VisitEveryBoard();
  Rack().HoldClipping(0, true);
  ASSERT_EQ(T3Panel::ReadClipping(), 1);
  Rack().HoldClipping(0, false);
  Rack().HoldClipping(1, true);

  T3Panel::SetT3Board(0);
  EXPECT_EQ(T3Panel::ReadClipping(), 2);
  T3Panel::SetT3Board(1);
  for (int read = 0; read < T3Base::ClippingSkipCount; ++read) EXPECT_EQ(T3Panel::ReadClipping(), 2);
  Rack().HoldClipping(1, false);
  Rack().HoldClipping(2, true);
  T3Panel::SetT3Board(0);
  for (int read = 0; read < T3Base::ClippingSkipCount; ++read) EXPECT_EQ(T3Panel::ReadClipping(), 2);
  EXPECT_EQ(T3Panel::ReadClipping(), 4);
}

}  // namespace

namespace {

// The QRN 5+5 reads the multiplexer on AD 7 unless its rack is tetral,
// where AD 7 carries board 3's current monitor.
TEST_P(Clipping, TheMultiplexerInputFollowsTheRack) {
  if (Board() != ZRVBase::BoardQRN55) GTEST_SKIP() << "the QRN 5+5 maps its multiplexer input";
  ASSERT_NO_FATAL_FAILURE(StartCore());
  EXPECT_TRUE(T3Types::State.IsTetral);
  EXPECT_FALSE(T3Base::MuxAdcMappedToAD7);
  EXPECT_EQ(T3Types::State.MuxAdc, 18);
  T3Base::TetralRack1 = false;
  T3Panel::SetT3Board(1);
  EXPECT_TRUE(T3Base::MuxAdcMappedToAD7);
  EXPECT_EQ(T3Types::State.MuxAdc, 7);
}

}  // namespace
