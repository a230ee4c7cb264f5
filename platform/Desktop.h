// The screen as shown: the desktop pattern, the visible windows back to
// front with their frames, the menu bar, and what tracking puts on top (open
// menus, the outline of a window being dragged). Composed on demand, for a
// capture or for the backend.
#pragma once

#include "platform/Port.h"
#include "platform/Surface.h"

#include <span>

namespace Desktop {

// A screen of Screen's size.
void InitModule();
void Shutdown();

// Drawn over everything else, slot by slot.
using Overlay = void (*)(Port::GrafPort& screen);
inline constexpr int kMenuOverlay = 0;
inline constexpr int kTrackOverlay = 1;
inline constexpr int kOverlaySlots = 2;
// Nil removes the slot's overlay.
void SetOverlay(int slot, Overlay draw);
// An overlay's look changed.
void Invalidate();

const Surface::Pixels& Compose();
bool SavePNG(std::span<const char> path);
// Hands the screen to the backend when anything changed since the last
// time.
void Flush();

}  // namespace Desktop
