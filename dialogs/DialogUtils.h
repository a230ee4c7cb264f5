// Utilities for the layer's template dialogs (Dialogs): item texts and
// control states, the default and cancel buttons, the key filters of modal
// template dialogs, two user-item drawings, and the exchange of the
// program's paste buffer ("Edit.Paste", ScrapUtil) with the text-editing
// scrap of the dialogs' fields. Main thread only; every call ignores a nil
// dialog or a missing item.
#pragma once

#include "platform/Dialogs.h"

#include <cstdint>
#include <span>

namespace DialogUtils {

using Dialogs::Dialog;

// The filters for Dialogs::ModalDialog and the user-item procedures, set
// from the start (InitModule sets them again).
//   FilterUPP:     Return and Enter hit item 1, Escape and Command-period
//                  item 2; Command-C, -V, -X copy, paste and cut in the
//                  focus field; other command keys are swallowed.
//   FilterNoCRUPP: the same, but Return reaches the text as a line break.
// Escape is left to the dialog's own cancel handling when no field has
// the focus.
extern Dialogs::ModalFilter FilterUPP;
extern Dialogs::ModalFilter FilterNoCRUPP;
// The default button's outline around the item's rectangle; a frame
// around the item's rectangle.
extern Dialogs::UserItemProc OutlineButtonUPP;
extern Dialogs::UserItemProc FrameItemUPP;

// A text item's text or a control's title, at most 255 characters.
void GetItemText(const Dialog* d, int item, std::span<char> text);
void SetItemText(Dialog* d, int item, std::span<const char> text);
// Makes the item the outlined default button and item 2 the cancel item;
// the layer draws the outline, so proc is not used.
void SetItemProc(Dialog* d, int item, Dialogs::UserItemProc proc);
// Control active when on, inactive when off.
void Highlight(Dialog* d, int item, bool on);
// Control value 1 when on, else 0.
void SetRadioButton(Dialog* d, int item, bool on);
void ShowControl(Dialog* d, int item, bool show);

// The first line of the paste buffer (at most 256 characters) becomes the
// text-editing scrap; an empty line or no paste buffer leaves it alone.
void ToTextEditScrap();
// The text-editing scrap (at most 256 characters) becomes a new one-line
// paste buffer and the system clipboard's text; an empty scrap does
// nothing.
void FromTextEditScrap();

// Around a modal template dialog: the paste buffer goes to the
// text-editing scrap when it opens, and comes back when it closes only if
// a cut or copy in the dialog changed the scrap, so a clipboard of several
// lines survives a dialog that only showed or read a text.
class ScrapExchange {
 public:
  ScrapExchange();
  ~ScrapExchange();
  ScrapExchange(const ScrapExchange&) = delete;
  ScrapExchange& operator=(const ScrapExchange&) = delete;

 private:
  std::uint32_t changeCount_;
};

void InitModule();

}  // namespace DialogUtils
