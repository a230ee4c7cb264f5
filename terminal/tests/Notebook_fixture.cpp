#include "terminal/tests/Notebook_fixture.h"

#include "dialogs/DialogUtils.h"
#include "dialogs/FileSelect.h"
#include "foundation/BufferText.h"
#include "foundation/TermIO.h"
#include "platform/Fonts.h"
#include "platform/headless/Headless.h"
#include "shell/ModWindow.h"
#include "shell/Shell.h"
#include "terminal/EditMenus.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/LineEditor.h"
#include "terminal/TermWindow.h"

#include <unistd.h>

#include <fstream>

void NotebookTest::SetUp() {
  ConsoleSessionTest::SetUp();
  static int serial = 0;
  folder = std::filesystem::temp_directory_path() /
           ("mereth_notebook_" + std::to_string(getpid()) + "_" + std::to_string(++serial));
  std::filesystem::create_directories(folder);
  previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  LineEditor::InitModule();
  DialogUtils::InitModule();
  FileSelect::ClearChoices();
  TermWindow::InitModule();
  ModWindow::WindowParameters parameters;
  parameters.fontNumber = Fonts::kCourier;
  parameters.fontSize = 10;
  TermWindow::ClipWindow(parameters, 15, 82, 100, 507, 80, 280);
  TermWindow::Install(parameters, true);
  ASSERT_NE(TermWindow::Terminal, nullptr);
  TermWindow::InstallMenu(true, true);
  TermWindow::CreateMenu();
  TermWindow::ClearNotebook();
}

void NotebookTest::TearDown() {
  Headless::ClearSteps();
  FileSelect::ClearChoices();
  EditUtility::CloseBufferWindow(Shell::List);
  EditState::EditBuffer = nullptr;
  EditState::TraceState = EditState::kTraceOff;
  TermWindow::InitModule();
  EditMenus::Menu = 0;
  LineEditor::InitModule();
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
  ConsoleSessionTest::TearDown();
}

std::vector<std::string> NotebookTest::Lines() {
  TermIO::Flush();
  std::vector<std::string> lines;
  EditState::LineText text;
  for (std::int32_t n = 1; n <= BufferText::RecordCount(Shell::List); ++n) {
    BufferText::Get(Shell::List, n, text);
    lines.emplace_back(text);
  }
  return lines;
}

void NotebookTest::SetLines(const std::vector<std::string>& lines) {
  BufferText::Remove(Shell::List, 1, BufferText::RecordCount(Shell::List));
  for (const std::string& line : lines) BufferText::Append(Shell::List, {line.c_str(), line.size() + 1});
}

std::vector<std::string> NotebookTest::FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path, std::ios::binary);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}
