#include "terminal/ANSIEvents.h"

#include "platform/AppleEvents.h"
#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/KeyCodes.h"
#include "platform/MenuTrack.h"
#include "platform/Port.h"
#include "platform/PortState.h"
#include "platform/Screen.h"
#include "platform/Shapes.h"
#include "platform/WindowTrack.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "shell/ModWindow.h"
#include "shell/Mouse.h"
#include "shell/ScrollBars.h"
#include "terminal/ANSIBase.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace ANSIEvents {

bool Again = false;
int AgainKey = ANSIBase::KeyNone;
char AgainCharacter = 0;
int AgainModifiers = 0;
Windows::Window* FoundWindow = nullptr;
bool Dragging = false;

namespace {

using ANSITerm::TerminalRecord;
using EventQueue::EventRecord;
namespace K = ANSIBase;

constexpr int kEventMask = EventQueue::kEveryEvent & ~EventQueue::kKeyUpMask;
// Windows never grow smaller than this, nor larger than the platform's
// coordinates allow.
constexpr int kMinGrowWidth = 84;
constexpr int kMinGrowHeight = 32;
constexpr int kMaxGrowSize = 32767;
// Two clicks nearer than this (pixels, across and down together) may make
// a double click.
constexpr int kClickSlop = 6;

// The virtual keys of the keypad that type their character in numeric mode.
constexpr std::array kNumericKeypad{
    KeyCodes::kKeypadMultiply, KeyCodes::kKeypadPlus, KeyCodes::kKeypadClear, KeyCodes::kKeypadDivide,
    KeyCodes::kKeypadMinus,    KeyCodes::kKeypadEquals, KeyCodes::kKeypad0, KeyCodes::kKeypad0 + 1,
    KeyCodes::kKeypad0 + 2,    KeyCodes::kKeypad0 + 3,  KeyCodes::kKeypad0 + 4, KeyCodes::kKeypad0 + 5,
    KeyCodes::kKeypad0 + 6,    KeyCodes::kKeypad0 + 7,  KeyCodes::kKeypad8,     KeyCodes::kKeypad9};

struct KeyRow {
  int virtualKey;
  int code;
};

// The keys that give a code of their own, whatever their character.
constexpr std::array kKeyTable{
    KeyRow{KeyCodes::kDelete, K::KeyDeleteLeft},
    KeyRow{KeyCodes::kEnter, K::KeyEnter},
    KeyRow{KeyCodes::kKeypadDecimal, K::KeyNumericPoint},
    KeyRow{KeyCodes::kKeypadMultiply, K::KeyNumericMultiply},
    KeyRow{KeyCodes::kKeypadPlus, K::KeyNumericPlus},
    KeyRow{KeyCodes::kKeypadClear, K::KeyNumericClear},
    KeyRow{KeyCodes::kKeypadDivide, K::KeyNumericDivide},
    KeyRow{KeyCodes::kKeypadEnter, K::KeyEnter},
    KeyRow{KeyCodes::kKeypadMinus, K::KeyNumericMinus},
    KeyRow{KeyCodes::kKeypadEquals, K::KeyNumericEquals},
    KeyRow{KeyCodes::kKeypad0, K::KeyNumeric0},
    KeyRow{KeyCodes::kKeypad0 + 1, K::KeyNumeric0 + 1},
    KeyRow{KeyCodes::kKeypad0 + 2, K::KeyNumeric0 + 2},
    KeyRow{KeyCodes::kKeypad0 + 3, K::KeyNumeric0 + 3},
    KeyRow{KeyCodes::kKeypad0 + 4, K::KeyNumeric0 + 4},
    KeyRow{KeyCodes::kKeypad0 + 5, K::KeyNumeric0 + 5},
    KeyRow{KeyCodes::kKeypad0 + 6, K::KeyNumeric0 + 6},
    KeyRow{KeyCodes::kKeypad0 + 7, K::KeyNumeric0 + 7},
    KeyRow{KeyCodes::kKeypad8, K::KeyNumeric0 + 8},
    KeyRow{KeyCodes::kKeypad9, K::KeyNumeric9},
    KeyRow{KeyCodes::kF1, K::KeyF1},
    KeyRow{KeyCodes::kF2, K::KeyF1 + 1},
    KeyRow{KeyCodes::kF3, K::KeyF1 + 2},
    KeyRow{KeyCodes::kF4, K::KeyF1 + 3},
    KeyRow{KeyCodes::kF5, K::KeyF1 + 4},
    KeyRow{KeyCodes::kF6, K::KeyF1 + 5},
    KeyRow{KeyCodes::kF7, K::KeyF1 + 6},
    KeyRow{KeyCodes::kF8, K::KeyF1 + 7},
    KeyRow{KeyCodes::kF9, K::KeyF1 + 8},
    KeyRow{KeyCodes::kF10, K::KeyF10},
    KeyRow{KeyCodes::kF11, K::KeyF1 + 10},
    KeyRow{KeyCodes::kF12, K::KeyF1 + 11},
    KeyRow{KeyCodes::kF13, K::KeyF1 + 12},
    KeyRow{KeyCodes::kF14, K::KeyF1 + 13},
    KeyRow{KeyCodes::kF15, K::KeyF15},
    KeyRow{KeyCodes::kHelp, K::KeyHelp},
    KeyRow{KeyCodes::kHome, K::KeyHome},
    KeyRow{KeyCodes::kPageUp, K::KeyPageUp},
    KeyRow{KeyCodes::kForwardDelete, K::KeyDeleteRight},
    KeyRow{KeyCodes::kEnd, K::KeyEnd},
    KeyRow{KeyCodes::kPageDown, K::KeyPageDown},
    KeyRow{KeyCodes::kLeftArrow, K::KeyCursorLeft},
    KeyRow{KeyCodes::kRightArrow, K::KeyCursorRight},
    KeyRow{KeyCodes::kDownArrow, K::KeyCursorDown},
    KeyRow{KeyCodes::kUpArrow, K::KeyCursorUp},
};

// The arrow keys' characters 28 .. 31 (left, right, up, down).
int ArrowCode(unsigned char c) {
  switch (c) {
    case 28: return K::KeyCursorLeft;
    case 29: return K::KeyCursorRight;
    case 30: return K::KeyCursorUp;
    case 31: return K::KeyCursorDown;
    default: return K::KeyNone;
  }
}

bool Contains(std::span<const int> keys, int key) {
  for (int k : keys) {
    if (k == key) return true;
  }
  return false;
}

int CommandKeyCode(int virtualKey, unsigned char c) {
  switch (virtualKey) {
    case KeyCodes::kDelete: return K::KeyDeleteRight;
    case KeyCodes::kLeftArrow: return K::KeyCursorLeft;
    case KeyCodes::kRightArrow: return K::KeyCursorRight;
    case KeyCodes::kDownArrow: return K::KeyCursorDown;
    case KeyCodes::kUpArrow: return K::KeyCursorUp;
    default: break;
  }
  if (const int arrow = ArrowCode(c); arrow != K::KeyNone) return arrow;
  if (c == '/' || c == '?') return K::KeyHelp;
  return K::KeyMenu;
}

int ModifiersOf(const EventRecord& e) { return (e.modifiers >> 8) & 0xFF; }

bool IsApplicationWindow(Windows::Window* w) {
  const int kind = Windows::GetKind(w);
  return w != nullptr && (kind == Windows::kUserKind || kind == Windows::kDialogKind);
}

bool HasVisibleRegion(Windows::Window* w) {
  return Windows::IsVisible(w) && !Geometry::EmptyRect(Windows::GetWindowPort(w)->visRgn.Bounds());
}

// The terminal a window's reference value points to, when it is one.
TerminalRecord* TerminalOf(Windows::Window* w) {
  void* reference = w != nullptr ? Windows::GetRefCon(w) : nullptr;
  if (reference == nullptr || std::memcmp(reference, "ANSI", 4) != 0) return nullptr;
  return static_cast<TerminalRecord*>(reference);
}

// The platform record of a window made by ModWindow, through its terminal
// when it has one.
ModWindow::PlatformWindowRecord* PlatformOf(Windows::Window* w) {
  if (const TerminalRecord* t = TerminalOf(w)) {
    return t->graphicsWindow != nullptr ? t->graphicsWindow->platform : nullptr;
  }
  void* reference = w != nullptr ? Windows::GetRefCon(w) : nullptr;
  if (reference == nullptr || std::memcmp(reference, "WIND", 4) != 0) return nullptr;
  return static_cast<ModWindow::PlatformWindowRecord*>(reference);
}

// What every platform event gets before a terminal sees it; TRUE for one
// the terminal's caller is to see.
bool PreHandle(const EventRecord& e) {
  switch (e.what) {
    case EventQueue::kMouseDown: {
      Windows::Window* w = nullptr;
      const int part = Windows::FindWindow(e.where, &w);
      if (part == Windows::kInMenuBar) {
        ModMenus::ProcessMenuCommand(MenuTrack::MenuSelect(e.where));
        return true;
      }
      return part == Windows::kInContent;
    }
    case EventQueue::kKeyDown:
    case EventQueue::kAutoKey:
      if (e.what == EventQueue::kKeyDown && (e.modifiers & EventQueue::kCmdKey) != 0) {
        ModMenus::ProcessMenuKey(static_cast<char>(e.message & 0xFF));
      }
      return true;
    case EventQueue::kUpdateEvt: {
      Windows::Window* w = Events::EventWindow(e);
      if (!IsApplicationWindow(w)) return false;
      Windows::BeginUpdate(w);
      Windows::EndUpdate(w);
      return HasVisibleRegion(w);
    }
    case EventQueue::kActivateEvt:
      return IsApplicationWindow(Events::EventWindow(e));
    case EventQueue::kOsEvt:
      MacEnv::gInBackground = (e.message & EventQueue::kResumeFlag) == 0;
      return true;
    case EventQueue::kHighLevelEvent:
      AppleEvents::Process(e);
      return false;
    default:
      return false;
  }
}

// The window's own terminal serves window events: its procedures and its
// scroll bars. Without a window, the polling terminal.
void ProcessUserProc(TerminalRecord* terminal, Windows::Window* window, KeyEvent& k) {
  TerminalRecord* t = window != nullptr ? TerminalOf(window) : terminal;
  if (t == nullptr) return;
  switch (k.code) {
    case K::KeyDeactivate:
    case K::KeyActivate: ScrollBars::Show(t, k.code == K::KeyActivate); break;
    case K::KeyUpdate:
      if (t->updateProc != nullptr) {
        t->updateProc(t);
        k.code = K::KeyConsumed;
      }
      break;
    case K::KeyIconize:
    case K::KeyResized:
      ScrollBars::Resize(t);
      if (t->resizeProc != nullptr) {
        t->resizeProc(t);
        k.code = K::KeyConsumed;
      }
      break;
    case K::KeyOSEvent:
      if (!MacEnv::gInBackground) ScrollBars::Show(t, true);
      break;
    default: break;
  }
}

// The 1-based cell under a local point; the bar cursor goes to the nearest
// cell boundary.
void ComputeCursorPosition(TerminalRecord& t, Geometry::Point local) {
  const int half = ANSITerm::CursorShape == ANSITerm::kBarCursor ? t.characterWidth / 2 : 0;
  t.mouseLine = (local.v - t.top) / t.lineHeight + 1;
  t.mouseColumn = (local.h + half - t.left) / t.characterWidth + 1;
}

Geometry::Point ToLocal(Geometry::Point global) {
  Port::GlobalToLocal(global);
  return global;
}

KeyEvent MouseInText(TerminalRecord& t, const EventRecord& e) {
  KeyEvent k;
  k.modifiers = ModifiersOf(e);
  Windows::Window* w = nullptr;
  Windows::FindWindow(e.where, &w);
  ANSITerm::ProcessingKeyWindow = false;
  if (w == nullptr || w != Windows::FrontWindow()) {
    Dragging = false;
    return KeyEvent{};
  }
  FoundWindow = w;
  const Geometry::Point local = ToLocal(e.where);
  if (ScrollBars::Track(&t) ||
      (t.verticalScrollBar != nullptr && local.h >= t.textRect.right)) {
    k.code = K::KeyConsumed;
    return k;
  }
  ComputeCursorPosition(t, local);
  k.code = K::KeyMouse;
  Dragging = true;
  return k;
}

KeyEvent HandleUserEvent(TerminalRecord& t, const EventRecord& e) {
  KeyEvent k;
  k.modifiers = ModifiersOf(e);
  switch (e.what) {
    case EventQueue::kMouseDown: return MouseInText(t, e);
    case EventQueue::kKeyDown:
    case EventQueue::kAutoKey:
      FoundWindow = nullptr;
      TranslateCharacterCode(e, ANSITerm::EnableApplicationMode && t.keypadApplicationMode, k.code, k.character);
      return k;
    case EventQueue::kUpdateEvt:
      FoundWindow = Events::EventWindow(e);
      k.code = K::KeyUpdate;
      k.character = FoundWindow == t.window ? 1 : 0;
      t.resized = true;
      ProcessUserProc(&t, FoundWindow, k);
      return k;
    case EventQueue::kActivateEvt:
      FoundWindow = Events::EventWindow(e);
      if ((e.modifiers & EventQueue::kActiveFlag) != 0) {
        k.code = K::KeyActivate;
        ANSITerm::CursorShow(&t);
      } else {
        k.code = K::KeyDeactivate;
        ANSITerm::CursorHide(&t);
      }
      ProcessUserProc(&t, FoundWindow, k);
      return k;
    case EventQueue::kOsEvt:
      k.code = K::KeyOSEvent;
      if (MacEnv::gInBackground) {
        ANSITerm::CursorHide(&t);
      } else {
        Graphics::GetHiliteColor();
        Mouse::SetCursorShape(Mouse::GetCursorShape());
      }
      ProcessUserProc(&t, nullptr, k);
      return k;
    default: return KeyEvent{};
  }
}

// Runs a window-frame tracking loop with the arrow cursor.
template <typename Tracking>
auto WithArrow(Tracking track) {
  const int shape = Mouse::GetCursorShape();
  Mouse::SetArrowCursor();
  const auto result = track();
  Mouse::SetCursorShape(shape);
  return result;
}

void Unzoom(Windows::Window* w) {
  if (ModWindow::PlatformWindowRecord* p = PlatformOf(w)) p->zoomed = false;
}

int Grow(Windows::Window* w, const EventRecord& e) {
  const std::int32_t size = WithArrow([&] {
    return WindowTrack::GrowWindow(w, e.where,
                                   Geometry::SetRect(kMinGrowWidth, kMinGrowHeight, kMaxGrowSize, kMaxGrowSize));
  });
  if (size == 0) return K::KeyNone;
  Unzoom(w);
  Port::GrafPort* const port = Windows::GetWindowPort(w);
  const Geometry::Rect old = port->portRect;
  {
    PortState::Scope scope(port);
    Port::ClipRect(old);
    Port::RGBBackColor(Color::kWhite);
    Port::BackPat(Pattern::kWhite);
    Shapes::EraseRect(old);
  }
  Desktop::Flush();
  Windows::SizeWindow(w, size & 0xFFFF, (size >> 16) & 0xFFFF, true);
  Windows::InvalRect(w, old);
  return K::KeyResized;
}

int Zoom(Windows::Window* w, int part, const EventRecord& e) {
  ModWindow::PlatformWindowRecord* p = PlatformOf(w);
  if (p == nullptr || !p->zoomable) return K::KeyNone;
  if (!WithArrow([&] { return WindowTrack::TrackBox(w, e.where, part); })) return K::KeyNone;
  Geometry::Rect content;
  ModWindow::DoZoom(p->root, content, part == Windows::kInZoomOut, true);
  return K::KeyResized;
}

// A press on the frame of the front window (or any with the command key).
int FramePart(Windows::Window* w, int part, const EventRecord& e) {
  switch (part) {
    case Windows::kInDrag:
      WithArrow([&] {
        WindowTrack::DragWindow(w, e.where, Screen::AvailableBounds());
        return true;
      });
      Unzoom(w);
      return K::KeyMoved;
    case Windows::kInGrow: return Grow(w, e);
    case Windows::kInGoAway: return WindowTrack::TrackGoAway(w, e.where) ? K::KeyWindowClose : K::KeyNone;
    case Windows::kInZoomIn:
    case Windows::kInZoomOut: return Zoom(w, part, e);
    default: return K::KeyNone;
  }
}

KeyEvent HandleSystemEvent(TerminalRecord& t, EventRecord& e) {
  KeyEvent k;
  k.modifiers = ModifiersOf(e);
  if (e.what == EventQueue::kMouseUp) {
    Dragging = false;
    t.doubleClickDeadline = e.when + Events::GetDblTime();
    return KeyEvent{};
  }
  if (e.what != EventQueue::kMouseDown) return KeyEvent{};
  Windows::Window* w = nullptr;
  const int part = Windows::FindWindow(e.where, &w);
  if (part == Windows::kInMenuBar) {
    FoundWindow = nullptr;
    k.code = K::KeyMenu;
    return k;
  }
  if (w == nullptr || part == Windows::kInDesk) return KeyEvent{};
  FoundWindow = w;
  ANSITerm::CursorHide(&t);
  if (w != Windows::FrontWindow() && (e.modifiers & EventQueue::kCmdKey) == 0) {
    k.code = K::KeyWindow;
    e.message = reinterpret_cast<std::uintptr_t>(w);
    ANSITerm::ProcessingKeyWindow = ANSITerm::ReportFrontClick;
    ProcessUserProc(&t, w, k);
    return k;
  }
  k.code = FramePart(w, part, e);
  if (k.code == K::KeyNone) return k;
  if (k.code != K::KeyWindowClose) {
    t.resized = true;
    if (ModWindow::PlatformWindowRecord* p = PlatformOf(w)) {
      ModWindow::WindowParameters parameters;
      ModWindow::GetWindowParameters(p->root, parameters);
    }
  }
  ProcessUserProc(&t, w, k);
  return k;
}

// A click in the front window right after a click, near it and in time,
// counts as the next of a double or triple click.
void CountClicks(TerminalRecord& t, const EventRecord& e, KeyEvent& k) {
  if (k.code != K::KeyMouse || t.doubleClickDeadline == 0) return;
  const bool inTime = static_cast<std::int32_t>(e.when - t.doubleClickDeadline) < 0;
  const bool near = std::abs(t.lastClick.v - e.where.v) + std::abs(t.lastClick.h - e.where.h) < kClickSlop;
  if (!inTime || !near) return;
  if (ANSIBase::LastKeyCode == K::KeyMouse) {
    k.code = K::KeyDoubleMouse;
    t.doubleClickDeadline = e.when + Events::GetDblTime();
  } else if (ANSIBase::LastKeyCode == K::KeyDoubleMouse) {
    k.code = K::KeyTripleMouse;
    t.doubleClickDeadline = 0;
  }
}

void Remember(const KeyEvent& k) {
  ANSIBase::LastKeyCode = k.code;
  ANSIBase::LastCharacter = k.character;
  ANSIBase::LastModifiers = k.modifiers;
}

// While the button stays down after a click in the text: KeyMouseStillDown
// when the pointer reaches another cell, or stays on the first or last
// line (where the caller scrolls).
bool StillDown(TerminalRecord& t, KeyEvent& k) {
  if (!Dragging || ANSIBase::LastKeyCode != K::KeyMouse || FoundWindow != Windows::FrontWindow()) return false;
  if (!Events::Button()) {
    Dragging = false;
    return false;
  }
  const std::int32_t line = t.mouseLine;
  const std::int32_t column = t.mouseColumn;
  Geometry::Point local;
  Events::GetMouse(local);
  ComputeCursorPosition(t, local);
  const bool atEdge = t.mouseLine < 2 || t.mouseLine > t.lines - 1;
  if (!atEdge && t.mouseLine == line && t.mouseColumn == column) return false;
  ANSITerm::CursorHide(&t);
  k.code = K::KeyMouseStillDown;
  k.modifiers = ModifiersOf(MacEnv::theEvent);
  return true;
}

// The current port for one scope, the previous one restored afterwards.
class PortScope {
 public:
  explicit PortScope(Windows::Window* w) : saved_(Port::GetPort()) {
    if (w != nullptr) Port::SetPort(Windows::GetWindowPort(w));
  }
  ~PortScope() { Port::SetPort(saved_); }
  PortScope(const PortScope&) = delete;
  PortScope& operator=(const PortScope&) = delete;

 private:
  Port::GrafPort* saved_;
};

}  // namespace

void Reset() {
  Again = false;
  AgainKey = K::KeyNone;
  AgainCharacter = 0;
  AgainModifiers = 0;
  FoundWindow = nullptr;
  Dragging = false;
  ANSITerm::ProcessingKeyWindow = false;
  ANSITerm::ReportFrontClick = true;
  Remember(KeyEvent{});
}

bool NextEvent(TerminalRecord* terminal, KeyEvent& k) {
  k = KeyEvent{};
  if (terminal == nullptr) return false;
  TerminalRecord& t = *terminal;
  PortScope port(t.window);
  if (Again) {
    Again = false;
    k = KeyEvent{AgainKey, AgainCharacter, AgainModifiers};
    ProcessUserProc(&t, FoundWindow, k);
    return k.code != K::KeyNone;
  }
  EventRecord& e = MacEnv::theEvent;
  const bool frontClick = ANSITerm::ProcessingKeyWindow;
  bool user = frontClick;
  if (!frontClick) {
    Events::WaitNextEvent(kEventMask, e, 1);
    user = PreHandle(e);
  }
  if (user) {
    k = HandleUserEvent(t, e);
    if (k.code != K::KeyNone) {
      if (k.code != K::KeyMenu) ANSITerm::CursorHide(&t);
      CountClicks(t, e, k);
      t.lastClick = e.where;
      Remember(k);
      return true;
    }
  }
  // A front click whose window did not come to the front is dropped: taking
  // it again as a click in a back window would report it for ever.
  if (!frontClick) {
    k = HandleSystemEvent(t, e);
    if (k.code != K::KeyNone) {
      if (k.code != K::KeyMenu) ANSITerm::CursorHide(&t);
      Remember(k);
      Dragging = false;
      return true;
    }
  }
  if (StillDown(t, k)) return true;
  k = KeyEvent{};
  ANSITerm::DoBlinkCursor(&t);
  return false;
}

int KeyDown() {
  Input::KeyMap keys;
  Events::GetKeys(keys);
  const auto held = [&keys](int key) { return (keys[static_cast<std::size_t>(key >> 3)] >> (key & 7)) & 1; };
  return (held(KeyCodes::kCommand) ? K::kCommand : 0) | (held(KeyCodes::kShift) ? K::kShift : 0) |
         (held(KeyCodes::kCapsLock) ? K::kCapsLock : 0) | (held(KeyCodes::kOption) ? K::kOption : 0) |
         (held(KeyCodes::kControl) ? K::kControl : 0);
}

bool EventAvailable() {
  EventRecord e;
  if (!Events::EventAvail(kEventMask, e)) return false;
  switch (e.what) {
    case EventQueue::kMouseDown: {
      Windows::Window* w = nullptr;
      const int part = Windows::FindWindow(e.where, &w);
      if (part == Windows::kInMenuBar || part >= Windows::kInContent) return true;
      break;
    }
    case EventQueue::kKeyDown:
    case EventQueue::kAutoKey:
    case EventQueue::kOsEvt: return true;
    case EventQueue::kUpdateEvt: {
      Windows::Window* w = Events::EventWindow(e);
      if (IsApplicationWindow(w)) return HasVisibleRegion(w);
      break;
    }
    case EventQueue::kActivateEvt:
      if (IsApplicationWindow(Events::EventWindow(e))) return true;
      break;
    default: break;
  }
  Events::WaitNextEvent(kEventMask, MacEnv::theEvent, 0);
  return PreHandle(MacEnv::theEvent);
}

void TranslateCharacterCode(const EventRecord& e, bool applicationMode, int& code, char& character) {
  const int virtualKey = static_cast<int>((e.message >> 8) & 0xFF);
  const auto c = static_cast<unsigned char>(e.message & 0xFF);
  character = 0;
  if ((e.modifiers & EventQueue::kCmdKey) != 0) {
    code = CommandKeyCode(virtualKey, c);
    return;
  }
  if ((e.modifiers & EventQueue::kControlKey) != 0 && c >= '0' && c <= '9') {
    code = c == '0' ? K::KeyF10 : K::KeyF1 + (c - '1');
    return;
  }
  if (!applicationMode) {
    code = K::KeyCharacter;
    if (Contains(kNumericKeypad, virtualKey)) {
      character = static_cast<char>(c);
      return;
    }
    if (virtualKey == KeyCodes::kKeypadDecimal) {
      character = '.';
      return;
    }
    if (virtualKey == KeyCodes::kKeypadEnter) {
      character = 13;
      return;
    }
  }
  if (virtualKey == KeyCodes::kEscape) {
    code = K::KeyCharacter;
    character = 27;
    return;
  }
  for (const KeyRow& row : kKeyTable) {
    if (row.virtualKey == virtualKey) {
      code = row.code;
      return;
    }
  }
  code = ArrowCode(c);
  if (code != K::KeyNone) return;
  code = K::KeyCharacter;
  character = static_cast<char>(c);
}

}  // namespace ANSIEvents

namespace ANSITerm {

bool NextEvent(TerminalRecord* terminal, int& code, char& character, int& modifiers) {
  ANSIEvents::KeyEvent k;
  const bool delivered = ANSIEvents::NextEvent(terminal, k);
  code = delivered ? k.code : ANSIBase::KeyNone;
  character = delivered ? k.character : 0;
  modifiers = delivered ? k.modifiers : 0;
  return delivered;
}

void Input(TerminalRecord* terminal, char& character, int& code) {
  character = 0;
  code = ANSIBase::KeyNone;
  if (terminal == nullptr || MacEnv::Terminated) return;
  Port::GrafPort* const saved = Port::GetPort();
  Update(terminal);
  if (!ANSIEvents::Again) CursorShow(terminal);
  int modifiers = 0;
  while (!MacEnv::Terminated && !NextEvent(terminal, code, character, modifiers)) {
  }
  Port::SetPort(saved);
}

bool Poll(TerminalRecord* terminal) {
  if (terminal == nullptr) return false;
  return ANSIEvents::Again || ProcessingKeyWindow || ANSIEvents::EventAvailable();
}

void ReadAgain(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  ANSIEvents::Again = true;
  ANSIEvents::AgainKey = ANSIBase::LastKeyCode;
  ANSIEvents::AgainCharacter = ANSIBase::LastCharacter;
  ANSIEvents::AgainModifiers = ANSIBase::LastModifiers;
}

void Flush() {
  Events::FlushEvents(EventQueue::kEveryEvent, 0);
  if (ANSIBase::LastKeyCode == ANSIBase::KeyUpdate) return;
  ANSIEvents::Again = false;
  ProcessingKeyWindow = false;
  ANSIEvents::FoundWindow = nullptr;
  ANSIBase::LastKeyCode = ANSIBase::KeyNone;
  ANSIBase::LastCharacter = 0;
}

Windows::Window* ActiveWindow() {
  const int code = ANSIBase::LastKeyCode;
  const bool ofWindow = (code >= ANSIBase::KeyMouse && code <= ANSIBase::KeyResized) || code == ANSIBase::KeyWindowClose;
  return ofWindow ? ANSIEvents::FoundWindow : nullptr;
}

int KeyDown() { return ANSIEvents::KeyDown(); }

}  // namespace ANSITerm
