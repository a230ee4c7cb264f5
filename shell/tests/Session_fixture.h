// A headless UI layer on the virtual clock for the shell's tests, with
// the platform's answers and the alerts' scripted answers reset.
#pragma once

#include <gtest/gtest.h>

#include <string>

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// SessionTest with the buffer heap, the shell's buffers and console, and
// the console output: what menus and the event source need without the
// whole start-up.
class ConsoleSessionTest : public SessionTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The notebook's last line.
  static std::string LastLine();
};
