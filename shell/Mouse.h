// The mouse cursor's shape, the animated wait and watch cursors of long
// work, and mouse positions in the world coordinates of a graphics window.
//
// Shapes: 0 arrow, 1 wait, 2 watch, 3 edit, 4 cross. Long work remembers
// GetCursorShape, calls SetWaitOrWatchCursor on every pass and restores the
// shape with SetCursorShape; alerts and menu commands show the arrow while
// they wait. The images are the cursor resources: 3000-3007 the wait
// frames, 4000-4007 the watch frames, 5002 the edit cursor, 5003 and on the
// cross cursors, 5010 the help cursor; a missing one is skipped (the edit and
// cross cursors fall back to the layer's I-beam and cross).
//
// Threads: the cursor calls may come from any thread (the acquisition
// thread animates the wait cursor while it measures). Only the main thread
// (the one that called Initialize) touches the platform cursor: an image
// chosen on another thread is shown at the main thread's next event wait.
// The readings (Read, ReadEvent, ButtonDown, WaitButtonUp, Show, Hide) are
// main thread only.
#pragma once

namespace Graphics {
struct GraphicsWindowRecord;
using GraphicsWindow = GraphicsWindowRecord*;
}  // namespace Graphics

namespace Mouse {

// Cursor shape codes.
inline constexpr int kArrow = 0;
inline constexpr int kWait = 1;
inline constexpr int kWatch = 2;
inline constexpr int kEdit = 3;
inline constexpr int kCross = 4;

// Cursor resources.
inline constexpr int kFirstWaitCursor = 3000;
inline constexpr int kLastWaitCursor = 3007;
inline constexpr int kFirstWatchCursor = 4000;
inline constexpr int kLastWatchCursor = 4007;
inline constexpr int kEditCursor = 5002;
inline constexpr int kFirstCrossCursor = 5003;
inline constexpr int kHelpCursor = 5010;

// The platform cursor reset and shown, the defaults (arrow, no help mode,
// frames 3000 and 4000, cross 5003, both times 0), the arrow shown; the
// calling thread becomes the one that shows cursors.
void Initialize();

int GetCursorShape();
// Nothing when the shape is the current one; else 1 wait, 2 watch, 3 edit,
// 4 cross, any other value the arrow.
void SetCursorShape(int shape);

// Shape 0: the help cursor in help mode (when it exists), else the arrow.
void SetArrowCursor();
// Help mode on or off; when it changes while the arrow is shown, the arrow
// or help cursor is shown at once.
void SetHelpCursor(bool on);
// Cursor 5002, else the I-beam; shape 3.
void SetEditCursor();
// The current cross cursor, else the layer's cross; shape 4.
void SetCrossCursor();
// Animated: the next cross cursor once half a second has passed since the
// last step, else nothing. Not animated: cross cursor 5003 + number. A
// cross cursor that does not exist sends the choice back to 5003. Then
// SetCrossCursor.
void SelectCrossCursor(int number, bool animate);

// The wait animation: restarts at 3000 after another shape, else advances
// one frame once a second has passed since the last frame (3007 wraps to
// 3000); shape 1.
void SetWaitCursor();
// The watch animation: advances one frame once a second has passed since
// the last frame of either animation, else shows its current frame again
// when another shape was shown (4007 wraps to 4000); shape 2.
void SetWatchCursor();
// The watch when it is shown, else the wait cursor: for every pass of long
// loops. Between frames it costs one clock reading and a comparison.
void SetWaitOrWatchCursor();

// Hiding counts: every Hide needs a Show.
void Show();
void Hide();
bool ButtonDown();
// Waits in short event waits (timers firing, input arriving) until the
// button is up.
void WaitButtonUp();

// The mouse position now in graphicsWindow's world coordinates, measured in
// window's port (an off-screen window stands for its parent). Modifiers
// while the button is down: 32 command, 2 shift (either), 4 caps lock,
// 8 option, 16 control combined, 1 for none; 0 with the button up. TRUE
// when the point lies strictly inside graphicsWindow's pixel rectangle;
// FALSE for a nil window. The current port is kept.
bool Read(Graphics::GraphicsWindow window, Graphics::GraphicsWindow graphicsWindow, double& x, double& y,
          int& modifiers);
// The same for the mouse-down in MacEnv::theEvent (an off-screen window
// stands for its parent in either argument), with the event's modifier
// bits; FALSE and modifiers 0 when that event is no mouse-down.
bool ReadEvent(Graphics::GraphicsWindow window, Graphics::GraphicsWindow graphicsWindow, double& x, double& y,
               int& modifiers);

}  // namespace Mouse
