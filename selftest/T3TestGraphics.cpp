#include "selftest/T3TestGraphics.h"

#include "platform/Events.h"
#include "selftest/TestBase.h"
#include "shell/MacEnv.h"
#include "shell/Mouse.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"

namespace T3TestGraphics {

TestPlotDialog::DialogRecord GraphDialog;
Graphics::GraphicsWindow DataWindow = nullptr;
Graphics::GraphicsWindow TopWindow = nullptr;
Graphics::GraphicsWindow BottomWindow = nullptr;
std::int32_t DataWindowHeight = 0;
std::int32_t TopWindowHeight = 0;
std::int32_t BottomWindowHeight = 0;
std::int32_t DataWindowControl = 7;
std::int32_t TopWindowControl = 8;
std::int32_t BottomWindowControl = 9;
TestPlotDialog::DialogRecord* AbortDialogPtr = &GraphDialog;
std::int32_t AbortItem = 1;
std::int32_t StopItem = 2;
std::int32_t ContinueItem = 3;
std::int32_t RepeatItem = 4;
std::int32_t GeneratorItem = 5;
bool InitDataWindow = false;
bool InitTopWindow = false;
bool InitBottomWindow = false;
bool ControlIcons = false;
bool CursorChanged = false;

namespace {

using TestPlotDialog::Item;
using TestPlotDialog::ItemType;

constexpr int kWriteStateItem = 6;
constexpr int kUpdateItem = 10;
constexpr int kPaneLeft = 2;
constexpr int kPaneWidth = 503;
constexpr int kPaneFont = 16;
constexpr int kPaneTextSize = 9;

void PollGraphDialog() {
  AbortDialogPtr = &GraphDialog;
  AbortItem = 1;
  StopItem = 2;
  ContinueItem = 3;
  RepeatItem = 4;
  GeneratorItem = 5;
}

void ForgetPanes() {
  DataWindow = nullptr;
  TopWindow = nullptr;
  BottomWindow = nullptr;
}

bool MayClose() { return false; }

void NotProcessed(int code, char character) { EventNotProcessed(code, character); }

Item SwitchItem(const char* name, const char* text, int left, int bottom, bool* flag, char key) {
  Item it;
  it.type = ItemType::Switch;
  it.name = name;
  it.text = text;
  it.rect = {left, bottom, 80, 16};
  it.flag = flag;
  it.commandKey = key;
  return it;
}

Item PaneItem(const char* name) {
  Item it;
  it.type = ItemType::GraphicsPane;
  it.name = name;
  it.rect = {kPaneLeft, 0, kPaneWidth, 0};
  return it;
}

void FillDialog(TestPlotDialog::DialogRecord& d) {
  d.title = "Test Plot";
  d.idName = "TestPlot";
  d.rect = {16, 336, 507, 256};
  d.fontNumber = Graphics::Helvetica;
  d.fontSize = 12;
  d.itemCount = 10;
  d.items[1] = SwitchItem("Abort", "Abort", 10, 252, &TestBase::Aborted, 'Q');
  d.items[2] = SwitchItem("Stop", "Stop", 100, 252, &TestBase::Stopped, 'S');
  d.items[3] = SwitchItem("Continue", "Continue", 280, 252, &TestBase::Continue, 'C');
  d.items[4] = SwitchItem("Repeat", "Repeat", 190, 252, &TestBase::Repeat, ' ');
  d.items[5] = SwitchItem("Generator", "Generator", 370, 252, &TestBase::GeneratorOn, 'G');
  d.items[6] = SwitchItem("WriteState", "Write State", 370, 276, &TestBase::WriteState, '?');
  d.items[7] = PaneItem("DataWindow");
  d.items[8] = PaneItem("TopWindow");
  d.items[9] = PaneItem("BottomWindow");
  d.items[kUpdateItem].type = ItemType::User;
  d.items[kUpdateItem].name = "UpdateWindow";
  d.items[kUpdateItem].rect = {1, -1, 1, 1};
  d.notProcessed = NotProcessed;
  d.mayClose = MayClose;
}

bool Setup() {
  TestPlotDialog::ClearRecord(GraphDialog);
  FillDialog(GraphDialog);
  return TestPlotDialog::Open(GraphDialog);
}

Graphics::GraphicsWindow ShowPane(int item, bool shown, std::int32_t bottom, std::int32_t height) {
  TestPlotDialog::ShowItem(GraphDialog, item, shown);
  if (!shown) return nullptr;
  GraphDialog.items[static_cast<std::size_t>(item)].rect = {kPaneLeft, bottom, kPaneWidth, height};
  if (!TestPlotDialog::CreateItemWindow(GraphDialog, item)) return nullptr;
  Graphics::GraphicsWindow w = GraphDialog.items[static_cast<std::size_t>(item)].window;
  Graphics::SetFont(w, kPaneFont, kPaneTextSize, 0);
  return w;
}

Item* PolledItem(std::int32_t item) {
  if (AbortDialogPtr == nullptr || item < 1 || item > AbortDialogPtr->itemCount) return nullptr;
  return &AbortDialogPtr->items[static_cast<std::size_t>(item)];
}

bool Shown(std::int32_t item) {
  const Item* it = PolledItem(item);
  return it != nullptr && it->shown;
}

bool FlagOf(std::int32_t item) {
  const Item* it = PolledItem(item);
  return it != nullptr && it->flag != nullptr && *it->flag;
}

// One button offered or withdrawn, its flag set; drawn when it changed.
void Offer(std::int32_t item, bool shown, bool value) {
  Item* it = PolledItem(item);
  if (it == nullptr) return;
  const bool changed = it->shown != shown || (it->flag != nullptr && *it->flag != value);
  if (it->flag != nullptr) *it->flag = value;
  if (!changed) return;
  if (shown) {
    it->shown = true;
    TestPlotDialog::UpdateItem(*AbortDialogPtr, item);
  } else {
    TestPlotDialog::ShowItem(*AbortDialogPtr, item, false);
  }
}

// The program ends, or (headless) no input will come any more.
bool WaitEnds() { return MacEnv::Terminated || Events::InputEnded(); }

// The window shown (brought to the front when it was hidden).
bool ComesToFront() {
  if (!DialogOpen()) return false;
  if (!TestPlotDialog::IsShown(*AbortDialogPtr)) TestPlotDialog::BringToFront(*AbortDialogPtr);
  return TestPlotDialog::IsShown(*AbortDialogPtr);
}

bool ConsolePoll() {
  if (TestBase::Aborted) return true;
  TestBase::Stopped = false;
  TestBase::Continue = false;
  TestBase::Repeat = false;
  int code = 0;
  char character = 0;
  int modifiers = 0;
  if (!ANSITerm::NextEvent(EditState::ListConsole, code, character, modifiers)) return false;
  if (code != ANSIBase::KeyCharacter) return false;
  if (character == 2 || character == 'Q' || character == 'q') {
    TestBase::Aborted = true;
    return true;
  }
  if (character == 'S' || character == 's') {
    TestBase::Stopped = true;
  } else {
    TestBase::Continue = true;
  }
  return false;
}

}  // namespace

void InitModule() {
  ForgetPanes();
  PollGraphDialog();
  CursorChanged = false;
  DataWindowHeight = 0;
  TopWindowHeight = 0;
  BottomWindowHeight = 0;
  DataWindowControl = 7;
  TopWindowControl = 8;
  BottomWindowControl = 9;
  TestPlotDialog::ClearRecord(GraphDialog);
}

void GetWindowHeights(std::int32_t& dataBottom, std::int32_t& topBottom, std::int32_t& bottomBottom) {
  const std::int32_t h = ControlIcons ? 232 : 256;
  const bool both = InitTopWindow && InitBottomWindow;
  const bool one = InitTopWindow != InitBottomWindow;
  DataWindowHeight = both ? h / 2 : one ? h * 2 / 3 : h;
  dataBottom = DataWindowHeight;
  if (InitDataWindow) {
    TopWindowHeight = InitBottomWindow ? h / 4 : h / 3;
    BottomWindowHeight = InitTopWindow ? h / 4 : h / 3;
    topBottom = InitBottomWindow ? h - h / 4 : h;
  } else {
    TopWindowHeight = InitBottomWindow ? h / 2 : h;
    BottomWindowHeight = InitTopWindow ? h / 2 : h;
    topBottom = InitBottomWindow ? h - h / 2 : h;
  }
  bottomBottom = h;
  DataWindowHeight -= 4;
  TopWindowHeight -= 4;
  BottomWindowHeight -= 4;
  dataBottom -= 2;
  topBottom -= 2;
  bottomBottom -= 2;
}

void Initialize(bool data, bool top, bool bottom, bool controlIcons) {
  TestBase::Aborted = false;
  TestBase::Stopped = false;
  TestBase::Continue = false;
  if (!data && !top && !bottom && !controlIcons) return;
  InitDataWindow = data;
  InitTopWindow = top;
  InitBottomWindow = bottom;
  ControlIcons = controlIcons;
  std::int32_t dataBottom = 0;
  std::int32_t topBottom = 0;
  std::int32_t bottomBottom = 0;
  GetWindowHeights(dataBottom, topBottom, bottomBottom);
  if (!TestPlotDialog::IsOpen(GraphDialog) && !Setup()) {
    TestPlotDialog::Shutdown(GraphDialog);
    ForgetPanes();
    return;
  }
  TestPlotDialog::ShowItem(GraphDialog, 1, controlIcons);
  TestPlotDialog::ShowItem(GraphDialog, kWriteStateItem, controlIcons);
  for (int item = 2; item <= 5; ++item) TestPlotDialog::ShowItem(GraphDialog, item, false);
  DataWindow = ShowPane(DataWindowControl, data, dataBottom, DataWindowHeight);
  TopWindow = ShowPane(TopWindowControl, top, topBottom, TopWindowHeight);
  BottomWindow = ShowPane(BottomWindowControl, bottom, bottomBottom, BottomWindowHeight);
  PollGraphDialog();
  TestPlotDialog::BringToFront(GraphDialog);
  TestPlotDialog::Update(GraphDialog);
}

void Hide() {
  if (TestPlotDialog::IsOpen(GraphDialog)) TestPlotDialog::Hide(GraphDialog);
  ForgetPanes();
  PollGraphDialog();
}

void Shutdown() {
  Hide();
  if (TestPlotDialog::IsOpen(GraphDialog)) TestPlotDialog::Shutdown(GraphDialog);
}

void SetAbortDialog(TestPlotDialog::DialogRecord* dialog, std::int32_t abortItem, std::int32_t stopItem,
                    std::int32_t continueItem, std::int32_t repeatItem, std::int32_t generatorItem) {
  Shutdown();
  AbortDialogPtr = dialog;
  AbortItem = abortItem;
  StopItem = stopItem;
  ContinueItem = continueItem;
  RepeatItem = repeatItem;
  GeneratorItem = generatorItem;
  Activate(false, false, false, false, false);
}

bool DialogOpen() { return AbortDialogPtr != nullptr && TestPlotDialog::IsOpen(*AbortDialogPtr); }

void MarkForUpdate() {
  if (!TestPlotDialog::IsOpen(GraphDialog)) return;
  for (const std::int32_t item : {DataWindowControl, TopWindowControl, BottomWindowControl}) {
    Item& it = GraphDialog.items[static_cast<std::size_t>(item)];
    if (it.shown && it.window != nullptr) it.needsRedraw = true;
  }
  GraphDialog.needsUpdate = true;
}

void NextInput() {
  if (!DialogOpen()) return;
  int code = 0;
  char character = 0;
  int modifiers = 0;
  while (ANSITerm::NextEvent(AbortDialogPtr->terminal, code, character, modifiers)) {
    TestPlotDialog::Process(*AbortDialogPtr, code, character);
  }
}

void EventNotProcessed(std::int32_t code, char) {
  if (code < ANSIBase::KeyCharacter || code > ANSIBase::KeyDeleteRight) return;
  TestBase::Continue = true;
  if (AbortDialogPtr != nullptr) TestPlotDialog::UpdateItem(*AbortDialogPtr, ContinueItem);
}

bool Abort(bool wait) {
  if (!ComesToFront()) return ConsolePoll();
  if (wait) {
    Activate(false, false, true, false, false);
    WaitForInput();
    Activate(false, false, false, false, false);
  } else {
    const int shape = Mouse::GetCursorShape();
    if (shape == Mouse::kWait || shape == Mouse::kWatch) Mouse::SetWaitOrWatchCursor();
    NextInput();
  }
  return DoAbort();
}

bool DoAbort() {
  NextInput();
  return TestBase::Aborted;
}

bool DoStop() {
  NextInput();
  return TestBase::Stopped;
}

bool DoContinue() {
  NextInput();
  return TestBase::Continue;
}

bool GeneratorOn() {
  NextInput();
  return TestBase::GeneratorOn;
}

bool DoRepeat() {
  NextInput();
  if (!TestBase::Repeat) return false;
  TestBase::Repeat = false;
  if (AbortDialogPtr != nullptr) TestPlotDialog::UpdateItem(*AbortDialogPtr, RepeatItem);
  return true;
}

void Activate(bool repeat, bool stop, bool cont, bool generator, bool generatorOn) {
  if (!DialogOpen()) return;
  if (cont) {
    if (!Shown(ContinueItem) && Mouse::GetCursorShape() == Mouse::kWait) {
      CursorChanged = true;
      Mouse::SetWatchCursor();
    }
  } else if (CursorChanged && Shown(ContinueItem)) {
    Mouse::SetWaitCursor();
  }
  Offer(RepeatItem, repeat, false);
  Offer(StopItem, stop, false);
  Offer(ContinueItem, cont, false);
  Offer(GeneratorItem, generator, generatorOn);
}

void WaitForInput() {
  if (!ComesToFront()) return;
  const bool generatorWas = FlagOf(GeneratorItem);
  const int shape = Mouse::GetCursorShape();
  for (;;) {
    Mouse::SetWatchCursor();
    NextInput();
    if (Shown(GeneratorItem) && FlagOf(GeneratorItem) != generatorWas) break;
    bool pressed = false;
    for (const std::int32_t item : {AbortItem, RepeatItem, StopItem, ContinueItem}) {
      pressed = pressed || (Shown(item) && FlagOf(item));
    }
    if (pressed || WaitEnds()) break;
  }
  Mouse::SetCursorShape(shape);
}

void Wait() {
  if (!TestBase::Pausing) return;
  Activate(false, false, true, false, false);
  WaitForInput();
  Activate(false, false, false, false, false);
}

}  // namespace T3TestGraphics
