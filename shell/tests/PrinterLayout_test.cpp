// The layout of printed text on a page of fixed-width characters: margins,
// lines per page, selections, the 256-character cut, form feeds and
// wrapping at blanks.
#include "shell/PrinterLayout.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"

namespace {

using Geometry::Rect;
using Geometry::SetRect;
using PrinterLayout::End;

constexpr std::int32_t kAll = std::numeric_limits<std::int32_t>::max();
constexpr int kCharWidth = 10;
constexpr int kLineHeight = 10;

struct Printed {
  int h;
  int v;
  std::string text;
  friend bool operator==(const Printed&, const Printed&) = default;
};

std::ostream& operator<<(std::ostream& out, const Printed& p) {
  return out << "(" << p.h << ", " << p.v << ", \"" << p.text << "\")";
}

// Every character is kCharWidth wide.
class RecordingSink final : public PrinterLayout::PageSink {
 public:
  int TextWidth(std::span<const char> chars) override { return static_cast<int>(chars.size()) * kCharWidth; }
  void DrawLine(int h, int v, std::span<const char> chars) override {
    lines.push_back(Printed{h, v, std::string(chars.data(), chars.size())});
  }
  std::vector<Printed> lines;
};

class PrinterLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Buffer::Shutdown();
    Buffer::InitModule();
    buffer_ = Buffer::Create("Text", Buffer::kText);
  }
  void TearDown() override {
    Buffer::Shutdown();
    Buffer::InitModule();
  }

  void Lines(std::initializer_list<std::string> lines) {
    for (const std::string& line : lines) BufferText::Append(buffer_, std::span<const char>(line.c_str(), line.size() + 1));
  }

  // Lays out pages from line 1 (or the given start) until the layout says
  // no more; the lines each page drew.
  std::vector<std::vector<Printed>> Pages(const Rect& area, bool wrap, End end = End{kAll, kAll},
                                          std::int32_t line = 1, std::int32_t column = 1) {
    std::vector<std::vector<Printed>> pages;
    for (int guard = 0; guard < 20 && line <= end.lastLine; ++guard) {
      RecordingSink sink;
      if (!PrinterLayout::LayOutPage(buffer_, area, kLineHeight, wrap, line, column, end, sink)) break;
      pages.push_back(sink.lines);
    }
    return pages;
  }

  Buffer::NamedBuffer buffer_ = nullptr;
};

TEST(PrinterLayoutMargins, MarginsAreCutToPixelsAndOneLineStaysFree) {
  const Rect area = PrinterLayout::MarginRect(SetRect(0, 0, 600, 800), 0.05, 0.05, 0.125, 0.05);
  EXPECT_EQ(area, SetRect(75, 40, 570, 760));
  EXPECT_EQ(PrinterLayout::LinesPerPage(area, 50), 13);
  // 0.129 of 100 pixels is 12 of them, not 13.
  EXPECT_EQ(PrinterLayout::MarginRect(SetRect(0, 0, 100, 100), 0.129, 0.129, 0.129, 0.129), SetRect(12, 12, 88, 88));
  EXPECT_EQ(PrinterLayout::LinesPerPage(SetRect(0, 0, 100, 19), 10), 0);
  EXPECT_EQ(PrinterLayout::LinesPerPage(SetRect(0, 0, 100, 20), 10), 1);
}

TEST_F(PrinterLayoutTest, LinesGoOneLineBelowTheTopAndPagesBreakWhenFull) {
  Lines({"one", "", "three", "four"});
  // Room for 40 / 10 - 1 = 3 lines.
  const auto pages = Pages(SetRect(20, 100, 300, 140), false);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], (std::vector<Printed>{{20, 110, "one"}, {20, 130, "three"}}));
  EXPECT_EQ(pages[1], (std::vector<Printed>{{20, 110, "four"}}));
}

TEST_F(PrinterLayoutTest, ASelectionPrintsFromItsFirstColumnToBeforeItsLast) {
  Lines({"x", "y", "123456789abc", "z"});
  const auto pages = Pages(SetRect(0, 0, 300, 100), false, End{3, 9}, 3, 5);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], (std::vector<Printed>{{0, 10, "5678"}}));
}

TEST_F(PrinterLayoutTest, LinesEndAfter256Characters) {
  const std::string longLine(300, 'a');
  Lines({longLine, std::string(255, 'b') + "cd"});
  const auto pages = Pages(SetRect(0, 0, 5000, 100), false);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].size(), 2u);
  EXPECT_EQ(pages[0][0].text, std::string(256, 'a'));
  EXPECT_EQ(pages[0][1].text, std::string(255, 'b') + "c");
}

TEST_F(PrinterLayoutTest, FormFeedsEndPagesUnprinted) {
  Lines({"a", "\f", "b"});
  auto pages = Pages(SetRect(0, 0, 300, 100), false);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], (std::vector<Printed>{{0, 10, "a"}}));
  EXPECT_EQ(pages[1], (std::vector<Printed>{{0, 10, "b"}}));

  Buffer::Shutdown();
  Buffer::InitModule();
  buffer_ = Buffer::Create("Text", Buffer::kText);
  Lines({"\f\fabc"});
  pages = Pages(SetRect(0, 0, 300, 100), false);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_TRUE(pages[0].empty());
  EXPECT_TRUE(pages[1].empty());
  EXPECT_EQ(pages[2], (std::vector<Printed>{{0, 10, "abc"}}));
}

struct WrapCase {
  const char* what;
  const char* line;
  std::vector<std::string> pieces;
};

TEST_F(PrinterLayoutTest, WrappingBreaksAtTheLastBlankThatFits) {
  // The area is 10 characters wide.
  const WrapCase cases[] = {
      {"a remainder that fits still breaks at its blank", "aaaa bbbb cc dd", {"aaaa bbbb ", "cc ", "dd"}},
      {"no blank: as much as fits", "abcdefghijklmnopqrstu", {"abcdefghij", "klmnopqrst", "u"}},
      {"two characters stay whole", "abcdefghijkl", {"abcdefghij", "kl"}},
      {"a blank before the third character does not count", "a bcdefghijklm", {"a bcdefghi", "jklm"}},
      {"a line that fits is not broken", "aaaa bbbb", {"aaaa bbbb"}},
  };
  for (const WrapCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Lines({c.line});
    const auto pages = Pages(SetRect(0, 0, 10 * kCharWidth, 200), true);
    ASSERT_EQ(pages.size(), 1u);
    std::vector<std::string> pieces;
    for (const Printed& p : pages[0]) pieces.push_back(p.text);
    EXPECT_EQ(pieces, c.pieces);
  }
  // Without wrapping the page cuts the line off.
  SetUp();
  Lines({"abcdefghijklmnopqrstu"});
  EXPECT_EQ(Pages(SetRect(0, 0, 10 * kCharWidth, 200), false)[0].size(), 1u);
}

TEST_F(PrinterLayoutTest, ALastPieceThatFillsThePageLeavesAnEmptyLineOnTheNext) {
  Lines({"aaaa bbbb cccc", "next"});
  // Two lines a page.
  const auto pages = Pages(SetRect(0, 0, 10 * kCharWidth, 30), true);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], (std::vector<Printed>{{0, 10, "aaaa bbbb "}, {0, 20, "cccc"}}));
  EXPECT_EQ(pages[1], (std::vector<Printed>{{0, 20, "next"}}));

  // A piece that fills the page in the middle of a line: the next page
  // goes on with the rest.
  SetUp();
  Lines({"aaaa bbbb cccc dddd eeee"});
  const auto more = Pages(SetRect(0, 0, 10 * kCharWidth, 30), true);
  ASSERT_EQ(more.size(), 2u);
  EXPECT_EQ(more[1], (std::vector<Printed>{{0, 10, "eeee"}}));
}

TEST_F(PrinterLayoutTest, NothingToPrintGivesFalse) {
  RecordingSink sink;
  std::int32_t line = 1;
  std::int32_t column = 1;
  EXPECT_FALSE(PrinterLayout::LayOutPage(buffer_, SetRect(0, 0, 100, 100), kLineHeight, false, line, column,
                                         End{kAll, kAll}, sink));
  Lines({"a", "b"});
  line = 3;
  EXPECT_FALSE(PrinterLayout::LayOutPage(buffer_, SetRect(0, 0, 100, 100), kLineHeight, false, line, column,
                                         End{kAll, kAll}, sink));
  line = 2;
  EXPECT_FALSE(PrinterLayout::LayOutPage(buffer_, SetRect(0, 0, 100, 100), kLineHeight, false, line, column,
                                         End{1, kAll}, sink));
  EXPECT_FALSE(PrinterLayout::LayOutPage(buffer_, SetRect(0, 0, 100, 15), kLineHeight, false, line, column,
                                         End{kAll, kAll}, sink));
  EXPECT_TRUE(sink.lines.empty());
}

}  // namespace
