#include "selftest/TestPlotDialog.h"

#include <cctype>
#include <string_view>

#include "platform/Controls.h"
#include "platform/WindowFrame.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

namespace TestPlotDialog {

namespace {

bool ValidItem(const DialogRecord& d, int item) { return item >= 1 && item <= d.itemCount; }

Windows::Window* WindowOf(const DialogRecord& d) { return ModWindow::GetMacWindow(d.root); }

Geometry::Rect LocalRect(const ItemRect& r) {
  return Geometry::SetRect(r.left, r.bottom - r.height, r.left + r.width, r.bottom);
}

// The panes share the window's port and leave their clip in it: the
// switches draw with the whole window's.
void ShowSwitch(const DialogRecord& d, Item& it) {
  Graphics::ActivateWindowParameters(d.root);
  Controls::SetControlValue(it.control, it.flag != nullptr && *it.flag ? 1 : 0);
  if (it.shown) {
    Controls::ShowControl(it.control);
  } else {
    Controls::HideControl(it.control);
  }
}

void Toggle(DialogRecord& d, int item) {
  Item& it = d.items[static_cast<std::size_t>(item)];
  if (it.flag != nullptr) *it.flag = !*it.flag;
  UpdateItem(d, item);
}

// The shown switch under the click, tracked until the button goes up.
bool ProcessClick(DialogRecord& d) {
  Windows::Window* w = WindowOf(d);
  const Geometry::Rect content = Windows::ContentRect(w);
  const Geometry::Point local{MacEnv::theEvent.where.h - content.left, MacEnv::theEvent.where.v - content.top};
  Controls::Control* hit = nullptr;
  if (Controls::FindControl(local, w, &hit) == Controls::kNoPart) return false;
  for (int i = 1; i <= d.itemCount; ++i) {
    Item& it = d.items[static_cast<std::size_t>(i)];
    if (it.control != hit || it.type != ItemType::Switch || !it.shown) continue;
    if (Controls::TrackControl(hit, local, nullptr) != Controls::kNoPart) Toggle(d, i);
    return true;
  }
  return false;
}

bool ProcessCommandKey(DialogRecord& d, char character) {
  if (!IsInFront(d)) return false;
  const int wanted = std::toupper(static_cast<unsigned char>(character));
  for (int i = 1; i <= d.itemCount; ++i) {
    const Item& it = d.items[static_cast<std::size_t>(i)];
    if (it.type != ItemType::Switch || it.commandKey == 0 || !it.shown) continue;
    if (std::toupper(static_cast<unsigned char>(it.commandKey)) != wanted) continue;
    Toggle(d, i);
    return true;
  }
  return false;
}

}  // namespace

void ClearRecord(DialogRecord& d) {
  Shutdown(d);
  d = DialogRecord{};
}

bool Open(DialogRecord& d) {
  if (IsOpen(d)) return true;
  ModWindow::WindowParameters p;
  p.left = static_cast<std::int16_t>(d.rect.left);
  p.right = static_cast<std::int16_t>(d.rect.left + d.rect.width);
  p.bottom = static_cast<std::int16_t>(d.rect.bottom);
  p.top = static_cast<std::int16_t>(d.rect.bottom - d.rect.height);
  p.fontNumber = static_cast<std::int16_t>(d.fontNumber);
  p.fontSize = static_cast<std::int16_t>(d.fontSize);
  d.root = ModWindow::Create(0, p, WindowFrame::kNoGrowDocProc, std::string_view(d.title), true, true, false);
  if (d.root == nullptr) return false;
  Windows::Window* w = WindowOf(d);
  d.terminal = ANSITerm::Open(w, d.fontNumber, d.fontSize);
  if (d.terminal == nullptr) return false;
  for (int i = 1; i <= d.itemCount; ++i) {
    Item& it = d.items[static_cast<std::size_t>(i)];
    if (it.type != ItemType::Switch) continue;
    it.control = Controls::NewControl(w, LocalRect(it.rect), std::string_view(it.text), it.shown,
                                      it.flag != nullptr && *it.flag ? 1 : 0, 0, 1, Controls::kCheckBoxProc, nullptr);
    if (it.control == nullptr) return false;
  }
  return true;
}

bool IsOpen(const DialogRecord& d) { return d.root != nullptr; }

void Shutdown(DialogRecord& d) {
  ANSITerm::Close(d.terminal);
  for (int i = 1; i <= d.itemCount; ++i) {
    Item& it = d.items[static_cast<std::size_t>(i)];
    it.control = nullptr;
    it.window = nullptr;
  }
  // Removing the root frees the panes and the controls with the window.
  ModWindow::Remove(d.root);
}

void Hide(DialogRecord& d) { ModWindow::Hide(d.root); }

void BringToFront(DialogRecord& d) { ModWindow::BringToFront(d.root); }

bool IsShown(const DialogRecord& d) { return IsOpen(d) && Windows::IsVisible(WindowOf(d)); }

bool IsInFront(const DialogRecord& d) { return IsShown(d) && Windows::FrontWindow() == WindowOf(d); }

void ShowItem(DialogRecord& d, int item, bool shown) {
  if (!ValidItem(d, item)) return;
  Item& it = d.items[static_cast<std::size_t>(item)];
  it.shown = shown;
  if (it.type == ItemType::Switch) ShowSwitch(d, it);
  if (!shown && it.type == ItemType::GraphicsPane && IsOpen(d)) {
    Graphics::RemoveWindow(it.window);
    Windows::InvalRect(WindowOf(d), LocalRect(it.rect));
  }
}

void UpdateItem(DialogRecord& d, int item) {
  if (!ValidItem(d, item)) return;
  Item& it = d.items[static_cast<std::size_t>(item)];
  if (it.type == ItemType::Switch) ShowSwitch(d, it);
  it.needsRedraw = false;
}

bool CreateItemWindow(DialogRecord& d, int item) {
  if (!IsOpen(d) || !ValidItem(d, item)) return false;
  Item& it = d.items[static_cast<std::size_t>(item)];
  if (it.type != ItemType::GraphicsPane) return false;
  const Geometry::Rect r = LocalRect(it.rect);
  if (it.window == nullptr) {
    it.window = Graphics::CreateWindowInt(d.root, r.left, r.top, r.right, r.bottom);
  } else {
    Graphics::ResizeWindowInt(it.window, r.left, r.top, r.right, r.bottom);
    Graphics::ResetWindow(it.window);
  }
  return it.window != nullptr;
}

void Update(DialogRecord& d) {
  if (!IsOpen(d)) return;
  for (int i = 1; i <= d.itemCount; ++i) UpdateItem(d, i);
  Graphics::ActivateWindowParameters(d.root);
  Controls::DrawControls(WindowOf(d));
  d.needsUpdate = false;
}

void Process(DialogRecord& d, int code, char character) {
  if (!IsOpen(d)) return;
  bool taken = false;
  if (code == ANSIBase::KeyMouse && ANSITerm::ActiveWindow() == WindowOf(d)) {
    taken = ProcessClick(d);
  } else if (code == ANSIBase::KeyCharacter) {
    taken = ProcessCommandKey(d, character);
  } else if (code == ANSIBase::KeyWindowClose && ANSITerm::ActiveWindow() == WindowOf(d)) {
    if (d.mayClose == nullptr || d.mayClose()) Hide(d);
    taken = true;
  }
  if (!taken && d.notProcessed != nullptr) d.notProcessed(code, character);
}

bool ItemCenter(const DialogRecord& d, int item, int& h, int& v) {
  if (!IsShown(d) || !ValidItem(d, item)) return false;
  const Item& it = d.items[static_cast<std::size_t>(item)];
  if (!it.shown) return false;
  const Geometry::Rect content = Windows::ContentRect(WindowOf(d));
  h = content.left + it.rect.left + it.rect.width / 2;
  v = content.top + it.rect.bottom - it.rect.height / 2;
  return true;
}

}  // namespace TestPlotDialog
