#include "dialogs/ModDialogUt.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <string_view>

#include "dialogs/Alert.h"
#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogIcons.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/NumberField.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "platform/Menus.h"
#include "platform/Windows.h"
#include "shell/FastGraph.h"
#include "shell/MacEnv.h"

namespace ModDialogUt {

namespace {

constexpr int kBufferNameLimit = 31;
constexpr int kFirstTableSize = 10;
constexpr int kListMenuID = 32767;

char Capital(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

Color::RGB Inverse(const Color::RGB& c) {
  return Color::RGB{static_cast<std::uint16_t>(0xFFFF - c.red), static_cast<std::uint16_t>(0xFFFF - c.green),
                    static_cast<std::uint16_t>(0xFFFF - c.blue)};
}

// Item n of 1..n whose type is one of the given; nil otherwise.
template <typename... Types>
DialogItem* ItemOfType(const DialogRecord* dialog, int n, Types... types) {
  if (n < 1) return nullptr;
  DialogItem* item = ItemOf(dialog, n);
  if (item == nullptr || ((item->Type != types) && ...)) return nullptr;
  return item;
}

void MarkChanged(DialogRecord* dialog, DialogItem* item) {
  dialog->Changed = true;
  item->NeedsDraw = true;
}

void WriteItemRef(const DialogRecord* dialog, int n) {
  TermIO::WriteString(dialog->IDName);
  TermIO::WriteString("[");
  TermIO::WriteInt(n, 0);
}

// The name an item would get; FALSE, reported on the console, when it is
// refused.
bool AcceptItemName(const DialogRecord* dialog, int n, std::span<const char> name, std::span<char> result) {
  const int length = Strings::Length(name);
  if (length == 0) {
    Strings::Clear(result);
    if (!dialog->Storable && !MacEnv::CombinedNames) return true;
    WriteItemRef(dialog, n);
    TermIO::WriteLine("]: ItemName cannot be empty.");
    return false;
  }
  if (MacEnv::CombinedNames) {
    Strings::Assign(result, dialog->IDName);
    Strings::Concat(result, "_");
    Strings::Concat(result, name);
  } else {
    Strings::Assign(result, name);
  }
  for (int m = 1; m <= dialog->ItemCount; ++m) {
    if (m == n || !Strings::Equal(dialog->Items[m]->Name, result)) continue;
    WriteItemRef(dialog, n);
    TermIO::WriteString("]: same name as item[");
    TermIO::WriteInt(m, 0);
    TermIO::WriteString("]: \"");
    TermIO::WriteString(name);
    TermIO::WriteLine("\".");
    return false;
  }
  if (ModDialog::WriteAllDialogs &&
      std::any_of(name.begin(), name.begin() + length, [](char c) {
        return std::strchr(" \t\"'()+,./:;=[\\]", c) != nullptr && c != '\0';
      })) {
    WriteItemRef(dialog, n);
    TermIO::WriteString("] -> \"");
    TermIO::WriteString(name);
    TermIO::WriteLine("\": illegal characters in ItemName.");
  }
  return true;
}

// Check box geometry from the item's height.
void SetBoxGeometry(DialogItem& item) {
  const int h = Geometry::Height(item.Rect);
  const int pitch = h >= 15 ? 14 : (h >= 13 ? 11 : 9);
  const int half = h >= 15 ? 6 : (h >= 13 ? 4 : 3);
  const int mid = (item.Rect.top + item.Rect.bottom) / 2;
  const int left = item.Rect.left + 3;
  BoxData& box = item.Area.Box;
  box.BoxRect = Geometry::SetRect(left, mid - half, left + 2 * half, mid + half);
  box.BoxPitch = static_cast<std::int16_t>(pitch);
  box.TextOffset = static_cast<std::int16_t>(pitch + 1);
  box.BoxNumber = -1;
  box.FirstLabel = 0;
  box.OffValue = 0;
}

void SetTypeDefaults(DialogItem& item, std::span<const char> text) {
  switch (item.Type) {
    case kNotKnown:
      item.Executable = false;
      item.Visible = false;
      item.Enabled = false;
      break;
    case kSwitch:
    case kFramedBool:
      item.Area.HighlightColor = Inverse(item.BackColor);
      item.Executable = item.Type == kSwitch;
      [[fallthrough]];
    case kButton:
    case kDrag2:
      item.Justification = 1;
      item.TextBaseline = 0;
      item.Length = kNameSize - 1;
      break;
    case kRadioButton:
      item.Area.Box.OffValue = 0;
      break;
    case kMultiCheck:
    case kCheckBox:
      item.TextIndent = 3;
      SetBoxGeometry(item);
      item.Digits = item.Type == kMultiCheck ? 16 : 1;
      if (item.Type == kMultiCheck) item.Length = kNameSize - 1;
      break;
    case kText:
    case kFramedText:
      item.Executable = false;
      item.Length = kNameSize - 1;
      break;
    case kEditText:
      item.Length = kNameSize - 1;
      item.Password = false;
      break;
    case kFramedNumber:
      Strings::Assign(item.Area.Prefix, text);
      item.Executable = false;
      break;
    case kDrag:
      item.Area.Drag = DragParameters{};
      break;
    case kList:
    case kFramedList:
      item.Area.List.MenuID = kListMenuID;
      break;
    case kOffscreen:
    case kGWindow:
    case kUser:
      item.Executable = item.Type == kUser;
      item.Area.HighlightColor = Inverse(item.BackColor);
      break;
    case kPane:
      item.Executable = true;
      item.Length = kNameSize - 1;
      break;
    default:
      break;
  }
}

// The back colour of the dialog's window; white before it exists.
Color::RGB WindowBackColor(const DialogRecord* dialog) {
  return dialog->Window != nullptr ? dialog->Window->background : Color::kWhite;
}

void FreeBuffer(DialogRecord* dialog) {
  Buffer::Delete(dialog->Buffer);
  dialog->Items = nullptr;
}

// The table of a list that has room for one more entry; FALSE when memory
// runs out.
bool MakeRoom(DialogRecord* dialog, ListData& list) {
  if (list.Entries != nullptr && list.Count < list.Capacity) return true;
  const int capacity = list.Capacity == 0 ? kFirstTableSize : 2 * list.Capacity;
  void* block = nullptr;
  Buffer::Allocate(dialog->Buffer, capacity * static_cast<std::int32_t>(sizeof(ListEntry)), block);
  if (block == nullptr) return false;
  auto* table = new (block) ListEntry[static_cast<std::size_t>(capacity)];
  if (list.Entries != nullptr) {
    std::copy_n(list.Entries, list.Count, table);
    void* old = list.Entries;
    Buffer::Deallocate(dialog->Buffer, list.Capacity * static_cast<std::int32_t>(sizeof(ListEntry)), old);
  }
  list.Entries = table;
  list.Capacity = static_cast<std::int16_t>(capacity);
  return true;
}

// The list item n when entry lies in 1..count; nil otherwise.
DialogItem* ListEntryItem(const DialogRecord* dialog, int n, int entry) {
  DialogItem* item = ItemOfType(dialog, n, kList, kFramedList);
  if (item == nullptr || entry < 1 || entry > item->Area.List.Count) return nullptr;
  return item;
}

void AlertNumberRange(double minimum, double maximum, bool real) {
  char message[128] = "Number must be >= ";
  const auto bound = [&](double x) {
    if (real) {
      Decode::Fixed(x, message, 5, 2);
    } else {
      Decode::Integer(static_cast<std::int32_t>(std::clamp(std::round(x), -2147483648.0, 2147483647.0)), message,
                      0);
    }
  };
  bound(minimum);
  Strings::Concat(message, " and <= ");
  bound(maximum);
  Strings::Concat(message, " !");
  Alert::Beep();
  Alert::OK(message);
}

}  // namespace

bool IsTextType(int type) { return type == kText || type == kFramedText || type == kEditText; }
bool IsListType(int type) { return type == kList || type == kFramedList; }
bool HasBoxes(int type) { return type == kCheckBox || type == kMultiCheck; }
bool HasHighlightColor(int type) {
  return type == kSwitch || type == kFramedBool || type == kOffscreen || type == kGWindow || type == kUser ||
         type == kPane;
}

const char* TypeName(int type) {
  static constexpr const char* kNames[kTypeCount] = {
      "notknown", "button", "switch", "radiobutton", "checkbox", "multicheck", "text",
      "framedtext", "framednumber", "framedbool", "drag", "drag2", "edittext", "list",
      "framedlist", "offscreen", "gwindow", "user", "pane"};
  return type >= 0 && type < kTypeCount ? kNames[type] : "illegal";
}

DialogItem* ItemOf(const DialogRecord* dialog, int n) {
  if (dialog == nullptr || dialog->Items == nullptr || n < 0 || n > dialog->ItemCount) return nullptr;
  return dialog->Items[n];
}

void* OwnVariable(DialogItem& item) {
  return IsTextType(item.Type) ? static_cast<void*>(item.Text) : static_cast<void*>(item.OwnValue);
}

void ClearRecord(DialogRecord* dialog) {
  *dialog = DialogRecord{};
  dialog->KeysActive = true;
  dialog->Stop = true;
  dialog->HelpProc = ReturnFALSE;
  dialog->ResizeProc = NoItem;
  dialog->ActivateProc = NoProc;
  dialog->DeactivateProc = NoProc;
  dialog->KeyProc1 = NoKey;
  dialog->KeyProc2 = NoKey;
  dialog->KeyProc3 = NoKey;
  dialog->PaintProc = NoProc;
  dialog->MayCloseProc = ReturnTRUE;
  dialog->BroadcastProc = ReturnTRUE;
  dialog->MayExecuteProc = ReturnTRUE;
}

void MakeBufferName(std::span<const char> idName, std::span<char> name) {
  char full[kNameSize + 16] = "";
  Strings::Assign(full, idName);
  Strings::Concat(full, "DialBuffer");
  const int length = std::min(Strings::Length(full), kBufferNameLimit);
  full[length] = '\0';
  for (int i = 0; i < length; ++i) {
    if (full[i] == '/' || full[i] == ' ') full[i] = '_';
  }
  Strings::Assign(name, full);
}

bool InitializeRecord(DialogRecord* dialog, std::span<DialogItem*> items, bool configurable, bool storable,
                      std::span<const char> title, std::span<const char> idName, int font, int size, int n, int left,
                      int bottom, int width, int height, int userTag) {
  char bufferName[Buffer::kNameSize] = "";
  MakeBufferName(idName, bufferName);
  if (Buffer::Lookup(bufferName) != nullptr) {
    char message[96] = "Dialog buffer \"";
    Strings::Concat(message, bufferName);
    Strings::Concat(message, "\" already exists!");
    Alert::Beep();
    Alert::OK(message);
    return false;
  }
  if (dialog->Open) {
    char message[128] = "Cannot initialize \"";
    Strings::Concat(message, idName);
    Strings::Concat(message, "\": already open!");
    Alert::Beep();
    Alert::OK(message);
    return false;
  }
  if (n < 0 || static_cast<std::size_t>(n) + 1 > items.size()) return false;
  ClearRecord(dialog);
  dialog->Configurable = configurable;
  dialog->Storable = storable;
  dialog->UserTag = static_cast<std::int16_t>(userTag);
  dialog->Buffer = Buffer::Create(bufferName, Buffer::kHeap);
  if (dialog->Buffer == nullptr) return false;
  dialog->Items = items.data();
  for (int i = 0; i <= n; ++i) {
    void* block = nullptr;
    Buffer::Allocate(dialog->Buffer, static_cast<std::int32_t>(sizeof(DialogItem)), block);
    if (block == nullptr) {
      FreeBuffer(dialog);
      return false;
    }
    items[static_cast<std::size_t>(i)] = new (block) DialogItem;
  }
  dialog->ItemCount = static_cast<std::int16_t>(n);
  int top = bottom - height;
  int lower = bottom;
  if (top > lower) std::swap(top, lower);
  dialog->WindowRect.top = static_cast<std::int16_t>(top);
  dialog->WindowRect.left = static_cast<std::int16_t>(left);
  dialog->WindowRect.bottom = static_cast<std::int16_t>(lower);
  dialog->WindowRect.right = static_cast<std::int16_t>(left + width);
  InitializeItemField(dialog, 0, font, size);
  DialogItem& root = *items[0];
  Strings::Assign(root.Text, title);
  for (int i = 1; i <= n; ++i) *items[static_cast<std::size_t>(i)] = root;
  Strings::Assign(dialog->IDName, Strings::Length(idName) > 0 ? idName : title);
  return true;
}

void InitializeItemField(DialogRecord* dialog, int n, int font, int size) {
  DialogItem* item = ItemOf(dialog, n);
  if (item == nullptr) return;
  *item = DialogItem{};
  item->FontNumber = static_cast<std::int16_t>(font);
  item->FontSize = static_cast<std::int16_t>(size);
  item->LineSpacing = static_cast<std::int16_t>(DefaultLineSpacing(size));
  item->BackColor = WindowBackColor(dialog);
  item->ExecuteProc = NoProc;
  item->LoopProc = ModDialogTools::DefaultLoopProc;
  item->UpdateProc = NoProc;
  item->DrawProc = NoItem;
  item->Value = item->OwnValue;
  dialog->Changed = true;
}

void FillTextField(DialogRecord* dialog, int n, int type, std::span<const char> name, bool macro,
                   std::span<const char> text, int left, int bottom, int width, int height) {
  DialogItem* item = n >= 1 ? ItemOf(dialog, n) : nullptr;
  if (item == nullptr || type < 0 || type >= kTypeCount) return;
  char itemName[kNameSize] = "";
  if (!AcceptItemName(dialog, n, name, itemName)) return;
  *item = *dialog->Items[0];
  item->Type = static_cast<std::uint8_t>(type);
  item->Macro = macro;
  Strings::Assign(item->Name, itemName);
  Strings::Assign(item->Text, text);
  item->Rect = Geometry::SetRect(left, bottom - height, left + width, bottom);
  item->Value = OwnVariable(*item);
  item->Visible = true;
  item->DarkBack = Graphics::ColorLessThanThreshold(item->BackColor);
  SetTypeDefaults(*item, text);
  MarkChanged(dialog, item);
}

void FillItemField(DialogRecord* dialog, int n, int type, std::span<const char> name, bool macro,
                   std::span<const char> text, int left, int bottom, int width, int height, int indent,
                   int baseline, int size, int style, int justification, bool darkBack, int red, int green,
                   int blue) {
  FillTextField(dialog, n, type, name, macro, text, left, bottom, width, height);
  DialogItem* item = n >= 1 ? ItemOf(dialog, n) : nullptr;
  if (item == nullptr || item->Type != type || !item->Visible) return;
  item->TextIndent = static_cast<std::int16_t>(indent);
  item->TextBaseline = static_cast<std::int16_t>(baseline);
  item->FontNumber = dialog->Items[0]->FontNumber;
  item->FontSize = static_cast<std::int16_t>(size);
  item->LineSpacing = static_cast<std::int16_t>(DefaultLineSpacing(size));
  item->TextStyle = static_cast<std::uint8_t>(style);
  item->Justification = static_cast<std::uint8_t>(justification);
  item->DarkBack = darkBack;
  item->BackColor = Color::RGB{static_cast<std::uint16_t>(red), static_cast<std::uint16_t>(green),
                               static_cast<std::uint16_t>(blue)};
  if (justification != 0 && indent == 0 && baseline != 0) item->TextIndent = 3;
  if (HasBoxes(item->Type)) item->Area.Box.OffValue = 0;
}

void FillEdittextField(DialogRecord* dialog, int n, std::span<char> variable, int length) {
  DialogItem* item = ItemOfType(dialog, n, kText, kFramedText, kEditText);
  if (item == nullptr) return;
  if (variable.empty()) {
    item->Value = item->Text;
    item->Length = kNameSize - 1;
  } else {
    item->Value = variable.data();
    item->Length = static_cast<std::int16_t>(std::clamp(length, 0, static_cast<int>(variable.size()) - 1));
  }
  MarkChanged(dialog, item);
}

void FillDragField(DialogRecord* dialog, int n, std::span<const char> unit, int numberFormat, int valueKind,
                   int length, int digits, double step, double minimum, double maximum, double factor,
                   bool relativeStep, int zeroText) {
  DialogItem* item = ItemOfType(dialog, n, kFramedNumber, kDrag);
  if (item == nullptr || valueKind < kDouble || valueKind > kString) return;
  Strings::Assign(item->Unit, unit);
  item->NumberFormat = static_cast<std::uint8_t>(numberFormat);
  item->ValueKind = static_cast<std::uint8_t>(valueKind);
  item->Length = static_cast<std::int16_t>(std::clamp(length, 0, kNameSize - 1));
  item->Digits = static_cast<std::int16_t>(digits);
  item->ZeroText = static_cast<std::uint8_t>(zeroText);
  if (factor != 0 && std::isfinite(factor)) item->Factor = factor;
  if (item->Type == kDrag) {
    item->Minimum = minimum;
    item->Maximum = maximum;
    item->Area.Drag.DragStep = step;
    item->Area.Drag.RelativeStep = relativeStep ? 0.1 : 0.0;
  }
  MarkChanged(dialog, item);
}

void FillPaneRect(DialogRecord* dialog, int n, int left, int width, int height) {
  DialogItem* item = ItemOfType(dialog, n, kPane);
  if (item == nullptr) return;
  item->Area.PaneRect = Geometry::SetRect(left, item->Rect.bottom, left + width, item->Rect.bottom + height);
  MarkChanged(dialog, item);
}

void FillProcField(DialogRecord* dialog, int n, void* variable, Proc execute, Proc update) {
  DialogItem* item = n >= 1 ? ItemOf(dialog, n) : nullptr;
  if (item == nullptr) return;
  item->Value = variable != nullptr ? variable : OwnVariable(*item);
  if (execute != nullptr) item->ExecuteProc = execute;
  if (update != nullptr) item->UpdateProc = update;
  MarkChanged(dialog, item);
}

void SetCommandKey(DialogRecord* dialog, int n, int kind, char character, int modifiers, bool anyModifier,
                   bool frontOnly) {
  DialogItem* item = n >= 1 ? ItemOf(dialog, n) : nullptr;
  if (item == nullptr) return;
  if (anyModifier) {
    modifiers = 0;
    if (kind == kCharacterKey) character = Capital(character);
  }
  item->CommandKind = static_cast<std::uint8_t>(kind);
  item->CommandChar = character;
  item->CommandModifiers = static_cast<std::uint8_t>(modifiers);
  item->AnyModifier = anyModifier;
  item->KeyFrontOnly = frontOnly;
  if (kind != 0) dialog->LastKeyItem = static_cast<std::int16_t>(std::max<int>(dialog->LastKeyItem, n));
  if (n == 1 && (item->Type == kButton || item->Type == kSwitch) && kind == kCharacterKey && character == '\r' &&
      item->DrawProc == ModDialogIcons::FrameButton) {
    item->DrawProc = ModDialogIcons::FrameDefaultButton;
  }
  MarkChanged(dialog, item);
}

void SetListCommandKeys(DialogRecord* dialog, int n, int kind1, char char1, int kind2, char char2, int modifiers,
                        bool anyModifier, bool frontOnly) {
  DialogItem* item = ItemOfType(dialog, n, kList, kFramedList);
  if (item == nullptr) return;
  SetCommandKey(dialog, n, kind1, char1, modifiers, anyModifier, frontOnly);
  if (anyModifier && kind2 == kCharacterKey) char2 = Capital(char2);
  item->Area.List.SecondKind = static_cast<std::uint8_t>(kind2);
  item->Area.List.SecondChar = char2;
}

void CreateMenuList(DialogRecord* dialog, int n, std::span<const char> title) {
  DialogItem* item = ItemOfType(dialog, n, kList, kFramedList);
  if (item == nullptr) return;
  ListData& list = item->Area.List;
  Menus::DisposeMenu(list.Menu);
  char shortTitle[kUnitSize] = "";
  Strings::Assign(shortTitle, title);
  Strings::Assign(item->Unit, shortTitle);
  list.MenuID = kListMenuID;
  list.Entries = nullptr;
  list.Count = 0;
  list.Capacity = 0;
  list.Menu = Menus::NewMenu(kListMenuID, shortTitle);
  item->ListChanged = true;
  MarkChanged(dialog, item);
}

void AddListItem(DialogRecord* dialog, int n, std::span<const char> text) {
  DialogItem* item = ItemOfType(dialog, n, kList, kFramedList);
  if (item == nullptr) return;
  ListData& list = item->Area.List;
  if (list.Count == INT16_MAX || !MakeRoom(dialog, list)) return;
  ListEntry& entry = list.Entries[list.Count];
  Strings::Assign(entry.Text, text);
  const bool separator = entry.Text[0] == '-';
  entry.Enabled = !separator;
  if (separator) {
    Menus::AppendSeparator(list.Menu);
  } else {
    Menus::AppendItem(list.Menu, entry.Text);
  }
  ++list.Count;
  item->ListChanged = true;
  MarkChanged(dialog, item);
}

void GetListText(const DialogRecord* dialog, int n, int entry, std::span<char> text) {
  Strings::Clear(text);
  const DialogItem* item = ListEntryItem(dialog, n, entry);
  if (item == nullptr) return;
  if (item->Area.List.Entries != nullptr) {
    Strings::Assign(text, item->Area.List.Entries[entry - 1].Text);
  } else {
    Menus::GetItemText(item->Area.List.Menu, entry, text);
  }
}

void ChangeListText(DialogRecord* dialog, int n, int entry, std::span<const char> text) {
  DialogItem* item = ListEntryItem(dialog, n, entry);
  if (item == nullptr) return;
  Menus::SetItemText(item->Area.List.Menu, entry, text);
  if (item->Area.List.Entries != nullptr) Strings::Assign(item->Area.List.Entries[entry - 1].Text, text);
  item->ListChanged = true;
  MarkChanged(dialog, item);
}

void EnableItemInList(DialogRecord* dialog, int n, int entry, bool on) {
  DialogItem* item = ListEntryItem(dialog, n, entry);
  if (item == nullptr) return;
  Menus::SetItemEnabled(item->Area.List.Menu, entry, on);
  if (item->Area.List.Entries != nullptr) item->Area.List.Entries[entry - 1].Enabled = on;
  item->ListChanged = true;
}

bool ItemEnabled(const DialogRecord* dialog, int n, int entry) {
  const DialogItem* item = ListEntryItem(dialog, n, entry);
  if (item == nullptr) return false;
  if (item->Area.List.Entries != nullptr) return item->Area.List.Entries[entry - 1].Enabled;
  return Menus::IsItemEnabled(item->Area.List.Menu, entry);
}

void RemoveItemFromList(DialogRecord* dialog, int n, int entry) {
  DialogItem* item = ListEntryItem(dialog, n, entry);
  if (item == nullptr) return;
  ListData& list = item->Area.List;
  Menus::DeleteItem(list.Menu, entry);
  // The table keeps step with the menu, so that later entries answer for
  // themselves.
  if (list.Entries != nullptr) std::copy(list.Entries + entry, list.Entries + list.Count, list.Entries + entry - 1);
  --list.Count;
  item->ListChanged = true;
  MarkChanged(dialog, item);
}

void CreateItemWindow(DialogRecord* dialog, int n) {
  DialogItem* item = ItemOfType(dialog, n, kOffscreen, kGWindow);
  if (item == nullptr || dialog->Window == nullptr) return;
  Graphics::RemoveWindow(item->Area.GWindow);
  item->Area.Offscreen = nullptr;
  const Geometry::Rect& r = item->Rect;
  Graphics::GraphicsWindow window = Graphics::CreateWindowInt(dialog->Window, r.left, r.top, r.right, r.bottom);
  if (window != nullptr) {
    Graphics::SetRGBBackColor(window, item->DarkBack ? Color::kBlack : Color::kWhite);
    ModDialogUt::SetFont(window, item->FontNumber, item->FontSize, item->TextStyle);
    Graphics::ClearWindow(window);
    if (item->Type == kOffscreen) {
      item->Area.Offscreen = FastGraph::CreateOffscreenWindow(window);
      if (item->Area.Offscreen == nullptr) Graphics::RemoveWindow(window);
    }
  }
  item->Area.GWindow = window;
  if (window == nullptr) item->Visible = false;
  MarkChanged(dialog, item);
}

void SetFont(Graphics::GraphicsWindow window, int font, int size, int style) {
  Graphics::SetFont(window, font, static_cast<int>(std::lround(size * MacEnv::FontFactor)), style);
}

void SetPaneOwner(DialogRecord* dialog, int pane, int n) {
  DialogItem* item = n >= 1 ? ItemOf(dialog, n) : nullptr;
  if (item == nullptr || dialog->Window == nullptr) return;
  item->PaneOwner = static_cast<std::int16_t>(pane);
}

void SetGroupOwner(DialogRecord* dialog, int group, int n) {
  DialogItem* item = n >= 1 ? ItemOf(dialog, n) : nullptr;
  if (item == nullptr || dialog->Window == nullptr) return;
  item->GroupOwner = static_cast<std::int16_t>(group);
}

void SetPaneRange(DialogRecord* dialog, int pane, int first, int last) {
  for (int i = std::max(first, 1); i <= std::min(last, static_cast<int>(dialog->ItemCount)); ++i) {
    dialog->Items[i]->Pane = static_cast<std::int16_t>(pane);
    dialog->Items[i]->Group = static_cast<std::int16_t>(pane);
  }
}

void SetGroupRange(DialogRecord* dialog, int group, int first, int last) {
  for (int i = std::max(first, 1); i <= std::min(last, static_cast<int>(dialog->ItemCount)); ++i) {
    dialog->Items[i]->Group = static_cast<std::int16_t>(group);
  }
}

void CheckOneValue(DialogRecord* dialog, int n) {
  DialogItem* item = n >= 1 ? ItemOf(dialog, n) : nullptr;
  if (item == nullptr || item->Value == nullptr) return;
  switch (item->Type) {
    case kButton:
    case kSwitch:
    case kRadioButton:
    case kCheckBox:
    case kFramedBool:
    case kPane: {
      auto* flag = static_cast<std::uint8_t*>(item->Value);
      *flag = *flag == 1 ? 1 : 0;
      break;
    }
    case kMultiCheck: {
      item->Digits = static_cast<std::int16_t>(std::min<int>(item->Digits, 16));
      const int bits = std::max<int>(item->Digits, 0);
      const std::uint32_t mask = bits >= 16 ? 0xFFFFu : ((1u << bits) - 1u);
      auto* set = static_cast<std::uint16_t*>(item->Value);
      *set = static_cast<std::uint16_t>(*set & mask);
      break;
    }
    case kFramedNumber:
    case kDrag: {
      double value = 0;
      if (!ItemValue::Read(*item, value)) break;
      if (item->Type == kDrag) value = std::clamp(value, std::min(item->Minimum, item->Maximum), item->Maximum);
      ItemValue::Write(*item, value);
      break;
    }
    case kList:
    case kFramedList: {
      auto* index = static_cast<std::uint8_t*>(item->Value);
      const int count = item->Area.List.Count;
      if (*index >= count) *index = static_cast<std::uint8_t>(std::max(count - 1, 0));
      break;
    }
    default:
      break;
  }
}

void CheckAllValues(DialogRecord* dialog) {
  for (int n = dialog->ItemCount; n >= 1; --n) CheckOneValue(dialog, n);
}

bool CheckNumber(std::span<const char> text, double minimum, double maximum, double scale, double& result,
                 bool real, bool alert) {
  double value = 0;
  if (real) {
    if (!NumberField::ReadReal(text, value)) return false;
  } else {
    std::int32_t integer = 0;
    if (!NumberField::ReadInteger(text, integer)) return false;
    value = integer;
  }
  value /= scale;
  const bool inRange = value >= minimum && value <= maximum;
  // A scale of 0 or beyond the reals' range makes no number of the text.
  if (!std::isfinite(value) || (!inRange && alert)) {
    if (alert) AlertNumberRange(minimum, maximum, real);
    return false;
  }
  result = inRange ? value : std::clamp(value, std::min(minimum, maximum), maximum);
  return true;
}

void RepositionItem(DialogRecord* dialog, int n, int dx, int dy) {
  DialogItem* item = n >= 1 ? ItemOf(dialog, n) : nullptr;
  if (item == nullptr) return;
  item->Rect = Geometry::OffsetRect(item->Rect, dx, dy);
  if (HasBoxes(item->Type)) item->Area.Box.BoxRect = Geometry::OffsetRect(item->Area.Box.BoxRect, dx, dy);
  if (item->Type == kPane && item->Area.PaneRect.top != item->Area.PaneRect.bottom) {
    item->Area.PaneRect = Geometry::OffsetRect(item->Area.PaneRect, dx, dy);
  }
  if (item->Area.GWindow != nullptr) {
    const Geometry::Rect& r = item->Rect;
    Graphics::ResizeWindowInt(item->Area.GWindow, r.left, r.top, r.right, r.bottom);
  }
  MarkChanged(dialog, item);
}

void SetMaxZoom(DialogRecord* dialog, int left, int top, int width, int height, bool scaled, bool startZoomed) {
  Windows::Window* window = dialog->MacWindow;
  if (window == nullptr || dialog->Window == nullptr) return;
  const double factor = scaled ? MacEnv::ScreenFactor : 1.0;
  const auto scale = [&](int v) { return static_cast<int>(std::lround(v * factor)); };
  ModWindow::WindowParameters screen{-32768, -32768, 32767, 32767, 0, 12};
  ModWindow::ClipToMainScreen(screen);
  Geometry::Rect zoomed = Geometry::SetRect(screen.left + 4, screen.top + 17, screen.right - 4, screen.bottom - 6);
  if (left != 0) zoomed = Geometry::OffsetRect(zoomed, scale(left) - zoomed.left, 0);
  if (top != 0) zoomed = Geometry::OffsetRect(zoomed, 0, scale(top) - zoomed.top);
  if (width > 0) zoomed.right = zoomed.left + scale(width);
  if (height > 0) zoomed.bottom = zoomed.top + scale(height);
  Geometry::Rect user = Windows::ContentRect(window);
  if (startZoomed) std::swap(user, zoomed);
  Windows::SetStandardState(window, zoomed);
  Windows::SetUserState(window, user);
  dialog->Window->platform->zoomable = true;
}

void UpdateWindowPosition(DialogRecord* dialog) {
  if (!dialog->Open) return;
  ModWindow::WindowParameters p;
  ModWindow::GetWindowParameters(dialog->Window, p);
  if (dialog->Iconized || (p.left == 0 && p.right == 0)) {
    dialog->SavedRect = p;
    return;
  }
  dialog->WindowRect = p;
  dialog->Items[0]->Rect = Geometry::SetRect(0, 0, p.right - p.left, p.bottom - p.top);
}

void GetDialogPosition(DialogRecord* dialog, int& left, int& top, int& width, int& height) {
  if (!dialog->Open) return;
  UpdateWindowPosition(dialog);
  Geometry::Rect r = Geometry::SetRect(dialog->WindowRect.left, dialog->WindowRect.top, dialog->WindowRect.right,
                                       dialog->WindowRect.bottom);
  ModDialogTools::ScaleCoords(r, 1.0 / MacEnv::ScreenFactor);
  left = r.left;
  top = r.top;
  width = Geometry::Width(r);
  height = Geometry::Height(r);
}

bool KeyToString(int kind, char character, int modifiers, std::span<char> result) {
  Strings::Clear(result);
  const auto c = static_cast<unsigned char>(character);
  const bool capital = kind == kCharacterKey && c >= 'A' && c <= 'Z';
  if ((modifiers & kShiftKey) != 0 && !capital) Strings::Concat(result, "sh-");
  if ((modifiers & kCommandKey) != 0) Strings::Concat(result, "com-");
  if ((modifiers & kCapsLock) != 0) Strings::Concat(result, "cap-");
  if ((modifiers & kOptionKey) != 0) Strings::Concat(result, "op-");
  if ((modifiers & kControlKey) != 0) Strings::Concat(result, "ctr-");
  static constexpr const char* kNamed[] = {"up",    "down",  "left",  "right", nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "enter", "nu -",
                                           "nu +",  "nu .",  "clear", "nu =",  "nu /",  "nu *"};
  static constexpr const char* kEditing[] = {"home", "end", "p-up", "p-down", "help", "ins", "backspace", "delete"};
  char number[8] = "";
  if (kind == kCharacterKey) {
    if (c == 0) return true;
    if (c == '\r') {
      Strings::Concat(result, "return");
    } else if (c == 27) {
      Strings::Concat(result, "esc");
    } else if (c == ' ') {
      Strings::Concat(result, "space");
    } else if (c < 32) {
      if ((modifiers & kControlKey) == 0) Strings::Concat(result, "ctr-");
      const char shown[2] = {static_cast<char>(c + 64), '\0'};
      Strings::Concat(result, shown);
    } else {
      const char shown[2] = {character, '\0'};
      Strings::Concat(result, shown);
    }
  } else if (kind >= 7 && kind <= 16) {
    Strings::Concat(result, "nu ");
    Decode::Integer(kind - 7, number, 0);
    Strings::Concat(result, number);
  } else if (kind >= 3 && kind <= 24) {
    Strings::Concat(result, std::string_view(kNamed[kind - 3]));
  } else if (kind >= 25 && kind <= 39) {
    Strings::Concat(result, "F");
    Decode::Integer(kind - 24, number, 0);
    Strings::Concat(result, number);
  } else if (kind >= 40 && kind <= 47) {
    Strings::Concat(result, std::string_view(kEditing[kind - 40]));
  } else {
    Strings::Clear(result);
    return false;
  }
  return true;
}

int CopyString(std::span<const char> source, std::span<char> destination, int a, int b) {
  if (destination.empty()) return 0;
  const int limit = std::clamp(std::min(a, b) - 1, 0, static_cast<int>(destination.size()) - 1);
  const int count = std::min(Strings::Length(source), limit);
  std::copy_n(source.begin(), count, destination.begin());
  destination[static_cast<std::size_t>(count)] = '\0';
  return count;
}

int DefaultLineSpacing(int size) { return size * 13 / 10; }

void* LowByteAdr(void* address, int size) {
  if constexpr (std::endian::native == std::endian::little) return address;
  return static_cast<std::byte*>(address) + size - 1;
}

}  // namespace ModDialogUt
