#include "dialogs/ModColorPicker.h"

#include <array>

#include "platform/ColorPicker.h"

namespace ModColorPicker {

namespace {

constexpr int kDefaultCorner = 80;
constexpr std::uint16_t kHalf = 0x8000;
constexpr std::uint16_t kLight = 0xC000;
constexpr std::uint16_t kFull = 0xFFFF;

constexpr std::array<Color::RGB, 16> kTable = {{
    {0, 0, 0},
    {kHalf, 0, 0},
    {0, kHalf, 0},
    {kHalf, kHalf, 0},
    {0, 0, kHalf},
    {kHalf, 0, kHalf},
    {0, kHalf, kHalf},
    {kHalf, kHalf, kHalf},
    {kLight, kLight, kLight},
    {kFull, 0, 0},
    {0, kFull, 0},
    {kFull, kFull, 0},
    {0, 0, kFull},
    {kFull, 0, kFull},
    {0, kFull, kFull},
    {kFull, kFull, kFull},
}};

std::uint16_t Dimmed(std::uint16_t c) { return static_cast<std::uint16_t>((c + 65535u) / 2); }

}  // namespace

void GetColor(Color::RGB& colour, int x, int y) {
  if (x <= 0) x = kDefaultCorner;
  if (y <= 0) y = kDefaultCorner;
  Color::RGB chosen;
  if (ColorPicker::GetColor(Geometry::Point{x + 100, y + 3}, "Color Picker", colour, chosen)) colour = chosen;
}

void MakeDimmedRGB(const Color::RGB& colour, Color::RGB& dimmed) {
  dimmed = Color::RGB{Dimmed(colour.red), Dimmed(colour.green), Dimmed(colour.blue)};
}

void IndexToColor(int index, Color::RGB& colour) {
  colour = index >= 0 && index < static_cast<int>(kTable.size()) ? kTable[static_cast<std::size_t>(index)]
                                                                  : Color::RGB{0, 0, 0};
}

}  // namespace ModColorPicker
