// The scroll bars of text windows: a vertical and a horizontal bar on each
// terminal window (the console, the notebook, the editor's windows), kept
// in step with the editor's view of its buffer (EditState), and the
// scrolling when the operator works them.
//
// Geometry, with the window's port rectangle (T, L, B, R) and w =
// ScrollBarWidth: the vertical bar spans left R - w + 1, top T - 1, right
// R + 1, bottom B - w + 2; the horizontal bar runs from LeftPosition to
// R - w + 2, top B - w + 1, bottom B + 1. Both stop at the grow box, and
// the bottom edge left of the horizontal bar stays free for the terminal's
// message line.
//
// The vertical bar's value stays within 0 .. 255 for any length of text:
// above 255 lines of excess, one unit stands for excess / 256 lines (the
// terminal's scale). Main thread only; the action procedures run inside the
// layer's control tracking.
#pragma once

#include "platform/Geometry.h"
#include "terminal/ANSITerm.h"

namespace ScrollBars {

// The width of a bar in pixels (16).
extern int ScrollBarWidth;
// A bar is being tracked: Update then leaves the maxima and highlighting.
extern bool Scrolling;
// The terminal whose bar is being tracked.
extern ANSITerm::TerminalRecord* ScrollTerminal;

// Not scrolling; the bar width 16. Called once at start-up.
void InitModule();

// Both bars of the terminal's window, visible, value and range 0.
void Create(ANSITerm::TerminalRecord* terminal);
// The left edge of the horizontal bar in a window's port rectangle: a
// quarter of the width left of the grow box, at least 60 pixels and at most
// all of it.
int LeftPosition(const Geometry::Rect& portRect);
// The bars in step with the editor's view, active when the window is the
// front window. Nothing for a nil terminal, one without a vertical bar, or
// while the application is in the background.
void Update(ANSITerm::TerminalRecord* terminal);
// Shown when show is TRUE and the application is in front, else hidden;
// the grow box drawn.
void Show(ANSITerm::TerminalRecord* terminal, bool show);
// The bars moved and sized to the window's port rectangle.
void Resize(ANSITerm::TerminalRecord* terminal);
// Handles the mouse-down in MacEnv::theEvent when it hits a bar of the
// terminal: the thumb sets the view where it is let go; arrows and pages
// scroll while held (vertical: a line, or the window height less the band;
// horizontal: a column, or half the width, never left of column 0). TRUE
// when a bar was hit; the view then counts as scrolled.
bool Track(ANSITerm::TerminalRecord* terminal);

}  // namespace ScrollBars
