#include "platform/Region.h"

namespace Region {

using Geometry::Rect;

namespace {

// Appends the parts of r that lie outside cut (at most four rectangles).
void AppendDifference(const Rect& r, const Rect& cut, std::vector<Rect>& out) {
  const Rect s = Geometry::SectRect(r, cut);
  if (Geometry::EmptyRect(s)) {
    out.push_back(r);
    return;
  }
  if (r.top < s.top) out.push_back(Rect{r.top, r.left, s.top, r.right});
  if (s.bottom < r.bottom) out.push_back(Rect{s.bottom, r.left, r.bottom, r.right});
  if (r.left < s.left) out.push_back(Rect{s.top, r.left, s.bottom, s.left});
  if (s.right < r.right) out.push_back(Rect{s.top, s.right, s.bottom, r.right});
}

}  // namespace

void Rgn::SetRect(const Rect& r) {
  rects_.clear();
  if (!Geometry::EmptyRect(r)) rects_.push_back(r);
}

Rect Rgn::Bounds() const {
  Rect b;
  for (const Rect& r : rects_) b = Geometry::UnionRect(b, r);
  return b;
}

bool Rgn::Contains(Geometry::Point p) const {
  for (const Rect& r : rects_) {
    if (Geometry::PtInRect(p, r)) return true;
  }
  return false;
}

void Rgn::Intersect(const Rect& clip) {
  std::vector<Rect> kept;
  for (const Rect& r : rects_) {
    const Rect s = Geometry::SectRect(r, clip);
    if (!Geometry::EmptyRect(s)) kept.push_back(s);
  }
  rects_.swap(kept);
}

void Rgn::Intersect(const Rgn& other) {
  std::vector<Rect> kept;
  for (const Rect& a : rects_) {
    for (const Rect& b : other.rects_) {
      const Rect s = Geometry::SectRect(a, b);
      if (!Geometry::EmptyRect(s)) kept.push_back(s);
    }
  }
  rects_.swap(kept);
}

void Rgn::Union(const Rect& add) {
  if (Geometry::EmptyRect(add)) return;
  // Only the parts of the new rectangle not yet covered are added, which
  // keeps the list disjoint.
  std::vector<Rect> pieces{add};
  for (const Rect& r : rects_) {
    std::vector<Rect> next;
    for (const Rect& p : pieces) AppendDifference(p, r, next);
    pieces.swap(next);
    if (pieces.empty()) return;
  }
  rects_.insert(rects_.end(), pieces.begin(), pieces.end());
}

void Rgn::Union(const Rgn& other) {
  if (&other == this) return;
  for (const Rect& r : other.rects_) Union(r);
}

void Rgn::Subtract(const Rect& cut) {
  if (Geometry::EmptyRect(cut)) return;
  std::vector<Rect> kept;
  for (const Rect& r : rects_) AppendDifference(r, cut, kept);
  rects_.swap(kept);
}

void Rgn::Subtract(const Rgn& other) {
  if (&other == this) {
    rects_.clear();
    return;
  }
  for (const Rect& r : other.rects_) Subtract(r);
}

void Rgn::Offset(int dh, int dv) {
  for (Rect& r : rects_) r = Geometry::OffsetRect(r, dh, dv);
}

bool EqualRgn(const Rgn& a, const Rgn& b) {
  Rgn aOnly = a;
  aOnly.Subtract(b);
  Rgn bOnly = b;
  bOnly.Subtract(a);
  return aOnly.Empty() && bOnly.Empty();
}

}  // namespace Region
