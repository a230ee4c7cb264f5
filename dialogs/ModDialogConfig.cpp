#include "dialogs/ModDialogConfig.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "dialogs/Alert.h"
#include "dialogs/FileSelect.h"
#include "dialogs/FontPicker.h"
#include "dialogs/ModColorPicker.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogIcons.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Decode.h"
#include "foundation/Encode.h"
#include "foundation/IOBase.h"
#include "foundation/RealTime.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/MacrosTools.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

namespace ModDialogConfig {

using namespace ModDialogUt;

DialogRecord ConfigDialog;
DialogRecord* ConfiguredDialogPtr = &ConfigDialog;
int SelectedItem = 0;
char PictFile[256] = "";

namespace {

constexpr int kTextLabel = 23;
constexpr int kLengthLabel = 26;
constexpr int kDigitsLabel = 28;
constexpr int kExecutableItem = 36;
constexpr int kVisibleItem = 37;
constexpr int kEnabledItem = 38;
constexpr int kFrontOnlyItem = 43;
constexpr int kAnyModifierItem = 44;
constexpr int kJustificationItem = 45;
constexpr int kInvertedItem = 46;
constexpr int kFormatCount = 4;
constexpr int kStyleCount = 7;
constexpr int kModifierBits = 0x1F;
constexpr double kBlinkInterval = 0.33;
constexpr char kEscape = 27;

DialogItem* ConfigItemVector[kItemCount + 1] = {};
DialogItem OriginalRecord;
DialogItem WorkRecord;
BackgroundUpdate UpdateBackgroundProc = nullptr;
// Done was pressed: closing the window is Done.
bool doneClosing = false;

bool NoBackground() { return false; }

// ---- The dialog's items -----------------------------------------------------------

struct Spec {
  int type;
  const char* text;
  int left;
  int bottom;
  int width;
  int height;
};

// Items 1..47 as left, bottom, width, height.
constexpr Spec kSpecs[kItemCount] = {
    {kButton, "Done", 403, 160, 68, 18},        {kButton, "Cancel", 324, 160, 68, 18},
    {kButton, "Update", 249, 160, 68, 18},      {kButton, "High Col", 276, 132, 70, 18},
    {kButton, "Back Col", 276, 111, 70, 18},    {kEditText, "", 156, 158, 84, 16},
    {kText, "Goto Item", 83, 158, 70, 16},      {kDrag, "", 104, 24, 40, 16},
    {kText, "l:", 81, 24, 19, 16},              {kDrag, "", 175, 24, 40, 16},
    {kText, "b:", 151, 24, 19, 16},             {kDrag, "", 246, 24, 40, 16},
    {kText, "w:", 223, 24, 19, 16},             {kDrag, "", 317, 24, 40, 16},
    {kText, "h:", 294, 24, 19, 16},             {kDrag, "", 104, 45, 40, 16},
    {kText, "l:", 81, 45, 19, 16},              {kDrag, "", 175, 45, 40, 16},
    {kText, "b:", 151, 45, 19, 16},             {kText, "Rect", 10, 24, 66, 16},
    {kText, "Position", 10, 45, 66, 16},        {kEditText, "", 84, 66, 110, 16},
    {kText, "Text", 10, 66, 76, 16},            {kEditText, "", 204, 66, 50, 16},
    {kDrag, "", 84, 87, 50, 16},                {kText, "Length", 10, 87, 76, 16},
    {kDrag, "", 204, 87, 50, 16},               {kText, "Digits", 144, 87, 52, 16},
    {kButton, "Font:  ", 10, 108, 124, 16},     {kDrag, "", 204, 108, 50, 16},
    {kText, "Size", 144, 108, 52, 16},          {kList, "", 11, 129, 123, 16},
    {kUser, "", 255, 129, 66, 16},              {kUser, "", 188, 129, 66, 16},
    {kText, "Key", 144, 129, 52, 16},           {kCheckBox, "executable", 372, 23, 110, 16},
    {kCheckBox, "visible", 372, 38, 110, 16},   {kCheckBox, "enabled", 372, 53, 110, 16},
    {kRadioButton, "integer", 372, 72, 110, 16}, {kRadioButton, "fixed", 372, 87, 110, 16},
    {kRadioButton, "scientific", 372, 102, 110, 16}, {kRadioButton, "engineering", 372, 117, 110, 16},
    {kCheckBox, "front only", 261, 76, 110, 16}, {kCheckBox, "any modifier", 261, 91, 110, 16},
    {kList, "", 281, 43, 76, 14},               {kCheckBox, "inverted", 261, 61, 110, 16},
    {kButton, "PICT", 8, 160, 68, 18},
};

struct DragRange {
  int item;
  int minimum;
  int maximum;
};
constexpr DragRange kDragRanges[] = {{kLeftItem, -4000, 4000},    {kBottomItem, -4000, 4000},
                                     {kWidthItem, -4000, 4000},   {kHeightItem, -4000, 4000},
                                     {kIndentItem, 0, 1000},      {kBaselineItem, 0, 1000},
                                     {kLengthItem, 0, 79},        {kDigitsItem, 0, 20},
                                     {kSizeItem, 5, 48}};

constexpr const char* kStyleNames[kStyleCount] = {"bold", "italic", "underline", "outline",
                                                  "shadow", "condense", "extend"};

DialogItem& Field(int n) { return *ConfigDialog.Items[n]; }

bool IsNumeric(int type) { return type == kMultiCheck || type == kFramedNumber || type == kDrag; }
char Capital(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
int Rounded(double x) { return static_cast<int>(std::lround(x)); }

std::int32_t Number(int n) { return *static_cast<const std::int32_t*>(Field(n).Value); }
void SetNumber(int n, int value) { *static_cast<std::int32_t*>(Field(n).Value) = value; }
std::uint8_t& Byte(int n) { return *static_cast<std::uint8_t*>(Field(n).Value); }

DialogItem* Configured() { return ItemOf(ConfiguredDialogPtr, SelectedItem); }

// Runs the configured dialog's resize procedure with its context.
void Resize(int item) {
  ModDialogTools::DialogContext context;
  if (!ModDialogTools::GetState(context, ConfiguredDialogPtr)) return;
  ConfiguredDialogPtr->ResizeProc(item);
  ModDialogTools::ResetState(context);
}

void RedrawConfigured() {
  ModDialog::Clear(ConfiguredDialogPtr);
  ModDialog::Update(ConfiguredDialogPtr);
}

// ---- Title -----------------------------------------------------------------------------

void SetTitleText(std::span<char> title) {
  const DialogRecord* d = ConfiguredDialogPtr;
  const bool macroName = !MacEnv::CombinedNames && Strings::Length(d->MacroName) > 0;
  if (SelectedItem == 0) {
    Strings::Assign(title, "Dialog: ");
    if (macroName) {
      Strings::Concat(title, "\"");
      Strings::Concat(title, d->MacroName);
      Strings::Concat(title, "\", ");
    }
    Strings::Concat(title, d->IDName);
    return;
  }
  const DialogItem& item = *d->Items[SelectedItem];
  Strings::Assign(title, "Configure: \"");
  if (Strings::Length(item.Name) == 0) {
    Strings::Concat(title, "unnamed");
  } else {
    if (macroName) {
      Strings::Concat(title, d->MacroName);
      Strings::Concat(title, " ");
    }
    Strings::Concat(title, item.Name);
  }
  Strings::Concat(title, "\" (");
  Strings::Concat(title, std::string_view(TypeName(item.Type)));
  if (item.Macro) Strings::Concat(title, ",macro");
  Strings::Concat(title, ")");
}

void ShowTitle() {
  char title[kNameSize] = "";
  SetTitleText(title);
  ModDialog::SetTitle(&ConfigDialog, title);
}

// ---- Fields and the working record ------------------------------------------------

// The key's name into the field; a key without one is removed.
void ShowKey(int field, std::uint8_t& kind, char& character, int modifiers) {
  if (!KeyToString(kind, character, modifiers, Field(field).Text)) {
    kind = 0;
    character = 0;
    Strings::Clear(Field(field).Text);
  }
}

void SetValues() {
  DialogItem& w = WorkRecord;
  ShowKey(kKeyItem, w.CommandKind, w.CommandChar, w.CommandModifiers);
  if (IsTextType(w.Type) && w.Value != nullptr) {
    CopyString({static_cast<const char*>(w.Value), static_cast<std::size_t>(w.Length) + 1}, w.Text, w.Length + 1,
               kNameSize);
  } else if (w.Type == kFramedNumber) {
    Strings::Assign(w.Text, w.Area.Prefix);
  } else if (w.Type == kDrag || w.Type == kUser || IsListType(w.Type)) {
    Strings::Assign(w.Text, "-----");
  }
  if (IsListType(w.Type)) ShowKey(kSecondKeyItem, w.Area.List.SecondKind, w.Area.List.SecondChar, w.CommandModifiers);
  for (int f = 0; f < kFormatCount; ++f) Byte(kFirstFormatItem + f) = w.NumberFormat == f ? 1 : 0;
  if (SelectedItem == 0) {
    SetNumber(kLeftItem, ConfiguredDialogPtr->WindowRect.left);
    SetNumber(kBottomItem, ConfiguredDialogPtr->WindowRect.bottom);
  } else {
    SetNumber(kLeftItem, w.Rect.left);
    SetNumber(kBottomItem, w.Rect.bottom);
  }
  SetNumber(kWidthItem, w.Rect.right - w.Rect.left);
  SetNumber(kHeightItem, w.Rect.bottom - w.Rect.top);
  Strings::Clear(Field(kGotoItem).Text);
  Decode::Integer(SelectedItem, Field(kGotoItem).Text, 0);
  SetNumber(kIndentItem, w.TextIndent);
  SetNumber(kBaselineItem, w.TextBaseline);
  Strings::Assign(Field(kTextItem).Text, w.Text);
  Strings::Assign(Field(kUnitItem).Text, w.Unit);
  char font[kNameSize] = "";
  Graphics::GetFontName(w.FontNumber, font);
  Strings::Assign(Field(kFontItem).Text, "Font:  ");
  Strings::Concat(Field(kFontItem).Text, font);
  SetNumber(kSizeItem, w.FontSize);
  Field(kStyleItem).Area.List.OwnMarks = w.TextStyle;
  if (Field(kDigitsItem).Enabled) {
    SetNumber(kDigitsItem, w.Digits);
    SetNumber(kLengthItem, w.Length);
  }
  ConfigDialog.Changed = true;
}

void GetValues() {
  DialogItem& w = WorkRecord;
  w.NumberFormat = kFormatCount - 1;
  for (int f = kFormatCount - 2; f >= 0; --f) {
    if (Byte(kFirstFormatItem + f) != 0) w.NumberFormat = static_cast<std::uint8_t>(f);
  }
  const int left = Number(kLeftItem);
  const int bottom = Number(kBottomItem);
  const int width = Number(kWidthItem);
  const int height = Number(kHeightItem);
  if (SelectedItem == 0) {
    ModWindow::WindowParameters& p = ConfiguredDialogPtr->WindowRect;
    p.top = static_cast<std::int16_t>(bottom - height);
    p.left = static_cast<std::int16_t>(left);
    p.bottom = static_cast<std::int16_t>(bottom);
    p.right = static_cast<std::int16_t>(left + width);
    w.Rect = Geometry::SetRect(0, 0, width, height);
  } else {
    if (w.Type == kCheckBox || w.Type == kMultiCheck) {
      w.Area.Box.BoxRect = Geometry::OffsetRect(w.Area.Box.BoxRect, left - w.Rect.left, bottom - w.Rect.bottom);
    }
    w.Rect = Geometry::SetRect(left, bottom - height, left + width, bottom);
  }
  Strings::Assign(w.Text, Field(kTextItem).Text);
  Strings::Assign(w.Unit, Field(kUnitItem).Text);
  w.TextIndent = static_cast<std::int16_t>(Number(kIndentItem));
  w.TextBaseline = static_cast<std::int16_t>(Number(kBaselineItem));
  w.FontSize = static_cast<std::int16_t>(Number(kSizeItem));
  w.TextStyle = static_cast<std::uint8_t>(Field(kStyleItem).Area.List.OwnMarks);
  if (Field(kDigitsItem).Enabled) {
    w.Digits = static_cast<std::int16_t>(Number(kDigitsItem));
    w.Length = static_cast<std::int16_t>(Number(kLengthItem));
  }
  if (w.AnyModifier) {
    w.CommandModifiers = 0;
    w.CommandChar = Capital(w.CommandChar);
    if (IsListType(w.Type)) w.Area.List.SecondChar = Capital(w.Area.List.SecondChar);
  }
}

void InitValues() {
  const DialogItem* item = Configured();
  if (item == nullptr) return;
  OriginalRecord = *item;
  WorkRecord = OriginalRecord;
  const bool open = ConfiguredDialogPtr->Open;
  Field(kSecondKeyItem).Visible = IsListType(WorkRecord.Type);
  Field(kBackColItem).Visible = open;
  Field(kHighColItem).Visible = open && HasHighlightColor(WorkRecord.Type);
  const bool numeric = IsNumeric(WorkRecord.Type);
  for (int f = 0; f < kFormatCount; ++f) Field(kFirstFormatItem + f).Visible = numeric;
  for (int n = kLengthItem; n <= kDigitsLabel; ++n) Field(n).Enabled = numeric;
  if (!numeric) {
    SetNumber(kLengthItem, 0);
    SetNumber(kDigitsItem, 0);
  }
  SetValues();
}

// The item as it was chosen, back in place.
void RestoreOriginal() {
  DialogItem* item = Configured();
  if (item == nullptr) return;
  if (SelectedItem > 0) ModDialog::HideItem(ConfiguredDialogPtr, SelectedItem);
  *item = OriginalRecord;
  if (SelectedItem > 0) {
    Resize(SelectedItem);
    ModDialog::UpdateItem(ConfiguredDialogPtr, SelectedItem);
  }
}

void DoHandleUpdate(bool apply, bool done) {
  DialogItem* item = Configured();
  if (item == nullptr) return;
  GetValues();
  const int n = SelectedItem;
  if (n > 0) {
    ModDialog::HideItem(ConfiguredDialogPtr, n);
    WorkRecord.Enabled = WorkRecord.Enabled && WorkRecord.Visible;
    *item = WorkRecord;
    if (item->Type == kDrag || item->Type == kUser || IsListType(item->Type)) Strings::Clear(item->Text);
    // The edited text, before the redraw rebuilds the item's text from its
    // value.
    if (done && IsTextType(item->Type) && item->Value != nullptr && item->Value != item->Text) {
      CopyString(WorkRecord.Text, {static_cast<char*>(item->Value), static_cast<std::size_t>(item->Length) + 1},
                 item->Length + 1, kNameSize);
    } else if (done && item->Type == kFramedNumber) {
      Strings::Assign(item->Area.Prefix, WorkRecord.Text);
    }
    Resize(n);
    ModDialog::UpdateItem(ConfiguredDialogPtr, n);
  } else {
    const ModWindow::WindowParameters& p = ConfiguredDialogPtr->WindowRect;
    ModDialog::SetWindowPos(ConfiguredDialogPtr, p.top, p.left, p.bottom - p.top, p.right - p.left);
  }
  const bool windows = n > 0 && (item->Type == kOffscreen || item->Type == kGWindow);
  if (apply || done) {
    if (windows) CreateItemWindow(ConfiguredDialogPtr, n);
    Resize(n);
  }
  if (!apply) return;
  if (windows) ModDialog::Clear(ConfiguredDialogPtr);
  ModDialog::Update(ConfiguredDialogPtr);
  if (item->Justification == 1) {
    SetNumber(kIndentItem, item->TextIndent);
    ModDialog::UpdateItem(&ConfigDialog, kIndentItem);
  }
}

// Hides the dialog and shows the configured one again.
void Leave(bool interrupted) {
  ConfigDialog.Stop = true;
  ConfigDialog.Interrupted = interrupted;
  ModDialog::Hide(&ConfigDialog);
  if (ConfiguredDialogPtr == &ConfigDialog || !ConfiguredDialogPtr->Open) return;
  ModDialog::BringToFront(ConfiguredDialogPtr);
  RedrawConfigured();
}

// ---- Goto Item ----------------------------------------------------------------------

// The item the text names; -1 with the console line when none.
int TargetItem(std::span<char> text, bool report) {
  Strings::Trim(text, ' ');
  const int count = ConfiguredDialogPtr->ItemCount;
  if (text[0] < '0' || text[0] > '9') {
    for (int i = 1; i <= count && text[0] != '\0'; ++i) {
      if (Strings::EqualCap(text, ConfiguredDialogPtr->Items[i]->Name)) return i;
    }
    if (report) {
      char line[2 * kNameSize] = "#  Error: Item with name \"";
      Strings::Concat(line, text);
      Strings::Concat(line, "\" not found. ## ");
      TermIO::WriteAlertLine(line);
    }
    return -1;
  }
  std::int32_t number = 0;
  if (Encode::Integer(text, number) == -1 && number <= count) return number;
  if (report) {
    char line[2 * kNameSize] = "## Error converting \"";
    Strings::Concat(line, text);
    Strings::Concat(line, "\" to index of target item. ## ");
    TermIO::WriteAlertLine(line);
  }
  return -1;
}

void GotoItem() {
  char text[kNameSize] = "";
  Strings::Assign(text, Field(kGotoItem).Text);
  const int target = TargetItem(text, true);
  if (target < 0) return;
  if (target != SelectedItem) {
    RestoreOriginal();
    SelectedItem = target;
    InitValues();
    ModDialog::Clear(&ConfigDialog);
    ShowTitle();
  }
  ModDialog::Update(&ConfigDialog);
}

void ShowSelectedItem() {
  Strings::Clear(Field(kGotoItem).Text);
  Decode::Integer(SelectedItem, Field(kGotoItem).Text, 0);
}

// ---- Buttons -------------------------------------------------------------------------

void DoDone() {
  DoHandleUpdate(false, true);
  doneClosing = true;
  Leave(false);
}

void DoCancel() {
  RestoreOriginal();
  Leave(true);
}

void DoUpdate() {
  char text[kNameSize] = "";
  Strings::Assign(text, Field(kGotoItem).Text);
  if (TargetItem(text, false) == SelectedItem) {
    DoHandleUpdate(true, false);
  } else {
    GotoItem();
  }
}

void DoNumberFormat() {
  const int pressed = ModDialogTools::ActiveItem;
  for (int f = 0; f < kFormatCount; ++f) {
    Byte(kFirstFormatItem + f) = kFirstFormatItem + f == pressed ? 1 : 0;
    ModDialog::UpdateItem(&ConfigDialog, kFirstFormatItem + f);
  }
}

// The colour picker on the item's highlight or back colour, the item
// showing the state whose colour is edited.
void PickColour(bool highlight) {
  DialogItem* item = Configured();
  if (item == nullptr) return;
  UpdateWindowPosition(&ConfigDialog);
  *item = WorkRecord;
  const bool shows = item->Type == kSwitch || item->Type == kPane || item->Type == kFramedBool;
  auto* state = shows && item->Value != nullptr ? static_cast<std::uint8_t*>(item->Value) : nullptr;
  const std::uint8_t before = state != nullptr ? *state : 0;
  if (state != nullptr) *state = highlight ? 1 : 0;
  const ModWindow::WindowParameters& w = ConfigDialog.WindowRect;
  ModColorPicker::GetColor(highlight ? item->Area.HighlightColor : item->BackColor, w.left + 141, w.top - 18);
  if (state != nullptr) *state = before;
  WorkRecord = *item;
  ModDialog::Update(ConfiguredDialogPtr);
}

void DoHighCol() { PickColour(true); }
void DoBackCol() { PickColour(false); }

void DoFont() {
  UpdateWindowPosition(&ConfigDialog);
  const double factor = MacEnv::FontFactor;
  auto size = static_cast<std::int16_t>(Rounded(WorkRecord.FontSize / factor));
  FontPicker::GetFont(WorkRecord.FontNumber, size, false, ConfigDialog.WindowRect.left,
                      ConfigDialog.WindowRect.top + 100);
  WorkRecord.FontSize = static_cast<std::int16_t>(Rounded(size * factor));
  SetValues();
  ModDialog::Update(&ConfigDialog);
  ModDialog::Update(ConfiguredDialogPtr);
}

void CaptureKey(int field, std::uint8_t& kind, char& character) {
  int k = kind;
  int modifiers = WorkRecord.CommandModifiers;
  if (!SelectKey(&ConfigDialog, field, k, character, modifiers, WorkRecord.AnyModifier)) return;
  kind = static_cast<std::uint8_t>(k);
  WorkRecord.CommandModifiers = static_cast<std::uint8_t>(modifiers);
  char line[2 * kNameSize] = "New key: ";
  MacrosTools::AppendKey(kind, character, modifiers, WorkRecord.AnyModifier, true, false, line);
  TermIO::WriteLine(line);
}

void DoKey() { CaptureKey(kKeyItem, WorkRecord.CommandKind, WorkRecord.CommandChar); }
void DoSecondKey() { CaptureKey(kSecondKeyItem, WorkRecord.Area.List.SecondKind, WorkRecord.Area.List.SecondChar); }

void DoPict() {
  if (Strings::Length(PictFile) == 0) Strings::Assign(PictFile, "Dialog.Pict");
  if (!FileSelect::Select(PictFile, "*.Pict", FileSelect::ModeSave, "Name of picture file:")) return;
  IOBase::StripExtension(PictFile);
  Strings::Concat(PictFile, ".Pict");
  Graphics::GraphicsWindow window = ConfiguredDialogPtr->Window;
  ModDialog::Update(ConfiguredDialogPtr);
  Graphics::SetOutputDevice(window, Graphics::kPictureFile, PictFile);
  ModDialog::Update(ConfiguredDialogPtr);
  Graphics::FrameWindow(window, window, 0, 0);
  Graphics::SetOutputDevice(window, Graphics::kScreen, "");
}

// ---- Dialog procedures ---------------------------------------------------------------

void Deactivate() {
  DialogRecord* d = ConfiguredDialogPtr;
  for (int i = d->ItemCount; i >= 1; --i) {
    if (d->Items[i]->CommandKind != 0) {
      d->LastKeyItem = static_cast<std::int16_t>(i);
      return;
    }
  }
}

bool CloseDialog(int) {
  if (!doneClosing) DoDone();
  doneClosing = false;
  return true;
}

// ---- Building -------------------------------------------------------------------------

void Fill() {
  DialogRecord* d = &ConfigDialog;
  for (int n = 1; n <= kItemCount; ++n) {
    const Spec& s = kSpecs[n - 1];
    char name[16] = "Icon";
    Decode::Integer(n, name, 0);
    FillTextField(d, n, s.type, name, false, std::string_view(s.text), s.left, s.bottom, s.width, s.height);
    Field(n).NoConfig = true;
  }
  for (const DragRange& r : kDragRanges) {
    FillDragField(d, r.item, "", kInteger, kInt32, 7, 7, 1, r.minimum, r.maximum, 1, false, 0);
    Field(r.item).Justification = 1;
  }
  Field(kGotoItem).Justification = 1;
  SetCommandKey(d, kDoneItem, kCharacterKey, '\r', 0, true, true);
  SetCommandKey(d, kCancelItem, kCharacterKey, kEscape, 0, true, true);
  SetCommandKey(d, kUpdateItem, kCharacterKey, 'U', 0, true, true);
}

void Lists() {
  DialogRecord* d = &ConfigDialog;
  CreateMenuList(d, kStyleItem, "Style");
  AddListItem(d, kStyleItem, "Text Style:");
  for (const char* style : kStyleNames) {
    char entry[kNameSize] = "   ";
    Strings::Concat(entry, std::string_view(style));
    AddListItem(d, kStyleItem, entry);
  }
  Field(kStyleItem).Area.List.MarkBlock = 2;
  CreateMenuList(d, kJustificationItem, "Just");
  for (const char* entry : {"left", "center", "right", "last"}) {
    AddListItem(d, kJustificationItem, std::string_view(entry));
  }
}

void Bind() {
  DialogRecord* d = &ConfigDialog;
  FillProcField(d, kDoneItem, nullptr, DoDone, nullptr);
  FillProcField(d, kCancelItem, nullptr, DoCancel, nullptr);
  FillProcField(d, kUpdateItem, nullptr, DoUpdate, nullptr);
  FillProcField(d, kHighColItem, nullptr, DoHighCol, nullptr);
  FillProcField(d, kBackColItem, nullptr, DoBackCol, nullptr);
  FillProcField(d, kGotoItem, nullptr, GotoItem, ShowSelectedItem);
  FillEdittextField(d, kUnitItem, Field(kUnitItem).Text, kUnitSize - 1);
  FillProcField(d, kFontItem, nullptr, DoFont, nullptr);
  FillProcField(d, kKeyItem, nullptr, DoKey, nullptr);
  FillProcField(d, kSecondKeyItem, nullptr, DoSecondKey, nullptr);
  FillProcField(d, kExecutableItem, &WorkRecord.Executable, nullptr, nullptr);
  FillProcField(d, kVisibleItem, &WorkRecord.Visible, nullptr, nullptr);
  FillProcField(d, kEnabledItem, &WorkRecord.Enabled, nullptr, nullptr);
  FillProcField(d, kFrontOnlyItem, &WorkRecord.KeyFrontOnly, nullptr, nullptr);
  FillProcField(d, kAnyModifierItem, &WorkRecord.AnyModifier, nullptr, nullptr);
  FillProcField(d, kJustificationItem, &WorkRecord.Justification, nullptr, nullptr);
  FillProcField(d, kInvertedItem, &WorkRecord.DarkBack, nullptr, nullptr);
  for (int f = 0; f < kFormatCount; ++f) FillProcField(d, kFirstFormatItem + f, nullptr, DoNumberFormat, nullptr);
  FillProcField(d, kPictItem, nullptr, DoPict, nullptr);
  for (int n : {kSecondKeyItem, kKeyItem}) {
    DialogItem& key = Field(n);
    key.ValueKind = kString;
    key.Value = key.Text;
    key.Length = kNameSize - 1;
    key.Justification = 1;
    key.DrawProc = ModDialogIcons::DropShadow;
  }
  Field(kStyleItem).DrawProc = DrawTextStyle;
  d->DeactivateProc = Deactivate;
  d->MayCloseProc = CloseDialog;
}

bool OpenConfigDialog() {
  ClearRecord(&ConfigDialog);
  if (!InitializeRecord(&ConfigDialog, ConfigItemVector, false, false, "Item Configuration", "ItemConfig",
                        Graphics::Helvetica, 12, kItemCount, 80, 249, 485, 169, 0)) {
    return false;
  }
  if (!ModDialog::Initialize(&ConfigDialog, 2, Fill, Lists, false, true, true, true, true, "")) {
    ModDialog::Shutdown(&ConfigDialog);
    return false;
  }
  Bind();
  return true;
}

// The names of the modifiers held, after the key's name.
void ShowHeldModifiers(DialogRecord* dialog, int field, std::span<const char> keyName, int held) {
  char shown[kNameSize] = "";
  Strings::Assign(shown, keyName);
  if (held != 0) {
    char names[kNameSize] = "";
    KeyToString(kCharacterKey, 0, held, names);
    const int length = Strings::Length(names);
    if (length > 0) names[length - 1] = '\0';
    if (Strings::Length(shown) > 0) Strings::Concat(shown, ">");
    Strings::Concat(shown, names);
  }
  DialogItem& item = *dialog->Items[field];
  if (Strings::Equal(shown, item.Text)) return;
  Strings::Assign(item.Text, shown);
  ModDialog::UpdateItem(dialog, field);
}

}  // namespace

// ---- Exported --------------------------------------------------------------------------

void ConfigureDialog(DialogRecord* dialog, int item, BackgroundUpdate redraw) {
  UpdateWindowPosition(dialog);
  ConfiguredDialogPtr = dialog;
  SelectedItem = item;
  UpdateBackgroundProc = redraw != nullptr ? redraw : NoBackground;
  if (!ConfigDialog.Open && !OpenConfigDialog()) return;
  if (!ModDialog::BringToFront(&ConfigDialog)) return;
  doneClosing = false;
  InitValues();
  ShowTitle();
  ModDialog::Clear(&ConfigDialog);
  ModDialog::Update(&ConfigDialog);
}

bool SelectKey(DialogRecord* dialog, int item, int& kind, char& character, int& modifiers, bool anyModifier) {
  DialogItem* field = ItemOf(dialog, item);
  if (field == nullptr || !dialog->Open) return false;
  const Proc update = field->UpdateProc;
  const ItemProc draw = field->DrawProc;
  field->UpdateProc = NoProc;
  field->DrawProc = ModDialogIcons::DropShadow;
  char oldName[kNameSize] = "";
  KeyToString(kind, character, modifiers, oldName);
  bool result = true;
  bool removed = false;
  int code = ANSIBase::KeyNone;
  char c = 0;
  int held = 0;
  RealTime::TimeSeconds blink = 0;
  for (bool waiting = true; waiting && !MacEnv::Terminated;) {
    if (RealTime::GetTime() >= blink) {
      ModDialog::InvertItem(dialog, item);
      blink = RealTime::GetTime() + kBlinkInterval;
    }
    code = ANSIBase::KeyNone;
    if (ANSITerm::NextEvent(dialog->Terminal, code, c, held)) {
      if (code == ANSIBase::KeyDeleteRight) {
        removed = true;
        waiting = false;
      } else if (code == ANSIBase::KeyUpdate) {
        UpdateBackgroundProc();
      } else if (code == ANSIBase::KeyCharacter) {
        if (c == '\t') {
          Alert::Beep();
        } else {
          waiting = false;
        }
      } else if (code == ANSIBase::KeyEnter) {
        Alert::Beep();
        result = false;
        waiting = false;
      } else if (code > ANSIBase::KeyConsumed && code < ANSIBase::KeyMouse) {
        waiting = false;
      } else if (code == ANSIBase::KeyMouse || code == ANSIBase::KeyDeactivate || code == ANSIBase::KeyActivate ||
                 code >= ANSIBase::KeyWindow) {
        result = false;
        waiting = false;
      }
    } else {
      ShowHeldModifiers(dialog, item, oldName, ModDialog::KeyDown() & kModifierBits);
    }
    int filterCode = waiting ? ANSIBase::KeyNone : code;
    ModDialog::GlobalEventFilter(dialog->Terminal, dialog, filterCode, c, held, true);
  }
  if (MacEnv::Terminated) result = false;
  field->UpdateProc = update;
  field->DrawProc = draw;
  if (result) {
    kind = removed ? 0 : code;
    character = removed ? 0 : c;
    modifiers = removed ? 0 : held & kModifierBits;
    if (anyModifier) {
      character = Capital(character);
      modifiers = 0;
    }
    if (!KeyToString(kind, character, modifiers, field->Text)) {
      kind = 0;
      character = 0;
      modifiers = 0;
    }
  } else {
    Strings::Assign(field->Text, oldName);
  }
  ModDialog::UpdateItem(dialog, item);
  return result;
}

void DrawTextStyle(int item) {
  DialogItem* field = ItemOf(ModDialog::DialogPtr, item);
  if (field == nullptr) return;
  const std::uint16_t set = field->Area.List.OwnMarks;
  Strings::Assign(field->Text, std::string_view(set == 0 ? "normal" : ""));
  for (int bit = 0; bit < kStyleCount; ++bit) {
    if ((set & (1u << bit)) == 0) continue;
    if (Strings::Length(field->Text) > 0) Strings::Concat(field->Text, ", ");
    Strings::Concat(field->Text, std::string_view(kStyleNames[bit]));
  }
  ModDialogIcons::DropShadow(item);
}

void InitModule() {
  Strings::Clear(PictFile);
  ClearRecord(&ConfigDialog);
  ConfiguredDialogPtr = &ConfigDialog;
  UpdateBackgroundProc = NoBackground;
  SelectedItem = 0;
  doneClosing = false;
}

void Shutdown() { ModDialog::Shutdown(&ConfigDialog); }

}  // namespace ModDialogConfig
