// Fuzz entry point of the QRN 5+5 unit decoding: arbitrary bytes become a
// unit's signature block and EEPROM image, the unit is discovered and
// opened by the driver with its data log on, and the outcome is checked
// against an independent reading of the record. The libFuzzer target
// (fuzz/qrn55_decode_fuzz.cpp) and the test that replays the corpus call
// the same function.
//
// Input: bytes 0-11 are the signature block (magic, device-information
// location, length, timer unit, firmware, logic); the rest is written into
// the 16 KB EEPROM from the location rounded down to 64, wrapping. Missing
// bytes are zero. Run gives false when an expectation failed; memory errors
// are the sanitizers' to find.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "Common/QRN55/Driver/QRN55DeviceManager.h"
#include "sim/QRN55SimUnit.h"
#include "sim/QRN55SimVolumes.h"

namespace QRN55DecodeFuzz {

inline constexpr int kEEPROMSize = QRN55SimUnit::kEEPROMSize;

inline std::int32_t Int32At(const std::vector<std::uint8_t>& record, int offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | record[offset + i];
  return static_cast<std::int32_t>(value);
}

// What a unit with this record should come out as, read straight from the
// record's layout.
struct Verdict {
  int state;
  bool named;  // a device serial number and a unit count to group by
  std::int32_t unit_count;
  std::int32_t unit_index;
};

inline Verdict Judge(const std::vector<std::uint8_t>& signature,
                     const std::vector<std::uint8_t>& eeprom) {
  if (std::memcmp(signature.data(), "VRNL", 4) != 0) return {2, false, 0, 0};
  const int location = signature[4] | signature[5] << 8;
  const int length = signature[6] | signature[7] << 8;
  const int size = std::min(length / 64 * 64, 512);
  if (size == 0) return {3, false, 0, 0};
  std::vector<std::uint8_t> record(512, 0);
  for (int i = 0; i < size; ++i) record[i] = eeprom[(location / 64 * 64 + i) % kEEPROMSize];

  const int descriptor = static_cast<std::int8_t>(record[0]);
  if (descriptor < 26) return {4, false, 0, 0};
  if (descriptor > 32) return {5, false, 0, 0};
  if (descriptor % 2 != 0) return {6, false, 0, 0};
  if (record[1] != 3) return {8, false, 0, 0};
  for (int i = 0; i < descriptor / 2 - 1; ++i) {
    const int c = record[2 + 2 * i] | record[3 + 2 * i] << 8;
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return {9, false, 0, 0};
  }
  const bool has_serial = record[32] != 0;
  const std::int32_t model = Int32At(record, 96);
  if (model < 0) return {10, false, 0, 0};
  if (model > 1) return {11, false, 0, 0};
  const std::int32_t count = Int32At(record, 100);
  if (count <= 0) return {12, false, count, 0};
  const bool named = has_serial;
  const std::int32_t index = Int32At(record, 104);
  if (index < 0) return {13, named, count, index};
  if (index >= count) return {14, named, count, index};
  if (Int32At(record, 108) <= 0) return {15, named, count, index};
  if (Int32At(record, 112) <= 0) return {16, named, count, index};
  const std::int32_t delay = Int32At(record, 116);
  if (delay < 0) return {17, named, count, index};
  if (delay > 100) return {18, named, count, index};
  return {0, named, count, index};
}

inline int ExpectedDeviceStatus(const Verdict& verdict) {
  if (!verdict.named) return QRN55Device::kFaulty;
  if (verdict.unit_index < 0 || verdict.unit_index >= verdict.unit_count) {
    return QRN55Device::kSlotConflict;
  }
  if (verdict.state != 0) return QRN55Device::kFaulty;
  return verdict.unit_count == 1 ? QRN55Device::kComplete : QRN55Device::kIncomplete;
}

inline bool Ended(const char* text, int capacity) {
  return std::find(text, text + capacity, '\0') != text + capacity;
}

inline bool Run(std::span<const std::uint8_t> input) {
  const std::uint8_t* data = input.data();
  const std::size_t size = input.size();
  std::vector<std::uint8_t> signature(12, 0);
  std::copy_n(data, std::min<std::size_t>(size, 12), signature.begin());
  QRN55SimUnitConfig config;
  std::memcpy(config.signature.magic.data(), signature.data(), 4);
  config.signature.information_location =
      static_cast<std::uint16_t>(signature[4] | signature[5] << 8);
  config.signature.information_length =
      static_cast<std::uint16_t>(signature[6] | signature[7] << 8);
  config.signature.timer_unit = static_cast<std::uint16_t>(signature[8] | signature[9] << 8);
  config.signature.firmware = signature[10];
  config.signature.logic = signature[11];

  std::vector<std::uint8_t> eeprom(kEEPROMSize, 0);
  const int start = config.signature.information_location / 64 * 64;
  for (std::size_t i = 12; i < size && i - 12 < static_cast<std::size_t>(kEEPROMSize); ++i) {
    eeprom[(start + i - 12) % kEEPROMSize] = data[i];
  }
  QRN55SimUnit unit(config);
  unit.WriteEEPROM(0, eeprom);

  QRN55SimVolumes volumes;
  volumes.Mount(QRN55DeviceManager::VolumePrefix(), &unit);
  QRN55DeviceManager manager(volumes);
  QRN55GlobalContext& context = manager.GetGlobalContext();
  if (context.GetDataLogger().Open("/dev/null") != QRN55_STATUS_SUCCESS) return false;
  context.EnableLogging();
  manager.ScanForDevices();

  const Verdict verdict = Judge(signature, eeprom);
  if (manager.GetDeviceCount() != 1) return false;
  const QRN55Device& device = *manager.GetDevice(0);
  if (device.GetStatus() != ExpectedDeviceStatus(verdict)) return false;
  // A unit without a device of its own is its placeholder device's unit 0.
  const QRN55Unit* opened = device.GetUnit(verdict.named ? verdict.unit_index : 0);
  if (device.GetStatus() == QRN55Device::kSlotConflict) return opened == nullptr;
  if (opened == nullptr || opened->GetStatus() != verdict.state) return false;

  const QRN55UnitStatus& status = opened->GetUnitStatus();
  if (!Ended(status.unit_serial_number, 16) || !Ended(status.device_serial_number, 32) ||
      !Ended(status.description, 32)) {
    return false;
  }
  if (verdict.state != 0) return true;
  // Accepted: every field the checks cover is in range.
  const std::string serial = status.unit_serial_number;
  return serial.size() >= 12 && serial.size() <= 15 &&
         std::all_of(serial.begin(), serial.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }) &&
         status.model >= 0 && status.model <= 1 && status.unit_count > 0 &&
         status.unit_index >= 0 && status.unit_index < status.unit_count &&
         status.fifo_input_samples > 0 && status.fifo_output_samples > 0 &&
         status.sequence_counter_delay >= 0 && status.sequence_counter_delay <= 100;
}

}  // namespace QRN55DecodeFuzz
