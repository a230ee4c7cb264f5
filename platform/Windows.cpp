#include "platform/Windows.h"

#include "platform/Picture.h"
#include "platform/Png.h"
#include "platform/Screen.h"
#include "platform/Shapes.h"
#include "platform/Surface.h"

#include <algorithm>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace Windows {

using Geometry::Rect;

struct Window {
  Surface::Pixels pixels;
  Port::GrafPort port;
  Rect content;
  std::string title;
  int procID = WindowFrame::kDocumentProc;
  bool goAwayFlag = false;
  bool visible = false;
  bool hilited = false;
  void* refCon = nullptr;
  int kind = kUserKind;
  Region::Rgn update;
  bool hasStandardState = false;
  Rect standardState;
  Rect userState;
  WindowFrame::Part pressed = WindowFrame::Part::kNone;
};

namespace {

constexpr std::size_t kMaxTitle = 255;

std::vector<Window*> order;  // front to back
Window* active = nullptr;
std::deque<std::pair<Window*, bool>> activations;
std::uint64_t changes = 0;

void Changed() { ++changes; }

Rect LocalBounds(const Window* w) { return Geometry::SetRect(0, 0, w->pixels.Width(), w->pixels.Height()); }

void SetTitleText(Window* w, std::span<const char> title) {
  const auto end = std::find(title.begin(), title.end(), '\0');
  w->title.assign(title.begin(), end);
  if (w->title.size() > kMaxTitle) w->title.resize(kMaxTitle);
}

// Keeps the frontmost visible window the active one.
void Reactivate() {
  Window* front = FrontWindow();
  if (front == active) return;
  if (active != nullptr) {
    active->hilited = false;
    activations.emplace_back(active, false);
  }
  if (front != nullptr) {
    front->hilited = true;
    activations.emplace_back(front, true);
  }
  active = front;
  Changed();
}

void Place(Window* w, const Rect& content) {
  w->content = content;
  w->port.globalOrigin = Geometry::Point{content.left, content.top};
  Changed();
}

void Resize(Window* w, int width, int height, bool update) {
  const Rect old = LocalBounds(w);
  w->pixels.Resize(width, height, Surface::kRgbMask);
  const Rect now = LocalBounds(w);
  w->port.portRect = now;
  w->port.visRgn.SetRect(now);
  w->content.right = w->content.left + now.right;
  w->content.bottom = w->content.top + now.bottom;
  w->update.Intersect(now);
  if (update) {
    Region::Rgn uncovered(now);
    uncovered.Subtract(old);
    w->update.Union(uncovered);
  }
  Port::MarkChanged();
  Changed();
}

void MoveToFront(Window* w) {
  const auto it = std::find(order.begin(), order.end(), w);
  if (it == order.end()) return;
  order.erase(it);
  order.insert(order.begin(), w);
  Changed();
}

Rect DefaultStandardState(const Window* w) {
  const Rect a = Screen::AvailableBounds();
  const int top = WindowFrame::HasTitleBar(w->procID) ? WindowFrame::kTitleBarHeight + 2 : 5;
  return Geometry::SetRect(a.left + 3, a.top + top, a.right - 4, a.bottom - 4);
}

}  // namespace

void InitModule() { Shutdown(); }

void Shutdown() {
  while (!order.empty()) DisposeWindow(order.front());
  activations.clear();
  active = nullptr;
}

Window* NewWindow(const Rect& bounds, std::span<const char> title, bool visible, int procID, bool inFront,
                  bool goAwayFlag, void* refCon) {
  auto* w = new Window;
  const int width = std::max(0, Geometry::Width(bounds));
  const int height = std::max(0, Geometry::Height(bounds));
  w->pixels = Surface::Pixels(width, height, Surface::kRgbMask);
  Port::InitPort(w->port, &w->pixels, LocalBounds(w));
  w->port.window = w;
  Place(w, Geometry::SetRect(bounds.left, bounds.top, bounds.left + w->pixels.Width(),
                             bounds.top + w->pixels.Height()));
  SetTitleText(w, title);
  w->procID = procID;
  w->goAwayFlag = goAwayFlag;
  w->visible = visible;
  w->refCon = refCon;
  w->update.SetRect(LocalBounds(w));
  w->userState = w->content;
  if (inFront) {
    order.insert(order.begin(), w);
  } else {
    order.push_back(w);
  }
  Reactivate();
  return w;
}

void DisposeWindow(Window* w) {
  if (w == nullptr) return;
  const auto it = std::find(order.begin(), order.end(), w);
  if (it == order.end()) return;
  order.erase(it);
  if (Port::GetPort() == &w->port) Port::SetPort(nullptr);
  Picture::Discard(w->port);
  std::erase_if(activations, [w](const std::pair<Window*, bool>& a) { return a.first == w; });
  if (active == w) active = nullptr;
  delete w;
  Changed();
  Reactivate();
}

void ShowWindow(Window* w) {
  if (w == nullptr || w->visible) return;
  w->visible = true;
  Changed();
  Reactivate();
}

void HideWindow(Window* w) {
  if (w == nullptr || !w->visible) return;
  w->visible = false;
  Changed();
  Reactivate();
}

bool IsVisible(const Window* w) { return w != nullptr && w->visible; }
bool IsHilited(const Window* w) { return w != nullptr && w->hilited; }

void SelectWindow(Window* w) {
  if (w == nullptr) return;
  MoveToFront(w);
  Reactivate();
}

void SendBehind(Window* w, Window* behind) {
  if (w == nullptr || w == behind) return;
  const auto it = std::find(order.begin(), order.end(), w);
  if (it == order.end()) return;
  order.erase(it);
  const auto at = std::find(order.begin(), order.end(), behind);
  order.insert(at == order.end() ? order.end() : at + 1, w);
  Changed();
  Reactivate();
}

Window* FrontWindow() {
  for (Window* w : order) {
    if (w->visible) return w;
  }
  return nullptr;
}

Window* FirstWindow() { return order.empty() ? nullptr : order.front(); }

Window* NextWindow(const Window* w) {
  const auto it = std::find(order.begin(), order.end(), w);
  if (it == order.end() || it + 1 == order.end()) return nullptr;
  return *(it + 1);
}

int FindWindow(Geometry::Point p, Window** w) {
  if (w != nullptr) *w = nullptr;
  if (Geometry::PtInRect(p, Screen::MenuBar())) return kInMenuBar;
  for (Window* candidate : order) {
    if (!candidate->visible) continue;
    const WindowFrame::Part part = WindowFrame::Hit(FrameOf(candidate), p);
    if (part == WindowFrame::Part::kNone) continue;
    if (w != nullptr) *w = candidate;
    switch (part) {
      case WindowFrame::Part::kDrag:
        return kInDrag;
      case WindowFrame::Part::kGrow:
        return kInGrow;
      case WindowFrame::Part::kClose:
        return kInGoAway;
      case WindowFrame::Part::kZoom:
        return candidate->content == GetStandardState(candidate) ? kInZoomIn : kInZoomOut;
      default:
        return kInContent;
    }
  }
  return kInDesk;
}

Port::GrafPort* GetWindowPort(Window* w) { return w == nullptr ? nullptr : &w->port; }

Window* GetWindowFromPort(const Port::GrafPort* port) {
  if (port == nullptr || port->window == nullptr) return nullptr;
  auto* w = static_cast<Window*>(port->window);
  return std::find(order.begin(), order.end(), w) == order.end() ? nullptr : w;
}

Rect ContentRect(const Window* w) { return w == nullptr ? Rect{} : w->content; }
Rect StructureRect(const Window* w) { return w == nullptr ? Rect{} : WindowFrame::Structure(FrameOf(w)); }

void MoveWindow(Window* w, int h, int v, bool front) {
  if (w == nullptr) return;
  Place(w, Geometry::OffsetRect(w->content, h - w->content.left, v - w->content.top));
  if (front) SelectWindow(w);
}

void SizeWindow(Window* w, int width, int height, bool update) {
  if (w == nullptr) return;
  Resize(w, std::max(0, width), std::max(0, height), update);
}

void ZoomWindow(Window* w, int part, bool front) {
  if (w == nullptr || (part != kInZoomIn && part != kInZoomOut)) return;
  if (part == kInZoomOut) w->userState = w->content;
  const Rect target = part == kInZoomOut ? GetStandardState(w) : w->userState;
  Place(w, Geometry::OffsetRect(w->content, target.left - w->content.left, target.top - w->content.top));
  Resize(w, std::max(0, Geometry::Width(target)), std::max(0, Geometry::Height(target)), false);
  w->update.SetRect(LocalBounds(w));
  if (front) SelectWindow(w);
}

void SetStandardState(Window* w, const Rect& r) {
  if (w == nullptr) return;
  w->standardState = r;
  w->hasStandardState = true;
}

Rect GetStandardState(const Window* w) {
  if (w == nullptr) return Rect{};
  return w->hasStandardState ? w->standardState : DefaultStandardState(w);
}

void SetUserState(Window* w, const Rect& r) {
  if (w != nullptr) w->userState = r;
}

Rect GetUserState(const Window* w) { return w == nullptr ? Rect{} : w->userState; }

void SetTitle(Window* w, std::span<const char> title) {
  if (w == nullptr) return;
  SetTitleText(w, title);
  Changed();
}

void GetTitle(const Window* w, std::span<char> title) {
  if (title.empty()) return;
  std::size_t n = 0;
  if (w != nullptr) {
    for (; n < w->title.size() && n + 1 < title.size(); ++n) title[n] = w->title[n];
  }
  title[n] = '\0';
}

void SetRefCon(Window* w, void* refCon) {
  if (w != nullptr) w->refCon = refCon;
}

void* GetRefCon(const Window* w) { return w == nullptr ? nullptr : w->refCon; }

void SetKind(Window* w, int kind) {
  if (w != nullptr) w->kind = kind;
}

int GetKind(const Window* w) { return w == nullptr ? 0 : w->kind; }
int GetProcID(const Window* w) { return w == nullptr ? 0 : w->procID; }

void InvalRect(Window* w, const Rect& r) {
  if (w != nullptr) w->update.Union(Geometry::SectRect(r, LocalBounds(w)));
}

void InvalRgn(Window* w, const Region::Rgn& rgn) {
  if (w == nullptr) return;
  Region::Rgn add = rgn;
  add.Intersect(LocalBounds(w));
  w->update.Union(add);
}

void ValidRect(Window* w, const Rect& r) {
  if (w != nullptr) w->update.Subtract(r);
}

void ValidRgn(Window* w, const Region::Rgn& rgn) {
  if (w != nullptr) w->update.Subtract(rgn);
}

Region::Rgn GetUpdateRgn(const Window* w) { return w == nullptr ? Region::Rgn() : w->update; }

void BeginUpdate(Window* w) {
  if (w == nullptr) return;
  w->port.visRgn = w->update;
  w->update.SetEmpty();
}

void EndUpdate(Window* w) {
  if (w != nullptr) w->port.visRgn.SetRect(LocalBounds(w));
}

void DrawGrowIcon(Window* w) {
  if (w == nullptr || !WindowFrame::HasGrowBox(w->procID)) return;
  Port::GrafPort* saved = Port::GetPort();
  Port::SetPort(&w->port);
  const Port::GrafPort state = w->port;
  Port::PenNormal();
  Port::RGBForeColor(Color::kBlack);
  Port::RGBBackColor(Color::kWhite);
  Port::BackPat(Pattern::kWhite);
  Port::ClipRect(Port::kWideOpen);
  const Rect r = LocalBounds(w);
  const int x = r.right - WindowFrame::kGrowBoxSize;
  const int y = r.bottom - WindowFrame::kGrowBoxSize;
  Shapes::PaintRect(Geometry::SetRect(x, r.top, x + 1, r.bottom));
  Shapes::PaintRect(Geometry::SetRect(r.left, y, r.right, y + 1));
  const Rect box = Geometry::SetRect(x + 1, y + 1, r.right, r.bottom);
  Shapes::EraseRect(box);
  if (w->hilited) {
    Shapes::FrameRect(Geometry::SetRect(box.left + 4, box.top + 4, box.left + 12, box.top + 12));
    Shapes::EraseRect(Geometry::SetRect(box.left + 2, box.top + 2, box.left + 8, box.top + 8));
    Shapes::FrameRect(Geometry::SetRect(box.left + 2, box.top + 2, box.left + 8, box.top + 8));
  }
  w->port.pnSize = state.pnSize;
  w->port.pnMode = state.pnMode;
  w->port.pnPat = state.pnPat;
  w->port.fgColor = state.fgColor;
  w->port.bkColor = state.bkColor;
  w->port.bkPat = state.bkPat;
  w->port.clipRgn = state.clipRgn;
  Port::SetPort(saved);
}

bool SavePNG(const Window* w, std::span<const char> path) {
  return w != nullptr && Png::Save(w->pixels, path);
}

bool TakeActivation(Window** w, bool* isActive, bool remove) {
  if (activations.empty()) return false;
  *w = activations.front().first;
  *isActive = activations.front().second;
  if (remove) activations.pop_front();
  return true;
}

Window* PendingUpdate() {
  for (Window* w : order) {
    if (w->visible && !w->update.Empty()) return w;
  }
  return nullptr;
}

WindowFrame::Frame FrameOf(const Window* w) {
  WindowFrame::Frame f;
  f.procID = w->procID;
  f.goAwayFlag = w->goAwayFlag;
  f.hilited = w->hilited;
  f.content = w->content;
  f.title = std::span<const char>(w->title.data(), w->title.size());
  f.pressed = w->pressed;
  return f;
}

const Surface::Pixels& PixelsOf(const Window* w) { return w->pixels; }

void SetPressedPart(Window* w, WindowFrame::Part part) {
  if (w == nullptr || w->pressed == part) return;
  w->pressed = part;
  Changed();
}

std::uint64_t ChangeCount() { return changes; }

}  // namespace Windows
