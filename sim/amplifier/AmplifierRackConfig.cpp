#include "sim/amplifier/AmplifierRackConfig.h"

#include <algorithm>

namespace {

constexpr int kMarkerField = 16;
constexpr int kVersionField = 9;

}  // namespace

std::string AmplifierVersionString(const AmplifierRackConfig& config, int rack, int board) {
  std::string version = config.serial;
  version += config.boards[static_cast<std::size_t>(rack * AmplifierRackConfig::kBoardsPerRack + board)].letter;
  if (config.boards_per_rack > 1) version += static_cast<char>('0' + config.boards_per_rack);
  return version;
}

std::vector<std::uint8_t> FreshPageImage(const std::string& version, const std::string& marker) {
  std::vector<std::uint8_t> image(PageEEPROM::kSize, 0xFF);
  std::fill_n(image.begin(), PageEEPROM::kPageSize, 0);
  std::copy_n(marker.begin(), std::min<std::size_t>(marker.size(), kMarkerField), image.begin());
  std::copy_n(version.begin(), std::min<std::size_t>(version.size(), kVersionField), image.begin() + kMarkerField);
  return image;
}

std::vector<std::uint8_t> FreshSmallImage(const std::string& text) {
  std::vector<std::uint8_t> image(MicrowireEEPROM::kSize, 0);
  std::copy_n(text.begin(), std::min<std::size_t>(text.size(), MicrowireEEPROM::kSize - 1), image.begin());
  return image;
}
