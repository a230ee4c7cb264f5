#include "terminal/tests/Terminal_fixture.h"

#include "foundation/Buffer.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"
#include "shell/ScrollBars.h"
#include "terminal/ANSIEvents.h"
#include "terminal/EditState.h"

#include <gtest/gtest.h>

void TerminalTest::SetUp() {
  SessionTest::SetUp();
  Buffer::InitModule();
  ASSERT_TRUE(Graphics::Initialize());
  ScrollBars::InitModule();
  ASSERT_TRUE(ANSITerm::Initialize());
  MacEnv::gInBackground = false;
}

void TerminalTest::TearDown() {
  ANSITerm::SetObserver(nullptr);
  EditState::Console = nullptr;
  for (auto& [window, terminal] : windows_) {
    ANSITerm::Close(terminal);
    ModWindow::Remove(window);
  }
  windows_.clear();
  ANSIEvents::Reset();
  ANSITerm::TerminalHeap = nullptr;
  Buffer::Shutdown();
  Buffer::InitModule();
  MacEnv::gInBackground = false;
  SessionTest::TearDown();
}

ANSITerm::TerminalRecord* TerminalTest::OpenTerminal(const Geometry::Rect& content, int fontSize, bool scrollBars) {
  ModWindow::WindowParameters p{static_cast<std::int16_t>(content.top), static_cast<std::int16_t>(content.left),
                                static_cast<std::int16_t>(content.bottom), static_cast<std::int16_t>(content.right),
                                static_cast<std::int16_t>(Graphics::Courier), static_cast<std::int16_t>(fontSize)};
  Graphics::GraphicsWindow window =
      ModWindow::Create(0, p, WindowFrame::kZoomDocProc, "Terminal", true, true, true);
  EXPECT_NE(window, nullptr);
  ANSITerm::TerminalRecord* terminal = ANSITerm::Create(scrollBars, window);
  EXPECT_NE(terminal, nullptr);
  if (terminal == nullptr) return nullptr;
  Windows::SetRefCon(terminal->window, terminal);
  if (scrollBars) ScrollBars::Create(terminal);
  windows_.emplace_back(window, terminal);
  ANSITerm::EDc(terminal);
  return terminal;
}

std::string TerminalTest::Line(const ANSITerm::TerminalRecord* terminal, int line) {
  char text[ANSITerm::kMaxColumns + 1];
  ANSITerm::ScreenLine(terminal, line, text);
  return text;
}

std::pair<int, int> TerminalTest::Cursor(ANSITerm::TerminalRecord* terminal) {
  std::int32_t line = 0;
  std::int32_t column = 0;
  ANSITerm::GetCUP(terminal, line, column);
  return {line, column};
}
