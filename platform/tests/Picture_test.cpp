// Pictures: what the recorder writes, that our reader reads it back, that
// drawing it again gives the pixels direct drawing gives, and the reader's
// refusal of anything else.
#include "platform/Lines.h"
#include "platform/PictPlay.h"
#include "platform/PictReader.h"
#include "platform/Picture.h"
#include "platform/Png.h"
#include "platform/Port.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Geometry::Point;
using Geometry::Rect;
using Geometry::SetRect;

// A plot as the graphics windows draw one: frame, axes in a line pattern,
// a polyline between the polygon comments, markers, labels in two fonts.
void DrawScene() {
  Port::PenNormal();
  Shapes::FrameRect(SetRect(5, 5, 195, 115));
  Pattern::Pat dashes;
  Pattern::ListEntry(2, dashes);
  Port::PenPat(dashes);
  Port::MoveTo(10, 60);
  Lines::LineTo(190, 60);
  Port::PenNormal();
  Port::RGBForeColor(Color::kRed);
  Picture::Comment(Picture::kPolyBegin);
  Port::MoveTo(10, 100);
  for (int i = 1; i <= 18; ++i) Lines::LineTo(10 + i * 10, 100 - (i * i) / 4);
  Picture::Comment(Picture::kPolyEnd);
  Port::RGBForeColor(Color::kBlue);
  Port::PenSize(2, 2);
  Shapes::FrameOval(SetRect(150, 12, 170, 32));
  Shapes::FillRoundRect(SetRect(20, 12, 60, 32), 10, 10, Pattern::kGray);
  const std::array<Point, 4> tri{Point{80, 30}, Point{100, 12}, Point{120, 30}, Point{80, 30}};
  Shapes::PaintPoly(tri);
  Shapes::InvertRect(SetRect(130, 40, 180, 55));
  Port::RGBForeColor(Color::kBlack);
  Port::RGBBackColor(Color::kYellow);
  Port::TextFont(Fonts::kHelvetica);
  Port::TextSize(12);
  Port::TextMode(Port::kSrcCopy);
  Port::MoveTo(12, 80);
  Text::DrawString("I = 5 \xB5" "A \xB1 1%");
  Port::TextFont(Fonts::kPaladino);
  Port::TextFace(Port::kItalic);
  Port::MoveTo(100, 80);
  Text::DrawString("R = 10 M\xBD");
  Port::BackPat(Pattern::kLtGray);
  Shapes::EraseRect(SetRect(160, 90, 190, 110));
}

const Rect kFrame = SetRect(0, 0, 200, 120);

Picture::Data Record() {
  EXPECT_TRUE(Picture::Open(kFrame));
  DrawScene();
  return Picture::Close();
}

TEST(Picture, RecordsTheHeaderTheFormatAsks) {
  Canvas c(200, 120);
  const Picture::Data pict = Record();
  ASSERT_GT(pict.size(), 40u);
  EXPECT_EQ(pict[0] * 256 + pict[1], static_cast<int>(pict.size() & 0xFFFF));
  // frame, version opcode, extended header with version -2 and 72 dpi.
  const std::vector<std::uint8_t> head(pict.begin() + 2, pict.begin() + 36);
  const std::vector<std::uint8_t> expected{0, 0, 0, 0, 0, 120, 0, 200,  // frame
                                           0x00, 0x11, 0x02, 0xFF,        // version 2
                                           0x0C, 0x00, 0xFF, 0xFE, 0, 0,  // header, -2
                                           0, 72, 0, 0, 0, 72, 0, 0,      // 72.0 dpi twice
                                           0, 0, 0, 0, 0, 120, 0, 200};   // source rectangle
  EXPECT_EQ(head, expected);
  EXPECT_EQ(pict[pict.size() - 2], 0x00);
  EXPECT_EQ(pict[pict.size() - 1], 0xFF);
  // Recording drew nothing.
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 200; ++x) ASSERT_EQ(c.Pixels().At(x, y), 0xFFFFFFu);
  }
}

TEST(Picture, ReadsBackWhatWasRecorded) {
  Canvas c(200, 120);
  const Picture::Data pict = Record();
  PictReader::Parsed parsed;
  ASSERT_TRUE(PictReader::Parse(pict, parsed)) << PictReader::ErrorText();
  EXPECT_EQ(parsed.frame, kFrame);
  EXPECT_EQ(parsed.version, -2);
  EXPECT_EQ(parsed.hRes, 72);
  EXPECT_EQ(parsed.vRes, 72);
  ASSERT_FALSE(parsed.ops.empty());
  EXPECT_EQ(parsed.ops.front().opcode, Picture::kOpClip);
  // The polyline's lines lie between the two comments, and nothing else.
  std::vector<int> between;
  int comments = 0;
  for (const PictReader::Op& op : parsed.ops) {
    if (op.opcode == Picture::kOpShortComment) {
      EXPECT_EQ(op.value, comments == 0 ? Picture::kPolyBegin : Picture::kPolyEnd);
      ++comments;
    } else if (comments == 1) {
      between.push_back(op.opcode);
    }
  }
  EXPECT_EQ(comments, 2);
  EXPECT_EQ(between, std::vector<int>(18, Picture::kOpLine));
  std::vector<std::string> texts;
  for (const PictReader::Op& op : parsed.ops) {
    if (op.opcode == Picture::kOpLongText) texts.push_back(op.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"I = 5 \xB5" "A \xB1 1%", "R = 10 M\xBD"}));
}

TEST(Picture, DrawingItAgainGivesTheDirectPixels) {
  Canvas direct(200, 120);
  DrawScene();
  Canvas recording(200, 120);
  const Picture::Data pict = Record();
  Surface::Pixels replayed;
  ASSERT_TRUE(PictPlay::Render(pict, replayed));
  EXPECT_TRUE(replayed == direct.Pixels());
  // Also placed elsewhere in a port, with the port's state untouched (by a
  // multiple of 8 pixels, as patterns stay anchored to the port).
  Canvas target(260, 160);
  Port::PenSize(5, 5);
  Port::MoveTo(3, 4);
  PictReader::Parsed parsed;
  ASSERT_TRUE(PictReader::Parse(pict, parsed));
  PictPlay::Draw(parsed, Point{40, 32});
  EXPECT_EQ(Port::GetPen(), (Point{3, 4}));
  EXPECT_EQ(target.CanvasPort().pnSize, (Point{5, 5}));
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 200; ++x) ASSERT_EQ(target.Pixels().At(x + 40, y + 32), direct.Pixels().At(x, y));
  }
  EXPECT_TRUE(MatchesGolden(replayed, "picture"));
}

TEST(Picture, ExportsPngAndReadsFilesWithTheirHeader) {
  Canvas c(200, 120);
  const Picture::Data pict = Record();
  const std::string path = ::testing::TempDir() + "picture_export.png";
  ASSERT_TRUE(PictPlay::ExportPNG(pict, path));
  Surface::Pixels loaded;
  ASSERT_TRUE(Png::Load(path, loaded));
  Surface::Pixels rendered;
  ASSERT_TRUE(PictPlay::Render(pict, rendered));
  EXPECT_TRUE(loaded == rendered);
  std::remove(path.c_str());
  std::vector<std::uint8_t> file(Picture::kFileHeaderSize, 0);
  file.insert(file.end(), pict.begin(), pict.end());
  PictReader::Parsed parsed;
  EXPECT_TRUE(PictReader::ParseFile(file, parsed)) << PictReader::ErrorText();
  EXPECT_FALSE(PictReader::ParseFile(std::span<const std::uint8_t>(file.data(), 100), parsed));
}

TEST(Picture, RefusesWhatItCannotRead) {
  Canvas c(200, 120);
  const Picture::Data pict = Record();
  PictReader::Parsed parsed;
  // Every cut-short picture is refused (the end opcode is missing).
  for (std::size_t n = 0; n < pict.size(); ++n) {
    ASSERT_FALSE(PictReader::Parse(std::span<const std::uint8_t>(pict.data(), n), parsed)) << n;
  }
  Picture::Data v1 = pict;
  v1[14] = 0x00;  // version -2 becomes something else
  EXPECT_FALSE(PictReader::Parse(v1, parsed));
  Picture::Data unknown = pict;
  const std::size_t firstOp = 2 + 8 + 4 + 2 + 24;
  unknown[firstOp] = 0x00;
  unknown[firstOp + 1] = 0x98;  // a pixel-map copy, which the recorder never writes
  EXPECT_FALSE(PictReader::Parse(unknown, parsed));
  EXPECT_NE(std::string(PictReader::ErrorText()), "");
}

TEST(Picture, OpensOncePerPortAndDiscardsCleanly) {
  Canvas c(50, 50);
  EXPECT_TRUE(Picture::Open(SetRect(0, 0, 50, 50)));
  EXPECT_FALSE(Picture::Open(SetRect(0, 0, 50, 50)));
  Shapes::PaintRect(SetRect(0, 0, 50, 50));
  Picture::Discard(c.CanvasPort());
  EXPECT_TRUE(Picture::Close().empty());
  Shapes::PaintRect(SetRect(0, 0, 50, 50));
  EXPECT_EQ(c.Pixels().At(25, 25), 0u);
  Port::SetPort(nullptr);
  EXPECT_FALSE(Picture::Open(SetRect(0, 0, 50, 50)));
}

}  // namespace
