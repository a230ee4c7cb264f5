// GraphPoly's column decimation: 10^6 points into 1,000 pixel columns
// (block mode, 1,000 points a column) and 10^5 points into 1,000 columns
// (tracking mode, 100 a column), stored in a slot and drawn as one stroke a
// column, on the headless screen; points/s is the figure that matters. The
// peer is the same trace drawn point to point as a free polyline, which is
// what the decimation saves.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "foundation/Buffer.h"
#include "foundation/platform/Clock.h"
#include "platform/UIPlatform.h"
#include "platform/WindowFrame.h"
#include "platform/headless/Headless.h"
#include "shell/GraphPoly.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"

namespace {

constexpr int kColumns = 1000;

// One plot window, 1,000 columns between its inset edges, made once.
Graphics::GraphicsWindow PlotWindow() {
  static Graphics::GraphicsWindow window = [] {
    Platform::UseVirtualClock(0);
    UIPlatform::InitModule(Headless::Ops(), 1200, 700);
    Buffer::InitModule();
    Graphics::InitModule();
    Graphics::Initialize();
    ModWindow::WindowParameters p{40, 10, 640, static_cast<std::int16_t>(10 + kColumns + 2), 22, 12};
    Graphics::GraphicsWindow w = ModWindow::Create(0, p, WindowFrame::kZoomDocProc, "Trace", true, true, true);
    Graphics::SetScaling(w, 0, -1.5, 1, 1.5);
    return w;
  }();
  return window;
}

std::vector<float> Trace(int points) {
  std::vector<float> data(static_cast<std::size_t>(points));
  std::mt19937 rng(7);
  std::normal_distribution<float> noise(0.0f, 0.1f);
  for (int i = 0; i < points; ++i) data[static_cast<std::size_t>(i)] = std::sin(i * 2e-4f) + noise(rng);
  return data;
}

void Count(benchmark::State& state, int points) {
  state.counters["points/s"] =
      benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsIterationInvariantRate);
}

void Decimated(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  Graphics::GraphicsWindow w = PlotWindow();
  const std::vector<float> data = Trace(points);
  for (auto _ : state) {
    GraphPoly::PolylineReal(w, 0, 0, 1, data, true, false, false);
    benchmark::DoNotOptimize(w->slots[0].pointCount);
  }
  if (w->slots[0].pointCount < kColumns - 1) state.SkipWithError("the trace did not fill the columns");
  Count(state, points);
}

void PointToPoint(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  Graphics::GraphicsWindow w = PlotWindow();
  const std::vector<float> data = Trace(points);
  std::vector<float> xs(data.size());
  for (int i = 0; i < points; ++i) xs[static_cast<std::size_t>(i)] = static_cast<float>(i) / points;
  for (auto _ : state) GraphPoly::PolyvectorReal(w, xs, data, false);
  Count(state, points);
}

BENCHMARK(Decimated)->Name("GraphPoly/block")->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Decimated)->Name("GraphPoly/tracking")->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(PointToPoint)->Name("Polyvector/peer")->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
