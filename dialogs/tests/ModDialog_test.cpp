// The dialog object: opening, the list of open dialogs, failures, scaling,
// the window's position and order, and the redraw and state of items.
#include "dialogs/ModDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "dialogs/ModDialogIcons.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "foundation/Buffer.h"
#include "platform/Port.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"

namespace {

using namespace ModDialogUt;
using ModDialogTools::RootDialog;

int WindowCount() {
  int count = 0;
  for (Windows::Window* w = Windows::FirstWindow(); w != nullptr; w = Windows::NextWindow(w)) ++count;
  return count;
}

TEST_F(ModDialogTest, OpeningAndShuttingKeepTheListLinked) {
  constexpr int kDialogs = 6;
  std::vector<Dialog*> dialogs;
  for (int i = 0; i < kDialogs; ++i) dialogs.push_back(&Make());
  std::vector<Dialog*> open;  // newest first
  std::mt19937 random(34);
  for (int step = 0; step < 120; ++step) {
    Dialog& d = *dialogs[random() % kDialogs];
    const std::string name = "D" + std::to_string(&d - dialogs[0]);
    if (d.record.Open) {
      const bool newest = open.front() == &d;
      ModDialog::Shutdown(&d.record);
      open.erase(std::find(open.begin(), open.end(), &d));
      if (newest) {
        EXPECT_EQ(ModDialog::DialogPtr, open.empty() ? &RootDialog : &open.front()->record);
      }
    } else {
      ASSERT_TRUE(Open(d, name.c_str(), {{kButton, "", "OK"}}));
      open.insert(open.begin(), &d);
      EXPECT_EQ(ModDialog::DialogPtr, &d.record);
    }
    const DialogRecord* previous = &RootDialog;
    std::size_t index = 0;
    for (const DialogRecord* r = RootDialog.NextDialog; r != nullptr; r = r->NextDialog, ++index) {
      ASSERT_LT(index, open.size());
      EXPECT_EQ(r, &open[index]->record);
      EXPECT_EQ(r->PrevDialog, previous);
      EXPECT_TRUE(r->Linked);
      previous = r;
    }
    EXPECT_EQ(index, open.size());
  }
}

TEST_F(ModDialogTest, AFailedWindowLeavesNothingBehindAndTheNextTryOpens) {
  const int windows = WindowCount();
  Dialog& dialog = Make();
  ASSERT_TRUE(Build(dialog, "Probe", {{kList}, {kButton, "", "OK"}}, [](DialogRecord* d) {
    CreateMenuList(d, 1, "Pick");
    AddListItem(d, 1, "one");
  }));
  // A window without a title cannot be made.
  dialog[0].Text[0] = '\0';
  EXPECT_FALSE(ModDialog::Initialize(&dialog.record, 0, [] {}, NoProc, false, true, true, true, false, "Probe"));
  EXPECT_FALSE(dialog.record.Open);
  EXPECT_EQ(dialog.record.Items, nullptr);
  EXPECT_EQ(dialog.record.Window, nullptr);
  EXPECT_EQ(Buffer::Lookup("ProbeDialBuffer"), nullptr);
  EXPECT_EQ(WindowCount(), windows);
  EXPECT_EQ(RootDialog.NextDialog, nullptr);
  ASSERT_TRUE(Open(dialog, "Probe", {{kButton, "", "OK"}}));
  EXPECT_TRUE(dialog.record.Open);
  EXPECT_EQ(WindowCount(), windows + 1);
}

TEST_F(ModDialogTest, ScreenFactorScalesTheWindowAndBeyondOnePercentTheItems) {
  const struct {
    double factor;
    int windowWidth;
    Geometry::Rect item;
  } cases[] = {
      {1.0, 400, Geometry::SetRect(10, 10, 110, 30)},
      {1.005, 402, Geometry::SetRect(10, 10, 110, 30)},
      {1.5, 600, Geometry::SetRect(15, 15, 165, 45)},
  };
  for (const auto& c : cases) {
    MacEnv::ScreenFactor = c.factor;
    Dialog& dialog = Make();
    ASSERT_TRUE(Open(dialog, "Scaled", {{kText, "", "Label"}}));
    int top = 0, left = 0, height = 0, width = 0;
    ModDialog::GetWindowPos(&dialog.record, top, left, height, width);
    EXPECT_EQ(width, c.windowWidth) << c.factor;
    EXPECT_EQ(dialog[1].Rect, c.item) << c.factor;
    ModDialog::Shutdown(&dialog.record);
  }
}

TEST_F(ModDialogTest, WindowPositionTitleAndTheIconizedForm) {
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Moving", {{kButton, "", "OK"}}));
  int top = 0, left = 0, height = 0, width = 0;
  ModDialog::GetWindowPos(&dialog.record, top, left, height, width);
  EXPECT_EQ(left, 40);
  EXPECT_EQ(height, 260);
  EXPECT_EQ(width, 400);
  ModDialog::SetWindowPos(&dialog.record, 0, 0, 0, 0);
  int again[4];
  ModDialog::GetWindowPos(&dialog.record, again[0], again[1], again[2], again[3]);
  EXPECT_EQ(std::vector<int>(again, again + 4), (std::vector<int>{top, left, height, width}));
  ModDialog::SetWindowPos(&dialog.record, 30, 5, 100, 0);
  ModDialog::GetWindowPos(&dialog.record, top, left, height, width);
  EXPECT_EQ(std::vector<int>({top, left, height, width}), (std::vector<int>{30, 5, 100, 400}));
  ModDialog::SetTitle(&dialog.record, "Moved");
  // Without a kept position the icon goes to the window's corner.
  dialog.record.SavedRect = ModWindow::WindowParameters{};
  ModDialog::Iconize(&dialog.record);
  EXPECT_TRUE(dialog.record.Iconized);
  EXPECT_FALSE(dialog.record.Shown);
  ModDialog::GetWindowPos(&dialog.record, top, left, height, width);
  // Near the top of the screen the title bar comes to 38.
  EXPECT_EQ(std::vector<int>({top, left, height, width}), (std::vector<int>{38, 5, 1, 136}));
  char title[80];
  Windows::GetTitle(dialog.record.MacWindow, title);
  EXPECT_STREQ(title, "Moving");
  ModDialog::Unpack(&dialog.record);
  ModDialog::GetWindowPos(&dialog.record, top, left, height, width);
  EXPECT_EQ(std::vector<int>({top, left, height, width}), (std::vector<int>{30, 5, 100, 400}));
  Windows::GetTitle(dialog.record.MacWindow, title);
  EXPECT_STREQ(title, "Moved");
  ModDialog::Shutdown(&dialog.record);
  ModDialog::GetWindowPos(&dialog.record, top, left, height, width);
  EXPECT_EQ(std::vector<int>({top, left, height, width}), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(ModDialogTest, AFrontOnlyDialogKeepsTheFront) {
  Dialog& keeper = Make();
  ASSERT_TRUE(Open(keeper, "Keeper", {{kButton, "", "OK"}}, {}, "", true));
  Dialog& later = Make();
  ASSERT_TRUE(Open(later, "Later", {{kButton, "", "OK"}}));
  DialogRecord* front = nullptr;
  ASSERT_TRUE(ModDialog::FrontDialog(front));
  EXPECT_EQ(front, &keeper.record);
  ModDialog::BringToFront(&later.record);
  ASSERT_TRUE(ModDialog::FrontDialog(front));
  EXPECT_EQ(front, &keeper.record);
  EXPECT_TRUE(ModDialog::IsFrontOnly());
  EXPECT_EQ(Windows::NextWindow(keeper.record.MacWindow), later.record.MacWindow);
  Dialog& other = Make();
  ASSERT_TRUE(Open(other, "Other", {{kButton, "", "OK"}}, {}, "", true));
  ModDialog::BringToFront(&other.record);
  ASSERT_TRUE(ModDialog::FrontDialog(front));
  EXPECT_EQ(front, &other.record);
}

TEST_F(ModDialogTest, NamesAreCheckedButDoNotStopTheOpening) {
  Dialog& first = Make();
  ASSERT_TRUE(Open(first, "First", {{kButton, "", "OK"}}, {}, "Main"));
  Dialog& second = Make();
  const std::size_t before = ConsoleLines().size();
  ASSERT_TRUE(Open(second, "Second", {{kButton, "", "OK"}}, {}, "main"));
  std::vector<std::string> lines = ConsoleLines();
  ASSERT_EQ(lines.size(), before + 2);
  EXPECT_EQ(lines[before], "ID-name \"main\" (Second) is already taken: ");
  EXPECT_EQ(lines[before + 1], "   Main -> First");
  Dialog& third = Make();
  ASSERT_TRUE(Open(third, "Third", {{kButton, "", "OK"}}, {}, "my name"));
  lines = ConsoleLines();
  EXPECT_EQ(lines.back(), "Third -> ID-name \"my name\" should not contain quotes or spaces!");
  EXPECT_STREQ(third.record.MacroName, "my name");
  char compact[80] = "";
  EXPECT_TRUE(ModDialog::MakeDialogName(compact, "Gain: Set_1; x", true));
  EXPECT_STREQ(compact, "GainSet1x");
  EXPECT_FALSE(ModDialog::MakeDialogName(compact, "", true));
}

TEST_F(ModDialogTest, ConditionalUpdateDrawsOnlyAChangedDialog) {
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Quiet", {{kButton, "", "OK"}, {kFramedText, "", "Text"}}));
  ModDialog::Update(&dialog.record);
  EXPECT_FALSE(dialog.record.Changed);
  const std::uint64_t count = Port::ChangeCount();
  ModDialogTools::ConditionalUpdate(&dialog.record);
  EXPECT_EQ(Port::ChangeCount(), count);
  dialog.record.Changed = true;
  ModDialogTools::ConditionalUpdate(&dialog.record);
  EXPECT_GT(Port::ChangeCount(), count);
  EXPECT_FALSE(dialog.record.Changed);
}

TEST_F(ModDialogTest, EraseAndInvertCoverTheirTypesArea) {
  const Geometry::Rect r = Geometry::SetRect(50, 50, 150, 80);
  const Geometry::Rect none;
  const auto grown = [&](int l, int t, int rr, int b) {
    return Geometry::SetRect(r.left - l, r.top - t, r.right + rr, r.bottom + b);
  };
  const struct {
    int type;
    bool defaultButton;
    Geometry::Rect erased;
    Geometry::Rect inverted;
  } cases[] = {
      {kButton, false, grown(1, 1, 1, 1), r},     {kButton, true, grown(4, 4, 4, 4), r},
      {kSwitch, false, grown(1, 1, 1, 1), r},     {kRadioButton, false, r, r},
      {kCheckBox, false, r, r},                   {kMultiCheck, false, r, r},
      {kText, false, r, r},                       {kFramedText, false, grown(1, 1, 1, 1), r},
      {kFramedNumber, false, grown(1, 1, 1, 1), r}, {kFramedBool, false, grown(1, 1, 1, 1), r},
      {kDrag, false, grown(1, 1, 2, 2), r},       {kDrag2, false, grown(1, 1, 1, 1), r},
      {kEditText, false, grown(1, 1, 2, 2), r},   {kList, false, grown(1, 1, 2, 2), none},
      {kFramedList, false, grown(1, 1, 2, 2), r}, {kOffscreen, false, grown(1, 1, 2, 2), none},
      {kGWindow, false, grown(1, 1, 2, 2), none}, {kUser, false, r, r},
      {kPane, false, r, r},
  };
  for (const auto& c : cases) {
    Dialog& dialog = Make();
    ASSERT_TRUE(Open(dialog, "Areas", {{c.type, "", "X", r.left, r.bottom, 100, 30}}, [&](DialogRecord* d) {
      if (c.defaultButton) SetCommandKey(d, 1, kCharacterKey, '\r', 0, false, true);
    }));
    ModDialog::Update(&dialog.record);
    Surface::Pixels before = PixelsOf(dialog);
    ModDialog::PaintItem(&dialog.record, 1, Color::kRed);
    Surface::Pixels after = PixelsOf(dialog);
    EXPECT_EQ(Changed(before, after), c.erased) << "type " << c.type;
    ModDialog::InvertItem(&dialog.record, 1);
    EXPECT_EQ(Changed(after, PixelsOf(dialog)), c.inverted) << "type " << c.type;
    EXPECT_EQ(dialog[1].Toggle, 1);
    ModDialog::Shutdown(&dialog.record);
  }
}

TEST_F(ModDialogTest, VisibilityPanesAndAccess) {
  std::uint8_t paneA = 1;
  std::uint8_t paneB = 0;
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Panes",
                   {{kText, "", "on A"}, {kText, "", "on B"}, {kText, "", "everywhere"}, {kPane, "", "A", 10, 20, 40, 18},
                    {kPane, "", "B", 52, 20, 40, 18}},
                   [](DialogRecord* d) {
                     d->Items[1]->Pane = 1;
                     d->Items[2]->Pane = 2;
                   }));
  DialogRecord* d = &dialog.record;
  SetPaneOwner(d, 1, 4);
  SetPaneOwner(d, 2, 5);
  FillProcField(d, 4, &paneA, nullptr, nullptr);
  FillProcField(d, 5, &paneB, nullptr, nullptr);
  EXPECT_TRUE(ModDialog::IsVisible(d, 1));
  EXPECT_TRUE(ModDialog::IsVisible(d, 2));
  ModDialog::SetActivePane(d, 5);
  EXPECT_EQ(d->ActivePane, 2);
  EXPECT_EQ(paneA, 0);
  EXPECT_EQ(paneB, 1);
  EXPECT_FALSE(ModDialog::IsVisible(d, 1));
  EXPECT_TRUE(ModDialog::IsVisible(d, 2));
  EXPECT_TRUE(ModDialog::IsVisible(d, 3));
  // A non-pane item switches to its owner's pane all the same.
  dialog[3].PaneOwner = 1;
  ModDialog::SetActivePane(d, 3);
  EXPECT_EQ(d->ActivePane, 1);
  EXPECT_TRUE(ModDialog::IsVisible(d, 1));
  RepositionItem(d, 3, -200, 0);
  EXPECT_FALSE(ModDialog::IsVisible(d, 3));
  dialog[1].AccessLevel = 2;
  EXPECT_FALSE(ModDialog::IsEnabled(d, 1));
  EXPECT_FALSE(ModDialog::IsExecutable(d, 4 - 3));
  ModDialogTools::MinAccessLevel = 2;
  EXPECT_TRUE(ModDialog::IsEnabled(d, 1));
  ModDialogTools::MinAccessLevel = 0;
  dialog[4].Suppressed = true;
  EXPECT_FALSE(ModDialog::IsExecutable(d, 4));
  EXPECT_TRUE(ModDialog::ItemFullyVisible(d, 5));
  Geometry::Point local;
  const Geometry::Rect content = Windows::ContentRect(d->MacWindow);
  EXPECT_TRUE(ModDialog::PointVisible(d, Geometry::Point{content.left + 5, content.top + 5}, local));
  EXPECT_EQ(local, (Geometry::Point{5, 5}));
}

TEST_F(ModDialogTest, ShowHideCloseAndBroadcast) {
  static int deactivated = 0;
  static bool mayClose = false;
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "States", {{kButton, "", "OK"}}));
  DialogRecord* d = &dialog.record;
  ModDialog::Hide(d);
  EXPECT_FALSE(d->WindowVisible);
  EXPECT_FALSE(Windows::IsVisible(d->MacWindow));
  ModDialog::Show(d);
  EXPECT_TRUE(d->Shown);
  EXPECT_TRUE(Windows::IsVisible(d->MacWindow));
  ModDialog::SetProcs(d, ReturnFALSE, NoItem, NoProc, [] { ++deactivated; }, NoKey, NoKey, NoKey, NoProc,
                      [](int) { return mayClose; }, [](int message) { return message != 7; }, ReturnTRUE);
  EXPECT_FALSE(ModDialog::Close(d));
  EXPECT_EQ(deactivated, 0);
  mayClose = true;
  EXPECT_TRUE(ModDialog::Close(d));
  EXPECT_EQ(deactivated, 1);
  EXPECT_TRUE(d->Open);
  EXPECT_FALSE(ModDialog::DoBroadcast(1));
  EXPECT_TRUE(ModDialog::DoBroadcast(7));
  Dialog& closed = Make();
  ModDialog::Show(&closed.record);
  EXPECT_FALSE(closed.record.WindowVisible);
}

TEST_F(ModDialogTest, ZoomStatesAndTheGlobalFilterInTheDialogsContext) {
  static DialogRecord* seen = nullptr;
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Zoom", {{kButton, "", "OK"}}));
  DialogRecord* d = &dialog.record;
  const Geometry::Rect content = Windows::ContentRect(d->MacWindow);
  SetMaxZoom(d, 10, 60, 300, 200, false, false);
  EXPECT_EQ(Windows::GetStandardState(d->MacWindow), Geometry::SetRect(10, 60, 310, 260));
  EXPECT_EQ(Windows::GetUserState(d->MacWindow), content);
  SetMaxZoom(d, 0, 0, 0, 0, false, true);
  ModWindow::WindowParameters screen{-32768, -32768, 32767, 32767, 0, 12};
  ModWindow::ClipToMainScreen(screen);
  EXPECT_EQ(Windows::GetUserState(d->MacWindow),
            Geometry::SetRect(screen.left + 4, screen.top + 17, screen.right - 4, screen.bottom - 6));
  EXPECT_EQ(Windows::GetStandardState(d->MacWindow), content);
  ModDialogTools::UserEventFilter = [](ANSITerm::TerminalRecord*, DialogRecord*, int& code, char&, int&, bool) {
    seen = ModDialog::DialogPtr;
    code = 1;
  };
  ModDialog::DialogPtr = &RootDialog;
  int code = 2;
  char character = 'a';
  int modifiers = 0;
  ModDialog::GlobalEventFilter(d->Terminal, d, code, character, modifiers, true);
  EXPECT_EQ(seen, d);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(ModDialog::DialogPtr, &RootDialog);
}

}  // namespace
