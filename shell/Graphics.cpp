#include "shell/Graphics.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <utility>

#include "dialogs/Alert.h"
#include "foundation/FileReplace.h"
#include "foundation/IOBytes.h"
#include "foundation/Strings.h"
#include "platform/Blit.h"
#include "platform/Desktop.h"
#include "platform/Fonts.h"
#include "platform/Lines.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "shell/FastGraph.h"
#include "shell/GraphBase.h"
#include "shell/GraphPoly.h"
#include "shell/ModWindow.h"
#include "shell/Printer.h"
#include "shell/ScrapUtil.h"

namespace Graphics {

Color::RGB Black;
Color::RGB White;
Color::RGB Red;
Color::RGB Green;
Color::RGB Blue;
Color::RGB Cyan;
Color::RGB Magenta;
Color::RGB Yellow;
Color::RGB HiliteColor;
int Helvetica = 0;
int Courier = 0;
int Monaco = 0;
int Paladino = 0;
int Geneva = 0;
std::array<Pattern::Pat, 4> LinePattern;

Picture::Data PictureHandle;
bool DeviceOpen = false;
PortSave PictPortInfo;

namespace {

using Geometry::Point;
using Geometry::Rect;

static_assert(alignof(GraphicsWindowRecord) <= 16, "the buffer heap aligns its blocks to 16 bytes");

// The platform's coordinate plane.
constexpr double kPixelLimit = 32767;

// The picture file being written, and the window whose switch started the
// recording (every window drawing into its port records with it).
std::optional<FileReplace::Replacement> pictFile;
GraphicsWindow recordingWindow = nullptr;

int CutPixel(double p) {
  if (std::isnan(p)) return kNoPixel;
  return static_cast<int>(std::round(std::clamp(p, -kPixelLimit, kPixelLimit)));
}

int CutEdge(int e) { return std::clamp(e, -static_cast<int>(kPixelLimit), static_cast<int>(kPixelLimit)); }

Rect PixelRect(const GraphicsWindowRecord& w) { return Geometry::SetRect(w.left, w.top, w.right, w.bottom); }

bool Contains(const GraphicsWindowRecord& w, const Rect& r) {
  return r.left >= w.left && r.right <= w.right && r.top >= w.top && r.bottom <= w.bottom;
}

// A factor is usable when it and its offset are finite and it is not 0.
void UsableOrNone(double& factor, double& offset) {
  if (factor == 0 || !std::isfinite(factor) || !std::isfinite(offset)) {
    factor = 0;
    offset = 0;
  }
}

void Recompute(WorldMapping& m, const GraphicsWindowRecord& w) {
  m.xFactor = (static_cast<double>(w.right) - w.left - 2) / (m.x2 - m.x1);
  m.xOffset = (w.left + 1.0) / m.xFactor - m.x1;
  UsableOrNone(m.xFactor, m.xOffset);
  m.yFactor = -(static_cast<double>(w.bottom) - w.top - 2) / (m.y2 - m.y1);
  m.yOffset = (w.bottom - 1.0) / m.yFactor - m.y1;
  UsableOrNone(m.yFactor, m.yOffset);
}

void RecomputeBoth(GraphicsWindowRecord& w) {
  Recompute(w.real, w);
  Recompute(w.integer, w);
}

bool Usable(const WorldMapping& m) { return m.xFactor != 0 && m.yFactor != 0; }

int ToH(const GraphicsWindowRecord& w, double x) {
  if (w.real.xFactor == 0) return CutPixel(w.left + 1.0);
  return CutPixel((x + w.real.xOffset) * w.real.xFactor);
}

int ToV(const GraphicsWindowRecord& w, double y) {
  if (w.real.yFactor == 0) return CutPixel(w.bottom - 1.0);
  return CutPixel((y + w.real.yOffset) * w.real.yFactor);
}

// A world point for drawing: FALSE without a usable mapping or for a value
// that is not a finite number.
bool Map(const GraphicsWindowRecord& w, double x, double y, Point& p) {
  if (!Usable(w.real) || !std::isfinite(x) || !std::isfinite(y)) return false;
  p = Point{ToH(w, x), ToV(w, y)};
  return true;
}

// A world rectangle's pixels with its corners in order.
bool MapRect(const GraphicsWindowRecord& w, double x1, double y1, double x2, double y2, Rect& r) {
  Point a;
  Point b;
  if (!Map(w, x1, y1, a) || !Map(w, x2, y2, b)) return false;
  r = Geometry::SetRect(std::min(a.h, b.h), std::min(a.v, b.v), std::max(a.h, b.h), std::max(a.v, b.v));
  return true;
}

// The world size of one pixel; the world's whole extent where the world
// collapses onto one pixel.
double PixelWidth(const WorldMapping& m) { return m.xFactor != 0 ? 1 / std::abs(m.xFactor) : std::abs(m.x2 - m.x1); }
double PixelHeight(const WorldMapping& m) { return m.yFactor != 0 ? 1 / std::abs(m.yFactor) : std::abs(m.y2 - m.y1); }

int SizeFactor(const GraphicsWindowRecord& w) { return w.platform != nullptr ? w.platform->sizeFactor : 1; }

void ForgetIfActive(GraphicsWindowRecord& w) {
  if (w.platform != nullptr && w.platform->activeWindow == &w) w.platform->activeWindow = nullptr;
}

void FreeSlotBuffers(GraphicsWindowRecord& w) {
  Buffer::NamedBuffer heap = w.platform != nullptr ? w.platform->heap : nullptr;
  for (PolylineSlot& slot : w.slots) {
    void* block = slot.buffer;
    Buffer::Deallocate(heap, slot.bufferSize, block);
    slot.buffer = nullptr;
    slot.bufferSize = 0;
  }
}

void RemoveDescendants(GraphicsWindowRecord& w) {
  GraphicsWindow child = w.firstChild;
  w.firstChild = nullptr;
  while (child != nullptr) {
    GraphicsWindow next = child->nextSibling;
    RemoveDescendants(*child);
    FreeRecord(child);
    child = next;
  }
}

void Inherit(GraphicsWindowRecord& w) {
  const GraphicsWindowRecord& p = *w.parent;
  w.clipRegion.SetRect(PixelRect(w));
  w.outputDevice = p.outputDevice;
  w.fontNumber = p.fontNumber;
  w.fontSize = p.fontSize;
  w.textStyle = p.textStyle;
  w.textMode = p.textMode;
  w.lineSize = p.lineSize;
  w.lineType = p.lineType;
  w.markerKind = p.markerKind;
  w.markerSize = p.markerSize;
  w.foreground = p.foreground;
  w.background = p.background;
  w.real.x1 = p.real.x1;
  w.real.y1 = p.real.y1;
  w.real.x2 = p.real.x2;
  w.real.y2 = p.real.y2;
  w.integer.x1 = p.integer.x1;
  w.integer.y1 = p.integer.y1;
  w.integer.x2 = p.integer.x2;
  w.integer.y2 = p.integer.y2;
  RecomputeBoth(w);
  ActivateWindowParameters(&w);
}

struct EdgeMoves {
  int left;
  int right;
  int top;
  int bottom;
};

void MoveEdges(GraphicsWindowRecord& w, const EdgeMoves& d) {
  for (GraphicsWindow child = w.firstChild; child != nullptr; child = child->nextSibling) MoveEdges(*child, d);
  w.left = CutEdge(w.left + d.left);
  w.right = CutEdge(w.right + d.right);
  w.top = CutEdge(w.top + d.top);
  w.bottom = std::max(w.top, CutEdge(w.bottom + d.bottom));
  // The port's clip belongs to the active window; it is loaded afresh.
  ForgetIfActive(w);
  if (w.offscreen) {
    FastGraph::OffsetWindowInt(&w);
  } else {
    w.clipRegion.SetRect(PixelRect(w));
  }
  RecomputeBoth(w);
}

bool SetWorld(WorldMapping& m, const GraphicsWindowRecord& w, double x1, double y1, double x2, double y2) {
  if (x1 == x2 || y1 == y2) return false;
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return false;
  m.x1 = x1;
  m.y1 = y1;
  m.x2 = x2;
  m.y2 = y2;
  Recompute(m, w);
  return true;
}

void GetWorld(GraphicsWindow w, const WorldMapping GraphicsWindowRecord::*which, double& x1, double& y1, double& x2,
              double& y2) {
  if (w == nullptr) {
    x1 = y1 = x2 = y2 = 0;
    return;
  }
  const WorldMapping& m = w->*which;
  x1 = m.x1;
  y1 = m.y1;
  x2 = m.x2;
  y2 = m.y2;
}

void Stroke(int h1, int v1, int h2, int v2) {
  Port::MoveTo(h1, v1);
  Lines::LineTo(h2, v2);
}

void SetChildrenDevice(GraphicsWindowRecord& w, int device) {
  for (GraphicsWindow child = w.firstChild; child != nullptr; child = child->nextSibling) {
    child->outputDevice = static_cast<std::uint8_t>(device);
  }
}

void WritePictureFile(const Picture::Data& picture) {
  static constexpr std::array<std::uint8_t, Picture::kFileHeaderSize> header{};
  std::int32_t count = static_cast<std::int32_t>(header.size());
  bool written = IOBytes::Write(pictFile->handle, count, header.data());
  if (written) {
    count = static_cast<std::int32_t>(picture.size());
    written = IOBytes::Write(pictFile->handle, count, picture.data());
  }
  if (written) written = FileReplace::Commit(*pictFile);
  if (!written) Alert::IOError("Picture file not written");
  pictFile.reset();
}

void CloseDevice(GraphicsWindowRecord& w) {
  const int device = w.outputDevice;
  if ((device == kPictureFile || device == kClipboardPicture) && DeviceOpen && recordingWindow != nullptr &&
      w.port == recordingWindow->port) {
    Port::SetPort(w.port);
    Picture::Data picture = Picture::Close();
    recordingWindow = nullptr;
    DeviceOpen = false;
    EndPort(&w, PictPortInfo);
    if (device == kPictureFile) {
      WritePictureFile(picture);
    } else {
      PictureHandle = std::move(picture);
      ScrapUtil::PutPicture();
    }
    ActivateWindowParameters(&w);
  }
  w.outputDevice = kScreen;
  SetChildrenDevice(w, kScreen);
}

// Starts recording in the window's port, which the bracket has selected.
bool OpenPicture(GraphicsWindowRecord& w) {
  PictureHandle.clear();
  if (!Picture::Open(PixelRect(w))) return false;
  DeviceOpen = true;
  recordingWindow = &w;
  DoActivateWindowParameters(&w);
  return true;
}

}  // namespace

// ---- Module set-up -----------------------------------------------------------------

void InitModule() {
  PictureHandle.clear();
  DeviceOpen = false;
  PictPortInfo = PortSave{};
  pictFile.reset();
  recordingWindow = nullptr;
}

bool Initialize() {
  Black = Color::kBlack;
  White = Color::kWhite;
  Red = Color::kRed;
  Green = Color::kGreen;
  Blue = Color::kBlue;
  Cyan = Color::kCyan;
  Magenta = Color::kMagenta;
  Yellow = Color::kYellow;
  GetHiliteColor();
  for (int i = 0; i < static_cast<int>(LinePattern.size()); ++i) Pattern::ListEntry(i + 1, LinePattern[i]);
  Helvetica = GetFont("Helvetica");
  Courier = GetFont("Courier");
  Monaco = GetFont("Monaco");
  Paladino = GetFont("Paladino");
  Geneva = GetFont("Geneva");
  return GraphBase::WorkspaceHandle() != nullptr;
}

// ---- Records -----------------------------------------------------------------------

GraphicsWindow AllocateRecord(ModWindow::PlatformWindowRecord* platform) {
  if (platform == nullptr) return nullptr;
  void* block = nullptr;
  Buffer::Allocate(platform->heap, static_cast<std::int32_t>(sizeof(GraphicsWindowRecord)), block);
  if (block == nullptr) return nullptr;
  auto* w = new (block) GraphicsWindowRecord;
  w->platform = platform;
  return w;
}

void FreeRecord(GraphicsWindow& window) {
  if (window == nullptr) return;
  // A recording outlives no window: what it holds goes where it was meant to.
  if (window == recordingWindow) CloseDevice(*window);
  ForgetIfActive(*window);
  FastGraph::Deallocate(window);
  FreeSlotBuffers(*window);
  window->tag[0] = 0;
  Buffer::NamedBuffer heap = window->platform != nullptr ? window->platform->heap : nullptr;
  window->~GraphicsWindowRecord();
  void* block = window;
  Buffer::Deallocate(heap, static_cast<std::int32_t>(sizeof(GraphicsWindowRecord)), block);
  window = nullptr;
}

// ---- The window tree -----------------------------------------------------------------

GraphicsWindow CreateWindowInt(GraphicsWindow parent, int x1, int y1, int x2, int y2) {
  if (parent == nullptr) return nullptr;
  GraphicsWindow w = AllocateRecord(parent->platform);
  if (w == nullptr) return nullptr;
  w->port = parent->port;
  w->parent = parent;
  w->nextSibling = parent->firstChild;
  parent->firstChild = w;
  w->left = CutEdge(x1);
  w->right = CutEdge(x2);
  w->top = CutEdge(std::min(y1, y2));
  w->bottom = CutEdge(std::max(y1, y2));
  SetDefaultState(w);
  Inherit(*w);
  return w;
}

GraphicsWindow CreateWindow(GraphicsWindow parent, double x1, double y1, double x2, double y2) {
  Rect r;
  if (parent == nullptr || !MapRect(*parent, x1, y1, x2, y2, r) || !Contains(*parent, r)) return nullptr;
  return CreateWindowInt(parent, r.left, r.top, r.right, r.bottom);
}

void RemoveWindow(GraphicsWindow& window) {
  if (window == nullptr) return;
  RemoveDescendants(*window);
  GraphicsWindow parent = window->parent;
  if (parent == nullptr) return;
  for (GraphicsWindow* link = &parent->firstChild; *link != nullptr; link = &(*link)->nextSibling) {
    if (*link == window) {
      *link = window->nextSibling;
      FreeRecord(window);
      return;
    }
  }
}

void ResetWindow(GraphicsWindow window) {
  if (window == nullptr) return;
  if (window->parent != nullptr) {
    RemoveDescendants(*window);
    Inherit(*window);
    if (window->outputDevice == kScreen || window->outputDevice == kPrinter) ClearWindow(window);
    return;
  }
  window->outputDevice = kScreen;
  window->clipRegion.SetRect(PixelRect(*window));
  ActivateWindowParameters(window);
}

// ---- Geometry --------------------------------------------------------------------------

void ResizeWindowInt(GraphicsWindow window, int x1, int y1, int x2, int y2) {
  if (window == nullptr) return;
  const EdgeMoves d{CutEdge(x1) - window->left, CutEdge(x2) - window->right, CutEdge(std::min(y1, y2)) - window->top,
                    CutEdge(std::max(y1, y2)) - window->bottom};
  MoveEdges(*window, d);
}

void ResizeWindow(GraphicsWindow window, double x1, double y1, double x2, double y2) {
  if (window == nullptr || window->parent == nullptr) return;
  Rect r;
  if (!MapRect(*window->parent, x1, y1, x2, y2, r) || !Contains(*window->parent, r)) return;
  ResizeWindowInt(window, r.left, r.top, r.right, r.bottom);
}

void SetScaling(GraphicsWindow window, double x1, double y1, double x2, double y2) {
  if (window != nullptr) SetWorld(window->real, *window, x1, y1, x2, y2);
}

void SetScalingInt(GraphicsWindow window, double x1, double y1, double x2, double y2) {
  if (window != nullptr) SetWorld(window->integer, *window, x1, y1, x2, y2);
}

void GetScaling(GraphicsWindow window, double& x1, double& y1, double& x2, double& y2) {
  GetWorld(window, &GraphicsWindowRecord::real, x1, y1, x2, y2);
}

void GetScalingInt(GraphicsWindow window, double& x1, double& y1, double& x2, double& y2) {
  GetWorld(window, &GraphicsWindowRecord::integer, x1, y1, x2, y2);
}

void GetWindow(GraphicsWindow window, GraphicsWindow reference, double& x1, double& y1, double& x2, double& y2) {
  if (window == nullptr || reference == nullptr) return;
  x1 = y1 = x2 = y2 = 0;
  if (window->platform != reference->platform || !Contains(*reference, PixelRect(*window))) return;
  LocalToWindow(reference, window->left, window->bottom, x1, y1);
  LocalToWindow(reference, window->right, window->top, x2, y2);
}

void GetResolution(GraphicsWindow window, double& dx, double& dy) {
  if (window == nullptr) return;
  dx = PixelWidth(window->real);
  dy = PixelHeight(window->real);
}

bool InsideClippingRect(GraphicsWindow window, int h, int v) {
  return window != nullptr && h >= window->left && h <= window->right && v >= window->top && v <= window->bottom;
}

bool Overlapping(GraphicsWindow a, GraphicsWindow b) {
  if (a == nullptr || b == nullptr || a->offscreen || b->offscreen) return false;
  Rect ra = a->clipRegion.Bounds();
  Rect rb = b->clipRegion.Bounds();
  if (a->platform != b->platform) {
    if (a->port != nullptr) ra = Geometry::OffsetRect(ra, a->port->globalOrigin.h, a->port->globalOrigin.v);
    if (b->port != nullptr) rb = Geometry::OffsetRect(rb, b->port->globalOrigin.h, b->port->globalOrigin.v);
  }
  return !Geometry::EmptyRect(Geometry::SectRect(ra, rb));
}

int GetBitplanes(GraphicsWindow window) {
  return window != nullptr && window->platform != nullptr ? window->platform->depth : 0;
}

int GetScaleFactor(GraphicsWindow window) { return window != nullptr ? SizeFactor(*window) : 1; }

// ---- Coordinate conversions ------------------------------------------------------------

void WindowToLocal(GraphicsWindow window, double x, double y, int& h, int& v) {
  if (window == nullptr) return;
  h = ToH(*window, x);
  v = ToV(*window, y);
}

void LocalToWindow(GraphicsWindow window, int h, int v, double& x, double& y) {
  if (window == nullptr) return;
  const WorldMapping& m = window->real;
  x = m.xFactor != 0 ? h / m.xFactor - m.xOffset : m.x1;
  y = m.yFactor != 0 ? v / m.yFactor - m.yOffset : m.y1;
}

void WindowToGlobal(GraphicsWindow window, double x, double y, int& h, int& v) {
  const Bracket drawing(window);
  if (!drawing.Began()) return;
  Point p;
  WindowToLocal(window, x, y, p.h, p.v);
  Port::LocalToGlobal(p);
  h = p.h;
  v = p.v;
}

void GlobalToWindow(GraphicsWindow window, int h, int v, double& x, double& y) {
  const Bracket drawing(window);
  if (!drawing.Began()) return;
  Point p{h, v};
  Port::GlobalToLocal(p);
  LocalToWindow(window, p.h, p.v, x, y);
}

// ---- The drawing bracket ------------------------------------------------------------------

bool SetPort(GraphicsWindow window, PortSave& save) {
  save = PortSave{};
  if (window == nullptr) return false;
  if (window->offscreen && !FastGraph::SetPort(window, save)) return false;
  // On paper: the open page, else nowhere.
  Port::GrafPort* port =
      !window->offscreen && window->outputDevice == kPrinter ? Printer::PrintingPort() : window->port;
  if (port == nullptr) return false;
  Port::SetPort(port);
  if (window->platform != nullptr && window->platform->activeWindow != window) DoActivateWindowParameters(window);
  return true;
}

void EndPort(GraphicsWindow window, PortSave& save) {
  if (window != nullptr && window->offscreen) FastGraph::EndPort(window, save);
}

void ActivateWindowParameters(GraphicsWindow window) {
  const Bracket drawing(window);
  if (drawing.Began()) DoActivateWindowParameters(window);
}

void DoActivateWindowParameters(GraphicsWindow window) {
  if (window == nullptr || window->platform == nullptr) return;
  window->platform->activeWindow = window;
  if (!window->offscreen) Port::SetClip(window->clipRegion);
  Port::PenMode(Port::kPatCopy);
  Port::TextFont(window->fontNumber);
  Port::TextSize(window->fontSize * SizeFactor(*window));
  Port::TextFace(window->textStyle);
  Port::TextMode(window->textMode);
  Port::PenPat(LinePattern[window->lineType % LinePattern.size()]);
  Port::PenSize(window->lineSize, window->lineSize);
  Port::RGBForeColor(window->foreground);
  Port::RGBBackColor(window->background);
  Port::BackPat(Pattern::kWhite);
}

// ---- Colours and fonts ---------------------------------------------------------------------

int GetFont(std::span<const char> name) { return Strings::Length(name) == 0 ? 0 : Fonts::GetFNum(name); }

void GetFontName(int number, std::span<char> name) { Fonts::GetFontName(number, name); }

void GetHiliteColor() { HiliteColor = Color::kHilite; }

bool ColorLessThanThreshold(const Color::RGB& rgb) {
  return static_cast<std::int32_t>(rgb.red) + rgb.green + rgb.blue < InvertThreshold;
}

// ---- Settings --------------------------------------------------------------------------------

void SetFont(GraphicsWindow window, int font, int size, int style) {
  if (window == nullptr || size < 1 || size > 32767) return;
  window->fontNumber = font;
  window->fontSize = size;
  window->textStyle = static_cast<std::uint8_t>(style);
  const Bracket drawing(window);
  if (!drawing.Began()) return;
  Port::TextFont(font);
  Port::TextSize(size * SizeFactor(*window));
  Port::TextFace(window->textStyle);
}

void SetLineType(GraphicsWindow window, int type) {
  if (window == nullptr || type < 0 || type >= static_cast<int>(LinePattern.size())) return;
  window->lineType = static_cast<std::uint8_t>(type);
  const Bracket drawing(window);
  if (drawing.Began()) Port::PenPat(LinePattern[type]);
}

void SetLineSize(GraphicsWindow window, int size) {
  if (window == nullptr) return;
  window->lineSize = size;
  const Bracket drawing(window);
  if (drawing.Began()) Port::PenSize(size, size);
}

void SetMarker(GraphicsWindow window, int kind) {
  if (window != nullptr && kind >= 0 && kind <= 5) window->markerKind = static_cast<std::uint8_t>(kind);
}

void SetMarkerSize(GraphicsWindow window, int size) {
  if (window != nullptr && size >= 0) window->markerSize = size;
}

void SetInvertedText(GraphicsWindow window, bool on) {
  if (window == nullptr) return;
  window->textMode = on ? kTextInverted : kTextNormal;
  const Bracket drawing(window);
  if (drawing.Began()) Port::TextMode(window->textMode);
}

void SetRGBForeColor(GraphicsWindow window, const Color::RGB& rgb) {
  if (window == nullptr) return;
  window->foreground = rgb;
  const Bracket drawing(window);
  if (drawing.Began()) Port::RGBForeColor(rgb);
}

void SetRGBBackColor(GraphicsWindow window, const Color::RGB& rgb) {
  if (window == nullptr) return;
  window->background = rgb;
  const Bracket drawing(window);
  if (drawing.Began()) Port::RGBBackColor(rgb);
}

void SetDefaultState(GraphicsWindow window) {
  if (window == nullptr) return;
  window->fontNumber = Fonts::kCourier;
  window->fontSize = 12;
  window->textStyle = 0;
  window->textMode = kTextNormal;
  window->lineSize = 1;
  window->lineType = 0;
  window->markerKind = 0;
  window->markerSize = 4;
  window->markerSpacing = 16;
  window->real = WorldMapping{0, 0, 1, 1};
  window->integer = WorldMapping{-32767, -32767, 32767, 32767};
  RecomputeBoth(*window);
  if (window->platform != nullptr) {
    window->foreground = window->platform->foreground;
    window->background = window->platform->background;
  }
  FreeSlotBuffers(*window);
  window->slots.fill(PolylineSlot{});
  ForgetIfActive(*window);
}

// ---- Drawing -----------------------------------------------------------------------------------

void Line(GraphicsWindow window, double x1, double y1, double x2, double y2) {
  const Bracket drawing(window);
  Point a;
  Point b;
  if (drawing.Began() && Map(*window, x1, y1, a) && Map(*window, x2, y2, b)) Stroke(a.h, a.v, b.h, b.v);
}

void DrawLine(GraphicsWindow window, int fromH, int fromV, int toH, int toV) {
  if (window != nullptr) Stroke(fromH, fromV, toH, toV);
}

void Marker(GraphicsWindow window, double x, double y) {
  const Bracket drawing(window);
  Point p;
  if (drawing.Began() && Map(*window, x, y, p)) DrawMarker(window, p.h, p.v);
}

void DrawMarker(GraphicsWindow window, int h, int v) {
  if (!InsideClippingRect(window, h, v)) return;
  const int s = window->markerSize * SizeFactor(*window);
  const int d = (3 * s) / 4;
  switch (window->markerKind) {
    case 0:
      Stroke(h, v, h, v);
      break;
    case 1:
      Stroke(h - s, v, h + s, v);
      Stroke(h, v - s, h, v + s);
      break;
    case 2:
      Stroke(h - s, v, h + s, v);
      Stroke(h + s - 2 * d, v - s, h + 2 * s - 2 * d, v + s);
      Stroke(h + s - 2 * d, v + s, h + 2 * s - 2 * d, v - s);
      break;
    case 3:
      Stroke(h - s, v, h, v - s);
      Lines::LineTo(h + s, v);
      Lines::LineTo(h, v + s);
      Lines::LineTo(h - s, v);
      break;
    case 4:
      Stroke(h - d, v - d, h + d, v + d);
      Stroke(h - d, v + d, h + d, v - d);
      break;
    default:
      Stroke(h - d, v - d, h + d, v - d);
      Lines::LineTo(h + d, v + d);
      Lines::LineTo(h - d, v + d);
      Lines::LineTo(h - d, v - d);
      break;
  }
}

void Rectangle(GraphicsWindow window, double x1, double y1, double x2, double y2) {
  const Bracket drawing(window);
  Rect r;
  if (drawing.Began() && MapRect(*window, x1, y1, x2, y2, r)) Shapes::FrameRect(r);
}

void FilledRectangle(GraphicsWindow window, double x1, double y1, double x2, double y2) {
  const Bracket drawing(window);
  Rect r;
  if (drawing.Began() && MapRect(*window, x1, y1, x2, y2, r)) Shapes::PaintRect(r);
}

void Text(GraphicsWindow window, double x, double y, std::span<const char> text) {
  const Bracket drawing(window);
  Point p;
  if (!drawing.Began() || !Map(*window, x, y, p)) return;
  Port::MoveTo(p.h, p.v);
  Text::DrawString(text);
}

double TextHeight(GraphicsWindow window) {
  const Bracket drawing(window);
  if (!drawing.Began()) return 0;
  return Text::GetFontInfo().ascent * PixelHeight(window->real);
}

double TextWidth(GraphicsWindow window, std::span<const char> text) {
  if (Strings::Length(text) == 0) return 0;
  const Bracket drawing(window);
  if (!drawing.Began()) return 0;
  return Text::StringWidth(text) * PixelWidth(window->real);
}

void ClearWindow(GraphicsWindow window) {
  if (window == nullptr) return;
  for (int slot = 0; slot < kPolylineSlots; ++slot) GraphPoly::Clear(window, slot);
  const Bracket drawing(window);
  if (drawing.Began()) Shapes::EraseRect(PixelRect(*window));
}

void FrameWindow(GraphicsWindow window, GraphicsWindow target, int dx, int dy) {
  if (window == nullptr || target == nullptr || window->platform != target->platform) return;
  const Bracket drawing(target);
  if (drawing.Began()) Shapes::FrameRect(Geometry::InsetRect(PixelRect(*window), -dx, -dy));
}

void Move(GraphicsWindow window, double x1, double y1, double x2, double y2, double x, double y) {
  Rect r;
  Point p;
  if (window == nullptr || !MapRect(*window, x1, y1, x2, y2, r) || !Contains(*window, r)) return;
  if (!Map(*window, x, y, p) || !InsideClippingRect(window, p.h, p.v)) return;
  const int newRight = p.h + Geometry::Width(r);
  const int newTop = p.v - Geometry::Height(r);
  if (newRight > window->right || newTop < window->top) return;
  const int dh = p.h - r.left;
  const int dv = newTop - r.top;
  if (dh == 0 && dv == 0) return;
  const Bracket drawing(window);
  if (!drawing.Began()) return;
  Region::Rgn uncovered;
  Blit::ScrollRect(r, dh, dv, uncovered);
}

void ForceUpdate(GraphicsWindow window) {
  if (window != nullptr && window->platform != nullptr && window->platform->window != nullptr &&
      window->outputDevice == kScreen) {
    Desktop::Flush();
  }
}

// ---- Output devices ------------------------------------------------------------------------------

void SetOutputDevice(GraphicsWindow window, int device, std::span<const char> fileName) {
  if (window == nullptr) return;
  CloseDevice(*window);
  switch (device) {
    case kClipboardPicture:
    case kPictureFile: {
      if (window->offscreen || DeviceOpen || !SetPort(window, PictPortInfo)) return;
      if (device == kPictureFile) {
        pictFile.emplace();
        if (Strings::Length(fileName) == 0 || !FileReplace::Begin(fileName, nullptr, *pictFile)) {
          pictFile.reset();
          EndPort(window, PictPortInfo);
          return;
        }
      }
      if (!OpenPicture(*window)) {
        pictFile.reset();
        EndPort(window, PictPortInfo);
        return;
      }
      window->outputDevice = static_cast<std::uint8_t>(device);
      break;
    }
    case kPrinter:
      window->outputDevice = kPrinter;
      ActivateWindowParameters(window);
      break;
    default:
      window->outputDevice = kScreen;
      break;
  }
  SetChildrenDevice(*window, window->outputDevice);
}

int GetOutputDevice(GraphicsWindow window) { return window != nullptr ? window->outputDevice : kScreen; }

}  // namespace Graphics
