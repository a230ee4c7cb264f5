// The log-log plot of a compressed spectrum in a graphics window: its world
// coordinates, grid and labels, and one square marker a point.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "foundation/Buffer.h"
#include "foundation/platform/Clock.h"
#include "numerics/SpectrumReal.h"
#include "platform/Port.h"
#include "platform/Surface.h"
#include "platform/UIPlatform.h"
#include "platform/WindowFrame.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"

namespace {

using Graphics::GraphicsWindow;

class SpectrumPlot : public ::testing::Test {
 protected:
  void SetUp() override {
    Platform::UseVirtualClock(1000.0);
    ASSERT_TRUE(UIPlatform::InitModule(Headless::Ops(), 800, 600));
    Buffer::Shutdown();
    Buffer::SetSystemMemory(Buffer::SystemMemory{[](std::size_t size) { return std::malloc(size); },
                                                 [](void* block) { std::free(block); }});
    Buffer::InitModule();
    Graphics::InitModule();
    ASSERT_TRUE(Graphics::Initialize());
    ModWindow::WindowParameters p{50, 50, 350, 450, 22, 9};
    window = ModWindow::Create(0, p, WindowFrame::kZoomDocProc, "Noise", true, true, true);
    ASSERT_NE(window, nullptr);
    SpectrumReal::InitModule();
    // A raw spectrum falling as 1 / f, of a 1,024-point FFT at 10 kHz.
    std::vector<float> raw(512);
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = 1e-3f / static_cast<float>(i + 1);
    SpectrumReal::Compress(raw.data(), 0.0, 1e-4, 1024, 1, record);
  }

  void TearDown() override {
    ModWindow::Remove(window);
    UIPlatform::Shutdown();
    Buffer::Shutdown();
    Buffer::InitModule();
    Platform::UseRealClock();
  }

  Geometry::Point Pixel(double x, double y) const {
    Geometry::Point p;
    Graphics::WindowToLocal(window, x, y, p.h, p.v);
    return p;
  }

  bool Inked(int h, int v) const {
    const Port::GrafPort& port = *window->port;
    return port.pixels->At(h, v) != Surface::kRgbMask;
  }

  int InkedIn(int left, int top, int right, int bottom) const {
    int n = 0;
    for (int v = top; v < bottom; ++v) {
      for (int h = left; h < right; ++h) n += Inked(h, v) ? 1 : 0;
    }
    return n;
  }

  GraphicsWindow window = nullptr;
  SpectrumReal::SpectrumRecord record{};
};

TEST_F(SpectrumPlot, TheGridSpansSixDecadesAndTheFrequencyRange) {
  SpectrumReal::MakePlotCoords(window, record);
  double x1, y1, x2, y2;
  Graphics::GetScaling(window, x1, y1, x2, y2);
  // Largest value past DC: 1e-3 / 2 -> decade -3, plus one.
  const double xmin = std::log10(1 / (1024 * 1e-4)) - 0.5;
  EXPECT_DOUBLE_EQ(x1, xmin);
  EXPECT_DOUBLE_EQ(x2, xmin + 1 + std::log10(512.0));
  EXPECT_EQ(y1, -8);
  EXPECT_EQ(y2, -2);
  // Solid lines at the frequency decades, dotted ones at the power decades.
  const Geometry::Point bottom = Pixel(2, -8);
  const Geometry::Point top = Pixel(2, -2);
  EXPECT_EQ(InkedIn(bottom.h, top.v + 20, bottom.h + 1, bottom.v - 20), bottom.v - top.v - 40);
  const Geometry::Point left = Pixel(1.5, -5);
  const Geometry::Point right = Pixel(3.5, -5);
  const int dotted = InkedIn(left.h, left.v, right.h, left.v + 1);
  EXPECT_GT(dotted, (right.h - left.h) / 4);
  EXPECT_LT(dotted, (right.h - left.h) * 3 / 4);
  // The label of a power decade stands right of the axis start.
  const Geometry::Point label = Pixel(xmin, -4);
  EXPECT_GT(InkedIn(label.h + 2, label.v - 10, label.h + 30, label.v), 5);
}

TEST_F(SpectrumPlot, EveryPointButDCGetsASquare) {
  SpectrumReal::MakePlotCoords(window, record);
  Graphics::ClearWindow(window);
  for (std::int32_t i = 0; i < record.NPoints; ++i) {
    if (i != 3) record.Values[static_cast<std::size_t>(i)] = 0.0f;
  }
  SpectrumReal::PlotSpectrum(window, record);
  EXPECT_EQ(window->markerKind, 5);
  std::array<float, 64> freq{};
  SpectrumReal::GetFrequencies(record.FreqStep, record.FFTLength, record.BinConstant, record.NPoints, freq);
  const Geometry::Point at = Pixel(std::log10(freq[3]), std::log10(record.Values[3]));
  // The square's outline of half-size 3, and nothing else.
  EXPECT_EQ(InkedIn(0, 0, 400, 300), 24);
  EXPECT_TRUE(Inked(at.h - 3, at.v - 3));
  EXPECT_TRUE(Inked(at.h + 3, at.v + 3));
  EXPECT_FALSE(Inked(at.h, at.v));
}

}  // namespace
