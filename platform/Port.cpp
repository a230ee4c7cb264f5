#include "platform/Port.h"

namespace Port {

namespace {
GrafPort* current = nullptr;
std::uint64_t changes = 0;
}  // namespace

void InitPort(GrafPort& port, Surface::Pixels* pixels, const Geometry::Rect& portRect) {
  port = GrafPort{};
  port.pixels = pixels;
  port.origin = Geometry::Point{-portRect.left, -portRect.top};
  port.portRect = portRect;
  port.visRgn.SetRect(portRect);
  port.clipRgn.SetRect(kWideOpen);
}

void SetPort(GrafPort* port) { current = port; }
GrafPort* GetPort() { return current; }

void PenSize(int width, int height) {
  if (current != nullptr) current->pnSize = Geometry::Point{width, height};
}

void PenMode(int mode) {
  if (current != nullptr) current->pnMode = mode;
}

void PenPat(const Pattern::Pat& pat) {
  if (current != nullptr) current->pnPat = pat;
}

void PenNormal() {
  if (current == nullptr) return;
  current->pnSize = Geometry::Point{1, 1};
  current->pnMode = kPatCopy;
  current->pnPat = Pattern::kBlack;
}

void MoveTo(int h, int v) {
  if (current != nullptr) current->pnLoc = Geometry::Point{h, v};
}

void Move(int dh, int dv) {
  if (current == nullptr) return;
  current->pnLoc.h += dh;
  current->pnLoc.v += dv;
}

Geometry::Point GetPen() { return current != nullptr ? current->pnLoc : Geometry::Point{}; }

void RGBForeColor(const Color::RGB& color) {
  if (current != nullptr) current->fgColor = color;
}

void RGBBackColor(const Color::RGB& color) {
  if (current != nullptr) current->bkColor = color;
}

Color::RGB GetForeColor() { return current != nullptr ? current->fgColor : Color::kBlack; }
Color::RGB GetBackColor() { return current != nullptr ? current->bkColor : Color::kWhite; }

void BackPat(const Pattern::Pat& pat) {
  if (current != nullptr) current->bkPat = pat;
}

void TextFont(int font) {
  if (current != nullptr) current->txFont = font;
}

void TextSize(int size) {
  if (current != nullptr) current->txSize = size == 0 ? 12 : size;
}

void TextFace(int face) {
  if (current != nullptr) current->txFace = face;
}

void TextMode(int mode) {
  if (current != nullptr) current->txMode = mode;
}

void ClipRect(const Geometry::Rect& r) {
  if (current != nullptr) current->clipRgn.SetRect(r);
}

void SetClip(const Region::Rgn& rgn) {
  if (current != nullptr) current->clipRgn = rgn;
}

Region::Rgn GetClip() { return current != nullptr ? current->clipRgn : Region::Rgn(); }

Geometry::Rect GetPortBounds() { return current != nullptr ? current->portRect : Geometry::Rect{}; }

void LocalToGlobal(Geometry::Point& p) {
  if (current == nullptr) return;
  p.h += current->globalOrigin.h;
  p.v += current->globalOrigin.v;
}

void GlobalToLocal(Geometry::Point& p) {
  if (current == nullptr) return;
  p.h -= current->globalOrigin.h;
  p.v -= current->globalOrigin.v;
}

void MarkChanged() { ++changes; }
std::uint64_t ChangeCount() { return changes; }

}  // namespace Port
