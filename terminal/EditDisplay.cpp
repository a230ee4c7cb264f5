#include "terminal/EditDisplay.h"

#include "shell/ScrollBars.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditState.h"

#include <algorithm>

namespace EditDisplay {

void SetPosition(std::int32_t first) {
  const std::int32_t lines = EditState::EditBuffer == nullptr ? 0 : BufferText::RecordCount(EditState::EditBuffer);
  first = std::max<std::int32_t>(1, std::min(first, lines + 1 - EditState::WindowHeight));
  const bool moved = first != EditState::FirstLine;
  EditState::FirstLine = first;
  EditState::Scrolled = true;
  if (moved) ScrollBars::Update(EditState::Console);
}

void Scroll(int keyCode) {
  const std::int32_t page = EditState::WindowHeight - EditState::WindowBandSize;
  switch (keyCode) {
    case ANSIBase::KeyCursorUp: SetPosition(EditState::FirstLine - 1); break;
    case ANSIBase::KeyCursorDown: SetPosition(EditState::FirstLine + 1); break;
    case ANSIBase::KeyPageUp: SetPosition(EditState::FirstLine - page); break;
    case ANSIBase::KeyPageDown: SetPosition(EditState::FirstLine + page); break;
    default: break;
  }
}

void NewDisplay() { ScrollBars::Update(EditState::Console); }

}  // namespace EditDisplay
