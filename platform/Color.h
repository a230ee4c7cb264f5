// RGB colours as the program keeps them (three 16-bit components), their
// pixel form, and the platform's standard colours.
#pragma once

#include "platform/Surface.h"

#include <cstdint>

namespace Color {

struct RGB {
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  friend bool operator==(const RGB&, const RGB&) = default;
};

// The eight standard colours.
inline constexpr RGB kBlack{0, 0, 0};
inline constexpr RGB kWhite{0xFFFF, 0xFFFF, 0xFFFF};
inline constexpr RGB kRed{0xFFFF, 0, 0};
inline constexpr RGB kGreen{0, 0xFFFF, 0};
inline constexpr RGB kBlue{0, 0, 0xFFFF};
inline constexpr RGB kCyan{0, 0xFFFF, 0xFFFF};
inline constexpr RGB kMagenta{0xFFFF, 0, 0xFFFF};
inline constexpr RGB kYellow{0xFFFF, 0xFFFF, 0};

// The system highlight colour (selected text, highlighted items).
inline constexpr RGB kHilite{0xB5B5, 0xD5D5, 0xFFFF};

// A pixel keeps the high byte of each component; back to 16 bits each byte
// is repeated (0xAB -> 0xABAB), so white and black survive the round trip.
constexpr Surface::Pixel ToPixel(RGB c) {
  return (static_cast<Surface::Pixel>(c.red >> 8) << 16) |
         (static_cast<Surface::Pixel>(c.green >> 8) << 8) | (c.blue >> 8);
}

constexpr RGB FromPixel(Surface::Pixel p) {
  return RGB{static_cast<std::uint16_t>(((p >> 16) & 0xFF) * 257),
             static_cast<std::uint16_t>(((p >> 8) & 0xFF) * 257),
             static_cast<std::uint16_t>((p & 0xFF) * 257)};
}

}  // namespace Color
