#include "platform/Dialogs.h"

#include "platform/AppleEvents.h"
#include "platform/Beep.h"
#include "platform/Events.h"
#include "platform/PortState.h"
#include "platform/Resources.h"
#include "platform/Screen.h"
#include "platform/Shapes.h"
#include "platform/WindowTrack.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace Dialogs {

using Geometry::Point;
using Geometry::Rect;

namespace {

struct Item {
  int kind = Resources::kUserItem;
  Rect rect;
  std::string text;  // static texts as written, with their ^0 .. ^3
  bool visible = true;
  Controls::Control* control = nullptr;
  TextEdit::Field* field = nullptr;
  UserItemProc proc = nullptr;
};

}  // namespace

struct Dialog {
  int id = 0;
  Windows::Window* window = nullptr;
  std::vector<Item> items;
  int defaultItem = 0;
  int cancelItem = 0;
  int focus = 0;
};

namespace {

std::vector<Dialog*> dialogs;
std::array<std::string, 4> params;
bool modalEnded = false;

constexpr unsigned char kEnter = 3;
constexpr unsigned char kTab = 9;
constexpr unsigned char kReturn = 13;
constexpr unsigned char kEscape = 27;
// How long the modal loop sleeps between looks at the focus field's caret.
constexpr std::uint32_t kIdleTicks = 6;
// The frame around an edit item and the default button's outline.
constexpr int kEditFrame = 3;
constexpr int kOutlineGap = 4;

int Base(int kind) { return kind & ~Resources::kDisabled; }
bool Enabled(const Item& it) { return (it.kind & Resources::kDisabled) == 0; }
bool IsText(const Item& it) {
  return Base(it.kind) == Resources::kStaticTextItem || Base(it.kind) == Resources::kEditTextItem;
}
bool IsEdit(const Item& it) { return Base(it.kind) == Resources::kEditTextItem; }

Item* ItemOf(Dialog* d, int item) {
  if (d == nullptr || item < 1 || item > static_cast<int>(d->items.size())) return nullptr;
  return &d->items[static_cast<std::size_t>(item - 1)];
}

const Item* ItemOf(const Dialog* d, int item) { return ItemOf(const_cast<Dialog*>(d), item); }

int ProcOf(int kind) {
  switch (Base(kind)) {
    case Resources::kButtonItem:
      return Controls::kPushButProc;
    case Resources::kCheckBoxItem:
      return Controls::kCheckBoxProc;
    case Resources::kRadioItem:
      return Controls::kRadioButProc;
    case Resources::kScrollBarItem:
      return Controls::kScrollBarProc;
    default:
      return -1;
  }
}

std::string TextOf(std::span<const char> text, std::size_t limit) {
  std::string s(text.begin(), std::find(text.begin(), text.end(), '\0'));
  if (s.size() > limit) s.resize(limit);
  return s;
}

std::string Substituted(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '^' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3') {
      out += params[static_cast<std::size_t>(text[i + 1] - '0')];
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

void DrawOutline(Dialog* d, const Item& it) {
  PortState::Scope scope(Windows::GetWindowPort(d->window));
  Port::PenNormal();
  Port::RGBForeColor(Color::kBlack);
  Port::PenSize(3, 3);
  Shapes::FrameRoundRect(Geometry::InsetRect(it.rect, -kOutlineGap, -kOutlineGap), 16, 16);
}

void DrawEditFrame(Dialog* d, const Item& it) {
  PortState::Scope scope(Windows::GetWindowPort(d->window));
  Port::PenNormal();
  Port::RGBForeColor(Color::kBlack);
  Shapes::FrameRect(Geometry::InsetRect(it.rect, -kEditFrame, -kEditFrame));
}

void DrawItem(Dialog* d, int n) {
  Item& it = *ItemOf(d, n);
  if (!it.visible) return;
  if (it.control != nullptr) {
    Controls::Draw1Control(it.control);
    if (n == d->defaultItem && Base(it.kind) == Resources::kButtonItem) DrawOutline(d, it);
  } else if (IsEdit(it)) {
    DrawEditFrame(d, it);
    TextEdit::Update(it.field);
  } else if (it.field != nullptr) {
    const std::string shown = Substituted(it.text);
    TextEdit::SetText(it.field, shown);
    TextEdit::Update(it.field);
  } else if (it.proc != nullptr) {
    it.proc(d, n);
  }
}

// The area an item covers with its frame or outline.
Rect Covered(const Item& it) { return Geometry::InsetRect(it.rect, -kOutlineGap - 1, -kOutlineGap - 1); }

void EraseArea(Dialog* d, const Rect& r) {
  PortState::Scope scope(Windows::GetWindowPort(d->window));
  Port::RGBBackColor(Color::kWhite);
  Port::BackPat(Pattern::kWhite);
  Shapes::EraseRect(r);
}

// Erases the item's area and draws again what lies there.
void Redraw(Dialog* d, int n) {
  const Rect area = Covered(*ItemOf(d, n));
  EraseArea(d, area);
  for (int k = 1; k <= CountItems(d); ++k) {
    if (k == n || !Geometry::EmptyRect(Geometry::SectRect(area, Covered(*ItemOf(d, k))))) DrawItem(d, k);
  }
}

void SetFocus(Dialog* d, int n) {
  if (d->focus == n) return;
  if (Item* old = ItemOf(d, d->focus)) TextEdit::Activate(old->field, false);
  d->focus = n;
  if (Item* now = ItemOf(d, n)) TextEdit::Activate(now->field, true);
}

// The next shown edit item after the focus, going round.
int NextEditItem(const Dialog* d) {
  const int count = CountItems(d);
  for (int step = 1; step <= count; ++step) {
    const int n = (d->focus + step - 1) % count + 1;
    const Item& it = *ItemOf(d, n);
    if (IsEdit(it) && it.visible) return n;
  }
  return 0;
}

// An item that Return, Enter, Escape or Command-period may hit.
bool Usable(const Dialog* d, int n) {
  const Item* it = ItemOf(d, n);
  if (it == nullptr || !it->visible) return false;
  return it->control == nullptr || Controls::GetControlHilite(it->control) != Controls::kInactive;
}

bool Key(Dialog* d, const EventQueue::EventRecord& e, int& item) {
  const auto ch = static_cast<unsigned char>(e.message & 0xFF);
  const bool command = (e.modifiers & EventQueue::kCmdKey) != 0;
  if ((command && ch == '.') || (!command && ch == kEscape)) {
    if (!Usable(d, d->cancelItem)) return false;
    item = d->cancelItem;
    return true;
  }
  if (command) return false;
  if ((ch == kReturn || ch == kEnter) && Usable(d, d->defaultItem)) {
    item = d->defaultItem;
    return true;
  }
  if (ch == kTab) {
    if (const int next = NextEditItem(d); next > 0) SelectItemText(d, next, 0, TextEdit::kMaxLength);
    return false;
  }
  Item* focus = ItemOf(d, d->focus);
  if (focus == nullptr || !focus->visible) return false;
  TextEdit::Key(focus->field, ch, e.modifiers);
  if (!Enabled(*focus)) return false;
  item = d->focus;
  return true;
}

bool Click(Dialog* d, const EventQueue::EventRecord& e, int& item) {
  const Rect content = Windows::ContentRect(d->window);
  const Point local{e.where.h - content.left, e.where.v - content.top};
  for (int n = 1; n <= CountItems(d); ++n) {
    Item& it = *ItemOf(d, n);
    if (!it.visible || !Geometry::PtInRect(local, it.rect)) continue;
    if (it.control != nullptr) {
      if (Controls::TestControl(it.control, local) == Controls::kNoPart) continue;
      if (Controls::TrackControl(it.control, local, Controls::GetControlAction(it.control)) == Controls::kNoPart || !Enabled(it)) return false;
    } else if (IsEdit(it)) {
      SetFocus(d, n);
      TextEdit::Click(it.field, local, (e.modifiers & EventQueue::kShiftKey) != 0, e.when);
    }
    if (!Enabled(it)) return false;
    item = n;
    return true;
  }
  return false;
}

void Update(Windows::Window* w) {
  Windows::BeginUpdate(w);
  if (Dialog* d = GetDialogFromWindow(w)) DrawDialog(d);
  Windows::EndUpdate(w);
}

// One event for the dialog; true when it hit an item.
bool Handle(Dialog* d, const EventQueue::EventRecord& e, int& item) {
  switch (e.what) {
    case EventQueue::kNullEvent:
      if (Item* focus = ItemOf(d, d->focus)) TextEdit::Idle(focus->field);
      return false;
    case EventQueue::kUpdateEvt:
      Update(Events::EventWindow(e));
      return false;
    case EventQueue::kActivateEvt:
      if (Events::EventWindow(e) == d->window) {
        if (Item* focus = ItemOf(d, d->focus)) {
          TextEdit::Activate(focus->field, (e.modifiers & EventQueue::kActiveFlag) != 0);
        }
      }
      return false;
    case EventQueue::kMouseDown: {
      Windows::Window* w = nullptr;
      const int part = Windows::FindWindow(e.where, &w);
      if (w != d->window) {
        Beep::SysBeep();
        return false;
      }
      if (part == Windows::kInDrag) {
        WindowTrack::DragWindow(w, e.where, Screen::Bounds());
        return false;
      }
      return part == Windows::kInContent && Click(d, e, item);
    }
    case EventQueue::kKeyDown:
    case EventQueue::kAutoKey:
      return Key(d, e, item);
    default:
      return false;
  }
}

// The modal loop; false when a quit request or the end of input ended it.
bool Modal(Dialog* d, ModalFilter filter, int& item) {
  item = 0;
  if (d == nullptr) return false;
  for (;;) {
    EventQueue::EventRecord e;
    Events::WaitNextEvent(EventQueue::kEveryEvent | EventQueue::kHighLevelEventMask, e, kIdleTicks);
    if (e.what == EventQueue::kHighLevelEvent) {
      AppleEvents::Process(e);
      if (e.message == AppleEvents::kQuitApplication) return false;
      continue;
    }
    if (e.what == EventQueue::kNullEvent && Events::InputEnded()) return false;
    if (filter != nullptr && filter(d, e, item)) return true;
    if (Handle(d, e, item)) return true;
  }
}

}  // namespace

Dialog* GetNewDialog(int id) {
  const Resources::DialogTemplate* t = Resources::GetDialog(id);
  if (t == nullptr) return nullptr;
  Windows::Window* w = Windows::NewWindow(t->bounds, t->title, false, t->procID, true, false, nullptr);
  if (w == nullptr) return nullptr;
  Windows::SetKind(w, Windows::kDialogKind);
  auto* d = new Dialog;
  d->id = id;
  d->window = w;
  dialogs.push_back(d);
  for (const Resources::Item& ti : t->items) {
    Item it;
    it.kind = ti.kind;
    it.rect = ti.rect;
    if (const int proc = ProcOf(ti.kind); proc >= 0) {
      const int maximum = proc == Controls::kScrollBarProc ? 0 : 1;
      it.control = Controls::NewControl(w, ti.rect, ti.text, true, 0, 0, maximum, proc, nullptr);
    } else if (IsText(it)) {
      it.field = TextEdit::New(w, ti.rect);
      if (IsEdit(it)) {
        TextEdit::SetText(it.field, ti.text);
      } else {
        it.text = ti.text;
      }
    }
    d->items.push_back(std::move(it));
  }
  if (const int first = NextEditItem(d); first > 0) SelectItemText(d, first, 0, TextEdit::kMaxLength);
  DrawDialog(d);
  return d;
}

void DisposeDialog(Dialog* d) {
  if (d == nullptr) return;
  for (Item& it : d->items) TextEdit::Dispose(it.field);
  Controls::KillControls(d->window);
  Windows::DisposeWindow(d->window);
  dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), d), dialogs.end());
  delete d;
}

Windows::Window* GetDialogWindow(const Dialog* d) { return d == nullptr ? nullptr : d->window; }

Dialog* GetDialogFromWindow(const Windows::Window* w) {
  if (w == nullptr) return nullptr;
  const auto it = std::find_if(dialogs.begin(), dialogs.end(), [w](const Dialog* d) { return d->window == w; });
  return it == dialogs.end() ? nullptr : *it;
}

Dialog* FrontDialog() { return GetDialogFromWindow(Windows::FrontWindow()); }

int GetDialogID(const Dialog* d) { return d == nullptr ? 0 : d->id; }

void ParamText(std::span<const char> p0, std::span<const char> p1, std::span<const char> p2,
               std::span<const char> p3) {
  const std::array<std::span<const char>, 4> all{p0, p1, p2, p3};
  for (std::size_t k = 0; k < all.size(); ++k) params[k] = TextOf(all[k], kMaxItemText);
}

int CountItems(const Dialog* d) { return d == nullptr ? 0 : static_cast<int>(d->items.size()); }

int GetItemKind(const Dialog* d, int item) {
  const Item* it = ItemOf(d, item);
  return it == nullptr ? kNoItem : it->kind;
}

Rect GetItemRect(const Dialog* d, int item) {
  const Item* it = ItemOf(d, item);
  return it == nullptr ? Rect{} : it->rect;
}

Controls::Control* GetItemControl(const Dialog* d, int item) {
  const Item* it = ItemOf(d, item);
  return it == nullptr ? nullptr : it->control;
}

TextEdit::Field* GetItemField(const Dialog* d, int item) {
  const Item* it = ItemOf(d, item);
  return it == nullptr ? nullptr : it->field;
}

void GetItemText(const Dialog* d, int item, std::span<char> text) {
  if (text.empty()) return;
  text[0] = '\0';
  const Item* it = ItemOf(d, item);
  if (it == nullptr) return;
  if (it->control != nullptr) {
    Controls::GetControlTitle(it->control, text);
    return;
  }
  const std::string_view s = IsEdit(*it) ? TextEdit::GetText(it->field) : std::string_view(it->text);
  const std::size_t n = std::min(s.size(), text.size() - 1);
  std::copy_n(s.begin(), n, text.begin());
  text[n] = '\0';
}

void SetItemText(Dialog* d, int item, std::span<const char> text) {
  Item* it = ItemOf(d, item);
  if (it == nullptr) return;
  if (it->control != nullptr) {
    Controls::SetControlTitle(it->control, text);
    if (item == d->defaultItem) Redraw(d, item);
  } else if (IsEdit(*it)) {
    TextEdit::SetText(it->field, TextOf(text, TextEdit::kMaxLength));
    Redraw(d, item);
  } else if (it->field != nullptr) {
    it->text = TextOf(text, kMaxItemText);
    Redraw(d, item);
  }
}

void SelectItemText(Dialog* d, int item, int start, int end) {
  Item* it = ItemOf(d, item);
  if (it == nullptr || !IsEdit(*it)) return;
  SetFocus(d, item);
  TextEdit::SetSelect(it->field, start, end);
}

int GetKeyboardFocus(const Dialog* d) { return d == nullptr ? 0 : d->focus; }

void ShowItem(Dialog* d, int item) {
  Item* it = ItemOf(d, item);
  if (it == nullptr || it->visible) return;
  it->visible = true;
  Controls::ShowControl(it->control);
  Redraw(d, item);
}

void HideItem(Dialog* d, int item) {
  Item* it = ItemOf(d, item);
  if (it == nullptr || !it->visible) return;
  it->visible = false;
  Controls::HideControl(it->control);
  if (d->focus == item) SetFocus(d, NextEditItem(d));
  Redraw(d, item);
}

bool IsItemVisible(const Dialog* d, int item) {
  const Item* it = ItemOf(d, item);
  return it != nullptr && it->visible;
}

void SetDefaultItem(Dialog* d, int item) {
  if (d == nullptr || d->defaultItem == item) return;
  const int old = d->defaultItem;
  d->defaultItem = item;
  if (ItemOf(d, old) != nullptr) Redraw(d, old);
  if (ItemOf(d, item) != nullptr) Redraw(d, item);
}

int GetDefaultItem(const Dialog* d) { return d == nullptr ? 0 : d->defaultItem; }

void SetCancelItem(Dialog* d, int item) {
  if (d != nullptr) d->cancelItem = item;
}

int GetCancelItem(const Dialog* d) { return d == nullptr ? 0 : d->cancelItem; }

void SetUserItemProc(Dialog* d, int item, UserItemProc proc) {
  Item* it = ItemOf(d, item);
  if (it == nullptr || Base(it->kind) != Resources::kUserItem) return;
  it->proc = proc;
  Redraw(d, item);
}

void DrawDialog(Dialog* d) {
  if (d == nullptr) return;
  const PortState::Scope scope(Windows::GetWindowPort(d->window));
  EraseArea(d, Port::GetPortBounds());
  for (int n = 1; n <= CountItems(d); ++n) DrawItem(d, n);
}

void Cut(Dialog* d) {
  if (Item* focus = ItemOf(d, d == nullptr ? 0 : d->focus)) TextEdit::Cut(focus->field);
}

void Copy(Dialog* d) {
  if (Item* focus = ItemOf(d, d == nullptr ? 0 : d->focus)) TextEdit::Copy(focus->field);
}

void Paste(Dialog* d) {
  if (Item* focus = ItemOf(d, d == nullptr ? 0 : d->focus)) TextEdit::Paste(focus->field);
}

bool ItemCenter(const Dialog* d, int item, Point& global) {
  const Item* it = ItemOf(d, item);
  if (it == nullptr || !it->visible) return false;
  const Rect content = Windows::ContentRect(d->window);
  global = Point{content.left + (it->rect.left + it->rect.right) / 2, content.top + (it->rect.top + it->rect.bottom) / 2};
  return true;
}

void ModalDialog(ModalFilter filter, int& item) { modalEnded = !Modal(FrontDialog(), filter, item); }

bool ModalEnded() { return modalEnded; }

int Alert(int id, ModalFilter filter) {
  Dialog* d = GetNewDialog(id);
  if (d == nullptr) return -1;
  SetDefaultItem(d, 1);
  Windows::ShowWindow(d->window);
  Windows::SelectWindow(d->window);
  int item = 0;
  while (Modal(d, filter, item) && item <= 0) {
  }
  DisposeDialog(d);
  return item;
}

}  // namespace Dialogs
