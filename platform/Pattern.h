// 8 x 8 one-bit patterns for pens, fills and backgrounds.
//
// A pattern is anchored to the local coordinates of the port it is drawn
// in: pixel (x, y) takes bit 7 - (x & 7) of row y & 7, so adjoining shapes
// drawn with one pattern join without a seam.
#pragma once

#include <array>
#include <cstdint>

namespace Pattern {

struct Pat {
  std::array<std::uint8_t, 8> rows{};
  friend bool operator==(const Pat&, const Pat&) = default;
};

inline constexpr Pat kBlack{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
inline constexpr Pat kWhite{{0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr Pat kGray{{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
inline constexpr Pat kLtGray{{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}};
inline constexpr Pat kDkGray{{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}};

constexpr bool Bit(const Pat& p, int x, int y) {
  return ((p.rows[static_cast<unsigned>(y) & 7] >> (7 - (static_cast<unsigned>(x) & 7))) & 1) != 0;
}

// The program's pattern list (pattern-list resource 145 of the resources),
// entries 1 .. kListSize: the pen patterns of the four line types, each
// giving the same dashes on horizontal and vertical lines.
//   1 solid; 2 dashes of 4 on, 4 off; 3 dots every other pixel;
//   4 long dashes of 6 on, 2 off.
inline constexpr int kListSize = 4;
// The entry, or false (pat unchanged) for an index outside 1 .. kListSize.
bool ListEntry(int index, Pat& pat);

}  // namespace Pattern
