#include "shell/FastGraph.h"

#include "platform/Blit.h"
#include "platform/Offscreen.h"
#include "shell/ModWindow.h"

namespace FastGraph {

using Graphics::GraphicsWindow;

namespace {

Geometry::Rect PixelRect(GraphicsWindow w) { return Geometry::SetRect(w->left, w->top, w->right, w->bottom); }

// Where a window's pixels are for a copy: an off-screen window's whole
// world, another window's clip region's box.
Geometry::Rect CopyRect(GraphicsWindow w) {
  return w->offscreen ? w->offscreenWorld->port.portRect : w->clipRegion.Bounds();
}

void TakeWorldBounds(GraphicsWindow w) {
  const Geometry::Rect bounds = w->offscreenWorld->port.portRect;
  w->left = bounds.left;
  w->right = bounds.right;
  w->top = bounds.top;
  w->bottom = bounds.bottom;
  w->clipRegion.SetRect(bounds);
}

}  // namespace

GraphicsWindow CreateOffscreenWindow(GraphicsWindow window) {
  if (window == nullptr) return nullptr;
  GraphicsWindow child = Graphics::CreateWindowInt(window, window->left, window->top, window->right, window->bottom);
  if (child == nullptr) return nullptr;
  // The child's state, just loaded into the window's port, equals the
  // window's; the window stays the one the port belongs to.
  window->platform->activeWindow = window;
  Port::GrafPort* saved = Port::GetPort();
  Offscreen::World* world = Offscreen::NewWorld(window->clipRegion.Bounds());
  Port::SetPort(saved);
  if (world == nullptr) {
    Graphics::RemoveWindow(child);
    return nullptr;
  }
  child->offscreenWorld = world;
  child->offscreen = true;
  child->pixelsLocked = false;
  child->port = &world->port;
  TakeWorldBounds(child);
  Graphics::PortSave save;
  if (!FastGraph::SetPort(child, save)) {
    Graphics::RemoveWindow(child);
    return nullptr;
  }
  FastGraph::EndPort(child, save);
  Graphics::ResetWindow(child);
  Graphics::ClearWindow(child);
  return child;
}

bool SetPort(GraphicsWindow window, Graphics::PortSave& save) {
  if (window == nullptr) return false;
  save.saved = true;
  save.port = Port::GetPort();
  if (!window->offscreen) return true;
  if (window->offscreenWorld == nullptr) {
    save = Graphics::PortSave{};
    return false;
  }
  // Worlds are never purged here, so their pixels can always be locked.
  Port::SetPort(&window->offscreenWorld->port);
  window->pixelsLocked = true;
  return true;
}

void EndPort(GraphicsWindow window, Graphics::PortSave& save) {
  if (window != nullptr && window->offscreen) window->pixelsLocked = false;
  if (!save.saved) return;
  Port::SetPort(save.port);
  save.saved = false;
}

void CopyWindow(GraphicsWindow source, GraphicsWindow destination) {
  if (source == nullptr || destination == nullptr || source == destination) return;
  if (source->port == nullptr || destination->port == nullptr) return;
  const Graphics::Bracket drawing(source->offscreen ? destination : source);
  if (!drawing.Began()) return;
  Blit::CopyBits(*source->port, *destination->port, CopyRect(source), CopyRect(destination), Port::kSrcCopy, nullptr);
}

void Update(GraphicsWindow window) {
  if (window != nullptr && window->offscreen) CopyWindow(window, window->parent);
}

void Deallocate(GraphicsWindow window) {
  if (window == nullptr || !window->offscreen || window->offscreenWorld == nullptr) return;
  Offscreen::DisposeWorld(window->offscreenWorld);
  window->offscreenWorld = nullptr;
  window->offscreen = false;
}

void OffsetWindowInt(GraphicsWindow window) {
  Port::GrafPort* saved = Port::GetPort();
  UpdateGWorld(window);
  Port::SetPort(saved);
}

bool UpdateGWorld(GraphicsWindow window) {
  if (window == nullptr || window->offscreenWorld == nullptr) return false;
  Port::SetPort(&window->offscreenWorld->port);
  if (!Offscreen::UpdateWorld(window->offscreenWorld, PixelRect(window))) return false;
  TakeWorldBounds(window);
  // The rebuilt world's port starts from a new port's state.
  if (window->platform != nullptr && window->platform->activeWindow == window) window->platform->activeWindow = nullptr;
  Graphics::ClearWindow(window);
  return true;
}

}  // namespace FastGraph
