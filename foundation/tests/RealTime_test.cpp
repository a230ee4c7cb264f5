#include "foundation/RealTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>

#include "TimeZone_fixture.h"
#include "foundation/platform/Calendar.h"
#include "foundation/platform/Clock.h"

namespace {

using RealTime::TimeSeconds;

constexpr double kDay = 86400.0;

class RealTimeIn : public TimeZoneTest {};

std::string Date(TimeSeconds t, bool withTime = true, bool ms = false) {
  char text[32];
  RealTime::ToDate(t, text, withTime, ms);
  return text;
}

std::string AltDate(TimeSeconds t, bool withTime = true, bool ms = false) {
  char text[32];
  RealTime::ToAltDate(t, text, withTime, ms);
  return text;
}

std::string Time(TimeSeconds t, bool ms = false) {
  char text[16];
  RealTime::ToTime(t, text, ms);
  return text;
}

TEST_F(RealTimeIn, TimeZeroIsTheStartOf1990) {
  Zone("UTC0");
  EXPECT_EQ(Date(0.0), "1990/01/01 00:00:00");
  EXPECT_EQ(AltDate(0.0, true, true), "01-Jan-1990 00:00:00.000");
  EXPECT_EQ(RealTime::FromDate("1990/01/01 00:00:00"), 0.0);
}

// East of UTC late in the day the local date is already the next day's UTC
// date plus nothing: the value carries the zone once and is shown as it is.
TEST_F(RealTimeIn, ATimeEastOfUtcShowsTheLocalDateAndReadsBackExactly) {
  Zone("JST-9");
  const TimeSeconds t = RealTime::FromDate("2024/05/17 18:00:00");
  EXPECT_EQ(Date(t), "2024/05/17 18:00:00");
  EXPECT_EQ(AltDate(t), "17-May-2024 18:00:00");
  for (const TimeSeconds u : {t, t + 0.25, t + 5 * 3600.0 + 59 * 60 + 59.5}) {
    char text[32];
    RealTime::ToAltDate(u, text, true, true);
    EXPECT_DOUBLE_EQ(RealTime::FromDate(text), u) << text;
    RealTime::ToDate(u, text, true, true);
    EXPECT_DOUBLE_EQ(RealTime::FromDate(text), u) << text;
  }
}

TEST_F(RealTimeIn, TheClockShowsTheLocalCalendarDate) {
  for (const char* rule : {"JST-9", "UTC0", "HST10", "<+1345>-13:45"}) {
    Zone(rule);
    RealTime::InitModule();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char expected[16];
    std::strftime(expected, sizeof expected, "%Y/%m/%d", &local);
    const std::string shown = Date(RealTime::GetTime(), false);
    if (std::time(nullptr) / 60 != now / 60) continue;  // a minute turned meanwhile
    EXPECT_EQ(shown, expected) << rule;
  }
}

TEST_F(RealTimeIn, BothWrittenFormsReadTheSame) {
  Zone("UTC0");
  const TimeSeconds a = RealTime::FromDate("09-Mar-2007 14:05:33.5");
  const TimeSeconds b = RealTime::FromDate("2007/03/09 14:05:33.5");
  EXPECT_EQ(a, b);
  EXPECT_EQ(Date(a, true, true), "2007/03/09 14:05:33.500");
  struct {
    std::string_view text;
    const char* date;
  } const cases[] = {
      {"abc", "1990/01/01 00:00:00"},                // three characters or fewer: 0
      {"09-Mar-200", "1990/01/01 00:00:00"},         // dd-Mon-yyyy shorter than 11: 0
      {"09-Xyz-2007", "2006/12/09 00:00:00"},        // unknown month 0: December before
      {"2007/13/01", "2008/01/01 00:00:00"},         // months carry into the year
      {"2007/03/32 25:61:61", "2007/04/02 02:02:01"},  // other fields carry on
      {"2007-3-9 4:5:6", "2007/03/09 04:05:06"},     // any single separators
      {"2007/03/09", "2007/03/09 00:00:00"},         // missing fields read 0
      {"09-apr-2007 01:02:03", "2007/04/09 01:02:03"},
      {"09-AUG-2007", "2007/08/09 00:00:00"},
      {"09-Jun-2007", "2007/06/09 00:00:00"},
      {"09-Jul-2007", "2007/07/09 00:00:00"},
      {"01-Jan-2100 12:00:00", "2100/01/01 12:00:00"},  // beyond 2^31 s after 1990
      {"1969/12/31 23:59:59", "1969/12/31 23:59:59"},   // before 1972 too
  };
  for (const auto& c : cases) EXPECT_EQ(Date(RealTime::FromDate(c.text)), c.date) << c.text;
}

TEST_F(RealTimeIn, TheTimeOfDayCarriesAtTheMillisecond) {
  const TimeSeconds day = 6000 * kDay;
  struct {
    double seconds;
    const char* withMs;
    const char* without;
  } const cases[] = {
      {14 * 3600 + 5 * 60 + 33.25, "14:05:33.250", "14:05:33"},
      {12 * 60 + 59.9996, "00:13:00.000", "00:13:00"},
      {23 * 3600 + 59 * 60 + 59.9996, "00:00:00.000", "00:00:00"},
      {59.9994, "00:00:59.999", "00:00:59"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Time(day + c.seconds, true), c.withMs) << c.seconds;
    EXPECT_EQ(Time(day + c.seconds, false), c.without) << c.seconds;
  }
  EXPECT_EQ(Time(-1.5, true), "23:59:58.500");
  EXPECT_EQ(RealTime::SecSinceMidnight(day + 100.5), 100.5);
}

TEST_F(RealTimeIn, ATextTooSmallForItsFormIsFilledWithStars) {
  const TimeSeconds t = 1000 * kDay + 3723.0;
  struct {
    int capacity;
    bool withTime, ms;
    bool fits;
  } const cases[] = {
      {11, false, false, false}, {12, false, false, true}, {12, false, true, true},
      {20, true, false, false},  {21, true, false, true},  {24, true, true, false},
      {25, true, true, true},
  };
  for (const auto& c : cases) {
    for (auto writer : {RealTime::ToDate, RealTime::ToAltDate}) {
      char text[32];
      std::fill(std::begin(text), std::end(text), '#');
      writer(t, std::span<char>(text, c.capacity), c.withTime, c.ms);
      if (c.fits) {
        EXPECT_NE(text[0], '*') << c.capacity;
      } else {
        EXPECT_EQ(std::string(text, c.capacity - 1), std::string(c.capacity - 1, '*')) << c.capacity;
        EXPECT_EQ(text[c.capacity - 1], '\0');
      }
      EXPECT_EQ(text[c.capacity], '#');
    }
  }
  char tight[20];
  RealTime::ToAltDate(t, tight, true, false);
  EXPECT_EQ(std::string(tight), std::string(19, '*'));
  char time12[12];
  RealTime::ToTime(t, time12, false);
  EXPECT_EQ(std::string(time12), std::string(11, '*'));
  char time13[13];
  RealTime::ToTime(t, time13, true);
  EXPECT_STREQ(time13, "01:02:03.000");
}

TEST_F(RealTimeIn, TimesThatAreNoNumberOrNoFourDigitYearAreNotAvailable) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double t : {nan, inf, -inf}) {
    EXPECT_EQ(Date(t), "n.a.");
    EXPECT_EQ(AltDate(t), "n.a.");
    EXPECT_EQ(Time(t), "n.a.");
  }
  EXPECT_EQ(Date(RealTime::FromDate("9999/12/31 23:59:59")), "9999/12/31 23:59:59");
  EXPECT_EQ(Date(RealTime::FromDate("9999/12/31 23:59:59") + 1.0), "n.a.");
  EXPECT_EQ(Date(1e300), "n.a.");
  EXPECT_EQ(Time(1e300).size(), 8u);
  char small[3];
  RealTime::ToDate(nan, small, false, false);
  EXPECT_STREQ(small, "n.");
}

TEST_F(RealTimeIn, GetTimeFollowsTheMonotonicClockAndResync) {
  Platform::UseVirtualClock(100.0);
  RealTime::InitModule();
  const TimeSeconds start = RealTime::GetTime();
  EXPECT_EQ(RealTime::StartupTime, start);
  EXPECT_EQ(RealTime::TicsPerSecs, 1000000.0);
  Platform::Advance(5.0);
  EXPECT_DOUBLE_EQ(RealTime::GetTime() - start, 5.0);
  RealTime::Wait(2.0);
  EXPECT_DOUBLE_EQ(RealTime::GetTime() - start, 7.0);
  RealTime::Resync(10.0);
  EXPECT_DOUBLE_EQ(RealTime::GetTime() - start, 17.0);
  EXPECT_NEAR(RealTime::GetTimeDiff(), -10.0, 1.0);
}

TEST_F(RealTimeIn, FromTimeIsThatTimeOnTodaysLocalDate) {
  for (const char* rule : {"JST-9", "UTC0", "HST10"}) {
    Zone(rule);
    RealTime::InitModule();
    const std::string today = Date(RealTime::GetTime(), false);
    const TimeSeconds t = RealTime::FromTime("14:05:33.25");
    if (Date(RealTime::GetTime(), false) != today) continue;  // midnight passed meanwhile
    EXPECT_EQ(Date(t, true, true), today + " 14:05:33.250") << rule;
    EXPECT_DOUBLE_EQ(RealTime::FromTime("00:00:00"),
                     RealTime::Midnight() + Platform::LocalTimeCorrection());
  }
}

}  // namespace
