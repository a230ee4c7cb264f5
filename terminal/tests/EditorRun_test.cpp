// End to end: a simulated QRN 5+5 unit is opened through the AD/DA layer
// and measured, which writes console lines into the notebook buffer
// (Shell::List); a
// buffer window on that buffer is then edited by keys and clicks scripted
// through the event source: typing, an undo, a macro learnt and played,
// a cut of two lines and the paste of that multi-line clipboard text. The
// buffer's text follows the same edits made on a plain list of lines, and
// the screen is a golden image.
#include "acquisition/ADMeasure.h"
#include "foundation/BufferText.h"
#include "foundation/TermIO.h"
#include "platform/Desktop.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "shell/Shell.h"
#include "shell/tests/Session_fixture.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/LineEditor.h"
#include "terminal/tests/Editor_fixture.h"
#include "terminal/tests/SimulatedQRN55.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> ListLines() {
  std::vector<std::string> lines;
  char text[EditState::kLineLength + 1];
  for (std::int32_t i = 1; i <= BufferText::RecordCount(Shell::List); ++i) {
    BufferText::Get(Shell::List, i, text);
    lines.emplace_back(text);
  }
  return lines;
}

class EditorRunTest : public ConsoleSessionTest {
 protected:
  void SetUp() override {
    ConsoleSessionTest::SetUp();
    LineEditor::InitModule();
  }
  void TearDown() override {
    Headless::ClearSteps();
    EditUtility::CloseBufferWindow(Shell::List);
    EditState::EditBuffer = nullptr;
    ConsoleSessionTest::TearDown();
  }

  // The interface opened and shut on a simulated unit, as the program
  // opens it: its lines go to the notebook.
  static bool OpenInterface() {
    const SimulatedQRN55 interface("EDITOR01");
    if (interface.Open()) {
      ADMeasure::TestWriteMode = 3;
      for (const double amplitude : {0.25, 0.5, 1.0, 1.5, 2.0}) {
        TermIO::WriteString("Square wave on DAC 0, ADC 0:");
        TermIO::WriteRealFixed(ADMeasure::Gain(0, 0, amplitude, 2e-5), 9, 4);
        TermIO::WriteLn();
      }
      TermIO::WriteLine("Measurement done.");
    }
    TermIO::Flush();
    return interface.Open();
  }
};

TEST_F(EditorRunTest, TheNotebookAfterAnInterfaceOpenIsEditedByKeys) {
  ASSERT_TRUE(OpenInterface());
  std::vector<std::string> expected = ListLines();
  ASSERT_GE(expected.size(), 7u);
  ASSERT_TRUE(EditUtility::OpenBufferWindow(Shell::List, true));
  EditUtility::SetupBuffer(Shell::List, true, true, true);

  // At the top a line typed; after a move (which ends that run of typing)
  // a slip typed and undone.
  Keys("key keypadclear\nkey keypad5\ntype Run 1\nkey return\nkey left\nkey right\ntype oops\n"
      "key keypadclear\nkey !\n");
  expected.insert(expected.begin(), "Run 1");
  EXPECT_EQ(ListLines(), expected);

  // A macro that marks a line and goes to the next, learnt on one line and
  // played on three.
  Keys("key keypadclear\nkey l\ntype > \nkey keypad0\nkey keypadclear\nkey s\n"
      "key keypadclear\nkey 3\nkey keypadclear\nkey x\n");
  for (std::size_t i = 1; i <= 4; ++i) expected[i] = "> " + expected[i];
  EXPECT_EQ(ListLines(), expected);
  EXPECT_EQ(EditState::CursorLine, 6);

  // The next two lines selected and cut (the clipboard now holds them),
  // then pasted at the top.
  Keys("key keypad.\nkey keypad0\nkey keypad0\nkey keypadclear\nkey @\nkey keypadclear\nkey keypad5\n"
      "key keypadclear\nkey keypad6\n");
  const std::vector<std::string> cut(expected.begin() + 5, expected.begin() + 7);
  expected.erase(expected.begin() + 5, expected.begin() + 7);
  expected.insert(expected.begin(), cut.begin(), cut.end());
  EXPECT_EQ(ListLines(), expected);
  EXPECT_EQ(EditState::CursorLine, 3);
  EXPECT_TRUE(MatchesGolden(Desktop::Compose(), "editor_run_notebook"));
}

}  // namespace
