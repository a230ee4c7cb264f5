// The demo's screen: a menu bar, a notebook window with text, a plot window
// with a grid, a trace, markers and labels in the three faces, and a dialog
// frame. The same on every backend.
#pragma once

namespace DemoScene {

// Makes the menus and windows and draws their contents (the layer must be
// set up).
void Build();

}  // namespace DemoScene
