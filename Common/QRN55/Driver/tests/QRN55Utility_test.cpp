// Interleaved frame copies, and how the driver's preconditions stop the
// process.
#include "Common/QRN55/Driver/QRN55Utility.h"

#include <gtest/gtest.h>

#include <array>

#include "Common/QRN55/Driver/QRN55Device.h"

namespace {

using Samples = std::array<std::int16_t, 6>;

TEST(InterleavedCopies, StridedAndPlain) {
  const std::int16_t source[] = {1, 2, 3};
  Samples frames{};
  QRN55Utility_InterleavedWrite(3, source, frames.data(), 2);
  EXPECT_EQ(frames, (Samples{1, 0, 2, 0, 3, 0}));

  const Samples interleaved = {1, 9, 2, 9, 3, 9};
  std::array<std::int16_t, 3> slot{};
  QRN55Utility_InterleavedRead(3, interleaved.data(), slot.data(), 2);
  EXPECT_EQ(slot, (std::array<std::int16_t, 3>{1, 2, 3}));

  // Slot 1 of frames with three slots.
  Samples three_slots{};
  QRN55Utility_InterleavedFill(2, -7, three_slots.data() + 1, 3);
  EXPECT_EQ(three_slots, (Samples{0, -7, 0, 0, -7, 0}));

  // An increment of 1 is a plain copy or fill.
  Samples plain{};
  QRN55Utility_InterleavedWrite(3, source, plain.data(), 1);
  EXPECT_EQ(plain, (Samples{1, 2, 3, 0, 0, 0}));
  QRN55Utility_InterleavedRead(3, plain.data(), slot.data(), 1);
  EXPECT_EQ(slot, (std::array<std::int16_t, 3>{1, 2, 3}));
  QRN55Utility_InterleavedFill(6, 4, plain.data(), 1);
  EXPECT_EQ(plain, (Samples{4, 4, 4, 4, 4, 4}));
}

TEST(DriverAssertionsDeathTest, NameTheConditionFileAndLine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::int16_t sample = 0;
  EXPECT_DEATH(QRN55Utility_InterleavedFill(0, 1, &sample, 1),
               "Assertion failed: count > 0, file Common/QRN55/Driver/QRN55Utility.cpp, line "
               "[0-9]+");
  EXPECT_DEATH(QRN55Utility_InterleavedRead(1, nullptr, &sample, 1), "source != nullptr");
  EXPECT_DEATH(QRN55Utility_InterleavedWrite(1, &sample, &sample, 0), "target_increment > 0");
  EXPECT_DEATH(QRN55Device("", 1), "file Common/QRN55/Driver/QRN55Device.cpp");
  EXPECT_DEATH(QRN55Device("S1", 0), "unit_count > 0");
}

}  // namespace
