// Template dialogs and alerts run by scripts: the keys that end them, the
// filter, clicks on items in every state, text editing with the scrap, the
// quit request; and every template drawn against a golden image.
#include "foundation/platform/Host.h"
#include "platform/AppleEvents.h"
#include "platform/Beep.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Resources.h"
#include "platform/TextEdit.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using Dialogs::Dialog;
using Geometry::Point;

class DialogsTest : public UiTest {
 protected:
  void TearDown() override {
    Dialogs::DisposeDialog(dialog_);
    UiTest::TearDown();
  }

  Dialog* Open(int id) {
    dialog_ = Dialogs::GetNewDialog(id);
    EXPECT_NE(dialog_, nullptr);
    Windows::ShowWindow(Dialogs::GetDialogWindow(dialog_));
    Windows::SelectWindow(Dialogs::GetDialogWindow(dialog_));
    return dialog_;
  }

  // Queues the script and runs the modal loop until its steps are used;
  // the item the last round reported.
  int Run(const char* script, Dialogs::ModalFilter filter = nullptr) {
    EXPECT_TRUE(Headless::RunScript(std::string_view(script))) << Headless::ErrorLine();
    return RunModalUntilScriptUsed(filter);
  }

  std::string Text(int item) { return DialogItemText(dialog_, item); }

  Dialog* dialog_ = nullptr;
};

struct KeyCase {
  const char* what;
  const char* script;
  int defaultItem;
  int cancelItem;
  int expected;  // 0: nothing hit until the script ran out
};

const KeyCase kKeyCases[] = {
    {"Return with a default", "key return\n", 1, 2, 1},
    {"Enter with a default", "key enter\n", 1, 2, 1},
    {"Return without a default goes to the text", "key return\n", 0, 2, 4},
    {"Enter without a default", "key enter\n", 0, 2, 4},
    {"Escape with a cancel item", "key escape\n", 1, 2, 2},
    {"Escape without one", "key escape\n", 1, 0, 0},
    {"Command-period with a cancel item", "key . cmd\n", 1, 2, 2},
    {"Command-period without one", "key . cmd\n", 1, 0, 0},
    {"other command keys do nothing", "key q cmd\n", 1, 2, 0},
    {"a letter goes to the edit item", "key a\n", 1, 2, 4},
};

TEST_F(DialogsTest, KeysHitTheDefaultAndCancelItems) {
  for (const KeyCase& c : kKeyCases) {
    SCOPED_TRACE(c.what);
    Open(150);
    Dialogs::SetDefaultItem(dialog_, c.defaultItem);
    Dialogs::SetCancelItem(dialog_, c.cancelItem);
    EXPECT_EQ(Run(c.script), c.expected);
    Dialogs::DisposeDialog(dialog_);
    dialog_ = nullptr;
  }
}

TEST_F(DialogsTest, ReturnIsALineBreakInTheTextWithoutADefault) {
  Open(2000);
  Run("type ab\nkey return\ntype c\n");
  EXPECT_EQ(Text(6), "ab\rc");
}

TEST_F(DialogsTest, ADefaultItemThatIsHiddenOrInactiveIsNotHit) {
  Open(150);
  Dialogs::SetDefaultItem(dialog_, 1);
  Dialogs::HideItem(dialog_, 1);
  EXPECT_EQ(Run("key return\n"), 4);
  Dialogs::ShowItem(dialog_, 1);
  Controls::HiliteControl(Dialogs::GetItemControl(dialog_, 1), Controls::kInactive);
  Dialogs::SetItemText(dialog_, 4, "");
  EXPECT_EQ(Run("key enter\n"), 4);
  EXPECT_EQ(Text(4), "");
}

TEST_F(DialogsTest, TabMovesTheFocusRoundTheEditItemsSelectingTheirText) {
  Open(153);
  Dialogs::SetItemText(dialog_, 7, "second");
  EXPECT_EQ(Dialogs::GetKeyboardFocus(dialog_), 4);
  Run("key tab\n");
  EXPECT_EQ(Dialogs::GetKeyboardFocus(dialog_), 7);
  EXPECT_EQ(TextEdit::SelStart(Dialogs::GetItemField(dialog_, 7)), 0);
  EXPECT_EQ(TextEdit::SelEnd(Dialogs::GetItemField(dialog_, 7)), 6);
  Run("key tab\n");
  EXPECT_EQ(Dialogs::GetKeyboardFocus(dialog_), 4);
  // A hidden edit item is passed over.
  Dialogs::HideItem(dialog_, 7);
  Run("key tab\n");
  EXPECT_EQ(Dialogs::GetKeyboardFocus(dialog_), 4);
}

// Takes the letter x as item 2; lets everything else through.
bool TakeX(Dialog*, EventQueue::EventRecord& e, int& item) {
  if (e.what != EventQueue::kKeyDown || (e.message & 0xFF) != 'x') return false;
  item = 2;
  return true;
}

TEST_F(DialogsTest, TheFilterSeesEveryEventFirstAndMayTakeIt) {
  Open(150);
  Dialogs::SetItemText(dialog_, 4, "");
  EXPECT_EQ(Run("key x\n", TakeX), 2);
  EXPECT_EQ(Text(4), "");
  EXPECT_EQ(Run("key y\n", TakeX), 4);
  EXPECT_EQ(Text(4), "y");
}

TEST_F(DialogsTest, ClicksHitOnlyEnabledShownItems) {
  Open(132);
  Dialogs::SetDefaultItem(dialog_, 1);
  Beep::ResetCount();
  // The message is a disabled static; item 2 is hidden; then a click
  // outside the dialog, and at last a click on item 1.
  Dialogs::HideItem(dialog_, 2);
  const Geometry::Rect content = Windows::ContentRect(Dialogs::GetDialogWindow(dialog_));
  const Geometry::Rect yes = Dialogs::GetItemRect(dialog_, 2);
  Headless::ClickItem(3);
  Headless::Click(Point{content.left + yes.left + 5, content.top + yes.top + 5});
  Headless::ClickItem(2);
  Headless::Click(Point{5, 470});
  Headless::ClickItem(1);
  int item = -1;
  Dialogs::ModalDialog(nullptr, item);
  EXPECT_EQ(item, 1);
  EXPECT_EQ(Headless::PendingSteps(), 0u);
  EXPECT_EQ(Beep::Count(), 1);
  // The platform's beep reaches the layer's.
  Platform::Sys_Beep(1);
  EXPECT_EQ(Beep::Count(), 2);
}

TEST_F(DialogsTest, CheckBoxesAndRadioButtonsReportTheirItemsAndKeepTheirValues) {
  Open(2003);
  Controls::Control* box = Dialogs::GetItemControl(dialog_, 4);
  EXPECT_EQ(Run("item 4\n"), 4);
  EXPECT_EQ(Controls::GetControlValue(box), 0);
  Controls::SetControlValue(box, 1);
  EXPECT_EQ(Controls::GetControlValue(box), 1);
  Controls::SetControlValue(box, 7);
  EXPECT_EQ(Controls::GetControlValue(box), 1);
  Dialogs::DisposeDialog(dialog_);
  Open(155);
  EXPECT_EQ(Run("item 5\n"), 5);
  Controls::SetControlValue(Dialogs::GetItemControl(dialog_, 5), 1);
  EXPECT_EQ(Controls::GetControlValue(Dialogs::GetItemControl(dialog_, 4)), 0);
}

TEST_F(DialogsTest, TypingSelectingCuttingAndPasting) {
  Open(150);
  Dialogs::SetItemText(dialog_, 4, "");
  Run("type hello world\n");
  TextEdit::Field* f = Dialogs::GetItemField(dialog_, 4);
  EXPECT_EQ(Text(4), "hello world");
  // Shift-left five times selects "world"; cut takes it to the scrap.
  const std::uint32_t changes = TextEdit::ScrapChangeCount();
  Run("key left shift\nkey left shift\nkey left shift\nkey left shift\nkey left shift\n");
  EXPECT_EQ(TextEdit::SelStart(f), 6);
  EXPECT_EQ(TextEdit::SelEnd(f), 11);
  Dialogs::Cut(dialog_);
  EXPECT_EQ(Text(4), "hello ");
  EXPECT_EQ(TextEdit::ScrapText(), "world");
  EXPECT_EQ(TextEdit::ScrapLength(), 5);
  EXPECT_EQ(TextEdit::ScrapChangeCount(), changes + 1);
  // Home, paste: the scrap goes in at the caret.
  TextEdit::SetSelect(f, 0, 0);
  Dialogs::Paste(dialog_);
  EXPECT_EQ(Text(4), "worldhello ");
  // Backspace and forward delete.
  Run("key delete\nkey forwarddelete\n");
  EXPECT_EQ(Text(4), "worlello ");
  // Copy leaves the text, and a paste over a selection replaces it.
  TextEdit::SetSelect(f, 0, 4);
  Dialogs::Copy(dialog_);
  TextEdit::SetSelect(f, 5, 9);
  Dialogs::Paste(dialog_);
  EXPECT_EQ(Text(4), "worleworl");
  EXPECT_EQ(TextEdit::ScrapChangeCount(), changes + 2);
}

TEST_F(DialogsTest, TheMouseSetsTheCaretSelectsWordsAndDrags) {
  Open(150);
  Dialogs::SetItemText(dialog_, 4, "alpha beta gamma");
  TextEdit::Field* f = Dialogs::GetItemField(dialog_, 4);
  const Geometry::Rect content = Windows::ContentRect(Dialogs::GetDialogWindow(dialog_));
  const Geometry::Rect field = Dialogs::GetItemRect(dialog_, 4);
  const int v = content.top + field.top + 5;
  const int left = content.left + field.left;
  // A click before the first letter, then a double click in the middle word.
  Headless::Click(Point{left, v});
  Headless::Wait(1.0);
  Headless::Click(Point{left + 60, v});
  Headless::Click(Point{left + 60, v});
  Run("");
  EXPECT_EQ(std::string(TextEdit::GetText(f).substr(static_cast<std::size_t>(TextEdit::SelStart(f)),
                                                     static_cast<std::size_t>(TextEdit::SelEnd(f) - TextEdit::SelStart(f)))),
            "beta");
  // A drag from the start to the far right selects everything; a
  // shift-click then shortens the selection from its anchor.
  Headless::Wait(1.0);
  Headless::MoveTo(Point{left, v});
  Headless::Down();
  Headless::MoveTo(Point{left + 300, v});
  Headless::Up();
  Run("");
  EXPECT_EQ(TextEdit::SelStart(f), 0);
  EXPECT_EQ(TextEdit::SelEnd(f), 16);
  Headless::Wait(1.0);
  const std::string shiftClick =
      "hold shift\nclick " + std::to_string(left + 30) + " " + std::to_string(v) + "\nrelease shift\n";
  Run(shiftClick.c_str());
  EXPECT_EQ(TextEdit::SelStart(f), 0);
  EXPECT_GT(TextEdit::SelEnd(f), 0);
  EXPECT_LT(TextEdit::SelEnd(f), 6);
}

TEST_F(DialogsTest, EditTextsAreSetAndReadWholeStaticTextsAndTitlesUpTo255) {
  Open(2000);
  const std::string longText(1000, 'x');
  Dialogs::SetItemText(dialog_, 6, longText);
  EXPECT_EQ(Text(6), longText);
  Dialogs::SetItemText(dialog_, 6, std::string(1100, 'y'));
  EXPECT_EQ(Text(6).size(), static_cast<std::size_t>(TextEdit::kMaxLength));
  Dialogs::SetItemText(dialog_, 5, std::string(300, 'p'));
  EXPECT_EQ(Text(5).size(), 255u);
  Dialogs::SetItemText(dialog_, 3, std::string(300, 't'));
  EXPECT_EQ(Text(3).size(), 255u);
  // A short caller's buffer gets what fits.
  char small[8];
  Dialogs::GetItemText(dialog_, 6, small);
  EXPECT_EQ(std::string(small), "yyyyyyy");
  EXPECT_EQ(Dialogs::GetItemKind(dialog_, 99), Dialogs::kNoItem);
}

int quits = 0;

TEST_F(DialogsTest, AQuitRequestEndsTheDialogAndTheAlertAfterItsHandler) {
  quits = 0;
  AppleEvents::SetQuitHandler([] { ++quits; });
  Open(150);
  ASSERT_TRUE(Headless::RunScript("quit\nkey return\n"));
  int item = -1;
  Dialogs::ModalDialog(nullptr, item);
  EXPECT_EQ(item, 0);
  EXPECT_EQ(quits, 1);
  Headless::ClearSteps();
  ASSERT_TRUE(Headless::RunScript("quit\n"));
  EXPECT_EQ(Dialogs::Alert(131, nullptr), 0);
  EXPECT_EQ(quits, 2);
  AppleEvents::SetQuitHandler(nullptr);
}

TEST_F(DialogsTest, AnAlertEndsWithTheItemHitAndDefaultsToItemOne) {
  ASSERT_TRUE(Headless::RunScript("key return\n"));
  EXPECT_EQ(Dialogs::Alert(133, nullptr), 1);
  ASSERT_TRUE(Headless::RunScript("item 2\n"));
  EXPECT_EQ(Dialogs::Alert(134, nullptr), 2);
  // A click on the message does not end it.
  ASSERT_TRUE(Headless::RunScript("item 4\nitem 3\n"));
  EXPECT_EQ(Dialogs::Alert(134, nullptr), 3);
  EXPECT_EQ(Dialogs::Alert(999, nullptr), -1);
  EXPECT_EQ(Windows::FirstWindow(), nullptr);
}

// ---- Golden images: each template with sample texts, a field selected.

constexpr int kTemplates[] = {131, 132, 133, 134, 135, 136, 160, 137, 150, 153, 2000, 154, 155,
                              2003, 2004, 2005, 2006, 2010, 2011, 2012, 2013, 30001};

TEST_F(DialogsTest, EveryTemplateMatchesItsGolden) {
  Dialogs::ParamText("The first parameter text, long enough to wrap onto a second line of the message.",
                     "Second: \xB5V", "Third: 10 \xBD", "Fourth");
  for (const int id : kTemplates) {
    SCOPED_TRACE(id);
    Dialog* d = Open(id);
    const int count = Dialogs::CountItems(d);
    for (int n = 1; n <= count; ++n) {
      const int kind = Dialogs::GetItemKind(d, n) & ~Resources::kDisabled;
      if (kind == Resources::kEditTextItem) {
        Dialogs::SetItemText(d, n, "Field " + std::to_string(n));
      } else if (kind == Resources::kButtonItem || kind == Resources::kCheckBoxItem) {
        char title[64];
        Dialogs::GetItemText(d, n, title);
        if (title[0] == '\0') Dialogs::SetItemText(d, n, "Choice " + std::to_string(n));
      } else if (kind == Resources::kStaticTextItem) {
        char text[256];
        Dialogs::GetItemText(d, n, text);
        if (text[0] == '\0') Dialogs::SetItemText(d, n, "Static " + std::to_string(n) + " ^0");
      }
    }
    Dialogs::SetDefaultItem(d, 1);
    for (int n = 1; n <= count; ++n) {
      if ((Dialogs::GetItemKind(d, n) & ~Resources::kDisabled) == Resources::kEditTextItem) {
        Dialogs::SelectItemText(d, n, 0, 5);
        break;
      }
    }
    EXPECT_TRUE(MatchesGolden(Windows::PixelsOf(Dialogs::GetDialogWindow(d)),
                              ("dialog_" + std::to_string(id)).c_str()));
    Dialogs::DisposeDialog(d);
    dialog_ = nullptr;
  }
}

}  // namespace
