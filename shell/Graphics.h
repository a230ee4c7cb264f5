// Device-independent graphics windows: rectangular viewports inside one
// platform window (or inside an off-screen world, or on the printed page),
// arranged in a tree, each with its own world coordinates and its own
// drawing state (font, colours, pen, marker); the drawing on them, and the
// switch of a window from the screen to the printer or to a recorded
// picture.
//
// Every operation accepts a nil window and then does nothing (or gives
// FALSE, 0 or zeros). Drawing is bracketed by SetPort and EndPort on the
// same window; the port's state (clip, font, pen, colours) belongs to the
// platform window's active graphics window, so beginning to draw in the
// window that is already active reloads nothing.
//
// World coordinates. For the world rectangle (x1, y1)-(x2, y2) on the pixel
// rectangle (left, right, top, bottom):
//   x factor = (right - left - 2) / (x2 - x1), x offset = (left + 1) / x factor - x1
//   y factor = -(bottom - top - 2) / (y2 - y1), y offset = (bottom - 1) / y factor - y1
//   h = round((x + x offset) * x factor), v = round((y + y offset) * y factor)
// with halves rounded away from zero: x1 falls on left + 1, x2 on right - 1,
// y1 on bottom - 1 and y2 on top + 1. An axis whose factor comes out 0 (a
// pixel rectangle 2 wide or high) or not finite has no usable mapping: the
// whole world then lies on its one inner pixel (left + 1, bottom - 1), world
// drawing draws nothing, conversions give that pixel (and back the world's
// x1, y1), and one pixel measures the world's whole extent. The world
// rectangles are kept, so a later resize brings the mapping back. Pixels
// are cut to -32767 .. 32767; a coordinate that is not a number gives
// kNoPixel.
//
// Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/Color.h"
#include "platform/Pattern.h"
#include "platform/Picture.h"
#include "platform/Port.h"
#include "platform/Region.h"

namespace ModWindow {
struct PlatformWindowRecord;
}
namespace Offscreen {
struct World;
}

namespace Graphics {

// ---- Records ---------------------------------------------------------------

inline constexpr int kPolylineSlots = 40;
// An entry value that stands for a data value that was not a number.
inline constexpr std::int16_t kGap = -32768;
inline constexpr int kNoPixel = -32768;

// One entry of a polyline slot: a data point (h, v) in a sparse slot; a
// pixel column (v of the minimum, v of the maximum) in a dense one.
struct PolylineEntry {
  std::int16_t first = 0;
  std::int16_t second = 0;
};

// The stored pixel points of one persistent polyline (GraphPoly).
struct PolylineSlot {
  PolylineEntry* buffer = nullptr;  // from the platform window record's heap
  std::int32_t bufferSize = 0;      // bytes
  std::int32_t startColumn = 0;     // pixel x of the first point or column
  std::int32_t pointCount = 0;      // sparse: points - 1; dense: columns
  double lowerLimit = 32766;        // largest v allowed
  double upperLimit = -32766;       // smallest v allowed
  bool sparse = false;
  bool increasing = true;
  bool lines = true;
  bool markers = false;
};

struct WorldMapping {
  double x1 = 0;
  double y1 = 0;
  double x2 = 1;
  double y2 = 1;
  double xOffset = 0;
  double xFactor = 0;  // 0: no usable mapping on this axis
  double yOffset = 0;
  double yFactor = 0;
};

// Output devices.
inline constexpr int kScreen = 0;
inline constexpr int kPrinter = 1;
inline constexpr int kPictureFile = 2;
inline constexpr int kClipboardPicture = 3;

// Text modes.
inline constexpr int kTextNormal = 0;
inline constexpr int kTextInverted = 4;

struct GraphicsWindowRecord {
  char tag[4] = {'G', 'R', 'A', 'F'};  // the first character is cleared when freed
  // The port drawn into: the platform window's, the printing port for the
  // printed page, the off-screen world's for an off-screen window.
  Port::GrafPort* port = nullptr;
  Region::Rgn clipRegion;  // the pixel rectangle, in the port's coordinates
  ModWindow::PlatformWindowRecord* platform = nullptr;
  GraphicsWindowRecord* parent = nullptr;
  GraphicsWindowRecord* nextSibling = nullptr;
  GraphicsWindowRecord* firstChild = nullptr;
  // Pixel rectangle in the port's local coordinates; top <= bottom always,
  // left > right is a mirrored window.
  std::int32_t left = 0;
  std::int32_t right = 0;
  std::int32_t top = 0;
  std::int32_t bottom = 0;
  WorldMapping real;     // the mapping of real data
  WorldMapping integer;  // the mapping of 16-bit data
  Color::RGB foreground;
  Color::RGB background;
  std::int32_t fontNumber = 0;
  std::int32_t fontSize = 0;       // points before the size factor
  std::int32_t markerSize = 0;     // half-size in pixels before the size factor
  std::int32_t markerSpacing = 0;  // columns between markers of dense polylines
  std::int32_t lineSize = 0;
  std::int32_t textMode = kTextNormal;
  std::uint8_t textStyle = 0;
  std::uint8_t lineType = 0;
  std::uint8_t markerKind = 0;
  std::array<PolylineSlot, kPolylineSlots> slots;
  Offscreen::World* offscreenWorld = nullptr;
  bool offscreen = false;
  bool pixelsLocked = false;
  std::uint8_t outputDevice = kScreen;
};
using GraphicsWindow = GraphicsWindowRecord*;

// ---- Module set-up -----------------------------------------------------------

// Clears the picture-file state.
void InitModule();
// Loads the colours, line patterns and font numbers; TRUE when the
// workspace heap (GraphBase::WorkspaceHandle) exists or could be made.
bool Initialize();

// ---- Records of root windows -------------------------------------------------

// A cleared record (tag, empty clip region, no links, default slots) from the
// platform window record's heap, belonging to it; nil when the heap has no
// room. Owners of root windows (ModWindow, the printed page) make and free
// their roots with these; everything else uses CreateWindowInt.
GraphicsWindow AllocateRecord(ModWindow::PlatformWindowRecord* platform);
// Frees one record: its off-screen world, clip region and polyline buffers;
// the variable becomes nil. Its children are not touched.
void FreeRecord(GraphicsWindow& window);

// ---- The window tree -----------------------------------------------------------

// A child on the pixel rectangle x1..x2, y1..y2 of the parent's port (y put
// in order, x taken as given), with the default state and what it inherits
// from the parent (see ResetWindow); nil for a nil parent or a full heap.
GraphicsWindow CreateWindowInt(GraphicsWindow parent, int x1, int y1, int x2, int y2);
// The same on a rectangle in the parent's world coordinates; nil when it does
// not lie within the parent's pixel rectangle (edges included).
GraphicsWindow CreateWindow(GraphicsWindow parent, double x1, double y1, double x2, double y2);
// Frees all descendants; then a child window itself (variable nil). A root
// keeps its record and the variable: freeing it is its owner's business.
void RemoveWindow(GraphicsWindow& window);
// Child: removes its descendants, inherits again from its parent (the clip
// region becomes the pixel rectangle; output device, font, size, style, text
// mode, line size and type, marker kind and size, both colours and both world
// rectangles are the parent's) and, on the screen or the printer, is cleared.
// Root: output device screen, clip region its pixel rectangle, drawing state
// loaded.
void ResetWindow(GraphicsWindow window);

// ---- Geometry ----------------------------------------------------------------

// New pixel rectangle; each edge's move is applied to every descendant too
// (deepest first). World rectangles stay; mappings, clip regions and
// off-screen worlds follow.
void ResizeWindowInt(GraphicsWindow window, int x1, int y1, int x2, int y2);
// The same in the parent's world coordinates; ignored for a root or a
// rectangle outside the parent's pixel rectangle.
void ResizeWindow(GraphicsWindow window, double x1, double y1, double x2, double y2);
// Ignored for x1 = x2, y1 = y2 or values that are not finite numbers.
void SetScaling(GraphicsWindow window, double x1, double y1, double x2, double y2);
void SetScalingInt(GraphicsWindow window, double x1, double y1, double x2, double y2);
void GetScaling(GraphicsWindow window, double& x1, double& y1, double& x2, double& y2);
void GetScalingInt(GraphicsWindow window, double& x1, double& y1, double& x2, double& y2);
// The window's pixel rectangle in the reference's world coordinates (x1 from
// left, y1 from bottom, x2 from right, y2 from top); zeros when they belong to
// different platform windows or the window does not lie inside the reference.
void GetWindow(GraphicsWindow window, GraphicsWindow reference, double& x1, double& y1, double& x2, double& y2);
// The world size of one pixel on each axis.
void GetResolution(GraphicsWindow window, double& dx, double& dy);
// The pixel lies in the pixel rectangle, edges included.
bool InsideClippingRect(GraphicsWindow window, int h, int v);
// Both on the screen (not off-screen) and their clip regions' boxes meet, in
// global coordinates when they belong to different platform windows.
bool Overlapping(GraphicsWindow a, GraphicsWindow b);
// The platform window record's pixel depth (0 for nil) and size factor (1).
int GetBitplanes(GraphicsWindow window);
int GetScaleFactor(GraphicsWindow window);

// ---- Coordinate conversions ----------------------------------------------------

void WindowToLocal(GraphicsWindow window, double x, double y, int& h, int& v);
void LocalToWindow(GraphicsWindow window, int h, int v, double& x, double& y);
// Global screen pixels; inside a drawing bracket, nothing when it cannot
// begin.
void WindowToGlobal(GraphicsWindow window, double x, double y, int& h, int& v);
void GlobalToWindow(GraphicsWindow window, int h, int v, double& x, double& y);

// ---- The drawing bracket -------------------------------------------------------

// What beginning to draw in an off-screen window replaced (FastGraph).
struct PortSave {
  bool saved = false;
  Port::GrafPort* port = nullptr;
};

// Begins drawing: selects the window's port (an off-screen window's world
// first, which may fail; the open page's printing port for a window on the
// printer) and, unless the window is the active one, loads its drawing
// state. FALSE for nil, when the world cannot be selected, or on the
// printer without an open page.
bool SetPort(GraphicsWindow window, PortSave& save);
// Ends drawing; only an off-screen window restores what SetPort replaced.
void EndPort(GraphicsWindow window, PortSave& save);

// SetPort and EndPort for one scope.
class Bracket {
 public:
  explicit Bracket(GraphicsWindow window) : window_(window), began_(SetPort(window, save_)) {}
  ~Bracket() {
    if (began_) EndPort(window_, save_);
  }
  Bracket(const Bracket&) = delete;
  Bracket& operator=(const Bracket&) = delete;
  bool Began() const { return began_; }

 private:
  GraphicsWindow window_;
  PortSave save_;
  bool began_;
};

// Begins drawing, loads the drawing state, ends drawing.
void ActivateWindowParameters(GraphicsWindow window);
// Loads the drawing state into the current port (which must be the
// window's) and makes the window the active one.
void DoActivateWindowParameters(GraphicsWindow window);

// ---- Colours, patterns, fonts ----------------------------------------------------

extern Color::RGB Black;
extern Color::RGB White;
extern Color::RGB Red;
extern Color::RGB Green;
extern Color::RGB Blue;
extern Color::RGB Cyan;
extern Color::RGB Magenta;
extern Color::RGB Yellow;
extern Color::RGB HiliteColor;
extern int Helvetica;
extern int Courier;
extern int Monaco;
extern int Paladino;
extern int Geneva;
// Line type n draws with LinePattern[n] (the pattern list's entry n + 1).
extern std::array<Pattern::Pat, 4> LinePattern;
inline constexpr std::int32_t InvertThreshold = 78000;

// The platform font number of a name; 0 for an empty or unknown one.
int GetFont(std::span<const char> name);
void GetFontName(int number, std::span<char> name);
// Reads the system highlight colour into HiliteColor.
void GetHiliteColor();
// red + green + blue below InvertThreshold: a dark colour, to be drawn on
// in a light one.
bool ColorLessThanThreshold(const Color::RGB& rgb);

// ---- Settings ----------------------------------------------------------------------

// Size 1..32767, else the call changes nothing.
void SetFont(GraphicsWindow window, int font, int size, int style);
// 0..3, else ignored.
void SetLineType(GraphicsWindow window, int type);
void SetLineSize(GraphicsWindow window, int size);
// 0 dot, 1 plus, 2 star, 3 diamond, 4 cross, 5 square; else ignored.
void SetMarker(GraphicsWindow window, int kind);
// >= 0, else ignored.
void SetMarkerSize(GraphicsWindow window, int size);
void SetInvertedText(GraphicsWindow window, bool on);
void SetRGBForeColor(GraphicsWindow window, const Color::RGB& rgb);
void SetRGBBackColor(GraphicsWindow window, const Color::RGB& rgb);
// Courier 12 plain, normal text, line size 1 and type 0, marker 0 of size 4,
// marker spacing 16, world (0, 0)-(1, 1), integer world
// (-32767, -32767)-(32767, 32767), the platform window record's colours,
// every polyline slot emptied (its buffer freed). The output device and an
// off-screen window's world stay (a new record is never off-screen).
void SetDefaultState(GraphicsWindow window);

// ---- Drawing -----------------------------------------------------------------------

void Line(GraphicsWindow window, double x1, double y1, double x2, double y2);
// Pixels of the current port, without a bracket (for callers inside one).
void DrawLine(GraphicsWindow window, int fromH, int fromV, int toH, int toV);
void Marker(GraphicsWindow window, double x, double y);
// The current marker at a pixel, without a bracket; nothing outside the
// pixel rectangle (edges count as inside).
void DrawMarker(GraphicsWindow window, int h, int v);
// Frame and paint of a world rectangle, its mapped corners put in order.
void Rectangle(GraphicsWindow window, double x1, double y1, double x2, double y2);
void FilledRectangle(GraphicsWindow window, double x1, double y1, double x2, double y2);
// Moves the pen to the world point (start of the base line) and draws the
// characters up to the text's end.
void Text(GraphicsWindow window, double x, double y, std::span<const char> text);
// The font's ascent and the text's width in world units; 0 when drawing
// cannot begin.
double TextHeight(GraphicsWindow window);
double TextWidth(GraphicsWindow window, std::span<const char> text);
// Erases the pixel rectangle to the background colour and empties all 40
// polyline slots (their buffers stay).
void ClearWindow(GraphicsWindow window);
// Frames the window's pixel rectangle grown by dx and dy, drawn in target;
// nothing when they belong to different platform windows.
void FrameWindow(GraphicsWindow window, GraphicsWindow target, int dx, int dy);
// Scrolls the pixels of the world rectangle so that its lower-left corner
// comes to the world point; the uncovered area is erased. Nothing unless the
// rectangle and its new place lie within the window.
void Move(GraphicsWindow window, double x1, double y1, double x2, double y2, double x, double y);
// A window on the screen shows its drawing at once.
void ForceUpdate(GraphicsWindow window);

// ---- Output devices ----------------------------------------------------------------

// The picture of the last clipboard recording (Picture's format); empty when
// there is none.
extern Picture::Data PictureHandle;
// TRUE while a picture is being recorded; only one can be at a time.
extern bool DeviceOpen;
// The bracket that spans a picture recording.
extern PortSave PictPortInfo;

// Closes the window's current device first: a picture file gets 512 zero
// bytes and the picture, replacing any file of that name (a failure is shown
// with Alert::IOError and leaves an old file as it was). Then: 3 records a
// clipboard picture, 2 a picture for the named file (no name, a file that
// cannot be made, or another recording under way leave the window on the
// screen), 1 the printer, anything else the screen. Off-screen windows take
// no picture. The window's direct children take its device.
void SetOutputDevice(GraphicsWindow window, int device, std::span<const char> fileName);
int GetOutputDevice(GraphicsWindow window);

}  // namespace Graphics
