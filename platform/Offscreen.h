// Off-screen worlds: a port with pixels of its own that no window shows.
// Drawing into one reaches the screen only when the caller copies it
// (Blit::CopyBits), pixel for pixel.
//
// The port of a world made with bounds B uses B's local coordinates: its
// port rectangle is B and local B.topLeft is its first pixel. Its pixels
// start white. There is no purging: pixels stay valid until the world is
// rebuilt or disposed.
#pragma once

#include "platform/Geometry.h"
#include "platform/Port.h"
#include "platform/Surface.h"

namespace Offscreen {

struct World {
  Surface::Pixels pixels;
  Port::GrafPort port;
};

// Nil for an empty rectangle. Sides above Surface::kMaxSide are cut.
World* NewWorld(const Geometry::Rect& bounds);

// Rebuilds the world for new bounds (a new port state, white pixels);
// false, changing nothing, for nil or an empty rectangle.
bool UpdateWorld(World* world, const Geometry::Rect& bounds);

// Disposes the world; when its port is the current port, no port is
// current afterwards.
void DisposeWorld(World* world);

}  // namespace Offscreen
