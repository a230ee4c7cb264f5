#include "dialogs/ItemExecution.h"

#include <cstdint>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogPopup.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/ValueDrag.h"
#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "platform/Windows.h"
#include "shell/MacrosTools.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

namespace ItemExecution {

using namespace ModDialogUt;
using ModDialog::DialogPtr;

namespace {

// Buttons and boxes follow the pointer; the filter runs from this long
// after the press on.
constexpr double kFilterAfterSeconds = 0.1;

bool IsSwitchLike(int type) {
  return (type >= kButton && type <= kMultiCheck) || type == kFramedBool || type == kPane;
}

// The multicheck box (0-based) under the point, each box grown by a pixel;
// -1 between boxes.
int BoxAt(const DialogItem& item, Geometry::Point point) {
  const BoxData& box = item.Area.Box;
  Geometry::Rect r = Geometry::InsetRect(box.BoxRect, -1, -1);
  for (int k = 0; k < item.Digits; ++k) {
    if (Geometry::PtInRect(point, r)) return k;
    r = Geometry::OffsetRect(r, box.BoxPitch, 0);
  }
  return -1;
}

void Toggle(DialogItem& item, Geometry::Point point) {
  if (item.Value == nullptr) return;
  auto* byte = static_cast<std::uint8_t*>(item.Value);
  if (item.Type == kRadioButton) {
    *byte = item.Area.Box.OffValue == 0 ? 1 : 0;
  } else if (item.Type == kMultiCheck) {
    auto* set = static_cast<std::uint16_t*>(item.Value);
    const int box = item.Digits <= 1 ? 0 : BoxAt(item, point);
    item.Area.Box.BoxNumber = static_cast<std::int16_t>(box);
    if (box < 0) {
      ModDialogTools::ActiveSelectionMode = 0;
    } else {
      *set = static_cast<std::uint16_t>(*set ^ (1U << box));
    }
  } else {
    *byte = *byte == 0 ? 1 : 0;
  }
}

}  // namespace

void FilterPass() {
  int code = ANSIBase::KeyNone;
  char character = 0;
  int modifiers = 0;
  ModDialog::GlobalEventFilter(DialogPtr->Terminal, DialogPtr, code, character, modifiers, false);
}

bool ExecuteItem(int item, int code, char character, int modifiers, bool keyboard, bool audit,
                 Geometry::Point point) {
  DialogRecord* dialog = DialogPtr;
  if (!ModDialog::IsExecutable(dialog, item)) return false;
  if (audit && !ModDialogTools::AuditBeforeProc(dialog, item)) return false;
  DialogItem& it = *ItemOf(dialog, item);
  ModDialogTools::ActiveItem = item;
  ModDialogTools::ActiveKey = code;
  ModDialogTools::ActiveChar = character;
  ModDialogTools::ActiveModifiers = modifiers;
  ModDialog::LastSelectedItem = item;
  ModDialog::StoreItemValue(dialog, item, dialog->LastValue, false);
  bool result = true;
  if (IsSwitchLike(it.Type)) {
    ModDialog::SetInverted(item, true);
    const bool keepValue = ModDialog::RecordingActive && ModDialogTools::ConfigMode == 2 &&
                           (modifiers & ANSIBase::kControl) != 0;
    DoExecuteItem(!keepValue, point, item);
  } else {
    switch (it.Type) {
      case kText:
      case kFramedText:
      case kFramedNumber:
      case kOffscreen:
      case kGWindow:
      case kUser:
        DoExecuteItem(false, point, item);
        break;
      case kDrag:
        if (it.ExecuteAlways) {
          ModDialogTools::SafeExecution(item, it.ExecuteProc);
        } else if (ModDialog::RecordingActive || it.NoConfig || keyboard || DoubleClick(modifiers)) {
          ModDialog::EditText(item);
        } else {
          ValueDrag::DragMenu(item, 0, item);
        }
        break;
      case kDrag2:
        if (!ModDialog::RecordingActive) ValueDrag::DragMenu(item, it.Area.DragItems[0], it.Area.DragItems[1]);
        break;
      case kEditText:
        ModDialog::EditText(item);
        break;
      case kList:
        ModDialogPopup::PopupMenu(item);
        break;
      default:
        result = false;
        break;
    }
  }
  if (audit) ModDialogTools::AuditAfterProc(DialogPtr, item);
  ModDialog::LastSelectionMode = ModDialogTools::ActiveSelectionMode;
  ModDialogTools::ActiveSelectionMode = 0;
  ModDialogTools::ActiveItem = 0;
  ModDialogTools::ActiveKey = 0;
  return result;
}

void DoExecuteItem(bool toggle, Geometry::Point point, int item) {
  DialogRecord* dialog = DialogPtr;
  DialogItem& it = *ItemOf(dialog, item);
  ModDialogTools::ActiveSelectionMode = 3;
  if (toggle) Toggle(it, point);
  if (ModDialogTools::ActiveSelectionMode == 3) {
    if (MacrosTools::DoExecute(dialog->MacroName, item)) ModDialogTools::SafeExecution(item, it.ExecuteProc);
    ModDialogTools::RecordProc(DialogPtr, item);
  }
  it.Inverted = false;
  ModDialog::UpdateItem(dialog, item);
}

bool DoubleClick(int& modifiers) {
  DialogRecord* dialog = DialogPtr;
  while (static_cast<std::int32_t>(Platform::Tick_Count() - ModDialog::MouseDoubleTime) <= 0) {
    int code = ANSIBase::KeyNone;
    char character = 0;
    if (!ANSITerm::NextEvent(dialog->Terminal, code, character, modifiers)) {
      if (Events::InputEnded()) return false;
      continue;
    }
    if (code == ANSIBase::KeyMouse || code == ANSIBase::KeyDoubleMouse) return true;
    if (code != ANSIBase::KeyMouseStillDown) {
      ANSITerm::ReadAgain(dialog->Terminal);
      return false;
    }
  }
  return false;
}

bool TrackControl(int item) {
  DialogRecord* dialog = DialogPtr;
  if (!ModDialog::IsVisible(dialog, item)) return false;
  if (!ModDialog::IsEnabled(dialog, item) || !ModDialog::IsExecutable(dialog, item)) return true;
  DialogItem& it = *ItemOf(dialog, item);
  if (it.Type == kDrag || it.Type == kDrag2) return it.ActOnPress || (Events::StillDown() && !ModDialog::AbortAction);
  if (it.Type < kButton || it.Type > kMultiCheck) return true;
  it.Inverted = false;
  const double filterFrom = Platform::ElapsedSeconds() + kFilterAfterSeconds;
  const Geometry::Rect content = Windows::ContentRect(dialog->MacWindow);
  for (;;) {
    Geometry::Point where;
    const bool released = Events::TrackRelease(where);
    Geometry::Point local{where.h - content.left, where.v - content.top};
    if (!released) Events::GetMouse(local);
    ModDialog::SetInverted(item, Geometry::PtInRect(local, it.Rect));
    ModDialog::ForceUpdate(dialog);
    if (it.ActOnPress || released || ModDialog::AbortAction) break;
    Events::Idle(Events::kTrackInterval);
    if (Platform::ElapsedSeconds() >= filterFrom) FilterPass();
  }
  return it.Inverted;
}

}  // namespace ItemExecution
