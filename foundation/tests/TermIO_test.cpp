#include "foundation/TermIO.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Console_fixture.h"
#include "foundation/RealTime.h"
#include "terminal/EditState.h"

namespace {

using TermIOTest = ConsoleTest;
using Lines = std::vector<std::string>;

TEST_F(TermIOTest, EachLineBecomesARecordAndATerminalLine) {
  TermIO::WriteLine("abc");
  TermIO::WriteLine("def");
  EXPECT_EQ(Records(), (Lines{"abc", "def"}));
  EXPECT_EQ(Bottom(3), (Lines{"", "abc", "def"}));
}

TEST_F(TermIOTest, PiecesMakeOneLine) {
  TermIO::WriteString("a");
  TermIO::Write('b');
  TermIO::WriteString("");
  TermIO::WriteInt(12, 3);
  EXPECT_STREQ(TermIO::BufferString, "ab 12");
  EXPECT_TRUE(Records().empty());
  TermIO::WriteLn();
  EXPECT_EQ(Records(), (Lines{"ab 12"}));
  EXPECT_EQ(Bottom(1), (Lines{"ab 12"}));
}

TEST_F(TermIOTest, TwoLineEndsMakeAnEmptyLine) {
  TermIO::WriteLine("x");
  TermIO::WriteLn();
  TermIO::WriteLine("y");
  EXPECT_EQ(Records(), (Lines{"x", "", "y"}));
  EXPECT_EQ(Bottom(4), (Lines{"", "x", "", "y"}));
}

TEST_F(TermIOTest, WithTheNotebookWindowClosedTextStillReachesTheNotebook) {
  EditState::ListConsole = nullptr;
  EditState::Console = nullptr;
  TermIO::WriteLine("one");
  TermIO::WriteLn();
  TermIO::WriteAlertLine("alert");
  TermIO::ClearScreen();
  EXPECT_EQ(Records(),
            (Lines{"one", "", "alert", "",
                   " (* ------------------------------------------------------------ *) "}));
  EXPECT_EQ(Screen(), Lines(kLines, ""));
}

TEST_F(TermIOTest, ALongLineIsCutInTheNotebookOnly) {
  const std::string text(300, 'z');
  TermIO::WriteString(Text(text.substr(0, 200)));
  TermIO::WriteString(Text(text.substr(200)));
  EXPECT_EQ(std::string(TermIO::BufferString), text.substr(0, 255));
  TermIO::WriteLn();
  EXPECT_EQ(Records(), (Lines{text.substr(0, 255)}));
  EXPECT_EQ(terminal_->cursorColumn, 300);
  EXPECT_EQ(Bottom(1), (Lines{text.substr(0, kColumns)}));
}

TEST_F(TermIOTest, FormattedWrites) {
  struct Case {
    std::function<void()> write;
    std::string text;
  };
  const double time = 13 * 3600 + 5 * 60 + 33.25;
  const std::vector<Case> cases = {
      {[] { TermIO::WriteBoolean(true); }, " TRUE"},
      {[] { TermIO::WriteBoolean(false); }, "FALSE"},
      {[] { TermIO::WriteInt(-42, 6); }, "   -42"},
      {[] { TermIO::WriteInt(123456, 4); }, " ***"},
      {[] { TermIO::WriteCard(4294967295u, 0); }, "4294967295"},
      {[] { TermIO::WriteAddress(nullptr, 3); }, "  0"},
      {[] { TermIO::WriteAddress(reinterpret_cast<void*>(0x123456789ull), 12); }, "  4886718345"},
      {[] { TermIO::WriteHex(255, 1); }, "FF"},
      {[] { TermIO::WriteHex(0, 0); }, "0"},
      {[] { TermIO::WriteHex(10, 4); }, "   A"},
      {[] { TermIO::WriteHex(0x10000000u, 2); }, "10000000"},
      {[] { TermIO::WriteReal(1.5, 5, 3); }, "*****"},
      {[] { TermIO::WriteReal(1.5, 12, 3); }, "   1.500E+00"},
      {[] { TermIO::WriteReal(-1.5, 10, 3); }, "-1.500E+00"},
      {[] { TermIO::WriteRealFixed(2.5, 6, 2); }, "  2.50"},
      {[] { TermIO::WriteEngineering(12345.0, 10, 8); }, "   12.345k"},
      {[] { TermIO::WriteSet16(5, 4); }, "0101"},
      {[] { TermIO::WriteSet32(0x80000001u, 32); }, "10000000000000000000000000000001"},
      {[time] { TermIO::WriteTime(time); }, "13:05:33.250"},
      {[] { TermIO::WriteDate(0); }, "1990/01/01 00:00:00.000"},
  };
  for (const Case& c : cases) {
    c.write();
    EXPECT_EQ(std::string(TermIO::BufferString), c.text);
    TermIO::WriteLn();
  }
}

TEST_F(TermIOTest, AnAlertLineStandsHighlightedOnItsOwnLine) {
  TermIO::WriteString("part");
  TermIO::WriteAlertLine("WARNING");
  TermIO::WriteLine("after");
  EXPECT_EQ(Records(), (Lines{"part", "WARNING", "after"}));
  EXPECT_EQ(Bottom(3), (Lines{"part", "WARNING", "after"}));
  EXPECT_EQ(ANSITerm::ScreenRendition(terminal_, kLines - 1, 1), ANSITerm::kHighlight);
  EXPECT_EQ(ANSITerm::ScreenRendition(terminal_, kLines - 1, 7), ANSITerm::kHighlight);
  EXPECT_EQ(ANSITerm::ScreenRendition(terminal_, kLines, 1), ANSITerm::kNormal);
  EXPECT_EQ(ANSITerm::ScreenRendition(terminal_, kLines - 2, 1), ANSITerm::kNormal);
  EXPECT_EQ(terminal_->rendition, ANSITerm::kNormal);
}

TEST_F(TermIOTest, SetHighlightMarksTheTextThatFollows) {
  TermIO::WriteString("ok ");
  TermIO::SetHighlight(true);
  TermIO::WriteString("FAILED");
  TermIO::SetHighlight(false);
  TermIO::WriteLn();
  EXPECT_EQ(Records(), (Lines{"ok FAILED"}));
  EXPECT_EQ(ANSITerm::ScreenRendition(terminal_, kLines, 1), ANSITerm::kNormal);
  EXPECT_EQ(ANSITerm::ScreenRendition(terminal_, kLines, 4), ANSITerm::kHighlight);
  EXPECT_EQ(ANSITerm::ScreenRendition(terminal_, kLines, 9), ANSITerm::kHighlight);
}

TEST_F(TermIOTest, FlushStoresThePendingLine) {
  EXPECT_FALSE(TermIO::Written);
  TermIO::WriteString("abc");
  EXPECT_TRUE(TermIO::Written);
  EXPECT_FALSE(TermIO::NewLine);
  TermIO::Flush();
  EXPECT_FALSE(TermIO::Written);
  EXPECT_TRUE(TermIO::NewLine);
  TermIO::Flush();
  TermIO::WriteLine("def");
  EXPECT_TRUE(TermIO::Written);
  EXPECT_EQ(Records(), (Lines{"abc", "def"}));
  EXPECT_EQ(Bottom(2), (Lines{"abc", "def"}));
}

TEST_F(TermIOTest, ClearScreenKeepsTheNotebook) {
  TermIO::WriteLine("kept");
  TermIO::WriteString("pending");
  TermIO::ClearScreen();
  EXPECT_EQ(Screen(), Lines(kLines, ""));
  TermIO::ClearScreen();
  TermIO::WriteLine("next");
  const std::string separator =
      " (* ------------------------------------------------------------ *) ";
  EXPECT_EQ(Records(), (Lines{"kept", "pending", separator, "", separator, "next"}));
  EXPECT_EQ(Bottom(2), (Lines{"", "next"}));
}

TEST_F(TermIOTest, InitModuleStartsAFreshLine) {
  TermIO::WriteString("stale");
  TermIO::InitModule();
  EXPECT_STREQ(TermIO::BufferString, "");
  EXPECT_TRUE(TermIO::NewLine);
  EXPECT_FALSE(TermIO::Written);
}

}  // namespace
