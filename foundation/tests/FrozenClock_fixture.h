#pragma once

// The program's clock stopped (the platform's virtual clock), so that ages
// and dates come out exact; the calibration-expiry settings at their
// defaults. Both are restored afterwards.

#include <gtest/gtest.h>

#include "foundation/RealTime.h"

class FrozenClockTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // RealTime::GetTime() gives exactly `time` until the next SetNow.
  static void SetNow(RealTime::TimeSeconds time);
};
