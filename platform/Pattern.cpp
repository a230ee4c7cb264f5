#include "platform/Pattern.h"

namespace Pattern {

namespace {

// Diagonal stripes: every row is the row above rotated right by one, so a
// horizontal or vertical line through the pattern sees the same run lengths.
constexpr Pat Stripes(std::uint8_t row0) {
  Pat p;
  unsigned row = row0;
  for (auto& r : p.rows) {
    r = static_cast<std::uint8_t>(row);
    row = ((row >> 1) | (row << 7)) & 0xFF;
  }
  return p;
}

constexpr std::array<Pat, kListSize> kList{kBlack, Stripes(0xF0), kGray, Stripes(0xFC)};

}  // namespace

bool ListEntry(int index, Pat& pat) {
  if (index < 1 || index > kListSize) return false;
  pat = kList[index - 1];
  return true;
}

}  // namespace Pattern
