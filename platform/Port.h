// Drawing ports: where drawing lands and with what state (pen, colours,
// patterns, text settings, clipping), and the current port that the drawing
// calls of Lines, Shapes, Text and Blit work in.
//
// A port draws into a pixel surface through its own local coordinates:
// local (0, 0) lies at pixel `origin` of the surface. A window's port has
// local (0, 0) at the top-left corner of its content; an off-screen world's
// port uses the local coordinates it was made with. Drawing reaches only
// pixels inside the visible region, the clip region and the surface.
//
// While a picture is being recorded in a port (Picture::Open), the drawing
// calls record instead of drawing.
#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Pattern.h"
#include "platform/Region.h"
#include "platform/Surface.h"

#include <cstdint>

namespace Picture {
struct Recorder;
}

namespace Port {

// Transfer modes. A one-bit source (a pattern, a glyph) is combined with
// the destination D using the port's foreground F and background B colours:
//   copy: 1 -> F, 0 -> B        notCopy: 1 -> B, 0 -> F
//   or:   1 -> F, 0 -> D        notOr:   1 -> D, 0 -> F
//   xor:  1 -> ~D, 0 -> D       notXor:  1 -> D, 0 -> ~D
//   bic:  1 -> B, 0 -> D        notBic:  1 -> D, 0 -> B
// (~D inverts every bit of the pixel). The source modes apply to text and
// copies, the pattern modes to pens and fills; a mode outside 0 .. 15 acts
// as copy.
inline constexpr int kSrcCopy = 0;
inline constexpr int kSrcOr = 1;
inline constexpr int kSrcXor = 2;
inline constexpr int kSrcBic = 3;
inline constexpr int kNotSrcCopy = 4;
inline constexpr int kNotSrcOr = 5;
inline constexpr int kNotSrcXor = 6;
inline constexpr int kNotSrcBic = 7;
inline constexpr int kPatCopy = 8;
inline constexpr int kPatOr = 9;
inline constexpr int kPatXor = 10;
inline constexpr int kPatBic = 11;
inline constexpr int kNotPatCopy = 12;
inline constexpr int kNotPatOr = 13;
inline constexpr int kNotPatXor = 14;
inline constexpr int kNotPatBic = 15;

// Text face bits; outline, shadow, condense and extend are kept but drawn
// as plain text.
inline constexpr int kBold = 1;
inline constexpr int kItalic = 2;
inline constexpr int kUnderline = 4;
inline constexpr int kOutline = 8;
inline constexpr int kShadow = 16;
inline constexpr int kCondense = 32;
inline constexpr int kExtend = 64;

// The clip region of a new port: every coordinate a picture can hold.
inline constexpr Geometry::Rect kWideOpen{-32767, -32767, 32767, 32767};

struct GrafPort {
  Surface::Pixels* pixels = nullptr;
  Geometry::Point origin;        // pixel of local (0, 0)
  Geometry::Point globalOrigin;  // screen position of local (0, 0)
  Geometry::Rect portRect;
  Region::Rgn visRgn;
  Region::Rgn clipRgn;

  Geometry::Point pnLoc;
  Geometry::Point pnSize{1, 1};
  int pnMode = kPatCopy;
  Pattern::Pat pnPat = Pattern::kBlack;
  Pattern::Pat bkPat = Pattern::kWhite;
  Color::RGB fgColor = Color::kBlack;
  Color::RGB bkColor = Color::kWhite;

  int txFont = 22;  // Courier
  int txFace = 0;
  int txMode = kSrcOr;
  int txSize = 12;

  Picture::Recorder* picture = nullptr;
  void* window = nullptr;  // the window owning the port; nil for any other
};

// Makes a port with default state on the pixels: local portRect.topLeft is
// pixel (0, 0), the visible region is portRect, the clip region wide open.
void InitPort(GrafPort& port, Surface::Pixels* pixels, const Geometry::Rect& portRect);

// The current port; nil when none is set. Every call below works on the
// current port and does nothing (or gives defaults) without one.
void SetPort(GrafPort* port);
GrafPort* GetPort();

void PenSize(int width, int height);
void PenMode(int mode);
void PenPat(const Pattern::Pat& pat);
// Pen 1 x 1, pattern copy, black pattern.
void PenNormal();
void MoveTo(int h, int v);
void Move(int dh, int dv);
Geometry::Point GetPen();

void RGBForeColor(const Color::RGB& color);
void RGBBackColor(const Color::RGB& color);
Color::RGB GetForeColor();
Color::RGB GetBackColor();
void BackPat(const Pattern::Pat& pat);

void TextFont(int font);
// 0 means the default size, 12.
void TextSize(int size);
void TextFace(int face);
void TextMode(int mode);

void ClipRect(const Geometry::Rect& r);
void SetClip(const Region::Rgn& rgn);
Region::Rgn GetClip();
Geometry::Rect GetPortBounds();

// Between the current port's local coordinates and global screen
// coordinates (for an off-screen port global equals local).
void LocalToGlobal(Geometry::Point& p);
void GlobalToLocal(Geometry::Point& p);

// Counts every change of pixels in any port; the desktop compares it to
// know when the screen needs presenting again.
void MarkChanged();
std::uint64_t ChangeCount();

}  // namespace Port
