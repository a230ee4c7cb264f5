// Status codes, limits and the host wait shared by every part of the QRN 5+5
// driver library.
#pragma once

#include <cstdint>

// 0 is success; every other value names one failure.
using QRN55Status = std::int32_t;

enum : QRN55Status {
  QRN55_STATUS_SUCCESS = 0,
  QRN55_STATUS_CONFLICTING_AD7_CHANNELS = 2,
  QRN55_STATUS_OPEN_FAILED = 5,
  QRN55_STATUS_IN_USE = 6,
  QRN55_STATUS_UNIT_ACCESS = 8,
  QRN55_STATUS_EEPROM_OFFSET = 12,
  QRN55_STATUS_EEPROM_SIZE = 13,
  QRN55_STATUS_FILE_IO = 18,
  QRN55_STATUS_SHORT_READ = 19,
  QRN55_STATUS_SHORT_WRITE = 20,
  QRN55_STATUS_INVALID_CHANNEL = 22,
  QRN55_STATUS_INVALID_INTERVAL = 27,
  QRN55_STATUS_INVALID_SEQUENCE = 28,
  QRN55_STATUS_INVALID_TRIGGER_MODE = 31,
  QRN55_STATUS_LOG_CREATE = 33,
  QRN55_STATUS_OUT_OF_MEMORY = 34,
};

// Steps of one acquisition sequence.
inline constexpr int QRN55_MAXIMUM_SEQUENCE_COUNT = 8;
// Unit EEPROM transfers move whole blocks of this many bytes.
inline constexpr int QRN55_SERVICE_EEPROM_BLOCK_SIZE = 64;

extern "C" {
// Waits on the host for at least 0.001 s (smaller values are raised to it),
// on the program's clock.
void QRN55_SystemDelay(double seconds);
}
