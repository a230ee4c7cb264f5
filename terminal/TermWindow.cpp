#include "terminal/TermWindow.h"

#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/ModDialog.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/Decode.h"
#include "foundation/IOBase.h"
#include "foundation/Load.h"
#include "foundation/RealTime.h"
#include "foundation/Store.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "platform/Screen.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/Shell.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditKeys.h"
#include "terminal/EditMenus.h"
#include "terminal/EditState.h"
#include "terminal/EditUtility.h"
#include "terminal/Editor.h"
#include "terminal/LineEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace TermWindow {

Graphics::GraphicsWindow Window = nullptr;
ANSITerm::TerminalRecord* Terminal = nullptr;
int Menu = 0;
int FormatMenu = 0;
bool Visible = false;
bool InPollLoop = false;
std::int32_t ActiveLines = 0;
char FileName[256] = "";
char MergeName[256] = "";
bool ClearingEnabled = false;
int iSave = 0, iSaveAs = 0, iMerge = 0, iPrint = 0, iClearEnable = 0, iClear = 0, iLength = 0, iLineNumbers = 0,
    iFont = 0, iFormat = 0, iZoomIn = 0, iZoomOut = 0, iOpen = 0;

namespace {

using namespace ANSIBase;

// Lines read from files are cut into pieces of 256 characters.
constexpr std::int32_t kReadLength = EditState::kLineLength + 1;
constexpr char kMergeBuffer[] = "NotebookMerge";
constexpr char kLoadBuffer[] = "Load.tmp";
// File codes of IOBase::Result for what the file layer cannot say itself.
constexpr std::int16_t kEndOfFile = -39;
constexpr std::int16_t kWillNotFit = -41;

std::span<const char> Z(const std::string& text) { return {text.c_str(), text.size() + 1}; }

// The editor's view of the notebook after its lines were replaced: nothing
// selected, the cursor at the start, then drawn at its end.
void Redraw() {
  if (EditState::EditBuffer == Shell::List) {
    EditState::SelectActive = false;
    EditState::CursorLine = 1;
    EditState::CursorColumn = 1;
    EditState::DesiredColumn = 1;
    EditState::FirstLine = 1;
    EditState::FirstColumn = 0;
  }
  if (Window != nullptr && Visible) EditUtility::UpdateBuffer(Shell::List, true);
}

void Empty() { BufferText::Remove(Shell::List, 1, BufferText::RecordCount(Shell::List)); }

void AppendAll(BufferText::TextBuffer source) {
  EditState::LineText line = "";
  for (std::int32_t n = 1; n <= BufferText::RecordCount(source); ++n) {
    BufferText::Get(source, n, line);
    BufferText::Append(Shell::List, line);
  }
}

void UpdateMenu() {
  if (Menu == 0) return;
  ModMenus::CheckItem(Menu, iClearEnable, ClearingEnabled);
  ModMenus::CheckItem(Menu, iLineNumbers, EditState::ShowLineNumbers);
  char text[ModMenus::kTextSize] = "Set Length... (";
  Decode::Integer(GetMaxLength(), text, 0);
  Strings::Concat(text, ")");
  ModMenus::SetItemText(Menu, iLength, text);
}

// The name with ".txt" when it has none.
void WithExtension(std::span<const char> name, std::span<char> path) {
  Strings::Assign(path, name);
  char file[256] = "";
  char extension[256] = "";
  IOBase::ExtractNameFromPath(name, file);
  IOBase::ExtractExtensionFromName(file, extension);
  if (Strings::Length(extension) == 0) Strings::Concat(path, ".txt");
}

void DefaultFileName(std::span<char> name) {
  Strings::Assign(name, Shell::ListTitle);
  Strings::Concat(name, ".txt");
}

// ---- The Notebook menu's own items ------------------------------------------------------

void SaveAsItem() { SaveNotebookAs(); }

void ClearWhenSaved() { SetClearEnable(!ClearingEnabled); }

void SetNotebookLength() {
  const std::int32_t current = GetMaxLength();
  const std::int32_t answer = Alert::Number("Maximal Lines in Notebook:", current);
  if (answer == current) return;
  SetMaxLength(std::clamp(answer, kMinLength, kMaxLength));
}

void ShowLineNumber() {
  EditState::ShowLineNumbers = !EditState::ShowLineNumbers;
  EditState::MessageActive = false;
  EditDisplay::RestoreLastLine();
  UpdateMenu();
}

void SetNotebookFont() {
  if (Window == nullptr) return;
  ModWindow::WindowParameters parameters;
  ModWindow::GetWindowParameters(Window, parameters);
  parameters.fontSize = static_cast<std::int16_t>(
      std::clamp<std::int32_t>(Alert::Number("Notebook Font Size:", parameters.fontSize), INT16_MIN, INT16_MAX));
  // A size of 0 or less would leave the terminal without a grid.
  ModWindow::ClipToMainScreen(parameters);
  ModWindow::SetWindowParameters(Window, parameters);
  ANSITerm::SetSize(Terminal);
  if (Visible) EditUtility::UpdateBuffer(Shell::List, !InPollLoop);
}

int Scaled(int value) { return static_cast<int>(std::lround(value * MacEnv::ScreenFactor)); }

void Activate() {
  if (!InPollLoop) EnableEditMenus(true);
  InPollLoop = true;
  Visible = true;
  if (GetLength() != ActiveLines) MoveToEnd();
  ANSITerm::CursorOn(Terminal);
}

}  // namespace

// ---- Life cycle ------------------------------------------------------------------------------

void InitModule() {
  Window = nullptr;
  Terminal = nullptr;
  Menu = 0;
  FormatMenu = 0;
  Visible = false;
  InPollLoop = false;
  ActiveLines = 0;
  FileName[0] = 0;
  MergeName[0] = 0;
  ClearingEnabled = false;
  iSave = iSaveAs = iMerge = iPrint = iClearEnable = iClear = iLength = iLineNumbers = iFont = iFormat = iZoomIn =
      iZoomOut = iOpen = 0;
}

void Shutdown() {
  if (Terminal != nullptr && Shell::List != nullptr) EditUtility::CloseBufferWindow(Shell::List);
  Window = nullptr;
  Terminal = nullptr;
  Visible = false;
}

void Install(ModWindow::WindowParameters& windowParameters, bool visible) {
  if (Menu != 0 || Shell::List == nullptr) return;
  ModWindow::Hide(Shell::RootWindow);
  SetDefaultTitle();
  FileName[0] = 0;
  if (EditUtility::BufferWindowIsOpen(Shell::List)) {
    EditUtility::SetupBuffer(Shell::List, false, false, false);
    ModWindow::SetWindowParameters(EditState::Window, windowParameters);
  } else {
    EditUtility::CreateBufferWindow(Shell::List, windowParameters, EditUtility::kBufferWindowKind, false, visible,
                                    visible);
  }
  EditUtility::SetupBuffer(Shell::List, true, true, visible);
  SetMaxLength(kDefaultLength);
  ANSITerm::CursorOff(EditState::ListConsole);
  ANSITerm::ReportFrontClick = true;
  Window = EditState::ListConsole != nullptr ? EditState::Window : nullptr;
  Terminal = EditState::ListConsole;
  Visible = visible && Window != nullptr;
  LineEditor::FilterProc = FilterGlueProc;
  if (!visible) ModWindow::Hide(Window);
}

void InstallMenu(bool withOpen, bool withFormat) {
  ModMenus::CreateMenu(Menu, "Notebook");
  if (Menu == 0) return;
  int item = 0;
  auto add = [&](const char* text, ModMenus::Procedure procedure) {
    ModMenus::AppendItem(Menu, {text, std::char_traits<char>::length(text) + 1});
    ++item;
    if (procedure != nullptr) ModMenus::SetItemProc(Menu, item, procedure);
    return item;
  };
  iSave = add("Save", SaveNotebook);
  iSaveAs = add("Save As...", SaveAsItem);
  iMerge = add("Merge...", Merge);
  iPrint = add("Print...", Print);
  add("-", nullptr);
  iClearEnable = add("Clear when Saved", ClearWhenSaved);
  iClear = add("Clear", ClearNotebook);
  iLength = add("Set Length...", SetNotebookLength);
  iLineNumbers = add("Line Numbers", ShowLineNumber);
  add("-", nullptr);
  iFont = add("Font Size...", SetNotebookFont);
  iFormat = withFormat ? add("File Format", nullptr) : 0;
  add("-", nullptr);
  iZoomIn = add("Zoom In", EditMenus::ZoomIn);
  iZoomOut = add("Zoom Out", EditMenus::ZoomOut);
  iOpen = withOpen ? add("Show Notebook", DoOpen) : 0;
  ModMenus::AppendMenu(Menu);
  UpdateMenu();
  ModMenus::AdjustMenus(true);
}

void CreateMenu() { EditMenus::CreateAndAppend(); }

// ---- Events and drawing --------------------------------------------------------------------

void ProcessEvent(int& code, char& character, int& modifiers) {
  if (Terminal == nullptr) return;
  // Function keys from F4 on belong to the program, F11 (GOLD elsewhere)
  // included: the notebook's GOLD is keypad clear.
  if (code >= KeyF1 + 3 && code <= KeyF15) return;
  if (code == KeyWindowClose) {
    Close();
    return;
  }
  if (code == KeyActivate || code == KeyWindow) {
    TermIO::Flush();
  } else if (code >= KeyCharacter && TermIO::Written) {
    Update();
  }
  Editor::ProcessCommand(code, character, modifiers);
  if (code == KeyDeactivate) {
    TermIO::Flush();
    Deactivate();
  } else if (code == KeyActivate || code == KeyWindow) {
    Activate();
  }
}

void Update() {
  if (Window == nullptr || !Visible) return;
  TermIO::Flush();
  EditUtility::UpdateBuffer(Shell::List, !InPollLoop);
  TermIO::ForceUpdate();
}

void MoveToEnd() {
  if (Terminal == nullptr || EditState::Console != Terminal) return;
  EditKeys::Reset();
  ActiveLines = GetLength();
  const std::int32_t last = std::max<std::int32_t>(1, ActiveLines);
  if (EditState::CursorLine != last || EditState::CursorColumn != 1) EditDisplay::MoveCursor(last, 1);
  if (!InPollLoop) {
    int lines = 0;
    int columns = 0;
    ANSITerm::GetSize(Terminal, lines, columns);
    ANSITerm::CUP(Terminal, lines, 1);
  }
}

void Deactivate() {
  if (InPollLoop) {
    InPollLoop = false;
    ANSITerm::CursorOff(Terminal);
  }
  ActiveLines = GetLength();
}

void ToFront() {
  if (Window == nullptr) return;
  ModWindow::BringToFront(Window);
  Visible = true;
}

bool IsInFront() { return Window != nullptr && ModWindow::IsInFront(Window); }

void Close() {
  if (Window == nullptr) return;
  ModWindow::Hide(Window);
  Visible = false;
}

// ---- The notebook's text -----------------------------------------------------------------

void ClearNotebook() {
  if (Shell::List == nullptr) return;
  if (EditState::EditBuffer == Shell::List) EditKeys::Reset();
  TermIO::Flush();
  Empty();
  char date[25] = "";
  RealTime::ToAltDate(RealTime::GetTime(), date, true, false);
  BufferText::Append(Shell::List, date);
  BufferText::Append(Shell::List, "");
  Redraw();
}

void SaveNotebook() {
  if (Strings::Length(FileName) == 0) DefaultFileName(FileName);
  StoreNotebook(FileName);
}

bool SaveNotebookAs() {
  if (Strings::Length(FileName) == 0) DefaultFileName(FileName);
  char name[256] = "";
  Strings::Assign(name, FileName);
  if (!FileSelect::Select(name, "*.txt", FileSelect::ModeSave, "SAVE Notebook AS:")) return false;
  Strings::Assign(FileName, name);
  return StoreNotebook(name);
}

bool StoreNotebook(std::span<const char> name) {
  if (Shell::List == nullptr) return false;
  TermIO::Flush();
  char path[256] = "";
  WithExtension(name, path);
  const int result = Store::Text(Shell::List, path, nullptr);
  if (result != 0) {
    if (result == -1) IOBase::Result = kWillNotFit;
    Alert::IOError("Saving Failed:");
    return false;
  }
  if (ClearingEnabled) ClearNotebook();
  return true;
}

bool AppendNotebook(const IOBytes::FileHandle& file, std::int32_t position, std::int32_t& size) {
  size = 0;
  if (Shell::List == nullptr) return false;
  TermIO::Flush();
  Buffer::NamedBuffer temporary = nullptr;
  char* block = nullptr;
  std::int32_t count = 0;
  if (!Store::TextToBlock(Shell::List, 1, temporary, block, count)) {
    Alert::OK("Appending notebook to file failed");
    return false;
  }
  const bool written = IOBytes::SetPosition(file, 0, position) && (count == 0 || IOBytes::Write(file, count, block));
  Buffer::Delete(temporary);
  if (!written) {
    Alert::IOError("Saving notebook failed:");
    return false;
  }
  size = count;
  return true;
}

bool LoadNotebook(const IOBytes::FileHandle& file, std::int32_t position, std::int32_t size) {
  if (Shell::List == nullptr) return false;
  TermIO::Flush();
  if (size <= 0) {
    Empty();
    Redraw();
    return true;
  }
  std::int32_t length = 0;
  if (!IOBytes::GetLength(file, length)) {
    Alert::IOError("Loading notebook failed:");
    return false;
  }
  if (position < 0 || position > length || size > length - position) {
    IOBase::Result = kEndOfFile;
    Alert::IOError("Loading notebook failed:");
    return false;
  }
  Buffer::NamedBuffer temporary = Buffer::Create(kLoadBuffer, Buffer::kSingleBlock);
  void* block = nullptr;
  if (temporary != nullptr) Buffer::AllocateBlock(temporary, size, block);
  if (block == nullptr) {
    Buffer::Delete(temporary);
    Alert::OK("Loading notebook from file failed");
    return false;
  }
  std::int32_t count = size;
  const bool read = IOBytes::SetPosition(file, 0, position) && IOBytes::Read(file, count, block);
  if (read) {
    Empty();
    Load::BlockToText({static_cast<const char*>(block), static_cast<std::size_t>(size)}, Shell::List, kReadLength,
                      false);
  }
  Buffer::Delete(temporary);
  if (!read) {
    Alert::IOError("Loading notebook failed:");
    return false;
  }
  Redraw();
  return true;
}

bool Revert(std::span<const char> name, bool merge) {
  if (Shell::List == nullptr) return false;
  BufferText::TextBuffer lines = Buffer::Create(kMergeBuffer, Buffer::kText);
  if (lines == nullptr) {
    Alert::OK("Unable to create temporary buffer.");
    return false;
  }
  // The notebook would drop all but its last lines anyway.
  BufferText::SetMaxRecords(lines, GetMaxLength());
  const int result = Load::Text(name, nullptr, lines, kReadLength, false);
  if (result != 0) {
    if (result == -1) IOBase::Result = kWillNotFit;
    Buffer::Delete(lines);
    return false;
  }
  TermIO::Flush();
  if (merge) {
    BufferText::Append(Shell::List, "");
    std::string title = "Merged file: ";
    title += std::string(name.data(), static_cast<std::size_t>(Strings::Length(name)));
    BufferText::Append(Shell::List, Z(title));
  } else {
    Empty();
  }
  AppendAll(lines);
  Buffer::Delete(lines);
  if (merge) {
    Update();
  } else {
    Redraw();
  }
  return true;
}

void Merge() {
  if (!FileSelect::Select(MergeName, "*.*", FileSelect::ModeOpen, "Merge to Notebook:")) return;
  if (!Revert(MergeName, true)) Alert::IOError("Merge failed");
}

bool StoreRange(const IOBytes::FileHandle& file, std::int32_t first, std::int32_t last) {
  EditState::LineText line = "";
  for (std::int32_t n = first; n <= last; ++n) {
    const std::int32_t length = BufferText::Get(Shell::List, n, line);
    std::int32_t count = std::min<std::int32_t>(length, EditState::kLineLength);
    if (!IOBytes::WriteLine(file, count, line)) return false;
  }
  return true;
}

void ReplaceLastLine(std::span<const char> text) {
  if (Terminal != nullptr) {
    std::int32_t line = 0;
    std::int32_t column = 0;
    ANSITerm::GetCUP(Terminal, line, column);
    ANSITerm::CUP(Terminal, line, 1);
    ANSITerm::Write(Terminal, text);
    ANSITerm::ELe(Terminal);
  }
  const std::int32_t last = GetLength();
  if (last > 0) {
    BufferText::Replace(Shell::List, last, text);
  } else {
    BufferText::Append(Shell::List, text);
  }
}

// ---- Settings ----------------------------------------------------------------------------------

void SetClearEnable(bool on) {
  ClearingEnabled = on;
  UpdateMenu();
}

std::int32_t GetLength() { return BufferText::RecordCount(Shell::List); }

std::int32_t GetMaxLength() { return BufferText::GetMaxRecords(Shell::List); }

void SetMaxLength(std::int32_t lines) {
  BufferText::SetMaxRecords(Shell::List, lines);
  UpdateMenu();
}

void SetTitle(std::span<const char> title) {
  Strings::Assign(Shell::ListTitle, title);
  ModWindow::SetTitle(Window, Shell::ListTitle);
}

void SetDefaultTitle() {
  char title[32] = "Notebook_";
  char date[12] = "";
  RealTime::ToAltDate(RealTime::GetTime(), date, false, false);
  Strings::Concat(title, date);
  SetTitle(title);
}

// ---- The window --------------------------------------------------------------------------------

void GetWindowParameters(ModWindow::WindowParameters& parameters) {
  ModWindow::GetWindowParameters(Window, parameters);
}

void ClipWindow(ModWindow::WindowParameters& parameters, int left, int top, int minRight, int width, int minBottom,
                int height) {
  const Geometry::Rect bounds = Screen::Bounds();
  const int screenLeft = bounds.left;
  const int screenRight = bounds.right;
  const int screenTop = bounds.top + Screen::MenuBarHeight();
  const int screenBottom = bounds.bottom;
  const int x = Scaled(left);
  const int y = Scaled(top);
  const int newLeft = screenLeft + x < screenRight - Scaled(minRight) ? screenLeft + x : screenLeft;
  const int newRight = std::min(newLeft + Scaled(width), screenRight);
  const int lowest = screenBottom - Scaled(minBottom);
  const int newTop = screenTop + y > lowest ? lowest : screenTop + y;
  const int bottom = screenBottom > 480 ? screenBottom - 16 : screenBottom + 6;
  const int newBottom = std::min(bottom, newTop + Scaled(height));
  parameters.left = static_cast<std::int16_t>(newLeft);
  parameters.right = static_cast<std::int16_t>(newRight);
  parameters.top = static_cast<std::int16_t>(newTop);
  parameters.bottom = static_cast<std::int16_t>(newBottom);
}

void SetWindowPos(int top, int left, int height, int width) {
  ModWindow::WindowParameters p;
  ModWindow::GetWindowParameters(Shell::RootWindow, p);
  int h = p.bottom - p.top;
  int w = p.right - p.left;
  if (top > 0) p.top = static_cast<std::int16_t>(Scaled(top));
  if (left > 0) p.left = static_cast<std::int16_t>(Scaled(left));
  if (height > 0) h = Scaled(height);
  if (width > 0) w = Scaled(width);
  p.bottom = static_cast<std::int16_t>(p.top + h);
  p.right = static_cast<std::int16_t>(p.left + w);
  ModWindow::SetWindowParameters(Shell::RootWindow, p);
}

void ResetFrontWindowPosition() {
  if (!IsInFront()) return;
  constexpr int kCorner = 64;
  ModWindow::WindowParameters p;
  ModWindow::GetWindowParameters(Window, p);
  p.bottom = static_cast<std::int16_t>(kCorner + p.bottom - p.top);
  p.right = static_cast<std::int16_t>(kCorner + p.right - p.left);
  p.top = kCorner;
  p.left = kCorner;
  ModWindow::SetWindowParameters(Window, p);
}

void EnableEditMenus(bool on) {
  const int edit = EditMenus::Menu;
  if (on && edit != 0) {
    for (int item = 1; item <= ModMenus::CountItems(edit); ++item) ModMenus::EnableItem(edit, item, true);
    ModMenus::SetItemProc(edit, EditMenus::kCopy, EditMenus::DoCopy);
    ModMenus::SetItemProc(edit, EditMenus::kPaste, EditMenus::DoPaste);
  }
  ModMenus::AdjustMenus(true);
}

void DoOpen() {
  if (Window == nullptr) return;
  EditUtility::SetupBuffer(Shell::List, true, true, true);
  Visible = true;
  Activate();
}

void Print() { EditMenus::DoPrint(); }

void FilterGlueProc(int& code, char& character, int& modifiers) {
  ModDialog::GlobalEventFilter(EditState::Console, ModDialog::DialogPtr, code, character, modifiers, false);
}

}  // namespace TermWindow
