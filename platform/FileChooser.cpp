#include "platform/FileChooser.h"

#include "foundation/platform/Clock.h"
#include "platform/Beep.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Input.h"
#include "platform/MacRoman.h"
#include "platform/PortState.h"
#include "platform/Shapes.h"
#include "platform/Text.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace FileChooser {

namespace fs = std::filesystem;

namespace {

struct Entry {
  std::string name;  // as the file system has it
  bool folder = false;
};

struct State {
  const Request* request = nullptr;
  Dialogs::Dialog* dialog = nullptr;
  fs::path folder;
  std::vector<Entry> entries;
  int selected = -1;
  int top = 0;  // the first entry shown
  std::uint32_t lastClick = 0;
  int lastClicked = -1;
};

// The chooser that runs; its list's drawing and scrolling find it here.
State* running = nullptr;

std::string Shown(const std::string& name) {
  std::string chars;
  // With a stand-in for what the set lacks the conversion cannot fail.
  MacRoman::FromUtf8(name, chars, '?');
  return chars;
}

Geometry::Rect ListRect(const State& s) { return Dialogs::GetItemRect(s.dialog, kListItem); }
int VisibleRows(const State& s) { return std::max(1, Geometry::Height(ListRect(s)) / kRowHeight); }

void DrawList(Dialogs::Dialog*, int) {
  if (running == nullptr) return;
  const State& s = *running;
  const Geometry::Rect r = ListRect(s);
  PortState::Scope scope(Windows::GetWindowPort(Dialogs::GetDialogWindow(s.dialog)));
  Port::PenNormal();
  Port::RGBBackColor(Color::kWhite);
  Port::BackPat(Pattern::kWhite);
  Port::TextFont(Controls::kSystemFont);
  Port::TextSize(Controls::kSystemSize);
  Port::TextFace(0);
  Port::TextMode(Port::kSrcOr);
  Shapes::EraseRect(r);
  Port::ClipRect(Geometry::InsetRect(r, 1, 1));
  const Fonts::FontInfo info = Text::GetFontInfo();
  for (int row = 0; row < VisibleRows(s); ++row) {
    const int index = s.top + row;
    if (index >= static_cast<int>(s.entries.size())) break;
    const int top = r.top + 1 + row * kRowHeight;
    if (index == s.selected) {
      Port::RGBForeColor(Color::kHilite);
      Shapes::PaintRect(Geometry::SetRect(r.left + 1, top, r.right - 1, top + kRowHeight));
    }
    Port::RGBForeColor(Color::kBlack);
    Port::MoveTo(r.left + 4, top + (kRowHeight - info.ascent - info.descent) / 2 + info.ascent);
    const Entry& e = s.entries[static_cast<std::size_t>(index)];
    const std::string text = Shown(e.name) + (e.folder ? "/" : "");
    Text::DrawText(std::span<const char>(text.data(), text.size()));
  }
  Port::ClipRect(Port::kWideOpen);
  Shapes::FrameRect(r);
}

void ScrollTo(State& s, int top) {
  Controls::Control* bar = Dialogs::GetItemControl(s.dialog, kScrollItem);
  Controls::SetControlValue(bar, top);
  s.top = Controls::GetControlValue(bar);
  DrawList(s.dialog, kListItem);
}

void ScrollAction(Controls::Control* bar, int part) {
  if (running == nullptr) return;
  const int page = VisibleRows(*running);
  const int value = Controls::GetControlValue(bar);
  switch (part) {
    case Controls::kInUpButton:
      ScrollTo(*running, value - 1);
      break;
    case Controls::kInDownButton:
      ScrollTo(*running, value + 1);
      break;
    case Controls::kInPageUp:
      ScrollTo(*running, value - page);
      break;
    case Controls::kInPageDown:
      ScrollTo(*running, value + page);
      break;
    default:
      break;
  }
}

bool Shows(const State& s, const fs::directory_entry& e, bool folder) {
  const std::string name = e.path().filename().string();
  if (name.empty() || name[0] == '.') return false;
  if (folder) return true;
  if (s.request->kind == Kind::kFolder) return false;
  return s.request->filter == nullptr || s.request->filter(name, s.request->user);
}

void Enter(State& s, const fs::path& folder) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) {
    Beep::SysBeep();
    return;
  }
  s.folder = folder;
  s.entries.clear();
  for (const fs::directory_entry& e : it) {
    std::error_code kindError;
    const bool isFolder = e.is_directory(kindError);
    if (Shows(s, e, isFolder)) s.entries.push_back(Entry{e.path().filename().string(), isFolder});
  }
  std::sort(s.entries.begin(), s.entries.end(), [](const Entry& a, const Entry& b) {
    return a.folder != b.folder ? a.folder : a.name < b.name;
  });
  s.selected = -1;
  s.lastClicked = -1;
  const std::string shown = Shown(s.folder.string());
  Dialogs::SetItemText(s.dialog, kFolderItem, shown);
  Controls::Control* bar = Dialogs::GetItemControl(s.dialog, kScrollItem);
  Controls::SetControlMaximum(bar, std::max(0, static_cast<int>(s.entries.size()) - VisibleRows(s)));
  ScrollTo(s, 0);
}

std::string FolderPath(const fs::path& folder) {
  std::string path = folder.string();
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

// Saving under the typed name: true when the path is chosen.
bool Save(State& s, std::string& path) {
  char typed[TextEdit::kMaxLength + 1];
  Dialogs::GetItemText(s.dialog, kNameItem, typed);
  const std::string name = MacRoman::ToUtf8(typed);
  if (name.empty() || name.find('/') != std::string::npos) {
    Beep::SysBeep();
    return false;
  }
  const fs::path target = s.folder / name;
  std::error_code ec;
  if (fs::is_directory(target, ec)) {
    Enter(s, target);
    Dialogs::SelectItemText(s.dialog, kNameItem, 0, TextEdit::kMaxLength);
    return false;
  }
  if (fs::exists(target, ec)) {
    Dialogs::ParamText(typed, {}, {}, {});
    if (Dialogs::Alert(kReplaceAlertID, nullptr) != 2) return false;
  }
  path = target.string();
  return true;
}

// Item 1; true when the choice is made.
bool Take(State& s, std::string& path) {
  const Entry* e = s.selected >= 0 ? &s.entries[static_cast<std::size_t>(s.selected)] : nullptr;
  switch (s.request->kind) {
    case Kind::kSave:
      return Save(s, path);
    case Kind::kFolder:
      path = FolderPath(e != nullptr ? s.folder / e->name : s.folder);
      return true;
    case Kind::kOpen:
      break;
  }
  if (e == nullptr) {
    Beep::SysBeep();
    return false;
  }
  if (e->folder) {
    Enter(s, s.folder / e->name);
    return false;
  }
  path = (s.folder / e->name).string();
  return true;
}

// A click in the list; true when a double click made the choice.
bool ClickList(State& s, std::string& path) {
  const Geometry::Rect r = ListRect(s);
  const Geometry::Rect content = Windows::ContentRect(Dialogs::GetDialogWindow(s.dialog));
  const int v = Input::Pointer().v - content.top;
  const int index = s.top + (v - r.top - 1) / kRowHeight;
  if (index < 0 || index >= static_cast<int>(s.entries.size())) return false;
  const std::uint32_t now = Platform::Tick_Count();
  const bool twice = index == s.lastClicked && now - s.lastClick <= Events::GetDblTime();
  s.lastClick = now;
  s.lastClicked = index;
  s.selected = index;
  DrawList(s.dialog, kListItem);
  const Entry& e = s.entries[static_cast<std::size_t>(index)];
  if (s.request->kind == Kind::kSave && !e.folder) {
    const std::string shown = Shown(e.name);
    Dialogs::SetItemText(s.dialog, kNameItem, shown);
  }
  if (!twice) return false;
  if (e.folder) {
    Enter(s, s.folder / e.name);
    return false;
  }
  return s.request->kind == Kind::kOpen && Take(s, path);
}

constexpr const char* kChooseTitles[] = {"Open", "Save", "Choose"};

void SetUp(State& s) {
  const Request& r = *s.request;
  Dialogs::Dialog* d = s.dialog;
  if (!r.prompt.empty()) Windows::SetTitle(Dialogs::GetDialogWindow(d), r.prompt);
  Dialogs::SetItemText(d, kChooseItem, std::string_view(kChooseTitles[static_cast<int>(r.kind)]));
  Dialogs::SetItemText(d, kMessageItem, r.message);
  if (r.kind == Kind::kSave) {
    Dialogs::SetItemText(d, kNameItem, r.name);
    Dialogs::SelectItemText(d, kNameItem, 0, TextEdit::kMaxLength);
  } else {
    Dialogs::HideItem(d, kNameLabelItem);
    Dialogs::HideItem(d, kNameItem);
  }
  Dialogs::SetDefaultItem(d, kChooseItem);
  Dialogs::SetCancelItem(d, kCancelItem);
  Dialogs::SetUserItemProc(d, kListItem, DrawList);
  Controls::SetControlAction(Dialogs::GetItemControl(d, kScrollItem), ScrollAction);
  std::error_code ec;
  fs::path start = r.folder.empty() ? fs::path() : fs::path(r.folder);
  if (start.empty() || !fs::is_directory(start, ec)) start = fs::current_path(ec);
  Enter(s, start);
}

}  // namespace

bool Choose(const Request& request, std::string& path) {
  State s;
  s.request = &request;
  s.dialog = Dialogs::GetNewDialog(kDialogID);
  if (s.dialog == nullptr) return false;
  State* outer = running;
  running = &s;
  SetUp(s);
  Windows::Window* w = Dialogs::GetDialogWindow(s.dialog);
  Windows::ShowWindow(w);
  Windows::SelectWindow(w);
  std::string chosen;
  bool done = false;
  for (;;) {
    int item = 0;
    Dialogs::ModalDialog(nullptr, item);
    if (Dialogs::ModalEnded() || item == kCancelItem) break;
    if (item == kUpItem) Enter(s, s.folder.parent_path());
    if (item == kScrollItem) ScrollTo(s, Controls::GetControlValue(Dialogs::GetItemControl(s.dialog, kScrollItem)));
    if (item == kListItem && ClickList(s, chosen)) done = true;
    if (item == kChooseItem && Take(s, chosen)) done = true;
    if (done) break;
  }
  Dialogs::DisposeDialog(s.dialog);
  running = outer;
  if (done) path = chosen;
  return done;
}

}  // namespace FileChooser
