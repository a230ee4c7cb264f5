#include "platform/TextEdit.h"

#include "foundation/platform/Clock.h"
#include "platform/Controls.h"
#include "platform/EventQueue.h"
#include "platform/Events.h"
#include "platform/Input.h"
#include "platform/Lines.h"
#include "platform/PortState.h"
#include "platform/Shapes.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace TextEdit {

using Geometry::Point;
using Geometry::Rect;

struct Field {
  Windows::Window* owner = nullptr;
  Rect view;
  std::string text;
  int selStart = 0;
  int selEnd = 0;
  int anchor = 0;  // the end of the selection that stays when it is extended
  bool active = false;
  bool caretOn = true;
  std::uint32_t lastBlink = 0;
  std::uint32_t lastClick = 0;
  int lastClickOffset = -1;
  int scrollH = 0;   // one-line fields: pixels scrolled to the left
  int topLine = 0;   // wrapped fields: the first line shown
  std::vector<int> lineStarts{0};
};

namespace {

std::string scrap;
std::uint32_t scrapChanges = 0;

constexpr unsigned char kReturn = 13;
constexpr unsigned char kBackspace = 8;
constexpr unsigned char kForwardDelete = 127;
constexpr unsigned char kLeft = 28;
constexpr unsigned char kRight = 29;
constexpr unsigned char kUp = 30;
constexpr unsigned char kDown = 31;

// The system font is set while the field is measured or drawn.
class FontScope {
 public:
  explicit FontScope(const Field* f) : scope_(Windows::GetWindowPort(f->owner)) {
    Port::TextFont(Controls::kSystemFont);
    Port::TextSize(Controls::kSystemSize);
    Port::TextFace(0);
    Port::TextMode(Port::kSrcOr);
  }

 private:
  PortState::Scope scope_;
};

int LineHeight() {
  const Fonts::FontInfo i = Text::GetFontInfo();
  return i.ascent + i.descent + i.leading;
}

bool Wraps(const Field* f) { return Geometry::Height(f->view) >= 2 * LineHeight(); }

int Length(const Field* f) { return static_cast<int>(f->text.size()); }

unsigned char At(const Field* f, int i) { return static_cast<unsigned char>(f->text[static_cast<std::size_t>(i)]); }

int Width(const Field* f, int from, int to) {
  int w = 0;
  for (int i = from; i < to; ++i) {
    if (At(f, i) != kReturn) w += Text::CharWidth(At(f, i));
  }
  return w;
}

void Layout(Field* f) {
  f->lineStarts.assign(1, 0);
  const bool wraps = Wraps(f);
  const int limit = Geometry::Width(f->view);
  int start = 0, width = 0, lastBlank = -1;
  for (int i = 0; i < Length(f); ++i) {
    const unsigned char c = At(f, i);
    if (c == kReturn) {
      f->lineStarts.push_back(i + 1);
      start = i + 1;
      width = 0;
      lastBlank = -1;
      continue;
    }
    const int w = Text::CharWidth(c);
    if (wraps && width + w > limit && i > start) {
      start = lastBlank >= start ? lastBlank + 1 : i;
      f->lineStarts.push_back(start);
      width = Width(f, start, i);
      lastBlank = -1;
    }
    if (c == ' ') lastBlank = i;
    width += w;
  }
}

int LineOf(const Field* f, int offset) {
  const auto it = std::upper_bound(f->lineStarts.begin(), f->lineStarts.end(), offset);
  return static_cast<int>(it - f->lineStarts.begin()) - 1;
}

int LineEnd(const Field* f, int line) {
  const auto next = static_cast<std::size_t>(line + 1);
  if (next >= f->lineStarts.size()) return Length(f);
  const int end = f->lineStarts[next];
  return end > 0 && At(f, end - 1) == kReturn ? end - 1 : end;
}

int VisibleLines(const Field* f) { return std::max(1, Geometry::Height(f->view) / LineHeight()); }

// The offset nearest to x on the line.
int OffsetOnLine(const Field* f, int line, int x) {
  int pos = 0;
  const int end = LineEnd(f, line);
  for (int i = f->lineStarts[static_cast<std::size_t>(line)]; i < end; ++i) {
    const int w = Text::CharWidth(At(f, i));
    if (x < pos + (w + 1) / 2) return i;
    pos += w;
  }
  return end;
}

int OffsetAt(const Field* f, Point local) {
  const int line = std::clamp(f->topLine + (local.v - f->view.top) / LineHeight(), 0,
                              static_cast<int>(f->lineStarts.size()) - 1);
  return OffsetOnLine(f, line, local.h - f->view.left + f->scrollH);
}

int XOf(const Field* f, int offset) { return Width(f, f->lineStarts[static_cast<std::size_t>(LineOf(f, offset))], offset); }

// Scrolls so that the moving end of the selection shows.
void KeepInView(Field* f) {
  const int caret = f->anchor == f->selStart ? f->selEnd : f->selStart;
  if (Wraps(f)) {
    f->scrollH = 0;
    const int line = LineOf(f, caret);
    if (line < f->topLine) f->topLine = line;
    if (line >= f->topLine + VisibleLines(f)) f->topLine = line - VisibleLines(f) + 1;
    return;
  }
  f->topLine = 0;
  const int x = XOf(f, caret);
  const int width = std::max(1, Geometry::Width(f->view) - 1);
  if (x < f->scrollH) f->scrollH = x;
  if (x > f->scrollH + width) f->scrollH = x - width;
}

void Draw(Field* f) {
  if (f->owner == nullptr) return;
  FontScope font(f);
  Port::ClipRect(f->view);
  Port::RGBBackColor(Color::kWhite);
  Port::BackPat(Pattern::kWhite);
  Port::PenNormal();
  Shapes::EraseRect(f->view);
  const Fonts::FontInfo info = Text::GetFontInfo();
  const int height = LineHeight();
  const bool showSelection = f->active && f->selStart < f->selEnd;
  const int lines = static_cast<int>(f->lineStarts.size());
  for (int line = f->topLine; line < lines && line < f->topLine + VisibleLines(f) + 1; ++line) {
    const int top = f->view.top + (line - f->topLine) * height;
    const int start = f->lineStarts[static_cast<std::size_t>(line)];
    const int end = LineEnd(f, line);
    const int left = f->view.left - f->scrollH;
    if (showSelection && f->selStart <= end && f->selEnd >= start) {
      const int from = std::max(f->selStart, start);
      const int to = std::min(f->selEnd, end);
      // A selection that runs on past the line's end covers the rest of it.
      const int right = f->selEnd > end && line + 1 < lines ? f->view.right : left + Width(f, start, to);
      Port::RGBForeColor(Color::kHilite);
      Shapes::PaintRect(Geometry::SetRect(left + Width(f, start, from), top, right, top + height));
    }
    Port::RGBForeColor(Color::kBlack);
    Port::MoveTo(left, top + info.ascent);
    Text::DrawText(std::span<const char>(f->text.data() + start, static_cast<std::size_t>(end - start)));
  }
  if (f->active && f->selStart == f->selEnd && f->caretOn) {
    const int line = LineOf(f, f->selStart);
    const int x = f->view.left - f->scrollH + XOf(f, f->selStart);
    const int top = f->view.top + (line - f->topLine) * height;
    Port::RGBForeColor(Color::kBlack);
    Port::MoveTo(x, top);
    Lines::LineTo(x, top + height - 1);
  }
}

void Changed(Field* f) {
  Layout(f);
  KeepInView(f);
  f->caretOn = true;
  Draw(f);
}

void Select(Field* f, int anchor, int moving) {
  anchor = std::clamp(anchor, 0, Length(f));
  moving = std::clamp(moving, 0, Length(f));
  f->anchor = anchor;
  f->selStart = std::min(anchor, moving);
  f->selEnd = std::max(anchor, moving);
  // The anchor names the fixed end; a caret has both ends at the anchor.
  if (f->selStart == f->selEnd) f->anchor = f->selStart;
  Changed(f);
}

int MovingEnd(const Field* f) { return f->anchor == f->selStart ? f->selEnd : f->selStart; }

void Replace(Field* f, std::string_view with) {
  const auto room = static_cast<std::size_t>(kMaxLength - (Length(f) - (f->selEnd - f->selStart)));
  with = with.substr(0, std::min(with.size(), room));
  f->text.replace(static_cast<std::size_t>(f->selStart), static_cast<std::size_t>(f->selEnd - f->selStart), with);
  const int caret = f->selStart + static_cast<int>(with.size());
  f->selStart = f->selEnd = f->anchor = caret;
  Changed(f);
}

bool InWord(unsigned char c) { return std::isalnum(c) != 0 || c == '_' || c >= 0x80; }

void SelectWord(Field* f, int offset) {
  int start = offset, end = offset;
  while (start > 0 && InWord(At(f, start - 1))) --start;
  while (end < Length(f) && InWord(At(f, end))) ++end;
  Select(f, start, end);
}

void MoveVertically(Field* f, int lines, bool extend) {
  const int moving = MovingEnd(f);
  const int line = std::clamp(LineOf(f, moving) + lines, 0, static_cast<int>(f->lineStarts.size()) - 1);
  const int target = OffsetOnLine(f, line, XOf(f, moving));
  Select(f, extend ? f->anchor : target, target);
}

void MoveSideways(Field* f, bool right, bool extend) {
  if (!extend && f->selStart != f->selEnd) {
    const int to = right ? f->selEnd : f->selStart;
    Select(f, to, to);
    return;
  }
  const int target = MovingEnd(f) + (right ? 1 : -1);
  Select(f, extend ? f->anchor : target, target);
}

}  // namespace

Field* New(Windows::Window* owner, const Rect& view) {
  if (owner == nullptr) return nullptr;
  auto* f = new Field;
  f->owner = owner;
  f->view = view;
  return f;
}

void Dispose(Field* f) { delete f; }

void SetText(Field* f, std::span<const char> chars) {
  if (f == nullptr) return;
  f->text.assign(chars.data(), std::min(chars.size(), static_cast<std::size_t>(kMaxLength)));
  f->selStart = f->selEnd = f->anchor = Length(f);
  f->topLine = 0;
  f->scrollH = 0;
  FontScope font(f);
  Layout(f);
}

std::string_view GetText(const Field* f) { return f == nullptr ? std::string_view() : std::string_view(f->text); }

void SetSelect(Field* f, int start, int end) {
  if (f == nullptr) return;
  FontScope font(f);
  Select(f, start, end);
}

int SelStart(const Field* f) { return f == nullptr ? 0 : f->selStart; }
int SelEnd(const Field* f) { return f == nullptr ? 0 : f->selEnd; }

void Activate(Field* f, bool active) {
  if (f == nullptr || f->active == active) return;
  f->active = active;
  f->caretOn = true;
  Draw(f);
}

bool IsActive(const Field* f) { return f != nullptr && f->active; }

void SetView(Field* f, const Rect& view) {
  if (f == nullptr) return;
  f->view = view;
  FontScope font(f);
  Changed(f);
}

Rect GetView(const Field* f) { return f == nullptr ? Rect{} : f->view; }

void Update(Field* f) {
  if (f != nullptr) Draw(f);
}

void Idle(Field* f) {
  if (f == nullptr || !f->active || f->selStart != f->selEnd) return;
  const std::uint32_t now = Platform::Tick_Count();
  if (now - f->lastBlink < Events::GetCaretTime()) return;
  f->lastBlink = now;
  f->caretOn = !f->caretOn;
  Draw(f);
}

void Click(Field* f, Point local, bool extend, std::uint32_t when) {
  if (f == nullptr) return;
  FontScope font(f);
  const int offset = OffsetAt(f, local);
  const bool twice = !extend && offset == f->lastClickOffset && when - f->lastClick <= Events::GetDblTime();
  f->lastClick = when;
  f->lastClickOffset = offset;
  if (twice) {
    SelectWord(f, offset);
    return;
  }
  const int anchor = extend ? f->anchor : offset;
  Select(f, anchor, offset);
  Point where;
  while (!Events::TrackRelease(where)) {
    const Rect content = Windows::ContentRect(f->owner);
    const Point p = Input::Pointer();
    const int moving = OffsetAt(f, Point{p.h - content.left, p.v - content.top});
    if (moving != MovingEnd(f)) Select(f, anchor, moving);
    Events::Idle(Events::kTrackInterval);
  }
}

void Key(Field* f, unsigned char ch, int modifiers) {
  if (f == nullptr) return;
  FontScope font(f);
  const bool shift = (modifiers & (EventQueue::kShiftKey | EventQueue::kRightShiftKey)) != 0;
  switch (ch) {
    case kLeft:
    case kRight:
      MoveSideways(f, ch == kRight, shift);
      return;
    case kUp:
    case kDown:
      MoveVertically(f, ch == kDown ? 1 : -1, shift);
      return;
    case kBackspace:
      if (f->selStart == f->selEnd && f->selStart > 0) --f->selStart;
      Replace(f, {});
      return;
    case kForwardDelete:
      if (f->selStart == f->selEnd && f->selEnd < Length(f)) ++f->selEnd;
      Replace(f, {});
      return;
    default:
      break;
  }
  if (ch < 0x20 && ch != kReturn) return;
  const char c = static_cast<char>(ch);
  Replace(f, std::string_view(&c, 1));
}

void Copy(Field* f) {
  if (f == nullptr || f->selStart == f->selEnd) return;
  const std::string selected = f->text.substr(static_cast<std::size_t>(f->selStart),
                                              static_cast<std::size_t>(f->selEnd - f->selStart));
  SetScrapText(selected);
}

void Cut(Field* f) {
  if (f == nullptr || f->selStart == f->selEnd) return;
  Copy(f);
  Delete(f);
}

void Paste(Field* f) {
  if (f == nullptr) return;
  FontScope font(f);
  Replace(f, scrap);
}

void Delete(Field* f) {
  if (f == nullptr) return;
  FontScope font(f);
  Replace(f, {});
}

std::string_view ScrapText() { return scrap; }

void SetScrapText(std::span<const char> chars) {
  scrap.assign(chars.data(), std::min(chars.size(), static_cast<std::size_t>(kMaxLength)));
  ++scrapChanges;
}

int ScrapLength() { return static_cast<int>(scrap.size()); }
std::uint32_t ScrapChangeCount() { return scrapChanges; }

}  // namespace TextEdit
