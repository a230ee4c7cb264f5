// The program's paste buffer: the text buffer "Edit.Paste" (one record a
// line), kept in step with the system clipboard's text (Scrap), where lines
// end with a carriage return. Main thread only.
#pragma once

#include "foundation/BufferText.h"

namespace ScrapUtil {

// Reads the clipboard's text into a new "Edit.Paste" and gives it; when the
// clipboard holds no text, the buffer as it was (nil when there is none).
BufferText::TextBuffer GetPasteBuffer();
// Replaces the clipboard's text with the lines of "Edit.Paste" (nothing
// when that buffer does not exist).
void PutPasteBuffer();

}  // namespace ScrapUtil
