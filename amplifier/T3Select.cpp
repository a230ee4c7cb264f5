#include "amplifier/T3Select.h"

#include <array>
#include <new>

#include "amplifier/T3Auto.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Init.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Scale.h"
#include "amplifier/T3Set.h"
#include "foundation/Buffer.h"

namespace T3Select {

namespace {

struct BoardStorageBlock {
  T3Types::AmplifierState State;
  T3Types::BoardState BoardState;
  T3Types::SwitchShadow Shadow;
  T3Scale::ScaleRecord Scale;
  T3Scale::CFastTable CFast;
  bool Frozen;
};

constexpr char kBufferName[] = "TlvStorage";
// Slot 0 of board 0 holds the master of the common parameters.
constexpr std::int32_t kBoardSlot = 0;

std::array<std::array<BoardStorageBlock*, kSlots>, kBoards> Slots{};
// The buffer the blocks of the table lie in.
Buffer::NamedBuffer Storage = nullptr;

// Blocks whose buffer went away with the heap (or by its name) are no
// longer ours to read.
void ForgetLostBlocks() {
  if (Storage != nullptr && Buffer::Lookup(kBufferName) != Storage) {
    Slots = {};
    Storage = nullptr;
  }
}

bool ValidBoard(std::int32_t board) { return board >= 0 && board < kBoards; }
bool ValidSlot(std::int32_t slot) { return slot >= 0 && slot < kSlots; }

BoardStorageBlock* Stored(std::int32_t board, std::int32_t slot) {
  if (!ValidBoard(board) || !ValidSlot(slot)) return nullptr;
  ForgetLostBlocks();
  return Slots[static_cast<std::size_t>(board)][static_cast<std::size_t>(slot)];
}

std::int32_t SlotOf(std::int32_t position) { return GetSelectorIndex(position) + 1; }

std::int32_t LiveBoard() { return T3Types::State.Board; }
std::int32_t LiveSlot() { return SlotOf(T3Types::State.Selector); }

// The slot's block, made zeroed when it has none; nil without memory.
BoardStorageBlock* Allocated(std::int32_t board, std::int32_t slot) {
  if (!ValidBoard(board) || !ValidSlot(slot)) return nullptr;
  ForgetLostBlocks();
  BoardStorageBlock*& entry = Slots[static_cast<std::size_t>(board)][static_cast<std::size_t>(slot)];
  if (entry != nullptr) return entry;
  Buffer::NamedBuffer buffer = Buffer::Lookup(kBufferName);
  if (buffer == nullptr) buffer = Buffer::Create(kBufferName, Buffer::kHeap);
  if (buffer == nullptr) return nullptr;
  Storage = buffer;
  void* pointer = nullptr;
  Buffer::Allocate(buffer, static_cast<std::int32_t>(sizeof(BoardStorageBlock)), pointer);
  if (pointer == nullptr) return nullptr;
  entry = new (pointer) BoardStorageBlock{};
  return entry;
}

void StoreBoardRecords(BoardStorageBlock& block) {
  block.State = T3Types::State;
  block.Shadow = T3Set::SwitchState;
  block.BoardState = T3Base::BoardState;
}

bool Store(bool freezeScale, bool freezeCFast) {
  const std::int32_t board = LiveBoard();
  const std::int32_t slot = LiveSlot();
  BoardStorageBlock* own = Allocated(board, kBoardSlot);
  BoardStorageBlock* position = own == nullptr ? nullptr : Allocated(board, slot);
  if (position == nullptr) return false;
  StoreBoardRecords(*own);
  StoreBoardRecords(*position);
  const bool frozen = freezeScale || freezeCFast;
  if (freezeScale || !position->Frozen) {
    position->Scale = T3Scale::Scale;
    position->Frozen = frozen;
  }
  if (freezeCFast || !position->Frozen) {
    position->CFast = T3Auto::CFastTable;
    position->Frozen = frozen;
  }
  return true;
}

void ApplyCommonParameters(T3Types::AmplifierState& state, const T3Types::AmplifierState& master) {
  state.AutoCSlowAmplitude = master.AutoCSlowAmplitude;
  state.AutoCSlowCycles = master.AutoCSlowCycles;
  state.AutoCSlowTimeout = master.AutoCSlowTimeout;
  state.SearchDelay = master.SearchDelay;
  state.RefGainTrimOn = master.RefGainTrimOn;
}

void ApplyCommonParameters(T3Types::AmplifierState& state) {
  const BoardStorageBlock* master = Stored(0, kBoardSlot);
  if (master != nullptr && &master->State != &state) ApplyCommonParameters(state, master->State);
}

void TakeCalibration(const BoardStorageBlock& block) {
  T3Scale::Scale = block.Scale;
  T3Auto::CFastTable = block.CFast;
}

void SetUp(std::int32_t board) {
  T3Types::AmplifierState& state = T3Types::State;
  state.Board = static_cast<std::uint8_t>(board);
  ApplyCommonParameters(state);
  T3Types::BoardState& boardState = T3Base::BoardState;
  if (!boardState.BoardSetUp) {
    boardState.BoardSetUp = true;
    boardState.BoardImonAdc1 = state.ImonAdc;
    boardState.BoardImonAdc3 = state.ImonAdc;
  }
}

}  // namespace

std::int64_t StorageHeapBytes() {
  return Buffer::HeapBytes(static_cast<std::int32_t>(sizeof(BoardStorageBlock)), kBoards * kSlots);
}

std::int32_t GetSelectorIndex(std::int32_t position) {
  return position >= 1 && position <= T3Base::MaxSelectors ? position - 1 : 0;
}

bool FreezeScale() { return Store(true, false); }

bool FreezeCFast() { return Store(false, true); }

void LoadScaleAndCFast() {
  const BoardStorageBlock* block = Stored(LiveBoard(), LiveSlot());
  if (block != nullptr) TakeCalibration(*block);
}

void UnfreezeAll() {
  ForgetLostBlocks();
  for (auto& board : Slots) {
    for (BoardStorageBlock* block : board) {
      if (block != nullptr) block->Frozen = false;
    }
  }
}

bool ActivateBoard(std::int32_t board, NewBoardProc newBoard) {
  if (!ValidBoard(board)) return false;
  if (board != LiveBoard()) {
    if (!Store(false, false)) return false;
    const BoardStorageBlock* own = Stored(board, kBoardSlot);
    if (own != nullptr) {
      T3Types::State = own->State;
      T3Set::SwitchState = own->Shadow;
      T3Base::BoardState = own->BoardState;
      const BoardStorageBlock* position = Stored(board, LiveSlot());
      if (position != nullptr) {
        TakeCalibration(*position);
      } else {
        T3Scale::Scale.CalibDate = {};
      }
    } else {
      const std::uint8_t old = T3Types::State.Board;
      T3Types::State.Board = static_cast<std::uint8_t>(board);
      newBoard();
      T3Types::State.Board = old;
    }
  }
  SetUp(board);
  return true;
}

bool ActivateSelector(std::int32_t position) {
  T3Types::AmplifierState& state = T3Types::State;
  if (SlotOf(position) != LiveSlot()) {
    if (!Store(false, false)) return false;
    const BoardStorageBlock* block = Stored(LiveBoard(), SlotOf(position));
    if (block != nullptr) {
      TakeCalibration(*block);
      T3Set::SwitchState = block->Shadow;
      state = block->State;
    } else {
      T3Auto::CFastTable = {};
      T3Panel::InitializeState(state, state.Board, state.EEPROMKind,
                               static_cast<std::uint8_t>(position), state.VrefX2, state.CFastHigh,
                               state.RefGainTrimOn);
      T3Scale::LoadDefaults();
    }
  }
  ApplyCommonParameters(state);
  return true;
}

void SyncCommonParameters() {
  BoardStorageBlock* master = Stored(0, kBoardSlot);
  if (master == nullptr) return;
  ApplyCommonParameters(master->State, T3Types::State);
  for (std::int32_t board = 0; board < T3Base::T3Boards && board < kBoards; ++board) {
    if (T3Base::MaxSelectors < 2) {
      if (T3Types::AmplifierState* state = GetStateAdr(board)) ApplyCommonParameters(*state);
      continue;
    }
    for (std::int32_t slot = 1; slot <= T3Base::MaxSelectors && slot < kSlots; ++slot) {
      if (T3Types::AmplifierState* state = GetSelectorStateAdr(board, slot)) {
        ApplyCommonParameters(*state);
      }
    }
  }
}

T3Types::AmplifierState* GetStateAdr(std::int32_t board) {
  if (board == LiveBoard()) return &T3Types::State;
  BoardStorageBlock* block = Stored(board, kBoardSlot);
  return block == nullptr ? nullptr : &block->State;
}

T3Types::AmplifierState* GetSelectorStateAdr(std::int32_t board, std::int32_t slot) {
  if (board == LiveBoard() && slot == T3Types::State.Selector) return &T3Types::State;
  BoardStorageBlock* block = Stored(board, slot);
  return block == nullptr ? nullptr : &block->State;
}

void InitModule() {
  Slots = {};
  Storage = nullptr;
}

void Shutdown() {
  Buffer::NamedBuffer buffer = Buffer::Lookup(kBufferName);
  if (buffer != nullptr) Buffer::Delete(buffer);
  InitModule();
}

}  // namespace T3Select
