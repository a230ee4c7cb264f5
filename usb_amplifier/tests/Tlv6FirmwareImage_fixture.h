#pragma once

// TLV 6 firmware files built byte by byte from the file layout, with the
// knobs that spoil them in the ways the loader must refuse.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// n bytes of a fixed pseudo-random pattern.
std::vector<std::uint8_t> TestImage(int n);

struct FirmwareFile {
  FirmwareFile(std::vector<std::uint8_t> image, std::uint16_t version)
      : data(std::move(image)), version(version) {}

  std::vector<std::uint8_t> data;
  std::uint16_t version;
  std::string id = "TLV6-Firmware";
  std::uint16_t format = 203;
  std::string date = "10-Dec-2026";
  bool bigEndian = false;
  std::optional<std::uint32_t> headerSizeField;  // else 282
  std::optional<std::uint32_t> dataSizeField;    // else the data's size
  int corruptAfterChecksum = -1;                 // offset of a byte changed afterwards
  int truncateTo = -1;
  int trailing = 0;                              // bytes appended afterwards

  std::string Bytes() const;
};

// The version field of a little-endian file.
int ReadVersion(const std::string& file);
