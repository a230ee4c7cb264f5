#include "foundation/platform/Calendar.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>

#include "foundation/platform/Clock.h"

namespace Platform {

namespace {

constexpr double kSecondsPerHour = 3600.0;
constexpr double kSecondsPerMinute = 60.0;
// Keeps time_t and the broken-down year far from overflow.
constexpr double kLongestCalendarSpan = 1e15;

// The zone in force at the given UTC instant, as minutes west of standard
// time plus the daylight flag.
TimeZone ZoneAt(std::time_t instant) {
  std::tm local{};
  localtime_r(&instant, &local);
  const bool daylight = local.tm_isdst > 0;
  const long standardOffset = local.tm_gmtoff - (daylight ? static_cast<long>(kSecondsPerHour) : 0L);
  return TimeZone{static_cast<std::int32_t>(-standardOffset / 60), daylight ? 1 : 0};
}

int Shifted(std::int32_t field, int shift) {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(field) - shift, INT_MIN, INT_MAX));
}

}  // namespace

double UTC_to_LocalTime(const TimeZone& zone) {
  double correction = -kSecondsPerMinute * zone.minutesWest;
  if (zone.daylight != 0) correction += kSecondsPerHour;
  return correction;
}

double LocalTimeCorrection() {
  tzset();
  return UTC_to_LocalTime(ZoneAt(static_cast<std::time_t>(UtcSeconds())));
}

double DateTimeSecs() {
  return std::trunc(LocalTimeCorrection()) + kSeconds1904To1970 + UtcSeconds();
}

void SecondsToDateTime(double seconds, DateTime& record) {
  record = DateTime{};
  const double wall = std::trunc(seconds - kSeconds1904To1970);
  if (!(std::fabs(wall) < kLongestCalendarSpan)) return;
  const std::time_t instant = static_cast<std::time_t>(wall);
  std::tm fields{};
  if (gmtime_r(&instant, &fields) == nullptr) return;
  record.year = fields.tm_year + 1900;
  record.month = fields.tm_mon + 1;
  record.day = fields.tm_mday;
  record.hour = fields.tm_hour;
  record.minute = fields.tm_min;
  record.second = fields.tm_sec;
}

double DateTimeToSeconds(const DateTime& record) {
  std::tm fields{};
  fields.tm_year = Shifted(record.year, 1900);
  fields.tm_mon = Shifted(record.month, 1);
  fields.tm_mday = record.day;
  fields.tm_hour = record.hour;
  fields.tm_min = record.minute;
  fields.tm_sec = record.second;
  fields.tm_isdst = -1;
  const std::time_t instant = std::mktime(&fields);
  return static_cast<double>(instant) + record.fraction + kSeconds1904To1970;
}

double SecondsSinceMidnight() {
  DateTime today{};
  SecondsToDateTime(DateTimeSecs(), today);
  today.hour = 0;
  today.minute = 0;
  today.second = 0;
  today.fraction = 0.0;
  return DateTimeToSeconds(today);
}

}  // namespace Platform
