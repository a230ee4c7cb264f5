#include "shell/ScrollBars.h"

#include "platform/Controls.h"
#include "platform/Port.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "terminal/ANSIBase.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"

#include <algorithm>
#include <cmath>

namespace ScrollBars {

int ScrollBarWidth = 16;
bool Scrolling = false;
ANSITerm::TerminalRecord* ScrollTerminal = nullptr;

namespace {

// The widest text whose horizontal bar still works: a wider terminal gets
// an inactive bar.
constexpr int kMaxScrollColumns = 254;
// The vertical bar's largest value.
constexpr int kMaxValue = 255;
// A value the thumb is set to before the closing update, so that it moves
// and is drawn again.
constexpr int kFarValue = 254;

Geometry::Rect PortRect(const ANSITerm::TerminalRecord* t) { return Windows::GetWindowPort(t->window)->portRect; }

Geometry::Rect VerticalBounds(const Geometry::Rect& r) {
  const int w = ScrollBarWidth;
  return Geometry::SetRect(r.right - w + 1, r.top - 1, r.right + 1, r.bottom - w + 2);
}

Geometry::Rect HorizontalBounds(const Geometry::Rect& r) {
  const int w = ScrollBarWidth;
  return Geometry::SetRect(LeftPosition(r), r.bottom - w + 1, r.right - w + 2, r.bottom + 1);
}

// Runs the drawing in the window's port clipped to its whole port
// rectangle (the bars lie outside the text), then clips back to the text.
template <typename Drawing>
void InWholePort(ANSITerm::TerminalRecord* t, Drawing draw) {
  Port::GrafPort* const saved = Port::GetPort();
  Port::SetPort(Windows::GetWindowPort(t->window));
  Port::ClipRect(PortRect(t));
  draw();
  Port::ClipRect(t->textRect);
  Port::SetPort(saved);
}

void Activate(Controls::Control* bar, bool active) {
  Controls::HiliteControl(bar, active ? Controls::kActive : Controls::kInactive);
}

// Setting a maximum redraws the bar even when it stays: every keystroke of
// the editor brings the bars in step, and should draw them only when they
// change.
void SetMaximum(Controls::Control* bar, std::int32_t maximum) {
  if (Controls::GetControlMaximum(bar) != maximum) Controls::SetControlMaximum(bar, maximum);
}

void BringInStep(ANSITerm::TerminalRecord* t, bool active) {
  InWholePort(t, [t, active] {
    const std::int32_t lines = EditState::EditBuffer == nullptr ? 0 : BufferText::RecordCount(EditState::EditBuffer);
    std::int32_t excess = lines - EditState::WindowHeight;
    if (excess <= 0) {
      Activate(t->verticalScrollBar, false);
    } else {
      double scale = 1.0;
      std::int32_t position = EditState::FirstLine;
      if (excess > kMaxValue) {
        scale = 256.0 / excess;
        position = static_cast<std::int32_t>(std::lround(scale * EditState::FirstLine));
        excess = kMaxValue;
      }
      t->scale = scale;
      if (!Scrolling) SetMaximum(t->verticalScrollBar, excess);
      Controls::SetControlValue(t->verticalScrollBar, position - 1);
      if (!Scrolling) Activate(t->verticalScrollBar, active);
    }
    if (t->horizontalScrollBar == nullptr) return;
    if (t->columns < kMaxScrollColumns) {
      if (!Scrolling) SetMaximum(t->horizontalScrollBar, t->columns);
      Controls::SetControlValue(t->horizontalScrollBar, EditState::FirstColumn);
      if (!Scrolling) Activate(t->horizontalScrollBar, active);
    } else {
      Activate(t->horizontalScrollBar, false);
    }
  });
}

void ScrollVertically(Controls::Control*, int part) {
  switch (part) {
    case Controls::kInUpButton: EditDisplay::Scroll(ANSIBase::KeyCursorUp); break;
    case Controls::kInDownButton: EditDisplay::Scroll(ANSIBase::KeyCursorDown); break;
    case Controls::kInPageUp: EditDisplay::Scroll(ANSIBase::KeyPageUp); break;
    case Controls::kInPageDown: EditDisplay::Scroll(ANSIBase::KeyPageDown); break;
    default: break;
  }
}

void ScrollHorizontally(Controls::Control*, int part) {
  const int width = ScrollTerminal != nullptr ? ScrollTerminal->columns : 0;
  int d = 0;
  switch (part) {
    case Controls::kInUpButton: d = 1; break;
    case Controls::kInDownButton: d = -1; break;
    case Controls::kInPageUp: d = width / 2; break;
    case Controls::kInPageDown: d = -(width / 2); break;
    default: break;
  }
  d = std::min(d, EditState::FirstColumn);
  if (d == 0) return;
  EditState::FirstColumn -= d;
  EditDisplay::NewDisplay();
}

// Tracks the part; TRUE for the thumb let go on the thumb.
bool TrackPart(Controls::Control* bar, int part, Geometry::Point local, Controls::ActionProc action) {
  if (part == Controls::kInThumb) return Controls::TrackControl(bar, local, nullptr) == Controls::kInThumb;
  Controls::TrackControl(bar, local, action);
  return false;
}

}  // namespace

void InitModule() {
  ScrollBarWidth = 16;
  Scrolling = false;
  ScrollTerminal = nullptr;
}

void Create(ANSITerm::TerminalRecord* terminal) {
  if (terminal == nullptr || terminal->window == nullptr) return;
  InWholePort(terminal, [terminal] {
    const Geometry::Rect r = PortRect(terminal);
    terminal->verticalScrollBar = Controls::NewControl(terminal->window, VerticalBounds(r), "", true, 0, 0, 0,
                                                       Controls::kScrollBarProc, nullptr);
    terminal->horizontalScrollBar = Controls::NewControl(terminal->window, HorizontalBounds(r), "", true, 0, 0, 0,
                                                         Controls::kScrollBarProc, nullptr);
  });
}

int LeftPosition(const Geometry::Rect& portRect) {
  const int w = ScrollBarWidth;
  const int free = portRect.right - portRect.left - w + 2;
  const int length = std::min(std::max(free / 4, (w - 1) * 4), free);
  return portRect.left + free - length;
}

void Update(ANSITerm::TerminalRecord* terminal) {
  if (terminal == nullptr || terminal->verticalScrollBar == nullptr || MacEnv::gInBackground) return;
  BringInStep(terminal, Windows::FrontWindow() == terminal->window);
}

void Show(ANSITerm::TerminalRecord* terminal, bool show) {
  if (terminal == nullptr || terminal->verticalScrollBar == nullptr) return;
  InWholePort(terminal, [terminal, show] {
    for (Controls::Control* bar : {terminal->verticalScrollBar, terminal->horizontalScrollBar}) {
      if (show && !MacEnv::gInBackground) {
        Controls::ShowControl(bar);
      } else {
        Controls::HideControl(bar);
      }
    }
    Windows::DrawGrowIcon(terminal->window);
  });
}

void Resize(ANSITerm::TerminalRecord* terminal) {
  if (terminal == nullptr || terminal->verticalScrollBar == nullptr) return;
  InWholePort(terminal, [terminal] {
    const Geometry::Rect r = PortRect(terminal);
    const auto place = [](Controls::Control* bar, const Geometry::Rect& bounds) {
      if (bar == nullptr) return;
      Controls::HideControl(bar);
      Controls::MoveControl(bar, bounds.left, bounds.top);
      Controls::SizeControl(bar, Geometry::Width(bounds), Geometry::Height(bounds));
      Controls::ShowControl(bar);
    };
    place(terminal->verticalScrollBar, VerticalBounds(r));
    place(terminal->horizontalScrollBar, HorizontalBounds(r));
  });
}

bool Track(ANSITerm::TerminalRecord* terminal) {
  if (terminal == nullptr || terminal->verticalScrollBar == nullptr) return false;
  ScrollTerminal = terminal;
  Geometry::Point local = MacEnv::theEvent.where;
  Port::GrafPort* const saved = Port::GetPort();
  Port::SetPort(Windows::GetWindowPort(terminal->window));
  Port::GlobalToLocal(local);
  Controls::Control* bar = nullptr;
  const int part = Controls::FindControl(local, terminal->window, &bar);
  const bool vertical = bar != nullptr && bar == terminal->verticalScrollBar;
  const bool horizontal = bar != nullptr && bar == terminal->horizontalScrollBar;
  if (!vertical && !horizontal) {
    Port::SetPort(saved);
    return false;
  }
  Scrolling = true;
  const bool thumbLetGo = TrackPart(bar, part, local, vertical ? ScrollVertically : ScrollHorizontally);
  if (thumbLetGo && vertical) {
    EditDisplay::SetPosition(static_cast<std::int32_t>((Controls::GetControlValue(bar) + 1) / terminal->scale));
  } else if (thumbLetGo) {
    EditState::FirstColumn = Controls::GetControlValue(bar);
    EditDisplay::NewDisplay();
  }
  Scrolling = false;
  if (part != Controls::kInThumb) {
    const bool atStart = vertical ? EditState::FirstLine == 1 : EditState::FirstColumn <= 0;
    Controls::SetControlValue(bar, atStart ? kFarValue : 0);
    BringInStep(terminal, true);
  }
  Port::SetPort(saved);
  EditState::Scrolled = true;
  return true;
}

}  // namespace ScrollBars
