#include "calibration/T3TestUt.h"

#include <new>

#include "amplifier/T3Base.h"
#include "amplifier/T3Select.h"
#include "dialogs/Alert.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/GLP.h"
#include "foundation/Load.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"
#include "shell/Printer.h"

namespace T3TestUt {

std::array<ResultsBlock*, kBoards * kSlots> AllResults{};
ResultsBlock Results0{};

namespace {

constexpr char kBufferName[] = "TlvResults";
constexpr char kPrintBufferName[] = "Protocol.tmp";
constexpr int kMediumRange = 1;
constexpr int kHighRange = 2;
// The longest line a printed protocol keeps; a printed line ends after its
// 256th character anyway.
constexpr std::int32_t kPrintLineLength = 256;

// Handed out when a block cannot be had, zeroed each time.
ResultsBlock Scratch{};

ResultsBlock*& Entry(std::int32_t board, std::int32_t slot) {
  return AllResults[static_cast<std::size_t>(board * kSlots + slot)];
}

bool InTable(std::int32_t board, std::int32_t slot) {
  return board >= 0 && board < kBoards && slot >= 0 && slot < kSlots;
}

void HandOut(ResultsBlock& block, MuxTestResults*& mux, SelfTestResults*& selfTest, HFRangeResults*& hf) {
  mux = &block.mux;
  selfTest = &block.selfTest;
  hf = &block.hf;
}

ResultsBlock* NewBlock() {
  Buffer::NamedBuffer buffer = Buffer::Enter(kBufferName, Buffer::kHeap);
  if (buffer == nullptr) return nullptr;
  void* memory = nullptr;
  Buffer::Allocate(buffer, static_cast<std::int32_t>(sizeof(ResultsBlock)), memory);
  if (memory == nullptr) return nullptr;
  auto* block = new (memory) ResultsBlock{};
  block->hf[kMediumRange].MaxDeviation = Results0.hf[kMediumRange].MaxDeviation;
  block->hf[kHighRange].MaxDeviation = Results0.hf[kHighRange].MaxDeviation;
  return block;
}

void CopyOneProtocol(std::int32_t board, std::int32_t position, const MuxTestResults& mux,
                     const SelfTestResults& selfTest, const HFRangeResults& hf) {
  const std::int32_t slot = T3Select::GetSelectorIndex(position);
  if (!IsAllocated(board, slot)) return;
  ResultsBlock& block = *Entry(board, slot);
  if (block.limitsCopied) return;
  // The parts given are often the current block's own.
  if (&block.mux != &mux) block.mux = mux;
  if (&block.selfTest != &selfTest) block.selfTest = selfTest;
  if (&block.hf != &hf) block.hf = hf;
  block.limitsCopied = true;
}

}  // namespace

std::int64_t ResultsHeapBytes() {
  return Buffer::HeapBytes(static_cast<std::int32_t>(sizeof(ResultsBlock)), kAllocatedBlocks);
}

void InitModule() {
  AllResults.fill(nullptr);
  Results0 = ResultsBlock{};
  Entry(0, 0) = &Results0;
}

void Shutdown() {
  if (Buffer::NamedBuffer buffer = Buffer::Lookup(kBufferName)) Buffer::Delete(buffer);
  InitModule();
}

bool InitAllResults(double maxDevMedium, double maxDevHigh, MuxTestResults*& mux, SelfTestResults*& selfTest,
                    HFRangeResults*& hf) {
  Results0.hf[kMediumRange].MaxDeviation = maxDevMedium;
  Results0.hf[kHighRange].MaxDeviation = maxDevHigh;
  Results0.limitsCopied = false;
  return SetResultsPointers(0, 0, mux, selfTest, hf);
}

bool IsAllocated(std::int32_t board, std::int32_t slot) {
  if (InTable(board, slot) && Entry(board, slot) != nullptr) return true;
  ResultsBlock* block = InTable(board, slot) ? NewBlock() : nullptr;
  if (block == nullptr) {
    TermIO::WriteAlertLine("allocation error in TlvTest. ");
    return false;
  }
  Entry(board, slot) = block;
  return true;
}

bool SetResultsPointers(std::int32_t board, std::int32_t position, MuxTestResults*& mux,
                        SelfTestResults*& selfTest, HFRangeResults*& hf) {
  const std::int32_t slot = T3Select::GetSelectorIndex(position);
  if (!IsAllocated(board, slot)) {
    Scratch = ResultsBlock{};
    HandOut(Scratch, mux, selfTest, hf);
    return false;
  }
  HandOut(*Entry(board, slot), mux, selfTest, hf);
  return true;
}

void CopyProtocols(const MuxTestResults& mux, const SelfTestResults& selfTest, const HFRangeResults& hf) {
  for (std::int32_t board = 0; board < T3Base::T3Boards; ++board) {
    if (T3Base::MaxSelectors <= 0) {
      CopyOneProtocol(board, 0, mux, selfTest, hf);
      continue;
    }
    for (std::int32_t position = 1; position <= T3Base::MaxSelectors; ++position) {
      CopyOneProtocol(board, position, mux, selfTest, hf);
    }
  }
}

bool ExecuteTests() { return GLP::Check || !TellTaleFile::Exists("TlvTest.Off"); }

bool PrintProtocolFile(std::span<const char> name) {
  BufferText::TextBuffer text = Buffer::Create(kPrintBufferName, Buffer::kText);
  if (text == nullptr) {
    Alert::OK("Unable to create protocol buffer.");
    return false;
  }
  bool printed = false;
  if (Load::Text(name, nullptr, text, kPrintLineLength, false) != 0) {
    Alert::IOError("Error while loading protocol");
  } else if (Printer::NewJob()) {
    Printer::PrintBuffer(text, Printer::Defaults.fontNumber, Printer::Defaults.fontSize);
    Printer::CloseJob();
    printed = true;
  }
  Buffer::Delete(text);
  return printed;
}

}  // namespace T3TestUt
