#include "platform/Controls.h"

#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "platform/Input.h"
#include "platform/Lines.h"
#include "platform/PortState.h"
#include "platform/Shapes.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace Controls {

using Geometry::Point;
using Geometry::Rect;

struct Control {
  Windows::Window* owner = nullptr;
  Rect bounds;
  std::string title;
  bool visible = true;
  int value = 0;
  int minimum = 0;
  int maximum = 0;
  int procID = kPushButProc;
  int hilite = kActive;
  void* refCon = nullptr;
  ActionProc action = nullptr;
  // While the thumb is dragged: its offset along the track; -1 otherwise.
  int dragOffset = -1;
};

namespace {

// Back to front: the last made is the frontmost.
std::vector<Control*> all;

constexpr Color::RGB kDimmed{0x8080, 0x8080, 0x8080};
constexpr int kBoxSide = 12;

bool Inactive(const Control* c) { return c->hilite == kInactive; }

// Scroll-bar geometry: a vertical bar when it is at least as high as wide.
struct BarParts {
  bool vertical = true;
  Rect up, down, track, thumb;
  int travel = 0;  // pixels the thumb can move
};

bool HasThumb(const Control* c) { return !Inactive(c) && c->maximum > c->minimum; }

BarParts PartsOf(const Control* c) {
  BarParts p;
  const Rect& r = c->bounds;
  p.vertical = Geometry::Height(r) >= Geometry::Width(r);
  const int side = p.vertical ? Geometry::Width(r) : Geometry::Height(r);
  const int length = p.vertical ? Geometry::Height(r) : Geometry::Width(r);
  const int arrow = std::min(side, length / 2);
  const int thumbSide = std::min(side, std::max(0, length - 2 * arrow));
  p.travel = std::max(0, length - 2 * arrow - thumbSide);
  int offset = 0;
  if (c->dragOffset >= 0) {
    offset = c->dragOffset;
  } else if (c->maximum > c->minimum) {
    offset = static_cast<int>(static_cast<long long>(c->value - c->minimum) * p.travel / (c->maximum - c->minimum));
  }
  if (p.vertical) {
    p.up = Geometry::SetRect(r.left, r.top, r.right, r.top + arrow);
    p.down = Geometry::SetRect(r.left, r.bottom - arrow, r.right, r.bottom);
    p.track = Geometry::SetRect(r.left, r.top + arrow, r.right, r.bottom - arrow);
    p.thumb = Geometry::SetRect(r.left, p.track.top + offset, r.right, p.track.top + offset + thumbSide);
  } else {
    p.up = Geometry::SetRect(r.left, r.top, r.left + arrow, r.bottom);
    p.down = Geometry::SetRect(r.right - arrow, r.top, r.right, r.bottom);
    p.track = Geometry::SetRect(r.left + arrow, r.top, r.right - arrow, r.bottom);
    p.thumb = Geometry::SetRect(p.track.left + offset, r.top, p.track.left + offset + thumbSide, r.bottom);
  }
  return p;
}

void DrawTitle(const Control* c, int h, const Rect& r) {
  const Fonts::FontInfo f = Text::GetFontInfo();
  Port::MoveTo(h, r.top + (Geometry::Height(r) - f.ascent - f.descent) / 2 + f.ascent);
  Text::DrawText(std::span<const char>(c->title.data(), c->title.size()));
}

void DrawButton(const Control* c) {
  const Rect& r = c->bounds;
  Shapes::EraseRoundRect(r, 10, 10);
  Shapes::FrameRoundRect(r, 10, 10);
  const int width = Text::TextWidth(std::span<const char>(c->title.data(), c->title.size()));
  DrawTitle(c, r.left + (Geometry::Width(r) - width) / 2, r);
  if (c->hilite == kInButton) Shapes::InvertRoundRect(Geometry::InsetRect(r, 1, 1), 8, 8);
}

void DrawBox(const Control* c) {
  const Rect& r = c->bounds;
  Shapes::EraseRect(r);
  const int top = r.top + (Geometry::Height(r) - kBoxSide) / 2;
  const Rect box = Geometry::SetRect(r.left + 2, top, r.left + 2 + kBoxSide, top + kBoxSide);
  if (c->hilite == kInCheckBox) Port::PenSize(2, 2);
  if (c->procID == kRadioButProc) {
    Shapes::FrameOval(box);
    Port::PenNormal();
    if (c->value != 0) Shapes::PaintOval(Geometry::InsetRect(box, 3, 3));
  } else {
    Shapes::FrameRect(box);
    Port::PenNormal();
    if (c->value != 0) {
      Port::MoveTo(box.left, box.top);
      Lines::LineTo(box.right - 1, box.bottom - 1);
      Port::MoveTo(box.right - 1, box.top);
      Lines::LineTo(box.left, box.bottom - 1);
    }
  }
  DrawTitle(c, box.right + 4, r);
}

// A triangle pointing up, down, left or right in the arrow box.
void DrawArrow(const Rect& box, bool vertical, bool first, bool pressed) {
  Shapes::EraseRect(box);
  Shapes::FrameRect(box);
  const int cx = (box.left + box.right) / 2;
  const int cy = (box.top + box.bottom) / 2;
  const int s = std::max(2, std::min(Geometry::Width(box), Geometry::Height(box)) / 4);
  std::array<Point, 4> t;
  if (vertical) {
    const int tip = first ? cy - s : cy + s;
    const int base = first ? cy + s - 1 : cy - s + 1;
    t = {Point{cx, tip}, Point{cx + s + 1, base}, Point{cx - s - 1, base}, Point{cx, tip}};
  } else {
    const int tip = first ? cx - s : cx + s;
    const int base = first ? cx + s - 1 : cx - s + 1;
    t = {Point{tip, cy}, Point{base, cy + s + 1}, Point{base, cy - s - 1}, Point{tip, cy}};
  }
  if (pressed) Shapes::PaintPoly(t);
  Shapes::FramePoly(t);
}

void DrawScrollBar(const Control* c) {
  const BarParts p = PartsOf(c);
  DrawArrow(p.up, p.vertical, true, c->hilite == kInUpButton);
  DrawArrow(p.down, p.vertical, false, c->hilite == kInDownButton);
  Shapes::EraseRect(p.track);
  if (HasThumb(c)) Shapes::FillRect(p.track, Pattern::kLtGray);
  Shapes::FrameRect(p.track);
  if (HasThumb(c)) {
    Shapes::EraseRect(p.thumb);
    Shapes::FrameRect(p.thumb);
  }
}

void Draw(const Control* c) {
  if (!c->visible || c->owner == nullptr) return;
  PortState::Scope scope(Windows::GetWindowPort(c->owner));
  Port::PenNormal();
  Port::RGBBackColor(Color::kWhite);
  Port::RGBForeColor(Inactive(c) ? kDimmed : Color::kBlack);
  Port::TextFont(kSystemFont);
  Port::TextSize(kSystemSize);
  Port::TextFace(0);
  Port::TextMode(Port::kSrcOr);
  switch (c->procID) {
    case kPushButProc:
      DrawButton(c);
      break;
    case kCheckBoxProc:
    case kRadioButProc:
      DrawBox(c);
      break;
    default:
      DrawScrollBar(c);
      break;
  }
}

void Erase(const Control* c) {
  if (!c->visible || c->owner == nullptr) return;
  PortState::Scope scope(Windows::GetWindowPort(c->owner));
  Port::RGBBackColor(Color::kWhite);
  Port::BackPat(Pattern::kWhite);
  Shapes::EraseRect(c->bounds);
}

std::string TitleOf(std::span<const char> title) {
  std::string s(title.begin(), std::find(title.begin(), title.end(), '\0'));
  if (s.size() > static_cast<std::size_t>(kMaxTitle)) s.resize(kMaxTitle);
  return s;
}

Point LocalPointer(const Control* c) {
  const Rect content = Windows::ContentRect(c->owner);
  const Point p = Input::Pointer();
  return Point{p.h - content.left, p.v - content.top};
}

void ShowPressed(Control* c, int part) {
  if (c->hilite == part) return;
  c->hilite = part;
  Draw(c);
}

// Buttons, boxes, arrows and pages: pressed while the pointer is on the
// part; arrows and pages repeat the action at a steady rate.
int TrackPart(Control* c, int part, ActionProc action) {
  const bool repeats = part != kInButton && part != kInCheckBox;
  const double start = Platform::ElapsedSeconds();
  long repeatsDone = 0;
  ShowPressed(c, part);
  if (repeats && action != nullptr) action(c, part);
  Point where;
  while (!Events::TrackRelease(where)) {
    const bool on = TestControl(c, LocalPointer(c)) == part;
    ShowPressed(c, on ? part : kActive);
    if (repeats && on && action != nullptr) {
      const auto due = static_cast<long>((Platform::ElapsedSeconds() - start) / kRepeatSeconds + 1e-9);
      for (; repeatsDone < due; ++repeatsDone) action(c, part);
    }
    Events::Idle(Events::kTrackInterval);
  }
  ShowPressed(c, kActive);
  const Rect content = Windows::ContentRect(c->owner);
  return TestControl(c, Point{where.h - content.left, where.v - content.top}) == part ? part : kNoPart;
}

int TrackThumb(Control* c, Point start) {
  const BarParts at = PartsOf(c);
  const int grab = at.vertical ? start.v - at.thumb.top : start.h - at.thumb.left;
  const auto offsetFor = [&](Point p) {
    const int pos = (at.vertical ? p.v - at.track.top : p.h - at.track.left) - grab;
    return std::clamp(pos, 0, at.travel);
  };
  Point where;
  while (!Events::TrackRelease(where)) {
    const int offset = offsetFor(LocalPointer(c));
    if (offset != c->dragOffset) {
      c->dragOffset = offset;
      Draw(c);
    }
    Events::Idle(Events::kTrackInterval);
  }
  const Rect content = Windows::ContentRect(c->owner);
  const int offset = offsetFor(Point{where.h - content.left, where.v - content.top});
  c->dragOffset = -1;
  if (at.travel > 0) {
    const long long span = static_cast<long long>(c->maximum) - c->minimum;
    c->value = c->minimum + static_cast<int>((offset * span + at.travel / 2) / at.travel);
  }
  Draw(c);
  return kInThumb;
}

}  // namespace

Control* NewControl(Windows::Window* owner, const Rect& bounds, std::span<const char> title, bool visible, int value,
                    int minimum, int maximum, int procID, void* refCon) {
  if (owner == nullptr) return nullptr;
  if (procID != kPushButProc && procID != kCheckBoxProc && procID != kRadioButProc && procID != kScrollBarProc) {
    return nullptr;
  }
  auto* c = new Control;
  c->owner = owner;
  c->bounds = bounds;
  c->title = TitleOf(title);
  c->visible = visible;
  c->minimum = minimum;
  c->maximum = std::max(minimum, maximum);
  c->value = std::clamp(value, c->minimum, c->maximum);
  c->procID = procID;
  c->refCon = refCon;
  all.push_back(c);
  Draw(c);
  return c;
}

void DisposeControl(Control* c) {
  if (c == nullptr) return;
  Erase(c);
  all.erase(std::remove(all.begin(), all.end(), c), all.end());
  delete c;
}

void KillControls(Windows::Window* owner) {
  const auto mine = [owner](const Control* c) { return c->owner == owner; };
  const auto gone = std::stable_partition(all.begin(), all.end(), [&](const Control* c) { return !mine(c); });
  for (auto it = gone; it != all.end(); ++it) delete *it;
  all.erase(gone, all.end());
}

void Shutdown() {
  for (Control* c : all) delete c;
  all.clear();
}

void DrawControls(Windows::Window* owner) {
  for (Control* c : all) {
    if (c->owner == owner) Draw(c);
  }
}

void Draw1Control(Control* c) {
  if (c != nullptr) Draw(c);
}

void ShowControl(Control* c) {
  if (c == nullptr || c->visible) return;
  c->visible = true;
  Draw(c);
}

void HideControl(Control* c) {
  if (c == nullptr || !c->visible) return;
  Erase(c);
  c->visible = false;
}

bool IsControlVisible(const Control* c) { return c != nullptr && c->visible; }

void HiliteControl(Control* c, int hilite) {
  if (c == nullptr || c->hilite == hilite) return;
  c->hilite = std::clamp(hilite, 0, 255);
  Draw(c);
}

int GetControlHilite(const Control* c) { return c == nullptr ? 0 : c->hilite; }

void MoveControl(Control* c, int h, int v) {
  if (c == nullptr) return;
  Erase(c);
  c->bounds = Geometry::OffsetRect(c->bounds, h - c->bounds.left, v - c->bounds.top);
  Draw(c);
}

void SizeControl(Control* c, int width, int height) {
  if (c == nullptr) return;
  Erase(c);
  c->bounds.right = c->bounds.left + std::max(0, width);
  c->bounds.bottom = c->bounds.top + std::max(0, height);
  Draw(c);
}

Rect GetControlBounds(const Control* c) { return c == nullptr ? Rect{} : c->bounds; }

void SetControlValue(Control* c, int value) {
  if (c == nullptr) return;
  value = std::clamp(value, c->minimum, c->maximum);
  if (value == c->value) return;
  c->value = value;
  Draw(c);
}

int GetControlValue(const Control* c) { return c == nullptr ? 0 : c->value; }

void SetControlMinimum(Control* c, int minimum) {
  if (c == nullptr) return;
  c->minimum = minimum;
  c->maximum = std::max(c->maximum, minimum);
  c->value = std::clamp(c->value, c->minimum, c->maximum);
  Draw(c);
}

int GetControlMinimum(const Control* c) { return c == nullptr ? 0 : c->minimum; }

void SetControlMaximum(Control* c, int maximum) {
  if (c == nullptr) return;
  c->maximum = std::max(maximum, c->minimum);
  c->value = std::clamp(c->value, c->minimum, c->maximum);
  Draw(c);
}

int GetControlMaximum(const Control* c) { return c == nullptr ? 0 : c->maximum; }

void SetControlTitle(Control* c, std::span<const char> title) {
  if (c == nullptr) return;
  c->title = TitleOf(title);
  Draw(c);
}

void GetControlTitle(const Control* c, std::span<char> title) {
  if (title.empty()) return;
  const std::string empty;
  const std::string& s = c == nullptr ? empty : c->title;
  const std::size_t n = std::min(s.size(), title.size() - 1);
  std::copy_n(s.begin(), n, title.begin());
  title[n] = '\0';
}

Windows::Window* GetControlOwner(const Control* c) { return c == nullptr ? nullptr : c->owner; }
int GetControlProcID(const Control* c) { return c == nullptr ? 0 : c->procID; }

void SetControlReference(Control* c, void* refCon) {
  if (c != nullptr) c->refCon = refCon;
}

void* GetControlReference(const Control* c) { return c == nullptr ? nullptr : c->refCon; }

int TestControl(const Control* c, Point local) {
  if (c == nullptr || !c->visible || Inactive(c) || !Geometry::PtInRect(local, c->bounds)) return kNoPart;
  switch (c->procID) {
    case kPushButProc:
      return kInButton;
    case kCheckBoxProc:
    case kRadioButProc:
      return kInCheckBox;
    default:
      break;
  }
  if (!HasThumb(c)) return kNoPart;
  const BarParts p = PartsOf(c);
  if (Geometry::PtInRect(local, p.up)) return kInUpButton;
  if (Geometry::PtInRect(local, p.down)) return kInDownButton;
  if (Geometry::PtInRect(local, p.thumb)) return kInThumb;
  const bool before = p.vertical ? local.v < p.thumb.top : local.h < p.thumb.left;
  return before ? kInPageUp : kInPageDown;
}

int FindControl(Point local, Windows::Window* owner, Control** c) {
  if (c != nullptr) *c = nullptr;
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if ((*it)->owner != owner) continue;
    if (const int part = TestControl(*it, local); part != kNoPart) {
      if (c != nullptr) *c = *it;
      return part;
    }
  }
  return kNoPart;
}

int TrackControl(Control* c, Point start, ActionProc action) {
  const int part = TestControl(c, start);
  if (part == kNoPart) return kNoPart;
  if (part == kInThumb) return TrackThumb(c, start);
  return TrackPart(c, part, action);
}

void SetControlAction(Control* c, ActionProc action) {
  if (c != nullptr) c->action = action;
}

ActionProc GetControlAction(const Control* c) { return c == nullptr ? nullptr : c->action; }

}  // namespace Controls
