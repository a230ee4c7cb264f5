// Controls in windows: push buttons, check boxes, radio buttons and scroll
// bars, their drawing, hit testing and tracking with the mouse.
//
// A control belongs to one window and lives until DisposeControl or until
// its window's controls are killed (KillControls, which the owner calls
// before it disposes of the window; the dialogs do) or the layer shuts
// down. Rectangles and points are local to the owner's content. Every
// call does nothing (or gives 0, nil, an empty text) for a nil control.
// Changes are drawn at once when the control is visible; drawing happens in
// the owner's port and leaves the current port and its settings as they
// were. Values always lie within minimum .. maximum (a maximum below the
// minimum is raised to it).
//
// Highlight: 0 active; 1 .. 253 the part shown pressed; 255 inactive (drawn
// dimmed, never hit). A scroll bar whose maximum equals its minimum is drawn
// as inactive too and has no thumb.
//
// Tracking (TrackControl) follows the mouse until the button goes up:
// buttons and boxes show pressed while the pointer is over them; the arrows
// and page parts of a scroll bar call the action procedure at once and then
// every kRepeatSeconds while the pointer stays on the part; the thumb
// follows the pointer as an outline and, released on the bar, sets the
// value under it. Main thread only.
#pragma once

#include "platform/Geometry.h"
#include "platform/Windows.h"

#include <span>

namespace Controls {

struct Control;

// Control definitions.
inline constexpr int kPushButProc = 0;
inline constexpr int kCheckBoxProc = 1;
inline constexpr int kRadioButProc = 2;
inline constexpr int kScrollBarProc = 16;

// Parts.
inline constexpr int kNoPart = 0;
inline constexpr int kInButton = 10;
inline constexpr int kInCheckBox = 11;  // check boxes and radio buttons
inline constexpr int kInUpButton = 20;
inline constexpr int kInDownButton = 21;
inline constexpr int kInPageUp = 22;
inline constexpr int kInPageDown = 23;
inline constexpr int kInThumb = 129;

inline constexpr int kActive = 0;
inline constexpr int kInactive = 255;

inline constexpr int kMaxTitle = 255;
// How often a held arrow or page part repeats its action.
inline constexpr double kRepeatSeconds = 0.1;
// The font of titles and dialog texts.
inline constexpr int kSystemFont = 3;  // Geneva
inline constexpr int kSystemSize = 12;

// Gives nil for a nil window or an unknown definition.
Control* NewControl(Windows::Window* owner, const Geometry::Rect& bounds, std::span<const char> title,
                    bool visible, int value, int minimum, int maximum, int procID, void* refCon);
// Erases a visible control from its window first.
void DisposeControl(Control* c);
// Every control of the window, without drawing.
void KillControls(Windows::Window* owner);
// Every control of every window.
void Shutdown();

void DrawControls(Windows::Window* owner);
void Draw1Control(Control* c);

void ShowControl(Control* c);
void HideControl(Control* c);
bool IsControlVisible(const Control* c);
void HiliteControl(Control* c, int hilite);
int GetControlHilite(const Control* c);
void MoveControl(Control* c, int h, int v);
void SizeControl(Control* c, int width, int height);
Geometry::Rect GetControlBounds(const Control* c);

void SetControlValue(Control* c, int value);
int GetControlValue(const Control* c);
void SetControlMinimum(Control* c, int minimum);
int GetControlMinimum(const Control* c);
void SetControlMaximum(Control* c, int maximum);
int GetControlMaximum(const Control* c);

// Titles: 8-bit text, at most kMaxTitle characters.
void SetControlTitle(Control* c, std::span<const char> title);
void GetControlTitle(const Control* c, std::span<char> title);

Windows::Window* GetControlOwner(const Control* c);
int GetControlProcID(const Control* c);
void SetControlReference(Control* c, void* refCon);
void* GetControlReference(const Control* c);

// The part of the control at the point; kNoPart when the control is hidden,
// inactive or not there.
int TestControl(const Control* c, Geometry::Point local);
// The frontmost visible, active control of the window at the point and its
// part; kNoPart (control nil) when none.
int FindControl(Geometry::Point local, Windows::Window* owner, Control** c);

using ActionProc = void (*)(Control* c, int part);
// Follows the mouse from a press at `start` in the control (see above). The
// part the button went up in, kNoPart when it went up elsewhere.
int TrackControl(Control* c, Geometry::Point start, ActionProc action);
// The control's own action procedure, which the dialogs' modal loop tracks
// it with; nil (the default) for none.
void SetControlAction(Control* c, ActionProc action);
ActionProc GetControlAction(const Control* c);

}  // namespace Controls
