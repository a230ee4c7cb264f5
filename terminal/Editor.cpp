#include "terminal/Editor.h"

#include "foundation/BufferText.h"
#include "foundation/IOFiles.h"
#include "foundation/Strings.h"
#include "platform/Events.h"
#include "platform/Port.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"
#include "shell/Mouse.h"
#include "shell/ScrapUtil.h"
#include "shell/ScrollBars.h"
#include "shell/Shell.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditKeys.h"
#include "terminal/EditState.h"
#include "terminal/EditUndo.h"
#include "terminal/EditUtility.h"

#include <algorithm>
#include <cstdio>

namespace Editor {

bool GoldSet = false;
std::int32_t Count = 1;
bool DoRepeatCount = false;
std::int32_t MacroRepeatCount = 0;

namespace {

using namespace ANSIBase;
using EditState::LineText;

// The first macro entry of the GOLD prefix being typed while a macro is
// learnt.
std::int32_t prefixEntry = 0;

bool InEditWindow() {
  Windows::Window* const active = ANSITerm::ActiveWindow();
  return active != nullptr && active == ModWindow::GetMacWindow(EditState::Window);
}

bool InputGone() { return MacEnv::Terminated || Events::InputEnded(); }

void ClearKeyState() {
  GoldSet = false;
  DoRepeatCount = false;
  Count = 0;
}

void Say(std::span<const char> text) { EditDisplay::Message(text); }

void InvalidFollowingGold() { Say("Invalid key following GOLD"); }

void InvalidKey(int keyCode, char character, int modifiers) {
  char text[81];
  int n = std::snprintf(text, sizeof text, "Invalid key: %d, %d", keyCode, static_cast<unsigned char>(character));
  static constexpr struct {
    int bit;
    const char* name;
  } kModifiers[] = {{kCommand, ", command"}, {kShift, ", shift"}, {kCapsLock, ", cap"}, {kOption, ", option"},
                    {kControl, ", control"}};
  for (const auto& m : kModifiers) {
    if ((modifiers & m.bit) != 0 && n < static_cast<int>(sizeof text)) {
      n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%s", m.name);
    }
  }
  Say(text);
}

void StartSelectionIfNone() {
  if (!EditState::SelectActive) EditKeys::Select();
}

// ---- Mouse -------------------------------------------------------------------------

// Character classes of the word a double click selects.
bool EndsLeftScan(unsigned char c, bool& number) {
  if (c < 46 || c == 47 || (c >= 58 && c <= 64) || (c >= 91 && c <= 94) || c == 96 || (c >= 123 && c <= 127)) {
    return true;
  }
  if (c == 46) return !number;
  number = c >= '0' && c <= '9';
  return false;
}

bool EndsRightScan(unsigned char c, bool number, bool startsAtApostrophe) {
  if (c < 39) return true;
  if (c == 39) return !number || startsAtApostrophe;
  if (c == 46) return !number;
  if ((c >= 40 && c <= 45) || c == 47 || (c >= 58 && c <= 64) || (c >= 91 && c <= 93) || c == 96 ||
      (c >= 123 && c <= 127)) {
    return true;
  }
  if (c >= 128) return number;
  return false;
}

void SelectWord() {
  EditKeys::Reset();
  LineText text = "";
  const int length = BufferText::Get(EditState::EditBuffer, EditState::CursorLine, text);
  const std::int32_t line = EditState::CursorLine;
  const int at = EditState::CursorColumn - 1;  // index of the character at the cursor
  const auto character = [&](int i) { return i < length ? static_cast<unsigned char>(text[i]) : 0; };
  bool number = false;
  int start = at;
  for (int i = at;; --i) {
    if (EndsLeftScan(character(i), number)) {
      start = i + 1;
      break;
    }
    if (i == 0) {
      start = 0;
      break;
    }
  }
  int end = at;
  while (end < length && !EndsRightScan(character(end), number, character(at) == 39)) ++end;
  if (end <= start) return;
  EditState::SelectLine = line;
  EditState::SelectColumn = start + 1;
  EditState::SelectActive = true;
  EditDisplay::MoveCursor(line, end + 1);
  EditDisplay::Redraw(line, 1, line, end + 1);
}

void SelectLine() {
  EditKeys::Reset();
  const std::int32_t line = EditState::CursorLine;
  EditDisplay::DoMoveCursor(line, 1, 0);
  EditKeys::Select();
  if (line < BufferText::RecordCount(EditState::EditBuffer)) {
    EditDisplay::DoMoveCursor(line + 1, 1, 1);
  } else {
    EditDisplay::DoMoveCursor(line, BufferText::RecordLength(EditState::EditBuffer, line) + 1, 1);
  }
}

void MouseDown(int modifiers) {
  if ((modifiers & kShift) != 0) {
    StartSelectionIfNone();
  } else if ((modifiers & kCommand) == 0) {
    EditKeys::Reset();
  }
  std::int32_t row = 0, column = 0;
  ANSITerm::GetMouseCUP(EditState::Console, row, column);
  EditDisplay::MessageClear();
  EditKeys::Position(row, column);
}

void MouseStillDown(int modifiers) {
  std::int32_t row = 0, column = 0;
  ANSITerm::GetMouseCUP(EditState::Console, row, column);
  if (!EditState::SelectActive && (modifiers & kCommand) == 0) {
    const bool inCursorColumn = column == EditState::CursorColumn - EditState::FirstColumn;
    const bool atTop = row == 1 && EditState::FirstLine == 1;
    const bool pastEnd = EditState::FirstLine + row >= BufferText::RecordCount(EditState::EditBuffer);
    if (inCursorColumn && (atTop || pastEnd)) return;
    EditKeys::Select();
  }
  EditKeys::Position(row, column);
}

// Window and mouse events: TRUE when the event was one, with its result.
bool WindowEvent(int keyCode, char character, int modifiers, bool& result) {
  Windows::Window* const active = ANSITerm::ActiveWindow();
  result = true;
  switch (keyCode) {
    case KeyMouse:
      if (InEditWindow()) MouseDown(modifiers);
      break;
    case KeyDoubleMouse:
      if (InEditWindow()) {
        SelectWord();
        EditDisplay::MessageClear();
      }
      break;
    case KeyTripleMouse:
      if (InEditWindow()) SelectLine();
      break;
    case KeyMouseStillDown:
      if (InEditWindow()) MouseStillDown(modifiers);
      break;
    case KeyDeactivate: EditUtility::ActivateWindow(active, false); break;
    case KeyActivate:
      EditUtility::ActivateWindow(active, true);
      result = false;
      break;
    case KeyUpdate: EditUtility::UpdateMacWindow(active); break;
    case KeyWindow:
      ANSITerm::ProcessingKeyWindow = false;
      EditUtility::BringToFront(active);
      result = false;
      break;
    case KeyMoved:
    case KeyMenu: break;
    case KeyResized:
      if (InEditWindow()) {
        EditUtility::SetupBuffer(EditState::EditBuffer, true, false, false);
        ScrollBars::Resize(EditState::Console);
        EditDisplay::ResetCursorPosition();
      }
      break;
    case KeyWindowClose: EditUtility::CloseFrontWindow(); break;
    case KeyOSEvent: EditUtility::ActivateWindow(active, character != 0); break;
    default: return false;
  }
  return true;
}

// ---- Keys handled here ---------------------------------------------------------

void CursorKey(int keyCode, int modifiers, std::int32_t count) {
  const bool forward = EditState::Forward;
  const bool control = (modifiers & kControl) != 0;
  const bool option = (modifiers & kOption) != 0;
  const bool shift = (modifiers & kShift) != 0;
  switch (keyCode) {
    case KeyCursorUp:
      if (shift) {
        StartSelectionIfNone();
        EditKeys::ArrowUp(count);
      } else {
        EditKeys::MoveUp(count);
      }
      break;
    case KeyCursorDown:
      EditState::Forward = true;
      if (!control && option) {
        EditKeys::ToNextLine(count);
      } else if (shift) {
        StartSelectionIfNone();
        EditKeys::ArrowDown(count);
      } else {
        EditKeys::MoveDown(count);
      }
      break;
    default: {
      const bool right = keyCode == KeyCursorRight;
      EditState::Forward = right;
      if (control) {
        if (right) {
          EditKeys::EOL(count);
        } else {
          EditKeys::ToNextLine(count);
        }
      } else if (option) {
        EditKeys::Word(count);
      } else if (shift) {
        StartSelectionIfNone();
        if (right) {
          EditKeys::ArrowRight(count);
        } else {
          EditKeys::ArrowLeft(count);
        }
      } else if (right) {
        EditKeys::MoveRight(count);
      } else {
        EditKeys::MoveLeft(count);
      }
      break;
    }
  }
  EditState::Forward = forward;
}

// F3: the cursor line into the line delete buffer, the cursor to the next.
void CopyLine() {
  EditUndo::ClearUndo();
  const std::int32_t line = EditState::CursorLine;
  BufferText::Get(EditState::EditBuffer, line, EditState::DeletedLine);
  const bool last = line >= BufferText::RecordCount(EditState::EditBuffer);
  EditState::DeletedLineCR = !last;
  if (last) {
    EditDisplay::MoveCursor(line, BufferText::RecordLength(EditState::EditBuffer, line) + 1);
  } else {
    EditDisplay::MoveCursor(line + 1, 1);
  }
}

// Home, end, page up and page down.
void JumpKey(int keyCode, int modifiers, std::int32_t count) {
  if ((modifiers & kShift) == 0) EditKeys::Reset();
  const bool forward = EditState::Forward;
  switch (keyCode) {
    case KeyHome: EditKeys::Top(); break;
    case KeyEnd: EditKeys::Bottom(); break;
    default:
      EditState::Forward = keyCode == KeyPageDown;
      EditKeys::Section(count);
      EditState::Forward = forward;
      break;
  }
}

void ToggleTabMode() {
  EditState::FixHorizontalTab = !EditState::FixHorizontalTab;
  if (EditState::FixHorizontalTab) {
    Say("Align TAB: OFF.");
  } else {
    Say("Align TAB: ON.");
  }
}

void DeleteKey(bool left, int modifiers, std::int32_t count) {
  if (EditState::SelectActive) {
    EditUndo::DeleteSelection();
  } else if ((modifiers & kOption) != 0) {
    if (left) {
      EditKeys::DeletePreviousWord(count);
    } else {
      EditKeys::DeleteWord(count);
    }
  } else if ((modifiers & kControl) != 0) {
    EditKeys::UndeleteWord(count);
  } else if (left) {
    EditKeys::Rubout(count);
  } else {
    EditKeys::DeleteChar(count);
  }
}

void PlainCharacter(char character, int modifiers, std::int32_t count) {
  const auto code = static_cast<unsigned char>(character);
  switch (code) {
    case 8: EditKeys::BeginningOfLine(); return;
    case 9: EditKeys::HorizontalTab(count, (modifiers & kOption) != 0); return;
    case 10: EditKeys::DeletePreviousWord(count); return;
    case 13: EditKeys::Return(count); return;
    case 21: EditKeys::DeleteToBeginningOfLine(count); return;
    case 23: EditKeys::Rewrite(); return;
    case 27:
      if ((modifiers & kOption) != 0) {
        EditKeys::DeleteToEndOfLine(count);
      } else {
        EditKeys::DeleteToBeginningOfLine(count);
      }
      return;
    case 28: EditState::DoSearchLine = false; return;
    case 29: EditState::DoSearchLine = true; return;
    default:
      if (code < 32) {
        InvalidKey(KeyCharacter, character, modifiers);
      } else {
        EditKeys::InsertCharacter(character, count);
      }
      return;
  }
}

void GoldCharacter(char character, std::int32_t count) {
  switch (character) {
    case 'C':
    case 'c': EditKeys::ClearPasteBuffer(); return;
    case 'F':
    case 'f': EditKeys::Find(count); return;
    case 'L':
    case 'l': MacroLearn(); return;
    case 'R':
    case 'r': EditKeys::ReadBuffer(count); return;
    case 'S':
    case 's': MacroStop(); return;
    case 'T':
    case 't': ToggleTabMode(); return;
    case 'W':
    case 'w': EditKeys::WriteBuffer(count); return;
    case 'X':
    case 'x': MacroExecute(count); return;
    case '@': EditKeys::CutToPaste(); return;
    case '!': EditKeys::Undo(); return;
    case '#': EditKeys::CopyToPaste(); return;
    case '$': EditKeys::CutThenPaste(count); return;
    default: InvalidFollowingGold(); return;
  }
}

void PlainKey(int keyCode, char character, int modifiers, std::int32_t count) {
  switch (keyCode) {
    case KeyCharacter: PlainCharacter(character, modifiers, count); return;
    case KeyCursorUp:
    case KeyCursorDown:
    case KeyCursorLeft:
    case KeyCursorRight: CursorKey(keyCode, modifiers, count); return;
    case KeyNumeric0: EditKeys::ToNextLine(count); return;
    case KeyNumeric0 + 1: EditKeys::Word(count); return;
    case KeyNumeric0 + 2: EditKeys::EOL(count); return;
    case KeyNumeric0 + 3: EditKeys::Char(count); return;
    case KeyNumeric0 + 4: EditKeys::Advance(); return;
    case KeyNumeric0 + 5: EditKeys::Backup(); return;
    case KeyNumeric0 + 6: EditKeys::Cut(); return;
    case KeyNumeric0 + 7: EditDisplay::InsertionPoint(); return;
    case KeyNumeric0 + 8: EditKeys::Section(count); return;
    case KeyNumeric9: EditKeys::Append(); return;
    case KeyEnter:
      if ((modifiers & kOption) != 0) {
        EditKeys::Reset();
      } else {
        EditKeys::Select();
      }
      EditDisplay::InsertionPoint();
      return;
    case KeyNumericMinus: EditKeys::DeleteWord(count); return;
    case KeyNumericPlus: EditKeys::DeleteChar(count); return;
    case KeyNumericPoint:
      EditKeys::Select();
      EditDisplay::InsertionPoint();
      return;
    case KeyNumericEquals:
    case KeyHelp: EditKeys::Help(); return;
    case KeyNumericDivide: EditKeys::FindNext(count); return;
    case KeyNumericMultiply: EditKeys::DeleteLine(count); return;
    case KeyF1: EditKeys::UndeleteLine(1); return;
    case KeyF1 + 1:
      EditKeys::BeginningOfLine();
      EditKeys::DeleteLine(1);
      return;
    case KeyF1 + 2: CopyLine(); return;
    case KeyHome:
    case KeyEnd:
    case KeyPageUp:
    case KeyPageDown: JumpKey(keyCode, modifiers, count); return;
    case KeyDeleteLeft: DeleteKey(true, modifiers, count); return;
    case KeyDeleteRight: DeleteKey(false, modifiers, count); return;
    default: InvalidKey(keyCode, character, modifiers); return;
  }
}

void GoldKey(int keyCode, char character, int modifiers, std::int32_t count) {
  switch (keyCode) {
    case KeyCharacter: GoldCharacter(character, count); return;
    case KeyCursorUp:
    case KeyCursorDown:
    case KeyCursorLeft:
    case KeyCursorRight: CursorKey(keyCode, modifiers, count); return;
    case KeyNumeric0: EditKeys::OpenLine(count); return;
    case KeyNumeric0 + 1: EditKeys::ChangeCase(count); return;
    case KeyNumeric0 + 2: EditKeys::DeleteToEndOfLine(count); return;
    case KeyNumeric0 + 3: EditKeys::SpecialInsert(count); return;
    case KeyNumeric0 + 4: EditKeys::Bottom(); return;
    case KeyNumeric0 + 5: EditKeys::Top(); return;
    case KeyNumeric0 + 6: EditKeys::Paste(count); return;
    case KeyNumeric0 + 7: EditDisplay::InsertionPoint(); return;
    case KeyNumeric9: EditKeys::Replace(count); return;
    case KeyEnter: EditKeys::Substitute(count); return;
    case KeyNumericMinus: EditKeys::UndeleteWord(count); return;
    case KeyNumericPlus: EditKeys::UndeleteChar(count); return;
    case KeyNumericPoint:
      EditKeys::Reset();
      EditDisplay::InsertionPoint();
      return;
    case KeyNumericEquals: EditKeys::FindSelection(count); return;
    case KeyNumericDivide: EditKeys::Find(count); return;
    case KeyNumericMultiply: EditKeys::UndeleteLine(count); return;
    default:
      if (keyCode >= KeyF1 && keyCode <= KeyF15) {
        Say("Undefined function key with GOLD.");
      } else {
        InvalidFollowingGold();
      }
      return;
  }
}

bool IsGoldKey(int keyCode) { return keyCode == KeyNumericClear || keyCode == KeyF1 + 10; }

}  // namespace

bool ProcessCommand(int keyCode, char character, int modifiers) {
  SetCursor();
  if (EditUndo::UndoOwner != EditState::EditBuffer) EditUndo::ClearUndo();
  if (keyCode <= KeyConsumed) return true;
  bool result = true;
  if (WindowEvent(keyCode, character, modifiers, result)) {
    ANSITerm::CursorShow(EditState::Console);
    GoldSet = false;
    return result;
  }
  if (!GoldSet) {
    Count = 1;
    DoRepeatCount = false;
  }
  EditDisplay::MessageClear();
  if (IsGoldKey(keyCode)) {
    if (!GoldSet && EditState::TraceState == EditState::kTraceLearning) {
      prefixEntry = std::max(0, EditState::TraceEntry - 1);
    }
    GoldSet = true;
    DoRepeatCount = false;
    return true;
  }
  if (GoldSet && keyCode == KeyCharacter && character >= '0' && character <= '9') {
    if (!DoRepeatCount) Count = 0;
    DoRepeatCount = true;
    Count = static_cast<std::int32_t>(
        std::min<std::int64_t>(kMaxCount, static_cast<std::int64_t>(Count) * 10 + (character - '0')));
    char text[33];
    std::snprintf(text, sizeof text, "Repeat count: %u", static_cast<unsigned>(Count));
    Say(text);
    return true;
  }
  if (GoldSet && keyCode == KeyCharacter && character == 27) {
    GoldSet = false;
    Say("Repeat count cancelled");
    return true;
  }
  if (GoldSet && DoRepeatCount) GoldSet = false;
  if (GoldSet) {
    GoldSet = false;
    GoldKey(keyCode, character, modifiers, Count);
  } else {
    PlainKey(keyCode, character, modifiers, Count);
  }
  ANSITerm::CursorShow(EditState::Console);
  return true;
}

void Initialize() {
  EditState::EditBuffer = nullptr;
  EditState::Console = Shell::RootTerminal;
  EditState::Window = Shell::RootWindow;
  EditState::ListConsole = nullptr;
  EditState::WindowBandSize = 1;
  EditState::Scrolled = false;
  EditState::MessageActive = false;
  Strings::Clear(EditState::MessageText);
  EditState::ShowLineNumbers = false;
  Strings::Clear(EditState::SearchString);
  EditState::DoSearchLine = false;
  EditState::TabInterval = 3;
  EditState::FixHorizontalTab = false;
  EditState::DeletedChar = 0;
  EditState::DeletedCharCR = false;
  Strings::Clear(EditState::DeletedWord);
  EditState::DeletedWordCR = false;
  Strings::Clear(EditState::DeletedLine);
  EditState::DeletedLineCR = false;
  EditState::TraceEntry = 0;
  EditState::TraceLimit = 0;
  EditState::TraceState = EditState::kTraceOff;
  EditState::TraceUpdate = true;
  EditUndo::Initialize();
  EditUtility::Initialize();
}

void SetCursor() {
  ANSITerm::TerminalRecord* const console = EditState::Console;
  Windows::Window* const window = console == nullptr ? nullptr : console->window;
  bool overText = false;
  if (window != nullptr && window == Windows::FrontWindow()) {
    Port::GrafPort* const saved = Port::GetPort();
    Port::SetPort(Windows::GetWindowPort(window));
    Geometry::Point mouse;
    Events::GetMouse(mouse);
    Port::SetPort(saved);
    overText = Geometry::PtInRect(mouse, console->textRect);
  }
  if (overText) {
    Mouse::SetEditCursor();
  } else {
    Mouse::SetArrowCursor();
  }
}

void EditShell() {
  ClearKeyState();
  ANSIBase::LastKeyCode = KeyNone;
  ANSIBase::LastCharacter = 0;
  ANSIBase::LastModifiers = 0;
  ScrapUtil::GetPasteBuffer();
  if (Shell::StartupProc != nullptr) Shell::StartupProc();
}

void EditLoop() {
  ClearKeyState();
  MacEnv::HideLogo();
  EditUtility::SetupBuffer(EditState::EditBuffer, true, false, true);
  EditDisplay::InsertionPoint();
  int keyCode = KeyNone;
  char character = 0;
  int modifiers = 0;
  while (Edit(keyCode, character, modifiers), keyCode != KeyNone) {
  }
}

bool Edit(int& keyCode, char& character, int& modifiers) {
  for (;;) {
    keyCode = KeyNone;
    character = 0;
    modifiers = 0;
    EditDisplay::InputKey(keyCode, character, modifiers);
    if (keyCode == KeyNone && InputGone()) return false;
    if (!ProcessCommand(keyCode, character, modifiers)) return false;
  }
}

bool IsGold() { return GoldSet; }

void MacroLearn() {
  EditUndo::ClearUndo();
  EditState::TraceState = EditState::kTraceLearning;
  EditState::TraceEntry = 0;
  Say("Learning a macro ...");
}

void MacroStop() {
  EditUndo::ClearUndo();
  switch (EditState::TraceState) {
    case EditState::kTraceLearning:
      EditState::TraceState = EditState::kTraceOff;
      EditState::TraceLimit = EditState::TraceEntry;
      Say("Stop learning a macro.");
      return;
    case EditState::kTracePlaying:
      if (--MacroRepeatCount > 0) {
        EditState::TraceEntry = 0;
        return;
      }
      EditState::TraceState = EditState::kTraceOff;
      if (!EditState::TraceUpdate) EditDisplay::NewDisplay();
      return;
    default: Say("No macro definition in progress."); return;
  }
}

void MacroExecute(std::int32_t count) {
  EditUndo::ClearUndo();
  if (EditState::TraceState == EditState::kTraceLearning) {
    Say("Macro execution not allowed in macro definition.  Ignored.");
    // The GOLD prefix goes with the X: played back without its command it
    // would make the next recorded key a GOLD key.
    EditState::TraceEntry = std::clamp(prefixEntry, 0, EditState::TraceEntry);
    return;
  }
  if (EditState::TraceLimit <= 0) {
    Say("No macro defined.");
    return;
  }
  if (count <= 0) return;
  EditState::TraceState = EditState::kTracePlaying;
  EditState::TraceEntry = 0;
  MacroRepeatCount = count;
}

void StartupMessage(std::span<char> directory, char& first, char& second, char& third, std::int32_t& number) {
  IOFiles::GetDirectory(directory);
  ScrapUtil::GetPasteBuffer();
  first = 0;
  second = 0;
  third = 0;
  number = 0;
}

}  // namespace Editor
