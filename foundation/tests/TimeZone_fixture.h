#pragma once

// Runs each test in a fixed time zone given as a POSIX TZ rule, so that no
// zone database is needed. The process's zone comes back afterwards, and the
// real clock too, for tests that switch to the virtual one.

#include <gtest/gtest.h>

#include <optional>
#include <string>

class TimeZoneTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes `rule` the zone of the process.
  static void Zone(const char* rule);

 private:
  std::optional<std::string> saved_;
};
