// Terminal windows on the headless layer (virtual clock) for the terminal's
// tests.
#pragma once

#include "platform/Geometry.h"
#include "shell/Graphics.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/ANSITerm.h"

#include <string>
#include <utility>
#include <vector>

class TerminalTest : public SessionTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A window whose content is the global rectangle, in Courier of the size,
  // with a terminal (and its scroll bars when asked) that the window's
  // reference value points to. Closed at the end of the test.
  ANSITerm::TerminalRecord* OpenTerminal(const Geometry::Rect& content, int fontSize, bool scrollBars);

  // The 1-based line's text without trailing blanks.
  static std::string Line(const ANSITerm::TerminalRecord* terminal, int line);
  // The cursor as 1-based line and column.
  static std::pair<int, int> Cursor(ANSITerm::TerminalRecord* terminal);

 private:
  std::vector<std::pair<Graphics::GraphicsWindow, ANSITerm::TerminalRecord*>> windows_;
};
