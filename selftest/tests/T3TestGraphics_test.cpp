// The test plot window on the headless layer: its panes, its buttons and
// command keys, the abort poll with and without the window, the plots.

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "TestPlot_fixture.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "platform/headless/Headless.h"
#include "platform/tests/Golden_fixture.h"
#include "selftest/T3TestGraphics.h"
#include "selftest/TestBase.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"

namespace {

using namespace T3TestGraphics;

struct PaneCase {
  bool data, top, bottom;
  // top and bottom pixel of each shown pane; 0, 0 for a hidden one
  std::array<int, 6> edges;
};

// H = 232 with the control icons.
const PaneCase kPaneCases[] = {
    {true, true, true, {2, 114, 118, 172, 176, 230}},
    {true, true, false, {2, 152, 157, 230, 0, 0}},
    {true, false, true, {2, 152, 0, 0, 157, 230}},
    {true, false, false, {2, 230, 0, 0, 0, 0}},
    {false, true, true, {0, 0, 2, 114, 118, 230}},
    {false, true, false, {0, 0, 2, 230, 0, 0}},
    {false, false, true, {0, 0, 0, 0, 2, 230}},
    {false, false, false, {0, 0, 0, 0, 0, 0}},
};

std::array<int, 2> Edges(Graphics::GraphicsWindow w) {
  if (w == nullptr) return {0, 0};
  return {w->top, w->bottom};
}

TEST_F(TestPlotTest, PanesStackWithTheirMargins) {
  for (const PaneCase& c : kPaneCases) {
    SCOPED_TRACE(::testing::Message() << c.data << c.top << c.bottom);
    Initialize(c.data, c.top, c.bottom, true);
    ASSERT_TRUE(DialogOpen());
    const auto d = Edges(DataWindow);
    const auto t = Edges(TopWindow);
    const auto b = Edges(BottomWindow);
    EXPECT_EQ((std::array<int, 6>{d[0], d[1], t[0], t[1], b[0], b[1]}), c.edges);
    if (DataWindow != nullptr) {
      EXPECT_EQ(DataWindow->right - DataWindow->left, 503);
    }
  }
  // Without the icons H is 256.
  Initialize(true, true, true, false);
  EXPECT_EQ(Edges(DataWindow), (std::array<int, 2>{2, 126}));
  EXPECT_EQ(Edges(BottomWindow), (std::array<int, 2>{194, 254}));
  EXPECT_FALSE(GraphDialog.items[1].shown);
}

TEST_F(TestPlotTest, TheWindowSitsWhereItsRecordSaysWithAbortAndWriteState) {
  Initialize(true, false, false, true);
  const Geometry::Rect content = Windows::ContentRect(ModWindow::GetMacWindow(GraphDialog.root));
  EXPECT_EQ(content.left, 16);
  EXPECT_EQ(content.bottom, 336);
  EXPECT_EQ(content.right - content.left, 507);
  EXPECT_EQ(content.bottom - content.top, 256);
  const std::array<bool, 7> shown{false, true, false, false, false, false, true};
  for (int item = 1; item <= 6; ++item) EXPECT_EQ(GraphDialog.items[item].shown, shown[item]) << item;
  EXPECT_TRUE(TestPlotDialog::IsInFront(GraphDialog));
  Hide();
  EXPECT_EQ(DataWindow, nullptr);
  EXPECT_TRUE(DialogOpen());
  EXPECT_FALSE(TestPlotDialog::IsShown(GraphDialog));
  Shutdown();
  EXPECT_FALSE(DialogOpen());
}

TEST_F(TestPlotTest, InitializeWithNothingClearsTheFlagsAndOpensNothing) {
  TestBase::Aborted = TestBase::Stopped = TestBase::Continue = TestBase::Repeat = true;
  Initialize(false, false, false, false);
  EXPECT_FALSE(TestBase::Aborted);
  EXPECT_FALSE(TestBase::Stopped);
  EXPECT_FALSE(TestBase::Continue);
  EXPECT_TRUE(TestBase::Repeat);
  EXPECT_FALSE(DialogOpen());
  EXPECT_EQ(Windows::FrontWindow(), nullptr);
}

struct ConsoleCase {
  const char* what;
  int character;  // -1: no key
  bool result;
  bool aborted, stopped, cont;
};

const ConsoleCase kConsoleCases[] = {
    {"no key", -1, false, false, false, false},
    {"q", 'q', true, true, false, false},
    {"Q", 'Q', true, true, false, false},
    {"character 2", 2, true, true, false, false},
    {"s", 's', false, false, true, false},
    {"S", 'S', false, false, true, false},
    {"x", 'x', false, false, false, true},
};

TEST_F(TestPlotTest, WithoutTheWindowTheConsoleAnswersTheAbortPoll) {
  for (const ConsoleCase& c : kConsoleCases) {
    SCOPED_TRACE(c.what);
    TestBase::InitModule();
    TestBase::Stopped = TestBase::Continue = TestBase::Repeat = true;
    if (c.character >= 0) Headless::Key(0, static_cast<unsigned char>(c.character), 0);
    EXPECT_EQ(Abort(false), c.result);
    EXPECT_EQ(TestBase::Aborted, c.aborted);
    EXPECT_EQ(TestBase::Stopped, c.stopped);
    EXPECT_EQ(TestBase::Continue, c.cont);
    EXPECT_FALSE(TestBase::Repeat);
    Headless::ClearSteps();
  }
  // Aborted is sticky: the next key stays unread.
  TestBase::Aborted = true;
  Script("key x\n");
  EXPECT_TRUE(Abort(false));
  EXPECT_EQ(Headless::PendingSteps(), 1u);
}

struct ButtonCase {
  int item;
  bool* flag;
  const char* key;
};

const ButtonCase kButtons[] = {
    {1, &TestBase::Aborted, "q"},   {2, &TestBase::Stopped, "S shift"}, {3, &TestBase::Continue, "c"},
    {4, &TestBase::Repeat, "space"}, {5, &TestBase::GeneratorOn, "g"}, {6, &TestBase::WriteState, "? shift"},
};

TEST_F(TestPlotTest, ClicksAndCommandKeysSetEachFlag) {
  Initialize(true, false, false, true);
  for (const ButtonCase& b : kButtons) {
    SCOPED_TRACE(b.item);
    Activate(true, true, true, true, false);
    TestBase::Aborted = TestBase::WriteState = false;
    Script(std::string("key ") + b.key + "\n");
    NextInput();
    EXPECT_TRUE(*b.flag);
    // Item 6 lies below the window's bottom edge: it has only its key.
    if (b.item == 6) continue;
    Activate(true, true, true, true, false);
    TestBase::Aborted = false;
    ClickItem(GraphDialog, b.item);
    NextInput();
    EXPECT_TRUE(*b.flag);
  }
  // A hidden button's key is no command: it continues.
  Activate(false, false, false, false, false);
  Script("key g\n");
  NextInput();
  EXPECT_FALSE(TestBase::GeneratorOn);
  EXPECT_TRUE(TestBase::Continue);
}

TEST_F(TestPlotTest, AnyOtherKeyEndsTheWaitWhileContinueIsShown) {
  Initialize(true, false, false, true);
  Activate(false, false, true, false, false);
  Script("key x\n");
  WaitForInput();
  EXPECT_TRUE(TestBase::Continue);
  EXPECT_EQ(Headless::PendingSteps(), 0u);
  // Wait offers Continue and withdraws it, clearing the flag again.
  TestBase::Pausing = true;
  Script("key x\n");
  Wait();
  EXPECT_EQ(Headless::PendingSteps(), 0u);
  EXPECT_FALSE(GraphDialog.items[ContinueItem].shown);
  EXPECT_FALSE(TestBase::Continue);
  // Abort with wait offers Continue the same way; "q" aborts.
  Script("key q\n");
  EXPECT_TRUE(Abort(true));
}

TEST_F(TestPlotTest, RepeatIsTakenOnce) {
  Initialize(true, false, false, true);
  Activate(true, false, true, false, false);
  EXPECT_FALSE(DoRepeat());
  Script("key space\n");
  EXPECT_TRUE(DoRepeat());
  EXPECT_FALSE(TestBase::Repeat);
  EXPECT_FALSE(DoRepeat());
}

TEST_F(TestPlotTest, TheWaitEndsWhenTheProgramEnds) {
  Initialize(true, false, false, true);
  MacEnv::Terminated = true;
  Activate(false, false, true, false, false);
  WaitForInput();
  EXPECT_FALSE(TestBase::Continue);
}

TEST_F(TestPlotTest, TheWindowRefusesToClose) {
  Initialize(true, false, false, true);
  const Geometry::Rect box = WindowFrame::CloseBox(Windows::ContentRect(ModWindow::GetMacWindow(GraphDialog.root)));
  Headless::Click(Geometry::Point{(box.left + box.right) / 2, (box.top + box.bottom) / 2});
  NextInput();
  EXPECT_TRUE(TestPlotDialog::IsShown(GraphDialog));
  EXPECT_FALSE(TestBase::Continue);
}

TEST_F(TestPlotTest, AnotherDialogCanCarryTheButtons) {
  Initialize(true, false, false, true);
  TestPlotDialog::DialogRecord other;
  other.title = "Noise";
  other.rect = {40, 300, 300, 120};
  other.itemCount = 5;
  bool* flags[] = {&TestBase::Aborted, &TestBase::Stopped, &TestBase::Continue, &TestBase::Repeat,
                   &TestBase::GeneratorOn};
  const char* names[] = {"Abort", "Stop", "Continue", "Repeat", "Generator"};
  for (int i = 1; i <= 5; ++i) {
    TestPlotDialog::Item& it = other.items[i];
    it.type = TestPlotDialog::ItemType::Switch;
    it.text = names[i - 1];
    it.rect = {10 + 55 * (i - 1), 100, 50, 16};
    it.flag = flags[i - 1];
  }
  ASSERT_TRUE(TestPlotDialog::Open(other));
  TestPlotDialog::BringToFront(other);
  SetAbortDialog(&other, 1, 2, 3, 4, 5);
  EXPECT_FALSE(TestPlotDialog::IsOpen(GraphDialog));
  EXPECT_EQ(DataWindow, nullptr);
  for (int item = 2; item <= 5; ++item) EXPECT_FALSE(other.items[item].shown) << item;
  ClickItem(other, 1);
  EXPECT_TRUE(Abort(false));
  TestPlotDialog::Shutdown(other);
  EXPECT_FALSE(DialogOpen());
}

TEST_F(TestPlotTest, MarkForUpdateMarksTheShownPanes) {
  Initialize(true, false, true, false);
  MarkForUpdate();
  EXPECT_TRUE(GraphDialog.needsUpdate);
  EXPECT_TRUE(GraphDialog.items[DataWindowControl].needsRedraw);
  EXPECT_FALSE(GraphDialog.items[TopWindowControl].needsRedraw);
  EXPECT_TRUE(GraphDialog.items[BottomWindowControl].needsRedraw);
}

TEST_F(TestPlotTest, TheRawGridStepGivesAtLeastTenLines) {
  Initialize(true, false, false, false);
  const struct {
    double range, step;
  } cases[] = {{0.35, 0.025}, {2.0, 0.2}, {10.0, 1.0}, {0.8, 0.05}, {1.0, 0.1}};
  for (const auto& c : cases) {
    Graphics::SetScaling(DataWindow, -0.1, 0, 1, c.range);
    EXPECT_NEAR(LabelAxes(DataWindow), c.step, 1e-12) << c.range;
    Graphics::SetScaling(DataWindow, -0.1, c.range, 1, 0);
    EXPECT_NEAR(LabelAxes(DataWindow), c.step, 1e-12) << "reversed " << c.range;
  }
}

// Phases 350 and 10 lie 20 degrees apart only by wrapping: no line joins
// them across the pane, while 170 and 190 are joined.
TEST_F(TestPlotTest, PhasesApartByWrappingAreNotJoined) {
  Initialize(false, true, true, false);
  const int n = 8;
  for (const auto& [first, second, joined] : {std::tuple{350.f, 10.f, false}, std::tuple{170.f, 190.f, true}}) {
    std::vector<float> response(2 * n, 1.0f);
    response[n + 1] = first;
    response[n + 2] = second;
    response[n + 3] = second;
    Graphics::SetScaling(TopWindow, 0, -1, 1, 1);
    Graphics::SetScaling(BottomWindow, -0.5, 0, 1, 360);
    Graphics::ClearWindow(BottomWindow);
    PlotGainAndPhase(n, response, 0.1, TopWindow, BottomWindow);
    int h = 0;
    int top = 0;
    int bottom = 0;
    Graphics::WindowToLocal(BottomWindow, 0, 100, h, bottom);
    Graphics::WindowToLocal(BottomWindow, 0, 260, h, top);
    const auto ink = Inked(BottomWindow, Geometry::SetRect(BottomWindow->left, top, BottomWindow->right, bottom));
    EXPECT_EQ(!ink.empty(), joined) << first << " to " << second;
  }
}

}  // namespace
