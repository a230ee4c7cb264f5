// ModDialog: the replay of recorded actions, with every value held within
// what its item and its variable can take, whatever the record says.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Strings.h"
#include "shell/MacrosTools.h"
#include "shell/ModMenus.h"

namespace ModDialog {

using namespace ModDialogUt;

namespace {

constexpr int kFirstMenu = 2;
constexpr int kLastMenu = 40;
constexpr int kSetBits = 16;

double RecordedNumber(const StoredValue& action) { return ItemValue::Load<double>(action.Value); }

void PlaybackMenu(const StoredValue& action, bool execute) {
  if (action.Text[0] == '\0') return;
  const std::int32_t item = ItemValue::Load<std::int32_t>(action.Value);
  for (int menu = kFirstMenu; menu <= kLastMenu; ++menu) {
    char name[kNameSize] = "";
    ModMenus::GetMenuName(menu, name);
    if (!Strings::EqualCap(name, action.Text)) continue;
    if (action.KeyGiven) {
      ModMenus::SetCommandKey(menu, item, action.Character);
    } else if (execute) {
      ModMenus::ExecuteMenuProc(menu, item);
    }
    return;
  }
}

void AssignKey(DialogRecord* dialog, int n, const StoredValue& action) {
  DialogItem& item = *dialog->Items[n];
  const bool list = item.Type == kList || item.Type == kFramedList;
  if (action.SecondKey && list) {
    SetListCommandKeys(dialog, n, item.CommandKind, item.CommandChar, action.Key, action.Character, action.Modifiers,
                       action.AnyModifier, item.KeyFrontOnly);
  } else {
    SetCommandKey(dialog, n, action.Key, action.Character, action.Modifiers, action.AnyModifier, item.KeyFrontOnly);
  }
}

// The list index the recorded move leads to, one disabled entry stepped
// over in its direction; -1 when the target is disabled.
int MovedIndex(DialogRecord* dialog, int n, int index, int move) {
  const int count = dialog->Items[n]->Area.List.Count;
  if (count <= 0) return -1;
  int target = std::clamp(index + move, 0, count - 1);
  if (!ItemEnabled(dialog, n, target + 1) && move != 0) target = std::clamp(target + (move > 0 ? 1 : -1), 0, count - 1);
  return ItemEnabled(dialog, n, target + 1) ? target : -1;
}

void ApplyByte(DialogRecord* dialog, int n, const StoredValue& action) {
  DialogItem& item = *dialog->Items[n];
  auto& byte = *static_cast<std::uint8_t*>(item.Value);
  const double number = RecordedNumber(action);
  if (!std::isfinite(number)) return;
  const bool relative = ModDialogTools::WasRelativeChange;
  if (item.Type == kList || item.Type == kFramedList) {
    const int target = relative ? MovedIndex(dialog, n, byte, static_cast<int>(std::clamp(number, -256.0, 256.0)))
                                : static_cast<int>(std::clamp(std::round(number), -1.0, 256.0));
    if (target >= 0 && target < item.Area.List.Count && ItemEnabled(dialog, n, target + 1)) {
      byte = static_cast<std::uint8_t>(target);
    }
    return;
  }
  byte = static_cast<std::uint8_t>(std::clamp(std::round(relative ? byte + number : number), 0.0, 255.0));
}

void ApplySet(DialogItem& item, const StoredValue& action) {
  auto& set = *static_cast<std::uint16_t*>(item.Value);
  if (!ModDialogTools::WasRelativeChange) {
    set = ItemValue::Load<std::uint16_t>(action.Value);
  } else if (const int bit = std::abs(action.Number); bit < kSetBits) {
    set = static_cast<std::uint16_t>(action.Number < 0 ? set & ~(1U << bit) : set | (1U << bit));
  }
  item.Area.Box.BoxNumber = static_cast<std::int16_t>(std::clamp(action.Number, -1, kSetBits - 1));
}

void ApplyValue(DialogRecord* dialog, int n, const StoredValue& action) {
  DialogItem& item = *dialog->Items[n];
  if (item.Value == nullptr) return;
  switch (item.ValueKind) {
    case kSet16:
      ApplySet(item, action);
      break;
    case kBoolean: {
      const bool on = ItemValue::Load<double>(action.Value) > 0;
      *static_cast<std::uint8_t*>(item.Value) = on != ModDialogTools::RelativeChange ? 1 : 0;
      break;
    }
    case kByte:
      ApplyByte(dialog, n, action);
      break;
    case kString:
      CopyString(action.Text, std::span<char>(static_cast<char*>(item.Value), static_cast<std::size_t>(item.Length) + 1),
                 item.Length + 1, kNameSize);
      break;
    default: {
      double value = RecordedNumber(action);
      double old = 0;
      if (ModDialogTools::WasRelativeChange && ItemValue::Read(item, old)) value += old;
      ItemValue::Write(item, value);
      break;
    }
  }
}

void PlaybackValue(DialogRecord* dialog, int n, const StoredValue& action, bool execute) {
  DialogItem& item = *dialog->Items[n];
  if (!IsExecutable(dialog, n) || ModDialogTools::SafeHelpProc(dialog->HelpProc, n) ||
      !ModDialogTools::AuditBeforeProc(dialog, n)) {
    return;
  }
  ApplyValue(dialog, n, action);
  CheckOneValue(dialog, n);
  ModDialogTools::ActiveItem = n;
  ModDialogTools::ActiveKey = action.Key;
  ModDialogTools::ActiveChar = action.Character;
  ModDialogTools::ActiveModifiers = action.Modifiers;
  ModDialogTools::ActiveSelectionMode = 3;
  if (execute && MacrosTools::DoExecute(dialog->MacroName, n)) {
    if ((item.Type == kButton || item.Type == kSwitch) && IsVisible(dialog, n)) SetInverted(n, true);
    ModDialogTools::SafeExecution(n, item.ExecuteProc);
  }
  item.Inverted = false;
  UpdateItem(dialog, n);
  ModDialogTools::AuditAfterProc(dialog, n);
  ModDialogTools::ActiveItem = 0;
  ModDialogTools::ActiveKey = 0;
  ModDialogTools::ActiveSelectionMode = 0;
}

}  // namespace

void Playback(DialogRecord* dialog, std::span<const StoredValue> actions, int high) {
  const int last = std::min<int>(high, static_cast<int>(actions.size()) - 1);
  for (int i = 0; i <= last && actions[static_cast<std::size_t>(i)].Item != 0; ++i) {
    PlaybackItem(dialog, actions[static_cast<std::size_t>(i)], true);
  }
}

void PlaybackItem(DialogRecord* dialog, const StoredValue& action, bool execute) {
  ModDialogTools::DialogContext context;
  if (!ModDialogTools::GetState(context, dialog)) return;
  const int n = action.Item;
  if (n == -2) {
    PlaybackMenu(action, execute);
  } else if (n == -1) {
    if (execute) {
      char character = action.Character;
      int code = action.Key;
      int modifiers = action.Modifiers;
      dialog->KeyProc2(character, code, modifiers);
    }
  } else if (n >= 1 && n <= dialog->ItemCount) {
    if (action.KeyGiven) {
      AssignKey(dialog, n, action);
    } else {
      PlaybackValue(dialog, n, action, execute);
    }
  }
  ModDialogTools::WasRelativeChange = ModDialogTools::RelativeChange;
  ModDialogTools::RelativeChange = false;
  ModDialogTools::ResetState(context);
}

void RestoreLastValue(DialogRecord* dialog) {
  ModDialogTools::ConversionOK = true;
  const StoredValue last = dialog->LastValue;
  PlaybackItem(dialog, last, false);
}

void StoreItemValue(DialogRecord* dialog, int item, StoredValue& action, bool relative) {
  ModDialogTools::StoreItemValue(dialog, item, action, relative);
}

}  // namespace ModDialog
