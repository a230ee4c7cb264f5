#include "platform/Png.h"

#include <png.h>

#include <cstring>
#include <string>
#include <vector>

namespace Png {

namespace {

std::string errorText;

std::string PathText(std::span<const char> path) {
  std::size_t n = 0;
  while (n < path.size() && path[n] != '\0') ++n;
  return std::string(path.data(), n);
}

bool Fail(const char* what, const png_image& image) {
  errorText = what;
  if (image.message[0] != '\0') {
    errorText += ": ";
    errorText += image.message;
  }
  return false;
}

}  // namespace

bool Save(const Surface::Pixels& pixels, std::span<const char> path) {
  return Save(pixels, Geometry::SetRect(0, 0, pixels.Width(), pixels.Height()), path);
}

namespace {

// The image of the part of the surface inside r (not empty) as 8-bit RGB.
std::vector<png_byte> Rgb(const Surface::Pixels& pixels, const Geometry::Rect& r, png_image& image) {
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(Geometry::Width(r));
  image.height = static_cast<png_uint_32>(Geometry::Height(r));
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  png_byte* out = rgb.data();
  for (int y = r.top; y < r.bottom; ++y) {
    const Surface::Pixel* row = pixels.Row(y);
    for (int x = r.left; x < r.right; ++x) {
      *out++ = static_cast<png_byte>(row[x] >> 16);
      *out++ = static_cast<png_byte>(row[x] >> 8);
      *out++ = static_cast<png_byte>(row[x]);
    }
  }
  return rgb;
}

}  // namespace

bool Save(const Surface::Pixels& pixels, const Geometry::Rect& area, std::span<const char> path) {
  const Geometry::Rect r =
      Geometry::SectRect(area, Geometry::SetRect(0, 0, pixels.Width(), pixels.Height()));
  png_image image;
  std::memset(&image, 0, sizeof image);
  if (Geometry::EmptyRect(r)) return Fail("empty image", image);
  const std::vector<png_byte> rgb = Rgb(pixels, r, image);
  const std::string file = PathText(path);
  if (png_image_write_to_file(&image, file.c_str(), 0, rgb.data(), 0, nullptr) == 0) {
    return Fail("cannot write PNG", image);
  }
  errorText.clear();
  return true;
}

bool Encode(const Surface::Pixels& pixels, std::vector<unsigned char>& bytes) {
  const Geometry::Rect r = Geometry::SetRect(0, 0, pixels.Width(), pixels.Height());
  png_image image;
  std::memset(&image, 0, sizeof image);
  if (Geometry::EmptyRect(r)) return Fail("empty image", image);
  const std::vector<png_byte> rgb = Rgb(pixels, r, image);
  png_alloc_size_t size = 0;
  if (png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr) == 0) {
    return Fail("cannot encode PNG", image);
  }
  bytes.resize(size);
  if (png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr) == 0) {
    return Fail("cannot encode PNG", image);
  }
  bytes.resize(size);
  errorText.clear();
  return true;
}

bool Load(std::span<const char> path, Surface::Pixels& pixels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  const std::string file = PathText(path);
  if (png_image_begin_read_from_file(&image, file.c_str()) == 0) {
    return Fail("cannot read PNG", image);
  }
  image.format = PNG_FORMAT_RGB;
  if (image.width > static_cast<png_uint_32>(Surface::kMaxSide) ||
      image.height > static_cast<png_uint_32>(Surface::kMaxSide)) {
    png_image_free(&image);
    return Fail("PNG too large", image);
  }
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
    return Fail("cannot decode PNG", image);
  }
  const int w = static_cast<int>(image.width);
  const int h = static_cast<int>(image.height);
  Surface::Pixels loaded(w, h, 0);
  const png_byte* in = rgb.data();
  for (int y = 0; y < h; ++y) {
    Surface::Pixel* row = loaded.Row(y);
    for (int x = 0; x < w; ++x, in += 3) {
      row[x] = (static_cast<Surface::Pixel>(in[0]) << 16) |
               (static_cast<Surface::Pixel>(in[1]) << 8) | in[2];
    }
  }
  pixels = std::move(loaded);
  errorText.clear();
  return true;
}

const char* ErrorText() { return errorText.c_str(); }

}  // namespace Png
