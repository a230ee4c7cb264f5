#include "shell/tests/Graphics_fixture.h"

#include <cstdlib>
#include <string_view>

#include "foundation/Buffer.h"
#include "foundation/platform/Clock.h"
#include "platform/Offscreen.h"
#include "platform/UIPlatform.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/GraphBase.h"
#include "shell/ModWindow.h"

void GraphicsTest::SetUp() {
  Platform::UseVirtualClock(1000.0);
  ASSERT_TRUE(UIPlatform::InitModule(BackendOps(), 1024, 768));
  Buffer::Shutdown();
  Buffer::SetSystemMemory(
      Buffer::SystemMemory{[](std::size_t size) { return std::malloc(size); }, [](void* block) { std::free(block); }});
  Buffer::InitModule();
  Graphics::InitModule();
  ASSERT_TRUE(Graphics::Initialize());
}

const Backend::Ops& GraphicsTest::BackendOps() { return Headless::Ops(); }

void GraphicsTest::TearDown() {
  for (Graphics::GraphicsWindow& w : windows_) ModWindow::Remove(w);
  Graphics::InitModule();
  Headless::ClearSteps();
  UIPlatform::Shutdown();
  Buffer::Shutdown();
  Buffer::InitModule();
  Platform::UseRealClock();
}

Graphics::GraphicsWindow GraphicsTest::MakeWindow(int left, int top, int right, int bottom, const char* title) {
  ModWindow::WindowParameters p;
  p.left = static_cast<std::int16_t>(left);
  p.top = static_cast<std::int16_t>(top);
  p.right = static_cast<std::int16_t>(right);
  p.bottom = static_cast<std::int16_t>(bottom);
  p.fontNumber = 22;
  p.fontSize = 12;
  Graphics::GraphicsWindow w =
      ModWindow::Create(0, p, WindowFrame::kZoomDocProc, std::string_view(title), true, true, true);
  EXPECT_NE(w, nullptr);
  windows_.push_back(w);
  return w;
}

const Surface::Pixels& GraphicsTest::PixelsOf(Graphics::GraphicsWindow w) { return *w->port->pixels; }

Surface::Pixel GraphicsTest::At(Graphics::GraphicsWindow w, int h, int v) {
  const Port::GrafPort& port = *w->port;
  return port.pixels->At(h + port.origin.h, v + port.origin.v);
}

std::vector<Geometry::Point> GraphicsTest::Inked(Graphics::GraphicsWindow w, const Geometry::Rect& r) {
  std::vector<Geometry::Point> out;
  const Port::GrafPort& port = *w->port;
  for (int v = r.top; v < r.bottom; ++v) {
    for (int h = r.left; h < r.right; ++h) {
      if (!port.pixels->Inside(h + port.origin.h, v + port.origin.v)) continue;
      if (At(w, h, v) != Surface::kRgbMask) out.push_back(Geometry::Point{h, v});
    }
  }
  return out;
}

std::int32_t GraphicsTest::HeapBytes() {
  std::int32_t segmentBytes = 0;
  std::int32_t segments = 0;
  std::int32_t freeBytes = 0;
  std::int32_t frees = 0;
  Buffer::GetSize(GraphBase::WorkspaceHandle(), segmentBytes, segments, freeBytes, frees);
  return segmentBytes - freeBytes;
}
