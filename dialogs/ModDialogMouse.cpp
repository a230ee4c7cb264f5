#include "dialogs/ModDialogMouse.h"

#include "foundation/platform/Host.h"
#include "platform/Cursor.h"
#include "platform/Events.h"
#include "platform/Port.h"
#include "platform/Resources.h"
#include "shell/Mouse.h"

namespace ModDialogMouse {

Geometry::Point GetMouseLocation() {
  Geometry::Point local;
  Events::GetMouse(local);
  return local;
}

void SetMouseLocation(Geometry::Point local) {
  Port::LocalToGlobal(local);
  Platform::WarpTo(local.h, local.v);
}

void SetDragCursor(bool twoWay, bool dark) {
  const int id = dark ? (twoWay ? kTwoWayDarkCursor : kVerticalDarkCursor)
                      : (twoWay ? kTwoWayLightCursor : kVerticalLightCursor);
  if (const Cursor::Image* image = Resources::GetCursor(id)) {
    Cursor::SetCursor(*image);
  } else {
    Mouse::SetCrossCursor();
  }
}

}  // namespace ModDialogMouse
