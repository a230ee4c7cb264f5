#include "platform/Surface.h"

#include <algorithm>

namespace Surface {

namespace {
int CutSide(int n) { return std::clamp(n, 0, kMaxSide); }
}  // namespace

Pixels::Pixels(int width, int height, Pixel fill)
    : width_(CutSide(width)),
      height_(CutSide(height)),
      data_(static_cast<std::size_t>(width_) * height_, fill) {}

void Pixels::Resize(int width, int height, Pixel fill) {
  Pixels resized(width, height, fill);
  const int w = std::min(width_, resized.width_);
  const int h = std::min(height_, resized.height_);
  for (int y = 0; y < h; ++y) std::copy_n(Row(y), w, resized.Row(y));
  *this = std::move(resized);
}

void Pixels::Fill(Pixel fill) { std::fill(data_.begin(), data_.end(), fill); }

}  // namespace Surface
