#include "platform/Offscreen.h"

#include "platform/Picture.h"

namespace Offscreen {

namespace {

void Build(World& world, const Geometry::Rect& bounds) {
  world.pixels = Surface::Pixels(Geometry::Width(bounds), Geometry::Height(bounds), Surface::kRgbMask);
  const Geometry::Rect cut = Geometry::SetRect(bounds.left, bounds.top, bounds.left + world.pixels.Width(),
                                               bounds.top + world.pixels.Height());
  Port::InitPort(world.port, &world.pixels, cut);
}

}  // namespace

World* NewWorld(const Geometry::Rect& bounds) {
  if (Geometry::EmptyRect(bounds)) return nullptr;
  auto* world = new World;
  Build(*world, bounds);
  return world;
}

bool UpdateWorld(World* world, const Geometry::Rect& bounds) {
  if (world == nullptr || Geometry::EmptyRect(bounds)) return false;
  Picture::Recorder* recording = world->port.picture;
  Build(*world, bounds);
  world->port.picture = recording;
  Port::MarkChanged();
  return true;
}

void DisposeWorld(World* world) {
  if (world == nullptr) return;
  if (Port::GetPort() == &world->port) Port::SetPort(nullptr);
  Picture::Discard(world->port);
  delete world;
}

}  // namespace Offscreen
