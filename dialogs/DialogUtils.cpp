#include "dialogs/DialogUtils.h"

#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "platform/Controls.h"
#include "platform/EventQueue.h"
#include "platform/Port.h"
#include "platform/PortState.h"
#include "platform/Shapes.h"
#include "platform/TextEdit.h"
#include "platform/Windows.h"
#include "shell/ScrapUtil.h"

#include <algorithm>
#include <cctype>

namespace DialogUtils {

namespace {

constexpr int kItemTextLength = 255;
constexpr int kScrapLength = 256;
constexpr int kOkItem = 1;
constexpr int kCancelItem = 2;
constexpr unsigned char kEnter = 3;
constexpr unsigned char kReturn = 13;
constexpr unsigned char kEscape = 27;

bool DoFilter(Dialog* d, EventQueue::EventRecord& e, int& item, bool returnIsOK) {
  if (e.what != EventQueue::kKeyDown) return false;
  const auto ch = static_cast<unsigned char>(e.message & 0xFF);
  const bool focusField = Dialogs::GetKeyboardFocus(d) > 0;
  if ((e.modifiers & EventQueue::kCmdKey) != 0) {
    item = 0;
    switch (std::toupper(ch)) {
      case '.':
        item = kCancelItem;
        break;
      case 'C':
        if (focusField) Dialogs::Copy(d);
        break;
      case 'V':
        if (focusField) Dialogs::Paste(d);
        break;
      case 'X':
        if (focusField) Dialogs::Cut(d);
        break;
      default:
        break;
    }
    return true;
  }
  if (ch == kEnter || (ch == kReturn && returnIsOK)) {
    item = kOkItem;
    return true;
  }
  if (ch == kEscape && focusField) {
    item = kCancelItem;
    e.message &= ~0xFF;
    return true;
  }
  return false;
}

bool Filter(Dialog* d, EventQueue::EventRecord& e, int& item) { return DoFilter(d, e, item, true); }
bool FilterNoCR(Dialog* d, EventQueue::EventRecord& e, int& item) { return DoFilter(d, e, item, false); }

void OutlineButton(Dialog* d, int item) {
  const PortState::Scope scope(Windows::GetWindowPort(Dialogs::GetDialogWindow(d)));
  Port::PenNormal();
  Port::PenSize(3, 3);
  Shapes::FrameRoundRect(Geometry::InsetRect(Dialogs::GetItemRect(d, item), -4, -4), 16, 16);
}

void FrameItem(Dialog* d, int item) {
  const PortState::Scope scope(Windows::GetWindowPort(Dialogs::GetDialogWindow(d)));
  Port::PenNormal();
  Shapes::FrameRect(Dialogs::GetItemRect(d, item));
}

}  // namespace

// Plain functions need no platform handles: they stand ready before the
// start-up reaches InitModule.
Dialogs::ModalFilter FilterUPP = Filter;
Dialogs::ModalFilter FilterNoCRUPP = FilterNoCR;
Dialogs::UserItemProc OutlineButtonUPP = OutlineButton;
Dialogs::UserItemProc FrameItemUPP = FrameItem;

void GetItemText(const Dialog* d, int item, std::span<char> text) {
  char got[kItemTextLength + 1];
  Dialogs::GetItemText(d, item, got);
  if (text.empty()) return;
  const std::size_t n = std::min(std::char_traits<char>::length(got), text.size() - 1);
  std::copy_n(got, n, text.begin());
  text[n] = '\0';
}

void SetItemText(Dialog* d, int item, std::span<const char> text) {
  const auto length = static_cast<std::size_t>(std::find(text.begin(), text.end(), '\0') - text.begin());
  Dialogs::SetItemText(d, item, text.first(std::min<std::size_t>(length, kItemTextLength)));
}

void SetItemProc(Dialog* d, int item, Dialogs::UserItemProc) {
  Dialogs::SetDefaultItem(d, item);
  Dialogs::SetCancelItem(d, kCancelItem);
}

void Highlight(Dialog* d, int item, bool on) {
  if (Controls::Control* c = Dialogs::GetItemControl(d, item)) {
    Controls::HiliteControl(c, on ? Controls::kActive : Controls::kInactive);
  }
}

void SetRadioButton(Dialog* d, int item, bool on) {
  if (Controls::Control* c = Dialogs::GetItemControl(d, item)) Controls::SetControlValue(c, on ? 1 : 0);
}

void ShowControl(Dialog* d, int item, bool show) {
  if (show) {
    Dialogs::ShowItem(d, item);
  } else {
    Dialogs::HideItem(d, item);
  }
}

void ToTextEditScrap() {
  BufferText::TextBuffer paste = ScrapUtil::GetPasteBuffer();
  if (paste == nullptr) return;
  char line[kScrapLength + 1];
  BufferText::Get(paste, 1, line);
  line[kScrapLength] = '\0';
  const auto length = std::char_traits<char>::length(line);
  if (length == 0) return;
  TextEdit::SetScrapText(std::span<const char>(line, length));
}

void FromTextEditScrap() {
  const std::string_view scrap = TextEdit::ScrapText();
  if (scrap.empty()) return;
  const std::string line(scrap.substr(0, kScrapLength));
  BufferText::TextBuffer paste = Buffer::Create("Edit.Paste", Buffer::kText);
  if (paste == nullptr) return;
  BufferText::Append(paste, std::span<const char>(line.c_str(), line.size() + 1));
  ScrapUtil::PutPasteBuffer();
}

ScrapExchange::ScrapExchange() {
  ToTextEditScrap();
  changeCount_ = TextEdit::ScrapChangeCount();
}

ScrapExchange::~ScrapExchange() {
  if (TextEdit::ScrapChangeCount() != changeCount_) FromTextEditScrap();
}

void InitModule() {
  FilterUPP = Filter;
  FilterNoCRUPP = FilterNoCR;
  OutlineButtonUPP = OutlineButton;
  FrameItemUPP = FrameItem;
}

}  // namespace DialogUtils
