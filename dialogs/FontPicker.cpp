#include "dialogs/FontPicker.h"

#include <string_view>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogLoop.h"
#include "foundation/Strings.h"
#include "platform/Menus.h"
#include "platform/ResourceMenus.h"
#include "platform/Text.h"
#include "shell/Graphics.h"

namespace FontPicker {

ModDialogUt::DialogRecord Dialog;

namespace {

using namespace ModDialogUt;

constexpr int kItemCount = 7;
constexpr int kDefaultCorner = 80;
constexpr int kMaxSize = 48;
constexpr int kSampleBaseline = 36;
constexpr char kEscape = 27;
// The micro sign and the Omega of the program's character set.
constexpr char kSample[] = "Micro: \xB5 - Omega: \xBD";

DialogItem* ItemVector[kItemCount + 1] = {};
std::uint8_t FontIndex = 0;
bool Fixed = false;

DialogItem& Item(int n) { return *Dialog.Items[n]; }

void Fill() {
  DialogRecord* d = &Dialog;
  FillTextField(d, kDoneItem, kButton, "Done", false, "Done", 410, 55, 80, 16);
  FillTextField(d, kCancelItem, kButton, "Cancel", false, "Cancel", 280, 55, 80, 16);
  FillTextField(d, kFontItem, kList, "Font", false, "", 280, 25, 100, 16);
  FillTextField(d, kSizeItem, kDrag, "Size", false, "", 429, 25, 29, 16);
  FillTextField(d, 5, kText, "Title", false, "Size:", 390, 25, 38, 16);
  FillTextField(d, kFixedItem, kFramedBool, "Fixed", false, "fixed", 463, 25, 30, 16);
  FillTextField(d, kSampleItem, kText, "Micro", false, kSample, 10, 54, 260, 48);
  SetCommandKey(d, kDoneItem, kCharacterKey, '\r', 0, true, true);
  SetCommandKey(d, kCancelItem, kCharacterKey, kEscape, 0, true, true);
}

void Lists() {
  DialogRecord* d = &Dialog;
  CreateMenuList(d, kFontItem, "Font");
  ListData& list = Item(kFontItem).Area.List;
  ResourceMenus::AppendFontList(list.Menu);
  list.Count = static_cast<std::int16_t>(Menus::CountItems(list.Menu));
  FillDragField(d, kSizeItem, "", kInteger, kInt16, 3, 3, 1, 1, kMaxSize, 1, false, 0);
}

int ListedFont() {
  char name[kNameSize] = "";
  GetListText(&Dialog, kFontItem, FontIndex + 1, name);
  return Graphics::GetFont(name);
}

bool HasFixedWidths(const DialogItem& sample) {
  ModDialogUt::SetFont(Dialog.Window, sample.FontNumber, sample.FontSize, 0);
  Graphics::Bracket bracket(Dialog.Window);
  return bracket.Began() && Text::CharWidth(',') == Text::CharWidth('M');
}

void UpdateSample() {
  DialogItem& sample = Item(kSampleItem);
  sample.FontNumber = static_cast<std::int16_t>(ListedFont());
  ModDialog::UpdateItem(&Dialog, kSampleItem);
  Fixed = HasFixedWidths(sample);
  ModDialog::UpdateItem(&Dialog, kFixedItem);
  if (ModDialog::GetSelectionMode() == 1) return;
  Item(kFontItem).FontNumber = sample.FontNumber;
  ModDialog::UpdateItem(&Dialog, kFontItem);
}

void Done() {
  Dialog.Stop = true;
  Dialog.Interrupted = false;
}

void Cancel() {
  Dialog.Stop = true;
  Dialog.Interrupted = true;
}

// The list's index of the font: the last entry of its name, else the
// first entry.
void SelectFont(int font) {
  char name[kNameSize] = "";
  Graphics::GetFontName(font, name);
  FontIndex = 0;
  for (int entry = Item(kFontItem).Area.List.Count; entry >= 1; --entry) {
    char text[kNameSize] = "";
    GetListText(&Dialog, kFontItem, entry, text);
    if (Strings::Length(name) > 0 && Strings::Equal(text, name)) {
      FontIndex = static_cast<std::uint8_t>(entry - 1);
      break;
    }
  }
  Item(kSampleItem).FontNumber = static_cast<std::int16_t>(ListedFont());
}

}  // namespace

void GetFont(std::int16_t& font, std::int16_t& size, bool titled, int left, int top) {
  ClearRecord(&Dialog);
  DialogRecord* const caller = ModDialog::DialogPtr;
  if (left < 1) left = kDefaultCorner;
  if (top < 1) top = kDefaultCorner;
  if (!InitializeRecord(&Dialog, ItemVector, true, false, "Font Picker", "FontPicker", Graphics::Helvetica, 12,
                        kItemCount, left, top + 63, 500, 63, 0)) {
    return;
  }
  if (!ModDialog::Initialize(&Dialog, titled ? 1 : 3, Fill, Lists, false, false, true, true, true, "")) {
    ModDialog::Shutdown(&Dialog);
    ModDialog::DialogPtr = caller;
    return;
  }
  FillProcField(&Dialog, kDoneItem, nullptr, Done, nullptr);
  FillProcField(&Dialog, kCancelItem, nullptr, Cancel, nullptr);
  FillProcField(&Dialog, kFontItem, &FontIndex, UpdateSample, nullptr);
  FillProcField(&Dialog, kSizeItem, &Item(kSampleItem).FontSize, nullptr, UpdateSample);
  FillProcField(&Dialog, kFixedItem, &Fixed, nullptr, nullptr);
  SelectFont(font);
  DialogItem& sample = Item(kSampleItem);
  sample.FontSize = size;
  sample.TextBaseline = kSampleBaseline;
  Fixed = HasFixedWidths(sample);
  ModDialog::UpdateItem(&Dialog, kSampleItem);
  ModDialog::Update(&Dialog);
  ModDialogLoop::ModalPoll(&Dialog, NoProc, true);
  if (!Dialog.Interrupted) {
    font = sample.FontNumber;
    size = sample.FontSize;
  }
  ModDialog::Shutdown(&Dialog);
  ModDialog::DialogPtr = caller;
}

}  // namespace FontPicker
