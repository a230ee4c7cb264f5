// The report: routing and the line buffer, number formats, the checks and
// their counting, the group writers, the headers and the report file.

#include <cmath>
#include <limits>

#include "Golden_fixture.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "Selftest_fixture.h"
#include "foundation/tests/FileSizeLimit_fixture.h"
#include "selftest/Protocol.h"
#include "selftest/TestIO.h"
#include "terminal/ANSITerm.h"

namespace {

using Protocol::MeasuredValue;

class ReportTest : public SelftestTest {
 protected:
  // The text that the writer puts into a report file.
  template <class Write>
  std::string Report(Write write) {
    Protocol::Buffering = true;
    EXPECT_TRUE(Protocol::OpenOutFile("report.txt"));
    write();
    Protocol::CloseOutFile();
    Protocol::Buffering = false;
    return FileContent("report.txt");
  }
};

constexpr MeasuredValue Passing(double value) { return {value, value - 1, value + 1}; }
constexpr MeasuredValue Failing(double value) { return {value, value + 1, value + 2}; }

TEST_F(ReportTest, AValueOnALimitPassesOneJustOutsideFailsAndNaNFails) {
  const double below = std::nextafter(1.0, 0.0);
  const double above = std::nextafter(2.0, 3.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double value;
    bool fails;
  };
  for (const Case c : {Case{1.0, false}, Case{2.0, false}, Case{below, true}, Case{above, true},
                       Case{nan, true}}) {
    Protocol::TestErrors = 0;
    Protocol::WriteLn();
    Protocol::PutAndCompare(" ", "Gain", {c.value, 1.0, 2.0}, 1, 9, 3);
    EXPECT_EQ(Protocol::TestErrors, c.fails ? 1 : 0) << c.value;
    EXPECT_EQ(Protocol::Failed[Protocol::OutputIndex], c.fails);
  }
  Protocol::DoCompare = false;
  Protocol::TestErrors = 0;
  Protocol::WriteLn();
  Protocol::PutAndCompare(" ", "Gain", {nan, 1.0, 2.0}, 1, 9, 3);
  EXPECT_EQ(Protocol::TestErrors, 0);
  EXPECT_FALSE(Protocol::Failed[Protocol::OutputIndex]);
}

TEST_F(ReportTest, AnUnbufferedFailureIsHighlightedOnTheConsole) {
  Protocol::ShowLimits = false;
  Protocol::WriteTransfer({Failing(1), Passing(0.001), Passing(0.0002)});
  TestIO::WriteLn();
  int row = 0;
  for (int line = 1; line <= kLines; ++line) {
    char text[kColumns + 1];
    ANSITerm::ScreenLine(terminal_, line, text);
    if (std::string(text).find("GAIN") != std::string::npos) row = line;
  }
  ASSERT_GT(row, 0) << Notebook();
  char text[kColumns + 1];
  ANSITerm::ScreenLine(terminal_, row, text);
  const std::string line(text);
  EXPECT_EQ(line, " GAIN    1.000    Offset     1.00    Noise   0.20  FAILED");
  auto rendition = [&](const std::string& word) {
    return ANSITerm::ScreenRendition(terminal_, row, static_cast<int>(line.find(word)) + 1);
  };
  EXPECT_EQ(rendition("GAIN"), ANSITerm::kHighlight);
  EXPECT_EQ(rendition("1.000"), ANSITerm::kHighlight) << "the failed value goes with its name";
  EXPECT_EQ(rendition("Offset"), 0);
  EXPECT_EQ(rendition("FAILED"), ANSITerm::kHighlight);
}

TEST_F(ReportTest, EveryFailedMemberCountsAndItsNameIsInCapitals) {
  Protocol::ShowLimits = false;
  const std::string text = Report([] {
    Protocol::WriteTransfer({Failing(1), Passing(0.001), Failing(0.002)});
  });
  EXPECT_EQ(Protocol::TestErrors, 2);
  EXPECT_EQ(text, " GAIN    1.000    Offset     1.00    NOISE   2.00  FAILED\n\n");
}

TEST_F(ReportTest, NumberFormats) {
  struct Case {
    double x;
    int width;
    int digits;
    bool trim;
    const char* text;
  };
  for (const Case c : {Case{1.5, 9, 3, false, "    1.500"}, Case{1.5, 9, 3, true, "1.500"},
                       Case{12345.678, 11, -3, false, "  1.235E+04"},
                       Case{-0.00125, 12, -3, false, "  -1.250E-03"},
                       Case{12345.678, 9, -3, false, "*********"},
                       Case{0.5, 11, -3, true, "5.000E-01"}}) {
    Protocol::InitModule();
    Protocol::Buffering = true;
    Protocol::WriteReal(c.x, c.width, c.digits, c.trim);
    EXPECT_STREQ(Protocol::OutputBuffer[0], c.text) << c.x << " " << c.width << "." << c.digits;
  }
}

TEST_F(ReportTest, TheBufferKeepsLine31ForEveryFurtherLineEnd) {
  Protocol::Buffering = true;
  Protocol::WriteString("lost before the first line end");
  for (int i = 1; i <= 40; ++i) {
    Protocol::WriteLn();
    Protocol::WriteString("line ");
    char number[8] = "";
    Decode::Integer(i, number, 0);
    Protocol::WriteString(number);
  }
  EXPECT_EQ(Protocol::OutputIndex, 31);
  EXPECT_STREQ(Protocol::OutputBuffer[31], "line 40");
  std::string longText(200, 'x');
  Protocol::WriteString(Text(longText));
  EXPECT_EQ(Strings::Length(Protocol::OutputBuffer[31]), 127);
  Protocol::Flush();
  const std::string notebook = Notebook();
  EXPECT_EQ(notebook.find("lost"), std::string::npos);
  EXPECT_NE(notebook.find("line 30\nline 40xxx"), std::string::npos);
  EXPECT_EQ(Protocol::OutputIndex, 0);
}

TEST_F(ReportTest, ErrorsOnlyFlushesTheFirstTwoAndTheFailedLinesOfAFailedBuffer) {
  Protocol::Buffering = true;
  Protocol::ErrorsOnly = true;
  Protocol::PutString("Block");
  Protocol::WriteTransfer({Passing(1), Passing(0), Passing(0)});
  Protocol::Flush();
  EXPECT_EQ(Notebook().find("Block"), std::string::npos);
  Protocol::PutString("Other");
  Protocol::WriteTransfer({Passing(1), Passing(0), Passing(0)});
  Protocol::WriteTransfer({Failing(1), Passing(0), Passing(0)});
  Protocol::WriteTransfer({Passing(2), Passing(0), Passing(0)});
  Protocol::Flush();
  EXPECT_EQ(Notebook(),
            "\nOther\n GAIN    1.000\n Gain 2.000/3.000  Offset -1000.00/1000.00  Noise "
            "-1000.00/1000.00\n")
      << "the passing lines stay out, and so do the zero values";
}

TEST_F(ReportTest, GroupWritersWithAndWithoutLimits) {
  for (const bool showLimits : {true, false}) {
    Protocol::ShowLimits = showLimits;
    Protocol::TestErrors = 0;
    const std::string text = Report([] {
      Protocol::PutString("Transfer");
      Protocol::WriteTransfer({Passing(1), Passing(0.0015), Passing(0.0002)});
      Protocol::WriteTransfer({Failing(1), Passing(-0.0015), Failing(0.0002)});
      Protocol::PutString("OffsetDac");
      Protocol::WriteOffsetDac({Failing(2048), Passing(0.001), Passing(0.0001), false});
      Protocol::PutString("Span");
      Protocol::WriteSpan({Failing(10.2), Passing(-10.1), Passing(0.002), Passing(0.0003)});
      Protocol::PutString("FQ");
      Protocol::WriteFQ({Failing(2950), Passing(0.71)});
      Protocol::PutString("Risetime");
      Protocol::WriteRisetime({Passing(1), Failing(0.1), Passing(0.5), Passing(0.9)});
      Protocol::PutString("Exponential");
      Protocol::WriteExponential({{1e-4, 2e-4, 3e-4}, Passing(1), Passing(0.01)});
      Protocol::PutString("Single");
      Protocol::WriteGain(Failing(0.99));
      Protocol::WriteLn();
      Protocol::WriteRealValue(Failing(1.25e-12));
      Protocol::WriteLn();
      Protocol::WriteRealScaled("   0V:", Failing(0.0042), 1000, 9, 2);
      Protocol::WriteBool("Check", {true, true}, true);
      Protocol::WriteBool("Failing check", {false, true}, false);
      Protocol::WriteBool("Not performed", {false, false}, false);
      Protocol::WriteErrorNumber();
    });
    EXPECT_EQ(Protocol::TestErrors, 11);
    EXPECT_TRUE(MatchesGolden(text, showLimits ? "groups_limits.txt" : "groups.txt"));
  }
}

TEST_F(ReportTest, TheSummaryLine) {
  Protocol::Buffering = true;
  Protocol::WriteErrorNumber();
  Protocol::TestErrors = 3;
  Protocol::WriteErrorNumber();
  Protocol::DoCompare = false;
  Protocol::WriteErrorNumber();
  Protocol::Flush();
  EXPECT_EQ(Notebook(), "\nNo error conditions found.\n\nFailed parameters: 3\n");
}

TEST_F(ReportTest, Headers) {
  Strings::Assign(Protocol::TesterName, "A. Tester");
  const std::string created = Report([] {
    Protocol::WriteHeader(true, "Test # 7", "TLV4_USB Serial # 123456 - R", "Version 2.3");
  });
  EXPECT_TRUE(MatchesGolden(created, "header_created.txt"));
  Protocol::TesterName[0] = 0;
  const std::string legend = Report([] { Protocol::WriteHeader(false, "", "Line two", "Version 2.3"); });
  EXPECT_TRUE(MatchesGolden(legend, "header_legend.txt"));
  Protocol::Buffering = true;
  Protocol::WriteHeader(true, "", "", "no file, no printer");
  EXPECT_EQ(Protocol::OutputIndex, 0);
}

TEST_F(ReportTest, AReportReplacesALongerOldFileWhole) {
  PutFile("report.txt", std::string(5000, 'o') + "\n");
  const std::string text = Report([] { Protocol::PutString("short"); });
  EXPECT_EQ(text, "\nshort\n\n");
  EXPECT_EQ(Listing(), "report.txt");
}

TEST_F(ReportTest, AFullDiskKeepsTheOldFileAndTheTerminalGetsEverything) {
  const std::string old = "the old report\n";
  PutFile("report.txt", old);
  {
    FileSizeLimit limit(1000);
    Protocol::Buffering = true;
    ASSERT_TRUE(Protocol::OpenOutFile("report.txt"));
    for (int i = 0; i < 100; ++i) {
      Protocol::PutString("a line of the report that fills the disk");
    }
    Protocol::PutString("the last line");
    Protocol::CloseOutFile();
  }
  EXPECT_TRUE(Protocol::FileError);
  EXPECT_FALSE(Protocol::WriteToFile);
  EXPECT_EQ(FileContent("report.txt"), old);
  EXPECT_NE(Notebook().find("the last line"), std::string::npos);
  EXPECT_EQ(Listing(), "report.txt");
}

}  // namespace
