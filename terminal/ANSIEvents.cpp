// The event source behind ANSITerm's input: the one place where the program
// takes events from the platform. Menu selections and command keys run
// their menu command here, high-level events their handler; suspend and
// resume keep MacEnv::gInBackground; dragging and closing windows are done
// here and reported.
#include "foundation/Buffer.h"
#include "platform/AppleEvents.h"
#include "platform/Events.h"
#include "platform/KeyCodes.h"
#include "platform/MenuTrack.h"
#include "platform/Port.h"
#include "platform/Screen.h"
#include "platform/WindowTrack.h"
#include "platform/Windows.h"
#include "shell/MacEnv.h"
#include "shell/ModMenus.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"

namespace ANSITerm {

namespace {

using EventQueue::EventRecord;

// The window of the last mouse or window event.
Windows::Window* foundWindow = nullptr;

struct KeyEvent {
  int code = ANSIBase::KeyNone;
  char character = 0;
  int modifiers = 0;
};

bool IsApplicationWindow(Windows::Window* w) {
  const int kind = Windows::GetKind(w);
  return w != nullptr && (kind == Windows::kUserKind || kind == Windows::kDialogKind);
}

int ModifiersOf(const EventRecord& e) { return (e.modifiers >> 8) & 0xFF; }

// What every event gets before the terminal sees it; TRUE for an event the
// terminal's caller is to see as a user event.
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
      return Windows::IsVisible(w);
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

// Commands keys that are no menu command still move the cursor or delete.
int TranslateKey(const EventRecord& e, char& character) {
  const int virtualKey = static_cast<int>((e.message >> 8) & 0xFF);
  character = static_cast<char>(e.message & 0xFF);
  const bool command = (e.modifiers & EventQueue::kCmdKey) != 0;
  switch (virtualKey) {
    case KeyCodes::kLeftArrow: character = 0; return ANSIBase::KeyCursorLeft;
    case KeyCodes::kRightArrow: character = 0; return ANSIBase::KeyCursorRight;
    case KeyCodes::kDownArrow: character = 0; return ANSIBase::KeyCursorDown;
    case KeyCodes::kUpArrow: character = 0; return ANSIBase::KeyCursorUp;
    case KeyCodes::kDelete:
      character = 0;
      return command ? ANSIBase::KeyDeleteRight : ANSIBase::KeyDeleteLeft;
    default: break;
  }
  if (command) {
    character = 0;
    return ANSIBase::KeyMenu;
  }
  return ANSIBase::KeyCharacter;
}

KeyEvent HandleUserEvent(TerminalRecord* terminal, const EventRecord& e) {
  KeyEvent k;
  k.modifiers = ModifiersOf(e);
  switch (e.what) {
    case EventQueue::kMouseDown: {
      Windows::Window* w = nullptr;
      Windows::FindWindow(e.where, &w);
      if (w == nullptr || w != Windows::FrontWindow()) return KeyEvent{};
      foundWindow = w;
      k.code = ANSIBase::KeyMouse;
      return k;
    }
    case EventQueue::kKeyDown:
    case EventQueue::kAutoKey:
      foundWindow = nullptr;
      k.code = TranslateKey(e, k.character);
      return k;
    case EventQueue::kUpdateEvt:
      foundWindow = Events::EventWindow(e);
      k.code = ANSIBase::KeyUpdate;
      k.character = foundWindow == terminal->window ? 1 : 0;
      return k;
    case EventQueue::kActivateEvt:
      foundWindow = Events::EventWindow(e);
      k.code = (e.modifiers & EventQueue::kActiveFlag) != 0 ? ANSIBase::KeyActivate : ANSIBase::KeyDeactivate;
      return k;
    case EventQueue::kOsEvt:
      k.code = ANSIBase::KeyOSEvent;
      return k;
    default:
      return KeyEvent{};
  }
}

KeyEvent HandleSystemEvent(const EventRecord& e) {
  KeyEvent k;
  k.modifiers = ModifiersOf(e);
  if (e.what != EventQueue::kMouseDown) return KeyEvent{};
  Windows::Window* w = nullptr;
  const int part = Windows::FindWindow(e.where, &w);
  if (part == Windows::kInMenuBar) {
    foundWindow = nullptr;
    k.code = ANSIBase::KeyMenu;
    return k;
  }
  if (w == nullptr) return KeyEvent{};
  foundWindow = w;
  if (w != Windows::FrontWindow() && (e.modifiers & EventQueue::kCmdKey) == 0) {
    k.code = ANSIBase::KeyWindow;
    return k;
  }
  if (part == Windows::kInDrag) {
    WindowTrack::DragWindow(w, e.where, Screen::AvailableBounds());
    k.code = ANSIBase::KeyMoved;
  } else if (part == Windows::kInGoAway && WindowTrack::TrackGoAway(w, e.where)) {
    k.code = ANSIBase::KeyWindowClose;
  } else {
    return KeyEvent{};
  }
  return k;
}

void Remember(const KeyEvent& k) {
  ANSIBase::LastKeyCode = k.code;
  ANSIBase::LastCharacter = k.character;
  ANSIBase::LastModifiers = k.modifiers;
}

}  // namespace

bool Initialize() {
  foundWindow = nullptr;
  Remember(KeyEvent{});
  return Buffer::Enter("/ANSITerm.Heap", Buffer::kHeap) != nullptr;
}

bool NextEvent(TerminalRecord* terminal, int& code, char& character, int& modifiers) {
  code = ANSIBase::KeyNone;
  character = 0;
  modifiers = 0;
  if (terminal == nullptr) return false;
  Port::GrafPort* const saved = Port::GetPort();
  EventRecord& e = MacEnv::theEvent;
  Events::WaitNextEvent(EventQueue::kEveryEvent & ~EventQueue::kKeyUpMask, e, 1);
  KeyEvent k;
  if (PreHandle(e)) k = HandleUserEvent(terminal, e);
  if (k.code == ANSIBase::KeyNone) k = HandleSystemEvent(e);
  Port::SetPort(saved);
  if (k.code == ANSIBase::KeyNone) return false;
  Remember(k);
  code = k.code;
  character = k.character;
  modifiers = k.modifiers;
  return true;
}

void Input(TerminalRecord* terminal, char& character, int& code) {
  character = 0;
  code = ANSIBase::KeyNone;
  if (terminal == nullptr) return;
  Update(terminal);
  int modifiers = 0;
  while (!MacEnv::Terminated) {
    if (NextEvent(terminal, code, character, modifiers)) return;
  }
  character = 0;
  code = ANSIBase::KeyNone;
}

void Flush() {
  Events::FlushEvents(EventQueue::kEveryEvent, 0);
  if (ANSIBase::LastKeyCode == ANSIBase::KeyUpdate) return;
  foundWindow = nullptr;
  ANSIBase::LastKeyCode = ANSIBase::KeyNone;
  ANSIBase::LastCharacter = 0;
}

Windows::Window* ActiveWindow() {
  const int code = ANSIBase::LastKeyCode;
  const bool ofWindow = (code >= ANSIBase::KeyMouse && code <= ANSIBase::KeyResized) || code == ANSIBase::KeyWindowClose;
  return ofWindow ? foundWindow : nullptr;
}

}  // namespace ANSITerm
