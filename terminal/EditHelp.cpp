#include "terminal/EditHelp.h"

#include "platform/Events.h"
#include "platform/Fonts.h"
#include "platform/Screen.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"
#include "shell/Mouse.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"

#include <algorithm>
#include <cstdint>

namespace EditHelp {

const std::array<const char*, kChartRows> kChart = {
    "Editor Key Assignments:                   +--------+--------+--------+--------+",
    "                                          |        |  help  | fndnxt |  del l |",
    "Control/H  Beginning of line              |  gold  |        |        |        |",
    "Control/J  Delete previous word           |        | FndSel |  FIND  |  UND L |",
    "Control/U  Delete to beginning of line    +--------+--------+--------+--------+",
    "Control/W  Rewrite screen                 |  back  | section| append |  del w |",
    "                                          |        |        |        |        |",
    "GOLD C     Clear paste buffer             | no gold|  ----  | REPLACE|  UND W |",
    "GOLD D     Delete buffer                  +--------+--------+--------+--------+",
    "GOLD E     Set edit buffer                | advance| backup |   cut  |  del c |",
    "GOLD F     Find                           |        |        |        |        |",
    "GOLD L     Learn macro                    | BOTTOM |   TOP  |  PASTE |  UND C |",
    "GOLD M     toggle: one / Multi windows    +--------+--------+--------+--------+",
    "GOLD R     Read from a buffer             |  word  |   eol  |  char  |  enter |",
    "GOLD S     Stop learning macro            |        |        |        |        |",
    "GOLD T     Toggle: fix / align TAB        |CHNGCASE| DEL EOL| SPECINS|        |",
    "GOLD W     Write to a buffer              +-----------------+--------+        +",
    "GOLD X     Execute macro                  |      line       | select |        |",
    "F1         Paste line                     |                 |        |        |",
    "F2         Cut line                       |    OPEN LINE    |  RESET |  SUBS  |",
    "F3         Copy line                      +-----------------+--------+--------+",
    "  ",
    "Mouse:     single  click   position cursor and remove text selection",
    "           double  click   select word",
    "           triple  click   select line",
    "           shift + click   expand text selection",
    "           drag            expand text selection",
    "           click or drag   in first or last line will scroll screen up or down.",
};

namespace {

constexpr int kMaxWidth = 576;
constexpr int kMaxHeight = 424;
constexpr int kFontSize = 10;
// Where the chart's "fix" and "align" stand.
constexpr int kTabModeRow = 16;
constexpr int kFixColumn = 21;
constexpr int kAlignColumn = 27;

void DrawChart(ANSITerm::TerminalRecord* terminal) {
  ANSITerm::SGR(terminal, ANSITerm::kNormal);
  ANSITerm::EDc(terminal);
  for (int row = 1; row <= std::min(kChartRows, EditState::WindowHeight); ++row) {
    ANSITerm::CUP(terminal, row, 2);
    ANSITerm::Write(terminal, {kChart[row - 1], std::char_traits<char>::length(kChart[row - 1]) + 1});
  }
  ANSITerm::SGR(terminal, ANSITerm::kHighlight);
  if (EditState::FixHorizontalTab) {
    ANSITerm::CUP(terminal, kTabModeRow, kFixColumn);
    ANSITerm::Write(terminal, "FIX");
  } else {
    ANSITerm::CUP(terminal, kTabModeRow, kAlignColumn);
    ANSITerm::Write(terminal, "ALIGN");
  }
  ANSITerm::SGR(terminal, ANSITerm::kNormal);
  EditDisplay::Message(" Strike any key or click the mouse to continue... ");
}

// Until a key, a click or another window event; updates redraw the chart.
void WaitForKey(ANSITerm::TerminalRecord* terminal) {
  for (;;) {
    int code = ANSIBase::KeyNone;
    char character = 0;
    int modifiers = 0;
    EditDisplay::InputKey(code, character, modifiers);
    if (code == ANSIBase::KeyNone && (MacEnv::Terminated || Events::InputEnded())) return;
    if (code == ANSIBase::KeyUpdate) {
      DrawChart(terminal);
    } else if (code > ANSIBase::KeyConsumed && code != ANSIBase::KeyActivate && code != ANSIBase::KeyDeactivate) {
      return;
    }
  }
}

ModWindow::WindowParameters HelpRectangle() {
  const Geometry::Rect screen = Screen::AvailableBounds();
  ModWindow::WindowParameters p;
  // The title bar, too, stays clear of the menu bar.
  p.top = static_cast<std::int16_t>(screen.top + WindowFrame::kTitleBarHeight + 10);
  p.left = static_cast<std::int16_t>(screen.left + 12);
  p.bottom = static_cast<std::int16_t>(std::min<int>(screen.bottom, p.top + kMaxHeight));
  p.right = static_cast<std::int16_t>(std::min<int>(screen.right, p.left + kMaxWidth));
  p.fontNumber = Fonts::kCourier;
  p.fontSize = kFontSize;
  return p;
}

}  // namespace

void Show() {
  EditDisplay::MessageClear();
  EditUtility::SaveEditState();
  ANSITerm::TerminalRecord* const console = EditState::Console;
  const Graphics::GraphicsWindow consoleWindow = EditState::Window;
  const std::int32_t height = EditState::WindowHeight;
  const std::int32_t width = EditState::WindowWidth;
  const std::int32_t band = EditState::WindowBandSize;
  const int cursorShape = Mouse::GetCursorShape();
  ModWindow::WindowParameters rectangle = HelpRectangle();
  Graphics::GraphicsWindow window =
      ModWindow::Create(0, rectangle, WindowFrame::kNoGrowDocProc, "Editor Key Assignment", true, false, true);
  ANSITerm::TerminalRecord* terminal = window == nullptr ? nullptr : ANSITerm::Create(false, window);
  if (terminal != nullptr) {
    Windows::SetRefCon(terminal->window, terminal);
    EditState::Console = terminal;
    EditState::Window = window;
    ANSITerm::SetSize(terminal);
    DrawChart(terminal);
    WaitForKey(terminal);
    EditState::MessageActive = false;
    ANSITerm::Close(terminal);
  }
  ModWindow::Remove(window);
  // The event source would otherwise still name the help window as the one
  // its last event concerned.
  ANSITerm::Flush();
  EditState::Console = console;
  EditState::Window = consoleWindow;
  EditState::WindowHeight = height;
  EditState::WindowWidth = width;
  EditState::WindowBandSize = band;
  Mouse::SetCursorShape(cursorShape);
  EditDisplay::NewDisplay();
}

}  // namespace EditHelp
