// The repair rule of the printer defaults and the settings dialog, run by
// scripts: values refused and accepted, the item selected with a beep, the
// margins that leave too little page, Cancel, and the font popup.
#include "shell/Printer.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dialogs/Alert.h"
#include "platform/Beep.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/MenuDraw.h"
#include "platform/Menus.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/tests/Printer_fixture.h"

namespace {

using Fields = std::vector<std::pair<int, std::string>>;

// What the dialog showed at a moment of the script.
struct Seen {
  int focus = 0;
  int beeps = 0;
  std::string fontName;
};

class PrinterSettingsTest : public PrinterTest {
 protected:
  // Step: the front dialog's items get these texts.
  static void Fill(const Fields* fields) {
    Headless::Call(
        [](void* user) {
          Dialogs::Dialog* d = Dialogs::FrontDialog();
          for (const auto& [item, text] : *static_cast<const Fields*>(user)) Dialogs::SetItemText(d, item, text);
        },
        const_cast<Fields*>(fields));
  }

  // Step: what the front dialog shows goes into *seen.
  static void Look(Seen* seen) {
    Headless::Call(
        [](void* user) {
          Dialogs::Dialog* d = Dialogs::FrontDialog();
          auto* s = static_cast<Seen*>(user);
          s->focus = Dialogs::GetKeyboardFocus(d);
          s->beeps = Beep::Count();
          char name[80] = "";
          Dialogs::GetItemText(d, 10, name);
          s->fontName = name;
        },
        seen);
  }

  static void Steps(std::string_view script) { ASSERT_TRUE(Headless::RunScript(script)) << Headless::ErrorLine(); }

  // The dialog without rows, columns or height on the test's variables.
  bool Run() {
    testing::internal::CaptureStderr();
    const bool ok = Printer::GetSettings(false, false, "Text Wrapping", "", wrap, unused, rows, columns, font, size,
                                         left, right, top, bottom, height);
    alerts = testing::internal::GetCapturedStderr();
    return ok;
  }

  bool wrap = true;
  bool unused = false;
  std::int32_t rows = 1;
  std::int32_t columns = 1;
  std::int32_t font = Fonts::kCourier;
  std::int32_t size = 12;
  double left = 0.1;
  double right = 0.1;
  double top = 0.1;
  double bottom = 0.1;
  double height = 0;
  std::string alerts;
};

TEST(PrinterDefaults, StartUpValuesAndTheRepairRule) {
  Printer::Initialize();
  const Printer::PrinterDefaults& d = Printer::Defaults;
  EXPECT_EQ((std::vector<double>{d.topMargin, d.bottomMargin, d.leftMargin, d.rightMargin}),
            (std::vector<double>{0.05, 0.05, 0.125, 0.05}));
  EXPECT_EQ(d.fontSize, 12);
  EXPECT_EQ(d.fontNumber, Fonts::kCourier);
  EXPECT_TRUE(d.textWrapping);
  EXPECT_FALSE(Printer::MarginsSet);
  Printer::Defaults.fontSize = 3;
  Printer::CheckSettings();
  EXPECT_EQ(d.fontSize, 4);
  EXPECT_EQ(d.rightMargin, 0.05);
  Printer::Defaults = Printer::PrinterDefaults{0.3, 0.3, 0.3, 0.3, 0, 3, false};
  Printer::CheckSettings();
  EXPECT_EQ((std::vector<double>{d.topMargin, d.bottomMargin, d.leftMargin, d.rightMargin}),
            (std::vector<double>{0.08, 0.08, 0.125, 0.1}));
  EXPECT_EQ(d.fontSize, 12);
  EXPECT_EQ(d.fontNumber, 22);
  EXPECT_TRUE(d.textWrapping);
}

TEST_F(PrinterSettingsTest, MarginsThatLeaveTooLittlePageKeepTheDialogOpen) {
  static const Fields tooWide{{12, "0.5"}, {14, "0.5"}};
  static const Fields tooHigh{{12, "0.49"}, {14, "0.49"}, {16, "0.5"}, {18, "0.5"}};
  static const Fields fits{{16, "0.49"}, {18, "0.49"}};
  Fill(&tooWide);
  Steps("item 1\nitem 1\n");
  Fill(&tooHigh);
  Steps("item 1\nitem 1\n");
  Fill(&fits);
  Steps("item 1\n");
  EXPECT_TRUE(Run());
  EXPECT_NE(alerts.find("Horizontal page dimension is too small !"), std::string::npos) << alerts;
  EXPECT_NE(alerts.find("Vertical page dimension is too small !"), std::string::npos) << alerts;
  EXPECT_EQ((std::vector<double>{left, right, top, bottom}), (std::vector<double>{0.49, 0.49, 0.49, 0.49}));
  EXPECT_EQ(Beep::Count(), 2);
}

struct RefusedCase {
  const char* what;
  int item;
  const char* text;
};

TEST_F(PrinterSettingsTest, AValueThatDoesNotReadIsSelectedWithABeep) {
  const RefusedCase cases[] = {
      {"size 0", 7, "0"},       {"size -3", 7, "-3"},    {"size 12x", 7, "12x"},
      {"a negative margin", 16, "-0.1"}, {"a margin that is no number", 12, "abc"},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Fields fields{{c.item, c.text}};
    Seen seen;
    Beep::ResetCount();
    Fill(&fields);
    Steps("item 1\n");
    Look(&seen);
    Steps("item 2\n");
    EXPECT_FALSE(Run());
    EXPECT_EQ(seen.focus, c.item);
    EXPECT_EQ(seen.beeps, 1);
    EXPECT_EQ(size, 12);
    EXPECT_EQ(top, 0.1);
  }
}

TEST_F(PrinterSettingsTest, EmptyItemsKeepTheirValuesAndZeroMarginsAreTaken) {
  static const Fields fields{{7, ""}, {12, "0"}, {14, ""}, {16, "0"}, {18, " 0.25 "}};
  Fill(&fields);
  Steps("item 4\nitem 1\n");
  EXPECT_TRUE(Run());
  EXPECT_EQ(size, 12);
  EXPECT_EQ((std::vector<double>{left, right, top, bottom}), (std::vector<double>{0, 0.1, 0, 0.25}));
  EXPECT_FALSE(wrap);
}

TEST_F(PrinterSettingsTest, CancelAfterARefusedOKRestoresWhatWasRead) {
  static const Fields fields{{7, "9"}, {12, "0.3"}, {14, "0.3"}, {16, "0.2"}, {18, "-1"}};
  Seen seen;
  Fill(&fields);
  Steps("item 4\nitem 1\n");
  Look(&seen);
  Steps("item 2\n");
  EXPECT_FALSE(Run());
  EXPECT_EQ(seen.focus, 18);
  EXPECT_EQ((std::vector<double>{left, right, top, bottom}), (std::vector<double>{0.1, 0.1, 0.1, 0.1}));
  EXPECT_EQ(size, 12);
  EXPECT_TRUE(wrap);
}

TEST_F(PrinterSettingsTest, SetMarginsStoresASmallSizeThatTheRepairRuleRaises) {
  static const Fields fields{{7, "2"}};
  Fill(&fields);
  Steps("item 1\n");
  EXPECT_TRUE(Printer::SetMargins());
  EXPECT_TRUE(Printer::MarginsSet);
  EXPECT_EQ(Printer::Defaults.fontSize, 4);
  // Through the dialog itself the 2 stays.
  Fill(&fields);
  Steps("item 1\n");
  EXPECT_TRUE(Run());
  EXPECT_EQ(size, 2);
  // Cancelled: not set.
  Printer::MarginsSet = false;
  Steps("item 2\n");
  EXPECT_FALSE(Printer::SetMargins());
  EXPECT_FALSE(Printer::MarginsSet);
}

// The popup lists the layer's fonts with the current one under the
// pointer; releasing on another chooses it.
TEST_F(PrinterSettingsTest, AFontIsChosenFromThePopup) {
  static Seen seen;
  Headless::Call(
      [](void*) {
        Dialogs::Dialog* d = Dialogs::FrontDialog();
        Menus::Menu* replica = Menus::NewMenu(1, "Fonts");
        int current = 0;
        int helvetica = 0;
        for (int k = 0; k < Fonts::CountFonts(); ++k) {
          char name[80] = "";
          Fonts::GetFontName(Fonts::FontNumberAt(k), name);
          Menus::AppendItem(replica, std::string_view(name));
          if (Fonts::FontNumberAt(k) == Fonts::kCourier) current = k + 1;
          if (Fonts::FontNumberAt(k) == Fonts::kHelvetica) helvetica = k + 1;
        }
        const Geometry::Rect content = Windows::ContentRect(Dialogs::GetDialogWindow(d));
        const Geometry::Rect r = Dialogs::GetItemRect(d, 9);
        const Geometry::Point origin = MenuDraw::PopUpOrigin(replica, content.top + r.top - 1, content.left + r.left, current);
        const Geometry::Rect target = MenuDraw::ItemRect(replica, origin, helvetica);
        Menus::DisposeMenu(replica);
        Headless::MoveTo(Geometry::Point{content.left + r.left + 5, content.top + r.top + 5});
        Headless::Down();
        Headless::MoveTo(Geometry::Point{(target.left + target.right) / 2, (target.top + target.bottom) / 2});
        Headless::Up();
        Look(&seen);
        Headless::ClickItem(1);
      },
      nullptr);
  EXPECT_TRUE(Run());
  EXPECT_EQ(font, Fonts::kHelvetica);
  EXPECT_EQ(seen.fontName, "Helvetica");
  EXPECT_EQ(Menus::GetMenuHandle(32767), nullptr);
}

TEST_F(PrinterSettingsTest, TheLayoutsShowTheirItems) {
  static std::vector<bool> shown;
  Headless::Call(
      [](void*) {
        Dialogs::Dialog* d = Dialogs::FrontDialog();
        shown = {Dialogs::IsItemVisible(d, 4), Dialogs::IsItemVisible(d, 5)};
      },
      nullptr);
  Steps("item 1\n");
  testing::internal::CaptureStderr();
  EXPECT_TRUE(Printer::GetSettings(true, true, "Rows first", "Frames", wrap, unused, rows, columns, font, size, left,
                                   right, top, bottom, height));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(shown, (std::vector<bool>{true, true}));
  static const Fields fields{{20, "3"}, {22, "0"}, {24, "1.5"}};
  Seen refused;
  Fill(&fields);
  Steps("item 1\n");
  Look(&refused);
  Steps("item 2\n");
  EXPECT_FALSE(Printer::GetSettings(true, true, "Rows first", "", wrap, unused, rows, columns, font, size, left, right,
                                    top, bottom, height));
  // The height comes before rows and columns.
  EXPECT_EQ(refused.focus, 22);
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(height, 0);
}

}  // namespace
