// The window manager: overlapping windows on the screen, their order, the
// active window, update regions, hit-testing and zooming.
//
// Each window keeps its content's pixels (so a window that is uncovered
// needs no redrawing) and a port whose local (0, 0) is the content's
// top-left corner. Drawing into a hidden window lands in its pixels. The
// frontmost visible window is always the active (highlighted) one; every
// change of it queues a deactivate event for the old and an activate event
// for the new one, which the event queue hands out before anything else.
// A visible window whose update region is not empty gets update events
// until BeginUpdate takes the region.
//
// Everything here is immediate: the tracking of drags, size changes and box
// clicks with the mouse is WindowTrack's.
#pragma once

#include "platform/Geometry.h"
#include "platform/Port.h"
#include "platform/Region.h"
#include "platform/WindowFrame.h"

#include <cstdint>
#include <span>

namespace Windows {

struct Window;

// Parts of the screen (FindWindow).
inline constexpr int kInDesk = 0;
inline constexpr int kInMenuBar = 1;
inline constexpr int kInSysWindow = 2;
inline constexpr int kInContent = 3;
inline constexpr int kInDrag = 4;
inline constexpr int kInGrow = 5;
inline constexpr int kInGoAway = 6;
inline constexpr int kInZoomIn = 7;   // back to the user state
inline constexpr int kInZoomOut = 8;  // out to the standard state

// Window kinds.
inline constexpr int kDialogKind = 2;
inline constexpr int kUserKind = 8;

void InitModule();
// Disposes of every window.
void Shutdown();

// A window with the content rectangle `bounds` (global; a reversed side
// gives a width or height of 0; sides are cut to Surface::kMaxSide), in
// front of all windows or behind all of them. Its pixels are white, its
// whole content is to be updated, its kind is kUserKind.
Window* NewWindow(const Geometry::Rect& bounds, std::span<const char> title, bool visible, int procID,
                  bool inFront, bool goAwayFlag, void* refCon);
// Nothing for nil. When its port is current, no port is current afterwards.
void DisposeWindow(Window* w);

void ShowWindow(Window* w);
void HideWindow(Window* w);
bool IsVisible(const Window* w);
bool IsHilited(const Window* w);

// Brings the window in front of all others.
void SelectWindow(Window* w);
// Puts the window directly behind `behind`, or behind all windows for nil.
void SendBehind(Window* w, Window* behind);
// The frontmost visible window; nil when none is visible.
Window* FrontWindow();
// All windows front to back, hidden ones included.
Window* FirstWindow();
Window* NextWindow(const Window* w);

// The part of the screen at a global point and the window it belongs to
// (nil for the desk and the menu bar).
int FindWindow(Geometry::Point p, Window** w);

Port::GrafPort* GetWindowPort(Window* w);
// The window a port belongs to; nil for any other port.
Window* GetWindowFromPort(const Port::GrafPort* port);

// Global rectangles.
Geometry::Rect ContentRect(const Window* w);
Geometry::Rect StructureRect(const Window* w);

// Moves the content's top-left corner to the global point.
void MoveWindow(Window* w, int h, int v, bool front);
// New content size (top-left stays; cut to 0 .. Surface::kMaxSide); pixels
// outside the old size start white and, with update, join the update
// region.
void SizeWindow(Window* w, int width, int height, bool update);

// Zooms out to the standard state (kInZoomOut, remembering the current
// rectangle as the user state) or back in to the user state (kInZoomIn);
// the whole content joins the update region.
void ZoomWindow(Window* w, int part, bool front);
// The standard state defaults to the screen below the menu bar, less the
// window's frame.
void SetStandardState(Window* w, const Geometry::Rect& r);
Geometry::Rect GetStandardState(const Window* w);
void SetUserState(Window* w, const Geometry::Rect& r);
Geometry::Rect GetUserState(const Window* w);

// Titles are 8-bit text of up to 255 characters.
void SetTitle(Window* w, std::span<const char> title);
void GetTitle(const Window* w, std::span<char> title);

void SetRefCon(Window* w, void* refCon);
void* GetRefCon(const Window* w);
void SetKind(Window* w, int kind);
int GetKind(const Window* w);
int GetProcID(const Window* w);

// Update regions, in the window's local coordinates.
void InvalRect(Window* w, const Geometry::Rect& r);
void InvalRgn(Window* w, const Region::Rgn& rgn);
void ValidRect(Window* w, const Geometry::Rect& r);
void ValidRgn(Window* w, const Region::Rgn& rgn);
Region::Rgn GetUpdateRgn(const Window* w);
// Limits drawing to the update region and empties it; EndUpdate lets
// drawing reach the whole content again.
void BeginUpdate(Window* w);
void EndUpdate(Window* w);

// Draws, in the window's content, the lines along the scroll-bar areas and,
// in the active window, the grow icon; nothing without a grow box.
void DrawGrowIcon(Window* w);

bool SavePNG(const Window* w, std::span<const char> path);

// For the event queue: the next activation change (true: activate), taken
// out when remove is set, and the frontmost visible window with something to
// update.
bool TakeActivation(Window** w, bool* active, bool remove);
Window* PendingUpdate();

// For the desktop and WindowTrack.
WindowFrame::Frame FrameOf(const Window* w);
const Surface::Pixels& PixelsOf(const Window* w);
void SetPressedPart(Window* w, WindowFrame::Part part);
// Counts every change that alters what the screen shows of the windows.
std::uint64_t ChangeCount();

}  // namespace Windows
