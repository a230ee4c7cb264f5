#include "Common/QRN55/Driver/QRN55Utility.h"

#include <cstddef>

#include "Common/QRN55/Driver/QRN55Assert.h"

void QRN55Utility_InterleavedFill(int count, std::int16_t value, std::int16_t* target,
                                  int target_increment) {
  QRN55_ASSERT(count > 0);
  QRN55_ASSERT(target != nullptr);
  QRN55_ASSERT(target_increment > 0);
  for (std::ptrdiff_t k = 0; k < count; ++k) target[k * target_increment] = value;
}

void QRN55Utility_InterleavedWrite(int count, const std::int16_t* source, std::int16_t* target,
                                   int target_increment) {
  QRN55_ASSERT(count > 0);
  QRN55_ASSERT(source != nullptr);
  QRN55_ASSERT(target != nullptr);
  QRN55_ASSERT(target_increment > 0);
  for (std::ptrdiff_t k = 0; k < count; ++k) target[k * target_increment] = source[k];
}

void QRN55Utility_InterleavedRead(int count, const std::int16_t* source, std::int16_t* target,
                                  int source_increment) {
  QRN55_ASSERT(count > 0);
  QRN55_ASSERT(source != nullptr);
  QRN55_ASSERT(target != nullptr);
  QRN55_ASSERT(source_increment > 0);
  for (std::ptrdiff_t k = 0; k < count; ++k) target[k] = source[k * source_increment];
}
