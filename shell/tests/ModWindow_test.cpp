// The program's windows: creation with their root graphics window, removal,
// placement from parameters, fitting onto the screen, zooming.
#include "shell/ModWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/Port.h"
#include "platform/Screen.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "shell/GraphPoly.h"
#include "shell/Graphics.h"
#include "shell/Shell.h"
#include "shell/tests/Graphics_fixture.h"

namespace {

using Geometry::Point;
using Geometry::SetRect;
using Graphics::GraphicsWindow;
using ModWindow::WindowParameters;

std::vector<int> Fields(const WindowParameters& p) {
  return {p.top, p.left, p.bottom, p.right, p.fontNumber, p.fontSize};
}

std::vector<int> Pixels(GraphicsWindow w) { return {w->left, w->top, w->right, w->bottom}; }

class ModWindowTest : public GraphicsTest {
 protected:
  GraphicsWindow Create(WindowParameters& p, const char* title = "Window", int resource = 0) {
    return ModWindow::Create(resource, p, WindowFrame::kZoomDocProc, std::string_view(title), true, true, true);
  }
};

TEST_F(ModWindowTest, CreationMakesTheWindowAndItsRoot) {
  WindowParameters p{300, 400, 100, 50, 4, 9};  // reversed: normalised
  GraphicsWindow root = Create(p);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Fields(p), (std::vector<int>{100, 50, 300, 400, 4, 9}));
  Windows::Window* w = ModWindow::GetMacWindow(root);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(Windows::ContentRect(w), SetRect(50, 100, 400, 300));
  EXPECT_EQ(Pixels(root), (std::vector<int>{0, 0, 350, 200}));
  auto* record = static_cast<ModWindow::PlatformWindowRecord*>(Windows::GetRefCon(w));
  ASSERT_EQ(record, root->platform);
  EXPECT_EQ(std::memcmp(record->tag, "WIND", 4), 0);
  EXPECT_EQ(record->root, root);
  EXPECT_EQ(record->depth, 32);
  EXPECT_EQ(record->sizeFactor, 1);
  EXPECT_TRUE(record->zoomable);
  EXPECT_FALSE(record->zoomed);
  EXPECT_EQ(root->fontNumber, 4);
  EXPECT_EQ(root->fontSize, 9);
  EXPECT_EQ(root->parent, nullptr);
  EXPECT_EQ(root->port, Windows::GetWindowPort(w));
  // The default world spans the content.
  int h = 0;
  int v = 0;
  Graphics::WindowToLocal(root, 1, 1, h, v);
  EXPECT_EQ((Point{h, v}), (Point{349, 1}));
  EXPECT_EQ(ModWindow::GetColors(root), 32);
  EXPECT_EQ(ModWindow::GetColors(nullptr), 0);

  // The console's window resource.
  WindowParameters console{0, 0, 0, 0, 22, 12};
  GraphicsWindow fromResource = Create(console, "List", ModWindow::kConsoleWindowResource);
  ASSERT_NE(fromResource, nullptr);
  EXPECT_GT(console.right - console.left, 100);
  ModWindow::Remove(fromResource);
  ModWindow::Remove(root);
  EXPECT_EQ(root, nullptr);
  EXPECT_EQ(Windows::FirstWindow(), nullptr);
}

TEST_F(ModWindowTest, AFailedCreationLeavesNothingBehind) {
  WindowParameters p{100, 100, 200, 200, 22, 12};
  const GraphicsWindow first = Create(p);  // the heap exists from here on
  const std::int32_t before = HeapBytes();
  EXPECT_EQ(Create(p, ""), nullptr);
  EXPECT_EQ(Create(p, "Unknown", 999), nullptr);
  EXPECT_EQ(HeapBytes(), before);
  EXPECT_EQ(Windows::NextWindow(ModWindow::GetMacWindow(first)), nullptr);
  GraphicsWindow w = first;
  ModWindow::Remove(w);
}

TEST_F(ModWindowTest, RemovalTakesEverythingAndNothingElse) {
  WindowParameters p{100, 100, 300, 300, 22, 12};
  GraphicsWindow root = Create(p);
  const std::int32_t before = HeapBytes();
  GraphicsWindow child = Graphics::CreateWindowInt(root, 0, 0, 100, 100);
  Graphics::CreateWindowInt(child, 0, 0, 50, 50);
  const float trace[] = {1, 2, 3};
  GraphPoly::PolylineReal(root, 39, 0, 1, trace, true, false, false);
  EXPECT_GT(HeapBytes(), before);
  // Neither a child nor nil is removed.
  ModWindow::Remove(child);
  ASSERT_NE(child, nullptr);
  GraphicsWindow none = nullptr;
  ModWindow::Remove(none);
  ModWindow::Remove(root);
  EXPECT_EQ(root, nullptr);
  EXPECT_EQ(Windows::FirstWindow(), nullptr);
  EXPECT_LT(HeapBytes(), before);
}

TEST_F(ModWindowTest, ParametersMoveAndSizeTheWindowAndKeepTheWorld) {
  WindowParameters p{100, 100, 300, 300, 22, 12};
  GraphicsWindow root = Create(p);
  Graphics::SetScaling(root, -5, -5, 5, 5);
  WindowParameters q{500, 60, 100, 460, 4, 10};
  ModWindow::SetWindowParameters(root, q);
  EXPECT_EQ(Fields(q), (std::vector<int>{100, 60, 500, 460, 4, 10}));
  EXPECT_EQ(Windows::ContentRect(ModWindow::GetMacWindow(root)), SetRect(60, 100, 460, 500));
  EXPECT_EQ(Pixels(root), (std::vector<int>{0, 0, 400, 400}));
  EXPECT_EQ(root->clipRegion.Bounds(), SetRect(0, 0, 400, 400));
  int h = 0;
  int v = 0;
  Graphics::WindowToLocal(root, 5, 5, h, v);
  EXPECT_EQ((Point{h, v}), (Point{399, 1}));
  EXPECT_EQ(Port::GetPort()->txFont, 4);
  EXPECT_EQ(Port::GetPort()->txSize, 10);

  WindowParameters got;
  ModWindow::GetWindowParameters(root, got);
  EXPECT_EQ(Fields(got), Fields(q));
  // A child's parameters are not its window's business.
  WindowParameters untouched{1, 2, 3, 4, 5, 6};
  ModWindow::GetWindowParameters(Graphics::CreateWindowInt(root, 0, 0, 10, 10), untouched);
  EXPECT_EQ(Fields(untouched), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  // An empty rectangle moves nothing.
  WindowParameters empty{200, 200, 200, 300, 22, 12};
  ModWindow::SetWindowParameters(root, empty);
  EXPECT_EQ(Windows::ContentRect(ModWindow::GetMacWindow(root)), SetRect(60, 100, 460, 500));
  ModWindow::Remove(root);
}

TEST_F(ModWindowTest, FittingOntoTheScreen) {
  const int m = Screen::MenuBarHeight();  // the screen is 1024 x 768
  struct Case {
    WindowParameters in;
    WindowParameters out;
  };
  const std::vector<Case> cases = {
      {{0, 0, 10, 10, 22, 3}, {static_cast<std::int16_t>(m + 3), 1, static_cast<std::int16_t>(m + 13), 21, 22, 6}},
      {{100, 10, 300, 2010, 22, 60}, {100, 10, 300, 1023, 22, 48}},
      {{100, 2000, 300, 2400, 22, 12}, {100, 1003, 300, 1023, 22, 12}},
      {{900, 100, 1000, 300, 22, 12}, {757, 100, 767, 300, 22, 12}},
      {{-32768, -32768, 32767, 32767, 22, 12}, {static_cast<std::int16_t>(m + 3), 1, 767, 1023, 22, 12}},
  };
  for (const Case& c : cases) {
    WindowParameters p = c.in;
    ModWindow::ClipToMainScreen(p);
    EXPECT_EQ(Fields(p), Fields(c.out)) << c.in.top << " " << c.in.left;
    p = c.in;
    ModWindow::ClipToActiveScreen(p);
    EXPECT_EQ(Fields(p), Fields(c.out));
  }
  EXPECT_EQ(ModWindow::MenuBarHeight(), m);
}

TEST_F(ModWindowTest, ZoomingHappensOnceAndOnlyWhenAllowed) {
  WindowParameters p{100, 100, 200, 200, 22, 12};
  GraphicsWindow root = Create(p);
  Windows::Window* w = ModWindow::GetMacWindow(root);
  Geometry::Rect r{};
  ModWindow::DoZoom(root, r, false, true);  // already in the user state
  EXPECT_EQ(Windows::ContentRect(w), SetRect(100, 100, 200, 200));
  ModWindow::ZoomOut(root);
  const Geometry::Rect standard = Windows::ContentRect(w);
  EXPECT_EQ(standard, Windows::GetStandardState(w));
  EXPECT_TRUE(root->platform->zoomed);
  ModWindow::DoZoom(root, r, true, true);
  EXPECT_EQ(Windows::ContentRect(w), standard);
  ModWindow::ZoomIn(root);
  EXPECT_EQ(Windows::ContentRect(w), SetRect(100, 100, 200, 200));
  EXPECT_FALSE(Windows::GetUpdateRgn(w).Empty());
  ModWindow::Validate(root);
  EXPECT_TRUE(Windows::GetUpdateRgn(w).Empty());

  root->platform->zoomable = false;  // as the dialogs that may not zoom
  ModWindow::ZoomOut(root);
  EXPECT_EQ(Windows::ContentRect(w), SetRect(100, 100, 200, 200));
  ModWindow::Remove(root);
}

TEST_F(ModWindowTest, TitlesShowingAndTheFront) {
  WindowParameters p{100, 100, 200, 200, 22, 12};
  GraphicsWindow a = Create(p, "First");
  GraphicsWindow b = Create(p, "Second");
  char title[64];
  ModWindow::SetTitle(a, "");
  Windows::GetTitle(ModWindow::GetMacWindow(a), title);
  EXPECT_STREQ(title, "First");
  ModWindow::SetTitle(a, "Renamed");
  Windows::GetTitle(ModWindow::GetMacWindow(a), title);
  EXPECT_STREQ(title, "Renamed");
  EXPECT_TRUE(ModWindow::IsInFront(b));
  EXPECT_FALSE(ModWindow::IsInFront(a));
  ModWindow::BringToFront(a);
  EXPECT_TRUE(ModWindow::IsInFront(a));
  ModWindow::Hide(a);
  EXPECT_FALSE(Windows::IsVisible(ModWindow::GetMacWindow(a)));
  EXPECT_TRUE(ModWindow::IsInFront(b));
  // Shown again where it was in the order: in front.
  ModWindow::Show(a);
  EXPECT_TRUE(Windows::IsVisible(ModWindow::GetMacWindow(a)));
  EXPECT_TRUE(ModWindow::IsInFront(a));
  EXPECT_FALSE(ModWindow::IsInFront(nullptr));
  EXPECT_EQ(ModWindow::GetMacWindow(nullptr), nullptr);
  ModWindow::Remove(a);
  ModWindow::Remove(b);
}

TEST_F(ModWindowTest, TheMainRootWindowIsTheConsole) {
  EXPECT_EQ(ModWindow::MainRootWindow(), nullptr);
  WindowParameters p{100, 100, 200, 200, 22, 12};
  GraphicsWindow console = Create(p, "Console");
  Shell::RootWindow = console;
  EXPECT_EQ(ModWindow::MainRootWindow(), console);
  Shell::RootWindow = nullptr;
  ModWindow::Remove(console);
}

// The program is the only one on its screen, and there is no frame window
// around its windows: none of these may touch the windows, their order or
// the activation.
TEST_F(ModWindowTest, ProcessAndFrameOperationsLeaveTheScreenAlone) {
  WindowParameters p{100, 100, 200, 200, 22, 12};
  GraphicsWindow back = Create(p, "Back");
  GraphicsWindow hidden = Create(p, "Hidden");
  GraphicsWindow front = Create(p, "Front");
  ModWindow::Hide(hidden);
  const auto order = [] {
    std::vector<Windows::Window*> windows;
    for (Windows::Window* w = Windows::FirstWindow(); w != nullptr; w = Windows::NextWindow(w)) windows.push_back(w);
    return windows;
  };
  const auto activationPending = [] {
    Windows::Window* w = nullptr;
    bool active = false;
    return Windows::TakeActivation(&w, &active, false);
  };
  while (activationPending()) {
    Windows::Window* w = nullptr;
    bool active = false;
    Windows::TakeActivation(&w, &active, true);
  }
  const std::vector<Windows::Window*> before = order();
  const std::uint64_t changes = Windows::ChangeCount();
  Geometry::Rect frame = SetRect(1, 2, 3, 4);
  struct Case {
    std::string name;
    std::function<void()> operation;
  };
  const std::vector<Case> cases = {
      {"AllToFront", [] { ModWindow::AllToFront(); }},
      {"SetFrameWindowRect", [] { ModWindow::SetFrameWindowRect(SetRect(0, 0, 640, 480)); }},
      {"GetFrameWindowRect", [&frame] { ModWindow::GetFrameWindowRect(frame); }},
      {"MainRootWindow", [] { ModWindow::MainRootWindow(); }},
  };
  for (const Case& c : cases) {
    c.operation();
    EXPECT_EQ(order(), before) << c.name;
    EXPECT_EQ(Windows::ChangeCount(), changes) << c.name;
    EXPECT_FALSE(activationPending()) << c.name;
    EXPECT_TRUE(ModWindow::IsInFront(front)) << c.name;
    EXPECT_FALSE(Windows::IsVisible(ModWindow::GetMacWindow(hidden))) << c.name;
    EXPECT_EQ(frame, SetRect(1, 2, 3, 4)) << c.name;
  }
  ModWindow::Remove(front);
  ModWindow::Remove(hidden);
  ModWindow::Remove(back);
}

}  // namespace
