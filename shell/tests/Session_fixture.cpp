#include "shell/tests/Session_fixture.h"

#include "dialogs/Alert.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "platform/Gestalt.h"
#include "platform/Session.h"
#include "platform/headless/Headless.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/Shell.h"

void SessionTest::SetUp() {
  Platform::UseVirtualClock(1000.0);
  ASSERT_TRUE(Session::OpenHeadless()) << Session::ErrorText();
  Gestalt::ClearAnswers();
  Alert::ClearAnswers();
  MacEnv::Terminated = false;
  MacEnv::CombinedNames = false;
}

void SessionTest::TearDown() {
  Headless::ClearSteps();
  Session::Close();
  Gestalt::ClearAnswers();
  MacEnv::Terminated = false;
  MacEnv::CombinedNames = false;
  Platform::UseRealClock();
}

void ConsoleSessionTest::SetUp() {
  SessionTest::SetUp();
  Buffer::InitModule();
  Shell::Initialize();
  TermIO::InitModule();
  ModMenus::InitModule();
}

void ConsoleSessionTest::TearDown() {
  Shell::Shutdown();
  TermIO::InitModule();
  Shell::List = nullptr;
  Buffer::Shutdown();
  Buffer::InitModule();
  SessionTest::TearDown();
}

std::string ConsoleSessionTest::LastLine() {
  TermIO::Flush();
  char text[256] = "";
  BufferText::Get(Shell::List, BufferText::RecordCount(Shell::List), text);
  return text;
}
