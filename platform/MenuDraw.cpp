#include "platform/MenuDraw.h"

#include "platform/Fonts.h"
#include "platform/Lines.h"
#include "platform/Screen.h"
#include "platform/Shapes.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <string>

namespace MenuDraw {

using Geometry::Point;
using Geometry::Rect;

namespace {

constexpr int kFirstTitle = 10;
constexpr int kTitlePad = 8;
constexpr int kMarkColumn = 16;
constexpr int kRightPad = 10;
constexpr int kKeyGap = 20;
constexpr int kArrowWidth = 14;
constexpr Color::RGB kGrey{0x8080, 0x8080, 0x8080};
constexpr const char* kCommandPrefix = "Ctrl+";

// Measuring and drawing share this port state: the sans face at 12.
class MenuPort {
 public:
  explicit MenuPort(Port::GrafPort* port) : saved_(Port::GetPort()) {
    Port::SetPort(port);
    Port::PenNormal();
    Port::TextFont(Fonts::kGeneva);
    Port::TextSize(12);
    Port::TextFace(0);
    Port::TextMode(Port::kSrcOr);
    Port::RGBForeColor(Color::kBlack);
    Port::RGBBackColor(Color::kWhite);
    Port::BackPat(Pattern::kWhite);
    Port::ClipRect(Port::kWideOpen);
  }
  ~MenuPort() { Port::SetPort(saved_); }
  MenuPort(const MenuPort&) = delete;
  MenuPort& operator=(const MenuPort&) = delete;

 private:
  Port::GrafPort* saved_;
};

// A port of no pixels, only for measuring text.
Port::GrafPort& MeasuringPort() {
  static Port::GrafPort port;
  return port;
}

std::string Title(const Menus::Menu* menu) {
  std::array<char, Menus::kMaxText + 1> text{};
  Menus::GetMenuTitle(menu, text);
  return text.data();
}

std::string ItemText(const Menus::Menu* menu, int item) {
  std::array<char, Menus::kMaxText + 1> text{};
  Menus::GetItemText(menu, item, text);
  return text.data();
}

std::string KeyText(unsigned char cmd) {
  std::string s = kCommandPrefix;
  s.push_back(static_cast<char>(cmd));
  return s;
}

int Width(const std::string& s) { return Text::TextWidth(std::span<const char>(s.data(), s.size())); }

void Draw(const std::string& s) { Text::DrawText(std::span<const char>(s.data(), s.size())); }

int MenuWidth(const Menus::Menu* menu) {
  MenuPort measuring(&MeasuringPort());
  int width = Width(Title(menu)) + 2 * kTitlePad;
  for (int i = 1; i <= Menus::CountItems(menu); ++i) {
    int w = kMarkColumn + Width(ItemText(menu, i)) + kRightPad;
    const unsigned char cmd = Menus::GetItemCmd(menu, i);
    if (cmd == Menus::kHierarchicalCmd) {
      w += kArrowWidth;
    } else if (cmd != 0) {
      w += kKeyGap + Width(KeyText(cmd));
    }
    width = std::max(width, w);
  }
  return width;
}

Point KeepOnScreen(Point p, const Menus::Menu* menu) {
  const Rect screen = Screen::Bounds();
  const Rect r = MenuRect(menu, p);
  if (r.right + 1 > screen.right) p.h -= r.right + 1 - screen.right;
  if (r.bottom + 1 > screen.bottom) p.v -= r.bottom + 1 - screen.bottom;
  p.h = std::max(p.h, screen.left + 1);
  p.v = std::max(p.v, Screen::MenuBarHeight());
  return p;
}

void DrawCheckMark(int x, int baseline) {
  Port::MoveTo(x + 2, baseline - 4);
  Lines::LineTo(x + 4, baseline - 2);
  Lines::LineTo(x + 9, baseline - 9);
  Port::MoveTo(x + 2, baseline - 5);
  Lines::LineTo(x + 4, baseline - 3);
  Lines::LineTo(x + 9, baseline - 10);
}

void DrawArrow(const Rect& item) {
  const int x = item.right - 10;
  const int y = item.top + kItemHeight / 2;
  const std::array<Point, 3> arrow{Point{x, y - 4}, Point{x + 5, y}, Point{x, y + 4}};
  Shapes::PaintPoly(arrow);
}

}  // namespace

Rect TitleRect(int index) {
  if (Menus::BarMenu(index) == nullptr) return Rect{};
  MenuPort measuring(&MeasuringPort());
  int x = kFirstTitle;
  for (int i = 0;; ++i) {
    const int w = Width(Title(Menus::BarMenu(i))) + 2 * kTitlePad;
    if (i == index) return Geometry::SetRect(x, 0, x + w, Screen::MenuBarHeight() - 1);
    x += w;
  }
}

int TitleAt(Point p) {
  for (int i = 0; i < Menus::BarCount(); ++i) {
    if (Geometry::PtInRect(p, TitleRect(i))) return i;
  }
  return -1;
}

Rect MenuRect(const Menus::Menu* menu, Point topLeft) {
  return Geometry::SetRect(topLeft.h, topLeft.v, topLeft.h + MenuWidth(menu),
                           topLeft.v + Menus::CountItems(menu) * kItemHeight);
}

Point PullDownOrigin(const Menus::Menu* menu, int barIndex) {
  const Rect title = TitleRect(barIndex);
  return KeepOnScreen(Point{title.left, Screen::MenuBarHeight()}, menu);
}

Point SubmenuOrigin(const Menus::Menu* menu, const Rect& parentItem) {
  return KeepOnScreen(Point{parentItem.right + 1, parentItem.top}, menu);
}

Point PopUpOrigin(const Menus::Menu* menu, int top, int left, int item) {
  const int above = item >= 1 && item <= Menus::CountItems(menu) ? (item - 1) * kItemHeight : 0;
  return KeepOnScreen(Point{left, top - above}, menu);
}

Rect ItemRect(const Menus::Menu* menu, Point topLeft, int item) {
  const Rect r = MenuRect(menu, topLeft);
  if (item < 1 || item > Menus::CountItems(menu)) return Rect{};
  const int top = r.top + (item - 1) * kItemHeight;
  return Geometry::SetRect(r.left, top, r.right, top + kItemHeight);
}

int ItemAt(const Menus::Menu* menu, Point topLeft, Point p) {
  const Rect r = MenuRect(menu, topLeft);
  if (!Geometry::PtInRect(p, r)) return 0;
  return (p.v - r.top) / kItemHeight + 1;
}

void DrawBar(Port::GrafPort& screen) {
  MenuPort port(&screen);
  const Rect bar = Screen::MenuBar();
  Shapes::EraseRect(bar);
  Shapes::PaintRect(Geometry::SetRect(bar.left, bar.bottom - 1, bar.right, bar.bottom));
  for (int i = 0; i < Menus::BarCount(); ++i) {
    const Menus::Menu* menu = Menus::BarMenu(i);
    const Rect r = TitleRect(i);
    Port::RGBForeColor(Menus::IsItemEnabled(menu, 0) ? Color::kBlack : kGrey);
    Port::MoveTo(r.left + kTitlePad, 14);
    Draw(Title(menu));
    Port::RGBForeColor(Color::kBlack);
    if (Menus::HilitedMenu() == Menus::GetMenuID(menu)) Shapes::InvertRect(r);
  }
}

void DrawMenu(Port::GrafPort& screen, const Menus::Menu* menu, Point topLeft, int hilitedItem) {
  MenuPort port(&screen);
  const Rect r = MenuRect(menu, topLeft);
  const Rect border = Geometry::InsetRect(r, -1, -1);
  Shapes::PaintRect(Geometry::OffsetRect(border, 1, 1));
  Shapes::EraseRect(border);
  Shapes::FrameRect(border);
  const bool menuEnabled = Menus::IsItemEnabled(menu, 0);
  for (int i = 1; i <= Menus::CountItems(menu); ++i) {
    const Rect item = ItemRect(menu, topLeft, i);
    if (Menus::IsSeparator(menu, i)) {
      Port::PenPat(Pattern::kGray);
      const int y = item.top + kItemHeight / 2;
      Shapes::PaintRect(Geometry::SetRect(item.left, y, item.right, y + 1));
      Port::PenPat(Pattern::kBlack);
      continue;
    }
    const int baseline = item.top + 12;
    Port::RGBForeColor(menuEnabled && Menus::IsItemEnabled(menu, i) ? Color::kBlack : kGrey);
    const unsigned char cmd = Menus::GetItemCmd(menu, i);
    const unsigned char mark = Menus::GetItemMark(menu, i);
    if (cmd != Menus::kHierarchicalCmd && mark == Menus::kCheckMark) {
      DrawCheckMark(item.left + 2, baseline);
    } else if (cmd != Menus::kHierarchicalCmd && mark != 0) {
      Port::MoveTo(item.left + 4, baseline);
      Text::DrawChar(mark);
    }
    Port::MoveTo(item.left + kMarkColumn, baseline);
    Draw(ItemText(menu, i));
    if (cmd == Menus::kHierarchicalCmd) {
      DrawArrow(item);
    } else if (cmd != 0) {
      const std::string key = KeyText(cmd);
      Port::MoveTo(item.right - kRightPad - Width(key), baseline);
      Draw(key);
    }
    Port::RGBForeColor(Color::kBlack);
    if (i == hilitedItem) Shapes::InvertRect(item);
  }
}

}  // namespace MenuDraw
