// The configuration dialog on a demo dialog of 20 items: the gesture in the
// main loop, Goto Item, the fields applied by Update, Done and Cancel, key
// capture, colours, fonts, the style list and the picture of the dialog.
#include "dialogs/ModDialogConfig.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dialogs/FileSelect.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "platform/Fonts.h"
#include "platform/PictPlay.h"
#include "platform/PictReader.h"
#include "platform/Picture.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

namespace {

using namespace ModDialogUt;
namespace Config = ModDialogConfig;

char gTitle[40] = "Original";
bool stop = false;
double stopAt = 0;

void StopAtTime(ANSITerm::TerminalRecord*, DialogRecord*, int&, char&, int&, bool) {
  if (Platform::ElapsedSeconds() >= stopAt) stop = true;
}

class ModDialogConfigTest : public ModDialogTest {
 protected:
  void SetUp() override {
    ModDialogTest::SetUp();
    ModDialogLoop::InitModule();
    Config::InitModule();
    Strings::Assign(gTitle, "Original");
  }
  void TearDown() override {
    Config::Shutdown();
    FileSelect::ClearChoices();
    ModDialogTest::TearDown();
  }

  // Twenty items: a text bound to gTitle, a number, an edit field, a
  // list, a drag, a check box, a button with a key, a switch and labels.
  Dialog& Demo() {
    std::vector<ItemSpec> specs = {
        {kText, "Title", "", 10, 30, 200, 20},       {kFramedNumber, "Volts", "U = ", 10, 60, 150, 20},
        {kEditText, "Name", "", 10, 90, 120, 20},    {kList, "Range", "", 220, 30, 100, 20},
        {kDrag, "Gain", "", 220, 60, 80, 20},        {kCheckBox, "Auto", "auto", 220, 90, 100, 20},
        {kButton, "Go", "Go", 10, 120, 80, 20},      {kSwitch, "Hold", "Hold", 100, 120, 80, 20}};
    static const char* kLabels[12] = {"L9",  "L10", "L11", "L12", "L13", "L14",
                                      "L15", "L16", "L17", "L18", "L19", "L20"};
    for (int i = 0; i < 12; ++i) {
      specs.push_back({kText, kLabels[i], kLabels[i], 10 + (i % 4) * 90, 170 + (i / 4) * 25, 80, 20});
    }
    Dialog& dialog = Make();
    EXPECT_TRUE(Open(dialog, "Demo", specs, [](DialogRecord* d) {
      FillDragField(d, 2, " V", kFixed, kDouble, 8, 3, 0, 0, 0, 1, false, 0);
      FillDragField(d, 5, "", kFixed, kDouble, 6, 1, 0.5, 0, 100, 1, false, 0);
      SetCommandKey(d, 7, kCharacterKey, 'g', kCommandKey, false, true);
    }, "DemoMacro"));
    FillEdittextField(&dialog.record, 1, gTitle, static_cast<int>(sizeof gTitle) - 1);
    CreateMenuList(&dialog.record, 4, "Range");
    AddListItem(&dialog.record, 4, "low");
    AddListItem(&dialog.record, 4, "high");
    ModDialog::Update(&dialog.record);
    return dialog;
  }

  static DialogItem& Field(int n) { return *Config::ConfigDialog.Items[n]; }
  static void SetField(int n, int value) { *static_cast<std::int32_t*>(Field(n).Value) = value; }
  static void Press(int n) { ModDialog::Execute(&Config::ConfigDialog, n); }
  static void Goto(const char* text) {
    Strings::Assign(Field(Config::kGotoItem).Text, std::string_view(text));
    Press(Config::kGotoItem);
  }
  // The window events of the openings, taken as the main loop would.
  static void TakeWindowEvents() {
    int code = 0;
    char character = 0;
    int modifiers = 0;
    for (int i = 0; i < 20; ++i) ANSITerm::NextEvent(Config::ConfigDialog.Terminal, code, character, modifiers);
  }
  static std::string Title() { return Config::ConfigDialog.Items[0]->Text; }
};

TEST_F(ModDialogConfigTest, ACommandClickWithCapsLockOpensTheConfigurationOfTheItem) {
  Dialog& demo = Demo();
  const Geometry::Rect& r = demo[3].Rect;
  Geometry::Point p;
  ModDialogTools::LocalToGlobal(&demo.record, (r.left + r.right) / 2, (r.top + r.bottom) / 2, p);
  Script("hold capslock\nhold cmd\nclick " + std::to_string(p.h) + " " + std::to_string(p.v) +
         "\nrelease cmd\nrelease capslock\nwait 0.2\n");
  stop = false;
  stopAt = Platform::ElapsedSeconds() + 0.5;
  ModDialogLoop::Execute(demo.record.Terminal, &demo.record, StopAtTime, stop);
  ModDialogTools::UserEventFilter = NoFilterProc;
  ASSERT_TRUE(Config::ConfigDialog.Open);
  EXPECT_EQ(Config::ConfiguredDialogPtr, &demo.record);
  EXPECT_EQ(Config::SelectedItem, 3);
  EXPECT_EQ(Title(), "Configure: \"DemoMacro Name\" (edittext)");
  EXPECT_FALSE(Config::ConfigDialog.Configurable);
  for (int n = 1; n <= Config::kItemCount; ++n) EXPECT_TRUE(Field(n).NoConfig) << n;
  EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(Config::ConfigDialog.MacWindow), "item_configuration"));
}

TEST_F(ModDialogConfigTest, GotoItemTakesNumbersAndNamesAndReportsTheRest) {
  Dialog& demo = Demo();
  Config::ConfigureDialog(&demo.record, 1, nullptr);
  struct Case {
    const char* text;
    int selected;
    std::string title;
    std::string line;  // the console's last line, when one is written
  };
  const std::string volts = "Configure: \"DemoMacro Volts\" (framednumber)";
  const Case cases[] = {
      {" 3 ", 3, "Configure: \"DemoMacro Name\" (edittext)", ""},
      {"0", 0, "Dialog: \"DemoMacro\", Demo", ""},
      {"vOLTS", 2, volts, ""},
      {"99", 2, volts, "## Error converting \"99\" to index of target item. ## "},
      {"nothing", 2, volts, "#  Error: Item with name \"nothing\" not found. ## "},
      {"7", 7, "Configure: \"DemoMacro Go\" (button)", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Goto(c.text);
    EXPECT_EQ(Config::SelectedItem, c.selected);
    EXPECT_EQ(Title(), c.title);
    if (!c.line.empty()) {
      const std::vector<std::string> lines = ConsoleLines();
      ASSERT_FALSE(lines.empty());
      EXPECT_NE(lines.back().find(c.line), std::string::npos) << lines.back();
    } else {
      EXPECT_STREQ(Field(Config::kGotoItem).Text, std::to_string(c.selected).c_str());
    }
  }
  // Only numeric items show the number formats and take length and digits.
  Goto("5");
  EXPECT_TRUE(Field(Config::kFirstFormatItem).Visible);
  EXPECT_TRUE(Field(Config::kDigitsItem).Enabled);
  Goto("9");
  EXPECT_FALSE(Field(Config::kFirstFormatItem).Visible);
  EXPECT_FALSE(Field(Config::kDigitsItem).Enabled);
  EXPECT_FALSE(Field(Config::kSecondKeyItem).Visible);
  Goto("4");
  EXPECT_TRUE(Field(Config::kSecondKeyItem).Visible);
}

TEST_F(ModDialogConfigTest, WidthsFromZeroToMinus4000AreTaken) {
  Dialog& demo = Demo();
  Config::ConfigureDialog(&demo.record, 9, nullptr);
  const int left = demo[9].Rect.left;
  for (int width : {0, -4000, 35}) {
    SCOPED_TRACE(width);
    SetField(Config::kWidthItem, width);
    Press(Config::kUpdateItem);
    EXPECT_EQ(demo[9].Rect.left, left);
    EXPECT_EQ(demo[9].Rect.right, left + width);
  }
}

TEST_F(ModDialogConfigTest, UpdateChangesTheItemDoneAlsoTheVariableCancelNothing) {
  struct Case {
    int button;
    bool itemChanged;
    const char* variable;
    bool shown;  // the configuration dialog after the button
  };
  for (const Case& c : {Case{Config::kUpdateItem, true, "Original", true},
                        Case{Config::kDoneItem, true, "Changed", false},
                        Case{Config::kCancelItem, false, "Original", false}}) {
    SCOPED_TRACE(c.button);
    Strings::Assign(gTitle, "Original");
    Dialog& demo = Demo();
    const DialogItem before = demo[1];
    Config::ConfigureDialog(&demo.record, 1, nullptr);
    Strings::Assign(Field(Config::kTextItem).Text, "Changed");
    SetField(Config::kLeftItem, 40);
    SetField(Config::kBottomItem, 45);
    if (c.button == Config::kCancelItem) Press(Config::kUpdateItem);  // Cancel undoes what Update did
    Press(c.button);
    EXPECT_EQ(demo[1].Rect == Geometry::SetRect(40, 25, 240, 45), c.itemChanged);
    if (!c.itemChanged) {
      EXPECT_EQ(demo[1].Rect, before.Rect);
    }
    EXPECT_STREQ(gTitle, c.variable);
    EXPECT_EQ(Config::ConfigDialog.WindowVisible, c.shown);
    ModDialog::Shutdown(&demo.record);
    Config::Shutdown();
  }
}

TEST_F(ModDialogConfigTest, TheDialogItselfMovesAndSizesItsWindow) {
  Dialog& demo = Demo();
  Config::ConfigureDialog(&demo.record, 0, nullptr);
  EXPECT_EQ(Title(), "Dialog: \"DemoMacro\", Demo");
  SetField(Config::kLeftItem, 60);
  SetField(Config::kBottomItem, 350);
  SetField(Config::kWidthItem, 420);
  SetField(Config::kHeightItem, 250);
  Press(Config::kUpdateItem);
  int top = 0;
  int left = 0;
  int height = 0;
  int width = 0;
  ModDialog::GetWindowPos(&demo.record, top, left, height, width);
  EXPECT_EQ(left, 60);
  EXPECT_EQ(top, 100);
  EXPECT_EQ(width, 420);
  EXPECT_EQ(height, 250);
}

TEST_F(ModDialogConfigTest, KeyCaptureTakesRemovesOrKeepsTheKey) {
  struct Case {
    const char* script;
    bool anyModifier;
    int kind;
    char character;
    int modifiers;
    const char* shown;
  };
  const Case cases[] = {
      {"key forwarddelete\n", false, 0, 0, 0, ""},
      {"click 5 5\n", false, kCharacterKey, 'g', kCommandKey, "com-g"},
      {"key enter\n", false, kCharacterKey, 'g', kCommandKey, "com-g"},
      {"key tab\nkey x option\n", false, kCharacterKey, 'x', kOptionKey, "op-x"},
      {"key q option shift\n", true, kCharacterKey, 'Q', 0, "Q"},
      {"key f3\n", false, ANSIBase::KeyF1 + 2, 0, 0, "F3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Dialog& demo = Demo();
    Config::ConfigureDialog(&demo.record, 7, nullptr);
    *static_cast<std::uint8_t*>(Field(44).Value) = c.anyModifier ? 1 : 0;
    TakeWindowEvents();
    Script(c.script);
    Press(Config::kKeyItem);
    EXPECT_STREQ(Field(Config::kKeyItem).Text, c.shown);
    Press(Config::kDoneItem);
    EXPECT_EQ(demo[7].CommandKind, c.kind);
    if (c.kind == kCharacterKey) {
      EXPECT_EQ(demo[7].CommandChar, c.character);
    }
    EXPECT_EQ(demo[7].CommandModifiers, c.modifiers);
    ModDialog::Shutdown(&demo.record);
    Config::Shutdown();
    Headless::ClearSteps();
  }
  const std::vector<std::string> lines = ConsoleLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "New key: F3"), lines.end());
}

void ReadKeyField(void* user) { *static_cast<std::string*>(user) = Config::ConfigDialog.Items[Config::kKeyItem]->Text; }

TEST_F(ModDialogConfigTest, KeyCaptureShowsTheModifiersHeldAfterTheOldKey) {
  Dialog& demo = Demo();
  Config::ConfigureDialog(&demo.record, 7, nullptr);
  TakeWindowEvents();
  std::string held;
  Script("hold option\nhold shift\nwait 0.1\n");
  Headless::Call(ReadKeyField, &held);
  Script("release shift\nrelease option\nclick 5 5\n");
  Press(Config::kKeyItem);
  EXPECT_EQ(held, "com-g>sh-op");
  EXPECT_STREQ(Field(Config::kKeyItem).Text, "com-g");
}

TEST_F(ModDialogConfigTest, ColoursComeFromThePickerAndACancelKeepsThem) {
  Dialog& demo = Demo();
  Config::ConfigureDialog(&demo.record, 8, nullptr);
  EXPECT_TRUE(Field(Config::kHighColItem).Visible);
  const std::uint8_t state = *static_cast<std::uint8_t*>(demo[8].Value);
  const Color::RGB back = demo[8].BackColor;
  Script("type 65535\nkey tab\ntype 0\nkey tab\ntype 4096\nkey return\n");
  Press(Config::kHighColItem);
  EXPECT_EQ(demo[8].Area.HighlightColor, (Color::RGB{65535, 0, 4096}));
  EXPECT_EQ(*static_cast<std::uint8_t*>(demo[8].Value), state);
  Script("type 0\nkey escape\n");
  Press(Config::kBackColItem);
  EXPECT_EQ(demo[8].BackColor, back);
  Script("type 0\nkey tab\ntype 32768\nkey tab\ntype 0\nkey return\n");
  Press(Config::kBackColItem);
  EXPECT_EQ(demo[8].BackColor, (Color::RGB{0, 32768, 0}));
  Goto("9");
  EXPECT_FALSE(Field(Config::kHighColItem).Visible);
}

TEST_F(ModDialogConfigTest, AnUnknownFontBecomesTheListsFirst) {
  Dialog& demo = Demo();
  demo[1].FontNumber = 999;
  Config::ConfigureDialog(&demo.record, 1, nullptr);
  Script("key return\n");
  Press(Config::kFontItem);
  EXPECT_STREQ(Field(Config::kFontItem).Text, "Font:  Courier");
  Press(Config::kDoneItem);
  EXPECT_EQ(demo[1].FontNumber, Fonts::kCourier);
}

TEST_F(ModDialogConfigTest, TheStyleListNamesItsStyles) {
  Dialog& demo = Demo();
  demo[1].TextStyle = 0;
  Config::ConfigureDialog(&demo.record, 1, nullptr);
  struct Case {
    std::uint16_t set;
    const char* shown;
  };
  for (const Case& c : {Case{0, "normal"}, Case{0x05, "bold, underline"},
                        Case{0x7F, "bold, italic, underline, outline, shadow, condense, extend"}}) {
    Field(Config::kStyleItem).Area.List.OwnMarks = c.set;
    ModDialog::UpdateItem(&Config::ConfigDialog, Config::kStyleItem);
    EXPECT_STREQ(Field(Config::kStyleItem).Text, c.shown);
  }
  Press(Config::kDoneItem);
  EXPECT_EQ(demo[1].TextStyle, 0x7F);
}

TEST_F(ModDialogConfigTest, PictWritesAPictureThatDrawsLikeTheDialog) {
  char pattern[] = "/tmp/config_pict_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  Dialog& demo = Demo();
  Config::ConfigureDialog(&demo.record, 1, nullptr);
  FileSelect::PushChoice(dir + "/demo.txt");
  Press(Config::kPictItem);
  EXPECT_STREQ(Config::PictFile, (dir + "/demo.Pict").c_str());
  std::ifstream in(dir + "/demo.Pict", std::ios::binary);
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
  PictReader::Parsed parsed;
  ASSERT_TRUE(PictReader::ParseFile(file, parsed)) << PictReader::ErrorText();
  Surface::Pixels drawn;
  ASSERT_TRUE(PictPlay::Render(std::span(file).subspan(Picture::kFileHeaderSize), drawn));
  const Surface::Pixels& window = Windows::PixelsOf(demo.record.MacWindow);
  ASSERT_EQ(drawn.Width(), window.Width());
  ASSERT_EQ(drawn.Height(), window.Height());
  int differing = 0;
  for (int v = 0; v < window.Height(); ++v) {
    for (int h = 0; h < window.Width(); ++h) differing += drawn.At(h, v) == window.At(h, v) ? 0 : 1;
  }
  EXPECT_LT(differing, window.Width() * window.Height() / 50);
  std::filesystem::remove_all(dir);
}

}  // namespace
