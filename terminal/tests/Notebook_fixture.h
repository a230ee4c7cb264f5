// The notebook window installed as the calibration program installs it
// (placed by ClipWindow, Courier 10, shown, with its Notebook menu and the
// Edit menu, cleared), over the shell's console on the headless screen;
// and a scratch folder for its files.
#pragma once

#include "shell/tests/Session_fixture.h"

#include <filesystem>
#include <string>
#include <vector>

class NotebookTest : public ConsoleSessionTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The notebook's lines.
  static std::vector<std::string> Lines();
  // The notebook holds exactly these lines.
  static void SetLines(const std::vector<std::string>& lines);
  // The lines of a text file, split at line feeds.
  static std::vector<std::string> FileLines(const std::string& path);
  // A path in the scratch folder.
  std::string Path(const std::string& name) const { return (folder / name).string(); }

  // The scratch folder is the current directory during the test.
  std::filesystem::path folder;
  std::filesystem::path previous;
};
