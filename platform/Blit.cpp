#include "platform/Blit.h"

#include "platform/Render.h"
#include "platform/Surface.h"

#include <cstring>
#include <vector>

namespace Blit {

using Geometry::Rect;
using Surface::Pixel;

namespace {

Pixel Combine(Pixel s, Pixel d, int mode) {
  constexpr Pixel m = Surface::kRgbMask;
  switch (mode) {
    case Port::kSrcOr:
      return s & d;
    case Port::kSrcXor:
      return ~(s ^ d) & m;
    case Port::kSrcBic:
      return (d | ~s) & m;
    case Port::kNotSrcCopy:
      return ~s & m;
    case Port::kNotSrcOr:
      return d & ~s & m;
    case Port::kNotSrcXor:
      return (s ^ d) & m;
    case Port::kNotSrcBic:
      return (d | s) & m;
    default:
      return s;
  }
}

// The rectangle of a port's pixels, in its local coordinates.
Rect PixelBounds(const Port::GrafPort& port) {
  return Geometry::SetRect(-port.origin.h, -port.origin.v, port.pixels->Width() - port.origin.h,
                           port.pixels->Height() - port.origin.v);
}

}  // namespace

bool CopyBits(const Port::GrafPort& src, Port::GrafPort& dst, const Rect& srcRect, const Rect& dstRect,
              int mode, const Region::Rgn* mask) {
  if (src.pixels == nullptr || dst.pixels == nullptr) return false;
  if (Geometry::Width(srcRect) != Geometry::Width(dstRect) ||
      Geometry::Height(srcRect) != Geometry::Height(dstRect)) {
    return false;
  }
  const int dh = dstRect.left - srcRect.left;
  const int dv = dstRect.top - srcRect.top;
  // The destination pixels that change, in destination coordinates.
  Region::Rgn area(Geometry::SectRect(dstRect, Geometry::OffsetRect(PixelBounds(src), dh, dv)));
  area.Intersect(dst.visRgn);
  area.Intersect(dst.clipRgn);
  area.Intersect(PixelBounds(dst));
  if (mask != nullptr) area.Intersect(*mask);
  if (area.Empty()) return true;
  // The source pixels are taken first, so that overlapping copies within one
  // surface read what was there before.
  const Rect from = Geometry::OffsetRect(area.Bounds(), -dh, -dv);
  const int w = Geometry::Width(from);
  std::vector<Pixel> copy(static_cast<std::size_t>(w) * Geometry::Height(from));
  for (int y = from.top; y < from.bottom; ++y) {
    const Pixel* row = src.pixels->Row(y + src.origin.v) + src.origin.h;
    std::copy(row + from.left, row + from.right, copy.begin() + static_cast<std::ptrdiff_t>(y - from.top) * w);
  }
  for (const Rect& r : area.Rects()) {
    for (int y = r.top; y < r.bottom; ++y) {
      Pixel* row = dst.pixels->Row(y + dst.origin.v) + dst.origin.h;
      const Pixel* in = copy.data() + static_cast<std::ptrdiff_t>(y - dv - from.top) * w - from.left - dh;
      for (int x = r.left; x < r.right; ++x) row[x] = Combine(in[x], row[x], mode);
    }
  }
  Port::MarkChanged();
  return true;
}

namespace {

Pixel* LocalRow(Port::GrafPort& port, int y) { return port.pixels->Row(y + port.origin.v) + port.origin.h; }

// A scroll of one rectangle, the usual case, moves its rows in place: in
// the order that reads each source row before it is written over.
void MoveInPlace(Port::GrafPort& port, const Rect& m, int dh, int dv) {
  const auto width = static_cast<std::size_t>(Geometry::Width(m));
  const auto move = [&](int y) {
    std::memmove(LocalRow(port, y) + m.left, LocalRow(port, y - dv) + m.left - dh, width * sizeof(Pixel));
  };
  if (dv > 0) {
    for (int y = m.bottom - 1; y >= m.top; --y) move(y);
  } else {
    for (int y = m.top; y < m.bottom; ++y) move(y);
  }
}

// Each pixel that stays inside takes the one dh, dv back from it; those
// sources all lie in the area, so one copy of the area's bounds serves.
void MoveThroughCopy(Port::GrafPort& port, const Rect& bounds, const Region::Rgn& moved, int dh, int dv) {
  const int w = Geometry::Width(bounds);
  std::vector<Pixel> before(static_cast<std::size_t>(w) * Geometry::Height(bounds));
  for (int y = bounds.top; y < bounds.bottom; ++y) {
    const Pixel* row = LocalRow(port, y);
    std::copy(row + bounds.left, row + bounds.right, before.begin() + static_cast<std::ptrdiff_t>(y - bounds.top) * w);
  }
  for (const Rect& m : moved.Rects()) {
    for (int y = m.top; y < m.bottom; ++y) {
      Pixel* row = LocalRow(port, y);
      const Pixel* in = before.data() + static_cast<std::ptrdiff_t>(y - dv - bounds.top) * w - bounds.left - dh;
      for (int x = m.left; x < m.right; ++x) row[x] = in[x];
    }
  }
}

}  // namespace

void ScrollRect(const Rect& r, int dh, int dv, Region::Rgn& updateRgn) {
  updateRgn.SetEmpty();
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr || port->pixels == nullptr || (dh == 0 && dv == 0)) return;
  Region::Rgn area(r);
  area.Intersect(port->visRgn);
  area.Intersect(port->clipRgn);
  area.Intersect(PixelBounds(*port));
  if (area.Empty()) return;
  Region::Rgn moved = area;
  moved.Offset(dh, dv);
  moved.Intersect(area);
  if (area.Rects().size() == 1) {
    MoveInPlace(*port, moved.Bounds(), dh, dv);
  } else {
    MoveThroughCopy(*port, area.Bounds(), moved, dh, dv);
  }
  updateRgn = area;
  updateRgn.Subtract(moved);
  Render::Spans uncovered;
  for (const Rect& u : updateRgn.Rects()) {
    const Render::Spans s = Render::RectSpans(u);
    uncovered.insert(uncovered.end(), s.begin(), s.end());
  }
  Render::Patterned(*port, uncovered, Port::kPatCopy, port->bkPat);
  Port::MarkChanged();
}

}  // namespace Blit
