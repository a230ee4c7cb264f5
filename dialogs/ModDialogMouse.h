// The mouse during value drags: where the pointer is, moving it (the drag
// holds it in place by warping it back), and the drag cursors. Coordinates
// are local to the current port. Main thread only.
#pragma once

#include "platform/Geometry.h"

namespace ModDialogMouse {

// Cursor resources of the drags: vertical and two-way, for a dark and a
// light highlight colour.
inline constexpr int kVerticalDarkCursor = 4998;
inline constexpr int kTwoWayDarkCursor = 4999;
inline constexpr int kVerticalLightCursor = 5000;
inline constexpr int kTwoWayLightCursor = 5001;

Geometry::Point GetMouseLocation();
// Moves the pointer to the local point.
void SetMouseLocation(Geometry::Point local);
// The drag cursor; the cross cursor when its resource is missing.
void SetDragCursor(bool twoWay, bool dark);

}  // namespace ModDialogMouse
