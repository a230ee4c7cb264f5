// png_equal A.png B.png: exit 0 when both images have the same size and
// pixels; otherwise tells how many pixels differ and exits 1.
#include "platform/Png.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: png_equal A.png B.png\n");
    return 2;
  }
  Surface::Pixels a;
  Surface::Pixels b;
  for (int i = 1; i <= 2; ++i) {
    if (!Png::Load(std::string(argv[i]), i == 1 ? a : b)) {
      std::fprintf(stderr, "png_equal: %s: %s\n", argv[i], Png::ErrorText());
      return 2;
    }
  }
  if (a.Width() != b.Width() || a.Height() != b.Height()) {
    std::printf("sizes differ: %dx%d and %dx%d\n", a.Width(), a.Height(), b.Width(), b.Height());
    return 1;
  }
  int differing = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) differing += a.At(x, y) != b.At(x, y) ? 1 : 0;
  }
  std::printf("%d pixels differ\n", differing);
  return differing == 0 ? 0 : 1;
}
