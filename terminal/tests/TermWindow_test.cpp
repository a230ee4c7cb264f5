// The notebook window: its menu, saving with the ".txt" rule and "Clear
// when Saved", the line limit, merging and loading files of any kind
// without losing the notebook, its events, and the console lines of a
// simulated interface shown, saved and read back.
#include "terminal/TermWindow.h"

#include "dialogs/FileSelect.h"
#include "foundation/BufferText.h"
#include "foundation/IOBase.h"
#include "foundation/IOBytes.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "platform/Windows.h"
#include "platform/Desktop.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "shell/ModMenus.h"
#include "shell/ModWindow.h"
#include "shell/Shell.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditMenus.h"
#include "terminal/EditState.h"
#include "terminal/tests/Notebook_fixture.h"
#include "terminal/tests/SimulatedQRN55.h"
#include "acquisition/ADMeasure.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace ANSIBase;

std::span<const char> Z(const std::string& text) { return {text.c_str(), text.size() + 1}; }

std::string ItemText(int menu, int item) {
  char text[ModMenus::kTextSize] = "";
  ModMenus::GetItemText(menu, item, text);
  return text;
}

// Answers the next number alert with the text typed over its field.
void AnswerNumber(const std::string& typed) {
  const std::string script = "key delete\ntype " + typed + "\nkey return\n";
  ASSERT_TRUE(Headless::RunScript(Z(script))) << Headless::ErrorLine();
}

void RunItem(int item) { ModMenus::ExecuteMenuProc(TermWindow::Menu, item); }

// One event to the notebook.
void Send(int code, char character = 0) {
  int modifiers = 0;
  TermWindow::ProcessEvent(code, character, modifiers);
}

class TermWindowTest : public NotebookTest {};

TEST_F(TermWindowTest, TheMenuHasItsItemsWithAndWithoutFormatAndOpen) {
  EXPECT_EQ(ItemText(TermWindow::Menu, TermWindow::iLength), "Set Length... (20000)");
  EXPECT_EQ(ItemText(TermWindow::Menu, TermWindow::iFormat), "File Format");
  EXPECT_FALSE(ModMenus::GetItemEnabled(TermWindow::Menu, TermWindow::iFormat));
  EXPECT_EQ(TermWindow::FormatMenu, 0);
  const struct {
    bool withOpen, withFormat;
    int font, format, zoomIn, zoomOut, open, count;
  } cases[] = {{true, true, 11, 12, 14, 15, 16, 16},
               {true, false, 11, 0, 13, 14, 15, 15},
               {false, true, 11, 12, 14, 15, 0, 15},
               {false, false, 11, 0, 13, 14, 0, 14}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.withOpen) + std::to_string(c.withFormat));
    ModMenus::DeleteMenu(TermWindow::Menu);
    TermWindow::InstallMenu(c.withOpen, c.withFormat);
    EXPECT_EQ(TermWindow::iFont, c.font);
    EXPECT_EQ(TermWindow::iFormat, c.format);
    EXPECT_EQ(TermWindow::iZoomIn, c.zoomIn);
    EXPECT_EQ(TermWindow::iZoomOut, c.zoomOut);
    EXPECT_EQ(TermWindow::iOpen, c.open);
    EXPECT_EQ(ModMenus::CountItems(TermWindow::Menu), c.count);
    EXPECT_EQ(ItemText(TermWindow::Menu, TermWindow::iZoomOut), "Zoom Out");
    if (c.withOpen) EXPECT_EQ(ItemText(TermWindow::Menu, TermWindow::iOpen), "Show Notebook");
  }
  // Check marks follow their settings.
  RunItem(TermWindow::iClearEnable);
  EXPECT_TRUE(TermWindow::ClearingEnabled);
  EXPECT_TRUE(ModMenus::GetItemChecked(TermWindow::Menu, TermWindow::iClearEnable));
  RunItem(TermWindow::iLineNumbers);
  EXPECT_TRUE(EditState::ShowLineNumbers);
  EXPECT_TRUE(ModMenus::GetItemChecked(TermWindow::Menu, TermWindow::iLineNumbers));
  RunItem(TermWindow::iLineNumbers);
  EXPECT_FALSE(ModMenus::GetItemChecked(TermWindow::Menu, TermWindow::iLineNumbers));
}

TEST_F(TermWindowTest, ClearingLeavesTheDateAndTimeAndAnEmptyLineUnderTheDefaultTitle) {
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d\d-[A-Z][a-z][a-z]-\d{4} \d\d:\d\d:\d\d)"))) << lines[0];
  EXPECT_EQ(lines[1], "");
  EXPECT_TRUE(std::regex_match(std::string(Shell::ListTitle), std::regex(R"(Notebook_\d\d-[A-Z][a-z][a-z]-\d{4})")))
      << Shell::ListTitle;
}

TEST_F(TermWindowTest, SavingNamesTheFileByTheTxtRuleAndReadsBackLineForLine) {
  const std::vector<std::string> text = {"first", "", "third line"};
  const struct {
    std::string fileName;  // TermWindow::FileName before Save
    std::string written;   // the file that results
  } cases[] = {
      {"", std::string(Shell::ListTitle) + ".txt"},
      {Path("notes"), Path("notes.txt")},
      {Path("notes.log"), Path("notes.log")},
      {Path("dotted.d/plain"), Path("dotted.d/plain.txt")},
  };
  std::filesystem::create_directories(folder / "dotted.d");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileName);
    SetLines(text);
    Strings::Assign(TermWindow::FileName, Z(c.fileName));
    RunItem(TermWindow::iSave);
    EXPECT_EQ(FileLines(c.written), text);
  }
  // Save As proposes and keeps the chosen name.
  FileSelect::PushChoice(Z(Path("chosen")));
  EXPECT_TRUE(TermWindow::SaveNotebookAs());
  EXPECT_EQ(FileLines(Path("chosen.txt")), text);
  EXPECT_EQ(std::string(TermWindow::FileName), Path("chosen"));
  EXPECT_FALSE(TermWindow::SaveNotebookAs());  // cancelled: nothing queued
}

TEST_F(TermWindowTest, ClearWhenSavedClearsOnlyAfterASuccessfulSave) {
  TermWindow::SetClearEnable(true);
  const std::vector<std::string> text = {"kept", "lines"};
  SetLines(text);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(TermWindow::StoreNotebook(Z(Path("missing/folder/nb"))));
  const std::string alert = testing::internal::GetCapturedStderr();
  char error[81] = "";
  IOFiles::Message(IOBase::Result, error);
  EXPECT_NE(alert.find(std::string("Saving Failed:: ") + error), std::string::npos) << alert;
  EXPECT_NE(IOBase::Result, 0);
  EXPECT_EQ(Lines(), text);

  EXPECT_TRUE(TermWindow::StoreNotebook(Z(Path("nb"))));
  EXPECT_EQ(FileLines(Path("nb.txt")), text);
  const std::vector<std::string> after = Lines();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_NE(after[0], "kept");
  EXPECT_EQ(after[1], "");
}

TEST_F(TermWindowTest, SetLengthIsClampedAndAnUnchangedAnswerDoesNothing) {
  const struct {
    const char* typed;
    std::int32_t limit;
  } cases[] = {{"50", 100}, {"200000", 100000}, {"5000", 5000}, {"5000", 5000}, {"-3", 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    AnswerNumber(c.typed);
    RunItem(TermWindow::iLength);
    EXPECT_EQ(TermWindow::GetMaxLength(), c.limit);
    EXPECT_EQ(ItemText(TermWindow::Menu, TermWindow::iLength), "Set Length... (" + std::to_string(c.limit) + ")");
  }
}

TEST_F(TermWindowTest, AtItsLimitTheNotebookKeepsTheLastLines) {
  for (int n = 1; n <= 25000; ++n) TermIO::WriteLine(Z("line " + std::to_string(n)));
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 20000u);
  EXPECT_EQ(lines.front(), "line 5001");
  EXPECT_EQ(lines.back(), "line 25000");
}

TEST_F(TermWindowTest, FontSizesStayWithin6To48) {
  const struct {
    const char* typed;
    int size;
  } cases[] = {{"0", 6}, {"99", 48}, {"-4", 6}, {"14", 14}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    AnswerNumber(c.typed);
    RunItem(TermWindow::iFont);
    ModWindow::WindowParameters p;
    TermWindow::GetWindowParameters(p);
    EXPECT_EQ(p.fontSize, c.size);
    int lines = 0, columns = 0;
    ANSITerm::GetSize(TermWindow::Terminal, lines, columns);
    EXPECT_GT(lines, 0);
    EXPECT_GT(columns, 0);
  }
}

TEST_F(TermWindowTest, MergeAppendsAnyFileOrFailsKeepingTheNotebook) {
  std::string binary = "bin";
  binary += '\0';
  binary += "ary\r\n";
  binary += std::string(1000, 'x') + "\n";
  binary += std::string("\x01\xff tail");
  { std::ofstream(Path("binary.dat"), std::ios::binary) << binary; }
  std::filesystem::create_directories(folder / "sub");
  const std::vector<std::string> before = {"notebook line"};
  const struct {
    std::string name;
    bool merged;
    std::vector<std::string> lines;  // after "Merged file: "
  } cases[] = {
      {Path("binary.dat"),
       true,
       {"binary", std::string(256, 'x'), std::string(256, 'x'), std::string(256, 'x'), std::string(232, 'x'),
        "\x01\xff tail"}},
      {Path("missing.txt"), false, {}},
      {Path("sub"), false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetLines(before);
    FileSelect::PushChoice(Z(c.name));
    testing::internal::CaptureStderr();
    RunItem(TermWindow::iMerge);
    const std::string alert = testing::internal::GetCapturedStderr();
    std::vector<std::string> expected = before;
    if (c.merged) {
      expected.push_back("");
      expected.push_back("Merged file: " + c.name);
      expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    }
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(alert.find("Merge failed") != std::string::npos, !c.merged) << alert;
  }
}

TEST_F(TermWindowTest, AMergedFileKeepsAtMostTheLineLimit) {
  TermWindow::SetMaxLength(100);
  {
    std::ofstream file(Path("long.txt"));
    for (int n = 1; n <= 500; ++n) file << "row " << n << "\n";
  }
  ASSERT_TRUE(TermWindow::Revert(Z(Path("long.txt")), false));
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 100u);
  EXPECT_EQ(lines.front(), "row 401");
  EXPECT_EQ(lines.back(), "row 500");
}

TEST_F(TermWindowTest, AppendedNotebookLoadsBackAndALoadBeyondTheEndIsRefused) {
  const std::vector<std::string> text = {"alpha", "", "gamma " + std::string(300, 'g')};
  const std::string name = Path("block.bin");
  IOBytes::FileHandle file;
  ASSERT_TRUE(IOBytes::Open(Z(name), nullptr, IOBytes::ModeRead | IOBytes::ModeWrite | IOBytes::ModeCreate, file));
  std::int32_t count = 5;
  ASSERT_TRUE(IOBytes::Write(file, count, "HEAD:"));
  SetLines(text);
  std::int32_t size = 0;
  ASSERT_TRUE(TermWindow::AppendNotebook(file, 5, size));
  EXPECT_GT(size, 0);

  SetLines({"other"});
  const std::vector<std::string> other = Lines();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(TermWindow::LoadNotebook(file, 5, size + 1));
  EXPECT_FALSE(TermWindow::LoadNotebook(file, 6, size));
  const std::string alerts = testing::internal::GetCapturedStderr();
  EXPECT_NE(alerts.find("Loading notebook failed:: end of file"), std::string::npos) << alerts;
  EXPECT_EQ(Lines(), other);

  ASSERT_TRUE(TermWindow::LoadNotebook(file, 5, size));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"alpha", "", "gamma " + std::string(250, 'g'), std::string(50, 'g')}));
  EXPECT_TRUE(TermWindow::LoadNotebook(file, 0, 0));
  EXPECT_TRUE(Lines().empty());

  SetLines(text);
  ASSERT_TRUE(IOBytes::SetPosition(file, 0, 0));
  ASSERT_TRUE(TermWindow::StoreRange(file, 1, 2));
  IOBytes::Close(file);
  EXPECT_EQ(FileLines(name).front(), "alpha");
}

TEST_F(TermWindowTest, FunctionKeysAreIgnoredAndTheCloseBoxHides) {
  Send(KeyActivate);
  EXPECT_TRUE(TermWindow::InPollLoop);
  const std::vector<std::string> before = Lines();
  const auto cursor = std::make_pair(EditState::CursorLine, EditState::CursorColumn);
  // F5 would undelete a line, F11 start GOLD, F15 nothing; none reaches the editor.
  for (const int key : {KeyF1 + 3, KeyF1 + 4, KeyF1 + 10, KeyF15}) {
    Send(key);
    Send(KeyCharacter, 'x');
  }
  std::vector<std::string> typed = before;
  typed.back() = "xxxx";
  EXPECT_EQ(Lines(), typed);
  EXPECT_NE(cursor, std::make_pair(EditState::CursorLine, EditState::CursorColumn));
  Send(KeyWindowClose);
  EXPECT_FALSE(TermWindow::Visible);
  EXPECT_FALSE(Windows::IsVisible(ModWindow::GetMacWindow(TermWindow::Window)));
  TermWindow::ToFront();
  EXPECT_TRUE(TermWindow::Visible);
  EXPECT_TRUE(TermWindow::IsInFront());
  Send(KeyWindowClose);
  RunItem(TermWindow::iOpen);
  EXPECT_TRUE(TermWindow::IsInFront());
  EXPECT_TRUE(TermWindow::InPollLoop);
  // The notebook stands in for the console window.
  EXPECT_FALSE(Windows::IsVisible(ModWindow::GetMacWindow(Shell::RootWindow)));
}

TEST_F(TermWindowTest, ActivationEnablesTheEditMenuAndMovesToTheNewLines) {
  Send(KeyDeactivate);
  EXPECT_FALSE(TermWindow::InPollLoop);
  ModMenus::EnableItem(EditMenus::Menu, EditMenus::kCut, false);
  for (int n = 1; n <= 80; ++n) TermIO::WriteLine(Z("new " + std::to_string(n)));
  Send(KeyActivate);
  EXPECT_TRUE(TermWindow::InPollLoop);
  EXPECT_TRUE(ModMenus::GetItemEnabled(EditMenus::Menu, EditMenus::kCut));
  EXPECT_EQ(EditState::CursorLine, TermWindow::GetLength());
  EXPECT_EQ(EditState::CursorColumn, 1);
  EXPECT_EQ(TermWindow::ActiveLines, TermWindow::GetLength());
}

TEST_F(TermWindowTest, WindowPlacementFitsTheScreen) {
  ModWindow::WindowParameters p;
  TermWindow::ClipWindow(p, 15, 82, 100, 507, 80, 280);
  EXPECT_EQ(p.left, 15);
  EXPECT_EQ(p.top, 20 + 82);
  EXPECT_EQ(p.right, 15 + 507);
  EXPECT_EQ(p.bottom, 102 + 280);
  // Offsets beyond the screen keep the minimum distances.
  TermWindow::ClipWindow(p, 900, 900, 100, 507, 80, 280);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.top, 480 - 80);
  EXPECT_EQ(p.bottom, 480 + 6);
  // Zoom Out fills the screen, Zoom In gives the window back.
  ModWindow::WindowParameters installed, zoomed, back;
  TermWindow::GetWindowParameters(installed);
  RunItem(TermWindow::iZoomOut);
  TermWindow::GetWindowParameters(zoomed);
  EXPECT_GT(zoomed.bottom - zoomed.top, installed.bottom - installed.top);
  RunItem(TermWindow::iZoomIn);
  TermWindow::GetWindowParameters(back);
  EXPECT_EQ(back.bottom - back.top, installed.bottom - installed.top);
  TermWindow::ToFront();
  TermWindow::ResetFrontWindowPosition();
  ModWindow::WindowParameters moved;
  TermWindow::GetWindowParameters(moved);
  EXPECT_EQ(moved.top, 64);
  EXPECT_EQ(moved.left, 64);
}

TEST_F(TermWindowTest, ConsoleLinesOfASimulatedInterfaceAreShownSavedAndReadBack) {
  {
    const SimulatedQRN55 interface("NOTEBK01");
    ASSERT_TRUE(interface.Open());
    ADMeasure::TestWriteMode = 3;
    for (const double amplitude : {0.5, 1.0, 2.0}) {
      TermIO::WriteString("Square wave on DAC 0, ADC 0:");
      TermIO::WriteRealFixed(ADMeasure::Gain(0, 0, amplitude, 2e-5), 9, 4);
      TermIO::WriteLn();
    }
  }
  TermWindow::Update();
  const std::vector<std::string> lines = Lines();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_NE(lines.back().find("Square wave on DAC 0, ADC 0:"), std::string::npos);
  // The notebook window shows the last lines.
  char row[ANSITerm::kMaxColumns + 1] = "";
  int rows = 0, columns = 0;
  ANSITerm::GetSize(TermWindow::Terminal, rows, columns);
  bool shown = false;
  for (int r = 1; r <= rows; ++r) {
    ANSITerm::ScreenLine(TermWindow::Terminal, r, row);
    shown = shown || lines.back().rfind(row, 0) == 0 && row[0] != 0;
  }
  EXPECT_TRUE(shown);
  // The date of the day would change the picture.
  TermWindow::SetTitle("Notebook_11-Dec-2026");
  BufferText::Replace(Shell::List, 1, "11-Dec-2026 10:00:00");
  TermWindow::Update();
  EXPECT_TRUE(MatchesGolden(Desktop::Compose(), "notebook_window"));

  ASSERT_TRUE(TermWindow::StoreNotebook(Z(Path("run"))));
  const std::vector<std::string> saved = Lines();
  EXPECT_EQ(FileLines(Path("run.txt")), saved);
  TermWindow::ClearNotebook();
  ASSERT_TRUE(TermWindow::Revert(Z(Path("run.txt")), false));
  EXPECT_EQ(Lines(), saved);
}

}  // namespace
