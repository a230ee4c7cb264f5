#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "TimeZone_fixture.h"
#include "foundation/platform/Calendar.h"
#include "foundation/platform/Clock.h"

namespace {

using namespace Platform;

// 2007-03-09 14:05:33 as seconds since 1904 (1173449133 s after 1970).
constexpr double k2007_03_09_140533 = 3256293933.0;

class Calendar : public TimeZoneTest {};

constexpr const char* kUtc = "UTC0";
constexpr const char* kPlusThree = "XYZ-3";  // three hours east, no daylight saving
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST(UTC_to_LocalTime, Cases) {
  struct Case {
    TimeZone zone;
    double correction;
  };
  const std::vector<Case> cases = {
      {{60, 0}, -3600.0}, {{-60, 1}, 7200.0}, {{0, 0}, 0.0}, {{300, 1}, -14400.0}, {{-330, 0}, 19800.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UTC_to_LocalTime(c.zone), c.correction) << c.zone.minutesWest << " " << c.zone.daylight;
  }
}

TEST_F(Calendar, LocalTimeCorrectionFollowsTheZone) {
  Zone(kUtc);
  EXPECT_EQ(LocalTimeCorrection(), 0.0);
  Zone(kPlusThree);
  EXPECT_EQ(LocalTimeCorrection(), 10800.0);
  Zone("ABC5");
  EXPECT_EQ(LocalTimeCorrection(), -18000.0);
}

TEST_F(Calendar, DateTimeSecsCarriesTheCorrection) {
  Zone(kPlusThree);
  UseVirtualClock(0.0);
  const double utc = UtcSeconds();
  EXPECT_DOUBLE_EQ(DateTimeSecs(), utc + kSeconds1904To1970 + 10800.0);
}

TEST_F(Calendar, BreaksTheWallClockDownWithoutShiftingItAgain) {
  for (const char* zone : {kUtc, kPlusThree, kCentralEurope}) {
    Zone(zone);
    DateTime record{-1, -1, -1, -1, -1, -1, -1.0};
    SecondsToDateTime(k2007_03_09_140533 + 0.75, record);
    SCOPED_TRACE(zone);
    EXPECT_EQ(record.year, 2007);
    EXPECT_EQ(record.month, 3);
    EXPECT_EQ(record.day, 9);
    EXPECT_EQ(record.hour, 14);
    EXPECT_EQ(record.minute, 5);
    EXPECT_EQ(record.second, 33);
    EXPECT_EQ(record.fraction, 0.0);
  }
}

TEST_F(Calendar, DateTimeToSecondsTakesTheRecordAsLocalTime) {
  Zone(kCentralEurope);
  // Summer time is in force in July, not in January.
  EXPECT_EQ(DateTimeToSeconds(DateTime{2007, 7, 1, 12, 0, 0, 0.25}), 3266128800.25);  // 10:00 UTC
  EXPECT_EQ(DateTimeToSeconds(DateTime{2007, 1, 1, 12, 0, 0, 0.0}), 3250494000.0);    // 11:00 UTC
  Zone(kUtc);
  EXPECT_EQ(DateTimeToSeconds(DateTime{2007, 3, 9, 14, 5, 33, 0.0}), k2007_03_09_140533);
  // Month 0 is December of the year before.
  EXPECT_EQ(DateTimeToSeconds(DateTime{2007, 0, 15, 0, 0, 0, 0.0}),
            DateTimeToSeconds(DateTime{2006, 12, 15, 0, 0, 0, 0.0}));
}

// Tests that read the calendar now stay in zones without daylight saving,
// so that they cannot meet a change of the offset.
TEST_F(Calendar, RoundTripThroughTheRecord) {
  for (const char* zone : {kUtc, kPlusThree}) {
    Zone(zone);
    const double now = DateTimeSecs();
    DateTime record{};
    SecondsToDateTime(now, record);
    SCOPED_TRACE(zone);
    EXPECT_EQ(DateTimeToSeconds(record) + LocalTimeCorrection(), std::trunc(now));
  }
}

TEST_F(Calendar, SecondsSinceMidnightIsTheLastLocalMidnight) {
  for (const char* zone : {kUtc, kPlusThree}) {
    Zone(zone);
    const double midnight = SecondsSinceMidnight();
    const double correction = LocalTimeCorrection();
    const double now = DateTimeSecs() - correction;
    SCOPED_TRACE(zone);
    EXPECT_LE(midnight, now);
    EXPECT_LT(now - midnight, 86400.0 + 3600.0);
    DateTime record{};
    SecondsToDateTime(midnight + correction, record);
    EXPECT_EQ(record.hour, 0);
    EXPECT_EQ(record.minute, 0);
    EXPECT_EQ(record.second, 0);
  }
}

TEST_F(Calendar, ValuesBeyondTheCalendarGiveAnEmptyRecord) {
  for (const double seconds : {std::nan(""), 1e300, -1e300, HUGE_VAL}) {
    DateTime record{1, 1, 1, 1, 1, 1, 1.0};
    SecondsToDateTime(seconds, record);
    EXPECT_EQ(record.year, 0);
    EXPECT_EQ(record.month, 0);
    EXPECT_EQ(record.fraction, 0.0);
  }
}

TEST_F(Calendar, FollowsTheVirtualClock) {
  Zone(kPlusThree);
  UseVirtualClock(0.0);
  const double before = DateTimeSecs();
  Advance(86400.0);
  EXPECT_DOUBLE_EQ(DateTimeSecs() - before, 86400.0);
}

}  // namespace
