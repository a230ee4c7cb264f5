#include "terminal/EditKeys.h"

#include "foundation/BufferText.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"

#include <algorithm>

namespace EditKeys {

void MoveUpOrDown(std::int32_t line) {
  const std::int32_t desired = EditState::DesiredColumn;
  const std::int32_t lineEnd = BufferText::RecordLength(EditState::EditBuffer, line) + 1;
  const std::int32_t rightEdge = EditState::FirstColumn + EditState::WindowWidth;
  EditDisplay::MoveCursor(line, std::min({desired, lineEnd, rightEdge}));
  EditState::DesiredColumn = desired;
}

}  // namespace EditKeys
