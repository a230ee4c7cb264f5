// Drawing on graphics windows: markers, settings, text measured in world
// units, scrolling, clearing, colours, and the switch to the printer and to
// recorded pictures (files and the clipboard).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "foundation/Strings.h"
#include "platform/PictPlay.h"
#include "platform/PictReader.h"
#include "platform/Picture.h"
#include "platform/Png.h"
#include "platform/Port.h"
#include "platform/Scrap.h"
#include "platform/Text.h"
#include "shell/FastGraph.h"
#include "shell/GraphPoly.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"
#include "shell/tests/Graphics_fixture.h"

namespace {

using Geometry::Point;
using Geometry::SetRect;
using Graphics::GraphicsWindow;

class GraphicsDraw : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    root = MakeWindow(100, 100, 500, 400);
  }

  // A child with the world (0, 0)-(100, 100) on pixels 0..102 (h = x + 1,
  // v = 101 - y).
  GraphicsWindow UnitWindow() {
    GraphicsWindow w = Graphics::CreateWindowInt(root, 0, 0, 102, 102);
    Graphics::SetScaling(w, 0, 0, 100, 100);
    return w;
  }

  static std::string TempPath(const char* name) { return ::testing::TempDir() + "graphics_" + name; }

  static std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }

  static std::vector<int> Opcodes(const PictReader::Parsed& p) {
    std::vector<int> out;
    for (const PictReader::Op& op : p.ops) out.push_back(op.opcode);
    return out;
  }

  GraphicsWindow root = nullptr;
};

TEST_F(GraphicsDraw, MarkersOfEachKind) {
  struct Case {
    int kind;
    bool (*covers)(int dx, int dy);  // the marker's pixels around its centre
  };
  const std::vector<Case> cases = {
      {0, [](int dx, int dy) { return dx == 0 && dy == 0; }},
      {1, [](int dx, int dy) { return (dy == 0 && std::abs(dx) <= 4) || (dx == 0 && std::abs(dy) <= 4); }},
      {3, [](int dx, int dy) { return std::abs(dx) + std::abs(dy) == 4; }},
      {4, [](int dx, int dy) { return std::abs(dx) == std::abs(dy) && std::abs(dx) <= 3; }},
      {5, [](int dx, int dy) { return std::max(std::abs(dx), std::abs(dy)) == 3; }},
  };
  GraphicsWindow w = UnitWindow();
  for (const Case& c : cases) {
    Graphics::ClearWindow(w);
    Graphics::SetMarker(w, c.kind);
    Graphics::Marker(w, 50, 50);  // pixel (51, 51)
    std::set<std::pair<int, int>> expected;
    for (int dy = -8; dy <= 8; ++dy) {
      for (int dx = -8; dx <= 8; ++dx) {
        if (c.covers(dx, dy)) expected.emplace(51 + dx, 51 + dy);
      }
    }
    std::set<std::pair<int, int>> drawn;
    for (const Point& p : Inked(w, SetRect(0, 0, 102, 102))) drawn.emplace(p.h, p.v);
    EXPECT_EQ(drawn, expected) << "kind " << c.kind;
  }
  // The star reaches s to either side and s up and down.
  Graphics::ClearWindow(w);
  Graphics::SetMarker(w, 2);
  Graphics::Marker(w, 50, 50);
  const std::vector<Point> star = Inked(w, SetRect(0, 0, 102, 102));
  ASSERT_FALSE(star.empty());
  const auto [minH, maxH] = std::minmax_element(star.begin(), star.end(), [](Point a, Point b) { return a.h < b.h; });
  const auto [minV, maxV] = std::minmax_element(star.begin(), star.end(), [](Point a, Point b) { return a.v < b.v; });
  EXPECT_EQ((std::vector<int>{minH->h, maxH->h, minV->v, maxV->v}), (std::vector<int>{47, 55, 47, 55}));
}

TEST_F(GraphicsDraw, MarkersOnTheEdgeAreDrawnAndBeyondItNot) {
  GraphicsWindow w = Graphics::CreateWindowInt(root, 10, 20, 110, 70);
  Graphics::SetMarker(w, 0);
  Graphics::PortSave save;
  ASSERT_TRUE(Graphics::SetPort(w, save));
  // The clip is the window's rectangle, which ends before pixel 110; a wide
  // clip shows what the marker call itself draws.
  Port::ClipRect(SetRect(0, 0, 400, 300));
  Graphics::DrawMarker(w, 110, 40);
  Graphics::DrawMarker(w, 111, 40);
  Graphics::DrawMarker(w, 50, 19);
  Graphics::DrawMarker(nullptr, 50, 40);
  EXPECT_EQ(Inked(root, SetRect(0, 0, 400, 300)), (std::vector<Point>{{110, 40}}));
}

TEST_F(GraphicsDraw, RejectedSettingsChangeNothing) {
  GraphicsWindow w = UnitWindow();
  Graphics::SetFont(w, Graphics::Helvetica, 0, 0);
  Graphics::SetFont(w, Graphics::Helvetica, 40000, 0);
  EXPECT_EQ(w->fontNumber, 22);
  EXPECT_EQ(w->fontSize, 12);
  Port::SetPort(nullptr);
  Graphics::SetLineType(w, 4);
  Graphics::SetLineType(w, -1);
  EXPECT_EQ(w->lineType, 0);
  EXPECT_EQ(Port::GetPort(), nullptr);  // no drawing begun
  Graphics::SetMarker(w, 6);
  Graphics::SetMarkerSize(w, -1);
  EXPECT_EQ(w->markerKind, 0);
  EXPECT_EQ(w->markerSize, 4);
  Graphics::SetFont(w, Graphics::Paladino, 18, Port::kItalic);
  EXPECT_EQ(Port::GetPort()->txFont, Graphics::Paladino);
  EXPECT_EQ(Port::GetPort()->txSize, 18);
}

TEST_F(GraphicsDraw, TextIsMeasuredInWorldUnits) {
  GraphicsWindow w = Graphics::CreateWindowInt(root, 0, 0, 202, 102);
  Graphics::SetScaling(w, 0, 0, 50, 50);  // 4 pixels a unit in x, 2 in y
  Graphics::SetFont(w, Graphics::Courier, 12, 0);
  Graphics::PortSave save;
  ASSERT_TRUE(Graphics::SetPort(w, save));
  const int pixels = Text::StringWidth("Volt");
  const Fonts::FontInfo font = Text::GetFontInfo();
  EXPECT_DOUBLE_EQ(Graphics::TextWidth(w, "Volt"), pixels / 4.0);
  EXPECT_DOUBLE_EQ(Graphics::TextHeight(w), font.ascent / 2.0);
  EXPECT_EQ(Graphics::TextWidth(w, ""), 0);
  EXPECT_EQ(Graphics::TextHeight(nullptr), 0);
  Graphics::Text(w, 10, 25, "Volt");  // base line starts at (41, 51)
  const std::vector<Point> ink = Inked(w, SetRect(0, 0, 202, 102));
  ASSERT_FALSE(ink.empty());
  for (const Point& p : ink) {
    EXPECT_GE(p.h, 41);
    EXPECT_LT(p.h, 41 + pixels);
    EXPECT_GE(p.v, 51 - font.ascent);
    EXPECT_LT(p.v, 51 + font.descent);
  }
  EXPECT_EQ(Port::GetPen(), (Point{41 + pixels, 51}));
}

TEST_F(GraphicsDraw, MoveScrollsAWorldRectangle) {
  GraphicsWindow w = UnitWindow();
  Graphics::Line(w, 50, 50, 50, 50);  // pixel (51, 51)
  // Lower-left corner onto its own place: nothing.
  Graphics::Move(w, 10, 0, 100, 100, 10, 0);
  EXPECT_EQ(Inked(w, SetRect(0, 0, 102, 102)), (std::vector<Point>{{51, 51}}));
  // Beyond the window: nothing.
  Graphics::Move(w, 10, 0, 100, 100, 20, 0);
  EXPECT_EQ(Inked(w, SetRect(0, 0, 102, 102)), (std::vector<Point>{{51, 51}}));
  Graphics::Move(w, 10, 0, 100, 100, 0, 0);  // ten pixels to the left
  EXPECT_EQ(Inked(w, SetRect(0, 0, 102, 102)), (std::vector<Point>{{41, 51}}));
}

TEST_F(GraphicsDraw, ClearingErasesAndEmptiesTheSlots) {
  GraphicsWindow w = UnitWindow();
  const float trace[] = {10, 20, 30, 40};
  GraphPoly::PolylineReal(w, 3, 0, 100, trace, true, false, false);
  ASSERT_FALSE(Inked(w, SetRect(0, 0, 102, 102)).empty());
  Graphics::SetRGBBackColor(w, Graphics::Cyan);
  Graphics::ClearWindow(w);
  EXPECT_EQ(w->slots[3].pointCount, 0);
  EXPECT_NE(w->slots[3].buffer, nullptr);
  EXPECT_EQ(At(w, 0, 0), Color::ToPixel(Graphics::Cyan));
  EXPECT_EQ(At(w, 101, 101), Color::ToPixel(Graphics::Cyan));
  EXPECT_EQ(At(w, 102, 102), Surface::kRgbMask);
}

TEST_F(GraphicsDraw, ColoursAndFonts) {
  struct Case {
    Color::RGB rgb;
    bool dark;
  };
  for (const Case& c : std::vector<Case>{{{26000, 26000, 25999}, true},
                                         {{26000, 26000, 26000}, false},
                                         {Graphics::Black, true},
                                         {Graphics::Blue, true},
                                         {Graphics::Yellow, false},
                                         {Graphics::HiliteColor, false}}) {
    EXPECT_EQ(Graphics::ColorLessThanThreshold(c.rgb), c.dark) << c.rgb.red << " " << c.rgb.blue;
  }
  EXPECT_EQ(Graphics::GetFont("Helvetica"), Graphics::Helvetica);
  EXPECT_EQ(Graphics::GetFont(""), 0);
  EXPECT_EQ(Graphics::Courier, 22);
  char name[32];
  Graphics::GetFontName(Graphics::Paladino, name);
  EXPECT_STREQ(name, "Paladino");
  EXPECT_NE(Graphics::LinePattern[0], Graphics::LinePattern[2]);
}

TEST_F(GraphicsDraw, TheDeviceReachesChildrenOneLevelDeep) {
  GraphicsWindow child = Graphics::CreateWindowInt(root, 0, 0, 100, 100);
  GraphicsWindow grandchild = Graphics::CreateWindowInt(child, 0, 0, 50, 50);
  Graphics::SetOutputDevice(root, Graphics::kPrinter, "");
  EXPECT_EQ(Graphics::GetOutputDevice(root), Graphics::kPrinter);
  EXPECT_EQ(Graphics::GetOutputDevice(child), Graphics::kPrinter);
  EXPECT_EQ(Graphics::GetOutputDevice(grandchild), Graphics::kScreen);
  Graphics::SetOutputDevice(root, 7, "");
  EXPECT_EQ(Graphics::GetOutputDevice(child), Graphics::kScreen);
  EXPECT_EQ(Graphics::GetOutputDevice(nullptr), Graphics::kScreen);
}

TEST_F(GraphicsDraw, APictureFileNeedsANameAndAnOnScreenWindow) {
  GraphicsWindow w = UnitWindow();
  Graphics::SetOutputDevice(w, Graphics::kPictureFile, "");
  EXPECT_EQ(Graphics::GetOutputDevice(w), Graphics::kScreen);
  EXPECT_FALSE(Graphics::DeviceOpen);
  GraphicsWindow offscreen = FastGraph::CreateOffscreenWindow(w);
  ASSERT_NE(offscreen, nullptr);
  const std::string path = TempPath("offscreen.pict");
  std::remove(path.c_str());
  Graphics::SetOutputDevice(offscreen, Graphics::kPictureFile, path);
  Graphics::SetOutputDevice(offscreen, Graphics::kClipboardPicture, "");
  EXPECT_EQ(Graphics::GetOutputDevice(offscreen), Graphics::kScreen);
  EXPECT_FALSE(Graphics::DeviceOpen);
  EXPECT_TRUE(ReadFile(path).empty());
  Graphics::SetOutputDevice(w, Graphics::kPictureFile, TempPath("no/such/directory.pict"));
  EXPECT_EQ(Graphics::GetOutputDevice(w), Graphics::kScreen);
}

TEST_F(GraphicsDraw, APictureFileReadsBackThroughOurParser) {
  GraphicsWindow w = Graphics::CreateWindowInt(root, 20, 10, 222, 112);
  Graphics::SetScaling(w, 0, 0, 100, 50);
  GraphicsWindow child = Graphics::CreateWindowInt(w, 30, 20, 60, 50);
  const std::string path = TempPath("plot.pict");
  WriteFile(path, "an older picture");
  Graphics::SetOutputDevice(w, Graphics::kPictureFile, path);
  ASSERT_TRUE(Graphics::DeviceOpen);
  EXPECT_EQ(Graphics::GetOutputDevice(w), Graphics::kPictureFile);
  EXPECT_EQ(Graphics::GetOutputDevice(child), Graphics::kPictureFile);
  Graphics::SetRGBForeColor(w, Graphics::Blue);
  Graphics::Line(w, 0, 0, 100, 50);
  Graphics::Text(w, 10, 25, "10 \xB5V");
  const float trace[] = {5, 40, 10, 30, 20};
  GraphPoly::PolylineReal(w, 0, 0, 100, trace, true, false, false);
  // Recording draws nothing on the screen.
  EXPECT_TRUE(Inked(root, SetRect(0, 0, 400, 300)).empty());
  EXPECT_EQ(ReadFile(path).size(), 16u);
  Graphics::SetOutputDevice(w, Graphics::kScreen, "");
  EXPECT_FALSE(Graphics::DeviceOpen);
  EXPECT_EQ(Graphics::GetOutputDevice(child), Graphics::kScreen);

  const std::vector<std::uint8_t> file = ReadFile(path);
  ASSERT_GT(file.size(), 512u);
  EXPECT_TRUE(std::all_of(file.begin(), file.begin() + 512, [](std::uint8_t b) { return b == 0; }));
  PictReader::Parsed picture;
  ASSERT_TRUE(PictReader::ParseFile(file, picture)) << PictReader::ErrorText();
  EXPECT_EQ(picture.frame, SetRect(20, 10, 222, 112));
  EXPECT_EQ(picture.version, -2);
  EXPECT_EQ(picture.hRes, 72);
  EXPECT_EQ(picture.vRes, 72);
  const std::vector<int> ops = Opcodes(picture);
  const auto begin = std::find_if(picture.ops.begin(), picture.ops.end(), [](const PictReader::Op& op) {
    return op.opcode == Picture::kOpShortComment && op.value == Picture::kPolyBegin;
  });
  const auto end = std::find_if(picture.ops.begin(), picture.ops.end(), [](const PictReader::Op& op) {
    return op.opcode == Picture::kOpShortComment && op.value == Picture::kPolyEnd;
  });
  ASSERT_NE(begin, picture.ops.end());
  ASSERT_NE(end, picture.ops.end());
  EXPECT_EQ(std::count_if(begin, end, [](const PictReader::Op& op) { return op.opcode == Picture::kOpLine; }), 4);
  const auto firstLine = std::find(ops.begin(), ops.end(), Picture::kOpLine);
  ASSERT_NE(firstLine, ops.end());
  const PictReader::Op& line = picture.ops[static_cast<std::size_t>(firstLine - ops.begin())];
  EXPECT_EQ(line.a, (Point{21, 111}));
  EXPECT_EQ(line.b, (Point{221, 11}));
  const auto text = std::find(ops.begin(), ops.end(), Picture::kOpLongText);
  ASSERT_NE(text, ops.end());
  EXPECT_EQ(picture.ops[static_cast<std::size_t>(text - ops.begin())].text, "10 \xB5V");
  EXPECT_NE(std::find_if(
                picture.ops.begin(), picture.ops.end(),
                [](const PictReader::Op& op) { return op.opcode == Picture::kOpRGBFgCol && op.rgb == Graphics::Blue; }),
            picture.ops.end());

  // The same picture as a PNG, drawn again on white.
  const std::string png = TempPath("plot.png");
  const std::span<const std::uint8_t> data(file.data() + Picture::kFileHeaderSize,
                                           file.size() - Picture::kFileHeaderSize);
  ASSERT_TRUE(PictPlay::ExportPNG(data, png));
  Surface::Pixels exported;
  ASSERT_TRUE(Png::Load(png, exported));
  EXPECT_EQ(exported.Width(), 202);
  EXPECT_EQ(exported.At(1, 101), Color::ToPixel(Graphics::Blue));
}

TEST_F(GraphicsDraw, OnlyOnePictureIsRecordedAtATime) {
  GraphicsWindow a = UnitWindow();
  GraphicsWindow other = MakeWindow(600, 100, 700, 200, "Other");
  const std::string first = TempPath("first.pict");
  const std::string second = TempPath("second.pict");
  std::remove(second.c_str());
  Graphics::SetOutputDevice(a, Graphics::kPictureFile, first);
  Graphics::SetOutputDevice(other, Graphics::kPictureFile, second);
  EXPECT_EQ(Graphics::GetOutputDevice(other), Graphics::kScreen);
  EXPECT_TRUE(ReadFile(second).empty());
  // Closing the screen device of another window leaves the recording alone.
  Graphics::SetOutputDevice(other, Graphics::kScreen, "");
  EXPECT_TRUE(Graphics::DeviceOpen);
  Graphics::Line(a, 0, 0, 100, 100);
  Graphics::SetOutputDevice(a, Graphics::kScreen, "");
  PictReader::Parsed picture;
  ASSERT_TRUE(PictReader::ParseFile(ReadFile(first), picture));
  const std::vector<int> ops = Opcodes(picture);
  EXPECT_EQ(std::count(ops.begin(), ops.end(), Picture::kOpLine), 1);
}

TEST_F(GraphicsDraw, RemovingTheRecordingWindowStillWritesItsPicture) {
  ModWindow::WindowParameters p{100, 100, 200, 200, 22, 12};
  GraphicsWindow window = ModWindow::Create(0, p, 8, "Recorded", true, true, true);
  GraphicsWindow child = Graphics::CreateWindowInt(window, 0, 0, 50, 50);
  const std::string path = TempPath("removed.pict");
  std::remove(path.c_str());
  Graphics::SetOutputDevice(child, Graphics::kPictureFile, path);
  Graphics::Line(child, 0, 0, 1, 1);
  ModWindow::Remove(window);
  EXPECT_FALSE(Graphics::DeviceOpen);
  PictReader::Parsed picture;
  ASSERT_TRUE(PictReader::ParseFile(ReadFile(path), picture));
  EXPECT_EQ(picture.frame, SetRect(0, 0, 50, 50));
}

TEST_F(GraphicsDraw, AClipboardPictureGoesOnTheClipboardAndStaysInThePictureHandle) {
  GraphicsWindow w = UnitWindow();
  Graphics::SetOutputDevice(w, Graphics::kClipboardPicture, "");
  EXPECT_EQ(Graphics::GetOutputDevice(w), Graphics::kClipboardPicture);
  Graphics::Rectangle(w, 10, 10, 90, 90);
  Graphics::SetOutputDevice(w, Graphics::kScreen, "");
  std::int32_t size = 0;
  ASSERT_EQ(Scrap::GetScrapFlavorSize(Scrap::kPict, size), Scrap::kNoErr);
  std::vector<std::uint8_t> clipboard(static_cast<std::size_t>(size));
  ASSERT_EQ(Scrap::GetScrapFlavorData(
                Scrap::kPict, std::span<char>(reinterpret_cast<char*>(clipboard.data()), clipboard.size()), size),
            Scrap::kNoErr);
  EXPECT_EQ(clipboard, Graphics::PictureHandle);
  EXPECT_EQ(Scrap::GetScrapFlavorSize(Scrap::kText, size), Scrap::kNoTypeErr);
  PictReader::Parsed picture;
  ASSERT_TRUE(PictReader::Parse(clipboard, picture)) << PictReader::ErrorText();
  const std::vector<int> ops = Opcodes(picture);
  EXPECT_NE(std::find(ops.begin(), ops.end(), Picture::kOpRect + Picture::kFrame), ops.end());
  // A new recording drops the old picture.
  Graphics::SetOutputDevice(w, Graphics::kClipboardPicture, "");
  EXPECT_TRUE(Graphics::PictureHandle.empty());
  Graphics::SetOutputDevice(w, Graphics::kScreen, "");
}

// The picture file is written when the device closes; a failure there is
// shown to the operator and costs no older file.
TEST_F(GraphicsDraw, APictureFileThatCannotBeWrittenIsReported) {
  GraphicsWindow w = UnitWindow();
  const std::string path = TempPath("full.pict");
  WriteFile(path, "keep me");
  Graphics::SetOutputDevice(w, Graphics::kPictureFile, path);
  Graphics::Line(w, 0, 0, 100, 100);

  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ::testing::internal::CaptureStderr();
  Graphics::SetOutputDevice(w, Graphics::kScreen, "");
  const std::string shown = ::testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);

  EXPECT_NE(shown.find("Picture file not written: "), std::string::npos) << shown;
  EXPECT_FALSE(Graphics::DeviceOpen);
  const std::vector<std::uint8_t> file = ReadFile(path);
  EXPECT_EQ(std::string(file.begin(), file.end()), "keep me");
  // The next picture is written again.
  Graphics::SetOutputDevice(w, Graphics::kPictureFile, path);
  Graphics::SetOutputDevice(w, Graphics::kScreen, "");
  PictReader::Parsed picture;
  EXPECT_TRUE(PictReader::ParseFile(ReadFile(path), picture));
}

}  // namespace
