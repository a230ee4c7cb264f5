// The redraw half of ModDialog: full updates, single items, visibility and
// the text of items.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogIcons.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Strings.h"
#include "platform/Port.h"
#include "platform/PortState.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"

namespace ModDialog {

using namespace ModDialogUt;

namespace {

// Back colours whose components add up to this or more count as white: the
// window need not be cleared before a redraw.
constexpr int kNearlyWhite = 196600;
// The current item on a colour this dark is drawn on white.
constexpr int kDarkForEditing = 39000;

int Sum(const Color::RGB& c) { return c.red + c.green + c.blue; }

bool InRange(const DialogRecord* dialog, int item) {
  return dialog != nullptr && dialog->Items != nullptr && item >= 1 && item <= dialog->ItemCount;
}

bool BoundFlag(const DialogItem& item) {
  return item.Value != nullptr && *static_cast<const std::uint8_t*>(item.Value) != 0;
}

// The item's update procedure and, when visible, its drawing; items that
// show a value are always drawn.
void DoUpdateItemValue(int item, bool draw) {
  DialogRecord* dialog = DialogPtr;
  DialogItem* it = ItemOf(dialog, item);
  if (it == nullptr || it->Value == nullptr) return;
  if (it->Type >= kSwitch && it->Type <= kFramedList && it->Type != kText && it->Type != kDrag2) draw = true;
  if (!draw) return;
  Graphics::Bracket bracket(dialog->Window);
  it->UpdateProc();
  if (!IsVisible(dialog, item)) return;
  dialog->Changed = true;
  it->NeedsDraw = true;
  it->DrawProc(item);
}

// The area an item covers on the screen, frames and shadows included.
Geometry::Rect ItemArea(const DialogItem& item) {
  switch (item.Type) {
    case kButton:
    case kSwitch:
    case kDrag2: {
      const int grow = item.DrawProc == ModDialogIcons::FrameDefaultButton ? 4 : 1;
      return Geometry::InsetRect(item.Rect, -grow, -grow);
    }
    case kFramedText:
    case kFramedNumber:
    case kFramedBool:
      return Geometry::InsetRect(item.Rect, -1, -1);
    case kRadioButton:
    case kCheckBox:
    case kMultiCheck:
    case kText:
    case kUser:
    case kPane:
      return item.Rect;
    default: {
      const Geometry::Rect& r = item.Rect;
      return Geometry::SetRect(r.left - 1, r.top - 1, r.right + 2, r.bottom + 2);
    }
  }
}

void EraseItemArea(DialogRecord* dialog, int item, const Color::RGB& colour) {
  DialogItem& it = *dialog->Items[item];
  dialog->Changed = true;
  it.NeedsDraw = true;
  Graphics::Bracket bracket(dialog->Window);
  if (!bracket.Began()) return;
  PortState::Scope scope(Port::GetPort());
  Port::BackPat(Pattern::kWhite);
  Port::RGBBackColor(colour);
  if (it.Type == kPane && it.Area.PaneRect.top != it.Area.PaneRect.bottom) Shapes::EraseRect(it.Area.PaneRect);
  Shapes::EraseRect(ItemArea(it));
}

void InvertOnce(int item, bool) { DoInvertItem(item); }

// The text an item shows and how many of its characters count.
std::string_view ShownText(const DialogItem& item) {
  const auto bounded = [](const char* text, int limit) {
    const int cut = std::max(limit, 0);
    return std::string_view(text, strnlen(text, static_cast<std::size_t>(cut)));
  };
  const char* bound = item.Value != nullptr ? static_cast<const char*>(item.Value) : item.Text;
  switch (item.Type) {
    case kEditText:
      return bounded(bound, item.Length);
    case kButton:
    case kSwitch:
    case kDrag2:
    case kPane:
      return bounded(item.Text, std::min<int>(item.Length - 1, kNameSize - 1));
    case kText:
    case kFramedText:
      return bounded(bound, item.Length - 1);
    default:
      return item.ValueKind == kString ? bounded(bound, item.Length) : bounded(item.Text, kNameSize - 1);
  }
}

void EraseForText(const DialogItem& item) {
  const Geometry::Rect& r = item.Rect;
  switch (item.Type) {
    case kButton:
    case kSwitch:
    case kDrag2:
      Shapes::EraseRoundRect(r, 10, 10);
      break;
    case kPane:
      Shapes::EraseRect(Geometry::SetRect(r.left + 1, r.top + 1, r.right - 1, r.bottom + 1));
      break;
    default:
      Shapes::EraseRect(r);
      break;
  }
}

// The left edge of a line by the item's justification.
int LineIndent(DialogItem& item, int extraIndent, int textWidth) {
  const int w = Geometry::Width(item.Rect) - extraIndent - textWidth;
  switch (item.Justification) {
    case 1: {
      const int indent = std::max(w / 2, 1);
      item.TextIndent = static_cast<std::int16_t>(indent);
      // Centred once: the indent now stays, whatever text comes later.
      item.Justification = 0;
      return indent;
    }
    case 2:
      return std::max(w - item.TextIndent, 1);
    case 3: {
      const int half = (w - item.TextIndent) / 2;
      return half < 1 ? w - item.TextIndent : half;
    }
    default:
      return item.TextIndent;
  }
}

void DrawLines(DialogItem& item, std::string_view text, int extraIndent, const Color::RGB& textColour) {
  const int spacing = static_cast<int>(std::lround(item.LineSpacing * MacEnv::FontFactor));
  int baseline = item.TextBaseline;
  std::size_t start = 0;
  while (start < text.size() && start <= static_cast<std::size_t>(std::max<int>(item.Length, 0))) {
    std::size_t end = text.find('\r', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    Port::MoveTo(item.Rect.left + LineIndent(item, extraIndent, Text::TextWidth(line)) + extraIndent,
                 item.Rect.top + baseline);
    for (std::size_t i = 0; i < line.size();) {
      const int at = static_cast<int>(start + i);
      const bool lit = item.HighlightFrom >= 0 && at >= item.HighlightFrom && at < item.HighlightTo;
      int cut = static_cast<int>(line.size());
      if (item.HighlightFrom >= 0) {
        if (at < item.HighlightFrom) cut = std::min(cut, item.HighlightFrom - static_cast<int>(start));
        else if (at < item.HighlightTo) cut = std::min(cut, item.HighlightTo - static_cast<int>(start));
      }
      Port::RGBForeColor(lit ? item.Area.HighlightColor : textColour);
      Text::DrawText(line.substr(i, static_cast<std::size_t>(cut) - i));
      i = static_cast<std::size_t>(cut);
    }
    start = end + 1;
    if (start < text.size() && text[start] == '\n') ++start;
    baseline += spacing;
    if (item.Rect.bottom < item.Rect.top + baseline) break;
  }
}

}  // namespace

void Update(DialogRecord* dialog) { DoUpdate(dialog, false); }

void UpdateItem(DialogRecord* dialog, int item) { ForOneDo(dialog, item, DoUpdateItemValue, true); }

void UpdateValues(DialogRecord* dialog) { ForAllDo(dialog, DoUpdateItemValue, false); }

void ForceUpdate(DialogRecord* dialog) {
  if (dialog->Open && dialog->Shown) Graphics::ForceUpdate(dialog->Window);
  dialog->Changed = false;
}

void DoUpdate(DialogRecord* dialog, bool clear) {
  ModDialogTools::DialogContext context;
  if (!dialog->WindowVisible || !ModDialogTools::GetState(context, dialog)) return;
  ModDialogTools::MenuHookItem = 0;
  UpdateWindowPosition(dialog);
  if (!MacEnv::gInBackground) dialog->InFront = ModWindow::IsInFront(dialog->Window);
  dialog->Shown = dialog->WindowVisible && !dialog->Iconized;
  DialogItem& root = *dialog->Items[0];
  dialog->Changed = true;
  root.NeedsDraw = true;
  Graphics::SetRGBBackColor(dialog->Window, root.BackColor);
  if (clear || Sum(root.BackColor) < kNearlyWhite) ModWindow::Clear(dialog->Window);
  dialog->PaintProc();
  int selectedPane = 0;
  for (int i = dialog->ItemCount; i >= 1; --i) {
    const DialogItem& item = *dialog->Items[i];
    if (item.Type == kPane && IsVisible(dialog, i) && BoundFlag(item)) {
      ModDialogIcons::DrawPaneRect(i);
      selectedPane = i;
    } else {
      DoUpdateItemValue(i, true);
    }
  }
  // The selected rider lies on top of its neighbours.
  for (int i = dialog->ItemCount; i >= 1 && selectedPane != 0; --i) {
    const DialogItem& item = *dialog->Items[i];
    if (item.Type == kPane && IsVisible(dialog, i) && BoundFlag(item)) DoUpdateItemValue(i, true);
  }
  if (dialog->InFront && !dialog->Iconized) ModDialogTools::ResizeIcon(dialog, 0, true);
  Windows::ValidRect(dialog->MacWindow, Windows::GetWindowPort(dialog->MacWindow)->portRect);
  ForceUpdate(dialog);
  ModDialogTools::ResetState(context);
}

void ForOneDo(DialogRecord* dialog, int item, ItemFlagProc procedure, bool flag) {
  ModDialogTools::DialogContext context;
  if (!dialog->Open || !InRange(dialog, item) || !ModDialogTools::GetState(context, dialog)) return;
  procedure(item, flag);
  ModDialogTools::ResetState(context);
}

void ForAllDo(DialogRecord* dialog, ItemFlagProc procedure, bool flag) {
  ModDialogTools::DialogContext context;
  if (!dialog->Open || !ModDialogTools::GetState(context, dialog)) return;
  for (int i = dialog->ItemCount; i >= 1; --i) procedure(i, flag);
  ModDialogTools::ResetState(context);
}

bool IsVisible(const DialogRecord* dialog, int item) {
  const DialogItem* it = ItemOf(dialog, item);
  if (it == nullptr || !it->Visible || it->Suppressed) return false;
  if (dialog->ActivePane != 0 && it->Pane != 0 && it->Pane != dialog->ActivePane) return false;
  return it->Rect.right > 0;
}

bool IsEnabled(const DialogRecord* dialog, int item) {
  const DialogItem* it = ItemOf(dialog, item);
  return it != nullptr && it->Enabled && ModDialogTools::MinAccessLevel >= it->AccessLevel;
}

bool IsExecutable(const DialogRecord* dialog, int item) {
  const DialogItem* it = ItemOf(dialog, item);
  return it != nullptr && it->Executable && IsEnabled(dialog, item) && it->Visible && !it->Suppressed;
}

bool PointVisible(DialogRecord* dialog, Geometry::Point point, Geometry::Point& local) {
  if (!dialog->WindowVisible || dialog->MacWindow == nullptr) return false;
  const Geometry::Rect content = Windows::ContentRect(dialog->MacWindow);
  local = Geometry::Point{point.h - content.left, point.v - content.top};
  return Windows::GetWindowPort(dialog->MacWindow)->visRgn.Contains(local);
}

bool ItemFullyVisible(DialogRecord* dialog, int item) {
  if (!dialog->WindowVisible || dialog->Window == nullptr || dialog->Window->outputDevice > Graphics::kPrinter) {
    return false;
  }
  Geometry::Rect r;
  if (item == 0) {
    UpdateWindowPosition(dialog);
    r = dialog->Items[0]->Rect;
  } else if (IsVisible(dialog, item)) {
    r = dialog->Items[item]->Rect;
  } else {
    return false;
  }
  Region::Rgn outside(r);
  outside.Subtract(Windows::GetWindowPort(dialog->MacWindow)->visRgn);
  return outside.Empty();
}

void SetActivePane(DialogRecord* dialog, int item) {
  if (!dialog->Open || !InRange(dialog, item)) return;
  DialogItem& chosen = *dialog->Items[item];
  dialog->ActivePane = chosen.PaneOwner;
  for (int i = 1; i <= dialog->ItemCount; ++i) {
    DialogItem& it = *dialog->Items[i];
    if (it.Type == kPane && IsVisible(dialog, i) && BoundFlag(it)) *static_cast<std::uint8_t*>(it.Value) = 0;
  }
  if (chosen.Type == kPane && chosen.Value != nullptr) *static_cast<std::uint8_t*>(chosen.Value) = 1;
  DoUpdate(dialog, true);
}

void ClearItem(DialogRecord* dialog, int item) {
  if (IsVisible(dialog, item)) EraseItemArea(dialog, item, dialog->Items[item]->BackColor);
}

void HideItem(DialogRecord* dialog, int item) {
  if (InRange(dialog, item) && dialog->Open) EraseItemArea(dialog, item, dialog->Items[0]->BackColor);
}

void PaintItem(DialogRecord* dialog, int item, const Color::RGB& colour) {
  if (dialog->Shown && InRange(dialog, item)) EraseItemArea(dialog, item, colour);
}

void InvertItem(DialogRecord* dialog, int item) {
  if (IsVisible(dialog, item)) ForOneDo(dialog, item, InvertOnce, true);
}

void DoEraseItem(int item) {
  if (IsVisible(DialogPtr, item)) EraseItemArea(DialogPtr, item, DialogPtr->Items[item]->BackColor);
}

void DoInvertItem(int item) {
  DialogRecord* dialog = DialogPtr;
  if (!IsVisible(dialog, item)) return;
  DialogItem& it = *dialog->Items[item];
  dialog->Changed = true;
  it.NeedsDraw = true;
  it.Toggle = it.Toggle == 1 ? 2 : 1;
  Graphics::Bracket bracket(dialog->Window);
  if (!bracket.Began()) return;
  switch (it.Type) {
    case kButton:
    case kSwitch:
    case kDrag2:
      Shapes::InvertRoundRect(it.Rect, 10, 10);
      break;
    case kNotKnown:
    case kList:
    case kOffscreen:
    case kGWindow:
      break;
    default:
      if (it.Type < kTypeCount) Shapes::InvertRect(it.Rect);
      break;
  }
}

void SetInverted(int item, bool on) {
  DialogItem* it = InRange(DialogPtr, item) ? DialogPtr->Items[item] : nullptr;
  if (it == nullptr || it->Type < kButton || it->Type > kMultiCheck) return;
  if (!IsVisible(DialogPtr, item)) {
    it->Inverted = false;
    return;
  }
  if (on != it->Inverted) DoInvertItem(item);
  it->Inverted = on;
}

void DrawNewText(int item, int extraIndent) {
  DialogRecord* dialog = DialogPtr;
  DialogItem* it = ItemOf(dialog, item);
  if (it == nullptr) return;
  Graphics::Bracket bracket(dialog->Window);
  if (!bracket.Began()) return;
  PortState::Scope scope(Port::GetPort());
  Port::BackPat(Pattern::kWhite);
  bool dark = it->DarkBack;
  Color::RGB colour = it->BackColor;
  if ((it->Type == kSwitch || it->Type == kFramedBool) && BoundFlag(*it)) {
    colour = it->Area.HighlightColor;
    dark = !dark;
  }
  const Color::RGB textColour = dark ? Color::kWhite : Color::kBlack;
  const bool editedOnDark = !dark && dialog->CurrentItem == item && Sum(colour) <= kDarkForEditing;
  Port::RGBBackColor(editedOnDark ? Color::kWhite : colour);
  Port::RGBForeColor(textColour);
  char stars[kNameSize] = "";
  std::string_view text = ShownText(*it);
  if (it->Type == kEditText && it->Password) {
    const std::size_t count = std::min<std::size_t>(text.size(), kNameSize - 1);
    std::fill_n(stars, count, '*');
    text = std::string_view(stars, count);
  }
  EraseForText(*it);
  if (!text.empty()) {
    Port::ClipRect(it->Rect);
    Port::TextFont(it->FontNumber);
    Port::TextSize(static_cast<int>(std::lround(it->FontSize * MacEnv::FontFactor)));
    Port::TextFace(it->TextStyle);
    Port::TextMode(Port::kSrcOr);
    DrawLines(*it, text, extraIndent, textColour);
  }
  if (!IsEnabled(dialog, item)) {
    Port::PenMode(Port::kPatBic);
    Port::PenPat(Pattern::kGray);
    Shapes::PaintRect(it->Rect);
  }
}

}  // namespace ModDialog
