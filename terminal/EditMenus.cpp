#include "terminal/EditMenus.h"

#include "foundation/Strings.h"

namespace EditMenus {

namespace {

char undoText[33] = "Undo";

}  // namespace

void SetUndoText(std::span<const char> text) { Strings::Assign(undoText, text); }

void GetUndoText(std::span<char> text) { Strings::Assign(text, undoText); }

}  // namespace EditMenus
