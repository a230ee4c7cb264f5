// Pictures: drawing recorded in the platform's extended version-2 picture
// format (PICT at 72 dpi), to be written to a picture file, put on the
// clipboard, read back by PictReader and drawn again by PictPlay.
//
// Layout of a picture (all numbers big-endian, opcodes 16 bits, data padded
// to an even length):
//   size word (low 16 bits of the length), frame rectangle,
//   0x0011 0x02FF (version 2),
//   0x0C00 header: version -2, 0, horizontal and vertical resolution 72.0
//          (16.16 fixed), the frame as source rectangle, 4 reserved bytes 0,
//   the clip region of the port (as its bounding rectangle),
//   the operations, each preceded by the state opcodes for what changed
//   since the last one (relative to a new port's defaults, Port::InitPort),
//   0x00FF end of picture.
// A picture file is kFileHeaderSize zero bytes followed by the picture.
//
// Recorded: lines, frame/paint/erase/invert/fill of rectangles, rounded
// rectangles, ovals and polygons, text, picture comments. Not recorded:
// pixel copies and scrolling, which act on the port's pixels as usual.
#pragma once

#include "platform/Geometry.h"
#include "platform/Pattern.h"
#include "platform/Port.h"

#include <cstdint>
#include <span>
#include <vector>

namespace Picture {

using Data = std::vector<std::uint8_t>;

inline constexpr int kFileHeaderSize = 512;
inline constexpr int kResolution = 72;
inline constexpr int kVersion = -2;

// Picture comment kinds the program brackets polylines with.
inline constexpr int kPolyBegin = 140;
inline constexpr int kPolyEnd = 141;

// Opcodes.
inline constexpr int kOpClip = 0x0001;
inline constexpr int kOpBkPat = 0x0002;
inline constexpr int kOpTxFont = 0x0003;
inline constexpr int kOpTxFace = 0x0004;
inline constexpr int kOpTxMode = 0x0005;
inline constexpr int kOpPnSize = 0x0007;
inline constexpr int kOpPnMode = 0x0008;
inline constexpr int kOpPnPat = 0x0009;
inline constexpr int kOpFillPat = 0x000A;
inline constexpr int kOpOvSize = 0x000B;
inline constexpr int kOpTxSize = 0x000D;
inline constexpr int kOpVersion = 0x0011;
inline constexpr int kOpRGBFgCol = 0x001A;
inline constexpr int kOpRGBBkCol = 0x001B;
inline constexpr int kOpLine = 0x0020;
inline constexpr int kOpLongText = 0x0028;
inline constexpr int kOpRect = 0x0030;       // + verb
inline constexpr int kOpRRect = 0x0040;      // + verb
inline constexpr int kOpOval = 0x0050;       // + verb
inline constexpr int kOpPoly = 0x0070;       // + verb
inline constexpr int kOpShortComment = 0x00A0;
inline constexpr int kOpEndPic = 0x00FF;
inline constexpr int kOpHeader = 0x0C00;

// What a shape operation does, added to the shape's base opcode.
enum Verb { kFrame = 0, kPaint = 1, kErase = 2, kInvert = 3, kFill = 4 };

// Starts recording in the current port with the frame (local coordinates).
// False, changing nothing, without a current port or when it already
// records.
bool Open(const Geometry::Rect& frame);

// Ends the current port's recording and gives the picture; empty when the
// port was not recording.
Data Close();

// Ends a port's recording, dropping what was recorded; nothing when it does
// not record. Whoever disposes of a port calls it.
void Discard(Port::GrafPort& port);

// Appends a short picture comment to the current port's recording.
void Comment(int kind);

// The recording side of the drawing calls, for a port that records.
// Coordinates are cut to 16 bits. RecordText takes at most 255 characters
// (Text splits longer runs); a polygon at most 8,189 points.
void RecordLine(Port::GrafPort& port, Geometry::Point from, Geometry::Point to);
void RecordRect(Port::GrafPort& port, Verb verb, const Geometry::Rect& r, const Pattern::Pat* fill);
void RecordRoundRect(Port::GrafPort& port, Verb verb, const Geometry::Rect& r, int ovalWidth,
                     int ovalHeight, const Pattern::Pat* fill);
void RecordOval(Port::GrafPort& port, Verb verb, const Geometry::Rect& r, const Pattern::Pat* fill);
void RecordPoly(Port::GrafPort& port, Verb verb, std::span<const Geometry::Point> points,
                const Pattern::Pat* fill);
void RecordText(Port::GrafPort& port, Geometry::Point at, std::span<const char> chars);

}  // namespace Picture
