#include "shell/HelpDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialogs/ModDialog.h"
#include "platform/Desktop.h"
#include "platform/Input.h"
#include "platform/KeyCodes.h"
#include "platform/Port.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "platform/tests/Golden_fixture.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/MacrosTools.h"
#include "shell/ModMenus.h"
#include "shell/tests/MacroDialogs_fixture.h"

namespace {

class HelpDialogTest : public MacroDialogsTest {
 protected:
  void SetUp() override {
    MacroDialogsTest::SetUp();
    HelpDialog::InitModule();
  }
  void TearDown() override {
    HelpDialog::Shutdown();
    MacroDialogsTest::TearDown();
  }
  bool Load(const std::string& content) {
    return HelpDialog::LoadFile(WriteFile("help.txt", content));
  }
  // The width the loader measures for a text: the help font plus margins.
  static int Measured(const char* text) {
    Graphics::Bracket bracket(HelpDialog::HelpDialog.Window);
    Port::TextFont(Graphics::GetFont(HelpDialog::FontName));
    Port::TextSize(10);
    Port::TextFace(0);
    return Text::TextWidth(std::string_view(text)) + 24;
  }
  // The global position of a point of an item.
  Geometry::Point On(int item, int dh = 5, int dv = 5) const {
    const Geometry::Rect content = Windows::ContentRect(dialog_.MacWindow);
    const Geometry::Rect r = items_[item]->Rect;
    return Geometry::Point{content.left + r.left + dh, content.top + r.top + dv};
  }
  static void PointerAt(Geometry::Point p, int code = 0) {
    MacEnv::theEvent.where = p;
    HelpDialog::HandleHelp(code, 0, 0);
  }
};

TEST_F(HelpDialogTest, HeaderRules) {
  const struct {
    bool combined;
    const char* content;
    bool loads;
  } cases[] = {
      {false, "HELP-FILE 900\nE Gain; Gain; The gain.\n", true},
      {false, "; about\n\n; more\nHELP-FILE 900\n; entries\nE Gain; Gain; The gain.\n", true},
      {false, "E Gain; Gain; The gain.\n", true},
      {true, "Amplifier_Gain; Gain; The gain.\n", false},
      {true, "HELP-FILE 920\nFONT: Geneva\nAmplifier_Gain; Gain; The gain.\n", true},
      {false, "HELP-FILE 920\nE Gain; Gain; The gain.\n", false},
      {false, "HELP-FILE 900\n", false},
      {false, "HELP-FILE 900\n@ File Open; Open; Opens.\nE Nothing; No; None.\n", false},
  };
  for (const auto& c : cases) {
    Build(c.combined);
    EXPECT_EQ(Load(c.content), c.loads) << c.content;
    EXPECT_EQ(HelpDialog::FileLoaded(), c.loads) << c.content;
    EXPECT_EQ(items_[kGain]->HelpIndex, c.loads ? 1 : 0) << c.content;
    if (!c.loads && std::strstr(c.content, "920") == nullptr && c.combined) {
      EXPECT_EQ(ConsoleLines().back(), "HelpFile - incorrect version.");
    }
    HelpDialog::Shutdown();
    HelpDialog::InitModule();
    ModDialog::Shutdown(&dialog_);
    int menu = fileMenu_;
    ModMenus::DeleteMenu(menu);
  }
  EXPECT_STREQ(HelpDialog::FontName, "Paladino");
}

TEST_F(HelpDialogTest, EntriesSpanLinesAndTheLastCharacterStays) {
  Build(false);
  ASSERT_TRUE(Load("HELP-FILE 900\n"
                   "E Gain\nGain title\nThe gain of the amplifier.\n"
                   "\n"
                   "E 3; Count; Counts.\r"
                   "X Gain; Unknown; skipped\n"
                   "E Rs; Rs; Series resistance;"));
  EXPECT_STREQ(HelpDialog::ItemDescr[1].title, "Gain title");
  EXPECT_STREQ(HelpDialog::ItemDescr[1].text, "The gain of the amplifier.");
  EXPECT_EQ(items_[kCount]->HelpIndex, 2);
  EXPECT_STREQ(HelpDialog::ItemDescr[3].text, "Series resistance;");
  EXPECT_EQ(HelpDialog::ItemDescr[4].title, nullptr);
}

TEST_F(HelpDialogTest, TheFirst2000TipsLoad) {
  Build(false);
  std::string content = "HELP-FILE 900\n";
  for (int n = 1; n <= 2001; ++n) {
    content += "E " + std::to_string((n - 1) % kItems + 1) + "; T" + std::to_string(n) + "; text\n";
  }
  EXPECT_TRUE(Load(content));
  EXPECT_EQ(ConsoleLines().back(), " ## Error: too many tool tips ## ");
  EXPECT_STREQ(HelpDialog::ItemDescr[2000].title, "T2000");
  EXPECT_EQ(items_[kLetter]->HelpIndex, 2000);
  EXPECT_EQ(items_[kGain]->HelpIndex, 1991);
}

TEST_F(HelpDialogTest, TipsAreSizedAndWrapped) {
  Build(false);
  std::string longText;
  while (longText.size() < 220) longText += "wrapped words of some length ";
  longText.pop_back();
  ASSERT_TRUE(Load("HELP-FILE 900\n"
                   "E Gain; G; Short.\n"
                   "E Rs; R; A medium text that is wider.\n"
                   "E Count; C; " +
                   longText + "\n"));
  const HelpDialog::TipEntry* tips = HelpDialog::ItemDescr;
  EXPECT_EQ(tips[1].width, 144);
  EXPECT_EQ(tips[1].height, 28);
  const int medium = Measured("A medium text that is wider.");
  ASSERT_GT(medium, 144);
  ASSERT_LE(medium, 216);
  EXPECT_EQ(tips[2].width, medium);
  EXPECT_EQ(tips[2].height, 28);
  ASSERT_GT(Measured(longText.c_str()), 1000);
  EXPECT_LE(tips[3].width, 400);
  EXPECT_LE(tips[3].height, 400);
  std::string text = tips[3].text;
  int lines = 1;
  std::size_t start = 0;
  for (std::size_t cr = text.find('\r'); cr != std::string::npos; cr = text.find('\r', start)) {
    EXPECT_LE(Measured(text.substr(start, cr - start).c_str()), tips[3].width);
    start = cr + 1;
    ++lines;
  }
  EXPECT_LE(Measured(text.substr(start).c_str()), tips[3].width);
  EXPECT_GT(lines, 2);
  EXPECT_EQ(tips[3].height, (lines - 1) * 13 + 28);
}

TEST_F(HelpDialogTest, TheTipFollowsThePointer) {
  Build(false);
  ASSERT_TRUE(Load("HELP-FILE 900\nE Gain; Gain; The gain.\nE Boxes; Boxes; Four boxes.\n"));
  ModDialog::Update(&dialog_);
  PointerAt(On(kGain));
  EXPECT_FALSE(HelpDialog::HelpDialog.Shown);  // help mode is off
  HelpDialog::Toggle();
  EXPECT_TRUE(HelpDialog::DoShow());
  const Geometry::Point at = On(kGain);
  PointerAt(at);
  EXPECT_TRUE(HelpDialog::HelpDialog.Shown);
  EXPECT_STREQ(HelpDialog::TitleBuffer, "Gain");
  EXPECT_STREQ(HelpDialog::TextBuffer, "The gain.");
  EXPECT_EQ(HelpDialog::WindowParams.left, at.h + 12);
  EXPECT_EQ(HelpDialog::WindowParams.top, at.v + 4);
  EXPECT_EQ(HelpDialog::WindowParams.right - HelpDialog::WindowParams.left, 144 + 18);
  EXPECT_TRUE(MatchesGolden(Desktop::Compose(), "help_tip"));

  // Control held shows the item's name and the pointer's local position,
  // at once and without a move.
  Input::Key(KeyCodes::kControl, 0, true, false);
  PointerAt(at);
  EXPECT_STREQ(HelpDialog::TitleBuffer, "E  Gain (1)");
  const Geometry::Rect content = Windows::ContentRect(dialog_.MacWindow);
  const std::string position =
      "x = " + std::to_string(at.h - content.left) + ",  y = " + std::to_string(at.v - content.top);
  EXPECT_EQ(HelpDialog::TextBuffer, position);
  PointerAt(On(kCount));  // every item in the position display
  EXPECT_STREQ(HelpDialog::TitleBuffer, "E  Count (3)");
  Input::Key(KeyCodes::kControl, 0, false, false);
  PointerAt(at);
  EXPECT_STREQ(HelpDialog::TitleBuffer, "Gain");

  PointerAt(at, 53);  // an activate event changes nothing
  EXPECT_TRUE(HelpDialog::HelpDialog.Shown);
  PointerAt(at, 2);   // a key hides it until the pointer moves
  EXPECT_FALSE(HelpDialog::HelpDialog.Shown);
  PointerAt(at);
  EXPECT_FALSE(HelpDialog::HelpDialog.Shown);
  PointerAt(On(kCount));  // no tip there
  EXPECT_FALSE(HelpDialog::HelpDialog.Shown);
  PointerAt(On(kBoxes));
  EXPECT_STREQ(HelpDialog::TitleBuffer, "Boxes");

  // Near the right and bottom edges of the 640 by 480 screen it turns.
  ModDialog::SetWindowPos(&dialog_, 440, 420, 0, 0);
  const Geometry::Point edge = On(kBoxes);
  ASSERT_GT(edge.h + 144 + 18 + 12, 640);
  ASSERT_GT(edge.v + 28 + 4, 480);
  PointerAt(edge);
  EXPECT_TRUE(HelpDialog::HelpDialog.Shown);
  EXPECT_EQ(HelpDialog::WindowParams.left, edge.h + 12 - (144 + 18 + 16));
  EXPECT_EQ(HelpDialog::WindowParams.top, edge.v + 4 - (28 + 8));
  HelpDialog::Toggle();
  EXPECT_FALSE(HelpDialog::HelpDialog.Shown);
}

}  // namespace
