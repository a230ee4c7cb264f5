#include "dialogs/ModDialog.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <cstring>

#include "dialogs/Alert.h"
#include "dialogs/IODialog.h"
#include "dialogs/ModDialogPopup.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Strings.h"
#include "foundation/TellTaleFile.h"
#include "foundation/TermIO.h"
#include "platform/Menus.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/Mouse.h"
#include "terminal/ANSITerm.h"

namespace ModDialog {

using namespace ModDialogUt;
using ModDialogTools::RootDialog;

DialogRecord* DialogPtr = &RootDialog;
int LastSelectedItem = 0;
int LastSelectionMode = 0;
bool RecordingActive = false;
bool WriteAllDialogs = false;
bool AbortAction = false;
std::uint32_t MouseDoubleTime = 0;

namespace {

// Width of the iconized form's title bar.
constexpr int kIconWidth = 136;
constexpr int kIconTop = 38;
constexpr int kMenuCount = 40;

int Rounded(double x) { return static_cast<int>(std::lround(x)); }

DialogRecord* FirstOpenDialog() {
  return RootDialog.NextDialog != nullptr ? RootDialog.NextDialog : &RootDialog;
}

// The console listing of a taken name; FALSE when it is taken.
bool DialogNameIsUnique(const DialogRecord* dialog, std::span<const char> name) {
  if (Strings::Length(name) == 0) return true;
  bool taken = false;
  for (const DialogRecord* d = RootDialog.NextDialog; d != nullptr && !taken; d = d->NextDialog) {
    taken = d != dialog && Strings::EqualCap(name, MacEnv::CombinedNames ? d->IDName : d->MacroName);
  }
  if (taken) {
    if (MacEnv::CombinedNames) {
      TermIO::WriteString(dialog->IDName);
    } else {
      TermIO::WriteString("ID-name \"");
      TermIO::WriteString(name);
      TermIO::WriteString("\" (");
      TermIO::WriteString(dialog->IDName);
      TermIO::WriteString(")");
    }
    TermIO::WriteLine(" is already taken: ");
    for (const DialogRecord* d = RootDialog.NextDialog; d != nullptr; d = d->NextDialog) {
      TermIO::WriteString("   ");
      if (!MacEnv::CombinedNames && Strings::Length(d->MacroName) > 0) {
        TermIO::WriteString(d->MacroName);
        TermIO::WriteString(" -> ");
      }
      TermIO::WriteLine(d->IDName);
    }
  }
  if (!MacEnv::CombinedNames) return !taken;
  for (int menu = 1; menu <= kMenuCount; ++menu) {
    char menuName[kNameSize] = "";
    ModMenus::GetMenuName(menu, menuName);
    if (!Strings::EqualCap(name, menuName)) continue;
    TermIO::WriteString(name);
    TermIO::WriteString(" is already used as menu[");
    TermIO::WriteInt(menu, 0);
    TermIO::WriteLine("].");
    return false;
  }
  return !taken;
}

void CheckNames(DialogRecord* dialog, std::span<const char> macroName) {
  if (MacEnv::CombinedNames) {
    char compact[kNameSize] = "";
    if (!MakeDialogName(compact, dialog->IDName, true)) {
      TermIO::WriteLine("Empty dialog name!");
      Alert::OK("Empty dialog name!");
    }
    Strings::Assign(dialog->IDName, compact);
    DialogNameIsUnique(dialog, dialog->IDName);
  } else {
    char unused[1] = "";
    if (!MakeDialogName(unused, macroName, false)) {
      TermIO::WriteString(dialog->IDName);
      TermIO::WriteString(" -> ID-name \"");
      TermIO::WriteString(macroName);
      TermIO::WriteLine("\" should not contain quotes or spaces!");
      Alert::OK("Illegal dialog name!");
    }
    DialogNameIsUnique(dialog, macroName);
  }
  Strings::Assign(dialog->MacroName, macroName);
}

int WindowDefinition(int kind) {
  if (kind == 1 || kind == 2) return WindowFrame::kNoGrowDocProc;
  if (kind == 3) return WindowFrame::kDBoxProc;
  return WindowFrame::kZoomDocProc;
}

// Every item's geometry designed for a screen factor of 1, on this screen.
void ScaleItems(DialogRecord* dialog, double s) {
  for (int i = 1; i <= dialog->ItemCount; ++i) {
    DialogItem& item = *dialog->Items[i];
    ModDialogTools::ScaleRect(item.Rect, s);
    item.LineSpacing = static_cast<std::int16_t>(DefaultLineSpacing(item.FontSize));
    item.TextBaseline = static_cast<std::int16_t>(Rounded(item.TextBaseline * s));
    item.TextIndent = static_cast<std::int16_t>(Rounded(item.TextIndent * s));
    if (item.Type == kCheckBox || item.Type == kMultiCheck) {
      ModDialogTools::ScaleRect(item.Area.Box.BoxRect, s);
      item.Area.Box.BoxPitch = static_cast<std::int16_t>(item.Area.Box.BoxPitch * s);
      item.Area.Box.TextOffset = static_cast<std::int16_t>(Rounded(item.Area.Box.TextOffset * s));
    }
    if (item.Type == kPane && item.Area.PaneRect.top != item.Area.PaneRect.bottom) {
      ModDialogTools::ScaleRect(item.Area.PaneRect, s);
    }
  }
}

void PrepareItems(DialogRecord* dialog) {
  for (int i = dialog->ItemCount; i >= 1; --i) {
    ModDialogTools::InitializeItemProcs(i);
    const DialogItem& item = *dialog->Items[i];
    if (item.Type == kOffscreen || item.Type == kGWindow) CreateItemWindow(dialog, i);
    if (item.CommandKind != 0 && i > dialog->LastKeyItem) dialog->LastKeyItem = static_cast<std::int16_t>(i);
  }
}

void Link(DialogRecord* dialog) {
  DialogRecord* first = RootDialog.NextDialog;
  if (first != nullptr) first->PrevDialog = dialog;
  dialog->PrevDialog = &RootDialog;
  dialog->NextDialog = first;
  RootDialog.NextDialog = dialog;
  dialog->StateChanged = true;
  dialog->Linked = true;
}

void Unlink(DialogRecord* dialog) {
  if (!dialog->Linked) return;
  if (dialog->PrevDialog != nullptr) dialog->PrevDialog->NextDialog = dialog->NextDialog;
  if (dialog->NextDialog != nullptr) dialog->NextDialog->PrevDialog = dialog->PrevDialog;
}

// Frees whatever the dialog holds, however far its opening came: item
// windows, list menus, terminal, window, buffer.
void FreeAll(DialogRecord* dialog) {
  Unlink(dialog);
  for (int i = dialog->ItemCount; i >= 1 && dialog->Items != nullptr; --i) {
    DialogItem& item = *dialog->Items[i];
    if (item.Type == kOffscreen || item.Type == kGWindow) {
      Graphics::RemoveWindow(item.Area.GWindow);
      item.Area.Offscreen = nullptr;
    }
    if (item.Type == kList || item.Type == kFramedList) {
      Menus::DisposeMenu(item.Area.List.Menu);
      item.Area.List.Menu = nullptr;
      item.Area.List.Count = 0;
    }
  }
  Windows::SetRefCon(dialog->MacWindow, nullptr);
  ANSITerm::Close(dialog->Terminal);
  ModWindow::Remove(dialog->Window);
  if (dialog->Buffer != nullptr) {
    std::fill_n(dialog->Items, dialog->ItemCount + 1, nullptr);
    Buffer::Delete(dialog->Buffer);
    dialog->Items = nullptr;
  }
  ClearRecord(dialog);
  DialogPtr = FirstOpenDialog();
  dialog->StateChanged = true;
  dialog->Linked = false;
}

void SendBehind(DialogRecord* dialog, DialogRecord* other) {
  if (!dialog->Open || !other->Open) return;
  dialog->StateChanged = true;
  Windows::SendBehind(dialog->MacWindow, other->MacWindow);
}

// The visible front-only dialog in front, which this dialog must stay
// behind; nil when there is none or this one is front-only itself.
DialogRecord* FrontKeeper(const DialogRecord* dialog) {
  DialogRecord* front = ModDialogTools::MacWindowToDialogPtr(Windows::FrontWindow());
  if (front == nullptr || front == dialog || !front->Open || !front->FrontOnly || !front->WindowVisible ||
      dialog->FrontOnly) {
    return nullptr;
  }
  return front;
}


void UpdateTitle(DialogRecord* dialog) {
  const std::span<const char> title = dialog->Items[0]->Text;
  if (Strings::Equal(title, dialog->IDName)) return;
  ModWindow::SetTitle(dialog->Window, dialog->Iconized ? std::span<const char>(dialog->IDName) : title);
}

void Place(DialogRecord* dialog, ModWindow::WindowParameters rect) {
  ModWindow::SetWindowParameters(dialog->Window, rect);
}

}  // namespace

void InitModule() {
  DialogPtr = &RootDialog;
  LastSelectedItem = 0;
  LastSelectionMode = 0;
  RecordingActive = false;
  WriteAllDialogs = TellTaleFile::Exists("WriteAllDialogs.On");
  AbortAction = false;
  MouseDoubleTime = 0;
  using namespace ModDialogTools;
  MenuHookItem = 0;
  ActiveItem = 0;
  ActiveChar = 0;
  ActiveKey = 0;
  ActiveModifiers = 0;
  ActiveSelectionMode = 0;
  Strings::Clear(InputString);
  ConversionOK = true;
  ConfigMode = 2;
  RelativeChange = false;
  WasRelativeChange = false;
  MinAccessLevel = 0;
  UserEventFilter = NoFilterProc;
  ModDialogTools::RecordProc = NoRecordProc;
  AuditBeforeProc = NoAuditBefore;
  AuditAfterProc = NoAuditAfter;
  DefaultLoopProc = NoItem;
  Strings::Clear(IODialog::DiaFilesPath);
  ClearRecord(&RootDialog);
  ModDialogPopup::InitModule();
  if (TellTaleFile::Exists("CombinedNames.On")) MacEnv::CombinedNames = true;
}

bool Initialize(DialogRecord* dialog, int kind, Proc fill, Proc lists, bool load, bool closeBox, bool inFront,
                bool visible, bool frontOnly, std::span<const char> macroName) {
  CheckNames(dialog, macroName);
  const int definition = WindowDefinition(kind);
  const double s = MacEnv::ScreenFactor;
  visible = visible || inFront;
  fill();
  if (load && !IODialog::Load(dialog, "")) fill();
  lists();
  if (dialog->Open) return true;
  if (dialog->Items == nullptr) return false;
  const int cursor = Mouse::GetCursorShape();
  dialog->Iconized = false;
  dialog->WindowKind = static_cast<std::uint8_t>(kind);
  dialog->CurrentItem = 0;
  dialog->ActivePane = 0;
  dialog->FrontOnly = frontOnly;
  dialog->Growable = definition == WindowFrame::kZoomDocProc;
  dialog->LastValue.Item = 0;
  Mouse::SetWaitCursor();

  DialogItem& root = *dialog->Items[0];
  ModWindow::WindowParameters& rect = dialog->WindowRect;
  if (rect.bottom < rect.top) std::swap(rect.top, rect.bottom);
  rect.fontNumber = root.FontNumber;
  rect.fontSize = static_cast<std::int16_t>(Rounded(root.FontSize * MacEnv::FontFactor));
  ModDialogTools::ScaleCoords(rect, s);
  dialog->SavedRect = rect;
  dialog->SavedRect.right = static_cast<std::int16_t>(rect.left + Rounded(kIconWidth * s));
  dialog->SavedRect.bottom = static_cast<std::int16_t>(rect.top + 1);

  DialogRecord* keeper = inFront ? FrontKeeper(dialog) : nullptr;
  dialog->Window = ModWindow::Create(0, rect, definition, root.Text, inFront, closeBox, visible);
  dialog->MacWindow = ModWindow::GetMacWindow(dialog->Window);
  if (dialog->MacWindow != nullptr) {
    dialog->Terminal = ANSITerm::Create(true, dialog->Window);
    ANSITerm::CursorOff(dialog->Terminal);
  }
  if (dialog->Terminal == nullptr) {
    FreeAll(dialog);
    Mouse::SetCursorShape(cursor);
    return false;
  }
  root.Rect = Geometry::SetRect(0, 0, rect.right - rect.left, rect.bottom - rect.top);
  dialog->ClipRegion.SetEmpty();
  dialog->Open = true;
  dialog->WindowVisible = visible;
  dialog->Shown = false;
  dialog->Stop = false;
  dialog->Interrupted = false;
  dialog->Active = false;
  dialog->Changed = visible;
  LastSelectedItem = 0;
  std::memcpy(dialog->Magic, "DIAL\0\0\0\0", sizeof dialog->Magic);
  DialogPtr = dialog;
  dialog->InFront = ModWindow::IsInFront(dialog->Window);
  dialog->Window->platform->zoomable = dialog->Growable;
  if (root.BackColor == Graphics::White) root.BackColor = dialog->Window->platform->background;
  Graphics::SetRGBBackColor(dialog->Window, root.BackColor);
  ModWindow::Clear(dialog->Window);
  if (std::fabs(s - 1) > 0.01) ScaleItems(dialog, s);
  PrepareItems(dialog);
  Windows::SetRefCon(dialog->MacWindow, dialog);
  if (keeper != nullptr) SendBehind(dialog, keeper);
  Mouse::SetCursorShape(cursor);
  Link(dialog);
  return true;
}

void Shutdown(DialogRecord* dialog) {
  if (!dialog->Open) return;
  Hide(dialog);
  if (dialog->Active) {
    dialog->DeactivateProc();
    dialog->Active = false;
  }
  FreeAll(dialog);
}

void Show(DialogRecord* dialog) {
  if (!dialog->Open) {
    dialog->WindowVisible = false;
    dialog->Shown = false;
    return;
  }
  dialog->WindowVisible = true;
  dialog->Shown = !dialog->Iconized;
  dialog->StateChanged = true;
  ModWindow::Show(dialog->Window);
}

void Hide(DialogRecord* dialog) {
  dialog->WindowVisible = false;
  dialog->Shown = false;
  dialog->Changed = false;
  if (!dialog->Open) return;
  dialog->StateChanged = true;
  ModWindow::Hide(dialog->Window);
}

bool BringToFront(DialogRecord* dialog) { return ToFront(dialog, true); }

bool ToFront(DialogRecord* dialog, bool unpack) {
  if (!dialog->Open) return true;
  if (unpack) Unpack(dialog);
  if (DialogRecord* front = FrontKeeper(dialog)) {
    Show(dialog);
    SendBehind(dialog, front);
  } else {
    ModWindow::BringToFront(dialog->Window);
  }
  if (!dialog->Iconized) UpdateWindowPosition(dialog);
  dialog->InFront = ModWindow::IsInFront(dialog->Window);
  dialog->WindowVisible = true;
  dialog->Shown = !dialog->Iconized;
  dialog->Stop = false;
  LastSelectedItem = 0;
  return true;
}

bool FrontDialog(DialogRecord*& dialog) {
  dialog = ModDialogTools::MacWindowToDialogPtr(Windows::FrontWindow());
  return dialog != nullptr && dialog->Open;
}

bool IsFrontOnly() {
  DialogRecord* dialog = nullptr;
  return FrontDialog(dialog) && dialog->FrontOnly;
}

bool Close(DialogRecord* dialog) {
  if (!dialog->MayCloseProc(0)) return false;
  dialog->DeactivateProc();
  dialog->InFront = false;
  dialog->Active = false;
  dialog->StateChanged = true;
  ModDialogTools::RecordProc(dialog, 0);
  return true;
}

void Clear(DialogRecord* dialog) { ModWindow::Clear(dialog->Window); }

void GetWindowPos(DialogRecord* dialog, int& top, int& left, int& height, int& width) {
  top = left = height = width = 0;
  if (!dialog->Open) return;
  UpdateWindowPosition(dialog);
  ModWindow::WindowParameters p;
  ModWindow::GetWindowParameters(dialog->Window, p);
  top = p.top;
  left = p.left;
  height = p.bottom - p.top;
  width = p.right - p.left;
}

void SetWindowPos(DialogRecord* dialog, int top, int left, int height, int width) {
  if (!dialog->Open) return;
  const double s = MacEnv::ScreenFactor;
  ModWindow::WindowParameters p;
  ModWindow::GetWindowParameters(dialog->Window, p);
  top = Rounded(top * s);
  left = Rounded(left * s);
  height = Rounded(height * s);
  width = Rounded(width * s);
  if (top > 0) {
    p.bottom = static_cast<std::int16_t>(top + p.bottom - p.top);
    p.top = static_cast<std::int16_t>(top);
  }
  if (left > 0) {
    p.right = static_cast<std::int16_t>(left + p.right - p.left);
    p.left = static_cast<std::int16_t>(left);
  }
  if (height > 0) p.bottom = static_cast<std::int16_t>(p.top + height);
  if (width > 0) p.right = static_cast<std::int16_t>(p.left + width);
  ModWindow::SetWindowParameters(dialog->Window, p);
  UpdateWindowPosition(dialog);
}

void SetTitle(DialogRecord* dialog, std::span<const char> text) {
  if (!dialog->Open) return;
  DialogItem& root = *dialog->Items[0];
  Strings::Assign(root.Text, text);
  dialog->Changed = true;
  root.NeedsDraw = true;
  ModWindow::SetTitle(dialog->Window, root.Text);
}

void Iconize(DialogRecord* dialog) {
  if (!dialog->Open || dialog->Iconized) return;
  UpdateWindowPosition(dialog);
  ModWindow::WindowParameters& saved = dialog->SavedRect;
  if (saved.left >= saved.right) saved = dialog->WindowRect;
  saved.left = std::max<std::int16_t>(saved.left, 0);
  saved.top = std::max<std::int16_t>(saved.top, kIconTop);
  saved.right = static_cast<std::int16_t>(saved.left + kIconWidth);
  saved.bottom = static_cast<std::int16_t>(saved.top + 1);
  Place(dialog, saved);
  dialog->Iconized = true;
  dialog->Shown = false;
  UpdateTitle(dialog);
}

void Unpack(DialogRecord* dialog) {
  if (!dialog->Open || !dialog->Iconized) return;
  UpdateWindowPosition(dialog);
  Place(dialog, dialog->WindowRect);
  dialog->Iconized = false;
  dialog->Shown = dialog->WindowVisible;
  dialog->Changed = true;
  UpdateTitle(dialog);
}

void SetPackState(DialogRecord* dialog) {
  if (!dialog->Open) return;
  Place(dialog, dialog->Iconized ? dialog->SavedRect : dialog->WindowRect);
  UpdateTitle(dialog);
  UpdateWindowPosition(dialog);
}

void SetProcs(DialogRecord* dialog, ItemQuery help, ItemProc resize, Proc activate, Proc deactivate, KeyProc key1,
              KeyProc key2, KeyProc key3, Proc paint, ItemQuery mayClose, ItemQuery broadcast,
              ItemQuery mayExecute) {
  dialog->HelpProc = help;
  dialog->ResizeProc = resize;
  dialog->ActivateProc = activate;
  dialog->DeactivateProc = deactivate;
  dialog->KeyProc1 = key1;
  dialog->KeyProc2 = key2;
  dialog->KeyProc3 = key3;
  dialog->PaintProc = paint;
  dialog->MayCloseProc = mayClose;
  dialog->BroadcastProc = broadcast;
  dialog->MayExecuteProc = mayExecute;
}

void GlobalEventFilter(ANSITerm::TerminalRecord* terminal, DialogRecord* dialog, int& code, char& character,
                       int& modifiers, bool mainLoop) {
  ModDialogTools::DialogContext context;
  const bool taken = ModDialogTools::GetState(context, dialog);
  ModDialogTools::UserEventFilter(terminal, dialog, code, character, modifiers, mainLoop);
  if (taken) ModDialogTools::ResetState(context);
}

bool DoBroadcast(int message) {
  for (DialogRecord* d = RootDialog.NextDialog; d != nullptr; d = d->NextDialog) {
    ModDialogTools::DialogContext context;
    if (!ModDialogTools::GetState(context, d)) continue;
    const bool accepted = d->BroadcastProc(message);
    ModDialogTools::ResetState(context);
    if (!accepted) return true;
  }
  return false;
}

void StoreAndAlert(DialogRecord* dialog, std::span<const char> name) {
  if (!WriteAllDialogs) return;
  char path[IODialog::kPathSize] = "";
  if (Strings::Length(name) == 0) {
    IODialog::DefaultName(dialog, path);
  } else {
    Strings::Assign(path, IODialog::DiaFilesPath);
    Strings::Concat(path, name);
    Strings::Concat(path, ".dia");
  }
  const bool storable = dialog->Storable;
  dialog->Storable = true;
  const bool stored = IODialog::Store(dialog, path);
  dialog->Storable = storable;
  if (stored) return;
  char message[IODialog::kPathSize + 16] = "Error storing: ";
  Strings::Concat(message, path);
  Alert::OK(message);
}

bool MakeDialogName(std::span<char> destination, std::span<const char> source, bool compact) {
  const int length = Strings::Length(source);
  if (!compact) {
    return std::none_of(source.begin(), source.begin() + length,
                        [](char c) { return c == ' ' || c == '"' || c == '\''; });
  }
  char result[kNameSize] = "";
  int count = 0;
  for (int i = 0; i < length && count < kNameSize - 1; ++i) {
    const char c = source[static_cast<std::size_t>(i)];
    if (c != ' ' && c != ':' && c != ';' && c != '_') result[count++] = c;
  }
  Strings::Assign(destination, result);
  return length > 0;
}

void GetActiveKey(int& code, char& character, int& modifiers) {
  code = ModDialogTools::ActiveKey;
  character = ModDialogTools::ActiveChar;
  modifiers = ModDialogTools::ActiveModifiers;
}

int GetActiveItem(DialogRecord* dialog) { return dialog == DialogPtr ? ModDialogTools::ActiveItem : 0; }

int GetSelectionMode() { return ModDialogTools::ActiveSelectionMode; }

bool SelectingFromList() {
  const DialogItem* item = ItemOf(DialogPtr, ModDialogTools::ActiveItem);
  return ModDialogTools::ActiveSelectionMode == 1 && DialogPtr->Open && item != nullptr &&
         ModDialogTools::ActiveItem >= 1 && (item->Type == kList || item->Type == kFramedList);
}

int KeyDown() { return ANSITerm::KeyDown(); }

}  // namespace ModDialog
