// The results blocks of every board and selector position, the switch of
// the hardware tests, and the blocks beside the board storage in the
// program's heap.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "amplifier/T3Base.h"
#include "amplifier/T3Select.h"
#include "amplifier/T3Types.h"
#include "calibration/Program.h"
#include "calibration/T3TestUt.h"
#include "foundation/Buffer.h"
#include "foundation/GLP.h"
#include "foundation/tests/TempDirectory_fixture.h"
#include "shell/tests/Session_fixture.h"

namespace {

using T3TestUt::HFRangeResults;
using T3TestUt::MuxTestResults;
using T3TestUt::ResultsBlock;
using T3TestUt::SelfTestResults;

// The platform's memory: the heap's first block up to a limit and no
// further one, so the heap cannot grow past what the program asked for
// (the heap's small bookkeeping blocks are always given).
struct OneHeapBlock {
  static constexpr std::size_t kBookkeeping = 65536;
  static inline std::size_t limit = 0;
  static inline bool given = false;
  static void* NewPtr(std::size_t size) {
    if (size >= kBookkeeping) {
      if (given || size > limit) return nullptr;
      given = true;
    }
    return std::malloc(size);
  }
  static void DisposePtr(void* block) { std::free(block); }
};

void UseMalloc() {
  Buffer::SetSystemMemory(Buffer::SystemMemory{[](std::size_t size) { return std::malloc(size); },
                                               [](void* block) { std::free(block); }});
}

class ResultsBlocks : public ConsoleSessionTest {
 protected:
  void SetUp() override {
    state_ = T3Types::State;
    Start();
  }
  void TearDown() override {
    T3Types::State = state_;
    T3TestUt::Shutdown();
    T3Select::Shutdown();
    T3Base::InitModule();
    ConsoleSessionTest::TearDown();
    Buffer::Shutdown();
    UseMalloc();
    Buffer::DefBufferHeap = 1500;
    Buffer::DefBufferHeapMin = 400;
    Buffer::DefAllocHeapMin = 400;
    Buffer::InitModule();
  }
  // The session and the console on a heap of the program's size, which
  // gets the platform's memory once, up to limit bytes.
  void Restart(std::size_t limit) {
    T3TestUt::Shutdown();
    ConsoleSessionTest::TearDown();
    Buffer::Shutdown();
    OneHeapBlock::limit = limit;
    OneHeapBlock::given = false;
    Buffer::SetSystemMemory(Buffer::SystemMemory{OneHeapBlock::NewPtr, OneHeapBlock::DisposePtr});
    Start();
  }

 private:
  T3Types::AmplifierState state_{};
  void Start() {
    Program::Define();
    ConsoleSessionTest::SetUp();
    T3Base::InitModule();
    T3TestUt::InitModule();
  }
};

struct Parts {
  MuxTestResults* mux = nullptr;
  SelfTestResults* selfTest = nullptr;
  HFRangeResults* hf = nullptr;
};

Parts PartsOf(ResultsBlock* block) { return {&block->mux, &block->selfTest, &block->hf}; }

bool SameParts(const Parts& a, const Parts& b) { return a.mux == b.mux && a.selfTest == b.selfTest && a.hf == b.hf; }

TEST_F(ResultsBlocks, PositionsFindTheirSlotAndBoardZeroSlotZeroIsTheStaticBlock) {
  const struct {
    int board;
    int position;
    int selectors;
    int slot;
  } cases[] = {
      {0, 0, 0, 0},  {0, 1, 0, 0},   {0, 5, 4, 0}, {0, 17, 16, 0}, {0, -1, 4, 0},
      {0, 3, 4, 2},  {2, 0, 4, 0},   {2, 1, 4, 0}, {2, 4, 4, 3},   {7, 16, 16, 15},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.board << "/" << c.position << " of " << c.selectors);
    T3Base::MaxSelectors = c.selectors;
    Parts parts;
    EXPECT_TRUE(T3TestUt::SetResultsPointers(c.board, c.position, parts.mux, parts.selfTest, parts.hf));
    ResultsBlock* block = T3TestUt::AllResults[static_cast<std::size_t>(c.board * T3TestUt::kSlots + c.slot)];
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(SameParts(parts, PartsOf(block)));
    EXPECT_EQ(block == &T3TestUt::Results0, c.board == 0 && c.slot == 0);
  }
}

TEST_F(ResultsBlocks, TheStaticBlockNeedsNoHeap) {
  Parts parts;
  EXPECT_TRUE(T3TestUt::InitAllResults(0.02, 0.025, parts.mux, parts.selfTest, parts.hf));
  EXPECT_TRUE(SameParts(parts, PartsOf(&T3TestUt::Results0)));
  EXPECT_EQ(Buffer::Lookup("TlvResults"), nullptr);
}

TEST_F(ResultsBlocks, NewBlocksStartZeroedWithTheHFLimitsOfTheStaticBlock) {
  Parts parts;
  ASSERT_TRUE(T3TestUt::InitAllResults(0.02, 0.025, parts.mux, parts.selfTest, parts.hf));
  parts.selfTest->Info.BoardNumber = 1;
  ASSERT_TRUE(T3TestUt::SetResultsPointers(3, 0, parts.mux, parts.selfTest, parts.hf));
  EXPECT_EQ((*parts.hf)[0].MaxDeviation, 0.0);
  EXPECT_EQ((*parts.hf)[1].MaxDeviation, 0.02);
  EXPECT_EQ((*parts.hf)[2].MaxDeviation, 0.025);
  EXPECT_EQ(parts.selfTest->Info.BoardNumber, 0);
  EXPECT_FALSE(T3TestUt::AllResults[3 * T3TestUt::kSlots]->limitsCopied);
  EXPECT_NE(Buffer::Lookup("TlvResults"), nullptr);
}

TEST_F(ResultsBlocks, TheRangeFilesLimitsReachOnlyBlocksThatHaveNoneYet) {
  T3Base::T3Boards = 2;
  T3Base::MaxSelectors = 0;
  Parts kept;
  ASSERT_TRUE(T3TestUt::SetResultsPointers(1, 0, kept.mux, kept.selfTest, kept.hf));
  (*kept.hf)[1].MaxDeviation = 0.5;
  T3TestUt::AllResults[T3TestUt::kSlots]->limitsCopied = true;

  ResultsBlock limits{};
  limits.hf[1].MaxDeviation = 0.03;
  limits.selfTest.Probe.Input10M.Gain.Upper = 0.51;
  T3TestUt::CopyProtocols(limits.mux, limits.selfTest, limits.hf);

  EXPECT_EQ((*kept.hf)[1].MaxDeviation, 0.5);
  EXPECT_EQ(kept.selfTest->Probe.Input10M.Gain.Upper, 0.0);
  EXPECT_EQ(T3TestUt::Results0.hf[1].MaxDeviation, 0.03);
  EXPECT_EQ(T3TestUt::Results0.selfTest.Probe.Input10M.Gain.Upper, 0.51);
  EXPECT_TRUE(T3TestUt::Results0.limitsCopied);
  // The boards found only; no selector: the board's own slot only.
  EXPECT_EQ(T3TestUt::AllResults[2 * T3TestUt::kSlots], nullptr);
  EXPECT_EQ(T3TestUt::AllResults[1], nullptr);

  T3Base::MaxSelectors = 3;
  T3TestUt::CopyProtocols(limits.mux, limits.selfTest, limits.hf);
  for (int slot = 0; slot < 3; ++slot) {
    ASSERT_NE(T3TestUt::AllResults[static_cast<std::size_t>(T3TestUt::kSlots + slot)], nullptr) << slot;
  }
  EXPECT_EQ(T3TestUt::AllResults[T3TestUt::kSlots + 3], nullptr);
  EXPECT_EQ(T3TestUt::AllResults[2]->hf[1].MaxDeviation, 0.03);
}

class HardwareTests : public TempDirectoryTest {
 protected:
  void TearDown() override {
    GLP::InitModule();
    TempDirectoryTest::TearDown();
  }
};

TEST_F(HardwareTests, RunUnlessSwitchedOffOutsideTheCalibrationCheck) {
  const struct {
    bool switchedOff;
    bool check;
    bool run;
  } cases[] = {{false, false, true}, {true, false, false}, {false, true, true}, {true, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "off " << c.switchedOff << ", check " << c.check);
    std::remove(Path("TlvTest.Off").c_str());
    if (c.switchedOff) PutFile("TlvTest.Off", "");
    GLP::Check = c.check;
    EXPECT_EQ(T3TestUt::ExecuteTests(), c.run);
  }
}

TEST_F(ResultsBlocks, EveryBlockAndTheWholeBoardStorageFitTheProgramsHeap) {
  Restart(static_cast<std::size_t>(Buffer::DefBufferHeap) * 1024);
  T3Base::MaxSelectors = 16;
  for (int board = 0; board < T3Select::kBoards; ++board) {
    T3Types::State.Board = static_cast<std::uint8_t>(board);
    for (int position = 1; position <= 16; ++position) {
      T3Types::State.Selector = static_cast<std::uint8_t>(position);
      ASSERT_TRUE(T3Select::FreezeScale()) << board << "/" << position;
    }
  }
  for (int board = 0; board < T3TestUt::kBoards; ++board) {
    for (int slot = 0; slot < T3TestUt::kSlots; ++slot) {
      ASSERT_TRUE(T3TestUt::IsAllocated(board, slot)) << board << "/" << slot;
    }
  }
  EXPECT_EQ(LastLine().find("allocation error"), std::string::npos);
}

TEST_F(ResultsBlocks, WithoutRoomABlockIsAScratchBlockAndBoardZerosStaysUntouched) {
  Restart(static_cast<std::size_t>(Buffer::DefBufferHeap) * 1024);
  Parts parts;
  ASSERT_TRUE(T3TestUt::InitAllResults(0.02, 0.025, parts.mux, parts.selfTest, parts.hf));
  // Everything the heap has left goes elsewhere.
  Buffer::NamedBuffer filler = Buffer::Create("Filler", Buffer::kHeap);
  void* block = nullptr;
  do Buffer::Allocate(filler, 4096, block);
  while (block != nullptr);
  const ResultsBlock before = T3TestUt::Results0;

  EXPECT_FALSE(T3TestUt::SetResultsPointers(1, 0, parts.mux, parts.selfTest, parts.hf));
  EXPECT_EQ(LastLine(), "allocation error in TlvTest. ");
  EXPECT_FALSE(SameParts(parts, PartsOf(&T3TestUt::Results0)));
  EXPECT_EQ((*parts.hf)[1].MaxDeviation, 0.0);
  parts.selfTest->Info.BoardNumber = 2;
  (*parts.hf)[1].MaxDeviation = 1.0;
  EXPECT_EQ(T3TestUt::Results0.selfTest.Info.BoardNumber, before.selfTest.Info.BoardNumber);
  EXPECT_EQ(T3TestUt::Results0.hf[1].MaxDeviation, 0.02);
  EXPECT_EQ(T3TestUt::AllResults[T3TestUt::kSlots], nullptr);

  // A second caller gets the scratch block zeroed again.
  EXPECT_FALSE(T3TestUt::SetResultsPointers(1, 0, parts.mux, parts.selfTest, parts.hf));
  EXPECT_EQ(parts.selfTest->Info.BoardNumber, 0);
}

}  // namespace
