// The boards of one or two QRN 2400 racks selected in turn: each keeps its
// own records, the bus latches what the selection says, and a store
// without memory leaves the live board as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "acquisition/VrnlBoards.h"
#include "acquisition/ZRVBase.h"
#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Error.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Selector.h"
#include "amplifier/T3Set.h"
#include "amplifier/T3Types.h"
#include "amplifier/tests/BoardRack_fixture.h"
#include "foundation/Buffer.h"

namespace {

// The five live records.
struct Records {
  T3Types::AmplifierState state;
  T3Types::BoardState board;
  T3Types::SwitchShadow shadow;
  T3Scale::ScaleRecord scale;
  T3Scale::CFastTable cFast;
};

Records Live() {
  return {T3Types::State, T3Base::BoardState, T3Set::SwitchState, T3Scale::Scale,
          T3Auto::CFastTable};
}

template <typename T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSame(const Records& a, const Records& b) {
  EXPECT_TRUE(SameBits(a.state, b.state));
  EXPECT_TRUE(SameBits(a.board, b.board));
  EXPECT_TRUE(SameBits(a.shadow, b.shadow));
  EXPECT_TRUE(a.scale == b.scale);
  EXPECT_TRUE(a.cFast == b.cFast);
}

// Changes every record of the live board, distinctly by the seed.
void MarkLiveBoard(int seed) {
  T3Panel::SetGain(seed % 5 + 1);
  T3Panel::SetVHold(0.01 * seed);
  T3Base::BoardState.TempGain = static_cast<std::uint8_t>(seed);
  T3Scale::Scale.CFastFactor = 1.0 + seed;
  T3Auto::CFastTable.Tables[1].SampleInterval = 1e-6f * static_cast<float>(seed);
  VrnlBoards::FlushCache();
}

std::vector<long> WordsTaken(AmplifierRack& rack) {
  std::vector<long> words;
  for (int board = 0; board < AmplifierRack::kBoards; ++board) words.push_back(rack.Board(board).Words());
  return words;
}

class TwoRacks : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override { return Racks(2, 4); }
};

INSTANTIATE_TEST_SUITE_P(Boards, TwoRacks, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(TwoRacks, ABoardLeftAndSelectedAgainHasEveryRecordBitForBit) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  MarkLiveBoard(3);
  const Records board0 = Live();

  T3Panel::SetT3Board(1);
  EXPECT_EQ(T3Types::State.Board, 1);
  EXPECT_EQ(T3Types::State.Gain, 1);
  EXPECT_DOUBLE_EQ(T3Types::State.VHold, 0.0);
  MarkLiveBoard(4);
  const Records board1 = Live();

  T3Panel::SetT3Board(0);
  ExpectSame(Live(), board0);
  T3Panel::SetT3Board(1);
  ExpectSame(Live(), board1);
  T3Panel::LoadTheState();
  EXPECT_EQ(Rack(0).SelectedBoard(), 1);
  EXPECT_EQ(Elements(0, 1).Element(31), T3Set::SwitchState.Element[31]);
  EXPECT_EQ(T3Error::Error, 0);
}

TEST_P(TwoRacks, ABoardSeenFirstGetsDefaultsUnderItsOwnNumber) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  MarkLiveBoard(2);
  static int boardDuringDefaults = -1;
  boardDuringDefaults = -1;
  ASSERT_TRUE(T3Select::ActivateBoard(3, [] {
    boardDuringDefaults = T3Types::State.Board;
    T3Scale::LoadDefaults();
    T3Panel::GetDefaultState();
  }));
  EXPECT_EQ(boardDuringDefaults, 3);
  EXPECT_EQ(T3Types::State.Board, 3);
  EXPECT_EQ(T3Types::State.Gain, 1);

  T3Panel::SetT3Board(2);
  T3Scale::ScaleRecord defaults = T3Scale::Scale;
  T3Scale::LoadDefaults();
  EXPECT_TRUE(T3Scale::Scale == defaults);
  EXPECT_EQ(T3Base::BoardState.CSlowRefCount, 50);
  EXPECT_TRUE(T3Base::BoardState.BoardSetUp);
}

TEST_P(TwoRacks, AFrozenScaleSurvivesSwitchesUntilUnfrozen) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Scale::Scale.CFastFactor = 7.0;
  ASSERT_TRUE(T3Select::FreezeScale());
  T3Scale::Scale.CFastFactor = 8.0;
  for (const double expected : {7.0, 7.0}) {
    T3Panel::SetT3Board(1);
    T3Panel::SetT3Board(0);
    EXPECT_DOUBLE_EQ(T3Scale::Scale.CFastFactor, expected);
  }
  T3Scale::Scale.CFastFactor = 9.0;
  T3Select::UnfreezeAll();
  T3Panel::SetT3Board(1);
  T3Panel::SetT3Board(0);
  EXPECT_DOUBLE_EQ(T3Scale::Scale.CFastFactor, 9.0);
}

// The bus latch (46) is the rack's, not the board's: it follows every
// latching.
Records WithoutBusLatch(Records records) {
  records.shadow.Element[46] = 0;
  return records;
}

TEST_P(TwoRacks, NoBoardLatchesNoneAndKeepsEveryRecord) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  MarkLiveBoard(5);
  const Records before = Live();
  T3Panel::SetT3Board(8);
  VrnlBoards::FlushCache();
  EXPECT_EQ(Rack(0).SelectedBoard(), -1);
  EXPECT_EQ(Rack(1).SelectedBoard(), -1);
  ExpectSame(WithoutBusLatch(Live()), WithoutBusLatch(before));
  EXPECT_EQ(T3Select::GetStateAdr(8), nullptr);
}

class OneRack : public BoardRackTest {
 protected:
  AmplifierRackConfig RackConfig() const override { return Racks(1, 4); }
};

INSTANTIATE_TEST_SUITE_P(Boards, OneRack, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(OneRack, BoardsBeyondTheCountChangeNothing) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  MarkLiveBoard(5);
  const Records before = Live();
  const std::vector<long> words = WordsTaken(Rack(0));
  T3Panel::SetT3Board(T3Base::T3Boards);
  EXPECT_FALSE(T3Select::ActivateBoard(9, [] { FAIL() << "no defaults for board 9"; }));
  VrnlBoards::FlushCache();
  ExpectSame(Live(), before);
  EXPECT_EQ(WordsTaken(Rack(0)), words);
  EXPECT_EQ(T3Select::GetSelectorStateAdr(9, 0), nullptr);
}

TEST_P(OneRack, TheEEPROMIsReadOnABoardOfTheRack) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Panel::SetT3Board(2);
  T3Panel::SetT3Board(8);
  T3Panel::InitEEPROMReadPort();
  VrnlBoards::FlushCache();
  EXPECT_EQ(Rack(0).SelectedBoard(), 2);
  T3Types::State.Board = 8;
  T3Panel::InitEEPROMReadPort();
  VrnlBoards::FlushCache();
  EXPECT_EQ(T3Types::State.Board, 0);
  EXPECT_EQ(Rack(0).SelectedBoard(), 0);
}

TEST_P(TwoRacks, GlobalBoardFiveIsBoardOneOfTheSecondRack) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Panel::SetT3Board(5);
  VrnlBoards::FlushCache();
  EXPECT_TRUE(T3Base::IsSecondRack);
  EXPECT_EQ(T3Types::State.CommandPortChannel, 12);
  EXPECT_EQ(Rack(1).SelectedBoard(), 1);
  EXPECT_EQ(T3Panel::GetActiveT3Boards(), 4);

  const std::vector<long> rack1 = WordsTaken(Rack(0));
  const long before = Elements(1, 1).Words();
  T3Panel::SetGain(3);
  VrnlBoards::FlushCache();
  EXPECT_EQ(WordsTaken(Rack(0)), rack1);
  EXPECT_GT(Elements(1, 1).Words(), before);
  EXPECT_EQ(Elements(1, 1).Element(31), T3Set::SwitchState.Element[31]);
}

TEST_P(TwoRacks, CommonParametersReachEveryStoredBoard) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Panel::SetT3Board(1);
  T3Panel::SetT3Board(2);
  T3Types::State.AutoCSlowCycles = 33;
  T3Types::State.SearchDelay = 4.5;
  T3Select::SyncCommonParameters();
  for (const int board : {0, 1, 2}) {
    const T3Types::AmplifierState* state = T3Select::GetStateAdr(board);
    ASSERT_NE(state, nullptr) << board;
    EXPECT_EQ(state->AutoCSlowCycles, 33) << board;
    EXPECT_DOUBLE_EQ(state->SearchDelay, 4.5) << board;
  }
  T3Panel::SetT3Board(3);
  EXPECT_EQ(T3Types::State.AutoCSlowCycles, 33);
}

TEST_P(TwoRacks, BlocksGoWithTheirBuffer) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Panel::SetT3Board(1);
  T3Panel::SetT3Board(0);
  ASSERT_NE(T3Select::GetStateAdr(1), nullptr);
  T3Select::Shutdown();
  EXPECT_EQ(T3Select::GetStateAdr(1), nullptr);
  EXPECT_EQ(Buffer::Lookup("TlvStorage"), nullptr);

  T3Panel::SetT3Board(1);
  T3Panel::SetT3Board(0);
  ASSERT_NE(T3Select::GetStateAdr(1), nullptr);
  Buffer::NamedBuffer storage = Buffer::Lookup("TlvStorage");
  Buffer::Delete(storage);
  EXPECT_EQ(T3Select::GetStateAdr(1), nullptr);
  EXPECT_EQ(T3Select::GetSelectorStateAdr(1, 1), nullptr);
}

// ---- No memory for another block ----------------------------------------------------

bool refuseMemory = false;
void* LimitedNewPtr(std::size_t size) { return refuseMemory ? nullptr : std::malloc(size); }

class NoMemory : public TwoRacks {
 protected:
  void SetUp() override {
    Buffer::Shutdown();
    Buffer::SetSystemMemory({LimitedNewPtr, std::free});
    refuseMemory = false;
    TwoRacks::SetUp();
  }
  void TearDown() override {
    refuseMemory = false;
    Buffer::Delete(filler_);
    TwoRacks::TearDown();
    Buffer::Shutdown();
    Buffer::SetSystemMemory({std::malloc, std::free});
  }

  // Takes what the heap has left, and nothing more comes from the system.
  void ExhaustTheHeap() {
    refuseMemory = true;
    filler_ = Buffer::Create("Filler", Buffer::kHeap);
    ASSERT_NE(filler_, nullptr);
    for (std::int32_t size = 1 << 20; size >= 16; size /= 2) {
      for (void* block = nullptr;; block = nullptr) {
        Buffer::Allocate(filler_, size, block);
        if (block == nullptr) break;
      }
    }
  }

  Buffer::NamedBuffer filler_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Boards, NoMemory, ::testing::Values(ZRVBase::BoardQRN2400), BoardName);

TEST_P(NoMemory, TheLiveBoardStaysWithItsRecords) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  MarkLiveBoard(6);
  ASSERT_NO_FATAL_FAILURE(ExhaustTheHeap());
  const Records before = Live();

  T3Panel::SetT3Board(1);
  EXPECT_EQ(T3Error::Error, 27);
  VrnlBoards::FlushCache();
  EXPECT_EQ(Rack(0).SelectedBoard(), 0);
  // Leaving the board put its test DAC and multiplexer routing back, as
  // every switch does; everything else is as it was.
  Records after = Live();
  after.state.TestDacOff = before.state.TestDacOff;
  after.state.QMuxAdc = before.state.QMuxAdc;
  after.shadow.Element[45] = before.shadow.Element[45];
  ExpectSame(after, before);

  // The next store of board 0 files its records under board 0.
  refuseMemory = false;
  Buffer::Delete(filler_);
  T3Error::Error = 0;
  T3Panel::SetT3Board(1);
  ASSERT_EQ(T3Error::Error, 0);
  T3Panel::SetT3Board(0);
  EXPECT_EQ(T3Base::BoardState.TempGain, 6);
  EXPECT_DOUBLE_EQ(T3Scale::Scale.CFastFactor, 7.0);
}

TEST_P(NoMemory, TheSelectorStaysAtItsPosition) {
  ASSERT_NO_FATAL_FAILURE(StartCore());
  T3Base::MaxSelectors = 8;
  MarkLiveBoard(2);
  ASSERT_NO_FATAL_FAILURE(ExhaustTheHeap());
  const Records before = Live();
  T3Panel::SetSelector(3);
  EXPECT_EQ(T3Error::Error, 28);
  EXPECT_EQ(T3Types::State.Selector, 0);
  EXPECT_EQ(T3Selector::SelectorPosition, 0);
  ExpectSame(Live(), before);
}

}  // namespace
