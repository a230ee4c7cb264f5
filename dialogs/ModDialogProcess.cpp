// ModDialog: what a dialog does with one event.
#include "dialogs/ModDialog.h"

#include "dialogs/ItemExecution.h"
#include "dialogs/ModDialogConfig.h"
#include "dialogs/ModDialogTools.h"
#include "platform/Events.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/MacrosTools.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

namespace ModDialog {

using namespace ModDialogUt;
using namespace ANSIBase;

namespace {

constexpr int kModifierMask = kCommand | kShift | ANSIBase::kCapsLock | kOption | kControl;
// Asks the dialog to show itself; posted by the program, never made by the
// event source.
constexpr int kKeyShow = 59;

char Capital(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsListItem(const DialogItem& item) { return item.Type == kList || item.Type == kFramedList; }

// The next drag or edittext item after the current one that can run,
// taken as if chosen from the keyboard.
void NextEditItem(DialogRecord* dialog) {
  const int n = dialog->ItemCount;
  const int start = dialog->CurrentItem;
  for (int i = (start + 1) % (n + 1); i != start; i = (i + 1) % (n + 1)) {
    const DialogItem* item = ItemOf(dialog, i);
    if (i == 0 || (item->Type != kDrag && item->Type != kEditText) || !IsExecutable(dialog, i)) continue;
    if (!ModDialogTools::SafeHelpProc(dialog->HelpProc, i)) {
      ItemExecution::ExecuteItem(i, 0, 0, 0, true, true);
    }
    return;
  }
}

bool KeyCharacterMatches(const DialogItem& item, int kind, char wanted, char character, int modifiers) {
  if (item.AnyModifier && (kind != kCharacterKey || wanted == Capital(character))) return true;
  return (modifiers & kModifierMask) == item.CommandModifiers && (kind != kCharacterKey || wanted == character);
}

// The highest item of the current dialog whose command key this is; second
// tells that a list's second key matched.
int CommandKeyItem(int code, char character, int modifiers, bool& second) {
  DialogRecord* dialog = DialogPtr;
  for (int i = dialog->LastKeyItem; i >= 1; --i) {
    const DialogItem* item = ItemOf(dialog, i);
    if (item == nullptr || !IsExecutable(dialog, i) || item->CommandKind <= 1) continue;
    if (code == item->CommandKind && KeyCharacterMatches(*item, code, item->CommandChar, character, modifiers)) {
      second = false;
      return i;
    }
    const ListData& list = item->Area.List;
    if (IsListItem(*item) && list.SecondKind >= 2 && code == list.SecondKind &&
        KeyCharacterMatches(*item, code, list.SecondChar, character, modifiers)) {
      second = true;
      return i;
    }
  }
  return 0;
}

// The entry the list's keys step to (0-based), one disabled entry skipped;
// -1 when there is none to go to.
int SteppedIndex(DialogRecord* dialog, int item, int index, bool back) {
  const int target = back ? (ItemEnabled(dialog, item, index) ? index - 1 : index - 2)
                          : (ItemEnabled(dialog, item, index + 2) ? index + 1 : index + 2);
  const int count = ItemOf(dialog, item)->Area.List.Count;
  return target >= 0 && target < count && ItemEnabled(dialog, item, target + 1) ? target : -1;
}

bool ScanCommandKeys(int code, char character, int modifiers) {
  DialogRecord* dialog = DialogPtr;
  bool second = false;
  const int i = CommandKeyItem(code, character, modifiers, second);
  if (i == 0) return false;
  DialogItem& item = *ItemOf(dialog, i);
  if ((item.KeyFrontOnly && !dialog->InFront) || ModDialogTools::SafeHelpProc(dialog->HelpProc, i)) return false;
  if (!ModDialogTools::AuditBeforeProc(dialog, i)) return true;
  bool used = true;
  bool execute = true;
  switch (item.Type) {
    case kButton:
    case kSwitch:
      SetInverted(i, true);
      break;
    case kMultiCheck:
      execute = false;
      break;
    case kDrag:
    case kEditText:
      EditText(i);
      execute = false;
      break;
    case kList:
    case kFramedList:
      if (item.Area.List.SecondKind >= 2 && item.Value != nullptr) {
        auto& index = *static_cast<std::uint8_t*>(item.Value);
        const int target = SteppedIndex(dialog, i, index, second);
        execute = target >= 0;
        if (execute) index = static_cast<std::uint8_t>(target);
      }
      break;
    default:
      break;
  }
  if (execute) used = ItemExecution::ExecuteItem(i, code, character, modifiers, false, false);
  ModDialogTools::AuditAfterProc(DialogPtr, i);
  return used;
}

// Offers an unused key as a command key to this dialog, then to every
// other open dialog from the first; a key no dialog takes is recorded.
bool OfferCommandKey(DialogRecord* dialog, int code, char character, int modifiers) {
  bool used = ScanCommandKeys(code, character, modifiers);
  for (DialogRecord* other = ModDialogTools::RootDialog.NextDialog; !used && other != nullptr;
       other = other->NextDialog) {
    if (other == dialog) continue;
    Graphics::Bracket bracket(other->Window);
    if (!bracket.Began()) continue;
    DialogPtr = other;
    used = ScanCommandKeys(code, character, modifiers);
  }
  DialogPtr = dialog;
  if (!used) {
    ModDialogTools::ActiveKey = code;
    ModDialogTools::ActiveChar = character;
    ModDialogTools::ActiveModifiers = modifiers;
    ModDialogTools::RecordProc(dialog, -1);
    ModDialogTools::ActiveKey = 0;
  }
  return used;
}

// The item under the local point: from the last down with the gestures
// that reach behind others, else from the first up.
int HitItem(DialogRecord* dialog, Geometry::Point local, bool fromLast, bool hiddenToo, bool anyItem) {
  const int n = dialog->ItemCount;
  for (int k = 1; k <= n; ++k) {
    const int i = fromLast ? n + 1 - k : k;
    if ((hiddenToo || IsVisible(dialog, i)) && (anyItem || IsEnabled(dialog, i)) &&
        Geometry::PtInRect(local, ItemOf(dialog, i)->Rect)) {
      return i;
    }
  }
  return 0;
}

bool MouseSelection(int modifiers, bool configure, bool twice, BackgroundUpdate background) {
  DialogRecord* dialog = DialogPtr;
  if (AbortAction) return false;
  const bool option = configure && (modifiers & kOption) != 0;
  const bool command = configure && (modifiers & kCommand) != 0;
  const bool group = option && command;
  const bool anyItem = option || command;
  const bool hiddenToo = command && (modifiers & kShift) != 0;
  if (!dialog->Configurable && anyItem) return false;
  const Geometry::Point press = MacEnv::theEvent.where;
  const ModWindow::WindowParameters& w = dialog->WindowRect;
  if (!Geometry::PtInRect(press, Geometry::SetRect(w.left, w.top, w.right, w.bottom))) return false;
  const Geometry::Rect content = Windows::ContentRect(dialog->MacWindow);
  const Geometry::Point local{press.h - content.left, press.v - content.top};
  const int i = HitItem(dialog, local, group || hiddenToo, hiddenToo, anyItem);
  if (i == 0) return false;
  if (option) {
    ItemExecution::DragItem(i, local, group);
    return true;
  }
  DialogItem& item = *ItemOf(dialog, i);
  bool done = false;
  if (item.Value != nullptr && ItemExecution::TrackControl(i)) {
    Geometry::Point now;
    Events::GetMouse(now);
    if (Geometry::PtInRect(now, item.Rect)) {
      if (command) {
        SetInverted(i, false);
        ModDialogConfig::ConfigureDialog(dialog, i, background);
        done = true;
      } else if (ModDialogTools::SafeHelpProc(dialog->HelpProc, i) || !IsExecutable(dialog, i)) {
        done = !item.Inverted;
      } else {
        const bool keyboard = twice || (modifiers & (kControl | kShift)) != 0;
        done = ItemExecution::ExecuteItem(i, twice ? KeyDoubleMouse : KeyMouse, 0, modifiers, keyboard, true, now) ||
               !item.Inverted;
      }
    }
  }
  if (!done) {
    item.Inverted = false;
    if (IsVisible(dialog, i)) UpdateItem(dialog, i);
  }
  return true;
}

void Deactivated(DialogRecord* dialog) {
  if (dialog->Shown) ModDialogTools::ResizeIcon(dialog, 0, false);
  if (MacEnv::gInBackground) return;
  if (dialog->Active) dialog->DeactivateProc();
  dialog->Active = false;
  dialog->InFront = false;
}

void Activated(DialogRecord* dialog) {
  if (dialog->Iconized) Unpack(dialog);
  if (dialog->Shown) ModDialogTools::ResizeIcon(dialog, 0, true);
  if (!dialog->Active) dialog->ActivateProc();
  dialog->Active = true;
  dialog->InFront = true;
}

// The event table; unhandled: a key to be offered as a command key.
bool Dispatch(DialogRecord* dialog, int code, char character, int modifiers, BackgroundUpdate background,
              bool& unhandled) {
  const bool own = ANSITerm::ActiveWindow() == dialog->MacWindow;
  switch (code) {
    case KeyCharacter:
      if (character == '\t' && (modifiers & kModifierMask) == 0) {
        NextEditItem(dialog);
        return true;
      }
      unhandled = true;
      return false;
    case KeyEnter: {
      const int current = dialog->CurrentItem;
      if (current < 1 || current > dialog->ItemCount || !IsExecutable(dialog, current) ||
          !ModDialogTools::AuditBeforeProc(dialog, current)) {
        return false;
      }
      ModDialogTools::ActiveItem = current;
      EditText(current);
      ModDialogTools::AuditAfterProc(dialog, current);
      ModDialogTools::ActiveItem = 0;
      return true;
    }
    case KeyHelp:
      return ModDialogTools::SafeHelpProc(dialog->HelpProc, 0);
    case KeyMouse: {
      if (!own) return false;
      const std::uint32_t when = MacEnv::theEvent.when;
      const bool twice = static_cast<std::int32_t>(when - MouseDoubleTime) <= 0;
      MouseDoubleTime = when + Events::GetDblTime();
      const int config = ModDialogTools::ConfigMode;
      return MouseSelection(modifiers, config == 1 || config == 3, twice, background);
    }
    case KeyDoubleMouse:
      return MouseSelection(modifiers, false, true, background);
    case KeyDeactivate:
      if (own) Deactivated(dialog);
      return own;
    case KeyActivate:
      if (own) Activated(dialog);
      return own;
    case KeyUpdate:
      if (own) {
        Update(dialog);
      } else {
        background();
      }
      return true;
    case KeyWindow:
      if (!own || !ToFront(dialog, false)) return false;
      dialog->Active = false;
      Activated(dialog);
      return true;
    case KeyMoved:
    case KeyResized:
      if (!own) return false;
      UpdateWindowPosition(dialog);
      if (code == KeyResized) dialog->ResizeProc(0);
      return true;
    case kKeyShow:
      Show(dialog);
      return true;
    case KeyWindowClose:
      return ANSITerm::ActiveWindow() == DialogPtr->MacWindow && Close(DialogPtr);
    case KeyMenu:
      ModDialogTools::RecordProc(DialogPtr, -2);
      return false;
    case KeyOSEvent:
      if (!dialog->Iconized) ModDialogTools::ResizeIcon(dialog, 0, character != 0);
      return true;
    case KeyNone:
    case KeyConsumed:
    case KeyTripleMouse:
    case KeyMouseStillDown:
      return false;
    default:
      unhandled = true;
      return false;
  }
}

}  // namespace

void EditText(int item) {
  DialogRecord* dialog = DialogPtr;
  DialogItem* it = ItemOf(dialog, item);
  if (it == nullptr || item < 1) return;
  StoreItemValue(dialog, item, dialog->LastValue, false);
  dialog->CurrentItem = static_cast<std::int16_t>(item);
  LastSelectedItem = item;
  if (ModDialogTools::DoEditText(item, it->Rect, it->Type == kEditText, true)) {
    if (MacrosTools::DoExecute(dialog->MacroName, item)) {
      ModDialogTools::ActiveSelectionMode = 3;
      ModDialogTools::SafeExecution(item, it->ExecuteProc);
    }
    ModDialogTools::RecordProc(DialogPtr, dialog->CurrentItem);
  }
  it->UpdateProc();
  if (IsVisible(dialog, item)) it->DrawProc(item);
}

void Execute(DialogRecord* dialog, int item) {
  if (!dialog->Open || item < 1 || item > dialog->ItemCount) return;
  ModDialogTools::DialogContext context;
  ModDialogTools::GetState(context, dialog);
  ModDialogTools::ActiveItem = item;
  ModDialogTools::ActiveKey = 0;
  ModDialogTools::ActiveChar = 0;
  ModDialogTools::ActiveModifiers = 0;
  ModDialogTools::ActiveSelectionMode = 3;
  ModDialogTools::SafeExecution(item, ItemOf(dialog, item)->ExecuteProc);
  ModDialogTools::ResetState(context);
}

bool Process(DialogRecord* dialog, int code, char character, int modifiers, BackgroundUpdate background) {
  if (!dialog->Open) return false;
  bool used = false;
  bool unhandled = false;
  {
    Graphics::Bracket bracket(dialog->Window);
    if (!bracket.Began()) return false;
    DialogPtr = dialog;
    ModDialogTools::ActiveItem = 0;
    ModDialogTools::ActiveKey = 0;
    ModDialogTools::ActiveModifiers = modifiers;
    ModDialogTools::ActiveSelectionMode = 0;
    LastSelectionMode = 0;
    ModDialogTools::ConversionOK = true;
    if (MacEnv::Terminated) {
      dialog->Stop = true;
      dialog->Interrupted = true;
      return false;
    }
    if (ModDialogTools::ConfigMode > 1) ModDialogTools::ConfigMode = (modifiers & ANSIBase::kCapsLock) != 0 ? 3 : 2;
    used = Dispatch(dialog, code, character, modifiers, background, unhandled);
  }
  if (unhandled && dialog->KeysActive && dialog->Open) {
    used = OfferCommandKey(dialog, code, character, modifiers) || used;
  }
  ModDialogTools::ForAllDo(ModDialogTools::ConditionalUpdate);
  return used;
}

}  // namespace ModDialog
