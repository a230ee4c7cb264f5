#include "shell/GraphPoly.h"

#include <algorithm>
#include <cmath>

#include "foundation/Buffer.h"
#include "numerics/LongMath.h"
#include "platform/Lines.h"
#include "platform/Picture.h"
#include "shell/FastGraph.h"
#include "shell/ModWindow.h"

namespace GraphPoly {

using Graphics::GraphicsWindow;
using Graphics::GraphicsWindowRecord;
using Graphics::kGap;
using Graphics::PolylineEntry;
using Graphics::PolylineSlot;
using Graphics::WorldMapping;

namespace {

constexpr std::int64_t kBlockMode = 512;
// Steps of at least this many pixels keep every point.
constexpr double kSparseStep = 0.99997;
constexpr double kCoordinateLimit = 32766;
// More points a column than any array holds.
constexpr double kManyPoints = 4.0e18;

std::int16_t Round16(double p) { return static_cast<std::int16_t>(std::round(p)); }

bool IsGap(const PolylineEntry& e) { return e.first == kGap || e.second == kGap; }

bool Usable(const WorldMapping& m) { return m.xFactor != 0 && m.yFactor != 0; }

bool OnScreen(const GraphicsWindowRecord& w) { return w.outputDevice == Graphics::kScreen; }

bool OnPicture(const GraphicsWindowRecord& w) {
  return w.outputDevice == Graphics::kPictureFile || w.outputDevice == Graphics::kClipboardPicture;
}

// A slot with nothing to draw, whatever its kind was.
void Empty(PolylineSlot& slot) {
  slot.pointCount = 0;
  slot.sparse = false;
}

// LeftParentesis and RightParentesis: the drawing bracket, with the polygon
// comments on picture output and the copy of an off-screen window to the
// screen when asked.
class PolylineBracket {
 public:
  PolylineBracket(GraphicsWindow window, bool update)
      : window_(window), update_(update), began_(Graphics::SetPort(window, save_)) {
    if (began_ && OnPicture(*window_)) Picture::Comment(Picture::kPolyBegin);
  }
  ~PolylineBracket() {
    if (!began_) return;
    if (OnPicture(*window_)) Picture::Comment(Picture::kPolyEnd);
    Graphics::EndPort(window_, save_);
    if (window_->offscreen && update_) FastGraph::Update(window_);
  }
  PolylineBracket(const PolylineBracket&) = delete;
  PolylineBracket& operator=(const PolylineBracket&) = delete;
  bool Began() const { return began_; }

 private:
  GraphicsWindow window_;
  bool update_;
  Graphics::PortSave save_;
  bool began_;
};

// A trace as prepared for storing.
struct Trace {
  double step = 0;  // pixels from one point to the next
  double x = 0;     // pixel x of the first point (dense: one column back)
  std::int64_t perColumn = 0;
  int columnStep = 1;
  std::int64_t first = 0;  // data points skipped left of the window
  std::int64_t count = 0;  // data points to store
  double boundary = 0;     // dense: pixel x where the first column ends
};

// SetupPolyline: FALSE, with the slot unchanged but emptied, when there is
// nothing to draw.
bool Setup(const GraphicsWindowRecord& w, PolylineSlot& slot, double x0, double width, std::int64_t count,
           const WorldMapping& m, bool lines, bool markers, Trace& t) {
  if (width == 0 || !Usable(m)) return false;
  const double f = m.xFactor;
  t.step = width * f / static_cast<double>(count);
  t.x = (x0 + m.xOffset) * f;
  if (!std::isfinite(t.step) || t.step == 0 || !std::isfinite(t.x)) return false;
  t.perColumn = static_cast<std::int64_t>(std::min(std::trunc(1 / std::abs(t.step)), kManyPoints));
  slot.sparse = std::abs(t.step) > kSparseStep;
  slot.pointCount = 0;
  slot.increasing = t.step >= 0;
  slot.lines = lines;
  slot.markers = markers;
  const double h = std::trunc(t.x);
  double skip = 0;
  if (slot.increasing) {
    t.columnStep = 1;
    if (h > w.right) return false;
    if (h < w.left) skip = std::round((w.left - h) / t.step);
  } else {
    t.columnStep = -1;
    if (h < w.left) return false;
    if (h > w.right) skip = std::round((w.right - h) / t.step);
  }
  if (skip >= static_cast<double>(count)) return false;
  t.first = static_cast<std::int64_t>(skip);
  t.count = count - t.first;
  t.x += static_cast<double>(t.first) * t.step;
  slot.startColumn = static_cast<std::int32_t>(std::clamp(std::trunc(t.x), -kCoordinateLimit, kCoordinateLimit));
  if (slot.sparse) {
    if (t.x + static_cast<double>(t.count) * t.step > w.right) {
      const double reach = std::round((w.right - t.x) / t.step) + 2;
      if (reach < static_cast<double>(t.count)) t.count = static_cast<std::int64_t>(reach);
    }
  } else {
    t.x -= t.columnStep;
    t.boundary = std::trunc(t.x) + t.columnStep;
  }
  return t.count >= (markers ? 1 : 2);
}

// AllocateBuffer: the number of entries the slot's buffer takes (one a pixel
// column of the window); 0 when there is no room.
std::int64_t AllocateBuffer(const GraphicsWindowRecord& w, PolylineSlot& slot) {
  slot.pointCount = 0;
  const std::int64_t capacity = static_cast<std::int64_t>(w.right) - w.left + 1;
  if (capacity < 1) return 0;
  const auto bytes = static_cast<std::int32_t>(capacity * static_cast<std::int64_t>(sizeof(PolylineEntry)));
  if (slot.bufferSize >= bytes) return capacity;
  Buffer::NamedBuffer heap = w.platform != nullptr ? w.platform->heap : nullptr;
  void* block = slot.buffer;
  Buffer::Deallocate(heap, slot.bufferSize, block);
  slot.buffer = nullptr;
  slot.bufferSize = 0;
  Buffer::Allocate(heap, bytes, block);
  if (block == nullptr) return 0;
  slot.buffer = static_cast<PolylineEntry*>(block);
  slot.bufferSize = bytes;
  return capacity;
}

// MakeOverlap: a column that lies wholly below or above the one before
// reaches back to it, so that the strokes join.
void MakeOverlap(PolylineEntry* e, std::int64_t columns) {
  for (std::int64_t i = 0; i + 1 < columns; ++i) {
    PolylineEntry& a = e[i];
    PolylineEntry& b = e[i + 1];
    if (a.first == kGap || b.second == kGap) continue;
    if (a.first < b.second) {
      b.second = static_cast<std::int16_t>(a.first + 1);
    } else if (a.second != kGap && b.first != kGap && a.second > b.first) {
      b.first = static_cast<std::int16_t>(a.second - 1);
    }
  }
}

template <typename T>
class Store {
 public:
  Store(PolylineSlot& slot, const WorldMapping& m, const T* data, const Trace& t, std::int64_t capacity)
      : slot_(slot), m_(m), data_(data + t.first), t_(t), capacity_(capacity) {}

  void SinglePoint(bool keep) {
    if (!keep) {
      Empty(slot_);
      return;
    }
    slot_.sparse = true;
    slot_.lines = false;
    slot_.buffer[0] = PolylineEntry{ClipQD(slot_.startColumn), V(data_[0])};
    slot_.pointCount = 0;
  }

  void Sparse() {
    PolylineEntry* e = slot_.buffer;
    e[0] = PolylineEntry{ClipQD(slot_.startColumn), V(data_[0])};
    double x = t_.x;
    for (std::int64_t i = 1; i < t_.count && i < capacity_; ++i) {
      x += t_.step;
      e[i] = PolylineEntry{ClipQD(x), V(data_[i])};
      ++slot_.pointCount;
    }
  }

  // Every column takes exactly perColumn points.
  void Block() {
    PolylineEntry* e = slot_.buffer;
    std::int64_t stored = 0;
    for (std::int64_t at = 0; at < t_.count && stored < capacity_; at += t_.perColumn) {
      const std::int64_t end = std::min(t_.count, at + t_.perColumn);
      T low = data_[at];
      T high = low;
      for (std::int64_t i = at + 1; i < end; ++i) Merge(data_[i], low, high);
      e[stored++] = PolylineEntry{V(low), V(high)};
    }
    slot_.pointCount = static_cast<std::int32_t>(stored);
  }

  // A column closes when the accumulated x of the next point passes its
  // boundary.
  void Tracking() {
    PolylineEntry* e = slot_.buffer;
    std::int64_t stored = 0;
    const bool increasing = slot_.increasing;
    double x = t_.x;
    double boundary = t_.boundary;
    T low = data_[0];
    T high = low;
    for (std::int64_t at = 0, left = t_.count;;) {
      x += t_.step;
      const bool crossed = increasing ? x >= boundary : x <= boundary;
      if (crossed) {
        e[stored++] = PolylineEntry{V(low), V(high)};
        boundary += t_.columnStep;
        if (stored >= capacity_) break;
      }
      ++at;
      if (--left == 0) break;
      const T value = data_[at];
      if (crossed) {
        low = high = value;
      } else {
        Merge(value, low, high);
      }
      if (left == 1) x = boundary;
    }
    slot_.pointCount = static_cast<std::int32_t>(stored);
  }

 private:
  // A value that is not a number never replaces a bound; a first one stays.
  // (A value at or below the minimum is never above the maximum, so the two
  // bounds are taken apart, without a branch.)
  static void Merge(T value, T& low, T& high) {
    low = value <= low ? value : low;
    high = value > high ? value : high;
  }

  std::int16_t V(T value) const { return ClipY(slot_, (static_cast<double>(value) + m_.yOffset) * m_.yFactor); }

  PolylineSlot& slot_;
  const WorldMapping& m_;
  const T* data_;
  const Trace& t_;
  std::int64_t capacity_;
};

// DoDraw, inside a drawing bracket.
void DoDraw(GraphicsWindow w, const PolylineSlot& slot) {
  const PolylineEntry* e = slot.buffer;
  if (e == nullptr) return;
  if (slot.sparse) {
    if (slot.lines) {
      if (slot.pointCount <= 0) return;
      bool penUp = true;
      for (std::int32_t i = 0; i <= slot.pointCount; ++i) {
        if (IsGap(e[i])) {
          penUp = true;
        } else if (penUp) {
          Port::MoveTo(e[i].first, e[i].second);
          penUp = false;
        } else {
          Lines::LineTo(e[i].first, e[i].second);
        }
      }
    }
    if (slot.markers && slot.pointCount >= 0) {
      for (std::int32_t i = 0; i <= slot.pointCount; ++i) {
        if (!IsGap(e[i])) Graphics::DrawMarker(w, e[i].first, e[i].second);
      }
    }
    return;
  }
  if (slot.pointCount <= 0) return;
  const int d = slot.increasing ? 1 : -1;
  // On paper and in pictures the strokes lean into the next column, so that
  // they join at the output's finer resolution.
  const int lean = OnScreen(*w) ? 0 : d;
  if (slot.lines) {
    for (std::int32_t i = 0; i < slot.pointCount; ++i) {
      if (IsGap(e[i])) continue;
      const int x = slot.startColumn + i * d;
      Port::MoveTo(x, e[i].first);
      Lines::LineTo(x + lean, e[i].second);
    }
  }
  if (slot.markers && w->markerSpacing > 0) {
    for (std::int32_t i = 0; i < slot.pointCount; i += w->markerSpacing) {
      if (!IsGap(e[i])) Graphics::DrawMarker(w, slot.startColumn + i * d, (e[i].first + e[i].second) / 2);
    }
  }
}

template <typename T>
void Polyline(GraphicsWindow window, int slotIndex, double x0, double width, std::span<const T> data, bool lines,
              bool markers, bool update, bool realData) {
  if (window == nullptr || data.empty() || slotIndex < 0 || slotIndex >= Graphics::kPolylineSlots) return;
  const PolylineBracket drawing(window, update);
  if (!drawing.Began()) return;
  PolylineSlot& slot = window->slots[static_cast<std::size_t>(slotIndex)];
  const WorldMapping& m = realData ? window->real : window->integer;
  Trace t;
  if (!Setup(*window, slot, x0, width, static_cast<std::int64_t>(data.size()), m, lines, markers, t)) {
    Empty(slot);
    return;
  }
  const std::int64_t capacity = AllocateBuffer(*window, slot);
  if (capacity == 0) {
    Empty(slot);
    return;
  }
  Store<T> store(slot, m, data.data(), t, capacity);
  if (t.count == 1) {
    store.SinglePoint(realData ? !lines && markers : markers);
  } else if (slot.sparse) {
    store.Sparse();
  } else {
    if (t.perColumn >= kBlockMode) {
      store.Block();
    } else {
      store.Tracking();
    }
    MakeOverlap(slot.buffer, slot.pointCount);
  }
  DoDraw(window, slot);
}

template <typename T>
bool ValidPair(T x, T y) {
  return LongMath::IsValidNumber(static_cast<double>(x)) && LongMath::IsValidNumber(static_cast<double>(y));
}

template <typename T>
Geometry::Point Pixel(const WorldMapping& m, T x, T y) {
  return Geometry::Point{ClipQD((static_cast<double>(x) + m.xOffset) * m.xFactor),
                         ClipQD((static_cast<double>(y) + m.yOffset) * m.yFactor)};
}

// Real data lift the pen at a pair that is not a number; 16-bit data are
// all numbers.
template <typename T>
void Polyvector(GraphicsWindow window, std::span<const T> xs, std::span<const T> ys, bool update, bool realData) {
  const std::size_t count = std::min(xs.size(), ys.size());
  if (window == nullptr || count == 0) return;
  const PolylineBracket drawing(window, update);
  const WorldMapping& m = realData ? window->real : window->integer;
  if (!drawing.Began() || !Usable(m)) return;
  bool penUp = true;
  for (std::size_t i = 0; i < count; ++i) {
    if (!ValidPair(xs[i], ys[i])) {
      penUp = true;
      continue;
    }
    const Geometry::Point p = Pixel(m, xs[i], ys[i]);
    if (penUp) {
      Port::MoveTo(p.h, p.v);
      penUp = false;
    } else {
      Lines::LineTo(p.h, p.v);
    }
  }
}

template <typename T>
void MarkerList(GraphicsWindow window, std::span<const T> xs, std::span<const T> ys, bool update, bool realData) {
  const std::size_t count = std::min(xs.size(), ys.size());
  if (window == nullptr || count == 0) return;
  const PolylineBracket drawing(window, update);
  const WorldMapping& m = realData ? window->real : window->integer;
  if (!drawing.Began() || !Usable(m)) return;
  for (std::size_t i = 0; i < count; ++i) {
    if (!ValidPair(xs[i], ys[i])) continue;
    const Geometry::Point p = Pixel(m, xs[i], ys[i]);
    Graphics::DrawMarker(window, p.h, p.v);
  }
}

bool ValidSlot(GraphicsWindow window, int slot) {
  return window != nullptr && slot >= 0 && slot < Graphics::kPolylineSlots;
}

}  // namespace

std::int16_t ClipQD(double x) {
  if (!LongMath::IsValidNumber(x)) return kGap;
  if (x >= kCoordinateLimit) return static_cast<std::int16_t>(kCoordinateLimit);
  if (x <= -kCoordinateLimit) return static_cast<std::int16_t>(-kCoordinateLimit);
  return Round16(x);
}

std::int16_t ClipY(const PolylineSlot& slot, double y) {
  if (!LongMath::IsValidNumber(y)) return kGap;
  if (y > slot.lowerLimit) return static_cast<std::int16_t>(std::trunc(slot.lowerLimit));
  if (y < slot.upperLimit) return static_cast<std::int16_t>(std::trunc(slot.upperLimit));
  return Round16(y);
}

void PolylineReal(GraphicsWindow window, int slot, double x0, double width, std::span<const float> data, bool lines,
                  bool markers, bool update) {
  Polyline(window, slot, x0, width, data, lines, markers, update, true);
}

void PolylineLongReal(GraphicsWindow window, int slot, double x0, double width, std::span<const double> data,
                      bool lines, bool markers, bool update) {
  Polyline(window, slot, x0, width, data, lines, markers, update, true);
}

void PolylineInt16(GraphicsWindow window, int slot, double x0, double width, std::span<const std::int16_t> data,
                   bool lines, bool markers, bool update) {
  Polyline(window, slot, x0, width, data, lines, markers, update, false);
}

void Draw(GraphicsWindow window, int slot) {
  if (!ValidSlot(window, slot) || window->outputDevice == Graphics::kPrinter) return;
  const PolylineBracket drawing(window, false);
  if (drawing.Began()) DoDraw(window, window->slots[static_cast<std::size_t>(slot)]);
}

void Clear(GraphicsWindow window, int slot) {
  if (ValidSlot(window, slot)) Empty(window->slots[static_cast<std::size_t>(slot)]);
}

void SetPolylineYLimits(GraphicsWindow window, int slot, double low, double high) {
  if (!ValidSlot(window, slot)) return;
  PolylineSlot& s = window->slots[static_cast<std::size_t>(slot)];
  if (low == 0 && high == 0) {
    s.lowerLimit = kCoordinateLimit;
    s.upperLimit = -kCoordinateLimit;
    return;
  }
  const WorldMapping& m = window->real;
  s.lowerLimit = ClipQD((std::max(low, m.y1) + m.yOffset) * m.yFactor);
  s.upperLimit = ClipQD((std::min(high, m.y2) + m.yOffset) * m.yFactor);
}

void SetMarkerSpacing(GraphicsWindow window, int spacing) {
  if (window != nullptr) window->markerSpacing = spacing;
}

void SetPersistency(GraphicsWindow, bool) {}

void PolyvectorReal(GraphicsWindow window, std::span<const float> xs, std::span<const float> ys, bool update) {
  Polyvector(window, xs, ys, update, true);
}

void PolyvectorLongReal(GraphicsWindow window, std::span<const double> xs, std::span<const double> ys, bool update) {
  Polyvector(window, xs, ys, update, true);
}

void PolyvectorInt16(GraphicsWindow window, std::span<const std::int16_t> xs, std::span<const std::int16_t> ys,
                     bool update) {
  Polyvector(window, xs, ys, update, false);
}

void MarkerListReal(GraphicsWindow window, std::span<const float> xs, std::span<const float> ys, bool update) {
  MarkerList(window, xs, ys, update, true);
}

void MarkerListLongReal(GraphicsWindow window, std::span<const double> xs, std::span<const double> ys, bool update) {
  MarkerList(window, xs, ys, update, true);
}

void MarkerListInt16(GraphicsWindow window, std::span<const std::int16_t> xs, std::span<const std::int16_t> ys,
                     bool update) {
  MarkerList(window, xs, ys, update, false);
}

}  // namespace GraphPoly
