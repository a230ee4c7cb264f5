// The key filters, the item utilities and the paste buffer's exchange with
// the fields' scrap, on the headless layer.
#include "dialogs/DialogUtils.h"
#include "platform/Controls.h"
#include "platform/Scrap.h"
#include "platform/TextEdit.h"
#include "platform/headless/Headless.h"
#include "dialogs/tests/DialogsUi_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using Dialogs::Dialog;

class DialogUtilsTest : public DialogsUiTest {
 protected:
  void TearDown() override {
    Dialogs::DisposeDialog(dialog_);
    DialogsUiTest::TearDown();
  }

  void Open(int id) {
    dialog_ = Dialogs::GetNewDialog(id);
    ASSERT_NE(dialog_, nullptr);
    Windows::ShowWindow(Dialogs::GetDialogWindow(dialog_));
    Windows::SelectWindow(Dialogs::GetDialogWindow(dialog_));
  }

  int Run(const char* script, Dialogs::ModalFilter filter) {
    Script(script);
    return RunModalUntilScriptUsed(filter);
  }

  std::string Text(int item) { return DialogItemText(dialog_, item); }

  Dialog* dialog_ = nullptr;
};

struct FilterCase {
  const char* what;
  int templateID;
  bool noCR;
  const char* script;
  int expected;  // the item the last round reported
  const char* text;  // item 4 of 150, 6 of 2000 afterwards; nil: not looked at
};

const FilterCase kFilterCases[] = {
    {"Return is OK", 150, false, "key return\n", 1, ""},
    {"Enter is OK", 150, false, "key enter\n", 1, ""},
    {"Escape with a field cancels", 150, false, "key escape\n", 2, ""},
    {"Command-period cancels", 150, false, "key . cmd\n", 2, ""},
    {"Command-period without a field cancels", 131, false, "key . cmd\n", 2, nullptr},
    {"Escape without a field goes to the alert", 131, false, "key escape\n", 0, nullptr},
    {"other command keys are swallowed", 150, false, "key q cmd\n", 0, ""},
    {"letters go to the field", 150, false, "key a\n", 4, "a"},
    {"Return without OK is a line break", 2000, true, "type ab\nkey return\ntype c\n", 6, "ab\rc"},
    {"Enter still OK without Return", 2000, true, "type ab\nkey enter\n", 1, "ab"},
    {"cut and paste in the field", 150, false, "type abc\nkey left shift\nkey x cmd\nkey v cmd\nkey v cmd\n", 0,
     "abcc"},
};

TEST_F(DialogUtilsTest, FiltersTakeTheirKeysAndLeaveTheRest) {
  for (const FilterCase& c : kFilterCases) {
    SCOPED_TRACE(c.what);
    Open(c.templateID);
    const int field = c.templateID == 2000 ? 6 : 4;
    if (c.text != nullptr) Dialogs::SetItemText(dialog_, field, "");
    EXPECT_EQ(Run(c.script, c.noCR ? DialogUtils::FilterNoCRUPP : DialogUtils::FilterUPP), c.expected);
    if (c.text != nullptr) EXPECT_EQ(Text(field), c.text);
    Dialogs::DisposeDialog(dialog_);
    dialog_ = nullptr;
  }
}

TEST_F(DialogUtilsTest, ItemTextsStopAt255AndControlsSwitch) {
  Open(137);
  const std::string long300(300, 'x');
  DialogUtils::SetItemText(dialog_, 5, long300);
  char text[400];
  DialogUtils::GetItemText(dialog_, 5, text);
  EXPECT_EQ(std::string(text), long300.substr(0, 255));
  DialogUtils::SetItemText(dialog_, 2, "Abort");
  DialogUtils::GetItemText(dialog_, 2, text);
  EXPECT_EQ(std::string(text), "Abort");
  char small[4];
  DialogUtils::GetItemText(dialog_, 2, small);
  EXPECT_EQ(std::string(small), "Abo");

  DialogUtils::ShowControl(dialog_, 3, false);
  EXPECT_FALSE(Dialogs::IsItemVisible(dialog_, 3));
  DialogUtils::ShowControl(dialog_, 3, true);
  EXPECT_TRUE(Dialogs::IsItemVisible(dialog_, 3));
  DialogUtils::Highlight(dialog_, 2, false);
  EXPECT_EQ(Controls::GetControlHilite(Dialogs::GetItemControl(dialog_, 2)), Controls::kInactive);
  DialogUtils::Highlight(dialog_, 2, true);
  EXPECT_EQ(Controls::GetControlHilite(Dialogs::GetItemControl(dialog_, 2)), Controls::kActive);
  DialogUtils::SetRadioButton(dialog_, 2, true);
  EXPECT_EQ(Controls::GetControlValue(Dialogs::GetItemControl(dialog_, 2)), 1);
  DialogUtils::SetItemProc(dialog_, 4, DialogUtils::OutlineButtonUPP);
  EXPECT_EQ(Dialogs::GetDefaultItem(dialog_), 4);
  EXPECT_EQ(Dialogs::GetCancelItem(dialog_), 2);
  // Nil dialogs and missing items are ignored.
  DialogUtils::SetItemText(nullptr, 1, "x");
  DialogUtils::Highlight(dialog_, 99, true);
}

TEST_F(DialogUtilsTest, ThePasteBufferAndTheFieldsScrap) {
  PutClipboard("first line\rsecond");
  DialogUtils::ToTextEditScrap();
  EXPECT_EQ(TextEdit::ScrapText(), "first line");

  // An empty first line leaves the scrap as it was.
  PutClipboard("\rsecond");
  DialogUtils::ToTextEditScrap();
  EXPECT_EQ(TextEdit::ScrapText(), "first line");

  // 300 characters come back as one line of 256.
  TextEdit::SetScrapText(std::string(300, 'y'));
  DialogUtils::FromTextEditScrap();
  EXPECT_EQ(Clipboard(), std::string(256, 'y'));

  // An empty scrap changes nothing.
  TextEdit::SetScrapText(std::string_view());
  DialogUtils::FromTextEditScrap();
  EXPECT_EQ(Clipboard(), std::string(256, 'y'));
}

TEST_F(DialogUtilsTest, TheExchangeWritesBackOnlyWhatTheDialogChanged) {
  PutClipboard("one\rtwo\rthree");
  {
    const DialogUtils::ScrapExchange exchange;
    EXPECT_EQ(TextEdit::ScrapText(), "one");
  }
  EXPECT_EQ(Clipboard(), "one\rtwo\rthree");
  {
    const DialogUtils::ScrapExchange exchange;
    TextEdit::SetScrapText("copied");
  }
  EXPECT_EQ(Clipboard(), "copied");
}

}  // namespace
