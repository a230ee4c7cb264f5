#include "foundation/TellTaleFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "Console_fixture.h"
#include "foundation/IOBase.h"

namespace {

using TellTaleFileTest = ConsoleTest;
using Lines = std::vector<std::string>;

TEST_F(TellTaleFileTest, AValuedSwitchGivesItsNumberAndAnnouncesItself) {
  PutFile("ZRVSync.On", "3\r\nmore\nlines\n");
  EXPECT_EQ(TellTaleFile::Number("ZRVSync.On"), 3.0);
  EXPECT_EQ(Records(), (Lines{"TellTaleFile: \"ZRVSync.On\", \"3\""}));
  EXPECT_EQ(Bottom(1), Records());
  EXPECT_EQ(ANSITerm::ScreenRendition(terminal_, kLines, 1), ANSITerm::kHighlight);
  char line[16];
  EXPECT_TRUE(TellTaleFile::FirstLine("ZRVSync.On", line));
  EXPECT_STREQ(line, "3");
}

TEST_F(TellTaleFileTest, AnAbsentSwitchIsSilent) {
  char line[16] = "stale";
  EXPECT_FALSE(TellTaleFile::Exists("ZRVSync.On"));
  EXPECT_FALSE(TellTaleFile::FirstLine("ZRVSync.On", line));
  EXPECT_STREQ(line, "");
  EXPECT_EQ(TellTaleFile::Number("ZRVSync.On"), 0.0);
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(Screen(), Lines(kLines, ""));
}

TEST_F(TellTaleFileTest, EachCallAnnouncesTheSwitchAgain) {
  PutFile("ZRVSync.On", "");
  EXPECT_TRUE(TellTaleFile::Exists("ZRVSync.On"));
  EXPECT_EQ(TellTaleFile::Number("ZRVSync.On"), 0.0);
  EXPECT_EQ(Records(),
            (Lines{"TellTaleFile: \"ZRVSync.On\"", "TellTaleFile: \"ZRVSync.On\", \"\""}));
}

TEST_F(TellTaleFileTest, FirstLines) {
  struct Case {
    std::string content;
    double number;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"12.5 volts\n", 12.5, "12.5 volts"},
      {"-7", -7.0, "-7"},
      {"none\n4\n", 0.0, "none"},
      {"\n4\n", 0.0, ""},
      {"1e3\r", 1000.0, "1e3"},
  };
  for (const Case& c : cases) {
    PutFile("PKBooster.On", c.content);
    EXPECT_EQ(TellTaleFile::Number("PKBooster.On"), c.number) << c.content;
    char line[32];
    EXPECT_TRUE(TellTaleFile::FirstLine("PKBooster.On", line));
    EXPECT_EQ(std::string(line), c.line);
  }
  // A line longer than the text is cut to its capacity.
  PutFile("QRN2400Version.On", "123456789\n");
  char shortLine[5];
  EXPECT_TRUE(TellTaleFile::FirstLine("QRN2400Version.On", shortLine));
  EXPECT_STREQ(shortLine, "1234");
}

TEST_F(TellTaleFileTest, SwitchesAreLookedUpInTheCurrentDirectory) {
  PutFile("T3Debug.On", "2");
  ASSERT_EQ(mkdir(Path("other").c_str(), 0755), 0);
  ASSERT_EQ(IOBase::SetDirectory("other"), 0);
  EXPECT_FALSE(TellTaleFile::Exists("T3Debug.On"));
  EXPECT_EQ(TellTaleFile::Number("T3Debug.On"), 0.0);
  ASSERT_EQ(IOBase::SetDirectory(".."), 0);
  EXPECT_TRUE(TellTaleFile::Exists("T3Debug.On"));
  // A directory of the switch's name is no switch.
  ASSERT_EQ(mkdir(Path("ZRVTest.On").c_str(), 0755), 0);
  EXPECT_FALSE(TellTaleFile::Exists("ZRVTest.On"));
}

}  // namespace
