// Off-screen graphics windows: a child that shadows its parent with a pixel
// buffer of its own (an off-screen world) in which all its drawing happens,
// copied onto the parent in one step, pixel for pixel at the same local
// coordinates. Nothing drawn into it reaches the screen before Update or
// CopyWindow.
//
// The drawing bracket (Graphics::SetPort and EndPort) calls SetPort and
// EndPort here for every off-screen window. Main thread only.
#pragma once

#include "shell/Graphics.h"

namespace FastGraph {

// The off-screen child of a window, with the window's pixel rectangle, drawing
// state and world coordinates, cleared; nil when the window is nil or any
// step fails (no child is left behind).
Graphics::GraphicsWindow CreateOffscreenWindow(Graphics::GraphicsWindow window);

// Saves the current port in save (for any non-nil window); for an off-screen
// window then selects its world and locks its pixels. FALSE for nil or an
// off-screen window without a world.
bool SetPort(Graphics::GraphicsWindow window, Graphics::PortSave& save);
// Unlocks an off-screen window's pixels; puts back a saved port.
void EndPort(Graphics::GraphicsWindow window, Graphics::PortSave& save);

// Copies the pixels of one window onto the other, one of them off-screen:
// an off-screen window's whole world, an on-screen window's clip region's
// box, plain copy. Nothing for nil, for one window, or when the two differ
// in size.
void CopyWindow(Graphics::GraphicsWindow source, Graphics::GraphicsWindow destination);
// An off-screen window's world onto its parent; nothing for another window.
void Update(Graphics::GraphicsWindow window);

// Disposes an off-screen window's world; the window is then off-screen no
// more.
void Deallocate(Graphics::GraphicsWindow window);
// After the window's pixel rectangle changed: rebuilds its world, keeping
// the current port.
void OffsetWindowInt(Graphics::GraphicsWindow window);
// Rebuilds the world for the window's pixel rectangle (which then becomes the
// world's bounds) and clears the window; FALSE when no world can be made for
// the rectangle.
bool UpdateGWorld(Graphics::GraphicsWindow window);

}  // namespace FastGraph
