// The resource file: what the program relies on is in the shipped text, and
// a text with an error is refused whole, naming its line.
#include "platform/MacRoman.h"
#include "platform/Pattern.h"
#include "platform/Resources.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using Resources::DialogTemplate;

constexpr int B = Resources::kButtonItem;
constexpr int C = Resources::kCheckBoxItem;
constexpr int R = Resources::kRadioItem;
constexpr int S = Resources::kStaticTextItem;
constexpr int E = Resources::kEditTextItem;
constexpr int U = Resources::kUserItem;
constexpr int D = Resources::kDisabled;
constexpr int kAny = -1;

struct Expected {
  int id;
  bool alert;
  // Kinds of items 1, 2, ... as the program relies on them (kAny: any kind;
  // S stands for an enabled or disabled static text).
  std::vector<int> kinds;
};

// Statics and user items may be disabled; buttons, boxes and fields not.
bool KindFits(int want, int have) {
  if (want == kAny) return true;
  if (want == S || want == U) return have == want || have == want + D;
  return have == want;
}

const Expected kExpected[] = {
    {131, true, {B, S}},
    {132, true, {B, B, S}},
    {133, true, {B, B, S}},
    {134, true, {B, B, B, S}},
    {135, true, {B, B, B, S}},
    {136, true, {B, B, B, S}},
    {160, true, {B, S, S, S, S}},
    {137, false, {kAny, B, B, B, S}},
    {150, false, {B, B, S, E}},
    {153, false, {B, B, S, E, kAny, S, E}},
    {2000, false, {B, B, B, kAny, S, E}},
    {154, false, {B, B, kAny, R, kAny, kAny, E, kAny, E, B, B}},
    {155, false, {B, B, kAny, R, R, S, E}},
    {2003, false, {B, B, kAny, C, C, kAny, E, kAny, U, S, kAny, E, kAny, E, kAny, E, kAny, E}},
    {2004, false, {B, B, kAny, C, C, kAny, E, kAny, U, S, kAny, E, kAny, E, kAny, E, kAny, E, kAny, E}},
    {2005, false, {B, B, kAny, C, C, kAny, E, kAny, U, S, kAny, E, kAny, E, kAny, E, kAny, E, kAny, E, kAny, E}},
    {2006, false, {B, B, kAny, C, C, kAny, E, kAny, U, S, kAny, E, kAny, E, kAny, E, kAny, E, kAny, E, kAny, E, kAny, E}},
    {2010, false, {B, B, S, kAny, S, E}},
    {2011, false, {B, B, S, kAny, S, E, S, E}},
    {2012, false, {B, B, S, kAny, S, E, S, E, S, E}},
    {2013, false, {B, B, S, kAny, S, E, S, E, S, E, S, E}},
};

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Resources::Load(Resources::ShippedText())) << Resources::ErrorText(); }
  // The other tests of the layer find the shipped set.
  void TearDown() override { Resources::Load(Resources::ShippedText()); }
};

TEST_F(ResourcesTest, TheShippedFileHasEveryTemplateWithItsItems) {
  for (const Expected& want : kExpected) {
    SCOPED_TRACE(want.id);
    const DialogTemplate* d = Resources::GetDialog(want.id);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->alert, want.alert);
    ASSERT_EQ(d->items.size(), want.kinds.size());
    for (std::size_t i = 0; i < want.kinds.size(); ++i) {
      EXPECT_TRUE(KindFits(want.kinds[i], d->items[i].kind)) << "item " << i + 1 << " kind " << d->items[i].kind;
    }
  }
}

TEST_F(ResourcesTest, TheParameterTextsStandWhereTheAlertsShowThem) {
  EXPECT_EQ(Resources::GetDialog(131)->items[1].text, "^0");
  const DialogTemplate* big = Resources::GetDialog(160);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(big->items[static_cast<std::size_t>(k + 1)].text, "^" + std::to_string(k));
  const DialogTemplate* input = Resources::GetDialog(2013);
  EXPECT_EQ(input->items[2].text, "^0");
  EXPECT_EQ(input->items[4].text, "^1");
  EXPECT_EQ(input->items[6].text, "^2");
  EXPECT_EQ(input->items[8].text, "^3");
}

TEST_F(ResourcesTest, TheShippedFileHasTheMenuBarWindowPatternsAndCursors) {
  const std::vector<int>* bar = Resources::GetMenuBar(129);
  ASSERT_NE(bar, nullptr);
  ASSERT_FALSE(bar->empty());
  EXPECT_EQ(bar->front(), 1);
  ASSERT_NE(Resources::GetMenu(1), nullptr);
  EXPECT_FALSE(Resources::GetMenu(1)->items.empty());
  const Resources::WindowTemplate* console = Resources::GetWindow(143);
  ASSERT_NE(console, nullptr);
  EXPECT_EQ(console->procID, 8);
  const std::vector<Pattern::Pat>* patterns = Resources::GetPatternList(145);
  ASSERT_NE(patterns, nullptr);
  EXPECT_EQ(patterns->size(), static_cast<std::size_t>(Pattern::kListSize));

  std::vector<int> cursors;
  for (int id = 3000; id <= 3007; ++id) cursors.push_back(id);
  for (int id = 4000; id <= 4007; ++id) cursors.push_back(id);
  for (int id = 4998; id <= 5005; ++id) cursors.push_back(id);
  cursors.push_back(5010);
  for (int id : cursors) {
    const Cursor::Image* c = Resources::GetCursor(id);
    ASSERT_NE(c, nullptr) << id;
    EXPECT_NE(c->mask, decltype(c->mask){}) << id;
  }
  EXPECT_EQ(Resources::GetCursor(5006), nullptr);
  // The wait and watch frames differ from one to the next.
  for (int first : {3000, 4000}) {
    for (int k = 0; k < 7; ++k) EXPECT_NE(*Resources::GetCursor(first + k), *Resources::GetCursor(first + k + 1));
  }
}

TEST_F(ResourcesTest, ATextWithItemsCursorAndTextsReads) {
  const std::string head =
      "# comment\n"
      "dialog 7 at 10 20 size 100 50 proc 0 title \"Caf\xC3\xA9\"\n"
      "  1 button \"say \\\"hi\\\"\" at 1 2 size 30 40\n"
      "  2 edit \"\xC2\xB5V\" at 0 0 size 5 5 disabled\n"
      "\n"
      "menu 3 \"File\"\n"
      "  1 item \"Quit\" key Q\n"
      "  2 separator\n"
      "";
  std::string cursor = "cursor 9 hotspot 1 2\n";
  for (int row = 0; row < 16; ++row) cursor += row == 0 ? "  #o..............\n" : "  ................\n";
  const std::string all = head + cursor;
  ASSERT_TRUE(Resources::Load(all)) << Resources::ErrorText();
  const DialogTemplate* d = Resources::GetDialog(7);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->bounds, Geometry::SetRect(10, 20, 110, 70));
  EXPECT_EQ(d->title, "Caf\x8E");
  EXPECT_EQ(d->items[0].text, "say \"hi\"");
  EXPECT_EQ(d->items[0].rect, Geometry::SetRect(1, 2, 31, 42));
  EXPECT_EQ(d->items[1].kind, Resources::kEditTextItem + Resources::kDisabled);
  EXPECT_EQ(d->items[1].text, "\xB5V");
  EXPECT_EQ(Resources::GetMenu(3)->items[0].key, 'Q');
  EXPECT_TRUE(Resources::GetMenu(3)->items[1].separator);
  const Cursor::Image* c = Resources::GetCursor(9);
  EXPECT_EQ(c->data[0], 0x8000);
  EXPECT_EQ(c->mask[0], 0xC000);
  EXPECT_EQ(c->hotSpot, (Geometry::Point{1, 2}));
  // Nothing else of the shipped set is left.
  EXPECT_EQ(Resources::GetDialog(131), nullptr);
}

struct BadText {
  const char* what;
  std::string_view text;
  int line;
};

const BadText kBadTexts[] = {
    {"unknown keyword", "dialog 1 at 0 0 size 9 9\n  1 button \"A\" at 0 0 size 1 1\nwidget 3\n", 3},
    {"unknown attribute", "dialog 1 at 0 0 size 9 9 colour 3\n", 1},
    {"unknown item kind", "dialog 1 at 0 0 size 9 9\n  1 knob at 0 0 size 1 1\n", 2},
    {"duplicate number", "alert 5 at 0 0 size 9 9\n  1 button \"A\" at 0 0 size 1 1\ndialog 5 at 0 0 size 9 9\n", 3},
    {"item out of order", "dialog 1 at 0 0 size 9 9\n  1 button \"A\" at 0 0 size 1 1\n  3 button \"B\" at 0 0 size 1 1\n", 3},
    {"item numbers from 1", "menu 2 \"M\"\n  0 item \"x\"\n", 2},
    {"item without block", "  1 button \"A\" at 0 0 size 1 1\n", 1},
    {"missing size", "dialog 1 at 0 0\n", 1},
    {"missing position", "window 1 proc 0\n", 1},
    {"no number", "dialog x at 0 0 size 1 1\n", 1},
    {"negative size", "dialog 1 at 0 0 size -1 1\n", 1},
    {"open quote", "menu 1 \"File\n", 1},
    {"character the set lacks", "menu 1 \"\xE2\x98\x83\"\n", 1},
    {"malformed UTF-8", "menu 1 \"\xC3\"\n", 1},
    {"short cursor", "cursor 1 hotspot 0 0\n  ################\nmenu 1 \"M\"\n", 3},
    {"bad cursor row", "cursor 1 hotspot 0 0\n  #######x########\n", 2},
    {"hot spot outside", "cursor 1 hotspot 16 0\n", 1},
    {"bad pattern byte", "patterns 1\n  1 FF FF FF FF FF FF FF 1FF\n", 2},
    {"short pattern", "patterns 1\n  1 FF FF\n", 2},
    {"menu bar before its menu", "menubar 1\n  1 menu 4\nmenu 4 \"M\"\n", 2},
    {"trailing words", "menubar 1 2\n", 1},
};

TEST_F(ResourcesTest, AnErrorNamesItsLineAndKeepsTheLoadedSet) {
  for (const BadText& bad : kBadTexts) {
    SCOPED_TRACE(bad.what);
    EXPECT_FALSE(Resources::Load(std::span<const char>(bad.text.data(), bad.text.size())));
    EXPECT_EQ(Resources::ErrorLine(), bad.line) << Resources::ErrorText();
    EXPECT_NE(Resources::ErrorText().find("line " + std::to_string(bad.line) + ":"), std::string::npos);
    EXPECT_NE(Resources::GetDialog(131), nullptr);
  }
}

}  // namespace
