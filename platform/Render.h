// The pixel work under every drawing call: shapes as horizontal spans, and
// the transfer modes that put a one-bit source (a pattern or a glyph) onto a
// port's pixels within its visible and clip regions.
//
// Spans are in the port's local coordinates. Callers build them with the
// shape functions here and hand them to Patterned or Masked, which clip and
// count the change (Port::MarkChanged).
#pragma once

#include "platform/Geometry.h"
#include "platform/Pattern.h"
#include "platform/Port.h"
#include "platform/Surface.h"

#include <cstdint>
#include <span>
#include <vector>

namespace Render {

// Pixels x0 .. x1 - 1 of row y.
struct Span {
  int y = 0;
  int x0 = 0;
  int x1 = 0;
};
using Spans = std::vector<Span>;

// The pixel a transfer mode makes of destination d with source bit s (see
// Port's table); fg and bg are the port's colours as pixels.
Surface::Pixel Transfer(Surface::Pixel d, bool s, int mode, Surface::Pixel fg, Surface::Pixel bg);

// The part of the port's pixels that drawing may change, as local
// rectangles: visible region, clip region and surface bounds together.
std::vector<Geometry::Rect> DrawableRects(const Port::GrafPort& port);

// Applies the mode with the pattern as source over the spans.
void Patterned(Port::GrafPort& port, const Spans& spans, int mode, const Pattern::Pat& pat);

// A one-bit image, one byte (0 or 1) per pixel, row by row, with its
// top-left corner at a local point.
struct Bitmap {
  Geometry::Point at;
  int width = 0;
  int height = 0;
  const std::uint8_t* bits = nullptr;
};

// Text cells: inside `box` every pixel takes the mode with the image's bit
// (0 where the image does not reach); outside the box only the image's 1
// bits act, so ink that overhangs its cell is drawn and nothing else is.
void Masked(Port::GrafPort& port, const Geometry::Rect& box, const Bitmap& image, int mode);

// Shapes. A rectangle with rounded corners takes its corners from an oval
// of ovalWidth x ovalHeight (cut to the rectangle); 0 for either gives square
// corners, the full size gives an oval. Each row holds one span.
Spans RectSpans(const Geometry::Rect& r);
Spans RoundRectSpans(const Geometry::Rect& r, int ovalWidth, int ovalHeight);

// The pixels a rectangle shape's frame of pen width x height covers: the
// shape minus the same shape inset by the pen (corner ovals shrunk by twice
// the pen); the whole shape when the inset leaves nothing.
Spans FrameSpans(const Geometry::Rect& r, int ovalWidth, int ovalHeight, Geometry::Point pen);

// A filled polygon, closed from its last point back to its first, by the
// even-odd rule: a pixel belongs to it when its centre does.
Spans PolySpans(std::span<const Geometry::Point> points);

// The pixels a pen of the given size (hanging right and down from the pen
// position) covers while it moves along the line, ends included. Nothing
// for a pen of width or height 0 or less.
Spans LineSpans(Geometry::Point from, Geometry::Point to, Geometry::Point pen);

// outer minus inner, row by row.
Spans Subtract(const Spans& outer, const Spans& inner);

// The same pixels with overlapping and touching spans of a row joined,
// sorted by row and then by x.
Spans Union(Spans spans);

}  // namespace Render
