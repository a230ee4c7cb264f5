#include "foundation/LogUtil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "TempDirectory_fixture.h"
#include "foundation/RealTime.h"

namespace {

// The text after a time stamp "dd-Mon-yyyy hh:mm:ss.mmm - "; "?" when the
// line has none.
std::string AfterStamp(const std::string& line) {
  const std::string form = "99-Aaa-9999 99:99:99.999 - ";
  if (line.size() < form.size()) return "?";
  for (std::size_t i = 0; i < form.size(); ++i) {
    const unsigned char c = line[i];
    const bool fits = form[i] == '9'   ? std::isdigit(c) != 0
                      : form[i] == 'A' ? std::isupper(c) != 0
                      : form[i] == 'a' ? std::islower(c) != 0
                                       : c == form[i];
    if (!fits) return "?";
  }
  return line.substr(form.size());
}

class LogUtilTest : public TempDirectoryTest {
 protected:
  void SetUp() override {
    TempDirectoryTest::SetUp();
    RealTime::InitModule();
    LogUtil::InitModule();
  }
  void TearDown() override {
    LogUtil::Shutdown();
    TempDirectoryTest::TearDown();
  }

  std::vector<std::string> LogLines() const {
    std::istringstream in(FileContent("QV_Log.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(LogUtilTest, NothingIsWrittenBeforeOpenLog) {
  LogUtil::WriteToLog("lost");
  LogUtil::WriteToLogInt("n", 1);
  EXPECT_FALSE(FileExists("QV_Log.txt"));
  EXPECT_TRUE(LogUtil::CloseLog());
  EXPECT_FALSE(LogUtil::LogHandle.open);
}

TEST_F(LogUtilTest, LinesCarryTheirTimeStamp) {
  PutFile("QV_Log.txt", "an older log\n");
  EXPECT_TRUE(LogUtil::OpenLog());
  EXPECT_TRUE(LogUtil::LogHandle.open);
  EXPECT_EQ(FileContent("QV_Log.txt"), "");
  LogUtil::WriteToLog("started");
  LogUtil::WriteToLogString("T3Set", "latch");
  LogUtil::WriteToLogInt("T3Set: T3BoardLatch", 4);
  LogUtil::WriteToLogFixed("gain", 1.5);
  EXPECT_TRUE(LogUtil::CloseLog());
  EXPECT_FALSE(LogUtil::LogHandle.open);
  LogUtil::WriteToLog("after close");

  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  const std::vector<std::string> texts = {
      "started", "T3Set: latch", "T3Set: T3BoardLatch:        4", "gain:         1.5000000000"};
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(AfterStamp(lines[i]), texts[i]);
}

TEST_F(LogUtilTest, ReopeningStartsANewLog) {
  LogUtil::OpenLog();
  LogUtil::WriteToLog("first");
  LogUtil::OpenLog();
  LogUtil::WriteToLog("second");
  LogUtil::Shutdown();
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(" - second"), std::string::npos);
}

}  // namespace
