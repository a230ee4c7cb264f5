// Off-screen graphics windows: their rectangle and world coordinates, the
// bracket that selects their world, the copy to the screen, resizing.
#include "shell/FastGraph.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/Port.h"
#include "shell/GraphPoly.h"
#include "shell/Graphics.h"
#include "shell/tests/Graphics_fixture.h"

namespace {

using Geometry::Point;
using Geometry::SetRect;
using Graphics::GraphicsWindow;

class FastGraphTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    root = MakeWindow(100, 100, 500, 400);
    window = Graphics::CreateWindowInt(root, 10, 5, 210, 105);
    Graphics::SetScaling(window, -1, -1, 1, 1);
  }
  GraphicsWindow root = nullptr;
  GraphicsWindow window = nullptr;
};

TEST_F(FastGraphTest, TheOffscreenChildShadowsItsWindow) {
  GraphicsWindow offscreen = FastGraph::CreateOffscreenWindow(window);
  ASSERT_NE(offscreen, nullptr);
  EXPECT_TRUE(offscreen->offscreen);
  EXPECT_EQ(offscreen->parent, window);
  EXPECT_EQ((std::vector<int>{offscreen->left, offscreen->right, offscreen->top, offscreen->bottom}),
            (std::vector<int>{10, 210, 5, 105}));
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{-1, -1}, {1, 1}, {0.3, -0.7}}) {
    Point a;
    Point b;
    Graphics::WindowToLocal(window, x, y, a.h, a.v);
    Graphics::WindowToLocal(offscreen, x, y, b.h, b.v);
    EXPECT_EQ(a, b);
  }
  EXPECT_EQ(FastGraph::CreateOffscreenWindow(nullptr), nullptr);
}

TEST_F(FastGraphTest, DrawingStaysOffTheScreenUntilUpdate) {
  GraphicsWindow offscreen = FastGraph::CreateOffscreenWindow(window);
  ASSERT_NE(offscreen, nullptr);
  Port::GrafPort* before = Port::GetPort();
  Graphics::SetRGBForeColor(offscreen, Graphics::Red);
  Graphics::Line(offscreen, -1, -1, 1, 1);
  Graphics::SetMarker(offscreen, 5);
  Graphics::Marker(offscreen, 0.5, -0.5);
  // The bracket gave the current port back.
  EXPECT_EQ(Port::GetPort(), before);
  EXPECT_TRUE(Inked(root, SetRect(0, 0, 400, 300)).empty());
  const std::vector<Point> drawn = Inked(offscreen, SetRect(10, 5, 210, 105));
  ASSERT_FALSE(drawn.empty());

  FastGraph::Update(window);  // not off-screen: nothing
  EXPECT_TRUE(Inked(root, SetRect(0, 0, 400, 300)).empty());
  FastGraph::Update(offscreen);
  EXPECT_EQ(Inked(root, SetRect(0, 0, 400, 300)), drawn);
  for (int v = 5; v < 105; ++v) {
    for (int h = 10; h < 210; ++h) ASSERT_EQ(At(root, h, v), At(offscreen, h, v)) << h << ", " << v;
  }
}

TEST_F(FastGraphTest, APolylineCanCopyItselfToTheScreen) {
  GraphicsWindow offscreen = FastGraph::CreateOffscreenWindow(window);
  const float trace[] = {-0.5f, 0.5f, -0.25f};
  GraphPoly::PolylineReal(offscreen, 0, -1, 2, trace, true, false, false);
  EXPECT_TRUE(Inked(root, SetRect(0, 0, 400, 300)).empty());
  GraphPoly::PolylineReal(offscreen, 0, -1, 2, trace, true, false, true);
  EXPECT_FALSE(Inked(root, SetRect(0, 0, 400, 300)).empty());
}

TEST_F(FastGraphTest, AResizedParentGivesAnEmptyWorldOfTheNewSize) {
  GraphicsWindow offscreen = FastGraph::CreateOffscreenWindow(window);
  Graphics::Line(offscreen, -1, -1, 1, 1);
  Graphics::ResizeWindowInt(window, 10, 5, 310, 55);
  EXPECT_EQ((std::vector<int>{offscreen->left, offscreen->right, offscreen->top, offscreen->bottom}),
            (std::vector<int>{10, 310, 5, 55}));
  ASSERT_NE(offscreen->offscreenWorld, nullptr);
  EXPECT_EQ(PixelsOf(offscreen).Width(), 300);
  EXPECT_EQ(PixelsOf(offscreen).Height(), 50);
  EXPECT_TRUE(Inked(offscreen, SetRect(10, 5, 310, 55)).empty());
  // Drawing goes on in the new world, with the window's state.
  Graphics::SetRGBForeColor(offscreen, Graphics::Blue);
  Graphics::Line(offscreen, 1, 1, 1, 1);
  EXPECT_EQ(At(offscreen, 309, 6), Color::ToPixel(Graphics::Blue));
}

TEST_F(FastGraphTest, CopiesNeedTwoWindowsOfOneSize) {
  GraphicsWindow offscreen = FastGraph::CreateOffscreenWindow(window);
  Graphics::Line(offscreen, -1, -1, 1, 1);
  FastGraph::CopyWindow(offscreen, offscreen);
  FastGraph::CopyWindow(offscreen, nullptr);
  FastGraph::CopyWindow(offscreen, Graphics::CreateWindowInt(root, 0, 0, 50, 50));
  EXPECT_TRUE(Inked(root, SetRect(0, 0, 400, 300)).empty());
  // Screen to world: the world takes the window's pixels back.
  Graphics::ClearWindow(offscreen);
  Graphics::Line(window, -1, 1, 1, -1);
  FastGraph::CopyWindow(window, offscreen);
  EXPECT_EQ(Inked(offscreen, SetRect(10, 5, 210, 105)), Inked(root, SetRect(10, 5, 210, 105)));
  Graphics::RemoveWindow(offscreen);
  EXPECT_EQ(window->firstChild, nullptr);
}

}  // namespace
