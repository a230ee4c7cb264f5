// The settings that shape printed text, and their dialog (templates 2003 to
// 2006).
#include <array>
#include <cstring>
#include <initializer_list>

#include "dialogs/Alert.h"
#include "dialogs/DialogUtils.h"
#include "dialogs/NumberField.h"
#include "foundation/Decode.h"
#include "foundation/Strings.h"
#include "platform/Fonts.h"
#include "platform/MenuTrack.h"
#include "platform/Menus.h"
#include "platform/Resources.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "shell/Mouse.h"
#include "shell/Printer.h"

namespace Printer {

PrinterDefaults Defaults;
bool MarginsSet = false;

namespace {

constexpr int kFirstTemplate = 2003;
constexpr int kOKItem = 1;
constexpr int kCancelItem = 2;
constexpr int kFlag4Item = 4;
constexpr int kFlag5Item = 5;
constexpr int kSizeItem = 7;
constexpr int kFontItem = 9;
constexpr int kFontNameItem = 10;
constexpr int kLeftItem = 12;
constexpr int kRightItem = 14;
constexpr int kTopItem = 16;
constexpr int kBottomItem = 18;
constexpr int kRowsItem = 20;
constexpr int kColumnsItem = 22;
constexpr int kFontMenuID = 32767;
constexpr int kReadLength = 40;
constexpr double kMarginSpare = 1.01;

// The variables the dialog edits.
struct Settings {
  bool* flag4;
  bool* flag5;
  std::int32_t* rows;
  std::int32_t* columns;
  std::int32_t* fontNumber;
  std::int32_t* fontSize;
  double* left;
  double* right;
  double* top;
  double* bottom;
  double* height;
};

// What a Cancel gives back.
struct Values {
  bool flag4;
  bool flag5;
  std::int32_t rows;
  std::int32_t columns;
  std::int32_t fontNumber;
  std::int32_t fontSize;
  double left;
  double right;
  double top;
  double bottom;
  double height;
};

Values Copy(const Settings& s) {
  return Values{*s.flag4, *s.flag5, *s.rows, *s.columns, *s.fontNumber, *s.fontSize,
                *s.left,  *s.right, *s.top,  *s.bottom,  *s.height};
}

void Restore(const Settings& s, const Values& v) {
  *s.flag4 = v.flag4;
  *s.flag5 = v.flag5;
  *s.rows = v.rows;
  *s.columns = v.columns;
  *s.fontNumber = v.fontNumber;
  *s.fontSize = v.fontSize;
  *s.left = v.left;
  *s.right = v.right;
  *s.top = v.top;
  *s.bottom = v.bottom;
  *s.height = v.height;
}

// The open dialog's layout.
struct Layout {
  bool rowsAndColumns = false;
  bool height = false;
  int heightItem = 0;
};

void ShowInteger(Dialogs::Dialog* d, int item, std::int32_t value) {
  char text[16] = "";
  Decode::Integer(value, text, 0);
  DialogUtils::SetItemText(d, item, text);
}

void ShowReal(Dialogs::Dialog* d, int item, double value) {
  char text[32] = "";
  Decode::Fixed(value, text, 6, 3);
  DialogUtils::SetItemText(d, item, text);
}

void ShowFontName(Dialogs::Dialog* d, std::int32_t fontNumber) {
  char name[80] = "";
  Graphics::GetFontName(fontNumber, name);
  DialogUtils::SetItemText(d, kFontNameItem, name);
}

void SetUpFlag(Dialogs::Dialog* d, int item, std::span<const char> title, bool flag) {
  DialogUtils::ShowControl(d, item, Strings::Length(title) > 0);
  DialogUtils::SetRadioButton(d, item, flag);
  DialogUtils::SetItemText(d, item, title);
}

// The item's text; an empty one is no value.
bool ItemText(Dialogs::Dialog* d, int item, std::span<char> text) {
  DialogUtils::GetItemText(d, item, text);
  return Strings::Length(text) > 0;
}

// FALSE when the item holds something that is no whole integer above 0.
bool ReadCount(Dialogs::Dialog* d, int item, std::int32_t& value) {
  char text[kReadLength + 1];
  if (!ItemText(d, item, text)) return true;
  std::int32_t read = 0;
  if (!NumberField::ReadInteger(text, read) || read <= 0) return false;
  value = read;
  return true;
}

// FALSE when the item holds something that is no real of 0 or more.
bool ReadPositive(Dialogs::Dialog* d, int item, double& value) {
  char text[kReadLength + 1];
  if (!ItemText(d, item, text)) return true;
  double read = 0;
  if (!NumberField::ReadReal(text, read) || read < 0) return false;
  value = read;
  return true;
}

// Reads the items in order straight into the variables; the first item
// that does not read, 0 when all did.
int ReadItems(Dialogs::Dialog* d, const Layout& layout, const Settings& s) {
  if (!ReadCount(d, kSizeItem, *s.fontSize)) return kSizeItem;
  for (const auto& [item, value] : {std::pair{kLeftItem, s.left}, std::pair{kRightItem, s.right},
                                    std::pair{kTopItem, s.top}, std::pair{kBottomItem, s.bottom}}) {
    if (!ReadPositive(d, item, *value)) return item;
  }
  if (layout.height && !ReadPositive(d, layout.heightItem, *s.height)) return layout.heightItem;
  if (layout.rowsAndColumns) {
    if (!ReadCount(d, kRowsItem, *s.rows)) return kRowsItem;
    if (!ReadCount(d, kColumnsItem, *s.columns)) return kColumnsItem;
  }
  return 0;
}

// The items are read whole, and the margins leave some page between them.
bool Accept(Dialogs::Dialog* d, const Layout& layout, const Settings& s) {
  if (const int wrong = ReadItems(d, layout, s); wrong != 0) {
    for (int item = 1; item <= Dialogs::CountItems(d); ++item) {
      if (Dialogs::GetItemKind(d, item) == Resources::kEditTextItem) Dialogs::SelectItemText(d, item, 0, 0);
    }
    Dialogs::SelectItemText(d, wrong, 0, kReadLength);
    Alert::Beep();
    return false;
  }
  const auto tooSmall = [](double low, double high) { return kMarginSpare * low > 1 - kMarginSpare * high; };
  const char* message = tooSmall(*s.left, *s.right)   ? "Horizontal page dimension is too small !"
                        : tooSmall(*s.top, *s.bottom) ? "Vertical page dimension is too small !"
                                                      : nullptr;
  if (message == nullptr) return true;
  Alert::Beep();
  Alert::OK(std::span<const char>(message, std::strlen(message) + 1));
  return false;
}

// The font popup over the font item: every font of the layer, the current
// one checked; a choice sets the font number.
void SelectFont(Dialogs::Dialog* d, std::int32_t& fontNumber) {
  Menus::Menu* menu = Menus::NewMenu(kFontMenuID, "Fonts");
  const int count = Fonts::CountFonts();
  for (int k = 0; k < count; ++k) {
    char name[80] = "";
    Graphics::GetFontName(Fonts::FontNumberAt(k), name);
    Menus::AppendItem(menu, name);
  }
  Menus::InsertMenu(menu, Menus::kHierarchical);
  int current = 1;
  for (int item = count; item >= 1; --item) {
    if (Fonts::FontNumberAt(item - 1) == fontNumber) {
      current = item;
      break;
    }
  }
  Menus::CheckItem(menu, current, true);
  const Geometry::Rect content = Windows::ContentRect(Dialogs::GetDialogWindow(d));
  const Geometry::Rect r = Dialogs::GetItemRect(d, kFontItem);
  const std::int32_t choice = MenuTrack::PopUpMenuSelect(menu, content.top + r.top - 1, content.left + r.left, current);
  const int chosen = choice & 0xFFFF;
  if (chosen >= 1 && chosen <= count) fontNumber = Fonts::FontNumberAt(chosen - 1);
  Menus::DeleteMenu(kFontMenuID);
  Menus::DisposeMenu(menu);
}

void Fill(Dialogs::Dialog* d, const Layout& layout, std::span<const char> title4, std::span<const char> title5,
          const Settings& s) {
  DialogUtils::SetItemProc(d, kOKItem, DialogUtils::OutlineButtonUPP);
  SetUpFlag(d, kFlag4Item, title4, *s.flag4);
  SetUpFlag(d, kFlag5Item, title5, *s.flag5);
  ShowInteger(d, kSizeItem, *s.fontSize);
  ShowReal(d, kLeftItem, *s.left);
  ShowReal(d, kRightItem, *s.right);
  ShowReal(d, kTopItem, *s.top);
  ShowReal(d, kBottomItem, *s.bottom);
  if (layout.height) ShowReal(d, layout.heightItem, *s.height);
  if (layout.rowsAndColumns) {
    ShowInteger(d, kRowsItem, *s.rows);
    ShowInteger(d, kColumnsItem, *s.columns);
  }
  ShowFontName(d, *s.fontNumber);
  Dialogs::SetUserItemProc(d, kFontItem, DialogUtils::FrameItemUPP);
  Dialogs::SelectItemText(d, kBottomItem, 0, kReadLength);
}

// The modal loop; TRUE when OK took valid values.
bool Run(Dialogs::Dialog* d, const Layout& layout, const Settings& s) {
  for (;;) {
    int item = 0;
    Dialogs::ModalDialog(DialogUtils::FilterUPP, item);
    if (Dialogs::ModalEnded() || item == kCancelItem) return false;
    switch (item) {
      case kOKItem:
        if (Accept(d, layout, s)) return true;
        break;
      case kFlag4Item:
      case kFlag5Item: {
        bool& flag = item == kFlag4Item ? *s.flag4 : *s.flag5;
        flag = !flag;
        DialogUtils::SetRadioButton(d, item, flag);
        break;
      }
      case kFontItem:
        SelectFont(d, *s.fontNumber);
        ShowFontName(d, *s.fontNumber);
        break;
      default:
        break;
    }
  }
}

}  // namespace

void CheckSettings() {
  if (Defaults.fontSize >= 4) return;
  if (Defaults.fontSize >= 1) {
    Defaults.fontSize = 4;
    return;
  }
  Defaults = PrinterDefaults{0.08, 0.08, 0.125, 0.1, 12, Fonts::kCourier, true};
}

bool GetSettings(bool showRowsAndColumns, bool showHeight, std::span<const char> title4,
                 std::span<const char> title5, bool& flag4, bool& flag5, std::int32_t& rows,
                 std::int32_t& columns, std::int32_t& fontNumber, std::int32_t& fontSize, double& left,
                 double& right, double& top, double& bottom, double& height) {
  const Layout layout{showRowsAndColumns, showHeight, showRowsAndColumns ? 24 : 20};
  const Settings s{&flag4, &flag5, &rows, &columns, &fontNumber, &fontSize, &left, &right, &top, &bottom, &height};
  const Values before = Copy(s);
  const int shape = Mouse::GetCursorShape();
  Dialogs::Dialog* d =
      Dialogs::GetNewDialog(kFirstTemplate + (showRowsAndColumns ? 2 : 0) + (showHeight ? 1 : 0));
  if (d == nullptr) return false;
  const DialogUtils::ScrapExchange scrap;
  Fill(d, layout, title4, title5, s);
  Windows::Window* w = Dialogs::GetDialogWindow(d);
  Windows::ShowWindow(w);
  Windows::SelectWindow(w);
  Mouse::SetArrowCursor();
  const bool confirmed = Run(d, layout, s);
  if (!confirmed) Restore(s, before);
  Windows::HideWindow(w);
  Dialogs::DisposeDialog(d);
  Mouse::SetCursorShape(shape);
  return confirmed;
}

bool SetMargins() {
  CheckSettings();
  bool unused = false;
  std::int32_t rows = 0;
  std::int32_t columns = 0;
  double height = 0;
  PrinterDefaults& p = Defaults;
  const bool confirmed = GetSettings(false, false, "Text Wrapping", "", p.textWrapping, unused, rows, columns,
                                     p.fontNumber, p.fontSize, p.leftMargin, p.rightMargin, p.topMargin,
                                     p.bottomMargin, height);
  if (confirmed) MarginsSet = true;
  CheckSettings();
  return confirmed;
}

}  // namespace Printer
