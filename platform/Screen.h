// The one screen: its size and the menu bar along its top. Global
// coordinates have (0, 0) at the screen's top-left corner.
#pragma once

#include "platform/Geometry.h"

namespace Screen {

inline constexpr int kMenuBarHeight = 20;
inline constexpr int kDefaultWidth = 640;
inline constexpr int kDefaultHeight = 480;

// Sizes are cut to 64 .. Surface::kMaxSide.
void InitModule(int width, int height);

Geometry::Rect Bounds();
int MenuBarHeight();
Geometry::Rect MenuBar();
// The screen below the menu bar, where windows may be placed.
Geometry::Rect AvailableBounds();

}  // namespace Screen
