#include "platform/Shapes.h"

#include "platform/Picture.h"
#include "platform/Port.h"
#include "platform/Render.h"

namespace Shapes {

using Geometry::Point;
using Geometry::Rect;

namespace {

enum class Kind { kRect, kRoundRect, kOval };

// The spans of a verb's area and the mode and pattern it applies there.
void Apply(Port::GrafPort& port, Picture::Verb verb, const Render::Spans& area,
           const Render::Spans& frame, const Pattern::Pat* fill) {
  switch (verb) {
    case Picture::kFrame:
      Render::Patterned(port, frame, port.pnMode, port.pnPat);
      break;
    case Picture::kPaint:
      Render::Patterned(port, area, port.pnMode, port.pnPat);
      break;
    case Picture::kErase:
      Render::Patterned(port, area, Port::kPatCopy, port.bkPat);
      break;
    case Picture::kInvert:
      Render::Patterned(port, area, Port::kPatXor, Pattern::kBlack);
      break;
    case Picture::kFill:
      Render::Patterned(port, area, Port::kPatCopy, *fill);
      break;
  }
}

void Shape(Kind kind, Picture::Verb verb, const Rect& r, int ow, int oh, const Pattern::Pat* fill) {
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr) return;
  if (port->picture != nullptr) {
    switch (kind) {
      case Kind::kRect:
        Picture::RecordRect(*port, verb, r, fill);
        break;
      case Kind::kRoundRect:
        Picture::RecordRoundRect(*port, verb, r, ow, oh, fill);
        break;
      case Kind::kOval:
        Picture::RecordOval(*port, verb, r, fill);
        break;
    }
    return;
  }
  if (kind == Kind::kOval) {
    ow = Geometry::Width(r);
    oh = Geometry::Height(r);
  }
  if (kind == Kind::kRect) ow = oh = 0;
  if (verb == Picture::kFrame) {
    Apply(*port, verb, {}, Render::FrameSpans(r, ow, oh, port->pnSize), fill);
  } else {
    Apply(*port, verb, Render::RoundRectSpans(r, ow, oh), {}, fill);
  }
}

void Poly(Picture::Verb verb, std::span<const Point> points, const Pattern::Pat* fill) {
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr || points.empty()) return;
  if (port->picture != nullptr) {
    Picture::RecordPoly(*port, verb, points, fill);
    return;
  }
  if (verb != Picture::kFrame) {
    Apply(*port, verb, Render::PolySpans(points), {}, fill);
    return;
  }
  // The outline's lines as one area, so that modes like xor touch every
  // pixel once even where two lines meet.
  Render::Spans lines;
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const Render::Spans line = Render::LineSpans(points[i], points[i + 1], port->pnSize);
    lines.insert(lines.end(), line.begin(), line.end());
  }
  const Render::Spans frame = Render::Union(std::move(lines));
  Apply(*port, verb, {}, frame, fill);
  port->pnLoc = points.back();
}

}  // namespace

void FrameRect(const Rect& r) { Shape(Kind::kRect, Picture::kFrame, r, 0, 0, nullptr); }
void PaintRect(const Rect& r) { Shape(Kind::kRect, Picture::kPaint, r, 0, 0, nullptr); }
void EraseRect(const Rect& r) { Shape(Kind::kRect, Picture::kErase, r, 0, 0, nullptr); }
void InvertRect(const Rect& r) { Shape(Kind::kRect, Picture::kInvert, r, 0, 0, nullptr); }
void FillRect(const Rect& r, const Pattern::Pat& pat) { Shape(Kind::kRect, Picture::kFill, r, 0, 0, &pat); }

void FrameRoundRect(const Rect& r, int ow, int oh) { Shape(Kind::kRoundRect, Picture::kFrame, r, ow, oh, nullptr); }
void PaintRoundRect(const Rect& r, int ow, int oh) { Shape(Kind::kRoundRect, Picture::kPaint, r, ow, oh, nullptr); }
void EraseRoundRect(const Rect& r, int ow, int oh) { Shape(Kind::kRoundRect, Picture::kErase, r, ow, oh, nullptr); }
void InvertRoundRect(const Rect& r, int ow, int oh) { Shape(Kind::kRoundRect, Picture::kInvert, r, ow, oh, nullptr); }
void FillRoundRect(const Rect& r, int ow, int oh, const Pattern::Pat& pat) {
  Shape(Kind::kRoundRect, Picture::kFill, r, ow, oh, &pat);
}

void FrameOval(const Rect& r) { Shape(Kind::kOval, Picture::kFrame, r, 0, 0, nullptr); }
void PaintOval(const Rect& r) { Shape(Kind::kOval, Picture::kPaint, r, 0, 0, nullptr); }
void EraseOval(const Rect& r) { Shape(Kind::kOval, Picture::kErase, r, 0, 0, nullptr); }
void InvertOval(const Rect& r) { Shape(Kind::kOval, Picture::kInvert, r, 0, 0, nullptr); }
void FillOval(const Rect& r, const Pattern::Pat& pat) { Shape(Kind::kOval, Picture::kFill, r, 0, 0, &pat); }

void FramePoly(std::span<const Point> points) { Poly(Picture::kFrame, points, nullptr); }
void PaintPoly(std::span<const Point> points) { Poly(Picture::kPaint, points, nullptr); }
void ErasePoly(std::span<const Point> points) { Poly(Picture::kErase, points, nullptr); }
void InvertPoly(std::span<const Point> points) { Poly(Picture::kInvert, points, nullptr); }
void FillPoly(std::span<const Point> points, const Pattern::Pat& pat) { Poly(Picture::kFill, points, &pat); }

}  // namespace Shapes
