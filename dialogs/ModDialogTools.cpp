#include "dialogs/ModDialogTools.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string_view>

#include "dialogs/Alert.h"
#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogIcons.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "platform/Lines.h"
#include "platform/Port.h"
#include "platform/PortState.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/Mouse.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditState.h"
#include "terminal/LineEditor.h"

namespace ModDialogTools {

using namespace ModDialogUt;

char InputString[kInputSize] = "";
bool ConversionOK = true;
ItemProc DefaultLoopProc = NoItem;
int MinAccessLevel = 0;
bool RelativeChange = false;
bool WasRelativeChange = false;
int ActiveItem = 0;
char ActiveChar = 0;
int ActiveKey = 0;
int ActiveModifiers = 0;
int ActiveSelectionMode = 0;
int MenuHookItem = 0;
int ConfigMode = 2;
DialogRecord RootDialog;
FilterProc UserEventFilter = NoFilterProc;
ModDialogUt::RecordProc RecordProc = NoRecordProc;
AuditBefore AuditBeforeProc = NoAuditBefore;
ModDialogUt::RecordProc AuditAfterProc = NoAuditAfter;

namespace {

// Below this magnitude an engineering number shows as 0.
constexpr double kEngineeringFloor = 1e-24;

DialogItem* Current(int item) { return ItemOf(ModDialog::DialogPtr, item); }

// Leading blanks up to width w (the text's capacity permitting).
void PadTo(std::span<char> text, int w) {
  const int missing = std::min(w, static_cast<int>(text.size()) - 1) - Strings::Length(text);
  if (missing <= 0) return;
  char blanks[kNameSize] = "";
  std::fill_n(blanks, missing, ' ');
  Strings::Insert(text, blanks, 0);
}

// "Off" or "---" for a zero that ZeroText names; FALSE when it names none.
bool WriteZeroText(DialogItem& item) {
  if (item.ZeroText == 0) return false;
  Strings::Assign(item.Text, item.ZeroText == 1 ? "Off" : "---");
  return true;
}

// Blanks a leading run of zeros, never the digit before the point: fixed
// numbers never show "007.50".
void BlankLeadingZeros(std::span<char> text) {
  const int length = Strings::Length(text);
  int i = 0;
  while (i < length && text[static_cast<std::size_t>(i)] == ' ') ++i;
  while (i + 1 < length && text[static_cast<std::size_t>(i)] == '0' &&
         std::isdigit(static_cast<unsigned char>(text[static_cast<std::size_t>(i) + 1])) != 0) {
    text[static_cast<std::size_t>(i++)] = ' ';
  }
}

// The unit behind a number; an engineering prefix goes behind the unit's
// leading blank ("1.5m" and " V" give "1.5 mV").
void AppendUnit(DialogItem& item) {
  const int length = Strings::Length(item.Text);
  if (length >= 2 && item.Text[length - 2] > '9') return;
  if (item.NumberFormat == kEngineering && item.Unit[0] == ' ' && length > 0) {
    const char last = item.Text[length - 1];
    item.Text[length - 1] = '\0';
    Strings::Concat(item.Text, " ");
    if (last != ' ') {
      const char prefix[2] = {last, '\0'};
      Strings::Concat(item.Text, prefix);
    }
    Strings::Concat(item.Text, std::span<const char>(item.Unit).subspan(1));
    return;
  }
  Strings::Concat(item.Text, item.Unit);
}

void ConvertBoolean(DialogItem& item, int w) {
  const bool on = *static_cast<const std::uint8_t*>(item.Value) != 0;
  Strings::Assign(item.Text, std::string_view(on ? "TRUE" : "FALSE"));
  if (item.Digits < 5) item.Text[1] = '\0';
  if (item.Justification == 0) PadTo(item.Text, w);
  Strings::Concat(item.Text, item.Unit);
}

// A bound string holds Length characters and its NUL.
int BoundCapacity(const DialogItem& item) { return std::clamp<int>(item.Length, 0, kInputSize - 1) + 1; }

// The field of an edit: erased white, its shadow red while the edit runs.
void ShowEditField(DialogRecord* dialog, int item, const Geometry::Rect& r, bool editing) {
  {
    Graphics::Bracket bracket(dialog->Window);
    if (!bracket.Began()) return;
    PortState::Scope scope(Port::GetPort());
    Port::BackPat(Pattern::kWhite);
    Port::RGBBackColor(Color::kWhite);
    if (editing) Shapes::EraseRect(r);
  }
  const int selectionMode = ActiveSelectionMode;
  const int activeItem = ActiveItem;
  if (editing) {
    ActiveItem = item;
    ActiveSelectionMode = 1;
  }
  ModDialogIcons::DrawDropShadow(item);
  ActiveItem = activeItem;
  ActiveSelectionMode = selectionMode;
}

// The edit in progress, for its key filter: the dialog, and the item whose
// password the filter collects (nil unless a password is edited).
struct Edit {
  DialogRecord* dialog = nullptr;
  DialogItem* password = nullptr;
};
Edit edit;

// A password is collected key by key in the bound string; the line shows a
// star for each character, and keys that would move or finish oddly are
// dropped (the keypad's enter too: return and tab finish a password).
void PasswordKey(DialogItem& item, int& code, char& character) {
  const std::span<char> password(static_cast<char*>(item.Value), static_cast<std::size_t>(BoundCapacity(item)));
  const int length = Strings::Length(password);
  const auto c = static_cast<unsigned char>(character);
  const bool typed = code == ANSIBase::KeyCharacter;
  if (code == ANSIBase::KeyDeleteLeft || (typed && c == 8)) {
    if (length > 0) password[static_cast<std::size_t>(length) - 1] = '\0';
    code = ANSIBase::KeyDeleteLeft;
    character = 0;
  } else if (typed && c >= 32) {
    if (length < item.Length && length + 1 < static_cast<int>(password.size())) {
      password[static_cast<std::size_t>(length)] = character;
      password[static_cast<std::size_t>(length) + 1] = '\0';
    }
    character = '*';
  } else if (typed && c == 27) {
    Strings::Clear(password);
  } else if (typed ? (c != '\r' && c != '\t')
                   : ((code >= ANSIBase::KeyCursorUp && code <= ANSIBase::KeyInsert) ||
                      code == ANSIBase::KeyDeleteRight || code > ANSIBase::KeyOSEvent)) {
    code = ANSIBase::KeyConsumed;
  }
}

// The line editor's filter during an edit: every pass, with or without a
// key, also runs the program's global filter, so measurements and timers
// go on while the operator types.
void EditFilter(int& code, char& character, int& modifiers) {
  if (edit.password != nullptr) PasswordKey(*edit.password, code, character);
  ModDialog::GlobalEventFilter(edit.dialog->Terminal, edit.dialog, code, character, modifiers, false);
}

// Reads the text over the field r with the line editor: the keys come from
// the dialog's terminal (the keypad typing digits), the window's world is
// its pixels and its font the item's. All of it, and the editor's own
// terminal, is put back afterwards.
void ReadInPlace(DialogRecord* dialog, DialogItem& item, const Geometry::Rect& r, std::span<char> text, int limit,
                 bool password) {
  Graphics::GraphicsWindow window = dialog->Window;
  ANSITerm::TerminalRecord* terminal = dialog->Terminal;
  ANSITerm::TerminalRecord* const console = EditState::Console;
  const Graphics::GraphicsWindow consoleWindow = EditState::Window;
  const LineEditor::Filter filter = LineEditor::FilterProc;
  const bool application = terminal->keypadApplicationMode;
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  Graphics::GetScaling(window, x1, y1, x2, y2);
  EditState::Console = terminal;
  EditState::Window = window;
  LineEditor::FilterProc = EditFilter;
  edit = Edit{dialog, password ? &item : nullptr};
  ANSITerm::DECKPNM(terminal);
  Graphics::SetScaling(window, window->left + 1, window->bottom - 1, window->right - 1, window->top + 1);
  ModDialogUt::SetFont(window, item.FontNumber, item.FontSize, item.TextStyle);
  const int left = r.left + (item.Justification != 0 ? 3 : item.TextIndent);
  LineEditor::ReadClearGraphicsString(window, left, r.top + item.TextBaseline, r.right - 1 - left, text, limit, r);
  if (application) ANSITerm::DECKPAM(terminal);
  Graphics::SetScaling(window, x1, y1, x2, y2);
  const DialogItem& root = *dialog->Items[0];
  ModDialogUt::SetFont(window, root.FontNumber, root.FontSize, root.TextStyle);
  edit = Edit{};
  LineEditor::FilterProc = filter;
  EditState::Console = console;
  EditState::Window = consoleWindow;
}

void DrawGrowLines(const Geometry::Rect& r) {
  Port::MoveTo(r.right - 12, r.bottom - 1);
  Lines::LineTo(r.right - 1, r.bottom - 12);
  Port::MoveTo(r.right - 7, r.bottom - 1);
  Lines::LineTo(r.right - 1, r.bottom - 7);
}

void AppendNumber(std::span<char> text, int value, int width) { Decode::Integer(value, text, width); }

void AppendWindowName(std::span<char> text) {
  Windows::Window* window = ANSITerm::ActiveWindow();
  if (DialogRecord* dialog = MacWindowToDialogPtr(window)) {
    Strings::Concat(text, dialog->IDName);
  } else if (window != nullptr && window == MacEnv::LogoWindowPtr) {
    Strings::Concat(text, "Logo");
  } else if (window != nullptr && EditState::ListConsole != nullptr && window == EditState::ListConsole->window) {
    Strings::Concat(text, "Notebook");
  } else {
    Strings::Concat(text, "wind:");
    Decode::Hexadecimal(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)), text, 8);
  }
}

}  // namespace

// ---- Values as text ----------------------------------------------------------

void ConvertToString(int item) {
  DialogItem* it = Current(item);
  if (it == nullptr || it->Value == nullptr) return;
  Strings::Clear(it->Text);
  const int w = it->Length - Strings::Length(it->Unit);
  bool number = false;
  switch (it->ValueKind) {
    case kDouble:
    case kSingle:
    case kInt32:
    case kInt16:
    case kByte: {
      double value = 0;
      ItemValue::Read(*it, value);
      number = it->ValueKind <= kSingle ? ConvertReal(item, value, w)
                                        : DecodeInt32(item, static_cast<std::int32_t>(value), w);
      break;
    }
    case kBoolean:
      ConvertBoolean(*it, w);
      return;
    default:
      return;
  }
  if (number) {
    if (it->Justification != 0) {
      Strings::TrimLeading(it->Text, ' ');
    } else {
      PadTo(it->Text, w);
    }
    AppendUnit(*it);
  } else if (Strings::Equal(it->Text, "Off") && it->Justification == 0) {
    PadTo(it->Text, it->Length + 1);
  }
}

bool ConvertReal(int item, double value, int width) {
  DialogItem* it = Current(item);
  if (it == nullptr) return false;
  Strings::Clear(it->Text);
  if (value == 0 && WriteZeroText(*it)) return false;
  double x = value * it->Factor;
  const int digits = it->Digits;
  switch (it->NumberFormat) {
    case kInteger:
      if (std::isfinite(x)) {
        Decode::Integer(static_cast<std::int32_t>(std::clamp(std::round(x), -2147483647.0, 2147483647.0)), it->Text,
                        digits);
      } else {
        Decode::Fixed(x, it->Text, digits, 0);
      }
      break;
    case kFixed:
      Decode::Fixed(x, it->Text, width, digits);
      BlankLeadingZeros(it->Text);
      break;
    case kScientific:
      Decode::Scientific(x, it->Text, digits + 6);
      break;
    default:
      if (std::fabs(x) < kEngineeringFloor) x = 0;
      Decode::Engineering(x, it->Text, digits + 3);
      break;
  }
  return true;
}

bool DecodeInt32(int item, std::int32_t value, int width) {
  DialogItem* it = Current(item);
  if (it == nullptr) return false;
  Strings::Clear(it->Text);
  if (value == 0 && WriteZeroText(*it)) return false;
  if (it->NumberFormat != kInteger) return ConvertReal(item, value, width);
  Decode::Integer(value, it->Text, it->Digits);
  return true;
}

bool DoEditText(int item, const Geometry::Rect& r, bool string, bool highlight) {
  DialogRecord* dialog = ModDialog::DialogPtr;
  DialogItem* it = ItemOf(dialog, item);
  if (it == nullptr || it->Value == nullptr || !dialog->Open) return false;
  Mouse::SetEditCursor();
  ShowEditField(dialog, item, r, highlight);
  const bool password = it->Type == kEditText && it->Password;
  const int limit = password ? it->Length : (it->Type == kEditText ? it->Length - 1 : kInputSize - 2);
  const std::span<char> bound(static_cast<char*>(it->Value), static_cast<std::size_t>(BoundCapacity(*it)));
  char oldPassword[kInputSize] = "";
  if (password) {
    Strings::Assign(oldPassword, bound);
    Strings::Clear(bound);
    Strings::Clear(InputString);
  } else if (string) {
    CopyString(bound, InputString, it->Length, kInputSize);
  } else {
    Strings::Assign(InputString, it->Text);
    Strings::TrimLeading(InputString, ' ');
    Strings::TrimTrailing(InputString, ' ');
  }
  ReadInPlace(dialog, *it, r, InputString, std::clamp(limit, 0, kInputSize - 1), password);
  const bool tab = LineEditor::LastKeyCode == ANSIBase::KeyCharacter && LineEditor::LastKeyChar == '\t';
  const bool counts = tab || LineEditor::LastKeyCode == ANSIBase::KeyEnter ||
                      (LineEditor::LastKeyCode == ANSIBase::KeyCharacter && LineEditor::LastKeyChar == '\r');
  // The tab also moves the dialog's loop on to the next field.
  if (tab) ANSITerm::ReadAgain(dialog->Terminal);
  if (password) {
    if (!counts) Strings::Assign(bound, oldPassword);
  } else if (counts) {
    StoreEditedText(item, InputString, string);
  }
  Mouse::SetArrowCursor();
  ShowEditField(dialog, item, r, false);
  return counts;
}

void StoreEditedText(int item, std::span<const char> text, bool string) {
  DialogItem* it = Current(item);
  if (it == nullptr || it->Value == nullptr) return;
  if (string) {
    CopyString(text, std::span<char>(static_cast<char*>(it->Value), static_cast<std::size_t>(BoundCapacity(*it))),
               it->Length, kInputSize);
    return;
  }
  char typed[kInputSize] = "";
  Strings::Assign(typed, text);
  Strings::TrimLeading(typed, ' ');
  Strings::TrimTrailing(typed, ' ');
  char old[kNameSize] = "";
  Strings::Assign(old, it->Text);
  Strings::TrimLeading(old, ' ');
  Strings::TrimTrailing(old, ' ');
  if (typed[0] == '\0' || Strings::Equal(typed, old)) return;
  char capital[kInputSize] = "";
  Strings::Capitalize(typed, capital);
  if (it->ValueKind == kBoolean) {
    const char first = capital[0];
    if (first == 'F' || first == 'L' || first == 'H' || first == 'T') {
      *static_cast<std::uint8_t*>(it->Value) = first == 'H' || first == 'T' ? 1 : 0;
    } else {
      Alert::Beep();
    }
    return;
  }
  // Capitals find "OFF"; the number keeps its own letters, m and M differ.
  const int off = Strings::Search(capital, "OFF", 0);
  if (off >= 0) {
    Strings::DelString(typed, off, 3);
    Strings::Insert(typed, "  0", off);
  } else {
    char unit[kUnitSize] = "";
    Strings::Assign(unit, it->Unit);
    Strings::TrimLeading(unit, ' ');
    const int at = unit[0] != '\0' ? Strings::Search(typed, unit, 1) : -1;
    if (at >= 1) typed[at] = '\0';
  }
  Strings::TrimTrailing(typed, ' ');
  double value = 0;
  ConversionOK = CheckNumber(typed, it->Minimum, it->Maximum, it->Factor, value, it->NumberFormat != kInteger,
                             false) &&
                 ItemValue::Write(*it, value);
}

void StoreItemValue(DialogRecord* dialog, int item, StoredValue& record, bool relative) {
  record = StoredValue{};
  record.Modifiers = static_cast<std::uint8_t>(ActiveModifiers);
  record.Key = static_cast<std::uint8_t>(ActiveKey);
  record.Character = ActiveChar;
  if (dialog == nullptr || !dialog->Open) return;
  // The name a macro line knows the dialog by: with combined names its
  // compacted IDName, which prefixes its items' names, else its macro ID.
  Strings::Assign(record.Name, MacEnv::CombinedNames ? dialog->IDName : dialog->MacroName);
  record.Item = static_cast<std::int16_t>(item);
  if (item == -2) {
    ModMenus::GetMenuName(ModMenus::SelectedMenu, record.Text);
    record.Number = ModMenus::SelectedMenu;
    const std::int32_t chosen = ModMenus::SelectedItem;
    std::memcpy(record.Value, &chosen, sizeof chosen);
  } else if (item < -2 || item > dialog->ItemCount) {
    record.Item = 0;
  }
  DialogItem* it = item >= 1 ? ItemOf(dialog, item) : nullptr;
  if (it != nullptr && it->Value != nullptr) {
    record.AnyModifier = it->AnyModifier;
    const bool fromLast = relative && WasRelativeChange;
    switch (it->ValueKind) {
      case kSet16: {
        std::uint16_t set = 0;
        std::memcpy(&set, it->Value, sizeof set);
        std::memcpy(record.Value, &set, sizeof set);
        record.Number = it->Area.Box.BoxNumber;
        if (fromLast) {
          std::uint16_t last = 0;
          std::memcpy(&last, dialog->LastValue.Value, sizeof last);
          const int differs = std::countr_zero(static_cast<unsigned>(set ^ last) | 0x10000u);
          record.Number = (set >> differs & 1) != 0 || differs == 16 ? differs : -differs;
        }
        break;
      }
      case kString:
        Strings::Assign(record.Text, std::span<const char>(static_cast<const char*>(it->Value),
                                                           static_cast<std::size_t>(it->Length) + 1));
        break;
      default: {
        double value = 0;
        ItemValue::Read(*it, value);
        if (fromLast) {
          double last = 0;
          std::memcpy(&last, dialog->LastValue.Value, sizeof last);
          value -= last;
        }
        std::memcpy(record.Value, &value, sizeof value);
        if (it->ValueKind == kByte && (it->Type == kList || it->Type == kFramedList) &&
            it->Area.List.MarkSet != nullptr) {
          record.Number = *it->Area.List.MarkSet;
        }
        break;
      }
    }
  }
  WasRelativeChange = RelativeChange;
  RelativeChange = false;
}

// ---- Context -------------------------------------------------------------------

bool GetState(DialogContext& context, DialogRecord* dialog) {
  if (dialog == nullptr || !dialog->Open) return false;
  context = DialogContext{ModDialog::DialogPtr, MenuHookItem,        ActiveItem,   ActiveChar, ActiveKey,
                          ActiveModifiers,      ActiveSelectionMode, Port::GetPort()};
  ModDialog::DialogPtr = dialog;
  return true;
}

void ResetState(const DialogContext& context) {
  ModDialog::DialogPtr = context.dialog;
  MenuHookItem = context.menuHookItem;
  ActiveItem = context.activeItem;
  ActiveChar = context.activeChar;
  ActiveKey = context.activeKey;
  ActiveModifiers = context.activeModifiers;
  ActiveSelectionMode = context.activeSelectionMode;
  Port::SetPort(context.port);
}

void ConditionalUpdate(DialogRecord* dialog) {
  if (dialog == nullptr || !dialog->Changed) return;
  ModDialog::Update(dialog);
  dialog->Changed = false;
}

bool SafeHelpProc(ItemQuery help, int item) {
  DialogRecord* dialog = ModDialog::DialogPtr;
  const bool handled = help(item);
  ModDialog::DialogPtr = dialog;
  return handled;
}

void SafeExecution(int item, Proc procedure) {
  DialogRecord* dialog = ModDialog::DialogPtr;
  DialogContext context;
  if (GetState(context, dialog)) {
    if (dialog->MayExecuteProc(ActiveItem)) procedure();
    ResetState(context);
  }
  if (DialogItem* it = ItemOf(dialog, item)) it->Executing = false;
}

void ForAllDo(void (*procedure)(DialogRecord* dialog)) {
  DialogRecord* dialog = RootDialog.NextDialog;
  while (dialog != nullptr) {
    // The procedure may shut the dialog down.
    DialogRecord* next = dialog->NextDialog;
    DialogContext context;
    if (GetState(context, dialog)) {
      procedure(dialog);
      ResetState(context);
    }
    dialog = next;
  }
}

DialogRecord* MacWindowToDialogPtr(Windows::Window* window) {
  void* reference = Windows::GetRefCon(window);
  if (reference == nullptr || std::memcmp(reference, "DIAL", 4) != 0) return nullptr;
  auto* dialog = static_cast<DialogRecord*>(reference);
  return dialog->MacWindow == window ? dialog : nullptr;
}

// ---- Items ------------------------------------------------------------------------

Fonts::FontInfo SetFontAndGetInfo(int item) {
  const DialogItem* it = Current(item);
  if (it == nullptr) return {};
  Graphics::GraphicsWindow window = ModDialog::DialogPtr->Window;
  ModDialogUt::SetFont(window, it->FontNumber, it->FontSize, it->TextStyle);
  Graphics::Bracket bracket(window);
  if (!bracket.Began()) return {};
  return Text::GetFontInfo();
}

void UpdateItemFont(int item) {
  DialogItem* it = Current(item);
  if (it == nullptr || (it->TextIndent > 0 && it->TextBaseline > 0)) return;
  const Fonts::FontInfo info = SetFontAndGetInfo(item);
  if (it->TextIndent <= 0 && it->Justification != 2) it->TextIndent = 3;
  it->TextBaseline = static_cast<std::int16_t>((Geometry::Height(it->Rect) + info.ascent - info.descent) / 2 +
                                               (it->FontNumber > 0 ? 1 : 0));
}

void InitializeItemProcs(int item) {
  DialogItem* it = Current(item);
  if (it == nullptr) return;
  using namespace ModDialogIcons;
  struct Kind {
    ItemProc draw;
    int valueKind;  // -1: the caller's, or none
  };
  static constexpr Kind kKinds[kTypeCount] = {
      {NoItem, -1},          {FrameButton, kBoolean},   {FrameButton, kBoolean},
      {RadioButton, kBoolean}, {CheckBox, kBoolean},    {MultiCheck, kSet16},
      {TextOnly, kString},   {FrameText, kString},      {FrameNumber, -1},
      {FrameText, kBoolean}, {DrawDragItem, -1},        {FrameButton, kBoolean},
      {DropShadow, kString}, {DrawListItem, kByte},     {DrawFramedListItem, kByte},
      {DrawWindowItem, -1},  {DrawWindowItem, -1},      {NoItem, -1},
      {DrawPaneRider, kBoolean}};
  const Kind& kind = kKinds[it->Type < kTypeCount ? it->Type : kNotKnown];
  it->DrawProc = kind.draw;
  if (kind.valueKind >= 0) it->ValueKind = static_cast<std::uint8_t>(kind.valueKind);
  if (item == 1 && (it->Type == kButton || it->Type == kSwitch) && it->CommandKind == kCharacterKey &&
      it->CommandChar == '\r') {
    it->DrawProc = FrameDefaultButton;
  }
  it->Value = OwnVariable(*it);
  it->ExecuteProc = NoProc;
  it->UpdateProc = NoProc;
  it->LoopProc = DefaultLoopProc;
  it->HighlightFrom = -1;
  it->HighlightTo = -1;
  it->Area.List.MarkSet = &it->Area.List.OwnMarks;
  it->Area.List.OwnMarks = 0;
  UpdateItemFont(item);
}

// ---- Coordinates ------------------------------------------------------------------

int TopOrigin() { return ModWindow::MenuBarHeight() + 22; }

void LocalToGlobal(DialogRecord* dialog, int x, int y, Geometry::Point& result) {
  const Geometry::Rect content = Windows::ContentRect(dialog->MacWindow);
  result = Geometry::Point{content.left + x, content.top + y};
}

void ScaleRect(Geometry::Rect& r, double factor) {
  if (factor >= 0.999 && factor <= 1.001) return;
  const int width = Geometry::Width(r);
  const int height = Geometry::Height(r);
  r.left = static_cast<int>(std::lround(r.left * factor));
  r.top = static_cast<int>(std::lround(r.top * factor));
  r.right = r.left + static_cast<int>(std::lround(width * factor));
  r.bottom = r.top + static_cast<int>(std::lround(height * factor));
}

void ScaleCoords(Geometry::Rect& r, double factor) {
  const int origin = TopOrigin();
  r.top -= origin;
  r.bottom -= origin;
  ScaleRect(r, factor);
  r.top += origin;
  r.bottom += origin;
}

void ScaleCoords(ModWindow::WindowParameters& p, double factor) {
  Geometry::Rect r = Geometry::SetRect(p.left, p.top, p.right, p.bottom);
  ScaleCoords(r, factor);
  p.top = static_cast<std::int16_t>(r.top);
  p.left = static_cast<std::int16_t>(r.left);
  p.bottom = static_cast<std::int16_t>(r.bottom);
  p.right = static_cast<std::int16_t>(r.right);
}

void ResizeIcon(DialogRecord* dialog, int item, bool draw) {
  const DialogItem* root = ItemOf(dialog, 0);
  if (root == nullptr || !dialog->Shown || !dialog->Growable || item != 0) return;
  Graphics::Bracket bracket(dialog->Window);
  if (!bracket.Began()) return;
  const Color::RGB fore = Port::GetForeColor();
  Port::RGBForeColor(draw ? Color::kBlack : root->BackColor);
  Port::PenNormal();
  DrawGrowLines(root->Rect);
  Port::RGBForeColor(fore);
}

// ---- Event names -------------------------------------------------------------------

void DecodeKey(int code, char character, int modifiers, std::span<char> result) {
  static constexpr const char* kWindowEvents[] = {
      "KeyMouse      :   ", "KeyDoubleMouse:   ", "KeyTripleMouse:   ", "KeyMouseStillDown:",
      "KeyDeactivate :   ", "KeyActivate   :   ", "KeyUpdate     :   ", "KeyWindow     :   ",
      "KeyMoved      :   ", "KeyIconize    :   ", "KeyResized    :   ", nullptr,
      "KeyWindowClose:   "};
  const int number = static_cast<unsigned char>(character);
  if (code == 2) {
    Strings::Concat(result, "KeyCharacter  :   ");
    const char shown[2] = {character, '\0'};
    Strings::Concat(result, shown);
  } else if (code >= 48 && code <= 60 && kWindowEvents[code - 48] != nullptr) {
    Strings::Concat(result, std::string_view(kWindowEvents[code - 48]));
    AppendNumber(result, number, 3);
    Strings::Concat(result, "   ");
    AppendWindowName(result);
  } else if (code == 62) {
    Strings::Concat(result, "KeyOSEvent    :   ");
    AppendNumber(result, number, 3);
  } else if (code != 0 && code != 1) {
    Strings::Concat(result, "Key: ");
    AppendNumber(result, code, 3);
    Strings::Concat(result, ",   Char:");
    AppendNumber(result, number, 3);
  }
  static constexpr const char* kModifiers[] = {" command", " shift", " caps", " option", " control"};
  for (int bit = 0; bit < 5; ++bit) {
    if ((modifiers >> bit & 1) != 0) Strings::Concat(result, std::string_view(kModifiers[bit]));
  }
}

void WriteKey(int code, char character, int modifiers) {
  char line[160] = "";
  DecodeKey(code, character, modifiers, line);
  TermIO::WriteLine(line);
}

}  // namespace ModDialogTools
