// The plots of the test plot window: transfer functions in the top and
// bottom panes, sampled traces and the raw-data grid in the data pane.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "acquisition/ChirpReal.h"
#include "acquisition/ZRV.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "selftest/T3TestGraphics.h"
#include "shell/GraphPoly.h"

namespace T3TestGraphics {

namespace {

constexpr int kTraceSlot = 0;
constexpr int kSecondTraceSlot = 1;
constexpr double kRawLeftMargin = -0.14;

double WrapInto(double phase, double bottom) {
  while (phase < bottom) phase += 360.0;
  while (phase >= bottom + 360.0) phase -= 360.0;
  return phase;
}

double Limited(double value) { return std::isfinite(value) ? value : 0.0; }

template <typename T>
std::span<const T> FirstOf(std::span<const T> data, std::int32_t count) {
  const std::size_t n = count < 0 ? 0 : static_cast<std::size_t>(count);
  return data.first(std::min(n, data.size()));
}

void IntegerLabel(double value, std::span<char> text) {
  std::snprintf(text.data(), text.size(), "%d", static_cast<int>(std::lround(value)));
}

// The duration a raw-data trace of count samples spans.
double RawSpan(double dt, std::int32_t count) { return dt * (count - 1); }

}  // namespace

void PlotAndLabelAxes(Graphics::GraphicsWindow window, double xStart, double xStep, double yStart,
                      double yStep) {
  if (window == nullptr || xStep <= 0 || yStep <= 0) return;
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  Graphics::GetScaling(window, x1, y1, x2, y2);
  Graphics::ClearWindow(window);
  char label[16];
  for (double y = yStart; y <= y2; y += yStep) {
    Graphics::SetLineType(window, y == 0 ? 3 : 2);
    Graphics::Line(window, x1, y, x2, y);
    IntegerLabel(y, label);
    Graphics::Text(window, x1, y, label);
  }
  Graphics::SetLineType(window, 2);
  for (double x = xStart; x <= x2; x += xStep) {
    Graphics::Line(window, x, y1, x, y2);
    IntegerLabel(x, label);
    const double width = Graphics::TextWidth(window, label);
    Graphics::Text(window, x + width > x2 ? x - width : x, y1, label);
  }
  Graphics::SetLineType(window, 0);
}

void AxesForGainAndPhase(std::int32_t n, double dt, double gainTop, double gainBottom, double phaseBottom,
                         Graphics::GraphicsWindow gainWindow, Graphics::GraphicsWindow phaseWindow) {
  if (n <= 0 || dt <= 0) return;
  const double x0 = -0.5 - std::log10(n * dt);
  const double x1 = 0.5 - std::log10(2 * dt);
  const double firstDecade = std::trunc(0.999 + x0);
  Graphics::SetScaling(gainWindow, x0, gainBottom, x1, gainTop);
  Graphics::SetScaling(phaseWindow, x0, phaseBottom, x1, phaseBottom + 360);
  PlotAndLabelAxes(gainWindow, firstDecade, 1, std::trunc(gainBottom), 1);
  PlotAndLabelAxes(phaseWindow, firstDecade, 1, std::trunc(phaseBottom), 90);
}

void PlotGainAndPhase(std::int32_t n, std::span<const float> response, double dt,
                      Graphics::GraphicsWindow gainWindow, Graphics::GraphicsWindow phaseWindow) {
  if (n < 4 || dt <= 0 || response.size() < static_cast<std::size_t>(n) + static_cast<std::size_t>(n / 2)) return;
  double x1 = 0;
  double phaseBottom = 0;
  double x2 = 0;
  double y2 = 0;
  Graphics::GetScaling(phaseWindow, x1, phaseBottom, x2, y2);
  const double f = 1.0 / (n * dt);
  double x = std::log10(f);
  double gain = std::log10(response[1]);
  double phase = WrapInto(response[static_cast<std::size_t>(n) + 1], phaseBottom);
  for (std::int32_t bin = 2; bin <= n / 2 - 1; ++bin) {
    const double g = response[static_cast<std::size_t>(bin)];
    if (!(g > 0)) continue;
    const double nextX = std::log10(bin * f);
    const double nextGain = std::log10(g);
    const double nextPhase = WrapInto(response[static_cast<std::size_t>(n + bin)], phaseBottom);
    Graphics::Line(gainWindow, x, gain, nextX, nextGain);
    if (std::fabs(nextPhase - phase) < 180) Graphics::Line(phaseWindow, x, phase, nextX, nextPhase);
    x = nextX;
    gain = nextGain;
    phase = nextPhase;
  }
  MarkForUpdate();
}

void PlotReferenceGainAndPhase(double k, double f0, double q, Graphics::GraphicsWindow gainWindow,
                               Graphics::GraphicsWindow phaseWindow) {
  if (phaseWindow == nullptr || q == 0) return;
  double x0 = 0;
  double phaseBottom = 0;
  double x1 = 0;
  double y1 = 0;
  Graphics::GetScaling(phaseWindow, x0, phaseBottom, x1, y1);
  const double xa = x0 + 0.5;
  const double xb = x1 - 0.5;
  Graphics::SetRGBForeColor(gainWindow, Graphics::Red);
  Graphics::SetRGBForeColor(phaseWindow, Graphics::Red);
  double lastX = 0;
  double lastGain = 0;
  double lastPhase = 0;
  const int points = static_cast<int>(std::trunc(10 * (xb - xa)));
  for (int i = 0; i <= points; ++i) {
    const double x = xa + 0.1 * i;
    const double freq = std::pow(10.0, x);
    const double a = f0 * f0 - freq * freq;
    const double b = freq * f0 / q;
    const double d = a * a + b * b;
    double magnitude = 0;
    double phase = 0;
    ChirpReal::ConvertToPolar(k * f0 * f0 * a / d, -k * f0 * f0 * f0 * freq / q / d, magnitude, phase);
    const double gain = std::log10(magnitude);
    phase = WrapInto(phase, phaseBottom);
    if (i > 0) {
      Graphics::Line(gainWindow, lastX, Limited(lastGain), x, Limited(gain));
      Graphics::Line(phaseWindow, lastX, lastPhase, x, phase);
    }
    lastX = x;
    lastGain = gain;
    lastPhase = phase;
  }
  Graphics::SetRGBForeColor(gainWindow, Graphics::Black);
  Graphics::SetRGBForeColor(phaseWindow, Graphics::Black);
  MarkForUpdate();
}

void DrawZeroAxes(Graphics::GraphicsWindow window) {
  Graphics::SetRGBForeColor(window, Graphics::Blue);
  Graphics::SetLineType(window, 0);
  Graphics::Line(window, 0, 0, 1, 0);
  Graphics::Line(window, 0, 1, 1, 1);
  Graphics::SetRGBForeColor(window, Graphics::Black);
}

void PlotData(double yBottom, double yTop, std::int32_t count, std::span<const std::int16_t> samples, bool clear) {
  Graphics::GraphicsWindow w = DataWindow;
  if (w == nullptr) return;
  Graphics::SetScaling(w, 0, yBottom, 1, yTop);
  Graphics::SetScalingInt(w, 0, yBottom, 1, yTop);
  if (clear) {
    Graphics::ClearWindow(w);
    DrawZeroAxes(w);
  } else {
    Graphics::SetRGBForeColor(w, Graphics::Yellow);
    GraphPoly::Draw(w, kTraceSlot);
    Graphics::SetRGBForeColor(w, Graphics::Black);
  }
  GraphPoly::PolylineInt16(w, kTraceSlot, 0, 1, FirstOf(samples, count), true, false, false);
  MarkForUpdate();
}

void PlotRealData(double yBottom, double yTop, std::int32_t count, std::span<const float> samples) {
  Graphics::GraphicsWindow w = DataWindow;
  if (w == nullptr) return;
  Graphics::SetScaling(w, 0, yBottom, 1, yTop);
  Graphics::ClearWindow(w);
  DrawZeroAxes(w);
  GraphPoly::PolylineReal(w, kTraceSlot, 0, 1, FirstOf(samples, count), true, false, false);
  MarkForUpdate();
}

void PlotChirpData(double a, double b, std::int32_t index, std::int32_t count, std::span<const float> data,
                   bool clear) {
  Graphics::GraphicsWindow w = DataWindow;
  if (w == nullptr || index < 0) return;
  if (clear) Graphics::ClearWindow(w);
  const std::size_t start = std::min(data.size(), 2 * static_cast<std::size_t>(index));
  Graphics::SetRGBForeColor(w, Graphics::Yellow);
  Graphics::SetScaling(w, 0, a, 1, -a);
  GraphPoly::PolylineReal(w, kSecondTraceSlot, 0, 1, FirstOf(data.subspan(start), count), true, false, false);
  Graphics::SetRGBForeColor(w, Graphics::Black);
  Graphics::SetScaling(w, 0, -b, 1, b);
  GraphPoly::PolylineReal(w, kTraceSlot, 0, 1, FirstOf(data, count), true, false, false);
  MarkForUpdate();
}

void SetRawDataCoords(double yBottom, double yTop, double dt, std::int32_t channel, std::int32_t count) {
  Graphics::GraphicsWindow w = DataWindow;
  Graphics::SetScalingInt(w, kRawLeftMargin, yBottom, 1, yTop);
  const double t = RawSpan(dt, count);
  Graphics::SetScaling(w, kRawLeftMargin * t, ZRV::AdcRealUnitsToVolts(channel, yBottom), t,
                       ZRV::AdcRealUnitsToVolts(channel, yTop));
}

void PlotRawDataAxis(double yBottom, double yTop, double dt, std::int32_t channel, std::int32_t count) {
  if (DataWindow == nullptr) return;
  SetRawDataCoords(yBottom, yTop, dt, channel, count);
  Graphics::ClearWindow(DataWindow);
  LabelAxes(DataWindow);
}

void LabelY(Graphics::GraphicsWindow window, double x0, double x1, double h, double y, bool label) {
  Graphics::Line(window, 0, y, x1, y);
  if (!label) return;
  char text[32] = "";
  Decode::Engineering(y * 1.00006, text, 7);
  Strings::Concat(text, "V");
  Graphics::Text(window, x0, y - 0.4 * h, text);
}

void LabelX(Graphics::GraphicsWindow window, double y0, double y1, double h, double w, double x, bool label) {
  Graphics::Line(window, x, y0, x, y1);
  if (!label) return;
  char text[32] = "";
  Decode::Engineering(x * 1.0006, text, 6);
  Strings::Concat(text, "s");
  Graphics::Text(window, x - 0.4 * w, y0 + 0.4 * h, text);
}

double LabelAxes(Graphics::GraphicsWindow window) {
  double x0 = 0;
  double y0 = 0;
  double t = 0;
  double y1 = 0;
  Graphics::GetScaling(window, x0, y0, t, y1);
  if (y0 > y1) std::swap(y0, y1);
  const double r = y1 - y0;
  if (window == nullptr || !(r > 0)) return 0;
  Graphics::SetLineType(window, 2);
  Graphics::SetRGBForeColor(window, Graphics::Green);
  const double w = Graphics::TextWidth(window, "50.0ms");
  const double h = Graphics::TextHeight(window);
  const double u = std::pow(10.0, std::trunc(std::log10(r)) - (r < 1 ? 1 : 0));
  double step = u / 10;
  for (const double divisor : {1.0, 2.0, 4.0, 5.0}) {
    if (std::lround(r / (u / divisor)) >= 10) {
      step = u / divisor;
      break;
    }
  }
  for (int i = 1; -i * step >= y0; ++i) LabelY(window, x0, t, h, -i * step, true);
  for (int i = 1; i * step <= y1; ++i) LabelY(window, x0, t, h, i * step, true);
  for (int i = 0; i <= 10; ++i) LabelX(window, y0, y1, h, w, i * t / 10, i % 2 == 0);
  Graphics::SetLineType(window, 0);
  LabelY(window, x0, t, h, 0, true);
  Graphics::SetRGBForeColor(window, Graphics::Black);
  return step;
}

void PlotRawData(double yBottom, double yTop, double dt, std::int32_t channel, std::int32_t count,
                 std::span<const std::int16_t> samples, bool newAxes, const Color::RGB& color) {
  Graphics::GraphicsWindow w = DataWindow;
  if (w == nullptr) return;
  if (newAxes) {
    PlotRawDataAxis(yBottom, yTop, dt, channel, count);
  } else {
    SetRawDataCoords(yBottom, yTop, dt, channel, count);
    Graphics::SetRGBForeColor(w, color);
    GraphPoly::Draw(w, kTraceSlot);
    Graphics::SetRGBForeColor(w, Graphics::Black);
  }
  GraphPoly::PolylineInt16(w, kTraceSlot, 0, 1, FirstOf(samples, count), true, false, false);
  MarkForUpdate();
}

}  // namespace T3TestGraphics
