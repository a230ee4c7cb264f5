// The board latch of T3Panel: kept apart from the panel's controls because
// it exchanges no records, it only points the rack bus at a board.
#include "acquisition/VrnlBoards.h"
#include "amplifier/T3Base.h"
#include "amplifier/T3Panel.h"
#include "amplifier/T3Set.h"

namespace T3Panel {

namespace {

constexpr std::int32_t kNoBoard = 8;

}  // namespace

void StartClippingSkipCount(std::int32_t board) {
  if (board == T3Base::ActiveBoard || T3Base::MapActiveBoard) return;
  T3Base::BoardLatchSwitched = T3Base::ClippingSkipCount;
  T3Base::ActiveBoard = static_cast<std::uint8_t>(board);
}

void SetT3BoardLatch(std::int32_t board) {
  StartClippingSkipCount(board);
  VrnlBoards::FlushCache();
  std::int32_t rackBoard = kNoBoard;
  T3Base::IsSecondRack = false;
  if (board != kNoBoard) {
    rackBoard = GetBoardToSet(board);
    T3Base::IsSecondRack = rackBoard < board;
    if (T3Base::EmulateTlv3N) rackBoard = 0;
  }
  const std::int32_t mapped = rackBoard == 0 && T3Base::MapActiveBoard ? 1 : rackBoard;
  T3Set::T3BoardLatch(mapped);
}

}  // namespace T3Panel
