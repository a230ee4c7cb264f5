// Rectangles, rounded rectangles, ovals and polygons in the current port.
//
// Frame: the outline drawn inside the shape with the pen's size, pattern and
// mode. Paint: the whole shape with the pen's pattern and mode. Erase: the
// whole shape with the background pattern in pattern-copy mode (0 bits in
// the background colour, 1 bits in the foreground colour). Invert: every
// pixel of the shape inverted. Fill: the whole shape with the given pattern
// in pattern-copy mode.
//
// A rounded rectangle's corners are quarters of an oval of ovalWidth x
// ovalHeight; an oval fills its rectangle. A polygon is a list of points:
// framing draws the lines from each point to the next (a closed outline
// repeats its first point at the end); the other operations close it from
// the last point to the first and fill by the even-odd rule.
#pragma once

#include "platform/Geometry.h"
#include "platform/Pattern.h"

#include <span>

namespace Shapes {

void FrameRect(const Geometry::Rect& r);
void PaintRect(const Geometry::Rect& r);
void EraseRect(const Geometry::Rect& r);
void InvertRect(const Geometry::Rect& r);
void FillRect(const Geometry::Rect& r, const Pattern::Pat& pat);

void FrameRoundRect(const Geometry::Rect& r, int ovalWidth, int ovalHeight);
void PaintRoundRect(const Geometry::Rect& r, int ovalWidth, int ovalHeight);
void EraseRoundRect(const Geometry::Rect& r, int ovalWidth, int ovalHeight);
void InvertRoundRect(const Geometry::Rect& r, int ovalWidth, int ovalHeight);
void FillRoundRect(const Geometry::Rect& r, int ovalWidth, int ovalHeight, const Pattern::Pat& pat);

void FrameOval(const Geometry::Rect& r);
void PaintOval(const Geometry::Rect& r);
void EraseOval(const Geometry::Rect& r);
void InvertOval(const Geometry::Rect& r);
void FillOval(const Geometry::Rect& r, const Pattern::Pat& pat);

void FramePoly(std::span<const Geometry::Point> points);
void PaintPoly(std::span<const Geometry::Point> points);
void ErasePoly(std::span<const Geometry::Point> points);
void InvertPoly(std::span<const Geometry::Point> points);
void FillPoly(std::span<const Geometry::Point> points, const Pattern::Pat& pat);

}  // namespace Shapes
