// A fresh buffer heap for every test, with the program's terminated flag
// cleared and the operator's answers under the test's control.
#pragma once

#include <gtest/gtest.h>

#include "foundation/Buffer.h"

class FreshHeap : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
