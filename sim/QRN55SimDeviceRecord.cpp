#include "sim/QRN55SimDeviceRecord.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace {

constexpr int kCRCOffset = 400;

void PutInt32(std::span<std::uint8_t> record, int offset, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) record[offset + i] = static_cast<std::uint8_t>(bits >> 8 * i);
}

void PutDouble(std::span<std::uint8_t> record, int offset, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) record[offset + i] = static_cast<std::uint8_t>(bits >> 8 * i);
}

void PutText(std::span<std::uint8_t> record, int offset, const std::string& text, int field) {
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(field - 1));
  std::memcpy(&record[offset], text.data(), length);
}

}  // namespace

std::array<std::uint8_t, QRN55SimDeviceRecord::kSize> QRN55SimDeviceRecord::Encode() const {
  std::array<std::uint8_t, kSize> record{};
  const int characters = static_cast<int>(std::min<std::size_t>(unit_serial.size(), 15));
  record[0] = static_cast<std::uint8_t>(2 + 2 * characters);
  record[1] = 3;
  for (int i = 0; i < characters; ++i)
    record[2 + 2 * i] = static_cast<std::uint8_t>(unit_serial[i]);
  PutText(record, 32, device_serial, 32);
  PutText(record, 64, description, 32);
  PutInt32(record, 96, model);
  PutInt32(record, 100, unit_count);
  PutInt32(record, 104, unit_index);
  PutInt32(record, 108, input_fifo_size);
  PutInt32(record, 112, output_fifo_size);
  PutInt32(record, 116, sequence_counter_delay);
  PutInt32(record, 120, pipeline_length);
  int offset = 128;
  const auto put_doubles = [&](std::span<const double> values) {
    for (double value : values) {
      PutDouble(record, offset, value);
      offset += 8;
    }
  };
  put_doubles(input_scale);
  put_doubles(input_offset);
  put_doubles(output_scale);
  put_doubles(output_offset);
  PutInt32(record, 384, revision);
  PutInt32(record, 388, firmware);
  PutInt32(record, 392, production);
  PutText(record, 396, eeprom_version, 4);
  PutText(record, 404, write_date, 32);
  std::uint32_t sum = 0;
  for (std::uint8_t byte : record) sum += byte;  // the CRC field is still zero here
  PutInt32(record, kCRCOffset, static_cast<std::int32_t>(sum));
  return record;
}
