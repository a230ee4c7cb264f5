// Pixel surfaces: the memory that windows, off-screen worlds and the screen
// draw into. A pixel is 0x00RRGGBB; the top byte is always 0.
#pragma once

#include <cstdint>
#include <vector>

namespace Surface {

using Pixel = std::uint32_t;
inline constexpr Pixel kRgbMask = 0x00FFFFFF;
// Bits per pixel, as the platform reports a port's depth.
inline constexpr int kPixelDepth = 32;

// The largest width or height a surface takes; larger requests are cut to it,
// so that a window grown to the platform's coordinate limit cannot ask for
// gigabytes.
inline constexpr int kMaxSide = 4096;

class Pixels {
 public:
  Pixels() = default;
  // Width and height are cut to 0 .. kMaxSide.
  Pixels(int width, int height, Pixel fill);

  // New size; the pixels of the old top-left part stay, new ones get fill.
  void Resize(int width, int height, Pixel fill);
  void Fill(Pixel fill);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // Rows are valid for y in 0 .. Height() - 1 and hold Width() pixels.
  Pixel* Row(int y) { return data_.data() + static_cast<std::size_t>(y) * width_; }
  const Pixel* Row(int y) const { return data_.data() + static_cast<std::size_t>(y) * width_; }
  Pixel At(int x, int y) const { return Row(y)[x]; }

  friend bool operator==(const Pixels&, const Pixels&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> data_;
};

}  // namespace Surface
