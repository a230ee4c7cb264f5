// The main loop and what dialogs do with events: scripted events on the
// virtual clock.
#include "dialogs/ModDialogLoop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/tests/ModDialog_fixture.h"
#include "foundation/platform/Clock.h"
#include "shell/MacEnv.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

namespace {

using namespace ModDialogUt;

struct Counts {
  int filter = 0;
  int filterInMainLoop = 0;
  int key1 = 0;
  int key2 = 0;
  int key3 = 0;
  int executed = 0;
  int lastCode = -1;
};
Counts counts;
bool stop = false;
double stopAt = 0;

void CountingFilter(ANSITerm::TerminalRecord*, DialogRecord*, int& code, char&, int&, bool mainLoop) {
  ++counts.filter;
  if (mainLoop) ++counts.filterInMainLoop;
  if (code >= ANSIBase::KeyCharacter) counts.lastCode = code;
  if (stopAt > 0 && Platform::ElapsedSeconds() >= stopAt) stop = true;
}
void Key1(char&, int&, int&) { ++counts.key1; }
void Key2(char&, int&, int&) { ++counts.key2; }
void Key3(char&, int&, int&) { ++counts.key3; }
void Executed() { ++counts.executed; }

class ModDialogLoopTest : public ModDialogTest {
 protected:
  void SetUp() override {
    ModDialogTest::SetUp();
    ModDialogLoop::InitModule();
    counts = Counts{};
    stop = false;
    stopAt = 0;
  }
  void TearDown() override {
    ModDialogTools::UserEventFilter = NoFilterProc;
    ModDialogTest::TearDown();
  }

  // A main dialog with a button (item 1, F1 as its key), a drag number
  // and an edittext; counting key procedures.
  Dialog& MainDialog(const char* name = "Main", bool frontOnly = false) {
    Dialog& dialog = Make();
    EXPECT_TRUE(Open(
        dialog, name,
        {{kButton, "Go", "Go", 10, 40}, {kDrag, "Volts", "", 10, 80}, {kEditText, "Name", "", 10, 120}},
        [](DialogRecord* d) { SetCommandKey(d, 1, ANSIBase::KeyF1, 0, 0, false, false); }, "",
        frontOnly));
    DialogRecord* d = &dialog.record;
    FillProcField(d, 1, nullptr, Executed, nullptr);
    d->KeyProc1 = Key1;
    d->KeyProc2 = Key2;
    d->KeyProc3 = Key3;
    return dialog;
  }

  // The window events of the openings, taken as a loop would.
  static void TakeWindowEvents(const Dialog& dialog) {
    int code = 0;
    char character = 0;
    int modifiers = 0;
    for (int i = 0; i < 20; ++i) ANSITerm::NextEvent(dialog.record.Terminal, code, character, modifiers);
  }

  // The main loop over the dialog for half a second of virtual time.
  static void Run(Dialog& dialog) {
    stop = false;
    stopAt = Platform::ElapsedSeconds() + 0.5;
    ModDialogLoop::Execute(dialog.record.Terminal, &dialog.record, CountingFilter, stop);
  }

  static std::string ClickOn(const Dialog& dialog, int item) {
    const Geometry::Rect& r = dialog.record.Items[item]->Rect;
    Geometry::Point p;
    ModDialogTools::LocalToGlobal(const_cast<DialogRecord*>(&dialog.record), (r.left + r.right) / 2,
                                  (r.top + r.bottom) / 2, p);
    return "click " + std::to_string(p.h) + " " + std::to_string(p.v) + "\n";
  }
};

TEST_F(ModDialogLoopTest, TheFilterRunsOncePerPassAboutSixtyTimesAnIdleSecond) {
  Dialog& dialog = MainDialog();
  const double start = Platform::ElapsedSeconds();
  stopAt = start + 1.0;
  ModDialogLoop::Execute(dialog.record.Terminal, &dialog.record, CountingFilter, stop);
  EXPECT_EQ(counts.filter, counts.filterInMainLoop);
  EXPECT_GE(counts.filter, 50);
  EXPECT_LE(counts.filter, 70);
  EXPECT_EQ(ModDialogLoop::ActiveDialogPtr, &dialog.record);
  EXPECT_EQ(ModDialogTools::UserEventFilter, CountingFilter);
}

TEST_F(ModDialogLoopTest, AStopFlagAlreadySetLetsOnePassRun) {
  Dialog& dialog = MainDialog();
  stop = true;
  ModDialogLoop::Execute(dialog.record.Terminal, &dialog.record, CountingFilter, stop);
  EXPECT_EQ(counts.filter, 1);
}

TEST_F(ModDialogLoopTest, WithoutADialogEventsReachOnlyTheFilter) {
  Dialog& dialog = MainDialog();
  TakeWindowEvents(dialog);
  Script("key x\n");
  stopAt = Platform::ElapsedSeconds() + 0.5;
  ModDialogLoop::Execute(dialog.record.Terminal, nullptr, CountingFilter, stop);
  EXPECT_EQ(ModDialogLoop::ActiveDialogPtr, nullptr);
  EXPECT_EQ(counts.lastCode, ANSIBase::KeyCharacter);
  EXPECT_EQ(counts.key1 + counts.key2 + counts.key3, 0);
}

TEST_F(ModDialogLoopTest, KeysGoThroughTheKeyProceduresAndCommandKeysRunTheirItems) {
  Dialog& dialog = MainDialog();
  Script("key f1\nkey z\n");
  stopAt = Platform::ElapsedSeconds() + 0.5;
  ModDialogLoop::Execute(dialog.record.Terminal, &dialog.record, CountingFilter, stop);
  EXPECT_EQ(counts.executed, 1);
  EXPECT_GE(counts.key1, 2);
  EXPECT_EQ(counts.key1, counts.key3);  // every routed event
  EXPECT_EQ(counts.key2, 1);            // only "z": no dialog used it
}

TEST_F(ModDialogLoopTest, AClickOnTheButtonRunsItOnce) {
  Dialog& dialog = MainDialog();
  Script(ClickOn(dialog, 1));
  stopAt = Platform::ElapsedSeconds() + 0.5;
  ModDialogLoop::Execute(dialog.record.Terminal, &dialog.record, CountingFilter, stop);
  EXPECT_EQ(counts.executed, 1);
  EXPECT_FALSE(dialog[1].Inverted);
}

TEST_F(ModDialogLoopTest, AClickInAnotherWindowWhileAFrontOnlyDialogIsInFrontIsDropped) {
  Dialog& other = MainDialog("Other");
  ModDialog::SetWindowPos(&other.record, 0, 500, 0, 0);
  Dialog& front = MainDialog("Front", true);
  ModDialogLoop::ActiveTerminal = front.record.Terminal;
  ModDialogLoop::ActiveDialogPtr = &front.record;
  ModDialog::BringToFront(&front.record);
  ASSERT_TRUE(front.record.InFront);
  Script(ClickOn(other, 1));
  stopAt = Platform::ElapsedSeconds() + 0.5;
  ModDialogLoop::Execute(front.record.Terminal, &front.record, CountingFilter, stop);
  EXPECT_EQ(ModDialogLoop::ActiveDialogPtr, &front.record);
  EXPECT_EQ(counts.executed, 0);
  EXPECT_EQ(counts.key2, 0);
  EXPECT_EQ(counts.key1, counts.key3);
}

TEST_F(ModDialogLoopTest, PollStartsAtMostOnePassPerIncrement) {
  Dialog& dialog = MainDialog();
  ModDialogLoop::ActiveTerminal = dialog.record.Terminal;
  ModDialogLoop::ActiveDialogPtr = &dialog.record;
  ModDialogTools::UserEventFilter = CountingFilter;
  Script("key x\nkey y\n");
  Platform::Advance(0.2);
  EXPECT_TRUE(ModDialogLoop::Poll());
  EXPECT_FALSE(ModDialogLoop::Poll());  // within 0.1 s of the pass
  EXPECT_EQ(counts.filter, 1);
  Platform::Advance(0.11);
  EXPECT_TRUE(ModDialogLoop::Poll());
  EXPECT_EQ(counts.filter, 2);
}

TEST_F(ModDialogLoopTest, ModalPollRunsTheLoopProcedureUntilTheDialogStops) {
  Dialog& dialog = MainDialog();
  static DialogRecord* record = nullptr;
  static int passes = 0;
  record = &dialog.record;
  passes = 0;
  ModDialogTools::UserEventFilter = CountingFilter;
  ModDialogLoop::ModalPoll(
      &dialog.record,
      [] {
        if (++passes == 10) record->Stop = true;
      },
      true);
  EXPECT_EQ(passes, 10);
  EXPECT_EQ(counts.filter, 9);
  EXPECT_EQ(counts.filter, counts.filterInMainLoop);
}

TEST_F(ModDialogLoopTest, TerminateStopsEveryDialogAndEndsTheLoops) {
  Dialog& dialog = MainDialog();
  ModDialogLoop::Terminate();
  EXPECT_TRUE(dialog.record.Stop);
  EXPECT_TRUE(dialog.record.Interrupted);
  EXPECT_TRUE(MacEnv::Terminated);
  EXPECT_FALSE(ModDialog::Process(&dialog.record, ANSIBase::KeyCharacter, 'x', 0, ModDialogLoop::UpdateBackground));
  MacEnv::Terminated = false;
}

// ---- What a dialog does with events ----------------------------------------------

TEST_F(ModDialogLoopTest, TabEditsTheNextEditableItemAndShiftTabIsACommandKey) {
  Dialog& dialog = MainDialog();
  double volts = 0;
  DialogRecord* d = &dialog.record;
  FillDragField(d, 2, "", kFixed, kDouble, 8, 2, 0.1, -5, 5, 1, false, 0);
  FillProcField(d, 2, &volts, nullptr, nullptr);
  SetCommandKey(d, 1, kCharacterKey, '\t', ANSIBase::kShift, false, false);
  Script("key tab\ntype 2.5\nkey return\nkey tab shift\n");
  Run(dialog);
  EXPECT_EQ(volts, 2.5);
  EXPECT_EQ(d->CurrentItem, 2);
  EXPECT_EQ(counts.executed, 1);
}

TEST_F(ModDialogLoopTest, TabWithoutAnEditableItemDoesNothing) {
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Buttons", {{kButton, "a", "A", 10, 40}, {kButton, "b", "B", 10, 80}}));
  FillProcField(&dialog.record, 1, nullptr, Executed, nullptr);
  FillProcField(&dialog.record, 2, nullptr, Executed, nullptr);
  EXPECT_TRUE(ModDialog::Process(&dialog.record, ANSIBase::KeyCharacter, '\t', 0, ModDialogLoop::UpdateBackground));
  EXPECT_EQ(counts.executed, 0);
  EXPECT_EQ(dialog.record.CurrentItem, 0);
}

int firstRuns = 0;
int secondRuns = 0;
void FirstRuns() { ++firstRuns; }
void SecondRuns() { ++secondRuns; }

TEST_F(ModDialogLoopTest, ACommandKeyOfTwoDialogsGoesToTheReceiverElseToTheNewest) {
  Dialog& first = MainDialog("First");
  Dialog& second = MainDialog("Second");
  FillProcField(&first.record, 1, nullptr, FirstRuns, nullptr);
  FillProcField(&second.record, 1, nullptr, SecondRuns, nullptr);
  firstRuns = secondRuns = 0;
  Dialog& third = Make();
  ASSERT_TRUE(Open(third, "Third", {{kText, "t", "T", 10, 40}}));
  ModDialog::Process(&first.record, ANSIBase::KeyF1, 0, 0, ModDialogLoop::UpdateBackground);
  EXPECT_EQ(firstRuns, 1);
  EXPECT_EQ(secondRuns, 0);
  ModDialog::Process(&third.record, ANSIBase::KeyF1, 0, 0, ModDialogLoop::UpdateBackground);
  EXPECT_EQ(firstRuns, 1);
  EXPECT_EQ(secondRuns, 1);
  EXPECT_EQ(ModDialog::DialogPtr, &third.record);
}

TEST_F(ModDialogLoopTest, AButtonReleasedOutsideIsNotRunAndShowsUninverted) {
  Dialog& dialog = MainDialog();
  const Geometry::Rect& r = dialog[1].Rect;
  Geometry::Point in;
  Geometry::Point out;
  ModDialogTools::LocalToGlobal(&dialog.record, (r.left + r.right) / 2, (r.top + r.bottom) / 2, in);
  ModDialogTools::LocalToGlobal(&dialog.record, r.right + 40, r.bottom + 40, out);
  Script("move " + std::to_string(in.h) + " " + std::to_string(in.v) + "\ndown\nwait 0.2\nmove " +
         std::to_string(out.h) + " " + std::to_string(out.v) + "\nwait 0.2\nup\n");
  Run(dialog);
  EXPECT_EQ(counts.executed, 0);
  EXPECT_FALSE(dialog[1].Inverted);
}

TEST_F(ModDialogLoopTest, AnOptionClickOnADialogThatCannotBeConfiguredHitsNothing) {
  Dialog& dialog = MainDialog();
  dialog.record.Configurable = false;
  ModDialogTools::ConfigMode = 1;
  Script("hold option\n" + ClickOn(dialog, 1) + "release option\n");
  const Geometry::Rect before = dialog[1].Rect;
  Run(dialog);
  EXPECT_EQ(counts.executed, 0);
  EXPECT_EQ(dialog[1].Rect, before);
  ModDialogTools::ConfigMode = 2;
}

TEST_F(ModDialogLoopTest, AMulticheckClickBetweenBoxesChangesNothing) {
  std::uint16_t bits = 0;
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Boxes", {{kMultiCheck, "m", "", 10, 40, 200, 16}}));
  DialogRecord* d = &dialog.record;
  FillProcField(d, 1, &bits, Executed, nullptr);
  dialog[1].Digits = 4;
  const BoxData& box = dialog[1].Area.Box;
  const auto clickAt = [&](int h) {
    Geometry::Point p;
    ModDialogTools::LocalToGlobal(d, h, (box.BoxRect.top + box.BoxRect.bottom) / 2, p);
    return "click " + std::to_string(p.h) + " " + std::to_string(p.v) + "\nwait 0.6\n";
  };
  const int gap = box.BoxRect.right + (box.BoxPitch - Geometry::Width(box.BoxRect)) / 2 + 1;
  Script(clickAt(box.BoxRect.left + 1 + 2 * box.BoxPitch) + clickAt(gap));
  Run(dialog);
  EXPECT_EQ(bits, 0b100);
  EXPECT_EQ(counts.executed, 1);
}

TEST_F(ModDialogLoopTest, AListsTwoKeysStepOverOneDisabledEntryAndNeverWrap) {
  std::uint8_t index = 0;
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "List", {{kList, "l", "", 10, 40, 150, 20}}, [](DialogRecord* d) {
    CreateMenuList(d, 1, "Kind");
    for (const char* entry : {"a", "b", "c", "d"}) AddListItem(d, 1, std::string_view(entry));
    SetListCommandKeys(d, 1, ANSIBase::KeyF1, 0, ANSIBase::KeyF1 + 1, 0, 0, false, false);
  }));
  DialogRecord* d = &dialog.record;
  FillProcField(d, 1, &index, Executed, nullptr);
  EnableItemInList(d, 1, 2, false);
  const struct {
    int key;
    int index;
    int executed;
  } steps[] = {
      {ANSIBase::KeyF1 + 1, 0, 0},  // no entry before the first
      {ANSIBase::KeyF1, 2, 1},      // "b" is disabled
      {ANSIBase::KeyF1, 3, 2},
      {ANSIBase::KeyF1, 3, 2},      // no wrap
      {ANSIBase::KeyF1 + 1, 2, 3},
      {ANSIBase::KeyF1 + 1, 0, 4},
  };
  for (const auto& s : steps) {
    ModDialog::Process(d, s.key, 0, 0, ModDialogLoop::UpdateBackground);
    EXPECT_EQ(index, s.index);
    EXPECT_EQ(counts.executed, s.executed);
  }
}

// ---- Replay -------------------------------------------------------------------------

TEST_F(ModDialogLoopTest, HostileReplayRecordsStayWithinTheirItemsAndVariables) {
  std::uint8_t byte = 0;
  std::int16_t shortValue = 0;
  std::uint16_t set = 0;
  std::uint8_t index = 0;
  char text[6] = "";
  Dialog& dialog = Make();
  ASSERT_TRUE(Open(dialog, "Replay",
                   {{kDrag, "byte"}, {kDrag, "short", "", 10, 60}, {kMultiCheck, "set", "", 10, 90, 200, 16},
                    {kList, "list", "", 10, 120}, {kEditText, "text", "", 10, 150}},
                   [](DialogRecord* d) {
                     CreateMenuList(d, 4, "Kind");
                     for (const char* entry : {"a", "b", "c"}) AddListItem(d, 4, std::string_view(entry));
                   }));
  DialogRecord* d = &dialog.record;
  FillDragField(d, 1, "", kInteger, kByte, 4, 3, 1, 0, 1000, 1, false, 0);
  FillProcField(d, 1, &byte, nullptr, nullptr);
  FillDragField(d, 2, "", kInteger, kInt16, 6, 5, 1, -1e9, 1e9, 1, false, 0);
  FillProcField(d, 2, &shortValue, nullptr, nullptr);
  FillProcField(d, 3, &set, nullptr, nullptr);
  FillProcField(d, 4, &index, nullptr, nullptr);
  FillEdittextField(d, 5, text, 5);
  const struct {
    int item;
    bool relative;
    double number;
    int setBit;
    const char* text;
  } cases[] = {
      {1, false, 200, 0, ""},   {1, true, 100, 0, ""},     // 300: the byte holds 255
      {2, false, 30000, 0, ""}, {2, true, 30000, 0, ""},   // saturates at 32767
      {2, true, -1e12, 0, ""},                             // and at -32768
      {3, true, 0, 3, ""},      {3, true, 0, 40, ""},      // bit 40 is no bit of the set
      {3, true, 0, -3, ""},                                //
      {4, false, 2, 0, ""},     {4, true, 5, 0, ""},       // kept inside the entries
      {4, false, 9, 0, ""},                                // no such entry: unchanged
      {5, false, 0, 0, "much too long"},                   // cut to the variable
      {99, false, 1, 0, ""},    {-7, false, 1, 0, ""},     // no such item
  };
  const struct {
    int byte, shortValue, set, index;
    const char* text;
  } after[] = {
      {200, 0, 0, 0, ""},   {255, 0, 0, 0, ""},      {255, 30000, 0, 0, ""}, {255, 32767, 0, 0, ""},
      {255, -32768, 0, 0, ""}, {255, -32768, 8, 0, ""}, {255, -32768, 8, 0, ""}, {255, -32768, 0, 0, ""},
      {255, -32768, 0, 2, ""}, {255, -32768, 0, 2, ""}, {255, -32768, 0, 2, ""}, {255, -32768, 0, 2, "much "},
      {255, -32768, 0, 2, "much "}, {255, -32768, 0, 2, "much "},
  };
  static_assert(std::size(cases) == std::size(after));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    StoredValue action;
    action.Item = static_cast<std::int16_t>(c.item);
    std::memcpy(action.Value, &c.number, sizeof c.number);
    action.Number = c.setBit;
    std::strncpy(action.Text, c.text, sizeof action.Text - 1);
    ModDialogTools::WasRelativeChange = c.relative;
    ModDialog::PlaybackItem(d, action, true);
    EXPECT_EQ(byte, after[i].byte) << i;
    EXPECT_EQ(shortValue, after[i].shortValue) << i;
    EXPECT_EQ(set, after[i].set) << i;
    EXPECT_EQ(index, after[i].index) << i;
    EXPECT_STREQ(text, after[i].text) << i;
  }
}

}  // namespace
