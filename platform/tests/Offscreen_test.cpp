// Off-screen worlds: their coordinates, their rebuilding, and the copy to a
// window pixel for pixel at the same local coordinates.
#include "platform/Blit.h"
#include "platform/Offscreen.h"
#include "platform/Shapes.h"
#include "platform/Windows.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

namespace {

using Geometry::SetRect;

TEST(Offscreen, WorldsKeepTheLocalCoordinatesTheyWereMadeWith) {
  EXPECT_EQ(Offscreen::NewWorld(SetRect(10, 10, 10, 20)), nullptr);
  Offscreen::World* w = Offscreen::NewWorld(SetRect(10, 5, 210, 105));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->pixels.Width(), 200);
  EXPECT_EQ(w->port.portRect, SetRect(10, 5, 210, 105));
  Port::SetPort(&w->port);
  Shapes::PaintRect(SetRect(10, 5, 11, 6));
  EXPECT_EQ(w->pixels.At(0, 0), 0u);
  EXPECT_FALSE(Offscreen::UpdateWorld(w, SetRect(0, 0, 0, 0)));
  ASSERT_TRUE(Offscreen::UpdateWorld(w, SetRect(0, 0, 30, 20)));
  EXPECT_EQ(w->pixels.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(w->pixels.Height(), 20);
  Offscreen::DisposeWorld(w);
  EXPECT_EQ(Port::GetPort(), nullptr);
}

class OffscreenCopy : public UiTest {};

TEST_F(OffscreenCopy, ReachesTheWindowOnlyWhenCopied) {
  Windows::Window* win = Windows::NewWindow(SetRect(50, 60, 300, 200), "Plot", true, 0, true, false, nullptr);
  const Geometry::Rect pane = SetRect(10, 5, 210, 105);
  Offscreen::World* w = Offscreen::NewWorld(pane);
  Port::SetPort(&w->port);
  Shapes::PaintOval(pane);
  EXPECT_EQ(Windows::PixelsOf(win).At(110, 55), 0xFFFFFFu);
  ASSERT_TRUE(Blit::CopyBits(w->port, *Windows::GetWindowPort(win), pane, pane, Port::kSrcCopy, nullptr));
  for (int y = pane.top; y < pane.bottom; ++y) {
    for (int x = pane.left; x < pane.right; ++x) {
      ASSERT_EQ(Windows::PixelsOf(win).At(x, y), w->pixels.At(x - pane.left, y - pane.top));
    }
  }
  EXPECT_EQ(Windows::PixelsOf(win).At(5, 5), 0xFFFFFFu);
  Offscreen::DisposeWorld(w);
}

}  // namespace
