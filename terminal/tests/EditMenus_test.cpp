// The Edit menu on an edited buffer: its commands, the find and replace
// dialogs answered by scripted clicks and keys, replace all in both
// directions, the keys recorded while a macro is learnt and their replay,
// a missing dialog template, and printing through the notebook.
#include "terminal/EditMenus.h"

#include "foundation/Strings.h"
#include "platform/Beep.h"
#include "platform/Dialogs.h"
#include "platform/Png.h"
#include "platform/Resources.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/ModMenus.h"
#include "shell/Printer.h"
#include "shell/ScrapUtil.h"
#include "shell/Shell.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditState.h"
#include "terminal/LineEditor.h"
#include "terminal/TermWindow.h"
#include "terminal/tests/Editor_fixture.h"
#include "terminal/tests/Notebook_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace ANSIBase;
using Entry = std::pair<int, char>;

std::span<const char> Z(const std::string& text) { return {text.c_str(), text.size() + 1}; }

void Script(const std::string& script) {
  ASSERT_TRUE(Headless::RunScript(Z(script))) << Headless::ErrorLine();
}

void StartLearning() {
  EditState::TraceState = EditState::kTraceLearning;
  EditState::TraceEntry = 0;
}

std::vector<Entry> Recorded() {
  std::vector<Entry> entries;
  for (int i = 0; i < EditState::TraceEntry; ++i) {
    entries.emplace_back(EditState::TraceData[static_cast<std::size_t>(i)].keyCode,
                         EditState::TraceData[static_cast<std::size_t>(i)].character);
  }
  return entries;
}

class EditMenusTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    EditMenus::SetUndoText("Undo");
    EditMenus::CreateAndAppend();
    EditState::SearchString[0] = 0;
    EditState::Forward = true;
    EditState::DoSearchLine = false;
    Beep::ResetCount();
  }
  // The paste buffer and the clipboard hold the text.
  static void Clipboard(const char* text) {
    MakeNamed("Edit.Paste", text);
    ScrapUtil::PutPasteBuffer();
  }
  void TearDown() override {
    EditMenus::Menu = 0;
    LineEditor::InitModule();
    LineEditor::Editting = false;
    EditorTest::TearDown();
  }
};

TEST_F(EditMenusTest, TheMenuHasItsItemsAndCommandKeys) {
  EXPECT_EQ(ModMenus::EditMenu, EditMenus::Menu);
  EXPECT_EQ(ModMenus::CountItems(EditMenus::Menu), 13);
  const struct {
    int item;
    const char* text;
    char key;
  } items[] = {{1, "Undo", 'Z'},        {3, "Cut", 'X'},        {4, "Copy", 'C'},
               {5, "Paste", 'V'},       {6, "Clear", 0},        {7, "Select All", 0},
               {9, "Find...", 0},       {10, "Find Same", 0},   {11, "Find Selection...", 0},
               {12, "Replace...", 0},   {13, "Replace Same", 0}};
  for (const auto& c : items) {
    SCOPED_TRACE(c.text);
    char text[ModMenus::kTextSize] = "";
    ModMenus::GetItemText(EditMenus::Menu, c.item, text);
    EXPECT_STREQ(text, c.text);
    char key = 0;
    ModMenus::GetCommandKey(EditMenus::Menu, c.item, key);
    EXPECT_EQ(key, c.key);
    EXPECT_TRUE(ModMenus::GetItemEnabled(EditMenus::Menu, c.item));
  }
  EXPECT_FALSE(ModMenus::GetItemChecked(EditMenus::Menu, EditMenus::kUndo));
  EditMenus::SetUndoText("Undo Typing");
  char text[ModMenus::kTextSize] = "";
  ModMenus::GetItemText(EditMenus::Menu, EditMenus::kUndo, text);
  EXPECT_STREQ(text, "Undo Typing");
}

TEST_F(EditMenusTest, EachCommandEditsTheBufferAndIsRecordedAsItsKeys) {
  const struct {
    const char* name;
    std::function<void()> command;
    std::string text;
    const char* paste;  // nil: not looked at
    std::vector<Entry> recorded;
  } cases[] = {
      {"cut", EditMenus::DoCut, " world\nline two", "hello", {{21, 0}, {2, '@'}}},
      {"copy", EditMenus::DoCopy, "hello world\nline two", "hello", {{21, 0}, {2, '#'}}},
      {"paste", EditMenus::DoPaste, "XY world\nline two", "XY", {{21, 0}, {2, '$'}}},
      {"clear", EditMenus::DoClear, " world\nline two", "XY", {{46, 0}}},
      {"undo of a cut",
       [] {
         EditMenus::DoCut();
         EditMenus::DoUndo();
       },
       "hello world\nline two",
       nullptr,
       {{21, 0}, {2, '@'}, {21, 0}, {2, '!'}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Clipboard("XY");
    SetText("hello world\nline two", 1, 6);
    Mark(1, 1);
    StartLearning();
    c.command();
    EXPECT_EQ(Text(), c.text);
    if (c.paste != nullptr) EXPECT_EQ(Named("Edit.Paste"), c.paste);
    EXPECT_EQ(Recorded(), c.recorded);
    EditState::TraceState = EditState::kTraceOff;
  }
}

TEST_F(EditMenusTest, SelectAllEndsAfterTheLastCharacterAndReplaysSo) {
  SetText("line one\n0123456789", 1, 3);
  StartLearning();
  EditMenus::DoSelectAll();
  EXPECT_EQ(CursorAt(), std::make_pair(2, 11));
  EXPECT_EQ(Selected(), "line one\n0123456789");
  ASSERT_EQ(Recorded().size(), 3u);
  EXPECT_EQ(Recorded()[0], Entry(40, 0));
  EXPECT_EQ(Recorded()[1], Entry(20, 0));
  EXPECT_EQ(Recorded()[2], Entry(41, 0));
  Keys("key keypadclear\nkey s\n");
  SetText("line one\n0123456789", 1, 3);
  Keys("key keypadclear\nkey x\n");
  EXPECT_EQ(Selected(), "line one\n0123456789");
}

TEST_F(EditMenusTest, PasteNeedsATerminalWindowInFrontAndTheLineEditorTakesCutCopyPaste) {
  Clipboard("XY");
  SetText("abc", 1, 2);
  Dialogs::Dialog* d = Dialogs::GetNewDialog(EditMenus::kFindDialog);
  ASSERT_NE(d, nullptr);
  Windows::ShowWindow(Dialogs::GetDialogWindow(d));
  Windows::SelectWindow(Dialogs::GetDialogWindow(d));
  EditMenus::DoPaste();
  EXPECT_EQ(Text(), "abc");
  Dialogs::DisposeDialog(d);

  LineEditor::Editting = true;
  StartLearning();
  Mark(1, 1);
  for (const auto command : {EditMenus::DoCut, EditMenus::DoCopy, EditMenus::DoPaste}) command();
  EXPECT_EQ(Text(), "abc");
  EXPECT_TRUE(Recorded().empty());
}

TEST_F(EditMenusTest, FindRecordsItsTextAndTheMacroFindsTheSame) {
  SetText("xx ab yy ab\nline 3\nab", 1, 1);
  StartLearning();
  Script("type ab\nitem 1\n");
  EditMenus::DoFind();
  EXPECT_STREQ(EditState::SearchString, "ab");
  EXPECT_EQ(CursorAt(), std::make_pair(1, 4));
  EXPECT_EQ(Recorded(), (std::vector<Entry>{{21, 0}, {23, 0}, {2, 'a'}, {2, 'b'}, {2, '\r'}}));
  // Find Same goes on; with shift, Find Selection goes backward.
  EditMenus::DoFindSame();
  EXPECT_EQ(CursorAt(), std::make_pair(1, 10));
  Keys("key keypadclear\nkey s\n");

  SetText("xx ab yy ab\nline 3\nab", 1, 1);
  EditState::SearchString[0] = 0;
  Keys("key keypadclear\nkey x\n");
  EXPECT_STREQ(EditState::SearchString, "ab");
  EXPECT_EQ(CursorAt(), std::make_pair(1, 10));
}

TEST_F(EditMenusTest, FindByLineNumberChecksTheNumberAndRecordsTheMode) {
  SetText("one\ntwo\nthree\nfour", 1, 1);
  StartLearning();
  // A number below 1 beeps and keeps the dialog, its label follows the mode.
  Script("item 5\ntype 0\nitem 1\ntype 3\nitem 1\n");
  EditMenus::DoFind();
  EXPECT_EQ(Beep::Count(), 1);
  EXPECT_TRUE(EditState::DoSearchLine);
  EXPECT_EQ(CursorAt(), std::make_pair(3, 1));
  EXPECT_EQ(Recorded(), (std::vector<Entry>{{2, 29}, {21, 0}, {23, 0}, {2, '3'}, {2, '\r'}}));
  // Cancel changes nothing; backward is read from its radio button.
  Script("item 4\ntype 1\nitem 2\n");
  EditMenus::DoFind();
  EXPECT_TRUE(EditState::Forward);
  EXPECT_STREQ(EditState::SearchString, "3");
}

TEST_F(EditMenusTest, ReplaceSameWithShiftRecordsBackwardFirst) {
  SetText("ab ab ab", 1, 9);
  Strings::Assign(EditState::SearchString, "ab");
  Clipboard("Z");
  StartLearning();
  Keys("hold shift\n");
  EditMenus::DoReplaceSame();
  Keys("release shift\n");
  EXPECT_FALSE(EditState::Forward);
  EXPECT_EQ(Recorded(), (std::vector<Entry>{{12, 0}, {21, 0}, {17, 0}}));
  // Not at an occurrence: a single replace only finds the one before.
  EXPECT_EQ(Text(), "ab ab ab");
  EXPECT_EQ(CursorAt(), std::make_pair(1, 7));
  Keys("hold shift\n");
  EditMenus::DoReplaceSame();
  Keys("release shift\n");
  EXPECT_EQ(Text(), "ab ab Z");
  EXPECT_EQ(CursorAt(), std::make_pair(1, 4));
  // Without a search string only the message.
  EditState::SearchString[0] = 0;
  EditMenus::DoReplaceSame();
  EXPECT_EQ(Message(), "No search string");
}

TEST_F(EditMenusTest, ReplaceAllReplacesEachOccurrenceOnceInBothDirections) {
  const struct {
    const char* name;
    std::string text;
    std::pair<int, int> cursor;
    bool forward;
    const char* search;
    const char* replacement;
    std::string result;
  } cases[] = {
      {"forward, the replacement holds the text", "a a\na", {1, 1}, true, "a", "ab", "ab ab\nab"},
      {"backward, the replacement begins with the text", "a a\na", {2, 2}, false, "a", "ab", "ab ab\nab"},
      {"backward from the middle", "a a\na", {1, 3}, false, "a", "ab", "ab ab\na"},
      {"no occurrence", "xyz\nxyz", {1, 1}, true, "q", "r", "xyz\nxyz"},
      {"shorter", "aaaa", {1, 1}, true, "aa", "a", "aa"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetText(c.text, c.cursor.first, c.cursor.second);
    Strings::Assign(EditState::SearchString, Z(c.search));
    EditState::Forward = c.forward;
    Clipboard(c.replacement);
    EditMenus::ReplaceSame(true);
    EXPECT_EQ(Text(), c.result);
  }
}

TEST_F(EditMenusTest, TheReplaceDialogSetsThePasteBufferAndActsByItsButton) {
  const struct {
    const char* button;
    std::string result;
    std::pair<int, int> cursor;
  } cases[] = {{"1", "2 one one", {1, 3}}, {"10", "2 2 2", {1, 6}}, {"11", "one one one", {1, 5}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    SetText("one one one", 1, 1);
    Clipboard("2\nsecond line");
    // The search field comes selected; Tab goes to the replacement's.
    Script(std::string("type one\nitem ") + c.button + "\n");
    EditMenus::DoReplace();
    EXPECT_EQ(Text(), c.result);
    EXPECT_EQ(CursorAt(), c.cursor);
    EXPECT_EQ(Named("Edit.Paste"), "2");
    EXPECT_FALSE(EditState::DoSearchLine);
  }
}

TEST_F(EditMenusTest, AMissingFindTemplateIsAFatalAlert) {
  std::string text(Resources::ShippedText().data(), Resources::ShippedText().size());
  const std::size_t start = text.find("dialog 155");
  ASSERT_NE(start, std::string::npos);
  const std::size_t end = text.find("\n\n", start);
  text.erase(start, end - start);
  ASSERT_TRUE(Resources::Load(text)) << Resources::ErrorText();
  SetText("abc", 1, 1);
  bool lineFlag = false;
  char search[256] = "b";
  char unused[256] = "";
  testing::internal::CaptureStderr();
  EXPECT_EQ(EditMenus::FindReplaceDialog(search, unused, EditMenus::kFindDialog, false, lineFlag), 0);
  EditMenus::DoFind();
  const std::string alerts = testing::internal::GetCapturedStderr();
  Resources::Load(Resources::ShippedText());
  EXPECT_NE(alerts.find("Fatal Error: out of memory for Find dialog!"), std::string::npos) << alerts;
  EXPECT_EQ(CursorAt(), std::make_pair(1, 1));
}

TEST_F(EditMenusTest, MacroEntriesBeyondTheTraceAreDropped) {
  StartLearning();
  for (int i = 0; i < EditState::kTraceSize + 10; ++i) EditMenus::StoreMacroCommand(KeyNumericDivide, 0);
  EXPECT_EQ(EditState::TraceEntry, EditState::kTraceSize);
  EditState::TraceState = EditState::kTraceOff;
  EditMenus::StoreMacroCommand(KeyNumericDivide, 0);
  EXPECT_EQ(EditState::TraceEntry, EditState::kTraceSize);
}

class NotebookPrintTest : public NotebookTest {
 protected:
  void SetUp() override {
    NotebookTest::SetUp();
    Printer::Initialize();
    Printer::MarginsSet = true;
  }
  void TearDown() override {
    Printer::Shutdown();
    NotebookTest::TearDown();
  }
  // Prints through the notebook's menu into PNG pages named so.
  static void PrintTo(const std::string& name) {
    std::string script = Printer::MainJob == nullptr || !Printer::MainJob->pageSetupAccepted ? "item 1\n" : "";
    script += "item 5\nitem 1\ntype " + name + "\nitem 1\n";
    Script(script);
    ModMenus::ExecuteMenuProc(TermWindow::Menu, TermWindow::iPrint);
  }
};

TEST_F(NotebookPrintTest, TheNotebookAndASelectionOfItArePrinted) {
  std::vector<std::string> lines;
  for (int n = 1; n <= 20; ++n) lines.push_back("Printed line " + std::to_string(n));
  SetLines(lines);
  TermWindow::Update();
  PrintTo("all.png");
  Surface::Pixels all;
  ASSERT_TRUE(Png::Load(Z(Path("all-1.png")), all));
  EditState::SelectLine = 2;
  EditState::SelectColumn = 1;
  EditState::SelectActive = true;
  EditState::CursorLine = 3;
  EditState::CursorColumn = 1;
  PrintTo("part.png");
  Surface::Pixels part;
  ASSERT_TRUE(Png::Load(Z(Path("part-1.png")), part));
  EXPECT_FALSE(part == all);
  EXPECT_EQ(part.Width(), all.Width());
}

}  // namespace
