// The clipboard: round trips of both flavours in the process, the missing
// flavour, injected failures, and the conversion at the edge of a system
// clipboard.
#include "platform/Scrap.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

std::string Read(Scrap::FlavorType type, int& result) {
  std::int32_t size = 0;
  result = Scrap::GetScrapFlavorSize(type, size);
  if (result != Scrap::kNoErr) return {};
  std::string data(static_cast<std::size_t>(size), '\0');
  result = Scrap::GetScrapFlavorData(type, data, size);
  data.resize(static_cast<std::size_t>(size));
  return data;
}

using ScrapTest = UiTest;

TEST_F(ScrapTest, BothFlavoursGoRoundAndAMissingOneIsReported) {
  int result = 0;
  EXPECT_EQ(Scrap::ClearCurrentScrap(), Scrap::kNoErr);
  EXPECT_EQ(Read(Scrap::kText, result), "");
  EXPECT_EQ(result, Scrap::kNoTypeErr);
  const std::string text("line 1\rline 2 \xB5V\0", 16);
  EXPECT_EQ(Scrap::GetCurrentScrap(), Scrap::kNoErr);
  EXPECT_EQ(Scrap::PutScrapFlavor(Scrap::kText, text), Scrap::kNoErr);
  const std::string picture("\x00\x0A\x00\x00\x00\x00", 6);
  EXPECT_EQ(Scrap::PutScrapFlavor(Scrap::kPict, picture), Scrap::kNoErr);
  EXPECT_EQ(Read(Scrap::kText, result), text);
  EXPECT_EQ(Read(Scrap::kPict, result), picture);
  EXPECT_EQ(Read(0x73747963, result), "");  // 'styc'
  EXPECT_EQ(result, Scrap::kNoTypeErr);
  // A short read copies what was asked for.
  char two[2];
  std::int32_t size = 2;
  EXPECT_EQ(Scrap::GetScrapFlavorData(Scrap::kText, two, size), Scrap::kNoErr);
  EXPECT_EQ(size, 2);
  EXPECT_EQ(std::string_view(two, 2), "li");
  EXPECT_EQ(Scrap::ClearCurrentScrap(), Scrap::kNoErr);
  EXPECT_EQ(Read(Scrap::kPict, result), "");
  EXPECT_EQ(result, Scrap::kNoTypeErr);
}

TEST_F(ScrapTest, AnInjectedFailureHitsTheNextCallOnlyAndChangesNothing) {
  ASSERT_EQ(Scrap::PutScrapFlavor(Scrap::kText, std::string_view("kept")), Scrap::kNoErr);
  for (const int code : {-108, -25, -100}) {
    Scrap::FailNextCall(code);
    EXPECT_EQ(Scrap::ClearCurrentScrap(), code);
    int result = 0;
    EXPECT_EQ(Read(Scrap::kText, result), "kept");
    Scrap::FailNextCall(code);
    EXPECT_EQ(Scrap::PutScrapFlavor(Scrap::kText, std::string_view("lost")), code);
    Scrap::FailNextCall(code);
    EXPECT_EQ(Scrap::GetCurrentScrap(), code);
    std::int32_t size = 99;
    Scrap::FailNextCall(code);
    EXPECT_EQ(Scrap::GetScrapFlavorSize(Scrap::kText, size), code);
    EXPECT_EQ(size, 0);
    char data[8];
    size = 8;
    Scrap::FailNextCall(code);
    EXPECT_EQ(Scrap::GetScrapFlavorData(Scrap::kText, data, size), code);
    EXPECT_EQ(Read(Scrap::kText, result), "kept");
  }
}

// A system clipboard of the test's own, in UTF-8.
std::string systemText;
bool systemHasText = false;
bool refuse = false;

bool GetSystem(std::string& utf8) {
  utf8 = systemHasText ? systemText : std::string();
  return systemHasText;
}

bool SetSystem(const std::string& utf8) {
  if (refuse) return false;
  systemText = utf8;
  systemHasText = true;
  return true;
}

bool Open(int, int) { return true; }

constexpr Backend::Ops kWithClipboard{"clipboard", Open,    nullptr, nullptr,   nullptr,
                                      nullptr,     nullptr, nullptr, GetSystem, SetSystem};

class SystemScrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    systemText.clear();
    systemHasText = false;
    refuse = false;
    ASSERT_TRUE(UIPlatform::InitModule(kWithClipboard, 640, 480));
  }
  void TearDown() override { UIPlatform::Shutdown(); }
};

TEST_F(SystemScrapTest, TextLeavesAsUtf8WithLineFeedsAndWithoutNuls) {
  ASSERT_EQ(Scrap::PutScrapFlavor(Scrap::kText, std::string_view("10 \xB5V\r20 \xBD\r")), Scrap::kNoErr);
  EXPECT_EQ(systemText, "10 \xC2\xB5V\n20 \xCE\xA9\n");
  // The one-NUL text of an empty paste buffer goes out empty.
  ASSERT_EQ(Scrap::PutScrapFlavor(Scrap::kText, std::string_view("\0", 1)), Scrap::kNoErr);
  EXPECT_EQ(systemText, "");
  int result = 0;
  EXPECT_EQ(Read(Scrap::kText, result), "");
  EXPECT_EQ(result, Scrap::kNoTypeErr);
}

TEST_F(SystemScrapTest, TextComesInWithCarriageReturnsAndStandInsForWhatTheSetLacks) {
  systemHasText = true;
  systemText = "a\r\nb\nc\rd \xC2\xB5 \xE2\x98\x83";
  int result = 0;
  EXPECT_EQ(Read(Scrap::kText, result), "a\rb\rc\rd \xB5 ?");
  EXPECT_EQ(result, Scrap::kNoErr);
}

TEST_F(SystemScrapTest, PicturesStayInTheProcessAndARefusalIsReported) {
  ASSERT_EQ(Scrap::PutScrapFlavor(Scrap::kPict, std::string_view("PICT")), Scrap::kNoErr);
  EXPECT_FALSE(systemHasText);
  int result = 0;
  EXPECT_EQ(Read(Scrap::kPict, result), "PICT");
  refuse = true;
  EXPECT_EQ(Scrap::PutScrapFlavor(Scrap::kText, std::string_view("x")), Scrap::kSystemScrapErr);
  EXPECT_EQ(Scrap::ClearCurrentScrap(), Scrap::kSystemScrapErr);
  EXPECT_EQ(Read(Scrap::kPict, result), "PICT");
  refuse = false;
  EXPECT_EQ(Scrap::ClearCurrentScrap(), Scrap::kNoErr);
  EXPECT_EQ(Read(Scrap::kPict, result), "");
}

}  // namespace
