#include "platform/WindowTrack.h"

#include "platform/Desktop.h"
#include "platform/EventQueue.h"
#include "platform/Events.h"
#include "platform/Input.h"
#include "platform/Shapes.h"

#include <algorithm>

namespace WindowTrack {

using Geometry::Point;
using Geometry::Rect;

namespace {

Rect outline;

void DrawOutline(Port::GrafPort& screen) {
  Port::GrafPort* saved = Port::GetPort();
  Port::SetPort(&screen);
  Port::PenNormal();
  Port::PenPat(Pattern::kGray);
  Port::PenMode(Port::kPatXor);
  Shapes::FrameRect(outline);
  Port::PenNormal();
  Port::SetPort(saved);
}

void ShowOutline(const Rect& r) {
  if (r == outline) return;
  outline = r;
  Desktop::Invalidate();
}

// Follows the pointer until release; `follow` sees each new pointer position.
template <typename Follow>
Point Track(Follow follow) {
  Point where;
  while (!Events::TrackRelease(where)) {
    follow(Input::Pointer());
    Events::Idle(Events::kTrackInterval);
  }
  return where;
}

bool TrackPart(Windows::Window* w, WindowFrame::Part part, const Rect& box) {
  const auto press = [&](Point p) {
    Windows::SetPressedPart(w, Geometry::PtInRect(p, box) ? part : WindowFrame::Part::kNone);
  };
  press(Input::Pointer());
  const Point where = Track(press);
  Windows::SetPressedPart(w, WindowFrame::Part::kNone);
  return Geometry::PtInRect(where, box);
}

}  // namespace

void DragWindow(Windows::Window* w, Point start, const Rect& bounds) {
  if (w == nullptr) return;
  if ((Input::Modifiers() & EventQueue::kCmdKey) == 0) Windows::SelectWindow(w);
  const Rect structure = Windows::StructureRect(w);
  outline = structure;
  Desktop::SetOverlay(Desktop::kTrackOverlay, DrawOutline);
  const Point where = Track([&](Point p) { ShowOutline(Geometry::OffsetRect(structure, p.h - start.h, p.v - start.v)); });
  Desktop::SetOverlay(Desktop::kTrackOverlay, nullptr);
  const int dh = where.h - start.h;
  const int dv = where.v - start.v;
  if (!Geometry::PtInRect(where, bounds) || (dh == 0 && dv == 0)) return;
  const Rect content = Windows::ContentRect(w);
  Windows::MoveWindow(w, content.left + dh, content.top + dv, false);
}

std::int32_t GrowWindow(Windows::Window* w, Point start, const Rect& sizeRect) {
  if (w == nullptr) return 0;
  const Rect content = Windows::ContentRect(w);
  const Rect structure = Windows::StructureRect(w);
  const auto size = [&](Point p) {
    const int width = std::clamp(Geometry::Width(content) + p.h - start.h, sizeRect.left, std::max(sizeRect.left, sizeRect.right));
    const int height = std::clamp(Geometry::Height(content) + p.v - start.v, sizeRect.top, std::max(sizeRect.top, sizeRect.bottom));
    return Point{width, height};
  };
  const auto outlineFor = [&](Point p) {
    const Point s = size(p);
    return Geometry::SetRect(structure.left, structure.top, structure.right + s.h - Geometry::Width(content),
                             structure.bottom + s.v - Geometry::Height(content));
  };
  outline = outlineFor(start);
  Desktop::SetOverlay(Desktop::kTrackOverlay, DrawOutline);
  const Point where = Track([&](Point p) { ShowOutline(outlineFor(p)); });
  Desktop::SetOverlay(Desktop::kTrackOverlay, nullptr);
  const Point s = size(where);
  if (s.h == Geometry::Width(content) && s.v == Geometry::Height(content)) return 0;
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(s.v) << 16) | static_cast<std::uint32_t>(s.h));
}

bool TrackGoAway(Windows::Window* w, Point start) {
  if (w == nullptr) return false;
  return TrackPart(w, WindowFrame::Part::kClose, WindowFrame::CloseBox(Windows::ContentRect(w)));
}

bool TrackBox(Windows::Window* w, Point start, int part) {
  if (w == nullptr || (part != Windows::kInZoomIn && part != Windows::kInZoomOut)) return false;
  return TrackPart(w, WindowFrame::Part::kZoom, WindowFrame::ZoomBox(Windows::ContentRect(w)));
}

}  // namespace WindowTrack
