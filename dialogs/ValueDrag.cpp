#include "dialogs/ValueDrag.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "dialogs/ItemExecution.h"
#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogMouse.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "platform/EventQueue.h"
#include "platform/Events.h"
#include "platform/Pattern.h"
#include "platform/Port.h"
#include "shell/Graphics.h"
#include "shell/MacrosTools.h"
#include "shell/Mouse.h"

namespace ValueDrag {

using namespace ModDialogUt;
using ModDialog::DialogPtr;

namespace {

constexpr double kPollSeconds = 1.0;
constexpr int kLeastResetSteps = 20;
// Beyond this many grid steps a value is not rounded to the grid.
constexpr double kGridLimit = 2147483647.0;

enum DragState : std::uint8_t { kIdle = 0, kStarted = 1, kMovingUp = 2, kMovingDown = 3 };

// An item's look before the drag showed it in the highlight colour.
struct Look {
  Color::RGB back;
  bool dark = false;
};

void Redraw(DialogItem& item, int n) {
  item.UpdateProc();
  item.DrawProc(n);
}

Look Highlight(int n, bool dark) {
  DialogItem* item = n >= 1 ? ItemOf(DialogPtr, n) : nullptr;
  if (item == nullptr) return {};
  const Look look{item->BackColor, item->DarkBack};
  item->BackColor = Graphics::HiliteColor;
  item->DarkBack = dark;
  Redraw(*item, n);
  return look;
}

// Back to its look; the final value runs once more.
void Reset(int n, const Look& look) {
  DialogItem* item = n >= 1 ? ItemOf(DialogPtr, n) : nullptr;
  if (item == nullptr) return;
  item->BackColor = look.back;
  item->DarkBack = look.dark;
  if (MacrosTools::DoExecute(DialogPtr->MacroName, n)) ModDialogTools::SafeExecution(n, item->ExecuteProc);
  ModDialogTools::RecordProc(DialogPtr, n);
  item->UpdateProc();
  if (ModDialog::IsVisible(DialogPtr, n)) {
    item->DrawProc(n);
  } else {
    ModDialog::ClearItem(DialogPtr, n);
  }
}

void Drag(int n, int pixels, int& accumulator) {
  DialogItem* item = n >= 1 ? ItemOf(DialogPtr, n) : nullptr;
  if (item == nullptr || pixels == 0) return;
  Strings::Clear(item->Text);
  IncrementItemValue(*item, accumulator, pixels);
  if (MacrosTools::DoExecute(DialogPtr->MacroName, n)) ModDialogTools::SafeExecution(n, item->ExecuteProc);
  Redraw(*item, n);
}

// The step state after steps in one direction or the other.
void FollowDirection(DragParameters& d, int steps) {
  const bool down = steps < 0;
  if (d.DragState == kIdle || d.DragState > kMovingDown) {
    d.DragState = kStarted;
    d.DragFactor = d.RelativeStep;
    d.ResetSteps = std::max<std::int16_t>(d.ResetSteps, kLeastResetSteps);
  }
  if (d.DragState == kStarted) {
    d.DragState = down ? kMovingDown : kMovingUp;
    d.StepCount = 0;
  } else if ((d.DragState == kMovingDown) != down) {
    d.DragFactor *= d.ReversalFactor;
    d.StepCount = static_cast<std::int16_t>(std::clamp(steps, -32767, 32767));
    d.DragState = down ? kMovingDown : kMovingUp;
  } else if (std::abs(d.StepCount) >= d.ResetSteps) {
    d.DragFactor = d.RelativeStep;
  } else {
    d.StepCount = static_cast<std::int16_t>(std::clamp(d.StepCount + steps, -32767, 32767));
  }
}

}  // namespace

void IncrementItemValue(DialogItem& item, int& accumulator, int pixels) {
  if (item.Value == nullptr) return;
  DragParameters& d = item.Area.Drag;
  // A layout file may hold 0 pixels per step: one pixel makes a step then.
  const int perStep = std::max<int>(d.PixelsPerStep, 1);
  const int before = accumulator / perStep;
  accumulator += pixels;
  const int steps = accumulator / perStep - before;
  if (steps == 0) return;
  FollowDirection(d, steps);
  if (item.ValueKind == kBoolean) {
    if (std::abs(steps) > 1) ItemValue::Write(item, steps < 0 ? 0 : 1);
    return;
  }
  double v = 0;
  if (!ItemValue::Read(item, v)) return;
  double increment = std::max(std::fabs(v * d.DragFactor), d.DragStep) * steps;
  if (d.DragFactor < 0) increment = -increment;
  v = ItemValue::WithinKind(item.ValueKind, d.DragInverse ? v - increment : v + increment);
  if (v < item.Minimum) {
    v = item.Minimum;
  } else if (v > item.Maximum) {
    v = item.Maximum;
  } else if (d.DragStep != 0 && std::fabs(v / d.DragStep) <= kGridLimit) {
    v = std::round(v / d.DragStep) * d.DragStep;
  }
  ItemValue::Write(item, v);
}

void DragMenu(int item, int horizontalItem, int verticalItem) {
  DialogRecord* dialog = DialogPtr;
  DialogItem& it = *ItemOf(dialog, item);
  Graphics::Bracket bracket(dialog->Window);
  if (!bracket.Began()) return;
  const bool dark = Graphics::ColorLessThanThreshold(Graphics::HiliteColor);
  double nextPoll = Platform::ElapsedSeconds() + kPollSeconds;
  Port::BackPat(Pattern::kWhite);
  ModDialogMouse::SetDragCursor(horizontalItem > 0, dark);
  const Geometry::Point start = ModDialogMouse::GetMouseLocation();
  ModDialogTools::ActiveSelectionMode = 1;
  const Look horizontalLook = Highlight(horizontalItem, dark);
  const Look verticalLook = Highlight(verticalItem, dark);
  dialog->CurrentItem = static_cast<std::int16_t>(verticalItem);
  const Geometry::Rect& r = it.Rect;
  const int centre = (r.left + r.right) / 2;
  const Geometry::Point anchor{horizontalItem > 0 ? centre : (start.h < centre ? r.left : r.right),
                               (r.top + r.bottom) / 2};
  ModDialogMouse::SetMouseLocation(anchor);
  int horizontalPixels = 0;
  int verticalPixels = 0;
  Geometry::Point released;
  do {
    if (Platform::ElapsedSeconds() >= nextPoll) {
      EventQueue::EventRecord none;
      Events::EventAvail(0, none);
      nextPoll = Platform::ElapsedSeconds() + kPollSeconds;
    }
    const Geometry::Point mouse = ModDialogMouse::GetMouseLocation();
    const int dx = mouse.h - anchor.h;
    const int dy = anchor.v - mouse.v;
    if (dy != 0 || (dx != 0 && horizontalItem > 0)) {
      ModDialogMouse::SetMouseLocation(anchor);
      Drag(horizontalItem, dx, horizontalPixels);
      Drag(verticalItem, dy, verticalPixels);
      ModDialog::ForceUpdate(dialog);
    }
    it.LoopProc(item);
    ItemExecution::FilterPass();
    ModDialogTools::ForAllDo(ModDialogTools::ConditionalUpdate);
    Events::Idle(Events::kTrackInterval);
  } while (!Events::TrackRelease(released) && !ModDialog::AbortAction);
  ModDialogTools::ActiveSelectionMode = 3;
  Reset(horizontalItem, horizontalLook);
  Reset(verticalItem, verticalLook);
  it.DrawProc(item);
  ModDialogMouse::SetMouseLocation(start);
  Mouse::SetArrowCursor();
}

}  // namespace ValueDrag
