#include "dialogs/ModDialogIcons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "dialogs/ItemValue.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "dialogs/ModDialogUt.h"
#include "foundation/Strings.h"
#include "platform/Lines.h"
#include "platform/Port.h"
#include "platform/PortState.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "shell/MacEnv.h"

namespace ModDialogIcons {

namespace {

using namespace ModDialogUt;
using Geometry::Point;
using Geometry::Rect;

// Drawing into the current dialog's window for one procedure: the port is
// the window's and its state comes back afterwards.
class Drawing {
 public:
  explicit Drawing(int n)
      : item_(ItemOf(ModDialog::DialogPtr, n)),
        bracket_(item_ != nullptr ? ModDialog::DialogPtr->Window : nullptr),
        scope_(bracket_.Began() ? Port::GetPort() : nullptr) {
    if (bracket_.Began()) Port::PenNormal();
  }
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;
  // The item, when its window can be drawn in.
  DialogItem* Item() const { return bracket_.Began() ? item_ : nullptr; }

 private:
  DialogItem* item_;
  Graphics::Bracket bracket_;
  PortState::Scope scope_;
};

std::uint8_t BoundByte(const DialogItem& item) {
  return item.Value != nullptr ? *static_cast<const std::uint8_t*>(item.Value) : 0;
}

// Marks on a dark back are drawn light.
void MarkColour(const DialogItem& item) { Port::RGBForeColor(item.DarkBack ? Color::kWhite : Color::kBlack); }

void Cross(const Rect& box) {
  Port::MoveTo(box.left, box.top);
  Lines::LineTo(box.right - 1, box.bottom - 1);
  Port::MoveTo(box.left, box.bottom - 1);
  Lines::LineTo(box.right - 1, box.top);
}

void FrameOutside(const Rect& r) { Shapes::FrameRect(Geometry::InsetRect(r, -1, -1)); }

// The value text of a number item, for framednumber behind its prefix.
void ValueText(int n) {
  ModDialogTools::ConvertToString(n);
  DialogItem* item = ItemOf(ModDialog::DialogPtr, n);
  if (item != nullptr && item->Type == kFramedNumber) Strings::Insert(item->Text, item->Area.Prefix, 0);
}

// A multicheck's text stands behind its last box.
void MultiCheckText(int n) {
  const DialogItem* item = ItemOf(ModDialog::DialogPtr, n);
  if (item == nullptr) return;
  ModDialog::DrawNewText(n, item->Area.Box.TextOffset + (item->Digits - 1) * item->Area.Box.BoxPitch);
}

// Highlighted boxes and their digits are red.
void BoxColour(const DialogItem& item, int box) {
  const bool highlighted = item.HighlightFrom <= box && box <= item.HighlightTo;
  Port::RGBForeColor(highlighted ? Color::kRed : (item.DarkBack ? Color::kWhite : Color::kBlack));
}

// Shapes are drawn with lines relative to the centre of the item.
enum Shape { kLeft, kRight, kUp, kDown, kLeftRight, kUpDown, kHCenter, kVCenter, kShow, kHide };

std::vector<Point> Outline(Shape shape, int a, int k, int d) {
  switch (shape) {
    case kLeft:
    case kRight: {
      std::vector<Point> p{{-d, 0},         {a - d, a},      {a - d, a - k}, {a - d + k, a - k},
                           {a - d + k, k - a}, {a - d, k - a}, {a - d, -a}};
      if (shape == kRight) {
        for (Point& q : p) q.h = -q.h;
      }
      return p;
    }
    case kUp:
    case kDown: {
      std::vector<Point> p{{0, -d},         {-a, a - d},     {k - a, a - d}, {k - a, a - d + k},
                           {a - k, a - d + k}, {a - k, a - d}, {a, a - d}};
      if (shape == kDown) {
        for (Point& q : p) q.v = -q.v;
      }
      return p;
    }
    case kLeftRight: {
      const int e = k + 1;
      const int x0 = a - 2 * d;
      return {{-2 * d, 0},  {x0, a},         {x0, a - e},        {x0 + e, a - e}, {x0 + e, a},
              {x0 + e + a, 0}, {x0 + e, -a}, {x0 + e, e - a},    {x0, e - a},     {x0, -a}};
    }
    case kUpDown: {
      const int e = k + 1;
      const int y0 = 1 - 2 * d + a;
      return {{0, 1 - 2 * d},  {-a, y0},        {e - a, y0},        {e - a, y0 + e}, {-a, y0 + e},
              {0, y0 + e + a}, {a, y0 + e},     {a - e, y0 + e},    {a - e, y0},     {a, y0}};
    }
    case kVCenter:
    case kHCenter: {
      std::vector<Point> p{{0, 0},      {-a, a},     {k - a, a},      {k - a, a + k}, {a - k, a + k},
                           {a - k, a},  {a, a},      {-a, -a},        {k - a, -a},    {k - a, -a - k},
                           {a - k, -a - k}, {a - k, -a}, {a, -a}};
      // The horizontal form is the vertical one turned a quarter.
      if (shape == kHCenter) {
        for (Point& q : p) std::swap(q.h, q.v);
      }
      return p;
    }
    case kShow:
      return {{0, k}, {a, k - a}, {-a, k - a}};
    case kHide:
      return {{k, 0}, {k - a, -a}, {k - a, a}};
  }
  return {};
}

void DrawShape(int n, Shape shape) {
  ModDialog::DrawNewText(n, 0);
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  if (item->Type == kFramedBool || item->Type == kFramedText) FrameOutside(item->Rect);
  const Rect& r = item->Rect;
  const bool large = Geometry::Width(r) / 2 > 8 && Geometry::Height(r) / 2 > 8;
  const int a = large ? 7 : 5;
  const int k = large ? 3 : 2;
  const int d = large ? 5 : 4;
  const Point centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  std::vector<Point> points = Outline(shape, a, k, d);
  for (Point& p : points) p = Point{centre.h + p.h, centre.v + p.v};
  points.push_back(points.front());
  const bool on = item->Type == kFramedBool && BoundByte(*item) != 0;
  Port::RGBForeColor(on || item->DarkBack ? Color::kWhite : Color::kBlack);
  Shapes::FramePoly(points);
}

// The command key's name in a small frame at x, one pixel below the item's
// top, drawn as a text item for the moment.
void ShowKeyName(int n, int kind, char character, int modifiers, int x) {
  DialogRecord* dialog = ModDialog::DialogPtr;
  DialogItem* item = ItemOf(dialog, n);
  char name[kNameSize] = "";
  if (kind <= 1 || !KeyToString(kind, character, modifiers, name)) return;
  const DialogItem saved = *item;
  item->Type = kText;
  item->ValueKind = kString;
  item->Value = item->Text;
  item->Length = kNameSize - 1;
  Strings::Assign(item->Text, name);
  item->BackColor = Color::kWhite;
  item->DarkBack = false;
  item->FontNumber = 16;
  item->FontSize = 9;
  item->TextStyle = 0;
  item->Justification = 1;
  item->TextIndent = 0;
  item->HighlightFrom = -1;
  item->Enabled = true;
  const Fonts::FontInfo info = Fonts::GetFontInfo(16, 9, 0);
  item->TextBaseline = static_cast<std::int16_t>(1 + info.ascent);
  int width = 19;
  {
    Drawing drawing(n);
    Port::TextFont(16);
    Port::TextSize(9);
    Port::TextFace(0);
    width = std::max(Text::StringWidth(name) + 5, 19);
  }
  Rect r = Geometry::SetRect(x, saved.Rect.top + 1, x + width, saved.Rect.top + 12);
  const int edge = dialog->Items[0]->Rect.right;
  if (r.right > edge) r = Geometry::OffsetRect(r, edge - r.right, 0);
  item->Rect = r;
  const auto uc = static_cast<unsigned char>(character);
  if (kind == kCharacterKey && (uc == 255 || uc == 254)) {
    Strings::Clear(item->Text);
    DrawShape(n, uc == 255 ? kUpDown : kLeftRight);
  } else {
    ModDialog::DrawNewText(n, 0);
  }
  SimpleFrame(n);
  *item = saved;
}

}  // namespace

void TextOnly(int item) { ModDialog::DrawNewText(item, 0); }

void SimpleFrame(int n) {
  Drawing drawing(n);
  if (const DialogItem* item = drawing.Item()) FrameOutside(item->Rect);
}

void FrameText(int n) {
  ModDialog::DrawNewText(n, 0);
  SimpleFrame(n);
}

void FrameButton(int n) {
  ModDialog::DrawNewText(n, 0);
  Drawing drawing(n);
  if (const DialogItem* item = drawing.Item()) Shapes::FrameRoundRect(item->Rect, 10, 10);
}

void FrameDefaultButton(int n) {
  FrameButton(n);
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  Port::PenSize(3, 3);
  Shapes::FrameRoundRect(Geometry::InsetRect(item->Rect, -4, -4), 16, 16);
}

void DropShadow(int n) {
  ModDialog::DrawNewText(n, 0);
  DrawDropShadow(n);
}

void DrawDropShadow(int n) {
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  const bool choosing = ModDialogTools::ActiveItem == n && ModDialogTools::ActiveSelectionMode == 1;
  Port::RGBForeColor(choosing ? Color::kRed : Color::kBlack);
  const Rect frame = Geometry::InsetRect(item->Rect, -1, -1);
  Shapes::FrameRect(frame);
  Port::MoveTo(frame.left + 2, frame.bottom);
  Lines::LineTo(frame.right, frame.bottom);
  Lines::LineTo(frame.right, frame.top + 3);
}

void FrameNumber(int n) {
  ValueText(n);
  FrameText(n);
}

void DrawDragItem(int n) {
  ValueText(n);
  DropShadow(n);
}

void GetDragText(int n) { ModDialogTools::ConvertToString(n); }

void GetPopupText(int n) {
  DialogItem* item = ItemOf(ModDialog::DialogPtr, n);
  if (item == nullptr) return;
  GetListText(ModDialog::DialogPtr, n, BoundByte(*item) + 1, item->Text);
}

void DrawListItem(int n) {
  GetPopupText(n);
  DropShadow(n);
}

void DrawFramedListItem(int n) {
  GetPopupText(n);
  FrameText(n);
}

void DrawWindowItem(int n) {
  const DialogItem* item = ItemOf(ModDialog::DialogPtr, n);
  if (item != nullptr) Graphics::FrameWindow(item->Area.GWindow, ModDialog::DialogPtr->Window, 1, 1);
}

void CheckBox(int n) {
  const DialogItem* it = ItemOf(ModDialog::DialogPtr, n);
  if (it == nullptr) return;
  ModDialog::DrawNewText(n, it->Area.Box.TextOffset);
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  if (item->DarkBack) Port::RGBForeColor(Color::kWhite);
  Shapes::FrameRect(item->Area.Box.BoxRect);
  if (BoundByte(*item) != item->Area.Box.OffValue) Cross(item->Area.Box.BoxRect);
}

void MultiCheck(int n) {
  MultiCheckText(n);
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr || item->Value == nullptr) return;
  const BoxData& box = item->Area.Box;
  const auto set = *static_cast<const std::uint16_t*>(item->Value);
  for (int i = 0; i < std::min<int>(item->Digits, 16); ++i) {
    const Rect r = Geometry::OffsetRect(box.BoxRect, i * box.BoxPitch, 0);
    if (r.right > item->Rect.right) break;
    BoxColour(*item, i);
    Shapes::FrameRect(r);
    if ((set >> i & 1) != 0) Cross(r);
  }
}

void MultiCheckLabel(int n) {
  MultiCheckText(n);
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  const BoxData& box = item->Area.Box;
  Port::TextFont(item->FontNumber);
  Port::TextSize(static_cast<int>(std::lround(item->FontSize * MacEnv::FontFactor)));
  Port::TextFace(item->TextStyle);
  Port::TextMode(Port::kSrcOr);
  const int boxWidth = Geometry::Width(box.BoxRect);
  for (int i = 0; i < std::min<int>(item->Digits, 16); ++i) {
    const int x = box.BoxRect.left + 1 + i * box.BoxPitch;
    if (x + boxWidth - 2 > item->Rect.right) break;
    BoxColour(*item, i);
    Port::MoveTo(x, item->Rect.top + item->TextBaseline);
    Text::DrawChar(static_cast<unsigned char>('0' + (i + box.FirstLabel) % 10));
  }
}

void RadioButton(int n) {
  ModDialog::DrawNewText(n, 16);
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  MarkColour(*item);
  const int mid = (item->Rect.top + item->Rect.bottom) / 2;
  const Rect circle = Geometry::SetRect(item->Rect.left + 2, mid - 6, item->Rect.left + 14, mid + 6);
  Shapes::FrameOval(circle);
  if (BoundByte(*item) != item->Area.Box.OffValue) Shapes::PaintOval(Geometry::InsetRect(circle, 3, 3));
}

void DrawPaneRider(int n) {
  ModDialog::DrawNewText(n, 0);
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  MarkColour(*item);
  const Rect& r = item->Rect;
  const int right = r.right - 1;
  const int bottom = r.bottom - 1;
  if (BoundByte(*item) != 0) {
    Port::MoveTo(r.left, bottom);
  } else {
    Port::MoveTo(right, bottom);
    Lines::LineTo(r.left, bottom);
  }
  Lines::LineTo(r.left, r.top + 5);
  Lines::LineTo(r.left + 5, r.top);
  Lines::LineTo(right - 5, r.top);
  Lines::LineTo(right, r.top + 5);
  Lines::LineTo(right, bottom);
}

void DrawPaneRect(int n) {
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  const Rect& tab = item->Rect;
  const Rect& page = item->Area.PaneRect;
  const int bottom = tab.bottom - 1;
  if (page.top == page.bottom) {
    MarkColour(*item);
    Port::MoveTo(0, bottom);
    Lines::LineTo(tab.left, bottom);
    Port::MoveTo(tab.right - 1, bottom);
    Lines::LineTo(ModDialog::DialogPtr->Items[0]->Rect.right, bottom);
    return;
  }
  Port::RGBBackColor(item->BackColor);
  Shapes::EraseRect(page);
  MarkColour(*item);
  Port::MoveTo(tab.right - 1, bottom);
  Lines::LineTo(page.right - 1, bottom);
  Lines::LineTo(page.right - 1, page.bottom - 1);
  Lines::LineTo(page.left, page.bottom - 1);
  Lines::LineTo(page.left, bottom);
  Lines::LineTo(tab.left, bottom);
}

void ErrorIcon(int n) {
  SimpleFrame(n);
  Drawing drawing(n);
  const DialogItem* item = drawing.Item();
  if (item == nullptr) return;
  double value = 0;
  const bool on = ItemValue::Read(*item, value) && value != 0;
  Port::RGBBackColor(on ? item->Area.HighlightColor : item->BackColor);
  Shapes::EraseRect(item->Rect);
  Port::RGBForeColor(on && !item->DarkBack ? Color::kWhite : Color::kBlack);
  const int s = item->FontSize - 1;
  const int b = s * 3 / 4;
  const int m = s / 2;
  Port::MoveTo(item->Rect.left + item->TextIndent + b, item->Rect.top + item->TextBaseline - s);
  Lines::Line(-b, 0);
  Lines::Line(0, s);
  Lines::Line(b, 0);
  Port::Move(-b, -s / 2);
  Lines::Line(m, 0);
  if (!ModDialog::IsEnabled(ModDialog::DialogPtr, n)) {
    Port::PenMode(Port::kPatBic);
    Port::PenPat(Pattern::kGray);
    Shapes::PaintRect(item->Rect);
  }
}

void ArrowLeft(int item) { DrawShape(item, kLeft); }
void ArrowRight(int item) { DrawShape(item, kRight); }
void ArrowUp(int item) { DrawShape(item, kUp); }
void ArrowDown(int item) { DrawShape(item, kDown); }
void ArrowLeftRight(int item) { DrawShape(item, kLeftRight); }
void ArrowUpDown(int item) { DrawShape(item, kUpDown); }
void ArrowHCenter(int item) { DrawShape(item, kHCenter); }
void ArrowVCenter(int item) { DrawShape(item, kVCenter); }
void ShowIcon(int item) { DrawShape(item, kShow); }
void HideIcon(int item) { DrawShape(item, kHide); }

void ShowCommandKey(int n, bool on) {
  DialogItem* item = ItemOf(ModDialog::DialogPtr, n);
  if (n < 1 || item == nullptr || item->Value == nullptr || !ModDialog::IsVisible(ModDialog::DialogPtr, n)) return;
  if (!on) {
    if (item->CommandKind != 0) item->DrawProc(n);
    return;
  }
  int offset = 0;
  if (item->Type == kRadioButton) offset = 16;
  if (item->Type == kCheckBox || item->Type == kMultiCheck) offset = item->Area.Box.TextOffset;
  ShowKeyName(n, item->CommandKind, item->CommandChar, item->CommandModifiers, item->Rect.left + 3 + offset);
  if (item->Type == kList || item->Type == kFramedList) {
    ShowKeyName(n, item->Area.List.SecondKind, item->Area.List.SecondChar, item->CommandModifiers,
                item->Rect.right - 19);
  }
}

}  // namespace ModDialogIcons
