#include "TimeZone_fixture.h"

#include <cstdlib>
#include <ctime>

#include "foundation/platform/Clock.h"

void TimeZoneTest::SetUp() {
  if (const char* tz = std::getenv("TZ")) saved_ = tz;
}

void TimeZoneTest::TearDown() {
  if (saved_) {
    setenv("TZ", saved_->c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  Platform::UseRealClock();
}

void TimeZoneTest::Zone(const char* rule) {
  setenv("TZ", rule, 1);
  tzset();
}
