#include "platform/UIPlatform.h"

#include "foundation/platform/Host.h"
#include "platform/AppleEvents.h"
#include "platform/Beep.h"
#include "platform/Controls.h"
#include "platform/Cursor.h"
#include "platform/Desktop.h"
#include "platform/EventQueue.h"
#include "platform/Fonts.h"
#include "platform/Input.h"
#include "platform/MenuTrack.h"
#include "platform/Menus.h"
#include "platform/Port.h"
#include "platform/Resources.h"
#include "platform/Scrap.h"
#include "platform/Screen.h"
#include "platform/Timers.h"
#include "platform/Windows.h"

namespace UIPlatform {

namespace {

void Warp(int x, int y) { Input::WarpPointer(Geometry::Point{x, y}); }

}  // namespace

bool InitModule(const Backend::Ops& backend, int width, int height) {
  Screen::InitModule(width, height);
  if (!Resources::InitModule() || !Fonts::InitModule()) return false;
  Windows::InitModule();
  Menus::InitModule();
  MenuTrack::SetHooks(MenuTrack::Hooks{});
  EventQueue::Clear();
  Input::InitModule();
  Timers::InitModule();
  AppleEvents::InitModule();
  Scrap::InitModule();
  Desktop::InitModule();
  const Geometry::Rect screen = Screen::Bounds();
  if (backend.open == nullptr || !backend.open(Geometry::Width(screen), Geometry::Height(screen))) {
    Shutdown();
    return false;
  }
  Backend::Use(&backend);
  Cursor::InitCursor();
  Platform::SetPointerWarp(Warp);
  Platform::SetBeep(Beep::SysBeep);
  Beep::ResetCount();
  return true;
}

void Shutdown() {
  Platform::SetPointerWarp(nullptr);
  Platform::SetBeep(nullptr);
  Port::SetPort(nullptr);
  Controls::Shutdown();
  Windows::Shutdown();
  Menus::Shutdown();
  EventQueue::Clear();
  Timers::InitModule();
  Desktop::Shutdown();
  if (const Backend::Ops* b = Backend::Current(); b != nullptr && b->close != nullptr) b->close();
  Backend::Use(nullptr);
  Fonts::Shutdown();
}

}  // namespace UIPlatform
