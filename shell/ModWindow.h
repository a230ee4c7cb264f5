// The program's platform windows, each made together with its root graphics
// window: creation and removal, placement from a parameter record, fitting
// onto the screen, zooming, showing and hiding.
//
// Every operation takes the window's root graphics window (or, where noted,
// any graphics window of it) and does nothing for nil. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/Buffer.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"

namespace ModWindow {

// One per window made by Create, in the graphics heap; the platform window's
// reference value points to it (other modules may point it at their own
// record, tagged "ANSI" for a terminal, "DIAL" for a dialog).
struct PlatformWindowRecord {
  char tag[8] = {'W', 'I', 'N', 'D', 0, 0, 0, 0};
  Windows::Window* window = nullptr;
  Buffer::NamedBuffer heap = nullptr;  // holds this record and its graphics windows
  Graphics::GraphicsWindow root = nullptr;
  std::int32_t definition = 0;  // the window definition given at creation
  std::int32_t depth = 0;       // pixel depth of the port at creation
  std::int32_t sizeFactor = 1;  // font and marker sizes are multiplied by it
  Color::RGB foreground;        // the port's colours at creation
  Color::RGB background;
  // The graphics window whose drawing state the port holds.
  Graphics::GraphicsWindow activeWindow = nullptr;
  bool zoomable = true;
  bool zoomed = false;  // in the standard (zoomed-out) state
};

// How windows are placed, and how the notebook and the dialogs store their
// position and font: the content rectangle in global coordinates.
struct WindowParameters {
  std::int16_t top = 0;
  std::int16_t left = 0;
  std::int16_t bottom = 0;
  std::int16_t right = 0;
  std::int16_t fontNumber = 0;
  std::int16_t fontSize = 0;
};

// The window resource of the console window.
inline constexpr int kConsoleWindowResource = 143;

// Makes a platform window and its root graphics window, and gives the root;
// nil (with nothing left allocated) for an empty title, a full heap or an
// unknown resource. Resource ID below 1: a window on the parameters'
// rectangle (normalised, and kept so in the parameters) with the definition;
// otherwise the window resource's rectangle and definition. In front of all
// windows or behind all of them. The parameters' rectangle becomes the
// window's content rectangle, the root's font the parameters' font.
Graphics::GraphicsWindow Create(int resourceID, WindowParameters& parameters, int definition,
                                std::span<const char> title, bool front, bool closeBox, bool visible);
// Removes a window made by Create, given its root (anything else is left
// alone): its graphics windows, the platform window, the records. The
// variable becomes nil.
void Remove(Graphics::GraphicsWindow& window);

// For a root window (children are ignored). Get: the port's font and the
// window's content rectangle. Set: moves and sizes the window to the
// parameters' rectangle (normalised; an empty one, or the current one,
// changes nothing), sets its font, and writes the resulting rectangle back.
// Both keep the world coordinates spanning the whole (new) content.
void GetWindowParameters(Graphics::GraphicsWindow window, WindowParameters& parameters);
void SetWindowParameters(Graphics::GraphicsWindow window, WindowParameters& parameters);

// Fits the parameters onto the main screen below the menu bar, so that at
// least 20 by 10 pixels show, and the font size into 6..48. There is one
// screen, so the active screen is the main one.
void ClipToMainScreen(WindowParameters& parameters);
void ClipToActiveScreen(WindowParameters& parameters);

// Zooms to the standard state (toStandard) or back to the user state, when
// the window has a record, may zoom and is not in that state yet; rectangle
// becomes the new local content rectangle, which is invalidated.
void DoZoom(Graphics::GraphicsWindow window, Geometry::Rect& rectangle, bool toStandard, bool front);
// DoZoom to the front, then the new content is erased.
void ZoomOut(Graphics::GraphicsWindow window);
void ZoomIn(Graphics::GraphicsWindow window);

// Ignored for an empty title.
void SetTitle(Graphics::GraphicsWindow window, std::span<const char> title);
// Shows and selects the window.
void BringToFront(Graphics::GraphicsWindow window);
void Show(Graphics::GraphicsWindow window);
void Hide(Graphics::GraphicsWindow window);
// The window is the front window and the application is not in the background.
bool IsInFront(Graphics::GraphicsWindow window);
// Of any graphics window of the platform window.
Windows::Window* GetMacWindow(Graphics::GraphicsWindow window);
// Pixel depth of the window's port; 0 for nil.
int GetColors(Graphics::GraphicsWindow window);
void Clear(Graphics::GraphicsWindow window);
// No update pending for the whole content.
void Validate(Graphics::GraphicsWindow window);
int MenuBarHeight();

// The console's root window (Shell::RootWindow); nil before the console is made.
Graphics::GraphicsWindow MainRootWindow();
// The program owns the whole screen here, so its windows are always in front
// of everything else; the window order and the active window stay as they are.
void AllToFront();
// There is no frame window around the program's windows here: Set ignores the
// rectangle and Get leaves it as it is.
void SetFrameWindowRect(const Geometry::Rect& rectangle);
void GetFrameWindowRect(Geometry::Rect& rectangle);

}  // namespace ModWindow
