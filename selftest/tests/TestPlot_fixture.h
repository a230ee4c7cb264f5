#pragma once

// The test plot window on the headless layer: graphics set up, the event
// source's heap, the cursor, the test flags cleared, a headless notebook
// terminal for the console poll, and the window module initialised (and
// shut at the end).

#include <string_view>

#include "selftest/TestPlotDialog.h"
#include "shell/tests/Graphics_fixture.h"

class TestPlotTest : public GraphicsTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Queues the script's steps (Headless::RunScript).
  static void Script(std::string_view steps);
  // A click on a shown item of the dialog, queued.
  static void ClickItem(const TestPlotDialog::DialogRecord& dialog, int item);
};
