#include "shell/ModWindow.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "foundation/Strings.h"
#include "platform/Controls.h"
#include "platform/Resources.h"
#include "platform/Screen.h"
#include "platform/Shapes.h"
#include "platform/Surface.h"
#include "shell/GraphBase.h"
#include "shell/MacEnv.h"
#include "shell/ScrollBars.h"
#include "shell/Shell.h"
#include "terminal/ANSITerm.h"

namespace ModWindow {

using Geometry::Rect;
using Graphics::GraphicsWindow;

namespace {

constexpr int kMinFontSize = 6;
constexpr int kMaxFontSize = 48;
// What stays of a window on the screen at least.
constexpr int kVisibleWidth = 20;
constexpr int kVisibleHeight = 10;

std::int16_t To16(int n) { return static_cast<std::int16_t>(std::clamp(n, -32768, 32767)); }

void Normalise(WindowParameters& p) {
  if (p.top > p.bottom) std::swap(p.top, p.bottom);
  if (p.left > p.right) std::swap(p.left, p.right);
}

Rect RectOf(const WindowParameters& p) { return Geometry::SetRect(p.left, p.top, p.right, p.bottom); }

void TakeRect(WindowParameters& p, const Rect& r) {
  p.top = To16(r.top);
  p.left = To16(r.left);
  p.bottom = To16(r.bottom);
  p.right = To16(r.right);
}

bool IsRoot(GraphicsWindow w) {
  return w != nullptr && w->parent == nullptr && w->platform != nullptr && w->platform->root == w &&
         w->platform->window != nullptr && std::memcmp(w->platform->tag, "WIND", 4) == 0;
}

void FreePlatformRecord(PlatformWindowRecord* record) {
  Buffer::NamedBuffer heap = record->heap;
  record->tag[0] = 0;
  record->~PlatformWindowRecord();
  void* block = record;
  Buffer::Deallocate(heap, static_cast<std::int32_t>(sizeof(PlatformWindowRecord)), block);
}

// The root's pixel rectangle, clip and world mappings span the window's
// whole content.
void FitRootToContent(GraphicsWindow root) {
  Rect port;
  GraphBase::GetPortRect(root->platform->window, port);
  root->left = 0;
  root->top = 0;
  root->right = Geometry::Width(port);
  root->bottom = Geometry::Height(port);
}

// The terminal whose window this is (its reference value tagged "ANSI"),
// else nil.
ANSITerm::TerminalRecord* TerminalOf(Windows::Window* window) {
  void* reference = Windows::GetRefCon(window);
  if (reference == nullptr || std::memcmp(reference, "ANSI", 4) != 0) return nullptr;
  return static_cast<ANSITerm::TerminalRecord*>(reference);
}

// A terminal's scroll bars and owner follow its window's new size.
void FitTerminal(ANSITerm::TerminalRecord* terminal) {
  ScrollBars::Resize(terminal);
  if (terminal->resizeProc != nullptr) terminal->resizeProc(terminal);
}

// Moves and sizes the window to the parameters' rectangle.
void Place(Windows::Window* window, WindowParameters& p) {
  Normalise(p);
  const Rect r = RectOf(p);
  if (Geometry::EmptyRect(r) || r == Windows::ContentRect(window)) return;
  const bool visible = Windows::IsVisible(window);
  if (visible) Windows::HideWindow(window);
  Windows::SizeWindow(window, Geometry::Width(r), Geometry::Height(r), true);
  Windows::MoveWindow(window, r.left, r.top, false);
  if (ANSITerm::TerminalRecord* terminal = TerminalOf(window)) FitTerminal(terminal);
  if (visible) Windows::ShowWindow(window);
}

void Parameters(GraphicsWindow window, WindowParameters& p, bool set) {
  if (!IsRoot(window)) return;
  Windows::Window* platformWindow = window->platform->window;
  Graphics::PortSave save;
  if (!Graphics::SetPort(window, save)) return;
  double x1, y1, x2, y2, ix1, iy1, ix2, iy2;
  Graphics::GetScaling(window, x1, y1, x2, y2);
  Graphics::GetScalingInt(window, ix1, iy1, ix2, iy2);
  if (set) {
    window->platform->zoomed = false;
    Port::TextFont(p.fontNumber);
    Port::TextSize(p.fontSize);
    Place(platformWindow, p);
  } else {
    const Port::GrafPort* port = Port::GetPort();
    p.fontNumber = To16(port->txFont);
    p.fontSize = To16(port->txSize);
  }
  window->fontNumber = p.fontNumber;
  window->fontSize = p.fontSize;
  TakeRect(p, Windows::ContentRect(platformWindow));
  FitRootToContent(window);
  Graphics::SetScaling(window, x1, y1, x2, y2);
  Graphics::SetScalingInt(window, ix1, iy1, ix2, iy2);
  const Rect pixels = Geometry::SetRect(window->left, window->top, window->right, window->bottom);
  Port::ClipRect(pixels);
  window->clipRegion.SetRect(pixels);
  Graphics::EndPort(window, save);
}

void Zoom(GraphicsWindow window, bool toStandard) {
  Graphics::PortSave save;
  if (!Graphics::SetPort(window, save)) return;
  Rect content{};
  DoZoom(window, content, toStandard, true);
  if (ANSITerm::TerminalRecord* terminal = TerminalOf(GetMacWindow(window))) {
    ANSITerm::SetSize(terminal);
    ANSITerm::EDc(terminal);
    FitTerminal(terminal);
  } else {
    Shapes::EraseRect(content);
  }
  Graphics::EndPort(window, save);
}

}  // namespace

GraphicsWindow Create(int resourceID, WindowParameters& parameters, int definition, std::span<const char> title,
                      bool front, bool closeBox, bool visible) {
  Buffer::NamedBuffer heap = GraphBase::WorkspaceHandle();
  void* block = nullptr;
  Buffer::Allocate(heap, static_cast<std::int32_t>(sizeof(PlatformWindowRecord)), block);
  if (block == nullptr) return nullptr;
  auto* record = new (block) PlatformWindowRecord;
  record->heap = heap;
  GraphicsWindow root = Strings::Length(title) > 0 ? Graphics::AllocateRecord(record) : nullptr;
  Windows::Window* window = nullptr;
  if (root != nullptr && resourceID < 1) {
    Normalise(parameters);
    window = Windows::NewWindow(RectOf(parameters), title, visible, definition, front, closeBox, nullptr);
  } else if (root != nullptr) {
    if (const Resources::WindowTemplate* resource = Resources::GetWindow(resourceID)) {
      window = Windows::NewWindow(resource->bounds, title, visible, resource->procID, front, closeBox, nullptr);
    }
  }
  if (window == nullptr) {
    Graphics::FreeRecord(root);
    FreePlatformRecord(record);
    return nullptr;
  }
  record->window = window;
  record->definition = definition;
  Port::GrafPort* port = Windows::GetWindowPort(window);
  Port::SetPort(port);
  record->foreground = Port::GetForeColor();
  record->background = Port::GetBackColor();
  Windows::SetRefCon(window, record);
  record->root = root;
  root->port = port;
  record->depth = GetColors(root);
  TakeRect(parameters, Windows::ContentRect(window));
  FitRootToContent(root);
  Graphics::SetDefaultState(root);
  root->fontNumber = parameters.fontNumber;
  root->fontSize = parameters.fontSize;
  Graphics::ResetWindow(root);
  return root;
}

void Remove(GraphicsWindow& window) {
  if (!IsRoot(window)) return;
  PlatformWindowRecord* record = window->platform;
  Windows::Window* platformWindow = record->window;
  Windows::HideWindow(platformWindow);
  Windows::SetRefCon(platformWindow, nullptr);
  Graphics::RemoveWindow(window);
  // The root goes while its port still exists, so that a picture being
  // recorded in it is still written.
  Graphics::FreeRecord(window);
  Controls::KillControls(platformWindow);
  Windows::DisposeWindow(platformWindow);
  FreePlatformRecord(record);
}

void GetWindowParameters(GraphicsWindow window, WindowParameters& parameters) { Parameters(window, parameters, false); }

void SetWindowParameters(GraphicsWindow window, WindowParameters& parameters) { Parameters(window, parameters, true); }

void ClipToMainScreen(WindowParameters& parameters) {
  WindowParameters& p = parameters;
  p.fontSize = To16(std::clamp<int>(p.fontSize, kMinFontSize, kMaxFontSize));
  const Rect bounds = Screen::Bounds();
  const int screenLeft = bounds.left + 1;
  const int screenRight = bounds.right - 1;
  const int screenBottom = bounds.bottom - 1;
  const int menuBar = Screen::MenuBarHeight();
  if (p.left < screenLeft) p.left = To16(screenLeft);
  if (p.right > screenRight) p.right = To16(screenRight);
  if (p.bottom > screenBottom) p.bottom = To16(screenBottom);
  if (p.top < bounds.top + menuBar) p.top = To16(bounds.top + menuBar + 3);
  if (p.left > screenRight - kVisibleWidth) p.left = To16(screenRight - kVisibleWidth);
  if (p.right < p.left + kVisibleWidth) p.right = To16(p.left + kVisibleWidth);
  if (p.top > screenBottom - kVisibleHeight) p.top = To16(screenBottom - kVisibleHeight);
  if (p.bottom < p.top + kVisibleHeight) p.bottom = To16(p.top + kVisibleHeight);
}

void ClipToActiveScreen(WindowParameters& parameters) { ClipToMainScreen(parameters); }

void DoZoom(GraphicsWindow window, Rect& rectangle, bool toStandard, bool front) {
  if (GetMacWindow(window) == nullptr) return;
  PlatformWindowRecord* record = window->platform;
  if (!record->zoomable || toStandard == record->zoomed) return;
  Windows::ZoomWindow(record->window, toStandard ? Windows::kInZoomOut : Windows::kInZoomIn, front);
  GraphBase::GetPortRect(record->window, rectangle);
  Windows::InvalRect(record->window, rectangle);
  record->zoomed = toStandard;
}

void ZoomOut(GraphicsWindow window) { Zoom(window, true); }
void ZoomIn(GraphicsWindow window) { Zoom(window, false); }

void SetTitle(GraphicsWindow window, std::span<const char> title) {
  if (Strings::Length(title) > 0) Windows::SetTitle(GetMacWindow(window), title);
}

void BringToFront(GraphicsWindow window) {
  Windows::Window* w = GetMacWindow(window);
  Windows::ShowWindow(w);
  Windows::SelectWindow(w);
}

void Show(GraphicsWindow window) { Windows::ShowWindow(GetMacWindow(window)); }
void Hide(GraphicsWindow window) { Windows::HideWindow(GetMacWindow(window)); }

bool IsInFront(GraphicsWindow window) {
  Windows::Window* w = GetMacWindow(window);
  return w != nullptr && !MacEnv::gInBackground && Windows::FrontWindow() == w;
}

Windows::Window* GetMacWindow(GraphicsWindow window) {
  return window != nullptr && window->platform != nullptr ? window->platform->window : nullptr;
}

int GetColors(GraphicsWindow window) { return GetMacWindow(window) != nullptr ? Surface::kPixelDepth : 0; }

void Clear(GraphicsWindow window) { Graphics::ClearWindow(window); }

void Validate(GraphicsWindow window) {
  Windows::Window* w = GetMacWindow(window);
  Rect content;
  GraphBase::GetPortRect(w, content);
  Windows::ValidRect(w, content);
}

int MenuBarHeight() { return Screen::MenuBarHeight(); }

GraphicsWindow MainRootWindow() { return Shell::RootWindow; }

void AllToFront() {}

void SetFrameWindowRect(const Rect&) {}
void GetFrameWindowRect(Rect&) {}

}  // namespace ModWindow
