// Drawing a picture read by PictReader again, and its PNG export.
#pragma once

#include "platform/Geometry.h"
#include "platform/PictReader.h"
#include "platform/Surface.h"

#include <cstdint>
#include <span>

namespace PictPlay {

// Draws the picture into the current port with its frame's top-left corner
// at `topLeft`. It starts from a new port's drawing state and clips to its
// recorded clip within the port's own; the port's state is as before
// afterwards (its pen location included).
void Draw(const PictReader::Parsed& picture, Geometry::Point topLeft);

// The picture drawn on white pixels of its frame's size (cut to
// Surface::kMaxSide). False when the data are not a picture PictReader
// reads.
bool Render(std::span<const std::uint8_t> picture, Surface::Pixels& pixels);

// Render, saved as a PNG file.
bool ExportPNG(std::span<const std::uint8_t> picture, std::span<const char> path);

}  // namespace PictPlay
