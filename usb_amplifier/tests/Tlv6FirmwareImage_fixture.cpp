#include "usb_amplifier/tests/Tlv6FirmwareImage_fixture.h"

namespace {

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes, bool bigEndian) {
  for (int i = 0; i < bytes; ++i) {
    const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
    out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> shift);
  }
}

}  // namespace

std::vector<std::uint8_t> TestImage(int n) {
  std::vector<std::uint8_t> image(static_cast<std::size_t>(n));
  std::uint32_t state = 12345;
  for (std::uint8_t& b : image) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);
  }
  return image;
}

std::string FirmwareFile::Bytes() const {
  std::vector<std::uint8_t> out(282 + data.size(), 0);
  for (std::size_t i = 0; i < id.size() && i < 18; ++i) out[i] = static_cast<std::uint8_t>(id[i]);
  Put(out, 18, format, 2, bigEndian);
  Put(out, 20, version, 2, bigEndian);
  Put(out, 22, headerSizeField.value_or(282), 4, bigEndian);
  Put(out, 26, dataSizeField.value_or(static_cast<std::uint32_t>(data.size())), 4, bigEndian);
  for (std::size_t i = 0; i < date.size() && i < 12; ++i) out[30 + i] = static_cast<std::uint8_t>(date[i]);
  std::copy(data.begin(), data.end(), out.begin() + 282);
  std::uint32_t sum = 0;
  for (std::uint8_t b : out) sum += b;
  Put(out, 276, sum, 4, bigEndian);
  if (corruptAfterChecksum >= 0) out[static_cast<std::size_t>(corruptAfterChecksum)] ^= 0x5A;
  if (truncateTo >= 0) out.resize(static_cast<std::size_t>(truncateTo));
  out.resize(out.size() + static_cast<std::size_t>(trailing), 0x11);
  return {out.begin(), out.end()};
}

int ReadVersion(const std::string& file) {
  return static_cast<std::uint8_t>(file[20]) | static_cast<std::uint8_t>(file[21]) << 8;
}
