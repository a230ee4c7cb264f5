// Moving pixels: copies between ports and scrolling inside one.
#pragma once

#include "platform/Geometry.h"
#include "platform/Port.h"
#include "platform/Region.h"

namespace Blit {

// Copies srcRect of the source port onto dstRect of the destination port
// (each in its own local coordinates); the rectangles must be of one size.
// Only pixels that exist in the source and lie in the destination's visible
// and clip regions (and in mask, in the destination's local coordinates,
// when one is given) change. Source and destination may share pixels.
// Modes combine source S and destination D pixel by pixel, treating black
// as ink (the one-bit meaning with black foreground and white background):
//   srcCopy S; srcOr S and D; srcXor not (S xor D); srcBic D or not S;
//   notSrcCopy not S; notSrcOr D and not S; notSrcXor S xor D;
//   notSrcBic D or S (bitwise, within 0x00FFFFFF); other modes act as
// srcCopy. False, changing nothing, when the sizes differ or a port has no
// pixels.
bool CopyBits(const Port::GrafPort& src, Port::GrafPort& dst, const Geometry::Rect& srcRect,
              const Geometry::Rect& dstRect, int mode, const Region::Rgn* mask);

// Shifts the pixels of r in the current port by (dh, dv), within the part
// of r that the port may draw in; pixels shifted out are lost. The area the
// shift uncovers is erased with the background pattern and handed back in
// updateRgn (local coordinates); it is not added to any window's update
// region, so the caller decides what to redraw. updateRgn is empty when
// nothing moved.
void ScrollRect(const Geometry::Rect& r, int dh, int dv, Region::Rgn& updateRgn);

}  // namespace Blit
