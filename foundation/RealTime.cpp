#include "foundation/RealTime.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

#include "foundation/EncodeNext.h"
#include "foundation/Strings.h"
#include "foundation/platform/Calendar.h"
#include "foundation/platform/Clock.h"
#include "numerics/LongMath.h"

namespace RealTime {

TimeSeconds StartupTime = 0.0;
double TicsPerSecs = 1000000.0;

namespace {

// 2^32 - 2,713,996,800, where 2,713,996,800 s lead from 1904-01-01 to
// 1990-01-01: calendar seconds since 1904 are wrapped into the signed 32-bit
// range first, which takes 2^32 off every date after January 1972.
constexpr double kWrapped1904To1990 = 1580970496.0;
constexpr double kTwoTo31 = 2147483648.0;
constexpr double kTwoTo32 = 4294967296.0;
constexpr double kSecondsPerDay = 86400.0;
constexpr std::int64_t kDays1970To1990 = 7305;
// Dates round at the millisecond.
constexpr double kDateRounding = 0.0004999;
// Readers saturate here, far beyond any calendar field.
constexpr std::int64_t kLargestField = 999999999;

constexpr int kTimeCapacity = 13;
constexpr int kDateCapacity = 12;
constexpr int kDateTimeCapacity = 21;
constexpr int kDateTimeMsCapacity = 25;

constexpr const char* kMonthWords[12] = {"-Jan-", "-Feb-", "-Mar-", "-Apr-", "-May-", "-Jun-",
                                         "-Jul-", "-Aug-", "-Sep-", "-Oct-", "-Nov-", "-Dec-"};

// Calendar time at which the monotonic clock read 0. Written by InitModule
// and Resync on the main thread, read by GetTime on any thread.
std::atomic<double> bootTime{0.0};

double ApplyWraparound(double seconds) { return seconds >= kTwoTo31 ? seconds - kTwoTo32 : seconds; }

TimeSeconds GetSecondsFromDate() {
  return ApplyWraparound(Platform::DateTimeSecs()) + kWrapped1904To1990;
}

struct Date {
  std::int64_t year;
  int month;
  int day;
};

// Proleptic Gregorian calendar, days counted from 1970-01-01 (H. Hinnant's
// algorithms). The month is 1..12; any day is carried over linearly.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

Date CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  const auto day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const auto month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  return Date{yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// The date of a time (rounded at the millisecond); FALSE outside the years
// a four-digit field can show.
bool DateOf(TimeSeconds time, Date& date) {
  const double days = std::floor((time + kDateRounding) / kSecondsPerDay);
  if (!(std::fabs(days) < 5e6)) return false;
  date = CivilFromDays(static_cast<std::int64_t>(days) + kDays1970To1990);
  return date.year >= 0 && date.year <= 9999;
}

// Seconds since 1990 of calendar fields; months beyond 1..12 carry into the
// year, the other fields carry linearly.
double CalendarSeconds(std::int64_t year, std::int64_t month, std::int64_t day, std::int64_t hour,
                       std::int64_t minute, std::int64_t second) {
  const std::int64_t m = month - 1;
  const std::int64_t carry = (m >= 0 ? m : m - 11) / 12;
  const std::int64_t days = DaysFromCivil(year + carry, m - carry * 12 + 1, 1) + (day - 1) - kDays1970To1990;
  return static_cast<double>(days) * kSecondsPerDay + static_cast<double>(hour) * 3600.0 +
         static_cast<double>(minute) * 60.0 + static_cast<double>(second);
}

void Stars(std::span<char> text) {
  if (text.empty()) return;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) text[i] = '*';
  text.back() = '\0';
}

void PutDigits(std::span<char> text, int pos, std::int64_t value, int digits) {
  for (int i = pos + digits - 1; i >= pos; --i) {
    text[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

// hh:mm:ss[.mmm] and a NUL from pos on; the caller has checked the room.
void AddTimeString(TimeSeconds time, std::span<char> text, int pos, bool milliseconds) {
  double t = SecSinceMidnight(time);
  if (t < 0.0) t += kSecondsPerDay;
  const auto s = static_cast<std::int64_t>(t);
  auto ms = static_cast<std::int64_t>(1000.0 * (0.0005 + t - static_cast<double>(s)));
  std::int64_t second = s % 60;
  std::int64_t minute = s / 60 % 60;
  std::int64_t hour = s / 3600 % 24;
  if (ms >= 1000) {
    ms -= 1000;
    ++second;
  }
  if (second >= 60) {
    second -= 60;
    ++minute;
  }
  if (minute >= 60) {
    minute -= 60;
    hour = (hour + 1) % 24;
  }
  PutDigits(text, pos, hour, 2);
  text[static_cast<std::size_t>(pos + 2)] = ':';
  PutDigits(text, pos + 3, minute, 2);
  text[static_cast<std::size_t>(pos + 5)] = ':';
  PutDigits(text, pos + 6, second, 2);
  pos += 8;
  if (milliseconds) {
    text[static_cast<std::size_t>(pos)] = '.';
    PutDigits(text, pos + 1, ms, 3);
    pos += 4;
  }
  text[static_cast<std::size_t>(pos)] = '\0';
}

// The checks shared by the date writers; FALSE when the text has been
// written already ("n.a." or stars).
bool CheckDateTime(TimeSeconds time, std::span<char> text, bool withTime, bool milliseconds,
                   Date& date) {
  if (text.empty()) return false;
  if (!LongMath::IsValidNumber(time)) {
    Strings::Assign(text, "n.a.");
    return false;
  }
  const std::size_t needed = !withTime ? kDateCapacity : milliseconds ? kDateTimeMsCapacity : kDateTimeCapacity;
  if (text.size() < needed) {
    Stars(text);
    return false;
  }
  if (!DateOf(time, date)) {
    Strings::Assign(text, "n.a.");
    return false;
  }
  return true;
}

// Digits from pos, saturated; pos ends one past the character that stopped
// them (the separator), an empty field reads 0.
std::int64_t ExtractNumber(std::span<const char> text, int length, int& pos) {
  std::int64_t value = 0;
  while (pos < length && text[static_cast<std::size_t>(pos)] >= '0' &&
         text[static_cast<std::size_t>(pos)] <= '9') {
    value = std::min(value * 10 + (text[static_cast<std::size_t>(pos)] - '0'), kLargestField);
    ++pos;
  }
  ++pos;
  return value;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

int MonthOfWord(char first, char second, char third) {
  switch (Upper(first)) {
    case 'A': return Upper(third) == 'R' ? 4 : 8;
    case 'D': return 12;
    case 'F': return 2;
    case 'J': return Upper(second) == 'A' ? 1 : Upper(third) == 'N' ? 6 : 7;
    case 'M': return Upper(third) == 'R' ? 3 : 5;
    case 'N': return 11;
    case 'O': return 10;
    case 'S': return 9;
    default: return 0;
  }
}

// A fraction of a second when the field just read ended at a '.'.
double ExtractFraction(std::span<const char> text, int length, int pos) {
  if (pos < 1 || pos > length || text[static_cast<std::size_t>(pos - 1)] != '.') return 0.0;
  int at = pos - 1;
  double fraction = 0.0;
  return EncodeNext::Real(text, at, fraction) ? fraction : 0.0;
}

}  // namespace

TimeSeconds GetTime() {
  return bootTime.load(std::memory_order_relaxed) + Platform::ElapsedSeconds();
}

double GetTimeDiff() { return GetSecondsFromDate() - GetTime(); }

void Resync(double seconds) { bootTime.fetch_add(seconds, std::memory_order_relaxed); }

void Wait(double seconds) { Platform::WaitSeconds(seconds); }

TimeSeconds Midnight() {
  return ApplyWraparound(Platform::SecondsSinceMidnight()) + kWrapped1904To1990;
}

double SecSinceMidnight(TimeSeconds time) { return std::fmod(time, kSecondsPerDay); }

void ToTime(TimeSeconds time, std::span<char> text, bool milliseconds) {
  if (text.empty()) return;
  if (!LongMath::IsValidNumber(time)) {
    Strings::Assign(text, "n.a.");
  } else if (text.size() < kTimeCapacity) {
    Stars(text);
  } else {
    AddTimeString(time, text, 0, milliseconds);
  }
}

void ToDate(TimeSeconds time, std::span<char> text, bool withTime, bool milliseconds) {
  Date date{};
  if (!CheckDateTime(time, text, withTime, milliseconds, date)) return;
  PutDigits(text, 0, date.year, 4);
  text[4] = '/';
  PutDigits(text, 5, date.month, 2);
  text[7] = '/';
  PutDigits(text, 8, date.day, 2);
  if (withTime) {
    text[10] = ' ';
    AddTimeString(time, text, 11, milliseconds);
  } else {
    text[10] = '\0';
  }
}

void ToAltDate(TimeSeconds time, std::span<char> text, bool withTime, bool milliseconds) {
  Date date{};
  if (!CheckDateTime(time, text, withTime, milliseconds, date)) return;
  PutDigits(text, 0, date.day, 2);
  for (int i = 0; i < 5; ++i) text[static_cast<std::size_t>(2 + i)] = kMonthWords[date.month - 1][i];
  PutDigits(text, 7, date.year, 4);
  if (withTime) {
    text[11] = ' ';
    AddTimeString(time, text, 12, milliseconds);
  } else {
    text[11] = '\0';
  }
}

TimeSeconds FromDate(std::span<const char> text) {
  const int length = Strings::Length(text);
  if (length <= 3) return 0.0;
  int pos = 0;
  std::int64_t year = 0;
  std::int64_t month = 0;
  std::int64_t day = 0;
  if (text[2] == '-') {
    if (length < 11) return 0.0;
    day = ExtractNumber(text, length, pos);
    month = MonthOfWord(text[static_cast<std::size_t>(pos)], text[static_cast<std::size_t>(pos + 1)],
                        text[static_cast<std::size_t>(pos + 2)]);
    pos += 4;
    year = ExtractNumber(text, length, pos);
  } else {
    year = ExtractNumber(text, length, pos);
    month = ExtractNumber(text, length, pos);
    day = ExtractNumber(text, length, pos);
  }
  const std::int64_t hour = ExtractNumber(text, length, pos);
  const std::int64_t minute = ExtractNumber(text, length, pos);
  const std::int64_t second = ExtractNumber(text, length, pos);
  return CalendarSeconds(year, month, day, hour, minute, second) + ExtractFraction(text, length, pos);
}

TimeSeconds FromTime(std::span<const char> text) {
  const int length = Strings::Length(text);
  int pos = 0;
  const std::int64_t hour = ExtractNumber(text, length, pos);
  const std::int64_t minute = ExtractNumber(text, length, pos);
  const std::int64_t second = ExtractNumber(text, length, pos);
  const double seconds = static_cast<double>(hour) * 3600.0 + static_cast<double>(minute) * 60.0 +
                         static_cast<double>(second) + ExtractFraction(text, length, pos);
  return seconds + Platform::LocalTimeCorrection() + Midnight();
}

void InitModule() {
  TicsPerSecs = 1000000.0;
  bootTime.store(GetSecondsFromDate() - Platform::ElapsedSeconds(), std::memory_order_relaxed);
  StartupTime = GetTime();
}

}  // namespace RealTime
