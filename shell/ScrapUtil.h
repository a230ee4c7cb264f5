// The program's paste buffer and the system clipboard (Scrap).
//
// The paste buffer is the text buffer "Edit.Paste", found and created
// relative to the default buffer directory, one record a line; the editor's
// copy, cut and paste work on it. Clipboard text is 8-bit, lines ending
// with a carriage return; a line feed in it is no line end.
//
// One limit of 256 characters a line, one rule both ways: PutPasteBuffer
// writes every record whole; GetPasteBuffer closes a line when it reaches
// 256 characters, and a carriage return right after them ends that same
// line. Lines of up to 256 characters thereby come back exactly, longer
// ones as pieces of 256 with nothing lost. The text of an empty paste
// buffer is one NUL; the clipboard layer turns it into an empty text at
// its edge, as it converts to and from UTF-8 there.
//
// Failures are reported, never raised: the message goes into gErrorText and
// onto the console with the platform's error number right-aligned in 12
// characters; the clipboard or paste buffer stays as far as it got.
// Main thread only.
#pragma once

#include "foundation/BufferText.h"

namespace ScrapUtil {

inline constexpr int kLineLimit = 256;

// The message of the last failure.
extern char gErrorText[80];

// Empties the clipboard.
void ClearScrap();
// The clipboard's text becomes the lines of the paste buffer (made anew, or
// emptied). Gives the paste buffer, nil when it cannot be made; a
// clipboard without text leaves it empty and reports nothing.
BufferText::TextBuffer GetPasteBuffer();
// The clipboard gets the paste buffer's lines as its only contents.
void PutPasteBuffer();
// The clipboard gets the graphics module's last clipboard recording
// (Graphics::PictureHandle) as its only contents; emptied when there is
// none.
void PutPicture();

}  // namespace ScrapUtil
