// The program's whole life, headless on the virtual clock, with a test
// definition registered in place of the program's.
#include "shell/Startup.h"

#include "dialogs/Alert.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/Strings.h"
#include "platform/Gestalt.h"
#include "platform/Resources.h"
#include "platform/Scrap.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/Shell.h"
#include "shell/UserQueue.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// What the test's start procedure does, and what it saw.
using Body = void (*)();
Body body = nullptr;
std::string events;  // what ran, in order
std::vector<std::string> notebook;
bool logoShownAtStart = false;
bool logoWindowAtStart = false;

void KeepNotebook() {
  notebook.clear();
  for (std::int32_t n = 1; n <= BufferText::RecordCount(Shell::List); ++n) {
    char text[256];
    BufferText::Get(Shell::List, n, text);
    notebook.emplace_back(text);
  }
}

bool TestStart() {
  events += "start;";
  logoShownAtStart = MacEnv::LogoShown;
  logoWindowAtStart = MacEnv::LogoWindowPtr != nullptr;
  if (body != nullptr) body();
  KeepNotebook();
  return true;
}

void TestDefine() {
  Strings::Assign(MacEnv::LongName, "Tester");
  Strings::Assign(MacEnv::ShortName, "Tester");
  MacEnv::StartupProc = TestStart;
}

// Console input until the program is to end, the codes kept.
std::vector<int> codes;
void ReadUntilTerminated() {
  while (!MacEnv::Terminated) {
    char character = 0;
    int code = 0;
    ANSITerm::Input(Shell::RootTerminal, character, code);
    codes.push_back(code);
  }
}

void ExitP() { events += "p;"; }
void ExitQ() { events += "q;"; }
void ExitR() {
  // The exit procedures run before the heap and the logo go.
  events += Buffer::Lookup("/Shell/List") != nullptr ? "r(heap" : "r(no heap";
  events += MacEnv::LogoWindowPtr != nullptr ? ",logo);" : ",no logo);";
}

class StartupTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    body = nullptr;
    events.clear();
    notebook.clear();
    codes.clear();
    MacEnv::RegisterProgram(TestDefine);
  }
  void TearDown() override {
    MacEnv::RegisterProgram(nullptr);
    Resources::Load(Resources::ShippedText());
    SessionTest::TearDown();
  }

  // Runs the program with the arguments (argument 0 added); the alerts'
  // text goes to stderr, which is returned.
  static std::string Run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "tester");
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    char* envp[] = {nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(Startup::Main(static_cast<int>(arguments.size()), argv.data(), envp), 0);
    return testing::internal::GetCapturedStderr();
  }
};

TEST_F(StartupTest, CommandLines) {
  Run({});
  EXPECT_STREQ(MacEnv::CommandLine, "");
  Run({"x"});
  EXPECT_STREQ(MacEnv::CommandLine, "\"x\"");
  Headless::Open("d");
  Run({"x"});
  EXPECT_STREQ(MacEnv::CommandLine, "\"x\",\"d\"");
  Run({"-a", "b c"});
  EXPECT_STREQ(MacEnv::CommandLine, "\"-a\", \"b c\"");
}

TEST_F(StartupTest, ArgumentsThatDoNotFitAreLeftOutWholeAndReported) {
  // 4 x 250 characters of arguments fill 4 x 252 + 3 x 2 = 1,014; the
  // fifth and everything after it stay out, also the short last one.
  const std::string long1(250, 'a');
  Run({long1, long1, long1, long1, "fifth-argument", "6"});
  EXPECT_EQ(Strings::Length(MacEnv::CommandLine), 1014);
  EXPECT_EQ(std::string(MacEnv::CommandLine).back(), '"');
  EXPECT_NE(std::find(notebook.begin(), notebook.end(), "The command line is full: 2 arguments left out."),
            notebook.end());

  Headless::Open(std::string(300, 'p'));
  Headless::Open(std::string(20, 'q'));
  Run({long1, long1, long1, long1});
  EXPECT_EQ(Strings::Length(MacEnv::CommandLine), 1014);
  EXPECT_NE(std::find(notebook.begin(), notebook.end(), "1 document not opened: a path is longer than 255 bytes."),
            notebook.end());
  EXPECT_NE(std::find(notebook.begin(), notebook.end(), "The command line is full: 1 argument left out."),
            notebook.end());
}

TEST_F(StartupTest, NoLogoInAnyCaseAndAnywhere) {
  Run({"x"});
  EXPECT_TRUE(logoShownAtStart);
  for (const char* argument : {"-NOLOGO", "-nologo", "/home/a-NoLoGo-b/doc.txt"}) {
    body = MacEnv::AboutLogo;
    Run({"x", argument});
    EXPECT_FALSE(logoWindowAtStart) << argument;
    EXPECT_TRUE(MacEnv::LogoSuppressed);
  }
}

TEST(GetFromCommandLine, FetchesTheArgumentAKeyEnds) {
  char program[] = "m";
  char x[] = "-X";
  char abc[] = "abc";
  char* argv[] = {program, x, abc};
  MacEnv::BuildCommandLine(3, argv);
  struct Case {
    const char* key;
    bool found;
    const char* result;
  };
  for (const Case c : {Case{"-X", true, "-X"}, Case{"-x", true, "-X"}, Case{"-Y", false, "old"},
                       Case{"ab", false, "old"}, Case{"", false, "old"}}) {
    char result[256] = "old";
    EXPECT_EQ(MacEnv::GetFromCommandLine(result, std::string_view(c.key)), c.found) << c.key;
    EXPECT_STREQ(result, c.result) << c.key;
  }
  // A key that ends inside a quoted argument that goes on: the next
  // separator gives an empty result.
  char result[256] = "old";
  Strings::Assign(MacEnv::CommandLine, "\"abc\", \"x\"");
  EXPECT_TRUE(MacEnv::GetFromCommandLine(result, "a"));
  EXPECT_STREQ(result, "");
  Strings::Assign(MacEnv::CommandLine, "-f file.txt,-g");
  EXPECT_TRUE(MacEnv::GetFromCommandLine(result, "-f"));
  EXPECT_STREQ(result, "-f");
  EXPECT_TRUE(MacEnv::GetFromCommandLine(result, "file"));
  EXPECT_STREQ(result, "file.txt");
  EXPECT_TRUE(MacEnv::GetFromCommandLine(result, "-g"));
  EXPECT_STREQ(result, "-g");
}

TEST(AlertAndExit, AnEmptyMessageOnlySetsTheFlag) {
  MacEnv::Terminated = false;
  testing::internal::CaptureStderr();
  MacEnv::AlertAndExit("");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(MacEnv::Terminated);
  MacEnv::Terminated = false;
}

TEST_F(StartupTest, TheCarbonLibVersionCheck) {
  struct Case {
    bool answers;
    std::int32_t version;
    bool fails;
  };
  for (const Case c : {Case{true, 0x15F, true}, Case{true, 0x160, false}, Case{false, 0, false},
                       Case{true, 0, false}}) {
    Gestalt::ClearAnswers();
    if (c.answers) Gestalt::SetAnswer(0x63626F6E, c.version);
    const std::string shown = Run({});
    EXPECT_EQ(shown.find("CarbonLib version 1.6 or later required!") != std::string::npos, c.fails) << c.version;
    EXPECT_EQ(MacEnv::Terminated.load(), c.fails) << c.version;
  }
}

TEST_F(StartupTest, WithoutMenuBar129TheProgramEndsAndStillShutsDown) {
  ASSERT_TRUE(Resources::Load("menu 1 \"Mereth\"\n  1 item \"About Mereth...\"\nwindow 143 at 4 44 size 500 300 proc 8 "
                              "title \"List\"\n"));
  body = [] {
    UserQueue::InstallAfterProc(ExitP);
    ReadUntilTerminated();
  };
  Headless::Wait(5);
  Headless::Key('a', 'a', 0);
  const std::string shown = Run({});
  EXPECT_NE(shown.find("Menu resource could not be loaded!"), std::string::npos);
  EXPECT_EQ(events, "start;p;");
  EXPECT_TRUE(codes.empty());
  EXPECT_EQ(Headless::PendingSteps(), 1u);
  EXPECT_EQ(Windows::FirstWindow(), nullptr);
}

TEST_F(StartupTest, AStartProcedureThatReturnsAtOnceGetsTheWholeShutDown) {
  body = [] {
    UserQueue::InstallAfterProc(ExitP);
    UserQueue::InstallAfterProc(ExitQ);
    UserQueue::InstallAfterProc(ExitR);
  };
  Run({});
  EXPECT_EQ(events, "start;r(heap,logo);q;p;");
  EXPECT_EQ(MacEnv::LogoWindowPtr, nullptr);
  EXPECT_EQ(Windows::FirstWindow(), nullptr);
  EXPECT_EQ(Buffer::Lookup("/Shell"), nullptr);
  EXPECT_EQ(MacEnv::theMenuBar, nullptr);
}

TEST_F(StartupTest, TheStartProcedureFindsTheClipboardsTextInThePasteBuffer) {
  const char text[] = "first\rsecond";
  ASSERT_EQ(Scrap::PutScrapFlavor(Scrap::kText, std::span<const char>(text, sizeof text - 1)), Scrap::kNoErr);
  body = [] {
    const BufferText::TextBuffer paste = Buffer::Lookup("/User/Edit.Paste");
    ASSERT_NE(paste, nullptr);
    ASSERT_EQ(BufferText::RecordCount(paste), 2);
    char line[256];
    BufferText::Get(paste, 2, line);
    EXPECT_STREQ(line, "second");
    events += "paste;";
  };
  Run({});
  EXPECT_EQ(events, "start;paste;");
}

void Go() { events += ModMenus::ExecutingMenuProc() ? "go(in menu);" : "go;"; }

TEST_F(StartupTest, AMenuItemRunsInsideInputWhichThenGivesTheMenuCode) {
  body = [] {
    ModMenus::CreateMenu(ModMenus::FileMenu, "File");
    ModMenus::AppendItem(ModMenus::FileMenu, "Go");
    ModMenus::SetItemProc(ModMenus::FileMenu, 1, Go);
    ModMenus::SetCommandKey(ModMenus::FileMenu, 1, 'G');
    ModMenus::AppendMenu(ModMenus::FileMenu);
    ReadUntilTerminated();
  };
  // The File menu's title follows the application menu's "Mereth".
  Headless::RunScript(
      "wait 2\n"
      "key g cmd\n"
      "move 88 10\n"
      "down\n"
      "move 95 30\n"
      "up\n");
  Run({});
  EXPECT_EQ(events, "start;go(in menu);go(in menu);");
  EXPECT_EQ(std::count(codes.begin(), codes.end(), ANSIBase::KeyMenu), 2) << testing::PrintToString(codes);
  EXPECT_EQ(codes.back(), ANSIBase::KeyNone);
}

TEST_F(StartupTest, TheQuitRequestCallsTheQuitProcedure) {
  body = [] {
    ModMenus::CreateMenu(ModMenus::FileMenu, "File");
    ModMenus::AddQuitMenu([] { events += "quit item;"; }, [] {
      events += "quit request;";
      MacEnv::Terminate();
    });
    ReadUntilTerminated();
  };
  Headless::RunScript("wait 2\nquit\nwait 100\nkey a\n");
  Run({});
  EXPECT_EQ(events, "start;quit request;");
  EXPECT_EQ(Headless::PendingSteps(), 1u);
}

// The about box, opened by the start procedure; what happens next is the
// script's. Probes record whether it is still open.
std::string probes;
void Probe(void*) { probes += MacEnv::LogoShown ? "open;" : "closed;"; }
void InvalidateLogo(void*) { Windows::InvalRect(MacEnv::LogoWindowPtr, Geometry::SetRect(0, 0, 50, 50)); }

class AboutBoxTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    probes.clear();
    body = [] {
      MacEnv::AboutLogo();
      probes += "returned;";
    };
    Headless::Wait(2);
    Headless::Call(InvalidateLogo, nullptr);
    Headless::Wait(0.5);
    Headless::Call(Probe, nullptr);
    // The console window moved, by a command-drag of its title bar.
    Headless::Press(55);
    Headless::MoveTo(Geometry::Point{250, 33});
    Headless::Down();
    Headless::MoveTo(Geometry::Point{260, 60});
    Headless::Up();
    Headless::Release(55);
    Headless::Wait(0.5);
    Headless::Call(Probe, nullptr);
  }
  void ExpectClosedBy() {
    Headless::Wait(0.5);
    Headless::Call(Probe, nullptr);
    Run({});
    EXPECT_EQ(probes, "open;open;returned;");
    EXPECT_FALSE(MacEnv::LogoShown);
  }
};

TEST_F(AboutBoxTest, ClosesOnAKey) {
  Headless::Key('x', 'x', 0);
  ExpectClosedBy();
}

TEST_F(AboutBoxTest, ClosesOnAClickInIt) {
  Headless::Click(Geometry::Point{300, 200});
  ExpectClosedBy();
}

TEST_F(AboutBoxTest, ClosesOnAClickInAnotherWindow) {
  Headless::Click(Geometry::Point{60, 300});
  ExpectClosedBy();
}

TEST_F(AboutBoxTest, ClosesWhenTheProgramIsToEnd) {
  Headless::Quit();
  ExpectClosedBy();
  EXPECT_TRUE(MacEnv::Terminated);
}

}  // namespace
