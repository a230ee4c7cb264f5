#include "platform/MenuTrack.h"

#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/Input.h"
#include "platform/MenuDraw.h"

#include <vector>

namespace MenuTrack {

using Geometry::Point;
using Geometry::Rect;

namespace {

struct Open {
  Menus::Menu* menu = nullptr;
  Point origin;
  int under = 0;    // item under the pointer, for the target hook
  int hilited = 0;  // item shown highlighted
};

Hooks hooks;
std::vector<Open> open;  // the menu first, its open submenus after it

void DrawOpen(Port::GrafPort& screen) {
  for (const Open& o : open) MenuDraw::DrawMenu(screen, o.menu, o.origin, o.hilited);
}

void OpenMenu(Menus::Menu* menu, Point origin) {
  open.push_back(Open{menu, origin});
  Desktop::Invalidate();
  if (hooks.opening != nullptr) hooks.opening(menu);
}

// Closes the open menus from `level` on, deepest first.
void CloseFrom(std::size_t level) {
  while (open.size() > level) {
    Menus::Menu* menu = open.back().menu;
    open.pop_back();
    Desktop::Invalidate();
    if (hooks.closed != nullptr) hooks.closed(menu);
  }
}

// The deepest open menu whose items hold the point; -1 for none.
int LevelAt(Point p) {
  for (int i = static_cast<int>(open.size()) - 1; i >= 0; --i) {
    const Open& o = open[static_cast<std::size_t>(i)];
    if (Geometry::PtInRect(p, MenuDraw::MenuRect(o.menu, o.origin))) return i;
  }
  return -1;
}

bool Highlightable(const Menus::Menu* menu, int item) {
  return Menus::IsChoosable(menu, item) ||
         (Menus::GetSubmenu(menu, item) != nullptr && Menus::IsItemEnabled(menu, 0) && Menus::IsItemEnabled(menu, item));
}

void Follow(Point p) {
  const int level = LevelAt(p);
  if (level < 0) {
    // Off every menu: the deepest shows nothing chosen (a parent keeps the
    // item whose submenu is open), and coming back counts as a new target.
    if (open.empty()) return;
    Open& deepest = open.back();
    deepest.under = 0;
    if (deepest.hilited != 0 && Menus::GetSubmenu(deepest.menu, deepest.hilited) == nullptr) {
      deepest.hilited = 0;
      Desktop::Invalidate();
    }
    return;
  }
  Open& o = open[static_cast<std::size_t>(level)];
  const int item = MenuDraw::ItemAt(o.menu, o.origin, p);
  if (item != o.under) {
    o.under = item;
    CloseFrom(static_cast<std::size_t>(level) + 1);
    Open& still = open[static_cast<std::size_t>(level)];
    still.hilited = Highlightable(still.menu, item) ? item : 0;
    Desktop::Invalidate();
    if (hooks.target != nullptr) hooks.target(still.menu, item);
    Menus::Menu* submenu = Menus::GetSubmenu(still.menu, still.hilited);
    if (submenu != nullptr && static_cast<std::size_t>(level) + 1 == open.size()) {
      OpenMenu(submenu, MenuDraw::SubmenuOrigin(submenu, MenuDraw::ItemRect(still.menu, still.origin, still.hilited)));
    }
  }
}

std::int32_t Chosen(Point where) {
  const int level = LevelAt(where);
  if (level < 0) return 0;
  const Open& o = open[static_cast<std::size_t>(level)];
  const int item = MenuDraw::ItemAt(o.menu, o.origin, where);
  if (!Menus::IsChoosable(o.menu, item)) return 0;
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(Menus::GetMenuID(o.menu)) << 16) |
                                   static_cast<std::uint32_t>(item));
}

// Tracks the open menus (and, from the bar, the titles) until release.
std::int32_t Track(bool fromBar) {
  Desktop::SetOverlay(Desktop::kMenuOverlay, DrawOpen);
  Point where;
  for (;;) {
    const Point p = Input::Pointer();
    if (fromBar) {
      const int index = MenuDraw::TitleAt(p);
      Menus::Menu* menu = Menus::BarMenu(index);
      if (menu != nullptr && (open.empty() || open.front().menu != menu)) {
        CloseFrom(0);
        Menus::HiliteMenu(Menus::GetMenuID(menu));
        if (Menus::IsItemEnabled(menu, 0)) OpenMenu(menu, MenuDraw::PullDownOrigin(menu, index));
      }
    }
    Follow(p);
    if (Events::TrackRelease(where)) break;
    Events::Idle(Events::kTrackInterval);
  }
  const std::int32_t result = Chosen(where);
  CloseFrom(0);
  Desktop::SetOverlay(Desktop::kMenuOverlay, nullptr);
  return result;
}

}  // namespace

void SetHooks(const Hooks& h) { hooks = h; }

std::int32_t MenuSelect(Point start) {
  if (!open.empty()) return 0;
  const int index = MenuDraw::TitleAt(start);
  Menus::Menu* menu = Menus::BarMenu(index);
  if (menu == nullptr) return 0;
  Menus::HiliteMenu(Menus::GetMenuID(menu));
  if (Menus::IsItemEnabled(menu, 0)) OpenMenu(menu, MenuDraw::PullDownOrigin(menu, index));
  const std::int32_t result = Track(true);
  if (result == 0) Menus::HiliteMenu(0);
  return result;
}

std::int32_t PopUpMenuSelect(Menus::Menu* menu, int top, int left, int popUpItem) {
  if (menu == nullptr || !open.empty()) return 0;
  OpenMenu(menu, MenuDraw::PopUpOrigin(menu, top, left, popUpItem));
  return Track(false);
}

bool Tracking() { return !open.empty(); }

}  // namespace MenuTrack
