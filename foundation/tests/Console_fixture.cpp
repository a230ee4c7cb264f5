#include "Console_fixture.h"

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/TermIO.h"
#include "shell/Shell.h"
#include "terminal/EditState.h"

void ConsoleTest::SetUp() {
  TempDirectoryTest::SetUp();
  Buffer::InitModule();
  Shell::Initialize();
  ASSERT_NE(Shell::List, nullptr);
  TermIO::InitModule();
  terminal_ = ANSITerm::CreateHeadless(kLines, kColumns);
  EditState::ListConsole = terminal_;
  EditState::Console = terminal_;
}

void ConsoleTest::TearDown() {
  EditState::ListConsole = nullptr;
  EditState::Console = nullptr;
  ANSITerm::Close(terminal_);
  TermIO::InitModule();
  Shell::List = nullptr;
  Buffer::Shutdown();
  TempDirectoryTest::TearDown();
}

std::vector<std::string> ConsoleTest::Records() const {
  std::vector<std::string> records;
  const std::int32_t count = BufferText::RecordCount(Shell::List);
  for (std::int32_t n = 1; n <= count; ++n) {
    char text[512];
    BufferText::Get(Shell::List, n, text);
    records.emplace_back(text);
  }
  return records;
}

std::vector<std::string> ConsoleTest::Screen() const {
  std::vector<std::string> lines;
  for (int line = 1; line <= kLines; ++line) {
    char text[kColumns + 1];
    ANSITerm::ScreenLine(terminal_, line, text);
    lines.emplace_back(text);
  }
  return lines;
}

std::vector<std::string> ConsoleTest::Bottom(int count) const {
  const std::vector<std::string> lines = Screen();
  return std::vector<std::string>(lines.end() - count, lines.end());
}
