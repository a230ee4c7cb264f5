#include "shell/MacrosTools.h"

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/Strings.h"

namespace MacrosTools {

bool ExecuteWhileRecord = true;

namespace {

char stopDialogID[9] = "";
int stopItem = 0;

}  // namespace

void InitModule() {
  ExecuteWhileRecord = true;
  Strings::Clear(stopDialogID);
  stopItem = 0;
}

void SetRecordMode(bool on, NotifyProc, NotifyProc update, NotifyProc relative, std::span<const char> stopDialog,
                   int item) {
  ModDialog::RecordingActive = on;
  ModDialogTools::RelativeChange = false;
  ModDialogTools::WasRelativeChange = false;
  Strings::Assign(stopDialogID, on ? stopDialog : std::span<const char>());
  stopItem = on ? item : 0;
  if (on && update != nullptr) update();
  if (on && relative != nullptr) relative();
}

bool DoExecute(std::span<const char> dialogName, int item) {
  return !ModDialog::RecordingActive || ExecuteWhileRecord || item <= 0 ||
         (item == stopItem && Strings::Equal(dialogName, stopDialogID));
}

void AppendKey(int code, char character, int modifiers, bool, bool, bool, std::span<char> text) {
  char name[ModDialogUt::kNameSize] = "";
  if (ModDialogUt::KeyToString(code, character, modifiers, name)) Strings::Concat(text, name);
}

}  // namespace MacrosTools
