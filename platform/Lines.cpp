#include "platform/Lines.h"

#include "platform/Picture.h"
#include "platform/Port.h"
#include "platform/Render.h"

namespace Lines {

void LineTo(int h, int v) {
  Port::GrafPort* port = Port::GetPort();
  if (port == nullptr) return;
  const Geometry::Point from = port->pnLoc;
  const Geometry::Point to{h, v};
  if (port->picture != nullptr) {
    Picture::RecordLine(*port, from, to);
  } else {
    Render::Patterned(*port, Render::LineSpans(from, to, port->pnSize), port->pnMode, port->pnPat);
  }
  port->pnLoc = to;
}

void Line(int dh, int dv) {
  const Geometry::Point p = Port::GetPen();
  LineTo(p.h + dh, p.v + dv);
}

}  // namespace Lines
