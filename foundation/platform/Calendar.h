// Calendar time: seconds since 1904-01-01 00:00 that carry the local-time
// correction, and broken-down dates.
//
// DateTimeSecs counts the local wall clock (UTC shifted by the zone's
// offset), so SecondsToDateTime breaks such a value down as it stands,
// without shifting it by the zone a second time. DateTimeToSeconds goes the
// other way through the local-time conversion and so gives UTC-based
// seconds: adding LocalTimeCorrection() brings it back to the wall clock.
// Calendar time follows the virtual clock when one is installed (Clock.h).
#pragma once

#include <cstdint>

namespace Platform {

constexpr double kSeconds1904To1970 = 2082844800.0;

struct DateTime {
  std::int32_t year;    // e.g. 2007
  std::int32_t month;   // 1..12
  std::int32_t day;     // 1..31
  std::int32_t hour;
  std::int32_t minute;
  std::int32_t second;
  double fraction;      // of a second
};

struct TimeZone {
  std::int32_t minutesWest;  // of Greenwich, standard time
  std::int32_t daylight;     // non-zero while daylight saving is in force
};

// -60 x minutesWest, plus 3600 with the daylight flag.
double UTC_to_LocalTime(const TimeZone& zone);

// Seconds the local wall clock is ahead of UTC now (time zone reloaded).
double LocalTimeCorrection();

// trunc(LocalTimeCorrection()) + 2082844800 + UTC seconds with microseconds.
double DateTimeSecs();

// Breaks whole seconds of a DateTimeSecs-style value down; fraction := 0.
// A value beyond the calendar's range gives an all-zero record.
void SecondsToDateTime(double seconds, DateTime& record);

// The record taken as local time (out-of-range fields normalised, daylight
// saving decided by the C library) as UTC seconds since 1904, fraction added.
double DateTimeToSeconds(const DateTime& record);

// DateTimeToSeconds of today's date at 00:00:00: the last local midnight.
double SecondsSinceMidnight();

}  // namespace Platform
