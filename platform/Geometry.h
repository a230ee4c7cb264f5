// Points and rectangles of the drawing plane.
//
// Coordinates lie on the grid between pixels, as on the platform whose
// drawing model the program was written for: the rectangle (left, top,
// right, bottom) covers the pixels x = left .. right - 1, y = top ..
// bottom - 1, so its width is right - left. A rectangle whose right is not
// greater than its left, or whose bottom is not greater than its top, is
// empty. y grows downward.
#pragma once

namespace Geometry {

struct Point {
  int h = 0;
  int v = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The rectangle with these edges (argument order as the platform's SetRect).
constexpr Rect SetRect(int left, int top, int right, int bottom) {
  return Rect{top, left, bottom, right};
}

constexpr int Width(const Rect& r) { return r.right - r.left; }
constexpr int Height(const Rect& r) { return r.bottom - r.top; }

bool EmptyRect(const Rect& r);

// The common part; all zeros when the two do not overlap (or one is empty).
Rect SectRect(const Rect& a, const Rect& b);

// The smallest rectangle holding both; an empty one does not count.
Rect UnionRect(const Rect& a, const Rect& b);

Rect OffsetRect(const Rect& r, int dh, int dv);

// Moves every edge inward by dh and dv (outward for negative values).
Rect InsetRect(const Rect& r, int dh, int dv);

// The pixel whose top-left corner is the point lies in the rectangle.
bool PtInRect(Point p, const Rect& r);

}  // namespace Geometry
