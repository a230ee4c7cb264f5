// A fresh buffer heap for every test, with the program's end and the
// operator's answers under the test's control.
#pragma once

#include <gtest/gtest.h>

#include "foundation/Buffer.h"

// Thrown by the program end that FreshHeap installs: the test sees that the
// program would have ended, and where.
struct ProgramEnded {};

class FreshHeap : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
