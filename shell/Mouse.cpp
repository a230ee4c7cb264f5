#include "shell/Mouse.h"

#include "foundation/RealTime.h"
#include "platform/Cursor.h"
#include "platform/Events.h"
#include "platform/KeyCodes.h"
#include "platform/Port.h"
#include "platform/Resources.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace Mouse {

namespace {

// The layer's own images, standing in for missing resources.
constexpr int kSystemArrow = -1;
constexpr int kSystemIBeam = -2;
constexpr int kSystemCross = -3;

constexpr double kFrameSeconds = 1.0;
constexpr double kCrossStepSeconds = 0.5;

// The fast path of the animations reads these two without the lock.
std::atomic<int> activeCursor{kArrow};
std::atomic<double> waitCursorTime{0.0};

// The rest of the state changes under the lock.
std::mutex lock;
bool showHelp = false;
int waitCursorIndex = kFirstWaitCursor;
int watchCursorIndex = kFirstWatchCursor;
int crossCursorIndex = kFirstCrossCursor;
double crossCursorTime = 0.0;

// The image the platform is to show (a resource ID or a system image) and
// whether it still has to be shown; the main thread shows it.
std::atomic<int> chosenImage{kSystemArrow};
std::atomic<bool> imagePending{false};
std::thread::id mainThread;

bool Exists(int id) { return Resources::GetCursor(id) != nullptr; }

const Cursor::Image& ImageOf(int id) {
  if (const Cursor::Image* image = Resources::GetCursor(id); image != nullptr) return *image;
  if (id == kSystemIBeam) return Cursor::IBeam();
  if (id == kSystemCross) return Cursor::Cross();
  return Cursor::Arrow();
}

void ShowPending() {
  if (!imagePending.exchange(false)) return;
  Cursor::SetCursor(ImageOf(chosenImage.load()));
}

// Chooses the image; shown at once on the main thread.
void Choose(int id) {
  chosenImage.store(id);
  imagePending.store(true);
  if (std::this_thread::get_id() == mainThread) ShowPending();
}

void ShowArrowLocked() {
  Choose(showHelp && Exists(kHelpCursor) ? kHelpCursor : kSystemArrow);
  activeCursor.store(kArrow);
}

void ShowWaitLocked(double now) {
  if (activeCursor.load() != kWait) {
    waitCursorIndex = kFirstWaitCursor;
  } else if (now >= waitCursorTime.load()) {
    ++waitCursorIndex;
  } else {
    return;
  }
  if (waitCursorIndex > kLastWaitCursor) waitCursorIndex = kFirstWaitCursor;
  if (Exists(waitCursorIndex)) Choose(waitCursorIndex);
  activeCursor.store(kWait);
  waitCursorTime.store(now + kFrameSeconds);
}

void ShowWatchLocked(double now) {
  if (now >= waitCursorTime.load()) {
    ++watchCursorIndex;
  } else if (activeCursor.load() == kWatch) {
    return;
  }
  if (watchCursorIndex > kLastWatchCursor) watchCursorIndex = kFirstWatchCursor;
  if (Exists(watchCursorIndex)) Choose(watchCursorIndex);
  activeCursor.store(kWatch);
  waitCursorTime.store(now + kFrameSeconds);
}

void ShowEditLocked() {
  Choose(Exists(kEditCursor) ? kEditCursor : kSystemIBeam);
  activeCursor.store(kEdit);
}

void ShowCrossLocked() {
  Choose(Exists(crossCursorIndex) ? crossCursorIndex : kSystemCross);
  activeCursor.store(kCross);
}

// An off-screen window draws into its own world: the mouse is measured in
// the window it lies over.
Graphics::GraphicsWindow OnScreen(Graphics::GraphicsWindow w) {
  return w != nullptr && w->offscreen && w->parent != nullptr ? w->parent : w;
}

// The local point of window's port as world coordinates of graphicsWindow.
bool ToWorld(Graphics::GraphicsWindow window, Graphics::GraphicsWindow graphicsWindow, Geometry::Point global,
             double& x, double& y) {
  Port::GrafPort* const saved = Port::GetPort();
  Port::SetPort(window->port);
  Port::GlobalToLocal(global);
  Port::SetPort(saved);
  Graphics::LocalToWindow(graphicsWindow, global.h, global.v, x, y);
  return graphicsWindow->left < global.h && global.h < graphicsWindow->right && graphicsWindow->top < global.v &&
         global.v < graphicsWindow->bottom;
}

struct ModifierKey {
  int virtualKey;  // for Read: the key map
  int eventBit;    // for ReadEvent: the event's modifiers
  int value;
};
constexpr ModifierKey kModifierKeys[] = {
    {KeyCodes::kCommand, EventQueue::kCmdKey, 32},    {KeyCodes::kShift, EventQueue::kShiftKey, 2},
    {KeyCodes::kCapsLock, EventQueue::kAlphaLock, 4}, {KeyCodes::kOption, EventQueue::kOptionKey, 8},
    {KeyCodes::kControl, EventQueue::kControlKey, 16}, {KeyCodes::kRightShift, EventQueue::kShiftKey, 2},
};

bool KeyDown(const Input::KeyMap& keys, int virtualKey) {
  return (keys[static_cast<std::size_t>(virtualKey >> 3)] & (1u << (virtualKey & 7))) != 0;
}

int OrNone(int modifiers) { return modifiers == 0 ? 1 : modifiers; }

}  // namespace

void Initialize() {
  {
    const std::lock_guard<std::mutex> guard(lock);
    mainThread = std::this_thread::get_id();
    showHelp = false;
    waitCursorIndex = kFirstWaitCursor;
    watchCursorIndex = kFirstWatchCursor;
    crossCursorIndex = kFirstCrossCursor;
    crossCursorTime = 0.0;
    waitCursorTime.store(0.0);
    imagePending.store(false);
    chosenImage.store(kSystemArrow);
    activeCursor.store(kArrow);
  }
  Cursor::InitCursor();
  Events::SetWaitHook(ShowPending);
}

int GetCursorShape() { return activeCursor.load(); }

void SetCursorShape(int shape) {
  if (shape == activeCursor.load()) return;
  switch (shape) {
    case kWait: SetWaitCursor(); break;
    case kWatch: SetWatchCursor(); break;
    case kEdit: SetEditCursor(); break;
    case kCross: SetCrossCursor(); break;
    default: SetArrowCursor(); break;
  }
}

void SetArrowCursor() {
  const std::lock_guard<std::mutex> guard(lock);
  ShowArrowLocked();
}

void SetHelpCursor(bool on) {
  const std::lock_guard<std::mutex> guard(lock);
  if (on == showHelp) return;
  showHelp = on;
  if (activeCursor.load() == kArrow) ShowArrowLocked();
}

void SetEditCursor() {
  const std::lock_guard<std::mutex> guard(lock);
  ShowEditLocked();
}

void SetCrossCursor() {
  const std::lock_guard<std::mutex> guard(lock);
  ShowCrossLocked();
}

void SelectCrossCursor(int number, bool animate) {
  const double now = RealTime::GetTime();
  const std::lock_guard<std::mutex> guard(lock);
  bool taken = false;
  if (!animate) {
    crossCursorIndex = kFirstCrossCursor + number;
    taken = true;
  } else if (crossCursorTime < now) {
    ++crossCursorIndex;
    crossCursorTime = now + kCrossStepSeconds;
    taken = true;
  }
  if (taken && !Exists(crossCursorIndex)) crossCursorIndex = kFirstCrossCursor;
  ShowCrossLocked();
}

void SetWaitCursor() {
  const double now = RealTime::GetTime();
  if (activeCursor.load() == kWait && now < waitCursorTime.load()) return;
  const std::lock_guard<std::mutex> guard(lock);
  ShowWaitLocked(now);
}

void SetWatchCursor() {
  const double now = RealTime::GetTime();
  if (activeCursor.load() == kWatch && now < waitCursorTime.load()) return;
  const std::lock_guard<std::mutex> guard(lock);
  ShowWatchLocked(now);
}

void SetWaitOrWatchCursor() {
  const double now = RealTime::GetTime();
  const int shape = activeCursor.load();
  if ((shape == kWait || shape == kWatch) && now < waitCursorTime.load()) return;
  const std::lock_guard<std::mutex> guard(lock);
  if (activeCursor.load() == kWatch) {
    ShowWatchLocked(now);
  } else {
    ShowWaitLocked(now);
  }
}

void Show() { Cursor::ShowCursor(); }
void Hide() { Cursor::HideCursor(); }

bool ButtonDown() { return Events::Button(); }

void WaitButtonUp() {
  while (Input::ButtonDown() && !Events::InputEnded()) Events::Idle(Events::kTrackInterval);
}

bool Read(Graphics::GraphicsWindow window, Graphics::GraphicsWindow graphicsWindow, double& x, double& y,
          int& modifiers) {
  window = OnScreen(window);
  if (window == nullptr || graphicsWindow == nullptr) return false;
  modifiers = 0;
  if (Input::ButtonDown()) {
    Input::KeyMap keys;
    Events::GetKeys(keys);
    for (const ModifierKey& k : kModifierKeys) {
      if (KeyDown(keys, k.virtualKey)) modifiers |= k.value;
    }
    modifiers = OrNone(modifiers);
  }
  return ToWorld(window, graphicsWindow, Input::Pointer(), x, y);
}

bool ReadEvent(Graphics::GraphicsWindow window, Graphics::GraphicsWindow graphicsWindow, double& x, double& y,
               int& modifiers) {
  modifiers = 0;
  window = OnScreen(window);
  graphicsWindow = OnScreen(graphicsWindow);
  const EventQueue::EventRecord& e = MacEnv::theEvent;
  if (window == nullptr || graphicsWindow == nullptr || e.what != EventQueue::kMouseDown) return false;
  for (const ModifierKey& k : kModifierKeys) {
    if ((e.modifiers & k.eventBit) != 0) modifiers |= k.value;
  }
  modifiers = OrNone(modifiers);
  return ToWorld(window, graphicsWindow, e.where, x, y);
}

}  // namespace Mouse
