#include "platform/Screen.h"

#include "platform/Surface.h"

#include <algorithm>

namespace Screen {

namespace {
int width = kDefaultWidth;
int height = kDefaultHeight;
}  // namespace

void InitModule(int w, int h) {
  width = std::clamp(w, 64, Surface::kMaxSide);
  height = std::clamp(h, 64, Surface::kMaxSide);
}

Geometry::Rect Bounds() { return Geometry::SetRect(0, 0, width, height); }
int MenuBarHeight() { return kMenuBarHeight; }
Geometry::Rect MenuBar() { return Geometry::SetRect(0, 0, width, kMenuBarHeight); }
Geometry::Rect AvailableBounds() { return Geometry::SetRect(0, kMenuBarHeight, width, height); }

}  // namespace Screen
