// Popups of list items and value drags, with scripted mouse movements on
// the virtual clock.
#include "dialogs/ModDialogPopup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/ValueDrag.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "platform/MenuDraw.h"
#include "platform/Port.h"
#include "terminal/ANSIBase.h"
#include "platform/headless/Headless.h"

namespace {

using namespace ModDialogUt;

std::uint8_t listIndex = 0;
std::vector<int> runs;  // the index each execution saw
std::vector<int> modes;
int filterPasses = 0;
bool stop = false;
double stopAt = 0;

void RunList() {
  runs.push_back(listIndex);
  modes.push_back(ModDialog::GetSelectionMode());
}

void Filter(ANSITerm::TerminalRecord*, DialogRecord*, int&, char&, int&, bool) {
  ++filterPasses;
  if (Platform::ElapsedSeconds() >= stopAt) stop = true;
}

class PopupTest : public ModDialogTest {
 protected:
  void SetUp() override {
    ModDialogTest::SetUp();
    ModDialogLoop::InitModule();
    listIndex = 0;
    runs.clear();
    modes.clear();
    filterPasses = 0;
  }
  void TearDown() override {
    ModDialogTools::UserEventFilter = NoFilterProc;
    ModDialogTest::TearDown();
  }

  // A dialog with a list of four entries (item 1) and a drag number (item 2).
  Dialog& ListDialog() {
    Dialog& dialog = Make();
    EXPECT_TRUE(Open(dialog, "Popup", {{kList, "list", "", 20, 60, 150, 20}, {kDrag, "volts", "", 20, 120, 100, 20}},
                     [](DialogRecord* d) {
                       CreateMenuList(d, 1, "Kind");
                       for (const char* entry : {"a", "b", "c", "d"}) AddListItem(d, 1, std::string_view(entry));
                     }));
    FillProcField(&dialog.record, 1, &listIndex, RunList, nullptr);
    ModDialog::Update(&dialog.record);
    return dialog;
  }

  static Geometry::Point Global(Dialog& dialog, int h, int v) {
    Geometry::Point p;
    ModDialogTools::LocalToGlobal(&dialog.record, h, v, p);
    return p;
  }
  static Geometry::Point Centre(Dialog& dialog, int item) {
    const Geometry::Rect& r = dialog[item].Rect;
    return Global(dialog, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  // Where entry e of the list's popup lies once it is open on the current
  // entry.
  static Geometry::Point Entry(Dialog& dialog, int e) {
    DialogItem& item = dialog[1];
    const Geometry::Point at = Global(dialog, item.Rect.left, item.Rect.top + item.TextBaseline - 12);
    const Geometry::Point origin = MenuDraw::PopUpOrigin(item.Area.List.Menu, at.v, at.h, listIndex + 1);
    const Geometry::Rect r = MenuDraw::ItemRect(item.Area.List.Menu, origin, e);
    return Geometry::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  // The press on the list, the moves over the open popup, the release.
  static void Press(Dialog& dialog, const std::vector<Geometry::Point>& moves) {
    Headless::MoveTo(Centre(dialog, 1));
    Headless::Down();
    for (const Geometry::Point& p : moves) {
      Headless::Wait(0.2);
      Headless::MoveTo(p);
    }
    Headless::Wait(0.2);
    Headless::Up();
  }

  static void Run(Dialog& dialog, double seconds = 2) {
    stop = false;
    stopAt = Platform::ElapsedSeconds() + seconds;
    ModDialogLoop::Execute(dialog.record.Terminal, &dialog.record, Filter, stop);
  }
};

TEST_F(PopupTest, HoldingOverEntriesRunsEachLiveAndTheReleaseOnceMore) {
  Dialog& dialog = ListDialog();
  Press(dialog, {Entry(dialog, 3), Entry(dialog, 4)});
  Run(dialog);
  EXPECT_EQ(listIndex, 3);
  EXPECT_EQ(runs, (std::vector<int>{2, 3, 3}));
  EXPECT_EQ(modes, (std::vector<int>{1, 1, 3}));
}

TEST_F(PopupTest, AReleaseOutsidePutsTheValueBackAndRunsOnceCancelled) {
  Dialog& dialog = ListDialog();
  Press(dialog, {Entry(dialog, 3), Geometry::Point{5, 500}});
  Run(dialog);
  EXPECT_EQ(listIndex, 0);
  EXPECT_EQ(runs, (std::vector<int>{2, 0}));
  EXPECT_EQ(modes, (std::vector<int>{1, 2}));
}

TEST_F(PopupTest, TheEntryAlreadyChosenRunsNothingUnlessTheItemAlwaysRuns) {
  Dialog& dialog = ListDialog();
  Press(dialog, {Entry(dialog, 1)});
  Run(dialog);
  EXPECT_TRUE(runs.empty());
  dialog[1].ExecuteAlways = true;
  Press(dialog, {Entry(dialog, 1)});
  Run(dialog);
  EXPECT_EQ(runs, (std::vector<int>{0}));
}

TEST_F(PopupTest, ACheckMarkEntryFlipsItsBitAndKeepsTheIndex) {
  Dialog& dialog = ListDialog();
  ListData& list = dialog[1].Area.List;
  list.MarkBlock = 3;
  *list.MarkSet = 0b01;
  listIndex = 1;
  Press(dialog, {Entry(dialog, 4)});
  Run(dialog);
  EXPECT_EQ(listIndex, 1);
  EXPECT_EQ(*list.MarkSet, 0b11);
}

TEST_F(PopupTest, TheFilterRunsWhileThePopupIsHeld) {
  Dialog& dialog = ListDialog();
  Headless::MoveTo(Centre(dialog, 1));
  Headless::Down();
  Headless::Wait(1.0);
  Headless::Up();
  Run(dialog, 1.5);
  // About 60 passes a second outside the popup, 20 a second from the timer
  // inside it: without the timer the held second would leave a gap.
  EXPECT_GE(filterPasses, 40);
}

TEST_F(PopupTest, ACommandKeyRunsTheListAtOnce) {
  Dialog& dialog = ListDialog();
  SetListCommandKeys(&dialog.record, 1, ANSIBase::KeyF1, 0, ANSIBase::KeyF1 + 1, 0, 0, false, false);
  ModDialog::Process(&dialog.record, ANSIBase::KeyF1, 0, 0, ModDialogLoop::UpdateBackground);
  EXPECT_EQ(listIndex, 1);
  EXPECT_EQ(runs, (std::vector<int>{1}));
  EXPECT_EQ(modes, (std::vector<int>{3}));
}

// ---- Value drags ------------------------------------------------------------------

struct DragCase {
  int kind;
  double value, step, relative, minimum, maximum;
  int pixelsPerStep;
  std::vector<int> moves;
  double expected;
  const char* what;
};

TEST_F(PopupTest, IncrementsFollowStepsReversalsLimitsAndTheGrid) {
  const DragCase cases[] = {
      {kDouble, 10, 0.5, 0, -100, 100, 2, {1}, 10, "one pixel of two makes no step"},
      {kDouble, 10, 0.5, 0, -100, 100, 2, {1, 1}, 10.5, "the second pixel does"},
      {kDouble, 10, 0, 0.1, -1000, 1000, 1, {1}, 11, "a relative step of a tenth"},
      {kDouble, 16, 0, 1, -1000, 1000, 1, {1, -1, 1}, 25.5, "16, 32, 24, 25.5: two reversals, 1/16 of the step"},
      {kDouble, 99, 5, 0, -100, 100, 1, {1}, 100, "past Maximum: Maximum, not the grid"},
      {kDouble, 1, 1e-12, 0.1, -1e9, 1e9, 1, {1}, 1.1, "too many grid steps: not rounded"},
      {kByte, 250, 10, 0, 0, 1000, 1, {1}, 255, "a byte stops at 255"},
      {kInt16, 32760, 1, 0, -1e9, 1e9, 1, {20}, 32767, "16 bits stop at 32767"},
      {kInt32, -5, 1, 0, -1e12, 1e12, 1, {-3}, -8, "down"},
      {kBoolean, 0, 0, 0, 0, 1, 1, {1}, 0, "a boolean needs two steps at once"},
      {kBoolean, 0, 0, 0, 0, 1, 1, {2}, 1, "two steps switch it on"},
  };
  for (const auto& c : cases) {
    DialogItem item;
    alignas(8) std::byte value[8] = {};
    item.Value = value;
    item.ValueKind = static_cast<std::uint8_t>(c.kind);
    item.Minimum = c.minimum;
    item.Maximum = c.maximum;
    item.Area.Drag.DragStep = c.step;
    item.Area.Drag.RelativeStep = c.relative;
    item.Area.Drag.PixelsPerStep = static_cast<std::int16_t>(c.pixelsPerStep);
    ItemValue::Write(item, c.value);
    int accumulator = 0;
    for (int pixels : c.moves) ValueDrag::IncrementItemValue(item, accumulator, pixels);
    double result = 0;
    ItemValue::Read(item, result);
    EXPECT_NEAR(result, c.expected, 1e-9) << c.what;
  }
}

double volts = 0;
int voltsRuns = 0;
void RunVolts() { ++voltsRuns; }

TEST_F(PopupTest, ADragStepsTheValueLiveAndPutsThePointerBack) {
  Dialog& dialog = ListDialog();
  FillDragField(&dialog.record, 2, "", kFixed, kDouble, 8, 2, 0.5, -100, 100, 1, false, 0);
  volts = 1;
  voltsRuns = 0;
  FillProcField(&dialog.record, 2, &volts, RunVolts, nullptr);
  const Geometry::Rect& r = dialog[2].Rect;
  const Geometry::Point press = Centre(dialog, 2);
  const Geometry::Point anchor = Global(dialog, r.right, (r.top + r.bottom) / 2);
  Headless::MoveTo(press);
  Headless::Down();
  Headless::Wait(0.7);  // no second click within the double-click time
  Headless::MoveTo(Geometry::Point{anchor.h, anchor.v - 10});  // five steps up
  Headless::Wait(0.2);
  Headless::Up();
  Run(dialog);
  EXPECT_EQ(volts, 3.5);
  EXPECT_EQ(voltsRuns, 2);  // the step, then the final value
  Geometry::Point pointer;
  Events::GetMouse(pointer);
  Port::LocalToGlobal(pointer);
  EXPECT_EQ(pointer, press);
}

TEST_F(PopupTest, ADragItemClickedTwiceIsEditedInstead) {
  Dialog& dialog = ListDialog();
  FillDragField(&dialog.record, 2, "", kFixed, kDouble, 8, 2, 0.5, -100, 100, 1, false, 0);
  volts = 1;
  FillProcField(&dialog.record, 2, &volts, nullptr, nullptr);
  const Geometry::Point press = Centre(dialog, 2);
  Headless::MoveTo(press);
  Headless::Down();
  Headless::Wait(0.05);
  Headless::Up();
  Headless::Down();
  Headless::Up();
  Script("type 7\nkey return\n");
  Run(dialog);
  EXPECT_EQ(volts, 7);
}

}  // namespace
