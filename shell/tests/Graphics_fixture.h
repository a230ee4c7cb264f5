// Shared by the shell's tests: the UI platform on the headless backend, a
// fresh buffer heap and the graphics module set up, and windows made
// through ModWindow.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/Backend.h"
#include "platform/Geometry.h"
#include "platform/Surface.h"
#include "shell/Graphics.h"

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The backend the UI platform runs on: the headless one.
  virtual const Backend::Ops& BackendOps();

  // A visible document window with this global content rectangle; its root
  // graphics window. Removed at the end of the test.
  Graphics::GraphicsWindow MakeWindow(int left, int top, int right, int bottom, const char* title = "Plot");

  // The pixels a graphics window draws into (its window's or its world's),
  // and the one at a local point of its port.
  static const Surface::Pixels& PixelsOf(Graphics::GraphicsWindow w);
  static Surface::Pixel At(Graphics::GraphicsWindow w, int h, int v);
  // The local points in r whose pixels are not white.
  static std::vector<Geometry::Point> Inked(Graphics::GraphicsWindow w, const Geometry::Rect& r);

  // Bytes in use in the graphics heap.
  static std::int32_t HeapBytes();

 private:
  std::vector<Graphics::GraphicsWindow> windows_;
};
