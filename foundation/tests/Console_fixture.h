#pragma once

// A temporary directory (TempDirectoryTest) plus a console: a fresh buffer
// heap with the shell's notebook buffer, and a headless terminal of 12 lines
// x 60 columns as both the notebook window's and the editor's terminal.

#include <string>
#include <vector>

#include "TempDirectory_fixture.h"
#include "terminal/ANSITerm.h"

class ConsoleTest : public TempDirectoryTest {
 protected:
  static constexpr int kLines = 12;
  static constexpr int kColumns = 60;

  void SetUp() override;
  void TearDown() override;

  // The records of the notebook buffer Shell::List.
  std::vector<std::string> Records() const;
  // The lines the terminal shows, trailing blanks cut, from the top.
  std::vector<std::string> Screen() const;
  // The last `count` lines of Screen().
  std::vector<std::string> Bottom(int count) const;

  ANSITerm::TerminalRecord* terminal_ = nullptr;
};
