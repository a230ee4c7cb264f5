// The layout of printed text: the area inside the page margins, and the
// lines of a text buffer set one page at a time into that area, with form
// feeds and wrapping at blanks. Measuring and drawing are the caller's
// (PageSink), so the layout is the same on any page.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/BufferText.h"
#include "platform/Geometry.h"

namespace PrinterLayout {

// A printed line ends after this many characters.
inline constexpr int kLineLength = 256;
inline constexpr char kFormFeed = 12;

// The page inside the margins (fractions of the page's height and width),
// each margin truncated to whole pixels.
Geometry::Rect MarginRect(const Geometry::Rect& page, double top, double bottom, double left, double right);

// Lines that fit the area with one line's height to spare; 0 when not one
// does (or for a line height below 1).
int LinesPerPage(const Geometry::Rect& area, int lineHeight);

class PageSink {
 public:
  virtual ~PageSink() = default;
  // Width in pixels of the characters in the page's font.
  virtual int TextWidth(std::span<const char> chars) = 0;
  // Draws the characters with the base line's start at (h, v).
  virtual void DrawLine(int h, int v, std::span<const char> chars) = 0;
};

// Where the text to print ends: before column lastColumn of line lastLine.
struct End {
  std::int32_t lastLine = 0;
  std::int32_t lastColumn = 0;
};

// Sets lines from line, column on into the area (the first base line one
// line height below its top) until the page is full, a form feed ends it
// or the text ends; line and column then tell where the next page goes
// on. FALSE, with nothing drawn, when not one line fits or nothing is left.
//   Each line is taken up to kLineLength characters, the last one up to
//   its last column; from column on. A line beginning with a form feed ends
//   the page unprinted, the next page going on behind the form feed. With
//   wrapping, a line wider than the area is printed in pieces: each the
//   longest start ending in a blank that fits (at least 3 characters),
//   else the longest start that fits, but at least 3 characters and never
//   fewer than the remaining 1 or 2.
bool LayOutPage(BufferText::TextBuffer buffer, const Geometry::Rect& area, int lineHeight, bool wrap,
                std::int32_t& line, std::int32_t& column, End end, PageSink& sink);

}  // namespace PrinterLayout
