// One item of each of the 19 item types, named after its type, with
// settings away from the defaults where the type keeps some of its own
// (prefix, drag area, boxes, second key): what layout files are tried on.
#pragma once

#include <string_view>

#include "dialogs/ModDialogUt.h"

inline void FillEveryItemType(ModDialogUt::DialogRecord* d) {
  using namespace ModDialogUt;
  for (int type = 0; type < kTypeCount; ++type) {
    const std::string_view name(TypeName(type));
    FillTextField(d, type + 1, type, name, false, name, 10 + (type % 4) * 110, 40 + (type / 4) * 30, 100, 20);
  }
  FillDragField(d, kFramedNumber + 1, " V", kEngineering, kDouble, 9, 3, 0, 0, 0, 2.5, false, 0);
  FillDragField(d, kDrag + 1, " mV", kFixed, kDouble, 7, 2, 0.5, -10, 10, 1, true, 1);
  DialogItem& drag = *d->Items[kDrag + 1];
  drag.Area.Drag.PixelsPerStep = 3;
  drag.Area.Drag.ResetSteps = 30;
  drag.Area.Drag.DragInverse = true;
  d->Items[kMultiCheck + 1]->Area.Box.FirstLabel = 1;
  SetListCommandKeys(d, kList + 1, kCharacterKey, 'a', kCharacterKey, 'b', 0, true, true);
  SetCommandKey(d, kButton + 1, kCharacterKey, 'g', kCommandKey, false, true);
  d->Items[kSwitch + 1]->Area.HighlightColor = Color::RGB{0x1234, 0x5678, 0x9ABC};
  d->Items[kText + 1]->BackColor = Color::RGB{0xFFFF, 0xEEEE, 0xDDDD};
}
