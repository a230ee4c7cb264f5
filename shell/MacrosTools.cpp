// MacrosTools: recording, playback of single lines and the listings.
#include "shell/MacrosTools.h"

#include <algorithm>
#include <string_view>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "shell/MacEnv.h"
#include "shell/MacroNames.h"
#include "shell/ModMenus.h"
#include "shell/Mouse.h"

namespace MacrosTools {

using namespace ModDialogUt;

int MacrosVersion = kPlainVersion;
int DefMinChars = 19;
int TempFKeys[kFKeyCount] = {};
bool ExecuteWhileRecord = true;
bool PlaybackActive = false;

namespace {

constexpr int kStopIDSize = 8;
constexpr int kPlainColumn = 19;
constexpr int kCombinedColumn = 30;
constexpr int kListLineSize = 256;
// A playback that does not end within this time is taken as hung.
constexpr double kPlaybackTimeoutSeconds = 60;

char stopDialogID[kStopIDSize + 1] = "";
int stopItem = 0;
NotifyProc recordNotifyProc = NoNotify;
Proc recordUpdateProc = NoProc;
Proc updateRelativeProc = NoProc;
Proc beforeRecordProc = NoProc;

// The item's value kind as the macro listing names it.
std::string_view ValueKindName(const DialogItem& it) {
  switch (it.ValueKind) {
    case kDouble:
    case kSingle:
      return "real";
    case kInt32:
    case kInt16:
      return "integer";
    case kSet16:
      return "set16";
    case kBoolean:
      return "boolean";
    case kByte:
      if (it.Type != kList && it.Type != kFramedList) return "char";
      return MacroNames::HasSecondInteger(it) ? "list index + 2. integer" : "list index";
    default:
      return "string";
  }
}

bool Listed(int type) {
  switch (type) {
    case kButton:
    case kSwitch:
    case kRadioButton:
    case kCheckBox:
    case kMultiCheck:
    case kFramedText:
    case kFramedNumber:
    case kFramedBool:
    case kDrag:
    case kEditText:
    case kList:
    case kUser:
    case kPane:
      return true;
    default:
      return false;
  }
}

bool listMacroOnly = false;

void ListDialog(DialogRecord* dialog) {
  const std::span<const char> name = MacroNames::OfDialog(*dialog);
  if (Strings::Length(name) == 0) return;
  TermIO::WriteString(";    DIALOG: \"");
  if (!MacEnv::CombinedNames) {
    TermIO::WriteString(dialog->MacroName);
    TermIO::WriteString("\" = \"");
  }
  TermIO::WriteString(dialog->IDName);
  TermIO::WriteLine("\"");
  for (int n = 1; n <= dialog->ItemCount; ++n) {
    const DialogItem& it = *dialog->Items[n];
    if (Strings::Length(it.Name) == 0 || (listMacroOnly && !it.Macro) || !it.Executable || !Listed(it.Type)) continue;
    char line[kListLineSize] = "  ";
    if (!MacEnv::CombinedNames) {
      Strings::Concat(line, dialog->MacroName);
      Strings::Concat(line, "  ");
    }
    Strings::Concat(line, it.Name);
    if (listMacroOnly && it.Type != kButton) {
      AlignText(line, DefMinChars);
      Strings::Concat(line, ValueKindName(it));
    }
    TermIO::WriteLine(line);
  }
  TermIO::WriteLn();
}

void ListMenus() {
  for (int menu = MacroNames::kFirstMenu; menu <= MacroNames::kLastMenu; ++menu) {
    char menuName[ModMenus::kTextSize] = "";
    ModMenus::GetMenuName(menu, menuName);
    if (Strings::Length(menuName) == 0) continue;
    for (int item = 1; item <= MacroNames::kMenuItems; ++item) {
      char name[ModMenus::kTextSize] = "";
      ModMenus::GetItemName(menu, item, name);
      if (Strings::Length(name) == 0 || name[0] == '-' || ModMenus::IsHiarchical(menu, item)) continue;
      char line[kListLineSize] = "  ";
      if (MacEnv::CombinedNames) {
        Strings::Concat(line, name);
      } else {
        Strings::Concat(line, "@  ");
        Strings::Concat(line, menuName);
        AlignText(line, DefMinChars);
        Strings::Concat(line, "\"");
        Strings::Concat(line, name);
        Strings::Concat(line, "\"");
      }
      TermIO::WriteLine(line);
    }
    TermIO::WriteLn();
  }
}

void List(bool macroOnly) {
  TermIO::WriteLine(";    MENU items:");
  ListMenus();
  TermIO::WriteLine(std::string_view(macroOnly ? ";    DIALOG macro items:" : ";    DIALOG items:"));
  listMacroOnly = macroOnly;
  ModDialogLoop::ForAllDo(ListDialog);
}

void WriteItem(const MacroItem& item) {
  char line[kListLineSize] = "";
  MacroItemToText(item, line);
  if (Strings::Length(line) > 0) TermIO::WriteLine(line);
}

// A dialog named on a line that no open dialog answers to (menu lines
// always find theirs).
bool UnknownDialog(const MacroItem& item) {
  DialogRecord* dialog = nullptr;
  return Strings::Length(item.Name) > 0 && !IDtoDialog(item.Name, dialog);
}

bool Execute(std::span<const char> line, bool keyFlag, bool eventFlag) {
  if (ModDialog::RecordingActive) {
    TermIO::WriteAlertLine(" ## Cannot start macro interpreter while a macro is recording ## ");
    return false;
  }
  if (Strings::Length(line) > 0 && line[0] == ';') return true;
  MacroItem item;
  if (!ExtractMacroItem(line, keyFlag, eventFlag, item)) {
    if (!UnknownDialog(item)) return true;
    TermIO::WriteAlertLine(" ## target dialog not known ## ");
    return false;
  }
  DialogRecord* dialog = nullptr;
  if (!IDtoDialog(item.Name, dialog) || dialog == nullptr) {
    TermIO::WriteAlertLine(" ## target dialog not known ## ");
    return false;
  }
  const bool wasActive = PlaybackActive;
  PlaybackActive = false;
  ModDialog::StoreItemValue(dialog, item.Item, dialog->LastValue, false);
  ModDialog::PlaybackItem(dialog, item, true);
  if (!PlaybackActive) PlaybackActive = wasActive;
  return true;
}

}  // namespace

bool NoNotify(const MacroItem&) { return false; }

void InitModule() {
  recordNotifyProc = NoNotify;
  recordUpdateProc = NoProc;
  updateRelativeProc = NoProc;
  beforeRecordProc = NoProc;
  PlaybackActive = false;
  ExecuteWhileRecord = true;
  Strings::Clear(stopDialogID);
  stopItem = 0;
  MacrosVersion = MacEnv::CombinedNames ? kCombinedVersion : kPlainVersion;
  DefMinChars = MacEnv::CombinedNames ? kCombinedColumn : kPlainColumn;
  std::fill(std::begin(TempFKeys), std::end(TempFKeys), 0);
}

void SetRecordMode(bool on, NotifyProc notify, Proc update, Proc relative, std::span<const char> stopDialog,
                   int item) {
  ModDialog::RecordingActive = on;
  if (PlaybackActive) {
    AbortExecution();
    ModDialog::RecordingActive = false;
  } else {
    ModDialogTools::RelativeChange = false;
    ModDialogTools::WasRelativeChange = false;
  }
  SetExecuteMode();
  if (ModDialog::RecordingActive) {
    Strings::Assign(stopDialogID, stopDialog.first(std::min<std::size_t>(stopDialog.size(), kStopIDSize)));
    stopItem = item;
    recordNotifyProc = notify != nullptr ? notify : NoNotify;
    recordUpdateProc = update != nullptr ? update : NoProc;
    updateRelativeProc = relative != nullptr ? relative : NoProc;
    recordUpdateProc();
    updateRelativeProc();
  } else {
    recordUpdateProc();
    updateRelativeProc();
    Strings::Clear(stopDialogID);
    stopItem = 0;
    recordNotifyProc = NoNotify;
    recordUpdateProc = NoProc;
    updateRelativeProc = NoProc;
  }
}

void SetExecuteMode() {
  beforeRecordProc();
  ModDialogTools::RecordProc = ModDialog::RecordingActive ? RecordMacro : NoRecordProc;
}

void SetBeforeRecordProc(Proc procedure) { beforeRecordProc = procedure != nullptr ? procedure : NoProc; }

void RecordMacro(DialogRecord* dialog, int item) {
  if (dialog == nullptr) return;
  const bool menuRuns = item == -2 && ModMenus::SelectedMenu >= 1 && ModMenus::SelectedItem >= 1;
  if (!menuRuns && (item < 1 || item > dialog->ItemCount)) return;
  MacroItem record;
  ModDialog::StoreItemValue(dialog, item, record, true);
  recordNotifyProc(record);
  ModDialog::RestoreLastValue(dialog);
}

bool DoExecute(std::span<const char> dialogName, int item) {
  if (!ModDialog::RecordingActive || ExecuteWhileRecord || item <= 0) return true;
  return item == stopItem && Strings::Comp(dialogName, stopDialogID, 0, 0, kStopIDSize, kStopIDSize, false) == 0;
}

bool ExecuteString(std::span<const char> line) { return Execute(line, false, false); }
bool ExecuteEvent(std::span<const char> line) { return Execute(line, false, true); }
bool ExecuteKeyString(std::span<const char> line) { return Execute(line, true, false); }

void AbortExecution() {
  if (!PlaybackActive) return;
  PlaybackActive = false;
  Mouse::SetArrowCursor();
  TermIO::WriteLine("Macros playback aborted.");
}

bool WaitForMacroCompletion() {
  const double start = Platform::ElapsedSeconds();
  while (PlaybackActive) {
    ResetRelativeItem();
    if (!PlaybackActive) break;
    if (Platform::ElapsedSeconds() - start >= kPlaybackTimeoutSeconds) {
      AbortExecution();
      return false;
    }
    Events::Idle(Events::kTrackInterval);
  }
  return true;
}

void ResetRelativeItem() { updateRelativeProc(); }

void ListPlayback(const MacroItem& item) { WriteItem(item); }
void ListMacroItem(const MacroItem& item) { WriteItem(item); }
void ListItems() { List(false); }
void ListMacroItems() { List(true); }

}  // namespace MacrosTools
