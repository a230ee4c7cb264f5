// Reads pictures in the form Picture records them (an extended version-2
// picture, see Picture.h) back into a list of operations. Only the opcodes
// Picture writes are known; anything else is refused, so a picture read
// here is one this program can draw again exactly.
#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Pattern.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace PictReader {

// One opcode with its data; which fields hold something depends on it:
//   clip, shapes: rect; polygons: rect (bounding box) and points;
//   line: a (from), b (to); text: a (position), text;
//   pen size, oval size: a (h, v); modes, font, face, size, comment: value;
//   patterns: pat; colours: rgb.
struct Op {
  int opcode = 0;
  Geometry::Rect rect;
  Geometry::Point a;
  Geometry::Point b;
  int value = 0;
  Pattern::Pat pat;
  Color::RGB rgb;
  std::vector<Geometry::Point> points;
  std::string text;
};

struct Parsed {
  Geometry::Rect frame;
  int version = 0;  // -2
  int hRes = 0;     // dots per inch
  int vRes = 0;
  std::vector<Op> ops;  // up to, not including, the end opcode
};

// False, with the reason in ErrorText, for data that are not such a picture
// (wrong version, unknown opcode, data running past the end, no end
// opcode).
bool Parse(std::span<const std::uint8_t> data, Parsed& out);
// A picture file: Picture::kFileHeaderSize bytes of header, then the
// picture.
bool ParseFile(std::span<const std::uint8_t> data, Parsed& out);
const char* ErrorText();

}  // namespace PictReader
