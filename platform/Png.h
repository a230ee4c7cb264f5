// PNG files of surfaces (through libpng): screen captures, window captures,
// picture exports and the golden images of the tests. Files are 8-bit RGB
// without alpha.
#pragma once

#include "platform/Geometry.h"
#include "platform/Surface.h"

#include <span>
#include <vector>

namespace Png {

// Writes the whole surface, or the part of it inside `area` (cut to the
// surface). False when the file cannot be written or the area is empty;
// the reason is then in ErrorText.
bool Save(const Surface::Pixels& pixels, std::span<const char> path);
bool Save(const Surface::Pixels& pixels, const Geometry::Rect& area, std::span<const char> path);

// The whole surface as the bytes of a PNG file, for callers that write the
// file themselves. False, the reason in ErrorText, for an empty surface or
// when it cannot be encoded.
bool Encode(const Surface::Pixels& pixels, std::vector<unsigned char>& bytes);

// Reads any PNG that libpng can turn into 8-bit RGB (palette, grey and alpha
// are converted; alpha is dropped). False, with pixels untouched, when the
// file is missing or not a PNG.
bool Load(std::span<const char> path, Surface::Pixels& pixels);

// The reason for the last failure; empty after a success.
const char* ErrorText();

}  // namespace Png
