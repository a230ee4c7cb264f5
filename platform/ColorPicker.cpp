#include "platform/ColorPicker.h"

#include "platform/Beep.h"
#include "platform/Dialogs.h"
#include "platform/PortState.h"
#include "platform/Screen.h"
#include "platform/Shapes.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

namespace ColorPicker {

namespace {

constexpr std::array<int, 3> kFields{kRedItem, kGreenItem, kBlueItem};

// What the swatches show.
Color::RGB oldColor;
Color::RGB newColor;

void DrawSwatch(Dialogs::Dialog* d, int item) {
  const Geometry::Rect r = Dialogs::GetItemRect(d, item);
  PortState::Scope scope(Windows::GetWindowPort(Dialogs::GetDialogWindow(d)));
  Port::PenNormal();
  Port::RGBForeColor(item == kOldItem ? oldColor : newColor);
  Shapes::PaintRect(r);
  Port::RGBForeColor(Color::kBlack);
  Shapes::FrameRect(r);
}

// A component from its field; false when the text is no whole number in
// 0 .. 65535.
bool ReadComponent(Dialogs::Dialog* d, int item, std::uint16_t& component) {
  char text[Dialogs::kMaxItemText + 1];
  Dialogs::GetItemText(d, item, text);
  const std::string s(text);
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || value > 0xFFFF) return false;
  component = static_cast<std::uint16_t>(value);
  return true;
}

// The first field that does not read; 0 when all do (colour then holds
// them).
int ReadFields(Dialogs::Dialog* d, Color::RGB& colour) {
  std::array<std::uint16_t*, 3> components{&colour.red, &colour.green, &colour.blue};
  for (std::size_t k = 0; k < kFields.size(); ++k) {
    if (!ReadComponent(d, kFields[k], *components[k])) return kFields[k];
  }
  return 0;
}

void Place(Windows::Window* w, Geometry::Point where) {
  const Geometry::Rect screen = Screen::Bounds();
  const Geometry::Rect content = Windows::ContentRect(w);
  const int h = std::clamp(where.h, screen.left, std::max(screen.left, screen.right - Geometry::Width(content)));
  const int v = std::clamp(where.v, screen.top, std::max(screen.top, screen.bottom - Geometry::Height(content)));
  Windows::MoveWindow(w, h, v, false);
}

}  // namespace

bool GetColor(Geometry::Point where, std::span<const char> prompt, const Color::RGB& in, Color::RGB& out) {
  out = in;
  Dialogs::Dialog* d = Dialogs::GetNewDialog(kDialogID);
  if (d == nullptr) return false;
  oldColor = newColor = in;
  Windows::Window* w = Dialogs::GetDialogWindow(d);
  Place(w, where);
  Dialogs::SetItemText(d, kPromptItem, prompt);
  const std::array<std::uint16_t, 3> start{in.red, in.green, in.blue};
  for (std::size_t k = 0; k < kFields.size(); ++k) {
    const std::string text = std::to_string(start[k]);
    Dialogs::SetItemText(d, kFields[k], text);
  }
  Dialogs::SelectItemText(d, kRedItem, 0, Dialogs::kMaxItemText);
  Dialogs::SetUserItemProc(d, kOldItem, DrawSwatch);
  Dialogs::SetUserItemProc(d, kNewItem, DrawSwatch);
  Dialogs::SetDefaultItem(d, kOKItem);
  Dialogs::SetCancelItem(d, kCancelItem);
  Windows::ShowWindow(w);
  Windows::SelectWindow(w);
  bool chosen = false;
  for (;;) {
    int item = 0;
    Dialogs::ModalDialog(nullptr, item);
    if (Dialogs::ModalEnded() || item == kCancelItem) break;
    Color::RGB typed = newColor;
    const int wrong = ReadFields(d, typed);
    if (item == kOKItem) {
      if (wrong == 0) {
        out = typed;
        chosen = true;
        break;
      }
      Beep::SysBeep();
      Dialogs::SelectItemText(d, wrong, 0, Dialogs::kMaxItemText);
    } else if (wrong == 0 && !(typed == newColor)) {
      newColor = typed;
      DrawSwatch(d, kNewItem);
    }
  }
  Dialogs::DisposeDialog(d);
  return chosen;
}

}  // namespace ColorPicker
