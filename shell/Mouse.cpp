#include "shell/Mouse.h"

#include <atomic>

namespace Mouse {

namespace {

std::atomic<int> activeCursor{kArrow};

}  // namespace

int GetCursorShape() { return activeCursor.load(); }

void SetWaitOrWatchCursor() {
  if (activeCursor.load() != kWatch) activeCursor.store(kWait);
}

void SetCursorShape(int shape) {
  if (shape == activeCursor.load()) return;
  activeCursor.store(shape >= kWait && shape <= kCross ? shape : kArrow);
}

}  // namespace Mouse
