// Long data traces drawn fast: arrays of 4-byte reals, 8-byte reals or
// 16-bit integers, evenly spaced in x, as polylines in a graphics window.
//
// A trace is kept in one of the window's 40 persistent polyline slots as
// pixel points, so that it can be drawn again later without the data. A
// trace with fewer points than pixel columns is kept point by point (a
// sparse slot); a denser one is reduced to one vertical min-max stroke per
// pixel column (a dense slot): in block mode (512 or more points a column)
// every column takes exactly trunc(1 / step) points, in tracking mode each
// column holds the points whose accumulated pixel x falls into it. Storage
// is at most one pair of 16-bit values per column of the window, and the
// data are read once.
//
// Values that are not numbers leave gaps (Graphics::kGap): lines break
// there and no marker is drawn. On picture output every polyline lies
// between the picture comments 140 and 141. A window without a usable world
// mapping (see Graphics) draws no trace. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "shell/Graphics.h"

namespace GraphPoly {

// The pixel of an x (or of any coordinate of a free polyline): kGap for a
// value that is not a finite number, cut to -32766..32766, else rounded to
// the nearest integer, halves away from zero.
std::int16_t ClipQD(double x);
// The pixel of a y in a slot: kGap for a value that is not a finite number,
// cut to the slot's limits (truncated), else rounded as ClipQD.
std::int16_t ClipY(const Graphics::PolylineSlot& slot, double y);

// Stores the data as slot 0..39 of the window and draws it: point i lies at
// world x = x0 + i * width / count and y = data[i] (count the data's size);
// 16-bit data go through the integer mapping. Nothing for nil, no data, a
// slot outside 0..39, a width of 0 or a step that is not a finite number.
// A single point is kept only when it can be seen: as a marker with lines
// off (real data) or with markers on (16-bit data). update: an off-screen
// window is copied onto its parent afterwards.
void PolylineReal(Graphics::GraphicsWindow window, int slot, double x0, double width, std::span<const float> data,
                  bool lines, bool markers, bool update);
void PolylineLongReal(Graphics::GraphicsWindow window, int slot, double x0, double width, std::span<const double> data,
                      bool lines, bool markers, bool update);
void PolylineInt16(Graphics::GraphicsWindow window, int slot, double x0, double width,
                   std::span<const std::int16_t> data, bool lines, bool markers, bool update);

// Draws a stored slot again; nothing on printer output.
void Draw(Graphics::GraphicsWindow window, int slot);
// Empties the slot (its buffer stays for the next trace).
void Clear(Graphics::GraphicsWindow window, int slot);
// Keeps the slot's later traces between the pixels of max(low, world y1)
// and min(high, world y2) of the real mapping as it is now; low = high = 0
// removes the limits.
void SetPolylineYLimits(Graphics::GraphicsWindow window, int slot, double low, double high);
// Columns between the markers of dense traces.
void SetMarkerSpacing(Graphics::GraphicsWindow window, int spacing);
// Slots are always kept, so there is nothing to switch: the flag is ignored.
void SetPersistency(Graphics::GraphicsWindow window, bool flag);

// Free polylines through (xs[i], ys[i]), i below the smaller size, kept in no
// slot. Real data: a pair that is not a number lifts the pen. 16-bit data go
// through the integer mapping.
void PolyvectorReal(Graphics::GraphicsWindow window, std::span<const float> xs, std::span<const float> ys, bool update);
void PolyvectorLongReal(Graphics::GraphicsWindow window, std::span<const double> xs, std::span<const double> ys,
                        bool update);
void PolyvectorInt16(Graphics::GraphicsWindow window, std::span<const std::int16_t> xs,
                     std::span<const std::int16_t> ys, bool update);
// The window's marker at each pair (real data: each pair of numbers) that
// lies inside the window.
void MarkerListReal(Graphics::GraphicsWindow window, std::span<const float> xs, std::span<const float> ys, bool update);
void MarkerListLongReal(Graphics::GraphicsWindow window, std::span<const double> xs, std::span<const double> ys,
                        bool update);
void MarkerListInt16(Graphics::GraphicsWindow window, std::span<const std::int16_t> xs,
                     std::span<const std::int16_t> ys, bool update);

}  // namespace GraphPoly
