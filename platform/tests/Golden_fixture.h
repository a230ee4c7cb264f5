// Shared by the layer's tests: golden images and a headless layer on the
// virtual clock.
#pragma once

#include "platform/Dialogs.h"
#include "platform/Offscreen.h"
#include "platform/Surface.h"

#include <gtest/gtest.h>

#include <string>

// Compares the pixels with platform/tests/golden/<name>.png. On a
// difference the actual image is written to <name>.actual.png in the
// working directory. With the environment variable MERETH_UPDATE_GOLDEN=1
// the golden file is (re)written instead and the comparison passes.
::testing::AssertionResult MatchesGolden(const Surface::Pixels& actual, const char* name);

// The layer on the headless backend with a 640 x 480 screen, time virtual
// from 1000 s.
class UiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// An off-screen canvas, white, with local coordinates (0, 0)-(width,
// height), set as the current port for the test's drawing; the fonts are
// opened for it.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  const Surface::Pixels& Pixels() const { return world_->pixels; }
  Port::GrafPort& CanvasPort() { return world_->port; }

 private:
  Offscreen::World* world_;
};

// Runs the front dialog's modal loop until the queued script's steps are
// used; the item the last round reported.
int RunModalUntilScriptUsed(Dialogs::ModalFilter filter);
// The item's whole text.
std::string DialogItemText(Dialogs::Dialog* dialog, int item);
