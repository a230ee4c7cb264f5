#include "dialogs/ModDialogPopup.h"

#include <cstdint>

#include "dialogs/ItemExecution.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogIcons.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Strings.h"
#include "platform/MenuTrack.h"
#include "platform/Menus.h"
#include "platform/Port.h"
#include "platform/Timers.h"
#include "shell/Graphics.h"
#include "shell/MacrosTools.h"
#include "shell/ModMenus.h"
#include "shell/ModWindow.h"
#include "terminal/ANSIBase.h"

namespace ModDialogPopup {

using namespace ModDialogUt;
using ModDialog::DialogPtr;

namespace {

// The filter runs from this long after a menu opened, then at this rate.
constexpr double kFirstFiring = 0.1;
constexpr double kFiringInterval = 0.05;
// The popup opens with the current entry's text on the item's own.
constexpr int kPopupRaise = 12;
constexpr int kMarkedEntries = 16;

int timer = 0;
bool inTimerProc = false;

// The item whose popup tracks, when it still has its menu.
DialogItem* HookedItem() {
  const int n = ModDialogTools::MenuHookItem;
  DialogItem* item = n >= 1 ? ItemOf(DialogPtr, n) : nullptr;
  return item != nullptr && DialogPtr->Open && item->Area.List.Menu != nullptr ? item : nullptr;
}

void TimerProc(void*) {
  DialogRecord* dialog = DialogPtr;
  if (inTimerProc || ModMenus::ExecutingMenuProc() || dialog == nullptr || !dialog->Open) return;
  Port::GrafPort* const port = Port::GetPort();
  Graphics::Bracket bracket(dialog->Window);
  if (!bracket.Began()) return;
  inTimerProc = true;
  ItemExecution::FilterPass();
  inTimerProc = false;
  Port::SetPort(port);
}

void InstallTimer(Menus::Menu*) {
  if (timer == 0) timer = Timers::Install(kFirstFiring, kFiringInterval, TimerProc, nullptr);
}

void RemoveTimer(Menus::Menu*) {
  Timers::Remove(timer);
  timer = 0;
  inTimerProc = false;
}

// The entry under the pointer becomes the item's value, and the item runs
// for it, when it may be chosen.
void CallPopupLoopProc(DialogItem& item, Menus::Menu* menu, int entry) {
  const int n = ModDialogTools::MenuHookItem;
  if (menu != item.Area.List.Menu) return;
  Graphics::Bracket bracket(DialogPtr->Window);
  if (entry >= 1 && entry <= item.Area.List.Count) {
    GetListText(DialogPtr, n, entry, item.Text);
    auto& index = *static_cast<std::uint8_t*>(item.Value);
    if (ItemEnabled(DialogPtr, n, entry) && item.Text[0] != '\0' && item.Text[0] != '-') {
      Strings::Concat(item.Text, item.Unit);
      // The entry the popup opens on is the value already: it runs nothing.
      if (index != entry - 1) {
        index = static_cast<std::uint8_t>(entry - 1);
        if (MacrosTools::DoExecute("@", entry)) ModDialogTools::SafeExecution(n, item.ExecuteProc);
      }
    }
  }
  item.LoopProc(n);
}

void TargetEntry(Menus::Menu* menu, int entry) {
  if (ModMenus::ExecutingMenuProc() || DialogPtr == nullptr || ModDialogTools::MenuHookItem <= 0) return;
  Port::GrafPort* const port = Port::GetPort();
  if (DialogItem* item = HookedItem()) CallPopupLoopProc(*item, menu, entry);
  ItemExecution::FilterPass();
  ModDialogTools::ForAllDo(ModDialogTools::ConditionalUpdate);
  Port::SetPort(port);
}

// The check marks of the list: the chosen entry's (in the plain part) and
// the entries of the check-mark section by their bits.
void MarkMenuItems(DialogItem& item, int index, bool on) {
  ListData& list = item.Area.List;
  if (list.MarkBlock <= 0 || index + 1 < list.MarkBlock) Menus::CheckItem(list.Menu, index + 1, on);
  if (list.MarkBlock <= 0 || list.MarkSet == nullptr) return;
  for (int k = 0; k < kMarkedEntries && list.MarkBlock + k <= list.Count; ++k) {
    Menus::CheckItem(list.Menu, list.MarkBlock + k, on && ((*list.MarkSet >> k) & 1U) != 0);
  }
}

// Tracks the popup; TRUE when the item is to run: the value changed, the
// item always runs, or the popup was cancelled (the value put back).
bool Track(DialogRecord* dialog, int n, DialogItem& item) {
  ListData& list = item.Area.List;
  auto& index = *static_cast<std::uint8_t*>(item.Value);
  ModDialog::DoEraseItem(n);
  Menus::InsertMenu(list.Menu, Menus::kHierarchical);
  const int count = Menus::CountItems(list.Menu);
  ModDialogTools::MenuHookItem = n;
  const std::uint8_t oldIndex = index;
  const std::uint16_t oldSet = list.MarkSet != nullptr ? *list.MarkSet : 0;
  MarkMenuItems(item, index, true);
  Geometry::Point at;
  ModDialogTools::LocalToGlobal(dialog, item.Rect.left, item.Rect.top + item.TextBaseline - kPopupRaise, at);
  const int entry = static_cast<int>(MenuTrack::PopUpMenuSelect(list.Menu, at.v, at.h, index + 1) & 0xFF);
  MarkMenuItems(item, oldIndex, false);
  RemoveTimer(nullptr);
  Menus::DeleteMenu(list.MenuID);
  ModDialogTools::MenuHookItem = 0;
  bool changed = false;
  if (entry == 0 || entry > count) {
    ModDialogTools::ActiveSelectionMode = 2;
    index = oldIndex;
    if (list.MarkSet != nullptr) *list.MarkSet = oldSet;
  } else {
    ModDialogTools::ActiveSelectionMode = 3;
    index = static_cast<std::uint8_t>(entry - 1);
    changed = index != oldIndex;
    const int bit = entry - list.MarkBlock;
    if (list.MarkBlock > 0 && list.MarkSet != nullptr && bit >= 0 && bit < kMarkedEntries) {
      *list.MarkSet = static_cast<std::uint16_t>(oldSet ^ (1U << bit));
      index = oldIndex;
      changed = *list.MarkSet != oldSet;
    }
  }
  ModDialogIcons::GetPopupText(n);
  return changed || item.ExecuteAlways || ModDialogTools::ActiveSelectionMode == 2;
}

}  // namespace

void InitModule() {
  timer = 0;
  inTimerProc = false;
  ModDialogTools::MenuHookItem = 0;
  MenuTrack::SetHooks(MenuTrack::Hooks{InstallTimer, TargetEntry, RemoveTimer});
}

void PopupMenu(int n) {
  DialogRecord* dialog = DialogPtr;
  DialogItem* item = ItemOf(dialog, n);
  if (item == nullptr || item->Area.List.Menu == nullptr || item->Value == nullptr) return;
  ModDialogTools::ActiveSelectionMode = 1;
  dialog->InFront = ModWindow::IsInFront(dialog->Window);
  const int key = ModDialogTools::ActiveKey;
  bool run = true;
  if (dialog->InFront && (key == ANSIBase::KeyMouse || key == ANSIBase::KeyDoubleMouse)) {
    run = Track(dialog, n, *item);
  } else {
    ModDialogTools::ActiveSelectionMode = 3;
  }
  if (run && MacrosTools::DoExecute("@", n)) ModDialogTools::SafeExecution(n, item->ExecuteProc);
  ModDialogTools::RecordProc(DialogPtr, n);
  ModDialog::DoEraseItem(n);
  item->UpdateProc();
  item->DrawProc(n);
}

}  // namespace ModDialogPopup
