// The mouse cursor's shape. Long work shows the animated wait or watch
// cursor and restores the shape it found; alerts show the arrow while they
// wait. Headless, only the shape code is kept.
#pragma once

namespace Mouse {

// Cursor shape codes.
inline constexpr int kArrow = 0;
inline constexpr int kWait = 1;
inline constexpr int kWatch = 2;
inline constexpr int kEdit = 3;
inline constexpr int kCross = 4;

int GetCursorShape();

// Advances the watch cursor when it is the current one, otherwise the wait
// cursor; called on every pass of long loops.
void SetWaitOrWatchCursor();

// 1 wait, 2 watch, 3 edit, 4 cross, anything else the arrow; nothing when the
// shape is already the current one.
void SetCursorShape(int shape);

}  // namespace Mouse
