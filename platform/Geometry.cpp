#include "platform/Geometry.h"

#include <algorithm>

namespace Geometry {

bool EmptyRect(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

Rect SectRect(const Rect& a, const Rect& b) {
  const Rect s{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
               std::min(a.right, b.right)};
  return EmptyRect(s) ? Rect{} : s;
}

Rect UnionRect(const Rect& a, const Rect& b) {
  if (EmptyRect(a)) return b;
  if (EmptyRect(b)) return a;
  return Rect{std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
              std::max(a.right, b.right)};
}

Rect OffsetRect(const Rect& r, int dh, int dv) {
  return Rect{r.top + dv, r.left + dh, r.bottom + dv, r.right + dh};
}

Rect InsetRect(const Rect& r, int dh, int dv) {
  return Rect{r.top + dv, r.left + dh, r.bottom - dv, r.right - dh};
}

bool PtInRect(Point p, const Rect& r) {
  return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

}  // namespace Geometry
