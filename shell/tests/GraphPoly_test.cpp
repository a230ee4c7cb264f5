// Polylines with column decimation: sparse and dense slots, block and
// tracking mode, gaps, clipping to the window, single points, the joining
// of strokes, y limits, refused traces, and the free polylines.
#include "shell/GraphPoly.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "platform/Port.h"
#include "shell/Graphics.h"
#include "shell/Printer.h"
#include "shell/tests/Graphics_fixture.h"
#include "shell/tests/Printer_fixture.h"

namespace {

using Geometry::Point;
using Geometry::SetRect;
using Graphics::GraphicsWindow;
using Graphics::kGap;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class GraphPolyTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    root = MakeWindow(20, 40, 1020, 760);
  }

  // The world (0, 0)-(100, 100) on pixels 0..102: h = x + 1, v = 101 - y.
  GraphicsWindow UnitWindow() {
    GraphicsWindow w = Graphics::CreateWindowInt(root, 0, 0, 102, 102);
    Graphics::SetScaling(w, 0, 0, 100, 100);
    return w;
  }

  static int V(GraphicsWindow w, double y) {
    int h = 0;
    int v = 0;
    Graphics::WindowToLocal(w, 0, y, h, v);
    return v;
  }

  static std::vector<Graphics::PolylineEntry> Entries(GraphicsWindow w, int slot) {
    const Graphics::PolylineSlot& s = w->slots[static_cast<std::size_t>(slot)];
    const int n = s.sparse ? s.pointCount + 1 : s.pointCount;
    return std::vector<Graphics::PolylineEntry>(s.buffer, s.buffer + std::max(n, 0));
  }

  GraphicsWindow root = nullptr;
};

TEST_F(GraphPolyTest, ATraceDenserThanTheColumnsIsTrackedColumnByColumn) {
  // 1,000 points over width 1 of the default world on 100 pixels: step 0.098.
  GraphicsWindow w = Graphics::CreateWindowInt(root, 0, 0, 100, 1004);
  Graphics::SetScaling(w, 0, 0, 1, 1000);
  std::vector<float> ramp(1000);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i);
  GraphPoly::PolylineReal(w, 0, 0.1, 1, ramp, true, false, false);
  const Graphics::PolylineSlot& slot = w->slots[0];
  EXPECT_FALSE(slot.sparse);
  EXPECT_TRUE(slot.increasing);
  EXPECT_LE(slot.pointCount, 101);
  EXPECT_EQ(slot.startColumn, 10);

  // The points whose accumulated pixel x lies in each column.
  const double step = 1 * 98.0 / 1000;
  double x = (0.1 + 1 / 98.0) * 98;
  std::map<int, int> lastOfColumn;
  for (int i = 0; i < 1000; ++i, x += step) lastOfColumn[static_cast<int>(std::trunc(x))] = i;
  const std::vector<Graphics::PolylineEntry> e = Entries(w, 0);
  ASSERT_EQ(static_cast<std::size_t>(slot.pointCount), lastOfColumn.size());
  int column = slot.startColumn;
  for (const Graphics::PolylineEntry& entry : e) {
    // The top of each stroke is its column's largest value, the last point.
    EXPECT_EQ(entry.second, V(w, lastOfColumn[column])) << "column " << column;
    ++column;
  }
  // The strokes are joined: every column reaches down to the one before.
  for (std::size_t i = 1; i < e.size(); ++i) EXPECT_EQ(e[i].first, e[i - 1].second - 1);
}

TEST_F(GraphPolyTest, InBlockModeEveryColumnTakesExactlyTruncOfOneOverStepPoints) {
  // 1,000,000 points over 100 columns, 10,000.5 points a column: block mode
  // takes 10,000 for each, whatever the fraction.
  GraphicsWindow w = Graphics::CreateWindowInt(root, 0, 0, 102, 102);
  constexpr int kPerColumn = 10000;
  std::vector<float> data(1000000, 0.0f);
  for (int c = 0; c < 100; c += 2) data[static_cast<std::size_t>((c + 1) * kPerColumn - 1)] = 1.0f;
  GraphPoly::PolylineReal(w, 0, 0, 0.99995, data, true, false, false);
  const std::vector<Graphics::PolylineEntry> e = Entries(w, 0);
  ASSERT_EQ(e.size(), 100u);
  for (std::size_t c = 0; c < e.size(); ++c) {
    EXPECT_EQ(e[c].first, 101) << c;
    EXPECT_EQ(e[c].second, c % 2 == 0 ? 1 : 101) << c;
  }
}

TEST_F(GraphPolyTest, ValuesThatAreNotNumbersLeaveGaps) {
  GraphicsWindow w = UnitWindow();
  // Sparse: the line breaks at the gap.
  const float sparse[] = {10, 10, kNaN, 10, 10};
  GraphPoly::PolylineReal(w, 0, 0, 100, sparse, true, false, false);
  EXPECT_EQ(At(w, 10, 91), 0u);
  EXPECT_EQ(At(w, 30, 91), Surface::kRgbMask);
  EXPECT_EQ(At(w, 50, 91), Surface::kRgbMask);
  EXPECT_EQ(At(w, 70, 91), 0u);

  // Dense (four points a column): a column whose first value is not a number
  // is a gap; one later in a column is passed over.
  Graphics::ClearWindow(w);
  std::vector<float> dense(400, 50.0f);
  dense[40] = kNaN;  // first of column 11
  dense[41] = 90.0f;
  dense[62] = kNaN;  // third of column 16
  dense[63] = 90.0f;
  GraphPoly::PolylineReal(w, 1, 0, 100, dense, true, false, false);
  const std::vector<Graphics::PolylineEntry> e = Entries(w, 1);
  const int start = w->slots[1].startColumn;
  ASSERT_EQ(start, 1);
  EXPECT_EQ(e[10].first, kGap);
  EXPECT_EQ(e[10].second, kGap);
  EXPECT_EQ(e[15].second, 11);
  EXPECT_TRUE(Inked(w, SetRect(11, 0, 12, 102)).empty());
  EXPECT_FALSE(Inked(w, SetRect(12, 0, 13, 102)).empty());
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double real[] = {1, nan, 3};
  GraphPoly::PolylineLongReal(w, 2, 0, 100, real, true, false, false);
  EXPECT_EQ(Entries(w, 2)[1].second, kGap);
}

TEST_F(GraphPolyTest, OnlyPointsInsideTheWindowAreKept) {
  GraphicsWindow w = UnitWindow();
  std::vector<float> data(200, 50.0f);
  GraphPoly::PolylineReal(w, 0, -50, 100, data, true, false, false);  // x from -50 to 49.5
  EXPECT_EQ(w->slots[0].startColumn, 0);
  EXPECT_EQ(w->slots[0].pointCount, 51);
  EXPECT_TRUE(Inked(w, SetRect(52, 0, 102, 102)).empty());
  // A trace starting right of the window draws nothing.
  Graphics::ClearWindow(w);
  GraphPoly::PolylineReal(w, 0, 200, 100, data, true, false, false);
  EXPECT_EQ(w->slots[0].pointCount, 0);
  GraphPoly::PolylineReal(w, 1, -500, 100, data, true, false, false);  // ends left of it
  EXPECT_EQ(w->slots[1].pointCount, 0);
  EXPECT_TRUE(Inked(w, SetRect(0, 0, 102, 102)).empty());
  // A sparse trace running out of the window stops soon after its edge:
  // points at 51, 71, 91, 111, 131.
  const float few[] = {1, 2, 3, 4, 5, 6, 7, 8};
  GraphPoly::PolylineReal(w, 2, 50, 160, few, true, false, false);
  EXPECT_EQ(w->slots[2].pointCount, 4);
}

TEST_F(GraphPolyTest, ASinglePointShowsOnlyAsAMarker) {
  GraphicsWindow w = UnitWindow();
  Graphics::SetMarker(w, 1);
  const float one[] = {50};
  GraphPoly::PolylineReal(w, 0, 50, 10, one, true, true, false);
  EXPECT_TRUE(Inked(w, SetRect(0, 0, 102, 102)).empty());
  GraphPoly::PolylineReal(w, 0, 50, 10, one, false, true, false);
  EXPECT_EQ(Inked(w, SetRect(0, 0, 102, 102)).size(), 17u);
  EXPECT_EQ(At(w, 51, 51), 0u);
  // 16-bit data keep it whenever markers are on.
  Graphics::ClearWindow(w);
  Graphics::SetScalingInt(w, 0, 0, 100, 100);
  const std::int16_t sample[] = {20};
  GraphPoly::PolylineInt16(w, 1, 30, 10, sample, true, true, false);
  EXPECT_EQ(At(w, 31, 81), 0u);
  // Cleared, it stays off the window until stored again.
  Graphics::ClearWindow(w);
  GraphPoly::Draw(w, 0);
  GraphPoly::Draw(w, 1);
  EXPECT_TRUE(Inked(w, SetRect(0, 0, 102, 102)).empty());
}

TEST_F(GraphPolyTest, NeighbouringStrokesAreJoined) {
  GraphicsWindow w = UnitWindow();
  // Two columns of four points: v 50..60, then v 70..80.
  const float data[] = {41, 51, 45, 46, 21, 31, 25, 26};
  GraphPoly::PolylineReal(w, 0, 10.1, 2, data, true, false, false);
  ASSERT_EQ(w->slots[0].startColumn, 11);
  const std::vector<Graphics::PolylineEntry> e = Entries(w, 0);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ((std::vector<int>{e[0].first, e[0].second, e[1].first, e[1].second}), (std::vector<int>{60, 50, 80, 61}));
  // And the other way round: the second lies above the first.
  const float rising[] = {21, 31, 25, 26, 41, 51, 45, 46};
  GraphPoly::PolylineReal(w, 1, 10.1, 2, rising, true, false, false);
  const std::vector<Graphics::PolylineEntry> r = Entries(w, 1);
  EXPECT_EQ((std::vector<int>{r[0].first, r[0].second, r[1].first, r[1].second}), (std::vector<int>{80, 70, 69, 50}));
}

TEST_F(GraphPolyTest, YLimitsHoldValuesInside) {
  GraphicsWindow w = Graphics::CreateWindowInt(root, 0, 0, 102, 102);
  Graphics::SetScaling(w, 0, -2, 100, 2);
  GraphPoly::SetPolylineYLimits(w, 0, -1, 1);
  const float data[] = {5, -5, 0.5f};
  GraphPoly::PolylineReal(w, 0, 0, 100, data, true, false, false);
  const std::vector<Graphics::PolylineEntry> e = Entries(w, 0);
  EXPECT_EQ(e[0].second, V(w, 1));
  EXPECT_EQ(e[1].second, V(w, -1));
  EXPECT_EQ(e[2].second, V(w, 0.5));
  GraphPoly::SetPolylineYLimits(w, 0, 0, 0);
  GraphPoly::PolylineReal(w, 0, 0, 100, data, true, false, false);
  EXPECT_EQ(Entries(w, 0)[0].second, V(w, 5));
}

// A width of 0 would divide by zero and take trunc(1 / 0); a step that is no
// number would be converted to an integer.
TEST_F(GraphPolyTest, TracesWithoutAStepAreRefused) {
  GraphicsWindow w = UnitWindow();
  const float data[] = {1, 2, 3, 4};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double x0;
    double width;
  };
  for (const Case& c : std::vector<Case>{{0, 0}, {0, -0.0}, {0, nan}, {0, inf}, {nan, 10}, {inf, 10}, {-inf, 10}}) {
    GraphPoly::PolylineReal(w, 0, c.x0, c.width, data, true, true, false);
    EXPECT_EQ(w->slots[0].pointCount, 0) << c.x0 << " " << c.width;
  }
  // A vanishing but finite step puts every point into one column.
  std::vector<float> many(1000, 1.0f);
  GraphPoly::PolylineReal(w, 0, 50, 1e-300, many, true, false, false);
  EXPECT_EQ(w->slots[0].pointCount, 1);
  EXPECT_EQ(Inked(w, SetRect(0, 0, 102, 102)).size(), 1u);
  GraphPoly::PolylineReal(nullptr, 0, 0, 1, data, true, false, false);
  GraphPoly::PolylineReal(w, 40, 0, 1, data, true, false, false);
  GraphPoly::PolylineReal(w, -1, 0, 1, data, true, false, false);
  GraphPoly::PolylineReal(w, 0, 0, 1, {}, true, false, false);
  GraphPoly::Draw(w, 40);
  GraphPoly::Clear(w, -1);
}

TEST_F(GraphPolyTest, ANegativeWidthRunsToTheLeft) {
  GraphicsWindow w = UnitWindow();
  const float sparse[] = {10, 20, 30, 40};
  GraphPoly::PolylineReal(w, 0, 100, -100, sparse, true, false, false);
  const std::vector<Graphics::PolylineEntry> e = Entries(w, 0);
  EXPECT_FALSE(w->slots[0].increasing);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ((std::vector<int>{e[0].first, e[1].first, e[2].first, e[3].first}), (std::vector<int>{101, 76, 51, 26}));
  std::vector<float> dense(400, 50.0f);
  GraphPoly::PolylineReal(w, 1, 100, -100, dense, true, false, false);
  EXPECT_EQ(w->slots[1].startColumn, 101);
  EXPECT_EQ(w->slots[1].pointCount, 100);
  EXPECT_FALSE(Inked(w, SetRect(2, 51, 3, 52)).empty());
}

TEST_F(GraphPolyTest, DenseMarkersFollowTheSpacing) {
  GraphicsWindow w = UnitWindow();
  GraphPoly::SetMarkerSpacing(w, 10);
  std::vector<float> flat(400, 50.0f);
  GraphPoly::PolylineReal(w, 0, 0, 100, flat, false, true, false);
  ASSERT_EQ(w->slots[0].pointCount, 100);
  const std::vector<Point> dots = Inked(w, SetRect(0, 0, 102, 102));
  ASSERT_EQ(dots.size(), 10u);
  for (std::size_t i = 0; i < dots.size(); ++i) EXPECT_EQ(dots[i], (Point{1 + 10 * static_cast<int>(i), 51}));
  // A stored slot is drawn again without its data, in another colour.
  Graphics::ClearWindow(w);
  GraphPoly::PolylineReal(w, 0, 0, 100, flat, true, false, false);
  Graphics::SetRGBForeColor(w, Graphics::Red);
  GraphPoly::Draw(w, 0);
  EXPECT_EQ(At(w, 50, 51), Color::ToPixel(Graphics::Red));
}

TEST_F(GraphPolyTest, OnTheScreenStrokesStayInTheirColumn) {
  GraphicsWindow w = UnitWindow();
  std::vector<float> ramp(400);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i) / 4;
  GraphPoly::PolylineReal(w, 0, 0, 100, ramp, true, false, false);
  EXPECT_TRUE(Inked(w, SetRect(101, 0, 102, 102)).empty());
}

class GraphPolyOnPaper : public PrinterTest {};

TEST_F(GraphPolyOnPaper, StrokesLeanIntoTheNextColumn) {
  ASSERT_TRUE(NewJob(false, "paper.pdf"));
  ASSERT_TRUE(Printer::StartPage(nullptr));
  GraphicsWindow w = Graphics::CreateWindowInt(Printer::PageWindow(), 0, 0, 102, 102);
  Graphics::SetScaling(w, 0, 0, 100, 100);
  ASSERT_EQ(Graphics::GetOutputDevice(w), Graphics::kPrinter);
  std::vector<float> ramp(400);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i) / 4;
  GraphPoly::PolylineReal(w, 0, 0, 100, ramp, true, false, false);
  EXPECT_FALSE(Inked(w, SetRect(101, 0, 102, 102)).empty());
  // Stored slots are not drawn again on the printer.
  Graphics::ClearWindow(w);
  GraphPoly::Draw(w, 0);
  EXPECT_TRUE(Inked(w, SetRect(0, 0, 102, 102)).empty());
  Printer::ClosePage();
}

// Slots are kept whatever the flag says: neither the stored trace nor the
// storing and drawing of later ones may change.
TEST_F(GraphPolyTest, PersistencyChangesNothing) {
  const auto stored = [](GraphicsWindow w, int slot) {
    std::vector<std::pair<int, int>> pairs;
    for (const Graphics::PolylineEntry& e : Entries(w, slot)) pairs.emplace_back(e.first, e.second);
    return pairs;
  };
  const float first[] = {10, 20, 30, 40};
  const float second[] = {60, 50, 40, 30, 20};
  for (const bool flag : {false, true}) {
    GraphicsWindow w = UnitWindow();
    GraphPoly::PolylineReal(w, 0, 0, 100, first, true, false, false);
    const std::vector<std::pair<int, int>> trace = stored(w, 0);
    const std::vector<Point> drawn = Inked(w, SetRect(0, 0, 102, 102));
    ASSERT_EQ(trace.size(), 4u);
    GraphPoly::SetPersistency(w, flag);
    GraphPoly::SetPersistency(nullptr, flag);
    EXPECT_EQ(stored(w, 0), trace) << flag;
    EXPECT_EQ(Inked(w, SetRect(0, 0, 102, 102)), drawn) << flag;
    Graphics::ClearWindow(w);
    GraphPoly::PolylineReal(w, 1, 0, 100, second, true, false, false);
    GraphPoly::PolylineReal(w, 0, 0, 100, first, true, false, false);
    EXPECT_EQ(stored(w, 0), trace) << flag;
    EXPECT_EQ(stored(w, 1).size(), 5u) << flag;
    Graphics::RemoveWindow(w);
  }
}

TEST_F(GraphPolyTest, FreePolylinesAndMarkerLists) {
  GraphicsWindow w = UnitWindow();
  const float xs[] = {0, 50, kNaN, 60, 100};
  const float ys[] = {0, 50, 50, 60, 100};
  GraphPoly::PolyvectorReal(w, xs, ys, false);
  EXPECT_EQ(At(w, 26, 76), 0u);                 // on the first segment
  EXPECT_EQ(At(w, 56, 46), Surface::kRgbMask);  // the pen was up from 50 to 60
  EXPECT_EQ(At(w, 81, 21), 0u);
  Graphics::ClearWindow(w);
  Graphics::SetMarker(w, 0);
  GraphPoly::MarkerListReal(w, xs, ys, false);
  EXPECT_EQ(Inked(w, SetRect(0, 0, 102, 102)).size(), 4u);
  Graphics::ClearWindow(w);
  Graphics::SetScalingInt(w, 0, 0, 1000, 1000);
  const std::int16_t ix[] = {0, 500, 1000};
  const std::int16_t iy[] = {0, 1000, 0};
  GraphPoly::PolyvectorInt16(w, ix, iy, false);
  EXPECT_EQ(At(w, 51, 1), 0u);
  EXPECT_EQ(At(w, 101, 101), 0u);
  Graphics::ClearWindow(w);
  GraphPoly::MarkerListInt16(w, ix, iy, false);
  EXPECT_EQ(Inked(w, SetRect(0, 0, 102, 102)), (std::vector<Point>{{51, 1}, {1, 101}, {101, 101}}));
  EXPECT_EQ(GraphPoly::ClipQD(40000), 32766);
  EXPECT_EQ(GraphPoly::ClipQD(-2.5), -3);
  EXPECT_EQ(GraphPoly::ClipQD(std::numeric_limits<double>::infinity()), kGap);
}

}  // namespace
