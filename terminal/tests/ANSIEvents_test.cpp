// The event source on scripted input of the headless layer: the key
// translation, clicks and their counting, dragging, window frames, updates,
// suspend and resume, pushed-back events and the program's end.
#include "terminal/ANSIEvents.h"

#include "platform/AppleEvents.h"
#include "platform/Controls.h"
#include "platform/EventQueue.h"
#include "platform/KeyCodes.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "terminal/ANSIBase.h"
#include "terminal/tests/Terminal_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using ANSITerm::TerminalRecord;
using Geometry::Point;
using Geometry::SetRect;
namespace K = ANSIBase;

struct Delivered {
  int code = K::KeyNone;
  char character = 0;
  int modifiers = 0;
  bool operator==(const Delivered&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Delivered& d) {
  return os << "{code " << d.code << ", character " << static_cast<int>(d.character) << ", modifiers "
            << d.modifiers << "}";
}

class ANSIEventsTest : public TerminalTest {
 protected:
  void SetUp() override {
    TerminalTest::SetUp();
    terminal = OpenTerminal(SetRect(40, 60, 440, 300), 12, true);
    Settle();
  }

  // The script's remaining steps and the events of windows coming and
  // going, taken before what the test looks at.
  void Settle() {
    Delivered d;
    while (Headless::PendingSteps() > 0) Next(d);
    for (int n = 0; n < 20; ++n) Next(d);
  }

  bool Next(Delivered& d) {
    d = Delivered{};
    return ANSITerm::NextEvent(terminal, d.code, d.character, d.modifiers);
  }

  // The next delivered event that is no window bookkeeping (activation,
  // update); none after 200 passes (more than three seconds).
  Delivered NextInput() {
    Delivered d;
    for (int n = 0; n < 200; ++n) {
      if (!Next(d)) continue;
      if (d.code != K::KeyActivate && d.code != K::KeyDeactivate && d.code != K::KeyUpdate) return d;
    }
    return Delivered{};
  }

  // Global position of a 1-based cell's top-left pixel plus (dh, dv).
  Point Cell(int line, int column, int dh = 1, int dv = 1) const {
    const Geometry::Rect content = Windows::ContentRect(terminal->window);
    return Point{content.left + terminal->left + (column - 1) * terminal->characterWidth + dh,
                 content.top + terminal->top + (line - 1) * terminal->lineHeight + dv};
  }

  TerminalRecord* terminal = nullptr;
};

struct KeyCase {
  int virtualKey;
  unsigned char character;
  int modifiers;  // EventQueue's bits
  bool applicationMode;
  Delivered expected;
};

TEST_F(ANSIEventsTest, KeyTranslation) {
  constexpr int cmd = EventQueue::kCmdKey;
  constexpr int ctl = EventQueue::kControlKey;
  const std::vector<KeyCase> cases{
      // With the command key.
      {KeyCodes::kDelete, 8, cmd, true, {K::KeyDeleteRight, 0, K::kCommand}},
      {KeyCodes::kLeftArrow, 28, cmd, true, {K::KeyCursorLeft, 0, K::kCommand}},
      {KeyCodes::kRightArrow, 29, cmd, true, {K::KeyCursorRight, 0, K::kCommand}},
      {KeyCodes::kDownArrow, 31, cmd, true, {K::KeyCursorDown, 0, K::kCommand}},
      {KeyCodes::kUpArrow, 30, cmd, true, {K::KeyCursorUp, 0, K::kCommand}},
      {0, 28, cmd, true, {K::KeyCursorLeft, 0, K::kCommand}},
      {0, 29, cmd, true, {K::KeyCursorRight, 0, K::kCommand}},
      {0, 30, cmd, true, {K::KeyCursorUp, 0, K::kCommand}},
      {0, 31, cmd, true, {K::KeyCursorDown, 0, K::kCommand}},
      {44, '/', cmd, true, {K::KeyHelp, 0, K::kCommand}},
      {44, '?', cmd | EventQueue::kShiftKey, true, {K::KeyHelp, 0, K::kCommand | K::kShift}},
      {13, 'w', cmd, true, {K::KeyMenu, 0, K::kCommand}},
      // With the control key.
      {18, '1', ctl, true, {K::KeyF1, 0, K::kControl}},
      {25, '9', ctl, true, {K::KeyF1 + 8, 0, K::kControl}},
      {29, '0', ctl, true, {K::KeyF10, 0, K::kControl}},
      {0, 'a', ctl, true, {K::KeyCharacter, 'a', K::kControl}},
      // The keypad in numeric mode.
      {87, '5', 0, false, {K::KeyCharacter, '5', 0}},
      {KeyCodes::kKeypadMultiply, '*', 0, false, {K::KeyCharacter, '*', 0}},
      {KeyCodes::kKeypadDecimal, '.', 0, false, {K::KeyCharacter, '.', 0}},
      {KeyCodes::kKeypadEnter, 3, 0, false, {K::KeyCharacter, 13, 0}},
      {KeyCodes::kKeypad9, '9', 0, false, {K::KeyCharacter, '9', 0}},
      {KeyCodes::kF1, 16, 0, false, {K::KeyF1, 0, 0}},
      // By virtual key.
      {KeyCodes::kDelete, 8, 0, true, {K::KeyDeleteLeft, 0, 0}},
      {KeyCodes::kEnter, 3, 0, true, {K::KeyEnter, 0, 0}},
      {KeyCodes::kEscape, 27, 0, true, {K::KeyCharacter, 27, 0}},
      {KeyCodes::kKeypadDecimal, '.', 0, true, {K::KeyNumericPoint, 0, 0}},
      {KeyCodes::kKeypadMultiply, '*', 0, true, {K::KeyNumericMultiply, 0, 0}},
      {KeyCodes::kKeypadPlus, '+', 0, true, {K::KeyNumericPlus, 0, 0}},
      {KeyCodes::kKeypadClear, 27, 0, true, {K::KeyNumericClear, 0, 0}},
      {KeyCodes::kKeypadDivide, '/', 0, true, {K::KeyNumericDivide, 0, 0}},
      {KeyCodes::kKeypadEnter, 3, 0, true, {K::KeyEnter, 0, 0}},
      {KeyCodes::kKeypadMinus, '-', 0, true, {K::KeyNumericMinus, 0, 0}},
      {KeyCodes::kKeypadEquals, '=', 0, true, {K::KeyNumericEquals, 0, 0}},
      {82, '0', 0, true, {K::KeyNumeric0, 0, 0}},
      {87, '5', 0, true, {K::KeyNumeric0 + 5, 0, 0}},
      {89, '7', 0, true, {K::KeyNumeric0 + 7, 0, 0}},
      {KeyCodes::kKeypad8, '8', 0, true, {K::KeyNumeric0 + 8, 0, 0}},
      {KeyCodes::kKeypad9, '9', 0, true, {K::KeyNumeric9, 0, 0}},
      {KeyCodes::kF1, 16, 0, true, {K::KeyF1, 0, 0}},
      {KeyCodes::kF2, 16, 0, true, {K::KeyF1 + 1, 0, 0}},
      {KeyCodes::kF3, 16, 0, true, {K::KeyF1 + 2, 0, 0}},
      {KeyCodes::kF4, 16, 0, true, {K::KeyF1 + 3, 0, 0}},
      {KeyCodes::kF5, 16, 0, true, {K::KeyF1 + 4, 0, 0}},
      {KeyCodes::kF6, 16, 0, true, {K::KeyF1 + 5, 0, 0}},
      {KeyCodes::kF7, 16, 0, true, {K::KeyF1 + 6, 0, 0}},
      {KeyCodes::kF8, 16, 0, true, {K::KeyF1 + 7, 0, 0}},
      {KeyCodes::kF9, 16, 0, true, {K::KeyF1 + 8, 0, 0}},
      {KeyCodes::kF10, 16, 0, true, {K::KeyF10, 0, 0}},
      {KeyCodes::kF11, 16, 0, true, {K::KeyF1 + 10, 0, 0}},
      {KeyCodes::kF12, 16, 0, true, {K::KeyF1 + 11, 0, 0}},
      {KeyCodes::kF13, 16, 0, true, {K::KeyF1 + 12, 0, 0}},
      {KeyCodes::kF14, 16, 0, true, {K::KeyF1 + 13, 0, 0}},
      {KeyCodes::kF15, 16, 0, true, {K::KeyF15, 0, 0}},
      {KeyCodes::kHelp, 5, 0, true, {K::KeyHelp, 0, 0}},
      {KeyCodes::kHome, 1, 0, true, {K::KeyHome, 0, 0}},
      {KeyCodes::kPageUp, 11, 0, true, {K::KeyPageUp, 0, 0}},
      {KeyCodes::kForwardDelete, 127, 0, true, {K::KeyDeleteRight, 0, 0}},
      {KeyCodes::kEnd, 4, 0, true, {K::KeyEnd, 0, 0}},
      {KeyCodes::kPageDown, 12, 0, true, {K::KeyPageDown, 0, 0}},
      {KeyCodes::kLeftArrow, 28, 0, true, {K::KeyCursorLeft, 0, 0}},
      {KeyCodes::kRightArrow, 29, 0, true, {K::KeyCursorRight, 0, 0}},
      {KeyCodes::kDownArrow, 31, 0, true, {K::KeyCursorDown, 0, 0}},
      {KeyCodes::kUpArrow, 30, 0, true, {K::KeyCursorUp, 0, 0}},
      // By character, then everything else as a character.
      {0, 30, 0, true, {K::KeyCursorUp, 0, 0}},
      {0, 31, 0, true, {K::KeyCursorDown, 0, 0}},
      {KeyCodes::kReturn, 13, 0, true, {K::KeyCharacter, 13, 0}},
      {KeyCodes::kSpace, ' ', 0, true, {K::KeyCharacter, ' ', 0}},
      {0, 'A', EventQueue::kShiftKey, true, {K::KeyCharacter, 'A', K::kShift}},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE("virtual key " + std::to_string(c.virtualKey) + ", character " + std::to_string(c.character));
    if (c.applicationMode) {
      ANSITerm::DECKPAM(terminal);
    } else {
      ANSITerm::DECKPNM(terminal);
    }
    Headless::Key(c.virtualKey, c.character, c.modifiers);
    EXPECT_EQ(NextInput(), c.expected);
  }
  ANSITerm::DECKPAM(terminal);
  ANSITerm::EnableApplicationMode = false;
  Headless::Key(87, '5', 0);
  EXPECT_EQ(NextInput(), (Delivered{K::KeyCharacter, '5', 0})) << "application mode switched off for every terminal";
  ANSITerm::EnableApplicationMode = true;
}

int menuRuns = 0;
void CountMenuRun() { ++menuRuns; }

TEST_F(ANSIEventsTest, ACommandKeyRunsItsMenuItemThenDeliversKeyMenu) {
  ModMenus::InitModule();
  int handle = 0;
  ModMenus::CreateMenu(handle, "Tools");
  ModMenus::AppendItem(handle, "Count");
  ModMenus::SetItemProc(handle, 1, CountMenuRun);
  ModMenus::SetCommandKey(handle, 1, 'K');
  ModMenus::AppendMenu(handle);
  menuRuns = 0;
  Headless::Key(40, 'k', EventQueue::kCmdKey);
  EXPECT_EQ(NextInput(), (Delivered{K::KeyMenu, 0, K::kCommand}));
  EXPECT_EQ(menuRuns, 1);
}

TEST_F(ANSIEventsTest, ClicksCountUpToThreeNearbyAndInTime) {
  for (int n = 0; n < 4; ++n) Headless::Click(Cell(3, 5, 1 + (n % 2) * 3, 2));
  std::vector<int> codes;
  for (int n = 0; n < 4; ++n) codes.push_back(NextInput().code);
  EXPECT_EQ(codes, (std::vector<int>{K::KeyMouse, K::KeyDoubleMouse, K::KeyTripleMouse, K::KeyMouse}));
  int line = 0;
  int column = 0;
  ANSITerm::GetMouseCUP(terminal, line, column);
  EXPECT_EQ(std::make_pair(line, column), std::make_pair(3, 5));
  EXPECT_EQ(ANSITerm::ActiveWindow(), terminal->window);

  Settle();
  Headless::Click(Cell(5, 10));
  Headless::Click(Cell(5, 10, 41, -39));
  EXPECT_EQ(NextInput().code, K::KeyMouse);
  EXPECT_EQ(NextInput().code, K::KeyMouse) << "40 right and 40 up is not near";

  Settle();
  Headless::Click(Cell(5, 10));
  Headless::Wait(1.0);
  Headless::Click(Cell(5, 10));
  EXPECT_EQ(NextInput().code, K::KeyMouse);
  EXPECT_EQ(NextInput().code, K::KeyMouse) << "too late for a double click";
}

TEST_F(ANSIEventsTest, HoldingTheButtonDeliversStillDownOnAnotherCell) {
  Headless::MoveTo(Cell(3, 5));
  Headless::Down();
  Headless::MoveTo(Cell(3, 8));
  Headless::Wait(1.0);
  Headless::Up();
  EXPECT_EQ(NextInput().code, K::KeyMouse);
  Delivered d;
  for (int n = 0; n < 5 && d.code != K::KeyMouseStillDown; ++n) Next(d);
  EXPECT_EQ(d.code, K::KeyMouseStillDown);
  int line = 0;
  int column = 0;
  ANSITerm::GetMouseCUP(terminal, line, column);
  EXPECT_EQ(std::make_pair(line, column), std::make_pair(3, 8));
  EXPECT_FALSE(Next(d)) << "same cell, not at an edge";
  Headless::Up();
  Settle();
  EXPECT_FALSE(ANSIEvents::Dragging);
}

TEST_F(ANSIEventsTest, AClickInABackWindowIsReportedThenTakenAsAClick) {
  TerminalRecord* front = OpenTerminal(SetRect(300, 320, 620, 460), 12, true);
  Settle();
  ASSERT_EQ(Windows::FrontWindow(), front->window);
  Headless::Click(Cell(2, 3));
  const Delivered report = NextInput();
  EXPECT_EQ(report.code, K::KeyWindow);
  EXPECT_EQ(ANSITerm::ActiveWindow(), terminal->window);
  EXPECT_TRUE(ANSITerm::Poll(terminal)) << "the click is still to come";
  Windows::SelectWindow(terminal->window);
  const std::size_t steps = Headless::PendingSteps();
  Delivered d;
  ASSERT_TRUE(Next(d));
  EXPECT_EQ(d.code, K::KeyMouse) << "the same click, no new event taken";
  EXPECT_EQ(Headless::PendingSteps(), steps);
  EXPECT_FALSE(ANSITerm::ProcessingKeyWindow);
}

TEST_F(ANSIEventsTest, AClickInABackWindowThatStaysBehindIsReportedOnce) {
  OpenTerminal(SetRect(300, 320, 620, 460), 12, true);
  Settle();
  Headless::Click(Cell(2, 3));
  EXPECT_EQ(NextInput().code, K::KeyWindow);
  Delivered d;
  EXPECT_FALSE(Next(d)) << "not reported for ever";
  EXPECT_FALSE(ANSITerm::ProcessingKeyWindow);
}

int updates = 0;
void CountUpdate(TerminalRecord*) { ++updates; }

TEST_F(ANSIEventsTest, UpdatesGoToTheWindowsOwnProcedure) {
  updates = 0;
  ANSITerm::SetEventProcs(terminal, CountUpdate, nullptr, nullptr);
  Windows::InvalRect(terminal->window, SetRect(0, 0, 20, 20));
  Delivered d;
  ASSERT_TRUE(Next(d));
  EXPECT_EQ(d.code, K::KeyConsumed);
  EXPECT_EQ(updates, 1);
  EXPECT_TRUE(Windows::GetUpdateRgn(terminal->window).Empty());

  ANSITerm::SetEventProcs(terminal, nullptr, nullptr, nullptr);
  Windows::InvalRect(terminal->window, SetRect(0, 0, 20, 20));
  ASSERT_TRUE(Next(d));
  EXPECT_EQ(d, (Delivered{K::KeyUpdate, 1, 0}));
  ANSITerm::ReadAgain(terminal);
  ANSITerm::Flush();
  ASSERT_TRUE(Next(d)) << "Flush after an update keeps the pushed-back event";
  EXPECT_EQ(d.code, K::KeyUpdate);
}

TEST_F(ANSIEventsTest, ReadAgainDeliversTheLastEventOnceMore) {
  Headless::Key(0, 'a', 0);
  EXPECT_EQ(NextInput(), (Delivered{K::KeyCharacter, 'a', 0}));
  ANSITerm::ReadAgain(terminal);
  EXPECT_TRUE(ANSITerm::Poll(terminal));
  Delivered d;
  ASSERT_TRUE(Next(d));
  EXPECT_EQ(d, (Delivered{K::KeyCharacter, 'a', 0}));
  ANSITerm::ReadAgain(terminal);
  ANSITerm::Flush();
  EXPECT_FALSE(Next(d)) << "Flush forgets it";
}

TEST_F(ANSIEventsTest, WindowFrames) {
  const Geometry::Rect content = Windows::ContentRect(terminal->window);
  const Geometry::Rect grow = WindowFrame::GrowBox(content);
  Headless::MoveTo(Point{grow.left + 5, grow.top + 5});
  Headless::Down();
  Headless::MoveTo(Point{content.left + 10, content.top + 10});
  Headless::Up();
  Delivered d = NextInput();
  EXPECT_EQ(d.code, K::KeyResized);
  const Geometry::Rect grown = Windows::ContentRect(terminal->window);
  EXPECT_EQ(Geometry::Width(grown), 84);
  EXPECT_EQ(Geometry::Height(grown), 32);
  EXPECT_TRUE(terminal->resized);

  Settle();
  const Geometry::Rect zoom = WindowFrame::ZoomBox(grown);
  Headless::Click(Point{zoom.left + 3, zoom.top + 3});
  EXPECT_EQ(NextInput().code, K::KeyResized);
  EXPECT_GT(Geometry::Width(Windows::ContentRect(terminal->window)), 84);

  Settle();
  const Geometry::Rect zoomed = Windows::ContentRect(terminal->window);
  const Geometry::Rect title = WindowFrame::TitleBar(zoomed);
  Headless::MoveTo(Point{title.left + 60, title.top + 5});
  Headless::Down();
  Headless::MoveTo(Point{title.left + 70, title.top + 25});
  Headless::Up();
  EXPECT_EQ(NextInput().code, K::KeyMoved);

  Settle();
  const Geometry::Rect close = WindowFrame::CloseBox(Windows::ContentRect(terminal->window));
  Headless::Click(Point{close.left + 3, close.top + 3});
  EXPECT_EQ(NextInput().code, K::KeyWindowClose);
  EXPECT_EQ(ANSITerm::ActiveWindow(), terminal->window);
}

TEST_F(ANSIEventsTest, KeyDownReadsTheModifierKeysHeldNow) {
  Headless::Press(KeyCodes::kShift);
  Headless::Press(KeyCodes::kCommand);
  Settle();
  EXPECT_EQ(ANSITerm::KeyDown(), K::kCommand | K::kShift);
  Headless::Release(KeyCodes::kShift);
  Headless::Release(KeyCodes::kCommand);
  Settle();
  EXPECT_EQ(ANSITerm::KeyDown(), 0);
}

TEST_F(ANSIEventsTest, ActivationShowsAndHidesTheWindowsOwnScrollBars) {
  ASSERT_TRUE(Controls::IsControlVisible(terminal->verticalScrollBar));
  TerminalRecord* other = OpenTerminal(SetRect(300, 320, 620, 460), 12, true);
  std::vector<int> codes;
  Delivered d;
  for (int n = 0; n < 10; ++n) {
    if (ANSITerm::NextEvent(other, d.code, d.character, d.modifiers)) codes.push_back(d.code);
  }
  EXPECT_NE(std::find(codes.begin(), codes.end(), K::KeyDeactivate), codes.end());
  EXPECT_FALSE(Controls::IsControlVisible(terminal->verticalScrollBar)) << "served while the other terminal polls";
  Windows::SelectWindow(terminal->window);
  Settle();
  EXPECT_TRUE(Controls::IsControlVisible(terminal->verticalScrollBar));
  EXPECT_FALSE(Controls::IsControlVisible(other->verticalScrollBar));
}

TEST_F(ANSIEventsTest, SuspendAndResume) {
  Headless::Focus(false);
  EXPECT_EQ(NextInput().code, K::KeyOSEvent);
  EXPECT_TRUE(MacEnv::gInBackground);
  Headless::Focus(true);
  EXPECT_EQ(NextInput().code, K::KeyOSEvent);
  EXPECT_FALSE(MacEnv::gInBackground);
}

TEST_F(ANSIEventsTest, InputGivesNothingOnceTheProgramIsToEnd) {
  AppleEvents::SetQuitHandler(MacEnv::Terminate);
  Headless::RunScript("quit\nkey a\n");
  char character = 'x';
  int code = -1;
  ANSITerm::Input(terminal, character, code);
  EXPECT_EQ(code, K::KeyNone);
  EXPECT_EQ(character, 0);
  EXPECT_TRUE(MacEnv::Terminated);
  ANSITerm::Input(terminal, character, code);
  EXPECT_EQ(code, K::KeyNone);
  EXPECT_EQ(Headless::PendingSteps(), 1u) << "no more input is taken";
}

}  // namespace
