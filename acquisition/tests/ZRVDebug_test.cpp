#include "acquisition/ZRVDebug.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/IOBase.h"
#include "foundation/IOFiles.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "foundation/tests/TempDirectory_fixture.h"

namespace {

using Calls = std::vector<std::string>;
Calls hookCalls;

void RecordSetDebug(bool on) { hookCalls.push_back(on ? "SetDebug(TRUE)" : "SetDebug(FALSE)"); }
void RecordActivateLogging() { hookCalls.push_back("ActivateLogging"); }

// Each test runs in a fresh directory, made the program's current one, with
// the clock standing still so that the log names are known in advance.
class ZRVDebugTest : public TempDirectoryTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(TempDirectoryTest::SetUp());
    Platform::UseVirtualClock(Platform::ElapsedSeconds());
    RealTime::InitModule();
    hookCalls.clear();
    ZRVDebug::TimerTaskSetDebug = RecordSetDebug;
    ZRVDebug::InterfaceActivateLogging = RecordActivateLogging;
    ZRVDebug::InitModule();
  }

  void TearDown() override {
    ZRVDebug::InitModule();
    ZRVDebug::TimerTaskSetDebug = ZRVDebug::NoSetDebug;
    ZRVDebug::InterfaceActivateLogging = ZRVDebug::NoActivateLogging;
    Platform::UseRealClock();
    TempDirectoryTest::TearDown();
  }

  // A switch file.
  void PutFile(const std::string& name) const { TempDirectoryTest::PutFile(name, "1\n"); }

  // The date and time part of a log name made now: 2026-12-07_22-13-12.
  static std::string Stamp() {
    char date[21];
    RealTime::ToDate(RealTime::GetTime(), date, true, false);
    std::string stamp = date;
    for (char& c : stamp) {
      if (c == ' ') c = '_';
      if (c == '/' || c == ':' || c == '.') c = '-';
    }
    return stamp;
  }

};

TEST_F(ZRVDebugTest, WithoutTheSwitchNothingIsOpened) {
  PutFile("ADTaskDebug.On");
  ZRVDebug::Activate(ZRVBase::BoardZRV24);
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusOff);
  EXPECT_FALSE(ZRVDebug::DebugOn);
  EXPECT_STREQ(ZRVDebug::DebugFile, "");
  EXPECT_EQ(hookCalls, (Calls{"SetDebug(FALSE)"}));
  ZRVDebug::ResumeLines();
  ZRVDebug::DebugWrite("ReadData");
  EXPECT_EQ(Listing(), "ADTaskDebug.On");
}

TEST_F(ZRVDebugTest, FileNamesByBoardType) {
  struct Case {
    int board;
    std::string name;  // before the stamp
    std::string extension;
  };
  const std::vector<Case> cases = {
      {0, "ZRV24_", ".txt"},  {1, "ZRV28_", ".txt"}, {2, "ZRV2400_", ".txt"},
      {3, "QRN55_", ".html"}, {4, "ZRV??_", ".txt"}, {200, "ZRV??_", ".txt"},
  };
  PutFile("ZRVDebug.On");
  for (const Case& c : cases) {
    // A new second for each board, so that no name needs a number.
    Platform::Advance(1.0);
    hookCalls.clear();
    ZRVDebug::Activate(static_cast<ZRVBase::BoardType>(c.board));
    const std::string name = c.name + Stamp() + c.extension;
    EXPECT_EQ(std::string(ZRVDebug::DebugFile), Dir() + name) << c.board;
    EXPECT_TRUE(ZRVDebug::DebugOn);
    if (c.board == ZRVBase::BoardQRN55) {
      // The interface driver opens its own log under the name.
      EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusEnabled);
      EXPECT_EQ(hookCalls, (Calls{"SetDebug(FALSE)", "ActivateLogging"}));
      EXPECT_FALSE(std::filesystem::exists(Dir() + name));
    } else {
      // The file is made at once and stays empty without "ADTaskDebug.On".
      EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusPaused) << c.board;
      EXPECT_EQ(hookCalls, (Calls{"SetDebug(FALSE)"}));
      ZRVDebug::DebugWrite("ReadData");
      ZRVDebug::Shutdown();
      EXPECT_TRUE(std::filesystem::exists(Dir() + name)) << name;
      EXPECT_EQ(FileContent(name), "");
    }
  }
  EXPECT_EQ(Stamp().size(), 19u);
}

TEST_F(ZRVDebugTest, LinesAreWrittenWhileTheTimerTaskRuns) {
  PutFile("ZRVDebug.On");
  PutFile("ADTaskDebug.On");
  ZRVDebug::Activate(ZRVBase::BoardZRV28);
  const std::string name = "ZRV28_" + Stamp() + ".txt";
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusWriting);
  EXPECT_EQ(hookCalls, (Calls{"SetDebug(FALSE)", "SetDebug(TRUE)"}));

  char line[256];
  ZRVDebug::DebugTitleAndTime("ReadData         ", line);
  Strings::Concat(line, "   1024 - 0");
  ZRVDebug::DebugWrite(line);
  ZRVDebug::PauseLines();  // the timer task stops
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusPaused);
  ZRVDebug::DebugWrite("not while paused");
  ZRVDebug::ResumeLines();  // the next run starts
  ZRVDebug::DebugWrite("Stop");
  ZRVDebug::Shutdown();

  char time[13];
  RealTime::ToTime(RealTime::GetTime(), time, true);
  EXPECT_EQ(FileContent(name), "ReadData          " + std::string(time) + "     1024 - 0\nStop\n");
  EXPECT_EQ(std::string(time).size(), 12u);
}

TEST_F(ZRVDebugTest, TitleAndTimeKeepToTheLine) {
  char time[13];
  RealTime::ToTime(RealTime::GetTime(), time, true);
  char line[256] = "stale";
  ZRVDebug::DebugTitleAndTime("Start            ", line);
  EXPECT_EQ(std::string(line), "Start             " + std::string(time) + "  ");
  char shortLine[10];
  ZRVDebug::DebugTitleAndTime("AppendData       ", shortLine);
  EXPECT_STREQ(shortLine, "AppendDat");
}

TEST_F(ZRVDebugTest, ShutdownKeepsAnOpenedLogEnabled) {
  PutFile("ZRVDebug.On");
  PutFile("ADTaskDebug.On");
  ZRVDebug::Activate(ZRVBase::BoardZRV24);
  const std::string first = "ZRV24_" + Stamp() + ".txt";
  ZRVDebug::DebugWrite("first");
  ZRVDebug::Shutdown();
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusEnabled);
  EXPECT_STREQ(ZRVDebug::DebugFile, "");
  ZRVDebug::DebugWrite("after the shutdown");

  // The switches are gone, but the next activation still opens a log.
  std::filesystem::remove(Dir() + "ZRVDebug.On");
  std::filesystem::remove(Dir() + "ADTaskDebug.On");
  Platform::Advance(1.0);
  ZRVDebug::Activate(ZRVBase::BoardZRV24);
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusPaused);
  const std::string second = "ZRV24_" + Stamp() + ".txt";
  EXPECT_EQ(std::string(ZRVDebug::DebugFile), Dir() + second);
  ZRVDebug::Shutdown();
  EXPECT_EQ(FileContent(first), "first\n");
  EXPECT_EQ(FileContent(second), "");
}

TEST_F(ZRVDebugTest, LogsWithinOneSecondGetNumbersInsteadOfReplacingEachOther) {
  PutFile("ZRVDebug.On");
  PutFile("ADTaskDebug.On");
  const std::string stamp = Stamp();
  for (const std::string text : {"one", "two", "three"}) {
    ZRVDebug::Activate(ZRVBase::BoardZRV24);
    ZRVDebug::DebugWrite(Text(text));
  }
  ZRVDebug::Shutdown();
  EXPECT_EQ(FileContent("ZRV24_" + stamp + ".txt"), "one\n");
  EXPECT_EQ(FileContent("ZRV24_" + stamp + "_2.txt"), "two\n");
  EXPECT_EQ(FileContent("ZRV24_" + stamp + "_3.txt"), "three\n");

  // The driver's HTML log is named the same way.
  PutFile("QRN55_" + stamp + ".html");
  ZRVDebug::Activate(ZRVBase::BoardQRN55);
  EXPECT_EQ(std::string(ZRVDebug::DebugFile), Dir() + "QRN55_" + stamp + "_2.html");
}

TEST_F(ZRVDebugTest, AFailedLogStaysFailed) {
  PutFile("ZRVDebug.On");
  PutFile("ADTaskDebug.On");
  // A directory under the log's name: the name is free of files, yet the
  // open fails.
  const std::string name = "ZRV28_" + Stamp() + ".txt";
  std::filesystem::create_directory(Dir() + name);
  testing::internal::CaptureStderr();
  ZRVDebug::Activate(ZRVBase::BoardZRV28);
  const std::string alert = testing::internal::GetCapturedStderr();
  char error[128];
  IOFiles::Message(-43, error);
  EXPECT_NE(alert.find("ADTimerTask Debug file not created: " + std::string(error)),
            std::string::npos)
      << alert;
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusFailed);
  EXPECT_FALSE(ZRVDebug::DebugOn);
  EXPECT_EQ(hookCalls, (Calls{"SetDebug(FALSE)"}));

  // Neither the timer task's start nor its stop revives it.
  ZRVDebug::ResumeLines();
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusFailed);
  ZRVDebug::PauseLines();
  ZRVDebug::ResumeLines();
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusFailed);
  ZRVDebug::Shutdown();
  EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusFailed);
}

TEST_F(ZRVDebugTest, TheTimerTaskMovesOnlyBetweenWritingAndPaused) {
  struct Case {
    std::uint8_t before;
    std::uint8_t afterPause;
    std::uint8_t afterResume;
  };
  using ZRVDebug::StatusEnabled, ZRVDebug::StatusFailed, ZRVDebug::StatusOff,
      ZRVDebug::StatusPaused, ZRVDebug::StatusWriting;
  const std::vector<Case> cases = {
      {StatusOff, StatusOff, StatusOff},
      {StatusFailed, StatusFailed, StatusFailed},
      {StatusEnabled, StatusEnabled, StatusEnabled},
      {StatusWriting, StatusPaused, StatusWriting},
      {StatusPaused, StatusPaused, StatusWriting},
  };
  for (const Case& c : cases) {
    ZRVDebug::DebugStatus = c.before;
    ZRVDebug::PauseLines();
    EXPECT_EQ(ZRVDebug::DebugStatus, c.afterPause) << int{c.before};
    ZRVDebug::DebugStatus = c.before;
    ZRVDebug::ResumeLines();
    EXPECT_EQ(ZRVDebug::DebugStatus, c.afterResume) << int{c.before};
  }
}

TEST_F(ZRVDebugTest, ALogPathTooLongFailsInsteadOfUsingACutName) {
  PutFile("ZRVDebug.On");
  // A directory whose path leaves too little room for a log name.
  // Room for the switch's name, none for a log's.
  std::string deep = Dir();
  while (deep.size() + 11 < 240) deep += "d123456789/";
  deep += std::string(239 - deep.size(), 'e') + "/";
  ASSERT_EQ(deep.size(), 240u);
  std::filesystem::create_directories(deep);
  std::filesystem::copy_file(Dir() + "ZRVDebug.On", deep + "ZRVDebug.On");
  ASSERT_EQ(IOBase::SetDirectory(Text(deep)), 0);
  for (int board : {0, 3}) {
    hookCalls.clear();
    testing::internal::CaptureStderr();
    ZRVDebug::Activate(static_cast<ZRVBase::BoardType>(board));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ADTimerTask Debug file not created"),
              std::string::npos);
    EXPECT_EQ(ZRVDebug::DebugStatus, ZRVDebug::StatusFailed);
    EXPECT_STREQ(ZRVDebug::DebugFile, "");
    EXPECT_EQ(hookCalls, (Calls{"SetDebug(FALSE)"}));
  }
  std::vector<std::string> logs;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Dir())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("ZRV24_", 0) == 0 || name.rfind("QRN55_", 0) == 0) logs.push_back(name);
  }
  EXPECT_TRUE(logs.empty());
}

}  // namespace
