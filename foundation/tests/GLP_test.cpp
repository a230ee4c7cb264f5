#include "foundation/GLP.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "FrozenClock_fixture.h"
#include "foundation/RealTime.h"

namespace {

constexpr double kDay = 86400.0;

using ExpiryTest = FrozenClockTest;

double TimeOf(const char* date) { return RealTime::FromDate({date, std::strlen(date) + 1}); }

struct ExpiryCase {
  const char* date;
  double expiry;
  double ageInDays;  // age set through the clock, counted from the date
  bool accepted;
  const char* dateAfter;
};

TEST_F(ExpiryTest, ExpiresAtTheLimitAndNotBefore) {
  const ExpiryCase cases[] = {
      {"09-Mar-2007", 366.0, 366.0, false, "09-Mar-2007"},
      {"09-Mar-2007", 366.0, 365.99, true, "09-Mar-2007"},
      {"09-Mar-2007", 366.0, 0.0, true, "09-Mar-2007"},
      {"09-Mar-2007", 30.0, 30.0, false, "09-Mar-2007"},
      {"09-Mar-2007", 0.0, 5000.0, true, "09-Mar-2007"},
      {"09-Mar-2007", -1.0, 5000.0, true, "09-Mar-2007"},
      {"09-Mar-2007 14:05:33", 366.0, 366.0, false, "09-Mar-2007 14:05:33"},
  };
  for (const ExpiryCase& c : cases) {
    GLP::CalibExpiry = c.expiry;
    SetNow(TimeOf(c.date) + c.ageInDays * kDay);
    char date[32];
    std::snprintf(date, sizeof date, "%s", c.date);
    double days = -1.0;
    EXPECT_EQ(GLP::CheckExpiration(date, days), c.accepted) << c.date << " " << c.ageInDays;
    EXPECT_DOUBLE_EQ(days, c.ageInDays);
    EXPECT_STREQ(date, c.dateAfter);
  }
}

// Other forms are cleared and count, like an empty date, from 1 January
// 1990: expired whenever expiry is on.
TEST_F(ExpiryTest, AMalformedOrEmptyDateIsClearedAndCountsFrom1990) {
  const double now = RealTime::FromDate("01-Jan-2020");
  SetNow(now);
  for (const char* text : {"2019/12/31", "", "1-Jan-2020", "01-Jan", "garbage"}) {
    char date[16];
    std::snprintf(date, sizeof date, "%s", text);
    double days = 0.0;
    EXPECT_FALSE(GLP::CheckExpiration(date, days)) << text;
    EXPECT_STREQ(date, "") << text;
    EXPECT_DOUBLE_EQ(days, now / kDay) << text;
  }
  GLP::CalibExpiry = 0.0;
  char date[16] = "2019/12/31";
  double days = 0.0;
  EXPECT_TRUE(GLP::CheckExpiration(date, days));
  EXPECT_STREQ(date, "");
  EXPECT_DOUBLE_EQ(days, now / kDay);
}

TEST_F(ExpiryTest, InitModuleSetsTheDefaults) {
  GLP::CalibExpiry = 1.0;
  GLP::Check = true;
  GLP::Enforce = true;
  GLP::InitModule();
  EXPECT_EQ(GLP::CalibExpiry, 366.0);
  EXPECT_FALSE(GLP::Check);
  EXPECT_FALSE(GLP::Enforce);
}

}  // namespace
