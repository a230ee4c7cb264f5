// The one memory heap that every graphics record comes from, and the port
// rectangle of a platform window.
#pragma once

#include "foundation/Buffer.h"
#include "platform/Geometry.h"
#include "platform/Windows.h"

namespace GraphBase {

// The heap buffer "Graphics.Heap" (organisation 2) in the root directory,
// found by name on every call: the existing one, a new one when there is
// none, nil when a buffer of that name has another organisation. It lives in
// the root so that a change of the default buffer directory cannot split the
// graphics records over two heaps.
Buffer::NamedBuffer WorkspaceHandle();

// The window's port rectangle in its local coordinates; zeros for nil.
void GetPortRect(Windows::Window* window, Geometry::Rect& rect);

}  // namespace GraphBase
