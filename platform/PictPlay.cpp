#include "platform/PictPlay.h"

#include "platform/Lines.h"
#include "platform/Offscreen.h"
#include "platform/Picture.h"
#include "platform/Png.h"
#include "platform/Port.h"
#include "platform/Shapes.h"
#include "platform/Text.h"

#include <vector>

namespace PictPlay {

using Geometry::Point;
using Geometry::Rect;

namespace {

void Shape(int base, int verb, const Rect& r, Point ovalSize, const Pattern::Pat& fill) {
  switch (base) {
    case Picture::kOpRect:
      switch (verb) {
        case Picture::kFrame: Shapes::FrameRect(r); break;
        case Picture::kPaint: Shapes::PaintRect(r); break;
        case Picture::kErase: Shapes::EraseRect(r); break;
        case Picture::kInvert: Shapes::InvertRect(r); break;
        default: Shapes::FillRect(r, fill); break;
      }
      break;
    case Picture::kOpRRect:
      switch (verb) {
        case Picture::kFrame: Shapes::FrameRoundRect(r, ovalSize.h, ovalSize.v); break;
        case Picture::kPaint: Shapes::PaintRoundRect(r, ovalSize.h, ovalSize.v); break;
        case Picture::kErase: Shapes::EraseRoundRect(r, ovalSize.h, ovalSize.v); break;
        case Picture::kInvert: Shapes::InvertRoundRect(r, ovalSize.h, ovalSize.v); break;
        default: Shapes::FillRoundRect(r, ovalSize.h, ovalSize.v, fill); break;
      }
      break;
    default:
      switch (verb) {
        case Picture::kFrame: Shapes::FrameOval(r); break;
        case Picture::kPaint: Shapes::PaintOval(r); break;
        case Picture::kErase: Shapes::EraseOval(r); break;
        case Picture::kInvert: Shapes::InvertOval(r); break;
        default: Shapes::FillOval(r, fill); break;
      }
      break;
  }
}

void Poly(int verb, const std::vector<Point>& points, const Pattern::Pat& fill) {
  switch (verb) {
    case Picture::kFrame: Shapes::FramePoly(points); break;
    case Picture::kPaint: Shapes::PaintPoly(points); break;
    case Picture::kErase: Shapes::ErasePoly(points); break;
    case Picture::kInvert: Shapes::InvertPoly(points); break;
    default: Shapes::FillPoly(points, fill); break;
  }
}

}  // namespace

void Draw(const PictReader::Parsed& picture, Point topLeft) {
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr) return;
  const Port::GrafPort saved = *port;
  {
    Port::GrafPort fresh;
    Port::InitPort(fresh, nullptr, Rect{});
    port->pnLoc = fresh.pnLoc;
    port->pnSize = fresh.pnSize;
    port->pnMode = fresh.pnMode;
    port->pnPat = fresh.pnPat;
    port->bkPat = fresh.bkPat;
    port->fgColor = fresh.fgColor;
    port->bkColor = fresh.bkColor;
    port->txFont = fresh.txFont;
    port->txFace = fresh.txFace;
    port->txMode = fresh.txMode;
    port->txSize = fresh.txSize;
  }
  const int dh = topLeft.h - picture.frame.left;
  const int dv = topLeft.v - picture.frame.top;
  const auto at = [&](Point p) { return Point{p.h + dh, p.v + dv}; };
  Point ovalSize;
  Pattern::Pat fill = Pattern::kBlack;
  for (const PictReader::Op& op : picture.ops) {
    const int shape = op.opcode & 0xFFF0;
    const int verb = op.opcode & 0x000F;
    if (shape == Picture::kOpRect || shape == Picture::kOpRRect || shape == Picture::kOpOval) {
      Shape(shape, verb, Geometry::OffsetRect(op.rect, dh, dv), ovalSize, fill);
      continue;
    }
    if (shape == Picture::kOpPoly) {
      std::vector<Point> points;
      for (const Point& p : op.points) points.push_back(at(p));
      Poly(verb, points, fill);
      continue;
    }
    switch (op.opcode) {
      case Picture::kOpClip: {
        Region::Rgn clip(Geometry::OffsetRect(op.rect, dh, dv));
        clip.Intersect(saved.clipRgn);
        port->clipRgn = clip;
        break;
      }
      case Picture::kOpBkPat: port->bkPat = op.pat; break;
      case Picture::kOpPnPat: port->pnPat = op.pat; break;
      case Picture::kOpFillPat: fill = op.pat; break;
      case Picture::kOpTxFont: port->txFont = op.value; break;
      case Picture::kOpTxFace: port->txFace = op.value; break;
      case Picture::kOpTxMode: port->txMode = op.value; break;
      case Picture::kOpTxSize: port->txSize = op.value; break;
      case Picture::kOpPnMode: port->pnMode = op.value; break;
      case Picture::kOpPnSize: port->pnSize = op.a; break;
      case Picture::kOpOvSize: ovalSize = op.a; break;
      case Picture::kOpRGBFgCol: port->fgColor = op.rgb; break;
      case Picture::kOpRGBBkCol: port->bkColor = op.rgb; break;
      case Picture::kOpLine: {
        const Point from = at(op.a);
        const Point to = at(op.b);
        Port::MoveTo(from.h, from.v);
        Lines::LineTo(to.h, to.v);
        break;
      }
      case Picture::kOpLongText: {
        const Point p = at(op.a);
        Port::MoveTo(p.h, p.v);
        Text::DrawText(std::span<const char>(op.text.data(), op.text.size()));
        break;
      }
      default:
        break;  // comments draw nothing
    }
  }
  Surface::Pixels* pixels = port->pixels;
  Picture::Recorder* recording = port->picture;
  *port = saved;
  port->pixels = pixels;
  port->picture = recording;
}

bool Render(std::span<const std::uint8_t> picture, Surface::Pixels& pixels) {
  PictReader::Parsed parsed;
  if (!PictReader::Parse(picture, parsed) || Geometry::EmptyRect(parsed.frame)) return false;
  Offscreen::World* world = Offscreen::NewWorld(parsed.frame);
  Port::GrafPort* saved = Port::GetPort();
  Port::SetPort(&world->port);
  Draw(parsed, Point{parsed.frame.left, parsed.frame.top});
  Port::SetPort(saved);
  pixels = world->pixels;
  Offscreen::DisposeWorld(world);
  return true;
}

bool ExportPNG(std::span<const std::uint8_t> picture, std::span<const char> path) {
  Surface::Pixels pixels;
  return Render(picture, pixels) && Png::Save(pixels, path);
}

}  // namespace PictPlay
