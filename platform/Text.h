// Text in the current port: its font, size, face and text mode, starting at
// the pen on the base line; the pen moves on by the text's width.
//
// Each character owns a cell from the pen to its advance and from the
// ascent above the base line to the descent below it. Modes whose 0 bits
// act (copy, notCopy, notOr, notXor, notBic) act over the whole cell, so
// copy paints the cell's background and notXor over a blank inverts the
// cell; ink that overhangs its cell is drawn with the 1-bit rule only.
#pragma once

#include "platform/Fonts.h"

#include <span>

namespace Text {

void DrawChar(unsigned char c);
// Every character of the span, NULs included.
void DrawText(std::span<const char> chars);
// The characters before the first NUL (all when there is none).
void DrawString(std::span<const char> text);

int CharWidth(unsigned char c);
int TextWidth(std::span<const char> chars);
int StringWidth(std::span<const char> text);

// Of the current port's font, size and face.
Fonts::FontInfo GetFontInfo();

}  // namespace Text
