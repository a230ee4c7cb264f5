#include "platform/headless/Headless.h"

#include "foundation/platform/Clock.h"
#include "platform/AppleEvents.h"
#include "platform/Dialogs.h"
#include "platform/Desktop.h"
#include "platform/EventQueue.h"
#include "platform/Input.h"
#include "platform/KeyCodes.h"
#include "platform/MacRoman.h"

#include <algorithm>
#include <deque>
#include <sstream>
#include <string>
#include <string_view>

namespace Headless {

namespace {

enum class Kind { kMove, kDown, kUp, kKey, kPress, kRelease, kFocus, kQuit, kOpen, kSnapshot, kCall, kItem };

struct Step {
  Kind kind = Kind::kMove;
  double due = 0.0;
  Geometry::Point at;
  int virtualKey = 0;
  unsigned char character = 0;
  int modifiers = 0;
  bool flag = false;
  std::string path;
  Callback callback = nullptr;
  void* user = nullptr;
};

Step Of(Kind kind) {
  Step s;
  s.kind = kind;
  return s;
}

std::deque<Step> steps;
double lastDue = 0.0;
double pendingWait = 0.0;
int errorLine = 0;

void Add(Step step) {
  if (steps.empty()) lastDue = Platform::ElapsedSeconds();
  step.due = lastDue + pendingWait;
  lastDue = step.due;
  pendingWait = 0.0;
  steps.push_back(std::move(step));
}

// The modifier keys a key step holds for its modifier bits.
constexpr int kModifierKeys[] = {KeyCodes::kCommand, KeyCodes::kShift, KeyCodes::kOption, KeyCodes::kControl};

// Presses the item of the front dialog where it is now; the release
// follows as the next step.
void PressItem(int item) {
  Geometry::Point at;
  if (!Dialogs::ItemCenter(Dialogs::FrontDialog(), item, at)) return;
  Input::MouseMoved(at);
  Input::MouseButton(true);
  Step up = Of(Kind::kUp);
  up.due = Platform::ElapsedSeconds();
  steps.push_front(up);
}

// A key step for each character; a character no key types comes with key 0.
void AddTyping(std::string_view chars) {
  for (const char ch : chars) {
    const auto c = static_cast<unsigned char>(ch);
    KeyCodes::Key k{0, c};
    KeyCodes::ForCharacter(c, k);
    Key(k.virtualKey, c, 0);
  }
}

void Apply(const Step& s) {
  switch (s.kind) {
    case Kind::kMove:
      Input::MouseMoved(s.at);
      break;
    case Kind::kDown:
      Input::MouseButton(true);
      break;
    case Kind::kUp:
      Input::MouseButton(false);
      break;
    case Kind::kKey:
      for (int k : kModifierKeys) {
        if ((s.modifiers & KeyCodes::ModifierBit(k)) != 0) Input::Key(k, 0, true, false);
      }
      Input::Key(s.virtualKey, s.character, true, false);
      Input::Key(s.virtualKey, s.character, false, false);
      for (int k : kModifierKeys) {
        if ((s.modifiers & KeyCodes::ModifierBit(k)) != 0) Input::Key(k, 0, false, false);
      }
      break;
    case Kind::kPress:
      Input::Key(s.virtualKey, s.character, true, false);
      break;
    case Kind::kRelease:
      Input::Key(s.virtualKey, s.character, false, false);
      break;
    case Kind::kFocus:
      Input::Focus(s.flag);
      break;
    case Kind::kQuit:
      AppleEvents::PostQuit();
      break;
    case Kind::kOpen:
      AppleEvents::PostOpenDocument(std::span<const char>(s.path.data(), s.path.size()));
      break;
    case Kind::kSnapshot:
      Desktop::SavePNG(std::span<const char>(s.path.data(), s.path.size() + 1));
      break;
    case Kind::kCall:
      s.callback(s.user);
      break;
    case Kind::kItem:
      PressItem(s.modifiers);
      break;
  }
}

bool OpenDisplay(int, int) { return true; }
void CloseDisplay() { ClearSteps(); }

Backend::WaitResult WaitInput(double seconds) {
  const double now = Platform::ElapsedSeconds();
  if (steps.empty()) {
    if (Input::ButtonDown()) {
      Input::MouseButton(false);
      return Backend::WaitResult::kInput;
    }
    Platform::SleepSeconds(seconds);
    return Backend::WaitResult::kExhausted;
  }
  if (steps.front().due > now + seconds) {
    Platform::SleepSeconds(seconds);
    return Backend::WaitResult::kTimeout;
  }
  if (steps.front().due > now) Platform::SleepSeconds(steps.front().due - now);
  const Step s = std::move(steps.front());
  steps.pop_front();
  Apply(s);
  return Backend::WaitResult::kInput;
}

void Warp(Geometry::Point) {}
void SetCursor(const Cursor::Image&, bool) {}

constexpr Backend::Ops kOps{"headless", OpenDisplay, CloseDisplay, WaitInput, nullptr,
                            Warp,       SetCursor,   nullptr,      nullptr,   nullptr};

bool ParseKey(std::istringstream& in, Step& s) {
  std::string key;
  if (!(in >> key)) return false;
  KeyCodes::Key k;
  if (key.size() == 1) {
    if (!KeyCodes::ForCharacter(static_cast<unsigned char>(key[0]), k)) return false;
  } else if (!KeyCodes::ForName(key, k) || KeyCodes::ModifierBit(k.virtualKey) != 0) {
    return false;
  }
  s.virtualKey = k.virtualKey;
  s.character = k.character;
  for (std::string mod; in >> mod;) {
    KeyCodes::Key m;
    if (!KeyCodes::ForName(mod, m) || KeyCodes::ModifierBit(m.virtualKey) == 0) return false;
    s.modifiers |= KeyCodes::ModifierBit(m.virtualKey);
  }
  return true;
}

bool ParseLine(const std::string& line) {
  std::istringstream in(line);
  std::string word;
  if (!(in >> word) || word[0] == '#') return true;
  Step s = Of(Kind::kMove);
  std::string rest;
  if (word == "move" || word == "click") {
    if (!(in >> s.at.h >> s.at.v)) return false;
    Add(s);
    if (word == "click") {
      Add(Of(Kind::kDown));
      Add(Of(Kind::kUp));
    }
  } else if (word == "down" || word == "up") {
    Add(Of(word == "down" ? Kind::kDown : Kind::kUp));
  } else if (word == "wait") {
    double seconds = 0.0;
    if (!(in >> seconds) || seconds < 0.0) return false;
    Wait(seconds);
  } else if (word == "key") {
    s.kind = Kind::kKey;
    if (!ParseKey(in, s)) return false;
    Add(s);
  } else if (word == "hold" || word == "release") {
    KeyCodes::Key k;
    if (!(in >> rest) || !KeyCodes::ForName(rest, k) || KeyCodes::ModifierBit(k.virtualKey) == 0) return false;
    s.kind = word == "hold" ? Kind::kPress : Kind::kRelease;
    s.virtualKey = k.virtualKey;
    Add(s);
  } else if (word == "focus") {
    if (!(in >> rest) || (rest != "in" && rest != "out")) return false;
    s.kind = Kind::kFocus;
    s.flag = rest == "in";
    Add(s);
  } else if (word == "item") {
    s.kind = Kind::kItem;
    if (!(in >> s.modifiers) || s.modifiers < 1) return false;
    Add(s);
  } else if (word == "type") {
    std::getline(in >> std::ws, rest);
    std::string chars;
    if (rest.empty() || !MacRoman::FromUtf8(rest, chars, 0)) return false;
    AddTyping(chars);
    return true;
  } else if (word == "quit") {
    Add(Of(Kind::kQuit));
  } else if (word == "open" || word == "snapshot") {
    std::getline(in >> std::ws, s.path);
    if (s.path.empty()) return false;
    s.kind = word == "open" ? Kind::kOpen : Kind::kSnapshot;
    Add(s);
  } else {
    return false;
  }
  std::string extra;
  return word == "key" || word == "open" || word == "snapshot" || !(in >> extra);
}

}  // namespace

const Backend::Ops& Ops() { return kOps; }

void MoveTo(Geometry::Point global) {
  Step s = Of(Kind::kMove);
  s.at = global;
  Add(s);
}

void Down() { Add(Of(Kind::kDown)); }
void Up() { Add(Of(Kind::kUp)); }

void Click(Geometry::Point global) {
  MoveTo(global);
  Down();
  Up();
}

void Key(int virtualKey, unsigned char character, int modifiers) {
  Step s = Of(Kind::kKey);
  s.virtualKey = virtualKey;
  s.character = character;
  s.modifiers = modifiers;
  Add(s);
}

void Press(int virtualKey) {
  Step s = Of(Kind::kPress);
  s.virtualKey = virtualKey;
  Add(s);
}

void Release(int virtualKey) {
  Step s = Of(Kind::kRelease);
  s.virtualKey = virtualKey;
  Add(s);
}

void Wait(double seconds) {
  if (seconds > 0.0) pendingWait += seconds;
}

void Focus(bool active) {
  Step s = Of(Kind::kFocus);
  s.flag = active;
  Add(s);
}

void Quit() { Add(Of(Kind::kQuit)); }

void Open(std::span<const char> path) {
  Step s = Of(Kind::kOpen);
  s.path.assign(path.begin(), std::find(path.begin(), path.end(), '\0'));
  Add(s);
}

void Snapshot(std::span<const char> path) {
  Step s = Of(Kind::kSnapshot);
  s.path.assign(path.begin(), std::find(path.begin(), path.end(), '\0'));
  Add(s);
}

void ClickItem(int item) {
  Step s = Of(Kind::kItem);
  s.modifiers = item;
  Add(s);
}

void Type(std::span<const char> chars) {
  AddTyping(std::string_view(chars.data(), static_cast<std::size_t>(std::find(chars.begin(), chars.end(), '\0') - chars.begin())));
}

void Call(Callback callback, void* user) {
  if (callback == nullptr) return;
  Step s = Of(Kind::kCall);
  s.callback = callback;
  s.user = user;
  Add(s);
}

bool RunScript(std::span<const char> script) {
  const std::string text(script.begin(), std::find(script.begin(), script.end(), '\0'));
  std::istringstream lines(text);
  errorLine = 0;
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (!ParseLine(line)) {
      errorLine = number;
      return false;
    }
  }
  return true;
}

int ErrorLine() { return errorLine; }

std::size_t PendingSteps() { return steps.size(); }

void ClearSteps() {
  steps.clear();
  pendingWait = 0.0;
}

}  // namespace Headless
