#include "platform/Render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Render {

using Geometry::Point;
using Geometry::Rect;
using Surface::Pixel;

Pixel Transfer(Pixel d, bool s, int mode, Pixel fg, Pixel bg) {
  const Pixel inverted = ~d & Surface::kRgbMask;
  if (mode < 0 || mode > 15) mode = Port::kSrcCopy;
  switch (mode & 7) {
    case Port::kSrcOr:
      return s ? fg : d;
    case Port::kSrcXor:
      return s ? inverted : d;
    case Port::kSrcBic:
      return s ? bg : d;
    case Port::kNotSrcCopy:
      return s ? bg : fg;
    case Port::kNotSrcOr:
      return s ? d : fg;
    case Port::kNotSrcXor:
      return s ? d : inverted;
    case Port::kNotSrcBic:
      return s ? d : bg;
    default:
      return s ? fg : bg;
  }
}

std::vector<Rect> DrawableRects(const Port::GrafPort& port) {
  std::vector<Rect> rects;
  if (port.pixels == nullptr) return rects;
  Region::Rgn area = port.visRgn;
  area.Intersect(port.clipRgn);
  area.Intersect(Geometry::SetRect(-port.origin.h, -port.origin.v,
                                   port.pixels->Width() - port.origin.h,
                                   port.pixels->Height() - port.origin.v));
  rects.assign(area.Rects().begin(), area.Rects().end());
  return rects;
}

void Patterned(Port::GrafPort& port, const Spans& spans, int mode, const Pattern::Pat& pat) {
  const std::vector<Rect> clip = DrawableRects(port);
  if (clip.empty() || spans.empty()) return;
  const Pixel fg = Color::ToPixel(port.fgColor);
  const Pixel bg = Color::ToPixel(port.bkColor);
  for (const Span& s : spans) {
    for (const Rect& c : clip) {
      if (s.y < c.top || s.y >= c.bottom) continue;
      const int x0 = std::max(s.x0, c.left);
      const int x1 = std::min(s.x1, c.right);
      if (x0 >= x1) continue;
      Pixel* row = port.pixels->Row(s.y + port.origin.v) + port.origin.h;
      for (int x = x0; x < x1; ++x) row[x] = Transfer(row[x], Pattern::Bit(pat, x, s.y), mode, fg, bg);
    }
  }
  Port::MarkChanged();
}

void Masked(Port::GrafPort& port, const Rect& box, const Bitmap& image, int mode) {
  const std::vector<Rect> clip = DrawableRects(port);
  const Rect imageRect = Geometry::SetRect(image.at.h, image.at.v, image.at.h + image.width,
                                           image.at.v + image.height);
  const Rect area = Geometry::UnionRect(box, imageRect);
  if (clip.empty() || Geometry::EmptyRect(area)) return;
  const Pixel fg = Color::ToPixel(port.fgColor);
  const Pixel bg = Color::ToPixel(port.bkColor);
  for (const Rect& c : clip) {
    const Rect r = Geometry::SectRect(area, c);
    for (int y = r.top; y < r.bottom; ++y) {
      Pixel* row = port.pixels->Row(y + port.origin.v) + port.origin.h;
      for (int x = r.left; x < r.right; ++x) {
        const bool inImage = Geometry::PtInRect(Point{x, y}, imageRect);
        const bool s = inImage && image.bits[static_cast<std::size_t>(y - image.at.v) * image.width +
                                             (x - image.at.h)] != 0;
        if (Geometry::PtInRect(Point{x, y}, box)) {
          row[x] = Transfer(row[x], s, mode, fg, bg);
        } else if (s) {
          row[x] = Transfer(row[x], true, mode, fg, bg);
        }
      }
    }
  }
  Port::MarkChanged();
}

Spans RectSpans(const Rect& r) { return RoundRectSpans(r, 0, 0); }

Spans RoundRectSpans(const Rect& r, int ovalWidth, int ovalHeight) {
  Spans spans;
  if (Geometry::EmptyRect(r)) return spans;
  const int w = Geometry::Width(r);
  const int h = Geometry::Height(r);
  const int ow = std::clamp(ovalWidth, 0, w);
  const int oh = std::clamp(ovalHeight, 0, h);
  const bool round = ow > 0 && oh > 0;
  const double rx = ow / 2.0;
  const double ry = oh / 2.0;
  spans.reserve(static_cast<std::size_t>(h));
  for (int i = 0; i < h; ++i) {
    int inset = 0;
    int j = -1;  // row of the corner oval, -1 between the corners
    if (round && i < oh / 2) j = i;
    if (round && i >= h - oh / 2) j = oh - (h - i);
    if (j >= 0) {
      const double dy = (j + 0.5 - ry) / ry;
      const double halfWidth = rx * std::sqrt(std::max(0.0, 1.0 - dy * dy));
      inset = static_cast<int>(std::floor(rx - halfWidth + 0.5));
    }
    if (r.left + inset < r.right - inset) spans.push_back(Span{r.top + i, r.left + inset, r.right - inset});
  }
  return spans;
}

Spans FrameSpans(const Rect& r, int ovalWidth, int ovalHeight, Point pen) {
  const Spans outer = RoundRectSpans(r, ovalWidth, ovalHeight);
  if (pen.h <= 0 || pen.v <= 0) return Spans{};
  const Rect inner = Geometry::InsetRect(r, pen.h, pen.v);
  if (Geometry::EmptyRect(inner)) return outer;
  const bool round = ovalWidth > 0 && ovalHeight > 0;
  return Subtract(outer, RoundRectSpans(inner, round ? std::max(ovalWidth - 2 * pen.h, 0) : 0,
                                        round ? std::max(ovalHeight - 2 * pen.v, 0) : 0));
}

Spans PolySpans(std::span<const Point> points) {
  Spans spans;
  if (points.size() < 3) return spans;
  int top = points[0].v;
  int bottom = points[0].v;
  for (const Point& p : points) {
    top = std::min(top, p.v);
    bottom = std::max(bottom, p.v);
  }
  std::vector<double> xs;
  for (int y = top; y < bottom; ++y) {
    const double yc = y + 0.5;
    xs.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Point a = points[i];
      const Point b = points[(i + 1) % points.size()];
      if (a.v == b.v) continue;
      if (yc < std::min(a.v, b.v) || yc >= std::max(a.v, b.v)) continue;
      xs.push_back(a.h + (yc - a.v) * (b.h - a.h) / static_cast<double>(b.v - a.v));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      const int x0 = static_cast<int>(std::ceil(xs[i] - 0.5));
      const int x1 = static_cast<int>(std::ceil(xs[i + 1] - 0.5));
      if (x0 < x1) spans.push_back(Span{y, x0, x1});
    }
  }
  return spans;
}

namespace {

// Lines reaching far outside every surface are cut to this box first, so
// that the walk along them stays short and free of overflow.
constexpr int kLineLimit = 1 << 16;

// Cuts the line to the box |h|, |v| <= kLineLimit (Liang-Barsky); false when
// it misses the box.
bool CutLine(Point& a, Point& b) {
  const double lim = kLineLimit;
  double t0 = 0.0;
  double t1 = 1.0;
  const double dx = static_cast<double>(b.h) - a.h;
  const double dy = static_cast<double>(b.v) - a.v;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.h + lim, lim - a.h, a.v + lim, lim - a.v};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
  }
  if (t0 > t1) return false;
  const Point start = a;
  a = Point{static_cast<int>(std::lround(start.h + t0 * dx)), static_cast<int>(std::lround(start.v + t0 * dy))};
  b = Point{static_cast<int>(std::lround(start.h + t1 * dx)), static_cast<int>(std::lround(start.v + t1 * dy))};
  return true;
}

}  // namespace

Spans LineSpans(Point from, Point to, Point pen) {
  Spans spans;
  if (pen.h <= 0 || pen.v <= 0) return spans;
  const auto outside = [](Point p) { return std::abs(p.h) > kLineLimit || std::abs(p.v) > kLineLimit; };
  if ((outside(from) || outside(to)) && !CutLine(from, to)) return spans;
  // The pixels of the walk, as the leftmost and rightmost of each row.
  const int top = std::min(from.v, to.v);
  const int rows = std::abs(to.v - from.v) + 1;
  std::vector<int> minX(static_cast<std::size_t>(rows), 0);
  std::vector<int> maxX(static_cast<std::size_t>(rows), 0);
  std::vector<bool> seen(static_cast<std::size_t>(rows), false);
  const int dx = std::abs(to.h - from.h);
  const int dy = -std::abs(to.v - from.v);
  const int sx = from.h < to.h ? 1 : -1;
  const int sy = from.v < to.v ? 1 : -1;
  long long err = static_cast<long long>(dx) + dy;
  Point p = from;
  for (;;) {
    const std::size_t row = static_cast<std::size_t>(p.v - top);
    if (!seen[row]) {
      minX[row] = maxX[row] = p.h;
      seen[row] = true;
    } else {
      minX[row] = std::min(minX[row], p.h);
      maxX[row] = std::max(maxX[row], p.h);
    }
    if (p == to) break;
    const long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      p.h += sx;
    }
    if (e2 <= dx) {
      err += dx;
      p.v += sy;
    }
  }
  // Row y of the result is covered by the pen placed on the walk's rows
  // y - pen.v + 1 .. y; their pixels join into one run because the walk
  // moves at most one column from row to row.
  for (int y = top; y < top + rows - 1 + pen.v; ++y) {
    const int first = std::max(top, y - pen.v + 1);
    const int last = std::min(top + rows - 1, y);
    int x0 = minX[static_cast<std::size_t>(first - top)];
    int x1 = maxX[static_cast<std::size_t>(first - top)];
    for (int r = first + 1; r <= last; ++r) {
      x0 = std::min(x0, minX[static_cast<std::size_t>(r - top)]);
      x1 = std::max(x1, maxX[static_cast<std::size_t>(r - top)]);
    }
    spans.push_back(Span{y, x0, x1 + pen.h});
  }
  return spans;
}

Spans Subtract(const Spans& outer, const Spans& inner) {
  Spans sortedInner = inner;
  std::sort(sortedInner.begin(), sortedInner.end(),
            [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
  Spans result;
  for (const Span& s : outer) {
    auto it = std::lower_bound(sortedInner.begin(), sortedInner.end(), s.y,
                               [](const Span& a, int y) { return a.y < y; });
    int x = s.x0;
    for (; it != sortedInner.end() && it->y == s.y; ++it) {
      if (it->x1 <= x) continue;
      if (it->x0 >= s.x1) break;
      if (it->x0 > x) result.push_back(Span{s.y, x, it->x0});
      x = std::max(x, it->x1);
    }
    if (x < s.x1) result.push_back(Span{s.y, x, s.x1});
  }
  return result;
}

Spans Union(Spans spans) {
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
  Spans joined;
  for (const Span& s : spans) {
    if (s.x0 >= s.x1) continue;
    if (!joined.empty() && joined.back().y == s.y && s.x0 <= joined.back().x1) {
      joined.back().x1 = std::max(joined.back().x1, s.x1);
    } else {
      joined.push_back(s);
    }
  }
  return joined;
}

}  // namespace Render
