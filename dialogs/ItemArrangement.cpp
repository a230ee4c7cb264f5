// The configuration gestures that move and resize items with the mouse.
#include "dialogs/ItemExecution.h"

#include <algorithm>

#include "dialogs/ModDialog.h"
#include "platform/Events.h"
#include "platform/Pattern.h"
#include "platform/Port.h"
#include "platform/PortState.h"
#include "platform/Shapes.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "terminal/ANSIBase.h"

namespace ItemExecution {

using namespace ModDialogUt;
using ModDialog::DialogPtr;

namespace {

// The resize handle's side, and its side in a dimension where the item is
// too small for it.
constexpr int kHandle = 8;
constexpr int kSmallHandle = 4;
constexpr int kSmallItem = 24;
// Items inside the moved one by this much count as its group.
constexpr int kGroupSlack = 2;

// Drawn once to show, once more to take away.
void ToggleOutline(DialogRecord* dialog, const Geometry::Rect& r) {
  Graphics::Bracket bracket(dialog->Window);
  if (!bracket.Began()) return;
  PortState::Scope scope(Port::GetPort());
  Port::PenPat(Pattern::kGray);
  Port::PenMode(Port::kPatXor);
  Shapes::FrameRect(r);
}

bool InResizeHandle(const Geometry::Rect& r, Geometry::Point p) {
  const int across = Geometry::Width(r) < kSmallItem ? kSmallHandle : kHandle;
  const int down = Geometry::Height(r) < kSmallItem ? kSmallHandle : kHandle;
  return p.h >= r.right - across && p.h < r.right && p.v >= r.bottom - down && p.v < r.bottom;
}

// The item's rectangle following the pointer from the press.
Geometry::Rect Followed(const Geometry::Rect& old, Geometry::Point press, Geometry::Point now, bool resize,
                        int width, int height) {
  const int dh = now.h - press.h;
  const int dv = now.v - press.v;
  if (resize) return Geometry::SetRect(old.left, old.top, old.right + dh, old.bottom + dv);
  const int w = Geometry::Width(old);
  const int h = Geometry::Height(old);
  const int left = std::clamp(old.left + dh, 0, std::max(0, width - w));
  const int top = std::clamp(old.top + dv, 0, std::max(0, height - h));
  return Geometry::SetRect(left, top, left + w, top + h);
}

bool Inside(const Geometry::Rect& inner, const Geometry::Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

void DragItem(int item, Geometry::Point point, bool group) {
  DialogRecord* dialog = DialogPtr;
  DialogItem& it = *ItemOf(dialog, item);
  UpdateWindowPosition(dialog);
  const int width = dialog->Items[0]->Rect.right;
  const int height = dialog->Items[0]->Rect.bottom;
  const Geometry::Rect old = it.Rect;
  const bool resize = InResizeHandle(old, point);
  const Geometry::Rect content = Windows::ContentRect(dialog->MacWindow);
  Geometry::Rect r = old;
  ToggleOutline(dialog, r);
  Geometry::Point where;
  while (!ModDialog::AbortAction && !Events::TrackRelease(where)) {
    Geometry::Point now;
    {
      Graphics::Bracket bracket(dialog->Window);
      Events::GetMouse(now);
    }
    const Geometry::Rect next = Followed(old, point, now, resize, width, height);
    if (next != r) {
      ToggleOutline(dialog, r);
      r = next;
      ToggleOutline(dialog, r);
      ModDialog::ForceUpdate(dialog);
    }
    Events::Idle(Events::kTrackInterval);
  }
  if (!ModDialog::AbortAction) {
    r = Followed(old, point, Geometry::Point{where.h - content.left, where.v - content.top}, resize, width, height);
  }
  ToggleOutline(dialog, r);
  if (r == old || (ModDialog::KeyDown() & ANSIBase::kOption) == 0) return;
  const int dx = r.left - old.left;
  const int dy = r.top - old.top;
  ModDialog::DoEraseItem(item);
  it.Rect = r;
  SetNewItemSize(item, dx, dy);
  if (group) {
    const Geometry::Rect around = Geometry::InsetRect(old, -kGroupSlack, -kGroupSlack);
    for (int i = 1; i <= dialog->ItemCount; ++i) {
      if (i == item || !Inside(dialog->Items[i]->Rect, around)) continue;
      ModDialog::DoEraseItem(i);
      dialog->Items[i]->Rect = Geometry::OffsetRect(dialog->Items[i]->Rect, dx, dy);
      SetNewItemSize(i, dx, dy);
    }
  }
  ModDialog::DoUpdate(dialog, true);
}

void SetNewItemSize(int item, int dx, int dy) {
  DialogRecord* dialog = DialogPtr;
  DialogItem& it = *ItemOf(dialog, item);
  if (it.Type == kPane && !Geometry::EmptyRect(it.Area.PaneRect)) {
    it.Area.PaneRect = Geometry::OffsetRect(it.Area.PaneRect, dx, dy);
  }
  if (it.Type == kCheckBox || it.Type == kMultiCheck) {
    it.Area.Box.BoxRect = Geometry::OffsetRect(it.Area.Box.BoxRect, dx, dy);
  }
  dialog->ResizeProc(item);
  if (it.Type == kOffscreen || it.Type == kGWindow) CreateItemWindow(dialog, item);
}

}  // namespace ItemExecution
