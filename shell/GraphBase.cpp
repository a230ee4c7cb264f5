#include "shell/GraphBase.h"

namespace GraphBase {

Buffer::NamedBuffer WorkspaceHandle() { return Buffer::Enter("/Graphics.Heap", Buffer::kHeap); }

void GetPortRect(Windows::Window* window, Geometry::Rect& rect) {
  const Port::GrafPort* port = Windows::GetWindowPort(window);
  rect = port == nullptr ? Geometry::Rect{} : port->portRect;
}

}  // namespace GraphBase
