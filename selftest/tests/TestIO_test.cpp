// The gated test output and the operator's flags.

#include "Selftest_fixture.h"
#include "acquisition/ADMeasure.h"
#include "selftest/TestBase.h"
#include "selftest/TestIO.h"
#include "shell/Mouse.h"

namespace {

class TestIOTest : public SelftestTest {};

void WriteEverything() {
  TestIO::WriteRealFixed(1.5, 6, 2);
  TestIO::Write('c');
  TestIO::WriteReal(1234.5, 12, 3);
  TestIO::WriteEngineering(1500, 9, 8);
  TestIO::WriteInt(-42, 5);
  TestIO::WriteSet16(5);
  TestIO::WriteString(" text");
  TestIO::WriteLine(" line");
  TestIO::WriteLn();
}

TEST_F(TestIOTest, SilentWithoutTestOutputButTheCursorStillMoves) {
  ADMeasure::TestWriteMode = 0;
  Mouse::SetCursorShape(Mouse::kArrow);
  TestIO::WriteLn();
  TestIO::ClearScreen();
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kArrow) << "a line end leaves the cursor alone";
  WriteEverything();
  EXPECT_EQ(Mouse::GetCursorShape(), Mouse::kWait);
  EXPECT_EQ(Notebook(), "");
}

TEST_F(TestIOTest, WritesThroughTheConsoleWithTestOutputOn) {
  ADMeasure::TestWriteMode = 1;
  WriteEverything();
  EXPECT_EQ(Notebook(), "  1.50c   1.234E+03  1.5000k  -420000000000000101 text line\n\n");
}

TEST_F(TestIOTest, TheFlagsStartCleared) {
  TestBase::Aborted = TestBase::Pausing = TestBase::GeneratorOn = true;
  TestBase::InitModule();
  EXPECT_FALSE(TestBase::Aborted || TestBase::Pausing || TestBase::GeneratorOn ||
               TestBase::DataPlotting || TestBase::WriteState || TestBase::Continue ||
               TestBase::Stopped || TestBase::Repeat);
}

}  // namespace
