// Regions: arbitrary sets of pixels, kept as lists of disjoint rectangles.
//
// Ports clip to regions, windows keep their update regions in them and
// scrolling hands the uncovered area back as one. The rectangles of a region
// never overlap and are never empty; their order carries no meaning, so two
// regions are compared with EqualRgn, not rectangle by rectangle.
#pragma once

#include "platform/Geometry.h"

#include <span>
#include <vector>

namespace Region {

class Rgn {
 public:
  Rgn() = default;
  explicit Rgn(const Geometry::Rect& r) { SetRect(r); }

  void SetEmpty() { rects_.clear(); }
  void SetRect(const Geometry::Rect& r);

  bool Empty() const { return rects_.empty(); }
  // The smallest rectangle holding every pixel; all zeros when empty.
  Geometry::Rect Bounds() const;
  std::span<const Geometry::Rect> Rects() const { return rects_; }
  bool Contains(Geometry::Point p) const;

  void Intersect(const Geometry::Rect& r);
  void Intersect(const Rgn& other);
  void Union(const Geometry::Rect& r);
  void Union(const Rgn& other);
  void Subtract(const Geometry::Rect& r);
  void Subtract(const Rgn& other);
  void Offset(int dh, int dv);

 private:
  std::vector<Geometry::Rect> rects_;
};

// The two regions cover the same pixels.
bool EqualRgn(const Rgn& a, const Rgn& b);

}  // namespace Region
