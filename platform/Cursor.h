// The mouse cursor: 16 x 16 images with a mask and a hot spot, the standard
// ones, and hiding by count (every HideCursor needs a ShowCursor).
#pragma once

#include "platform/Geometry.h"

#include <array>
#include <cstdint>

namespace Cursor {

// Row y is data[y] (bit 15 the leftmost pixel). Data 1 with mask 1 is black,
// data 0 with mask 1 white, mask 0 leaves the screen as it is.
struct Image {
  std::array<std::uint16_t, 16> data{};
  std::array<std::uint16_t, 16> mask{};
  Geometry::Point hotSpot;
  friend bool operator==(const Image&, const Image&) = default;
};

const Image& Arrow();
const Image& IBeam();
const Image& Cross();
const Image& Watch();

// The arrow, shown.
void InitCursor();
void SetCursor(const Image& image);
void HideCursor();
void ShowCursor();
bool IsVisible();
const Image& Current();

}  // namespace Cursor
