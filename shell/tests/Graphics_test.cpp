// Graphics windows: the world-to-pixel mappings and their inheritance, the
// window tree, geometry, the drawing bracket, and windows too small for a
// mapping.
#include "shell/Graphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/Port.h"
#include "platform/Windows.h"
#include "shell/GraphPoly.h"
#include "shell/ModWindow.h"
#include "shell/tests/Graphics_fixture.h"

namespace {

using Geometry::Point;
using Geometry::SetRect;
using Graphics::GraphicsWindow;

class GraphicsWindows : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    root = MakeWindow(100, 100, 500, 400);
  }
  GraphicsWindow root = nullptr;
};

Point ToLocal(GraphicsWindow w, double x, double y) {
  Point p;
  Graphics::WindowToLocal(w, x, y, p.h, p.v);
  return p;
}

TEST_F(GraphicsWindows, WorldPointsMapOntoThePixelRectangleInsetByOne) {
  struct Case {
    int left, top, right, bottom;
    double x1, y1, x2, y2;  // world rectangle
    double x, y;            // world point
    Point pixel;
  };
  const std::vector<Case> cases = {
      {10, 20, 110, 70, 0, 0, 1, 1, 0, 0, {11, 69}},
      {10, 20, 110, 70, 0, 0, 1, 1, 1, 1, {109, 21}},
      {10, 20, 110, 70, 0, 0, 1, 1, 0.5, 0.5, {60, 45}},
      // y pointing down when y2 < y1.
      {10, 20, 110, 70, 0, 1, 1, 0, 0, 0, {11, 21}},
      {0, 0, 202, 102, -100, -50, 100, 50, 0, 0, {101, 51}},
      {0, 0, 202, 102, -100, -50, 100, 50, 0.5, 0.5, {102, 51}},  // halves away from zero
      {0, 0, 202, 102, -100, -50, 100, 50, -0.5, -0.5, {101, 52}},
      // A mirrored window keeps working: x1 on left + 1, x2 on right - 1.
      {110, 20, 10, 70, 0, 0, 1, 1, 0, 0, {111, 69}},
      {110, 20, 10, 70, 0, 0, 1, 1, 1, 1, {9, 21}},
  };
  for (const Case& c : cases) {
    GraphicsWindow w = Graphics::CreateWindowInt(root, c.left, c.top, c.right, c.bottom);
    ASSERT_NE(w, nullptr);
    Graphics::SetScaling(w, c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(ToLocal(w, c.x, c.y), c.pixel) << c.left << " " << c.right << " (" << c.x << ", " << c.y << ")";
    double x = 0;
    double y = 0;
    Graphics::LocalToWindow(w, c.pixel.h, c.pixel.v, x, y);
    Point back;
    Graphics::WindowToLocal(w, x, y, back.h, back.v);
    EXPECT_EQ(back, c.pixel);
    Graphics::RemoveWindow(w);
    EXPECT_EQ(w, nullptr);
  }
}

TEST_F(GraphicsWindows, ChildRectanglesAreOrderedInYOnly) {
  GraphicsWindow a = Graphics::CreateWindowInt(root, 10, 70, 110, 20);
  EXPECT_EQ(a->top, 20);
  EXPECT_EQ(a->bottom, 70);
  GraphicsWindow b = Graphics::CreateWindowInt(root, 110, 20, 10, 70);
  EXPECT_EQ(b->left, 110);
  EXPECT_EQ(b->right, 10);
  // Newest first in the parent's child list.
  EXPECT_EQ(root->firstChild, b);
  EXPECT_EQ(b->nextSibling, a);
  EXPECT_EQ(Graphics::CreateWindowInt(nullptr, 0, 0, 10, 10), nullptr);
}

TEST_F(GraphicsWindows, ScalingRefusesEmptyAndNonNumericRanges) {
  GraphicsWindow w = Graphics::CreateWindowInt(root, 0, 0, 100, 100);
  Graphics::SetScaling(w, -1, -2, 3, 4);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Graphics::SetScaling(w, 0, 5, 0, 10);
  Graphics::SetScaling(w, 0, 5, 1, 5);
  Graphics::SetScaling(w, nan, 0, 1, 1);
  Graphics::SetScaling(w, 0, 0, inf, 1);
  double x1, y1, x2, y2;
  Graphics::GetScaling(w, x1, y1, x2, y2);
  EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{-1, -2, 3, 4}));
  Graphics::SetScalingInt(w, 0, 0, 0, 1);
  Graphics::GetScalingInt(w, x1, y1, x2, y2);
  EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{-32767, -32767, 32767, 32767}));
  Graphics::GetScaling(nullptr, x1, y1, x2, y2);
  EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{0, 0, 0, 0}));
}

TEST_F(GraphicsWindows, ChildrenInheritTheStateButNotTheMarkerSpacing) {
  GraphicsWindow parent = Graphics::CreateWindowInt(root, 0, 0, 300, 200);
  Graphics::SetScaling(parent, 0, -1, 100, 1);
  Graphics::SetScalingInt(parent, 0, 0, 1000, 4000);
  Graphics::SetFont(parent, Graphics::Helvetica, 9, Port::kBold);
  Graphics::SetLineType(parent, 2);
  Graphics::SetLineSize(parent, 3);
  Graphics::SetMarker(parent, 5);
  Graphics::SetMarkerSize(parent, 7);
  Graphics::SetInvertedText(parent, true);
  Graphics::SetRGBForeColor(parent, Graphics::Red);
  Graphics::SetRGBBackColor(parent, Graphics::Yellow);
  GraphPoly::SetMarkerSpacing(parent, 3);
  Graphics::SetOutputDevice(parent, Graphics::kPrinter, "");

  GraphicsWindow child = Graphics::CreateWindowInt(parent, 50, 20, 152, 122);
  EXPECT_EQ(child->fontNumber, Graphics::Helvetica);
  EXPECT_EQ(child->fontSize, 9);
  EXPECT_EQ(child->textStyle, Port::kBold);
  EXPECT_EQ(child->textMode, Graphics::kTextInverted);
  EXPECT_EQ(child->lineType, 2);
  EXPECT_EQ(child->lineSize, 3);
  EXPECT_EQ(child->markerKind, 5);
  EXPECT_EQ(child->markerSize, 7);
  EXPECT_EQ(child->foreground, Graphics::Red);
  EXPECT_EQ(child->background, Graphics::Yellow);
  EXPECT_EQ(child->outputDevice, Graphics::kPrinter);
  EXPECT_EQ(child->markerSpacing, 16);
  // The parent's world rectangles, on the child's own pixels.
  double x1, y1, x2, y2;
  Graphics::GetScaling(child, x1, y1, x2, y2);
  EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{0, -1, 100, 1}));
  EXPECT_EQ(ToLocal(child, 0, -1), (Point{51, 121}));
  EXPECT_EQ(ToLocal(child, 100, 1), (Point{151, 21}));
  Graphics::GetScalingInt(child, x1, y1, x2, y2);
  EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{0, 0, 1000, 4000}));
  // Without an open page the printer takes no drawing; on the screen the
  // port holds the child's state, clipped to its rectangle.
  Graphics::SetOutputDevice(child, Graphics::kScreen, "");
  Graphics::ActivateWindowParameters(child);
  const Port::GrafPort* port = Port::GetPort();
  ASSERT_EQ(port, root->port);
  EXPECT_EQ(port->clipRgn.Bounds(), SetRect(50, 20, 152, 122));
  EXPECT_EQ(port->txFont, Graphics::Helvetica);
  EXPECT_EQ(port->pnSize, (Point{3, 3}));
  EXPECT_EQ(port->pnPat, Graphics::LinePattern[2]);
  EXPECT_EQ(port->fgColor, Graphics::Red);
  EXPECT_EQ(root->platform->activeWindow, child);
}

TEST_F(GraphicsWindows, WorldRectanglesGiveChildWindows) {
  GraphicsWindow parent = Graphics::CreateWindowInt(root, 0, 0, 102, 102);
  Graphics::SetScaling(parent, 0, 0, 100, 100);
  GraphicsWindow child = Graphics::CreateWindow(parent, 10, 90, 60, 40);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ((std::vector<int>{child->left, child->top, child->right, child->bottom}),
            (std::vector<int>{11, 11, 61, 61}));
  // Outside the parent's pixels (edges included): none.
  EXPECT_EQ(Graphics::CreateWindow(parent, -2, 0, 50, 50), nullptr);
  EXPECT_NE(Graphics::CreateWindow(parent, -1, -1, 101, 101), nullptr);

  double x1, y1, x2, y2;
  Graphics::GetWindow(child, parent, x1, y1, x2, y2);
  EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{10, 40, 60, 90}));
  GraphicsWindow other = MakeWindow(600, 100, 700, 200, "Other");
  Graphics::GetWindow(child, other, x1, y1, x2, y2);
  EXPECT_EQ((std::vector<double>{x1, y1, x2, y2}), (std::vector<double>{0, 0, 0, 0}));

  Graphics::ResizeWindow(child, 0, 100, 100, 0);
  EXPECT_EQ((std::vector<int>{child->left, child->top, child->right, child->bottom}),
            (std::vector<int>{1, 1, 101, 101}));
  Graphics::ResizeWindow(child, 0, 0, 200, 100);  // beyond the parent: ignored
  EXPECT_EQ(child->right, 101);
  Graphics::ResizeWindow(parent, 0, 0, 10, 10);  // a root: ignored
  EXPECT_EQ(parent->right, 102);
}

TEST_F(GraphicsWindows, ResizingMovesEveryEdgeOfEveryDescendant) {
  GraphicsWindow parent = Graphics::CreateWindowInt(root, 0, 0, 200, 100);
  GraphicsWindow child = Graphics::CreateWindowInt(parent, 20, 10, 150, 90);
  GraphicsWindow grandchild = Graphics::CreateWindowInt(child, 30, 20, 40, 30);
  Graphics::SetScaling(child, 0, 0, 10, 10);
  Graphics::ResizeWindowInt(parent, 0, 5, 300, 100);
  EXPECT_EQ((std::vector<int>{parent->left, parent->top, parent->right, parent->bottom}),
            (std::vector<int>{0, 5, 300, 100}));
  EXPECT_EQ((std::vector<int>{child->left, child->top, child->right, child->bottom}),
            (std::vector<int>{20, 15, 250, 90}));
  EXPECT_EQ((std::vector<int>{grandchild->left, grandchild->top, grandchild->right, grandchild->bottom}),
            (std::vector<int>{30, 25, 140, 30}));
  // The world rectangle stays and spans the new pixels.
  EXPECT_EQ(ToLocal(child, 10, 10), (Point{249, 16}));
  EXPECT_EQ(child->clipRegion.Bounds(), SetRect(20, 15, 250, 90));
}

TEST_F(GraphicsWindows, RemovingFreesDescendantsAndLeavesARootAlone) {
  const std::int32_t before = HeapBytes();
  GraphicsWindow a = Graphics::CreateWindowInt(root, 0, 0, 100, 100);
  GraphicsWindow b = Graphics::CreateWindowInt(a, 0, 0, 50, 50);
  Graphics::CreateWindowInt(b, 0, 0, 20, 20);
  GraphicsWindow c = Graphics::CreateWindowInt(root, 100, 0, 200, 100);
  const float trace[] = {1, 2, 3, 4};
  GraphPoly::PolylineReal(b, 7, 0, 1, trace, true, false, false);
  ASSERT_NE(b->slots[7].buffer, nullptr);
  EXPECT_GT(HeapBytes(), before);

  Graphics::RemoveWindow(b);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(a->firstChild, nullptr);
  GraphicsWindow rootCopy = root;
  Graphics::RemoveWindow(rootCopy);
  EXPECT_EQ(rootCopy, root);
  EXPECT_EQ(root->firstChild, nullptr);
  EXPECT_EQ(root->tag[0], 'G');
  EXPECT_EQ(HeapBytes(), before);
  // The freed windows leave no active window behind to be taken for a new
  // record at the same place.
  EXPECT_EQ(root->platform->activeWindow, nullptr);
  (void)c;
}

TEST_F(GraphicsWindows, PixelQueries) {
  GraphicsWindow w = Graphics::CreateWindowInt(root, 10, 20, 110, 70);
  EXPECT_TRUE(Graphics::InsideClippingRect(w, 10, 20));
  EXPECT_TRUE(Graphics::InsideClippingRect(w, 110, 70));
  EXPECT_FALSE(Graphics::InsideClippingRect(w, 111, 70));
  EXPECT_FALSE(Graphics::InsideClippingRect(w, 50, 19));
  EXPECT_FALSE(Graphics::InsideClippingRect(nullptr, 50, 50));
  double dx = 0;
  double dy = 0;
  Graphics::SetScaling(w, 0, 0, 49, 24);
  Graphics::GetResolution(w, dx, dy);
  EXPECT_DOUBLE_EQ(dx, 0.5);
  EXPECT_DOUBLE_EQ(dy, 0.5);
  EXPECT_EQ(Graphics::GetBitplanes(w), 32);
  EXPECT_EQ(Graphics::GetBitplanes(nullptr), 0);
  EXPECT_EQ(Graphics::GetScaleFactor(w), 1);

  // Overlap across platform windows is judged on the screen.
  GraphicsWindow other = MakeWindow(150, 150, 300, 300, "Other");
  GraphicsWindow near = Graphics::CreateWindowInt(other, 0, 0, 20, 20);  // global 150..170
  GraphicsWindow at = Graphics::CreateWindowInt(root, 40, 40, 60, 60);   // global 140..160
  EXPECT_TRUE(Graphics::Overlapping(near, at));
  EXPECT_TRUE(Graphics::Overlapping(near, w));  // global 110..210 x 120..170
  Graphics::ResizeWindowInt(w, 10, 20, 40, 45);
  EXPECT_FALSE(Graphics::Overlapping(near, w));
  EXPECT_TRUE(Graphics::Overlapping(at, Graphics::CreateWindowInt(root, 59, 59, 70, 70)));
  EXPECT_FALSE(Graphics::Overlapping(at, nullptr));

  int h = 0;
  int v = 0;
  Graphics::WindowToGlobal(at, 0, 0, h, v);
  EXPECT_EQ((Point{h, v}), (Point{141, 159}));
  double x = -1;
  double y = -1;
  Graphics::GlobalToWindow(at, 141, 159, x, y);
  EXPECT_NEAR(x, 0, 1e-12);
  EXPECT_NEAR(y, 0, 1e-12);
}

TEST_F(GraphicsWindows, BeginningToDrawLoadsTheStateOnlyOnAChangeOfWindow) {
  GraphicsWindow a = Graphics::CreateWindowInt(root, 0, 0, 100, 100);
  GraphicsWindow b = Graphics::CreateWindowInt(root, 100, 0, 200, 100);
  Graphics::SetRGBForeColor(a, Graphics::Blue);
  Graphics::PortSave save;
  ASSERT_TRUE(Graphics::SetPort(a, save));
  // Something else changes the port; a is still the active window.
  Port::RGBForeColor(Graphics::Green);
  ASSERT_TRUE(Graphics::SetPort(a, save));
  EXPECT_EQ(Port::GetForeColor(), Graphics::Green);
  ASSERT_TRUE(Graphics::SetPort(b, save));
  ASSERT_TRUE(Graphics::SetPort(a, save));
  EXPECT_EQ(Port::GetForeColor(), Graphics::Blue);
  EXPECT_EQ(Port::GetClip().Bounds(), SetRect(0, 0, 100, 100));
  Graphics::EndPort(a, save);
  EXPECT_FALSE(Graphics::SetPort(nullptr, save));
}

// A pixel rectangle 2 wide or high leaves no pixels between the edges the
// world is mapped onto.
TEST_F(GraphicsWindows, AWindowTooSmallForAMappingStillWorksOnPixels) {
  GraphicsWindow w = Graphics::CreateWindowInt(root, 10, 10, 12, 60);
  Graphics::SetScaling(w, 0, 0, 10, 10);
  GraphicsWindow flat = Graphics::CreateWindowInt(root, 20, 10, 80, 12);
  Graphics::SetRGBForeColor(w, Graphics::Black);

  // World drawing draws nothing.
  Graphics::SetMarker(w, 1);
  Graphics::Line(w, 0, 0, 10, 10);
  Graphics::Marker(w, 5, 5);
  Graphics::FilledRectangle(w, 0, 0, 10, 10);
  Graphics::Text(w, 0, 0, "x");
  Graphics::Line(flat, 0, 0, 1, 1);
  const float trace[] = {1, 5, 2, 8, 3};
  GraphPoly::PolylineReal(w, 0, 0, 10, trace, true, true, false);
  GraphPoly::PolylineReal(flat, 0, 0, 1, trace, true, true, false);
  const float xs[] = {0, 10};
  GraphPoly::PolyvectorReal(w, xs, xs, false);
  EXPECT_TRUE(Inked(root, SetRect(0, 0, 400, 300)).empty());

  // Conversions give the one pixel the world lies on, and back its corner.
  EXPECT_EQ(ToLocal(w, 3, 7), (Point{11, 25}));
  EXPECT_EQ(ToLocal(flat, 0.5, 0.5), (Point{50, 11}));
  double x = 0;
  double y = 0;
  Graphics::LocalToWindow(w, 11, 30, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_NEAR(y, 29 / 4.8, 1e-9);
  double dx = 0;
  double dy = 0;
  Graphics::GetResolution(w, dx, dy);
  EXPECT_EQ(dx, 10);
  EXPECT_TRUE(std::isfinite(Graphics::TextWidth(w, "abc")));
  EXPECT_TRUE(std::isfinite(Graphics::TextHeight(flat)));
  EXPECT_EQ(Graphics::CreateWindow(w, 0, 0, 1, 1), nullptr);

  // Pixel operations keep working.
  Graphics::FrameWindow(w, root, 1, 1);
  EXPECT_EQ(At(root, 9, 9), 0u);
  Graphics::DrawMarker(w, 11, 30);
  EXPECT_EQ(At(root, 11, 30), 0u);
  Graphics::DrawLine(w, 11, 40, 11, 45);
  EXPECT_EQ(At(root, 11, 42), 0u);
  Graphics::SetRGBBackColor(w, Graphics::Black);
  Graphics::ClearWindow(w);
  EXPECT_EQ(At(root, 11, 20), 0u);

  // The world rectangle was kept: a wider window maps it again.
  Graphics::ResizeWindowInt(w, 10, 10, 112, 60);
  EXPECT_EQ(ToLocal(w, 10, 10), (Point{111, 11}));
  EXPECT_EQ(ToLocal(w, 0, 0), (Point{11, 59}));
}

}  // namespace
