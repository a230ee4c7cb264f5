// Following the mouse after a press on a window's frame: dragging the
// window, growing it, and holding its close or zoom box. Each loop runs
// until the button is released (Events::TrackRelease), shows an outline or
// a pressed box meanwhile, and keeps the event-loop timers firing.
#pragma once

#include "platform/Geometry.h"
#include "platform/Windows.h"

#include <cstdint>

namespace WindowTrack {

// Selects the window first unless the command key is held; on release
// inside `bounds` (global) the window moves by how far the pointer moved.
void DragWindow(Windows::Window* w, Geometry::Point start, const Geometry::Rect& bounds);

// The new content size, as (height << 16) | width, within sizeRect (left:
// minimum width, top: minimum height, right: maximum width, bottom: maximum
// height); 0 when the size did not change. The caller sizes the window.
std::int32_t GrowWindow(Windows::Window* w, Geometry::Point start, const Geometry::Rect& sizeRect);

// True when released inside the box; the box shows pressed while the
// pointer is inside it.
bool TrackGoAway(Windows::Window* w, Geometry::Point start);
// part: Windows::kInZoomIn or kInZoomOut.
bool TrackBox(Windows::Window* w, Geometry::Point start, int part);

}  // namespace WindowTrack
