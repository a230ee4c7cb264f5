// The 512-byte device information record that a QRN 5+5 unit keeps in its
// EEPROM, as a simulated unit is given it: the fields, and their encoding
// (little-endian numbers, the unit serial number as a USB string
// descriptor, the byte-sum CRC).
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct QRN55SimDeviceRecord {
  static constexpr int kSize = 512;
  // Where a unit keeps the record in its EEPROM.
  static constexpr int kEEPROMAddress = 0x3E00;

  std::string unit_serial = "123456010700010";
  std::string device_serial = "123456010700010";
  std::string description = "VRNL QRN55";
  std::int32_t model = 1;
  std::int32_t unit_count = 1;
  std::int32_t unit_index = 0;
  std::int32_t input_fifo_size = 262136;
  std::int32_t output_fifo_size = 262136;
  std::int32_t sequence_counter_delay = 2;
  std::int32_t pipeline_length = 0;
  std::array<double, 9> input_scale{0.0003125, 0.0003125, 0.0003125, 0.0003125, 0.0003125,
                                    0.0003125, 0.0003125, 0.0003125, 0.0003125};
  std::array<double, 9> input_offset{};
  std::array<double, 5> output_scale{0.0003125, 0.0003125, 0.0003125, 0.0003125, 0.0003125};
  std::array<double, 5> output_offset{};
  std::int32_t revision = 1;
  std::int32_t firmware = 7;
  std::int32_t production = 1;
  std::string eeprom_version = "v03";
  std::string write_date;

  // Texts longer than their fields are cut (the unit serial to 15
  // characters, the others to 31).
  std::array<std::uint8_t, kSize> Encode() const;
};
