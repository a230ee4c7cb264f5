#include "platform/WindowFrame.h"

#include "platform/Fonts.h"
#include "platform/Shapes.h"
#include "platform/Text.h"

namespace WindowFrame {

using Geometry::Rect;

namespace {

constexpr Color::RGB kInactiveTitle{0x8080, 0x8080, 0x8080};

bool IsDialogFrame(int procID) {
  return procID == kDBoxProc || procID == kPlainDBoxProc || procID == kAltDBoxProc;
}

// The black outline of a window with a title bar.
Rect Outline(const Rect& c) {
  return Geometry::SetRect(c.left - 1, c.top - kTitleBarHeight - 1, c.right + 1, c.bottom + 1);
}

void DrawTitleBar(const Frame& f) {
  const Rect& c = f.content;
  const Rect t = TitleBar(c);
  if (f.hilited) {
    for (int y = t.top + 3; y <= t.top + 13; y += 2) {
      Shapes::PaintRect(Geometry::SetRect(t.left + 1, y, t.right - 1, y + 1));
    }
    if (HasCloseBox(f.procID, f.goAwayFlag)) {
      const Rect box = CloseBox(c);
      Shapes::EraseRect(Geometry::InsetRect(box, -1, -1));
      Shapes::FrameRect(box);
      if (f.pressed == Part::kClose) Shapes::InvertRect(Geometry::InsetRect(box, 1, 1));
    }
    if (HasZoomBox(f.procID)) {
      const Rect box = ZoomBox(c);
      Shapes::EraseRect(Geometry::InsetRect(box, -1, -1));
      Shapes::FrameRect(box);
      Shapes::FrameRect(Geometry::SetRect(box.left, box.top, box.left + 7, box.top + 7));
      if (f.pressed == Part::kZoom) Shapes::InvertRect(Geometry::InsetRect(box, 1, 1));
    }
  }
  Port::TextFont(Fonts::kGeneva);
  Port::TextSize(12);
  Port::TextFace(0);
  Port::TextMode(Port::kSrcOr);
  const int width = Text::TextWidth(f.title);
  const int x = t.left + (Geometry::Width(t) - width) / 2;
  Port::ClipRect(t);
  if (f.hilited) Shapes::EraseRect(Geometry::SetRect(x - 6, t.top + 1, x + width + 6, t.bottom - 1));
  Port::RGBForeColor(f.hilited ? Color::kBlack : kInactiveTitle);
  Port::MoveTo(x, t.top + 13);
  Text::DrawText(f.title);
  Port::RGBForeColor(Color::kBlack);
  Port::ClipRect(Port::kWideOpen);
}

}  // namespace

bool HasTitleBar(int procID) { return !IsDialogFrame(procID); }
bool HasGrowBox(int procID) { return procID == kDocumentProc || procID == kZoomDocProc; }
bool HasZoomBox(int procID) { return procID == kZoomDocProc || procID == kZoomNoGrow; }
bool HasCloseBox(int procID, bool goAwayFlag) {
  return goAwayFlag && HasTitleBar(procID) && procID != kMovableDBoxProc;
}

Rect Structure(const Frame& f) {
  const Rect& c = f.content;
  switch (f.procID) {
    case kDBoxProc:
      return Geometry::InsetRect(c, -4, -4);
    case kPlainDBoxProc:
      return Geometry::InsetRect(c, -1, -1);
    case kAltDBoxProc:
      return Geometry::SetRect(c.left - 1, c.top - 1, c.right + 3, c.bottom + 3);
    default: {
      const Rect o = Outline(c);
      return Geometry::SetRect(o.left, o.top, o.right + 1, o.bottom + 1);
    }
  }
}

Rect TitleBar(const Rect& c) { return Geometry::SetRect(c.left, c.top - kTitleBarHeight, c.right, c.top - 1); }

Rect CloseBox(const Rect& c) {
  const Rect t = TitleBar(c);
  return Geometry::SetRect(t.left + 8, t.top + 3, t.left + 19, t.top + 14);
}

Rect ZoomBox(const Rect& c) {
  const Rect t = TitleBar(c);
  return Geometry::SetRect(t.right - 19, t.top + 3, t.right - 8, t.top + 14);
}

Rect GrowBox(const Rect& c) {
  return Geometry::SetRect(c.right - kGrowBoxSize, c.bottom - kGrowBoxSize, c.right, c.bottom);
}

Part Hit(const Frame& f, Geometry::Point p) {
  if (Geometry::PtInRect(p, f.content)) {
    if (f.hilited && HasGrowBox(f.procID) && Geometry::PtInRect(p, GrowBox(f.content))) return Part::kGrow;
    return Part::kContent;
  }
  if (!HasTitleBar(f.procID)) {
    return Geometry::PtInRect(p, Structure(f)) ? Part::kContent : Part::kNone;
  }
  if (!Geometry::PtInRect(p, Outline(f.content))) return Part::kNone;
  if (f.hilited && HasCloseBox(f.procID, f.goAwayFlag) && Geometry::PtInRect(p, CloseBox(f.content))) {
    return Part::kClose;
  }
  if (f.hilited && HasZoomBox(f.procID) && Geometry::PtInRect(p, ZoomBox(f.content))) return Part::kZoom;
  return Part::kDrag;
}

void Draw(Port::GrafPort& screen, const Frame& f) {
  Port::GrafPort* saved = Port::GetPort();
  Port::SetPort(&screen);
  Port::PenNormal();
  Port::RGBForeColor(Color::kBlack);
  Port::RGBBackColor(Color::kWhite);
  Port::BackPat(Pattern::kWhite);
  const Rect& c = f.content;
  switch (f.procID) {
    case kDBoxProc:
      Shapes::PaintRect(Geometry::InsetRect(c, -4, -4));
      Shapes::EraseRect(Geometry::InsetRect(c, -3, -3));
      Shapes::PaintRect(Geometry::InsetRect(c, -2, -2));
      break;
    case kPlainDBoxProc:
      Shapes::FrameRect(Geometry::InsetRect(c, -1, -1));
      break;
    case kAltDBoxProc:
      Shapes::PaintRect(Geometry::SetRect(c.left + 1, c.top + 1, c.right + 3, c.bottom + 3));
      Shapes::EraseRect(Geometry::InsetRect(c, -1, -1));
      Shapes::FrameRect(Geometry::InsetRect(c, -1, -1));
      break;
    default: {
      const Rect o = Outline(c);
      Shapes::PaintRect(Geometry::SetRect(o.left + 1, o.top + 1, o.right + 1, o.bottom + 1));
      Shapes::EraseRect(o);
      Shapes::FrameRect(o);
      Shapes::PaintRect(Geometry::SetRect(c.left, c.top - 1, c.right, c.top));
      DrawTitleBar(f);
      break;
    }
  }
  Port::SetPort(saved);
}

}  // namespace WindowFrame
