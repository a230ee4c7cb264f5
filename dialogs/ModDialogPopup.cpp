#include "dialogs/ModDialogPopup.h"

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "shell/MacrosTools.h"
#include "shell/ModWindow.h"
#include "terminal/ANSIBase.h"

namespace ModDialogPopup {

using namespace ModDialogUt;
using ModDialog::DialogPtr;

void InitModule() {}

void PopupMenu(int item) {
  DialogRecord* dialog = DialogPtr;
  DialogItem& it = *ItemOf(dialog, item);
  if (it.Area.List.Menu == nullptr) return;
  ModDialogTools::ActiveSelectionMode = 1;
  dialog->InFront = ModWindow::IsInFront(dialog->Window);
  ModDialogTools::ActiveSelectionMode = 3;
  if (MacrosTools::DoExecute("@", item)) ModDialogTools::SafeExecution(item, it.ExecuteProc);
  ModDialogTools::RecordProc(DialogPtr, item);
  ModDialog::DoEraseItem(item);
  it.UpdateProc();
  it.DrawProc(item);
}

void DragMenu(int, int, int) {}

}  // namespace ModDialogPopup
