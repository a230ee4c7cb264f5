#include "FrozenClock_fixture.h"

#include "foundation/GLP.h"
#include "foundation/platform/Clock.h"

void FrozenClockTest::SetUp() {
  Platform::UseVirtualClock(0.0);
  RealTime::InitModule();
  GLP::InitModule();
}

void FrozenClockTest::TearDown() {
  GLP::InitModule();
  Platform::UseRealClock();
  RealTime::InitModule();
}

void FrozenClockTest::SetNow(RealTime::TimeSeconds time) {
  // Virtual time stays 0, so the shift is exact.
  RealTime::Resync(time - RealTime::GetTime());
  ASSERT_EQ(RealTime::GetTime(), time);
}
