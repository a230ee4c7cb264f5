// The software raster: shapes, lines, transfer modes, patterns, clipping,
// scrolling and copies, checked pixel by pixel and against golden images.
#include "platform/Blit.h"
#include "platform/Lines.h"
#include "platform/Port.h"
#include "platform/Render.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Geometry::Point;
using Geometry::Rect;
using Geometry::SetRect;

constexpr Surface::Pixel kBlackPixel = 0x000000;
constexpr Surface::Pixel kWhitePixel = 0xFFFFFF;

// The pixels of a canvas region that are not white.
int InkIn(const Surface::Pixels& p, const Rect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) n += p.At(x, y) != kWhitePixel ? 1 : 0;
  }
  return n;
}

TEST(Geometry, RectangleArithmetic) {
  const Rect a = SetRect(0, 0, 10, 10);
  const Rect b = SetRect(5, 5, 20, 20);
  EXPECT_EQ(Geometry::SectRect(a, b), SetRect(5, 5, 10, 10));
  EXPECT_EQ(Geometry::SectRect(a, SetRect(10, 0, 20, 10)), Rect{});  // touching edges share no pixel
  EXPECT_EQ(Geometry::UnionRect(a, Rect{}), a);
  EXPECT_EQ(Geometry::UnionRect(a, b), SetRect(0, 0, 20, 20));
  EXPECT_TRUE(Geometry::PtInRect(Point{9, 9}, a));
  EXPECT_FALSE(Geometry::PtInRect(Point{10, 9}, a));
  EXPECT_TRUE(Geometry::EmptyRect(SetRect(5, 0, 5, 10)));
  EXPECT_TRUE(Geometry::EmptyRect(SetRect(0, 10, 10, 0)));
}

TEST(Region, SetOperationsKeepRectanglesDisjoint) {
  Region::Rgn r(SetRect(0, 0, 10, 10));
  r.Union(SetRect(5, 5, 15, 15));
  r.Subtract(SetRect(3, 3, 7, 7));
  // 100 + 100 - 25 overlap - 16 hole
  int area = 0;
  for (const Rect& a : r.Rects()) {
    area += Geometry::Width(a) * Geometry::Height(a);
    for (const Rect& b : r.Rects()) {
      if (&a != &b) {
        EXPECT_TRUE(Geometry::EmptyRect(Geometry::SectRect(a, b)));
      }
    }
  }
  EXPECT_EQ(area, 159);
  EXPECT_FALSE(r.Contains(Point{4, 4}));
  EXPECT_TRUE(r.Contains(Point{14, 14}));
  EXPECT_EQ(r.Bounds(), SetRect(0, 0, 15, 15));

  Region::Rgn same(SetRect(0, 0, 15, 15));
  same.Subtract(SetRect(10, 0, 15, 5));
  same.Subtract(SetRect(0, 10, 5, 15));
  same.Subtract(SetRect(3, 3, 7, 7));
  EXPECT_TRUE(Region::EqualRgn(r, same));
  r.Intersect(SetRect(0, 0, 4, 4));
  EXPECT_TRUE(Region::EqualRgn(r, [] {
    Region::Rgn l(SetRect(0, 0, 4, 4));
    l.Subtract(SetRect(3, 3, 4, 4));
    return l;
  }()));
  r.Subtract(r);
  EXPECT_TRUE(r.Empty());
}

TEST(Render, TransferModesFollowTheTable) {
  constexpr Surface::Pixel d = 0x123456;
  constexpr Surface::Pixel fg = 0x0000FF;
  constexpr Surface::Pixel bg = 0xFFFF00;
  constexpr Surface::Pixel inv = 0xEDCBA9;
  struct Case {
    int mode;
    Surface::Pixel one;
    Surface::Pixel zero;
  };
  const std::vector<Case> cases{
      {Port::kSrcCopy, fg, bg},     {Port::kSrcOr, fg, d},        {Port::kSrcXor, inv, d},
      {Port::kSrcBic, bg, d},       {Port::kNotSrcCopy, bg, fg},  {Port::kNotSrcOr, d, fg},
      {Port::kNotSrcXor, d, inv},   {Port::kNotSrcBic, d, bg},    {Port::kPatCopy, fg, bg},
      {Port::kNotPatXor, d, inv},   {99, fg, bg},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Render::Transfer(d, true, c.mode, fg, bg), c.one) << "mode " << c.mode;
    EXPECT_EQ(Render::Transfer(d, false, c.mode, fg, bg), c.zero) << "mode " << c.mode;
  }
}

TEST(Render, LinesIncludeBothEndsAndSweepThePen) {
  Canvas c(40, 40);
  Port::MoveTo(5, 5);
  Lines::LineTo(15, 5);
  EXPECT_EQ(InkIn(c.Pixels(), SetRect(0, 0, 40, 40)), 11);
  EXPECT_EQ(Port::GetPen(), (Point{15, 5}));
  // A 3 x 2 pen along a vertical line covers x 20..22, y 10..21.
  Port::PenSize(3, 2);
  Port::MoveTo(20, 10);
  Lines::LineTo(20, 20);
  EXPECT_EQ(InkIn(c.Pixels(), SetRect(19, 9, 24, 23)), 3 * 12);
  // A pen of width 0 draws nothing.
  Port::PenSize(0, 4);
  Port::MoveTo(30, 0);
  Lines::LineTo(30, 39);
  EXPECT_EQ(InkIn(c.Pixels(), SetRect(29, 0, 31, 40)), 0);
}

TEST(Render, XorFrameOfAPolygonTouchesEveryPixelOnce) {
  Canvas c(30, 30);
  Port::PenMode(Port::kPatXor);
  Port::PenSize(2, 2);
  const std::array<Point, 4> triangle{Point{2, 2}, Point{25, 2}, Point{2, 25}, Point{2, 2}};
  Shapes::FramePoly(triangle);
  // Where the lines meet no pixel has been inverted back to white.
  EXPECT_EQ(c.Pixels().At(2, 2), kBlackPixel);
  EXPECT_EQ(c.Pixels().At(3, 3), kBlackPixel);
  EXPECT_EQ(c.Pixels().At(25, 2), kBlackPixel);
}

TEST(Render, FramesLieInsideTheirRectangle) {
  Canvas c(50, 50);
  Port::PenSize(3, 2);
  Shapes::FrameRect(SetRect(10, 10, 30, 20));
  EXPECT_EQ(InkIn(c.Pixels(), SetRect(0, 0, 50, 50)), 20 * 10 - 14 * 6);
  EXPECT_EQ(InkIn(c.Pixels(), SetRect(10, 10, 30, 20)), 20 * 10 - 14 * 6);
  // A frame wider than the shape fills it.
  Shapes::FrameRect(SetRect(40, 40, 44, 43));
  EXPECT_EQ(InkIn(c.Pixels(), SetRect(40, 40, 44, 43)), 12);
  // An oval fills less than its rectangle and touches all four sides.
  Shapes::PaintOval(SetRect(0, 30, 20, 50));
  const int oval = InkIn(c.Pixels(), SetRect(0, 30, 20, 50));
  EXPECT_LT(oval, 400);
  EXPECT_GT(oval, 300);
  EXPECT_EQ(c.Pixels().At(10, 30), kBlackPixel);
  EXPECT_EQ(c.Pixels().At(0, 40), kBlackPixel);
  EXPECT_EQ(c.Pixels().At(0, 30), kWhitePixel);
}

TEST(Render, SelfCrossingPolygonsFillByTheEvenOddRule) {
  // A five-pointed star drawn in one stroke leaves its centre empty.
  const std::array<Point, 5> star{Point{50, 0}, Point{79, 90}, Point{2, 34}, Point{98, 34}, Point{21, 90}};
  const Render::Spans spans = Render::PolySpans(star);
  const auto covered = [&](int x, int y) {
    for (const Render::Span& s : spans) {
      if (s.y == y && x >= s.x0 && x < s.x1) return true;
    }
    return false;
  };
  EXPECT_FALSE(covered(50, 50));
  EXPECT_TRUE(covered(50, 20));
  EXPECT_TRUE(covered(10, 36));
}

TEST(Render, FarAwayLinesAreCutNotOverflowed) {
  Canvas c(20, 20);
  Port::MoveTo(-2000000000, 10);
  Lines::LineTo(2000000000, 10);
  EXPECT_EQ(InkIn(c.Pixels(), SetRect(0, 0, 20, 20)), 20);
}

TEST(Blit, CopiesNeedEqualSizesAndReadBeforeWriting) {
  Canvas c(20, 4);
  for (int x = 0; x < 10; ++x) {
    Port::RGBForeColor(Color::RGB{static_cast<std::uint16_t>(x * 6000), 0, 0});
    Shapes::PaintRect(SetRect(x, 0, x + 1, 1));
  }
  EXPECT_FALSE(Blit::CopyBits(c.CanvasPort(), c.CanvasPort(), SetRect(0, 0, 10, 1), SetRect(1, 0, 12, 1),
                              Port::kSrcCopy, nullptr));
  // Shifting right by one within the same pixels keeps the order.
  ASSERT_TRUE(Blit::CopyBits(c.CanvasPort(), c.CanvasPort(), SetRect(0, 0, 10, 1), SetRect(1, 0, 11, 1),
                             Port::kSrcCopy, nullptr));
  for (int x = 1; x <= 10; ++x) {
    EXPECT_EQ(c.Pixels().At(x, 0), Color::ToPixel(Color::RGB{static_cast<std::uint16_t>((x - 1) * 6000), 0, 0}));
  }
}

TEST(Blit, ScrollRectErasesAndReturnsTheUncoveredArea) {
  Canvas c(40, 30);
  Shapes::PaintRect(SetRect(0, 0, 40, 30));
  Port::ClipRect(SetRect(0, 0, 40, 25));
  Region::Rgn uncovered;
  Blit::ScrollRect(SetRect(10, 5, 30, 30), -4, -3, uncovered);
  // The rectangle is cut by the clip to (10, 5)-(30, 25); moving it up and
  // left uncovers its bottom 3 rows and right 4 columns.
  Region::Rgn expected(SetRect(10, 22, 30, 25));
  expected.Union(SetRect(26, 5, 30, 25));
  EXPECT_TRUE(Region::EqualRgn(uncovered, expected));
  EXPECT_EQ(InkIn(c.Pixels(), SetRect(0, 0, 40, 30)), 40 * 30 - (20 * 3 + 4 * 17));
  Blit::ScrollRect(SetRect(10, 5, 30, 30), 0, 0, uncovered);
  EXPECT_TRUE(uncovered.Empty());
}

TEST(Blit, ScrollRectDownAndRightTakesEachPixelFromAboveAndLeft) {
  Canvas c(40, 30);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      Port::RGBForeColor(Color::RGB{static_cast<std::uint16_t>(x * 1500), static_cast<std::uint16_t>(y * 2000), 0});
      Shapes::PaintRect(SetRect(x, y, x + 1, y + 1));
    }
  }
  const Surface::Pixels before = c.Pixels();
  Region::Rgn uncovered;
  Blit::ScrollRect(SetRect(5, 5, 35, 25), 3, 2, uncovered);
  for (int y = 7; y < 25; ++y) {
    for (int x = 8; x < 35; ++x) ASSERT_EQ(c.Pixels().At(x, y), before.At(x - 3, y - 2)) << x << ", " << y;
  }
  EXPECT_EQ(c.Pixels().At(4, 24), before.At(4, 24)) << "outside the rectangle nothing moves";
  EXPECT_EQ(c.Pixels().At(35, 25), before.At(35, 25));
}

// Every shape with every verb, and lines of several pens.
TEST(RasterGolden, Shapes) {
  Canvas c(360, 250);
  Shapes::FillRect(SetRect(0, 125, 360, 250), Pattern::kLtGray);
  Shapes::FillRect(SetRect(140, 0, 280, 125), Pattern::kDkGray);
  const std::array<Point, 5> poly{Point{0, 0}, Point{40, 8}, Point{22, 20}, Point{44, 36}, Point{4, 36}};
  for (int verb = 0; verb < 5; ++verb) {
    for (int kind = 0; kind < 4; ++kind) {
      const Rect r = SetRect(10 + verb * 70, 10 + kind * 58, 60 + verb * 70, 50 + kind * 58);
      Port::PenNormal();
      if (verb == 0 && kind % 2 == 1) Port::PenSize(3, 2);
      if (verb == 1) Port::PenPat(Pattern::kDkGray);
      std::array<Point, 5> moved = poly;
      for (Point& p : moved) p = Point{p.h + r.left, p.v + r.top};
      switch (kind) {
        case 0:
          switch (verb) {
            case 0: Shapes::FrameRect(r); break;
            case 1: Shapes::PaintRect(r); break;
            case 2: Shapes::EraseRect(r); break;
            case 3: Shapes::InvertRect(r); break;
            default: Shapes::FillRect(r, Pattern::kGray); break;
          }
          break;
        case 1:
          switch (verb) {
            case 0: Shapes::FrameRoundRect(r, 16, 12); break;
            case 1: Shapes::PaintRoundRect(r, 16, 12); break;
            case 2: Shapes::EraseRoundRect(r, 16, 12); break;
            case 3: Shapes::InvertRoundRect(r, 16, 12); break;
            default: Shapes::FillRoundRect(r, 16, 12, Pattern::kGray); break;
          }
          break;
        case 2:
          switch (verb) {
            case 0: Shapes::FrameOval(r); break;
            case 1: Shapes::PaintOval(r); break;
            case 2: Shapes::EraseOval(r); break;
            case 3: Shapes::InvertOval(r); break;
            default: Shapes::FillOval(r, Pattern::kGray); break;
          }
          break;
        default:
          switch (verb) {
            case 0: Shapes::FramePoly(moved); break;
            case 1: Shapes::PaintPoly(moved); break;
            case 2: Shapes::ErasePoly(moved); break;
            case 3: Shapes::InvertPoly(moved); break;
            default: Shapes::FillPoly(moved, Pattern::kGray); break;
          }
          break;
      }
    }
  }
  Port::PenNormal();
  Port::MoveTo(355, 5);
  Lines::LineTo(300, 245);
  Port::PenSize(2, 3);
  Port::RGBForeColor(Color::kRed);
  Port::MoveTo(5, 245);
  Lines::Line(350, -20);
  EXPECT_TRUE(MatchesGolden(c.Pixels(), "shapes"));
}

// The eight pattern modes (top) and the eight text modes (bottom), each over
// a background half red and half white, with blue foreground and yellow
// background colours.
TEST(RasterGolden, TransferModes) {
  Canvas c(330, 110);
  for (int mode = 0; mode < 8; ++mode) {
    const int x = 5 + mode * 40;
    Port::PenNormal();
    Port::RGBForeColor(Color::kRed);
    Shapes::PaintRect(SetRect(x, 0, x + 18, 110));
    Port::RGBForeColor(Color::kBlue);
    Port::RGBBackColor(Color::kYellow);
    Port::PenPat(Pattern::kDkGray);
    Port::PenMode(Port::kPatCopy + mode);
    Shapes::PaintRect(SetRect(x + 4, 5, x + 32, 50));
    Port::TextFont(Fonts::kHelvetica);
    Port::TextSize(18);
    Port::TextMode(mode);
    Port::MoveTo(x + 2, 90);
    Text::DrawString("Ag");
    Port::RGBBackColor(Color::kWhite);
  }
  EXPECT_TRUE(MatchesGolden(c.Pixels(), "transfer_modes"));
}

// The standard patterns and the pattern list as fills and as pens.
TEST(RasterGolden, Patterns) {
  Canvas c(260, 120);
  const std::array<Pattern::Pat, 5> standard{Pattern::kBlack, Pattern::kDkGray, Pattern::kGray, Pattern::kLtGray,
                                             Pattern::kWhite};
  for (std::size_t i = 0; i < standard.size(); ++i) {
    const int x = 5 + static_cast<int>(i) * 50;
    Shapes::FillRect(SetRect(x, 5, x + 40, 45), standard[i]);
    Shapes::FrameRect(SetRect(x, 5, x + 40, 45));
  }
  for (int entry = 1; entry <= Pattern::kListSize; ++entry) {
    Pattern::Pat pat;
    ASSERT_TRUE(Pattern::ListEntry(entry, pat));
    Port::PenPat(pat);
    const int y = 50 + entry * 12;
    Port::MoveTo(5, y);
    Lines::LineTo(150, y);
    Port::MoveTo(150 + entry * 20, 55);
    Lines::LineTo(150 + entry * 20, 115);
    Port::MoveTo(5, 115);
    Lines::LineTo(60 + entry * 20, 60);
  }
  Pattern::Pat unchanged = Pattern::kGray;
  EXPECT_FALSE(Pattern::ListEntry(0, unchanged));
  EXPECT_FALSE(Pattern::ListEntry(Pattern::kListSize + 1, unchanged));
  EXPECT_EQ(unchanged, Pattern::kGray);
  EXPECT_TRUE(MatchesGolden(c.Pixels(), "patterns"));
}

// Drawing limited by a clip rectangle and by a visible region with a hole.
TEST(RasterGolden, Clipping) {
  Canvas c(200, 120);
  Port::ClipRect(SetRect(20, 10, 180, 110));
  Region::Rgn visible(SetRect(0, 0, 200, 120));
  visible.Subtract(SetRect(80, 40, 120, 80));
  c.CanvasPort().visRgn = visible;
  Shapes::FillOval(SetRect(0, 0, 200, 120), Pattern::kGray);
  Port::PenSize(4, 4);
  Port::MoveTo(0, 0);
  Lines::LineTo(196, 116);
  Port::TextFont(Fonts::kCourier);
  Port::TextSize(24);
  Port::TextMode(Port::kSrcCopy);
  Port::MoveTo(0, 70);
  Text::DrawString("CLIPPED TEXT");
  EXPECT_EQ(c.Pixels().At(5, 5), kWhitePixel);
  EXPECT_EQ(c.Pixels().At(100, 60), kWhitePixel);
  EXPECT_TRUE(MatchesGolden(c.Pixels(), "clipping"));
}

// A text block scrolled up and left; the uncovered area erased grey.
TEST(RasterGolden, ScrollRect) {
  Canvas c(200, 100);
  Port::TextFont(Fonts::kCourier);
  Port::TextSize(12);
  for (int line = 0; line < 7; ++line) {
    Port::MoveTo(4, 14 + line * 13);
    Text::DrawString("0123456789 scroll");
  }
  Port::BackPat(Pattern::kLtGray);
  Region::Rgn uncovered;
  Blit::ScrollRect(SetRect(0, 20, 150, 100), -9, -13, uncovered);
  EXPECT_EQ(uncovered.Bounds(), SetRect(0, 20, 150, 100));
  EXPECT_TRUE(MatchesGolden(c.Pixels(), "scroll_rect"));
}

// Copies between two off-screen worlds in each source mode.
TEST(RasterGolden, CopyBits) {
  Canvas source(60, 40);
  Port::RGBForeColor(Color::kBlue);
  Shapes::PaintOval(SetRect(0, 0, 60, 40));
  Port::RGBForeColor(Color::kBlack);
  Shapes::PaintRect(SetRect(20, 5, 40, 35));
  Canvas c(8 * 64, 50);
  Port::RGBForeColor(Color::kRed);
  Shapes::PaintRect(SetRect(0, 25, 8 * 64, 50));
  for (int mode = 0; mode < 8; ++mode) {
    const Rect to = SetRect(2 + mode * 64, 5, 62 + mode * 64, 45);
    Region::Rgn mask(SetRect(0, 0, 8 * 64, 50));
    mask.Subtract(SetRect(to.left + 25, 0, to.left + 30, 50));
    EXPECT_TRUE(Blit::CopyBits(source.CanvasPort(), c.CanvasPort(), SetRect(0, 0, 60, 40), to, mode, &mask));
  }
  EXPECT_TRUE(MatchesGolden(c.Pixels(), "copy_bits"));
}

}  // namespace
