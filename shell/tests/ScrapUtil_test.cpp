// The paste buffer against the clipboard: the records each way, long lines,
// and the failures of the clipboard reported on the console.
#include "shell/ScrapUtil.h"

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Scrap.h"
#include "shell/Graphics.h"
#include "shell/tests/Session_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

class ScrapUtilTest : public ConsoleSessionTest {
 protected:
  static void SetPaste(const Lines& lines) {
    BufferText::TextBuffer paste = Buffer::Create("Edit.Paste", Buffer::kText);
    for (const std::string& line : lines) BufferText::Append(paste, std::span<const char>(line.c_str(), line.size() + 1));
  }
  static Lines Paste() {
    Lines lines;
    BufferText::TextBuffer paste = Buffer::Lookup("Edit.Paste");
    for (std::int32_t n = 1; paste != nullptr && n <= BufferText::RecordCount(paste); ++n) {
      std::vector<char> line(static_cast<std::size_t>(BufferText::RecordLength(paste, n)) + 1);
      BufferText::Get(paste, n, line);
      lines.emplace_back(line.data());
    }
    return lines;
  }
  static void SetClipboard(const std::string& text) {
    ASSERT_EQ(Scrap::ClearCurrentScrap(), Scrap::kNoErr);
    ASSERT_EQ(Scrap::PutScrapFlavor(Scrap::kText, text), Scrap::kNoErr);
  }
  static std::string Clipboard() {
    std::int32_t size = 0;
    if (Scrap::GetScrapFlavorSize(Scrap::kText, size) != Scrap::kNoErr) return "(none)";
    std::string text(static_cast<std::size_t>(size), '?');
    Scrap::GetScrapFlavorData(Scrap::kText, text, size);
    return text;
  }
};

TEST_F(ScrapUtilTest, ThePasteBufferGoesOnTheClipboard) {
  struct Case {
    Lines lines;
    std::string text;
  };
  const Case cases[] = {
      {{}, std::string(1, '\0')},
      {{"a", "b"}, "a\rb"},
      {{"a", ""}, "a\r"},
      {{"", "b", ""}, "\rb\r"},
      {{std::string(300, 'x'), "y"}, std::string(300, 'x') + "\ry"},
  };
  for (const Case& c : cases) {
    SetPaste(c.lines);
    ScrapUtil::PutPasteBuffer();
    EXPECT_EQ(Clipboard(), c.text) << c.text;
  }
}

TEST_F(ScrapUtilTest, TheClipboardComesIntoThePasteBuffer) {
  struct Case {
    std::string text;
    Lines lines;
  };
  const Case cases[] = {
      {"a\r\nb", {"a", "b"}},
      {"a\r", {"a", ""}},
      {"a\nb", {"ab"}},
      {std::string(600, 'x'), {std::string(256, 'x'), std::string(256, 'x'), std::string(88, 'x')}},
      {std::string(256, 'x') + "\rz", {std::string(256, 'x'), "z"}},
      {std::string(256, 'x') + "\r\r", {std::string(256, 'x'), "", ""}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SetPaste({"old"});
    SetClipboard(c.text);
    ASSERT_NE(ScrapUtil::GetPasteBuffer(), nullptr);
    EXPECT_EQ(Paste(), c.lines) << c.text;
  }
  // Without text the paste buffer is emptied and nothing is said.
  SetPaste({"old"});
  ASSERT_EQ(Scrap::ClearCurrentScrap(), Scrap::kNoErr);
  const std::string before = LastLine();
  ScrapUtil::GetPasteBuffer();
  EXPECT_EQ(Paste(), Lines{});
  EXPECT_EQ(LastLine(), before);
}

TEST_F(ScrapUtilTest, LinesUpToTheLimitComeBackExactlyLongerOnesInPieces) {
  struct Case {
    Lines out;
    Lines back;
  };
  const std::string x256(256, 'x');
  const Case cases[] = {
      {{"1"}, {"1"}},
      {{x256}, {x256}},
      {{x256, x256, "end"}, {x256, x256, "end"}},
      {{x256, ""}, {x256, ""}},
      {{x256 + "y"}, {x256, "y"}},
      {{std::string(600, 'x'), "b"}, {x256, x256, std::string(88, 'x'), "b"}},
  };
  for (const Case& c : cases) {
    SetPaste(c.out);
    ScrapUtil::PutPasteBuffer();
    ScrapUtil::GetPasteBuffer();
    EXPECT_EQ(Paste(), c.back) << c.out.front().size();
  }
}

TEST_F(ScrapUtilTest, EachClipboardFailureIsReportedWithItsNumber) {
  struct Case {
    void (*operation)();
    int failingCall;  // how many clipboard calls succeed before the failure
    const char* message;
  };
  const Case cases[] = {
      {[] { ScrapUtil::PutPasteBuffer(); }, 2, "ERROR in AddScrapText: PutScrapFlavor failed!"},
      {[] { ScrapUtil::GetPasteBuffer(); }, 0, "ERROR in GetPasteBuffer: GetCurrentScrap failed!"},
      {[] { ScrapUtil::GetPasteBuffer(); }, 1, "ERROR in GetPasteBuffer: GetScrapFlavorSize failed!"},
      {[] { ScrapUtil::GetPasteBuffer(); }, 2, "ERROR in GetPasteBuffer: GetScrapFlavorData failed!"},
      {[] { ScrapUtil::PutPicture(); }, 1, "ERROR in AddPicture: GetCurrentScrap failed!"},
      {[] { ScrapUtil::PutPicture(); }, 2, "ERROR in AddPicture: PutScrapFlavor failed!"},
  };
  Graphics::PictureHandle = {0, 10, 0, 0, 0, 0, 0, 10, 0, 10, 0, 0xFF};
  for (const Case& c : cases) {
    SetPaste({"a"});
    SetClipboard("text");
    Scrap::FailNextCall(-25, c.failingCall);
    c.operation();
    EXPECT_STREQ(ScrapUtil::gErrorText, c.message);
    EXPECT_EQ(LastLine(), std::string(c.message) + "         -25") << c.message;
  }
  Graphics::PictureHandle.clear();
}

TEST_F(ScrapUtilTest, WithoutAPictureTheClipboardIsOnlyEmptied) {
  SetClipboard("text");
  Graphics::PictureHandle.clear();
  ScrapUtil::PutPicture();
  EXPECT_EQ(Clipboard(), "(none)");
}

}  // namespace
