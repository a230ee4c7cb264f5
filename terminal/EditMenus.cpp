#include "terminal/EditMenus.h"

#include "dialogs/Alert.h"
#include "dialogs/DialogUtils.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/Encode.h"
#include "foundation/Strings.h"
#include "platform/Dialogs.h"
#include "platform/Windows.h"
#include "shell/ModMenus.h"
#include "shell/Mouse.h"
#include "shell/Printer.h"
#include "shell/ScrapUtil.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditKeys.h"
#include "terminal/EditState.h"
#include "terminal/EditUndo.h"
#include "terminal/EditUtility.h"
#include "terminal/LineEditor.h"

#include <cstring>

namespace EditMenus {

int Menu = 0;

namespace {

using namespace ANSIBase;

char undoText[33] = "Undo";

// Items of the two dialogs.
constexpr int kAcceptItem = 1;
constexpr int kCancelItem = 2;
constexpr int kBackwardItem = 4;
constexpr int kLineNumberItem = 5;
constexpr int kLineLabelItem = 6;
constexpr int kSearchItem = 7;
constexpr int kReplacementItem = 9;
constexpr int kReplaceAllItem = 10;
constexpr int kFindNextItem = 11;

// The GOLD layer's characters of the paste-buffer commands.
constexpr char kGoldUndo = '!';
constexpr char kGoldCut = '@';
constexpr char kGoldCopy = '#';
constexpr char kGoldPaste = '$';
// Characters that switch the line-number search off and on.
constexpr char kSearchLineOff = 28;
constexpr char kSearchLineOn = 29;

bool Accepting(int item) { return item == kAcceptItem || item == kReplaceAllItem || item == kFindNextItem; }

void RecordGold(int code, char character = 0) {
  StoreMacroCommand(KeyNumericClear, 0);
  StoreMacroCommand(code, character);
}

bool TerminalInFront() {
  Windows::Window* front = Windows::FrontWindow();
  const void* reference = front != nullptr ? Windows::GetRefCon(front) : nullptr;
  return reference != nullptr && std::memcmp(reference, "ANSI", 4) == 0;
}

// Cut, copy and paste: the line editor's while it edits a line, else the
// editor's, recorded as the GOLD character that does the same.
void PasteBufferCommand(void (*lineEditorAction)(), char gold, void (*editorAction)()) {
  if (LineEditor::Editting) {
    lineEditorAction();
    return;
  }
  RecordGold(KeyCharacter, gold);
  editorAction();
}

bool NoSearchString() {
  if (Strings::Length(EditState::SearchString) > 0) return false;
  EditDisplay::Message("No search string");
  return true;
}

// ---- The dialog ----------------------------------------------------------------

void ShowLineFlag(Dialogs::Dialog* d, bool lineFlag) {
  DialogUtils::SetRadioButton(d, kLineNumberItem, lineFlag);
  static constexpr char kLineLabel[] = "Line to Find:";
  static constexpr char kTextLabel[] = "Find:";
  DialogUtils::SetItemText(d, kLineLabelItem, lineFlag ? std::span<const char>(kLineLabel) : kTextLabel);
}

void Fill(Dialogs::Dialog* d, std::span<const char> search, std::span<const char> replacement, int templateID,
          bool withReplacement, bool lineFlag) {
  DialogUtils::SetItemProc(d, kAcceptItem, DialogUtils::OutlineButtonUPP);
  DialogUtils::SetRadioButton(d, kBackwardItem, !EditState::Forward);
  if (templateID == kFindDialog) ShowLineFlag(d, lineFlag);
  if (withReplacement) DialogUtils::SetItemText(d, kReplacementItem, replacement);
  DialogUtils::SetItemText(d, kSearchItem, search);
  Dialogs::SelectItemText(d, kSearchItem, 0, Dialogs::kMaxItemText);
}

// A line number is a whole number of at least 1.
bool IsLineNumber(std::span<const char> text) {
  std::int32_t line = 0;
  return Encode::Integer(text, line) < 0 && line >= 1;
}

int Run(Dialogs::Dialog* d, std::span<char> search, std::span<char> replacement, int templateID,
        bool withReplacement, bool& lineFlag) {
  bool backward = !EditState::Forward;
  for (;;) {
    int item = 0;
    Dialogs::ModalDialog(DialogUtils::FilterUPP, item);
    if (Dialogs::ModalEnded()) return 0;
    if (item == kCancelItem) return item;
    if (item == kBackwardItem) {
      backward = !backward;
      DialogUtils::SetRadioButton(d, kBackwardItem, backward);
    } else if (item == kLineNumberItem && templateID == kFindDialog) {
      lineFlag = !lineFlag;
      ShowLineFlag(d, lineFlag);
    } else if (Accepting(item)) {
      EditState::LineText text = "";
      DialogUtils::GetItemText(d, kSearchItem, text);
      if (lineFlag && templateID == kFindDialog && !IsLineNumber(text)) {
        Alert::Beep();
        Dialogs::SelectItemText(d, kSearchItem, 0, Dialogs::kMaxItemText);
        continue;
      }
      EditState::Forward = !backward;
      Strings::Assign(search, text);
      if (withReplacement) DialogUtils::GetItemText(d, kReplacementItem, replacement);
      return item;
    }
  }
}

// ---- Printing --------------------------------------------------------------------

void PrintEditBuffer() {
  const Printer::PrinterDefaults& defaults = Printer::Defaults;
  if (EditState::SelectActive) {
    std::int32_t l1 = 0, c1 = 0, l2 = 0, c2 = 0;
    EditUtility::GetSelectRange(l1, c1, l2, c2);
    Printer::PrintRange(EditState::EditBuffer, l1, c1, l2, c2, defaults.fontNumber, defaults.fontSize);
  } else {
    Printer::PrintBuffer(EditState::EditBuffer, defaults.fontNumber, defaults.fontSize);
  }
}

}  // namespace

// ---- The menu --------------------------------------------------------------------------

void CreateAndAppend() {
  struct Entry {
    const char* text;
    char key;
    ModMenus::Procedure procedure;
  };
  static constexpr Entry kEntries[] = {
      {undoText, 'Z', DoUndo},      {"-", 0, nullptr},
      {"Cut", 'X', DoCut},          {"Copy", 'C', DoCopy},
      {"Paste", 'V', DoPaste},      {"Clear", 0, DoClear},
      {"Select All", 0, DoSelectAll}, {"-", 0, nullptr},
      {"Find...", 0, DoFind},       {"Find Same", 0, DoFindSame},
      {"Find Selection...", 0, DoFindSelect}, {"Replace...", 0, DoReplace},
      {"Replace Same", 0, DoReplaceSame},
  };
  ModMenus::CreateMenu(Menu, "Edit");
  if (Menu == 0) return;
  int item = 0;
  for (const Entry& entry : kEntries) {
    ++item;
    ModMenus::AppendItem(Menu, {entry.text, std::strlen(entry.text) + 1});
    if (entry.procedure != nullptr) ModMenus::SetItemProc(Menu, item, entry.procedure);
    if (entry.key != 0) ModMenus::SetCommandKey(Menu, item, entry.key);
  }
  ModMenus::CheckItem(Menu, kUndo, false);
  ModMenus::AppendMenu(Menu);
  ModMenus::EditMenu = Menu;
}

void SetUndoText(std::span<const char> text) {
  Strings::Assign(undoText, text);
  if (Menu != 0) ModMenus::SetItemText(Menu, kUndo, undoText);
}

void GetUndoText(std::span<char> text) { Strings::Assign(text, undoText); }

// ---- Recording ---------------------------------------------------------------------------

void StoreMacroCommand(int code, char character, int modifiers) {
  if (EditState::TraceState != EditState::kTraceLearning || EditState::TraceEntry >= EditState::kTraceSize) return;
  EditState::TraceData[EditState::TraceEntry++] = EditState::TraceEntryRecord{
      static_cast<std::uint8_t>(modifiers), static_cast<std::uint8_t>(code), character};
}

void ConditionalReset() {
  if (!EditState::SelectActive) return;
  RecordGold(KeyNumericPoint);
  EditKeys::Reset();
}

void SetForward() {
  if ((ANSITerm::KeyDown() & kShift) != 0) {
    if (EditState::Forward) StoreMacroCommand(KeyNumeric0 + 5, 0);
    EditState::Forward = false;
  } else {
    if (!EditState::Forward) StoreMacroCommand(KeyNumeric0 + 4, 0);
    EditState::Forward = true;
  }
  EditDisplay::MessageClear();
}

// ---- Commands -------------------------------------------------------------------------------

void DoUndo() {
  RecordGold(KeyCharacter, kGoldUndo);
  EditKeys::Undo();
}

void DoCut() { PasteBufferCommand(LineEditor::DoCut, kGoldCut, EditKeys::CutToPaste); }

void DoCopy() { PasteBufferCommand(LineEditor::DoCopy, kGoldCopy, EditKeys::CopyToPaste); }

void DoPaste() {
  if (!LineEditor::Editting && !TerminalInFront()) return;
  PasteBufferCommand(LineEditor::DoPaste, kGoldPaste, [] { EditKeys::CutThenPaste(1); });
}

void DoClear() {
  StoreMacroCommand(KeyDeleteLeft, 0);
  EditUndo::DeleteSelection();
}

void DoSelectAll() {
  if (EditState::EditBuffer == nullptr) return;
  // The end key without shift would end the selection when the macro
  // replays it.
  StoreMacroCommand(KeyHome, 0);
  StoreMacroCommand(KeyNumericPoint, 0);
  StoreMacroCommand(KeyEnd, 0, kShift);
  EditState::SelectLine = 1;
  EditState::SelectColumn = 1;
  EditState::SelectActive = true;
  EditDisplay::NewDisplay();
  EditKeys::Bottom();
}

void DoFind() {
  bool lineFlag = EditState::DoSearchLine;
  EditState::LineText search = "";
  Strings::Assign(search, EditState::SearchString);
  EditState::LineText unused = "";
  if (FindReplaceDialog(search, unused, kFindDialog, false, lineFlag) != kAcceptItem) return;
  if (Strings::Length(search) == 0) return;
  Strings::Assign(EditState::SearchString, search);
  ConditionalReset();
  if (lineFlag != EditState::DoSearchLine) {
    EditState::DoSearchLine = lineFlag;
    StoreMacroCommand(KeyCharacter, lineFlag ? kSearchLineOn : kSearchLineOff);
  }
  RecordGold(KeyNumericDivide);
  for (int i = 0; search[i] != 0; ++i) StoreMacroCommand(KeyCharacter, search[i]);
  StoreMacroCommand(KeyCharacter, '\r');
  EditKeys::FindNext(1);
}

void DoFindSame() {
  if (NoSearchString()) return;
  ConditionalReset();
  StoreMacroCommand(KeyNumericDivide, 0);
  EditKeys::FindNext(1);
}

void DoFindSelect() {
  SetForward();
  RecordGold(KeyNumericEquals);
  EditKeys::FindSelection(1);
}

void DoReplace() {
  SetForward();
  EditState::LineText replacement = "";
  if (BufferText::TextBuffer paste = ScrapUtil::GetPasteBuffer()) BufferText::Get(paste, 1, replacement);
  EditState::LineText search = "";
  Strings::Assign(search, EditState::SearchString);
  bool noLineFlag = false;
  const int result = FindReplaceDialog(search, replacement, kReplaceDialog, true, noLineFlag);
  if (!Accepting(result)) return;
  Strings::Assign(EditState::SearchString, search);
  EditKeys::Reset();
  EditState::DoSearchLine = false;
  BufferText::TextBuffer paste = Buffer::Create("Edit.Paste", Buffer::kText);
  if (paste == nullptr) return;
  BufferText::Append(paste, replacement);
  ScrapUtil::PutPasteBuffer();
  switch (result) {
    case kFindNextItem: EditKeys::FindNext(1); break;
    case kReplaceAllItem: ReplaceSame(true); break;
    default: ReplaceSame(false); break;
  }
}

void DoReplaceSame() {
  SetForward();
  if (NoSearchString()) return;
  ConditionalReset();
  RecordGold(KeyEnter);
  ReplaceSame(false);
}

void ReplaceSame(bool all) {
  // The replacement goes in without undo, so what undo holds is stale.
  EditUndo::ClearUndo();
  const int length = Strings::Length(EditState::SearchString);
  if (length == 0) return;
  if (!EditUtility::AtString(EditState::SearchString)) {
    EditKeys::FindNext(1);
    if (!all) return;
  }
  while (EditUtility::AtString(EditState::SearchString)) {
    const EditState::Position start{EditState::CursorLine, EditState::CursorColumn};
    EditDisplay::Delete(start.line, start.column + length);
    EditKeys::Paste(1);
    // Backward the search goes on before the replaced occurrence, so a
    // replacement that begins with the search string is not met again.
    if (!EditState::Forward) {
      EditDisplay::MoveCursor(start.line, start.column);
      if (!EditUtility::FindString(EditState::SearchString)) return;
    } else if (!EditUtility::AtString(EditState::SearchString) &&
               !EditUtility::FindString(EditState::SearchString)) {
      return;
    }
    if (!all) return;
  }
}

// ---- The dialog ------------------------------------------------------------------------------

int FindReplaceDialog(std::span<char> search, std::span<char> replacement, int templateID, bool withReplacement,
                      bool& lineFlag) {
  Dialogs::Dialog* d = Dialogs::GetNewDialog(templateID);
  if (d == nullptr) {
    Alert::OK("Fatal Error: out of memory for Find dialog!");
    return 0;
  }
  const int shape = Mouse::GetCursorShape();
  int result = 0;
  {
    const DialogUtils::ScrapExchange scrap;
    Fill(d, search, replacement, templateID, withReplacement, lineFlag);
    Windows::Window* w = Dialogs::GetDialogWindow(d);
    Windows::ShowWindow(w);
    Windows::SelectWindow(w);
    Mouse::SetArrowCursor();
    result = Run(d, search, replacement, templateID, withReplacement, lineFlag);
    Windows::HideWindow(w);
  }
  Dialogs::DisposeDialog(d);
  Mouse::SetCursorShape(shape);
  return result;
}

// ---- Zoom and printing --------------------------------------------------------------------

void ZoomIn() { EditUtility::ZoomBufferWindow(EditState::EditBuffer, false); }

void ZoomOut() { EditUtility::ZoomBufferWindow(EditState::EditBuffer, true); }

void DoPageSetup() { Printer::PageSetupDialog(); }

void DoPageMargins() { Printer::SetMargins(); }

void DoPrint() {
  if (!Printer::NewJob()) return;
  if (Printer::MarginsSet || Printer::SetMargins()) PrintEditBuffer();
  Printer::CloseJob();
}

}  // namespace EditMenus
